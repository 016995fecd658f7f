#include "ExceptDlg.h"

#include <algorithm>
#include <memory>

#include "Classes.h"
#include "QevClipBrd.h"
#include "QevJCLUtils.h"
#include "QevLXUtils.h"
#include "QevLXVerUtils.h"
#include "QevSysUtils.h"
#include "QevWindows.h"
#include "Scoped.h"

QEV_RESOURCESTRING(ExceptDlg, RsAppError, L"%s - application error");
QEV_RESOURCESTRING(ExceptDlg, RsExceptionClass, L"Exception class: %s");
QEV_RESOURCESTRING(ExceptDlg, RsExceptionAddr, L"Exception address: %p");
QEV_RESOURCESTRING(ExceptDlg, RsThread, L"Thread: %s");
QEV_RESOURCESTRING(ExceptDlg, RsStackList, L"Stack list, generated %s");
QEV_RESOURCESTRING(ExceptDlg, RsModulesList, L"List of loaded modules:");
QEV_RESOURCESTRING(ExceptDlg, RsOSVersion,
                   L"System   : %s %s, Version: %d.%d, Build: %x, \"%s\"");
QEV_RESOURCESTRING(ExceptDlg, RsProcessor, L"Processor: %s, %s, %d MHz %s%s");
QEV_RESOURCESTRING(ExceptDlg, RsScreenRes, L"Display  : %dx%d pixels, %d bpp");
QEV_RESOURCESTRING(ExceptDlg, RsActiveControl, L"Active Controls hiearchy:");
QEV_RESOURCESTRING(ExceptDlg, RsMissingVersionInfo, L"(no version info)");

QEV_DEFINE_CLASS(TExceptionDialog, QEV_METHOD(FormCreate), QEV_METHOD(FormDestroy),
                 QEV_METHOD(FormKeyDown), QEV_METHOD(FormPaint), QEV_METHOD(FormResize),
                 QEV_METHOD(FormShow), QEV_METHOD(DetailsBtnClick))

const TClass* ExceptionDialogClass = nullptr;
TExceptionDialog* ExceptionDialog = nullptr;
bool ExceptionShowing = false;

