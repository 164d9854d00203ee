// Numbers that are not numbers, tables cut short under their readers,
// records that change between two calls, and appenders of different lock
// styles.
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "xbase_engine/tests/EngineTestUtil.h"

using namespace xbetest;

namespace {

class XbeHardening : public EngineTest {};

// Writes text over the field's bytes in the current record.
void PutRaw(const char* field, const std::string& text) {
  std::vector<char> image(static_cast<size_t>(xb_RecSize()));
  xb_GetRecord(image.data());
  const size_t at = size_t(xb_FieldOffset(field) - 1);
  const size_t width = xb_FieldWidth(field);
  std::string padded = text;
  padded.resize(width, ' ');
  std::memcpy(&image[at], padded.data(), width);
  xb_PutRecord(image.data());
}

}  // namespace

TEST_F(XbeHardening, NumberTextThatIsNoNumberReadsAsZero) {
  const std::string path = dir.File("NUMS.DBF");
  ASSERT_TRUE(MakeTable(path, XB_TYPE_NTX, false));
  ASSERT_GT(OpenTable(path), 0);
  AppendNumbered(1);
  for (const char* text : {"  nan", "  inf", " -inf", "12abc", "1e999", "*****", "1 2"}) {
    PutRaw("QTY", text);
    EXPECT_EQ(xb_GetDouble("QTY"), 0.0) << text;
    EXPECT_EQ(xb_GetInteger("QTY"), 0) << text;
    // Expressions (filters, index keys, queries) read the field the same way.
    EXPECT_EQ(xb_EvalNumeric("QTY"), 0.0) << text;
    EXPECT_EQ(xb_EvalLogical("QTY = 0"), 1) << text;
    EXPECT_FALSE(xb_IsNull("QTY")) << text;
  }
  PutRaw("QTY", "99999");
  EXPECT_EQ(xb_GetInteger("QTY"), 99999);
  EXPECT_EQ(xb_EvalNumeric("QTY + 1"), 100000.0);
  PutRaw("QTY", " -1.5");
  EXPECT_EQ(xb_GetDouble("QTY"), -1.5);
  EXPECT_EQ(xb_EvalNumeric("QTY"), -1.5);
  // VAL() reads the number at the start of any text, as it always did.
  EXPECT_EQ(xb_EvalNumeric("VAL(\"12abc\")"), 12.0);
  EXPECT_EQ(xb_GetInteger("QTY"), -1);
  // The same reading decides what may be stored.
  xb_PutString("QTY", "12abc");
  EXPECT_STREQ(xb_GetTrimString("QTY"), " -1.5");
  xb_PutString("QTY", "nan");
  EXPECT_STREQ(xb_GetTrimString("QTY"), " -1.5");
  xb_PutString("QTY", " 7 ");
  EXPECT_EQ(xb_GetInteger("QTY"), 7);
}

TEST_F(XbeHardening, WholeNumbersBeyondTheIntRangeAnswerTheNearestBound) {
  const std::string path = dir.File("BIG.DBF");
  ASSERT_GT(xb_CreateNew(path.c_str(), "BIG", XB_TYPE_NTX, 1), 0);
  xb_CreateField("N", "N", 25, 0);
  ASSERT_GT(xb_CreateExec(), 0);
  xb_AppendBlank();
  xb_PutString("N", "99999999999999999999999");
  EXPECT_EQ(xb_GetInteger("N"), INT32_MAX);
  xb_PutString("N", "-99999999999999999999999");
  EXPECT_EQ(xb_GetInteger("N"), INT32_MIN);
  xb_PutString("N", "-2147483648");
  EXPECT_EQ(xb_GetInteger("N"), INT32_MIN);
}

