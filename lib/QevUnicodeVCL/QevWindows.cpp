// Wide Win32 wrappers and their ANSI road.
#include "QevWindows.h"

#include <cstring>
#include <map>
#include <mutex>
#include <set>
#include <utility>
#include <vector>

#include "QevSysUtils.h"
#include "Scoped.h"

TShellWideFunctions ShellWideFunctions;

namespace {

// The rest of shell32, also bound on first use: a running screen saver opens
// nothing with the shell and need not load it.
TLateEntry<decltype(&ShellExecuteW)> ShellExecuteWide("shell32.dll", "ShellExecuteW");
TLateEntry<decltype(&ShellExecuteA)> ShellExecuteAnsi("shell32.dll", "ShellExecuteA");
TLateEntry<decltype(&SHFileOperationA)> FileOperationAnsi("shell32.dll", "SHFileOperationA");
TLateEntry<decltype(&SHFreeNameMappings)> FreeNameMappings("shell32.dll", "SHFreeNameMappings");
const auto NoShell = reinterpret_cast<HINSTANCE>(SE_ERR_DLLNOTFOUND);

// 8-bit copy of a wide argument; nil gives an empty text.
AnsiString Ansi(LPCWSTR text) {
  return text ? WideToAnsi(text, static_cast<Integer>(WStrLen(text))) : AnsiString();
}

void CopyWide(LPWSTR dest, const WideString& text, std::size_t count) {
  std::memcpy(dest, text.data(), count * sizeof(WideChar));
}

template <std::size_t AnsiSize, std::size_t WideSize>
void ConvertName(const char (&ansi)[AnsiSize], WCHAR (&wide)[WideSize]) {
  WideString name = AnsiToWide(ansi, static_cast<Integer>(strnlen(ansi, AnsiSize)));
  WStrLCopy(wide, name.c_str(), WideSize - 1);
}

// GetComputerName and GetUserName on the ANSI road, given the A function's
// name: the wide function's rules for the caller's size.
BOOL ReturnAccountName(const AnsiString& name, LPWSTR buffer, LPDWORD size, bool sizeWithTerminator,
                       DWORD tooSmallError) {
  WideString wide = AnsiToWide(name.c_str(), static_cast<Integer>(std::strlen(name.c_str())));
  if (wide.empty() || *size <= wide.size()) {
    *size = static_cast<DWORD>(wide.size() + 1);
    if (!wide.empty()) SetLastError(tooSmallError);
    return FALSE;
  }
  CopyWide(buffer, wide, wide.size());
  buffer[wide.size()] = L'\0';
  *size = static_cast<DWORD>(wide.size() + (sizeWithTerminator ? 1 : 0));
  return TRUE;
}

WideChar UpperCaseByAnsi(WideChar ch) {
  if (!CanConvertToDefaultCodePage(ch)) return ch;
  AnsiString ansi = WideToAnsi(&ch, 1);
  CharUpperA(ansi.data());
  WideString upper = AnsiToWide(ansi);
  return upper.size() == 1 ? upper[0] : ch;
}

// The entry at index of a string-table block: 16 counted texts. Every step is
// checked against the block's size, so a malformed block gives false.
bool FindStringTableEntry(const Byte* block, DWORD bytes, UINT index, const WideChar*& text,
                          Word& length) {
  DWORD pos = 0;
  for (UINT i = 0;; ++i) {
    if (bytes - pos < sizeof(Word)) return false;
    std::memcpy(&length, block + pos, sizeof(Word));
    pos += sizeof(Word);
    if ((bytes - pos) / sizeof(WideChar) < length) return false;
    if (i == index) {
      text = reinterpret_cast<const WideChar*>(block + pos);
      return true;
    }
    pos += length * sizeof(WideChar);
  }
}

// --------------------------------------------- version values, ANSI road

// Values that Qev_VerQueryValueW converts are kept in an arena behind the A
// function's data in the caller's block, so they go when the block goes.
// Blocks without room use a store that lives until the unit ends.
struct TVersionArena {
  char Marker[8];
  DWORD Capacity;  // bytes after this header
  DWORD Used;
};
struct TVersionArenaValue {
  DWORD SourceOffset;  // of the A value in the block
  DWORD Length;        // characters; the text and a terminator follow
};
constexpr char VersionArenaMarker[8] = {'Q', 'e', 'v', 'V', 'e', 'r', 'W', '\0'};
constexpr DWORD MinVersionArenaRoom = 256;

std::mutex VersionMutex;
std::map<const void*, DWORD> VersionArenas;  // block -> offset of its arena
std::set<WideString> VersionValueStore;

DWORD AlignUp(DWORD n, DWORD alignment) { return (n + alignment - 1) & ~(alignment - 1); }

DWORD VersionArenaOffset(DWORD ansiSize) { return AlignUp(ansiSize, 8); }

// Converted values take at most twice the bytes of the A data and a header
// each; a value is at least as large as its header in the A data.
DWORD VersionArenaExtra(DWORD ansiSize) {
  return VersionArenaOffset(ansiSize) - ansiSize + sizeof(TVersionArena) + 3 * ansiSize +
         MinVersionArenaRoom;
}

DWORD ArenaValueSize(std::size_t length) {
  return AlignUp(static_cast<DWORD>(sizeof(TVersionArenaValue) + (length + 1) * sizeof(WideChar)),
                 alignof(TVersionArenaValue));
}

WideChar* KeepInArena(const void* block, DWORD offset, const void* source, const WideString& text) {
  auto* base = static_cast<Byte*>(const_cast<void*>(block));
  auto* arena = reinterpret_cast<TVersionArena*>(base + offset);
  if (std::memcmp(arena->Marker, VersionArenaMarker, sizeof(arena->Marker)) != 0) return nullptr;
  Byte* values = base + offset + sizeof(TVersionArena);
  DWORD sourceOffset = static_cast<DWORD>(static_cast<const Byte*>(source) - base);
  for (DWORD pos = 0; pos < arena->Used;) {
    auto* value = reinterpret_cast<TVersionArenaValue*>(values + pos);
    if (value->SourceOffset == sourceOffset && value->Length == text.size())
      return reinterpret_cast<WideChar*>(value + 1);
    pos += ArenaValueSize(value->Length);
  }
  DWORD need = ArenaValueSize(text.size());
  if (arena->Capacity - arena->Used < need) return nullptr;
  auto* value = reinterpret_cast<TVersionArenaValue*>(values + arena->Used);
  value->SourceOffset = sourceOffset;
  value->Length = static_cast<DWORD>(text.size());
  auto* chars = reinterpret_cast<WideChar*>(value + 1);
  CopyWide(chars, text, text.size());
  chars[text.size()] = L'\0';
  arena->Used += need;
  return chars;
}

WideChar* KeepVersionValue(const void* block, const void* source, const WideString& text) {
  std::lock_guard<std::mutex> lock(VersionMutex);
  auto it = VersionArenas.find(block);
  if (it != VersionArenas.end() && source)
    if (WideChar* kept = KeepInArena(block, it->second, source, text)) return kept;
  return const_cast<WideChar*>(VersionValueStore.insert(text).first->c_str());
}

void PrepareVersionArena(void* block, DWORD length, DWORD ansiSize) {
  std::lock_guard<std::mutex> lock(VersionMutex);
  VersionArenas.erase(block);
  DWORD offset = VersionArenaOffset(ansiSize);
  if (ansiSize == 0 || length < offset ||
      length - offset < sizeof(TVersionArena) + MinVersionArenaRoom)
    return;
  auto* arena = reinterpret_cast<TVersionArena*>(static_cast<Byte*>(block) + offset);
  std::memcpy(arena->Marker, VersionArenaMarker, sizeof(arena->Marker));
  arena->Capacity = length - offset - sizeof(TVersionArena);
  arena->Used = 0;
  VersionArenas[block] = offset;
}

// ------------------------------------------------------ shell functions

TModuleOwner Shell32;  // kept while its wide functions are bound

template <class Function>
Function BindShellFunction(HMODULE module, const char* name) {
  return Win32PointerCheck(ProcAddress<Function>(module, name));
}

// The handle of SHFileOperation's name mappings points at this.
template <class Mapping>
struct TNameMappings {
  UINT Count;
  Mapping* Mappings;
};

// A double-null-terminated list of names in 8 bits.
AnsiString AnsiNameList(LPCWSTR list) { return list ? WideToAnsi(MultiStrToWideString(list)) : ""; }

}  // namespace

