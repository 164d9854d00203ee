#pragma once
// Colours and the drawing objects of a canvas: fonts, pens and brushes. Each
// object keeps its values and makes the window layer's handle for them when
// first asked (Handle), and drops the handle when a value changes; OnChange
// tells the owner (a canvas selects the new handle, a control repaints).
#include <cstdint>
#include <functional>
#include <memory>

#include "class_library/core/Persistent.h"
#include "platform/gui/Gdi.h"
#include "platform/gui/Screen.h"
#include "platform/gui/Types.h"

using TRect = gui::Rect;
using TPoint = gui::Point;
using TSize = gui::Size;

inline TRect Rect(int Left, int Top, int Right, int Bottom) { return TRect{Left, Top, Right, Bottom}; }
inline TRect Bounds(int Left, int Top, int Width, int Height) {
  return TRect{Left, Top, Left + Width, Top + Height};
}
inline TPoint Point(int X, int Y) { return TPoint{X, Y}; }

// ---- Colours ---------------------------------------------------------------
// An RGB value $00BBGGRR, a system colour $FF0000nn (nn: the system colour
// index), clNone or clDefault.
using TColor = std::int32_t;

constexpr TColor clSystemColor = static_cast<TColor>(0xFF000000u);
constexpr TColor SysColor(int index) { return static_cast<TColor>(0xFF000000u | static_cast<std::uint32_t>(index)); }

constexpr TColor clScrollBar = SysColor(gui::COLOR_SCROLLBAR);
constexpr TColor clBackground = SysColor(gui::COLOR_BACKGROUND);
constexpr TColor clActiveCaption = SysColor(gui::COLOR_ACTIVECAPTION);
constexpr TColor clInactiveCaption = SysColor(gui::COLOR_INACTIVECAPTION);
constexpr TColor clMenu = SysColor(gui::COLOR_MENU);
constexpr TColor clWindow = SysColor(gui::COLOR_WINDOW);
constexpr TColor clWindowFrame = SysColor(gui::COLOR_WINDOWFRAME);
constexpr TColor clMenuText = SysColor(gui::COLOR_MENUTEXT);
constexpr TColor clWindowText = SysColor(gui::COLOR_WINDOWTEXT);
constexpr TColor clCaptionText = SysColor(gui::COLOR_CAPTIONTEXT);
constexpr TColor clActiveBorder = SysColor(gui::COLOR_ACTIVEBORDER);
constexpr TColor clInactiveBorder = SysColor(gui::COLOR_INACTIVEBORDER);
constexpr TColor clAppWorkSpace = SysColor(gui::COLOR_APPWORKSPACE);
constexpr TColor clHighlight = SysColor(gui::COLOR_HIGHLIGHT);
constexpr TColor clHighlightText = SysColor(gui::COLOR_HIGHLIGHTTEXT);
constexpr TColor clBtnFace = SysColor(gui::COLOR_BTNFACE);
constexpr TColor clBtnShadow = SysColor(gui::COLOR_BTNSHADOW);
constexpr TColor clGrayText = SysColor(gui::COLOR_GRAYTEXT);
constexpr TColor clBtnText = SysColor(gui::COLOR_BTNTEXT);
constexpr TColor clInactiveCaptionText = SysColor(gui::COLOR_INACTIVECAPTIONTEXT);
constexpr TColor clBtnHighlight = SysColor(gui::COLOR_BTNHIGHLIGHT);
constexpr TColor cl3DDkShadow = SysColor(gui::COLOR_3DDKSHADOW);
constexpr TColor cl3DLight = SysColor(gui::COLOR_3DLIGHT);
constexpr TColor clInfoText = SysColor(gui::COLOR_INFOTEXT);
constexpr TColor clInfoBk = SysColor(gui::COLOR_INFOBK);
constexpr TColor clHotLight = SysColor(gui::COLOR_HOTLIGHT);
constexpr TColor clGradientActiveCaption = SysColor(gui::COLOR_GRADIENTACTIVECAPTION);
constexpr TColor clGradientInactiveCaption = SysColor(gui::COLOR_GRADIENTINACTIVECAPTION);
constexpr TColor clMenuHighlight = SysColor(gui::COLOR_MENUHILIGHT);
constexpr TColor clMenuBar = SysColor(gui::COLOR_MENUBAR);

constexpr TColor clBlack = 0x000000;
constexpr TColor clMaroon = 0x000080;
constexpr TColor clGreen = 0x008000;
constexpr TColor clOlive = 0x008080;
constexpr TColor clNavy = 0x800000;
constexpr TColor clPurple = 0x800080;
constexpr TColor clTeal = 0x808000;
constexpr TColor clGray = 0x808080;
constexpr TColor clSilver = 0xC0C0C0;
constexpr TColor clRed = 0x0000FF;
constexpr TColor clLime = 0x00FF00;
constexpr TColor clYellow = 0x00FFFF;
constexpr TColor clBlue = 0xFF0000;
constexpr TColor clFuchsia = 0xFF00FF;
constexpr TColor clAqua = 0xFFFF00;
constexpr TColor clWhite = 0xFFFFFF;
constexpr TColor clMoneyGreen = 0xC0DCC0;
constexpr TColor clSkyBlue = 0xF0CAA6;
constexpr TColor clCream = 0xF0FBFF;
constexpr TColor clMedGray = 0xA4A0A0;
constexpr TColor clNone = 0x1FFFFFFF;
constexpr TColor clDefault = 0x20000000;

