#pragma once
// Payload building and reply conversion shared by the command files of
// TXbConnection. Not for use outside the connection.
#include <charconv>
#include <cstdint>
#include <string_view>
#include <system_error>

#include "class_library/core/SysUtils.h"
#include "data_access/XbConn.h"
#include "data_access/XbProtocol.h"

namespace xbconn {

// Text padded with blanks to Width. A longer one would shift every field
// after it on the server's side, so it is refused.
inline String Pad(const String& Text, std::size_t Width) {
  if (Text.size() > Width)
    throw EXbSrvException("Value longer than " + IntToStr(static_cast<int>(Width)) + " characters");
  String out = Text;
  out.append(Width - Text.size(), ' ');
  return out;
}
inline String P255(const String& Text) { return Pad(Text, 255); }
inline String P10(const String& Text) { return Pad(Text, 10); }
inline String P1(const String& Text) { return Pad(Text, 1); }

inline String D(long long N) { return IntToStr(static_cast<std::int64_t>(N)); }
// Upper-case hexadecimal, at least Digits of them; a negative 32-bit value
// gives its 8-digit two's complement.
inline String H(std::int32_t N, int Digits) { return IntToHex(static_cast<unsigned>(N), Digits); }
inline String H1(std::int32_t N) { return H(N, 1); }
inline String H4(std::int32_t N) { return H(N, 4); }
inline String H8(std::int32_t N) { return H(N, 8); }
inline String YN(bool B) { return B ? "Y" : "N"; }

// Reply conversions; a reply that does not convert raises EConvertError.
inline std::int32_t Dec(const String& Reply) { return StrToInt(Reply); }
inline std::int32_t TrimDec(const String& Reply) { return StrToInt(Trim(Reply)); }
inline std::int32_t Hex(std::string_view Reply) {
  if (Reply.empty() || Reply.size() > 8)
    throw EConvertError("'" + String(Reply) + "' is not a valid integer value");
  std::uint32_t v = 0;
  for (char c : Reply) {
    int d;
    if (c >= '0' && c <= '9') d = c - '0';
    else if (c >= 'A' && c <= 'F') d = c - 'A' + 10;
    else if (c >= 'a' && c <= 'f') d = c - 'a' + 10;
    else throw EConvertError("'" + String(Reply) + "' is not a valid integer value");
    v = (v << 4) | static_cast<std::uint32_t>(d);
  }
  return static_cast<std::int32_t>(v);
}
inline std::int32_t TrimHex(const String& Reply) { return Hex(Trim(Reply)); }
// A reply read as text ends at its first zero byte.
inline std::string_view AsText(const String& Reply) {
  const std::string_view all(Reply);
  return all.substr(0, all.find('\0'));
}
inline bool YesAnswer(const String& Reply) { return AsText(Reply).substr(0, 255) == "Y"; }
// Numbers on the wire have "." as their decimal point whatever the user's
// locale: the server writes them so and reads them so.
inline double Float(const String& Reply) {
  const String t = Trim(Reply);
  double v = 0;
  const char* end = t.data() + t.size();
  const char* begin = t.data() + (!t.empty() && t[0] == '+' ? 1 : 0);
  const auto r = std::from_chars(begin, end, v);
  if (t.empty() || r.ec != std::errc() || r.ptr != end)
    throw EConvertError("'" + Reply + "' is not a valid floating point value");
  return v;
}
inline String FloatText(double Value) {
  char buf[64];
  const auto r = std::to_chars(buf, buf + sizeof buf, Value);
  return r.ec == std::errc() ? String(buf, r.ptr) : String("0");
}

}  // namespace xbconn

template <class T, class F>
T TXbConnection::Guard(const char* Name, T Zero, F&& Body) {
  return GuardReporting(Name, Name, Zero, std::forward<F>(Body));
}

template <class T, class F>
T TXbConnection::GuardReporting(const char* Name, const char* Message, T Zero, F&& Body) {
  try {
    return Body();
  } catch (const ELostExchange&) {
    return Zero;  // reported by the exchange
  } catch (...) {
    lastFailed_ = true;
    DoError(String("XbConnection.") + Name, Message);
    return Zero;
  }
}

template <class F>
void TXbConnection::GuardVoid(const char* Name, F&& Body) {
  Guard<int>(Name, 0, [&] {
    Body();
    return 0;
  });
}
