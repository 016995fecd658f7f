// Wide string, path, file, search, date and locale routines.
#include "QevSysUtils.h"

#include <cstdlib>
#include <cstring>
#include <new>

#include "QevSystem.h"
#include "QevWindows.h"
#include "SysConst.h"
// after <windows.h>
#include <oleauto.h>

bool UnicodeApiAvailable = true;
bool Win51OrLater = true;

// ------------------------------------------------ null-terminated wide text

const WideChar* WStrEnd(const WideChar* p) {
  while (*p) ++p;
  return p;
}

Cardinal WStrLen(const WideChar* p) { return static_cast<Cardinal>(WStrEnd(p) - p); }

WideChar* WStrLCopy(WideChar* dest, const WideChar* source, Cardinal maxLen) {
  Cardinal i = 0;
  for (; i < maxLen && source[i]; ++i) dest[i] = source[i];
  dest[i] = L'\0';
  return dest;
}

WideChar* WStrPLCopy(WideChar* dest, const AnsiString& source, Cardinal maxLen) {
  return WStrLCopy(dest, AnsiToWide(source).c_str(), maxLen);
}

const WideChar* WStrScan(const WideChar* p, WideChar ch) {
  for (;; ++p) {
    if (*p == ch) return p;
    if (!*p) return nullptr;
  }
}

WideChar* WStrMove(WideChar* dest, const WideChar* source, Cardinal count) {
  std::memmove(dest, source, count * sizeof(WideChar));
  return dest;
}

WideChar* WStrAlloc(Cardinal size) {
  Cardinal bytes = size * sizeof(WideChar) + sizeof(Cardinal);
  auto* block = static_cast<Byte*>(std::malloc(bytes));
  if (!block) throw std::bad_alloc();
  std::memcpy(block, &bytes, sizeof(bytes));
  return reinterpret_cast<WideChar*>(block + sizeof(Cardinal));
}

WideChar* WStrNew(const WideChar* p) {
  if (!p) return nullptr;
  Cardinal length = WStrLen(p);
  return WStrMove(WStrAlloc(length + 1), p, length + 1);
}

void WStrDispose(WideChar* p) {
  if (p) std::free(reinterpret_cast<Byte*>(p) - sizeof(Cardinal));
}

// -------------------------------------------------------------- wide strings

WideString QevWideUpperCase(const WideString& s) {
  WideString result = s;
  if (!result.empty()) Qev_CharUpperBuffW(result.data(), static_cast<DWORD>(result.size()));
  return result;
}

WideChar WideLastChar(const WideString& s) { return s.empty() ? L'\0' : s.back(); }

Integer WideTextPos(const WideString& sub, const WideString& s) {
  if (sub.empty()) return 0;
  std::size_t i = QevWideUpperCase(s).find(QevWideUpperCase(sub));
  return i == WideString::npos ? 0 : static_cast<Integer>(i + 1);
}

WideString WideStringReplaceEx(const WideString& s, const WideString& oldPattern,
                               const WideString& newPattern, Integer flags, bool wholeWord) {
  if (oldPattern.empty()) return s;
  bool ignoreCase = flags & rfIgnoreCase;
  WideString search = ignoreCase ? QevWideUpperCase(s) : s;
  WideString pattern = ignoreCase ? QevWideUpperCase(oldPattern) : oldPattern;
  WideString rest = s;
  WideString result;
  while (!search.empty()) {
    std::size_t i = search.find(pattern);
    if (i == WideString::npos) {
      result += rest;
      break;
    }
    std::size_t end = i + oldPattern.size();  // just after the match
    if (wholeWord) {
      WideChar before = i == 0 ? WideLastChar(result) : rest[i - 1];
      WideChar after = end < rest.size() ? rest[end] : L'\0';
      if (!IsWordBoundaryChar(before) || !IsWordBoundaryChar(after)) {
        result.append(rest, 0, end);
        rest.erase(0, end);
        search.erase(0, end);
        continue;
      }
    }
    result.append(rest, 0, i);
    result += newPattern;
    rest.erase(0, end);
    if (!(flags & rfReplaceAll)) {
      result += rest;
      break;
    }
    search.erase(0, end);
  }
  return result;
}

