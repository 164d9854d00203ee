// The frame controller reaching its controls: by published properties under
// each control's mask, or through the notification interface.
#include "class_library/components/FormResource.h"
#include "class_library/components/TypeInfo.h"
#include "class_library/visual/tests/VisualTest.h"
#include "controls/VkFrameController.h"

namespace {

// A framed control as the controller sees it: published properties of the
// controller's names, and a FrameControllerNotifications mask.
class TFramedProbe : public TGraphicControl {
public:
  explicit TFramedProbe(TComponent* AOwner) : TGraphicControl(AOwner) {}
  ~TFramedProbe() override { SetFrameController(nullptr); }
  String ClassName() const override { return "TFramedProbe"; }

  TVkFrameController* FrameController() const { return controller_; }
  void SetFrameController(TVkFrameController* Value) {
    if (controller_) controller_->RemoveControl(this);
    controller_ = Value;
    if (controller_) {
      controller_->AddControl(this);
      controller_->FreeNotification(this);
    }
  }
  void ComponentNotification(TComponent* AComponent, TOperation Operation) override {
    TGraphicControl::ComponentNotification(AComponent, Operation);
    if (Operation == opRemove && AComponent == controller_) controller_ = nullptr;
  }
  TColor FocusColor() const { return focusColor; }
  void SetFocusColor(TColor v) { focusColor = v, log.push_back("FocusColor"); }
  TColor FrameColor() const { return frameColor; }
  void SetFrameColor(TColor v) { frameColor = v, log.push_back("FrameColor"); }
  TSides FrameSides() const { return frameSides; }
  void SetFrameSides(TSides v) { frameSides = v, log.push_back("FrameSides"); }
  TFrameStyle FrameStyle() const { return frameStyle; }
  void SetFrameStyle(TFrameStyle v) { frameStyle = v, log.push_back("FrameStyle"); }
  TVkFrameControllerNotifications Notifications() const { return notifications; }
  void SetNotifications(TVkFrameControllerNotifications v) { notifications = v; }

