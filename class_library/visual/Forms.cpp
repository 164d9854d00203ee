// TCustomForm: the top-level window, showing and closing, modal loops, the
// focus inside the form and the dialog keys.
#include "class_library/visual/Forms.h"

#include <algorithm>

#include "class_library/loop/Application.h"
#include "class_library/components/FormResource.h"
#include "class_library/components/TypeInfo.h"
#include "class_library/visual/VisualApplication.h"
#include "platform/gui/Screen.h"
#include "platform/gui/Window.h"

TCustomForm::TCustomForm(TComponent* AOwner) : TWinControl(AOwner) {
  visual::EnsureVisualApplication();
  controlStyle_ = csAcceptsControls | csCaptureMouse | csClickEvents | csSetCaption | csDoubleClicks;
  // Hidden until shown; the window layer's font and colours of a dialog.
  TControl::SetVisible(false);
  SetColor(clBtnFace);
  SetParentFont(false);
  canvas_ = std::make_unique<TControlCanvas>(this);
  icon_.OnChange = [this](TObject*) { UpdateIcon(); };
  RegisterRootComponent(this, TRootKind::Form);
}

TCustomForm::~TCustomForm() {
  DoDestroy();
  visual::FormGone(this);
  UnregisterRootComponent(this);
  canvas_.reset();
}

void TCustomForm::DoCreate() {
  if (!OnCreate) return;
  try {
    OnCreate(this);
  } catch (...) {
    Application()->HandleException(this);
  }
}

void TCustomForm::DoDestroy() {
  if (destroyFired_) return;
  destroyFired_ = true;
  Destroying();
  if (!OnDestroy) return;
  try {
    OnDestroy(this);
  } catch (...) {
    Application()->HandleException(this);
  }
}

void TCustomForm::ReadLegacyProperties(TFiler* Filer) {
  TWinControl::ReadLegacyProperties(Filer);
  // The designer's values; the window layer draws at a fixed resolution.
  for (const char* name : {"OldCreateOrder", "PixelsPerInch", "TextHeight", "Scaled", "DesignSize"})
    Filer->DefineProperty(name, [](TReader&) {});
}

void TCustomForm::FinishLoading() {
  TWinControl::FinishLoading();
  Realign();
}

// ---- The window --------------------------------------------------------------------

void TCustomForm::SetWindowParams(TCreateParams& Params) {
  TWinControl::SetWindowParams(Params);
  if (Parent()) {
    // A form placed in a control (docked in a site) is a child window like
    // any control, without a frame and caption of its own: the site shows
    // the captions of its dock clients.
    Params.Style |= gui::WS_CLIPCHILDREN;
    return;
  }
  Params.Style &= ~(gui::WS_CHILD | gui::WS_VISIBLE | gui::WS_TABSTOP);
  Params.ExStyle &= ~gui::WS_EX_CONTROLPARENT;
  Params.Style |= gui::WS_CLIPCHILDREN;
  switch (borderStyle_) {
    case bsNone:
      Params.Style |= gui::WS_POPUP;
      break;
    case bsSingle:
    case bsToolWindow:
      Params.Style |= gui::WS_CAPTION | gui::WS_BORDER;
      break;
    case bsSizeable:
    case bsSizeToolWin:
      Params.Style |= gui::WS_CAPTION | gui::WS_THICKFRAME;
      break;
    case bsDialog:
      Params.Style |= gui::WS_POPUP | gui::WS_CAPTION;
      Params.ExStyle |= gui::WS_EX_DLGMODALFRAME | gui::WS_EX_WINDOWEDGE;
      break;
  }
  if (borderStyle_ == bsToolWindow || borderStyle_ == bsSizeToolWin) Params.ExStyle |= gui::WS_EX_TOOLWINDOW;
  if (borderStyle_ != bsNone) {
    if (borderIcons_ & (1u << biSystemMenu)) Params.Style |= gui::WS_SYSMENU;
    if (borderStyle_ != bsDialog && borderStyle_ != bsToolWindow && borderStyle_ != bsSizeToolWin) {
      if (borderIcons_ & (1u << biMinimize)) Params.Style |= gui::WS_MINIMIZEBOX;
      if (borderIcons_ & (1u << biMaximize)) Params.Style |= gui::WS_MAXIMIZEBOX;
    }
  }
  if (formStyle_ == fsStayOnTop) Params.ExStyle |= gui::WS_EX_TOPMOST;
  // A top-level window belongs to the form that owns it, or to the main form.
  Params.WndParent = gui::HWND{};
  auto* ownerForm = dynamic_cast<TCustomForm*>(Owner());
  if (!ownerForm && Application()->MainForm() != this)
    ownerForm = dynamic_cast<TCustomForm*>(Application()->MainForm());
  if (ownerForm && ownerForm->HandleAllocated()) Params.WndParent = ownerForm->Handle();
}

