// The clipboard: one process-wide object, opened and closed in nested pairs.
#pragma once

#include "Classes.h"
#include "WinApi.h"

QEV_DECLARE_EXCEPTION(EClipboardException, Exception);

class TClipboard : public TPersistent {
  QEV_CLASS(TClipboard, TPersistent)
 public:
  ~TClipboard() override;

  // The first Open opens the clipboard (EClipboardException when another
  // program holds it); the matching Close closes it. Everything put on the
  // clipboard between them forms one change: it is emptied before the first.
  void Open();
  void Close();
  void Clear();
  bool HasFormat(Word Format) const;

  // CF_TEXT; empty when the clipboard holds no text.
  AnsiString AsText();
  void SetAsText(const AnsiString& Value);
  // The clipboard owns Value once it is set; nullptr when the format is absent.
  THandle GetAsHandle(Word Format);
  void SetAsHandle(Word Format, THandle Value);
  // Count bytes of Buffer as Format.
  void SetBuffer(Word Format, const void* Buffer, Integer Size);

 private:
  void Adding();
  HWND Window_ = nullptr;  // the owner of what is put on the clipboard
  Integer OpenRefCount_ = 0;
  bool Emptied_ = false;
};

// Made on first use; freed by Finalization_Clipbrd.
TClipboard* Clipboard();

void Finalization_Clipbrd();
