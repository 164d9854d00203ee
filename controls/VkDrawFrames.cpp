// Lines on sides, bevels, frames by style, the border of borders, labels and
// panels, the frame of framed controls, the dotted focus frame.
#include "controls/VkColors.h"
#include "controls/VkDraw.h"

namespace {

TRect Shrink(TRect r, TSides Sides, int By) {
  if (HasSide(Sides, sdLeft)) r.Left += By;
  if (HasSide(Sides, sdTop)) r.Top += By;
  if (HasSide(Sides, sdRight)) r.Right -= By;
  if (HasSide(Sides, sdBottom)) r.Bottom -= By;
  return r;
}

struct ColorPair {
  TColor UL, LR;
};

// The one-pair styles in system colours.
ColorPair StyleColors(TFrameStyleEx Style) {
  switch (Style) {
    case fsFlat: return {cl3DDkShadow, cl3DDkShadow};
    case fsGroove: return {clBtnShadow, clBtnHighlight};
    case fsBump: return {clBtnHighlight, clBtnShadow};
    case fsStatus: return {clBtnShadow, clBtnHighlight};
    case fsPopup: return {clBtnHighlight, clBtnShadow};
    case fsFlatBold: return {clBtnShadow, clBtnShadow};
    default: return {clNone, clNone};
  }
}

// The etched look of fsGroove and fsBump: two offset outlines, with the
// corner pixels of open sides set so that the ends look cut.
TRect PaintEtched(TCanvas* Canvas, const TRect& R, TColor UL, TColor LR, TSides Sides) {
  bool left = HasSide(Sides, sdLeft), top = HasSide(Sides, sdTop), right = HasSide(Sides, sdRight),
       bottom = HasSide(Sides, sdBottom);
  if (right)
    Canvas->SetPixel(R.Right - 1, R.Top, LR);
  else if (top)
    Canvas->SetPixel(R.Right - 1, R.Top, UL);
  if (bottom)
    Canvas->SetPixel(R.Left, R.Bottom - 1, LR);
  else if (left)
    Canvas->SetPixel(R.Left, R.Bottom - 1, UL);
  if (top && !left) Canvas->SetPixel(R.Left, R.Top + 1, LR);
  if (left && !top) Canvas->SetPixel(R.Left + 1, R.Top, LR);
  if (bottom && !right) Canvas->SetPixel(R.Right - 1, R.Bottom - 2, UL);
  if (right && !bottom) Canvas->SetPixel(R.Right - 2, R.Bottom - 1, UL);
  PaintSides(Canvas, Rect(R.Left + 1, R.Top + 1, R.Right, R.Bottom), LR, LR, Sides);
  PaintSides(Canvas, Rect(R.Left, R.Top, R.Right - 1, R.Bottom - 1), UL, UL, Sides);
  return Shrink(R, Sides, 2);
}

TColor D(TColor Base, int N) { return DarkenColor(Base, N); }
TColor L(TColor Base, int N) { return LightenColor(Base, N); }

TRect Ring(TCanvas* Canvas, const TRect& R, TColor Color, TSides Sides) {
  return PaintSideRings(Canvas, R, Color, Color, Sides, 1);
}

// One band of PaintInnerOuterBorders (outer or inner).
TRect PaintBorderBand(TCanvas* Canvas, TRect R, TFrameStyleEx Style, bool Outer, int BorderWidth,
                      TFrameStyleEx OtherBand, TSides Sides, int BevelWidth, TColor BorderColor,
                      TColor BorderHighlight, TColor BorderShadow, TColor FlatColor, int FlatColorAdjustment,
                      TColor Color, TColor ParentColor, bool Transparent) {
  switch (Style) {
    case fsFlat:
    case fsFlatBold: {
      TColor fc = AdjustColorLightness(FlatColor, FlatColorAdjustment);
      return PaintSideRings(Canvas, R, fc, fc, Sides, Style == fsFlat ? 1 : 2);
    }
    case fsFlatRounded: {
      TColor fc = AdjustColorLightness(FlatColor, FlatColorAdjustment);
      if (Outer) {
        bool bordered = BorderWidth > 0 || OtherBand != fsNone;
        if (!Transparent) {
          // The parent's colour shows in the cut corners.
          TRect inside = Ring(Canvas, R, ParentColor, Sides);
          Ring(Canvas, inside, bordered ? BorderColor : Color, Sides);
        } else if (bordered) {
          Ring(Canvas, Shrink(R, Sides, 1), BorderColor, Sides);
        }
      } else if (!Transparent) {
        TRect inside = Ring(Canvas, R, BorderColor, Sides);
        Ring(Canvas, inside, Color, Sides);
      } else {
        Ring(Canvas, R, BorderColor, Sides);
      }
      return PaintRoundedFlatSides(Canvas, R, fc, Sides);
    }
    case fsPopup: return PaintSideRings(Canvas, R, BorderHighlight, BorderShadow, Sides, BevelWidth);
    case fsStatus: return PaintSideRings(Canvas, R, BorderShadow, BorderHighlight, Sides, BevelWidth);
    default: return PaintFrameStyle(Canvas, R, Style, Sides);
  }
}

}  // namespace

