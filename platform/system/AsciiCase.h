#pragma once
// Case folding of ASCII letters only: names, keys and masks from a
// case-insensitive world are compared this way, and other bytes (UTF-8 or
// single-byte accented letters) pass unchanged.
#include <string>
#include <string_view>

namespace sys {

inline char AsciiLower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }
inline char AsciiUpper(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }

inline std::string AsciiLowerCase(std::string s) {
  for (char& c : s) c = AsciiLower(c);
  return s;
}

inline std::string AsciiUpperCase(std::string s) {
  for (char& c : s) c = AsciiUpper(c);
  return s;
}

// True when a and b differ at most in the case of ASCII letters.
inline bool SameAsciiText(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (AsciiLower(a[i]) != AsciiLower(b[i])) return false;
  return true;
}

}  // namespace sys
