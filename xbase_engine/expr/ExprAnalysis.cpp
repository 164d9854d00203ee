// What an index can answer of an expression: the comparisons of indexable
// sub-expressions with constants, as key ranges.
#include "xbase_engine/expr/ExprProgram.h"

namespace xbe::expr {

std::string NormalizeKey(std::string_view text) {
  std::string out;
  char quote = 0;
  for (char c : text) {
    if (quote) {
      out.push_back(c);
      if (c == quote) quote = 0;
    } else if (c == '"' || c == '\'' || c == '[') {
      quote = c == '[' ? ']' : c;
      out.push_back(c);
    } else if (c != ' ' && c != '\t' && c != '\r' && c != '\n') {
      out.push_back((c >= 'a' && c <= 'z') ? char(c - 'a' + 'A') : c);
    }
  }
  return out;
}

namespace {

// The range one comparison of sub-expression key with a constant gives;
// false when an index cannot answer it.
bool RangeOf(Program& p, const std::string& text, int key, int constant, Cmp cmp, bool mirrored,
             KeyRange& out) {
  const Node& k = p.nodes[size_t(key)];
  out.key = NormalizeKey(std::string_view(text).substr(k.begin, k.end - k.begin));
  out.type = k.type;
  const Row none{};
  if (k.type == Type::Text) {
    // Loose or exact, a value equal to the text begins with it, trailing
    // blanks aside. (With the text on the left, a loose = admits values
    // that are a prefix of it instead: no range.)
    if (cmp != Cmp::Eq || mirrored) return false;
    std::string_view c = p.Text(constant, none);
    while (!c.empty() && c.back() == ' ') c.remove_suffix(1);
    out.prefix = std::string(c);
    return true;
  }
  if (k.type != Type::Number && k.type != Type::Date) return false;
  const double v = k.type == Type::Number ? p.Number(constant, none) : double(p.Date(constant, none));
  // Bounds stay inclusive: keys are rounded to their decimals, and rounding
  // keeps the order without keeping strictness.
  switch (cmp) {
    case Cmp::Eq: out.hasLow = out.hasHigh = true; out.low = out.high = v; return true;
    case Cmp::Lt: case Cmp::Le: out.hasHigh = true; out.high = v; return true;
    case Cmp::Gt: case Cmp::Ge: out.hasLow = true; out.low = v; return true;
    default: return false;
  }
}

// The comparison as seen from the other side (5 < X is X > 5).
Cmp Mirror(Cmp c) {
  switch (c) {
    case Cmp::Lt: return Cmp::Gt;
    case Cmp::Le: return Cmp::Ge;
    case Cmp::Gt: return Cmp::Lt;
    case Cmp::Ge: return Cmp::Le;
    default: return c;
  }
}

void Collect(Program& p, const std::string& text, int n, std::vector<KeyRange>& out, bool& complete) {
  const Node& node = p.nodes[size_t(n)];
  if (node.op == Op::And) {
    Collect(p, text, node.kid[0], out, complete);
    Collect(p, text, node.kid[1], out, complete);
    return;
  }
  if (node.op == Op::Compare) {
    const Node& a = p.nodes[size_t(node.kid[0])];
    const Node& b = p.nodes[size_t(node.kid[1])];
    KeyRange r;
    bool ok = false;
    if (b.constant && !a.constant) {
      ok = RangeOf(p, text, node.kid[0], node.kid[1], node.cmp, false, r);
    } else if (a.constant && !b.constant) {
      ok = RangeOf(p, text, node.kid[1], node.kid[0], Mirror(node.cmp), true, r);
    }
    if (ok) {
      out.push_back(std::move(r));
      return;
    }
  }
  complete = false;
}

}  // namespace

std::vector<KeyRange> Expression::KeyRanges(bool& complete) {
  std::vector<KeyRange> out;
  complete = true;
  Program& p = *program_;
  if (ResultType() != Type::Logical) {
    complete = false;
    return out;
  }
  p.exact = forceExact_ || p.settings->exact;
  Collect(p, text_, p.root, out, complete);
  return out;
}

}  // namespace xbe::expr
