#pragma once
// The native controls: an edit ("EDIT") and a list box ("LISTBOX"), made
// with CreateWindow and driven by the messages below. Their editing and
// selection behaviour is the toolkit's; what the program sees is a window
// like any other: its procedure gets the mouse and key messages first, and
// what it passes on to DefWindowProc reaches the control (a key swallowed by
// the procedure never reaches it; a WM_CHAR passed on with another character
// types that one). The frame (WS_BORDER, WS_EX_CLIENTEDGE) is the window's
// non-client area, painted in WM_NCPAINT like any window's; the control fills
// the client area, scroll bars included.
//
// Text positions are byte offsets into the text as WM_GETTEXT returns it.
// The text is kept in the encoding it was set in: text that is valid UTF-8
// (plain ASCII included) stays UTF-8; other text is Windows-1252, and
// characters typed that it cannot hold become "?".
//
// Colours: before painting, the control asks its parent with
// WM_CTLCOLOREDIT (WM_CTLCOLORSTATIC for a read-only or disabled edit) or
// WM_CTLCOLORLISTBOX, wParam a context and lParam the control: the answer is
// the background brush, and the text colour set into the context is the text
// colour. DefWindowProc answers the window colours.
//
// Notifications go to the parent as WM_COMMAND (wParam: id | code << 16,
// lParam: the control): EN_CHANGE after the user changed the text (not after
// WM_SETTEXT), EN_SETFOCUS, EN_KILLFOCUS, EN_VSCROLL, EN_HSCROLL; with
// LBS_NOTIFY, LBN_SELCHANGE when the user changed the selection, LBN_DBLCLK,
// LBN_SETFOCUS, LBN_KILLFOCUS.
#include "platform/gui/Messages.h"
#include "platform/gui/Types.h"

