#include <grp.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstring>
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

// A file the user may not write is refused, not replaced by a rename (which
// needs only the directory's permission), and stays as it was. Run as root
// the writer is a child that drops to nobody.
TEST(WriteFileAtomic, AFileTheUserMayNotWriteIsRefusedAndKept) {
  TempDir t;
  const std::string target = t.Put("Tarnwick.cfg", "old settings");
  ASSERT_EQ(::chmod(target.c_str(), 0444), 0);
  const bool root = ::geteuid() == 0;
  if (root) {
    // nobody may write the directory, not the file.
    ASSERT_EQ(::chown(t.Path().c_str(), 65534, 65534), 0);
    ASSERT_EQ(::chown(target.c_str(), 65534, 65534), 0);
  }
  int pipeFds[2];
  ASSERT_EQ(::pipe(pipeFds), 0);
  const pid_t pid = ::fork();
  ASSERT_GE(pid, 0);
  if (pid == 0) {
    ::close(pipeFds[0]);
    if (root && (::setgroups(0, nullptr) != 0 || ::setgid(65534) != 0 || ::setuid(65534) != 0)) ::_exit(3);
    std::string said = "no exception";
    try {
      WriteFileAtomic(t.Path() + "TARNWICK.CFG", "new settings");
    } catch (const FileError& e) {
      said = std::to_string(e.ErrorCode()) + "|" + e.what();
    }
    const ssize_t n = ::write(pipeFds[1], said.data(), said.size());
    ::_exit(n == ssize_t(said.size()) ? 0 : 4);
  }
  ::close(pipeFds[1]);
  std::string said;
  char buf[512];
  for (ssize_t n; (n = ::read(pipeFds[0], buf, sizeof buf)) > 0;) said.append(buf, size_t(n));
  ::close(pipeFds[0]);
  int status = 0;
  ASSERT_EQ(::waitpid(pid, &status, 0), pid);
  ASSERT_TRUE(WIFEXITED(status));
  ASSERT_EQ(WEXITSTATUS(status), 0) << "the child could not become nobody (3) or report (4)";
  EXPECT_EQ(said, std::to_string(EACCES) + "|Cannot create file \"" + t.Path() + "TARNWICK.CFG\". " +
                      std::strerror(EACCES));
  EXPECT_EQ(ReadFileBytes(target), "old settings");
  EXPECT_EQ(DirectoryListing(t.Path()), Lines{"Tarnwick.cfg"});
  struct stat st;
  ASSERT_EQ(::stat(target.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0444u);
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
