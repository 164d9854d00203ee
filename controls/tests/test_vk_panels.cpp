// Panels, the status bar and its panes: borders and layout, the enabled
// record of children, scaled panes, the simple status, the polling list and
// the clock pane.
#include <cstdlib>

#include "class_library/components/FormResource.h"
#include "class_library/visual/tests/Probes.h"
#include "class_library/visual/tests/VisualTest.h"
#include "controls/VkPanel.h"
#include "controls/VkStatusPanes.h"
#include "controls/tests/VkControlTest.h"

namespace {

using namespace vistest;
using VkPanels = FormTest;

TEST_F(VkPanels, BordersTakeTheirWidthOnTheirSidesAndPaintAroundTheChildren) {
  auto* panel = new TVkPanel(form);
  panel->SetParent(form);
  panel->PlaceBounds(10, 10, 100, 60);
  panel->SetColor(clWhite);
  auto* child = new TProbeGraphic(panel, clRed);
  child->SetParent(panel);
  child->SetAlign(alClient);
  EXPECT_EQ(child->Left(), 2) << "fsRaised outer band: 2 pixels";
  EXPECT_EQ(child->Width(), 96);
  panel->SetBorderSides(SideBit(sdTop));
  EXPECT_EQ(child->Left(), 0);
  EXPECT_EQ(child->Top(), 2);
  panel->SetBorderOuter(fsFlat);
  panel->SetBorderSides(kNoSides);
  EXPECT_EQ(child->BoundsRect(), TRect(0, 0, 100, 60)) << "no sides: the whole client area";
  panel->SetBorderSides(kAllSides);
  panel->SetBorderOuter(fsRaised);
  panel->SetBorderInner(fsStatus);
  panel->SetBevelWidth(2);
  EXPECT_EQ(child->Left(), 4) << "fsStatus takes BevelWidth";
  form->Show();
  Pump();
  Picture p(form->Handle());
  EXPECT_EQ(p.At(10, 10), Rgb(cl3DLight)) << "raised: outer ring light at the top-left";
  EXPECT_EQ(p.At(109, 69), Rgb(cl3DDkShadow));
  EXPECT_EQ(p.At(12, 12), Rgb(clBtnShadow)) << "status band: shadow at the top-left";
  EXPECT_EQ(p.At(15, 15), Rgb(clRed));
  SaveShot(form, "vk_panel_borders");
}

TEST_F(VkPanels, CaptionGridAndGradientFace) {
  auto* panel = new TVkPanel(form);
  panel->SetParent(form);
  panel->PlaceBounds(0, 0, 200, 150);
  panel->SetVisualStyle(vsClassic);
  panel->SetBorderOuter(fsNone);
  panel->SetShowGrid(true);
  panel->SetGridColor(clBlue);
  panel->SetColor(clWhite);
  panel->SetCaption("Panel");
  form->Show();
  Pump();
  Picture p(form->Handle());
  EXPECT_EQ(p.At(7, 7), Rgb(clBlue)) << "a dot every 8 pixels";
  EXPECT_EQ(p.At(8, 8), Rgb(clWhite));
  int dark = 0;
  for (int x = 60; x < 140; ++x)
    for (int y = 60; y < 90; ++y)
      if (p.At(x, y) == 0) ++dark;
  EXPECT_GT(dark, 20) << "the caption is centred";
  panel->SetGridXSize(0);
  panel->SetGridYSize(0);
  panel->SetCaption("");
  panel->SetVisualStyle(vsGradient);
  panel->SetGradientColorStyle(gcsCustom);
  panel->SetGradientColorStart(clRed);
  panel->SetGradientColorStop(clBlue);
  Pump();
  Picture g(form->Handle());
  EXPECT_EQ(g.At(100, 0), Rgb(clRed)) << "start colour at the top";
  std::uint32_t bottom = g.At(100, 149);
  EXPECT_TRUE((bottom & 0xFF) > 0xF0 && (bottom >> 16) < 0x10) << "the stop colour at the bottom";
  EXPECT_NE(g.At(7, 7), Rgb(clBlue)) << "a grid of size 0 draws no dots";
}

TEST_F(VkPanels, DisablingRemembersTheChildrenAndForgetsFreedOnes) {
  auto* panel = new TVkPanel(form);
  panel->SetParent(form);
  auto* a = new TProbeGraphic(panel);
  a->SetParent(panel);
  auto* b = new TProbeGraphic(panel);
  b->SetParent(panel);
  b->SetEnabled(false);
  auto* c = new TProbeGraphic(panel);
  c->SetParent(panel);
  panel->SetEnabled(false);
  EXPECT_FALSE(a->Enabled());
  EXPECT_EQ(panel->SavedEnabledState(a), "1");
  EXPECT_EQ(panel->SavedEnabledState(b), "0");
  delete c;
  EXPECT_EQ(panel->SavedEnabledCount(), 2u) << "a freed child leaves the record";
  auto* late = new TProbeGraphic(panel);
  late->SetParent(panel);
  late->SetEnabled(false);
  panel->SetEnabled(true);
  EXPECT_TRUE(a->Enabled());
  EXPECT_FALSE(b->Enabled()) << "a child disabled before stays disabled";
  EXPECT_TRUE(late->Enabled()) << "a child added meanwhile is enabled";
}

TEST_F(VkPanels, PanelAlignedAtTheBottomKeepsItsBottomEdge) {
  auto* panel = new TVkPanel(form);
  panel->SetParent(form);
  panel->SetAlign(alBottom);
  int bottom = panel->Top() + panel->Height();
  panel->SetHeight(panel->Height() + 20);
  EXPECT_EQ(panel->Top() + panel->Height(), bottom);
}

TEST_F(VkPanels, StatusBarScalesItsPanesAndSurvivesAWidthOfNothing) {
  auto* bar = new TVkStatusBar(form);
  bar->SetParent(form);
  bar->SetAlign(alNone);
  bar->PlaceBounds(0, 0, 600, 22);
  auto* pane = new TVkCustomStatusPane(bar);
  pane->SetParent(bar);
  pane->PlaceBounds(0, 0, 150, 20);
  bar->SetAutoScalePanes(true);
  bar->SetWidth(660);
  EXPECT_EQ(pane->Width(), 165) << "60 more pixels, a quarter for a quarter of the bar";
  bar->SetWidth(0);
  bar->SetWidth(100) ;
  EXPECT_GE(pane->Width(), 0) << "growing from no width divides by nothing";
  bar->SetAutoScalePanes(false);
  int w = pane->Width();
  bar->SetWidth(300);
  EXPECT_EQ(pane->Width(), w);
}

TEST_F(VkPanels, StatusBarStyleSimpleStatusAndSizeGrip) {
  auto* bar = new TVkStatusBar(form);
  bar->SetParent(form);
  EXPECT_EQ(bar->Align(), alBottom);
  EXPECT_TRUE(bar->AutoStyle());
  bar->SetBorderInner(fsStatus);
  EXPECT_FALSE(bar->AutoStyle()) << "a border of its own ends the automatic style";
  auto* a = new TVkCustomStatusPane(bar);
  a->SetParent(bar);
  auto* b = new TVkCustomStatusPane(bar);
  b->SetParent(bar);
  b->Hide();
  bar->SetSimpleStatus(true);
  EXPECT_FALSE(a->Visible());
  bar->SetSimpleStatus(false);
  EXPECT_TRUE(a->Visible());
  EXPECT_TRUE(b->Visible()) << "every pane shows again";
  form->SetBorderStyle(bsSizeable);
  EXPECT_TRUE(bar->SizeGripAllowed());
  form->SetBorderStyle(bsSingle);
  EXPECT_FALSE(bar->SizeGripAllowed());
  bar->SetSimpleCaption("Ready");
  bar->SetSimpleStatus(true);
  form->Show();
  Pump();
  SaveShot(form, "vk_statusbar_simple");
}

TEST_F(VkPanels, LoadedStatusBarsAndPanelsTakeTheirStyleAndDropOldNames) {
  const String text =
      "object F: TForm\n"
      "  object Auto: TVkStatusBar\n"
      "    BorderInner = fsStatus\n"
      "    Height = 30\n"
      "  end\n"
      "  object Own: TVkStatusBar\n"
      "    AutoStyle = False\n"
      "    BorderInner = fsStatus\n"
      "    BorderOuter = fsNone\n"
      "    Height = 22\n"
      "    object Clock: TVkClockStatus\n"
      "      Align = alRight\n"
      "      Width = 136\n"
      "    end\n"
      "  end\n"
      "  object P: TVkPanel\n"
      "    FrameSides = [sdLeft, sdTop]\n"
      "    ThemeAware = True\n"
      "    UseGradients = True\n"
      "  end\n"
      "end\n";
  TForm* loaded = new TForm(nullptr);
  ReadComponentResource(loaded, text);
  auto* automatic = dynamic_cast<TVkStatusBar*>(loaded->FindComponent("Auto"));
  ASSERT_NE(automatic, nullptr);
  EXPECT_EQ(automatic->BorderInner(), fsNone) << "the automatic style wins over stored borders";
  EXPECT_EQ(automatic->Height(), 19);
  auto* own = dynamic_cast<TVkStatusBar*>(loaded->FindComponent("Own"));
  EXPECT_EQ(own->BorderInner(), fsStatus);
  EXPECT_EQ(own->Height(), 22);
  auto* clock = dynamic_cast<TVkClockStatus*>(loaded->FindComponent("Clock"));
  ASSERT_NE(clock, nullptr);
  EXPECT_FALSE(clock->Caption().empty()) << "a loaded clock shows the time at once";
  auto* panel = dynamic_cast<TVkPanel*>(loaded->FindComponent("P"));
  EXPECT_EQ(panel->VisualStyle(), vsGradient) << "the old UseGradients";
  delete loaded;
}

TEST_F(VkPanels, PaneWidthFollowsTheTextAndTheFillColourTheColour) {
  auto* bar = new TVkStatusBar(form);
  bar->SetParent(form);
  auto* pane = new TVkCustomStatusPane(bar);
  pane->SetParent(bar);
  pane->SetAutoSize(true);
  EXPECT_EQ(pane->Width(), 40) << "DefaultWidth for an empty caption";
  pane->SetCaption("Some text");
  int w = pane->Width();
  EXPECT_GT(w, 40);
  pane->SetCaptionOffset(12);
  EXPECT_EQ(pane->Width(), w + 10);
  pane->SetFillColor(clRed);
  EXPECT_FALSE(pane->ParentFillColor());
  pane->SetParentFillColor(true);
  EXPECT_EQ(pane->FillColor(), pane->Color());
}

TEST_F(VkPanels, PaneFramesAndDisabledText) {
  auto* bar = new TVkStatusBar(form);
  bar->SetParent(form);
  bar->SetVisualStyle(vsClassic);
  bar->SetColor(clWhite);
  auto* flat = new TVkCustomStatusPane(bar);
  flat->SetParent(bar);
  flat->PlaceBounds(0, 0, 60, 19);
  flat->SetFlatColorAdjustment(0);
  flat->SetFlatColor(clRed);
  auto* lowered = new TVkCustomStatusPane(bar);
  lowered->SetParent(bar);
  lowered->PlaceBounds(70, 0, 60, 19);
  lowered->SetFrameStyle(fsLowered);
  lowered->SetCaption("Off");
  lowered->SetEnabled(false);
  form->Show();
  Pump();
  Picture p(form->Handle());
  int top = bar->Top();
  EXPECT_EQ(p.At(1, top + 1), Rgb(clWhite)) << "flat frame: open corner";
  EXPECT_EQ(p.At(2, top + 1), Rgb(clRed)) << "top line inside the 1-pixel border width";
  EXPECT_EQ(p.At(71, top + 1), Rgb(clBtnShadow)) << "lowered frame";
  bool gray = false;
  for (int x = 75; x < 128; ++x)
    for (int y = top + 3; y < top + 16; ++y)
      if (p.At(x, y) == Rgb(clGrayText)) gray = true;
  EXPECT_TRUE(gray) << "a disabled pane's text is grey";
  SaveShot(form, "vk_panes");
}

TEST_F(VkPanels, PollingListCallsVisiblePanesAndSurvivesPanesFreedDuringATick) {
  auto* a = new TVkPollingStatus(form);
  auto* b = new TVkPollingStatus(form);
  auto* c = new TVkPollingStatus(form);
  ASSERT_NE(TVkPollingList::Instance(), nullptr);
  EXPECT_EQ(TVkPollingList::Instance()->GetCount(), 3);
  a->SetInterval(250);
  EXPECT_EQ(c->Interval(), 250) << "one interval for every polling pane";
  std::vector<char> calls;
  a->OnTimerExpired = [&](TObject*) {
    calls.push_back('a');
    delete b;  // a pane freed in the middle of the tick
  };
  b->OnTimerExpired = [&](TObject*) { calls.push_back('b'); };
  c->OnTimerExpired = [&](TObject*) { calls.push_back('c'); };
  TVkPollingList::Instance()->TimerExpired();
  EXPECT_EQ(calls, (std::vector<char>{'a', 'c'}));
  EXPECT_EQ(TVkPollingList::Instance()->GetCount(), 2);
  calls.clear();
  a->OnTimerExpired = [&](TObject*) {
    calls.push_back('a');
    delete c;
  };
  c->OnTimerExpired = nullptr;
  c->Hide();
  TVkPollingList::Instance()->TimerExpired();
  EXPECT_EQ(calls, (std::vector<char>{'a'}));
  // The last pane freed inside its own tick: the list outlives the tick.
  a->OnTimerExpired = [&](TObject*) { delete a; };
  TVkPollingList::Instance()->TimerExpired();
  auto* fresh = new TVkPollingStatus(form);
  EXPECT_EQ(TVkPollingList::Instance()->GetCount(), 1);
  delete fresh;
  EXPECT_EQ(TVkPollingList::Instance(), nullptr) << "the list goes with its last pane";
  auto* again = new TVkPollingStatus(form);
  EXPECT_TRUE(again->Active());
  EXPECT_EQ(again->Interval(), 500);
  delete again;
}

TEST_F(VkPanels, ClockPaneRepaintsOnlyWhenItsTextChanges) {
  auto* bar = new TVkStatusBar(form);
  bar->SetParent(form);
  auto* clock = new TVkClockStatus(bar);
  clock->SetParent(bar);
  clock->SetAlign(alRight);
  TDateTime now = EncodeDate(2026, 12, 9) + EncodeTime(13, 5, 0, 0);
  clock->OnGetDateTime = [&](TObject*, TDateTime& dt) { dt = now; };
  int ticks = 0;
  clock->OnTimerExpired = [&](TObject*) { ++ticks; };
  clock->SetFormat("hh:nn");
  EXPECT_EQ(clock->Caption(), "13:05");
  clock->DoTimerExpired();
  EXPECT_EQ(ticks, 1);
  EXPECT_EQ(clock->DateTimeText(), "13:05");
  now = EncodeDate(2026, 12, 9) + EncodeTime(13, 6, 0, 0);
  clock->Hide();
  TVkPollingList::Instance()->TimerExpired();
  EXPECT_EQ(clock->Caption(), "13:05") << "an invisible pane keeps its text";
  clock->Show();
  TVkPollingList::Instance()->TimerExpired();
  EXPECT_EQ(clock->Caption(), "13:06");
  EXPECT_EQ(ticks, 2);
  form->Show();
  Pump();
  TRect r = clock->GetContentRect();
  EXPECT_EQ(r.Right, clock->Width() - 2 - 12) << "at the size grip the text keeps 12 pixels off";
}

}  // namespace
