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

protected:
  bool FramingReadOnly() override { return IsReadOnly(); }
  void SetWindowParams(TCreateParams& Params) override;
  void MakeWindow() override;
  void HandleKeyPress(char& Key) override;
  void CMEnabledChanged(TMessage& Message) override;

private:
  String textHint_;
  bool textHintVisibleOnFocus_ = false;
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
