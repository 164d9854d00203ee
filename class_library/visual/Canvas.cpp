#include "class_library/visual/Canvas.h"

#include <vector>

#include "class_library/visual/Bitmap.h"

TCanvas::TCanvas() {
  font_.OnChange = [this](TObject*) { FontChanged(); };
  pen_.OnChange = [this](TObject*) { PenChanged(); };
  brush_.OnChange = [this](TObject*) { BrushChanged(); };
}

TCanvas::~TCanvas() {
  // The objects leave the context before they are deleted with the canvas.
  SetHandle(gui::HDC{});
}

gui::HDC TCanvas::Handle() {
  // Code that draws through the context itself (DrawText on Handle) draws
  // with the canvas's font, pen and brush, as with the canvas's own calls.
  RequireState(kAll);
  return handle_;
}

void TCanvas::SetHandle(gui::HDC Value) {
  if (handle_ == Value) return;
  if (!gui::IsNull(handle_)) DeselectAll();
  handle_ = Value;
  state_ = gui::IsNull(handle_) ? 0u : unsigned(kHandle);
}

void TCanvas::DeselectAll() {
  if (state_ & kFont) gui::SelectObject(handle_, oldFont_);
  if (state_ & kPen) gui::SelectObject(handle_, oldPen_);
  if (state_ & kBrush) gui::SelectObject(handle_, oldBrush_);
  state_ &= ~unsigned(kFont | kPen | kBrush);
}

void TCanvas::Refresh() {
  if (!gui::IsNull(handle_)) DeselectAll();
}

void TCanvas::RequireState(unsigned Needed) {
  unsigned missing = Needed & ~state_;
  if (!missing) return;
  if (missing & kHandle) {
    CreateHandle();
    if (gui::IsNull(handle_)) throw EInvalidOperation("Canvas does not allow drawing");
  }
  if (missing & kFont) {
    gui::HFONT old = gui::SelectObject(handle_, font_.Handle());
    if (!(state_ & kFont)) oldFont_ = old;
    gui::SetTextColor(handle_, ColorToRef(font_.Color()));
    state_ |= kFont;
  }
  if (missing & kPen) {
    gui::HPEN old = gui::SelectObject(handle_, pen_.Handle());
    if (!(state_ & kPen)) oldPen_ = old;
    gui::SetROP2(handle_, PenModeToRop2(pen_.Mode()));
    state_ |= kPen;
  }
  if (missing & kBrush) {
    gui::HBRUSH old = gui::SelectObject(handle_, brush_.Handle());
    if (!(state_ & kBrush)) oldBrush_ = old;
    gui::SetBkColor(handle_, ColorToRef(brush_.Color()));
    gui::SetBkMode(handle_, brush_.Style() == bsSolid ? gui::OPAQUE : gui::TRANSPARENT);
    state_ |= kBrush;
  }
}

void TCanvas::FontChanged() {
  if (state_ & kFont) {
    gui::SelectObject(handle_, oldFont_);
    state_ &= ~unsigned(kFont);
  }
}

void TCanvas::PenChanged() {
  if (state_ & kPen) {
    gui::SelectObject(handle_, oldPen_);
    state_ &= ~unsigned(kPen);
  }
}

void TCanvas::BrushChanged() {
  if (state_ & kBrush) {
    gui::SelectObject(handle_, oldBrush_);
    state_ &= ~unsigned(kBrush);
  }
}

void TCanvas::Changing() {
  if (OnChanging) OnChanging(this);
}

void TCanvas::Changed() {
  if (OnChange) OnChange(this);
}

TPoint TCanvas::PenPos() {
  RequireState(kHandle);
  TPoint p;
  gui::GetCurrentPositionEx(handle_, p);
  return p;
}

TColor TCanvas::Pixel(int X, int Y) {
  RequireState(kHandle);
  return static_cast<TColor>(gui::GetPixel(handle_, X, Y));
}

void TCanvas::SetPixel(int X, int Y, TColor Color) {
  Changing();
  RequireState(kHandle | kPen);
  gui::SetPixel(handle_, X, Y, ColorToRef(Color));
  Changed();
}

