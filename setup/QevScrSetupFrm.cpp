#include "QevScrSetupFrm.h"

#include <vector>

#include "Forms.h"
#include "QevDialogs.h"
#include "QevLXSetupUtils.h"
#include "QevLXVerUtils.h"
#include "QevSysUtils.h"

QEV_RESOURCESTRING(QevScrSetupFrm, SInstallWecomeMsg, L"Welcome to the %s %s installation program.");
QEV_RESOURCESTRING(QevScrSetupFrm, SInstallInfo,
                   L"This program will copy a single file, \"%s\", into your Windows directory.");
QEV_RESOURCESTRING(QevScrSetupFrm, SInstallCompleteMsg,
                   L"Congratulations!  %s %s was successfully installed.");
QEV_RESOURCESTRING(QevScrSetupFrm, SLaunchApp, L"Display Screen Saver Preview");
QEV_RESOURCESTRING(QevScrSetupFrm, SCloseBtn, L"Close");
QEV_RESOURCESTRING(QevScrSetupFrm, SInstallBtn, L"Install");

WideString (*SetupFolderFunc)() = &WideGetApplicationDir;

QEV_DEFINE_CLASS(TQevScrSetupForm, QEV_METHOD(FormCreate), QEV_METHOD(NextBtnClick),
                 QEV_METHOD(CancelBtnClick))

void TQevScrSetupForm::Fail(const WideString& Msg) {
  WideShowMessage(Msg);
  Application->ShowMainForm = false;
  Application->Terminate();
}

void TQevScrSetupForm::FormCreate(TObject*) {
  if (ScrFileName().empty()) return Fail(L"Internal Error: ScrFileName not specified.");
  SetupFile = SetupFolderFunc() + ScrFileName();
  if (!WideFileExists(SetupFile)) return Fail(L"Internal Error: Setup file not found: " + SetupFile);
  // Windows 95/98/Me list a saver by its file name.
  TargetName = Win32Platform == VER_PLATFORM_WIN32_WINDOWS ? InstalledScrFileName() : WideString();
  PageControl1()->SetActivePage(WelcomePage());
  ShowTexts();
}

void TQevScrSetupForm::ShowTexts() {
  WideString version = VersionNumberToStr(GetFileVersionNumber(SetupFile), 2);
  WideString appName = AppName();
  const std::vector<TVarRec> names{appName, version};
  SetCaption(WideFormat(L"%s %s Setup", names));
  NextBtn()->SetCaption(LoadResString(SInstallBtn));
  WideString shownName = TargetName.empty() ? WideExtractFileName(SetupFile) : TargetName;
  WelcomeMsg()->SetCaption(WideFormat(LoadResString(SInstallWecomeMsg), names) + L"\r\n\r\n" +
                           WideFormat(LoadResString(SInstallInfo), {shownName}));
  FinalMsg()->SetCaption(WideFormat(LoadResString(SInstallCompleteMsg), names));
  AppLbl()->SetCaption(WideFormat(L"%s %s", names));
  LaunchApp()->SetCaption(LoadResString(SLaunchApp));
}

void TQevScrSetupForm::NextBtnClick(TObject*) {
  if (PageControl1()->ActivePage() == WelcomePage()) {
    InstallScreenSaverFile(SetupFile, TargetName);
    PageControl1()->SetActivePage(DonePage());
    CancelBtn()->SetEnabled(false);
    NextBtn()->SetCaption(LoadResString(SCloseBtn));
    return;
  }
  if (LaunchApp()->Checked()) ShowScreenSaverSettings();
  Close();
}

void TQevScrSetupForm::CancelBtnClick(TObject*) { Close(); }

void Initialization_QevScrSetupFrm() {}
void Finalization_QevScrSetupFrm() {}