TRect PaintSides(TCanvas* Canvas, const TRect& Rect, TColor ULColor, TColor LRColor, TSides Sides) {
  bool left = HasSide(Sides, sdLeft), top = HasSide(Sides, sdTop), right = HasSide(Sides, sdRight),
       bottom = HasSide(Sides, sdBottom);
  if (ULColor != clNone && (left || top)) {
    Canvas->Pen()->SetColor(ULColor);
    if (left) {
      Canvas->MoveTo(Rect.Left, Rect.Top);
      Canvas->LineTo(Rect.Left, Rect.Bottom);
    }
    if (top) {
      Canvas->MoveTo(Rect.Left, Rect.Top);
      Canvas->LineTo(Rect.Right, Rect.Top);
    }
  }
  if (LRColor != clNone && (right || bottom)) {
    Canvas->Pen()->SetColor(LRColor);
    if (right) {
      Canvas->MoveTo(Rect.Right - 1, Rect.Top);
      Canvas->LineTo(Rect.Right - 1, Rect.Bottom);
    }
    if (bottom) {
      Canvas->MoveTo(Rect.Left, Rect.Bottom - 1);
      Canvas->LineTo(Rect.Right, Rect.Bottom - 1);
    }
  }
  return Shrink(Rect, Sides, 1);
}

TRect PaintSideRings(TCanvas* Canvas, const TRect& Rect, TColor ULColor, TColor LRColor, TSides Sides, int Count) {
  Canvas->Pen()->SetWidth(1);
  TRect r = Rect;
  for (int i = 0; i < Count; ++i) r = PaintSides(Canvas, r, ULColor, LRColor, Sides);
  return r;
}

TRect PaintTwoRingBevel(TCanvas* Canvas, const TRect& Rect, TFrameStyleEx Style, TSides Sides) {
  ColorPair outer, inner;
  switch (Style) {
    case fsRaised: outer = {cl3DLight, cl3DDkShadow}, inner = {clBtnHighlight, clBtnShadow}; break;
    case fsLowered: outer = {clBtnShadow, clBtnHighlight}, inner = {cl3DDkShadow, cl3DLight}; break;
    case fsButtonUp: outer = {clBtnHighlight, cl3DDkShadow}, inner = {cl3DLight, clBtnShadow}; break;
    case fsButtonDown: outer = {clBtnText, clBtnText}, inner = {clBtnShadow, clBtnShadow}; break;
    default: return Rect;
  }
  TRect r = PaintSideRings(Canvas, Rect, outer.UL, outer.LR, Sides, 1);
  return PaintSideRings(Canvas, r, inner.UL, inner.LR, Sides, 1);
}

