#include "System.h"

#include <cstdlib>
#include <cstring>
#include <cwchar>
#include <string_view>
#include <unordered_map>

#include "PeImage.h"
#include "WinApi.h"

namespace {

WideString DefaultAnsiToWide(const AnsiChar* p, Integer len) {
  if (!p || len <= 0) return {};
  int n = MultiByteToWideChar(CP_ACP, 0, p, len, nullptr, 0);
  WideString result(n > 0 ? n : 0, L'\0');
  if (n > 0) MultiByteToWideChar(CP_ACP, 0, p, len, result.data(), n);
  return result;
}

AnsiString DefaultWideToAnsi(const WideChar* p, Integer len) {
  if (!p || len <= 0) return {};
  int n = WideCharToMultiByte(CP_ACP, 0, p, len, nullptr, 0, nullptr, nullptr);
  AnsiString result(n > 0 ? n : 0, '\0');
  if (n > 0) WideCharToMultiByte(CP_ACP, 0, p, len, result.data(), n, nullptr, nullptr);
  return result;
}

// The build gives each program a section "QEV.DRC" whose UTF-16 lines
// "id=Unit_Name" name the string-table entry of every resource string.
std::wstring_view ModuleSection(HMODULE module, const char* name) {
  auto base = reinterpret_cast<const BYTE*>(module);
  auto dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base);
  auto nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
  const IMAGE_SECTION_HEADER* section = IMAGE_FIRST_SECTION(nt);
  for (WORD i = 0; i < nt->FileHeader.NumberOfSections; ++i, ++section) {
    if (strncmp(reinterpret_cast<const char*>(section->Name), name, IMAGE_SIZEOF_SHORT_NAME) == 0)
      return {reinterpret_cast<const WideChar*>(base + section->VirtualAddress),
              section->Misc.VirtualSize / sizeof(WideChar)};
  }
  return {};
}

std::unordered_map<std::string, Integer> ReadResStringIds() {
  std::unordered_map<std::string, Integer> ids;
  std::wstring_view text = ModuleSection(GetModuleHandleW(nullptr), "QEV.DRC");
  while (!text.empty()) {
    size_t eol = text.find(L"\r\n");
    std::wstring_view line = text.substr(0, eol);
    text.remove_prefix(eol == std::wstring_view::npos ? text.size() : eol + 2);
    size_t eq = line.find(L'=');
    if (eq == std::wstring_view::npos) continue;
    Integer id = 0;
    for (WideChar c : line.substr(0, eq)) id = id * 10 + (c - L'0');
    ids.emplace(std::string(line.begin() + eq + 1, line.end()), id);
  }
  return ids;
}

// The runtime's own loader is 8-bit: the text passes through the ANSI code page.
WideString DefaultLoadResString(const TResStringRec& rec) {
  Integer id = ResStringId(rec);
  if (id == 0) return rec.Text ? rec.Text : L"";
  char buffer[4097];
  auto module = static_cast<HMODULE>(FindResourceHInstance(nullptr));
  int n = LoadStringA(module, static_cast<UINT>(id), buffer, sizeof(buffer));
  return AnsiToWide(buffer, n);
}

// The program's translation module; nullptr while it has none.
THandle ResourceHInstance = nullptr;

}  // namespace

TAnsiToWideProc AnsiToWideProc = DefaultAnsiToWide;
TWideToAnsiProc WideToAnsiProc = DefaultWideToAnsi;
TLoadResStringProc LoadResStringProc = DefaultLoadResString;

WideString AnsiToWide(const AnsiChar* p, Integer len) { return AnsiToWideProc(p, len); }
WideString AnsiToWide(const AnsiString& s) {
  return AnsiToWideProc(s.data(), static_cast<Integer>(s.size()));
}
AnsiString WideToAnsi(const WideChar* p, Integer len) { return WideToAnsiProc(p, len); }
AnsiString WideToAnsi(const WideString& s) {
  return WideToAnsiProc(s.data(), static_cast<Integer>(s.size()));
}

