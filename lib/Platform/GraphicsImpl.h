// Helpers shared by the Graphics unit's implementation files.
#pragma once

#include "Graphics.h"
#include "Scoped.h"

extern const TResStringRec SOutOfResources;

// GDI refuses objects when it runs out of them; the runtime says so.
template <typename H>
H GdiCheck(H Handle) {
  if (!Handle) throw EOutOfResources(SOutOfResources);
  return Handle;
}

