// TVkCustomEdit, TVkEdit and TVkMemo.
#include "controls/VkEdit.h"

#include <cstdlib>

#include "class_library/TypeInfo.h"
#include "class_library/visual/Clipbrd.h"
#include "controls/VkColors.h"
#include "controls/VkSystem.h"
#include "platform/gui/Controls.h"

// ---- TVkCustomEdit -----------------------------------------------------------------------

TVkCustomEdit::TVkCustomEdit(TComponent* AOwner) : TVkFramed<TCustomMaskEdit>(AOwner) {
  controlStyle_ |= csCaptureMouse;
}

void TVkCustomEdit::SetWindowParams(TCreateParams& Params) {
  TVkFramed<TCustomMaskEdit>::SetWindowParams(Params);
  Params.Style |= gui::WS_CLIPCHILDREN;
  Params.Style &= ~gui::ES_MULTILINE;
}

void TVkCustomEdit::MakeWindow() {
  TVkFramed<TCustomMaskEdit>::MakeWindow();
  ApplyTextHint(textHint_);
}

void TVkCustomEdit::ApplyTextHint(const String& Text) {
  // The window layer's edit shows a cue text whatever the visual style.
  if (!IsWindowsVersionOrLater(osWinXP) || !HandleAllocated()) return;
  SendTextMessage(Handle(), gui::EM_SETCUEBANNER, textHintVisibleOnFocus_ ? 1 : 0, Text);
}

void TVkCustomEdit::SetTextHint(const String& Value) {
  if (textHint_ == Value) return;
  textHint_ = Value;
  if (!ComponentState().Contains(csLoading)) ApplyTextHint(textHint_);
}

void TVkCustomEdit::SetTextHintVisibleOnFocus(bool Value) {
  if (textHintVisibleOnFocus_ == Value) return;
  textHintVisibleOnFocus_ = Value;
  if (!ComponentState().Contains(csLoading)) ApplyTextHint(textHint_);
}

void TVkCustomEdit::SetReadOnly(bool Value) {
  if (Value == ReadOnly()) return;
  TCustomMaskEdit::SetReadOnly(Value);
  ReadOnlyChanged();
}

void TVkCustomEdit::ReadOnlyChanged() {
  UpdateColors();
  if (HandleAllocated()) gui::SendMessage(Handle(), gui::WM_NCPAINT, 1, 0);
}

void TVkCustomEdit::CMEnabledChanged(TMessage& Message) {
  TVkFramed<TCustomMaskEdit>::CMEnabledChanged(Message);
  if (HandleAllocated()) gui::SendMessage(Handle(), gui::WM_NCPAINT, 1, 0);
}

void TVkCustomEdit::HandleKeyPress(char& Key) {
  if (HandleEnterAsTab(Key)) return;
  TVkFramed<TCustomMaskEdit>::HandleKeyPress(Key);
}

// ---- TVkMemo -----------------------------------------------------------------------------

TVkMemo::TVkMemo(TComponent* AOwner) : TVkFramed<TMemo>(AOwner) {}

void TVkMemo::SetReadOnly(bool Value) {
  if (Value == ReadOnly()) return;
  TMemo::SetReadOnly(Value);
  UpdateColors();
}

int TVkMemo::CaretIndex() {
  if (!HandleAllocated()) return SelStart() + SelLength();
  return static_cast<int>(gui::SendMessage(Handle(), gui::EM_GETCARETINDEX));
}

int TVkMemo::Line() {
  if (!HandleAllocated()) return 1;
  return static_cast<int>(gui::SendMessage(Handle(), gui::EM_LINEFROMCHAR, static_cast<WPARAM>(CaretIndex()))) + 1;
}

int TVkMemo::Column() {
  if (!HandleAllocated()) return 1;
  int caret = CaretIndex();
  auto line = gui::SendMessage(Handle(), gui::EM_LINEFROMCHAR, static_cast<WPARAM>(caret));
  auto start = gui::SendMessage(Handle(), gui::EM_LINEINDEX, static_cast<WPARAM>(line));
  return start < 0 ? 1 : caret - static_cast<int>(start) + 1;
}

void TVkMemo::SetLine(int Value) {
  if (Value < 1 || !HandleAllocated()) return;
  gui::HWND h = Handle();
  auto start = gui::SendMessage(h, gui::EM_LINEINDEX, static_cast<WPARAM>(Value - 1));
  if (start < 0) return;
  gui::SendMessage(h, gui::EM_SETSEL, static_cast<WPARAM>(start), start);
  if (Line() != Value) return;
  auto first = gui::SendMessage(h, gui::EM_GETFIRSTVISIBLELINE);
  gui::SendMessage(h, gui::EM_LINESCROLL, 0, Value - first - 1);
  LineColChanged();
}

