#pragma once
// Input routing shared by the host windows and the native controls.
#include <QtCore/QPoint>
#include <QtCore/Qt>

#include "platform/gui/Types.h"

class QKeyEvent;

namespace gui::detail {

struct WindowObj;

struct MouseInput {
  enum Kind { Move, Down, Up, DoubleClick, Wheel };
  Kind kind = Move;
  int button = 0;  // 1 left, 2 right, 3 middle
  QPoint global;
  Qt::MouseButtons buttons;
  Qt::KeyboardModifiers modifiers;
  int wheelDelta = 0;
};

// The deepest visible, enabled window of root under a point of root's
// surface, asking WM_NCHITTEST where a window answers HTTRANSPARENT.
HWND HitTest(WindowObj& root, QPoint surfacePos);
// Sends the mouse messages for input over `under` (or the capture window).
// Answers true when a native control should handle the toolkit event itself
// (its procedure passed the message on to DefWindowProc).
bool RouteMouse(const MouseInput& in, HWND under);
void RouteMouseLeft();  // the pointer left every window
// Sends WM_KEYDOWN / WM_CHAR / WM_KEYUP (WM_SYS*) to target for a toolkit
// key event, and reports what reached DefWindowProc.
struct KeyRouting {
  bool keyPassed = false;      // WM_KEYDOWN / WM_KEYUP reached DefWindowProc
  bool charSent = false;       // the key types a character
  bool charPassed = false;     // WM_CHAR reached DefWindowProc ...
  char32_t passedChar = 0;     // ... with this character
  char32_t originalChar = 0;
};
KeyRouting RouteKey(QKeyEvent* e, bool press, HWND target);
// The virtual key of a toolkit key.
WPARAM VirtualKeyOf(int qtKey, Qt::KeyboardModifiers modifiers);
int QtKeyOf(WPARAM vk);
WPARAM MouseKeyState(Qt::MouseButtons buttons, Qt::KeyboardModifiers modifiers);
// The button of a toolkit mouse event as MouseInput numbers it (0 for others).
int ButtonOf(Qt::MouseButton b);

// While an input event is routed, GetKeyState answers with the modifiers and
// buttons that event carried, not the live keyboard: a quick Ctrl+Tab is
// still a Ctrl+Tab when its handler runs after Ctrl went up. Scopes nest
// (input handled in a modal loop inside a handler); each gives back the
// state of the one around it.
class RoutedInputState {
public:
  RoutedInputState(Qt::KeyboardModifiers modifiers, Qt::MouseButtons buttons);
  ~RoutedInputState();
  RoutedInputState(const RoutedInputState&) = delete;
  RoutedInputState& operator=(const RoutedInputState&) = delete;

private:
  bool hadOuter_;
  Qt::KeyboardModifiers outerModifiers_;
  Qt::MouseButtons outerButtons_;
};

// Set by DefWindowProc of a native control when a routed message reaches it.
void MarkPassToToolkit(UINT msg, WPARAM wParam);

}  // namespace gui::detail
