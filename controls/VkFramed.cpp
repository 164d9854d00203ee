// The framing and colour set of the framed edit, memo and list box.
#include "controls/VkFramed.h"

#include "class_library/components/FormResource.h"
#include "class_library/core/SysUtils.h"
#include "class_library/components/TypeInfo.h"
#include "class_library/visual/Mask.h"
#include "class_library/visual/StdCtrls.h"
#include "controls/VkColors.h"
#include "controls/VkDraw.h"
#include "controls/VkOldPropReader.h"
#include "controls/VkSystem.h"

template <class Base>
TVkFramed<Base>::TVkFramed(TComponent* AOwner) : Base(AOwner), frameCanvas_(std::make_unique<TCanvas>()) {
  this->controlStyle_ &= ~unsigned(csSetCaption);
}

template <class Base>
TVkFramed<Base>::~TVkFramed() = default;

template <class Base>
bool TVkFramed<Base>::UsingSystemStyle() const {
  return framingPreference_ == fpXPThemes && ThemesEnabled();
}

template <class Base>
bool TVkFramed<Base>::FrameIsHot() {
  return frameHotTrack_ && (focusFlag_ || mouseOver_ || (this->HandleAllocated() && this->Focused()));
}

template <class Base>
void TVkFramed<Base>::UpdateColors() {
  if (this->ComponentState().Contains(csLoading)) return;
  updatingColor_ = true;
  try {
    if (!this->Enabled())
      this->SetColor(disabledColor_);
    else if (focusFlag_ || (this->HandleAllocated() && this->Focused()))
      this->SetColor(FramingReadOnly() && readOnlyColorOnFocus_ ? readOnlyColor_ : focusColor_);
    else
      this->SetColor(FramingReadOnly() ? readOnlyColor_ : normalColor_);
  } catch (...) {
    updatingColor_ = false;
    throw;
  }
  updatingColor_ = false;
}

template <class Base>
void TVkFramed<Base>::UpdateFrame(bool MouseFlag, bool Value) {
  if (MouseFlag)
    mouseOver_ = Value;
  else
    focusFlag_ = Value;
  if (frameHotTrack_) RepaintFrame();
  UpdateColors();
}

template <class Base>
void TVkFramed<Base>::RepaintFrame() {
  if (!this->HandleAllocated()) return;
  TRect r = FrameRepaintRect();
  InvalidateNonClientFrame(this->Handle(), &r);
}

template <class Base>
void TVkFramed<Base>::FollowColor() {
  if (updatingColor_) return;
  if (focusColor_ == normalColor_) focusColor_ = this->Color();
  normalColor_ = this->Color();
}

template <class Base>
void TVkFramed<Base>::CMColorChanged(TMessage& Message) {
  Base::CMColorChanged(Message);
  FollowColor();
  if (frameVisible_ && !UsingSystemStyle()) RepaintFrame();
}

template <class Base>
void TVkFramed<Base>::CMParentColorChanged(TMessage& Message) {
  Base::CMParentColorChanged(Message);
  if (this->ParentColor()) FollowColor();
  if (frameVisible_ && !UsingSystemStyle()) RepaintFrame();
}

template <class Base>
void TVkFramed<Base>::CMEnabledChanged(TMessage& Message) {
  Base::CMEnabledChanged(Message);
  UpdateColors();
}

template <class Base>
void TVkFramed<Base>::CMEnter(TMessage& Message) {
  UpdateFrame(false, true);
  Base::CMEnter(Message);
}

template <class Base>
void TVkFramed<Base>::CMExit(TMessage& Message) {
  Base::CMExit(Message);
  UpdateFrame(false, false);
}

template <class Base>
void TVkFramed<Base>::CMMouseEnter(TMessage& Message) {
  if (this->ComponentState().Contains(csDesigning)) return;
  Base::CMMouseEnter(Message);
  UpdateFrame(true, true);
}

template <class Base>
void TVkFramed<Base>::CMMouseLeave(TMessage& Message) {
  Base::CMMouseLeave(Message);
  UpdateFrame(true, false);
}

template <class Base>
void TVkFramed<Base>::WMNCPaint(TMessage& Message) {
  Base::WMNCPaint(Message);
  if (!frameVisible_ || UsingSystemStyle() || !this->HandleAllocated()) return;
  gui::HWND window = this->Handle();
  gui::HDC dc = gui::GetWindowDC(window);
  if (gui::IsNull(dc)) return;
  frameCanvas_->SetHandle(dc);
  try {
    bool hot = FrameIsHot();
    PaintControlFrame(frameCanvas_.get(), this->Width(), this->Height(), hot ? frameHotStyle_ : frameStyle_,
                      this->Color(), hot ? frameHotColor_ : frameColor_, frameSides_);
  } catch (...) {
    frameCanvas_->SetHandle(gui::HDC{});
    gui::ReleaseDC(window, dc);
    throw;
  }
  frameCanvas_->SetHandle(gui::HDC{});
  gui::ReleaseDC(window, dc);
  Message.Result = 0;
}

