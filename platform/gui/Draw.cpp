// Lines, shapes, fills and pixels.
#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "platform/gui/Gdi.h"
#include "platform/gui/detail/DcInternal.h"
#include "platform/gui/detail/QtConv.h"

namespace gui {
namespace detail {
namespace {

// On/off run lengths of the styled pens.
const std::vector<int>& StylePattern(int style) {
  static const std::vector<int> dash{6, 2}, dot{1, 1}, dashDot{6, 2, 1, 2}, dashDotDot{6, 2, 1, 2, 1, 2};
  static const std::vector<int> none;
  switch (style) {
    case PS_DASH: return dash;
    case PS_DOT:
    case PS_ALTERNATE: return dot;
    case PS_DASHDOT: return dashDot;
    case PS_DASHDOTDOT: return dashDotDot;
  }
  return none;
}

// Pixels of a line from a to b, b excluded (the usual integer stepping).
void LinePixels(QPoint a, QPoint b, std::vector<QPoint>& out) {
  int x0 = a.x(), y0 = a.y(), x1 = b.x(), y1 = b.y();
  int dx = std::abs(x1 - x0), dy = std::abs(y1 - y0);
  int sx = x0 < x1 ? 1 : -1, sy = y0 < y1 ? 1 : -1;
  int steps = std::max(dx, dy);
  if (steps == 0) return;
  out.reserve(out.size() + static_cast<std::size_t>(steps));
  if (dx >= dy) {
    int err = dx / 2;
    int y = y0;
    for (int i = 0, x = x0; i < steps; ++i, x += sx) {
      out.emplace_back(x, y);
      err -= dy;
      if (err < 0) {
        y += sy;
        err += dx;
      }
    }
  } else {
    int err = dy / 2;
    int x = x0;
    for (int i = 0, y = y0; i < steps; ++i, y += sy) {
      out.emplace_back(x, y);
      err -= dx;
      if (err < 0) {
        x += sx;
        err += dy;
      }
    }
  }
}

// Fills single pixels (logical coordinates), merging horizontal runs.
void FillPixels(QPainter* p, const std::vector<QPoint>& pts, const QBrush& brush) {
  std::size_t i = 0;
  while (i < pts.size()) {
    std::size_t j = i + 1;
    int y = pts[i].y();
    int x0 = pts[i].x(), x1 = x0;
    while (j < pts.size() && pts[j].y() == y && (pts[j].x() == x1 + 1 || pts[j].x() == x0 - 1)) {
      x0 = std::min(x0, pts[j].x());
      x1 = std::max(x1, pts[j].x());
      ++j;
    }
    if (j == i + 1) {
      // a vertical run
      int yy0 = y, yy1 = y;
      int x = pts[i].x();
      while (j < pts.size() && pts[j].x() == x && (pts[j].y() == yy1 + 1 || pts[j].y() == yy0 - 1)) {
        yy0 = std::min(yy0, pts[j].y());
        yy1 = std::max(yy1, pts[j].y());
        ++j;
      }
      p->fillRect(QRect(x, yy0, 1, yy1 - yy0 + 1), brush);
    } else {
      p->fillRect(QRect(x0, y, x1 - x0 + 1, 1), brush);
    }
    i = j;
  }
}

// Sets the composition mode for the context's pen mixing; false when the
// pen draws nothing.
bool ApplyRop2(DcObj& d, QPainter* p, QColor& color) {
  bool draws, black, white;
  QPainter::CompositionMode mode = Rop2Mode(d.st.rop2, draws, black, white);
  if (!draws) return false;
  if (black) color = QColor(0, 0, 0);
  if (white) color = QColor(255, 255, 255);
  p->setCompositionMode(mode);
  return true;
}

// Draws the pen along a polyline (each segment excludes its end point).
void StrokeSegments(DcObj& d, const std::vector<QPoint>& points, bool closed) {
  PenObj* pen = Pen(d.st.pen);
  if (!pen || pen->lp.style == PS_NULL || points.size() < 2) return;
  QPainter* p = Prepare(d);
  if (!p) return;
  QColor color = SurfaceColor(d, pen->lp.color);
  if (!ApplyRop2(d, p, color)) return;
  int width = std::max(1, pen->lp.width);
  if (width > 1) {
    QPen qp(color, width, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
    p->setPen(qp);
    p->setBrush(Qt::NoBrush);
    QPolygon poly;
    for (const QPoint& pt : points) poly << pt;
    if (closed)
      p->drawPolygon(poly);
    else
      p->drawPolyline(poly);
    return;
  }
  std::size_t n = points.size();
  const std::vector<int>& pattern = StylePattern(pen->lp.style);
  if (pattern.empty()) {
    // Segments that run straight across or down are one rectangle each (the
    // same pixels, each once, as the pixel walk gives).
    bool straight = true;
    for (std::size_t i = 0; i < (closed ? n : n - 1) && straight; ++i) {
      const QPoint& a = points[i];
      const QPoint& b = points[i + 1 < n ? i + 1 : 0];
      straight = a.x() == b.x() || a.y() == b.y();
    }
    if (straight) {
      auto segment = [&](const QPoint& a, const QPoint& b) {
        if (a == b) return;
        // From a toward b, b excluded.
        int l = a.x(), t = a.y(), r = a.x(), bt = a.y();
        if (a.y() == b.y()) {
          if (b.x() > a.x()) r = b.x() - 1; else l = b.x() + 1;
        } else {
          if (b.y() > a.y()) bt = b.y() - 1; else t = b.y() + 1;
        }
        p->fillRect(QRect(QPoint(l, t), QPoint(r, bt)), color);
      };
      for (std::size_t i = 0; i + 1 < n; ++i) segment(points[i], points[i + 1]);
      if (closed) segment(points[n - 1], points[0]);
      return;
    }
  }
  std::vector<QPoint> px;
  for (std::size_t i = 0; i + 1 < n; ++i) LinePixels(points[i], points[i + 1], px);
  if (closed) LinePixels(points[n - 1], points[0], px);
  if (pattern.empty()) {
    FillPixels(p, px, QBrush(color));
    return;
  }
  std::vector<QPoint> on, off;
  std::size_t k = 0;
  int left = pattern[0];
  for (const QPoint& pt : px) {
    ((k % 2) == 0 ? on : off).push_back(pt);
    if (--left == 0) {
      k = (k + 1) % pattern.size();
      left = pattern[k];
    }
  }
  FillPixels(p, on, QBrush(color));
  if (d.st.bkMode == OPAQUE) FillPixels(p, off, QBrush(SurfaceColor(d, d.st.bkColor)));
}

// Fills a region (logical coordinates) with a brush.
void FillArea(DcObj& d, const QRegion& area, HBRUSH brush, bool usePenMix) {
  BrushObj* b = Brush(brush);
  if (!b || b->lb.lbStyle == BS_NULL || area.isEmpty()) return;
  QPainter* p = Prepare(d);
  if (!p) return;
  QBrush qb = ToolkitBrush(d, brush);
  if (usePenMix) {
    QColor c = qb.color();
    if (!ApplyRop2(d, p, c)) return;
    if (qb.style() == Qt::SolidPattern) qb.setColor(c);
    // A hatch leaves its gaps alone (they were filled above when OPAQUE).
    if (qb.style() != Qt::SolidPattern && d.st.rop2 == R2_COPYPEN)
      p->setCompositionMode(QPainter::CompositionMode_SourceOver);
  } else {
    p->setCompositionMode(QPainter::CompositionMode_SourceOver);
  }
  bool hatch = b->lb.lbStyle == BS_HATCHED;
  for (const QRect& r : area) {
    if (hatch && d.st.bkMode == OPAQUE) p->fillRect(r, SurfaceColor(d, d.st.bkColor));
    p->fillRect(r, qb);
  }
}

QRegion PolygonRegion(const std::vector<QPoint>& pts, int fillMode) {
  QPolygon poly;
  for (const QPoint& pt : pts) poly << pt;
  return QRegion(poly, fillMode == WINDING ? Qt::WindingFill : Qt::OddEvenFill);
}

}  // namespace
}  // namespace detail

using namespace detail;

bool MoveToEx(HDC dc, int x, int y, Point* old) {
  DcObj* d = Dc(dc);
  if (!d) return false;
  if (old) *old = FromQPoint(d->st.curPos);
  d->st.curPos = QPoint(x, y);
  return true;
}

bool LineTo(HDC dc, int x, int y) {
  DcObj* d = Dc(dc);
  if (!d) return false;
  QPoint from = d->st.curPos;
  d->st.curPos = QPoint(x, y);
  StrokeSegments(*d, {from, QPoint(x, y)}, false);
  return true;
}

bool GetCurrentPositionEx(HDC dc, Point& p) {
  DcObj* d = Dc(dc);
  if (!d) return false;
  p = FromQPoint(d->st.curPos);
  return true;
}

bool Polyline(HDC dc, const Point* points, int count) {
  DcObj* d = Dc(dc);
  if (!d || count < 0 || (count > 0 && !points)) return false;
  std::vector<QPoint> pts;
  for (int i = 0; i < count; ++i) pts.push_back(ToQPoint(points[i]));
  StrokeSegments(*d, pts, false);
  return true;
}

bool Rectangle(HDC dc, int left, int top, int right, int bottom) {
  DcObj* d = Dc(dc);
  if (!d) return false;
  if (right < left) std::swap(left, right);
  if (bottom < top) std::swap(top, bottom);
  PenObj* pen = Pen(d->st.pen);
  bool nullPen = !pen || pen->lp.style == PS_NULL;
  int w = nullPen ? 0 : std::max(1, pen->lp.width);
  if (nullPen) {
    // Without a pen the filled area is one pixel smaller on the right and bottom.
    FillArea(*d, QRegion(left, top, right - left - 1, bottom - top - 1), d->st.brush, true);
    return true;
  }
  if (pen->lp.style == PS_INSIDEFRAME || w > 1) {
    int in = pen->lp.style == PS_INSIDEFRAME ? 0 : w / 2;
    QRect outer(left - in, top - in, right - left + 2 * in, bottom - top + 2 * in);
    QRect inner = outer.adjusted(w, w, -w, -w);
    FillArea(*d, QRegion(inner), d->st.brush, true);
    QPainter* p = Prepare(*d);
    if (!p) return true;
    QColor c = SurfaceColor(*d, pen->lp.color);
    if (!ApplyRop2(*d, p, c)) return true;
    QRegion ring = QRegion(outer) - QRegion(inner);
    for (const QRect& r : ring) p->fillRect(r, c);
    return true;
  }
  FillArea(*d, QRegion(left + 1, top + 1, right - left - 2, bottom - top - 2), d->st.brush, true);
  if (right - left >= 1 && bottom - top >= 1) {
    int r1 = right - 1, b1 = bottom - 1;
    StrokeSegments(*d, {QPoint(left, top), QPoint(r1, top), QPoint(r1, b1), QPoint(left, b1)}, true);
    if (right - left == 1 || bottom - top == 1) {
      // a one-pixel-wide rectangle: the closed path above degenerates
      QPainter* p = Prepare(*d);
      if (p) {
        QColor c = SurfaceColor(*d, pen->lp.color);
        if (ApplyRop2(*d, p, c)) p->fillRect(QRect(left, top, right - left, bottom - top), c);
      }
    }
  }
  return true;
}

namespace detail {
namespace {

// Draws a curved shape with the context's pen and brush (the toolkit's own
// outline; these shapes only decorate).
template <typename F>
bool CurvedShape(HDC dc, F draw) {
  DcObj* d = Dc(dc);
  if (!d) return false;
  QPainter* p = Prepare(*d);
  if (!p) return true;
  PenObj* pen = Pen(d->st.pen);
  p->setCompositionMode(QPainter::CompositionMode_SourceOver);
  p->setPen(!pen || pen->lp.style == PS_NULL ? QPen(Qt::NoPen)
                                             : QPen(SurfaceColor(*d, pen->lp.color), std::max(1, pen->lp.width)));
  p->setBrush(ToolkitBrush(*d, d->st.brush));
  draw(p);
  p->setBrush(Qt::NoBrush);
  return true;
}

}  // namespace
}  // namespace detail

bool Ellipse(HDC dc, int left, int top, int right, int bottom) {
  return CurvedShape(dc, [&](QPainter* p) { p->drawEllipse(QRect(left, top, right - left - 1, bottom - top - 1)); });
}

bool RoundRect(HDC dc, int left, int top, int right, int bottom, int cw, int ch) {
  return CurvedShape(dc, [&](QPainter* p) {
    p->drawRoundedRect(QRect(left, top, right - left - 1, bottom - top - 1), cw / 2.0, ch / 2.0);
  });
}

bool Polygon(HDC dc, const Point* points, int count) {
  DcObj* d = Dc(dc);
  if (!d || count < 2 || !points) return false;
  std::vector<QPoint> pts;
  for (int i = 0; i < count; ++i) pts.push_back(ToQPoint(points[i]));
  FillArea(*d, PolygonRegion(pts, d->st.polyFill), d->st.brush, true);
  StrokeSegments(*d, pts, true);
  return true;
}

bool FillRect(HDC dc, const Rect& r, HBRUSH brush) {
  DcObj* d = Dc(dc);
  if (!d || !Brush(brush)) return false;
  if (IsRectEmpty(r)) return true;
  FillArea(*d, QRegion(ToQRect(r)), brush, false);
  return true;
}

bool FrameRect(HDC dc, const Rect& r, HBRUSH brush) {
  DcObj* d = Dc(dc);
  if (!d || !Brush(brush)) return false;
  if (IsRectEmpty(r)) return true;
  QRect q = ToQRect(r);
  QRegion ring = QRegion(q) - QRegion(q.adjusted(1, 1, -1, -1));
  FillArea(*d, ring, brush, false);
  return true;
}

bool InvertRect(HDC dc, const Rect& r) {
  DcObj* d = Dc(dc);
  if (!d) return false;
  QPainter* p = Prepare(*d);
  if (!p || IsRectEmpty(r)) return true;
  p->setCompositionMode(QPainter::RasterOp_NotDestination);
  p->fillRect(ToQRect(r), Qt::black);
  return true;
}

bool DrawFocusRect(HDC dc, const Rect& r) {
  DcObj* d = Dc(dc);
  if (!d) return false;
  if (IsRectEmpty(r)) return true;
  QPainter* p = Prepare(*d);
  if (!p) return true;
  // Every second pixel of the outline, chosen by device position so that
  // adjacent rectangles keep one rhythm.
  QPoint dev = d->st.viewportOrg;
  std::vector<QPoint> px;
  auto add = [&](int x, int y) {
    if (((x + dev.x() + y + dev.y()) & 1) == 0) px.emplace_back(x, y);
  };
  for (int x = r.Left; x < r.Right; ++x) {
    add(x, r.Top);
    if (r.Bottom - 1 > r.Top) add(x, r.Bottom - 1);
  }
  for (int y = r.Top + 1; y < r.Bottom - 1; ++y) {
    add(r.Left, y);
    if (r.Right - 1 > r.Left) add(r.Right - 1, y);
  }
  p->setCompositionMode(QPainter::RasterOp_NotDestination);
  FillPixels(p, px, QBrush(Qt::black));
  return true;
}

COLORREF SetPixel(HDC dc, int x, int y, COLORREF color) {
  DcObj* d = Dc(dc);
  if (!d) return CLR_INVALID;
  QPainter* p = Prepare(*d);
  QColor c = SurfaceColor(*d, color);
  if (p) {
    p->setCompositionMode(QPainter::CompositionMode_Source);
    p->fillRect(QRect(x, y, 1, 1), c);
  }
  return RGB(c.red(), c.green(), c.blue());
}

COLORREF GetPixel(HDC dc, int x, int y) {
  DcObj* d = Dc(dc);
  if (!d || !d->surface) return CLR_INVALID;
  QPoint dev = QPoint(x, y) + d->st.viewportOrg;
  if (!EffectiveClip(*d).contains(dev)) return CLR_INVALID;
  QPoint s = dev + d->origin;
  const QImage& img = d->surface->image;
  if (!img.rect().contains(s)) return CLR_INVALID;
  return FromQRgb(img.pixel(s));
}

bool FillRgn(HDC dc, HRGN region, HBRUSH brush) {
  DcObj* d = Dc(dc);
  RegionObj* r = Rgn(region);
  if (!d || !r || !Brush(brush)) return false;
  FillArea(*d, r->rgn, brush, false);
  return true;
}

bool PaintRgn(HDC dc, HRGN region) {
  DcObj* d = Dc(dc);
  RegionObj* r = Rgn(region);
  if (!d || !r) return false;
  FillArea(*d, r->rgn, d->st.brush, true);
  return true;
}

bool FrameRgn(HDC dc, HRGN region, HBRUSH brush, int width, int height) {
  DcObj* d = Dc(dc);
  RegionObj* r = Rgn(region);
  if (!d || !r || !Brush(brush)) return false;
  // The region less itself shrunk by width and height.
  QRegion inner = r->rgn;
  for (int dx = -width; dx <= width; ++dx)
    for (int dy = -height; dy <= height; ++dy)
      if (dx || dy) inner &= r->rgn.translated(dx, dy);
  FillArea(*d, r->rgn - inner, brush, false);
  return true;
}

bool InvertRgn(HDC dc, HRGN region) {
  DcObj* d = Dc(dc);
  RegionObj* r = Rgn(region);
  if (!d || !r) return false;
  QPainter* p = Prepare(*d);
  if (!p) return true;
  p->setCompositionMode(QPainter::RasterOp_NotDestination);
  for (const QRect& q : r->rgn) p->fillRect(q, Qt::black);
  return true;
}

}  // namespace gui
