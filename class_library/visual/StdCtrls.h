#pragma once
// The standard controls: the edit and memo (the window layer's native edit),
// the list box (its native list box), the label and the push button.
#include <memory>

#include "class_library/core/StringList.h"
#include "class_library/visual/Controls.h"

// ---- Edit and memo -----------------------------------------------------------------

enum TEditCharCase { ecNormal, ecUpperCase, ecLowerCase };
enum TScrollStyle { ssNone, ssHorizontal, ssVertical, ssBoth };

class TCustomEdit : public TWinControl {
public:
  explicit TCustomEdit(TComponent* AOwner);
  ~TCustomEdit() override;
  String ClassName() const override { return "TCustomEdit"; }

  TBorderStyle BorderStyle() const { return borderStyle_; }
  void SetBorderStyle(TBorderStyle Value);
  TAlignment Alignment() const { return alignment_; }
  void SetAlignment(TAlignment Value);
  bool AutoSelect() const { return autoSelect_; }
  void SetAutoSelect(bool Value) { autoSelect_ = Value; }
  bool HideSelection() const { return hideSelection_; }
  void SetHideSelection(bool Value);
  TEditCharCase CharCase() const { return charCase_; }
  void SetCharCase(TEditCharCase Value);
  // Bytes; 0: no limit.
  int MaxLength() const { return maxLength_; }
  void SetMaxLength(int Value);
  char PasswordChar() const { return passwordChar_; }
  void SetPasswordChar(char Value);
  bool ReadOnly() const { return readOnly_; }
  void SetReadOnly(bool Value);
  bool Modified();
  void SetModified(bool Value);

  // The selection, in bytes of the text.
  int SelStart();
  void SetSelStart(int Value);
  int SelLength();
  void SetSelLength(int Value);
  String SelText();
  void SetSelText(const String& Value);
  void SelectAll();
  void ClearSelection() { SetSelText(String()); }
  void Clear() { SetText(String()); }
  bool CanUndo();
  void Undo();
  void ClearUndo();
  void CopyToClipboard();
  void CutToClipboard();
  void PasteFromClipboard();

  // After the user or the program changed the text.
  TNotifyEvent OnChange;

protected:
  void SetWindowParams(TCreateParams& Params) override;
  void MakeWindow() override;
  void DestroyWnd() override;
  virtual void Change();
  void Dispatch(TMessage& Message) override;
  void CMTextChanged(TMessage& Message) override;
  void CMEnter(TMessage& Message) override;
  void WMEraseBkgnd(TMessage& Message) override;
  void WMPaint(TMessage& Message) override;

private:
  TBorderStyle borderStyle_ = bsSingle;
  TAlignment alignment_ = taLeftJustify;
  bool autoSelect_ = true;
  bool hideSelection_ = true;
  TEditCharCase charCase_ = ecNormal;
  int maxLength_ = 0;
  char passwordChar_ = 0;
  bool readOnly_ = false;
  bool modified_ = false;
  int selStart_ = 0, selLength_ = 0;  // kept while there is no window
};

class TEdit : public TCustomEdit {
public:
  explicit TEdit(TComponent* AOwner) : TCustomEdit(AOwner) {}
  String ClassName() const override { return "TEdit"; }
};

class TCustomMemo : public TCustomEdit {
public:
  explicit TCustomMemo(TComponent* AOwner);
  ~TCustomMemo() override;
  String ClassName() const override { return "TCustomMemo"; }

  // The lines of the text (lines end at CR LF, LF or CR). They are the
  // text's own lines also while words wrap, so that saving and loading
  // them never turns a wrap into a line break.
  TStrings* Lines();
  void SetLines(TStrings* Value) { Lines()->Assign(Value); }
  // The caret (the end of the selection): X the byte in its line, Y the
  // line, both from 0; lines as shown (the edit's line queries), which are
  // the Lines unless words wrap.
  TPoint CaretPos();
  void SetCaretPos(TPoint Value);
  // Adds Text (a line break in it ends a line) at the end of the text,
  // leaving the selection, the caret and the first line shown as they were:
  // a view of a growing file follows it without taking the user's place.
  // Its cost is that of the text added, not of the whole text.
  void AppendText(const String& Text);
  // The length of the text in bytes, without copying it.
  int TextLength();
  TScrollStyle ScrollBars() const { return scrollBars_; }
  void SetScrollBars(TScrollStyle Value);
  bool WordWrap() const { return wordWrap_; }
  void SetWordWrap(bool Value);
  bool WantReturns() const { return wantReturns_; }
  void SetWantReturns(bool Value) { wantReturns_ = Value; }
  bool WantTabs() const { return wantTabs_; }
  void SetWantTabs(bool Value) { wantTabs_ = Value; }

protected:
  void SetWindowParams(TCreateParams& Params) override;
  void WMGetDlgCode(TMessage& Message) override;

private:
  class TMemoStrings;
  std::unique_ptr<TMemoStrings> lines_;
  TScrollStyle scrollBars_ = ssNone;
  bool wordWrap_ = true;
  bool wantReturns_ = true;
  bool wantTabs_ = false;
};

