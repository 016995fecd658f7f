#include "Dialogs.h"

QEV_RESOURCESTRING(Dialogs, SMsgDlgWarning, L"Warning");
QEV_RESOURCESTRING(Dialogs, SMsgDlgError, L"Error");
QEV_RESOURCESTRING(Dialogs, SMsgDlgInformation, L"Information");
QEV_RESOURCESTRING(Dialogs, SMsgDlgConfirm, L"Confirm");
QEV_RESOURCESTRING(Dialogs, SMsgDlgYes, L"&Yes");
QEV_RESOURCESTRING(Dialogs, SMsgDlgNo, L"&No");
QEV_RESOURCESTRING(Dialogs, SMsgDlgOK, L"OK");
QEV_RESOURCESTRING(Dialogs, SMsgDlgCancel, L"Cancel");
QEV_RESOURCESTRING(Dialogs, SMsgDlgHelp, L"&Help");
QEV_RESOURCESTRING(Dialogs, SMsgDlgAbort, L"&Abort");
QEV_RESOURCESTRING(Dialogs, SMsgDlgRetry, L"&Retry");
QEV_RESOURCESTRING(Dialogs, SMsgDlgIgnore, L"&Ignore");
QEV_RESOURCESTRING(Dialogs, SMsgDlgAll, L"&All");
QEV_RESOURCESTRING(Dialogs, SMsgDlgNoToAll, L"N&o to All");
QEV_RESOURCESTRING(Dialogs, SMsgDlgYesToAll, L"Yes to &All");
