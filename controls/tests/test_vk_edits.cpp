// The framed edit and memo: state colours, the frame in the window's border,
// Enter as Tab, the caret's line and column on long texts, the wheel, and
// form resources with old property names.
#include <memory>

#include "class_library/components/FormResource.h"
#include "class_library/core/SysUtils.h"
#include "class_library/visual/tests/VisualTest.h"
#include "controls/VkEdit.h"
#include "controls/VkLstBox.h"
#include "controls/tests/VkControlTest.h"
#include "platform/gui/Controls.h"
#include "platform/gui/Screen.h"

namespace {

using namespace vistest;
using VkEdits = FormTest;

TEST_F(VkEdits, BackgroundFollowsDisabledFocusedAndReadOnly) {
  auto* edit = new TVkEdit(form);
  edit->SetParent(form);
  edit->PlaceBounds(10, 10, 120, 21);
  auto* other = new TVkEdit(form);
  other->SetParent(form);
  other->PlaceBounds(10, 40, 120, 21);
  edit->SetColor(clYellow);
  EXPECT_EQ(edit->FocusColor(), clYellow) << "a focus colour never set follows Color";
  form->Show();
  Pump();
  edit->SetFocus();
  Pump();
  EXPECT_EQ(edit->Color(), clYellow);
  edit->SetFocusColor(clAqua);
  EXPECT_EQ(edit->Color(), clAqua) << "set while focused: shown at once";
  other->SetFocus();
  Pump();
  EXPECT_EQ(edit->Color(), clYellow);
  edit->SetColor(clLime);
  EXPECT_EQ(edit->FocusColor(), clAqua) << "a focus colour that was set stays";
  edit->SetReadOnly(true);
  EXPECT_EQ(edit->Color(), clInfoBk);
  edit->SetFocus();
  Pump();
  EXPECT_EQ(edit->Color(), clAqua) << "focused read-only shows FocusColor";
  edit->SetReadOnlyColorOnFocus(true);
  EXPECT_EQ(edit->Color(), clInfoBk);
  edit->SetEnabled(false);
  EXPECT_EQ(edit->Color(), clBtnFace);
  edit->SetEnabled(true);
  edit->SetReadOnly(false);
  other->SetFocus();
  Pump();
  EXPECT_EQ(edit->Color(), clLime);
}

TEST_F(VkEdits, FramePaintedInTheBorderNormalAndHot) {
  form->SetColor(clWhite);
  auto* edit = new TVkEdit(form);
  edit->SetParent(form);
  edit->PlaceBounds(10, 10, 120, 21);
  edit->SetFramingPreference(fpCustomFraming);
  edit->SetFrameColor(clRed);
  edit->SetFrameHotColor(clBlue);
  auto* plain = new TVkEdit(form);
  plain->SetParent(form);
  plain->PlaceBounds(10, 40, 120, 21);
  form->Show();
  Pump();
  Picture before(form->Handle());
  EXPECT_NE(before.At(10, 10), Rgb(clRed)) << "FrameVisible off: the standard border";
  edit->SetFrameVisible(true);
  Pump();
  Picture p(form->Handle());
  EXPECT_EQ(p.At(10, 10), Rgb(clRed)) << "flat frame in FrameColor";
  EXPECT_EQ(p.At(11, 11), Rgb(clWindow)) << "the second ring in the control's colour";
  edit->SetFrameHotTrack(true);
  edit->SetFocus();
  Pump();
  Picture hot(form->Handle());
  EXPECT_EQ(hot.At(10, 10), Rgb(clBlue)) << "focused: the hot frame";
  EXPECT_EQ(hot.At(11, 11), Rgb(clBlue)) << "fsFlatBold: two rings";
  SaveShot(form, "vk_edit_frames");
  plain->SetFocus();
  Pump();
  EXPECT_EQ(Picture(form->Handle()).At(10, 10), Rgb(clRed));
}

TEST_F(VkEdits, EnterMovesOnWithTabOnEnterAndTheTextHintIsSet) {
  auto* a = new TVkEdit(form);
  a->SetParent(form);
  a->PlaceBounds(10, 10, 120, 21);
  auto* b = new TVkEdit(form);
  b->SetParent(form);
  b->PlaceBounds(10, 40, 120, 21);
  a->SetTabOnEnter(true);
  a->SetTextHint("Type here");
  form->Show();
  Pump();
  char buffer[64] = {};
  gui::SendMessage(a->Handle(), gui::EM_GETCUEBANNER, reinterpret_cast<WPARAM>(buffer), sizeof buffer);
  EXPECT_STREQ(buffer, "Type here");
  a->SetFocus();
  gui::test::TypeText("x");
  gui::test::KeyPress(gui::VK_RETURN, 0, "\r");
  Pump();
  EXPECT_TRUE(b->Focused()) << "Enter moved the focus on";
  EXPECT_EQ(a->Text(), "x") << "and typed nothing";
}

TEST_F(VkEdits, DropButtonOfADerivedEditDropsDownAndHidesWhenReadOnly) {
  auto* edit = new TVkEdit(form);
  edit->SetParent(form);
  edit->PlaceBounds(10, 10, 120, 21);
  edit->SetDropButtonVisible(true);
  std::vector<char> events;
  edit->OnDropDown = [&](TObject*) { events.push_back('d'); };
  edit->OnCloseUp = [&](TObject*) { events.push_back('c'); };
  form->Show();
  Pump();
  TRect button = edit->DropButtonRect();
  EXPECT_EQ(button.Width(), gui::GetSystemMetrics(gui::SM_CXVSCROLL));
  EXPECT_LT(edit->ClientWidth(), 120 - button.Width()) << "the strip is taken from the client area";
  Picture p(form->Handle());
  EXPECT_EQ(p.At(10 + button.Left + 1, 10 + button.Top + 1), Rgb(clBtnHighlight)) << "a raised button";
  gui::test::Click(TPoint{form->Left() + 10 + button.Left + 4, form->Top() + 10 + button.Top + 4});
  Pump();
  EXPECT_EQ(events, (std::vector<char>{'d', 'c'}));
  EXPECT_TRUE(edit->Focused());
  gui::test::KeyPress(gui::VK_F4);
  Pump();
  EXPECT_EQ(events.size(), 4u) << "F4 drops down too";
  SaveShot(form, "vk_edit_dropbutton");
  edit->SetReadOnly(true);
  EXPECT_FALSE(edit->ShowDropButton());
  edit->SetReadOnly(false);
  EXPECT_TRUE(edit->ShowDropButton());
}

TEST_F(VkEdits, MemoLineAndColumnOnTextsPastSixtyFourKilobytes) {
  auto* memo = new TVkMemo(form);
  memo->SetParent(form);
  memo->PlaceBounds(10, 10, 180, 120);
  memo->SetWordWrap(false);
  form->Show();
  Pump();
  EXPECT_EQ(memo->Line(), 1) << "empty memo";
  EXPECT_EQ(memo->Column(), 1);
  String text;
  for (int i = 0; i < 3000; ++i) text += "line " + IntToStr(i) + " of the long text\r\n";
  text += "abc";
  ASSERT_GT(text.size(), 70000u);
  memo->SetText(text);
  int changes = 0, lastLine = 0, lastColumn = 0;
  memo->OnLineColChange = [&](TObject*, int line, int column) {
    ++changes;
    lastLine = line;
    lastColumn = column;
  };
  memo->SetLine(3001);
  EXPECT_EQ(memo->Line(), 3001) << "beyond 65,535 characters";
  EXPECT_EQ(changes, 1);
  EXPECT_EQ(lastLine, 3001);
  memo->SetColumn(4);
  EXPECT_EQ(memo->Column(), 4) << "at the end of \"abc\"";
  memo->SetColumn(5);
  EXPECT_EQ(memo->Column(), 4) << "past the end plus one: ignored";
  memo->SetColumn(0);
  memo->SetLine(0);
  memo->SetLine(-3);
  EXPECT_EQ(memo->Line(), 3001) << "values below 1 are ignored";
  EXPECT_EQ(memo->Column(), 4);
  memo->SetLine(2000);
  EXPECT_EQ(memo->Line(), 2000);
  EXPECT_EQ(gui::SendMessage(memo->Handle(), gui::EM_GETFIRSTVISIBLELINE), 1999) << "the line is the first visible";
  memo->SetColumn(3);
  EXPECT_EQ(memo->CaretPos().X, 2);
  EXPECT_EQ(memo->CaretPos().Y, 1999);
}

TEST_F(VkEdits, FineWheelStepsAddUpToLines) {
  auto* memo = new TVkMemo(form);
  memo->SetParent(form);
  memo->PlaceBounds(10, 10, 180, 60);
  String text;
  for (int i = 0; i < 200; ++i) text += "row " + IntToStr(i) + "\r\n";
  form->Show();
  Pump();
  memo->SetText(text);
  memo->SetLine(100);
  gui::HWND h = memo->Handle();
  auto first = [&] { return gui::SendMessage(h, gui::EM_GETFIRSTVISIBLELINE); };
  LRESULT start = first();
  memo->WheelScroll(40);
  memo->WheelScroll(40);
  EXPECT_EQ(first(), start) << "two thirds of a notch: not yet";
  memo->WheelScroll(40);
  EXPECT_LT(first(), start) << "a whole notch from three parts scrolls up";
  LRESULT after = first();
  memo->WheelScroll(-120);
  EXPECT_GT(first(), after);
  int custom = 0;
  memo->OnMouseWheel = [&](TObject*, TShiftState, int, TPoint, bool& handled) {
    ++custom;
    handled = true;
  };
  memo->Perform(gui::WM_MOUSEWHEEL, gui::MAKEWPARAM(0, 120), 0);
  EXPECT_EQ(custom, 1);
}

TEST_F(VkEdits, FormResourceWithOldPropertyNamesLoads) {
  const String text =
      "object F: TForm\n"
      "  object E: TVkEdit\n"
      "    FrameFlat = True\n"
      "    FrameFlatStyle = fsFlat\n"
      "    FrameFocusStyle = fsButtonUp\n"
      "    Text = 'Labels'\n"
      "  end\n"
      "  object M: TVkMemo\n"
      "    FrameFocusStyle = fsNoSuchStyle\n"
      "    ReadOnly = True\n"
      "    TabOnEnter = True\n"
      "  end\n"
      "  object L: TVkListBox\n"
      "    FrameFlat = False\n"
      "    Sorted = True\n"
      "  end\n"
      "end\n";
  TForm* loaded = new TForm(nullptr);
  ReadComponentResource(loaded, text);
  auto* e = dynamic_cast<TVkEdit*>(loaded->FindComponent("E"));
  ASSERT_NE(e, nullptr);
  EXPECT_TRUE(e->FrameHotTrack());
  EXPECT_EQ(e->FrameStyle(), fsStatus);
  EXPECT_EQ(e->FrameHotStyle(), fsButtonUp);
  EXPECT_EQ(e->Text(), "Labels");
  auto* m = dynamic_cast<TVkMemo*>(loaded->FindComponent("M"));
  ASSERT_NE(m, nullptr);
  EXPECT_EQ(m->FrameHotStyle(), fsFlatBold) << "an unknown style name is dropped";
  EXPECT_TRUE(m->ReadOnly());
  EXPECT_EQ(m->Color(), clInfoBk);
  auto* l = dynamic_cast<TVkListBox*>(loaded->FindComponent("L"));
  ASSERT_NE(l, nullptr);
  EXPECT_FALSE(l->FrameHotTrack());
  delete loaded;
}

TEST_F(VkEdits, ControlsLoadedDisabledTakeNoClickKeyOrMenu) {
  const String text =
      "object F: TForm\n"
      "  Left = 100\n"
      "  Top = 100\n"
      "  Width = 400\n"
      "  Height = 300\n"
      "  object Other: TVkEdit\n"
      "    Left = 200\n"
      "    Top = 8\n"
      "    Width = 120\n"
      "    Height = 21\n"
      "  end\n"
      "  object E: TVkEdit\n"
      "    Left = 8\n"
      "    Top = 8\n"
      "    Width = 120\n"
      "    Height = 21\n"
      "    Enabled = False\n"
      "    Text = 'Labels'\n"
      "  end\n"
      "  object M: TVkMemo\n"
      "    Left = 8\n"
      "    Top = 40\n"
      "    Width = 120\n"
      "    Height = 60\n"
      "    Enabled = False\n"
      "    Lines.Strings = (\n"
      "      'Labels')\n"
      "  end\n"
      "  object L: TVkListBox\n"
      "    Left = 8\n"
      "    Top = 110\n"
      "    Width = 120\n"
      "    Height = 60\n"
      "    Enabled = False\n"
      "    Items.Strings = (\n"
      "      'Label1'\n"
      "      'Label2')\n"
      "  end\n"
      "end\n";
  auto loaded = std::make_unique<TForm>(nullptr);
  ReadComponentResource(loaded.get(), text);
  auto* other = dynamic_cast<TVkEdit*>(loaded->FindComponent("Other"));
  auto* e = dynamic_cast<TVkEdit*>(loaded->FindComponent("E"));
  auto* m = dynamic_cast<TVkMemo*>(loaded->FindComponent("M"));
  auto* l = dynamic_cast<TVkListBox*>(loaded->FindComponent("L"));
  ASSERT_TRUE(other && e && m && l);
  loaded->Show();
  Pump();
  other->SetFocus();
  Pump();
  for (TWinControl* c : std::initializer_list<TWinControl*>{e, m, l}) {
    SCOPED_TRACE(c->Name());
    TPoint p = c->ClientToScreen(TPoint{20, 8});
    gui::test::Click(p);
    Pump();
    EXPECT_FALSE(c->Focused());
    EXPECT_TRUE(other->Focused());
    EXPECT_FALSE(gui::test::ToolkitMenuOpensAt(p)) << "no cut, copy and paste";
  }
  gui::test::TypeText("x");
  Pump();
  EXPECT_EQ(e->Text(), "Labels");
  EXPECT_EQ(m->Lines()->Strings(0), "Labels");
  EXPECT_EQ(other->Text(), "x") << "the keys go where the focus stayed";
  EXPECT_EQ(l->ItemIndex(), -1);
}

}  // namespace
