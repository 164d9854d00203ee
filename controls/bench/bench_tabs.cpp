// Speed of the tab control with 200 tabs: the layout, a full repaint, and a
// hot-tracked mouse move, which repaints only the tabs whose look it changes.
#include <benchmark/benchmark.h>

#include <memory>
#include <string>

#include "class_library/loop/Application.h"
#include "class_library/visual/Forms.h"
#include "class_library/visual/VisualApplication.h"
#include "controls/VkTabs.h"
#include "platform/gui/TestSupport.h"

namespace {

void StartTabsBench() {
  static const bool started = [] {
    gui::test::UseTestEnvironment();
    Application()->Initialize();
    visual::EnsureVisualApplication();
    return true;
  }();
  (void)started;
}

class TBenchTabs : public TVkCustomTabControl {
public:
  using TVkCustomTabControl::TVkCustomTabControl;
  void Fill(int Count) {
    for (int i = 0; i < Count; ++i) {
      auto tab = std::make_unique<TVkTabData>();
      tab->Caption = "Tab " + std::to_string(i);
      TabData()->Add(std::move(tab));
    }
    RebuildTabData();
  }
  int tabsPainted = 0;

protected:
  void DoPaintTabBackground(TCanvas* ACanvas, int ATabIndex, const TRect& ARect, bool& Handled) override {
    ++tabsPainted;
    TVkCustomTabControl::DoPaintTabBackground(ACanvas, ATabIndex, ARect, Handled);
  }
};

struct Scene {
  explicit Scene(bool MultiLine) : form(nullptr) {
    form.SetBorderStyle(bsNone);
    form.PlaceBounds(0, 0, 1200, 800);
    tabs = new TBenchTabs(&form);
    tabs->SetParent(&form);
    tabs->SetAlign(alClient);
    tabs->SetMultiLine(MultiLine);
    tabs->Fill(200);
    form.Show();
    Application()->ProcessMessages();
  }
  TForm form;
  TBenchTabs* tabs;
};

void BM_TabLayout200(benchmark::State& state) {
  StartTabsBench();
  Scene scene(state.range(0) != 0);
  for (auto _ : state) {
    scene.tabs->SetLayoutDirty(true);
    scene.tabs->UpdateLayout();
  }
  state.counters["rows"] = scene.tabs->RowCount();
}
BENCHMARK(BM_TabLayout200)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);

void BM_TabRepaint200(benchmark::State& state) {
  StartTabsBench();
  Scene scene(state.range(0) != 0);
  scene.tabs->SetTabIndex(3);
  for (auto _ : state) {
    scene.tabs->InvalidateTabs();
    scene.tabs->Update();
  }
}
BENCHMARK(BM_TabRepaint200)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);

// The mouse goes from one tab to its neighbour and back: each move repaints
// the two tabs it changes (and those they overlap), not the strip.
void BM_TabHotTrackMove(benchmark::State& state) {
  StartTabsBench();
  Scene scene(true);
  TRect a = scene.tabs->TabClientRect(20), b = scene.tabs->TabClientRect(21);
  TPoint pa{(a.Left + a.Right) / 2, (a.Top + a.Bottom) / 2}, pb{(b.Left + b.Right) / 2, (b.Top + b.Bottom) / 2};
  bool toB = true;
  std::int64_t moves = 0;
  scene.tabs->tabsPainted = 0;
  for (auto _ : state) {
    TPoint p = toB ? pb : pa;
    toB = !toB;
    scene.tabs->Perform(gui::WM_MOUSEMOVE, 0, gui::PointToLParam(p));
    scene.tabs->Update();
    ++moves;
  }
  state.counters["tabs_painted_per_move"] =
      moves ? static_cast<double>(scene.tabs->tabsPainted) / static_cast<double>(moves) : 0;
}
BENCHMARK(BM_TabHotTrackMove)->Unit(benchmark::kMicrosecond);

}  // namespace
