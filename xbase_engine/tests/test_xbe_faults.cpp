// Malformed files and several processes on one table.
#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstring>
#include <string>

#include "xbase_engine/tests/EngineTestUtil.h"

using namespace xbetest;

namespace {

class XbeFaults : public EngineTest {};

// Runs body in a child process; answers its exit status.
template <class F>
pid_t Spawn(F body) {
  const pid_t pid = fork();
  if (pid == 0) {
    xb_FinalizeSession();
    body();
    _exit(0);
  }
  return pid;
}

int Wait(pid_t pid) {
  int status = 0;
  waitpid(pid, &status, 0);
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

}  // namespace

TEST_F(XbeFaults, MalformedHeadersFailTheOpenCleanly) {
  const std::string good = dir.File("GOOD.DBF");
  ASSERT_TRUE(MakeTable(good, XB_TYPE_NTX, false));
  ASSERT_GT(OpenTable(good), 0);
  AppendNumbered(3);
  xb_Close();
  const auto bytes = ReadAll(good);
  struct Case {
    const char* what;
    void (*damage)(std::vector<unsigned char>&);
  } cases[] = {
      {"truncated header", [](std::vector<unsigned char>& b) { b.resize(20); }},
      {"header length beyond file", [](std::vector<unsigned char>& b) { b[9] = 0x7F; }},
      {"record length not the fields", [](std::vector<unsigned char>& b) { b[10] = 30; }},
      {"count beyond the file", [](std::vector<unsigned char>& b) { b[6] = 0x10; }},
      {"unknown field type", [](std::vector<unsigned char>& b) { b[32 + 11] = 'Z'; }},
      {"bad date width", [](std::vector<unsigned char>& b) { b[32 + 64 + 16] = 9; }},
      {"no terminator", [](std::vector<unsigned char>& b) { b[32 + 128] = 'X'; }},
      {"unknown version", [](std::vector<unsigned char>& b) { b[0] = 0x42; }},
      {"records cut off", [](std::vector<unsigned char>& b) { b.resize(b.size() - 30); }},
  };
  for (const Case& c : cases) {
    auto damaged = bytes;
    c.damage(damaged);
    const std::string path = dir.File("BAD.DBF");
    WriteAll(path, damaged);
    EXPECT_EQ(OpenTable(path), 0) << c.what;
    xb_CloseAll();
  }
}

TEST_F(XbeFaults, MemoPointerBeyondTheMemoFileFailsTheRead) {
  const std::string path = dir.File("MEMOBAD.DBF");
  ASSERT_TRUE(MakeTable(path, XB_TYPE_NTX, true));
  ASSERT_GT(OpenTable(path), 0);
  xb_AppendBlank();
  xb_PutMemo("NOTES", "hello");
  xb_AppendBlank();
  xb_PutString("NAME", "next");
  xb_Go(1);
  char* m = xb_GetMemo("NOTES", 0);
  ASSERT_NE(m, nullptr);
  EXPECT_STREQ(m, "hello");
  xb_MemDealloc(m);
  // Point the memo far beyond the memo file, then at garbage text.
  std::vector<char> image(static_cast<size_t>(xb_RecSize()));
  xb_GetRecord(image.data());
  const int at = xb_FieldOffset("NOTES") - 1;
  std::memcpy(&image[size_t(at)], "    999999", 10);
  xb_PutRecord(image.data());
  EXPECT_EQ(xb_GetMemo("NOTES", 0), nullptr);
  EXPECT_EQ(xb_GetBlobLength("NOTES"), 0);
  std::memcpy(&image[size_t(at)], "12ab      ", 10);
  xb_PutRecord(image.data());
  EXPECT_EQ(xb_GetMemo("NOTES", 0), nullptr);
  // The table stays usable.
  xb_Skip(1);
  EXPECT_STREQ(xb_GetTrimString("NAME"), "next");
}

TEST_F(XbeFaults, TwoProcessesAppendingLoseNothing) {
  const std::string path = dir.File("MULTI.DBF");
  ASSERT_TRUE(MakeTable(path, XB_TYPE_NTX, false));
  constexpr int kEach = 400;
  auto writer = [&path](const char* tag) {
    return [&path, tag] {
      xb_SetLockTimeout(10);
      if (OpenTable(path) <= 0) _exit(2);
      for (int i = 0; i < kEach; ++i) {
        xb_AppendBlank();
        xb_PutString("NAME", tag);
        xb_PutInteger("QTY", i);
        xb_Commit();
      }
      xb_CloseAll();
    };
  };
  const pid_t p1 = Spawn(writer("A"));
  const pid_t p2 = Spawn(writer("B"));
  EXPECT_EQ(Wait(p1), 0);
  EXPECT_EQ(Wait(p2), 0);
  ASSERT_GT(OpenTable(path), 0);
  EXPECT_EQ(xb_RecCount(), 2 * kEach);
  int a = 0, b = 0, blank = 0;
  for (xb_GoTop(); !xb_Eof(); xb_Skip(1)) {
    const std::string name = xb_GetTrimString("NAME");
    if (name == "A") ++a;
    else if (name == "B") ++b;
    else ++blank;
  }
  EXPECT_EQ(a, kEach);
  EXPECT_EQ(b, kEach);
  EXPECT_EQ(blank, 0);
}

TEST_F(XbeFaults, ExclusiveHolderKeepsReadOnlyOutUntilItDies) {
  const std::string path = dir.File("LOCKSPL.DBF");
  ASSERT_TRUE(MakeTable(path, XB_TYPE_NTX, false));
  int ready[2];
  ASSERT_EQ(pipe(ready), 0);
  const pid_t holder = Spawn([&] {
    if (xb_UseEx(path.c_str(), "", XB_OPEN_EXCLUSIVE, XB_TYPE_NTX, XB_COMMIT_NORMAL) <= 0) _exit(2);
    const char c = 'x';
    if (write(ready[1], &c, 1) != 1) _exit(3);
    pause();
  });
  char c;
  ASSERT_EQ(read(ready[0], &c, 1), 1);
  EXPECT_EQ(xb_UseEx(path.c_str(), "", XB_OPEN_READONLY, XB_TYPE_NTX, XB_COMMIT_NORMAL), 0);
  kill(holder, SIGKILL);
  Wait(holder);
  EXPECT_GT(xb_UseEx(path.c_str(), "", XB_OPEN_READONLY, XB_TYPE_NTX, XB_COMMIT_NORMAL), 0);
  EXPECT_TRUE(xb_Flock());  // a read-only open may still lock the table as a whole
  close(ready[0]);
  close(ready[1]);
}

TEST_F(XbeFaults, ProcessKilledMidAppendLeavesEveryCommittedRecord) {
  const std::string path = dir.File("KILL.DBF");
  ASSERT_TRUE(MakeTable(path, XB_TYPE_NTX, true));
  int ready[2];
  ASSERT_EQ(pipe(ready), 0);
  const pid_t writer = Spawn([&] {
    if (OpenTable(path) <= 0) _exit(2);
    for (int i = 1;; ++i) {
      xb_AppendBlank();
      xb_PutInteger("QTY", i);
      xb_PutMemo("NOTES", "memo text");
      xb_Commit();
      if (i == 50) {
        const char c = 'x';
        if (write(ready[1], &c, 1) != 1) _exit(3);
      }
    }
  });
  char c;
  ASSERT_EQ(read(ready[0], &c, 1), 1);
  kill(writer, SIGKILL);
  Wait(writer);
  ASSERT_GT(OpenTable(path), 0);
  const int n = xb_RecCount();
  EXPECT_GE(n, 50);
  int expect = 1;
  for (xb_GoTop(); !xb_Eof(); xb_Skip(1), ++expect) {
    // The kill may fall between the append of the last record and its values.
    if (expect == n && xb_GetInteger("QTY") == 0) continue;
    EXPECT_EQ(xb_GetInteger("QTY"), expect);
  }
  EXPECT_EQ(expect - 1, n);
  // And it takes further appends.
  xb_AppendBlank();
  EXPECT_EQ(xb_RecCount(), n + 1);
  close(ready[0]);
  close(ready[1]);
}

TEST_F(XbeFaults, RecordAndFileLocksConflictBetweenProcesses) {
  const std::string path = dir.File("PLOCK.DBF");
  ASSERT_TRUE(MakeTable(path, XB_TYPE_NTX, false));
  ASSERT_GT(OpenTable(path), 0);
  AppendNumbered(3);
  Signal toParent, toChild;
  const pid_t child = Spawn([&] {
    if (OpenTable(path) <= 0 || !xb_Rlock(2)) _exit(2);
    toParent.Send();
    if (!toChild.Receive()) _exit(4);
    xb_Unlock(0);
    if (!xb_Flock()) _exit(5);
    toParent.Send();
    pause();
  });
  ASSERT_TRUE(toParent.Receive());
  EXPECT_FALSE(xb_Rlock(2));
  EXPECT_TRUE(xb_Rlock(1));
  EXPECT_FALSE(xb_Flock());
  xb_Unlock(0);
  toChild.Send();
  ASSERT_TRUE(toParent.Receive());
  EXPECT_FALSE(xb_Rlock(3));  // the other process locks the whole table
  xb_AppendBlank();           // and so nobody else appends
  EXPECT_EQ(xb_RecCount(), 3);
  kill(child, SIGKILL);
  Wait(child);
  EXPECT_TRUE(xb_Flock());  // its locks died with it
  xb_AppendBlank();
  EXPECT_EQ(xb_RecCount(), 4);
}

TEST_F(XbeFaults, CreationRefusedWhileAnotherProcessHoldsTheTable) {
  const std::string path = dir.File("shared.dbf");
  ASSERT_TRUE(MakeTable(path, XB_TYPE_NTX, false));
  ASSERT_GT(OpenTable(path), 0);
  AppendNumbered(2);
  xb_Close();
  Signal ready;
  const pid_t holder = Spawn([&] {
    if (xb_UseEx(path.c_str(), "", XB_OPEN_READONLY, XB_TYPE_NTX, XB_COMMIT_NORMAL) <= 0) _exit(2);
    ready.Send();
    pause();
  });
  ASSERT_TRUE(ready.Receive());
  const auto before = ReadAll(path);
  EXPECT_FALSE(MakeTable(path, XB_TYPE_NTX, false));
  EXPECT_FALSE(MakeTable(dir.File("SHARED"), XB_TYPE_NTX, false));
  EXPECT_EQ(ReadAll(path), before);
  kill(holder, SIGKILL);
  Wait(holder);
  EXPECT_TRUE(MakeTable(dir.File("SHARED"), XB_TYPE_NTX, false));
  ASSERT_GT(OpenTable(path), 0);
  EXPECT_EQ(xb_RecCount(), 0);
}

TEST_F(XbeFaults, TableCutBelowItsHeaderWhileOpenShowsNoRecords) {
  const std::string path = dir.File("CUT.DBF");
  ASSERT_TRUE(MakeTable(path, XB_TYPE_NTX, false));
  ASSERT_GT(OpenTable(path), 0);
  AppendNumbered(3);
  // A foreign program rewrites the count and cuts the file inside the header.
  auto bytes = ReadAll(path);
  bytes[4] = 9;
  bytes.resize(20);
  WriteAll(path, bytes);
  EXPECT_EQ(xb_RecCount(), 0);
  xb_GoTop();
  EXPECT_TRUE(xb_Eof());
  EXPECT_TRUE(xb_Bof());
}

TEST_F(XbeFaults, MemoBlocksAreNotAllocatedWhileAnotherAreaAllocates) {
  const std::string path = dir.File("MLOCK.DBF");
  ASSERT_TRUE(MakeTable(path, XB_TYPE_NTX, true));
  ASSERT_GT(OpenTable(path), 0);
  AppendNumbered(1);
  ASSERT_TRUE(xb_Flock());
  // Another area in the middle of an allocation holds the memo lock byte.
  const int other = open(path.c_str(), O_RDWR);
  ASSERT_GE(other, 0);
  struct flock fl {};
  fl.l_type = F_WRLCK;
  fl.l_whence = SEEK_SET;
  fl.l_start = off_t((1LL << 32) + 2);
  fl.l_len = 1;
  ASSERT_EQ(fcntl(other, F_OFD_SETLK, &fl), 0);
  const auto memoBefore = ReadAll(dir.File("MLOCK.DBT"));
  xb_GoTop();
  xb_PutMemo("NOTES", "must wait");  // even under a file lock
  EXPECT_EQ(ReadAll(dir.File("MLOCK.DBT")), memoBefore);
  close(other);
  xb_PutMemo("NOTES", "now");
  char* m = xb_GetMemo("NOTES", 0);
  ASSERT_NE(m, nullptr);
  EXPECT_STREQ(m, "now");
  xb_MemDealloc(m);
}
