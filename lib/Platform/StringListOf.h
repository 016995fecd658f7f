// The string list of memory, optionally sorted, written once for both string
// types: the 8-bit TStringList and the wide TQevStringList derive from it.
// Classes.h includes it after TStrings; include Classes.h instead.
#pragma once

#include <utility>
#include <vector>

enum TDuplicates { dupIgnore, dupAccept, dupError };

// The growth step of the lists: a quarter of a large list, 16 or 4 slots for small ones.
inline Integer ListGrowDelta(Integer Capacity) {
  if (Capacity > 64) return Capacity / 4;
  return Capacity > 8 ? 16 : 4;
}

// The middle of L..H for binary searches and sorts, without overflow.
inline Integer ListMiddle(Integer L, Integer H) {
  return static_cast<Integer>((static_cast<Cardinal>(L) + static_cast<Cardinal>(H)) >> 1);
}

// TBase is the abstract list of TString items (TStrings or TQevStrings),
// TDerived the derived class that sort comparisons receive. The order is the
// virtual CompareStrings, which TDerived defines.
template <typename TDerived, typename TBase, typename TString>
class TStringListOf : public TBase {
 public:
  using TSortCompare = Integer (*)(TDerived* List, Integer Index1, Integer Index2);

  ~TStringListOf() override {
    OnChange = nullptr;
    OnChanging = nullptr;
  }

  TString Get(Integer Index) const override {
    CheckIndex(Index);
    return Items_[Index].String;
  }
  Integer GetCount() const override { return static_cast<Integer>(Items_.size()); }
  TObject* GetObject(Integer Index) const override {
    CheckIndex(Index);
    return Items_[Index].Object;
  }
  void Put(Integer Index, const TString& S) override {
    if (Sorted_) TBase::Error(SSortedListError, 0);
    CheckIndex(Index);
    Changing();
    Items_[Index].String = S;
    Changed();
  }
  void PutObject(Integer Index, TObject* AObject) override {
    CheckIndex(Index);
    Changing();
    Items_[Index].Object = AObject;
    Changed();
  }
  Integer GetCapacity() const override { return Capacity_; }
  // Below Count raises "List capacity out of bounds (%d)".
  void SetCapacity(Integer NewCapacity) override {
    if (NewCapacity < GetCount()) TBase::Error(SListCapacityError, NewCapacity);
    if (NewCapacity > Capacity_) Items_.reserve(NewCapacity);
    if (NewCapacity == 0) Items_.shrink_to_fit();
    Capacity_ = NewCapacity;
  }

  Integer Add(const TString& S) override { return AddObject(S, nullptr); }
  // A sorted list places the item by Find and applies Duplicates to an equal one.
  Integer AddObject(const TString& S, TObject* AObject) override {
    Integer index = GetCount();
    if (Sorted_ && Find(S, index)) {
      if (Duplicates == dupIgnore) return index;
      if (Duplicates == dupError) TBase::Error(SDuplicateString, 0);
    }
    InsertItem(index, S, AObject);
    return index;
  }
  void Clear() override {
    if (Items_.empty()) return;
    Changing();
    Items_.clear();
    SetCapacity(0);
    Changed();
  }
  void Delete(Integer Index) override {
    CheckIndex(Index);
    Changing();
    Items_.erase(Items_.begin() + Index);
    Changed();
  }
  void Exchange(Integer Index1, Integer Index2) override {
    CheckIndex(Index1);
    CheckIndex(Index2);
    Changing();
    std::swap(Items_[Index1], Items_[Index2]);
    Changed();
  }
  Integer IndexOf(const TString& S) const override {
    if (!Sorted_) return TBase::IndexOf(S);
    Integer index;
    return Find(S, index) ? index : -1;
  }
  void Insert(Integer Index, const TString& S) override { InsertObject(Index, S, nullptr); }
  void InsertObject(Integer Index, const TString& S, TObject* AObject) override {
    if (Sorted_) TBase::Error(SSortedListError, 0);
    if (Index < 0 || Index > GetCount()) TBase::Error(SListIndexError, Index);
    InsertItem(Index, S, AObject);
  }
  // Not on a sorted list; refused before the item is taken out, which would
  // otherwise be lost.
  void Move(Integer CurIndex, Integer NewIndex) override {
    if (Sorted_ && CurIndex != NewIndex) TBase::Error(SSortedListError, 0);
    TBase::Move(CurIndex, NewIndex);
  }

