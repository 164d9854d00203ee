#include "class_library/visual/DragManager.h"

#include <cstdlib>
#include <memory>

#include "class_library/visual/Docking.h"
#include "class_library/visual/VisualState.h"
#include "platform/gui/Screen.h"
#include "platform/gui/Window.h"

namespace {

struct DragState {
  TControl* source = nullptr;
  bool started = false;   // past the threshold
  TPoint start{};         // screen point where the button went down
  int threshold = 0;
  TControl* target = nullptr;
  bool accepted = false;
  // Docking drags (DragKind dkDock): what would be docked where.
  std::unique_ptr<TDragDockObject> dock;
  TDragDockObject* dockObject = nullptr;  // dock, or the one OnStartDock gave
};

DragState& Drag();

// The dock site under a screen point that takes Source, or nullptr.
TWinControl* DockSiteAt(TControl* Source, TPoint Screen) {
  auto* own = dynamic_cast<TWinControl*>(Source);
  for (TControl* c = FindDragTarget(Screen, false); c; c = c->Parent()) {
    auto* site = dynamic_cast<TWinControl*>(c);
    if (!site || !site->DockSite() || site == Source || (own && own->ContainsControl(site))) continue;
    TRect influence{};
    bool canDock = false;
    site->GetSiteInfo(Source, influence, site->ScreenToClient(Screen), canDock);
    if (canDock && gui::PtInRect(influence, Screen)) return site;
  }
  return nullptr;
}

void DockMoveTo(TPoint Screen) {
  DragState& d = Drag();
  TWinControl* site = DockSiteAt(d.source, Screen);
  TDragDockObject* object = d.dockObject;
  auto over = [&](TWinControl* s, TDragState state) {
    bool accept = true;
    TPoint local = s->ScreenToClient(Screen);
    object->DragTarget = s;
    s->HandleDockOver(object, local.X, local.Y, state, accept);
    return accept;
  };
  if (site != d.target) {
    if (auto* old = dynamic_cast<TWinControl*>(d.target)) over(old, dsDragLeave);
    d.target = site;
    d.accepted = site && over(site, dsDragEnter);
  }
  if (site) d.accepted = over(site, dsDragMove);
  if (!site) object->DragTarget = nullptr;
  gui::SetCursor(CursorHandle(crArrow));
}

void DockFinish(bool Drop, TPoint Screen) {
  DragState& d = Drag();
  TControl* source = d.source;
  auto* site = dynamic_cast<TWinControl*>(d.target);
  bool started = d.started, accepted = d.accepted;
  std::unique_ptr<TDragDockObject> own = std::move(d.dock);
  TDragDockObject* object = d.dockObject;
  d = DragState{};
  if (source->MouseCapture()) source->SetMouseCapture(false);
  gui::SetCursor(CursorHandle(crArrow));
  if (!Drop || !started) {
    if (source->OnEndDock) source->OnEndDock(source, nullptr, 0, 0);
    return;
  }
  if (site && accepted)
    source->ManualDock(site, object->DropOnControl, object->DropAlign);
  else
    source->ManualFloat(Bounds(Screen.X, Screen.Y, source->Width(), source->Height()));
}

DragState& Drag() {
  static auto* state = new DragState;
  return *state;
}

LRESULT SendDrag(TControl* Target, TDragMessage Kind, TPoint Screen) {
  TDragRec rec;
  rec.Pos = Screen;
  rec.Source = Drag().source;
  rec.Target = Target;
  return Target->Perform(CM_DRAG, static_cast<WPARAM>(Kind), reinterpret_cast<LPARAM>(&rec));
}

void MoveTo(TPoint Screen) {
  DragState& d = Drag();
  if (d.dockObject) {
    DockMoveTo(Screen);
    return;
  }
  TControl* now = FindDragTarget(Screen, false);
  if (now != d.target) {
    if (d.target) SendDrag(d.target, dmDragLeave, Screen);
    d.target = now;
    d.accepted = now && SendDrag(now, dmDragEnter, Screen) != 0;
  }
  if (d.target) d.accepted = SendDrag(d.target, dmDragMove, Screen) != 0;
  gui::SetCursor(CursorHandle(d.accepted ? d.source->DragCursor() : crNoDrop));
}

void Finish(bool Drop, TPoint Screen) {
  DragState& d = Drag();
  if (d.dockObject) {
    DockFinish(Drop, Screen);
    return;
  }
  TControl* source = d.source;
  TControl* target = d.target;
  bool dropped = Drop && d.started && target && d.accepted;
  if (target && d.started) SendDrag(target, dropped ? dmDragDrop : dmDragLeave, Screen);
  d = DragState{};
  if (source->MouseCapture()) source->SetMouseCapture(false);
  gui::SetCursor(CursorHandle(crArrow));
  if (source->OnEndDrag) {
    TPoint local = dropped ? target->ScreenToClient(Screen) : TPoint{0, 0};
    source->OnEndDrag(source, dropped ? target : nullptr, local.X, local.Y);
  }
}

}  // namespace

