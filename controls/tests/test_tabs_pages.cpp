// The page control: pages added, hidden, removed and moved while one is
// active, the change events and their order with and without a refusal, the
// focus leaving the old page, closing pages.
#include "class_library/components/FormResource.h"
#include "class_library/visual/StdCtrls.h"
#include "controls/tests/TabTest.h"

namespace {

class PageTest : public vistest::FormTest {
protected:
  void SetUp() override {
    vistest::FormTest::SetUp();
    form->PlaceBounds(100, 100, 420, 320);
    pages = new TVkPageControl(form);
    pages->SetParent(form);
    pages->SetAlign(alClient);
    for (const char* caption : {"Log Info", "Label Editor", "Setup"}) {
      auto* page = new TVkTabSheet(form);
      page->SetCaption(caption);
      page->SetPageControl(pages);
      sheets.push_back(page);
    }
  }
  std::vector<TVkTabSheet*> VisiblePages() {
    std::vector<TVkTabSheet*> out;
    for (int i = 0; i < pages->PageCount(); ++i)
      if (pages->Pages(i)->Visible()) out.push_back(pages->Pages(i));
    return out;
  }
  void ShowAndPump() {
    form->Show();
    vistest::Pump();
  }
  TVkPageControl* pages = nullptr;
  std::vector<TVkTabSheet*> sheets;
};

TEST_F(PageTest, ChangeFiresAfterTheNewPageIsActive) {
  std::vector<std::string> seen;
  pages->OnChanging = [&](TObject*, int NewIndex, bool&) {
    seen.push_back("changing " + std::to_string(NewIndex) + " active " +
                   (pages->ActivePage() ? pages->ActivePage()->Caption() : "none"));
  };
  pages->OnChange = [&](TObject*) { seen.push_back("change active " + pages->ActivePage()->Caption()); };
  pages->OnPageChange = [&](TObject*) { seen.push_back("page"); };
  pages->SetActivePageIndex(1);
  pages->SetActivePageIndex(0);
  EXPECT_EQ(seen, (std::vector<std::string>{"changing 1 active none", "change active Label Editor", "page",
                                            "changing 0 active Label Editor", "change active Log Info", "page"}));
  EXPECT_EQ(pages->ActivePageIndex(), 0);
  EXPECT_EQ(pages->TabIndex(), 0);
  EXPECT_EQ(VisiblePages(), std::vector<TVkTabSheet*>{sheets[0]});
}

TEST_F(PageTest, RefusedChangeKeepsTheOldPageAlone) {
  pages->SetActivePageIndex(0);
  int changes = 0;
  pages->OnChanging = [](TObject*, int, bool& Allow) { Allow = false; };
  pages->OnChange = [&](TObject*) { ++changes; };
  pages->SetActivePage(sheets[2]);
  EXPECT_EQ(pages->ActivePage(), sheets[0]);
  EXPECT_EQ(pages->TabIndex(), 0);
  EXPECT_EQ(changes, 0);
  // Only the old page shows: the refused one was not left visible.
  EXPECT_EQ(VisiblePages(), std::vector<TVkTabSheet*>{sheets[0]});
}

TEST_F(PageTest, HiddenTabsRenumberTheSelection) {
  pages->SetActivePageIndex(2);
  EXPECT_EQ(pages->TabIndex(), 2);
  int changings = 0;
  pages->OnChanging = [&](TObject*, int, bool& Allow) {
    ++changings;
    Allow = false;  // renumbering is no change of page: not asked
  };
  sheets[0]->SetTabVisible(false);
  EXPECT_EQ(pages->TabIndex(), 1);
  EXPECT_EQ(pages->ActivePage(), sheets[2]);
  EXPECT_EQ(sheets[2]->VisibleTabIndex(), 1);
  EXPECT_EQ(sheets[0]->VisibleTabIndex(), -1);
  EXPECT_EQ(changings, 0);
  // The active page's own tab hidden: the page stays, no tab is selected.
  sheets[2]->SetTabVisible(false);
  EXPECT_EQ(pages->TabIndex(), -1);
  EXPECT_EQ(pages->ActivePage(), sheets[2]);
  EXPECT_EQ(pages->TabData()->Count(), 1);
  // A page whose tab is hidden can still be made active.
  pages->OnChanging = nullptr;
  int pageChanges = 0;
  pages->OnPageChange = [&](TObject*) { ++pageChanges; };
  pages->SetActivePage(sheets[0]);
  EXPECT_EQ(pages->ActivePage(), sheets[0]);
  EXPECT_EQ(pages->TabIndex(), -1);
  EXPECT_EQ(pageChanges, 1);
}

// Dragging the active tab onto a tab names a tab index; with a hidden page
// before it, that is not the page index.
TEST_F(PageTest, MoveActivePageTakesATabIndex) {
  auto* extra = new TVkTabSheet(form);
  extra->SetCaption("Extra");
  extra->SetPageControl(pages);
  sheets[0]->SetTabVisible(false);  // tabs: Label Editor, Setup, Extra
  pages->SetActivePage(extra);
  std::pair<int, int> order{-1, -1};
  pages->OnTabOrderChange = [&](TObject*, int Old, int New) { order = {Old, New}; };
  pages->SetAllowTabDragging(true);
  ShowAndPump();
  TRect target = pages->TabClientRect(0);  // the tab of Label Editor
  bool accept = false;
  pages->HandleDragOver(pages, target.Left + 25, target.Top + 8, dsDragMove, accept);
  ASSERT_TRUE(accept);
  pages->HandleDragDrop(pages, target.Left + 25, target.Top + 8);
  EXPECT_EQ(extra->PageIndex(), 1);  // where Label Editor was, not page 0
  EXPECT_EQ(order, std::make_pair(3, 1));
  EXPECT_EQ(pages->ActivePage(), extra);
  EXPECT_EQ(pages->TabIndex(), 0);
}

TEST_F(PageTest, PageIndexMovesAndChecksItsRange) {
  sheets[2]->SetPageIndex(0);
  EXPECT_EQ(pages->Pages(0), sheets[2]);
  EXPECT_EQ(pages->TabData()->Items(0)->Caption, "Setup");
  try {
    sheets[0]->SetPageIndex(3);
    FAIL();
  } catch (const EVkTabControlError& e) {
    EXPECT_STREQ(e.what(), "3 is an invalid PageIndex value. PageIndex must be between 0 and 2");
  }
  EXPECT_THROW(sheets[0]->SetVisible(true), EVkTabControlError);
}

TEST_F(PageTest, RemovingAndClosingPages) {
  pages->SetActivePageIndex(1);
  delete sheets[1];  // the active page goes
  EXPECT_EQ(pages->PageCount(), 2);
  EXPECT_EQ(pages->ActivePage(), nullptr);
  EXPECT_EQ(pages->TabIndex(), -1);
  pages->SetActivePageIndex(1);
  EXPECT_EQ(pages->ActivePage(), sheets[2]);
  // Closing the active page selects the tab before it.
  pages->OnClose = [](TObject*, bool& Allow) { Allow = true; };
  pages->SetShowCloseButton(true);
  pages->CloseRequest();
  EXPECT_EQ(pages->PageCount(), 1);
  EXPECT_EQ(pages->ActivePage(), sheets[0]);
  EXPECT_EQ(pages->TabIndex(), 0);
  pages->CloseRequest();  // the first one: the first tab again, none left
  EXPECT_EQ(pages->PageCount(), 0);
  EXPECT_EQ(pages->TabIndex(), -1);
  ShowAndPump();
}

TEST_F(PageTest, IndexOutOfRangeClearsTheSelection) {
  pages->SetActivePageIndex(0);
  pages->SetActivePageIndex(3);
  EXPECT_EQ(pages->TabIndex(), -1);
  pages->SetActivePageIndex(-1);
  EXPECT_EQ(pages->TabIndex(), -1);
}

TEST_F(PageTest, ColoursOfPagesAndTabs) {
  EXPECT_FALSE(pages->UseColoredTabs());
  sheets[1]->SetColor(clYellow);
  EXPECT_TRUE(pages->UseColoredTabs());
  EXPECT_EQ(pages->TabData()->Items(1)->Color, clYellow);
  pages->SetUseColoredTabs(false);
  EXPECT_EQ(sheets[1]->Color(), pages->Color());
}

TEST_F(PageTest, CtrlTabCyclesPagesWithVisibleTabs) {
  sheets[1]->SetTabVisible(false);
  pages->SetActivePageIndex(0);
  pages->SelectNextPage(true);
  EXPECT_EQ(pages->ActivePage(), sheets[2]);
  pages->SelectNextPage(true);
  EXPECT_EQ(pages->ActivePage(), sheets[0]);
  pages->SelectNextPage(false);
  EXPECT_EQ(pages->ActivePage(), sheets[2]);
  EXPECT_EQ(pages->FindNextPage(nullptr, true, true), sheets[0]);
  EXPECT_EQ(pages->FindNextPage(nullptr, false, false), sheets[2]);
}

TEST_F(PageTest, FocusLeavesTheOldPage) {
  auto* edit = new TEdit(form);
  edit->SetParent(sheets[0]);
  auto* other = new TEdit(form);
  other->SetParent(sheets[1]);
  pages->SetActivePageIndex(0);
  ShowAndPump();
  form->SetActiveControl(edit);
  pages->SetActivePageIndex(1);
  EXPECT_FALSE(edit->Visible() && sheets[0]->Visible());
  EXPECT_NE(form->ActiveControl(), edit);
  EXPECT_TRUE(form->ActiveControl() == sheets[1] || form->ActiveControl() == other);
  // The active page freed while its control has the focus.
  form->SetActiveControl(other);
  delete sheets[1];
  EXPECT_NE(form->ActiveControl(), other);
  ShowAndPump();
}

TEST_F(PageTest, PaintsTheActivePageAndItsTab) {
  pages->SetActivePageIndex(2);
  sheets[2]->SetColor(clWhite);
  pages->SetUseColoredTabs(false);
  ShowAndPump();
  EXPECT_TRUE(sheets[2]->Showing());
  EXPECT_FALSE(sheets[0]->Showing());
  // The page fills the card's inside.
  TRect display = pages->DisplayRect();
  EXPECT_EQ(sheets[2]->BoundsRect(), display);
}

TEST_F(PageTest, DestroyingThePageControlFirst) {
  pages->SetActivePageIndex(0);
  ShowAndPump();
  delete pages;  // its pages go with it, and tell nobody
  pages = nullptr;
  vistest::Pump();
}

}  // namespace