// ------------------------------------------------------------ wrappers

BOOL Qev_SetWindowTextW(HWND window, LPCWSTR text) {
  if (UnicodeApiAvailable) return SetWindowTextW(window, text);
  return SetWindowTextA(window, Ansi(text).c_str());
}

DWORD Qev_GetFullPathNameW(LPCWSTR fileName, DWORD bufferLength, LPWSTR buffer, LPWSTR* filePart) {
  if (UnicodeApiAvailable) return GetFullPathNameW(fileName, bufferLength, buffer, filePart);
  AnsiString name = Ansi(fileName);
  std::ptrdiff_t partOffset = -1;
  AnsiString path = ReadSizedText<AnsiChar>(2 * MAX_PATH, [&](LPSTR b, DWORD n) {
    LPSTR part = nullptr;
    DWORD result = GetFullPathNameA(name.c_str(), n, b, &part);
    partOffset = part ? part - b : -1;
    return result;
  });
  if (path.empty()) return 0;
  Cardinal result = CopyAnsiResultToWideBuffer(bufferLength, buffer, path, carEmptyWhenShort);
  if (filePart) {
    *filePart = nullptr;
    if (partOffset >= 0 && result < bufferLength)
      *filePart = buffer + AnsiToWide(path.data(), static_cast<Integer>(partOffset)).size();
  }
  return result;
}