namespace gui {

constexpr const char* EDIT_CLASS = "EDIT";
constexpr const char* LISTBOX_CLASS = "LISTBOX";

// Edit styles.
constexpr DWORD ES_LEFT = 0x0000;
constexpr DWORD ES_CENTER = 0x0001;
constexpr DWORD ES_RIGHT = 0x0002;
constexpr DWORD ES_MULTILINE = 0x0004;
constexpr DWORD ES_UPPERCASE = 0x0008;
constexpr DWORD ES_LOWERCASE = 0x0010;
constexpr DWORD ES_PASSWORD = 0x0020;
constexpr DWORD ES_AUTOVSCROLL = 0x0040;
constexpr DWORD ES_AUTOHSCROLL = 0x0080;  // multi-line: no word wrap
constexpr DWORD ES_NOHIDESEL = 0x0100;
constexpr DWORD ES_OEMCONVERT = 0x0400;
constexpr DWORD ES_READONLY = 0x0800;
constexpr DWORD ES_WANTRETURN = 0x1000;
constexpr DWORD ES_NUMBER = 0x2000;
// A multi-line edit wraps words unless it has ES_AUTOHSCROLL or WS_HSCROLL;
// WS_VSCROLL and WS_HSCROLL show the scroll bars.

// Edit messages. Lines and characters are counted from 0.
constexpr UINT EM_GETSEL = 0x00B0;         // wParam: DWORD* start, lParam: DWORD* end; answers start | end << 16
constexpr UINT EM_SETSEL = 0x00B1;         // wParam: start, lParam: end (-1: to the end; start -1: no selection)
constexpr UINT EM_GETRECT = 0x00B2;        // lParam: Rect*
constexpr UINT EM_SCROLL = 0x00B5;         // wParam: SB_LINEUP/LINEDOWN/PAGEUP/PAGEDOWN; answers lines scrolled | 1 << 16, 0 when nothing moved
constexpr UINT EM_LINESCROLL = 0x00B6;     // wParam: characters across, lParam: lines down
constexpr UINT EM_SCROLLCARET = 0x00B7;
constexpr UINT EM_GETMODIFY = 0x00B8;
constexpr UINT EM_SETMODIFY = 0x00B9;
constexpr UINT EM_GETLINECOUNT = 0x00BA;
constexpr UINT EM_LINEINDEX = 0x00BB;      // wParam: line (-1: the caret's); answers its first character, -1 past the end
constexpr UINT EM_GETHANDLE = 0x00BD;
constexpr UINT EM_LINELENGTH = 0x00C1;     // wParam: a character index; answers the length of its line
constexpr UINT EM_REPLACESEL = 0x00C2;     // wParam: can undo, lParam: const char*
constexpr UINT EM_GETLINE = 0x00C4;        // wParam: line, lParam: char* whose first WORD is the buffer size; answers bytes copied (no NUL)
constexpr UINT EM_LIMITTEXT = 0x00C5;      // wParam: maximum bytes (0: no limit)
constexpr UINT EM_SETLIMITTEXT = 0x00C5;
constexpr UINT EM_CANUNDO = 0x00C6;
constexpr UINT EM_UNDO = 0x00C7;
constexpr UINT EM_LINEFROMCHAR = 0x00C9;   // wParam: character (-1: the caret's line)
constexpr UINT EM_SETTABSTOPS = 0x00CB;
constexpr UINT EM_SETPASSWORDCHAR = 0x00CC;
constexpr UINT EM_EMPTYUNDOBUFFER = 0x00CD;
constexpr UINT EM_GETFIRSTVISIBLELINE = 0x00CE;
constexpr UINT EM_SETREADONLY = 0x00CF;    // wParam: read-only
constexpr UINT EM_GETPASSWORDCHAR = 0x00D2;
constexpr UINT EM_SETMARGINS = 0x00D3;     // wParam: EC_*, lParam: left | right << 16
constexpr UINT EM_GETMARGINS = 0x00D4;
constexpr UINT EM_GETLIMITTEXT = 0x00D5;
constexpr UINT EM_POSFROMCHAR = 0x00D6;    // wParam: character; answers x | y << 16 (client coordinates)
constexpr UINT EM_CHARFROMPOS = 0x00D7;    // lParam: x | y << 16; answers character | line << 16, -1 outside
constexpr UINT EM_SETCUEBANNER = 0x1501;   // wParam: show while focused, lParam: const char* (bytes as above)
constexpr UINT EM_GETCUEBANNER = 0x1502;   // wParam: char*, lParam: buffer size
constexpr UINT EM_GETCARETINDEX = 0x1512;  // answers the caret's character (where a selection is extended from it)
constexpr WPARAM EC_LEFTMARGIN = 0x0001;
constexpr WPARAM EC_RIGHTMARGIN = 0x0002;

// List box styles.
constexpr DWORD LBS_NOTIFY = 0x0001;
constexpr DWORD LBS_SORT = 0x0002;             // items sorted without regard to case
constexpr DWORD LBS_NOREDRAW = 0x0004;
constexpr DWORD LBS_MULTIPLESEL = 0x0008;      // a click toggles an item
constexpr DWORD LBS_OWNERDRAWFIXED = 0x0010;   // the parent draws the items (WM_DRAWITEM)
constexpr DWORD LBS_OWNERDRAWVARIABLE = 0x0020;
constexpr DWORD LBS_HASSTRINGS = 0x0040;
constexpr DWORD LBS_USETABSTOPS = 0x0080;
constexpr DWORD LBS_NOINTEGRALHEIGHT = 0x0100;
constexpr DWORD LBS_MULTICOLUMN = 0x0200;
constexpr DWORD LBS_WANTKEYBOARDINPUT = 0x0400;
constexpr DWORD LBS_EXTENDEDSEL = 0x0800;      // Shift and Ctrl extend the selection
constexpr DWORD LBS_DISABLENOSCROLL = 0x1000;
constexpr DWORD LBS_NODATA = 0x2000;

// List box messages. Items are counted from 0; LB_ERR is -1.
constexpr LRESULT LB_OKAY = 0;
constexpr LRESULT LB_ERR = -1;
constexpr UINT LB_ADDSTRING = 0x0180;          // lParam: const char*; answers the index (sorted place with LBS_SORT)
constexpr UINT LB_INSERTSTRING = 0x0181;       // wParam: index (-1: at the end), lParam: const char*
constexpr UINT LB_DELETESTRING = 0x0182;       // answers the count left
constexpr UINT LB_SELITEMRANGEEX = 0x0183;
constexpr UINT LB_RESETCONTENT = 0x0184;
constexpr UINT LB_SETSEL = 0x0185;             // multi-selection: wParam: select, lParam: index (-1: all)
constexpr UINT LB_SETCURSEL = 0x0186;          // single selection: wParam: index (-1: none)
constexpr UINT LB_GETSEL = 0x0187;
constexpr UINT LB_GETCURSEL = 0x0188;          // multi-selection: the caret item
constexpr UINT LB_GETTEXT = 0x0189;            // wParam: index, lParam: char* (LB_GETTEXTLEN + 1 bytes)
constexpr UINT LB_GETTEXTLEN = 0x018A;
constexpr UINT LB_GETCOUNT = 0x018B;
constexpr UINT LB_SELECTSTRING = 0x018C;
constexpr UINT LB_GETTOPINDEX = 0x018E;
constexpr UINT LB_FINDSTRING = 0x018F;         // wParam: start after (-1: from the top), lParam: const char* prefix, any case
constexpr UINT LB_GETSELCOUNT = 0x0190;
constexpr UINT LB_GETSELITEMS = 0x0191;        // wParam: capacity, lParam: int*
constexpr UINT LB_SETTABSTOPS = 0x0192;
constexpr UINT LB_GETHORIZONTALEXTENT = 0x0193;
constexpr UINT LB_SETHORIZONTALEXTENT = 0x0194;
constexpr UINT LB_SETCOLUMNWIDTH = 0x0195;
constexpr UINT LB_SETTOPINDEX = 0x0197;
constexpr UINT LB_GETITEMRECT = 0x0198;        // wParam: index, lParam: Rect* (client coordinates)
constexpr UINT LB_GETITEMDATA = 0x0199;
constexpr UINT LB_SETITEMDATA = 0x019A;
constexpr UINT LB_SELITEMRANGE = 0x019B;
constexpr UINT LB_SETANCHORINDEX = 0x019C;
constexpr UINT LB_GETANCHORINDEX = 0x019D;
constexpr UINT LB_SETCARETINDEX = 0x019E;
constexpr UINT LB_GETCARETINDEX = 0x019F;
constexpr UINT LB_SETITEMHEIGHT = 0x01A0;      // lParam: height
constexpr UINT LB_GETITEMHEIGHT = 0x01A1;
constexpr UINT LB_FINDSTRINGEXACT = 0x01A2;    // as LB_FINDSTRING, the whole text (any case)
constexpr UINT LB_SETCOUNT = 0x01A7;
constexpr UINT LB_ITEMFROMPOINT = 0x01A9;      // lParam: client point; answers index | outside << 16

// Scroll bars of the native controls: SB_HORZ, SB_VERT or SB_BOTH.
bool ShowScrollBar(HWND hwnd, int bar, bool show);

}  // namespace gui
