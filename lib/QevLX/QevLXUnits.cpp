#include "QevLXUnits.h"

#include "CheckWinInetAndAdo.h"
#include "QevLXSafeWinInet.h"
#include "QevLXUtils.h"
#include "QevLXWinInetRequestor.h"

void Initialization_QevLXUnits() {
  Initialization_QevLXUtils();
  Initialization_CheckWinInetAndAdo();
  Initialization_QevLXSafeWinInet();
  Initialization_QevLXWinInetRequestor();
}

void Finalization_QevLXUnits() {
  Finalization_QevLXWinInetRequestor();
  Finalization_QevLXSafeWinInet();
  Finalization_CheckWinInetAndAdo();
  Finalization_QevLXUtils();
}
