#pragma once
// Tests of the environment (screen colour depth, the desktop's colour scheme,
// the platform version, fonts) and small routines on windows and canvases
// that the controls share.
#include <cstdint>
#include <span>

#include "class_library/visual/Controls.h"
#include "controls/VkTypes.h"

// Whether the screen shows full colour (no palette). FullColorScreen is the
// answer taken once, at first use, as the controls ask it while painting.
bool ScreenIsFullColor();
bool FullColorScreen();
// The desktop's colour scheme from the per-user settings: 1 "HOMESTEAD",
// 2 "METALLIC" (any case), anything else, a missing key or value 0.
int ReadXPColorScheme();

// ---- Platform version ---------------------------------------------------------
// The controls ask for features by the version that brought them (the
// framed edit's text hint came with osWinXP; the URL label asks for the
// old families). This system reports platform 2 (the NT family), version
// 5.1, the osWinXP level (class_library/core/SysUtils.h: Win32Platform,
// Win32MajorVersion, Win32MinorVersion): the window layer offers every feature the
// controls test for up to that level (text hints, visual styles, layered
// balloon shapes), and nothing the controls would ask of a later one.
//
// IsWindowsVersion is exact (osWinXP: version 5.1 itself; osWin95, osWin98,
// osWinME: the platform-1 family at major 4 or below with minor 0, 10, 90;
// osWinNT: platform 2 at major 4 or below). IsWindowsVersionOrLater compares
// major.minor as one version number, so 6.0 is later than osWinXP.
bool IsWindowsVersion(TOSVersionKind Kind);
bool IsWindowsVersionOrLater(TOSVersionKind Kind);
// The same for a given platform and version (tests, and the two above).
bool IsWindowsVersionOf(TOSVersionKind Kind, int Platform, int Major, int Minor);
bool IsWindowsVersionOrLaterOf(TOSVersionKind Kind, int Platform, int Major, int Minor);

// ---- Fonts ------------------------------------------------------------------------
// Whether the face has outlines (bitmap faces such as "MS Sans Serif" have
// none, whichever installed face draws them).
bool FontIsTrueType(TFont* Font);
// The font's text height + 2 pixels.
int FontLineHeight(TFont* Font);
// A new font like Font drawn at Angle degrees (counter-clockwise); the
// caller owns it.
gui::UniqueGdi<gui::HFONT> CreateAngledFont(TFont* Font, int Angle);

// ---- Windows and canvases ------------------------------------------------------
// DrawText of the whole text on the canvas with the given DT_ flags; answers
// its result (DT_CALCRECT updates Rect).
int CanvasDrawText(TCanvas* Canvas, const String& Text, TRect& Rect, UINT Flags);
// SendMessage with the text as LParam (a pointer to the characters,
// zero-terminated).
LRESULT SendTextMessage(gui::HWND Handle, UINT Msg, WPARAM WParam, const String& Text);
// Repaints the window's frame (and Rect of it, or all when none) when any
// of the window shows.
void InvalidateNonClientFrame(gui::HWND Handle, const TRect* Rect = nullptr);
// Invalidates every child control whose published "Transparent" is True.
void InvalidateTransparentChildren(TWinControl* Parent);
constexpr int SmallerOf(int A, int B) { return A < B ? A : B; }
constexpr int LargerOf(int A, int B) { return A > B ? A : B; }
// Bit Index of a bit array (word Index / 32, bit Index % 32); false beyond it.
bool TestBit(int Index, std::span<const std::uint32_t> Bits);
// Tells a form designer that the control changed; this system has no
// design mode, so it does nothing at run time.
void NotifyDesigner(TControl* Control);
