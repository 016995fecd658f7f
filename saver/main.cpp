// The screen saver program: starts the units, sets the application up, makes
// the main form (which sets itself up for the command line's mode) and runs
// the message loop unless the mode ends at once.
#include "AboutBx.h"
#include "CheckWinInetAndAdo.h"
#include "CustomMMScrsv.h"
#include "CustomMMUtils.h"
#include "DigitPanel.h"
#include "Forms.h"
#include "Maincontrol.h"
#include "PlatformUnits.h"
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

void StartUnits() {
  Initialization_PlatformUnits();
  Initialization_QevUnicodeUnits();
  Initialization_QevLXUnits();
  Initialization_DigitPanel();
  Initialization_CustomMMUtils();
  // A second saver waits for the first before it reads the settings, so it
  // starts with what the first one saved.
  Initialization_CustomMMScrsv();
  Initialization_defaults();
  Initialization_AboutBx();
  Initialization_UpdateMsgFrm();
  Initialization_Maincontrol();
  Initialization_ScreenSaver();
}

// The saver's own units end first (settings saved, then the mutex released
// for a waiting saver), then its forms go while the framework they stand on
// is still there.
void EndUnits() {
  Finalization_ScreenSaver();
  Finalization_Maincontrol();
  Finalization_UpdateMsgFrm();
  Finalization_AboutBx();
  Finalization_defaults();
  Finalization_CustomMMScrsv();
  Finalization_CustomMMUtils();
  Finalization_DigitPanel();
  Application->DestroyForms();
  Finalization_QevLXUnits();
  Finalization_QevUnicodeUnits();
  Finalization_PlatformUnits();
}

}  // namespace

int main() {
  StartUnits();
  OnSaveSettingsError = &ShowSaveSettingsError;
  try {
    Application->SetTitle(SaverTitle);
    LoadWinInetWhenRecent();
    TMainForm* mainForm = nullptr;
    Application->CreateForm(mainForm);
    if (ScreenSaverMode != smConfigure && ScreenSaverMode != smChangePassword) Application->Run();
  } catch (...) {
    Application->HandleException(Application);
  }
  EndUnits();
  return 0;
}