TControl* visual::DragControl() { return Drag().source; }

void visual::BeginDrag(TControl* Control, bool Immediate, int Threshold) {
  DragState& d = Drag();
  if (d.source) return;
  d.source = Control;
  d.threshold = Threshold < 0 ? gui::GetSystemMetrics(gui::SM_CXDRAG) : Threshold;
  gui::GetCursorPos(d.start);
  Control->SetMouseCapture(true);
  if (Control->DragKind() == dkDock) {
    TDragDockObject* given = nullptr;
    if (Control->OnStartDock) Control->OnStartDock(Control, given);
    if (!given) {
      d.dock = std::make_unique<TDragDockObject>(Control);
      given = d.dock.get();
    }
    d.dockObject = given;
  } else if (Control->OnStartDrag) {
    TDragObject* object = nullptr;
    Control->OnStartDrag(Control, object);
  }
  if (Immediate) {
    d.started = true;
    MoveTo(d.start);
  }
}

void visual::EndDrag(TControl* Control, bool Drop) {
  if (Drag().source != Control) return;
  TPoint p;
  gui::GetCursorPos(p);
  Finish(Drop, p);
}

void visual::CancelDrag(TControl* Clicked) {
  DragState& d = Drag();
  if (d.source && d.source != Clicked) EndDrag(d.source, false);
}

bool visual::DragMouseMessage(TControl* Control, TMessage& Message) {
  DragState& d = Drag();
  if (!d.source || Control != d.source) return false;
  TPoint screen = Control->ClientToScreen(gui::PointFromLParam(Message.LParam));
  switch (Message.Msg) {
    case gui::WM_MOUSEMOVE:
      if (!d.started) {
        if (std::abs(screen.X - d.start.X) < d.threshold && std::abs(screen.Y - d.start.Y) < d.threshold)
          return false;
        d.started = true;
      }
      MoveTo(screen);
      return true;
    case gui::WM_LBUTTONUP:
      Finish(true, screen);
      return true;
    case gui::WM_RBUTTONDOWN:
      Finish(false, screen);
      return true;
    default:
      return false;
  }
}

void visual::HandleDragMessage(TControl* Control, TMessage& Message) {
  auto* rec = reinterpret_cast<TDragRec*>(Message.LParam);
  if (!rec) return;
  TPoint local = Control->ScreenToClient(rec->Pos);
  switch (static_cast<TDragMessage>(Message.WParam)) {
    case dmDragEnter:
    case dmDragLeave:
    case dmDragMove: {
      static constexpr TDragState kStates[] = {dsDragEnter, dsDragLeave, dsDragMove};
      bool accept = false;
      Control->HandleDragOver(rec->Source, local.X, local.Y, kStates[Message.WParam], accept);
      Message.Result = accept ? 1 : 0;
      return;
    }
    case dmDragDrop:
      Control->HandleDragDrop(rec->Source, local.X, local.Y);
      return;
    default:
      return;
  }
}
