#pragma once
// The native controls behind "EDIT" and "LISTBOX" windows.
#include "platform/gui/Types.h"

namespace gui::detail {

struct WindowObj;

void CreateNative(WindowObj& w);
void DestroyNative(WindowObj& w);
// Places the control over the window's client area, clipped to what of it
// shows, and shows or hides it with the window.
void PlaceNative(WindowObj& w);
void NativeStyleChanged(WindowObj& w);
// After the window moved to another top-level window: natives of the subtree
// follow into the new host.
void ReparentNatives(WindowObj& w);
// DefWindowProc of the native kinds; handled is false for what the plain
// default should do.
LRESULT DefNativeProc(WindowObj& w, UINT msg, WPARAM wParam, LPARAM lParam, bool& handled);
// The toolkit widget's text cursor in client coordinates (GetCaretPos).
bool NativeCaretPos(WindowObj& w, Point& p);
void NativeSetFocus(WindowObj& w);

}  // namespace gui::detail
