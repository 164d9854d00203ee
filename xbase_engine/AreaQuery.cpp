// Queries answered from an index: the records of a key range, read from an
// order's entries instead of testing every record of the table.
#include "xbase_engine/AreaIndexes.h"
#include "xbase_engine/Table.h"

namespace xbe::idx {

namespace {

const uint8_t* U(const std::string& s) { return reinterpret_cast<const uint8_t*>(s.data()); }

char KeyType(expr::Type t) {
  switch (t) {
    case expr::Type::Text: return 'C';
    case expr::Type::Number: return 'N';
    case expr::Type::Date: return 'D';
    default: return 0;
  }
}

}  // namespace

bool AreaIndexes::KeyRangeRecords(const expr::KeyRange& r, RecordBits& out) {
  const char type = KeyType(r.type);
  if (!type || (type == 'C' && r.prefix.empty())) return false;
  for (int n = 1; n <= Count(); ++n) {
    const Slot s = At(n);
    if (!s.order) continue;
    Order& o = *s.order;
    if (o.unique || !Trim(o.forExpr).empty() || o.fmt.type != type) continue;
    // A collated order sorts by whole keys level after level: the keys that
    // begin with some bytes need not stand together in it.
    if (type == 'C' && !o.compare.Machine()) continue;
    if (expr::NormalizeKey(o.keyExpr) != r.key) continue;
    // Bounds as key bytes, inclusive (keys are rounded to their decimals;
    // rounding keeps the order). A prefix is both bounds.
    std::string low, high;
    bool hasLow = true, hasHigh = true;
    if (type == 'C') {
      low = high = r.prefix.substr(0, size_t(o.fmt.length));
    } else {
      hasLow = r.hasLow;
      hasHigh = r.hasHigh;
      auto encode = [&](double v) {
        return type == 'N' ? EncodeNumber(v, o.fmt)
                           : EncodeDate(int32_t(std::max(-1e9, std::min(1e9, v))), o.fmt);
      };
      if (hasLow) low = encode(r.low);
      if (hasHigh) high = encode(r.high);
    }
    // A descending order holds the entries from the highest key down.
    if (o.descending) {
      std::swap(low, high);
      std::swap(hasLow, hasHigh);
    }
    t_.WriteCurrent();
    std::vector<uint32_t> recs;
    s.file->Read(WaitMs(), [&] {
      recs.clear();  // a read that met a change runs again from the start
      Cursor c;
      bool have = hasLow ? o.Seek(U(low), low.size(), 0, c) : o.First(c);
      while (have && c.valid) {
        if (hasHigh && o.Compare(U(c.key), c.rec, U(high), high.size(), kNoPage) > 0) break;
        recs.push_back(c.rec);
        have = o.Next(c);
      }
      return true;
    });
    const uint32_t count = t_.RecCount();
    for (uint32_t rec : recs) {
      if (rec >= 1 && rec <= count) out.Set(rec, true);  // a damaged entry names no record
    }
    return true;
  }
  return false;
}

}  // namespace xbe::idx
