#pragma once
// Displays, system metrics and system colours.
#include <vector>

#include "platform/gui/Types.h"

namespace gui {

// Monitors, in the desktop's order (the primary one first).
constexpr DWORD MONITORINFOF_PRIMARY = 1;
struct MonitorInfo {
  Rect rcMonitor;  // the whole display, screen coordinates
  Rect rcWork;     // less the desktop's panels and docks
  DWORD dwFlags = 0;
};
std::vector<HMONITOR> EnumDisplayMonitors();
bool GetMonitorInfo(HMONITOR monitor, MonitorInfo& info);
constexpr DWORD MONITOR_DEFAULTTONULL = 0;
constexpr DWORD MONITOR_DEFAULTTOPRIMARY = 1;
constexpr DWORD MONITOR_DEFAULTTONEAREST = 2;
HMONITOR MonitorFromPoint(Point p, DWORD flags);
HMONITOR MonitorFromRect(const Rect& r, DWORD flags);
HMONITOR MonitorFromWindow(HWND hwnd, DWORD flags);
// The work area of the primary monitor.
Rect GetWorkArea();

// System metrics (pixels unless said).
constexpr int SM_CXSCREEN = 0;
constexpr int SM_CYSCREEN = 1;
constexpr int SM_CXVSCROLL = 2;
constexpr int SM_CYHSCROLL = 3;
constexpr int SM_CYCAPTION = 4;
constexpr int SM_CXBORDER = 5;
constexpr int SM_CYBORDER = 6;
constexpr int SM_CXDLGFRAME = 7;
constexpr int SM_CYDLGFRAME = 8;
constexpr int SM_CYVTHUMB = 9;
constexpr int SM_CXHTHUMB = 10;
constexpr int SM_CXICON = 11;
constexpr int SM_CYICON = 12;
constexpr int SM_CXCURSOR = 13;
constexpr int SM_CYCURSOR = 14;
constexpr int SM_CYMENU = 15;
constexpr int SM_CXFULLSCREEN = 16;
constexpr int SM_CYFULLSCREEN = 17;
constexpr int SM_CYVSCROLL = 20;
constexpr int SM_CXHSCROLL = 21;
constexpr int SM_SWAPBUTTON = 23;
constexpr int SM_CXMIN = 28;
constexpr int SM_CYMIN = 29;
constexpr int SM_CXSIZE = 30;
constexpr int SM_CYSIZE = 31;
constexpr int SM_CXFRAME = 32;
constexpr int SM_CYFRAME = 33;
constexpr int SM_CXDOUBLECLK = 36;
constexpr int SM_CYDOUBLECLK = 37;
constexpr int SM_CXEDGE = 45;
constexpr int SM_CYEDGE = 46;
constexpr int SM_CXSMICON = 49;
constexpr int SM_CYSMICON = 50;
constexpr int SM_CXDRAG = 68;
constexpr int SM_CYDRAG = 69;
constexpr int SM_CXMENUCHECK = 71;
constexpr int SM_CYMENUCHECK = 72;
constexpr int SM_MOUSEWHEELPRESENT = 75;
constexpr int SM_XVIRTUALSCREEN = 76;
constexpr int SM_YVIRTUALSCREEN = 77;
constexpr int SM_CXVIRTUALSCREEN = 78;
constexpr int SM_CYVIRTUALSCREEN = 79;
constexpr int SM_CMONITORS = 80;
int GetSystemMetrics(int index);

// Settings.
constexpr UINT SPI_GETWORKAREA = 0x0030;          // out: Rect
constexpr UINT SPI_GETWHEELSCROLLLINES = 0x0068;  // out: UINT (3)
constexpr UINT SPI_GETKEYBOARDDELAY = 0x0016;     // out: int
constexpr UINT SPI_GETMOUSEHOVERTIME = 0x0066;    // out: UINT
bool SystemParametersInfo(UINT action, void* out);
// Milliseconds.
UINT GetDoubleClickTime();
UINT GetCaretBlinkTime();

// System colours: index 0..30 (COLOR_SCROLLBAR .. COLOR_MENUBAR).
constexpr int COLOR_SCROLLBAR = 0;
constexpr int COLOR_BACKGROUND = 1;
constexpr int COLOR_ACTIVECAPTION = 2;
constexpr int COLOR_INACTIVECAPTION = 3;
constexpr int COLOR_MENU = 4;
constexpr int COLOR_WINDOW = 5;
constexpr int COLOR_WINDOWFRAME = 6;
constexpr int COLOR_MENUTEXT = 7;
constexpr int COLOR_WINDOWTEXT = 8;
constexpr int COLOR_CAPTIONTEXT = 9;
constexpr int COLOR_ACTIVEBORDER = 10;
constexpr int COLOR_INACTIVEBORDER = 11;
constexpr int COLOR_APPWORKSPACE = 12;
constexpr int COLOR_HIGHLIGHT = 13;
constexpr int COLOR_HIGHLIGHTTEXT = 14;
constexpr int COLOR_BTNFACE = 15;
constexpr int COLOR_BTNSHADOW = 16;
constexpr int COLOR_GRAYTEXT = 17;
constexpr int COLOR_BTNTEXT = 18;
constexpr int COLOR_INACTIVECAPTIONTEXT = 19;
constexpr int COLOR_BTNHIGHLIGHT = 20;
constexpr int COLOR_3DDKSHADOW = 21;
constexpr int COLOR_3DLIGHT = 22;
constexpr int COLOR_INFOTEXT = 23;
constexpr int COLOR_INFOBK = 24;
constexpr int COLOR_HOTLIGHT = 26;
constexpr int COLOR_GRADIENTACTIVECAPTION = 27;
constexpr int COLOR_GRADIENTINACTIVECAPTION = 28;
constexpr int COLOR_MENUHILIGHT = 29;
constexpr int COLOR_MENUBAR = 30;
// The classic scheme by default (button face (212, 208, 200) and so on), so
// that drawing does not depend on the desktop; UseDesktopColors takes the
// colours of the desktop's palette instead.
COLORREF GetSysColor(int index);
// A shared solid brush of the colour (never deleted).
HBRUSH GetSysColorBrush(int index);
// Replaces colours (tests, and a program that wants its own scheme).
void SetSysColor(int index, COLORREF color);
void UseDesktopColors();
void UseClassicColors();

}  // namespace gui
