#include "QevTrxResourceUtils.h"

#include "Forms.h"
#include "QevFormatStrUtils.h"
#include "QevJCLUtils.h"
#include "QevLXFlashMsg.h"
#include "QevLXSetupUtils.h"
#include "QevSysUtils.h"
#include "QevTrxTable.h"
#include "QevTrxUtils.h"
#include "QevWindows.h"
#include "Scoped.h"

QEV_RESOURCESTRING(QevTrxResourceUtils, SNoTranslationUpdates,
                   L"Translation resource editing is not available on this version of Windows.");

namespace {

constexpr Word StringTableType = 6;
constexpr Word RcDataType = 10;
constexpr Integer SlotsPerBlock = 16;

// ------------------------------------------------------- resource updates

struct TUpdateFunctions {
  decltype(&BeginUpdateResourceW) Begin = nullptr;
  decltype(&UpdateResourceW) Update = nullptr;
  decltype(&EndUpdateResourceW) End = nullptr;
  bool Complete() const { return Begin && Update && End; }
};

// The update library of the Windows 9x family, loaded on first need.
TModuleOwner UnicowsLibrary;
TUpdateFunctions UnicowsFunctions;
bool UnicowsTried = false;

const TUpdateFunctions& UpdateFunctions() {
  static const TUpdateFunctions kernel{BeginUpdateResourceW, UpdateResourceW, EndUpdateResourceW};
  if (UnicodeApiAvailable) return kernel;
  if (!UnicowsTried) {
    UnicowsTried = true;
    TModuleOwner library(Qev_LoadLibraryW(L"qev_unicows.dll"));
    TUpdateFunctions found{
        ProcAddress<decltype(&BeginUpdateResourceW)>(library.get(), "BeginUpdateResourceW"),
        ProcAddress<decltype(&UpdateResourceW)>(library.get(), "UpdateResourceW"),
        ProcAddress<decltype(&EndUpdateResourceW)>(library.get(), "EndUpdateResourceW")};
    if (found.Complete()) {
      UnicowsFunctions = found;
      UnicowsLibrary = std::move(library);
    }
  }
  if (!UnicowsFunctions.Complete()) throw EQevGeneralError(SNoTranslationUpdates);
  return UnicowsFunctions;
}

// ------------------------------------------------------------ enumeration

// A resource type or name as the enumeration gives it.
struct TResId {
  Word Id = 0;
  WideString Text;
  LPCWSTR Ptr() const { return Text.empty() ? MAKEINTRESOURCEW(Id) : Text.c_str(); }
};

template <class Char>
TResId ResIdOf(const Char* Name) {
  TResId id;
  if (IsIntResource(Name))
    id.Id = static_cast<Word>(reinterpret_cast<ULONG_PTR>(Name));
  else if constexpr (sizeof(Char) == 1)
    id.Text = AnsiToWide(Name);
  else
    id.Text = Name;
  return id;
}

// Enumeration callbacks of the wide and the 8-bit functions alike.
template <class TypeArg>
BOOL CALLBACK AddType(HMODULE, TypeArg Type, LONG_PTR List) {
  reinterpret_cast<std::vector<TResId>*>(List)->push_back(ResIdOf(Type));
  return TRUE;
}
template <class TypeArg, class NameArg>
BOOL CALLBACK AddName(HMODULE, TypeArg, NameArg Name, LONG_PTR List) {
  reinterpret_cast<std::vector<TResId>*>(List)->push_back(ResIdOf(Name));
  return TRUE;
}
template <class Arg>
BOOL CALLBACK AddLanguage(HMODULE, Arg, Arg, WORD Language, LONG_PTR List) {
  reinterpret_cast<std::vector<Word>*>(List)->push_back(Language);
  return TRUE;
}

// The 9x family enumerates by 8-bit names.
void AnsiResName(const TResId& Id, AnsiString& Storage) {
  Storage = Id.Text.empty() ? AnsiString() : WideToAnsi(Id.Text);
}
LPCSTR AnsiPtr(const TResId& Id, const AnsiString& Storage) {
  return Id.Text.empty() ? MAKEINTRESOURCEA(Id.Id) : Storage.c_str();
}

void CheckEnumerated(BOOL Ok) {
  // A module without resources of a kind ends the enumeration with this code.
  if (!Ok && GetLastError() != ERROR_RESOURCE_TYPE_NOT_FOUND &&
      GetLastError() != ERROR_RESOURCE_DATA_NOT_FOUND && GetLastError() != ERROR_SUCCESS)
    RaiseLastOSError();
}

std::vector<TResId> ResourceTypes(HMODULE Module) {
  std::vector<TResId> types;
  auto list = reinterpret_cast<LONG_PTR>(&types);
  CheckEnumerated(UnicodeApiAvailable ? EnumResourceTypesW(Module, AddType<LPWSTR>, list)
                                      : EnumResourceTypesA(Module, AddType<LPSTR>, list));
  return types;
}

std::vector<TResId> ResourceNames(HMODULE Module, const TResId& Type) {
  std::vector<TResId> names;
  auto list = reinterpret_cast<LONG_PTR>(&names);
  AnsiString type;
  AnsiResName(Type, type);
  CheckEnumerated(UnicodeApiAvailable
                      ? EnumResourceNamesW(Module, Type.Ptr(), AddName<LPCWSTR, LPWSTR>, list)
                      : EnumResourceNamesA(Module, AnsiPtr(Type, type), AddName<LPCSTR, LPSTR>, list));
  return names;
}

std::vector<Word> ResourceLanguages(HMODULE Module, const TResId& Type, const TResId& Name) {
  std::vector<Word> languages;
  auto list = reinterpret_cast<LONG_PTR>(&languages);
  AnsiString type, name;
  AnsiResName(Type, type);
  AnsiResName(Name, name);
  CheckEnumerated(UnicodeApiAvailable
                      ? EnumResourceLanguagesW(Module, Type.Ptr(), Name.Ptr(), AddLanguage<LPCWSTR>, list)
                      : EnumResourceLanguagesA(Module, AnsiPtr(Type, type), AnsiPtr(Name, name),
                                               AddLanguage<LPCSTR>, list));
  return languages;
}

// Locates the data; a resource of size 0 is valid and keeps a null pointer.
void LocateData(HMODULE Module, TResData& Res) {
  HRSRC info = FindResourceExW(Module, Res.ResType, Res.ResName, Res.Language);
  if (!info) RaiseLastOSError();
  Res.Size = SizeofResource(Module, info);
  HGLOBAL global = LoadResource(Module, info);
  if (!global && Res.Size != 0) RaiseLastOSError();
  Res.Data = global ? LockResource(global) : nullptr;
  if (!Res.Data && Res.Size != 0) RaiseLastOSError();
}

// ---------------------------------------------------------- string tables

std::unique_ptr<TQevStringList> DecodeStringBlock(const TResData& Res) {
  auto block = std::make_unique<TQevStringList>();
  const Integer first = (static_cast<Integer>(reinterpret_cast<ULONG_PTR>(Res.ResName)) - 1) *
                        SlotsPerBlock;
  auto p = static_cast<const WideChar*>(Res.Data);
  const WideChar* end = p ? p + Res.Size / sizeof(WideChar) : p;
  for (Integer slot = 0; slot < SlotsPerBlock; ++slot) {
    WideString text;
    if (p < end) {
      const size_t stated = *p++;
      const size_t count = std::min(stated, static_cast<size_t>(end - p));
      text.assign(p, count);
      p += count;
    }
    block->AddObject(text, reinterpret_cast<TObject*>(static_cast<INT_PTR>(first + slot)));
  }
  return block;
}

Integer BlockOf(Integer Id) { return Id / SlotsPerBlock + 1; }

std::vector<WideChar> EncodeStringBlock(const TQevStrings& Block, Integer BlockNumber) {
  WideString slots[SlotsPerBlock];
  for (Integer i = 0; i < Block.Count(); ++i) {
    const Integer slot = StringIdOf(&Block, i) - (BlockNumber - 1) * SlotsPerBlock;
    if (slot >= 0 && slot < SlotsPerBlock) slots[slot] = Block.Get(i);
  }
  std::vector<WideChar> data;
  for (const WideString& text : slots) {
    data.push_back(static_cast<WideChar>(text.size()));
    data.insert(data.end(), text.begin(), text.end());
  }
  return data;
}

HRSRC FindRcData(HMODULE Module, const WideString& Name) {
  if (UnicodeApiAvailable) return FindResourceW(Module, Name.c_str(), MAKEINTRESOURCEW(RcDataType));
  return FindResourceA(Module, WideToAnsi(Name).c_str(), MAKEINTRESOURCEA(RcDataType));
}

}  // namespace

