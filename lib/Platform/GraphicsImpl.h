// Helpers shared by the Graphics unit's implementation files.
#pragma once

#include "Graphics.h"

extern const TResStringRec SOutOfResources;

// GDI refuses objects when it runs out of them; the runtime says so.
template <typename H>
H GdiCheck(H Handle) {
  if (!Handle) throw EOutOfResources(SOutOfResources);
  return Handle;
}

// A screen DC for the length of a scope.
class TScreenDC {
 public:
  TScreenDC() : DC_(GdiCheck(GetDC(nullptr))) {}
  ~TScreenDC() { ReleaseDC(nullptr, DC_); }
  TScreenDC(const TScreenDC&) = delete;
  TScreenDC& operator=(const TScreenDC&) = delete;
  operator HDC() const { return DC_; }

 private:
  HDC DC_;
};
