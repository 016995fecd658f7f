#include "QevLXUtils.h"

#include <memory>
#include <random>
#include <type_traits>
#include <vector>

#include "Forms.h"
#include "QevLXRegistry.h"
#include "QevRegistry.h"
#include "QevWindows.h"
#include "Scoped.h"
// after <windows.h>
#include <objbase.h>

QEV_RESOURCESTRING(QevLXUtils, SFileCouldntCreate, L"Could not create %s");
QEV_RESOURCESTRING(QevLXUtils, SShellError_LOW_RESOURCES,
                   L"The operating system is out of memory or resources.");
QEV_RESOURCESTRING(QevLXUtils, SShellError_FNF, L"The specified file was not found.");
QEV_RESOURCESTRING(QevLXUtils, SShellError_PNF, L"The specified path was not found.");
QEV_RESOURCESTRING(QevLXUtils, SShellError_ACCESSDENIED,
                   L"The operating system denied access to the specified file.");
QEV_RESOURCESTRING(QevLXUtils, SShellError_OOM,
                   L"There was not enough memory to complete the operation.");
QEV_RESOURCESTRING(QevLXUtils, SShellError_BAD_FORMAT,
                   L"The .exe file is invalid (non-Microsoft Win32\u00AE .exe or error in .exe "
                   L"image).");
QEV_RESOURCESTRING(QevLXUtils, SShellError_SHARE, L"A sharing violation occurred.");
QEV_RESOURCESTRING(QevLXUtils, SShellError_ASSOCINCOMPLETE,
                   L"The file name association is incomplete or invalid.");
QEV_RESOURCESTRING(QevLXUtils, SShellError_DDETIMEOUT,
                   L"The DDE transaction could not be completed because the request timed out.");
QEV_RESOURCESTRING(QevLXUtils, SShellError_DDEFAIL, L"The DDE transaction failed.");
QEV_RESOURCESTRING(QevLXUtils, SShellError_DDEBUSY,
                   L"The Dynamic Data Exchange (DDE) transaction could not be completed because "
                   L"other DDE transactions were being processed.");
QEV_RESOURCESTRING(QevLXUtils, SShellError_NOASSOC_Print, L"The specified file is not printable.");
QEV_RESOURCESTRING(QevLXUtils, SShellError_NOASSOC,
                   L"There is no application associated with the given file name extension.");
QEV_RESOURCESTRING(QevLXUtils, SShellError_DLLNOTFOUND,
                   L"The specified dynamic-link library (DLL) was not found.");
QEV_RESOURCESTRING(QevLXUtils, SProgramRequires, L"This program requires %s.");
QEV_RESOURCESTRING(QevLXUtils, SWhereToDownload, L"You can download it from %s");
QEV_RESOURCESTRING(QevLXUtils, SIE5orNewer, L"Internet Explorer 5.0 or newer");
QEV_RESOURCESTRING(QevLXUtils, SIEWebLink, L"your Windows CD or the browser maker's web site.");

TQevStringList* GarbageCollectedFolderList = nullptr;
TQevStringList* GarbageCollectedFileList = nullptr;
WideString OfficeVersions[OfficeAppCount];
TSystemInfoProc SystemInfoHook = nullptr;
SHORT(WINAPI* AsyncKeyStateFunc)(int VirtualKey) = GetAsyncKeyState;

namespace {

constexpr const WideChar* QevUnitSource = L"lib\\QevLX\\QevLXUtils";  // named by assertions

// The owner of the shell's windows and messages.
HWND ApplicationWindow() { return Application ? Application->Handle() : nullptr; }

}  // namespace

// ------------------------------------------------------ checks and helpers

void CheckCondition(bool Condition, const WideString& Msg) {
  // The message stays wide, so a file name keeps every character.
  if (!Condition) throw Exception(Msg);
}

void CheckAssigned(const void* Object, const WideString& Name) {
  if (!Object) throw EQevInternalError(L"Internal Error: %s not assigned.", {Name});
}

