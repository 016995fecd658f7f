#include "Jpeg.h"

#include <csetjmp>
#include <cstdio>
#include <memory>
#include <utility>

extern "C" {
#include <jpeglib.h>
}

QEV_RESOURCESTRING(Jpeg, SJPEGImageFile, L"JPEG Image File");
QEV_RESOURCESTRING(Jpeg, SChangeJPGSize, L"Cannot change the size of a JPEG image");
QEV_RESOURCESTRING(Jpeg, SJPEGTooLarge, L"JPEG image is too large");

namespace {

// libjpeg reports a fatal error by calling error_exit, which must not return:
// it jumps back to the decoder, which raises EJPEG outside libjpeg's frames.
struct TJpegError {
  jpeg_error_mgr Manager;
  std::jmp_buf Jump;
  char Message[JMSG_LENGTH_MAX];
};

void ErrorExit(j_common_ptr Info) {
  auto* error = reinterpret_cast<TJpegError*>(Info->err);
  (*Info->err->format_message)(Info, error->Message);
  std::longjmp(error->Jump, 1);
}

void SilentMessage(j_common_ptr) {}

// Pictures whose pixels would take more than this are refused.
constexpr Int64 MaxJpegPixels = 64 * 1024 * 1024;

// Reads Data's size and, unless Target is nullptr, its pixels into Target, a
// 24-bit bitmap of that size. False with Error set when libjpeg fails. No
// object with a destructor lives in this frame across the jump.
bool Decode(const AnsiString& Data, TBitmap* Target, Integer& Width, Integer& Height,
            WideString& Error) {
  jpeg_decompress_struct info{};
  TJpegError error{};
  info.err = jpeg_std_error(&error.Manager);
  error.Manager.error_exit = ErrorExit;
  error.Manager.output_message = SilentMessage;
  if (setjmp(error.Jump)) {
    jpeg_destroy_decompress(&info);
    Error = AnsiToWide(error.Message);
    return false;
  }
  jpeg_create_decompress(&info);
  jpeg_mem_src(&info, reinterpret_cast<const unsigned char*>(Data.data()),
               static_cast<unsigned long>(Data.size()));
  jpeg_read_header(&info, TRUE);
  Width = static_cast<Integer>(info.image_width);
  Height = static_cast<Integer>(info.image_height);
  if (Int64(Width) * Height > MaxJpegPixels) {
    jpeg_destroy_decompress(&info);
    Error = LoadResString(SJPEGTooLarge);
    return false;
  }
  if (Target) {
    info.out_color_space = JCS_RGB;
    jpeg_start_decompress(&info);
    while (info.output_scanline < info.output_height) {
      auto* row = static_cast<JSAMPLE*>(Target->ScanLine(static_cast<Integer>(info.output_scanline)));
      jpeg_read_scanlines(&info, &row, 1);
      // libjpeg gives RGB, the DIB holds BGR.
      for (Integer x = 0; x < Width; ++x) std::swap(row[3 * x], row[3 * x + 2]);
    }
    jpeg_finish_decompress(&info);
  }
  jpeg_destroy_decompress(&info);
  return true;
}

}  // namespace

QEV_DEFINE_CLASS(TJPEGImage)

TJPEGImage::~TJPEGImage() { delete Bitmap_; }

void TJPEGImage::Assign(TPersistent* Source) {
  auto* jpeg = dynamic_cast<TJPEGImage*>(Source);
  if (!jpeg) return TGraphic::Assign(Source);
  if (jpeg != this) SetData(jpeg->Data_);
}

void TJPEGImage::AssignTo(TPersistent* Dest) {
  if (auto* bitmap = dynamic_cast<TBitmap*>(Dest))
    bitmap->Assign(Empty() ? nullptr : Bitmap());
  else
    TGraphic::AssignTo(Dest);
}

void TJPEGImage::SetWidth(Integer) { throw EInvalidGraphicOperation(SChangeJPGSize); }
void TJPEGImage::SetHeight(Integer) { throw EInvalidGraphicOperation(SChangeJPGSize); }

// The header is read at once, so that a damaged file is refused at loading.
void TJPEGImage::SetData(AnsiString Data) {
  Integer width = 0, height = 0;
  WideString error;
  if (!Data.empty() && !Decode(Data, nullptr, width, height, error)) throw EJPEG(error);
  Data_ = std::move(Data);
  Width_ = width;
  Height_ = height;
  delete Bitmap_;
  Bitmap_ = nullptr;
  Changed();
}

void TJPEGImage::LoadFromStream(TStream* Stream) {
  AnsiString data(static_cast<std::size_t>(Stream->Size() - Stream->Position()), '\0');
  Stream->ReadBuffer(data.data(), Int64(data.size()));
  SetData(std::move(data));
}

void TJPEGImage::SaveToStream(TStream* Stream) { Stream->WriteBuffer(Data_.data(), Int64(Data_.size())); }

TBitmap* TJPEGImage::Bitmap() {
  if (Bitmap_ || Empty()) return Bitmap_;
  std::unique_ptr<TBitmap> bitmap(new TBitmap);
  bitmap->SetPixelFormat(pf24bit);
  bitmap->SetSize(Width_, Height_);
  Integer width = 0, height = 0;
  WideString error;
  if (!Decode(Data_, bitmap.get(), width, height, error)) throw EJPEG(error);
  Bitmap_ = bitmap.release();
  return Bitmap_;
}

void TJPEGImage::Draw(TCanvas* ACanvas, const TRect& Rect) { ACanvas->StretchDraw(Rect, Bitmap()); }

void TJPEGImage::ReadData(TStream* Stream) {
  Integer size = 0;
  Stream->ReadBuffer(&size, sizeof size);
  if (size < 0 || size > Stream->Size() - Stream->Position()) throw EJPEG(SInvalidImage);
  AnsiString data(static_cast<std::size_t>(size), '\0');
  Stream->ReadBuffer(data.data(), size);
  SetData(std::move(data));
}

void TJPEGImage::WriteData(TStream* Stream) {
  Integer size = static_cast<Integer>(Data_.size());
  Stream->WriteBuffer(&size, sizeof size);
  SaveToStream(Stream);
}

void Initialization_Jpeg() {
  RegisterClasses({TJPEGImage::StaticClass()});
  AnsiString description = WideToAnsi(LoadResString(SJPEGImageFile));
  TPicture::RegisterFileFormat("jpeg", description, TJPEGImage::StaticClass());
  TPicture::RegisterFileFormat("jpg", description, TJPEGImage::StaticClass());
}

void Finalization_Jpeg() { TPicture::UnregisterGraphicClass(TJPEGImage::StaticClass()); }
