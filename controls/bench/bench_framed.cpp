// Speed of the framed controls: a memo of 100,000 lines loaded and shown at
// its last line, the list box's incremental search over 100,000 items, and
// one polling tick of a status bar with 20 panes.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <memory>
#include <string>

#include "class_library/Application.h"
#include "class_library/SysUtils.h"
#include "class_library/visual/Forms.h"
#include "class_library/visual/VisualApplication.h"
#include "controls/VkEdit.h"
#include "controls/VkLstBox.h"
#include "controls/VkPanel.h"
#include "controls/VkStatusPanes.h"
#include "platform/gui/TestSupport.h"

namespace {

// 100,000 lines and items; a smoke run (TW_BENCH_SMOKE=1) takes 1,000.
int Lines() {
  static const int lines = [] {
    const char* smoke = std::getenv("TW_BENCH_SMOKE");
    return smoke && std::string(smoke) == "1" ? 1000 : 100000;
  }();
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

void BM_MemoLoadsAndShowsItsLastLine(benchmark::State& state) {
  StartWindowLayer();
  auto form = std::make_unique<TForm>(nullptr);
  form->PlaceBounds(0, 0, 600, 400);
  auto* memo = new TVkMemo(form.get());
  memo->SetParent(form.get());
  memo->SetAlign(alClient);
  memo->SetReadOnly(true);
  memo->SetScrollBars(ssBoth);
  memo->SetWordWrap(false);  // lines are the text's lines, not wrapped ones
  form->Show();
  const String text = LongText();
  for (auto _ : state) {
    memo->SetText(text);
    memo->SetLine(Lines());
    benchmark::DoNotOptimize(memo->Line());
  }
  if (memo->Line() != Lines()) state.SkipWithError("the last line is not shown");
}
BENCHMARK(BM_MemoLoadsAndShowsItsLastLine)->Unit(benchmark::kMillisecond);

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
