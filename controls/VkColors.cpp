#include "controls/VkColors.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <optional>

#include "class_library/visual/Themes.h"
#include "controls/VkSystem.h"

namespace {

// To the nearest integer, ties to even (the rounding of the colour tables
// the schemes were measured with).
int RoundEven(double v) { return static_cast<int>(std::nearbyint(v)); }

int ClampByte(int v) { return std::clamp(v, 0, 255); }

// Read once, at first use (before the first painting that needs it); a
// scheme change while the program runs is not seen.
std::optional<int> XPScheme;

}  // namespace

void SplitColorHSL(TColor Color, int& H, int& S, int& L) {
  gui::COLORREF c = ColorToRef(Color);
  double r = gui::GetRValue(c) / 255.0, g = gui::GetGValue(c) / 255.0, b = gui::GetBValue(c) / 255.0;
  double mx = std::max({r, g, b}), mn = std::min({r, g, b});
  double l = (mx + mn) / 2, h = 0, s = 0;
  if (mx != mn) {
    double d = mx - mn;
    s = l < 0.5 ? d / (mx + mn) : d / (2 - mx - mn);
    if (r == mx)
      h = (g - b) / d;
    else if (g == mx)
      h = (b - r) / d + 2;
    else
      h = (r - g) / d + 4;
    h /= 6;
    if (h < 0) h += 1;
  }
  H = RoundEven(h * 240);
  S = RoundEven(s * 240);
  L = RoundEven(l * 240);
}

int HueOfColor(TColor Color) {
  int h, s, l;
  SplitColorHSL(Color, h, s, l);
  return h;
}

TColor ComposeColorHSL(int H, int S, int L) {
  double l = L / 240.0, s = S / 240.0;
  double m2 = l < 0.5 ? l * (1 + s) : l + s - l * s;
  if (m2 <= 0) return clBlack;
  // The hue divides by 239: a hue of 239 is pure red again, 240 lands in
  // the seventh sextant, which is drawn like the first.
  double h6 = H / 239.0 * 6;
  int sextant = static_cast<int>(h6);
  double f = h6 - sextant;
  double m1 = 2 * l - m2;
  double rising = m1 + (m2 - m1) * f;
  double falling = m2 - (m2 - m1) * f;
  double r, g, b;
  switch (sextant) {
    case 1: r = falling, g = m2, b = m1; break;
    case 2: r = m1, g = m2, b = rising; break;
    case 3: r = m1, g = falling, b = m2; break;
    case 4: r = rising, g = m1, b = m2; break;
    case 5: r = m2, g = m1, b = falling; break;
    default: r = m2, g = rising, b = m1; break;
  }
  auto channel = [](double v) { return ClampByte(RoundEven(std::clamp(v, 0.0, 1.0) * 255)); };
  return static_cast<TColor>(gui::RGB(channel(r), channel(g), channel(b)));
}

TColor DarkenColor(TColor Color, int Amount) {
  int h, s, l;
  SplitColorHSL(Color, h, s, l);
  return ComposeColorHSL(h, s, std::max(l - Amount, 0));
}

TColor LightenColor(TColor Color, int Amount) {
  int h, s, l;
  SplitColorHSL(Color, h, s, l);
  return ComposeColorHSL(h, s, std::min(l + Amount, 255));
}

TColor AdjustColorLightness(TColor Color, int Amount) {
  Amount = std::clamp(Amount, -255, 255);
  if (Amount == 0) return Color;
  return Amount > 0 ? LightenColor(Color, Amount) : DarkenColor(Color, -Amount);
}

TColor MixColors(TColor ColorA, TColor ColorB, int Weight) {
  gui::COLORREF a = ColorToRef(ColorA), b = ColorToRef(ColorB);
  float w = static_cast<float>(std::clamp(Weight, 0, 255)) / 255.0f;
  auto mix = [w](int x, int y) {
    return ClampByte(static_cast<int>(std::nearbyint(w * static_cast<float>(x) + (1.0f - w) * static_cast<float>(y))));
  };
  return static_cast<TColor>(gui::RGB(mix(gui::GetRValue(a), gui::GetRValue(b)), mix(gui::GetGValue(a), gui::GetGValue(b)),
                                      mix(gui::GetBValue(a), gui::GetBValue(b))));
}

