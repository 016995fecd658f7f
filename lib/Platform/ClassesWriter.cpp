// Writing components to form streams.
#include <algorithm>
#include <cmath>
#include <limits>

#include "Classes.h"
#include "Scoped.h"

namespace {

// The bytes a collection streams to, with references named from Root.
AnsiString CollectionImage(TCollection* Collection, TComponent* Root) {
  TMemoryStream stream;
  TWriter writer(&stream);
  writer.SetRoot(Root);
  writer.WriteCollection(Collection);
  writer.FlushBuffer();
  return AnsiString(static_cast<const char*>(stream.Memory()), static_cast<std::size_t>(stream.Size()));
}

bool CollectionsEqual(TCollection* C1, TCollection* C2, TComponent* Root1, TComponent* Root2) {
  if (!C2 || C1->ClassType() != C2->ClassType() || C1->Count() != C2->Count()) return false;
  return C1->Count() == 0 || CollectionImage(C1, Root1) == CollectionImage(C2, Root2);
}

}  // namespace

TWriter::TWriter(TStream* Stream) : TFiler(Stream) {}

TWriter::~TWriter() {
  try {
    FlushBuffer();
  } catch (...) {
    TraceDroppedException(L"TWriter: the last flush");
  }
}

void TWriter::FlushBuffer() {
  std::string data;
  data.swap(Values_.Data);
  if (!data.empty()) Stream_->WriteBuffer(data.data(), static_cast<Int64>(data.size()));
}

void TWriter::SetRoot(TComponent* Value) {
  TFiler::SetRoot(Value);
  LookupRoot_ = Value;
}

void TWriter::Write(const void* Buffer, Integer Count) {
  if (Count > 0) Values_.Write(Buffer, static_cast<std::size_t>(Count));
}

void TWriter::WriteValue(TValueType Value) { Values_.WriteValue(Value); }
void TWriter::WriteListBegin() { Values_.WriteListBegin(); }
void TWriter::WriteListEnd() { Values_.WriteListEnd(); }
void TWriter::WriteSignature() { Values_.WriteSignature(); }
void TWriter::WritePrefix(TFilerFlags Flags, Integer AChildPos) { Values_.WritePrefix(Flags, AChildPos); }
void TWriter::WriteInteger(Int64 Value) { Values_.WriteInteger(Value); }
void TWriter::WriteBoolean(bool Value) { Values_.WriteBoolean(Value); }
void TWriter::WriteChar(AnsiChar Value) { WriteString(AnsiString(1, Value)); }
void TWriter::WriteWideChar(WideChar Value) { WriteWideString(WideString(1, Value)); }
void TWriter::WriteFloat(Extended Value) { Values_.WriteFloat(Value); }
void TWriter::WriteSingle(float Value) { Values_.WriteSingle(Value); }
void TWriter::WriteCurrency(Currency Value) { Values_.WriteCurrency(Value.Scaled); }
void TWriter::WriteDate(TDateTime Value) { Values_.WriteDate(Value); }
void TWriter::WriteStr(const AnsiString& Value) { Values_.WriteStr(Value); }
void TWriter::WriteIdent(const AnsiString& Value) { Values_.WriteIdent(Value); }
void TWriter::WriteString(const AnsiString& Value) { Values_.WriteString(Value); }

void TWriter::WriteWideString(const WideString& Value) {
  Values_.WriteWideString(std::u16string(Value.begin(), Value.end()));
}

void TWriter::WritePropPath(const AnsiString& Name) { WriteStr(PropPath_ + Name); }

void TWriter::DefineProperty(const AnsiString& Name, TReaderProc, TWriterProc WriteData,
                             bool HasData) {
  if (!HasData || !WriteData) return;
  WritePropPath(Name);
  WriteData(this);
}

void TWriter::DefineBinaryProperty(const AnsiString& Name, TStreamProc, TStreamProc WriteData,
                                   bool HasData) {
  if (!HasData || !WriteData) return;
  WritePropPath(Name);
  TMemoryStream stream;
  WriteData(&stream);
  Values_.WriteBinary(std::string(static_cast<const char*>(stream.Memory()),
                                  static_cast<std::size_t>(stream.Size())));
}

