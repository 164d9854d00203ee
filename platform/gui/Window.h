#pragma once
// Windows: a tree of rectangles with a procedure that receives messages.
//
// Every window has a procedure (a function object); messages are sent to it
// synchronously (SendMessage) or posted to the application loop
// (PostMessage). What a window does not handle goes to DefWindowProc, which
// does the default thing for the window's kind: a plain window, or one of
// the native controls of Controls.h (an edit or a list box), whose editing
// behaviour is the toolkit's.
//
// Geometry. A child window's rectangle is in its parent's client
// coordinates; a top-level window's in screen coordinates. The client area
// is the window rectangle less the non-client frame the window reports in
// WM_NCCALCSIZE (by default: WS_BORDER one pixel, WS_EX_CLIENTEDGE two,
// WS_EX_STATICEDGE one); the frame is painted in WM_NCPAINT. A top-level
// window with a caption gets its frame from the desktop's window manager,
// outside its rectangle: for such a window the rectangle is the client area.
//
// Painting. Invalidating part of a window marks it; when the loop has no
// more posted work it paints every marked window, parents before children:
// WM_NCPAINT when the frame is marked, then WM_PAINT, whose handler calls
// BeginPaint (which sends WM_ERASEBKGND when asked to erase) and EndPaint.
// A window without WS_CLIPCHILDREN also marks the children under the area;
// painting of a window with it leaves its children out, as WS_CLIPSIBLINGS
// leaves out the siblings above a window. Drawing may also happen at any
// other time through GetDC/GetWindowDC; what is drawn appears when the loop
// next runs.
//
// Input. Mouse messages go to the topmost visible, enabled window under the
// pointer (WM_NCHITTEST answering HTTRANSPARENT passes the point on), or to
// the window holding the capture; WM_SETCURSOR precedes each mouse message.
// When the pointer leaves a window that got a WM_MOUSEMOVE, the window gets
// WM_MOUSELEAVE (also when the pointer moves to one of its children, as the
// message is about the window itself). Keys go to the focus window:
// WM_KEYDOWN, WM_CHAR for keys that type a character, WM_KEYUP (WM_SYS* while
// Alt is held).
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "platform/gui/Messages.h"
#include "platform/gui/Types.h"

