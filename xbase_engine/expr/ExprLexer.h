#pragma once
// Splits an expression text into tokens.
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace xbe::expr {

enum class Tok {
  End, Ident, Number, String, Date, True, False,
  LParen, RParen, Comma, Arrow,
  Plus, Minus, Star, Slash, Percent, Power,
  Eq, ExactEq, Ne, Lt, Le, Gt, Ge, Dollar,
  Not, And, Or,
};

struct Token {
  Tok kind = Tok::End;
  size_t pos = 0;     // offset in the text, for error messages
  size_t end = 0;     // offset just past the token
  std::string text;   // identifier (upper case), string contents, date text
  double number = 0;  // Number
};

// Tokenizes text; throws XbError at the first character that starts no token
// (and for an unterminated string or date).
std::vector<Token> Tokenize(std::string_view text);

}  // namespace xbe::expr
