// Docking: the control's and the site's side, the dock manager and the
// floating form.
#include "class_library/visual/Docking.h"

#include <algorithm>

#include "class_library/visual/VisualApplication.h"
#include "platform/gui/Gdi.h"
#include "platform/gui/Window.h"

// ---- The docked control ------------------------------------------------------------

bool TControl::Floating() const {
  if (!hostDockSite_) return dynamic_cast<const TCustomForm*>(this) == nullptr || !parent_;
  return dynamic_cast<TCustomDockForm*>(hostDockSite_) != nullptr;
}

void TControl::Dock(TWinControl* NewDockSite, const TRect& ARect) {
  TWinControl* old = hostDockSite_;
  if (old != NewDockSite && old) {
    hostDockSite_ = nullptr;
    old->ForgetDockClient(this);
  }
  if (!NewDockSite) {
    // Floating on its own: a form without a parent.
    SetParent(nullptr);
    PlaceBounds(ARect.Left, ARect.Top, ARect.Width(), ARect.Height());
    return;
  }
  PlaceBounds(ARect.Left, ARect.Top, ARect.Width(), ARect.Height());
  if (old != NewDockSite) {
    hostDockSite_ = NewDockSite;
    NewDockSite->dockClients_.push_back(this);
    NewDockSite->AddDockedClient(this);
  }
}

bool TControl::ManualDock(TWinControl* NewDockSite, TControl* DropControl, TAlign ControlSide) {
  if (!NewDockSite) {
    TRect r = BoundsRect();
    if (parent_) {
      TPoint at = parent_->ClientToScreen(TPoint{r.Left, r.Top});
      r = Bounds(at.X, at.Y, r.Width(), r.Height());
    }
    return ManualFloat(r);
  }
  if (NewDockSite == this || (dynamic_cast<TWinControl*>(this) &&
                              static_cast<TWinControl*>(this)->ContainsControl(NewDockSite)))
    return false;
  if (hostDockSite_ && hostDockSite_ != NewDockSite) {
    bool allow = true;
    if (hostDockSite_->OnUnDock) hostDockSite_->OnUnDock(hostDockSite_, this, NewDockSite, allow);
    if (!allow) return false;
    TUnDockClientRec undock{NewDockSite, this};
    hostDockSite_->Perform(CM_UNDOCKCLIENT, 0, reinterpret_cast<LPARAM>(&undock));
  }
  TDragDockObject source(this);
  source.DropAlign = ControlSide;
  source.DropOnControl = DropControl;
  source.DragTarget = NewDockSite;
  TRect client = NewDockSite->ClientRect();
  TPoint origin = NewDockSite->ClientToScreen(TPoint{0, 0});
  source.DockRect = Bounds(origin.X, origin.Y, client.Width(), client.Height());
  TDockClientRec rec{&source, TPoint{client.Width() / 2, client.Height() / 2}};
  NewDockSite->Perform(CM_DOCKCLIENT, 0, reinterpret_cast<LPARAM>(&rec));
  if (OnEndDock) OnEndDock(this, NewDockSite, rec.MousePos.X, rec.MousePos.Y);
  return hostDockSite_ == NewDockSite;
}

