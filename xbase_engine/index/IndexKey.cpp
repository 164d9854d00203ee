#include "xbase_engine/index/IndexKey.h"

#include <cmath>
#include <cstring>
#include <vector>

#include "xbase_engine/Table.h"

namespace xbe::idx {

int MachineCompare(const uint8_t* a, const uint8_t* b, size_t n) { return std::memcmp(a, b, n); }

namespace {

void Store8(uint8_t* p, uint64_t v) {
  for (int i = 7; i >= 0; --i) {
    p[i] = uint8_t(v);
    v >>= 8;
  }
}

}  // namespace

std::string EncodeNumber(double v, const KeyFormat& f) {
  if (!std::isfinite(v)) v = 0.0;
  if (f.binaryNumbers) {
    if (v == 0.0) v = 0.0;  // -0 sorts as 0
    uint64_t bits;
    std::memcpy(&bits, &v, sizeof bits);
    bits = (bits >> 63) ? ~bits : bits ^ (uint64_t(1) << 63);
    std::string out(8, '\0');
    Store8(reinterpret_cast<uint8_t*>(out.data()), bits);
    return out;
  }
  const int len = f.length;
  const bool neg = v < 0;
  const int width = neg ? len - 1 : len;
  char buf[400];
  const int dec = f.decimals > 0 && f.decimals < len ? f.decimals : 0;
  int n = std::snprintf(buf, sizeof buf, "%0*.*f", width > 0 ? width : 1, dec, std::fabs(v));
  std::string s(buf, size_t(n > 0 ? n : 0));
  if (int(s.size()) > width) s = std::string(size_t(width > 0 ? width : 0), '9');  // overflow: the top
  if (neg) {
    for (char& c : s) {
      if (c >= '0' && c <= '9') c = char('0' + ('9' - c));
    }
    s.insert(0, 1, ',');
  }
  s.resize(size_t(len), '0');
  return s;
}

std::string EncodeDate(int32_t julian, const KeyFormat& f) {
  if (f.binaryNumbers) return EncodeNumber(double(julian), f);
  if (julian <= 0) return std::string(size_t(f.length), ' ');
  int y, m, d;
  YmdFromJulian(julian, y, m, d);
  char buf[16];
  std::snprintf(buf, sizeof buf, "%04d%02d%02d", y % 10000, m, d);
  std::string s(buf, 8);
  s.resize(size_t(f.length), ' ');
  return s;
}

std::string EncodeText(std::string_view text, const KeyFormat& f) {
  std::string s(text.substr(0, size_t(f.length)));
  s.resize(size_t(f.length), ' ');
  return s;
}

double DecodeBinaryNumber(const uint8_t* p) {
  uint64_t bits = 0;
  for (int i = 0; i < 8; ++i) bits = bits << 8 | p[i];
  bits = (bits >> 63) ? bits ^ (uint64_t(1) << 63) : ~bits;
  double v;
  std::memcpy(&v, &bits, sizeof v);
  return v;
}

std::string KeyFromText(std::string_view text, const KeyFormat& f, bool exact) {
  switch (f.type) {
    case 'N': {
      double v = 0;
      if (!Trim(text).empty() && !ParseNumber(text, v)) throw XbError("Not a number: " + std::string(text));
      return EncodeNumber(v, f);
    }
    case 'D': {
      const std::string_view t = Trim(text);
      if (t.empty()) return EncodeDate(0, f);
      int y, m, d;
      if (!ParseDbfDate(t, y, m, d)) throw XbError("Not a date (yyyymmdd): " + std::string(text));
      return EncodeDate(JulianFromYmd(y, m, d), f);
    }
    case 'L': {
      std::string_view t = Trim(text);
      if (t.size() >= 3 && t.front() == '.' && t.back() == '.') t = t.substr(1, t.size() - 2);
      const char c = t.empty() ? 'F' : t[0];
      return (c == 'T' || c == 't' || c == 'Y' || c == 'y') ? "T" : "F";
    }
    default:
      if (exact || int(text.size()) > f.length) return EncodeText(text, f);
      return std::string(text);
  }
}

// ---- expressions ----

void KeyExpression::Text(Table&, std::string& out) const { out.clear(); }
double KeyExpression::Number(Table&) const { return 0.0; }
int32_t KeyExpression::Julian(Table&) const { return 0; }
bool KeyExpression::Logical(Table&) const { return false; }

void MakeKey(Table& t, const KeyExpression& e, const KeyFormat& f, std::string& out) {
  switch (f.type) {
    case 'N':
      out = EncodeNumber(e.Type() == 'N' ? e.Number(t) : 0.0, f);
      return;
    case 'D':
      out = EncodeDate(e.Julian(t), f);
      return;
    case 'L':
      out = e.Logical(t) ? "T" : "F";
      return;
    default:
      e.Text(t, out);
      if (int(out.size()) != f.length) out.resize(size_t(f.length), ' ');
  }
}

namespace {

// The small expression subset keys are written in until the engine's own
// compiler takes over: fields (also alias->field), UPPER(), DTOS(), STR(),
// DELETED(), .NOT./!, and + joining character parts.
class FieldKey : public KeyExpression {
 public:
  explicit FieldKey(const FieldDesc& f) : f_(f) {}
  char Type() const override {
    switch (f_.type) {
      case 'N': case 'F': case 'I': case '+': case 'Y': case 'B': case 'O': return 'N';
      case 'D': return 'D';
      case 'L': return 'L';
      default: return 'C';
    }
  }
  int Width() const override {
    if (Type() == 'D') return 8;
    if (Type() == 'N' && f_.binary) return 20;
    return f_.width;
  }
  int Decimals() const override { return f_.decimals; }
  void Text(Table& t, std::string& out) const override {
    if (f_.binary) {
      out = t.Text(f_);
    } else {
      const std::string_view r = t.Raw(f_);
      out.assign(r.data(), r.size());
    }
  }
  double Number(Table& t) const override { return t.Double(f_); }
  int32_t Julian(Table& t) const override { return t.Julian(f_); }
  bool Logical(Table& t) const override { return t.Logical(f_); }

