// The fields of a data set and their defs: values by type, texts, checks.
#include "DB.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "Mask.h"

QEV_RESOURCESTRING(DBConsts, SDuplicateFieldName, L"Duplicate field name '%s'");
QEV_RESOURCESTRING(DBConsts, SFieldReadOnly, L"Field '%s' cannot be modified");
QEV_RESOURCESTRING(DBConsts, SFieldRequired, L"Field '%s' must have a value");
QEV_RESOURCESTRING(DBConsts, SDataSetMissing, L"Field '%s' has no dataset");
QEV_RESOURCESTRING(DBConsts, SUnknownFieldType, L"Field '%s' is of an unknown type");
QEV_RESOURCESTRING(DBConsts, SFieldTypeMismatch,
                   L"Type mismatch for field '%s', expecting: %s actual: %s");
QEV_RESOURCESTRING(DBConsts, SFieldRangeError,
                   L"%d is not a valid value for field '%s'. The allowed range is %d to %d");
QEV_RESOURCESTRING(DBConsts, SInvalidBoolValue, L"'%s' is not a valid boolean value for field '%s'");
QEV_RESOURCESTRING(DBConsts, SFieldValueTooLong,
                   L"Value of field '%s' is too long: %d bytes, the field holds %d");

QEV_DEFINE_CLASS(TFieldDef)
QEV_DEFINE_CLASS(TFieldDefs)
QEV_DEFINE_CLASS(TField,
                 QEV_PROPERTY(DisplayLabel, DisplayLabel, SetDisplayLabel),
                 QEV_PROPERTY(DisplayWidth, DisplayWidth, SetDisplayWidth),
                 QEV_PROPERTY(EditMask, EditMask, SetEditMask),
                 QEV_PROPERTY(FieldName, FieldName, SetFieldName),
                 QEV_PROPERTY(ReadOnly, ReadOnly, SetReadOnly).Default(false),
                 QEV_PROPERTY(Required, Required, SetRequired).Default(false),
                 QEV_PROPERTY(Visible, Visible, SetVisible).Default(true),
                 QEV_PROPERTY(OnChange, OnChange, OnChange),
                 QEV_PROPERTY(OnGetText, OnGetText, SetOnGetText),
                 QEV_PROPERTY(OnSetText, OnSetText, SetOnSetText),
                 QEV_PROPERTY(OnValidate, OnValidate, OnValidate))
QEV_DEFINE_CLASS(TStringField, QEV_PROPERTY(Size, Size, SetSize))
QEV_DEFINE_CLASS(TWideStringField, QEV_PROPERTY(Size, Size, SetSize))
QEV_DEFINE_CLASS(TIntegerField)
QEV_DEFINE_CLASS(TSmallintField)
QEV_DEFINE_CLASS(TWordField)
QEV_DEFINE_CLASS(TBooleanField)
QEV_DEFINE_CLASS(TFloatField)
QEV_DEFINE_CLASS(TDateTimeField)
QEV_DEFINE_CLASS(TDateField)
QEV_DEFINE_CLASS(TTimeField)
QEV_DEFINE_CLASS(TVariantField)

namespace {

const char* const FieldTypeNames[FieldTypeCount] = {
    "Unknown", "String", "SmallInt", "Integer", "Word", "Boolean", "Float", "Currency", "BCD",
    "Date", "Time", "DateTime", "Bytes", "VarBytes", "AutoInc", "Blob", "Memo", "Graphic",
    "FmtMemo", "ParadoxOle", "DBaseOle", "TypedBinary", "Cursor", "FixedChar", "WideString",
    "Largeint", "ADT", "Array", "Reference", "DataSet", "OraBlob", "OraClob", "Variant",
    "Interface", "IDispatch", "Guid"};

bool IsNullOrEmpty(const Variant& Value) { return VarIsNull(Value) || VarIsEmpty(Value); }

}  // namespace