void CheckFileExists(const WideString& FileName) {
  CheckCondition(WideFileExists(FileName), L"Internal Error: File does not exist: " + FileName);
}

namespace {
std::vector<TCursor> CursorStack;
}  // namespace

// The screen's cursor, so that every window of the class library answering
// WM_SETCURSOR shows it too.
void PushCursor(TCursor Cursor) {
  CursorStack.push_back(Screen->Cursor());
  Screen->SetCursor(Cursor);
}

void PopCursor() {
  TCursor cursor = crDefault;
  if (!CursorStack.empty()) {
    cursor = CursorStack.back();
    CursorStack.pop_back();
  }
  Screen->SetCursor(cursor);
}

Cardinal RandomCardinal() {
  static std::mt19937 engine = [] {
    std::random_device device;
    std::seed_seq seed{device(), static_cast<unsigned>(GetTickCount()),
                       static_cast<unsigned>(GetCurrentProcessId())};
    return std::mt19937(seed);
  }();
  return engine();
}

void AppendWithSeparator(WideString& S, const WideString& Text, const WideString& Separator) {
  if (!S.empty()) S += Separator;
  S += Text;
}

bool IsKeyDown(int VirtualKey) {
  // Bit 0 only tells that the key went down since the last call.
  return (AsyncKeyStateFunc(VirtualKey) & 0x8000) != 0;
}

// ------------------------------------------------------ variant comparison

Integer WideCompareWithOptions(const WideString& A, const WideString& B, TLocateOptions Options) {
  WideString a = (Options & loPartialKey) && A.size() > B.size() ? A.substr(0, B.size()) : A;
  return Options & loCaseInsensitive ? WideCompareText(a, B) : WideCompareStr(a, B);
}

bool IsNullOrEmpty(const Variant& V) { return VarIsNull(V) || VarIsEmpty(V); }

bool SameVariantValue(const Variant& A, const Variant& B, TLocateOptions Options) {
  QEV_ASSERT(!VarIsArray(A) && !VarIsArray(B), L"InternalError: Array type variants found.");
  if (Options) {
    // Null has no text; it matches only Null.
    if (VarIsNull(A) || VarIsNull(B)) return VarIsNull(A) && VarIsNull(B);
    return WideCompareWithOptions(A.AsWideString(), B.AsWideString(), Options) == 0;
  }
  if (VarIsEmpty(A)) return VarIsEmpty(B);
  if (VarIsNull(A)) return VarIsNull(B);
  if (IsNullOrEmpty(B)) return false;
  return A == B;
}

bool VariantsEqual(const Variant& A, const Variant& B, TLocateOptions Options) {
  if (VarArrayDimCount(A) != VarArrayDimCount(B)) return false;
  if (!VarIsArray(A)) return SameVariantValue(A, B, Options);
  Integer low = VarArrayLowBound(A, 1), high = VarArrayHighBound(A, 1);
  if (low != VarArrayLowBound(B, 1) || high != VarArrayHighBound(B, 1)) return false;
  for (Integer i = low; i <= high; ++i)
    if (!VariantsEqual(VarArrayGet(A, {i}), VarArrayGet(B, {i}), 0)) return false;
  return true;
}

Integer CompareScalarVariants(const Variant& A, const Variant& B, TLocateOptions Options) {
  QEV_ASSERT(!VarIsArray(A) && !VarIsArray(B), L"InternalError: Array type variants found.");
  if (Options && VarIsStr(A) && VarIsStr(B)) {
    Integer c = WideCompareWithOptions(A.AsWideString(), B.AsWideString(), Options);
    return (c > 0) - (c < 0);
  }
  switch (VarCompareValue(A, B)) {
    case vrLessThan: return -1;
    case vrGreaterThan: return 1;
    case vrEqual: return 0;
    case vrNotEqual: break;
  }
  if (IsNullOrEmpty(A) && !IsNullOrEmpty(B)) return -1;
  if (IsNullOrEmpty(B) && !IsNullOrEmpty(A)) return 1;
  return 0;
}

