#include "QevTrxTable.h"

#include <algorithm>
#include <iterator>
#include <set>

#include "QevDB.h"
#include "QevFormatStrUtils.h"
#include "QevJCLUtils.h"
#include "QevSysUtils.h"
#include "QevTrxUtils.h"
#include "QevWindows.h"
#include "Scoped.h"

QEV_DEFINE_CLASS(TQevTransTable)

void (*TransTableSaveProbe)() = nullptr;

namespace {

constexpr const WideChar* ResourceStringType = L"resourcestring";
constexpr Integer UnlimitedSize = 2147483647;

struct TColumn {
  const char* Name;
  TFieldType Type;
  bool Required;
  bool Visible;
  Integer DisplayWidth;
};
const TColumn Columns[] = {
    {"TranID", ftWideString, true, true, 30},
    {"TranType", ftWideString, true, true, 20},
    {"StringTableIDOrPDfmProp", ftInteger, true, false, 0},
    {"RefValue", ftWideString, false, true, 50},
    {"TranValue", ftWideString, false, true, 40},
    {"Comment", ftWideString, false, true, 40},
    {"Translated", ftBoolean, true, true, 15},
};

// For a walk over every row: the filter off and the controls disabled, both
// back afterwards, also when the walk fails.
class TTableWalk {
 public:
  explicit TTableWalk(TDataSet* Table) : Table_(Table) {
    Table_->SetFiltered(false);
    Table_->DisableControls();
  }
  ~TTableWalk() {
    Table_->EnableControls();
    try {
      Table_->SetFiltered(true);
    } catch (...) {
      TraceDroppedException(L"TQevTransTable: filter on");
    }
  }
  TTableWalk(const TTableWalk&) = delete;
  TTableWalk& operator=(const TTableWalk&) = delete;

 private:
  TDataSet* Table_;
};

// The current row again after a walk.
class TKeptBookmark {
 public:
  explicit TKeptBookmark(TDataSet* Table) : Table_(Table), Bookmark_(Table->GetBookmark()) {}
  ~TKeptBookmark() {
    try {
      if (Table_->State() == dsEdit || Table_->State() == dsInsert) Table_->Cancel();
      Table_->GotoBookmark(Bookmark_);
    } catch (...) {
      TraceDroppedException(L"TQevTransTable: bookmark");
    }
    Table_->FreeBookmark(Bookmark_);
  }
  TKeptBookmark(const TKeptBookmark&) = delete;
  TKeptBookmark& operator=(const TKeptBookmark&) = delete;

 private:
  TDataSet* Table_;
  TBookmark Bookmark_;
};

std::unique_ptr<TQevStringList> SortedText(const WideString& Text) {
  auto list = std::make_unique<TQevStringList>();
  list->SetTextStr(Text);
  list->SetSorted(true);
  return list;
}

// The entry's value, which leaves the list; empty without one.
WideString TakeValue(TQevStringList& List, const WideString& Name) {
  const Integer index = List.IndexOfName(Name);
  if (index < 0) return {};
  const WideString value = List.ValueFromIndex(index);
  List.Delete(index);
  return value;
}

// A translation still fits when it takes the arguments the program passes.
bool TakesSameArguments(const WideString& Original, const WideString& Translation) {
  try {
    CompareFormatStrings(Original, Translation);
    return true;
  } catch (const EQevGeneralError&) {
    TraceDroppedException(L"TQevTransTable.MergeFrom: a translation's format no longer fits");
    return false;
  }
}

WideString TextOr(const WideString& Text, const WideChar* Empty) {
  return Text.empty() ? WideString(Empty) : Text;
}

}  // namespace

TQevTransTable::TQevTransTable(TComponent* AOwner) : TQevVarArrayDataSet(AOwner) {}

TQevTransTable::~TQevTransTable() { Close(); }

// -------------------------------------------------------------------- fields

const TClass* TQevTransTable::GetFieldClass(TFieldType FieldType) const {
  return GetUnicodeFieldClass(TQevVarArrayDataSet::GetFieldClass(FieldType));
}

void TQevTransTable::InternalInitFieldDefs() {
  FieldDefs()->Clear();
  for (const TColumn& column : Columns)
    FieldDefs()->Add(column.Name, column.Type,
                     column.Type == ftWideString ? UnlimitedSize : 0, column.Required);
}

void TQevTransTable::AfterCreateFields() {
  TField** bound[] = {&FTranID_,   &FTranType_, &FStringTableIDOrPDfmProp_, &FRefValue_,
                      &FTranValue_, &FComment_, &FTranslated_};
  for (size_t i = 0; i < std::size(Columns); ++i) {
    TField* field = FieldByName(Columns[i].Name);
    if (Columns[i].Type == ftWideString && !dynamic_cast<TQevWideStringField*>(field))
      throw EQevInternalError(L"Internal Error: %s is not a Unicode field.",
                              {AnsiToWide(Columns[i].Name)});
    field->SetVisible(Columns[i].Visible);
    if (Columns[i].Visible) field->SetDisplayWidth(Columns[i].DisplayWidth);
    *bound[i] = field;
  }
}

// ---------------------------------------------------------- row accessors

