// The log page's refresh: a log that grows by appending keeps the user's
// place in the memo; one replaced, cut or written again reloads whole; a
// line caught half written is shown whole once it is.
#include <fcntl.h>
#include <unistd.h>

#include "class_library/loop/Timer.h"
#include "controls/VkEdit.h"
#include "controls/VkLabel.h"
#include "platform/gui/Controls.h"
#include "setup_program/tests/FormFixture.h"

namespace {

class LogView : public FormFixture {
protected:
  void SetUp() override {
    FormFixture::SetUp();
    form->Show();
    vistest::Pump();
  }
  std::string LogPath() { return base + "Tarnwick.txt"; }
  static std::string Lines(int From, int To) {
    std::string text;
    for (int i = From; i < To; ++i) text += "01/02/2026 10:00:00 : line " + std::to_string(i) + "\r\n";
    return text;
  }
  // Adds to the file in place, as the service does.
  void Append(const std::string& Bytes) {
    const int fd = ::open(LogPath().c_str(), O_WRONLY | O_APPEND);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(::write(fd, Bytes.data(), Bytes.size()), static_cast<ssize_t>(Bytes.size()));
    ::close(fd);
  }
  std::string MemoText() { return form->memoLogInfo->Lines()->Text(); }
  int FirstShownLine() {
    return static_cast<int>(gui::SendMessage(form->memoLogInfo->Handle(), gui::EM_GETFIRSTVISIBLELINE));
  }
};

TEST_F(LogView, AnAppendedLogKeepsTheUsersScrollPositionAndSelection) {
  WriteAll(LogPath(), Lines(0, 300));
  form->TimerTimer(nullptr);
  ASSERT_EQ(MemoText(), Lines(0, 300));
  TVkMemo* memo = form->memoLogInfo;
  memo->SetLine(120);  // scrolls line 120 to the top
  const int first = FirstShownLine();
  ASSERT_GT(first, 50);
  memo->SetSelStart(5000);
  memo->SetSelLength(40);

  Append(Lines(300, 303));
  form->TimerTimer(nullptr);
  EXPECT_EQ(MemoText(), Lines(0, 303));
  EXPECT_EQ(FirstShownLine(), first);
  EXPECT_EQ(memo->SelStart(), 5000);
  EXPECT_EQ(memo->SelLength(), 40);

  // Nothing new: nothing moves either.
  form->TimerTimer(nullptr);
  EXPECT_EQ(MemoText(), Lines(0, 303));
  EXPECT_EQ(FirstShownLine(), first);
  EXPECT_EQ(memo->SelStart(), 5000);

  // A notice the program adds lasts until the next refresh, which also
  // takes the lines added meanwhile.
  memo->Lines()->Add("-> Configuration file saved!");
  Append(Lines(303, 304));
  form->TimerTimer(nullptr);
  EXPECT_EQ(MemoText(), Lines(0, 304));
}

TEST_F(LogView, AReplacedCutOrRewrittenLogReloadsWhole) {
  WriteAll(LogPath(), Lines(0, 50));
  form->TimerTimer(nullptr);
  ASSERT_EQ(MemoText(), Lines(0, 50));

  // Replaced by a new file (renamed over the old one), longer.
  WriteAll(base + "new.txt", "restarted\r\n" + Lines(0, 60));
  fs::rename(base + "new.txt", LogPath());
  form->TimerTimer(nullptr);
  EXPECT_EQ(MemoText(), "restarted\r\n" + Lines(0, 60));

  // Cut in place.
  WriteAll(LogPath(), Lines(0, 10));
  form->TimerTimer(nullptr);
  EXPECT_EQ(MemoText(), Lines(0, 10));

  // Written again in place, longer, with other lines where the old ones ended.
  WriteAll(LogPath(), Lines(100, 103) + Lines(0, 20));
  form->TimerTimer(nullptr);
  EXPECT_EQ(MemoText(), Lines(100, 103) + Lines(0, 20));

  // Gone: the memo keeps its lines; back: shown whole.
  fs::remove(LogPath());
  form->TimerTimer(nullptr);
  EXPECT_EQ(form->txtErrorLabel->Caption(), "Tarnwick Service is not running!!!");
  EXPECT_EQ(MemoText(), Lines(100, 103) + Lines(0, 20));
  WriteAll(LogPath(), Lines(0, 2));
  form->TimerTimer(nullptr);
  EXPECT_EQ(MemoText(), Lines(0, 2));
}

TEST_F(LogView, ALineCaughtHalfWrittenIsShownWholeOnceItIs) {
  WriteAll(LogPath(), Lines(0, 3) + "01/02/2026 10:00:01 : ha");
  form->TimerTimer(nullptr);
  EXPECT_EQ(MemoText(), Lines(0, 3) + "01/02/2026 10:00:01 : ha\r\n");
  Append("lf a line\r");
  form->TimerTimer(nullptr);
  EXPECT_EQ(MemoText(), Lines(0, 3) + "01/02/2026 10:00:01 : half a line\r\n");
  Append("\n" + Lines(3, 5));
  form->TimerTimer(nullptr);
  EXPECT_EQ(MemoText(), Lines(0, 3) + "01/02/2026 10:00:01 : half a line\r\n" + Lines(3, 5));
  Append(Lines(5, 6));
  form->TimerTimer(nullptr);
  EXPECT_EQ(MemoText(), Lines(0, 3) + "01/02/2026 10:00:01 : half a line\r\n" + Lines(3, 6));
}

}  // namespace