void TCustomForm::MakeWindow() {
  TWinControl::MakeWindow();
  UpdateIcon();
}

void TCustomForm::UpdateIcon() {
  if (HandleAllocated()) gui::SetWindowIcon(Handle(), icon_.Handle());
}

void TCustomForm::SetBorderStyle(TFormBorderStyle Value) {
  if (borderStyle_ == Value) return;
  borderStyle_ = Value;
  RecreateWnd();
}

void TCustomForm::SetBorderIcons(TBorderIcons Value) {
  if (borderIcons_ == Value) return;
  borderIcons_ = Value;
  RecreateWnd();
}

void TCustomForm::SetFormStyle(TFormStyle Value) {
  if (formStyle_ == Value) return;
  formStyle_ = Value;
  if (HandleAllocated())
    gui::SetWindowPos(Handle(), Value == fsStayOnTop ? gui::HWND_TOPMOST : gui::HWND_NOTOPMOST, 0, 0, 0, 0,
                      gui::SWP_NOMOVE | gui::SWP_NOSIZE | gui::SWP_NOACTIVATE);
}

void TCustomForm::SetWindowState(TWindowState Value) {
  windowState_ = Value;
  if (!HandleAllocated() || !Visible()) return;
  gui::ShowWindow(Handle(), Value == wsMinimized   ? gui::SW_SHOWMINIMIZED
                            : Value == wsMaximized ? gui::SW_SHOWMAXIMIZED
                                                   : gui::SW_RESTORE);
}

void TCustomForm::PlaceBounds(int ALeft, int ATop, int AWidth, int AHeight) {
  TWinControl::PlaceBounds(ALeft, ATop, AWidth, AHeight);
}

bool TCustomForm::Showing() const { return HandleAllocated() && Visible(); }

TPoint TCustomForm::ClientOrigin() {
  if (!HandleAllocated()) return TPoint{Left(), Top()};
  return TWinControl::ClientOrigin();
}

// ---- Showing and closing -------------------------------------------------------------

void TCustomForm::ApplyPosition() {
  if (positioned_) return;
  positioned_ = true;
  TRect area;
  TCustomForm* centreOn = nullptr;
  switch (position_) {
    case poScreenCenter: {
      TMonitor* m = Screen()->MonitorFromPoint(TPoint{Left(), Top()});
      area = m ? m->BoundsRect() : TRect{0, 0, Screen()->Width(), Screen()->Height()};
      break;
    }
    case poDesktopCenter:
      area = Screen()->DesktopRect();
      break;
    case poMainFormCenter:
      centreOn = dynamic_cast<TCustomForm*>(Application()->MainForm());
      break;
    case poOwnerFormCenter:
      centreOn = dynamic_cast<TCustomForm*>(Owner());
      break;
    default:
      return;
  }
  if (centreOn == this) centreOn = nullptr;
  if (position_ == poMainFormCenter || position_ == poOwnerFormCenter) {
    if (centreOn) {
      area = centreOn->BoundsRect();
    } else {
      area = TRect{0, 0, Screen()->Width(), Screen()->Height()};
    }
  }
  int x = area.Left + (area.Width() - Width()) / 2;
  int y = area.Top + (area.Height() - Height()) / 2;
  ApplyBounds(x, y, Width(), Height());
}

void TCustomForm::Show() {
  SetVisible(true);
  if (HandleAllocated()) gui::BringWindowToTop(Handle());
}

void TCustomForm::Hide() { SetVisible(false); }

