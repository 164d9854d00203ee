// Speed of the visual classes: a message round trip through Perform, small
// fills with text on a control's canvas, and the repaint of a full-screen
// form of 200 controls.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "class_library/loop/Application.h"
#include "class_library/visual/ExtCtrls.h"
#include "class_library/visual/Forms.h"
#include "class_library/visual/StdCtrls.h"
#include "class_library/visual/VisualApplication.h"
#include "platform/gui/TestSupport.h"
#include "platform/gui/Window.h"
#include "platform/system/bench/BenchMain.h"

namespace {

void Start() {
  gui::test::UseTestEnvironment();
  Application()->Initialize();
  visual::EnsureVisualApplication();
}

// A control that answers one message of its own.
class TEcho : public TCustomControl {
public:
  explicit TEcho(TComponent* AOwner) : TCustomControl(AOwner) {}
  void Dispatch(TMessage& Message) override {
    if (Message.Msg == CM_BASE + 1000) {
      Message.Result = static_cast<LRESULT>(Message.WParam + 1);
      return;
    }
    TCustomControl::Dispatch(Message);
  }
};

void BM_PerformRoundTrip(benchmark::State& state) {
  Start();
  TForm form(nullptr);
  auto* echo = new TEcho(&form);
  echo->SetParent(&form);
  WPARAM w = 0;
  for (auto _ : state) {
    w = static_cast<WPARAM>(echo->Perform(CM_BASE + 1000, w, 0));
    benchmark::DoNotOptimize(w);
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_PerformRoundTrip);

void BM_CanvasFillRectTextOut(benchmark::State& state) {
  Start();
  TForm form(nullptr);
  form.SetBorderStyle(bsNone);
  form.PlaceBounds(0, 0, 1920, 1080);
  form.Show();
  Application()->ProcessMessages();
  TCanvas* canvas = form.Canvas();
  canvas->Font()->SetName("Tahoma");
  canvas->Brush()->SetColor(clWindow);
  int i = 0;
  for (auto _ : state) {
    int x = (i % 40) * 48, y = ((i / 40) % 54) * 20;
    canvas->FillRect(Rect(x, y, x + 46, y + 18));
    canvas->TextOut(x + 2, y + 2, "Item 42");
    ++i;
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_CanvasFillRectTextOut);

void BM_RepaintFormOf200Controls(benchmark::State& state) {
  Start();
  TForm form(nullptr);
  form.SetBorderStyle(bsNone);
  form.PlaceBounds(0, 0, 1920, 1080);
  for (int i = 0; i < 200; ++i) {
    int x = (i % 20) * 96, y = (i / 20) * 108;
    switch (i % 4) {
      case 0: {
        auto* l = new TLabel(&form);
        l->SetParent(&form);
        l->SetCaption("Label " + std::to_string(i));
        l->PlaceBounds(x + 4, y + 4, 0, 0);
        break;
      }
      case 1: {
        auto* b = new TButton(&form);
        b->SetParent(&form);
        b->SetCaption("Button");
        b->PlaceBounds(x + 4, y + 4, 88, 25);
        break;
      }
      case 2: {
        auto* p = new TPanel(&form);
        p->SetParent(&form);
        p->SetCaption("Panel");
        p->PlaceBounds(x + 4, y + 4, 88, 60);
        break;
      }
      default: {
        auto* e = new TEdit(&form);
        e->SetParent(&form);
        e->SetText("Edit");
        e->PlaceBounds(x + 4, y + 4, 88, 21);
        break;
      }
    }
  }
  form.Show();
  Application()->ProcessMessages();
  for (auto _ : state) {
    gui::RedrawWindow(form.Handle(), nullptr, gui::HRGN{},
                      gui::RDW_INVALIDATE | gui::RDW_ERASE | gui::RDW_ALLCHILDREN | gui::RDW_UPDATENOW);
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_RepaintFormOf200Controls)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  sys::bench::RunBenchmarks(argc, argv);
  visual::ShutdownWindowLayer();
  return 0;
}
