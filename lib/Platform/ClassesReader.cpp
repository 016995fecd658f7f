// Reading components from form streams and form resources.
#include <algorithm>
#include <memory>

#include "Classes.h"
#include "Scoped.h"
#include "WinApi.h"

namespace {

std::vector<std::unique_ptr<std::vector<TComponent*>>>& GlobalLoadedLists() {
  static std::vector<std::unique_ptr<std::vector<TComponent*>>> lists;
  return lists;
}

std::vector<TFindGlobalComponent>& FindGlobalProcs() {
  static std::vector<TFindGlobalComponent> procs;
  return procs;
}

WideString Widen(const std::u16string& s) { return WideString(s.begin(), s.end()); }

AnsiString NameOf(TPersistent* Instance) {
  auto* component = dynamic_cast<TComponent*>(Instance);
  return component && !component->Name().empty() ? component->Name()
                                                  : AnsiString(Instance->ClassName());
}

}  // namespace

std::size_t TStreamFormSource::ReadSome(void* Buffer, std::size_t Count) {
  constexpr std::size_t MaxPiece = 1 << 30;
  Integer n = Stream_->Read(Buffer, static_cast<Integer>(std::min(Count, MaxPiece)));
  return n > 0 ? static_cast<std::size_t>(n) : 0;
}

// ------------------------------------------------------------------- values

TReader::TReader(TStream* Stream) : TFiler(Stream), Source_(Stream), Values_(Source_) {}

TReader::~TReader() {
  if (!Values_.HasPeeked()) return;
  try {
    Stream_->Seek(-1, soCurrent);
  } catch (...) {
    TraceDroppedException(L"TReader: giving back the peeked value");
  }
}

void TReader::PropValueError() { throw EReadError(SInvalidPropertyValue); }

void TReader::PropertyError(const AnsiString& Name) {
  SkipValue();
  throw EReadError(SUnknownProperty, {Name});
}

TValueType TReader::ReadValue() { return Values_.ReadValue(); }
TValueType TReader::NextValue() { return Values_.NextValue(); }
void TReader::CheckValue(TValueType Value) { Values_.CheckValue(Value); }
bool TReader::EndOfList() { return Values_.EndOfList(); }
void TReader::ReadListBegin() { Values_.ReadListBegin(); }
void TReader::ReadListEnd() { Values_.ReadListEnd(); }
void TReader::ReadSignature() { Values_.ReadSignature(); }
void TReader::ReadPrefix(TFilerFlags& Flags, Integer& AChildPos) { Values_.ReadPrefix(Flags, AChildPos); }
Integer TReader::ReadInteger() { return Values_.ReadInteger(); }
Int64 TReader::ReadInt64() { return Values_.ReadInt64(); }
bool TReader::ReadBoolean() { return Values_.ReadBoolean(); }
Extended TReader::ReadFloat() { return Values_.ReadFloat(); }
float TReader::ReadSingle() { return Values_.ReadSingle(); }
Currency TReader::ReadCurrency() { return Currency::FromScaled(Values_.ReadCurrency()); }
TDateTime TReader::ReadDate() { return Values_.ReadDate(); }
AnsiString TReader::ReadStr() { return Values_.ReadStr(); }
AnsiString TReader::ReadIdent() { return Values_.ReadIdent(); }
void TReader::SkipValue() { Values_.SkipValue(); }

void TReader::Read(void* Buffer, Integer Count) {
  if (Count > 0) Values_.Read(Buffer, static_cast<std::size_t>(Count));
}

AnsiString TReader::ReadString() {
  TFormString s = Values_.ReadString();
  return s.Wide ? WideToAnsi(Widen(s.WideText)) : s.Narrow;
}

WideString TReader::ReadWideString() {
  TFormString s = Values_.ReadString();
  return s.Wide ? Widen(s.WideText) : AnsiToWide(s.Narrow);
}

AnsiChar TReader::ReadChar() {
  AnsiString s = ReadString();
  if (s.size() != 1) PropValueError();
  return s[0];
}

WideChar TReader::ReadWideChar() {
  WideString s = ReadWideString();
  if (s.size() != 1) PropValueError();
  return s[0];
}

void TReader::DefineProperty(const AnsiString& Name, TReaderProc ReadData, TWriterProc, bool) {
  if (!ReadData || !SameText(Name, PropName_)) return;
  ReadData(this);
  PropName_.clear();
}

