#pragma once
// Visual styles as the controls ask for them: whether they are on, and
// drawing of the themed parts the window layer offers (push buttons, the
// combo box's drop button, the edit border, explorer-bar and status-bar
// parts), and a parent's background under a control.
#include <map>

#include "class_library/visual/Canvas.h"
#include "platform/gui/Theme.h"

// One part of a part family in one state.
struct TThemedElementDetails {
  String ClassList;  // "BUTTON", "COMBOBOX", "EDIT", "EXPLORERBAR", "STATUS"
  int Part = 0;
  int State = 0;
};

class TThemeServices {
public:
  ~TThemeServices();
  bool ThemesAvailable() const { return true; }
  bool ThemesEnabled() const;
  TThemedElementDetails GetElementDetails(const String& ClassList, int Part, int State) const {
    return TThemedElementDetails{ClassList, Part, State};
  }
  void DrawElement(gui::HDC DC, const TThemedElementDetails& Details, const TRect& R, const TRect* Clip = nullptr);
  void DrawText(gui::HDC DC, const TThemedElementDetails& Details, const String& Text, TRect R, gui::UINT Flags);
  // false when the part has no such colour (or styles are off).
  bool GetColor(const TThemedElementDetails& Details, int Property, TColor& Color);
  TRect ContentRect(gui::HDC DC, const TThemedElementDetails& Details, const TRect& R);
  // Paints the parent's background under the control into DC.
  void DrawParentBackground(gui::HWND Window, gui::HDC DC, const TRect* R);

private:
  gui::HTHEME Theme(const String& ClassList);
  std::map<String, gui::HTHEME> themes_;
};

TThemeServices* ThemeServices();
