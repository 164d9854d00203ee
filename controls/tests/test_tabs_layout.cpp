// Tab layout against rectangles worked out by hand: every side, both
// sequences, several rows, the selected row brought to the card, scrolling,
// and the support objects the layout stands on.
#include "controls/tests/TabTest.h"

using ctltest::TabFormTest;

namespace {

// Slanted tabs 60 x 20 overlap their neighbours by 20 div 2 = 10 columns, so
// each starts 60 - 10 + 1 = 51 pixels after the one before.
TEST_F(TabFormTest, TopTabsStandInARowFromTheLeft) {
  FixedTabs(3);
  EXPECT_EQ(tabs->Client(0), Rect(0, 0, 60, 20));
  EXPECT_EQ(tabs->Client(1), Rect(51, 0, 111, 20));
  EXPECT_EQ(tabs->Client(2), Rect(102, 0, 162, 20));
  EXPECT_EQ(tabs->FixedDimension(), 20);
  EXPECT_EQ(tabs->RowCount(), 1);
  EXPECT_FALSE(tabs->ScrollNeeded());
  // The strip is 2 pixels short on the right for the shadow.
  EXPECT_EQ(tabs->TabStripRect(), Rect(0, 0, 297, 20));
  EXPECT_EQ(tabs->CardRect(0), Rect(0, 20, 299, 99));
  EXPECT_EQ(tabs->DisplayRect(), Rect(1, 21, 297, 97));
}

TEST_F(TabFormTest, BottomTabsHangFromTheCard) {
  tabs->SetTabOrientation(toBottom);
  FixedTabs(3);
  EXPECT_EQ(tabs->TabStripRect(), Rect(0, 79, 299, 99));
  EXPECT_EQ(tabs->Client(0), Rect(0, 79, 60, 99));
  EXPECT_EQ(tabs->Client(2), Rect(102, 79, 162, 99));
  EXPECT_EQ(tabs->CardRect(0), Rect(0, 0, 299, 79));
}

TEST_F(TabFormTest, LeftTabsRunFromTheBottomUp) {
  tabs->PlaceBounds(0, 0, 300, 200);
  tabs->SetTabOrientation(toLeft);
  FixedTabs(3);
  EXPECT_EQ(tabs->TabStripRect(), Rect(0, 0, 20, 199));
  EXPECT_EQ(tabs->Client(0), Rect(0, 139, 20, 199));
  EXPECT_EQ(tabs->Client(1), Rect(0, 88, 20, 148));
  EXPECT_EQ(tabs->Client(2), Rect(0, 37, 20, 97));
  EXPECT_EQ(tabs->CardRect(0), Rect(20, 0, 299, 199));
}

TEST_F(TabFormTest, RightTabsRunFromTheTopDown) {
  tabs->PlaceBounds(0, 0, 300, 200);
  tabs->SetTabOrientation(toRight);
  FixedTabs(3);
  EXPECT_EQ(tabs->TabStripRect(), Rect(279, 0, 299, 199));
  EXPECT_EQ(tabs->Client(0), Rect(279, 0, 299, 60));
  EXPECT_EQ(tabs->Client(1), Rect(279, 51, 299, 111));
  EXPECT_EQ(tabs->CardRect(0), Rect(0, 0, 279, 199));
}

// In reverse sequence the tabs stand from the right end of the strip.
TEST_F(TabFormTest, ReverseSequenceStartsAtTheFarEnd) {
  tabs->SetTabSequence(tsReverse);
  FixedTabs(3);
  EXPECT_EQ(tabs->TabStripRect(), Rect(0, 0, 299, 20));
  EXPECT_EQ(tabs->Client(0), Rect(239, 0, 299, 20));
  EXPECT_EQ(tabs->Client(1), Rect(188, 0, 248, 20));
  EXPECT_EQ(tabs->Client(2), Rect(137, 0, 197, 20));
}

// Five tabs of 60 in a strip of 197: three fit on the first row, two go on
// the second, which is indented by RowIndent and lies RowOverlap into the first.
TEST_F(TabFormTest, MultiLineStacksRowsAwayFromTheCard) {
  tabs->PlaceBounds(0, 0, 200, 150);
  tabs->SetMultiLine(true);
  FixedTabs(5);
  tabs->Layout();
  EXPECT_EQ(tabs->RowCount(), 2);
  EXPECT_EQ(tabs->TabStripThickness(), 35);
  EXPECT_EQ(tabs->Client(0), Rect(0, 15, 60, 35));
  EXPECT_EQ(tabs->Client(2), Rect(102, 15, 162, 35));
  EXPECT_EQ(tabs->Client(3), Rect(5, 0, 65, 20));
  EXPECT_EQ(tabs->Client(4), Rect(56, 0, 116, 20));
  EXPECT_EQ(tabs->CardRect(0), Rect(0, 35, 194, 149));
  EXPECT_EQ(tabs->CardRect(1), Rect(5, 20, 199, 134));

  // Selecting a tab of the back row brings that row to the card.
  tabs->SetTabIndex(3);
  EXPECT_EQ(tabs->Client(3), Rect(0, 15, 60, 35));
  EXPECT_EQ(tabs->Client(0), Rect(5, 0, 65, 20));
  EXPECT_EQ(tabs->TabData()->Items(3)->Row, 0);
  EXPECT_EQ(tabs->TabData()->Items(0)->Row, 1);
  // A re-layout (a resize) keeps the selected row in front.
  tabs->SetWidth(201);
  tabs->Layout();
  EXPECT_EQ(tabs->TabData()->Items(3)->Row, 0);
}

TEST_F(TabFormTest, ThreeRowsRotateCyclically) {
  tabs->PlaceBounds(0, 0, 130, 150);
  tabs->SetMultiLine(true);
  FixedTabs(6);
  tabs->Layout();
  ASSERT_EQ(tabs->RowCount(), 3);
  std::vector<int> before;
  for (int i = 0; i < 6; ++i) before.push_back(tabs->TabData()->Items(i)->Row);
  EXPECT_EQ(before, (std::vector<int>{0, 0, 1, 1, 2, 2}));
  tabs->SetTabIndex(5);  // the back row comes to the card, the front row steps back
  std::vector<int> after;
  for (int i = 0; i < 6; ++i) after.push_back(tabs->TabData()->Items(i)->Row);
  EXPECT_EQ(after, (std::vector<int>{1, 1, 2, 2, 0, 0}));
}

TEST_F(TabFormTest, OneRowDoesNotRotate) {
  tabs->SetMultiLine(true);
  FixedTabs(3);
  TRect r0 = tabs->Client(0), r2 = tabs->Client(2);
  tabs->SetTabIndex(2);
  tabs->SetTabIndex(0);
  EXPECT_EQ(tabs->Client(0), r0);
  EXPECT_EQ(tabs->Client(2), r2);
  EXPECT_EQ(tabs->TabData()->Items(2)->Row, 0);
}

// A lone tab longer than the strip keeps its row, clamped to the strip.
TEST_F(TabFormTest, OverlongTabKeepsItsRow) {
  tabs->PlaceBounds(0, 0, 200, 150);
  tabs->SetMultiLine(true);
  FixedTabs(1, 500);
  tabs->AddTab("second");
  tabs->Layout();
  EXPECT_EQ(tabs->Client(0).Width(), 197 - 5);
  EXPECT_EQ(tabs->TabData()->Items(0)->Row, 0);
  EXPECT_EQ(tabs->TabData()->Items(1)->Row, 1);
}

TEST_F(TabFormTest, AlignTabsSharesTheFreeLength) {
  tabs->PlaceBounds(0, 0, 200, 150);
  tabs->SetMultiLine(true);
  tabs->SetAlignTabs(true);
  tabs->SetTabHeight(20);
  for (int i = 0; i < 5; ++i) tabs->AddTab("T" + std::to_string(i));
  tabs->Layout();
  // Every row reaches the end of its share of the strip.
  int room = tabs->TabStripLength() - (tabs->RowCount() - 1) * tabs->RowIndent();
  for (int row = 0; row < tabs->RowCount(); ++row) {
    int lo = 1 << 20, hi = -1;
    for (int i = 0; i < 5; ++i) {
      TVkTabData* t = tabs->TabData()->Items(i);
      if (t->Row != row) continue;
      lo = std::min(lo, t->TabRect.Left);
      hi = std::max(hi, t->TabRect.Right);
    }
    EXPECT_EQ(hi - lo, room) << "row " << row;
  }
}

TEST_F(TabFormTest, AutoSizeFollowsTheCaption) {
  tabs->SetTabStyle(tsSquareCorners);
  tabs->AddTab("Short");
  tabs->AddTab("A much longer caption");
  tabs->Layout();
  TSize small = tabs->MeasureText("Short", true);
  TSize large = tabs->MeasureText("A much longer caption", true);
  // Square tabs: the content plus 6; a selected one would grow by 2 each side.
  // Left of the text stands the image margin, image or not.
  EXPECT_EQ(tabs->TabData()->Items(0)->TabRect.Width(), tabs->ImageMargin() + small.cx + 6);
  EXPECT_EQ(tabs->TabData()->Items(1)->TabRect.Width(), tabs->ImageMargin() + large.cx + 6);
  EXPECT_EQ(tabs->FixedDimension(), std::max(small.cy, std::abs(tabs->Font()->Height())) + 6);
  // The accelerator mark is not measured, a doubled one is one character.
  EXPECT_EQ(tabs->MeasureText("&Short", true).cx, small.cx);
  EXPECT_GT(tabs->MeasureText("a&&b", true).cx, tabs->MeasureText("ab", true).cx);
  EXPECT_EQ(tabs->MeasureText("a&b", true).cx, tabs->MeasureText("ab", true).cx);
  // Lines at CR LF: the widest line, the heights summed; vertical swaps them.
  TSize two = tabs->MeasureText("Short\r\nShort", true);
  EXPECT_EQ(two.cy, 2 * small.cy);
  TSize up = tabs->MeasureText("Short\r\nShort", false);
  EXPECT_EQ(up.cx, 2 * small.cy);
  EXPECT_EQ(up.cy, small.cx);
}

TEST_F(TabFormTest, OverflowScrollsAndTheScrollerShows) {
  FixedTabs(8);
  tabs->Layout();
  EXPECT_TRUE(tabs->ScrollNeeded());
  EXPECT_EQ(tabs->FirstShownTab(), 0);
  EXPECT_TRUE(tabs->TabIsShown(0));
  EXPECT_FALSE(tabs->TabIsShown(7));
  ShowForm();
  ASSERT_NE(tabs->Scroller(), nullptr);
  EXPECT_GE(tabs->Scroller()->Left(), 0);
  EXPECT_EQ(tabs->Scroller()->Width(), 2 * tabs->ScrollButtonLength() - 1);
  int scrolled = 0;
  tabs->OnScrolledTabs = [&](TObject*) { ++scrolled; };
  tabs->ScrollTabs(true);
  EXPECT_EQ(tabs->FirstShownTab(), 1);
  EXPECT_EQ(tabs->Client(1).Left, 0);
  for (int i = 0; i < 10; ++i) tabs->ScrollTabs(true);
  EXPECT_TRUE(tabs->TabIsShown(7));
  int last = tabs->FirstShownTab();
  tabs->ScrollTabs(true);  // the end: nothing moves, the event still fires
  EXPECT_EQ(tabs->FirstShownTab(), last);
  EXPECT_EQ(scrolled, 12);
  // Selecting a tab before the first shown one scrolls back to it.
  tabs->SetTabIndex(0);
  EXPECT_EQ(tabs->FirstShownTab(), 0);
  tabs->SetTabIndex(7);
  EXPECT_TRUE(tabs->TabIsShown(7));
  // Wide enough: the scroller leaves the view.
  tabs->SetWidth(520);
  vistest::Pump();
  tabs->Layout();
  EXPECT_FALSE(tabs->ScrollNeeded());
  EXPECT_LT(tabs->Scroller()->Left(), 0);
}

TEST_F(TabFormTest, NoVisibleTabShowsNothing) {
  tabs->AddTab("hidden", false);
  tabs->Layout();
  EXPECT_EQ(tabs->FirstShownTab(), -1);
  EXPECT_EQ(tabs->ScrollOffset(), 0);
  EXPECT_FALSE(tabs->TabIsShown(0));
  EXPECT_EQ(tabs->TabAtPoint(5, 5), -1);
}

TEST_F(TabFormTest, SelectionRepairSkipsHiddenAndDisabledTabs) {
  FixedTabs(4);
  tabs->SetTabIndex(1);
  tabs->TabData()->Items(1)->Visible = false;
  tabs->RebuildTabData();
  tabs->Layout();
  EXPECT_EQ(tabs->TabIndex(), 2);
  tabs->TabData()->Items(2)->Enabled = false;
  tabs->TabData()->Items(3)->Visible = false;
  tabs->RebuildTabData();
  tabs->Layout();
  EXPECT_EQ(tabs->TabIndex(), 0);  // nothing after it: the walk goes back
}

// Removing tabs under the selection leaves no index past the list.
TEST_F(TabFormTest, StaleTabIndexIsCleared) {
  FixedTabs(3);
  tabs->SetTabIndex(2);
  tabs->TabData()->Clear();
  tabs->RebuildTabData();
  ShowForm();
  EXPECT_EQ(tabs->TabIndex(), -1);
  tabs->AddTab("one");
  tabs->TabData()->Items(0)->Enabled = false;
  tabs->SetTabIndex(0);  // refused: disabled
  EXPECT_EQ(tabs->TabIndex(), -1);
}

TEST_F(TabFormTest, SettersIgnoreNegativeAndForceTheirPartners) {
  tabs->SetMargin(-3);
  tabs->SetRowIndent(-1);
  tabs->SetTabHeight(-5);
  EXPECT_EQ(tabs->Margin(), 0);
  EXPECT_EQ(tabs->RowIndent(), 5);
  EXPECT_EQ(tabs->TabHeight(), 0);
  tabs->SetShowFullFrame(false);
  EXPECT_FALSE(tabs->ShowShadow());
  tabs->SetShowShadow(true);
  EXPECT_TRUE(tabs->ShowFullFrame());
  tabs->SetBackgroundColor(clRed);
  EXPECT_FALSE(tabs->ParentBackgroundColor());
  tabs->SetFlatColorAdjustment(1000);
  EXPECT_EQ(tabs->FlatColorAdjustment(), 255);
  tabs->SetFlatColorAdjustment(-300);
  EXPECT_EQ(tabs->FlatColorAdjustment(), -255);
}

TEST_F(TabFormTest, TabFontStackUnwinds) {
  tabs->PushTabFont();
  tabs->PushTabFont(true);
  EXPECT_EQ(tabs->TabFontDepth(), 2);
  tabs->PopTabFont();
  tabs->PopTabFont();
  tabs->PopTabFont();  // one too many does nothing
  EXPECT_EQ(tabs->TabFontDepth(), 0);
  // Fonts still pushed when the control goes are freed with it.
  tabs->PushTabFont();
  tabs->PushTabFont();
}

// ---- Support objects ---------------------------------------------------------------

TEST(TabSupport, RectangleRoutines) {
  EXPECT_TRUE(RectIsZero(Rect(0, 0, 0, 0)));
  EXPECT_FALSE(RectIsZero(Rect(0, 0, 1, 0)));
  TRect r = Rect(10, 20, 0, 5);
  NormalizeRect(r);
  EXPECT_EQ(r, Rect(0, 5, 10, 20));
  EXPECT_TRUE(PtInNormalizedRect(Rect(10, 10, 0, 0), TPoint{0, 0}));
  EXPECT_FALSE(PtInNormalizedRect(Rect(10, 10, 0, 0), TPoint{10, 5}));
}

TEST(TabSupport, TabDataAssignKeepsTheLayout) {
  TVkTabData a, b;
  a.Caption = "A";
  a.Color = clRed;
  a.ImageIndex = 3;
  a.DisabledIndex = 4;
  a.Enabled = false;
  a.Visible = false;
  a.Hint = "h";
  a.TabRect = Rect(1, 2, 3, 4);
  a.Row = 2;
  b.Assign(&a);
  EXPECT_EQ(b.Caption, "A");
  EXPECT_EQ(b.Color, clRed);
  EXPECT_EQ(b.ImageIndex, 3);
  EXPECT_EQ(b.DisabledIndex, 4);
  EXPECT_FALSE(b.Enabled);
  EXPECT_FALSE(b.Visible);
  EXPECT_EQ(b.Hint, "h");
  EXPECT_EQ(b.TabRect, Rect(0, 0, 0, 0));
  EXPECT_EQ(b.Row, 0);

  TVkTabDataList list, copy;
  auto first = std::make_unique<TVkTabData>();
  first->Assign(&a);
  list.Add(std::move(first));
  list.Add(std::make_unique<TVkTabData>());
  copy.Assign(&list);
  ASSERT_EQ(copy.Count(), 2);
  EXPECT_EQ(copy.Items(0)->Caption, "A");
  EXPECT_THROW(copy.Items(2), EListError);
  EXPECT_THROW(copy.Items(-1), EListError);
  TVkTabColors colors(nullptr);
  EXPECT_THROW(copy.Assign(&colors), EConvertError);
}

TEST(TabSupport, RegionCacheEvictsTheOldest) {
  TVkTabRegionCache cache;
  TRect a = Rect(0, 0, 10, 10), b = Rect(10, 0, 20, 10), c = Rect(20, 0, 30, 10);
  cache.Add(a, gui::CreateRectRgnIndirect(a));
  cache.Add(b, gui::CreateRectRgnIndirect(b));
  EXPECT_TRUE(gui::IsNull(cache.Find(a)));  // capacity 1: A's region is gone
  EXPECT_FALSE(gui::IsNull(cache.Find(b)));

  cache.SetCapacity(2);
  cache.Add(a, gui::CreateRectRgnIndirect(a));
  cache.Find(b);  // finding does not refresh
  cache.Find(b);
  cache.Add(c, gui::CreateRectRgnIndirect(c));
  EXPECT_TRUE(gui::IsNull(cache.Find(b)));
  EXPECT_FALSE(gui::IsNull(cache.Find(a)));

  // Adding a cached rectangle again moves it to the front; the new region stays the caller's.
  gui::HRGN mine = gui::CreateRectRgnIndirect(a);
  cache.Add(a, mine);
  EXPECT_NE(cache.Find(a), mine);
  gui::DeleteObject(mine);

  cache.SetCapacity(-1);
  for (int i = 0; i < 20; ++i) cache.Add(Rect(i, i, i + 5, i + 5), gui::CreateRectRgn(i, i, i + 5, i + 5));
  EXPECT_EQ(cache.Count(), 22);
  cache.SetCapacity(2);
  EXPECT_EQ(cache.Count(), 2);
  EXPECT_THROW(cache.SetCapacity(0), EVkTabControlError);
  EXPECT_THROW(cache.SetCapacity(-2), EVkTabControlError);
  EXPECT_EQ(cache.Capacity(), 2);
  cache.Clear();
  EXPECT_EQ(cache.Count(), 0);
}

TEST_F(TabFormTest, ColourObjectsRepaintOnlyOnChange) {
  ShowForm();
  int paints = 0;
  tabs->OnPaintBackground = [&](TObject*, TCanvas*, const TRect&, bool&) { ++paints; };
  vistest::Pump();
  paints = 0;
  tabs->TabColors()->SetShadow(clBtnFace);  // unchanged
  vistest::Pump();
  EXPECT_EQ(paints, 0);
  tabs->TabColors()->SetShadow(clRed);
  vistest::Pump();
  EXPECT_EQ(paints, 1);
  tabs->TextColors()->SetSelected(clBlue);
  vistest::Pump();
  EXPECT_EQ(paints, 2);
}

TEST_F(TabFormTest, MenuListsVisibleTabsByCaption) {
  tabs->AddTab("beta");
  tabs->AddTab("Alpha");
  tabs->AddTab("hidden", false);
  tabs->AddTab("BETA");  // same caption in other letters: left out
  tabs->AddTab("gamma", true, false);
  tabs->SetTabIndex(1);
  tabs->SetShowMenuButton(true);
  ASSERT_NE(tabs->MenuButton(), nullptr);
  tabs->MenuButton()->FillMenu();
  TMenuItem* items = tabs->MenuButton()->Menu()->Items();
  ASSERT_EQ(items->Count(), 3);
  EXPECT_EQ(items->Items(0)->Caption(), "Alpha");
  EXPECT_TRUE(items->Items(0)->Checked());
  EXPECT_EQ(items->Items(1)->Caption(), "beta");
  EXPECT_EQ(items->Items(1)->Tag(), 0);
  EXPECT_EQ(items->Items(2)->Caption(), "gamma");
  EXPECT_FALSE(items->Items(2)->Enabled());
  items->Items(1)->Click();
  EXPECT_EQ(tabs->TabIndex(), 0);
  tabs->MenuButton()->FillMenu();  // filled again from scratch
  EXPECT_EQ(tabs->MenuButton()->Menu()->Items()->Count(), 3);
}

}  // namespace
