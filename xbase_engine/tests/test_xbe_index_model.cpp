// Index orders of every file kind (.NTX, .IDX, .CDX, .NSX) through the entry
// points against a sorted model of the table: trees three and more levels
// deep, random appends, key changes, deletes and recalls while deleted
// records are hidden, walks both ways (also under a filter), seeks and soft
// seeks at both ends and between, positions, descending, unique and FOR
// orders, batched and direct writes, close and reopen, reindex and pack.
#include <algorithm>
#include <cstring>
#include <functional>
#include <iterator>
#include <map>
#include <random>
#include <ostream>
#include <string>
#include <vector>

#include "xbase_engine/index/IndexFile.h"
#include "xbase_engine/tests/EngineTestUtil.h"

using namespace xbetest;

namespace {

// The key field's width: set by each test from its kind.
int kKeyLen = 30;

struct Kind {
  const char* name;
  short type;
  const char* ext;  // single-order files; nullptr: tags of the production index
  int keyLen;       // width of the key field
};

void PrintTo(const Kind& k, std::ostream* os) { *os << k.name; }

struct OrderDef {
  const char* tag;  // tag name, or the base name of its own file
  bool numeric;     // key NUM, else KEY
  bool desc, unique;
  const char* cond;
};

const OrderDef kOrders[] = {
    {"ASC", false, false, false, nullptr}, {"DSC", false, true, false, nullptr},
    {"UNQ", false, false, true, nullptr},  {"POS", false, false, false, "NUM >= 0"},
    {"NUM", true, false, false, nullptr},  {"UNQPOS", false, false, true, "NUM >= 0"},
    {"UNQDSC", false, true, true, nullptr}, {"NUMDSC", true, true, false, nullptr},
};
constexpr int kOrderCount = int(std::size(kOrders));

std::string Pad(std::string s) {
  s.resize(kKeyLen, ' ');
  return s;
}

struct Entry {
  std::string key;
  int num;
  int rec;
};

// The table as the test wrote it, and what each order must hold.
struct Model {
  struct Rec {
    std::string key;  // padded
    int num;
    bool deleted;
  };
  std::vector<Rec> recs;
  // A unique order keeps the first record of every key when built; a change
  // adds a key only when no record holds it yet and takes it away only from
  // the record holding it. Per order: key -> record.
  std::map<std::string, int> holder[kOrderCount];

  static bool In(const OrderDef& o, const Rec& x) { return !o.cond || x.num >= 0; }

