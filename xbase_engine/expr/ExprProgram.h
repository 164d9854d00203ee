#pragma once
// The compiled form of an expression (internal to the expression code): a
// vector of typed nodes, children before parents, evaluated by typed
// recursive calls. The parser bounds the nesting depth, so the recursion is
// bounded too.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "xbase_engine/expr/Expr.h"

namespace xbe::expr {

enum class Op : uint8_t {
  Const,
  // Field leaves, by how the field stores its value.
  FieldText,      // C and other byte fields: the bytes as they stand
  FieldNumText,   // N, F: a number as text
  FieldInt32,     // I, +: 4-byte little-endian integer
  FieldCurrency,  // Y: 8-byte integer, 4 implied decimals
  FieldDouble,    // B, O of width 8: IEEE double
  FieldDate,      // D: "yyyymmdd"
  FieldDateTime,  // T, @: Julian day in the first 4 bytes
  FieldLogical,   // L
  FieldMemo,      // M, G, P, W, B of width 10: text from the memo file
  // Operators.
  Neg, Add, Sub, Mul, Div, Mod, Pow,
  Concat, ConcatTrim, DateAdd, DateSub, DateDiff,
  Compare, Contains, Not, And, Or,
  // Functions.
  Upper, Lower, RTrim, LTrim, AllTrim, Substr, Left, Right, Str, Val, Dtos, Dtoc, Ctod, Stod,
  Iif, Deleted, Recno, Empty, Len, Space, PadL, PadR, PadC, At, StrZero, Today, Year, Month, Day,
  Descend, Abs, Int, Round, Min, Max,
};

enum class Cmp : uint8_t { Eq, ExactEq, Ne, Lt, Le, Gt, Ge };

struct Node {
  Op op = Op::Const;
  Type type = Type::Invalid;
  Cmp cmp = Cmp::Eq;
  uint8_t nargs = 0;
  int32_t kid[3] = {-1, -1, -1};
  int width = 0;     // most bytes of a text result; numeric field width
  int decimals = 0;  // numeric field decimals
  int depth = 1;     // nesting depth of the subtree
  uint32_t begin = 0, end = 0;  // the subtree's span in the expression text
  bool constant = false;        // no field, RECNO() or DELETED() below
  // Field leaves.
  int slot = 0;
  FieldDesc field;
  // Constants.
  double number = 0.0;
  int32_t date = 0;
  bool logical = false;
  std::string text;  // a constant text, or the text last computed by the node
};

class Program {
 public:
  std::vector<Node> nodes;
  int root = -1;
  RecordSource* source = nullptr;
  const Settings* settings = nullptr;
  bool readsOther = false;
  uint32_t ownNeed = 1;  // bytes the fields of the own row need
  bool exact = false;    // exact text matching for this evaluation

  double Number(int n, const Row& r);
  bool Logical(int n, const Row& r);
  int32_t Date(int n, const Row& r);
  std::string_view Text(int n, const Row& r);

  // The row a field leaf reads: r itself for slot 0, else the source's row,
  // checked against the field's extent (a row too short reads as blank).
  Row RowFor(const Node& leaf, const Row& r);
};

// ---- shared pieces of the parser and the evaluator ----

// The node of a function call, after checking arity and argument types;
// throws XbError on a mismatch. args are node indices already in p.nodes.
Node BuildCall(Program& p, std::string_view upperName, const std::vector<int>& args, size_t pos);

// Evaluation of function nodes, by result type.
double CallNumber(Program& p, Node& n, const Row& r);
bool CallLogical(Program& p, Node& n, const Row& r);
int32_t CallDate(Program& p, Node& n, const Row& r);
std::string_view CallText(Program& p, Node& n, const Row& r);

// Text comparison by the rules in Expr.h: <0, 0, >0.
int CompareText(std::string_view a, std::string_view b, bool exact);
// Keeps computed numbers finite: anything else becomes 0.
inline double Finite(double v) { return (v - v == 0.0) ? v : 0.0; }
// The node's text emptied, to compute a text into (its capacity is kept
// from one evaluation to the next).
inline std::string& Scratch(Node& n) {
  n.text.clear();
  return n.text;
}
// The text computed into the node; one longer than kMaxText is refused.
std::string_view Finish(const Node& n);

}  // namespace xbe::expr