void TVkMemo::SetColumn(int Value) {
  if (Value < 1 || !HandleAllocated()) return;
  gui::HWND h = Handle();
  auto start = gui::SendMessage(h, gui::EM_LINEINDEX, static_cast<WPARAM>(Line() - 1));
  if (start < 0) return;
  auto length = gui::SendMessage(h, gui::EM_LINELENGTH, static_cast<WPARAM>(start));
  if (Value > length + 1) return;
  gui::SendMessage(h, gui::EM_SETSEL, static_cast<WPARAM>(start + Value - 1), start + Value - 1);
  LineColChanged();
}

void TVkMemo::LineColChanged() {
  if (OnLineColChange) OnLineColChange(this, Line(), Column());
  ClipboardChanged();
}

void TVkMemo::ClipboardChanged() {
  if (OnClipboardChange) OnClipboardChange(this, SelLength() != 0, Clipboard()->HasFormat(CF_TEXT));
}

void TVkMemo::MakeWindow() {
  TVkFramed<TMemo>::MakeWindow();
  LineColChanged();
  ClipboardChanged();
}

void TVkMemo::Change() {
  TVkFramed<TMemo>::Change();
  LineColChanged();
}

void TVkMemo::HandleClick() {
  TVkFramed<TMemo>::HandleClick();
  LineColChanged();
}

void TVkMemo::HandleKeyDown(Word& Key, TShiftState Shift) {
  TVkFramed<TMemo>::HandleKeyDown(Key, Shift);
  LineColChanged();
}

void TVkMemo::HandleKeyUp(Word& Key, TShiftState Shift) {
  TVkFramed<TMemo>::HandleKeyUp(Key, Shift);
  LineColChanged();
}

void TVkMemo::HandleKeyPress(char& Key) {
  if (HandleEnterAsTab(Key)) return;
  TVkFramed<TMemo>::HandleKeyPress(Key);
}

void TVkMemo::HandleMouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) {
  TVkFramed<TMemo>::HandleMouseUp(Button, Shift, X, Y);
  ClipboardChanged();
}

void TVkMemo::WheelScroll(int Delta) {
  if (!HandleAllocated()) return;
  // Fine-grained wheels send parts of a notch: they add up to whole notches.
  wheelRest_ += Delta;
  int n = wheelRest_ / 120;
  wheelRest_ -= n * 120;
  if (n == 0) return;
  int lines = Mouse()->WheelScrollLines();
  bool pages = lines == 65535;
  if (!pages) n *= lines;
  WPARAM code = pages ? (n > 0 ? gui::SB_PAGEUP : gui::SB_PAGEDOWN) : (n > 0 ? gui::SB_LINEUP : gui::SB_LINEDOWN);
  for (int i = 0; i < std::abs(n); ++i) {
    if (gui::HIWORD(static_cast<WPARAM>(gui::SendMessage(Handle(), gui::EM_SCROLL, code))) == 0) break;
  }
}

void TVkMemo::WMMouseWheel(TMessage& Message) {
  if (OnMouseWheel) {
    TVkFramed<TMemo>::WMMouseWheel(Message);
    return;
  }
  WheelScroll(static_cast<std::int16_t>(gui::HIWORD(Message.WParam)));
  Message.Result = 1;
}

// ---- Registration ------------------------------------------------------------------------

void RegisterVkEditClasses() {
  static const bool registered = [] {
    auto edit = RegisterClass<TVkCustomEdit>("TVkCustomEdit", "TCustomMaskEdit");
    RegisterFramingProperties<TVkCustomEdit>(edit, true);
    edit.Str("TextHint", &TVkCustomEdit::TextHint, &TVkCustomEdit::SetTextHint)
        .Boolean("TextHintVisibleOnFocus", &TVkCustomEdit::TextHintVisibleOnFocus,
                 &TVkCustomEdit::SetTextHintVisibleOnFocus, false)
        .Boolean("ReadOnly", &TVkCustomEdit::ReadOnly, &TVkCustomEdit::SetReadOnly, false);
    RegisterClass<TVkEdit>("TVkEdit", "TVkCustomEdit");
    auto memo = RegisterClass<TVkMemo>("TVkMemo", "TMemo");
    RegisterFramingProperties<TVkMemo>(memo, true);
    memo.Boolean("ReadOnly", &TVkMemo::ReadOnly, &TVkMemo::SetReadOnly, false)
        .Event<TLineColChangeEvent>("OnLineColChange",
                                    [](TVkMemo& m, TLineColChangeEvent e) { m.OnLineColChange = std::move(e); })
        .Event<TClipboardChangeEvent>("OnClipboardChange",
                                      [](TVkMemo& m, TClipboardChangeEvent e) { m.OnClipboardChange = std::move(e); });
    return true;
  }();
  (void)registered;
}

namespace {
const bool kEditsRegistered = (RegisterVkEditClasses(), true);
}