  void Append(const std::string& key, int num) {
    recs.push_back({Pad(key), num, false});
    for (int i = 0; i < kOrderCount; ++i) {
      if (kOrders[i].unique && In(kOrders[i], recs.back())) holder[i].emplace(recs.back().key, int(recs.size()));
    }
  }
  void Set(int r, const std::string& key, int num) {
    Rec& x = recs[size_t(r - 1)];
    const Rec old = x;
    x.key = Pad(key);
    x.num = num;
    for (int i = 0; i < kOrderCount; ++i) {
      const OrderDef& o = kOrders[i];
      if (!o.unique) continue;
      const bool was = In(o, old), is = In(o, x);
      if (was == is && (!is || old.key == x.key)) continue;
      if (was) {
        auto it = holder[i].find(old.key);
        if (it != holder[i].end() && it->second == r) holder[i].erase(it);
      }
      if (is) holder[i].emplace(x.key, r);
    }
  }
  void SetKey(int r, const std::string& key) { Set(r, key, recs[size_t(r - 1)].num); }
  void SetNum(int r, int num) { Set(r, recs[size_t(r - 1)].key, num); }
  void Rebuilt() {
    for (int i = 0; i < kOrderCount; ++i) {
      holder[i].clear();
      if (!kOrders[i].unique) continue;
      for (size_t r = 0; r < recs.size(); ++r) {
        if (In(kOrders[i], recs[r])) holder[i].emplace(recs[r].key, int(r + 1));
      }
    }
  }
  void Pack() {
    std::vector<Rec> kept;
    for (const Rec& x : recs) {
      if (!x.deleted) kept.push_back(x);
    }
    recs = kept;
    Rebuilt();
  }
  bool Visible(int r, bool filter) const {
    const Rec& x = recs[size_t(r - 1)];
    return !x.deleted && (!filter || x.num % 3 != 0);
  }
  std::vector<Entry> EntriesOf(const OrderDef& o) const {
    std::vector<Entry> out;
    if (o.unique) {
      const auto& h = holder[&o - kOrders];
      for (const auto& [k, r] : h) out.push_back({k, recs[size_t(r - 1)].num, r});
      if (o.desc) std::reverse(out.begin(), out.end());
      return out;
    }
    for (size_t i = 0; i < recs.size(); ++i) {
      if (o.cond && recs[i].num < 0) continue;
      out.push_back({recs[i].key, recs[i].num, int(i + 1)});
    }
    std::stable_sort(out.begin(), out.end(), [&](const Entry& a, const Entry& b) {
      if (o.numeric) return o.desc ? a.num > b.num : a.num < b.num;
      return o.desc ? a.key > b.key : a.key < b.key;
    });
    return out;
  }
};

std::vector<int> WalkForward() {
  std::vector<int> out;
  for (xb_GoTop(); !xb_Eof() && out.size() < 100000; xb_Skip(1)) out.push_back(xb_RecNo());
  return out;
}

std::vector<int> WalkBackward() {
  std::vector<int> out;
  for (xb_GoBottom(); !xb_Bof() && !xb_Eof() && out.size() < 100000; xb_Skip(-1)) out.push_back(xb_RecNo());
  return out;
}

// Where a seek must land: the record (0: at the end) and whether it found.
struct Landing {
  int rec;
  bool found;
};

// es: the entries in walk order; down: the walk runs from high keys to low.
Landing ExpectSeek(const Model& m, const OrderDef& o, const std::vector<Entry>& es, bool down,
                   const std::string& text, bool exact, bool soft, bool filter) {
  const double v = o.numeric ? std::stod(text) : 0.0;
  const std::string kb = o.numeric ? std::string() : (exact || text.size() > size_t(kKeyLen) ? Pad(text) : text);
  auto prefix = [&](const Entry& e) { return e.key.substr(0, kb.size()); };
  size_t i = 0;
  while (i < es.size()) {
    const bool at = o.numeric ? (down ? es[i].num <= v : es[i].num >= v)
                              : (down ? prefix(es[i]) <= kb : prefix(es[i]) >= kb);
    if (at) break;
    ++i;
  }
  while (i < es.size() && !m.Visible(es[i].rec, filter)) ++i;
  if (i == es.size()) return {0, false};
  const bool found = o.numeric ? es[i].num == v : prefix(es[i]) == kb;
  if (found || soft) return {es[i].rec, found};
  return {0, false};
}

class IndexModel : public ::testing::TestWithParam<Kind> {
 protected:
  void SetUp() override {
    xb_FinalizeSession();
    xb_SetLockTimeout(2);
    xb_SetErrorFunc([](int, const char* msg) { lastError = msg ? msg : ""; });
    xb_ErrorLevel(1);
  }
  void TearDown() override { xb_FinalizeSession(); }
  static inline std::string lastError;

  const Kind& K() const { return GetParam(); }
  std::string TablePath() { return dir.File("T.DBF"); }
  std::string FileOf(const OrderDef& o) { return dir.File(std::string(o.tag) + K().ext); }

  void CreateTable() {
    const short area = xb_CreateNew(TablePath().c_str(), "T", K().type, 3);
    ASSERT_GT(area, 0);
    xb_CreateField("KEY", "C", kKeyLen, 0);
    xb_CreateField("NUM", "N", 6, 0);
    xb_CreateField("OK", "L", 1, 0);
    ASSERT_GT(xb_CreateExec(), 0);
    xb_Close();
  }
  void Open(short mode, short commit) {
    ASSERT_GT(xb_UseEx(TablePath().c_str(), "T", mode, K().type, commit), 0) << lastError;
    if (K().ext) {
      for (const OrderDef& o : kOrders) ASSERT_GT(xb_IndexOpen(FileOf(o).c_str()), 0) << lastError;
    }
    ASSERT_EQ(xb_SysProp(XB_PROP_ORDER_COUNT, 0), kOrderCount);
  }
  void BuildOrders() {
    for (const OrderDef& o : kOrders) {
      const char* expr = o.numeric ? "NUM" : "KEY";
      short n;
      if (K().ext) {
        n = xb_Index(FileOf(o).c_str(), expr, o.cond, o.unique, o.desc);
      } else {
        n = xb_IndexTag(nullptr, o.tag, o.cond, o.unique, o.desc, expr);
      }
      ASSERT_GT(n, 0) << o.tag << ": " << lastError;
    }
  }

