#pragma once
// The masked edit: an edit whose EditMask fixes what may stand at each
// position of its text. Mask characters: "0" digit, "9" digit or blank, "#"
// digit, sign or blank, "L" letter, "l" letter or blank, "A" letter or digit,
// "a" letter, digit or blank, "C" any character, "c" any or blank (characters of one byte: ASCII); ">" upper
// case and "<" lower case for what follows ("<>" neither); "\" makes the next
// character a literal, and any other character is a literal too. After a
// ";" comes whether Text keeps the literals ("0": no; default yes), after a
// second ";" the character shown in blank positions (default "_"); "!" is
// accepted and has no effect.
//
// With a mask the control does its own editing: typing overwrites the
// position at the caret and moves over literals, Backspace and Delete blank
// positions, Escape restores the text the control had when it got the focus,
// and leaving the control with a required position blank raises
// EDBEditError (ValidateError) and keeps the focus there. Without a mask it
// is a plain edit, which is how the controls use it.
#include <vector>

#include "class_library/core/Exceptions.h"
#include "class_library/visual/StdCtrls.h"

// A masked edit's text that does not fit the mask.
class EDBEditError : public Exception {
public:
  using Exception::Exception;
};

class TCustomMaskEdit : public TCustomEdit {
public:
  explicit TCustomMaskEdit(TComponent* AOwner) : TCustomEdit(AOwner) {}
  String ClassName() const override { return "TCustomMaskEdit"; }

  const String& EditMask() const { return editMask_; }
  // A new mask formats the present text into it.
  void SetEditMask(const String& Value);
  bool IsMasked() const { return !slots_.empty(); }
  // The text as shown (literals and blank characters included); without a
  // mask the same as Text.
  String EditText();
  void SetEditText(const String& Value);
  // Whether Key may stand at byte Position of the shown text.
  bool CharFitsMask(char Key, int Position) const;
  // Whether the shown text fills every required position; Position gets the
  // first that does not.
  bool Validate(const String& Value, int& Position) const;
  // With a mask and a modified text: ValidateError unless the text is valid
  // (the caret goes to the first position missing).
  virtual void ValidateEdit();
  // Restores the text from when the control got the focus (Escape).
  void Reset();

protected:
  // Masked: the input positions (blanks as spaces), with the literals when
  // the mask keeps them.
  String GetText() override;
  // Masked: formats Value into the mask (literals at their places when the
  // mask keeps them, else Value fills the input positions in order).
  void SetTextValue(const String& Value) override;
  // A text that does not fit: beeps and raises EDBEditError.
  virtual void ValidateError();
  void HandleKeyPress(char& Key) override;
  void HandleKeyDown(Word& Key, TShiftState Shift) override;
  void WMChar(TMessage& Message) override;
  void WindowProcedure(TMessage& Message) override;
  void CMEnter(TMessage& Message) override;
  void CMExit(TMessage& Message) override;

private:
  enum TCaseMode : char { cmNone, cmUpper, cmLower };
  struct TSlot {
    char Kind;  // the mask character, or the literal
    bool Literal;
    TCaseMode Case;
  };
  void ParseMask();
  String Format(const String& Value) const;
  bool Required(std::size_t Position) const;
  // The next input position at or after (before, when Back) Position; -1: none.
  int InputAt(int Position, bool Back) const;
  // Writes Shown into the window and puts the caret at Caret.
  void Apply(const String& Shown, int Caret);
  void BlankRange(String& Shown, int From, int To) const;

  String editMask_;
  std::vector<TSlot> slots_;
  bool saveLiterals_ = true;
  char blank_ = '_';
  String oldValue_;
  bool reEnter_ = false;  // the focus comes back after a failed exit
  int badPosition_ = 0;
};

class TMaskEdit : public TCustomMaskEdit {
public:
  explicit TMaskEdit(TComponent* AOwner) : TCustomMaskEdit(AOwner) {}
  String ClassName() const override { return "TMaskEdit"; }
};
