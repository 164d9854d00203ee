#pragma once
// Shared helpers of the engine tests: the fixture, child processes and table
// builders.
#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "platform/system/tests/TempDir.h"
#include "xbase_engine/xbe61.h"

namespace xbetest {

// A fresh directory; File(name) is the path of a file in it.
using ScratchDir = ::TempDir;

inline std::vector<unsigned char> ReadAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::vector<unsigned char>(std::istreambuf_iterator<char>(in), {});
}

inline void WriteAll(const std::string& path, const std::vector<unsigned char>& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
}

// A fresh session for each test (lock waits off) and a scratch directory.
class EngineTest : public ::testing::Test {
 protected:
  void SetUp() override {
    xb_FinalizeSession();
    xb_SetLockTimeout(0);
  }
  void TearDown() override { xb_FinalizeSession(); }
  ScratchDir dir;
};

// Opens the table at path with NTX indexes; answers the work area (0 when
// the open fails).
inline short OpenTable(const std::string& path, short mode = XB_OPEN_SHARED, const char* alias = "") {
  return xb_UseEx(path.c_str(), alias, mode, XB_TYPE_NTX, XB_COMMIT_NORMAL);
}

// Runs body in a child process; true when it ended by itself with status 0
// (no signal, no failed expectation). With deadlineSeconds the child is
// killed by an alarm after that long, so a call that hangs fails the test
// instead of stopping the run.
template <class F>
bool InChild(F body, unsigned deadlineSeconds = 0) {
  const pid_t pid = fork();
  if (pid == 0) {
    if (deadlineSeconds > 0) alarm(deadlineSeconds);
    xb_FinalizeSession();
    body();
    _exit(::testing::Test::HasFailure() ? 1 : 0);
  }
  int status = 0;
  waitpid(pid, &status, 0);
  return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

// A one-byte signal between two processes.
struct Signal {
  int fd[2] = {-1, -1};
  Signal() { EXPECT_EQ(pipe(fd), 0); }
  ~Signal() {
    close(fd[0]);
    close(fd[1]);
  }
  void Send() const {
    const char c = 'x';
    if (write(fd[1], &c, 1) != 1) _exit(3);
  }
  bool Receive() const {
    char c;
    return read(fd[0], &c, 1) == 1;
  }
};

// Creates a table NAME C(10), QTY N(5), DAY D, OK L [, NOTES M] and leaves it
// closed. Answers true on success.
inline bool MakeTable(const std::string& path, short type, bool memo) {
  const short area = xb_CreateNew(path.c_str(), "NEWTAB", type, memo ? 5 : 4);
  if (area <= 0) return false;
  xb_CreateField("NAME", "C", 10, 0);
  xb_CreateField("QTY", "N", 5, 0);
  xb_CreateField("DAY", "D", 8, 0);
  xb_CreateField("OK", "L", 1, 0);
  if (memo) xb_CreateField("NOTES", "M", 10, 0);
  const short made = xb_CreateExec();
  if (made <= 0) return false;
  xb_Select(made);
  xb_Close();
  return true;
}

// Appends n records NAME = "R<i>", QTY = i to the current area.
inline void AppendNumbered(int n) {
  for (int i = 1; i <= n; ++i) {
    xb_AppendBlank();
    const std::string name = "R" + std::to_string(i);
    xb_PutString("NAME", name.c_str());
    xb_PutInteger("QTY", i);
  }
  xb_Commit();
}

// n names of 1 to maxLen letters taken from the first `letters` capitals.
inline std::vector<std::string> RandomNames(int n, unsigned seed, int letters = 6, int maxLen = 8) {
  std::mt19937 rnd(seed);
  std::vector<std::string> v;
  for (int i = 0; i < n; ++i) {
    std::string s;
    const int len = 1 + int(rnd() % unsigned(maxLen));
    for (int k = 0; k < len; ++k) s.push_back(char('A' + rnd() % unsigned(letters)));
    v.push_back(s);
  }
  return v;
}

// Record numbers (record i + 1 holds names[i]) sorted by name, then record
// number; desc: names high first.
inline std::vector<int> ByName(const std::vector<std::string>& names, bool desc = false) {
  std::vector<int> recs(names.size());
  for (size_t i = 0; i < recs.size(); ++i) recs[i] = int(i + 1);
  std::stable_sort(recs.begin(), recs.end(), [&](int a, int b) {
    return desc ? names[size_t(a - 1)] > names[size_t(b - 1)] : names[size_t(a - 1)] < names[size_t(b - 1)];
  });
  return recs;
}

}  // namespace xbetest
