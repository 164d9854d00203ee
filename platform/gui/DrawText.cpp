// DrawText: formatted text in a rectangle.
#include <algorithm>

#include "platform/gui/Gdi.h"
#include "platform/gui/detail/DcInternal.h"
#include "platform/gui/detail/QtConv.h"
#include "platform/gui/detail/TextInternal.h"

namespace gui {
namespace detail {
namespace {

struct Line {
  QString text;
  std::vector<int> underline;  // indices into text
};

const QString kEllipsis = QStringLiteral("...");

// Removes the accelerator marks: "&x" underlines x, "&&" is "&".
Line StripPrefix(const QString& s, bool keepUnderline) {
  Line out;
  for (int i = 0; i < s.size(); ++i) {
    if (s[i] == QLatin1Char('&') && i + 1 < s.size()) {
      ++i;
      if (s[i] != QLatin1Char('&') && keepUnderline) out.underline.push_back(static_cast<int>(out.text.size()));
    } else if (s[i] == QLatin1Char('&')) {
      continue;  // a lone "&" at the end shows nothing
    }
    out.text += s[i];
  }
  return out;
}

struct Measure {
  FontObj& font;
  bool expandTabs;
  int tabWidth;
  int Width(const QString& s) const {
    if (!expandTabs || !s.contains(QLatin1Char('\t'))) return TextWidth(font, s);
    int x = 0;
    int start = 0;
    for (int i = 0; i <= s.size(); ++i) {
      if (i == s.size() || s[i] == QLatin1Char('\t')) {
        x += TextWidth(font, s.mid(start, i - start));
        if (i < s.size()) x = (x / tabWidth + 1) * tabWidth;
        start = i + 1;
      }
    }
    return x;
  }
};

// Splits one paragraph into lines that fit width; a word longer than a line
// stays whole unless breakWords.
std::vector<Line> Wrap(const Line& para, int width, const Measure& m, bool breakWords) {
  std::vector<Line> out;
  const QString& s = para.text;
  const int n = static_cast<int>(s.size());
  auto addLine = [&](int from, int to) {
    Line l;
    l.text = s.mid(from, to - from);
    for (int u : para.underline)
      if (u >= from && u < to) l.underline.push_back(u - from);
    out.push_back(l);
  };
  int pos = 0;
  while (pos < n) {
    int lineStart = pos;
    int lineEnd = pos;
    int i = pos;
    while (true) {
      int j = i;
      while (j < n && s[j] == QLatin1Char(' ')) ++j;
      int k = j;
      while (k < n && s[k] != QLatin1Char(' ')) ++k;
      if (k == j) {  // only spaces left
        i = n;
        break;
      }
      if (m.Width(s.mid(lineStart, k - lineStart)) <= width) {
        lineEnd = k;
        i = k;
        continue;
      }
      if (lineEnd == lineStart) {  // the first word does not fit
        if (breakWords) {
          int c = j + 1;
          while (c < k && m.Width(s.mid(lineStart, c + 1 - lineStart)) <= width) ++c;
          lineEnd = c;
        } else {
          lineEnd = k;
        }
        i = lineEnd;
      }
      break;
    }
    addLine(lineStart, lineEnd);
    pos = i;
    while (pos < n && s[pos] == QLatin1Char(' ')) ++pos;
  }
  if (out.empty()) out.push_back(Line{});
  return out;
}

// The longest prefix length n of s for which fits(n) holds (fits is
// monotone: true up to some length).
template <typename F>
int LongestFitting(int size, F fits) {
  int lo = 0, hi = size;
  while (lo < hi) {
    int mid = (lo + hi + 1) / 2;
    if (fits(mid))
      lo = mid;
    else
      hi = mid - 1;
  }
  return lo;
}

void EndEllipsis(Line& l, int width, const Measure& m) {
  if (m.Width(l.text) <= width) return;
  int n = LongestFitting(static_cast<int>(l.text.size()) - 1,
                         [&](int k) { return m.Width(l.text.left(k) + kEllipsis) <= width; });
  l.text = l.text.left(n) + kEllipsis;
  l.underline.erase(std::remove_if(l.underline.begin(), l.underline.end(), [n](int u) { return u >= n; }),
                    l.underline.end());
}

void PathEllipsis(Line& l, int width, const Measure& m) {
  if (m.Width(l.text) <= width) return;
  int sep = std::max(static_cast<int>(l.text.lastIndexOf(QLatin1Char('\\'))),
                     static_cast<int>(l.text.lastIndexOf(QLatin1Char('/'))));
  if (sep < 0) {
    EndEllipsis(l, width, m);
    return;
  }
  QString head = l.text.left(sep), tail = l.text.mid(sep);
  int n = LongestFitting(static_cast<int>(head.size()),
                         [&](int k) { return m.Width(head.left(k) + kEllipsis + tail) <= width; });
  l.text = head.left(n) + kEllipsis + tail;
  l.underline.clear();
  if (m.Width(l.text) > width) EndEllipsis(l, width, m);
}

void WordEllipsis(Line& l, int width, const Measure& m) {
  if (m.Width(l.text) <= width) return;
  int n = static_cast<int>(l.text.size());
  while (n > 0) {
    int space = static_cast<int>(l.text.lastIndexOf(QLatin1Char(' '), n - 1));
    n = space < 0 ? 0 : space;
    if (m.Width(l.text.left(n) + kEllipsis) <= width) break;
  }
  l.text = l.text.left(n) + kEllipsis;
  l.underline.clear();
}

// Draws a line with its tab stops expanded.
void DrawLine(DcObj& d, FontObj& f, const Line& l, int x, int y, const Measure& m) {
  if (!m.expandTabs || !l.text.contains(QLatin1Char('\t'))) {
    DrawRun(d, f, l.text, x, y, l.underline);
    return;
  }
  int start = 0;
  int cx = 0;
  for (int i = 0; i <= l.text.size(); ++i) {
    if (i == l.text.size() || l.text[i] == QLatin1Char('\t')) {
      QString part = l.text.mid(start, i - start);
      std::vector<int> ul;
      for (int u : l.underline)
        if (u >= start && u < i) ul.push_back(u - start);
      DrawRun(d, f, part, x + cx, y, ul);
      cx += TextWidth(f, part);
      if (i < l.text.size()) cx = (cx / m.tabWidth + 1) * m.tabWidth;
      start = i + 1;
    }
  }
}

// Tab expansion for DrawText: DT_TABSTOP puts the tab width (in average
// characters) in the second byte of flags, which is then cleared so it is not
// read as other flags.
Measure TabMeasure(FontObj& f, UINT& flags) {
  int tabChars = 8;
  if (flags & DT_TABSTOP) {
    tabChars = static_cast<int>((flags >> 8) & 0xFF);
    if (tabChars == 0) tabChars = 8;
    flags &= ~0xFF00u;
  }
  return Measure{f, (flags & DT_EXPANDTABS) != 0, std::max(1, tabChars * std::max(1, f.tm.tmAveCharWidth))};
}

// Splits text at CR, LF or CR LF; a single line drops the breaks instead.
std::vector<QString> Paragraphs(const QString& all, bool singleLine) {
  std::vector<QString> paras;
  if (singleLine) {
    QString s = all;
    s.remove(QLatin1Char('\r'));
    s.remove(QLatin1Char('\n'));
    paras.push_back(s);
    return paras;
  }
  int start = 0;
  for (int i = 0; i < all.size(); ++i) {
    if (all[i] == QLatin1Char('\r') || all[i] == QLatin1Char('\n')) {
      paras.push_back(all.mid(start, i - start));
      if (all[i] == QLatin1Char('\r') && i + 1 < all.size() && all[i + 1] == QLatin1Char('\n')) ++i;
      start = i + 1;
    }
  }
  if (start < all.size()) paras.push_back(all.mid(start));
  return paras;
}

// The lines to draw: accelerator marks resolved and, with DT_WORDBREAK,
// paragraphs wrapped to width.
std::vector<Line> LayOutLines(const std::vector<QString>& paras, UINT flags, int width, const Measure& m) {
  bool prefix = !(flags & DT_NOPREFIX);
  bool showUnderline = prefix && !(flags & DT_HIDEPREFIX);
  std::vector<Line> lines;
  for (const QString& p : paras) {
    Line para = prefix ? StripPrefix(p, showUnderline) : Line{p, {}};
    if ((flags & DT_WORDBREAK) && !(flags & DT_SINGLELINE)) {
      std::vector<Line> wrapped = Wrap(para, width, m, flags & DT_EDITCONTROL);
      lines.insert(lines.end(), wrapped.begin(), wrapped.end());
    } else {
      lines.push_back(para);
    }
  }
  return lines;
}

void ShortenLines(std::vector<Line>& lines, UINT flags, int width, const Measure& m) {
  for (Line& l : lines) {
    if (flags & DT_PATH_ELLIPSIS)
      PathEllipsis(l, width, m);
    else if (flags & DT_WORD_ELLIPSIS)
      WordEllipsis(l, width, m);
    else
      EndEllipsis(l, width, m);
  }
}

QString JoinLines(const std::vector<Line>& lines) {
  QString joined;
  for (std::size_t i = 0; i < lines.size(); ++i) {
    if (i) joined += QStringLiteral("\r\n");
    joined += lines[i].text;
  }
  return joined;
}

// Draws the lines from y down, aligned in r and clipped to it unless
// DT_NOCLIP; returns the y below the last line.
int PaintLines(DcObj& d, FontObj& f, const std::vector<Line>& lines, const Rect& r, int y, UINT flags,
               int lineHeight, const Measure& m) {
  std::optional<QRegion> savedClip = d.st.clip;
  bool clip = !(flags & DT_NOCLIP);
  if (clip) {
    QRegion cur = d.st.clip ? *d.st.clip : d.visible;
    d.st.clip = cur & ToQRect(r).translated(d.st.viewportOrg);
    Restamp(d);
  }
  for (const Line& l : lines) {
    int lw = m.Width(l.text);
    int x = r.Left;
    if (flags & DT_CENTER)
      x = r.Left + (r.Width() - lw) / 2;
    else if (flags & DT_RIGHT)
      x = r.Right - lw;
    DrawLine(d, f, l, x, y, m);
    y += lineHeight;
  }
  if (clip) {
    d.st.clip = savedClip;
    Restamp(d);
  }
  return y;
}

}  // namespace
}  // namespace detail

using namespace detail;

int DrawText(HDC dc, std::string_view text, Rect& r, UINT flags, std::string* modified) {
  DcObj* d = Dc(dc);
  if (!d) return 0;
  FontObj& f = CurrentFont(*d);
  Measure m = TabMeasure(f, flags);
  int lineHeight = f.tm.tmHeight + ((flags & DT_EXTERNALLEADING) ? f.tm.tmExternalLeading : 0);
  QString all = Decode(text);
  if (all.isEmpty()) {
    if (flags & DT_CALCRECT) {
      r.Right = r.Left;
      r.Bottom = r.Top;
    }
    return 0;
  }
  bool single = flags & DT_SINGLELINE;
  int width = r.Width();
  std::vector<Line> lines = LayOutLines(Paragraphs(all, single), flags, width, m);
  if (flags & (DT_END_ELLIPSIS | DT_PATH_ELLIPSIS | DT_WORD_ELLIPSIS)) {
    ShortenLines(lines, flags, width, m);
    if (modified && (flags & DT_MODIFYSTRING)) *modified = Encode(JoinLines(lines), EncodingOf(text));
  }
  int total = static_cast<int>(lines.size()) * lineHeight;
  int y = r.Top;
  if (single && (flags & DT_VCENTER)) y = r.Top + (r.Height() - lineHeight) / 2;
  if (single && (flags & DT_BOTTOM)) y = r.Bottom - lineHeight;
  if (flags & DT_CALCRECT) {
    int maxW = 0;
    for (const Line& l : lines) maxW = std::max(maxW, m.Width(l.text));
    r.Right = r.Left + maxW;
    r.Bottom = r.Top + total;
    return total;
  }
  if (flags & DT_PREFIXONLY) return single && (flags & (DT_VCENTER | DT_BOTTOM)) ? y - r.Top + lineHeight : total;
  y = PaintLines(*d, f, lines, r, y, flags, lineHeight, m);
  if (single && (flags & (DT_VCENTER | DT_BOTTOM))) return y - r.Top;
  return total;
}

}  // namespace gui
