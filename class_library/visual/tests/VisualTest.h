#pragma once
// Shared set-up of the visual-class tests: the window layer's off-screen test
// environment (fixed screen, classic colours, no antialiasing), started once
// per process through the application's start-up, and pixel helpers.
#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <string>

#include "class_library/loop/Application.h"
#include "class_library/visual/Forms.h"
#include "class_library/visual/VisualApplication.h"
#include "platform/gui/App.h"
#include "platform/gui/TestSupport.h"

namespace vistest {

class Environment : public ::testing::Environment {
public:
  void SetUp() override {
    gui::test::UseTestEnvironment();
    Application()->Initialize();
    visual::EnsureVisualApplication();
  }
  void TearDown() override { visual::ShutdownWindowLayer(); }
};

inline ::testing::Environment* const kEnvironment = ::testing::AddGlobalTestEnvironment(new Environment);

// Runs the loop until Done answers true or the time is up; answers Done().
inline bool PumpUntil(const std::function<bool()>& Done, std::chrono::milliseconds Limit = std::chrono::seconds(2)) {
  auto until = std::chrono::steady_clock::now() + Limit;
  while (!Done() && std::chrono::steady_clock::now() < until) {
    Application()->ProcessMessages();
    if (!Done()) Application()->HandleMessage();
  }
  return Done();
}

inline void Pump() {
  for (int i = 0; i < 3; ++i) Application()->ProcessMessages();
}

// A pixel as 0x00RRGGBB from a COLORREF-style TColor.
inline std::uint32_t Rgb(TColor c) {
  gui::COLORREF r = ColorToRef(c);
  return (gui::GetRValue(r) << 16) | (gui::GetGValue(r) << 8) | gui::GetBValue(r);
}

// What a window shows, pixel by pixel (0x00RRGGBB).
class Picture {
public:
  explicit Picture(gui::HWND Window) {
    gui::HBITMAP bmp = gui::test::CaptureWindow(Window);
    gui::BitmapInfo info;
    gui::GetBitmapInfo(bmp, info);
    width_ = info.bmWidth;
    height_ = info.bmHeight;
    pixels_ = gui::GetBitmapPixels(bmp);
    gui::DeleteObject(bmp);
  }
  int Width() const { return width_; }
  int Height() const { return height_; }
  std::uint32_t At(int x, int y) const { return pixels_.at(static_cast<std::size_t>(y * width_ + x)) & 0xFFFFFF; }

private:
  int width_ = 0, height_ = 0;
  std::vector<std::uint32_t> pixels_;
};

// A form for a test, freed at the end of the test.
class FormTest : public ::testing::Test {
protected:
  void SetUp() override {
    form = new TForm(nullptr);
    form->SetBorderStyle(bsNone);
    form->PlaceBounds(100, 100, 200, 150);
  }
  void TearDown() override {
    delete form;
    Pump();
  }
  TForm* form = nullptr;
};

}  // namespace vistest
