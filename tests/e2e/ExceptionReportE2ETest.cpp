// The real setup meets an older saver that another program holds open without
// sharing: its Install fails and the exception report shows. The test opens
// the details, copies them and mails them through the mail stand-in, which the
// setup loads as MAPI32.DLL from its own folder and which answers with an
// error, whose message shows the stand-in was reached. The Windows folder of
// the test's prefix is put back as it was. A processor fault in a thread of
// the running setup ends it with its report in a file and a box that says so.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "../Support/ScreenShot.h"
#include "../Support/TestSupport.h"
#include "ProgramWindows.h"
#include "QevClasses.h"
#include "Scoped.h"

namespace {

const std::wstring ReportCaption = L"VINTRA Film Screen Saver Setup  (Application Error)";

std::wstring ClipboardText() {
  std::wstring text;
  if (!OpenClipboard(nullptr)) return text;
  if (HANDLE data = GetClipboardData(CF_UNICODETEXT)) {
    text = static_cast<const wchar_t*>(GlobalLock(data));
    GlobalUnlock(data);
  }
  CloseClipboard();
  return text;
}

// The newest "Error Details.txt" of the mail folders ("Temp<number>") in the
// temporary folder, as text.
std::wstring MailedDetails() {
  wchar_t temp[MAX_PATH] = {};
  GetTempPathW(MAX_PATH, temp);
  std::wstring newest;
  FILETIME newestTime{};
  WIN32_FIND_DATAW found{};
  HANDLE search = FindFirstFileW((std::wstring(temp) + L"Temp*").c_str(), &found);
  for (BOOL more = search != INVALID_HANDLE_VALUE; more; more = FindNextFileW(search, &found)) {
    WIN32_FILE_ATTRIBUTE_DATA data{};
    const std::wstring name = std::wstring(temp) + found.cFileName + L"\\Error Details.txt";
    if (GetFileAttributesExW(name.c_str(), GetFileExInfoStandard, &data) &&
        CompareFileTime(&data.ftLastWriteTime, &newestTime) > 0)
      newest = name, newestTime = data.ftLastWriteTime;
  }
  if (search != INVALID_HANDLE_VALUE) FindClose(search);
  TQevStringList text;
  if (!newest.empty()) text.LoadFromFile(newest);
  return text.Text();
}

bool Has(const std::wstring& Text, const std::wstring& Part) {
  return Text.find(Part) != std::wstring::npos;
}

// The number of the first line of the setup form's source that holds Part.
int SetupFormLineOf(const std::wstring& Part) {
  TQevStringList source;
  source.LoadFromFile(HostPath(QEV_SETUP_FORM_SOURCE));
  for (int i = 0; i < source.Count(); ++i)
    if (Has(source.Get(i), Part)) return i + 1;
  return 0;
}

TEST(ExceptionReportE2ETest, FailedInstallIsReportedWithDetailsCopiedAndMailed) {
  wchar_t windows[MAX_PATH] = {};
  GetWindowsDirectoryW(windows, MAX_PATH);
  const std::wstring installed = std::wstring(windows) + L"\\vintraflm.scr";
  TTempFolder folder, backup;
  const std::wstring saved = backup.Path() + L"saver";
  const bool hadSaver = MoveFileW(installed.c_str(), saved.c_str());
  TScopeExit putBack([&] {
    DeleteFileW(installed.c_str());
    if (hadSaver) MoveFileW(saved.c_str(), installed.c_str());
  });
  TTempFolder::CreateFileWithText(installed, "an older saver");
  THandleOwner held(CreateFileW(installed.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0,
                                nullptr));
  ASSERT_NE(INVALID_HANDLE_VALUE, held.get());

  const std::wstring setupPath = folder.Path() + L"VintraFilmScrSetup.exe";
  ASSERT_TRUE(CopyFileW(HostPath(QEV_SETUP_PATH).c_str(), setupPath.c_str(), FALSE));
  ASSERT_TRUE(CopyFileW(HostPath(QEV_SAVER_PATH).c_str(), (folder.Path() + L"vintraflm.scr").c_str(),
                        FALSE));
  ASSERT_TRUE(CopyFileW(HostPath(QEV_MAPI_STANDIN).c_str(), (folder.Path() + L"MAPI32.DLL").c_str(),
                        FALSE));
  // The stand-in answers an error, whose message shows that it was reached.
  SetEnvironmentVariableW(L"QEV_MAPI_RESULT", L"2");
  // Wine prefers its own mail library to one in the program's folder unless
  // the prefix says otherwise, here for this program and this test only.
  const wchar_t* const appDefaults = L"Software\\Wine\\AppDefaults\\VintraFilmScrSetup.exe";
  RegSetKeyValueW(HKEY_CURRENT_USER, (std::wstring(appDefaults) + L"\\DllOverrides").c_str(),
                  L"mapi32", REG_SZ, L"native", sizeof(L"native"));
  TScopeExit restore([appDefaults] {
    SetEnvironmentVariableW(L"QEV_MAPI_RESULT", nullptr);
    RegDeleteTreeW(HKEY_CURRENT_USER, appDefaults);
  });
  TProgramUnderTest setup(L"\"" + setupPath + L"\"");
  ASSERT_TRUE(setup.Started());
  HWND wizard = setup.WaitWindow();
  ASSERT_TRUE(wizard);
  Click(ChildWithText(wizard, L"Install"));

  HWND report = WaitTopLevel(setup, ReportCaption);
  ASSERT_TRUE(report);
  std::vector<HWND> memos;  // the message and the details
  for (HWND w = nullptr; (w = FindWindowExW(report, w, L"TMemo", nullptr));) memos.push_back(w);
  ASSERT_EQ(2u, memos.size());
  if (TextOf(memos[0]).find(L"Exception class: ") == 0) std::swap(memos[0], memos[1]);
  const std::wstring message = TextOf(memos[0]);
  EXPECT_TRUE(Has(message, SysErrorMessage(ERROR_SHARING_VIOLATION))) << WideToAnsi(message);
  TScreenShot::OfWindow(report).Keep(L"ExceptionReport");

  Click(ChildWithText(report, L"&Details >>"));
  HWND copy = nullptr;
  ASSERT_TRUE(WaitFor([&] {
    copy = ChildWithText(report, L"Copy to Clipboard");
    return copy && IsWindowVisible(copy);
  }));
  const std::wstring details = TextOf(memos[1]);
  for (const wchar_t* part :
       {L"Exception class: EOSError\r\n", L"\r\nException message: ", L"\r\nStack list, generated ",
        L"\r\nSystem   : ", L"\r\nDisplay  : ", L"\r\nList of loaded modules:\r\n",
        L"\\VintraFilmScrSetup.exe\r\n", L"\r\nOS = "})
    EXPECT_TRUE(Has(details, part)) << WideToAnsi(part);
  EXPECT_TRUE(Has(details, L"Exception message: " + message.substr(0, message.find(L'\r'))));
  // The frame of the routine that installs names its unit and the line of the call.
  const size_t frame =
      details.find(L" VintraFilmScrSetup.exe  QevScrSetupFrm.cpp  TQevScrSetupForm::NextBtnClick + 0x");
  ASSERT_NE(std::wstring::npos, frame) << WideToAnsi(details);
  const std::wstring frameLine = details.substr(frame, details.find(L"\r\n", frame) - frame);
  const int installLine = SetupFormLineOf(L"InstallScreenSaverFile(");
  ASSERT_GT(installLine, 0);
  EXPECT_TRUE(Has(frameLine, L" (line " + std::to_wstring(installLine) + L")")) << WideToAnsi(frameLine);
  TScreenShot::OfWindow(report).Keep(L"ExceptionReportDetails");

  if (OpenClipboard(nullptr)) EmptyClipboard(), CloseClipboard();
  Click(copy);
  std::wstring copied;
  EXPECT_TRUE(WaitFor([&] { return !(copied = ClipboardText()).empty(); }));
  EXPECT_EQ(0u, copied.find(details)) << WideToAnsi(copied);

  Click(ChildWithText(report, L"Send Email"));
  HWND box = WaitTopLevel(setup, L"#32770");
  ASSERT_TRUE(box);
  EXPECT_TRUE(ChildWithText(box, L"One or more unspecified errors occurred. No message was sent."));
  EXPECT_EQ(copied, MailedDetails());
  Click(ChildWithText(box, L"OK"));

  ASSERT_TRUE(WaitFor([&] { return !IsWindow(box); }));
  Click(ChildWithText(report, L"OK"));
  ASSERT_TRUE(WaitFor([&] { return !IsWindowVisible(report); }));
  Click(ChildWithText(wizard, L"Cancel"));
  EXPECT_EQ(0u, setup.WaitExit().value_or(99));
}

// A thread sent to an address that holds no code faults at once.
TEST(ExceptionReportE2ETest, AFaultInAThreadEndsTheProgramWithItsReportInAFile) {
  TTempFolder folder;
  const std::wstring setupPath = folder.Path() + L"VintraFilmScrSetup.exe";
  ASSERT_TRUE(CopyFileW(HostPath(QEV_SETUP_PATH).c_str(), setupPath.c_str(), FALSE));
  ASSERT_TRUE(CopyFileW(HostPath(QEV_SAVER_PATH).c_str(), (folder.Path() + L"vintraflm.scr").c_str(),
                        FALSE));
  TProgramUnderTest setup(L"\"" + setupPath + L"\"");
  ASSERT_TRUE(setup.Started());
  ASSERT_TRUE(setup.WaitWindow());
  THandleOwner thread(CreateRemoteThread(setup.Process(), nullptr, 0,
                                         reinterpret_cast<LPTHREAD_START_ROUTINE>(0x10), nullptr,
                                         0, nullptr));
  ASSERT_TRUE(thread.get());

  HWND box = WaitTopLevel(setup, ReportCaption);
  ASSERT_TRUE(box);
  wchar_t text[1024] = {};
  GetDlgItemTextW(box, 0xFFFF, text, 1024);
  const std::wstring said = text;  // its lines end in LF here
  const std::wstring head = L"The report of this error was written to:";
  const size_t named = said.find(L'\n', said.find(head));
  ASSERT_NE(std::wstring::npos, named) << WideToAnsi(said);
  EXPECT_EQ(0u, said.find(L"Access violation at address ")) << WideToAnsi(said);
  const std::wstring reportFile = said.substr(named + 1);
  TScreenShot::OfWindow(box).Keep(L"FaultReportBox");
  Click(ChildWithText(box, L"OK"));
  EXPECT_EQ(static_cast<DWORD>(EXCEPTION_ACCESS_VIOLATION), setup.WaitExit().value_or(99));

  TQevStringList report;
  report.LoadFromFile(reportFile);
  const std::wstring written = report.Text();
  DeleteFileW(reportFile.c_str());
  for (const wchar_t* part :
       {L"\r\nException class: EAccessViolation\r\n", L"\r\nException message: Access violation",
        L"\r\nStack list, generated ", L"\r\nSystem   : ", L"\r\nList of loaded modules:\r\n",
        L"\\VintraFilmScrSetup.exe\r\n"})
    EXPECT_TRUE(Has(written, part)) << WideToAnsi(part);
}

}  // namespace
