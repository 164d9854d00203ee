#pragma once
// What every gallery program shares for its screenshot test: comparing two
// of its pictures (--compare A B) and writing a picture of a screen area.
#include <string>

#include "platform/gui/Types.h"

namespace gallery {

// Compares two picture files pixel by pixel (colour only, alpha ignored):
// 0 equal, 1 different, 2 when one cannot be read. When they are not equal
// says why (how many pixels differ and where) on standard error, after
// Program's name.
int ComparePictures(const char* Program, const std::string& A, const std::string& B);

// Writes what the screen shows in Area (screen coordinates) to Dir/Name.png;
// false, and a line on standard error after Program's name, when it cannot.
bool SaveScreenShot(const char* Program, const gui::Rect& Area, const std::string& Dir, const char* Name);

}  // namespace gallery