void TWriter::WriteCollection(TCollection* Value) {
  TRestore<TPersistent*> ancestor(Ancestor_);
  TRestore<AnsiString> path(PropPath_);
  Ancestor_ = nullptr;
  PropPath_.clear();
  WriteValue(vaCollection);
  for (Integer i = 0; Value && i < Value->Count(); ++i) {
    WriteListBegin();
    WriteProperties(Value->Items(i));
    WriteListEnd();
  }
  WriteListEnd();
}

// ---------------------------------------------------------------- properties

void TWriter::WriteProperties(TPersistent* Instance) {
  for (const TPropInfo* p : GetPropList(Instance->ClassType()))
    if (IsStoredProp(Instance, p)) WriteProperty(Instance, p);
  Instance->DefineProperties(this);
}

// The ancestor's value is the default when it is of the same class (or this
// is the root) and has the property.
bool TWriter::AncestorValid(TPersistent* Instance, const TPropInfo* PropInfo) const {
  return Ancestor_ && (Instance->ClassType() == Ancestor_->ClassType() || Instance == Root_) &&
         Ancestor_->ClassType()->InheritsFrom(PropInfo->Declarer);
}

// Read-only properties are not streamed, except objects whose own
// properties are.
void TWriter::WriteProperty(TPersistent* Instance, const TPropInfo* PropInfo) {
  TTypeKind kind = PropInfo->PropType->Kind;
  if (!PropInfo->Set && kind != tkClass) return;
  bool ancestor = AncestorValid(Instance, PropInfo);
  switch (kind) {
    case tkInteger:
    case tkChar:
    case tkWChar:
    case tkEnumeration:
    case tkSet:
    case tkInt64: {
      Int64 value = GetOrdProp(Instance, PropInfo);
      bool isDefault = ancestor ? value == GetOrdProp(Ancestor_, PropInfo)
                                : PropInfo->Default != NoDefault && value == PropInfo->Default;
      if (isDefault) return;
      WritePropPath(PropInfo->Name);
      return WriteOrdinal(PropInfo, value);
    }
    case tkFloat: {
      Extended value = GetFloatProp(Instance, PropInfo);
      if (value == (ancestor ? GetFloatProp(Ancestor_, PropInfo) : 0)) return;
      WritePropPath(PropInfo->Name);
      return WriteFloatValue(PropInfo, value);
    }
    case tkString:
    case tkLString: {
      AnsiString value = GetStrProp(Instance, PropInfo);
      if (value == (ancestor ? GetStrProp(Ancestor_, PropInfo) : AnsiString())) return;
      WritePropPath(PropInfo->Name);
      return WriteString(value);
    }
    case tkWString: {
      WideString value = GetWideStrProp(Instance, PropInfo);
      if (value == (ancestor ? GetWideStrProp(Ancestor_, PropInfo) : WideString())) return;
      WritePropPath(PropInfo->Name);
      return WriteWideString(value);
    }
    case tkMethod: return WriteMethodProp(Instance, PropInfo);
    case tkClass: return WriteObjectProp(Instance, PropInfo);
    default: return;
  }
}

