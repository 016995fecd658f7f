// The setup's helpers: wide file routines on both roads, installing a saver
// into a stand-in Windows folder and opening the display settings.
#include <gtest/gtest.h>

#include <cstdio>
#include <vector>

#include "QevLXSetupUtils.h"
#include "QevTestSupport.h"
// after <windows.h>
#include <commctrl.h>

namespace {

AnsiString ReadFileText(const WideString& name) {
  FILE* f = _wfopen(name.c_str(), L"rb");
  if (!f) return "<missing>";
  char buffer[256];
  size_t n = fread(buffer, 1, sizeof buffer, f);
  fclose(f);
  return AnsiString(buffer, n);
}

// The names that a search for the pattern finds, in their stored letter case.
std::vector<WideString> Found(const WideString& pattern) {
  std::vector<WideString> names;
  WIN32_FIND_DATAW data;
  HANDLE find = FindFirstFileW(pattern.c_str(), &data);
  if (find == INVALID_HANDLE_VALUE) return names;
  do {
    if (data.cFileName[0] != L'.') names.push_back(data.cFileName);
  } while (FindNextFileW(find, &data));
  FindClose(find);
  return names;
}

const std::vector<WideString> OnlySaver{L"vintraflm.scr"};

// ------------------------------------------------------------ file routines

class SetupFileTest : public RoadTest {
 protected:
  TTempFolder Temp;
};

INSTANTIATE_TEST_SUITE_P(Roads, SetupFileTest, testing::Bool(), RoadName);

TEST_P(SetupFileTest, ShortPathNamesTheSameFileInEightDotThreeForm) {
  WideString folder = Temp.Path() + L"A long folder name\\";
  ASSERT_TRUE(CreateDirectoryW(folder.c_str(), nullptr));
  WideString file = folder + L"Some long file name.scr";
  TTempFolder::CreateFileWithText(file, "x");

  WideString shortPath = WideGetShortPathName(file);
  ASSERT_FALSE(shortPath.empty());
  EXPECT_EQ(WideString::npos, shortPath.find(L' '));  // Wine always makes 8.3 names
  EXPECT_EQ(Found(file), Found(shortPath));
  EXPECT_EQ(L"", WideGetShortPathName(folder + L"missing.scr"));
}

TEST_P(SetupFileTest, CaseOnlyRenameGoesThroughAFreeNumberedName) {
  WideString old = Temp.Path() + L"vintraflm.scr";
  TTempFolder::CreateFileWithText(old, "saver");
  TTempFolder::CreateFileWithText(Temp.Path() + L"vintraflm_1.scr", "other");
  EXPECT_EQ(Temp.Path() + L"vintraflm_2.scr", UnusedNumberedFileName(old));

  RenameFileCaseAware(old, Temp.Path() + L"VintraFLM.scr");
  EXPECT_EQ(std::vector<WideString>{L"VintraFLM.scr"}, Found(old));
  EXPECT_EQ("saver", ReadFileText(old));
  EXPECT_EQ("other", ReadFileText(Temp.Path() + L"vintraflm_1.scr"));
  EXPECT_FALSE(WideFileExists(Temp.Path() + L"vintraflm_2.scr"));

  RenameFileCaseAware(old, Temp.Path() + L"Vintra Film Screen Saver.scr");
  EXPECT_EQ("saver", ReadFileText(Temp.Path() + L"Vintra Film Screen Saver.scr"));
}

// Two programs that ask at once for a temporary name each get their own file.
TEST_P(SetupFileTest, NumberedFilesAreCreatedUnderNamesNoneHas) {
  const WideString base = Temp.Path() + L"Prog.DEU.new";
  TTempFolder::CreateFileWithText(Temp.Path() + L"Prog.DEU_1.new", "rival");
  ASSERT_TRUE(CreateDirectoryW((Temp.Path() + L"Prog.DEU_2.new").c_str(), nullptr));
  EXPECT_EQ(Temp.Path() + L"Prog.DEU_3.new", CreateUnusedNumberedFile(base));
  EXPECT_EQ(Temp.Path() + L"Prog.DEU_4.new", CreateUnusedNumberedFile(base));
  EXPECT_EQ("rival", ReadFileText(Temp.Path() + L"Prog.DEU_1.new"));
  EXPECT_EQ("", ReadFileText(Temp.Path() + L"Prog.DEU_3.new"));
  EXPECT_THROW(CreateUnusedNumberedFile(Temp.Path() + L"missing\\Prog.new"), EOSError);
}

TEST_P(SetupFileTest, FailedRenameNamesBothFilesAndTheSystemReason) {
  WideString a = Temp.Path() + L"missing.scr", b = Temp.Path() + L"b.scr";
  try {
    RenameFileChecked(a, b);
    FAIL() << "no exception";
  } catch (const EOSError& e) {
    EXPECT_EQ(static_cast<unsigned long>(ERROR_FILE_NOT_FOUND), e.ErrorCode);
    EXPECT_EQ(L"Could not rename \"" + a + L"\" to \"" + b + L"\".\r\n\r\n" +
                  SysErrorMessage(ERROR_FILE_NOT_FOUND),
              e.Message);
  }
}

// ------------------------------------------------------------ installation

WideString TestWindowsFolder;
std::vector<UINT> ParameterCalls;  // action, param, value != nullptr, flags

struct TStart {
  WideString FileName, Parameters, Folder;
  INT ShowCmd;
};
std::vector<TStart> Starts;
WideString FailingProgram;  // whose start raises
int Sleeps = 0;

// Every seam of the unit points into a temp folder or a recorder.
class SetupTest : public testing::Test {
 protected:
  void SetUp() override {
    TestWindowsFolder = Temp.Path() + L"Win \u0436\u4E2D folder";
    ASSERT_TRUE(CreateDirectoryW(TestWindowsFolder.c_str(), nullptr));
    Windows = TestWindowsFolder + L"\\";
    SetupWindowsFolderFunc = [] { return TestWindowsFolder; };
    SystemIniFileName = Temp.Path() + L"system.ini";
    SetupSystemParametersFunc = [](UINT action, UINT param, PVOID value, UINT flags) -> BOOL {
      ParameterCalls.insert(ParameterCalls.end(), {action, param, value != nullptr, flags});
      return TRUE;
    };
    DeskCplName = L"qev-no-such-panel.cpl";
    SetupShellOpenFunc = [](const WideString& file, const WideString& params,
                            const WideString& folder, INT show) {
      Starts.push_back({file, params, folder, show});
      if (file == FailingProgram) throw EQevGeneralError(L"cannot start " + file);
    };
    SetupSleepFunc = [](DWORD) { ++Sleeps; };
    ParameterCalls.clear();
    Starts.clear();
    FailingProgram.clear();
    Sleeps = 0;
    Source = Temp.Path() + L"vintraflm.scr";
    TTempFolder::CreateFileWithText(Source, "new saver");
  }
  void TearDown() override {
    SetupWindowsFolderFunc = SavedFolder_;
    SystemIniFileName = SavedIni_;
    SetupSystemParametersFunc = SavedParameters_;
    DeskCplName = SavedDeskCpl_;
    SetupShellOpenFunc = SavedShellOpen_;
    SetupSleepFunc = SavedSleep_;
  }

