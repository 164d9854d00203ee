// The gallery of the control library, for looking at and for the screenshot
// test.
//
//   controls_gallery                         shows the pages (a button per page)
//   controls_gallery --list                  prints the page names, one a line
//   controls_gallery --page NAME --shot F    shows one page, writes its picture
//                                            to F (PNG) and ends
//   controls_gallery --compare A B           compares two pictures pixel by pixel
//                                            (exit 1 and the count when they differ)
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <vector>

#include "class_library/loop/Application.h"
#include "class_library/core/SysUtils.h"
#include "class_library/visual/ExtCtrls.h"
#include "class_library/visual/Forms.h"
#include "class_library/visual/StdCtrls.h"
#include "class_library/visual/VisualApplication.h"
#include "platform/gui/App.h"
#include "platform/gui/Images.h"
#include "platform/gui/TestSupport.h"
#include "platform/gui/Window.h"
#include "tools/controls_gallery/GalleryPages.h"
#include "tools/gallery_support/GallerySupport.h"

namespace {

std::vector<TGalleryPage>& Registry() {
  static std::vector<TGalleryPage> pages;
  return pages;
}

// Popups of the page on show, drawn into its picture.
std::vector<TWinControl*> Overlays;

void FreeOverlays() {
  for (TWinControl* overlay : Overlays) delete overlay;
  Overlays.clear();
}

// What the form starts with (set by main before the form is made).
String FirstPage;
bool WithButtons = true;

class TGalleryForm : public TForm {
public:
  explicit TGalleryForm(TComponent* AOwner) : TForm(AOwner) {
    SetCaption("Gallery of the controls");
    SetBorderStyle(bsSingle);
    SetPosition(poScreenCenter);
    Font()->SetName("Tahoma");
    int top = 0;
    if (WithButtons) {
      int left = 4;
      for (const TGalleryPage& page : GalleryPages()) {
        auto* button = new TButton(this);
        button->SetParent(this);
        button->PlaceBounds(left, 4, 90, 23);
        button->SetCaption(page.Name);
        String name = page.Name;
        button->OnClick = [this, name](TObject*) { ShowPage(name); };
        left += 94;
      }
      top = 31;
    }
    SetClientWidth(kGalleryPageWidth);
    SetClientHeight(kGalleryPageHeight + top);
    top_ = top;
    ShowPage(FirstPage);
  }

  void ShowPage(const String& Name) {
    FreeOverlays();
    delete page_;
    page_ = new TPanel(this);
    page_->SetBevelOuter(bvNone);
    page_->SetCaption("");
    page_->SetParent(this);
    page_->PlaceBounds(0, top_, kGalleryPageWidth, kGalleryPageHeight);
    shown_ = nullptr;
    for (const TGalleryPage& page : GalleryPages())
      if (page.Name == Name) {
        page.Build(page_);
        shown_ = page.Shown;
      }
    if (Showing() && shown_) shown_(page_);
  }

