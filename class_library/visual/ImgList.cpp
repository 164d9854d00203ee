#include "class_library/visual/ImgList.h"

#include <algorithm>
#include <cstring>

#include "class_library/components/FormResource.h"
#include "class_library/components/TypeInfo.h"
#include "platform/gui/Images.h"
#include "platform/system/Endian.h"

namespace {

constexpr std::uint32_t kWhite = 0xFFFFFF;

std::uint32_t ToPixel(TColor Color) {
  // COLORREF ($00BBGGRR) to the window layer's pixel ($00RRGGBB).
  gui::COLORREF c = ColorToRef(Color);
  return (gui::GetRValue(c) << 16) | (gui::GetGValue(c) << 8) | gui::GetBValue(c);
}

const std::uint8_t* BytesAt(const String& Bytes, std::size_t At) {
  return reinterpret_cast<const std::uint8_t*>(Bytes.data()) + At;
}
std::uint32_t Le32(const String& Bytes, std::size_t At) { return sys::ReadLe32(BytesAt(Bytes, At)); }
std::uint16_t Le16(const String& Bytes, std::size_t At) { return sys::ReadLe16(BytesAt(Bytes, At)); }

// One BMP file from the data at At (its size from its own header).
std::vector<std::uint32_t> ReadBmp(const String& Bytes, std::size_t& At, int& Width, int& Height) {
  if (At + 14 > Bytes.size() || Bytes[At] != 'B' || Bytes[At + 1] != 'M')
    throw EReadError("Image list data is not valid");
  std::size_t size = Le32(Bytes, At + 2);
  if (size < 14 || At + size > Bytes.size()) throw EReadError("Image list data is not valid");
  std::vector<std::uint8_t> file(Bytes.begin() + static_cast<std::ptrdiff_t>(At),
                                 Bytes.begin() + static_cast<std::ptrdiff_t>(At + size));
  At += size;
  gui::UniqueGdi<gui::HBITMAP> image(gui::LoadBitmapFromMemory(file));
  gui::BitmapInfo info;
  if (!image || !gui::GetBitmapInfo(image.get(), info)) throw EReadError("Image list data is not valid");
  Width = info.bmWidth;
  Height = info.bmHeight;
  return gui::GetBitmapPixels(image.get());
}

}  // namespace

TChangeLink::~TChangeLink() {
  if (sender_) sender_->UnRegisterChanges(this);
}

TCustomImageList::TCustomImageList(TComponent* AOwner) : TComponent(AOwner) {}

TCustomImageList::~TCustomImageList() {
  for (TChangeLink* link : links_) link->sender_ = nullptr;
}

void TCustomImageList::Assign(TPersistent* Source) {
  if (auto* list = dynamic_cast<TCustomImageList*>(Source)) {
    width_ = list->width_;
    height_ = list->height_;
    masked_ = list->masked_;
    bkColor_ = list->bkColor_;
    images_ = list->images_;
    Change();
    return;
  }
  TComponent::Assign(Source);
}

void TCustomImageList::SetWidth(int Value) {
  if (Value == width_ || Value <= 0) return;
  width_ = Value;
  Clear();
}

void TCustomImageList::SetHeight(int Value) {
  if (Value == height_ || Value <= 0) return;
  height_ = Value;
  Clear();
}

void TCustomImageList::CheckIndex(int Index) const {
  if (Index < 0 || Index >= Count()) throw EInvalidOperation("Invalid image list index");
}

TCustomImageList::Image TCustomImageList::Slice(const std::vector<std::uint32_t>& Pixels, int SourceWidth,
                                                int Column, const std::vector<std::uint32_t>* Mask, int MaskWidth,
                                                std::uint32_t MaskColor, bool ByColor) const {
  Image image;
  image.pixels.assign(static_cast<std::size_t>(width_ * height_), 0);
  image.transparent.assign(image.pixels.size(), false);
  int sourceHeight = SourceWidth > 0 ? static_cast<int>(Pixels.size()) / SourceWidth : 0;
  for (int y = 0; y < height_ && y < sourceHeight; ++y) {
    for (int x = 0; x < width_; ++x) {
      int sx = Column + x;
      if (sx >= SourceWidth) continue;
      std::uint32_t p = Pixels[static_cast<std::size_t>(y * SourceWidth + sx)] & 0xFFFFFF;
      std::size_t at = static_cast<std::size_t>(y * width_ + x);
      image.pixels[at] = p;
      if (ByColor) {
        image.transparent[at] = p == MaskColor;
      } else if (Mask && sx < MaskWidth) {
        image.transparent[at] = ((*Mask)[static_cast<std::size_t>(y * MaskWidth + sx)] & 0xFFFFFF) == kWhite;
      }
    }
  }
  return image;
}

