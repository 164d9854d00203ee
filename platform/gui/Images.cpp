// Bitmaps and icons from and to image files.
#include "platform/gui/Images.h"

#include <QtCore/QBuffer>
#include <QtGui/QImageReader>
#include <QtGui/QImageWriter>
#include <QtGui/QPainter>

#include <algorithm>

#include "platform/gui/Gdi.h"
#include "platform/gui/detail/QtConv.h"
#include "platform/gui/detail/DrawingState.h"

namespace gui {
namespace detail {
namespace {

HBITMAP AddBitmap(QImage img, bool mono) {
  auto b = std::make_unique<BitmapObj>();
  b->surface.image = std::move(img);
  b->surface.mono = mono;
  return static_cast<HBITMAP>(Drawing().bitmaps.Add(std::move(b)));
}

QImage ReadImage(const std::vector<std::uint8_t>& data, int size) {
  QByteArray bytes(reinterpret_cast<const char*>(data.data()), static_cast<qsizetype>(data.size()));
  QBuffer buf(&bytes);
  buf.open(QIODevice::ReadOnly);
  QImageReader reader(&buf);
  reader.setDecideFormatFromContent(true);
  // Bound what a damaged file can make us allocate.
  reader.setAllocationLimit(256);
  QImage best;
  int count = std::max(1, reader.imageCount());
  for (int i = 0; i < count; ++i) {
    if (i > 0 && !reader.jumpToNextImage()) break;
    QImage img = reader.read();
    if (img.isNull()) continue;
    if (best.isNull()) {
      best = img;
    } else if (size > 0) {
      if (std::abs(img.width() - size) < std::abs(best.width() - size)) best = img;
    } else if (img.width() > best.width()) {
      best = img;
    }
  }
  return best;
}

}  // namespace
}  // namespace detail

using namespace detail;

HBITMAP LoadBitmapFromMemory(const std::vector<std::uint8_t>& data, COLORREF transparentFill) {
  if (!Ready() || data.empty()) return HBITMAP{};
  QImage img = ReadImage(data, 0);
  if (img.isNull()) return HBITMAP{};
  QImage out(img.size(), QImage::Format_RGB32);
  out.fill(ToQColor(transparentFill));
  {
    QPainter p(&out);
    p.drawImage(0, 0, img);
  }
  return AddBitmap(out, false);
}

HICON LoadIconFromMemory(const std::vector<std::uint8_t>& data, int size) {
  if (!Ready() || data.empty()) return HICON{};
  QImage img = ReadImage(data, size);
  if (img.isNull()) return HICON{};
  QImage argb = img.convertToFormat(QImage::Format_ARGB32);
  auto icon = std::make_unique<IconObj>();
  icon->color = QImage(argb.size(), QImage::Format_RGB32);
  icon->mask = QImage(argb.size(), QImage::Format_RGB32);
  for (int y = 0; y < argb.height(); ++y) {
    const auto* src = reinterpret_cast<const QRgb*>(argb.constScanLine(y));
    auto* c = reinterpret_cast<QRgb*>(icon->color.scanLine(y));
    auto* m = reinterpret_cast<QRgb*>(icon->mask.scanLine(y));
    for (int x = 0; x < argb.width(); ++x) {
      bool transparent = qAlpha(src[x]) < 128;
      c[x] = transparent ? 0xFF000000 : (0xFF000000 | (src[x] & 0xFFFFFF));
      m[x] = transparent ? 0xFFFFFFFF : 0xFF000000;
    }
  }
  return static_cast<HICON>(Drawing().icons.Add(std::move(icon)));
}

std::vector<std::uint8_t> SaveBitmapToMemory(HBITMAP bitmap, const std::string& format) {
  BitmapObj* b = Bmp(bitmap);
  if (!b) return {};
  b->surface.End();
  QByteArray bytes;
  QBuffer buf(&bytes);
  buf.open(QIODevice::WriteOnly);
  QImage img = b->surface.mono ? b->surface.image.convertToFormat(QImage::Format_Mono) : b->surface.image;
  if (!img.save(&buf, format.c_str())) return {};
  return std::vector<std::uint8_t>(bytes.begin(), bytes.end());
}

bool SaveBitmapToFile(HBITMAP bitmap, const std::string& path) {
  BitmapObj* b = Bmp(bitmap);
  if (!b) return false;
  b->surface.End();
  return b->surface.image.save(QString::fromStdString(path));
}

}  // namespace gui
