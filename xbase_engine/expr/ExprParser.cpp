// The parser: tokens -> typed nodes, by recursive descent over the operator
// levels. Every name is resolved and every operator typed here, so the
// evaluator never meets an unknown name or a type it cannot handle.
#include <algorithm>

#include "xbase_engine/expr/ExprLexer.h"
#include "xbase_engine/expr/ExprProgram.h"

namespace xbe::expr {

namespace {

constexpr int kMaxDepth = 200;    // nesting of the parsed text and of the node tree
constexpr size_t kMaxNodes = 2048;

class Parser {
 public:
  Parser(std::string_view text, Program& p) : tokens_(Tokenize(text)), p_(p) {}

  int Parse() {
    if (Peek().kind == Tok::End) Bad(0, "empty expression");
    const int root = Or();
    if (Peek().kind != Tok::End) Bad(Peek().pos, "unexpected text after the expression");
    return root;
  }

 private:
  [[noreturn]] static void Bad(size_t pos, const std::string& what) {
    throw XbError("Expression error at position " + std::to_string(pos + 1) + ": " + what);
  }

  const Token& Peek() const { return tokens_[i_]; }
  const Token& Take() { return tokens_[i_ < tokens_.size() - 1 ? i_++ : i_]; }
  bool Accept(Tok k) {
    if (Peek().kind != k) return false;
    Take();
    return true;
  }

  // Counts the parser's own recursion (parentheses, unary chains).
  struct Nest {
    explicit Nest(Parser& p) : p_(p) {
      if (++p_.nest_ > kMaxDepth) Bad(p_.Peek().pos, "nested too deeply");
    }
    ~Nest() { --p_.nest_; }
    Parser& p_;
  };

  int Add(Node n, size_t pos) {
    n.begin = uint32_t(pos);
    n.end = uint32_t(i_ > 0 ? tokens_[i_ - 1].end : pos);
    n.constant = !(n.op >= Op::FieldText && n.op <= Op::FieldMemo) && n.op != Op::Recno && n.op != Op::Deleted;
    for (int k : n.kid) {
      if (k < 0) continue;
      const Node& kid = p_.nodes[size_t(k)];
      n.depth = std::max(n.depth, kid.depth + 1);
      n.begin = std::min(n.begin, kid.begin);
      n.constant = n.constant && kid.constant;
    }
    if (n.depth > kMaxDepth) Bad(pos, "nested too deeply");
    if (p_.nodes.size() >= kMaxNodes) Bad(pos, "too long");
    p_.nodes.push_back(std::move(n));
    return int(p_.nodes.size() - 1);
  }

  Type TypeOf(int n) const { return p_.nodes[size_t(n)].type; }

  int Binary(Op op, Type type, int a, int b, size_t pos, int width = 0) {
    Node n;
    n.op = op;
    n.type = type;
    n.nargs = 2;
    n.kid[0] = a;
    n.kid[1] = b;
    n.width = width;
    return Add(std::move(n), pos);
  }

  int Or() {
    int a = And();
    while (Peek().kind == Tok::Or) {
      const size_t pos = Take().pos;
      const int b = And();
      if (TypeOf(a) != Type::Logical || TypeOf(b) != Type::Logical) Bad(pos, ".OR. needs logical values");
      a = Binary(Op::Or, Type::Logical, a, b, pos, 1);
    }
    return a;
  }

  int And() {
    int a = Not();
    while (Peek().kind == Tok::And) {
      const size_t pos = Take().pos;
      const int b = Not();
      if (TypeOf(a) != Type::Logical || TypeOf(b) != Type::Logical) Bad(pos, ".AND. needs logical values");
      a = Binary(Op::And, Type::Logical, a, b, pos, 1);
    }
    return a;
  }

  int Not() {
    if (Peek().kind != Tok::Not) return Relation();
    Nest nest(*this);
    const size_t pos = Take().pos;
    const int a = Not();
    if (TypeOf(a) != Type::Logical) Bad(pos, ".NOT. needs a logical value");
    Node n;
    n.op = Op::Not;
    n.type = Type::Logical;
    n.nargs = 1;
    n.kid[0] = a;
    n.width = 1;
    return Add(std::move(n), pos);
  }

  static bool RelationToken(Tok k, Cmp& cmp) {
    switch (k) {
      case Tok::Eq: cmp = Cmp::Eq; return true;
      case Tok::ExactEq: cmp = Cmp::ExactEq; return true;
      case Tok::Ne: cmp = Cmp::Ne; return true;
      case Tok::Lt: cmp = Cmp::Lt; return true;
      case Tok::Le: cmp = Cmp::Le; return true;
      case Tok::Gt: cmp = Cmp::Gt; return true;
      case Tok::Ge: cmp = Cmp::Ge; return true;
      default: return false;
    }
  }

