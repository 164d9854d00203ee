#include "class_library/components/FormResource.h"

#include <cmath>
#include <exception>
#include <map>

#include "class_library/components/Resources.h"
#include "class_library/core/SysUtils.h"
#include "class_library/components/TypeInfo.h"
#include "platform/system/NumberText.h"

namespace {

constexpr int kMaxDepth = 64;

[[noreturn]] void Fail(int line, const String& what) {
  throw EReadError("Line " + std::to_string(line) + ": " + what);
}

bool IsIdentStart(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_'; }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }
bool IsHexDigit(char c) { return IsDigit(c) || (c >= 'A' && c <= 'F') || (c >= 'a' && c <= 'f'); }
int HexValue(char c) {
  if (IsDigit(c)) return c - '0';
  return (c | 0x20) - 'a' + 10;
}

void AppendUtf8(String& out, std::uint32_t code) {
  if (code < 0x100) {
    // Single-byte codes are carried as the byte itself (text is not transcoded).
    out += static_cast<char>(code);
  } else if (code < 0x800) {
    out += static_cast<char>(0xC0 | (code >> 6));
    out += static_cast<char>(0x80 | (code & 0x3F));
  } else if (code < 0x10000) {
    out += static_cast<char>(0xE0 | (code >> 12));
    out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (code & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (code >> 18));
    out += static_cast<char>(0x80 | ((code >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (code & 0x3F));
  }
}

struct Token {
  enum Kind { End, Ident, Integer, Float, Str, Symbol };
  Kind kind = End;
  String text;  // identifier, string contents, or the symbol
  std::int64_t integer = 0;
  bool decimal = false;  // a decimal integer may be 2^63 only after a minus
  double number = 0;
  int line = 1;

  bool Is(char symbol) const { return kind == Symbol && text.size() == 1 && text[0] == symbol; }
  bool IsWord(const char* word) const { return kind == Ident && SameText(text, word); }
  String Describe() const {
    switch (kind) {
      case End: return "end of text";
      case Str: return "string";
      default: return "'" + text + "'";
    }
  }
};

class Lexer {
public:
  explicit Lexer(const String& text) : s_(text) { Advance(); }

  const Token& Peek() const { return tok_; }
  Token Take() {
    Token t = std::move(tok_);
    Advance();
    return t;
  }

  // Reads "{ hex digits }" raw; the current token must be the '{'. Hex
  // digits are not tokens of their own (0A would not lex), so the bytes are
  // read straight from the text.
  String TakeBinary() {
    int startLine = tok_.line;
    String bytes;
    int pending = -1;
    for (;;) {
      if (pos_ >= s_.size()) Fail(startLine, "Unterminated binary value");
      char c = s_[pos_++];
      if (c == '}') break;
      if (c == '\n') {
        ++line_;
        continue;
      }
      if (c == ' ' || c == '\t' || c == '\r') continue;
      if (!IsHexDigit(c)) Fail(line_, "Invalid binary value");
      if (pending < 0) {
        pending = HexValue(c);
      } else {
        bytes += static_cast<char>(pending * 16 + HexValue(c));
        pending = -1;
      }
    }
    if (pending >= 0) Fail(line_, "Invalid binary value");
    Advance();
    return bytes;
  }

private:
  void SkipBlanks() {
    while (pos_ < s_.size()) {
      char c = s_[pos_];
      if (c == '\n') {
        ++line_;
        ++pos_;
      } else if (c == ' ' || c == '\t' || c == '\r' || c == '\f') {
        ++pos_;
      } else {
        break;
      }
    }
  }

  void Advance() {
    SkipBlanks();
    tok_ = Token();
    tok_.line = line_;
    if (pos_ >= s_.size()) return;
    // While binary data is read the lexer must not look ahead past '{'.
    char c = s_[pos_];
    if (IsIdentStart(c)) {
      size_t start = pos_;
      while (pos_ < s_.size() && (IsIdentStart(s_[pos_]) || IsDigit(s_[pos_]))) ++pos_;
      tok_.kind = Token::Ident;
      tok_.text = s_.substr(start, pos_ - start);
    } else if (IsDigit(c)) {
      LexNumber();
    } else if (c == '$') {
      LexHex();
    } else if (c == '\'' || c == '#') {
      LexString();
    } else {
      ++pos_;
      tok_.kind = Token::Symbol;
      tok_.text = String(1, c);
      if (String("=:.,+-[]()<>{}").find(c) == String::npos) Fail(line_, "Invalid character '" + tok_.text + "'");
    }
  }

  void LexNumber() {
    size_t start = pos_;
    while (pos_ < s_.size() && IsDigit(s_[pos_])) ++pos_;
    bool isFloat = false;
    if (pos_ + 1 < s_.size() && s_[pos_] == '.' && IsDigit(s_[pos_ + 1])) {
      isFloat = true;
      ++pos_;
      while (pos_ < s_.size() && IsDigit(s_[pos_])) ++pos_;
    }
    if (pos_ < s_.size() && (s_[pos_] == 'e' || s_[pos_] == 'E')) {
      size_t p = pos_ + 1;
      if (p < s_.size() && (s_[p] == '+' || s_[p] == '-')) ++p;
      if (p < s_.size() && IsDigit(s_[p])) {
        isFloat = true;
        pos_ = p;
        while (pos_ < s_.size() && IsDigit(s_[pos_])) ++pos_;
      }
    }
    String text = s_.substr(start, pos_ - start);
    tok_.text = text;
    if (isFloat) {
      tok_.kind = Token::Float;
      // The text always uses '.', whatever the process locale.
      const sys::DoubleRead r = sys::ReadDouble(text);
      if (!r.ok || r.outOfRange || !std::isfinite(r.value)) Fail(line_, "Invalid number " + text);
      tok_.number = r.value;
    } else {
      tok_.kind = Token::Integer;
      tok_.decimal = true;
      std::uint64_t v = 0;
      for (char d : text) {
        if (v > (UINT64_MAX - 9) / 10) Fail(line_, "Number out of range: " + text);
        v = v * 10 + static_cast<unsigned>(d - '0');
      }
      // Up to 2^63 so that -9223372036854775808 can be written.
      if (v > static_cast<std::uint64_t>(INT64_MAX) + 1) Fail(line_, "Number out of range: " + text);
      tok_.integer = static_cast<std::int64_t>(v);  // 2^63 wraps; the minus sign restores it
    }
    if (pos_ < s_.size() && (IsIdentStart(s_[pos_]))) Fail(line_, "Invalid number " + text + s_[pos_]);
  }

  void LexHex() {
    ++pos_;
    size_t start = pos_;
    std::uint64_t v = 0;
    while (pos_ < s_.size() && IsHexDigit(s_[pos_])) {
      if (pos_ - start >= 16) Fail(line_, "Number out of range");
      v = v * 16 + static_cast<unsigned>(HexValue(s_[pos_]));
      ++pos_;
    }
    if (pos_ == start) Fail(line_, "Invalid number $");
    tok_.kind = Token::Integer;
    tok_.integer = static_cast<std::int64_t>(v);  // $FFFFFFFFFFFFFFFF is -1, as a 64-bit pattern
    tok_.text = "$" + s_.substr(start, pos_ - start);
  }

  // 'quoted' pieces ('' is one quote) and #code pieces, adjacent.
  void LexString() {
    tok_.kind = Token::Str;
    String out;
    while (pos_ < s_.size() && (s_[pos_] == '\'' || s_[pos_] == '#')) {
      if (s_[pos_] == '\'') {
        ++pos_;
        for (;;) {
          if (pos_ >= s_.size() || s_[pos_] == '\n' || s_[pos_] == '\r') Fail(line_, "Unterminated string");
          char c = s_[pos_++];
          if (c == '\'') {
            if (pos_ < s_.size() && s_[pos_] == '\'') {
              out += '\'';
              ++pos_;
              continue;
            }
            break;
          }
          out += c;
        }
      } else {
        ++pos_;
        std::uint32_t code = 0;
        size_t start = pos_;
        if (pos_ < s_.size() && s_[pos_] == '$') {
          ++pos_;
          start = pos_;
          while (pos_ < s_.size() && IsHexDigit(s_[pos_]) && code <= 0x10FFFF)
            code = code * 16 + static_cast<unsigned>(HexValue(s_[pos_++]));
        } else {
          while (pos_ < s_.size() && IsDigit(s_[pos_]) && code <= 0x10FFFF)
            code = code * 10 + static_cast<unsigned>(s_[pos_++] - '0');
        }
        if (pos_ == start || code > 0x10FFFF) Fail(line_, "Invalid character code");
        AppendUtf8(out, code);
      }
    }
    tok_.text = std::move(out);
  }

  const String& s_;
  size_t pos_ = 0;
  int line_ = 1;
  Token tok_;
};

class Parser {
public:
  explicit Parser(const String& text) : lex_(text) {}

  TResObject ParseRoot() {
    TResObject root = ParseObject(0);
    if (lex_.Peek().kind != Token::End) Fail(lex_.Peek().line, "Unexpected " + lex_.Peek().Describe() + " after end");
    return root;
  }

private:
  static bool IsObjectKeyword(const Token& t) {
    return t.IsWord("object") || t.IsWord("inherited") || t.IsWord("inline");
  }

  Token ExpectIdent(const char* what) {
    if (lex_.Peek().kind != Token::Ident) Fail(lex_.Peek().line, String("Expected ") + what + ", found " + lex_.Peek().Describe());
    return lex_.Take();
  }

  void Expect(char symbol) {
    if (!lex_.Peek().Is(symbol))
      Fail(lex_.Peek().line, String("Expected '") + symbol + "', found " + lex_.Peek().Describe());
    lex_.Take();
  }

  TResObject ParseObject(int depth) {
    if (depth > kMaxDepth) Fail(lex_.Peek().line, "Components nested too deeply");
    const Token& head = lex_.Peek();
    if (!IsObjectKeyword(head)) Fail(head.line, "Expected object, found " + head.Describe());
    TResObject obj;
    obj.line = head.line;
    obj.keyword = LowerCase(lex_.Take().text);
    String first = ExpectIdent("a component name").text;
    if (lex_.Peek().Is(':')) {
      lex_.Take();
      obj.name = first;
      obj.className = ExpectIdent("a class name").text;
    } else {
      obj.className = first;
    }
    SkipPosition();
    for (;;) {
      const Token& t = lex_.Peek();
      if (t.kind == Token::End) Fail(t.line, "Missing end of " + (obj.name.empty() ? obj.className : obj.name));
      if (t.IsWord("end")) {
        lex_.Take();
        return obj;
      }
      if (IsObjectKeyword(t)) {
        obj.children.push_back(ParseObject(depth + 1));
      } else if (t.kind == Token::Ident) {
        obj.props.push_back(ParseProperty(depth));
      } else {
        Fail(t.line, "Unexpected " + t.Describe());
      }
    }
  }

  TResProperty ParseProperty(int depth) {
    TResProperty p;
    p.line = lex_.Peek().line;
    p.path = ExpectIdent("a property name").text;
    while (lex_.Peek().Is('.')) {
      lex_.Take();
      p.path += "." + ExpectIdent("a property name").text;
    }
    Expect('=');
    p.value = ParseValue(depth + 1);
    return p;
  }

  // The position in brackets an inherited component or a collection item
  // may carry: not needed.
  void SkipPosition() {
    if (!lex_.Peek().Is('[')) return;
    lex_.Take();
    if (lex_.Peek().kind != Token::Integer) Fail(lex_.Peek().line, "Expected a number");
    lex_.Take();
    Expect(']');
  }

  TResValue ParseValue(int depth) {
    if (depth > kMaxDepth) Fail(lex_.Peek().line, "Values nested too deeply");
    TResValue v;
    const Token& t = lex_.Peek();
    v.line = t.line;
    switch (t.kind) {
      case Token::End:
        Fail(t.line, "Missing value");
      case Token::Integer:
        if (t.decimal && t.integer < 0) Fail(t.line, "Number out of range: " + t.text);
        v.kind = TResValue::vaInt;
        v.integer = lex_.Take().integer;
        return v;
      case Token::Float:
        v.kind = TResValue::vaFloat;
        v.number = lex_.Take().number;
        return v;
      case Token::Str: ParseStrings(v); return v;
      case Token::Ident: ParseName(v); return v;
      case Token::Symbol:
        break;
    }
    if (t.Is('-')) {
      ParseNegative(v);
    } else if (t.Is('[')) {
      ParseSet(v);
    } else if (t.Is('(')) {
      ParseList(v, depth);
    } else if (t.Is('<')) {
      ParseCollection(v, depth);
    } else if (t.Is('{')) {
      v.kind = TResValue::vaBinary;
      v.text = lex_.TakeBinary();
    } else {
      Fail(t.line, "Invalid value " + t.Describe());
    }
    return v;
  }

  // A string, or strings joined with '+'.
  void ParseStrings(TResValue& v) {
    v.kind = TResValue::vaString;
    v.text = lex_.Take().text;
    while (lex_.Peek().Is('+')) {
      lex_.Take();
      if (lex_.Peek().kind != Token::Str) Fail(lex_.Peek().line, "Expected a string after '+'");
      v.text += lex_.Take().text;
    }
  }

  // A name, or a reference into another module: Module.Component.
  void ParseName(TResValue& v) {
    v.kind = TResValue::vaIdent;
    v.text = lex_.Take().text;
    while (lex_.Peek().Is('.')) {
      lex_.Take();
      v.text += "." + ExpectIdent("a name").text;
    }
  }

  void ParseNegative(TResValue& v) {
    lex_.Take();
    const Token& n = lex_.Peek();
    if (n.kind == Token::Integer) {
      v.kind = TResValue::vaInt;
      v.integer = static_cast<std::int64_t>(0 - static_cast<std::uint64_t>(lex_.Take().integer));
    } else if (n.kind == Token::Float) {
      v.kind = TResValue::vaFloat;
      v.number = -lex_.Take().number;
    } else {
      Fail(n.line, "Expected a number after '-'");
    }
  }

  // [a, b, c]: names of set elements.
  void ParseSet(TResValue& v) {
    lex_.Take();
    v.kind = TResValue::vaSet;
    if (lex_.Peek().Is(']')) {
      lex_.Take();
      return;
    }
    for (;;) {
      v.names.push_back(ExpectIdent("a set element").text);
      if (lex_.Peek().Is(']')) {
        lex_.Take();
        return;
      }
      Expect(',');
    }
  }

  // (a b c): values of a list.
  void ParseList(TResValue& v, int depth) {
    lex_.Take();
    v.kind = TResValue::vaList;
    while (!lex_.Peek().Is(')')) {
      if (lex_.Peek().kind == Token::End) Fail(lex_.Peek().line, "Missing ')'");
      v.items.push_back(ParseValue(depth + 1));
    }
    lex_.Take();
  }

  // <item ... end item ... end>: the items of a collection.
  void ParseCollection(TResValue& v, int depth) {
    lex_.Take();
    v.kind = TResValue::vaCollection;
    while (!lex_.Peek().Is('>')) v.collection.push_back(ParseItem(depth));
    lex_.Take();
  }

  TResValue::Item ParseItem(int depth) {
    const Token& it = lex_.Peek();
    if (!it.IsWord("item")) Fail(it.line, "Expected item, found " + it.Describe());
    TResValue::Item item;
    item.line = it.line;
    lex_.Take();
    SkipPosition();
    for (;;) {
      const Token& p = lex_.Peek();
      if (p.kind == Token::End) Fail(p.line, "Missing end of item");
      if (p.IsWord("end")) {
        lex_.Take();
        return item;
      }
      if (p.kind != Token::Ident) Fail(p.line, "Unexpected " + p.Describe());
      item.props.push_back(ParseProperty(depth + 1));
    }
  }

  Lexer lex_;
};

// Collects what ReadLegacyProperties declares, by upper-cased name.
class DefinedProperties : public TFiler {
public:
  void DefineProperty(const String& Name, TReaderProc ReadData) override { procs_[UpperCase(Name)] = std::move(ReadData); }
  const TReaderProc* Find(const String& Name) const {
    auto it = procs_.find(UpperCase(Name));
    return it == procs_.end() ? nullptr : &it->second;
  }

private:
  std::map<String, TReaderProc> procs_;
};

// A failure about one property, worded by the caller with its path.
struct PropertyFailure {
  String what;
};

}  // namespace

TResObject ParseFormResource(const String& Text) { return Parser(Text).ParseRoot(); }

// ---- TReader -----------------------------------------------------------------

void TReader::Invalid() const { Fail(value_.line, "Invalid property value"); }

bool TReader::ReadBoolean() const {
  if (value_.kind == TResValue::vaIdent) {
    if (SameText(value_.text, "True")) return true;
    if (SameText(value_.text, "False")) return false;
  }
  Invalid();
}

std::int64_t TReader::ReadInteger() const {
  if (value_.kind != TResValue::vaInt) Invalid();
  return value_.integer;
}

double TReader::ReadFloat() const {
  if (value_.kind == TResValue::vaFloat) return value_.number;
  if (value_.kind == TResValue::vaInt) return static_cast<double>(value_.integer);
  Invalid();
}

String TReader::ReadString() const {
  if (value_.kind != TResValue::vaString) Invalid();
  return value_.text;
}

String TReader::ReadIdent() const {
  if (value_.kind != TResValue::vaIdent) Invalid();
  return value_.text;
}

std::vector<String> TReader::ReadSet() const {
  if (value_.kind != TResValue::vaSet) Invalid();
  return value_.names;
}

String TReader::ReadBinary() const {
  if (value_.kind != TResValue::vaBinary) Invalid();
  return value_.text;
}

std::vector<String> TReader::ReadStrings() const {
  if (value_.kind != TResValue::vaList) Invalid();
  std::vector<String> result;
  for (const TResValue& item : value_.items) {
    if (item.kind != TResValue::vaString) Fail(item.line, "Invalid property value");
    result.push_back(item.text);
  }
  return result;
}

// ---- Loading -------------------------------------------------------------------

class TResourceLoader {
public:
  explicit TResourceLoader(TComponent* Root) : root_(Root) {}

  void Load(const TResObject& top) {
    try {
      loaded_.push_back(root_);
      root_->BeginLoading();
      if (!top.name.empty() && root_->Name() != top.name) {
        try {
          root_->SetName(top.name);
        } catch (const Exception& e) {
          Fail(top.line, e.Message());
        }
      }
      ReadComponent(root_, top);
      ResolveFixups();
    } catch (...) {
      for (TComponent* c : loaded_) c->ClearComponentState(TComponentStateFlag(csLoading | csReading));
      throw;
    }
    // Every component gets FinishLoading even when an earlier one fails, so
    // that none stays in csLoading; the first failure is passed on.
    std::exception_ptr first;
    for (TComponent* c : loaded_) {
      try {
        c->FinishLoading();
      } catch (...) {
        c->ClearComponentState(csLoading);
        if (!first) first = std::current_exception();
      }
    }
    if (first) std::rethrow_exception(first);
  }

private:
  struct Fixup {
    TPersistent* instance;
    const TPropInfo* prop;
    String target;
    String context;
    int line;
  };

  void ReadComponent(TComponent* comp, const TResObject& obj) {
    comp->SetComponentState(csReading);
    String context = comp->Name().empty() ? obj.className : comp->Name();
    for (const TResProperty& p : obj.props) ApplyProperty(comp, context, p);
    comp->ClearComponentState(csReading);
    for (const TResObject& child : obj.children) ReadChild(comp, child);
  }

  void ReadChild(TComponent* parent, const TResObject& obj) {
    TComponent* child = obj.name.empty() ? nullptr : root_->FindComponent(obj.name);
    if (child) {
      if (!ComponentInheritsFrom(child, obj.className))
        Fail(obj.line, "Component " + obj.name + " is a " + child->ClassName() + ", not a " + obj.className);
    } else {
      const TClassInfo* info = FindClassInfo(obj.className);
      if (!info) throw EClassNotFound("Line " + std::to_string(obj.line) + ": Class " + obj.className + " not found");
      if (!info->Factory) Fail(obj.line, "Cannot create a " + obj.className);
      try {
        child = info->Factory(root_);
        if (child->Owner() != root_) root_->InsertComponent(child);
        child->SetName(obj.name);
      } catch (const EReadError&) {
        throw;
      } catch (const Exception& e) {
        Fail(obj.line, e.Message());
      }
    }
    loaded_.push_back(child);
    child->BeginLoading();
    child->SetParentComponent(parent);
    ReadComponent(child, obj);
  }

  void ApplyProperty(TPersistent* instance, const String& context, const TResProperty& p) {
    String where = "Error reading " + context + "." + p.path + ": ";
    try {
      Apply(instance, context, p);
    } catch (const PropertyFailure& f) {
      Fail(p.line, where + f.what);
    } catch (const EReadError&) {
      throw;  // already names its line
    } catch (const Exception& e) {
      Fail(p.line, where + e.Message());
    }
  }

  void Apply(TPersistent* instance, const String& context, const TResProperty& p) {
    std::vector<String> segments;
    size_t start = 0;
    for (;;) {
      size_t dot = p.path.find('.', start);
      segments.push_back(p.path.substr(start, dot == String::npos ? String::npos : dot - start));
      if (dot == String::npos) break;
      start = dot + 1;
    }
    TPersistent* target = instance;
    for (size_t i = 0; i + 1 < segments.size(); ++i) {
      const TPropInfo* prop = GetPropInfo(target, segments[i]);
      if (prop && prop->Kind == TTypeKind::tkStrings && i + 2 == segments.size() &&
          SameText(segments.back(), "Strings")) {
        SetValue(target, *prop, p.value, context);
        return;
      }
      if (!prop || prop->Kind != TTypeKind::tkClass || !prop->GetObject)
        throw PropertyFailure{"Property " + segments[i] + " does not exist"};
      target = prop->GetObject(target);
      if (!target) throw PropertyFailure{"Property " + segments[i] + " is not assigned"};
    }
    const String& name = segments.back();
    if (const TPropInfo* prop = GetPropInfo(target, name)) {
      SetValue(target, *prop, p.value, context + "." + p.path);
      return;
    }
    DefinedProperties defined;
    target->ReadLegacyProperties(&defined);
    if (const TReaderProc* proc = defined.Find(name)) {
      TReader reader(p.value, root_);
      (*proc)(reader);
      return;
    }
    throw PropertyFailure{"Property " + name + " does not exist"};
  }

  static bool IsNil(const TResValue& v) { return v.kind == TResValue::vaIdent && SameText(v.text, "nil"); }

  void SetValue(TPersistent* target, const TPropInfo& prop, const TResValue& v, const String& context) {
    if (!prop.Writable()) throw PropertyFailure{"Property " + prop.Name + " is read-only"};
    const PropertyFailure invalid{"Invalid property value"};
    switch (prop.Kind) {
      case TTypeKind::tkInteger: {
        std::int64_t named = 0;
        if (v.kind == TResValue::vaIdent && prop.IdentToInt && prop.IdentToInt(v.text, named)) {
          prop.SetOrd(target, named);
          return;
        }
        if (v.kind != TResValue::vaInt) throw invalid;
        prop.SetOrd(target, v.integer);
        return;
      }
      case TTypeKind::tkBoolean:
      case TTypeKind::tkEnumeration: {
        if (v.kind != TResValue::vaIdent) throw invalid;
        int ord = GetEnumValue(prop, v.text);
        if (ord < 0) throw invalid;
        prop.SetOrd(target, ord);
        return;
      }
      case TTypeKind::tkSet: {
        if (v.kind != TResValue::vaSet) throw invalid;
        std::int64_t mask = 0;
        for (const String& element : v.names) {
          int bit = GetEnumValue(prop, element);
          if (bit < 0 || bit >= 64) throw invalid;
          mask |= std::int64_t(1) << bit;
        }
        prop.SetOrd(target, mask);
        return;
      }
      case TTypeKind::tkFloat:
        if (v.kind == TResValue::vaFloat) {
          prop.SetFloat(target, v.number);
        } else if (v.kind == TResValue::vaInt) {
          prop.SetFloat(target, static_cast<double>(v.integer));
        } else {
          throw invalid;
        }
        return;
      case TTypeKind::tkString:
        if (v.kind != TResValue::vaString) throw invalid;
        prop.SetString(target, v.text);
        return;
      case TTypeKind::tkComponent:
        if (v.kind != TResValue::vaIdent) throw invalid;
        if (IsNil(v)) {
          prop.SetComponent(target, nullptr);
        } else {
          fixups_.push_back({target, &prop, v.text, context, v.line});
        }
        return;
      case TTypeKind::tkMethod: {
        if (v.kind != TResValue::vaIdent) throw invalid;
        if (IsNil(v)) return;
        const std::any* method = root_->FindMethod(v.text);
        if (!method) throw PropertyFailure{"Method " + v.text + " not found"};
        prop.SetMethod(target, *method);
        return;
      }
      case TTypeKind::tkClass: {
        if (IsNil(v)) return;
        auto* collection = dynamic_cast<TCollection*>(prop.GetObject(target));
        if (v.kind != TResValue::vaCollection || !collection) throw invalid;
        collection->BeginUpdate();
        try {
          collection->Clear();
          for (size_t i = 0; i < v.collection.size(); ++i) {
            TCollectionItem* item = collection->Add();
            String itemContext = context + "[" + std::to_string(i) + "]";
            for (const TResProperty& p : v.collection[i].props) ApplyProperty(item, itemContext, p);
          }
        } catch (...) {
          collection->EndUpdate();
          throw;
        }
        collection->EndUpdate();
        return;
      }
      case TTypeKind::tkStrings: {
        TReader reader(v, root_);
        if (v.kind != TResValue::vaList) throw invalid;
        prop.SetStrings(target, reader.ReadStrings());
        return;
      }
    }
  }

  TComponent* FindReference(const String& name) const {
    size_t dot = name.find('.');
    if (dot != String::npos) {
      String rootName = name.substr(0, dot);
      TComponent* owner = SameText(rootName, root_->Name()) ? root_ : FindGlobalComponent(rootName);
      return owner ? owner->FindComponent(name.substr(dot + 1)) : nullptr;
    }
    if (SameText(name, root_->Name())) return root_;
    if (TComponent* c = root_->FindComponent(name)) return c;
    return FindGlobalComponent(name);
  }

  void ResolveFixups() {
    for (const Fixup& f : fixups_) {
      String where = "Error reading " + f.context + ": ";
      TComponent* target = FindReference(f.target);
      if (!target) Fail(f.line, where + "Component " + f.target + " not found");
      if (!f.prop->ComponentClass.empty() && !ComponentInheritsFrom(target, f.prop->ComponentClass))
        Fail(f.line, where + "Invalid property value");
      try {
        f.prop->SetComponent(f.instance, target);
      } catch (const Exception& e) {
        Fail(f.line, where + e.Message());
      }
    }
  }

  TComponent* root_;
  std::vector<TComponent*> loaded_;
  std::vector<Fixup> fixups_;
};

void ReadComponentResource(TComponent* Root, const String& Text) {
  if (!Root) throw EReadError("No component to read into");
  TResObject top = ParseFormResource(Text);
  TResourceLoader(Root).Load(top);
}

void InitComponentFromResource(TComponent* Root, const String& ResourceName) {
  const String* text = FindResourceText(ResourceName);
  if (!text) throw EResNotFound("Resource " + ResourceName + " not found");
  ReadComponentResource(Root, *text);
}
