#pragma once
// The drawing objects behind the handles (contexts, pens, brushes, fonts,
// bitmaps, regions, icons) and the one record that holds them. Sources that
// only draw include this and nothing of the windows.
#include <QtGui/QFont>
#include <QtGui/QFontMetrics>
#include <QtGui/QImage>
#include <QtGui/QPainter>
#include <QtGui/QRegion>
#include <QtGui/QStaticText>

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

#include "platform/gui/Gdi.h"
#include "platform/gui/detail/Handles.h"

namespace gui::detail {

// An image that contexts draw on, with one painter shared by all of them
// (a device takes one painter at a time).
struct Surface {
  QImage image;
  bool mono = false;
  std::unique_ptr<QPainter> painter;
  const void* configuredBy = nullptr;  // the context whose clip/origin the painter holds
  std::uint64_t configuredStamp = 0;

  QPainter* Begin();
  void End();
  ~Surface();
};

struct PenObj {
  LogPen lp;
  bool stock = false;
};

struct BrushObj {
  LogBrush lb;
  QImage pattern;        // BS_PATTERN: the pattern (RGB32; mono patterns black/white)
  bool monoPattern = false;
  bool stock = false;
  // A monochrome pattern coloured for a text/background colour pair.
  COLORREF cachedText = CLR_INVALID, cachedBk = CLR_INVALID;
  QImage cachedColored;
};

// A text laid out once with a font: controls draw the same captions over
// and over, and laying text out is the dear part of drawing it.
struct TextRun {
  int width = 0;
  QStaticText layout;
};

struct FontObj {
  LogFont lf;
  std::unordered_map<QString, TextRun> runs;
  QFont qfont;
  // qfont without underline and strike-out: text drawing draws those lines
  // itself, under the whole run whatever way it is drawn.
  QFont glyphs;
  std::unique_ptr<QFontMetrics> metrics;
  TextMetric tm;
  std::string resolvedFace;
  bool stock = false;
};

struct BitmapObj {
  Surface surface;
  HDC selectedInto{};
  bool stock = false;
};

struct RegionObj {
  QRegion rgn;
};

struct IconObj {
  QImage color;  // RGB32
  QImage mask;   // RGB32 black/white, white = transparent
};

struct DcState {
  HPEN pen{};
  HBRUSH brush{};
  HFONT font{};
  HBITMAP bitmap{};
  COLORREF textColor = 0x000000;
  COLORREF bkColor = 0xFFFFFF;
  int bkMode = OPAQUE;
  int rop2 = R2_COPYPEN;
  UINT textAlign = TA_TOP | TA_LEFT;
  int polyFill = ALTERNATE;
  int stretchMode = BLACKONWHITE;
  QPoint viewportOrg;
  QPoint brushOrg;
  QPoint curPos;
  std::optional<QRegion> clip;  // device coordinates
};

struct DcObj {
  enum class Kind { Window, Memory, Borrowed, Screen };
  Kind kind = Kind::Memory;
  HDC handle{};
  HWND hwnd{};
  bool nonClient = false;  // GetWindowDC: origin at the window's corner
  bool paintDc = false;
  Surface* surface = nullptr;
  QPainter* borrowed = nullptr;
  QPoint origin;           // device (0, 0) in surface coordinates
  QRegion visible;         // device coordinates
  DcState st;
  std::vector<DcState> saved;
  std::uint64_t stamp = 1;  // changes whenever clip or origin change
  std::unique_ptr<Surface> ownSurface;  // screen context scratch
};

// The drawing objects of the GUI thread, by handle, with the stock objects
// made on first use.
struct DrawingState {
  HandleTable<DcObj> dcs;
  HandleTable<PenObj> pens;
  HandleTable<BrushObj> brushes;
  HandleTable<FontObj> fonts;
  HandleTable<BitmapObj> bitmaps;
  HandleTable<RegionObj> regions;
  HandleTable<IconObj> icons;

  std::map<int, HPEN> stockPens;
  std::map<int, HBRUSH> stockBrushes;
  std::map<int, HFONT> stockFonts;
  std::map<int, HBRUSH> sysBrushes;
};

// Valid between Init and Shutdown.
DrawingState& Drawing();
bool Ready();  // Init ran and Shutdown did not

// Handle access (nullptr for a stale or foreign handle).
DcObj* Dc(HDC h);
PenObj* Pen(HPEN h);
BrushObj* Brush(HBRUSH h);
FontObj* Font(HFONT h);
BitmapObj* Bmp(HBITMAP h);
RegionObj* Rgn(HRGN h);
IconObj* Icon(HICON h);

}  // namespace gui::detail
