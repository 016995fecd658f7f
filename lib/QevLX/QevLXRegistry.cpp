#include "QevLXRegistry.h"

#include "QevSysUtils.h"

bool TQevRegistryLX::WideValueExists(const WideString& Name) const {
  if (!UnicodeApiAvailable) return ValueExists(WideToAnsi(Name));
  return RegQueryValueExW(CurrentKey(), Name.c_str(), nullptr, nullptr, nullptr, nullptr) ==
         ERROR_SUCCESS;
}

Integer TQevRegistryLX::ReadWideInteger(const WideString& Name) const {
  if (!UnicodeApiAvailable) return ReadInteger(WideToAnsi(Name));
  DWORD type = REG_NONE, value = 0, size = sizeof(value);
  LONG rc = RegQueryValueExW(CurrentKey(), Name.c_str(), nullptr, &type,
                             reinterpret_cast<BYTE*>(&value), &size);
  if (rc == ERROR_MORE_DATA || (rc == ERROR_SUCCESS && (type != REG_DWORD || size != sizeof(value))))
    throw ERegistryException(SInvalidRegType, {Name});
  if (rc != ERROR_SUCCESS) throw ERegistryException(SRegGetDataFailed, {Name});
  return static_cast<Integer>(value);
}

WideString TQevRegistryLX::ReadStringDef(const WideString& Name, const WideString& Default) const {
  return WideValueExists(Name) ? ReadString(Name) : Default;
}

bool TQevRegistryLX::ReadBoolDef(const WideString& Name, bool Default) const {
  return WideValueExists(Name) ? ReadWideInteger(Name) != 0 : Default;
}