TRect PaintFrameStyle(TCanvas* Canvas, const TRect& Rect, TFrameStyleEx Style, TSides Sides) {
  ColorPair c = StyleColors(Style);
  switch (Style) {
    case fsFlat:
    case fsStatus:
    case fsPopup: return PaintSides(Canvas, Rect, c.UL, c.LR, Sides);
    case fsLowered:
    case fsRaised:
    case fsButtonDown:
    case fsButtonUp: return PaintTwoRingBevel(Canvas, Rect, Style, Sides);
    case fsFlatBold: return PaintSideRings(Canvas, Rect, c.UL, c.LR, Sides, 2);
    case fsGroove:
    case fsBump: return PaintEtched(Canvas, Rect, c.UL, c.LR, Sides);
    default: return Rect;
  }
}

TRect PaintTintedFrameStyle(TCanvas* Canvas, const TRect& Rect, TColor BaseColor, TSides Sides, TFrameStyleEx Style) {
  TColor b = BaseColor;
  switch (Style) {
    case fsFlat: return PaintSides(Canvas, Rect, D(b, 50), D(b, 50), Sides);
    case fsGroove: return PaintEtched(Canvas, Rect, D(b, 50), L(b, 100), Sides);
    case fsBump: return PaintEtched(Canvas, Rect, L(b, 100), D(b, 50), Sides);
    case fsLowered: {
      TRect r = PaintSideRings(Canvas, Rect, D(b, 50), L(b, 100), Sides, 1);
      return PaintSideRings(Canvas, r, D(b, 100), L(b, 50), Sides, 1);
    }
    case fsRaised: {
      TRect r = PaintSideRings(Canvas, Rect, L(b, 50), D(b, 100), Sides, 1);
      return PaintSideRings(Canvas, r, L(b, 100), D(b, 50), Sides, 1);
    }
    case fsButtonDown: return PaintTintedButtonBevel(Canvas, Rect, b, Sides, true);
    case fsButtonUp: return PaintTintedButtonBevel(Canvas, Rect, b, Sides, false);
    case fsStatus: return PaintSides(Canvas, Rect, D(b, 50), L(b, 100), Sides);
    case fsPopup: return PaintSides(Canvas, Rect, L(b, 100), D(b, 50), Sides);
    case fsFlatBold: return PaintSideRings(Canvas, Rect, D(b, 50), D(b, 50), Sides, 2);
    default: return Rect;
  }
}

TRect PaintTintedFrameStyle(TCanvas* Canvas, const TRect& Rect, TColor BaseColor, TFrameStyleEx Style) {
  return PaintTintedFrameStyle(Canvas, Rect, BaseColor, kAllSides, Style);
}

TRect PaintTintedButtonBevel(TCanvas* Canvas, const TRect& Rect, TColor BaseColor, TSides Sides, bool Down) {
  TColor b = BaseColor;
  if (Down) {
    TRect r = PaintSideRings(Canvas, Rect, D(b, 100), D(b, 100), Sides, 1);
    return PaintSideRings(Canvas, r, D(b, 50), D(b, 50), Sides, 1);
  }
  TRect r = PaintSideRings(Canvas, Rect, L(b, 100), D(b, 100), Sides, 1);
  return PaintSideRings(Canvas, r, L(b, 40), D(b, 50), Sides, 1);
}

TRect PaintTintedButtonBevel(TCanvas* Canvas, const TRect& Rect, TColor BaseColor, bool Down) {
  return PaintTintedButtonBevel(Canvas, Rect, BaseColor, kAllSides, Down);
}

TRect PaintOutline(TCanvas* Canvas, const TRect& Rect, TColor Color) {
  return PaintSides(Canvas, Rect, Color, Color, kAllSides);
}

