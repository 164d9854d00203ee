#pragma once
// Opening a document or address with the desktop's default program.
#include <string>

namespace gui {

// Hands target (a file path or an address such as https://...) to the
// desktop's opener (xdg-open, or the program named by TW_SHELL_OPENER),
// started directly, never through a shell, and not waited for beyond its
// start. True when the opener could be started and did not report failure
// within a short moment.
bool ShellOpen(const std::string& target);

}  // namespace gui
