// The masked edit as the user types into it, the memo's lines and caret
// while its words wrap, and writing one line of a memo.
#include <cctype>
#include <string>
#include <vector>

#include "class_library/components/FormResource.h"
#include "class_library/visual/Hints.h"
#include "class_library/visual/Mask.h"
#include "class_library/visual/StdCtrls.h"
#include "class_library/visual/tests/VisualTest.h"
#include "platform/gui/Controls.h"
#include "platform/gui/Dialogs.h"
#include "platform/system/tests/GeneratedLocales.h"

namespace {

using namespace vistest;
using Edits = FormTest;

TMaskEdit* MaskedEdit(TForm* Form, const String& Mask) {
  auto* edit = new TMaskEdit(Form);
  edit->SetParent(Form);
  edit->PlaceBounds(10, 10, 120, 21);
  edit->SetEditMask(Mask);
  return edit;
}

TEST_F(Edits, TypingFillsTheMaskPositionByPositionAndSkipsLiterals) {
  TMaskEdit* edit = MaskedEdit(form, "00\\-LL;1;_");
  form->Show();
  Pump();
  edit->SetFocus();
  EXPECT_EQ(edit->EditText(), "__-__");
  edit->SetSelStart(0);
  gui::test::TypeText("1x2");
  EXPECT_EQ(edit->EditText(), "12-__") << "the letter did not fit a digit position";
  EXPECT_EQ(edit->SelStart(), 3) << "the caret moved over the literal";
  gui::test::TypeText("ab9");
  EXPECT_EQ(edit->EditText(), "12-ab") << "nothing past the mask";
  EXPECT_EQ(edit->Text(), "12-ab");
  EXPECT_TRUE(edit->Modified());

  // Backspace blanks the position before the caret, over the literal.
  edit->SetSelStart(3);
  gui::test::KeyPress(gui::VK_BACK);
  EXPECT_EQ(edit->EditText(), "1_-ab");
  EXPECT_EQ(edit->SelStart(), 1);
  // Delete blanks the position at the caret and stays.
  edit->SetSelStart(4);
  gui::test::KeyPress(gui::VK_DELETE);
  EXPECT_EQ(edit->EditText(), "1_-a_");
  EXPECT_EQ(edit->SelStart(), 4);
  // A selection is blanked first; the typed character takes its first place.
  edit->SetSelStart(0);
  edit->SetSelLength(4);
  gui::test::TypeText("7");
  EXPECT_EQ(edit->EditText(), "7_-__");
}

// A GUI toolkit sets the C library's locale from the user's environment; in
// a Turkish one toupper('i') stays 'i' and tolower('I') stays 'I'. The mask's
// case and the accelerators fold ASCII letters all the same.
TEST_F(Edits, TheMaskAndAcceleratorsFoldCaseAlikeInATurkishLocale) {
  generated_locales::ProcessLocale turkish("tr_TR");
  if (!turkish.Active()) GTEST_SKIP() << turkish.Why();
  // Called through a pointer the compiler cannot see through: an optimising
  // build knows toupper as a builtin and folds its calls, and comparisons of
  // their results, as in the C locale; the C library must answer here.
  int (*volatile upper)(int) = ::toupper;
  ASSERT_EQ(upper('i'), 'i') << "the C library keeps the dotted i";
  TMaskEdit* edit = MaskedEdit(form, ">LL<ll;1;_");
  edit->SetText("iiII");
  EXPECT_EQ(edit->EditText(), "IIii");
  form->Show();
  Pump();
  edit->SetFocus();
  edit->SetText("");
  edit->SetSelStart(0);
  gui::test::TypeText("iIiI");
  EXPECT_EQ(edit->EditText(), "IIii") << "typed";
  EXPECT_TRUE(IsAccel('I', "&items"));
  EXPECT_TRUE(IsAccel('I', "F&ile"));
  EXPECT_FALSE(IsAccel('J', "&items"));
}

TEST_F(Edits, TheMaskDecidesTextCaseAndLiteralsKept) {
  TMaskEdit* edit = MaskedEdit(form, ">LL<ll;0;*");
  edit->SetText("abCD");
  EXPECT_EQ(edit->EditText(), "ABcd") << "case by the mask";
  EXPECT_EQ(edit->Text(), "ABcd");
  edit->SetEditMask("99/99;0; ");
  edit->SetText("1231");
  EXPECT_EQ(edit->EditText(), "12/31");
  EXPECT_EQ(edit->Text(), "1231") << "literals not kept";
  edit->SetSelStart(1);
  edit->SetSelLength(3);
  EXPECT_EQ(edit->SelText(), "2/3") << "selected in the text as shown";
  edit->SetEditMask("99/99;1;_");
  edit->SetText("4 /5");
  EXPECT_EQ(edit->EditText(), "4_/5_");
  EXPECT_EQ(edit->Text(), "4 /5 ") << "blanks read as spaces";
  edit->SetEditMask("");
  EXPECT_FALSE(edit->IsMasked());
  edit->SetText("free text");
  EXPECT_EQ(edit->EditText(), "free text") << "no mask: a plain edit";
}

TEST_F(Edits, LeavingWithARequiredPositionBlankKeepsTheFocusAndReports) {
  TMaskEdit* edit = MaskedEdit(form, "000;1;_");
  auto* other = new TEdit(form);
  other->SetParent(form);
  other->PlaceBounds(10, 40, 120, 21);
  form->Show();
  Pump();
  std::vector<std::string> reported;
  gui::SetMessageBoxAnswerer([&](const std::string& Text, const std::string&, gui::UINT) {
    reported.push_back(Text);
    return gui::IDOK;
  });
  edit->SetFocus();
  edit->SetSelStart(0);
  gui::test::TypeText("12");
  EXPECT_THROW(edit->ValidateEdit(), EDBEditError);
  other->SetFocus();
  Pump();
  gui::SetMessageBoxAnswerer({});
  EXPECT_TRUE(edit->Focused()) << "the focus stays to mend the text";
  ASSERT_EQ(reported.size(), 1u) << "reported once";
  EXPECT_NE(reported[0].find("Invalid input value"), std::string::npos);
  EXPECT_EQ(edit->SelStart(), 2) << "at the blank position";
  // Escape restores the text from when the edit got the focus.
  gui::test::KeyPress(gui::VK_ESCAPE);
  EXPECT_EQ(edit->EditText(), "___");
  gui::test::TypeText("123");
  other->SetFocus();
  Pump();
  EXPECT_TRUE(other->Focused());
  EXPECT_EQ(edit->Text(), "123");
}

TEST_F(Edits, AMaskedEditTakesNoPasteAndNoCharactersOfSeveralBytes) {
  TMaskEdit* edit = MaskedEdit(form, "CCC;1;_");
  form->Show();
  Pump();
  edit->SetFocus();
  edit->SetSelStart(0);
  gui::test::TypeText("\xC3\xA9\xE2\x82\xAC");  // characters of more than one byte
  EXPECT_EQ(edit->EditText(), "___");
  gui::test::TypeText("ab");
  edit->SetSelStart(0);
  edit->SetSelLength(3);
  edit->CopyToClipboard();
  edit->SetSelStart(2);
  edit->PasteFromClipboard();
  edit->CutToClipboard();
  EXPECT_EQ(edit->EditText(), "ab_") << "pasting and cutting would shift the text against the mask";
}

TEST_F(Edits, AFormResourceSetsTheMaskAndTheTextInEitherOrder) {
  for (bool maskFirst : {true, false}) {
    String mask = "    EditMask = '99/99;0;_'\n", text = "    Text = '1231'\n";
    String resource = "object Holder: TForm\n  object Date: TMaskEdit\n    Left = 8\n    Top = 8\n" +
                      (maskFirst ? mask + text : text + mask) + "  end\nend\n";
    TForm holder(nullptr);
    ReadComponentResource(&holder, resource);
    auto* date = dynamic_cast<TMaskEdit*>(holder.FindComponent("Date"));
    ASSERT_NE(date, nullptr);
    EXPECT_EQ(date->EditText(), "12/31") << (maskFirst ? "mask first" : "text first");
    EXPECT_EQ(date->Text(), "1231");
    // Shown, and its window made again: the text stays formatted.
    date->SetParent(form);
    form->Show();
    Pump();
    EXPECT_EQ(date->EditText(), "12/31");
    date->SetAlignment(taRightJustify);
    Pump();
    EXPECT_EQ(date->EditText(), "12/31") << "after the window was made again";
    EXPECT_EQ(date->Text(), "1231");
    date->SetParent(nullptr);
  }
}

TEST_F(Edits, TheHintWindowMeasuresAndDrawsInTheScreensHintFont) {
  THintWindow hint(nullptr);
  String text = "A hint for the edit";
  TRect r = hint.CalcHintRect(400, text, nullptr);
  TBitmap measure;
  measure.SetSize(10, 10);
  measure.Canvas()->SetFont(Screen()->HintFont());
  EXPECT_EQ(r.Right, measure.Canvas()->TextWidth(text) + 6);
  EXPECT_EQ(r.Bottom, measure.Canvas()->TextHeight(text) + 2);
  // Shown, its text is inside the box it was given.
  hint.ActivateHint(Bounds(300, 300, r.Width(), r.Height()), text);
  Pump();
  Picture shot(hint.Handle());
  int inkRightOfText = 0;
  // (Inside the one-pixel border.)
  for (int y = 1; y < shot.Height() - 1; ++y)
    for (int x = shot.Width() - 3; x < shot.Width() - 1; ++x) inkRightOfText += shot.At(x, y) == Rgb(clInfoText);
  EXPECT_EQ(inkRightOfText, 0) << "the text is not cut at the right edge";

  hint.ReleaseHandle();
}

TEST_F(Edits, AnEditShowsItsSelectionOnlyWhileFocusedUnlessToldToKeepIt) {
  auto* edit = new TEdit(form);
  edit->SetParent(form);
  edit->PlaceBounds(10, 10, 120, 21);
  edit->SetText("selected text");
  auto* other = new TEdit(form);
  other->SetParent(form);
  other->PlaceBounds(10, 40, 120, 21);
  form->Show();
  Pump();
  auto highlighted = [&] {
    Picture shot(form->Handle());
    int n = 0;
    for (int x = 12; x < 128; ++x) n += shot.At(x, 20) == Rgb(clHighlight);
    return n;
  };
  edit->SetFocus();
  edit->SelectAll();
  Pump();
  EXPECT_GT(highlighted(), 20) << "focused: the selection shows";
  other->SetFocus();
  Pump();
  EXPECT_EQ(highlighted(), 0) << "without the focus the selection is hidden";
  EXPECT_EQ(edit->SelLength(), 13) << "but kept";
  edit->SetHideSelection(false);
  edit->SelectAll();
  Pump();
  EXPECT_GT(highlighted(), 20) << "HideSelection off: it shows without the focus";
}

TEST_F(Edits, AWrappingMemoCountsItsLinesAsShownAndKeepsItsTextLines) {
  auto* memo = new TMemo(form);
  memo->SetParent(form);
  memo->PlaceBounds(10, 10, 120, 40);
  memo->SetScrollBars(ssVertical);
  form->Show();
  Pump();
  String longLine = "one two three four five six seven eight nine ten";
  memo->Lines()->Add(longLine);
  memo->Lines()->Add("short");
  Pump();
  gui::HWND h = memo->Handle();
  auto send = [&](gui::UINT m, gui::WPARAM w = 0, gui::LPARAM l = 0) {
    return static_cast<int>(gui::SendMessage(h, m, w, l));
  };
  EXPECT_EQ(memo->Lines()->Count(), 2) << "the text's own lines";
  EXPECT_EQ(memo->Lines()->Strings(0), longLine);
  // The shown lines of the long line follow each other without gaps.
  int wrapped = 0;
  for (int at = 0; at < static_cast<int>(longLine.size()); ++wrapped) {
    EXPECT_EQ(send(gui::EM_LINEINDEX, static_cast<gui::WPARAM>(wrapped)), at) << "line " << wrapped;
    EXPECT_EQ(send(gui::EM_LINEFROMCHAR, static_cast<gui::WPARAM>(at)), wrapped);
    int length = send(gui::EM_LINELENGTH, static_cast<gui::WPARAM>(at));
    ASSERT_GT(length, 0);
    // A wrap breaks after a space, which stays on the line it ends.
    at += length;
    if (at < static_cast<int>(longLine.size())) {
      EXPECT_EQ(longLine[static_cast<std::size_t>(at) - 1], ' ');
    }
  }
  ASSERT_GT(wrapped, 2) << "the long line wraps";
  EXPECT_EQ(send(gui::EM_GETLINECOUNT), wrapped + 2) << "then \"short\" and the empty line after the last break";
  int shortStart = static_cast<int>(longLine.size()) + 2;
  EXPECT_EQ(send(gui::EM_LINEINDEX, static_cast<gui::WPARAM>(wrapped)), shortStart);
  EXPECT_EQ(send(gui::EM_LINELENGTH, static_cast<gui::WPARAM>(shortStart)), 5);
  // The caret (the end of the selection) as a shown line and a column in it.
  memo->SetSelStart(shortStart + 2);
  EXPECT_EQ(memo->CaretPos(), (TPoint{2, wrapped}));
  int second = send(gui::EM_LINEINDEX, 1);
  memo->SetSelStart(0);
  memo->SetSelLength(second + 1);
  EXPECT_EQ(memo->CaretPos(), (TPoint{1, 1})) << "the end of the selection, not its start";
  // Scrolling counts shown lines too.
  send(gui::EM_LINESCROLL, 0, 2);
  EXPECT_EQ(send(gui::EM_GETFIRSTVISIBLELINE), 2);
  // Without wrapping, shown lines are the text's lines.
  memo->SetWordWrap(false);
  Pump();
  h = memo->Handle();
  EXPECT_EQ(send(gui::EM_GETLINECOUNT), 3) << "two lines and the empty one after the last break";
  EXPECT_EQ(send(gui::EM_LINEINDEX, 1), shortStart);
}

TEST_F(Edits, WritingOneMemoLineReplacesOnlyThatLineAndKeepsTheView) {
  auto* memo = new TMemo(form);
  memo->SetParent(form);
  memo->PlaceBounds(10, 10, 160, 80);
  memo->SetScrollBars(ssBoth);
  form->Show();
  Pump();
  TStringList source;
  for (int i = 0; i < 300; ++i) source.Add("line " + std::to_string(i));
  memo->Lines()->Assign(&source);
  memo->ClearUndo();
  gui::HWND h = memo->Handle();
  auto send = [&](gui::UINT m, gui::WPARAM w = 0, gui::LPARAM l = 0) {
    return static_cast<int>(gui::SendMessage(h, m, w, l));
  };
  send(gui::EM_LINESCROLL, 0, 150);
  Pump();
  ASSERT_EQ(send(gui::EM_GETFIRSTVISIBLELINE), 150);
  int changes = 0;
  memo->OnChange = [&](TObject*) { ++changes; };

  memo->Lines()->SetStrings(152, "written");
  Pump();
  EXPECT_EQ(changes, 1);
  EXPECT_EQ(send(gui::EM_GETFIRSTVISIBLELINE), 150) << "the view stays where it was";
  EXPECT_EQ(memo->CaretPos(), (TPoint{7, 152})) << "the caret ends right after the new text";
  EXPECT_EQ(memo->SelLength(), 0);
  source.SetStrings(152, "written");
  EXPECT_EQ(memo->Lines()->Text(), source.Text()) << "every other line as it was";
  EXPECT_EQ(memo->Lines()->Count(), 300);
  // The write is one step the user can take back.
  ASSERT_TRUE(memo->CanUndo());
  memo->Undo();
  EXPECT_EQ(memo->Lines()->Strings(152), "line 152");

  // While words wrap, the index counts the text's lines, not the shown ones;
  // a line written with a break in it becomes two.
  memo->SetScrollBars(ssVertical);
  memo->SetWordWrap(true);
  Pump();
  memo->SetText("one two three four five six seven eight nine ten eleven\r\nshort\r\nend");
  memo->Lines()->SetStrings(1, "x\r\ny");
  EXPECT_EQ(memo->Text(), "one two three four five six seven eight nine ten eleven\r\nx\r\ny\r\nend");

  // A memo without a window keeps its lines as text.
  auto* loose = new TMemo(form);
  loose->SetText("a\r\nb\r\nc");
  int looseChanges = 0;
  loose->OnChange = [&](TObject*) { ++looseChanges; };
  loose->Lines()->SetStrings(1, "written");
  EXPECT_FALSE(loose->HandleAllocated());
  EXPECT_EQ(loose->Text(), "a\r\nwritten\r\nc");
  EXPECT_EQ(looseChanges, 1);
  EXPECT_THROW(loose->Lines()->SetStrings(3, "past the end"), EStringListError);
}

}  // namespace
