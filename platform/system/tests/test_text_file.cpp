#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>

#include "platform/system/Files.h"
#include "platform/system/TextFile.h"
#include "platform/system/Utf8.h"
#include "platform/system/tests/TempDir.h"

using namespace sys;
using Lines = std::vector<std::string>;

namespace {

Lines DirectoryListing(const std::string& dir) {
  Lines names;
  for (const auto& e : std::filesystem::directory_iterator(dir)) names.push_back(e.path().filename().string());
  std::sort(names.begin(), names.end());
  return names;
}

}  // namespace

TEST(TextFile, ReadsEveryLineEndAndKeepsBytes) {
  TempDir t;
  t.Put("mixed.txt", "one\r\ntwo\nthree\rfour\r\n\r\nlast \xE9\x01");
  EXPECT_EQ(ReadTextLines(t.Path() + "MIXED.TXT"), (Lines{"one", "two", "three", "four", "", "last \xE9\x01"}));
  EXPECT_EQ(SplitTextLines("a\n"), Lines{"a"});
  EXPECT_EQ(SplitTextLines("a\r"), Lines{"a"});
  EXPECT_EQ(SplitTextLines("\n\n"), (Lines{"", ""}));
  EXPECT_EQ(SplitTextLines("\n\r"), (Lines{"", ""}));  // LF then a lone CR: two line ends
  EXPECT_EQ(SplitTextLines(""), Lines{});
  EXPECT_EQ(SplitTextLines(std::string("a\0b", 3)), Lines{std::string("a\0b", 3)});
}

TEST(TextFile, WritesCrLfAfterEveryLine) {
  TempDir t;
  WriteTextLines(t.Path() + "out.txt", {"a", "", "c"});
  EXPECT_EQ(ReadFileBytes(t.Path() + "out.txt"), "a\r\n\r\nc\r\n");
  WriteTextLines(t.Path() + "empty.txt", {});
  EXPECT_EQ(ReadFileBytes(t.Path() + "empty.txt"), "");
}

TEST(TextFile, MissingFileThrowsNamingIt) {
  TempDir t;
  try {
    ReadTextLines(t.Path() + "nope.cfg");
    FAIL() << "no exception";
  } catch (const FileError& e) {
    EXPECT_NE(std::string(e.what()).find("nope.cfg"), std::string::npos);
    EXPECT_EQ(e.ErrorCode(), ENOENT);
  }
  EXPECT_THROW(ReadFileBytes(t.Path()), FileError);  // a directory is no file
}

TEST(WriteFileAtomic, ReplacesExistingCaseVariantAndKeepsItsMode) {
  TempDir t;
  t.Put("Tarnwick.CFG", "old");
  ::chmod((t.Path() + "Tarnwick.CFG").c_str(), 0640);
  WriteFileAtomic(t.Path() + "tarnwick.cfg", "new");
  EXPECT_EQ(DirectoryListing(t.Path()), Lines{"Tarnwick.CFG"});
  EXPECT_EQ(ReadFileBytes(t.Path() + "Tarnwick.CFG"), "new");
  struct stat st;
  ASSERT_EQ(::stat((t.Path() + "Tarnwick.CFG").c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0640u);

  WriteFileAtomic(t.Path() + "Fresh.spl", "x", true);
  EXPECT_EQ(DirectoryListing(t.Path()), (Lines{"Fresh.spl", "Tarnwick.CFG"}));
}

TEST(WriteFileAtomic, FailedWriteLeavesOldContentAndNoTemporary) {
  TempDir t;
  const std::string target = t.Put("labels.spl", "old content");
  // The child may write at most 4 KiB per file; the write below needs more.
  pid_t pid = ::fork();
  ASSERT_GE(pid, 0);
  if (pid == 0) {
    ::signal(SIGXFSZ, SIG_IGN);
    struct rlimit rl {4096, 4096};
    ::setrlimit(RLIMIT_FSIZE, &rl);
    try {
      WriteFileAtomic(target, std::string(100000, 'n'));
    } catch (const FileError& e) {
      ::_exit(std::string(e.what()).find("labels.spl") != std::string::npos ? 7 : 8);
    }
    ::_exit(9);
  }
  int status = 0;
  ASSERT_EQ(::waitpid(pid, &status, 0), pid);
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 7);
  EXPECT_EQ(ReadFileBytes(target), "old content");
  EXPECT_EQ(DirectoryListing(t.Path()), Lines{"labels.spl"});
}

TEST(WriteFileAtomic, UnwritableTargetsThrow) {
  TempDir t;
  EXPECT_THROW(WriteFileAtomic(t.Path() + "nodir/x.txt", "x"), FileError);
  t.MakeDir("busy");
  t.Put("busy/inside", "keep");
  // Renaming over a non-empty directory fails after the temporary was written.
  EXPECT_THROW(WriteFileAtomic(t.Path() + "busy", "x"), FileError);
  EXPECT_EQ(DirectoryListing(t.Path()), Lines{"busy"});
  EXPECT_THROW(WriteFileAtomic(t.Path() + "x/", "x"), FileError);
}

// The ASCII fast path reads eight bytes at a time: a fault at any offset
// around those words, and a sequence cut at the end, must still be seen.
TEST(Utf8Check, FindsFaultsAtEveryOffsetPastPlainText) {
  for (size_t lead = 0; lead <= 17; ++lead) {
    const std::string ascii(lead, 'a');
    EXPECT_TRUE(IsValidUtf8(ascii)) << lead;
    EXPECT_TRUE(IsValidUtf8(ascii + "\xE2\x82\xAC" + ascii)) << lead;  // euro sign
    EXPECT_FALSE(IsValidUtf8(ascii + "\x80")) << lead;                  // stray continuation
    EXPECT_FALSE(IsValidUtf8(ascii + "\xE2\x82")) << lead;             // cut short
    EXPECT_FALSE(IsValidUtf8(ascii + "\xC0\x80" + ascii)) << lead;     // overlong
    EXPECT_FALSE(IsValidUtf8(ascii + "\xED\xA0\x80")) << lead;        // a surrogate
    EXPECT_FALSE(IsValidUtf8(ascii + "\xF4\x90\x80\x80")) << lead;    // beyond U+10FFFF
  }
}
