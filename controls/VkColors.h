#pragma once
// Colour routines in hue, saturation and lightness, each on a scale of
// 0..240 (lightness may run above 240 after LightenColor, which composes to
// white). System colours are resolved to RGB first; clNone means "draw
// nothing" to the drawing routines and is never mixed here.
//
// The colour sets of the three desktop colour schemes, and the gradient
// colours of panels and status bars that follow the scheme while visual
// styles are on.
#include "class_library/visual/Graphics.h"
#include "controls/VkTypes.h"

void SplitColorHSL(TColor Color, int& H, int& S, int& L);
int HueOfColor(TColor Color);
// Channels are clamped to 0..255 whatever the arguments (a saturation above
// 240 would otherwise give negative channels).
TColor ComposeColorHSL(int H, int S, int L);
// Same hue and saturation; lightness down by Amount (not below 0) or up by
// Amount (not above 255).
TColor DarkenColor(TColor Color, int Amount);
TColor LightenColor(TColor Color, int Amount);
// Amount 0: Color unchanged; above 0 lightens, below 0 darkens. Amounts
// beyond -255..255 are clamped (a stored adjustment out of range must not
// break painting).
TColor AdjustColorLightness(TColor Color, int Amount);
// Per channel w * A + (1 - w) * B to the nearest integer, w = Weight / 255
// (Weight clamped to 0..255).
TColor MixColors(TColor ColorA, TColor ColorB, int Weight);
// Hues differ by less than 20 and lightnesses by less than 60.
bool ColorsLookAlike(TColor ColorA, TColor ColorB);
// The hue a third of the way round, full saturation, lightness L.
TColor ComplementColor(TColor Color, int L);

// ---- Desktop colour schemes ------------------------------------------------
// 0: the default (blue) scheme, 1: "HOMESTEAD", 2: "METALLIC".
struct TVkSchemeColors {
  TColor Light;
  TColor Dark;
  TColor Frame;
};
// The colours of a scheme (any other number: the default scheme's).
TVkSchemeColors XPSchemeColors(int Scheme);
// The scheme read once at start (ReadXPColorScheme, VkSystem.h).
int XPColorScheme();
// For tests and the start-up step.
void SetXPColorScheme(int Scheme);

// Whether the visual styles are on (the class library's theme services).
bool ThemesEnabled();

// A colour of the current visual style: kinds 0..6 (see the table in the
// source); clBtnFace while styles are off, $FFFFFF for another kind.
TColor ThemedExplorerBarColor(int Kind);
void GradientPanelColors(TVkGradientColorStyle ColorStyle, TColor& Light, TColor& Dark);
TColor GradientPanelFrameColor(TVkGradientColorStyle ColorStyle);
void GradientStatusColors(TVkGradientColorStyle ColorStyle, TColor& First, TColor& Second, TColor& Third);
