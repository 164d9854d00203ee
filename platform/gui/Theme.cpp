// Visual styles (off by default). When on, the few parts the controls use
// are drawn in a plain flat style of this layer's own: soft fills with a
// one-pixel rounded border, a blue border for the hot and default states.
#include "platform/gui/Theme.h"

#include <algorithm>

#include "platform/gui/Gdi.h"
#include "platform/gui/Screen.h"
#include "platform/gui/Window.h"
#include "platform/gui/detail/WindowState.h"
#include "platform/system/AsciiCase.h"

namespace gui {
namespace {

bool gStyles = false;

enum Family : std::uintptr_t { kButton = 1, kComboBox, kEdit, kExplorerBar, kStatus };

Family FamilyOf(HTHEME t) { return static_cast<Family>(static_cast<std::uintptr_t>(t)); }

struct Look {
  COLORREF top, bottom, border;
};

// Button-like parts by state (normal, hot, pressed, disabled, defaulted).
Look ButtonLook(int state) {
  switch (state) {
    case PBS_HOT: return {RGB(234, 246, 253), RGB(190, 230, 253), RGB(60, 127, 177)};
    case PBS_PRESSED: return {RGB(196, 229, 246), RGB(152, 209, 239), RGB(44, 98, 139)};
    case PBS_DISABLED: return {RGB(244, 244, 244), RGB(244, 244, 244), RGB(173, 178, 181)};
    case PBS_DEFAULTED: return {RGB(242, 242, 242), RGB(221, 221, 221), RGB(38, 160, 218)};
    default: return {RGB(242, 242, 242), RGB(221, 221, 221), RGB(112, 112, 112)};
  }
}

void FillVertical(HDC dc, const Rect& r, COLORREF top, COLORREF bottom) {
  int h = std::max(1, r.Height());
  for (int y = r.Top; y < r.Bottom; ++y) {
    int k = y - r.Top;
    COLORREF c = RGB(GetRValue(top) + (GetRValue(bottom) - GetRValue(top)) * k / h,
                     GetGValue(top) + (GetGValue(bottom) - GetGValue(top)) * k / h,
                     GetBValue(top) + (GetBValue(bottom) - GetBValue(top)) * k / h);
    UniqueGdi<HBRUSH> b(CreateSolidBrush(c));
    FillRect(dc, Rect{r.Left, y, r.Right, y + 1}, b.get());
  }
}

// A one-pixel border with its corner pixels left out.
void SoftBorder(HDC dc, const Rect& r, COLORREF c) {
  if (r.Width() < 3 || r.Height() < 3) return;
  UniqueGdi<HBRUSH> b(CreateSolidBrush(c));
  FillRect(dc, Rect{r.Left + 1, r.Top, r.Right - 1, r.Top + 1}, b.get());
  FillRect(dc, Rect{r.Left + 1, r.Bottom - 1, r.Right - 1, r.Bottom}, b.get());
  FillRect(dc, Rect{r.Left, r.Top + 1, r.Left + 1, r.Bottom - 1}, b.get());
  FillRect(dc, Rect{r.Right - 1, r.Top + 1, r.Right, r.Bottom - 1}, b.get());
}

void DownArrow(HDC dc, const Rect& r, COLORREF c) {
  int cx = r.Left + r.Width() / 2, cy = r.Top + r.Height() / 2;
  UniqueGdi<HBRUSH> b(CreateSolidBrush(c));
  for (int i = 0; i < 4; ++i) FillRect(dc, Rect{cx - 3 + i, cy - 1 + i, cx + 4 - i, cy + i}, b.get());
}

void Gripper(HDC dc, const Rect& r) {
  UniqueGdi<HBRUSH> light(CreateSolidBrush(RGB(255, 255, 255))), dark(CreateSolidBrush(RGB(160, 160, 160)));
  for (int row = 0; row < 3; ++row)
    for (int col = 0; col <= row; ++col) {
      int x = r.Right - 4 - 4 * col, y = r.Bottom - 4 - 4 * (2 - row);
      FillRect(dc, Rect{x + 1, y + 1, x + 3, y + 3}, light.get());
      FillRect(dc, Rect{x, y, x + 2, y + 2}, dark.get());
    }
}

}  // namespace

bool IsThemeActive() { return gStyles; }
bool IsAppThemed() { return gStyles; }
void SetVisualStylesEnabled(bool on) { gStyles = on; }

HTHEME OpenThemeData(HWND, const std::string& classList) {
  if (!gStyles) return HTHEME{};
  // A list of names separated by ";": the first one known wins.
  std::string list = sys::AsciiUpperCase(classList);
  std::size_t start = 0;
  while (start <= list.size()) {
    std::size_t end = list.find(';', start);
    std::string name = list.substr(start, end == std::string::npos ? std::string::npos : end - start);
    if (name == "BUTTON") return static_cast<HTHEME>(kButton);
    if (name == "COMBOBOX") return static_cast<HTHEME>(kComboBox);
    if (name == "EDIT") return static_cast<HTHEME>(kEdit);
    if (name == "EXPLORERBAR") return static_cast<HTHEME>(kExplorerBar);
    if (name == "STATUS") return static_cast<HTHEME>(kStatus);
    if (end == std::string::npos) break;
    start = end + 1;
  }
  return HTHEME{};
}

bool CloseThemeData(HTHEME theme) { return !IsNull(theme); }

bool DrawThemeBackground(HTHEME theme, HDC dc, int part, int state, const Rect& r, const Rect* clip) {
  if (IsNull(theme)) return false;
  int saved = SaveDC(dc);
  if (clip) IntersectClipRect(dc, clip->Left, clip->Top, clip->Right, clip->Bottom);
  switch (FamilyOf(theme)) {
    case kButton: {
      Look l = ButtonLook(state);
      FillVertical(dc, Rect{r.Left + 1, r.Top + 1, r.Right - 1, r.Bottom - 1}, l.top, l.bottom);
      SoftBorder(dc, r, l.border);
      if (state == PBS_DEFAULTED) SoftBorder(dc, Rect{r.Left + 1, r.Top + 1, r.Right - 1, r.Bottom - 1}, RGB(164, 211, 238));
      break;
    }
    case kComboBox: {
      Look l = ButtonLook(state);  // CBXS_* run parallel to PBS_* for the states used
      FillVertical(dc, Rect{r.Left + 1, r.Top + 1, r.Right - 1, r.Bottom - 1}, l.top, l.bottom);
      SoftBorder(dc, r, l.border);
      DownArrow(dc, r, state == CBXS_DISABLED ? RGB(173, 178, 181) : RGB(77, 97, 133));
      break;
    }
    case kEdit: {
      UniqueGdi<HBRUSH> w(CreateSolidBrush(GetSysColor(COLOR_WINDOW))), b(CreateSolidBrush(RGB(127, 157, 185)));
      FillRect(dc, r, w.get());
      FrameRect(dc, r, b.get());
      break;
    }
    case kExplorerBar:
      FillVertical(dc, r, RGB(198, 211, 247), RGB(214, 223, 247));
      break;
    case kStatus: {
      if (part == SP_GRIPPER) {
        Gripper(dc, r);
      } else if (part == SP_PANE || part == SP_GRIPPERPANE) {
        UniqueGdi<HBRUSH> line(CreateSolidBrush(RGB(200, 197, 184)));
        FillRect(dc, Rect{r.Right - 1, r.Top + 2, r.Right, r.Bottom - 2}, line.get());
      } else {
        UniqueGdi<HBRUSH> face(CreateSolidBrush(RGB(236, 233, 216))), top(CreateSolidBrush(RGB(172, 168, 153)));
        FillRect(dc, r, face.get());
        FillRect(dc, Rect{r.Left, r.Top, r.Right, r.Top + 1}, top.get());
      }
      break;
    }
  }
  RestoreDC(dc, saved);
  return true;
}

bool DrawThemeText(HTHEME theme, HDC dc, int part, int state, const std::string& text, UINT flags, const Rect& r) {
  if (IsNull(theme)) return false;
  COLORREF color = GetSysColor(COLOR_BTNTEXT);
  GetThemeColor(theme, part, state, TMT_TEXTCOLOR, color);
  Rect rr = r;
  int mode = SetBkMode(dc, TRANSPARENT);
  COLORREF old = SetTextColor(dc, color);
  DrawText(dc, text, rr, flags);
  SetTextColor(dc, old);
  SetBkMode(dc, mode);
  return true;
}

bool GetThemeColor(HTHEME theme, int part, int state, int property, COLORREF& color) {
  if (IsNull(theme)) return false;
  switch (FamilyOf(theme)) {
    case kButton:
      if (property != TMT_TEXTCOLOR) return false;
      color = state == PBS_DISABLED ? RGB(161, 161, 146) : RGB(0, 0, 0);
      return true;
    case kEdit:
      if (property != TMT_BORDERCOLOR) return false;
      color = RGB(127, 157, 185);
      return true;
    case kExplorerBar:
      if (property == TMT_GRADIENTCOLOR1) {
        color = RGB(198, 211, 247);
        return true;
      }
      if (property == TMT_FILLCOLOR) {
        color = part == EBP_SPECIALGROUPHEAD ? RGB(33, 93, 198) : RGB(214, 223, 247);
        return true;
      }
      if (property == TMT_TEXTCOLOR) {
        color = part == EBP_SPECIALGROUPBACKGROUND ? RGB(255, 255, 255) : RGB(33, 93, 198);
        return true;
      }
      return false;
    case kStatus:
      if (property != TMT_TEXTCOLOR) return false;
      color = RGB(0, 0, 0);
      return true;
    default: return false;
  }
}

bool GetThemeBackgroundContentRect(HTHEME theme, HDC, int, int, const Rect& r, Rect& content) {
  if (IsNull(theme)) return false;
  content = r;
  InflateRect(content, -3, -3);
  return true;
}

bool DrawThemeParentBackground(HWND child, HDC dc, const Rect* r) {
  HWND parent = GetParent(child);
  if (IsNull(parent) || (GetWindowLong(child, GWL_STYLE) & WS_CHILD) == 0) return false;
  Rect cr;
  GetClientRect(child, cr);
  Rect clip = r ? *r : cr;
  int saved = SaveDC(dc);
  IntersectClipRect(dc, clip.Left, clip.Top, clip.Right, clip.Bottom);
  // The child's client corner in the parent's client coordinates.
  Point corner{0, 0};
  MapWindowPoints(child, parent, &corner, 1);
  OffsetViewportOrgEx(dc, -corner.X, -corner.Y, nullptr);
  SendMessage(parent, WM_ERASEBKGND, ToWParam(dc), 0);
  SendMessage(parent, WM_PRINTCLIENT, ToWParam(dc), PRF_CLIENT);
  RestoreDC(dc, saved);
  return true;
}

}  // namespace gui
