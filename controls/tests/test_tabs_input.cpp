// The tab control and the user: clicks, the change test, keys, hot tracking
// and tab hints, the scroller's repeats, the close buttons and dragging a tab
// (timers stepped by hand).
#include "controls/tests/TabTest.h"

using ctltest::TabFormTest;

namespace {

LPARAM At(int X, int Y) { return gui::MAKELPARAM(X, Y); }

TPoint Middle(const TRect& R) { return TPoint{(R.Left + R.Right) / 2, (R.Top + R.Bottom) / 2}; }

class TabInputTest : public TabFormTest {
protected:
  void SetUp() override {
    TabFormTest::SetUp();
    FixedTabs(4);
    ShowForm();
  }
  void ClickTab(int Index) {
    TPoint p = tabs->ClientToScreen(Middle(tabs->Client(Index)));
    gui::test::Click(p);
    vistest::Pump();
  }
  void MoveTo(int X, int Y) {
    gui::test::MouseMove(tabs->ClientToScreen(TPoint{X, Y}));
    vistest::Pump();
  }
};

TEST_F(TabInputTest, ClickSelectsAndReportsInOrder) {
  std::vector<std::string> seen;
  tabs->OnChanging = [&](TObject*, int NewIndex, bool&) { seen.push_back("changing " + std::to_string(NewIndex)); };
  tabs->OnChange = [&](TObject*) { seen.push_back("change " + std::to_string(tabs->TabIndex())); };
  tabs->OnPageChange = [&](TObject*) { seen.push_back("page"); };
  tabs->OnTabClick = [&](TObject*) { seen.push_back("click"); };
  ClickTab(2);
  EXPECT_EQ(seen, (std::vector<std::string>{"changing 2", "change 2", "page", "click"}));

  seen.clear();
  ClickTab(2);  // the selected tab: the focus, and a click without a change
  EXPECT_TRUE(tabs->Focused());
  EXPECT_EQ(seen, (std::vector<std::string>{"click"}));
}

TEST_F(TabInputTest, RefusedChangeDoesNothing) {
  tabs->SetTabIndex(0);
  int clicks = 0, changes = 0;
  tabs->OnChanging = [](TObject*, int NewIndex, bool& Allow) { Allow = NewIndex != 1; };
  tabs->OnChange = [&](TObject*) { ++changes; };
  tabs->OnTabClick = [&](TObject*) { ++clicks; };
  ClickTab(1);
  EXPECT_EQ(tabs->TabIndex(), 0);
  EXPECT_EQ(clicks, 0);
  EXPECT_EQ(changes, 0);
  ClickTab(3);
  EXPECT_EQ(tabs->TabIndex(), 3);
  // Out of range clears the selection silently.
  tabs->SetTabIndex(9);
  EXPECT_EQ(tabs->TabIndex(), -1);
  EXPECT_EQ(changes, 1);
}

TEST_F(TabInputTest, ArrowKeysSkipUnselectableTabsAndWrap) {
  tabs->TabData()->Items(1)->Enabled = false;
  tabs->TabData()->Items(2)->Visible = false;
  tabs->RebuildTabData();
  tabs->SetTabIndex(0);
  int clicks = 0;
  tabs->OnTabClick = [&](TObject*) { ++clicks; };
  tabs->SetFocus();
  gui::test::KeyPress(gui::VK_RIGHT);
  vistest::Pump();
  EXPECT_EQ(tabs->TabIndex(), 3);
  gui::test::KeyPress(gui::VK_RIGHT);
  vistest::Pump();
  EXPECT_EQ(tabs->TabIndex(), 0);
  gui::test::KeyPress(gui::VK_LEFT);
  vistest::Pump();
  EXPECT_EQ(tabs->TabIndex(), 3);
  gui::test::KeyPress(gui::VK_HOME);
  vistest::Pump();
  EXPECT_EQ(tabs->TabIndex(), 0);
  gui::test::KeyPress(gui::VK_END);
  vistest::Pump();
  EXPECT_EQ(tabs->TabIndex(), 3);
  EXPECT_EQ(clicks, 5);
  // Nothing else selectable: the selection stays.
  tabs->TabData()->Items(0)->Enabled = false;
  tabs->RebuildTabData();
  gui::test::KeyPress(gui::VK_RIGHT);
  vistest::Pump();
  EXPECT_EQ(tabs->TabIndex(), 3);
}

TEST_F(TabInputTest, AcceleratorSelectsTheTab) {
  tabs->TabData()->Items(2)->Caption = "&Setup";
  tabs->RebuildTabData();
  TMessage m{CM_DIALOGCHAR, 's', 0, 0};
  tabs->Perform(m.Msg, m.WParam, m.LParam);
  EXPECT_EQ(tabs->TabIndex(), 2);
}

TEST_F(TabInputTest, HotTrackingFollowsTheMouseWithItsTimer) {
  TRect r1 = tabs->Client(1);
  MoveTo(Middle(r1).X, Middle(r1).Y);
  EXPECT_EQ(tabs->HotTab(), 1);
  EXPECT_TRUE(tabs->HotTrackTimerRunning());
  MoveTo(150, 60);  // over the card
  EXPECT_EQ(tabs->HotTab(), -1);
  EXPECT_FALSE(tabs->HotTrackTimerRunning());

  // The mouse leaves without a move over the control: the timer notices.
  MoveTo(Middle(r1).X, Middle(r1).Y);
  gui::test::MouseMove(form->ClientToScreen(TPoint{360, 250}));
  vistest::Pump();
  tabs->Perform(gui::WM_TIMER, TVkCustomTabControl::kHotTrackTimerId, 0);
  EXPECT_EQ(tabs->HotTab(), -1);
  EXPECT_FALSE(tabs->HotTrackTimerRunning());
}

// Moving over the card or the empty strip leaves the hint alone and paints nothing.
TEST_F(TabInputTest, MovesOffTheTabsNeitherRepaintNorTouchTheHint) {
  tabs->SetHint("card");
  int paints = 0;
  tabs->OnPaintBackground = [&](TObject*, TCanvas*, const TRect&, bool&) { ++paints; };
  MoveTo(150, 60);
  paints = 0;
  for (int y = 50; y < 70; y += 4) MoveTo(150, y);
  MoveTo(280, 10);  // empty strip
  MoveTo(282, 12);
  EXPECT_EQ(paints, 0);
  EXPECT_EQ(tabs->Hint(), "card");
}

TEST_F(TabInputTest, TabHintsShowPerTab) {
  tabs->SetHint("card");
  tabs->SetTabHints(true);
  tabs->TabData()->Items(1)->Hint = "second tab";
  TRect r1 = tabs->Client(1);
  MoveTo(Middle(r1).X, Middle(r1).Y);
  EXPECT_EQ(tabs->Hint(), "second tab");
  MoveTo(280, 10);  // the empty strip: no hint
  EXPECT_EQ(tabs->Hint(), "");
  MoveTo(150, 60);  // the card: the control's own
  EXPECT_EQ(tabs->Hint(), "card");
}

TEST_F(TabInputTest, HotMoveRepaintsOnlyTheTabsItChanges) {
  TRect r1 = tabs->Client(1), r3 = tabs->Client(3);
  MoveTo(Middle(r1).X, Middle(r1).Y);
  TRect painted{};
  tabs->OnPaintBackground = [&](TObject*, TCanvas* C, const TRect&, bool&) { gui::GetClipBox(C->Handle(), painted); };
  MoveTo(Middle(r3).X, Middle(r3).Y);
  // Tabs 1 and 3 changed, and the clip holds them and what lies between only.
  EXPECT_LE(painted.Left, r1.Left);
  EXPECT_GE(painted.Right, r3.Right);
  EXPECT_LE(painted.Bottom, r1.Bottom + 3);
}

TEST_F(TabInputTest, ScrollerRepeatsWhileHeld) {
  tabs->SetWidth(200);
  vistest::Pump();
  tabs->Repaint();
  TVkTabScroller* s = tabs->Scroller();
  ASSERT_NE(s, nullptr);
  int ups = 0, downs = 0;
  s->OnUpRightClick = [&](TObject*) { ++ups; };
  s->OnDownLeftClick = [&](TObject*) { ++downs; };
  int w = s->Width(), h = s->Height();
  s->Perform(gui::WM_LBUTTONDOWN, gui::MK_LBUTTON, At(w - 2, h / 2));
  ASSERT_NE(s->RepeatTimer(), nullptr);
  EXPECT_EQ(s->RepeatTimer()->Interval(), 400u);
  EXPECT_TRUE(s->RepeatTimer()->Enabled());
  EXPECT_EQ(s->PressedHalf(), 1);
  s->RepeatTimer()->Timer();  // 400 ms
  EXPECT_EQ(ups, 1);
  EXPECT_EQ(s->RepeatTimer()->Interval(), 100u);
  s->RepeatTimer()->Timer();
  EXPECT_EQ(ups, 2);
  s->Perform(gui::WM_MOUSEMOVE, gui::MK_LBUTTON, At(1, h / 2));  // into the other half
  EXPECT_FALSE(s->PressedInside());
  s->RepeatTimer()->Timer();
  EXPECT_EQ(ups, 2);
  s->Perform(gui::WM_MOUSEMOVE, gui::MK_LBUTTON, At(w - 2, h / 2));
  s->RepeatTimer()->Timer();
  EXPECT_EQ(ups, 3);
  s->Perform(gui::WM_MOUSEMOVE, gui::MK_LBUTTON, At(w + 30, h / 2));
  s->Perform(gui::WM_LBUTTONUP, 0, At(w + 30, h / 2));  // released outside: nothing more
  EXPECT_EQ(ups, 3);
  EXPECT_FALSE(s->RepeatTimer()->Enabled());
  s->Perform(gui::WM_LBUTTONDOWN, gui::MK_LBUTTON, At(1, h / 2));
  s->Perform(gui::WM_LBUTTONUP, 0, At(1, h / 2));  // released inside: one click
  EXPECT_EQ(downs, 1);
}

TEST_F(TabInputTest, ScrollerReleaseBeforeAnyPressAndZeroSize) {
  TVkTabScroller s(nullptr, tabs);
  s.SetParent(tabs);
  // A release before any press: there is no timer yet.
  s.Perform(gui::WM_LBUTTONUP, 0, gui::MAKELPARAM(1, 1));
  EXPECT_EQ(s.RepeatTimer(), nullptr);
  // A scroller of no size has no halves.
  s.Perform(gui::WM_LBUTTONDOWN, gui::MK_LBUTTON, gui::MAKELPARAM(0, 0));
  EXPECT_FALSE(s.Tracking());
  EXPECT_EQ(s.RepeatTimer(), nullptr);
  s.SetParent(nullptr);
}

TEST_F(TabInputTest, CloseButtonsCloseOnlyWhenAllowed) {
  tabs->SetShowCloseButton(true);
  tabs->SetTabIndex(1);
  vistest::Pump();
  TVkTabControlCloseButton* b = tabs->CloseButton();
  ASSERT_NE(b, nullptr);
  EXPECT_TRUE(b->Visible());
  b->Perform(gui::WM_LBUTTONDOWN, gui::MK_LBUTTON, At(2, 2));
  b->Perform(gui::WM_LBUTTONUP, 0, At(2, 2));
  EXPECT_EQ(tabs->closes, 0);  // no OnClose handler: nothing closes
  tabs->OnClose = [](TObject*, bool& Allow) { Allow = true; };
  b->Perform(gui::WM_LBUTTONDOWN, gui::MK_LBUTTON, At(2, 2));
  b->Perform(gui::WM_LBUTTONUP, 0, At(2, 2));
  EXPECT_EQ(tabs->closes, 1);
  // Released off the button: no close.
  b->Perform(gui::WM_LBUTTONDOWN, gui::MK_LBUTTON, At(2, 2));
  b->Perform(gui::WM_MOUSEMOVE, gui::MK_LBUTTON, At(-20, 2));
  b->Perform(gui::WM_LBUTTONUP, 0, At(-20, 2));
  EXPECT_EQ(tabs->closes, 1);
}

// A close handler may free the whole control, buttons included.
TEST_F(TabInputTest, CloseHandlerFreeingTheControlIsSafe) {
  tabs->SetShowCloseButton(true);
  tabs->SetShowCloseButtonOnActiveTab(true);
  tabs->SetTabIndex(0);
  vistest::Pump();
  tabs->OnClose = [this](TObject*, bool& Allow) {
    Allow = false;
    delete tabs;
    tabs = nullptr;
  };
  TVkTabControlCloseButton* b = tabs->CloseButton();
  b->Perform(gui::WM_LBUTTONDOWN, gui::MK_LBUTTON, At(2, 2));
  b->Perform(gui::WM_LBUTTONUP, 0, At(2, 2));
  EXPECT_EQ(tabs, nullptr);

  tabs = new ctltest::TTestTabs(form);
  tabs->SetParent(form);
  tabs->PlaceBounds(0, 0, 300, 100);
  FixedTabs(2);
  tabs->SetShowCloseButtonOnActiveTab(true);
  tabs->SetTabIndex(0);
  vistest::Pump();
  tabs->OnClose = [this](TObject*, bool&) {
    delete tabs;
    tabs = nullptr;
  };
  TVkActiveTabCloseButton* a = tabs->ActiveTabCloseButton();
  ASSERT_NE(a, nullptr);
  a->Perform(gui::WM_LBUTTONDOWN, gui::MK_LBUTTON, At(2, 2));
  a->Perform(gui::WM_LBUTTONUP, 0, At(2, 2));
  EXPECT_EQ(tabs, nullptr);
}

// ---- Dragging a tab, the drag timer stepped by hand --------------------------------

TEST_F(TabInputTest, DragOverShowsOneMarkerAndScrollsBeyondTheEnd) {
  tabs->SetAllowTabDragging(true);
  tabs->SetTabIndex(0);
  tabs->SetWidth(200);  // tabs 3 and on scroll
  vistest::Pump();
  tabs->Repaint();
  bool accept = false;
  TPoint on1 = Middle(tabs->Client(1));
  tabs->HandleDragOver(tabs, on1.X, on1.Y, dsDragEnter, accept);
  EXPECT_TRUE(accept);
  EXPECT_TRUE(tabs->DropMarkerShown());
  TRect marker2 = tabs->DropMarkerRect();
  // The marker straddles the end edge of a tab after the selected one.
  EXPECT_EQ(marker2.Width(), 15);
  EXPECT_EQ(marker2.Height(), 8);

  tabs->HandleDragOver(tabs, 150, 60, dsDragMove, accept);  // over the card: no tab
  EXPECT_FALSE(accept);
  EXPECT_FALSE(tabs->DropMarkerShown());
  ASSERT_NE(tabs->DragTimer(), nullptr);
  EXPECT_TRUE(tabs->DragTimer()->Enabled());
  EXPECT_EQ(tabs->DragTimer()->Interval(), 400u);

  tabs->HandleDragOver(tabs, on1.X, on1.Y, dsDragMove, accept);
  EXPECT_TRUE(tabs->DropMarkerShown());
  EXPECT_FALSE(tabs->DragTimer()->Enabled());  // over a tab nothing scrolls

  tabs->HandleDragOver(tabs, on1.X, on1.Y, dsDragLeave, accept);
  EXPECT_FALSE(tabs->DropMarkerShown());

  // Scrolling while a real drag holds the mouse beyond the control's end.
  tabs->HandleDragOver(tabs, 150, 60, dsDragMove, accept);
  tabs->BeginDrag(true);
  gui::test::MouseMove(tabs->ClientToScreen(TPoint{260, 10}), 1);
  int first = tabs->FirstShownTab();
  tabs->DragTimer()->Timer();  // 400 ms
  EXPECT_EQ(tabs->DragTimer()->Interval(), 300u);
  EXPECT_EQ(tabs->FirstShownTab(), first + 1);
  tabs->DragTimer()->Timer();  // 300 ms later
  EXPECT_GE(tabs->FirstShownTab(), first + 1);
  tabs->EndDrag(false);
  EXPECT_FALSE(tabs->Dragging());
  // The drag is over: the next tick stops the timer and leaves no marker.
  tabs->DragTimer()->Timer();
  EXPECT_FALSE(tabs->DragTimer()->Enabled());
  EXPECT_FALSE(tabs->DropMarkerShown());
}

TEST_F(TabInputTest, DropMovesTheActivePageOnlyOverAnotherTab) {
  tabs->SetAllowTabDragging(true);
  tabs->SetTabIndex(1);
  bool accept = false;
  TPoint on1 = Middle(tabs->Client(1));
  tabs->HandleDragOver(tabs, on1.X, on1.Y, dsDragMove, accept);
  EXPECT_FALSE(accept);  // the selected tab itself
  EXPECT_FALSE(tabs->DropMarkerShown());
  TPoint on3 = Middle(tabs->Client(3));
  tabs->HandleDragOver(tabs, on3.X, on3.Y, dsDragMove, accept);
  EXPECT_TRUE(accept);
  tabs->HandleDragDrop(tabs, on3.X, on3.Y);
  EXPECT_EQ(tabs->moves, 3);
  EXPECT_FALSE(tabs->DropMarkerShown());
}

// The marker is drawn with XOR: drawing it twice leaves the picture as it was.
TEST_F(TabInputTest, DropMarkerErasesItself) {
  tabs->Repaint();
  vistest::Picture before(tabs->Handle());
  TRect r = Rect(40, 2, 55, 10);
  tabs->DrawDropMarker(r);
  vistest::Picture marked(tabs->Handle());
  EXPECT_NE(marked.At(47, 4), before.At(47, 4));
  tabs->DrawDropMarker(r);
  vistest::Picture after(tabs->Handle());
  for (int y = r.Top; y < r.Bottom; ++y)
    for (int x = r.Left; x < r.Right; ++x) ASSERT_EQ(after.At(x, y), before.At(x, y)) << x << "," << y;
}

}  // namespace
