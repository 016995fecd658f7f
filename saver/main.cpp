// The screen saver program: starts the units, sets the application up, makes
// the main form (which sets itself up for the command line's mode) and runs
// the message loop unless the mode ends at once. Every exception on the way,
// also from the units' start and end, is shown by the exception report.
#include "AboutBx.h"
#include "CheckWinInetAndAdo.h"
#include "CustomMMScrsv.h"
#include "CustomMMUtils.h"
#include "DigitPanel.h"
#include "Forms.h"
#include "Maincontrol.h"
#include "PlatformUnits.h"
#include "QevJclExceptDlg.h"
#include "QevLXSafeWinInet.h"
#include "QevLXUnits.h"
#include "QevUnicodeUnits.h"
#include "ScreenSaver.h"
#include "UpdateMsgFrm.h"
#include "defaults.h"

namespace {

constexpr const char* SaverTitle = "VINTRA Film Screen Saver";

// The settings could not be stored at the end: the user should know.
void ShowSaveSettingsError(const WideString& Message) {
  try {
    MessageBoxW(nullptr, Message.c_str(), AnsiToWide(SaverTitle).c_str(),
                MB_OK | MB_ICONERROR | MB_TASKMODAL);
  } catch (...) {
    TraceDroppedException(L"ShowSaveSettingsError");
  }
}

// WinInet 5.0 or newer only; older or missing, every fetch finds no connection.
void LoadWinInetWhenRecent() {
  if (!NeededComps[0].RecentEnough()) return;
  try {
    LoadSafeWinInet(HKEY_CURRENT_USER, AnsiToWide(SettingsKey), L"AllowInternet");
  } catch (const Exception&) {
    // Shown already; the saver runs on without web updates.
  }
}

// The main block: the title, WinInet, the main form and, unless the mode
// ends at once, the message loop.
void RunSaver() {
  Application->SetTitle(SaverTitle);
  LoadWinInetWhenRecent();
  TMainForm* mainForm = nullptr;
  Application->CreateForm(mainForm);
  if (ScreenSaverMode != smConfigure && ScreenSaverMode != smChangePassword) Application->Run();
}

void DestroyForms() { Application->DestroyForms(); }

}  // namespace

// The saver's own units end first (settings saved, then the mutex released
// for a waiting saver), then its forms go while the framework they stand on
// is still there. A second saver waits for the first before it reads the
// settings, so it starts with what the first one saved.
int main() {
  OnSaveSettingsError = &ShowSaveSettingsError;
  return RunProgram({{&Initialization_PlatformUnits, &Finalization_PlatformUnits},
                     {&Initialization_QevUnicodeUnits, &Finalization_QevUnicodeUnits},
                     {&Initialization_QevLXUnits, &Finalization_QevLXUnits},
                     {nullptr, &DestroyForms},
                     {&Initialization_DigitPanel, &Finalization_DigitPanel},
                     {&Initialization_CustomMMUtils, &Finalization_CustomMMUtils},
                     {&Initialization_CustomMMScrsv, &Finalization_CustomMMScrsv},
                     {&Initialization_defaults, &Finalization_defaults},
                     {&Initialization_AboutBx, &Finalization_AboutBx},
                     {&Initialization_UpdateMsgFrm, &Finalization_UpdateMsgFrm},
                     {&Initialization_Maincontrol, &Finalization_Maincontrol},
                     {&Initialization_ScreenSaver, &Finalization_ScreenSaver}},
                    &RunSaver);
}
