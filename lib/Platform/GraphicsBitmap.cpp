// Bitmaps and icons.
#include <algorithm>
#include <cstring>
#include <utility>
#include <vector>

#include "Graphics.h"
#include "GraphicsImpl.h"

QEV_RESOURCESTRING(Graphics, SInvalidBitmap, L"Bitmap image is not valid");
QEV_RESOURCESTRING(Graphics, SInvalidIcon, L"Icon image is not valid");
QEV_RESOURCESTRING(Graphics, SInvalidPixelFormat, L"Invalid pixel format");
QEV_RESOURCESTRING(Graphics, SScanLine, L"Scan line index out of range");
QEV_RESOURCESTRING(Graphics, SChangeIconSize, L"Cannot change the size of an icon");

// ------------------------------------------------------------------ bitmap

namespace {

// A memory DC with a bitmap selected for the length of a scope.
class TMemoryDC {
 public:
  explicit TMemoryDC(HBITMAP Bitmap) : DC_(GdiCheck(CreateCompatibleDC(nullptr))) {
    Old_ = SelectObject(DC_, Bitmap);
  }
  ~TMemoryDC() {
    SelectObject(DC_, Old_);
    DeleteDC(DC_);
  }
  TMemoryDC(const TMemoryDC&) = delete;
  TMemoryDC& operator=(const TMemoryDC&) = delete;
  operator HDC() const { return DC_; }

 private:
  HDC DC_;
  HGDIOBJ Old_;
};

Integer BitsPerPixel(TPixelFormat Format) {
  switch (Format) {
    case pf1bit: return 1;
    case pf4bit: return 4;
    case pf8bit: return 8;
    case pf15bit:
    case pf16bit: return 16;
    case pf24bit: return 24;
    case pf32bit: return 32;
    default: return 0;
  }
}

// Bytes of one row of a DIB: rows are padded to 32 bits.
Int64 DibStride(Int64 Width, Integer BitCount) { return (Width * BitCount + 31) / 32 * 4; }

// Pictures beyond this side are refused before any memory is asked for.
constexpr LONG MaxBitmapSide = 32767;

HBITMAP NewBitmap(Integer Width, Integer Height, TPixelFormat Format) {
  if (Width <= 0 || Height <= 0) return nullptr;
  TScreenDC screen;
  GdiCheck(screen.Handle());
  if (Format == pfDevice) return GdiCheck(CreateCompatibleBitmap(screen, Width, Height));
  if (Format != pf24bit && Format != pf32bit) throw EInvalidGraphic(SInvalidPixelFormat);
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = Width;
  info.bmiHeader.biHeight = Height;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = static_cast<WORD>(BitsPerPixel(Format));
  info.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  return GdiCheck(CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
}

TPixelFormat FormatOf(const DIBSECTION& Dib) {
  switch (Dib.dsBmih.biBitCount) {
    case 1: return pf1bit;
    case 4: return pf4bit;
    case 8: return pf8bit;
    case 16:
      return Dib.dsBmih.biCompression == BI_BITFIELDS && Dib.dsBitfields[0] == 0xF800 ? pf16bit
                                                                                       : pf15bit;
    case 24: return pf24bit;
    case 32: return pf32bit;
    default: return pfCustom;
  }
}

// Owns a bitmap handle until it is handed on.
struct TBitmapHolder {
  HBITMAP Handle;
  ~TBitmapHolder() {
    if (Handle) DeleteObject(Handle);
  }
  HBITMAP Release() { return std::exchange(Handle, nullptr); }
};

}  // namespace

// A canvas on the bitmap, through a memory DC made when drawing starts and
// dropped whenever the bitmap's handle is needed elsewhere.
class TBitmapCanvas : public TCanvas {
 public:
  explicit TBitmapCanvas(TBitmap* Bitmap) : Bitmap_(Bitmap) {}
  ~TBitmapCanvas() override { FreeContext(); }

  void FreeContext() {
    HDC dc = HandleAllocated() ? Handle() : nullptr;
    if (!dc) return;
    SetHandle(nullptr);
    if (OldBitmap_) SelectObject(dc, OldBitmap_);
    OldBitmap_ = nullptr;
    DeleteDC(dc);
  }

 protected:
  void CreateHandle() override {
    if (HandleAllocated()) return;
    HDC dc = GdiCheck(CreateCompatibleDC(nullptr));
    if (Bitmap_->Handle_) OldBitmap_ = SelectObject(dc, Bitmap_->Handle_);
    SetHandle(dc);
  }