WideString LoadResString(const TResStringRec& rec) { return LoadResStringProc(rec); }

Integer ResStringId(const TResStringRec& rec) {
  static const std::unordered_map<std::string, Integer> ids = ReadResStringIds();
  auto it = ids.find(rec.Ident);
  return it == ids.end() ? 0 : it->second;
}

THandle FindResourceHInstance(THandle module) {
  THandle program = GetModuleHandleW(nullptr);
  if (!module) module = program;
  return module == program && ResourceHInstance ? ResourceHInstance : module;
}

void SetResourceHInstance(THandle resourceModule) { ResourceHInstance = resourceModule; }

// ------------------------------------------------------- the resource module

const TLocaleOverrideKey LocaleOverrideKeys[3] = {
    {HKEY_CURRENT_USER, L"Software\\Qev Platform\\Locales"},
    {HKEY_LOCAL_MACHINE, L"Software\\Qev Platform\\Locales"},
    {HKEY_CURRENT_USER, L"Software\\Qev Platform\\Runtime\\Locales"},
};

namespace {

bool IsWide(TApiRoad road) { return road == TApiRoad::Wide; }

// The registry's text values with a terminator the value may lack.
WideString ReadRegistryText(HKEY key, const WideChar* name, TApiRoad road) {
  const AnsiString ansiName = name ? WideToAnsi(name) : AnsiString();
  auto query = [&](BYTE* data, DWORD* size, DWORD* type) {
    return IsWide(road) ? RegQueryValueExW(key, name, nullptr, type, data, size)
                        : RegQueryValueExA(key, name ? ansiName.c_str() : nullptr, nullptr, type,
                                           data, size);
  };
  DWORD type = 0, size = 0;
  if (query(nullptr, &size, &type) != ERROR_SUCCESS) return {};
  if (type != REG_SZ && type != REG_EXPAND_SZ) return {};
  std::vector<BYTE> data(size + sizeof(WideChar), 0);
  size = static_cast<DWORD>(data.size());
  if (query(data.data(), &size, &type) != ERROR_SUCCESS) return {};
  if (!IsWide(road)) return AnsiToWide(reinterpret_cast<const AnsiChar*>(data.data()));
  return reinterpret_cast<const WideChar*>(data.data());
}

HKEY OpenRegistryKey(const TLocaleOverrideKey& entry, TApiRoad road) {
  HKEY key = nullptr;
  const auto root = static_cast<HKEY>(entry.Root);
  const LSTATUS status =
      IsWide(road) ? RegOpenKeyExW(root, entry.Path, 0, KEY_READ, &key)
                   : RegOpenKeyExA(root, WideToAnsi(entry.Path).c_str(), 0, KEY_READ, &key);
  return status == ERROR_SUCCESS ? key : nullptr;
}

WideString WithExtension(const WideString& fileName, const WideString& ext) {
  const size_t dot = fileName.find_last_of(L".\\:");
  const size_t stem = dot != WideString::npos && fileName[dot] == L'.' ? dot : fileName.size();
  return fileName.substr(0, stem) + L"." + ext;
}

HMODULE LoadDataFile(const WideString& fileName, TApiRoad road) {
  return IsWide(road)
             ? LoadLibraryExW(fileName.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE)
             : LoadLibraryExA(WideToAnsi(fileName).c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
}

bool LoadsAsDataFile(const WideString& fileName, TApiRoad road) {
  const DWORD attributes = IsWide(road) ? GetFileAttributesW(fileName.c_str())
                                        : GetFileAttributesA(WideToAnsi(fileName).c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY)) return false;
  HMODULE module = LoadDataFile(fileName, road);
  if (!module) return false;
  FreeLibrary(module);
  return true;
}

WideString LocaleAbbreviation(LCID locale, TApiRoad road) {
  if (IsWide(road)) {
    WideChar buffer[16] = {};
    GetLocaleInfoW(locale, LOCALE_SABBREVLANGNAME, buffer, 16);
    return buffer;
  }
  AnsiChar buffer[16] = {};
  GetLocaleInfoA(locale, LOCALE_SABBREVLANGNAME, buffer, 16);
  return AnsiToWide(buffer);
}

// The locales of one enumeration, which has no parameter of its own.
thread_local std::vector<TSystemLocale>* EnumeratedLocales = nullptr;
thread_local TApiRoad EnumerationRoad = TApiRoad::Wide;

Cardinal LocaleIdOf(const AnsiChar* text) { return std::strtoul(text, nullptr, 16); }
Cardinal LocaleIdOf(const WideChar* text) { return std::wcstoul(text, nullptr, 16); }

template <class Char>
BOOL CALLBACK AddSystemLocale(Char* localeText) {
  const Cardinal id = LocaleIdOf(localeText);
  EnumeratedLocales->push_back({id, LocaleAbbreviation(id, EnumerationRoad)});
  return TRUE;
}

}  // namespace

