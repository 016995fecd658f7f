#include "Registry.h"

#include <algorithm>
#include <cstring>
#include <vector>

QEV_RESOURCESTRING(Registry, SInvalidRegType, L"Invalid data type for '%s'");
QEV_RESOURCESTRING(Registry, SRegCreateFailed, L"Failed to create key %s");
QEV_RESOURCESTRING(Registry, SRegGetDataFailed, L"Failed to get data for '%s'");
QEV_RESOURCESTRING(Registry, SRegSetDataFailed, L"Failed to set data for '%s'");

namespace {

// A leading "\" makes a key name absolute; it is removed here.
bool IsRelative(AnsiString& key) {
  if (key.empty() || key[0] != '\\') return true;
  key.erase(0, 1);
  return false;
}

AnsiString JoinPath(const AnsiString& base, const AnsiString& key) {
  if (base.empty()) return key;
  return key.empty() ? base : base + "\\" + key;
}

TRegDataType DataTypeToRegData(DWORD type) {
  switch (type) {
    case REG_SZ: return rdString;
    case REG_EXPAND_SZ: return rdExpandString;
    case REG_DWORD: return rdInteger;
    case REG_BINARY: return rdBinary;
    default: return rdUnknown;
  }
}

// Names of subkeys or values, listed by enumName(index, buffer, &length).
template <typename EnumName>
std::vector<AnsiString> EnumNames(EnumName enumName) {
  constexpr size_t MaxBuffer = 0x10000;  // above the longest name the registry allows
  std::vector<AnsiString> names;
  AnsiString buffer(256, '\0');
  for (DWORD index = 0;;) {
    DWORD length = static_cast<DWORD>(buffer.size());
    LONG rc = enumName(index, buffer.data(), &length);
    if (rc == ERROR_MORE_DATA && buffer.size() < MaxBuffer) {
      buffer.resize(buffer.size() * 2);
      continue;
    }
    if (rc != ERROR_SUCCESS) break;
    names.emplace_back(buffer.data(), length);
    ++index;
  }
  return names;
}

std::vector<AnsiString> SubKeyNames(HKEY key) {
  return EnumNames([key](DWORD index, LPSTR name, DWORD* length) {
    return RegEnumKeyExA(key, index, name, length, nullptr, nullptr, nullptr, nullptr);
  });
}

std::vector<AnsiString> ValueNames(HKEY key) {
  return EnumNames([key](DWORD index, LPSTR name, DWORD* length) {
    return RegEnumValueA(key, index, name, length, nullptr, nullptr, nullptr, nullptr);
  });
}

// The registry deletes only keys without subkeys: remove those first.
bool DeleteKeyTree(HKEY base, const AnsiString& path) {
  HKEY key = nullptr;
  if (RegOpenKeyExA(base, path.c_str(), 0, KEY_ENUMERATE_SUB_KEYS | KEY_QUERY_VALUE, &key) ==
      ERROR_SUCCESS) {
    for (const AnsiString& name : SubKeyNames(key)) DeleteKeyTree(key, name);
    RegCloseKey(key);
  }
  return RegDeleteKeyA(base, path.c_str()) == ERROR_SUCCESS;
}

void AddNames(TStrings* strings, const std::vector<AnsiString>& names) {
  strings->Clear();
  for (const AnsiString& name : names) strings->Add(name);
}

}  // namespace

TRegistry::~TRegistry() { CloseKey(); }

void TRegistry::SetRootKey(HKEY Value) {
  if (Value == RootKey_) return;
  RootKey_ = Value;
  CloseKey();
}

HKEY TRegistry::GetBaseKey(bool Relative) const {
  return CurrentKey_ && Relative ? CurrentKey_ : RootKey_;
}

void TRegistry::ChangeKey(HKEY Value, const AnsiString& Path) {
  CloseKey();
  CurrentKey_ = Value;
  CurrentPath_ = Path;
}