HANDLE Qev_CreateFileW(LPCWSTR fileName, DWORD access, DWORD shareMode,
                       LPSECURITY_ATTRIBUTES security, DWORD disposition, DWORD flags,
                       HANDLE templateFile) {
  if (UnicodeApiAvailable)
    return CreateFileW(fileName, access, shareMode, security, disposition, flags, templateFile);
  return CreateFileA(Ansi(fileName).c_str(), access, shareMode, security, disposition, flags,
                     templateFile);
}

HANDLE Qev_FindFirstFileW(LPCWSTR fileName, WIN32_FIND_DATAW* findData) {
  if (UnicodeApiAvailable) return FindFirstFileW(fileName, findData);
  WIN32_FIND_DATAA ansi{};
  HANDLE find = FindFirstFileA(Ansi(fileName).c_str(), &ansi);
  if (find != INVALID_HANDLE_VALUE) ConvertFindDataAToW(ansi, *findData);
  return find;
}

BOOL Qev_FindNextFileW(HANDLE findFile, WIN32_FIND_DATAW* findData) {
  if (UnicodeApiAvailable) return FindNextFileW(findFile, findData);
  WIN32_FIND_DATAA ansi{};
  if (!FindNextFileA(findFile, &ansi)) return FALSE;
  ConvertFindDataAToW(ansi, *findData);
  return TRUE;
}

DWORD Qev_GetFileAttributesW(LPCWSTR fileName) {
  if (UnicodeApiAvailable) return GetFileAttributesW(fileName);
  return GetFileAttributesA(Ansi(fileName).c_str());
}

BOOL Qev_SetFileAttributesW(LPCWSTR fileName, DWORD attributes) {
  if (UnicodeApiAvailable) return SetFileAttributesW(fileName, attributes);
  return SetFileAttributesA(Ansi(fileName).c_str(), attributes);
}

BOOL Qev_CreateDirectoryW(LPCWSTR pathName, LPSECURITY_ATTRIBUTES security) {
  if (UnicodeApiAvailable) return CreateDirectoryW(pathName, security);
  return CreateDirectoryA(Ansi(pathName).c_str(), security);
}

BOOL Qev_DeleteFileW(LPCWSTR fileName) {
  if (UnicodeApiAvailable) return DeleteFileW(fileName);
  return DeleteFileA(Ansi(fileName).c_str());
}

int Qev_DrawTextW(HDC dc, LPCWSTR text, int count, LPRECT rect, UINT format) {
  if (UnicodeApiAvailable) return DrawTextW(dc, text, count, rect, format);
  // The A function would write its changes past the end of our temporary copy.
  AnsiString ansi = WideToAnsi(WideStrFromCount(text, count));
  return DrawTextA(dc, ansi.c_str(), -1, rect, format & ~DT_MODIFYSTRING);
}

