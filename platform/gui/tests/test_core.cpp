#include "platform/gui/tests/GuiTest.h"

using namespace gui;
using guitest::Canvas;

namespace {

class GuiCore : public guitest::GuiTest {};

TEST_F(GuiCore, FillRectCoversLeftTopButNotRightBottom) {
  Canvas c(10, 10);
  HBRUSH black = GetStockBrush(BLACK_BRUSH);
  FillRect(c.dc(), Rect{2, 2, 5, 4}, black);
  EXPECT_EQ(c.Row(1), "..........");
  EXPECT_EQ(c.Row(2), "..###.....");
  EXPECT_EQ(c.Row(3), "..###.....");
  EXPECT_EQ(c.Row(4), "..........");
}

TEST_F(GuiCore, WindowGetsPaintAfterInvalidate) {
  std::vector<UINT> seen;
  HWND w = TopLevel(10, 10, 100, 80, [&](HWND h, UINT m, WPARAM wp, LPARAM lp) -> LRESULT {
    if (m == WM_PAINT || m == WM_ERASEBKGND || m == WM_NCPAINT) seen.push_back(m);
    return DefWindowProc(h, m, wp, lp);
  });
  ShowWindow(w, SW_SHOW);
  ProcessPending();
  seen.clear();
  InvalidateRect(w, nullptr, true);
  EXPECT_TRUE(seen.empty());
  ProcessPending();
  ASSERT_EQ(seen.size(), 2u);
  EXPECT_EQ(seen[0], WM_PAINT);
  EXPECT_EQ(seen[1], WM_ERASEBKGND);
}

TEST(GuiTypes, MulDivRoundsHalfAwayFromZeroAndRefusesWhatCannotBe) {
  EXPECT_EQ(MulDiv(10, 3, 4), 8);     // 7.5
  EXPECT_EQ(MulDiv(-10, 3, 4), -8);   // -7.5
  EXPECT_EQ(MulDiv(10, -3, -4), 8);
  EXPECT_EQ(MulDiv(7, 1, 3), 2);      // 2.33
  EXPECT_EQ(MulDiv(120, 144, 96), 180);
  EXPECT_EQ(MulDiv(0x40000000, 0x40000000, 0x40000000), 0x40000000) << "the product does not overflow";
  EXPECT_EQ(MulDiv(5, 1, 0), -1);
  EXPECT_EQ(MulDiv(0x7FFFFFFF, 4, 1), -1) << "a result beyond an int";
}

}  // namespace
