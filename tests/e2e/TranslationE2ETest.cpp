// The real programs with a translation module beside them, which the runtime
// picks through the test prefix's locale-override key: a module made from the
// program itself translates its texts; one of another build is rebuilt with
// its translations; one without a build GUID is reported once and the program
// runs untranslated, as it does beside one cut short. Every module is made by
// the test from a copy of the program in a temp folder.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "../Support/ScreenShot.h"
#include "../Support/TestSupport.h"
#include "ProgramUnderTest.h"
#include "ProgramWindows.h"
#include "TranslationModule.h"

namespace {

const std::wstring WizardCaption = L"VINTRA Film Screen Saver 1.0 r0 Setup";
const std::wstring InstallRu = L"Установить";
const std::wstring NotPrepared =
    L"The translation resource was not properly prepared.  The application will run without a "
    L"translation.";

void PressEnter() {
  INPUT keys[2] = {};
  for (INPUT& key : keys) {
    key.type = INPUT_KEYBOARD;
    key.ki.wVk = VK_RETURN;
  }
  keys[1].ki.dwFlags = KEYEVENTF_KEYUP;
  SendInput(2, keys, sizeof(INPUT));
}

// Kept as a PNG once the program has painted it.
void Keep(HWND Wnd, const wchar_t* Name) {
  RedrawWindow(Wnd, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
  DWORD_PTR result = 0;
  SendMessageTimeoutW(Wnd, WM_NULL, 0, 0, SMTO_NORMAL, Patience, &result);
  TScreenShot::OfWindow(Wnd).Keep(Name);
}

std::string ContentOf(const std::wstring& FileName) {
  std::string content;
  HANDLE opened = CreateFileW(FileName.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                              OPEN_EXISTING, 0, nullptr);
  if (opened == INVALID_HANDLE_VALUE) return content;
  THandleOwner file(opened);
  char buffer[65536];
  for (DWORD read = 0; ReadFile(file.get(), buffer, sizeof(buffer), &read, nullptr) && read > 0;)
    content.append(buffer, read);
  return content;
}

// The setup with the saver beside it in a temp folder, picking its module
// "VintraFilmScrSetup.RUS" there.
class TSetupFolder {
 public:
  TSetupFolder()
      : Copied(CopyFileW(HostPath(QEV_SETUP_PATH).c_str(), Setup.c_str(), FALSE) &&
               CopyFileW(HostPath(QEV_SAVER_PATH).c_str(),
                         (Folder.Path() + L"vintraflm.scr").c_str(), FALSE)) {}

  TTempFolder Folder;
  const std::wstring Setup = Folder.Path() + L"VintraFilmScrSetup.exe";
  const std::wstring Module = Folder.Path() + L"VintraFilmScrSetup.RUS";
  const bool Copied;

 private:
  TLocaleOverrideFor Override_{Setup, L"RUS"};
};

TEST(TranslationE2ETest, SetupRunsOnItsModuleAndWarnsOnceOfAnUnpreparedOne) {
  const TSetupFolder at;
  ASSERT_TRUE(at.Copied);
  const std::wstring &setup = at.Setup, &module = at.Module;

  // Wide Cyrillic resource strings, and an 8-bit form caption that 1252 shows.
  TTranslationModule translated(setup, module);
  ASSERT_TRUE(translated.SetString(L"QevScrSetupFrm_SInstallBtn", InstallRu));
  ASSERT_TRUE(translated.SetString(L"QevScrSetupFrm_SInstallWecomeMsg",
                                   L"Добро пожаловать в программу установки %s %s."));
  ASSERT_TRUE(translated.SetFormString(L"TQEVSCRSETUPFORM", "Caption", "Cancel", "Arr\xEAter"));
  ASSERT_TRUE(translated.Write());
  const std::string made = ContentOf(module);
  {
    TProgramUnderTest program(L"\"" + setup + L"\"");
    HWND wizard = program.WaitWindow();
    ASSERT_TRUE(wizard);
    EXPECT_EQ(WizardCaption, TextOf(wizard)) << "something came before the wizard";
    wchar_t install[64] = {};
    GetWindowTextW(ChildWithText(wizard, InstallRu), install, 64);
    EXPECT_EQ(InstallRu, install);
    HWND cancel = ChildWithText(wizard, L"Arr\u00EAter");
    EXPECT_TRUE(cancel);
    Keep(wizard, L"TranslatedWizard");
    EXPECT_EQ(std::vector<HWND>{wizard}, program.Windows());
    Click(cancel);
    EXPECT_EQ(0u, program.WaitExit().value_or(99));
  }
  EXPECT_EQ(made, ContentOf(module)) << "a module of the same build is used as it is";

  // Its translated text must not show: the program goes back to its own.
  TTranslationModule unprepared(setup, module);
  ASSERT_TRUE(unprepared.SetString(L"QevScrSetupFrm_SInstallBtn", InstallRu));
  unprepared.SetRcText(QevTrxGuidName, QevTrxGuidPlaceholder);
  ASSERT_TRUE(unprepared.Write());
  TProgramUnderTest program(L"\"" + setup + L"\"");
  HWND box = program.WaitWindow();
  ASSERT_TRUE(box);
  EXPECT_EQ(L"#32770", ClassOf(box));
  EXPECT_TRUE(ChildWithText(box, NotPrepared));
  Keep(box, L"UnpreparedModuleMessage");
  ASSERT_TRUE(ActivateForInput(box));
  PressEnter();
  HWND wizard = nullptr;
  ASSERT_TRUE(WaitFor([&] {
    const std::vector<HWND> windows = program.Windows();
    wizard = windows.size() == 1 && TextOf(windows[0]) == WizardCaption ? windows[0] : nullptr;
    return wizard != nullptr;
  }));
  EXPECT_TRUE(ChildWithText(wizard, L"Install"));
  HWND cancel = ChildWithText(wizard, L"Cancel");
  EXPECT_TRUE(cancel);
  Keep(wizard, L"UntranslatedWizard");
  EXPECT_EQ(std::vector<HWND>{wizard}, program.Windows()) << "a second message";
  Click(cancel);
  EXPECT_EQ(0u, program.WaitExit().value_or(99));
}

// A module made for another build of the setup is rebuilt at start behind a
// busy window and keeps its translations. A rebuild that fails is reported
// and leaves the module as it was.
TEST(TranslationE2ETest, SetupRebuildsAModuleOfAnotherBuildOrLeavesItWhole) {
  const TSetupFolder at;
  ASSERT_TRUE(at.Copied);
  const std::wstring &setup = at.Setup, &module = at.Module;
  TTranslationModule older(setup, module);
  ASSERT_TRUE(older.SetString(L"QevScrSetupFrm_SInstallBtn", InstallRu));
  older.SetRcText(QevXrsName, L"QevScrSetupFrm_SInstallBtn=TRUE\r\n");
  older.SetRcText(QevTrxGuidName, L"{01234567-89AB-4CDE-8F01-23456789ABCD}");
  ASSERT_TRUE(older.Write());
  const std::string old = ContentOf(module);

  // Held open without leave to delete, the module cannot be replaced: the
  // rebuild fails at its end.
  {
    THandleOwner held(CreateFileW(module.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                  OPEN_EXISTING, 0, nullptr));
    TProgramUnderTest program(L"\"" + setup + L"\"");
    HWND box = WaitTopLevel(program, L"#32770");
    ASSERT_TRUE(box);
    ASSERT_TRUE(ActivateForInput(box));
    PressEnter();
    HWND wizard = WaitTopLevel(program, WizardCaption);
    ASSERT_TRUE(wizard);
    EXPECT_TRUE(ChildWithText(wizard, L"Install")) << "runs untranslated";
    Click(ChildWithText(wizard, L"Cancel"));
    EXPECT_EQ(0u, program.WaitExit().value_or(99));
  }
  EXPECT_EQ(old, ContentOf(module)) << "a failed rebuild touched the module";

  // Rebuilt, the module carries this build's GUID, so later starts take it as
  // it is (the case above).
  TProgramUnderTest program(L"\"" + setup + L"\"");
  bool busy = false;
  EXPECT_TRUE(WaitFor([&] {
    for (HWND wnd : program.Windows()) {
      // The program serves no messages while it rebuilds.
      wchar_t caption[MAX_PATH] = {};
      InternalGetWindowText(wnd, caption, MAX_PATH);
      busy = busy || std::wstring(caption) == L"Updating Translation Resource (" + module + L")";
    }
    return busy;
  }));
  HWND wizard = WaitTopLevel(program, WizardCaption);
  ASSERT_TRUE(wizard);
  EXPECT_TRUE(ChildWithText(wizard, InstallRu));
  Keep(wizard, L"RebuiltModuleWizard");
  Click(ChildWithText(wizard, L"Cancel"));
  EXPECT_EQ(0u, program.WaitExit().value_or(99));
  const std::string rebuilt = ContentOf(module);
  EXPECT_NE(old, rebuilt);
  EXPECT_TRUE(SameTranslationGuid(setup, module));
}

// ------------------------------------------------------------------ the saver

const wchar_t* const SaverKey = L"Software\\Qev\\VINTRAFilmScreenSaver";

void SetOption(const wchar_t* Name, const wchar_t* Value) {
  RegSetKeyValueW(HKEY_CURRENT_USER, (std::wstring(SaverKey) + L"\\Options").c_str(), Name, REG_SZ,
                  Value, static_cast<DWORD>((wcslen(Value) + 1) * sizeof(wchar_t)));
}

// The widths of the label lines (teal text on rows without the aqua of the
// counters and the message; runs of a few rows are the counters' smoothed
// edges), top down.
std::vector<int> LabelWidths(const TScreenShot& Shot) {
  std::vector<int> widths;
  int runTop = 0, runEnd = -10, left = 0, right = 0;
  auto endRun = [&] {
    if (runEnd >= 0 && runEnd - runTop >= 5) widths.push_back(right - left);
  };
  for (int y = 0; y < Shot.Height; ++y) {
    int rowLeft = Shot.Width, rowRight = -1;
    bool aqua = false;
    for (int x = 0; x < Shot.Width; ++x) {
      const COLORREF c = Shot.At(x, y);
      const int r = GetRValue(c), g = GetGValue(c), b = GetBValue(c);
      aqua = aqua || (r < 90 && g > 200 && b > 200);
      if (r < 40 && g > 70 && g < 170 && abs(g - b) < 24) {
        rowLeft = std::min(rowLeft, x);
        rowRight = std::max(rowRight, x);
      }
    }
    if (aqua || rowRight < 0) continue;
    if (y - runEnd > 4) {
      endRun();
      runTop = y;
      left = rowLeft;
      right = rowRight;
    }
    left = std::min(left, rowLeft);
    right = std::max(right, rowRight);
    runEnd = y;
  }
  endRun();
  return widths;
}

// Runs the saver until its labels and counters show; its screen.
TScreenShot SaverScreen(const std::wstring& Saver, const wchar_t* Name) {
  TProgramUnderTest saver(L"\"" + Saver + L"\" /s");
  HWND wnd = saver.WaitWindow();
  EXPECT_TRUE(wnd);
  TScreenShot shot;
  EXPECT_TRUE(WaitFor([&] {
    shot = TScreenShot::Of({0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)});
    return LabelWidths(shot).size() >= 2;
  }));
  shot.Keep(Name);
  EXPECT_EQ(std::vector<HWND>{wnd}, saver.Windows()) << "a message was shown";
  PostMessageW(wnd, WM_KEYDOWN, VK_SPACE, 1);
  EXPECT_EQ(0u, saver.WaitExit().value_or(99));
  return shot;
}

// A module cut after its resource directory is not prepared: the settings
// read none of its resources, say so once and run on their own.
TEST(TranslationE2ETest, SaverSettingsRunUntranslatedBesideACutModule) {
  TKeptSaverSettings kept;
  TTempFolder folder;
  const std::wstring saver = folder.Path() + L"vintraflm.scr",
                     module = folder.Path() + L"vintraflm.RUS";
  ASSERT_TRUE(CopyFileW(HostPath(QEV_SAVER_PATH).c_str(), saver.c_str(), FALSE));
  ASSERT_TRUE(CopyFileW(saver.c_str(), module.c_str(), FALSE));
  ASSERT_TRUE(CutAfterResourceDirectory(module));
  TLocaleOverrideFor override(saver, L"RUS");

  TProgramUnderTest settings(L"\"" + saver + L"\" /c");
  HWND box = WaitTopLevel(settings, L"#32770");
  ASSERT_TRUE(box);
  EXPECT_TRUE(ChildWithText(box, NotPrepared));
  ASSERT_TRUE(ActivateForInput(box));
  PressEnter();
  HWND dialog = WaitTopLevel(settings, L"VINTRA Film Screen Saver Properties");
  ASSERT_TRUE(dialog);
  EXPECT_EQ(std::vector<HWND>{dialog}, settings.Windows()) << "a second message";
  Click(ChildWithText(dialog, L"Cancel"));
  EXPECT_EQ(0u, settings.WaitExit().value_or(99));
}

// Without a module nothing is shown and the labels keep their own texts; with
// one, a label's 8-bit caption comes from the module's form.
TEST(TranslationE2ETest, SaverMainFormShowsTheModulesLabel) {
  TKeptSaverSettings kept;
  SetOption(L"AnimateDisplay", L"0");
  SetOption(L"DisplayImages", L"0");
  SetOption(L"AutoWebUpdate", L"0");
  TTempFolder folder;
  const std::wstring saver = folder.Path() + L"vintraflm.scr";
  ASSERT_TRUE(CopyFileW(HostPath(QEV_SAVER_PATH).c_str(), saver.c_str(), FALSE));
  TLocaleOverrideFor override(saver, L"RUS");
  const std::vector<int> own = LabelWidths(SaverScreen(saver, L"UntranslatedSaver"));

  TTranslationModule translated(saver, folder.Path() + L"vintraflm.RUS");
  ASSERT_TRUE(translated.SetFormString(L"TMAINFORM", "Caption", "World Population",
                                       "Population mondiale estim\351e"));
  ASSERT_TRUE(translated.Write());
  const std::vector<int> shown = LabelWidths(SaverScreen(saver, L"TranslatedSaver"));
  ASSERT_EQ(2u, own.size());
  ASSERT_EQ(2u, shown.size());
  EXPECT_NEAR(own[0], shown[0], 2) << "the other label changed";
  EXPECT_GT(shown[1], own[1] * 3 / 2) << "the world label is not the module's";
}

}  // namespace
