// TVkPanelDockManager: caption bars of the controls docked in a panel.
#include "controls/VkPanelDock.h"

#include <algorithm>

#include "controls/VkDraw.h"
#include "controls/VkPanel.h"
#include "controls/VkSystem.h"
#include "platform/gui/Gdi.h"
#include "platform/gui/Window.h"

namespace {

// Whether Inner lies wholly in Outer: a zone too small for its close glyph
// shows none rather than one drawn over its neighbours.
bool Fits(const TRect& Inner, const TRect& Outer) {
  return Inner.Left >= Outer.Left && Inner.Top >= Outer.Top && Inner.Right <= Outer.Right &&
         Inner.Bottom <= Outer.Bottom;
}

}  // namespace

// What the hooked procedure and the manager share. The procedure holds it
// as long as it is installed, so a message arriving after the manager has
// gone (a procedure put over the hook that still calls it) finds the
// previous procedure alive and is only passed on.
struct TVkPanelDockManager::Hook {
  TWinControl* Panel;
  std::function<void(TMessage&)> Previous;
  bool Live = true;
};

class TVkPanelDockManager::HookedProcedure {
public:
  explicit HookedProcedure(std::shared_ptr<Hook> H) : hook_(std::move(H)) {}
  const Hook* Owner() const { return hook_.get(); }

  void operator()(TMessage& Message) const {
    // The handler may take this procedure out of the panel (the manager
    // going while the message runs); the copy keeps what it needs.
    std::shared_ptr<Hook> keep = hook_;
    if (keep->Live) {
      switch (Message.Msg) {
        case gui::WM_COMMAND:
        case gui::WM_MOUSEACTIVATE:
        // The window layer asks for activation only when a click reaches
        // an inactive window; a focus move inside an active form arrives as
        // this notice, which the form hands down to every control.
        case CM_FOCUSCHANGED: keep->Panel->Invalidate(); break;
        default: break;
      }
    }
    keep->Previous(Message);
  }

private:
  std::shared_ptr<Hook> hook_;
};

TVkPanelDockManager::TVkPanelDockManager(TVkCustomPanel* Panel) : TDockTree(Panel), panel_(Panel) {
  captionFont_.SetName("Verdana");
  captionFont_.SetSize(8);
  if (Panel->ComponentState().Contains(csDesigning)) return;
  TWinControl* site = Panel;
  hook_ = std::make_shared<Hook>(Hook{site, site->WindowProc});
  site->WindowProc = HookedProcedure(hook_);
}

TVkPanelDockManager::~TVkPanelDockManager() {
  if (!hook_) return;
  // Runs also while the panel is being destroyed (the site frees its
  // manager last): only the window-control part is touched.
  TWinControl* site = DockSite();
  const auto* installed = site->WindowProc.target<HookedProcedure>();
  if (installed && installed->Owner() == hook_.get())
    site->WindowProc = hook_->Previous;
  else
    hook_->Live = false;
}

void TVkPanelDockManager::AdjustDockRect(TControl*, TRect& ARect) {
  if (GrabbersOnTop())
    ARect.Top += GrabberSize;
  else
    ARect.Left += GrabberSize;
}

TRect TVkPanelDockManager::BarOf(const TRect& Zone) const {
  if (GrabbersOnTop()) return TRect{Zone.Left, Zone.Top, Zone.Right, std::min(Zone.Bottom, Zone.Top + GrabberSize)};
  return TRect{Zone.Left, Zone.Top, std::min(Zone.Right, Zone.Left + GrabberSize), Zone.Bottom};
}

TRect TVkPanelDockManager::GlyphBox(const TRect& Zone) const {
  if (!GrabbersOnTop()) return TRect{Zone.Left + 1, Zone.Top + 1, Zone.Left + 12, Zone.Top + 12};
  return TRect{Zone.Right - 15, Zone.Top + 1, Zone.Right - 2, Zone.Top + 12};
}

TRect TVkPanelDockManager::CloseGlyphRect(const TRect& Zone) const {
  if (!panel_->ShowDockClientCaptions()) return TRect{};
  TRect box = GlyphBox(Zone);
  return Fits(box, BarOf(Zone)) ? box : TRect{};
}

bool TVkPanelDockManager::CaptionActive(TControl* Control) {
  auto* windowed = dynamic_cast<TWinControl*>(Control);
  if (!windowed) return true;
  if (windowed->Focused()) return true;
  // A docked form never holds the focus itself: one of its controls does.
  TWinControl* focused = TWinControl::FindControl(gui::GetFocus());
  return focused && windowed->ContainsControl(focused);
}

void TVkPanelDockManager::PaintDockFrame(TCanvas* Canvas, TControl* Control, const TRect& ARect) {
  if (!panel_->ShowDockClientCaptions()) {
    TDockTree::PaintDockFrame(Canvas, Control, ARect);
    return;
  }
  bool active = CaptionActive(Control);
  TColor back = active ? clActiveCaption : clInactiveCaption;
  TColor text = active ? clCaptionText : clInactiveCaptionText;
  String caption = Control->Text();
  TRect glyph = GlyphBox(ARect);
  TRect bar = BarOf(ARect);
  TRect shownGlyph = CloseGlyphRect(ARect);
  Canvas->Brush()->SetStyle(bsSolid);
  Canvas->Brush()->SetColor(back);
  Canvas->FillRect(bar);
  if (GrabbersOnTop()) {
    Canvas->SetFont(&captionFont_);
    Canvas->Font()->SetColor(text);
    Canvas->Brush()->SetStyle(bsClear);
    // A long caption stops short of the close glyph.
    Canvas->TextRect(TRect{bar.Left, bar.Top, glyph.Left, bar.Bottom}, bar.Left + 2, bar.Top, caption);
    Canvas->Brush()->SetStyle(bsSolid);
    if (!gui::IsRectEmpty(shownGlyph)) PaintCloseCross(Canvas, shownGlyph, text);
    return;
  }
  // The turned text reads upwards from the bottom of the bar, on its
  // baseline two pixels in from the bar's right edge, and ends before the
  // close glyph at the top.
  gui::HDC dc = Canvas->Handle();
  gui::UniqueGdi<gui::HFONT> turned = CreateAngledFont(&captionFont_, 90);
  int saved = gui::SaveDC(dc);
  gui::IntersectClipRect(dc, bar.Left, glyph.Bottom, bar.Right, bar.Bottom);
  gui::SelectObject(dc, turned.get());
  gui::SetTextColor(dc, ColorToRef(clCaptionText));
  gui::SetBkMode(dc, gui::TRANSPARENT);
  gui::SetTextAlign(dc, gui::TA_BASELINE);
  gui::TextOut(dc, bar.Right - 2, bar.Bottom - 3, caption);
  gui::RestoreDC(dc, saved);
  if (!gui::IsRectEmpty(shownGlyph)) PaintCloseCross(Canvas, shownGlyph, clCaptionText);
}