// A system colour resolved to its current RGB value; other colours as they are.
TColor ColorToRGB(TColor Color);
inline gui::COLORREF ColorToRef(TColor Color) { return static_cast<gui::COLORREF>(ColorToRGB(Color)) & 0xFFFFFF; }
// "clBtnFace" and the other names of resource text, both ways.
bool IdentToColor(const String& Ident, std::int64_t& Color);
String ColorToString(TColor Color);  // the name, else "$00BBGGRR"
// Font character sets by name (DEFAULT_CHARSET, ANSI_CHARSET ...).
bool IdentToCharset(const String& Ident, std::int64_t& Charset);

// ---- Drawing objects -----------------------------------------------------------

class TGraphicsObject : public TPersistent {
public:
  String ClassName() const override { return "TGraphicsObject"; }
  TNotifyEvent OnChange;

protected:
  // Drops the handle and fires OnChange.
  virtual void Changed();
};

enum TFontStyle { fsBold, fsItalic, fsUnderline, fsStrikeOut };
using TFontStyles = unsigned;  // bit n: TFontStyle n
constexpr TFontStyles FontStyle(TFontStyle s) { return 1u << s; }
enum TFontPitch { fpDefault, fpVariable, fpFixed };
using TFontCharset = Byte;

class TFont : public TGraphicsObject {
public:
  TFont();
  ~TFont() override;
  String ClassName() const override { return "TFont"; }
  void Assign(TPersistent* Source) override;

  // The face as named (looked up through the window layer's substitutes).
  const String& Name() const { return name_; }
  void SetName(const String& Value);
  // Height in pixels: negative is the character height, positive the cell
  // height. Size is in points at PixelsPerInch (96): Height = -Size * 96 / 72.
  int Height() const { return height_; }
  void SetHeight(int Value);
  int Size() const;
  void SetSize(int Value);
  TFontStyles Style() const { return style_; }
  void SetStyle(TFontStyles Value);
  TColor Color() const { return color_; }
  void SetColor(TColor Value);
  TFontCharset Charset() const { return charset_; }
  void SetCharset(TFontCharset Value);
  TFontPitch Pitch() const { return pitch_; }
  void SetPitch(TFontPitch Value);
  // Angle of the baseline in tenths of a degree (rotated text).
  int Orientation() const { return orientation_; }
  void SetOrientation(int Value);
  int PixelsPerInch() const { return 96; }

  // The font handle (owned by this object; none before the window layer starts).
  gui::HFONT Handle();
  gui::LogFont LogFont() const;

protected:
  void Changed() override;

private:
  String name_ = "MS Sans Serif";
  int height_ = -11;
  TFontStyles style_ = 0;
  TColor color_ = clWindowText;
  TFontCharset charset_ = gui::DEFAULT_CHARSET;
  TFontPitch pitch_ = fpDefault;
  int orientation_ = 0;
  gui::UniqueGdi<gui::HFONT> handle_;
};

enum TPenStyle { psSolid, psDash, psDot, psDashDot, psDashDotDot, psClear, psInsideFrame };
enum TPenMode {
  pmBlack, pmWhite, pmNop, pmNot, pmCopy, pmNotCopy, pmMergePenNot, pmMaskPenNot,
  pmMergeNotPen, pmMaskNotPen, pmMerge, pmNotMerge, pmMask, pmNotMask, pmXor, pmNotXor
};
// The window layer's R2_ mixing mode of a pen mode.
int PenModeToRop2(TPenMode Mode);

class TPen : public TGraphicsObject {
public:
  TPen();
  ~TPen() override;
  String ClassName() const override { return "TPen"; }
  void Assign(TPersistent* Source) override;

  TColor Color() const { return color_; }
  void SetColor(TColor Value);
  int Width() const { return width_; }
  void SetWidth(int Value);
  TPenStyle Style() const { return style_; }
  void SetStyle(TPenStyle Value);
  // How the pen mixes with what is there; the canvas applies it.
  TPenMode Mode() const { return mode_; }
  void SetMode(TPenMode Value);

  gui::HPEN Handle();

private:
  TColor color_ = clBlack;
  int width_ = 1;
  TPenStyle style_ = psSolid;
  TPenMode mode_ = pmCopy;
  gui::UniqueGdi<gui::HPEN> handle_;

protected:
  void Changed() override;
};

enum TBrushStyle { bsSolid, bsClear, bsHorizontal, bsVertical, bsFDiagonal, bsBDiagonal, bsCross, bsDiagCross };

class TBitmap;

class TBrush : public TGraphicsObject {
public:
  TBrush();
  ~TBrush() override;
  String ClassName() const override { return "TBrush"; }
  void Assign(TPersistent* Source) override;

  TColor Color() const { return color_; }
  void SetColor(TColor Value);
  TBrushStyle Style() const { return style_; }
  void SetStyle(TBrushStyle Value);
  // A pattern (8 x 8 or larger) painted instead of the colour; the brush
  // does not own it and keeps no reference after the next change.
  TBitmap* Bitmap() const { return bitmap_; }
  void SetBitmap(TBitmap* Value);

  gui::HBRUSH Handle();

private:
  TColor color_ = clWhite;
  TBrushStyle style_ = bsSolid;
  TBitmap* bitmap_ = nullptr;
  gui::UniqueGdi<gui::HBRUSH> handle_;

protected:
  void Changed() override;
};

// Registers the drawing objects' published properties with the class registry.
void RegisterGraphicsClasses();
