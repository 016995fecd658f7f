#include "QevTrxUtils.h"

#include "PeImage.h"
#include "QevDialogs.h"
#include "QevJCLUtils.h"
#include "QevLXVerUtils.h"
#include "QevSysUtils.h"
#include "QevSystem.h"
#include "QevTrxResourceUtils.h"
#include "QevWindows.h"
#include "Scoped.h"

QEV_RESOURCESTRING(QevTrxUtils, SResourcesOutsideFile,
                   L"The resource data of %s lie outside the file.");

TQevTrxLangs* QevTrxLangs = nullptr;

namespace {

HMODULE ProgramInstance() { return GetModuleHandleW(nullptr); }

TModuleOwner LoadDataFile(const WideString& FileName) {
  TModuleOwner module(Qev_LoadLibraryExW(FileName.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE));
  if (!module) RaiseLastOSError();
  return module;
}

WideString GuidText(HMODULE Module, const WideChar* Name) {
  WideString guid = ReadRcDataText(Module, Name);
  return guid == QevTrxGuidPlaceholder ? WideString() : guid;
}

WideString GuidOfModule(HMODULE Module) {
  WideString guid = GuidText(Module, QevTrxGuidName);
  return guid.empty() ? GuidText(Module, QevOldGuidName) : guid;
}

Word FileLanguage(const WideString& FileName) { return LOWORD(GetFileTranslation(FileName)); }

WideString LocaleText(LCID Locale, LCTYPE Type) {
  WideChar buffer[128] = {};
  if (UnicodeApiAvailable) {
    GetLocaleInfoW(Locale, Type, buffer, 128);
    return buffer;
  }
  char ansi[128] = {};
  GetLocaleInfoA(Locale, Type, ansi, 128);
  return AnsiToWide(ansi);
}

TObject* LangObject(Word LangID) { return reinterpret_cast<TObject*>(static_cast<INT_PTR>(LangID)); }

}  // namespace

// ------------------------------------------------------- module identity

TModuleOwner LoadResourceDataFile(const WideString& FileName) {
  TModuleOwner module = LoadDataFile(FileName);
  // Checked while the file is loaded: a file mapped as a module cannot be cut
  // meanwhile.
  if (!ResourcesInsideFile(FileName, UnicodeApiRoad()))
    throw EQevGeneralError(SResourcesOutsideFile, {FileName});
  return module;
}

WideString GetTranslationGuid(const WideString& FileName) {
  return GuidOfModule(LoadResourceDataFile(FileName).get());
}

bool SameTranslationGuid(const WideString& FileA, const WideString& FileB) {
  return GetTranslationGuid(FileA) == GetTranslationGuid(FileB);
}

bool IsTranslationPrepared(const WideString& FileName) {
  TModuleOwner module = LoadDataFile(FileName);
  if (!ResourcesInsideFile(FileName, UnicodeApiRoad())) return false;
  const bool hasMap = PeSectionExists(FileName, QevDrcName) || RcDataExists(module.get(), QevDrcName);
  return hasMap && !GuidOfModule(module.get()).empty();
}

void CheckTranslationPrepared(const WideString& FileName) {
  if (!IsTranslationPrepared(FileName))
    throw EQevInternalError(L"Internal Error: %s or %s resource not created.  (%s)",
                            {QevDrcName, QevTrxGuidName, FileName});
}

Word GetTranslationLanguage(const WideString& ProgramFile, const WideString& ModuleFile) {
  if (WideSameText(ProgramFile, ModuleFile)) return FileLanguage(ProgramFile);
  return QevTrxLangs ? QevTrxLangs->LangIDOfAbbreviation(WideExtractFileExt(ModuleFile)) : 0;
}

WideString TranslationFileForLanguage(const WideString& FileName, Word LangID) {
  if (FileLanguage(FileName) == LangID) return FileName;
  const WideString abbreviation = QevTrxLangs ? QevTrxLangs->AbbreviationOfLangID(LangID) : L"???";
  return WideChangeFileExt(FileName, L"." + abbreviation);
}

void CheckLocaleSupport(Word LangID) {
  if (UnicodeApiAvailable) return;
  const LCID locale = MakeLCID(LangID, 0);
  const Integer codePage = CodePageFromLocale(locale);
  if (codePage == 0 || static_cast<UINT>(codePage) == GetACP()) return;
  WideShowMessage(WideFormat(
      L"The current System Locale does not support the display of %s characters.\r\n"
      L"The user interface may appear garbled.",
      {LocaleText(locale, LOCALE_SENGLANGUAGE)}));
}

// ------------------------------------------------------- resource module

HMODULE GetCurrentResourceModule() {
  return static_cast<HMODULE>(FindResourceHInstance(ProgramInstance()));
}