class TMemo : public TCustomMemo {
public:
  explicit TMemo(TComponent* AOwner) : TCustomMemo(AOwner) {}
  String ClassName() const override { return "TMemo"; }
};

// ---- List box -----------------------------------------------------------------------

enum TListBoxStyle { lbStandard, lbOwnerDrawFixed, lbOwnerDrawVariable, lbVirtual, lbVirtualOwnerDraw };
// Item states for drawing.
enum TOwnerDrawStateFlag : unsigned {
  odSelected = 1u << 0,
  odGrayed = 1u << 1,
  odDisabled = 1u << 2,
  odChecked = 1u << 3,
  odFocused = 1u << 4,
  odDefault = 1u << 5,
};
using TOwnerDrawState = unsigned;
class TCustomListBox;
using TDrawItemEvent =
    std::function<void(TWinControl* Control, int Index, const TRect& Rect, TOwnerDrawState State)>;
// The text of item Index of a virtual list box (styles lbVirtual and
// lbVirtualOwnerDraw), which keeps no texts of its own.
using TLBGetDataEvent = std::function<void(TWinControl* Control, int Index, String& Data)>;

class TCustomListBox : public TWinControl {
public:
  explicit TCustomListBox(TComponent* AOwner);
  ~TCustomListBox() override;
  String ClassName() const override { return "TCustomListBox"; }

  TStrings* Items();
  void SetItems(TStrings* Value) { Items()->Assign(Value); }
  int Count() { return Items()->Count(); }
  // A virtual list box holds Value items, whose texts OnData gives (asked
  // now for lbVirtual, which shows them; when drawn for lbVirtualOwnerDraw).
  // Other styles: ignored (their items are Items).
  void SetCount(int Value);
  // The text of an item: OnData's for the virtual styles, else Items'.
  String ItemText(int Index);
  void Clear() { Items()->Clear(); }
  // The selected item (single selection) or the item with the caret
  // (multiple selection); -1 for none.
  int ItemIndex();
  void SetItemIndex(int Value);
  bool Selected(int Index);
  void SetSelected(int Index, bool Value);
  int SelCount();
  int TopIndex();
  void SetTopIndex(int Value);
  bool Sorted() const { return sorted_; }
  void SetSorted(bool Value);
  bool MultiSelect() const { return multiSelect_; }
  void SetMultiSelect(bool Value);
  bool ExtendedSelect() const { return extendedSelect_; }
  void SetExtendedSelect(bool Value);
  TListBoxStyle Style() const { return style_; }
  void SetStyle(TListBoxStyle Value);
  int ItemHeight();
  void SetItemHeight(int Value);
  TBorderStyle BorderStyle() const { return borderStyle_; }
  void SetBorderStyle(TBorderStyle Value);
  // The item at a client point; with Existing, -1 below the last item,
  // otherwise the index after the last one.
  int ItemAtPos(TPoint Pos, bool Existing);
  TRect ItemRect(int Index);
  TCanvas* Canvas() { return canvas_.get(); }

  TDrawItemEvent OnDrawItem;
  TLBGetDataEvent OnData;

protected:
  void SetWindowParams(TCreateParams& Params) override;
  void MakeWindow() override;
  void DestroyWnd() override;
  // Draws an owner-drawn item on Canvas (OnDrawItem, or the text).
  virtual void DrawItem(int Index, const TRect& Rect, TOwnerDrawState State);
  void Dispatch(TMessage& Message) override;
  void WMEraseBkgnd(TMessage& Message) override;
  void WMPaint(TMessage& Message) override;

private:
  class TListBoxStrings;
  std::unique_ptr<TListBoxStrings> items_;
  std::unique_ptr<TControlCanvas> canvas_;
  bool sorted_ = false;
  bool multiSelect_ = false;
  bool extendedSelect_ = true;
  TListBoxStyle style_ = lbStandard;
  int itemHeight_ = 16;
  TBorderStyle borderStyle_ = bsSingle;
  int itemIndex_ = -1;  // kept while there is no window
};