int TCustomImageList::Add(TBitmap* Image, TBitmap* Mask) {
  if (!Image || Image->Empty()) return -1;
  std::vector<std::uint32_t> pixels = Image->Pixels();
  std::vector<std::uint32_t> mask;
  if (Mask && !Mask->Empty()) mask = Mask->Pixels();
  int first = Count();
  for (int column = 0; column + width_ <= std::max(Image->Width(), width_); column += width_) {
    images_.push_back(Slice(pixels, Image->Width(), column, mask.empty() ? nullptr : &mask,
                            Mask ? Mask->Width() : 0, 0, false));
    if (Image->Width() < width_) break;
  }
  Change();
  return first;
}

int TCustomImageList::AddMasked(TBitmap* Image, TColor MaskColor) {
  if (!Image || Image->Empty()) return -1;
  std::vector<std::uint32_t> pixels = Image->Pixels();
  std::uint32_t key = MaskColor == clDefault ? pixels[static_cast<std::size_t>((Image->Height() - 1) * Image->Width())]
                                             : ToPixel(MaskColor);
  int first = Count();
  for (int column = 0; column + width_ <= std::max(Image->Width(), width_); column += width_) {
    images_.push_back(Slice(pixels, Image->Width(), column, nullptr, 0, key & 0xFFFFFF, masked_));
    if (Image->Width() < width_) break;
  }
  Change();
  return first;
}

void TCustomImageList::Replace(int Index, TBitmap* Image, TBitmap* Mask) {
  CheckIndex(Index);
  std::vector<std::uint32_t> pixels = Image->Pixels();
  std::vector<std::uint32_t> mask;
  if (Mask && !Mask->Empty()) mask = Mask->Pixels();
  images_[static_cast<std::size_t>(Index)] =
      Slice(pixels, Image->Width(), 0, mask.empty() ? nullptr : &mask, Mask ? Mask->Width() : 0, 0, false);
  Change();
}

void TCustomImageList::Delete(int Index) {
  CheckIndex(Index);
  images_.erase(images_.begin() + Index);
  Change();
}

void TCustomImageList::Clear() {
  images_.clear();
  Change();
}

void TCustomImageList::GetBitmap(int Index, TBitmap* Image) {
  CheckIndex(Index);
  const auto& src = images_[static_cast<std::size_t>(Index)];
  std::vector<std::uint32_t> pixels = src.pixels;
  std::uint32_t background = bkColor_ == clNone ? kWhite : ToPixel(bkColor_);
  for (std::size_t i = 0; i < pixels.size(); ++i)
    if (masked_ && src.transparent[i]) pixels[i] = background;
  Image->SetHandle(gui::CreateBitmapFromPixels(width_, height_, pixels));
}

void TCustomImageList::Draw(TCanvas* Canvas, int X, int Y, int Index, bool Enabled) {
  if (Index < 0 || Index >= Count()) return;
  const auto& src = images_[static_cast<std::size_t>(Index)];
  gui::HDC dc = Canvas->Handle();
  if (!Enabled) {
    // Etched: the dark pixels in the highlight colour one pixel down and
    // right, then in the shadow colour in place.
    gui::COLORREF light = ColorToRef(clBtnHighlight), shadow = ColorToRef(clBtnShadow);
    for (int pass = 0; pass < 2; ++pass) {
      int off = pass == 0 ? 1 : 0;
      for (int y = 0; y < height_; ++y)
        for (int x = 0; x < width_; ++x) {
          std::size_t at = static_cast<std::size_t>(y * width_ + x);
          if ((masked_ && src.transparent[at]) || src.pixels[at] == kWhite) continue;
          gui::SetPixel(dc, X + x + off, Y + y + off, pass == 0 ? light : shadow);
        }
    }
    return;
  }
  std::vector<std::uint32_t> color = src.pixels;
  std::vector<std::uint32_t> mask(color.size(), 0);
  for (std::size_t i = 0; i < color.size(); ++i) {
    if (masked_ && src.transparent[i]) {
      color[i] = 0;
      mask[i] = kWhite;
    }
  }
  gui::UniqueGdi<gui::HBITMAP> colorBmp(gui::CreateBitmapFromPixels(width_, height_, color));
  gui::UniqueGdi<gui::HBITMAP> maskBmp(gui::CreateBitmap(width_, height_, 1, 1, nullptr));
  gui::SetBitmapPixels(maskBmp.get(), mask);
  gui::UniqueDC mem(gui::CreateCompatibleDC(dc));
  gui::HBITMAP old = gui::SelectObject(mem.get(), maskBmp.get());
  gui::COLORREF oldText = gui::SetTextColor(dc, 0);
  gui::COLORREF oldBack = gui::SetBkColor(dc, 0xFFFFFF);
  // Opaque pixels cleared, then the picture put in.
  gui::BitBlt(dc, X, Y, width_, height_, mem.get(), 0, 0, gui::SRCAND);
  gui::SelectObject(mem.get(), colorBmp.get());
  gui::BitBlt(dc, X, Y, width_, height_, mem.get(), 0, 0, gui::SRCPAINT);
  gui::SetTextColor(dc, oldText);
  gui::SetBkColor(dc, oldBack);
  gui::SelectObject(mem.get(), old);
}

