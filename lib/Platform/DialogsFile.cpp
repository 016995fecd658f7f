// The common dialog base, its hook, and the open and save dialogs.
#include "Dialogs.h"

bool ForceCurrentDirectory = false;
bool NewStyleControls = true;
namespace {
BOOL WINAPI OpenFileNameA(LPOPENFILENAMEA Ofn) {
  return CallComDlg<TOpenFileNameFuncA>("GetOpenFileNameA", Ofn);
}
BOOL WINAPI SaveFileNameA(LPOPENFILENAMEA Ofn) {
  return CallComDlg<TOpenFileNameFuncA>("GetSaveFileNameA", Ofn);
}
}  // namespace

TOpenFileNameFuncA GetOpenFileNameProcA = &OpenFileNameA;
TOpenFileNameFuncA GetSaveFileNameProcA = &SaveFileNameA;

QEV_DEFINE_CLASS(TCommonDialog,
                 QEV_PROPERTY(OnClose, OnClose, OnClose),
                 QEV_PROPERTY(OnShow, OnShow, OnShow))
QEV_DEFINE_CLASS(TOpenDialog,
                 QEV_PROPERTY(DefaultExt, DefaultExt, SetDefaultExt),
                 QEV_PROPERTY(FileName, FileName, SetFileName),
                 QEV_PROPERTY(Filter, Filter, SetFilter),
                 QEV_PROPERTY(FilterIndex, FilterIndex, SetFilterIndex).Default(1),
                 QEV_PROPERTY(InitialDir, InitialDir, SetInitialDir),
                 QEV_PROPERTY(Options, Options, SetOptions)
                     .Default(TOpenOptions{ofHideReadOnly, ofEnableSizing}),
                 QEV_PROPERTY(Title, Title, SetTitle),
                 QEV_PROPERTY(OnCanClose, OnCanClose, OnCanClose),
                 QEV_PROPERTY(OnIncludeItem, OnIncludeItem, OnIncludeItem))
QEV_DEFINE_CLASS(TSaveDialog)

namespace {

constexpr wchar_t DialogProp[] = L"QevCommonDialog";

// The record flag of each option, in the order of TOpenOption.
constexpr DWORD OptionFlags[] = {
    OFN_READONLY, OFN_OVERWRITEPROMPT, OFN_HIDEREADONLY, OFN_NOCHANGEDIR, OFN_SHOWHELP,
    OFN_NOVALIDATE, OFN_ALLOWMULTISELECT, OFN_EXTENSIONDIFFERENT, OFN_PATHMUSTEXIST,
    OFN_FILEMUSTEXIST, OFN_CREATEPROMPT, OFN_SHAREAWARE, OFN_NOREADONLYRETURN,
    OFN_NOTESTFILECREATE, OFN_NONETWORKBUTTON, OFN_NOLONGNAMES, 0 /* ofOldStyleDialog */,
    OFN_NODEREFERENCELINKS, OFN_ENABLEINCLUDENOTIFY, OFN_ENABLESIZING, OFN_DONTADDTORECENT,
    OFN_FORCESHOWHIDDEN};
static_assert(std::size(OptionFlags) == ofForceShowHidden + 1);

// The window the dialog belongs to: the thread's active window, else the
// application's.
HWND OwnerWindow() {
  if (HWND active = GetActiveWindow()) return active;
  return Application ? Application->Handle() : nullptr;
}

}  // namespace

// ------------------------------------------------------------ TCommonDialog

void TCommonDialog::WndProc(TMessage& Message) {
  switch (Message.Msg) {
    case WM_INITDIALOG: DoShow(); break;
    case WM_DESTROY: DoClose(); break;
  }
}

void TCommonDialog::DoShow() {
  if (OnShow) OnShow(this);
}

void TCommonDialog::DoClose() {
  if (OnClose) OnClose(this);
}

void TCommonDialog::SetDialogResult(TMessage& Message, LONG_PTR Value) {
  SetWindowLongPtrW(Handle_, DWLP_MSGRESULT, Value);
  Message.Result = 1;
}

