// The native list box behind its messages.
#include <algorithm>

#include "platform/gui/Controls.h"
#include "platform/gui/tests/GuiTest.h"

using namespace gui;

namespace {

class GuiList : public guitest::GuiTest {
protected:
  void SetUp() override {
    GuiTest::SetUp();
    form_ = TopLevel(100, 100, 400, 300, [this](HWND h, UINT m, WPARAM wp, LPARAM lp) -> LRESULT {
      if (m == WM_COMMAND) notes_.push_back(HIWORD(wp));
      if (m == WM_DRAWITEM && onDraw_) {
        onDraw_(*reinterpret_cast<DrawItemStruct*>(lp));
        return 1;
      }
      return DefWindowProc(h, m, wp, lp);
    });
    ShowWindow(form_, SW_SHOW);
  }
  HWND MakeList(DWORD style) {
    CreateParams p;
    p.className = "LISTBOX";
    p.style = WS_CHILD | WS_VISIBLE | WS_VSCROLL | LBS_NOTIFY | style;
    p.exStyle = WS_EX_CLIENTEDGE;
    p.x = 10;
    p.y = 10;
    p.width = 200;
    p.height = 150;
    p.parent = form_;
    p.id = 9;
    HWND h = CreateWindow(p);
    ProcessPending();
    return h;
  }
  static void Add(HWND lb, const char* s) { SendMessage(lb, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(s)); }
  static std::string Text(HWND lb, int i) {
    LRESULT n = SendMessage(lb, LB_GETTEXTLEN, static_cast<WPARAM>(i));
    if (n < 0) return "<err>";
    std::string s(static_cast<std::size_t>(n) + 1, '\0');
    SendMessage(lb, LB_GETTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(s.data()));
    s.resize(static_cast<std::size_t>(n));
    return s;
  }
  // Screen point in the middle of item i.
  static Point ItemPoint(HWND lb, int i) {
    Rect r;
    SendMessage(lb, LB_GETITEMRECT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&r));
    Point p{r.Left + 20, (r.Top + r.Bottom) / 2};
    ClientToScreen(lb, p);
    return p;
  }
  HWND form_{};
  std::vector<WORD> notes_;
  std::function<void(const DrawItemStruct&)> onDraw_;
};

TEST_F(GuiList, SortedAddFindAndText) {
  HWND lb = MakeList(LBS_SORT);
  for (const char* s : {"pear", "Apple", "banana", "apricot"}) Add(lb, s);
  EXPECT_EQ(SendMessage(lb, LB_GETCOUNT), 4);
  EXPECT_EQ(Text(lb, 0), "Apple");
  EXPECT_EQ(Text(lb, 1), "apricot");
  EXPECT_EQ(Text(lb, 2), "banana");
  EXPECT_EQ(Text(lb, 3), "pear");
  EXPECT_EQ(SendMessage(lb, LB_FINDSTRING, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>("AP")), 0);
  EXPECT_EQ(SendMessage(lb, LB_FINDSTRING, 0, reinterpret_cast<LPARAM>("ap")), 1);
  EXPECT_EQ(SendMessage(lb, LB_FINDSTRING, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>("cherry")), LB_ERR);
  EXPECT_EQ(SendMessage(lb, LB_FINDSTRINGEXACT, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>("BANANA")), 2);
  EXPECT_EQ(Text(lb, 7), "<err>");
  SendMessage(lb, LB_INSERTSTRING, 0, reinterpret_cast<LPARAM>("zz"));  // insert does not sort
  EXPECT_EQ(Text(lb, 0), "zz");
  EXPECT_EQ(SendMessage(lb, LB_DELETESTRING, 0), 4);
  SendMessage(lb, LB_RESETCONTENT);
  EXPECT_EQ(SendMessage(lb, LB_GETCOUNT), 0);
}

TEST_F(GuiList, SingleSelectionByMessageAndByClick) {
  HWND lb = MakeList(0);
  for (const char* s : {"one", "two", "three"}) Add(lb, s);
  EXPECT_EQ(SendMessage(lb, LB_GETCURSEL), LB_ERR);
  notes_.clear();
  EXPECT_EQ(SendMessage(lb, LB_SETCURSEL, 1), 1);
  EXPECT_EQ(SendMessage(lb, LB_GETCURSEL), 1);
  EXPECT_TRUE(notes_.empty());  // no notification for a selection the program makes
  EXPECT_EQ(SendMessage(lb, LB_SETSEL, 1, 0), LB_ERR);  // not a multi-selection list
  test::Click(ItemPoint(lb, 2));
  EXPECT_EQ(SendMessage(lb, LB_GETCURSEL), 2);
  EXPECT_EQ(GetFocus(), lb);
  EXPECT_EQ(std::count(notes_.begin(), notes_.end(), LBN_SELCHANGE), 1);
  test::KeyPress(VK_UP);
  EXPECT_EQ(SendMessage(lb, LB_GETCURSEL), 1);
  SendMessage(lb, LB_SETCURSEL, static_cast<WPARAM>(-1));
  EXPECT_EQ(SendMessage(lb, LB_GETCURSEL), LB_ERR);
}

