#pragma once
// Visual styles: the themed look of a few standard parts. Off by default (the
// classic look); SetVisualStylesEnabled switches them on, and the parts are
// then drawn in a simple flat style of this layer's own. Only the parts the
// controls use exist: push buttons, the combo box's drop button, the edit
// border, explorer-bar colours, and the status bar with its panes and grip.
#include <string>

#include "platform/gui/Types.h"

namespace gui {

// Whether styles are on (the class library's "themes enabled").
bool IsThemeActive();
bool IsAppThemed();
void SetVisualStylesEnabled(bool on);

// Part families by name: "BUTTON", "COMBOBOX", "EDIT", "EXPLORERBAR",
// "STATUS". Answers none while styles are off or for another name.
HTHEME OpenThemeData(HWND hwnd, const std::string& classList);
bool CloseThemeData(HTHEME theme);

// BUTTON
constexpr int BP_PUSHBUTTON = 1;
constexpr int PBS_NORMAL = 1;
constexpr int PBS_HOT = 2;
constexpr int PBS_PRESSED = 3;
constexpr int PBS_DISABLED = 4;
constexpr int PBS_DEFAULTED = 5;
// COMBOBOX
constexpr int CP_DROPDOWNBUTTON = 1;
constexpr int CBXS_NORMAL = 1;
constexpr int CBXS_HOT = 2;
constexpr int CBXS_PRESSED = 3;
constexpr int CBXS_DISABLED = 4;
// EDIT
constexpr int EP_EDITTEXT = 1;
// EXPLORERBAR
constexpr int EBP_NORMALGROUPBACKGROUND = 5;
constexpr int EBP_SPECIALGROUPBACKGROUND = 9;
constexpr int EBP_SPECIALGROUPHEAD = 12;
// STATUS (part 0 is the bar itself)
constexpr int SP_PANE = 1;
constexpr int SP_GRIPPERPANE = 2;
constexpr int SP_GRIPPER = 3;

// Colour properties.
constexpr int TMT_BORDERCOLOR = 3801;
constexpr int TMT_FILLCOLOR = 3802;
constexpr int TMT_TEXTCOLOR = 3803;
constexpr int TMT_GRADIENTCOLOR1 = 3810;

bool DrawThemeBackground(HTHEME theme, HDC dc, int part, int state, const Rect& r, const Rect* clip);
// Text in the part's text colour (flags as DrawText).
bool DrawThemeText(HTHEME theme, HDC dc, int part, int state, const std::string& text, UINT flags,
                   const Rect& r);
// false when the part has no such colour.
bool GetThemeColor(HTHEME theme, int part, int state, int property, COLORREF& color);
// The inside of a part when drawn over r.
bool GetThemeBackgroundContentRect(HTHEME theme, HDC dc, int part, int state, const Rect& r,
                                   Rect& content);
// Paints the parent's background under the child into the child's context:
// the parent gets WM_ERASEBKGND and WM_PRINTCLIENT (PRF_CLIENT) with the
// context moved to the parent's origin and clipped to r (child coordinates;
// none: the whole child).
bool DrawThemeParentBackground(HWND child, HDC dc, const Rect* r);

}  // namespace gui
