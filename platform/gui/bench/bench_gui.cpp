// Speed of the window layer's drawing: small fills with text (the unit of
// every control's painting), and a full repaint of a form of 200 windows.
// Also a multi-line edit taking a text of 100,000 lines, next to what the
// toolkit's text document alone takes to hold it (what bounds the former).
#include <benchmark/benchmark.h>
#include <QtGui/QTextDocument>

#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "platform/gui/App.h"
#include "platform/gui/Gdi.h"
#include "platform/gui/Screen.h"
#include "platform/gui/TestSupport.h"
#include "platform/gui/Controls.h"
#include "platform/gui/Window.h"
#include "platform/system/bench/BenchMain.h"

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

std::string TextOfLines() {
  int lines = sys::bench::IsSmokeRun() ? 1000 : 100000;
  std::string text;
  text.reserve(static_cast<std::size_t>(lines) * 48);
  for (int i = 0; i < lines; ++i) text += "-> Label file " + std::to_string(i) + " loaded, rendered and sent\r\n";
  return text;
}

// WM_SETTEXT of the text into an empty multi-line edit (emptying it is not timed).
void BM_EditTakesATextOf100000Lines(benchmark::State& state) {
  test::UseTestEnvironment();
  CreateParams p;
  p.style = WS_POPUP | WS_VISIBLE;
  p.width = 600;
  p.height = 400;
  HWND form = CreateWindow(p);
  CreateParams e;
  e.className = EDIT_CLASS;
  e.style = WS_CHILD | WS_VISIBLE | ES_MULTILINE | ES_READONLY | WS_VSCROLL | WS_HSCROLL | ES_AUTOHSCROLL;
  e.width = 600;
  e.height = 400;
  e.parent = form;
  HWND edit = CreateWindow(e);
  ProcessPending();
  const std::string text = TextOfLines();
  for (auto _ : state) {
    state.PauseTiming();
    SendMessage(edit, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(""));
    state.ResumeTiming();
    SendMessage(edit, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()));
  }
  DestroyWindow(form);
}
BENCHMARK(BM_EditTakesATextOf100000Lines)->Unit(benchmark::kMillisecond);

// The toolkit's text document alone taking the same text (one block per line).
void BM_ToolkitDocumentOf100000Lines(benchmark::State& state) {
  test::UseTestEnvironment();
  const QString text = QString::fromStdString(TextOfLines());
  for (auto _ : state) {
    state.PauseTiming();
    auto document = std::make_unique<QTextDocument>();
    state.ResumeTiming();
    document->setPlainText(text);
    state.PauseTiming();
    document.reset();
    state.ResumeTiming();
  }
}
BENCHMARK(BM_ToolkitDocumentOf100000Lines)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  sys::bench::RunBenchmarks(argc, argv);
  gui::Shutdown();
  return 0;
}