bool ColorsLookAlike(TColor ColorA, TColor ColorB) {
  int ha, sa, la, hb, sb, lb;
  SplitColorHSL(ColorA, ha, sa, la);
  SplitColorHSL(ColorB, hb, sb, lb);
  return std::abs(ha - hb) < 20 && std::abs(la - lb) < 60;
}

TColor ComplementColor(TColor Color, int L) {
  int h = HueOfColor(Color);
  return ComposeColorHSL(h < 120 ? h + 120 : h - 120, 240, L);
}

TVkSchemeColors XPSchemeColors(int Scheme) {
  switch (Scheme) {
    case 1: return {0xEDFFFF, 0x92C7B8, 0x77A17F};
    case 2: return {0xFFF9F9, 0xD0BCBD, 0xB19F9F};
    default: return {0xFFEFE3, 0xEABB99, 0xBF7F57};
  }
}

int XPColorScheme() {
  if (!XPScheme) XPScheme = ReadXPColorScheme();
  return *XPScheme;
}
void SetXPColorScheme(int Scheme) { XPScheme = Scheme >= 0 && Scheme <= 2 ? Scheme : 0; }

bool ThemesEnabled() { return ThemeServices()->ThemesEnabled(); }

TColor ThemedExplorerBarColor(int Kind) {
  if (!ThemesEnabled()) return clBtnFace;
  // Kind: theme class, part, state, colour property.
  struct Source {
    const char* ClassList;
    int Part, State, Property;
  };
  static constexpr Source kSources[] = {
      {"EDIT", 0, 2, gui::TMT_BORDERCOLOR},
      {"EXPLORERBAR", gui::EBP_NORMALGROUPBACKGROUND, 1, gui::TMT_TEXTCOLOR},
      {"EXPLORERBAR", gui::EBP_SPECIALGROUPBACKGROUND, 1, gui::TMT_TEXTCOLOR},
      {"EXPLORERBAR", gui::EBP_NORMALGROUPBACKGROUND, 1, gui::TMT_FILLCOLOR},
      {"EXPLORERBAR", 0, 2, gui::TMT_GRADIENTCOLOR1},
      {"EXPLORERBAR", gui::EBP_SPECIALGROUPHEAD, 1, gui::TMT_FILLCOLOR},
      {"BUTTON", gui::BP_PUSHBUTTON, gui::PBS_NORMAL, gui::TMT_TEXTCOLOR},
  };
  if (Kind < 0 || Kind > 6) return 0xFFFFFF;
  const Source& s = kSources[Kind];
  TColor color = 0xFFFFFF;
  TThemeServices* theme = ThemeServices();
  if (!theme->GetColor(theme->GetElementDetails(s.ClassList, s.Part, s.State), s.Property, color)) return 0xFFFFFF;
  return color;
}

void GradientPanelColors(TVkGradientColorStyle ColorStyle, TColor& Light, TColor& Dark) {
  if (ColorStyle == gcsMSOffice && ThemesEnabled()) {
    TVkSchemeColors c = XPSchemeColors(XPColorScheme());
    Light = c.Light;
    Dark = c.Dark;
  } else {
    Light = clWindow;
    Dark = DarkenColor(clBtnFace, 10);
  }
}

TColor GradientPanelFrameColor(TVkGradientColorStyle ColorStyle) {
  if (ColorStyle == gcsMSOffice && ThemesEnabled()) return XPSchemeColors(XPColorScheme()).Frame;
  return LightenColor(clBtnShadow, 30);
}

void GradientStatusColors(TVkGradientColorStyle ColorStyle, TColor& First, TColor& Second, TColor& Third) {
  if (ColorStyle == gcsMSOffice && ThemesEnabled()) {
    TVkSchemeColors c = XPSchemeColors(XPColorScheme());
    First = c.Dark;
    Second = c.Light;
    Third = c.Dark;
  } else {
    First = DarkenColor(clBtnFace, 20);
    Second = clWindow;
    Third = DarkenColor(clBtnFace, 40);
  }
}