TEST_F(XbeHardening, TableCutShortUnderItsReadersAnswersCleanly) {
  const std::string path = dir.File("CUT.DBF");
  ASSERT_TRUE(MakeTable(path, XB_TYPE_NTX, false));
  ASSERT_GT(OpenTable(path), 0);
  AppendNumbered(3);
  const int recSize = xb_RecSize();
  xb_Close();
  const auto whole = ReadAll(path);
  const size_t header = whole.size() - 3 * size_t(recSize) - 1;
  // Cut to nothing, inside the header, and in the middle of record 2.
  for (const size_t size : {size_t(0), size_t(20), header + size_t(recSize) + size_t(recSize) / 2}) {
    for (const int turbo : {0, 1}) {
      WriteAll(path, whole);
      const bool clean = InChild([&] {
        if (OpenTable(path) <= 0) _exit(2);
        xb_SetTurboRead(turbo);
        xb_GoTop();
        xb_Skip(1);  // stands on record 2, read before the cut
        EXPECT_STREQ(xb_GetTrimString("NAME"), "R2");
        ASSERT_EQ(truncate(path.c_str(), off_t(size)), 0);
        // The record read before the cut stays readable as it was.
        EXPECT_STREQ(xb_GetTrimString("NAME"), "R2");
        std::vector<char> image(static_cast<size_t>(recSize));
        xb_GetRecord(image.data());
        const int fits = size > header ? int((size - header) / size_t(recSize)) : 0;
        EXPECT_LE(xb_RecCount(), 3);
        int walked = 0;
        for (xb_GoTop(); !xb_Eof() && walked < 10; xb_Skip(1)) {
          ++walked;
          EXPECT_EQ(xb_GetInteger("QTY"), walked);
        }
        EXPECT_LE(walked, fits);
        EXPECT_TRUE(xb_Eof());
        xb_Go(3);
        EXPECT_TRUE(xb_Eof());
        xb_GoBottom();
        xb_Skip(-1);
        xb_Skip(0);
        xb_GetTrimString("NAME");
        xb_GetRecord(image.data());
        xb_Count();
        xb_Deleted();
        EXPECT_LE(xb_RecCount(), fits);
        xb_CloseAll();
      });
      EXPECT_TRUE(clean) << "cut to " << size << " bytes, TurboRead " << turbo;
    }
  }
}

TEST_F(XbeHardening, TheCurrentRecordStaysOneVersionUntilTheNextMove) {
  const std::string path = dir.File("VERS.DBF");
  ASSERT_TRUE(MakeTable(path, XB_TYPE_NTX, true));
  const short a = xb_UseEx(path.c_str(), "A", XB_OPEN_SHARED, XB_TYPE_NTX, XB_COMMIT_NORMAL);
  ASSERT_GT(a, 0);
  AppendNumbered(2);
  xb_GoTop();
  xb_PutBlob("NOTES", "x", 1);
  xb_Commit();
  const short b = xb_UseEx(path.c_str(), "B", XB_OPEN_SHARED, XB_TYPE_NTX, XB_COMMIT_NORMAL);
  ASSERT_GT(b, 0);

  xb_Select(a);
  xb_GoTop();
  ASSERT_EQ(xb_GetBlobLength("NOTES"), 1);
  // Another area posts a longer blob and a new name between the two calls.
  xb_Select(b);
  xb_Go(1);
  const std::string big(5000, 'y');
  xb_PutBlob("NOTES", big.data(), int(big.size()));
  xb_PutString("NAME", "changed");
  xb_Go(2);
  xb_PutString("NAME", "second");
  xb_Commit();

  xb_Select(a);
  std::vector<unsigned char> buffer(6000, 0xEE);
  EXPECT_EQ(xb_GetBlob("NOTES", buffer.data()), 1);
  EXPECT_EQ(buffer[0], 'x');
  EXPECT_EQ(buffer[1], 0xEE);
  EXPECT_EQ(buffer[4999], 0xEE);
  EXPECT_STREQ(xb_GetTrimString("NAME"), "R1");
  // A refresh or a move shows what the other area committed.
  xb_Skip(0);
  EXPECT_STREQ(xb_GetTrimString("NAME"), "changed");
  EXPECT_EQ(xb_GetBlobLength("NOTES"), 5000);
  xb_Skip(1);
  EXPECT_STREQ(xb_GetTrimString("NAME"), "second");
  // Records others append show up at the end of a walk.
  xb_Select(b);
  xb_AppendBlank();
  xb_PutString("NAME", "third");
  xb_Commit();
  xb_Select(a);
  xb_Skip(1);
  EXPECT_FALSE(xb_Eof());
  EXPECT_STREQ(xb_GetTrimString("NAME"), "third");
}

TEST_F(XbeHardening, AppendWaitsForTheFileLockWithinTheTimeout) {
  const std::string path = dir.File("WAIT.DBF");
  ASSERT_TRUE(MakeTable(path, XB_TYPE_NTX, false));
  ASSERT_GT(OpenTable(path), 0);
  AppendNumbered(1);
  Signal locked, done;
  const pid_t child = fork();
  if (child == 0) {
    xb_FinalizeSession();
    if (OpenTable(path) <= 0 || !xb_Flock()) _exit(2);
    locked.Send();
    usleep(300 * 1000);
    xb_Unlock(0);
    done.Receive();
    _exit(0);
  }
  ASSERT_TRUE(locked.Receive());
  xb_AppendBlank();  // lock time-out 0: one try, refused
  EXPECT_EQ(xb_RecCount(), 1);
  xb_SetLockTimeout(5);
  xb_AppendBlank();
  EXPECT_EQ(xb_RecCount(), 2);
  done.Send();
  int status = 0;
  waitpid(child, &status, 0);
}