  // Letters A-F: short keys mostly, some filling the field, some of two
  // words with blanks between (as compound keys of padded fields have).
  std::string RandomKey() {
    const unsigned kind = rnd() % 10;
    const int len = kind == 0 ? kKeyLen : 1 + int(rnd() % 12);
    std::string s;
    for (int i = 0; i < len; ++i) s.push_back(char('A' + rnd() % 6));
    if (kind == 1) {
      s.append(1 + rnd() % size_t(kKeyLen / 2), ' ');
      for (int i = 0, n = 1 + int(rnd() % 6); i < n; ++i) s.push_back(char('A' + rnd() % 6));
      s.resize(std::min(s.size(), size_t(kKeyLen)));
    }
    return s;
  }
  int RandomNum() { return int(rnd() % 1001) - 500; }

  void Append() {
    const std::string k = RandomKey();
    const int n = RandomNum();
    xb_AppendBlank();
    xb_PutString("KEY", k.c_str());
    xb_PutInteger("NUM", n);
    m.Append(k, n);
  }

  // Random changes of every kind; deleted records are hidden meanwhile.
  void Change(int count) {
    for (int i = 0; i < count; ++i) {
      const unsigned what = rnd() % 100;
      const int r = 1 + int(rnd() % m.recs.size());
      if (what < 35) {
        Append();
      } else if (what < 43) {
        // In and out of the FOR order with the same key.
        xb_Go(r);
        const int n = -m.recs[size_t(r - 1)].num - (m.recs[size_t(r - 1)].num == 0 ? 1 : 0);
        xb_PutInteger("NUM", n);
        m.SetNum(r, n);
      } else if (what < 60) {
        xb_Go(r);
        const std::string k = RandomKey();
        xb_PutString("KEY", k.c_str());
        m.SetKey(r, k);
      } else if (what < 66) {
        // The whole record image at once.
        xb_Go(r);
        std::vector<char> image(static_cast<size_t>(xb_RecSize()));
        xb_GetRecord(image.data());
        const std::string k = RandomKey();
        std::memcpy(image.data() + 1, Pad(k).data(), kKeyLen);
        xb_PutRecord(image.data());
        m.SetKey(r, k);
      } else if (what < 76) {
        xb_Go(r);
        const int n = RandomNum();
        xb_PutInteger("NUM", n);
        m.SetNum(r, n);
      } else if (what < 90) {
        xb_Go(r);
        xb_Delete();
        m.recs[size_t(r - 1)].deleted = true;
      } else {
        xb_Go(r);
        xb_Recall();
        m.recs[size_t(r - 1)].deleted = false;
      }
    }
    xb_Commit();
    EXPECT_EQ(lastError, "") << "a change failed";
  }

  // A scope for the order: bounds as texts (empty: open) that the entries
  // in are kept.
  void ScopeFor(const OrderDef& o, std::vector<Entry>& es, std::string& low, std::string& high) {
    if (o.numeric) {
      int a = RandomNum(), b = RandomNum();
      if (a > b) std::swap(a, b);
      low = rnd() % 4 == 0 ? std::string() : std::to_string(a);
      high = rnd() % 4 == 0 ? std::string() : std::to_string(b);
      std::erase_if(es, [&](const Entry& e) {
        return (!low.empty() && e.num < a) || (!high.empty() && e.num > b);
      });
      return;
    }
    low = RandomKey().substr(0, 1 + rnd() % 3);
    high = RandomKey().substr(0, 1 + rnd() % 3);
    // The bound that sorts first is the low one (compared over the shorter).
    const size_t n = std::min(low.size(), high.size());
    if (low.compare(0, n, high, 0, n) > 0) std::swap(low, high);
    if (rnd() % 4 == 0) low.clear();
    if (rnd() % 4 == 0) high.clear();
    std::erase_if(es, [&](const Entry& e) {
      return (!low.empty() && e.key.substr(0, low.size()) < low) ||
             (!high.empty() && e.key.substr(0, high.size()) > high);
    });
  }

