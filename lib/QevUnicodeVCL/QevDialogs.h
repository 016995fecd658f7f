// Message boxes whose texts stay wide from the caller to the screen, and the
// open and save dialogs with wide texts and file names.
#pragma once

#include "Dialogs.h"
#include "QevClasses.h"
#include "QevForms.h"
#include "QevStdCtrls.h"

// A message box built in code (no form resource): icon, word-wrapped text and
// a row of buttons in the system's message font. Ctrl+C copies its whole text.
class TQevMessageForm : public TQevForm {
  QEV_CLASS(TQevMessageForm, TQevForm)
 public:
  explicit TQevMessageForm(TComponent* AOwner);

  // The text Ctrl+C puts on the clipboard: caption, message and button
  // captions between divider lines.
  WideString FormText();

  TQevLabel* Message = nullptr;
  // Shown by the help button when a help file is set.
  THelpContext HelpContext = 0;
  AnsiString HelpFile;

  // The help button's click.
  void HelpButtonClick(TObject* Sender);

 private:
  void CopyKeyDown(TObject* Sender, Word& Key, TShiftState Shift);
};

// The box's caption for DlgType (the wide application title for mtCustom) and
// a button's caption, loaded at each call so that translations apply.
// EQevInternalError for values outside the tables.
WideString GetMessageCaption(TMsgDlgType DlgType);
WideString GetButtonCaption(TMsgDlgBtn Button);

// A new box owned by the application, centred on the screen; the caller frees it.
TQevMessageForm* WideCreateMessageDialog(const WideString& Msg, TMsgDlgType DlgType,
                                         TMsgDlgButtons Buttons);
// Shows a box modally at X, Y (a negative coordinate keeps the centred one)
// and returns the modal result of the button pressed.
Integer WideMessageDlgPosHelp(const WideString& Msg, TMsgDlgType DlgType, TMsgDlgButtons Buttons,
                              THelpContext HelpCtx, Integer X, Integer Y,
                              const WideString& HelpFileName);
Integer WideMessageDlgPos(const WideString& Msg, TMsgDlgType DlgType, TMsgDlgButtons Buttons,
                          THelpContext HelpCtx, Integer X, Integer Y);
// A box with the application title and one OK button.
void WideShowMessagePos(const WideString& Msg, Integer X, Integer Y);
void WideShowMessage(const WideString& Msg);

// ------------------------------------------------------------- file dialogs

// The wide comdlg32 functions the file dialogs call; tests put their own in.
using TOpenFileNameFuncW = BOOL(WINAPI*)(LPOPENFILENAMEW);
extern TOpenFileNameFuncW GetOpenFileNameProcW;  // GetOpenFileNameW
extern TOpenFileNameFuncW GetSaveFileNameProcW;  // GetSaveFileNameW

using TIncludeItemEventW = TEvent<void(const OFNOTIFYEXW& OFN, bool& Include)>;

// The open dialog with wide texts and a wide list of the chosen files. With
// the wide API the dialog runs through the wide function on a record made
// from the platform's own preparation; without it the platform's dialog runs.
// Each wide text is held beside the platform's 8-bit one and counts while its
// 8-bit form still equals it (see ReconcileWideText).
class TQevOpenDialog : public TOpenDialog {
  QEV_CLASS(TQevOpenDialog, TOpenDialog)
 public:
  explicit TQevOpenDialog(TComponent* AOwner);
  ~TQevOpenDialog() override;
  bool Execute() override;
  void WndProc(TMessage& Message) override;

  WideString DefaultExt();
  void SetDefaultExt(const WideString& Value);
  // While an explorer-style dialog is open: the path it shows.
  WideString FileName();
  // Sets the held and the 8-bit value, even when they look unchanged.
  void SetFileName(const WideString& Value);
  WideString Filter();
  void SetFilter(const WideString& Value);
  WideString InitialDir();
  // Drops one trailing backslash unless it ends a root ("C:\" stays).
  void SetInitialDir(const WideString& Value);
  WideString Title();
  void SetTitle(const WideString& Value);
  // The names chosen by the last confirmed run; the platform's 8-bit Files
  // holds a copy.
  TQevStrings* Files() const { return Files_; }

  // Raised with the wide API only.
  TIncludeItemEventW OnIncludeItem;

 protected:
  void DefineProperties(TFiler* Filer) override;
  void DoIncludeItem(const OFNOTIFYEXA& OFN, bool& Include) override;
  bool ExecuteWith(TOpenFileNameFuncA AnsiFunc, TOpenFileNameFuncW WideFunc);

 private:
  bool DoExecuteW(TOpenFileNameFuncW Func);
  void GetFileNamesW(const OPENFILENAMEW& Record);
  void FileOk(const OPENFILENAMEW& Record, TMessage& Message);
  // Stands in for the comdlg32 function while the platform prepares its
  // record: keeps a copy and shows nothing.
  static BOOL WINAPI CaptureRecord(LPOPENFILENAMEA Record);

  WideString DefaultExt_;
  WideString FileName_;
  WideString Filter_;
  WideString InitialDir_;
  WideString Title_;
  TQevStrings* Files_;
  OPENFILENAMEA Prepared_{};  // its text pointers are gone once captured
};

class TQevSaveDialog : public TQevOpenDialog {
  QEV_CLASS(TQevSaveDialog, TQevOpenDialog)
 public:
  using TQevOpenDialog::TQevOpenDialog;
  bool Execute() override;
};

void Initialization_QevDialogs();
