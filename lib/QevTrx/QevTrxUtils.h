// Translation resource modules: their identity (the build GUID each carries),
// whether one is prepared, which file is the program's module and in which
// language, the program's current resource module, and the language list.
#pragma once

#include "QevClasses.h"
#include "Scoped.h"
#include "WinApi.h"

// Names of the translation resources.
constexpr const WideChar* QevDrcName = L"QEV.DRC";          // section / RCDATA: id=Unit_Name lines
constexpr const WideChar* QevTrxGuidName = L"QEV_TRX_GUID";  // RCDATA: the build's GUID
constexpr const WideChar* QevOldGuidName = L"QEV.GUID";      // RCDATA read when the first is unset
constexpr const WideChar* QevTrxXrcName = L"QEV_TRX_XRC";    // RCDATA: TranID=Comment lines
constexpr const WideChar* QevXrsName = L"QEV.XRS";           // RCDATA: TranID=TRUE lines
constexpr const WideChar* QevTrxFlagName = L"QEV_TRX_FLAG";  // RCDATA: a marker for outside tools
// The value of an unset QEV_TRX_GUID, which counts as none.
constexpr const WideChar* QevTrxGuidPlaceholder = L"{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}";

extern const TResStringRec SResourcesOutsideFile;

// The file loaded as a data file whose resources may be read: the system
// error when it does not load, EQevGeneralError SResourcesOutsideFile when
// the data of a resource lie outside the file (a cut copy, a forged size).
TModuleOwner LoadResourceDataFile(const WideString& FileName);
// The file's GUID ("QEV_TRX_GUID", else "QEV.GUID"); empty when it has none.
// The file must load as a data file, else the system error is raised.
WideString GetTranslationGuid(const WideString& FileName);
bool SameTranslationGuid(const WideString& FileA, const WideString& FileB);
// The file's resources lie inside it, and it has the "QEV.DRC" name map
// (section or RCDATA) and a GUID; raises the system error when it does not
// load as a data file.
bool IsTranslationPrepared(const WideString& FileName);
// EQevInternalError when the file is not prepared.
void CheckTranslationPrepared(const WideString& FileName);
// The program's version-information language when both names are the same
// file, else the language of the module file's extension (0 when unknown).
Word GetTranslationLanguage(const WideString& ProgramFile, const WideString& ModuleFile);
// The module file for a language: the file itself when it is in that language,
// else the file with the language's abbreviation as extension.
WideString TranslationFileForLanguage(const WideString& FileName, Word LangID);
// On the Windows 9x family, warns when the system's ANSI code page cannot show
// the language's characters.
void CheckLocaleSupport(Word LangID);

// The module the program's forms and strings are read from: its own instance
// when it runs untranslated.
HMODULE GetCurrentResourceModule();
// Makes Module the resource module and frees the previous one unless it was
// the program itself; the program's own handle returns to its own resources.
void SetResourceModule(HMODULE Module);
// The file of the program's resource module: the program file itself while it
// runs untranslated, else the module the runtime's rule chooses
// (FindResourceModuleFile); EQevInternalError when none qualifies.
WideString GetResourceModuleName();

// The languages the system supports: items "ABBREVIATION|Name", sorted, each
// with its 16-bit language identifier as object.
class TQevTrxLangs : public TObject {
 public:
  TQevTrxLangs();
  // From the given locales, in their order (the default constructor passes
  // the system's); a second entry with an abbreviation already listed is left out.
  explicit TQevTrxLangs(const std::vector<TSystemLocale>& Locales);
  const char* ClassName() const override { return "TQevTrxLangs"; }

  Integer Count() const { return List_.Count(); }
  WideString Abbreviation(Integer Index) const;
  Word LangID(Integer Index) const;
  // "DEU", ".DEU" and "deu" alike; -1 when missing.
  Integer IndexOfAbbreviation(WideString Abbreviation) const;
  Integer IndexOfLangID(Word LangID) const;
  // "???" when missing.
  WideString AbbreviationOfLangID(Word LangID) const;
  // 0 when missing.
  Word LangIDOfAbbreviation(const WideString& Abbreviation) const;
  const TQevStringList& Items() const { return List_; }

 private:
  void Fill(const std::vector<TSystemLocale>& Locales);
  // False (and nothing added) when the abbreviation is in the list already.
  bool AddLanguage(const WideString& Abbreviation, Word LangID);
  TQevStringList List_;
};

// The program's language list, from the start of this unit to its end.
extern TQevTrxLangs* QevTrxLangs;

void Initialization_QevTrxUtils();
void Finalization_QevTrxUtils();
