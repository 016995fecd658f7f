// A part of the screen as RGB pixels, and a PNG of it kept in the temp folder
// for a person to look at.
#pragma once

#include <algorithm>
#include <cstdint>
#include <memory>
#include <string>
#include <type_traits>
#include <vector>

#include "Scoped.h"

struct TScreenShot {
  int Width = 0, Height = 0;
  std::vector<std::uint8_t> Rgb;  // top-down rows

  COLORREF At(int X, int Y) const {
    const size_t i = (static_cast<size_t>(Y) * Width + X) * 3;
    return RGB(Rgb[i], Rgb[i + 1], Rgb[i + 2]);
  }

  static TScreenShot Of(const RECT& Area) {
    TScreenDC screen;
    return From(screen, Area);
  }

  // What Window shows, frame included, read from its own DC: other programs
  // on the display cannot cover it there.
  static TScreenShot OfWindow(HWND Window) {
    RECT bounds{};
    GetWindowRect(Window, &bounds);
    TWindowDC dc(Window, true);
    return From(dc, {0, 0, bounds.right - bounds.left, bounds.bottom - bounds.top});
  }

 private:
  static TScreenShot From(HDC Source, const RECT& Area) {
    TScreenShot shot;
    shot.Width = Area.right - Area.left;
    shot.Height = Area.bottom - Area.top;
    std::unique_ptr<std::remove_pointer_t<HDC>, TReleaser<DeleteDC>> memory(
        CreateCompatibleDC(Source));
    TGdiObjectOwner bitmap(CreateCompatibleBitmap(Source, shot.Width, shot.Height));
    {
      TSelectObject selected(memory.get(), bitmap.get());
      BitBlt(memory.get(), 0, 0, shot.Width, shot.Height, Source, Area.left, Area.top, SRCCOPY);
    }
    BITMAPINFO info{};
    info.bmiHeader = {sizeof(BITMAPINFOHEADER), shot.Width, -shot.Height, 1, 32, BI_RGB,
                      0, 0, 0, 0, 0};
    std::vector<std::uint8_t> bgra(static_cast<size_t>(shot.Width) * shot.Height * 4);
    GetDIBits(memory.get(), static_cast<HBITMAP>(bitmap.get()), 0, static_cast<UINT>(shot.Height),
              bgra.data(), &info, DIB_RGB_COLORS);
    for (size_t i = 0; i < bgra.size(); i += 4)
      shot.Rgb.insert(shot.Rgb.end(), {bgra[i + 2], bgra[i + 1], bgra[i]});
    return shot;
  }

 public:
  // Written as "<Folder>\<Name>.png" (the temp folder by default),
  // uncompressed; the path, or empty on failure.
  std::wstring Keep(const std::wstring& Name, std::wstring Folder = {}) const {
    if (Folder.empty()) {
      WCHAR temp[MAX_PATH + 1];
      GetTempPathW(MAX_PATH + 1, temp);
      Folder = temp;
    }
    if (Folder.back() != L'\\') Folder += L'\\';
    const std::wstring path = Folder + Name + L".png";
    std::vector<std::uint8_t> raw;
    for (int y = 0; y < Height; ++y) {
      raw.push_back(0);  // no filter
      auto row = Rgb.begin() + static_cast<std::ptrdiff_t>(y) * Width * 3;
      raw.insert(raw.end(), row, row + Width * 3);
    }
    std::vector<std::uint8_t> png = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    std::vector<std::uint8_t> header;
    Put32(header, static_cast<std::uint32_t>(Width));
    Put32(header, static_cast<std::uint32_t>(Height));
    header.insert(header.end(), {8, 2, 0, 0, 0});
    Chunk(png, "IHDR", header);
    Chunk(png, "IDAT", Stored(raw));
    Chunk(png, "IEND", {});
    HANDLE created = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                 FILE_ATTRIBUTE_NORMAL, nullptr);
    if (created == INVALID_HANDLE_VALUE) return {};
    THandleOwner file(created);
    DWORD written = 0;
    const BOOL ok =
        WriteFile(file.get(), png.data(), static_cast<DWORD>(png.size()), &written, nullptr);
    return ok && written == png.size() ? path : std::wstring();
  }

 private:
  static void Put32(std::vector<std::uint8_t>& Out, std::uint32_t V) {
    for (int shift = 24; shift >= 0; shift -= 8)
      Out.push_back(static_cast<std::uint8_t>(V >> shift));
  }
  static std::uint32_t Crc(const std::vector<std::uint8_t>& Data) {
    std::uint32_t c = 0xFFFFFFFFu;
    for (std::uint8_t byte : Data) {
      c ^= byte;
      for (int k = 0; k < 8; ++k) c = (c >> 1) ^ (0xEDB88320u & (0u - (c & 1u)));
    }
    return c ^ 0xFFFFFFFFu;
  }
  static void Chunk(std::vector<std::uint8_t>& Out, const char* Type,
                    const std::vector<std::uint8_t>& Data) {
    Put32(Out, static_cast<std::uint32_t>(Data.size()));
    std::vector<std::uint8_t> body(Type, Type + 4);
    body.insert(body.end(), Data.begin(), Data.end());
    Out.insert(Out.end(), body.begin(), body.end());
    Put32(Out, Crc(body));
  }
  // A zlib stream of stored (uncompressed) blocks.
  static std::vector<std::uint8_t> Stored(const std::vector<std::uint8_t>& Data) {
    std::vector<std::uint8_t> out = {0x78, 0x01};
    std::uint32_t a = 1, b = 0;
    for (std::uint8_t byte : Data) {
      a = (a + byte) % 65521;
      b = (b + a) % 65521;
    }
    size_t at = 0;
    do {
      const size_t n = std::min<size_t>(65535, Data.size() - at);
      out.push_back(at + n >= Data.size() ? 1 : 0);
      out.insert(out.end(), {static_cast<std::uint8_t>(n), static_cast<std::uint8_t>(n >> 8),
                             static_cast<std::uint8_t>(~n), static_cast<std::uint8_t>(~n >> 8)});
      out.insert(out.end(), Data.begin() + static_cast<std::ptrdiff_t>(at),
                 Data.begin() + static_cast<std::ptrdiff_t>(at + n));
      at += n;
    } while (at < Data.size());
    Put32(out, (b << 16) | a);
    return out;
  }
};
