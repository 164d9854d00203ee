// The gallery page of the framed controls: edits and memo in their states,
// the list box with group headers, labels in their styles and turns, the
// URL label, borders, buttons in their looks, panels and the status bar with
// its panes.
#include "controls/VkBorder.h"
#include "controls/VkButton.h"
#include "controls/VkEdit.h"
#include "controls/VkLabel.h"
#include "controls/VkLstBox.h"
#include "controls/VkPanel.h"
#include "controls/VkStatusPanes.h"
#include "tools/controls_gallery/GalleryPages.h"

namespace {

void BuildEdits(TWinControl* Page) {
  auto* plain = Put<TVkEdit>(Page, 8, 8, 120, 21);
  plain->SetText("Labels");
  auto* framed = Put<TVkEdit>(Page, 8, 34, 120, 21);
  framed->SetFramingPreference(fpCustomFraming);
  framed->SetFrameVisible(true);
  framed->SetText("Framed");
  auto* hot = Put<TVkEdit>(Page, 8, 60, 120, 21);
  hot->SetFramingPreference(fpCustomFraming);
  hot->SetFrameHotTrack(true);
  hot->SetFrameStyle(fsLowered);
  hot->SetText("Lowered frame");
  auto* readOnly = Put<TVkEdit>(Page, 8, 86, 120, 21);
  readOnly->SetText("Read-only");
  readOnly->SetReadOnly(true);
  auto* disabled = Put<TVkEdit>(Page, 8, 112, 120, 21);
  disabled->SetText("Disabled");
  disabled->SetEnabled(false);
  auto* hint = Put<TVkEdit>(Page, 8, 138, 120, 21);
  hint->SetTextHint("Text hint");
  auto* memo = Put<TVkMemo>(Page, 8, 164, 120, 80);
  memo->SetFramingPreference(fpCustomFraming);
  memo->SetFrameVisible(true);
  memo->SetFrameColor(clNavy);
  memo->Lines()->Add("-> Label Design saved");
  memo->Lines()->Add("<Item Name>");
  memo->Lines()->Add("<Order Time>");
}

void BuildListBox(TWinControl* Page) {
  auto* box = Put<TVkListBox>(Page, 136, 8, 130, 134);
  box->SetOwnerDrawIndent(10);
  box->SetUseGradients(false);
  for (const char* item : {"//Tags", "<Address>", "<City and Town>", "<Item Name>", "//Printers", "PreLabel",
                           "Labels"})
    box->Items()->Add(item);
  box->SetShowGroups(true);
  box->SetItemIndex(3);
  auto* sorted = Put<TVkListBox>(Page, 136, 148, 130, 96);
  sorted->SetSorted(true);
  sorted->SetFramingPreference(fpCustomFraming);
  sorted->SetFrameVisible(true);
  for (const char* item : {"<Phone>", "<Map Code>", "<Employee>", "<Total Text>", "<Reference>"})
    sorted->Items()->Add(item);
}

void BuildLabels(TWinControl* Page) {
  const TTextStyle styles[] = {tsNormal, tsRaised, tsRecessed, tsShadow};
  const char* names[] = {"Normal", "Raised", "Recessed", "Shadow"};
  for (int i = 0; i < 4; ++i) {
    auto* l = Put<TVkLabel>(Page, 274, 8 + i * 20, 90, 18);
    l->SetTextStyle(styles[i]);
    l->SetCaption(names[i]);
  }
  auto* error = Put<TVkLabel>(Page, 274, 90, 120, 18);
  error->Font()->SetColor(clRed);
  error->Font()->SetStyle(FontStyle(fsBold));
  error->SetCaption("Error Label");
  auto* boxed = Put<TVkLabel>(Page, 274, 112, 100, 22);
  boxed->SetBorderOuter(fsGroove);
  boxed->SetTextMargin(2);
  boxed->SetCaption("In a frame");
  auto* turned = Put<TVkLabel>(Page, 380, 8, 60, 60);
  turned->SetAutoSize(false);
  turned->SetAngle(45);
  turned->SetCaption("Turned");
  auto* curved = Put<TVkLabel>(Page, 440, 8, 80, 80);
  curved->SetAutoSize(false);
  curved->SetRotation(roCurve);
  curved->SetAngle(300);
  curved->SetCaption("Around the curve");
  auto* url = Put<TVkURLLabel>(Page, 274, 140, 150, 18);
  url->SetCaption("https://example.invalid/");
}

void BuildButtons(TWinControl* Page) {
  auto* plain = Put<TVkButton>(Page, 274, 166, 75, 25);
  plain->SetCaption("&Classic");
  plain->SetDefault(true);
  auto* grouped = Put<TVkButton>(Page, 354, 166, 75, 25);
  grouped->SetCaption("Down");
  grouped->SetGroupIndex(1);
  grouped->SetDown(true);
  auto* tinted = Put<TVkButton>(Page, 434, 166, 75, 25);
  tinted->SetCaption("Tinted");
  tinted->SetColor(static_cast<TColor>(0x00C0E0C0));
  const char* captions[] = {"&Save Design", "&Revert to Last", "Test &Print"};
  for (int i = 0; i < 3; ++i) {
    auto* b = Put<TVkBitBtn>(Page, 274 + i * 122, 214, 118, 25);
    b->SetColor(static_cast<TColor>(0x00F0F4F4));
    b->SetHighlightColor(static_cast<TColor>(0x00F48D6A));
    b->SetHotTrack(true);
    b->SetHotTrackColor(static_cast<TColor>(0x003CC7FF));
    b->SetGlyph(GetKindGlyph(i == 1 ? bkRetry : bkOK));
    b->SetCaption(captions[i]);
  }
  auto* ok = Put<TVkBitBtn>(Page, 274, 246, 75, 25);
  ok->SetKind(bkOK);
  auto* cancel = Put<TVkBitBtn>(Page, 354, 246, 75, 25);
  cancel->SetKind(bkCancel);
  cancel->SetEnabled(false);
  auto* help = Put<TVkBitBtn>(Page, 434, 246, 75, 25);
  help->SetKind(bkHelp);
  auto* ignore = Put<TVkBitBtn>(Page, 514, 246, 75, 25);
  ignore->SetKind(bkIgnore);
}

void BuildPanels(TWinControl* Page) {
  auto* raised = Put<TVkPanel>(Page, 530, 8, 100, 60);
  raised->SetCaption("Raised");
  auto* grid = Put<TVkPanel>(Page, 530, 74, 100, 60);
  grid->SetBorderOuter(fsLowered);
  grid->SetShowGrid(true);
  grid->SetColor(clWhite);
  auto* gradient = Put<TVkPanel>(Page, 530, 140, 100, 60);
  gradient->SetVisualStyle(vsGradient);
  gradient->SetBorderOuter(fsFlat);
  gradient->SetCaption("Gradient");
  auto* border = Put<TVkBorder>(Page, 524, 2, 112, 204);
  (void)border;
  auto* bar = Put<TVkStatusBar>(Page, 0, 0, 640, 22);
  bar->SetAlign(alBottom);
  bar->SetAutoStyle(false);
  bar->SetBorderInner(fsStatus);
  auto* label = Put<TVkLabel>(bar, 4, 4, 200, 14);
  label->Font()->SetColor(clRed);
  label->SetCaption("Tarnwick Service is not running!!!");
  auto* pane = Put<TVkCustomStatusPane>(bar, 320, 1, 120, 20);
  pane->SetFrameStyle(fsStatus);
  pane->SetCaption("Pane");
  auto* clock = Put<TVkClockStatus>(bar, 440, 1, 136, 20);
  clock->SetAlign(alRight);
  clock->OnGetDateTime = [](TObject*, TDateTime& dt) { dt = EncodeDate(2026, 12, 9) + EncodeTime(13, 5, 0, 0); };
  clock->SetFormat("dd.mm.yyyy hh:nn");
}

// The buttons come first: the page's focus then rests on a button, whose
// look does not change with time as an edit's caret would.
const bool kRegistered = RegisterGalleryPage("framed", 20, [](TWinControl* Page) {
  BuildButtons(Page);
  BuildEdits(Page);
  BuildListBox(Page);
  BuildLabels(Page);
  BuildPanels(Page);
});

}  // namespace
