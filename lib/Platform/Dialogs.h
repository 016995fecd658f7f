// Message box kinds, buttons and texts shared by the message boxes of the
// programs, and the system's open and save dialogs (comdlg32).
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "Forms.h"
#include "System.h"
#include "TypInfo.h"
#include "WinApi.h"

#include <commdlg.h>

enum TMsgDlgType { mtWarning, mtError, mtInformation, mtConfirmation, mtCustom };
enum TMsgDlgBtn {
  mbYes, mbNo, mbOK, mbCancel, mbAbort, mbRetry, mbIgnore, mbAll, mbNoToAll, mbYesToAll, mbHelp
};
using TMsgDlgButtons = TSet<TMsgDlgBtn>;

extern const TResStringRec SMsgDlgWarning;
extern const TResStringRec SMsgDlgError;
extern const TResStringRec SMsgDlgInformation;
extern const TResStringRec SMsgDlgConfirm;
extern const TResStringRec SMsgDlgYes;
extern const TResStringRec SMsgDlgNo;
extern const TResStringRec SMsgDlgOK;
extern const TResStringRec SMsgDlgCancel;
extern const TResStringRec SMsgDlgHelp;
extern const TResStringRec SMsgDlgAbort;
extern const TResStringRec SMsgDlgRetry;
extern const TResStringRec SMsgDlgIgnore;
extern const TResStringRec SMsgDlgAll;
extern const TResStringRec SMsgDlgNoToAll;
extern const TResStringRec SMsgDlgYesToAll;

// ------------------------------------------------------------ common dialogs

// With an empty InitialDir, a dialog opens in the current directory.
extern bool ForceCurrentDirectory;  // false
// Explorer-style dialogs (unless ofOldStyleDialog), whose path can be asked
// for while they are open.
extern bool NewStyleControls;  // true

// A system dialog run by a comdlg32 function. The messages of its hook window
// go to WndProc; the hook returns their Result (0: the dialog's own handling).
class TCommonDialog : public TComponent {
  QEV_CLASS(TCommonDialog, TComponent)
 public:
  explicit TCommonDialog(TComponent* AOwner) : TComponent(AOwner) {}
  // True when the user confirmed.
  virtual bool Execute() = 0;
  virtual void WndProc(TMessage& Message);

  // The hook window while the dialog is open, else nullptr.
  HWND Handle() const { return Handle_; }
  // A dialog template resource of the program that extends the dialog
  // (a name or MAKEINTRESOURCEA); nullptr for none.
  const AnsiChar* Template() const { return Template_; }
  void SetTemplate(const AnsiChar* Value) { Template_ = Value; }

  TNotifyEvent OnShow;
  TNotifyEvent OnClose;

 protected:
  // Runs Run like a modal form: the thread's windows are disabled meanwhile
  // and the active window is active again afterwards.
  bool TaskModalDialog(const std::function<BOOL()>& Run);
  virtual void DoShow();
  virtual void DoClose();
  // Result nonzero and the dialog's message result Value: how a hook answers
  // a notification.
  void SetDialogResult(TMessage& Message, LONG_PTR Value);
  // The hook a dialog record names; its lCustData is the dialog.
  static UINT_PTR CALLBACK DialogHook(HWND Wnd, UINT Msg, WPARAM WParam, LPARAM LParam);

 private:
  HWND Handle_ = nullptr;
  const AnsiChar* Template_ = nullptr;
};