template <class Base>
void TVkFramed<Base>::WMSize(TMessage& Message) {
  Base::WMSize(Message);
  if (frameVisible_ && !UsingSystemStyle()) RepaintFrame();
}

template <class Base>
bool TVkFramed<Base>::HandleEnterAsTab(char& Key) {
  if (!tabOnEnter_ || Key != '\r') return false;
  Key = 0;
  if (this->HandleAllocated()) gui::PostMessage(this->Handle(), gui::WM_KEYDOWN, gui::VK_TAB, 0);
  return true;
}

#define TW_FRAME_SETTER(Name, Type, field)          \
  template <class Base>                             \
  void TVkFramed<Base>::Set##Name(Type Value) {     \
    if (field == Value) return;                     \
    field = Value;                                  \
    RepaintFrame();                                 \
  }
TW_FRAME_SETTER(FrameColor, TColor, frameColor_)
TW_FRAME_SETTER(FrameHotColor, TColor, frameHotColor_)
TW_FRAME_SETTER(FrameHotStyle, TFrameStyle, frameHotStyle_)
TW_FRAME_SETTER(FrameSides, TSides, frameSides_)
TW_FRAME_SETTER(FrameStyle, TFrameStyle, frameStyle_)
#undef TW_FRAME_SETTER

template <class Base>
void TVkFramed<Base>::SetFrameHotTrack(bool Value) {
  if (frameHotTrack_ == Value) return;
  frameHotTrack_ = Value;
  if (Value) {
    SetFrameVisible(true);
    if (!this->ComponentState().Contains(csLoading)) frameSides_ = kAllSides;
  }
  RepaintFrame();
  this->Invalidate();
}

template <class Base>
void TVkFramed<Base>::SetFrameVisible(bool Value) {
  if (frameVisible_ == Value) return;
  frameVisible_ = Value;
  if (this->HandleAllocated()) this->RecreateWnd();
}

template <class Base>
void TVkFramed<Base>::SetFramingPreference(TFramingPreference Value) {
  if (framingPreference_ == Value) return;
  framingPreference_ = Value;
  if (Value == fpCustomFraming) RepaintFrame();
}

template <class Base>
void TVkFramed<Base>::SetDisabledColor(TColor Value) {
  disabledColor_ = Value;
  if (!this->Enabled()) UpdateColors();
}

template <class Base>
void TVkFramed<Base>::SetFocusColor(TColor Value) {
  focusColor_ = Value;
  if (this->HandleAllocated() && this->Focused()) UpdateColors();
}

template <class Base>
void TVkFramed<Base>::SetReadOnlyColor(TColor Value) {
  readOnlyColor_ = Value;
  if (FramingReadOnly()) UpdateColors();
}

template <class Base>
void TVkFramed<Base>::SetReadOnlyColorOnFocus(bool Value) {
  if (readOnlyColorOnFocus_ == Value) return;
  readOnlyColorOnFocus_ = Value;
  UpdateColors();
}

template <class Base>
void TVkFramed<Base>::ComponentNotification(TComponent* AComponent, TOperation Operation) {
  Base::ComponentNotification(AComponent, Operation);
  frameLink_.Notification(AComponent, Operation);
}

template <class Base>
void TVkFramed<Base>::FinishLoading() {
  Base::FinishLoading();
  UpdateColors();
  UpdateFrame(false, false);
}

template <class Base>
void TVkFramed<Base>::ReadLegacyProperties(TFiler* Filer) {
  Base::ReadLegacyProperties(Filer);
  Filer->DefineProperty("FrameFlat", [this](TReader& Reader) {
    bool flat = Reader.ReadBoolean();
    SetFrameHotTrack(flat);
    if (flat) {
      SetFrameStyle(fsStatus);
      SetFrameHotStyle(fsLowered);
    }
  });
  Filer->DefineProperty("FrameFocusStyle", [this](TReader& Reader) {
    String ident = Reader.ReadIdent();
    const std::vector<String>& names = FrameStyleNames();
    for (std::size_t i = 0; i < names.size(); ++i) {
      if (SameText(names[i], ident)) {
        SetFrameHotStyle(static_cast<TFrameStyle>(i));
        return;
      }
    }
    // A name that is no frame style is dropped.
  });
  Filer->DefineProperty("FrameFlatStyle", TVkOldPropReader::SkipIdentValue);
}

template class TVkFramed<TCustomMaskEdit>;
template class TVkFramed<TMemo>;
template class TVkFramed<TCustomListBox>;
