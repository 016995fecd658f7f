// The class library's registry access: one open key under a root key, 8-bit
// names and strings.
#pragma once

#include "Classes.h"
#include "SysUtils.h"
#include "WinApi.h"

QEV_DECLARE_EXCEPTION(ERegistryException, Exception);

extern const TResStringRec SInvalidRegType;
extern const TResStringRec SRegCreateFailed;
extern const TResStringRec SRegGetDataFailed;
extern const TResStringRec SRegSetDataFailed;

enum TRegDataType { rdUnknown, rdString, rdExpandString, rdInteger, rdBinary };

struct TRegDataInfo {
  TRegDataType RegData = rdUnknown;
  Integer DataSize = 0;
};

// Key names are relative to the current key, or to the root key when they
// begin with "\" or no key is open.
class TRegistry : public TObject {
 public:
  TRegistry() = default;
  explicit TRegistry(LongWord AAccess) : Access_(AAccess) {}
  ~TRegistry() override;
  const char* ClassName() const override { return "TRegistry"; }

  HKEY RootKey() const { return RootKey_; }
  // Closes the current key.
  void SetRootKey(HKEY Value);
  // The open key; a derived class reads and writes its values directly.
  HKEY CurrentKey() const { return CurrentKey_; }
  const AnsiString& CurrentPath() const { return CurrentPath_; }
  LongWord Access() const { return Access_; }
  void SetAccess(LongWord Value) { Access_ = Value; }

  // On success the opened key replaces the current one, which is closed.
  bool OpenKey(const AnsiString& Key, bool CanCreate);
  bool OpenKeyReadOnly(const AnsiString& Key);
  void CloseKey();
  // Creates the key and closes it again; raises when it cannot be created.
  bool CreateKey(const AnsiString& Key);
  // Deletes the key with all its subkeys; an empty name deletes nothing.
  bool DeleteKey(const AnsiString& Key);
  bool KeyExists(const AnsiString& Key) const;
  bool ValueExists(const AnsiString& Name) const;
  bool DeleteValue(const AnsiString& Name);
  void GetKeyNames(TStrings* Strings) const;
  void GetValueNames(TStrings* Strings) const;

  bool GetDataInfo(const AnsiString& ValueName, TRegDataInfo& Value) const;
  TRegDataType GetDataType(const AnsiString& ValueName) const;
  // The size in bytes, -1 when the value does not exist.
  Integer GetDataSize(const AnsiString& ValueName) const;

  // A missing value reads as an empty text; the text ends at its first zero.
  AnsiString ReadString(const AnsiString& Name) const;
  void WriteString(const AnsiString& Name, const AnsiString& Value);
  void WriteExpandString(const AnsiString& Name, const AnsiString& Value);
  Integer ReadInteger(const AnsiString& Name) const;
  void WriteInteger(const AnsiString& Name, Integer Value);
  bool ReadBool(const AnsiString& Name) const { return ReadInteger(Name) != 0; }
  void WriteBool(const AnsiString& Name, bool Value) { WriteInteger(Name, Value ? 1 : 0); }
  // Binary values of exactly eight bytes.
  double ReadFloat(const AnsiString& Name) const;
  Currency ReadCurrency(const AnsiString& Name) const;
  TDateTime ReadDateTime(const AnsiString& Name) const;
  // Copies a binary value into Buffer; returns its size, 0 when it is missing.
  Integer ReadBinaryData(const AnsiString& Name, void* Buffer, Integer BufSize) const;
  void WriteBinaryData(const AnsiString& Name, const void* Buffer, Integer BufSize);

 protected:
  HKEY GetBaseKey(bool Relative) const;
  void ChangeKey(HKEY Value, const AnsiString& Path);

 private:
  // Reads the whole value; false when it does not exist.
  bool ReadValue(const AnsiString& Name, DWORD& Type, std::vector<Byte>& Data) const;
  void PutData(const AnsiString& Name, const void* Buffer, DWORD Size, DWORD Type);
  void ReadExact(const AnsiString& Name, void* Buffer, DWORD Size, DWORD Type) const;
  bool OpenWith(const AnsiString& Key, bool CanCreate, REGSAM Access);

  HKEY RootKey_ = HKEY_CURRENT_USER;
  HKEY CurrentKey_ = nullptr;
  AnsiString CurrentPath_;
  LongWord Access_ = KEY_ALL_ACCESS;
};
