#include "QevLXSetupUtils.h"

#include "QevSysUtils.h"
#include "QevWindows.h"
// after <windows.h>
#include <commctrl.h>

QEV_RESOURCESTRING(QevLXSetupUtils, SCouldNotRename, L"Could not rename \"%s\" to \"%s\".");

WideString (*SetupWindowsFolderFunc)() = WideGetWindowsFolder;
WideString SystemIniFileName = L"system.ini";
BOOL(WINAPI* SetupSystemParametersFunc)(UINT, UINT, PVOID, UINT) = SystemParametersInfoW;
WideString DeskCplName = L"desk.cpl";
void (*SetupShellOpenFunc)(const WideString&, const WideString&, const WideString&,
                           INT) = WideShellOpen;
void(WINAPI* SetupSleepFunc)(DWORD) = Sleep;

namespace {

AnsiString AnsiOf(LPCWSTR text) { return text ? WideToAnsi(WideString(text)) : AnsiString(); }

constexpr const WideChar* BootSection = L"boot";
constexpr const WideChar* ScreenSaverKey = L"SCRNSAVE.EXE";

}  // namespace

// ------------------------------------------------------------ wide wrappers

DWORD Qev_GetShortPathNameW(LPCWSTR longPath, LPWSTR buffer, DWORD bufferLength) {
  if (UnicodeApiAvailable) return GetShortPathNameW(longPath, buffer, bufferLength);
  AnsiString path = AnsiOf(longPath);
  AnsiString shortPath = ReadSizedText<AnsiChar>(2 * MAX_PATH, [&](LPSTR b, DWORD n) {
    return GetShortPathNameA(path.c_str(), b, n);
  });
  if (shortPath.empty()) return 0;
  return CopyAnsiResultToWideBuffer(bufferLength, buffer, shortPath, 0);
}

BOOL Qev_MoveFileW(LPCWSTR existingFileName, LPCWSTR newFileName) {
  if (UnicodeApiAvailable) return MoveFileW(existingFileName, newFileName);
  return MoveFileA(AnsiOf(existingFileName).c_str(), AnsiOf(newFileName).c_str());
}

BOOL Qev_CopyFileW(LPCWSTR existingFileName, LPCWSTR newFileName, BOOL failIfExists) {
  if (UnicodeApiAvailable) return CopyFileW(existingFileName, newFileName, failIfExists);
  return CopyFileA(AnsiOf(existingFileName).c_str(), AnsiOf(newFileName).c_str(), failIfExists);
}

// ------------------------------------------------------------ files

WideString WideGetShortPathName(const WideString& Path) {
  return ReadSizedText<WideChar>(MAX_PATH, [&](LPWSTR buffer, DWORD size) {
    return Qev_GetShortPathNameW(Path.c_str(), buffer, size);
  });
}

bool WideRenameFile(const WideString& ExistingName, const WideString& NewName) {
  return Qev_MoveFileW(ExistingName.c_str(), NewName.c_str()) != FALSE;
}

bool WideCopyFile(const WideString& ExistingName, const WideString& NewName, bool FailIfExists) {
  return Qev_CopyFileW(ExistingName.c_str(), NewName.c_str(), FailIfExists) != FALSE;
}

void DeleteFileIfExists(const WideString& FileName) {
  if (WideFileExists(FileName)) ForceDeleteFile(FileName);
}

namespace {

// Calls Claim with "<folder><name>_<n><ext>" of FileName, n = 1, 2, ..., until
// it takes one; that name is the result.
template <class F>
WideString FirstNumberedFileName(const WideString& FileName, F Claim) {
  const WideString stem = WideExtractFilePath(FileName) + WideExtractFileNameWithoutExt(FileName);
  const WideString ext = WideExtractFileExt(FileName);
  for (Integer n = 1;; ++n) {
    WideString name = stem + L"_" + AnsiToWide(IntToStr(n)) + ext;
    if (Claim(name)) return name;
  }
}

}  // namespace

WideString UnusedNumberedFileName(const WideString& FileName) {
  return FirstNumberedFileName(FileName,
                               [](const WideString& Name) { return WideFileGetAttr(Name) == -1; });
}