WideString LocaleOverride(const WideString& programFile, TApiRoad road) {
  for (const TLocaleOverrideKey& entry : LocaleOverrideKeys) {
    HKEY key = OpenRegistryKey(entry, road);
    if (!key) continue;
    WideString value = ReadRegistryText(key, programFile.c_str(), road);
    if (value.empty()) value = ReadRegistryText(key, nullptr, road);
    RegCloseKey(key);
    return value;
  }
  return {};
}

WideString FindResourceModuleFile(const WideString& programFile, TApiRoad road) {
  const WideString override = LocaleOverride(programFile, road);
  const WideString language = LocaleAbbreviation(GetThreadLocale(), road);
  std::vector<WideString> candidates;
  if (!override.empty()) candidates.push_back(WithExtension(programFile, override));
  if (!language.empty()) {
    candidates.push_back(WithExtension(programFile, language));
    candidates.push_back(WithExtension(programFile, language.substr(0, 2)));
  }
  for (const WideString& candidate : candidates)
    if (LoadsAsDataFile(candidate, road)) return candidate;
  return {};
}

WideString ProgramLongFileName(TApiRoad road) {
  if (IsWide(road)) {
    WideChar name[MAX_PATH + 1] = {}, longName[MAX_PATH + 1] = {};
    GetModuleFileNameW(nullptr, name, MAX_PATH);
    const DWORD n = GetLongPathNameW(name, longName, MAX_PATH);
    return n > 0 && n < MAX_PATH ? longName : name;
  }
  AnsiChar name[MAX_PATH + 1] = {}, longName[MAX_PATH + 1] = {};
  GetModuleFileNameA(nullptr, name, MAX_PATH);
  const DWORD n = GetLongPathNameA(name, longName, MAX_PATH);
  return AnsiToWide(n > 0 && n < MAX_PATH ? longName : name);
}

namespace {
WideString RejectedModuleFile;
}  // namespace

void InitResourceModule() {
  RejectedModuleFile.clear();
  // Before the platform's identity is known: the high bit of the version
  // marks the Windows 95/98/Me family.
  const TApiRoad road = (GetVersion() & 0x80000000u) != 0 ? TApiRoad::Ansi : TApiRoad::Wide;
  const WideString fileName = FindResourceModuleFile(ProgramLongFileName(road), road);
  if (fileName.empty()) return;
  if (!ResourcesInsideFile(fileName, road)) {
    RejectedModuleFile = fileName;
    return;
  }
  if (HMODULE module = LoadDataFile(fileName, road)) SetResourceHInstance(module);
}

WideString RejectedResourceModuleFile() { return RejectedModuleFile; }

std::vector<TSystemLocale> SystemLocales(TApiRoad road) {
  std::vector<TSystemLocale> locales;
  EnumeratedLocales = &locales;
  EnumerationRoad = road;
  if (IsWide(road))
    EnumSystemLocalesW(AddSystemLocale<WideChar>, LCID_SUPPORTED);
  else
    EnumSystemLocalesA(AddSystemLocale<AnsiChar>, LCID_SUPPORTED);
  EnumeratedLocales = nullptr;
  return locales;
}
