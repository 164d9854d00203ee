#include "class_library/visual/Graphics.h"

#include <cstdio>
#include <utility>

#include "class_library/core/SysUtils.h"
#include "class_library/components/TypeInfo.h"
#include "class_library/visual/Bitmap.h"
#include "platform/gui/Screen.h"

namespace {

struct NamedColor {
  TColor color;
  const char* name;
};

constexpr NamedColor kColorNames[] = {
    {clBlack, "clBlack"},
    {clMaroon, "clMaroon"},
    {clGreen, "clGreen"},
    {clOlive, "clOlive"},
    {clNavy, "clNavy"},
    {clPurple, "clPurple"},
    {clTeal, "clTeal"},
    {clGray, "clGray"},
    {clSilver, "clSilver"},
    {clRed, "clRed"},
    {clLime, "clLime"},
    {clYellow, "clYellow"},
    {clBlue, "clBlue"},
    {clFuchsia, "clFuchsia"},
    {clAqua, "clAqua"},
    {clWhite, "clWhite"},
    {clMoneyGreen, "clMoneyGreen"},
    {clSkyBlue, "clSkyBlue"},
    {clCream, "clCream"},
    {clMedGray, "clMedGray"},
    {clScrollBar, "clScrollBar"},
    {clBackground, "clBackground"},
    {clActiveCaption, "clActiveCaption"},
    {clInactiveCaption, "clInactiveCaption"},
    {clMenu, "clMenu"},
    {clWindow, "clWindow"},
    {clWindowFrame, "clWindowFrame"},
    {clMenuText, "clMenuText"},
    {clWindowText, "clWindowText"},
    {clCaptionText, "clCaptionText"},
    {clActiveBorder, "clActiveBorder"},
    {clInactiveBorder, "clInactiveBorder"},
    {clAppWorkSpace, "clAppWorkSpace"},
    {clHighlight, "clHighlight"},
    {clHighlightText, "clHighlightText"},
    {clBtnFace, "clBtnFace"},
    {clBtnShadow, "clBtnShadow"},
    {clGrayText, "clGrayText"},
    {clBtnText, "clBtnText"},
    {clInactiveCaptionText, "clInactiveCaptionText"},
    {clBtnHighlight, "clBtnHighlight"},
    {cl3DDkShadow, "cl3DDkShadow"},
    {cl3DLight, "cl3DLight"},
    {clInfoText, "clInfoText"},
    {clInfoBk, "clInfoBk"},
    {clHotLight, "clHotLight"},
    {clGradientActiveCaption, "clGradientActiveCaption"},
    {clGradientInactiveCaption, "clGradientInactiveCaption"},
    {clMenuHighlight, "clMenuHighlight"},
    {clMenuBar, "clMenuBar"},
    {clNone, "clNone"},
    {clDefault, "clDefault"},
};

struct NamedCharset {
  int value;
  const char* name;
};

constexpr NamedCharset kCharsets[] = {
    {0, "ANSI_CHARSET"},       {1, "DEFAULT_CHARSET"},    {2, "SYMBOL_CHARSET"},  {77, "MAC_CHARSET"},
    {128, "SHIFTJIS_CHARSET"}, {129, "HANGEUL_CHARSET"},  {130, "JOHAB_CHARSET"}, {134, "GB2312_CHARSET"},
    {136, "CHINESEBIG5_CHARSET"}, {161, "GREEK_CHARSET"}, {162, "TURKISH_CHARSET"}, {163, "VIETNAMESE_CHARSET"},
    {177, "HEBREW_CHARSET"},   {178, "ARABIC_CHARSET"},   {186, "BALTIC_CHARSET"}, {204, "RUSSIAN_CHARSET"},
    {222, "THAI_CHARSET"},     {238, "EASTEUROPE_CHARSET"}, {255, "OEM_CHARSET"},
};

}  // namespace

