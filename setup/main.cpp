// The setup program: starts the units, makes the wizard and runs it. Every
// exception on the way, also from the units' start and end, is shown by the
// exception report.
#include "Forms.h"
#include "PlatformUnits.h"
#include "QevJclExceptDlg.h"
#include "QevLXUnits.h"
#include "QevScrSetupFrm.h"
#include "QevUnicodeUnits.h"
#include "VintraFilmScrSetupFrm.h"

namespace {

void RunSetup() {
  Application->SetTitle("VINTRA Film Screen Saver Setup");
  TVintraFilmScrSetupForm* form = nullptr;
  Application->CreateForm(form);
  Application->Run();
}

void DestroyForms() { Application->DestroyForms(); }

}  // namespace

// The wizard goes while the framework it stands on is still there.
int main() {
  return RunProgram({{&Initialization_PlatformUnits, &Finalization_PlatformUnits},
                     {&Initialization_QevUnicodeUnits, &Finalization_QevUnicodeUnits},
                     {&Initialization_QevLXUnits, &Finalization_QevLXUnits},
                     {nullptr, &DestroyForms},
                     {&Initialization_QevScrSetupFrm, &Finalization_QevScrSetupFrm},
                     {&Initialization_VintraFilmScrSetupFrm, &Finalization_VintraFilmScrSetupFrm}},
                    &RunSetup);
}