enum TOpenOption {
  ofReadOnly, ofOverwritePrompt, ofHideReadOnly, ofNoChangeDir, ofShowHelp, ofNoValidate,
  ofAllowMultiSelect, ofExtensionDifferent, ofPathMustExist, ofFileMustExist, ofCreatePrompt,
  ofShareAware, ofNoReadOnlyReturn, ofNoTestFileCreate, ofNoNetworkButton, ofNoLongNames,
  ofOldStyleDialog, ofNoDereferenceLinks, ofEnableIncludeNotify, ofEnableSizing,
  ofDontAddToRecent, ofForceShowHidden
};
QEV_ENUM_TYPEINFO(TOpenOption, "ofReadOnly", "ofOverwritePrompt", "ofHideReadOnly",
                  "ofNoChangeDir", "ofShowHelp", "ofNoValidate", "ofAllowMultiSelect",
                  "ofExtensionDifferent", "ofPathMustExist", "ofFileMustExist", "ofCreatePrompt",
                  "ofShareAware", "ofNoReadOnlyReturn", "ofNoTestFileCreate", "ofNoNetworkButton",
                  "ofNoLongNames", "ofOldStyleDialog", "ofNoDereferenceLinks",
                  "ofEnableIncludeNotify", "ofEnableSizing", "ofDontAddToRecent",
                  "ofForceShowHidden");
using TOpenOptions = TSet<TOpenOption>;

using TIncludeItemEvent = TEvent<void(const OFNOTIFYEXA& OFN, bool& Include)>;

// The comdlg32 functions the dialogs call; tests put their own in.
// comdlg32 is bound on the first dialog, not linked: it brings the shell and
// OLE along, which would cost every start of the programs time and memory.
template <class Function, class Record>
BOOL CallComDlg(const char* Name, Record* Ofn) {
  static const HMODULE module = LoadLibraryW(L"comdlg32.dll");  // kept for the process
  const auto entry = ProcAddress<Function>(module, Name);
  return entry ? entry(Ofn) : FALSE;
}
using TOpenFileNameFuncA = BOOL(WINAPI*)(LPOPENFILENAMEA);
extern TOpenFileNameFuncA GetOpenFileNameProcA;  // GetOpenFileNameA
extern TOpenFileNameFuncA GetSaveFileNameProcA;  // GetSaveFileNameA

// Characters of the file buffer: one name, or several chosen names.
constexpr DWORD SingleFileBufferSize = MAX_PATH;
constexpr DWORD MultiSelectBufferSize = 0xFFFF - 16;

// The dialog that picks files to open.
class TOpenDialog : public TCommonDialog {
  QEV_CLASS(TOpenDialog, TCommonDialog)
 public:
  explicit TOpenDialog(TComponent* AOwner);
  ~TOpenDialog() override;
  bool Execute() override;
  void WndProc(TMessage& Message) override;

  const AnsiString& DefaultExt() const { return DefaultExt_; }
  void SetDefaultExt(const AnsiString& Value) { DefaultExt_ = Value; }
  // While an explorer-style dialog is open: the path it shows.
  AnsiString FileName() const;
  void SetFileName(const AnsiString& Value) { FileName_ = Value; }
  // Pairs of description and pattern, all separated by "|".
  const AnsiString& Filter() const { return Filter_; }
  void SetFilter(const AnsiString& Value) { Filter_ = Value; }
  Integer FilterIndex() const { return FilterIndex_; }
  void SetFilterIndex(Integer Value) { FilterIndex_ = Value; }
  const AnsiString& InitialDir() const { return InitialDir_; }
  // Drops one trailing backslash unless it ends a root ("C:\" stays).
  void SetInitialDir(const AnsiString& Value);
  const AnsiString& Title() const { return Title_; }
  void SetTitle(const AnsiString& Value) { Title_ = Value; }
  TOpenOptions Options() const { return Options_; }
  void SetOptions(TOpenOptions Value) { Options_ = Value; }
  // The names chosen by the last confirmed run; empty after any other run.
  TStrings* Files() const { return Files_; }

  TCloseQueryEvent OnCanClose;
  TIncludeItemEvent OnIncludeItem;