TEST_F(GuiList, DoubleClickNotifies) {
  HWND lb = MakeList(0);
  Add(lb, "tag");
  notes_.clear();
  test::DoubleClick(ItemPoint(lb, 0));
  EXPECT_EQ(std::count(notes_.begin(), notes_.end(), LBN_DBLCLK), 1);
}

TEST_F(GuiList, ExtendedSelection) {
  HWND lb = MakeList(LBS_EXTENDEDSEL);
  for (const char* s : {"a", "b", "c", "d"}) Add(lb, s);
  EXPECT_EQ(SendMessage(lb, LB_SETSEL, 1, static_cast<LPARAM>(-1)), 0);
  EXPECT_EQ(SendMessage(lb, LB_GETSELCOUNT), 4);
  SendMessage(lb, LB_SETSEL, 0, 2);
  EXPECT_EQ(SendMessage(lb, LB_GETSEL, 2), 0);
  int items[8];
  EXPECT_EQ(SendMessage(lb, LB_GETSELITEMS, 8, reinterpret_cast<LPARAM>(items)), 3);
  EXPECT_EQ(items[2], 3);
  SendMessage(lb, LB_SETCARETINDEX, 3);
  EXPECT_EQ(SendMessage(lb, LB_GETCARETINDEX), 3);
  EXPECT_EQ(SendMessage(lb, LB_GETSELCOUNT), 3);  // the caret moves without selecting
  test::Click(ItemPoint(lb, 0));
  EXPECT_EQ(SendMessage(lb, LB_GETSELCOUNT), 1);
  test::Click(ItemPoint(lb, 2), 1, test::kShift);
  EXPECT_EQ(SendMessage(lb, LB_GETSELCOUNT), 3);
  test::Click(ItemPoint(lb, 1), 1, test::kControl);
  EXPECT_EQ(SendMessage(lb, LB_GETSEL, 1), 0);
}

TEST_F(GuiList, OwnerDrawItemsGoToTheParent) {
  std::vector<int> drawn;
  std::vector<UINT> states;
  onDraw_ = [&](const DrawItemStruct& d) {
    drawn.push_back(d.itemID);
    states.push_back(d.itemState);
    EXPECT_EQ(d.CtlType, ODT_LISTBOX);
    EXPECT_EQ(d.rcItem.Height(), 20);
    FillRect(d.hDC, d.rcItem, GetStockBrush((d.itemState & ODS_SELECTED) ? BLACK_BRUSH : GRAY_BRUSH));
  };
  HWND lb = MakeList(LBS_OWNERDRAWFIXED | LBS_HASSTRINGS);
  SendMessage(lb, LB_SETITEMHEIGHT, 0, 20);
  EXPECT_EQ(SendMessage(lb, LB_GETITEMHEIGHT), 20);
  Add(lb, "x");
  Add(lb, "y");
  SendMessage(lb, LB_SETCURSEL, 1);
  HBITMAP shot = test::CaptureWindow(lb);
  EXPECT_NE(std::find(drawn.begin(), drawn.end(), 0), drawn.end());
  EXPECT_NE(std::find(drawn.begin(), drawn.end(), 1), drawn.end());
  std::vector<std::uint32_t> px = GetBitmapPixels(shot);
  BitmapInfo bi;
  GetBitmapInfo(shot, bi);
  DeleteObject(shot);
  // Item 0 grey, item 1 (selected) black, inside the 2-pixel frame.
  EXPECT_EQ(px[static_cast<std::size_t>((2 + 10) * bi.bmWidth + 50)], 0x808080u);
  EXPECT_EQ(px[static_cast<std::size_t>((2 + 30) * bi.bmWidth + 50)], 0x000000u);
  onDraw_ = nullptr;
}

