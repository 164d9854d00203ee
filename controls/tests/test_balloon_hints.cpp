// Balloon hints: the swap of the application's hint window, placement and
// corner flips, the window's shape, and the mouse at the tip.
#include "class_library/loop/Application.h"
#include "class_library/components/TypeInfo.h"
#include "class_library/visual/ExtCtrls.h"
#include "class_library/visual/tests/VisualTest.h"
#include "controls/VkBalloonHints.h"
#include "platform/gui/Window.h"

namespace {

class BalloonTest : public vistest::FormTest {
protected:
  void SetUp() override {
    FormTest::SetUp();
    Application()->SetShowHint(true);
    Application()->SetHintPause(1);
    hints = new TVkBalloonHints(form);
    target = new TPanel(form);
    target->SetParent(form);
    target->PlaceBounds(20, 20, 120, 60);
    target->SetHint("A balloon hint");
    target->SetShowHint(true);
    form->Show();
    vistest::Pump();
  }
  void TearDown() override {
    visual::CancelHint();
    FormTest::TearDown();
    Application()->SetHintPause(500);
  }
  TVkCustomHintWindow* Window() { return dynamic_cast<TVkCustomHintWindow*>(visual::HintWindow()); }
  bool Shown() {
    TVkCustomHintWindow* w = Window();
    return w && w->HandleAllocated() && gui::IsWindowVisible(w->Handle());
  }
  // Shows the hint as the application does when the pause is over.
  void ShowHintAt(TControl* Control, TPoint Client) {
    TPoint screen = Control->ClientToScreen(Client);
    gui::test::MouseMove(screen);
    ASSERT_TRUE(vistest::PumpUntil([&] { return Shown(); }));
  }
  TVkBalloonHints* hints = nullptr;
  TPanel* target = nullptr;
};

TEST_F(BalloonTest, TheComponentSwapsTheHintWindowAndGivesItBack) {
  TVkCustomHintWindow* w = Window();
  ASSERT_NE(w, nullptr);
  EXPECT_EQ(w->BalloonHints(), hints);
  EXPECT_EQ(hints->HintWindow(), w);
  EXPECT_EQ(w->Font()->Name(), "Tahoma") << "the intended face, not a misspelt one";
  EXPECT_TRUE(static_cast<bool>(Application()->OnShowHint));
  delete hints;
  hints = nullptr;
  EXPECT_EQ(Window(), nullptr);
  ASSERT_NE(visual::HintWindow(), nullptr);
  EXPECT_EQ(visual::HintWindow()->ClassName(), "THintWindow");
  EXPECT_FALSE(static_cast<bool>(Application()->OnShowHint)) << "the gone window's hook is not left behind";
  EXPECT_TRUE(Application()->ShowHint());
}

TEST_F(BalloonTest, FrameColourOfTheConstructorIsTheStoredDefault) {
  EXPECT_EQ(hints->FrameColor(), cl3DDkShadow);
  EXPECT_EQ(Window()->FrameColor(), cl3DDkShadow) << "the unstored default reaches the linked window";
  EXPECT_EQ(Window()->CenterThreshold(), hints->CenterThreshold());
  const TPropInfo* p = GetPropInfo(hints, "FrameColor");
  ASSERT_NE(p, nullptr);
  EXPECT_FALSE(IsStoredProp(hints, *p));
  hints->SetFrameColor(clInfoText);
  EXPECT_TRUE(IsStoredProp(hints, *p));
  EXPECT_EQ(Window()->FrameColor(), clInfoText) << "a set value reaches the window";
}

TEST_F(BalloonTest, ShownAndHiddenByMouseMovesWithABalloonShape) {
  hints->SetCenterThreshold(0);
  ShowHintAt(target, Point(50, 40));
  TVkCustomHintWindow* w = Window();
  EXPECT_TRUE(w->Active());
  EXPECT_EQ(w->HintControl(), target);
  EXPECT_EQ(w->CurrentCorner(), hcUpperRight);
  // Upper right of the tip: the tail's tip is just above the mouse.
  TPoint mouse = target->ClientToScreen(Point(50, 40));
  EXPECT_EQ(w->Left(), mouse.X - 10);
  EXPECT_EQ(w->Top() + w->Height(), mouse.Y);
  EXPECT_GE(w->Width(), 55);
  // The shape: a body with cut corners over the upper part, the tail below.
  gui::UniqueGdi<gui::HRGN> shape(gui::CreateRectRgn(0, 0, 0, 0));
  ASSERT_NE(gui::GetWindowRgn(w->Handle(), shape.get()), gui::ERROR);
  int bodyBottom = w->Height() - 20;
  EXPECT_FALSE(gui::PtInRegion(shape.get(), 0, 0)) << "cut corner";
  EXPECT_FALSE(gui::PtInRegion(shape.get(), w->Width() - 1, bodyBottom - 1));
  EXPECT_TRUE(gui::PtInRegion(shape.get(), 4, 0));
  EXPECT_TRUE(gui::PtInRegion(shape.get(), w->Width() / 2, bodyBottom / 2));
  EXPECT_TRUE(gui::PtInRegion(shape.get(), 11, w->Height() - 5)) << "the tail";
  EXPECT_FALSE(gui::PtInRegion(shape.get(), 40, w->Height() - 5)) << "beside the tail";
  EXPECT_FALSE(gui::PtInRegion(shape.get(), 5, w->Height() - 5));
  // Moving off the control hides it.
  gui::test::MouseMove(Point(form->Left() + 190, form->Top() + 140));
  EXPECT_TRUE(vistest::PumpUntil([&] { return !Shown(); }));
}

TEST_F(BalloonTest, SmallControlsGetTheTipAtTheirCentre) {
  auto* small = new TPanel(form);
  small->SetParent(form);
  small->PlaceBounds(20, 90, 60, 20);
  small->SetHint("Small");
  small->SetShowHint(true);
  ShowHintAt(small, Point(5, 5));
  TVkCustomHintWindow* w = Window();
  TPoint centre = small->ClientToScreen(Point(30, 10));
  EXPECT_EQ(w->Left(), centre.X - 10);
  EXPECT_EQ(w->Top() + w->Height(), centre.Y);
}

TEST_F(BalloonTest, CornersFlipAtTheWorkAreasEdges) {
  TVkCustomHintWindow* w = Window();
  TRect work = Screen()->WorkAreaRect();
  hints->SetCorner(hcLowerRight);
  hints->SetCenterThreshold(0);
  THintInfo info;
  info.HintControl = target;
  String text = "Near the edge";
  bool show = true;
  auto showAt = [&](TPoint screen) {
    info.CursorPos = target->ScreenToClient(screen);
    w->ShowHintHook(text, show, info);
    w->ActivateHint(w->CalcHintRect(100, text, nullptr), text);
  };
  showAt(Point(400, work.Bottom - 5));
  EXPECT_EQ(w->CurrentCorner(), hcUpperRight);
  EXPECT_LE(w->Top() + w->Height(), work.Bottom);
  showAt(Point(work.Right - 5, 400));
  EXPECT_EQ(w->CurrentCorner(), hcLowerLeft);
  EXPECT_LE(w->Left() + w->Width(), work.Right);
  showAt(Point(work.Right - 5, work.Bottom - 5));
  EXPECT_EQ(w->CurrentCorner(), hcUpperLeft);
  showAt(Point(400, 400));
  EXPECT_EQ(w->CurrentCorner(), hcLowerRight);
  EXPECT_EQ(w->Top(), 400);
}

TEST_F(BalloonTest, WithoutBalloonARectangleWithAFrame) {
  hints->SetShowBalloon(false);
  hints->SetFrameColor(clRed);
  ShowHintAt(target, Point(50, 40));
  TVkCustomHintWindow* w = Window();
  gui::UniqueGdi<gui::HRGN> shape(gui::CreateRectRgn(0, 0, 0, 0));
  int kind = gui::GetWindowRgn(w->Handle(), shape.get());
  EXPECT_TRUE(kind == gui::ERROR || kind == gui::NULLREGION) << "no window region";
  vistest::Picture picture(w->Handle());
  EXPECT_EQ(picture.At(0, 0), 0xFF0000u);
  EXPECT_EQ(picture.At(picture.Width() - 1, picture.Height() - 1), 0xFF0000u);
}

TEST_F(BalloonTest, TheMouseLeavingTheTipSquareHidesItAndReachesTheControlInItsCoordinates) {
  ShowHintAt(target, Point(50, 40));
  TVkCustomHintWindow* w = Window();
  std::vector<TPoint> moves;
  target->OnMouseMove = [&](TObject*, TShiftState, int X, int Y) { moves.push_back(Point(X, Y)); };
  auto sendMove = [&](TPoint controlPoint) {
    TPoint client = w->ScreenToClient(target->ClientToScreen(controlPoint));
    w->Perform(gui::WM_MOUSEMOVE, 0, gui::PointToLParam(client));
  };
  sendMove(Point(51, 41));
  EXPECT_TRUE(w->Active()) << "inside the square";
  ASSERT_EQ(moves.size(), 1u);
  EXPECT_EQ(moves[0], Point(51, 41)) << "the control gets its own coordinates";
  sendMove(Point(53, 40));
  EXPECT_FALSE(w->Active());
  EXPECT_FALSE(Shown());
  EXPECT_EQ(moves.back(), Point(53, 40));
}

TEST_F(BalloonTest, AHintControlGoneIsNotReached) {
  auto* gone = new TPanel(form);
  gone->SetParent(form);
  gone->PlaceBounds(20, 90, 100, 30);
  gone->SetHint("Going");
  gone->SetShowHint(true);
  ShowHintAt(gone, Point(50, 10));
  TVkCustomHintWindow* w = Window();
  delete gone;
  EXPECT_EQ(w->HintControl(), nullptr);
  w->Perform(gui::WM_MOUSEMOVE, 0, gui::PointToLParam(Point(1, 1)));
  w->Perform(gui::WM_LBUTTONDOWN, 0, gui::PointToLParam(Point(1, 1)));
}

TEST_F(BalloonTest, TheColourReachesTheNextHintThroughTheHook) {
  ShowHintAt(target, Point(50, 40));
  hints->SetColor(clYellow);
  THintInfo info;
  String text = "x";
  bool show = false;
  Window()->ShowHintHook(text, show, info);
  EXPECT_TRUE(show);
  EXPECT_EQ(info.HintColor, clYellow);
  EXPECT_EQ(info.HintMaxWidth, 100);
  int calls = 0;
  hints->OnShowHint = [&](String&, bool& CanShow, THintInfo&) { ++calls, CanShow = false; };
  Window()->ShowHintHook(text, show, info);
  EXPECT_EQ(calls, 1);
  EXPECT_FALSE(show);
}

TEST_F(BalloonTest, PaintsABalloonWithItsTail) {
  hints->SetCenterThreshold(0);
  hints->SetFrameColor(clNavy);
  ShowHintAt(target, Point(50, 40));
  TVkCustomHintWindow* w = Window();
  vistest::Picture picture(w->Handle());
  if (const char* dir = std::getenv("TW_CONTROLS_PICTURES")) gui::test::SaveWindowPng(w->Handle(), std::string(dir) + "/balloon.png");
  int bodyBottom = w->Height() - 20;
  EXPECT_EQ(picture.At(4, 0), 0x000080u) << "outline";
  EXPECT_EQ(picture.At(w->Width() / 2, 5), vistest::Rgb(clInfoBk)) << "inside";
  EXPECT_EQ(picture.At(10, w->Height() - 3), 0x000080u) << "the tail's edge";
  EXPECT_EQ(picture.At(14, bodyBottom - 1), vistest::Rgb(clInfoBk)) << "the tail opens into the body";
}

}  // namespace