namespace {

const AnsiString NoPrefix(11, ' ');
constexpr WORD ErrorIconId = 32513;  // IDI_HAND, whose macro is 8-bit here

AnsiString Res(const TResStringRec& Rec, TConstArray Args = {}) {
  return WideToAnsi(Args.empty() ? LoadResString(Rec) : WideFormat(LoadResString(Rec), Args));
}

AnsiString TrimRight(AnsiString S) {
  while (!S.empty() && static_cast<unsigned char>(S.back()) <= ' ') S.pop_back();
  return S;
}

// Line breaks of any kind become CR LF.
WideString AdjustLineBreaks(const WideString& S) {
  WideString result;
  for (size_t i = 0; i < S.size(); ++i) {
    if (S[i] == L'\r' || S[i] == L'\n') {
      if (S[i] == L'\r' && i + 1 < S.size() && S[i + 1] == L'\n') ++i;
      result += L"\r\n";
    } else {
      result += S[i];
    }
  }
  return result;
}

WideString WithFullStop(const WideString& Message) {
  if (Message.empty() || Message.back() == L'.') return Message;
  return Message + L'.';
}

AnsiString ThreadDescription(TThread* Thread) {
  return AnsiString(Thread->ClassName()) + " (ID " + IntToStr(Thread->ThreadID()) + ")";
}

// The control and its parents up to its form: class and name of each.
std::vector<AnsiString> ControlHierarchy(TWinControl* Control) {
  std::vector<AnsiString> lines;
  for (TWinControl* c = Control; c; c = c->Parent()) {
    lines.push_back(AnsiString(c->ClassName()) + " \"" + c->Name() + "\"");
    if (dynamic_cast<TCustomForm*>(c)) break;
  }
  return lines;
}

void AddModuleVersion(TStrings* Lines, const AnsiString& Prefix, const WideString& FileName) {
  try {
    const std::vector<Byte> block = GetFileVersionInfoBlock(FileName);  // read once
    const VS_FIXEDFILEINFO info = VersionBlockFixedInfo(block);  // zero-filled without one
    if (info.dwSignature != 0) {
      Lines->Add(Prefix +
                 Format("%u.%u.%u.%u", {HIWORD(info.dwFileVersionMS), LOWORD(info.dwFileVersionMS),
                                        HIWORD(info.dwFileVersionLS), LOWORD(info.dwFileVersionLS)}) +
                 " - " + WideToAnsi(VersionBlockString(block, L"FileVersion")));
      const WideString description = VersionBlockString(block, L"FileDescription");
      if (!description.empty()) Lines->Add(NoPrefix + WideToAnsi(description));
      return;
    }
  } catch (const Exception&) {
    // A module whose file cannot be read tells no version; the report goes on.
    TraceDroppedException(L"the exception report's module versions");
  }
  Lines->Add(Prefix + Res(RsMissingVersionInfo));
}

TExceptionDialog* NewExceptionDialog() {
  TClassFactory factory = ExceptionDialogClass ? ExceptionDialogClass->Factory() : nullptr;
  std::unique_ptr<TPersistent> made(factory ? factory(Application) : nullptr);
  auto* dialog = dynamic_cast<TExceptionDialog*>(made.get());
  if (!dialog) throw EInvalidOperation(L"Cannot create form");
  made.release();
  return static_cast<TExceptionDialog*>(InitNewForm(dialog));
}

struct TFormFree {
  void operator()(TCustomForm* Form) const {
    Form->BeforeDestruction();
    delete Form;
  }
};

// Reports E unless a report is showing already, which gets a plain box.
void ReportException(const Exception& E, TThread* Thread) {
  try {
    if (ExceptionShowing) {
      Application->ShowException(&E);
      return;
    }
    TRestore<bool> showing(ExceptionShowing, true);
    try {
      ShowExceptionReport(E, Thread);
    } catch (...) {
      TraceDroppedException(L"ShowExceptionReport");
      Application->ShowException(&E);
    }
  } catch (...) {
    // Nothing may leave an exception handler: its callers sit in window procedures.
    TraceDroppedException(L"the exception report's handler");
  }
}

class TReportHandlers : public TObject {
 public:
  void Report(TObject* Sender, Exception* E) { ReportExceptionHandler(Sender, E); }
  void ThreadTerminated(TObject* Sender) {
    ReportThreadExceptionHandler(dynamic_cast<TThread*>(Sender));
  }
};
TReportHandlers Handlers;

}  // namespace

// ---------------------------------------------------------- TReportedException

TReportedException TReportedException::Of(const Exception& E) {
  TReportedException r;
  r.ClassName = E.ClassName();
  r.Message = E.Message;
  r.Stack = StackListOf(E);
  r.Address = ExceptionAddressOf(E);
  r.GeneralError = dynamic_cast<const EQevGeneralError*>(&E) != nullptr;
  if (const auto* ole = dynamic_cast<const EOleSysError*>(&E)) {
    r.OleError = true;
    r.OleErrorCode = ole->ErrorCode;
  }
  return r;
}

// ---------------------------------------------------------- TSimpleExceptionLog

TSimpleExceptionLog::TSimpleExceptionLog(const WideString& FileName) : FileName_(FileName) {
  if (!FileName_.empty()) return;
  const WideString exe = WideGetExeFileName();
  FileName_ = WideExtractFilePath(exe) + WideExtractFileNameWithoutExt(exe) + L"_Err.log";
}

TSimpleExceptionLog::~TSimpleExceptionLog() { CloseLogFile(); }

