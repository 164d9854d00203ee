// The setup page: the printer lists from RM's spool table, saving the setup
// (read back by the service's reader), and the rewrite of RM's label printer
// definition.
#include "controls/VkEdit.h"
#include "controls/VkLstBox.h"
#include "controls/VkPages.h"
#include "setup_program/RMTables.h"
#include "setup_program/tests/FormFixture.h"

namespace {

class SetupPage : public FormFixture {
protected:
  void SetUp() override {
    FormFixture::SetUp();
    RequireEngine();
  }
  void ShowSetup() {
    form->pageMain->SetActivePageIndex(0);
    form->pageMain->SetActivePageIndex(2);
  }
  void MakeSpoolTable() {
    MakeTable(base, "RMSpool.DBF", {{"NAME", 'C', 10}, {"SUBDIR", 'C', 20}},
              {{"prep", "PreLabel"}, {"label", "Label2"}, {"backup", "Label1"}, {"kitchen", "Kitchen"}});
  }
  TTarnwickSettings SavedSettings() {
    TStringList lines;
    lines.LoadFromFile(base + "Tarnwick.cfg");
    TTarnwickSettings settings;
    settings.ReadFrom(lines);
    return settings;
  }
};

TEST_F(SetupPage, ShowingThePageFillsTheSortedListsOnceAndSelectsTheSettings) {
  MakeSpoolTable();
  ShowSetup();
  ShowSetup();
  const std::vector<String> dirs{"Kitchen", "Label1", "Label2", "PreLabel"};
  EXPECT_EQ(LinesOf(form->listPrnSource->Items()), dirs);
  EXPECT_EQ(LinesOf(form->listPrnDest->Items()), dirs);
  EXPECT_EQ(LinesOf(form->listPrnBackup->Items()), dirs);
  EXPECT_EQ(form->listPrnSource->SelectedItem(), "PreLabel");
  EXPECT_EQ(form->listPrnDest->SelectedItem(), "Label1");
  EXPECT_EQ(form->listPrnBackup->SelectedItem(), "Label2");
  EXPECT_EQ(form->editLabelsText->Text(), "Labels");
  EXPECT_EQ(form->editMapText->Text(), "Map:");
  EXPECT_EQ(form->editTimeText->Text(), "Time:");
  EXPECT_EQ(form->editTotalText->Text(), "Total:");
}

TEST_F(SetupPage, TheSavedSetupIsWhatTheServiceReads) {
  MakeSpoolTable();
  ShowSetup();
  form->listPrnSource->SetItemIndex(form->listPrnSource->Items()->IndexOf("Kitchen"));
  form->editTotalText->SetText("Sum:");
  form->editMapText->SetText("");  // an empty caption removes its line
  form->btnSetupSaveClick(nullptr);

  TTarnwickSettings saved = SavedSettings();
  EXPECT_EQ(saved.SPLDirSource, "Kitchen");
  EXPECT_EQ(saved.SPLDirDest, "Label1");
  EXPECT_EQ(saved.SPLDirBackup, "Label2");
  EXPECT_EQ(saved.TotalText, "Sum:");
  EXPECT_EQ(saved.MapText, "");
  EXPECT_EQ(ReadAll(base + "Tarnwick.cfg").find("MapText"), std::string::npos);
  EXPECT_EQ(form->Settings.SPLDirSource, "Kitchen") << "the status captions name the new printer";
  EXPECT_EQ(ReadAll(base + "TWKConfigChanged"), ReadAll(base + "Tarnwick.cfg"));
  const int n = form->memoLogInfo->Lines()->Count();
  ASSERT_GE(n, 2);
  EXPECT_EQ(form->memoLogInfo->Lines()->Strings(n - 2), "-> Configuration file saved!");
  EXPECT_EQ(form->memoLogInfo->Lines()->Strings(n - 1), "*** Restarting Application ***");
}

TEST_F(SetupPage, SavingWithEmptyPrinterListsKeepsTheDirectories) {
  // RM's spool table is missing: the page fails to fill and its lists stay empty.
  EXPECT_ANY_THROW(ShowSetup());
  EXPECT_EQ(form->listPrnSource->Items()->Count(), 0);
  form->editLabelsText->SetText("Boxes");
  form->btnSetupSaveClick(nullptr);
  TTarnwickSettings saved = SavedSettings();
  EXPECT_EQ(saved.SPLDirSource, "PreLabel");
  EXPECT_EQ(saved.SPLDirDest, "Label1");
  EXPECT_EQ(saved.SPLDirBackup, "Label2");
  EXPECT_EQ(saved.LabelsText, "Boxes");
}

TEST_F(SetupPage, AFailedSaveLeavesTheFormsConfigurationAsTheFileHasIt) {
  MakeSpoolTable();
  ShowSetup();
  form->editTotalText->SetText("Sum:");
  // A directory (not empty) where the configuration goes: it cannot be replaced.
  fs::remove(base + "Tarnwick.cfg");
  fs::create_directory(base + "Tarnwick.cfg");
  WriteAll(base + "Tarnwick.cfg/keep", "x");
  EXPECT_ANY_THROW(form->btnSetupSaveClick(nullptr));
  EXPECT_EQ(form->ConfigList->Values("TotalText"), "Total:");
  EXPECT_FALSE(fs::exists(base + "TWKConfigChanged")) << "nothing is signalled";
}

// RM's label printer definition with 41 fields: 35 numbers, 6 logicals at
// the places the rewrite sets them, and two more fields after the 39.
std::vector<TestField> DefinitionFields(int Count) {
  std::vector<TestField> fields;
  for (int i = 0; i < Count; ++i) {
    const bool logical = i == 22 || i == 31 || i == 34 || i == 37 || i == 38;
    fields.push_back({"F" + std::to_string(i), logical ? 'L' : 'N', logical ? 1 : 5});
  }
  return fields;
}

std::vector<std::string> DefinitionRow(int Count, const std::string& Number) {
  std::vector<std::string> row;
  for (int i = 0; i < Count; ++i) {
    const bool logical = i == 22 || i == 31 || i == 34 || i == 37 || i == 38;
    row.push_back(logical ? "T" : std::string(5 - Number.size(), ' ') + Number);
  }
  return row;
}

TEST_F(SetupPage, TheDefinitionRewriteSetsTheFirst39FieldsOfTheFirstRecordOnly) {
  MakeTable(base, "LBLPRDEF.DBF", DefinitionFields(41), {DefinitionRow(41, "7777"), DefinitionRow(41, "8888")});
  answer = sys::mbYes;
  form->btnClick(nullptr);
  ASSERT_FALSE(boxes.empty());
  EXPECT_NE(boxes.front().find("WARNING!!!!: This will reset the Label Setup in RM. Are you sure?"), std::string::npos);
  EXPECT_EQ(kinds.front().kind, sys::mbPlain) << "plain Yes and No, no icon";
  EXPECT_EQ(kinds.front().buttons, sys::mbYes | sys::mbNo);
  EXPECT_NE(boxes.back().find("Changes applied"), std::string::npos) << boxes.back();

  const int expected[] = {99, 21, 120, 0, 55, 1, 0, 11, 0, 10, 0, 8, 0, 9, 12, 0, 1, 1, 1, 1,
                          2,  0,  -1,  5, 0,  6, 0, 7,  0, 4,  0, -1, 3, 0, -1, 1, 0, -1, -1};
  const std::string path = base + "LBLPRDEF.DBF";
  for (int i = 0; i < 39; ++i) {
    std::vector<std::string> column = ReadColumn(path, "F" + std::to_string(i));
    ASSERT_EQ(column.size(), 2u);
    if (expected[i] < 0) {
      EXPECT_EQ(column[0], "F") << i;
    } else {
      EXPECT_EQ(std::stoi(column[0]), expected[i]) << i;
    }
    EXPECT_EQ(column[1], expected[i] < 0 ? "T" : " 8888") << "the second record is untouched: " << i;
  }
  EXPECT_EQ(ReadColumn(path, "F39")[0], " 7777") << "fields after the 39 keep their values";
  EXPECT_EQ(ReadColumn(path, "F40")[0], " 7777");
}

TEST_F(SetupPage, ANoOrAShortDefinitionChangesNothing) {
  MakeTable(base, "LBLPRDEF.DBF", DefinitionFields(41), {DefinitionRow(41, "7777")});
  const std::vector<std::string> before = ReadImages(base + "LBLPRDEF.DBF");
  answer = sys::mbNo;
  form->btnClick(nullptr);
  EXPECT_NE(boxes.back().find("Aborted modification"), std::string::npos);
  EXPECT_EQ(ReadImages(base + "LBLPRDEF.DBF"), before);

  // 30 fields: the values do not fit, and none of them is written.
  fs::remove(base + "LBLPRDEF.DBF");
  MakeTable(base, "LBLPRDEF.DBF", DefinitionFields(30), {DefinitionRow(30, "7777")});
  const std::vector<std::string> shortBefore = ReadImages(base + "LBLPRDEF.DBF");
  answer = sys::mbYes;
  form->btnClick(nullptr);
  EXPECT_NE(boxes.back().find("Failed to set values. Run DEDUVIR"), std::string::npos) << boxes.back();
  EXPECT_EQ(ReadImages(base + "LBLPRDEF.DBF"), shortBefore);

  // No table at all.
  fs::remove(base + "LBLPRDEF.DBF");
  form->btnClick(nullptr);
  EXPECT_NE(boxes.back().find("Failed to set values. Run DEDUVIR"), std::string::npos);
  EXPECT_FALSE(TableActive(form->tblRMLBLDef));
}

}  // namespace
