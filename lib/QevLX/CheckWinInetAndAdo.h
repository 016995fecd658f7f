// The outside components that programs of the framework may need, with the
// versions installed when the program started, and the lines about the
// machine that the exception report appends to its details.
#pragma once

#include "QevClasses.h"
#include "QevLXVerUtils.h"
#include "System.h"
#include "WinApi.h"

extern const TResStringRec SMapiDesc;
extern const TResStringRec SCapiComDesc;
extern const TResStringRec SMdacDesc;
extern const TResStringRec SJetDesc;
extern const TResStringRec SDaoDesc;
extern const TResStringRec SSqlDmoDesc;
extern const TResStringRec SCrystal;
extern const TResStringRec SCrystalSQL;
extern const TResStringRec SCrystalUFL;
extern const TResStringRec SCrystalXLS;
extern const TResStringRec SMapiWebLink;

// Versions below are major * 65536 + minor, compared signed.
struct TNeededComp {
  AnsiString Description;
  WideString ShortName;
  Integer InstalledMajorMinor = 0;       // the high 32 bits of InstalledVersion
  TQevVersionNumber InstalledVersion = 0;  // 0: not installed
  Integer MinVersion = 0;
  Integer MaxVersion = 0x7FFFFFFF;       // 0x7FFFFFFF: no upper limit
  AnsiString DownloadLink;
  WideString SetupFile;
  WideString SetupParams;
  Cardinal SetupFlag = 0;
  Cardinal SetupCode = 0;

  // Installed at the minimum version or newer.
  bool RecentEnough() const { return InstalledVersion != 0 && InstalledMajorMinor >= MinVersion; }
};

// 0 WinInet ("IE"), 1 MAPI, 2 CAPICOM, 3 MDAC, 4 JET, 5 DAO, 6 SQL-DMO,
// 7 CRPE, 8 CRPE-SQL, 9 CRPE-UFL, 10 CRPE-XLS; filled when the unit starts.
constexpr Integer NeededCompCount = 11;
extern TNeededComp NeededComps[NeededCompCount];

// Where the components with a setup program can be downloaded from.
extern const WideChar* const NeededCompDownloadFolder;
// Sets the download link of every entry that has a setup program.
void SetNeededCompDownloadLink(const WideString& Url);
// Adds a module whose version the system information lists (once).
void AddReportModule(const WideString& FileName);
// The exception report's system information (SystemInfoHook): clears Lines
// and fills them.
void CollectSystemInfo(TQevStringList* Lines);

// Parts of the system information, for whole 64-bit figures.
void AddMemoryLines(TQevStrings* Lines, const MEMORYSTATUSEX& Status);
void AddDiskSpaceLines(TQevStrings* Lines, const WideString& Drive, ULONGLONG TotalMB,
                       ULONGLONG FreeMB);

// Start: fills the table, lists the program's own file and installs the hook.
// End: removes the hook and releases the list and the table's texts.
void Initialization_CheckWinInetAndAdo();
void Finalization_CheckWinInetAndAdo();
