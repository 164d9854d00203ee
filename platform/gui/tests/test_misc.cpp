// Visual styles, the screen's context, message boxes, popup menus, images,
// the clipboard and the shell's opener.
#include <cstdlib>
#include <fstream>

#include "platform/gui/Clipboard.h"
#include "platform/gui/Dialogs.h"
#include "platform/gui/Images.h"
#include "platform/gui/Menu.h"
#include "platform/gui/Shell.h"
#include "platform/gui/Theme.h"
#include "platform/gui/tests/GuiTest.h"
#include "platform/system/MessageBox.h"

using namespace gui;
using guitest::Canvas;

namespace {

class GuiMisc : public guitest::GuiTest {
protected:
  void TearDown() override {
    SetVisualStylesEnabled(false);
    GuiTest::TearDown();
  }
};

TEST_F(GuiMisc, VisualStylesAreOffUntilSwitchedOn) {
  EXPECT_FALSE(IsThemeActive());
  EXPECT_TRUE(IsNull(OpenThemeData(HWND{}, "BUTTON")));
  SetVisualStylesEnabled(true);
  HTHEME button = OpenThemeData(HWND{}, "BUTTON");
  HTHEME combo = OpenThemeData(HWND{}, "Unknown;COMBOBOX");
  ASSERT_FALSE(IsNull(button));
  ASSERT_FALSE(IsNull(combo));
  EXPECT_TRUE(IsNull(OpenThemeData(HWND{}, "TREEVIEW")));
  Canvas c(120, 30);
  EXPECT_TRUE(DrawThemeBackground(button, c.dc(), BP_PUSHBUTTON, PBS_HOT, Rect{0, 0, 80, 24}, nullptr));
  EXPECT_EQ(c.At(40, 0), RGB(60, 127, 177));  // the hot border
  EXPECT_EQ(c.At(0, 0), 0xFFFFFFu);           // soft corner
  // The drop button's arrow covers the middle of a 16 x 20 button (where the
  // controls take its colour from).
  Canvas d(17, 21);
  DrawThemeBackground(combo, d.dc(), CP_DROPDOWNBUTTON, CBXS_NORMAL, Rect{0, 0, 16, 20}, nullptr);
  EXPECT_EQ(d.At(8, 10), RGB(77, 97, 133));
  COLORREF col = 0;
  HTHEME bar = OpenThemeData(HWND{}, "EXPLORERBAR");
  EXPECT_TRUE(GetThemeColor(bar, 0, 2, TMT_GRADIENTCOLOR1, col));
  EXPECT_TRUE(GetThemeColor(bar, EBP_SPECIALGROUPHEAD, 1, TMT_FILLCOLOR, col));
  EXPECT_FALSE(GetThemeColor(button, BP_PUSHBUTTON, PBS_NORMAL, TMT_GRADIENTCOLOR1, col));
  Canvas all(330, 60);
  for (int s = PBS_NORMAL; s <= PBS_DEFAULTED; ++s)
    DrawThemeBackground(button, all.dc(), BP_PUSHBUTTON, s, Rect{(s - 1) * 65, 0, (s - 1) * 65 + 60, 24}, nullptr);
  DrawThemeBackground(combo, all.dc(), CP_DROPDOWNBUTTON, CBXS_PRESSED, Rect{0, 30, 17, 51}, nullptr);
  HTHEME status = OpenThemeData(HWND{}, "STATUS");
  DrawThemeBackground(status, all.dc(), 0, 0, Rect{30, 30, 330, 52}, nullptr);
  DrawThemeBackground(status, all.dc(), SP_GRIPPER, 0, Rect{300, 32, 330, 52}, nullptr);
  EXPECT_TRUE(guitest::SaveCanvasPng(all, "themed-parts.png"));
}

TEST_F(GuiMisc, ParentBackgroundIsPaintedIntoTheChildsContext) {
  std::vector<UINT> seen;
  Point origin{-1, -1};
  HWND parent = TopLevel(0, 0, 200, 200, [&](HWND h, UINT m, WPARAM wp, LPARAM lp) -> LRESULT {
    if (m == WM_ERASEBKGND || m == WM_PRINTCLIENT) {
      seen.push_back(m);
      GetViewportOrgEx(FromParam<HDC>(wp), origin);
      if (m == WM_PRINTCLIENT) FillRect(FromParam<HDC>(wp), Rect{0, 0, 200, 200}, GetStockBrush(BLACK_BRUSH));
      return 1;
    }
    return DefWindowProc(h, m, wp, lp);
  });
  ShowWindow(parent, SW_SHOW);
  HWND child = Child(parent, 30, 40, 50, 50);
  ProcessPending();
  seen.clear();
  HDC dc = GetDC(child);
  EXPECT_TRUE(DrawThemeParentBackground(child, dc, nullptr));
  EXPECT_EQ(seen, (std::vector<UINT>{WM_ERASEBKGND, WM_PRINTCLIENT}));
  EXPECT_EQ(origin, (Point{-30, -40}));
  EXPECT_EQ(GetPixel(dc, 10, 10), 0u);
  Point after;
  GetViewportOrgEx(dc, after);
  EXPECT_EQ(after, (Point{0, 0}));
  ReleaseDC(child, dc);
  DestroyWindow(parent);
}

TEST_F(GuiMisc, ScreenContextInvertsOverTheWindowsBelow) {
  HWND w = TopLevel(300, 300, 100, 100);
  ShowWindow(w, SW_SHOW);
  ProcessPending();
  Canvas marker(10, 10);
  FillRect(marker.dc(), Rect{0, 0, 10, 10}, GetStockBrush(BLACK_BRUSH));
  HDC screen = GetDC(HWND{});
  HDC wdc = GetDC(w);
  COLORREF before = GetPixel(wdc, 15, 15);
  BitBlt(screen, 310, 310, 10, 10, marker.dc(), 0, 0, DSTINVERT);
  EXPECT_EQ(GetPixel(wdc, 15, 15), ~before & 0xFFFFFF);
  BitBlt(screen, 310, 310, 10, 10, marker.dc(), 0, 0, DSTINVERT);  // drawn twice: gone
  EXPECT_EQ(GetPixel(wdc, 15, 15), before);
  ReleaseDC(w, wdc);
  ReleaseDC(HWND{}, screen);
}

TEST_F(GuiMisc, MessageBoxesCanBeAnsweredAndServeTheSystemLayer) {
  std::string asked;
  SetMessageBoxAnswerer([&](const std::string& text, const std::string& caption, UINT type) {
    asked = caption + "|" + text + "|" + std::to_string(type & 0xF);
    return IDYES;
  });
  EXPECT_EQ(MessageBox(HWND{}, "Are you sure?", "WARNING!!!!", MB_YESNO), IDYES);
  EXPECT_EQ(asked, "WARNING!!!!|Are you sure?|4");
  InstallMessageBoxSink(true);
  EXPECT_EQ(sys::ShowMessageBox("Title", "Question", sys::mbConfirmation, sys::mbYes | sys::mbNo), sys::mbYes);
  EXPECT_EQ(asked, "Title|Question|4");
  std::string plain;
  SetMessageBoxAnswerer([&](const std::string&, const std::string&, UINT type) {
    plain = std::to_string(type & 0xF) + "|" + std::to_string(type & 0xF0);
    return IDNO;
  });
  EXPECT_EQ(sys::ShowMessageBox("WARNING!!!!", "Sure?", sys::mbPlain, sys::mbYes | sys::mbNo), sys::mbNo);
  EXPECT_EQ(plain, "4|0") << "Yes and No without an icon";
  InstallMessageBoxSink(false);
  SetMessageBoxAnswerer({});
}

TEST_F(GuiMisc, RealMessageBoxRunsTheLoopUntilAnswered) {
  // A window timer answers the box with Escape while its modal loop runs.
  HWND w = TopLevel(0, 0, 50, 50, [](HWND h, UINT m, WPARAM wp, LPARAM lp) -> LRESULT {
    if (m == WM_TIMER) {
      KillTimer(h, 1);
      test::KeyToModalDialog(VK_ESCAPE);
      return 0;
    }
    return DefWindowProc(h, m, wp, lp);
  });
  ShowWindow(w, SW_SHOW);
  SetTimer(w, 1, 30);
  EXPECT_EQ(MessageBox(w, "Proceed?", "Question", MB_YESNO | MB_ICONQUESTION), IDNO);
  SetTimer(w, 1, 30);
  EXPECT_EQ(MessageBox(w, "Done.", "Note", MB_OK), IDOK);
}

TEST_F(GuiMisc, PopupMenusKeepTheirItems) {
  HMENU m = CreatePopupMenu();
  HMENU sub = CreatePopupMenu();
  EXPECT_TRUE(AppendMenuItem(m, MF_STRING | MF_CHECKED, 10, "&Log Info"));
  EXPECT_TRUE(AppendMenuItem(m, MF_SEPARATOR, 0, ""));
  EXPECT_TRUE(AppendMenuItem(m, MF_STRING | MF_GRAYED, 11, "Setup"));
  EXPECT_TRUE(AppendMenuItem(m, MF_POPUP, static_cast<std::uintptr_t>(sub), "More"));
  EXPECT_EQ(GetMenuItemCount(m), 4);
  EXPECT_TRUE(DestroyMenu(m));
  EXPECT_EQ(GetMenuItemCount(sub), -1);  // destroyed with its parent
}

TEST_F(GuiMisc, ImagesLoadAndSave) {
  Canvas c(4, 3);
  SetPixel(c.dc(), 1, 1, RGB(10, 20, 30));
  std::vector<std::uint8_t> bmp = SaveBitmapToMemory(c.bitmap(), "BMP");
  ASSERT_FALSE(bmp.empty());
  EXPECT_EQ(bmp[0], 'B');
  HBITMAP back = LoadBitmapFromMemory(bmp);
  ASSERT_FALSE(IsNull(back));
  std::vector<std::uint32_t> px = GetBitmapPixels(back);
  ASSERT_EQ(px.size(), 12u);
  EXPECT_EQ(px[5], 0x0A141Eu);  // 0x00RRGGBB
  DeleteObject(back);
  EXPECT_TRUE(IsNull(LoadBitmapFromMemory({1, 2, 3, 4})));  // not an image
  HICON icon = LoadIconFromMemory(SaveBitmapToMemory(c.bitmap(), "PNG"));
  ASSERT_FALSE(IsNull(icon));
  EXPECT_EQ(GetIconSize(icon), (Size{4, 3}));
  DestroyIcon(icon);
}

TEST_F(GuiMisc, ClipboardHoldsText) {
  ClipboardSetText("caf\xC3\xA9");
  EXPECT_TRUE(ClipboardHasText());
  EXPECT_EQ(ClipboardGetText(), "caf\xC3\xA9");
  ClipboardSetText("caf\xE9");  // Windows-1252 comes back as UTF-8
  EXPECT_EQ(ClipboardGetText(), "caf\xC3\xA9");
}

TEST_F(GuiMisc, ShellOpenStartsTheOpenerWithoutAShell) {
  std::string dir = ::testing::TempDir();
  std::string script = dir + "/opener.sh", log = dir + "/opened.txt";
  {
    std::ofstream s(script);
    s << "#!/bin/sh\nprintf '%s' \"$1\" > '" << log << "'\n";
  }
  ASSERT_EQ(std::system(("chmod +x '" + script + "'").c_str()), 0);
  setenv("TW_SHELL_OPENER", script.c_str(), 1);
  EXPECT_TRUE(ShellOpen("https://example.org/a?b=1;c=$(x)"));
  std::ifstream in(log);
  std::string got((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  EXPECT_EQ(got, "https://example.org/a?b=1;c=$(x)");  // passed as one argument, nothing expanded
  setenv("TW_SHELL_OPENER", "/bin/false", 1);
  EXPECT_FALSE(ShellOpen("file.htm"));
  unsetenv("TW_SHELL_OPENER");
  EXPECT_FALSE(ShellOpen(""));
}

}  // namespace
