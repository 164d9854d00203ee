// The classic 3-D edges and frame controls.
#include <algorithm>

#include "platform/gui/Gdi.h"
#include "platform/gui/Screen.h"
#include "platform/gui/detail/DcInternal.h"

namespace gui {
namespace detail {
namespace {

// One ring on the chosen sides: upper-left colour on the left and top,
// lower-right colour on the right and bottom (the lower-right colour takes
// the top-right and bottom-left corners).
void Ring(DcObj& d, const Rect& r, COLORREF ul, COLORREF lr, UINT sides) {
  QPainter* p = Prepare(d);
  if (!p || IsRectEmpty(r)) return;
  p->setCompositionMode(QPainter::CompositionMode_Source);
  QColor a = SurfaceColor(d, ul), b = SurfaceColor(d, lr);
  int w = r.Width(), h = r.Height();
  if (sides & BF_LEFT) p->fillRect(QRect(r.Left, r.Top, 1, h), a);
  if (sides & BF_TOP) p->fillRect(QRect(r.Left, r.Top, w, 1), a);
  if (sides & BF_RIGHT) p->fillRect(QRect(r.Right - 1, r.Top, 1, h), b);
  if (sides & BF_BOTTOM) p->fillRect(QRect(r.Left, r.Bottom - 1, w, 1), b);
}

void Shrink(Rect& r, UINT sides) {
  if (sides & BF_LEFT) ++r.Left;
  if (sides & BF_TOP) ++r.Top;
  if (sides & BF_RIGHT) --r.Right;
  if (sides & BF_BOTTOM) --r.Bottom;
}

void Fill(DcObj& d, const Rect& r, COLORREF c) {
  QPainter* p = Prepare(d);
  if (!p || IsRectEmpty(r)) return;
  p->setCompositionMode(QPainter::CompositionMode_Source);
  p->fillRect(QRect(r.Left, r.Top, r.Width(), r.Height()), SurfaceColor(d, c));
}

// A solid triangle pointing in a direction (0 up, 1 down, 2 left, 3 right)
// centred in r.
void Arrow(DcObj& d, const Rect& r, int dir, COLORREF c, int shift) {
  QPainter* p = Prepare(d);
  if (!p) return;
  p->setCompositionMode(QPainter::CompositionMode_Source);
  QColor q = SurfaceColor(d, c);
  int size = std::max(1, (std::min(r.Width(), r.Height()) - 4) / 4 + 1);
  int cx = r.Left + r.Width() / 2 + shift, cy = r.Top + r.Height() / 2 + shift;
  for (int i = 0; i < size; ++i) {
    int len = 2 * (size - i) - 1;
    switch (dir) {
      case 0: p->fillRect(QRect(cx - (len / 2), cy - size / 2 + (size - 1 - i), len, 1), q); break;
      case 1: p->fillRect(QRect(cx - (len / 2), cy - size / 2 + i, len, 1), q); break;
      case 2: p->fillRect(QRect(cx - size / 2 + (size - 1 - i), cy - (len / 2), 1, len), q); break;
      default: p->fillRect(QRect(cx - size / 2 + i, cy - (len / 2), 1, len), q); break;
    }
  }
}

// The tick of a checked box or menu item: a short stroke down to the right
// then a longer one up, each three pixels thick, from (x0, y0).
void CheckMark(QPainter* p, int x0, int y0, const QColor& c) {
  for (int i = 0; i < 3; ++i) p->fillRect(QRect(x0 + i, y0 + i, 1, 3), c);
  for (int i = 0; i < 4; ++i) p->fillRect(QRect(x0 + 3 + i, y0 + 1 - i, 1, 3), c);
}

}  // namespace
}  // namespace detail

using namespace detail;

bool DrawEdge(HDC dc, Rect& r, UINT edge, UINT flags) {
  DcObj* d = Dc(dc);
  if (!d) return false;
  UINT sides = flags & BF_RECT;
  Rect cur = r;
  COLORREF face = GetSysColor(COLOR_BTNFACE);
  if (flags & BF_MONO) {
    Ring(*d, cur, GetSysColor(COLOR_WINDOWFRAME), GetSysColor(COLOR_WINDOWFRAME), sides);
    Shrink(cur, sides);
    if (edge & (BDR_RAISEDINNER | BDR_SUNKENINNER)) {
      Ring(*d, cur, GetSysColor(COLOR_WINDOW), GetSysColor(COLOR_WINDOW), sides);
      Shrink(cur, sides);
    }
  } else if (flags & BF_FLAT) {
    Ring(*d, cur, GetSysColor(COLOR_BTNSHADOW), GetSysColor(COLOR_BTNSHADOW), sides);
    Shrink(cur, sides);
    if (edge & (BDR_RAISEDINNER | BDR_SUNKENINNER)) {
      Ring(*d, cur, face, face, sides);
      Shrink(cur, sides);
    }
  } else {
    if (edge & BDR_RAISEDOUTER) {
      Ring(*d, cur, GetSysColor(COLOR_3DLIGHT), GetSysColor(COLOR_3DDKSHADOW), sides);
      Shrink(cur, sides);
    } else if (edge & BDR_SUNKENOUTER) {
      Ring(*d, cur, GetSysColor(COLOR_BTNSHADOW), GetSysColor(COLOR_BTNHIGHLIGHT), sides);
      Shrink(cur, sides);
    }
    if (edge & BDR_RAISEDINNER) {
      Ring(*d, cur, GetSysColor(COLOR_BTNHIGHLIGHT), GetSysColor(COLOR_BTNSHADOW), sides);
      Shrink(cur, sides);
    } else if (edge & BDR_SUNKENINNER) {
      Ring(*d, cur, GetSysColor(COLOR_3DDKSHADOW), GetSysColor(COLOR_3DLIGHT), sides);
      Shrink(cur, sides);
    }
  }
  if (flags & BF_MIDDLE) Fill(*d, cur, face);
  if (flags & BF_ADJUST) r = cur;
  return true;
}

namespace {

// The face of a push button (flat, sunken or raised); inner shrinks to the
// area inside the edge.
void ButtonFace(HDC dc, DcObj& d, Rect& inner, UINT state) {
  if (state & DFCS_FLAT) {
    FrameRect(dc, inner, GetSysColorBrush(COLOR_BTNSHADOW));
    InflateRect(inner, -1, -1);
    Fill(d, inner, GetSysColor(COLOR_BTNFACE));
  } else if (state & DFCS_PUSHED) {
    DrawEdge(dc, inner, EDGE_SUNKEN, BF_RECT | BF_ADJUST | BF_MIDDLE);
  } else {
    DrawEdge(dc, inner, EDGE_RAISED, BF_RECT | BF_ADJUST | BF_MIDDLE);
  }
}

// Check box or radio button: a sunken white box with the mark.
void CheckBox(HDC dc, DcObj& d, const Rect& r, UINT state) {
  bool inactive = state & DFCS_INACTIVE;
  int s = std::min({r.Width(), r.Height(), 13});
  Rect box{r.Left + (r.Width() - s) / 2, r.Top + (r.Height() - s) / 2, 0, 0};
  box.Right = box.Left + s;
  box.Bottom = box.Top + s;
  Rect b = box;
  DrawEdge(dc, b, EDGE_SUNKEN, BF_RECT | BF_ADJUST);
  Fill(d, b, inactive || (state & DFCS_PUSHED) ? GetSysColor(COLOR_BTNFACE) : GetSysColor(COLOR_WINDOW));
  if (state & DFCS_CHECKED) {
    QPainter* p = Prepare(d);
    if (p) {
      QColor c = SurfaceColor(d, inactive ? GetSysColor(COLOR_GRAYTEXT) : GetSysColor(COLOR_WINDOWTEXT));
      CheckMark(p, b.Left + 1, b.Top + b.Height() / 2 - 1, c);
    }
  }
}

bool ButtonControl(HDC dc, DcObj& d, Rect& r, UINT state) {
  if ((state & 0x1F) == DFCS_BUTTONPUSH) {
    Rect inner = r;
    ButtonFace(dc, d, inner, state);
    if (state & DFCS_ADJUSTRECT) r = inner;
  } else {
    CheckBox(dc, d, r, state);
  }
  return true;
}

// Three diagonal ridges in the lower-right corner, each a highlight line
// above two shadow lines.
void SizeGrip(DcObj& d, const Rect& r) {
  QPainter* p = Prepare(d);
  if (!p) return;
  p->setCompositionMode(QPainter::CompositionMode_Source);
  QColor hi = SurfaceColor(d, GetSysColor(COLOR_BTNHIGHLIGHT));
  QColor sh = SurfaceColor(d, GetSysColor(COLOR_BTNSHADOW));
  int size = std::min(r.Width(), r.Height());
  for (int k = 0; k < 3; ++k) {
    int start = 4 * k + 1;  // distance of the ridge from the corner
    for (int line = 0; line < 3; ++line) {
      int off = start + line;
      if (off >= size) break;
      QColor c = line == 2 ? hi : sh;  // the line farthest from the corner
      for (int i = 0; i < off; ++i) p->fillRect(QRect(r.Right - off + i, r.Bottom - 1 - i, 1, 1), c);
    }
  }
}

bool ScrollControl(HDC dc, DcObj& d, const Rect& r, UINT state) {
  UINT kind = state & 0x1F;
  if (kind == DFCS_SCROLLSIZEGRIP) {
    SizeGrip(d, r);
    return true;
  }
  Rect inner = r;
  ButtonFace(dc, d, inner, state);
  int shift = (state & DFCS_PUSHED) ? 1 : 0;
  int dir = kind == DFCS_SCROLLUP ? 0 : kind == DFCS_SCROLLLEFT ? 2 : kind == DFCS_SCROLLRIGHT ? 3 : 1;
  if (state & DFCS_INACTIVE) {
    Arrow(d, inner, dir, GetSysColor(COLOR_BTNHIGHLIGHT), shift + 1);
    Arrow(d, inner, dir, GetSysColor(COLOR_BTNSHADOW), shift);
  } else {
    Arrow(d, inner, dir, GetSysColor(COLOR_BTNTEXT), shift);
  }
  return true;
}

// A caption button: the face with a cross.
bool CaptionControl(HDC dc, DcObj& d, const Rect& r, UINT state) {
  Rect inner = r;
  ButtonFace(dc, d, inner, state);
  QPainter* p = Prepare(d);
  if (!p) return true;
  p->setCompositionMode(QPainter::CompositionMode_Source);
  QColor c = SurfaceColor(d, GetSysColor((state & DFCS_INACTIVE) ? COLOR_GRAYTEXT : COLOR_BTNTEXT));
  int shift = (state & DFCS_PUSHED) ? 1 : 0;
  int s = std::max(2, std::min(inner.Width(), inner.Height()) - 6);
  int x0 = inner.Left + (inner.Width() - s) / 2 + shift, y0 = inner.Top + (inner.Height() - s) / 2 + shift;
  for (int i = 0; i < s; ++i) {
    p->fillRect(QRect(x0 + i, y0 + i, 2, 1), c);
    p->fillRect(QRect(x0 + s - 1 - i - 1, y0 + i, 2, 1), c);
  }
  return true;
}

bool MenuControl(DcObj& d, const Rect& r, UINT state) {
  QPainter* p = Prepare(d);
  if (!p) return true;
  if ((state & 0x1F) == DFCS_MENUCHECK) {
    QColor c = SurfaceColor(d, 0);
    p->setCompositionMode(QPainter::CompositionMode_Source);
    CheckMark(p, r.Left + r.Width() / 2 - 3, r.Top + r.Height() / 2 - 1, c);
  } else {
    Arrow(d, r, 3, 0, 0);
  }
  return true;
}

}  // namespace

bool DrawFrameControl(HDC dc, Rect& r, UINT type, UINT state) {
  DcObj* d = Dc(dc);
  if (!d) return false;
  switch (type) {
    case DFC_BUTTON: return ButtonControl(dc, *d, r, state);
    case DFC_SCROLL: return ScrollControl(dc, *d, r, state);
    case DFC_CAPTION: return CaptionControl(dc, *d, r, state);
    case DFC_MENU: return MenuControl(*d, r, state);
  }
  return false;
}

}  // namespace gui
