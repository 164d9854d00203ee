#pragma once
// Small pieces of frames that several controls share: how many pixels a
// frame style takes from each side it is drawn on (border, label, panel),
// and a one-pixel frame with open corners (buttons, panes, status bar).
#include "class_library/visual/Canvas.h"
#include "controls/VkTypes.h"

constexpr int FrameStyleThickness(TFrameStyleEx Style, int BevelWidth) {
  switch (Style) {
    case fsNone: return 0;
    case fsFlat: return 1;
    case fsStatus:
    case fsPopup: return BevelWidth;
    default: return 2;
  }
}

// Rect less the thickness of Outer and then Inner on the sides in Sides.
template <class R>
constexpr void ShrinkForFrames(R& Rect, TFrameStyleEx Outer, TFrameStyleEx Inner, TSides Sides, int BevelWidth) {
  for (TFrameStyleEx style : {Outer, Inner}) {
    int n = FrameStyleThickness(style, BevelWidth);
    if (HasSide(Sides, sdLeft)) Rect.Left += n;
    if (HasSide(Sides, sdTop)) Rect.Top += n;
    if (HasSide(Sides, sdRight)) Rect.Right -= n;
    if (HasSide(Sides, sdBottom)) Rect.Bottom -= n;
  }
}

// The edges of R, each one pixel short at both ends, in Color.
inline void PaintOpenCornerFrame(TCanvas* Canvas, const TRect& R, TColor Color) {
  Canvas->Pen()->SetColor(Color);
  Canvas->MoveTo(R.Left, R.Top + 1);
  Canvas->LineTo(R.Left, R.Bottom - 1);
  Canvas->MoveTo(R.Left + 1, R.Top);
  Canvas->LineTo(R.Right - 1, R.Top);
  Canvas->MoveTo(R.Right - 1, R.Top + 1);
  Canvas->LineTo(R.Right - 1, R.Bottom - 1);
  Canvas->MoveTo(R.Left + 1, R.Bottom - 1);
  Canvas->LineTo(R.Right - 1, R.Bottom - 1);
}