Integer CompareVariants(const Variant& A, const Variant& B, TLocateOptions Options) {
  QEV_ASSERT(VarArrayDimCount(A) == VarArrayDimCount(B),
             L"CompareVariants: Must have same dim count.");
  if (!VarIsArray(A)) return CompareScalarVariants(A, B, Options);
  Integer low = VarArrayLowBound(A, 1), high = VarArrayHighBound(A, 1);
  QEV_ASSERT(low == VarArrayLowBound(B, 1), L"CompareVariants: Must have same lower bound.");
  QEV_ASSERT(high == VarArrayHighBound(B, 1), L"CompareVariants: Must have same upper bound.");
  for (Integer i = low; i <= high; ++i)
    if (Integer c = CompareVariants(VarArrayGet(A, {i}), VarArrayGet(B, {i}), Options)) return c;
  return 0;
}

// ---------------------------------------------------- files and folders

void ClearReadOnly(const WideString& FileName) {
  Integer attributes = WideFileGetAttr(FileName);
  if (attributes == -1) {
    DWORD error = GetLastError();
    if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND) return;
    RaiseLastOSError(error);
  }
  if (attributes & FILE_ATTRIBUTE_READONLY)
    Win32Check(WideFileSetAttr(FileName, attributes & ~FILE_ATTRIBUTE_READONLY));
}

void ForceDeleteFile(const WideString& FileName) {
  if (WideDeleteFile(FileName)) return;
  ClearReadOnly(FileName);
  Win32Check(WideDeleteFile(FileName));
}

void ForceCreateFolder(const WideString& Path) {
  if (!WideForceDirectories(Path)) throw EQevGeneralError(SFileCouldntCreate, {Path});
}

WideString WideIncludeTrailingBackslash(const WideString& Path) {
  return WideLastChar(Path) == L'\\' ? Path : Path + L"\\";
}

WideString WideExtractFileNameWithoutExt(const WideString& FileName) {
  return WideChangeFileExt(WideExtractFileName(FileName), L"");
}

namespace {

// The name under which a search finds the path's last element. A wildcard
// would find some other entry.
bool FindLongName(const WideString& Path, WideString& Name) {
  if (Path.find_first_of(L"*?") != WideString::npos) return false;
  TSearchRecW rec;
  constexpr Integer faAnyFile = 63;
  if (WideFindFirst(Path, faAnyFile, rec) != 0) return false;
  Name = rec.Name;
  WideFindClose(rec);
  return true;
}

}  // namespace

WideString WideGetLongNamePart(const WideString& Path) {
  WideString name;
  return FindLongName(Path, name) ? name : Path;
}

WideString WideGetLongFileName(const WideString& FileName) {
  if (FileName.empty()) return {};
  WideString path = WideExpandFileName(FileName);
  WideString folder = WideExtractFileDir(path);
  if (folder == path) return path;  // a root
  WideString name;
  // An element that does not exist keeps its own name, never the whole path.
  if (!FindLongName(path, name)) name = WideExtractFileName(path);
  if (folder.empty()) return name;
  return WideIncludeTrailingBackslash(WideGetLongFileName(folder)) + name;
}

WideString WideGetTempPath() {
  return ReadSizedText<WideChar>(MAX_PATH, [](LPWSTR buffer, DWORD size) {
    return Qev_GetTempPathW(size, buffer);
  });
}

WideString WideGetWindowsFolder() {
  return ReadSizedText<WideChar>(MAX_PATH, [](LPWSTR buffer, DWORD size) {
    return static_cast<DWORD>(Qev_GetWindowsDirectoryW(buffer, size));
  });
}

WideString WideGetExeFileName() { return WideGetModuleFileName(nullptr); }

