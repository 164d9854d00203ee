// The index trees of every file kind against a sorted model: builds, random
// inserts and removals with page splits, walks both ways, seeks, ranks and
// reopening from the file.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <random>
#include <set>
#include <string>
#include <utility>

#include "xbase_engine/index/IndexFile.h"
#include "xbase_engine/tests/EngineTestUtil.h"

using namespace xbe;
using namespace xbe::idx;
using xbetest::ScratchDir;

namespace {

using Model = std::set<std::pair<std::string, uint32_t>>;

struct KindCase {
  const char* ext;
  FileKind kind;
};

class Trees : public ::testing::TestWithParam<KindCase> {
 protected:
  std::string Path() { return dir.File(std::string("T") + GetParam().ext); }
  std::unique_ptr<IndexFile> Make(const Model& m, int keyLen, bool desc = false) {
    auto f = IndexFile::Create(Path(), GetParam().kind);
    OrderSpec s;
    s.name = "T";
    s.keyExpr = "NAME";
    s.fmt = KeyFormat{'C', keyLen, 0, false};
    s.descending = desc;
    Entries e;
    e.keyLen = keyLen;
    for (const auto& [k, r] : m) {
      e.keys.insert(e.keys.end(), k.begin(), k.end());
      e.recs.push_back(r);
    }
    SortEntries(e, desc, false, KeyCompare{});
    f->Rebuild({s}, {e}, true);
    return f;
  }
  // The file opened anew, its orders told that their keys are text.
  std::unique_ptr<IndexFile> Reopen(bool writable) {
    auto f = IndexFile::Open(Path(), writable);
    f->bind = [](Order& o) { o.fmt.type = 'C'; };
    f->Refresh();
    return f;
  }
  ScratchDir dir;
};

std::string Key(int v, int len) {
  std::string s = std::to_string(v * 7919 % 100003);
  s.insert(0, size_t(6) - std::min<size_t>(6, s.size()), '0');
  s.resize(size_t(len), ' ');
  return s;
}

// Walks the whole order both ways and compares with the model.
void ExpectSame(IndexFile& f, const Model& m, bool desc) {
  f.Read(0, [&] {
    Order& o = *f.Orders()[0];
    std::vector<std::pair<std::string, uint32_t>> want(m.begin(), m.end());
    if (desc) {
      std::stable_sort(want.begin(), want.end(), [](const auto& a, const auto& b) {
        return a.first != b.first ? a.first > b.first : a.second < b.second;
      });
    }
    Cursor c;
    size_t i = 0;
    for (bool ok = o.First(c); ok; ok = o.Next(c), ++i) {
      EXPECT_LT(i, want.size());
      if (i >= want.size()) break;
      EXPECT_EQ(c.key, want[i].first) << i;
      EXPECT_EQ(c.rec, want[i].second) << i;
      EXPECT_EQ(o.Rank(c), int64_t(i));
    }
    EXPECT_EQ(i, want.size());
    i = want.size();
    for (bool ok = o.Last(c); ok; ok = o.Prev(c)) {
      --i;
      EXPECT_EQ(c.rec, want[i].second) << i;
    }
    EXPECT_EQ(i, 0u);
    EXPECT_EQ(o.Count(), int64_t(want.size()));
    return 0;
  });
}

}  // namespace

TEST_P(Trees, BuiltTreeWalksSeeksAndRanksLikeTheModel) {
  Model m;
  for (int i = 1; i <= 3000; ++i) m.emplace(Key(i % 1700, 12), uint32_t(i));
  auto f = Make(m, 12);
  ExpectSame(*f, m, false);
  f->Read(0, [&] {
    Order& o = *f->Orders()[0];
    Cursor c;
    const std::string k = Key(55, 12);
    EXPECT_TRUE(o.Seek(reinterpret_cast<const uint8_t*>(k.data()), 12, 0, c));
    EXPECT_EQ(c.key, k);
    EXPECT_EQ(c.rec, 55u);  // the first record of that key
    // A prefix seek lands on the first key that starts with it.
    EXPECT_TRUE(o.Seek(reinterpret_cast<const uint8_t*>(k.data()), 3, 0, c));
    EXPECT_EQ(c.key.substr(0, 3), k.substr(0, 3));
    // Past the last key: nothing.
    EXPECT_FALSE(o.Seek(reinterpret_cast<const uint8_t*>("~~~"), 3, 0, c));
    // Select is the inverse of Rank.
    for (int64_t r : {int64_t(0), int64_t(1), int64_t(1499), int64_t(2999)}) {
      EXPECT_TRUE(o.Select(r, c));
      EXPECT_EQ(o.Rank(c), r);
    }
    EXPECT_FALSE(o.Select(3000, c));
    return 0;
  });
}

