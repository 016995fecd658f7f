// The needed-components table, its fill at start-up and the system information.
#include <gtest/gtest.h>

#include "CheckWinInetAndAdo.h"
#include "QevLXUtils.h"
#include "QevTestSupport.h"

namespace {

// Ends the unit and starts it again on every path out of a test.
struct TTableRestart {
  ~TTableRestart() {
    Finalization_CheckWinInetAndAdo();
    Initialization_CheckWinInetAndAdo();
  }
};

const WideString Dash = L"-------------------------------------";

// Reads the lines one after the other.
class TLineReader {
 public:
  explicit TLineReader(const TQevStringList& lines) : Lines_(lines) {}
  bool AtEnd() const { return Index_ >= Lines_.Count(); }
  WideString Peek() const { return AtEnd() ? WideString(L"<end>") : Lines_.Get(Index_); }
  WideString Next() {
    WideString line = Peek();
    ++Index_;
    return line;
  }
  // The next line without the prefix; "<no prefix>" when it does not start so.
  WideString NextAfter(const WideString& prefix) {
    WideString line = Next();
    return line.compare(0, prefix.size(), prefix) == 0 ? line.substr(prefix.size())
                                                       : L"<no prefix> " + line;
  }

 private:
  const TQevStringList& Lines_;
  Integer Index_ = 0;
};

bool EndsWith(const WideString& s, const WideString& end) {
  return s.size() >= end.size() && s.compare(s.size() - end.size(), end.size(), end) == 0;
}

}  // namespace

TEST(NeededComps, TableAsDelivered) {
  const WideChar* names[] = {L"IE",   L"MAPI",     L"CAPICOM",  L"MDAC",     L"JET",     L"DAO",
                             L"SQL-DMO", L"CRPE", L"CRPE-SQL", L"CRPE-UFL", L"CRPE-XLS"};
  const Integer minimum[] = {0x00050000, 0x00010000, 0x00020000, 0x00020032,
                             0x00040000, 0x0003003C, 0x07CE000B, 0x00080005,
                             0x00080005, 0x00080000, 0x00080005};
  for (Integer i = 0; i < NeededCompCount; ++i) {
    const TNeededComp& comp = NeededComps[i];
    SCOPED_TRACE(i);
    EXPECT_EQ(names[i], comp.ShortName);
    EXPECT_EQ(minimum[i], comp.MinVersion);
    EXPECT_EQ(i == 4 ? 0x00040000 : i == 5 ? 0x0003003C : 0x7FFFFFFF, comp.MaxVersion);
    bool reboots = i == 3 || i == 4 || i >= 7;
    EXPECT_EQ(reboots ? 1u : 0u, comp.SetupFlag);
    EXPECT_EQ(reboots ? 3010u : 0u, comp.SetupCode);
    if (!comp.SetupFile.empty()) {
      EXPECT_EQ(WideToAnsi(NeededCompDownloadFolder), comp.DownloadLink);
    }
  }
  EXPECT_EQ("Internet Explorer 5.0 or newer", NeededComps[0].Description);
  EXPECT_EQ("Microsoft Data Access Components (MDAC) 2.5", NeededComps[3].Description);
  EXPECT_EQ("Seagate Crystal Reports XLS Support", NeededComps[10].Description);
  EXPECT_EQ(L"", NeededComps[0].SetupFile);
  EXPECT_EQ(L"InstallCAPICOM.exe", NeededComps[2].SetupFile);
  EXPECT_EQ(L"mdac25sp1.exe", NeededComps[4].SetupFile);
  EXPECT_EQ(L"/q /c:\"dasetup.exe /q /n\"", NeededComps[4].SetupParams);
  EXPECT_EQ(L"AdSqlDmo.exe", NeededComps[6].SetupFile);
  EXPECT_EQ(L"crpe85setup1.exe", NeededComps[9].SetupFile);
  EXPECT_EQ(L"/s /v/f /v/qr", NeededComps[9].SetupParams);
  EXPECT_EQ(LoadResString(SIEWebLink), AnsiToWide(NeededComps[0].DownloadLink));
  EXPECT_EQ("your Windows CD.", NeededComps[1].DownloadLink);
}

TEST(NeededComps, InstalledVersionsFilledAtStartUp) {
  const TNeededComp& wininet = NeededComps[0];
  EXPECT_NE(0u, wininet.InstalledVersion);
  EXPECT_EQ(GetWinInetVersion(), wininet.InstalledVersion);
  EXPECT_GE(wininet.InstalledMajorMinor, wininet.MinVersion);  // web access is allowed
  for (const TNeededComp& comp : NeededComps)
    EXPECT_EQ(static_cast<Integer>(comp.InstalledVersion >> 32), comp.InstalledMajorMinor);
  // A fresh Wine prefix has none of these; a Windows machine may have JET or DAO.
  for (Integer missing : {2, 4, 5, 6, 7, 8, 9, 10}) EXPECT_EQ(0u, NeededComps[missing].InstalledVersion);
  EXPECT_EQ(&CollectSystemInfo, SystemInfoHook);
}

TEST(NeededComps, UnitEndRemovesTheHook) {
  TTableRestart restart;
  Finalization_CheckWinInetAndAdo();
  EXPECT_EQ(nullptr, SystemInfoHook);
  EXPECT_EQ(L"", NeededComps[0].ShortName);
  EXPECT_THROW(AddReportModule(L"x.dll"), EQevInternalError);
  Initialization_CheckWinInetAndAdo();
  EXPECT_EQ(&CollectSystemInfo, SystemInfoHook);
  EXPECT_EQ(L"IE", NeededComps[0].ShortName);
}