bool TControl::ManualFloat(const TRect& ScreenPos) {
  if (hostDockSite_) {
    bool allow = true;
    if (hostDockSite_->OnUnDock) hostDockSite_->OnUnDock(hostDockSite_, this, nullptr, allow);
    if (!allow) return false;
    TUnDockClientRec undock{nullptr, this};
    hostDockSite_->Perform(CM_UNDOCKCLIENT, 0, reinterpret_cast<LPARAM>(&undock));
  }
  if (auto* form = dynamic_cast<TCustomForm*>(this)) {
    bool shown = form->Visible();
    Dock(nullptr, ScreenPos);
    // Its child window went with the site: a form that showed there shows
    // in a window of its own now.
    if (shown)
      Perform(CM_VISIBLECHANGED, 1, 0);
    else
      form->Show();
  } else {
    // A control that is no form floats in a small form of its own.
    auto* host = new TCustomDockForm(nullptr);
    host->SetCaption(Text());
    host->SetClientWidth(ScreenPos.Width());
    host->SetClientHeight(ScreenPos.Height());
    host->PlaceBounds(ScreenPos.Left, ScreenPos.Top, host->Width(), host->Height());
    TRect inside = host->ClientRect();
    TDragDockObject source(this);
    source.DragTarget = host;
    TPoint origin = host->ClientToScreen(TPoint{0, 0});
    source.DockRect = Bounds(origin.X, origin.Y, inside.Width(), inside.Height());
    TDockClientRec rec{&source, TPoint{0, 0}};
    host->Perform(CM_DOCKCLIENT, 0, reinterpret_cast<LPARAM>(&rec));
    host->Show();
  }
  if (OnEndDock) OnEndDock(this, nullptr, 0, 0);
  return true;
}

void TControl::SendDockNotification(UINT Msg, WPARAM WParam, LPARAM LParam) {
  if (!hostDockSite_ || dragKind_ != dkDock) return;
  TDockNotifyRec rec{Msg, WParam, LParam};
  hostDockSite_->Perform(CM_DOCKNOTIFICATION, reinterpret_cast<WPARAM>(this), reinterpret_cast<LPARAM>(&rec));
}

// ---- The dock site ---------------------------------------------------------------------

void TWinControl::SetDockSite(bool Value) {
  if (dockSite_ == Value) return;
  dockSite_ = Value;
  UpdateDockManager();
}

void TWinControl::SetUseDockManager(bool Value) {
  if (useDockManager_ == Value) return;
  useDockManager_ = Value;
  UpdateDockManager();
}

void TWinControl::UpdateDockManager() {
  if (ComponentState().Contains(csLoading)) return;
  if (!dockSite_ || !useDockManager_) {
    if (dockManager_ && dockClients_.empty()) dockManager_.reset();
    return;
  }
  TDockTree* made = CreateDockManager();
  if (made != dockManager_.get()) dockManager_.reset(made);
  if (dockManager_) {
    for (TControl* c : dockClients_) dockManager_->InsertControl(c, alNone, nullptr);
    SetDoubleBuffered(true);
  }
}

void TWinControl::FinishLoading() {
  TControl::FinishLoading();
  UpdateDockManager();
}

TDockTree* TWinControl::CreateDockManager() {
  if (dockManager_) return dockManager_.get();
  return dockSite_ && useDockManager_ ? new TDockTree(this) : nullptr;
}

int TWinControl::DockClientCount() const { return static_cast<int>(dockClients_.size()); }

TControl* TWinControl::DockClients(int Index) const { return dockClients_.at(static_cast<std::size_t>(Index)); }

void TWinControl::AddDockedClient(TControl* Client) {
  TRect r = Client->BoundsRect();
  Client->SetParent(this);
  Client->PlaceBounds(r.Left, r.Top, r.Width(), r.Height());
}

void TWinControl::RemoveDockedClient(TControl*) {}

void TWinControl::ForgetDockClient(TControl* Client) {
  auto it = std::find(dockClients_.begin(), dockClients_.end(), Client);
  if (it == dockClients_.end()) return;
  dockClients_.erase(it);
  if (dockManager_) dockManager_->RemoveControl(Client);
  if (!(ComponentState().Contains(csDestroying))) RemoveDockedClient(Client);
}

void TWinControl::GetSiteInfo(TControl* Client, TRect& InfluenceRect, TPoint MousePos, bool& CanDock) {
  TPoint origin = ClientToScreen(TPoint{0, 0});
  InfluenceRect = Bounds(origin.X - 10, origin.Y - 10, ClientWidth() + 20, ClientHeight() + 20);
  CanDock = true;
  if (OnGetSiteInfo) OnGetSiteInfo(this, Client, InfluenceRect, MousePos, CanDock);
}

