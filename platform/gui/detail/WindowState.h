#pragma once
// The window objects behind the handles and the one record of the GUI
// thread's windows: timers, focus, capture, activation, caret,
// cursors and the message machinery. Only platform/gui sources include this.
#include <QtCore/QTimer>
#include <QtGui/QCursor>
#include <QtGui/QRegion>

#include <exception>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/gui/App.h"
#include "platform/gui/Gdi.h"
#include "platform/gui/Messages.h"
#include "platform/gui/Window.h"
#include "platform/gui/detail/DrawingState.h"
#include "platform/gui/detail/Handles.h"

class QWidget;
class QObject;

namespace gui::detail {

class HostWidget;

struct CursorObj {
  QCursor cursor;
  bool shared = false;
};

struct TimerSlot {
  QTimer timer;
};

struct WindowObj {
  enum class Kind { Plain, Edit, ListBox };
  HWND handle{};
  Kind kind = Kind::Plain;
  std::string className;
  DWORD style = 0, exStyle = 0, classStyle = 0;
  int id = 0;
  std::intptr_t userData = 0;
  HWND parent{};  // WS_CHILD windows
  HWND owner{};   // top-level windows
  std::vector<HWND> children;  // topmost first
  Rect bounds;        // window rectangle in the parent's client coordinates (screen: top-level)
  Rect client;        // client rectangle relative to the window's corner
  std::string text;
  std::shared_ptr<WindowProc> proc;  // shared: a call in progress keeps it alive
  HBRUSH background{};
  HCURSOR cursor{};
  HFONT font{};
  HICON icon{};
  QRegion invalid;    // client coordinates
  bool erasePending = false;
  bool ncInvalid = false;
  bool redraw = true;
  bool destroying = false;
  bool mouseTracked = false;
  std::optional<QRegion> region;  // window region, window coordinates
  std::unique_ptr<HostWidget> host;  // top-level windows
  QWidget* native = nullptr;         // edit and list box: the toolkit widget (owned by its parent widget)
  std::map<std::uintptr_t, std::unique_ptr<TimerSlot>> timers;
  Size minSize, maxSize;
  bool maximized = false, minimized = false;
};

// A top-level window the layer sizes itself after WM_SYSCOMMAND SC_SIZE
// (where the desktop cannot): the edges that follow the pointer (1 left, 2
// right, 4 top, 8 bottom), where the pointer and the window were at the start.
struct Sizing {
  HWND window{};
  int edges = 0;
  QPoint start;
  Rect bounds;
};

struct WindowState {
  HandleTable<WindowObj> windows;
  HandleTable<CursorObj> cursors;

  std::vector<HWND> topLevels;  // topmost first
  HWND focus{}, capture{}, active{}, tracked{};
  // The window the last mouse input went to: SetCursor shows the shape over it.
  HWND pointer{};
  std::optional<Sizing> sizing;
  // While a native control is handed a key again for the toolkit to type,
  // a key it leaves unused must not reach the window's host as a new key.
  int resendingKey = 0;
  HCURSOR currentCursor{};
  std::map<int, HCURSOR> sharedCursors;
  std::function<void(const Msg&)> threadHandler;
  std::vector<Msg> messageStack;
  ModalLoopRunner modalRunner;
  bool paintScheduled = false;
  bool painting = false;
  QObject* dispatcher = nullptr;
  // The pointer position tests give (GetCursorPos answers it while set).
  std::optional<QPoint> testCursor;
  // caret of plain windows
  HWND caretOwner{};
  QPoint caretPos;
  QSize caretSize;
};

// Valid between Init and Shutdown.
WindowState& Windows();

// Handle access (nullptr for a stale or foreign handle).
WindowObj* Win(HWND h);
CursorObj* Cursor(HCURSOR h);

// Exceptions out of window procedures must not cross the toolkit's event
// handling: they end here (the application's handler, see App.h).
void ReportException(std::exception_ptr e);
// Runs f; what it throws ends in ReportException.
template <typename F>
void GuardedCall(F&& f) {
  try {
    f();
  } catch (...) {
    ReportException(std::current_exception());
  }
}
// Dispatches a message to a procedure, catching what it throws when called
// from the toolkit (depth 0 of our own calls).
LRESULT Dispatch(HWND h, UINT msg, WPARAM w, LPARAM l);

// Painting machinery (WindowPaint.cpp).
void SchedulePaint();
QRegion VisibleRegion(const WindowObj& w, bool clientOnly, bool clipChildren);
QPoint SurfaceOrigin(const WindowObj& w, bool clientOnly);
HostWidget* HostOf(const WindowObj& w);
WindowObj* RootOf(WindowObj& w);
// Marks clientRgn of w for painting; with children, the children under it
// too unless w clips its children (evenClipped: also then, for areas whose
// pixels are gone, as after a move or when shown).
void InvalidateInternal(WindowObj& w, const QRegion& clientRgn, bool erase, bool children, bool evenClipped = false);
void FlushSurface(DcObj& dc);
void ForgetWindowDcs(HWND h);

// Window tree helpers (Window.cpp).
void SyncNativeGeometry(WindowObj& w);  // native widgets of w's subtree follow their windows
QRect ClientRectInParentClient(const WindowObj& w);
bool IsShowing(const WindowObj& w);
bool IsEnabledChain(const WindowObj& w);
// Whether a top-level window can become the active window (not a tool popup).
bool Activatable(const WindowObj& w);

// Input and focus (Input.cpp, WindowState.cpp).
void OnWindowHiddenOrDestroyed(WindowObj& w);
// The toolkit moved its focus to a native control of this window.
void FocusFromToolkit(HWND hwnd);

}  // namespace gui::detail
