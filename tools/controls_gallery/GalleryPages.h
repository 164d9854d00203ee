#pragma once
// The pages of the controls gallery. Each part of the control library adds
// its own page in its own source file of this folder:
//
//   namespace {
//   const bool kRegistered = RegisterGalleryPage("frames", 10, [](TWinControl* Page) {
//     ... create controls with Page as owner and parent ...
//   });
//   }
//
// Pages are listed by Order, then by name; the name selects a page on the
// command line (--page NAME). Page is a 640 x 400 client area in the form's
// colour. Shown, when given, runs once the form is on the screen (for
// popups placed by screen position); a popup added with AddGalleryOverlay
// appears in the page's picture over the form; the gallery frees it when the
// page goes (create it without an owner).
#include <functional>
#include <vector>

#include "class_library/visual/Controls.h"

struct TGalleryPage {
  String Name;
  int Order = 0;
  std::function<void(TWinControl* Page)> Build;
  std::function<void(TWinControl* Page)> Shown;
};

bool RegisterGalleryPage(const String& Name, int Order, std::function<void(TWinControl* Page)> Build,
                         std::function<void(TWinControl* Page)> Shown = nullptr);
void AddGalleryOverlay(TWinControl* Popup);
// Sorted by Order, then Name.
std::vector<TGalleryPage> GalleryPages();

// A new T owned by Parent and placed on it.
template <class T>
T* Put(TWinControl* Parent, int Left, int Top, int Width, int Height) {
  auto* c = new T(Parent);
  c->SetParent(Parent);
  c->PlaceBounds(Left, Top, Width, Height);
  return c;
}

constexpr int kGalleryPageWidth = 640;
constexpr int kGalleryPageHeight = 400;
