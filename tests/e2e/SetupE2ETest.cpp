// The real setup program, started from a folder of its own beside (or
// without) the saver file, driven through its buttons. It installs into the
// test prefix's Windows folder and system.ini; the suite puts back what was
// there. The wizard form is also made in this process, on both platform
// roads, with every folder it uses in temp folders.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "../Support/ForeignMessages.h"
#include "../Support/QevTestSupport.h"
#include "../Support/ScreenShot.h"
#include "../Support/TestSupport.h"
#include "QevLXSetupUtils.h"
#include "Scoped.h"
#include "ProgramUnderTest.h"
#include "ProgramWindows.h"
#include "System.h"
#include "VintraFilmScrSetupFrm.h"

namespace {

const wchar_t* const WizardCaption = L"VINTRA Film Screen Saver 1.0 r0 Setup";

std::wstring WindowsFile(const wchar_t* Name) {
  wchar_t folder[MAX_PATH] = {};
  GetWindowsDirectoryW(folder, MAX_PATH);
  return std::wstring(folder) + L"\\" + Name;
}

std::optional<std::wstring> ScreenSaverEntry() {
  wchar_t buffer[MAX_PATH] = {};
  GetPrivateProfileStringW(L"boot", L"SCRNSAVE.EXE", L"\x1", buffer, MAX_PATH, L"system.ini");
  if (std::wstring(buffer) == L"\x1") return std::nullopt;
  return std::wstring(buffer);
}

std::string ContentOf(const std::wstring& FileName) {
  std::string content;
  HANDLE h = CreateFileW(FileName.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0,
                         nullptr);
  if (h == INVALID_HANDLE_VALUE) return content;
  char buffer[65536];
  for (DWORD read = 0; ReadFile(h, buffer, sizeof(buffer), &read, nullptr) && read > 0;)
    content.append(buffer, read);
  CloseHandle(h);
  return content;
}

// How many colours the wizard shows where its icon stands (32 x 32 at 16, 11
// of the client area); an empty picture is one colour.
std::size_t IconColours(HWND Wizard, const std::wstring& KeepAs = {}) {
  const TScreenShot shot = TScreenShot::OfWindow(Wizard);
  if (!KeepAs.empty()) shot.Keep(KeepAs);
  RECT frame{};
  GetWindowRect(Wizard, &frame);
  POINT client{0, 0};
  ClientToScreen(Wizard, &client);
  const int left = client.x - frame.left + 16, top = client.y - frame.top + 11;
  std::vector<COLORREF> colours;
  for (int y = top; y < top + 32 && y < shot.Height; ++y)
    for (int x = left; x < left + 32 && x < shot.Width; ++x) colours.push_back(shot.At(x, y));
  std::sort(colours.begin(), colours.end());
  return static_cast<std::size_t>(std::unique(colours.begin(), colours.end()) - colours.begin());
}

void ForceDelete(const std::wstring& FileName) {
  SetFileAttributesW(FileName.c_str(), FILE_ATTRIBUTE_NORMAL);
  DeleteFileW(FileName.c_str());
}

// The setup program, ended by force only if a test leaves it running.
class TSetup : public TProgramUnderTest {
 public:
  explicit TSetup(const std::wstring& Path) : TProgramUnderTest(L"\"" + Path + L"\"") {}
};

class SetupE2ETest : public testing::Test {
 protected:
  void SetUp() override {
    OldEntry = ScreenSaverEntry();
    SystemParametersInfoW(SPI_GETSCREENSAVEACTIVE, 0, &OldActive, 0);
    SystemParametersInfoW(SPI_SETSCREENSAVEACTIVE, FALSE, nullptr, 0);
    if (GetFileAttributesW(Installed.c_str()) != INVALID_FILE_ATTRIBUTES)
      MoveFileW(Installed.c_str(), (Backup.Path() + L"installed.scr").c_str());
    ASSERT_FALSE(Folder.Path().empty());
  }
  void TearDown() override {
    ForceDelete(Installed);
    MoveFileW((Backup.Path() + L"installed.scr").c_str(), Installed.c_str());
    WritePrivateProfileStringW(L"boot", L"SCRNSAVE.EXE", OldEntry ? OldEntry->c_str() : nullptr,
                               L"system.ini");
    SystemParametersInfoW(SPI_SETSCREENSAVEACTIVE, OldActive, nullptr, 0);
  }