  // Every order against the model: walks, strides, seeks; positions when
  // nothing is hidden. Optionally within a random scope, or flipped.
  void Verify(const char* stage, bool filter, bool scoped = false, bool flipped = false) {
    SCOPED_TRACE(std::string(stage) + (filter ? " (filter)" : "") + (scoped ? " (scope)" : "") +
                 (flipped ? " (flipped)" : ""));
    if (filter) {
      ASSERT_TRUE(xb_SetFilter("NUM % 3 <> 0"));
    }
    for (const OrderDef& o : kOrders) {
      SCOPED_TRACE(o.tag);
      const short n = xb_TagArea(o.tag);
      ASSERT_GT(n, 0);
      xb_SetOrder(n);
      auto es = m.EntriesOf(o);
      std::string low, high;
      if (scoped) {
        ScopeFor(o, es, low, high);
        ASSERT_TRUE(xb_SetScope(low.c_str(), high.c_str()));
        EXPECT_EQ(std::string(xb_GetScope(0)), low);
        EXPECT_EQ(std::string(xb_GetScope(1)), high);
      }
      SCOPED_TRACE("scope \"" + low + "\" to \"" + high + "\"");
      bool down = o.desc;
      if (flipped) {
        ASSERT_NE(xb_IndexFlip(), 0);
        std::reverse(es.begin(), es.end());
        down = !down;
      }
      CheckOrder(o, es, down, filter);
      if (flipped) {
        EXPECT_EQ(xb_IndexFlip(), 0);
      }
      if (scoped) xb_SetScope(nullptr, nullptr);
    }
    if (filter) xb_SetFilter(nullptr);
  }

  void CheckOrder(const OrderDef& o, const std::vector<Entry>& es, bool down, bool filter) {
    std::vector<int> want;
    for (const Entry& e : es) {
      if (m.Visible(e.rec, filter)) want.push_back(e.rec);
    }
    EXPECT_TRUE(SameWalk(WalkForward(), want)) << "forward " << lastError;
    auto back = WalkBackward();
    std::reverse(back.begin(), back.end());
    EXPECT_TRUE(SameWalk(back, want)) << "backward";
    // Strides of seven from the top.
    xb_GoTop();
    for (size_t at = 0; at < want.size(); at += 7) {
      ASSERT_FALSE(xb_Eof()) << at;
      ASSERT_EQ(xb_RecNo(), want[at]) << at;
      xb_Skip(7);
    }
    EXPECT_TRUE(xb_Eof());
    // Seeks: keys held, prefixes, keys between, before and after all.
    std::vector<std::string> texts;
    if (o.numeric) {
      texts = {"-99999", "99999", "0", "-500", "500", "  17", "0042"};
      for (int j = 0; j < 6; ++j) texts.push_back(std::to_string(RandomNum()));
      for (int j = 0; j < 4 && !es.empty(); ++j) texts.push_back(std::to_string(es[rnd() % es.size()].num));
    } else {
      texts = {"0", "ZZZ", "A", "F", "FFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFF"};
      for (int j = 0; j < 6 && !es.empty(); ++j) {
        const std::string k = es[rnd() % es.size()].key;
        const size_t trimmed = k.find_last_not_of(' ') + 1;
        texts.push_back(k.substr(0, trimmed));
        texts.push_back(k.substr(0, 1 + rnd() % trimmed));
        texts.push_back(RandomKey());
      }
    }
    for (const std::string& t : texts) {
      for (const bool exact : {false, true}) {
        for (const bool soft : {false, true}) {
          const Landing want1 = ExpectSeek(m, o, es, down, t, exact, soft, filter);
          xb_SysProp(XB_PROP_SET_EXACT, exact);
          xb_SetSoftSeek(soft);
          const int found = xb_Seek(t.c_str());
          xb_SysProp(XB_PROP_SET_EXACT, 0);
          xb_SetSoftSeek(0);
          SCOPED_TRACE("seek \"" + t + "\" exact " + std::to_string(exact) + " soft " + std::to_string(soft));
          EXPECT_EQ(found != 0, want1.found);
          EXPECT_EQ(xb_Found() != 0, want1.found);
          if (want1.rec) {
            EXPECT_FALSE(xb_Eof());
            EXPECT_EQ(xb_RecNo(), want1.rec);
          } else {
            EXPECT_TRUE(xb_Eof());
          }
        }
      }
    }
    // Positions count every key of the order (within its scope).
    if (filter) return;
    xb_SetDeleted(0);
    const int total = int(es.size());
    if (total == 0) {
      xb_GoTop();
      EXPECT_EQ(xb_OrderPosGet(), 0.0);
    }
    for (int k : {1, 2, total / 3, total / 2, total - 1, total}) {
      if (k < 1 || k > total) continue;
      const double p = double(k) / double(total);
      xb_Go(es[size_t(k - 1)].rec);
      EXPECT_DOUBLE_EQ(xb_OrderPosGet(), p) << "key " << k << " of " << total;
      EXPECT_EQ(xb_OrderRecNo(), k);
      ASSERT_TRUE(xb_OrderPosSet(p));
      EXPECT_EQ(xb_RecNo(), es[size_t(k - 1)].rec) << "key " << k << " of " << total;
    }
    if (total > 0) {
      xb_GoTop();
      EXPECT_DOUBLE_EQ(xb_OrderPosGet(), 1.0 / total);
      xb_GoBottom();
      EXPECT_EQ(xb_OrderPosGet(), 1.0);
      ASSERT_TRUE(xb_OrderPosSet(0.0));
      EXPECT_EQ(xb_RecNo(), es.front().rec);
      ASSERT_TRUE(xb_OrderPosSet(1.0));
      EXPECT_EQ(xb_RecNo(), es.back().rec);
    }
    xb_SetDeleted(1);
  }

