// Wide registry reads that fall back to a caller's default.
#pragma once

#include "QevRegistry.h"

// Open a key first, as with TRegistry. A value counts as missing when the
// open key has no value of that name.
class TQevRegistryLX : public TQevRegistry {
 public:
  using TQevRegistry::TQevRegistry;
  const char* ClassName() const override { return "TQevRegistryLX"; }

  // A present value of another type than text raises ERegistryException.
  WideString ReadStringDef(const WideString& Name, const WideString& Default) const;
  // A present value must be a 32-bit integer (non-zero is true); any other
  // type, text included, raises ERegistryException.
  bool ReadBoolDef(const WideString& Name, bool Default) const;

 private:
  // Names are tested and read wide, so that a name outside the ANSI code page
  // finds its own value.
  bool WideValueExists(const WideString& Name) const;
  Integer ReadWideInteger(const WideString& Name) const;
};