BOOL Qev_GetDiskFreeSpaceW(LPCWSTR rootPath, LPDWORD sectorsPerCluster, LPDWORD bytesPerSector,
                           LPDWORD freeClusters, LPDWORD totalClusters) {
  if (UnicodeApiAvailable)
    return GetDiskFreeSpaceW(rootPath, sectorsPerCluster, bytesPerSector, freeClusters,
                             totalClusters);
  return GetDiskFreeSpaceA(Ansi(rootPath).c_str(), sectorsPerCluster, bytesPerSector, freeClusters,
                           totalClusters);
}

DWORD Qev_GetModuleFileNameW(HMODULE module, LPWSTR fileName, DWORD size) {
  if (UnicodeApiAvailable) return GetModuleFileNameW(module, fileName, size);
  AnsiString path = ReadTruncatedText<AnsiChar>(
      MAX_PATH, [&](LPSTR b, DWORD n) { return GetModuleFileNameA(module, b, n); });
  if (path.empty()) return 0;
  return CopyAnsiResultToWideBuffer(size, fileName, path, carFillWhenShort);
}

DWORD Qev_GetTempPathW(DWORD bufferLength, LPWSTR buffer) {
  if (UnicodeApiAvailable) return GetTempPathW(bufferLength, buffer);
  AnsiString path =
      ReadSizedText<AnsiChar>(MAX_PATH, [](LPSTR b, DWORD n) { return GetTempPathA(n, b); });
  if (path.empty()) return 0;
  return CopyAnsiResultToWideBuffer(bufferLength, buffer, path,
                                    carTerminateExactFit | carEmptyWhenShort);
}

UINT Qev_GetWindowsDirectoryW(LPWSTR buffer, UINT size) {
  if (UnicodeApiAvailable) return GetWindowsDirectoryW(buffer, size);
  AnsiString path = ReadSizedText<AnsiChar>(
      MAX_PATH, [](LPSTR b, DWORD n) { return static_cast<DWORD>(GetWindowsDirectoryA(b, n)); });
  if (path.empty()) return 0;
  return CopyAnsiResultToWideBuffer(size, buffer, path, 0);
}

BOOL Qev_GetComputerNameW(LPWSTR buffer, LPDWORD size) {
  if (UnicodeApiAvailable) return GetComputerNameW(buffer, size);
  AnsiString name(MAX_COMPUTERNAME_LENGTH + 1, '\0');
  DWORD n = static_cast<DWORD>(name.size());
  if (!GetComputerNameA(name.data(), &n)) return FALSE;
  return ReturnAccountName(name, buffer, size, false, ERROR_BUFFER_OVERFLOW);
}

BOOL Qev_GetUserNameW(LPWSTR buffer, LPDWORD size) {
  if (UnicodeApiAvailable) return GetUserNameW(buffer, size);
  constexpr DWORD MaxUserName = 256 + 1;  // UNLEN and its terminator
  AnsiString name(MaxUserName, '\0');
  DWORD n = MaxUserName;
  if (!GetUserNameA(name.data(), &n)) return FALSE;
  return ReturnAccountName(name, buffer, size, true, ERROR_INSUFFICIENT_BUFFER);
}

HINSTANCE Qev_ShellExecuteW(HWND window, LPCWSTR operation, LPCWSTR file, LPCWSTR parameters,
                            LPCWSTR directory, INT showCommand) {
  if (UnicodeApiAvailable)
    return ShellExecuteWide.CallOr(NoShell, window, operation && *operation ? operation : nullptr,
                                   file, parameters, directory, showCommand);
  AnsiString op = Ansi(operation), name = Ansi(file), params = Ansi(parameters),
             dir = Ansi(directory);
  return ShellExecuteAnsi.CallOr(NoShell, window, PCharOrNil(op), PCharOrNil(name),
                                 PCharOrNil(params), PCharOrNil(dir), showCommand);
}

HMODULE Qev_LoadLibraryW(LPCWSTR fileName) {
  if (UnicodeApiAvailable) return LoadLibraryW(fileName);
  return LoadLibraryA(Ansi(fileName).c_str());
}