// ----------------------------------------------------------------- TResData

void TResData::SetType(LPCWSTR Type) {
  TypeText_ = IsIntResource(Type) ? WideString() : WideString(Type);
  ResType = TypeText_.empty() ? Type : TypeText_.c_str();
}

void TResData::SetName(LPCWSTR Name) {
  NameText_ = IsIntResource(Name) ? WideString() : WideString(Name);
  ResName = NameText_.empty() ? Name : NameText_.c_str();
}

// --------------------------------------------------------- resource updates

HANDLE BeginResourceUpdate(const WideString& FileName, bool DeleteExistingResources) {
  HANDLE update = UpdateFunctions().Begin(FileName.c_str(), DeleteExistingResources);
  // The caller reads the failed call's error, which no window may overwrite.
  if (!update) return nullptr;
  // A plain window shown and gone at once, as the update library expects.
  std::unique_ptr<TForm> form(new TForm(nullptr));
  form->SetBounds(0, 0, 0, 0);
  form->Show();
  return update;
}

bool UpdateResourceEntry(HANDLE Update, LPCWSTR Type, LPCWSTR Name, DWORD Size, const void* Data,
                         Word Language) {
  // Null data with size 0 would delete the resource: an empty one keeps a
  // pointer.
  static const Byte empty = 0;
  if (!Data) Data = &empty;
  return UpdateFunctions().Update(Update, Type, Name, Language, const_cast<void*>(Data), Size) != 0;
}

