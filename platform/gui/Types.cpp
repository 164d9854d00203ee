#include "platform/gui/Types.h"

#include <algorithm>
#include <climits>

namespace gui {

int MulDiv(int Number, int Numerator, int Denominator) {
  if (Denominator == 0) return -1;
  long long product = static_cast<long long>(Number) * Numerator;
  long long d = Denominator;
  bool negative = (product < 0) != (d < 0);
  long long a = product < 0 ? -product : product;
  long long b = d < 0 ? -d : d;
  long long q = (a + b / 2) / b;
  long long r = negative ? -q : q;
  if (r > INT_MAX || r < INT_MIN) return -1;
  return static_cast<int>(r);
}

bool IntersectRect(Rect& out, const Rect& a, const Rect& b) {
  Rect r{std::max(a.Left, b.Left), std::max(a.Top, b.Top), std::min(a.Right, b.Right),
         std::min(a.Bottom, b.Bottom)};
  if (IsRectEmpty(r)) {
    out = Rect{};
    return false;
  }
  out = r;
  return true;
}

bool UnionRect(Rect& out, const Rect& a, const Rect& b) {
  if (IsRectEmpty(a)) {
    out = IsRectEmpty(b) ? Rect{} : b;
  } else if (IsRectEmpty(b)) {
    out = a;
  } else {
    out = Rect{std::min(a.Left, b.Left), std::min(a.Top, b.Top), std::max(a.Right, b.Right),
               std::max(a.Bottom, b.Bottom)};
  }
  return !IsRectEmpty(out);
}

}  // namespace gui