TEST_F(GuiList, ItemGeometryQueries) {
  HWND lb = MakeList(0);
  for (int i = 0; i < 30; ++i) Add(lb, ("item " + std::to_string(i)).c_str());
  LRESULT h = SendMessage(lb, LB_GETITEMHEIGHT);
  ASSERT_GT(h, 0);
  Rect r;
  ASSERT_NE(SendMessage(lb, LB_GETITEMRECT, 2, reinterpret_cast<LPARAM>(&r)), LB_ERR);
  EXPECT_EQ(r.Top, 2 * h);
  EXPECT_EQ(r.Height(), h);
  LRESULT hit = SendMessage(lb, LB_ITEMFROMPOINT, 0, MAKELPARAM(5, static_cast<int>(3 * h + 1)));
  EXPECT_EQ(LOWORD(static_cast<std::uintptr_t>(hit)), 3);
  EXPECT_EQ(HIWORD(static_cast<std::uintptr_t>(hit)), 0);
  SendMessage(lb, LB_SETTOPINDEX, 10);
  EXPECT_EQ(SendMessage(lb, LB_GETTOPINDEX), 10);
  SendMessage(lb, LB_SETITEMDATA, 4, 1234);
  EXPECT_EQ(SendMessage(lb, LB_GETITEMDATA, 4), 1234);
}

TEST_F(GuiList, ProcedureCanTakeTheTypedCharacters) {
  HWND lb = MakeList(LBS_SORT);
  for (const char* s : {"alpha", "beta", "gamma"}) Add(lb, s);
  int chars = 0;
  SetWindowProc(lb, [&](HWND h, UINT m, WPARAM wp, LPARAM lp) -> LRESULT {
    if (m == WM_CHAR) {
      ++chars;
      return 0;  // incremental search of its own: the list does not see the key
    }
    return DefWindowProc(h, m, wp, lp);
  });
  SendMessage(lb, LB_SETCURSEL, 0);
  SetFocus(lb);
  test::TypeText("g");
  EXPECT_EQ(chars, 1);
  EXPECT_EQ(SendMessage(lb, LB_GETCURSEL), 0);
  DestroyWindow(lb);
}

TEST_F(GuiList, AListCreatedDisabledTakesNoClickOrKeyAndDrawsItsItemsGrey) {
  // An edit beside it has the focus: its caret shows.
  CreateParams ep;
  ep.className = "EDIT";
  ep.windowName = "Typing";
  ep.style = WS_CHILD | WS_VISIBLE;
  ep.x = 220;
  ep.y = 10;
  ep.width = 100;
  ep.height = 20;
  ep.parent = form_;
  HWND edit = CreateWindow(ep);
  ProcessPending();
  SetFocus(edit);
  SendMessage(edit, EM_SETSEL, 6, 6);
  auto dark = [](HWND h) {
    HBITMAP bmp = test::CaptureWindow(h);
    std::vector<std::uint32_t> px = GetBitmapPixels(bmp);
    DeleteObject(bmp);
    return std::count_if(px.begin(), px.end(), [](std::uint32_t v) { return (v & 0xFFFFFF) == 0; });
  };
  auto withCaret = dark(edit);
  HWND lb = MakeList(WS_DISABLED);
  for (const char* s : {"Label1", "Label2", "PreLabel"}) Add(lb, s);
  ProcessPending();
  test::Click(ItemPoint(lb, 1));
  EXPECT_NE(GetFocus(), lb) << "a click gives it no focus";
  EXPECT_EQ(GetFocus(), edit);
  EXPECT_EQ(dark(edit), withCaret) << "the edit keeps its caret: the keys still go there";
  EXPECT_EQ(SendMessage(lb, LB_GETCURSEL), LB_ERR) << "nor selects an item";
  test::KeyPress(VK_DOWN);
  EXPECT_EQ(SendMessage(lb, LB_GETCURSEL), LB_ERR);
  HBITMAP bmp = test::CaptureWindow(lb);
  std::vector<std::uint32_t> px = GetBitmapPixels(bmp);
  DeleteObject(bmp);
  int grey = 0, black = 0;
  for (int y = 2; y < 148; ++y)
    for (int x = 2; x < 180; ++x) {
      std::uint32_t v = px[static_cast<std::size_t>(y * 200 + x)] & 0xFFFFFF;
      grey += v == 0x808080u;
      black += v == 0u;
    }
  EXPECT_GT(grey, 20) << "the items' text in the grey of disabled text";
  EXPECT_EQ(black, 0);
  EnableWindow(lb, true);
  test::Click(ItemPoint(lb, 1));
  EXPECT_EQ(GetFocus(), lb);
  EXPECT_EQ(SendMessage(lb, LB_GETCURSEL), 1);
}

}  // namespace
