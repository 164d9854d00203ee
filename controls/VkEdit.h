#pragma once
// The framed edit and memo: TVkCustomEdit (a single-line edit with the
// framing and colour set, a text hint and Enter as Tab), TVkEdit (its
// published form) and TVkMemo (a multi-line editor with the same set,
// 1-based caret line and column, and line/column and clipboard
// notifications).
#include <functional>

#include "class_library/visual/Mask.h"
#include "class_library/visual/StdCtrls.h"
#include "controls/VkFramed.h"

class TVkCustomEdit : public TVkFramed<TCustomMaskEdit> {
public:
  explicit TVkCustomEdit(TComponent* AOwner);
  String ClassName() const override { return "TVkCustomEdit"; }

  // The cue text shown while the edit is empty.
  const String& TextHint() const { return textHint_; }
  void SetTextHint(const String& Value);
  bool TextHintVisibleOnFocus() const { return textHintVisibleOnFocus_; }
  void SetTextHintVisibleOnFocus(bool Value);
  bool ReadOnly() const { return TCustomMaskEdit::ReadOnly(); }
  void SetReadOnly(bool Value);

  virtual void ApplyTextHint(const String& Text);
  virtual bool IsReadOnly() { return ReadOnly(); }
  virtual void ReadOnlyChanged();

  // The drop button: a strip at the right of the edit that a derived
  // class switches on (DropButtonVisible); a click on it, Alt+Down or F4
  // raise OnDropDown and then OnCloseUp. Read-only edits hide it.
  bool DropButtonVisible() const { return dropButtonVisible_; }
  virtual void SetDropButtonVisible(bool Value);
  bool ShowDropButton() const { return showDropButton_; }
  virtual void SetShowDropButton(bool Value);
  virtual void HideDropButton();
  virtual void RestoreDropButton();
  bool FlatButtons() const { return flatButtons_; }
  virtual void SetFlatButtons(bool Value);
  TColor FlatButtonColor() const { return flatButtonColor_; }
  void SetFlatButtonColor(TColor Value);
  bool ButtonDown() const { return buttonDown_; }
  virtual void SetButtonDown(bool Value);
  bool DroppedDown() const { return droppedDown_; }
  bool MouseOverButton() const { return mouseOverButton_; }
  // The button's rectangle in window coordinates (empty while not shown).
  TRect DropButtonRect();
  void DropDown();
  TNotifyEvent OnDropDown;
  TNotifyEvent OnCloseUp;

protected:
  bool FramingReadOnly() override { return IsReadOnly(); }
  void SetWindowParams(TCreateParams& Params) override;
  void MakeWindow() override;
  void HandleKeyPress(char& Key) override;
  void HandleKeyDown(Word& Key, TShiftState Shift) override;
  void CMEnabledChanged(TMessage& Message) override;
  void UpdateFrame(bool MouseFlag, bool Value) override;
  virtual void DrawDropButton(TCanvas* Canvas, const TRect& Rect);
  void WMNCCalcSize(TMessage& Message) override;
  void WMNCHitTest(TMessage& Message) override;
  void WMNCPaint(TMessage& Message) override;
  void WMKillFocus(TMessage& Message) override;
  void Dispatch(TMessage& Message) override;

private:
  void EndDropState();

  String textHint_;
  bool textHintVisibleOnFocus_ = false;
  bool dropButtonVisible_ = false;
  bool showDropButton_ = false;
  bool mouseOverButton_ = false;
  bool flatButtons_ = false;
  TColor flatButtonColor_ = clBtnFace;
  bool droppedDown_ = false;
  bool buttonDown_ = false;
};

class TVkEdit : public TVkCustomEdit {
public:
  explicit TVkEdit(TComponent* AOwner) : TVkCustomEdit(AOwner) {}
  String ClassName() const override { return "TVkEdit"; }
};

using TLineColChangeEvent = std::function<void(TObject* Sender, int Line, int Column)>;
using TClipboardChangeEvent = std::function<void(TObject* Sender, bool HasSelection, bool HasText)>;

class TVkMemo : public TVkFramed<TMemo> {
public:
  explicit TVkMemo(TComponent* AOwner);
  String ClassName() const override { return "TVkMemo"; }

  bool ReadOnly() const { return TMemo::ReadOnly(); }
  void SetReadOnly(bool Value);

  // The caret's line and column, counted from 1 (an empty memo: 1, 1).
  // Positions are whole numbers however long the text. Setting a line makes
  // it the first visible one; values below 1, a line past the last and a
  // column past the end of the line plus one are ignored.
  int Line();
  void SetLine(int Value);
  int Column();
  void SetColumn(int Value);
  // The byte index of the caret in the text.
  int CaretIndex();

  TLineColChangeEvent OnLineColChange;
  TClipboardChangeEvent OnClipboardChange;

  // What a wheel turn of Delta scrolls when no OnMouseWheel takes it: the
  // scroll code and the count (wheels that report less than a notch add up
  // until a notch is reached).
  void WheelScroll(int Delta);

protected:
  bool FramingReadOnly() override { return ReadOnly(); }
  void MakeWindow() override;
  void Change() override;
  void HandleClick() override;
  void HandleKeyDown(Word& Key, TShiftState Shift) override;
  void HandleKeyUp(Word& Key, TShiftState Shift) override;
  void HandleKeyPress(char& Key) override;
  void HandleMouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) override;
  void WMMouseWheel(TMessage& Message) override;
  void LineColChanged();
  void ClipboardChanged();

private:
  int wheelRest_ = 0;
};

void RegisterVkEditClasses();