HMODULE Qev_LoadLibraryExW(LPCWSTR fileName, HANDLE file, DWORD flags) {
  if (UnicodeApiAvailable) return LoadLibraryExW(fileName, file, flags);
  return LoadLibraryExA(Ansi(fileName).c_str(), file, flags);
}

LPWSTR Qev_CharUpperW(LPWSTR x) {
  if (UnicodeApiAvailable) return CharUpperW(x);
  if (!IsIntResource(x)) {
    for (WideChar* p = x; *p; ++p) *p = UpperCaseByAnsi(*p);
    return x;
  }
  auto ch = static_cast<WideChar>(reinterpret_cast<ULONG_PTR>(x));
  return reinterpret_cast<LPWSTR>(static_cast<ULONG_PTR>(UpperCaseByAnsi(ch)));
}

DWORD Qev_CharUpperBuffW(LPWSTR text, DWORD length) {
  if (UnicodeApiAvailable) return CharUpperBuffW(text, length);
  for (DWORD i = 0; i < length; ++i) text[i] = UpperCaseByAnsi(text[i]);
  return length;
}

BOOL Qev_GetStringTypeExW(LCID locale, DWORD infoType, LPCWSTR text, int count, LPWORD charType) {
  if (UnicodeApiAvailable) return GetStringTypeExW(locale, infoType, text, count, charType);
  // With a count of -1 the A function also types the terminator, one word
  // more than the caller has room for; so the count is given and the words
  // go through our own array.
  WideString wide = WideStrFromCount(text, count);
  AnsiString ansi = WideToAnsi(wide);
  std::vector<WORD> types(ansi.size() + 1);
  if (!GetStringTypeExA(locale, infoType, ansi.c_str(), static_cast<int>(ansi.size()),
                        types.data()))
    return FALSE;
  std::memcpy(charType, types.data(), std::min(wide.size(), ansi.size()) * sizeof(WORD));
  return TRUE;
}

int Qev_LoadStringW(HINSTANCE instance, UINT id, LPWSTR buffer, int size) {
  if (UnicodeApiAvailable) return LoadStringW(instance, id, buffer, size);
  return LoadStringFromStringTable(instance, id, buffer, size);
}

DWORD Qev_GetFileVersionInfoSizeW(LPCWSTR fileName, LPDWORD handle) {
  if (UnicodeApiAvailable) return GetFileVersionInfoSizeW(fileName, handle);
  DWORD size = GetFileVersionInfoSizeA(Ansi(fileName).c_str(), handle);
  return size ? size + VersionArenaExtra(size) : 0;
}

BOOL Qev_GetFileVersionInfoW(LPCWSTR fileName, DWORD handle, DWORD length, LPVOID data) {
  if (UnicodeApiAvailable) return GetFileVersionInfoW(fileName, handle, length, data);
  AnsiString name = Ansi(fileName);
  BOOL ok = GetFileVersionInfoA(name.c_str(), handle, length, data);
  // The A function's data ends within the size it asks for.
  DWORD ignored = 0;
  DWORD ansiSize = ok ? GetFileVersionInfoSizeA(name.c_str(), &ignored) : 0;
  PrepareVersionArena(data, length, ansiSize);
  return ok;
}

BOOL Qev_VerQueryValueW(LPCVOID block, LPCWSTR subBlock, LPVOID* value, PUINT length) {
  if (UnicodeApiAvailable) return VerQueryValueW(block, subBlock, value, length);
  WideString path = subBlock ? subBlock : L"";
  LPVOID found = nullptr;
  UINT foundLength = 0;
  if (!VerQueryValueA(block, WideToAnsi(path).c_str(), &found, &foundLength)) return FALSE;
  if (WideTextPos(L"\\StringFileInfo", path) == 1) {
    WideString text = AnsiToWide(static_cast<const AnsiChar*>(found),
                                 found ? static_cast<Integer>(foundLength) : 0);
    found = KeepVersionValue(block, found, text);
    foundLength = static_cast<UINT>(text.size());
  }
  if (value) *value = found;
  if (length) *length = foundLength;
  return TRUE;
}