TColor ColorToRGB(TColor Color) {
  if (Color < 0) return static_cast<TColor>(gui::GetSysColor(Color & 0xFF));
  return Color;
}

bool IdentToColor(const String& Ident, std::int64_t& Color) {
  for (const NamedColor& c : kColorNames) {
    if (SameText(Ident, c.name)) {
      Color = c.color;
      return true;
    }
  }
  return false;
}

String ColorToString(TColor Color) {
  for (const NamedColor& c : kColorNames)
    if (c.color == Color) return c.name;
  char buf[16];
  std::snprintf(buf, sizeof buf, "$%08X", static_cast<unsigned>(Color));
  return buf;
}

bool IdentToCharset(const String& Ident, std::int64_t& Charset) {
  for (const NamedCharset& c : kCharsets) {
    if (SameText(Ident, c.name)) {
      Charset = c.value;
      return true;
    }
  }
  return false;
}

void TGraphicsObject::Changed() {
  if (OnChange) OnChange(this);
}

// ---- TFont -----------------------------------------------------------------------

TFont::TFont() = default;
TFont::~TFont() = default;

void TFont::Assign(TPersistent* Source) {
  if (auto* f = dynamic_cast<TFont*>(Source)) {
    if (f == this) return;
    name_ = f->name_;
    height_ = f->height_;
    style_ = f->style_;
    color_ = f->color_;
    charset_ = f->charset_;
    pitch_ = f->pitch_;
    orientation_ = f->orientation_;
    Changed();
    return;
  }
  TGraphicsObject::Assign(Source);
}

void TFont::Changed() {
  // Listeners (a canvas) let go of the old handle before it is deleted.
  gui::UniqueGdi<decltype(handle_.get())> old = std::move(handle_);
  TGraphicsObject::Changed();
}

void TFont::SetName(const String& Value) {
  if (Value.empty() || name_ == Value) return;
  name_ = Value;
  Changed();
}

void TFont::SetHeight(int Value) {
  if (height_ == Value) return;
  height_ = Value;
  Changed();
}

int TFont::Size() const {
  // Rounded as the point size of a character height.
  int h = height_ < 0 ? -height_ : height_;
  int size = (h * 72 + PixelsPerInch() / 2) / PixelsPerInch();
  return height_ < 0 ? size : -size;
}

void TFont::SetSize(int Value) {
  int magnitude = (Value < 0 ? -Value : Value) * PixelsPerInch();
  int h = (magnitude + 36) / 72;
  SetHeight(Value < 0 ? h : -h);
}

void TFont::SetStyle(TFontStyles Value) {
  if (style_ == Value) return;
  style_ = Value;
  Changed();
}

void TFont::SetColor(TColor Value) {
  if (color_ == Value) return;
  color_ = Value;
  // The colour is not part of the font handle.
  TGraphicsObject::Changed();
}

void TFont::SetCharset(TFontCharset Value) {
  if (charset_ == Value) return;
  charset_ = Value;
  Changed();
}

void TFont::SetPitch(TFontPitch Value) {
  if (pitch_ == Value) return;
  pitch_ = Value;
  Changed();
}

void TFont::SetOrientation(int Value) {
  if (orientation_ == Value) return;
  orientation_ = Value;
  Changed();
}

gui::LogFont TFont::LogFont() const {
  gui::LogFont lf;
  lf.lfHeight = height_;
  lf.lfEscapement = orientation_;
  lf.lfOrientation = orientation_;
  lf.lfWeight = (style_ & FontStyle(fsBold)) ? gui::FW_BOLD : gui::FW_NORMAL;
  lf.lfItalic = (style_ & FontStyle(fsItalic)) ? 1 : 0;
  lf.lfUnderline = (style_ & FontStyle(fsUnderline)) ? 1 : 0;
  lf.lfStrikeOut = (style_ & FontStyle(fsStrikeOut)) ? 1 : 0;
  lf.lfCharSet = charset_;
  lf.lfPitchAndFamily = pitch_ == fpVariable ? gui::VARIABLE_PITCH
                        : pitch_ == fpFixed  ? gui::FIXED_PITCH
                                             : gui::DEFAULT_PITCH;
  lf.lfFaceName = name_;
  return lf;
}

