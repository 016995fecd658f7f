#include "CheckWinInetAndAdo.h"

#include <memory>

#include "QevLXUtils.h"
#include "QevSysUtils.h"
#include "QevWindows.h"

QEV_RESOURCESTRING(CheckWinInetAndAdo, SMapiDesc, L"Windows Messaging (mapi32.dll)");
QEV_RESOURCESTRING(CheckWinInetAndAdo, SCapiComDesc, L"Microsoft CryptoAPI for COM 2.0");
QEV_RESOURCESTRING(CheckWinInetAndAdo, SMdacDesc, L"Microsoft Data Access Components (MDAC) 2.5");
QEV_RESOURCESTRING(CheckWinInetAndAdo, SJetDesc, L"Microsoft Jet 4.0 Drivers");
QEV_RESOURCESTRING(CheckWinInetAndAdo, SDaoDesc, L"Microsoft DAO 3.6");
QEV_RESOURCESTRING(CheckWinInetAndAdo, SSqlDmoDesc, L"Microsoft SQL-DMO Objects");
QEV_RESOURCESTRING(CheckWinInetAndAdo, SCrystal, L"Seagate Crystal Reports 8.5 Runtime");
QEV_RESOURCESTRING(CheckWinInetAndAdo, SCrystalSQL, L"Seagate Crystal Reports OLEDB Driver");
QEV_RESOURCESTRING(CheckWinInetAndAdo, SCrystalUFL, L"Seagate Crystal Reports UFL Support");
QEV_RESOURCESTRING(CheckWinInetAndAdo, SCrystalXLS, L"Seagate Crystal Reports XLS Support");
QEV_RESOURCESTRING(CheckWinInetAndAdo, SMapiWebLink, L"your Windows CD.");

TNeededComp NeededComps[NeededCompCount];
const WideChar* const NeededCompDownloadFolder = L"https://www.example.com/downloads/";

