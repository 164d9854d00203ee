// The log file: whole, cheap to grow, rewritten whole when someone else touched it.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <sys/stat.h>

#include "label_service/srvLog.h"

namespace fs = std::filesystem;

namespace {

class LogFileTest : public ::testing::Test {
protected:
  void SetUp() override {
    dir_ = fs::temp_directory_path() / ("tw_log_" + std::to_string(::getpid()));
    fs::create_directories(dir_);
    path_ = (dir_ / "Tarnwick.txt").string();
  }
  void TearDown() override { fs::remove_all(dir_); }

  std::string Content() {
    std::ifstream in(path_, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
  }
  ino_t Inode() {
    struct stat st {};
    ::stat(path_.c_str(), &st);
    return st.st_ino;
  }
  fs::path dir_;
  std::string path_;
};

}  // namespace

TEST_F(LogFileTest, LinesAreAppendedInPlaceAfterTheFirstWholeWrite) {
  TAppendLogFile log(path_);
  TStringList lines;
  lines.Add("one");
  log.Update(lines);
  EXPECT_EQ(Content(), "one\r\n");
  ino_t first = Inode();
  lines.Add("two");
  log.Update(lines);
  lines.Add("three");
  lines.Add("four");
  log.Update(lines);
  EXPECT_EQ(Content(), "one\r\ntwo\r\nthree\r\nfour\r\n");
  // Still the same file: nothing was rewritten.
  EXPECT_EQ(Inode(), first);
  // Only the log itself is in the directory: no temporary file left behind.
  EXPECT_EQ(std::distance(fs::directory_iterator(dir_), fs::directory_iterator()), 1);
}

TEST_F(LogFileTest, ADeletedOrForeignFileIsWrittenWholeAgain) {
  TAppendLogFile log(path_);
  TStringList lines;
  lines.Add("old 1");
  lines.Add("old 2");
  log.Update(lines);

  fs::remove(path_);  // the stop handler deletes it; a continue writes again
  lines.Add("new 1");
  log.Update(lines);
  EXPECT_EQ(Content(), "old 1\r\nold 2\r\nnew 1\r\n");

  {  // someone else truncated and wrote into it
    std::ofstream out(path_, std::ios::binary | std::ios::trunc);
    out << "garbage";
  }
  lines.Add("new 2");
  log.Update(lines);
  EXPECT_EQ(Content(), "old 1\r\nold 2\r\nnew 1\r\nnew 2\r\n");

  log.Forget();
  lines.Add("new 3");
  log.Update(lines);
  EXPECT_EQ(Content(), "old 1\r\nold 2\r\nnew 1\r\nnew 2\r\nnew 3\r\n");
}