void TWriter::WriteOrdinal(const TPropInfo* PropInfo, Int64 Value) {
  PTypeInfo type = PropInfo->PropType;
  switch (type->Kind) {
    case tkInteger: {
      TIntToIdent intToIdent = FindIntToIdent(type);
      AnsiString ident;
      bool named = intToIdent && Value >= std::numeric_limits<Integer>::min() &&
                   Value <= std::numeric_limits<Integer>::max() &&
                   intToIdent(static_cast<Integer>(Value), ident);
      return named ? WriteIdent(ident) : WriteInteger(Value);
    }
    case tkChar: return WriteChar(static_cast<AnsiChar>(Value));
    case tkWChar: return WriteWideChar(static_cast<WideChar>(Value));
    case tkEnumeration: {
      AnsiString name = GetEnumName(type, static_cast<Integer>(Value));
      if (name.empty()) throw EWriteError(SInvalidPropertyValue);
      return WriteIdent(name);
    }
    case tkSet:
      WriteValue(vaSet);
      for (Integer i = 0; i < 32; ++i) {
        if (!(Value & (Int64(1) << i))) continue;
        AnsiString name = GetEnumName(type->CompType, i);
        if (name.empty()) throw EWriteError(SInvalidPropertyValue);
        WriteStr(name);
      }
      return WriteStr(AnsiString());
    default: return WriteInteger(Value);
  }
}

void TWriter::WriteFloatValue(const TPropInfo* PropInfo, Extended Value) {
  if (PropInfo->PropType == TypeInfoTDateTime()) return WriteDate(static_cast<TDateTime>(Value));
  switch (PropInfo->PropType->FloatType) {
    case ftSingle: return WriteSingle(static_cast<float>(Value));
    case ftCurr: return WriteCurrency(Currency::FromScaled(std::llroundl(Value * 10000)));
    default: return WriteFloat(Value);
  }
}

// A handler is written by its name among the lookup root's published methods.
void TWriter::WriteMethodProp(TPersistent* Instance, const TPropInfo* PropInfo) {
  TMethod value = GetMethodProp(Instance, PropInfo);
  void* defaultCode = AncestorValid(Instance, PropInfo) ? GetMethodProp(Ancestor_, PropInfo).Code : nullptr;
  AnsiString name = value.Code && LookupRoot_ ? LookupRoot_->ClassType()->MethodName(value.Code) : "";
  if (value.Code == defaultCode || (value.Code && name.empty())) return;
  WritePropPath(PropInfo->Name);
  if (value.Code)
    WriteIdent(name);
  else
    WriteValue(vaNil);
}

// Components are references by name; other persistent objects are written
// property by property under "Prop.", and collections as a whole.
void TWriter::WriteObjectProp(TPersistent* Instance, const TPropInfo* PropInfo) {
  TObject* value = GetObjectProp(Instance, PropInfo);
  bool ancestor = AncestorValid(Instance, PropInfo);
  TObject* ancestorValue = ancestor ? GetObjectProp(Ancestor_, PropInfo) : nullptr;
  auto* component = dynamic_cast<TComponent*>(value);
  if (!value || component) {
    auto* ancestorComponent = dynamic_cast<TComponent*>(ancestorValue);
    bool inherited = ancestorComponent && component && ancestorComponent->Owner() == RootAncestor_ &&
                     component->Owner() == Root_ && SameText(ancestorComponent->Name(), component->Name());
    if (!PropInfo->Set || value == ancestorValue || inherited) return;
    AnsiString reference = component ? ReferenceName(component) : AnsiString();
    if (component && reference.empty()) return;
    WritePropPath(PropInfo->Name);
    return component ? WriteIdent(reference) : WriteValue(vaNil);
  }
  auto* persistent = dynamic_cast<TPersistent*>(value);
  if (!persistent) return;
  {
    TRestore<TPersistent*> keepAncestor(Ancestor_);
    TRestore<AnsiString> keepPath(PropPath_);
    PropPath_ += AnsiString(PropInfo->Name) + ".";
    Ancestor_ = dynamic_cast<TPersistent*>(ancestorValue);
    WriteProperties(persistent);
  }
  if (auto* collection = dynamic_cast<TCollection*>(value)) {
    if (ancestor && CollectionsEqual(collection, dynamic_cast<TCollection*>(ancestorValue), Root_,
                                     RootAncestor_))
      return;
    WritePropPath(PropInfo->Name);
    WriteCollection(collection);
  }
}

