// JPEG pictures, decoded with libjpeg into a bitmap when first drawn.
#pragma once

#include "Graphics.h"

QEV_DECLARE_EXCEPTION(EJPEG, EInvalidGraphic);

// Keeps the file's bytes: saving writes them back unchanged.
class TJPEGImage : public TGraphic {
  QEV_CLASS(TJPEGImage, TGraphic)
 public:
  ~TJPEGImage() override;
  // From another JPEG picture; a JPEG picture assigns itself to a bitmap.
  void Assign(TPersistent* Source) override;

  bool Empty() const override { return Data_.empty(); }
  Integer Width() const override { return Width_; }
  void SetWidth(Integer Value) override;
  Integer Height() const override { return Height_; }
  void SetHeight(Integer Value) override;
  // The rest of the stream; EJPEG when it holds no JPEG picture.
  void LoadFromStream(TStream* Stream) override;
  void SaveToStream(TStream* Stream) override;
  // The decoded picture, 24 bits per pixel.
  TBitmap* Bitmap();

 protected:
  void AssignTo(TPersistent* Dest) override;
  void Draw(TCanvas* ACanvas, const TRect& Rect) override;
  // A 4-byte size and the file, as form files hold JPEG pictures.
  void ReadData(TStream* Stream) override;
  void WriteData(TStream* Stream) override;

 private:
  void SetData(AnsiString Data);
  AnsiString Data_;
  Integer Width_ = 0;
  Integer Height_ = 0;
  TBitmap* Bitmap_ = nullptr;
};

// Registers the class and the "jpeg" and "jpg" file formats.
void Initialization_Jpeg();
void Finalization_Jpeg();
