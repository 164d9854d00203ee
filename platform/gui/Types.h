#pragma once
// Basic types of the window and drawing layer: points and rectangles in
// pixels, colours, message parameters and the handles of windows, device
// contexts and drawing objects. Plain C++; nothing here names the toolkit
// underneath.
//
// Threads: every call of this layer belongs to the thread that called
// gui::Init (the GUI thread), except PostMessage, which any thread may call.
#include <compare>
#include <cstdint>

namespace gui {

using UINT = std::uint32_t;
using WPARAM = std::uintptr_t;
using LPARAM = std::intptr_t;
using LRESULT = std::intptr_t;
using BOOL = int;
using WORD = std::uint16_t;
using DWORD = std::uint32_t;
using BYTE = std::uint8_t;

// A colour 0x00BBGGRR. CLR_INVALID marks "no colour" in answers.
using COLORREF = std::uint32_t;
constexpr COLORREF CLR_INVALID = 0xFFFFFFFF;
constexpr COLORREF RGB(int r, int g, int b) {
  return static_cast<COLORREF>((r & 0xFF) | ((g & 0xFF) << 8) | ((b & 0xFF) << 16));
}
constexpr BYTE GetRValue(COLORREF c) { return static_cast<BYTE>(c & 0xFF); }
constexpr BYTE GetGValue(COLORREF c) { return static_cast<BYTE>((c >> 8) & 0xFF); }
constexpr BYTE GetBValue(COLORREF c) { return static_cast<BYTE>((c >> 16) & 0xFF); }

// Number * Numerator / Denominator in 64 bits, rounded half away from zero;
// -1 when Denominator is 0 or the result does not fit in an int.
int MulDiv(int Number, int Numerator, int Denominator);

struct Point {
  int X = 0;
  int Y = 0;
  friend bool operator==(const Point&, const Point&) = default;
};

struct Size {
  int cx = 0;
  int cy = 0;
  friend bool operator==(const Size&, const Size&) = default;
};

// Left and Top are inside, Right and Bottom just outside.
struct Rect {
  int Left = 0;
  int Top = 0;
  int Right = 0;
  int Bottom = 0;
  int Width() const { return Right - Left; }
  int Height() const { return Bottom - Top; }
  friend bool operator==(const Rect&, const Rect&) = default;
};

// Rectangle helpers with the usual semantics: an empty rectangle has no
// width or no height; PtInRect excludes the right and bottom edges;
// IntersectRect and UnionRect answer whether the result is non-empty (an
// empty result is (0, 0, 0, 0)).
inline Rect MakeRect(int l, int t, int r, int b) { return Rect{l, t, r, b}; }
inline bool IsRectEmpty(const Rect& r) { return r.Right <= r.Left || r.Bottom <= r.Top; }
inline bool PtInRect(const Rect& r, Point p) {
  return p.X >= r.Left && p.X < r.Right && p.Y >= r.Top && p.Y < r.Bottom;
}
inline void OffsetRect(Rect& r, int dx, int dy) {
  r.Left += dx;
  r.Right += dx;
  r.Top += dy;
  r.Bottom += dy;
}
inline void InflateRect(Rect& r, int dx, int dy) {
  r.Left -= dx;
  r.Right += dx;
  r.Top -= dy;
  r.Bottom += dy;
}
bool IntersectRect(Rect& out, const Rect& a, const Rect& b);
bool UnionRect(Rect& out, const Rect& a, const Rect& b);
inline bool EqualRect(const Rect& a, const Rect& b) { return a == b; }

// Message parameter packing: two 16-bit halves in one value. The halves of
// a point are signed.
constexpr WORD LOWORD(std::uintptr_t v) { return static_cast<WORD>(v & 0xFFFF); }
constexpr WORD HIWORD(std::uintptr_t v) { return static_cast<WORD>((v >> 16) & 0xFFFF); }
constexpr LPARAM MAKELPARAM(int lo, int hi) {
  return static_cast<LPARAM>(static_cast<std::int32_t>(
      static_cast<std::uint32_t>(lo & 0xFFFF) | (static_cast<std::uint32_t>(hi & 0xFFFF) << 16)));
}
constexpr WPARAM MAKEWPARAM(int lo, int hi) {
  return static_cast<WPARAM>(static_cast<std::uint32_t>(lo & 0xFFFF) |
                             (static_cast<std::uint32_t>(hi & 0xFFFF) << 16));
}
constexpr LRESULT MAKELRESULT(int lo, int hi) { return MAKELPARAM(lo, hi); }
constexpr int GET_X_LPARAM(LPARAM l) { return static_cast<std::int16_t>(l & 0xFFFF); }
constexpr int GET_Y_LPARAM(LPARAM l) { return static_cast<std::int16_t>((l >> 16) & 0xFFFF); }
constexpr Point PointFromLParam(LPARAM l) { return Point{GET_X_LPARAM(l), GET_Y_LPARAM(l)}; }
constexpr LPARAM PointToLParam(Point p) { return MAKELPARAM(p.X, p.Y); }

// Handles. Each kind is its own type; the value 0 is "none". A handle names
// an object of this layer until the object is destroyed; a stale handle is
// refused by every call (answers "failed"), never dereferenced.
enum class HWND : std::uintptr_t {};      // window
enum class HDC : std::uintptr_t {};       // device context
enum class HPEN : std::uintptr_t {};      // pen
enum class HBRUSH : std::uintptr_t {};    // brush
enum class HFONT : std::uintptr_t {};     // font
enum class HBITMAP : std::uintptr_t {};   // bitmap
enum class HRGN : std::uintptr_t {};      // region
enum class HCURSOR : std::uintptr_t {};   // mouse cursor shape
enum class HICON : std::uintptr_t {};     // icon (colour image and mask)
enum class HMENU : std::uintptr_t {};     // popup menu
enum class HMONITOR : std::uintptr_t {};  // display
enum class HTHEME : std::uintptr_t {};    // visual-style part family

template <typename H>
constexpr bool IsNull(H h) {
  return static_cast<std::uintptr_t>(h) == 0;
}
// Handles travel in message parameters as plain numbers.
template <typename H>
constexpr WPARAM ToWParam(H h) {
  return static_cast<WPARAM>(h);
}
template <typename H>
constexpr LPARAM ToLParam(H h) {
  return static_cast<LPARAM>(h);
}
template <typename H>
constexpr H FromParam(std::uintptr_t v) {
  return static_cast<H>(v);
}
template <typename H>
constexpr H FromParam(std::intptr_t v) {
  return static_cast<H>(static_cast<std::uintptr_t>(v));
}

}  // namespace gui
