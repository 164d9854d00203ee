#pragma once
// The service framework: a service module (TService) and the service
// application that installs, uninstalls or runs it.
//
// A service program runs in the foreground, as the service manager (systemd)
// starts it. Its threads:
//   - the main thread runs the application's message loop, and so every timer;
//   - the dispatcher thread receives the control requests (signals: SIGTERM
//     and SIGINT stop, SIGTSTP pauses, SIGCONT continues) and hands them to the
//     service's controller, which queues them for the service thread;
//   - the service-main thread starts the service thread and waits for it;
//   - the service thread takes the requests one by one and runs the start,
//     stop, pause and continue handlers. It runs each handler through the
//     main thread's loop and waits for it, so a handler never runs while a
//     timer tick runs, and two handlers never run at once.
// Events go to standard error (the journal); a start that fails is reported
// there and ends the program with a non-zero exit code.
#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <vector>

#include "class_library/components/Component.h"
#include "class_library/core/Types.h"

class TService;

// Control codes a service's controller receives.
constexpr Cardinal scStop = 1;
constexpr Cardinal scPause = 2;
constexpr Cardinal scContinue = 3;
constexpr Cardinal scInterrogate = 4;
constexpr Cardinal scShutdown = 5;

enum TServiceType { stWin32, stDevice, stFileSystem };
enum TStartType { stBoot, stSystem, stAuto, stManual, stDisabled };
enum TErrorSeverity { esIgnore, esNormal, esSevere, esCritical };
enum TCurrentStatus {
  ssStopped,
  ssStartPending,
  ssStopPending,
  ssRunning,
  ssContinuePending,
  ssPausePending,
  ssPaused
};

// OnStart, OnStop, OnPause and OnContinue: the handler may set the flag to
// false to refuse the change (it starts out true).
using TServiceBoolEvent = std::function<void(TService* Sender, bool& Result)>;
using TStartEvent = TServiceBoolEvent;
using TStopEvent = TServiceBoolEvent;
using TPauseEvent = TServiceBoolEvent;
using TContinueEvent = TServiceBoolEvent;
// The callback through which the control requests reach a service.
using TServiceController = std::function<void(Cardinal CtrlCode)>;

// Kinds of LogMessage.
constexpr int evError = 1;
constexpr int evWarning = 2;
constexpr int evInformation = 4;

class TService : public TDataModule {
public:
  explicit TService(TComponent* AOwner);
  ~TService() override;
  String ClassName() const override { return "TService"; }

  // Registration values. The service's name is the component's Name.
  String DisplayName() const { return displayName_.empty() ? Name() : displayName_; }
  void SetDisplayName(const String& Value) { displayName_ = Value; }
  TServiceType ServiceType = stWin32;
  TStartType StartType = stAuto;
  TErrorSeverity ErrorSeverity = esNormal;
  bool AllowStop = true;
  bool AllowPause = true;
  bool Interactive = false;
  Cardinal WaitHint = 5000;
  std::vector<String> Dependencies;
  String LoadGroup;
  String ServiceStartName;  // empty: the system account
  String Password;

  TStartEvent OnStart;
  TStopEvent OnStop;
  TPauseEvent OnPause;
  TContinueEvent OnContinue;

  TCurrentStatus Status() const;

  // The callback that receives the control codes; the default hands them to
  // Controller. A module overrides it to supply its own.
  virtual TServiceController GetServiceController();
  // Queues a control code for the service thread. Safe from any thread.
  void Controller(Cardinal CtrlCode);

  // Writes "<display name>: <message>" to standard error.
  void LogMessage(const String& Message, int EventType = evError, int Category = 0, int ID = 0);

  // Runs the service thread's work on the calling thread: the start, then the
  // queued requests until the service stops or its start fails. Returns true
  // when it started. The service application calls it on the service thread.
  bool Execute();

private:
  // Runs one handler on the main thread's loop and reports its outcome:
  // false when it refused or raised (the message then in Error).
  bool RunHandler(const TServiceBoolEvent& Handler, const String& What);
  void SetStatus(TCurrentStatus Value);
  Cardinal NextRequest();

  String displayName_;
  mutable std::mutex lock_;
  std::condition_variable requested_;
  std::deque<Cardinal> requests_;
  TCurrentStatus status_ = ssStopped;
};

// The service application: the program's command line and the threads.
class TServiceApplication : public TComponent {
public:
  explicit TServiceApplication(TComponent* AOwner);
  ~TServiceApplication() override;
  String ClassName() const override { return "TServiceApplication"; }

  // Blocks the control signals; call first in main, before any thread starts.
  void Initialize();
  // Creates a service module of class T, owned by the application.
  template <class T>
  T* CreateForm() {
    return new T(this);
  }
  // The service modules, in creation order.
  std::vector<TService*> Services() const;

  // Acts on the command line given to SetCommandLine: "INSTALL" or
  // "UNINSTALL" (after "-" or "/", any case) writes or removes a systemd unit
  // for every service ("SILENT" suppresses the confirmations); with neither
  // the program runs as the service until it is stopped. Returns the exit code.
  int Run();
  // The switches as Run reads them (exposed for tests).
  static bool FindSwitch(const String& Switch);

private:
  int Install(bool Silent);
  int Uninstall(bool Silent);
  int RunServices();
};
