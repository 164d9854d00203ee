#pragma once
// Colour names for colour pickers: two labels, the 16 standard colours and
// the 25 system colours by their index.
#include <array>

#include "class_library/visual/Graphics.h"

struct TVkColorRec {
  const char* Name;
  TColor Color;
};

inline constexpr TVkColorRec DefaultColorRec{"Default", 0};
inline constexpr TVkColorRec CustomColorRec{"Custom", 0};

inline constexpr std::array<TVkColorRec, 16> StandardColors{{
    {"Black", 0x000000}, {"Maroon", 0x000080}, {"Green", 0x008000}, {"Olive", 0x008080},
    {"Navy", 0x800000},  {"Purple", 0x800080}, {"Teal", 0x808000},  {"Gray", 0x808080},
    {"Silver", 0xC0C0C0}, {"Red", 0x0000FF},   {"Lime", 0x00FF00},  {"Yellow", 0x00FFFF},
    {"Blue", 0xFF0000},  {"Fuchsia", 0xFF00FF}, {"Aqua", 0xFFFF00}, {"White", 0xFFFFFF},
}};

inline constexpr std::array<TVkColorRec, 25> SystemColors{{
    {"ScrollBar", SysColor(0)},        {"Background", SysColor(1)},    {"ActiveCaption", SysColor(2)},
    {"InactiveCaption", SysColor(3)},  {"Menu", SysColor(4)},          {"Window", SysColor(5)},
    {"WindowFrame", SysColor(6)},      {"MenuText", SysColor(7)},      {"WindowText", SysColor(8)},
    {"CaptionText", SysColor(9)},      {"ActiveBorder", SysColor(10)}, {"InactiveBorder", SysColor(11)},
    {"AppWorkSpace", SysColor(12)},    {"Highlight", SysColor(13)},    {"HighlightText", SysColor(14)},
    {"BtnFace", SysColor(15)},         {"BtnShadow", SysColor(16)},    {"GrayText", SysColor(17)},
    {"BtnText", SysColor(18)},         {"InactiveCaptionText", SysColor(19)}, {"BtnHighlight", SysColor(20)},
    {"3DDkShadow", SysColor(21)},      {"3DLight", SysColor(22)},      {"InfoText", SysColor(23)},
    {"InfoBk", SysColor(24)},
}};