TEST(SystemInfo, LinesInOrder) {
  TQevStringList lines;
  lines.Add(L"left over");
  CollectSystemInfo(&lines);
  TLineReader r(lines);
  EXPECT_EQ(L"QevLXTests: 2.1 r3", r.Next());  // the program's own version
  EXPECT_EQ(Dash, r.Next());
  EXPECT_EQ(L"OS = " + GetOSVersionText(), r.Next());
  WideString product;
  TQevVersionNumber kernel = GetKernelVersion(product);
  EXPECT_EQ(L"Kernel = " + VersionNumberToStr(kernel, 0) + L" (" + product + L")", r.Next());
  EXPECT_EQ(L"Administrator = True", r.Next());  // Wine's user is an administrator
  EXPECT_EQ(L"Computer Name = " + GetComputerNameText() + L" (" + GetUserNameText() + L")",
            r.Next());
  // The locale the test runner gives the Wine prefix.
  EXPECT_EQ(L"System Locale ID = 1033: English (United States)", r.Next());
  EXPECT_EQ(L"Default", r.NextAfter(L"Sort Order = "));  // no user locale line: they agree
  EXPECT_EQ(L"ANSI Code Page = 1252,  ISO 8859-1,  Latin 1 (ANSI)", r.Next());
  EXPECT_NE(L"", r.NextAfter(L"System Time = "));
  EXPECT_EQ(Dash, r.Next());
  EXPECT_TRUE(EndsWith(r.NextAfter(L"Total Physical Memory: "), L" MB"));
  EXPECT_TRUE(EndsWith(r.NextAfter(L"Avail Physical Memory: "), L" MB"));
  EXPECT_TRUE(EndsWith(r.NextAfter(L"Memory Load: "), L"%"));
  EXPECT_EQ(Dash, r.Next());
  EXPECT_TRUE(EndsWith(r.NextAfter(L"Total Windows HD Space (C:) = "), L" MB"));
  EXPECT_TRUE(EndsWith(r.NextAfter(L"Free Windows HD Space = "), L" MB"));
  EXPECT_EQ(Dash, r.Next());
  EXPECT_EQ(L"IE\t(" + VersionNumberToStr(GetWinInetVersion(), 0) + L")", r.Next());
  EXPECT_EQ(L"MAPI\t(" + VersionNumberToStr(GetMapiVersion(), 0) + L")   (" +
                GetMapiCompanyName() + L")",
            r.Next());
  for (const WideChar* name : {L"CAPICOM", L"MDAC", L"JET", L"DAO", L"SQL-DMO", L"CRPE",
                               L"CRPE-SQL", L"CRPE-UFL", L"CRPE-XLS"}) {
    WideString line = r.Next();
    EXPECT_EQ(0, line.compare(0, wcslen(name) + 2, name + WideString(L"\t("))) << line;
  }
  EXPECT_EQ(Dash, r.Next());  // a fresh Wine prefix: no RpaWInet.dll, no Office
  for (const WideChar* line : {L"Word=", L"Excel=", L"Outlook=", L"Access="})
    EXPECT_EQ(line, r.Next());
  EXPECT_EQ(Dash, r.Next());
  EXPECT_TRUE(r.AtEnd()) << r.Peek();
}

TEST(SystemInfo, ReportModulesListedOnce) {
  TTableRestart restart;
  TTempFolder temp;
  AddReportModule(WideGetExeFileName());
  AddReportModule(temp.Path() + L"Missing \u0436.dll");
  AddReportModule(temp.Path() + L"MISSING \u0416.DLL");  // the same file
  TQevStringList lines;
  CollectSystemInfo(&lines);
  TLineReader r(lines);
  EXPECT_EQ(L"QevLXTests: 2.1 r3", r.Next());
  EXPECT_EQ(L"Missing \u0436: (Not Installed)", r.Next());
  EXPECT_EQ(Dash, r.Next());
}

TEST(SystemInfo, Win9xHasNoAdministratorLine) {
  Integer platform = Win32Platform;
  Win32Platform = VER_PLATFORM_WIN32_WINDOWS;
  TQevStringList lines;
  CollectSystemInfo(&lines);
  Win32Platform = platform;
  TLineReader r(lines);
  while (!r.AtEnd() && r.Peek().compare(0, 5, L"OS = ") != 0) r.Next();
  EXPECT_EQ(0, r.Next().compare(0, 11, L"OS = Win9x "));
  EXPECT_EQ(0, r.Next().compare(0, 9, L"Kernel = "));
  EXPECT_EQ(0, r.Next().compare(0, 16, L"Computer Name = ")) << "no administrator line";
}

TEST(SystemInfo, FiguresOver4GB) {
  TQevStringList lines;
  MEMORYSTATUSEX status{};
  status.ullTotalPhys = 6ULL << 30;
  status.ullAvailPhys = (5ULL << 30) + (3ULL << 20) + 12345;
  status.dwMemoryLoad = 17;
  AddMemoryLines(&lines, status);
  AddDiskSpaceLines(&lines, L"C:", 5ULL << 30, 3ULL << 20);
  EXPECT_EQ(L"Total Physical Memory: 6144 MB", lines.Get(0));
  EXPECT_EQ(L"Avail Physical Memory: 5123 MB", lines.Get(1));
  EXPECT_EQ(L"Memory Load: 17%", lines.Get(2));
  EXPECT_EQ(L"Total Windows HD Space (C:) = 5368709120 MB", lines.Get(3));
  EXPECT_EQ(L"Free Windows HD Space = 3145728 MB", lines.Get(4));
}
