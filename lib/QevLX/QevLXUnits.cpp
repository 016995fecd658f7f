#include "QevLXUnits.h"

#include "CheckWinInetAndAdo.h"
#include "QevLXUtils.h"

void Initialization_QevLXUnits() {
  Initialization_QevLXUtils();
  Initialization_CheckWinInetAndAdo();
}

void Finalization_QevLXUnits() {
  Finalization_CheckWinInetAndAdo();
  Finalization_QevLXUtils();
}