  // The setup copied into the test folder, with the saver beside it or not.
  std::wstring PlaceSetup(bool WithSaver) {
    std::wstring setup = Folder.Path() + L"VintraFilmScrSetup.exe";
    EXPECT_TRUE(CopyFileW(HostPath(QEV_SETUP_PATH).c_str(), setup.c_str(), FALSE));
    if (WithSaver) {
      EXPECT_TRUE(CopyFileW(SaverFile().c_str(), ShippedSaver().c_str(), FALSE));
    }
    return setup;
  }
  static std::wstring SaverFile() { return HostPath(QEV_SAVER_PATH); }
  std::wstring ShippedSaver() const { return Folder.Path() + L"vintraflm.scr"; }

  // Starts the setup and clicks Install on its wizard; the wizard.
  HWND Install(TSetup& Setup) {
    HWND wizard = Setup.WaitWindow();
    if (!wizard) return nullptr;
    EXPECT_EQ(WizardCaption, TextOf(wizard));
    HWND install = ChildWithText(wizard, L"Install");
    EXPECT_TRUE(install);
    if (install) Click(install);
    EXPECT_TRUE(WaitFor([&] { return ChildWithText(wizard, L"Close") != nullptr; }))
        << "the done page did not show";
    return wizard;
  }

  TTempFolder Folder, Backup;
  const std::wstring Installed = WindowsFile(L"vintraflm.scr");
  std::optional<std::wstring> OldEntry;
  BOOL OldActive = FALSE;
};

TEST_F(SetupE2ETest, InstallsActivatesAndClosesWithoutSettings) {
  TSetup setup(PlaceSetup(true));
  ASSERT_TRUE(setup.Started());
  HWND wizard = Install(setup);
  ASSERT_TRUE(wizard);
  EXPECT_TRUE(WaitFor([&] { return IconColours(wizard) > 16; })) << "the program's icon shows";
  IconColours(wizard, L"SetupWizard");

  EXPECT_EQ(ContentOf(SaverFile()), ContentOf(Installed));
  wchar_t shortPath[MAX_PATH] = {};
  GetShortPathNameW(Installed.c_str(), shortPath, MAX_PATH);
  EXPECT_EQ(std::optional<std::wstring>(shortPath), ScreenSaverEntry());
  BOOL active = FALSE;
  SystemParametersInfoW(SPI_GETSCREENSAVEACTIVE, 0, &active, 0);
  EXPECT_TRUE(active);
  HWND cancel = ChildWithText(wizard, L"Cancel");
  ASSERT_TRUE(cancel);
  EXPECT_FALSE(IsWindowEnabled(cancel));
  EXPECT_TRUE(GetFileAttributesW(ShippedSaver().c_str()) != INVALID_FILE_ATTRIBUTES)
      << "the shipped file must stay where it is";

  HWND launch = ChildWithText(wizard, L"Display Screen Saver Preview");
  ASSERT_TRUE(launch);
  EXPECT_EQ(BST_CHECKED, SendMessageW(launch, BM_GETCHECK, 0, 0));
  Click(launch);
  ASSERT_TRUE(WaitFor([&] { return SendMessageW(launch, BM_GETCHECK, 0, 0) == BST_UNCHECKED; }));
  Click(ChildWithText(wizard, L"Close"));
  EXPECT_TRUE(setup.WaitExit());
}

TEST_F(SetupE2ETest, ReplacesAReadOnlyOlderCopy) {
  TTempFolder::CreateFileWithText(Installed, "an older saver");
  SetFileAttributesW(Installed.c_str(), FILE_ATTRIBUTE_READONLY);
  TSetup setup(PlaceSetup(true));
  ASSERT_TRUE(setup.Started());
  ASSERT_TRUE(Install(setup));
  EXPECT_EQ(ContentOf(SaverFile()), ContentOf(Installed));
}

// A damaged older copy (too short to hold a version) must neither stop the
// wizard's start nor the install over it.
TEST_F(SetupE2ETest, StartsAndReplacesADamagedReadOnlyOlderCopy) {
  TTempFolder::CreateFileWithText(Installed, "MZ\x90");
  SetFileAttributesW(Installed.c_str(), FILE_ATTRIBUTE_READONLY);
  TSetup setup(PlaceSetup(true));
  ASSERT_TRUE(setup.Started());
  ASSERT_TRUE(Install(setup));
  EXPECT_EQ(ContentOf(SaverFile()), ContentOf(Installed));
}

// With the box checked Close opens the display settings, which must give up
// on its own when no settings window comes.
TEST_F(SetupE2ETest, CloseWithPreviewReturns) {
  TSetup setup(PlaceSetup(true));
  ASSERT_TRUE(setup.Started());
  HWND wizard = Install(setup);
  ASSERT_TRUE(wizard);
  const ULONGLONG start = GetTickCount64();
  Click(ChildWithText(wizard, L"Close"));
  EXPECT_TRUE(setup.WaitExit());
  // Bounded loosely: the wait for the settings window is about two seconds.
  EXPECT_LT(GetTickCount64() - start, 15000u);
}

TEST_F(SetupE2ETest, CancelEndsWithoutInstalling) {
  TSetup setup(PlaceSetup(true));
  ASSERT_TRUE(setup.Started());
  HWND wizard = setup.WaitWindow();
  ASSERT_TRUE(wizard);
  HWND cancel = ChildWithText(wizard, L"Cancel");
  ASSERT_TRUE(cancel);
  Click(cancel);
  EXPECT_TRUE(setup.WaitExit());
  EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesW(Installed.c_str()));
}

