#pragma once
// The framed list box: TVkCustomListBox adds to the class library's list
// box incremental search by typed characters (forgotten 1.5 s after the last
// one, a beep on a miss), the framing and colour set of the framed edit,
// group header items marked by a text prefix, hints showing an item's whole
// text when it is wider than the box, a horizontal scroll bar sized to the
// widest item, and the selected item's text. TVkListBox publishes it.
#include <memory>

#include "class_library/loop/Timer.h"
#include "class_library/visual/Hints.h"
#include "class_library/visual/StdCtrls.h"
#include "controls/VkFramed.h"

class TVkCustomListBox : public TVkFramed<TCustomListBox> {
public:
  explicit TVkCustomListBox(TComponent* AOwner);
  ~TVkCustomListBox() override;
  String ClassName() const override { return "TVkCustomListBox"; }

  bool IncrementalSearch() const { return incrementalSearch_; }
  void SetIncrementalSearch(bool Value) { incrementalSearch_ = Value; }
  bool BeepOnInvalidKey() const { return beepOnInvalidKey_; }
  void SetBeepOnInvalidKey(bool Value) { beepOnInvalidKey_ = Value; }
  int HorzExtent() const { return horzExtent_; }
  void SetHorzExtent(int Value);
  bool HorzScrollBar() const { return horzScrollBar_; }
  void SetHorzScrollBar(bool Value);
  int OwnerDrawIndent() const { return ownerDrawIndent_; }
  void SetOwnerDrawIndent(int Value);
  bool ShowItemHints() const { return showItemHints_; }
  void SetShowItemHints(bool Value) { showItemHints_ = Value; }
  bool UseGradients() const { return useGradients_; }
  void SetUseGradients(bool Value);
  TColor GroupColor() const { return groupColor_; }
  void SetGroupColor(TColor Value);
  TFont* GroupFont() { return &groupFont_; }
  void SetGroupFont(TFont* Value) { groupFont_.Assign(Value); }
  bool GroupFontChangedFlag() const { return groupFontChanged_; }
  const String& GroupPrefix() const { return groupPrefix_; }
  void SetGroupPrefix(const String& Value);
  bool ShowGroups() const { return showGroups_; }
  void SetShowGroups(bool Value);

  // The selected item's text: in a multi-select list the item with the
  // caret when it is selected, else the first selected one; "" when none.
  String SelectedItem();
  void SelectAll();
  // The first item that begins with Text (any case), or -1.
  virtual int FindItem(const String& Text);
  bool IsGroupItem(int Index);
  int GroupHeaderOf(int Index);
  bool ItemInGroup(int Index) { return GroupHeaderOf(Index) != -1; }
  int GroupNumber(int Index);
  virtual int GetTextIndent() { return ownerDrawIndent_; }

  // The typed prefix searched for now, and the timer that forgets it.
  const String& SearchText() const { return searchText_; }
  TTimer* SearchTimer() const { return searchTimer_.get(); }
  // Forgets the search text (what the timer does when it fires).
  void SearchTimerExpired();
  THintWindow* ItemHintWindow() const { return hintWindow_; }

  TNotifyEvent OnMatch;
  TNotifyEvent OnDeleteItems;

  void FinishLoading() override;

protected:
  TRect FrameRepaintRect() override { return TRect{0, 0, Width(), Height()}; }
  virtual void AdjustItemHeight();
  virtual void GroupFontChanged() {}
  virtual void DoDrawItem(int Index, const TRect& Rect, TOwnerDrawState State);
  virtual void DrawGroupItem(int Index, const TRect& Rect, TOwnerDrawState State);
  virtual void DefaultDrawItem(int Index, const TRect& Rect, TOwnerDrawState State);
  virtual void UpdateHorzExtent();
  void DrawItem(int Index, const TRect& Rect, TOwnerDrawState State) override;
  void SetWindowParams(TCreateParams& Params) override;
  void MakeWindow() override;
  void Resize() override;
  void Dispatch(TMessage& Message) override;
  void WindowProcedure(TMessage& Message) override;
  void WMChar(TMessage& Message) override;
  void CMFontChanged(TMessage& Message) override;
  void CMMouseEnter(TMessage& Message) override;
  void CMMouseLeave(TMessage& Message) override;

private:
  void SearchStep(const String& Working, char Key);
  void KeyPressed(char Key);
  void Beep();
  void UpdateItemHint(TPoint Pos);
  void HideItemHint();

  bool incrementalSearch_ = true;
  bool beepOnInvalidKey_ = true;
  int horzExtent_ = 0;
  bool horzScrollBar_ = false;
  String searchText_;
  std::unique_ptr<TTimer> searchTimer_;
  int keyInProgress_ = 0;
  int ownerDrawIndent_ = 0;
  bool showItemHints_ = true;
  THintWindow* hintWindow_ = nullptr;  // owned through the component owner chain
  bool useGradients_ = true;
  TColor groupColor_ = clInactiveCaptionText;
  TFont groupFont_;
  bool groupFontChanged_ = false;
  String groupPrefix_ = "//";
  bool showGroups_ = false;
};

class TVkListBox : public TVkCustomListBox {
public:
  explicit TVkListBox(TComponent* AOwner) : TVkCustomListBox(AOwner) {}
  String ClassName() const override { return "TVkListBox"; }
};

void RegisterVkListBoxClasses();