TRect PaintRoundedFlatSides(TCanvas* Canvas, const TRect& Rect, TColor Color, TSides Sides) {
  bool left = HasSide(Sides, sdLeft), top = HasSide(Sides, sdTop), right = HasSide(Sides, sdRight),
       bottom = HasSide(Sides, sdBottom);
  int t = top ? Rect.Top + 2 : Rect.Top, b = bottom ? Rect.Bottom - 2 : Rect.Bottom;
  int l = left ? Rect.Left + 2 : Rect.Left, r = right ? Rect.Right - 2 : Rect.Right;
  if (Color != clNone) {
    Canvas->Pen()->SetColor(Color);
    if (left) {
      Canvas->MoveTo(Rect.Left, t);
      Canvas->LineTo(Rect.Left, b);
    }
    if (top) {
      Canvas->MoveTo(l, Rect.Top);
      Canvas->LineTo(r, Rect.Top);
    }
    if (right) {
      Canvas->MoveTo(Rect.Right - 1, t);
      Canvas->LineTo(Rect.Right - 1, b);
    }
    if (bottom) {
      Canvas->MoveTo(l, Rect.Bottom - 1);
      Canvas->LineTo(r, Rect.Bottom - 1);
    }
    if (left && top) Canvas->SetPixel(Rect.Left + 1, Rect.Top + 1, Color);
    if (right && top) Canvas->SetPixel(Rect.Right - 2, Rect.Top + 1, Color);
    if (right && bottom) Canvas->SetPixel(Rect.Right - 2, Rect.Bottom - 2, Color);
    if (left && bottom) Canvas->SetPixel(Rect.Left + 1, Rect.Bottom - 2, Color);
  }
  return ::Rect(l, t, r, b);
}

TRect PaintInnerOuterBorders(TCanvas* Canvas, const TRect& Bounds, TFrameStyleEx BorderOuter, TFrameStyleEx BorderInner,
                             int BorderWidth, TSides BorderSides, int BevelWidth, TColor BorderColor,
                             TColor BorderHighlight, TColor BorderShadow, TColor FlatColor, int FlatColorAdjustment,
                             TColor Color, TColor ParentColor, bool Transparent) {
  TRect r = PaintBorderBand(Canvas, Bounds, BorderOuter, true, BorderWidth, BorderInner, BorderSides, BevelWidth,
                            BorderColor, BorderHighlight, BorderShadow, FlatColor, FlatColorAdjustment, Color,
                            ParentColor, Transparent);
  if (BorderWidth > 0) r = PaintSideRings(Canvas, r, BorderColor, BorderColor, BorderSides, BorderWidth);
  return PaintBorderBand(Canvas, r, BorderInner, false, BorderWidth, BorderOuter, BorderSides, BevelWidth, BorderColor,
                         BorderHighlight, BorderShadow, FlatColor, FlatColorAdjustment, Color, ParentColor,
                         Transparent);
}

TRect PaintControlFrame(TCanvas* Canvas, int Width, int Height, TFrameStyleEx FrameStyle, TColor Color,
                        TColor FrameColor, TSides FrameSides) {
  TRect r = Rect(0, 0, Width, Height);
  // Clears the two-pixel frame area to the control's colour first.
  PaintSideRings(Canvas, r, Color, Color, kAllSides, 2);
  switch (FrameStyle) {
    case fsFlat: return PaintSides(Canvas, r, FrameColor, FrameColor, FrameSides);
    case fsFlatBold: return PaintSideRings(Canvas, r, FrameColor, FrameColor, FrameSides, 2);
    default:
      if (Color == clWindow) return PaintFrameStyle(Canvas, r, FrameStyle, FrameSides);
      return PaintTintedFrameStyle(Canvas, r, Color, FrameSides, FrameStyle);
  }
}

TRect PaintDottedFocusFrame(TCanvas* Canvas, const TRect& Rect) {
  for (int y = Rect.Top + 1; y < Rect.Bottom; y += 2) {
    Canvas->SetPixel(Rect.Left, y, clBlack);
    Canvas->SetPixel(Rect.Right - 1, y, clBlack);
  }
  for (int x = Rect.Left + 1; x < Rect.Right; x += 2) {
    Canvas->SetPixel(x, Rect.Top, clBlack);
    Canvas->SetPixel(x, Rect.Bottom - 1, clBlack);
  }
  return ::Rect(Rect.Left + 1, Rect.Top + 1, Rect.Right - 1, Rect.Bottom - 1);
}
