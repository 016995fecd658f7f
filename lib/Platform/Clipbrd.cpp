#include "Clipbrd.h"

#include <cstring>

#include "Scoped.h"

QEV_RESOURCESTRING(Clipbrd, SCannotOpenClipboard, L"Cannot open clipboard");

namespace {

TClipboard* TheClipboard = nullptr;

}  // namespace

TClipboardOpen::TClipboardOpen(TClipboard* Clipboard) : Clipboard_(Clipboard) { Clipboard_->Open(); }
TClipboardOpen::~TClipboardOpen() { Clipboard_->Close(); }

QEV_DEFINE_CLASS(TClipboard)

TClipboard* Clipboard() {
  if (!TheClipboard) TheClipboard = new TClipboard;
  return TheClipboard;
}

void Finalization_Clipbrd() {
  delete TheClipboard;
  TheClipboard = nullptr;
}

TClipboard::~TClipboard() {
  if (OpenRefCount_ > 0) CloseClipboard();
  if (Window_) DestroyWindow(Window_);
}

void TClipboard::Open() {
  if (OpenRefCount_ == 0) {
    // A message-only window owns the data: without an owner window
    // SetClipboardData fails after EmptyClipboard.
    if (!Window_)
      Window_ = CreateWindowExA(0, "STATIC", "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                GetModuleHandleA(nullptr), nullptr);
    if (!OpenClipboard(Window_)) throw EClipboardException(SCannotOpenClipboard);
    Emptied_ = false;
  }
  ++OpenRefCount_;
}

void TClipboard::Close() {
  if (OpenRefCount_ == 0) return;
  if (--OpenRefCount_ == 0) CloseClipboard();
}

void TClipboard::Clear() {
  TClipboardOpen open(this);
  EmptyClipboard();
}

void TClipboard::Adding() {
  if (OpenRefCount_ != 0 && !Emptied_) {
    Clear();
    Emptied_ = true;
  }
}

bool TClipboard::HasFormat(Word Format) const { return IsClipboardFormatAvailable(Format) != 0; }

AnsiString TClipboard::AsText() {
  TClipboardOpen open(this);
  HANDLE data = GetClipboardData(CF_TEXT);
  if (!data) return AnsiString();
  auto* text = static_cast<const char*>(GlobalLock(data));
  if (!text) return AnsiString();
  // The text ends at its zero or at the end of the block, whichever is first.
  AnsiString result(text, strnlen(text, GlobalSize(data)));
  GlobalUnlock(data);
  return result;
}

void TClipboard::SetAsText(const AnsiString& Value) {
  SetBuffer(CF_TEXT, Value.c_str(), static_cast<Integer>(Value.size() + 1));
}

THandle TClipboard::GetAsHandle(Word Format) {
  TClipboardOpen open(this);
  return GetClipboardData(Format);
}

void TClipboard::SetAsHandle(Word Format, THandle Value) {
  TClipboardOpen open(this);
  Adding();
  if (!SetClipboardData(Format, Value)) RaiseLastOSError();
}

void TClipboard::SetBuffer(Word Format, const void* Buffer, Integer Size) {
  TClipboardOpen open(this);
  TGlobalOwner memory(GlobalAlloc(GMEM_MOVEABLE | GMEM_DDESHARE, static_cast<SIZE_T>(Size)));
  if (!memory) RaiseLastOSError();
  void* data = GlobalLock(memory.get());
  std::memcpy(data, Buffer, static_cast<std::size_t>(Size));
  GlobalUnlock(memory.get());
  SetAsHandle(Format, memory.get());
  memory.release();  // the clipboard's now
}