namespace gui {

// The window procedure.
using WindowProc = std::function<LRESULT(HWND, UINT, WPARAM, LPARAM)>;

// Styles.
constexpr DWORD WS_OVERLAPPED = 0x00000000;
constexpr DWORD WS_TABSTOP = 0x00010000;
constexpr DWORD WS_MAXIMIZEBOX = 0x00010000;
constexpr DWORD WS_GROUP = 0x00020000;
constexpr DWORD WS_MINIMIZEBOX = 0x00020000;
constexpr DWORD WS_THICKFRAME = 0x00040000;  // sizeable
constexpr DWORD WS_SYSMENU = 0x00080000;
constexpr DWORD WS_HSCROLL = 0x00100000;
constexpr DWORD WS_VSCROLL = 0x00200000;
constexpr DWORD WS_DLGFRAME = 0x00400000;
constexpr DWORD WS_BORDER = 0x00800000;
constexpr DWORD WS_CAPTION = 0x00C00000;
constexpr DWORD WS_MAXIMIZE = 0x01000000;
constexpr DWORD WS_CLIPCHILDREN = 0x02000000;
constexpr DWORD WS_CLIPSIBLINGS = 0x04000000;
constexpr DWORD WS_DISABLED = 0x08000000;
constexpr DWORD WS_VISIBLE = 0x10000000;
constexpr DWORD WS_MINIMIZE = 0x20000000;
constexpr DWORD WS_CHILD = 0x40000000;
constexpr DWORD WS_POPUP = 0x80000000;
constexpr DWORD WS_OVERLAPPEDWINDOW =
    WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_THICKFRAME | WS_MINIMIZEBOX | WS_MAXIMIZEBOX;

constexpr DWORD WS_EX_DLGMODALFRAME = 0x00000001;
constexpr DWORD WS_EX_TOPMOST = 0x00000008;
constexpr DWORD WS_EX_TRANSPARENT = 0x00000020;
constexpr DWORD WS_EX_TOOLWINDOW = 0x00000080;
constexpr DWORD WS_EX_WINDOWEDGE = 0x00000100;
constexpr DWORD WS_EX_CLIENTEDGE = 0x00000200;
constexpr DWORD WS_EX_CONTROLPARENT = 0x00010000;
constexpr DWORD WS_EX_STATICEDGE = 0x00020000;
constexpr DWORD WS_EX_APPWINDOW = 0x00040000;
constexpr DWORD WS_EX_NOACTIVATE = 0x08000000;

// Class styles.
constexpr DWORD CS_VREDRAW = 0x0001;  // repaint all on a height change
constexpr DWORD CS_HREDRAW = 0x0002;  // repaint all on a width change
constexpr DWORD CS_DBLCLKS = 0x0008;  // double clicks arrive as *BUTTONDBLCLK
constexpr DWORD CS_SAVEBITS = 0x0800;
constexpr DWORD CS_DROPSHADOW = 0x00020000;

// What CreateWindow needs. className "" makes a plain window; "EDIT" and
// "LISTBOX" make the native controls (Controls.h).
struct CreateParams {
  std::string className;
  std::string windowName;  // caption or text (bytes, UTF-8 where valid, else Windows-1252)
  DWORD style = 0;
  DWORD exStyle = 0;
  DWORD classStyle = CS_DBLCLKS;
  int x = 0, y = 0, width = 0, height = 0;
  HWND parent{};      // for WS_CHILD: the parent; for a top-level window: its owner (may be none)
  int id = 0;          // child id, reported in WM_COMMAND and WM_DRAWITEM
  WindowProc proc;     // empty: DefWindowProc only
  HBRUSH background{}; // DefWindowProc's WM_ERASEBKGND fills with it (none: no erase)
  HCURSOR cursor{};    // DefWindowProc's WM_SETCURSOR sets it (none: the arrow)
  void* createParam = nullptr;  // CreateStruct::lpCreateParams
};

// Creates the window; messages WM_NCCREATE, WM_NCCALCSIZE, WM_CREATE reach
// the procedure before this returns; WS_VISIBLE shows it. Returns none when
// WM_NCCREATE answers 0 or WM_CREATE answers -1, or the parent is invalid.
HWND CreateWindow(const CreateParams& params);
// Sends WM_DESTROY to the window and then to its descendants, destroys the
// children, then WM_NCDESTROY. Gives up focus and capture held inside it.
bool DestroyWindow(HWND hwnd);
bool IsWindow(HWND hwnd);

// The procedure: replace it (the old one is returned; a replacement calls it
// through CallWindowProc for what it does not handle).
WindowProc SetWindowProc(HWND hwnd, WindowProc proc);
LRESULT CallWindowProc(const WindowProc& proc, HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
LRESULT DefWindowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);

// Messages. SendMessage calls the procedure now (a stale handle answers 0).
// PostMessage queues the message for the application loop; safe from any
// thread; false for a stale window (a window destroyed before the message is
// taken drops it). PostMessage with no window reaches the thread handler.
LRESULT SendMessage(HWND hwnd, UINT msg, WPARAM wParam = 0, LPARAM lParam = 0);
bool PostMessage(HWND hwnd, UINT msg, WPARAM wParam = 0, LPARAM lParam = 0);
// Receives messages posted with no window (on the GUI thread).
void SetThreadMessageHandler(std::function<void(const Msg&)> handler);
// The message being handled now on the GUI thread (SendMessage or a posted
// one), or a null message outside any handler.
const Msg& CurrentMessage();

// Window data.
constexpr int GWL_STYLE = -16;
constexpr int GWL_EXSTYLE = -20;
constexpr int GWL_ID = -12;
constexpr int GWL_USERDATA = -21;
constexpr int GWL_CLASSSTYLE = -26;
// Reads and writes a style, the id or the user data; the write answers the
// old value. A style change does not move the window: call SetWindowPos with
// SWP_FRAMECHANGED to recompute the frame.
std::intptr_t GetWindowLong(HWND hwnd, int index);
std::intptr_t SetWindowLong(HWND hwnd, int index, std::intptr_t value);
std::string GetClassName(HWND hwnd);

// Text: sends WM_SETTEXT / WM_GETTEXT (for a plain window DefWindowProc keeps
// it; a captioned top-level window shows it as its title).
bool SetWindowText(HWND hwnd, const std::string& text);
std::string GetWindowText(HWND hwnd);

// Tree.
HWND GetParent(HWND hwnd);  // the parent of a child, the owner of a top-level window
HWND SetParent(HWND hwnd, HWND newParent);  // none makes a child a top-level window
bool IsChild(HWND parent, HWND hwnd);        // hwnd is a descendant of parent
HWND GetAncestorRoot(HWND hwnd);             // the top-level window that holds hwnd
constexpr UINT GW_HWNDFIRST = 0;  // topmost sibling
constexpr UINT GW_HWNDLAST = 1;   // bottom sibling
constexpr UINT GW_HWNDNEXT = 2;   // the sibling below
constexpr UINT GW_HWNDPREV = 3;   // the sibling above
constexpr UINT GW_OWNER = 4;
constexpr UINT GW_CHILD = 5;      // topmost child
HWND GetWindow(HWND hwnd, UINT relation);
// Children top to bottom; top-level windows when parent is none.
std::vector<HWND> GetChildren(HWND parent);

// Position, size and z-order. hwndInsertAfter: a sibling (the window goes
// just below it), HWND_TOP, HWND_BOTTOM, HWND_TOPMOST, HWND_NOTOPMOST.
constexpr HWND HWND_TOP{0};
constexpr HWND HWND_BOTTOM{1};
constexpr HWND HWND_TOPMOST{static_cast<std::uintptr_t>(-1)};
constexpr HWND HWND_NOTOPMOST{static_cast<std::uintptr_t>(-2)};
constexpr UINT SWP_NOSIZE = 0x0001;
constexpr UINT SWP_NOMOVE = 0x0002;
constexpr UINT SWP_NOZORDER = 0x0004;
constexpr UINT SWP_NOREDRAW = 0x0008;
constexpr UINT SWP_NOACTIVATE = 0x0010;
constexpr UINT SWP_FRAMECHANGED = 0x0020;
constexpr UINT SWP_SHOWWINDOW = 0x0040;
constexpr UINT SWP_HIDEWINDOW = 0x0080;
constexpr UINT SWP_NOCOPYBITS = 0x0100;
constexpr UINT SWP_NOOWNERZORDER = 0x0200;
constexpr UINT SWP_NOSENDCHANGING = 0x0400;
// Sends WM_WINDOWPOSCHANGING (the handler may change the record),
// WM_NCCALCSIZE when the size or frame changes, WM_WINDOWPOSCHANGED (whose
// default sends WM_MOVE and WM_SIZE), and repaints what was uncovered and the
// window itself when its size changed.
bool SetWindowPos(HWND hwnd, HWND insertAfter, int x, int y, int cx, int cy, UINT flags);
bool MoveWindow(HWND hwnd, int x, int y, int cx, int cy, bool repaint = true);
bool BringWindowToTop(HWND hwnd);
// Window rectangle in screen coordinates; client rectangle at (0, 0).
bool GetWindowRect(HWND hwnd, Rect& r);
bool GetClientRect(HWND hwnd, Rect& r);
// Window rectangle in its parent's client coordinates (screen for top-level).
Rect GetWindowBounds(HWND hwnd);
bool ClientToScreen(HWND hwnd, Point& p);
bool ScreenToClient(HWND hwnd, Point& p);
// Maps points from one window's client coordinates to another's (none: screen).
void MapWindowPoints(HWND from, HWND to, Point* points, int count);
// Minimum and maximum size of a sizeable top-level window.
void SetSizeLimits(HWND hwnd, Size minimum, Size maximum);

// Visibility.
constexpr int SW_HIDE = 0;
constexpr int SW_SHOWNORMAL = 1;
constexpr int SW_SHOWMINIMIZED = 2;
constexpr int SW_SHOWMAXIMIZED = 3;
constexpr int SW_SHOWNOACTIVATE = 4;
constexpr int SW_SHOW = 5;
constexpr int SW_MINIMIZE = 6;
constexpr int SW_SHOWNA = 8;
constexpr int SW_RESTORE = 9;
// Sends WM_SHOWWINDOW; answers whether the window was visible before.
bool ShowWindow(HWND hwnd, int command);
// The window's own WS_VISIBLE; IsWindowShowing also needs every ancestor visible.
bool IsWindowVisible(HWND hwnd);
bool IsWindowShowing(HWND hwnd);
bool IsIconic(HWND hwnd);
bool IsZoomed(HWND hwnd);

// Enabled state: EnableWindow sends WM_ENABLE; a disabled window gets no
// mouse or keyboard input (the mouse passes through to its parent) and loses
// the focus. Answers whether the window was disabled before.
bool EnableWindow(HWND hwnd, bool enable);
bool IsWindowEnabled(HWND hwnd);

// Focus: sends WM_KILLFOCUS to the old window, then WM_SETFOCUS to the new;
// answers the old focus window. A hidden or disabled window takes no focus.
HWND SetFocus(HWND hwnd);
HWND GetFocus();
// Activation of top-level windows (WM_ACTIVATE).
HWND GetActiveWindow();
HWND SetActiveWindow(HWND hwnd);
HWND GetForegroundWindow();
bool SetForegroundWindow(HWND hwnd);
// Whether this program's window is the active one on the desktop.
bool IsApplicationActive();

// Mouse capture: the window gets every mouse message until released; the
// window losing the capture gets WM_CAPTURECHANGED.
HWND SetCapture(HWND hwnd);
bool ReleaseCapture();
HWND GetCapture();

// The window under a screen point (visible windows only, hidden and disabled
// included as Windows does for hit tests of this kind) and the child of a
// parent under a client point.
HWND WindowFromPoint(Point screen);
constexpr UINT CWP_ALL = 0x0000;
constexpr UINT CWP_SKIPINVISIBLE = 0x0001;
constexpr UINT CWP_SKIPDISABLED = 0x0002;
constexpr UINT CWP_SKIPTRANSPARENT = 0x0004;
HWND ChildWindowFromPointEx(HWND parent, Point client, UINT flags);

// Window region: the window shows and is hit only inside it (window
// coordinates, origin at the window's top-left). The window owns the region
// from then on (do not delete it); none removes the region.
bool SetWindowRgn(HWND hwnd, HRGN region, bool redraw);
// A copy of the region into an existing region; answers its kind (Gdi.h) or ERROR.
int GetWindowRgn(HWND hwnd, HRGN into);

// Invalidation and painting. Rectangles are client coordinates (none: the
// whole client area).
bool InvalidateRect(HWND hwnd, const Rect* r, bool erase);
bool InvalidateRgn(HWND hwnd, HRGN region, bool erase);
bool ValidateRect(HWND hwnd, const Rect* r);
bool ValidateRgn(HWND hwnd, HRGN region);
// The bounding box of the marked area (false and an empty rectangle when
// nothing is marked).
bool GetUpdateRect(HWND hwnd, Rect* r, bool erase);
// Paints the window now when it is marked (WM_NCPAINT, WM_PAINT).
bool UpdateWindow(HWND hwnd);
constexpr UINT RDW_INVALIDATE = 0x0001;
constexpr UINT RDW_INTERNALPAINT = 0x0002;
constexpr UINT RDW_ERASE = 0x0004;
constexpr UINT RDW_VALIDATE = 0x0008;
constexpr UINT RDW_NOINTERNALPAINT = 0x0010;
constexpr UINT RDW_NOERASE = 0x0020;
constexpr UINT RDW_NOCHILDREN = 0x0040;
constexpr UINT RDW_ALLCHILDREN = 0x0080;
constexpr UINT RDW_UPDATENOW = 0x0100;
constexpr UINT RDW_ERASENOW = 0x0200;
constexpr UINT RDW_FRAME = 0x0400;
constexpr UINT RDW_NOFRAME = 0x0800;
// r and region are client coordinates; RDW_FRAME marks the non-client frame
// too.
bool RedrawWindow(HWND hwnd, const Rect* r, HRGN region, UINT flags);
// While off, the window is not painted (the marks stay).
void SetRedraw(HWND hwnd, bool on);
// BeginPaint hands out the paint context of the marked area and unmarks it;
// it sends WM_ERASEBKGND first when the mark asked for erasing. Outside
// WM_PAINT it answers a context for the whole client area.
HDC BeginPaint(HWND hwnd, PaintStruct& ps);
bool EndPaint(HWND hwnd, const PaintStruct& ps);
// Device contexts drawing on a window's client area (GetDC) or whole window
// (GetWindowDC), clipped to its visible part; GetDC(none) is the screen.
// Release each with ReleaseDC.
HDC GetDC(HWND hwnd);
HDC GetWindowDC(HWND hwnd);
constexpr DWORD DCX_WINDOW = 0x0001;
constexpr DWORD DCX_CACHE = 0x0002;
constexpr DWORD DCX_CLIPCHILDREN = 0x0008;
constexpr DWORD DCX_CLIPSIBLINGS = 0x0010;
constexpr DWORD DCX_PARENTCLIP = 0x0020;
constexpr DWORD DCX_EXCLUDERGN = 0x0040;
constexpr DWORD DCX_INTERSECTRGN = 0x0080;
// clip: a region in screen coordinates for DCX_INTERSECTRGN / DCX_EXCLUDERGN.
HDC GetDCEx(HWND hwnd, HRGN clip, DWORD flags);
int ReleaseDC(HWND hwnd, HDC dc);
// The window whose context dc is (none for memory contexts).
HWND WindowFromDC(HDC dc);

// Timers on the application loop: WM_TIMER with wParam = id every elapse
// milliseconds (at least 1); setting an existing id restarts it. Destroying
// the window kills its timers.
std::uintptr_t SetTimer(HWND hwnd, std::uintptr_t id, UINT elapse);
bool KillTimer(HWND hwnd, std::uintptr_t id);

// Caret of a plain window (shown by the window; the native edit keeps its
// own). GetCaretPos answers the caret of the focus window in its client
// coordinates, for the native edit its text cursor.
bool CreateCaret(HWND hwnd, int width, int height);
bool DestroyCaret();
bool SetCaretPos(int x, int y);
bool GetCaretPos(Point& p);
bool ShowCaret(HWND hwnd);
bool HideCaret(HWND hwnd);

// Mouse cursor shapes.
constexpr int IDC_ARROW = 32512;
constexpr int IDC_IBEAM = 32513;
constexpr int IDC_WAIT = 32514;
constexpr int IDC_CROSS = 32515;
constexpr int IDC_UPARROW = 32516;
constexpr int IDC_SIZENWSE = 32642;
constexpr int IDC_SIZENESW = 32643;
constexpr int IDC_SIZEWE = 32644;
constexpr int IDC_SIZENS = 32645;
constexpr int IDC_SIZEALL = 32646;
constexpr int IDC_NO = 32648;
constexpr int IDC_HAND = 32649;
constexpr int IDC_APPSTARTING = 32650;
constexpr int IDC_HELP = 32651;
// A shared cursor of the desktop (never deleted).
HCURSOR LoadCursor(int id);
// A cursor from a colour bitmap, a mask and a hot spot (see Gdi.h); delete
// with DestroyCursor.
HCURSOR CreateCursorFromBitmap(HBITMAP color, HBITMAP mask, Point hotSpot);
bool DestroyCursor(HCURSOR cursor);
// Sets the shape over the window under the pointer; answers the previous one.
HCURSOR SetCursor(HCURSOR cursor);
HCURSOR GetCursor();
// Pointer position in screen coordinates.
bool GetCursorPos(Point& p);
bool SetCursorPos(int x, int y);

// Keys: bit 15 set while the key is down (mouse buttons VK_LBUTTON ... too),
// bit 0 toggled (Caps Lock and the like).
std::int16_t GetKeyState(int vk);
std::int16_t GetAsyncKeyState(int vk);

// The system beep.
bool MessageBeep(UINT type);

// Titles and icons of top-level windows.
bool SetWindowIcon(HWND hwnd, HICON icon);

}  // namespace gui