 private:
  FieldDesc f_;
};

class UpperKey : public KeyExpression {
 public:
  explicit UpperKey(std::unique_ptr<KeyExpression> a) : a_(std::move(a)) {}
  char Type() const override { return 'C'; }
  int Width() const override { return a_->Width(); }
  void Text(Table& t, std::string& out) const override {
    a_->Text(t, out);
    for (char& c : out) {
      if (c >= 'a' && c <= 'z') c = char(c - 'a' + 'A');
    }
  }

 private:
  std::unique_ptr<KeyExpression> a_;
};

class DtosKey : public KeyExpression {
 public:
  explicit DtosKey(std::unique_ptr<KeyExpression> a) : a_(std::move(a)) {}
  char Type() const override { return 'C'; }
  int Width() const override { return 8; }
  void Text(Table& t, std::string& out) const override {
    KeyFormat f{'D', 8, 0, false};
    out = EncodeDate(a_->Julian(t), f);
  }

 private:
  std::unique_ptr<KeyExpression> a_;
};

class StrKey : public KeyExpression {
 public:
  StrKey(std::unique_ptr<KeyExpression> a, int w, int d) : a_(std::move(a)), w_(w), d_(d) {}
  char Type() const override { return 'C'; }
  int Width() const override { return w_; }
  void Text(Table& t, std::string& out) const override {
    std::string s;
    if (!FormatNumber(a_->Number(t), w_, d_, s)) s.assign(size_t(w_), '*');
    out = s;
  }

 private:
  std::unique_ptr<KeyExpression> a_;
  int w_, d_;
};

class ConcatKey : public KeyExpression {
 public:
  void Add(std::unique_ptr<KeyExpression> p) { parts_.push_back(std::move(p)); }
  char Type() const override { return 'C'; }
  int Width() const override {
    int w = 0;
    for (const auto& p : parts_) w += p->Width();
    return w;
  }
  void Text(Table& t, std::string& out) const override {
    out.clear();
    std::string part;
    for (const auto& p : parts_) {
      p->Text(t, part);
      part.resize(size_t(p->Width()), ' ');
      out += part;
    }
  }

 private:
  std::vector<std::unique_ptr<KeyExpression>> parts_;
};

class DeletedKey : public KeyExpression {
 public:
  char Type() const override { return 'L'; }
  int Width() const override { return 1; }
  bool Logical(Table& t) const override { return t.Deleted(); }
};

class NotKey : public KeyExpression {
 public:
  explicit NotKey(std::unique_ptr<KeyExpression> a) : a_(std::move(a)) {}
  char Type() const override { return 'L'; }
  int Width() const override { return 1; }
  bool Logical(Table& t) const override { return !a_->Logical(t); }

 private:
  std::unique_ptr<KeyExpression> a_;
};

class Parser {
 public:
  Parser(Table& t, std::string_view s) : t_(t), s_(s) {}

  std::unique_ptr<KeyExpression> Whole() {
    auto e = Sum();
    Blanks();
    if (pos_ != s_.size()) Bad();
    return e;
  }