  // Queries answered partly or wholly from the orders: the records they
  // keep, in natural order and in index order.
  void VerifyQueries(const char* stage) {
    SCOPED_TRACE(stage);
    struct Q {
      std::string text;
      std::function<bool(const Model::Rec&)> keep;
    };
    const std::string k = m.recs[rnd() % m.recs.size()].key.substr(0, 2);
    const int v = RandomNum();
    const std::vector<Q> queries = {
        {"KEY = \"" + k + "\"", [&](const Model::Rec& x) { return x.key.compare(0, k.size(), k) == 0; }},
        {"KEY == \"" + Pad(k) + "\"", [&](const Model::Rec& x) { return x.key == Pad(k); }},
        {"NUM > " + std::to_string(v), [&](const Model::Rec& x) { return x.num > v; }},
        {"NUM <= " + std::to_string(v), [&](const Model::Rec& x) { return x.num <= v; }},
        {std::to_string(v) + " = NUM", [&](const Model::Rec& x) { return x.num == v; }},
        {"NUM > 100.5 .AND. NUM < 200.5", [&](const Model::Rec& x) { return x.num > 100 && x.num <= 200; }},
        {"NUM >= -0.5 .AND. KEY = \"" + k.substr(0, 1) + "\"",
         [&](const Model::Rec& x) { return x.num >= 0 && x.key[0] == k[0]; }},
    };
    for (const Q& q : queries) {
      SCOPED_TRACE(q.text);
      std::vector<int> want;
      for (size_t r = 0; r < m.recs.size(); ++r) {
        if (!m.recs[r].deleted && q.keep(m.recs[r])) want.push_back(int(r + 1));
      }
      if (q.text.find("==") == std::string::npos) {
        EXPECT_GE(xb_QueryTest(q.text.c_str()), 2);
      }
      xb_SetOrder(0);
      const int top = xb_Query(q.text.c_str());
      EXPECT_EQ(top, want.empty() ? 0 : want.front());
      EXPECT_EQ(xb_QueryRecCount(), int(want.size()));
      EXPECT_TRUE(SameWalk(WalkForward(), want)) << "natural order";
      xb_SetOrder(xb_TagArea("ASC"));
      auto in = m.EntriesOf(kOrders[0]);
      std::vector<int> ordered;
      for (const Entry& e : in) {
        if (std::binary_search(want.begin(), want.end(), e.rec)) ordered.push_back(e.rec);
      }
      EXPECT_TRUE(SameWalk(WalkForward(), ordered)) << "in key order";
      xb_Query("");
    }
  }