namespace {

// How a process appends its records.
enum class Style {
  FileLock,    // Flock, AppendBlank, Replace, Commit, Unlock(0)
  HeaderLock,  // AppendBlank under the header lock, PutRecord, Commit, Unlock(0)
  RecordLock,  // AppendBlankEx(lock), PutString, PutInteger, Commit, Unlock(rec)
  Batched,     // commit level none: Flock, 25 appends, Unlock(0)
};

int g_failures = 0;
void CountFailure(int, const char*) { ++g_failures; }

// Appends n records NAME = tag, QTY = 0 .. n-1, starting once go is closed
// by the parent; exits non-zero on any failure.
void AppendAll(const std::string& path, Style style, const char* tag, int n, int go) {
  xb_SetErrorFunc(CountFailure);
  xb_SetLockTimeout(60);
  const short level = style == Style::Batched ? XB_COMMIT_NONE : XB_COMMIT_NORMAL;
  if (xb_UseEx(path.c_str(), "", XB_OPEN_SHARED, XB_TYPE_NTX, level) <= 0) _exit(2);
  std::vector<char> image(static_cast<size_t>(xb_RecSize()));
  const size_t nameAt = size_t(xb_FieldOffset("NAME") - 1);
  const size_t qtyAt = size_t(xb_FieldOffset("QTY") - 1);
  // Both appenders wait here, open and ready, so that their appends overlap.
  char c;
  if (read(go, &c, 1) != 0) _exit(6);
  close(go);
  for (int i = 0; i < n; ++i) {
    switch (style) {
      case Style::FileLock:
        if (!xb_Flock()) _exit(3);
        xb_AppendBlank();
        xb_Replace("NAME", XB_R_CHAR, tag);
        xb_Replace("QTY", XB_R_LONG, &i);
        xb_Commit();
        xb_Unlock(0);
        break;
      case Style::HeaderLock: {
        xb_AppendBlank();
        xb_GetRecord(image.data());
        char qty[6];
        std::snprintf(qty, sizeof qty, "%5d", i);
        std::memset(&image[nameAt], ' ', 10);
        std::memcpy(&image[nameAt], tag, std::strlen(tag));
        std::memcpy(&image[qtyAt], qty, 5);
        xb_PutRecord(image.data());
        xb_Commit();
        xb_Unlock(0);
        break;
      }
      case Style::RecordLock: {
        const int rec = xb_AppendBlankEx(1);
        if (rec <= 0) _exit(4);
        xb_PutString("NAME", tag);
        xb_PutInteger("QTY", i);
        xb_Commit();
        xb_Unlock(rec);
        break;
      }
      case Style::Batched:
        if (i % 25 == 0 && !xb_Flock()) _exit(3);
        xb_AppendBlank();
        xb_PutString("NAME", tag);
        xb_PutInteger("QTY", i);
        if (i % 25 == 24 || i == n - 1) xb_Unlock(0);
        break;
    }
  }
  xb_CloseAll();
  _exit(g_failures == 0 ? 0 : 5);
}

// A count from the environment (a longer soak), or fallback when unset.
int CountFromEnv(const char* name, int fallback, int most) {
  const char* text = std::getenv(name);
  if (!text || !*text) return fallback;
  const int n = std::atoi(text);
  return n >= 1 && n <= most ? n : fallback;
}

// What one round of two appenders left in the table at path.
struct RoundResult {
  int count = -1;           // the header's record count
  bool sizeAgrees = false;  // the file is the header, count records and the end mark
  int damaged = 0;          // records that are not exactly what an appender wrote
  int wrong[2] = {0, 0};    // numbers of each appender not found exactly once
  int switches = 0;         // where the file turns from one appender's records to the other's
};

RoundResult CheckRound(const std::string& path, const char* const tags[2], int each) {
  RoundResult r;
  const auto bytes = ReadAll(path);
  if (bytes.size() < 32) return r;
  const auto le16 = [&](size_t at) { return size_t(bytes[at]) | size_t(bytes[at + 1]) << 8; };
  r.count = int(uint32_t(bytes[4]) | uint32_t(bytes[5]) << 8 | uint32_t(bytes[6]) << 16 | uint32_t(bytes[7]) << 24);
  const size_t headerLen = le16(8);
  const size_t recLen = le16(10);
  r.sizeAgrees = bytes.size() == headerLen + size_t(r.count) * recLen + 1 && bytes.back() == 0x1A;
  if (OpenTable(path) <= 0) return r;
  const size_t nameAt = size_t(xb_FieldOffset("NAME") - 1);
  const size_t qtyAt = size_t(xb_FieldOffset("QTY") - 1);
  std::vector<int> seen[2] = {std::vector<int>(size_t(each), 0), std::vector<int>(size_t(each), 0)};
  std::vector<char> image(recLen);
  int last = -1;
  for (xb_GoTop(); !xb_Eof(); xb_Skip(1)) {
    xb_GetRecord(image.data());
    const std::string name = xb_GetTrimString("NAME");
    const int qty = xb_GetInteger("QTY");
    const int k = name == tags[0] ? 0 : name == tags[1] ? 1 : -1;
    // The whole record, byte for byte: not deleted, the name and number
    // written, every other field blank (a record written over another, or
    // the end mark of a stale append, shows here).
    std::string want(recLen, ' ');
    if (k >= 0) {
      want.replace(nameAt, std::strlen(tags[k]), tags[k]);
      char qtyText[6];
      std::snprintf(qtyText, sizeof qtyText, "%5d", qty);
      want.replace(qtyAt, 5, qtyText);
    }
    if (k < 0 || qty < 0 || qty >= each || std::string(image.data(), recLen) != want) {
      ++r.damaged;
      continue;
    }
    ++seen[k][size_t(qty)];
    if (last >= 0 && last != k) ++r.switches;
    last = k;
  }
  for (int k = 0; k < 2; ++k) {
    for (const int c : seen[k]) r.wrong[k] += c != 1;
  }
  xb_CloseAll();
  return r;
}

const char* StyleName(Style s) {
  switch (s) {
    case Style::FileLock: return "file lock";
    case Style::HeaderLock: return "header lock";
    case Style::RecordLock: return "record lock";
    case Style::Batched: return "batched";
  }
  return "?";
}

}  // namespace

