// Small glyphs: the drop-down and scroll arrows and the close cross.
#include <vector>

#include "class_library/visual/Themes.h"
#include "controls/VkColors.h"
#include "controls/VkDraw.h"

namespace {

// Saves the brush colour and clears the pen for the glyph; restores a solid
// pen and the brush colour at the end.
class GlyphScope {
public:
  explicit GlyphScope(TCanvas* Canvas) : canvas_(Canvas), brush_(Canvas->Brush()->Color()) {
    canvas_->Pen()->SetStyle(psClear);
  }
  ~GlyphScope() {
    canvas_->Pen()->SetStyle(psSolid);
    canvas_->Brush()->SetColor(brush_);
  }
  GlyphScope(const GlyphScope&) = delete;
  GlyphScope& operator=(const GlyphScope&) = delete;

private:
  TCanvas* canvas_;
  TColor brush_;
};

// The glyph's centre: the middle, one row up when the height is even.
TPoint Centre(const TRect& R) {
  int h = R.Bottom - R.Top;
  return Point(R.Left + (R.Right - R.Left) / 2, R.Top + h / 2 - (h % 2 == 0 ? 1 : 0));
}

// The arrow colour of the visual style: a pixel of the themed drop-down
// button, unless it is too close to the window colour to show.
TColor ThemedGlyphColor() {
  TBitmap sample;
  sample.SetSize(17, 21);
  TThemeServices* theme = ThemeServices();
  theme->DrawElement(sample.Canvas()->Handle(),
                     theme->GetElementDetails("COMBOBOX", gui::CP_DROPDOWNBUTTON, gui::CBXS_NORMAL), Rect(0, 0, 16, 20));
  TColor c = sample.Canvas()->Pixel(8, 10);
  if (c == -1 || ColorsLookAlike(c, clWindow)) return cl3DDkShadow;
  return c;
}

TColor ArrowColor(TCanvas* Canvas, bool Themed, bool Enabled) {
  if (!Enabled) return clBtnShadow;
  if (Themed) return ThemedGlyphColor();
  return ColorsLookAlike(Canvas->Brush()->Color(), clBlack) ? cl3DDkShadow : clBlack;
}

void HLine(TCanvas* C, int X1, int X2, int Y, TColor Color) {
  for (int x = X1; x <= X2; ++x) C->SetPixel(x, Y, Color);
}
void VLine(TCanvas* C, int X, int Y1, int Y2, TColor Color) {
  for (int y = Y1; y <= Y2; ++y) C->SetPixel(X, y, Color);
}

}  // namespace

void PaintDropDownArrow(TCanvas* Canvas, const TRect& Rect, bool Themed, bool Enabled) {
  TColor color = ArrowColor(Canvas, Themed, Enabled);
  GlyphScope scope(Canvas);
  TPoint c = Centre(Rect);
  int cx = c.X, cy = c.Y + (Themed ? 4 : 2);
  if (Themed) {
    TPoint pts[] = {Point(cx, cy),         Point(cx - 4, cy - 5), Point(cx - 3, cy - 7),
                    Point(cx, cy - 3),     Point(cx + 3, cy - 7), Point(cx + 5, cy - 5)};
    Canvas->Brush()->SetColor(color);
    Canvas->Polygon(pts);
    return;
  }
  Canvas->SetPixel(cx, cy, color);
  for (int i = 1; i <= 3; ++i) HLine(Canvas, cx - i, cx + i, cy - i, color);
}

void PaintScrollArrow(TCanvas* Canvas, const TRect& Rect, bool Themed, bool Enabled, int Direction) {
  TColor color = ArrowColor(Canvas, Themed, Enabled);
  GlyphScope scope(Canvas);
  TPoint c = Centre(Rect);
  int cx = c.X, cy = c.Y;
  if (Direction == 0 || Direction == 1)
    cy += 1;
  else
    cx -= 2;
  switch (Direction) {
    case 0:  // up
      Canvas->SetPixel(cx, cy - 3, color);
      for (int i = 1; i <= 3; ++i) HLine(Canvas, cx - i, cx + i, cy - 3 + i, color);
      break;
    case 1:  // down
      Canvas->SetPixel(cx, cy, color);
      for (int i = 1; i <= 3; ++i) HLine(Canvas, cx - i, cx + i, cy - i, color);
      break;
    case 2:  // left
      Canvas->SetPixel(cx, cy, color);
      for (int i = 1; i <= 3; ++i) VLine(Canvas, cx + i, cy - i, cy + i, color);
      break;
    case 3:  // right
      Canvas->SetPixel(cx + 3, cy, color);
      for (int i = 1; i <= 3; ++i) VLine(Canvas, cx + 3 - i, cy - i, cy + i, color);
      break;
    default: break;
  }
}

void PaintCloseCross(TCanvas* Canvas, const TRect& Rect, TColor Color) {
  GlyphScope scope(Canvas);
  TPoint c = Centre(Rect);
  int cx = c.X, cy = c.Y;
  Canvas->Brush()->SetColor(Color);
  if (Rect.Bottom - Rect.Top <= 10 || Rect.Right - Rect.Left < 9) {
    TPoint pts[] = {Point(cx, cy - 1),     Point(cx + 1, cy - 2), Point(cx + 3, cy - 2), Point(cx + 1, cy),
                    Point(cx + 3, cy + 3), Point(cx + 1, cy + 2), Point(cx, cy + 1),     Point(cx - 3, cy + 3),
                    Point(cx - 3, cy + 2), Point(cx - 1, cy),     Point(cx - 3, cy - 2), Point(cx - 1, cy - 2),
                    Point(cx - 1, cy - 1)};
    Canvas->Polygon(pts);
  } else {
    TPoint pts[] = {Point(cx, cy - 1),     Point(cx + 2, cy - 3), Point(cx + 5, cy - 3), Point(cx + 2, cy),
                    Point(cx + 5, cy + 4), Point(cx + 2, cy + 3), Point(cx, cy + 1),     Point(cx - 2, cy + 4),
                    Point(cx - 4, cy + 3), Point(cx - 1, cy),     Point(cx - 4, cy - 3), Point(cx - 1, cy - 3)};
    Canvas->Polygon(pts);
  }
}

void PaintCloseGlyph(TCanvas* Canvas, const TRect& Rect, bool Themed, bool Enabled) {
  TColor color = !Enabled ? clBtnShadow : Themed ? ThemedGlyphColor() : clBlack;
  PaintCloseCross(Canvas, Rect, color);
}