void ShellFileOperation(HWND Window, UINT Operation, const WideString& From,
                        const WideString& ProgressTitle, FILEOP_FLAGS Flags,
                        const WideString& To) {
  // The shell reads lists of names that end with an empty one.
  WideString from = From + L'\0', to = To + L'\0';
  SHFILEOPSTRUCTW operation{};
  operation.hwnd = Window;
  operation.wFunc = Operation;
  operation.pFrom = from.c_str();
  operation.pTo = To.empty() ? nullptr : to.c_str();
  operation.fFlags = Flags;
  operation.lpszProgressTitle = ProgressTitle.c_str();
  if (Qev_SHFileOperationW(&operation) != 0 || operation.fAnyOperationsAborted) Abort();
}

void ShellDeleteFolder(const WideString& Path, FILEOP_FLAGS Flags, const WideString& ProgressTitle) {
  WideString path = WideDirectoryExists(Path) ? WideExcludeTrailingBackslash(Path) : Path;
  ShellFileOperation(ApplicationWindow(), FO_DELETE, path, ProgressTitle, Flags);
}

// ------------------------------------------------ temporary files and folders

namespace {

WideString ExistingFolder(const WideString& Folder) {
  WideString folder = WideIncludeTrailingBackslash(Folder);
  if (!WideDirectoryExists(folder)) ForceCreateFolder(folder);
  return folder;
}

}  // namespace

WideString GetUniqueFileName(const WideString& Ext, const WideString& Folder,
                             const WideString& Prefix) {
  WideString folder = ExistingFolder(Folder == TempPathFolder ? WideGetTempPath() : Folder);
  for (;;) {
    WideString name = folder + Prefix + L"-" +
                      WideFormat(L"%x", {static_cast<Integer>(RandomCardinal() & 0xFFFF)}) + Ext;
    // Created exclusively: a name drawn by another process at the same time
    // makes this one draw again instead of sharing the file.
    HANDLE file = Qev_CreateFileW(name.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                  FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file != INVALID_HANDLE_VALUE) {
      CloseHandle(file);
      return name;
    }
    DWORD error = GetLastError();
    if (WideFileGetAttr(name) == -1) RaiseLastOSError(error);
  }
}

WideString GetGcTempFileName(const WideString& Ext) {
  CheckAssigned(GarbageCollectedFileList, L"GarbageCollectedFileList");
  WideString name = GetUniqueFileName(Ext, TempPathFolder, L"tmp");
  GarbageCollectedFileList->Add(name);
  return name;
}

WideString NewGcTempFolder() {
  CheckAssigned(GarbageCollectedFolderList, L"GarbageCollectedFolderList");
  WideString temp = ExistingFolder(WideGetTempPath());
  for (;;) {
    WideString path = temp + L"Temp" + AnsiToWide(IntToStr(static_cast<Integer>(RandomCardinal()))) +
                      L"\\";
    // Created exclusively, like the files above.
    if (Qev_CreateDirectoryW(path.c_str(), nullptr)) {
      GarbageCollectedFolderList->Add(path);
      return path;
    }
    if (GetLastError() != ERROR_ALREADY_EXISTS) throw EQevGeneralError(SFileCouldntCreate, {path});
  }
}

void DeleteGcFolder(const WideString& Path) {
  try {
    if (WideDirectoryExists(Path))
      ShellDeleteFolder(Path, FOF_NOCONFIRMATION | FOF_NOERRORUI, L"");
    CheckAssigned(GarbageCollectedFolderList, L"GarbageCollectedFolderList");
    Integer index = GarbageCollectedFolderList->IndexOf(Path);
    if (index >= 0) GarbageCollectedFolderList->Delete(index);
  } catch (...) {
    TraceDroppedException(L"DeleteGcFolder");
  }
}

