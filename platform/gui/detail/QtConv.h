#pragma once
// Conversions between this layer's types and the toolkit's.
#include <QtCore/QRect>
#include <QtCore/QString>
#include <QtGui/QColor>

#include <string>
#include <string_view>

#include "platform/gui/Types.h"
#include "platform/system/Utf8.h"

namespace gui::detail {

inline QColor ToQColor(COLORREF c) { return QColor(GetRValue(c), GetGValue(c), GetBValue(c)); }
inline COLORREF FromQRgb(QRgb p) { return RGB(qRed(p), qGreen(p), qBlue(p)); }
inline QRgb ToQRgb(COLORREF c) { return qRgb(GetRValue(c), GetGValue(c), GetBValue(c)); }
inline QRect ToQRect(const Rect& r) { return QRect(r.Left, r.Top, r.Right - r.Left, r.Bottom - r.Top); }
inline Rect FromQRect(const QRect& r) {
  return Rect{r.left(), r.top(), r.left() + r.width(), r.top() + r.height()};
}
inline QPoint ToQPoint(Point p) { return QPoint(p.X, p.Y); }
inline Point FromQPoint(QPoint p) { return Point{p.x(), p.y()}; }

// Text as the program holds it (bytes) and as the toolkit shows it.
enum class TextEncoding { Utf8, Cp1252 };
using sys::IsValidUtf8;
TextEncoding EncodingOf(std::string_view bytes);
QString Decode(std::string_view bytes);
QString Decode(std::string_view bytes, TextEncoding encoding);
std::string Encode(const QString& text, TextEncoding encoding);
// Byte length of text[0, index) in the encoding, and back.
int ByteOffset(const QString& text, int index, TextEncoding encoding);
int CharIndex(const QString& text, int byteOffset, TextEncoding encoding);

}  // namespace gui::detail
