#include "class_library/service/Service.h"

#include <atomic>
#include <iostream>
#include <thread>

#include "class_library/loop/Application.h"
#include "class_library/core/SysUtils.h"
#include "class_library/components/TypeInfo.h"
#include "platform/service/ServiceControl.h"
#include "platform/service/ServiceManager.h"
#include "platform/system/MessageBox.h"
#include "platform/system/Paths.h"

namespace {

const bool kServiceRegistered = [] {
  RegisterClass<TService>("TService", "TDataModule")
      .Str("DisplayName", &TService::DisplayName, &TService::SetDisplayName)
      .Boolean("AllowStop", &TService::AllowStop, [](TService& s, bool v) { s.AllowStop = v; }, true)
      .Boolean("AllowPause", &TService::AllowPause, [](TService& s, bool v) { s.AllowPause = v; }, true)
      .Boolean("Interactive", &TService::Interactive, [](TService& s, bool v) { s.Interactive = v; }, false)
      .Integer("WaitHint", &TService::WaitHint, [](TService& s, std::int64_t v) { s.WaitHint = Cardinal(v); },
               5000)
      .Enum("ServiceType", {"stWin32", "stDevice", "stFileSystem"}, &TService::ServiceType,
            [](TService& s, TServiceType v) { s.ServiceType = v; }, stWin32)
      .Enum("StartType", {"stBoot", "stSystem", "stAuto", "stManual", "stDisabled"}, &TService::StartType,
            [](TService& s, TStartType v) { s.StartType = v; }, stAuto)
      .Enum("ErrorSeverity", {"esIgnore", "esNormal", "esSevere", "esCritical"}, &TService::ErrorSeverity,
            [](TService& s, TErrorSeverity v) { s.ErrorSeverity = v; }, esNormal)
      .Str("LoadGroup", &TService::LoadGroup, [](TService& s, const String& v) { s.LoadGroup = v; })
      .Str("ServiceStartName", &TService::ServiceStartName,
           [](TService& s, const String& v) { s.ServiceStartName = v; })
      .Str("Password", &TService::Password, [](TService& s, const String& v) { s.Password = v; })
      .Event<TServiceBoolEvent>("OnStart", [](TService& s, TServiceBoolEvent e) { s.OnStart = std::move(e); })
      .Event<TServiceBoolEvent>("OnStop", [](TService& s, TServiceBoolEvent e) { s.OnStop = std::move(e); })
      .Event<TServiceBoolEvent>("OnPause", [](TService& s, TServiceBoolEvent e) { s.OnPause = std::move(e); })
      .Event<TServiceBoolEvent>("OnContinue",
                                [](TService& s, TServiceBoolEvent e) { s.OnContinue = std::move(e); });
  return true;
}();

sys::ServiceStartMode StartModeOf(TStartType t) {
  switch (t) {
    case stBoot:
      return sys::ServiceStartMode::Boot;
    case stSystem:
      return sys::ServiceStartMode::System;
    case stAuto:
      return sys::ServiceStartMode::Auto;
    case stManual:
      return sys::ServiceStartMode::Manual;
    case stDisabled:
      return sys::ServiceStartMode::Disabled;
  }
  return sys::ServiceStartMode::Auto;
}

Cardinal ControlCodeOf(sys::ServiceControl c) {
  switch (c) {
    case sys::ServiceControl::Stop:
      return scStop;
    case sys::ServiceControl::Pause:
      return scPause;
    case sys::ServiceControl::Continue:
      return scContinue;
  }
  return scInterrogate;
}

}  // namespace

// ---- TService ---------------------------------------------------------------

TService::TService(TComponent* AOwner) : TDataModule(AOwner) { (void)kServiceRegistered; }

TService::~TService() = default;

TCurrentStatus TService::Status() const {
  std::lock_guard guard(lock_);
  return status_;
}

void TService::SetStatus(TCurrentStatus Value) {
  {
    std::lock_guard guard(lock_);
    status_ = Value;
  }
  switch (Value) {
    case ssRunning:
      LogMessage("running", evInformation);
      break;
    case ssPaused:
      LogMessage("paused", evInformation);
      break;
    case ssStopped:
      LogMessage("stopped", evInformation);
      break;
    default:
      break;
  }
}

TServiceController TService::GetServiceController() {
  return [this](Cardinal CtrlCode) { Controller(CtrlCode); };
}

void TService::Controller(Cardinal CtrlCode) {
  {
    std::lock_guard guard(lock_);
    requests_.push_back(CtrlCode);
  }
  requested_.notify_all();
}

Cardinal TService::NextRequest() {
  std::unique_lock guard(lock_);
  requested_.wait(guard, [this] { return !requests_.empty(); });
  Cardinal code = requests_.front();
  requests_.pop_front();
  return code;
}

namespace {

// Text as one journal line: each run of control characters (the line breaks
// of a multi-line error text) becomes one blank, and none is left at the end.
// The journal would otherwise split the event or keep it as binary data.
String JournalLine(const String& Text) {
  String line;
  line.reserve(Text.size());
  bool pending = false;
  for (const char c : Text) {
    const auto u = static_cast<unsigned char>(c);
    if (u < 0x20 || u == 0x7F) {
      pending = !line.empty();
      continue;
    }
    if (pending && line.back() != ' ') line += ' ';
    pending = false;
    line += c;
  }
  return line;
}

}  // namespace

void TService::LogMessage(const String& Message, int EventType, int /*Category*/, int /*ID*/) {
  const char* kind = EventType == evError     ? "error: "
                     : EventType == evWarning ? "warning: "
                                                          : "";
  std::cerr << JournalLine(DisplayName() + ": " + kind + Message) << std::endl;
}

