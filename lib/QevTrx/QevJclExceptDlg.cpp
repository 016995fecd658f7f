#include "QevJclExceptDlg.h"

#include <algorithm>

#include "QevClipBrd.h"
#include "QevLXMapiUtils.h"
#include "QevLXUtils.h"
#include "QevSysUtils.h"
#include "Scoped.h"

QEV_RESOURCESTRING(QevJclExceptDlg, RsAppError2, L"%s  (Application Error)");
QEV_RESOURCESTRING(QevJclExceptDlg, RsFatalError,
                   L"%s\r\n\r\nThe program cannot go on and ends now. The report of this error "
                   L"was written to:\r\n%s");
QEV_RESOURCESTRING(QevJclExceptDlg, RsFatalErrorNoFile,
                   L"%s\r\n\r\nThe program cannot go on and ends now. The report of this error "
                   L"could not be written: %s");

QEV_DEFINE_CLASS(TQevJclExceptionDialog, QEV_METHOD(ClipboardBtnClick), QEV_METHOD(EmailBtnClick),
                 QEV_METHOD(DetailsMemoDblClick))

TQevJclExceptionDialog* CurrentReportDialog = nullptr;
const WideChar* const DevelopmentEnvironmentExe = L"qevide.exe";
WideString ErrorFileFolder;

namespace {

const WideChar* const AttachmentName = L"Error Details.txt";

WideString ProgramName() { return WideExtractFileNameWithoutExt(WideGetExeFileName()); }

// Registers the program as an event source and reports one error event.
bool WriteEventLog(const WideString& Source, const WideString& Text) {
  HANDLE source = RegisterEventSourceW(nullptr, Source.c_str());
  if (!source) return false;
  TScopeExit deregister([source] { DeregisterEventSource(source); });
  LPCWSTR strings[1] = {Text.c_str()};
  return ReportEventW(source, EVENTLOG_ERROR_TYPE, 0, 0, nullptr, 1, 0, strings, nullptr) != FALSE;
}

void ShowFatalError(const WideString& Caption, const WideString& Text) {
  MessageBoxW(nullptr, Text.c_str(), Caption.c_str(),
              MB_OK | MB_ICONERROR | MB_SETFOREGROUND | MB_TOPMOST);
}

}  // namespace

TEventLogWriter EventLogWriter = &WriteEventLog;
TFatalErrorNotice FatalErrorNotice = &ShowFatalError;

namespace {

// The secondary exception's block for the log.
WideString SecondaryBlock(const Exception& E) {
  TQevStringList lines;
  lines.Add(L"<----Secondary Exception Stack Trace---->");
  lines.Add(AnsiToWide(E.ClassName()));
  lines.Add(E.Message);
  lines.Add(L"");
  const TStackInfoList stack = StackListOf(E);
  TStringList frames;
  stack.AddToStrings(&frames);
  for (Integer i = 0; i < frames.Count(); ++i) lines.Add(AnsiToWide(frames.Get(i)));
  return lines.Text();
}

// The open report goes to the log once it is written, then each exception
// raised meanwhile.
void LogSecondaryException(TQevJclExceptionDialog* Dialog, const Exception& E) {
  TFaultsEndProgram faultsEnd;  // the report cannot show its own fault
  if (!Dialog->ReportLogged) {
    if (!Dialog->DetailsBuilt) {
      Dialog->DetailsAllowed = true;
      Dialog->Perform(UM_BUILDDETAILS, 0, 0);
    }
    Dialog->ReportLogged = LogReport(AnsiToWide(Dialog->DetailsMemo()->Lines()->Text()));
  }
  LogReport(SecondaryBlock(E));
}

// The lines the program's report adds to the base report's details: the
// message (and an OLE error's code) below the head.
void InsertMessageLines(TStrings* Lines, const TReportedException& Reported) {
  Lines->Insert(2, "Exception message: " + WideToAnsi(Reported.Message));
  if (Reported.OleError)
    Lines->Insert(3, Format("OLE Exception Code: 0x%0:.8x (%0:d)", {Reported.OleErrorCode}));
}

// ...and the system information at their end.
void AddSystemInformation(TStrings* Lines) {
  if (!SystemInfoHook) return;
  TQevStringList info;
  SystemInfoHook(&info);
  for (Integer i = 0; i < info.Count(); ++i) Lines->Add(WideToAnsi(info.Get(i)));
}

AnsiString ErrorCaption(const TReportedException& Reported) {
  const AnsiString title = Application ? Application->Title() : AnsiString();
  return Reported.GeneralError ? title : WideToAnsi(WideFormat(LoadResString(RsAppError2), {title}));
}

class TJclHandlers : public TObject {
 public:
  void Report(TObject* Sender, Exception* E) { QevJclExceptionHandler(Sender, E); }
};
TJclHandlers Handlers;

TExceptionEvent JclExceptionEvent() {
  return TExceptionEvent::Bind<&TJclHandlers::Report>(&Handlers);
}

// Inside a catch block: the report, or a message box when none is installed.
void ShowCurrentException() noexcept {
  try {
    HandleCurrentException(Application);
  } catch (...) {
    TraceDroppedException(L"the program's last exception handler");
  }
}

}  // namespace

