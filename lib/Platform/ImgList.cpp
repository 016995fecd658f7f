#include "ImgList.h"

QEV_DEFINE_CLASS(TCustomImageList)
QEV_DEFINE_CLASS(TImageList)

TCustomImageList::~TCustomImageList() { FreeHandle(); }

TCustomImageList* TCustomImageList::CreateSize(Integer AWidth, Integer AHeight) {
  auto* list = new TImageList(nullptr);
  list->SetSize(AWidth, AHeight);
  return list;
}

void TCustomImageList::SetSize(Integer AWidth, Integer AHeight) {
  if (AWidth == Width_ && AHeight == Height_) return;
  FreeHandle();
  Width_ = AWidth;
  Height_ = AHeight;
}

Integer TCustomImageList::Count() const {
  return Handle_ ? ImageList_GetImageCount(Handle_) : 0;
}

HIMAGELIST TCustomImageList::Handle() {
  if (!Handle_) {
    SetLastError(ERROR_SUCCESS);  // the image list sets no code of its own
    Handle_ = ImageList_Create(Width_, Height_, ILC_COLORDDB | ILC_MASK, 4, 4);
    if (!Handle_) RaiseLastOSError();
  }
  return Handle_;
}

Integer TCustomImageList::AddMasked(TBitmap* Image, TColor MaskColor) {
  return ImageList_AddMasked(Handle(), Image->Handle(), ColorToRGB(MaskColor));
}

void TCustomImageList::FreeHandle() {
  if (Handle_) ImageList_Destroy(Handle_);
  Handle_ = nullptr;
}
