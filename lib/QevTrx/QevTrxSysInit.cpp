#include "QevTrxSysInit.h"

#include "PeImage.h"
#include "QevForms.h"
#include "QevSysUtils.h"
#include "QevTrxResourceUtils.h"
#include "QevTrxUtils.h"
#include "QevWindows.h"
#include "Scoped.h"
#include "SysUtils.h"

namespace {

const WideChar NotPreparedMessage[] =
    L"The translation resource was not properly prepared.  The application will run without a "
    L"translation.";

HMODULE ProgramModule() { return GetModuleHandleW(nullptr); }

void TellUser(const WideString& Text) { MessageBoxW(nullptr, Text.c_str(), L"", MB_OK); }

// Inside a catch block: the message of the exception caught, of the
// platform's classes and of others (std::bad_alloc, std::length_error) alike.
WideString CurrentMessage() {
  try {
    throw;
  } catch (const Exception& E) {
    return E.Message;
  } catch (...) {
    return CurrentForeignException().Message;
  }
}

// A module made for another build is rebuilt from this build's resources with
// its translations; the program runs on its own resources when that fails.
void UseRebuiltModule(const WideString& ProgramFile, const WideString& ModuleFile) {
  // The module's file must be free to be replaced.
  SetResourceModule(ProgramModule());
  try {
    UpdateTranslationResources(ProgramFile, ModuleFile);
  } catch (...) {
    TellUser(CurrentMessage());
    return;
  }
  TModuleOwner module(Qev_LoadLibraryExW(ModuleFile.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE));
  if (module && ResourcesInsideFile(ModuleFile, UnicodeApiRoad())) SetResourceModule(module.release());
}

// Runs on the module the runtime loaded, or goes back to the program's own
// resources.
void InitTranslation() {
  if (GetCurrentResourceModule() == ProgramModule()) {
    if (!RejectedResourceModuleFile().empty()) TellUser(NotPreparedMessage);
    return;
  }
  const WideString moduleFile = GetResourceModuleName();
  const WideString programFile = ProgramLongFileName(UnicodeApiRoad());
  if (!IsTranslationPrepared(moduleFile)) {
    TellUser(NotPreparedMessage);
    SetResourceModule(ProgramModule());
    return;
  }
  CheckLocaleSupport(GetTranslationLanguage(programFile, moduleFile));
  if (!SameTranslationGuid(programFile, moduleFile)) UseRebuiltModule(programFile, moduleFile);
}

}  // namespace

void Initialization_QevTrxSysInit() {
  InitUnicodeEnvironment();
  // No translation problem stops the program: it runs on its own resources.
  try {
    InitTranslation();
  } catch (...) {
    SetResourceModule(ProgramModule());
    TellUser(CurrentMessage());
  }
}

void Finalization_QevTrxSysInit() {}
