// The tabs page: the page control dressed as the desktop program's form
// dresses its own, and tab controls in the other shapes, sides and options.
#include "class_library/visual/StdCtrls.h"
#include "controls/VkPages.h"
#include "tools/controls_gallery/GalleryPages.h"

namespace {

TVkPageControl* NewTabs(TWinControl* Page, int X, int Y, int W, int H, std::initializer_list<const char*> Captions) {
  auto* tabs = new TVkPageControl(Page);
  tabs->SetParent(Page);
  tabs->SetShowFocusRect(false);  // the same picture whichever control has the focus
  tabs->PlaceBounds(X, Y, W, H);
  for (const char* caption : Captions) {
    auto* sheet = new TVkTabSheet(Page);
    sheet->SetCaption(caption);
    sheet->SetPageControl(tabs);
  }
  return tabs;
}

void BuildTabsPage(TWinControl* Page) {
  // As on the desktop program's main form.
  auto* main = new TVkPageControl(Page);
  main->SetName("pageMain");
  main->SetParent(Page);
  main->SetShowFocusRect(false);
  main->PlaceBounds(8, 8, 300, 184);
  main->SetColor(16119543);
  main->SetFlatColor(10263441);
  main->SetHotTrackColor(3983359);
  main->TabColors()->SetHighlightBar(3983359);
  for (const char* caption : {"Log Info", "Label Editor", "Setup"}) {
    auto* sheet = new TVkTabSheet(Page);
    sheet->SetCaption(caption);
    sheet->SetPageControl(main);
    sheet->SetColor(16119543);
    auto* label = new TLabel(Page);
    label->SetParent(sheet);
    label->SetCaption(String("The ") + caption + " page");
    label->PlaceBounds(12, 12, 200, 16);
  }
  main->SetActivePageIndex(1);

  auto* rows = NewTabs(Page, 320, 8, 312, 184, {"Log Info", "Label Editor", "Setup", "Printers", "Captions", "About"});
  rows->SetTabStyle(tsRoundCorners);
  rows->SetMultiLine(true);
  rows->SetBoldCurrentTab(true);
  rows->SetActivePageIndex(1);

  auto* side = NewTabs(Page, 8, 204, 200, 188, {"Log", "Editor", "Setup"});
  side->SetTabOrientation(toLeft);
  side->SetTextOrientation(orVertical);
  side->SetTabStyle(tsCutCorner);
  side->SetActivePageIndex(0);

  auto* bottom =
      NewTabs(Page, 220, 204, 412, 88, {"First", "Second", "Third", "Fourth", "Fifth", "Sixth", "Seventh", "Eighth"});
  bottom->SetTabOrientation(toBottom);
  bottom->SetTabStyle(tsBackSlant);
  bottom->SetShowCloseButton(true);
  bottom->SetShowMenuButton(true);
  bottom->SetHotTrackStyle(htsTabBar);
  bottom->SetActivePageIndex(2);

  auto* right = NewTabs(Page, 220, 300, 412, 92, {"One", "Two", "Three"});
  right->SetTabStyle(tsDoubleSlant);
  right->SetSoftCorners(true);
  right->SetTabSequence(tsReverse);
  right->SetShowCloseButtonOnActiveTab(true);
  right->SetUseColoredTabs(true);
  right->Pages(0)->SetColor(0xD0F0FF);
  right->Pages(1)->SetColor(0xFFE0C0);
  right->Pages(2)->SetColor(0xD0FFD0);
  right->SetActivePageIndex(0);
}

const bool kRegistered = RegisterGalleryPage("tabs", 60, BuildTabsPage);

}  // namespace
