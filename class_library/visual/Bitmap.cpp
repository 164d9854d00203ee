#include "class_library/visual/Bitmap.h"

#include <algorithm>
#include <cstring>

#include "class_library/components/FormResource.h"
#include "class_library/components/Resources.h"
#include "class_library/core/Streams.h"
#include "class_library/components/TypeInfo.h"
#include "platform/gui/Images.h"
#include "platform/system/AsciiCase.h"

namespace {

std::vector<std::uint8_t> RestOf(TStream& Stream) {
  std::int64_t left = Stream.Size() - Stream.Position();
  std::vector<std::uint8_t> data(static_cast<std::size_t>(std::max<std::int64_t>(left, 0)));
  if (!data.empty()) Stream.ReadBuffer(data.data(), static_cast<std::int64_t>(data.size()));
  return data;
}

std::vector<std::uint8_t> BytesOf(const String& Text) { return std::vector<std::uint8_t>(Text.begin(), Text.end()); }

}  // namespace

// ---- TGraphic --------------------------------------------------------------------

void TGraphic::SetTransparent(bool Value) {
  if (transparent_ == Value) return;
  transparent_ = Value;
  Changed();
}

void TGraphic::Changed() {
  if (OnChange) OnChange(this);
}

void TGraphic::LoadFromFile(const String& FileName) {
  TFileStream stream(FileName, fmOpenRead);
  LoadFromStream(stream);
}

// ---- TBitmap ---------------------------------------------------------------------

// Draws on the bitmap through a memory context that holds it selected.
class TBitmap::TBitmapCanvas : public TCanvas {
public:
  explicit TBitmapCanvas(TBitmap* Owner) : owner_(Owner) {}
  ~TBitmapCanvas() override { Release(); }
  void Release() {
    if (!HandleAllocated()) return;
    gui::HDC dc = Handle();
    SetHandle(gui::HDC{});
    gui::SelectObject(dc, oldBitmap_);
    gui::DeleteDC(dc);
  }

protected:
  void CreateHandle() override {
    gui::HDC dc = gui::CreateCompatibleDC(gui::HDC{});
    if (gui::IsNull(dc)) return;
    gui::HBITMAP image = owner_->Handle();
    oldBitmap_ = gui::IsNull(image) ? gui::HBITMAP{} : gui::SelectObject(dc, image);
    SetHandle(dc);
  }
  void Changed() override {
    TCanvas::Changed();
    owner_->Changed();
  }

private:
  TBitmap* owner_;
  gui::HBITMAP oldBitmap_{};
};

TBitmap::TBitmap() = default;

TBitmap::~TBitmap() { ReleaseCanvasHandle(); }

void TBitmap::ReleaseCanvasHandle() {
  if (canvas_) canvas_->Release();
}

void TBitmap::Changed() { TGraphic::Changed(); }

void TBitmap::NewImage(gui::HBITMAP Image) {
  ReleaseCanvasHandle();
  handle_.reset(Image);
  gui::BitmapInfo info;
  if (!gui::IsNull(Image) && gui::GetBitmapInfo(Image, info)) {
    width_ = info.bmWidth;
    height_ = info.bmHeight;
    monochrome_ = info.bmBitsPixel == 1;
  } else {
    width_ = height_ = 0;
  }
}

void TBitmap::Assign(TPersistent* Source) {
  if (auto* b = dynamic_cast<TBitmap*>(Source)) {
    if (b == this) return;
    transparent_ = b->transparent_;
    transparentMode_ = b->transparentMode_;
    transparentColor_ = b->transparentColor_;
    if (b->Empty()) {
      NewImage(gui::HBITMAP{});
      width_ = b->width_;
      height_ = b->height_;
      monochrome_ = b->monochrome_;
    } else {
      std::vector<std::uint32_t> pixels = b->Pixels();
      gui::HBITMAP copy = b->monochrome_ ? gui::CreateBitmap(b->width_, b->height_, 1, 1, nullptr)
                                         : gui::CreateBitmapFromPixels(b->width_, b->height_, pixels);
      if (b->monochrome_) gui::SetBitmapPixels(copy, pixels);
      NewImage(copy);
    }
    Changed();
    return;
  }
  if (Source == nullptr) {
    NewImage(gui::HBITMAP{});
    Changed();
    return;
  }
  TGraphic::Assign(Source);
}

