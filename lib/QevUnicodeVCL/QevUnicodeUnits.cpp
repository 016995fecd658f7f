#include "QevUnicodeUnits.h"

#include "QevActnList.h"
#include "QevButtons.h"
#include "QevClipBrd.h"
#include "QevComCtrls.h"
#include "QevControls.h"
#include "QevDB.h"
#include "QevDialogs.h"
#include "QevExtCtrls.h"
#include "QevForms.h"
#include "QevMenus.h"
#include "QevStdActns.h"
#include "QevStdCtrls.h"
#include "QevSysUtils.h"
#include "QevSystem.h"
#include "QevWindows.h"

void Initialization_QevUnicodeUnits() {
  Initialization_QevSysUtils();  // the platform flags come before everything else
  Initialization_QevSystem();
  Initialization_QevWindows();
  Initialization_QevForms();  // before the window part of QevControls is used
  Initialization_QevControls();
  Initialization_QevActnList();
  Initialization_QevStdActns();
  Initialization_QevStdCtrls();
  Initialization_QevButtons();
  Initialization_QevExtCtrls();
  Initialization_QevMenus();
  Initialization_QevComCtrls();
  Initialization_QevDialogs();
  Initialization_QevDB();
}

void Finalization_QevUnicodeUnits() {
  Finalization_QevComCtrls();
  Finalization_QevMenus();
  Finalization_QevClipBrd();
  Finalization_QevExtCtrls();
  Finalization_QevButtons();
  Finalization_QevStdCtrls();
  Finalization_QevStdActns();
  Finalization_QevActnList();
  Finalization_QevControls();
  Finalization_QevForms();
  Finalization_QevWindows();
  Finalization_QevSystem();
  Finalization_QevSysUtils();
}