class TListBox : public TCustomListBox {
public:
  explicit TListBox(TComponent* AOwner) : TCustomListBox(AOwner) {}
  String ClassName() const override { return "TListBox"; }
};

// ---- Label --------------------------------------------------------------------------

enum TTextLayout { tlTop, tlCenter, tlBottom };

class TCustomLabel : public TGraphicControl {
public:
  explicit TCustomLabel(TComponent* AOwner);
  String ClassName() const override { return "TCustomLabel"; }

  TAlignment Alignment() const { return alignment_; }
  void SetAlignment(TAlignment Value);
  TTextLayout Layout() const { return layout_; }
  void SetLayout(TTextLayout Value);
  bool AutoSize() const { return autoSize_; }
  virtual void SetAutoSize(bool Value);
  bool WordWrap() const { return wordWrap_; }
  void SetWordWrap(bool Value);
  bool ShowAccelChar() const { return showAccelChar_; }
  void SetShowAccelChar(bool Value);
  bool Transparent() const { return (controlStyle_ & csOpaque) == 0; }
  void SetTransparent(bool Value);
  // The control an accelerator of the caption focuses.
  TWinControl* FocusControl() const { return focusControl_; }
  void SetFocusControl(TWinControl* Value);
  void ComponentNotification(TComponent* AComponent, TOperation Operation) override;
  void FinishLoading() override;

protected:
  // Draws (or with DT_CALCRECT in Flags measures) the caption in Rect.
  virtual void DoDrawText(TRect& Rect, UINT Flags);
  void PaintControl() override;
  // Sizes the label to its text when AutoSize is on.
  virtual void AdjustBounds();
  void CMTextChanged(TMessage& Message) override;
  void CMFontChanged(TMessage& Message) override;
  void Dispatch(TMessage& Message) override;

private:
  TAlignment alignment_ = taLeftJustify;
  TTextLayout layout_ = tlTop;
  bool autoSize_ = true;
  bool wordWrap_ = false;
  bool showAccelChar_ = true;
  TWinControl* focusControl_ = nullptr;
};

class TLabel : public TCustomLabel {
public:
  explicit TLabel(TComponent* AOwner) : TCustomLabel(AOwner) {}
  String ClassName() const override { return "TLabel"; }
};

// ---- Push button -----------------------------------------------------------------------

class TButtonControl : public TCustomControl {
public:
  explicit TButtonControl(TComponent* AOwner);
  String ClassName() const override { return "TButtonControl"; }
};

// A push button: clicked with the mouse, the space bar, Return when it is
// the default button (or focused), Escape when it is the cancel button, or
// its accelerator. A click with a ModalResult sets the form's.
class TButton : public TButtonControl {
public:
  explicit TButton(TComponent* AOwner);
  String ClassName() const override { return "TButton"; }

  bool Default() const { return default_; }
  void SetDefault(bool Value);
  bool Cancel() const { return cancel_; }
  void SetCancel(bool Value) { cancel_ = Value; }
  int ModalResult() const { return modalResult_; }
  void SetModalResult(int Value) { modalResult_ = Value; }
  // Clicks the button as the user would.
  virtual void Click();

protected:
  void PaintControl() override;
  void HandleClick() override;
  void HandleMouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) override;
  void HandleMouseMove(TShiftState Shift, int X, int Y) override;
  void HandleMouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) override;
  void HandleKeyDown(Word& Key, TShiftState Shift) override;
  void HandleKeyUp(Word& Key, TShiftState Shift) override;
  void CMDialogKey(TMessage& Message) override;
  void CMDialogChar(TMessage& Message) override;
  void Dispatch(TMessage& Message) override;

private:
  bool default_ = false;
  bool cancel_ = false;
  int modalResult_ = 0;
  bool pressed_ = false;   // drawn pushed in
  bool tracking_ = false;  // the mouse button went down on it
  bool spaceDown_ = false;
};

void RegisterStdControlClasses();