void TBitmap::SetSize(int Width, int Height) {
  Width = std::max(Width, 0);
  Height = std::max(Height, 0);
  if (Width == width_ && Height == height_) return;
  if (Width == 0 || Height == 0) {
    NewImage(gui::HBITMAP{});
    width_ = Width;
    height_ = Height;
    Changed();
    return;
  }
  gui::HBITMAP image = gui::CreateBitmap(Width, Height, 1, monochrome_ ? 1 : 32, nullptr);
  {
    // New area white; the old picture kept at the top left.
    gui::UniqueDC dc(gui::CreateCompatibleDC(gui::HDC{}));
    gui::HBITMAP old = gui::SelectObject(dc.get(), image);
    gui::Rect all{0, 0, Width, Height};
    gui::FillRect(dc.get(), all, gui::GetStockBrush(gui::WHITE_BRUSH));
    if (!Empty()) {
      gui::HDC src = Canvas()->Handle();
      gui::BitBlt(dc.get(), 0, 0, std::min(Width, width_), std::min(Height, height_), src, 0, 0, gui::SRCCOPY);
    }
    gui::SelectObject(dc.get(), old);
  }
  NewImage(image);
  Changed();
}

void TBitmap::SetMonochrome(bool Value) {
  if (monochrome_ == Value) return;
  if (Empty()) {
    monochrome_ = Value;
    return;
  }
  int w = width_, h = height_;
  gui::HBITMAP image = gui::CreateBitmap(w, h, 1, Value ? 1 : 32, nullptr);
  {
    gui::UniqueDC dc(gui::CreateCompatibleDC(gui::HDC{}));
    gui::HBITMAP old = gui::SelectObject(dc.get(), image);
    gui::HDC src = Canvas()->Handle();
    // Colour to monochrome: white where the pixel is white.
    gui::SetBkColor(src, 0xFFFFFF);
    gui::BitBlt(dc.get(), 0, 0, w, h, src, 0, 0, gui::SRCCOPY);
    gui::SelectObject(dc.get(), old);
  }
  NewImage(image);
  Changed();
}

void TBitmap::SetTransparentMode(TTransparentMode Value) {
  if (transparentMode_ == Value) return;
  transparentMode_ = Value;
  Changed();
}

TColor TBitmap::TransparentColor() const {
  if (transparentMode_ == tmFixed) return transparentColor_;
  if (Empty()) return clDefault;
  auto* self = const_cast<TBitmap*>(this);
  return self->Canvas()->Pixel(0, height_ - 1);
}

void TBitmap::SetTransparentColor(TColor Value) {
  transparentColor_ = Value;
  transparentMode_ = Value == clDefault ? tmAuto : tmFixed;
  Changed();
}

gui::HBITMAP TBitmap::Handle() {
  if (!handle_ && !Empty()) {
    gui::HBITMAP image = gui::CreateBitmap(width_, height_, 1, monochrome_ ? 1 : 32, nullptr);
    handle_.reset(image);
  }
  return handle_.get();
}

void TBitmap::SetHandle(gui::HBITMAP Value) {
  NewImage(Value);
  Changed();
}

TCanvas* TBitmap::Canvas() {
  if (!canvas_) canvas_ = std::make_unique<TBitmapCanvas>(this);
  return canvas_.get();
}

std::vector<std::uint32_t> TBitmap::Pixels() {
  if (Empty()) return {};
  return gui::GetBitmapPixels(Handle());
}

void TBitmap::LoadFromStream(TStream& Stream) { LoadFromBytes(RestOf(Stream)); }

void TBitmap::LoadFromBytes(const std::vector<std::uint8_t>& Data) {
  gui::HBITMAP image = Data.empty() ? gui::HBITMAP{} : gui::LoadBitmapFromMemory(Data);
  if (!Data.empty() && gui::IsNull(image)) throw EInvalidGraphic("Bitmap image is not valid");
  NewImage(image);
  Changed();
}

void TBitmap::LoadFromResourceName(std::uintptr_t, const String& ResName) {
  const String* data = FindResourceText(ResName);
  if (!data) throw EResNotFound("Resource " + ResName + " not found");
  LoadFromBytes(std::vector<std::uint8_t>(data->begin(), data->end()));
}

