// A memory bitmap that controls paint into through WM_PAINT with a DC, so
// that tests can read back pixels without a visible window.
#pragma once

#include "WinApi.h"

class TPaintTarget {
 public:
  TPaintTarget(int Width, int Height) {
    HDC screen = GetDC(nullptr);
    DC_ = CreateCompatibleDC(screen);
    Bitmap_ = CreateCompatibleBitmap(screen, Width, Height);
    ReleaseDC(nullptr, screen);
    Old_ = SelectObject(DC_, Bitmap_);
    RECT all{0, 0, Width, Height};
    FillRect(DC_, &all, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
  }
  ~TPaintTarget() {
    SelectObject(DC_, Old_);
    DeleteObject(Bitmap_);
    DeleteDC(DC_);
  }
  TPaintTarget(const TPaintTarget&) = delete;
  TPaintTarget& operator=(const TPaintTarget&) = delete;
  HDC DC() const { return DC_; }
  WPARAM WParam() const { return reinterpret_cast<WPARAM>(DC_); }
  COLORREF Pixel(int X, int Y) const { return GetPixel(DC_, X, Y); }
  // Whether any pixel of the rectangle has Color.
  bool Contains(const RECT& Rect, COLORREF Color) const {
    for (int y = Rect.top; y < Rect.bottom; ++y)
      for (int x = Rect.left; x < Rect.right; ++x)
        if (GetPixel(DC_, x, y) == Color) return true;
    return false;
  }

 private:
  HDC DC_;
  HBITMAP Bitmap_;
  HGDIOBJ Old_;
};