// The message names the full path, and its OK ends the program.
TEST_F(SetupE2ETest, MissingSaverFileIsReportedAndEnds) {
  TSetup setup(PlaceSetup(false));
  ASSERT_TRUE(setup.Started());
  HWND message = setup.WaitWindow();
  ASSERT_TRUE(message);
  EXPECT_NE(WizardCaption, TextOf(message));
  HWND ok = ChildWithText(message, L"OK");
  ASSERT_TRUE(ok);

  // The message form copies its text on Ctrl+C.
  ASSERT_TRUE(ActivateForInput(message));
  if (OpenClipboard(nullptr)) {
    EmptyClipboard();
    CloseClipboard();
  }
  INPUT keys[4] = {};
  const WORD codes[4] = {VK_CONTROL, 'C', 'C', VK_CONTROL};
  for (int i = 0; i < 4; ++i) {
    keys[i].type = INPUT_KEYBOARD;
    keys[i].ki.wVk = codes[i];
    keys[i].ki.dwFlags = i < 2 ? 0 : KEYEVENTF_KEYUP;
  }
  SendInput(4, keys, sizeof(INPUT));
  std::wstring copied;
  WaitFor([&] {
    if (!IsClipboardFormatAvailable(CF_UNICODETEXT) || !OpenClipboard(nullptr)) return false;
    if (HANDLE data = GetClipboardData(CF_UNICODETEXT)) {
      copied = static_cast<const wchar_t*>(GlobalLock(data));
      GlobalUnlock(data);
    }
    CloseClipboard();
    return !copied.empty();
  });
  EXPECT_NE(std::wstring::npos,
            copied.find(L"Internal Error: Setup file not found: " + ShippedSaver()))
      << WideToAnsi(copied);

  Click(ok);
  EXPECT_TRUE(setup.WaitExit());
  EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesW(Installed.c_str()));
}

// ------------------------------------------------------------ in process

WideString ShipDir, WinDir;
WideString ShipDirOf() { return ShipDir; }
WideString WinDirOf() { return WinDir; }
BOOL WINAPI KeepScreenSaverState(UINT, UINT, PVOID, UINT) { return TRUE; }
std::vector<std::wstring> Started;  // file and parameters of what the shell was asked to start
void RecordStart(const WideString& File, const WideString& Parameters, const WideString&, INT) {
  Started.push_back(File + L" " + Parameters);
}
void WINAPI NoSleep(DWORD) {}