void TSimpleExceptionLog::OpenLogFile() {
  if (IsOpen()) {
    WasEmpty_ = false;
    return;
  }
  // Wide: the program may lie in a folder whose name the ANSI code page cannot spell.
  HANDLE file = Qev_CreateFileW(FileName_.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                                OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return;
  Handle_ = file;
  LARGE_INTEGER end{};
  SetFilePointerEx(Handle_, LARGE_INTEGER{}, &end, FILE_END);
  WasEmpty_ = end.QuadPart == 0;
}

void TSimpleExceptionLog::CloseLogFile() {
  if (IsOpen()) CloseHandle(Handle_);
  Handle_ = INVALID_HANDLE_VALUE;
}

void TSimpleExceptionLog::Write(const AnsiString& Text) {
  DWORD written = 0;
  WriteFile(Handle_, Text.data(), static_cast<DWORD>(Text.size()), &written, nullptr);
}

void TSimpleExceptionLog::WriteLines(const AnsiString& Text, Integer Indent) {
  if (!IsOpen()) return;
  TStringList lines;
  lines.SetText(Text);
  const AnsiString indent(static_cast<size_t>(std::max(Indent, 0)), ' ');
  for (Integer i = 0; i < lines.Count(); ++i) Write(indent + TrimRight(lines.Get(i)) + "\r\n");
}

void TSimpleExceptionLog::WriteTimeStamp(Integer Width) {
  if (Width == 0) Width = 100;
  Width = std::max(Width, 20);
  OpenLogFile();
  if (!IsOpen()) return;
  if (!WasEmpty_) Write("\r\n");
  const AnsiString frame = AnsiString(static_cast<size_t>(Width), '=') + "\r\n";
  Write(frame);
  Write(Format("= %-*s =", {Width - 4, DateTimeToStr(Now())}) + "\r\n");
  Write(frame);
}

// ---------------------------------------------------------- TExceptionDialog

TExceptionDialog::TExceptionDialog(TComponent* AOwner) : TForm(AOwner) {}

TExceptionDialog::~TExceptionDialog() {
  delete Log_;
  if (ExceptionDialog == this) ExceptionDialog = nullptr;
}

void TExceptionDialog::FormCreate(TObject*) {
  Log_ = new TSimpleExceptionLog();
  SetCaption(Res(RsAppError, {Application->Title()}));
  DetailsShown_ = true;
  ShowDetails(false);
}

void TExceptionDialog::FormDestroy(TObject*) {
  delete Log_;
  Log_ = nullptr;
}

void TExceptionDialog::Prepare(const Exception& E, TThread* Thread) {
  TFaultsEndProgram faultsEnd;  // the report cannot show its own fault
  Reported_ = TReportedException::Of(E);
  MainThreadException_ = GetCurrentThreadId() == MainThreadID;
  ActiveControls_ = ControlHierarchy(Screen->ActiveControl());
  TextLabel()->SetText(WideToAnsi(ReportMessage(Reported_.Message)));
  UpdateTextLabelScrollBars();
  AddReportHead(DetailsMemo()->Lines(), Reported_, Thread, DelimiterLine());
}

AnsiString TExceptionDialog::DelimiterLine() {
  return AnsiString(static_cast<size_t>(ReportWidth()), ReportDelimiterChar());
}

AnsiString TExceptionDialog::ReportText() {
  AnsiString text = TextLabel()->Lines()->Text();
  if (text.size() < 2 || text.compare(text.size() - 2, 2, "\r\n") != 0) text += "\r\n";
  return text + "\r\n" + DetailsMemo()->Lines()->Text();
}

void TExceptionDialog::Dispatch(TMessage& Message) {
  if (Message.Msg != UM_BUILDDETAILS) {
    inherited::Dispatch(Message);
    return;
  }
  Update();
  BuildDetails();
}

void TExceptionDialog::FormShow(TObject*) {
  try {
    BeforeDetails();
  } catch (const EAbort&) {
    return;  // nothing to build now
  }
  MessageBeep(MB_ICONHAND);
  if (MainThreadException_ && GetWindowThreadProcessId(Handle(), nullptr) == MainThreadID)
    PostMessageW(Handle(), UM_BUILDDETAILS, 0, 0);  // once the dialog is visible
  else
    BuildDetails();
}

void TExceptionDialog::BuildDetails() {
  // Built once: a secondary exception may have forced them before the posted build.
  if (Building_ || Built_) return;
  Built_ = true;
  TFaultsEndProgram faultsEnd;  // the report cannot show its own fault
  TRestore<bool> building(Building_, true);
  Screen->SetCursor(crHourGlass);
  DetailsMemo()->Lines()->BeginUpdate();
  TScopeExit done([this] {
    try {
      DetailsMemo()->Lines()->EndUpdate();
      OkBtn()->SetEnabled(true);
      DetailsBtn()->SetEnabled(true);
      if (OkBtn()->CanFocus()) OkBtn()->SetFocus();
    } catch (...) {
      TraceDroppedException(L"the exception report's details");
    }
    Screen->SetCursor(crDefault);
  });
  FillDetails();
  if (Tag() & 1) WriteToLog();
  DetailsMemo()->SetSelStart(0);
  DetailsMemo()->Perform(EM_SCROLLCARET, 0, 0);
  AfterDetails();
}

void TExceptionDialog::WriteToLog() {
  TScopeExit close([this] { Log_->CloseLogFile(); });
  Log_->WriteTimeStamp(ReportWidth());
  Log_->WriteLines(ReportText(), 0);
}

void TExceptionDialog::CreateDetailsReport(Integer Sections) {
  AddReportSections(DetailsMemo()->Lines(), Reported_, ActiveControls_, Sections, DelimiterLine());
}

namespace {

void AddStackSection(TStrings* Lines, const TStackInfoList& Stack, const AnsiString& Delimiter) {
  if (Stack.Frames.empty()) return;
  Lines->Add(Res(RsStackList, {DateTimeToStr(Stack.TimeStamp)}));
  Stack.AddToStrings(Lines);
  Lines->Add(Delimiter);
}

void AddSystemSection(TStrings* Lines, const AnsiString& Delimiter) {
  const TWindowsVersion os = GetWindowsVersion();
  Lines->Add(Res(RsOSVersion, {os.Name, os.ProductType, os.Major, os.Minor, os.Build, os.ServicePack}));
  try {
    const TProcessorInfo cpu = GetProcessorInfo();
    Lines->Add(Res(RsProcessor, {cpu.Vendor, cpu.Name, cpu.MHz, cpu.HasMmx ? L"MMX" : L"",
                                 cpu.HasFdivBug ? L" [FDIV Bug]" : L""}));
  } catch (const Exception& E) {
    const AnsiString dashes = "---------------- Exception during CPU Info --------------";
    Lines->Add(dashes);
    Lines->Add(AnsiString(E.ClassName()) + ": " + WideToAnsi(E.Message));
    Lines->Add(dashes);
  }
  TScreenDC screen;
  Lines->Add(Res(RsScreenRes, {Screen->Width(), Screen->Height(),
                               GetDeviceCaps(screen, BITSPIXEL) * GetDeviceCaps(screen, PLANES)}));
  Lines->Add(Delimiter);
}

void AddModulesSection(TStrings* Lines, const AnsiString& Delimiter) {
  std::vector<TLoadedModule> modules;
  if (!GetLoadedModules(modules)) return;
  Lines->Add(Res(RsModulesList));
  for (const TLoadedModule& module : modules) {
    Lines->Add(Format("[%.8x] %s", {module.Base, WideToAnsi(module.FileName)}));
    ULONGLONG imageBase = 0;
    const bool read = ReadPeImageBase(module.FileName, imageBase);
    AddModuleVersion(Lines, ModuleBasePrefix(module.Base, read, imageBase), module.FileName);
  }
  Lines->Add(Delimiter);
}

}  // namespace

void AddReportHead(TStrings* Lines, const TReportedException& Reported, TThread* Thread,
                   const AnsiString& Delimiter) {
  Lines->Add(Res(RsExceptionClass, {Reported.ClassName}));
  if (Thread)
    Lines->Add(Res(RsThread, {ThreadDescription(Thread)}));
  else
    Lines->Add(Res(RsExceptionAddr, {Reported.Address}));
  Lines->Add(Delimiter);
}

void AddReportSections(TStrings* Lines, const TReportedException& Reported,
                       const std::vector<AnsiString>& ActiveControls, Integer Sections,
                       const AnsiString& Delimiter) {
  if (Sections & rsStack) AddStackSection(Lines, Reported.Stack, Delimiter);
  if (Sections & rsSystem) AddSystemSection(Lines, Delimiter);
  if (Sections & rsModules) AddModulesSection(Lines, Delimiter);
  if (Sections & rsActiveControls && !ActiveControls.empty()) {
    Lines->Add(Res(RsActiveControl));
    for (const AnsiString& line : ActiveControls) Lines->Add(line);
    Lines->Add(Delimiter);
  }
}

WideString ReportMessage(const WideString& Message) {
  return AdjustLineBreaks(WithFullStop(Message));
}

AnsiString ModuleBasePrefix(ULONG_PTR LoadAddress, bool HeaderRead, ULONGLONG ImageBase) {
  if (!HeaderRead || ImageBase == LoadAddress) return NoPrefix;
  return Format("<%.8x> ", {ImageBase});
}

// ---------------------------------------------------------- layout, keys, paint

void TExceptionDialog::SetHeightLimits(Integer MinHeight, Integer MaxHeight) {
  TSizeConstraints* limits = Constraints();
  limits->SetMaxHeight(0);
  limits->SetMinHeight(MinHeight);
  limits->SetMaxHeight(MaxHeight);
}

void TExceptionDialog::ShowDetails(bool Show) {
  AnsiString caption = DetailsBtn()->Caption();
  caption.erase(std::remove_if(caption.begin(), caption.end(),
                               [](char c) { return c == '<' || c == '>'; }),
                caption.end());
  caption = Trim(caption);
  TMemo* memo = DetailsMemo();
  if (Show) {
    SetHeightLimits(NonDetailsHeight_ + 100, Screen->Height());
    caption = "<< " + caption;
    SetClientHeight(FullHeight_);
    memo->SetHeight(FullHeight_ - memo->Top() - 3);
  } else {
    FullHeight_ = ClientHeight();
    caption += " >>";
    SetHeightLimits(0, 0);
    if (NonDetailsHeight_ == 0) {
      SetClientHeight(Bevel1()->Top());
      NonDetailsHeight_ = Height();
    } else {
      SetHeight(NonDetailsHeight_);
    }
    SetHeightLimits(NonDetailsHeight_, NonDetailsHeight_);
  }
  DetailsShown_ = Show;
  DetailsBtn()->SetCaption(caption);
  memo->SetEnabled(Show);
}

void TExceptionDialog::DetailsBtnClick(TObject*) { ShowDetails(!DetailsShown_); }

void TExceptionDialog::UpdateTextLabelScrollBars() {
  if (Tag() & 2) return;
  TMemo* label = TextLabel();
  TScreenDC dc;
  TSelectObject font(dc, label->Font()->Handle());
  SIZE size{};
  GetTextExtentPoint32A(dc, "Wg", 2, &size);
  label->SetScrollBars(label->Lines()->Count() * size.cy > label->ClientHeight() ? ssVertical
                                                                                  : ssNone);
}

void TExceptionDialog::FormResize(TObject*) { UpdateTextLabelScrollBars(); }

void TExceptionDialog::FormKeyDown(TObject*, Word& Key, TShiftState Shift) {
  if (Key != 'C' || !Shift.Contains(ssCtrl)) return;
  QevClipboard()->SetAsWideText(AnsiToWide(ReportText()));
  MessageBeep(0);
}

void TExceptionDialog::DrawErrorIcon(Integer X, Integer Y) {
  DrawIcon(Canvas()->Handle(), X, Y, LoadIconW(nullptr, MAKEINTRESOURCEW(ErrorIconId)));
}

void TExceptionDialog::FormPaint(TObject*) {
  DrawErrorIcon(TextLabel()->Left() - GetSystemMetrics(SM_CXICON) - 15, TextLabel()->Top());
}

// ---------------------------------------------------------- handlers

void ShowExceptionReport(const Exception& E, TThread* Thread) {
  std::unique_ptr<TExceptionDialog, TFormFree> owned;
  if (!ExceptionDialog) {
    owned.reset(NewExceptionDialog());
    ExceptionDialog = owned.get();
  }
  TScopeExit forget([&owned] {
    if (owned) ExceptionDialog = nullptr;
  });
  ExceptionDialog->Prepare(E, Thread);
  ExceptionDialog->ShowModal();
}

void ReportExceptionHandler(TObject*, Exception* E) {
  if (E) ReportException(*E, nullptr);
}

void ReportThreadExceptionHandler(TThread* Thread) {
  if (!Thread || !Thread->FatalException()) return;
  try {
    std::rethrow_exception(Thread->FatalException());
  } catch (const EAbort&) {
  } catch (const Exception& E) {
    ReportException(E, Thread);
  } catch (...) {
    ReportException(CurrentForeignException(), Thread);
  }
}

TExceptionEvent ReportExceptionEvent() {
  return TExceptionEvent::Bind<&TReportHandlers::Report>(&Handlers);
}

TNotifyEvent ReportThreadExceptionEvent() {
  return TNotifyEvent::Bind<&TReportHandlers::ThreadTerminated>(&Handlers);
}

void Initialization_ExceptDlg() {
  RegisterClass(TExceptionDialog::StaticClass());
  ExceptionDialogClass = TExceptionDialog::StaticClass();
  Application->OnException = ReportExceptionEvent();
}

void Finalization_ExceptDlg() {
  if (Application && Application->OnException == ReportExceptionEvent())
    Application->OnException = nullptr;
}