void SetResourceModule(HMODULE Module) {
  const HMODULE current = GetCurrentResourceModule();
  if (Module == current) return;
  if (current != ProgramInstance()) FreeLibrary(current);
  SetResourceHInstance(Module == ProgramInstance() ? nullptr : Module);
}

WideString GetResourceModuleName() {
  const WideString programFile = ProgramLongFileName(UnicodeApiRoad());
  if (GetCurrentResourceModule() == ProgramInstance()) return programFile;
  const WideString moduleFile = FindResourceModuleFile(programFile, UnicodeApiRoad());
  if (moduleFile.empty())
    throw EQevInternalError(L"Internal Error: Can not determine resource module.");
  return moduleFile;
}

// ----------------------------------------------------------- TQevTrxLangs

TQevTrxLangs::TQevTrxLangs() : TQevTrxLangs(SystemLocales(UnicodeApiRoad())) {}

TQevTrxLangs::TQevTrxLangs(const std::vector<TSystemLocale>& Locales) {
  List_.SetSorted(true);
  List_.Duplicates = dupError;
  Fill(Locales);
}

bool TQevTrxLangs::AddLanguage(const WideString& Abbreviation, Word LangID) {
  if (List_.IndexOf(Abbreviation) >= 0) return false;
  List_.AddObject(Abbreviation, LangObject(LangID));
  return true;
}

void TQevTrxLangs::Fill(const std::vector<TSystemLocale>& Locales) {
  // Two-letter neutral entries, listed only for a language of which the
  // system knows a sublanguage besides the default one.
  TQevStringList neutral;
  for (const TSystemLocale& locale : Locales) {
    const Word id = LangIDFromLCID(locale.LocaleID);
    const Word primary = PrimaryLangID(id), sub = SubLangID(id);
    WideString abbreviation = locale.Abbreviation;
    // Systems list some abbreviations for several locales (Wine: "ZZZ"
    // for many default sublanguages): the first keeps it.
    if (List_.IndexOf(abbreviation) >= 0) {
      if (sub == SUBLANG_DEFAULT) continue;
      abbreviation = WideFormat(L"%.2X.", {static_cast<Integer>(sub)}) + abbreviation;
    }
    if (!AddLanguage(abbreviation, id)) continue;
    if (sub == SUBLANG_DEFAULT)
      neutral.AddObject(locale.Abbreviation.substr(0, 2), LangObject(MakeLangID(primary, 0)));
  }
  for (const TSystemLocale& locale : Locales) {
    const Word id = LangIDFromLCID(locale.LocaleID);
    if (SubLangID(id) == SUBLANG_DEFAULT) continue;
    const Integer index = neutral.IndexOfObject(LangObject(MakeLangID(PrimaryLangID(id), 0)));
    if (index < 0) continue;
    AddLanguage(neutral.Get(index), StringIdOf(&neutral, index));
    neutral.Delete(index);
  }
  List_.SetSorted(false);
  for (Integer i = 0; i < List_.Count(); ++i) {
    const Word id = LangID(i);
    const LCTYPE nameType = SubLangID(id) == 0 ? LOCALE_SENGLANGUAGE : LOCALE_SLANGUAGE;
    List_.Put(i, List_.Get(i) + L"|" + LocaleText(MakeLCID(id, 0), nameType));
  }
  List_.SetSorted(true);
}

WideString TQevTrxLangs::Abbreviation(Integer Index) const {
  const WideString item = List_.Get(Index);
  return item.substr(0, item.find(L'|'));
}

Word TQevTrxLangs::LangID(Integer Index) const {
  return static_cast<Word>(reinterpret_cast<INT_PTR>(List_.GetObject(Index)));
}

Integer TQevTrxLangs::IndexOfAbbreviation(WideString Abbreviation) const {
  if (!Abbreviation.empty() && Abbreviation[0] == L'.') Abbreviation.erase(0, 1);
  Integer index = 0;
  List_.Find(Abbreviation + L"|", index);
  if (index >= List_.Count() || !WideSameText(this->Abbreviation(index), Abbreviation)) return -1;
  return index;
}

Integer TQevTrxLangs::IndexOfLangID(Word LangID) const {
  return List_.IndexOfObject(LangObject(LangID));
}

WideString TQevTrxLangs::AbbreviationOfLangID(Word LangID) const {
  const Integer index = IndexOfLangID(LangID);
  return index < 0 ? WideString(L"???") : Abbreviation(index);
}

Word TQevTrxLangs::LangIDOfAbbreviation(const WideString& Abbreviation) const {
  const Integer index = IndexOfAbbreviation(Abbreviation);
  return index < 0 ? 0 : LangID(index);
}

// --------------------------------------------------------------------- unit

void Initialization_QevTrxUtils() { QevTrxLangs = new TQevTrxLangs(); }

void Finalization_QevTrxUtils() {
  delete QevTrxLangs;
  QevTrxLangs = nullptr;
}
