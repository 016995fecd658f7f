#include "PlatformUnits.h"

#include "ActnList.h"
#include "Buttons.h"
#include "Classes.h"
#include "Clipbrd.h"
#include "ComCtrls.h"
#include "Controls.h"
#include "DB.h"
#include "Dialogs.h"
#include "ExtCtrls.h"
#include "Forms.h"
#include "Graphics.h"
#include "Jpeg.h"
#include "Mask.h"
#include "Menus.h"
#include "StdActns.h"
#include "StdCtrls.h"
#include "SysUtils.h"
#include "XPMan.h"

void Initialization_PlatformUnits() {
  Initialization_SysUtils();
  Initialization_Classes();
  Initialization_Graphics();
  Initialization_Jpeg();
  Initialization_ActnList();
  Initialization_StdActns();
  Initialization_ExtCtrls();
  Initialization_Controls();
  Initialization_Forms();
  Initialization_Menus();
  Initialization_StdCtrls();
  Initialization_Buttons();
  Initialization_ComCtrls();
  Initialization_Mask();
  Initialization_Dialogs();
  Initialization_DB();
  Initialization_XPMan();
}

void Finalization_PlatformUnits() {
  Finalization_Mask();
  Finalization_ComCtrls();
  Finalization_Buttons();
  Finalization_StdCtrls();
  Finalization_Menus();
  Finalization_Forms();
  Finalization_Controls();
  Finalization_ExtCtrls();
  Finalization_StdActns();
  Finalization_ActnList();
  Finalization_Clipbrd();
  Finalization_Jpeg();
  Finalization_Graphics();
  Finalization_Classes();
  Finalization_SysUtils();
}
