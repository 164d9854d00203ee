#include "platform/gui/Types.h"

#include <algorithm>

namespace gui {

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
