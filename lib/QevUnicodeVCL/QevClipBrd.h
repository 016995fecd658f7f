// Wide text on the clipboard in both the 8-bit and the Unicode format.
#pragma once

#include "Clipbrd.h"

class TQevClipboard : public TObject {
 public:
  // CF_TEXT in ConversionCodePage and the exact CF_UNICODETEXT, as one
  // clipboard change. EClipboardException when the clipboard is held elsewhere.
  void SetAsWideText(const WideString& Text);
};

// Made on first use; freed by Finalization_QevClipBrd.
TQevClipboard* QevClipboard();

void Finalization_QevClipBrd();
