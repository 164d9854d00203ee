#pragma once
// Docking: a control whose DragKind is dkDock can be docked into a window
// control whose DockSite is set (ManualDock, or dragging it there with the
// mouse) and floated again in a small form of its own (ManualFloat, or
// dropping it where no site takes it). The site is its HostDockSite; the
// site decides where the client goes (CM_DOCKCLIENT; by default it becomes
// the site's child, placed by the site's dock manager when UseDockManager
// is set), is told when the client leaves (CM_UNDOCKCLIENT) and when the
// client's text or visibility changes (CM_DOCKNOTIFICATION).
#include <vector>

#include "class_library/visual/DragManager.h"
#include "class_library/visual/Forms.h"

// What is being docked, and where it would go.
class TDragDockObject : public TDragObject {
public:
  explicit TDragDockObject(TControl* AControl) : Control(AControl) {}
  String ClassName() const override { return "TDragDockObject"; }
  TControl* Control;
  TRect DockRect{};              // screen rectangle the control would take
  TAlign DropAlign = alNone;     // the side of DropOnControl (alNone: the site itself)
  TControl* DropOnControl = nullptr;
  TWinControl* DragTarget = nullptr;  // the site under the pointer, if any
};

// CM_DOCKCLIENT: LParam a TDockClientRec* (Result 0).
struct TDockClientRec {
  TDragDockObject* DockSource = nullptr;
  TPoint MousePos{};  // client coordinates of the site
};
// CM_UNDOCKCLIENT: LParam a TUnDockClientRec* (Result 0).
struct TUnDockClientRec {
  TWinControl* NewTarget = nullptr;  // where the client goes (nullptr: floating)
  TControl* Client = nullptr;
};
// CM_DOCKNOTIFICATION: WParam the docked client, LParam a TDockNotifyRec*
// (ClientMsg WM_SETTEXT with MsgLParam the new text as const char*, or
// CM_VISIBLECHANGED with MsgWParam the new visibility).
struct TDockNotifyRec {
  UINT ClientMsg = 0;
  WPARAM MsgWParam = 0;
  LPARAM MsgLParam = 0;
};

// The dock manager of a site with UseDockManager: it places the docked
// controls one below the other, each under a grabber bar, and paints the
// bars. A site aligned at the top or bottom is a strip: there the controls
// lie side by side, each right of its bar. Descendants change the place of
// the client area (AdjustDockRect), the bar (PaintDockFrame) and give the
// bar a close glyph (CloseGlyphRect).
//
// The bars take the mouse: a button pressed on a close glyph closes the
// control (a form is asked to close, anything else is hidden); pressed
// anywhere else on a bar it starts dragging the control, which then docks
// where it is dropped or floats.
class TDockTree {
public:
  explicit TDockTree(TWinControl* DockSite);
  virtual ~TDockTree();
  TDockTree(const TDockTree&) = delete;
  TDockTree& operator=(const TDockTree&) = delete;

  TWinControl* DockSite() const { return dockSite_; }
  // The thickness of the grabber bar.
  static constexpr int GrabberSize = 12;
  // Whether the bars run across the top of the zones (one below the other)
  // rather than down their left side (a strip: side by side).
  bool GrabbersOnTop() const;
  // Control joins the site: beside DropCtl on side InsertAt, or last.
  virtual void InsertControl(TControl* Control, TAlign InsertAt, TControl* DropCtl);
  virtual void RemoveControl(TControl* Control);
  // Places the docked controls in the site's client area.
  virtual void ResetBounds(bool Force);
  // The client area of a docked control within its zone: below the bar, or
  // right of it in a strip.
  virtual void AdjustDockRect(TControl* Control, TRect& ARect);
  // The bar of a docked control (ARect its whole zone): two raised lines
  // along it.
  virtual void PaintDockFrame(TCanvas* Canvas, TControl* Control, const TRect& ARect);
  // Paints the bars of every visible docked control onto DC (the site's).
  virtual void PaintSite(gui::HDC DC);
  // The zone of a docked control in the site's client coordinates (empty
  // when it is not docked here or not visible).
  TRect ZoneOf(TControl* Control);
  const std::vector<TControl*>& Controls() const { return zones_; }
  // The docked control whose bar holds MousePos (site client coordinates),
  // with HTFlag HTCLOSE on its close glyph and HTCAPTION elsewhere on the
  // bar; nullptr (HTFlag HTNOWHERE) off every bar.
  TControl* HitTest(TPoint MousePos, LRESULT& HTFlag);
  // The left button went down at MousePos in the site: closes or starts
  // dragging the control of the bar there. Answers whether a bar took it.
  bool ButtonDown(TPoint MousePos);

protected:
  // The box of the close glyph on the bar of a zone; empty where the bar
  // has none (the plain grabber).
  virtual TRect CloseGlyphRect(const TRect& Zone) const;

private:
  TWinControl* dockSite_;
  std::vector<TControl*> zones_;
  bool placing_ = false;
};

// The small form a floating control stands in; it goes when its control
// leaves it.
class TCustomDockForm : public TCustomForm {
public:
  explicit TCustomDockForm(TComponent* AOwner);
  String ClassName() const override { return "TCustomDockForm"; }

protected:
  void RemoveDockedClient(TControl* Client) override;
};
