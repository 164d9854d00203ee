// The function catalogue: the arguments each function takes (checked when
// the expression is compiled) and what it computes.
#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstring>

#include "xbase_engine/DbfCodec.h"
#include "xbase_engine/expr/ExprProgram.h"

namespace xbe::expr {

namespace {

[[noreturn]] void Bad(size_t pos, const std::string& what) {
  throw XbError("Expression error at position " + std::to_string(pos + 1) + ": " + what);
}

// Argument kinds of the catalogue: C text, N number, D date, L logical,
// A text, number or date (converted to text), V any type.
struct Function {
  const char* name;
  Op op;
  const char* args;  // one letter per argument
  int required;      // arguments that must be given
};

constexpr Function kFunctions[] = {
    {"UPPER", Op::Upper, "C", 1},      {"LOWER", Op::Lower, "C", 1},
    {"TRIM", Op::RTrim, "C", 1},       {"RTRIM", Op::RTrim, "C", 1},
    {"LTRIM", Op::LTrim, "C", 1},      {"ALLTRIM", Op::AllTrim, "C", 1},
    {"SUBSTR", Op::Substr, "CNN", 2},  {"LEFT", Op::Left, "CN", 2},
    {"RIGHT", Op::Right, "CN", 2},     {"STR", Op::Str, "NNN", 1},
    {"VAL", Op::Val, "C", 1},          {"DTOS", Op::Dtos, "D", 1},
    {"DTOC", Op::Dtoc, "D", 1},        {"CTOD", Op::Ctod, "C", 1},
    {"STOD", Op::Stod, "C", 1},        {"IIF", Op::Iif, "LVV", 3},
    {"DELETED", Op::Deleted, "", 0},   {"RECNO", Op::Recno, "", 0},
    {"EMPTY", Op::Empty, "V", 1},      {"LEN", Op::Len, "C", 1},
    {"SPACE", Op::Space, "N", 1},      {"PADL", Op::PadL, "ANC", 2},
    {"PADR", Op::PadR, "ANC", 2},      {"PADC", Op::PadC, "ANC", 2},
    {"AT", Op::At, "CC", 2},           {"STRZERO", Op::StrZero, "NNN", 1},
    {"DATE", Op::Today, "", 0},        {"YEAR", Op::Year, "D", 1},
    {"MONTH", Op::Month, "D", 1},      {"DAY", Op::Day, "D", 1},
    {"DESCEND", Op::Descend, "V", 1},  {"ABS", Op::Abs, "N", 1},
    {"INT", Op::Int, "N", 1},          {"ROUND", Op::Round, "NN", 2},
    {"MIN", Op::Min, "VV", 2},         {"MAX", Op::Max, "VV", 2},
};

bool Fits(char kind, Type t) {
  switch (kind) {
    case 'C': return t == Type::Text;
    case 'N': return t == Type::Number;
    case 'D': return t == Type::Date;
    case 'L': return t == Type::Logical;
    case 'A': return t == Type::Text || t == Type::Number || t == Type::Date;
    default: return t != Type::Invalid;
  }
}

// A whole-number argument that is a constant, else -1.
int ConstCount(const Program& p, int arg) {
  const Node& n = p.nodes[size_t(arg)];
  if (n.op != Op::Const || n.type != Type::Number || !(n.number >= 0) || n.number > double(kMaxText)) return -1;
  return int(n.number);
}

// A number used as a count or position: truncated, NaN as 0, clamped far
// beyond any text length so that the arithmetic below cannot overflow.
int64_t Count(double v) {
  if (!(v == v)) return 0;
  if (v > 1e9) return 1000000000;
  if (v < -1e9) return -1000000000;
  return int64_t(v);
}

// The length STR() and STRZERO() give without a length argument.
int DefaultStrWidth(const Node& arg) {
  return arg.op == Op::FieldNumText ? arg.field.width : 10;
}

}  // namespace

Node BuildCall(Program& p, std::string_view name, const std::vector<int>& args, size_t pos) {
  const Function* f = nullptr;
  for (const Function& c : kFunctions) {
    if (name == c.name) f = &c;
  }
  if (!f) Bad(pos, "unknown function " + std::string(name));
  const size_t most = std::strlen(f->args);
  if (args.size() < size_t(f->required) || args.size() > most) {
    Bad(pos, "wrong number of arguments for " + std::string(name));
  }
  for (size_t i = 0; i < args.size(); ++i) {
    if (!Fits(f->args[i], p.nodes[size_t(args[i])].type)) {
      Bad(pos, "argument " + std::to_string(i + 1) + " of " + std::string(name) + " has the wrong type");
    }
  }
  Node n;
  n.op = f->op;
  n.nargs = uint8_t(args.size());
  for (size_t i = 0; i < args.size(); ++i) n.kid[i] = args[i];
  auto arg = [&](size_t i) -> const Node& { return p.nodes[size_t(args[i])]; };
  switch (f->op) {
    case Op::Upper: case Op::Lower: case Op::RTrim: case Op::LTrim: case Op::AllTrim:
      n.type = Type::Text;
      n.width = arg(0).width;
      break;
    case Op::Substr: case Op::Left: case Op::Right: {
      n.type = Type::Text;
      n.width = arg(0).width;
      const size_t countArg = f->op == Op::Substr ? 2 : 1;
      if (countArg < args.size()) {
        const int count = ConstCount(p, args[countArg]);
        if (count >= 0 && count < n.width) n.width = count;
      }
      break;
    }
    case Op::Str: case Op::StrZero: {
      n.type = Type::Text;
      const int given = args.size() > 1 ? ConstCount(p, args[1]) : -1;
      n.width = args.size() > 1 ? (given >= 0 ? given : int(kMaxText)) : DefaultStrWidth(arg(0));
      break;
    }
    case Op::Dtos: n.type = Type::Text; n.width = 8; break;
    case Op::Dtoc: n.type = Type::Text; n.width = 10; break;
    case Op::Space: case Op::PadL: case Op::PadR: case Op::PadC: {
      n.type = Type::Text;
      const int count = ConstCount(p, args[f->op == Op::Space ? 0 : 1]);
      n.width = count >= 0 ? count : int(kMaxText);
      break;
    }
    case Op::Val: case Op::Recno: case Op::Len: case Op::At: case Op::Year: case Op::Month:
    case Op::Day: case Op::Abs: case Op::Int: case Op::Round:
      n.type = Type::Number;
      break;
    case Op::Ctod: case Op::Stod: case Op::Today:
      n.type = Type::Date;
      n.width = 8;
      break;
    case Op::Deleted: case Op::Empty:
      n.type = Type::Logical;
      n.width = 1;
      break;
    case Op::Iif:
      if (arg(1).type != arg(2).type) Bad(pos, "IIF with results of different types");
      n.type = arg(1).type;
      n.width = std::max(arg(1).width, arg(2).width);
      break;
    case Op::Descend:
      n.type = arg(0).type == Type::Date ? Type::Number : arg(0).type;
      n.width = arg(0).type == Type::Date ? 0 : arg(0).width;
      break;
    case Op::Min: case Op::Max:
      if (arg(0).type != arg(1).type || (arg(0).type != Type::Number && arg(0).type != Type::Date)) {
        Bad(pos, std::string(name) + " needs two numbers or two dates");
      }
      n.type = arg(0).type;
      n.width = arg(0).width;
      break;
    default:
      Bad(pos, "unknown function " + std::string(name));
  }
  return n;
}

// ---- numbers as text ----

namespace {

// value rounded to decimals places as the table stores numbers.
std::string FixedText(double value, int decimals) {
  std::string out;
  if (!dbf::DecimalText(value, decimals, out)) out = "0";
  return out;
}

double RoundTo(double value, double places) {
  const int64_t d = Count(places);
  if (d < -15) return 0.0;
  if (d < 0) {
    const double scale = std::pow(10.0, double(-d));
    return Finite(RoundTo(value / scale, 0) * scale);
  }
  const std::string t = FixedText(value, int(std::min<int64_t>(d, 20)));
  double v = 0.0;
  std::from_chars(t.data(), t.data() + t.size(), v);
  return v;
}

// STR(): value right-aligned in width with decimals; asterisks when it does not fit.
void StrInto(std::string& out, double value, int64_t width, int64_t decimals) {
  if (width > int64_t(kMaxText)) throw XbError("Expression result longer than 65535 bytes");
  if (width <= 0) return;
  decimals = std::clamp<int64_t>(decimals, 0, std::max<int64_t>(0, std::min<int64_t>(width - 2, 20)));
  const std::string t = FixedText(value, int(decimals));
  if (int64_t(t.size()) > width) {
    out.assign(size_t(width), '*');
    return;
  }
  out.assign(size_t(width) - t.size(), ' ');
  out += t;
}

std::string DateText(const Settings& s, int32_t jdn) {
  if (jdn == 0) return BlankDate(s.layout, s.century);
  int y, m, d;
  YmdFromJulian(jdn, y, m, d);
  return FormatDate(s.layout, s.century, y, m, d);
}

void Pad(std::string& out, std::string_view text, int64_t width, char fill, Op op) {
  if (width > int64_t(kMaxText)) throw XbError("Expression result longer than 65535 bytes");
  if (width <= 0) return;
  const size_t w = size_t(width);
  if (text.size() >= w) {
    out.assign(text.substr(0, w));
    return;
  }
  const size_t extra = w - text.size();
  const size_t left = op == Op::PadL ? extra : op == Op::PadC ? extra / 2 : 0;
  out.assign(left, fill);
  out.append(text);
  out.append(extra - left, fill);
}

int32_t Today() {
  int y, m, d;
  LocalToday(y, m, d);
  return JulianFromYmd(y, m, d);
}

bool Blank(std::string_view s) {
  for (char c : s) {
    if (c != ' ' && c != '\t' && c != '\r' && c != '\n' && c != '\0') return false;
  }
  return true;
}

}  // namespace

double CallNumber(Program& p, Node& n, const Row& r) {
  const int a = n.kid[0], b = n.kid[1], c = n.kid[2];
  switch (n.op) {
    case Op::Val: return ReadNumber(p.Text(a, r));
    case Op::Recno: return double(r.recNo);
    case Op::Len: return double(p.Text(a, r).size());
    case Op::At: {
      const std::string_view needle = p.Text(a, r);
      const std::string_view hay = p.Text(b, r);
      const size_t at = needle.empty() ? std::string_view::npos : hay.find(needle);
      return at == std::string_view::npos ? 0.0 : double(at + 1);
    }
    case Op::Year: case Op::Month: case Op::Day: {
      const int32_t jdn = p.Date(a, r);
      if (jdn == 0) return 0.0;
      int y, m, d;
      YmdFromJulian(jdn, y, m, d);
      return n.op == Op::Year ? y : n.op == Op::Month ? m : d;
    }
    case Op::Abs: return std::fabs(p.Number(a, r));
    case Op::Int: return std::trunc(p.Number(a, r));
    case Op::Round: {
      const double v = p.Number(a, r);
      return RoundTo(v, p.Number(b, r));
    }
    case Op::Descend:
      if (p.nodes[size_t(a)].type == Type::Date) return -double(p.Date(a, r));
      return -p.Number(a, r);
    case Op::Min: case Op::Max: {
      const double x = p.Number(a, r);
      const double y = p.Number(b, r);
      return n.op == Op::Min ? std::min(x, y) : std::max(x, y);
    }
    case Op::Iif: return p.Logical(a, r) ? p.Number(b, r) : p.Number(c, r);
    default: throw XbError("Expression: not a numeric node");
  }
}

bool CallLogical(Program& p, Node& n, const Row& r) {
  const int a = n.kid[0];
  switch (n.op) {
    case Op::Deleted: return r.data && r.data[0] == '*';
    case Op::Empty:
      switch (p.nodes[size_t(a)].type) {
        case Type::Text: return Blank(p.Text(a, r));
        case Type::Number: return p.Number(a, r) == 0.0;
        case Type::Date: return p.Date(a, r) == 0;
        default: return !p.Logical(a, r);
      }
    case Op::Descend: return !p.Logical(a, r);
    case Op::Iif: return p.Logical(a, r) ? p.Logical(n.kid[1], r) : p.Logical(n.kid[2], r);
    default: throw XbError("Expression: not a logical node");
  }
}

int32_t CallDate(Program& p, Node& n, const Row& r) {
  const int a = n.kid[0];
  switch (n.op) {
    case Op::Ctod: {
      int y, m, d;
      const Settings& s = *p.settings;
      return ParseDate(s.layout, s.epoch, p.Text(a, r), y, m, d) ? JulianFromYmd(y, m, d) : 0;
    }
    case Op::Stod: {
      int y, m, d;
      return ParseDbfDate(p.Text(a, r), y, m, d) ? JulianFromYmd(y, m, d) : 0;
    }
    case Op::Today: return Today();
    case Op::Min: case Op::Max: {
      const int32_t x = p.Date(a, r);
      const int32_t y = p.Date(n.kid[1], r);
      return n.op == Op::Min ? std::min(x, y) : std::max(x, y);
    }
    case Op::Iif: return p.Logical(a, r) ? p.Date(n.kid[1], r) : p.Date(n.kid[2], r);
    default: throw XbError("Expression: not a date node");
  }
}

// ---- text functions, one helper per family ----

namespace {

// UPPER(), LOWER() and DESCEND() of a text: every byte mapped on its own.
std::string_view MappedText(Program& p, Node& n, const Row& r) {
  const std::string_view s = p.Text(n.kid[0], r);
  std::string& out = Scratch(n);
  out.assign(s);
  if (n.op == Op::Descend) {
    for (char& ch : out) ch = char(uint8_t(256 - uint8_t(ch)));
    return out;
  }
  for (char& ch : out) {
    if (n.op == Op::Upper ? (ch >= 'a' && ch <= 'z') : (ch >= 'A' && ch <= 'Z')) ch = char(ch ^ 0x20);
  }
  return out;
}

// RTRIM(), LTRIM() and ALLTRIM(): blanks only, the text itself is not copied.
std::string_view TrimmedText(std::string_view s, Op op) {
  if (op != Op::RTrim) {
    while (!s.empty() && s.front() == ' ') s.remove_prefix(1);
  }
  if (op != Op::LTrim) {
    while (!s.empty() && s.back() == ' ') s.remove_suffix(1);
  }
  return s;
}

// SUBSTR(), LEFT() and RIGHT(): a piece of the text, never past its ends.
std::string_view SlicedText(Program& p, const Node& n, const Row& r) {
  const std::string_view s = p.Text(n.kid[0], r);
  if (n.op == Op::Substr) {
    const int64_t len = int64_t(s.size());
    int64_t start = Count(p.Number(n.kid[1], r));
    start = start > 0 ? start - 1 : start < 0 ? std::max<int64_t>(0, len + start) : 0;
    if (start >= len) return {};
    const int64_t count = n.nargs == 3 ? Count(p.Number(n.kid[2], r)) : len - start;
    if (count <= 0) return {};
    return s.substr(size_t(start), size_t(std::min(count, len - start)));
  }
  const int64_t count = Count(p.Number(n.kid[1], r));
  if (count <= 0) return {};
  const size_t k = size_t(std::min<int64_t>(count, int64_t(s.size())));
  return n.op == Op::Left ? s.substr(0, k) : s.substr(s.size() - k);
}

// STR() and STRZERO(): the number right-aligned, STRZERO() filling the
// leading blanks with zeros (the sign, if any, moved to the front).
std::string_view NumberAsText(Program& p, Node& n, const Row& r) {
  const int a = n.kid[0];
  const double v = p.Number(a, r);
  const Node& arg = p.nodes[size_t(a)];
  int64_t width = DefaultStrWidth(arg);
  int64_t decimals = arg.op == Op::FieldNumText ? arg.field.decimals : 0;
  if (n.nargs > 1) {
    width = Count(p.Number(n.kid[1], r));
    decimals = n.nargs > 2 ? Count(p.Number(n.kid[2], r)) : 0;
  }
  std::string& out = Scratch(n);
  StrInto(out, v, width, decimals);
  if (n.op == Op::StrZero && out.find('*') == std::string::npos) {
    const size_t digits = out.find_first_not_of(' ');
    if (digits != std::string::npos && out[digits] == '-') {
      out.replace(0, digits + 1, digits + 1, '0');
      out[0] = '-';
    } else if (digits != std::string::npos) {
      out.replace(0, digits, digits, '0');
    }
  }
  return out;
}

// PADL(), PADR() and PADC(): a text, number or date filled out to a width.
std::string_view PaddedText(Program& p, Node& n, const Row& r) {
  const int a = n.kid[0];
  std::string value;
  std::string_view text;
  switch (p.nodes[size_t(a)].type) {
    case Type::Number: {
      StrInto(value, p.Number(a, r), 10, 0);
      value.erase(0, value.find_first_not_of(' '));
      text = value;
      break;
    }
    case Type::Date: value = DateText(*p.settings, p.Date(a, r)); text = value; break;
    default: text = p.Text(a, r); break;
  }
  const int64_t width = Count(p.Number(n.kid[1], r));
  char fill = ' ';
  if (n.nargs == 3) {
    const std::string_view f = p.Text(n.kid[2], r);
    if (!f.empty()) fill = f[0];
  }
  std::string& out = Scratch(n);
  Pad(out, text, width, fill, n.op);
  return out;
}

}  // namespace

std::string_view CallText(Program& p, Node& n, const Row& r) {
  const int a = n.kid[0];
  switch (n.op) {
    case Op::Upper: case Op::Lower: case Op::Descend: return MappedText(p, n, r);
    case Op::RTrim: case Op::LTrim: case Op::AllTrim: return TrimmedText(p.Text(a, r), n.op);
    case Op::Substr: case Op::Left: case Op::Right: return SlicedText(p, n, r);
    case Op::Str: case Op::StrZero: return NumberAsText(p, n, r);
    case Op::PadL: case Op::PadR: case Op::PadC: return PaddedText(p, n, r);
    case Op::Dtos:
      Scratch(n) = DbfDateText(p.Date(a, r));
      return n.text;
    case Op::Dtoc:
      Scratch(n) = DateText(*p.settings, p.Date(a, r));
      return n.text;
    case Op::Space: {
      const int64_t count = Count(p.Number(a, r));
      if (count > int64_t(kMaxText)) throw XbError("Expression result longer than 65535 bytes");
      Scratch(n).assign(size_t(std::max<int64_t>(0, count)), ' ');
      return n.text;
    }
    case Op::Iif: return p.Logical(a, r) ? p.Text(n.kid[1], r) : p.Text(n.kid[2], r);
    default: throw XbError("Expression: not a text node");
  }
}

}  // namespace xbe::expr
