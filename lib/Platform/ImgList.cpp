#include "ImgList.h"

#include "Scoped.h"

namespace {

TLateEntry<decltype(&ImageList_Create)> CreateList("comctl32.dll", "ImageList_Create");
TLateEntry<decltype(&ImageList_Destroy)> DestroyList("comctl32.dll", "ImageList_Destroy");
TLateEntry<decltype(&ImageList_GetImageCount)> ListCount("comctl32.dll", "ImageList_GetImageCount");
TLateEntry<decltype(&ImageList_AddMasked)> AddMaskedImage("comctl32.dll", "ImageList_AddMasked");
TLateEntry<decltype(&ImageList_DrawEx)> DrawImage("comctl32.dll", "ImageList_DrawEx");

}  // namespace

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
  return Handle_ ? ListCount.CallOr(0, Handle_) : 0;
}

HIMAGELIST TCustomImageList::Handle() {
  if (!Handle_) {
    SetLastError(ERROR_SUCCESS);  // the image list sets no code of its own
    Handle_ = CreateList.CallOr(HIMAGELIST{}, Width_, Height_, UINT{ILC_COLORDDB | ILC_MASK}, 4, 4);
    if (!Handle_) RaiseLastOSError();
  }
  return Handle_;
}

Integer TCustomImageList::AddMasked(TBitmap* Image, TColor MaskColor) {
  return AddMaskedImage.CallOr(-1, Handle(), Image->Handle(), ColorToRGB(MaskColor));
}

void TCustomImageList::Draw(Integer Index, HDC DC, Integer X, Integer Y, COLORREF Background,
                            UINT Style) {
  DrawImage.CallOr(FALSE, Handle(), Index, DC, X, Y, 0, 0, Background, COLORREF{CLR_NONE}, Style);
}

void TCustomImageList::FreeHandle() {
  if (Handle_) DestroyList.CallOr(FALSE, Handle_);
  Handle_ = nullptr;
}
