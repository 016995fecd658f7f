#include "QevGraphics.h"

QEV_DEFINE_CLASS(TQevPicture)

TSize WideDCTextExtent(HDC DC, const WideString& Text) {
  TSize size{};
  if (!GetTextExtentPoint32W(DC, Text.c_str(), static_cast<int>(Text.size()), &size))
    return TSize{};
  return size;
}

TSize WideCanvasTextExtent(TCanvas* Canvas, const WideString& Text) {
  Canvas->RequiredState({csHandleValid, csFontValid});
  return WideDCTextExtent(Canvas->Handle(), Text);
}

Integer WideCanvasTextWidth(TCanvas* Canvas, const WideString& Text) {
  return WideCanvasTextExtent(Canvas, Text).cx;
}

Integer WideCanvasTextHeight(TCanvas* Canvas, const WideString& Text) {
  return WideCanvasTextExtent(Canvas, Text).cy;
}
