#pragma once
// Pixel helpers of the drawing tests: a bitmap canvas and its pixels as TColor.
#include "class_library/visual/Bitmap.h"
#include "class_library/visual/tests/VisualTest.h"

namespace ctltest {

// A bitmap of W x H filled with Background, drawn on through Canvas().
class Surface {
public:
  Surface(int W, int H, TColor Background = clWhite) {
    bitmap_.SetSize(W, H);
    bitmap_.Canvas()->Brush()->SetColor(Background);
    bitmap_.Canvas()->FillRect(Rect(0, 0, W, H));
  }
  TCanvas* Canvas() { return bitmap_.Canvas(); }
  TBitmap* Bitmap() { return &bitmap_; }
  int Width() const { return bitmap_.Width(); }
  int Height() const { return bitmap_.Height(); }
  // The pixel as a TColor ($00BBGGRR).
  TColor At(int X, int Y) {
    std::uint32_t p = bitmap_.Pixels().at(static_cast<std::size_t>(Y * bitmap_.Width() + X));
    return static_cast<TColor>(((p >> 16) & 0xFF) | (p & 0xFF00) | ((p & 0xFF) << 16));
  }
  std::vector<TColor> All() {
    std::vector<TColor> out;
    for (std::uint32_t p : bitmap_.Pixels())
      out.push_back(static_cast<TColor>(((p >> 16) & 0xFF) | (p & 0xFF00) | ((p & 0xFF) << 16)));
    return out;
  }
  // One character per pixel of a row, from a legend of colours.
  std::string Row(int Y, std::initializer_list<std::pair<TColor, char>> Legend) {
    std::string s;
    for (int x = 0; x < Width(); ++x) {
      TColor c = At(x, Y);
      char ch = '?';
      for (auto [color, mark] : Legend)
        if (ColorToRGB(color) == c) {
          ch = mark;
          break;
        }
      s += ch;
    }
    return s;
  }
  void Save(const std::string& Path) { bitmap_.SaveToFile(Path); }

private:
  TBitmap bitmap_;
};

}  // namespace ctltest