namespace {

// A 20 x 10 picture: red on the left, blue on the right, an olive
// (transparent) column in the middle.
void FillCornerPicture(TBitmap* b) {
  b->SetSize(20, 10);
  TCanvas* c = b->Canvas();
  c->Brush()->SetColor(clRed);
  c->FillRect(Rect(0, 0, 10, 10));
  c->Brush()->SetColor(clBlue);
  c->FillRect(Rect(10, 0, 20, 10));
  c->Brush()->SetColor(clOlive);
  c->FillRect(Rect(9, 0, 11, 10));
}

TEST_F(BalloonTest, CornerPicturesAreStretchedAndMirroredIntoTheCornerInUse) {
  FillCornerPicture(hints->Bitmaps()->UpperRight());
  hints->SetCenterThreshold(0);
  TVkCustomHintWindow* w = Window();
  THintInfo info;
  info.HintControl = target;
  String text = "Pictured";
  bool show = true;
  auto showWith = [&](TVkHintCorner corner) {
    hints->SetCorner(corner);
    info.CursorPos = target->ScreenToClient(Point(600, 500));
    w->ShowHintHook(text, show, info);
    w->ActivateHint(w->CalcHintRect(100, text, nullptr), text);
    EXPECT_EQ(w->CurrentCorner(), corner);
    return vistest::Picture(w->Handle());
  };
  vistest::Picture same = showWith(hcUpperRight);
  int y = same.Height() / 2;
  EXPECT_EQ(same.At(4, y), 0xFF0000u);
  EXPECT_EQ(same.At(same.Width() - 5, y), 0x0000FFu);
  EXPECT_EQ(same.At(same.Width() / 2, y), vistest::Rgb(clInfoBk)) << "transparent: the window's background";
  vistest::Picture mirrored = showWith(hcLowerLeft);
  EXPECT_EQ(mirrored.At(4, y), 0x0000FFu);
  EXPECT_EQ(mirrored.At(mirrored.Width() - 5, y), 0xFF0000u);
}

TEST_F(BalloonTest, AShortTextStillGivesAWindowOfMinimumWidth) {
  TVkCustomHintWindow* w = Window();
  w->SetCaption("a");
  EXPECT_EQ(w->Width(), 55);
  w->ActivateHint(Rect(300, 300, 310, 315), "a");
  EXPECT_EQ(w->Width(), 55);
}

}  // namespace
