#pragma once
// Message boxes. A windowless program has nobody to ask: the default sink
// writes "caption: text" to standard error and answers the default button. A
// program with windows installs a sink that shows a real dialog.
#include <functional>
#include <string>

namespace sys {

// Box kinds: the icon the box shows; a plain box shows none.
constexpr int mbError = 0;
constexpr int mbWarning = 1;
constexpr int mbInformation = 2;
constexpr int mbConfirmation = 3;
constexpr int mbPlain = 4;

// Buttons: bits to combine in `buttons`; one of them is the answer.
constexpr int mbOK = 0x01;
constexpr int mbCancel = 0x02;
constexpr int mbYes = 0x04;
constexpr int mbNo = 0x08;
constexpr int mbAbort = 0x10;
constexpr int mbRetry = 0x20;
constexpr int mbIgnore = 0x40;

using MessageBoxSink = std::function<int(const std::string& caption, const std::string& text,
                                         int kind, int buttons, int defaultButton)>;

// Installs sink for every later box; an empty sink restores the default one.
void SetMessageBoxSink(MessageBoxSink sink);

// Shows a box through the current sink and returns the button answered. With
// defaultButton 0 the default is the first button set in buttons (mbOK when none).
// Safe from any thread. The sink runs outside any lock, so a sink may itself
// show another box (a modal dialog's own loop may).
int ShowMessageBox(const std::string& caption, const std::string& text, int kind, int buttons,
                   int defaultButton = 0);

}  // namespace sys
