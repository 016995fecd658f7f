// Wide string, path, file, search, date and locale routines, the layer's
// exception classes and its platform switch.
#pragma once

#include "SysUtils.h"
#include "WinApi.h"

QEV_DECLARE_EXCEPTION(EQevGeneralError, Exception);   // errors a user can meet
QEV_DECLARE_EXCEPTION(EQevInternalError, Exception);  // broken internal assumptions

// Set once when this unit starts; tests may set them to take the other road.
extern bool UnicodeApiAvailable;  // NT family: call the wide Win32 functions
extern bool Win51OrLater;         // Windows XP and later

WideString WideGetModuleFileName(HMODULE module);

void Initialization_QevSysUtils();
void Finalization_QevSysUtils();
