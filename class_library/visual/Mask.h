#pragma once
// The masked edit: an edit whose EditMask limits what may be typed at each
// position ("0" digit, "9" digit or blank, "L" letter, "l" letter or blank,
// "A" letter or digit, "a" letter, digit or blank, "C" any character, "c"
// any or blank, "\" the next character literally; after a ";" the mask's
// options, which are kept but not applied). Without a mask it is a plain
// edit, which is how the controls use it.
#include "class_library/visual/StdCtrls.h"

class TCustomMaskEdit : public TCustomEdit {
public:
  explicit TCustomMaskEdit(TComponent* AOwner) : TCustomEdit(AOwner) {}
  String ClassName() const override { return "TCustomMaskEdit"; }

  const String& EditMask() const { return editMask_; }
  void SetEditMask(const String& Value) { editMask_ = Value; }
  bool IsMasked() const { return !editMask_.empty(); }
  // The text as shown; without a mask the same as Text.
  String EditText() { return Text(); }
  void SetEditText(const String& Value) { SetText(Value); }
  // Whether Key may be typed at byte Position of the text.
  bool CharFitsMask(char Key, int Position) const;

protected:
  void HandleKeyPress(char& Key) override;

private:
  String editMask_;
};

class TMaskEdit : public TCustomMaskEdit {
public:
  explicit TMaskEdit(TComponent* AOwner) : TCustomMaskEdit(AOwner) {}
  String ClassName() const override { return "TMaskEdit"; }
};