void TCustomImageList::RegisterChanges(TChangeLink* Value) {
  if (!Value || std::find(links_.begin(), links_.end(), Value) != links_.end()) return;
  if (Value->sender_) Value->sender_->UnRegisterChanges(Value);
  links_.push_back(Value);
  Value->sender_ = this;
}

void TCustomImageList::UnRegisterChanges(TChangeLink* Value) {
  links_.erase(std::remove(links_.begin(), links_.end(), Value), links_.end());
  if (Value && Value->sender_ == this) Value->sender_ = nullptr;
}

void TCustomImageList::Change() {
  for (TChangeLink* link : std::vector<TChangeLink*>(links_))
    if (link->OnChange) link->OnChange(this);
  if (OnChange) OnChange(this);
}

void TCustomImageList::ReadLegacyProperties(TFiler* Filer) {
  TComponent::ReadLegacyProperties(Filer);
  Filer->DefineBinaryProperty("Bitmap", [this](TReader& Reader) { ReadData(Reader.ReadBinary()); });
}

void TCustomImageList::ReadData(const String& Bytes) {
  constexpr std::size_t kHeader = 28;
  std::size_t at = 0;
  // Some writers put the length of the stream first.
  if (Bytes.size() >= 4 + kHeader && !(Bytes[0] == 'I' && Bytes[1] == 'L') && Bytes[4] == 'I' && Bytes[5] == 'L')
    at = 4;
  if (Bytes.size() < at + kHeader || Bytes[at] != 'I' || Bytes[at + 1] != 'L')
    throw EReadError("Image list data is not valid");
  int count = Le16(Bytes, at + 4);
  int cx = Le16(Bytes, at + 10);
  int cy = Le16(Bytes, at + 12);
  std::uint32_t bk = Le32(Bytes, at + 14);
  int flags = Le16(Bytes, at + 18);
  if (cx <= 0 || cy <= 0 || cx > 1024 || cy > 1024) throw EReadError("Image list data is not valid");
  at += kHeader;
  int w = 0, h = 0;
  std::vector<std::uint32_t> pixels = ReadBmp(Bytes, at, w, h);
  std::vector<std::uint32_t> mask;
  int mw = 0, mh = 0;
  if ((flags & 1) && at < Bytes.size()) mask = ReadBmp(Bytes, at, mw, mh);
  width_ = cx;
  height_ = cy;
  masked_ = (flags & 1) != 0;
  bkColor_ = bk == 0xFFFFFFFF ? clNone : static_cast<TColor>(bk & 0xFFFFFF);
  images_.clear();
  // Four images a row.
  for (int i = 0; i < count; ++i) {
    int col = (i % 4) * cx, row = (i / 4) * cy;
    if (col + cx > w || row + cy > h) break;
    Image image;
    image.pixels.resize(static_cast<std::size_t>(cx * cy));
    image.transparent.assign(image.pixels.size(), false);
    for (int y = 0; y < cy; ++y)
      for (int x = 0; x < cx; ++x) {
        std::size_t to = static_cast<std::size_t>(y * cx + x);
        image.pixels[to] = pixels[static_cast<std::size_t>((row + y) * w + col + x)] & 0xFFFFFF;
        if (!mask.empty() && col + x < mw && row + y < mh)
          image.transparent[to] = (mask[static_cast<std::size_t>((row + y) * mw + col + x)] & 0xFFFFFF) == kWhite;
      }
    images_.push_back(std::move(image));
  }
  Change();
}

void RegisterImageListClasses() {
  static const bool registered = [] {
    RegisterClass<TCustomImageList>("TCustomImageList", "TComponent")
        .Integer("Width", &TCustomImageList::Width, &TCustomImageList::SetWidth, 16)
        .Integer("Height", &TCustomImageList::Height, &TCustomImageList::SetHeight, 16)
        .Boolean("Masked", &TCustomImageList::Masked, &TCustomImageList::SetMasked, true)
        .Integer("BkColor", &TCustomImageList::BkColor, &TCustomImageList::SetBkColor, clNone)
        .Idents(&IdentToColor);
    RegisterClass<TImageList>("TImageList", "TCustomImageList");
    return true;
  }();
  (void)registered;
}

namespace {
const bool kClassesRegistered = (RegisterImageListClasses(), true);
}  // namespace
