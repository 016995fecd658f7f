// Wide Win32 wrappers. Each has the signature of the wide function; without a
// wide API (UnicodeApiAvailable false) it converts its texts to the ANSI code
// page, calls the ANSI function and hands back results by the wide function's
// rules for buffer sizes. Every text-carrying Win32 call of the system goes
// through them.
#pragma once

#include <algorithm>
#include <string>

#include "System.h"
#include "WinApi.h"
// after <windows.h>
#include <shellapi.h>

struct _browseinfoW;
struct _ITEMIDLIST;

// ------------------------------------------------------------ wrappers

BOOL Qev_SetWindowTextW(HWND window, LPCWSTR text);
DWORD Qev_GetFullPathNameW(LPCWSTR fileName, DWORD bufferLength, LPWSTR buffer, LPWSTR* filePart);
HANDLE Qev_CreateFileW(LPCWSTR fileName, DWORD access, DWORD shareMode,
                       LPSECURITY_ATTRIBUTES security, DWORD disposition, DWORD flags,
                       HANDLE templateFile);
HANDLE Qev_FindFirstFileW(LPCWSTR fileName, WIN32_FIND_DATAW* findData);
BOOL Qev_FindNextFileW(HANDLE findFile, WIN32_FIND_DATAW* findData);
DWORD Qev_GetFileAttributesW(LPCWSTR fileName);
BOOL Qev_SetFileAttributesW(LPCWSTR fileName, DWORD attributes);
BOOL Qev_CreateDirectoryW(LPCWSTR pathName, LPSECURITY_ATTRIBUTES security);
BOOL Qev_DeleteFileW(LPCWSTR fileName);
int Qev_DrawTextW(HDC dc, LPCWSTR text, int count, LPRECT rect, UINT format);
BOOL Qev_GetDiskFreeSpaceW(LPCWSTR rootPath, LPDWORD sectorsPerCluster, LPDWORD bytesPerSector,
                           LPDWORD freeClusters, LPDWORD totalClusters);
DWORD Qev_GetModuleFileNameW(HMODULE module, LPWSTR fileName, DWORD size);
DWORD Qev_GetTempPathW(DWORD bufferLength, LPWSTR buffer);
UINT Qev_GetWindowsDirectoryW(LPWSTR buffer, UINT size);
BOOL Qev_GetComputerNameW(LPWSTR buffer, LPDWORD size);
BOOL Qev_GetUserNameW(LPWSTR buffer, LPDWORD size);
HINSTANCE Qev_ShellExecuteW(HWND window, LPCWSTR operation, LPCWSTR file, LPCWSTR parameters,
                            LPCWSTR directory, INT showCommand);
HMODULE Qev_LoadLibraryW(LPCWSTR fileName);
HMODULE Qev_LoadLibraryExW(LPCWSTR fileName, HANDLE file, DWORD flags);
// x is a text to upper-case in place, or one character in its low word.
LPWSTR Qev_CharUpperW(LPWSTR x);
DWORD Qev_CharUpperBuffW(LPWSTR text, DWORD length);
BOOL Qev_GetStringTypeExW(LCID locale, DWORD infoType, LPCWSTR text, int count, LPWORD charType);
int Qev_LoadStringW(HINSTANCE instance, UINT id, LPWSTR buffer, int size);

// Without a wide API the size includes room in which Qev_VerQueryValueW keeps
// the values it converts, so that they live as long as the block.
DWORD Qev_GetFileVersionInfoSizeW(LPCWSTR fileName, LPDWORD handle);
BOOL Qev_GetFileVersionInfoW(LPCWSTR fileName, DWORD handle, DWORD length, LPVOID data);
BOOL Qev_VerQueryValueW(LPCVOID block, LPCWSTR subBlock, LPVOID* value, PUINT length);

int Qev_SHFileOperationW(LPSHFILEOPSTRUCTW operation);
// Frees a name-mapping handle that Qev_SHFileOperationW handed out.
void Qev_SHFreeNameMappings(HANDLE nameMappings);

// ---------------------------------------------- languages and resources

