#pragma once
// Stateless painting routines of the framed and bordered controls. Each
// takes a canvas and a rectangle, draws with the canvas's pen and brush and
// answers the rectangle left inside what it drew, so that callers stack
// bands from the outside in. clNone as a colour leaves that part undrawn
// (the result still shrinks on the sides asked for).
#include "class_library/visual/Bitmap.h"
#include "class_library/visual/Controls.h"
#include "controls/VkTypes.h"

// One-pixel lines on the chosen sides: left and top in ULColor, right and
// bottom in LRColor (so the top-right and bottom-left corner pixels take
// LRColor). The result is Rect less one pixel on each side asked for.
TRect PaintSides(TCanvas* Canvas, const TRect& Rect, TColor ULColor, TColor LRColor, TSides Sides);
// PaintSides Count times inward (pen width 1).
TRect PaintSideRings(TCanvas* Canvas, const TRect& Rect, TColor ULColor, TColor LRColor, TSides Sides, int Count);
// The two rings of fsLowered, fsRaised, fsButtonDown or fsButtonUp in system colours.
TRect PaintTwoRingBevel(TCanvas* Canvas, const TRect& Rect, TFrameStyleEx Style, TSides Sides);
// A frame by style in system colours.
TRect PaintFrameStyle(TCanvas* Canvas, const TRect& Rect, TFrameStyleEx Style, TSides Sides = kAllSides);
// The same frame in shades of BaseColor.
TRect PaintTintedFrameStyle(TCanvas* Canvas, const TRect& Rect, TColor BaseColor, TSides Sides, TFrameStyleEx Style);
TRect PaintTintedFrameStyle(TCanvas* Canvas, const TRect& Rect, TColor BaseColor, TFrameStyleEx Style);
// A button bevel in shades of BaseColor, up or down.
TRect PaintTintedButtonBevel(TCanvas* Canvas, const TRect& Rect, TColor BaseColor, TSides Sides, bool Down);
TRect PaintTintedButtonBevel(TCanvas* Canvas, const TRect& Rect, TColor BaseColor, bool Down);
// A one-pixel outline on all sides.
TRect PaintOutline(TCanvas* Canvas, const TRect& Rect, TColor Color);
// Flat lines with cut corners.
TRect PaintRoundedFlatSides(TCanvas* Canvas, const TRect& Rect, TColor Color, TSides Sides);
// The border of borders, labels and panels: an outer band by BorderOuter,
// BorderWidth rings of BorderColor, an inner band by BorderInner. Flat bands
// take FlatColor adjusted by FlatColorAdjustment; rounded ones show
// ParentColor in the cut corners unless Transparent. The result is the
// client area left for content.
TRect PaintInnerOuterBorders(TCanvas* Canvas, const TRect& Bounds, TFrameStyleEx BorderOuter, TFrameStyleEx BorderInner,
                             int BorderWidth, TSides BorderSides, int BevelWidth, TColor BorderColor,
                             TColor BorderHighlight, TColor BorderShadow, TColor FlatColor, int FlatColorAdjustment,
                             TColor Color, TColor ParentColor, bool Transparent);
// The two-pixel frame of framed edits, memos and list boxes on
// (0, 0, Width, Height) in window coordinates.
TRect PaintControlFrame(TCanvas* Canvas, int Width, int Height, TFrameStyleEx FrameStyle, TColor Color,
                        TColor FrameColor, TSides FrameSides);
// Every second pixel of the outline in black.
TRect PaintDottedFocusFrame(TCanvas* Canvas, const TRect& Rect);

// Glyphs, centred in Rect.
void PaintDropDownArrow(TCanvas* Canvas, const TRect& Rect, bool Themed, bool Enabled);
// Direction: 0 up, 1 down, 2 left, 3 right.
void PaintScrollArrow(TCanvas* Canvas, const TRect& Rect, bool Themed, bool Enabled, int Direction);
void PaintCloseCross(TCanvas* Canvas, const TRect& Rect, TColor Color);
void PaintCloseGlyph(TCanvas* Canvas, const TRect& Rect, bool Themed, bool Enabled);

// A two-pixel gradient ring just inside Rect (full-colour screens only); the
// canvas's clipping is left as the caller had it.
void PaintHotTrackRing(TCanvas* Canvas, const TRect& Rect, TGradientDirection Direction, TColor StartColor,
                       TColor StopColor);

// Source of Bitmap stretched to the size of DestRect without the pixels of
// TransparentColor, drawn at the canvas's origin.
void StretchTransparentBitmap(TCanvas* Canvas, TBitmap* Bitmap, const TRect& DestRect, TColor TransparentColor,
                              const TRect& SourceRect);
// The same drawn into DestRect through a mask; the canvas's copy mode and
// the bitmap's colours are left as they were.
void StretchMaskedBitmap(TCanvas* Canvas, TBitmap* Bitmap, const TRect& DestRect, TColor TransparentColor,
                         const TRect& SourceRect);

// A gradient fill of Rect from StartColor to StopColor. BandHint 1 starts a
// new band at every colour change. An empty rectangle draws nothing.
void PaintGradient(TCanvas* Canvas, const TRect& Rect, TGradientDirection Direction, TColor StartColor,
                   TColor StopColor, int BandHint = 1);
// Fills Width x Height at (X, Y) by doubling the already painted block of
// BlockWidth x BlockHeight there.
void ReplicateBlock(gui::HDC DC, int X, int Y, int Width, int Height, int BlockWidth, int BlockHeight,
                    gui::DWORD RasterOp);
// Mirrors the top-left quarter of Width x Height at (X, Y) into the other three.
void MirrorQuarter(gui::HDC DC, int X, int Y, int Width, int Height, gui::DWORD RasterOp);

// Paints the parent's background (WM_ERASEBKGND, then WM_PRINTCLIENT) into
// the control's context DC, for transparent controls.
void PaintParentBackground(TControl* Control, gui::HDC DC, bool InvalidateOtherParent);
