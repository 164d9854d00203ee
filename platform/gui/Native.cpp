// Placeholder for the native controls until they land: the windows behave
// as plain windows.
#include "platform/gui/Controls.h"
#include "platform/gui/detail/Native.h"
#include "platform/gui/detail/State.h"

namespace gui {
namespace detail {

void CreateNative(WindowObj&) {}
void DestroyNative(WindowObj&) {}
void PlaceNative(WindowObj&) {}
void NativeStyleChanged(WindowObj&) {}
void ReparentNatives(WindowObj&) {}
LRESULT DefNativeProc(WindowObj&, UINT, WPARAM, LPARAM, bool& handled) {
  handled = false;
  return 0;
}
bool NativeCaretPos(WindowObj&, Point&) { return false; }
void NativeSetFocus(WindowObj&) {}

}  // namespace detail

bool ShowScrollBar(HWND hwnd, int, bool) { return detail::Win(hwnd) != nullptr; }

}  // namespace gui