AnsiString TWriter::ReferenceName(TComponent* Component) const {
  TComponent* owner = Component->Owner();
  if (owner == LookupRoot_) return Component->Name();
  if (Component == LookupRoot_) return "Owner";
  if (owner && !owner->Name().empty() && !Component->Name().empty())
    return owner->Name() + "." + Component->Name();
  if (!Component->Name().empty()) return Component->Name() + ".Owner";
  return AnsiString();
}

// --------------------------------------------------------------- components

void TWriter::WriteDescendent(TComponent* ARoot, TComponent* AAncestor) {
  RootAncestor_ = AAncestor;
  Ancestor_ = AAncestor;
  Root_ = ARoot;
  LookupRoot_ = ARoot;
  WriteSignature();
  WriteComponent(ARoot);
  FlushBuffer();
}

void TWriter::WriteRootComponent(TComponent* ARoot) { WriteDescendent(ARoot, nullptr); }

TComponent* TWriter::FindAncestor(const AnsiString& Name) const {
  for (TComponent* c : *AncestorList_)
    if (SameText(c->Name(), Name)) return c;
  return nullptr;
}

void TWriter::AddAncestor(TComponent* Component) { AncestorList_->push_back(Component); }

void TWriter::WriteComponent(TComponent* Component) {
  TRestore<TPersistent*> ancestor(Ancestor_);
  TRestore<TComponent*> rootAncestor(RootAncestor_);
  if (AncestorList_) Ancestor_ = FindAncestor(Component->Name());
  Component->State_.Include(csWriting);
  TScopeExit written([Component] { Component->State_.Exclude(csWriting); });
  Component->WriteState(this);
}

// With an ancestor the object is written as inherited, and dropped again
// when neither it nor its children differ; a child in another place than
// in the ancestor carries its position.
void TWriter::WriteData(TComponent* Instance) {
  std::size_t start = Values_.Data.size();
  TFilerFlags flags = 0;
  if (Instance->State_.Contains(csInline))
    flags = Ancestor_ && Instance->State_.Contains(csAncestor) && AncestorList_ ? ffInherited : ffInline;
  else if (Ancestor_)
    flags = ffInherited;
  bool listed = AncestorList_ && AncestorPos_ < static_cast<Integer>(AncestorList_->size());
  if (listed && (!Ancestor_ || (*AncestorList_)[AncestorPos_] != Ancestor_)) flags |= ffChildPos;
  WritePrefix(flags, ChildPos_);
  WriteStr(Instance->ClassName());
  WriteStr(Instance->Name());
  std::size_t properties = Values_.Data.size();
  if (listed) {
    if (Ancestor_) ++AncestorPos_;
    ++ChildPos_;
  }
  WriteProperties(Instance);
  WriteListEnd();
  {
    TRestore<std::vector<TComponent*>*> list(AncestorList_);
    TRestore<Integer> ancestorPos(AncestorPos_), childPos(ChildPos_);
    TRestore<TComponent*> root(Root_), rootAncestor(RootAncestor_);
    std::vector<TComponent*> ancestors;
    AncestorList_ = nullptr;
    AncestorPos_ = 0;
    ChildPos_ = 0;
    if (!IgnoreChildren) {
      if (auto* ancestor = dynamic_cast<TComponent*>(Ancestor_)) {
        if (ancestor->State_.Contains(csInline)) RootAncestor_ = ancestor;
        AncestorList_ = &ancestors;
        ancestor->GetChildren(TGetChildProc::Bind<&TWriter::AddAncestor>(this), RootAncestor_);
      }
      if (Instance->State_.Contains(csInline)) Root_ = Instance;
      Instance->GetChildren(TGetChildProc::Bind<&TWriter::WriteComponent>(this), Root_);
    }
  }
  WriteListEnd();
  if (Instance != Root_ && flags == ffInherited && Values_.Data.size() == properties + 2)
    Values_.Data.resize(start);
}

void TStream::WriteComponent(TComponent* Instance) { WriteDescendent(Instance, nullptr); }

void TStream::WriteDescendent(TComponent* Instance, TComponent* Ancestor) {
  TWriter writer(this);
  writer.WriteDescendent(Instance, Ancestor);
}
