// The setup's helpers: installs a screen-saver file into the Windows folder,
// makes it the active saver and opens the system's settings on it; and the
// few wide file and version routines that only the setup uses.
#pragma once

#include "QevLXUtils.h"
#include "QevLXVerUtils.h"
#include "System.h"
#include "WinApi.h"

extern const TResStringRec SCouldNotRename;  // "Could not rename \"%s\" to \"%s\"."

// ------------------------------------------------------------ wide wrappers

DWORD Qev_GetShortPathNameW(LPCWSTR longPath, LPWSTR buffer, DWORD bufferLength);
BOOL Qev_MoveFileW(LPCWSTR existingFileName, LPCWSTR newFileName);
BOOL Qev_CopyFileW(LPCWSTR existingFileName, LPCWSTR newFileName, BOOL failIfExists);

// ------------------------------------------------------------ files

// The 8.3 form of an existing path; empty when the system cannot give one.
WideString WideGetShortPathName(const WideString& Path);
bool WideRenameFile(const WideString& ExistingName, const WideString& NewName);
bool WideCopyFile(const WideString& ExistingName, const WideString& NewName, bool FailIfExists);
// ForceDeleteFile when the file exists.
void DeleteFileIfExists(const WideString& FileName);
// Copies Source over Dest (read-only or not). The copy is made under a
// temporary name beside Dest first, so a failed copy leaves Dest as it was;
// raises the OS error.
// Puts NewFile (beside Target) in Target's place. The old file is moved aside
// first and restored when the new one cannot take its name, so Target never
// goes missing; an old file that cannot be deleted stays aside.
void ReplaceWithFile(const WideString& NewFile, const WideString& Target);
void CopyFileOverwrite(const WideString& Source, const WideString& Dest);
// Raises EOSError "Could not rename ..." followed by the system's message.
void RenameFileChecked(const WideString& OldName, const WideString& NewName);
// Renames, also when only the letter case changes (through a free name
// "<name>_<n><ext>" beside the file).
void RenameFileCaseAware(const WideString& OldName, const WideString& NewName);
// The first "<folder><name>_<n><ext>" (n = 1, 2, ...) of FileName that no file has.
WideString UnusedNumberedFileName(const WideString& FileName);
// Creates the first such name that is free as an empty file, in one step with
// the test, so two programs never get the same one; raises the OS error when
// the folder refuses the file.
WideString CreateUnusedNumberedFile(const WideString& FileName);
// The running program's folder with a trailing backslash.
WideString WideGetApplicationDir();

// ------------------------------------------------------------ versions

// Major shl 16 or minor: the upper half of a version number.
Cardinal VersionMajorMinor(TQevVersionNumber Version);
Cardinal MakeMajorMinor(Word Major, Word Minor);

// ------------------------------------------------------------ installation

// Copies FileName into the Windows folder, under TargetName when one is given
// (so a file on a read-only medium is installed under another name without
// renaming it there), writes its short path to system.ini [boot]
// SCRNSAVE.EXE and activates the screen saver. Copy errors raise; the rest
// reports nothing. Returns the installed file's path.
WideString InstallScreenSaverFile(const WideString& FileName, const WideString& TargetName = {});
// Opens the display settings on the installed saver; never raises.
void ShowScreenSaverSettings();
// True when the display control panel's InstallScreenSaver entry must not be
// used, also when there is no display control panel.
bool ShouldAvoidDeskCpl();
// Opens the display settings on their screen-saver page through the control
// panel, also when the display panel's own library is not found; never raises.
void OpenScreenSaverSettingsPage();

// ------------------------------------------------------------ test seams

// The folder the saver is installed into (WideGetWindowsFolder).
extern WideString (*SetupWindowsFolderFunc)();
// The profile that holds [boot] SCRNSAVE.EXE ("system.ini").
extern WideString SystemIniFileName;
// SystemParametersInfoW.
extern BOOL(WINAPI* SetupSystemParametersFunc)(UINT Action, UINT Param, PVOID Value, UINT WinIni);
// The display control panel's library ("desk.cpl").
extern WideString DeskCplName;
// Starts the settings programs (WideShellOpen).
extern void (*SetupShellOpenFunc)(const WideString& FileName, const WideString& Parameters,
                                  const WideString& Folder, INT ShowCmd);
// Waits between looks for the display settings window (Sleep).
extern void(WINAPI* SetupSleepFunc)(DWORD Milliseconds);

void Initialization_QevLXSetupUtils();
void Finalization_QevLXSetupUtils();
