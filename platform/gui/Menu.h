#pragma once
// Popup menus.
#include <cstdint>
#include <string>

#include "platform/gui/Types.h"

namespace gui {

constexpr UINT MF_STRING = 0x0000;
constexpr UINT MF_GRAYED = 0x0001;
constexpr UINT MF_DISABLED = 0x0002;
constexpr UINT MF_CHECKED = 0x0008;
constexpr UINT MF_POPUP = 0x0010;      // id is an HMENU (a submenu)
constexpr UINT MF_SEPARATOR = 0x0800;
constexpr UINT MF_DEFAULT = 0x1000;    // shown bold
constexpr UINT MF_RADIOCHECK = 0x0200;

HMENU CreatePopupMenu();
bool DestroyMenu(HMENU menu);  // destroys its submenus too
// Text is bytes; "&" marks the accelerator, "&&" is one "&"; a tab separates
// a shortcut text shown on the right. image: a bitmap shown beside the text
// (the menu keeps a copy; none for no image).
bool AppendMenuItem(HMENU menu, UINT flags, std::uintptr_t id, const std::string& text,
                    HBITMAP image = {});
int GetMenuItemCount(HMENU menu);

constexpr UINT TPM_LEFTALIGN = 0x0000;
constexpr UINT TPM_CENTERALIGN = 0x0004;
constexpr UINT TPM_RIGHTALIGN = 0x0008;
constexpr UINT TPM_TOPALIGN = 0x0000;
constexpr UINT TPM_VCENTERALIGN = 0x0010;
constexpr UINT TPM_BOTTOMALIGN = 0x0020;
constexpr UINT TPM_NONOTIFY = 0x0080;
constexpr UINT TPM_RETURNCMD = 0x0100;
// Shows the menu at a screen point (aligned by flags) and runs until it
// closes. With TPM_RETURNCMD answers the chosen id (0: none); otherwise
// posts WM_COMMAND (wParam: id) to owner and answers whether an item was
// chosen. owner gets WM_INITMENUPOPUP before the menu shows.
std::uintptr_t TrackPopupMenu(HMENU menu, UINT flags, int x, int y, HWND owner);
// Closes a menu shown by TrackPopupMenu (as Escape does).
void EndMenu();

}  // namespace gui
