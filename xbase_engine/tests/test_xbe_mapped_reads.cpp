// Tables read through a shared mapping while other processes cut them short,
// write and append: every record an area lands on is the right one or the move
// ends cleanly (Eof or an error), and moves show what others committed.
#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <random>
#include <string>
#include <vector>

#include "xbase_engine/tests/EngineTestUtil.h"

using namespace xbetest;

namespace {

constexpr int kRecords = 3000;  // about 19 pages of 25-byte records

class XbeMappedReads : public ::testing::Test {
 protected:
  void SetUp() override {
    xb_FinalizeSession();
    xb_SetLockTimeout(0);
    path = dir.File("MAP.DBF");
    ASSERT_TRUE(MakeTable(path, XB_TYPE_NTX, false));
    ASSERT_GT(Open(), 0);
    AppendNumbered(kRecords);
    recSize = xb_RecSize();
    xb_Close();
    whole = ReadAll(path);
    header = whole.size() - size_t(kRecords) * size_t(recSize) - 1;
  }
  void TearDown() override { xb_FinalizeSession(); }
  short Open() { return xb_UseEx(path.c_str(), "", XB_OPEN_SHARED, XB_TYPE_NTX, XB_COMMIT_NORMAL); }
  // Records a file of size bytes holds whole.
  int Fits(size_t size) const { return size > header ? int((size - header) / size_t(recSize)) : 0; }

  ScratchDir dir;
  std::string path;
  int recSize = 0;
  std::vector<unsigned char> whole;
  size_t header = 0;
};

int g_errors = 0;
void CountError(int, const char*) { ++g_errors; }

// Walks on from the current record to the end: every record landed on must
// be the one its number says. Answers the records walked.
int WalkChecked(int limit) {
  int walked = 0;
  for (; !xb_Eof() && walked < limit; xb_Skip(1)) {
    ++walked;
    const int rec = xb_RecNo();
    EXPECT_EQ(xb_GetInteger("QTY"), rec);
    EXPECT_EQ(std::string(xb_GetTrimString("NAME")), "R" + std::to_string(rec));
  }
  return walked;
}

}  // namespace

TEST_F(XbeMappedReads, ACutAnywhereInTheFileEndsMovesCleanlyAndNeverShowsAWrongRecord) {
  const size_t page = 4096;
  const size_t mid = header + size_t(kRecords / 2) * size_t(recSize);
  // To nothing, inside the header, on a page boundary, inside a record in
  // the middle of a page, and the last record's last byte.
  const size_t cuts[] = {0, 20, 8 * page, mid + size_t(recSize) / 2, whole.size() - 2};
  for (const size_t cut : cuts) {
    for (const int turbo : {0, 1}) {
      WriteAll(path, whole);
      const bool clean = InChild([&] {
        xb_SetErrorFunc(CountError);
        if (Open() <= 0) _exit(2);
        xb_SetTurboRead(turbo);
        xb_Go(kRecords / 4);
        EXPECT_EQ(WalkChecked(10), 10);
        ASSERT_EQ(truncate(path.c_str(), off_t(cut)), 0);
        // On from where it stood: right records, up to the cut at most
        // (TurboRead serves the records it read ahead before the cut).
        const int from = xb_RecNo();
        const int walked = WalkChecked(kRecords);
        if (!turbo) {
          EXPECT_LE(from - 1 + walked, std::max(Fits(cut), from)) << "cut " << cut;
        }
        EXPECT_TRUE(xb_Eof());
        // Straight to records past the cut, and back from the end.
        xb_Go(kRecords / 2 + 1);
        if (!xb_Eof()) {
          EXPECT_EQ(xb_GetInteger("QTY"), xb_RecNo());
        }
        xb_Go(kRecords);
        EXPECT_TRUE(xb_Eof());
        xb_GoBottom();
        if (!xb_Eof()) {
          EXPECT_EQ(xb_GetInteger("QTY"), xb_RecNo());
        }
        xb_Skip(-1);
        xb_Skip(0);
        EXPECT_LE(xb_RecCount(), Fits(cut));
        xb_GoTop();
        EXPECT_LE(WalkChecked(kRecords), Fits(cut));
        xb_CloseAll();
      });
      EXPECT_TRUE(clean) << "cut to " << cut << " bytes, TurboRead " << turbo;
    }
  }
}

