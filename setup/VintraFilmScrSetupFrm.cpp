#include "VintraFilmScrSetupFrm.h"

#include "QevLXSetupUtils.h"
#include "QevLXUtils.h"

QEV_DEFINE_CLASS(TVintraFilmScrSetupForm, QEV_METHOD(NextBtnClick))

void TVintraFilmScrSetupForm::NextBtnClick(TObject* Sender) {
  // The saver's earlier versions were installed under another name.
  if (PageControl1()->ActivePage() == WelcomePage())
    DeleteFileIfExists(WideIncludeTrailingBackslash(SetupWindowsFolderFunc()) +
                       L"system\\Vintra Film Stats.scr");
  TQevScrSetupForm::NextBtnClick(Sender);
}

void Initialization_VintraFilmScrSetupFrm() {
  RegisterClass(TVintraFilmScrSetupForm::StaticClass());
}

void Finalization_VintraFilmScrSetupFrm() {}
