#pragma once
// Test support: a fixed environment for pixel-exact tests, input as the
// user would give it (through the same path as real input), and pictures of
// windows.
#include <cstddef>
#include <string>

#include "platform/gui/Types.h"

namespace gui::test {

// Before Init: the off-screen platform with one 1920 x 1080 screen at 96
// dots per inch (unless TW_GUI_TEST_DISPLAY=1, which keeps the desktop's
// platform, for example under Xvfb). After Init: classic system colours,
// DejaVu faces for every substitute, text antialiasing off, visual styles off.
void UseTestEnvironment();

// Mouse input at a screen point (button 1 left, 2 right, 3 middle).
// Modifier bits for the key and mouse calls.
constexpr UINT kShift = 1;
constexpr UINT kControl = 2;
constexpr UINT kAlt = 4;
void MouseMove(Point screen, UINT buttonsHeld = 0, UINT modifiers = 0);
void MouseDown(Point screen, int button = 1, UINT modifiers = 0);
void MouseUp(Point screen, int button = 1, UINT modifiers = 0);
void Click(Point screen, int button = 1, UINT modifiers = 0);
void DoubleClick(Point screen, int button = 1, UINT modifiers = 0);
void Wheel(Point screen, int delta, UINT modifiers = 0);
// The desktop asks for a context menu at a screen point (as after the right
// button): whether the toolkit opened a menu of its own there (its cut, copy
// and paste); such a menu is closed again at once.
bool ToolkitMenuOpensAt(Point screen);
// Moves the pointer off every window.
void MouseLeaveAll();
// Keys to the focus window: vk is a VK_* code; text the character typed (empty
// for keys that type none).
void KeyDown(WPARAM vk, UINT modifiers = 0, const std::string& text = "");
void KeyUp(WPARAM vk, UINT modifiers = 0);
void KeyPress(WPARAM vk, UINT modifiers = 0, const std::string& text = "");
// Types each character (UTF-8) as a key press.
void TypeText(const std::string& text);
// A key pressed on the dialog that is modal now (a message box); false when
// there is none.
bool KeyToModalDialog(WPARAM vk);
// The desktop asks a top-level window to close (its title bar's close box).
void CloseFromDesktop(HWND hwnd);

// How many top-level windows the toolkit holds (windows of ours not yet
// deleted included).
std::size_t ToolkitWindowCount();

// What the window shows now, frame and native controls included (pending
// painting done first): a new colour bitmap the caller deletes.
HBITMAP CaptureWindow(HWND hwnd);
// The same written to a PNG file.
bool SaveWindowPng(HWND hwnd, const std::string& path);
// What the display shows over the window (a real window system: the
// screen's pixels), written to a PNG file.
bool SaveScreenPng(HWND hwnd, const std::string& path);
// What the screen shows in a rectangle of it (screen coordinates): on a real
// display its own pixels; on the off-screen platform the program's visible
// windows painted bottom to top as a display stacks them (ours in their
// z-order, the toolkit's dialogs above, its menus and tips on top), on
// black. A new colour bitmap the caller deletes; PNG file for the second.
HBITMAP CaptureScreen(const Rect& area);
bool SaveScreenAreaPng(const Rect& area, const std::string& path);

// Compares two image files pixel by pixel: 0 equal, 1 different (report
// says how many pixels differ and where), 2 when one cannot be read.
int ComparePictureFiles(const std::string& a, const std::string& b, std::string& report);

}  // namespace gui::test