// ---------------------------------------------------------- TQevJclExceptionDialog

TQevJclExceptionDialog::TQevJclExceptionDialog(TComponent* AOwner) : TExceptionDialog(AOwner) {
  CurrentReportDialog = this;
  DetailsAllowed =
      !WideSameText(WideExtractFileName(WideGetExeFileName()), DevelopmentEnvironmentExe);
}

TQevJclExceptionDialog::~TQevJclExceptionDialog() {
  if (CurrentReportDialog == this) CurrentReportDialog = nullptr;
}

Integer TQevJclExceptionDialog::ShowModal() {
  MessageBeep(MB_ICONHAND);
  ExceptionMessage = Reported().Message;
  SetCaption(ErrorCaption(Reported()));
  FitMessageArea();
  ChooseDetailsFont();
  return inherited::ShowModal();
}

// Grows the message area (and the form) to show a long message whole, as far
// as the screen allows with room for the details.
void TQevJclExceptionDialog::FitMessageArea() {
  TMemo* label = TextLabel();
  AnsiString text = label->GetText();
  std::replace(text.begin(), text.end(), ':', ' ');
  RECT area{0, 0, label->ClientWidth() - 14, Screen->Height()};
  {
    TScreenDC dc;
    TSelectObject font(dc, label->Font()->Handle());
    DrawTextA(dc, text.c_str(), -1, &area, DT_EDITCONTROL | DT_CALCRECT | DT_WORDBREAK);
  }
  const Integer labelHeight = label->ClientHeight();
  const Integer room = Screen->Height() - 2 * (FullHeight_ - Bevel1()->Top()) -
                       (Height() - labelHeight) - DetailsMemo()->Left();
  const Integer growth = std::min<Integer>(area.bottom - area.top, room) - labelHeight;
  if (growth <= 0) return;
  for (TControl* c : std::initializer_list<TControl*>{DetailsBtn(), ClipboardBtn(), EmailBtn(),
                                                      OkBtn(), Bevel1(), DetailsMemo()})
    c->SetTop(c->Top() + growth);
  label->SetHeight(label->Height() + growth);
  NonDetailsHeight_ += growth;
  FullHeight_ += growth;
  SetHeightLimits(NonDetailsHeight_, NonDetailsHeight_);
  SetHeight(Height() + growth);
}

void TQevJclExceptionDialog::ChooseDetailsFont() {
  TFont* font = DetailsMemo()->Font();
  TStrings* fonts = Screen->Fonts();
  if (fonts->IndexOf(font->Name()) >= 0) return;
  if (fonts->IndexOf("Courier New") >= 0)
    font->SetName("Courier New");
  else
    DetailsMemo()->SetParentFont(true);
}

void TQevJclExceptionDialog::BeforeDetails() {
  if (!DetailsAllowed || DetailsBuilt) Abort();
}

void TQevJclExceptionDialog::FillDetails() {
  InsertMessageLines(DetailsMemo()->Lines(), Reported());
  inherited::FillDetails();
  AddSystemInformation(DetailsMemo()->Lines());
}

void TQevJclExceptionDialog::DetailsBtnClick(TObject* Sender) {
  try {
    DetailsAllowed = true;
    if (!DetailsBuilt) Perform(UM_BUILDDETAILS, 0, 0);
    inherited::DetailsBtnClick(Sender);
    ClipboardBtn()->SetVisible(DetailsShown());
    EmailBtn()->SetVisible(DetailsShown());
  } catch (const EAbort&) {
    throw;
  } catch (const Exception& E) {
    DetailsBuilt = true;
    TStrings* lines = DetailsMemo()->Lines();
    lines->Add("===============================");
    lines->Add("==   JCL DEBUG PARSE ERROR   ==");
    lines->Add("===============================");
    lines->Add(E.ClassName());
    lines->Add(WideToAnsi(E.Message));
  }
}

void TQevJclExceptionDialog::FormKeyDown(TObject* Sender, Word& Key, TShiftState Shift) {
  if (Key == VK_ESCAPE)
    Close();
  else
    inherited::FormKeyDown(Sender, Key, Shift);
}

void TQevJclExceptionDialog::FormPaint(TObject*) { DrawErrorIcon(10, 11); }

void TQevJclExceptionDialog::ClipboardBtnClick(TObject*) {
  QevClipboard()->SetAsWideText(AnsiToWide(DetailsMemo()->Lines()->Text()));
}

void TQevJclExceptionDialog::SaveDetails(const WideString& FileName) {
  TQevStringList lines;
  lines.SetTextStr(AnsiToWide(DetailsMemo()->Lines()->Text()));
  lines.SaveToFile(FileName);
}

