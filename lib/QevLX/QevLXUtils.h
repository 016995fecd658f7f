// The framework's toolbox: checks, variant comparison for the data sets, wide
// file and folder helpers, temporary files and folders removed at program end,
// shell execution with readable errors, a cursor stack, and read-only probes
// of installed components and of the machine.
#pragma once

#include "Controls.h"  // TCursor
#include "DB.h"  // TLocateOptions
#include "QevClasses.h"
#include "QevLXVerUtils.h"
#include "QevSysUtils.h"
#include "SysUtils.h"
#include "Variants.h"
#include "WinApi.h"
// after <windows.h>
#include <shellapi.h>

// ------------------------------------------------------ checks and helpers

// Raises Exception with Msg when Condition is false.
void CheckCondition(bool Condition, const WideString& Msg);
// Raises EQevInternalError "Internal Error: <Name> not assigned." for nullptr.
void CheckAssigned(const void* Object, const WideString& Name);
// Raises Exception "Internal Error: File does not exist: " + FileName.
void CheckFileExists(const WideString& FileName);

// Saves the screen cursor and sets Cursor; PopCursor sets the last saved one,
// or crDefault when none is left.
void PushCursor(TCursor Cursor);
void PopCursor();

// A random number over the whole 32-bit range; seeded on first use.
Cardinal RandomCardinal();
void AppendWithSeparator(WideString& S, const WideString& Text, const WideString& Separator);

// GetAsyncKeyState, replaceable by tests.
extern SHORT(WINAPI* AsyncKeyStateFunc)(int VirtualKey);
// True while the key is down (bit 15 of GetAsyncKeyState).
bool IsKeyDown(int VirtualKey);

// ------------------------------------------------------ variant comparison

// loPartialKey cuts A to the length of B; loCaseInsensitive ignores case.
// Negative, 0 or positive.
Integer WideCompareWithOptions(const WideString& A, const WideString& B, TLocateOptions Options);
bool IsNullOrEmpty(const Variant& V);
// Scalars only (arrays fail an assertion). Null and Empty equal only
// themselves; with Options the values compare as texts.
bool SameVariantValue(const Variant& A, const Variant& B, TLocateOptions Options);
// Scalars, or one-dimensional arrays of the same bounds compared element by
// element without options.
bool VariantsEqual(const Variant& A, const Variant& B, TLocateOptions Options);
// -1, 0 or 1; Null and Empty sort first, two values that cannot be ordered
// count as equal. Options apply when both are texts. Arrays fail an assertion.
Integer CompareScalarVariants(const Variant& A, const Variant& B, TLocateOptions Options);
// Scalars, or one-dimensional arrays of the same bounds (else an assertion
// fails): the first element pair that differs decides.
Integer CompareVariants(const Variant& A, const Variant& B, TLocateOptions Options);

// ---------------------------------------------------- files and folders

// Removes the read-only attribute of an existing file or folder; a failure
// to read or write the attributes raises the OS error.
void ClearReadOnly(const WideString& FileName);
// Deletes the file, read-only or not; raises the OS error when it cannot.
void ForceDeleteFile(const WideString& FileName);
// Creates the folder and those above it; raises EQevGeneralError "Could not create %s".
void ForceCreateFolder(const WideString& Path);
WideString WideIncludeTrailingBackslash(const WideString& Path);
inline WideString WideExcludeTrailingBackslash(const WideString& Path) {
  return WideStripTrailingBackslash(Path);
}
WideString WideExtractFileNameWithoutExt(const WideString& FileName);
// The long name of the path's last element, or Path when it is not found.
WideString WideGetLongNamePart(const WideString& Path);
// The full path with every existing element in its long form; elements that
// do not exist are kept as given.
WideString WideGetLongFileName(const WideString& FileName);
// With a trailing backslash.
WideString WideGetTempPath();
WideString WideGetWindowsFolder();
WideString WideGetExeFileName();

// SHFileOperation on one source (and target); a failure or the user's cancel
// raises the silent EAbort.
void ShellFileOperation(HWND Window, UINT Operation, const WideString& From,
                        const WideString& ProgressTitle, FILEOP_FLAGS Flags,
                        const WideString& To = {});
void ShellDeleteFolder(const WideString& Path, FILEOP_FLAGS Flags, const WideString& ProgressTitle);

// ------------------------------------------------ temporary files and folders

// Folders and files deleted when this unit ends; nullptr outside its life.
extern TQevStringList* GarbageCollectedFolderList;
extern TQevStringList* GarbageCollectedFileList;

// Stands for the system's temporary folder as GetUniqueFileName's Folder.
constexpr const WideChar* TempPathFolder = L"**WideGetTempPath**";
// Creates (and returns) a new empty file Folder\Prefix-XXXX<Ext>, XXXX being
// random upper-case hexadecimal; the folder is created when missing. The file
// is created exclusively, so no existing file is ever reused.
WideString GetUniqueFileName(const WideString& Ext, const WideString& Folder,
                             const WideString& Prefix);
// A new empty file in the temporary folder, deleted at program end.
WideString GetGcTempFileName(const WideString& Ext);
// A new folder in the temporary folder (with a trailing backslash), deleted
// with its contents at program end.
WideString NewGcTempFolder();
// Deletes the folder with its contents and forgets it; never raises.
void DeleteGcFolder(const WideString& Path);
void DeleteAllGcFolders();
void DeleteAllGcFiles();

// ------------------------------------------------ shell execution, errors