namespace {

constexpr Integer MajorMinor(Integer Major, Integer Minor) { return (Major << 16) | Minor; }
constexpr Integer NoLimit = 0x7FFFFFFF;
constexpr Cardinal RebootRequired = 3010;  // ERROR_SUCCESS_REBOOT_REQUIRED
const WideChar MdacParams[] = L"/q /c:\"dasetup.exe /q /n\"";
const WideChar CrystalParams[] = L"/s /v/f /v/qr";

// The table as delivered; its texts are loaded when the unit starts.
const struct {
  const TResStringRec* Description;
  const WideChar* ShortName;
  Integer MinVersion;
  Integer MaxVersion;
  const WideChar* SetupFile;
  const WideChar* SetupParams;
  Cardinal SetupFlag;
  Cardinal SetupCode;
  TQevVersionNumber (*Probe)();
} Table[NeededCompCount] = {
    {&SIE5orNewer, L"IE", MajorMinor(5, 0), NoLimit, L"", L"", 0, 0, GetWinInetVersion},
    {&SMapiDesc, L"MAPI", MajorMinor(1, 0), NoLimit, L"", L"", 0, 0, GetMapiVersion},
    {&SCapiComDesc, L"CAPICOM", MajorMinor(2, 0), NoLimit, L"InstallCAPICOM.exe", L"", 0, 0,
     GetCapicomVersion},
    {&SMdacDesc, L"MDAC", MajorMinor(2, 50), NoLimit, L"mdac25sp1.exe", MdacParams, 1,
     RebootRequired, GetMdacVersion},
    {&SJetDesc, L"JET", MajorMinor(4, 0), MajorMinor(4, 0), L"mdac25sp1.exe", MdacParams, 1,
     RebootRequired, GetJetVersion},
    {&SDaoDesc, L"DAO", MajorMinor(3, 60), MajorMinor(3, 60), L"AddDAO36.exe", L"", 0, 0,
     GetDaoVersion},
    {&SSqlDmoDesc, L"SQL-DMO", MajorMinor(1998, 11), NoLimit, L"AdSqlDmo.exe", L"", 0, 0,
     GetSqlDmoVersion},
    {&SCrystal, L"CRPE", MajorMinor(8, 5), NoLimit, L"crpe85setup1.exe", CrystalParams, 1,
     RebootRequired, GetCrystalRuntimeVersion},
    {&SCrystalSQL, L"CRPE-SQL", MajorMinor(8, 5), NoLimit, L"crpe85setup1.exe", CrystalParams, 1,
     RebootRequired, GetCrystalOleDbVersion},
    {&SCrystalUFL, L"CRPE-UFL", MajorMinor(8, 0), NoLimit, L"crpe85setup1.exe", CrystalParams, 1,
     RebootRequired, GetCrystalUflVersion},
    {&SCrystalXLS, L"CRPE-XLS", MajorMinor(8, 5), NoLimit, L"crpe85setup1.exe", CrystalParams, 1,
     RebootRequired, GetCrystalXlsVersion},
};
constexpr Integer MapiEntry = 1;

std::unique_ptr<TQevStringList> ReportModules;

const WideChar DashLine[] = L"-------------------------------------";

void LoadTableTexts() {
  for (Integer i = 0; i < NeededCompCount; ++i) {
    TNeededComp& comp = NeededComps[i];
    comp = TNeededComp{};
    comp.Description = WideToAnsi(LoadResString(*Table[i].Description));
    comp.ShortName = Table[i].ShortName;
    comp.MinVersion = Table[i].MinVersion;
    comp.MaxVersion = Table[i].MaxVersion;
    comp.SetupFile = Table[i].SetupFile;
    comp.SetupParams = Table[i].SetupParams;
    comp.SetupFlag = Table[i].SetupFlag;
    comp.SetupCode = Table[i].SetupCode;
  }
  NeededComps[0].DownloadLink = WideToAnsi(LoadResString(SIEWebLink));
  NeededComps[MapiEntry].DownloadLink = WideToAnsi(LoadResString(SMapiWebLink));
}

void ProbeInstalledVersions() {
  for (Integer i = 0; i < NeededCompCount; ++i) {
    NeededComps[i].InstalledVersion = Table[i].Probe();
    NeededComps[i].InstalledMajorMinor = static_cast<Integer>(NeededComps[i].InstalledVersion >> 32);
  }
}

WideString DecimalText(Int64 Value) { return AnsiToWide(IntToStr(Value)); }

void AddModuleLines(TQevStrings* Lines) {
  for (Integer i = 0; i < ReportModules->Count(); ++i) {
    WideString file = ReportModules->Get(i);
    WideString version = WideFileExists(file) ? VersionNumberToStr(GetFileVersionNumber(file), 2)
                                              : WideString(L"(Not Installed)");
    Lines->Add(WideExtractFileNameWithoutExt(file) + L": " + version);
  }
}

void AddLocaleLine(TQevStrings* Lines, const WideString& Title, LCID Lcid) {
  Lines->Add(Title + DecimalText(Lcid) + L": " + GetLocaleDisplayName(Lcid));
}

void AddEnvironmentLines(TQevStrings* Lines) {
  Lines->Add(L"OS = " + GetOSVersionText());
  WideString product;
  TQevVersionNumber kernel = GetKernelVersion(product);
  Lines->Add(L"Kernel = " + VersionNumberToStr(kernel, 0) + L" (" + product + L")");
  if (Win32Platform == VER_PLATFORM_WIN32_NT)
    Lines->Add(WideString(L"Administrator = ") + (IsUserAdmin() ? L"True" : L"False"));
  Lines->Add(L"Computer Name = " + GetComputerNameText() + L" (" + GetUserNameText() + L")");
  LCID systemLocale = GetSystemDefaultLCID(), userLocale = GetUserDefaultLCID();
  AddLocaleLine(Lines, L"System Locale ID = ", systemLocale);
  if (userLocale != systemLocale) AddLocaleLine(Lines, L"User Locale ID = ", userLocale);
  constexpr LCTYPE LocaleSortName = 0x1013;
  WideString sortName = WideGetLocaleStr(userLocale, LocaleSortName, L"");
  if (!sortName.empty()) Lines->Add(L"Sort Order = " + sortName);
  UINT codePage = GetACP();
  Lines->Add(L"ANSI Code Page = " + DecimalText(codePage) + L",  " +
             CodePageIsoName(static_cast<Integer>(codePage)));
  Lines->Add(L"System Time = " + AnsiToWide(DateTimeToStr(Now())));
}

void AddMachineLines(TQevStrings* Lines) {
  MEMORYSTATUSEX status{};
  status.dwLength = sizeof(status);
  if (GlobalMemoryStatusEx(&status)) AddMemoryLines(Lines, status);
  WideString drive = WideExtractFileDrive(WideGetWindowsFolder());
  DWORD sectors = 0, bytes = 0, freeClusters = 0, clusters = 0;
  if (!drive.empty() && Qev_GetDiskFreeSpaceW((drive + L"\\").c_str(), &sectors, &bytes,
                                              &freeClusters, &clusters)) {
    Lines->Add(DashLine);
    AddDiskSpaceLines(Lines, drive, DiskSizeMB(sectors, bytes, clusters),
                      DiskSizeMB(sectors, bytes, freeClusters));
  }
}

void AddComponentLines(TQevStrings* Lines) {
  for (Integer i = 0; i < NeededCompCount; ++i) {
    WideString line = NeededComps[i].ShortName + L"\t(" +
                      VersionNumberToStr(NeededComps[i].InstalledVersion, 0) + L")";
    if (i == MapiEntry) line += L"   (" + GetMapiCompanyName() + L")";
    Lines->Add(line);
  }
  WideString company;
  TQevVersionNumber rpa = GetRpaWinInetVersion(company);
  if (rpa == 0) return;
  Lines->Add(L"RpaWInet.dll\t(" + VersionNumberToStr(rpa, 0) + L")   (" + company + L")");
  const WideString unstableMaker = L"CompuServe";
  if (rpa < MakeVersionNumber(3, 14, 0, 0) &&
      WideSameText(company.substr(0, unstableMaker.size()), unstableMaker))
    Lines->Add(L"Warning: your version of RpaWInet.dll is known to be unstable.");
}

}  // namespace