namespace {

// The desktop program's form stores its page control like this: the pages
// attach themselves while reading, the events stay silent, and the stored
// page is active afterwards.
TEST(PageResource, StreamedPagesAndActivePage) {
  TForm form(nullptr);
  int changes = 0;
  String activeAtChange;
  form.RegisterMethod("pageMainChange", TNotifyEvent([&](TObject* Sender) {
                        ++changes;
                        activeAtChange = static_cast<TVkPageControl*>(Sender)->ActivePage()->Caption();
                      }));
  ReadComponentResource(&form, R"(object Form1: TForm
  Left = 0
  Top = 0
  Width = 420
  Height = 320
  object pageMain: TVkPageControl
    Left = 0
    Top = 0
    Width = 400
    Height = 300
    ActivePage = tabLabelEditor
    Align = alClient
    Color = 16119543
    FlatColor = 10263441
    HotTrackColor = 3983359
    ParentColor = False
    TabColors.HighlightBar = 3983359
    TabIndex = 1
    TabOrder = 0
    OnChange = pageMainChange
    FixedDimension = 19
    object tabLogInfo: TVkTabSheet
      Caption = 'Log Info'
      Color = 16119543
    end
    object tabLabelEditor: TVkTabSheet
      Caption = 'Label Editor'
      Color = 16119543
    end
    object tabSetup: TVkTabSheet
      Caption = 'Setup'
      Color = 16119543
    end
  end
end
)");
  auto* pages = dynamic_cast<TVkPageControl*>(form.FindComponent("pageMain"));
  ASSERT_NE(pages, nullptr);
  ASSERT_EQ(pages->PageCount(), 3);
  EXPECT_EQ(pages->ActivePage()->Caption(), "Label Editor");
  EXPECT_EQ(pages->TabIndex(), 1);
  EXPECT_EQ(pages->TabColors()->HighlightBar(), 3983359);
  EXPECT_FALSE(pages->UseColoredTabs());
  EXPECT_EQ(changes, 0);
  EXPECT_EQ(pages->FixedDimension(), 19);  // as stored, until the first layout
  pages->SetActivePageIndex(0);
  EXPECT_EQ(changes, 1);
  EXPECT_EQ(activeAtChange, "Log Info");
}

}  // namespace