bool TCommonDialog::TaskModalDialog(const std::function<BOOL()>& Run) {
  if (HWND capture = GetCapture()) SendMessageA(capture, WM_CANCELMODE, 0, 0);
  ReleaseCapture();
  HWND activeWindow = GetActiveWindow();
  TTaskWindowList windows = DisableTaskWindows(nullptr);
  TScopeExit restore([&] {
    EnableTaskWindows(windows);
    if (activeWindow) SetActiveWindow(activeWindow);
    Handle_ = nullptr;
  });
  return Run() != FALSE;
}

UINT_PTR CALLBACK TCommonDialog::DialogHook(HWND Wnd, UINT Msg, WPARAM WParam, LPARAM LParam) {
  TCommonDialog* dialog;
  if (Msg == WM_INITDIALOG) {
    const auto* record = reinterpret_cast<const OPENFILENAMEA*>(LParam);
    dialog = reinterpret_cast<TCommonDialog*>(record->lCustData);
    dialog->Handle_ = Wnd;
    SetPropW(Wnd, DialogProp, dialog);
  } else {
    dialog = static_cast<TCommonDialog*>(GetPropW(Wnd, DialogProp));
  }
  if (!dialog) return 0;
  TMessage message{Msg, WParam, LParam, 0};
  try {
    dialog->WndProc(message);
  } catch (...) {
    HandleCurrentException(dialog);
  }
  if (Msg == WM_NCDESTROY) {
    RemovePropW(Wnd, DialogProp);
    dialog->Handle_ = nullptr;
  }
  return static_cast<UINT_PTR>(message.Result);
}

// --------------------------------------------------------------- TOpenDialog

TOpenDialog::TOpenDialog(TComponent* AOwner) : TCommonDialog(AOwner), Files_(new TStringList) {}

TOpenDialog::~TOpenDialog() { delete Files_; }

bool TOpenDialog::Execute() { return DoExecute(GetOpenFileNameProcA); }

AnsiString TOpenDialog::FileName() const {
  if (ExplorerStyle() && Handle())
    if (auto path = DialogsDetail::DialogFilePath<AnsiChar>(GetParent(Handle()))) return *path;
  return FileName_;
}

void TOpenDialog::SetInitialDir(const AnsiString& Value) {
  std::size_t length = Value.size();
  if (length > 1 && Value[length - 1] == '\\' && Value[length - 2] != ':') --length;
  InitialDir_ = Value.substr(0, length);
}

bool TOpenDialog::ExplorerStyle() const {
  return NewStyleControls && !Options_.Contains(ofOldStyleDialog);
}

WideChar TOpenDialog::FileNameSeparator() const {
  return Options_.Contains(ofAllowMultiSelect) && !ExplorerStyle() ? L' ' : L'\0';
}