 private:
  TBitmap* Bitmap_;
  HGDIOBJ OldBitmap_ = nullptr;
};

QEV_DEFINE_CLASS(TBitmap)

TBitmap::~TBitmap() {
  delete Canvas_;
  if (Handle_) DeleteObject(Handle_);
}

void TBitmap::Assign(TPersistent* Source) {
  if (!Source) {
    Replace(nullptr);
    return;
  }
  auto* bitmap = dynamic_cast<TBitmap*>(Source);
  if (!bitmap) return TGraphic::Assign(Source);
  if (bitmap == this) return;
  TransparentMode = bitmap->TransparentMode;
  TransparentColor_ = bitmap->TransparentColor_;
  SetTransparent(bitmap->Transparent());
  Format_ = bitmap->CopyFormat();
  Replace(bitmap->Resized(bitmap->Width_, bitmap->Height_, Format_));
}

void TBitmap::SetSize(Integer AWidth, Integer AHeight) {
  AWidth = std::max(AWidth, 0);
  AHeight = std::max(AHeight, 0);
  if (AWidth == Width_ && AHeight == Height_) return;
  TPixelFormat format = CopyFormat();
  HBITMAP resized = Resized(AWidth, AHeight, format);
  Format_ = format;
  Width_ = AWidth;  // kept for an empty bitmap, whose size is still asked for
  Height_ = AHeight;
  Replace(resized);
}

void TBitmap::SetPixelFormat(TPixelFormat Value) {
  if (Value == Format_) return;
  if (Value != pfDevice && Value != pf24bit && Value != pf32bit)
    throw EInvalidGraphic(SInvalidPixelFormat);
  HBITMAP converted = Resized(Width_, Height_, Value);
  Format_ = Value;
  Replace(converted);
}

// Copies keep DDBs and true-colour sections; other sections become 24-bit.
TPixelFormat TBitmap::CopyFormat() const {
  if (Format_ == pfDevice || Format_ == pf32bit) return Format_;
  return pf24bit;
}

HBITMAP TBitmap::Resized(Integer AWidth, Integer AHeight, TPixelFormat Format) {
  TBitmapHolder result{NewBitmap(AWidth, AHeight, Format)};
  if (!result.Handle) return nullptr;
  FreeContext();
  TMemoryDC dest(result.Handle);
  PatBlt(dest, 0, 0, AWidth, AHeight, WHITENESS);
  if (Handle_) {
    TMemoryDC source(Handle_);
    BitBlt(dest, 0, 0, std::min(AWidth, Width_), std::min(AHeight, Height_), source, 0, 0,
           SRCCOPY);
  }
  return result.Release();
}

void TBitmap::Replace(HBITMAP Value) {
  FreeContext();
  if (Handle_ && Handle_ != Value) DeleteObject(Handle_);
  Handle_ = Value;
  Bits_ = nullptr;
  DIBSECTION dib{};
  if (Value && GetObjectW(Value, sizeof dib, &dib) == sizeof dib) {
    Bits_ = dib.dsBm.bmBits;
    Format_ = FormatOf(dib);
  } else if (Value) {
    GetObjectW(Value, sizeof dib.dsBm, &dib.dsBm);
    Format_ = pfDevice;
  }
  if (Value) {
    Width_ = dib.dsBm.bmWidth;
    Height_ = dib.dsBm.bmHeight;
  }
  Changed();
}

void TBitmap::FreeContext() {
  if (Canvas_) Canvas_->FreeContext();
}

void TBitmap::CanvasChanged(TObject*) { Changed(); }

TCanvas* TBitmap::Canvas() {
  if (!Canvas_) {
    Canvas_ = new TBitmapCanvas(this);
    Canvas_->OnChange = TNotifyEvent::Bind<&TBitmap::CanvasChanged>(this);
  }
  return Canvas_;
}

HBITMAP TBitmap::Handle() {
  FreeContext();
  return Handle_;
}

void TBitmap::SetHandle(HBITMAP Value) { Replace(Value); }

void* TBitmap::ScanLine(Integer Row) {
  if (!Bits_) throw EInvalidGraphicOperation(SScanLine);
  if (Row < 0 || Row >= Height_) throw EInvalidGraphic(SScanLine);
  GdiFlush();
  DIBSECTION dib{};
  GetObjectW(Handle_, sizeof dib, &dib);
  Int64 stride = DibStride(Width_, dib.dsBmih.biBitCount);
  Int64 line = dib.dsBmih.biHeight > 0 ? Height_ - 1 - Row : Row;
  return static_cast<Byte*>(Bits_) + line * stride;
}

TColor TBitmap::TransparentColor() {
  if (TransparentMode == tmFixed && TransparentColor_ != clDefault) return TransparentColor_;
  if (Empty()) return clDefault;
  return Canvas()->Pixels(0, Height_ - 1);
}

void TBitmap::SetTransparentColor(TColor Value) {
  if (TransparentColor_ == Value) return;
  TransparentColor_ = Value;
  TransparentMode = Value == clDefault ? tmAuto : tmFixed;
  Changed();
}

void TBitmap::Draw(TCanvas* ACanvas, const TRect& Rect) {
  HDC dest = ACanvas->Handle();
  HDC source = Canvas()->Handle();
  int w = Rect.right - Rect.left, h = Rect.bottom - Rect.top;
  SetStretchBltMode(dest, COLORONCOLOR);
  if (Transparent())
    TransparentBlt(dest, Rect.left, Rect.top, w, h, source, 0, 0, Width_, Height_,
                   ColorToRGB(TransparentColor()));
  else
    StretchBlt(dest, Rect.left, Rect.top, w, h, source, 0, 0, Width_, Height_, ACanvas->CopyMode);
}

void TBitmap::LoadFromStream(TStream* Stream) {
  BITMAPFILEHEADER header{};
  Stream->ReadBuffer(&header, sizeof header);
  if (header.bfType != 0x4D42 || (header.bfOffBits != 0 && header.bfOffBits < sizeof header))
    throw EInvalidGraphic(SInvalidBitmap);
  ReadDIB(Stream, header.bfOffBits ? header.bfOffBits - Int64(sizeof header) : 0);
}

// A packed DIB: header, masks, colours, and the pixels at BitsOffset from its
// start (0: right after the colours). Every size comes from the stream, so
// each is checked before memory is asked for it.
void TBitmap::ReadDIB(TStream* Stream, Int64 BitsOffset) {
  DWORD headerSize = 0;
  Stream->ReadBuffer(&headerSize, sizeof headerSize);
  if (headerSize < sizeof(BITMAPINFOHEADER) || headerSize > sizeof(BITMAPV5HEADER))
    throw EInvalidGraphic(SInvalidBitmap);
  std::vector<Byte> header(headerSize);
  std::memcpy(header.data(), &headerSize, sizeof headerSize);
  Stream->ReadBuffer(header.data() + sizeof headerSize, headerSize - sizeof headerSize);
  BITMAPINFOHEADER bih;
  std::memcpy(&bih, header.data(), sizeof bih);
  const WORD bpp = bih.biBitCount;
  const DWORD compression = bih.biCompression;
  const bool rle = compression == BI_RLE8 || compression == BI_RLE4;
  const bool validDepth = bpp == 1 || bpp == 4 || bpp == 8 || bpp == 16 || bpp == 24 || bpp == 32;
  const bool validCompression = compression == BI_RGB ||
                                (compression == BI_RLE8 && bpp == 8) ||
                                (compression == BI_RLE4 && bpp == 4) ||
                                (compression == BI_BITFIELDS && (bpp == 16 || bpp == 32));
  const LONG height = bih.biHeight < 0 ? -bih.biHeight : bih.biHeight;
  if (bih.biWidth <= 0 || height == 0 || bih.biWidth > MaxBitmapSide || height > MaxBitmapSide ||
      bih.biPlanes != 1 || !validDepth || !validCompression || (rle && bih.biHeight < 0))
    throw EInvalidGraphic(SInvalidBitmap);

  DWORD colors = bih.biClrUsed;
  if (bpp <= 8 && (colors == 0 || colors > (1u << bpp))) colors = 1u << bpp;
  if (colors > 256) throw EInvalidGraphic(SInvalidBitmap);
  const DWORD masks = compression == BI_BITFIELDS ? 3 : 0;
  // The info handed to GDI: a plain header, the masks and the colours.
  std::vector<Byte> info(sizeof bih + (masks + colors) * sizeof(RGBQUAD));
  bih.biSize = sizeof bih;
  std::memcpy(info.data(), &bih, sizeof bih);
  Int64 consumed = headerSize;
  if (masks && headerSize > sizeof bih) {
    std::memcpy(info.data() + sizeof bih, header.data() + sizeof bih, masks * sizeof(DWORD));
  } else if (masks) {
    Stream->ReadBuffer(info.data() + sizeof bih, masks * sizeof(DWORD));
    consumed += masks * sizeof(DWORD);
  }
  Stream->ReadBuffer(info.data() + sizeof bih + masks * sizeof(RGBQUAD), colors * sizeof(RGBQUAD));
  consumed += colors * sizeof(RGBQUAD);
  if (BitsOffset) {
    if (BitsOffset < consumed || BitsOffset - consumed > 0x10000) throw EInvalidGraphic(SInvalidBitmap);
    std::vector<Byte> gap(static_cast<std::size_t>(BitsOffset - consumed));
    Stream->ReadBuffer(gap.data(), static_cast<Int64>(gap.size()));
  }

  const Int64 imageSize = rle ? bih.biSizeImage : DibStride(bih.biWidth, bpp) * height;
  if (imageSize <= 0 || (rle && imageSize > DibStride(bih.biWidth, bpp) * height * 2 + 0x10000))
    throw EInvalidGraphic(SInvalidBitmap);
  std::vector<Byte> pixels(static_cast<std::size_t>(imageSize));
  Stream->ReadBuffer(pixels.data(), imageSize);

  // The section has the file's layout; run-length data is unpacked by GDI.
  std::vector<Byte> sectionInfo = info;
  auto* sectionHeader = reinterpret_cast<BITMAPINFOHEADER*>(sectionInfo.data());
  if (rle) sectionHeader->biCompression = BI_RGB;
  sectionHeader->biSizeImage = 0;
  TScreenDC screen;
  GdiCheck(screen.Handle());
  void* bits = nullptr;
  TBitmapHolder section{GdiCheck(CreateDIBSection(
      screen, reinterpret_cast<BITMAPINFO*>(sectionInfo.data()), DIB_RGB_COLORS, &bits, nullptr, 0))};
  if (rle)
    SetDIBits(screen, section.Handle, 0, static_cast<UINT>(height), pixels.data(),
              reinterpret_cast<BITMAPINFO*>(info.data()), DIB_RGB_COLORS);
  else
    std::memcpy(bits, pixels.data(), pixels.size());
  Replace(section.Release());
}

void TBitmap::SaveToStream(TStream* Stream) {
  if (Empty()) return;
  FreeContext();
  const Integer bpp = Format_ == pf1bit || Format_ == pf4bit || Format_ == pf8bit || Format_ == pf32bit
                          ? BitsPerPixel(Format_)
                          : 24;
  const DWORD colors = bpp <= 8 ? 1u << bpp : 0;
  std::vector<Byte> info(sizeof(BITMAPINFOHEADER) + 256 * sizeof(RGBQUAD));
  auto* bih = reinterpret_cast<BITMAPINFOHEADER*>(info.data());
  bih->biSize = sizeof *bih;
  bih->biWidth = Width_;
  bih->biHeight = Height_;
  bih->biPlanes = 1;
  bih->biBitCount = static_cast<WORD>(bpp);
  bih->biCompression = BI_RGB;
  const Int64 imageSize = DibStride(Width_, bpp) * Height_;
  bih->biSizeImage = static_cast<DWORD>(imageSize);
  std::vector<Byte> pixels(static_cast<std::size_t>(imageSize));
  TScreenDC screen;
  GdiCheck(screen.Handle());
  if (!GetDIBits(screen, Handle_, 0, static_cast<UINT>(Height_), pixels.data(),
                 reinterpret_cast<BITMAPINFO*>(info.data()), DIB_RGB_COLORS))
    throw EOutOfResources(SOutOfResources);
  bih->biClrUsed = 0;
  const DWORD infoSize = sizeof *bih + colors * sizeof(RGBQUAD);
  BITMAPFILEHEADER header{};
  header.bfType = 0x4D42;
  header.bfOffBits = sizeof header + infoSize;
  header.bfSize = static_cast<DWORD>(header.bfOffBits + imageSize);
  Stream->WriteBuffer(&header, sizeof header);
  Stream->WriteBuffer(info.data(), infoSize);
  Stream->WriteBuffer(pixels.data(), imageSize);
}

void TBitmap::ReadData(TStream* Stream) {
  Integer size = 0;
  Stream->ReadBuffer(&size, sizeof size);
  if (size == 0)
    Replace(nullptr);
  else
    LoadFromStream(Stream);
}

void TBitmap::WriteData(TStream* Stream) {
  TMemoryStream image;
  SaveToStream(&image);
  Integer size = static_cast<Integer>(image.Size());
  Stream->WriteBuffer(&size, sizeof size);
  Stream->WriteBuffer(image.Memory(), size);
}

void TBitmap::LoadFromResourceName(THandle Instance, const AnsiString& ResName) {
  TResourceStream stream(Instance, ResName, MAKEINTRESOURCEA(2));
  ReadDIB(&stream, 0);
}

void TBitmap::LoadFromResourceID(THandle Instance, Integer ResID) {
  TResourceStream stream(Instance, ResID, MAKEINTRESOURCEA(2));
  ReadDIB(&stream, 0);
}

// -------------------------------------------------------------------- icon

namespace {

#pragma pack(push, 1)
struct TIconDirEntry {
  Byte Width, Height, ColorCount, Reserved;
  Word Planes, BitCount;
  DWORD BytesInRes, ImageOffset;
};
#pragma pack(pop)

Integer IconSide(Byte Value) { return Value ? Value : 256; }

}  // namespace

QEV_DEFINE_CLASS(TIcon)

TIcon::~TIcon() {
  if (Handle_) DestroyIcon(Handle_);
}

void TIcon::Assign(TPersistent* Source) {
  if (!Source) return Replace(nullptr, AnsiString());
  auto* icon = dynamic_cast<TIcon*>(Source);
  if (!icon) return TGraphic::Assign(Source);
  if (icon == this) return;
  Width_ = icon->Width_;
  Height_ = icon->Height_;
  Replace(icon->Handle_ ? GdiCheck(CopyIcon(icon->Handle_)) : nullptr, icon->Data_);
}

void TIcon::SetWidth(Integer) { throw EInvalidGraphicOperation(SChangeIconSize); }
void TIcon::SetHeight(Integer) { throw EInvalidGraphicOperation(SChangeIconSize); }

void TIcon::SetHandle(HICON Value) {
  ICONINFO info{};
  Width_ = Height_ = 0;
  if (Value && GetIconInfo(Value, &info)) {
    BITMAP bm{};
    GetObjectW(info.hbmMask, sizeof bm, &bm);
    Width_ = bm.bmWidth;
    Height_ = info.hbmColor ? bm.bmHeight : bm.bmHeight / 2;
    DeleteObject(info.hbmMask);
    if (info.hbmColor) DeleteObject(info.hbmColor);
  }
  Replace(Value, AnsiString());
}

void TIcon::Replace(HICON Value, const AnsiString& Data) {
  if (Handle_ && Handle_ != Value) DestroyIcon(Handle_);
  Handle_ = Value;
  Data_ = Data;
  if (!Value) Width_ = Height_ = 0;
  Changed();
}

// An .ico file; the image of the system's icon size is taken, else the first.
void TIcon::LoadFromStream(TStream* Stream) {
  Word dir[3] = {};
  Stream->ReadBuffer(dir, sizeof dir);
  if (dir[0] != 0 || dir[1] != 1 || dir[2] == 0) throw EInvalidGraphic(SInvalidIcon);
  std::vector<TIconDirEntry> entries(dir[2]);
  Stream->ReadBuffer(entries.data(), Int64(entries.size() * sizeof(TIconDirEntry)));
  const std::size_t headerSize = sizeof dir + entries.size() * sizeof(TIconDirEntry);
  std::size_t end = headerSize;
  const TIconDirEntry* chosen = &entries[0];
  for (const TIconDirEntry& e : entries) {
    if (e.ImageOffset < headerSize || e.BytesInRes == 0 || e.BytesInRes > 0x1000000 ||
        e.ImageOffset > 0x1000000)
      throw EInvalidGraphic(SInvalidIcon);
    end = std::max<std::size_t>(end, std::size_t(e.ImageOffset) + e.BytesInRes);
    if (IconSide(e.Width) == GetSystemMetrics(SM_CXICON) && IconSide(chosen->Width) != IconSide(e.Width))
      chosen = &e;
  }
  AnsiString data(end, '\0');
  std::memcpy(data.data(), dir, sizeof dir);
  std::memcpy(data.data() + sizeof dir, entries.data(), entries.size() * sizeof(TIconDirEntry));
  Stream->ReadBuffer(data.data() + headerSize, Int64(end - headerSize));
  HICON icon = CreateIconFromResourceEx(reinterpret_cast<PBYTE>(data.data() + chosen->ImageOffset),
                                        chosen->BytesInRes, TRUE, 0x00030000,
                                        IconSide(chosen->Width), IconSide(chosen->Height),
                                        LR_DEFAULTCOLOR);
  if (!icon) throw EInvalidGraphic(SInvalidIcon);
  Width_ = IconSide(chosen->Width);
  Height_ = IconSide(chosen->Height);
  Replace(icon, data);
}

void TIcon::SaveToStream(TStream* Stream) {
  if (Empty()) return;
  if (Data_.empty()) throw EInvalidGraphicOperation(SInvalidIcon);
  Stream->WriteBuffer(Data_.data(), Int64(Data_.size()));
}

void TIcon::Draw(TCanvas* ACanvas, const TRect& Rect) {
  DrawIconEx(ACanvas->Handle(), Rect.left, Rect.top, Handle_, Rect.right - Rect.left,
             Rect.bottom - Rect.top, 0, nullptr, DI_NORMAL);
}
