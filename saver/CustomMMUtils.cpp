#include "CustomMMUtils.h"

#include "QevRegistry.h"

namespace {

bool IsPredefinedRoot(HKEY Root) {
  const auto key = reinterpret_cast<ULONG_PTR>(Root);
  return key >= reinterpret_cast<ULONG_PTR>(HKEY_CLASSES_ROOT) &&
         key <= reinterpret_cast<ULONG_PTR>(HKEY_DYN_DATA);
}

Variant ReadAs(const TQevRegistry& Reg, const AnsiString& Name, const Variant& Default) {
  switch (VarType(Default)) {
    case varSmallint: case varInteger: case varByte: case varNull:
      return Variant(Reg.ReadInteger(Name));
    case varSingle: case varDouble: return Variant(Reg.ReadFloat(Name));
    case varCurrency: return Variant(Reg.ReadCurrency(Name));
    case varDate: return VarFromDateTime(Reg.ReadDateTime(Name));
    case varBoolean: return Variant(Reg.ReadBool(Name));
    case varOleStr: case varString: return Variant(Reg.ReadString(AnsiToWide(Name)));
    default: return Default;
  }
}

}  // namespace

Variant ReadRegistryVariant(HKEY Root, const AnsiString& KeyPath, const AnsiString& ValueName,
                            const Variant& Default) {
  TQevRegistry reg(KEY_READ);
  if (IsPredefinedRoot(Root)) reg.SetRootKey(Root);
  if (!reg.OpenKeyReadOnly(KeyPath) || !reg.ValueExists(ValueName)) return Default;
  return ReadAs(reg, ValueName, Default);
}

void Initialization_CustomMMUtils() {}
void Finalization_CustomMMUtils() {}
