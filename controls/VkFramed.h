#pragma once
// The framing and colour set that the framed edit, memo and list box share:
// an optional flat frame painted over the standard border (in the window's
// non-client area), hot tracking of that frame, and a background colour that
// follows the control's state (disabled, focused, read-only). A frame
// controller drives the set through the published properties of the same
// names.
//
// TVkFramed<Base> adds the set to a window control class; it is
// instantiated for the masked edit, the memo and the list box.
#include <memory>

#include "class_library/visual/Controls.h"
#include "controls/VkFrameLink.h"
#include "controls/VkTypes.h"

template <class Base>
class TVkFramed : public Base {
public:
  explicit TVkFramed(TComponent* AOwner);
  ~TVkFramed() override;

  TColor DisabledColor() const { return disabledColor_; }
  virtual void SetDisabledColor(TColor Value);
  TColor FocusColor() const { return focusColor_; }
  virtual void SetFocusColor(TColor Value);
  TColor ReadOnlyColor() const { return readOnlyColor_; }
  virtual void SetReadOnlyColor(TColor Value);
  bool ReadOnlyColorOnFocus() const { return readOnlyColorOnFocus_; }
  void SetReadOnlyColorOnFocus(bool Value);
  TColor FrameColor() const { return frameColor_; }
  virtual void SetFrameColor(TColor Value);
  TColor FrameHotColor() const { return frameHotColor_; }
  virtual void SetFrameHotColor(TColor Value);
  TFrameStyle FrameHotStyle() const { return frameHotStyle_; }
  virtual void SetFrameHotStyle(TFrameStyle Value);
  bool FrameHotTrack() const { return frameHotTrack_; }
  virtual void SetFrameHotTrack(bool Value);
  TSides FrameSides() const { return frameSides_; }
  virtual void SetFrameSides(TSides Value);
  TFrameStyle FrameStyle() const { return frameStyle_; }
  virtual void SetFrameStyle(TFrameStyle Value);
  bool FrameVisible() const { return frameVisible_; }
  virtual void SetFrameVisible(bool Value);
  TFramingPreference FramingPreference() const { return framingPreference_; }
  virtual void SetFramingPreference(TFramingPreference Value);
  TVkFrameController* FrameController() const { return frameLink_.Controller(); }
  void SetFrameController(TVkFrameController* Value) { frameLink_.SetController(Value); }
  TVkFrameControllerNotifications FrameControllerNotifications() const { return frameLink_.Mask; }
  void SetFrameControllerNotifications(TVkFrameControllerNotifications Value) { frameLink_.Mask = Value; }
  bool TabOnEnter() const { return tabOnEnter_; }
  void SetTabOnEnter(bool Value) { tabOnEnter_ = Value; }

  // The colour shown when neither disabled, focused nor read-only.
  TColor NormalColor() const { return normalColor_; }
  bool MouseOver() const { return mouseOver_; }
  // The hot frame shows now (hot tracking, and focused or under the mouse).
  bool FrameIsHot();

  virtual void UpdateColors();
  virtual void UpdateFrame(bool MouseFlag, bool Value);
  virtual void RepaintFrame();
  // The visual styles draw the border themselves.
  virtual bool UsingSystemStyle() const;

  void FinishLoading() override;
  void ReadLegacyProperties(TFiler* Filer) override;
  void ComponentNotification(TComponent* AComponent, TOperation Operation) override;

protected:
  // Whether the read-only colours apply (the list box has none).
  virtual bool FramingReadOnly() { return false; }
  // The rectangle RepaintFrame asks to repaint.
  virtual TRect FrameRepaintRect() { return this->ClientRect(); }
  // Enter with TabOnEnter: the key is swallowed and a Tab posted instead.
  bool HandleEnterAsTab(char& Key);

  void CMColorChanged(TMessage& Message) override;
  void CMParentColorChanged(TMessage& Message) override;
  void CMEnabledChanged(TMessage& Message) override;
  void CMEnter(TMessage& Message) override;
  void CMExit(TMessage& Message) override;
  void CMMouseEnter(TMessage& Message) override;
  void CMMouseLeave(TMessage& Message) override;
  void WMNCPaint(TMessage& Message) override;
  void WMSize(TMessage& Message) override;

