// Registry access whose string values keep every Unicode character.
#pragma once

#include "Registry.h"

// TRegistry with string values read and written as wide text on the NT family;
// everything else is inherited. Open a key first, as with TRegistry.
class TQevRegistry : public TRegistry {
 public:
  using TRegistry::TRegistry;
  const char* ClassName() const override { return "TQevRegistry"; }

  // A missing value reads as an empty text; a REG_SZ or REG_EXPAND_SZ value
  // is returned as stored up to its first zero, unexpanded.
  WideString ReadString(const WideString& Name) const;
  void WriteString(const WideString& Name, const WideString& Value);
};
