// Labels: angles and rotation, auto size of turned text, curved text,
// blinking in step with a status pane, fly-by colour, the URL label, borders.
#include "class_library/visual/tests/VisualTest.h"
#include "controls/VkBlink.h"
#include "controls/VkBorder.h"
#include "controls/VkLabel.h"
#include "controls/VkStatusPanes.h"
#include "controls/tests/VkControlTest.h"

namespace {

using namespace vistest;
using VkLabels = FormTest;

TVkLabel* MakeLabel(TForm* Form, const String& Caption) {
  auto* l = new TVkLabel(Form);
  l->SetParent(Form);
  l->PlaceBounds(10, 10, 100, 30);
  l->SetCaption(Caption);
  return l;
}

TEST_F(VkLabels, AnglesAreStoredWithinATurnAndSurviveTheSwitchToAFlatRotation) {
  auto* l = MakeLabel(form, "Turned");
  l->SetAngle(370);
  EXPECT_EQ(l->Angle(), 10);
  EXPECT_EQ(l->Rotation(), roFlat) << "an angle on an unrotated label turns it";
  l->SetRotation(roNone);
  EXPECT_EQ(l->Angle(), 0);
  l->SetAngle(45);
  EXPECT_EQ(l->Angle(), 45) << "the switch to roFlat keeps the angle";
  l->SetAngle(-90);
  EXPECT_EQ(l->Angle(), 270);
  l->SetAngle(-450);
  EXPECT_EQ(l->Angle(), 270) << "more than a turn below 0";
  l->SetAngle(-720);
  EXPECT_EQ(l->Angle(), 0);
  l->SetAngle(30);
  l->SetRotation(roCurve);
  EXPECT_EQ(l->Angle(), 30);
  l->SetRotation(roFlat);
  EXPECT_EQ(l->Angle(), 0) << "choosing roFlat starts at 0";
  EXPECT_EQ(l->CenterPoint(), cpCenter);
}

TEST_F(VkLabels, AutoSizeOfTurnedTextIsTheTurnedBoxAndDoesNotCreep) {
  auto* l = MakeLabel(form, "A caption of some length");
  l->SetAutoSize(true);
  l->SetBorderOuter(fsGroove);
  l->SetTextMargin(3);
  l->AdjustBounds();
  int w0 = l->Width(), h0 = l->Height();
  EXPECT_GT(w0, h0);
  l->AdjustBounds();
  EXPECT_EQ(l->Width(), w0) << "sized again: the same size";
  l->SetAngle(90);
  EXPECT_EQ(l->Width(), h0) << "upright: width and height change places";
  EXPECT_EQ(l->Height(), w0);
  l->SetAngle(100);
  EXPECT_LT(l->Width(), w0 / 2) << "at 100 degrees the box is nearly upright";
  EXPECT_GT(l->Height(), w0 * 9 / 10);
  l->SetWordWrap(true);
  for (int angle : {30, 100, 135, 200, 315}) {
    l->SetAngle(angle);
    int w = l->Width(), h = l->Height();
    for (int i = 0; i < 5; ++i) {
      l->AdjustBounds();
      l->Repaint();
    }
    EXPECT_EQ(l->Width(), w) << angle;
    EXPECT_EQ(l->Height(), h) << angle;
  }
  l->SetWordWrap(false);
  l->SetAngle(0);
  l->AdjustBounds();
  EXPECT_EQ(l->Width(), w0) << "back to level: the level size";
  EXPECT_EQ(l->Height(), h0);
}

TEST_F(VkLabels, DrawsStylesRotatedAndCurvedTextAndEmptyCaptions) {
  form->SetColor(clWhite);
  auto* raised = MakeLabel(form, "Raised");
  raised->SetTextStyle(tsRaised);
  raised->Font()->SetColor(clBlack);
  auto* turned = MakeLabel(form, "Turned");
  turned->SetTop(50);
  turned->SetAutoSize(false);
  turned->PlaceBounds(10, 50, 60, 60);
  turned->SetAngle(45);
  auto* curved = MakeLabel(form, "Round");
  curved->SetAutoSize(false);
  curved->PlaceBounds(110, 10, 80, 80);
  curved->SetRotation(roCurve);
  curved->SetAngle(300);
  auto* empty = MakeLabel(form, "");
  empty->SetAutoSize(false);
  empty->PlaceBounds(110, 100, 4, 4);
  empty->SetRotation(roCurve);
  auto* disabled = MakeLabel(form, "Off");
  disabled->SetTop(120);
  disabled->SetEnabled(false);
  form->Show();
  Pump();
  Picture p(form->Handle());
  EXPECT_TRUE(AnyPixel(p, TRect(10, 10, 60, 30), Rgb(clBtnHighlight))) << "raised: highlight pass";
  EXPECT_TRUE(AnyPixel(p, TRect(10, 50, 70, 110), 0)) << "turned text shows";
  EXPECT_TRUE(AnyPixel(p, TRect(110, 10, 190, 90), 0)) << "curved text shows";
  EXPECT_TRUE(AnyPixel(p, TRect(10, 120, 60, 140), Rgb(clGrayText))) << "disabled: grey once";
  SaveShot(form, "vk_labels");
  curved->SetCaption("");
  curved->Repaint();
}

TEST_F(VkLabels, LabelAndPaneBlinkInStepAndStopAtOnce) {
  auto* label = MakeLabel(form, "Error Label");
  label->Font()->SetColor(clRed);
  label->SetBlinkColor(clBtnFace);
  auto* pane = new TVkCustomStatusPane(form);
  pane->SetParent(form);
  pane->Font()->SetColor(clBlack);
  pane->SetBlinkColor(clYellow);
  auto* still = MakeLabel(form, "Still");
  ASSERT_NE(BlinkingControls(), nullptr);
  EXPECT_EQ(still->Perform(CM_BLINKQUERY), 0);
  label->SetBlinking(true);
  pane->SetBlinking(true);
  EXPECT_EQ(label->Perform(CM_BLINKQUERY), 1);
  BlinkingControls()->Tick();
  bool firstLabelOn = label->CurrentColor() == clBtnFace;
  bool firstPaneOn = pane->CurrentColor() == clYellow;
  EXPECT_EQ(firstLabelOn, firstPaneOn) << "one tick switches both";
  BlinkingControls()->Tick();
  EXPECT_NE(label->CurrentColor() == clBtnFace, firstLabelOn);
  EXPECT_EQ(label->CurrentColor() == clBtnFace, pane->CurrentColor() == clYellow);
  EXPECT_EQ(still->CurrentColor(), still->Font()->Color()) << "a label that does not blink is left alone";
  if (label->CurrentColor() != clBtnFace) BlinkingControls()->Tick();
  ASSERT_EQ(label->CurrentColor(), clBtnFace);
  label->SetBlinking(false);
  EXPECT_EQ(label->CurrentColor(), clRed) << "switched off: the font colour at once";
  label->SetBlinkIntervalOn(300);
  EXPECT_EQ(pane->BlinkIntervalOn(), 300) << "one scheduler for all";
  label->SetBlinkIntervalOn(500);
}

TEST_F(VkLabels, FlyByColourCondensingAndTheUrlLabel) {
  auto* l = MakeLabel(form, "Hover");
  l->Font()->SetColor(clBlack);
  l->SetFlyByEnabled(true);
  l->SetFlyByColor(clRed);
  l->Perform(CM_MOUSEENTER);
  EXPECT_EQ(l->Font()->Color(), clRed);
  l->Perform(CM_MOUSELEAVE);
  EXPECT_EQ(l->Font()->Color(), clBlack);
  l->SetAutoSize(true);
  l->SetCondenseCaption(ccAtEnd);
  EXPECT_FALSE(l->AutoSize());

  auto* url = new TVkURLLabel(form);
  url->SetParent(form);
  url->SetCaption("https://example.invalid/");
  std::vector<String> opened;
  auto saved = TVkURLLabel::Opener();
  TVkURLLabel::Opener() = [&](const String& t) {
    opened.push_back(t);
    return true;
  };
  url->HandleClick();
  EXPECT_EQ(opened, std::vector<String>{"https://example.invalid/"}) << "an empty URL opens the caption";
  EXPECT_TRUE(url->Visited());
  EXPECT_EQ(url->Font()->Color(), clPurple);
  url->SetURL("  ");
  url->SetCaption("   ");
  url->HandleClick();
  EXPECT_EQ(opened.size(), 1u) << "nothing to open: nothing happens";
  TVkURLLabel::Opener() = saved;
}

TEST_F(VkLabels, BorderClientAreaAndLook) {
  auto* b = new TVkBorder(form);
  b->SetParent(form);
  b->PlaceBounds(10, 10, 50, 50);
  EXPECT_EQ(b->ClientRect(), TRect(2, 2, 48, 48));
  b->SetBorderWidth(3);
  b->SetBorderSides(SideBit(sdLeft));
  EXPECT_EQ(b->ClientRect(), TRect(5, 3, 47, 47)) << "the band on all sides, the frame on the left only";
  b->SetBorderWidth(30);
  EXPECT_EQ(b->ClientRect(), TRect(0, 0, 0, 0)) << "nothing left";
  b->SetBorderWidth(0);
  b->SetBorderSides(kAllSides);
  form->SetColor(clWhite);
  form->Show();
  Pump();
  Picture p(form->Handle());
  EXPECT_EQ(p.At(10, 10), Rgb(clBtnShadow)) << "groove: shadow outside at the top-left";
  EXPECT_EQ(p.At(11, 11), Rgb(clBtnHighlight));
  EXPECT_EQ(p.At(30, 30), Rgb(clWhite)) << "transparent inside";
  SaveShot(form, "vk_border");
}

}  // namespace
