// Wide string, path, file, search, date and locale routines, the layer's
// exception classes and its platform switch.
#pragma once

#include <vector>

#include "SysUtils.h"
#include "WinApi.h"

QEV_DECLARE_EXCEPTION(EQevGeneralError, Exception);   // errors a user can meet
QEV_DECLARE_EXCEPTION(EQevInternalError, Exception);  // broken internal assumptions

// Set once when this unit starts; tests may set them to take the other road.
extern bool UnicodeApiAvailable;  // NT family: call the wide Win32 functions
extern bool Win51OrLater;         // Windows XP and later
// The runtime's lookups on the road UnicodeApiAvailable picks, for this call.
inline TApiRoad UnicodeApiRoad() { return UnicodeApiAvailable ? TApiRoad::Wide : TApiRoad::Ansi; }

// ------------------------------------------------ null-terminated wide text

const WideChar* WStrEnd(const WideChar* p);
inline WideChar* WStrEnd(WideChar* p) {
  return const_cast<WideChar*>(WStrEnd(static_cast<const WideChar*>(p)));
}
Cardinal WStrLen(const WideChar* p);
// Copies at most maxLen characters and a terminator.
WideChar* WStrLCopy(WideChar* dest, const WideChar* source, Cardinal maxLen);
WideChar* WStrPLCopy(WideChar* dest, const AnsiString& source, Cardinal maxLen);
// The first ch, nullptr when there is none; #0 finds the terminator.
const WideChar* WStrScan(const WideChar* p, WideChar ch);
inline WideChar* WStrScan(WideChar* p, WideChar ch) {
  return const_cast<WideChar*>(WStrScan(static_cast<const WideChar*>(p), ch));
}
WideChar* WStrMove(WideChar* dest, const WideChar* source, Cardinal count);
// A block for size characters, its byte size kept in front; free with WStrDispose.
WideChar* WStrAlloc(Cardinal size);
WideChar* WStrNew(const WideChar* p);
void WStrDispose(WideChar* p);

// -------------------------------------------------------------- wide strings

WideString QevWideUpperCase(const WideString& s);
WideChar WideLastChar(const WideString& s);
// 1-based position of sub in s ignoring case, 0 when absent.
Integer WideTextPos(const WideString& sub, const WideString& s);

constexpr Integer rfReplaceAll = 1;
constexpr Integer rfIgnoreCase = 2;
// wholeWord: only matches between word boundaries are replaced.
WideString WideStringReplaceEx(const WideString& s, const WideString& oldPattern,
                               const WideString& newPattern, Integer flags, bool wholeWord);

// Indexes are 1-based.
bool WideIsDelimiter(const WideString& delimiters, const WideString& s, Integer index);
bool WideIsPathDelimiter(const WideString& s, Integer index);
Integer WideLastDelimiter(const WideString& delimiters, const WideString& s);
WideString WideStripTrailingBackslash(const WideString& s);

bool IsWordBoundaryChar(WideChar ch);
// The CT_CTYPE1 type of ch in the thread locale; raises the OS error on failure.
Word GetCharType1(WideChar ch);
bool IsSpaceChar(WideChar ch);
bool IsPunctChar(WideChar ch);
// True when ch survives the trip through ConversionCodePage unchanged.
bool CanConvertToDefaultCodePage(WideChar ch);

// Lists of null-terminated texts ended by an empty text.
// The terminator of the last item; p itself for an empty list.
const WideChar* MultiStrEnd(const WideChar* p);
// The whole list with its final two zeros (one for an empty list).
WideString MultiStrToWideString(const WideChar* p);

// The text up to the next delimiter, moving the cursor past it, or the rest.
WideString ExtractNextToken(const WideChar*& cursor, WideChar delimiter);
using TWideStringDynArray = std::vector<WideString>;
// The tokens up to the first empty one.
TWideStringDynArray SplitWideString(const WideChar* p, WideChar delimiter);

// ---------------------------------------------------------------- file names

WideString WideChangeFileExt(const WideString& fileName, const WideString& extension);
WideString WideExtractFilePath(const WideString& fileName);
WideString WideExtractFileDir(const WideString& fileName);
WideString WideExtractFileDrive(const WideString& fileName);
WideString WideExtractFileName(const WideString& fileName);
WideString WideExtractFileExt(const WideString& fileName);
WideString WideExpandFileName(const WideString& fileName);

// ---------------------------------------------------- files and directories

HANDLE WideFileCreate(const WideString& fileName);
// mode: the runtime's open mode (access in bits 0-1, sharing in bits 4-7).
// An access or sharing value out of range gives INVALID_HANDLE_VALUE.
HANDLE WideFileOpen(const WideString& fileName, Cardinal mode);
Integer WideFileGetAttr(const WideString& fileName);  // -1 on failure
bool WideFileSetAttr(const WideString& fileName, Integer attributes);
bool WideFileExists(const WideString& fileName);
bool WideDirectoryExists(const WideString& name);
bool WideDeleteFile(const WideString& fileName);
// Creates dir and the folders above it, whatever separators end it; false when
// one cannot be made. An empty name raises EQevGeneralError.
bool WideForceDirectories(const WideString& dir);
// The program's (module 0) or a module's file name; raises the OS error on failure.
WideString WideGetModuleFileName(HMODULE module);

struct TSearchRecW {
  Integer Time = 0;  // DOS date (high word) and time of the last write, local
  Int64 Size = 0;
  Integer Attr = 0;
  WideString Name;
  Integer ExcludeAttr = 0;
  HANDLE FindHandle = INVALID_HANDLE_VALUE;
  WIN32_FIND_DATAW FindData{};
};

// Hidden, system, volume and directory entries are found only when attr asks
// for them. Results are 0 or the OS error code.
Integer WideFindFirst(const WideString& path, Integer attr, TSearchRecW& rec);
Integer WideFindNext(TSearchRecW& rec);
void WideFindClose(TSearchRecW& rec);

// --------------------------------------------------- dates, locale, checks

// Parsed by the system in the thread locale; bad text raises EConvertError.
TDateTime WideStrToDateTime(const WideString& s);
TDateTime WideStrToDate(const WideString& s);
TDateTime WideStrToTime(const WideString& s);

WideString WideGetLocaleStr(LCID locale, LCTYPE type, const WideString& defaultText);

template <class Handle>
Handle Win32HandleCheck(Handle h) {
  if (!h) RaiseLastOSError();
  return h;
}
template <class Pointer>
Pointer Win32PointerCheck(Pointer p) {
  if (!p) RaiseLastOSError();
  return p;
}

void Initialization_QevSysUtils();
void Finalization_QevSysUtils();