void TBitmap::ReadData(TStream& Stream) {
  std::uint32_t size = 0;
  Stream.ReadBuffer(&size, 4);
  std::int64_t left = Stream.Size() - Stream.Position();
  if (size > left) throw EInvalidGraphic("Bitmap image is not valid");
  std::vector<std::uint8_t> data(size);
  if (size) Stream.ReadBuffer(data.data(), size);
  LoadFromBytes(data);
}

void TBitmap::ReadLegacyProperties(TFiler* Filer) {
  TGraphic::ReadLegacyProperties(Filer);
  Filer->DefineBinaryProperty("Data", [this](TReader& Reader) {
    TStringStream stream(Reader.ReadBinary());
    ReadData(stream);
  });
}

void TBitmap::SaveToFile(const String& FileName) {
  if (!gui::SaveBitmapToFile(Handle(), FileName)) throw EFCreateError("Cannot create file \"" + FileName + "\"");
}

void TBitmap::Draw(TCanvas* Canvas, const TRect& R) {
  if (Empty()) return;
  gui::HDC dst = Canvas->Handle();
  gui::HDC src = this->Canvas()->Handle();
  if (transparent_) {
    gui::TransparentBlt(dst, R.Left, R.Top, R.Width(), R.Height(), src, 0, 0, width_, height_,
                        ColorToRef(TransparentColor()));
  } else {
    // Monochrome pictures take the destination's text and background colours.
    Canvas->RequireAll();
    gui::StretchBlt(dst, R.Left, R.Top, R.Width(), R.Height(), src, 0, 0, width_, height_, Canvas->CopyMode());
  }
}

// ---- TIcon -----------------------------------------------------------------------

TIcon::TIcon() = default;
TIcon::~TIcon() { Release(); }

void TIcon::Release() {
  if (!gui::IsNull(handle_)) gui::DestroyIcon(handle_);
  handle_ = gui::HICON{};
}

void TIcon::SetHandle(gui::HICON Value) {
  if (Value == handle_) return;
  Release();
  handle_ = Value;
  Changed();
}

int TIcon::Width() const { return Empty() ? 0 : gui::GetIconSize(handle_).cx; }
int TIcon::Height() const { return Empty() ? 0 : gui::GetIconSize(handle_).cy; }

void TIcon::Assign(TPersistent* Source) {
  if (auto* i = dynamic_cast<TIcon*>(Source)) {
    if (i == this) return;
    gui::HICON copy{};
    if (!i->Empty()) {
      gui::HBITMAP color{}, mask{};
      gui::GetIconBitmaps(i->handle_, &color, &mask);
      copy = gui::CreateIconFromBitmaps(color, mask);
      gui::DeleteObject(color);
      gui::DeleteObject(mask);
    }
    SetHandle(copy);
    return;
  }
  if (Source == nullptr) {
    SetHandle(gui::HICON{});
    return;
  }
  TGraphic::Assign(Source);
}

void TIcon::LoadFromStream(TStream& Stream) { LoadFromBytes(RestOf(Stream)); }

void TIcon::LoadFromBytes(const std::vector<std::uint8_t>& Data) {
  gui::HICON icon = Data.empty() ? gui::HICON{} : gui::LoadIconFromMemory(Data);
  if (!Data.empty() && gui::IsNull(icon)) throw EInvalidGraphic("Icon image is not valid");
  SetHandle(icon);
}

void TIcon::ReadLegacyProperties(TFiler* Filer) {
  TGraphic::ReadLegacyProperties(Filer);
  Filer->DefineBinaryProperty("Data", [this](TReader& Reader) { LoadFromBytes(BytesOf(Reader.ReadBinary())); });
}

void TIcon::Draw(TCanvas* Canvas, const TRect& R) {
  if (Empty()) return;
  gui::DrawIconEx(Canvas->Handle(), R.Left, R.Top, handle_, R.Width(), R.Height());
}

// ---- TPicture --------------------------------------------------------------------

TPicture::TPicture() = default;
TPicture::~TPicture() = default;

void TPicture::Changed() {
  if (OnChange) OnChange(this);
}

