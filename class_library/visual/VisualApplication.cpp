#include "class_library/visual/VisualApplication.h"

#include <exception>
#include <set>

#include "class_library/loop/Application.h"
#include "class_library/loop/LoopWaiter.h"
#include "class_library/visual/Forms.h"
#include "class_library/visual/Hints.h"
#include "platform/gui/App.h"
#include "platform/gui/Dialogs.h"

namespace {

// The loop waits in the window layer's event dispatcher, so that window
// events, painting and the window layer's own timers are served by the same
// wait as posted work and the loop's timers.
class TGuiWaiter final : public TLoopWaiter {
public:
  void Wait(const std::vector<Watch>& Watches, TLoopClock::time_point Until, std::vector<Ready>& Result) override {
    watches_.clear();
    for (const Watch& w : Watches) watches_.push_back(gui::FdWatch{w.Fd, w.Events});
    ready_.clear();
    gui::WaitForEvents(watches_, Until, ready_);
    for (const gui::FdReady& r : ready_) Result.push_back(Ready{r.fd, r.events});
  }

  void Wake() override { gui::Wake(); }

private:
  std::vector<gui::FdWatch> watches_;
  std::vector<gui::FdReady> ready_;
};

class TVisualApplication final : public TApplicationGui {
public:
  void Starting() override {
    if (auto* form = dynamic_cast<TCustomForm*>(Application()->MainForm()); form && !form->Visible()) form->Show();
  }
  void HintSettingsChanged() override { visual::HintSettingsChanged(); }
  void CancelHint() override { visual::CancelHint(); }
  // The windows go while the toolkit still stands; the forms, freed later
  // with the application object, find their windows gone.
  void Stopped() override { visual::ShutdownWindowLayer(); }
};

bool gInstalled = false;
// Never freed: forms may be released while the program ends.
std::set<TCustomForm*>& Releasing() {
  static auto* releasing = new std::set<TCustomForm*>;
  return *releasing;
}

void Install(TApplication* App) {
  if (gInstalled) return;
  gInstalled = true;
  App->SetWaiter(std::make_unique<TGuiWaiter>());
  gui::SetModalLoopRunner([](const std::function<bool()>& Done) {
    while (!Done() && !Application()->Terminated()) Application()->HandleMessage();
  });
  gui::SetExceptionHandler([](std::exception_ptr E) {
    try {
      std::rethrow_exception(E);
    } catch (...) {
      Application()->HandleException(nullptr);
    }
  });
  gui::InstallMessageBoxSink(true);
  static TVisualApplication visualApplication;
  App->SetGui(&visualApplication);
  visual::HintSettingsChanged();
}

void StartWindowLayer(TApplication* App) {
  std::string error;
  if (!gui::Init({}, &error)) throw Exception("Cannot start the window layer: " + error);
  Install(App);
}

const bool kRegistered = (RegisterApplicationInitializer(&StartWindowLayer), true);

}  // namespace

void visual::EnsureVisualApplication() {
  (void)kRegistered;
  if (!gInstalled && gui::IsInitialized()) Install(Application());
}

void visual::ReleaseLater(TCustomForm* Form) {
  if (!Releasing().insert(Form).second) return;
  Application()->PostToMainThread([Form] {
    if (Releasing().erase(Form)) delete Form;
  });
}

void visual::FormGone(TCustomForm* Form) { Releasing().erase(Form); }

void visual::ShutdownWindowLayer() {
  if (!gui::IsInitialized()) return;
  Application()->SetShowHint(false);
  Application()->SetGui(nullptr);
  gInstalled = false;
  gui::Shutdown();
}