WideString CreateUnusedNumberedFile(const WideString& FileName) {
  return FirstNumberedFileName(FileName, [](const WideString& Name) {
    HANDLE file = Qev_CreateFileW(Name.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                  FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file != INVALID_HANDLE_VALUE) {
      CloseHandle(file);
      return true;
    }
    const DWORD error = GetLastError();
    // Taken, by a file or a folder: the next number.
    if (error == ERROR_FILE_EXISTS || error == ERROR_ALREADY_EXISTS || WideFileGetAttr(Name) != -1)
      return false;
    RaiseLastOSError(error);
  });
}

void ReplaceWithFile(const WideString& NewFile, const WideString& Target) {
  WideString aside;
  if (WideFileGetAttr(Target) != -1) {
    aside = UnusedNumberedFileName(Target + L".old");
    RenameFileChecked(Target, aside);
  }
  if (!WideRenameFile(NewFile, Target)) {
    DWORD error = GetLastError();
    if (!aside.empty()) WideRenameFile(aside, Target);
    RaiseLastOSError(error);
  }
  if (aside.empty()) return;
  try {
    ForceDeleteFile(aside);
  } catch (const Exception&) {
    // A saver that is running keeps its old file open; it stays behind under
    // a name that no list of savers shows.
    TraceDroppedException(L"ReplaceWithFile: removing the old file");
  }
}

void CopyFileOverwrite(const WideString& Source, const WideString& Dest) {
  WideString copy = UnusedNumberedFileName(Dest + L".new");
  if (!WideCopyFile(Source, copy, true)) {
    DWORD error = GetLastError();
    if (error != ERROR_FILE_EXISTS) WideDeleteFile(copy);  // a partial copy
    RaiseLastOSError(error);
  }
  TScopeExit removeCopy([&copy] { WideDeleteFile(copy); });
  ReplaceWithFile(copy, Dest);
  removeCopy.Dismiss();
}

void RenameFileChecked(const WideString& OldName, const WideString& NewName) {
  if (WideRenameFile(OldName, NewName)) return;
  DWORD error = GetLastError();
  EOSError e(WideFormat(LoadResString(SCouldNotRename), {OldName, NewName}) + L"\r\n\r\n" +
             SysErrorMessage(error));
  e.ErrorCode = error;
  throw e;
}

void RenameFileCaseAware(const WideString& OldName, const WideString& NewName) {
  if (!WideSameText(OldName, NewName)) {
    RenameFileChecked(OldName, NewName);
    return;
  }
  // The system sees the same name, so the new letter case needs a detour.
  WideString temp = UnusedNumberedFileName(OldName);
  RenameFileChecked(OldName, temp);
  RenameFileChecked(temp, NewName);
}

WideString WideGetApplicationDir() { return WideExtractFilePath(WideGetExeFileName()); }

// ------------------------------------------------------------ versions

Cardinal VersionMajorMinor(TQevVersionNumber Version) {
  return static_cast<Cardinal>(Version >> 32);
}

Cardinal MakeMajorMinor(Word Major, Word Minor) {
  return (static_cast<Cardinal>(Major) << 16) | static_cast<Cardinal>(Minor & 0xFFFF);
}

// ------------------------------------------------------------ installation

