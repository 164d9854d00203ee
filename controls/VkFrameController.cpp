#include "controls/VkFrameController.h"

#include <algorithm>

#include "class_library/components/FormResource.h"
#include "class_library/core/SysUtils.h"
#include "class_library/components/TypeInfo.h"
#include "controls/VkOldPropReader.h"

namespace {

// Published names of the pushed values, by TVkFrameControllerProperty.
constexpr const char* kPropNames[] = {"Color",         "FocusColor",     "DisabledColor",   "ReadOnlyColor",
                                      "ReadOnlyColorOnFocus", "ParentColor", "FlatButtonColor", "FlatButtons",
                                      "FrameColor",    "FrameHotColor",  "FrameHotTrack",   "FrameHotStyle",
                                      "FrameSides",    "FrameStyle",     "FrameVisible",    "FramingPreference"};

const bool kRegistered = [] {
  using C = TVkFrameController;
  RegisterClass<C>("TVkFrameController", "TComponent")
      .Integer("Color", &C::Color, &C::SetColor, clWindow)
      .Idents(&IdentToColor)
      .Integer("DisabledColor", &C::DisabledColor, &C::SetDisabledColor, clBtnFace)
      .Idents(&IdentToColor)
      .Integer("ReadOnlyColor", &C::ReadOnlyColor, &C::SetReadOnlyColor, clInfoBk)
      .Idents(&IdentToColor)
      .Boolean("ReadOnlyColorOnFocus", &C::ReadOnlyColorOnFocus, &C::SetReadOnlyColorOnFocus, false)
      .Integer("FlatButtonColor", &C::FlatButtonColor, &C::SetFlatButtonColor, clBtnFace)
      .Idents(&IdentToColor)
      .Boolean("FlatButtons", &C::FlatButtons, &C::SetFlatButtons, true)
      .Integer("FocusColor", &C::FocusColor, &C::SetFocusColor, clWindow)
      .Idents(&IdentToColor)
      .Integer("FrameColor", &C::FrameColor, &C::SetFrameColor, clBtnShadow)
      .Idents(&IdentToColor)
      .Integer("FrameHotColor", &C::FrameHotColor, &C::SetFrameHotColor, clBtnShadow)
      .Idents(&IdentToColor)
      .Enum("FrameHotStyle", FrameStyleNames(), &C::FrameHotStyle, &C::SetFrameHotStyle, fsFlatBold)
      .Boolean("FrameHotTrack", &C::FrameHotTrack, &C::SetFrameHotTrack, false)
      .Set("FrameSides", SideNames(), &C::FrameSides, &C::SetFrameSides, kAllSides)
      .Enum("FrameStyle", FrameStyleNames(), &C::FrameStyle, &C::SetFrameStyle, fsFlat)
      .Boolean("FrameVisible", &C::FrameVisible, &C::SetFrameVisible, false)
      .Enum("FramingPreference", FramingPreferenceNames(), &C::FramingPreference, &C::SetFramingPreference, fpXPThemes)
      .Boolean("ParentColor", &C::ParentColor, &C::SetParentColor, false)
      .Component("RegIniFile", "TVkRegIniFile", &C::RegIniFile, &C::SetRegIniFile);
  return true;
}();

// Which values the control accepts.
TVkFrameControllerNotifications MaskOf(TComponent* Control) {
  const TPropInfo* p = GetPropInfo(Control, "FrameControllerNotifications");
  if (!p || !p->GetOrd) return kAllFrameControllerNotifications;
  return static_cast<TVkFrameControllerNotifications>(p->GetOrd(Control)) & kAllFrameControllerNotifications;
}

}  // namespace

const std::vector<String>& FrameControllerPropertyNames() {
  static const std::vector<String> names{"fcpColor",         "fcpFocusColor",    "fcpDisabledColor",
                                         "fcpReadOnlyColor", "fcpReadOnlyColorOnFocus", "fcpParentColor",
                                         "fcpFlatButtonColor", "fcpFlatButtons", "fcpFrameColor",
                                         "fcpFrameHotColor", "fcpFrameHotTrack", "fcpFrameHotStyle",
                                         "fcpFrameSides",    "fcpFrameStyle",    "fcpFrameVisible",
                                         "fcpFramingPreference", "fcpAll"};
  return names;
}