bool TRegistry::OpenWith(const AnsiString& Key, bool CanCreate, REGSAM Access) {
  AnsiString path = Key;
  bool relative = IsRelative(path);
  HKEY key = nullptr;
  LONG rc = CanCreate && !path.empty()
                ? RegCreateKeyExA(GetBaseKey(relative), path.c_str(), 0, nullptr,
                                  REG_OPTION_NON_VOLATILE, Access, nullptr, &key, nullptr)
                : RegOpenKeyExA(GetBaseKey(relative), path.c_str(), 0, Access, &key);
  if (rc != ERROR_SUCCESS) return false;
  if (relative && CurrentKey_) path = JoinPath(CurrentPath_, path);
  ChangeKey(key, path);
  return true;
}

bool TRegistry::OpenKey(const AnsiString& Key, bool CanCreate) {
  return OpenWith(Key, CanCreate, Access_);
}

// Access stays as it is: a later OpenKey of the same object may still write.
bool TRegistry::OpenKeyReadOnly(const AnsiString& Key) { return OpenWith(Key, false, KEY_READ); }

void TRegistry::CloseKey() {
  if (!CurrentKey_) return;
  RegCloseKey(CurrentKey_);
  CurrentKey_ = nullptr;
  CurrentPath_.clear();
}

bool TRegistry::CreateKey(const AnsiString& Key) {
  AnsiString path = Key;
  bool relative = IsRelative(path);
  HKEY key = nullptr;
  if (RegCreateKeyExA(GetBaseKey(relative), path.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                      KEY_ALL_ACCESS, nullptr, &key, nullptr) != ERROR_SUCCESS)
    throw ERegistryException(SRegCreateFailed, {Key});
  RegCloseKey(key);
  return true;
}

bool TRegistry::DeleteKey(const AnsiString& Key) {
  AnsiString path = Key;
  bool relative = IsRelative(path);
  // An empty name would stand for the base key with everything under it.
  if (path.empty()) return false;
  return DeleteKeyTree(GetBaseKey(relative), path);
}

bool TRegistry::KeyExists(const AnsiString& Key) const {
  AnsiString path = Key;
  bool relative = IsRelative(path);
  HKEY key = nullptr;
  if (RegOpenKeyExA(GetBaseKey(relative), path.c_str(), 0,
                    STANDARD_RIGHTS_READ | KEY_QUERY_VALUE | KEY_ENUMERATE_SUB_KEYS,
                    &key) != ERROR_SUCCESS)
    return false;
  RegCloseKey(key);
  return true;
}

bool TRegistry::ValueExists(const AnsiString& Name) const {
  TRegDataInfo info;
  return GetDataInfo(Name, info);
}

bool TRegistry::DeleteValue(const AnsiString& Name) {
  return RegDeleteValueA(CurrentKey_, Name.c_str()) == ERROR_SUCCESS;
}

void TRegistry::GetKeyNames(TStrings* Strings) const { AddNames(Strings, SubKeyNames(CurrentKey_)); }

void TRegistry::GetValueNames(TStrings* Strings) const { AddNames(Strings, ValueNames(CurrentKey_)); }

bool TRegistry::GetDataInfo(const AnsiString& ValueName, TRegDataInfo& Value) const {
  DWORD type = REG_NONE;
  DWORD size = 0;
  Value = TRegDataInfo{};
  if (RegQueryValueExA(CurrentKey_, ValueName.c_str(), nullptr, &type, nullptr, &size) !=
      ERROR_SUCCESS)
    return false;
  Value.RegData = DataTypeToRegData(type);
  Value.DataSize = static_cast<Integer>(size);
  return true;
}

TRegDataType TRegistry::GetDataType(const AnsiString& ValueName) const {
  TRegDataInfo info;
  return GetDataInfo(ValueName, info) ? info.RegData : rdUnknown;
}

Integer TRegistry::GetDataSize(const AnsiString& ValueName) const {
  TRegDataInfo info;
  return GetDataInfo(ValueName, info) ? info.DataSize : -1;
}

