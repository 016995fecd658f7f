// Class descriptors of the unit, the class registry, components and collections.
#include <algorithm>

#include "Classes.h"

const TClass* TObject::StaticClass() {
  static const TClass Class("TObject", nullptr, nullptr, {});
  return &Class;
}

QEV_DEFINE_CLASS(TPersistent)
QEV_DEFINE_CLASS(TStrings)
QEV_DEFINE_CLASS(TStringList)
QEV_DEFINE_CLASS(TComponent,
                 QEV_PROPERTY(Name, Name, SetName).NotStored(),
                 QEV_PROPERTY(Tag, Tag, SetTag).Default(0))
QEV_DEFINE_CLASS(TCollectionItem)
QEV_DEFINE_CLASS(TCollection)
QEV_DEFINE_CLASS(TOwnedCollection)

void TPersistent::DefineProperties(TFiler*) {}

// -------------------------------------------------------------- TStringStream

TStringStream::TStringStream(const AnsiString& AString) {
  if (!AString.empty()) WriteBuffer(AString.data(), static_cast<Int64>(AString.size()));
  SetPosition(0);
}

AnsiString TStringStream::DataString() {
  return AnsiString(static_cast<const char*>(Memory()), static_cast<std::size_t>(Size()));
}

// ------------------------------------------------------------- class registry