  WideString IniValue() {
    WCHAR buffer[MAX_PATH + 1] = {};
    GetPrivateProfileStringW(L"boot", L"SCRNSAVE.EXE", L"<none>", buffer, MAX_PATH + 1,
                             SystemIniFileName.c_str());
    return buffer;
  }
  void SetIniValue(const WideString& value) {
    WritePrivateProfileStringW(L"boot", L"SCRNSAVE.EXE", value.c_str(), SystemIniFileName.c_str());
  }

  TTempFolder Temp;
  WideString Windows, Source;

 private:
  decltype(SetupWindowsFolderFunc) SavedFolder_ = SetupWindowsFolderFunc;
  WideString SavedIni_ = SystemIniFileName;
  decltype(SetupSystemParametersFunc) SavedParameters_ = SetupSystemParametersFunc;
  WideString SavedDeskCpl_ = DeskCplName;
  decltype(SetupShellOpenFunc) SavedShellOpen_ = SetupShellOpenFunc;
  decltype(SetupSleepFunc) SavedSleep_ = SetupSleepFunc;
};

TEST_F(SetupTest, InstallCopiesRegistersTheShortPathAndActivates) {
  WideString target = InstallScreenSaverFile(Source);
  EXPECT_EQ(Windows + L"vintraflm.scr", target);
  EXPECT_EQ("new saver", ReadFileText(target));
  EXPECT_EQ(OnlySaver, Found(Windows + L"*"));

  // The folder's long name with blanks and wide characters is not in the entry
  // (Wine always makes 8.3 names; a Windows volume may not).
  WideString entry = IniValue();
  EXPECT_EQ(WideString::npos, entry.find(L' '));
  EXPECT_EQ(WideGetShortPathName(target), entry);
  EXPECT_EQ("new saver", ReadFileText(entry));

  std::vector<UINT> activate{SPI_SETSCREENSAVEACTIVE, 1, 0, SPIF_UPDATEINIFILE};
  EXPECT_EQ(activate, ParameterCalls);
}

TEST_F(SetupTest, InstallReplacesAReadOnlyOlderCopyOrItself) {
  WideString target = Windows + L"vintraflm.scr";
  TTempFolder::CreateFileWithText(target, "old saver");
  ASSERT_TRUE(SetFileAttributesW(target.c_str(), FILE_ATTRIBUTE_READONLY));

  InstallScreenSaverFile(Source);
  EXPECT_EQ("new saver", ReadFileText(target));
  EXPECT_EQ(OnlySaver, Found(Windows + L"*"));

  // Installing the installed file itself (setup run from the Windows folder).
  InstallScreenSaverFile(target);
  EXPECT_EQ("new saver", ReadFileText(target));
  EXPECT_EQ(OnlySaver, Found(Windows + L"*"));
}

TEST_F(SetupTest, FailedCopyKeepsTheInstalledSaverAndItsEntry) {
  WideString target = Windows + L"vintraflm.scr";
  TTempFolder::CreateFileWithText(target, "old saver");
  SetIniValue(L"C:\\OLD.SCR");
  // Opened without sharing, the source cannot be read.
  HANDLE lock = CreateFileW(Source.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(INVALID_HANDLE_VALUE, lock);

  EXPECT_THROW(InstallScreenSaverFile(Source), EOSError);
  CloseHandle(lock);
  EXPECT_EQ("old saver", ReadFileText(target));
  EXPECT_EQ(OnlySaver, Found(Windows + L"*"));
  EXPECT_EQ(L"C:\\OLD.SCR", IniValue());
  EXPECT_TRUE(ParameterCalls.empty());

  EXPECT_THROW(InstallScreenSaverFile(Temp.Path() + L"missing.scr"), EOSError);
  EXPECT_EQ(OnlySaver, Found(Windows + L"*"));
}

TEST_F(SetupTest, InstallUnderAnotherNameLeavesTheSourceAsItIs) {
  ASSERT_TRUE(SetFileAttributesW(Source.c_str(), FILE_ATTRIBUTE_READONLY));  // like a CD
  WideString target = InstallScreenSaverFile(Source, L"Vintra Film Screen Saver.scr");
  EXPECT_EQ(Windows + L"Vintra Film Screen Saver.scr", target);
  EXPECT_EQ(OnlySaver, Found(Source));
  EXPECT_EQ("new saver", ReadFileText(IniValue()));
  EXPECT_EQ(WideString::npos, IniValue().find(L' '));
}

// ------------------------------------------------------------ display settings

TEST_F(SetupTest, WithoutTheDisplayPanelTheControlPanelIsOpenedFailuresSwallowed) {
  SetIniValue(L"C:\\VINTRA~1.SCR");
  EXPECT_TRUE(ShouldAvoidDeskCpl());
  ShowScreenSaverSettings();
  ASSERT_EQ(1u, Starts.size());
  EXPECT_EQ(L"Control.exe", Starts[0].FileName);
  EXPECT_EQ(DeskCplName, Starts[0].Parameters);
  EXPECT_EQ(SW_SHOW, Starts[0].ShowCmd);
  EXPECT_EQ(8, Sleeps);  // no settings window: 2 s in steps of 250 ms, then given up

  FailingProgram = L"Control.exe";
  Sleeps = 0;
  EXPECT_NO_THROW(ShowScreenSaverSettings());
  EXPECT_EQ(2u, Starts.size());
  EXPECT_EQ(0, Sleeps) << "no window to wait for when nothing started";
}

TEST_F(SetupTest, WithTheDisplayPanelTheSaverOrTheControlPanelIsOpened) {
  DeskCplName = L"comctl32.dll";  // any library stands for the panel
  EXPECT_FALSE(ShouldAvoidDeskCpl());
  ShowScreenSaverSettings();  // no saver entry: the control panel
  InstallScreenSaverFile(Source);
  ShowScreenSaverSettings();
  FailingProgram = L"rundll32.exe";
  ShowScreenSaverSettings();  // rundll32 fails: the control panel

  ASSERT_EQ(4u, Starts.size());
  EXPECT_EQ(L"rundll32.exe", Starts[1].FileName);
  EXPECT_EQ(L"comctl32.dll,InstallScreenSaver " + WideExpandFileName(IniValue()),
            Starts[1].Parameters);
  EXPECT_EQ(Windows, Starts[1].Folder);
  EXPECT_EQ(SW_SHOWNORMAL, Starts[1].ShowCmd);
  for (size_t i : {size_t{0}, size_t{3}}) {
    EXPECT_EQ(L"Control.exe", Starts[i].FileName);
    EXPECT_EQ(L"comctl32.dll", Starts[i].Parameters);
    EXPECT_EQ(SW_SHOW, Starts[i].ShowCmd);
    EXPECT_NE(Windows, Starts[i].Folder);  // no Control.exe there: the system folder
  }
  EXPECT_EQ(2 * 8, Sleeps);  // no settings window: 2 s in steps of 250 ms, then given up
}

TEST_F(SetupTest, DisplaySettingsSwitchToTheScreenSaverTab) {
  DeskCplName = L"comctl32.dll";
  INITCOMMONCONTROLSEX init{sizeof init, ICC_TAB_CLASSES};
  InitCommonControlsEx(&init);
  HWND dialog = CreateWindowExW(0, L"#32770", L"Display Properties", WS_OVERLAPPED, 0, 0, 300,
                                200, nullptr, nullptr, nullptr, nullptr);
  ASSERT_NE(nullptr, dialog);
  HWND tabs = CreateWindowExW(0, WC_TABCONTROLW, L"", WS_CHILD | WS_VISIBLE, 0, 0, 280, 180,
                              dialog, nullptr, nullptr, nullptr);
  ASSERT_NE(nullptr, tabs);
  TCITEMW item{};  // two pages without text
  for (int i = 0; i < 2; ++i)
    SendMessageW(tabs, TCM_INSERTITEMW, i, reinterpret_cast<LPARAM>(&item));

  OpenScreenSaverSettingsPage();
  MSG msg;
  while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
  EXPECT_EQ(1, SendMessageW(tabs, TCM_GETCURFOCUS, 0, 0));
  EXPECT_EQ(0, Sleeps);
  DestroyWindow(dialog);
}

}  // namespace
