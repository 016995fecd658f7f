#include "VintraFilmScrSetupFrm.h"

#include "QevLXSetupUtils.h"
#include "QevLXUtils.h"

QEV_DEFINE_CLASS(TVintraFilmScrSetupForm, QEV_METHOD(NextBtnClick))

// The saver's earlier versions were installed under another name. That file
// goes only once the new saver is in place, so a failed install keeps it; a
// running older saver that cannot go must not undo the install.
void TVintraFilmScrSetupForm::NextBtnClick(TObject* Sender) {
  const bool installing = PageControl1()->ActivePage() == WelcomePage();
  TQevScrSetupForm::NextBtnClick(Sender);
  if (!installing) return;
  try {
    DeleteFileIfExists(WideIncludeTrailingBackslash(SetupWindowsFolderFunc()) +
                       L"system\\Vintra Film Stats.scr");
  } catch (...) {
    TraceDroppedException(L"removing the older saver");
  }
}

void Initialization_VintraFilmScrSetupFrm() {
  RegisterClass(TVintraFilmScrSetupForm::StaticClass());
}

void Finalization_VintraFilmScrSetupFrm() {}
