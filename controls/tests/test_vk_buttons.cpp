// Buttons: mouse, Space, Enter and Escape through real input; grouped
// buttons; stock kinds and glyphs; the hot-track and classic looks.
#include "class_library/visual/ExtCtrls.h"
#include "class_library/visual/StdCtrls.h"
#include "class_library/visual/tests/VisualTest.h"
#include "controls/VkButton.h"
#include "controls/VkColors.h"
#include "controls/tests/VkControlTest.h"
#include "platform/gui/Messages.h"

namespace {

using namespace vistest;
using VkButtons = FormTest;

TVkButton* MakeButton(TForm* Form, int Left, int Top) {
  auto* b = new TVkButton(Form);
  b->SetParent(Form);
  b->PlaceBounds(Left, Top, 75, 25);
  b->SetCaption("Go");
  return b;
}

TEST_F(VkButtons, MouseClicksOnlyWhenReleasedInsideAndThePressedLookFollowsThePointer) {
  auto* b = MakeButton(form, 20, 20);
  int clicks = 0;
  b->OnClick = [&](TObject*) { ++clicks; };
  form->Show();
  Pump();
  TPoint centre = b->ClientToScreen(TPoint{37, 12});
  gui::test::MouseDown(centre);
  Pump();
  EXPECT_TRUE(b->PressedLook());
  gui::test::MouseMove(TPoint{centre.X + 100, centre.Y}, 1);
  Pump();
  EXPECT_FALSE(b->PressedLook()) << "the pointer left the button";
  gui::test::MouseMove(centre, 1);
  Pump();
  EXPECT_TRUE(b->PressedLook());
  gui::test::MouseMove(TPoint{centre.X + 100, centre.Y}, 1);
  gui::test::MouseUp(TPoint{centre.X + 100, centre.Y});
  Pump();
  EXPECT_EQ(clicks, 0);
  gui::test::Click(centre);
  Pump();
  EXPECT_EQ(clicks, 1);
}

TEST_F(VkButtons, HeldSpaceThenAMouseClickClicksOnce) {
  auto* b = MakeButton(form, 20, 20);
  int clicks = 0;
  b->OnClick = [&](TObject*) { ++clicks; };
  form->Show();
  Pump();
  b->SetFocus();
  gui::test::KeyPress(gui::VK_SPACE, 0, " ");
  Pump();
  EXPECT_EQ(clicks, 1) << "Space down and up clicks";
  gui::test::KeyDown(gui::VK_SPACE, 0, " ");
  Pump();
  EXPECT_TRUE(b->PressedLook());
  gui::test::Click(b->ClientToScreen(TPoint{37, 12}));
  Pump();
  EXPECT_EQ(clicks, 2) << "the mouse click";
  gui::test::KeyUp(gui::VK_SPACE);
  Pump();
  EXPECT_EQ(clicks, 2) << "releasing the Space held before does not click again";
}

TEST_F(VkButtons, EnterClicksTheDefaultEscapeTheCancelAndAFocusedButtonTakesOver) {
  auto* ok = MakeButton(form, 10, 10);
  auto* cancel = MakeButton(form, 10, 40);
  auto* other = MakeButton(form, 10, 70);
  auto* edit = new TEdit(form);
  edit->SetParent(form);
  edit->PlaceBounds(100, 10, 80, 21);
  ok->SetDefault(true);
  ok->SetModalResult(1);
  cancel->SetCancel(true);
  cancel->SetModalResult(2);
  std::vector<char> clicks;
  ok->OnClick = [&](TObject*) { clicks.push_back('o'); };
  cancel->OnClick = [&](TObject*) { clicks.push_back('c'); };
  other->OnClick = [&](TObject*) { clicks.push_back('x'); };
  form->Show();
  Pump();
  edit->SetFocus();
  Pump();
  EXPECT_TRUE(ok->ActsAsDefault());
  gui::test::KeyPress(gui::VK_RETURN, 0, "\r");
  Pump();
  EXPECT_EQ(form->ModalResult(), 1);
  gui::test::KeyPress(gui::VK_ESCAPE, 0, "\x1b");
  Pump();
  EXPECT_EQ(form->ModalResult(), 2);
  gui::test::KeyPress(gui::VK_RETURN, gui::test::kControl, "");
  Pump();
  EXPECT_EQ(clicks, (std::vector<char>{'o', 'c'})) << "Ctrl+Enter clicks nothing";
  other->SetFocus();
  Pump();
  EXPECT_FALSE(ok->ActsAsDefault());
  EXPECT_TRUE(other->ActsAsDefault());
  gui::test::KeyPress(gui::VK_RETURN, 0, "\r");
  Pump();
  EXPECT_EQ(clicks.back(), 'x');
}

TEST_F(VkButtons, AButtonWithoutAFormClicksAndDisables) {
  TVkButton loose(nullptr);
  int clicks = 0;
  loose.OnClick = [&](TObject*) { ++clicks; };
  loose.SetModalResult(1);
  loose.Click();
  EXPECT_EQ(clicks, 1);
  loose.SetDefault(true);
  loose.SetEnabled(false);
  // On a panel that sits on no form.
  auto* parent = new TPanel(nullptr);
  auto* inner = new TVkButton(parent);
  inner->SetParent(parent);
  inner->SetEnabled(false);
  inner->Click();
  delete parent;
}

TEST_F(VkButtons, GroupedButtonsStayExclusive) {
  auto* a = MakeButton(form, 10, 10);
  auto* b = MakeButton(form, 10, 40);
  auto* single = MakeButton(form, 10, 70);
  single->SetDown(true);
  EXPECT_FALSE(single->Down()) << "no group: never down";
  a->SetGroupIndex(1);
  b->SetGroupIndex(1);
  a->SetDown(true);
  b->SetDown(true);
  EXPECT_FALSE(a->Down());
  EXPECT_TRUE(b->Down());
  EXPECT_EQ(b->ButtonState(), TVkButton::bsExclusive);
  form->Show();
  Pump();
  gui::test::Click(b->ClientToScreen(TPoint{30, 12}));
  Pump();
  EXPECT_TRUE(b->Down()) << "a member cannot be clicked up without AllowAllUp";
  a->SetAllowAllUp(true);
  EXPECT_TRUE(b->AllowAllUp()) << "the group shares AllowAllUp";
  gui::test::Click(b->ClientToScreen(TPoint{30, 12}));
  Pump();
  EXPECT_FALSE(b->Down());
}

TEST_F(VkButtons, KindsGiveCaptionResultGlyphAndFallBackToCustom) {
  auto* b = new TVkBitBtn(form);
  b->SetParent(form);
  b->SetKind(bkOK);
  EXPECT_EQ(b->Caption(), "OK");
  EXPECT_EQ(b->ModalResult(), 1);
  EXPECT_TRUE(b->Default());
  EXPECT_EQ(b->NumGlyphs(), 2);
  EXPECT_EQ(b->Glyph()->Width(), 32);
  EXPECT_EQ(b->Kind(), bkOK);
  b->SetModalResult(3);
  EXPECT_EQ(b->Kind(), bkCustom);
  b->SetKind(bkCancel);
  EXPECT_TRUE(b->Cancel());
  TBitmap g;
  g.SetSize(64, 16);
  b->SetGlyph(&g);
  EXPECT_EQ(b->NumGlyphs(), 4);
  EXPECT_EQ(b->Kind(), bkCustom) << "a glyph of its own makes the kind custom";
  g.SetSize(80, 16);
  b->SetGlyph(&g);
  EXPECT_EQ(b->NumGlyphs(), 1);
  g.SetSize(30, 16);
  b->SetGlyph(&g);
  EXPECT_EQ(b->NumGlyphs(), 1) << "no whole multiple: unchanged";
  b->SetMargin(-2);
  EXPECT_EQ(b->Margin(), 2);
  b->SetGlyph(GetKindGlyph(bkYes));
  EXPECT_EQ(b->NumGlyphs(), 2);
  b->SetEnabled(false);
  EXPECT_EQ(b->GlyphImageIndex(), 1) << "disabled shows the second image";
}

// The pixels of one 16 x 16 image of a stock glyph that are not the
// transparent olive, as rows of '#' and '.'.
std::string GlyphShape(TBitBtnKind Kind, int Image) {
  TBitmap* g = GetKindGlyph(Kind);
  std::string shape;
  for (int y = 0; y < 16; ++y) {
    for (int x = 0; x < 16; ++x) shape += g->Canvas()->Pixel(Image * 16 + x, y) == clOlive ? '.' : '#';
    shape += '\n';
  }
  return shape;
}

TEST_F(VkButtons, HelpRetryAndIgnoreGlyphsArePicturesOfTheirOwn) {
  const TBitBtnKind all[] = {bkOK, bkCancel, bkHelp, bkYes, bkNo, bkClose, bkAbort, bkRetry, bkIgnore, bkAll};
  for (TBitBtnKind kind : {bkHelp, bkRetry, bkIgnore}) {
    std::string shape = GlyphShape(kind, 0);
    SCOPED_TRACE(KindCaption(kind) + "\n" + shape);
    EXPECT_EQ(GlyphShape(kind, 1), shape) << "the disabled image is the same picture";
    for (TBitBtnKind other : all) {
      if (other != kind) {
        EXPECT_NE(GlyphShape(other, 0), shape) << "the same picture as " << KindCaption(other);
      }
    }
    // Strokes, not a blot: well under the two thirds of its box a filled
    // disk covers.
    int left = 16, top = 16, right = 0, bottom = 0, ink = 0;
    for (int y = 0; y < 16; ++y)
      for (int x = 0; x < 16; ++x)
        if (shape[static_cast<std::size_t>(y * 17 + x)] == '#') {
          ++ink;
          left = std::min(left, x);
          top = std::min(top, y);
          right = std::max(right, x + 1);
          bottom = std::max(bottom, y + 1);
        }
    ASSERT_GT(ink, 0);
    EXPECT_GE((right - left) * (bottom - top), 80) << "big enough to be seen";
    EXPECT_LT(ink * 100, (right - left) * (bottom - top) * 55) << "strokes, not a filled blot";
  }
}

TEST_F(VkButtons, HotTrackLookFramesAndFacesAndTheClassicLookBevels) {
  form->SetColor(clBtnFace);
  auto* hot = new TVkBitBtn(form);
  hot->SetParent(form);
  hot->PlaceBounds(10, 10, 90, 25);
  hot->SetColor(static_cast<TColor>(0x00F0F4F4));
  hot->SetHighlightColor(static_cast<TColor>(0x00F48D6A));
  hot->SetHotTrack(true);
  hot->SetHotTrackColor(static_cast<TColor>(0x003CC7FF));
  hot->SetGlyph(GetKindGlyph(bkOK));
  hot->SetCaption("&Save");
  MakeButton(form, 10, 50);
  auto* grouped = MakeButton(form, 100, 50);
  grouped->SetGroupIndex(3);
  grouped->SetDown(true);
  auto* off = MakeButton(form, 10, 90);
  off->SetHotTrack(true);
  off->SetEnabled(false);
  form->Show();
  Pump();
  Picture p(form->Handle());
  EXPECT_EQ(p.At(10, 12), Rgb(DarkenColor(clBtnFace, 20))) << "outer frame from the parent's colour";
  EXPECT_EQ(p.At(12, 11), Rgb(cl3DDkShadow)) << "inner frame in FrameColor";
  EXPECT_EQ(p.At(11, 11), Rgb(DarkenColor(clBtnFace, 20))) << "bevelled corner";
  EXPECT_EQ(p.At(10, 10), Rgb(clBtnFace)) << "the very corner shows the parent";
  EXPECT_EQ(p.At(10, 50), Rgb(clBtnHighlight)) << "classic: raised button";
  EXPECT_EQ(p.At(84, 74), Rgb(cl3DDkShadow));
  EXPECT_EQ(p.At(100, 50), Rgb(clBtnShadow)) << "grouped and down: lowered";
  SaveShot(form, "vk_buttons");
  gui::test::MouseMove(hot->ClientToScreen(TPoint{40, 12}));
  Pump();
  EXPECT_TRUE(hot->MouseInside());
  Picture h(form->Handle());
  EXPECT_NE(h.At(12, 20), p.At(12, 20)) << "the hot ring replaces the default ring under the mouse";
  SaveShot(form, "vk_buttons_hot");
}

}  // namespace
