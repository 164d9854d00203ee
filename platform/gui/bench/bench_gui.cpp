// Speed of the window layer's drawing: small fills with text (the unit of
// every control's painting), and a full repaint of a form of 200 windows.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "platform/gui/App.h"
#include "platform/gui/Gdi.h"
#include "platform/gui/Screen.h"
#include "platform/gui/TestSupport.h"
#include "platform/gui/Window.h"

using namespace gui;

namespace {

// FillRect of a small cell and TextOut of a short caption into it, on a
// window's surface; items processed = pairs.
void BM_FillRectTextOutPairs(benchmark::State& state) {
  test::UseTestEnvironment();
  CreateParams p;
  p.style = WS_POPUP | WS_VISIBLE;
  p.width = 1920;
  p.height = 1080;
  HWND w = CreateWindow(p);
  ProcessPending();
  HDC dc = GetDC(w);
  LogFont lf;
  lf.lfFaceName = "Tahoma";
  lf.lfHeight = -11;
  UniqueGdi<HFONT> font(CreateFontIndirect(lf));
  HFONT old = SelectObject(dc, font.get());
  SetBkMode(dc, TRANSPARENT);
  HBRUSH brush = GetSysColorBrush(COLOR_WINDOW);
  int i = 0;
  for (auto _ : state) {
    int x = (i % 40) * 48, y = ((i / 40) % 54) * 20;
    Rect r{x, y, x + 46, y + 18};
    FillRect(dc, r, brush);
    TextOut(dc, x + 2, y + 2, "Item 42");
    ++i;
  }
  state.SetItemsProcessed(state.iterations());
  SelectObject(dc, old);
  ReleaseDC(w, dc);
  DestroyWindow(w);
}
BENCHMARK(BM_FillRectTextOutPairs);

// A 1920 x 1080 form of 200 child windows, each painting a frame, a fill and
// its caption; one iteration = invalidate everything and repaint.
void BM_RepaintFormOf200Windows(benchmark::State& state) {
  test::UseTestEnvironment();
  CreateParams f;
  f.style = WS_POPUP | WS_VISIBLE | WS_CLIPCHILDREN;
  f.width = 1920;
  f.height = 1080;
  f.background = GetSysColorBrush(COLOR_BTNFACE);
  HWND form = CreateWindow(f);
  LogFont lf;
  lf.lfFaceName = "Tahoma";
  lf.lfHeight = -11;
  UniqueGdi<HFONT> font(CreateFontIndirect(lf));
  HFONT fh = font.get();
  for (int k = 0; k < 200; ++k) {
    CreateParams c;
    c.style = WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS;
    c.x = (k % 20) * 96;
    c.y = (k / 20) * 108;
    c.width = 90;
    c.height = 100;
    c.parent = form;
    c.proc = [fh](HWND h, UINT m, WPARAM wp, LPARAM lp) -> LRESULT {
      if (m != WM_PAINT) return DefWindowProc(h, m, wp, lp);
      PaintStruct ps;
      HDC dc = BeginPaint(h, ps);
      Rect r;
      GetClientRect(h, r);
      FillRect(dc, r, GetSysColorBrush(COLOR_BTNFACE));
      DrawEdge(dc, r, EDGE_ETCHED, BF_RECT | BF_ADJUST);
      HFONT old = SelectObject(dc, fh);
      SetBkMode(dc, TRANSPARENT);
      DrawText(dc, "Caption of a control", r, DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_END_ELLIPSIS);
      SelectObject(dc, old);
      EndPaint(h, ps);
      return 0;
    };
    CreateWindow(c);
  }
  ProcessPending();
  for (auto _ : state) {
    RedrawWindow(form, nullptr, HRGN{}, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
    PaintPending();
  }
  DestroyWindow(form);
}
BENCHMARK(BM_RepaintFormOf200Windows)->Unit(benchmark::kMillisecond);

}  // namespace

// TW_BENCH_SMOKE=1: each benchmark runs only briefly (CI's smoke run).
int main(int argc, char** argv) {
  std::vector<char*> args(argv, argv + argc);
  std::string brief = "--benchmark_min_time=0.01";
  const char* smoke = std::getenv("TW_BENCH_SMOKE");
  if (smoke && std::string(smoke) == "1") args.push_back(brief.data());
  int n = static_cast<int>(args.size());
  benchmark::Initialize(&n, args.data());
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  gui::Shutdown();
  return 0;
}
