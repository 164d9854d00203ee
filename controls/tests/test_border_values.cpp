// The border values the bordered controls publish alike (border, label,
// panel, status pane, tab control): each control's own defaults as stored
// and as it starts, a form's values reaching each control by the published
// names, and what a change does to each control.
#include <algorithm>
#include <vector>

#include "class_library/components/FormResource.h"
#include "class_library/components/TypeInfo.h"
#include "class_library/visual/tests/VisualTest.h"
#include "controls/VkBorder.h"
#include "controls/VkLabel.h"
#include "controls/VkPages.h"
#include "controls/VkPanel.h"
#include "controls/VkStatusPanes.h"
#include "controls/tests/VkControlTest.h"

namespace {

using namespace vistest;
using VkBorderValues = FormTest;

const std::vector<String> kAllNames = {"BevelWidth",  "BorderInner",     "BorderOuter",  "BorderSides",
                                       "BorderColor", "BorderHighlight", "BorderShadow", "FlatColor",
                                       "FlatColorAdjustment", "FrameControllerNotifications"};

TEST_F(VkBorderValues, EachControlPublishesItsNamesAndStartsWithTheDefaultItStores) {
  struct Case {
    TControl* control;
    std::vector<String> published;
  };
  const std::vector<String> flatOnly = {"FlatColor", "FlatColorAdjustment"};
  const std::vector<String> paneNames = {"FlatColor", "FlatColorAdjustment", "FrameControllerNotifications"};
  const std::vector<Case> cases = {{new TVkBorder(form), kAllNames},
                                   {new TVkLabel(form), kAllNames},
                                   {new TVkPanel(form), kAllNames},
                                   {new TVkStatusBar(form), kAllNames},
                                   {new TVkCustomStatusPane(form), paneNames},
                                   {new TVkPageControl(form), flatOnly}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.control->ClassName());
    for (const String& name : kAllNames) {
      const TPropInfo* p = GetPropInfo(c.control, name);
      bool expected = std::find(c.published.begin(), c.published.end(), name) != c.published.end();
      ASSERT_EQ(p != nullptr, expected) << name;
      // A default stated but not started with is never written to a form,
      // and the control would come back from it with another value.
      if (p && p->DefaultOrd) {
        EXPECT_EQ(GetOrdProp(c.control, name), *p->DefaultOrd) << name;
      }
    }
    EXPECT_EQ(GetPropInfo(c.control, "FrameController") != nullptr,
              std::find(c.published.begin(), c.published.end(), "FrameControllerNotifications") !=
                  c.published.end());
  }
  EXPECT_EQ(dynamic_cast<TVkBorder*>(cases[0].control)->BorderOuter(), fsGroove);
  EXPECT_EQ(dynamic_cast<TVkLabel*>(cases[1].control)->BorderOuter(), fsNone);
  EXPECT_EQ(dynamic_cast<TVkPanel*>(cases[2].control)->BorderOuter(), fsRaised);
  EXPECT_EQ(dynamic_cast<TVkPageControl*>(cases[5].control)->FlatColorAdjustment(), 0);
}