  TColor focusColor = clWindow, frameColor = clBlack;
  TSides frameSides = 0;
  TFrameStyle frameStyle = fsNone;
  TVkFrameControllerNotifications notifications = kAllFrameControllerNotifications;
  std::vector<String> log;

private:
  TVkFrameController* controller_ = nullptr;
};

// The same without a mask.
class TPlainProbe : public TFramedProbe {
public:
  using TFramedProbe::TFramedProbe;
  String ClassName() const override { return "TPlainProbe"; }
};

// A control that reads the controller itself.
class TNotifiedProbe : public TGraphicControl, public IVkFrameControllerNotification {
public:
  explicit TNotifiedProbe(TComponent* AOwner) : TGraphicControl(AOwner) {}
  String ClassName() const override { return "TNotifiedProbe"; }
  void FrameControllerChanged() override { ++changes; }
  int changes = 0;
};

const bool kRegistered = [] {
  RegisterClass<TFramedProbe>("TFramedProbe", "TGraphicControl")
      .Integer("FocusColor", &TFramedProbe::FocusColor, &TFramedProbe::SetFocusColor)
      .Integer("FrameColor", &TFramedProbe::FrameColor, &TFramedProbe::SetFrameColor)
      .Set("FrameSides", SideNames(), &TFramedProbe::FrameSides, &TFramedProbe::SetFrameSides)
      .Enum("FrameStyle", FrameStyleNames(), &TFramedProbe::FrameStyle, &TFramedProbe::SetFrameStyle)
      .Set("FrameControllerNotifications",
           std::vector<String>(FrameControllerPropertyNames().begin(), FrameControllerPropertyNames().end() - 1),
           &TFramedProbe::Notifications, &TFramedProbe::SetNotifications)
      .Component("FrameController", "TVkFrameController", &TFramedProbe::FrameController,
                 &TFramedProbe::SetFrameController);
  RegisterClass<TPlainProbe>("TPlainProbe", "TGraphicControl")
      .Integer("FocusColor", &TFramedProbe::FocusColor, &TFramedProbe::SetFocusColor)
      .Integer("FrameColor", &TFramedProbe::FrameColor, &TFramedProbe::SetFrameColor)
      .Component("FrameController", "TVkFrameController", &TFramedProbe::FrameController,
                 &TFramedProbe::SetFrameController);
  RegisterClass<TNotifiedProbe>("TNotifiedProbe", "TGraphicControl");
  return true;
}();

TEST(FrameController, RegistrationPushesEverythingOnceAndChangesPushOneValue) {
  TVkFrameController fc(nullptr);
  fc.SetFrameColor(clRed);
  fc.SetFrameSides(SideBit(sdLeft) | SideBit(sdBottom));
  TFramedProbe probe(nullptr);
  probe.SetFrameController(&fc);
  probe.SetFrameController(&fc);
  fc.AddControl(&probe);
  EXPECT_EQ(fc.Controls().size(), 1u) << "held once";
  EXPECT_EQ(probe.frameColor, clRed);
  EXPECT_EQ(probe.frameSides, SideBit(sdLeft) | SideBit(sdBottom));
  EXPECT_EQ(probe.frameStyle, fsFlat);
  EXPECT_EQ(probe.Color(), clWindow);
  probe.log.clear();
  fc.SetFrameStyle(fsLowered);
  fc.SetFrameStyle(fsLowered);
  EXPECT_EQ(probe.log, (std::vector<String>{"FrameStyle"})) << "an unchanged value pushes nothing";
  EXPECT_EQ(probe.frameStyle, fsLowered);
}

TEST(FrameController, MaskKeepsTheControlsOwnValuesAndNoMaskTakesAll) {
  TVkFrameController fc(nullptr);
  TFramedProbe masked(nullptr);
  masked.notifications = kAllFrameControllerNotifications & ~FrameControllerBit(fcpFrameColor);
  TPlainProbe plain(nullptr);
  masked.SetFrameController(&fc);
  plain.SetFrameController(&fc);
  fc.SetFrameColor(clLime);
  EXPECT_EQ(masked.frameColor, clBlack);
  EXPECT_EQ(plain.frameColor, clLime);
}

TEST(FrameController, UpdatesAreHeldUntilTheLastEndUpdate) {
  TVkFrameController fc(nullptr);
  TNotifiedProbe notified(nullptr);
  fc.AddControl(&notified);
  EXPECT_EQ(notified.changes, 1);
  fc.BeginUpdate();
  fc.BeginUpdate();
  fc.SetFrameColor(clRed);
  fc.EndUpdate();
  EXPECT_EQ(notified.changes, 1);
  fc.EndUpdate();
  EXPECT_EQ(notified.changes, 2);
  fc.EndUpdate();
  EXPECT_EQ(notified.changes, 3) << "the count stays at 0 and pushes again";
  EXPECT_EQ(fc.UpdateCount(), 0);
}

TEST(FrameController, ColourCarriesAFollowingFocusColourAndParentColourHoldsItBack) {
  TVkFrameController fc(nullptr);
  TFramedProbe probe(nullptr);
  probe.SetFrameController(&fc);
  probe.log.clear();
  fc.SetColor(clYellow);
  EXPECT_EQ(fc.FocusColor(), clYellow);
  EXPECT_EQ(probe.Color(), clYellow);
  EXPECT_TRUE(probe.log.empty()) << "only the colour is pushed";
  fc.SetParentColor(true);
  EXPECT_TRUE(probe.ParentColor());
  probe.SetColor(clAqua);
  fc.UpdateControls(fcpAll);
  EXPECT_EQ(probe.Color(), clAqua) << "with ParentColor the control's colour is left alone";
  fc.SetParentColor(false);
  EXPECT_EQ(probe.Color(), clYellow);
  fc.SetFocusColor(clRed);
  fc.SetColor(clBlue);
  EXPECT_EQ(fc.FocusColor(), clRed) << "a focus colour of its own stays";
}

TEST(FrameController, HotTrackMakesTheFrameVisibleOnAllSides) {
  TVkFrameController fc(nullptr);
  fc.SetFrameSides(SideBit(sdTop));
  fc.SetFrameHotTrack(true);
  EXPECT_TRUE(fc.FrameVisible());
  EXPECT_EQ(fc.FrameSides(), kAllSides);
}

TEST(FrameController, AssignCopiesInOnePush) {
  TVkFrameController a(nullptr), b(nullptr);
  a.SetFrameColor(clMaroon);
  a.SetFrameStyle(fsGroove);
  TNotifiedProbe notified(nullptr);
  b.AddControl(&notified);
  b.Assign(&a);
  EXPECT_EQ(b.FrameColor(), clMaroon);
  EXPECT_EQ(b.FrameStyle(), fsGroove);
  EXPECT_EQ(notified.changes, 2);
}

TEST(FrameController, AControlOrSettingsGoneAreNotReachedAfterwards) {
  TVkFrameController fc(nullptr);
  auto* probe = new TFramedProbe(nullptr);
  probe->SetFrameController(&fc);
  delete probe;
  EXPECT_TRUE(fc.Controls().empty());
  fc.SetFrameColor(clRed);  // would reach the freed control
  auto* settings = new TVkRegIniFile(nullptr);
  fc.SetRegIniFile(settings);
  delete settings;
  EXPECT_EQ(fc.RegIniFile(), nullptr);
  // The controller going first: the control forgets it.
  TFramedProbe survivor(nullptr);
  {
    TVkFrameController gone(nullptr);
    survivor.SetFrameController(&gone);
  }
  EXPECT_EQ(survivor.FrameController(), nullptr);
}

class TFramedForm : public TDataModule {
public:
  using TDataModule::TDataModule;
  String ClassName() const override { return "TFramedForm"; }
};

TEST(FrameController, OldStoredNamesLoadAndTheControlsGetTheValues) {
  RegisterClass<TFramedForm>("TFramedForm", "TDataModule");
  TFramedForm root(nullptr);
  ReadComponentResource(&root, R"(object Root: TFramedForm
  object Frames: TVkFrameController
    FrameFlat = True
    FrameFlatStyle = fsBump
    FrameColor = clNavy
  end
  object Probe: TFramedProbe
    FrameController = Frames
  end
  object Other: TVkFrameController
    FrameFocusStyle = fsRaised
  end
  object Odd: TVkFrameController
    FrameFocusStyle = fsNoSuchStyle
  end
end
)");
  auto* fc = dynamic_cast<TVkFrameController*>(root.FindComponent("Frames"));
  auto* probe = dynamic_cast<TFramedProbe*>(root.FindComponent("Probe"));
  ASSERT_TRUE(fc && probe);
  EXPECT_TRUE(fc->FrameHotTrack());
  EXPECT_EQ(fc->FrameStyle(), fsStatus);
  EXPECT_EQ(fc->FrameHotStyle(), fsLowered);
  EXPECT_EQ(probe->frameStyle, fsStatus);
  EXPECT_EQ(probe->frameColor, clNavy);
  EXPECT_EQ(dynamic_cast<TVkFrameController*>(root.FindComponent("Other"))->FrameHotStyle(), fsRaised);
  EXPECT_EQ(dynamic_cast<TVkFrameController*>(root.FindComponent("Odd"))->FrameHotStyle(), fsFlatBold);
}

}  // namespace
