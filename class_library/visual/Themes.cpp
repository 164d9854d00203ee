#include "class_library/visual/Themes.h"

TThemeServices::~TThemeServices() {
  for (auto& [name, theme] : themes_) gui::CloseThemeData(theme);
}

bool TThemeServices::ThemesEnabled() const { return gui::IsThemeActive() && gui::IsAppThemed(); }

gui::HTHEME TThemeServices::Theme(const String& ClassList) {
  if (!ThemesEnabled()) return gui::HTHEME{};
  auto it = themes_.find(ClassList);
  if (it != themes_.end() && !gui::IsNull(it->second)) return it->second;
  gui::HTHEME theme = gui::OpenThemeData(gui::HWND{}, ClassList);
  themes_[ClassList] = theme;
  return theme;
}

void TThemeServices::DrawElement(gui::HDC DC, const TThemedElementDetails& Details, const TRect& R,
                                 const TRect* Clip) {
  if (gui::HTHEME t = Theme(Details.ClassList); !gui::IsNull(t))
    gui::DrawThemeBackground(t, DC, Details.Part, Details.State, R, Clip);
}

void TThemeServices::DrawText(gui::HDC DC, const TThemedElementDetails& Details, const String& Text, TRect R,
                              gui::UINT Flags) {
  if (gui::HTHEME t = Theme(Details.ClassList); !gui::IsNull(t))
    gui::DrawThemeText(t, DC, Details.Part, Details.State, Text, Flags, R);
}

bool TThemeServices::GetColor(const TThemedElementDetails& Details, int Property, TColor& Color) {
  gui::HTHEME t = Theme(Details.ClassList);
  gui::COLORREF c = 0;
  if (gui::IsNull(t) || !gui::GetThemeColor(t, Details.Part, Details.State, Property, c)) return false;
  Color = static_cast<TColor>(c);
  return true;
}

TRect TThemeServices::ContentRect(gui::HDC DC, const TThemedElementDetails& Details, const TRect& R) {
  TRect content = R;
  if (gui::HTHEME t = Theme(Details.ClassList); !gui::IsNull(t))
    gui::GetThemeBackgroundContentRect(t, DC, Details.Part, Details.State, R, content);
  return content;
}

void TThemeServices::DrawParentBackground(gui::HWND Window, gui::HDC DC, const TRect* R) {
  gui::DrawThemeParentBackground(Window, DC, R);
}

TThemeServices* ThemeServices() {
  // Never freed: theme handles belong to the window layer, which may be
  // gone at exit.
  static auto* services = new TThemeServices;
  return services;
}
