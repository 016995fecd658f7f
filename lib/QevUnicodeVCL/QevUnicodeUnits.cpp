#include "QevUnicodeUnits.h"

#include "QevActnList.h"
#include "QevClipBrd.h"
#include "QevControls.h"
#include "QevMenus.h"
#include "QevStdActns.h"
#include "QevSysUtils.h"
#include "QevSystem.h"
#include "QevWindows.h"

void Initialization_QevUnicodeUnits() {
  Initialization_QevSysUtils();  // the platform flags come before everything else
  Initialization_QevSystem();
  Initialization_QevWindows();
  Initialization_QevControls();
  Initialization_QevActnList();
  Initialization_QevStdActns();
  Initialization_QevMenus();
}

void Finalization_QevUnicodeUnits() {
  Finalization_QevMenus();
  Finalization_QevClipBrd();
  Finalization_QevStdActns();
  Finalization_QevActnList();
  Finalization_QevControls();
  Finalization_QevWindows();
  Finalization_QevSystem();
  Finalization_QevSysUtils();
}
