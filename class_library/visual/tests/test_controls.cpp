// Controls: messages, painting, alignment and anchors, mouse, focus and keys.
#include <algorithm>

#include "class_library/visual/StdCtrls.h"
#include "class_library/visual/tests/Probes.h"
#include "class_library/visual/tests/VisualTest.h"
#include "platform/gui/Window.h"

namespace {

using namespace vistest;
using Controls = FormTest;

TEST_F(Controls, PerformReachesTheHandlerThroughAReplacedWindowProc) {
  auto* c = new TProbeWindow(form);
  c->SetParent(form);
  std::vector<String> order;
  auto previous = c->WindowProc;
  c->WindowProc = [&, previous](TMessage& m) {
    if (m.Msg == CM_HITTEST) order.push_back("hook");
    previous(m);
  };
  c->OnMouseEnter = [&](TObject*) { order.push_back("enter"); };
  EXPECT_EQ(c->Perform(CM_HITTEST, 0, gui::MAKELPARAM(1, 1)), gui::HTCLIENT);
  c->Perform(CM_MOUSEENTER);
  EXPECT_EQ(order, (std::vector<String>{"hook", "enter"}));
  // The parent hears of a child's mouse enter with the child in LParam.
  int parentHeard = 0;
  form->WindowProc = [&, prev = form->WindowProc](TMessage& m) {
    if (m.Msg == CM_MOUSEENTER && m.LParam == reinterpret_cast<LPARAM>(c)) ++parentHeard;
    prev(m);
  };
  c->Perform(CM_MOUSEENTER);
  EXPECT_EQ(parentHeard, 1);
}

TEST_F(Controls, WindowAndWindowLessChildrenPaintWhereTheyAre) {
  auto* w = new TProbeWindow(form, clRed);
  w->SetParent(form);
  w->PlaceBounds(10, 10, 40, 30);
  auto* g = new TProbeGraphic(form, clBlue);
  g->SetParent(form);
  g->PlaceBounds(60, 10, 20, 20);
  form->Show();
  Pump();
  Picture p(form->Handle());
  gui::test::SaveWindowPng(form->Handle(), "/tmp/cls_paint.png");
  ASSERT_EQ(p.Width(), 200);
  EXPECT_GT(w->paints, 0);
  EXPECT_TRUE(w->HandleAllocated());
  EXPECT_TRUE(gui::IsWindowVisible(w->Handle()));
  EXPECT_EQ(p.At(10, 10), Rgb(clRed));
  EXPECT_EQ(p.At(49, 39), Rgb(clRed));
  EXPECT_EQ(p.At(50, 40), Rgb(clBtnFace)) << "the form's own colour around them";
  EXPECT_EQ(p.At(60, 10), Rgb(clBlue));
  EXPECT_EQ(p.At(79, 29), Rgb(clBlue));
  EXPECT_EQ(p.At(80, 30), Rgb(clBtnFace));

  int before = g->paints;
  g->Invalidate();
  EXPECT_EQ(g->paints, before) << "painting waits for the loop";
  Pump();
  EXPECT_GT(g->paints, before);
  g->fill = clLime;
  g->Repaint();
  EXPECT_EQ(Picture(form->Handle()).At(65, 15), Rgb(clLime));
  g->Hide();
  Pump();
  EXPECT_EQ(Picture(form->Handle()).At(65, 15), Rgb(clBtnFace)) << "a hidden control leaves its place to the parent";
}

TEST_F(Controls, AlignedChildrenShareTheClientAreaInsideTheBorder) {
  form->SetBorderWidth(5);
  auto make = [&](TAlign align, int size) {
    auto* c = new TProbeGraphic(form);
    c->PlaceBounds(0, 0, size, size);
    c->SetParent(form);
    c->SetAlign(align);
    return c;
  };
  TControl* top = make(alTop, 20);
  TControl* bottom = make(alBottom, 30);
  TControl* left = make(alLeft, 40);
  TControl* right = make(alRight, 10);
  TControl* client = make(alClient, 1);
  auto bounds = [](TControl* c) {
    return std::vector<int>{c->Left(), c->Top(), c->Width(), c->Height()};
  };
  EXPECT_EQ(bounds(top), (std::vector<int>{5, 5, 190, 20}));
  EXPECT_EQ(bounds(bottom), (std::vector<int>{5, 115, 190, 30}));
  EXPECT_EQ(bounds(left), (std::vector<int>{5, 25, 40, 90}));
  EXPECT_EQ(bounds(right), (std::vector<int>{185, 25, 10, 90}));
  EXPECT_EQ(bounds(client), (std::vector<int>{45, 25, 140, 90}));
  form->PlaceBounds(100, 100, 300, 200);
  EXPECT_EQ(bounds(client), (std::vector<int>{45, 25, 240, 140})) << "a resize aligns again";
  top->Hide();
  EXPECT_EQ(left->Top(), 5) << "a hidden control gives its band back";
}

TEST_F(Controls, AnchorsKeepTheDistancesToTheEdgesTheyName) {
  auto* rightBottom = new TProbeGraphic(form);
  rightBottom->SetParent(form);
  rightBottom->PlaceBounds(150, 100, 30, 20);
  rightBottom->SetAnchors(AnchorSet({akRight, akBottom}));
  auto* stretch = new TProbeGraphic(form);
  stretch->SetParent(form);
  stretch->PlaceBounds(10, 10, 100, 20);
  stretch->SetAnchors(AnchorSet({akLeft, akTop, akRight}));
  auto* centred = new TProbeGraphic(form);
  centred->SetParent(form);
  centred->PlaceBounds(90, 60, 20, 10);
  centred->SetAnchors(0);
  form->PlaceBounds(100, 100, 260, 190);
  EXPECT_EQ(rightBottom->Left(), 210);
  EXPECT_EQ(rightBottom->Top(), 140);
  EXPECT_EQ(rightBottom->Width(), 30);
  EXPECT_EQ(stretch->Left(), 10);
  EXPECT_EQ(stretch->Width(), 160);
  EXPECT_EQ(centred->Left(), 100 * 260 / 200 - 10) << "no anchor keeps the centre in proportion";
}

TEST_F(Controls, MouseEnterLeaveAndClicksReachTheControlUnderThePointer) {
  auto* g = new TProbeGraphic(form);
  g->SetParent(form);
  g->PlaceBounds(20, 20, 40, 30);
  auto* w = new TProbeWindow(form);
  w->SetParent(form);
  w->PlaceBounds(100, 20, 40, 30);
  std::vector<String> log;
  g->OnMouseEnter = [&](TObject*) { log.push_back("enter g"); };
  g->OnMouseLeave = [&](TObject*) { log.push_back("leave g"); };
  w->OnMouseEnter = [&](TObject*) { log.push_back("enter w"); };
  w->OnMouseLeave = [&](TObject*) { log.push_back("leave w"); };
  g->OnMouseDown = [&](TObject*, TMouseButton b, TShiftState s, int x, int y) {
    log.push_back("down " + std::to_string(b) + " " + std::to_string(x) + "," + std::to_string(y) +
                  ((s & ssShift) ? " shift" : ""));
  };
  g->OnClick = [&](TObject*) { log.push_back("click g"); };
  form->Show();
  Pump();
  gui::test::MouseMove(TPoint{125, 125});
  Pump();
  gui::test::MouseMove(TPoint{215, 125});
  Pump();
  gui::test::MouseMove(TPoint{125, 125});
  Pump();
  gui::test::Click(TPoint{130, 126}, 1, gui::test::kShift);
  Pump();
  gui::test::MouseMove(TPoint{5, 5});
  Pump();
  EXPECT_EQ(log, (std::vector<String>{"enter g", "leave g", "enter w", "leave w", "enter g", "down 0 10,6 shift",
                                      "click g", "leave g"}));
}

TEST_F(Controls, TheControlUnderThePointerShowsItsCursor) {
  auto* g = new TProbeGraphic(form);
  g->SetParent(form);
  g->PlaceBounds(20, 20, 40, 30);
  g->SetCursor(crHandPoint);
  auto* w = new TProbeWindow(form);
  w->SetParent(form);
  w->PlaceBounds(100, 20, 40, 30);
  w->SetCursor(crSizeNWSE);
  auto* plain = new TProbeWindow(form);
  plain->SetParent(form);
  plain->PlaceBounds(100, 80, 40, 30);
  form->SetCursor(crHandPoint);  // the form's own cursor is for the form alone
  form->Show();
  Pump();
  gui::test::MouseMove(TPoint{125, 125});
  EXPECT_EQ(gui::GetCursor(), gui::LoadCursor(gui::IDC_HAND));
  gui::test::MouseMove(TPoint{215, 125});
  EXPECT_EQ(gui::GetCursor(), gui::LoadCursor(gui::IDC_SIZENWSE));
  gui::test::MouseMove(TPoint{215, 185});
  EXPECT_EQ(gui::GetCursor(), gui::LoadCursor(gui::IDC_ARROW));
  gui::test::MouseMove(TPoint{105, 240});
  EXPECT_EQ(gui::GetCursor(), gui::LoadCursor(gui::IDC_HAND));
  // The screen's cursor, while set, is everybody's.
  Screen()->SetCursor(crSizeNWSE);
  gui::test::MouseMove(TPoint{125, 126});
  EXPECT_EQ(gui::GetCursor(), gui::LoadCursor(gui::IDC_SIZENWSE));
  Screen()->SetCursor(crDefault);
  gui::test::MouseMove(TPoint{125, 125});
  EXPECT_EQ(gui::GetCursor(), gui::LoadCursor(gui::IDC_HAND));
  gui::test::MouseLeaveAll();
}

TEST_F(Controls, EnabledReachesTheWindowAsWmEnable) {
  auto* w = new TProbeWindow(form);
  w->SetParent(form);
  w->PlaceBounds(10, 10, 40, 30);
  form->Show();
  Pump();
  w->record = true;
  w->SetEnabled(false);
  EXPECT_FALSE(gui::IsWindowEnabled(w->Handle()));
  EXPECT_EQ(std::count(w->seen.begin(), w->seen.end(), gui::WM_ENABLE), 1);
  w->SetEnabled(true);
  EXPECT_TRUE(gui::IsWindowEnabled(w->Handle()));
  EXPECT_EQ(std::count(w->seen.begin(), w->seen.end(), gui::WM_ENABLE), 2);
  // A control made while disabled starts with a disabled window.
  auto* later = new TProbeWindow(form);
  later->SetEnabled(false);
  later->SetParent(form);
  later->PlaceBounds(60, 10, 40, 30);
  Pump();
  ASSERT_TRUE(later->HandleAllocated());
  EXPECT_FALSE(gui::IsWindowEnabled(later->Handle()));
}

TEST_F(Controls, AReadOnlyOrDisabledEditKeepsItsOwnColours) {
  auto* e = new TEdit(form);
  e->SetParent(form);
  e->PlaceBounds(10, 10, 120, 21);
  e->SetText("Fixed");
  e->SetColor(clYellow);
  e->Font()->SetColor(clBlue);
  e->SetReadOnly(true);
  form->Show();
  e->SetSelStart(0);  // the focus selected the text: show it plain
  Pump();
  {
    Picture pic(e->Handle());
    EXPECT_EQ(pic.At(100, 10), 0xFFFF00u) << "the static colours ask the edit's own colour";
    int blue = 0;
    for (int y = 0; y < pic.Height(); ++y)
      for (int x = 0; x < pic.Width(); ++x) blue += pic.At(x, y) == 0x0000FFu;
    EXPECT_GT(blue, 0) << "and its font's";
  }
  e->SetEnabled(false);
  Pump();
  Picture off(e->Handle());
  EXPECT_EQ(off.At(100, 10), 0xFFFF00u);
}

TEST_F(Controls, TabMovesTheFocusInTabOrderWithEnterAndExit) {
  auto* a = new TProbeWindow(form);
  a->SetParent(form);
  a->PlaceBounds(10, 10, 30, 20);
  auto* b = new TProbeWindow(form);
  b->SetParent(form);
  b->PlaceBounds(50, 10, 30, 20);
  auto* skipped = new TProbeWindow(form);
  skipped->SetParent(form);
  skipped->PlaceBounds(90, 10, 30, 20);
  skipped->SetEnabled(false);
  std::vector<String> log;
  for (auto [c, name] : {std::pair<TWinControl*, String>{a, "a"}, {b, "b"}, {skipped, "s"}}) {
    c->OnEnter = [&log, n = name](TObject*) { log.push_back("enter " + n); };
    c->OnExit = [&log, n = name](TObject*) { log.push_back("exit " + n); };
  }
  form->Show();
  Pump();
  EXPECT_EQ(form->ActiveControl(), a) << "a shown form focuses its first tab stop";
  EXPECT_TRUE(a->Focused());
  gui::test::KeyPress(gui::VK_TAB);
  Pump();
  EXPECT_TRUE(b->Focused());
  gui::test::KeyPress(gui::VK_TAB);
  Pump();
  EXPECT_TRUE(a->Focused()) << "the disabled control is passed over and the order wraps";
  gui::test::KeyPress(gui::VK_TAB, gui::test::kShift);
  Pump();
  EXPECT_TRUE(b->Focused());
  EXPECT_EQ(log, (std::vector<String>{"enter a", "exit a", "enter b", "exit b", "enter a", "exit a", "enter b"}));
  EXPECT_THROW(skipped->SetFocus(), EInvalidOperation);
}

TEST_F(Controls, KeysGoToTheFocusedControlAndThroughTheFormFirstWithKeyPreview) {
  auto* a = new TProbeWindow(form);
  a->SetParent(form);
  a->PlaceBounds(10, 10, 30, 20);
  std::vector<String> log;
  a->OnKeyDown = [&](TObject*, Word& key, TShiftState) { log.push_back("down " + std::to_string(key)); };
  a->OnKeyPress = [&](TObject*, char& key) { log.push_back(String("press ") + key); };
  form->OnKeyPress = [&](TObject*, char& key) {
    log.push_back(String("form ") + key);
    if (key == 'x') key = 0;  // swallowed
  };
  form->Show();
  Pump();
  gui::test::KeyPress('A', 0, "a");
  Pump();
  form->SetKeyPreview(true);
  gui::test::KeyPress('X', 0, "x");
  Pump();
  EXPECT_EQ(log, (std::vector<String>{"down 65", "press a", "down 88", "form x"}));
}

}  // namespace
