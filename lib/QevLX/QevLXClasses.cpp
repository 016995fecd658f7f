#include "QevLXClasses.h"

#include <algorithm>
#include <utility>

#include "QevSysUtils.h"

TQevList::~TQevList() { TQevList::Clear(); }

Integer TQevList::Add(void* Item) {
  if (Count_ == Capacity()) Grow();
  First()[Count_] = Item;
  if (Item) Notify(Item, lnAdded);
  return Count_++;
}

void TQevList::Insert(Integer Index, void* Item) {
  if (Index < 0 || Index > Count_) Error(LoadResString(SListIndexError), Index);
  if (Count_ == Capacity()) Grow();
  if (Index < Count_ - Index) {
    MakeFrontRoom();
    --Front_;
    void** first = First();
    std::copy(first + 1, first + 1 + Index, first);
  } else {
    void** first = First();
    std::copy_backward(first + Index, first + Count_, first + Count_ + 1);
  }
  First()[Index] = Item;
  ++Count_;
  if (Item) Notify(Item, lnAdded);
}

void TQevList::Delete(Integer Index, Integer DelCount) {
  if (DelCount <= 0)
    throw EQevInternalError(L"Internal Error: DelCount must be greater than 0. (%d)", {DelCount});
  // Index + DelCount - 1 would overflow for a large DelCount.
  if (Index < 0 || DelCount > Count_ - Index) Error(LoadResString(SListIndexError), Index);
  void** first = First();
  std::vector<void*> deleted(first + Index, first + Index + DelCount);
  Count_ -= DelCount;
  if (Index < Count_ - Index) {
    std::copy_backward(first, first + Index, first + Index + DelCount);
    Front_ += DelCount;
  } else if (Index < Count_) {
    std::copy(first + Index + DelCount, first + Count_ + DelCount, first + Index);
  }
  for (void* item : deleted)
    if (item) Notify(item, lnDeleted);
}

void* TQevList::Get(Integer Index) const {
  CheckIndex(Index);
  return Block_[Front_ + Index];
}

Integer TQevList::IndexOf(void* Item) const {
  for (Integer i = 0; i < Count_; ++i)
    if (Block_[Front_ + i] == Item) return i;
  return -1;
}

void TQevList::Clear() {
  SetCount(0);
  SetCapacity(0);
}

void TQevList::SetCount(Integer NewCount) {
  if (NewCount < 0 || NewCount > MaxCapacity) Error(LoadResString(SListCountError), NewCount);
  if (NewCount > Capacity()) SetCapacity(NewCount);
  if (NewCount > Count_)
    std::fill(First() + Count_, First() + NewCount, nullptr);
  else if (NewCount < Count_)
    Delete(NewCount, Count_ - NewCount);
  Count_ = NewCount;
}

void TQevList::SetCapacity(Integer NewCapacity) {
  if (NewCapacity < Count_ || NewCapacity > MaxCapacity)
    throw EQevGeneralError(SListCapacityError, {NewCapacity});
  if (NewCapacity == Capacity()) return;
  MakeFrontRoom();
  bool shrinking = NewCapacity < Capacity();
  Block_.resize(static_cast<std::size_t>(Front_) + NewCapacity);
  if (shrinking) Block_.shrink_to_fit();
}

Integer TQevList::GrowDelta() const {
  Integer capacity = Capacity();
  if (capacity > 64) return std::min(capacity / 4, 16384);
  return capacity > 8 ? 16 : 4;
}

void TQevList::Grow() { SetCapacity(Capacity() + GrowDelta()); }

void TQevList::MakeFrontRoom() {
  if (Front_ > 0) return;
  Integer delta = GrowDelta();
  Block_.insert(Block_.begin(), static_cast<std::size_t>(delta), nullptr);
  Front_ = delta;
}

void TQevList::Notify(void* Item, TListNotification Action) {
  if (OnNotify) OnNotify(Item, Action);
}

void TQevList::Error(const WideString& Msg, Integer Data) const { TList::Error(Msg, Data); }

void TQevList::CheckIndex(Integer Index) const {
  if (Index < 0 || Index >= Count_) Error(LoadResString(SListIndexError), Index);
}

// ------------------------------------------------------------ set operations

void TQevList::Assign(const TQevList* Source, TListAssignOp Op, const TQevList* Source2) {
  if (!Source2) {
    AssignOp(*Source, Op);
    return;
  }
  // The copy below would overwrite a Source2 that is this list.
  TQevList saved;
  if (Source2 == this) saved.AssignOp(*this, laCopy);
  Assign(Source, laCopy);
  AssignOp(Source2 == this ? saved : *Source2, Op);
}

void TQevList::AssignOp(const TQevList& Source, TListAssignOp Op) {
  TQevList missing;
  switch (Op) {
    case laCopy:
      if (&Source == this) return;  // clearing first would lose the items
      Clear();
      SetCapacity(Source.Capacity());
      AddAll(Source);
      break;
    case laAnd:
      DeleteWhere(Source, false);
      break;
    case laOr:
      for (Integer i = 0; i < Source.Count(); ++i)
        if (IndexOf(Source.Get(i)) < 0) Add(Source.Get(i));
      break;
    case laXor:
      CollectMissing(Source, false, missing);
      DeleteWhere(Source, true);
      if (Count_ + missing.Count() > Capacity()) SetCapacity(Count_ + missing.Count());
      AddAll(missing);
      break;
    case laSrcUnbind:
      DeleteWhere(Source, true);
      break;
    case laDestUnbind:
      CollectMissing(Source, true, missing);
      AssignOp(missing, laCopy);
      break;
  }
}

void TQevList::AddAll(const TQevList& Items) {
  for (Integer i = 0; i < Items.Count(); ++i) Add(Items.Get(i));
}

void TQevList::CollectMissing(const TQevList& Source, bool Backwards, TQevList& Missing) const {
  for (Integer n = 0; n < Source.Count(); ++n) {
    void* item = Source.Get(Backwards ? Source.Count() - 1 - n : n);
    if (IndexOf(item) < 0) Missing.Add(item);
  }
}

void TQevList::DeleteWhere(const TQevList& Source, bool InSource) {
  for (Integer i = Count_ - 1; i >= 0; --i)
    if ((Source.IndexOf(Get(i)) >= 0) == InSource) Delete(i);
}

// ------------------------------------------------------------------- sorting

void TQevList::Sort(TListSortCompare Compare) {
  if (Count_ > 0) QuickSortPointers(First(), 0, Count_ - 1, Compare);
}
