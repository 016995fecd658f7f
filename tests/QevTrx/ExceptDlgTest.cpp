// The exception report and the program handler, driven through the real
// modal dialog: a CBT hook hears each window of this thread activate and lets
// a driver window close message boxes (keeping their text) and run a test's
// steps inside the report's own message loop.
#include <gtest/gtest.h>

#include <cstdio>
#include <deque>
#include <functional>
#include <set>
#include <string>
#include <vector>

#include "../Platform/MessagePump.h"
#include "../Support/QevTestSupport.h"
#include "ExtCtrls.h"
#include "QevJclExceptDlg.h"
#include "QevLXUtils.h"
#include "Scoped.h"

// Outside any namespace, so that the routine table names them just so.
int* volatile Nowhere = reinterpret_cast<int*>(0x10);
volatile int Zero = 0;
[[gnu::noinline]] void FaultByWritingNowhere() { *Nowhere = 1; }
[[gnu::noinline]] void FaultByDividingByZero() { Nowhere = reinterpret_cast<int*>(1 / Zero); }
[[gnu::noinline]] void ThrowOutOfRange() { (void)std::vector<int>().at(1); }

namespace {

struct TSeenReport {
  AnsiString Caption, Message, Details;
  std::vector<void*> Frames;
  void* Address;
};

class TReportDriver {
 public:
  TReportDriver() {
    Window_ = CreateWindowExW(0, L"STATIC", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr,
                              nullptr);
    SetWindowLongPtrW(Window_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&Proc));
    Hook_ = SetWindowsHookExW(WH_CBT, &Cbt, nullptr, GetCurrentThreadId());
    Current = this;
  }
  ~TReportDriver() {
    UnhookWindowsHookEx(Hook_);
    DestroyWindow(Window_);
    Current = nullptr;
  }

  // Runs Step from this thread's message loop once the steps before it are
  // done; what it raises goes where a window procedure's exception goes.
  void Later(std::function<void()> Step) {
    Steps_.push_back(std::move(Step));
    if (Steps_.size() == 1) PostMessageW(Window_, WM_APP, 0, 0);
  }
  void Close(TQevJclExceptionDialog* Report) {
    Reports.push_back({Report->Caption(), Report->TextLabel()->GetText(),
                       Report->DetailsMemo()->Lines()->Text(), Report->Reported().Stack.Frames,
                       Report->Reported().Address});
    Report->SetModalResult(mrOk);
  }

  std::function<void(TQevJclExceptionDialog*)> OnReport = [this](TQevJclExceptionDialog* R) {
    Later([this, R] { Close(R); });  // after the details the report posted itself
  };
  std::vector<TSeenReport> Reports;
  std::vector<std::wstring> Boxes;

 private:
  static LRESULT CALLBACK Cbt(int Code, WPARAM WParam, LPARAM LParam) {
    if (Code == HCBT_ACTIVATE && Current) PostMessageW(Current->Window_, WM_APP + 1, WParam, 0);
    return CallNextHookEx(nullptr, Code, WParam, LParam);
  }
  static LRESULT CALLBACK Proc(HWND Wnd, UINT Msg, WPARAM WParam, LPARAM LParam) {
    if (Msg == WM_APP) Current->RunStep();
    else if (Msg == WM_APP + 1) Current->Activated(reinterpret_cast<HWND>(WParam));
    else return DefWindowProcW(Wnd, Msg, WParam, LParam);
    return 0;
  }
  void RunStep() {
    try {
      Steps_.front()();
    } catch (...) {
      HandleCurrentException(nullptr);
    }
    Steps_.pop_front();
    if (!Steps_.empty()) PostMessageW(Window_, WM_APP, 0, 0);
  }
  void Activated(HWND Wnd) {
    if (!Seen_.insert(Wnd).second) return;
    if (auto* report = dynamic_cast<TQevJclExceptionDialog*>(FindControl(Wnd))) {
      OnReport(report);
      return;
    }
    wchar_t cls[16] = {};
    GetClassNameW(Wnd, cls, 16);
    if (std::wstring(cls) != L"#32770") return;
    wchar_t text[256] = {};
    GetDlgItemTextW(Wnd, 0xFFFF, text, 256);  // a message box's text
    Boxes.push_back(text);
    PostMessageW(Wnd, WM_COMMAND, IDOK, 0);
  }

