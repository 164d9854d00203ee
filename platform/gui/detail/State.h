#pragma once
// The layer's private state: the objects behind the handles and the one
// global record of the GUI thread. Only platform/gui sources include this.
#include <QtCore/QTimer>
#include <QtGui/QCursor>
#include <QtGui/QFont>
#include <QtGui/QFontMetrics>
#include <QtGui/QImage>
#include <QtGui/QPainter>
#include <QtGui/QRegion>
#include <QtGui/QStaticText>

#include <exception>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

#include "platform/gui/App.h"
#include "platform/gui/Gdi.h"
#include "platform/gui/Messages.h"
#include "platform/gui/Window.h"
#include "platform/gui/detail/Handles.h"

class QWidget;
class QObject;

namespace gui::detail {

class HostWidget;

// An image that contexts draw on, with one painter shared by all of them
// (a device takes one painter at a time).
struct Surface {
  QImage image;
  bool mono = false;
  std::unique_ptr<QPainter> painter;
  const void* configuredBy = nullptr;  // the context whose clip/origin the painter holds
  std::uint64_t configuredStamp = 0;

  QPainter* Begin();
  void End();
  ~Surface();
};

struct PenObj {
  LogPen lp;
  bool stock = false;
};

struct BrushObj {
  LogBrush lb;
  QImage pattern;        // BS_PATTERN: the pattern (RGB32; mono patterns black/white)
  bool monoPattern = false;
  bool stock = false;
  // A monochrome pattern coloured for a text/background colour pair.
  COLORREF cachedText = CLR_INVALID, cachedBk = CLR_INVALID;
  QImage cachedColored;
};

// A text laid out once with a font: controls draw the same captions over
// and over, and laying text out is the dear part of drawing it.
struct TextRun {
  int width = 0;
  QStaticText layout;
};

struct FontObj {
  LogFont lf;
  std::unordered_map<QString, TextRun> runs;
  QFont qfont;
  // qfont without underline and strike-out: text drawing draws those lines
  // itself, under the whole run whatever way it is drawn.
  QFont glyphs;
  std::unique_ptr<QFontMetrics> metrics;
  TextMetric tm;
  std::string resolvedFace;
  bool stock = false;
};

struct BitmapObj {
  Surface surface;
  HDC selectedInto{};
  bool stock = false;
};

struct RegionObj {
  QRegion rgn;
};

struct IconObj {
  QImage color;  // RGB32
  QImage mask;   // RGB32 black/white, white = transparent
};

struct CursorObj {
  QCursor cursor;
  bool shared = false;
};

struct DcState {
  HPEN pen{};
  HBRUSH brush{};
  HFONT font{};
  HBITMAP bitmap{};
  COLORREF textColor = 0x000000;
  COLORREF bkColor = 0xFFFFFF;
  int bkMode = OPAQUE;
  int rop2 = R2_COPYPEN;
  UINT textAlign = TA_TOP | TA_LEFT;
  int polyFill = ALTERNATE;
  int stretchMode = BLACKONWHITE;
  QPoint viewportOrg;
  QPoint brushOrg;
  QPoint curPos;
  std::optional<QRegion> clip;  // device coordinates
};

struct DcObj {
  enum class Kind { Window, Memory, Borrowed, Screen };
  Kind kind = Kind::Memory;
  HDC handle{};
  HWND hwnd{};
  bool nonClient = false;  // GetWindowDC: origin at the window's corner
  bool paintDc = false;
  Surface* surface = nullptr;
  QPainter* borrowed = nullptr;
  QPoint origin;           // device (0, 0) in surface coordinates
  QRegion visible;         // device coordinates
  DcState st;
  std::vector<DcState> saved;
  std::uint64_t stamp = 1;  // changes whenever clip or origin change
  std::unique_ptr<Surface> ownSurface;  // screen context scratch
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

struct Gui {
  HandleTable<WindowObj> windows;
  HandleTable<DcObj> dcs;
  HandleTable<PenObj> pens;
  HandleTable<BrushObj> brushes;
  HandleTable<FontObj> fonts;
  HandleTable<BitmapObj> bitmaps;
  HandleTable<RegionObj> regions;
  HandleTable<IconObj> icons;
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
  std::map<int, HPEN> stockPens;
  std::map<int, HBRUSH> stockBrushes;
  std::map<int, HFONT> stockFonts;
  std::map<int, HBRUSH> sysBrushes;
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

Gui& G();
bool Ready();  // Init ran and Shutdown did not

// Handle access (nullptr for a stale or foreign handle).
WindowObj* Win(HWND h);
DcObj* Dc(HDC h);
PenObj* Pen(HPEN h);
BrushObj* Brush(HBRUSH h);
FontObj* Font(HFONT h);
BitmapObj* Bmp(HBITMAP h);
RegionObj* Rgn(HRGN h);
IconObj* Icon(HICON h);
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