void TReader::DefineBinaryProperty(const AnsiString& Name, TStreamProc ReadData, TStreamProc, bool) {
  if (!ReadData || !SameText(Name, PropName_)) return;
  std::string data = Values_.ReadBinary();
  TMemoryStream stream;
  stream.WriteBuffer(data.data(), static_cast<Int64>(data.size()));
  stream.SetPosition(0);
  ReadData(&stream);
  PropName_.clear();
}

// --------------------------------------------------------------- properties

// A path like Font.Name walks object-valued properties; a name the class does
// not publish goes to its DefineProperties.
void TReader::ReadProperty(TPersistent* AInstance) {
  AnsiString path = ReadStr();
  try {
    TPersistent* instance = AInstance;
    for (std::size_t start = 0;;) {
      std::size_t dot = path.find('.', start);
      PropName_ = path.substr(start, dot == AnsiString::npos ? AnsiString::npos : dot - start);
      if (dot == AnsiString::npos) break;
      const TPropInfo* info = GetPropInfo(instance, PropName_, {tkClass});
      auto* next = info ? dynamic_cast<TPersistent*>(GetObjectProp(instance, info)) : nullptr;
      if (!next) PropertyError(PropName_);
      instance = next;
      start = dot + 1;
    }
    if (const TPropInfo* info = GetPropInfo(instance, PropName_)) {
      Current_ = TFixup{instance, info, AnsiString(), NameOf(AInstance), path};
      ReadPropValue(instance, info);
    } else {
      instance->DefineProperties(this);
      if (!PropName_.empty()) PropertyError(PropName_);
    }
  } catch (const Exception& e) {
    throw EReadError(SPropertyException, {NameOf(AInstance), ".", path, e.Message});
  }
}

void TReader::ReadPropValue(TPersistent* Instance, const TPropInfo* PropInfo) {
  PTypeInfo type = PropInfo->PropType;
  switch (type->Kind) {
    case tkInteger:
      if (NextValue() == vaIdent) {
        TIdentToInt identToInt = FindIdentToInt(type);
        Integer value;
        if (!identToInt || !identToInt(ReadIdent(), value)) PropValueError();
        SetOrdProp(Instance, PropInfo, value);
      } else {
        SetOrdProp(Instance, PropInfo, ReadInt64());
      }
      break;
    case tkChar: SetOrdProp(Instance, PropInfo, static_cast<unsigned char>(ReadChar())); break;
    case tkWChar: SetOrdProp(Instance, PropInfo, static_cast<Word>(ReadWideChar())); break;
    case tkEnumeration: {
      Integer value = GetEnumValue(type, ReadIdent());
      if (value < 0) PropValueError();
      SetOrdProp(Instance, PropInfo, value);
      break;
    }
    case tkSet: SetOrdProp(Instance, PropInfo, ReadSet(type)); break;
    case tkInt64: SetOrdProp(Instance, PropInfo, ReadInt64()); break;
    case tkFloat: SetFloatProp(Instance, PropInfo, ReadFloat()); break;
    case tkString:
    case tkLString: SetStrProp(Instance, PropInfo, ReadString()); break;
    case tkWString: SetWideStrProp(Instance, PropInfo, ReadWideString()); break;
    case tkMethod: ReadMethod(Instance, PropInfo); break;
    case tkClass:
      switch (NextValue()) {
        case vaNil:
          ReadValue();
          SetObjectProp(Instance, PropInfo, nullptr);
          break;
        case vaCollection: {
          ReadValue();
          auto* collection = dynamic_cast<TCollection*>(GetObjectProp(Instance, PropInfo));
          if (!collection) PropValueError();
          ReadCollection(collection);
          break;
        }
        default: {
          TFixup fixup = Current_;
          fixup.Reference = ReadIdent();
          if (Fixups_)
            Fixups_->push_back(fixup);
          else
            Resolve(fixup);
        }
      }
      break;
    default:
      PropValueError();
  }
}

Int64 TReader::ReadSet(PTypeInfo SetType) {
  CheckValue(vaSet);
  Int64 bits = 0;
  for (AnsiString name = ReadStr(); !name.empty(); name = ReadStr()) {
    Integer value = GetEnumValue(SetType->CompType, name);
    if (value < 0 || value > 31) PropValueError();
    bits |= Int64(1) << value;
  }
  return bits;
}

// Handlers are published methods of the root, of the event's signature.
void TReader::ReadMethod(TPersistent* Instance, const TPropInfo* PropInfo) {
  if (NextValue() == vaNil) {
    ReadValue();
    SetMethodProp(Instance, PropInfo, TMethod{});
    return;
  }
  AnsiString name = ReadIdent();
  const TMethodEntry* method = Root_ ? Root_->ClassType()->MethodAddress(name) : nullptr;
  if (!method || method->Signature != PropInfo->PropType->Signature) PropValueError();
  SetMethodProp(Instance, PropInfo, TMethod{method->Code, static_cast<TObject*>(Root_)});
}