void TCustomForm::CMVisibleChanged(TMessage&) {
  if (Visible()) {
    ApplyPosition();
    Handle();
    gui::ShowWindow(Handle(), windowState_ == wsMinimized   ? gui::SW_SHOWMINIMIZED
                              : windowState_ == wsMaximized ? gui::SW_SHOWMAXIMIZED
                                                            : gui::SW_SHOWNORMAL);
    // Everything on the form paints when it first shows.
    gui::RedrawWindow(Handle(), nullptr, gui::HRGN{},
                      gui::RDW_INVALIDATE | gui::RDW_ERASE | gui::RDW_FRAME | gui::RDW_ALLCHILDREN);
    if (!activeControl_) {
      if (TWinControl* first = FindNextControl(nullptr, true, true, false)) activeControl_ = first;
    }
    SetWindowFocus();
    UpdateShowing();
    NotifyShow();
  } else {
    if (HandleAllocated()) gui::ShowWindow(Handle(), gui::SW_HIDE);
    UpdateShowing();
    NotifyHide();
  }
}

void TCustomForm::NotifyShow() {
  if (OnShow) OnShow(this);
}

void TCustomForm::NotifyHide() {
  if (OnHide) OnHide(this);
}

int TCustomForm::ShowModal() {
  if (Visible() || !Enabled() || modal_) throw EInvalidOperation("Cannot make a visible window modal");
  SetCaptureControl(nullptr);
  modal_ = true;
  modalResult_ = mrNone;
  // Every other form waits until this one closes. Only the windows this
  // dialog disabled are enabled again: those an outer modal dialog disabled
  // stay so until that one ends.
  std::vector<TCustomForm*> disabled;
  for (int i = 0; i < Screen()->FormCount(); ++i) {
    TCustomForm* f = Screen()->Forms(i);
    if (f != this && f->HandleAllocated() && gui::IsWindowEnabled(f->Handle())) {
      disabled.push_back(f);
      gui::EnableWindow(f->Handle(), false);
    }
  }
  auto restore = [&] {
    // A form freed meanwhile is no longer among the screen's forms.
    for (int i = 0; i < Screen()->FormCount(); ++i) {
      TCustomForm* f = Screen()->Forms(i);
      if (std::find(disabled.begin(), disabled.end(), f) != disabled.end() && f->HandleAllocated())
        gui::EnableWindow(f->Handle(), true);
    }
    modal_ = false;
  };
  try {
    Show();
    while (!Application()->Terminated()) {
      Application()->HandleMessage();
      if (modalResult_ == mrNone) continue;
      // Closing may be refused: the loop goes on.
      TCloseAction action = caNone;
      if (CloseQuery()) {
        action = caHide;
        DoClose(action);
      }
      if (action == caNone) {
        modalResult_ = mrNone;
        continue;
      }
      break;
    }
    Hide();
  } catch (...) {
    restore();
    throw;
  }
  restore();
  return modalResult_;
}

bool TCustomForm::CloseQuery() {
  bool canClose = true;
  if (OnCloseQuery) OnCloseQuery(this, canClose);
  return canClose;
}

void TCustomForm::DoClose(TCloseAction& Action) {
  if (OnClose) OnClose(this, Action);
}

void TCustomForm::Close() {
  if (modal_) {
    modalResult_ = mrCancel;
    return;
  }
  if (!CloseQuery()) return;
  TCloseAction action = caHide;
  DoClose(action);
  if (action == caNone) return;
  if (Application()->MainForm() == this) {
    Hide();
    Application()->Terminate();
  } else if (action == caHide) {
    Hide();
  } else if (action == caMinimize) {
    SetWindowState(wsMinimized);
  } else {
    Release();
  }
}

void TCustomForm::Release() {
  // Freed from the loop once the message being handled is done; a form
  // freed by its owner before then is not freed twice.
  visual::ReleaseLater(this);
}

void TCustomForm::WMClose(TMessage&) { Close(); }

void TCustomForm::WMActivate(TMessage& Message) {
  DefaultHandler(Message);
  bool now = gui::LOWORD(Message.WParam) != gui::WA_INACTIVE;
  if (now == active_) return;
  active_ = now;
  if (now) {
    SetWindowFocus();
    if (OnActivate) OnActivate(this);
  } else if (OnDeactivate) {
    OnDeactivate(this);
  }
}

// ---- Focus -----------------------------------------------------------------------------

void TCustomForm::SetWindowFocus() {
  if (!HandleAllocated() || !Visible()) return;
  TWinControl* target = activeControl_ && activeControl_->CanFocus() ? activeControl_ : this;
  gui::SetFocus(target->Handle());
}