int Qev_SHFileOperationW(LPSHFILEOPSTRUCTW operation) {
  if (UnicodeApiAvailable) {
    LoadShellWideFunctions();
    return ShellWideFunctions.SHFileOperationW(operation);
  }
  AnsiString from = AnsiNameList(operation->pFrom);
  AnsiString to = AnsiNameList(operation->pTo);
  AnsiString title = Ansi(operation->lpszProgressTitle);
  SHFILEOPSTRUCTA ansi{};
  ansi.hwnd = operation->hwnd;
  ansi.wFunc = operation->wFunc;
  ansi.pFrom = operation->pFrom ? from.c_str() : nullptr;
  ansi.pTo = operation->pTo ? to.c_str() : nullptr;
  ansi.fFlags = operation->fFlags;
  ansi.lpszProgressTitle = operation->lpszProgressTitle ? title.c_str() : nullptr;
  int result = FileOperationAnsi.CallOr(int{ERROR_DLL_NOT_FOUND}, &ansi);
  operation->fAnyOperationsAborted = ansi.fAnyOperationsAborted;
  operation->hNameMappings = nullptr;
  if (ansi.hNameMappings) {
    if (operation->fFlags & FOF_WANTMAPPINGHANDLE)
      operation->hNameMappings = ConvertNameMappingsAToW(ansi.hNameMappings);
    if (const auto free = FreeNameMappings.Get()) free(ansi.hNameMappings);
  }
  return result;
}

void Qev_SHFreeNameMappings(HANDLE nameMappings) {
  if (!nameMappings) return;
  if (!UnicodeApiAvailable)
    LocalFree(nameMappings);
  else if (const auto free = FreeNameMappings.Get())
    free(nameMappings);
}

// ------------------------------------------------------ shell functions

void LoadShellWideFunctions() {
  if (Shell32) return;
  TModuleOwner library(Win32HandleCheck(Qev_LoadLibraryW(L"shell32.dll")));
  TShellWideFunctions functions;
  using Functions = TShellWideFunctions;
  functions.SHFileOperationW =
      BindShellFunction<decltype(Functions::SHFileOperationW)>(library.get(), "SHFileOperationW");
  functions.SHBrowseForFolderW = BindShellFunction<decltype(Functions::SHBrowseForFolderW)>(
      library.get(), "SHBrowseForFolderW");
  functions.SHGetPathFromIDListW = BindShellFunction<decltype(Functions::SHGetPathFromIDListW)>(
      library.get(), "SHGetPathFromIDListW");
  functions.SHGetFileInfoW =
      BindShellFunction<decltype(Functions::SHGetFileInfoW)>(library.get(), "SHGetFileInfoW");
  ShellWideFunctions = functions;
  Shell32 = std::move(library);
}

// -------------------------------------------------- conversion helpers

Cardinal CopyAnsiResultToWideBuffer(Cardinal bufferLength, LPWSTR wideBuffer,
                                    const AnsiString& ansiText, Cardinal flags) {
  WideString wide = AnsiToWide(ansiText);
  auto length = static_cast<Cardinal>(wide.size());
  if (bufferLength > length) {
    CopyWide(wideBuffer, wide, length);
    wideBuffer[length] = L'\0';
    return length;
  }
  if (flags & carFillWhenShort) {
    CopyWide(wideBuffer, wide, bufferLength);
    return bufferLength;
  }
  if ((flags & carTerminateExactFit) && bufferLength == length && length > 0) {
    CopyWide(wideBuffer, wide, length - 1);
    wideBuffer[length - 1] = L'\0';
    return length + 1;
  }
  if (bufferLength > 0) {
    if (flags & carEmptyWhenShort) {
      wideBuffer[0] = L'\0';
    } else if ((flags & carFolderWhenShort) && bufferLength >= 4) {
      std::size_t slash = wide.rfind(L'\\', bufferLength - 2);
      if (slash != WideString::npos) {
        CopyWide(wideBuffer, wide, slash + 1);
        wideBuffer[slash + 1] = L'\0';
      }
    }
  }
  return length + 1;
}

