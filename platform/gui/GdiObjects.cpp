// Pens, brushes, bitmaps and icons: creation, information, stock objects,
// deletion.
#include <algorithm>
#include <cstring>

#include "platform/gui/Gdi.h"
#include "platform/gui/detail/DcInternal.h"
#include "platform/gui/detail/QtConv.h"

namespace gui {
namespace detail {
namespace {

HPEN MakePen(const LogPen& lp, bool stock) {
  auto p = std::make_unique<PenObj>();
  p->lp = lp;
  p->stock = stock;
  return static_cast<HPEN>(Drawing().pens.Add(std::move(p)));
}

HBRUSH MakeBrush(const LogBrush& lb, const QImage& pattern, bool mono, bool stock) {
  auto b = std::make_unique<BrushObj>();
  b->lb = lb;
  b->pattern = pattern;
  b->monoPattern = mono;
  b->stock = stock;
  return static_cast<HBRUSH>(Drawing().brushes.Add(std::move(b)));
}

bool InUseAnywhere(HPEN pen, HBRUSH brush, HFONT font) {
  bool used = false;
  Drawing().dcs.ForEach([&](const DcObj& d) {
    if ((!IsNull(pen) && d.st.pen == pen) || (!IsNull(brush) && d.st.brush == brush) ||
        (!IsNull(font) && d.st.font == font))
      used = true;
  });
  return used;
}

}  // namespace
}  // namespace detail

using namespace detail;

HPEN CreatePen(int style, int width, COLORREF color) {
  if (!Ready()) return HPEN{};
  if (style < PS_SOLID || style > PS_ALTERNATE || style == 7) style = PS_SOLID;
  return MakePen(LogPen{style, std::max(0, width), color & 0xFFFFFF}, false);
}

HBRUSH CreateSolidBrush(COLORREF color) {
  if (!Ready()) return HBRUSH{};
  return MakeBrush(LogBrush{BS_SOLID, color & 0xFFFFFF, 0}, QImage(), false, false);
}

HBRUSH CreatePatternBrush(HBITMAP pattern) {
  BitmapObj* b = Bmp(pattern);
  if (!b || b->surface.image.isNull()) return HBRUSH{};
  b->surface.End();
  QImage img = b->surface.image.copy();
  return MakeBrush(LogBrush{BS_PATTERN, 0, static_cast<std::uintptr_t>(pattern)}, img, b->surface.mono, false);
}

HBRUSH CreateHatchBrush(int hatch, COLORREF color) {
  if (!Ready()) return HBRUSH{};
  return MakeBrush(LogBrush{BS_HATCHED, color & 0xFFFFFF, static_cast<std::uintptr_t>(std::clamp(hatch, 0, 5))},
                   QImage(), false, false);
}

HBRUSH CreateBrushIndirect(const LogBrush& lb) {
  switch (lb.lbStyle) {
    case BS_SOLID: return CreateSolidBrush(lb.lbColor);
    case BS_NULL: return Ready() ? MakeBrush(LogBrush{BS_NULL, 0, 0}, QImage(), false, false) : HBRUSH{};
    case BS_HATCHED: return CreateHatchBrush(static_cast<int>(lb.lbHatch), lb.lbColor);
    case BS_PATTERN: return CreatePatternBrush(static_cast<HBITMAP>(lb.lbHatch));
  }
  return HBRUSH{};
}

HBITMAP CreateBitmap(int width, int height, UINT planes, UINT bitsPerPixel, const void* bits) {
  if (!Ready() || width < 0 || height < 0 || planes != 1) return HBITMAP{};
  if (static_cast<long long>(width) * height > 64LL * 1024 * 1024) return HBITMAP{};
  auto b = std::make_unique<BitmapObj>();
  b->surface.mono = bitsPerPixel == 1;
  b->surface.image = QImage(std::max(width, 1), std::max(height, 1), QImage::Format_RGB32);
  if (width == 0 || height == 0) b->surface.image = QImage(1, 1, QImage::Format_RGB32);
  b->surface.image.fill(b->surface.mono ? 0xFF000000 : 0xFF000000);
  if (bits) {
    const auto* src = static_cast<const std::uint8_t*>(bits);
    if (bitsPerPixel == 1) {
      // Rows of 1-bit pixels, most significant bit first, each row padded to 16 bits.
      int stride = ((width + 15) / 16) * 2;
      for (int y = 0; y < height; ++y) {
        auto* line = reinterpret_cast<QRgb*>(b->surface.image.scanLine(y));
        for (int x = 0; x < width; ++x)
          line[x] = (src[y * stride + x / 8] & (0x80 >> (x % 8))) ? 0xFFFFFFFF : 0xFF000000;
      }
    } else if (bitsPerPixel == 32) {
      for (int y = 0; y < height; ++y) {
        auto* line = reinterpret_cast<QRgb*>(b->surface.image.scanLine(y));
        const auto* row = reinterpret_cast<const std::uint32_t*>(src) + static_cast<std::size_t>(y) * width;
        for (int x = 0; x < width; ++x) line[x] = 0xFF000000 | (row[x] & 0xFFFFFF);
      }
    }
  }
  return static_cast<HBITMAP>(Drawing().bitmaps.Add(std::move(b)));
}

HBITMAP CreateCompatibleBitmap(HDC dc, int width, int height) {
  DcObj* d = Dc(dc);
  if (!d) return HBITMAP{};
  HBITMAP h = CreateBitmap(width, height, 1, IsMono(*d) ? 1 : 32, nullptr);
  return h;
}

HBITMAP CreateBitmapFromPixels(int width, int height, std::span<const std::uint32_t> pixels) {
  if (width < 0 || height < 0 || pixels.size() < static_cast<std::size_t>(width) * static_cast<std::size_t>(height))
    return HBITMAP{};
  HBITMAP h = CreateBitmap(width, height, 1, 32, nullptr);
  if (BitmapObj* b = Bmp(h)) {
    for (int y = 0; y < height; ++y) {
      auto* line = reinterpret_cast<QRgb*>(b->surface.image.scanLine(y));
      for (int x = 0; x < width; ++x) {
        std::uint32_t p = pixels[static_cast<std::size_t>(y) * width + x];
        line[x] = 0xFF000000 | (p & 0xFFFFFF);
      }
    }
  }
  return h;
}

std::vector<std::uint32_t> GetBitmapPixels(HBITMAP bitmap) {
  BitmapObj* b = Bmp(bitmap);
  if (!b) return {};
  b->surface.End();
  const QImage& img = b->surface.image;
  const int width = img.width(), height = img.height();
  std::vector<std::uint32_t> out(static_cast<std::size_t>(width) * height);
  for (int y = 0; y < height; ++y) {
    const auto* line = reinterpret_cast<const QRgb*>(img.constScanLine(y));
    std::uint32_t* row = out.data() + static_cast<std::size_t>(y) * width;
    for (int x = 0; x < width; ++x) row[x] = line[x] & 0xFFFFFF;
  }
  return out;
}

bool SetBitmapPixels(HBITMAP bitmap, std::span<const std::uint32_t> pixels) {
  BitmapObj* b = Bmp(bitmap);
  if (!b) return false;
  b->surface.End();
  QImage& img = b->surface.image;
  const int width = img.width(), height = img.height();
  if (pixels.size() < static_cast<std::size_t>(width) * height) return false;
  const bool mono = b->surface.mono;
  for (int y = 0; y < height; ++y) {
    auto* line = reinterpret_cast<QRgb*>(img.scanLine(y));
    const std::uint32_t* row = pixels.data() + static_cast<std::size_t>(y) * width;
    if (mono) {
      for (int x = 0; x < width; ++x) {
        std::uint32_t p = row[x] & 0xFFFFFF;
        line[x] = (GetRValue(p) + GetGValue(p) + GetBValue(p)) >= 384 ? 0xFFFFFFFF : 0xFF000000;
      }
    } else {
      for (int x = 0; x < width; ++x) line[x] = 0xFF000000 | (row[x] & 0xFFFFFF);
    }
  }
  return true;
}

bool GetBitmapInfo(HBITMAP bitmap, BitmapInfo& info) {
  BitmapObj* b = Bmp(bitmap);
  if (!b) return false;
  info.bmWidth = b->surface.image.width();
  info.bmHeight = b->surface.image.height();
  info.bmBitsPixel = b->surface.mono ? 1 : 32;
  return true;
}

bool GetPenInfo(HPEN pen, LogPen& lp) {
  PenObj* p = Pen(pen);
  if (!p) return false;
  lp = p->lp;
  return true;
}

bool GetBrushInfo(HBRUSH brush, LogBrush& lb) {
  BrushObj* b = Brush(brush);
  if (!b) return false;
  lb = b->lb;
  return true;
}

HBRUSH GetStockBrush(int which) {
  if (!Ready()) return HBRUSH{};
  auto& stock = Drawing().stockBrushes;
  auto it = stock.find(which);
  if (it != stock.end()) return it->second;
  LogBrush lb;
  switch (which) {
    case WHITE_BRUSH: lb = {BS_SOLID, 0xFFFFFF, 0}; break;
    case LTGRAY_BRUSH: lb = {BS_SOLID, 0xC0C0C0, 0}; break;
    case GRAY_BRUSH: lb = {BS_SOLID, 0x808080, 0}; break;
    case DKGRAY_BRUSH: lb = {BS_SOLID, 0x404040, 0}; break;
    case BLACK_BRUSH: lb = {BS_SOLID, 0x000000, 0}; break;
    case NULL_BRUSH: lb = {BS_NULL, 0, 0}; break;
    case DC_BRUSH: lb = {BS_SOLID, 0xFFFFFF, 0}; break;
    default: return HBRUSH{};
  }
  HBRUSH h = MakeBrush(lb, QImage(), false, true);
  stock[which] = h;
  return h;
}

HPEN GetStockPen(int which) {
  if (!Ready()) return HPEN{};
  auto& stock = Drawing().stockPens;
  auto it = stock.find(which);
  if (it != stock.end()) return it->second;
  LogPen lp;
  switch (which) {
    case WHITE_PEN: lp = {PS_SOLID, 0, 0xFFFFFF}; break;
    case BLACK_PEN: lp = {PS_SOLID, 0, 0x000000}; break;
    case NULL_PEN: lp = {PS_NULL, 0, 0}; break;
    default: return HPEN{};
  }
  HPEN h = MakePen(lp, true);
  stock[which] = h;
  return h;
}

bool DeleteObject(HPEN pen) {
  PenObj* p = Pen(pen);
  if (!p || p->stock || InUseAnywhere(pen, HBRUSH{}, HFONT{})) return false;
  Drawing().pens.Remove(static_cast<std::uintptr_t>(pen));
  return true;
}

bool DeleteObject(HBRUSH brush) {
  BrushObj* b = Brush(brush);
  if (!b || b->stock || InUseAnywhere(HPEN{}, brush, HFONT{})) return false;
  Drawing().brushes.Remove(static_cast<std::uintptr_t>(brush));
  return true;
}

bool DeleteObject(HFONT font) {
  FontObj* f = Font(font);
  if (!f || f->stock || InUseAnywhere(HPEN{}, HBRUSH{}, font)) return false;
  Drawing().fonts.Remove(static_cast<std::uintptr_t>(font));
  return true;
}

bool DeleteObject(HBITMAP bitmap) {
  BitmapObj* b = Bmp(bitmap);
  if (!b || b->stock) return false;
  if (!IsNull(b->selectedInto) && Dc(b->selectedInto)) return false;
  Drawing().bitmaps.Remove(static_cast<std::uintptr_t>(bitmap));
  return true;
}

bool DeleteObject(HRGN region) {
  if (!Rgn(region)) return false;
  Drawing().regions.Remove(static_cast<std::uintptr_t>(region));
  return true;
}

HICON CreateIconFromBitmaps(HBITMAP color, HBITMAP mask) {
  BitmapObj* c = Bmp(color);
  if (!c) return HICON{};
  c->surface.End();
  auto icon = std::make_unique<IconObj>();
  icon->color = c->surface.image.copy();
  if (BitmapObj* m = Bmp(mask)) {
    m->surface.End();
    icon->mask = m->surface.image.copy();
  } else {
    icon->mask = QImage(icon->color.size(), QImage::Format_RGB32);
    icon->mask.fill(0xFF000000);
  }
  return static_cast<HICON>(Drawing().icons.Add(std::move(icon)));
}

bool DestroyIcon(HICON icon) {
  if (!Icon(icon)) return false;
  Drawing().icons.Remove(static_cast<std::uintptr_t>(icon));
  return true;
}

bool GetIconBitmaps(HICON icon, HBITMAP* colorCopy, HBITMAP* maskCopy) {
  IconObj* i = Icon(icon);
  if (!i) return false;
  auto make = [](const QImage& img, bool mono) {
    auto b = std::make_unique<BitmapObj>();
    b->surface.image = img.copy();
    b->surface.mono = mono;
    return static_cast<HBITMAP>(Drawing().bitmaps.Add(std::move(b)));
  };
  if (colorCopy) *colorCopy = make(i->color, false);
  if (maskCopy) *maskCopy = make(i->mask, true);
  return true;
}

Size GetIconSize(HICON icon) {
  IconObj* i = Icon(icon);
  return i ? Size{i->color.width(), i->color.height()} : Size{};
}

bool DrawIconEx(HDC dc, int x, int y, HICON icon, int width, int height) {
  DcObj* d = Dc(dc);
  IconObj* i = Icon(icon);
  if (!d || !i) return false;
  if (width <= 0) width = i->color.width();
  if (height <= 0) height = i->color.height();
  QImage img = i->color.convertToFormat(QImage::Format_ARGB32);
  for (int yy = 0; yy < img.height() && yy < i->mask.height(); ++yy) {
    auto* line = reinterpret_cast<QRgb*>(img.scanLine(yy));
    const auto* m = reinterpret_cast<const QRgb*>(i->mask.constScanLine(yy));
    for (int xx = 0; xx < img.width() && xx < i->mask.width(); ++xx)
      if (qRed(m[xx]) > 127) line[xx] = 0;
  }
  if (img.width() != width || img.height() != height)
    img = img.scaled(width, height, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
  QPainter* p = Prepare(*d);
  if (!p) return true;
  p->setCompositionMode(QPainter::CompositionMode_SourceOver);
  p->drawImage(QPoint(x, y), img);
  return true;
}

}  // namespace gui
