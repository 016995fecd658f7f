// Message boxes whose texts stay wide from the caller to the screen.
#pragma once

#include "Dialogs.h"
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
