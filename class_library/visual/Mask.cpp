#include "class_library/visual/Mask.h"

#include <cctype>


bool TCustomMaskEdit::CharFitsMask(char Key, int Position) const {
  if (editMask_.empty()) return true;
  // The mask's positions, literals unescaped; the options after ";" are not positions.
  int at = 0;
  for (std::size_t i = 0; i < editMask_.size() && editMask_[i] != ';'; ++i) {
    char m = editMask_[i];
    bool literal = false;
    if (m == '\\' && i + 1 < editMask_.size()) {
      m = editMask_[++i];
      literal = true;
    } else if (m == '>' || m == '<' || m == '!') {
      continue;
    }
    if (at++ != Position) continue;
    unsigned char c = static_cast<unsigned char>(Key);
    if (literal) return Key == m;
    switch (m) {
      case '0': return std::isdigit(c) != 0;
      case '9': return std::isdigit(c) || c == ' ';
      case 'L': return std::isalpha(c) != 0;
      case 'l': return std::isalpha(c) || c == ' ';
      case 'A': return std::isalnum(c) != 0;
      case 'a': return std::isalnum(c) || c == ' ';
      case 'C': return c != 0;
      case 'c': return true;
      default: return Key == m;
    }
  }
  return false;  // past the end of the mask
}

void TCustomMaskEdit::HandleKeyPress(char& Key) {
  TCustomEdit::HandleKeyPress(Key);
  if (!Key || !IsMasked() || static_cast<unsigned char>(Key) < ' ') return;
  if (!CharFitsMask(Key, SelStart())) Key = 0;
}