void TQevJclExceptionDialog::DetailsMemoDblClick(TObject*) {
  if (!IsKeyDown(VK_SHIFT)) return;
  const WideString fileName = GetGcTempFileName(L".txt");
  SaveDetails(fileName);
  WideShellOpen(fileName, {}, {}, SW_SHOW);
}

void TQevJclExceptionDialog::EmailBtnClick(TObject*) {
  const WideString fileName = NewGcTempFolder() + AttachmentName;
  SaveDetails(fileName);
  SendMailMapi(Application->Title() + " Issue", WideToAnsi(ErrorMailBody(ExceptionMessage)),
               MapiFilePath(fileName), false);
}

WideString ErrorMailBody(const WideString& Message) {
  const WideString question = L"\r\n\r\n\r\n\r\n>> ";
  return L"Error message:\r\n  " + Message + L"\r\n\r\n" +
         L">> 1. What steps did you perform prior to encountering this error?" + question +
         L"2. What were you trying to accomplish?" + question +
         L"3. How often do you receive this error message?" + question +
         L"4. Besides email, what is the best way to contact you?" + question +
         L"^^^^^ Thank you for reporting this error! ^^^^^^\r\n\r\n" +
         L"(The attached file, \"" + AttachmentName +
         L"\", contains technical details about this error.)";
}

// ---------------------------------------------------------- handler and outputs

void QevJclExceptionHandler(TObject* Sender, Exception* E) {
  if (!E) return;
  if (CurrentReportDialog) {
    try {
      LogSecondaryException(CurrentReportDialog, *E);
    } catch (...) {
      TraceDroppedException(L"the record of a secondary exception");
    }
  }
  ReportExceptionHandler(Sender, E);
}

bool LogReport(const WideString& Text) {
  if (UnicodeApiAvailable) return LogToEventLog(Text);
  LogToErrorFile(Text);
  return true;
}

bool LogToEventLog(const WideString& Text) {
  if (EventLogWriter(ProgramName(), Text)) return true;
  OutputDebugStringW(L"The event log refused the exception report\n");
  return false;
}

WideString LogToErrorFile(const WideString& Text) {
  const WideString name = ProgramName();
  const WideString folder =
      ErrorFileFolder.empty()
          ? WideIncludeTrailingBackslash(WideGetTempPath()) + name + L"\\"
          : WideIncludeTrailingBackslash(ErrorFileFolder);
  WideForceDirectories(folder);
  WideString fileName;
  for (Integer n = 1;; ++n) {
    fileName = WideFormat(L"%s%s_Error_%.4d.txt", {folder, name, n});
    if (!WideFileExists(fileName)) break;
  }
  TQevStringList lines;
  lines.SetTextStr(Text);
  lines.SaveToFile(fileName);
  return fileName;
}

WideString FatalReportText(const Exception& E) {
  const TReportedException reported = TReportedException::Of(E);
  const AnsiString delimiter(100, '-');
  TStringList details;
  AddReportHead(&details, reported, nullptr, delimiter);
  InsertMessageLines(&details, reported);
  AddReportSections(&details, reported, {}, rsStack | rsSystem | rsModules, delimiter);
  AddSystemInformation(&details);
  return ReportMessage(reported.Message) + L"\r\n\r\n" + AnsiToWide(details.Text());
}

void ReportFatalException(const Exception& E) {
  const WideString message = ReportMessage(E.Message);
  WideString text;
  try {
    text = WideFormat(LoadResString(RsFatalError), {message, LogToErrorFile(FatalReportText(E))});
  } catch (const Exception& Failure) {
    text = WideFormat(LoadResString(RsFatalErrorNoFile), {message, Failure.Message});
  }
  FatalErrorNotice(AnsiToWide(ErrorCaption(TReportedException::Of(E))), text);
}

// ---------------------------------------------------------- the guarded run

int RunProgram(std::initializer_list<TProgramUnit> Units, void (*Body)()) {
  int result = 0;
  size_t started = 0;
  try {
    for (const TProgramUnit& unit : Units) {
      if (unit.Initialization) unit.Initialization();
      ++started;
    }
    if (Body) Body();
  } catch (...) {
    ShowCurrentException();
    result = 1;
  }
  while (started-- > 0) {
    try {
      if (auto end = Units.begin()[started].Finalization) end();
    } catch (...) {
      ShowCurrentException();
    }
  }
  return result;
}

void Initialization_QevJclExceptDlg() {
  RegisterClass(TQevJclExceptionDialog::StaticClass());
  ExceptionDialogClass = TQevJclExceptionDialog::StaticClass();
  Application->OnException = JclExceptionEvent();
  FatalExceptionHandler = &ReportFatalException;
}

void Finalization_QevJclExceptDlg() {
  FatalExceptionHandler = nullptr;
  if (Application) Application->OnException = ReportExceptionEvent();
  ExceptionDialogClass = TExceptionDialog::StaticClass();
}
