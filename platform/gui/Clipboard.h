#pragma once
// The desktop clipboard (text).
#include <string>

namespace gui {

bool ClipboardHasText();
// Bytes: UTF-8 where valid, else Windows-1252 (the clipboard holds Unicode).
std::string ClipboardGetText();
void ClipboardSetText(const std::string& text);
void ClipboardClear();

}  // namespace gui
