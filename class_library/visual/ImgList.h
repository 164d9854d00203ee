#pragma once
// A list of images of one size, drawn by index (menus, buttons, tabs). The
// images keep a mask: a masked list leaves the pixels of the mask colour
// out when drawing. A disabled image is drawn etched in the shadow colours.
// Controls that draw from a list register a change link and repaint when
// the list changes.
#include <cstdint>
#include <vector>

#include "class_library/components/Component.h"
#include "class_library/visual/Bitmap.h"

class TCustomImageList;

class TChangeLink : public TObject {
public:
  ~TChangeLink() override;
  String ClassName() const override { return "TChangeLink"; }
  TCustomImageList* Sender() const { return sender_; }
  TNotifyEvent OnChange;

private:
  friend class TCustomImageList;
  TCustomImageList* sender_ = nullptr;
};

class TCustomImageList : public TComponent {
public:
  explicit TCustomImageList(TComponent* AOwner);
  ~TCustomImageList() override;
  String ClassName() const override { return "TCustomImageList"; }
  void Assign(TPersistent* Source) override;

  // Changing the size clears the list.
  int Width() const { return width_; }
  void SetWidth(int Value);
  int Height() const { return height_; }
  void SetHeight(int Value);
  int Count() const { return static_cast<int>(images_.size()); }
  bool Masked() const { return masked_; }
  void SetMasked(bool Value) { masked_ = Value; }
  TColor BkColor() const { return bkColor_; }
  void SetBkColor(TColor Value) { bkColor_ = Value; }

  // Adds the image (split into Width-wide pieces when it is wider) with a
  // monochrome mask (white: transparent; nullptr: none); answers the index
  // of the first added image, -1 when none.
  int Add(TBitmap* Image, TBitmap* Mask);
  // Adds with the pixels of MaskColor transparent (clDefault: the colour of
  // the bottom-left pixel).
  int AddMasked(TBitmap* Image, TColor MaskColor);
  void Replace(int Index, TBitmap* Image, TBitmap* Mask);
  void Delete(int Index);
  void Clear();

  void Draw(TCanvas* Canvas, int X, int Y, int Index, bool Enabled = true);
  // The image on the list's background (clNone: the mask colour shows as
  // the bitmap's transparent colour).
  void GetBitmap(int Index, TBitmap* Image);

  void RegisterChanges(TChangeLink* Value);
  void UnRegisterChanges(TChangeLink* Value);
  TNotifyEvent OnChange;

  // Resource data ("Bitmap"): the list as the common-controls stream holds
  // it: an "IL" header, then the images and the mask as BMP files.
  void ReadLegacyProperties(TFiler* Filer) override;
  void ReadData(const String& Bytes);

protected:
  virtual void Change();

private:
  struct Image {
    std::vector<std::uint32_t> pixels;  // 0x00RRGGBB, width_ x height_
    std::vector<bool> transparent;
  };
  void CheckIndex(int Index) const;
  Image Slice(const std::vector<std::uint32_t>& Pixels, int SourceWidth, int Column,
              const std::vector<std::uint32_t>* Mask, int MaskWidth, std::uint32_t MaskColor, bool ByColor) const;

  int width_ = 16;
  int height_ = 16;
  bool masked_ = true;
  TColor bkColor_ = clNone;
  std::vector<Image> images_;
  std::vector<TChangeLink*> links_;
};

class TImageList : public TCustomImageList {
public:
  explicit TImageList(TComponent* AOwner) : TCustomImageList(AOwner) {}
  String ClassName() const override { return "TImageList"; }
};

void RegisterImageListClasses();
