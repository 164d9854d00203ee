#pragma once
// Bitmaps and icons from and to image files (BMP, PNG, ICO, XPM ...).
#include <cstdint>
#include <string>
#include <vector>

#include "platform/gui/Types.h"

namespace gui {

// A colour bitmap from file data (the format is recognised from the data);
// none when the data is not an image. A transparent image gets
// transparentFill where it is transparent.
HBITMAP LoadBitmapFromMemory(const std::vector<std::uint8_t>& data, COLORREF transparentFill = 0xFFFFFF);
// An icon (colour image and mask) from .ico or any image with transparency;
// size picks the image of an .ico holding several (0: the largest).
HICON LoadIconFromMemory(const std::vector<std::uint8_t>& data, int size = 0);
// Encodes a bitmap: format "BMP" or "PNG". Empty on failure.
std::vector<std::uint8_t> SaveBitmapToMemory(HBITMAP bitmap, const std::string& format);
bool SaveBitmapToFile(HBITMAP bitmap, const std::string& path);  // format from the extension

}  // namespace gui
