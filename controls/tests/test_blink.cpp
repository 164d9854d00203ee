// The blink scheduler driven tick by tick (a manual clock) and once by the
// loop's timer.
#include <memory>

#include "controls/VkBlink.h"
#include "class_library/visual/tests/VisualTest.h"

namespace {

// A control that answers the blink query and records the phases it is told.
class Blinker : public TGraphicControl {
public:
  explicit Blinker(bool Blinking) : TGraphicControl(nullptr), blinking(Blinking) {
    WindowProc = [this](TMessage& m) {
      if (m.Msg == CM_BLINKQUERY) {
        ++queries;
        m.Result = blinking ? 1 : 0;
      } else if (m.Msg == CM_BLINK) {
        phases.push_back(static_cast<int>(m.WParam));
        if (onBlink) onBlink();
      } else {
        WindowProcedure(m);
      }
    };
    RegisterBlinkingControl(this);
  }
  ~Blinker() override { UnregisterBlinkingControl(this); }
  bool blinking;
  int queries = 0;
  std::vector<int> phases;
  std::function<void()> onBlink;
};

class Blink : public ::testing::Test {
protected:
  void TearDown() override {
    vistest::Pump();
    EXPECT_EQ(BlinkingControls(), nullptr) << "the scheduler goes with the last control";
  }
};

TEST_F(Blink, ControlsBlinkInStepAndIdleOnesAreOnlyAsked) {
  auto a = std::make_unique<Blinker>(true), b = std::make_unique<Blinker>(true), idle = std::make_unique<Blinker>(false);
  TVkBlinkingControlsList* s = BlinkingControls();
  ASSERT_NE(s, nullptr);
  EXPECT_EQ(s->BlinkPhase(), 1);
  EXPECT_EQ(s->IntervalOn(), 500);
  EXPECT_EQ(s->IntervalOff(), 500);
  EXPECT_TRUE(s->Timer()->Enabled());
  s->Tick();
  s->Tick();
  s->Tick();
  EXPECT_EQ(a->phases, (std::vector<int>{0, 1, 0}));
  EXPECT_EQ(b->phases, a->phases);
  EXPECT_EQ(idle->queries, 3);
  EXPECT_TRUE(idle->phases.empty());
}

TEST_F(Blink, EachControlIsHeldOnceAndOnlyRegisteredOnesAreRemoved) {
  auto a = std::make_unique<Blinker>(true), b = std::make_unique<Blinker>(true);
  TVkBlinkingControlsList* s = BlinkingControls();
  s->AddControl(a.get());
  EXPECT_EQ(s->Count(), 2);
  s->Tick();
  EXPECT_EQ(a->phases.size(), 1u) << "told once per tick";
  Blinker* stranger = nullptr;
  {
    TGraphicControl never(nullptr);
    s->RemoveControl(&never);
    s->RemoveControl(stranger);
  }
  EXPECT_EQ(s->Count(), 2) << "removing an unknown control leaves the last one registered";
  EXPECT_TRUE(s->Contains(b.get()));
}

TEST_F(Blink, AControlFreedDuringATickIsNotReachedAndTheOthersAre) {
  auto a = std::make_unique<Blinker>(true);
  auto b = std::make_unique<Blinker>(true);
  auto c = std::make_unique<Blinker>(true);
  a->onBlink = [&] { b.reset(); };  // its destructor unregisters it
  // A control registered during the walk waits for the next tick.
  std::unique_ptr<Blinker> late;
  c->onBlink = [&] {
    if (!late) late = std::make_unique<Blinker>(true);
  };
  BlinkingControls()->Tick();
  EXPECT_EQ(b, nullptr);
  EXPECT_EQ(c->phases, (std::vector<int>{0}));
  ASSERT_NE(late, nullptr);
  EXPECT_TRUE(late->phases.empty());
  EXPECT_EQ(BlinkingControls()->Count(), 3);
  BlinkingControls()->Tick();
  EXPECT_EQ(late->phases, (std::vector<int>{1}));
  EXPECT_EQ(c->phases, (std::vector<int>{0, 1}));
}

TEST_F(Blink, TheLastControlFreedDuringATickReleasesTheSchedulerAfterwards) {
  auto a = std::make_unique<Blinker>(true);
  a->onBlink = [&] { a.reset(); };
  TVkBlinkingControlsList* s = BlinkingControls();
  s->Tick();
  EXPECT_EQ(BlinkingControls(), s) << "not freed inside its own tick";
  EXPECT_EQ(s->Count(), 0);
  vistest::Pump();
  EXPECT_EQ(BlinkingControls(), nullptr);
  // A new control starts a new scheduler from the beginning.
  auto b = std::make_unique<Blinker>(true);
  ASSERT_NE(BlinkingControls(), nullptr);
  EXPECT_EQ(BlinkingControls()->BlinkPhase(), 1);
  EXPECT_EQ(BlinkingControls()->IntervalOn(), 500);
}

TEST_F(Blink, IntervalChangesTakeEffectAtTheNextPhaseAndZeroDoesNotStopIt) {
  auto a = std::make_unique<Blinker>(true);
  TVkBlinkingControlsList* s = BlinkingControls();
  s->SetIntervalOn(200);
  s->SetIntervalOff(0);
  EXPECT_EQ(s->Timer()->Interval(), 500u) << "the running phase keeps its length";
  s->Tick();  // to the off phase
  EXPECT_EQ(s->IntervalOff(), 1);
  EXPECT_EQ(s->Timer()->Interval(), 1u);
  EXPECT_TRUE(s->Timer()->Enabled());
  s->Tick();  // to the on phase
  EXPECT_EQ(s->Timer()->Interval(), 200u);
  s->SetIntervalOff(300);
  s->Tick();
  EXPECT_EQ(s->Timer()->Interval(), 300u);
  EXPECT_EQ(a->phases, (std::vector<int>{0, 1, 0}));
}

TEST_F(Blink, TheLoopsTimerDrivesThePhases) {
  auto a = std::make_unique<Blinker>(true);
  BlinkingControls()->SetIntervalOn(10);
  BlinkingControls()->SetIntervalOff(10);
  BlinkingControls()->Timer()->SetInterval(10);
  EXPECT_TRUE(vistest::PumpUntil([&] { return a->phases.size() >= 4; }));
  EXPECT_EQ(a->phases[0], 0);
  EXPECT_EQ(a->phases[1], 1);
}

}  // namespace
