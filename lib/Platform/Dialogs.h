// Message box kinds, buttons and texts shared by the message boxes of the
// programs.
#pragma once

#include "System.h"
#include "TypInfo.h"

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
