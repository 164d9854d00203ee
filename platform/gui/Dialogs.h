#pragma once
// Message boxes as real dialogs.
#include <functional>
#include <string>

#include "platform/gui/Types.h"

namespace gui {

constexpr UINT MB_OK = 0x00000000;
constexpr UINT MB_OKCANCEL = 0x00000001;
constexpr UINT MB_ABORTRETRYIGNORE = 0x00000002;
constexpr UINT MB_YESNOCANCEL = 0x00000003;
constexpr UINT MB_YESNO = 0x00000004;
constexpr UINT MB_RETRYCANCEL = 0x00000005;
constexpr UINT MB_ICONERROR = 0x00000010;
constexpr UINT MB_ICONHAND = 0x00000010;
constexpr UINT MB_ICONQUESTION = 0x00000020;
constexpr UINT MB_ICONWARNING = 0x00000030;
constexpr UINT MB_ICONEXCLAMATION = 0x00000030;
constexpr UINT MB_ICONINFORMATION = 0x00000040;
constexpr UINT MB_ICONASTERISK = 0x00000040;
constexpr UINT MB_DEFBUTTON1 = 0x00000000;
constexpr UINT MB_DEFBUTTON2 = 0x00000100;
constexpr UINT MB_DEFBUTTON3 = 0x00000200;

constexpr int IDOK = 1;
constexpr int IDCANCEL = 2;
constexpr int IDABORT = 3;
constexpr int IDRETRY = 4;
constexpr int IDIGNORE = 5;
constexpr int IDYES = 6;
constexpr int IDNO = 7;

// Shows a modal box over owner (none: over the active window) and answers
// the button pressed (closing the box answers Cancel, or the only button).
// While it shows, the application loop keeps running (see App.h: the modal
// loop runner). Text and caption are bytes (UTF-8 where valid, else
// Windows-1252).
int MessageBox(HWND owner, const std::string& text, const std::string& caption, UINT type);

// Makes the system layer's message boxes (platform/system/MessageBox.h) real
// dialogs; InstallMessageBoxSink(false) restores the standard-error sink.
void InstallMessageBoxSink(bool on = true);

// While a test runs, boxes are not shown: the answerer decides (it gets the
// text, caption and type); an empty answerer shows them again.
void SetMessageBoxAnswerer(std::function<int(const std::string&, const std::string&, UINT)> answerer);

}  // namespace gui