void TReader::ReadCollection(TCollection* Collection) {
  WithUpdate(Collection, [&] {
    if (!EndOfList()) Collection->Clear();
    while (!EndOfList()) {
      TValueType type = NextValue();
      if (type == vaInt8 || type == vaInt16 || type == vaInt32) ReadInteger();
      TCollectionItem* item = Collection->Add();
      ReadListBegin();
      while (!EndOfList()) ReadProperty(item);
      ReadListEnd();
    }
    ReadListEnd();
  });
}

// "Name" among the root's components, "Owner" for the root itself, or a path
// "Form2.Button1" whose first part may be a global component.
TComponent* TReader::FindReference(const AnsiString& Reference) const {
  if (SameText(Reference, "Owner")) return Root_;
  TComponent* c = nullptr;
  for (std::size_t start = 0; start != AnsiString::npos;) {
    std::size_t dot = Reference.find('.', start);
    AnsiString part = Reference.substr(start, dot == AnsiString::npos ? AnsiString::npos : dot - start);
    start = dot == AnsiString::npos ? dot : dot + 1;
    if (c)
      c = c->FindComponent(part);
    else if (!(c = Root_ ? Root_->FindComponent(part) : nullptr))
      c = FindGlobalComponent(part);
    if (!c) return nullptr;
  }
  return c;
}

void TReader::Resolve(const TFixup& Fixup) {
  try {
    TComponent* target = FindReference(Fixup.Reference);
    if (!target) PropValueError();
    SetObjectProp(Fixup.Instance, Fixup.PropInfo, target);
  } catch (const Exception& e) {
    throw EReadError(SPropertyException, {Fixup.Name, ".", Fixup.Path, e.Message});
  }
}

// --------------------------------------------------------------- components

void TReader::ReadData(TComponent* Instance) {
  if (Fixups_) return ReadDataInner(Instance);
  std::vector<TFixup> fixups;
  TRestore<std::vector<TFixup>*> restore(Fixups_);
  Fixups_ = &fixups;
  ReadDataInner(Instance);
  for (const TFixup& f : fixups) Resolve(f);
}

void TReader::ReadDataInner(TComponent* Instance) {
  while (!EndOfList()) ReadProperty(Instance);
  ReadListEnd();
  TRestore<TComponent*> parent(Parent_), owner(Owner_);
  Parent_ = Instance->GetChildParent();
  Owner_ = Instance->GetChildOwner();
  if (!Owner_) Owner_ = Root_;
  while (!EndOfList()) ReadComponent(nullptr);
  ReadListEnd();
}

TComponent* TReader::CreateChild(const AnsiString& ClassName, TFilerFlags Flags) {
  const TClass* cls = GetClass(ClassName);
  if (!cls || !cls->InheritsFrom(TComponent::StaticClass()) || !cls->Factory())
    throw EClassNotFound(SClassNotFound, {ClassName});
  auto* component = static_cast<TComponent*>(cls->Factory()(Owner_));
  if (Flags & ffInline) component->State_.Include(csInline);
  return component;
}

TComponent* TReader::ReadComponent(TComponent* Component) {
  TFilerFlags flags;
  Integer position;
  ReadPrefix(flags, position);
  AnsiString className = ReadStr();
  AnsiString name = ReadStr();
  TRestore<TComponent*> parent(Parent_), lookupRoot(LookupRoot_);
  TComponent* result = Component;
  std::unique_ptr<TComponent> created;
  if (!result && (flags & ffInherited)) {
    result = LookupRoot_ ? LookupRoot_->FindComponent(name) : nullptr;
    if (!result) throw EReadError(SAncestorNotFound, {name});
  } else if (!result) {
    created.reset(result = CreateChild(className, flags));
  }
  result->State_.Include(csLoading);
  if (!(flags & ffInherited)) result->SetName(name);
  if (result->State_.Contains(csInline)) LookupRoot_ = result;
  result->State_.Include(csReading);
  result->ReadState(this);
  result->State_.Exclude(csReading);
  if ((flags & ffChildPos) && Parent_) Parent_->SetChildOrder(result, position);
  AddLoaded(result);
  created.release();
  return result;
}

void TReader::AddLoaded(TComponent* Component) {
  if (Loaded_ && std::find(Loaded_->begin(), Loaded_->end(), Component) == Loaded_->end())
    Loaded_->push_back(Component);
}

