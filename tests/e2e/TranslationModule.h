// Translation modules made by a test from a copy of a program: resource
// strings (known by unit and name through the program's "QEV.DRC" map),
// 8-bit string values of its form resources and raw-data texts replaced, or
// cut short; and the runtime's locale override that makes a program pick its
// module.
#pragma once

#include <algorithm>
#include <map>
#include <string>

#include "QevJCLUtils.h"
#include "QevTrxResourceUtils.h"
#include "QevTrxUtils.h"
#include "Scoped.h"
#include "System.h"

// The string-table identifier of a resource string ("Unit_Name") of a program
// file; 0 when its map has no such line.
inline Integer ResourceStringId(const std::wstring& Program, const std::wstring& UnitAndName) {
  const std::wstring map = L"\r\n" + ReadPeSectionText(Program, QevDrcName) + L"\r\n";
  const size_t at = map.find(L"=" + UnitAndName + L"\r\n");
  if (at == std::wstring::npos) return 0;
  return std::stoi(map.substr(map.rfind(L"\r\n", at) + 2));
}

// Replaces the 8-bit string value From of a property (type byte 6, length
// byte, bytes) by To in a binary form stream; false when it is not there.
inline bool ReplaceFormString(std::string& Form, const std::string& Property,
                              const std::string& From, const std::string& To) {
  auto shortString = [](const std::string& Text) { return char(Text.size()) + Text; };
  const std::string name = shortString(Property);
  const size_t at = Form.find(name + '\x06' + shortString(From));
  if (at == std::string::npos) return false;
  Form.replace(at + name.size() + 1, From.size() + 1, shortString(To));
  return true;
}

// The changes are collected from the program and written into the copy at once.
class TTranslationModule {
 public:
  TTranslationModule(std::wstring Program, std::wstring File)
      : Program_(std::move(Program)),
        File_(std::move(File)),
        Source_(LoadLibraryExW(Program_.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE)) {
    if (Source_) LoadStringTables(Source_.get(), Tables_);
  }

  bool SetString(const std::wstring& UnitAndName, const std::wstring& Text) {
    const Integer id = ResourceStringId(Program_, UnitAndName);
    if (id != 0) SetStringInTables(Tables_, id, Text);
    return id != 0;
  }
  bool SetFormString(const std::wstring& FormClass, const std::string& Property,
                     const std::string& From, const std::string& To) {
    auto form = Forms_.find(FormClass);
    if (form == Forms_.end()) form = Forms_.emplace(FormClass, FormData(FormClass)).first;
    return ReplaceFormString(form->second, Property, From, To);
  }
  void SetRcText(const std::wstring& Name, const std::wstring& Text) { Texts_[Name] = Text; }

  // The program copied to the module file with the changes; false on failure.
  bool Write() const {
    if (!Source_ || !CopyFileW(Program_.c_str(), File_.c_str(), FALSE)) return false;
    HANDLE update = BeginUpdateResourceW(File_.c_str(), FALSE);
    if (!update) return false;
    TScopeExit discard([update] { EndUpdateResourceW(update, TRUE); });
    WriteStringTables(update, Tables_);
    for (const auto& [name, data] : Forms_)
      if (!UpdateResourceW(update, MAKEINTRESOURCEW(10), name.c_str(), 0,
                           const_cast<char*>(data.data()), static_cast<DWORD>(data.size())))
        return false;
    for (const auto& [name, text] : Texts_) SaveRcText(update, name, text);
    discard.Dismiss();
    return EndUpdateResourceW(update, FALSE) != FALSE;
  }

 private:
  std::string FormData(const std::wstring& FormClass) const {
    HRSRC found = FindResourceW(Source_.get(), FormClass.c_str(), MAKEINTRESOURCEW(10));
    if (!found) return {};
    auto data = static_cast<const char*>(LockResource(LoadResource(Source_.get(), found)));
    return std::string(data, SizeofResource(Source_.get(), found));
  }

  std::wstring Program_, File_;
  TModuleOwner Source_;
  TStringTableList Tables_;
  std::map<std::wstring, std::string> Forms_;
  std::map<std::wstring, std::wstring> Texts_;
};

// Cuts a module file right after its resource directory, as an interrupted
// copy or a full disk leaves it: it still loads, its directory lists every
// resource, and their data lie past its end.
inline bool CutAfterResourceDirectory(const std::wstring& File) {
  size_t end = SIZE_MAX;
  {
    TModuleOwner module(LoadLibraryExW(File.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE));
    if (!module) return false;
    // A module loaded as a data file is its file, mapped as it stands.
    auto base = reinterpret_cast<const char*>(reinterpret_cast<ULONG_PTR>(module.get()) & ~3);
    TResDataList resources;
    EnumerateResources(module.get(), resources);
    for (const auto& res : resources) {
      const size_t at = static_cast<const char*>(res->Data) - base;
      if (res->Data) end = std::min(end, at);
    }
  }
  HANDLE opened = CreateFileW(File.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  if (opened == INVALID_HANDLE_VALUE || end == SIZE_MAX) return false;
  THandleOwner file(opened);
  LARGE_INTEGER at{};
  at.QuadPart = static_cast<LONGLONG>(end);
  return SetFilePointerEx(file.get(), at, nullptr, FILE_BEGIN) && SetEndOfFile(file.get());
}

// For its life, the program file picks the module with this extension through
// the user's locale-override key; what of the key this made goes again.
class TLocaleOverrideFor {
 public:
  TLocaleOverrideFor(const std::wstring& Program, const std::wstring& Extension) {
    wchar_t longName[MAX_PATH] = {};
    const DWORD n = GetLongPathNameW(Program.c_str(), longName, MAX_PATH);
    Name_ = n > 0 && n < MAX_PATH ? longName : Program;
    const std::wstring path = LocaleOverrideKeys[0].Path;
    for (size_t end = 0; Made_.empty() && end != std::wstring::npos;) {
      end = path.find(L'\\', end + 1);
      HKEY key = nullptr;
      if (RegOpenKeyExW(Root(), path.substr(0, end).c_str(), 0, KEY_READ, &key) == ERROR_SUCCESS)
        RegCloseKey(key);
      else
        Made_ = path.substr(0, end);
    }
    RegSetKeyValueW(Root(), path.c_str(), Name_.c_str(), REG_SZ, Extension.c_str(),
                    static_cast<DWORD>((Extension.size() + 1) * sizeof(wchar_t)));
  }
  ~TLocaleOverrideFor() {
    if (!Made_.empty())
      RegDeleteTreeW(Root(), Made_.c_str());
    else
      RegDeleteKeyValueW(Root(), LocaleOverrideKeys[0].Path, Name_.c_str());
  }
  TLocaleOverrideFor(const TLocaleOverrideFor&) = delete;
  TLocaleOverrideFor& operator=(const TLocaleOverrideFor&) = delete;

 private:
  static HKEY Root() { return static_cast<HKEY>(LocaleOverrideKeys[0].Root); }
  std::wstring Name_;
  std::wstring Made_;  // the first key of the path that did not exist
};