  // Binary search of a sorted list: true when S is found; Index is its position
  // (the first of equal items with dupAccept) or where it would be inserted.
  virtual bool Find(const TString& S, Integer& Index) const {
    bool found = false;
    Integer l = 0;
    Integer h = GetCount() - 1;
    while (l <= h) {
      Integer i = ListMiddle(l, h);
      Integer c = this->CompareStrings(Items_[i].String, S);
      if (c < 0) {
        l = i + 1;
      } else {
        h = i - 1;
        if (c == 0) {
          found = true;
          if (Duplicates != dupAccept) l = i;
        }
      }
    }
    Index = l;
    return found;
  }
  virtual void Sort() { CustomSort(CompareItems); }
  // Does nothing on a list that is Sorted: it keeps its own order.
  virtual void CustomSort(TSortCompare Compare) {
    if (!Sorted_) SortItems(Compare);
  }

  bool Sorted() const { return Sorted_; }
  void SetSorted(bool Value) {
    if (Sorted_ == Value) return;
    if (Value) Sort();
    Sorted_ = Value;
  }
  bool CaseSensitive() const { return CaseSensitive_; }
  // A sorted list is sorted again in the new order, which Find needs.
  void SetCaseSensitive(bool Value) {
    if (CaseSensitive_ == Value) return;
    CaseSensitive_ = Value;
    if (Sorted_) SortItems(CompareItems);
  }
  TDuplicates Duplicates = dupIgnore;

  TNotifyEvent OnChange;
  TNotifyEvent OnChanging;

 protected:
  virtual void Changed() {
    if (this->UpdateCount() == 0 && OnChange) OnChange(this);
  }
  virtual void Changing() {
    if (this->UpdateCount() == 0 && OnChanging) OnChanging(this);
  }
  virtual void InsertItem(Integer Index, const TString& S, TObject* AObject) {
    Changing();
    if (GetCount() == Capacity_) SetCapacity(Capacity_ + ListGrowDelta(Capacity_));
    Items_.insert(Items_.begin() + Index, TItem{S, AObject});
    Changed();
  }
  void SetUpdateState(bool Updating) override {
    if (Updating)
      Changing();
    else
      Changed();
  }

 private:
  struct TItem {
    TString String;
    TObject* Object;
  };

  static Integer CompareItems(TDerived* List, Integer Index1, Integer Index2) {
    return List->CompareStrings(List->Get(Index1), List->Get(Index2));
  }
  void CheckIndex(Integer Index) const {
    if (Index < 0 || Index >= GetCount()) TBase::Error(SListIndexError, Index);
  }
  void SortItems(TSortCompare Compare) {
    if (GetCount() < 2) return;
    Changing();
    QuickSort(0, GetCount() - 1, Compare);
    Changed();
  }
  // The runtime's quicksort; the pivot is an index that follows its item
  // through the exchanges.
  void QuickSort(Integer L, Integer R, TSortCompare Compare) {
    auto* list = static_cast<TDerived*>(this);
    Integer i;
    do {
      i = L;
      Integer j = R;
      Integer p = ListMiddle(L, R);
      do {
        while (Compare(list, i, p) < 0) ++i;
        while (Compare(list, j, p) > 0) --j;
        if (i <= j) {
          std::swap(Items_[i], Items_[j]);
          if (p == i)
            p = j;
          else if (p == j)
            p = i;
          ++i;
          --j;
        }
      } while (i <= j);
      if (L < j) QuickSort(L, j, Compare);
      L = i;
    } while (i < R);
  }

  std::vector<TItem> Items_;  // Count items
  Integer Capacity_ = 0;
  bool Sorted_ = false;
  bool CaseSensitive_ = false;
};