AnsiString TReader::FindUniqueName(const AnsiString& Base) const {
  AnsiString name = Base;
  for (Integer i = 1; !Base.empty() && FindGlobalComponent(name); ++i) name = Base + "_" + IntToStr(i);
  return name;
}

TComponent* TReader::ReadRootComponent(TComponent* ARoot) {
  ReadSignature();
  TFilerFlags flags;
  Integer position;
  ReadPrefix(flags, position);
  AnsiString className = ReadStr();
  AnsiString name = ReadStr();
  TComponent* result = ARoot;
  std::unique_ptr<TComponent> created;
  if (!result) {
    const TClass* cls = FindClass(className);
    if (!cls->InheritsFrom(TComponent::StaticClass()) || !cls->Factory())
      throw EClassNotFound(SClassNotFound, {className});
    created.reset(result = static_cast<TComponent*>(cls->Factory()(nullptr)));
    result->SetName(name);
  } else if (!result->State_.Contains(csDesigning)) {
    result->State_.Include(csLoading);
    result->State_.Include(csReading);
    result->SetName(FindUniqueName(name));
  }
  SetRoot(result);
  LookupRoot_ = result;
  Owner_ = result;
  std::vector<TComponent*> local;
  auto& global = GlobalLoadedLists();
  TRestore<std::vector<TComponent*>*> restore(Loaded_);
  Loaded_ = global.empty() ? &local : global.back().get();
  AddLoaded(result);
  result->State_.Include(csLoading);
  result->State_.Include(csReading);
  result->ReadState(this);
  result->State_.Exclude(csReading);
  for (std::size_t i = 0; i < local.size(); ++i) local[i]->Loaded();
  created.release();
  return result;
}

TComponent* TStream::ReadComponent(TComponent* Instance) {
  TReader reader(this);
  return reader.ReadRootComponent(Instance);
}

// ------------------------------------------------------------ global loading

void BeginGlobalLoading() {
  GlobalLoadedLists().push_back(std::make_unique<std::vector<TComponent*>>());
}

void NotifyGlobalLoading() {
  std::vector<TComponent*>* list = GlobalLoadedLists().back().get();
  for (std::size_t i = 0; i < list->size(); ++i) (*list)[i]->Loaded();
}

void EndGlobalLoading() { GlobalLoadedLists().pop_back(); }

void RegisterFindGlobalComponentProc(TFindGlobalComponent Proc) { FindGlobalProcs().push_back(Proc); }

void UnregisterFindGlobalComponentProc(TFindGlobalComponent Proc) {
  auto& procs = FindGlobalProcs();
  procs.erase(std::remove(procs.begin(), procs.end(), Proc), procs.end());
}

TComponent* FindGlobalComponent(const AnsiString& Name) {
  for (TFindGlobalComponent proc : FindGlobalProcs())
    if (TComponent* c = proc(Name)) return c;
  return nullptr;
}

// ------------------------------------------------------------ form resources

bool InternalReadComponentRes(const AnsiString& ResName, THandle HInst, TComponent*& Instance) {
  THandle module = HInst ? HInst : GetModuleHandleW(nullptr);
  const AnsiChar* rcdata = MAKEINTRESOURCEA(10);
  if (!FindResourceA(static_cast<HMODULE>(module), ResName.c_str(), rcdata)) return false;
  TResourceStream stream(module, ResName, rcdata);
  Instance = stream.ReadComponent(Instance);
  return true;
}

TComponent* ReadComponentRes(const AnsiString& ResName, TComponent* Instance) {
  if (!InternalReadComponentRes(ResName, FindResourceHInstance(nullptr), Instance))
    throw EResNotFound(SResNotFound, {ResName});
  return Instance;
}

namespace {

bool InitComponent(TComponent* Instance, const TClass* AClass, const TClass* RootAncestor) {
  if (!AClass || AClass == TComponent::StaticClass() || AClass == RootAncestor) return false;
  bool found = InitComponent(Instance, AClass->ClassParent(), RootAncestor);
  return InternalReadComponentRes(UpperCase(AClass->ClassName()), FindResourceHInstance(nullptr),
                                  Instance) ||
         found;
}

}  // namespace

bool InitInheritedComponent(TComponent* Instance, const TClass* RootAncestor) {
  bool own = (Instance->ComponentState() * TComponentState{csInline, csLoading}).Empty();
  if (own) BeginGlobalLoading();
  TScopeExit end([own] {
    if (own) EndGlobalLoading();
  });
  bool found = InitComponent(Instance, Instance->ClassType(), RootAncestor);
  if (own) NotifyGlobalLoading();
  return found;
}
