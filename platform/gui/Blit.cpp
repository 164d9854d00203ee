// Block transfers: BitBlt, StretchBlt, PatBlt, TransparentBlt.
#include <algorithm>
#include <cstdlib>

#include "platform/gui/Gdi.h"
#include "platform/gui/detail/DcInternal.h"
#include "platform/gui/detail/HostWidget.h"
#include "platform/gui/detail/QtConv.h"
#include "platform/gui/detail/WindowState.h"

namespace gui {
namespace detail {
namespace {

enum class Source { None, Copy, Inverted };

struct RopInfo {
  bool valid = true;
  Source source = Source::Copy;
  bool usesBrush = false;
  QPainter::CompositionMode mode = QPainter::CompositionMode_Source;
  int constant = -1;  // 0 black, 1 white
};

RopInfo Decode(DWORD rop) {
  RopInfo r;
  switch (rop) {
    case SRCCOPY: break;
    case SRCPAINT: r.mode = QPainter::RasterOp_SourceOrDestination; break;
    case SRCAND: r.mode = QPainter::RasterOp_SourceAndDestination; break;
    case SRCINVERT: r.mode = QPainter::RasterOp_SourceXorDestination; break;
    case SRCERASE: r.mode = QPainter::RasterOp_SourceAndNotDestination; break;
    case NOTSRCCOPY: r.mode = QPainter::RasterOp_NotSource; break;
    case NOTSRCERASE: r.mode = QPainter::RasterOp_NotSourceAndNotDestination; break;
    case MERGEPAINT: r.mode = QPainter::RasterOp_NotSourceOrDestination; break;
    case MERGECOPY: r.usesBrush = true; break;  // handled apart
    case PATCOPY:
      r.source = Source::None;
      r.usesBrush = true;
      break;
    case PATINVERT:
      r.source = Source::None;
      r.usesBrush = true;
      r.mode = QPainter::RasterOp_SourceXorDestination;
      break;
    case PATPAINT: r.usesBrush = true; break;  // handled apart
    case DSTINVERT:
      r.source = Source::None;
      r.mode = QPainter::RasterOp_NotDestination;
      break;
    case BLACKNESS:
      r.source = Source::None;
      r.constant = 0;
      break;
    case WHITENESS:
      r.source = Source::None;
      r.constant = 1;
      break;
    default: r.valid = false; break;
  }
  return r;
}

// The source rectangle's pixels as they land on the destination: mirrored
// and stretched to |w| x |h| (nearest pixel), colour-converted between
// monochrome and colour by the contexts' colours.
QImage SourceImage(DcObj& src, DcObj& dst, int sx, int sy, int sw, int sh, int w, int h) {
  int aw = std::abs(w), ah = std::abs(h);
  QImage out(std::max(aw, 1), std::max(ah, 1), QImage::Format_RGB32);
  out.fill(0xFFFFFFFF);
  if (!src.surface || aw == 0 || ah == 0 || sw == 0 || sh == 0) return out;
  src.surface->End();
  const QImage& img = src.surface->image;
  // Source rectangle in surface coordinates, with its direction.
  QPoint so = src.origin + src.st.viewportOrg;
  int asw = std::abs(sw), ash = std::abs(sh);
  // Normalised source rectangle: a negative extent runs from the corner
  // (included) toward smaller values.
  int x0 = (sw < 0 ? sx + sw + 1 : sx) + so.x();
  int y0 = (sh < 0 ? sy + sh + 1 : sy) + so.y();
  bool mirrorX = (w < 0) != (sw < 0);
  bool mirrorY = (h < 0) != (sh < 0);
  bool srcMono = src.surface->mono;
  bool dstMono = IsMono(dst);
  if (aw == asw && ah == ash && !srcMono && !dstMono && img.format() == QImage::Format_RGB32) {
    // Unstretched colour to colour (the common case: scratch bitmaps, the
    // doubling copies of gradients, mirrors): whole rows at a time.
    for (int y = 0; y < ah; ++y) {
      int py = y0 + (mirrorY ? ah - 1 - y : y);
      if (py < 0 || py >= img.height()) continue;
      const auto* from = reinterpret_cast<const QRgb*>(img.constScanLine(py));
      auto* line = reinterpret_cast<QRgb*>(out.scanLine(y));
      int first = std::max(0, -x0), last = std::min(aw, img.width() - x0);
      if (!mirrorX) {
        if (first < last) std::copy(from + x0 + first, from + x0 + last, line + first);
      } else {
        for (int x = first; x < last; ++x) line[aw - 1 - x] = from[x0 + x];
      }
    }
    return out;
  }
  QRgb fg = SurfaceColor(dst, dst.st.textColor).rgb() | 0xFF000000;
  QRgb bg = SurfaceColor(dst, dst.st.bkColor).rgb() | 0xFF000000;
  QRgb srcBk = ToQRgb(src.st.bkColor) & 0xFFFFFF;
  for (int y = 0; y < ah; ++y) {
    int ty = mirrorY ? ah - 1 - y : y;
    int syy = static_cast<int>((static_cast<long long>(ty) * ash + ash / 2) / ah);
    syy = std::min(syy, ash - 1);
    int py = y0 + syy;
    auto* line = reinterpret_cast<QRgb*>(out.scanLine(y));
    for (int x = 0; x < aw; ++x) {
      int tx = mirrorX ? aw - 1 - x : x;
      int sxx = static_cast<int>((static_cast<long long>(tx) * asw + asw / 2) / aw);
      sxx = std::min(sxx, asw - 1);
      int px = x0 + sxx;
      QRgb p = (px >= 0 && py >= 0 && px < img.width() && py < img.height())
                   ? reinterpret_cast<const QRgb*>(img.constScanLine(py))[px]
                   : 0xFFFFFFFF;
      if (srcMono && !dstMono) {
        p = (p & 0xFFFFFF) ? bg : fg;
      } else if (!srcMono && dstMono) {
        p = ((p & 0xFFFFFF) == srcBk) ? 0xFFFFFFFF : 0xFF000000;
      }
      line[x] = p | 0xFF000000;
    }
  }
  return out;
}

QRect DestRect(int x, int y, int w, int h) {
  // A negative extent runs from the corner (included) toward smaller values.
  int l = w < 0 ? x + w + 1 : x;
  int t = h < 0 ? y + h + 1 : y;
  return QRect(l, t, std::abs(w), std::abs(h));
}

bool DoBlt(HDC dstDc, int x, int y, int w, int h, HDC srcDc, int sx, int sy, int sw, int sh, DWORD rop);

// On the screen's context a block transfer lands on the windows it covers
// (the XOR feedback drawn over windows during a drag).
bool ScreenBlt(DcObj& d, int x, int y, int w, int h, HDC srcDc, int sx, int sy, int sw, int sh, DWORD rop) {
  QRect area = QRect(QPoint(x, y) + d.st.viewportOrg, QSize(std::abs(w), std::abs(h)));
  if (w < 0) area.translate(w + 1, 0);
  if (h < 0) area.translate(0, h + 1);
  std::vector<HWND> tops = Windows().topLevels;
  for (HWND t : tops) {
    WindowObj* win = Win(t);
    if (!win || !(win->style & WS_VISIBLE) || !win->host) continue;
    QRect bounds = ToQRect(win->bounds);
    if (!bounds.intersects(area)) continue;
    HDC wdc = NewWindowDc(*win, true, false, nullptr, false);
    DcObj* wd = Dc(wdc);
    wd->st.textColor = d.st.textColor;
    wd->st.bkColor = d.st.bkColor;
    wd->st.brush = d.st.brush;
    QPoint shift = d.st.viewportOrg - bounds.topLeft();
    DoBlt(wdc, x + shift.x(), y + shift.y(), w, h, srcDc, sx, sy, sw, sh, rop);
    FlushSurface(*wd);
    FreeDc(wdc);
  }
  return true;
}

bool DoBlt(HDC dstDc, int x, int y, int w, int h, HDC srcDc, int sx, int sy, int sw, int sh, DWORD rop) {
  DcObj* d = Dc(dstDc);
  if (!d) return false;
  if (d->kind == DcObj::Kind::Screen) return ScreenBlt(*d, x, y, w, h, srcDc, sx, sy, sw, sh, rop);
  RopInfo info = Decode(rop);
  if (!info.valid) return false;
  if (w == 0 || h == 0) return true;
  QRect dr = DestRect(x, y, w, h);
  QImage src;
  if (info.source != Source::None) {
    DcObj* s = Dc(srcDc);
    if (!s) return false;
    // An unstretched copy between two colour surfaces is drawn straight
    // from the source, without an intermediate image.
    if (w > 0 && h > 0 && w == sw && h == sh && info.source == Source::Copy && info.constant < 0 &&
        rop != MERGECOPY && rop != PATPAINT && s->surface && s->surface != d->surface && !s->surface->mono &&
        !IsMono(*d) && s->surface->image.format() == QImage::Format_RGB32) {
      s->surface->End();
      QPoint so = s->origin + s->st.viewportOrg;
      QRect sr(sx + so.x(), sy + so.y(), w, h);
      if (s->surface->image.rect().contains(sr)) {
        QPainter* p = Prepare(*d);
        if (!p) return true;
        p->setCompositionMode(info.mode);
        p->drawImage(dr.topLeft(), s->surface->image, sr);
        return true;
      }
    }
    src = SourceImage(*s, *d, sx, sy, sw, sh, w, h);
  }
  QPainter* p = Prepare(*d);
  if (!p) return true;
  if (info.constant >= 0) {
    p->setCompositionMode(QPainter::CompositionMode_Source);
    p->fillRect(dr, info.constant ? Qt::white : Qt::black);
    return true;
  }
  if (rop == MERGECOPY || rop == PATPAINT) {
    // Source AND brush / NOT source OR brush OR destination: combine the
    // brush into the source image first.
    QImage pat(src.size(), QImage::Format_RGB32);
    {
      QPainter pp(&pat);
      QBrush b = ToolkitBrush(*d, d->st.brush);
      b.setTransform(b.transform() * QTransform::fromTranslate(-dr.x(), -dr.y()));
      pp.fillRect(pat.rect(), b);
      pp.setCompositionMode(rop == MERGECOPY ? QPainter::RasterOp_SourceAndDestination
                                             : QPainter::RasterOp_NotSourceOrDestination);
      pp.drawImage(0, 0, src);
    }
    p->setCompositionMode(rop == MERGECOPY ? QPainter::CompositionMode_Source : QPainter::RasterOp_SourceOrDestination);
    p->drawImage(dr.topLeft(), pat);
    return true;
  }
  p->setCompositionMode(info.mode);
  if (info.source == Source::None) {
    if (info.usesBrush)
      p->fillRect(dr, ToolkitBrush(*d, d->st.brush));
    else
      p->fillRect(dr, Qt::black);  // DSTINVERT ignores the colour
    return true;
  }
  p->drawImage(dr.topLeft(), src);
  return true;
}

}  // namespace
}  // namespace detail

using namespace detail;

bool BitBlt(HDC dst, int x, int y, int width, int height, HDC src, int sx, int sy, DWORD rop) {
  return DoBlt(dst, x, y, width, height, src, sx, sy, width, height, rop);
}

bool StretchBlt(HDC dst, int x, int y, int width, int height, HDC src, int sx, int sy, int sw, int sh, DWORD rop) {
  return DoBlt(dst, x, y, width, height, src, sx, sy, sw, sh, rop);
}

bool PatBlt(HDC dst, int x, int y, int width, int height, DWORD rop) {
  RopInfo info = Decode(rop);
  if (info.source != Source::None) return false;
  return DoBlt(dst, x, y, width, height, HDC{}, 0, 0, width, height, rop);
}

bool TransparentBlt(HDC dst, int x, int y, int width, int height, HDC src, int sx, int sy, int sw, int sh,
                    COLORREF transparent) {
  DcObj* d = Dc(dst);
  DcObj* s = Dc(src);
  if (!d || !s) return false;
  if (width == 0 || height == 0) return true;
  // Compare in the source's own colours, before any conversion.
  QImage img = SourceImage(*s, *s, sx, sy, sw, sh, width, height);
  QImage argb = img.convertToFormat(QImage::Format_ARGB32);
  QRgb key = ToQRgb(transparent & 0xFFFFFF) & 0xFFFFFF;
  for (int yy = 0; yy < argb.height(); ++yy) {
    auto* line = reinterpret_cast<QRgb*>(argb.scanLine(yy));
    for (int xx = 0; xx < argb.width(); ++xx) {
      if ((line[xx] & 0xFFFFFF) == key)
        line[xx] = 0;
      else if (IsMono(*d))
        line[xx] = SurfaceColor(*d, FromQRgb(line[xx])).rgb() | 0xFF000000;
    }
  }
  QPainter* p = Prepare(*d);
  if (!p) return true;
  p->setCompositionMode(QPainter::CompositionMode_SourceOver);
  p->drawImage(DestRect(x, y, width, height).topLeft(), argb);
  return true;
}

}  // namespace gui
