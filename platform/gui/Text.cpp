// Text output and measuring.
#include <cmath>

#include "platform/gui/Gdi.h"
#include "platform/gui/detail/DcInternal.h"
#include "platform/gui/detail/QtConv.h"
#include "platform/gui/detail/TextInternal.h"

namespace gui {
namespace detail {
namespace {

// Draws s with the reference point at (x, y) and text alignment align.
// Answers the advance width.
int DrawAligned(DcObj& d, FontObj& f, const QString& s, int x, int y, UINT align, const std::vector<int>& dx,
                const std::vector<int>& underline) {
  const TextMetric& tm = f.tm;
  const TextRun* run = (dx.empty() && !s.isEmpty()) ? &RunOf(f, s) : nullptr;
  int width = 0;
  if (run) {
    width = run->width;
  } else {
    for (int v : dx) width += v;
  }
  int ox;  // start of the text relative to the reference point, along the baseline
  switch (align & (TA_CENTER | TA_RIGHT)) {
    case TA_RIGHT: ox = -width; break;
    case TA_CENTER: ox = -width / 2; break;
    default: ox = 0; break;
  }
  int oy;  // top of the cell relative to the reference point
  switch (align & TA_BASELINE) {
    case TA_BASELINE: oy = -tm.tmAscent; break;
    case TA_BOTTOM: oy = -tm.tmHeight; break;
    default: oy = 0; break;
  }
  QPainter* p = Prepare(d);
  if (!p) return width;
  bool rotated = f.lf.lfEscapement != 0;
  if (rotated) {
    p->save();
    p->translate(x, y);
    p->rotate(-f.lf.lfEscapement / 10.0);
  } else {
    ox += x;
    oy += y;
  }
  p->setCompositionMode(QPainter::CompositionMode_SourceOver);
  if (d.st.bkMode == OPAQUE) p->fillRect(QRect(ox, oy, width, tm.tmHeight), SurfaceColor(d, d.st.bkColor));
  QColor color = SurfaceColor(d, d.st.textColor);
  bool mono = IsMono(d);
  p->setFont(DrawingFont(d, f));
  p->setPen(color);
  int baseline = oy + tm.tmAscent;
  if (run && !mono) {
    p->drawStaticText(QPoint(ox, oy), run->layout);
  } else if (dx.empty()) {
    p->drawText(QPoint(ox, baseline), s);
  } else {
    int cx = ox;
    for (int i = 0; i < s.size(); ++i) {
      p->drawText(QPoint(cx, baseline), QString(s[i]));
      cx += i < static_cast<int>(dx.size()) ? dx[static_cast<std::size_t>(i)] : f.metrics->horizontalAdvance(s[i]);
    }
  }
  int uy = baseline + std::max(1, f.metrics->underlinePos());
  int lw = std::max(1, f.metrics->lineWidth());
  // The font's lines run under (and through) the whole advance, the spacing
  // between characters included.
  if (f.lf.lfUnderline) p->fillRect(QRect(ox, uy, width, lw), color);
  if (f.lf.lfStrikeOut) p->fillRect(QRect(ox, baseline - std::max(1, f.metrics->strikeOutPos()), width, lw), color);
  if (!underline.empty() && !f.lf.lfUnderline) {
    for (int idx : underline) {
      if (idx < 0 || idx >= s.size()) continue;
      int ux = ox + TextWidth(f, s.left(idx));
      int uw = f.metrics->horizontalAdvance(s[idx]);
      p->fillRect(QRect(ux, uy, uw, lw), color);
    }
  }
  if (rotated) p->restore();
  return width;
}

}  // namespace

void DrawRun(DcObj& dc, FontObj& f, const QString& s, int x, int y, const std::vector<int>& underline) {
  DrawAligned(dc, f, s, x, y, TA_TOP | TA_LEFT, {}, underline);
}

}  // namespace detail

using namespace detail;

UINT SetTextAlign(HDC dc, UINT align) {
  DcObj* d = Dc(dc);
  if (!d) return GDI_ERROR;
  UINT old = d->st.textAlign;
  d->st.textAlign = align;
  return old;
}

UINT GetTextAlign(HDC dc) {
  DcObj* d = Dc(dc);
  return d ? d->st.textAlign : GDI_ERROR;
}

bool TextOut(HDC dc, int x, int y, std::string_view text) {
  DcObj* d = Dc(dc);
  if (!d) return false;
  FontObj& f = CurrentFont(*d);
  QString s = Decode(text);
  bool updateCp = d->st.textAlign & TA_UPDATECP;
  if (updateCp) {
    x = d->st.curPos.x();
    y = d->st.curPos.y();
  }
  int w = DrawAligned(*d, f, s, x, y, d->st.textAlign, {}, {});
  if (updateCp) {
    UINT h = d->st.textAlign & (TA_CENTER | TA_RIGHT);
    if (h == TA_RIGHT)
      d->st.curPos.rx() -= w;
    else if (h != TA_CENTER)
      d->st.curPos.rx() += w;
  }
  return true;
}

bool ExtTextOut(HDC dc, int x, int y, UINT options, const Rect* r, std::string_view text, std::span<const int> dx) {
  DcObj* d = Dc(dc);
  if (!d) return false;
  FontObj& f = CurrentFont(*d);
  if (r && (options & ETO_OPAQUE)) {
    if (QPainter* p = Prepare(*d)) {
      p->setCompositionMode(QPainter::CompositionMode_Source);
      p->fillRect(ToQRect(*r), SurfaceColor(*d, d->st.bkColor));
    }
  }
  if (text.empty()) return true;
  std::optional<QRegion> savedClip = d->st.clip;
  if (r && (options & ETO_CLIPPED)) {
    QRegion cur = d->st.clip ? *d->st.clip : d->visible;
    d->st.clip = cur & ToQRect(*r).translated(d->st.viewportOrg);
    Restamp(*d);
  }
  QString s = Decode(text);
  std::vector<int> advances(dx.begin(), dx.end());
  bool updateCp = d->st.textAlign & TA_UPDATECP;
  if (updateCp) {
    x = d->st.curPos.x();
    y = d->st.curPos.y();
  }
  int w = DrawAligned(*d, f, s, x, y, d->st.textAlign, advances, {});
  if (updateCp) d->st.curPos.rx() += w;
  if (r && (options & ETO_CLIPPED)) {
    d->st.clip = savedClip;
    Restamp(*d);
  }
  return true;
}

bool GetTextExtentPoint32(HDC dc, std::string_view text, Size& size) {
  DcObj* d = Dc(dc);
  if (!d) return false;
  FontObj& f = CurrentFont(*d);
  size.cx = TextWidth(f, Decode(text));
  size.cy = f.tm.tmHeight;
  return true;
}

bool GetTextMetrics(HDC dc, TextMetric& tm) {
  DcObj* d = Dc(dc);
  if (!d) return false;
  tm = CurrentFont(*d).tm;
  return true;
}

std::string GetTextFace(HDC dc) {
  DcObj* d = Dc(dc);
  if (!d) return {};
  return CurrentFont(*d).resolvedFace;
}

}  // namespace gui
