// Docking into a panel: the caption bars over the docked controls, where
// the controls go, the bars' colours by the focus, the turned bars of a
// panel at the top, the plain grabber without captions, and the panel's
// window procedure while the dock manager lives; the close glyph and the
// bars taking the mouse, and a strip's controls side by side.
#include <typeinfo>

#include "class_library/components/FormResource.h"
#include "class_library/visual/StdCtrls.h"
#include "class_library/visual/tests/Probes.h"
#include "class_library/visual/tests/VisualTest.h"
#include "controls/VkPanel.h"
#include "controls/VkPanelDock.h"
#include "controls/tests/VkControlTest.h"

namespace {

using namespace vistest;
using PanelDock = FormTest;

class TOpenPanel : public TVkPanel {
public:
  explicit TOpenPanel(TComponent* AOwner) : TVkPanel(AOwner) {}
  using TVkPanel::CreateDockManager;
};

// A dock-site panel on Parent at (0, 0, Width, Height), without a border
// unless Bordered.
template <class Panel = TVkPanel>
Panel* DockPanel(TWinControl* Parent, int Width, int Height, bool Bordered = false) {
  auto* panel = new Panel(Parent);
  panel->SetParent(Parent);
  panel->PlaceBounds(0, 0, Width, Height);
  if (!Bordered) panel->SetBorderOuter(fsNone);
  panel->SetDockSite(true);
  return panel;
}

TProbeWindow* DockedProbe(TWinControl* Site, const String& Text, TColor Fill) {
  auto* probe = new TProbeWindow(Site->Owner(), Fill);
  probe->SetParent(Site->Parent());
  probe->SetDragKind(dkDock);
  probe->SetText(Text);
  EXPECT_TRUE(probe->ManualDock(Site));
  return probe;
}

// The pixels of R (form client coordinates) that have Colour: how many,
// and the box around them.
struct Found {
  int count = 0;
  TRect box{1 << 20, 1 << 20, -1, -1};
};
Found Pixels(const Picture& P, TRect R, std::uint32_t Colour) {
  Found f;
  for (int y = R.Top; y < R.Bottom; ++y)
    for (int x = R.Left; x < R.Right; ++x)
      if (P.At(x, y) == Colour) {
        ++f.count;
        f.box = TRect{std::min(f.box.Left, x), std::min(f.box.Top, y), std::max(f.box.Right, x + 1),
                      std::max(f.box.Bottom, y + 1)};
      }
  return f;
}

TEST_F(PanelDock, OneManagerWhoseControlsSitBelowOrBesideTheirBars) {
  form->PlaceBounds(100, 100, 300, 200);
  auto* panel = new TOpenPanel(form);
  panel->SetParent(form);
  panel->PlaceBounds(0, 0, 150, 200);
  EXPECT_EQ(panel->CreateDockManager(), nullptr) << "no dock site, no manager";
  EXPECT_TRUE(panel->UseDockManager());
  panel->SetDockSite(true);
  TDockTree* manager = panel->DockManager();
  ASSERT_NE(dynamic_cast<TVkPanelDockManager*>(manager), nullptr);
  EXPECT_EQ(panel->CreateDockManager(), manager);
  EXPECT_EQ(panel->CreateDockManager(), manager) << "asked again, the same manager";
  EXPECT_TRUE(panel->DoubleBuffered());

  auto* client = DockedProbe(panel, "Orders", clRed);
  EXPECT_EQ(client->HostDockSite(), panel);
  // The raised outer border takes 2 pixels on each side, the bar 14 more at the top.
  EXPECT_EQ(client->BoundsRect(), (TRect{2, 2 + 14, 148, 198}));
  auto* second = DockedProbe(panel, "Labels", clLime);
  EXPECT_EQ(client->BoundsRect(), (TRect{2, 16, 148, 100}));
  EXPECT_EQ(second->BoundsRect(), (TRect{2, 100 + 14, 148, 198}));

  // A strip at the top has its bars on the left of the controls, which
  // share its width.
  panel->SetAlign(alTop);
  panel->SetHeight(60);
  EXPECT_EQ(client->Left(), 2 + 14);
  EXPECT_EQ(client->Top(), 2);
  int middle = 2 + (panel->Width() - 4) / 2;
  EXPECT_EQ(client->Left() + client->Width(), middle);
  EXPECT_EQ(second->Left(), middle + 14);
  EXPECT_EQ(second->Left() + second->Width(), panel->Width() - 2);

  // Children aligned on a dock site lose the borders once, as elsewhere.
  auto* aligned = new TProbeGraphic(panel);
  aligned->SetParent(panel);
  aligned->SetAlign(alLeft);
  EXPECT_EQ(aligned->Left(), 2);
  EXPECT_EQ(aligned->Top(), 2);
}

TEST_F(PanelDock, CaptionBarsShowWhoHasTheFocus) {
  form->PlaceBounds(100, 100, 300, 200);
  auto* panel = DockPanel(form, 160, 200);
  auto* first = DockedProbe(panel, "Orders", clRed);
  auto* second = DockedProbe(panel, "Labels", clLime);
  form->Show();
  Pump();
  first->SetFocus();
  Pump();
  Picture p(form->Handle());
  SaveShot(form, "vk_panel_docked");
  // Bars at the top of each half: (0, 0)-(160, 14) and (0, 100)-(160, 114).
  EXPECT_EQ(p.At(80, 1), Rgb(clActiveCaption)) << "the focused control's bar is active";
  EXPECT_EQ(p.At(80, 101), Rgb(clInactiveCaption));
  Found text = Pixels(p, TRect{0, 0, 80, 14}, Rgb(clCaptionText));
  EXPECT_GT(text.count, 10) << "the caption is written on the bar";
  EXPECT_GE(text.box.Left, 2);
  Found glyph = Pixels(p, TRect{145, 1, 158, 12}, Rgb(clCaptionText));
  EXPECT_GT(glyph.count, 6) << "a close glyph in its box at the right";
  EXPECT_GT(Pixels(p, TRect{0, 100, 80, 114}, Rgb(clInactiveCaptionText)).count, 10);
  EXPECT_EQ(p.At(80, 50), Rgb(clRed)) << "the control below its bar";

  // The focus moves on by the keyboard, and the bars follow.
  gui::test::KeyPress(gui::VK_TAB);
  Pump();
  ASSERT_TRUE(second->Focused());
  Picture q(form->Handle());
  EXPECT_EQ(q.At(80, 1), Rgb(clInactiveCaption));
  EXPECT_EQ(q.At(80, 101), Rgb(clActiveCaption));

  // A docked form never has the focus itself: its bar is active while one
  // of its controls has it.
  auto* docked = new TForm(form);
  docked->SetBorderStyle(bsNone);
  docked->SetCaption("Settings");
  docked->SetDragKind(dkDock);
  docked->SetVisible(true);
  auto* inside = new TProbeWindow(docked, clBlue);
  inside->SetParent(docked);
  inside->SetAlign(alClient);
  ASSERT_TRUE(docked->ManualDock(panel));
  EXPECT_EQ(docked->Parent(), panel);
  Pump();
  inside->SetFocus();
  Pump();
  Picture r(form->Handle());
  SaveShot(form, "vk_panel_docked_form");
  TRect zone = panel->DockManager()->ZoneOf(docked);
  EXPECT_EQ(r.At(80, zone.Top + 1), Rgb(clActiveCaption));
  EXPECT_EQ(r.At(80, zone.Top + 20), Rgb(clBlue)) << "the docked form's control under its bar";
  EXPECT_EQ(r.At(80, 1), Rgb(clInactiveCaption));
  TRect bar{2, zone.Top, 140, zone.Top + 14};
  int before = Pixels(r, bar, Rgb(clCaptionText)).count;
  docked->SetCaption("Kitchen printer settings");
  Pump();
  EXPECT_GT(Pixels(Picture(form->Handle()), bar, Rgb(clCaptionText)).count, before) << "a new caption shows on the bar";

  // A control without a window of its own always shows the active bar.
  auto* graphic = new TProbeGraphic(form);
  graphic->SetParent(form);
  graphic->SetDragKind(dkDock);
  graphic->SetText("Note");
  ASSERT_TRUE(graphic->ManualDock(panel));
  Pump();
  Picture s(form->Handle());
  EXPECT_EQ(s.At(80, panel->DockManager()->ZoneOf(graphic).Top + 1), Rgb(clActiveCaption));
}

TEST_F(PanelDock, PanelAtTheTopTurnsItsCaptionsUpwards) {
  form->PlaceBounds(100, 100, 300, 200);
  auto* panel = DockPanel(form, 300, 90);
  panel->SetAlign(alTop);
  auto* client = DockedProbe(panel, "Orders", clRed);
  EXPECT_EQ(client->BoundsRect(), (TRect{14, 0, 300, 90}));
  form->Show();
  Pump();
  Picture p(form->Handle());
  SaveShot(form, "vk_panel_docked_top");
  EXPECT_EQ(p.At(1, 45), Rgb(clActiveCaption)) << "the only control took the focus";
  Found text = Pixels(p, TRect{0, 13, 14, 90}, Rgb(clCaptionText));
  ASSERT_GT(text.count, 10);
  EXPECT_GT(text.box.Height(), 2 * text.box.Width()) << "the text runs up the bar";
  EXPECT_LE(text.box.Right, 12 + 1) << "on a baseline 2 pixels in from the bar's edge";
  EXPECT_LE(text.box.Bottom, 90 - 3 + 3) << "starting near the bottom";
  Found glyph = Pixels(p, TRect{1, 1, 12, 12}, Rgb(clCaptionText));
  EXPECT_GT(glyph.count, 6) << "the close glyph at the top of the bar";
  EXPECT_EQ(p.At(40, 45), Rgb(clRed));

  // Without the focus the bar is inactive, but the turned text stays in
  // the caption text colour.
  auto* other = new TProbeWindow(form, clLime);
  other->SetParent(form);
  other->PlaceBounds(0, 100, 50, 50);
  other->SetFocus();
  Pump();
  Picture q(form->Handle());
  EXPECT_EQ(q.At(1, 45), Rgb(clInactiveCaption));
  EXPECT_EQ(Pixels(q, TRect{0, 13, 14, 90}, Rgb(clCaptionText)).count, text.count);
}

TEST_F(PanelDock, WithoutCaptionsThePlainGrabberIsDrawn) {
  form->PlaceBounds(100, 100, 300, 200);
  auto* panel = DockPanel(form, 160, 200);
  panel->SetShowDockClientCaptions(false);
  auto* client = DockedProbe(panel, "Orders", clRed);
  EXPECT_EQ(client->Top(), 14) << "the place stays that of the caption bar";
  form->Show();
  client->SetFocus();
  Pump();
  Picture p(form->Handle());
  EXPECT_EQ(Pixels(p, TRect{0, 0, 160, 14}, Rgb(clActiveCaption)).count, 0);
  EXPECT_EQ(p.At(80, 3), Rgb(clBtnHighlight)) << "the grabber's raised lines";
  EXPECT_EQ(p.At(80, 5), Rgb(clBtnShadow));
}

TEST_F(PanelDock, TheWindowProcedureIsHookedWhileTheManagerLives) {
  auto* panel = new TVkPanel(form);
  panel->SetParent(form);
  panel->PlaceBounds(0, 0, 150, 150);
  int paints = 0;
  panel->OnPaint = [&](TObject*) { ++paints; };
  form->Show();
  Pump();
  const std::type_info& plain = panel->WindowProc.target_type();
  panel->SetDockSite(true);
  EXPECT_NE(panel->WindowProc.target_type(), plain);
  Pump();
  paints = 0;
  panel->Perform(gui::WM_COMMAND, 0, 0);
  Pump();
  EXPECT_GT(paints, 0) << "a command repaints the panel and its bars";

  // Undocked and no dock site any more: the manager goes and the previous
  // procedure is back.
  auto* client = DockedProbe(panel, "Orders", clRed);
  ASSERT_TRUE(client->ManualDock(nullptr));
  panel->SetDockSite(false);
  EXPECT_EQ(panel->DockManager(), nullptr);
  EXPECT_EQ(panel->WindowProc.target_type(), plain);
  Pump();
  paints = 0;
  panel->Perform(gui::WM_COMMAND, 0, 0);
  Pump();
  EXPECT_EQ(paints, 0);

  // A procedure put over the hook outlives the manager and still works.
  panel->SetDockSite(true);
  int seen = 0;
  panel->WindowProc = [&seen, previous = panel->WindowProc](TMessage& m) {
    if (m.Msg == gui::WM_COMMAND) ++seen;
    previous(m);
  };
  panel->SetDockSite(false);
  EXPECT_EQ(panel->DockManager(), nullptr);
  panel->Perform(gui::WM_COMMAND, 0, 0);
  EXPECT_EQ(seen, 1);
}

TEST_F(PanelDock, AFormOnTheScreenDocksAndFloatsWithItsControlsIntact) {
  form->PlaceBounds(100, 100, 300, 200);
  auto* panel = DockPanel(form, 160, 200, true);
  form->Show();
  auto* tool = new TForm(form);
  tool->SetBorderStyle(bsSizeToolWin);
  tool->SetCaption("Tools");
  tool->SetDragKind(dkDock);
  tool->PlaceBounds(400, 100, 150, 120);
  auto* list = new TListBox(tool);
  list->SetParent(tool);
  list->PlaceBounds(4, 4, 100, 60);
  list->Items()->Add("Soup");
  list->Items()->Add("Trout");
  auto* button = new TButton(tool);
  button->SetParent(tool);
  button->PlaceBounds(4, 70, 80, 24);
  button->SetCaption("Reprint");
  tool->Show();
  Pump();
  gui::HWND floating = tool->Handle();
  ASSERT_TRUE(tool->ManualDock(panel));
  Pump();
  EXPECT_NE(tool->Handle(), floating) << "made again as the panel's child window";
  EXPECT_EQ(gui::GetParent(tool->Handle()), panel->Handle());
  EXPECT_EQ(tool->BoundsRect(), (TRect{2, 16, 158, 198}));
  EXPECT_EQ(list->Items()->Count(), 2) << "the list keeps its items through the new window";
  EXPECT_EQ(list->Items()->Strings(1), "Trout");
  EXPECT_EQ(button->Caption(), "Reprint");
  Picture p(form->Handle());
  EXPECT_EQ(p.At(10, 25), Rgb(clWindow)) << "the docked form's list shows in the panel";

  ASSERT_TRUE(tool->ManualDock(nullptr));
  Pump();
  EXPECT_EQ(tool->Parent(), nullptr);
  EXPECT_TRUE(tool->Floating());
  EXPECT_EQ(panel->DockClientCount(), 0);
  EXPECT_EQ(list->Items()->Count(), 2);
  EXPECT_EQ(button->Caption(), "Reprint");
  EXPECT_TRUE(gui::IsWindowVisible(tool->Handle()));
}

TEST_F(PanelDock, FreeingASiteWithDockedControlsOrAControlInOneIsClean) {
  auto* panel = DockPanel(form, 185, 150, true);
  form->Show();
  auto* client = DockedProbe(panel, "Orders", clRed);
  auto* other = DockedProbe(panel, "Labels", clLime);
  Pump();
  delete other;
  EXPECT_EQ(panel->DockClientCount(), 1);
  EXPECT_EQ(panel->DockManager()->Controls().size(), 1u);
  Pump();
  (void)client;
  delete panel;  // with its docked child
  Pump();
}

TEST_F(PanelDock, APanelReadAsADockSiteHasItsManager) {
  const char* text =
      "object Holder: TForm\n"
      "  object Site: TVkPanel\n"
      "    DockSite = True\n"
      "    ShowDockClientCaptions = False\n"
      "  end\n"
      "  object Tool: TVkPanel\n"
      "    DragKind = dkDock\n"
      "  end\n"
      "end\n";
  auto* loaded = new TForm(nullptr);
  ReadComponentResource(loaded, text);
  auto* site = dynamic_cast<TVkPanel*>(loaded->FindComponent("Site"));
  ASSERT_NE(site, nullptr);
  EXPECT_FALSE(site->ShowDockClientCaptions());
  EXPECT_NE(dynamic_cast<TVkPanelDockManager*>(site->DockManager()), nullptr);
  auto* tool = dynamic_cast<TVkPanel*>(loaded->FindComponent("Tool"));
  ASSERT_NE(tool, nullptr);
  EXPECT_EQ(tool->DragKind(), dkDock);
  EXPECT_TRUE(tool->ManualDock(site));
  delete loaded;
}

TEST_F(PanelDock, AStripShowsItsControlsSideBySideEachRightOfItsBar) {
  form->PlaceBounds(100, 100, 300, 200);
  auto* panel = DockPanel(form, 300, 90);
  panel->SetAlign(alTop);
  auto* orders = DockedProbe(panel, "Orders", clRed);
  auto* labels = DockedProbe(panel, "Labels", clLime);
  EXPECT_EQ(orders->BoundsRect(), (TRect{14, 0, 150, 90}));
  EXPECT_EQ(labels->BoundsRect(), (TRect{150 + 14, 0, 300, 90}));
  form->Show();
  Pump();
  orders->SetFocus();
  Pump();
  Picture p(form->Handle());
  SaveShot(form, "vk_panel_docked_strip");
  EXPECT_EQ(p.At(80, 45), Rgb(clRed));
  EXPECT_EQ(p.At(230, 45), Rgb(clLime)) << "the second control beside the first";
  EXPECT_EQ(p.At(1, 45), Rgb(clActiveCaption));
  EXPECT_EQ(p.At(151, 45), Rgb(clInactiveCaption)) << "a bar of its own at the second's left";
  Found text = Pixels(p, TRect{150, 13, 164, 90}, Rgb(clCaptionText));
  ASSERT_GT(text.count, 10) << "its caption turned upwards";
  EXPECT_GT(text.box.Height(), 2 * text.box.Width());
  EXPECT_GT(Pixels(p, TRect{151, 1, 162, 12}, Rgb(clCaptionText)).count, 6) << "and its close glyph at the top";
}

TEST_F(PanelDock, TheCloseGlyphClosesTheDockedControl) {
  form->PlaceBounds(100, 100, 300, 200);
  auto* panel = DockPanel(form, 160, 200);
  auto* orders = DockedProbe(panel, "Orders", clRed);
  auto* labels = DockedProbe(panel, "Labels", clLime);
  form->Show();
  Pump();
  LRESULT hit = gui::HTNOWHERE;
  EXPECT_EQ(panel->DockManager()->HitTest(TPoint{151, 6}, hit), orders);
  EXPECT_EQ(hit, gui::HTCLOSE);
  EXPECT_EQ(panel->DockManager()->HitTest(TPoint{60, 106}, hit), labels);
  EXPECT_EQ(hit, gui::HTCAPTION);
  gui::test::MouseDown(panel->ClientToScreen(TPoint{151, 6}));
  Pump();
  EXPECT_FALSE(orders->Visible()) << "the close glyph hides the control";
  EXPECT_EQ(orders->HostDockSite(), panel) << "hidden, it stays docked";
  EXPECT_EQ(labels->BoundsRect(), (TRect{0, 14, 160, 200})) << "the other one takes the panel";
  gui::test::MouseUp(panel->ClientToScreen(TPoint{151, 6}));
  Pump();
  Picture p(form->Handle());
  SaveShot(form, "vk_panel_glyph_closed");
  EXPECT_EQ(p.At(80, 50), Rgb(clLime));

  // A docked form is asked to close, and may say no.
  auto* docked = new TForm(form);
  docked->SetBorderStyle(bsNone);
  docked->SetCaption("Settings");
  docked->SetDragKind(dkDock);
  docked->SetVisible(true);
  bool mayClose = false;
  docked->OnCloseQuery = [&](TObject*, bool& CanClose) { CanClose = mayClose; };
  ASSERT_TRUE(docked->ManualDock(panel));
  Pump();
  TRect zone = panel->DockManager()->ZoneOf(docked);
  TPoint glyph = panel->ClientToScreen(TPoint{zone.Right - 8, zone.Top + 6});
  gui::test::Click(glyph);
  Pump();
  EXPECT_TRUE(docked->Visible());
  mayClose = true;
  gui::test::Click(glyph);
  Pump();
  EXPECT_FALSE(docked->Visible());
  EXPECT_EQ(labels->BoundsRect(), (TRect{0, 14, 160, 200}));

  // In a strip the glyph is at the top of the bar on the left.
  panel->SetAlign(alTop);
  panel->SetHeight(90);
  orders->Show();
  Pump();
  zone = panel->DockManager()->ZoneOf(labels);
  gui::test::Click(panel->ClientToScreen(TPoint{zone.Left + 6, zone.Top + 6}));
  Pump();
  EXPECT_FALSE(labels->Visible());
  EXPECT_TRUE(orders->Visible());

  // Without captions there is no glyph: the plain grabber only drags.
  panel->SetShowDockClientCaptions(false);
  gui::test::Click(panel->ClientToScreen(TPoint{6, 6}));
  Pump();
  EXPECT_TRUE(orders->Visible());
  EXPECT_EQ(orders->HostDockSite(), panel);
}

TEST_F(PanelDock, DraggingACaptionBarUndocksTheControl) {
  form->PlaceBounds(100, 100, 320, 200);
  auto* left = DockPanel(form, 150, 200);
  auto* right = DockPanel(form, 150, 200);
  right->SetLeft(170);
  auto* orders = DockedProbe(left, "Orders", clRed);
  auto* tool = new TForm(form);
  tool->SetBorderStyle(bsNone);
  tool->SetCaption("Tools");
  tool->SetDragKind(dkDock);
  tool->SetVisible(true);
  auto* inside = new TProbeWindow(tool, clBlue);
  inside->SetParent(tool);
  inside->SetAlign(alClient);
  ASSERT_TRUE(tool->ManualDock(left));
  form->Show();
  Pump();
  auto drag = [](TPoint From, TPoint To) {
    gui::test::MouseDown(From);
    gui::test::MouseMove(TPoint{From.X + 10, From.Y + 10}, 1);
    gui::test::MouseMove(To, 1);
    gui::test::MouseUp(To);
    Pump();
  };

  // The bar, not its close glyph, carries the control into the other panel.
  drag(left->ClientToScreen(TPoint{40, 6}), right->ClientToScreen(TPoint{75, 100}));
  EXPECT_EQ(orders->HostDockSite(), right);
  EXPECT_TRUE(orders->Visible());
  EXPECT_EQ(orders->BoundsRect(), (TRect{0, 14, 150, 200}));
  EXPECT_EQ(left->DockClientCount(), 1);
  EXPECT_EQ(tool->BoundsRect(), (TRect{0, 14, 150, 200})) << "the one left behind takes the panel";
  Picture p(form->Handle());
  SaveShot(form, "vk_panel_bar_dragged");
  EXPECT_EQ(p.At(170 + 75, 100), Rgb(clRed));
  EXPECT_EQ(p.At(170 + 75, 1), Rgb(clInactiveCaption)) << "under a caption bar of the new panel";

  // The docked form dragged out over nothing that docks floats as a form of
  // its own, its control with it.
  drag(left->ClientToScreen(TPoint{40, 6}), TPoint{900, 600});
  EXPECT_EQ(tool->Parent(), nullptr);
  EXPECT_TRUE(tool->Floating());
  EXPECT_EQ(tool->Left(), 900);
  EXPECT_TRUE(gui::IsWindowVisible(tool->Handle()));
  EXPECT_EQ(inside->Parent(), tool);
  EXPECT_EQ(left->DockClientCount(), 0);
}

}  // namespace
