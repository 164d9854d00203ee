// The common page: frames by style and side, gradients in every direction,
// colour routines and a balloon hint.
#include <functional>

#include "class_library/visual/Controls.h"
#include "controls/VkColors.h"
#include "controls/VkDraw.h"
#include "tools/controls_gallery/GalleryPages.h"

namespace {

// A window-less control that paints with a function.
class TPainted : public TGraphicControl {
public:
  TPainted(TComponent* AOwner, std::function<void(TCanvas*, TRect)> Paint)
      : TGraphicControl(AOwner), paint_(std::move(Paint)) {}

protected:
  void PaintControl() override { paint_(Canvas(), ClientRect()); }

private:
  std::function<void(TCanvas*, TRect)> paint_;
};

void Place(TWinControl* Page, int X, int Y, int W, int H, std::function<void(TCanvas*, TRect)> Paint) {
  auto* c = new TPainted(Page, std::move(Paint));
  c->SetParent(Page);
  c->PlaceBounds(X, Y, W, H);
}

void BuildCommonPage(TWinControl* Page) {
  // The three colour schemes: light, dark, frame.
  for (int scheme = 0; scheme < 3; ++scheme)
    Place(Page, 8 + scheme * 60, 8, 56, 24, [scheme](TCanvas* c, TRect r) {
      TVkSchemeColors colors = XPSchemeColors(scheme);
      TColor parts[] = {colors.Light, colors.Dark, colors.Frame};
      for (int i = 0; i < 3; ++i) {
        c->Brush()->SetColor(parts[i]);
        c->FillRect(Rect(r.Left + i * r.Width() / 3, r.Top, r.Left + (i + 1) * r.Width() / 3, r.Bottom));
      }
    });
  // A hue wheel at full saturation.
  Place(Page, 200, 8, 240, 24, [](TCanvas* c, TRect r) {
    for (int h = 0; h < 240; ++h) {
      c->Brush()->SetColor(ComposeColorHSL(h, 240, 120));
      c->FillRect(Rect(r.Left + h, r.Top, r.Left + h + 1, r.Bottom));
    }
  });
  // Gradients in every direction.
  static const char* const kNames[] = {"DiagonalUp", "DiagonalDown", "HorizontalEnd", "HorizontalCenter",
                                       "HorizontalBox", "VerticalEnd", "VerticalCenter", "VerticalBox",
                                       "SquareBox", "BigSquareBox"};
  for (int d = 0; d < 10; ++d)
    Place(Page, 8 + (d % 5) * 124, 44 + (d / 5) * 76, 116, 70, [d](TCanvas* c, TRect r) {
      PaintGradient(c, Rect(r.Left, r.Top, r.Right, r.Bottom - 14), static_cast<TGradientDirection>(d), clNavy,
                    0x80E0FF);
      c->Brush()->SetStyle(bsClear);
      c->Font()->SetName("Tahoma");
      c->TextOut(r.Left, r.Bottom - 13, kNames[d]);
      c->Brush()->SetStyle(bsSolid);
    });
}

const bool kRegistered = RegisterGalleryPage("common", 0, BuildCommonPage);

}  // namespace