extern const TResStringRec SFileCouldntCreate;
extern const TResStringRec SShellError_LOW_RESOURCES;
extern const TResStringRec SShellError_FNF;
extern const TResStringRec SShellError_PNF;
extern const TResStringRec SShellError_ACCESSDENIED;
extern const TResStringRec SShellError_OOM;
extern const TResStringRec SShellError_BAD_FORMAT;
extern const TResStringRec SShellError_SHARE;
extern const TResStringRec SShellError_ASSOCINCOMPLETE;
extern const TResStringRec SShellError_DDETIMEOUT;
extern const TResStringRec SShellError_DDEFAIL;
extern const TResStringRec SShellError_DDEBUSY;
extern const TResStringRec SShellError_NOASSOC_Print;
extern const TResStringRec SShellError_NOASSOC;
extern const TResStringRec SShellError_DLLNOTFOUND;

void WideShellExecuteChecked(HWND Window, const WideString& Verb, const WideString& FileName,
                             INT ShowCmd, const WideString& Parameters = {},
                             const WideString& Folder = {});
void WideShellOpen(const WideString& FileName, const WideString& Parameters = {},
                   const WideString& Folder = {}, INT ShowCmd = SW_SHOWNORMAL);
// Codes above 32 are success; a known code raises EQevGeneralError with its
// text, any other EQevInternalError.
void CheckShellExecuteResult(INT_PTR Code, const WideString& Verb, const WideString& FileName);
// The message text of Code from Module or the system, inserts left as they
// stand; "Unspecified error (%d) from library (%s)." when there is none.
WideString GetModuleErrorText(const WideString& ModuleName, HMODULE Module, DWORD Code);
WideString WinInetErrorText(DWORD Code);

// -------------------------------------------------- component probes

// Probes answer 0 or an empty text for whatever is missing; none raises.

// The browser that WinInet comes with: its name and where to get it, for the
// messages that say a program requires it.
extern const TResStringRec SProgramRequires;
extern const TResStringRec SWhereToDownload;
extern const TResStringRec SIE5orNewer;
extern const TResStringRec SIEWebLink;

// The file that the system loads for the library Name; empty when it cannot be loaded.
WideString FindDllFullPath(const WideString& Name);
TQevVersionNumber GetWinInetVersion();
TQevVersionNumber GetMapiVersion();
TQevVersionNumber GetCrystalRuntimeVersion();
WideString GetMapiCompanyName();
TQevVersionNumber GetRpaWinInetVersion(WideString& CompanyName);
TQevVersionNumber GetKernelVersion(WideString& ProductName);
TQevVersionNumber GetCrystalOleDbVersion();
TQevVersionNumber GetCrystalUflVersion();
TQevVersionNumber GetCrystalXlsVersion();

// The in-process server registered for the class.
WideString GetComServerFileName(const CLSID& ClassId);
WideString GetProgIdFileName(const WideString& ProgId);
TQevVersionNumber GetProgIdVersion(const WideString& ProgId);
TQevVersionNumber GetCapicomVersion();
TQevVersionNumber GetMdacVersion();
TQevVersionNumber GetJetVersion();
TQevVersionNumber GetDaoVersion();
TQevVersionNumber GetSqlDmoVersion();

enum TOfficeApps { oaWord, oaExcel, oaOutlook, oaAccess };
constexpr Integer OfficeAppCount = 4;
// "Word", "Excel", "Outlook", "Access".
WideString OfficeAppName(TOfficeApps App);
// The versions ("11.0", "10.0", "9.0" or empty) found when this unit started.
extern WideString OfficeVersions[OfficeAppCount];
inline bool OfficeAppInstalled(TOfficeApps App) { return !OfficeVersions[App].empty(); }
WideString GetOfficeInstallRoot(const WideString& Version, const WideString& AppKey);
// The newest of "11.0", "10.0" and "9.0" whose install root holds ExeName.
WideString GetOfficeAppVersion(const WideString& AppKey, const WideString& ExeName);

// ---------------------------------------------------------- the machine

// "Win32s", "Win9x", "NT" or the number.
WideString PlatformName(Integer Platform);
// "NT 6.1 (Build 7601) Service Pack 1".
WideString GetOSVersionText();
// Whether the user's token holds the Administrators group; true off NT.
bool IsUserAdmin();
// Whether the groups hold the built-in Administrators group.
bool GroupsHoldAdministrators(const TOKEN_GROUPS& Groups);
WideString GetComputerNameText();
WideString GetUserNameText();
// "???" when the information cannot be read.
WideString GetLocaleText(LCID Lcid, LCTYPE InfoType);
// The English language and country names: "English (United States)".
WideString GetLocaleDisplayName(LCID Lcid);
WideString CodePageIsoName(Integer CodePage);
// Whole megabytes (rounded down) of a disk of Clusters clusters; never
// overflows short of a result beyond 64 bits.
ULONGLONG DiskSizeMB(DWORD SectorsPerCluster, DWORD BytesPerSector, DWORD Clusters);

// The exception report's hook that appends lines about the machine to its
// details; nullptr when none is installed.
using TSystemInfoProc = void (*)(TQevStringList* Lines);
extern TSystemInfoProc SystemInfoHook;

// ------------------------------------------------------- unit start and end

// Start: the cursor stack, the clean-up lists and the Office versions. End:
// deletes the listed folders, then the files, and frees the lists.
void Initialization_QevLXUtils();
void Finalization_QevLXUtils();
