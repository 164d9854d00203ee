#pragma once
// The enumerations every control of the library shares, with the names and
// order under which form resources store their values (both are fixed: a
// stored form names the value, and old forms must keep loading), and the
// control messages of the blink scheduler.
#include <vector>

#include "class_library/core/Types.h"
#include "class_library/visual/Messages.h"

// Frame styles. TFrameStyle is the range fsNone..fsFlatBold (every style but
// the rounded one).
enum TFrameStyleEx {
  fsNone,
  fsFlat,
  fsGroove,
  fsBump,
  fsLowered,
  fsButtonDown,
  fsRaised,
  fsButtonUp,
  fsStatus,
  fsPopup,
  fsFlatBold,
  fsFlatRounded
};
using TFrameStyle = TFrameStyleEx;
constexpr TFrameStyleEx kLastFrameStyle = fsFlatBold;
// Clamps an ordinal into TFrameStyle (a stored fsFlatRounded where only the
// range is allowed becomes fsFlatBold).
constexpr TFrameStyle ToFrameStyle(int Ordinal) {
  return Ordinal < fsNone ? fsNone : Ordinal > kLastFrameStyle ? kLastFrameStyle : static_cast<TFrameStyle>(Ordinal);
}

// Sides of a rectangle; TSides holds bit n for side n (all four = 15).
enum TSide { sdLeft, sdTop, sdRight, sdBottom };
using TSides = unsigned;
constexpr TSides SideBit(TSide Side) { return 1u << Side; }
constexpr bool HasSide(TSides Sides, TSide Side) { return (Sides & SideBit(Side)) != 0; }
constexpr TSides kNoSides = 0;
constexpr TSides kAllSides = 15;

enum TFramingPreference { fpCustomFraming, fpXPThemes };
enum TTextStyle { tsNormal, tsRaised, tsRecessed, tsShadow };
enum TOrientation { orHorizontal, orVertical };
enum TGradientDirection {
  gdDiagonalUp,
  gdDiagonalDown,
  gdHorizontalEnd,
  gdHorizontalCenter,
  gdHorizontalBox,
  gdVerticalEnd,
  gdVerticalCenter,
  gdVerticalBox,
  gdSquareBox,
  gdBigSquareBox
};
enum TVkVisualStyle { vsClassic, vsWinXP, vsGradient };
enum TVkGradientColorStyle { gcsSystem, gcsMSOffice, gcsCustom };
enum TVkHotTrackColorType { htctComplement, htctActual };
enum TAlignmentVertical { avTop, avCenter, avBottom };
// The argument of the version tests (VkSystem.h).
enum TOSVersionKind { osWin95, osWinNT, osWin98, osWinME, osWin2000, osWinXP, osWin2003, osWinVista };

// The stored names, by ordinal (for published-property registration).
inline const std::vector<String>& FrameStyleExNames() {
  static const std::vector<String> names{"fsNone",   "fsFlat",       "fsGroove", "fsBump",
                                         "fsLowered", "fsButtonDown", "fsRaised", "fsButtonUp",
                                         "fsStatus", "fsPopup",      "fsFlatBold", "fsFlatRounded"};
  return names;
}
inline const std::vector<String>& FrameStyleNames() {
  static const std::vector<String> names(FrameStyleExNames().begin(), FrameStyleExNames().end() - 1);
  return names;
}
inline const std::vector<String>& SideNames() {
  static const std::vector<String> names{"sdLeft", "sdTop", "sdRight", "sdBottom"};
  return names;
}
inline const std::vector<String>& FramingPreferenceNames() {
  static const std::vector<String> names{"fpCustomFraming", "fpXPThemes"};
  return names;
}
inline const std::vector<String>& TextStyleNames() {
  static const std::vector<String> names{"tsNormal", "tsRaised", "tsRecessed", "tsShadow"};
  return names;
}
inline const std::vector<String>& OrientationNames() {
  static const std::vector<String> names{"orHorizontal", "orVertical"};
  return names;
}
inline const std::vector<String>& GradientDirectionNames() {
  static const std::vector<String> names{"gdDiagonalUp",    "gdDiagonalDown",   "gdHorizontalEnd",
                                         "gdHorizontalCenter", "gdHorizontalBox", "gdVerticalEnd",
                                         "gdVerticalCenter", "gdVerticalBox",    "gdSquareBox",
                                         "gdBigSquareBox"};
  return names;
}
inline const std::vector<String>& VisualStyleNames() {
  static const std::vector<String> names{"vsClassic", "vsWinXP", "vsGradient"};
  return names;
}
inline const std::vector<String>& GradientColorStyleNames() {
  static const std::vector<String> names{"gcsSystem", "gcsMSOffice", "gcsCustom"};
  return names;
}
inline const std::vector<String>& HotTrackColorTypeNames() {
  static const std::vector<String> names{"htctComplement", "htctActual"};
  return names;
}
inline const std::vector<String>& AlignmentVerticalNames() {
  static const std::vector<String> names{"avTop", "avCenter", "avBottom"};
  return names;
}

// The blink scheduler asks each registered control whether it blinks
// (CM_BLINKQUERY, WParam 0, LParam 0; the control answers 1 when it does)
// and tells the blinking ones the new phase (CM_BLINK, WParam 1: show the
// blink colour, 0: the normal colour). Both go through TControl::Perform.
constexpr UINT CM_BLINKQUERY = 46056;
constexpr UINT CM_BLINK = 46057;
static_assert(CM_BLINKQUERY == CM_BASE + 1000, "the library's messages start at CM_BASE + 1000");

// The pause after which the framed list box's incremental search starts over.
constexpr unsigned SearchResetInterval = 1500;

// A property setter's first step: stores Value in Field when it differs and
// answers whether it did (the setter then repaints or passes it on).
template <class T>
bool StoreChange(T& Field, const T& Value) {
  if (Field == Value) return false;
  Field = Value;
  return true;
}
