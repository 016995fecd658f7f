#include "QevTrxSysInit.h"

#include "QevForms.h"
#include "QevSysUtils.h"
#include "QevTrxUtils.h"
#include "SysUtils.h"

namespace {

const WideChar NotPreparedMessage[] =
    L"The translation resource was not properly prepared.  The application will run without a "
    L"translation.";

HMODULE ProgramModule() { return GetModuleHandleW(nullptr); }

void TellUser(const WideString& Text) { MessageBoxW(nullptr, Text.c_str(), L"", MB_OK); }

// Runs on the module the runtime loaded, or goes back to the program's own
// resources. A module made for another build is not used: its string
// identifiers need not match this build's.
void InitTranslation() {
  if (GetCurrentResourceModule() == ProgramModule()) return;
  const WideString moduleFile = GetResourceModuleName();
  const WideString programFile = WideGetModuleFileName(ProgramModule());
  if (!IsTranslationPrepared(moduleFile)) {
    TellUser(NotPreparedMessage);
    SetResourceModule(ProgramModule());
    return;
  }
  CheckLocaleSupport(GetTranslationLanguage(programFile, moduleFile));
  if (!SameTranslationGuid(programFile, moduleFile)) SetResourceModule(ProgramModule());
}

}  // namespace

void Initialization_QevTrxSysInit() {
  InitUnicodeEnvironment();
  // No translation problem stops the program: it runs on its own resources.
  try {
    InitTranslation();
  } catch (const Exception& E) {
    SetResourceModule(ProgramModule());
    TellUser(E.Message);
  }
}

void Finalization_QevTrxSysInit() {}