const TClass* TFieldClassTable::operator[](TFieldType FieldType) const {
  switch (FieldType) {
    case ftString: case ftFixedChar: return TStringField::StaticClass();
    case ftWideString: return TWideStringField::StaticClass();
    case ftSmallint: return TSmallintField::StaticClass();
    case ftInteger: return TIntegerField::StaticClass();
    case ftWord: return TWordField::StaticClass();
    case ftBoolean: return TBooleanField::StaticClass();
    case ftFloat: return TFloatField::StaticClass();
    case ftDate: return TDateField::StaticClass();
    case ftTime: return TTimeField::StaticClass();
    case ftDateTime: return TDateTimeField::StaticClass();
    case ftVariant: return TVariantField::StaticClass();
    default: return nullptr;
  }
}

// ------------------------------------------------------------- field defs

TField* TFieldDef::CreateField(TComponent* Owner) const {
  TDataSet* dataSet = static_cast<TFieldDefs*>(Collection())->DataSet();
  const TClass* fieldClass = dataSet->GetFieldClass(DataType_);
  if (!fieldClass || !fieldClass->Factory() || !fieldClass->InheritsFrom(TField::StaticClass()))
    DatabaseErrorFmt(SUnknownFieldType, {Name_}, dataSet);
  std::unique_ptr<TField> field(static_cast<TField*>(fieldClass->Factory()(Owner)));
  field->SetFieldName(Name_);
  if (Size_ > 0) field->SetSize(Size_);
  field->SetRequired(Required_);
  field->SetDataSet(dataSet);
  return field.release();
}

TFieldDefs::TFieldDefs(TDataSet* DataSet) : TOwnedCollection(DataSet, TFieldDef::StaticClass()) {}

TDataSet* TFieldDefs::DataSet() const { return static_cast<TDataSet*>(GetOwner()); }

TFieldDef* TFieldDefs::Add(const AnsiString& Name, TFieldType DataType, Integer Size,
                           bool Required) {
  auto* def = static_cast<TFieldDef*>(TCollection::Add());
  def->SetName(Name);
  def->SetDataType(DataType);
  def->SetSize(Size);
  def->SetRequired(Required);
  return def;
}

Integer TFieldDefs::IndexOf(const AnsiString& Name) const {
  for (Integer i = 0; i < Count(); ++i)
    if (AnsiCompareText(Items(i)->Name(), Name) == 0) return i;
  return -1;
}

TFieldDef* TFieldDefs::Find(const AnsiString& Name) const {
  const Integer index = IndexOf(Name);
  if (index < 0) DatabaseErrorFmt(SFieldNotFound, {Name}, DataSet());
  return Items(index);
}

// ------------------------------------------------------ the data set's fields

TField* TDataSet::Fields(Integer Index) const {
  if (Index < 0 || Index >= FieldCount()) TList::Error(SListIndexError, Index);
  return Fields_[Index];
}

TField* TDataSet::FindField(const AnsiString& FieldName) const {
  for (TField* field : Fields_)
    if (AnsiCompareText(field->FieldName(), FieldName) == 0) return field;
  return nullptr;
}

TField* TDataSet::FieldByName(const AnsiString& FieldName) const {
  TField* field = FindField(FieldName);
  if (!field) DatabaseErrorFmt(SFieldNotFound, {FieldName}, this);
  return field;
}

void TDataSet::GetFieldList(TList* List, const AnsiString& FieldNames) const {
  size_t start = 0;
  while (start <= FieldNames.size()) {
    size_t end = FieldNames.find(';', start);
    if (end == AnsiString::npos) end = FieldNames.size();
    const AnsiString name = Trim(FieldNames.substr(start, end - start));
    if (!name.empty()) List->Add(FieldByName(name));
    start = end + 1;
  }
}

void TDataSet::AddField(TField* Field) {
  CheckInactive();
  if (FindField(Field->FieldName())) DatabaseErrorFmt(SDuplicateFieldName, {Field->FieldName()}, this);
  Fields_.push_back(Field);
}

void TDataSet::RemoveField(TField* Field) { std::erase(Fields_, Field); }

const TClass* TDataSet::GetFieldClass(TFieldType FieldType) const {
  return DefaultFieldClasses[FieldType];
}

