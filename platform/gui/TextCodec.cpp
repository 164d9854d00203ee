// Text decoding for display: UTF-8 where valid, else Windows-1252.

#include "platform/gui/detail/QtConv.h"

namespace gui::detail {
namespace {

// Windows-1252 0x80..0x9F; 0 where the code page has no character.
constexpr char16_t kCp1252High[32] = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0,      0x017D, 0,      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};

char16_t FromCp1252(unsigned char c) {
  if (c < 0x80 || c >= 0xA0) return c;
  char16_t u = kCp1252High[c - 0x80];
  return u ? u : c;  // undefined bytes map to the C1 control of the same value
}

int ToCp1252(char32_t u) {
  if (u < 0x80 || (u >= 0xA0 && u <= 0xFF)) return static_cast<int>(u);
  for (int i = 0; i < 32; ++i)
    if (kCp1252High[i] == u || (kCp1252High[i] == 0 && u == static_cast<char32_t>(0x80 + i))) return 0x80 + i;
  return -1;
}

int Utf8Length(char32_t u) { return u < 0x80 ? 1 : u < 0x800 ? 2 : u < 0x10000 ? 3 : 4; }

}  // namespace

TextEncoding EncodingOf(std::string_view bytes) {
  return IsValidUtf8(bytes) ? TextEncoding::Utf8 : TextEncoding::Cp1252;
}

QString Decode(std::string_view bytes, TextEncoding encoding) {
  if (encoding == TextEncoding::Utf8)
    return QString::fromUtf8(bytes.data(), static_cast<qsizetype>(bytes.size()));
  QString out;
  out.resize(static_cast<qsizetype>(bytes.size()));
  for (std::size_t i = 0; i < bytes.size(); ++i)
    out[static_cast<qsizetype>(i)] = QChar(FromCp1252(static_cast<unsigned char>(bytes[i])));
  return out;
}

QString Decode(std::string_view bytes) { return Decode(bytes, EncodingOf(bytes)); }

std::string Encode(const QString& text, TextEncoding encoding) {
  if (encoding == TextEncoding::Utf8) {
    QByteArray b = text.toUtf8();
    return std::string(b.constData(), static_cast<std::size_t>(b.size()));
  }
  std::string out;
  out.reserve(static_cast<std::size_t>(text.size()));
  for (char32_t u : text.toUcs4()) {
    int c = ToCp1252(u);
    out.push_back(static_cast<char>(c < 0 ? '?' : c));
  }
  return out;
}

int ByteOffset(const QString& text, int index, TextEncoding encoding) {
  if (index <= 0) return 0;
  if (index > text.size()) index = static_cast<int>(text.size());
  int bytes = 0;
  for (int i = 0; i < index; ++i) {
    QChar c = text[i];
    if (encoding == TextEncoding::Cp1252) {
      if (c.isHighSurrogate() && i + 1 < index) ++i;
      ++bytes;
    } else if (c.isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate()) {
      bytes += 4;
      ++i;
    } else {
      bytes += Utf8Length(c.unicode());
    }
  }
  return bytes;
}

int CharIndex(const QString& text, int byteOffset, TextEncoding encoding) {
  int bytes = 0;
  int i = 0;
  while (i < text.size() && bytes < byteOffset) {
    QChar c = text[i];
    bool pair = c.isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate();
    int len = encoding == TextEncoding::Cp1252 ? 1 : pair ? 4 : Utf8Length(c.unicode());
    if (bytes + len > byteOffset) break;  // inside a character: stay before it
    bytes += len;
    i += pair ? 2 : 1;
  }
  return i;
}

}  // namespace gui::detail
