#pragma once
// Device contexts and drawing objects.
//
// A device context (HDC) draws on a window (Window.h: GetDC, BeginPaint), on
// a bitmap (CreateCompatibleDC, then SelectObject of the bitmap) or on a
// surface the toolkit hands out for a moment (owner-drawn list items). It
// holds the selected pen, brush, font and bitmap, the text and background
// colours and modes, the clip region and the viewport origin; SaveDC pushes
// all of that and RestoreDC pops it.
//
// Pixel rules: coordinates are integers; a rectangle covers Left..Right-1
// and Top..Bottom-1; LineTo draws from the current position up to but not
// including the end point; filled shapes and regions cover the pixels whose
// centres lie inside the outline, right and bottom edges excluded.
//
// Ownership: objects created here are the caller's until DeleteObject /
// DeleteDC; an object selected into a context must stay alive while it is
// selected (deleting it while selected is refused). Stock objects are never
// deleted. UniqueGdi below owns a handle RAII style.
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/gui/Types.h"

namespace gui {

// ---- Contexts ----------------------------------------------------------
// A memory context (reference ignored): a 1 x 1 monochrome bitmap is selected
// until the caller selects its own.
HDC CreateCompatibleDC(HDC reference);
bool DeleteDC(HDC dc);
// Pushes the whole state; answers the new depth (0 on failure).
int SaveDC(HDC dc);
// level > 0: back to the state saved at that depth; level < 0: that many
// steps back (-1 the last one).
bool RestoreDC(HDC dc, int level);

// Device capabilities.
constexpr int HORZRES = 8;
constexpr int VERTRES = 10;
constexpr int BITSPIXEL = 12;
constexpr int PLANES = 14;
constexpr int NUMCOLORS = 24;    // -1 on a full-colour surface
constexpr int LOGPIXELSX = 88;   // 96: the layer draws at a fixed 96 pixels per inch
constexpr int LOGPIXELSY = 90;
int GetDeviceCaps(HDC dc, int index);

// ---- Colours and modes ---------------------------------------------------
COLORREF SetTextColor(HDC dc, COLORREF color);
COLORREF GetTextColor(HDC dc);
COLORREF SetBkColor(HDC dc, COLORREF color);
COLORREF GetBkColor(HDC dc);
constexpr int TRANSPARENT = 1;
constexpr int OPAQUE = 2;
int SetBkMode(HDC dc, int mode);
int GetBkMode(HDC dc);
// Mixing of pens and brushes with what is there.
constexpr int R2_BLACK = 1;
constexpr int R2_NOTMERGEPEN = 2;
constexpr int R2_MASKNOTPEN = 3;
constexpr int R2_NOTCOPYPEN = 4;
constexpr int R2_MASKPENNOT = 5;
constexpr int R2_NOT = 6;
constexpr int R2_XORPEN = 7;
constexpr int R2_NOTMASKPEN = 8;
constexpr int R2_MASKPEN = 9;
constexpr int R2_NOTXORPEN = 10;
constexpr int R2_NOP = 11;
constexpr int R2_MERGENOTPEN = 12;
constexpr int R2_COPYPEN = 13;
constexpr int R2_MERGEPENNOT = 14;
constexpr int R2_MERGEPEN = 15;
constexpr int R2_WHITE = 16;
int SetROP2(HDC dc, int mode);
int GetROP2(HDC dc);
constexpr int ALTERNATE = 1;
constexpr int WINDING = 2;
int SetPolyFillMode(HDC dc, int mode);
int GetPolyFillMode(HDC dc);
constexpr int BLACKONWHITE = 1;
constexpr int WHITEONBLACK = 2;
constexpr int COLORONCOLOR = 3;
constexpr int HALFTONE = 4;
int SetStretchBltMode(HDC dc, int mode);
// Where pattern brushes start, in device coordinates of the context.
bool SetBrushOrgEx(HDC dc, int x, int y, Point* old);

// ---- Coordinates ------------------------------------------------------------
// Logical point (0, 0) is at the viewport origin (device coordinates).
bool SetViewportOrgEx(HDC dc, int x, int y, Point* old);
bool OffsetViewportOrgEx(HDC dc, int dx, int dy, Point* old);
bool GetViewportOrgEx(HDC dc, Point& p);
// Logical to device coordinates of this context and back.
bool LPtoDP(HDC dc, Point* points, int count);
bool DPtoLP(HDC dc, Point* points, int count);

// ---- Objects -------------------------------------------------------------------
// Pens. PS_DOT: one pixel on, one off (gaps in the background colour when the
// background mode is OPAQUE); PS_DASH six on, two off; PS_NULL draws nothing.
// Width 0 is width 1; wider pens are centred on the line.
constexpr int PS_SOLID = 0;
constexpr int PS_DASH = 1;
constexpr int PS_DOT = 2;
constexpr int PS_DASHDOT = 3;
constexpr int PS_DASHDOTDOT = 4;
constexpr int PS_NULL = 5;
constexpr int PS_INSIDEFRAME = 6;
constexpr int PS_ALTERNATE = 8;
HPEN CreatePen(int style, int width, COLORREF color);

// Brushes. A pattern brush repeats an 8 x 8 (or larger) bitmap from the
// brush origin; a monochrome pattern paints its 0 bits in the text colour
// and its 1 bits in the background colour.
constexpr UINT BS_SOLID = 0;
constexpr UINT BS_NULL = 1;
constexpr UINT BS_HOLLOW = 1;
constexpr UINT BS_HATCHED = 2;
constexpr UINT BS_PATTERN = 3;
constexpr int HS_HORIZONTAL = 0;
constexpr int HS_VERTICAL = 1;
constexpr int HS_FDIAGONAL = 2;
constexpr int HS_BDIAGONAL = 3;
constexpr int HS_CROSS = 4;
constexpr int HS_DIAGCROSS = 5;
struct LogBrush {
  UINT lbStyle = BS_SOLID;
  COLORREF lbColor = 0;
  std::uintptr_t lbHatch = 0;  // HS_* for BS_HATCHED; the HBITMAP for BS_PATTERN
};
HBRUSH CreateSolidBrush(COLORREF color);
HBRUSH CreatePatternBrush(HBITMAP pattern);  // the brush keeps its own copy
HBRUSH CreateHatchBrush(int hatch, COLORREF color);
HBRUSH CreateBrushIndirect(const LogBrush& lb);

// Fonts. lfHeight < 0: the character height (em) in pixels; > 0: the cell
// height (ascent + descent); 0: the default size. lfEscapement: the angle of
// the baseline in tenths of a degree, counter-clockwise. The face name is
// looked up through the face substitutes (SetFaceSubstitute) and then among
// the installed faces; an unknown face gets the default sans face.
constexpr int FW_DONTCARE = 0;
constexpr int FW_NORMAL = 400;
constexpr int FW_BOLD = 700;
constexpr BYTE DEFAULT_CHARSET = 1;
constexpr BYTE ANSI_CHARSET = 0;
constexpr BYTE SYMBOL_CHARSET = 2;
constexpr BYTE DEFAULT_QUALITY = 0;
constexpr BYTE DRAFT_QUALITY = 1;
constexpr BYTE PROOF_QUALITY = 2;
constexpr BYTE NONANTIALIASED_QUALITY = 3;
constexpr BYTE ANTIALIASED_QUALITY = 4;
constexpr BYTE CLEARTYPE_QUALITY = 5;
constexpr BYTE DEFAULT_PITCH = 0;
constexpr BYTE FIXED_PITCH = 1;
constexpr BYTE VARIABLE_PITCH = 2;
struct LogFont {
  int lfHeight = 0;
  int lfWidth = 0;
  int lfEscapement = 0;
  int lfOrientation = 0;
  int lfWeight = FW_NORMAL;
  BYTE lfItalic = 0;
  BYTE lfUnderline = 0;
  BYTE lfStrikeOut = 0;
  BYTE lfCharSet = DEFAULT_CHARSET;
  BYTE lfOutPrecision = 0;
  BYTE lfClipPrecision = 0;
  BYTE lfQuality = DEFAULT_QUALITY;
  BYTE lfPitchAndFamily = DEFAULT_PITCH;
  std::string lfFaceName;
};
HFONT CreateFontIndirect(const LogFont& lf);
// Face substitutes: which installed face draws a named face (names compare
// without regard to case). The defaults map the classic sans faces (Tahoma,
// MS Sans Serif, Verdana, Arial, Segoe UI, MS Shell Dlg, System ...) to the
// installed DejaVu Sans, Courier and Courier New and the like to DejaVu Sans
// Mono, Times New Roman to DejaVu Serif, each when installed. Faces that were
// bitmap fonts (MS Sans Serif, System, Courier, Terminal, Small Fonts ...)
// report no TrueType outlines in GetTextMetrics, whatever face draws them.
void SetFaceSubstitute(const std::string& face, const std::string& installedFace);
std::string ResolveFace(const std::string& face);
// Text antialiasing of fonts with DEFAULT_QUALITY (on unless switched off;
// tests switch it off for exact pixels). Monochrome bitmaps never get it.
void SetDefaultTextAntialiasing(bool on);

// Bitmaps. A monochrome bitmap (1 bit per pixel) takes part in the colour
// conversions of BitBlt; a colour bitmap is 32-bit RGB. CreateCompatibleBitmap
// gives a colour bitmap unless the context draws on a monochrome one.
HBITMAP CreateBitmap(int width, int height, UINT planes, UINT bitsPerPixel, const void* bits);
HBITMAP CreateCompatibleBitmap(HDC dc, int width, int height);
// A colour bitmap from top-down 0x00RRGGBB pixels (width * height values).
HBITMAP CreateBitmapFromPixels(int width, int height, std::span<const std::uint32_t> pixels);
// The pixels of a bitmap, top-down 0x00RRGGBB (monochrome: 0 or 0xFFFFFF).
std::vector<std::uint32_t> GetBitmapPixels(HBITMAP bitmap);
bool SetBitmapPixels(HBITMAP bitmap, std::span<const std::uint32_t> pixels);
struct BitmapInfo {
  int bmWidth = 0;
  int bmHeight = 0;
  int bmBitsPixel = 0;  // 1 or 32
};
bool GetBitmapInfo(HBITMAP bitmap, BitmapInfo& info);
bool GetFontInfo(HFONT font, LogFont& lf);
struct LogPen {
  int style = PS_SOLID;
  int width = 1;
  COLORREF color = 0;
};
bool GetPenInfo(HPEN pen, LogPen& lp);
bool GetBrushInfo(HBRUSH brush, LogBrush& lb);

// Stock objects.
constexpr int WHITE_BRUSH = 0;
constexpr int LTGRAY_BRUSH = 1;
constexpr int GRAY_BRUSH = 2;
constexpr int DKGRAY_BRUSH = 3;
constexpr int BLACK_BRUSH = 4;
constexpr int NULL_BRUSH = 5;
constexpr int HOLLOW_BRUSH = 5;
constexpr int WHITE_PEN = 6;
constexpr int BLACK_PEN = 7;
constexpr int NULL_PEN = 8;
constexpr int SYSTEM_FONT = 13;
constexpr int DEFAULT_GUI_FONT = 17;
constexpr int DC_BRUSH = 18;
HBRUSH GetStockBrush(int which);
HPEN GetStockPen(int which);
HFONT GetStockFont(int which);

// Selecting: answers the object selected before (none when the context or
// object is invalid). A bitmap can be selected into one memory context at a
// time. Selecting a region sets the clip region to a copy of it (see
// SelectClipRgn) and answers its kind.
HPEN SelectObject(HDC dc, HPEN pen);
HBRUSH SelectObject(HDC dc, HBRUSH brush);
HFONT SelectObject(HDC dc, HFONT font);
HBITMAP SelectObject(HDC dc, HBITMAP bitmap);
int SelectObject(HDC dc, HRGN region);
HPEN GetCurrentPen(HDC dc);
HBRUSH GetCurrentBrush(HDC dc);
HFONT GetCurrentFont(HDC dc);
HBITMAP GetCurrentBitmap(HDC dc);

bool DeleteObject(HPEN pen);
bool DeleteObject(HBRUSH brush);
bool DeleteObject(HFONT font);
bool DeleteObject(HBITMAP bitmap);
bool DeleteObject(HRGN region);

// Owns one handle and deletes it at the end of its life.
template <typename H>
class UniqueGdi {
public:
  UniqueGdi() = default;
  explicit UniqueGdi(H h) : h_(h) {}
  ~UniqueGdi() { reset(); }
  UniqueGdi(UniqueGdi&& o) noexcept : h_(std::exchange(o.h_, H{})) {}
  UniqueGdi& operator=(UniqueGdi&& o) noexcept {
    if (this != &o) {
      reset();
      h_ = std::exchange(o.h_, H{});
    }
    return *this;
  }
  UniqueGdi(const UniqueGdi&) = delete;
  UniqueGdi& operator=(const UniqueGdi&) = delete;
  H get() const { return h_; }
  H release() { return std::exchange(h_, H{}); }
  void reset(H h = H{}) {
    if (!IsNull(h_)) DeleteObject(h_);
    h_ = h;
  }
  explicit operator bool() const { return !IsNull(h_); }

private:
  H h_{};
};
// Owns a memory context (DeleteDC).
class UniqueDC {
public:
  UniqueDC() = default;
  explicit UniqueDC(HDC dc) : dc_(dc) {}
  ~UniqueDC() {
    if (!IsNull(dc_)) DeleteDC(dc_);
  }
  UniqueDC(UniqueDC&& o) noexcept : dc_(std::exchange(o.dc_, HDC{})) {}
  UniqueDC& operator=(UniqueDC&& o) noexcept {
    if (this != &o) {
      if (!IsNull(dc_)) DeleteDC(dc_);
      dc_ = std::exchange(o.dc_, HDC{});
    }
    return *this;
  }
  UniqueDC(const UniqueDC&) = delete;
  UniqueDC& operator=(const UniqueDC&) = delete;
  HDC get() const { return dc_; }

private:
  HDC dc_{};
};

// ---- Lines and shapes --------------------------------------------------------
bool MoveToEx(HDC dc, int x, int y, Point* old);
bool LineTo(HDC dc, int x, int y);
bool GetCurrentPositionEx(HDC dc, Point& p);
bool Polyline(HDC dc, const Point* points, int count);
// Outline with the pen, inside with the brush (pen and brush may be null).
// Rectangle's outline runs on Left, Top, Right-1 and Bottom-1.
bool Rectangle(HDC dc, int left, int top, int right, int bottom);
bool Ellipse(HDC dc, int left, int top, int right, int bottom);
bool RoundRect(HDC dc, int left, int top, int right, int bottom, int cornerWidth, int cornerHeight);
bool Polygon(HDC dc, const Point* points, int count);
bool FillRect(HDC dc, const Rect& r, HBRUSH brush);
bool FrameRect(HDC dc, const Rect& r, HBRUSH brush);
bool InvertRect(HDC dc, const Rect& r);
// The dotted focus rectangle: every second pixel of the outline inverted
// (drawing it twice removes it).
bool DrawFocusRect(HDC dc, const Rect& r);
COLORREF SetPixel(HDC dc, int x, int y, COLORREF color);
// CLR_INVALID outside the surface or the clip region.
COLORREF GetPixel(HDC dc, int x, int y);

// ---- Raster operations ---------------------------------------------------------
constexpr DWORD SRCCOPY = 0x00CC0020;
constexpr DWORD SRCPAINT = 0x00EE0086;    // source OR destination
constexpr DWORD SRCAND = 0x008800C6;      // source AND destination
constexpr DWORD SRCINVERT = 0x00660046;   // source XOR destination
constexpr DWORD SRCERASE = 0x00440328;    // source AND NOT destination
constexpr DWORD NOTSRCCOPY = 0x00330008;
constexpr DWORD NOTSRCERASE = 0x001100A6; // NOT (source OR destination)
constexpr DWORD MERGECOPY = 0x00C000CA;   // source AND brush
constexpr DWORD MERGEPAINT = 0x00BB0226;  // NOT source OR destination
constexpr DWORD PATCOPY = 0x00F00021;
constexpr DWORD PATPAINT = 0x00FB0A09;
constexpr DWORD PATINVERT = 0x005A0049;   // brush XOR destination
constexpr DWORD DSTINVERT = 0x00550009;
constexpr DWORD BLACKNESS = 0x00000042;
constexpr DWORD WHITENESS = 0x00FF0062;
// Colour conversions: a monochrome source drawn on colour paints its 0 bits
// in the destination's text colour and its 1 bits in its background colour;
// a colour source drawn on monochrome gives 1 where the pixel equals the
// source context's background colour and 0 elsewhere.
bool BitBlt(HDC dst, int x, int y, int width, int height, HDC src, int sx, int sy, DWORD rop);
// A negative width or height of either rectangle mirrors the image along
// that axis (the rectangle then extends left or up from its corner).
bool StretchBlt(HDC dst, int x, int y, int width, int height, HDC src, int sx, int sy, int sw,
                int sh, DWORD rop);
bool PatBlt(HDC dst, int x, int y, int width, int height, DWORD rop);
// Copies without the pixels of the transparent colour (stretching as StretchBlt).
bool TransparentBlt(HDC dst, int x, int y, int width, int height, HDC src, int sx, int sy, int sw,
                    int sh, COLORREF transparent);

// ---- Regions -----------------------------------------------------------------
constexpr int ERROR = 0;
constexpr int NULLREGION = 1;
constexpr int SIMPLEREGION = 2;
constexpr int COMPLEXREGION = 3;
constexpr int RGN_AND = 1;
constexpr int RGN_OR = 2;
constexpr int RGN_XOR = 3;
constexpr int RGN_DIFF = 4;
constexpr int RGN_COPY = 5;
HRGN CreateRectRgn(int left, int top, int right, int bottom);
inline HRGN CreateRectRgnIndirect(const Rect& r) { return CreateRectRgn(r.Left, r.Top, r.Right, r.Bottom); }
HRGN CreateEllipticRgn(int left, int top, int right, int bottom);
HRGN CreateRoundRectRgn(int left, int top, int right, int bottom, int cornerWidth, int cornerHeight);
HRGN CreatePolygonRgn(const Point* points, int count, int fillMode);
bool SetRectRgn(HRGN region, int left, int top, int right, int bottom);
// dst := a op b (b unused for RGN_COPY); answers the kind of dst.
int CombineRgn(HRGN dst, HRGN a, HRGN b, int op);
bool EqualRgn(HRGN a, HRGN b);
int OffsetRgn(HRGN region, int dx, int dy);
bool PtInRegion(HRGN region, int x, int y);
bool RectInRegion(HRGN region, const Rect& r);
int GetRgnBox(HRGN region, Rect& box);
// The rectangles that make up a region, top to bottom.
std::vector<Rect> GetRegionRects(HRGN region);
bool FillRgn(HDC dc, HRGN region, HBRUSH brush);
bool FrameRgn(HDC dc, HRGN region, HBRUSH brush, int width, int height);
bool PaintRgn(HDC dc, HRGN region);  // with the selected brush
bool InvertRgn(HDC dc, HRGN region);

// ---- Clipping ------------------------------------------------------------------------
// The clip region is in device coordinates of the context and always lies
// inside the visible part of the surface. SelectClipRgn(dc, none) removes it.
int SelectClipRgn(HDC dc, HRGN region);
int ExtSelectClipRgn(HDC dc, HRGN region, int mode);  // mode: RGN_*
// In logical coordinates.
int IntersectClipRect(HDC dc, int left, int top, int right, int bottom);
int ExcludeClipRect(HDC dc, int left, int top, int right, int bottom);
int OffsetClipRgn(HDC dc, int dx, int dy);
// The box of what can be drawn now, logical coordinates; answers the kind
// (NULLREGION when nothing can be drawn).
int GetClipBox(HDC dc, Rect& r);
// 1 and a copy of the clip region into an existing region, 0 when there is
// none, -1 on error.
int GetClipRgn(HDC dc, HRGN into);
bool PtVisible(HDC dc, int x, int y);
bool RectVisible(HDC dc, const Rect& r);

// ---- Text --------------------------------------------------------------------------
// Text is bytes: UTF-8 where valid, else Windows-1252.
constexpr UINT TA_NOUPDATECP = 0;
constexpr UINT TA_UPDATECP = 1;
constexpr UINT TA_LEFT = 0;
constexpr UINT TA_RIGHT = 2;
constexpr UINT TA_CENTER = 6;
constexpr UINT TA_TOP = 0;
constexpr UINT TA_BOTTOM = 8;
constexpr UINT TA_BASELINE = 24;
constexpr UINT TA_RTLREADING = 256;
constexpr UINT GDI_ERROR = 0xFFFFFFFF;
UINT SetTextAlign(HDC dc, UINT align);
UINT GetTextAlign(HDC dc);
// Draws at the reference point (by the text alignment); with the background
// mode OPAQUE the text's cell box is filled with the background colour. A
// font with an escapement turns the text around the reference point.
bool TextOut(HDC dc, int x, int y, std::string_view text);
constexpr UINT ETO_OPAQUE = 0x0002;
constexpr UINT ETO_CLIPPED = 0x0004;
// ETO_OPAQUE fills r with the background colour first; ETO_CLIPPED clips
// the text to r. dx: the advance of each character (may be empty).
bool ExtTextOut(HDC dc, int x, int y, UINT options, const Rect* r, std::string_view text,
                std::span<const int> dx = {});
bool GetTextExtentPoint32(HDC dc, std::string_view text, Size& size);
// Text metrics. tmPitchAndFamily: TMPF_FIXED_PITCH is set for a *variable*
// pitch font (the old meaning of the bit), TMPF_TRUETYPE for an outline face.
constexpr BYTE TMPF_FIXED_PITCH = 0x01;
constexpr BYTE TMPF_VECTOR = 0x02;
constexpr BYTE TMPF_TRUETYPE = 0x04;
constexpr BYTE TMPF_DEVICE = 0x08;
struct TextMetric {
  int tmHeight = 0;
  int tmAscent = 0;
  int tmDescent = 0;
  int tmInternalLeading = 0;
  int tmExternalLeading = 0;
  int tmAveCharWidth = 0;
  int tmMaxCharWidth = 0;
  int tmWeight = 0;
  int tmOverhang = 0;
  int tmDigitizedAspectX = 96;
  int tmDigitizedAspectY = 96;
  char32_t tmFirstChar = 0x20;
  char32_t tmLastChar = 0xFFFD;
  char32_t tmDefaultChar = 0x20;
  char32_t tmBreakChar = 0x20;
  BYTE tmItalic = 0;
  BYTE tmUnderlined = 0;
  BYTE tmStruckOut = 0;
  BYTE tmPitchAndFamily = 0;
  BYTE tmCharSet = 0;
};
bool GetTextMetrics(HDC dc, TextMetric& tm);
// The face that draws the selected font.
std::string GetTextFace(HDC dc);

// DrawText flags.
constexpr UINT DT_TOP = 0x00000000;
constexpr UINT DT_LEFT = 0x00000000;
constexpr UINT DT_CENTER = 0x00000001;
constexpr UINT DT_RIGHT = 0x00000002;
constexpr UINT DT_VCENTER = 0x00000004;
constexpr UINT DT_BOTTOM = 0x00000008;
constexpr UINT DT_WORDBREAK = 0x00000010;
constexpr UINT DT_SINGLELINE = 0x00000020;
constexpr UINT DT_EXPANDTABS = 0x00000040;
constexpr UINT DT_TABSTOP = 0x00000080;
constexpr UINT DT_NOCLIP = 0x00000100;
constexpr UINT DT_EXTERNALLEADING = 0x00000200;
constexpr UINT DT_CALCRECT = 0x00000400;
constexpr UINT DT_NOPREFIX = 0x00000800;
constexpr UINT DT_INTERNAL = 0x00001000;
constexpr UINT DT_EDITCONTROL = 0x00002000;
constexpr UINT DT_PATH_ELLIPSIS = 0x00004000;
constexpr UINT DT_END_ELLIPSIS = 0x00008000;
constexpr UINT DT_MODIFYSTRING = 0x00010000;
constexpr UINT DT_RTLREADING = 0x00020000;
constexpr UINT DT_WORD_ELLIPSIS = 0x00040000;
constexpr UINT DT_HIDEPREFIX = 0x00100000;
constexpr UINT DT_PREFIXONLY = 0x00200000;
// Draws text in r: lines break at CR LF, LF or CR (not with DT_SINGLELINE)
// and, with DT_WORDBREAK, between words where a line would pass r.Right (a
// word longer than the line stays whole). "&" marks the next character as
// the accelerator (underlined) and "&&" is one "&", unless DT_NOPREFIX.
// DT_EXPANDTABS: tab stops every 8 average character widths (DT_TABSTOP:
// every (flags >> 8) & 0xFF). DT_VCENTER and DT_BOTTOM apply to DT_SINGLELINE
// only. DT_END_ELLIPSIS cuts a line that does not fit and ends it with
// "..."; DT_PATH_ELLIPSIS cuts in the middle, keeping as much as possible of
// the part after the last "\" or "/". DT_CALCRECT draws nothing and sets
// r.Right and r.Bottom to the extent of the text (r.Right only widened when
// a line does not fit; with DT_WORDBREAK the width is kept). The text
// is clipped to r unless DT_NOCLIP. Answers the height of the text (with
// DT_VCENTER or DT_BOTTOM: from r.Top to the text's bottom), 0 on failure.
// With DT_MODIFYSTRING and an ellipsis, modified receives the text drawn.
int DrawText(HDC dc, std::string_view text, Rect& r, UINT flags, std::string* modified = nullptr);

// ---- Edges and frame controls ---------------------------------------------------
constexpr UINT BDR_RAISEDOUTER = 0x0001;
constexpr UINT BDR_SUNKENOUTER = 0x0002;
constexpr UINT BDR_RAISEDINNER = 0x0004;
constexpr UINT BDR_SUNKENINNER = 0x0008;
constexpr UINT EDGE_RAISED = BDR_RAISEDOUTER | BDR_RAISEDINNER;
constexpr UINT EDGE_SUNKEN = BDR_SUNKENOUTER | BDR_SUNKENINNER;
constexpr UINT EDGE_ETCHED = BDR_SUNKENOUTER | BDR_RAISEDINNER;
constexpr UINT EDGE_BUMP = BDR_RAISEDOUTER | BDR_SUNKENINNER;
constexpr UINT BF_LEFT = 0x0001;
constexpr UINT BF_TOP = 0x0002;
constexpr UINT BF_RIGHT = 0x0004;
constexpr UINT BF_BOTTOM = 0x0008;
constexpr UINT BF_TOPLEFT = BF_TOP | BF_LEFT;
constexpr UINT BF_BOTTOMRIGHT = BF_BOTTOM | BF_RIGHT;
constexpr UINT BF_RECT = BF_LEFT | BF_TOP | BF_RIGHT | BF_BOTTOM;
constexpr UINT BF_MIDDLE = 0x0800;  // fill the inside with the face colour
constexpr UINT BF_SOFT = 0x1000;
constexpr UINT BF_ADJUST = 0x2000;  // shrink r by what was drawn
constexpr UINT BF_FLAT = 0x4000;
constexpr UINT BF_MONO = 0x8000;
// The classic 3-D edges in the system colours (outer ring, then inner ring).
bool DrawEdge(HDC dc, Rect& r, UINT edge, UINT flags);

constexpr UINT DFC_CAPTION = 1;
constexpr UINT DFC_MENU = 2;
constexpr UINT DFC_SCROLL = 3;
constexpr UINT DFC_BUTTON = 4;
constexpr UINT DFCS_CAPTIONCLOSE = 0x0000;
constexpr UINT DFCS_MENUCHECK = 0x0001;
constexpr UINT DFCS_MENUARROW = 0x0000;
constexpr UINT DFCS_SCROLLUP = 0x0000;
constexpr UINT DFCS_SCROLLDOWN = 0x0001;
constexpr UINT DFCS_SCROLLLEFT = 0x0002;
constexpr UINT DFCS_SCROLLRIGHT = 0x0003;
constexpr UINT DFCS_SCROLLCOMBOBOX = 0x0005;
constexpr UINT DFCS_SCROLLSIZEGRIP = 0x0008;
constexpr UINT DFCS_BUTTONCHECK = 0x0000;
constexpr UINT DFCS_BUTTONRADIO = 0x0004;
constexpr UINT DFCS_BUTTONPUSH = 0x0010;
constexpr UINT DFCS_INACTIVE = 0x0100;
constexpr UINT DFCS_PUSHED = 0x0200;
constexpr UINT DFCS_CHECKED = 0x0400;
constexpr UINT DFCS_ADJUSTRECT = 0x2000;
constexpr UINT DFCS_FLAT = 0x4000;
constexpr UINT DFCS_MONO = 0x8000;
// The classic frame controls: scroll arrows and the combo box's drop button
// (DFC_SCROLL), the size grip, push buttons, check boxes and radio buttons
// (DFC_BUTTON), the caption close button (DFC_CAPTION) and the menu check
// mark and arrow (DFC_MENU).
bool DrawFrameControl(HDC dc, Rect& r, UINT type, UINT state);

// Icons: a colour image with a monochrome mask (1 = transparent).
HICON CreateIconFromBitmaps(HBITMAP color, HBITMAP mask);
bool DestroyIcon(HICON icon);
bool GetIconBitmaps(HICON icon, HBITMAP* colorCopy, HBITMAP* maskCopy);
Size GetIconSize(HICON icon);
// Draws the icon stretched to width x height (0: its own size).
bool DrawIconEx(HDC dc, int x, int y, HICON icon, int width, int height);

}  // namespace gui