void TWinControl::HandleDockOver(TDragDockObject* Source, int X, int Y, TDragState State, bool& Accept) {
  TPoint origin = ClientToScreen(TPoint{0, 0});
  Source->DockRect = Bounds(origin.X, origin.Y, ClientWidth(), ClientHeight());
  NotifyDockOver(Source, X, Y, State, Accept);
}

void TWinControl::NotifyDockOver(TDragDockObject* Source, int X, int Y, TDragState State, bool& Accept) {
  if (OnDockOver) OnDockOver(this, Source, X, Y, State, Accept);
}

void TWinControl::HandleDockDrop(TDragDockObject* Source, int X, int Y) {
  if (OnDockDrop) OnDockDrop(this, Source, X, Y);
}

void TWinControl::CMDockClient(TMessage& Message) {
  Message.Result = 0;
  auto* rec = reinterpret_cast<TDockClientRec*>(Message.LParam);
  if (!rec || !rec->DockSource || !rec->DockSource->Control) return;
  TDragDockObject* source = rec->DockSource;
  TPoint origin = ClientToScreen(TPoint{0, 0});
  TRect r = source->DockRect;
  gui::OffsetRect(r, -origin.X, -origin.Y);
  source->Control->Dock(this, r);
  if (dockManager_ && useDockManager_ && source->Control->HostDockSite() == this) {
    dockManager_->InsertControl(source->Control, source->DropAlign, source->DropOnControl);
    Invalidate();
  }
  HandleDockDrop(source, rec->MousePos.X, rec->MousePos.Y);
}

void TWinControl::CMUnDockClient(TMessage& Message) {
  Message.Result = 0;
  auto* rec = reinterpret_cast<TUnDockClientRec*>(Message.LParam);
  if (rec && rec->Client && dockManager_) {
    dockManager_->RemoveControl(rec->Client);
    Invalidate();
  }
}

void TWinControl::CMDockNotification(TMessage& Message) { Message.Result = 0; }

// ---- The dock manager ----------------------------------------------------------------

TDockTree::TDockTree(TWinControl* DockSite) : dockSite_(DockSite) {}

TDockTree::~TDockTree() = default;

void TDockTree::InsertControl(TControl* Control, TAlign InsertAt, TControl* DropCtl) {
  if (std::find(zones_.begin(), zones_.end(), Control) != zones_.end()) {
    // Docked again where it was (dropped back on its own site): it keeps
    // its zone, and takes it back from the place the drop gave it.
    ResetBounds(true);
    return;
  }
  auto at = std::find(zones_.begin(), zones_.end(), DropCtl);
  if (at != zones_.end() && (InsertAt == alTop || InsertAt == alLeft))
    zones_.insert(at, Control);
  else if (at != zones_.end())
    zones_.insert(at + 1, Control);
  else
    zones_.push_back(Control);
  ResetBounds(true);
}

void TDockTree::RemoveControl(TControl* Control) {
  auto it = std::find(zones_.begin(), zones_.end(), Control);
  if (it == zones_.end()) return;
  zones_.erase(it);
  ResetBounds(true);
}

TRect TDockTree::ZoneOf(TControl* Control) {
  std::vector<TControl*> shown;
  for (TControl* c : zones_)
    if (c->Visible()) shown.push_back(c);
  auto it = std::find(shown.begin(), shown.end(), Control);
  if (it == shown.end()) return TRect{};
  TRect all = dockSite_->ClientRect();
  dockSite_->ShrinkClientRect(all);
  int n = static_cast<int>(shown.size());
  int i = static_cast<int>(it - shown.begin());
  if (!GrabbersOnTop()) {
    int left = all.Left + all.Width() * i / n;
    int right = all.Left + all.Width() * (i + 1) / n;
    return TRect{left, all.Top, right, all.Bottom};
  }
  int top = all.Top + all.Height() * i / n;
  int bottom = all.Top + all.Height() * (i + 1) / n;
  return TRect{all.Left, top, all.Right, bottom};
}

