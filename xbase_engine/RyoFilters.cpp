#include "xbase_engine/RyoFilters.h"

#include <map>
#include <string>

#include "xbase_engine/Engine.h"
#include "xbase_engine/Filters.h"

namespace xbe {

namespace {

struct RyoSet {
  RecordBits records;
  // For a saved filter: its expression text (empty for a bare record set)
  // and whether a filter was active at all.
  bool saved = false;
  bool hadFilter = false;
  bool hadRecords = false;
  std::string text;
};

struct Registry {
  std::map<int, RyoSet> sets;
  int next = 1;

  int Add(RyoSet s) {
    if (next <= 0) next = 1;  // wrapped after two thousand million handles
    while (sets.count(next)) ++next;
    const int h = next++;
    sets.emplace(h, std::move(s));
    return h;
  }
  RyoSet* Find(int h) {
    const auto it = sets.find(h);
    return it == sets.end() ? nullptr : &it->second;
  }
};

Registry& Sets() {
  static Registry r;
  return r;
}

}  // namespace

int RyoCreate() {
  RyoSet s;
  s.records = RecordBits(Current().RecCount());
  return Sets().Add(std::move(s));
}

int RyoCopy() {
  RyoSet s;
  s.records = AdmittedRecords(Current());
  return Sets().Add(std::move(s));
}

int RyoSave() {
  Table& t = Current();
  RyoSet s;
  s.saved = true;
  if (AreaFilter* f = ActiveFilter(t)) {
    s.hadFilter = true;
    if (f->condition) s.text = f->text;
    if (f->records) {
      s.records = *f->records;
      s.hadRecords = true;
    }
  }
  return Sets().Add(std::move(s));
}

int RyoRestore(int handle) {
  RyoSet* s = Sets().Find(handle);
  if (!s) return 0;
  Table& t = Current();
  if (!s->saved) return ActivateRecords(t, s->records, 0) ? 1 : 0;
  if (!s->hadFilter) {
    t.SetFilter(nullptr);
    return 1;
  }
  auto f = std::make_unique<AreaFilter>();
  if (!s->text.empty()) {
    f->condition = LogicalExpression(t, s->text);
    f->text = s->text;
  }
  if (s->hadRecords) f->records = std::make_unique<RecordBits>(s->records);
  t.SetFilter(std::move(f));
  return 1;
}

int RyoActivate(int handle, int mode) {
  RyoSet* s = Sets().Find(handle);
  if (!s) return 0;
  return ActivateRecords(Current(), s->records, mode) ? 1 : 0;
}

int RyoDestroy(int handle) { return Sets().sets.erase(handle) ? 1 : 0; }

int RyoGetBit(int handle, int64_t rec) {
  RyoSet* s = Sets().Find(handle);
  if (!s || rec < 1 || rec > UINT32_MAX) return 0;
  return s->records.Get(uint32_t(rec)) ? 1 : 0;
}

int RyoSetBit(int handle, int64_t rec, bool on) {
  RyoSet* s = Sets().Find(handle);
  if (!s || rec < 1) return 0;
  // A set grows only to records that exist in the current table.
  if (rec > int64_t(s->records.Size())) {
    Table* t = AreaTable(TheEngine().current);
    if (!t || rec > int64_t(t->RecCount())) return 0;
  }
  s->records.Set(uint32_t(rec), on);
  return 1;
}

void RyoReset() { Sets() = Registry(); }

}  // namespace xbe
