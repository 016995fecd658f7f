// The setup program: starts the units, makes the wizard and runs it.
#include "Forms.h"
#include "PlatformUnits.h"
#include "QevLXUnits.h"
#include "QevScrSetupFrm.h"
#include "QevUnicodeUnits.h"
#include "VintraFilmScrSetupFrm.h"

namespace {

void StartUnits() {
  Initialization_PlatformUnits();
  Initialization_QevUnicodeUnits();
  Initialization_QevLXUnits();
  Initialization_QevScrSetupFrm();
  Initialization_VintraFilmScrSetupFrm();
}

// The wizard goes while the framework it stands on is still there.
void EndUnits() {
  Finalization_VintraFilmScrSetupFrm();
  Finalization_QevScrSetupFrm();
  Application->DestroyForms();
  Finalization_QevLXUnits();
  Finalization_QevUnicodeUnits();
  Finalization_PlatformUnits();
}

}  // namespace

int main() {
  StartUnits();
  try {
    Application->SetTitle("VINTRA Film Screen Saver Setup");
    TVintraFilmScrSetupForm* form = nullptr;
    Application->CreateForm(form);
    Application->Run();
  } catch (...) {
    Application->HandleException(Application);
  }
  EndUnits();
  return 0;
}