namespace {

WideString SetupWindowsFolder() { return WideIncludeTrailingBackslash(SetupWindowsFolderFunc()); }

WideString SystemFolder() {
  if (UnicodeApiAvailable)
    return ReadSizedText<WideChar>(MAX_PATH, [](LPWSTR b, DWORD n) {
      return static_cast<DWORD>(GetSystemDirectoryW(b, n));
    });
  return AnsiToWide(ReadSizedText<AnsiChar>(MAX_PATH, [](LPSTR b, DWORD n) {
    return static_cast<DWORD>(GetSystemDirectoryA(b, n));
  }));
}

// The wide profile functions keep a path that the code page cannot hold.
void WriteScreenSaverEntry(const WideString& Value) {
  if (UnicodeApiAvailable) {
    WritePrivateProfileStringW(BootSection, ScreenSaverKey, Value.c_str(),
                               SystemIniFileName.c_str());
  } else {
    WritePrivateProfileStringA(AnsiOf(BootSection).c_str(), AnsiOf(ScreenSaverKey).c_str(),
                               WideToAnsi(Value).c_str(), WideToAnsi(SystemIniFileName).c_str());
  }
}

WideString ReadScreenSaverEntry() {
  if (UnicodeApiAvailable) {
    WideChar buffer[MAX_PATH + 1] = {};
    DWORD n = GetPrivateProfileStringW(BootSection, ScreenSaverKey, L"", buffer, MAX_PATH + 1,
                                       SystemIniFileName.c_str());
    return WideString(buffer, n);
  }
  AnsiChar buffer[MAX_PATH + 1] = {};
  DWORD n = GetPrivateProfileStringA(AnsiOf(BootSection).c_str(), AnsiOf(ScreenSaverKey).c_str(),
                                     "", buffer, MAX_PATH + 1,
                                     WideToAnsi(SystemIniFileName).c_str());
  return AnsiToWide(AnsiString(buffer, n));
}

WideString DeskCplPath() { return FindDllFullPath(DeskCplName); }

HWND FindTopLevelWindow(const WideChar* ClassName, const WideChar* Title) {
  if (UnicodeApiAvailable) return FindWindowW(ClassName, Title);
  return FindWindowA(AnsiOf(ClassName).c_str(), AnsiOf(Title).c_str());
}

HWND FindUntitledChild(HWND Parent, const WideChar* ClassName) {
  if (UnicodeApiAvailable) return FindWindowExW(Parent, nullptr, ClassName, L"");
  return FindWindowExA(Parent, nullptr, AnsiOf(ClassName).c_str(), "");
}

// Switches the display settings, once they show, to their second tab.
void SelectScreenSaverTab() {
  constexpr DWORD pollInterval = 250;
  constexpr int polls = 2000 / pollInterval;
  for (int i = 0;; ++i) {
    if (HWND dialog = FindTopLevelWindow(L"#32770", L"Display Properties")) {
      if (HWND tabs = FindUntitledChild(dialog, L"SysTabControl32"))
        PostMessageW(tabs, TCM_SETCURFOCUS, 1, 0);
      return;
    }
    if (i == polls) return;
    SetupSleepFunc(pollInterval);
  }
}

}  // namespace

WideString InstallScreenSaverFile(const WideString& FileName, const WideString& TargetName) {
  WideString target =
      SetupWindowsFolder() + (TargetName.empty() ? WideExtractFileName(FileName) : TargetName);
  CopyFileOverwrite(FileName, target);
  WideString shortPath = WideGetShortPathName(target);
  WriteScreenSaverEntry(shortPath.empty() ? target : shortPath);
  SetupSystemParametersFunc(SPI_SETSCREENSAVEACTIVE, 1, nullptr, SPIF_UPDATEINIFILE);
  return target;
}

bool ShouldAvoidDeskCpl() {
  WideString path = DeskCplPath();
  if (path.empty()) return true;
  bool v40 = Win32MajorVersion == 4 && Win32MinorVersion == 0;
  if (Win32Platform == VER_PLATFORM_WIN32_WINDOWS && v40) {
    // Versions of the display panel whose InstallScreenSaver entry misbehaves.
    TQevVersionNumber version = GetFileVersionNumber(path);
    return version == MakeVersionNumber(4, 72, 3110, 0) ||
           version == MakeVersionNumber(4, 71, 1712, 0);
  }
  return Win32Platform == VER_PLATFORM_WIN32_NT && v40 &&
         VersionMajorMinor(GetWinInetVersion()) < MakeMajorMinor(4, 72);
}

void ShowScreenSaverSettings() {
  try {
    WideString path = ReadScreenSaverEntry();
    if (!path.empty()) path = WideExpandFileName(path);  // an empty name would expand to a folder
    if (path.empty() || ShouldAvoidDeskCpl()) {
      OpenScreenSaverSettingsPage();
      return;
    }
    SetupShellOpenFunc(L"rundll32.exe", DeskCplName + L",InstallScreenSaver " + path,
                       SetupWindowsFolder(), SW_SHOWNORMAL);
  } catch (const Exception&) {
    OpenScreenSaverSettingsPage();
  }
}

void OpenScreenSaverSettingsPage() {
  try {
    WideString folder = SetupWindowsFolder();
    if (!WideFileExists(folder + L"Control.exe"))
      folder = WideIncludeTrailingBackslash(SystemFolder());
    SetupShellOpenFunc(L"Control.exe", DeskCplName, folder, SW_SHOW);
    SelectScreenSaverTab();
  } catch (...) {
    TraceDroppedException(L"OpenScreenSaverSettingsPage");
  }
}

void Initialization_QevLXSetupUtils() {}
void Finalization_QevLXSetupUtils() {}