TEST_P(Trees, RandomInsertsAndRemovesKeepTheOrderAndSurviveReopening) {
  Model m;
  auto f = Make(m, 8);
  std::mt19937 rnd(7);
  for (int round = 0; round < 4; ++round) {
    f->Write(false, 0, [&] {
      Order& o = *f->Orders()[0];
      for (int i = 0; i < 1500; ++i) {
        const uint32_t rec = uint32_t(rnd() % 5000 + 1);
        const std::string k = Key(int(rnd() % 900), 8);
        if (m.count({k, rec}) || rnd() % 3 == 0) {
          auto it = m.lower_bound({k, 0});
          if (it == m.end()) continue;
          EXPECT_TRUE(o.Remove(it->first, it->second));
          m.erase(it);
        } else {
          EXPECT_TRUE(o.Insert(k, rec));
          m.emplace(k, rec);
        }
      }
      return 0;
    });
    ExpectSame(*f, m, false);
  }
  f.reset();
  auto again = Reopen(true);
  ExpectSame(*again, m, false);
}

TEST_P(Trees, DescendingOrderStoresKeysHighFirst) {
  Model m;
  for (int i = 1; i <= 500; ++i) m.emplace(Key(i, 6), uint32_t(i));
  auto f = Make(m, 6, true);
  ExpectSame(*f, m, true);
  f->Write(false, 0, [&] {
    Order& o = *f->Orders()[0];
    EXPECT_TRUE(o.Insert(Key(9999, 6), 9999));
    m.emplace(Key(9999, 6), 9999);
    return 0;
  });
  ExpectSame(*f, m, true);
}

// Compressed leaves (.IDX, .CDX) keep a running measure of their size through
// inserts and removals; it must always equal measuring the leaf afresh, or a
// leaf could be taken to fit its page when it does not.
TEST_P(Trees, KeptLeafMeasureEqualsAFreshOne) {
  Model m;
  auto f = Make(m, 12);
  std::mt19937 rnd(11);
  // Keys sharing prefixes of every length and ending in blanks of every length.
  auto key = [&] {
    std::string k = Key(int(rnd() % 400), 12).substr(0, 1 + rnd() % 8);
    k.resize(12, ' ');
    return k;
  };
  int checked = 0;
  for (int round = 0; round < 3; ++round) {
    f->Write(true, 0, [&] {
      Order& o = *f->Orders()[0];
      PageStore& st = f->Store();
      for (int i = 0; i < 2500; ++i) {
        const uint32_t rec = uint32_t(rnd() % 100000 + 1);
        const std::string k = key();
        if (!m.empty() && rnd() % 3 == 0) {
          auto it = m.lower_bound({k, 0});
          if (it == m.end()) it = m.begin();
          EXPECT_TRUE(o.Remove(it->first, it->second));
          m.erase(it);
        } else if (!m.count({k, rec})) {
          EXPECT_TRUE(o.Insert(k, rec));
          m.emplace(k, rec);
        }
        if (i % 4 != 0) continue;
        for (uint64_t off = 0; off < st.End(); off += st.PageSize()) {
          const Node* n = st.Cached(uint32_t(off));
          if (!n || !n->leaf || n->sizeVar < 0) continue;
          Node fresh = *n;
          fresh.sizeVar = -1;
          EXPECT_EQ(o.Fits(fresh), o.Fits(*n)) << "page " << off;
          EXPECT_EQ(fresh.sizeVar, n->sizeVar) << "page " << off << " after change " << i;
          ++checked;
        }
      }
      return 0;
    });
    f->Flush();
    ExpectSame(*f, m, false);
  }
  const FileKind kind = GetParam().kind;
  if (kind == FileKind::Idx || kind == FileKind::Cdx) {
    EXPECT_GT(checked, 1000);
  }
}