gui::HFONT TFont::Handle() {
  if (!handle_) handle_.reset(gui::CreateFontIndirect(LogFont()));
  return handle_.get();
}

// ---- TPen --------------------------------------------------------------------------

int PenModeToRop2(TPenMode Mode) {
  static constexpr int kRop2[] = {gui::R2_BLACK,       gui::R2_WHITE,     gui::R2_NOP,         gui::R2_NOT,
                                  gui::R2_COPYPEN,     gui::R2_NOTCOPYPEN, gui::R2_MERGEPENNOT, gui::R2_MASKPENNOT,
                                  gui::R2_MERGENOTPEN, gui::R2_MASKNOTPEN, gui::R2_MERGEPEN,   gui::R2_NOTMERGEPEN,
                                  gui::R2_MASKPEN,     gui::R2_NOTMASKPEN, gui::R2_XORPEN,     gui::R2_NOTXORPEN};
  return kRop2[Mode];
}

TPen::TPen() = default;
TPen::~TPen() = default;

void TPen::Assign(TPersistent* Source) {
  if (auto* p = dynamic_cast<TPen*>(Source)) {
    if (p == this) return;
    color_ = p->color_;
    width_ = p->width_;
    style_ = p->style_;
    mode_ = p->mode_;
    Changed();
    return;
  }
  TGraphicsObject::Assign(Source);
}

void TPen::Changed() {
  // Listeners (a canvas) let go of the old handle before it is deleted.
  gui::UniqueGdi<decltype(handle_.get())> old = std::move(handle_);
  TGraphicsObject::Changed();
}

void TPen::SetColor(TColor Value) {
  if (color_ == Value) return;
  color_ = Value;
  Changed();
}

void TPen::SetWidth(int Value) {
  if (Value < 0 || width_ == Value) return;
  width_ = Value;
  Changed();
}

void TPen::SetStyle(TPenStyle Value) {
  if (style_ == Value) return;
  style_ = Value;
  Changed();
}

void TPen::SetMode(TPenMode Value) {
  if (mode_ == Value) return;
  mode_ = Value;
  // The mode is a setting of the context, not of the pen handle.
  TGraphicsObject::Changed();
}

gui::HPEN TPen::Handle() {
  if (!handle_) {
    static constexpr int kStyles[] = {gui::PS_SOLID,      gui::PS_DASH, gui::PS_DOT,        gui::PS_DASHDOT,
                                      gui::PS_DASHDOTDOT, gui::PS_NULL, gui::PS_INSIDEFRAME};
    handle_.reset(gui::CreatePen(kStyles[style_], width_, ColorToRef(color_)));
  }
  return handle_.get();
}

// ---- TBrush ------------------------------------------------------------------------

TBrush::TBrush() = default;
TBrush::~TBrush() = default;

void TBrush::Assign(TPersistent* Source) {
  if (auto* b = dynamic_cast<TBrush*>(Source)) {
    if (b == this) return;
    color_ = b->color_;
    style_ = b->style_;
    bitmap_ = b->bitmap_;
    Changed();
    return;
  }
  TGraphicsObject::Assign(Source);
}

void TBrush::Changed() {
  // Listeners (a canvas) let go of the old handle before it is deleted.
  gui::UniqueGdi<decltype(handle_.get())> old = std::move(handle_);
  TGraphicsObject::Changed();
}

void TBrush::SetColor(TColor Value) {
  if (color_ == Value && !bitmap_) return;
  color_ = Value;
  bitmap_ = nullptr;
  if (style_ == bsClear) style_ = bsSolid;
  Changed();
}

void TBrush::SetStyle(TBrushStyle Value) {
  if (style_ == Value) return;
  style_ = Value;
  if (style_ == bsClear) bitmap_ = nullptr;
  Changed();
}