void SetNeededCompDownloadLink(const WideString& Url) {
  for (TNeededComp& comp : NeededComps)
    if (!comp.SetupFile.empty()) comp.DownloadLink = WideToAnsi(Url);
}

void AddReportModule(const WideString& FileName) {
  CheckAssigned(ReportModules.get(), L"ReportModules");
  if (ReportModules->IndexOf(FileName) < 0) ReportModules->Add(FileName);
}

void AddMemoryLines(TQevStrings* Lines, const MEMORYSTATUSEX& Status) {
  Lines->Add(WideFormat(L"Total Physical Memory: %d MB", {Status.ullTotalPhys >> 20}));
  Lines->Add(WideFormat(L"Avail Physical Memory: %d MB", {Status.ullAvailPhys >> 20}));
  Lines->Add(WideFormat(L"Memory Load: %d%%", {Status.dwMemoryLoad}));
}

void AddDiskSpaceLines(TQevStrings* Lines, const WideString& Drive, ULONGLONG TotalMB,
                       ULONGLONG FreeMB) {
  Lines->Add(WideFormat(L"Total Windows HD Space (%s) = %d MB", {Drive, TotalMB}));
  Lines->Add(WideFormat(L"Free Windows HD Space = %d MB", {FreeMB}));
}

void CollectSystemInfo(TQevStringList* Lines) {
  Lines->Clear();
  AddModuleLines(Lines);
  Lines->Add(DashLine);
  AddEnvironmentLines(Lines);
  Lines->Add(DashLine);
  AddMachineLines(Lines);
  Lines->Add(DashLine);
  AddComponentLines(Lines);
  Lines->Add(DashLine);
  for (Integer app = 0; app < OfficeAppCount; ++app)
    Lines->Add(OfficeAppName(static_cast<TOfficeApps>(app)) + L"=" + OfficeVersions[app]);
  Lines->Add(DashLine);
}

void Initialization_CheckWinInetAndAdo() {
  LoadTableTexts();
  SetNeededCompDownloadLink(NeededCompDownloadFolder);
  ReportModules = std::make_unique<TQevStringList>();
  AddReportModule(WideGetModuleFileName(nullptr));
  ProbeInstalledVersions();
  SystemInfoHook = CollectSystemInfo;
}

void Finalization_CheckWinInetAndAdo() {
  if (SystemInfoHook == CollectSystemInfo) SystemInfoHook = nullptr;
  ReportModules.reset();
  for (TNeededComp& comp : NeededComps) comp = TNeededComp{};
}