bool EndResourceUpdate(HANDLE Update, bool Discard) {
  return UpdateFunctions().End(Update, Discard) != 0;
}

// --------------------------------------------------------------- enumeration

void EnumerateResources(HMODULE Module, TResDataList& List) {
  for (const TResId& type : ResourceTypes(Module))
    for (const TResId& name : ResourceNames(Module, type))
      for (Word language : ResourceLanguages(Module, type, name)) {
        auto res = std::make_unique<TResData>();
        res->SetType(type.Ptr());
        res->SetName(name.Ptr());
        res->Language = language;
        LocateData(Module, *res);
        List.push_back(std::move(res));
      }
}

// ------------------------------------------------------------- string tables

void LoadStringTables(HMODULE Module, TStringTableList& Tables) {
  Tables.clear();
  TResDataList resources;
  EnumerateResources(Module, resources);
  for (const auto& res : resources)
    if (res->ResType == MAKEINTRESOURCEW(StringTableType) && IsIntResource(res->ResName))
      Tables.push_back(DecodeStringBlock(*res));
}

void SetStringInTables(TStringTableList& Tables, Integer Id, const WideString& Text) {
  for (auto& block : Tables) {
    if (block->Count() == 0 || BlockOf(StringIdOf(block.get(), 0)) != BlockOf(Id)) continue;
    for (Integer i = 0; i < block->Count(); ++i)
      if (StringIdOf(block.get(), i) == Id) block->Put(i, Text);
    return;
  }
}

void WriteStringTables(HANDLE Update, const TStringTableList& Tables) {
  for (const auto& block : Tables) {
    if (block->Count() == 0) continue;
    const Integer number = BlockOf(StringIdOf(block.get(), 0));
    const std::vector<WideChar> data = EncodeStringBlock(*block, number);
    if (!UpdateResourceEntry(Update, MAKEINTRESOURCEW(StringTableType),
                             MAKEINTRESOURCEW(number),
                             static_cast<DWORD>(data.size() * sizeof(WideChar)), data.data(), 0))
      RaiseLastOSError();
  }
}

