#include "xbase_engine/Filters.h"

#include <algorithm>
#include <bit>

#include "xbase_engine/AreaIndexes.h"
#include "xbase_engine/Engine.h"

namespace xbe {

bool AreaFilter::Admits(uint32_t recNo, const uint8_t* image) {
  if (records && recNo <= records->Size()) return records->Get(recNo);
  if (condition) return condition->Test(recNo, image);
  return !records;
}

void AreaFilter::Renumbered() {
  records.reset();
  if (!condition) text.clear();
}

AreaFilter* ActiveFilter(Table& t) { return dynamic_cast<AreaFilter*>(t.Filter()); }

std::unique_ptr<TableExpression> LogicalExpression(Table& t, std::string_view text) {
  auto e = std::make_unique<TableExpression>(&t, text);
  if (e->Type() != expr::Type::Logical) throw XbError("Not a logical expression: " + std::string(text));
  return e;
}

void SetExpressionFilter(Table& t, std::string_view text) {
  if (Trim(text).empty()) {
    t.SetFilter(nullptr);
    return;
  }
  auto f = std::make_unique<AreaFilter>();
  f->condition = LogicalExpression(t, text);
  f->text = std::string(text);
  t.SetFilter(std::move(f));
}

namespace {

// What the indexes can answer of cond: the records within every key range
// an order can give (null when none can), and how much of cond that is:
// 3 all of it, 2 part of it, 1 nothing.
std::unique_ptr<RecordBits> IndexCandidates(Table& t, TableExpression& cond, int& level) {
  level = 1;
  auto* indexes = dynamic_cast<idx::AreaIndexes*>(t.Observer());
  if (!indexes) return nullptr;
  bool complete = false;
  const std::vector<expr::KeyRange> ranges = cond.Expr().KeyRanges(complete);
  std::unique_ptr<RecordBits> candidates;
  for (const expr::KeyRange& r : ranges) {
    RecordBits bits;
    if (!indexes->KeyRangeRecords(r, bits)) {
      complete = false;
      continue;
    }
    if (candidates) {
      candidates->And(bits);
    } else {
      candidates = std::make_unique<RecordBits>(std::move(bits));
    }
  }
  if (candidates) level = complete ? 3 : 2;
  return candidates;
}

// The records among candidates that satisfy cond (the ranges are wider than
// the comparisons they come from), as a set over all n records.
RecordBits TestCandidates(Table& t, TableExpression& cond, RecordBits& candidates, uint32_t n) {
  Table::ReadScope scan(t);
  RecordBits bits(n);
  std::vector<uint64_t>& words = candidates.Words();
  for (size_t w = 0; w < words.size(); ++w) {
    for (uint64_t rest = words[w]; rest != 0; rest &= rest - 1) {
      const uint32_t rec = uint32_t(w * 64 + size_t(std::countr_zero(rest)) + 1);
      if (rec <= n && cond.Test(rec, t.RecordImage(rec))) bits.Set(rec, true);
    }
  }
  return bits;
}

// The records of t that satisfy cond: one pass reading blocks of records,
// the bits gathered a word at a time.
RecordBits TestAll(Table& t, TableExpression& cond) {
  const uint32_t n = t.RecCount();
  Table::ReadScope scan(t);
  RecordBits bits(n);
  std::vector<uint64_t>& words = bits.Words();
  for (uint32_t base = 0; base < n; base += 64) {
    uint64_t w = 0;
    const uint32_t end = std::min<uint32_t>(64, n - base);
    for (uint32_t i = 0; i < end; ++i) {
      const uint32_t rec = base + i + 1;
      if (cond.Test(rec, t.RecordImage(rec))) w |= uint64_t(1) << i;
    }
    words[base >> 6] = w;
  }
  return bits;
}

}  // namespace

uint32_t RunQuery(Table& t, std::string_view text) {
  if (Trim(text).empty()) {
    t.SetFilter(nullptr);
    return t.RecNo();
  }
  auto f = std::make_unique<AreaFilter>();
  f->condition = LogicalExpression(t, text);
  if (TheEngine().settings.queryExact) f->condition->Expr().ForceExact(true);
  f->text = std::string(text);
  int level = 1;
  std::unique_ptr<RecordBits> candidates = IndexCandidates(t, *f->condition, level);
  f->records = std::make_unique<RecordBits>(candidates ? TestCandidates(t, *f->condition, *candidates, t.RecCount())
                                                       : TestAll(t, *f->condition));
  t.SetFilter(std::move(f));
  t.GoTop();
  return t.Eof() ? 0 : t.RecNo();
}

int QueryLevel(Table& t, std::string_view text) {
  auto cond = LogicalExpression(t, text);
  int level = 1;
  IndexCandidates(t, *cond, level);
  return level;
}

uint32_t FilteredCount(Table& t) {
  const uint32_t n = t.RecCount();
  Table::ReadScope scan(t);
  uint32_t c = 0;
  for (uint32_t r = 1; r <= n; ++r) c += t.Visible(r) ? 1 : 0;
  return c;
}

RecordBits AdmittedRecords(Table& t) {
  const uint32_t n = t.RecCount();
  Table::ReadScope scan(t);
  RecordBits bits(n);
  for (uint32_t r = 1; r <= n; ++r) {
    if (t.Visible(r)) bits.Set(r, true);
  }
  return bits;
}

bool QueryBit(Table& t, uint32_t rec) {
  if (rec < 1 || rec > t.RecCount()) return false;
  AreaFilter* f = ActiveFilter(t);
  return !f || f->Admits(rec, t.RecordImage(rec));
}

bool SetQueryBit(Table& t, uint32_t rec, bool on) {
  AreaFilter* f = ActiveFilter(t);
  if (!f || !f->records || rec < 1 || rec > t.RecCount()) return false;
  f->records->Set(rec, on);
  return true;
}

bool ActivateRecords(Table& t, const RecordBits& bits, int mode) {
  if (mode < 0 || mode > 2) return false;
  auto f = std::make_unique<AreaFilter>();
  f->records = std::make_unique<RecordBits>(bits);
  if (mode != 0) {
    const RecordBits now = AdmittedRecords(t);
    if (mode == 1) {
      f->records->And(now);
    } else {
      f->records->Or(now);
    }
  }
  t.SetFilter(std::move(f));
  return true;
}

bool LocateRecord(Table& t, std::string_view text, int direction, bool resume) {
  auto cond = LogicalExpression(t, text);
  if (direction >= 0) {
    if (resume) {
      t.Skip(1);
    } else {
      t.GoTop();
    }
    for (; !t.Eof(); t.Skip(1)) {
      if (cond->EvaluateCurrent().logical) return true;
    }
    return false;
  }
  if (resume) {
    if (t.Eof()) {
      t.GoBottom();
    } else {
      t.Skip(-1);
      if (t.Bof()) return false;
    }
  } else {
    t.GoBottom();
  }
  while (!t.Eof()) {
    if (cond->EvaluateCurrent().logical) return true;
    t.Skip(-1);
    if (t.Bof()) return false;
  }
  return false;
}

}  // namespace xbe
