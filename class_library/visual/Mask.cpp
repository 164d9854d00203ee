#include "class_library/visual/Mask.h"

#include <cctype>

#include "platform/gui/Controls.h"
#include "platform/gui/Window.h"
#include "platform/system/AsciiCase.h"

namespace {

bool IsBlankKind(char Kind) { return Kind == '9' || Kind == 'l' || Kind == 'a' || Kind == 'c' || Kind == '#'; }

bool IsInputKind(char Kind) {
  switch (Kind) {
    case '0':
    case '9':
    case '#':
    case 'L':
    case 'l':
    case 'A':
    case 'a':
    case 'C':
    case 'c': return true;
  }
  return false;
}

}  // namespace

void TCustomMaskEdit::ParseMask() {
  slots_.clear();
  saveLiterals_ = true;
  blank_ = '_';
  // The fields: the mask, whether literals are kept, the blank character.
  std::size_t i = 0;
  TCaseMode mode = cmNone;
  for (; i < editMask_.size() && editMask_[i] != ';'; ++i) {
    char m = editMask_[i];
    if (m == '\\' && i + 1 < editMask_.size()) {
      slots_.push_back(TSlot{editMask_[++i], true, mode});
    } else if (m == '<' && i + 1 < editMask_.size() && editMask_[i + 1] == '>') {
      mode = cmNone;
      ++i;
    } else if (m == '>') {
      mode = cmUpper;
    } else if (m == '<') {
      mode = cmLower;
    } else if (m == '!') {
      // Accepted; blanks are kept where they stand.
    } else {
      slots_.push_back(TSlot{m, !IsInputKind(m), mode});
    }
  }
  if (i < editMask_.size()) {
    ++i;
    if (i < editMask_.size() && editMask_[i] != ';') saveLiterals_ = editMask_[i] != '0';
    std::size_t second = editMask_.find(';', i);
    if (second != String::npos && second + 1 < editMask_.size()) blank_ = editMask_[second + 1];
  }
  // A mask of literals only has nothing to edit.
  bool input = false;
  for (const TSlot& s : slots_) input = input || !s.Literal;
  if (!input) slots_.clear();
}

void TCustomMaskEdit::SetEditMask(const String& Value) {
  if (Value == editMask_) return;
  String plain = GetText();
  editMask_ = Value;
  ParseMask();
  SetTextValue(plain);
  Perform(CM_TEXTCHANGED);
}

String TCustomMaskEdit::EditText() { return TCustomEdit::GetText(); }

void TCustomMaskEdit::SetEditText(const String& Value) {
  if (EditText() == Value) return;
  TCustomEdit::SetTextValue(Value);
  Perform(CM_TEXTCHANGED);
}

bool TCustomMaskEdit::CharFitsMask(char Key, int Position) const {
  if (slots_.empty()) return true;
  if (Position < 0 || static_cast<std::size_t>(Position) >= slots_.size()) return false;
  const TSlot& s = slots_[static_cast<std::size_t>(Position)];
  if (s.Literal) return Key == s.Kind;
  unsigned char c = static_cast<unsigned char>(Key);
  switch (s.Kind) {
    case '0': return std::isdigit(c) != 0;
    case '9': return std::isdigit(c) || c == ' ';
    case '#': return std::isdigit(c) || c == ' ' || c == '+' || c == '-';
    case 'L': return std::isalpha(c) != 0;
    case 'l': return std::isalpha(c) || c == ' ';
    case 'A': return std::isalnum(c) != 0;
    case 'a': return std::isalnum(c) || c == ' ';
    case 'C': return c >= ' ';
    default: return c >= ' ' || c == 0;
  }
}

bool TCustomMaskEdit::Required(std::size_t Position) const {
  const TSlot& s = slots_[Position];
  return !s.Literal && !IsBlankKind(s.Kind);
}

String TCustomMaskEdit::Format(const String& Value) const {
  String shown;
  std::size_t next = 0;  // the next character of Value to place
  for (std::size_t i = 0; i < slots_.size(); ++i) {
    const TSlot& s = slots_[i];
    if (saveLiterals_) next = i;
    if (s.Literal) {
      shown += s.Kind;
      continue;
    }
    char c = next < Value.size() ? Value[next] : ' ';
    ++next;
    // ASCII case only: the process locale (a Turkish one keeps 'i') must not decide.
    if (s.Case == cmUpper) c = sys::AsciiUpper(c);
    if (s.Case == cmLower) c = sys::AsciiLower(c);
    shown += (c == ' ' || !CharFitsMask(c, static_cast<int>(i))) ? blank_ : c;
  }
  return shown;
}

String TCustomMaskEdit::GetText() {
  String shown = TCustomEdit::GetText();
  if (slots_.empty()) return shown;
  String text;
  for (std::size_t i = 0; i < slots_.size(); ++i) {
    if (slots_[i].Literal) {
      if (saveLiterals_) text += slots_[i].Kind;
      continue;
    }
    char c = i < shown.size() ? shown[i] : blank_;
    text += c == blank_ ? ' ' : c;
  }
  return text;
}

void TCustomMaskEdit::SetTextValue(const String& Value) {
  TCustomEdit::SetTextValue(slots_.empty() ? Value : Format(Value));
}

bool TCustomMaskEdit::Validate(const String& Value, int& Position) const {
  for (std::size_t i = 0; i < slots_.size(); ++i) {
    char c = i < Value.size() ? Value[i] : blank_;
    if (Required(i) && (c == blank_ || c == ' ')) {
      Position = static_cast<int>(i);
      return false;
    }
  }
  Position = 0;
  return true;
}