// ------------------------------------------------------------ raw-data texts

void GetFormResourceNames(HMODULE Module, TStrings* Names) {
  Names->Clear();
  TResDataList resources;
  EnumerateResources(Module, resources);
  for (const auto& res : resources) {
    if (res->ResType != MAKEINTRESOURCEW(RcDataType) || IsIntResource(res->ResName)) continue;
    const AnsiString name = WideToAnsi(res->ResName);
    if (Names->IndexOf(name) >= 0) continue;  // another language of the same form
    TResourceStream stream(Module, name, MAKEINTRESOURCEA(RcDataType));
    if (TestStreamFormat(&stream) == sofBinary) Names->Add(name);
  }
}

bool RcDataExists(HMODULE Module, const WideString& Name) { return FindRcData(Module, Name); }

WideString ReadRcDataText(HMODULE Module, const WideString& Name) {
  HRSRC info = FindRcData(Module, Name);
  if (!info) return {};
  const DWORD size = SizeofResource(Module, info);
  HGLOBAL global = LoadResource(Module, info);
  auto data = static_cast<const WideChar*>(global ? LockResource(global) : nullptr);
  if (!data) return {};
  return WideString(data, size / sizeof(WideChar));
}

void SaveRcText(HANDLE Update, const WideString& ResName, const WideString& Text) {
  if (ResName != QevWideUpperCase(ResName))
    throw Exception(L"Internal Error: SaveRcText.ResName must be upper case.");
  if (!UpdateResourceEntry(Update, MAKEINTRESOURCEW(RcDataType), ResName.c_str(),
                           static_cast<DWORD>(Text.size() * sizeof(WideChar)), Text.c_str(), 0))
    RaiseLastOSError();
}

// ----------------------------------------------------------------- copying

void CopyModuleResources(const WideString& SourceFile, const WideString& TargetFile) {
  const bool hasDrc = PeSectionExists(SourceFile, L"QEV.DRC");
  const WideString drc = hasDrc ? ReadPeSectionText(SourceFile, L"QEV.DRC") : WideString();
  TModuleOwner source = LoadResourceDataFile(SourceFile);
  TResDataList resources;
  EnumerateResources(source.get(), resources);
  HANDLE update = BeginResourceUpdate(TargetFile, true);
  if (!update) RaiseLastOSError();
  // A copy that fails part way leaves the target as it was.
  TScopeExit discard([update] { EndResourceUpdate(update, true); });
  for (const auto& res : resources) {
    if (UpdateResourceEntry(update, res->ResType, res->ResName, res->Size, res->Data,
                            res->Language))
      continue;
    // Wine's update refuses empty data: the one resource it cannot hold
    // must not cost the copy all the others.
    if (res->Size != 0) RaiseLastOSError();
    OutputDebugStringW(L"CopyModuleResources: an empty resource could not be written\n");
  }
  if (hasDrc) SaveRcText(update, L"QEV.DRC", drc);
  discard.Dismiss();
  if (!EndResourceUpdate(update, false)) RaiseLastOSError();
}

// --------------------------------------------------------- building modules

namespace {

constexpr const WideChar* QevUnitSource = L"lib\\QevTrx\\QevTrxResourceUtils";  // named by assertions

// The template module the program carries, written to FileName.
void WriteTemplateModule(const WideString& FileName) {
  const HMODULE program = GetModuleHandleW(nullptr);
  HRSRC info = FindResourceW(program, L"QEV_TRX_TEMPLATE", MAKEINTRESOURCEW(RcDataType));
  HGLOBAL global = info ? LoadResource(program, info) : nullptr;
  const void* data = global ? LockResource(global) : nullptr;
  if (!data) RaiseLastOSError();
  // The file is this build's own (TModuleUnderConstruction made it).
  THandleOwner file(Qev_CreateFileW(FileName.c_str(), GENERIC_WRITE, 0, nullptr, TRUNCATE_EXISTING,
                                    FILE_ATTRIBUTE_NORMAL, nullptr));
  if (file.get() == INVALID_HANDLE_VALUE) {
    file.release();
    RaiseLastOSError();
  }
  const DWORD size = SizeofResource(program, info);
  DWORD written = 0;
  if (!WriteFile(file.get(), data, size, &written, nullptr) || written != size) RaiseLastOSError();
}

// A module is built under a temporary name beside its own and takes that
// name only when it is complete, so a failed build never passes for a
// finished module; the temporary file goes again otherwise. The temporary
// file is created exclusively: two programs that rebuild the same module at
// once each build in a file of their own.
class TModuleUnderConstruction {
 public:
  explicit TModuleUnderConstruction(const WideString& Target)
      : Target_(Target), File_(CreateUnusedNumberedFile(Target + L".new")) {}
  ~TModuleUnderConstruction() {
    if (!Placed_ && !WideDeleteFile(File_)) TraceDroppedException(L"TModuleUnderConstruction");
  }
  TModuleUnderConstruction(const TModuleUnderConstruction&) = delete;
  TModuleUnderConstruction& operator=(const TModuleUnderConstruction&) = delete;

