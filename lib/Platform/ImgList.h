// Lists of equally sized images on a system image list, as far as glyph
// buttons need them. comctl32 is bound on the first list, not linked.
#pragma once

#include "Classes.h"
#include "Graphics.h"
#include "WinApi.h"

#include <commctrl.h>

class TCustomImageList : public TComponent {
  QEV_CLASS(TCustomImageList, TComponent)
 public:
  explicit TCustomImageList(TComponent* AOwner) : TComponent(AOwner) {}
  ~TCustomImageList() override;
  // An empty list of AWidth x AHeight images.
  static TCustomImageList* CreateSize(Integer AWidth, Integer AHeight);

  Integer Width() const { return Width_; }
  Integer Height() const { return Height_; }
  // Drops the images when the size changes.
  void SetSize(Integer AWidth, Integer AHeight);
  Integer Count() const;
  // The system list, made on first use.
  HIMAGELIST Handle();
  bool HandleAllocated() const { return Handle_ != nullptr; }

  // Adds Image with MaskColor transparent; returns its index (-1 on failure).
  Integer AddMasked(TBitmap* Image, TColor MaskColor);
  // Draws image Index at (X, Y) of DC with ImageList_DrawEx's colours and style.
  void Draw(Integer Index, HDC DC, Integer X, Integer Y, COLORREF Background, UINT Style);

 private:
  void FreeHandle();
  HIMAGELIST Handle_ = nullptr;
  Integer Width_ = 16;
  Integer Height_ = 16;
};

class TImageList : public TCustomImageList {
  QEV_CLASS(TImageList, TCustomImageList)
 public:
  using TCustomImageList::TCustomImageList;
};
