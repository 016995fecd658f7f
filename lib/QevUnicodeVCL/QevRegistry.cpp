#include "QevRegistry.h"

#include <cwchar>
#include <vector>

#include "QevSysUtils.h"

namespace {

bool IsStringType(DWORD type) { return type == REG_SZ || type == REG_EXPAND_SZ; }

}  // namespace

WideString TQevRegistry::ReadString(const WideString& Name) const {
  if (!UnicodeApiAvailable) return AnsiToWide(TRegistry::ReadString(WideToAnsi(Name)));
  DWORD type = REG_NONE, size = 0;
  if (RegQueryValueExW(CurrentKey(), Name.c_str(), nullptr, &type, nullptr, &size) != ERROR_SUCCESS)
    return {};
  if (!IsStringType(type)) throw ERegistryException(SInvalidRegType, {Name});
  // The value may have grown since its size was asked, and an odd size or a
  // missing terminator must not run past the text: keep a spare character.
  std::vector<WideChar> text;
  LONG result;
  do {
    text.assign(size / sizeof(WideChar) + 1, L'\0');
    size = static_cast<DWORD>(text.size() * sizeof(WideChar));
    result = RegQueryValueExW(CurrentKey(), Name.c_str(), nullptr, &type,
                              reinterpret_cast<BYTE*>(text.data()), &size);
  } while (result == ERROR_MORE_DATA);
  if (result != ERROR_SUCCESS) throw ERegistryException(SRegGetDataFailed, {Name});
  if (!IsStringType(type)) throw ERegistryException(SInvalidRegType, {Name});
  return WideString(text.data(), wcsnlen(text.data(), size / sizeof(WideChar)));
}

void TQevRegistry::WriteString(const WideString& Name, const WideString& Value) {
  if (!UnicodeApiAvailable) {
    TRegistry::WriteString(WideToAnsi(Name), WideToAnsi(Value));
    return;
  }
  const DWORD bytes = static_cast<DWORD>((Value.size() + 1) * sizeof(WideChar));
  if (RegSetValueExW(CurrentKey(), Name.c_str(), 0, REG_SZ,
                     reinterpret_cast<const BYTE*>(Value.c_str()), bytes) != ERROR_SUCCESS)
    throw ERegistryException(SRegSetDataFailed, {Name});
}