void TDataSet::CreateFields() {
  for (Integer i = 0; i < FieldDefs_->Count(); ++i) FieldDefs_->Items(i)->CreateField(this);
}

void TDataSet::DestroyFields() {
  while (!Fields_.empty()) {
    TField* field = Fields_.back();
    if (field->Owner() == this) {
      delete field;  // leaves the list
    } else {
      field->DataSet_ = nullptr;
      Fields_.pop_back();
    }
  }
}

void TDataSet::BindFields(bool Binding) {
  for (TField* field : Fields_) {
    field->FieldNo_ = 0;
    if (!Binding) continue;
    const TFieldDef* def = FieldDefs_->Find(field->FieldName());
    const bool sameText = (def->DataType() == ftString || def->DataType() == ftFixedChar) &&
                          field->DataType() == ftString;
    if (def->DataType() != field->DataType() && !sameText)
      DatabaseErrorFmt(SFieldTypeMismatch,
                       {field->DisplayName(), FieldTypeNames[field->DataType()],
                        FieldTypeNames[def->DataType()]},
                       this);
    field->FieldNo_ = def->FieldNo();
  }
}

// ------------------------------------------------------------------ TField

TField::TField(TComponent* AOwner) : TComponent(AOwner) {}

TField::~TField() {
  if (DataSet_) DataSet_->RemoveField(this);
}

void TField::SetDataSet(TDataSet* Value) {
  if (Value == DataSet_) return;
  if (DataSet_) DataSet_->CheckInactive();
  if (Value) Value->AddField(this);
  if (DataSet_) DataSet_->RemoveField(this);
  DataSet_ = Value;
}

Integer TField::Index() const {
  if (!DataSet_) return -1;
  const auto& fields = DataSet_->Fields_;
  return static_cast<Integer>(std::find(fields.begin(), fields.end(), this) - fields.begin());
}

Integer TField::DisplayWidth() const {
  return DisplayWidth_ > 0 ? DisplayWidth_ : DefaultDisplayWidth();
}

bool TField::GetData(Variant* Value) const {
  if (InValidate_) {
    const bool has = Validating_ && !IsNullOrEmpty(*Validating_);
    if (Value) *Value = has ? *Validating_ : Null();
    return has;
  }
  if (!DataSet_) DatabaseErrorFmt(SDataSetMissing, {DisplayName()});
  return DataSet_->GetFieldData(const_cast<TField*>(this), Value);
}

// Written in browse mode, a value would sit in the active buffer unposted
// and vanish with the next read: refused.
void TField::SetData(const Variant* Value) {
  if (!DataSet_) DatabaseErrorFmt(SDataSetMissing, {DisplayName()});
  const TDataSetState state = DataSet_->State();
  if (state != dsEdit && state != dsInsert && state != dsSetKey && state != dsCalcFields &&
      state != dsNewValue)
    DatabaseError(LoadResString(SNotEditing), DataSet_);
  if (ReadOnly_ && state != dsSetKey && state != dsCalcFields)
    DatabaseErrorFmt(SFieldReadOnly, {DisplayName()});
  Validate(Value);
  DataSet_->SetFieldData(this, Value);
}

void TField::Validate(const Variant* Value) {
  if (!OnValidate) return;
  TRestore<const Variant*> value(Validating_, Value);
  TRestore<bool> validating(InValidate_, true);
  OnValidate(this);
}

void TField::SetAsVariant(const Variant& Value) {
  if (IsNullOrEmpty(Value)) Clear();
  else SetVarValue(Value);
}

void TField::SetVarValue(const Variant& Value) { SetData(&Value); }

bool TField::SetVarText(const Variant& Value) {
  if (!VarIsStr(Value)) return false;
  SetAsString(VarToStr(Value));
  return true;
}

Variant TField::GetAsVariant() const {
  Variant value;
  return GetData(&value) ? value : Null();
}

AnsiString TField::GetAsString() const { return VarToStr(GetAsVariant()); }
WideString TField::GetAsWideString() const { return VarToWideStr(GetAsVariant()); }