class SetupFormTest : public testing::Test {
 protected:
  void SetUp() override {
    static const bool registered =
        (Initialization_QevScrSetupFrm(), Initialization_VintraFilmScrSetupFrm(), true);
    (void)registered;
    ShipDir = Ship.Path();
    WinDir = Win.Path();
    SetupFolderFunc = &ShipDirOf;
    SetupWindowsFolderFunc = &WinDirOf;
    SystemIniFileName = Win.Path() + L"system.ini";
    SetupSystemParametersFunc = &KeepScreenSaverState;
    SetupShellOpenFunc = &RecordStart;
    SetupSleepFunc = &NoSleep;
    DeskCplName = L"qev-no-such-panel.cpl";
    Started.clear();
  }
  void TearDown() override {
    SetupFolderFunc = SavedFolder;
    SetupWindowsFolderFunc = SavedWindowsFolder;
    SystemIniFileName = SavedIni;
    SetupSystemParametersFunc = SavedParameters;
    SetupShellOpenFunc = SavedShellOpen;
    SetupSleepFunc = SavedSleep;
    DeskCplName = SavedDeskCpl;
    Win32Platform = SavedPlatform;
  }
  std::unique_ptr<TVintraFilmScrSetupForm> MakeForm() {
    return std::unique_ptr<TVintraFilmScrSetupForm>(NewForm<TVintraFilmScrSetupForm>(nullptr));
  }
  void ShipSaver() {
    ASSERT_TRUE(CopyFileW(HostPath(QEV_SAVER_PATH).c_str(), (ShipDir + L"vintraflm.scr").c_str(),
                          FALSE));
  }
  static bool Exists(const std::wstring& FileName) {
    return GetFileAttributesW(FileName.c_str()) != INVALID_FILE_ATTRIBUTES;
  }

  TTempFolder Ship, Win;
  decltype(SetupFolderFunc) SavedFolder = SetupFolderFunc;
  decltype(SetupWindowsFolderFunc) SavedWindowsFolder = SetupWindowsFolderFunc;
  WideString SavedIni = SystemIniFileName;
  decltype(SetupSystemParametersFunc) SavedParameters = SetupSystemParametersFunc;
  decltype(SetupShellOpenFunc) SavedShellOpen = SetupShellOpenFunc;
  decltype(SetupSleepFunc) SavedSleep = SetupSleepFunc;
  WideString SavedDeskCpl = DeskCplName;
  Integer SavedPlatform = Win32Platform;
};

TEST_F(SetupFormTest, NtRoadInstallsUnderTheShippedNameAndRemovesTheOldSaver) {
  Win32Platform = VER_PLATFORM_WIN32_NT;
  ShipSaver();
  ASSERT_TRUE(CreateDirectoryW((WinDir + L"system").c_str(), nullptr));
  TTempFolder::CreateFileWithText(WinDir + L"system\\Vintra Film Stats.scr", "old");
  auto form = MakeForm();
  EXPECT_EQ(WizardCaption, form->Caption());
  EXPECT_NE(WideString::npos, form->WelcomeMsg()->Caption().find(L"\"vintraflm.scr\""));

  form->NextBtnClick(nullptr);
  EXPECT_EQ(ContentOf(HostPath(QEV_SAVER_PATH)), ContentOf(WinDir + L"vintraflm.scr"));
  EXPECT_FALSE(Exists(WinDir + L"system\\Vintra Film Stats.scr"));
  EXPECT_EQ(form->DonePage(), form->PageControl1()->ActivePage());
  EXPECT_FALSE(form->CancelBtn()->Enabled());
  EXPECT_EQ(L"Close", form->NextBtn()->Caption());
}

// The shipped file may lie on a read-only medium: it keeps its name and the
// copy in the Windows folder takes the new one.
TEST_F(SetupFormTest, NineXRoadInstallsUnderTheNewNameWithoutRenaming) {
  TRoadSwitch road(false);
  Win32Platform = VER_PLATFORM_WIN32_WINDOWS;
  ShipSaver();
  auto form = MakeForm();
  EXPECT_NE(WideString::npos,
            form->WelcomeMsg()->Caption().find(L"\"Vintra Film Screen Saver.scr\""));
  form->NextBtnClick(nullptr);
  EXPECT_EQ(ContentOf(HostPath(QEV_SAVER_PATH)), ContentOf(WinDir + L"Vintra Film Screen Saver.scr"));
  EXPECT_TRUE(Exists(ShipDir + L"vintraflm.scr"));
  EXPECT_FALSE(Exists(ShipDir + L"Vintra Film Screen Saver.scr"));
}

