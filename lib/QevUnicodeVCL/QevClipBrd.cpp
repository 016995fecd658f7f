#include "QevClipBrd.h"

#include "QevSystem.h"

namespace {

TQevClipboard* TheQevClipboard = nullptr;

// Keeps the platform's clipboard open for a scope, so that what is put on it
// forms one change.
class TClipboardOpen {
 public:
  TClipboardOpen() { Clipboard()->Open(); }
  ~TClipboardOpen() { Clipboard()->Close(); }
  TClipboardOpen(const TClipboardOpen&) = delete;
  TClipboardOpen& operator=(const TClipboardOpen&) = delete;
};

}  // namespace

TQevClipboard* QevClipboard() {
  if (!TheQevClipboard) TheQevClipboard = new TQevClipboard;
  return TheQevClipboard;
}

void Finalization_QevClipBrd() {
  delete TheQevClipboard;
  TheQevClipboard = nullptr;
}

void TQevClipboard::SetAsWideText(const WideString& Text) {
  TClipboardOpen open;
  Clipboard()->SetAsText(WideStringToStringEx(Text, ConversionCodePage));
  // SetBuffer frees its memory block itself when SetClipboardData fails.
  Clipboard()->SetBuffer(CF_UNICODETEXT, Text.c_str(),
                         static_cast<Integer>((Text.size() + 1) * sizeof(WideChar)));
}