constexpr bool IsIntResource(const void* p) { return (reinterpret_cast<ULONG_PTR>(p) >> 16) == 0; }
constexpr Word LangIDFromLCID(LCID lcid) { return static_cast<Word>(lcid & 0xFFFF); }
constexpr Word MakeLangID(Word primary, Word sub) {
  return static_cast<Word>((sub << 10) | primary);
}
constexpr LCID MakeLCID(Word langId, Word sortId) {
  return (static_cast<LCID>(sortId) << 16) | langId;
}
constexpr Word PrimaryLangID(Word langId) { return langId & 0x3FF; }
constexpr Word SubLangID(Word langId) { return (langId >> 10) & 0x3F; }

// ------------------------------------------------------ shell functions

// shell32's wide functions, bound by name on first use.
struct TShellWideFunctions {
  int(WINAPI* SHFileOperationW)(LPSHFILEOPSTRUCTW) = nullptr;
  _ITEMIDLIST*(WINAPI* SHBrowseForFolderW)(_browseinfoW*) = nullptr;
  BOOL(WINAPI* SHGetPathFromIDListW)(const _ITEMIDLIST*, LPWSTR) = nullptr;
  DWORD_PTR(WINAPI* SHGetFileInfoW)(LPCWSTR, DWORD, SHFILEINFOW*, UINT, UINT) = nullptr;
};
extern TShellWideFunctions ShellWideFunctions;

// Loads shell32.dll and binds all four; raises the OS error when one is missing.
void LoadShellWideFunctions();

// -------------------------------------------------- conversion helpers

// Overflow conventions of the emulated functions (flags of CopyAnsiResultToWideBuffer).
constexpr Cardinal carTerminateExactFit = 1;  // exactly L: L - 1 characters and terminator
constexpr Cardinal carEmptyWhenShort = 2;     // too small: an empty text
constexpr Cardinal carFillWhenShort = 4;      // too small: filled, no terminator
constexpr Cardinal carFolderWhenShort = 8;    // too small: the leading folders

// Stores ansiText in the wide buffer as the emulated wide function would and
// returns its count: the length when it fits, otherwise what the flags say.
Cardinal CopyAnsiResultToWideBuffer(Cardinal bufferLength, LPWSTR wideBuffer,
                                    const AnsiString& ansiText, Cardinal flags);
void ConvertFindDataAToW(const WIN32_FIND_DATAA& ansi, WIN32_FIND_DATAW& wide);

inline const AnsiChar* PCharOrNil(const AnsiString& s) { return s.empty() ? nullptr : s.c_str(); }
inline const WideChar* PWideCharOrNil(const WideString& s) {
  return s.empty() ? nullptr : s.c_str();
}
// The first count characters of text, or all of it when count is -1.
WideString WideStrFromCount(LPCWSTR text, int count);

// LoadString on a module's string table, for platforms without LoadStringW.
// A block that is shorter than its entries say gives 0.
int LoadStringFromStringTable(HMODULE module, UINT id, LPWSTR buffer, int size);

// Converts SHFileOperationA's name mappings into a wide table of the same
// layout, in one block that Qev_SHFreeNameMappings frees.
HANDLE ConvertNameMappingsAToW(HANDLE ansiMappings);

// Reads the text of a Win32 function that returns the text's length when it
// fits and the size it needs when it does not; empty when the call fails.
template <class Char, class Call>
std::basic_string<Char> ReadSizedText(DWORD size, Call call) {
  std::basic_string<Char> text;
  for (int attempt = 0; attempt < 8; ++attempt) {  // the text may grow between calls
    text.assign(size, Char());
    DWORD n = call(text.data(), size);
    if (n == 0) break;
    if (n < size) {
      text.resize(n);
      return text;
    }
    size = std::max<DWORD>(n, size + 1);
  }
  return {};
}

// The same for functions that fill the buffer and return its size when the
// text does not fit (GetModuleFileName): the buffer grows until it does.
template <class Char, class Call>
std::basic_string<Char> ReadTruncatedText(DWORD size, Call call) {
  std::basic_string<Char> text;
  for (size = std::max<DWORD>(size, 1); size <= 0x10000; size *= 2) {
    text.assign(size, Char());
    DWORD n = call(text.data(), size);
    if (n == 0) break;
    if (n < size) {
      text.resize(n);
      return text;
    }
  }
  return {};
}

void Initialization_QevWindows();
void Finalization_QevWindows();