bool WideIsDelimiter(const WideString& delimiters, const WideString& s, Integer index) {
  if (index < 1 || index > static_cast<Integer>(s.size())) return false;
  return delimiters.find(s[index - 1]) != WideString::npos;
}

bool WideIsPathDelimiter(const WideString& s, Integer index) {
  return index >= 1 && index <= static_cast<Integer>(s.size()) && s[index - 1] == L'\\';
}

Integer WideLastDelimiter(const WideString& delimiters, const WideString& s) {
  for (std::size_t i = s.size(); i > 0; --i)
    if (s[i - 1] != L'\0' && delimiters.find(s[i - 1]) != WideString::npos)
      return static_cast<Integer>(i);
  return 0;
}

WideString WideStripTrailingBackslash(const WideString& s) {
  return WideLastChar(s) == L'\\' ? s.substr(0, s.size() - 1) : s;
}

bool IsWordBoundaryChar(WideChar ch) { return ch == L'\0' || IsSpaceChar(ch) || IsPunctChar(ch); }

Word GetCharType1(WideChar ch) {
  Word type = 0;
  if (!Qev_GetStringTypeExW(GetThreadLocale(), CT_CTYPE1, &ch, 1, &type)) RaiseLastOSError();
  return type;
}

bool IsSpaceChar(WideChar ch) { return GetCharType1(ch) & C1_SPACE; }
bool IsPunctChar(WideChar ch) { return GetCharType1(ch) & C1_PUNCT; }

bool CanConvertToDefaultCodePage(WideChar ch) {
  // A best-fit mapping ("a" for U+0101) is no default character, yet the
  // character would come back as another one; so the round trip decides.
  char bytes[8];
  BOOL usedDefault = FALSE;
  int n = WideCharToMultiByte(static_cast<UINT>(ConversionCodePage), 0, &ch, 1, bytes,
                              sizeof(bytes), nullptr, &usedDefault);
  if (n <= 0 || usedDefault) return false;
  WideChar back[2];
  int m = MultiByteToWideChar(static_cast<UINT>(ConversionCodePage), 0, bytes, n, back, 2);
  return m == 1 && back[0] == ch;
}

const WideChar* MultiStrEnd(const WideChar* p) {
  if (!*p) return p;
  for (;;) {
    p = WStrEnd(p);
    if (!p[1]) return p;
    ++p;
  }
}

WideString MultiStrToWideString(const WideChar* p) {
  if (!*p) return WideString(1, L'\0');
  return WideString(p, MultiStrEnd(p) - p + 2);
}

WideString ExtractNextToken(const WideChar*& cursor, WideChar delimiter) {
  const WideChar* start = cursor;
  const WideChar* found = delimiter ? WStrScan(cursor, delimiter) : nullptr;
  if (found) {
    cursor = found + 1;
    return WideString(start, found);
  }
  cursor = WStrEnd(cursor);
  return WideString(start, cursor);
}

TWideStringDynArray SplitWideString(const WideChar* p, WideChar delimiter) {
  TWideStringDynArray result;
  if (!p) return result;
  for (WideString token = ExtractNextToken(p, delimiter); !token.empty();
       token = ExtractNextToken(p, delimiter))
    result.push_back(token);
  return result;
}

// ---------------------------------------------------------------- file names

WideString WideChangeFileExt(const WideString& fileName, const WideString& extension) {
  Integer i = WideLastDelimiter(L".\\:", fileName);
  if (i == 0 || fileName[i - 1] != L'.') i = static_cast<Integer>(fileName.size()) + 1;
  return fileName.substr(0, i - 1) + extension;
}

WideString WideExtractFilePath(const WideString& fileName) {
  return fileName.substr(0, WideLastDelimiter(L"\\:", fileName));
}

