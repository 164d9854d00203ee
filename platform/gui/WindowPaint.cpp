// Invalidation, the paint turn, and device contexts of windows.
#include <algorithm>

#include "platform/gui/App.h"
#include "platform/gui/Gdi.h"
#include "platform/gui/Window.h"
#include "platform/gui/detail/DcInternal.h"
#include "platform/gui/detail/HostWidget.h"
#include "platform/gui/detail/QtConv.h"
#include "platform/gui/detail/WindowState.h"

namespace gui {
namespace detail {
namespace {

// The siblings above w that overlap area (surface coordinates).
QRegion SiblingsAbove(const WindowObj& w, const QRect& area) {
  QRegion out;
  const WindowObj* parent = Win(w.parent);
  if (!parent) return out;
  QPoint origin = SurfaceOrigin(*parent, true);
  for (HWND s : parent->children) {
    if (s == w.handle) break;
    const WindowObj* sib = Win(s);
    if (!sib || !(sib->style & WS_VISIBLE)) continue;
    QRect r(origin + QPoint(sib->bounds.Left, sib->bounds.Top), QSize(sib->bounds.Width(), sib->bounds.Height()));
    if (!r.intersects(area)) continue;
    if (sib->region)
      out += sib->region->translated(r.topLeft()) & r;
    else
      out += r;
  }
  return out;
}

// The window currently answering WM_PAINT and the area it repaints.
struct PaintFrame {
  HWND hwnd;
  QRegion area;  // client coordinates
  bool erase;
  bool begun = false;
};
std::vector<PaintFrame> gPaintFrames;

void PaintOne(HWND h) {
  WindowObj* w = Win(h);
  if (!w || !IsShowing(*w) || !w->redraw) return;
  if (w->ncInvalid) {
    w->ncInvalid = false;
    Dispatch(h, WM_NCPAINT, 1, 0);
    if (!(w = Win(h))) return;
  }
  if (!w->invalid.isEmpty()) {
    gPaintFrames.push_back(PaintFrame{h, w->invalid, w->erasePending});
    w->invalid = QRegion();
    w->erasePending = false;
    try {
      Dispatch(h, WM_PAINT, 0, 0);
    } catch (...) {
      gPaintFrames.pop_back();
      throw;
    }
    gPaintFrames.pop_back();
  }
}

void PaintTree(HWND h) {
  GuardedCall([&] { PaintOne(h); });
  WindowObj* w = Win(h);
  if (!w) return;
  std::vector<HWND> children = w->children;
  for (auto it = children.rbegin(); it != children.rend(); ++it) PaintTree(*it);
}

bool NeedsPaint(const WindowObj& w) {
  if (!(w.style & WS_VISIBLE)) return false;
  if (w.ncInvalid || !w.invalid.isEmpty()) return true;
  for (HWND c : w.children)
    if (const WindowObj* child = Win(c))
      if (NeedsPaint(*child)) return true;
  return false;
}

void FlushSurfaceOf(WindowObj& w) {
  if (HostWidget* host = HostOf(w)) {
    host->surface().End();
    host->update();
  }
}

}  // namespace

QRegion VisibleRegion(const WindowObj& w, bool clientOnly, bool clipChildren) {
  if (!IsShowing(w)) return QRegion();
  QPoint o = SurfaceOrigin(w, clientOnly);
  QRegion r;
  if (clientOnly)
    r = QRegion(QRect(o, QSize(w.client.Width(), w.client.Height())));
  else
    r = QRegion(QRect(o, QSize(w.bounds.Width(), w.bounds.Height())));
  if (w.region) r &= w.region->translated(SurfaceOrigin(w, false));
  if (w.style & WS_CLIPSIBLINGS) r -= SiblingsAbove(w, r.boundingRect());
  const WindowObj* cur = &w;
  while (!IsNull(cur->parent)) {
    const WindowObj* parent = Win(cur->parent);
    if (!parent) return QRegion();
    QPoint po = SurfaceOrigin(*parent, true);
    r &= QRect(po, QSize(parent->client.Width(), parent->client.Height()));
    if (parent->region) r &= parent->region->translated(SurfaceOrigin(*parent, false));
    if (parent->style & WS_CLIPSIBLINGS) r -= SiblingsAbove(*parent, r.boundingRect());
    cur = parent;
  }
  if (clipChildren) {
    QPoint origin = SurfaceOrigin(w, true);
    QRect area = r.boundingRect();
    QRegion children;
    for (HWND c : w.children) {
      const WindowObj* child = Win(c);
      if (!child || !(child->style & WS_VISIBLE)) continue;
      QRect cr(origin + QPoint(child->bounds.Left, child->bounds.Top), QSize(child->bounds.Width(), child->bounds.Height()));
      if (!cr.intersects(area)) continue;
      children += child->region ? (child->region->translated(cr.topLeft()) & cr) : QRegion(cr);
    }
    r -= children;
  }
  return r;
}

void InvalidateInternal(WindowObj& w, const QRegion& clientRgn, bool erase, bool children, bool evenClipped) {
  if (!(w.style & WS_VISIBLE)) return;
  QRegion area = clientRgn & QRect(0, 0, w.client.Width(), w.client.Height());
  if (!area.isEmpty()) {
    w.invalid += area;
    if (erase) w.erasePending = true;
    SchedulePaint();
  }
  if (!children || ((w.style & WS_CLIPCHILDREN) && !evenClipped)) return;
  for (HWND c : w.children) {
    WindowObj* child = Win(c);
    if (!child || !(child->style & WS_VISIBLE)) continue;
    QRegion inChild = clientRgn.translated(-child->bounds.Left, -child->bounds.Top);
    QRect shape(0, 0, child->bounds.Width(), child->bounds.Height());
    if (!inChild.intersects(shape)) continue;
    QRegion inClient = inChild.translated(-child->client.Left, -child->client.Top);
    if (!(inChild & shape).subtracted(QRegion(ToQRect(child->client))).isEmpty()) {
      child->ncInvalid = true;
      SchedulePaint();
    }
    InvalidateInternal(*child, inClient, erase, true, evenClipped);
  }
}

void FlushSurface(DcObj& dc) {
  if (dc.kind != DcObj::Kind::Window) return;
  WindowObj* w = Win(dc.hwnd);
  if (!w) return;
  if (HostWidget* host = HostOf(*w)) {
    QRect r = dc.visible.boundingRect().translated(dc.origin);
    if (!r.isEmpty()) host->update(r);
  }
}

void ForgetWindowDcs(HWND h) {
  Drawing().dcs.ForEach([&](const DcObj& d) {
    if (d.kind == DcObj::Kind::Window && d.hwnd == h) {
      auto& m = const_cast<DcObj&>(d);
      m.surface = nullptr;
      m.visible = QRegion();
    }
  });
}

}  // namespace detail

using namespace detail;

void PaintPending() {
  if (!Ready()) return;
  WindowState& g = Windows();
  if (g.painting) return;
  g.painting = true;
  struct Done {
    ~Done() {
      if (Ready()) Windows().painting = false;
    }
  } done;
  // Several rounds: painting may mark more (a parent painting its children's backgrounds).
  for (int round = 0; round < 4; ++round) {
    std::vector<HWND> tops = g.topLevels;
    bool any = false;
    for (auto it = tops.rbegin(); it != tops.rend(); ++it) {
      WindowObj* w = Win(*it);
      if (!w || !NeedsPaint(*w)) continue;
      any = true;
      PaintTree(*it);
      if ((w = Win(*it)) && w->host) {
        w->host->surface().End();
        w->host->update();
      }
    }
    if (!any) break;
  }
}

bool InvalidateRect(HWND hwnd, const Rect* r, bool erase) {
  WindowObj* w = Win(hwnd);
  if (!w) return false;
  QRegion area = r ? QRegion(ToQRect(*r)) : QRegion(0, 0, w->client.Width(), w->client.Height());
  InvalidateInternal(*w, area, erase, true);
  return true;
}

bool InvalidateRgn(HWND hwnd, HRGN region, bool erase) {
  WindowObj* w = Win(hwnd);
  if (!w) return false;
  RegionObj* r = Rgn(region);
  QRegion area = r ? r->rgn : QRegion(0, 0, w->client.Width(), w->client.Height());
  InvalidateInternal(*w, area, erase, true);
  return true;
}

bool ValidateRect(HWND hwnd, const Rect* r) {
  WindowObj* w = Win(hwnd);
  if (!w) return false;
  if (r)
    w->invalid -= ToQRect(*r);
  else
    w->invalid = QRegion();
  if (w->invalid.isEmpty()) w->erasePending = false;
  return true;
}

bool ValidateRgn(HWND hwnd, HRGN region) {
  WindowObj* w = Win(hwnd);
  if (!w) return false;
  if (RegionObj* r = Rgn(region))
    w->invalid -= r->rgn;
  else
    w->invalid = QRegion();
  if (w->invalid.isEmpty()) w->erasePending = false;
  return true;
}

bool GetUpdateRect(HWND hwnd, Rect* r, bool) {
  WindowObj* w = Win(hwnd);
  if (!w) return false;
  QRect b = w->invalid.boundingRect();
  if (r) *r = w->invalid.isEmpty() ? Rect{} : FromQRect(b);
  return !w->invalid.isEmpty();
}

bool UpdateWindow(HWND hwnd) {
  WindowObj* w = Win(hwnd);
  if (!w) return false;
  GuardedCall([&] { PaintOne(hwnd); });
  if ((w = Win(hwnd))) FlushSurfaceOf(*w);
  return true;
}

bool RedrawWindow(HWND hwnd, const Rect* r, HRGN region, UINT flags) {
  WindowObj* w = Win(hwnd);
  if (!w) return false;
  QRegion area;
  if (RegionObj* rg = Rgn(region))
    area = rg->rgn;
  else if (r)
    area = QRegion(ToQRect(*r));
  else
    area = QRegion(0, 0, w->client.Width(), w->client.Height());
  bool children = !(flags & RDW_NOCHILDREN);
  if (flags & RDW_INVALIDATE) {
    if (flags & RDW_FRAME) {
      w->ncInvalid = true;
      SchedulePaint();
    }
    if (flags & RDW_ALLCHILDREN) {
      InvalidateInternal(*w, area, flags & RDW_ERASE, false);
      for (HWND c : w->children) {
        WindowObj* child = Win(c);
        if (!child) continue;
        Rect cr = FromQRect(area.translated(-child->bounds.Left - child->client.Left,
                                            -child->bounds.Top - child->client.Top)
                                .boundingRect());
        RedrawWindow(c, &cr, HRGN{}, (flags & ~RDW_UPDATENOW) | RDW_FRAME);
      }
    } else {
      InvalidateInternal(*w, area, flags & RDW_ERASE, children);
    }
  }
  if (flags & RDW_VALIDATE) {
    w->invalid -= area;
    if (flags & RDW_NOFRAME) w->ncInvalid = false;
  }
  if (flags & (RDW_UPDATENOW | RDW_ERASENOW)) {
    if (flags & RDW_ALLCHILDREN) {
      PaintTree(hwnd);
    } else {
      GuardedCall([&] { PaintOne(hwnd); });
    }
    if ((w = Win(hwnd))) FlushSurfaceOf(*w);
  }
  return true;
}

void SetRedraw(HWND hwnd, bool on) {
  if (WindowObj* w = Win(hwnd)) {
    w->redraw = on;
    if (on && (w->ncInvalid || !w->invalid.isEmpty())) SchedulePaint();
  }
}

HDC BeginPaint(HWND hwnd, PaintStruct& ps) {
  WindowObj* w = Win(hwnd);
  ps = PaintStruct{};
  if (!w) return HDC{};
  QRegion area;
  bool erase = false;
  PaintFrame* frame = nullptr;
  for (auto it = gPaintFrames.rbegin(); it != gPaintFrames.rend(); ++it)
    if (it->hwnd == hwnd && !it->begun) {
      frame = &*it;
      break;
    }
  if (frame) {
    frame->begun = true;
    area = frame->area;
    erase = frame->erase;
  } else {
    area = w->invalid.isEmpty() ? QRegion(0, 0, w->client.Width(), w->client.Height()) : w->invalid;
    erase = w->erasePending;
    w->invalid = QRegion();
    w->erasePending = false;
  }
  QRegion limit = area.translated(SurfaceOrigin(*w, true));
  HDC dc = NewWindowDc(*w, false, w->style & WS_CLIPCHILDREN, &limit, true);
  ps.hdc = dc;
  ps.rcPaint = FromQRect(area.boundingRect());
  ps.fErase = 0;
  if (erase) {
    LRESULT erased = Dispatch(hwnd, WM_ERASEBKGND, ToWParam(dc), 0);
    ps.fErase = erased ? 0 : 1;
  }
  return dc;
}

bool EndPaint(HWND, const PaintStruct& ps) {
  DcObj* d = Dc(ps.hdc);
  if (!d) return false;
  FlushSurface(*d);
  FreeDc(ps.hdc);
  return true;
}

HDC GetDC(HWND hwnd) {
  if (!Ready()) return HDC{};
  if (IsNull(hwnd)) {
    // The screen: a context for measuring; what is drawn on it shows nowhere.
    auto d = std::make_unique<DcObj>();
    d->kind = DcObj::Kind::Screen;
    d->ownSurface = std::make_unique<Surface>();
    d->ownSurface->image = QImage(1, 1, QImage::Format_RGB32);
    d->surface = d->ownSurface.get();
    d->visible = QRegion(0, 0, 1, 1);
    d->st.pen = GetStockPen(BLACK_PEN);
    d->st.brush = GetStockBrush(WHITE_BRUSH);
    d->st.font = GetStockFont(SYSTEM_FONT);
    HDC h = static_cast<HDC>(Drawing().dcs.Add(std::move(d)));
    DcObj* dc = Dc(h);
    dc->handle = h;
    Restamp(*dc);
    return h;
  }
  WindowObj* w = Win(hwnd);
  if (!w) return HDC{};
  return NewWindowDc(*w, false, w->style & WS_CLIPCHILDREN, nullptr, false);
}

HDC GetWindowDC(HWND hwnd) {
  WindowObj* w = Win(hwnd);
  if (!w) return GetDC(hwnd);
  return NewWindowDc(*w, true, w->style & WS_CLIPCHILDREN, nullptr, false);
}

HDC GetDCEx(HWND hwnd, HRGN clip, DWORD flags) {
  WindowObj* w = Win(hwnd);
  if (!w) return GetDC(hwnd);
  bool clipChildren = (flags & DCX_CLIPCHILDREN) || (w->style & WS_CLIPCHILDREN);
  QRegion limit;
  const QRegion* lp = nullptr;
  if (RegionObj* r = Rgn(clip)) {
    WindowObj* root = RootOf(*w);
    QRegion inSurface = r->rgn.translated(-root->bounds.Left, -root->bounds.Top);
    QRegion all = VisibleRegion(*w, !(flags & DCX_WINDOW), clipChildren);
    if (flags & DCX_INTERSECTRGN) {
      limit = all & inSurface;
      lp = &limit;
    } else if (flags & DCX_EXCLUDERGN) {
      limit = all - inSurface;
      lp = &limit;
    }
  }
  return NewWindowDc(*w, flags & DCX_WINDOW, clipChildren, lp, false);
}

int ReleaseDC(HWND, HDC dc) {
  DcObj* d = Dc(dc);
  if (!d || d->kind == DcObj::Kind::Memory) return 0;
  FlushSurface(*d);
  FreeDc(dc);
  return 1;
}

HWND WindowFromDC(HDC dc) {
  DcObj* d = Dc(dc);
  return d && d->kind == DcObj::Kind::Window ? d->hwnd : HWND{};
}

}  // namespace gui
