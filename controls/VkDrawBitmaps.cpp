// Transparent bitmap copies, the hot-track ring and the parent's background
// under a transparent control.
#include "class_library/visual/Forms.h"
#include "controls/VkDraw.h"
#include "controls/VkSystem.h"

namespace {

// The stretched source in a colour bitmap of Dest's size and its mask
// (white where the transparent colour was).
struct MaskedCopy {
  TBitmap color;
  TBitmap mask;
  MaskedCopy(TBitmap* Bitmap, int W, int H, TColor Transparent, const TRect& Source) {
    color.SetSize(W, H);
    color.Canvas()->CopyRect(Rect(0, 0, W, H), Bitmap->Canvas(), Source);
    mask.SetMonochrome(true);
    mask.SetSize(W, H);
    gui::HDC cdc = color.Canvas()->Handle();
    gui::COLORREF oldBk = gui::SetBkColor(cdc, ColorToRef(Transparent));
    mask.Canvas()->CopyRect(Rect(0, 0, W, H), color.Canvas(), Rect(0, 0, W, H));
    gui::SetBkColor(cdc, oldBk);
  }
};

// Keeps a context's text and background colours and puts them back.
class ColorsScope {
public:
  explicit ColorsScope(gui::HDC DC) : dc_(DC), text_(gui::GetTextColor(DC)), bk_(gui::GetBkColor(DC)) {}
  ~ColorsScope() {
    gui::SetTextColor(dc_, text_);
    gui::SetBkColor(dc_, bk_);
  }
  ColorsScope(const ColorsScope&) = delete;
  ColorsScope& operator=(const ColorsScope&) = delete;

private:
  gui::HDC dc_;
  gui::COLORREF text_, bk_;
};

}  // namespace

void StretchTransparentBitmap(TCanvas* Canvas, TBitmap* Bitmap, const TRect& DestRect, TColor TransparentColor,
                              const TRect& SourceRect) {
  int w = DestRect.Width(), h = DestRect.Height();
  if (!Bitmap || Bitmap->Empty() || w <= 0 || h <= 0) return;
  MaskedCopy copy(Bitmap, w, h, TransparentColor, SourceRect);
  // Through the mask: the destination stays where the mask is white.
  Canvas->RequireAll();
  gui::HDC dst = Canvas->Handle();
  ColorsScope keep(dst);
  gui::SetTextColor(dst, 0);
  gui::SetBkColor(dst, 0xFFFFFF);
  gui::HDC cdc = copy.color.Canvas()->Handle(), mdc = copy.mask.Canvas()->Handle();
  gui::BitBlt(dst, 0, 0, w, h, cdc, 0, 0, gui::SRCINVERT);
  gui::BitBlt(dst, 0, 0, w, h, mdc, 0, 0, gui::SRCAND);
  gui::BitBlt(dst, 0, 0, w, h, cdc, 0, 0, gui::SRCINVERT);
}

void StretchMaskedBitmap(TCanvas* Canvas, TBitmap* Bitmap, const TRect& DestRect, TColor TransparentColor,
                         const TRect& SourceRect) {
  int w = DestRect.Width(), h = DestRect.Height();
  if (!Bitmap || Bitmap->Empty() || w <= 0 || h <= 0) return;
  MaskedCopy copy(Bitmap, w, h, TransparentColor, SourceRect);
  if (ColorToRef(TransparentColor) != 0) {
    // The transparent pixels of the copy become black, so that OR-ing it
    // leaves the destination there.
    gui::HDC cdc = copy.color.Canvas()->Handle();
    ColorsScope keep(cdc);
    gui::SetBkColor(cdc, 0);
    gui::SetTextColor(cdc, 0xFFFFFF);
    gui::BitBlt(cdc, 0, 0, w, h, copy.mask.Canvas()->Handle(), 0, 0, gui::SRCAND);
  }
  gui::DWORD oldMode = Canvas->CopyMode();
  Canvas->RequireAll();
  ColorsScope keep(Canvas->Handle());
  // The mask's opaque pixels clear the destination, its transparent ones keep it.
  gui::SetTextColor(Canvas->Handle(), 0);
  gui::SetBkColor(Canvas->Handle(), 0xFFFFFF);
  Canvas->SetCopyMode(gui::SRCAND);
  Canvas->CopyRect(DestRect, copy.mask.Canvas(), Rect(0, 0, w, h));
  Canvas->SetCopyMode(gui::SRCPAINT);
  Canvas->CopyRect(DestRect, copy.color.Canvas(), Rect(0, 0, w, h));
  Canvas->SetCopyMode(oldMode);
}

void PaintHotTrackRing(TCanvas* Canvas, const TRect& Rect, TGradientDirection Direction, TColor StartColor,
                       TColor StopColor) {
  if (!FullColorScreen()) return;
  Canvas->RequireAll();
  gui::HDC dc = Canvas->Handle();
  // The caller's clipping comes back afterwards, whatever it was.
  gui::UniqueGdi<gui::HRGN> saved(gui::CreateRectRgn(0, 0, 0, 0));
  bool hadClip = gui::GetClipRgn(dc, saved.get()) == 1;
  gui::ExcludeClipRect(dc, Rect.Left + 2, Rect.Top + 2, Rect.Right - 2, Rect.Bottom - 2);
  PaintGradient(Canvas, Rect, Direction, StartColor, StopColor, 1);
  gui::SelectClipRgn(dc, hadClip ? saved.get() : gui::HRGN{});
}

void PaintParentBackground(TControl* Control, gui::HDC DC, bool InvalidateOtherParent) {
  TWinControl* parent = Control ? Control->Parent() : nullptr;
  if (!parent) return;
  bool designing = Control->ComponentState().Contains(csDesigning);
  int saved = gui::SaveDC(DC);
  gui::OffsetViewportOrgEx(DC, -Control->Left(), -Control->Top(), nullptr);
  gui::IntersectClipRect(DC, 0, 0, parent->ClientWidth(), parent->ClientHeight());
  try {
    parent->Perform(gui::WM_ERASEBKGND, gui::ToWParam(DC), 0);
    parent->Perform(gui::WM_PRINTCLIENT, gui::ToWParam(DC), gui::PRF_CLIENT);
  } catch (...) {
    gui::RestoreDC(DC, saved);
    if (!designing) throw;
    return;
  }
  gui::RestoreDC(DC, saved);
  if (InvalidateOtherParent && !designing && !dynamic_cast<TCustomControl*>(parent) &&
      !dynamic_cast<TCustomForm*>(parent))
    parent->Invalidate();
}