WideString WideExtractFileDir(const WideString& fileName) {
  Integer i = WideLastDelimiter(L":\\", fileName);
  if (i > 1 && fileName[i - 1] == L'\\' && fileName[i - 2] != L':' && fileName[i - 2] != L'\\') --i;
  return fileName.substr(0, i);
}

WideString WideExtractFileDrive(const WideString& fileName) {
  if (fileName.size() >= 2 && fileName[1] == L':') return fileName.substr(0, 2);
  if (fileName.size() >= 2 && fileName[0] == L'\\' && fileName[1] == L'\\') {
    std::size_t server = fileName.find(L'\\', 2);
    if (server == WideString::npos) return fileName;
    return fileName.substr(0, fileName.find(L'\\', server + 1));  // up to the share's end
  }
  return {};
}

WideString WideExtractFileName(const WideString& fileName) {
  return fileName.substr(WideLastDelimiter(L"\\:", fileName));
}

WideString WideExtractFileExt(const WideString& fileName) {
  Integer i = WideLastDelimiter(L".\\:", fileName);
  if (i > 0 && fileName[i - 1] == L'.') return fileName.substr(i - 1);
  return {};
}

WideString WideExpandFileName(const WideString& fileName) {
  return ReadSizedText<WideChar>(MAX_PATH, [&](LPWSTR buffer, DWORD size) {
    return Qev_GetFullPathNameW(fileName.c_str(), size, buffer, nullptr);
  });
}

// ---------------------------------------------------- files and directories

HANDLE WideFileCreate(const WideString& fileName) {
  return Qev_CreateFileW(fileName.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                         FILE_ATTRIBUTE_NORMAL, nullptr);
}

HANDLE WideFileOpen(const WideString& fileName, Cardinal mode) {
  unsigned long access, share;
  if (!FileModeToWin32(mode, access, share)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return INVALID_HANDLE_VALUE;
  }
  return Qev_CreateFileW(fileName.c_str(), access, share, nullptr, OPEN_EXISTING,
                         FILE_ATTRIBUTE_NORMAL, nullptr);
}

Integer WideFileGetAttr(const WideString& fileName) {
  return static_cast<Integer>(Qev_GetFileAttributesW(fileName.c_str()));
}

bool WideFileSetAttr(const WideString& fileName, Integer attributes) {
  return Qev_SetFileAttributesW(fileName.c_str(), static_cast<DWORD>(attributes));
}

