#include "QevLXUnits.h"

#include "CheckWinInetAndAdo.h"
#include "ExceptDlg.h"
#include "QevJclExceptDlg.h"
#include "QevLXDataSet.h"
#include "QevLXFetchUrl.h"
#include "QevLXFlashMsg.h"
#include "QevLXForms.h"
#include "QevLXHotLabel.h"
#include "QevLXMapiUtils.h"
#include "QevLXSafeWinInet.h"
#include "QevLXSetupUtils.h"
#include "QevLXUtils.h"
#include "QevLXWebDownloadProgress.h"
#include "QevLXWinInetRequestor.h"
#include "QevTrxForms.h"
#include "QevTrxResourceUtils.h"
#include "QevTrxSysInit.h"
#include "QevTrxUtils.h"

void Initialization_QevLXUnits() {
  Initialization_QevLXUtils();
  Initialization_QevLXDataSet();
  Initialization_QevLXSafeWinInet();
  Initialization_QevLXHotLabel();
  Initialization_QevLXMapiUtils();
  Initialization_QevLXFlashMsg();
  Initialization_QevTrxUtils();
  Initialization_QevTrxResourceUtils();
  // Every resource string and form read from here on comes from the
  // translation module, when one is used.
  Initialization_QevTrxSysInit();
  Initialization_ExceptDlg();
  Initialization_QevJclExceptDlg();
  Initialization_CheckWinInetAndAdo();
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
  Finalization_CheckWinInetAndAdo();
  Finalization_QevJclExceptDlg();
  Finalization_ExceptDlg();
  Finalization_QevTrxSysInit();
  Finalization_QevTrxResourceUtils();
  Finalization_QevTrxUtils();
  Finalization_QevLXFlashMsg();
  Finalization_QevLXMapiUtils();
  Finalization_QevLXHotLabel();
  Finalization_QevLXSafeWinInet();
  Finalization_QevLXDataSet();
  Finalization_QevLXUtils();
}
