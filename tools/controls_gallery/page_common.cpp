// The common page: colour schemes, gradients in every direction, frames by
// style and side, borders, glyphs, and a balloon hint.
#include <functional>

#include "class_library/visual/Controls.h"
#include "controls/VkBalloonHints.h"
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

void Label(TCanvas* C, int X, int Y, const char* Text) {
  C->Brush()->SetStyle(bsClear);
  C->Font()->SetName("Tahoma");
  C->Font()->SetColor(clBlack);
  C->TextOut(X, Y, Text);
  C->Brush()->SetStyle(bsSolid);
}

void Fill(TCanvas* C, const TRect& R, TColor Color) {
  C->Brush()->SetColor(Color);
  C->FillRect(R);
}

constexpr TFrameStyleEx kStyles[] = {fsFlat,   fsGroove, fsBump,   fsLowered,  fsButtonDown, fsRaised,
                                     fsButtonUp, fsStatus, fsPopup, fsFlatBold};

void BuildCommonPage(TWinControl* Page) {
  // The three colour schemes (light, dark, frame) and a hue wheel.
  for (int scheme = 0; scheme < 3; ++scheme)
    Place(Page, 8 + scheme * 60, 8, 56, 20, [scheme](TCanvas* c, TRect r) {
      TVkSchemeColors colors = XPSchemeColors(scheme);
      TColor parts[] = {colors.Light, colors.Dark, colors.Frame};
      for (int i = 0; i < 3; ++i)
        Fill(c, Rect(r.Left + i * r.Width() / 3, r.Top, r.Left + (i + 1) * r.Width() / 3, r.Bottom), parts[i]);
    });
  Place(Page, 200, 8, 240, 20, [](TCanvas* c, TRect r) {
    for (int h = 0; h < 240; ++h) Fill(c, Rect(r.Left + h, r.Top, r.Left + h + 1, r.Bottom), ComposeColorHSL(h, 240, 120));
  });
  Place(Page, 448, 8, 184, 20, [](TCanvas* c, TRect r) {
    for (int i = 0; i < 8; ++i)
      Fill(c, Rect(r.Left + i * 23, r.Top, r.Left + i * 23 + 23, r.Bottom), AdjustColorLightness(clTeal, -120 + i * 40));
  });

  // Gradients in every direction.
  static const char* const kNames[] = {"DiagonalUp", "DiagonalDown", "HorizontalEnd", "HorizontalCenter",
                                       "HorizontalBox", "VerticalEnd", "VerticalCenter", "VerticalBox",
                                       "SquareBox", "BigSquareBox"};
  for (int d = 0; d < 10; ++d)
    Place(Page, 8 + (d % 5) * 126, 36 + (d / 5) * 68, 120, 64, [d](TCanvas* c, TRect r) {
      PaintGradient(c, Rect(r.Left, r.Top, r.Right, r.Bottom - 14), static_cast<TGradientDirection>(d), clNavy,
                    0x80E0FF);
      Label(c, r.Left, r.Bottom - 13, kNames[d]);
    });

  // Frames by style on all sides, in system colours and tinted; then on the
  // left and top only, and on the bottom only.
  for (int i = 0; i < 10; ++i) {
    TFrameStyleEx style = kStyles[i];
    Place(Page, 8 + i * 62, 176, 56, 94, [style](TCanvas* c, TRect r) {
      PaintFrameStyle(c, Rect(r.Left, r.Top, r.Right, r.Top + 20), style);
      Fill(c, Rect(r.Left, r.Top + 24, r.Right, r.Top + 44), clSkyBlue);
      PaintTintedFrameStyle(c, Rect(r.Left, r.Top + 24, r.Right, r.Top + 44), clSkyBlue, style);
      PaintFrameStyle(c, Rect(r.Left, r.Top + 48, r.Right, r.Top + 68), style, SideBit(sdLeft) | SideBit(sdTop));
      PaintFrameStyle(c, Rect(r.Left, r.Top + 72, r.Right, r.Top + 92), style, SideBit(sdBottom) | SideBit(sdRight));
    });
  }

  // Borders: rounded, flat bold with a border, a status bevel.
  Place(Page, 8, 276, 70, 44, [](TCanvas* c, TRect r) {
    TRect in = PaintInnerOuterBorders(c, r, fsFlatRounded, fsNone, 0, kAllSides, 1, clBlack, clBtnHighlight,
                                      clBtnShadow, clBtnShadow, 0, clWindow, clBtnFace, false);
    Fill(c, in, clWindow);
  });
  Place(Page, 84, 276, 70, 44, [](TCanvas* c, TRect r) {
    TRect in = PaintInnerOuterBorders(c, r, fsFlatBold, fsLowered, 2, kAllSides, 1, clMoneyGreen, clBtnHighlight,
                                      clBtnShadow, clNavy, 40, clWindow, clBtnFace, false);
    Fill(c, in, clCream);
  });
  Place(Page, 160, 276, 70, 44, [](TCanvas* c, TRect r) {
    TRect in = PaintInnerOuterBorders(c, r, fsStatus, fsPopup, 1, kAllSides, 2, clBtnFace, clBtnHighlight,
                                      clBtnShadow, clBlack, 0, clBtnFace, clBtnFace, false);
    Label(c, in.Left + 2, in.Top + 2, "Status");
  });
  // Framed edits: flat, lowered in a colour, bold on the bottom only.
  Place(Page, 236, 276, 90, 20, [](TCanvas* c, TRect r) {
    Fill(c, r, clWindow);
    PaintControlFrame(c, r.Width(), r.Height(), fsFlat, clWindow, clBtnShadow, kAllSides);
    Label(c, 4, 3, "Edit");
  });
  Place(Page, 236, 300, 90, 20, [](TCanvas* c, TRect r) {
    Fill(c, r, clInfoBk);
    PaintControlFrame(c, r.Width(), r.Height(), fsLowered, clInfoBk, clBtnShadow, kAllSides);
    Label(c, 4, 3, "Read-only");
  });
  Place(Page, 332, 276, 90, 20, [](TCanvas* c, TRect r) {
    Fill(c, r, clWindow);
    PaintControlFrame(c, r.Width(), r.Height(), fsFlatBold, clWindow, clNavy, SideBit(sdBottom));
    Label(c, 4, 1, "Bottom line");
  });
  // A button with the focus and a hot-track ring.
  Place(Page, 332, 300, 90, 20, [](TCanvas* c, TRect r) {
    Fill(c, r, clBtnFace);
    TRect in = PaintFrameStyle(c, r, fsButtonUp);
    PaintHotTrackRing(c, r, gdVerticalCenter, clYellow, 0x0080FF);
    PaintDottedFocusFrame(c, Rect(in.Left + 1, in.Top + 1, in.Right - 1, in.Bottom - 1));
  });
  // Glyphs.
  Place(Page, 8, 330, 150, 18, [](TCanvas* c, TRect r) {
    Fill(c, r, clBtnFace);
    PaintDropDownArrow(c, Rect(r.Left, r.Top, r.Left + 18, r.Bottom), false, true);
    for (int d = 0; d < 4; ++d)
      PaintScrollArrow(c, Rect(r.Left + 22 + d * 20, r.Top, r.Left + 40 + d * 20, r.Bottom), false, d != 3, d);
    PaintCloseGlyph(c, Rect(r.Left + 104, r.Top, r.Left + 122, r.Bottom), false, true);
    PaintCloseCross(c, Rect(r.Left + 126, r.Top, r.Left + 146, r.Top + 14), clMaroon);
  });
  // The control the balloon points at.
  Place(Page, 440, 300, 120, 22, [](TCanvas* c, TRect r) {
    Fill(c, r, clWindow);
    PaintControlFrame(c, r.Width(), r.Height(), fsFlat, clWindow, clBtnShadow, kAllSides);
    Label(c, 4, 4, "Point here");
  });
}

// A balloon hint pointing into the field "Point here".
void ShowCommonPage(TWinControl* Page) {
  auto* balloon = new TVkCustomHintWindow(nullptr);
  AddGalleryOverlay(balloon);
  balloon->SetFrameColor(cl3DDkShadow);
  balloon->SetCorner(hcLowerRight);
  balloon->SetCaptionWidth(150);
  TPoint tip = Page->ClientToScreen(Point(470, 314));
  balloon->PlaceBounds(tip.X, tip.Y, 10, 10);
  String text = "A balloon hint: the tail points at the control.";
  balloon->ActivateHint(balloon->CalcHintRect(150, text, nullptr), text);
}

const bool kRegistered = RegisterGalleryPage("common", 0, BuildCommonPage, ShowCommonPage);

}  // namespace