void DeleteAllGcFolders() {
  CheckAssigned(GarbageCollectedFolderList, L"GarbageCollectedFolderList");
  for (Integer i = GarbageCollectedFolderList->Count() - 1; i >= 0; --i)
    DeleteGcFolder(GarbageCollectedFolderList->Get(i));
  GarbageCollectedFolderList->Clear();
}

void DeleteAllGcFiles() {
  CheckAssigned(GarbageCollectedFileList, L"GarbageCollectedFileList");
  for (Integer i = 0; i < GarbageCollectedFileList->Count(); ++i)
    WideDeleteFile(GarbageCollectedFileList->Get(i));
  GarbageCollectedFileList->Clear();
}

// ------------------------------------------------ shell execution, errors

void WideShellExecuteChecked(HWND Window, const WideString& Verb, const WideString& FileName,
                             INT ShowCmd, const WideString& Parameters, const WideString& Folder) {
  HINSTANCE result = Qev_ShellExecuteW(Window, Verb.c_str(), FileName.c_str(),
                                       PWideCharOrNil(Parameters), PWideCharOrNil(Folder), ShowCmd);
  CheckShellExecuteResult(reinterpret_cast<INT_PTR>(result), Verb, FileName);
}

void WideShellOpen(const WideString& FileName, const WideString& Parameters,
                   const WideString& Folder, INT ShowCmd) {
  WideShellExecuteChecked(ApplicationWindow(), L"open", FileName, ShowCmd, Parameters, Folder);
}

namespace {

const TResStringRec* ShellErrorText(INT_PTR Code, const WideString& Verb) {
  switch (Code) {
    case 0: return &SShellError_LOW_RESOURCES;
    case SE_ERR_FNF: return &SShellError_FNF;
    case SE_ERR_PNF: return &SShellError_PNF;
    case SE_ERR_ACCESSDENIED: return &SShellError_ACCESSDENIED;
    case SE_ERR_OOM: return &SShellError_OOM;
    case ERROR_BAD_FORMAT: return &SShellError_BAD_FORMAT;
    case SE_ERR_SHARE: return &SShellError_SHARE;
    case SE_ERR_ASSOCINCOMPLETE: return &SShellError_ASSOCINCOMPLETE;
    case SE_ERR_DDETIMEOUT: return &SShellError_DDETIMEOUT;
    case SE_ERR_DDEFAIL: return &SShellError_DDEFAIL;
    case SE_ERR_DDEBUSY: return &SShellError_DDEBUSY;
    case SE_ERR_NOASSOC:
      return WideSameText(Verb, L"print") ? &SShellError_NOASSOC_Print : &SShellError_NOASSOC;
    case SE_ERR_DLLNOTFOUND: return &SShellError_DLLNOTFOUND;
    default: return nullptr;
  }
}

}  // namespace

void CheckShellExecuteResult(INT_PTR Code, const WideString& Verb, const WideString& FileName) {
  if (Code > 32) return;
  if (const TResStringRec* text = ShellErrorText(Code, Verb)) throw EQevGeneralError(*text);
  throw EQevInternalError(L"Internal Error: ShellExecute() returned code %d for \"%s\".",
                          {static_cast<Integer>(Code), FileName});
}

WideString GetModuleErrorText(const WideString& ModuleName, HMODULE Module, DWORD Code) {
  // Inserts stay as they stand: there are no arguments to put in them. The
  // system sizes the buffer, so long texts are not lost.
  constexpr DWORD flags = FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_HMODULE |
                          FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS;
  WideString text;
  if (UnicodeApiAvailable) {
    LPWSTR buffer = nullptr;
    DWORD n = FormatMessageW(flags, Module, Code, 0, reinterpret_cast<LPWSTR>(&buffer), 0, nullptr);
    TLocalOwner owner(buffer);
    if (n) text.assign(buffer, n);
  } else {
    LPSTR buffer = nullptr;
    DWORD n = FormatMessageA(flags, Module, Code, 0, reinterpret_cast<LPSTR>(&buffer), 0, nullptr);
    TLocalOwner owner(buffer);
    if (n) text = AnsiToWide(buffer, static_cast<Integer>(n));
  }
  text = Trim(text);
  if (text.empty())
    return WideFormat(L"Unspecified error (%d) from library (%s).",
                      {static_cast<Integer>(Code), ModuleName});
  return text;
}

