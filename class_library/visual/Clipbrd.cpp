#include "class_library/visual/Clipbrd.h"

#include "platform/gui/Clipboard.h"

String TClipboard::AsText() const { return gui::ClipboardGetText(); }
void TClipboard::SetAsText(const String& Value) { gui::ClipboardSetText(Value); }
bool TClipboard::HasFormat(Word Format) const { return Format == CF_TEXT && gui::ClipboardHasText(); }
void TClipboard::Clear() { gui::ClipboardClear(); }

TClipboard* Clipboard() {
  static TClipboard clipboard;
  return &clipboard;
}
