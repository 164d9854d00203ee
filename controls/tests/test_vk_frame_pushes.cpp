// A frame controller restyles the framed controls: the edit, memo and list
// box through their published properties (within their notification mask),
// the border, label, panel and status pane by reading the controller.
#include "class_library/components/TypeInfo.h"
#include "class_library/visual/tests/VisualTest.h"
#include "controls/VkBorder.h"
#include "controls/VkColors.h"
#include "controls/VkEdit.h"
#include "controls/VkFrameController.h"
#include "controls/VkLabel.h"
#include "controls/VkLstBox.h"
#include "controls/VkPanel.h"
#include "controls/VkStatusPanes.h"

namespace {

using namespace vistest;
using VkFramePushes = FormTest;

TEST_F(VkFramePushes, PublishedPropertiesTakeTheControllersValuesWithinTheirMask) {
  auto* fc = new TVkFrameController(form);
  auto* edit = new TVkEdit(form);
  edit->SetParent(form);
  auto* box = new TVkListBox(form);
  box->SetParent(form);
  box->SetFrameControllerNotifications(kAllFrameControllerNotifications & ~FrameControllerBit(fcpFrameColor));
  edit->SetFrameController(fc);
  box->SetFrameController(fc);
  fc->SetFrameVisible(true);
  fc->SetFrameStyle(fsLowered);
  fc->SetFrameColor(clRed);
  fc->SetDisabledColor(clGray);
  EXPECT_TRUE(edit->FrameVisible());
  EXPECT_EQ(edit->FrameStyle(), fsLowered);
  EXPECT_EQ(edit->FrameColor(), clRed);
  EXPECT_EQ(edit->DisabledColor(), clGray);
  EXPECT_EQ(box->FrameStyle(), fsLowered);
  EXPECT_EQ(box->FrameColor(), clBtnShadow) << "the list box keeps its own frame colour";
  delete fc;
  EXPECT_EQ(edit->FrameController(), nullptr) << "a freed controller is forgotten";
  edit->SetFrameStyle(fsFlat);
}

TEST_F(VkFramePushes, WindowlessControlsReadTheControllerOnlyWhileItShowsFrames) {
  auto* fc = new TVkFrameController(form);
  auto* border = new TVkBorder(form);
  border->SetParent(form);
  auto* label = new TVkLabel(form);
  label->SetParent(form);
  auto* panel = new TVkPanel(form);
  panel->SetParent(form);
  auto* pane = new TVkCustomStatusPane(panel);
  pane->SetParent(panel);
  for (TControl* c : std::initializer_list<TControl*>{border, label, panel, pane})
    SetComponentProp(c, "FrameController", fc);
  fc->SetFrameStyle(fsBump);
  EXPECT_EQ(border->BorderOuter(), fsGroove) << "FrameVisible off: nothing changes";
  fc->SetFrameVisible(true);
  fc->SetFrameStyle(fsBump);
  fc->SetFrameColor(clBlue);
  EXPECT_EQ(border->BorderOuter(), fsBump);
  EXPECT_EQ(label->BorderOuter(), fsBump);
  EXPECT_EQ(panel->BorderOuter(), fsBump);
  EXPECT_EQ(pane->FrameStyle(), fsBump);
  EXPECT_EQ(border->FlatColor(), clBlue);
  EXPECT_EQ(border->FlatColorAdjustment(), 0);
  fc->SetColor(clYellow);
  EXPECT_EQ(pane->FillColor(), clYellow);
  EXPECT_FALSE(pane->ParentFillColor());
  EXPECT_EQ(panel->BorderHighlight(), LightenColor(clYellow, 100));
}

}  // namespace
