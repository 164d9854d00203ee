#pragma once
// Fonts and text runs shared by the text sources.
#include <QtCore/QString>
#include <QtGui/QFont>
#include <QtGui/QFontMetrics>

#include "platform/gui/detail/DrawingState.h"

namespace gui::detail {

// The context's font (the stock system font when none is valid).
FontObj& CurrentFont(DcObj& dc);
// The toolkit font for drawing on this context (no antialiasing on
// monochrome surfaces), without underline and strike-out: the text drawing
// draws those lines itself.
QFont DrawingFont(DcObj& dc, FontObj& f);
// Advance width of text with the font (tabs not expanded).
int TextWidth(FontObj& f, const QString& s);
// The laid-out text (kept for later draws of the same text).
const TextRun& RunOf(FontObj& f, const QString& s);
// Draws one line of text with its cell's top-left at (x, y) (logical),
// rotated around that point by the font's escapement; fills the cell with
// the background colour when the mode is OPAQUE. underline: character
// indices to underline (accelerators).
void DrawRun(DcObj& dc, FontObj& f, const QString& s, int x, int y, const std::vector<int>& underline = {});

}  // namespace gui::detail
