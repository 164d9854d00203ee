// Windows: messages and their order, geometry, painting, input routing,
// focus and capture.
#include <stdexcept>

#include "platform/gui/detail/HostWidget.h"
#include "platform/gui/tests/GuiTest.h"

using namespace gui;

namespace {

// Records the messages a window gets (only those in `watch`, or all).
struct Recorder {
  std::vector<UINT> watch;
  std::vector<std::pair<HWND, UINT>> seen;
  std::function<LRESULT(HWND, UINT, WPARAM, LPARAM)> override;
  bool active = true;  // off while the fixture tears the windows down
  WindowProc Proc() {
    return [this](HWND h, UINT m, WPARAM w, LPARAM l) -> LRESULT {
      if (!active) return DefWindowProc(h, m, w, l);
      if (watch.empty() || std::find(watch.begin(), watch.end(), m) != watch.end()) seen.emplace_back(h, m);
      if (override) {
        LRESULT r = override(h, m, w, l);
        if (r != -12345) return r;
      }
      return DefWindowProc(h, m, w, l);
    };
  }
  std::vector<UINT> Messages(HWND h = HWND{}) const {
    std::vector<UINT> out;
    for (auto& [w, m] : seen)
      if (IsNull(h) || w == h) out.push_back(m);
    return out;
  }
};

class GuiWindow : public guitest::GuiTest {
protected:
  void TearDown() override {
    // The recorder's handlers may refer to the test's locals, gone by now.
    rec_.active = false;
    rec_.override = nullptr;
    for (auto it = mine_.rbegin(); it != mine_.rend(); ++it)
      if (IsWindow(*it)) DestroyWindow(*it);
    GuiTest::TearDown();
  }
  HWND Form(Recorder& r, DWORD style = WS_CLIPCHILDREN) {
    HWND h = TopLevel(200, 100, 300, 200, r.Proc(), style);
    mine_.push_back(h);
    ShowWindow(h, SW_SHOW);
    ProcessPending();
    return h;
  }
  HWND Kid(HWND parent, Recorder& r, int x, int y, int w, int h, DWORD style = WS_CLIPSIBLINGS) {
    HWND k = Child(parent, x, y, w, h, r.Proc(), style);
    mine_.push_back(k);
    return k;
  }
  static Point Screen(HWND h, int x, int y) {
    Point p{x, y};
    ClientToScreen(h, p);
    return p;
  }
  std::vector<HWND> mine_;
  Recorder rec_;
};

TEST_F(GuiWindow, CreationAndMoveSendTheirMessagesInOrder) {
  Recorder& r = rec_;
  r.watch = {WM_NCCREATE, WM_NCCALCSIZE, WM_CREATE, WM_SIZE, WM_MOVE, WM_WINDOWPOSCHANGING, WM_WINDOWPOSCHANGED,
             WM_SHOWWINDOW};
  HWND f = Form(r);
  EXPECT_EQ(r.Messages(f), (std::vector<UINT>{WM_NCCREATE, WM_NCCALCSIZE, WM_CREATE, WM_SIZE, WM_MOVE,
                                              WM_SHOWWINDOW, WM_WINDOWPOSCHANGING, WM_WINDOWPOSCHANGED}));
  r.seen.clear();
  SetWindowPos(f, HWND{}, 210, 110, 320, 220, SWP_NOZORDER);
  EXPECT_EQ(r.Messages(f), (std::vector<UINT>{WM_WINDOWPOSCHANGING, WM_NCCALCSIZE, WM_WINDOWPOSCHANGED, WM_MOVE,
                                              WM_SIZE}));
  // A handler of WM_WINDOWPOSCHANGING may change the new position.
  r.override = [](HWND, UINT m, WPARAM, LPARAM l) -> LRESULT {
    if (m == WM_WINDOWPOSCHANGING) reinterpret_cast<WindowPos*>(l)->cx = 100;
    return -12345;
  };
  MoveWindow(f, 0, 0, 500, 500);
  EXPECT_EQ(GetWindowBounds(f), (Rect{0, 0, 100, 500}));
}

TEST_F(GuiWindow, DestructionReachesParentsFirstThenChildren) {
  Recorder& r = rec_;
  r.watch = {WM_DESTROY, WM_NCDESTROY};
  HWND f = Form(r);
  HWND k = Kid(f, r, 0, 0, 10, 10);
  DestroyWindow(f);
  EXPECT_EQ(r.seen, (std::vector<std::pair<HWND, UINT>>{{f, WM_DESTROY}, {k, WM_DESTROY}, {k, WM_NCDESTROY},
                                                        {f, WM_NCDESTROY}}));
  EXPECT_FALSE(IsWindow(k));
  EXPECT_EQ(SendMessage(k, WM_USER), 0);
}

TEST_F(GuiWindow, PaintingParentsBeforeChildrenAndOnlyWhatIsMarked) {
  Recorder& r = rec_;
  r.watch = {WM_PAINT, WM_NCPAINT};
  HWND f = Form(r, 0);
  HWND k = Kid(f, r, 10, 10, 50, 50);
  ProcessPending();
  r.seen.clear();
  Rect part{0, 0, 5, 5};
  InvalidateRect(f, &part, false);  // clear of the child: only the parent
  ProcessPending();
  EXPECT_EQ(r.seen, (std::vector<std::pair<HWND, UINT>>{{f, WM_PAINT}}));
  r.seen.clear();
  InvalidateRect(f, nullptr, false);  // without WS_CLIPCHILDREN the child is marked too
  ProcessPending();
  EXPECT_EQ(r.seen, (std::vector<std::pair<HWND, UINT>>{{f, WM_PAINT}, {k, WM_PAINT}}));
  r.seen.clear();
  InvalidateRect(k, nullptr, true);
  ValidateRect(k, nullptr);
  ProcessPending();
  EXPECT_TRUE(r.seen.empty());
  SetWindowLong(f, GWL_STYLE, GetWindowLong(f, GWL_STYLE) | WS_CLIPCHILDREN);
  InvalidateRect(f, nullptr, false);
  ProcessPending();
  EXPECT_EQ(r.seen, (std::vector<std::pair<HWND, UINT>>{{f, WM_PAINT}}));
  // The frame is repainted on request.
  r.seen.clear();
  RedrawWindow(k, nullptr, HRGN{}, RDW_FRAME | RDW_INVALIDATE);
  ProcessPending();
  EXPECT_EQ(r.Messages(k), (std::vector<UINT>{WM_NCPAINT, WM_PAINT}));
}

TEST_F(GuiWindow, EraseComesFromBeginPaintWhenAskedFor) {
  Recorder& r = rec_;
  r.watch = {WM_PAINT, WM_ERASEBKGND};
  bool erased = false;
  r.override = [&](HWND h, UINT m, WPARAM, LPARAM) -> LRESULT {
    if (m != WM_PAINT) return -12345;
    PaintStruct ps;
    BeginPaint(h, ps);
    erased = ps.fErase == 0;
    EndPaint(h, ps);
    return 0;
  };
  HWND f = Form(r);
  r.seen.clear();
  InvalidateRect(f, nullptr, false);
  ProcessPending();
  EXPECT_EQ(r.Messages(), (std::vector<UINT>{WM_PAINT}));
  r.seen.clear();
  InvalidateRect(f, nullptr, true);
  ProcessPending();
  EXPECT_EQ(r.Messages(), (std::vector<UINT>{WM_PAINT, WM_ERASEBKGND}));
  EXPECT_TRUE(erased);  // the background brush filled it
}

TEST_F(GuiWindow, UpdateWindowPaintsAMarkedRegionAtOnceAndOnlyThere) {
  Recorder& r = rec_;
  r.watch = {WM_NCPAINT, WM_PAINT, WM_ERASEBKGND};
  HWND f = Form(r);
  std::vector<std::pair<HWND, Rect>> painted;
  r.override = [&](HWND h, UINT m, WPARAM, LPARAM) -> LRESULT {
    if (m != WM_PAINT) return -12345;
    PaintStruct ps;
    HDC dc = BeginPaint(h, ps);
    painted.emplace_back(h, ps.rcPaint);
    FillRect(dc, Rect{0, 0, 300, 200}, GetStockBrush(BLACK_BRUSH));
    EndPaint(h, ps);
    return 0;
  };
  r.seen.clear();
  // An L of two rectangles: marking it paints nothing yet.
  UniqueGdi<HRGN> top(CreateRectRgn(10, 10, 30, 20)), foot(CreateRectRgn(10, 20, 20, 30)),
      l(CreateRectRgn(0, 0, 0, 0));
  CombineRgn(l.get(), top.get(), foot.get(), RGN_OR);
  EXPECT_TRUE(InvalidateRgn(f, l.get(), false));
  EXPECT_TRUE(r.seen.empty());
  Rect box;
  EXPECT_TRUE(GetUpdateRect(f, &box, false));
  EXPECT_EQ(box, (Rect{10, 10, 30, 30}));
  // UpdateWindow paints before it returns: no erase asked, no frame marked.
  EXPECT_TRUE(UpdateWindow(f));
  EXPECT_EQ(r.Messages(), (std::vector<UINT>{WM_PAINT}));
  EXPECT_EQ(painted, (std::vector<std::pair<HWND, Rect>>{{f, Rect{10, 10, 30, 30}}}));
  EXPECT_FALSE(GetUpdateRect(f, &box, false));
  HDC dc = GetDC(f);
  EXPECT_EQ(GetPixel(dc, 10, 10), 0u);
  EXPECT_EQ(GetPixel(dc, 29, 19), 0u);
  EXPECT_EQ(GetPixel(dc, 19, 29), 0u);
  EXPECT_EQ(GetPixel(dc, 25, 25), GetSysColor(COLOR_BTNFACE)) << "in the box, not in the region";
  EXPECT_EQ(GetPixel(dc, 9, 15), GetSysColor(COLOR_BTNFACE));
  EXPECT_EQ(GetPixel(dc, 30, 15), GetSysColor(COLOR_BTNFACE));
  EXPECT_EQ(GetPixel(dc, 15, 30), GetSysColor(COLOR_BTNFACE));
  ReleaseDC(f, dc);
  // Nothing is left for another UpdateWindow or for the loop; the region is
  // still the caller's.
  r.seen.clear();
  UpdateWindow(f);
  ProcessPending();
  EXPECT_TRUE(r.seen.empty());
  EXPECT_TRUE(PtInRegion(l.get(), 15, 25));
  // With erase: BeginPaint sends WM_ERASEBKGND inside WM_PAINT.
  InvalidateRgn(f, l.get(), true);
  UpdateWindow(f);
  EXPECT_EQ(r.Messages(), (std::vector<UINT>{WM_PAINT, WM_ERASEBKGND}));
  // Validating the whole mark also drops its erase: a later mark without
  // erase paints without it.
  r.seen.clear();
  InvalidateRgn(f, l.get(), true);
  ValidateRgn(f, l.get());
  EXPECT_FALSE(GetUpdateRect(f, nullptr, false));
  UpdateWindow(f);
  EXPECT_TRUE(r.seen.empty());
  Rect corner{0, 0, 5, 5};
  InvalidateRect(f, &corner, false);
  UpdateWindow(f);
  EXPECT_EQ(r.Messages(), (std::vector<UINT>{WM_PAINT}));
  // A region off the client area marks nothing; none marks all of it.
  r.seen.clear();
  UniqueGdi<HRGN> away(CreateRectRgn(300, 0, 400, 50));
  InvalidateRgn(f, away.get(), false);
  EXPECT_FALSE(GetUpdateRect(f, nullptr, false));
  UpdateWindow(f);
  EXPECT_TRUE(r.seen.empty());
  InvalidateRgn(f, HRGN{}, false);
  UpdateWindow(f);
  EXPECT_EQ(painted.back(), (std::pair<HWND, Rect>{f, Rect{0, 0, 300, 200}}));
  // Over a child of a window that does not clip its children, the child is
  // marked for its part, in its own coordinates; UpdateWindow of the child
  // paints it alone and leaves the parent's part to the loop.
  HWND g = Form(r, 0);
  HWND k = Kid(g, r, 50, 40, 60, 60);
  ProcessPending();
  r.seen.clear();
  painted.clear();
  UniqueGdi<HRGN> over(CreateRectRgn(40, 50, 70, 60));
  InvalidateRgn(g, over.get(), false);
  UpdateWindow(k);
  EXPECT_EQ(painted, (std::vector<std::pair<HWND, Rect>>{{k, Rect{0, 10, 20, 20}}}));
  ProcessPending();
  EXPECT_EQ(painted.size(), 2u);
  EXPECT_EQ(painted.back(), (std::pair<HWND, Rect>{g, Rect{40, 50, 70, 60}}));
}

TEST_F(GuiWindow, EnableWindowSendsWmEnableOnAChangeOnlyAfterTheFocusLeft) {
  Recorder& r = rec_;
  r.watch = {WM_ENABLE, WM_KILLFOCUS};
  std::vector<std::pair<WPARAM, bool>> told;  // wParam, and the state the handler reads
  r.override = [&](HWND h, UINT m, WPARAM w, LPARAM) -> LRESULT {
    if (m == WM_ENABLE) told.emplace_back(w, IsWindowEnabled(h));
    return -12345;
  };
  using Seen = std::vector<std::pair<HWND, UINT>>;
  HWND f = Form(r);
  HWND k = Kid(f, r, 10, 10, 50, 50);
  SetFocus(k);
  r.seen.clear();
  EXPECT_FALSE(EnableWindow(k, false)) << "answers: it was not disabled";
  EXPECT_EQ(r.seen, (Seen{{k, WM_KILLFOCUS}, {k, WM_ENABLE}}));
  EXPECT_EQ(told, (std::vector<std::pair<WPARAM, bool>>{{0, false}}));
  EXPECT_TRUE(IsNull(GetFocus()));
  r.seen.clear();
  EXPECT_TRUE(EnableWindow(k, false));
  EXPECT_TRUE(r.seen.empty()) << "no change, no message";
  EXPECT_TRUE(EnableWindow(k, true));
  EXPECT_EQ(r.seen, (Seen{{k, WM_ENABLE}}));
  EXPECT_EQ(told.back(), (std::pair<WPARAM, bool>{1, true}));
  r.seen.clear();
  EXPECT_FALSE(EnableWindow(k, true));
  EXPECT_TRUE(r.seen.empty());
  // A parent's change is its own: the child hears nothing and keeps its
  // state, but the focus inside the parent goes.
  SetFocus(k);
  r.seen.clear();
  EnableWindow(f, false);
  EXPECT_EQ(r.seen, (Seen{{k, WM_KILLFOCUS}, {f, WM_ENABLE}}));
  EXPECT_TRUE(IsWindowEnabled(k));
  EXPECT_FALSE(IsWindowEnabled(f));
  EnableWindow(f, true);
}

// The shape the toolkit shows over a top-level window now.
Qt::CursorShape ShapeOver(HWND top) {
  detail::WindowObj* w = detail::Win(top);
  detail::HostWidget* host = w ? detail::HostOf(*w) : nullptr;
  return host ? host->cursor().shape() : Qt::BlankCursor;
}

TEST_F(GuiWindow, CursorsFollowTheWindowAndTheHitUnderThePointer) {
  HCURSOR arrow = LoadCursor(IDC_ARROW), hand = LoadCursor(IDC_HAND), nwse = LoadCursor(IDC_SIZENWSE),
          nesw = LoadCursor(IDC_SIZENESW);
  ASSERT_FALSE(IsNull(hand));
  ASSERT_FALSE(IsNull(nwse));
  EXPECT_NE(hand, arrow);
  EXPECT_NE(nwse, arrow);
  EXPECT_NE(nwse, nesw);
  EXPECT_EQ(LoadCursor(IDC_HAND), hand) << "one shared cursor per shape";
  EXPECT_FALSE(DestroyCursor(hand)) << "shared cursors stay";
  EXPECT_TRUE(IsNull(LoadCursor(12345)));
  Recorder& r = rec_;
  HWND f = Form(r);
  // A child with the hand as its cursor that answers the sizing corners
  // for its last five pixels on the right.
  CreateParams p;
  p.style = WS_CHILD | WS_VISIBLE;
  p.x = 20;
  p.y = 20;
  p.width = 60;
  p.height = 60;
  p.parent = f;
  p.proc = r.Proc();
  p.cursor = hand;
  HWND k = CreateWindow(p);
  mine_.push_back(k);
  r.override = [&](HWND h, UINT m, WPARAM, LPARAM l) -> LRESULT {
    if (m != WM_NCHITTEST || h != k) return -12345;
    Point c = PointFromLParam(l);
    ScreenToClient(h, c);
    if (c.X < 55) return HTCLIENT;
    return c.Y < 5 ? HTTOPRIGHT : c.Y >= 55 ? HTBOTTOMRIGHT : HTRIGHT;
  };
  test::MouseMove(Screen(k, 10, 10));
  EXPECT_EQ(GetCursor(), hand);
  EXPECT_EQ(ShapeOver(f), Qt::PointingHandCursor);
  test::MouseMove(Screen(k, 57, 57));
  EXPECT_EQ(GetCursor(), nwse);
  EXPECT_EQ(ShapeOver(f), Qt::SizeFDiagCursor);
  test::MouseMove(Screen(k, 57, 2));
  EXPECT_EQ(GetCursor(), nesw);
  EXPECT_EQ(ShapeOver(f), Qt::SizeBDiagCursor);
  test::MouseMove(Screen(f, 5, 5));  // the form has no cursor of its own
  EXPECT_EQ(GetCursor(), arrow);
  EXPECT_EQ(ShapeOver(f), Qt::ArrowCursor);
  // An edit shows the I-beam over its text, also where its parent's
  // DefWindowProc answers for it.
  CreateParams ep;
  ep.className = "EDIT";
  ep.style = WS_CHILD | WS_VISIBLE;
  ep.x = 100;
  ep.y = 20;
  ep.width = 80;
  ep.height = 20;
  ep.parent = f;
  HWND e = CreateWindow(ep);
  mine_.push_back(e);
  ProcessPending();
  test::MouseMove(Screen(e, 10, 10));
  test::MouseMove(Screen(e, 11, 10));
  EXPECT_EQ(GetCursor(), LoadCursor(IDC_IBEAM));
  ASSERT_TRUE(detail::Win(e)->native);
  EXPECT_EQ(detail::Win(e)->native->cursor().shape(), Qt::IBeamCursor);
  // A parent that answers WM_SETCURSOR decides for its children.
  r.override = [&](HWND h, UINT m, WPARAM, LPARAM) -> LRESULT {
    if (m == WM_SETCURSOR && h == f) {
      SetCursor(nwse);
      return 1;
    }
    return -12345;
  };
  test::MouseMove(Screen(k, 10, 12));
  EXPECT_EQ(GetCursor(), nwse);
  EXPECT_EQ(ShapeOver(f), Qt::SizeFDiagCursor);
  r.override = nullptr;
  test::MouseLeaveAll();
}

TEST_F(GuiWindow, SizingFromACornerFollowsThePointerUntilTheButtonIsReleased) {
  // The status bar's grip: a click asks its form to size from the
  // bottom-right corner. The off-screen desktop does not size windows, so
  // the layer does.
  Recorder& r = rec_;
  r.watch = {WM_SYSCOMMAND, WM_SIZE, WM_MOUSEMOVE, WM_LBUTTONUP};
  HWND f = Form(r);  // (200, 100), 300 x 200
  HWND grip = Kid(f, r, 280, 180, 20, 20);
  WPARAM command = SC_SIZE + 8;
  r.override = [&](HWND h, UINT m, WPARAM, LPARAM) -> LRESULT {
    if (m != WM_LBUTTONDOWN || h != grip) return -12345;
    ReleaseCapture();
    SendMessage(f, WM_SYSCOMMAND, command, 0);
    return 0;
  };
  r.seen.clear();
  test::MouseDown(Point{490, 290});
  test::MouseMove(Point{520, 330}, 1);
  EXPECT_EQ(GetWindowBounds(f), (Rect{200, 100, 530, 340}));
  Rect client;
  GetClientRect(f, client);
  EXPECT_EQ(client, (Rect{0, 0, 330, 240}));
  test::MouseMove(Point{400, 250}, 1);
  EXPECT_EQ(GetWindowBounds(f), (Rect{200, 100, 410, 260}));
  test::MouseUp(Point{400, 250});
  EXPECT_EQ(r.seen, (std::vector<std::pair<HWND, UINT>>{{f, WM_SYSCOMMAND}, {f, WM_SIZE}, {f, WM_SIZE}}))
      << "the moves and the release belong to the sizing";
  r.seen.clear();
  test::MouseMove(Point{300, 150});
  EXPECT_EQ(GetWindowBounds(f), (Rect{200, 100, 410, 260}));
  EXPECT_EQ(r.Messages(f), (std::vector<UINT>{WM_MOUSEMOVE})) << "afterwards the pointer is the pointer again";
  // From the bottom-left corner the right edge stays; the size limits hold
  // and the edge that follows stops there.
  command = SC_SIZE + 7;
  SetSizeLimits(f, Size{150, 120}, Size{0, 0});
  MoveWindow(grip, 0, 140, 20, 20);
  test::MouseDown(Point{210, 250});
  test::MouseMove(Point{190, 270}, 1);
  EXPECT_EQ(GetWindowBounds(f), (Rect{180, 100, 410, 280}));
  test::MouseMove(Point{400, 100}, 1);
  EXPECT_EQ(GetWindowBounds(f), (Rect{260, 100, 410, 220}));
  test::MouseUp(Point{400, 100});
  // No button held: nothing to follow.
  SendMessage(f, WM_SYSCOMMAND, SC_SIZE + 8, 0);
  test::MouseMove(Point{600, 400});
  EXPECT_EQ(GetWindowBounds(f), (Rect{260, 100, 410, 220}));
  test::MouseLeaveAll();
}

TEST_F(GuiWindow, ContextsClipToWhatShows) {
  Recorder& r = rec_;
  HWND f = Form(r);  // WS_CLIPCHILDREN
  HWND a = Kid(f, r, 10, 10, 50, 50);
  HWND b = Kid(f, r, 40, 40, 50, 50);  // above a, overlapping
  HDC dc = GetDC(f);
  Rect box;
  EXPECT_EQ(GetClipBox(dc, box), COMPLEXREGION);
  EXPECT_FALSE(PtVisible(dc, 20, 20));  // under a child
  EXPECT_TRUE(PtVisible(dc, 5, 5));
  ReleaseDC(f, dc);
  HDC adc = GetDC(a);
  EXPECT_TRUE(PtVisible(adc, 5, 5));
  EXPECT_FALSE(PtVisible(adc, 45, 45));  // under b (WS_CLIPSIBLINGS)
  ReleaseDC(a, adc);
  // Hidden: nothing shows, which is how a frame repaint knows to skip.
  ShowWindow(b, SW_HIDE);
  HDC bdc = GetWindowDC(b);
  EXPECT_EQ(GetClipBox(bdc, box), NULLREGION);
  ReleaseDC(b, bdc);
  EXPECT_TRUE(IsWindowVisible(a));
  ShowWindow(f, SW_HIDE);
  EXPECT_TRUE(IsWindowVisible(a));
  EXPECT_FALSE(IsWindowShowing(a));
}

TEST_F(GuiWindow, MouseGoesToTheTopmostWindowUnderThePointerWithEnterAndLeave) {
  Recorder& r = rec_;
  r.watch = {WM_MOUSEMOVE, WM_MOUSELEAVE, WM_LBUTTONDOWN, WM_LBUTTONUP};
  HWND f = Form(r);
  HWND a = Kid(f, r, 10, 10, 50, 50);
  HWND b = Kid(f, r, 100, 10, 50, 50);
  r.seen.clear();
  test::MouseMove(Screen(a, 5, 5));
  test::MouseMove(Screen(b, 5, 5));
  test::MouseMove(Screen(f, 80, 150));
  EXPECT_EQ(r.seen, (std::vector<std::pair<HWND, UINT>>{{a, WM_MOUSEMOVE}, {a, WM_MOUSELEAVE}, {b, WM_MOUSEMOVE},
                                                        {b, WM_MOUSELEAVE}, {f, WM_MOUSEMOVE}}));
  Point at;
  GetCursorPos(at);
  EXPECT_EQ(at, Screen(f, 80, 150));
  // WM_SETCURSOR comes first, and reaches the parent before the child decides.
  r.watch = {WM_SETCURSOR, WM_MOUSEMOVE};
  r.seen.clear();
  test::MouseMove(Screen(a, 6, 6));
  EXPECT_EQ(r.seen, (std::vector<std::pair<HWND, UINT>>{{a, WM_SETCURSOR}, {f, WM_SETCURSOR}, {a, WM_MOUSEMOVE}}));
  r.watch = {WM_MOUSEMOVE, WM_MOUSELEAVE, WM_LBUTTONDOWN, WM_LBUTTONUP};
  r.seen.clear();
  test::MouseLeaveAll();
  EXPECT_EQ(r.seen, (std::vector<std::pair<HWND, UINT>>{{a, WM_MOUSELEAVE}}));
  // Client coordinates and key state.
  LPARAM where = 0;
  WPARAM keys = 0;
  r.override = [&](HWND h, UINT m, WPARAM w, LPARAM l) -> LRESULT {
    if (m == WM_LBUTTONDOWN && h == a) {
      where = l;
      keys = w;
    }
    return -12345;
  };
  test::MouseDown(Screen(a, 7, 9), 1, test::kShift);
  test::MouseUp(Screen(a, 7, 9));
  EXPECT_EQ(PointFromLParam(where), (Point{7, 9}));
  EXPECT_EQ(keys, MK_LBUTTON | MK_SHIFT);
}

TEST_F(GuiWindow, CaptureTakesEveryMouseMessage) {
  Recorder& r = rec_;
  r.watch = {WM_MOUSEMOVE, WM_LBUTTONUP, WM_CAPTURECHANGED};
  HWND f = Form(r);
  HWND a = Kid(f, r, 10, 10, 50, 50);
  HWND b = Kid(f, r, 100, 10, 50, 50);
  LPARAM last = 0;
  r.override = [&](HWND, UINT m, WPARAM, LPARAM l) -> LRESULT {
    if (m == WM_MOUSEMOVE) last = l;
    return -12345;
  };
  SetCapture(a);
  EXPECT_EQ(GetCapture(), a);
  r.seen.clear();
  test::MouseMove(Screen(b, 5, 5));
  EXPECT_EQ(r.Messages(a), (std::vector<UINT>{WM_MOUSEMOVE}));
  EXPECT_TRUE(r.Messages(b).empty());
  EXPECT_EQ(PointFromLParam(last), (Point{95, 5}));  // a's client coordinates
  test::MouseMove(Screen(a, -5, -5));  // outside the child, inside the form
  EXPECT_EQ(PointFromLParam(last), (Point{-5, -5}));
  r.seen.clear();
  SetCapture(b);
  EXPECT_EQ(r.Messages(a), (std::vector<UINT>{WM_CAPTURECHANGED}));
  ReleaseCapture();
  EXPECT_EQ(r.Messages(b), (std::vector<UINT>{WM_CAPTURECHANGED}));
  EXPECT_TRUE(IsNull(GetCapture()));
}

TEST_F(GuiWindow, AButtonHeldOffEveryWindowStillReachesTheWindowItWentDownOn) {
  Recorder& r = rec_;
  r.watch = {WM_MOUSEMOVE, WM_LBUTTONUP, WM_CAPTURECHANGED};
  HWND f = Form(r);
  HWND a = Kid(f, r, 10, 10, 50, 50);
  LPARAM up = 0;
  r.override = [&](HWND h, UINT m, WPARAM, LPARAM l) -> LRESULT {
    if (m == WM_LBUTTONDOWN && h == a) SetCapture(a);
    if (m == WM_LBUTTONUP && h == a) {
      up = l;
      ReleaseCapture();
    }
    return -12345;
  };
  test::MouseDown(Screen(a, 5, 5));
  r.seen.clear();
  // Far off the form (which is at 200, 100): a button pressed there and
  // released outside must see the release, or it stays pushed.
  test::MouseMove(Point{1500, 900}, 1);
  test::MouseUp(Point{1500, 900});
  EXPECT_EQ(r.Messages(a), (std::vector<UINT>{WM_MOUSEMOVE, WM_LBUTTONUP, WM_CAPTURECHANGED}));
  Point origin = Screen(a, 0, 0);
  EXPECT_EQ(PointFromLParam(up), (Point{1500 - origin.X, 900 - origin.Y})) << "a's client coordinates";
  // All buttons up: the next move off the windows reaches nobody.
  r.seen.clear();
  test::MouseMove(Point{1500, 901});
  EXPECT_TRUE(r.seen.empty());
}

TEST_F(GuiWindow, TheDesktopClosesAnEnabledWindowButNotADisabledOne) {
  Recorder& r = rec_;
  r.watch = {WM_SYSCOMMAND, WM_CLOSE};
  HWND f = Form(r);
  r.override = [&](HWND, UINT m, WPARAM, LPARAM) -> LRESULT { return m == WM_CLOSE ? 0 : -12345; };
  EnableWindow(f, false);
  test::CloseFromDesktop(f);
  EXPECT_TRUE(r.seen.empty()) << "behind a modal dialog: not closed";
  EnableWindow(f, true);
  test::CloseFromDesktop(f);
  EXPECT_EQ(r.Messages(f), (std::vector<UINT>{WM_SYSCOMMAND, WM_CLOSE}));
}

TEST_F(GuiWindow, AWindowThatWentAwayUnderThePointerGetsNothingMore) {
  Recorder& r = rec_;
  HWND f = Form(r);
  HWND gone = TopLevel(700, 100, 80, 80);
  ShowWindow(gone, SW_SHOWNOACTIVATE);
  ProcessPending();
  test::MouseMove(Point{720, 120});
  DestroyWindow(gone);
  // The toolkit's widget is deleted at the loop's next wait.
  WaitForEvents(std::chrono::milliseconds(1));
  r.seen.clear();
  r.watch = {WM_MOUSEMOVE};
  test::MouseMove(Screen(f, 20, 20));  // would tell the freed widget the pointer left
  EXPECT_EQ(r.Messages(f), (std::vector<UINT>{WM_MOUSEMOVE}));
  test::MouseLeaveAll();
}

TEST_F(GuiWindow, TransparentDisabledAndShapedWindowsLetClicksThrough) {
  Recorder& r = rec_;
  r.watch = {WM_LBUTTONDOWN};
  HWND f = Form(r);
  HWND under = Kid(f, r, 10, 10, 100, 100);
  HWND glass = Kid(f, r, 10, 10, 100, 100);
  r.override = [&](HWND h, UINT m, WPARAM, LPARAM) -> LRESULT {
    if (m == WM_NCHITTEST && h == glass) return HTTRANSPARENT;
    return -12345;
  };
  test::Click(Screen(glass, 50, 50));
  EXPECT_EQ(r.seen, (std::vector<std::pair<HWND, UINT>>{{under, WM_LBUTTONDOWN}}));
  r.seen.clear();
  EnableWindow(under, false);
  test::Click(Screen(f, 60, 60));
  EXPECT_EQ(r.seen, (std::vector<std::pair<HWND, UINT>>{{f, WM_LBUTTONDOWN}}));
  EnableWindow(under, true);
  r.seen.clear();
  SetWindowRgn(under, CreateEllipticRgn(0, 0, 100, 100), true);
  test::Click(Screen(under, 2, 2));  // a corner outside the ellipse
  test::Click(Screen(under, 50, 50));
  EXPECT_EQ(r.seen, (std::vector<std::pair<HWND, UINT>>{{f, WM_LBUTTONDOWN}, {under, WM_LBUTTONDOWN}}));
}

TEST_F(GuiWindow, AClickActivatesAnInactiveWindowFirst) {
  Recorder& r = rec_;
  r.watch = {WM_MOUSEACTIVATE, WM_ACTIVATE, WM_LBUTTONDOWN};
  HWND f = Form(r);
  HWND a = Kid(f, r, 10, 10, 50, 50);
  HWND other = TopLevel(600, 100, 50, 50);
  ShowWindow(other, SW_SHOW);
  EXPECT_EQ(GetActiveWindow(), other);
  r.seen.clear();
  test::Click(Screen(a, 5, 5));
  EXPECT_EQ(r.seen, (std::vector<std::pair<HWND, UINT>>{{a, WM_MOUSEACTIVATE}, {f, WM_MOUSEACTIVATE},
                                                        {f, WM_ACTIVATE}, {a, WM_LBUTTONDOWN}}));
  EXPECT_EQ(GetActiveWindow(), f);
  r.seen.clear();
  test::Click(Screen(a, 5, 5));  // already active: no question
  EXPECT_EQ(r.Messages(), (std::vector<UINT>{WM_LBUTTONDOWN}));
  // The window may refuse and swallow the click.
  SetActiveWindow(other);
  r.override = [](HWND, UINT m, WPARAM, LPARAM) -> LRESULT { return m == WM_MOUSEACTIVATE ? MA_NOACTIVATEANDEAT : -12345; };
  r.seen.clear();
  test::Click(Screen(a, 5, 5));
  EXPECT_EQ(r.Messages(), (std::vector<UINT>{WM_MOUSEACTIVATE}));
  EXPECT_EQ(GetActiveWindow(), other);
}

TEST_F(GuiWindow, DoubleClicksNeedTheClassStyle) {
  Recorder& r = rec_;
  r.watch = {WM_LBUTTONDOWN, WM_LBUTTONDBLCLK};
  HWND f = Form(r);
  test::DoubleClick(Screen(f, 20, 20));
  EXPECT_EQ(r.Messages(), (std::vector<UINT>{WM_LBUTTONDOWN, WM_LBUTTONDBLCLK}));
  r.seen.clear();
  SetWindowLong(f, GWL_CLASSSTYLE, 0);
  test::DoubleClick(Screen(f, 20, 20));
  EXPECT_EQ(r.Messages(), (std::vector<UINT>{WM_LBUTTONDOWN, WM_LBUTTONDOWN}));
}

TEST_F(GuiWindow, FocusMessagesNameEachOther) {
  Recorder& r = rec_;
  r.watch = {WM_SETFOCUS, WM_KILLFOCUS};
  std::vector<WPARAM> params;
  r.override = [&](HWND, UINT m, WPARAM w, LPARAM) -> LRESULT {
    if (m == WM_SETFOCUS || m == WM_KILLFOCUS) params.push_back(w);
    return -12345;
  };
  HWND f = Form(r);
  HWND a = Kid(f, r, 0, 0, 10, 10);
  HWND b = Kid(f, r, 20, 0, 10, 10);
  SetFocus(a);
  r.seen.clear();
  params.clear();
  EXPECT_EQ(SetFocus(b), a);
  EXPECT_EQ(r.seen, (std::vector<std::pair<HWND, UINT>>{{a, WM_KILLFOCUS}, {b, WM_SETFOCUS}}));
  EXPECT_EQ(params, (std::vector<WPARAM>{ToWParam(b), ToWParam(a)}));
  EXPECT_EQ(GetFocus(), b);
  EnableWindow(b, false);  // a disabled window loses the focus and takes none
  EXPECT_TRUE(IsNull(GetFocus()));
  EXPECT_TRUE(IsNull(SetFocus(b)));
  EXPECT_TRUE(IsNull(GetFocus()));
}

TEST_F(GuiWindow, KeysGoToTheFocusWindow) {
  Recorder& r = rec_;
  r.watch = {WM_KEYDOWN, WM_CHAR, WM_KEYUP, WM_SYSKEYDOWN, WM_SYSCHAR, WM_SYSKEYUP};
  std::vector<WPARAM> params;
  r.override = [&](HWND, UINT m, WPARAM w, LPARAM) -> LRESULT {
    if (std::find(r.watch.begin(), r.watch.end(), m) != r.watch.end()) params.push_back(w);
    return -12345;
  };
  HWND f = Form(r);
  HWND a = Kid(f, r, 0, 0, 10, 10);
  SetFocus(a);
  r.seen.clear();
  params.clear();
  test::KeyPress('A', 0, "a");
  test::KeyPress(VK_TAB, 0, "\t");
  test::KeyPress('X', test::kAlt, "x");
  EXPECT_EQ(r.Messages(a), (std::vector<UINT>{WM_KEYDOWN, WM_CHAR, WM_KEYUP, WM_KEYDOWN, WM_CHAR, WM_KEYUP,
                                              WM_SYSKEYDOWN, WM_SYSCHAR, WM_SYSKEYUP}));
  EXPECT_EQ(params, (std::vector<WPARAM>{'A', 'a', 'A', VK_TAB, 9, VK_TAB, 'X', 'x', 'X'}));
}

TEST_F(GuiWindow, KeyStateIsThatOfTheInputBeingHandled) {
  // What the off-screen platform's live keyboard says lags behind the events
  // given here (it keeps the last key press's modifiers): a handler reading
  // it would see Ctrl still down as Ctrl goes up, Alt on a Shift click.
  std::vector<std::string> reads;  // message: the keys down as its handler reads them
  Recorder& r = rec_;
  r.override = [&](HWND, UINT m, WPARAM, LPARAM) -> LRESULT {
    const char* name = m == WM_KEYDOWN       ? "keydown"
                       : m == WM_KEYUP       ? "keyup"
                       : m == WM_SYSKEYDOWN  ? "syskeydown"
                       : m == WM_LBUTTONDOWN ? "lbuttondown"
                       : m == WM_LBUTTONUP   ? "lbuttonup"
                                             : nullptr;
    if (!name) return -12345;
    std::string read = std::string(name) + ":";
    const std::pair<int, char> keys[] = {{VK_SHIFT, 'S'}, {VK_CONTROL, 'C'}, {VK_MENU, 'A'}, {VK_LBUTTON, 'L'}};
    for (auto [vk, letter] : keys)
      if (GetKeyState(vk) < 0) read += letter;
    reads.push_back(read);
    return -12345;
  };
  HWND f = Form(r);
  HWND a = Kid(f, r, 0, 0, 40, 40);
  SetFocus(a);
  // The toolkit reports a modifier key's own press and release with the
  // modifiers as they were before it.
  test::KeyDown(VK_CONTROL, 0);
  test::KeyPress(VK_TAB, test::kControl | test::kShift, "");
  test::KeyUp(VK_CONTROL, test::kControl);
  test::KeyPress('X', test::kAlt, "x");
  test::MouseDown(Screen(a, 5, 5), 1, test::kShift);
  test::MouseUp(Screen(a, 5, 5), 1, test::kShift);
  EXPECT_EQ(reads, (std::vector<std::string>{"keydown:C", "keydown:SC", "keyup:SC", "keyup:", "syskeydown:A",
                                             "lbuttondown:SL", "lbuttonup:S"}));
  for (int vk : {VK_SHIFT, VK_CONTROL, VK_MENU, VK_LBUTTON})
    EXPECT_EQ(GetKeyState(vk), GetAsyncKeyState(vk)) << "outside input handling the live state answers, key " << vk;

  // Input handled inside a handler (a modal loop's) answers for itself; the
  // outer handler then reads its own event's state again.
  std::vector<bool> ctrlRead;
  bool nested = false;
  r.override = [&](HWND, UINT m, WPARAM w, LPARAM) -> LRESULT {
    if (m != WM_KEYDOWN) return -12345;
    ctrlRead.push_back(GetKeyState(VK_CONTROL) < 0);
    if (w == 'A' && !nested) {
      nested = true;
      test::KeyPress('B', 0, "");
      ctrlRead.push_back(GetKeyState(VK_CONTROL) < 0);
    }
    return -12345;
  };
  test::KeyPress('A', test::kControl, "");
  EXPECT_EQ(ctrlRead, (std::vector<bool>{true, false, true}));
}

TEST_F(GuiWindow, SentMessagesOvertakePostedOnes) {
  Recorder& r = rec_;
  r.watch = {WM_USER + 1, WM_USER + 2};
  HWND f = Form(r);
  PostMessage(f, WM_USER + 1);
  SendMessage(f, WM_USER + 2);
  ProcessPending();
  EXPECT_EQ(r.Messages(f), (std::vector<UINT>{WM_USER + 2, WM_USER + 1}));
}

TEST_F(GuiWindow, ExceptionsFromProceduresReachTheHandler) {
  Recorder& r = rec_;
  r.override = [](HWND, UINT m, WPARAM, LPARAM) -> LRESULT {
    if (m == WM_USER + 3) throw std::runtime_error("boom");
    return -12345;
  };
  HWND f = Form(r);
  std::string caught;
  SetExceptionHandler([&](std::exception_ptr e) {
    try {
      std::rethrow_exception(e);
    } catch (const std::exception& ex) {
      caught = ex.what();
    }
  });
  PostMessage(f, WM_USER + 3);
  ProcessPending();
  SetExceptionHandler({});
  EXPECT_EQ(caught, "boom");
  EXPECT_THROW(SendMessage(f, WM_USER + 3), std::runtime_error);  // a direct call sees it itself
}

TEST_F(GuiWindow, FramesZOrderAndCoordinates) {
  Recorder& r = rec_;
  HWND f = Form(r);
  HWND a = Kid(f, r, 10, 20, 100, 50, WS_CLIPSIBLINGS | WS_BORDER);
  Rect c;
  GetClientRect(a, c);
  EXPECT_EQ(c, (Rect{0, 0, 98, 48}));
  Point p{0, 0};
  ClientToScreen(a, p);
  EXPECT_EQ(p, (Point{200 + 10 + 1, 100 + 20 + 1}));
  EXPECT_EQ(SendMessage(a, WM_NCHITTEST, 0, MAKELPARAM(200 + 10, 100 + 30)), HTBORDER);
  EXPECT_EQ(SendMessage(a, WM_NCHITTEST, 0, MAKELPARAM(200 + 50, 100 + 30)), HTCLIENT);
  Point q{5, 5};
  HWND b = Kid(f, r, 0, 0, 10, 10);
  MapWindowPoints(a, b, &q, 1);
  EXPECT_EQ(q, (Point{16, 26}));
  EXPECT_EQ(GetWindow(f, GW_CHILD), b);  // the newest child is on top
  SetWindowPos(b, HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
  EXPECT_EQ(GetWindow(f, GW_CHILD), a);
  EXPECT_EQ(GetWindow(a, GW_HWNDNEXT), b);
  BringWindowToTop(b);
  EXPECT_EQ(GetWindow(f, GW_CHILD), b);
  EXPECT_EQ(ChildWindowFromPointEx(f, Point{50, 30}, CWP_ALL), a);
  EXPECT_EQ(WindowFromPoint(Point{200 + 50, 100 + 30}), a);
}

TEST_F(GuiWindow, ThreadMessagesAndWindowText) {
  Recorder& r = rec_;
  HWND f = Form(r);
  std::vector<UINT> got;
  SetThreadMessageHandler([&](const Msg& m) { got.push_back(m.message); });
  PostMessage(HWND{}, WM_USER + 9);
  ProcessPending();
  SetThreadMessageHandler({});
  EXPECT_EQ(got, (std::vector<UINT>{WM_USER + 9}));
  EXPECT_TRUE(SetWindowText(f, "Caption \xC3\xA9"));
  EXPECT_EQ(GetWindowText(f), "Caption \xC3\xA9");
  EXPECT_EQ(SendMessage(f, WM_GETTEXTLENGTH), 10);
}

TEST_F(GuiWindow, MonitorsAndMetrics) {
  std::vector<HMONITOR> mons = EnumDisplayMonitors();
  ASSERT_EQ(mons.size(), 1u);
  MonitorInfo mi;
  ASSERT_TRUE(GetMonitorInfo(mons[0], mi));
  EXPECT_EQ(mi.rcMonitor, (Rect{0, 0, 1920, 1080}));
  EXPECT_EQ(mi.dwFlags, MONITORINFOF_PRIMARY);
  EXPECT_EQ(MonitorFromPoint(Point{5000, 5000}, MONITOR_DEFAULTTONEAREST), mons[0]);
  EXPECT_TRUE(IsNull(MonitorFromPoint(Point{5000, 5000}, MONITOR_DEFAULTTONULL)));
  EXPECT_EQ(GetSystemMetrics(SM_CXSCREEN), 1920);
  EXPECT_EQ(GetSystemMetrics(SM_CXVSCROLL), 17);
  EXPECT_EQ(GetSysColor(COLOR_BTNFACE), RGB(212, 208, 200));
  HDC screen = GetDC(HWND{});
  EXPECT_EQ(GetDeviceCaps(screen, NUMCOLORS), -1);
  ReleaseDC(HWND{}, screen);
}

}  // namespace