  static TReportDriver* Current;
  HWND Window_;
  HHOOK Hook_;
  std::deque<std::function<void()>> Steps_;
  std::set<HWND> Seen_;
};
TReportDriver* TReportDriver::Current = nullptr;

std::vector<std::wstring> Events;
int RefusedEvents = 0;  // the event log refuses this many writes first
bool RecordEvent(const WideString&, const WideString& Text) {
  if (RefusedEvents > 0) return --RefusedEvents, false;
  Events.push_back(Text);
  return true;
}

class ExceptDlgTest : public testing::Test {
 protected:
  void SetUp() override {
    Events.clear();
    RefusedEvents = 0;
  }
  template <class E>
  static void Report(const E& Error) {
    try {
      throw Error;
    } catch (...) {
      Application->HandleException(nullptr);
    }
  }
  bool Has(const AnsiString& Text, const char* Part) { return Text.find(Part) != AnsiString::npos; }

  TReportDriver Driver;
  TRestore<TEventLogWriter> SavedWriter{EventLogWriter, &RecordEvent};
  TRestore<WideString> SavedFolder{ErrorFileFolder};
};

TEST_F(ExceptDlgTest, CaptionTellsAUsersErrorAndTheMessageEndsInAFullStop) {
  Report(EQevGeneralError(L"Disk full"));
  Report(EConvertError(L"Line one\nline two."));
  ASSERT_EQ(2u, Driver.Reports.size());
  const AnsiString title = Application->Title();
  EXPECT_EQ(title, Driver.Reports[0].Caption);
  EXPECT_EQ("Disk full.", Driver.Reports[0].Message);
  EXPECT_EQ(title + "  (Application Error)", Driver.Reports[1].Caption);
  EXPECT_EQ("Line one\r\nline two.", Driver.Reports[1].Message);
  EXPECT_EQ(0u, Driver.Reports[0].Details.find(
                    "Exception class: EQevGeneralError\r\nException address: "));
  EXPECT_TRUE(Events.empty());
}

// The report keeps its own exception: the second and third exceptions are
// shown plainly and logged, and change nothing of what the report tells.
TEST_F(ExceptDlgTest, ExceptionsWhileAReportIsOpenAreShownPlainlyAndLogged) {
  TRoadSwitch nt(true);
  std::vector<void*> firstFrames;
  // The second comes before the report's posted build of its details, and
  // the event log refuses the first report: it is written with the third.
  Driver.Later([] { throw EQevInternalError(L"second"); });
  RefusedEvents = 1;
  Driver.OnReport = [this](TQevJclExceptionDialog* R) {
    Driver.Later([] { throw EConvertError(L"third"); });
    Driver.Later([this, R] { Driver.Close(R); });
  };
  try {
    throw EOSError(L"first");
  } catch (Exception& E) {
    firstFrames = StackListOf(E).Frames;
    Application->HandleException(nullptr);
  }
  EXPECT_EQ((std::vector<std::wstring>{L"second.", L"third."}), Driver.Boxes);
  ASSERT_EQ(3u, Events.size());
  const std::wstring head = L"<----Secondary Exception Stack Trace---->\r\n";
  EXPECT_EQ(0u, Events[0].find(head + L"EQevInternalError\r\nsecond\r\n\r\n")) << Events[0];
  EXPECT_NE(std::wstring::npos, Events[1].find(L"Exception class: EOSError\r\n"));
  EXPECT_NE(std::wstring::npos, Events[1].find(L"\r\nException message: first\r\n"));
  EXPECT_EQ(0u, Events[2].find(head + L"EConvertError\r\nthird\r\n\r\n")) << Events[2];

  ASSERT_EQ(1u, Driver.Reports.size());
  const TSeenReport& seen = Driver.Reports[0];
  EXPECT_EQ("first.", seen.Message);
  EXPECT_TRUE(Has(seen.Details, "Exception message: first\r\n"));
  const auto first = seen.Details.find("\r\nStack list, generated ");
  ASSERT_NE(AnsiString::npos, first) << seen.Details;
  EXPECT_EQ(AnsiString::npos, seen.Details.find("\r\nStack list, generated ", first + 1));
  EXPECT_FALSE(Has(seen.Details, "second") || Has(seen.Details, "third"));
  EXPECT_FALSE(firstFrames.empty());
  EXPECT_EQ(firstFrames, seen.Frames);
}