bool TOpenDialog::DoExecute(TOpenFileNameFuncA Func) {
  Files_->Clear();  // a run that is not confirmed leaves no names of an earlier one
  const DWORD maxFile =
      Options_.Contains(ofAllowMultiSelect) ? MultiSelectBufferSize : SingleFileBufferSize;
  std::vector<AnsiChar> file(maxFile + 2, '\0');
  FileName_.copy(file.data(), maxFile);
  const AnsiString filter = DialogsDetail::FilterBuffer(Filter_);
  const AnsiString initialDir = InitialDir_.empty() && ForceCurrentDirectory ? "." : InitialDir_;
  AnsiString defaultExt = DefaultExt_;

  OPENFILENAMEA record{};
  record.lStructSize = sizeof record;
  record.hwndOwner = OwnerWindow();
  record.hInstance = GetModuleHandleA(nullptr);
  record.lpstrFilter = filter.empty() ? nullptr : filter.c_str();
  record.nFilterIndex = static_cast<DWORD>(FilterIndex_);
  record.lpstrFile = file.data();
  record.nMaxFile = maxFile;
  record.lpstrInitialDir = initialDir.empty() ? nullptr : initialDir.c_str();
  record.lpstrTitle = Title_.empty() ? nullptr : Title_.c_str();
  record.Flags = OFN_ENABLEHOOK;
  for (Integer option = 0; option <= ofForceShowHidden; ++option)
    if (Options_.Contains(static_cast<TOpenOption>(option))) record.Flags |= OptionFlags[option];
  if (ExplorerStyle()) record.Flags |= OFN_EXPLORER;
  if (Template()) record.Flags |= OFN_ENABLETEMPLATE;
  if (defaultExt.empty() && !(record.Flags & OFN_EXPLORER)) {
    const AnsiString::size_type dot = FileName_.find_last_of(".\\:");
    if (dot != AnsiString::npos && FileName_[dot] == '.') defaultExt = FileName_.substr(dot + 1);
  }
  record.lpstrDefExt = defaultExt.empty() ? nullptr : defaultExt.c_str();
  record.lCustData = reinterpret_cast<LPARAM>(this);
  record.lpfnHook = &DialogHook;
  record.lpTemplateName = Template();

  if (!TaskModalDialog([&] { return Func(&record); })) return false;
  GetFileNames(record);
  TakeReturnedChoices(record.Flags, record.nFilterIndex);
  return true;
}

void TOpenDialog::TakeReturnedChoices(DWORD Flags, DWORD FilterIndex) {
  Options_ = Options_ - TOpenOptions{ofExtensionDifferent, ofReadOnly};
  if (Flags & OFN_EXTENSIONDIFFERENT) Options_.Include(ofExtensionDifferent);
  if (Flags & OFN_READONLY) Options_.Include(ofReadOnly);
  FilterIndex_ = static_cast<Integer>(FilterIndex);
}

void TOpenDialog::GetFileNames(const OPENFILENAMEA& Record) {
  const bool multi = Options_.Contains(ofAllowMultiSelect);
  const auto names = DialogsDetail::ChosenFileNames<AnsiChar>(
      Record.lpstrFile, static_cast<AnsiChar>(FileNameSeparator()), multi);
  if (!multi) {
    FileName_ = names.front();
    Files_->Add(FileName_);
    return;
  }
  for (const AnsiString& name : names) Files_->Add(name);
  if (!names.empty()) FileName_ = names.front();
}

bool TOpenDialog::DoCanClose() {
  bool canClose = true;
  if (OnCanClose) OnCanClose(this, canClose);
  return canClose;
}

void TOpenDialog::DoIncludeItem(const OFNOTIFYEXA& OFN, bool& Include) {
  if (OnIncludeItem) OnIncludeItem(OFN, Include);
}

void TOpenDialog::WndProc(TMessage& Message) {
  if (Message.Msg == WM_INITDIALOG && ExplorerStyle()) return;  // shown at CDN_INITDONE
  if (Message.Msg != WM_NOTIFY) return TCommonDialog::WndProc(Message);
  switch (reinterpret_cast<const NMHDR*>(Message.LParam)->code) {
    case CDN_INITDONE: DoShow(); break;
    case CDN_FILEOK: {
      // OnCanClose sees the names; a refusal keeps FileName as it was, so
      // that a cancel afterwards changes nothing.
      const AnsiString before = FileName_;
      GetFileNames(*reinterpret_cast<const OFNOTIFYA*>(Message.LParam)->lpOFN);
      const bool canClose = DoCanClose();
      Files_->Clear();
      if (canClose) break;
      FileName_ = before;
      SetDialogResult(Message, 1);
      break;
    }
    case CDN_INCLUDEITEM: {
      bool include = true;
      DoIncludeItem(*reinterpret_cast<const OFNOTIFYEXA*>(Message.LParam), include);
      SetDialogResult(Message, include);
      break;
    }
  }
}

// --------------------------------------------------------------- TSaveDialog

bool TSaveDialog::Execute() { return DoExecute(GetSaveFileNameProcA); }

void Initialization_Dialogs() {
  RegisterClasses({TOpenDialog::StaticClass(), TSaveDialog::StaticClass()});
}
