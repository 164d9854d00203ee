// The evaluator: fields, operators and comparisons. Each node is evaluated by
// the call of its (compile-time) type, so no value carries a type tag at run
// time and texts are passed as views: into the record for a field, into the
// node's own buffer for a computed text.
#include <charconv>
#include <cmath>
#include <cstring>

#include "xbase_engine/DbfCodec.h"
#include "xbase_engine/expr/ExprProgram.h"

namespace xbe::expr {

namespace {

const std::string& Blanks() {
  static const std::string blanks(kMaxText, ' ');
  return blanks;
}

constexpr double kPow10[] = {1e0, 1e1, 1e2, 1e3, 1e4, 1e5, 1e6, 1e7,
                             1e8, 1e9, 1e10, 1e11, 1e12, 1e13, 1e14, 1e15};

bool Relate(Cmp cmp, int c) {
  switch (cmp) {
    case Cmp::Eq: case Cmp::ExactEq: return c == 0;
    case Cmp::Ne: return c != 0;
    case Cmp::Lt: return c < 0;
    case Cmp::Le: return c <= 0;
    case Cmp::Gt: return c > 0;
    case Cmp::Ge: return c >= 0;
  }
  return false;
}

template <class T>
int Order(T a, T b) {
  return a < b ? -1 : (b < a ? 1 : 0);
}

std::string_view TrimBlanks(std::string_view s) {
  size_t n = s.size();
  while (n > 0 && s[n - 1] == ' ') --n;
  return s.substr(0, n);
}

}  // namespace

double ReadNumber(std::string_view s) {
  size_t i = 0;
  const size_t n = s.size();
  while (i < n && s[i] == ' ') ++i;
  bool negative = false;
  if (i < n && (s[i] == '-' || s[i] == '+')) negative = s[i++] == '-';
  const size_t start = i;
  uint64_t mantissa = 0;
  int digits = 0;
  int decimals = 0;
  while (i < n && s[i] >= '0' && s[i] <= '9') {
    mantissa = mantissa * 10 + uint64_t(s[i++] - '0');
    ++digits;
    if (digits > 15) break;
  }
  if (i < n && s[i] == '.' && digits <= 15) {
    ++i;
    while (i < n && s[i] >= '0' && s[i] <= '9' && digits <= 15) {
      mantissa = mantissa * 10 + uint64_t(s[i++] - '0');
      ++digits;
      ++decimals;
    }
  }
  const bool more = i < n && ((s[i] >= '0' && s[i] <= '9') || s[i] == 'e' || s[i] == 'E' || s[i] == '.');
  double v;
  if (!more && digits <= 15) {
    // Both parts are exact doubles, so the quotient is the correctly rounded value.
    v = double(mantissa) / kPow10[decimals];
  } else {
    // Long digit runs and exponents: the library's correctly rounded reading.
    v = 0.0;
    const auto r = std::from_chars(s.data() + start, s.data() + n, v);
    if (r.ec != std::errc() || !std::isfinite(v)) v = 0.0;
  }
  return negative ? -v : v;
}

int CompareText(std::string_view a, std::string_view b, bool exact) {
  const size_t common = a.size() < b.size() ? a.size() : b.size();
  if (common > 0) {
    const int c = std::memcmp(a.data(), b.data(), common);
    if (c != 0) return c;
  }
  if (a.size() == b.size()) return 0;
  if (!exact) return a.size() < b.size() ? -1 : 0;
  // Exact matching: the shorter text counts as padded with blanks.
  const bool aLonger = a.size() > b.size();
  const std::string_view rest = aLonger ? a.substr(common) : b.substr(common);
  for (char ch : rest) {
    if (ch != ' ') {
      const int c = uint8_t(ch) < uint8_t(' ') ? -1 : 1;
      return aLonger ? c : -c;
    }
  }
  return 0;
}

std::string_view Finish(const Node& n) {
  if (n.text.size() > kMaxText) throw XbError("Expression result longer than 65535 bytes");
  return n.text;
}

Row Program::RowFor(const Node& leaf, const Row& r) {
  if (leaf.slot == 0) return r;
  const Row o = source->CurrentRow(leaf.slot);
  if (!o.data || o.size < uint32_t(leaf.field.offset + leaf.field.width)) return Row{nullptr, 0, o.recNo};
  return o;
}

double Program::Number(int i, const Row& r) {
  Node& n = nodes[size_t(i)];
  switch (n.op) {
    case Op::Const:
      return n.number;
    case Op::FieldNumText: {
      const Row o = RowFor(n, r);
      if (!o.data) return 0.0;
      // The field's value as every other reader of the field sees it
      // (xb_GetDouble, the table's fields): text that is no number is 0.
      return dbf::NumberOrZero({reinterpret_cast<const char*>(o.data) + n.field.offset, size_t(n.field.width)});
    }
    case Op::FieldInt32: {
      const Row o = RowFor(n, r);
      return o.data ? double(dbf::ReadInt(o.data + n.field.offset)) : 0.0;
    }
    case Op::FieldCurrency: {
      const Row o = RowFor(n, r);
      return o.data ? double(dbf::ReadCurrency(o.data + n.field.offset)) / 10000.0 : 0.0;
    }
    case Op::FieldDouble: {
      const Row o = RowFor(n, r);
      if (!o.data) return 0.0;
      double d;
      std::memcpy(&d, o.data + n.field.offset, sizeof d);
      return Finite(d);
    }
    case Op::Neg: return -Number(n.kid[0], r);
    case Op::Add: return Finite(Number(n.kid[0], r) + Number(n.kid[1], r));
    case Op::Sub: return Finite(Number(n.kid[0], r) - Number(n.kid[1], r));
    case Op::Mul: return Finite(Number(n.kid[0], r) * Number(n.kid[1], r));
    case Op::Div: {
      const double a = Number(n.kid[0], r);
      const double b = Number(n.kid[1], r);
      return b == 0.0 ? 0.0 : Finite(a / b);
    }
    case Op::Mod: {
      const double a = Number(n.kid[0], r);
      const double b = Number(n.kid[1], r);
      return b == 0.0 ? 0.0 : Finite(std::fmod(a, b));
    }
    case Op::Pow: {
      const double a = Number(n.kid[0], r);
      return Finite(std::pow(a, Number(n.kid[1], r)));
    }
    case Op::DateDiff: {
      const int32_t a = Date(n.kid[0], r);
      return double(a) - double(Date(n.kid[1], r));
    }
    default:
      return CallNumber(*this, n, r);
  }
}

bool Program::Logical(int i, const Row& r) {
  Node& n = nodes[size_t(i)];
  switch (n.op) {
    case Op::Const:
      return n.logical;
    case Op::FieldLogical: {
      const Row o = RowFor(n, r);
      if (!o.data) return false;
      const uint8_t c = o.data[n.field.offset];
      return c == 'T' || c == 't' || c == 'Y' || c == 'y';
    }
    case Op::Compare: {
      const int a = n.kid[0], b = n.kid[1];
      int c = 0;
      switch (nodes[size_t(a)].type) {
        case Type::Text: {
          const std::string_view x = Text(a, r);
          const std::string_view y = Text(b, r);
          if (n.cmp == Cmp::ExactEq) return x == y;
          c = CompareText(x, y, exact);
          break;
        }
        case Type::Number: {
          const double x = Number(a, r);
          c = Order(x, Number(b, r));
          break;
        }
        case Type::Date: {
          const int32_t x = Date(a, r);
          c = Order(x, Date(b, r));
          break;
        }
        default: {
          const bool x = Logical(a, r);
          c = Order(int(x), int(Logical(b, r)));
          break;
        }
      }
      return Relate(n.cmp, c);
    }
    case Op::Contains: {
      const std::string_view needle = Text(n.kid[0], r);
      const std::string_view hay = Text(n.kid[1], r);
      return !needle.empty() && hay.find(needle) != std::string_view::npos;
    }
    case Op::Not: return !Logical(n.kid[0], r);
    case Op::And: return Logical(n.kid[0], r) && Logical(n.kid[1], r);
    case Op::Or: return Logical(n.kid[0], r) || Logical(n.kid[1], r);
    default:
      return CallLogical(*this, n, r);
  }
}

namespace {
// A day number moved by a count of days; out of the calendar: the empty date.
int32_t MoveDate(int32_t jdn, double days) {
  if (jdn == 0) return 0;
  static const int32_t first = JulianFromYmd(1, 1, 1);
  static const int32_t last = JulianFromYmd(9999, 12, 31);
  const double moved = double(jdn) + std::trunc(days);
  return (moved >= first && moved <= last) ? int32_t(moved) : 0;
}
}  // namespace

int32_t Program::Date(int i, const Row& r) {
  Node& n = nodes[size_t(i)];
  switch (n.op) {
    case Op::Const:
      return n.date;
    case Op::FieldDate: {
      const Row o = RowFor(n, r);
      int y, m, d;
      if (!o.data || !ParseDbfDate({reinterpret_cast<const char*>(o.data) + n.field.offset, 8}, y, m, d)) return 0;
      return JulianFromYmd(y, m, d);
    }
    case Op::FieldDateTime: {
      const Row o = RowFor(n, r);
      return o.data ? MoveDate(dbf::ReadInt(o.data + n.field.offset), 0) : 0;
    }
    case Op::DateAdd: {
      const int32_t d = Date(n.kid[0], r);
      return MoveDate(d, Number(n.kid[1], r));
    }
    case Op::DateSub: {
      const int32_t d = Date(n.kid[0], r);
      return MoveDate(d, -Number(n.kid[1], r));
    }
    default:
      return CallDate(*this, n, r);
  }
}

std::string_view Program::Text(int i, const Row& r) {
  Node& n = nodes[size_t(i)];
  switch (n.op) {
    case Op::Const:
      return n.text;
    case Op::FieldText: {
      const Row o = RowFor(n, r);
      if (!o.data) return std::string_view(Blanks()).substr(0, size_t(n.field.width));
      return {reinterpret_cast<const char*>(o.data) + n.field.offset, size_t(n.field.width)};
    }
    case Op::FieldMemo: {
      const Row o = RowFor(n, r);
      if (!o.data) return {};
      Scratch(n) = source->MemoText(n.slot, o, n.field);
      return Finish(n);
    }
    case Op::Concat: {
      const std::string_view a = Text(n.kid[0], r);
      const std::string_view b = Text(n.kid[1], r);
      std::string& out = Scratch(n);
      out.append(a).append(b);
      return Finish(n);
    }
    case Op::ConcatTrim: {
      const std::string_view a = Text(n.kid[0], r);
      const std::string_view b = Text(n.kid[1], r);
      const std::string_view kept = TrimBlanks(a);
      std::string& out = Scratch(n);
      out.append(kept).append(b).append(a.size() - kept.size(), ' ');
      return Finish(n);
    }
    default:
      return CallText(*this, n, r);
  }
}

// ---- Expression ----

Expression::~Expression() = default;

Type Expression::ResultType() const { return program_->nodes[size_t(program_->root)].type; }
int Expression::Width() const { return program_->nodes[size_t(program_->root)].width; }
int Expression::Decimals() const { return program_->nodes[size_t(program_->root)].decimals; }
bool Expression::ReadsOtherAreas() const { return program_->readsOther; }

const Value& Expression::Evaluate(const Row& row) {
  Program& p = *program_;
  if (row.data && row.size < p.ownNeed) throw XbError("The record is shorter than the expression's fields");
  p.exact = forceExact_ || p.settings->exact;
  switch (result_.type) {
    case Type::Text: result_.text = p.Text(p.root, row); break;
    case Type::Number: result_.number = p.Number(p.root, row); break;
    case Type::Logical: result_.logical = p.Logical(p.root, row); break;
    case Type::Date: result_.date = p.Date(p.root, row); break;
    case Type::Invalid: break;
  }
  return result_;
}

bool Expression::Test(const Row& row) {
  if (result_.type != Type::Logical) return false;
  Program& p = *program_;
  if (row.data && row.size < p.ownNeed) throw XbError("The record is shorter than the expression's fields");
  p.exact = forceExact_ || p.settings->exact;
  return p.Logical(p.root, row);
}

}  // namespace xbe::expr
