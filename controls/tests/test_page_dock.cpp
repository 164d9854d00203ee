// Docking into the page control: a docked form or control gets a page of its
// own whose tab follows its caption and visibility, the page goes when the
// control leaves (moved, floated, freed) while the control lives on, the tab
// drags and floats its control, the rectangle shown while dragging over the
// page control, the refusal of a control docked here already, and failures
// while docking.
#include <stdexcept>

#include "class_library/components/FormResource.h"
#include "class_library/visual/Docking.h"
#include "class_library/visual/StdCtrls.h"
#include "class_library/visual/tests/Probes.h"
#include "controls/VkPanel.h"
#include "controls/tests/TabTest.h"
#include "controls/tests/VkControlTest.h"

namespace {

using namespace vistest;

// The pages a page control owns (those it made for docked controls).
int OwnedPages(TVkPageControl* Pages) {
  int n = 0;
  for (int i = 0; i < Pages->ComponentCount(); ++i)
    if (dynamic_cast<TVkTabSheet*>(Pages->Components(i))) ++n;
  return n;
}

// A control of type T on Parent, docked by dragging.
template <class T = TProbeWindow>
T* Dockable(TWinControl* Parent) {
  auto* control = new T(Parent);
  control->SetParent(Parent);
  control->SetDragKind(dkDock);
  return control;
}

class PageDock : public FormTest {
protected:
  void SetUp() override {
    FormTest::SetUp();
    form->PlaceBounds(100, 100, 520, 320);
    pages = new TVkPageControl(form);
    pages->SetParent(form);
    pages->PlaceBounds(0, 0, 320, 320);
    pages->SetDockSite(true);
    pages->SetShowFocusRect(false);
    logInfo = new TVkTabSheet(form);
    logInfo->SetCaption("Log Info");
    logInfo->SetPageControl(pages);
    pages->SetActivePage(logInfo);
  }
  // A shown form to dock, with a probe filling it.
  TForm* DockableForm(const String& Caption, TColor Fill = clRed) {
    auto* f = new TForm(form);
    f->SetBorderStyle(bsNone);
    f->SetCaption(Caption);
    f->SetDragKind(dkDock);
    f->PlaceBounds(0, 0, 150, 100);
    auto* probe = new TProbeWindow(f, Fill);
    probe->SetParent(f);
    probe->SetAlign(alClient);
    f->SetVisible(true);
    return f;
  }
  TVkTabSheet* Last() { return pages->Pages(pages->PageCount() - 1); }
  // The centre of the tab of Page, in the page control's client coordinates.
  LPARAM TabPoint(TVkTabSheet* Page) {
    TRect r = pages->TabClientRect(Page->VisibleTabIndex());
    return gui::MAKELPARAM((r.Left + r.Right) / 2, (r.Top + r.Bottom) / 2);
  }
  TPoint TabOnScreen(TVkTabSheet* Page) {
    LPARAM at = TabPoint(Page);
    return pages->ClientToScreen(TPoint{gui::GET_X_LPARAM(at), gui::GET_Y_LPARAM(at)});
  }
  TVkPanel* OtherSite() {
    auto* panel = new TVkPanel(form);
    panel->SetParent(form);
    panel->PlaceBounds(330, 0, 190, 320);
    panel->SetBorderOuter(fsNone);
    panel->SetDockSite(true);
    return panel;
  }
  void ShowForm() {
    form->Show();
    Pump();
  }
  TVkPageControl* pages = nullptr;
  TVkTabSheet* logInfo = nullptr;
};

TEST_F(PageDock, ADockedFormGetsAPageOfItsOwn) {
  ShowForm();
  std::vector<TControl*> drops;
  pages->OnDockDrop = [&](TObject*, TDragDockObject* Source, int, int) {
    drops.push_back(Source->Control);
    EXPECT_EQ(pages->ActivePage()->Caption(), "Orders") << "the page is set up before the drop is told";
  };
  int changes = 0;
  pages->OnChange = [&](TObject*) { ++changes; };
  TForm* orders = DockableForm("Orders", clRed);
  ASSERT_TRUE(orders->ManualDock(pages));
  ASSERT_EQ(pages->PageCount(), 2);
  TVkTabSheet* page = Last();
  EXPECT_EQ(page->Owner(), pages) << "the page control owns the page it made";
  EXPECT_EQ(page->Caption(), "Orders") << "the form's caption";
  EXPECT_EQ(orders->Parent(), page);
  EXPECT_EQ(orders->HostDockSite(), pages);
  EXPECT_EQ(pages->DockClientCount(), 1);
  EXPECT_EQ(orders->Align(), alClient);
  EXPECT_TRUE(page->TabVisible());
  EXPECT_EQ(pages->ActivePage(), page) << "a visible client's page becomes active";
  EXPECT_EQ(pages->TabIndex(), 1);
  EXPECT_EQ(changes, 1);
  EXPECT_EQ(drops, std::vector<TControl*>{orders});
  Pump();
  EXPECT_EQ(orders->BoundsRect(), page->ClientRect());
  Picture shot(form->Handle());
  SaveShot(form, "vk_page_docked_form");
  TRect inside = pages->DisplayRect();
  EXPECT_EQ(shot.At((inside.Left + inside.Right) / 2, (inside.Top + inside.Bottom) / 2), Rgb(clRed))
      << "the docked form shows on its page";

  // A hidden control that is no form: a page without caption and without a
  // tab, and the active page stays.
  auto* probe = Dockable(form);
  probe->SetText("Note");
  probe->SetVisible(false);
  ASSERT_TRUE(probe->ManualDock(pages));
  ASSERT_EQ(pages->PageCount(), 3);
  EXPECT_EQ(Last()->Caption(), "");
  EXPECT_FALSE(Last()->TabVisible());
  EXPECT_EQ(probe->Parent(), Last());
  EXPECT_EQ(pages->ActivePage(), page);
  EXPECT_EQ(pages->TabData()->Count(), 2);
}

TEST_F(PageDock, TheTabFollowsTheCaptionAndVisibility) {
  TForm* orders = DockableForm("Orders");
  ASSERT_TRUE(orders->ManualDock(pages));
  TVkTabSheet* page = Last();
  orders->SetCaption("Kitchen\nprinter");
  EXPECT_EQ(page->Caption(), "Kitchen") << "cut before the first line end";
  orders->SetCaption("Bar\r\norders");
  EXPECT_EQ(page->Caption(), "Bar");
  orders->SetCaption("Line\rfeed\nlast");
  EXPECT_EQ(page->Caption(), "Line");
  EXPECT_EQ(pages->TabData()->Items(1)->Caption, "Line");
  orders->SetCaption("Counter");
  EXPECT_EQ(page->Caption(), "Counter");
  orders->Hide();
  EXPECT_FALSE(page->TabVisible());
  EXPECT_EQ(pages->TabData()->Count(), 1);
  orders->Show();
  EXPECT_TRUE(page->TabVisible());
  // A control on a page that was not docked there changes no caption.
  auto* edit = new TEdit(form);
  edit->SetParent(logInfo);
  edit->SetDragKind(dkDock);
  edit->SetText("typed");
  EXPECT_EQ(logInfo->Caption(), "Log Info");
}

// The page of a control that leaves is freed; the control itself lives on
// in its new place (the page went while it was still on it before).
TEST_F(PageDock, LeavingFreesThePageAndSelectsTheNext) {
  ShowForm();
  TForm* orders = DockableForm("Orders", clRed);
  TForm* printer = DockableForm("Printer", clGreen);
  ASSERT_TRUE(orders->ManualDock(pages));
  ASSERT_TRUE(printer->ManualDock(pages));
  TVkTabSheet* printerPage = Last();
  pages->SetActivePage(pages->Pages(1));  // Orders
  auto* list = new TListBox(orders);
  list->SetParent(orders);
  list->Items()->Add("Soup");
  TVkPanel* site = OtherSite();
  bool allow = true;
  pages->OnUnDock = [&](TObject*, TControl*, TWinControl*, bool& Allow) { Allow = allow; };
  allow = false;
  EXPECT_FALSE(orders->ManualDock(site));
  EXPECT_EQ(pages->PageCount(), 3) << "refused: the page stays";
  EXPECT_EQ(orders->Align(), alClient);
  allow = true;
  ASSERT_TRUE(orders->ManualDock(site));
  EXPECT_EQ(pages->PageCount(), 2);
  EXPECT_EQ(pages->ActivePage(), printerPage) << "the next page forward";
  EXPECT_EQ(orders->Parent(), site);
  EXPECT_EQ(orders->HostDockSite(), site);
  EXPECT_EQ(orders->Align(), alNone);
  EXPECT_EQ(pages->DockClientCount(), 1);
  EXPECT_EQ(list->Items()->Strings(0), "Soup") << "the form and its controls live on";
  Pump();
  EXPECT_TRUE(orders->Showing());

  // Floated, a form stands on its own; the last dock page goes and the
  // selection wraps round to the first page.
  ASSERT_TRUE(printer->ManualFloat(Bounds(600, 400, 150, 100)));
  EXPECT_EQ(pages->PageCount(), 1);
  EXPECT_EQ(pages->ActivePage(), logInfo);
  EXPECT_EQ(printer->Parent(), nullptr);
  EXPECT_TRUE(printer->Floating());
  Pump();
  EXPECT_TRUE(gui::IsWindowVisible(printer->Handle()));

  // A control that is no form floats in a form of its own.
  auto* probe = Dockable(form);
  ASSERT_TRUE(probe->ManualDock(pages));
  EXPECT_EQ(pages->PageCount(), 2);
  ASSERT_TRUE(probe->ManualDock(nullptr));
  EXPECT_EQ(pages->PageCount(), 1);
  EXPECT_NE(dynamic_cast<TCustomDockForm*>(probe->HostDockSite()), nullptr);
  EXPECT_EQ(probe->Parent(), probe->HostDockSite());
  Pump();
}

// A docked control that is freed takes its page with it: no tab is left
// over for a control that is gone.
TEST_F(PageDock, AFreedClientTakesItsPageWithIt) {
  ShowForm();
  TForm* orders = DockableForm("Orders");
  auto* graphic = Dockable<TProbeGraphic>(form);
  ASSERT_TRUE(orders->ManualDock(pages));
  ASSERT_TRUE(graphic->ManualDock(pages));
  TVkTabSheet* graphicPage = Last();
  EXPECT_EQ(graphic->Parent(), graphicPage);
  pages->SetActivePage(pages->Pages(1));
  delete orders;
  EXPECT_EQ(pages->PageCount(), 2);
  EXPECT_EQ(pages->ActivePage(), graphicPage);
  EXPECT_EQ(pages->DockClientCount(), 1);
  delete graphic;  // a control without a window is still on its page then
  EXPECT_EQ(pages->PageCount(), 1);
  EXPECT_EQ(pages->DockClientCount(), 0);
  Pump();
  // The other way round: a dock page closed frees its control, and the page
  // control forgets it.
  TForm* printer = DockableForm("Printer");
  ASSERT_TRUE(printer->ManualDock(pages));
  pages->OnClose = [](TObject*, bool& Allow) { Allow = true; };
  pages->SetShowCloseButton(true);
  pages->CloseRequest();
  EXPECT_EQ(pages->PageCount(), 1);
  EXPECT_EQ(pages->DockClientCount(), 0);
  Pump();
}

TEST_F(PageDock, PressingADockedTabDragsItsControl) {
  auto* probe = Dockable(form);
  ShowForm();
  ASSERT_TRUE(probe->ManualDock(pages));
  TVkTabSheet* page = Last();
  TVkPanel* site = OtherSite();
  Pump();
  // A page without a docked control: the press selects it and drags nothing.
  pages->Perform(gui::WM_LBUTTONDOWN, gui::MK_LBUTTON, TabPoint(logInfo));
  pages->Perform(gui::WM_LBUTTONUP, 0, TabPoint(logInfo));
  EXPECT_EQ(pages->ActivePage(), logInfo);
  EXPECT_FALSE(probe->Dragging());
  // Pressed on its tab, the control is dragged once the mouse moves the
  // system's distance; dropped over another site it docks there.
  std::vector<TDragState> over;
  site->OnDockOver = [&](TObject*, TDragDockObject*, int, int, TDragState State, bool& Accept) {
    over.push_back(State);
    Accept = true;
  };
  TPoint tab = TabOnScreen(page);
  gui::test::MouseDown(tab);
  Pump();
  EXPECT_EQ(pages->ActivePage(), page) << "the press selects the tab first";
  EXPECT_TRUE(probe->Dragging());
  EXPECT_TRUE(over.empty()) << "not at once";
  gui::test::MouseMove(TPoint{tab.X + 1, tab.Y}, 1);
  EXPECT_TRUE(over.empty()) << "within the system's drag distance";
  TPoint target = site->ClientToScreen(TPoint{50, 50});
  gui::test::MouseMove(TPoint{tab.X + 20, tab.Y}, 1);
  gui::test::MouseMove(target, 1);
  gui::test::MouseUp(target);
  Pump();
  EXPECT_FALSE(over.empty());
  EXPECT_EQ(probe->HostDockSite(), site);
  EXPECT_EQ(pages->PageCount(), 1) << "its page went";
  EXPECT_FALSE(probe->Dragging());
}

TEST_F(PageDock, DoubleClickOnADockedTabFloatsItsControl) {
  ShowForm();
  TForm* orders = DockableForm("Orders");
  ASSERT_TRUE(orders->ManualDock(pages));
  TVkTabSheet* page = Last();
  Pump();
  // Not on the tab of a plain page.
  pages->Perform(gui::WM_LBUTTONDBLCLK, gui::MK_LBUTTON, TabPoint(logInfo));
  EXPECT_EQ(pages->PageCount(), 2);
  // Not while DblClickUndocks is off.
  pages->SetDblClickUndocks(false);
  pages->Perform(gui::WM_LBUTTONDBLCLK, gui::MK_LBUTTON, TabPoint(page));
  EXPECT_EQ(orders->HostDockSite(), pages);
  pages->SetDblClickUndocks(true);
  TPoint was = orders->ClientToScreen(TPoint{0, 0});
  pages->Perform(gui::WM_LBUTTONDBLCLK, gui::MK_LBUTTON, TabPoint(page));
  EXPECT_EQ(pages->PageCount(), 1);
  EXPECT_EQ(orders->HostDockSite(), nullptr);
  EXPECT_EQ(orders->Parent(), nullptr);
  EXPECT_TRUE(orders->Floating());
  EXPECT_EQ(orders->Align(), alNone);
  EXPECT_EQ(orders->Left(), was.X) << "it floats where it was on the screen";
  EXPECT_EQ(orders->Top(), was.Y);
  Pump();
  EXPECT_TRUE(gui::IsWindowVisible(orders->Handle()));
}

TEST_F(PageDock, DraggedOverThePageControlTheControlWouldTakeAllOfIt) {
  ShowForm();
  auto* probe = Dockable(form);
  TDragDockObject source(probe);
  int overs = 0;
  pages->OnDockOver = [&](TObject*, TDragDockObject* Source, int X, int Y, TDragState State, bool& Accept) {
    ++overs;
    EXPECT_EQ(Source, &source);
    EXPECT_EQ(X, 40);
    EXPECT_EQ(Y, 60);
    EXPECT_EQ(State, dsDragMove);
    Accept = false;
  };
  bool accept = true;
  pages->HandleDockOver(&source, 40, 60, dsDragMove, accept);
  gui::Rect window{};
  gui::GetWindowRect(pages->Handle(), window);
  TPoint origin = pages->ClientToScreen(TPoint{0, 0});
  EXPECT_EQ(source.DockRect, window);
  EXPECT_EQ(source.DockRect, (Bounds(origin.X, origin.Y, 320, 320)));
  EXPECT_EQ(overs, 1);
  EXPECT_FALSE(accept) << "OnDockOver decides";
}

TEST_F(PageDock, AControlDockedHereAlreadyIsRefused) {
  TForm* orders = DockableForm("Orders");
  auto* other = Dockable(form);
  ASSERT_TRUE(orders->ManualDock(pages));
  TRect influence{};
  bool canDock = true;
  pages->GetSiteInfo(orders, influence, TPoint{10, 10}, canDock);
  EXPECT_FALSE(canDock);
  canDock = false;
  pages->GetSiteInfo(other, influence, TPoint{10, 10}, canDock);
  EXPECT_TRUE(canDock);
  TPoint origin = pages->ClientToScreen(TPoint{0, 0});
  EXPECT_EQ(influence, (Bounds(origin.X - 10, origin.Y - 10, 340, 340)));
  // Docked here again by the program, it keeps its page: no empty one.
  EXPECT_TRUE(orders->ManualDock(pages));
  EXPECT_EQ(pages->PageCount(), 2);
  EXPECT_EQ(orders->Parent(), Last());
}

// A control that fails as it is put on a page: before it is there, or once
// it is there (on hearing of its new parent).
class TFailingProbe : public TProbeWindow {
public:
  using TProbeWindow::TProbeWindow;
  enum { None, OnParent, AfterParent } fail = None;
  void SetParent(TWinControl* AParent) override {
    if (fail == OnParent && dynamic_cast<TVkTabSheet*>(AParent)) throw std::runtime_error("no pages for me");
    TProbeWindow::SetParent(AParent);
  }

protected:
  void WindowProcedure(TMessage& Message) override {
    bool parentNews = Message.Msg == CM_PARENTCOLORCHANGED || Message.Msg == CM_PARENTFONTCHANGED ||
                      Message.Msg == CM_PARENTSHOWHINTCHANGED;
    if (fail == AfterParent && parentNews && dynamic_cast<TVkTabSheet*>(Parent()))
      throw std::runtime_error("not on a page");
    TProbeWindow::WindowProcedure(Message);
  }
};

TEST_F(PageDock, AFailureWhileDockingFreesTheNewPage) {
  ShowForm();
  // The control fails while it is sized for the site.
  auto* probe = Dockable(form);
  probe->PlaceBounds(0, 0, 50, 50);
  probe->OnResize = [](TObject*) { throw std::runtime_error("resize failed"); };
  EXPECT_THROW(probe->ManualDock(pages), std::runtime_error);
  EXPECT_EQ(pages->PageCount(), 1);
  EXPECT_EQ(OwnedPages(pages), 0) << "the new page was freed";
  EXPECT_EQ(probe->Parent(), form);
  EXPECT_EQ(probe->HostDockSite(), nullptr);
  EXPECT_EQ(pages->ActivePage(), logInfo);
  probe->OnResize = nullptr;
  // Docking works afterwards: the new page is not taken for the failed one's.
  ASSERT_TRUE(probe->ManualDock(pages));
  EXPECT_EQ(pages->PageCount(), 2);
  EXPECT_EQ(probe->Parent(), Last());

  // Failing before it is on the new page: the page goes, the control stays
  // where it was.
  auto* failing = Dockable<TFailingProbe>(form);
  failing->fail = TFailingProbe::OnParent;
  EXPECT_THROW(failing->ManualDock(pages), std::runtime_error);
  EXPECT_EQ(pages->PageCount(), 2);
  EXPECT_EQ(OwnedPages(pages), 1);
  EXPECT_EQ(failing->Parent(), form);
  // Failing once it is on the new page: the page does not take the control
  // with it.
  failing->fail = TFailingProbe::AfterParent;
  EXPECT_THROW(failing->ManualDock(pages), std::runtime_error);
  EXPECT_EQ(pages->PageCount(), 2);
  EXPECT_EQ(OwnedPages(pages), 1);
  EXPECT_EQ(failing->Parent(), nullptr);
  failing->SetText("still here");
  EXPECT_EQ(failing->Text(), "still here");
  // Docked again without failing, it gets its page.
  failing->fail = TFailingProbe::None;
  ASSERT_TRUE(failing->ManualDock(pages));
  EXPECT_EQ(pages->PageCount(), 3);
  EXPECT_EQ(failing->Parent(), Last());
  EXPECT_EQ(Last()->Caption(), "");
  failing->SetText("back");
  EXPECT_EQ(Last()->Caption(), "back") << "its new text names the tab";

  // The page of a failed docking is forgotten: a control docked by Dock
  // alone afterwards is put on no page (the freed one least of all), and
  // gets a page of its own when docked properly.
  auto* again = Dockable<TFailingProbe>(form);
  again->fail = TFailingProbe::AfterParent;
  EXPECT_THROW(again->ManualDock(pages), std::runtime_error);
  auto* direct = Dockable(form);
  direct->Dock(pages, TRect{0, 0, 50, 50});
  EXPECT_EQ(direct->Parent(), form);
  EXPECT_EQ(direct->HostDockSite(), pages);
  ASSERT_TRUE(direct->ManualDock(pages));
  EXPECT_EQ(direct->Parent(), Last());
  EXPECT_EQ(pages->PageCount(), 4);
  Pump();
}

// Moving a control from one page control to another whose page switch
// fails: both pages made or left for it go, and the control lives on.
TEST_F(PageDock, AFailureOfTheOldSiteLeavesNoPageBehind) {
  ShowForm();
  auto* second = new TVkPageControl(form);
  second->SetParent(form);
  second->PlaceBounds(330, 0, 190, 320);
  second->SetDockSite(true);
  TForm* orders = DockableForm("Orders");
  ASSERT_TRUE(orders->ManualDock(pages));
  EXPECT_EQ(pages->ActivePage(), Last());
  pages->OnChange = [](TObject*) { throw std::runtime_error("change failed"); };
  EXPECT_THROW(orders->ManualDock(second), std::runtime_error);
  EXPECT_EQ(pages->PageCount(), 1) << "the old page went all the same";
  EXPECT_EQ(second->PageCount(), 0) << "the new page was freed";
  EXPECT_EQ(OwnedPages(second), 0);
  EXPECT_EQ(orders->HostDockSite(), nullptr);
  orders->SetCaption("alive");
  pages->OnChange = nullptr;
  ASSERT_TRUE(orders->ManualDock(second));
  EXPECT_EQ(second->ActivePage()->Caption(), "alive");
  Pump();
}

TEST_F(PageDock, DestroyingThePageControlWithDockedControls) {
  ShowForm();
  ASSERT_TRUE(DockableForm("Orders")->ManualDock(pages));
  ASSERT_TRUE(DockableForm("Printer")->ManualDock(pages));
  delete pages;  // its pages and their controls go with it
  pages = nullptr;
  Pump();
}

TEST(PageDockResource, DockSiteAndDockEventsAreRead) {
  TForm holder(nullptr);
  int drops = 0;
  holder.RegisterMethod("pagesDockDrop",
                        TDockDropEvent([&](TObject*, TDragDockObject*, int, int) { ++drops; }));
  ReadComponentResource(&holder, R"(object Holder: TForm
  Left = 0
  Top = 0
  Width = 300
  Height = 200
  object pages: TVkPageControl
    Left = 0
    Top = 0
    Width = 300
    Height = 200
    DockSite = True
    OnDockDrop = pagesDockDrop
  end
end
)");
  auto* pages = dynamic_cast<TVkPageControl*>(holder.FindComponent("pages"));
  ASSERT_NE(pages, nullptr);
  EXPECT_TRUE(pages->DockSite());
  auto* probe = Dockable(&holder);
  ASSERT_TRUE(probe->ManualDock(pages));
  EXPECT_EQ(drops, 1);
  EXPECT_EQ(pages->PageCount(), 1);
}

}  // namespace
