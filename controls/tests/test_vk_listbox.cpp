// The framed list box: incremental search typed through real input with the
// reset timer fired by hand, the selected item, group headers and their
// drawing.
#include "class_library/visual/tests/VisualTest.h"
#include "controls/VkLstBox.h"
#include "controls/tests/VkControlTest.h"

namespace {

using namespace vistest;
using VkListBoxes = FormTest;

TVkListBox* MakeList(TForm* Form, std::initializer_list<const char*> Items) {
  auto* box = new TVkListBox(Form);
  box->SetParent(Form);
  box->PlaceBounds(10, 10, 150, 120);
  box->SetSorted(true);
  box->SetBeepOnInvalidKey(false);
  for (const char* item : Items) box->Items()->Add(item);
  return box;
}

TEST_F(VkListBoxes, TypedLettersSearchAndThePrefixIsForgottenWhenTheTimerFires) {
  auto* box = MakeList(form, {"<Phone>", "<Address>", "<Item Name>", "<Item Mod[n]>", "<Map Code>", "Pear"});
  int matches = 0, keys = 0;
  box->OnMatch = [&](TObject*) { ++matches; };
  box->OnKeyPress = [&](TObject*, char&) { ++keys; };
  form->Show();
  Pump();
  box->SetFocus();
  gui::test::TypeText("<i");
  Pump();
  EXPECT_EQ(box->SelectedItem(), "<Item Mod[n]>");
  EXPECT_EQ(box->SearchText(), "<i");
  gui::test::TypeText("tem n");
  Pump();
  EXPECT_EQ(box->SelectedItem(), "<Item Name>");
  EXPECT_EQ(matches, 7);
  EXPECT_EQ(keys, 7);
  gui::test::TypeText("z");
  Pump();
  EXPECT_EQ(box->SearchText(), "<item n") << "a miss keeps the prefix";
  EXPECT_EQ(box->SelectedItem(), "<Item Name>") << "and the selection";
  EXPECT_TRUE(box->SearchTimer()->Enabled());
  EXPECT_EQ(box->SearchTimer()->Interval(), 1500u);
  box->SearchTimer()->Timer();  // 1.5 s later
  EXPECT_EQ(box->SearchText(), "");
  EXPECT_FALSE(box->SearchTimer()->Enabled());
  gui::test::TypeText("p");
  Pump();
  EXPECT_EQ(box->SelectedItem(), "Pear") << "a new search of its own";
  gui::test::KeyPress(gui::VK_ESCAPE, 0, "\x1b");
  Pump();
  EXPECT_EQ(box->ItemIndex(), -1) << "Escape clears the selection";
  EXPECT_EQ(box->SearchText(), "");
}

TEST_F(VkListBoxes, BackspaceTakesBackAndSearchesForNothingOnEmptyTextOrMissesInAnEmptyList) {
  auto* box = MakeList(form, {"alpha", "beta", "bravo"});
  int clicks = 0, matches = 0;
  std::vector<char> keys;
  box->OnClick = [&](TObject*) { ++clicks; };
  box->OnMatch = [&](TObject*) { ++matches; };
  box->OnKeyPress = [&](TObject*, char& Key) { keys.push_back(Key); };
  form->Show();
  Pump();
  box->SetFocus();
  gui::test::TypeText("br");
  Pump();
  EXPECT_EQ(box->SelectedItem(), "bravo");
  gui::test::KeyPress(gui::VK_BACK, 0, "\b");
  Pump();
  EXPECT_EQ(box->SelectedItem(), "beta");
  int before = clicks;
  gui::test::KeyPress(gui::VK_BACK, 0, "\b");
  Pump();
  EXPECT_EQ(box->ItemIndex(), 0) << "back to nothing typed: the first item";
  EXPECT_EQ(clicks, before + 1);
  box->SetItemIndex(2);
  int matchesBefore = matches;
  keys.clear();
  gui::test::KeyPress(gui::VK_BACK, 0, "\b");
  Pump();
  EXPECT_EQ(box->ItemIndex(), 0) << "nothing to take back: the empty text finds the first item";
  EXPECT_EQ(box->SearchText(), "");
  EXPECT_EQ(matches, matchesBefore + 1) << "a match";
  EXPECT_EQ(keys, std::vector<char>{'\b'}) << "and the key pressed";

  auto* empty = MakeList(form, {});
  empty->SetTop(140);
  empty->SetFocus();
  gui::test::TypeText("a");
  gui::test::KeyPress(gui::VK_BACK, 0, "\b");
  gui::test::KeyPress(gui::VK_BACK, 0, "\b");
  Pump();
  EXPECT_EQ(empty->ItemIndex(), -1);
  EXPECT_EQ(empty->SelectedItem(), "");
}

TEST_F(VkListBoxes, SelectedItemInAMultiSelectListIsASelectedOne) {
  auto* box = MakeList(form, {"one", "three", "two"});
  EXPECT_EQ(box->SelectedItem(), "");
  box->SetItemIndex(1);
  EXPECT_EQ(box->SelectedItem(), "three");
  box->SetMultiSelect(true);
  form->Show();
  Pump();
  box->SetSelected(0, false);
  box->SetSelected(1, false);
  box->SetSelected(2, true);
  box->SetSelected(0, true);
  box->SetSelected(0, false);  // the caret stays on an item no longer selected
  EXPECT_EQ(box->SelCount(), 1);
  EXPECT_EQ(box->SelectedItem(), "two");
  box->SetSelected(2, false);
  EXPECT_EQ(box->SelectedItem(), "");
  box->SelectAll();
  EXPECT_EQ(box->SelCount(), 3);
}

TEST_F(VkListBoxes, GroupHeadersAreFoundAndDrawnWithoutTheirPrefix) {
  auto* box = MakeList(form, {});
  box->SetSorted(false);
  for (const char* item : {"//Fruit", "apple", "pear", "//Tools", "saw"}) box->Items()->Add(item);
  EXPECT_TRUE(box->IsGroupItem(0));
  EXPECT_FALSE(box->IsGroupItem(1));
  EXPECT_FALSE(box->IsGroupItem(9));
  EXPECT_EQ(box->GroupHeaderOf(2), 0);
  EXPECT_EQ(box->GroupHeaderOf(4), 3);
  EXPECT_EQ(box->GroupNumber(3), 1);
  EXPECT_EQ(box->GroupNumber(2), -1);
  EXPECT_TRUE(box->ItemInGroup(1));
  box->SetOwnerDrawIndent(12);
  box->SetGroupColor(clYellow);
  box->SetUseGradients(false);
  box->SetShowGroups(true);
  EXPECT_EQ(box->Style(), lbOwnerDrawFixed);
  form->SetColor(clWhite);
  form->Show();
  Pump();
  Picture p(form->Handle());
  TRect header = box->ItemRect(0);
  TPoint origin = box->ClientToScreen(TPoint{0, 0});
  TPoint formOrigin = form->ClientToScreen(TPoint{0, 0});
  int ox = origin.X - formOrigin.X, oy = origin.Y - formOrigin.Y;
  EXPECT_EQ(p.At(ox + 1, oy + header.Top + 1), Rgb(clYellow)) << "header filled in GroupColor";
  TRect item = box->ItemRect(1);
  EXPECT_TRUE(AnyPixel(p, TRect(ox + 2, oy + header.Top, ox + 12, oy + header.Bottom), Rgb(clHighlight)))
      << "header text starts without indent";
  EXPECT_FALSE(AnyPixel(p, TRect(ox + 1, oy + item.Top, ox + 12, oy + item.Bottom), 0)) << "items are indented";
  SaveShot(form, "vk_listbox_groups");
}

TEST_F(VkListBoxes, HoveringAnItemWiderThanTheBoxShowsItsWholeText) {
  auto* box = MakeList(form, {"short", "a long item\twith a tab that the box cannot show whole"});
  form->Show();
  Pump();
  TRect shortItem = box->ItemRect(1), longItem = box->ItemRect(0);
  gui::test::MouseMove(box->ClientToScreen(TPoint{20, shortItem.Top + 3}));
  Pump();
  THintWindow* hint = box->ItemHintWindow();
  bool shownForShort = hint && hint->HandleAllocated() && gui::IsWindowVisible(hint->Handle());
  EXPECT_FALSE(shownForShort) << "an item that fits shows no hint";
  gui::test::MouseMove(box->ClientToScreen(TPoint{20, longItem.Top + 3}));
  Pump();
  hint = box->ItemHintWindow();
  ASSERT_NE(hint, nullptr);
  ASSERT_TRUE(hint->HandleAllocated());
  EXPECT_TRUE(gui::IsWindowVisible(hint->Handle()));
  EXPECT_NE(hint->Caption().find("item        with"), String::npos) << "the tab is eight spaces";
  EXPECT_GT(hint->Width(), box->Width());
  gui::test::MouseLeaveAll();
  Pump();
  EXPECT_FALSE(gui::IsWindowVisible(hint->Handle())) << "leaving the box hides it";
}

TEST_F(VkListBoxes, WideItemsGetAHorizontalExtent) {
  auto* box = MakeList(form, {"short"});
  box->SetHorzScrollBar(true);
  form->Show();
  Pump();
  box->Items()->Add("a much much longer item than the box is wide, by far");
  EXPECT_GT(box->HorzExtent(), 150);
  box->Items()->Clear();
  EXPECT_EQ(box->HorzExtent(), 0);
}

}  // namespace