void TPicture::TakeGraphic(std::unique_ptr<TGraphic> Graphic) {
  graphic_ = std::move(Graphic);
  if (graphic_) graphic_->OnChange = [this](TObject*) { Changed(); };
  Changed();
}

void TPicture::SetGraphic(TGraphic* Value) {
  if (!Value) {
    TakeGraphic(nullptr);
    return;
  }
  std::unique_ptr<TGraphic> copy;
  if (dynamic_cast<TBitmap*>(Value)) {
    copy = std::make_unique<TBitmap>();
  } else if (dynamic_cast<TIcon*>(Value)) {
    copy = std::make_unique<TIcon>();
  } else {
    throw EInvalidGraphic("Unsupported picture format");
  }
  copy->Assign(Value);
  TakeGraphic(std::move(copy));
}

void TPicture::Assign(TPersistent* Source) {
  if (auto* p = dynamic_cast<TPicture*>(Source)) {
    SetGraphic(p->Graphic());
    return;
  }
  if (auto* g = dynamic_cast<TGraphic*>(Source)) {
    SetGraphic(g);
    return;
  }
  if (!Source) {
    SetGraphic(nullptr);
    return;
  }
  TPersistent::Assign(Source);
}

TBitmap* TPicture::Bitmap() {
  auto* b = dynamic_cast<TBitmap*>(graphic_.get());
  if (!b) {
    auto fresh = std::make_unique<TBitmap>();
    b = fresh.get();
    TakeGraphic(std::move(fresh));
  }
  return b;
}

TIcon* TPicture::Icon() {
  auto* i = dynamic_cast<TIcon*>(graphic_.get());
  if (!i) {
    auto fresh = std::make_unique<TIcon>();
    i = fresh.get();
    TakeGraphic(std::move(fresh));
  }
  return i;
}

void TPicture::LoadFromFile(const String& FileName) {
  const String lower = sys::AsciiLowerCase(FileName);  // ".ICO" too under a Turkish locale
  std::unique_ptr<TGraphic> g;
  if (lower.size() >= 4 && lower.compare(lower.size() - 4, 4, ".ico") == 0) {
    g = std::make_unique<TIcon>();
  } else {
    g = std::make_unique<TBitmap>();
  }
  g->LoadFromFile(FileName);
  TakeGraphic(std::move(g));
}

void TPicture::ReadLegacyProperties(TFiler* Filer) {
  TPersistent::ReadLegacyProperties(Filer);
  Filer->DefineBinaryProperty("Data", [this](TReader& Reader) {
    String bytes = Reader.ReadBinary();
    if (bytes.empty()) {
      TakeGraphic(nullptr);
      return;
    }
    std::size_t nameLength = static_cast<unsigned char>(bytes[0]);
    if (1 + nameLength > bytes.size()) throw EInvalidGraphic("Picture data is not valid");
    String className = bytes.substr(1, nameLength);
    TStringStream stream(bytes.substr(1 + nameLength));
    std::unique_ptr<TGraphic> g;
    if (className == "TBitmap") {
      auto b = std::make_unique<TBitmap>();
      b->ReadData(stream);
      g = std::move(b);
    } else if (className == "TIcon") {
      g = std::make_unique<TIcon>();
      g->LoadFromStream(stream);
    } else {
      // Other picture classes stored their image file as it is.
      auto b = std::make_unique<TBitmap>();
      b->LoadFromStream(stream);
      g = std::move(b);
    }
    TakeGraphic(std::move(g));
  });
}

void RegisterPictureClasses() {
  static const bool registered = [] {
    RegisterClass<TGraphic>("TGraphic", "TPersistent");
    RegisterClass<TBitmap>("TBitmap", "TGraphic")
        .Boolean("Transparent", &TBitmap::Transparent, &TBitmap::SetTransparent, false)
        .Integer("TransparentColor", &TBitmap::TransparentColor, &TBitmap::SetTransparentColor)
        .Idents(&IdentToColor)
        .NotStored();
    RegisterClass<TIcon>("TIcon", "TGraphic");
    RegisterClass<TPicture>("TPicture", "TPersistent");
    return true;
  }();
  (void)registered;
}

namespace {
const bool kClassesRegistered = (RegisterPictureClasses(), true);
}  // namespace
