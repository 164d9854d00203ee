#pragma once
// The desktop clipboard, for text.
#include "class_library/core/Object.h"

constexpr Word CF_TEXT = 1;

class TClipboard : public TObject {
public:
  String ClassName() const override { return "TClipboard"; }
  String AsText() const;
  void SetAsText(const String& Value);
  bool HasFormat(Word Format) const;
  void Clear();
  // Kept for code that brackets several changes; the clipboard needs neither.
  void Open() {}
  void Close() {}
};

// The program's clipboard.
TClipboard* Clipboard();