namespace {

std::vector<const TClass*>& Registry() {
  static std::vector<const TClass*> classes;
  return classes;
}

struct TIntConsts {
  PTypeInfo Type;
  TIdentToInt ToInt;
  TIntToIdent ToIdent;
};

std::vector<TIntConsts>& IntConsts() {
  static std::vector<TIntConsts> consts;
  return consts;
}

bool IsValidIdent(const AnsiString& s) {
  auto letter = [](char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_'; };
  if (s.empty() || !letter(s[0])) return false;
  return std::all_of(s.begin(), s.end(), [&](char c) { return letter(c) || (c >= '0' && c <= '9'); });
}

}  // namespace

// The class and its ancestors up to TPersistent, as the platform did.
void RegisterClass(const TClass* AClass) {
  for (; AClass; AClass = AClass->ClassParent()) {
    const TClass* known = GetClass(AClass->ClassName());
    if (known == AClass) return;
    if (known) throw EFilerError(SDuplicateClass, {AClass->ClassName()});
    Registry().push_back(AClass);
    if (AClass == TPersistent::StaticClass()) return;
  }
}

void RegisterClasses(std::initializer_list<const TClass*> Classes) {
  for (const TClass* c : Classes) RegisterClass(c);
}

void UnRegisterClass(const TClass* AClass) {
  auto& classes = Registry();
  classes.erase(std::remove(classes.begin(), classes.end(), AClass), classes.end());
}

const TClass* GetClass(const AnsiString& ClassName) {
  for (const TClass* c : Registry())
    if (c->ClassNameIs(ClassName)) return c;
  return nullptr;
}

const TClass* FindClass(const AnsiString& ClassName) {
  const TClass* c = GetClass(ClassName);
  if (!c) throw EClassNotFound(SClassNotFound, {ClassName});
  return c;
}

void RegisterIntegerConsts(PTypeInfo IntegerType, TIdentToInt IdentToInt, TIntToIdent IntToIdent) {
  IntConsts().push_back({IntegerType, IdentToInt, IntToIdent});
}

TIdentToInt FindIdentToInt(PTypeInfo IntegerType) {
  for (const TIntConsts& c : IntConsts())
    if (c.Type == IntegerType) return c.ToInt;
  return nullptr;
}

TIntToIdent FindIntToIdent(PTypeInfo IntegerType) {
  for (const TIntConsts& c : IntConsts())
    if (c.Type == IntegerType) return c.ToIdent;
  return nullptr;
}

bool IdentToInt(const AnsiString& Ident, Integer& Int, const TIdentMapEntry* Map, Integer Count) {
  for (Integer i = 0; i < Count; ++i) {
    if (SameText(Map[i].Name, Ident)) {
      Int = Map[i].Value;
      return true;
    }
  }
  return false;
}

bool IntToIdent(Integer Int, AnsiString& Ident, const TIdentMapEntry* Map, Integer Count) {
  for (Integer i = 0; i < Count; ++i) {
    if (Map[i].Value == Int) {
      Ident = Map[i].Name;
      return true;
    }
  }
  return false;
}

// ----------------------------------------------------------------- TComponent

TComponent::TComponent(TComponent* AOwner) {
  if (AOwner) AOwner->InsertComponent(this);
}

TComponent::~TComponent() {
  Destroying();
  while (!FreeNotifies_.empty()) {
    TComponent* other = FreeNotifies_.back();
    FreeNotifies_.pop_back();
    other->RemoveNotification(this);
    other->Notification(this, opRemove);
  }
  DestroyComponents();
  if (Owner_) Owner_->RemoveComponent(this);
}

TComponent* TComponent::Components(Integer Index) const {
  if (Index < 0 || Index >= ComponentCount()) TList::Error(SListIndexError, Index);
  return Components_[Index];
}

Integer TComponent::ComponentIndex() const {
  if (!Owner_) return -1;
  auto& list = Owner_->Components_;
  return static_cast<Integer>(std::find(list.begin(), list.end(), this) - list.begin());
}

void TComponent::SetName(const AnsiString& NewName) {
  if (Name_ == NewName) return;
  if (!NewName.empty() && !IsValidIdent(NewName)) throw EComponentError(SInvalidName, {NewName});
  if (Owner_)
    Owner_->ValidateRename(this, Name_, NewName);
  else
    ValidateRename(nullptr, Name_, NewName);
  Name_ = NewName;
}

void TComponent::ValidateRename(TComponent* AComponent, const AnsiString& CurName,
                                const AnsiString& NewName) {
  if (AComponent && !SameText(CurName, NewName) && AComponent->Owner_ == this &&
      FindComponent(NewName))
    throw EComponentError(SDuplicateName, {NewName});
}

TComponent* TComponent::FindComponent(const AnsiString& AName) const {
  if (AName.empty()) return nullptr;
  for (TComponent* c : Components_)
    if (SameText(c->Name_, AName)) return c;
  return nullptr;
}

void TComponent::InsertComponent(TComponent* AComponent) {
  if (AComponent->Owner_) AComponent->Owner_->RemoveComponent(AComponent);
  ValidateRename(AComponent, AnsiString(), AComponent->Name_);
  Components_.push_back(AComponent);
  AComponent->Owner_ = this;
  if (State_.Contains(csDesigning)) AComponent->SetDesigning(true);
  Notification(AComponent, opInsert);
}

void TComponent::RemoveComponent(TComponent* AComponent) {
  Notification(AComponent, opRemove);
  Components_.erase(std::remove(Components_.begin(), Components_.end(), AComponent),
                    Components_.end());
  AComponent->Owner_ = nullptr;
}

// Components that others watch leave with a notification; the rest quietly.
void TComponent::DestroyComponents() {
  const TComponentState designedInline{csDesigning, csInline};
  while (!Components_.empty()) {
    TComponent* c = Components_.back();
    if (c->State_.Contains(csFreeNotification) || State_ * designedInline == designedInline) {
      RemoveComponent(c);
    } else {
      Components_.pop_back();
      c->Owner_ = nullptr;
    }
    delete c;
  }
}

void TComponent::Destroying() {
  if (State_.Contains(csDestroying)) return;
  State_.Include(csDestroying);
  for (TComponent* c : Components_) c->Destroying();
}

// Components with the same owner hear of each other through the owner.
void TComponent::FreeNotification(TComponent* AComponent) {
  if ((!Owner_ || AComponent->Owner_ != Owner_) &&
      std::find(FreeNotifies_.begin(), FreeNotifies_.end(), AComponent) == FreeNotifies_.end()) {
    FreeNotifies_.push_back(AComponent);
    AComponent->FreeNotification(this);
  }
  State_.Include(csFreeNotification);
}

void TComponent::RemoveFreeNotification(TComponent* AComponent) {
  RemoveNotification(AComponent);
  AComponent->RemoveNotification(this);
}

void TComponent::RemoveNotification(TComponent* AComponent) {
  FreeNotifies_.erase(std::remove(FreeNotifies_.begin(), FreeNotifies_.end(), AComponent),
                      FreeNotifies_.end());
}

// A handler may free components, so the index is kept within the list.
void TComponent::Notification(TComponent* AComponent, TOperation Operation) {
  if (Operation == opRemove && AComponent) RemoveFreeNotification(AComponent);
  for (Integer i = ComponentCount() - 1; i >= 0;) {
    Components_[i]->Notification(AComponent, Operation);
    if (--i >= ComponentCount()) i = ComponentCount() - 1;
  }
}

void TComponent::SetDesigning(bool Value, bool SetChildren) {
  if (Value)
    State_.Include(csDesigning);
  else
    State_.Exclude(csDesigning);
  if (SetChildren)
    for (TComponent* c : Components_) c->SetDesigning(Value);
}

void TComponent::GetChildren(TGetChildProc, TComponent*) {}
TComponent* TComponent::GetChildOwner() { return nullptr; }
TComponent* TComponent::GetChildParent() { return this; }
TComponent* TComponent::GetParentComponent() const { return nullptr; }
bool TComponent::HasParent() const { return false; }
void TComponent::SetParentComponent(TComponent*) {}
void TComponent::SetChildOrder(TComponent*, Integer) {}
void TComponent::ReadState(TReader* Reader) { Reader->ReadData(this); }
void TComponent::WriteState(TWriter* Writer) { Writer->WriteData(this); }
void TComponent::Loaded() { State_.Exclude(csLoading); }

// ---------------------------------------------------------------- collections

TCollectionItem::TCollectionItem(TCollection* Collection) { SetCollection(Collection); }

TCollectionItem::~TCollectionItem() { SetCollection(nullptr); }

void TCollectionItem::SetCollection(TCollection* Value) {
  if (Collection_ == Value) return;
  if (Collection_) Collection_->RemoveItem(this);
  if (Value) Value->InsertItem(this);
}

Integer TCollectionItem::Index() const {
  if (!Collection_) return -1;
  auto& items = Collection_->Items_;
  return static_cast<Integer>(std::find(items.begin(), items.end(), this) - items.begin());
}

void TCollectionItem::SetIndex(Integer Value) {
  Integer current = Index();
  if (current < 0 || current == Value) return;
  auto& items = Collection_->Items_;
  if (Value < 0 || Value >= static_cast<Integer>(items.size())) TList::Error(SListIndexError, Value);
  items.erase(items.begin() + current);
  items.insert(items.begin() + Value, this);
  Changed(true);
}

void TCollectionItem::Changed(bool AllItems) {
  if (Collection_ && Collection_->UpdateCount_ == 0) Collection_->Update(AllItems ? nullptr : this);
}

TCollection::TCollection(const TClass* ItemClass) : ItemClass_(ItemClass) {}

TCollection::~TCollection() {
  UpdateCount_ = 1;  // no Update calls while the items go
  while (!Items_.empty()) delete Items_.back();
}

namespace {

// BeginUpdate for as long as it lives.
class TCollectionUpdate {
 public:
  explicit TCollectionUpdate(TCollection* c) : C_(c) { C_->BeginUpdate(); }
  ~TCollectionUpdate() { C_->EndUpdate(); }
  TCollectionUpdate(const TCollectionUpdate&) = delete;
  TCollectionUpdate& operator=(const TCollectionUpdate&) = delete;