Integer TField::GetAsInteger() const {
  Variant value;
  return GetData(&value) ? value.AsInteger() : 0;
}

double TField::GetAsFloat() const {
  Variant value;
  return GetData(&value) ? value.AsDouble() : 0.0;
}

TDateTime TField::GetAsDateTime() const {
  Variant value;
  return GetData(&value) ? VarToDateTime(value) : 0.0;
}

bool TField::GetAsBoolean() const {
  Variant value;
  return GetData(&value) && value.AsBoolean();
}

void TField::SetAsString(const AnsiString& Value) { SetAsVariant(Variant(Value)); }
void TField::SetAsWideString(const WideString& Value) { SetAsVariant(Variant(Value)); }
void TField::SetAsInteger(Integer Value) { SetAsVariant(Variant(Value)); }
void TField::SetAsFloat(double Value) { SetAsVariant(Variant(Value)); }
void TField::SetAsDateTime(TDateTime Value) { SetAsVariant(VarFromDateTime(Value)); }
void TField::SetAsBoolean(bool Value) { SetAsVariant(Variant(Value)); }

AnsiString TField::TextOf(bool Display) const {
  AnsiString text;
  if (OnGetText_) OnGetText_(const_cast<TField*>(this), text, Display);
  else GetText(text, Display);
  return text;
}

void TField::GetText(AnsiString& Text, bool) const { Text = GetAsString(); }
void TField::SetText(const AnsiString& Value) { SetAsString(Value); }

void TField::SetEditText(const AnsiString& Value) {
  if (OnSetText_) OnSetText_(this, Value);
  else SetText(Value);
}

// ------------------------------------------------------------ text fields

TStringField::TStringField(TComponent* AOwner) : TField(AOwner) {
  SetDataType(ftString);
  SetSize(20);
}

// A text cut at Size would be stored as if it were the value given.
void TStringField::SetAsString(const AnsiString& Value) {
  const auto length = static_cast<Integer>(Value.size());
  if (Size() > 0 && length > Size())
    DatabaseErrorFmt(SFieldValueTooLong, {DisplayName(), length, Size()}, DataSet());
  StoreValue(Variant(Value));
}

void TStringField::SetVarValue(const Variant& Value) { SetAsString(VarToStr(Value)); }

void TStringField::GetText(AnsiString& Text, bool DisplayText) const {
  Text = GetAsString();
  if (DisplayText && !EditMask().empty()) Text = FormatMaskText(EditMask(), Text);
}

TWideStringField::TWideStringField(TComponent* AOwner) : TField(AOwner) {
  SetDataType(ftWideString);
  SetSize(20);
}

AnsiString TWideStringField::GetAsString() const { return WideToAnsi(GetAsWideString()); }

void TWideStringField::SetAsString(const AnsiString& Value) { SetAsWideString(AnsiToWide(Value)); }

void TWideStringField::SetAsWideString(const WideString& Value) { StoreValue(Variant(Value)); }

void TWideStringField::SetVarValue(const Variant& Value) { SetAsWideString(VarToWideStr(Value)); }

// --------------------------------------------------------- number fields

TIntegerField::TIntegerField(TComponent* AOwner)
    : TField(AOwner), Min_(std::numeric_limits<Integer>::min()),
      Max_(std::numeric_limits<Integer>::max()) {
  SetDataType(ftInteger);
}

void TIntegerField::SetRange(Integer Min, Integer Max) {
  Min_ = Min;
  Max_ = Max;
}

AnsiString TIntegerField::GetAsString() const { return IsNull() ? AnsiString() : IntToStr(AsInteger()); }

void TIntegerField::SetAsString(const AnsiString& Value) {
  if (Trim(Value).empty()) Clear();
  else SetAsInteger(StrToInt(Trim(Value)));
}

void TIntegerField::SetAsInteger(Integer Value) {
  if (Value < Min_ || Value > Max_)
    DatabaseErrorFmt(SFieldRangeError, {Value, DisplayName(), Min_, Max_});
  StoreValue(Variant(Value));
}

void TIntegerField::SetVarValue(const Variant& Value) {
  if (!SetVarText(Value)) SetAsInteger(Value.AsInteger());
}

