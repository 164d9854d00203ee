#include "tools/gallery_support/GallerySupport.h"

#include <cstdio>

#include "platform/gui/TestSupport.h"

namespace gallery {

int ComparePictures(const char* Program, const std::string& A, const std::string& B) {
  std::string report;
  int result = gui::test::ComparePictureFiles(A, B, report);
  if (result != 0) std::fprintf(stderr, "%s: %s\n", Program, report.c_str());
  return result;
}

bool SaveScreenShot(const char* Program, const gui::Rect& Area, const std::string& Dir, const char* Name) {
  std::string path = Dir + "/" + Name + ".png";
  if (gui::test::SaveScreenAreaPng(Area, path)) return true;
  std::fprintf(stderr, "%s: cannot write %s\n", Program, path.c_str());
  return false;
}

}  // namespace gallery
