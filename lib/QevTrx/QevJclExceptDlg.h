// The exception report both programs show: the report dialog with a caption
// that tells a user's error from a program error, a message area that grows
// with the message, the system information at the end of its details, and
// buttons that copy the details or hand them to the mail client. Its handler
// records an exception raised while a report is open (event log on NT, a
// numbered text file elsewhere); a processor fault that ends the program
// leaves its report in such a file. Also the programs' guarded run: their units
// and main block, with every exception ending in the report or a message box.
#pragma once

#include <initializer_list>

#include "ExceptDlg.h"
#include "QevStdCtrls.h"

class TQevJclExceptionDialog : public TExceptionDialog {
  QEV_CLASS(TQevJclExceptionDialog, TExceptionDialog)
 public:
  explicit TQevJclExceptionDialog(TComponent* AOwner);
  ~TQevJclExceptionDialog() override;

  Integer ShowModal() override;
  void DetailsBtnClick(TObject* Sender) override;
  void FormKeyDown(TObject* Sender, Word& Key, TShiftState Shift) override;
  void FormPaint(TObject* Sender) override;
  void ClipboardBtnClick(TObject* Sender);
  void EmailBtnClick(TObject* Sender);
  void DetailsMemoDblClick(TObject* Sender);

  TQevButton* ClipboardBtn() { return Part<TQevButton>("ClipboardBtn"); }
  TQevButton* EmailBtn() { return Part<TQevButton>("EmailBtn"); }

  bool DetailsAllowed = false;
  bool DetailsBuilt = false;
  bool ReportLogged = false;  // written to the event log or an error file
  WideString ExceptionMessage;

 protected:
  void BeforeDetails() override;
  void AfterDetails() override { DetailsBuilt = true; }
  void FillDetails() override;

 private:
  void FitMessageArea();
  void ChooseDetailsFont();
  void SaveDetails(const WideString& FileName);
};

// The dialog while it exists.
extern TQevJclExceptionDialog* CurrentReportDialog;
// The development environment's program, under which details wait for a click.
extern const WideChar* const DevelopmentEnvironmentExe;

// Application->OnException of this unit: records an exception raised while a
// report is open, then hands over to ReportExceptionHandler. Never raises.
void QevJclExceptionHandler(TObject* Sender, Exception* E);
// The event log on the NT family (UnicodeApiAvailable), an error file
// elsewhere; false when the event log refused the text. A file that cannot be
// written raises.
bool LogReport(const WideString& Text);
bool LogToEventLog(const WideString& Text);
// "<folder><program>_Error_<nnnn>.txt" with the first free number from 1; its name.
WideString LogToErrorFile(const WideString& Text);
// The report of an exception no dialog can show: the message, the details
// without active controls, and the system information.
WideString FatalReportText(const Exception& E);
// FatalExceptionHandler of this unit: the report goes to an error file and a
// message box tells the user where it is.
void ReportFatalException(const Exception& E);
// The text of the mail that carries the details.
WideString ErrorMailBody(const WideString& Message);

// Seams. The event log writer gets the program's name as the source; by
// default it registers that source and reports an error event.
using TEventLogWriter = bool (*)(const WideString& Source, const WideString& Text);
extern TEventLogWriter EventLogWriter;
// Tells the user that the program ends after an error; by default a message box.
using TFatalErrorNotice = void (*)(const WideString& Caption, const WideString& Text);
extern TFatalErrorNotice FatalErrorNotice;
// The error files' folder with its trailing backslash; empty: the temporary
// folder + the program's name + "\".
extern WideString ErrorFileFolder;

// One unit of a program: its start and its end, either may be null.
struct TProgramUnit {
  void (*Initialization)();
  void (*Finalization)();
};
// Starts the units in order and runs Body; then ends the units that started,
// in reverse order, each even when another fails. An exception from a start
// or from Body ends the program there; every exception is shown, by the
// report while its unit runs, else by a message box. 0, or 1 when the program
// ended early.
int RunProgram(std::initializer_list<TProgramUnit> Units, void (*Body)());

// Start: the report's dialog class and handler become this unit's. End: the
// base report's come back.
void Initialization_QevJclExceptDlg();
void Finalization_QevJclExceptDlg();
