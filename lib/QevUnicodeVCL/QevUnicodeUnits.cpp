#include "QevUnicodeUnits.h"

#include "QevSysUtils.h"
#include "QevSystem.h"
#include "QevWindows.h"

void Initialization_QevUnicodeUnits() {
  Initialization_QevSysUtils();  // the platform flags come before everything else
  Initialization_QevSystem();
  Initialization_QevWindows();
}

void Finalization_QevUnicodeUnits() {
  Finalization_QevWindows();
  Finalization_QevSystem();
  Finalization_QevSysUtils();
}