TEST_F(XbeMappedReads, ReadersWalkCleanlyWhileAnotherProcessCutsAndRestoresTheTable) {
  // The cutter: cuts the file anywhere and writes it whole again, over and over.
  const pid_t cutter = fork();
  if (cutter == 0) {
    std::mt19937 rnd(7);
    const int fd = open(path.c_str(), O_RDWR | O_CLOEXEC);
    if (fd < 0) _exit(2);
    for (;;) {
      if (ftruncate(fd, off_t(rnd() % whole.size())) != 0) _exit(3);
      usleep(300);
      if (pwrite(fd, whole.data(), whole.size(), 0) != ssize_t(whole.size())) _exit(4);
      usleep(300);
    }
  }
  const bool clean = InChild([&] {
    xb_SetErrorFunc(CountError);
    const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(600);
    // The open itself may meet a file cut inside its header: that open fails.
    while (Open() <= 0) {
      if (std::chrono::steady_clock::now() > until) _exit(2);
    }
    int walks = 0;
    while (std::chrono::steady_clock::now() < until) {
      xb_SetTurboRead(walks % 2);
      xb_GoTop();
      int walked = 0;
      for (; !xb_Eof() && walked <= kRecords; xb_Skip(1)) {
        ++walked;
        // A record torn by the cutter's rewrite may show zeros or blanks for
        // a moment (no lock is held), never another record's values.
        const int qty = xb_GetInteger("QTY");
        if (qty != 0) {
          EXPECT_EQ(qty, xb_RecNo());
        }
      }
      EXPECT_LE(walked, kRecords);
      ++walks;
    }
    EXPECT_GT(walks, 0);
    xb_CloseAll();
  });
  kill(cutter, SIGKILL);
  waitpid(cutter, nullptr, 0);
  EXPECT_TRUE(clean);
}

TEST_F(XbeMappedReads, MovesShowWhatAnotherProcessCommitted) {
  ASSERT_GT(Open(), 0);
  xb_SetTurboRead(0);
  xb_Go(2);
  ASSERT_STREQ(xb_GetTrimString("NAME"), "R2");
  Signal wrote;
  const pid_t writer = fork();
  if (writer == 0) {
    xb_FinalizeSession();
    if (Open() <= 0) _exit(2);
    xb_Go(3);
    xb_PutString("NAME", "changed");
    // Enough new records to reach pages the reader never mapped.
    for (int i = 0; i < 500; ++i) {
      xb_AppendBlank();
      xb_PutString("NAME", "new");
      xb_PutInteger("QTY", kRecords + 1 + i);
    }
    xb_Commit();
    xb_CloseAll();
    wrote.Send();
    _exit(0);
  }
  ASSERT_TRUE(wrote.Receive());
  waitpid(writer, nullptr, 0);
  // The record stood on stays as read until the next move.
  EXPECT_STREQ(xb_GetTrimString("NAME"), "R2");
  xb_Skip(1);
  EXPECT_STREQ(xb_GetTrimString("NAME"), "changed");
  xb_Go(kRecords);
  int appended = 0;
  for (xb_Skip(1); !xb_Eof(); xb_Skip(1)) {
    ++appended;
    EXPECT_EQ(xb_GetInteger("QTY"), xb_RecNo());
  }
  EXPECT_EQ(appended, 500);
  EXPECT_EQ(xb_RecCount(), kRecords + 500);
}

TEST_F(XbeMappedReads, AWalkPassesOverRecordsHiddenAsDeletedEvenWhenAnotherAreaDeletesThemAhead) {
  const short reader = Open();
  ASSERT_GT(reader, 0);
  xb_SetDeleted(1);
  // Runs of deleted records: 2..4, and the last ten.
  for (int r : {2, 3, 4}) {
    xb_Go(r);
    xb_Delete();
  }
  for (int r = kRecords - 9; r <= kRecords; ++r) {
    xb_Go(r);
    xb_Delete();
  }
  xb_Commit();
  const short other = xb_UseEx(path.c_str(), "OTHER", XB_OPEN_SHARED, XB_TYPE_NTX, XB_COMMIT_NORMAL);
  ASSERT_GT(other, 0);
  xb_Select(reader);
  xb_GoTop();
  EXPECT_EQ(xb_RecNo(), 1);
  xb_Skip(1);
  EXPECT_EQ(xb_RecNo(), 5);
  // The other area deletes record 7 after the reader passed record 5.
  xb_Select(other);
  xb_Go(7);
  xb_Delete();
  xb_Commit();
  xb_Select(reader);
  xb_Skip(1);
  EXPECT_EQ(xb_RecNo(), 6);
  xb_Skip(1);
  EXPECT_EQ(xb_RecNo(), 8);
  // On to the end: the deleted tail is passed over to the phantom record.
  int walked = 0;
  for (; !xb_Eof(); xb_Skip(1)) ++walked;
  EXPECT_EQ(walked, kRecords - 10 - 7);
  // A record appended by the other area after the hidden tail shows up.
  xb_Select(other);
  xb_AppendBlank();
  xb_PutInteger("QTY", kRecords + 1);
  xb_Commit();
  xb_Select(reader);
  xb_Go(kRecords - 10);
  xb_Skip(1);
  EXPECT_FALSE(xb_Eof());
  EXPECT_EQ(xb_RecNo(), kRecords + 1);
  xb_SetDeleted(0);
}

