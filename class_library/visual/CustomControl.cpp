// The canvases of controls, TCustomControl and TGraphicControl.
#include "class_library/visual/Controls.h"
#include "platform/gui/Window.h"

// ---- TControlCanvas ----------------------------------------------------------------

TControlCanvas::~TControlCanvas() { FreeHandle(); }

void TControlCanvas::CreateHandle() {
  if (auto* w = dynamic_cast<TWinControl*>(control_)) {
    window_ = w->Handle();
    own_ = gui::GetDC(window_);
    SetHandle(own_);
    return;
  }
  // A window-less control draws on its parent's window, at its place.
  TWinControl* parent = control_->Parent();
  if (!parent) return;
  window_ = parent->Handle();
  own_ = gui::GetDC(window_);
  gui::SetViewportOrgEx(own_, control_->Left(), control_->Top(), nullptr);
  gui::IntersectClipRect(own_, 0, 0, control_->Width(), control_->Height());
  SetHandle(own_);
}

void TControlCanvas::FreeHandle() {
  if (gui::IsNull(own_)) return;
  gui::HDC dc = own_;
  own_ = gui::HDC{};
  SetHandle(gui::HDC{});
  gui::ReleaseDC(window_, dc);
  window_ = gui::HWND{};
}

void TControlCanvas::SetPaintHandle(gui::HDC DC) {
  FreeHandle();
  SetHandle(DC);
}

void TControlCanvas::PaintWith(gui::HDC DC, const std::function<void()>& Paint) {
  SetPaintHandle(DC);
  try {
    Paint();
  } catch (...) {
    SetPaintHandle(gui::HDC{});
    throw;
  }
  SetPaintHandle(gui::HDC{});
}

// ---- TCustomControl ---------------------------------------------------------------

TCustomControl::TCustomControl(TComponent* AOwner)
    : TWinControl(AOwner), canvas_(std::make_unique<TControlCanvas>(this)) {}

TCustomControl::~TCustomControl() {
  Destroying();
  canvas_->FreeHandle();
}

void TCustomControl::PaintWindow(gui::HDC DC) {
  canvas_->PaintWith(DC, [this] { PaintControl(); });
}

// ---- TGraphicControl ------------------------------------------------------------

TGraphicControl::TGraphicControl(TComponent* AOwner)
    : TControl(AOwner), canvas_(std::make_unique<TControlCanvas>(this)) {}

TGraphicControl::~TGraphicControl() { canvas_->FreeHandle(); }

void TGraphicControl::Dispatch(TMessage& Message) {
  if (Message.Msg != gui::WM_PAINT) {
    TControl::Dispatch(Message);
    return;
  }
  canvas_->PaintWith(gui::FromParam<gui::HDC>(Message.WParam), [this] { PaintControl(); });
}
