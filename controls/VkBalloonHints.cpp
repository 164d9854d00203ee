// The balloon-hint component and its corner bitmaps.
#include "controls/VkBalloonHints.h"

#include "class_library/loop/Application.h"
#include "class_library/components/TypeInfo.h"
#include "class_library/visual/Forms.h"
#include "controls/VkOldPropReader.h"

namespace {

const std::vector<String> kCornerNames{"hcLowerRight", "hcLowerLeft", "hcUpperLeft", "hcUpperRight", "hcNone"};

const bool kRegistered = [] {
  using B = TVkBalloonBitmaps;
  RegisterClass<B>("TVkBalloonBitmaps", "TPersistent")
      .Object("LowerRight", &B::LowerRight)
      .Object("LowerLeft", &B::LowerLeft)
      .Object("UpperLeft", &B::UpperLeft)
      .Object("UpperRight", &B::UpperRight)
      .Integer("TransparentColor", &B::TransparentColor, &B::SetTransparentColor, clOlive)
      .Idents(&IdentToColor);
  using H = TVkBalloonHints;
  RegisterClass<H>("TVkBalloonHints", "TComponent")
      .Enum("Alignment", {"taLeftJustify", "taRightJustify", "taCenter"}, &H::Alignment, &H::SetAlignment,
            taLeftJustify)
      .Object("Bitmaps", &H::Bitmaps)
      .Integer("CaptionWidth", &H::CaptionWidth, &H::SetCaptionWidth, 100)
      .Integer("CenterThreshold", &H::CenterThreshold, &H::SetCenterThreshold, 80)
      .Integer("Color", &H::Color, &H::SetColor, clInfoBk)
      .Idents(&IdentToColor)
      // The default is the value the constructor sets, so that a form holding
      // it does not store it and one holding anything else does.
      .Integer("FrameColor", &H::FrameColor, &H::SetFrameColor, cl3DDkShadow)
      .Idents(&IdentToColor)
      .Enum("Corner", kCornerNames, &H::Corner, &H::SetCorner, hcUpperRight)
      .Object("Font", &H::Font)
      .Integer("HintPause", &H::HintPause, &H::SetHintPause)
      .NotStored()
      .Integer("HintShortPause", &H::HintShortPause, &H::SetHintShortPause)
      .NotStored()
      .Boolean("ShowBalloon", &H::ShowBalloon, &H::SetShowBalloon, true)
      .Event<TSetHintWinSizeEvent>("OnSetHintWinSize", &H::SetOnSetHintWinSize)
      .Event<TSetHintRectEvent>("OnSetHintRect", &H::SetOnSetHintRect)
      .Event<TShowHintEvent>("OnShowHint", [](H& h, TShowHintEvent e) { h.OnShowHint = std::move(e); });
  return true;
}();

}  // namespace

// ---- TVkBalloonBitmaps ------------------------------------------------------

TVkBalloonBitmaps::TVkBalloonBitmaps() { (void)kRegistered; }

void TVkBalloonBitmaps::Take(TBitmap& Own, TBitmap* Value) {
  if (Value == &Own) return;
  Own.Assign(Value);
  if (OnChange) OnChange(this);
}

TBitmap* TVkBalloonBitmaps::ForCorner(TVkHintCorner Corner) {
  switch (Corner) {
    case hcLowerRight: return &lowerRight_;
    case hcLowerLeft: return &lowerLeft_;
    case hcUpperLeft: return &upperLeft_;
    case hcUpperRight: return &upperRight_;
    default: return nullptr;
  }
}

bool TVkBalloonBitmaps::AnyNotEmpty() const {
  return !lowerRight_.Empty() || !lowerLeft_.Empty() || !upperLeft_.Empty() || !upperRight_.Empty();
}

// ---- TVkBalloonHints ------------------------------------------------------------

