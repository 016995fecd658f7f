// The open and save dialogs with wide texts and file names.
#include <vector>

#include "QevControls.h"
#include "QevDialogs.h"
#include "QevSysUtils.h"
#include "Scoped.h"

namespace {
BOOL WINAPI OpenFileNameW(LPOPENFILENAMEW Ofn) {
  return CallComDlg<TOpenFileNameFuncW>("GetOpenFileNameW", Ofn);
}
BOOL WINAPI SaveFileNameW(LPOPENFILENAMEW Ofn) {
  return CallComDlg<TOpenFileNameFuncW>("GetSaveFileNameW", Ofn);
}
}  // namespace

TOpenFileNameFuncW GetOpenFileNameProcW = &OpenFileNameW;
TOpenFileNameFuncW GetSaveFileNameProcW = &SaveFileNameW;

QEV_DEFINE_CLASS(TQevOpenDialog,
                 QEV_PROPERTY(DefaultExt, DefaultExt, SetDefaultExt),
                 QEV_PROPERTY(FileName, FileName, SetFileName),
                 QEV_PROPERTY(Filter, Filter, SetFilter),
                 QEV_PROPERTY(InitialDir, InitialDir, SetInitialDir),
                 QEV_PROPERTY(Title, Title, SetTitle),
                 QEV_PROPERTY(OnIncludeItem, OnIncludeItem, OnIncludeItem))
QEV_DEFINE_CLASS(TQevSaveDialog)

namespace {

// The dialog whose platform preparation CaptureRecord receives.
thread_local TQevOpenDialog* PreparingDialog = nullptr;

template <void (TOpenDialog::*Set)(const AnsiString&)>
void AnsiSetter(TObject* Dialog, const AnsiString& Value) {
  (static_cast<TOpenDialog*>(Dialog)->*Set)(Value);
}

// A text for the record: nullptr when empty.
const WideChar* TextOrNull(const WideString& Text) { return Text.empty() ? nullptr : Text.c_str(); }

}  // namespace

TQevOpenDialog::TQevOpenDialog(TComponent* AOwner)
    : TOpenDialog(AOwner), Files_(new TQevStringList) {}

TQevOpenDialog::~TQevOpenDialog() { delete Files_; }

void TQevOpenDialog::DefineProperties(TFiler* Filer) {
  TOpenDialog::DefineProperties(Filer);
  DefineWideProperties(Filer, this);
}

// ---------------------------------------------------------------- texts

WideString TQevOpenDialog::DefaultExt() {
  return ReconcileWideText(DefaultExt_, TOpenDialog::DefaultExt());
}

void TQevOpenDialog::SetDefaultExt(const WideString& Value) {
  SetHeldWideText(Value, DefaultExt_, TOpenDialog::DefaultExt(),
                  &AnsiSetter<&TOpenDialog::SetDefaultExt>, this);
}

WideString TQevOpenDialog::FileName() {
  if (UnicodeApiAvailable && ExplorerStyle() && Handle())
    if (auto path = DialogsDetail::DialogFilePath<WideChar>(GetParent(Handle()))) return *path;
  return ReconcileWideText(FileName_, TOpenDialog::FileName());
}

void TQevOpenDialog::SetFileName(const WideString& Value) {
  FileName_ = Value;
  TOpenDialog::SetFileName(WideToAnsi(Value));
}

WideString TQevOpenDialog::Filter() { return ReconcileWideText(Filter_, TOpenDialog::Filter()); }

void TQevOpenDialog::SetFilter(const WideString& Value) {
  SetHeldWideText(Value, Filter_, TOpenDialog::Filter(), &AnsiSetter<&TOpenDialog::SetFilter>,
                  this);
}

WideString TQevOpenDialog::InitialDir() {
  return ReconcileWideText(InitialDir_, TOpenDialog::InitialDir());
}

void TQevOpenDialog::SetInitialDir(const WideString& Value) {
  std::size_t length = Value.size();
  if (length > 1 && Value[length - 1] == L'\\' && Value[length - 2] != L':') --length;
  SetHeldWideText(Value.substr(0, length), InitialDir_, TOpenDialog::InitialDir(),
                  &AnsiSetter<&TOpenDialog::SetInitialDir>, this);
}

WideString TQevOpenDialog::Title() { return ReconcileWideText(Title_, TOpenDialog::Title()); }

void TQevOpenDialog::SetTitle(const WideString& Value) {
  SetHeldWideText(Value, Title_, TOpenDialog::Title(), &AnsiSetter<&TOpenDialog::SetTitle>, this);
}

// ------------------------------------------------------------ execution

bool TQevOpenDialog::Execute() { return ExecuteWith(GetOpenFileNameProcA, GetOpenFileNameProcW); }

bool TQevSaveDialog::Execute() { return ExecuteWith(GetSaveFileNameProcA, GetSaveFileNameProcW); }

