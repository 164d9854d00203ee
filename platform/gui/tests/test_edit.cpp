// The native edit behind its messages.
#include <algorithm>
#include <cstring>

#include "platform/gui/Clipboard.h"
#include "platform/gui/Controls.h"
#include "platform/gui/tests/GuiTest.h"

using namespace gui;

namespace {

class GuiEdit : public guitest::GuiTest {
protected:
  void SetUp() override {
    GuiTest::SetUp();
    form_ = TopLevel(100, 100, 400, 300, [this](HWND h, UINT m, WPARAM wp, LPARAM lp) -> LRESULT {
      if (m == WM_COMMAND) notes_.push_back(HIWORD(wp));
      return DefWindowProc(h, m, wp, lp);
    });
    ShowWindow(form_, SW_SHOW);
  }
  HWND MakeEdit(DWORD style, const std::string& text = "", WindowProc proc = {}) {
    CreateParams p;
    p.className = "EDIT";
    p.windowName = text;
    p.style = WS_CHILD | WS_VISIBLE | style;
    p.exStyle = WS_EX_CLIENTEDGE;
    p.x = 10;
    p.y = 10;
    p.width = 300;
    p.height = (style & ES_MULTILINE) ? 200 : 24;
    p.parent = form_;
    p.id = 5;
    p.proc = std::move(proc);
    HWND h = CreateWindow(p);
    ProcessPending();
    return h;
  }
  // A 100 x 20 edit at (10, 10) of another parent, without a frame.
  static HWND SmallEdit(HWND parent, DWORD style, const std::string& text = "") {
    CreateParams p;
    p.className = "EDIT";
    p.windowName = text;
    p.style = WS_CHILD | WS_VISIBLE | style;
    p.x = 10;
    p.y = 10;
    p.width = 100;
    p.height = 20;
    p.parent = parent;
    HWND h = CreateWindow(p);
    ProcessPending();
    return h;
  }
  static std::pair<int, int> Sel(HWND e) {
    DWORD a = 0, b = 0;
    SendMessage(e, EM_GETSEL, reinterpret_cast<WPARAM>(&a), reinterpret_cast<LPARAM>(&b));
    return {static_cast<int>(a), static_cast<int>(b)};
  }
  HWND form_{};
  std::vector<WORD> notes_;
};

TEST_F(GuiEdit, TextRoundTripsAndTypingNotifiesChange) {
  HWND e = MakeEdit(ES_AUTOHSCROLL, "abc");
  EXPECT_EQ(GetWindowText(e), "abc");
  SetFocus(e);
  SendMessage(e, EM_SETSEL, 3, 3);
  notes_.clear();
  test::TypeText("de");
  EXPECT_EQ(GetWindowText(e), "abcde");
  EXPECT_EQ(std::count(notes_.begin(), notes_.end(), EN_CHANGE), 2);
  EXPECT_EQ(Sel(e), std::make_pair(5, 5));
}

TEST_F(GuiEdit, ClientAreaLeavesTheTwoPixelEdgeToTheFrame) {
  HWND e = MakeEdit(0);
  Rect r;
  GetClientRect(e, r);
  EXPECT_EQ(r, (Rect{0, 0, 296, 20}));
  HDC dc = GetWindowDC(e);
  // The sunken edge in the system colours.
  EXPECT_EQ(GetPixel(dc, 0, 5), GetSysColor(COLOR_BTNSHADOW));
  EXPECT_EQ(GetPixel(dc, 1, 5), GetSysColor(COLOR_3DDKSHADOW));
  EXPECT_EQ(GetPixel(dc, 299, 5), GetSysColor(COLOR_BTNHIGHLIGHT));
  ReleaseDC(e, dc);
}

TEST_F(GuiEdit, ProcedureSeesKeysFirstAndMaySwallowOrChangeThem) {
  HWND e = MakeEdit(ES_AUTOHSCROLL, "", [](HWND h, UINT m, WPARAM wp, LPARAM lp) -> LRESULT {
    if (m == WM_CHAR && wp == 'x') return 0;                                // swallowed
    if (m == WM_CHAR && wp == 'a') return DefWindowProc(h, m, 'A', lp);     // changed
    return DefWindowProc(h, m, wp, lp);
  });
  SetFocus(e);
  test::TypeText("axbx");
  EXPECT_EQ(GetWindowText(e), "Ab");
}

TEST_F(GuiEdit, ReadOnlyRefusesTypingButCopies) {
  HWND e = MakeEdit(ES_READONLY, "fixed");
  SetFocus(e);
  test::TypeText("zz");
  EXPECT_EQ(GetWindowText(e), "fixed");
  SendMessage(e, EM_SETSEL, 0, 3);
  SendMessage(e, WM_COPY);
  EXPECT_EQ(ClipboardGetText(), "fix");
  SendMessage(e, EM_SETREADONLY, 0);
  SendMessage(e, EM_SETSEL, 5, 5);
  test::TypeText("d");
  EXPECT_EQ(GetWindowText(e), "fixedd");
}

TEST_F(GuiEdit, UndoAndClipboardMessages) {
  HWND e = MakeEdit(ES_AUTOHSCROLL, "hello");
  SetFocus(e);
  SendMessage(e, EM_SETSEL, 5, 5);
  test::TypeText("!");
  EXPECT_TRUE(SendMessage(e, EM_CANUNDO));
  SendMessage(e, EM_UNDO);
  EXPECT_EQ(GetWindowText(e), "hello");
  SendMessage(e, EM_SETSEL, 0, 2);
  SendMessage(e, WM_CUT);
  EXPECT_EQ(GetWindowText(e), "llo");
  SendMessage(e, EM_SETSEL, 3, 3);
  SendMessage(e, WM_PASTE);
  EXPECT_EQ(GetWindowText(e), "llohe");
  SendMessage(e, EM_SETSEL, 0, -1);
  SendMessage(e, EM_REPLACESEL, 1, reinterpret_cast<LPARAM>("new"));
  EXPECT_EQ(GetWindowText(e), "new");
}

TEST_F(GuiEdit, MultiLineLinesAreCrLfSeparatedInPositions) {
  HWND e = MakeEdit(ES_MULTILINE | WS_VSCROLL | ES_AUTOHSCROLL | WS_HSCROLL, "one\r\ntwo\r\nthree");
  EXPECT_EQ(GetWindowText(e), "one\r\ntwo\r\nthree");
  EXPECT_EQ(SendMessage(e, EM_GETLINECOUNT), 3);
  EXPECT_EQ(SendMessage(e, EM_LINEINDEX, 0), 0);
  EXPECT_EQ(SendMessage(e, EM_LINEINDEX, 1), 5);
  EXPECT_EQ(SendMessage(e, EM_LINEINDEX, 2), 10);
  EXPECT_EQ(SendMessage(e, EM_LINEINDEX, 3), -1);
  EXPECT_EQ(SendMessage(e, EM_LINELENGTH, 5), 3);
  EXPECT_EQ(SendMessage(e, EM_LINELENGTH, 12), 5);
  EXPECT_EQ(SendMessage(e, EM_LINEFROMCHAR, 0), 0);
  EXPECT_EQ(SendMessage(e, EM_LINEFROMCHAR, 7), 1);
  EXPECT_EQ(SendMessage(e, EM_LINEFROMCHAR, 14), 2);
  SendMessage(e, EM_SETSEL, 7, 7);
  EXPECT_EQ(SendMessage(e, EM_LINEFROMCHAR, static_cast<WPARAM>(-1)), 1);
  EXPECT_EQ(SendMessage(e, EM_LINEINDEX, static_cast<WPARAM>(-1)), 5);
  char buf[16] = {};
  WORD cap = sizeof buf;
  std::memcpy(buf, &cap, sizeof cap);
  EXPECT_EQ(SendMessage(e, EM_GETLINE, 2, reinterpret_cast<LPARAM>(buf)), 5);
  EXPECT_EQ(std::string(buf, 5), "three");
  // Enter types a line break of two bytes.
  SetFocus(e);
  SendMessage(e, EM_SETSEL, 3, 3);
  test::KeyPress(VK_RETURN, 0, "\r");
  EXPECT_EQ(GetWindowText(e), "one\r\n\r\ntwo\r\nthree");
  EXPECT_EQ(Sel(e), std::make_pair(5, 5));
}

// The line queries agree with the text WM_GETTEXT gives, split at its CR LFs.
void ExpectLinesMatchText(HWND e, const std::string& where) {
  std::string text = GetWindowText(e);
  EXPECT_EQ(SendMessage(e, WM_GETTEXTLENGTH), static_cast<LRESULT>(text.size())) << where;
  std::vector<std::size_t> starts{0};
  for (std::size_t at = text.find("\r\n"); at != std::string::npos; at = text.find("\r\n", at + 2))
    starts.push_back(at + 2);
  ASSERT_EQ(SendMessage(e, EM_GETLINECOUNT), static_cast<LRESULT>(starts.size())) << where;
  for (std::size_t i = 0; i < starts.size(); ++i) {
    std::size_t end = i + 1 < starts.size() ? starts[i + 1] - 2 : text.size();
    EXPECT_EQ(SendMessage(e, EM_LINEINDEX, i), static_cast<LRESULT>(starts[i])) << where << ", line " << i;
    EXPECT_EQ(SendMessage(e, EM_LINELENGTH, starts[i]), static_cast<LRESULT>(end - starts[i])) << where << ", line " << i;
    EXPECT_EQ(SendMessage(e, EM_LINEFROMCHAR, end), static_cast<LRESULT>(i)) << where << ", line " << i;
  }
}

TEST_F(GuiEdit, ASetTextBreaksAtCrLfLfAndCrAndItsLinesMatchAfterEdits) {
  HWND e = MakeEdit(ES_MULTILINE | WS_VSCROLL | ES_AUTOHSCROLL | WS_HSCROLL);
  SetWindowText(e, "a\nbb\rccc\r\n\r\nd\r\r\n");
  EXPECT_EQ(GetWindowText(e), "a\r\nbb\r\nccc\r\n\r\nd\r\n\r\n");
  ExpectLinesMatchText(e, "mixed breaks");
  // Characters the toolkit reads as breaks of its own, a leading byte order
  // mark it drops, text that is not UTF-8: the queries still agree.
  const char* texts[] = {"x\xE2\x80\xA9y\r\nz", "\xEF\xBB\xBFmark\r\nnext", "caf\xE9\r\nna\xEFve\nend",
                         "\xC3\xA9t\xC3\xA9\r\n\xE2\x82\xAC 5"};
  for (const char* text : texts) {
    SetWindowText(e, text);
    ExpectLinesMatchText(e, text);
  }
  // Typing changes what was kept from the text set.
  SetWindowText(e, "one\r\ntwo");
  SetFocus(e);
  SendMessage(e, EM_SETSEL, 3, 3);
  test::KeyPress(VK_RETURN, 0, "\r");
  test::TypeText("\xC3\xA9");
  EXPECT_EQ(GetWindowText(e), "one\r\n\xC3\xA9\r\ntwo");
  ExpectLinesMatchText(e, "after typing");
}

TEST_F(GuiEdit, WrappedLinesAreCountedAmongManyShortOnesAndFollowTheWidth) {
  HWND e = MakeEdit(ES_MULTILINE | WS_VSCROLL);
  std::string longLine;
  for (int i = 0; i < 12; ++i) longLine += "wrapping words ";
  std::string accented;  // characters beyond plain ASCII are laid out, not estimated
  for (int i = 0; i < 12; ++i) accented += "\xC3\xA9t\xC3\xA9 words ";
  std::string text;
  for (int i = 0; i < 200; ++i) text += "short " + std::to_string(i) + "\r\n";
  text += longLine + "\r\n" + accented + "\r\nlast";
  SetWindowText(e, text);
  ProcessPending();
  auto count = [&] { return static_cast<int>(SendMessage(e, EM_GETLINECOUNT)); };
  int wide = count();
  EXPECT_GT(wide, 200 + 4) << "the two long lines wrap";
  int last = static_cast<int>(text.size()) - 4;
  EXPECT_EQ(SendMessage(e, EM_LINEINDEX, wide - 1), last);
  EXPECT_EQ(SendMessage(e, EM_LINEFROMCHAR, last), wide - 1);
  EXPECT_EQ(SendMessage(e, EM_LINEINDEX, 200), static_cast<LRESULT>(text.find("wrapping")));
  EXPECT_LT(SendMessage(e, EM_LINEINDEX, 201), static_cast<LRESULT>(text.find("\xC3\xA9")))
      << "the long line's second shown line";
  // Narrower, the long lines take more shown lines; the short ones still one each.
  SetWindowPos(e, HWND{}, 10, 10, 150, 200, SWP_NOZORDER);
  ProcessPending();
  int narrow = count();
  EXPECT_GT(narrow, wide);
  EXPECT_EQ(SendMessage(e, EM_LINEINDEX, 200), static_cast<LRESULT>(text.find("wrapping")));
  EXPECT_EQ(SendMessage(e, EM_LINEINDEX, narrow - 1), last);
  SendMessage(e, EM_LINESCROLL, 0, 199);
  EXPECT_EQ(SendMessage(e, EM_GETFIRSTVISIBLELINE), 199);
}

// Text added at the very end (a growing log) is known line by line without
// a walk over the whole text: the answers are those of the same text set
// whole, wrapped or not, whatever breaks the added text has.
TEST_F(GuiEdit, TextAddedAtTheEndIsCountedAsTheSameTextSetWhole) {
  std::string longLine;
  for (int i = 0; i < 12; ++i) longLine += "wrapping words ";
  for (DWORD style : {DWORD(ES_MULTILINE | WS_VSCROLL), DWORD(ES_MULTILINE | WS_VSCROLL | ES_AUTOHSCROLL | WS_HSCROLL)}) {
    SCOPED_TRACE(style);
    std::string text;
    for (int i = 0; i < 300; ++i) text += "line " + std::to_string(i) + "\r\n";
    HWND e = MakeEdit(style, text);
    HWND fresh = MakeEdit(style);
    ASSERT_GT(SendMessage(e, EM_GETLINECOUNT), 300);  // the lines known before the additions
    const std::string added[] = {"next line\r\n", longLine + "\r\n", "no break", " yet, then LF\nCR\rCR LF\r\n",
                                 "\xC3\xA9t\xC3\xA9 " + longLine + "\r\n", ""};
    for (const std::string& more : added) {
      SCOPED_TRACE(more);
      const LRESULT length = SendMessage(e, WM_GETTEXTLENGTH);
      SendMessage(e, EM_SETSEL, static_cast<WPARAM>(length), length);
      SendMessage(e, EM_REPLACESEL, 0, reinterpret_cast<LPARAM>(more.c_str()));
      for (std::size_t i = 0; i < more.size(); ++i) {
        if (more[i] != '\r' && more[i] != '\n') {
          text += more[i];
          continue;
        }
        if (more[i] == '\r' && i + 1 < more.size() && more[i + 1] == '\n') ++i;
        text += "\r\n";
      }
      SetWindowText(fresh, text);
      ProcessPending();
      ASSERT_EQ(GetWindowText(e), GetWindowText(fresh));
      EXPECT_EQ(SendMessage(e, WM_GETTEXTLENGTH), static_cast<LRESULT>(text.size()));
      const LRESULT lines = SendMessage(fresh, EM_GETLINECOUNT);
      ASSERT_EQ(SendMessage(e, EM_GETLINECOUNT), lines);
      for (LRESULT i = 0; i < lines; ++i) {
        const LRESULT start = SendMessage(fresh, EM_LINEINDEX, static_cast<WPARAM>(i));
        ASSERT_EQ(SendMessage(e, EM_LINEINDEX, static_cast<WPARAM>(i)), start) << "line " << i;
        ASSERT_EQ(SendMessage(e, EM_LINELENGTH, static_cast<WPARAM>(start)),
                  SendMessage(fresh, EM_LINELENGTH, static_cast<WPARAM>(start)))
            << "line " << i;
      }
    }
    DestroyWindow(e);
    DestroyWindow(fresh);
  }
}

TEST_F(GuiEdit, CharFromPosAndPosFromCharAgreeWithTheCaret) {
  HWND e = MakeEdit(ES_MULTILINE | WS_VSCROLL | ES_AUTOHSCROLL, "first line\r\nsecond line\r\nthird");
  SendMessage(e, EM_SETSEL, 15, 15);  // "sec|ond"
  SetFocus(e);
  Point caret;
  ASSERT_TRUE(GetCaretPos(caret));
  LRESULT r = SendMessage(e, EM_CHARFROMPOS, 0, MAKELPARAM(caret.X, caret.Y + 2));
  EXPECT_EQ(LOWORD(static_cast<std::uintptr_t>(r)), 15);
  EXPECT_EQ(HIWORD(static_cast<std::uintptr_t>(r)), 1);
  LRESULT p = SendMessage(e, EM_POSFROMCHAR, 15);
  EXPECT_EQ(GET_X_LPARAM(p), caret.X);
  EXPECT_EQ(GET_Y_LPARAM(p), caret.Y);
  EXPECT_EQ(SendMessage(e, EM_CHARFROMPOS, 0, MAKELPARAM(-5, 400)), -1);
}

TEST_F(GuiEdit, ScrollingAndFirstVisibleLine) {
  std::string text;
  for (int i = 0; i < 100; ++i) text += "line " + std::to_string(i) + "\r\n";
  HWND e = MakeEdit(ES_MULTILINE | WS_VSCROLL | ES_AUTOHSCROLL, text);
  EXPECT_EQ(SendMessage(e, EM_GETFIRSTVISIBLELINE), 0);
  SendMessage(e, EM_LINESCROLL, 0, 40);
  EXPECT_EQ(SendMessage(e, EM_GETFIRSTVISIBLELINE), 40);
  LRESULT up = SendMessage(e, EM_SCROLL, SB_LINEUP);
  EXPECT_EQ(HIWORD(static_cast<std::uintptr_t>(up)), 1);
  EXPECT_EQ(SendMessage(e, EM_GETFIRSTVISIBLELINE), 39);
  SendMessage(e, EM_LINESCROLL, 0, -100);
  EXPECT_EQ(SendMessage(e, EM_GETFIRSTVISIBLELINE), 0);
  EXPECT_EQ(SendMessage(e, EM_SCROLL, SB_LINEUP), 0);  // nothing left to scroll
  // Selecting does not scroll.
  SendMessage(e, EM_SETSEL, 500, 500);
  EXPECT_EQ(SendMessage(e, EM_GETFIRSTVISIBLELINE), 0);
}

TEST_F(GuiEdit, ReplacingTheSelectionChangesOnlyItAndKeepsTheView) {
  std::string text;
  for (int i = 0; i < 100; ++i) text += "line " + std::to_string(i) + "\r\n";
  HWND e = MakeEdit(ES_MULTILINE | WS_VSCROLL | ES_AUTOHSCROLL | ES_READONLY, text);
  SendMessage(e, EM_LINESCROLL, 0, 40);
  auto at = static_cast<int>(SendMessage(e, EM_LINEINDEX, 42));
  SendMessage(e, EM_SETSEL, static_cast<WPARAM>(at), at + 7);
  notes_.clear();
  SendMessage(e, EM_REPLACESEL, 0, reinterpret_cast<LPARAM>("new\nlines"));
  std::string expected = text;
  expected.replace(static_cast<std::size_t>(at), 7, "new\r\nlines");
  EXPECT_EQ(GetWindowText(e), expected) << "a read-only edit takes it too";
  ExpectLinesMatchText(e, "after replacing");
  EXPECT_EQ(Sel(e), std::make_pair(at + 10, at + 10)) << "the caret after the new text";
  EXPECT_EQ(SendMessage(e, EM_GETFIRSTVISIBLELINE), 40);
  EXPECT_EQ(std::count(notes_.begin(), notes_.end(), EN_CHANGE), 1);
  // A caret out of the view is brought into it.
  SendMessage(e, EM_SETSEL, 0, 4);
  SendMessage(e, EM_REPLACESEL, 0, reinterpret_cast<LPARAM>("LINE"));
  EXPECT_EQ(SendMessage(e, EM_GETFIRSTVISIBLELINE), 0);

  // The new bytes come back as they were given, whatever the text's encoding.
  HWND c = MakeEdit(ES_MULTILINE | ES_AUTOHSCROLL, "caf\xE9\r\nx");
  SendMessage(c, EM_SETSEL, 6, 7);
  SendMessage(c, EM_REPLACESEL, 0, reinterpret_cast<LPARAM>("\xC3\xA9"));
  EXPECT_EQ(GetWindowText(c), "caf\xE9\r\n\xC3\xA9");
  HWND u = MakeEdit(ES_MULTILINE | WS_VSCROLL | ES_AUTOHSCROLL, expected);
  SendMessage(u, EM_LINESCROLL, 0, 40);
  SendMessage(u, EM_SETSEL, static_cast<WPARAM>(at), at + 3);
  notes_.clear();
  SendMessage(u, EM_REPLACESEL, 0, reinterpret_cast<LPARAM>("na\xEFve"));
  expected.replace(static_cast<std::size_t>(at), 3, "na\xEFve");
  EXPECT_EQ(GetWindowText(u), expected);
  ExpectLinesMatchText(u, "after replacing with bytes that are no UTF-8");
  EXPECT_EQ(Sel(u), std::make_pair(at + 5, at + 5));
  EXPECT_EQ(SendMessage(u, EM_GETFIRSTVISIBLELINE), 40);
  EXPECT_EQ(std::count(notes_.begin(), notes_.end(), EN_CHANGE), 1);
  HWND l = MakeEdit(ES_AUTOHSCROLL, "abc");
  SendMessage(l, EM_SETSEL, 1, 2);
  SendMessage(l, EM_REPLACESEL, 0, reinterpret_cast<LPARAM>("\xE9\r\n"));
  EXPECT_EQ(GetWindowText(l), "a\xE9""c") << "a single line takes no breaks";
  EXPECT_EQ(Sel(l), std::make_pair(2, 2));
}

TEST_F(GuiEdit, NonUtf8TextKeepsItsEncoding) {
  std::string cp1252 = "caf\xE9";  // "café" in Windows-1252
  HWND e = MakeEdit(ES_AUTOHSCROLL, cp1252);
  EXPECT_EQ(GetWindowText(e), cp1252);
  EXPECT_EQ(SendMessage(e, WM_GETTEXTLENGTH), 4);
  HWND u = MakeEdit(ES_AUTOHSCROLL, "caf\xC3\xA9");
  EXPECT_EQ(SendMessage(u, WM_GETTEXTLENGTH), 5);
  SendMessage(u, EM_SETSEL, 0, -1);
  EXPECT_EQ(Sel(u), std::make_pair(0, 5));
}

TEST_F(GuiEdit, CueBannerAndStylesAreKept) {
  HWND e = MakeEdit(ES_AUTOHSCROLL | ES_UPPERCASE);
  EXPECT_TRUE(SendMessage(e, EM_SETCUEBANNER, 0, reinterpret_cast<LPARAM>("Type here")));
  char buf[32] = {};
  EXPECT_TRUE(SendMessage(e, EM_GETCUEBANNER, reinterpret_cast<WPARAM>(buf), sizeof buf));
  EXPECT_STREQ(buf, "Type here");
  SetFocus(e);
  test::TypeText("ab");
  EXPECT_EQ(GetWindowText(e), "AB");
  EXPECT_EQ(SendMessage(e, WM_GETDLGCODE) & DLGC_WANTALLKEYS, 0);
}

TEST_F(GuiEdit, FocusMessagesAndNotifications) {
  std::vector<UINT> seen;
  HWND a = MakeEdit(ES_AUTOHSCROLL, "", [&](HWND h, UINT m, WPARAM wp, LPARAM lp) -> LRESULT {
    if (m == WM_SETFOCUS || m == WM_KILLFOCUS) seen.push_back(m);
    return DefWindowProc(h, m, wp, lp);
  });
  HWND b = MakeEdit(ES_AUTOHSCROLL);
  SetWindowPos(b, HWND{}, 10, 60, 300, 24, SWP_NOZORDER);
  notes_.clear();
  SetFocus(a);
  SetFocus(b);
  EXPECT_EQ(seen, (std::vector<UINT>{WM_SETFOCUS, WM_KILLFOCUS}));
  EXPECT_EQ(std::count(notes_.begin(), notes_.end(), EN_SETFOCUS), 2);
  EXPECT_EQ(std::count(notes_.begin(), notes_.end(), EN_KILLFOCUS), 1);
  EXPECT_EQ(GetFocus(), b);
  // A click gives the focus back to the first edit.
  Rect r;
  GetWindowRect(a, r);
  test::Click(Point{r.Left + 20, r.Top + 10});
  EXPECT_EQ(GetFocus(), a);
  DestroyWindow(a);  // its procedure records into this test's locals
}

TEST_F(GuiEdit, ReadOnlyAndDisabledEditsAskForTheStaticColours) {
  std::vector<std::pair<UINT, LPARAM>> asked;
  UniqueGdi<HBRUSH> yellow(CreateSolidBrush(RGB(255, 255, 0)));
  bool answer = true;
  HWND parent = TopLevel(50, 50, 200, 100, [&](HWND h, UINT m, WPARAM wp, LPARAM lp) -> LRESULT {
    if (m == WM_CTLCOLOREDIT || m == WM_CTLCOLORSTATIC) {
      asked.emplace_back(m, lp);
      if (m == WM_CTLCOLORSTATIC && answer) {
        SetTextColor(FromParam<HDC>(wp), RGB(0, 0, 255));
        return ToLParam(yellow.get());
      }
    }
    return DefWindowProc(h, m, wp, lp);
  });
  ShowWindow(parent, SW_SHOW);
  HWND e = SmallEdit(parent, ES_READONLY, "Fixed");
  auto shot = [&] {
    HBITMAP bmp = test::CaptureWindow(e);
    std::vector<std::uint32_t> px = GetBitmapPixels(bmp);
    DeleteObject(bmp);
    for (std::uint32_t& v : px) v &= 0xFFFFFF;  // 0x00RRGGBB
    return px;
  };
  auto rgb = [](COLORREF c) -> std::uint32_t { return GetRValue(c) << 16 | GetGValue(c) << 8 | GetBValue(c); };
  std::vector<std::uint32_t> px = shot();
  ASSERT_EQ(px.size(), 2000u);
  EXPECT_EQ(px[5 * 100 + 90], 0xFFFF00u) << "the brush answered is the background";
  EXPECT_GT(std::count(px.begin(), px.end(), 0x0000FFu), 0) << "the text colour set is the text's";
  ASSERT_FALSE(asked.empty());
  EXPECT_EQ(asked.back(), (std::pair<UINT, LPARAM>{WM_CTLCOLORSTATIC, ToLParam(e)}));
  EXPECT_EQ(std::count_if(asked.begin(), asked.end(), [](auto& a) { return a.first == WM_CTLCOLOREDIT; }), 0);
  // Writable again: the edit colours, left to DefWindowProc here.
  asked.clear();
  SendMessage(e, EM_SETREADONLY, 0, 0);
  px = shot();
  EXPECT_EQ(px[5 * 100 + 90], rgb(GetSysColor(COLOR_WINDOW)));
  ASSERT_FALSE(asked.empty());
  EXPECT_EQ(asked.back().first, WM_CTLCOLOREDIT);
  // Disabled: the static colours again; unanswered, DefWindowProc's are
  // the face colour.
  answer = false;
  asked.clear();
  EnableWindow(e, false);
  px = shot();
  EXPECT_EQ(px[5 * 100 + 90], rgb(GetSysColor(COLOR_BTNFACE)));
  ASSERT_FALSE(asked.empty());
  EXPECT_EQ(asked.back().first, WM_CTLCOLORSTATIC);
  DestroyWindow(parent);
}

TEST_F(GuiEdit, EditsCreatedDisabledTakeNoInputAndDrawTheirTextGrey) {
  for (DWORD kind : {DWORD{ES_AUTOHSCROLL}, DWORD{ES_MULTILINE}}) {
    SCOPED_TRACE(kind == ES_MULTILINE ? "multi-line" : "single-line");
    HWND e = MakeEdit(WS_DISABLED | kind, "Labels");
    Point p{40, 10};
    ClientToScreen(e, p);
    test::Click(p);
    EXPECT_NE(GetFocus(), e) << "a click gives it no focus";
    // Inside the frame: the text in the grey of disabled text; nothing in
    // the normal text colour, no caret either.
    HBITMAP bmp = test::CaptureWindow(e);
    std::vector<std::uint32_t> px = GetBitmapPixels(bmp);
    DeleteObject(bmp);
    int grey = 0, black = 0;
    int height = static_cast<int>(px.size()) / 300;
    for (int y = 2; y < height - 2; ++y)
      for (int x = 2; x < 298; ++x) {
        std::uint32_t v = px[static_cast<std::size_t>(y * 300 + x)] & 0xFFFFFF;
        grey += v == 0x808080u;
        black += v == 0u;
      }
    EXPECT_GT(grey, 20);
    EXPECT_EQ(black, 0);
    test::TypeText("x");
    EXPECT_FALSE(test::ToolkitMenuOpensAt(p)) << "no menu to paste with";
    EXPECT_EQ(GetWindowText(e), "Labels");
    // Enabled, the same edit takes the click and offers the toolkit's menu.
    EnableWindow(e, true);
    test::Click(p);
    EXPECT_EQ(GetFocus(), e);
    EXPECT_TRUE(test::ToolkitMenuOpensAt(p));
    DestroyWindow(e);
    ProcessPending();
  }
}

TEST_F(GuiEdit, ColoursComeFromTheParent) {
  HWND e{};
  UniqueGdi<HBRUSH> yellow(CreateSolidBrush(RGB(255, 255, 0)));
  HWND parent = TopLevel(50, 50, 200, 100, [&](HWND h, UINT m, WPARAM wp, LPARAM lp) -> LRESULT {
    if (m == WM_CTLCOLOREDIT) {
      SetTextColor(FromParam<HDC>(wp), RGB(0, 0, 255));
      return ToLParam(yellow.get());
    }
    return DefWindowProc(h, m, wp, lp);
  });
  ShowWindow(parent, SW_SHOW);
  e = SmallEdit(parent, 0);
  HBITMAP shot = test::CaptureWindow(e);
  std::vector<std::uint32_t> px = GetBitmapPixels(shot);
  DeleteObject(shot);
  ASSERT_FALSE(px.empty());
  EXPECT_EQ(px[static_cast<std::size_t>(5 * 100 + 90)], 0xFFFF00u);  // 0x00RRGGBB: yellow background
  DestroyWindow(parent);
}

}  // namespace