TRect TCanvas::ClipRect() {
  RequireState(kHandle);
  TRect r;
  gui::GetClipBox(handle_, r);
  return r;
}

void TCanvas::MoveTo(int X, int Y) {
  RequireState(kHandle);
  gui::MoveToEx(handle_, X, Y, nullptr);
}

void TCanvas::LineTo(int X, int Y) {
  Changing();
  RequireState(kHandle | kPen | kBrush);
  gui::LineTo(handle_, X, Y);
  Changed();
}

void TCanvas::Polyline(std::span<const TPoint> Points) {
  Changing();
  RequireState(kHandle | kPen | kBrush);
  gui::Polyline(handle_, Points.data(), static_cast<int>(Points.size()));
  Changed();
}

void TCanvas::Polygon(std::span<const TPoint> Points) {
  Changing();
  RequireState(kHandle | kPen | kBrush);
  gui::Polygon(handle_, Points.data(), static_cast<int>(Points.size()));
  Changed();
}

void TCanvas::Rectangle(int X1, int Y1, int X2, int Y2) {
  Changing();
  RequireState(kHandle | kPen | kBrush);
  gui::Rectangle(handle_, X1, Y1, X2, Y2);
  Changed();
}

void TCanvas::RoundRect(int X1, int Y1, int X2, int Y2, int X3, int Y3) {
  Changing();
  RequireState(kHandle | kPen | kBrush);
  gui::RoundRect(handle_, X1, Y1, X2, Y2, X3, Y3);
  Changed();
}

void TCanvas::Ellipse(int X1, int Y1, int X2, int Y2) {
  Changing();
  RequireState(kHandle | kPen | kBrush);
  gui::Ellipse(handle_, X1, Y1, X2, Y2);
  Changed();
}

void TCanvas::FillRect(const TRect& R) {
  Changing();
  RequireState(kHandle | kBrush);
  gui::FillRect(handle_, R, brush_.Handle());
  Changed();
}

void TCanvas::FrameRect(const TRect& R) {
  Changing();
  RequireState(kHandle | kBrush);
  gui::FrameRect(handle_, R, brush_.Handle());
  Changed();
}

void TCanvas::DrawFocusRect(const TRect& R) {
  Changing();
  RequireState(kHandle | kBrush);
  gui::DrawFocusRect(handle_, R);
  Changed();
}

void TCanvas::TextOut(int X, int Y, std::string_view Text) {
  Changing();
  RequireState(kHandle | kFont | kBrush);
  gui::TextOut(handle_, X, Y, Text);
  Changed();
}

void TCanvas::TextRect(const TRect& R, int X, int Y, std::string_view Text) {
  Changing();
  RequireState(kHandle | kFont | kBrush);
  gui::UINT options = gui::ETO_CLIPPED;
  if (brush_.Style() != bsClear) options |= gui::ETO_OPAQUE;
  gui::ExtTextOut(handle_, X, Y, options, &R, Text);
  Changed();
}

TSize TCanvas::TextExtent(std::string_view Text) {
  RequireState(kHandle | kFont);
  TSize size;
  gui::GetTextExtentPoint32(handle_, Text, size);
  return size;
}

void TCanvas::CopyRect(const TRect& Dest, TCanvas* Canvas, const TRect& Source) {
  Changing();
  RequireState(kHandle | kFont | kBrush);
  Canvas->RequireState(kHandle | kFont | kBrush);
  gui::StretchBlt(handle_, Dest.Left, Dest.Top, Dest.Width(), Dest.Height(), Canvas->handle_, Source.Left,
                  Source.Top, Source.Width(), Source.Height(), copyMode_);
  Changed();
}

void TCanvas::Draw(int X, int Y, TGraphic* Graphic) {
  if (!Graphic || Graphic->Empty()) return;
  Changing();
  RequireState(kHandle);
  Graphic->Draw(this, Bounds(X, Y, Graphic->Width(), Graphic->Height()));
  Changed();
}

void TCanvas::StretchDraw(const TRect& R, TGraphic* Graphic) {
  if (!Graphic || Graphic->Empty()) return;
  Changing();
  RequireState(kHandle);
  Graphic->Draw(this, R);
  Changed();
}