TEST_F(VkBorderValues, AFormsValuesReachEveryControlByTheirPublishedNames) {
  const String look =
      "    BevelWidth = 3\n"
      "    BorderInner = fsLowered\n"
      "    BorderOuter = fsFlat\n"
      "    BorderSides = [sdLeft, sdBottom]\n"
      "    BorderColor = clRed\n"
      "    BorderHighlight = clBlue\n"
      "    BorderShadow = clLime\n";
  const String flat =
      "    FlatColor = clYellow\n"
      "    FlatColorAdjustment = -7\n";
  TForm* loaded = new TForm(nullptr);
  ReadComponentResource(loaded, "object F: TForm\n"
                                "  object Ctl: TVkFrameController\n"
                                "  end\n"
                                "  object B: TVkBorder\n" + look + flat + "    FrameController = Ctl\n  end\n"
                                "  object L: TVkLabel\n" + look + flat + "    FrameController = Ctl\n  end\n"
                                "  object P: TVkPanel\n" + look + flat + "    FrameController = Ctl\n  end\n"
                                "  object S: TVkCustomStatusPane\n" + flat + "    FrameController = Ctl\n  end\n"
                                "  object T: TVkPageControl\n" + flat + "  end\n"
                                "end\n");
  auto* controller = dynamic_cast<TVkFrameController*>(loaded->FindComponent("Ctl"));
  ASSERT_NE(controller, nullptr);
  for (const char* name : {"B", "L", "P"}) {
    SCOPED_TRACE(name);
    auto* values = dynamic_cast<TVkBorderProps*>(loaded->FindComponent(name));
    ASSERT_NE(values, nullptr);
    EXPECT_EQ(values->BevelWidth(), 3);
    EXPECT_EQ(values->BorderInner(), fsLowered);
    EXPECT_EQ(values->BorderOuter(), fsFlat);
    EXPECT_EQ(values->BorderSides(), SideBit(sdLeft) | SideBit(sdBottom));
    EXPECT_EQ(values->BorderColor(), clRed);
    EXPECT_EQ(values->BorderHighlight(), clBlue);
    EXPECT_EQ(values->BorderShadow(), clLime);
  }
  for (const char* name : {"B", "L", "P", "S", "T"}) {
    SCOPED_TRACE(name);
    auto* values = dynamic_cast<TVkFlatColorProps*>(loaded->FindComponent(name));
    ASSERT_NE(values, nullptr);
    EXPECT_EQ(values->FlatColor(), clYellow);
    EXPECT_EQ(values->FlatColorAdjustment(), -7);
  }
  for (const char* name : {"B", "L", "P", "S"}) {
    auto* linked = dynamic_cast<TVkFrameControlled*>(loaded->FindComponent(name));
    ASSERT_NE(linked, nullptr) << name;
    EXPECT_EQ(linked->FrameController(), controller) << name;
  }
  delete loaded;
}

TEST_F(VkBorderValues, AChangeMovesWhatItConcernsAndNoMore) {
  // A label that sizes itself grows with its frames, not with their colours.
  auto* label = new TVkLabel(form);
  label->SetParent(form);
  label->SetAutoSize(true);
  label->SetCaption("Framed");
  const int width = label->Width();
  label->SetBorderColor(clRed);
  label->SetFlatColor(clBlue);
  EXPECT_EQ(label->Width(), width) << "colours only";
  label->SetBorderOuter(fsRaised);
  EXPECT_EQ(label->Width(), width + 4) << "two pixels of frame on either side";
  label->SetBevelWidth(3);
  label->SetBorderInner(fsStatus);
  EXPECT_EQ(label->Width(), width + 10) << "the status band takes the bevel width";

  // A panel lays its children out anew when its frames change, and keeps
  // its bevel width at 1 or more.
  auto* panel = new TVkPanel(form);
  panel->SetParent(form);
  panel->PlaceBounds(0, 40, 100, 60);
  auto* child = new TVkPanel(panel);
  child->SetParent(panel);
  child->SetAlign(alClient);
  EXPECT_EQ(child->Left(), 2);
  panel->SetBorderInner(fsStatus);
  EXPECT_EQ(child->Left(), 3);
  panel->SetBevelWidth(0);
  EXPECT_EQ(panel->BevelWidth(), 1) << "below 1 is ignored";
  panel->SetBevelWidth(4);
  EXPECT_EQ(child->Left(), 6);
  panel->SetBorderShadow(clRed);
  EXPECT_EQ(child->Left(), 6);

  // The tab control keeps the adjustment within the lightness routine's range.
  auto* tabs = new TVkPageControl(form);
  tabs->SetParent(form);
  tabs->SetFlatColorAdjustment(-1000);
  EXPECT_EQ(tabs->FlatColorAdjustment(), -255);
}

}  // namespace
