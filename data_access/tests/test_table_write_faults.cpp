// Changes the engine cannot carry out: a full disk (a file size limit in a
// child process), files the user may not write (a child that runs as an
// unprivileged user), and a program that ends with a table still open. A
// change either raises or is stored; the records on disk never end up half
// written or overwritten.
#include <gtest/gtest.h>

#include <grp.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>

#include "class_library/loop/Application.h"
#include "class_library/datasets/Fields.h"
#include "data_access/XBE60.h"
#include "data_access/XbDSet.h"
#include "data_access/tests/BlobTestSupport.h"
#include "data_access/tests/IndexTestSupport.h"
#include "data_access/tests/TestTables.h"

namespace {

using idxtest::TableOn;
using idxtest::WalkAll;

constexpr const char* kReadOnly = "Cannot modify a read-only data set";

// The message f raises, of any kind; "(no exception)" when it raises none.
String AnyErrorOf(const std::function<void()>& f) { return ::ErrorOf<Exception>(f); }

// Tells the parent what a child saw when a check fails there.
bool Check(bool ok, const std::string& what) {
  if (!ok) std::fprintf(stderr, "child: %s\n", what.c_str());
  return ok;
}

// Runs body in a child that may not make any file larger than Limit bytes,
// as on a disk with no room left.
bool RunOnFullDisk(std::uintmax_t Limit, const std::function<bool()>& body) {
  return RunInChild([&] {
    ::signal(SIGXFSZ, SIG_IGN);
    const rlimit rl{Limit, Limit};
    if (::setrlimit(RLIMIT_FSIZE, &rl) != 0) return Check(false, "setrlimit failed");
    return body();
  });
}

// Runs body in a child as a user who owns none of the files: root drops to
// nobody, anyone else is such a user already.
bool RunUnprivileged(const std::function<bool()>& body) {
  return RunInChild([&] {
    if (::geteuid() == 0 && (::setgroups(0, nullptr) != 0 || ::setgid(65534) != 0 || ::setuid(65534) != 0))
      return Check(false, "cannot become nobody");
    return body();
  });
}

class TableWriteFaults : public ::testing::Test {
protected:
  void SetUp() override { RequireEngine(); }
  std::string Path(const std::string& name) const { return dir.Path() + name; }
  std::uintmax_t SizeOf(const std::string& name) const { return std::filesystem::file_size(Path(name)); }