bool WideFileExists(const WideString& fileName) {
  Integer attributes = WideFileGetAttr(fileName);
  return attributes != -1 && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool WideDirectoryExists(const WideString& name) {
  Integer attributes = WideFileGetAttr(name);
  return attributes != -1 && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool WideDeleteFile(const WideString& fileName) { return Qev_DeleteFileW(fileName.c_str()); }

bool WideForceDirectories(const WideString& dir) {
  if (dir.empty()) throw EQevGeneralError(SCannotCreateDir);
  // Every separator at the end goes: with one left, the path would be its
  // own parent and count as made.
  WideString path = dir;
  while (WideLastChar(path) == L'\\') path.pop_back();
  if (path.size() < 3 || WideDirectoryExists(path)) return true;
  WideString parent = WideExtractFilePath(path);
  if (parent == path) return false;  // a name ending in ':' that is no folder
  return WideForceDirectories(parent) && Qev_CreateDirectoryW(path.c_str(), nullptr);
}

WideString WideGetModuleFileName(HMODULE module) {
  WideString name = ReadTruncatedText<WideChar>(MAX_PATH, [&](LPWSTR buffer, DWORD size) {
    return Qev_GetModuleFileNameW(module, buffer, size);
  });
  if (name.empty()) RaiseLastOSError();
  return name;
}

namespace {

// Skips the entries that the search's attributes exclude and fills in the
// record from the first one left.
Integer FindMatchingFileW(TSearchRecW& rec) {
  WIN32_FIND_DATAW& data = rec.FindData;
  while (data.dwFileAttributes & static_cast<DWORD>(rec.ExcludeAttr))
    if (!Qev_FindNextFileW(rec.FindHandle, &data)) return static_cast<Integer>(GetLastError());
  FILETIME local;
  WORD date = 0, time = 0;
  FileTimeToLocalFileTime(&data.ftLastWriteTime, &local);
  FileTimeToDosDateTime(&local, &date, &time);
  rec.Time = static_cast<Integer>((static_cast<DWORD>(date) << 16) | time);
  rec.Size = (static_cast<Int64>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
  rec.Attr = static_cast<Integer>(data.dwFileAttributes);
  rec.Name.assign(data.cFileName, wcsnlen(data.cFileName, MAX_PATH));
  return 0;
}

}  // namespace

Integer WideFindFirst(const WideString& path, Integer attr, TSearchRecW& rec) {
  constexpr Integer SkippedUnlessAsked = FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM |
                                         0x08 /* volume label */ | FILE_ATTRIBUTE_DIRECTORY;
  rec.ExcludeAttr = ~attr & SkippedUnlessAsked;
  rec.FindHandle = Qev_FindFirstFileW(path.c_str(), &rec.FindData);
  if (rec.FindHandle == INVALID_HANDLE_VALUE) return static_cast<Integer>(GetLastError());
  Integer result = FindMatchingFileW(rec);
  if (result != 0) WideFindClose(rec);
  return result;
}

Integer WideFindNext(TSearchRecW& rec) {
  if (!Qev_FindNextFileW(rec.FindHandle, &rec.FindData))
    return static_cast<Integer>(GetLastError());
  return FindMatchingFileW(rec);
}

void WideFindClose(TSearchRecW& rec) {
  if (rec.FindHandle == INVALID_HANDLE_VALUE) return;
  FindClose(rec.FindHandle);
  rec.FindHandle = INVALID_HANDLE_VALUE;
}

// --------------------------------------------------- dates, locale, checks

namespace {

TDateTime WideStrToDateTimeCore(const WideString& s, DWORD flags,
                                const TResStringRec& errorFormat) {
  try {
    WideString text = s;  // the system takes a writable text
    DATE result = 0;
    OleCheck(VarDateFromStr(text.data(), GetThreadLocale(), flags, &result));
    return result;
  } catch (const Exception& e) {
    throw EConvertError(WideFormat(LoadResString(errorFormat), {s}) + L"\r\n" + e.Message);
  }
}

}  // namespace

TDateTime WideStrToDateTime(const WideString& s) {
  return WideStrToDateTimeCore(s, 0, SInvalidDateTime);
}

TDateTime WideStrToDate(const WideString& s) {
  return WideStrToDateTimeCore(s, VAR_DATEVALUEONLY, SInvalidDate);
}

TDateTime WideStrToTime(const WideString& s) {
  return WideStrToDateTimeCore(s, VAR_TIMEVALUEONLY, SInvalidTime);
}

WideString WideGetLocaleStr(LCID locale, LCTYPE type, const WideString& defaultText) {
  // Asked for its size first, so that no text is too long for the buffer.
  if (UnicodeApiAvailable) {
    int size = GetLocaleInfoW(locale, type, nullptr, 0);
    if (size <= 0) return defaultText;
    WideString text(size, L'\0');
    int n = GetLocaleInfoW(locale, type, text.data(), size);
    if (n <= 0) return defaultText;
    text.resize(n - 1);
    return text;
  }
  int size = GetLocaleInfoA(locale, type, nullptr, 0);
  if (size <= 0) return defaultText;
  AnsiString text(size, '\0');
  int n = GetLocaleInfoA(locale, type, text.data(), size);
  if (n <= 0) return defaultText;
  return AnsiToWide(text.data(), n - 1);
}

// ------------------------------------------------------- unit start and end

void Initialization_QevSysUtils() {
  UnicodeApiAvailable = Win32Platform == VER_PLATFORM_WIN32_NT;
  Win51OrLater = Win32MajorVersion > 5 || (Win32MajorVersion == 5 && Win32MinorVersion >= 1);
}

void Finalization_QevSysUtils() {}