  int Relation() {
    int a = Sum();
    while (true) {
      Cmp cmp = Cmp::Eq;
      const Tok k = Peek().kind;
      if (k == Tok::Dollar) {
        const size_t pos = Take().pos;
        const int b = Sum();
        if (TypeOf(a) != Type::Text || TypeOf(b) != Type::Text) Bad(pos, "$ needs two texts");
        a = Binary(Op::Contains, Type::Logical, a, b, pos, 1);
      } else if (RelationToken(k, cmp)) {
        const size_t pos = Take().pos;
        const int b = Sum();
        if (TypeOf(a) != TypeOf(b)) Bad(pos, "comparison of different types");
        a = Binary(Op::Compare, Type::Logical, a, b, pos, 1);
        p_.nodes[size_t(a)].cmp = cmp;
      } else {
        return a;
      }
    }
  }

  int Sum() {
    int a = Product();
    while (Peek().kind == Tok::Plus || Peek().kind == Tok::Minus) {
      const Token& t = Take();
      const bool plus = t.kind == Tok::Plus;
      const size_t pos = t.pos;
      const int b = Product();
      const Type ta = TypeOf(a), tb = TypeOf(b);
      if (ta == Type::Text && tb == Type::Text) {
        const int w = int(std::min<size_t>(kMaxText, size_t(p_.nodes[size_t(a)].width) +
                                                         size_t(p_.nodes[size_t(b)].width)));
        a = Binary(plus ? Op::Concat : Op::ConcatTrim, Type::Text, a, b, pos, w);
      } else if (ta == Type::Number && tb == Type::Number) {
        a = Binary(plus ? Op::Add : Op::Sub, Type::Number, a, b, pos);
      } else if (ta == Type::Date && tb == Type::Number) {
        a = Binary(plus ? Op::DateAdd : Op::DateSub, Type::Date, a, b, pos, 8);
      } else if (plus && ta == Type::Number && tb == Type::Date) {
        a = Binary(Op::DateAdd, Type::Date, b, a, pos, 8);
      } else if (!plus && ta == Type::Date && tb == Type::Date) {
        a = Binary(Op::DateDiff, Type::Number, a, b, pos);
      } else {
        Bad(pos, plus ? "+ of these types" : "- of these types");
      }
    }
    return a;
  }

  int Product() {
    int a = Power();
    while (Peek().kind == Tok::Star || Peek().kind == Tok::Slash || Peek().kind == Tok::Percent) {
      const Token& t = Take();
      const Op op = t.kind == Tok::Star ? Op::Mul : t.kind == Tok::Slash ? Op::Div : Op::Mod;
      const size_t pos = t.pos;
      const int b = Power();
      if (TypeOf(a) != Type::Number || TypeOf(b) != Type::Number) Bad(pos, "arithmetic needs numbers");
      a = Binary(op, Type::Number, a, b, pos);
    }
    return a;
  }

  int Power() {
    int a = Unary();
    while (Peek().kind == Tok::Power) {
      const size_t pos = Take().pos;
      const int b = Unary();
      if (TypeOf(a) != Type::Number || TypeOf(b) != Type::Number) Bad(pos, "** needs numbers");
      a = Binary(Op::Pow, Type::Number, a, b, pos);
    }
    return a;
  }

  int Unary() {
    if (Peek().kind != Tok::Minus && Peek().kind != Tok::Plus) return Primary();
    Nest nest(*this);
    const Token& t = Take();
    const bool minus = t.kind == Tok::Minus;
    const size_t pos = t.pos;
    const int a = Unary();
    if (TypeOf(a) != Type::Number) Bad(pos, "sign before a value that is not a number");
    if (!minus) return a;
    Node n;
    n.op = Op::Neg;
    n.type = Type::Number;
    n.nargs = 1;
    n.kid[0] = a;
    return Add(std::move(n), pos);
  }

  int Constant(Type type, size_t pos) {
    Node n;
    n.op = Op::Const;
    n.type = type;
    return Add(std::move(n), pos);
  }

  int DateLiteral(const Token& t) {
    const std::string_view s = Trim(t.text);
    int32_t jdn = 0;
    if (!s.empty()) {
      int y = 0, m = 0, d = 0;
      bool ok;
      if (s[0] == '^') {
        DateLayout iso;
        iso.order[0] = 'Y';
        iso.order[1] = 'M';
        iso.order[2] = 'D';
        ok = ParseDate(iso, p_.settings->epoch, s.substr(1), y, m, d);
      } else {
        ok = ParseDate(p_.settings->layout, p_.settings->epoch, s, y, m, d);
      }
      if (!ok) Bad(t.pos, "not a date: {" + t.text + "}");
      jdn = JulianFromYmd(y, m, d);
    }
    const int n = Constant(Type::Date, t.pos);
    p_.nodes[size_t(n)].date = jdn;
    p_.nodes[size_t(n)].width = 8;
    return n;
  }

