#include "xbase_engine/expr/ExprLexer.h"

#include <charconv>

#include "xbase_engine/Dbf.h"

namespace xbe::expr {

namespace {

bool IsDigit(char c) { return c >= '0' && c <= '9'; }
bool IsAlpha(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_'; }
char Upper(char c) { return (c >= 'a' && c <= 'z') ? char(c - 'a' + 'A') : c; }

[[noreturn]] void Bad(size_t pos, const std::string& what) {
  throw XbError("Expression error at position " + std::to_string(pos + 1) + ": " + what);
}

// The dotted words: .T. .F. .Y. .N. .AND. .OR. .NOT. (any case).
bool DottedWord(std::string_view text, size_t i, Token& t, size_t& len) {
  static const struct {
    const char* word;
    Tok kind;
  } kWords[] = {{"T", Tok::True}, {"F", Tok::False}, {"Y", Tok::True}, {"N", Tok::False},
                {"AND", Tok::And}, {"OR", Tok::Or},   {"NOT", Tok::Not}};
  size_t j = i + 1;
  std::string word;
  while (j < text.size() && IsAlpha(text[j])) word.push_back(Upper(text[j++]));
  if (j >= text.size() || text[j] != '.') return false;
  for (const auto& w : kWords) {
    if (word == w.word) {
      t.kind = w.kind;
      len = j + 1 - i;
      return true;
    }
  }
  return false;
}

}  // namespace

std::vector<Token> Tokenize(std::string_view text) {
  std::vector<Token> out;
  size_t i = 0;
  while (true) {
    while (i < text.size() && (text[i] == ' ' || text[i] == '\t' || text[i] == '\r' || text[i] == '\n')) ++i;
    Token t;
    t.pos = i;
    if (i >= text.size()) {
      t.end = i;
      out.push_back(t);
      return out;
    }
    const char c = text[i];
    const char next = i + 1 < text.size() ? text[i + 1] : '\0';
    size_t len = 1;
    if (IsDigit(c) || (c == '.' && IsDigit(next))) {
      size_t j = i;
      while (j < text.size() && IsDigit(text[j])) ++j;
      // A point belongs to the number unless a dotted word (1.AND.) starts there.
      if (j < text.size() && text[j] == '.' && !(j + 1 < text.size() && IsAlpha(text[j + 1]))) {
        ++j;
        while (j < text.size() && IsDigit(text[j])) ++j;
      }
      t.kind = Tok::Number;
      const std::string_view digits = text.substr(i, j - i);
      const auto r = std::from_chars(digits.data(), digits.data() + digits.size(), t.number);
      if (r.ec != std::errc() && !(digits.size() == 1 && digits[0] == '.')) Bad(i, "bad number");
      len = j - i;
    } else if (IsAlpha(c)) {
      size_t j = i;
      while (j < text.size() && (IsAlpha(text[j]) || IsDigit(text[j]))) t.text.push_back(Upper(text[j++]));
      t.kind = Tok::Ident;
      len = j - i;
    } else if (c == '"' || c == '\'' || c == '[') {
      const char close = c == '[' ? ']' : c;
      const size_t end = text.find(close, i + 1);
      if (end == std::string_view::npos) Bad(i, "unterminated text");
      t.kind = Tok::String;
      t.text = std::string(text.substr(i + 1, end - i - 1));
      len = end + 1 - i;
    } else if (c == '{') {
      const size_t end = text.find('}', i + 1);
      if (end == std::string_view::npos) Bad(i, "unterminated date");
      t.kind = Tok::Date;
      t.text = std::string(text.substr(i + 1, end - i - 1));
      len = end + 1 - i;
    } else if (c == '.') {
      if (!DottedWord(text, i, t, len)) Bad(i, "unknown word after '.'");
    } else {
      switch (c) {
        case '(': t.kind = Tok::LParen; break;
        case ')': t.kind = Tok::RParen; break;
        case ',': t.kind = Tok::Comma; break;
        case '+': t.kind = Tok::Plus; break;
        case '-':
          t.kind = next == '>' ? Tok::Arrow : Tok::Minus;
          len = next == '>' ? 2 : 1;
          break;
        case '*':
          t.kind = next == '*' ? Tok::Power : Tok::Star;
          len = next == '*' ? 2 : 1;
          break;
        case '^': t.kind = Tok::Power; break;
        case '/': t.kind = Tok::Slash; break;
        case '%': t.kind = Tok::Percent; break;
        case '$': t.kind = Tok::Dollar; break;
        case '#': t.kind = Tok::Ne; break;
        case '=':
          t.kind = next == '=' ? Tok::ExactEq : Tok::Eq;
          len = next == '=' ? 2 : 1;
          break;
        case '!':
          t.kind = next == '=' ? Tok::Ne : Tok::Not;
          len = next == '=' ? 2 : 1;
          break;
        case '<':
          if (next == '=') {
            t.kind = Tok::Le;
            len = 2;
          } else if (next == '>') {
            t.kind = Tok::Ne;
            len = 2;
          } else {
            t.kind = Tok::Lt;
          }
          break;
        case '>':
          t.kind = next == '=' ? Tok::Ge : Tok::Gt;
          len = next == '=' ? 2 : 1;
          break;
        default:
          Bad(i, std::string("unexpected character '") + c + "'");
      }
    }
    i += len;
    t.end = i;
    out.push_back(std::move(t));
  }
}

}  // namespace xbe::expr