void TCustomMaskEdit::ValidateEdit() {
  if (slots_.empty() || !Modified()) return;
  int at = 0;
  if (Validate(EditText(), at)) return;
  SetSelStart(at);
  SetSelLength(1);
  ValidateError();
}

void TCustomMaskEdit::ValidateError() {
  gui::MessageBeep(0);
  throw EDBEditError("Invalid input value.  Use escape key to abandon changes");
}

void TCustomMaskEdit::Reset() {
  if (!Modified()) return;
  SetEditText(oldValue_);
  SetModified(false);
}

int TCustomMaskEdit::InputAt(int Position, bool Back) const {
  int n = static_cast<int>(slots_.size());
  for (int i = Position; i >= 0 && i < n; i += Back ? -1 : 1)
    if (!slots_[static_cast<std::size_t>(i)].Literal) return i;
  return -1;
}

void TCustomMaskEdit::Apply(const String& Shown, int Caret) {
  bool changed = Shown != EditText();
  if (changed) SetEditText(Shown);
  SetSelStart(Caret);
  if (changed) SetModified(true);
}

void TCustomMaskEdit::BlankRange(String& Shown, int From, int To) const {
  for (int i = std::max(From, 0); i < To && i < static_cast<int>(Shown.size()); ++i)
    if (!slots_[static_cast<std::size_t>(i)].Literal) Shown[static_cast<std::size_t>(i)] = blank_;
}

void TCustomMaskEdit::HandleKeyPress(char& Key) {
  TCustomEdit::HandleKeyPress(Key);
  if (!Key || slots_.empty()) return;
  unsigned char c = static_cast<unsigned char>(Key);
  if (c < ' ') {
    // Editing keys are done in HandleKeyDown; Enter and Escape go on to the
    // form; copying is harmless; cutting and pasting would break the mask.
    if (Key == '\r' || Key == '\x1b' || Key == '\x03') return;
    Key = 0;
    return;
  }
  char typed = Key;
  Key = 0;
  if (ReadOnly()) return;
  String shown = EditText();
  int start = SelStart(), length = SelLength();
  if (length > 0) BlankRange(shown, start, start + length);
  int at = InputAt(start, false);
  if (at < 0) {
    gui::MessageBeep(0);
    return;
  }
  const TSlot& s = slots_[static_cast<std::size_t>(at)];
  if (s.Case == cmUpper) typed = sys::AsciiUpper(typed);
  if (s.Case == cmLower) typed = sys::AsciiLower(typed);
  if (!CharFitsMask(typed, at)) {
    gui::MessageBeep(0);
    if (length > 0) Apply(shown, start);
    return;
  }
  shown[static_cast<std::size_t>(at)] = typed == ' ' ? blank_ : typed;
  int next = InputAt(at + 1, false);
  Apply(shown, next < 0 ? at + 1 : next);
}

void TCustomMaskEdit::HandleKeyDown(Word& Key, TShiftState Shift) {
  TCustomEdit::HandleKeyDown(Key, Shift);
  if (!Key || slots_.empty()) return;
  if (Key == gui::VK_ESCAPE) {
    if (Modified()) {
      Reset();
      SelectAll();
      Key = 0;
    }
    return;
  }
  if (Key != gui::VK_BACK && Key != gui::VK_DELETE) return;
  bool back = Key == gui::VK_BACK;
  Key = 0;
  if (ReadOnly()) return;
  String shown = EditText();
  int start = SelStart(), length = SelLength();
  if (length > 0) {
    BlankRange(shown, start, start + length);
    Apply(shown, start);
    return;
  }
  // Backspace blanks the input position before the caret and moves onto it;
  // Delete blanks the one at the caret and stays.
  int at = back ? InputAt(start - 1, true) : InputAt(start, false);
  if (at < 0) return;
  BlankRange(shown, at, at + 1);
  Apply(shown, back ? at : start);
}

void TCustomMaskEdit::WMChar(TMessage& Message) {
  // Positions are bytes of the text, which is UTF-8: only characters of
  // one byte (ASCII) fit a position.
  if (!slots_.empty() && Message.WParam >= 0x80) {
    gui::MessageBeep(0);
    return;
  }
  TCustomEdit::WMChar(Message);
}

void TCustomMaskEdit::WindowProcedure(TMessage& Message) {
  // Cutting, pasting and clearing would shift the text against the mask.
  if (!slots_.empty() && (Message.Msg == gui::WM_CUT || Message.Msg == gui::WM_PASTE || Message.Msg == gui::WM_CLEAR)) {
    if (Message.Msg == gui::WM_CUT) gui::SendMessage(Handle(), gui::WM_COPY);
    Message.Result = 0;
    return;
  }
  TCustomEdit::WindowProcedure(Message);
}

void TCustomMaskEdit::CMEnter(TMessage& Message) {
  if (reEnter_) {
    // Back after a failed exit: the text from before the edits stays what
    // Escape restores, and the caret stays where the text is wrong.
    reEnter_ = false;
    SetSelStart(badPosition_);
    SetSelLength(1);
    return;
  }
  oldValue_ = EditText();
  TCustomEdit::CMEnter(Message);
}

void TCustomMaskEdit::CMExit(TMessage& Message) {
  try {
    ValidateEdit();
  } catch (...) {
    // The text stays to be mended where it is wrong.
    badPosition_ = SelStart();
    reEnter_ = true;
    SetFocus();
    throw;
  }
  TCustomEdit::CMExit(Message);
}
