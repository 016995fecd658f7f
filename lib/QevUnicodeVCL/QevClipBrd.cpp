#include "QevClipBrd.h"

#include "QevSystem.h"
#include "Scoped.h"

namespace {

TQevClipboard* TheQevClipboard = nullptr;

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
  TClipboardOpen open(Clipboard());  // what is put on it forms one change
  Clipboard()->SetAsText(WideStringToStringEx(Text, ConversionCodePage));
  // SetBuffer frees its memory block itself when SetClipboardData fails.
  Clipboard()->SetBuffer(CF_UNICODETEXT, Text.c_str(),
                         static_cast<Integer>((Text.size() + 1) * sizeof(WideChar)));
}
