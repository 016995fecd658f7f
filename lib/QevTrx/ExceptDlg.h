// The exception report: a dialog that shows an exception's message and, on
// request, a technical report (call stack, system, loaded modules, active
// controls); the plain log file it can append to; and the application's
// exception handlers that route exceptions of the main thread and of worker
// threads into it.
#pragma once

#include <vector>

#include "DebugInfo.h"
#include "ExtCtrls.h"
#include "Forms.h"
#include "StdCtrls.h"

class TThread;

// Posted to the dialog to build its details once it is visible.
constexpr UINT UM_BUILDDETAILS = WM_USER + 0x100;

// Report sections (a bit mask).
constexpr Integer rsStack = 1;
constexpr Integer rsSystem = 2;
constexpr Integer rsModules = 4;
constexpr Integer rsActiveControls = 8;

// What a report tells of its exception, copied when the report is made: later
// exceptions, and the end of the exception object, change nothing of it.
struct TReportedException {
  AnsiString ClassName;
  WideString Message;
  TStackInfoList Stack;
  void* Address = nullptr;
  bool GeneralError = false;  // an EQevGeneralError, an error a user can meet
  bool OleError = false;      // an EOleSysError, with its code
  long OleErrorCode = 0;

  static TReportedException Of(const Exception& E);
};

// A text log opened for appending; an invalid handle while closed.
class TSimpleExceptionLog : public TObject {
 public:
  // Without a name: the program's folder, its name without extension, "_Err.log".
  explicit TSimpleExceptionLog(const WideString& FileName = {});
  ~TSimpleExceptionLog() override;
  const char* ClassName() const override { return "TSimpleExceptionLog"; }

  const WideString& FileName() const { return FileName_; }
  bool IsOpen() const { return Handle_ != INVALID_HANDLE_VALUE; }
  // Opens (or creates) the file at its end; a file that cannot be opened
  // stays closed and everything written is dropped.
  void OpenLogFile();
  void CloseLogFile();
  // Each line right-trimmed, indented by Indent blanks, ended by CR LF.
  void WriteLines(const AnsiString& Text, Integer Indent);
  // A frame of '=' (Width 0: 100, at least 20) around the date and time,
  // after an empty line unless the file was empty.
  void WriteTimeStamp(Integer Width);

 private:
  void Write(const AnsiString& Text);
  WideString FileName_;
  HANDLE Handle_ = INVALID_HANDLE_VALUE;
  bool WasEmpty_ = false;
};

class TExceptionDialog : public TForm {
  QEV_CLASS(TExceptionDialog, TForm)
 public:
  explicit TExceptionDialog(TComponent* AOwner);
  ~TExceptionDialog() override;

  void FormCreate(TObject* Sender);
  void FormDestroy(TObject* Sender);
  virtual void FormKeyDown(TObject* Sender, Word& Key, TShiftState Shift);
  virtual void FormPaint(TObject* Sender);
  void FormResize(TObject* Sender);
  void FormShow(TObject* Sender);
  virtual void DetailsBtnClick(TObject* Sender);

  TButton* OkBtn() { return Part<TButton>("OkBtn"); }
  TMemo* DetailsMemo() { return Part<TMemo>("DetailsMemo"); }
  TButton* DetailsBtn() { return Part<TButton>("DetailsBtn"); }
  TBevel* Bevel1() { return Part<TBevel>("Bevel1"); }
  TMemo* TextLabel() { return Part<TMemo>("TextLabel"); }

  virtual Integer ReportWidth() { return 100; }
  virtual AnsiChar ReportDelimiterChar() { return '-'; }

  // Takes the exception the report tells of and fills the message and the
  // head of the details; ShowExceptionReport calls it before ShowModal.
  void Prepare(const Exception& E, TThread* Thread);
  const TReportedException& Reported() const { return Reported_; }
  // The message, an empty line and the details: what Ctrl+C copies.
  AnsiString ReportText();
  bool DetailsShown() const { return DetailsShown_; }

  void Dispatch(TMessage& Message) override;

 protected:
  template <class T>
  T* Part(const char* Name) {
    return dynamic_cast<T*>(FindComponent(Name));
  }
  virtual void BeforeDetails() {}
  virtual void AfterDetails() {}
  virtual void FillDetails() { CreateDetailsReport(rsStack | rsSystem | rsModules | rsActiveControls); }
  void CreateDetailsReport(Integer Sections);
  void BuildDetails();
  // Shows or hides the details below Bevel1; the form's height limits follow.
  void ShowDetails(bool Show);
  void SetHeightLimits(Integer MinHeight, Integer MaxHeight);
  void UpdateTextLabelScrollBars();
  AnsiString DelimiterLine();
  // The error icon, its top left corner at X, Y.
  void DrawErrorIcon(Integer X, Integer Y);

  bool DetailsShown_ = false;
  Integer NonDetailsHeight_ = 0;
  Integer FullHeight_ = 0;  // the client height with the details shown
  bool MainThreadException_ = false;

 private:
  void WriteToLog();

  TSimpleExceptionLog* Log_ = nullptr;
  TReportedException Reported_;
  // The active control and its parents up to the form, as they were when the
  // report was made: the details may be built long after.
  std::vector<AnsiString> ActiveControls_;
  bool Building_ = false;
  bool Built_ = false;
};

// The report's text without a dialog, for the details and for a report that
// has no dialog. The head: "Exception class", then "Thread" or "Exception
// address", then Delimiter.
void AddReportHead(TStrings* Lines, const TReportedException& Reported, TThread* Thread,
                   const AnsiString& Delimiter);
// The sections named by Sections (rs* bits), each ended by Delimiter.
void AddReportSections(TStrings* Lines, const TReportedException& Reported,
                       const std::vector<AnsiString>& ActiveControls, Integer Sections,
                       const AnsiString& Delimiter);
// The message as the report shows it: with a final full stop, lines ended by CR LF.
WideString ReportMessage(const WideString& Message);

// "<ImageBase in 8 hex digits> " for a module not loaded at the image base its
// header asks for; 11 blanks when it is there or the header cannot be read.
AnsiString ModuleBasePrefix(ULONG_PTR LoadAddress, bool HeaderRead, ULONGLONG ImageBase);

// The class of dialog ShowExceptionReport makes.
extern const TClass* ExceptionDialogClass;
// The dialog while a report shows.
extern TExceptionDialog* ExceptionDialog;
// A report is showing: a further exception goes to a plain message box.
extern bool ExceptionShowing;

// Shows the report of E modally; with Thread, E came from that worker thread.
void ShowExceptionReport(const Exception& E, TThread* Thread);
// Application->OnException of this unit; never raises.
void ReportExceptionHandler(TObject* Sender, Exception* E);
// Reports the exception that ended Thread's Execute, on the main thread (for
// example from its OnTerminate); nothing when it ended without one.
void ReportThreadExceptionHandler(TThread* Thread);
// The two handlers as events: the application's OnException, and a thread's
// OnTerminate that reports the exception its Execute ended with.
TExceptionEvent ReportExceptionEvent();
TNotifyEvent ReportThreadExceptionEvent();

// Start: the report becomes the application's exception handler. End: the
// handler is removed again.
void Initialization_ExceptDlg();
void Finalization_ExceptDlg();
