// Index moves that reuse what an earlier move found (the position in a leaf
// page, the references a seek follows through the tree) against a model of
// the order, while keys change between the moves: in the same work area (a
// batch in exclusive use) and in another work area on the same files (as
// another process would), for every index kind. Every move must see every
// committed change, and the record landed on stays the version read until
// the next move.
#include <algorithm>
#include <cstdio>
#include <iterator>
#include <map>
#include <ostream>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "xbase_engine/tests/EngineTestUtil.h"

using namespace xbetest;

namespace {

struct KindCase {
  short type;
  const char* name;
  bool otherArea;  // changes made by a second work area (else by the walking one, exclusive)
};

void PrintTo(const KindCase& k, std::ostream* os) { *os << k.name; }

std::string Name(int v) {
  char buf[16];
  std::snprintf(buf, sizeof buf, "K%06d", v);
  return buf;
}

std::string Trimmed(const char* s) {
  std::string t = s ? s : "";
  while (!t.empty() && t.back() == ' ') t.pop_back();
  return t;
}

class KeptPositions : public ::testing::TestWithParam<KindCase> {
 protected:
  void SetUp() override {
    xb_FinalizeSession();
    xb_SetLockTimeout(1);
  }
  void TearDown() override { xb_FinalizeSession(); }

  // A table of n records with even keys in a shuffled record order (a tree
  // of several levels), indexed on NAME; answers the work area.
  short Build(int n, std::map<std::pair<std::string, int>, bool>& model) {
    const KindCase k = GetParam();
    table = dir.File("T.DBF");
    EXPECT_TRUE(MakeTable(table, k.type, false));
    const short mode = k.otherArea ? XB_OPEN_SHARED : XB_OPEN_EXCLUSIVE;
    const short area = xb_UseEx(table.c_str(), "A", mode, k.type, XB_COMMIT_NORMAL);
    EXPECT_GT(area, 0);
    std::vector<int> values(static_cast<size_t>(n));
    for (int i = 0; i < n; ++i) values[size_t(i)] = 2 * i;
    std::mt19937 rnd(7);
    std::shuffle(values.begin(), values.end(), rnd);
    for (int i = 0; i < n; ++i) {
      xb_AppendBlank();
      xb_PutString("NAME", Name(values[size_t(i)]).c_str());
      xb_PutInteger("QTY", i % 1000);
      model[{Name(values[size_t(i)]), i + 1}] = true;
    }
    xb_Commit();
    if (k.type == XB_TYPE_NTX) {
      EXPECT_EQ(xb_Index(dir.File("BYNAME.NTX").c_str(), "NAME", nullptr, 0, 0), 1);
    } else {
      EXPECT_EQ(xb_IndexTag(nullptr, "NAME", nullptr, 0, 0, "NAME"), 1);
    }
    xb_SetOrder(1);
    return area;
  }
  short OpenOther() {
    const KindCase k = GetParam();
    const short b = xb_UseEx(table.c_str(), "B", XB_OPEN_SHARED, k.type, XB_COMMIT_NORMAL);
    EXPECT_GT(b, 0);
    if (k.type == XB_TYPE_NTX) {
      EXPECT_EQ(xb_IndexOpen(dir.File("BYNAME.NTX").c_str()), 1);
    }
    xb_SetOrder(1);
    return b;
  }
  ScratchDir dir;
  std::string table;
};

using Model = std::map<std::pair<std::string, int>, bool>;

TEST_P(KeptPositions, EveryMoveSeesTheChangesMadeSinceTheLastOne) {
  Model model;
  const short a = Build(3000, model);
  const short b = GetParam().otherArea ? OpenOther() : a;
  std::map<int, std::string> keyOf;
  for (const auto& [e, in] : model) keyOf[e.second] = e.first;
  std::mt19937 rnd(11);
  int next = 1;  // odd keys are the new ones
  xb_Select(a);
  xb_GoTop();
  int checked = 0;
  for (int step = 0; step < 6000; ++step) {
    // Sometimes a change first: a new key, or a record's key changed.
    const unsigned what = rnd() % 10;
    if (what < 2) {
      xb_Select(b);
      if (what == 0) {
        xb_AppendBlank();
        const std::string key = Name(next);
        next += 2;
        xb_PutString("NAME", key.c_str());
        xb_Commit();
        const int rec = xb_RecNo();
        model[{key, rec}] = true;
        keyOf[rec] = key;
      } else {
        // A key near the walking area's position (often in its leaf page).
        xb_Select(a);
        const int near = xb_Eof() ? 1 : xb_RecNo();
        xb_Select(b);
        int rec = near;
        if (rnd() % 2) rec = 1 + int(rnd() % unsigned(keyOf.size()));
        xb_Go(rec);
        ASSERT_FALSE(xb_Eof());
        const std::string key = Name(next);
        next += 2;
        ASSERT_TRUE(xb_Rlock(rec) || !GetParam().otherArea);
        xb_PutString("NAME", key.c_str());
        xb_Commit();
        if (GetParam().otherArea) xb_Unlock(rec);
        model.erase({keyOf[rec], rec});
        model[{key, rec}] = true;
        keyOf[rec] = key;
      }
      xb_Select(a);
    }
    if (b == a) {
      // The walking area moved itself to make the change: back to a record.
      if (rnd() % 2) {
        xb_GoTop();
      } else {
        const auto it = std::next(model.begin(), long(rnd() % model.size()));
        ASSERT_TRUE(xb_Seek(it->first.first.c_str())) << it->first.first;
      }
    }
    if (xb_Eof()) {
      xb_GoTop();
      ASSERT_FALSE(xb_Eof());
      EXPECT_EQ(xb_RecNo(), model.begin()->first.second);
      continue;
    }
    // Where the area stands, as it read the record when it landed.
    const std::pair<std::string, int> at{Trimmed(xb_GetString("NAME")), xb_RecNo()};
    if (rnd() % 8 == 0) {
      // A seek of a key in the model, or of one that left it.
      const auto it = std::next(model.begin(), long(rnd() % model.size()));
      ASSERT_TRUE(xb_Seek(it->first.first.c_str())) << it->first.first;
      EXPECT_EQ(xb_RecNo(), it->first.second);
      EXPECT_FALSE(xb_Seek(Name(next).c_str()));
      xb_GoTop();
      continue;
    }
    const bool forward = rnd() % 4 != 0;
    xb_Skip(forward ? 1 : -1);
    if (forward) {
      const auto it = model.upper_bound(at);
      if (it == model.end()) {
        EXPECT_TRUE(xb_Eof()) << "after " << at.first;
        continue;
      }
      ASSERT_FALSE(xb_Eof()) << "after " << at.first << " expected " << it->first.first;
      EXPECT_EQ(xb_RecNo(), it->first.second) << "after " << at.first;
      EXPECT_EQ(Trimmed(xb_GetString("NAME")), it->first.first);
    } else {
      const auto it = model.lower_bound(at);
      if (it == model.begin()) {
        EXPECT_TRUE(xb_Bof()) << "before " << at.first;
        continue;
      }
      const auto prev = std::prev(it);
      EXPECT_EQ(xb_RecNo(), prev->first.second) << "before " << at.first;
      EXPECT_EQ(Trimmed(xb_GetString("NAME")), prev->first.first);
    }
    ++checked;
    if (::testing::Test::HasFailure()) break;
  }
  EXPECT_GT(checked, 2000);
  // The whole walk, both ways, at the end.
  std::vector<int> expect, walked;
  for (const auto& [e, in] : model) expect.push_back(e.second);
  for (xb_GoTop(); !xb_Eof() && walked.size() <= expect.size(); xb_Skip(1)) walked.push_back(xb_RecNo());
  EXPECT_EQ(walked, expect);
  walked.clear();
  for (xb_GoBottom(); !xb_Bof() && walked.size() <= expect.size(); xb_Skip(-1)) walked.insert(walked.begin(), xb_RecNo());
  EXPECT_EQ(walked, expect);
}

class KeptLanding : public KeptPositions {};

TEST_P(KeptLanding, TheRecordLandedOnStaysTheVersionReadUntilTheNextMove) {
  Model model;
  const short a = Build(2000, model);
  const short b = OpenOther();
  for (int round = 0; round < 50; ++round) {
    xb_Select(a);
    const auto it = std::next(model.begin(), long(round * 37 % model.size()));
    ASSERT_TRUE(xb_Seek(it->first.first.c_str()));
    ASSERT_FALSE(xb_Eof());
    xb_Skip(1);  // a step within the page, most often
    ASSERT_FALSE(xb_Eof());
    const int rec = xb_RecNo();
    const int before = xb_GetInteger("QTY");
    xb_Select(b);
    xb_Go(rec);
    ASSERT_TRUE(xb_Rlock(rec));
    xb_PutInteger("QTY", before + 1);
    xb_Commit();
    xb_Unlock(rec);
    xb_Select(a);
    EXPECT_EQ(xb_GetInteger("QTY"), before) << "record " << rec;
    xb_Skip(1);
    xb_Skip(-1);
    ASSERT_EQ(xb_RecNo(), rec);
    EXPECT_EQ(xb_GetInteger("QTY"), before + 1) << "record " << rec;
  }
}

INSTANTIATE_TEST_SUITE_P(Kinds, KeptPositions,
                         ::testing::Values(KindCase{XB_TYPE_NTX, "NtxOtherArea", true},
                                           KindCase{XB_TYPE_FOX, "CdxOtherArea", true},
                                           KindCase{XB_TYPE_NSX, "NsxOtherArea", true},
                                           KindCase{XB_TYPE_NTX, "NtxSameArea", false},
                                           KindCase{XB_TYPE_FOX, "CdxSameArea", false},
                                           KindCase{XB_TYPE_NSX, "NsxSameArea", false}),
                         [](const auto& info) { return std::string(info.param.name); });

INSTANTIATE_TEST_SUITE_P(Kinds, KeptLanding,
                         ::testing::Values(KindCase{XB_TYPE_NTX, "NtxOtherArea", true},
                                           KindCase{XB_TYPE_FOX, "CdxOtherArea", true},
                                           KindCase{XB_TYPE_NSX, "NsxOtherArea", true}),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