void TBrush::SetBitmap(TBitmap* Value) {
  bitmap_ = Value;
  Changed();
}

gui::HBRUSH TBrush::Handle() {
  if (!handle_) {
    gui::HBRUSH h{};
    if (bitmap_ && !bitmap_->Empty()) {
      h = gui::CreatePatternBrush(bitmap_->Handle());
    } else if (style_ == bsClear) {
      gui::LogBrush lb;
      lb.lbStyle = gui::BS_NULL;
      h = gui::CreateBrushIndirect(lb);
    } else if (style_ == bsSolid) {
      h = gui::CreateSolidBrush(ColorToRef(color_));
    } else {
      static constexpr int kHatch[] = {gui::HS_HORIZONTAL, gui::HS_VERTICAL, gui::HS_FDIAGONAL,
                                       gui::HS_BDIAGONAL,  gui::HS_CROSS,    gui::HS_DIAGCROSS};
      h = gui::CreateHatchBrush(kHatch[style_ - bsHorizontal], ColorToRef(color_));
    }
    handle_.reset(h);
  }
  return handle_.get();
}

// ---- Published properties ----------------------------------------------------------

void RegisterGraphicsClasses() {
  static const bool registered = [] {
    RegisterClass<TGraphicsObject>("TGraphicsObject", "TPersistent");
    RegisterClass<TFont>("TFont", "TGraphicsObject")
        .Integer("Charset", &TFont::Charset, &TFont::SetCharset, 1)
        .Idents(&IdentToCharset)
        .Integer("Color", &TFont::Color, &TFont::SetColor, clWindowText)
        .Idents(&IdentToColor)
        .Integer("Height", &TFont::Height, &TFont::SetHeight)
        .Str("Name", &TFont::Name, &TFont::SetName)
        .Enum("Pitch", {"fpDefault", "fpVariable", "fpFixed"}, &TFont::Pitch, &TFont::SetPitch, fpDefault)
        .Integer("Size", &TFont::Size, &TFont::SetSize)
        .NotStored()
        .Set("Style", {"fsBold", "fsItalic", "fsUnderline", "fsStrikeOut"}, &TFont::Style, &TFont::SetStyle, 0)
        .Integer("Orientation", &TFont::Orientation, &TFont::SetOrientation, 0);
    RegisterClass<TPen>("TPen", "TGraphicsObject")
        .Integer("Color", &TPen::Color, &TPen::SetColor, clBlack)
        .Idents(&IdentToColor)
        .Integer("Width", &TPen::Width, &TPen::SetWidth, 1)
        .Enum("Style", {"psSolid", "psDash", "psDot", "psDashDot", "psDashDotDot", "psClear", "psInsideFrame"},
              &TPen::Style, &TPen::SetStyle, psSolid)
        .Enum("Mode",
              {"pmBlack", "pmWhite", "pmNop", "pmNot", "pmCopy", "pmNotCopy", "pmMergePenNot", "pmMaskPenNot",
               "pmMergeNotPen", "pmMaskNotPen", "pmMerge", "pmNotMerge", "pmMask", "pmNotMask", "pmXor",
               "pmNotXor"},
              &TPen::Mode, &TPen::SetMode, pmCopy);
    RegisterClass<TBrush>("TBrush", "TGraphicsObject")
        .Integer("Color", &TBrush::Color, &TBrush::SetColor, clWhite)
        .Idents(&IdentToColor)
        .Enum("Style",
              {"bsSolid", "bsClear", "bsHorizontal", "bsVertical", "bsFDiagonal", "bsBDiagonal", "bsCross",
               "bsDiagCross"},
              &TBrush::Style, &TBrush::SetStyle, bsSolid);
    return true;
  }();
  (void)registered;
}

namespace {
const bool kClassesRegistered = (RegisterGraphicsClasses(), true);
}  // namespace
