#pragma once
// The frame controller: one set of frame and colour settings that it pushes
// to every control naming it in its FrameController property, so that a
// form's framed controls share one look and can be restyled in one place.
//
// A control that implements IVkFrameControllerNotification reads the values
// itself when told; any other control gets them through its published
// properties of the same names, limited by its published
// FrameControllerNotifications mask (all values when it publishes none).
#include <vector>

#include "class_library/visual/Controls.h"
#include "controls/VkRegIniFile.h"
#include "controls/VkTypes.h"

enum TVkFrameControllerProperty {
  fcpColor,
  fcpFocusColor,
  fcpDisabledColor,
  fcpReadOnlyColor,
  fcpReadOnlyColorOnFocus,
  fcpParentColor,
  fcpFlatButtonColor,
  fcpFlatButtons,
  fcpFrameColor,
  fcpFrameHotColor,
  fcpFrameHotTrack,
  fcpFrameHotStyle,
  fcpFrameSides,
  fcpFrameStyle,
  fcpFrameVisible,
  fcpFramingPreference,
  fcpAll
};
// Bit n: the value of ordinal n (bits 0..15).
using TVkFrameControllerNotifications = unsigned;
constexpr TVkFrameControllerNotifications kAllFrameControllerNotifications = 0xFFFF;
constexpr TVkFrameControllerNotifications FrameControllerBit(TVkFrameControllerProperty P) { return 1u << P; }
// The stored names, for the controls' published FrameControllerNotifications.
const std::vector<String>& FrameControllerPropertyNames();

class IVkFrameControllerNotification {
public:
  virtual ~IVkFrameControllerNotification() = default;
  virtual void FrameControllerChanged() = 0;
};

class TVkFrameController : public TComponent {
public:
  explicit TVkFrameController(TComponent* AOwner);
  ~TVkFrameController() override;
  String ClassName() const override { return "TVkFrameController"; }

  // Registers a control (once) and pushes every value to it.
  void AddControl(TControl* Control);
  // Forgets a control; unknown ones are ignored.
  void RemoveControl(TControl* Control);
  const std::vector<TControl*>& Controls() const { return controls_; }

  // Pushes are held back between BeginUpdate and the matching EndUpdate,
  // which pushes everything (the count never goes below 0).
  void BeginUpdate() { ++updateCount_; }
  void EndUpdate();
  int UpdateCount() const { return updateCount_; }

  // Pushes one value (or fcpAll) to every registered control.
  virtual void UpdateControls(TVkFrameControllerProperty Property);
  // Pushes one value (or fcpAll) to one control.
  virtual void UpdateControlFrame(TComponent* Control, TVkFrameControllerProperty Property);

  TColor Color() const { return color_; }
  virtual void SetColor(TColor Value);
  bool ParentColor() const { return parentColor_; }
  virtual void SetParentColor(bool Value);
  TColor FlatButtonColor() const { return flatButtonColor_; }
  virtual void SetFlatButtonColor(TColor Value);
  bool FlatButtons() const { return flatButtons_; }
  virtual void SetFlatButtons(bool Value);
  TColor DisabledColor() const { return disabledColor_; }
  virtual void SetDisabledColor(TColor Value);
  TColor ReadOnlyColor() const { return readOnlyColor_; }
  virtual void SetReadOnlyColor(TColor Value);
  bool ReadOnlyColorOnFocus() const { return readOnlyColorOnFocus_; }
  virtual void SetReadOnlyColorOnFocus(bool Value);
  TColor FocusColor() const { return focusColor_; }
  virtual void SetFocusColor(TColor Value);
  TColor FrameColor() const { return frameColor_; }
  virtual void SetFrameColor(TColor Value);
  TColor FrameHotColor() const { return frameHotColor_; }
  virtual void SetFrameHotColor(TColor Value);
  bool FrameHotTrack() const { return frameHotTrack_; }
  virtual void SetFrameHotTrack(bool Value);
  TFrameStyle FrameHotStyle() const { return frameHotStyle_; }
  virtual void SetFrameHotStyle(TFrameStyle Value);
  TSides FrameSides() const { return frameSides_; }
  virtual void SetFrameSides(TSides Value);
  TFrameStyle FrameStyle() const { return frameStyle_; }
  virtual void SetFrameStyle(TFrameStyle Value);
  bool FrameVisible() const { return frameVisible_; }
  virtual void SetFrameVisible(bool Value);
  TFramingPreference FramingPreference() const { return framingPreference_; }
  virtual void SetFramingPreference(TFramingPreference Value);
  TVkRegIniFile* RegIniFile() const { return regIniFile_; }
  virtual void SetRegIniFile(TVkRegIniFile* Value);

  // Copies the sixteen pushed values of another controller (one push).
  void Assign(TPersistent* Source) override;
  void FinishLoading() override;
  void ComponentNotification(TComponent* AComponent, TOperation Operation) override;
  // "FrameFlat", "FrameFocusStyle" and "FrameFlatStyle" of older forms.
  void ReadLegacyProperties(TFiler* Filer) override;

private:
  TColor color_ = clWindow;
  bool parentColor_ = false;
  TColor flatButtonColor_ = clBtnFace;
  bool flatButtons_ = true;
  TColor disabledColor_ = clBtnFace;
  TColor readOnlyColor_ = clInfoBk;
  bool readOnlyColorOnFocus_ = false;
  TColor focusColor_ = clWindow;
  TColor frameColor_ = clBtnShadow;
  TColor frameHotColor_ = clBtnShadow;
  bool frameHotTrack_ = false;
  TFrameStyle frameHotStyle_ = fsFlatBold;
  TSides frameSides_ = kAllSides;
  TFrameStyle frameStyle_ = fsFlat;
  bool frameVisible_ = false;
  TFramingPreference framingPreference_ = fpXPThemes;
  TVkRegIniFile* regIniFile_ = nullptr;
  int updateCount_ = 0;
  std::vector<TControl*> controls_;  // not owned
};