bool TRegistry::ReadValue(const AnsiString& Name, DWORD& Type, std::vector<Byte>& Data) const {
  DWORD size = 0;
  if (RegQueryValueExA(CurrentKey_, Name.c_str(), nullptr, &Type, nullptr, &size) != ERROR_SUCCESS)
    return false;
  for (;;) {
    // One spare byte, so that a text stored without its terminator still ends.
    Data.assign(size + 1, 0);
    DWORD got = static_cast<DWORD>(Data.size());
    LONG rc = RegQueryValueExA(CurrentKey_, Name.c_str(), nullptr, &Type, Data.data(), &got);
    if (rc == ERROR_SUCCESS) {
      Data.resize(got);
      return true;
    }
    // ERROR_MORE_DATA: the value grew after its size was taken.
    if (rc != ERROR_MORE_DATA) throw ERegistryException(SRegGetDataFailed, {Name});
    size = std::max(got, size + 1);
  }
}

void TRegistry::ReadExact(const AnsiString& Name, void* Buffer, DWORD Size, DWORD Type) const {
  DWORD type = REG_NONE;
  std::vector<Byte> data;
  if (!ReadValue(Name, type, data)) throw ERegistryException(SRegGetDataFailed, {Name});
  if (type != Type || data.size() != Size) throw ERegistryException(SInvalidRegType, {Name});
  std::memcpy(Buffer, data.data(), Size);
}

void TRegistry::PutData(const AnsiString& Name, const void* Buffer, DWORD Size, DWORD Type) {
  if (RegSetValueExA(CurrentKey_, Name.c_str(), 0, Type, static_cast<const BYTE*>(Buffer), Size) !=
      ERROR_SUCCESS)
    throw ERegistryException(SRegSetDataFailed, {Name});
}

AnsiString TRegistry::ReadString(const AnsiString& Name) const {
  DWORD type = REG_NONE;
  std::vector<Byte> data;
  if (!ReadValue(Name, type, data)) return AnsiString();
  if (type != REG_SZ && type != REG_EXPAND_SZ) throw ERegistryException(SInvalidRegType, {Name});
  return AnsiString(data.begin(), std::find(data.begin(), data.end(), Byte{0}));
}

void TRegistry::WriteString(const AnsiString& Name, const AnsiString& Value) {
  PutData(Name, Value.c_str(), static_cast<DWORD>(Value.size() + 1), REG_SZ);
}

void TRegistry::WriteExpandString(const AnsiString& Name, const AnsiString& Value) {
  PutData(Name, Value.c_str(), static_cast<DWORD>(Value.size() + 1), REG_EXPAND_SZ);
}

Integer TRegistry::ReadInteger(const AnsiString& Name) const {
  Integer result = 0;
  ReadExact(Name, &result, sizeof(result), REG_DWORD);
  return result;
}

void TRegistry::WriteInteger(const AnsiString& Name, Integer Value) {
  PutData(Name, &Value, sizeof(Value), REG_DWORD);
}

double TRegistry::ReadFloat(const AnsiString& Name) const {
  double result = 0;
  ReadExact(Name, &result, sizeof(result), REG_BINARY);
  return result;
}

Currency TRegistry::ReadCurrency(const AnsiString& Name) const {
  Currency result;
  ReadExact(Name, &result.Scaled, sizeof(result.Scaled), REG_BINARY);
  return result;
}

TDateTime TRegistry::ReadDateTime(const AnsiString& Name) const { return ReadFloat(Name); }

Integer TRegistry::ReadBinaryData(const AnsiString& Name, void* Buffer, Integer BufSize) const {
  DWORD type = REG_NONE;
  std::vector<Byte> data;
  if (!ReadValue(Name, type, data)) return 0;
  TRegDataType kind = DataTypeToRegData(type);
  if ((kind != rdBinary && kind != rdUnknown) ||
      data.size() > static_cast<size_t>(std::max(BufSize, 0)))
    throw ERegistryException(SInvalidRegType, {Name});
  if (!data.empty()) std::memcpy(Buffer, data.data(), data.size());
  return static_cast<Integer>(data.size());
}

void TRegistry::WriteBinaryData(const AnsiString& Name, const void* Buffer, Integer BufSize) {
  PutData(Name, Buffer, static_cast<DWORD>(std::max(BufSize, 0)), REG_BINARY);
}
