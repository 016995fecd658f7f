#include "System.h"

#include <cstring>
#include <string_view>
#include <unordered_map>

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

WideString ReadRegistryText(HKEY key, const WideChar* name) {
  DWORD type = 0, size = 0;
  if (RegQueryValueExW(key, name, nullptr, &type, nullptr, &size) != ERROR_SUCCESS) return {};
  if (type != REG_SZ && type != REG_EXPAND_SZ) return {};
  WideString text(size / sizeof(WideChar) + 1, L'\0');
  size = static_cast<DWORD>(text.size() * sizeof(WideChar));
  if (RegQueryValueExW(key, name, nullptr, &type, reinterpret_cast<BYTE*>(text.data()), &size) !=
      ERROR_SUCCESS)
    return {};
  text.resize(wcsnlen(text.c_str(), size / sizeof(WideChar)));
  return text;
}

WideString WithExtension(const WideString& fileName, const WideString& ext) {
  const size_t dot = fileName.find_last_of(L".\\:");
  const size_t stem = dot != WideString::npos && fileName[dot] == L'.' ? dot : fileName.size();
  return fileName.substr(0, stem) + L"." + ext;
}

bool LoadsAsDataFile(const WideString& fileName) {
  const DWORD attributes = GetFileAttributesW(fileName.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY)) return false;
  HMODULE module = LoadLibraryExW(fileName.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
  if (!module) return false;
  FreeLibrary(module);
  return true;
}

WideString ThreadLocaleAbbreviation() {
  WideChar buffer[16] = {};
  GetLocaleInfoW(GetThreadLocale(), LOCALE_SABBREVLANGNAME, buffer, 16);
  return buffer;
}

thread_local std::vector<TSystemLocale>* EnumeratedLocales = nullptr;

BOOL CALLBACK AddSystemLocale(LPWSTR localeText) {
  const Cardinal id = wcstoul(localeText, nullptr, 16);
  WideChar buffer[16] = {};
  GetLocaleInfoW(id, LOCALE_SABBREVLANGNAME, buffer, 16);
  EnumeratedLocales->push_back({id, buffer});
  return TRUE;
}

}  // namespace

WideString LocaleOverride(const WideString& programFile) {
  for (const TLocaleOverrideKey& entry : LocaleOverrideKeys) {
    HKEY key = nullptr;
    if (RegOpenKeyExW(static_cast<HKEY>(entry.Root), entry.Path, 0, KEY_READ, &key) !=
        ERROR_SUCCESS)
      continue;
    WideString value = ReadRegistryText(key, programFile.c_str());
    if (value.empty()) value = ReadRegistryText(key, nullptr);
    RegCloseKey(key);
    return value;
  }
  return {};
}

WideString FindResourceModuleFile(const WideString& programFile) {
  const WideString override = LocaleOverride(programFile);
  const WideString language = ThreadLocaleAbbreviation();
  std::vector<WideString> candidates;
  if (!override.empty()) candidates.push_back(WithExtension(programFile, override));
  if (!language.empty()) {
    candidates.push_back(WithExtension(programFile, language));
    candidates.push_back(WithExtension(programFile, language.substr(0, 2)));
  }
  for (const WideString& candidate : candidates)
    if (LoadsAsDataFile(candidate)) return candidate;
  return {};
}

WideString ProgramLongFileName() {
  WideChar name[MAX_PATH + 1] = {};
  GetModuleFileNameW(nullptr, name, MAX_PATH);
  WideChar longName[MAX_PATH + 1] = {};
  const DWORD n = GetLongPathNameW(name, longName, MAX_PATH);
  return n > 0 && n < MAX_PATH ? longName : name;
}

void InitResourceModule() {
  const WideString fileName = FindResourceModuleFile(ProgramLongFileName());
  if (fileName.empty()) return;
  if (HMODULE module = LoadLibraryExW(fileName.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE))
    SetResourceHInstance(module);
}

std::vector<TSystemLocale> SystemLocales() {
  std::vector<TSystemLocale> locales;
  EnumeratedLocales = &locales;
  EnumSystemLocalesW(AddSystemLocale, LCID_SUPPORTED);
  EnumeratedLocales = nullptr;
  return locales;
}
