// TVkCustomEdit, TVkEdit and TVkMemo.
#include "controls/VkEdit.h"

#include <cstdlib>

#include "class_library/components/TypeInfo.h"
#include "class_library/visual/Clipbrd.h"
#include "class_library/visual/Themes.h"
#include "controls/VkColors.h"
#include "controls/VkDraw.h"
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
  if (!StoreChange(textHint_, Value)) return;
  if (!ComponentState().Contains(csLoading)) ApplyTextHint(textHint_);
}

void TVkCustomEdit::SetTextHintVisibleOnFocus(bool Value) {
  if (!StoreChange(textHintVisibleOnFocus_, Value)) return;
  if (!ComponentState().Contains(csLoading)) ApplyTextHint(textHint_);
}

void TVkCustomEdit::SetReadOnly(bool Value) {
  if (Value == ReadOnly()) return;
  TCustomMaskEdit::SetReadOnly(Value);
  ReadOnlyChanged();
}

void TVkCustomEdit::ReadOnlyChanged() {
  if (IsReadOnly())
    HideDropButton();
  else if (dropButtonVisible_)
    RestoreDropButton();
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

// ---- Drop button ------------------------------------------------------------------------

void TVkCustomEdit::SetDropButtonVisible(bool Value) {
  if (!StoreChange(dropButtonVisible_, Value)) return;
  SetShowDropButton(Value);
}

void TVkCustomEdit::SetShowDropButton(bool Value) {
  if (!StoreChange(showDropButton_, Value)) return;
  if (HandleAllocated()) RecreateWnd();
}

void TVkCustomEdit::HideDropButton() {
  if (dropButtonVisible_) SetShowDropButton(false);
}

void TVkCustomEdit::RestoreDropButton() {
  if (dropButtonVisible_) SetShowDropButton(true);
}

void TVkCustomEdit::SetFlatButtons(bool Value) {
  if (!StoreChange(flatButtons_, Value)) return;
  if (HandleAllocated()) gui::SendMessage(Handle(), gui::WM_NCPAINT, 1, 0);
}

void TVkCustomEdit::SetFlatButtonColor(TColor Value) {
  if (!StoreChange(flatButtonColor_, Value)) return;
  if (HandleAllocated()) gui::SendMessage(Handle(), gui::WM_NCPAINT, 1, 0);
}

void TVkCustomEdit::SetButtonDown(bool Value) {
  if (!showDropButton_ || buttonDown_ == Value) return;
  buttonDown_ = Value;
  if (HandleAllocated()) gui::SendMessage(Handle(), gui::WM_NCPAINT, 1, 0);
}

TRect TVkCustomEdit::DropButtonRect() {
  if (!showDropButton_) return TRect{0, 0, 0, 0};
  TRect r{0, 0, Width(), Height()};
  int inset = ThemesEnabled() ? 1 : 2;
  gui::InflateRect(r, -inset, -inset);
  r.Left = r.Right - gui::GetSystemMetrics(gui::SM_CXVSCROLL);
  return r;
}

void TVkCustomEdit::DropDown() {
  if (!showDropButton_) return;
  droppedDown_ = true;
  try {
    if (HandleAllocated()) gui::SetCapture(Handle());
    SetButtonDown(true);
    if (OnDropDown) OnDropDown(this);
    if (OnCloseUp) OnCloseUp(this);
    SetButtonDown(false);
  } catch (...) {
    droppedDown_ = false;
    throw;
  }
  droppedDown_ = false;
}

void TVkCustomEdit::EndDropState() {
  if (!droppedDown_) SetButtonDown(false);
  if (HandleAllocated() && gui::GetCapture() == Handle()) gui::ReleaseCapture();
}

void TVkCustomEdit::UpdateFrame(bool MouseFlag, bool Value) {
  TVkFramed<TCustomMaskEdit>::UpdateFrame(MouseFlag, Value);
  // The button follows the hot state too.
  if (showDropButton_ && (flatButtons_ || FrameHotTrack() || ThemesEnabled()) && !buttonDown_ && HandleAllocated())
    gui::SendMessage(Handle(), gui::WM_NCPAINT, 1, 0);
}

void TVkCustomEdit::WMNCCalcSize(TMessage& Message) {
  TVkFramed<TCustomMaskEdit>::WMNCCalcSize(Message);
  if (!showDropButton_ || !Message.LParam) return;
  auto* params = reinterpret_cast<gui::NcCalcSizeParams*>(Message.LParam);
  params->rgrc[0].Right -= gui::GetSystemMetrics(gui::SM_CXVSCROLL) - (ThemesEnabled() ? 1 : 0);
}

void TVkCustomEdit::WMNCHitTest(TMessage& Message) {
  TVkFramed<TCustomMaskEdit>::WMNCHitTest(Message);
  mouseOverButton_ = false;
  if (!showDropButton_ || !HandleAllocated()) return;
  gui::Rect window;
  gui::GetWindowRect(Handle(), window);
  TPoint p{gui::GET_X_LPARAM(Message.LParam) - window.Left, gui::GET_Y_LPARAM(Message.LParam) - window.Top};
  if (gui::PtInRect(DropButtonRect(), p)) {
    mouseOverButton_ = true;
    Message.Result = gui::HTCLIENT;
  }
}

void TVkCustomEdit::WMNCPaint(TMessage& Message) {
  TVkFramed<TCustomMaskEdit>::WMNCPaint(Message);
  if (!showDropButton_ || !HandleAllocated()) return;
  gui::HWND window = Handle();
  gui::HDC dc = gui::GetWindowDC(window);
  if (gui::IsNull(dc)) return;
  TCanvas canvas;
  canvas.SetHandle(dc);
  try {
    DrawDropButton(&canvas, DropButtonRect());
  } catch (...) {
    canvas.SetHandle(gui::HDC{});
    gui::ReleaseDC(window, dc);
    throw;
  }
  canvas.SetHandle(gui::HDC{});
  gui::ReleaseDC(window, dc);
  Message.Result = 0;
}

void TVkCustomEdit::DrawDropButton(TCanvas* Canvas, const TRect& Rect) {
  bool hot = MouseOver() || focusFlag_;
  if (ThemesEnabled() && (!flatButtons_ || hot)) {
    int state = !Enabled() ? 4 : buttonDown_ ? 3 : hot ? 2 : 1;
    ThemeServices()->DrawElement(Canvas->Handle(), ThemeServices()->GetElementDetails("COMBOBOX", 1, state), Rect);
    return;
  }
  if (!flatButtons_) {
    Canvas->Brush()->SetColor(clBtnFace);
    Canvas->RequireAll();
    UINT state = gui::DFCS_SCROLLCOMBOBOX | (buttonDown_ ? gui::DFCS_PUSHED | gui::DFCS_FLAT : 0) |
                 (Enabled() ? 0 : gui::DFCS_INACTIVE);
    gui::Rect r = Rect;
    gui::DrawFrameControl(Canvas->Handle(), r, gui::DFC_SCROLL, state);
    return;
  }
  TRect r = Rect;
  if (hot) {
    if (flatButtonColor_ == clBtnFace)
      r = buttonDown_ ? PaintSideRings(Canvas, r, clBtnShadow, clBtnHighlight, kAllSides, 1)
                      : PaintSideRings(Canvas, r, clBtnHighlight, clBtnShadow, kAllSides, 1);
    else
      r = PaintTintedFrameStyle(Canvas, r, flatButtonColor_, buttonDown_ ? fsStatus : fsPopup);
    Canvas->Brush()->SetColor(flatButtonColor_);
  } else {
    Canvas->Brush()->SetColor(Color());
  }
  Canvas->FillRect(r);
  PaintDropDownArrow(Canvas, Rect, false, Enabled());
}

void TVkCustomEdit::WMKillFocus(TMessage& Message) {
  TVkFramed<TCustomMaskEdit>::WMKillFocus(Message);
  EndDropState();
}

void TVkCustomEdit::HandleKeyDown(Word& Key, TShiftState Shift) {
  TVkFramed<TCustomMaskEdit>::HandleKeyDown(Key, Shift);
  if (showDropButton_ && ((Key == gui::VK_DOWN && (Shift & (ssShift | ssAlt | ssCtrl)) == ssAlt) || Key == gui::VK_F4)) {
    DropDown();
    Key = 0;
  }
}

void TVkCustomEdit::Dispatch(TMessage& Message) {
  if (showDropButton_ && mouseOverButton_) {
    switch (Message.Msg) {
      case gui::WM_LBUTTONDOWN:
      case gui::WM_LBUTTONDBLCLK:
        if (!Focused() && CanFocus()) SetFocus();
        DropDown();
        Message.Result = 0;
        return;
      case gui::WM_RBUTTONDOWN: Message.Result = 0; return;
      default: break;
    }
  }
  if (Message.Msg == gui::WM_LBUTTONUP) EndDropState();
  TVkFramed<TCustomMaskEdit>::Dispatch(Message);
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