// Compressed leaves (.IDX, .CDX) store of each key what it does not share
// with the key before it: removing an entry can make the next one take more
// room, and the leaf must then be cut in two rather than written past its page.
TEST_P(Trees, ARemovalThatGrowsALeafSplitsIt) {
  constexpr int kl = 200;
  auto key = [](std::string s) {
    s.resize(kl, ' ');
    return s;
  };
  Model m;
  m.emplace(key("A"), 1);
  m.emplace(key("B"), 2);
  // Shares "B" and 150 blanks with the key before it: stored as one byte.
  m.emplace(key("B" + std::string(150, ' ') + "Z"), 3);
  for (int i = 0; i < 40; ++i) m.emplace(key("C" + std::to_string(1000 + i) + std::string(60, 'Q')), uint32_t(10 + i));
  auto f = Make(m, kl);
  f->Write(false, 0, [&] {
    EXPECT_TRUE(f->Orders()[0]->Remove(key("B"), 2));
    return 0;
  });
  m.erase({key("B"), 2});
  ExpectSame(*f, m, false);
  f.reset();
  auto again = Reopen(false);
  ExpectSame(*again, m, false);
}

// Keys of very different stored sizes: halving the entries of a full leaf
// would leave the long keys together in a half that does not fit.
TEST_P(Trees, ALeafIsCutWhereBothHalvesFit) {
  constexpr int kl = 200;
  auto key = [](std::string s) {
    s.resize(kl, ' ');
    return s;
  };
  Model m;
  m.emplace(key("A" + std::string(199, 'P')), 1);
  m.emplace(key("A" + std::string(199, 'Q')), 2);
  for (int i = 0; i < 19; ++i) m.emplace(key("Z"), uint32_t(10 + i));  // a few bytes each
  auto f = Make(m, kl);
  f->Write(false, 0, [&] {
    EXPECT_TRUE(f->Orders()[0]->Insert(key("A" + std::string(199, 'R')), 3));
    return 0;
  });
  m.emplace(key("A" + std::string(199, 'R')), 3);
  ExpectSame(*f, m, false);
  f.reset();
  auto again = Reopen(false);
  ExpectSame(*again, m, false);
}

// A page whose keys are out of order (a damaged file) ends a walk with an
// error in either direction, never a loop or a silent skip.
TEST_P(Trees, KeysOutOfOrderInAPageStopAWalkEitherWay) {
  Model m;
  for (int i = 1; i <= 400; ++i) m.emplace(Key(i, 8), uint32_t(i));
  auto f = Make(m, 8);
  f->Write(false, 0, [&] {
    Order& o = *f->Orders()[0];
    Cursor c;
    EXPECT_TRUE(o.First(c));
    Node* n = o.Load(c.path.back().first);
    EXPECT_TRUE(n->leaf);
    EXPECT_GE(n->n(), 3);
    if (n->leaf && n->n() >= 3) {
      // Entries 1 and 2 change places.
      std::string k1(reinterpret_cast<const char*>(n->Key(1)), 8);
      std::memcpy(n->Key(1), n->Key(2), 8);
      std::memcpy(n->Key(2), k1.data(), 8);
      std::swap(n->recs[1], n->recs[2]);
      n->sizeVar = -1;
      o.Dirty(n);
    }
    return 0;
  });
  for (const bool forward : {true, false}) {
    auto again = Reopen(false);
    int steps = 0;
    try {
      again->Read(0, [&] {
        Order& o = *again->Orders()[0];
        Cursor c;
        for (bool ok = forward ? o.First(c) : o.Last(c); ok && steps < 1000; ok = forward ? o.Next(c) : o.Prev(c)) {
          ++steps;
        }
        return 0;
      });
      ADD_FAILURE() << (forward ? "forward" : "backward") << " walk ended without an error after " << steps;
    } catch (const XbError& e) {
      EXPECT_NE(std::string(e.what()).find("Damaged index"), std::string::npos) << e.what();
    }
    EXPECT_LT(steps, 400) << (forward ? "forward" : "backward");
  }
}

INSTANTIATE_TEST_SUITE_P(Kinds, Trees,
                         ::testing::Values(KindCase{".NTX", FileKind::Ntx}, KindCase{".IDX", FileKind::Idx},
                                           KindCase{".CDX", FileKind::Cdx}, KindCase{".NSX", FileKind::Nsx}),
                         [](const auto& info) { return std::string(info.param.ext + 1); });
