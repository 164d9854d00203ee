#pragma once
// Device-context internals shared by the drawing sources.
#include <QtGui/QBrush>
#include <QtGui/QPainter>
#include <QtGui/QRegion>

#include "platform/gui/detail/DrawingState.h"

namespace gui::detail {

struct WindowObj;

// A context drawing on a window's surface. nonClient: origin at the window's
// corner (GetWindowDC); limit: a region in surface coordinates the drawing
// stays inside (the paint area), or nullptr.
HDC NewWindowDc(WindowObj& w, bool nonClient, bool clipChildren, const QRegion* limit, bool paintDc);
// A context drawing through a painter the toolkit hands out (owner-drawn
// items); visible in the painter's coordinates.
HDC NewBorrowedDc(QPainter* painter, const QRegion& visible);
void FreeDc(HDC dc);

// The painter of the context, configured with its clip and origin (logical
// coordinates map to the painter's); nullptr when nothing can be drawn.
QPainter* Prepare(DcObj& dc);
// What can be drawn, device coordinates.
QRegion EffectiveClip(const DcObj& dc);
// Logical offset: device = logical + this.
inline QPoint LogicalToDevice(const DcObj& dc) { return dc.st.viewportOrg; }
bool IsMono(const DcObj& dc);
// A colour as it lands on the context's surface (black or white on a
// monochrome bitmap).
QColor SurfaceColor(const DcObj& dc, COLORREF c);
// The brush's toolkit brush for this context (pattern colours and origin
// applied); Qt::NoBrush for a hollow brush.
QBrush ToolkitBrush(DcObj& dc, HBRUSH brush);
// The image behind the context for direct pixel access (painter ended), or
// nullptr (borrowed contexts).
QImage* PixelImage(DcObj& dc);
// Composition mode of a binary raster operation (R2_*), and whether it
// draws at all.
QPainter::CompositionMode Rop2Mode(int rop2, bool& draws, bool& forceBlack, bool& forceWhite);
// Marks a change of clip or origin (the painter is configured again).
void Restamp(DcObj& dc);

}  // namespace gui::detail
