#pragma once
// A drawing surface: a device context of the window layer with the font,
// pen and brush selected into it as they are needed. A canvas draws on a
// window (TControlCanvas, Controls.h), on a bitmap (TBitmap::Canvas) or on a
// context handed to it (SetHandle).
#include <span>
#include <string_view>

#include "class_library/visual/Graphics.h"

class TGraphic;

class TCanvas : public TPersistent {
public:
  TCanvas();
  ~TCanvas() override;
  String ClassName() const override { return "TCanvas"; }

  // The context, with the canvas's font, pen and brush selected; a canvas
  // that can make one (a control's, a bitmap's) makes it when first asked.
  gui::HDC Handle();
  // Takes a context made elsewhere (none: lets go of the current one). The
  // canvas selects its objects into it and takes them out again when it lets go.
  void SetHandle(gui::HDC Value);
  bool HandleAllocated() const { return !gui::IsNull(handle_); }

  TFont* Font() { return &font_; }
  void SetFont(TFont* Value) { font_.Assign(Value); }
  TPen* Pen() { return &pen_; }
  void SetPen(TPen* Value) { pen_.Assign(Value); }
  TBrush* Brush() { return &brush_; }
  void SetBrush(TBrush* Value) { brush_.Assign(Value); }

  TPoint PenPos();
  void SetPenPos(TPoint Value) { MoveTo(Value.X, Value.Y); }
  // The raster operation of CopyRect and Draw (SRCCOPY by default).
  gui::DWORD CopyMode() const { return copyMode_; }
  void SetCopyMode(gui::DWORD Value) { copyMode_ = Value; }
  // One pixel; outside the surface or the clip region Pixel answers -1.
  TColor Pixel(int X, int Y);
  void SetPixel(int X, int Y, TColor Color);
  // The box that can be drawn now.
  TRect ClipRect();

  void MoveTo(int X, int Y);
  // Draws from the pen position up to, not including, (X, Y).
  void LineTo(int X, int Y);
  void Polyline(std::span<const TPoint> Points);
  void Polygon(std::span<const TPoint> Points);
  void Rectangle(int X1, int Y1, int X2, int Y2);
  void Rectangle(const TRect& R) { Rectangle(R.Left, R.Top, R.Right, R.Bottom); }
  void RoundRect(int X1, int Y1, int X2, int Y2, int X3, int Y3);
  void Ellipse(int X1, int Y1, int X2, int Y2);
  void Ellipse(const TRect& R) { Ellipse(R.Left, R.Top, R.Right, R.Bottom); }
  // With the brush; the pen is not used.
  void FillRect(const TRect& R);
  void FrameRect(const TRect& R);
  void DrawFocusRect(const TRect& R);

  // Text in the font; with a solid brush its cell is filled with the brush
  // colour, with bsClear the background shows through.
  void TextOut(int X, int Y, std::string_view Text);
  // TextOut clipped to R.
  void TextRect(const TRect& R, int X, int Y, std::string_view Text);
  TSize TextExtent(std::string_view Text);
  int TextWidth(std::string_view Text) { return TextExtent(Text).cx; }
  int TextHeight(std::string_view Text) { return TextExtent(Text).cy; }

  // Copies Source of another canvas into Dest (stretching) with CopyMode.
  void CopyRect(const TRect& Dest, TCanvas* Canvas, const TRect& Source);
  void Draw(int X, int Y, TGraphic* Graphic);
  void StretchDraw(const TRect& R, TGraphic* Graphic);

  // Takes the objects out of the context and forgets them (they are
  // selected again at the next drawing).
  void Refresh();
  // Selects what the canvas draws with now (as Handle does).
  void RequireAll() { RequireState(kAll); }

  TNotifyEvent OnChange;
  TNotifyEvent OnChanging;

protected:
  // Makes a context for a canvas that can (the default cannot).
  virtual void CreateHandle() {}
  // Called before and after every drawing operation.
  virtual void Changing();
  virtual void Changed();

private:
  enum : unsigned { kHandle = 1, kFont = 2, kPen = 4, kBrush = 8, kAll = 15 };
  void RequireState(unsigned Needed);
  void DeselectAll();
  void FontChanged();
  void PenChanged();
  void BrushChanged();

  gui::HDC handle_{};
  unsigned state_ = 0;
  TFont font_;
  TPen pen_;
  TBrush brush_;
  gui::DWORD copyMode_ = gui::SRCCOPY;
  gui::HFONT oldFont_{};
  gui::HPEN oldPen_{};
  gui::HBRUSH oldBrush_{};
};
