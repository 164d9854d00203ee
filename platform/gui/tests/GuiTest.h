#pragma once
// Shared set-up of the window-layer tests: the off-screen test environment
// once per process, windows with recorded messages, pixel helpers.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <functional>
#include <string>
#include <vector>

#include "platform/gui/App.h"
#include "platform/gui/Gdi.h"
#include "platform/gui/Images.h"
#include "platform/gui/Screen.h"
#include "platform/gui/TestSupport.h"
#include "platform/gui/Window.h"

namespace guitest {

class GuiEnvironment : public ::testing::Environment {
public:
  void SetUp() override { gui::test::UseTestEnvironment(); }
  void TearDown() override { gui::Shutdown(); }
};

inline ::testing::Environment* const kGuiEnv = ::testing::AddGlobalTestEnvironment(new GuiEnvironment);

class GuiTest : public ::testing::Test {
protected:
  void SetUp() override { gui::test::UseTestEnvironment(); }
  void TearDown() override {
    for (gui::HWND h : created_)
      if (gui::IsWindow(h)) gui::DestroyWindow(h);
    gui::ProcessPending();
  }

  // A top-level popup window (no frame from the desktop) at a screen position.
  gui::HWND TopLevel(int x, int y, int w, int h, gui::WindowProc proc = {}, gui::DWORD style = 0,
                     gui::DWORD exStyle = 0) {
    gui::CreateParams p;
    p.style = gui::WS_POPUP | style;
    p.exStyle = exStyle;
    p.x = x;
    p.y = y;
    p.width = w;
    p.height = h;
    p.proc = std::move(proc);
    p.background = gui::GetSysColorBrush(gui::COLOR_BTNFACE);
    gui::HWND hwnd = gui::CreateWindow(p);
    created_.push_back(hwnd);
    return hwnd;
  }

  gui::HWND Child(gui::HWND parent, int x, int y, int w, int h, gui::WindowProc proc = {}, gui::DWORD style = 0,
                  gui::DWORD exStyle = 0, const std::string& className = "") {
    gui::CreateParams p;
    p.className = className;
    p.style = gui::WS_CHILD | gui::WS_VISIBLE | style;
    p.exStyle = exStyle;
    p.x = x;
    p.y = y;
    p.width = w;
    p.height = h;
    p.parent = parent;
    p.proc = std::move(proc);
    return gui::CreateWindow(p);
  }

  std::vector<gui::HWND> created_;
};

// A memory context with a colour bitmap of w x h, filled white.
class Canvas {
public:
  Canvas(int w, int h, int bits = 32) : w_(w), h_(h) {
    dc_ = gui::CreateCompatibleDC(gui::HDC{});
    bmp_ = gui::CreateBitmap(w, h, 1, bits, nullptr);
    old_ = gui::SelectObject(dc_, bmp_);
    gui::Rect r{0, 0, w, h};
    gui::FillRect(dc_, r, gui::GetStockBrush(gui::WHITE_BRUSH));
  }
  ~Canvas() {
    gui::SelectObject(dc_, old_);
    gui::DeleteObject(bmp_);
    gui::DeleteDC(dc_);
  }
  gui::HDC dc() const { return dc_; }
  gui::HBITMAP bitmap() const { return bmp_; }
  gui::COLORREF At(int x, int y) const { return gui::GetPixel(dc_, x, y); }
  // One character per pixel of a row: '#' for black, '.' for white, '?' else.
  std::string Row(int y, int x0 = 0, int x1 = -1) const {
    std::string s;
    if (x1 < 0) x1 = w_;
    for (int x = x0; x < x1; ++x) {
      gui::COLORREF c = At(x, y);
      s += c == 0 ? '#' : c == 0xFFFFFF ? '.' : '?';
    }
    return s;
  }
  int CountColor(gui::COLORREF c) const {
    int n = 0;
    for (int y = 0; y < h_; ++y)
      for (int x = 0; x < w_; ++x)
        if (At(x, y) == c) ++n;
    return n;
  }

private:
  int w_, h_;
  gui::HDC dc_{};
  gui::HBITMAP bmp_{};
  gui::HBITMAP old_{};
};

// Saves what a canvas holds as gui-pictures/<name> (beside the test
// programs), for looking at.
inline bool SaveCanvasPng(const Canvas& c, const std::string& name) {
  mkdir("gui-pictures", 0755);
  return gui::SaveBitmapToFile(c.bitmap(), "gui-pictures/" + name);
}

}  // namespace guitest