WideString WinInetErrorText(DWORD Code) {
  return GetModuleErrorText(L"wininet", GetModuleHandleA("wininet"), Code);
}

// -------------------------------------------------- component probes

namespace {

TQevVersionNumber FileVersionIfExists(const WideString& FileName) {
  return WideFileExists(FileName) ? GetFileVersionNumber(FileName) : 0;
}

TQevVersionNumber DllVersion(const WideString& Name) {
  return FileVersionIfExists(FindDllFullPath(Name));
}

// The version and one text of the version resource of the library Name.
TQevVersionNumber DllVersionAndText(const WideString& Name, const WideString& ValueName,
                                    WideString& Text) {
  Text.clear();
  WideString path = FindDllFullPath(Name);
  if (!WideFileExists(path)) return 0;
  Text = GetFileVersionString(ValueName, path);
  return GetFileVersionNumber(path);
}

TQevVersionNumber CrystalFileVersion(const WideString& Name) {
  return FileVersionIfExists(WideIncludeTrailingBackslash(WideGetWindowsFolder()) + L"Crystal\\" +
                             Name);
}

// The first of the two classes that is installed.
TQevVersionNumber ProgIdVersion(const WideString& ProgId, const WideString& OtherProgId = {}) {
  TQevVersionNumber version = GetProgIdVersion(ProgId);
  return version || OtherProgId.empty() ? version : GetProgIdVersion(OtherProgId);
}

}  // namespace

WideString FindDllFullPath(const WideString& Name) {
  TModuleOwner module(Qev_LoadLibraryExW(Name.c_str(), nullptr, DONT_RESOLVE_DLL_REFERENCES));
  if (!module) return {};
  return WideGetModuleFileName(module.get());
}

TQevVersionNumber GetWinInetVersion() { return DllVersion(L"wininet"); }
TQevVersionNumber GetMapiVersion() { return DllVersion(L"mapi32"); }
TQevVersionNumber GetCrystalRuntimeVersion() { return DllVersion(L"Crpe32"); }

WideString GetMapiCompanyName() {
  WideString company;
  DllVersionAndText(L"mapi32", L"CompanyName", company);
  return company;
}

TQevVersionNumber GetRpaWinInetVersion(WideString& CompanyName) {
  return DllVersionAndText(L"Rpawinet", L"CompanyName", CompanyName);
}

TQevVersionNumber GetKernelVersion(WideString& ProductName) {
  return DllVersionAndText(L"kernel32", L"ProductName", ProductName);
}

TQevVersionNumber GetCrystalOleDbVersion() { return CrystalFileVersion(L"p2soledb.dll"); }
TQevVersionNumber GetCrystalUflVersion() { return CrystalFileVersion(L"u2lcom.dll"); }
TQevVersionNumber GetCrystalXlsVersion() { return CrystalFileVersion(L"U2FXLS.DLL"); }

WideString GetComServerFileName(const CLSID& ClassId) {
  WCHAR text[40] = {};
  StringFromGUID2(ClassId, text, 40);
  TQevRegistry registry(KEY_READ);
  registry.SetRootKey(HKEY_CLASSES_ROOT);
  if (!registry.OpenKeyReadOnly("CLSID\\" + WideToAnsi(text) + "\\InprocServer32")) return {};
  // Another program may have written any type there; a probe never raises.
  const TRegDataType type = registry.GetDataType("");
  if (type != rdString && type != rdExpandString) return {};
  return registry.ReadString(L"");
}

WideString GetProgIdFileName(const WideString& ProgId) {
  CLSID classId;
  if (FAILED(CLSIDFromProgID(ProgId.c_str(), &classId))) return {};
  return GetComServerFileName(classId);
}