 protected:
  // Runs Func with a record made from the properties; on confirmation the
  // chosen names, the read-only and extension flags and FilterIndex come back.
  bool DoExecute(TOpenFileNameFuncA Func);
  // OnCanClose, asked when the user confirms an explorer-style dialog.
  virtual bool DoCanClose();
  // OnIncludeItem, for each item of an explorer-style dialog with
  // ofEnableIncludeNotify.
  virtual void DoIncludeItem(const OFNOTIFYEXA& OFN, bool& Include);
  // Names in a returned buffer are separated by a blank (old-style
  // multi-selection) or a zero character.
  WideChar FileNameSeparator() const;
  bool ExplorerStyle() const;
  // FileName as set, without asking an open dialog.
  const AnsiString& StoredFileName() const { return FileName_; }
  // The read-only and extension flags and the filter of a confirmed record.
  void TakeReturnedChoices(DWORD Flags, DWORD FilterIndex);

 private:
  void GetFileNames(const OPENFILENAMEA& Record);

  AnsiString DefaultExt_;
  AnsiString FileName_;
  AnsiString Filter_;
  Integer FilterIndex_ = 1;
  AnsiString InitialDir_;
  AnsiString Title_;
  TOpenOptions Options_ = {ofHideReadOnly, ofEnableSizing};
  TStrings* Files_;
};

// The dialog that picks a file to save.
class TSaveDialog : public TOpenDialog {
  QEV_CLASS(TSaveDialog, TOpenDialog)
 public:
  using TOpenDialog::TOpenDialog;
  bool Execute() override;
};

void Initialization_Dialogs();

// ------------------------------------------- shared with the wide dialogs

namespace DialogsDetail {

// The filter as the dialog record wants it: every "|" a zero character and
// two zero characters at the end; empty for an empty filter.
template <class Char>
std::basic_string<Char> FilterBuffer(const std::basic_string<Char>& Filter) {
  if (Filter.empty()) return {};
  std::basic_string<Char> result = Filter;
  for (Char& c : result)
    if (c == Char('|')) c = Char(0);
  result.append(2, Char(0));
  return result;
}

// A returned file buffer's chosen names. One name: the text up to the first
// separator. Several: items up to an empty one; the first of several is the
// folder, put before each further item that is not a full path.
template <class Char>
std::vector<std::basic_string<Char>> ChosenFileNames(const Char* Buffer, Char Separator,
                                                     bool MultiSelect) {
  using String = std::basic_string<Char>;
  std::vector<String> items;
  for (const Char* p = Buffer;;) {
    const Char* end = p;
    while (*end && *end != Separator) ++end;
    items.emplace_back(p, end);
    if (!MultiSelect || items.back().empty()) break;
    p = *end == Separator ? end + 1 : end;  // a blank-separated list ends at the zero
  }
  if (!MultiSelect) return items;
  items.pop_back();
  if (items.size() < 2) return items;
  String folder = items.front();
  if (folder.back() != Char('\\')) folder += Char('\\');
  std::vector<String> names;
  for (std::size_t i = 1; i < items.size(); ++i) {
    const String& item = items[i];
    const bool full = item[0] == Char('\\') ||
                      (item.size() >= 4 && item[1] == Char(':') && item[2] == Char('\\'));
    names.push_back(full ? item : folder + item);
  }
  return names;
}

// The path an open explorer-style dialog shows (CDM_GETFILEPATH), asked
// for with a buffer of the size the dialog reports; nullopt when it has none.
template <class Char>
std::optional<std::basic_string<Char>> DialogFilePath(HWND Dialog) {
  std::vector<Char> buffer(MAX_PATH + 1);
  for (int attempt = 0; attempt < 3; ++attempt) {
    const auto size = static_cast<WPARAM>(buffer.size());
    const LPARAM data = reinterpret_cast<LPARAM>(buffer.data());
    const LRESULT needed = sizeof(Char) == 1 ? SendMessageA(Dialog, CDM_GETFILEPATH, size, data)
                                             : SendMessageW(Dialog, CDM_GETFILEPATH, size, data);
    if (needed <= 0) return std::nullopt;
    if (static_cast<WPARAM>(needed) <= size) {
      buffer.back() = Char(0);
      return std::basic_string<Char>(buffer.data());
    }
    buffer.assign(static_cast<std::size_t>(needed), Char(0));
  }
  return std::nullopt;
}

}  // namespace DialogsDetail