bool TDockTree::GrabbersOnTop() const { return dockSite_->Align() != alTop && dockSite_->Align() != alBottom; }

void TDockTree::ResetBounds(bool) {
  if (placing_) return;
  placing_ = true;
  for (TControl* c : zones_) {
    TRect r = ZoneOf(c);
    if (r.Width() <= 0 && r.Height() <= 0) continue;
    AdjustDockRect(c, r);
    c->PlaceBounds(r.Left, r.Top, std::max(0, r.Width()), std::max(0, r.Height()));
  }
  placing_ = false;
}

void TDockTree::AdjustDockRect(TControl*, TRect& ARect) {
  if (GrabbersOnTop())
    ARect.Top += GrabberSize;
  else
    ARect.Left += GrabberSize;
}

void TDockTree::PaintDockFrame(TCanvas* Canvas, TControl*, const TRect& ARect) {
  gui::HDC dc = Canvas->Handle();
  bool across = GrabbersOnTop();
  for (int line = 0; line < 2; ++line) {
    int at = 3 + line * 4;
    gui::Rect bar = across ? gui::Rect{ARect.Left + 2, ARect.Top + at, ARect.Right - 2, ARect.Top + at + 3}
                           : gui::Rect{ARect.Left + at, ARect.Top + 2, ARect.Left + at + 3, ARect.Bottom - 2};
    gui::DrawEdge(dc, bar, gui::BDR_RAISEDINNER, gui::BF_RECT);
  }
}

TRect TDockTree::CloseGlyphRect(const TRect&) const { return TRect{}; }

TControl* TDockTree::HitTest(TPoint MousePos, LRESULT& HTFlag) {
  HTFlag = gui::HTNOWHERE;
  for (TControl* c : zones_) {
    if (!c->Visible()) continue;
    TRect zone = ZoneOf(c);
    TRect inside = zone;
    AdjustDockRect(c, inside);
    // The bar is what the zone has beside the control's own place.
    if (!gui::PtInRect(zone, MousePos) || gui::PtInRect(inside, MousePos)) continue;
    TRect glyph = CloseGlyphRect(zone);
    HTFlag = gui::PtInRect(glyph, MousePos) ? gui::HTCLOSE : gui::HTCAPTION;
    return c;
  }
  return nullptr;
}

bool TDockTree::ButtonDown(TPoint MousePos) {
  LRESULT hit = gui::HTNOWHERE;
  TControl* control = HitTest(MousePos, hit);
  if (!control) return false;
  if (hit == gui::HTCLOSE) {
    // A form may refuse (OnCloseQuery) or choose what closing means.
    if (auto* form = dynamic_cast<TCustomForm*>(control))
      form->Close();
    else
      control->Hide();
  } else if (control->DragKind() == dkDock) {
    control->BeginDrag(false, -1);
  }
  return true;
}

void TDockTree::PaintSite(gui::HDC DC) {
  TCanvas canvas;
  canvas.SetHandle(DC);
  for (TControl* c : zones_) {
    if (!c->Visible()) continue;
    TRect zone = ZoneOf(c);
    PaintDockFrame(&canvas, c, zone);
  }
  canvas.SetHandle(gui::HDC{});
}

// ---- The floating form ------------------------------------------------------------------

TCustomDockForm::TCustomDockForm(TComponent* AOwner) : TCustomForm(AOwner) {
  SetBorderStyle(bsSizeToolWin);
  SetDockSite(true);
}

void TCustomDockForm::RemoveDockedClient(TControl* Client) {
  TCustomForm::RemoveDockedClient(Client);
  if (DockClientCount() == 0) {
    Hide();
    visual::ReleaseLater(this);
  }
}
