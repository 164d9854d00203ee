// Device contexts: creation, state, modes, coordinates, selection and clipping.
#include <algorithm>

#include "platform/gui/Gdi.h"
#include "platform/gui/Screen.h"
#include "platform/gui/detail/DcInternal.h"
#include "platform/gui/detail/HostWidget.h"
#include "platform/gui/detail/QtConv.h"
#include "platform/gui/detail/WindowState.h"

namespace gui {
namespace detail {
namespace {

std::uint64_t gStamp = 1;

int KindOf(const QRegion& r) {
  if (r.isEmpty()) return NULLREGION;
  return r.rectCount() == 1 ? SIMPLEREGION : COMPLEXREGION;
}

void InitDefaults(DcObj& d) {
  d.st.pen = GetStockPen(BLACK_PEN);
  d.st.brush = GetStockBrush(WHITE_BRUSH);
  d.st.font = GetStockFont(SYSTEM_FONT);
}

HBITMAP StockBitmap() {
  static HBITMAP stock{};
  if (!Bmp(stock)) {
    auto b = std::make_unique<BitmapObj>();
    b->surface.image = QImage(1, 1, QImage::Format_RGB32);
    b->surface.image.fill(0xFFFFFFFF);
    b->surface.mono = true;
    b->stock = true;
    stock = static_cast<HBITMAP>(Drawing().bitmaps.Add(std::move(b)));
  }
  return stock;
}

// Makes bitmap the context's surface.
void AttachBitmap(DcObj& d, HBITMAP bitmap) {
  if (BitmapObj* old = Bmp(d.st.bitmap))
    if (old->selectedInto == d.handle) old->selectedInto = HDC{};
  BitmapObj* b = Bmp(bitmap);
  d.st.bitmap = bitmap;
  if (b) {
    if (!b->stock) b->selectedInto = d.handle;
    d.surface = &b->surface;
    d.visible = QRegion(b->surface.image.rect());
  } else {
    d.surface = nullptr;
    d.visible = QRegion();
  }
  Restamp(d);
}

}  // namespace

void Restamp(DcObj& dc) { dc.stamp = ++gStamp; }

QPainter* Surface::Begin() {
  if (image.isNull()) return nullptr;
  if (!painter) {
    painter = std::make_unique<QPainter>(&image);
    painter->setRenderHint(QPainter::Antialiasing, false);
    configuredStamp = 0;
  }
  return painter.get();
}

void Surface::End() {
  painter.reset();
  configuredStamp = 0;
}

Surface::~Surface() { painter.reset(); }

HDC NewWindowDc(WindowObj& w, bool nonClient, bool clipChildren, const QRegion* limit, bool paintDc) {
  auto d = std::make_unique<DcObj>();
  d->kind = DcObj::Kind::Window;
  d->hwnd = w.handle;
  d->nonClient = nonClient;
  d->paintDc = paintDc;
  if (HostWidget* host = HostOf(w)) {
    d->surface = &host->surface();
    d->origin = SurfaceOrigin(w, !nonClient);
    QRegion vis = VisibleRegion(w, !nonClient, clipChildren);
    if (limit) vis &= *limit;
    d->visible = vis.translated(-d->origin);
  }
  InitDefaults(*d);
  HDC h = static_cast<HDC>(Drawing().dcs.Add(std::move(d)));
  DcObj* dc = Dc(h);
  dc->handle = h;
  Restamp(*dc);
  return h;
}

HDC NewBorrowedDc(QPainter* painter, const QRegion& visible) {
  auto d = std::make_unique<DcObj>();
  d->kind = DcObj::Kind::Borrowed;
  d->borrowed = painter;
  d->visible = visible;
  painter->save();
  InitDefaults(*d);
  HDC h = static_cast<HDC>(Drawing().dcs.Add(std::move(d)));
  Dc(h)->handle = h;
  Restamp(*Dc(h));
  return h;
}

void FreeDc(HDC h) {
  DcObj* d = Dc(h);
  if (!d) return;
  if (BitmapObj* b = Bmp(d->st.bitmap))
    if (b->selectedInto == h) b->selectedInto = HDC{};
  for (DcState& s : d->saved)
    if (BitmapObj* b = Bmp(s.bitmap))
      if (b->selectedInto == h) b->selectedInto = HDC{};
  if (d->kind == DcObj::Kind::Borrowed && d->borrowed) d->borrowed->restore();
  Drawing().dcs.Remove(static_cast<std::uintptr_t>(h));
}

QRegion EffectiveClip(const DcObj& dc) {
  if (dc.st.clip) return dc.visible & *dc.st.clip;
  return dc.visible;
}

QPainter* Prepare(DcObj& dc) {
  QPoint shift = dc.origin + dc.st.viewportOrg;
  if (dc.kind == DcObj::Kind::Borrowed) {
    QPainter* p = dc.borrowed;
    if (!p) return nullptr;
    QRegion clip = EffectiveClip(dc);
    if (clip.isEmpty()) return nullptr;
    p->resetTransform();
    p->setClipRegion(clip);
    p->setTransform(QTransform::fromTranslate(shift.x(), shift.y()));
    return p;
  }
  Surface* s = dc.surface;
  if (!s) return nullptr;
  QRegion clip = EffectiveClip(dc);
  if (clip.isEmpty()) return nullptr;
  QPainter* p = s->Begin();
  if (!p) return nullptr;
  if (s->configuredStamp != dc.stamp) {
    p->resetTransform();
    p->setClipRegion(clip.translated(dc.origin));
    p->setTransform(QTransform::fromTranslate(shift.x(), shift.y()));
    s->configuredStamp = dc.stamp;
  }
  return p;
}

bool IsMono(const DcObj& dc) { return dc.surface && dc.surface->mono; }

QColor SurfaceColor(const DcObj& dc, COLORREF c) {
  if (IsMono(dc)) {
    int sum = GetRValue(c) + GetGValue(c) + GetBValue(c);
    return sum >= 384 ? QColor(255, 255, 255) : QColor(0, 0, 0);
  }
  return ToQColor(c);
}

QBrush ToolkitBrush(DcObj& dc, HBRUSH brush) {
  BrushObj* b = Brush(brush);
  if (!b || b->lb.lbStyle == BS_NULL) return QBrush(Qt::NoBrush);
  if (b->lb.lbStyle == BS_SOLID) return QBrush(SurfaceColor(dc, b->lb.lbColor));
  QBrush result;
  if (b->lb.lbStyle == BS_HATCHED) {
    static const Qt::BrushStyle kHatch[] = {Qt::HorPattern, Qt::VerPattern, Qt::FDiagPattern,
                                           Qt::BDiagPattern, Qt::CrossPattern, Qt::DiagCrossPattern};
    std::uintptr_t h = std::min<std::uintptr_t>(b->lb.lbHatch, 5);
    result = QBrush(SurfaceColor(dc, b->lb.lbColor), kHatch[h]);
  } else {
    QImage img;
    if (b->monoPattern) {
      if (b->cachedText != dc.st.textColor || b->cachedBk != dc.st.bkColor || b->cachedColored.isNull()) {
        b->cachedText = dc.st.textColor;
        b->cachedBk = dc.st.bkColor;
        b->cachedColored = b->pattern.copy();
        QRgb fg = SurfaceColor(dc, dc.st.textColor).rgb(), bg = SurfaceColor(dc, dc.st.bkColor).rgb();
        for (int y = 0; y < b->cachedColored.height(); ++y) {
          auto* line = reinterpret_cast<QRgb*>(b->cachedColored.scanLine(y));
          for (int x = 0; x < b->cachedColored.width(); ++x) line[x] = (line[x] & 0xFFFFFF) ? bg : fg;
        }
      }
      img = b->cachedColored;
    } else {
      img = b->pattern;
    }
    result = QBrush(img);
  }
  QPoint o = dc.st.brushOrg - dc.st.viewportOrg;
  result.setTransform(QTransform::fromTranslate(o.x(), o.y()));
  return result;
}

QImage* PixelImage(DcObj& dc) {
  if (!dc.surface || dc.surface->image.isNull()) return nullptr;
  dc.surface->End();
  return &dc.surface->image;
}

QPainter::CompositionMode Rop2Mode(int rop2, bool& draws, bool& forceBlack, bool& forceWhite) {
  draws = true;
  forceBlack = forceWhite = false;
  switch (rop2) {
    case R2_BLACK: forceBlack = true; return QPainter::CompositionMode_Source;
    case R2_WHITE: forceWhite = true; return QPainter::CompositionMode_Source;
    case R2_NOP: draws = false; return QPainter::CompositionMode_Source;
    case R2_NOT: return QPainter::RasterOp_NotDestination;
    case R2_XORPEN: return QPainter::RasterOp_SourceXorDestination;
    case R2_NOTXORPEN: return QPainter::RasterOp_NotSourceXorDestination;
    case R2_MASKPEN: return QPainter::RasterOp_SourceAndDestination;
    case R2_MERGEPEN: return QPainter::RasterOp_SourceOrDestination;
    case R2_NOTCOPYPEN: return QPainter::RasterOp_NotSource;
    case R2_MASKPENNOT: return QPainter::RasterOp_SourceAndNotDestination;
    case R2_MERGEPENNOT: return QPainter::RasterOp_SourceOrNotDestination;
    case R2_NOTMASKPEN: return QPainter::RasterOp_NotSourceOrNotDestination;
    case R2_NOTMERGEPEN: return QPainter::RasterOp_NotSourceAndNotDestination;
    case R2_MASKNOTPEN: return QPainter::RasterOp_NotSourceAndDestination;
    case R2_MERGENOTPEN: return QPainter::RasterOp_NotSourceOrDestination;
    default: return QPainter::CompositionMode_Source;
  }
}

}  // namespace detail

using namespace detail;

HDC CreateCompatibleDC(HDC) {
  if (!Ready()) return HDC{};
  auto d = std::make_unique<DcObj>();
  d->kind = DcObj::Kind::Memory;
  InitDefaults(*d);
  HDC h = static_cast<HDC>(Drawing().dcs.Add(std::move(d)));
  DcObj* dc = Dc(h);
  dc->handle = h;
  AttachBitmap(*dc, StockBitmap());
  return h;
}

bool DeleteDC(HDC dc) {
  DcObj* d = Dc(dc);
  if (!d || d->kind == DcObj::Kind::Window) return false;
  FreeDc(dc);
  return true;
}

int SaveDC(HDC dc) {
  DcObj* d = Dc(dc);
  if (!d) return 0;
  d->saved.push_back(d->st);
  return static_cast<int>(d->saved.size());
}

bool RestoreDC(HDC dc, int level) {
  DcObj* d = Dc(dc);
  if (!d) return false;
  int depth = static_cast<int>(d->saved.size());
  int target = level < 0 ? depth + level + 1 : level;  // the depth whose state comes back
  if (level == 0 || target < 1 || target > depth) return false;
  DcState st = d->saved[static_cast<std::size_t>(target - 1)];
  d->saved.resize(static_cast<std::size_t>(target - 1));
  HBITMAP bitmap = st.bitmap;
  HBITMAP current = d->st.bitmap;
  d->st = st;
  if (d->kind == DcObj::Kind::Memory && bitmap != current) {
    d->st.bitmap = current;
    AttachBitmap(*d, Bmp(bitmap) ? bitmap : StockBitmap());
  }
  Restamp(*d);
  return true;
}

int GetDeviceCaps(HDC dc, int index) {
  DcObj* d = Dc(dc);
  if (!d) return 0;
  switch (index) {
    case HORZRES: return GetSystemMetrics(SM_CXSCREEN);
    case VERTRES: return GetSystemMetrics(SM_CYSCREEN);
    case BITSPIXEL: return IsMono(*d) ? 1 : 32;
    case PLANES: return 1;
    case NUMCOLORS: return IsMono(*d) ? 2 : -1;
    case LOGPIXELSX:
    case LOGPIXELSY: return 96;
  }
  return 0;
}

COLORREF SetTextColor(HDC dc, COLORREF color) {
  DcObj* d = Dc(dc);
  if (!d) return CLR_INVALID;
  COLORREF old = d->st.textColor;
  d->st.textColor = color & 0xFFFFFF;
  return old;
}
COLORREF GetTextColor(HDC dc) {
  DcObj* d = Dc(dc);
  return d ? d->st.textColor : CLR_INVALID;
}
COLORREF SetBkColor(HDC dc, COLORREF color) {
  DcObj* d = Dc(dc);
  if (!d) return CLR_INVALID;
  COLORREF old = d->st.bkColor;
  d->st.bkColor = color & 0xFFFFFF;
  return old;
}
COLORREF GetBkColor(HDC dc) {
  DcObj* d = Dc(dc);
  return d ? d->st.bkColor : CLR_INVALID;
}
int SetBkMode(HDC dc, int mode) {
  DcObj* d = Dc(dc);
  if (!d || (mode != TRANSPARENT && mode != OPAQUE)) return 0;
  int old = d->st.bkMode;
  d->st.bkMode = mode;
  return old;
}
int GetBkMode(HDC dc) {
  DcObj* d = Dc(dc);
  return d ? d->st.bkMode : 0;
}
int SetROP2(HDC dc, int mode) {
  DcObj* d = Dc(dc);
  if (!d || mode < R2_BLACK || mode > R2_WHITE) return 0;
  int old = d->st.rop2;
  d->st.rop2 = mode;
  return old;
}
int GetROP2(HDC dc) {
  DcObj* d = Dc(dc);
  return d ? d->st.rop2 : 0;
}
int SetPolyFillMode(HDC dc, int mode) {
  DcObj* d = Dc(dc);
  if (!d || (mode != ALTERNATE && mode != WINDING)) return 0;
  int old = d->st.polyFill;
  d->st.polyFill = mode;
  return old;
}
int GetPolyFillMode(HDC dc) {
  DcObj* d = Dc(dc);
  return d ? d->st.polyFill : 0;
}
int SetStretchBltMode(HDC dc, int mode) {
  DcObj* d = Dc(dc);
  if (!d || mode < BLACKONWHITE || mode > HALFTONE) return 0;
  int old = d->st.stretchMode;
  d->st.stretchMode = mode;
  return old;
}
bool SetBrushOrgEx(HDC dc, int x, int y, Point* old) {
  DcObj* d = Dc(dc);
  if (!d) return false;
  if (old) *old = FromQPoint(d->st.brushOrg);
  d->st.brushOrg = QPoint(x, y);
  return true;
}

bool SetViewportOrgEx(HDC dc, int x, int y, Point* old) {
  DcObj* d = Dc(dc);
  if (!d) return false;
  if (old) *old = FromQPoint(d->st.viewportOrg);
  d->st.viewportOrg = QPoint(x, y);
  Restamp(*d);
  return true;
}
bool OffsetViewportOrgEx(HDC dc, int dx, int dy, Point* old) {
  DcObj* d = Dc(dc);
  if (!d) return false;
  return SetViewportOrgEx(dc, d->st.viewportOrg.x() + dx, d->st.viewportOrg.y() + dy, old);
}
bool GetViewportOrgEx(HDC dc, Point& p) {
  DcObj* d = Dc(dc);
  if (!d) return false;
  p = FromQPoint(d->st.viewportOrg);
  return true;
}
bool LPtoDP(HDC dc, Point* points, int count) {
  DcObj* d = Dc(dc);
  if (!d) return false;
  for (int i = 0; i < count; ++i) {
    points[i].X += d->st.viewportOrg.x();
    points[i].Y += d->st.viewportOrg.y();
  }
  return true;
}
bool DPtoLP(HDC dc, Point* points, int count) {
  DcObj* d = Dc(dc);
  if (!d) return false;
  for (int i = 0; i < count; ++i) {
    points[i].X -= d->st.viewportOrg.x();
    points[i].Y -= d->st.viewportOrg.y();
  }
  return true;
}

HPEN SelectObject(HDC dc, HPEN pen) {
  DcObj* d = Dc(dc);
  if (!d || !Pen(pen)) return HPEN{};
  return std::exchange(d->st.pen, pen);
}
HBRUSH SelectObject(HDC dc, HBRUSH brush) {
  DcObj* d = Dc(dc);
  if (!d || !Brush(brush)) return HBRUSH{};
  return std::exchange(d->st.brush, brush);
}
HFONT SelectObject(HDC dc, HFONT font) {
  DcObj* d = Dc(dc);
  if (!d || !Font(font)) return HFONT{};
  return std::exchange(d->st.font, font);
}
HBITMAP SelectObject(HDC dc, HBITMAP bitmap) {
  DcObj* d = Dc(dc);
  BitmapObj* b = Bmp(bitmap);
  if (!d || !b || d->kind != DcObj::Kind::Memory) return HBITMAP{};
  if (!b->stock && !IsNull(b->selectedInto) && b->selectedInto != dc && Dc(b->selectedInto)) return HBITMAP{};
  HBITMAP old = d->st.bitmap;
  if (d->surface) d->surface->End();
  AttachBitmap(*d, bitmap);
  return old;
}
int SelectObject(HDC dc, HRGN region) { return SelectClipRgn(dc, region); }

HPEN GetCurrentPen(HDC dc) {
  DcObj* d = Dc(dc);
  return d ? d->st.pen : HPEN{};
}
HBRUSH GetCurrentBrush(HDC dc) {
  DcObj* d = Dc(dc);
  return d ? d->st.brush : HBRUSH{};
}
HFONT GetCurrentFont(HDC dc) {
  DcObj* d = Dc(dc);
  return d ? d->st.font : HFONT{};
}
HBITMAP GetCurrentBitmap(HDC dc) {
  DcObj* d = Dc(dc);
  return d && d->kind == DcObj::Kind::Memory ? d->st.bitmap : HBITMAP{};
}

// ---- Clipping ----

int SelectClipRgn(HDC dc, HRGN region) {
  DcObj* d = Dc(dc);
  if (!d) return ERROR;
  RegionObj* r = Rgn(region);
  if (!IsNull(region) && !r) return ERROR;
  if (r)
    d->st.clip = r->rgn;
  else
    d->st.clip.reset();
  Restamp(*d);
  return KindOf(EffectiveClip(*d));
}

int ExtSelectClipRgn(HDC dc, HRGN region, int mode) {
  DcObj* d = Dc(dc);
  if (!d) return ERROR;
  if (mode == RGN_COPY) return SelectClipRgn(dc, region);
  RegionObj* r = Rgn(region);
  if (!r) return ERROR;
  QRegion cur = d->st.clip ? *d->st.clip : d->visible;
  switch (mode) {
    case RGN_AND: cur &= r->rgn; break;
    case RGN_OR: cur |= r->rgn; break;
    case RGN_XOR: cur ^= r->rgn; break;
    case RGN_DIFF: cur -= r->rgn; break;
    default: return ERROR;
  }
  d->st.clip = cur;
  Restamp(*d);
  return KindOf(EffectiveClip(*d));
}

int IntersectClipRect(HDC dc, int left, int top, int right, int bottom) {
  DcObj* d = Dc(dc);
  if (!d) return ERROR;
  QRect r(QPoint(left, top) + d->st.viewportOrg, QSize(std::max(0, right - left), std::max(0, bottom - top)));
  QRegion cur = d->st.clip ? *d->st.clip : d->visible;
  d->st.clip = cur & r;
  Restamp(*d);
  return KindOf(EffectiveClip(*d));
}

int ExcludeClipRect(HDC dc, int left, int top, int right, int bottom) {
  DcObj* d = Dc(dc);
  if (!d) return ERROR;
  QRect r(QPoint(left, top) + d->st.viewportOrg, QSize(std::max(0, right - left), std::max(0, bottom - top)));
  QRegion cur = d->st.clip ? *d->st.clip : d->visible;
  d->st.clip = cur - r;
  Restamp(*d);
  return KindOf(EffectiveClip(*d));
}

int OffsetClipRgn(HDC dc, int dx, int dy) {
  DcObj* d = Dc(dc);
  if (!d) return ERROR;
  if (d->st.clip) d->st.clip->translate(dx, dy);
  Restamp(*d);
  return KindOf(EffectiveClip(*d));
}

int GetClipBox(HDC dc, Rect& r) {
  DcObj* d = Dc(dc);
  if (!d) return ERROR;
  QRegion clip = EffectiveClip(*d);
  if (clip.isEmpty()) {
    r = Rect{};
    return NULLREGION;
  }
  QRect b = clip.boundingRect().translated(-d->st.viewportOrg);
  r = FromQRect(b);
  return KindOf(clip);
}

int GetClipRgn(HDC dc, HRGN into) {
  DcObj* d = Dc(dc);
  RegionObj* r = Rgn(into);
  if (!d || !r) return -1;
  if (!d->st.clip) return 0;
  r->rgn = *d->st.clip;
  return 1;
}

bool PtVisible(HDC dc, int x, int y) {
  DcObj* d = Dc(dc);
  return d && EffectiveClip(*d).contains(QPoint(x, y) + d->st.viewportOrg);
}

bool RectVisible(HDC dc, const Rect& r) {
  DcObj* d = Dc(dc);
  return d && EffectiveClip(*d).intersects(ToQRect(r).translated(d->st.viewportOrg));
}

}  // namespace gui