  const WideString& File() const { return File_; }
  void Place(bool ReplaceExisting) {
    if (ReplaceExisting)
      ReplaceWithFile(File_, Target_);
    else
      RenameFileChecked(File_, Target_);
    Placed_ = true;
  }

 private:
  WideString Target_;
  WideString File_;
  bool Placed_ = false;
};

// So that a translation can reorder arguments, every format string of the
// program goes into explicit-index form; the program's text stays the reference.
void ConvertFormatStrings(TQevTransTable& Table) {
  Table.DisableControls();
  TScopeExit enable([&] { Table.EnableControls(); });
  for (Table.First(); !Table.Eof(); Table.Next()) {
    if (!Table.IsStringResource()) continue;
    const WideString text = Table.TranValue();
    const WideString converted = ConvertFormatToExplicitIndexes(text);
    if (converted == text) continue;
    Table.Edit();
    Table.SetRefValue(text);
    Table.SetTranValue(converted);
    Table.Post();
  }
}

void BuildTranslationModule(const WideString& ProgramFile, const WideString& FileName) {
  WriteTemplateModule(FileName);
  CopyModuleResources(ProgramFile, FileName);
  TQevTransTable table(nullptr);
  table.LoadFromModule(ProgramFile, FileName);
  ConvertFormatStrings(table);
  table.SaveToModule(false);
}

}  // namespace

void CreateTranslationDll(const WideString& ProgramFile, Word LangID, WideString& FileName) {
  FileName = TranslationFileForLanguage(ProgramFile, LangID);
  if (WideFileExists(FileName))
    throw EQevInternalError(L"Internal Error: This translation already exists (%s).", {FileName});
  TModuleUnderConstruction module(FileName);
  BuildTranslationModule(ProgramFile, module.File());
  module.Place(false);
}

void UpdateTranslationResources(const WideString& ProgramFile, const WideString& ModuleFile) {
  std::unique_ptr<TQevFlashForm> busy(
      ShowFlashMessage(L"Updating Translation Resource (" + ModuleFile + L")"));
  // Whatever is wrong with the module's name shows before anything is touched.
  QEV_ASSERT(!WideSameText(ProgramFile, ModuleFile), L"Assertion failure");
  const Word language = GetTranslationLanguage(ProgramFile, ModuleFile);
  QEV_ASSERT(WideSameText(TranslationFileForLanguage(ProgramFile, language), ModuleFile),
             L"Assertion failure");
  TQevTransTable old(nullptr);
  old.LoadFromModule(ProgramFile, ModuleFile);
  TModuleUnderConstruction module(ModuleFile);
  BuildTranslationModule(ProgramFile, module.File());
  {
    TQevTransTable fresh(nullptr);
    fresh.LoadFromModule(ProgramFile, module.File());
    fresh.MergeFrom(&old, true);
    fresh.SaveToModule(false);
  }
  module.Place(true);
}

// --------------------------------------------------------------------- unit

void Initialization_QevTrxResourceUtils() {}

void Finalization_QevTrxResourceUtils() {
  UnicowsLibrary.reset();
  UnicowsFunctions = {};
  UnicowsTried = false;
}