bool TService::RunHandler(const TServiceBoolEvent& Handler, const String& What) {
  bool result = true;
  bool raised = false;
  String error;
  auto work = [&] {
    try {
      if (Handler) Handler(this, result);
    } catch (const Exception& e) {
      raised = true;
      error = e.Message();
    } catch (const std::exception& e) {
      raised = true;
      error = e.what();
    }
  };
  // Once the loop has finished no tick can run any more: the handler then
  // runs here.
  if (!Application()->SendToMainThread(work)) work();
  if (raised) {
    LogMessage("Service failed on " + What + ": " + error);
    return false;
  }
  if (!result) LogMessage("Service failed on " + What + ": the service refused");
  return result;
}

bool TService::Execute() {
  SetStatus(ssStartPending);
  if (!RunHandler(OnStart, "start")) {
    SetStatus(ssStopped);
    return false;
  }
  SetStatus(ssRunning);
  for (;;) {
    Cardinal code = NextRequest();
    TCurrentStatus current = Status();
    switch (code) {
      case scStop:
      case scShutdown:
        if (code == scStop && !AllowStop) break;
        SetStatus(ssStopPending);
        if (RunHandler(OnStop, "stop")) {
          SetStatus(ssStopped);
          return true;
        }
        SetStatus(current);
        break;
      case scPause:
        if (!AllowPause || current != ssRunning) break;
        SetStatus(ssPausePending);
        SetStatus(RunHandler(OnPause, "pause") ? ssPaused : ssRunning);
        break;
      case scContinue:
        if (current != ssPaused) break;
        SetStatus(ssContinuePending);
        SetStatus(RunHandler(OnContinue, "continue") ? ssRunning : ssPaused);
        break;
      default:
        break;
    }
  }
}

// ---- TServiceApplication ------------------------------------------------------

TServiceApplication::TServiceApplication(TComponent* AOwner) : TComponent(AOwner) {}

TServiceApplication::~TServiceApplication() = default;

void TServiceApplication::Initialize() { sys::BlockServiceControlSignals(); }

std::vector<TService*> TServiceApplication::Services() const {
  std::vector<TService*> result;
  for (int i = 0; i < ComponentCount(); ++i) {
    if (auto* s = dynamic_cast<TService*>(Components(i))) result.push_back(s);
  }
  return result;
}

bool TServiceApplication::FindSwitch(const String& Switch) {
  for (int i = 1; i <= ParamCount(); ++i) {
    String p = ParamStr(i);
    if (p.size() > 1 && (p[0] == '-' || p[0] == '/') && SameText(p.substr(1), Switch)) return true;
  }
  return false;
}

int TServiceApplication::Run() {
  bool silent = FindSwitch("SILENT");
  if (FindSwitch("INSTALL")) return Install(silent);
  if (FindSwitch("UNINSTALL")) return Uninstall(silent);
  return RunServices();
}

int TServiceApplication::Install(bool Silent) {
  for (TService* s : Services()) {
    sys::ServiceUnit unit;
    unit.Name = s->Name();
    unit.DisplayName = s->DisplayName();
    unit.ExecPath = sys::ExePath();
    unit.WorkingDirectory = sys::BaseDir();
    unit.StartMode = StartModeOf(s->StartType);
    unit.Dependencies = s->Dependencies;
    unit.UserName = s->ServiceStartName;
    unit.StopTimeoutMs = s->WaitHint;
    try {
      sys::InstallServiceUnit(unit);
    } catch (const std::exception& e) {
      sys::ShowMessageBox(Application()->Title(), String("Service failed on install with error: ") + e.what(),
                          sys::mbError, sys::mbOK);
      return 1;
    }
  }
  if (!Silent) {
    sys::ShowMessageBox(Application()->Title(), "Service installed successfully", sys::mbInformation, sys::mbOK);
  }
  return 0;
}

int TServiceApplication::Uninstall(bool Silent) {
  for (TService* s : Services()) {
    try {
      sys::UninstallServiceUnit(s->Name());
    } catch (const std::exception& e) {
      sys::ShowMessageBox(Application()->Title(), String("Service failed on uninstall with error: ") + e.what(),
                          sys::mbError, sys::mbOK);
      return 1;
    }
  }
  if (!Silent) {
    sys::ShowMessageBox(Application()->Title(), "Service uninstalled successfully", sys::mbInformation,
                        sys::mbOK);
  }
  return 0;
}

int TServiceApplication::RunServices() {
  std::vector<TService*> services = Services();
  if (services.empty()) return 0;

  // Dispatcher thread: every control request goes to every service's controller.
  sys::ServiceControlDispatcher dispatcher([services](sys::ServiceControl control) {
    for (TService* s : services) s->GetServiceController()(ControlCodeOf(control));
  });

  std::atomic<int> running{static_cast<int>(services.size())};
  std::atomic<bool> failed{false};
  std::vector<std::thread> serviceMains;
  for (TService* s : services) {
    // Service-main thread: starts the service thread and waits for it; the
    // last service to end ends the loop.
    serviceMains.emplace_back([s, &running, &failed] {
      std::thread serviceThread([s, &failed] {
        if (!s->Execute()) failed = true;
      });
      serviceThread.join();
      if (--running == 0) Application()->Terminate();
    });
  }

  Application()->Run();

  // The loop may have ended for another reason: stop what still runs.
  for (TService* s : services) s->Controller(scStop);
  for (auto& t : serviceMains) t.join();
  return failed ? 1 : 0;
}
