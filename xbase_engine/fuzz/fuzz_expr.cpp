// Feeds arbitrary text to the expression compiler and evaluates whatever
// compiles over a record made of the remaining bytes, with fields of every
// storage kind and a second work area. The first byte picks the settings.
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "xbase_engine/expr/Expr.h"

using namespace xbe;
using namespace xbe::expr;

namespace {

class Source : public RecordSource {
 public:
  Source() {
    const struct {
      const char* name;
      char type;
      int width;
      int decimals;
      bool binary;
    } kFields[] = {{"NAME", 'C', 10, 0, false}, {"QTY", 'N', 8, 2, false}, {"DAY", 'D', 8, 0, false},
                   {"OK", 'L', 1, 0, false},    {"CNT", 'I', 4, 0, true},  {"PRICE", 'Y', 8, 4, true},
                   {"RATE", 'B', 8, 0, true},   {"STAMP", 'T', 8, 0, true}, {"NOTES", 'M', 10, 0, false}};
    int offset = 1;
    for (const auto& k : kFields) {
      FieldDesc f;
      f.name = k.name;
      f.type = k.type;
      f.width = k.width;
      f.decimals = k.decimals;
      f.binary = k.binary;
      f.offset = offset;
      offset += k.width;
      fields.push_back(f);
    }
    recordSize = offset;
  }

  bool FindField(std::string_view alias, std::string_view name, int& slot, FieldDesc& field) override {
    if (!alias.empty() && alias != "B") return false;
    for (const FieldDesc& f : fields) {
      if (f.name == name) {
        slot = alias.empty() ? 0 : 1;
        field = f;
        return true;
      }
    }
    return false;
  }
  Row CurrentRow(int) override { return other; }
  std::string MemoText(int, const Row& row, const FieldDesc&) override {
    return std::string(reinterpret_cast<const char*>(row.data), row.size);
  }

  std::vector<FieldDesc> fields;
  int recordSize = 0;
  Row other;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1) return 0;
  static Source source;
  const uint8_t mode = data[0];
  Settings settings;
  settings.exact = mode & 1;
  settings.century = mode & 2;
  settings.layout = LayoutForCode((mode >> 2) & 7, "", '/');
  ++data;
  --size;
  // The text ends at the first zero byte; the record follows it.
  const uint8_t* zero = static_cast<const uint8_t*>(std::memchr(data, 0, size));
  const size_t textLen = zero ? size_t(zero - data) : size;
  const std::string_view text(reinterpret_cast<const char*>(data), textLen);
  std::vector<uint8_t> record(size_t(source.recordSize), ' ');
  if (zero) {
    const size_t rest = size - textLen - 1;
    std::memcpy(record.data(), zero + 1, std::min(rest, record.size()));
  }
  const Row row{record.data(), uint32_t(record.size()), 7};
  source.other = (mode & 32) ? row : Row{};
  try {
    auto e = Expression::Compile(text, source, settings);
    bool complete = false;
    for (const KeyRange& r : e->KeyRanges(complete)) {
      if (r.key.empty() || (r.type != Type::Text && !r.hasLow && !r.hasHigh)) __builtin_trap();
    }
    for (int i = 0; i < 2; ++i) {
      try {
        const Value& v = e->Evaluate(i == 0 ? row : Row{});
        if (v.type == Type::Text && v.text.size() > kMaxText) __builtin_trap();
        e->Test(row);
      } catch (const XbError&) {
        // A text beyond the limit: a clean failure.
      }
    }
  } catch (const XbError&) {
    // Not an expression: a clean failure.
  }
  return 0;
}
