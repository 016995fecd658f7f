// Reading and writing the resources of module files for the translation
// system: enumeration, string-table blocks, raw-data texts, form resources and
// the copy of all resources of one module into another; the making and
// rebuilding of translation modules on top of them.
#pragma once

#include <memory>
#include <vector>

#include "QevClasses.h"
#include "WinApi.h"

// One resource of an enumerated module. Data points into the module, which
// must stay loaded while the record is used.
class TResData : public TObject {
 public:
  const char* ClassName() const override { return "TResData"; }
  // Sets ResType / ResName: an integer identifier stays one, a text is kept
  // in the record's own storage.
  void SetType(LPCWSTR Type);
  void SetName(LPCWSTR Name);

  LPCWSTR ResType = nullptr;
  LPCWSTR ResName = nullptr;
  Word Language = 0;
  const void* Data = nullptr;
  DWORD Size = 0;

 private:
  WideString TypeText_;
  WideString NameText_;
};
using TResDataList = std::vector<std::unique_ptr<TResData>>;

// A string-table block (resource type 6) in memory: all 16 slots of the block
// in order, each with its string identifier as object, so that an empty string
// and a block of empty strings survive a round trip.
using TStringTableList = std::vector<std::unique_ptr<TQevStringList>>;

extern const TResStringRec SNoTranslationUpdates;

// The resource-update functions: kernel32's on the NT family, taken from
// "qev_unicows.dll" elsewhere (EQevGeneralError SNoTranslationUpdates without it).
HANDLE BeginResourceUpdate(const WideString& FileName, bool DeleteExistingResources);
bool UpdateResourceEntry(HANDLE Update, LPCWSTR Type, LPCWSTR Name, DWORD Size, const void* Data,
                         Word Language);
bool EndResourceUpdate(HANDLE Update, bool Discard);

// Appends every resource of the module in enumeration order (types, names,
// languages). A resource of size 0 is a record of size 0; failing system
// calls raise the system error.
void EnumerateResources(HMODULE Module, TResDataList& List);

// The identifier of a string-table block's item.
inline Integer StringIdOf(const TQevStrings* Block, Integer Index) {
  return static_cast<Integer>(reinterpret_cast<INT_PTR>(Block->GetObject(Index)));
}
// Every string-table block of the module, in enumeration order.
void LoadStringTables(HMODULE Module, TStringTableList& Tables);
// Replaces the text of the identifier's item; nothing when no block has it.
void SetStringInTables(TStringTableList& Tables, Integer Id, const WideString& Text);
// Writes every block that has items as string-table resource, language 0;
// slots without an item are empty. A failed update raises the system error.
void WriteStringTables(HANDLE Update, const TStringTableList& Tables);

// The module's RCDATA resources named by text that hold a binary form stream.
void GetFormResourceNames(HMODULE Module, TStrings* Names);
bool RcDataExists(HMODULE Module, const WideString& Name);
// The resource's bytes as UTF-16LE; empty when it does not exist.
WideString ReadRcDataText(HMODULE Module, const WideString& Name);
// Writes Text as RCDATA ResName (upper case only), language 0, without terminator.
void SaveRcText(HANDLE Update, const WideString& ResName, const WideString& Text);

// Replaces all resources of Target with those of Source, plus Source's
// "QEV.DRC" section as RCDATA of that name when it has one.
void CopyModuleResources(const WideString& SourceFile, const WideString& TargetFile);

void Initialization_QevTrxResourceUtils();
void Finalization_QevTrxResourceUtils();

// ------------------------------------------------------ building modules

// Makes the translation module of the program for a language from the
// template the program carries and a copy of all its resources, with every
// format string in explicit-index form. FileName receives the module's name;
// EQevInternalError when that file exists. The module appears whole or not
// at all.
void CreateTranslationDll(const WideString& ProgramFile, Word LangID, WideString& FileName);
// Rebuilds a module made for another build of the program: the new build's
// resources with the old module's translations and comments. The module is
// replaced only once its successor is complete; on any failure it stays as
// it was. Shows the busy window meanwhile.
void UpdateTranslationResources(const WideString& ProgramFile, const WideString& ModuleFile);
