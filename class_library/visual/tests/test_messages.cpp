// Message order and loop behaviour the controls rely on: focus between
// nested containers, painting after invalidation, nested modal dialogs,
// drawing through a canvas's context, bitmaps built into the program.
#include <string>
#include <vector>

#include "class_library/components/FormResource.h"
#include "class_library/components/Resources.h"
#include "class_library/visual/Bitmap.h"
#include "class_library/visual/ExtCtrls.h"
#include "class_library/visual/StdCtrls.h"
#include "class_library/visual/tests/Probes.h"
#include "class_library/visual/tests/VisualTest.h"
#include "platform/gui/Images.h"

namespace {

using namespace vistest;
using Messages = FormTest;

// A panel that records the focus messages it gets, by name.
class TNamedPanel : public TPanel {
public:
  TNamedPanel(TComponent* AOwner, std::vector<std::string>& Log, std::string Name)
      : TPanel(AOwner), log_(Log), name_(std::move(Name)) {}

protected:
  void WindowProcedure(TMessage& Message) override {
    if (Message.Msg == CM_ENTER) log_.push_back("enter " + name_);
    if (Message.Msg == CM_EXIT) log_.push_back("exit " + name_);
    TPanel::WindowProcedure(Message);
  }

private:
  std::vector<std::string>& log_;
  std::string name_;
};

TEST_F(Messages, FocusLeavesInnerContainersFirstAndEntersOuterOnesFirst) {
  std::vector<std::string> log;
  auto* left = new TNamedPanel(form, log, "left");
  left->SetParent(form);
  left->PlaceBounds(0, 0, 100, 150);
  auto* right = new TNamedPanel(form, log, "right");
  right->SetParent(form);
  right->PlaceBounds(100, 0, 100, 150);
  auto* inner = new TNamedPanel(form, log, "inner");
  inner->SetParent(right);
  inner->PlaceBounds(5, 5, 90, 90);
  auto* a = new TEdit(form);
  a->SetParent(left);
  a->PlaceBounds(5, 5, 80, 21);
  auto* b = new TEdit(form);
  b->SetParent(inner);
  b->PlaceBounds(5, 5, 80, 21);
  a->OnExit = [&](TObject*) { log.push_back("OnExit a"); };
  b->OnEnter = [&](TObject*) { log.push_back("OnEnter b"); };
  form->Show();
  Pump();
  a->SetFocus();
  Pump();
  log.clear();
  b->SetFocus();
  Pump();
  EXPECT_EQ(log, (std::vector<std::string>{"OnExit a", "exit left", "enter right", "enter inner", "OnEnter b"}));
  EXPECT_TRUE(b->Focused());
  EXPECT_EQ(form->ActiveControl(), b);
  // Within one container only the controls change.
  auto* c = new TEdit(form);
  c->SetParent(inner);
  c->PlaceBounds(5, 40, 80, 21);
  log.clear();
  c->SetFocus();
  Pump();
  EXPECT_EQ(log, std::vector<std::string>{}) << "the containers stay entered";
}

TEST_F(Messages, InvalidationsPaintOnceOnTheLoopsTurnAndUpdatePaintsAtOnce) {
  auto* window = new TProbeWindow(form);
  window->SetParent(form);
  window->PlaceBounds(10, 10, 50, 50);
  auto* graphic = new TProbeGraphic(form);
  graphic->SetParent(form);
  graphic->PlaceBounds(100, 10, 50, 50);
  form->Show();
  Pump();
  window->paints = graphic->paints = 0;
  window->Invalidate();
  window->Invalidate();
  graphic->Invalidate();
  graphic->Invalidate();
  EXPECT_EQ(window->paints, 0) << "nothing paints inside the call";
  EXPECT_EQ(graphic->paints, 0);
  Pump();
  EXPECT_EQ(window->paints, 1) << "two invalidations, one paint";
  EXPECT_EQ(graphic->paints, 1);
  window->Invalidate();
  window->Update();
  EXPECT_EQ(window->paints, 2) << "Update paints what is marked now";
  window->Update();
  EXPECT_EQ(window->paints, 2) << "and nothing when nothing is marked";
  // A hidden control is not painted; shown again, it is.
  graphic->Hide();
  Pump();
  int before = graphic->paints;
  form->Invalidate();
  Pump();
  EXPECT_EQ(graphic->paints, before);
  graphic->Show();
  Pump();
  EXPECT_GT(graphic->paints, before);
  EXPECT_EQ(Picture(form->Handle()).At(120, 30), Rgb(clBlue));
}

TEST_F(Messages, ANestedModalDialogEndsFirstAndTheOuterKeepsTheOthersDisabled) {
  form->Show();
  Pump();
  TForm outer(nullptr);
  outer.PlaceBounds(0, 0, 200, 100);
  TForm inner(nullptr);
  inner.PlaceBounds(0, 0, 150, 80);
  int innerResult = 0;
  bool formDisabledAfterInner = false, outerDisabledDuringInner = false, outerEnabledAfterInner = false;
  Application()->PostToMainThread([&] {
    Application()->PostToMainThread([&] {
      outerDisabledDuringInner = !gui::IsWindowEnabled(outer.Handle());
      inner.SetModalResult(mrYes);
    });
    innerResult = inner.ShowModal();
    formDisabledAfterInner = !gui::IsWindowEnabled(form->Handle());
    outerEnabledAfterInner = gui::IsWindowEnabled(outer.Handle());
    outer.SetModalResult(mrNo);
  });
  EXPECT_EQ(outer.ShowModal(), mrNo);
  EXPECT_EQ(innerResult, mrYes);
  EXPECT_TRUE(outerDisabledDuringInner) << "the outer dialog waits for the inner one";
  EXPECT_TRUE(outerEnabledAfterInner);
  EXPECT_TRUE(formDisabledAfterInner) << "the form stays disabled while the outer dialog runs";
  EXPECT_TRUE(gui::IsWindowEnabled(form->Handle())) << "and is enabled when it ends";
  // Close on a modal form ends it with mrCancel; a form freed while the
  // dialog ran is not touched when the others are enabled again.
  auto* side = new TForm(nullptr);
  side->PlaceBounds(400, 100, 100, 100);
  side->Show();
  Pump();
  Application()->PostToMainThread([&] {
    EXPECT_FALSE(gui::IsWindowEnabled(side->Handle()));
    delete side;
    outer.Close();
  });
  EXPECT_EQ(outer.ShowModal(), mrCancel);
  EXPECT_TRUE(gui::IsWindowEnabled(form->Handle()));
}

TEST_F(Messages, ControlsOfADisabledWindowKeepTheirLookAndGetNoInput) {
  form->PlaceBounds(100, 100, 300, 150);
  auto* memo = new TMemo(form);
  memo->SetParent(form);
  memo->PlaceBounds(10, 10, 130, 60);
  memo->Lines()->Add("The log");
  auto* panel = new TPanel(form);
  panel->SetParent(form);
  panel->PlaceBounds(150, 10, 140, 60);
  auto* edit = new TEdit(panel);
  edit->SetParent(panel);
  edit->PlaceBounds(10, 10, 100, 21);
  edit->SetText("kept");
  form->Show();
  Pump();
  std::vector<std::uint32_t> before;
  Picture shown(form->Handle());
  // (From x = 15: the caret at the start goes with the focus.)
  for (int x = 15; x < 140; ++x) before.push_back(shown.At(x, 18));
  // Behind a modal dialog the memo looks as it did, and a click does not
  // reach the edit.
  TForm dialog(nullptr);
  dialog.PlaceBounds(600, 400, 100, 60);
  std::vector<std::uint32_t> during;
  Application()->PostToMainThread([&] {
    Picture behind(form->Handle());
    for (int x = 15; x < 140; ++x) during.push_back(behind.At(x, 18));
    gui::test::Click(edit->ClientToScreen(TPoint{5, 5}));
    gui::test::TypeText("x");
    dialog.SetModalResult(mrOk);
  });
  dialog.ShowModal();
  EXPECT_EQ(during, before) << "the memo's text is not greyed";
  EXPECT_FALSE(edit->Focused());
  EXPECT_EQ(edit->Text(), "kept");
  // An edit in a disabled panel: looks enabled (its own state), takes no input.
  panel->SetEnabled(false);
  Pump();
  gui::test::Click(edit->ClientToScreen(TPoint{5, 5}));
  gui::test::TypeText("y");
  Pump();
  EXPECT_FALSE(edit->Focused());
  EXPECT_EQ(edit->Text(), "kept");
  panel->SetEnabled(true);
  gui::test::Click(edit->ClientToScreen(TPoint{5, 5}));
  Pump();
  EXPECT_TRUE(edit->Focused()) << "enabled again, it takes a click";
}

TEST(CanvasContext, DrawingThroughTheHandleUsesTheCanvasFontPenAndBrush) {
  TBitmap b;
  b.SetSize(200, 60);
  TCanvas* c = b.Canvas();
  c->Font()->SetName("Tahoma");
  c->Font()->SetSize(24);
  c->Brush()->SetColor(clLime);
  gui::Rect r{0, 0, 200, 60};
  gui::DrawText(c->Handle(), "Wide", r, gui::DT_CALCRECT | gui::DT_SINGLELINE);
  EXPECT_EQ(r.Right, c->TextWidth("Wide")) << "measured in the canvas's font, not the context's default";
  EXPECT_EQ(r.Bottom, c->TextHeight("Wide"));
  // The brush is selected too: a shape drawn on the context fills with it.
  gui::Rectangle(c->Handle(), 150, 10, 190, 50);
  EXPECT_EQ(c->Pixel(170, 30), clLime);
  // A font changed later is selected again at the next Handle.
  c->Font()->SetSize(8);
  gui::Rect small{0, 0, 200, 60};
  gui::DrawText(c->Handle(), "Wide", small, gui::DT_CALCRECT | gui::DT_SINGLELINE);
  EXPECT_LT(small.Right, r.Right);
}

TEST(BitmapResource, ABitmapBuiltIntoTheProgramLoadsByNameInAnyCase) {
  TBitmap source;
  source.SetSize(4, 2);
  source.Canvas()->Brush()->SetColor(clRed);
  source.Canvas()->FillRect(Rect(0, 0, 4, 2));
  source.Canvas()->SetPixel(3, 1, clBlue);
  std::vector<std::uint8_t> bmp = gui::SaveBitmapToMemory(source.Handle(), "BMP");
  ASSERT_FALSE(bmp.empty());
  RegisterResourceText("TEST_GLYPH", reinterpret_cast<const char*>(bmp.data()), bmp.size());
  TBitmap glyph;
  glyph.LoadFromResourceName(0, "test_glyph");
  ASSERT_EQ(glyph.Width(), 4);
  ASSERT_EQ(glyph.Height(), 2);
  EXPECT_EQ(glyph.Canvas()->Pixel(0, 0), clRed);
  EXPECT_EQ(glyph.Canvas()->Pixel(3, 1), clBlue);
  EXPECT_THROW(glyph.LoadFromResourceName(0, "NO_SUCH_GLYPH"), EResNotFound);
  EXPECT_EQ(glyph.Width(), 4) << "a failed load keeps the picture";
  RegisterResourceText("NOT_AN_IMAGE", "text", 4);
  EXPECT_THROW(glyph.LoadFromResourceName(0, "NOT_AN_IMAGE"), EInvalidGraphic);
}

}  // namespace
