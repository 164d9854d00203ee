// Speed of the common drawing routines and of the blink scheduler's tick.
// Targets: a 1920 x 32 gradient strip at 20,000 per second or more; a frame
// with all sides at 200,000 per second or more; a blink tick over 1,000
// controls under 1 ms. TW_BENCH_SMOKE=1 runs each case briefly.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "class_library/loop/Application.h"
#include "class_library/visual/Bitmap.h"
#include "class_library/visual/VisualApplication.h"
#include "controls/VkBlink.h"
#include "controls/VkDraw.h"
#include "platform/gui/TestSupport.h"
#include "platform/system/bench/BenchMain.h"

namespace {

void StartWindowLayer() {
  static bool started = [] {
    gui::test::UseTestEnvironment();
    Application()->Initialize();
    visual::EnsureVisualApplication();
    return true;
  }();
  (void)started;
}

void BM_PaintGradientStrip(benchmark::State& state) {
  StartWindowLayer();
  TBitmap target;
  target.SetSize(1920, 32);
  auto direction = static_cast<TGradientDirection>(state.range(0));
  for (auto _ : state) PaintGradient(target.Canvas(), Rect(0, 0, 1920, 32), direction, clNavy, 0x80E0FF, 1);
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_PaintGradientStrip)->DenseRange(gdDiagonalUp, gdBigSquareBox);

void BM_FrameAllSides(benchmark::State& state) {
  StartWindowLayer();
  TBitmap target;
  target.SetSize(120, 24);
  auto style = static_cast<TFrameStyleEx>(state.range(0));
  for (auto _ : state) benchmark::DoNotOptimize(PaintFrameStyle(target.Canvas(), Rect(0, 0, 120, 24), style, kAllSides));
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_FrameAllSides)->Arg(fsFlat)->Arg(fsLowered)->Arg(fsGroove);

class Blinker : public TGraphicControl {
public:
  Blinker() : TGraphicControl(nullptr) {
    WindowProc = [this](TMessage& m) {
      if (m.Msg == CM_BLINKQUERY)
        m.Result = 1;
      else if (m.Msg == CM_BLINK)
        phase = static_cast<int>(m.WParam);
      else
        WindowProcedure(m);
    };
  }
  int phase = 0;
};

void BM_BlinkTick1000(benchmark::State& state) {
  StartWindowLayer();
  std::vector<std::unique_ptr<Blinker>> controls;
  for (int i = 0; i < 1000; ++i) {
    controls.push_back(std::make_unique<Blinker>());
    RegisterBlinkingControl(controls.back().get());
  }
  for (auto _ : state) BlinkingControls()->Tick();
  for (auto& c : controls) UnregisterBlinkingControl(c.get());
}
BENCHMARK(BM_BlinkTick1000)->Unit(benchmark::kMicrosecond);

}  // namespace

int main(int argc, char** argv) {
  sys::bench::RunBenchmarks(argc, argv);
  visual::ShutdownWindowLayer();
  return 0;
}