TQevVersionNumber GetProgIdVersion(const WideString& ProgId) {
  return FileVersionIfExists(GetProgIdFileName(ProgId));
}

TQevVersionNumber GetCapicomVersion() { return ProgIdVersion(L"CAPICOM.EncryptedData"); }
TQevVersionNumber GetMdacVersion() {
  return ProgIdVersion(L"RowPosition.RowPosition", L"RowPosition.RowPosition.1");
}
TQevVersionNumber GetJetVersion() { return ProgIdVersion(L"Microsoft.Jet.OLEDB.4.0"); }
TQevVersionNumber GetDaoVersion() { return ProgIdVersion(L"DAO.TableDef.36", L"DAO.TableDef"); }
TQevVersionNumber GetSqlDmoVersion() {
  return ProgIdVersion(L"SQLDMO.Application.7.0", L"SQLDMO.Application");
}

WideString OfficeAppName(TOfficeApps App) {
  static const WideChar* const Names[OfficeAppCount] = {L"Word", L"Excel", L"Outlook", L"Access"};
  return Names[App];
}

WideString GetOfficeInstallRoot(const WideString& Version, const WideString& AppKey) {
  TQevRegistryLX registry(KEY_READ);
  registry.SetRootKey(HKEY_LOCAL_MACHINE);
  WideString key =
      WideFormat(L"Software\\Microsoft\\Office\\%s\\%s\\InstallRoot", {Version, AppKey});
  if (!registry.OpenKeyReadOnly(WideToAnsi(key))) return {};
  try {
    return registry.ReadStringDef(L"Path", L"");
  } catch (const ERegistryException&) {
    TraceDroppedException(L"GetOfficeInstallRoot");
    return {};  // a value that is no text names no folder
  }
}

WideString GetOfficeAppVersion(const WideString& AppKey, const WideString& ExeName) {
  for (const WideChar* version : {L"11.0", L"10.0", L"9.0"}) {
    WideString root = GetOfficeInstallRoot(version, AppKey);
    if (!root.empty() && WideFileExists(WideIncludeTrailingBackslash(root) + ExeName))
      return version;
  }
  return {};
}

// ---------------------------------------------------------- the machine

WideString PlatformName(Integer Platform) {
  switch (Platform) {
    case VER_PLATFORM_WIN32s: return L"Win32s";
    case VER_PLATFORM_WIN32_WINDOWS: return L"Win9x";
    case VER_PLATFORM_WIN32_NT: return L"NT";
    default: return AnsiToWide(IntToStr(Platform));
  }
}

WideString GetOSVersionText() {
  return WideFormat(L"%s %d.%d (Build %d) %s",
                    {PlatformName(Win32Platform), Win32MajorVersion, Win32MinorVersion,
                     Win32BuildNumber, Win32CSDVersion});
}

bool GroupsHoldAdministrators(const TOKEN_GROUPS& Groups) {
  SID_IDENTIFIER_AUTHORITY ntAuthority = SECURITY_NT_AUTHORITY;
  PSID sid = nullptr;
  if (!AllocateAndInitializeSid(&ntAuthority, 2, SECURITY_BUILTIN_DOMAIN_RID,
                                DOMAIN_ALIAS_RID_ADMINS, 0, 0, 0, 0, 0, 0, &sid))
    return false;
  TSidOwner administrators(sid);
  for (DWORD i = 0; i < Groups.GroupCount; ++i)
    if (EqualSid(Groups.Groups[i].Sid, sid)) return true;
  return false;
}

