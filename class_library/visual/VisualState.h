#pragma once
// Links between the units of the visual classes: the hint machinery, the
// drag manager and popup menus are told about mouse messages and about
// controls that go away. Not for use outside class_library/visual.
#include "class_library/visual/Messages.h"
#include "platform/gui/Types.h"

class TControl;
class TFont;
class TPopupMenu;

namespace visual {

// A control is being destroyed: every unit drops its references to it.
void ForgetControl(TControl* Control);

// Hints (Hints.cpp): every mouse message of a control passes here first.
void HintMouseMessage(TControl* Control, const TMessage& Message);
void HintControlGone(TControl* Control);

// Dragging (DragManager.cpp). DragMouseMessage answers true when the drag
// took the message.
bool DragMouseMessage(TControl* Control, TMessage& Message);
void BeginDrag(TControl* Control, bool Immediate, int Threshold);
void EndDrag(TControl* Control, bool Drop);
void CancelDrag(TControl* Clicked);
TControl* DragControl();
void HandleDragMessage(TControl* Control, TMessage& Message);

// Popup menus (Menus.cpp).
void ShowPopupMenu(TPopupMenu* Menu, TControl* Control, gui::Point Screen);

// Fonts taken from the parent (Control.cpp): while adopting, a font change
// does not clear ParentFont.
bool AdoptingParentFont();
void AdoptParentFont(TFont* Font, TFont* ParentFont);

}  // namespace visual