TEST_F(ExceptDlgTest, ErrorFilesTakeTheNextFreeNumber) {
  TRoadSwitch nineX(false);
  TTempFolder folder;
  ErrorFileFolder = folder.Path();
  const std::wstring name = folder.Path() + L"ExceptDlgTests_Error_000";
  TTempFolder::CreateFileWithText(name + L"1.txt", "one");
  TTempFolder::CreateFileWithText(name + L"2.txt", "two");
  LogReport(L"report \x436\r\n");
  TQevStringList written;
  written.LoadFromFile(name + L"3.txt");
  EXPECT_EQ(L"report \x436\r\n", written.Text());
}

// The plain log opens its file by wide name.
TEST_F(ExceptDlgTest, LogStampsAreFramedAndModulePrefixesTellARelocation) {
  TTempFolder folder;
  const std::wstring fileName = folder.Path() + L"\x436\x4E2D_Err.log";
  {
    TSimpleExceptionLog log(fileName);
    log.WriteTimeStamp(0);
    log.WriteLines("one  \r\ntwo", 2);
    log.CloseLogFile();
    log.WriteTimeStamp(10);
  }
  TStringList lines;
  TQevStringList text;
  text.LoadFromFile(fileName);
  lines.SetText(WideToAnsi(text.Text()));
  ASSERT_EQ(9, lines.Count());
  EXPECT_EQ(AnsiString(100, '='), lines.Get(0));
  EXPECT_EQ(100u, lines.Get(1).size());
  EXPECT_EQ("=  =", lines.Get(1).substr(0, 2) + lines.Get(1).substr(98));
  EXPECT_EQ("  one", lines.Get(3));
  EXPECT_EQ("  two", lines.Get(4));
  EXPECT_EQ("", lines.Get(5));
  EXPECT_EQ(AnsiString(20, '='), lines.Get(6));
  EXPECT_EQ("= ", lines.Get(7).substr(0, 2));
  EXPECT_EQ(AnsiString(20, '='), lines.Get(8));

  EXPECT_EQ("<00400000> ", ModuleBasePrefix(0x10000000, true, 0x400000));
  EXPECT_EQ(AnsiString(11, ' '), ModuleBasePrefix(0x400000, true, 0x400000));
  EXPECT_EQ(AnsiString(11, ' '), ModuleBasePrefix(0x10000000, false, 0));
}

class TRaiser : public TObject {
 public:
  void Fire(TObject* Sender) {
    static_cast<TTimer*>(Sender)->SetEnabled(false);
    throw Exception(L"from a timer");
  }
};

class TFailingThread : public TThread {
 public:
  TFailingThread() : TThread(true) {}

 protected:
  void Execute() override { throw EQevGeneralError(L"from a thread"); }
};

std::vector<std::string> Ran;

// Nothing of these reaches std::terminate: each ends in a report.
TEST_F(ExceptDlgTest, ExceptionsOfUnitsTimersAndThreadsAreReported) {
  const int result = RunProgram(
      {{[] { Ran.push_back("start 1"); }, [] { Ran.push_back("end 1"); }},
       {nullptr, [] { throw Exception(L"from a unit end"); }},
       {[] { throw Exception(L"from a unit start"); }, [] { Ran.push_back("end 3"); }}},
      [] { Ran.push_back("body"); });
  EXPECT_EQ(1, result);
  EXPECT_EQ((std::vector<std::string>{"start 1", "end 1"}), Ran);

  TRaiser raiser;
  TTimer timer(nullptr);
  timer.SetInterval(1);
  timer.SetOnTimer(TNotifyEvent::Bind<&TRaiser::Fire>(&raiser));
  EXPECT_TRUE(PumpUntil([&] { return Driver.Reports.size() == 3; }));

  TFailingThread thread;
  thread.OnTerminate = ReportThreadExceptionEvent();
  thread.Resume();
  thread.WaitFor();

  ASSERT_EQ(4u, Driver.Reports.size());
  EXPECT_EQ("from a unit start.", Driver.Reports[0].Message);
  EXPECT_EQ("from a unit end.", Driver.Reports[1].Message);
  EXPECT_EQ("from a timer.", Driver.Reports[2].Message);
  EXPECT_EQ("from a thread.", Driver.Reports[3].Message);
  EXPECT_TRUE(Has(Driver.Reports[3].Details, "\r\nThread: TThread (ID "));
}

// The step a timer runs; a cleanup around it must run before the report.
class TFaultingStep : public TObject {
 public:
  void Fire(TObject* Sender) {
    static_cast<TTimer*>(Sender)->SetEnabled(false);
    TScopeExit cleanup([this] { ++Cleanups; });
    Step();
  }
  void (*Step)() = nullptr;
  int Cleanups = 0;
};

