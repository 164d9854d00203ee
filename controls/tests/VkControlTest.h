#pragma once
// Shared helpers of the framed controls' tests.
#include <cstdlib>
#include <string>

#include "class_library/visual/Forms.h"
#include "class_library/visual/tests/VisualTest.h"

namespace vistest {

// With TW_CONTROLS_PNG set to a directory, writes what the form shows to
// <dir>/<Name>.png (to look at while working on a control's look).
inline void SaveShot(TForm* Form, const std::string& Name) {
  if (const char* dir = std::getenv("TW_CONTROLS_PNG")) gui::test::SaveWindowPng(Form->Handle(), std::string(dir) + "/" + Name + ".png");
}

// Whether any pixel of the rectangle (form client coordinates) has Colour.
inline bool AnyPixel(const Picture& P, TRect R, std::uint32_t Colour) {
  for (int y = R.Top; y < R.Bottom; ++y)
    for (int x = R.Left; x < R.Right; ++x)
      if (P.At(x, y) == Colour) return true;
  return false;
}

}  // namespace vistest