TVkFrameController::TVkFrameController(TComponent* AOwner) : TComponent(AOwner) { (void)kRegistered; }

TVkFrameController::~TVkFrameController() = default;

void TVkFrameController::AddControl(TControl* Control) {
  if (!Control || std::find(controls_.begin(), controls_.end(), Control) != controls_.end()) return;
  controls_.push_back(Control);
  UpdateControlFrame(Control, fcpAll);
}

void TVkFrameController::RemoveControl(TControl* Control) { std::erase(controls_, Control); }

void TVkFrameController::EndUpdate() {
  if (--updateCount_ > 0) return;
  updateCount_ = 0;
  UpdateControls(fcpAll);
}

void TVkFrameController::UpdateControls(TVkFrameControllerProperty Property) {
  if (updateCount_ > 0) return;
  // A control's handler may unregister controls: walk a copy and skip the
  // ones gone meanwhile.
  std::vector<TControl*> controls = controls_;
  for (TControl* c : controls)
    if (std::find(controls_.begin(), controls_.end(), c) != controls_.end()) UpdateControlFrame(c, Property);
}

void TVkFrameController::UpdateControlFrame(TComponent* Control, TVkFrameControllerProperty Property) {
  auto* control = dynamic_cast<TControl*>(Control);
  if (!control) return;
  if (auto* notified = dynamic_cast<IVkFrameControllerNotification*>(control)) {
    notified->FrameControllerChanged();
    return;
  }
  TVkFrameControllerNotifications mask = MaskOf(control);
  auto push = [&](TVkFrameControllerProperty p) {
    const char* name = kPropNames[p];
    const TPropInfo* target = GetPropInfo(control, name);
    if (!target || !(mask & FrameControllerBit(p)) || !target->Writable()) return;
    if (p == fcpFrameSides)
      SetSetProp(control, name, GetSetProp(this, name));
    else
      SetOrdProp(control, name, GetOrdProp(this, name));
  };
  if (Property != fcpAll) {
    push(Property);
    return;
  }
  push(fcpParentColor);
  if (!parentColor_) push(fcpColor);
  for (TVkFrameControllerProperty p :
       {fcpDisabledColor, fcpReadOnlyColor, fcpReadOnlyColorOnFocus, fcpFocusColor, fcpFlatButtonColor, fcpFlatButtons,
        fcpFrameColor, fcpFrameHotColor, fcpFrameHotTrack, fcpFrameHotStyle, fcpFrameSides, fcpFrameStyle,
        fcpFrameVisible, fcpFramingPreference})
    push(p);
}

void TVkFrameController::SetColor(TColor Value) {
  if (color_ == Value) return;
  // A focus colour that followed the colour keeps following it.
  if (focusColor_ == color_) focusColor_ = Value;
  color_ = Value;
  parentColor_ = false;
  UpdateControls(fcpColor);
}

void TVkFrameController::SetParentColor(bool Value) {
  if (!StoreChange(parentColor_, Value)) return;
  UpdateControls(fcpParentColor);
  if (!Value) UpdateControls(fcpColor);
}

void TVkFrameController::SetFlatButtonColor(TColor Value) {
  if (StoreChange(flatButtonColor_, Value)) UpdateControls(fcpFlatButtonColor);
}
void TVkFrameController::SetFlatButtons(bool Value) {
  if (StoreChange(flatButtons_, Value)) UpdateControls(fcpFlatButtons);
}
void TVkFrameController::SetDisabledColor(TColor Value) {
  if (StoreChange(disabledColor_, Value)) UpdateControls(fcpDisabledColor);
}
void TVkFrameController::SetReadOnlyColor(TColor Value) {
  if (StoreChange(readOnlyColor_, Value)) UpdateControls(fcpReadOnlyColor);
}
void TVkFrameController::SetReadOnlyColorOnFocus(bool Value) {
  if (StoreChange(readOnlyColorOnFocus_, Value)) UpdateControls(fcpReadOnlyColorOnFocus);
}
void TVkFrameController::SetFocusColor(TColor Value) {
  if (StoreChange(focusColor_, Value)) UpdateControls(fcpFocusColor);
}
void TVkFrameController::SetFrameColor(TColor Value) {
  if (StoreChange(frameColor_, Value)) UpdateControls(fcpFrameColor);
}
void TVkFrameController::SetFrameHotColor(TColor Value) {
  if (StoreChange(frameHotColor_, Value)) UpdateControls(fcpFrameHotColor);
}