void ConvertFindDataAToW(const WIN32_FIND_DATAA& ansi, WIN32_FIND_DATAW& wide) {
  wide.dwFileAttributes = ansi.dwFileAttributes;
  wide.ftCreationTime = ansi.ftCreationTime;
  wide.ftLastAccessTime = ansi.ftLastAccessTime;
  wide.ftLastWriteTime = ansi.ftLastWriteTime;
  wide.nFileSizeHigh = ansi.nFileSizeHigh;
  wide.nFileSizeLow = ansi.nFileSizeLow;
  wide.dwReserved0 = ansi.dwReserved0;
  wide.dwReserved1 = ansi.dwReserved1;
  ConvertName(ansi.cFileName, wide.cFileName);
  ConvertName(ansi.cAlternateFileName, wide.cAlternateFileName);
}

WideString WideStrFromCount(LPCWSTR text, int count) {
  if (!text) return {};
  if (count < 0) return text;
  return WideString(text, count);
}

int LoadStringFromStringTable(HMODULE module, UINT id, LPWSTR buffer, int size) {
  if ((id >> 16) == 0xFFFF) id = 0u - id;
  UINT blockName = ((id >> 4) & 0xFFFF) + 1;
  if (blockName > 0xFFFF) return 0;
  HRSRC info = FindResourceA(module, MAKEINTRESOURCEA(blockName), MAKEINTRESOURCEA(6));
  if (!info) return 0;
  DWORD bytes = SizeofResource(module, info);
  HGLOBAL data = LoadResource(module, info);
  const void* block = data ? LockResource(data) : nullptr;
  const WideChar* text = nullptr;
  Word length = 0;
  if (!block ||
      !FindStringTableEntry(static_cast<const Byte*>(block), bytes, id & 15, text, length))
    return 0;
  if (!buffer || size <= 0) return length;
  int n = std::min(size - 1, static_cast<int>(length));
  std::memcpy(buffer, text, n * sizeof(WideChar));
  buffer[n] = L'\0';
  return n;
}

HANDLE ConvertNameMappingsAToW(HANDLE ansiMappings) {
  const auto* ansi = static_cast<const TNameMappings<SHNAMEMAPPINGA>*>(ansiMappings);
  auto cut = [](const char* path, int length) {
    return path ? AnsiToWide(path, static_cast<Integer>(strnlen(path, std::max(length, 0))))
                : WideString();
  };
  std::vector<WideString> paths;  // old and new path of each mapping
  for (UINT i = 0; i < ansi->Count; ++i) {
    const SHNAMEMAPPINGA& m = ansi->Mappings[i];
    paths.push_back(cut(m.pszOldPath, m.cchOldPath));
    paths.push_back(cut(m.pszNewPath, m.cchNewPath));
  }
  using Table = TNameMappings<SHNAMEMAPPINGW>;
  std::size_t header = AlignUp(sizeof(Table), alignof(SHNAMEMAPPINGW));
  std::size_t total = header + ansi->Count * sizeof(SHNAMEMAPPINGW);
  for (const WideString& p : paths) total += (p.size() + 1) * sizeof(WideChar);
  auto* block = static_cast<Byte*>(LocalAlloc(LPTR, total));
  if (!block) return nullptr;
  auto* table = reinterpret_cast<Table*>(block);
  table->Count = ansi->Count;
  table->Mappings = reinterpret_cast<SHNAMEMAPPINGW*>(block + header);
  auto* chars = reinterpret_cast<WideChar*>(table->Mappings + ansi->Count);
  auto store = [&](const WideString& p) {
    WideChar* start = chars;
    CopyWide(chars, p, p.size());
    chars += p.size() + 1;  // the block is zero-filled: the terminator is there
    return start;
  };
  for (UINT i = 0; i < ansi->Count; ++i) {
    SHNAMEMAPPINGW& m = table->Mappings[i];
    const WideString& oldPath = paths[2 * i];
    const WideString& newPath = paths[2 * i + 1];
    m.pszOldPath = store(oldPath);
    m.pszNewPath = store(newPath);
    m.cchOldPath = static_cast<int>(oldPath.size());
    m.cchNewPath = static_cast<int>(newPath.size());
  }
  return block;
}

void Initialization_QevWindows() {}

void Finalization_QevWindows() {
  Shell32.reset();
  ShellWideFunctions = {};
  std::lock_guard<std::mutex> lock(VersionMutex);
  VersionArenas.clear();
  VersionValueStore.clear();
}