  int Field(std::string_view alias, const Token& name) {
    int slot = 0;
    FieldDesc f;
    if (!p_.source->FindField(alias, name.text, slot, f)) {
      Bad(name.pos, "unknown field " + (alias.empty() ? name.text : std::string(alias) + "->" + name.text));
    }
    Node n;
    n.slot = slot;
    n.width = f.width;
    if (IsMemoField(f)) {
      n.op = Op::FieldMemo;
      n.type = Type::Text;
      n.width = int(kMaxText);
    } else {
      switch (f.type) {
        case 'N': case 'F':
          n.op = Op::FieldNumText;
          n.type = Type::Number;
          n.decimals = f.decimals;
          break;
        case 'I': case '+': n.op = Op::FieldInt32; n.type = Type::Number; break;
        case 'Y': n.op = Op::FieldCurrency; n.type = Type::Number; n.decimals = 4; break;
        case 'B': case 'O': n.op = Op::FieldDouble; n.type = Type::Number; break;
        case 'D': n.op = Op::FieldDate; n.type = Type::Date; break;
        case 'T': case '@': n.op = Op::FieldDateTime; n.type = Type::Date; n.width = 8; break;
        case 'L': n.op = Op::FieldLogical; n.type = Type::Logical; break;
        default: n.op = Op::FieldText; n.type = Type::Text; break;
      }
    }
    if (slot == 0) {
      p_.ownNeed = std::max(p_.ownNeed, uint32_t(f.offset + f.width));
    } else {
      p_.readsOther = true;
    }
    n.field = std::move(f);
    return Add(std::move(n), name.pos);
  }

  int Primary() {
    const Token& t = Take();
    switch (t.kind) {
      case Tok::Number: {
        const int n = Constant(Type::Number, t.pos);
        p_.nodes[size_t(n)].number = t.number;
        return n;
      }
      case Tok::String: {
        const int n = Constant(Type::Text, t.pos);
        p_.nodes[size_t(n)].text = t.text;
        p_.nodes[size_t(n)].width = int(std::min(t.text.size(), kMaxText));
        return n;
      }
      case Tok::True:
      case Tok::False: {
        const int n = Constant(Type::Logical, t.pos);
        p_.nodes[size_t(n)].logical = t.kind == Tok::True;
        p_.nodes[size_t(n)].width = 1;
        return n;
      }
      case Tok::Date:
        return DateLiteral(t);
      case Tok::LParen: {
        Nest nest(*this);
        const int n = Or();
        if (!Accept(Tok::RParen)) Bad(Peek().pos, "')' expected");
        // The span takes the parentheses in, so that an enclosing span stays balanced.
        p_.nodes[size_t(n)].begin = uint32_t(t.pos);
        p_.nodes[size_t(n)].end = uint32_t(tokens_[i_ - 1].end);
        return n;
      }
      case Tok::Ident: {
        if (Peek().kind == Tok::LParen) return Call(t);
        if (Accept(Tok::Arrow)) {
          const Token& name = Take();
          if (name.kind != Tok::Ident) Bad(name.pos, "field name expected after ->");
          return Field(t.text == "FIELD" ? std::string_view() : std::string_view(t.text), name);
        }
        return Field({}, t);
      }
      case Tok::End:
        Bad(t.pos, "unexpected end of the expression");
      default:
        Bad(t.pos, "a value expected");
    }
  }

  int Call(const Token& name) {
    Nest nest(*this);
    Take();  // (
    std::vector<int> args;
    if (!Accept(Tok::RParen)) {
      while (true) {
        args.push_back(Or());
        if (args.size() > 3) Bad(Peek().pos, "too many arguments for " + name.text);
        if (Accept(Tok::RParen)) break;
        if (!Accept(Tok::Comma)) Bad(Peek().pos, "',' or ')' expected");
      }
    }
    return Add(BuildCall(p_, name.text, args, name.pos), name.pos);
  }

  std::vector<Token> tokens_;
  size_t i_ = 0;
  int nest_ = 0;
  Program& p_;
};

}  // namespace

std::unique_ptr<Expression> Expression::Compile(std::string_view text, RecordSource& source,
                                                const Settings& settings) {
  auto program = std::make_unique<Program>();
  program->source = &source;
  program->settings = &settings;
  program->root = Parser(text, *program).Parse();
  std::unique_ptr<Expression> e(new Expression());
  e->text_ = std::string(text);
  e->program_ = std::move(program);
  e->result_.type = e->ResultType();
  return e;
}

}  // namespace xbe::expr