bool IsUserAdmin() {
  if (Win32Platform != VER_PLATFORM_WIN32_NT) return true;
  HANDLE token = nullptr;
  if (!OpenThreadToken(GetCurrentThread(), TOKEN_QUERY, TRUE, &token)) {
    if (GetLastError() != ERROR_NO_TOKEN) return false;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token)) return false;
  }
  THandleOwner owner(token);
  // Asked for the size first: a user in many groups needs a large buffer.
  DWORD size = 0;
  GetTokenInformation(token, TokenGroups, nullptr, 0, &size);
  if (size == 0) return false;
  std::vector<ULONG_PTR> buffer(size / sizeof(ULONG_PTR) + 1);  // pointer-aligned
  if (!GetTokenInformation(token, TokenGroups, buffer.data(), size, &size)) return false;
  return GroupsHoldAdministrators(*reinterpret_cast<const TOKEN_GROUPS*>(buffer.data()));
}

WideString GetComputerNameText() {
  WCHAR name[MAX_COMPUTERNAME_LENGTH + 1] = {};
  DWORD size = MAX_COMPUTERNAME_LENGTH + 1;
  if (!Qev_GetComputerNameW(name, &size)) return {};
  return name;
}

WideString GetUserNameText() {
  constexpr DWORD MaxUserName = 256 + 1;  // UNLEN and the terminator
  WCHAR name[MaxUserName] = {};
  DWORD size = MaxUserName;
  if (!Qev_GetUserNameW(name, &size)) return {};
  return name;
}

WideString GetLocaleText(LCID Lcid, LCTYPE InfoType) {
  return WideGetLocaleStr(Lcid, InfoType, L"???");
}

WideString GetLocaleDisplayName(LCID Lcid) {
  return GetLocaleText(Lcid, LOCALE_SENGLANGUAGE) + L" (" +
         GetLocaleText(Lcid, LOCALE_SENGCOUNTRY) + L")";
}

WideString CodePageIsoName(Integer CodePage) {
  switch (CodePage) {
    case 1250: return L"ISO 8859-2,  Latin 2 (Central Europe)";
    case 1251: return L"ISO 8859-5,  Cyrillic (Slavic)";
    case 1252: return L"ISO 8859-1,  Latin 1 (ANSI)";
    case 1253: return L"ISO 8859-7,  Greek";
    case 1254: return L"ISO 8859-9,  Latin 5 (Turkish)";
    case 1255: return L"ISO 8859-8,  Hebrew";
    case 1256: return L"ISO 8859-6,  Arabic";
    case 1257: return L"ISO 8859-4,  Scandinavia and Baltic Rim";
    default: return L"(Unknown ISO equivalent)";
  }
}

ULONGLONG DiskSizeMB(DWORD SectorsPerCluster, DWORD BytesPerSector, DWORD Clusters) {
  const ULONGLONG cluster = ULONGLONG(SectorsPerCluster) * BytesPerSector;
  // cluster = high * 2^20 + low: the low part's product fits in 53 bits.
  return (cluster >> 20) * Clusters + (((cluster & 0xFFFFF) * Clusters) >> 20);
}

// ------------------------------------------------------- unit start and end

void Initialization_QevLXUtils() {
  GarbageCollectedFolderList = new TQevStringList;
  GarbageCollectedFileList = new TQevStringList;
  OfficeVersions[oaWord] = GetOfficeAppVersion(L"Word", L"WINWORD.EXE");
  OfficeVersions[oaExcel] = GetOfficeAppVersion(L"Excel", L"EXCEL.EXE");
  OfficeVersions[oaOutlook] = GetOfficeAppVersion(L"Outlook", L"OUTLOOK.EXE");
  OfficeVersions[oaAccess] = GetOfficeAppVersion(L"Access", L"MSACCESS.EXE");
}

void Finalization_QevLXUtils() {
  if (GarbageCollectedFolderList) DeleteAllGcFolders();
  if (GarbageCollectedFileList) DeleteAllGcFiles();
  delete GarbageCollectedFolderList;
  GarbageCollectedFolderList = nullptr;
  delete GarbageCollectedFileList;
  GarbageCollectedFileList = nullptr;
  CursorStack.clear();
  for (WideString& version : OfficeVersions) version.clear();
}