bool TQevOpenDialog::ExecuteWith(TOpenFileNameFuncA AnsiFunc, TOpenFileNameFuncW WideFunc) {
  if (UnicodeApiAvailable) return DoExecuteW(WideFunc);
  const bool confirmed = DoExecute(AnsiFunc);
  Files_->Assign(TOpenDialog::Files());  // emptied by a run that was not confirmed
  return confirmed;
}

BOOL WINAPI TQevOpenDialog::CaptureRecord(LPOPENFILENAMEA Record) {
  PreparingDialog->Prepared_ = *Record;
  return FALSE;
}

bool TQevOpenDialog::DoExecuteW(TOpenFileNameFuncW Func) {
  Files_->Clear();
  {
    TRestore<TQevOpenDialog*> preparing(PreparingDialog, this);
    DoExecute(&CaptureRecord);
  }
  const OPENFILENAMEA& prepared = Prepared_;
  const WideString filter = DialogsDetail::FilterBuffer(Filter());
  const WideString fileName = FileName();
  std::vector<WideChar> file(prepared.nMaxFile + 2, L'\0');
  fileName.copy(file.data(), prepared.nMaxFile);
  WideString initialDir = InitialDir();
  if (initialDir.empty() && ForceCurrentDirectory) initialDir = L".";
  const WideString title = Title();
  WideString defaultExt = DefaultExt();
  if (defaultExt.empty() && !(prepared.Flags & OFN_EXPLORER)) {
    defaultExt = WideExtractFileExt(fileName);
    if (!defaultExt.empty()) defaultExt.erase(0, 1);
  }
  const bool namedTemplate = Template() && !IS_INTRESOURCE(Template());
  const WideString templateName = namedTemplate ? AnsiToWide(Template()) : WideString();

  OPENFILENAMEW record{};
  record.lStructSize = sizeof record;
  record.hwndOwner = prepared.hwndOwner;
  record.hInstance = prepared.hInstance;
  record.lpstrFilter = TextOrNull(filter);
  record.nFilterIndex = prepared.nFilterIndex;
  record.lpstrFile = file.data();
  record.nMaxFile = prepared.nMaxFile;
  record.lpstrInitialDir = TextOrNull(initialDir);
  record.lpstrTitle = TextOrNull(title);
  record.Flags = prepared.Flags;
  record.lpstrDefExt = TextOrNull(defaultExt);
  record.lCustData = prepared.lCustData;
  record.lpfnHook = prepared.lpfnHook;
  record.lpTemplateName =
      namedTemplate ? templateName.c_str() : reinterpret_cast<LPCWSTR>(Template());
  record.FlagsEx = prepared.FlagsEx;

  if (!TaskModalDialog([&] { return Func(&record); })) return false;
  GetFileNamesW(record);
  TakeReturnedChoices(record.Flags, record.nFilterIndex);
  return true;
}

void TQevOpenDialog::GetFileNamesW(const OPENFILENAMEW& Record) {
  const bool multi = Options().Contains(ofAllowMultiSelect);
  const auto names =
      DialogsDetail::ChosenFileNames<WideChar>(Record.lpstrFile, FileNameSeparator(), multi);
  if (!multi) {
    SetFileName(names.front());
    Files_->Add(FileName());
  } else if (!names.empty()) {
    for (const WideString& name : names) Files_->Add(name);
    SetFileName(Files_->Get(0));
  }
  TOpenDialog::Files()->Assign(Files_);
}

// --------------------------------------------------------- hook messages

void TQevOpenDialog::WndProc(TMessage& Message) {
  Message.Result = 0;
  if (Message.Msg == WM_INITDIALOG && !Options().Contains(ofOldStyleDialog)) return;
  if (UnicodeApiAvailable && Message.Msg == WM_NOTIFY &&
      reinterpret_cast<const NMHDR*>(Message.LParam)->code == CDN_FILEOK)
    return FileOk(*reinterpret_cast<const OFNOTIFYW*>(Message.LParam)->lpOFN, Message);
  TOpenDialog::WndProc(Message);
}

// OnCanClose sees the names; a refusal keeps FileName as it was, so that a
// cancel afterwards changes nothing.
void TQevOpenDialog::FileOk(const OPENFILENAMEW& Record, TMessage& Message) {
  const WideString heldName = FileName_;
  const AnsiString ansiName = StoredFileName();
  GetFileNamesW(Record);
  const bool canClose = DoCanClose();
  Files_->Clear();
  TOpenDialog::Files()->Clear();
  if (canClose) return;
  FileName_ = heldName;
  TOpenDialog::SetFileName(ansiName);
  SetDialogResult(Message, 1);
}

void TQevOpenDialog::DoIncludeItem(const OFNOTIFYEXA& OFN, bool& Include) {
  if (UnicodeApiAvailable && OnIncludeItem)
    OnIncludeItem(reinterpret_cast<const OFNOTIFYEXW&>(OFN), Include);
}

void Initialization_QevDialogs() {
  RegisterClasses({TQevOpenDialog::StaticClass(), TQevSaveDialog::StaticClass()});
}
