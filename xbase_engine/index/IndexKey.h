#pragma once
// Index keys: what an order is built from (a key expression and an optional
// FOR condition evaluated over the current record) and how a value becomes the
// bytes stored in an index page.
//
// Stored key bytes always sort with the order's comparison (machine order:
// memcmp), so the trees never look at types:
//  - C: the text, cut or blank-padded to the key length.
//  - N in text form (.NTX): the number written with the key's width and
//    decimals, zero-padded; a negative number gets ',' in front (below every
//    digit) and its digits complemented (9 - d), so that more negative numbers
//    sort first.
//  - N in binary form (.CDX, .IDX, .NSX): the IEEE double, big-endian, with
//    the sign bit flipped for positive numbers and every bit flipped for
//    negative ones (8 bytes).
//  - D: "yyyymmdd" in text form; the Julian day number as a binary N in
//    binary form (an empty date is day 0).
//  - L: "T" or "F".
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <string_view>

#include "xbase_engine/Collation.h"
#include "xbase_engine/Settings.h"
#include "xbase_engine/expr/Expr.h"

namespace xbe {
class Table;
}

namespace xbe::idx {

// How an order stores its keys.
struct KeyFormat {
  char type = 'C';             // C N D L
  int length = 0;              // bytes per key
  int decimals = 0;            // N keys in text form
  bool binaryNumbers = false;  // N and D as 8-byte doubles (else text)
};

constexpr int kMaxKeyLength = 240;

// Byte order of two keys (the sign memcmp answers), without a library call:
// keys are short and compared very often.
inline int MachineCompare(const uint8_t* a, const uint8_t* b, size_t n) {
  static_assert(__BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__, "words are compared byte-swapped");
  for (; n >= 8; a += 8, b += 8, n -= 8) {
    uint64_t x, y;
    std::memcpy(&x, a, 8);
    std::memcpy(&y, b, 8);
    if (x != y) return __builtin_bswap64(x) < __builtin_bswap64(y) ? -1 : 1;
  }
  for (; n > 0; ++a, ++b, --n) {
    if (*a != *b) return *a < *b ? -1 : 1;
  }
  return 0;
}

// How an order compares keys: machine order (memcmp), or for character keys
// the collation the order took when it was built or opened.
struct KeyCompare {
  std::shared_ptr<const Collation> collation;  // null: machine order
  bool Machine() const { return !collation || collation->IsMachine(); }
  int operator()(const uint8_t* a, const uint8_t* b, size_t n) const {
    return Machine() ? MachineCompare(a, b, n) : collation->CompareFixed(a, b, n);
  }
};

std::string EncodeNumber(double v, const KeyFormat& f);
std::string EncodeDate(int32_t julian, const KeyFormat& f);
std::string EncodeText(std::string_view text, const KeyFormat& f);
// Reads a number key back (for KeyData of binary orders); text keys are
// answered as they are stored.
double DecodeBinaryNumber(const uint8_t* p);

// A seek or scope text turned into key bytes. Character keys keep the length
// given (a shorter text is a prefix), unless exact asks for the whole key
// (blank-padded). Numbers arrive as text ("123.45", "  123.45", "00042"),
// dates as "yyyymmdd", logicals as T/F/Y/N or .T./.F.; these always make a
// whole key. Throws XbError for a text that is not a value of the key's type.
std::string KeyFromText(std::string_view text, const KeyFormat& f, bool exact);

// Compiles a key or condition expression; throws XbError naming the fault.
std::unique_ptr<expr::Expression> CompileKey(expr::RecordSource& fields, const Settings& s, std::string_view text);
// The key format a new order of the expression gets.
KeyFormat FormatFor(const expr::Expression& e, bool binaryNumbers);
// The key bytes of the expression's value over row.
void MakeKey(expr::Expression& e, const expr::Row& row, const KeyFormat& f, std::string& out);

// The upper-cased names of the table's fields that the expression reads,
// joined with ';' in the order they appear.
std::string KeyFieldNames(Table& t, std::string_view expression);

}  // namespace xbe::idx