TVkBalloonHints::TVkBalloonHints(TComponent* AOwner) : TComponent(AOwner), origHintWindowClass_(HintWindowClass) {
  font_.SetName("Tahoma");
  font_.SetSize(8);
  font_.SetColor(clInfoText);
  font_.OnChange = [this](TObject*) {
    if (window_) window_->SetFont(&font_);
  };
  if (ComponentState().Contains(csDesigning)) return;
  // Switching hints off and on makes the application create its hint
  // window again, of the new class, which links to this component.
  bool show = Application()->ShowHint();
  Application()->SetShowHint(false);
  HintWindowClass = [](TComponent* Owner) -> THintWindow* { return new TVkCustomHintWindow(Owner); };
  Application()->SetShowHint(show);
  if (auto* window = dynamic_cast<TVkCustomHintWindow*>(visual::HintWindow()); window && !window->component_)
    LinkHintWindow(this, window);
}

TVkBalloonHints::~TVkBalloonHints() {
  if (window_) {
    window_->component_ = nullptr;
    window_->bitmaps_ = nullptr;
    window_ = nullptr;
  }
  if (ApplicationAlive() && !Application()->ComponentState().Contains(csDestroying) &&
      !ComponentState().Contains(csDesigning)) {
    bool show = Application()->ShowHint();
    Application()->SetShowHint(false);
    HintWindowClass = origHintWindowClass_;
    Application()->SetShowHint(show);
  }
}

void TVkBalloonHints::LinkHintWindow(TVkBalloonHints* Component, TVkCustomHintWindow* Window) {
  if (!Component || !Window) return;
  if (Window->component_ && Window->component_ != Component) Window->component_->window_ = nullptr;
  Component->window_ = Window;
  Window->component_ = Component;
  Window->captionWidth_ = Component->captionWidth_;
  // The outline colour and the centring threshold go over too: a component
  // left at its defaults stores neither, so no later set would bring them.
  Window->frameColor_ = Component->frameColor_;
  Window->centerThreshold_ = Component->centerThreshold_;
  Window->SetColor(Component->color_);
  Window->corner_ = Component->corner_;
  Window->showBalloon_ = Component->showBalloon_;
  Window->alignment_ = Component->alignment_;
  Window->bitmaps_ = &Component->bitmaps_;
  Window->OnSetHintWinSize = Component->onSetHintWinSize_;
  Window->OnSetHintRect = Component->onSetHintRect_;
  Window->SetFont(&Component->font_);
}

void TVkBalloonHints::SetAlignment(TAlignment Value) {
  alignment_ = Value;
  if (window_) window_->alignment_ = Value;
}
void TVkBalloonHints::SetCaptionWidth(int Value) {
  captionWidth_ = Value;
  if (window_) window_->captionWidth_ = Value;
}
void TVkBalloonHints::SetCenterThreshold(int Value) {
  centerThreshold_ = Value;
  if (window_) window_->centerThreshold_ = Value;
}
void TVkBalloonHints::SetColor(TColor Value) {
  color_ = Value;
  if (window_) window_->SetColor(Value);
}
void TVkBalloonHints::SetFrameColor(TColor Value) {
  frameColor_ = Value;
  if (window_) window_->frameColor_ = Value;
}
void TVkBalloonHints::SetCorner(TVkHintCorner Value) {
  corner_ = Value;
  if (window_) window_->corner_ = Value;
}
void TVkBalloonHints::SetShowBalloon(bool Value) {
  showBalloon_ = Value;
  if (window_) window_->showBalloon_ = Value;
}
void TVkBalloonHints::SetOnSetHintWinSize(TSetHintWinSizeEvent Value) {
  onSetHintWinSize_ = std::move(Value);
  if (window_) window_->OnSetHintWinSize = onSetHintWinSize_;
}
void TVkBalloonHints::SetOnSetHintRect(TSetHintRectEvent Value) {
  onSetHintRect_ = std::move(Value);
  if (window_) window_->OnSetHintRect = onSetHintRect_;
}

int TVkBalloonHints::HintPause() const { return Application()->HintPause(); }
void TVkBalloonHints::SetHintPause(int Value) { Application()->SetHintPause(Value); }
int TVkBalloonHints::HintShortPause() const { return Application()->HintShortPause(); }
void TVkBalloonHints::SetHintShortPause(int Value) { Application()->SetHintShortPause(Value); }

void TVkBalloonHints::ReadLegacyProperties(TFiler* Filer) {
  TComponent::ReadLegacyProperties(Filer);
  Filer->DefineProperty("BalloonStyle", TVkOldPropReader::SkipIdentValue);
  Filer->DefineProperty("Shadow", TVkOldPropReader::SkipBooleanValue);
}
