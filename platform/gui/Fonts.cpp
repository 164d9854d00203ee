// Fonts: face substitutes, creation, metrics.
#include <QtGui/QFontDatabase>
#include <QtGui/QFontInfo>

#include <algorithm>
#include <cmath>
#include <initializer_list>
#include <map>

#include "platform/gui/Gdi.h"
#include "platform/gui/detail/QtConv.h"
#include "platform/gui/detail/DrawingState.h"
#include "platform/gui/detail/TextInternal.h"
#include "platform/system/AsciiCase.h"

namespace gui {
namespace detail {
namespace {

struct FaceEntry {
  std::string installed;
  bool raster = false;
};

bool gAntialias = true;

std::string InstalledFamily(const std::string& wanted) {
  static std::map<std::string, std::string> cache;
  std::string key = sys::AsciiUpperCase(wanted);
  auto it = cache.find(key);
  if (it != cache.end()) return it->second;
  std::string found;
  for (const QString& fam : QFontDatabase::families()) {
    if (sys::AsciiUpperCase(fam.toStdString()) == key) {
      found = fam.toStdString();
      break;
    }
  }
  cache[key] = found;
  return found;
}

std::map<std::string, FaceEntry>& Substitutes() {
  static std::map<std::string, FaceEntry> subs;
  static bool filled = false;
  if (!filled) {
    filled = true;
    auto pick = [](const char* preferred, QFontDatabase::SystemFont fallback) {
      std::string f = InstalledFamily(preferred);
      if (f.empty()) f = QFontDatabase::systemFont(fallback).family().toStdString();
      return f;
    };
    std::string sans = pick("DejaVu Sans", QFontDatabase::GeneralFont);
    std::string mono = pick("DejaVu Sans Mono", QFontDatabase::FixedFont);
    std::string serif = InstalledFamily("DejaVu Serif");
    if (serif.empty()) serif = sans;
    auto substitute = [&](std::initializer_list<const char*> names, const std::string& face, bool raster) {
      for (const char* n : names) subs[sys::AsciiUpperCase(n)] = FaceEntry{face, raster};
    };
    substitute({"Tahoma", "Verdana", "Arial", "Microsoft Sans Serif", "Segoe UI", "MS Shell Dlg", "MS Shell Dlg 2",
                "Helvetica", "Lucida Sans Unicode", "Trebuchet MS", "Calibri", "Arial Narrow", "Marlett"},
               sans, false);
    substitute({"MS Sans Serif", "System", "Small Fonts"}, sans, true);
    substitute({"Courier New", "Lucida Console", "Consolas"}, mono, false);
    substitute({"Courier", "Fixedsys", "Terminal"}, mono, true);
    substitute({"Times New Roman", "Georgia", "Book Antiqua"}, serif, false);
    substitute({"MS Serif"}, serif, true);
    subs[""] = FaceEntry{sans, false};
  }
  return subs;
}

FaceEntry Lookup(const std::string& face) {
  auto& subs = Substitutes();
  auto it = subs.find(sys::AsciiUpperCase(face));
  if (it != subs.end()) return it->second;
  std::string inst = InstalledFamily(face);
  if (!inst.empty()) return FaceEntry{inst, false};
  return subs[""];
}

HFONT MakeFont(const LogFont& lf, bool stock) {
  auto f = std::make_unique<FontObj>();
  f->lf = lf;
  f->stock = stock;
  FaceEntry face = Lookup(lf.lfFaceName);
  f->resolvedFace = face.installed;
  QFont q(QString::fromStdString(face.installed));
  q.setKerning(false);
  q.setItalic(lf.lfItalic != 0);
  q.setUnderline(lf.lfUnderline != 0);
  q.setStrikeOut(lf.lfStrikeOut != 0);
  int weight = lf.lfWeight <= 0 ? 400 : std::clamp(lf.lfWeight, 100, 900);
  q.setWeight(static_cast<QFont::Weight>(weight));
  int px;
  if (lf.lfHeight < 0) {
    px = -lf.lfHeight;
  } else if (lf.lfHeight > 0) {
    QFont ref = q;
    ref.setPixelSize(100);
    QFontMetricsF m(ref);
    double cell = m.ascent() + m.descent();
    px = cell > 0 ? static_cast<int>(std::lround(lf.lfHeight * 100.0 / cell)) : lf.lfHeight;
  } else {
    px = 12;
  }
  q.setPixelSize(std::clamp(px, 1, 2000));
  bool aa = lf.lfQuality == NONANTIALIASED_QUALITY ? false
            : (lf.lfQuality == ANTIALIASED_QUALITY || lf.lfQuality == CLEARTYPE_QUALITY) ? true
                                                                                         : gAntialias;
  q.setStyleStrategy(aa ? QFont::NoSubpixelAntialias : QFont::NoAntialias);
  q.setHintingPreference(QFont::PreferFullHinting);
  if (lf.lfWidth > 0) {
    QFontMetrics m0(q);
    int ave = std::max(1, m0.horizontalAdvance(QLatin1Char('x')));
    q.setStretch(std::clamp(lf.lfWidth * 100 / ave, 1, 4000));
  }
  f->qfont = q;
  f->glyphs = q;
  f->glyphs.setUnderline(false);
  f->glyphs.setStrikeOut(false);
  f->metrics = std::make_unique<QFontMetrics>(q);
  const QFontMetrics& m = *f->metrics;
  TextMetric& tm = f->tm;
  tm.tmAscent = m.ascent();
  tm.tmDescent = m.descent();
  tm.tmHeight = tm.tmAscent + tm.tmDescent;
  tm.tmInternalLeading = std::max(0, tm.tmHeight - q.pixelSize());
  tm.tmExternalLeading = std::max(0, m.leading());
  tm.tmAveCharWidth = m.horizontalAdvance(QLatin1Char('x'));
  tm.tmMaxCharWidth = m.maxWidth();
  tm.tmWeight = weight;
  tm.tmItalic = lf.lfItalic ? 1 : 0;
  tm.tmUnderlined = lf.lfUnderline ? 1 : 0;
  tm.tmStruckOut = lf.lfStrikeOut ? 1 : 0;
  tm.tmCharSet = lf.lfCharSet == DEFAULT_CHARSET ? ANSI_CHARSET : lf.lfCharSet;
  bool fixed = QFontInfo(q).fixedPitch();
  BYTE family = fixed ? 0x30 : (face.installed.find("Serif") != std::string::npos &&
                                face.installed.find("Sans") == std::string::npos)
                                   ? 0x10
                                   : 0x20;
  tm.tmPitchAndFamily = static_cast<BYTE>(family | (fixed ? 0 : TMPF_FIXED_PITCH) |
                                          (face.raster ? 0 : (TMPF_VECTOR | TMPF_TRUETYPE)));
  return static_cast<HFONT>(Drawing().fonts.Add(std::move(f)));
}

}  // namespace

FontObj& CurrentFont(DcObj& dc) {
  if (FontObj* f = Font(dc.st.font)) return *f;
  return *Font(GetStockFont(SYSTEM_FONT));
}

QFont DrawingFont(DcObj& dc, FontObj& f) {
  if (dc.surface && dc.surface->mono) {
    QFont q = f.glyphs;
    q.setStyleStrategy(QFont::NoAntialias);
    return q;
  }
  return f.glyphs;
}

const TextRun& RunOf(FontObj& f, const QString& s) {
  auto it = f.runs.find(s);
  if (it != f.runs.end()) return it->second;
  // Bounded: a font that draws ever new texts (a clock) starts over.
  if (f.runs.size() >= 512) f.runs.clear();
  TextRun run;
  run.width = f.metrics->horizontalAdvance(s);
  run.layout.setText(s);
  run.layout.setTextFormat(Qt::PlainText);
  run.layout.setPerformanceHint(QStaticText::AggressiveCaching);
  run.layout.prepare(QTransform(), f.glyphs);
  return f.runs.emplace(s, std::move(run)).first->second;
}

int TextWidth(FontObj& f, const QString& s) {
  if (s.isEmpty()) return 0;
  return RunOf(f, s).width;
}

}  // namespace detail

using namespace detail;

HFONT CreateFontIndirect(const LogFont& lf) {
  if (!Ready()) return HFONT{};
  return MakeFont(lf, false);
}

void SetFaceSubstitute(const std::string& face, const std::string& installedFace) {
  auto& subs = Substitutes();
  auto it = subs.find(sys::AsciiUpperCase(face));
  bool raster = it != subs.end() && it->second.raster;
  subs[sys::AsciiUpperCase(face)] = FaceEntry{installedFace, raster};
}

std::string ResolveFace(const std::string& face) { return Lookup(face).installed; }

void SetDefaultTextAntialiasing(bool on) { gAntialias = on; }

HFONT GetStockFont(int which) {
  if (!Ready()) return HFONT{};
  auto& stock = Drawing().stockFonts;
  auto it = stock.find(which);
  if (it != stock.end()) return it->second;
  LogFont lf;
  switch (which) {
    case SYSTEM_FONT:
      lf.lfFaceName = "System";
      lf.lfHeight = 16;
      lf.lfWeight = FW_BOLD;
      break;
    case DEFAULT_GUI_FONT:
      lf.lfFaceName = "MS Shell Dlg";
      lf.lfHeight = -11;
      break;
    default: return HFONT{};
  }
  HFONT h = MakeFont(lf, true);
  stock[which] = h;
  return h;
}

bool GetFontInfo(HFONT font, LogFont& lf) {
  FontObj* f = Font(font);
  if (!f) return false;
  lf = f->lf;
  return true;
}

}  // namespace gui