// Each pairing of lock styles appends together for several rounds (a lost
// record showed in some runs only). A longer soak: TW_APPEND_SOAK_ROUNDS
// rounds of TW_APPEND_SOAK_RECORDS records per appender.
TEST_F(XbeHardening, AppendersOfEveryLockStyleTogetherLoseNoRecord) {
  const Style styles[] = {Style::FileLock, Style::HeaderLock, Style::RecordLock, Style::Batched};
  const int rounds = CountFromEnv("TW_APPEND_SOAK_ROUNDS", 6, 100000);
  const int each = CountFromEnv("TW_APPEND_SOAK_RECORDS", 1500, 99999);  // QTY is N(5)
  for (const Style one : styles) {
    for (const Style two : styles) {
      if (two < one) continue;
      const std::string pairing = std::string(StyleName(one)) + " + " + StyleName(two);
      SCOPED_TRACE(pairing);
      int switches = 0;
      bool clean = true;
      for (int round = 1; clean && round <= rounds; ++round) {
        SCOPED_TRACE("round " + std::to_string(round));
        const std::string path = dir.File("PAIR.DBF");
        ASSERT_TRUE(MakeTable(path, XB_TYPE_NTX, false));
        int go[2];
        ASSERT_EQ(pipe(go), 0);
        pid_t pids[2];
        const char* const tags[2] = {"ONE", "TWO"};
        const Style pair[2] = {one, two};
        for (int k = 0; k < 2; ++k) {
          pids[k] = fork();
          if (pids[k] == 0) {
            close(go[1]);
            xb_FinalizeSession();
            AppendAll(path, pair[k], tags[k], each, go[0]);
          }
        }
        close(go[0]);
        close(go[1]);  // both start
        for (const pid_t pid : pids) {
          int status = 0;
          waitpid(pid, &status, 0);
          const bool ended = WIFEXITED(status) && WEXITSTATUS(status) == 0;
          EXPECT_TRUE(ended) << "an appender failed: status " << status;
          clean = clean && ended;
        }
        const RoundResult r = CheckRound(path, tags, each);
        EXPECT_EQ(r.count, 2 * each);
        EXPECT_TRUE(r.sizeAgrees) << "the file size does not match the record count " << r.count;
        EXPECT_EQ(r.damaged, 0);
        EXPECT_EQ(r.wrong[0], 0) << tags[0] << ": records lost or doubled";
        EXPECT_EQ(r.wrong[1], 0) << tags[1] << ": records lost or doubled";
        clean = clean && r.count == 2 * each && r.sizeAgrees && r.damaged == 0 && r.wrong[0] == 0 && r.wrong[1] == 0;
        switches += r.switches;
      }
      // The appenders really took turns (else the pairing proved nothing).
      if (clean) {
        EXPECT_GT(switches, 0);
      }
    }
  }
}
