// Start-up, the toolkit application object, posted messages and the
// painting turn of the loop.
#include "platform/gui/App.h"

#include <QtCore/QAbstractEventDispatcher>
#include <QtCore/QSocketNotifier>
#include <QtCore/QCoreApplication>
#include <QtCore/QEvent>
#include <QtCore/QThread>
#include <QtCore/QTimer>
#include <QtWidgets/QApplication>

#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <map>
#include <cstdio>
#include <cstdlib>

#include "platform/gui/Screen.h"
#include "platform/gui/detail/HostWidget.h"
#include "platform/gui/detail/WindowState.h"

namespace gui {
namespace detail {
namespace {

constexpr QEvent::Type kPostedMessage = static_cast<QEvent::Type>(QEvent::User + 101);
constexpr QEvent::Type kPaintTurn = static_cast<QEvent::Type>(QEvent::User + 102);

class PostedMessageEvent : public QEvent {
public:
  explicit PostedMessageEvent(const Msg& m) : QEvent(kPostedMessage), msg(m) {}
  Msg msg;
};

class Dispatcher : public QObject {
public:
  bool event(QEvent* e) override {
    if (e->type() == kPostedMessage) {
      const Msg& m = static_cast<PostedMessageEvent*>(e)->msg;
      try {
        if (IsNull(m.hwnd)) {
          if (Windows().threadHandler) Windows().threadHandler(m);
        } else if (Win(m.hwnd)) {
          Dispatch(m.hwnd, m.message, m.wParam, m.lParam);
        }
      } catch (...) {
        ReportException(std::current_exception());
      }
      return true;
    }
    if (e->type() == kPaintTurn) {
      Windows().paintScheduled = false;
      PaintPending();
      return true;
    }
    return QObject::event(e);
  }
};

std::unique_ptr<WindowState> gState;
// Apart from the windows so that drawing code needs nothing of them; made
// and ended together with gState.
std::unique_ptr<DrawingState> gDrawing;
std::atomic<bool> gWakePending{false};
std::atomic<QAbstractEventDispatcher*> gEventDispatcher{nullptr};

// Descriptor watches of the loop's waits: notifiers kept from one wait to
// the next while the descriptor stays watched, enabled only during a wait.
struct Watched {
  std::unique_ptr<QSocketNotifier> read, write;
  unsigned fired = 0;
};
std::map<int, Watched> gWatched;
bool gFired = false;

void SyncWatches(const std::vector<FdWatch>& watches) {
  std::map<int, unsigned> wanted;
  for (const FdWatch& w : watches)
    if (w.fd >= 0) wanted[w.fd] |= w.events & 3u;
  for (auto it = gWatched.begin(); it != gWatched.end();) {
    if (!wanted.count(it->first))
      it = gWatched.erase(it);
    else
      ++it;
  }
  for (const auto& [fd, events] : wanted) {
    Watched& w = gWatched[fd];
    w.fired = 0;
    auto make = [fd](QSocketNotifier::Type type, unsigned bit) {
      auto n = std::make_unique<QSocketNotifier>(fd, type);
      QSocketNotifier* raw = n.get();
      QObject::connect(raw, &QSocketNotifier::activated, [fd, bit, raw] {
        // Level-triggered: quiet until the loop had its turn with it.
        raw->setEnabled(false);
        auto it = gWatched.find(fd);
        if (it != gWatched.end()) it->second.fired |= bit;
        gFired = true;
      });
      return n;
    };
    if (events & 1u) {
      if (!w.read) w.read = make(QSocketNotifier::Read, 1u);
      w.read->setEnabled(true);
    } else {
      w.read.reset();
    }
    if (events & 2u) {
      if (!w.write) w.write = make(QSocketNotifier::Write, 2u);
      w.write->setEnabled(true);
    } else {
      w.write.reset();
    }
  }
}

void QuietWatches(std::vector<FdReady>& ready) {
  for (auto& [fd, w] : gWatched) {
    if (w.read) w.read->setEnabled(false);
    if (w.write) w.write->setEnabled(false);
    if (w.fired) ready.push_back(FdReady{fd, w.fired});
    w.fired = 0;
  }
}
std::unique_ptr<QApplication> gOwnedApp;
std::atomic<QObject*> gDispatcher{nullptr};
std::function<void(std::exception_ptr)> gExceptionHandler;
// The off-screen platform tells about every raise and activation it cannot
// do; such notes are noise for a program that runs there on purpose.
void FilterMessages(QtMsgType type, const QMessageLogContext&, const QString& text) {
  if (type == QtWarningMsg && text.startsWith(QStringLiteral("This plugin does not support"))) return;
  if (type == QtDebugMsg || type == QtInfoMsg) return;
  std::fprintf(stderr, "%s\n", text.toLocal8Bit().constData());
}

int gArgc = 1;
char gArgv0[] = "tarnwick";
char* gArgv[] = {gArgv0, nullptr};

}  // namespace

WindowState& Windows() { return *gState; }
DrawingState& Drawing() { return *gDrawing; }
bool Ready() { return gState != nullptr; }

WindowObj* Win(HWND h) { return gState ? gState->windows.Get(static_cast<std::uintptr_t>(h)) : nullptr; }
DcObj* Dc(HDC h) { return gDrawing ? gDrawing->dcs.Get(static_cast<std::uintptr_t>(h)) : nullptr; }
PenObj* Pen(HPEN h) { return gDrawing ? gDrawing->pens.Get(static_cast<std::uintptr_t>(h)) : nullptr; }
BrushObj* Brush(HBRUSH h) { return gDrawing ? gDrawing->brushes.Get(static_cast<std::uintptr_t>(h)) : nullptr; }
FontObj* Font(HFONT h) { return gDrawing ? gDrawing->fonts.Get(static_cast<std::uintptr_t>(h)) : nullptr; }
BitmapObj* Bmp(HBITMAP h) { return gDrawing ? gDrawing->bitmaps.Get(static_cast<std::uintptr_t>(h)) : nullptr; }
RegionObj* Rgn(HRGN h) { return gDrawing ? gDrawing->regions.Get(static_cast<std::uintptr_t>(h)) : nullptr; }
IconObj* Icon(HICON h) { return gDrawing ? gDrawing->icons.Get(static_cast<std::uintptr_t>(h)) : nullptr; }
CursorObj* Cursor(HCURSOR h) { return gState ? gState->cursors.Get(static_cast<std::uintptr_t>(h)) : nullptr; }

void ReportException(std::exception_ptr e) {
  if (gExceptionHandler) {
    try {
      gExceptionHandler(e);
      return;
    } catch (...) {
      e = std::current_exception();
    }
  }
  try {
    std::rethrow_exception(e);
  } catch (const std::exception& ex) {
    std::fprintf(stderr, "Unhandled exception in a window procedure: %s\n", ex.what());
  } catch (...) {
    std::fprintf(stderr, "Unhandled exception in a window procedure\n");
  }
}

void SchedulePaint() {
  if (!gState || gState->paintScheduled) return;
  QObject* d = gDispatcher.load();
  if (!d) return;
  gState->paintScheduled = true;
  QCoreApplication::postEvent(d, new QEvent(kPaintTurn), Qt::LowEventPriority);
}

}  // namespace detail

using namespace detail;

bool Init(const InitOptions& options, std::string* error) {
  if (gState) return true;
  if (!options.platform.empty()) qputenv("QT_QPA_PLATFORM", options.platform.c_str());
  QByteArray platform = qgetenv("QT_QPA_PLATFORM");
  bool displayless = platform.startsWith("offscreen") || platform.startsWith("minimal") ||
                     platform.startsWith("vnc") || platform.startsWith("linuxfb") ||
                     platform.startsWith("eglfs");
  if (!displayless && qgetenv("DISPLAY").isEmpty() && qgetenv("WAYLAND_DISPLAY").isEmpty()) {
    if (error) *error = "no display: neither DISPLAY nor WAYLAND_DISPLAY is set";
    return false;
  }
  qInstallMessageHandler(FilterMessages);
  if (qgetenv("XDG_RUNTIME_DIR").isEmpty()) {
    QByteArray dir = QByteArray("/tmp/tw-runtime-") + QByteArray::number(static_cast<qlonglong>(getuid()));
    mkdir(dir.constData(), 0700);
    qputenv("XDG_RUNTIME_DIR", dir);
  }
  if (!QCoreApplication::instance()) {
    QCoreApplication::setApplicationName(QString::fromStdString(options.appName));
    gOwnedApp = std::make_unique<QApplication>(gArgc, gArgv);
    QApplication::setQuitOnLastWindowClosed(false);
  }
  gDrawing = std::make_unique<DrawingState>();
  gState = std::make_unique<WindowState>();
  gEventDispatcher.store(QAbstractEventDispatcher::instance());
  auto* d = new Dispatcher;
  gState->dispatcher = d;
  gDispatcher.store(d);
  return true;
}

bool IsInitialized() { return gState != nullptr; }

bool IsGuiThread() {
  return QCoreApplication::instance() && QThread::currentThread() == QCoreApplication::instance()->thread();
}

void Shutdown() {
  if (!gState) return;
  // Windows first (their contexts and native widgets), top-level by top-level.
  while (!gState->topLevels.empty()) {
    HWND h = gState->topLevels.front();
    if (!DestroyWindow(h)) {
      gState->topLevels.erase(gState->topLevels.begin());
    }
  }
  gDispatcher.store(nullptr);
  gEventDispatcher.store(nullptr);
  gWatched.clear();
  delete gState->dispatcher;
  QCoreApplication::removePostedEvents(nullptr, kPostedMessage);
  QCoreApplication::removePostedEvents(nullptr, kPaintTurn);
  gDrawing->dcs.Clear();
  gDrawing->bitmaps.Clear();
  // Not Ready() from here on, as while the windows' record ends; the window
  // table outlives the drawing objects.
  std::unique_ptr<WindowState> windows = std::move(gState);
  gDrawing.reset();
  windows.reset();
  gOwnedApp.reset();
}

void ProcessPending() {
  if (!gState) return;
  QCoreApplication::sendPostedEvents();
  QCoreApplication::processEvents(QEventLoop::AllEvents);
  PaintPending();
}

void WaitForEvents(std::chrono::milliseconds maxWait) {
  if (!gState) return;
  QAbstractEventDispatcher* d = QAbstractEventDispatcher::instance();
  if (!d) return;
  QTimer deadline;
  deadline.setSingleShot(true);
  deadline.start(static_cast<int>(std::max<long long>(0, maxWait.count())));
  d->processEvents(QEventLoop::WaitForMoreEvents | QEventLoop::AllEvents);
  ProcessPending();
}

void WaitForEvents(const std::vector<FdWatch>& watches, std::chrono::steady_clock::time_point until,
                   std::vector<FdReady>& ready) {
  QAbstractEventDispatcher* d = QAbstractEventDispatcher::instance();
  if (!gState || !d) return;
  gFired = false;
  // Windows destroyed earlier leave their toolkit widgets for deletion; that
  // happens here, outside every window procedure (none of them can be on the
  // stack in a widget's own handler then).
  if (gState->messageStack.empty()) QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  SyncWatches(watches);
  struct Quiet {
    std::vector<FdReady>& ready;
    ~Quiet() { QuietWatches(ready); }
  } quiet{ready};
  // What is there already.
  QCoreApplication::sendPostedEvents();
  bool handled = d->processEvents(QEventLoop::AllEvents);
  PaintPending();
  if (gWakePending.exchange(false) || handled || gFired) return;
  auto now = std::chrono::steady_clock::now();
  if (until <= now) return;
  QTimer deadline;
  if (until != std::chrono::steady_clock::time_point::max()) {
    auto left = std::chrono::ceil<std::chrono::milliseconds>(until - now).count();
    deadline.setSingleShot(true);
    deadline.setTimerType(Qt::PreciseTimer);
    deadline.start(static_cast<int>(std::min<long long>(left, 0x7FFFFFFF)));
  }
  d->processEvents(QEventLoop::WaitForMoreEvents | QEventLoop::AllEvents);
  QCoreApplication::sendPostedEvents();
  d->processEvents(QEventLoop::AllEvents);
  PaintPending();
  // A Wake that came during this wait may leave the flag set: the next wait
  // then returns at once, which costs one turn; clearing it could lose one.
}

void Wake() {
  gWakePending.store(true);
  if (QAbstractEventDispatcher* d = gEventDispatcher.load()) d->wakeUp();
}

void SetExceptionHandler(std::function<void(std::exception_ptr)> handler) {
  gExceptionHandler = std::move(handler);
}

void SetModalLoopRunner(ModalLoopRunner runner) {
  if (gState) gState->modalRunner = std::move(runner);
}

void RunModalLoop(const std::function<bool()>& done) {
  if (!gState) return;
  if (gState->modalRunner) {
    ModalLoopRunner runner = gState->modalRunner;
    runner(done);
    return;
  }
  while (!done()) WaitForEvents(std::chrono::milliseconds(50));
}

bool PostMessage(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  QObject* d = gDispatcher.load();
  if (!d) return false;
  if (!IsNull(hwnd) && IsGuiThread() && !Win(hwnd)) return false;
  QCoreApplication::postEvent(d, new PostedMessageEvent(Msg{hwnd, msg, wParam, lParam}));
  return true;
}

void SetThreadMessageHandler(std::function<void(const Msg&)> handler) {
  if (gState) gState->threadHandler = std::move(handler);
}

}  // namespace gui