WideString TQevTransTable::TranID() const { return FTranID_->AsWideString(); }
void TQevTransTable::SetTranID(const WideString& Value) { FTranID_->SetAsWideString(Value); }
WideString TQevTransTable::TranType() const { return FTranType_->AsWideString(); }
void TQevTransTable::SetTranType(const WideString& Value) { FTranType_->SetAsWideString(Value); }
WideString TQevTransTable::RefValue() const { return FRefValue_->AsWideString(); }
void TQevTransTable::SetRefValue(const WideString& Value) { FRefValue_->SetAsWideString(Value); }
WideString TQevTransTable::TranValue() const { return FTranValue_->AsWideString(); }
void TQevTransTable::SetTranValue(const WideString& Value) { FTranValue_->SetAsWideString(Value); }
WideString TQevTransTable::Comment() const { return FComment_->AsWideString(); }
void TQevTransTable::SetComment(const WideString& Value) { FComment_->SetAsWideString(Value); }
bool TQevTransTable::Translated() const { return FTranslated_->AsBoolean(); }
void TQevTransTable::SetTranslated(bool Value) { FTranslated_->SetAsBoolean(Value); }

bool TQevTransTable::IsStringResource() const { return TranType() == ResourceStringType; }

Integer TQevTransTable::StringTableID() const {
  if (!IsStringResource())
    throw EQevInternalError(L"Can not get StringTableID if not a string resource.");
  return FStringTableIDOrPDfmProp_->AsInteger();
}

void TQevTransTable::SetStringTableID(Integer Value) {
  if (!IsStringResource())
    throw EQevInternalError(L"Can not set StringTableID if not a string resource.");
  FStringTableIDOrPDfmProp_->SetAsInteger(Value);
}

void TQevTransTable::CheckPropertyRow(const wchar_t* Refused, const wchar_t* Undefined) const {
  if (IsStringResource()) throw EQevInternalError(Refused);
  if (TranType().empty()) throw EQevInternalError(Undefined);
}

TDfmProperty* TQevTransTable::PDfmProp() const {
  CheckPropertyRow(L"Can not get PDfmProp for a string resource.",
                   L"Can not get PDfmProp for an undefined type.");
  const Integer index = FStringTableIDOrPDfmProp_->AsInteger();
  if (index < 0 || index >= static_cast<Integer>(AllProps_.size()))
    throw EQevInternalError(L"Internal Error: PDfmProp %d is out of range.", {index});
  return AllProps_[index];
}

void TQevTransTable::SetPDfmProp(TDfmProperty* Value) {
  CheckPropertyRow(L"Can not set PDfmProp for a string resource.",
                   L"Can not set PDfmProp for an undefined type.");
  auto found = std::find(AllProps_.begin(), AllProps_.end(), Value);
  if (found == AllProps_.end())
    throw EQevInternalError(L"Internal Error: the property is not one of the table's.");
  FStringTableIDOrPDfmProp_->SetAsInteger(static_cast<Integer>(found - AllProps_.begin()));
}

// --------------------------------------------------------------------- hooks

void TQevTransTable::DoAfterInsert() {
  TQevVarArrayDataSet::DoAfterInsert();
  SetTranslated(false);
}

void TQevTransTable::DoBeforePost() {
  TQevVarArrayDataSet::DoBeforePost();
  if (IsStringResource() && !RefValue().empty()) CompareFormatStrings(RefValue(), TranValue());
  if (State() != dsEdit) return;
  ApplyTranslation();
  Modified_ = true;
}

void TQevTransTable::ApplyTranslation() {
  if (IsStringResource())
    SetStringInTables(StringTables_, StringTableID(), TranValue());
  else
    SetPropertyFromText(PDfmProp(), TranValue());
}

bool TQevTransTable::LocateTranID(const WideString& Id) {
  if (!IsEmpty() && TranID() == Id) return true;
  return Locate("TranID", Variant(Id), loCaseInsensitive);
}

// ------------------------------------------------------------------- loading

void TQevTransTable::ClearModule() {
  AllProps_.clear();
  Forms_.clear();
  StringTables_.clear();
}

void TQevTransTable::LoadFromModule(const WideString& ProgramFile, const WideString& ModuleFile) {
  CheckTranslationPrepared(ModuleFile);
  TTableWalk walk(this);
  if (ModuleFile.empty())
    throw EQevInternalError(L"No filename given to initialize the translation table.");
  if (!WideFileExists(ModuleFile))
    throw EQevGeneralError(L"File %s doesn't exist.", {ModuleFile});
  ReadOnly_ = WideSameText(ProgramFile, ModuleFile);
  Modified_ = false;
  FileName_ = ModuleFile;
  Close();
  ClearModule();
  Open();
  while (!IsEmpty()) Delete();

  TModuleOwner module = LoadResourceDataFile(ModuleFile);
  auto comments = SortedText(ReadRcDataText(module.get(), QevTrxXrcName));
  auto flags = SortedText(ReadRcDataText(module.get(), QevXrsName));
  ReadFormTranslationInfo(module.get(), ModuleFile, Forms_, AllProps_);
  AddPropertyRows(*flags, *comments);
  const WideString map = PeSectionExists(ModuleFile, QevDrcName)
                             ? ReadPeSectionText(ModuleFile, QevDrcName)
                             : ReadRcDataText(module.get(), QevDrcName);
  auto names = SortedText(map);
  LoadStringTables(module.get(), StringTables_);
  AddStringRows(*names, *flags, *comments);

  FTranValue_->SetReadOnly(ReadOnly_);
  FTranslated_->SetReadOnly(ReadOnly_);
  SetSort("TranID");
  First();
}