 private:
  [[noreturn]] void Bad() { throw XbError("Invalid index expression: " + std::string(s_)); }
  void Blanks() {
    while (pos_ < s_.size() && (s_[pos_] == ' ' || s_[pos_] == '\t')) ++pos_;
  }
  bool Take(char c) {
    Blanks();
    if (pos_ < s_.size() && s_[pos_] == c) {
      ++pos_;
      return true;
    }
    return false;
  }
  std::string Word() {
    Blanks();
    const size_t b = pos_;
    while (pos_ < s_.size() && (std::isalnum(uint8_t(s_[pos_])) || s_[pos_] == '_')) ++pos_;
    return UpperAscii(s_.substr(b, pos_ - b));
  }
  int Int() {
    Blanks();
    int v = 0;
    const size_t b = pos_;
    while (pos_ < s_.size() && s_[pos_] >= '0' && s_[pos_] <= '9' && v < 1000) v = v * 10 + (s_[pos_++] - '0');
    if (pos_ == b) Bad();
    return v;
  }

  std::unique_ptr<KeyExpression> Sum() {
    auto first = Unary();
    if (!Take('+')) return first;
    auto c = std::make_unique<ConcatKey>();
    if (first->Type() != 'C') Bad();
    c->Add(std::move(first));
    do {
      auto next = Unary();
      if (next->Type() != 'C') Bad();
      c->Add(std::move(next));
    } while (Take('+'));
    return c;
  }

  std::unique_ptr<KeyExpression> Unary() {
    Blanks();
    if (Take('!')) return Not(Unary());
    if (s_.substr(pos_).size() >= 5 && UpperAscii(s_.substr(pos_, 5)) == ".NOT.") {
      pos_ += 5;
      return Not(Unary());
    }
    if (Take('(')) {
      auto e = Sum();
      if (!Take(')')) Bad();
      return e;
    }
    std::string w = Word();
    if (w.empty()) Bad();
    Blanks();
    if (pos_ + 1 < s_.size() && s_[pos_] == '-' && s_[pos_ + 1] == '>') {  // alias->field
      pos_ += 2;
      w = Word();
      if (w.empty()) Bad();
      return Field(w);
    }
    if (!Take('(')) return Field(w);
    std::unique_ptr<KeyExpression> r;
    if (w == "DELETED") {
      r = std::make_unique<DeletedKey>();
    } else {
      auto a = Sum();
      if (w == "UPPER") {
        if (a->Type() != 'C') Bad();
        r = std::make_unique<UpperKey>(std::move(a));
      } else if (w == "DTOS") {
        if (a->Type() != 'D') Bad();
        r = std::make_unique<DtosKey>(std::move(a));
      } else if (w == "STR") {
        if (a->Type() != 'N') Bad();
        int width = 10, dec = 0;
        if (Take(',')) width = Int();
        if (Take(',')) dec = Int();
        if (width < 1 || width > kMaxKeyLength || dec < 0 || dec >= width) Bad();
        r = std::make_unique<StrKey>(std::move(a), width, dec);
      } else {
        Bad();
      }
    }
    if (!Take(')')) Bad();
    return r;
  }

  std::unique_ptr<KeyExpression> Not(std::unique_ptr<KeyExpression> a) {
    if (a->Type() != 'L') Bad();
    return std::make_unique<NotKey>(std::move(a));
  }

  std::unique_ptr<KeyExpression> Field(const std::string& name) {
    const FieldDesc* f = t_.FindField(std::string_view(name));
    if (!f || IsMemoField(*f)) Bad();
    return std::make_unique<FieldKey>(*f);
  }

  Table& t_;
  std::string_view s_;
  size_t pos_ = 0;
};

}  // namespace

std::unique_ptr<KeyExpression> CompileKey(Table& t, std::string_view expression) {
  if (Trim(expression).empty()) throw XbError("Empty index expression");
  return Parser(t, expression).Whole();
}

std::string KeyFieldNames(Table& t, std::string_view expression) {
  std::string out;
  size_t i = 0;
  while (i < expression.size()) {
    const char c = expression[i];
    if (c == '"' || c == '\'') {  // skip text literals
      const size_t end = expression.find(c, i + 1);
      i = end == std::string_view::npos ? expression.size() : end + 1;
      continue;
    }
    if (std::isalpha(uint8_t(c)) || c == '_') {
      const size_t b = i;
      while (i < expression.size() && (std::isalnum(uint8_t(expression[i])) || expression[i] == '_')) ++i;
      size_t j = i;
      while (j < expression.size() && expression[j] == ' ') ++j;
      const bool call = j < expression.size() && expression[j] == '(';
      const bool alias = j + 1 < expression.size() && expression[j] == '-' && expression[j + 1] == '>';
      const std::string_view word = expression.substr(b, i - b);
      if (!call && !alias && t.FindField(word)) {
        if (!out.empty()) out += ';';
        out += UpperAscii(word);
      }
      continue;
    }
    ++i;
  }
  return out;
}

}  // namespace xbe::idx
