// Regions.
#include <QtGui/QPainterPath>

#include "platform/gui/Gdi.h"
#include "platform/gui/detail/QtConv.h"
#include "platform/gui/detail/DrawingState.h"

namespace gui {
namespace detail {
namespace {

HRGN MakeRegion(const QRegion& r) {
  if (!Ready()) return HRGN{};
  auto obj = std::make_unique<RegionObj>();
  obj->rgn = r;
  return static_cast<HRGN>(Drawing().regions.Add(std::move(obj)));
}

int KindOf(const QRegion& r) {
  if (r.isEmpty()) return NULLREGION;
  return r.rectCount() == 1 ? SIMPLEREGION : COMPLEXREGION;
}

QRect Normalized(int l, int t, int r, int b) {
  if (r < l) std::swap(l, r);
  if (b < t) std::swap(t, b);
  return QRect(l, t, r - l, b - t);
}

}  // namespace
}  // namespace detail

using namespace detail;

HRGN CreateRectRgn(int left, int top, int right, int bottom) {
  return MakeRegion(QRegion(Normalized(left, top, right, bottom)));
}

HRGN CreateEllipticRgn(int left, int top, int right, int bottom) {
  QRect r = Normalized(left, top, right, bottom);
  return MakeRegion(QRegion(r, QRegion::Ellipse));
}

HRGN CreateRoundRectRgn(int left, int top, int right, int bottom, int cw, int ch) {
  QRect r = Normalized(left, top, right, bottom);
  QPainterPath path;
  path.addRoundedRect(QRectF(r), cw / 2.0, ch / 2.0);
  QPolygon poly = path.toFillPolygon().toPolygon();
  return MakeRegion(QRegion(poly) & QRegion(r));
}

HRGN CreatePolygonRgn(const Point* points, int count, int fillMode) {
  if (count < 0 || (count > 0 && !points)) return HRGN{};
  QPolygon poly;
  for (int i = 0; i < count; ++i) poly << ToQPoint(points[i]);
  if (count < 3) return MakeRegion(QRegion());
  return MakeRegion(QRegion(poly, fillMode == WINDING ? Qt::WindingFill : Qt::OddEvenFill));
}

bool SetRectRgn(HRGN region, int left, int top, int right, int bottom) {
  RegionObj* r = Rgn(region);
  if (!r) return false;
  r->rgn = QRegion(Normalized(left, top, right, bottom));
  return true;
}

int CombineRgn(HRGN dst, HRGN a, HRGN b, int op) {
  RegionObj* d = Rgn(dst);
  RegionObj* ra = Rgn(a);
  RegionObj* rb = Rgn(b);
  if (!d || !ra || (op != RGN_COPY && !rb)) return ERROR;
  QRegion out;
  switch (op) {
    case RGN_AND: out = ra->rgn & rb->rgn; break;
    case RGN_OR: out = ra->rgn | rb->rgn; break;
    case RGN_XOR: out = ra->rgn ^ rb->rgn; break;
    case RGN_DIFF: out = ra->rgn - rb->rgn; break;
    case RGN_COPY: out = ra->rgn; break;
    default: return ERROR;
  }
  d->rgn = out;
  return KindOf(out);
}

bool EqualRgn(HRGN a, HRGN b) {
  RegionObj* ra = Rgn(a);
  RegionObj* rb = Rgn(b);
  return ra && rb && ra->rgn == rb->rgn;
}

int OffsetRgn(HRGN region, int dx, int dy) {
  RegionObj* r = Rgn(region);
  if (!r) return ERROR;
  r->rgn.translate(dx, dy);
  return KindOf(r->rgn);
}

bool PtInRegion(HRGN region, int x, int y) {
  RegionObj* r = Rgn(region);
  return r && r->rgn.contains(QPoint(x, y));
}

bool RectInRegion(HRGN region, const Rect& rect) {
  RegionObj* r = Rgn(region);
  return r && !IsRectEmpty(rect) && r->rgn.intersects(ToQRect(rect));
}

int GetRgnBox(HRGN region, Rect& box) {
  RegionObj* r = Rgn(region);
  if (!r) return ERROR;
  box = r->rgn.isEmpty() ? Rect{} : FromQRect(r->rgn.boundingRect());
  return KindOf(r->rgn);
}

std::vector<Rect> GetRegionRects(HRGN region) {
  RegionObj* r = Rgn(region);
  std::vector<Rect> out;
  if (!r) return out;
  for (const QRect& q : r->rgn) out.push_back(FromQRect(q));
  return out;
}

}  // namespace gui
