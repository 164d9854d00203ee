// The gallery page of panel docking: a panel that is a dock site holding two
// docked forms under their caption bars (the one with the focus active), a
// strip panel aligned at the top holding two docked forms side by side,
// each right of its bar with the caption turned upwards, below it a page
// control that is a dock site with two docked forms on pages of their own
// beside a plain page, and a dock site without captions showing the plain
// grabber.
#include "class_library/visual/Forms.h"
#include "controls/VkButton.h"
#include "controls/VkLabel.h"
#include "controls/VkLstBox.h"
#include "controls/VkPages.h"
#include "controls/VkPanel.h"
#include "tools/controls_gallery/GalleryPages.h"

namespace {

// A form to dock, owned by the page; it shows once docked.
TForm* DockableForm(TWinControl* Page, const String& Caption) {
  auto* form = new TForm(Page);
  form->SetCaption(Caption);
  form->SetDragKind(dkDock);
  return form;
}

void DockAndShow(TForm* Form, TWinControl* Site) {
  Form->ManualDock(Site);
  Form->Show();
}

void BuildDockPage(TWinControl* Page) {
  auto* site = Put<TVkPanel>(Page, 8, 8, 240, 384);
  site->SetBorderOuter(fsLowered);
  site->SetDockSite(true);
  TForm* orders = DockableForm(Page, "Orders");
  orders->SetName("OrdersForm");
  auto* list = Put<TVkListBox>(orders, 0, 0, 100, 100);
  list->SetName("OrdersList");
  list->SetAlign(alClient);
  for (const char* item : {"Soup of the day", "Grilled trout", "Apple cake", "Lemonade"}) list->Items()->Add(item);
  list->SetItemIndex(1);
  DockAndShow(orders, site);
  TForm* printer = DockableForm(Page, "Printer");
  auto* label = Put<TVkLabel>(printer, 8, 8, 200, 18);
  label->SetCaption("Kitchen printer ready");
  auto* test = Put<TVkButton>(printer, 8, 34, 90, 25);
  test->SetCaption("Test label");
  DockAndShow(printer, site);

  auto* holder = Put<TVkPanel>(Page, 260, 8, 372, 200);
  holder->SetBorderOuter(fsNone);
  auto* strip = Put<TVkPanel>(holder, 0, 0, 372, 90);
  strip->SetAlign(alTop);
  strip->SetBorderOuter(fsLowered);
  strip->SetDockSite(true);
  TForm* tools = DockableForm(Page, "Tools");
  auto* reprint = Put<TVkButton>(tools, 8, 8, 75, 25);
  reprint->SetCaption("Reprint");
  auto* clear = Put<TVkButton>(tools, 89, 8, 75, 25);
  clear->SetCaption("Clear");
  DockAndShow(tools, strip);
  TForm* waiting = DockableForm(Page, "Queue");
  Put<TVkLabel>(waiting, 8, 8, 150, 18)->SetCaption("3 labels waiting");
  DockAndShow(waiting, strip);

  auto* pages = Put<TVkPageControl>(holder, 0, 90, 372, 110);
  pages->SetAlign(alClient);
  pages->SetShowFocusRect(false);
  pages->SetDockSite(true);
  auto* log = new TVkTabSheet(Page);
  log->SetCaption("Log Info");
  log->SetPageControl(pages);
  Put<TVkLabel>(log, 8, 8, 200, 18)->SetCaption("A page of its own");
  TForm* kitchen = DockableForm(Page, "Kitchen");
  auto* queue = Put<TVkListBox>(kitchen, 0, 0, 100, 100);
  queue->SetAlign(alClient);
  for (const char* item : {"Table 4: trout", "Table 7: soup", "Table 2: cake"}) queue->Items()->Add(item);
  DockAndShow(kitchen, pages);
  TForm* bar = DockableForm(Page, "Bar");
  Put<TVkLabel>(bar, 8, 8, 200, 18)->SetCaption("Two lemonades");
  DockAndShow(bar, pages);
  pages->SetActivePage(pages->Pages(1));

  auto* plain = Put<TVkPanel>(Page, 260, 216, 372, 176);
  plain->SetBorderOuter(fsLowered);
  plain->SetDockSite(true);
  plain->SetShowDockClientCaptions(false);
  TForm* notes = DockableForm(Page, "Notes");
  auto* note = Put<TVkLabel>(notes, 8, 8, 300, 18);
  note->SetCaption("A dock site without captions");
  DockAndShow(notes, plain);
}

// The list has the focus: its form's bar is the active one.
void ShowDockPage(TWinControl* Page) {
  if (TComponent* form = Page->FindComponent("OrdersForm"))
    if (auto* list = dynamic_cast<TWinControl*>(form->FindComponent("OrdersList"))) list->SetFocus();
}

const bool kRegistered = RegisterGalleryPage("docking", 30, BuildDockPage, ShowDockPage);

}  // namespace