AnsiString FirstFrameOf(const AnsiString& Details) {
  const auto at = Details.find("\r\n", Details.find("Stack list, generated "));
  return Details.substr(at + 2, Details.find("\r\n", at + 2) - at - 2);
}

// Each is reported as its own class with the stack where it happened, and
// the program goes on.
TEST_F(ExceptDlgTest, FaultsAndForeignExceptionsOfTheMainThreadAreReportedWhereTheyHappened) {
  TFaultingStep step;
  TTimer timer(nullptr);
  timer.SetInterval(1);
  timer.SetOnTimer(TNotifyEvent::Bind<&TFaultingStep::Fire>(&step));
  size_t made = 0;
  for (void (*fault)() : {&FaultByWritingNowhere, &FaultByDividingByZero, &ThrowOutOfRange}) {
    step.Step = fault;
    timer.SetEnabled(true);
    ++made;
    ASSERT_TRUE(PumpUntil([&] { return Driver.Reports.size() == made; }));
  }
  EXPECT_EQ(3, step.Cleanups);
  const TSeenReport& violation = Driver.Reports[0];
  EXPECT_TRUE(Has(violation.Message, "Access violation at address ")) << violation.Message;
  EXPECT_TRUE(Has(violation.Message, " in module 'ExceptDlgTests.exe'. Write of address ")) << violation.Message;
  EXPECT_EQ(0u, violation.Details.find("Exception class: EAccessViolation\r\n"));
  EXPECT_TRUE(Has(FirstFrameOf(violation.Details), "FaultByWritingNowhere")) << violation.Details;
  EXPECT_NE(std::wstring::npos, FormatCodeLocation(static_cast<BYTE*>(violation.Address) + 1)
                                    .find(L"FaultByWritingNowhere"));
  const TSeenReport& division = Driver.Reports[1];
  EXPECT_EQ("Division by zero.", division.Message);
  EXPECT_EQ(0u, division.Details.find("Exception class: EDivByZero\r\n"));
  EXPECT_TRUE(Has(FirstFrameOf(division.Details), "FaultByDividingByZero")) << division.Details;
  const TSeenReport& range = Driver.Reports[2];
  EXPECT_EQ(0u, range.Details.find("Exception class: std::out_of_range\r\n")) << range.Details;
  EXPECT_TRUE(Has(range.Details, "ThrowOutOfRange")) << range.Details;
}

class TFaultingThread : public TThread {
 public:
  TFaultingThread() : TThread(true) {}

 protected:
  void Execute() override { FaultByWritingNowhere(); }
};

void NoticeOnStandardError(const WideString&, const WideString& Text) {
  std::fprintf(stderr, "%s\n", WideToAnsi(Text).c_str());
}

// The program (a child of this test) ends with the fault's code; the report
// is in a file of the temporary folder, and a notice says where.
TEST_F(ExceptDlgTest, AFaultInAnotherThreadEndsTheProgramWithItsReportInAFile) {
  ErrorFileFolder = WideIncludeTrailingBackslash(WideGetTempPath()) + L"QevFaultReportTest\\";
  const WideString reportFile = ErrorFileFolder + L"ExceptDlgTests_Error_0001.txt";
  DeleteFileW(reportFile.c_str());
  EXPECT_EXIT(
      {
        FatalErrorNotice = &NoticeOnStandardError;
        TFaultingThread thread;
        thread.Resume();
        thread.WaitFor();
      },
      testing::ExitedWithCode(static_cast<int>(EXCEPTION_ACCESS_VIOLATION)),
      "The report of this error was written to:");
  TQevStringList report;
  report.LoadFromFile(reportFile);
  const AnsiString text = WideToAnsi(report.Text());
  DeleteFileW(reportFile.c_str());
  RemoveDirectoryW(ErrorFileFolder.c_str());
  EXPECT_TRUE(Has(text, "\r\n\r\nException class: EAccessViolation\r\n")) << text;
  EXPECT_TRUE(Has(text, "\r\nException message: Access violation at address ")) << text;
  EXPECT_TRUE(Has(FirstFrameOf(text), "FaultByWritingNowhere")) << text;
  EXPECT_TRUE(Has(text, "\r\nList of loaded modules:\r\n")) << text;
}

}  // namespace