 private:
  TCollection* C_;
};

}  // namespace

void TCollection::Assign(TPersistent* Source) {
  auto* source = dynamic_cast<TCollection*>(Source);
  if (!source) return TPersistent::Assign(Source);
  TCollectionUpdate update(this);
  Clear();
  for (TCollectionItem* item : source->Items_) Add()->Assign(item);
}

TCollectionItem* TCollection::Add() {
  TClassFactory factory = ItemClass_ ? ItemClass_->Factory() : nullptr;
  if (!factory || !ItemClass_->InheritsFrom(TCollectionItem::StaticClass()))
    TList::Error(SInvalidPropertyValue, 0);
  // The item joins from its base constructor, before the derived item exists:
  // the collection hears of the change once the item is complete.
  TCollectionUpdate update(this);
  return static_cast<TCollectionItem*>(factory(this));
}

TCollectionItem* TCollection::Insert(Integer Index) {
  TCollectionItem* item = Add();
  item->SetIndex(Index);
  return item;
}

void TCollection::Clear() {
  if (Items_.empty()) return;
  TCollectionUpdate update(this);
  while (!Items_.empty()) delete Items_.back();
}

void TCollection::Delete(Integer Index) {
  TCollectionItem* item = Items(Index);
  Notify(item, cnDeleting);
  delete item;
}

TCollectionItem* TCollection::Items(Integer Index) const {
  if (Index < 0 || Index >= Count()) TList::Error(SListIndexError, Index);
  return Items_[Index];
}

TCollectionItem* TCollection::FindItemID(Integer ID) const {
  for (TCollectionItem* item : Items_)
    if (item->ID_ == ID) return item;
  return nullptr;
}

void TCollection::EndUpdate() {
  --UpdateCount_;
  Changed();
}

void TCollection::Changed() {
  if (UpdateCount_ == 0) Update(nullptr);
}

void TCollection::Update(TCollectionItem*) {}
void TCollection::Notify(TCollectionItem*, TCollectionNotification) {}

void TCollection::InsertItem(TCollectionItem* Item) {
  Items_.push_back(Item);
  Item->Collection_ = this;
  Item->ID_ = NextID_++;
  Notify(Item, cnAdded);
  Changed();
}

void TCollection::RemoveItem(TCollectionItem* Item) {
  Notify(Item, cnExtracting);
  Items_.erase(std::remove(Items_.begin(), Items_.end(), Item), Items_.end());
  Item->Collection_ = nullptr;
  Changed();
}