  // The walk against the model; a difference is shown where it starts.
  ::testing::AssertionResult SameWalk(const std::vector<int>& got, const std::vector<int>& want) const {
    if (got == want) return ::testing::AssertionSuccess();
    size_t i = 0;
    while (i < got.size() && i < want.size() && got[i] == want[i]) ++i;
    auto show = [&](const std::vector<int>& v) {
      std::string out;
      for (size_t j = i; j < v.size() && j < i + 3; ++j) {
        const Model::Rec& x = m.recs[size_t(v[j] - 1)];
        out += " " + std::to_string(v[j]) + ":\"" + x.key.substr(0, x.key.find_last_not_of(' ') + 1) + "\"/" +
               std::to_string(x.num) + (x.deleted ? "/del" : "");
      }
      return out;
    };
    return ::testing::AssertionFailure() << "walks of " << got.size() << " and " << want.size()
                                         << " records part at " << i << ": got" << show(got) << "; want"
                                         << show(want);
  }

  // Levels of the order's tree as its file holds it.
  size_t Depth(const OrderDef& o) {
    using namespace xbe::idx;
    const std::string path = K().ext ? FileOf(o) : dir.File(K().type == XB_TYPE_FOX ? "T.CDX" : "T.NSX");
    auto f = IndexFile::Open(path, false);
    f->bind = [](Order& x) { x.fmt.type = 'C'; };
    f->Refresh();
    return f->Read(0, [&] {
      for (auto& x : f->Orders()) {
        if (K().ext || x->name == o.tag) {
          Cursor c;
          x->First(c);
          return c.path.size();
        }
      }
      return size_t(0);
    });
  }

  ScratchDir dir;
  Model m;
  std::mt19937 rnd;
};

}  // namespace

TEST_P(IndexModel, DeepOrdersFollowEveryChangeLikeASortedModel) {
  const unsigned seed = 20261209u + unsigned(K().type) * 7u + (K().ext ? 1u : 0u) + unsigned(K().keyLen);
  rnd.seed(seed);
  kKeyLen = K().keyLen;
  SCOPED_TRACE("seed " + std::to_string(seed));
  CreateTable();
  // Batched writes first: exclusive use at commit level none.
  ASSERT_GT(xb_UseEx(TablePath().c_str(), "T", XB_OPEN_EXCLUSIVE, K().type, XB_COMMIT_NONE), 0);
  for (int i = 0; i < 300; ++i) Append();
  xb_Commit();
  BuildOrders();
  ASSERT_EQ(xb_SysProp(XB_PROP_ORDER_COUNT, 0), kOrderCount);
  xb_SetDeleted(1);
  Change(kKeyLen > 100 ? 1500 : 2400);
  Verify("batched", false);
  Verify("batched", true);
  if (HasFailure()) return;
  // Grown by splits, every character order is three levels deep or more.
  for (const OrderDef& o : kOrders) {
    if (!o.numeric) {
      EXPECT_GE(Depth(o), 3u) << o.tag;
    }
  }
  // A rebuild gives the unique order the first record of every key.
  xb_Reindex();
  m.Rebuilt();
  Verify("reindexed", false);
  xb_Close();
  // Direct writes on a shared table after reopening.
  Open(XB_OPEN_SHARED, XB_COMMIT_NORMAL);
  xb_SetDeleted(1);
  Verify("reopened", false);
  Change(500);
  Verify("shared", false);
  Verify("shared", true);
  for (int round = 0; round < 3; ++round) Verify("shared", round == 2, true);
  Verify("shared", false, false, true);
  VerifyQueries("shared");
  Verify("shared", true, true, true);
  xb_Close();
  // Pack renumbers the records and rebuilds every order.
  Open(XB_OPEN_EXCLUSIVE, XB_COMMIT_NORMAL);
  xb_SetDeleted(1);
  ASSERT_TRUE(xb_Pack());
  m.Pack();
  Verify("packed", false);
}

INSTANTIATE_TEST_SUITE_P(Kinds, IndexModel,
                         ::testing::Values(Kind{"NTX", XB_TYPE_NTX, ".NTX", 30}, Kind{"IDX", XB_TYPE_FOX, ".IDX", 30},
                                           Kind{"CDX", XB_TYPE_FOX, nullptr, 30}, Kind{"NSX", XB_TYPE_NSX, nullptr, 30},
                                           // Long keys: few to a page, of very different compressed sizes.
                                           Kind{"IDX200", XB_TYPE_FOX, ".IDX", 200},
                                           Kind{"CDX240", XB_TYPE_FOX, nullptr, 240}),
                         [](const auto& info) { return std::string(info.param.name); });