TEST_F(XbeMappedReads, ARecordASkipLandsOnStaysAsReadWhileOthersRewriteItAndTheRecordsItPassed) {
  const short reader = Open();
  ASSERT_GT(reader, 0);
  xb_SetTurboRead(0);
  xb_SetDeleted(1);
  xb_Go(11);
  xb_Delete();
  xb_Commit();
  const short other = xb_UseEx(path.c_str(), "OTHER", XB_OPEN_SHARED, XB_TYPE_NTX, XB_COMMIT_NORMAL);
  ASSERT_GT(other, 0);
  xb_Select(reader);
  xb_Go(9);
  xb_Skip(1);
  ASSERT_EQ(xb_RecNo(), 10);
  std::vector<char> before(static_cast<size_t>(recSize));
  xb_GetRecord(before.data());
  // Past the hidden record 11 onto 12: what is shown is record 12 as read,
  // never the hidden record read on the way.
  xb_Skip(1);
  ASSERT_EQ(xb_RecNo(), 12);
  EXPECT_STREQ(xb_GetTrimString("NAME"), "R12");
  EXPECT_EQ(xb_GetInteger("QTY"), 12);
  std::vector<char> landed(static_cast<size_t>(recSize));
  xb_GetRecord(landed.data());
  // Another area rewrites the record stood on and the next one.
  xb_Select(other);
  for (const int r : {12, 13}) {
    xb_Go(r);
    xb_PutString("NAME", ("new" + std::to_string(r)).c_str());
  }
  xb_Commit();
  xb_Select(reader);
  // One version until the next move: the field, the image and Eof agree.
  EXPECT_STREQ(xb_GetTrimString("NAME"), "R12");
  std::vector<char> again(static_cast<size_t>(recSize));
  xb_GetRecord(again.data());
  EXPECT_EQ(again, landed);
  EXPECT_FALSE(xb_Eof());
  // Each move shows what was committed; a refresh re-reads the record.
  xb_Skip(1);
  EXPECT_EQ(xb_RecNo(), 13);
  EXPECT_STREQ(xb_GetTrimString("NAME"), "new13");
  xb_Skip(-1);
  EXPECT_STREQ(xb_GetTrimString("NAME"), "new12");
  // Back past the hidden record: record 10 as stored, unchanged by the walk.
  xb_Skip(-1);
  EXPECT_EQ(xb_RecNo(), 10);
  std::vector<char> back(static_cast<size_t>(recSize));
  xb_GetRecord(back.data());
  EXPECT_EQ(back, before);
  xb_SetDeleted(0);
}

namespace {
std::string g_lastError;
void KeepError(int, const char* text) {
  ++g_errors;
  g_lastError = text ? text : "";
}
}  // namespace

TEST_F(XbeMappedReads, AnIndexCutShortUnderAnOpenOrderGivesADamagedIndexErrorAndTheTableStaysUsable) {
  const std::string ntx = dir.File("MAP.NTX");
  ASSERT_GT(xb_UseEx(path.c_str(), "", XB_OPEN_EXCLUSIVE, XB_TYPE_NTX, XB_COMMIT_NORMAL), 0);
  ASSERT_GT(xb_Index(ntx.c_str(), "NAME", nullptr, 0, 0), 0);
  xb_Close();
  const std::vector<unsigned char> index = ReadAll(ntx);
  ASSERT_GT(index.size(), size_t(8 * 4096));  // cuts below reach pages of the mapping
  // To nothing, inside the header, just past it, in the middle, and inside a
  // page in the middle (the rest of that memory page reads as zeros, no fault).
  const size_t cuts[] = {0, 100, 1024 + 100, index.size() / 2, index.size() / 2 + 1500};
  for (const size_t cut : cuts) {
    WriteAll(ntx, index);
    const bool clean = InChild([&] {
      xb_SetErrorFunc(KeepError);
      if (Open() <= 0 || xb_IndexOpen(ntx.c_str()) <= 0) _exit(2);
      xb_SetOrder(1);
      EXPECT_TRUE(xb_Seek("R1500"));
      EXPECT_EQ(xb_RecNo(), 1500);
      EXPECT_EQ(g_errors, 0);
      ASSERT_EQ(truncate(ntx.c_str(), off_t(cut)), 0);
      // Seeks and a whole walk of the order reach pages the file lost.
      xb_Seek("R2999");
      xb_Seek("R1");
      xb_GoTop();
      for (int i = 0; i <= kRecords && g_errors == 0 && !xb_Eof(); ++i) xb_Skip(1);
      EXPECT_GT(g_errors, 0) << "cut " << cut;
      EXPECT_NE(g_lastError.find("Damaged index"), std::string::npos) << "cut " << cut << ": " << g_lastError;
      // The table itself still reads in record order.
      xb_SetOrder(0);
      xb_GoTop();
      EXPECT_EQ(WalkChecked(kRecords), kRecords) << "cut " << cut;
      xb_CloseAll();
    });
    EXPECT_TRUE(clean) << "index cut to " << cut << " bytes";
  }
}