  bool focusFlag_ = false;

private:
  void FollowColor();

  TColor disabledColor_ = clBtnFace;
  TColor focusColor_ = clWindow;
  TColor readOnlyColor_ = clInfoBk;
  bool readOnlyColorOnFocus_ = false;
  TColor frameColor_ = clBtnShadow;
  TColor frameHotColor_ = clBtnShadow;
  TFrameStyle frameHotStyle_ = fsFlatBold;
  bool frameHotTrack_ = false;
  TSides frameSides_ = kAllSides;
  TFrameStyle frameStyle_ = fsFlat;
  bool frameVisible_ = false;
  TFramingPreference framingPreference_ = fpXPThemes;
  TVkFrameLink frameLink_{this};
  bool tabOnEnter_ = false;
  TColor normalColor_ = clWindow;
  bool updatingColor_ = false;
  bool mouseOver_ = false;
  std::unique_ptr<TCanvas> frameCanvas_;
};

// Registers the set's published properties for class T (a TVkFramed).
// WithReadOnly adds ReadOnlyColor and ReadOnlyColorOnFocus.
template <class T, class Registration>
void RegisterFramingProperties(Registration& R, bool WithReadOnly) {
  R.Integer("DisabledColor", &T::DisabledColor, [](T& c, TColor v) { c.SetDisabledColor(v); }, clBtnFace)
      .Idents(&IdentToColor)
      .Integer("FocusColor", &T::FocusColor, [](T& c, TColor v) { c.SetFocusColor(v); }, clWindow)
      .Idents(&IdentToColor)
      .Integer("FrameColor", &T::FrameColor, [](T& c, TColor v) { c.SetFrameColor(v); }, clBtnShadow)
      .Idents(&IdentToColor)
      .Integer("FrameHotColor", &T::FrameHotColor, [](T& c, TColor v) { c.SetFrameHotColor(v); }, clBtnShadow)
      .Idents(&IdentToColor)
      .Enum("FrameHotStyle", FrameStyleNames(), &T::FrameHotStyle, [](T& c, TFrameStyle v) { c.SetFrameHotStyle(v); },
            fsFlatBold)
      .Boolean("FrameHotTrack", &T::FrameHotTrack, [](T& c, bool v) { c.SetFrameHotTrack(v); }, false)
      .Set("FrameSides", SideNames(), &T::FrameSides, [](T& c, TSides v) { c.SetFrameSides(v); }, kAllSides)
      .Enum("FrameStyle", FrameStyleNames(), &T::FrameStyle, [](T& c, TFrameStyle v) { c.SetFrameStyle(v); }, fsFlat)
      .Boolean("FrameVisible", &T::FrameVisible, [](T& c, bool v) { c.SetFrameVisible(v); }, false)
      .Enum("FramingPreference", FramingPreferenceNames(), &T::FramingPreference,
            [](T& c, TFramingPreference v) { c.SetFramingPreference(v); }, fpXPThemes)
      .Component("FrameController", "TVkFrameController", &T::FrameController,
                 [](T& c, TVkFrameController* v) { c.SetFrameController(v); })
      .Set("FrameControllerNotifications", FrameControllerPropertyNames(), &T::FrameControllerNotifications,
           &T::SetFrameControllerNotifications, kAllFrameControllerNotifications)
      .Boolean("TabOnEnter", &T::TabOnEnter, &T::SetTabOnEnter, false);
  if (WithReadOnly) {
    R.Integer("ReadOnlyColor", &T::ReadOnlyColor, [](T& c, TColor v) { c.SetReadOnlyColor(v); }, clInfoBk)
        .Idents(&IdentToColor)
        .Boolean("ReadOnlyColorOnFocus", &T::ReadOnlyColorOnFocus, &T::SetReadOnlyColorOnFocus, false);
  }
}