TSmallintField::TSmallintField(TComponent* AOwner) : TIntegerField(AOwner) {
  SetDataType(ftSmallint);
  SetRange(-32768, 32767);
}

TWordField::TWordField(TComponent* AOwner) : TIntegerField(AOwner) {
  SetDataType(ftWord);
  SetRange(0, 65535);
}

TBooleanField::TBooleanField(TComponent* AOwner) : TField(AOwner) { SetDataType(ftBoolean); }

AnsiString TBooleanField::GetAsString() const {
  if (IsNull()) return {};
  return AsBoolean() ? "True" : "False";
}

void TBooleanField::SetAsString(const AnsiString& Value) {
  const AnsiString text = Trim(Value);
  if (text.empty()) Clear();
  else if (SameText(text, "True")) SetAsBoolean(true);
  else if (SameText(text, "False")) SetAsBoolean(false);
  else DatabaseErrorFmt(SInvalidBoolValue, {Value, DisplayName()});
}

void TBooleanField::SetAsBoolean(bool Value) { StoreValue(Variant(Value)); }

void TBooleanField::SetVarValue(const Variant& Value) {
  if (!SetVarText(Value)) SetAsBoolean(Value.AsBoolean());
}

TFloatField::TFloatField(TComponent* AOwner) : TField(AOwner) { SetDataType(ftFloat); }

AnsiString TFloatField::GetAsString() const { return IsNull() ? AnsiString() : FloatToStr(AsFloat()); }

void TFloatField::SetAsString(const AnsiString& Value) {
  if (Trim(Value).empty()) Clear();
  else SetAsFloat(static_cast<double>(StrToFloat(Trim(Value))));
}

void TFloatField::SetAsFloat(double Value) { StoreValue(Variant(Value)); }

void TFloatField::SetVarValue(const Variant& Value) {
  if (!SetVarText(Value)) SetAsFloat(Value.AsDouble());
}

// ----------------------------------------------------------- date fields

TDateTimeField::TDateTimeField(TComponent* AOwner) : TField(AOwner) { SetDataType(ftDateTime); }

AnsiString TDateTimeField::GetAsString() const {
  if (IsNull()) return {};
  switch (DataType()) {
    case ftDate: return DateToStr(AsDateTime());
    case ftTime: return TimeToStr(AsDateTime());
    default: return DateTimeToStr(AsDateTime());
  }
}

void TDateTimeField::SetAsString(const AnsiString& Value) {
  const AnsiString text = Trim(Value);
  if (text.empty()) Clear();
  else if (DataType() == ftDate) SetAsDateTime(StrToDate(text));
  else if (DataType() == ftTime) SetAsDateTime(StrToTime(text));
  else SetAsDateTime(StrToDateTime(text));
}

void TDateTimeField::SetAsDateTime(TDateTime Value) {
  if (DataType() == ftDate) Value = std::trunc(Value);
  else if (DataType() == ftTime) Value = std::fabs(Value - std::trunc(Value));
  StoreValue(VarFromDateTime(Value));
}

void TDateTimeField::SetVarValue(const Variant& Value) {
  if (!SetVarText(Value)) SetAsDateTime(VarToDateTime(Value));
}

TDateField::TDateField(TComponent* AOwner) : TDateTimeField(AOwner) { SetDataType(ftDate); }
TTimeField::TTimeField(TComponent* AOwner) : TDateTimeField(AOwner) { SetDataType(ftTime); }
TVariantField::TVariantField(TComponent* AOwner) : TField(AOwner) { SetDataType(ftVariant); }

void Initialization_DB() {
  RegisterClasses({TStringField::StaticClass(), TWideStringField::StaticClass(),
                   TSmallintField::StaticClass(), TIntegerField::StaticClass(),
                   TWordField::StaticClass(), TBooleanField::StaticClass(),
                   TFloatField::StaticClass(), TDateField::StaticClass(),
                   TTimeField::StaticClass(), TDateTimeField::StaticClass(),
                   TVariantField::StaticClass()});
}