  // Once the form is on the screen.
  void PageShown() {
    if (shown_) shown_(page_);
  }

private:
  TPanel* page_ = nullptr;
  int top_ = 0;
  std::function<void(TWinControl*)> shown_;
};

// The form's picture with the overlays drawn over it where their shapes are.
bool SaveShot(TGalleryForm* Form, const char* Path) {
  gui::UniqueGdi<gui::HBITMAP> shot(gui::test::CaptureWindow(Form->Handle()));
  gui::BitmapInfo info;
  if (!shot || !gui::GetBitmapInfo(shot.get(), info)) return false;
  std::vector<std::uint32_t> pixels = gui::GetBitmapPixels(shot.get());
  TPoint origin = Form->ClientOrigin();
  if (info.bmWidth != Form->ClientWidth() || info.bmHeight != Form->ClientHeight()) {
    gui::Rect frame;
    gui::GetWindowRect(Form->Handle(), frame);
    origin = TPoint{frame.Left, frame.Top};
  }
  for (TWinControl* overlay : Overlays) {
    if (!overlay->HandleAllocated() || !gui::IsWindowVisible(overlay->Handle())) continue;
    gui::UniqueGdi<gui::HBITMAP> picture(gui::test::CaptureWindow(overlay->Handle()));
    gui::BitmapInfo oi;
    if (!picture || !gui::GetBitmapInfo(picture.get(), oi)) continue;
    std::vector<std::uint32_t> op = gui::GetBitmapPixels(picture.get());
    gui::UniqueGdi<gui::HRGN> shape(gui::CreateRectRgn(0, 0, 0, 0));
    bool shaped = gui::GetWindowRgn(overlay->Handle(), shape.get()) > gui::NULLREGION;
    gui::Rect bounds;
    gui::GetWindowRect(overlay->Handle(), bounds);
    for (int y = 0; y < oi.bmHeight; ++y)
      for (int x = 0; x < oi.bmWidth; ++x) {
        int fx = bounds.Left - origin.X + x, fy = bounds.Top - origin.Y + y;
        if (fx < 0 || fy < 0 || fx >= info.bmWidth || fy >= info.bmHeight) continue;
        if (shaped && !gui::PtInRegion(shape.get(), x, y)) continue;
        pixels[static_cast<std::size_t>(fy * info.bmWidth + fx)] = op[static_cast<std::size_t>(y * oi.bmWidth + x)];
      }
  }
  gui::SetBitmapPixels(shot.get(), pixels);
  return gui::SaveBitmapToFile(shot.get(), Path);
}

}  // namespace

bool RegisterGalleryPage(const String& Name, int Order, std::function<void(TWinControl* Page)> Build,
                         std::function<void(TWinControl* Page)> Shown) {
  Registry().push_back(TGalleryPage{Name, Order, std::move(Build), std::move(Shown)});
  return true;
}

void AddGalleryOverlay(TWinControl* Popup) { Overlays.push_back(Popup); }

std::vector<TGalleryPage> GalleryPages() {
  std::vector<TGalleryPage> pages = Registry();
  std::sort(pages.begin(), pages.end(), [](const TGalleryPage& a, const TGalleryPage& b) {
    return a.Order != b.Order ? a.Order < b.Order : a.Name < b.Name;
  });
  return pages;
}

int main(int argc, char** argv) {
  SetCommandLine(argc, argv);
  if (argc == 2 && std::strcmp(argv[1], "--list") == 0) {
    for (const TGalleryPage& page : GalleryPages()) std::printf("%s\n", page.Name.c_str());
    return 0;
  }
  if (argc == 4 && std::strcmp(argv[1], "--compare") == 0) return gallery::ComparePictures("controls_gallery", argv[2], argv[3]);
  const char* shot = nullptr;
  String page = GalleryPages().empty() ? String() : GalleryPages().front().Name;
  for (int i = 1; i + 1 < argc; ++i) {
    if (std::strcmp(argv[i], "--shot") == 0) shot = argv[i + 1];
    if (std::strcmp(argv[i], "--page") == 0) page = argv[i + 1];
  }
  // A picture is taken in the fixed test environment, so that it is the same
  // on every machine (or under Xvfb with TW_GUI_TEST_DISPLAY=1).
  if (shot) gui::test::UseTestEnvironment();
  try {
    Application()->Initialize();
  } catch (const Exception& e) {
    std::fprintf(stderr, "controls_gallery: %s\n", e.Message().c_str());
    return 1;
  }
  FirstPage = page;
  WithButtons = !shot;
  TGalleryForm* form = nullptr;
  Application()->CreateForm(form);
  form->OnShow = [form](TObject*) { Application()->PostToMainThread([form] { form->PageShown(); }); };
  if (!shot) {
    Application()->Run();
    FreeOverlays();
    return 0;
  }
  form->Show();
  for (int i = 0; i < 5; ++i) Application()->ProcessMessages();
  bool saved = SaveShot(form, shot);
  FreeOverlays();
  visual::ShutdownWindowLayer();
  if (!saved) std::fprintf(stderr, "controls_gallery: cannot write %s\n", shot);
  return saved ? 0 : 1;
}
