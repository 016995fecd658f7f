#include "TypInfo.h"

#include <algorithm>

#include "Classes.h"

PTypeInfo TypeInfoTDateTime() {
  static const TTypeInfo Info{tkFloat, "TDateTime", nullptr, 0, nullptr, ftDouble};
  return &Info;
}

AnsiString GetEnumName(PTypeInfo TypeInfo, Integer Value) {
  if (!TypeInfo || Value < 0 || Value >= TypeInfo->EnumCount) return AnsiString();
  return TypeInfo->EnumNames[Value];
}

Integer GetEnumValue(PTypeInfo TypeInfo, const AnsiString& Name) {
  for (Integer i = 0; TypeInfo && i < TypeInfo->EnumCount; ++i)
    if (SameText(TypeInfo->EnumNames[i], Name)) return i;
  return -1;
}

// --------------------------------------------------------------------- TClass

TClass::TClass(const char* Name, const TClass* Parent, TClassFactory Factory,
               std::initializer_list<TClassMember> Members)
    : Name_(Name), Parent_(Parent), Factory_(Factory) {
  if (Parent) Props_ = Parent->Props_;
  for (const TClassMember& m : Members) {
    if (m.IsMethod)
      Methods_.push_back(m.Method);
    else
      OwnProps_.push_back(m.Prop);
  }
  for (TPropInfo& p : OwnProps_) {
    p.Declarer = this;
    auto same = [&](const TPropInfo* q) { return SameText(q->Name, p.Name); };
    auto it = std::find_if(Props_.begin(), Props_.end(), same);
    if (it != Props_.end())
      *it = &p;
    else
      Props_.push_back(&p);
  }
}

bool TClass::ClassNameIs(const AnsiString& Name) const { return SameText(Name_, Name); }

bool TClass::InheritsFrom(const TClass* AClass) const {
  for (const TClass* c = this; c; c = c->Parent_)
    if (c == AClass) return true;
  return false;
}

const TMethodEntry* TClass::MethodAddress(const AnsiString& Name) const {
  for (const TClass* c = this; c; c = c->Parent_)
    for (const TMethodEntry& m : c->Methods_)
      if (SameText(m.Name, Name)) return &m;
  return nullptr;
}

AnsiString TClass::MethodName(const void* Code) const {
  for (const TClass* c = this; c; c = c->Parent_)
    for (const TMethodEntry& m : c->Methods_)
      if (m.Code == Code) return m.Name;
  return AnsiString();
}

// ------------------------------------------------------------ property access

const TPropInfo* GetPropInfo(const TClass* AClass, const AnsiString& PropName, TTypeKinds Kinds) {
  for (const TPropInfo* p : AClass->Properties())
    if (SameText(p->Name, PropName)) return Kinds.Contains(p->PropType->Kind) ? p : nullptr;
  return nullptr;
}

const TPropInfo* GetPropInfo(const TObject* Instance, const AnsiString& PropName, TTypeKinds Kinds) {
  return GetPropInfo(Instance->ClassType(), PropName, Kinds);
}

const std::vector<const TPropInfo*>& GetPropList(const TClass* AClass) {
  return AClass->Properties();
}

bool IsStoredProp(const TObject* Instance, const TPropInfo* PropInfo) {
  return !PropInfo->Stored || PropInfo->Stored(Instance);
}

namespace {

constexpr TTypeKinds OrdinalKinds{tkInteger, tkChar, tkEnumeration, tkSet, tkWChar, tkInt64};

// The property belongs to Instance's class and is of one of Kinds.
void CheckAccess(const TObject* Instance, const TPropInfo* PropInfo, TTypeKinds Kinds) {
  if (!Instance->ClassType()->InheritsFrom(PropInfo->Declarer))
    throw EPropertyError(SUnknownProperty, {PropInfo->Name});
  if (!Kinds.Contains(PropInfo->PropType->Kind))
    throw EPropertyError(SInvalidPropertyType, {PropInfo->Name});
}

template <typename V>
V GetValue(const TObject* Instance, const TPropInfo* PropInfo, TTypeKinds Kinds) {
  CheckAccess(Instance, PropInfo, Kinds);
  V value{};
  PropInfo->Get(Instance, &value);
  return value;
}

template <typename V>
void SetValue(TObject* Instance, const TPropInfo* PropInfo, TTypeKinds Kinds, const V& Value) {
  CheckAccess(Instance, PropInfo, Kinds);
  if (!PropInfo->Set) throw EPropertyError(SReadOnlyProperty);
  PropInfo->Set(Instance, &Value);
}

}  // namespace

Int64 GetOrdProp(const TObject* Instance, const TPropInfo* PropInfo) {
  return GetValue<Int64>(Instance, PropInfo, OrdinalKinds);
}

void SetOrdProp(TObject* Instance, const TPropInfo* PropInfo, Int64 Value) {
  SetValue(Instance, PropInfo, OrdinalKinds, Value);
}

Extended GetFloatProp(const TObject* Instance, const TPropInfo* PropInfo) {
  return GetValue<Extended>(Instance, PropInfo, {tkFloat});
}

void SetFloatProp(TObject* Instance, const TPropInfo* PropInfo, Extended Value) {
  SetValue(Instance, PropInfo, {tkFloat}, Value);
}

AnsiString GetStrProp(const TObject* Instance, const TPropInfo* PropInfo) {
  return GetValue<AnsiString>(Instance, PropInfo, {tkLString});
}

void SetStrProp(TObject* Instance, const TPropInfo* PropInfo, const AnsiString& Value) {
  SetValue(Instance, PropInfo, {tkLString}, Value);
}

WideString GetWideStrProp(const TObject* Instance, const TPropInfo* PropInfo) {
  return GetValue<WideString>(Instance, PropInfo, {tkWString});
}

void SetWideStrProp(TObject* Instance, const TPropInfo* PropInfo, const WideString& Value) {
  SetValue(Instance, PropInfo, {tkWString}, Value);
}

TObject* GetObjectProp(const TObject* Instance, const TPropInfo* PropInfo) {
  return GetValue<TObject*>(Instance, PropInfo, {tkClass});
}

void SetObjectProp(TObject* Instance, const TPropInfo* PropInfo, TObject* Value) {
  if (Value && !Value->ClassType()->InheritsFrom(PropInfo->PropType->ClassType()))
    throw EPropertyError(SInvalidPropertyType, {PropInfo->Name});
  SetValue(Instance, PropInfo, {tkClass}, Value);
}

TMethod GetMethodProp(const TObject* Instance, const TPropInfo* PropInfo) {
  return GetValue<TMethod>(Instance, PropInfo, {tkMethod});
}

void SetMethodProp(TObject* Instance, const TPropInfo* PropInfo, const TMethod& Value) {
  SetValue(Instance, PropInfo, {tkMethod}, Value);
}