void TQevTransTable::AddPropertyRows(TQevStringList& Flags, TQevStringList& Comments) {
  std::set<WideString> added;
  for (size_t i = 0; i < AllProps_.size(); ++i) {
    const TDfmProperty* prop = AllProps_[i];
    const TQevStringList* listed = prop->Owner->Form->TranslatableProps.get();
    const WideString path = AnsiToWide(prop->Path);
    if (!listed || listed->IndexOf(path) < 0) continue;
    if (WideSameText(AnsiToWide(prop->Name), ResourceStringType) || !added.insert(path).second)
      continue;
    AppendRow(path, AnsiToWide(prop->Name), static_cast<Integer>(i), PropertyToText(prop), Flags,
              Comments);
  }
}

void TQevTransTable::AddStringRows(const TQevStringList& Names, TQevStringList& Flags,
                                   TQevStringList& Comments) {
  for (const auto& block : StringTables_)
    for (Integer i = 0; i < block->Count(); ++i) {
      const WideString text = block->Get(i);
      if (text.empty()) continue;  // an unused slot of the block
      const Integer id = StringIdOf(block.get(), i);
      const WideString name = Names.Values(AnsiToWide(IntToStr(id)));
      if (!name.empty()) AppendRow(name, ResourceStringType, id, text, Flags, Comments);
    }
}

void TQevTransTable::AppendRow(const WideString& Id, const WideString& Type, Integer Ref,
                               const WideString& Value, TQevStringList& Flags,
                               TQevStringList& Comments) {
  Append();
  SetTranID(Id);
  SetTranType(Type);
  FStringTableIDOrPDfmProp_->SetAsInteger(Ref);
  SetTranValue(Value);
  const WideString flag = TakeValue(Flags, Id);
  SetTranslated(!flag.empty() && !WideSameText(flag, L"false"));
  SetComment(TakeValue(Comments, Id));
  Post();
}

// ------------------------------------------------------------------- merging

void TQevTransTable::MergeFrom(TQevTransTable* Old, bool MarkTranslated) {
  TTableWalk walk(this);
  TKeptBookmark kept(this);
  First();
  Old->First();
  while (!Eof()) {
    MergeRow(Old, MarkTranslated);
    Next();
    Old->Next();
  }
}

void TQevTransTable::MergeRow(TQevTransTable* Old, bool MarkTranslated) {
  if (!Old->LocateTranID(TranID())) return;
  WideString value = Old->TranValue();
  if (Old->IsStringResource()) value = ConvertFormatToExplicitIndexes(value);
  // This build's text decides the arguments: a translation must take them.
  const bool fits = !IsStringResource() || TakesSameArguments(TranValue(), value);
  if (Old->Translated()) {
    Edit();
    if (fits) SetTranValue(value);
    SetComment(Old->Comment());
    SetTranslated(fits && MarkTranslated);
    Post();
  } else if (Old->IsStringResource() && TranValue() != value && fits) {
    Edit();
    SetTranValue(value);
    Post();
  }
}

// -------------------------------------------------------------------- saving

void TQevTransTable::SaveToModule(bool MarkChangedTranslated) {
  if (ReadOnly_)
    throw EQevInternalError(L"You can not save changes directly to the application exe (%s).",
                            {FileName_});
  TTableWalk walk(this);
  TQevStringList flags, comments;
  {
    TKeptBookmark kept(this);
    for (First(); !Eof(); Next()) {
      if (MarkChangedTranslated && !RefValue().empty() && RefValue() != TranValue()) {
        Edit();
        SetTranslated(true);
        Post();
      }
      if (Translated()) flags.Add(TranID() + L"=TRUE");
      if (!Comment().empty()) comments.Add(TranID() + L"=" + Comment());
    }
  }
  WriteModule(flags, comments);
  Modified_ = false;
}

void TQevTransTable::WriteModule(const TQevStringList& Flags, const TQevStringList& Comments) {
  HANDLE update = BeginResourceUpdate(FileName_, false);
  if (!update) RaiseLastOSError();
  // Half a module would pass for a whole one: a failure discards the update.
  TScopeExit discard([update] { EndResourceUpdate(update, true); });
  WriteFormResources(update, Forms_);
  WriteStringTables(update, StringTables_);
  if (TransTableSaveProbe) TransTableSaveProbe();
  SaveRcText(update, QevTrxXrcName, TextOr(Comments.Text(), L".\r\n"));
  SaveRcText(update, QevXrsName, TextOr(Flags.Text(), L".\r\n"));
  discard.Dismiss();
  if (!EndResourceUpdate(update, false)) RaiseLastOSError();
}
