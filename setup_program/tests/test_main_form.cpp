// The main form: start, status display, log refresh, the label editor and
// the test print, the about box, a second instance, and pictures of the pages.
#include <chrono>
#include <csignal>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

#include "class_library/core/DateTime.h"
#include "class_library/visual/ExtCtrls.h"
#include "controls/VkBalloonHints.h"
#include "controls/VkEdit.h"
#include "controls/VkLabel.h"
#include "controls/VkLstBox.h"
#include "controls/VkPages.h"
#include "label_service/LabelRenderer.h"
#include "platform/gui/TestSupport.h"
#include "platform/system/NamedMutex.h"
#include "setup_program/tests/FormFixture.h"

namespace {

using MainForm = FormFixture;

TEST_F(MainForm, StatusCodesShowTheirCaptionsAndBlinkUntilAZero) {
  TVkLabel* label = form->txtErrorLabel;
  EXPECT_FALSE(label->Visible());
  EXPECT_EQ(form->Caption(), "Vornak's Tarnwick");
  EXPECT_EQ(form->ClientWidth(), 633);
  EXPECT_EQ(form->ClientHeight(), 444);

  form->ShowStatus(1);
  EXPECT_EQ(label->Caption(), "Printer \"PreLabel\" NOT configured");
  EXPECT_TRUE(label->Visible());
  EXPECT_TRUE(label->Blinking());
  form->ShowStatus(2);
  EXPECT_EQ(label->Caption(), "Printer \"Label1\" NOT configured") << "the text changes while it blinks on";
  EXPECT_TRUE(label->Blinking());
  form->ShowStatus(0);
  EXPECT_EQ(label->Caption(), "");
  EXPECT_FALSE(label->Visible());
  EXPECT_FALSE(label->Blinking());

  const std::pair<int, const char*> captions[] = {
      {3, "Cannot open or create LockSPL.dbf"},
      {4, "Printer \"Label2\" NOT configured"},
      {5, "LabelDesign.txt does not exist."},
      {6, "Tarnwick Service is not running!!!"},
      {7, ""},
  };
  for (const auto& [code, caption] : captions) {
    form->ShowStatus(0);
    form->ShowStatus(code);
    EXPECT_EQ(label->Caption(), caption) << code;
    EXPECT_TRUE(label->Visible()) << code;
    EXPECT_TRUE(label->Blinking()) << code;
  }
}

// The page control as designed: tabs as wide as their captions need (no
// tab height of its own, which widens every slanted tab), the row 19 pixels
// high, the log page shown once the form is made.
TEST_F(MainForm, ThePageControlKeepsItsDesignedTabs) {
  TVkPageControl* pages = form->pageMain;
  EXPECT_EQ(pages->TabHeight(), 0);
  EXPECT_FALSE(pages->ParentColor());
  EXPECT_EQ(pages->TabOrder(), 0);
  form->Show();
  vistest::Pump();
  EXPECT_EQ(pages->FixedDimension(), 19);
  EXPECT_EQ(pages->ActivePage(), form->tabLogInfo);
  // A page control made here with the form's font and captions and nothing
  // else set lays its tabs out alike.
  TVkPageControl plain(nullptr);
  plain.SetParent(form);
  plain.Font()->Assign(pages->Font());
  plain.PlaceBounds(0, 0, pages->Width(), pages->Height());
  for (const char* caption : {"Log Info", "Label Editor", "Setup"}) {
    auto* sheet = new TVkTabSheet(&plain);
    sheet->SetPageControl(&plain);
    sheet->SetCaption(caption);
  }
  vistest::Pump();
  for (int i = 0; i < 3; ++i) {
    const TRect designed = pages->TabData()->Items(i)->TabRect, made = plain.TabData()->Items(i)->TabRect;
    EXPECT_EQ(designed.Width(), made.Width()) << i;
    EXPECT_EQ(designed.Left, made.Left) << i;
  }
  plain.SetParent(nullptr);
}

TEST_F(MainForm, HintsAreBalloonsWithTheFormsSettings) {
  TVkBalloonHints* hints = form->VkBalloonHints1;
  EXPECT_EQ(hints->CenterThreshold(), 0);
  EXPECT_EQ(hints->FrameColor(), cl3DDkShadow);
  EXPECT_EQ(hints->Bitmaps()->TransparentColor(), clOlive);
  EXPECT_EQ(hints->Font()->Name(), "MS Sans Serif");
  EXPECT_EQ(hints->Font()->Height(), -11);
  auto* window = dynamic_cast<TVkCustomHintWindow*>(visual::HintWindow());
  ASSERT_NE(window, nullptr) << "the application's hint window is a balloon";
  EXPECT_EQ(window->FrameColor(), cl3DDkShadow);
  EXPECT_EQ(window->CenterThreshold(), 0);
}

TEST_F(MainForm, TheRefreshShowsTheLogAndTheStatusFileAndANotRunningService) {
  // No log: the service does not run; the memo keeps what it had.
  form->memoLogInfo->Lines()->Add("earlier");
  form->TimerTimer(nullptr);
  EXPECT_EQ(form->txtErrorLabel->Caption(), "Tarnwick Service is not running!!!");
  EXPECT_EQ(LinesOf(form->memoLogInfo->Lines()), std::vector<String>{"earlier"});

  WriteAll(base + "Tarnwick.txt", "01/02/2026 10:00:00 : ! Starting service...\r\nsecond line\r\n");
  WriteAll(base + "Tarnwick.err", "0\r\n");
  form->TimerTimer(nullptr);
  EXPECT_EQ(LinesOf(form->memoLogInfo->Lines()),
            (std::vector<String>{"01/02/2026 10:00:00 : ! Starting service...", "second line"}));
  EXPECT_FALSE(form->txtErrorLabel->Visible());

  // A line the program adds lasts until the next refresh.
  form->memoLogInfo->Lines()->Add("-> Configuration file saved!");
  WriteAll(base + "Tarnwick.err", "4\r\n");
  form->TimerTimer(nullptr);
  EXPECT_EQ(form->memoLogInfo->Lines()->Count(), 2);
  EXPECT_EQ(form->txtErrorLabel->Caption(), "Printer \"Label2\" NOT configured");

  // An unreadable status keeps the display as it was.
  for (const char* bad : {"", "four\r\n", "\r\n"}) {
    WriteAll(base + "Tarnwick.err", bad);
    form->TimerTimer(nullptr);
    EXPECT_EQ(form->txtErrorLabel->Caption(), "Printer \"Label2\" NOT configured") << bad;
  }
  fs::remove(base + "Tarnwick.err");
  form->TimerTimer(nullptr);
  EXPECT_TRUE(form->txtErrorLabel->Visible());
}

TEST_F(MainForm, TheTimerRefreshesEveryHalfSecond) {
  EXPECT_EQ(form->Timer->Interval(), 500u);
  WriteAll(base + "Tarnwick.txt", "from the timer\r\n");
  form->Timer->SetEnabled(true);
  EXPECT_TRUE(vistest::PumpUntil([&] { return form->memoLogInfo->Lines()->Count() == 1; }));
  EXPECT_EQ(form->memoLogInfo->Lines()->Strings(0), "from the timer");
}

class MainFormWithoutConfig : public FormFixture {
protected:
  std::string InitialConfig() override { return ""; }
};

TEST_F(MainFormWithoutConfig, AMissingConfigurationIsWrittenWithSevenEmptySettings) {
  EXPECT_EQ(ReadAll(base + "Tarnwick.cfg"),
            "SPLDirSource=\r\nSPLDirDest=\r\nSPLDirBackup=\r\nLabelsText=\r\nTimeText=\r\nMapText=\r\nTotalText=\r\n");
  EXPECT_EQ(form->Settings.SPLDirSource, "");
  EXPECT_EQ(form->pageMain->ActivePageIndex(), 0);
}

TEST_F(MainFormWithoutConfig, AConfigurationThatCannotBeReadIsNotReplaced) {
  if (::geteuid() == 0) GTEST_SKIP() << "root reads every file";
  const std::string saved = "SPLDirSource=Mine\r\n";
  WriteAll(base + "Tarnwick.cfg", saved);
  fs::permissions(base + "Tarnwick.cfg", fs::perms::none);
  delete form;
  form = new TfrmMain(nullptr);
  fs::permissions(base + "Tarnwick.cfg", fs::perms::owner_read | fs::perms::owner_write);
  EXPECT_EQ(ReadAll(base + "Tarnwick.cfg"), saved);
}

// ---- Label editor -------------------------------------------------------------------

TEST_F(MainForm, TheTagListHoldsTheEighteenTagsSorted) {
  const std::vector<String> tags{"<Address>", "<City and Town>", "<Directions>", "<Employee>", "<Item Mod[n]>",
                                 "<Item Name>", "<Label Header (Parsed)>", "<Label Header>", "<Map Code (Parsed)>",
                                 "<Map Code>", "<Order Time (Parsed)>", "<Order Time>", "<Order Total>", "<Phone>",
                                 "<Reference>", "<Revenue Center>", "<Total Text>", "<Transaction Description>"};
  EXPECT_EQ(LinesOf(form->listTags->Items()), tags);
  EXPECT_TRUE(form->listTags->Sorted());
}

TEST_F(MainForm, ADoubleClickedTagGoesInAtTheCaret) {
  form->Show();
  form->pageMain->SetActivePageIndex(1);
  boxes.clear();
  form->reLabelDesign->Lines()->SetText("first\r\nHello World\r\nlast\r\n");
  form->reLabelDesign->SetCaretPos(TPoint{5, 1});
  form->listTags->SetItemIndex(form->listTags->Items()->IndexOf("<Phone>"));
  form->listTagsDblClick(nullptr);
  EXPECT_EQ(LinesOf(form->reLabelDesign->Lines()), (std::vector<String>{"first", "Hello<Phone> World", "last"}));
  // The caret stands right after the tag, so that typing goes on there.
  EXPECT_EQ(form->reLabelDesign->CaretPos().X, 12);
  EXPECT_EQ(form->reLabelDesign->CaretPos().Y, 1);

  // An empty editor gets a line for the tag; nothing selected changes nothing.
  form->reLabelDesign->Lines()->Clear();
  form->listTagsDblClick(nullptr);
  EXPECT_EQ(LinesOf(form->reLabelDesign->Lines()), std::vector<String>{"<Phone>"});
  form->listTags->SetItemIndex(-1);
  form->listTagsDblClick(nullptr);
  EXPECT_EQ(LinesOf(form->reLabelDesign->Lines()), std::vector<String>{"<Phone>"});
}

TEST_F(MainForm, TheDesignLoadsWhenShownSavesWithTheReloadFlagAndReverts) {
  WriteAll(base + "LabelDesign.txt", "<Reference>\r\n<Item Name>\r\n");
  form->Show();
  form->pageMain->SetActivePageIndex(1);
  EXPECT_EQ(LinesOf(form->reLabelDesign->Lines()), (std::vector<String>{"<Reference>", "<Item Name>"}));

  form->reLabelDesign->Lines()->Add("<Phone>");
  struct stat before {}, after {};
  ASSERT_EQ(::stat((base + "LabelDesign.txt").c_str(), &before), 0);
  form->btnSaveDesignClick(nullptr);
  ASSERT_EQ(::stat((base + "LabelDesign.txt").c_str(), &after), 0);
  EXPECT_NE(before.st_ino, after.st_ino) << "a new file renamed over the old: a reader never sees half a design";
  EXPECT_EQ(ReadAll(base + "LabelDesign.txt"), "<Reference>\r\n<Item Name>\r\n<Phone>\r\n");
  EXPECT_EQ(ReadAll(base + "TWKConfigChanged"), ReadAll(base + "Tarnwick.cfg")) << "the reload flag holds the configuration";
  EXPECT_EQ(form->memoLogInfo->Lines()->Strings(form->memoLogInfo->Lines()->Count() - 1),
            "-> Label Design saved on " + base + "LabelDesign.txt");

  form->reLabelDesign->Lines()->SetText("scribble\r\n");
  form->btnLoadLastClick(nullptr);
  EXPECT_EQ(LinesOf(form->reLabelDesign->Lines()), (std::vector<String>{"<Reference>", "<Item Name>", "<Phone>"}));
  EXPECT_EQ(form->memoLogInfo->Lines()->Strings(form->memoLogInfo->Lines()->Count() - 1),
            "<- " + base + "LabelDesign.txt loaded");

  // Leaving the page and coming back drops unsaved edits.
  form->reLabelDesign->Lines()->SetText("unsaved\r\n");
  form->pageMain->SetActivePageIndex(0);
  form->pageMain->SetActivePageIndex(1);
  EXPECT_EQ(form->reLabelDesign->Lines()->Count(), 3);

  // No design: the page says where to get one; a revert reports the failure.
  fs::remove(base + "LabelDesign.txt");
  boxes.clear();
  form->pageMain->SetActivePageIndex(0);
  form->pageMain->SetActivePageIndex(1);
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_NE(boxes[0].find("LabelDesign.txt was not found. Please create your own or get the sample from the "
                          "installation files"),
            std::string::npos);
  EXPECT_ANY_THROW(form->btnLoadLastClick(nullptr));
}

TEST_F(MainForm, ATestPrintDropsTheSampleRecordIntoTheSourceDirectoryBesideOrdersOfTheSameName) {
  // No source directory: the failure reaches the caller (the application's handler).
  EXPECT_ANY_THROW(form->btnTestDesignClick(nullptr));

  fs::create_directory(base + "PreLabel");
  WriteAll(base + "PreLabel/testlabel.SPL", "an order of RM's\r\n");
  const TDateTime clickedFrom = Now();
  form->btnTestDesignClick(nullptr);
  const TDateTime clickedTo = Now();
  EXPECT_EQ(ReadAll(base + "PreLabel/testlabel.SPL"), "an order of RM's\r\n") << "the waiting order is kept";
  TStringList sample;
  sample.LoadFromFile(base + "PreLabel/TestLabel-2.spl");
  ASSERT_EQ(sample.Count(), 100);
  EXPECT_EQ(form->memoLogInfo->Lines()->Strings(form->memoLogInfo->Lines()->Count() - 1),
            "++ Sending TEST file to " + base + "Label1/TestLabel-2.spl");
  EXPECT_EQ(sample.Strings(0), "Customer Name");
  EXPECT_EQ(sample.Strings(1), "*** Revenue Center ***");
  EXPECT_EQ(sample.Strings(4), "Total:12345.67");
  // The time of the click in hours and minutes (the minute may have turned
  // during it).
  const String from = "Time: " + FormatDateTime("hh:nn AMPM", clickedFrom);
  const String to = "Time: " + FormatDateTime("hh:nn AMPM", clickedTo);
  EXPECT_TRUE(sample.Strings(5) == from || sample.Strings(5) == to)
      << sample.Strings(5) << ", clicked at " << FormatDateTime("hh:nn:ss", clickedFrom);
  EXPECT_EQ(sample.Strings(5).size(), 14u) << sample.Strings(5);  // "Time: hh:nn AM"
  EXPECT_EQ(sample.Strings(6), "99 of 99 Labels");
  EXPECT_EQ(sample.Strings(10), "Map: G3");
  for (int i = 11; i <= 15; ++i) EXPECT_EQ(sample.Strings(i), "Directions Line 1");
  for (int i = 16; i <= 24; ++i) EXPECT_EQ(sample.Strings(i), "") << i;
  EXPECT_EQ(sample.Strings(25), "99 Item Name Goes Here");
  EXPECT_EQ(sample.Strings(35), "Mod Line 10");
  for (int i = 36; i < 100; ++i) EXPECT_EQ(sample.Strings(i), "") << i;

  // The service's renderer fills a design from it.
  TLabelRenderer renderer;
  renderer.LoadDesign = [](TStringList& design) {
    design.SetText("<Reference>|<Order Total>|<Label Header (Parsed)>|<Map Code (Parsed)>|<Item Name>|<Item Mod[10]>");
  };
  TStringList labels;
  renderer.Render(sample, labels);
  ASSERT_EQ(labels.Count(), 1);
  EXPECT_EQ(labels.Strings(0), "Customer Name|12345.67|99 of 99|G3|99 Item Name Goes Here|Mod Line 10");
}

// ---- About box and program --------------------------------------------------------------

TEST_F(MainForm, TheAboutBoxShowsTheVersionBlocksOfBothPrograms) {
  TAboutBox about(nullptr);
  fs::copy_file(fs::path(TW_BIN_DIR) / "Tarnwick", base + "Tarnwick");
  about.FormShow(nullptr);
  EXPECT_EQ(about.lblTWK->Caption(), String("Tarnwick v") + TW_FILE_VERSION);
  EXPECT_EQ(about.lblTWKS->Caption(), "TarnwickService") << "no service executable: the design caption stays";
  fs::copy_file(fs::path(TW_BIN_DIR) / "TarnwickService", base + "TarnwickService");
  about.FormShow(nullptr);
  EXPECT_EQ(about.lblTWKS->Caption(), String("TarnwickService v") + TW_FILE_VERSION);
  EXPECT_EQ(about.ClientWidth(), 402);
  EXPECT_EQ(about.ClientHeight(), 219);
}

TEST_F(MainForm, ADoubleClickOnTheIconShowsTheAboutBoxUntilOk) {
  TAboutBox about(nullptr);
  form->Show();
  int shown = 0;
  about.OnShow = [&](TObject* s) {
    ++shown;
    about.FormShow(s);
    Application()->PostToMainThread([] { gui::test::KeyPress(gui::VK_RETURN); });
  };
  form->ProgramIconDblClick(nullptr);
  EXPECT_EQ(shown, 1);
  EXPECT_EQ(about.ModalResult(), mrOk);
  EXPECT_FALSE(about.Visible());
}

// Starts the program copied into the scratch directory; its pid.
pid_t StartProgram(const std::string& Path) {
  pid_t pid = ::fork();
  if (pid == 0) {
    ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
    ::execl(Path.c_str(), Path.c_str(), static_cast<char*>(nullptr));
    ::_exit(127);
  }
  return pid;
}

// The exit status, or -1 when it still runs after the wait.
int WaitExit(pid_t Pid, std::chrono::milliseconds Limit) {
  auto until = std::chrono::steady_clock::now() + Limit;
  int status = 0;
  while (std::chrono::steady_clock::now() < until) {
    if (::waitpid(Pid, &status, WNOHANG) == Pid) return WIFEXITED(status) ? WEXITSTATUS(status) : 100;
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  return -1;
}

TEST_F(MainForm, ASecondInstanceEndsSilently) {
  const std::string program = base + "Tarnwick";
  fs::copy_file(fs::path(TW_BIN_DIR) / "Tarnwick", program);
  fs::copy_file(fs::path(TW_BIN_DIR) / "libxbe61.so", base + "libxbe61.so");
  fs::remove(base + "Tarnwick.cfg");
  {
    sys::NamedMutex held("Tarnwick");
    if (!held.Owned()) GTEST_SKIP() << "a Tarnwick runs on this machine";
    pid_t second = StartProgram(program);
    EXPECT_EQ(WaitExit(second, std::chrono::seconds(10)), 0) << "the second start ends at once";
    EXPECT_FALSE(fs::exists(base + "Tarnwick.cfg")) << "it ended before its form was made";
  }
  // With the name free the program starts and stays.
  pid_t first = StartProgram(program);
  const bool configWritten = [&] {
    for (int i = 0; i < 500 && !fs::exists(base + "Tarnwick.cfg"); ++i)
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    return fs::exists(base + "Tarnwick.cfg");
  }();
  EXPECT_TRUE(configWritten) << "the first instance starts and writes its configuration";
  pid_t second = StartProgram(program);
  EXPECT_EQ(WaitExit(second, std::chrono::seconds(10)), 0);
  EXPECT_EQ(WaitExit(first, std::chrono::milliseconds(200)), -1) << "the first one runs on";
  ::kill(first, SIGTERM);
  if (WaitExit(first, std::chrono::seconds(5)) == -1) {
    ::kill(first, SIGKILL);
    ::waitpid(first, nullptr, 0);
  }
}

TEST_F(MainForm, PicturesOfThePages) {
  // Pictures to look at, beside the tests' binaries.
  fs::create_directories(fs::path(TW_BIN_DIR) / "setup_program_shots");
  WriteAll(base + "LabelDesign.txt", "<Reference>\r\n<Address>\r\n<City and Town>\r\n<Item Name>\r\n<Item Mod[1]>\r\n");
  WriteAll(base + "Tarnwick.txt", "01/02/2026 10:00:00 : ! Starting service...\r\n");
  WriteAll(base + "Tarnwick.err", "2\r\n");
  MakeTable(base, "RMSpool.DBF", {{"SUBDIR", 'C', 20}}, {{"PreLabel"}, {"Label1"}, {"Label2"}});
  form->Show();
  form->TimerTimer(nullptr);
  const char* names[] = {"log", "editor", "setup"};
  for (int page = 0; page < 3; ++page) {
    form->pageMain->SetActivePageIndex(page);
    vistest::Pump();
    const std::string path = (fs::path(TW_BIN_DIR) / "setup_program_shots" / (std::string(names[page]) + ".png"));
    EXPECT_TRUE(gui::test::SaveWindowPng(form->Handle(), path)) << path;
  }
}

}  // namespace