// Another program's messages with bogus pointers: nothing reads them, nothing
// is reported, and the wizard still closes.
TEST_F(SetupFormTest, ForeignMessagesWithPointersAreIgnoredAndTheWizardStillCloses) {
  ShipSaver();
  auto form = MakeForm();
  form->Show();
  TForeignSender sender;
  sender.Attack(form.get());
  EXPECT_EQ(std::vector<WideString>{}, sender.Faults);
  EXPECT_TRUE(sender.ZerosUntouched());
  form->Close();
  EXPECT_FALSE(form->Visible());
}

TEST_F(SetupFormTest, FileWithoutVersionShowsZeroVersion) {
  TTempFolder::CreateFileWithText(ShipDir + L"vintraflm.scr", "no version here");
  auto form = MakeForm();
  EXPECT_EQ(L"VINTRA Film Screen Saver 0.0 r0 Setup", form->Caption());
  EXPECT_EQ(L"VINTRA Film Screen Saver 0.0 r0", form->AppLbl()->Caption());
  EXPECT_EQ(L"Congratulations!  VINTRA Film Screen Saver 0.0 r0 was successfully installed.",
            form->FinalMsg()->Caption());
  EXPECT_EQ(L"Install", form->NextBtn()->Caption());
}

// Close on the done page opens the display settings (here, without a display
// panel, through the control panel) only when the box asks for it.
TEST_F(SetupFormTest, CloseOpensTheSettingsOnlyWhenTheBoxIsChecked) {
  ShipSaver();
  for (bool checked : {true, false}) {
    SCOPED_TRACE(checked);
    Started.clear();
    auto form = MakeForm();
    form->NextBtnClick(nullptr);
    ASSERT_EQ(form->DonePage(), form->PageControl1()->ActivePage());
    EXPECT_TRUE(form->LaunchApp()->Checked());
    form->LaunchApp()->SetChecked(checked);
    form->NextBtnClick(nullptr);
    EXPECT_EQ(checked ? std::vector<std::wstring>{L"Control.exe qev-no-such-panel.cpl"}
                      : std::vector<std::wstring>{},
              Started);
  }
}

// A failed copy reaches the caller, leaves the wizard where it was and keeps
// the older saver; an older saver that cannot go does not stop the install.
TEST_F(SetupFormTest, OlderSaverGoesOnlyAfterTheInstall) {
  ShipSaver();
  ASSERT_TRUE(CreateDirectoryW((WinDir + L"system").c_str(), nullptr));
  const WideString older = WinDir + L"system\\Vintra Film Stats.scr";
  struct {
    const wchar_t* Case;
    WideString Held;  // opened without sharing while Install runs
    bool Installs;
  } const cases[] = {{L"target held", WinDir + L"vintraflm.scr", false},
                     {L"older saver held", older, true}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Case);
    TTempFolder::CreateFileWithText(older, "old");
    TTempFolder::CreateFileWithText(WinDir + L"vintraflm.scr", "installed before");
    auto form = MakeForm();
    {
      THandleOwner held(CreateFileW(c.Held.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0,
                                    nullptr));
      ASSERT_NE(INVALID_HANDLE_VALUE, held.get());
      if (c.Installs) {
        EXPECT_NO_THROW(form->NextBtnClick(nullptr));
      } else {
        EXPECT_ANY_THROW(form->NextBtnClick(nullptr));
      }
    }
    EXPECT_EQ(c.Installs ? form->DonePage() : form->WelcomePage(),
              form->PageControl1()->ActivePage());
    EXPECT_EQ(!c.Installs, form->CancelBtn()->Enabled());
    EXPECT_EQ(c.Installs ? L"Close" : L"Install", form->NextBtn()->Caption());
    EXPECT_EQ("old", ContentOf(older));
  }
}

}  // namespace
