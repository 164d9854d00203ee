#pragma once
// Messages as the visual classes handle them: one record for every message,
// the window layer's WM_ numbers, and the control messages (CM_) that the
// classes send one another. The control library numbers its own messages
// from CM_BASE + 1000 upward.
#include "class_library/core/Types.h"
#include "platform/gui/Messages.h"

using gui::LPARAM;
using gui::LRESULT;
using gui::UINT;
using gui::WPARAM;

struct TMessage {
  UINT Msg = 0;
  WPARAM WParam = 0;
  LPARAM LParam = 0;
  LRESULT Result = 0;
};

// Mouse messages carry the point in LParam (client coordinates).
inline int MessageX(const TMessage& M) { return gui::GET_X_LPARAM(M.LParam); }
inline int MessageY(const TMessage& M) { return gui::GET_Y_LPARAM(M.LParam); }

constexpr UINT CM_BASE = 0xB000;
constexpr UINT CM_ACTIVATE = CM_BASE + 0;
constexpr UINT CM_DEACTIVATE = CM_BASE + 1;
constexpr UINT CM_GOTFOCUS = CM_BASE + 2;
constexpr UINT CM_LOSTFOCUS = CM_BASE + 3;
constexpr UINT CM_CANCELMODE = CM_BASE + 4;    // LParam: the control that takes over
constexpr UINT CM_DIALOGKEY = CM_BASE + 5;     // WParam: virtual key, LParam: key data; Result 1: handled
constexpr UINT CM_DIALOGCHAR = CM_BASE + 6;    // WParam: character; Result 1: an accelerator took it
constexpr UINT CM_FOCUSCHANGED = CM_BASE + 7;  // LParam: the control with the focus
constexpr UINT CM_PARENTFONTCHANGED = CM_BASE + 8;
constexpr UINT CM_PARENTCOLORCHANGED = CM_BASE + 9;
constexpr UINT CM_HITTEST = CM_BASE + 10;      // LParam: client point; Result non-zero: the point is on the control
constexpr UINT CM_VISIBLECHANGED = CM_BASE + 11;
constexpr UINT CM_ENABLEDCHANGED = CM_BASE + 12;
constexpr UINT CM_COLORCHANGED = CM_BASE + 13;
constexpr UINT CM_FONTCHANGED = CM_BASE + 14;
constexpr UINT CM_CURSORCHANGED = CM_BASE + 15;
constexpr UINT CM_CTL3DCHANGED = CM_BASE + 16;
constexpr UINT CM_PARENTCTL3DCHANGED = CM_BASE + 17;
constexpr UINT CM_TEXTCHANGED = CM_BASE + 18;
constexpr UINT CM_MOUSEENTER = CM_BASE + 19;   // LParam: 0, or the child the mouse entered
constexpr UINT CM_MOUSELEAVE = CM_BASE + 20;   // LParam: 0, or the child the mouse left
constexpr UINT CM_MENUCHANGED = CM_BASE + 21;
constexpr UINT CM_APPKEYDOWN = CM_BASE + 22;
constexpr UINT CM_APPSYSCOMMAND = CM_BASE + 23;
constexpr UINT CM_BUTTONPRESSED = CM_BASE + 24;  // WParam: group index, LParam: the button
constexpr UINT CM_SHOWINGCHANGED = CM_BASE + 25;
constexpr UINT CM_ENTER = CM_BASE + 26;
constexpr UINT CM_EXIT = CM_BASE + 27;
constexpr UINT CM_DESIGNHITTEST = CM_BASE + 28;
constexpr UINT CM_ICONCHANGED = CM_BASE + 29;
constexpr UINT CM_WANTSPECIALKEY = CM_BASE + 30;
constexpr UINT CM_RELEASE = CM_BASE + 33;
constexpr UINT CM_SHOWHINTCHANGED = CM_BASE + 34;
constexpr UINT CM_PARENTSHOWHINTCHANGED = CM_BASE + 35;
constexpr UINT CM_SYSCOLORCHANGE = CM_BASE + 36;
constexpr UINT CM_TABSTOPCHANGED = CM_BASE + 40;
constexpr UINT CM_CONTROLLISTCHANGE = CM_BASE + 44;  // WParam: the control, LParam: inserted (1) or removed (0)
constexpr UINT CM_CHILDKEY = CM_BASE + 46;
constexpr UINT CM_DRAG = CM_BASE + 47;           // WParam: TDragMessage, LParam: TDragRec*
constexpr UINT CM_HINTSHOW = CM_BASE + 48;       // LParam: THintInfo*; Result non-zero: no hint
constexpr UINT CM_RECREATEWND = CM_BASE + 51;
constexpr UINT CM_INVALIDATE = CM_BASE + 52;
constexpr UINT CM_CONTROLCHANGE = CM_BASE + 54;  // WParam: the control, LParam: inserted (1) or removed (0)
constexpr UINT CM_CHANGED = CM_BASE + 55;
constexpr UINT CM_DOCKCLIENT = CM_BASE + 56;
constexpr UINT CM_UNDOCKCLIENT = CM_BASE + 57;
constexpr UINT CM_BORDERCHANGED = CM_BASE + 59;
constexpr UINT CM_HINTSHOWPAUSE = CM_BASE + 65;
constexpr UINT CM_DOCKNOTIFICATION = CM_BASE + 66;  // WParam: the docked client, LParam: TDockNotifyRec*  // WParam: whether a hint was showing, LParam: int* pause
constexpr UINT CM_MOUSEWHEEL = CM_BASE + 67;
// Notifications the control receives back from its own window (reflected).
constexpr UINT CN_BASE = 0xBC00;
constexpr UINT CN_COMMAND = CN_BASE + gui::WM_COMMAND;
constexpr UINT CN_DRAWITEM = CN_BASE + gui::WM_DRAWITEM;
constexpr UINT CN_MEASUREITEM = CN_BASE + gui::WM_MEASUREITEM;
constexpr UINT CN_CTLCOLOREDIT = CN_BASE + gui::WM_CTLCOLOREDIT;
constexpr UINT CN_CTLCOLORLISTBOX = CN_BASE + gui::WM_CTLCOLORLISTBOX;
constexpr UINT CN_CTLCOLORSTATIC = CN_BASE + gui::WM_CTLCOLORSTATIC;
constexpr UINT CN_KEYDOWN = CN_BASE + gui::WM_KEYDOWN;
constexpr UINT CN_CHAR = CN_BASE + gui::WM_CHAR;
