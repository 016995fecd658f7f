#include "QevLXUnits.h"

#include "CheckWinInetAndAdo.h"
#include "QevLXFetchUrl.h"
#include "QevLXForms.h"
#include "QevLXHotLabel.h"
#include "QevLXMapiUtils.h"
#include "QevLXSafeWinInet.h"
#include "QevLXSetupUtils.h"
#include "QevLXUtils.h"
#include "QevLXWebDownloadProgress.h"
#include "QevLXWinInetRequestor.h"
#include "QevTrxForms.h"

void Initialization_QevLXUnits() {
  Initialization_QevLXUtils();
  Initialization_CheckWinInetAndAdo();
  Initialization_QevLXSafeWinInet();
  Initialization_QevLXHotLabel();
  Initialization_QevLXMapiUtils();
  Initialization_QevLXWinInetRequestor();
  Initialization_QevLXFetchUrl();
  Initialization_QevLXForms();
  Initialization_QevLXWebDownloadProgress();
  Initialization_QevTrxForms();
  Initialization_QevLXSetupUtils();
}

void Finalization_QevLXUnits() {
  Finalization_QevLXSetupUtils();
  Finalization_QevTrxForms();
  Finalization_QevLXWebDownloadProgress();
  Finalization_QevLXForms();
  Finalization_QevLXFetchUrl();
  Finalization_QevLXWinInetRequestor();
  Finalization_QevLXMapiUtils();
  Finalization_QevLXHotLabel();
  Finalization_QevLXSafeWinInet();
  Finalization_CheckWinInetAndAdo();
  Finalization_QevLXUtils();
}
