// Visual styles (off by default).
#include "platform/gui/Theme.h"

#include <algorithm>
#include <cctype>

#include "platform/gui/Gdi.h"
#include "platform/gui/Screen.h"
#include "platform/gui/Window.h"
#include "platform/gui/detail/State.h"

namespace gui {
namespace {

bool gStyles = false;

enum Family : std::uintptr_t { kButton = 1, kComboBox, kEdit, kExplorerBar, kStatus };

std::string Upper(std::string s) {
  for (char& c : s) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return s;
}

}  // namespace

bool IsThemeActive() { return gStyles; }
bool IsAppThemed() { return gStyles; }
void SetVisualStylesEnabled(bool on) { gStyles = on; }

HTHEME OpenThemeData(HWND, const std::string& classList) {
  if (!gStyles) return HTHEME{};
  std::string name = Upper(classList);
  std::size_t semi = name.find(';');
  if (semi != std::string::npos) name = name.substr(0, semi);
  if (name == "BUTTON") return static_cast<HTHEME>(kButton);
  if (name == "COMBOBOX") return static_cast<HTHEME>(kComboBox);
  if (name == "EDIT") return static_cast<HTHEME>(kEdit);
  if (name == "EXPLORERBAR") return static_cast<HTHEME>(kExplorerBar);
  if (name == "STATUS") return static_cast<HTHEME>(kStatus);
  return HTHEME{};
}

bool CloseThemeData(HTHEME theme) { return !IsNull(theme); }

bool DrawThemeBackground(HTHEME theme, HDC dc, int, int, const Rect& r, const Rect*) {
  if (IsNull(theme)) return false;
  Rect rr = r;
  return DrawEdge(dc, rr, EDGE_RAISED, BF_RECT | BF_MIDDLE);
}

bool DrawThemeText(HTHEME theme, HDC dc, int, int, const std::string& text, UINT flags, const Rect& r) {
  if (IsNull(theme)) return false;
  Rect rr = r;
  int mode = SetBkMode(dc, TRANSPARENT);
  DrawText(dc, text, rr, flags);
  SetBkMode(dc, mode);
  return true;
}

bool GetThemeColor(HTHEME theme, int, int, int property, COLORREF& color) {
  if (IsNull(theme)) return false;
  color = property == TMT_TEXTCOLOR ? GetSysColor(COLOR_BTNTEXT) : GetSysColor(COLOR_BTNFACE);
  return true;
}

bool GetThemeBackgroundContentRect(HTHEME theme, HDC, int, int, const Rect& r, Rect& content) {
  if (IsNull(theme)) return false;
  content = r;
  InflateRect(content, -2, -2);
  return true;
}

bool DrawThemeParentBackground(HWND child, HDC dc, const Rect* r) {
  HWND parent = GetParent(child);
  if (IsNull(parent) || (GetWindowLong(child, GWL_STYLE) & WS_CHILD) == 0) return false;
  Rect bounds = GetWindowBounds(child);
  int saved = SaveDC(dc);
  Rect cr;
  GetClientRect(child, cr);
  Rect clip = r ? *r : cr;
  IntersectClipRect(dc, clip.Left, clip.Top, clip.Right, clip.Bottom);
  OffsetViewportOrgEx(dc, -bounds.Left, -bounds.Top, nullptr);
  SendMessage(parent, WM_ERASEBKGND, ToWParam(dc), 0);
  SendMessage(parent, WM_PRINTCLIENT, ToWParam(dc), PRF_CLIENT);
  RestoreDC(dc, saved);
  return true;
}

}  // namespace gui
