#pragma once
// Pictures: bitmaps (with a canvas to draw on them), icons, and TPicture,
// which holds either. They load from image data (BMP, PNG, ICO ...) and from
// the binary values of text form resources (Glyph.Data = { ... }).
#include <cstdint>
#include <memory>
#include <vector>

#include "class_library/core/Exceptions.h"
#include "class_library/visual/Canvas.h"

class TStream;

TW_DECLARE_EXCEPTION(EInvalidGraphic, Exception)

class TGraphic : public TPersistent {
public:
  String ClassName() const override { return "TGraphic"; }
  virtual bool Empty() const = 0;
  virtual int Width() const = 0;
  virtual int Height() const = 0;
  // Whether Draw leaves the transparent parts out.
  bool Transparent() const { return transparent_; }
  virtual void SetTransparent(bool Value);
  // Reads image data (the whole rest of the stream).
  virtual void LoadFromStream(TStream& Stream) = 0;
  void LoadFromFile(const String& FileName);
  TNotifyEvent OnChange;

  // Draws the picture stretched over R of the canvas.
  virtual void Draw(TCanvas* Canvas, const TRect& R) = 0;

protected:
  virtual void Changed();
  bool transparent_ = false;
};

enum TTransparentMode { tmAuto, tmFixed };

class TBitmap : public TGraphic {
public:
  TBitmap();
  ~TBitmap() override;
  String ClassName() const override { return "TBitmap"; }
  void Assign(TPersistent* Source) override;

  bool Empty() const override { return width_ == 0 || height_ == 0; }
  int Width() const override { return width_; }
  int Height() const override { return height_; }
  void SetWidth(int Value) { SetSize(Value, height_); }
  void SetHeight(int Value) { SetSize(width_, Value); }
  // Keeps the top-left part of the picture; new area is white.
  void SetSize(int Width, int Height);
  // One bit per pixel (black and white) instead of full colour.
  bool Monochrome() const { return monochrome_; }
  void SetMonochrome(bool Value);

  // tmAuto: the colour of the bottom-left pixel is transparent; tmFixed:
  // TransparentColor.
  TTransparentMode TransparentMode() const { return transparentMode_; }
  void SetTransparentMode(TTransparentMode Value);
  TColor TransparentColor() const;
  void SetTransparentColor(TColor Value);

  // The bitmap handle (owned); none while empty.
  gui::HBITMAP Handle();
  // Takes a bitmap handle over (the bitmap then owns it).
  void SetHandle(gui::HBITMAP Value);
  // A canvas drawing on the bitmap.
  TCanvas* Canvas();

  void LoadFromStream(TStream& Stream) override;
  // Image data as a file holds it (BMP, PNG ...).
  void LoadFromBytes(const std::vector<std::uint8_t>& Data);
  // The image file built into the program under ResName (an embedded
  // resource, class_library/components/Resources.h; case does not matter). Instance
  // names the module, and this system has one: any value means the program.
  // EResNotFound "Resource <name> not found" when there is none.
  void LoadFromResourceName(std::uintptr_t Instance, const String& ResName);
  void SaveToFile(const String& FileName);
  // Pixels top-down as 0x00RRGGBB (tests and image lists).
  std::vector<std::uint32_t> Pixels();

  // Resource data: a 32-bit length followed by a BMP file.
  void ReadLegacyProperties(TFiler* Filer) override;
  void ReadData(TStream& Stream);

  void Draw(TCanvas* Canvas, const TRect& R) override;

protected:
  void Changed() override;

private:
  class TBitmapCanvas;
  void ReleaseCanvasHandle();
  void NewImage(gui::HBITMAP Image);

  gui::UniqueGdi<gui::HBITMAP> handle_;
  int width_ = 0;
  int height_ = 0;
  bool monochrome_ = false;
  TTransparentMode transparentMode_ = tmAuto;
  TColor transparentColor_ = clDefault;
  std::unique_ptr<TBitmapCanvas> canvas_;
};

class TIcon : public TGraphic {
public:
  TIcon();
  ~TIcon() override;
  String ClassName() const override { return "TIcon"; }
  void Assign(TPersistent* Source) override;
  bool Empty() const override { return gui::IsNull(handle_); }
  int Width() const override;
  int Height() const override;
  gui::HICON Handle() const { return handle_; }
  // Takes an icon handle over.
  void SetHandle(gui::HICON Value);
  void LoadFromStream(TStream& Stream) override;
  void LoadFromBytes(const std::vector<std::uint8_t>& Data);
  // Resource data: the icon file.
  void ReadLegacyProperties(TFiler* Filer) override;
  void Draw(TCanvas* Canvas, const TRect& R) override;

private:
  void Release();
  gui::HICON handle_{};
};

// Holds one picture of any kind (a bitmap or an icon).
class TPicture : public TPersistent {
public:
  TPicture();
  ~TPicture() override;
  String ClassName() const override { return "TPicture"; }
  void Assign(TPersistent* Source) override;

  TGraphic* Graphic() const { return graphic_.get(); }
  void SetGraphic(TGraphic* Value);  // copies it
  // The picture as a bitmap (an empty one is made when it holds none).
  TBitmap* Bitmap();
  TIcon* Icon();
  int Width() const { return graphic_ ? graphic_->Width() : 0; }
  int Height() const { return graphic_ ? graphic_->Height() : 0; }
  void LoadFromFile(const String& FileName);
  // Resource data: the class name as a short string, then its data.
  void ReadLegacyProperties(TFiler* Filer) override;
  TNotifyEvent OnChange;

private:
  void TakeGraphic(std::unique_ptr<TGraphic> Graphic);
  void Changed();
  std::unique_ptr<TGraphic> graphic_;
};

// Registers the pictures' published properties.
void RegisterPictureClasses();
