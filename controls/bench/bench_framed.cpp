// Speed of the framed controls: a memo of 100,000 lines loaded and shown at
// its last line, the list box's incremental search over 100,000 items, and
// one polling tick of a status bar with 20 panes.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <memory>
#include <string>

#include "class_library/loop/Application.h"
#include "class_library/core/StringList.h"
#include "class_library/core/SysUtils.h"
#include "class_library/visual/Forms.h"
#include "class_library/visual/VisualApplication.h"
#include "controls/VkEdit.h"
#include "controls/VkLstBox.h"
#include "controls/VkPanel.h"
#include "controls/VkStatusPanes.h"
#include "platform/gui/TestSupport.h"
#include "platform/system/bench/BenchMain.h"

namespace {

// 100,000 lines and items; a smoke run (TW_BENCH_SMOKE=1) takes 1,000.
int Lines() {
  static const int lines = sys::bench::IsSmokeRun() ? 1000 : 100000;
  return lines;
}

// The window layer on the test screen (starting it again does nothing).
void StartWindowLayer() {
  static bool started = [] {
    gui::test::UseTestEnvironment();
    Application()->Initialize();
    visual::EnsureVisualApplication();
    return true;
  }();
  (void)started;
}

String LongText() {
  String text;
  text.reserve(Lines() * 40);
  for (int i = 0; i < Lines(); ++i) text += "-> Label file " + IntToStr(i) + " loaded, rendered and sent\r\n";
  return text;
}

// A memo as the desktop program's log view shows it: read-only, both bars;
// words wrap when the argument is 1 (the text's lines fit the width, so the
// lines shown are the text's lines either way).
std::unique_ptr<TForm> MemoForm(TVkMemo*& memo, bool wrap) {
  auto form = std::make_unique<TForm>(nullptr);
  form->PlaceBounds(0, 0, 600, 400);
  memo = new TVkMemo(form.get());
  memo->SetParent(form.get());
  memo->SetAlign(alClient);
  memo->SetReadOnly(true);
  memo->SetScrollBars(wrap ? ssVertical : ssBoth);
  memo->SetWordWrap(wrap);
  form->Show();
  return form;
}

// Each turn loads the whole text into an empty memo (emptying it is not
// timed) and shows its last line.
void BM_MemoLoadsAndShowsItsLastLine(benchmark::State& state) {
  StartWindowLayer();
  TVkMemo* memo = nullptr;
  auto form = MemoForm(memo, state.range(0) != 0);
  const String text = LongText();
  for (auto _ : state) {
    state.PauseTiming();
    memo->Clear();
    state.ResumeTiming();
    memo->SetText(text);
    memo->SetLine(Lines());
    benchmark::DoNotOptimize(memo->Line());
  }
  if (memo->Line() != Lines()) state.SkipWithError("the last line is not shown");
}
BENCHMARK(BM_MemoLoadsAndShowsItsLastLine)->ArgName("wrap")->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

// The same through Lines, as a file is loaded into the memo.
void BM_MemoLinesLoad(benchmark::State& state) {
  StartWindowLayer();
  TVkMemo* memo = nullptr;
  auto form = MemoForm(memo, state.range(0) != 0);
  const String text = LongText();
  for (auto _ : state) {
    state.PauseTiming();
    memo->Clear();
    state.ResumeTiming();
    memo->Lines()->SetText(text);
    memo->SetLine(Lines());
    benchmark::DoNotOptimize(memo->Line());
  }
  if (memo->Line() != Lines()) state.SkipWithError("the last line is not shown");
}
BENCHMARK(BM_MemoLinesLoad)->ArgName("wrap")->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

// The log view's refresh: the log file's lines are compared with the memo's
// and assigned when they differ; the argument is how many lines the log has
// and every other turn the log has grown by one line.
void BM_MemoLogRefresh(benchmark::State& state) {
  StartWindowLayer();
  TVkMemo* memo = nullptr;
  auto form = MemoForm(memo, true);
  const int lines = static_cast<int>(state.range(0));
  TStringList log[2];
  for (int i = 0; i <= lines; ++i) {
    String line = "-> Label file " + IntToStr(i) + " loaded, rendered and sent";
    if (i < lines) log[0].Add(line);
    log[1].Add(line);
  }
  int turn = 0;
  for (auto _ : state) {
    TStringList& now = log[turn++ / 2 % 2];
    if (memo->Lines()->Text() != now.Text()) memo->Lines()->Assign(&now);
  }
  if (memo->Lines()->Count() < lines) state.SkipWithError("the log is not shown");
}
BENCHMARK(BM_MemoLogRefresh)->ArgName("lines")->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond);

void BM_ListBoxSearchPerKey(benchmark::State& state) {
  StartWindowLayer();
  auto form = std::make_unique<TForm>(nullptr);
  form->PlaceBounds(0, 0, 300, 400);
  auto* box = new TVkListBox(form.get());
  box->SetParent(form.get());
  box->SetAlign(alClient);
  box->SetSorted(true);
  box->SetBeepOnInvalidKey(false);
  form->Show();
  box->Items()->BeginUpdate();
  for (int i = 0; i < Lines(); ++i) box->Items()->Add("Item " + IntToStr((i * 7919) % Lines()));
  box->Items()->EndUpdate();
  const String keys = "Item 99";
  std::size_t k = 0;
  for (auto _ : state) {
    if (k == keys.size()) {
      box->SearchTimerExpired();
      k = 0;
    }
    box->Perform(gui::WM_CHAR, static_cast<unsigned char>(keys[k++]), 0);
  }
  if (box->SelectedItem().rfind("Item 99", 0) != 0 && k == keys.size()) state.SkipWithError("no match");
}
BENCHMARK(BM_ListBoxSearchPerKey)->Unit(benchmark::kMicrosecond);

void BM_StatusBarPollsTwentyPanes(benchmark::State& state) {
  StartWindowLayer();
  auto form = std::make_unique<TForm>(nullptr);
  form->PlaceBounds(0, 0, 800, 100);
  auto* bar = new TVkStatusBar(form.get());
  bar->SetParent(form.get());
  int calls = 0;
  for (int i = 0; i < 20; ++i) {
    auto* pane = new TVkPollingStatus(bar);
    pane->SetParent(bar);
    pane->PlaceBounds(i * 38, 1, 38, 20);
    pane->OnTimerExpired = [&calls](TObject*) { ++calls; };
  }
  form->Show();
  for (auto _ : state) TVkPollingList::Instance()->TimerExpired();
  benchmark::DoNotOptimize(calls);
}
BENCHMARK(BM_StatusBarPollsTwentyPanes)->Unit(benchmark::kMicrosecond);

}  // namespace
