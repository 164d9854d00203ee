// The standard controls: edit, memo, list box, label, button, panel, image.
#include <cstdlib>

#include "class_library/visual/Clipbrd.h"
#include "class_library/visual/ExtCtrls.h"
#include "class_library/visual/StdCtrls.h"
#include "class_library/visual/tests/VisualTest.h"
#include "platform/gui/Controls.h"

namespace {

using namespace vistest;
using StdControls = FormTest;

TEST_F(StdControls, EditKeepsItsStateBeforeAndAfterItsWindowExists) {
  auto* edit = new TEdit(form);
  edit->SetText("before");
  edit->SetMaxLength(10);
  int changes = 0;
  edit->OnChange = [&](TObject*) { ++changes; };
  edit->SetParent(form);
  edit->PlaceBounds(10, 10, 120, 21);
  form->Show();
  Pump();
  ASSERT_TRUE(edit->HandleAllocated());
  EXPECT_EQ(edit->Text(), "before");
  edit->SetText("abcdef");
  EXPECT_EQ(changes, 1);
  edit->SetSelStart(2);
  edit->SetSelLength(3);
  EXPECT_EQ(edit->SelText(), "cde");
  edit->SetSelText("X");
  EXPECT_EQ(edit->Text(), "abXf");
  EXPECT_EQ(changes, 2) << "replacing the selection is one change";
  edit->SetFocus();
  gui::test::TypeText("12345678");
  Pump();
  EXPECT_EQ(edit->Text().size(), 10u) << "MaxLength holds";
  EXPECT_GT(changes, 3) << "typing reports changes";
  EXPECT_TRUE(edit->Modified());
  edit->SetReadOnly(true);
  gui::test::TypeText("z");
  Pump();
  EXPECT_EQ(edit->Text().find('z'), String::npos);
  edit->SelectAll();
  edit->CopyToClipboard();
  EXPECT_EQ(Clipboard()->AsText(), edit->Text());
  EXPECT_TRUE(Clipboard()->HasFormat(CF_TEXT));
}

TEST_F(StdControls, MemoLinesAndTheCaretPosition) {
  auto* memo = new TMemo(form);
  memo->SetParent(form);
  memo->PlaceBounds(10, 10, 180, 100);
  memo->Lines()->Add("first");
  memo->Lines()->Add("second");
  EXPECT_EQ(memo->Text(), "first\r\nsecond\r\n");
  EXPECT_EQ(memo->Lines()->Count(), 2);
  memo->Lines()->Insert(1, "middle");
  memo->Lines()->SetStrings(2, "last");
  EXPECT_EQ(memo->Lines()->Strings(1), "middle");
  EXPECT_EQ(memo->Text(), "first\r\nmiddle\r\nlast\r\n");
  memo->Lines()->Delete(0);
  EXPECT_EQ(memo->Lines()->Count(), 2);
  memo->SetText("no break");
  memo->Lines()->Add("x");
  EXPECT_EQ(memo->Text(), "no break\r\nx") << "a line is added after a last line without a break";
  form->Show();
  Pump();
  memo->SetText("ab\r\ncdef\r\ng");
  memo->SetCaretPos(TPoint{2, 1});
  EXPECT_EQ(memo->CaretPos().X, 2);
  EXPECT_EQ(memo->CaretPos().Y, 1);
  EXPECT_EQ(memo->SelStart(), 6);
  memo->Lines()->Clear();
  EXPECT_EQ(memo->Lines()->Count(), 0);
}

TEST_F(StdControls, MemoLinesAreSetAndReadWholeAsAddingThemOneByOneWould) {
  auto* whole = new TMemo(form);
  whole->SetParent(form);
  auto* byLine = new TMemo(form);
  byLine->SetParent(form);
  byLine->SetTop(120);
  int changes = 0;
  whole->OnChange = [&](TObject*) { ++changes; };
  TStringList source;
  source.Add("one");
  source.Add("two\rthree");  // a break inside a line makes two lines
  source.Add("");
  source.Add("caf\xC3\xA9");
  for (bool shown : {false, true}) {
    if (shown) {
      form->Show();
      Pump();
    }
    SCOPED_TRACE(shown ? "with a window" : "without a window");
    byLine->Lines()->Clear();
    for (int i = 0; i < source.Count(); ++i) byLine->Lines()->Add(source.Strings(i));
    changes = 0;
    whole->Lines()->Assign(&source);
    EXPECT_EQ(changes, 1) << "one change for the whole text";
    EXPECT_EQ(whole->Text(), byLine->Text());
    EXPECT_EQ(whole->Lines()->Count(), 5);
    EXPECT_EQ(whole->Lines()->Text(), "one\r\ntwo\r\nthree\r\n\r\ncaf\xC3\xA9\r\n");
    TStringList plain;
    plain.Add("a");
    plain.Add("b");
    whole->Lines()->Assign(&plain);
    changes = 0;
    whole->Lines()->Assign(&plain);
    EXPECT_EQ(changes, 0) << "the same text again changes nothing";

    whole->Lines()->SetText("a\nb\rc\r\n\r\nd");
    byLine->Lines()->Clear();
    for (const char* line : {"a", "b", "c", "", "d"}) byLine->Lines()->Add(line);
    EXPECT_EQ(whole->Text(), byLine->Text());
    whole->SetText("x\ny");
    EXPECT_EQ(whole->Lines()->Text(), "x\r\ny\r\n") << "every line ends in CR LF, the last one too";
    whole->Lines()->SetText("");
    EXPECT_EQ(whole->Lines()->Count(), 0);
    EXPECT_EQ(whole->Lines()->Text(), "");
  }
}

TEST_F(StdControls, ListBoxItemsSelectionAndOwnerDrawing) {
  auto* box = new TListBox(form);
  box->SetSorted(true);
  box->Items()->Add("pear");
  box->Items()->Add("Apple");
  box->Items()->Add("fig");
  EXPECT_EQ(box->Items()->Strings(0), "Apple") << "sorted without regard to case before the window exists";
  box->SetItemIndex(1);
  box->SetParent(form);
  box->PlaceBounds(10, 10, 100, 80);
  form->Show();
  Pump();
  ASSERT_TRUE(box->HandleAllocated());
  EXPECT_EQ(box->Count(), 3);
  EXPECT_EQ(box->Items()->Strings(2), "pear");
  EXPECT_EQ(box->ItemIndex(), 1);
  box->Items()->Add("banana");
  EXPECT_EQ(box->Items()->IndexOf("banana"), 1);
  int clicks = 0;
  box->OnClick = [&](TObject*) { ++clicks; };
  TRect r = box->ItemRect(0);
  TPoint p = box->ClientToScreen(TPoint{r.Left + 5, r.Top + 2});
  gui::test::Click(p);
  Pump();
  EXPECT_EQ(box->ItemIndex(), 0);
  EXPECT_EQ(clicks, 1) << "a selection change by the user is a click";
  EXPECT_EQ(box->ItemAtPos(TPoint{5, r.Top + 2}, true), 0);
  EXPECT_EQ(box->ItemAtPos(TPoint{5, 79}, true), -1);

  std::vector<int> drawn;
  box->SetStyle(lbOwnerDrawFixed);
  box->SetItemHeight(18);
  box->OnDrawItem = [&](TWinControl*, int index, const TRect& rect, TOwnerDrawState) {
    drawn.push_back(index);
    box->Canvas()->Brush()->SetColor(index == 0 ? clRed : clWhite);
    box->Canvas()->FillRect(rect);
  };
  EXPECT_EQ(box->Count(), 4) << "the items survive the new window";
  Pump();
  EXPECT_FALSE(drawn.empty());
  EXPECT_EQ(box->ItemRect(1).Top, 18);
  Picture pic(form->Handle());
  TPoint at = box->ItemRect(0).Left == 0 ? TPoint{box->Left() + 10, box->Top() + 5} : TPoint{0, 0};
  EXPECT_EQ(pic.At(at.X, at.Y), Rgb(clRed));
}

TEST_F(StdControls, LabelSizesToItsCaptionAndItsAcceleratorFocuses) {
  auto* edit = new TEdit(form);
  edit->SetParent(form);
  edit->PlaceBounds(100, 10, 80, 21);
  auto* label = new TLabel(form);
  label->SetParent(form);
  label->PlaceBounds(10, 10, 1, 1);
  label->SetCaption("&Name");
  label->SetFocusControl(edit);
  int width = label->Width();
  EXPECT_GT(width, 15);
  EXPECT_GE(label->Height(), 11);
  label->SetCaption("&Name and more");
  EXPECT_GT(label->Width(), width);
  label->SetAutoSize(false);
  label->PlaceBounds(10, 10, 40, 20);
  label->SetCaption("long caption not fitting");
  EXPECT_EQ(label->Width(), 40);
  label->SetCaption("&Name");
  auto* other = new TEdit(form);
  other->SetParent(form);
  other->PlaceBounds(100, 40, 80, 21);
  form->Show();
  Pump();
  other->SetFocus();
  gui::test::KeyPress('N', gui::test::kAlt, "n");
  Pump();
  EXPECT_TRUE(edit->Focused()) << "Alt+N focuses the label's control";
}

TEST_F(StdControls, PanelBevelsShrinkTheClientAreaAndPaintAroundIt) {
  auto* panel = new TPanel(form);
  panel->SetParent(form);
  panel->PlaceBounds(10, 10, 100, 60);
  panel->SetBevelInner(bvLowered);
  panel->SetBorderWidth(2);
  panel->SetColor(clWhite);
  auto* child = new TPanel(panel);
  child->SetParent(panel);
  child->SetAlign(alClient);
  child->SetBevelOuter(bvNone);
  child->SetColor(clRed);
  EXPECT_EQ(child->Left(), 4);
  EXPECT_EQ(child->Width(), 92);
  form->Show();
  Pump();
  Picture p(form->Handle());
  EXPECT_EQ(p.At(10, 10), Rgb(clBtnHighlight)) << "raised outer bevel: light top-left";
  EXPECT_EQ(p.At(109, 69), Rgb(clBtnShadow)) << "dark bottom-right";
  EXPECT_EQ(p.At(11, 11), Rgb(clWhite)) << "the border in the panel's colour";
  EXPECT_EQ(p.At(13, 13), Rgb(clBtnShadow)) << "lowered inner bevel";
  EXPECT_EQ(p.At(14, 14), Rgb(clRed)) << "the child fills the client area";
  if (std::getenv("TW_VISUAL_PNG")) gui::test::SaveWindowPng(form->Handle(), std::getenv("TW_VISUAL_PNG"));
}

TEST_F(StdControls, ButtonsClickWithMouseAndSpaceAndDrawPushed) {
  auto* button = new TButton(form);
  button->SetParent(form);
  button->PlaceBounds(20, 20, 75, 25);
  button->SetCaption("&Go");
  int clicks = 0;
  button->OnClick = [&](TObject*) { ++clicks; };
  form->Show();
  Pump();
  TPoint centre = button->ClientToScreen(TPoint{37, 12});
  gui::test::MouseDown(centre);
  Pump();
  // Inside the default outline: the sunken edge while held, raised after.
  EXPECT_EQ(Picture(form->Handle()).At(22, 22), Rgb(cl3DDkShadow)) << "pushed in while held";
  // Released off the form: the button still sees the release.
  gui::test::MouseMove(TPoint{centre.X + 400, centre.Y}, 1);
  gui::test::MouseUp(TPoint{centre.X + 400, centre.Y});
  Pump();
  EXPECT_EQ(clicks, 0) << "released outside: no click";
  EXPECT_EQ(Picture(form->Handle()).At(22, 22), Rgb(clBtnHighlight)) << "raised again";
  gui::test::Click(centre);
  Pump();
  EXPECT_EQ(clicks, 1);
  EXPECT_TRUE(button->Focused());
  gui::test::KeyPress(gui::VK_SPACE, 0, " ");
  Pump();
  EXPECT_EQ(clicks, 2);
  gui::test::KeyPress('G', gui::test::kAlt, "g");
  Pump();
  EXPECT_EQ(clicks, 3) << "the accelerator clicks";
}

TEST_F(StdControls, AVirtualListBoxTakesItsTextsFromOnData) {
  auto* list = new TListBox(form);
  list->SetParent(form);
  list->PlaceBounds(10, 10, 150, 100);
  list->SetStyle(lbVirtual);
  int asked = 0;
  list->OnData = [&](TWinControl* Control, int Index, String& Data) {
    EXPECT_EQ(Control, list);
    ++asked;
    Data = "row " + std::to_string(Index);
  };
  form->Show();
  Pump();
  list->SetCount(3);
  EXPECT_EQ(list->Count(), 3);
  EXPECT_EQ(asked, 3);
  EXPECT_EQ(list->Items()->Strings(2), "row 2") << "shown as the data event said";
  // Owner-drawn: the default drawing asks for the text of each item it draws.
  list->SetStyle(lbVirtualOwnerDraw);
  list->SetItemHeight(16);
  list->SetCount(2);
  asked = 0;
  list->Repaint();
  Pump();
  EXPECT_GE(asked, 2);
  Picture shot(list->Handle());
  int ink = 0;
  for (int x = 0; x < 60; ++x) ink += shot.At(x + 2, 8) != Rgb(clWindow);
  EXPECT_GT(ink, 0) << "the first row shows its text";
  list->SetStyle(lbStandard);
  list->SetCount(9);
  EXPECT_EQ(list->Count(), 2) << "a list of its own items ignores a count";
}

}  // namespace