  ScratchDir dir;
};

TEST_F(TableWriteFaults, AppendOnAFullDiskRaisesTheEnginesReasonAndOverwritesNothing) {
  MakeTable(dir.Path(), "T.DBF", {{"NAME", 'C', 8}}, {{"r1"}, {"r2"}, {"r3"}});
  const auto before = ReadImages(Path("T.DBF"));
  EXPECT_TRUE(RunOnFullDisk(SizeOf("T.DBF"), [&] {
    auto t = TableOn(dir.Path(), "T.DBF");
    t->Open();
    t->Last();
    t->Append();
    t->FieldByName("NAME")->SetAsString("NEWREC");
    const String error = AnyErrorOf([&] { t->Post(); });
    // The engine's own words on the write that failed, and the new record
    // still there to post again.
    return Check(error.find("File too large") != String::npos, "Post: " + error) &&
           Check(t->State() == dsInsert, "not inserting any more") &&
           Check(t->FieldByName("NAME")->AsString() == "NEWREC", "values lost");
  }));
  EXPECT_EQ(ReadImages(Path("T.DBF")), before);
}

TEST_F(TableWriteFaults, MemoThatCannotBeStoredFailsThePostAndLeavesTheRecordWhole) {
  // Room for a record more, but not for the memo text below.
  const std::string path = blobtest::MakeMemoTable(dir.Path(), "M.DBF", 2, {"old memo"});
  ASSERT_FALSE(path.empty());
  const std::string big = blobtest::Text(200000);
  const std::uintmax_t limit = std::max(SizeOf("M.DBF"), SizeOf("M.FPT")) + 4096;
  EXPECT_TRUE(RunOnFullDisk(limit, [&] {
    auto t = TableOn(dir.Path(), "M.DBF");
    t->Open();
    t->Edit();
    t->FieldByName("NAME")->SetAsString("new");
    t->FieldByName("NOTES")->SetAsString(big);
    String error = AnyErrorOf([&] { t->Post(); });
    if (!Check(error.find("File too large") != String::npos, "edit Post: " + error) ||
        !Check(t->State() == dsEdit, "edit ended"))
      return false;
    t->Cancel();
    // A new record with a memo goes the same way: nothing new shows.
    t->Append();
    t->FieldByName("NAME")->SetAsString("added");
    t->FieldByName("NOTES")->SetAsString(big);
    error = AnyErrorOf([&] { t->Post(); });
    return Check(error.find("File too large") != String::npos, "insert Post: " + error) &&
           Check(t->State() == dsInsert, "insert ended");
  }));
  EXPECT_EQ(blobtest::StoredMemo(path, 1, "NOTES"), "old memo");
  auto t = TableOn(dir.Path(), "M.DBF");
  t->Open();
  EXPECT_EQ(WalkAll(*t, "NAME"), (std::vector<std::string>{"r1"}));
}

TEST_F(TableWriteFaults, FilesTheUserMayNotWriteOpenTheTableReadOnlyAndEveryChangeIsRefused) {
  const std::string path = blobtest::MakeMemoTable(dir.Path(), "P.DBF", 2, {"memo one", "memo two"});
  ASSERT_FALSE(path.empty());
  {
    auto maker = TableOn(dir.Path(), "P.DBF");
    maker->Open();
    maker->IndexTag("", "BYNAME", "NAME", "", false, false);
  }
  ASSERT_EQ(::chmod(dir.Path().c_str(), 0755), 0);
  for (const char* unwritable : {"P.DBF", "P.FPT", "P.CDX"}) {
    SCOPED_TRACE(unwritable);
    for (const char* file : {"P.DBF", "P.FPT", "P.CDX"})
      ASSERT_EQ(::chmod(Path(file).c_str(), std::string(file) == unwritable ? 0444 : 0666), 0);
    const std::string table = dir.Get("P.DBF"), memo = dir.Get("P.FPT"), index = dir.Get("P.CDX");
    EXPECT_TRUE(RunUnprivileged([&] {
      auto t = TableOn(dir.Path(), "P.DBF");
      t->SetIndexName("BYNAME");
      t->Open();
      if (!Check(t->FieldByName("NAME")->AsString() == "r1", "cannot read")) return false;
      const String edit = AnyErrorOf([&] { t->Edit(); });
      const bool browsing = t->State() == dsBrowse;
      const String append = AnyErrorOf([&] { t->Append(); });
      const String remove = AnyErrorOf([&] { t->Delete(); });
      return Check(edit == kReadOnly, "Edit: " + edit) && Check(browsing, "Edit left the table editing") &&
             Check(append == kReadOnly, "Append: " + append) && Check(remove == kReadOnly, "Delete: " + remove) &&
             Check(t->State() == dsBrowse, "not browsing");
    }));
    EXPECT_EQ(dir.Get("P.DBF"), table);
    EXPECT_EQ(dir.Get("P.FPT"), memo);
    EXPECT_EQ(dir.Get("P.CDX"), index);
  }
  // Writable again: the same user edits as usual.
  for (const char* file : {"P.DBF", "P.FPT", "P.CDX"}) ASSERT_EQ(::chmod(Path(file).c_str(), 0666), 0);
  EXPECT_TRUE(RunUnprivileged([&] {
    auto t = TableOn(dir.Path(), "P.DBF");
    t->Open();
    t->Edit();
    t->FieldByName("NAME")->SetAsString("changed");
    t->Post();
    return true;
  }));
  EXPECT_EQ(ReadColumn(path, "NAME"), (std::vector<std::string>{"changed   ", "r2        "}));
}

// A program keeps a table open until it ends, its component owned by the
// application: the end closes the table. Run as a program of its own (the
// test starts itself again), so that the application is made before the
// engine is loaded, as in any program.
TEST(TableProgramEnd, ATableStillOpenWhenTheProgramEndsIsClosed) {
  if (const char* where = std::getenv("TW_PROGRAM_END_DIR")) {
    Application();
    auto* t = new TXbTable(Application());
    t->SetDatabaseName(where);
    t->SetTableName("T.DBF");
    t->Open();
    t->Edit();
    t->FieldByName("NAME")->SetAsString("kept");
    t->Post();
    t->Next();
    return;  // the table stays open: the program's end closes it
  }
  RequireEngine();
  ScratchDir dir;
  MakeTable(dir.Path(), "T.DBF", {{"NAME", 'C', 8}}, {{"a"}, {"b"}});
  const pid_t pid = ::fork();
  ASSERT_GE(pid, 0);
  if (pid == 0) {
    ::setenv("TW_PROGRAM_END_DIR", dir.Path().c_str(), 1);
    ::execl("/proc/self/exe", "data_access_fault_tests", "--gtest_filter=TableProgramEnd.*", nullptr);
    ::_exit(127);
  }
  int status = 0;
  ASSERT_EQ(::waitpid(pid, &status, 0), pid);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0)
      << (WIFSIGNALED(status) ? "killed by signal " + std::to_string(WTERMSIG(status))
                              : "exit status " + std::to_string(WEXITSTATUS(status)));
  EXPECT_EQ(ReadColumn(dir.Path() + "T.DBF", "NAME"), (std::vector<std::string>{"kept    ", "b       "}));
}

}  // namespace
