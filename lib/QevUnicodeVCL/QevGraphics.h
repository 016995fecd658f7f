// Wide text measurement on device contexts and canvases, and the layer's picture.
#pragma once

#include "Graphics.h"

// GetTextExtentPoint32W exists on every platform, so wide text is measured
// exactly even where the rest of the wide API is missing. (0, 0) on failure.
TSize WideDCTextExtent(HDC DC, const WideString& Text);
TSize WideCanvasTextExtent(TCanvas* Canvas, const WideString& Text);
Integer WideCanvasTextWidth(TCanvas* Canvas, const WideString& Text);
Integer WideCanvasTextHeight(TCanvas* Canvas, const WideString& Text);

// Installed by the layer's image control; behaves as its base.
class TQevPicture : public TPicture {
  QEV_CLASS(TQevPicture, TPicture)
};