void TVkFrameController::SetFrameHotTrack(bool Value) {
  if (!StoreChange(frameHotTrack_, Value)) return;
  if (Value) {
    SetFrameVisible(true);
    if (!ComponentState().Contains(csLoading)) frameSides_ = kAllSides;
  }
  UpdateControls(fcpFrameHotTrack);
}

void TVkFrameController::SetFrameHotStyle(TFrameStyle Value) {
  if (StoreChange(frameHotStyle_, ToFrameStyle(Value))) UpdateControls(fcpFrameHotStyle);
}
void TVkFrameController::SetFrameSides(TSides Value) {
  if (StoreChange(frameSides_, Value & kAllSides)) UpdateControls(fcpFrameSides);
}
void TVkFrameController::SetFrameStyle(TFrameStyle Value) {
  if (StoreChange(frameStyle_, ToFrameStyle(Value))) UpdateControls(fcpFrameStyle);
}
void TVkFrameController::SetFrameVisible(bool Value) {
  if (StoreChange(frameVisible_, Value)) UpdateControls(fcpFrameVisible);
}
void TVkFrameController::SetFramingPreference(TFramingPreference Value) {
  if (StoreChange(framingPreference_, Value)) UpdateControls(fcpFramingPreference);
}

void TVkFrameController::SetRegIniFile(TVkRegIniFile* Value) {
  if (regIniFile_ == Value) return;
  if (regIniFile_) regIniFile_->RemoveFreeNotification(this);
  regIniFile_ = Value;
  if (regIniFile_) regIniFile_->FreeNotification(this);
}

void TVkFrameController::Assign(TPersistent* Source) {
  auto* other = dynamic_cast<TVkFrameController*>(Source);
  if (!other) {
    TComponent::Assign(Source);
    return;
  }
  BeginUpdate();
  color_ = other->color_;
  parentColor_ = other->parentColor_;
  flatButtonColor_ = other->flatButtonColor_;
  flatButtons_ = other->flatButtons_;
  disabledColor_ = other->disabledColor_;
  readOnlyColor_ = other->readOnlyColor_;
  readOnlyColorOnFocus_ = other->readOnlyColorOnFocus_;
  focusColor_ = other->focusColor_;
  frameColor_ = other->frameColor_;
  frameHotColor_ = other->frameHotColor_;
  frameHotTrack_ = other->frameHotTrack_;
  frameHotStyle_ = other->frameHotStyle_;
  frameSides_ = other->frameSides_;
  frameStyle_ = other->frameStyle_;
  frameVisible_ = other->frameVisible_;
  framingPreference_ = other->framingPreference_;
  EndUpdate();
}

void TVkFrameController::FinishLoading() {
  TComponent::FinishLoading();
  UpdateControls(fcpAll);
}

void TVkFrameController::ComponentNotification(TComponent* AComponent, TOperation Operation) {
  TComponent::ComponentNotification(AComponent, Operation);
  if (Operation != opRemove) return;
  if (AComponent == regIniFile_) regIniFile_ = nullptr;
  // A registered control that goes away without unregistering is not
  // reached afterwards.
  if (auto* control = dynamic_cast<TControl*>(AComponent)) RemoveControl(control);
}

void TVkFrameController::ReadLegacyProperties(TFiler* Filer) {
  TComponent::ReadLegacyProperties(Filer);
  Filer->DefineProperty("FrameFlat", [this](TReader& Reader) {
    frameHotTrack_ = Reader.ReadBoolean();
    if (frameHotTrack_) {
      frameStyle_ = fsStatus;
      frameHotStyle_ = fsLowered;
    }
  });
  Filer->DefineProperty("FrameFocusStyle", [this](TReader& Reader) {
    // A name that is no frame style is ignored.
    String name = Reader.ReadIdent();
    const std::vector<String>& names = FrameStyleNames();
    for (std::size_t i = 0; i < names.size(); ++i)
      if (CompareText(names[i], name) == 0) frameHotStyle_ = static_cast<TFrameStyle>(i);
  });
  Filer->DefineProperty("FrameFlatStyle", TVkOldPropReader::SkipIdentValue);
}
