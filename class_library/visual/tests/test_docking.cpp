// Docking: controls docked into a site by the program and by dragging,
// floated in a form of their own, and the site told of what they do; a
// strip's controls side by side, and the grabber bars taking the mouse.
#include <vector>

#include "class_library/visual/Docking.h"
#include "class_library/visual/ExtCtrls.h"
#include "class_library/visual/tests/VisualTest.h"

namespace {

using namespace vistest;
using Docking = FormTest;

// A dock site that records the docking messages it gets.
class TRecordingSite : public TPanel {
public:
  explicit TRecordingSite(TComponent* AOwner) : TPanel(AOwner) {}
  std::vector<UINT> seen;
  std::vector<String> texts;
  std::vector<TControl*> added, removed;

protected:
  void WindowProcedure(TMessage& Message) override {
    if (Message.Msg == CM_DOCKCLIENT || Message.Msg == CM_UNDOCKCLIENT || Message.Msg == CM_DOCKNOTIFICATION)
      seen.push_back(Message.Msg);
    if (Message.Msg == CM_DOCKNOTIFICATION) {
      auto* rec = reinterpret_cast<TDockNotifyRec*>(Message.LParam);
      if (rec->ClientMsg == gui::WM_SETTEXT) texts.push_back(reinterpret_cast<const char*>(rec->MsgLParam));
      if (rec->ClientMsg == CM_VISIBLECHANGED) texts.push_back(rec->MsgWParam ? "shown" : "hidden");
    }
    TPanel::WindowProcedure(Message);
  }
  void AddDockedClient(TControl* Client) override {
    added.push_back(Client);
    TPanel::AddDockedClient(Client);
  }
  void RemoveDockedClient(TControl* Client) override {
    removed.push_back(Client);
    TPanel::RemoveDockedClient(Client);
  }
};

class DockingTest : public Docking {
protected:
  void SetUp() override {
    Docking::SetUp();
    form->PlaceBounds(100, 100, 400, 300);
    site = new TRecordingSite(form);
    site->SetParent(form);
    site->PlaceBounds(200, 0, 200, 300);
    site->SetBevelOuter(bvNone);
    site->SetDockSite(true);
    site->SetUseDockManager(true);
    client = new TPanel(form);
    client->SetParent(form);
    client->PlaceBounds(10, 10, 80, 40);
    client->SetDragKind(dkDock);
    client->SetColor(clRed);
  }
  TRecordingSite* site = nullptr;
  TPanel* client = nullptr;
};

TEST_F(DockingTest, ASiteTakesADockedControlUnderItsGrabberAndHearsOfItsChanges) {
  form->Show();
  Pump();
  TObject* endedOn = nullptr;
  client->OnEndDock = [&](TObject*, TObject* Target, int, int) { endedOn = Target; };
  std::vector<TControl*> drops;
  site->OnDockDrop = [&](TObject*, TDragDockObject* Source, int, int) { drops.push_back(Source->Control); };
  ASSERT_TRUE(client->ManualDock(site));
  EXPECT_EQ(client->HostDockSite(), site);
  EXPECT_EQ(client->Parent(), site);
  EXPECT_FALSE(client->Floating());
  EXPECT_EQ(site->DockClientCount(), 1);
  EXPECT_EQ(site->added, std::vector<TControl*>{client});
  EXPECT_EQ(drops, std::vector<TControl*>{client});
  EXPECT_EQ(endedOn, site);
  // The dock manager gives it the site's client area below the grabber.
  ASSERT_NE(site->DockManager(), nullptr);
  EXPECT_EQ(client->BoundsRect(), (TRect{0, TDockTree::GrabberSize, 200, 300}));
  // A second client shares the site: one above the other.
  auto* second = new TPanel(form);
  second->SetParent(form);
  second->SetDragKind(dkDock);
  second->ManualDock(site);
  EXPECT_EQ(client->BoundsRect(), (TRect{0, TDockTree::GrabberSize, 200, 150}));
  EXPECT_EQ(second->BoundsRect(), (TRect{0, 150 + TDockTree::GrabberSize, 200, 300}));
  Pump();
  // The grabber bar is painted in the site's colour's raised edge, not left blank.
  Picture shot(form->Handle());
  EXPECT_EQ(shot.At(200 + 100, 3), Rgb(clBtnHighlight)) << "the grabber's raised edge";
  // Text and visibility of a docked client reach the site.
  site->seen.clear();
  client->SetCaption("Log");
  client->Hide();
  EXPECT_EQ(site->seen, (std::vector<UINT>{CM_DOCKNOTIFICATION, CM_DOCKNOTIFICATION}));
  EXPECT_EQ(site->texts, (std::vector<String>{"Log", "hidden"}));
  EXPECT_EQ(second->BoundsRect(), (TRect{0, TDockTree::GrabberSize, 200, 300})) << "the hidden one gives its zone up";
  // A client that is freed leaves the site.
  delete second;
  EXPECT_EQ(site->DockClientCount(), 1);
}

TEST_F(DockingTest, FloatingMovesAControlIntoAFormOfItsOwnAndTheSiteMayRefuse) {
  form->Show();
  client->ManualDock(site);
  Pump();
  bool allow = false;
  site->OnUnDock = [&](TObject*, TControl* Client, TWinControl* Target, bool& Allow) {
    EXPECT_EQ(Client, client);
    EXPECT_EQ(Target, nullptr);
    Allow = allow;
  };
  EXPECT_FALSE(client->ManualFloat(Bounds(600, 500, 120, 60)));
  EXPECT_EQ(client->HostDockSite(), site) << "the site said no";
  allow = true;
  site->seen.clear();
  int forms = Screen()->FormCount();
  ASSERT_TRUE(client->ManualFloat(Bounds(600, 500, 120, 60)));
  EXPECT_EQ(site->seen, std::vector<UINT>{CM_UNDOCKCLIENT});
  EXPECT_EQ(site->removed, std::vector<TControl*>{client});
  EXPECT_EQ(site->DockClientCount(), 0);
  auto* floatForm = dynamic_cast<TCustomDockForm*>(client->HostDockSite());
  ASSERT_NE(floatForm, nullptr);
  EXPECT_TRUE(client->Floating());
  EXPECT_EQ(client->Parent(), floatForm);
  EXPECT_TRUE(floatForm->Visible());
  EXPECT_EQ(Screen()->FormCount(), forms + 1);
  EXPECT_EQ(floatForm->ClientWidth(), 120);
  EXPECT_EQ(client->ClientToScreen(TPoint{0, 0}), floatForm->ClientToScreen(TPoint{0, 0}));
  // Docked back, the floating form goes.
  ASSERT_TRUE(client->ManualDock(site));
  EXPECT_EQ(client->Parent(), site);
  Pump();
  EXPECT_EQ(Screen()->FormCount(), forms) << "the floating form went";
}

TEST_F(DockingTest, DraggingWithTheMouseDocksOverASiteAndFloatsElsewhere) {
  form->Show();
  Pump();
  std::vector<TDragState> states;
  site->OnDockOver = [&](TObject*, TDragDockObject* Source, int, int, TDragState State, bool& Accept) {
    states.push_back(State);
    TPoint origin = site->ClientToScreen(TPoint{0, 0});
    EXPECT_EQ(Source->DockRect.Left, origin.X) << "the rectangle it would take";
    Accept = true;
  };
  TPoint grip = client->ClientToScreen(TPoint{5, 5});
  gui::test::MouseDown(grip);
  client->BeginDrag(false, 4);
  TPoint over = site->ClientToScreen(TPoint{50, 50});
  gui::test::MouseMove(TPoint{grip.X + 10, grip.Y}, 1);
  gui::test::MouseMove(over, 1);
  gui::test::MouseMove(TPoint{over.X + 5, over.Y}, 1);
  gui::test::MouseUp(over);
  Pump();
  EXPECT_EQ(client->HostDockSite(), site);
  ASSERT_GE(states.size(), 2u);
  EXPECT_EQ(states.front(), dsDragEnter);
  // Dragged out of the site and dropped over nothing that docks: it floats.
  site->OnDockOver = nullptr;
  grip = client->ClientToScreen(TPoint{5, 5});
  gui::test::MouseDown(grip);
  client->BeginDrag(false, 4);
  gui::test::MouseMove(TPoint{grip.X, grip.Y + 10}, 1);
  gui::test::MouseMove(TPoint{900, 700}, 1);
  gui::test::MouseUp(TPoint{900, 700});
  Pump();
  ASSERT_NE(dynamic_cast<TCustomDockForm*>(client->HostDockSite()), nullptr);
  EXPECT_EQ(client->HostDockSite()->Left(), 900);
  EXPECT_EQ(site->DockClientCount(), 0);
}

TEST_F(DockingTest, AStripAtTheTopLaysItsControlsSideBySideRightOfTheirGrabbers) {
  site->SetAlign(alTop);
  site->SetHeight(100);
  ASSERT_TRUE(client->ManualDock(site));
  auto* second = new TPanel(form);
  second->SetParent(form);
  second->SetDragKind(dkDock);
  second->SetColor(clLime);
  ASSERT_TRUE(second->ManualDock(site));
  EXPECT_EQ(client->BoundsRect(), (TRect{TDockTree::GrabberSize, 0, 200, 100}));
  EXPECT_EQ(second->BoundsRect(), (TRect{200 + TDockTree::GrabberSize, 0, 400, 100}));
  form->Show();
  Pump();
  Picture shot(form->Handle());
  EXPECT_EQ(shot.At(100, 50), Rgb(clRed));
  EXPECT_EQ(shot.At(300, 50), Rgb(clLime)) << "the second beside the first, not below it";
  // Each grabber stands on the left of its control, its raised lines upright.
  EXPECT_EQ(shot.At(3, 50), Rgb(clBtnHighlight));
  EXPECT_EQ(shot.At(203, 50), Rgb(clBtnHighlight));
  // A third shares the strip in thirds; the hidden one gives its zone up.
  auto* third = new TPanel(form);
  third->SetParent(form);
  third->SetDragKind(dkDock);
  ASSERT_TRUE(third->ManualDock(site));
  EXPECT_EQ(second->BoundsRect(), (TRect{133 + TDockTree::GrabberSize, 0, 266, 100}));
  client->Hide();
  EXPECT_EQ(second->BoundsRect(), (TRect{TDockTree::GrabberSize, 0, 200, 100}));
}

TEST_F(DockingTest, TheGrabberBarDragsItsControlOutToFloatOrIntoAnotherSite) {
  auto* other = new TPanel(form);
  other->SetParent(form);
  other->PlaceBounds(0, 100, 150, 150);
  other->SetBevelOuter(bvNone);
  other->SetDockSite(true);
  other->SetUseDockManager(true);
  form->Show();
  ASSERT_TRUE(client->ManualDock(site));
  Pump();
  LRESULT hit = gui::HTNOWHERE;
  EXPECT_EQ(site->DockManager()->HitTest(TPoint{195, 5}, hit), client);
  EXPECT_EQ(hit, gui::HTCAPTION) << "the plain grabber has no close glyph";
  EXPECT_EQ(site->DockManager()->HitTest(TPoint{100, 50}, hit), nullptr) << "the control's own place is no bar";
  EXPECT_EQ(hit, gui::HTNOWHERE);
  TObject* endedOn = form;
  client->OnEndDock = [&](TObject*, TObject* Target, int, int) { endedOn = Target; };
  auto drag = [](TPoint From, TPoint To) {
    gui::test::MouseDown(From);
    gui::test::MouseMove(TPoint{From.X + 10, From.Y + 10}, 1);
    gui::test::MouseMove(To, 1);
    gui::test::MouseUp(To);
    Pump();
  };

  // Pressed and let go on the bar without moving: nothing happens.
  TPoint bar = site->ClientToScreen(TPoint{100, 5});
  gui::test::MouseDown(bar);
  gui::test::MouseUp(bar);
  Pump();
  EXPECT_EQ(client->HostDockSite(), site);
  EXPECT_EQ(client->BoundsRect(), (TRect{0, TDockTree::GrabberSize, 200, 300}));

  // Dropped back on its own site, it keeps its place.
  drag(bar, site->ClientToScreen(TPoint{100, 200}));
  EXPECT_EQ(client->HostDockSite(), site);
  EXPECT_EQ(client->Parent(), site);
  EXPECT_EQ(client->BoundsRect(), (TRect{0, TDockTree::GrabberSize, 200, 300}));

  // Into another site.
  drag(bar, other->ClientToScreen(TPoint{75, 75}));
  EXPECT_EQ(client->HostDockSite(), other);
  EXPECT_EQ(endedOn, other);
  EXPECT_EQ(site->DockClientCount(), 0);
  EXPECT_EQ(client->BoundsRect(), (TRect{0, TDockTree::GrabberSize, 150, 150}));

  // Out over nothing that docks: it floats where it was dropped.
  drag(other->ClientToScreen(TPoint{75, 5}), TPoint{900, 700});
  auto* floatForm = dynamic_cast<TCustomDockForm*>(client->HostDockSite());
  ASSERT_NE(floatForm, nullptr);
  EXPECT_TRUE(client->Floating());
  EXPECT_EQ(floatForm->Left(), 900);
  EXPECT_EQ(other->DockClientCount(), 0);
  EXPECT_EQ(endedOn, nullptr);
}

}  // namespace