void TCustomForm::SetActiveControl(TWinControl* Control) {
  if (activeControl_ == Control) return;
  if (Control && (!ContainsControl(Control) || (Visible() && !Control->CanFocus())))
    throw EInvalidOperation("Cannot focus a disabled or invisible window");
  activeControl_ = Control;
  if (!ComponentState().Contains(csLoading) && Visible() && HandleAllocated()) SetWindowFocus();
}

void TCustomForm::FocusControl(TWinControl* Control) {
  bool moves = activeControl_ != Control && !ComponentState().Contains(csLoading) && Visible() && HandleAllocated();
  SetActiveControl(Control);
  // A change SetActiveControl made itself and the focused control refused
  // (its exit raised) is not tried a second time.
  if (!moves && Control && Control->HandleAllocated() && gui::GetFocus() != Control->Handle())
    gui::SetFocus(Control->Handle());
}

bool TCustomForm::SetFocusedControl(TWinControl* Control) {
  if (Control == focusedControl_) return true;
  TWinControl* old = focusedControl_;
  focusedControl_ = Control;
  if (Control != this) activeControl_ = Control;
  // Exit from the old control and its parents up to the common one, then
  // enter the new control's parents from the top down, and the control.
  std::vector<TWinControl*> entering;
  for (TWinControl* c = Control; c && c != this; c = c->Parent()) entering.push_back(c);
  auto isEntering = [&](TWinControl* c) { return std::find(entering.begin(), entering.end(), c) != entering.end(); };
  std::vector<TWinControl*> leaving;
  for (TWinControl* c = old; c && c != this; c = c->Parent()) leaving.push_back(c);
  for (TWinControl* c : leaving) {
    if (isEntering(c)) break;
    c->Perform(CM_EXIT);
    if (focusedControl_ != Control) return false;
  }
  for (auto it = entering.rbegin(); it != entering.rend(); ++it) {
    if (std::find(leaving.begin(), leaving.end(), *it) != leaving.end()) continue;
    (*it)->Perform(CM_ENTER);
    if (focusedControl_ != Control) return false;
  }
  Perform(CM_FOCUSCHANGED, 0, reinterpret_cast<LPARAM>(Control));
  return true;
}

void TCustomForm::ControlRemoved(TWinControl* Control) {
  if (activeControl_ && (activeControl_ == Control || Control->ContainsControl(activeControl_)))
    activeControl_ = nullptr;
  if (focusedControl_ && (focusedControl_ == Control || Control->ContainsControl(focusedControl_)))
    focusedControl_ = nullptr;
}

void TCustomForm::DefocusControl(TWinControl* Control, bool Removing) {
  if (Removing && focusedControl_ && Control->ContainsControl(focusedControl_))
    focusedControl_ = Control->Parent();
  if (activeControl_ && Control->ContainsControl(activeControl_)) activeControl_ = nullptr;
}

void TCustomForm::CMDialogKey(TMessage& Message) {
  TShiftState shift = KeyDataToShiftState(Message.LParam);
  if ((shift & (ssAlt | ssCtrl)) == 0) {
    switch (Message.WParam) {
      case gui::VK_TAB:
        SelectNext(activeControl_, (shift & ssShift) == 0, true);
        Message.Result = 1;
        return;
      case gui::VK_LEFT:
      case gui::VK_RIGHT:
      case gui::VK_UP:
      case gui::VK_DOWN:
        if (activeControl_ && activeControl_->Parent()) {
          activeControl_->Parent()->SelectNext(
              activeControl_, Message.WParam == gui::VK_RIGHT || Message.WParam == gui::VK_DOWN, false);
          Message.Result = 1;
        }
        return;
      default:
        break;
    }
  }
  TWinControl::CMDialogKey(Message);
}

// ---- Painting and dispatch ------------------------------------------------------------

void TCustomForm::PaintControl() {
  if (OnPaint) OnPaint(this);
}

void TCustomForm::PaintWindow(gui::HDC DC) {
  canvas_->PaintWith(DC, [this] { PaintControl(); });
}

void TCustomForm::Dispatch(TMessage& Message) {
  switch (Message.Msg) {
    case gui::WM_CLOSE: WMClose(Message); return;
    case gui::WM_ACTIVATE: WMActivate(Message); return;
    case CM_RELEASE: visual::ReleaseLater(this); return;
    default: TWinControl::Dispatch(Message); return;
  }
}
