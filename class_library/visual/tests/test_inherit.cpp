// What children take from their parents, z-order, constraints, releasing a
// form and focus removal.
#include "class_library/visual/StdCtrls.h"
#include "class_library/visual/tests/Probes.h"
#include "class_library/visual/tests/VisualTest.h"

namespace {

using namespace vistest;
using Inherit = FormTest;

TEST_F(Inherit, ParentFontAndColourFollowTheParentUntilSetOnTheChild) {
  auto* panel = new TProbeWindow(form);
  panel->SetParent(form);
  auto* label = new TLabel(form);
  label->SetParent(panel);
  form->Font()->SetName("Verdana");
  EXPECT_EQ(panel->Font()->Name(), "Verdana");
  EXPECT_EQ(label->Font()->Name(), "Verdana") << "passed down the chain";
  EXPECT_TRUE(label->ParentFont());
  label->Font()->SetHeight(-20);
  EXPECT_FALSE(label->ParentFont()) << "a font set on the child is its own";
  form->Font()->SetName("Tahoma");
  EXPECT_EQ(label->Font()->Name(), "Verdana");
  label->SetParentFont(true);
  EXPECT_EQ(label->Font()->Name(), "Tahoma");

  panel->SetColor(clYellow);
  EXPECT_TRUE(label->ParentColor());
  EXPECT_EQ(label->Color(), clYellow);
  label->SetColor(clAqua);
  EXPECT_FALSE(label->ParentColor());
  panel->SetColor(clLime);
  EXPECT_EQ(label->Color(), clAqua);
}

TEST_F(Inherit, TheLastWindowLessChildPaintsOnTopUntilSentBack) {
  auto* under = new TProbeGraphic(form, clRed);
  under->SetParent(form);
  under->PlaceBounds(10, 10, 40, 40);
  auto* over = new TProbeGraphic(form, clBlue);
  over->SetParent(form);
  over->PlaceBounds(30, 30, 40, 40);
  form->Show();
  Pump();
  EXPECT_EQ(Picture(form->Handle()).At(40, 40), Rgb(clBlue));
  over->SendToBack();
  Pump();
  EXPECT_EQ(Picture(form->Handle()).At(40, 40), Rgb(clRed));
  EXPECT_EQ(form->ControlAtPos(TPoint{40, 40}, false), under) << "the topmost answers the hit test";
}

TEST_F(Inherit, ConstraintsLimitEverySizeChange) {
  auto* c = new TProbeGraphic(form);
  c->SetParent(form);
  c->Constraints()->MinWidth = 20;
  c->Constraints()->MaxHeight = 30;
  c->PlaceBounds(0, 0, 5, 100);
  EXPECT_EQ(c->Width(), 20);
  EXPECT_EQ(c->Height(), 30);
  c->SetAlign(alClient);
  EXPECT_EQ(c->Width(), form->ClientWidth()) << "alignment places without asking the constraints again";
}

TEST_F(Inherit, AReleasedFormIsFreedByTheLoopOnlyOnce) {
  auto* other = new TForm(nullptr);
  bool destroyed = false;
  other->OnDestroy = [&](TObject*) { destroyed = true; };
  other->Release();
  other->Release();
  EXPECT_FALSE(destroyed) << "not while the caller still runs";
  Pump();
  EXPECT_TRUE(destroyed);
  auto* freedFirst = new TForm(nullptr);
  freedFirst->Release();
  delete freedFirst;  // its owner was faster
  Pump();             // nothing is freed twice
}

TEST_F(Inherit, RemovingTheFocusedControlGivesTheFocusBack) {
  auto* a = new TProbeWindow(form);
  a->SetParent(form);
  auto* b = new TProbeWindow(form);
  b->SetParent(form);
  b->PlaceBounds(50, 0, 20, 20);
  form->Show();
  Pump();
  b->SetFocus();
  EXPECT_EQ(form->ActiveControl(), b);
  form->DefocusControl(b, true);
  EXPECT_EQ(form->ActiveControl(), nullptr);
  a->SetFocus();
  delete a;
  EXPECT_EQ(form->ActiveControl(), nullptr) << "a freed control is no longer the active one";
}

}  // namespace
