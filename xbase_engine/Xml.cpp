#include "xbase_engine/Xml.h"

#include "xbase_engine/Table.h"

namespace xbe {

namespace {

constexpr uint32_t kReplacement = 0xFFFD;

// Length of the valid UTF-8 sequence at s[i] and its code point; 0 when the
// bytes there are not valid UTF-8.
size_t Utf8At(std::string_view s, size_t i, uint32_t& cp) {
  const auto c = uint8_t(s[i]);
  size_t len;
  uint32_t min;
  if (c < 0x80) {
    cp = c;
    return 1;
  } else if (c >= 0xC2 && c <= 0xDF) {
    len = 2, cp = c & 0x1F, min = 0x80;
  } else if (c >= 0xE0 && c <= 0xEF) {
    len = 3, cp = c & 0x0F, min = 0x800;
  } else if (c >= 0xF0 && c <= 0xF4) {
    len = 4, cp = c & 0x07, min = 0x10000;
  } else {
    return 0;
  }
  if (i + len > s.size()) return 0;
  for (size_t k = 1; k < len; ++k) {
    const auto d = uint8_t(s[i + k]);
    if ((d & 0xC0) != 0x80) return 0;
    cp = cp << 6 | (d & 0x3F);
  }
  if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return 0;
  return len;
}

bool ValidUtf8(std::string_view s) {
  uint32_t cp = 0;
  for (size_t i = 0; i < s.size();) {
    const size_t n = Utf8At(s, i, cp);
    if (n == 0) return false;
    i += n;
  }
  return true;
}

void PutUtf8(std::string& out, uint32_t cp) {
  if (cp < 0x80) {
    out.push_back(char(cp));
  } else if (cp < 0x800) {
    out.push_back(char(0xC0 | cp >> 6));
    out.push_back(char(0x80 | (cp & 0x3F)));
  } else if (cp < 0x10000) {
    out.push_back(char(0xE0 | cp >> 12));
    out.push_back(char(0x80 | (cp >> 6 & 0x3F)));
    out.push_back(char(0x80 | (cp & 0x3F)));
  } else {
    out.push_back(char(0xF0 | cp >> 18));
    out.push_back(char(0x80 | (cp >> 12 & 0x3F)));
    out.push_back(char(0x80 | (cp >> 6 & 0x3F)));
    out.push_back(char(0x80 | (cp & 0x3F)));
  }
}

void PutEscaped(std::string& out, uint32_t cp) {
  switch (cp) {
    case '&': out += "&amp;"; return;
    case '<': out += "&lt;"; return;
    case '>': out += "&gt;"; return;
    case '"': out += "&quot;"; return;
    case '\'': out += "&apos;"; return;
    case '\r': out += "&#13;"; return;
    case '\t': case '\n': out.push_back(char(cp)); return;
    default: break;
  }
  if (cp < 0x20 || cp == 0xFFFE || cp == 0xFFFF) cp = kReplacement;
  PutUtf8(out, cp);
}

std::string ElementName(std::string_view field) {
  std::string n;
  for (char c : field) {
    const bool ok = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_';
    n.push_back(ok ? c : '_');
  }
  if (n.empty() || (n[0] >= '0' && n[0] <= '9')) n.insert(0, 1, '_');
  return n;
}

std::string Digits(int v, int width) {
  std::string s = std::to_string(v);
  if (int(s.size()) < width) s.insert(0, size_t(width) - s.size(), '0');
  return s;
}

std::string IsoDate(int32_t jdn) {
  int y, m, d;
  YmdFromJulian(jdn, y, m, d);
  return Digits(y, 4) + "-" + Digits(m, 2) + "-" + Digits(d, 2);
}

}  // namespace

std::string XmlText(std::string_view bytes) {
  std::string out;
  out.reserve(bytes.size());
  if (ValidUtf8(bytes)) {
    uint32_t cp = 0;
    for (size_t i = 0; i < bytes.size();) {
      i += Utf8At(bytes, i, cp);
      PutEscaped(out, cp);
    }
    return out;
  }
  for (char ch : bytes) {
    const auto c = uint8_t(ch);
    const uint32_t cp = Cp1252CodePoint(c);
    PutEscaped(out, cp != 0 ? cp : kReplacement);
  }
  return out;
}

bool IsXmlName(std::string_view name) {
  if (name.empty()) return false;
  const char f = name[0];
  if (!((f >= 'A' && f <= 'Z') || (f >= 'a' && f <= 'z') || f == '_')) return false;
  for (char c : name) {
    if (!((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_' ||
          c == '-' || c == '.')) {
      return false;
    }
  }
  return true;
}

std::string Base64(std::string_view bytes) {
  static const char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  std::string out;
  out.reserve((bytes.size() + 2) / 3 * 4);
  size_t i = 0;
  for (; i + 3 <= bytes.size(); i += 3) {
    const uint32_t v = uint32_t(uint8_t(bytes[i])) << 16 | uint32_t(uint8_t(bytes[i + 1])) << 8 | uint8_t(bytes[i + 2]);
    for (int s = 18; s >= 0; s -= 6) out.push_back(kAlphabet[v >> s & 0x3F]);
  }
  const size_t rest = bytes.size() - i;
  if (rest > 0) {
    uint32_t v = uint32_t(uint8_t(bytes[i])) << 16;
    if (rest == 2) v |= uint32_t(uint8_t(bytes[i + 1])) << 8;
    out.push_back(kAlphabet[v >> 18 & 0x3F]);
    out.push_back(kAlphabet[v >> 12 & 0x3F]);
    out.push_back(rest == 2 ? kAlphabet[v >> 6 & 0x3F] : '=');
    out.push_back('=');
  }
  return out;
}

std::string RecordXml(Table& t, std::string_view element, std::optional<DosPage> translate) {
  const std::string name = element.empty() ? std::string("record") : std::string(element);
  if (!IsXmlName(name)) throw XbError("Not an XML element name: " + name);
  auto shown = [&translate](std::string_view text) {
    return translate ? DosToWindows(*translate, text) : std::string(text);
  };
  std::string out = "<" + name + " alias=\"" + XmlText(t.Alias()) + "\" recno=\"" + std::to_string(t.RecNo()) +
                    "\" deleted=\"" + (t.Deleted() ? "true" : "false") + "\">";
  for (int i = 1; i <= t.FieldCount(); ++i) {
    const FieldDesc& f = *t.FieldByNumber(i);
    const std::string tag = ElementName(f.name);
    std::string value;
    bool base64 = false;
    switch (f.type) {
      case 'C': case 'V': case 'Q':
        value = XmlText(shown(TrimRight(t.Raw(f))));
        break;
      case 'D': {
        const int32_t jdn = t.Julian(f);
        if (jdn != 0) value = IsoDate(jdn);
        break;
      }
      case 'T': case '@': {
        const int32_t jdn = t.Julian(f);
        if (jdn != 0) {
          const std::string text = t.Text(f);  // yyyymmddhhmmss
          value = IsoDate(jdn) + "T" + text.substr(8, 2) + ":" + text.substr(10, 2) + ":" + text.substr(12, 2);
        }
        break;
      }
      case 'L': {
        const char c = t.Raw(f).empty() ? ' ' : t.Raw(f)[0];
        if (c == 'T' || c == 't' || c == 'Y' || c == 'y') value = "true";
        if (c == 'F' || c == 'f' || c == 'N' || c == 'n') value = "false";
        break;
      }
      case 'M':
        value = XmlText(shown(t.Memo(f)));
        break;
      default:
        if (IsMemoField(f)) {
          value = Base64(t.Memo(f));
          base64 = true;
        } else {
          value = XmlText(Trim(t.Text(f)));
        }
    }
    out += "<" + tag + (base64 ? " encoding=\"base64\"" : "") + ">" + value + "</" + tag + ">";
  }
  out += "</" + name + ">";
  return out;
}

}  // namespace xbe
