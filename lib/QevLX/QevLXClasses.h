// The framework's pointer list: a TList look-alike that keeps free slots in
// front of its first item as well as behind its last, so that inserting or
// deleting near the front moves the shorter side of the array.
#pragma once

#include <vector>

#include "Classes.h"
#include "Events.h"

// Set operations of TQevList::Assign, in the order of their numbers.
enum TListAssignOp { laCopy, laAnd, laOr, laXor, laSrcUnbind, laDestUnbind };

using TQevListNotifyEvent = TEvent<void(void* Item, TListNotification Action)>;

class TQevList : public TObject {
 public:
  static constexpr Integer MaxCapacity = 0x7FFFFFF;

  TQevList() = default;
  ~TQevList() override;
  const char* ClassName() const override { return "TQevList"; }

  Integer Add(void* Item);
  void Insert(Integer Index, void* Item);
  // Deletes DelCount items from Index on; DelCount <= 0 is an internal error.
  void Delete(Integer Index, Integer DelCount = 1);
  void* Get(Integer Index) const;
  void* operator[](Integer Index) const { return Get(Index); }
  Integer IndexOf(void* Item) const;
  virtual void Clear();
  // Source2 given: this becomes a copy of Source, then Op applies Source2.
  void Assign(const TQevList* Source, TListAssignOp Op = laCopy,
              const TQevList* Source2 = nullptr);
  // Quicksort; sends no notifications.
  void Sort(TListSortCompare Compare);

  Integer Count() const { return Count_; }
  void SetCount(Integer NewCount);
  Integer Capacity() const { return static_cast<Integer>(Block_.size()) - Front_; }
  void SetCapacity(Integer NewCapacity);
  // Free slots in front of item 0.
  Integer FrontRoom() const { return Front_; }
  // The slot of item 0 (nullptr while there is no block).
  void* const* List() const { return Block_.empty() ? nullptr : Block_.data() + Front_; }

  TQevListNotifyEvent OnNotify;

 protected:
  virtual void Grow();
  virtual void Notify(void* Item, TListNotification Action);
  // Raises EListError with Msg formatted with Data.
  [[noreturn]] virtual void Error(const WideString& Msg, Integer Data) const;

 private:
  void** First() { return Block_.data() + Front_; }
  Integer GrowDelta() const;
  void MakeFrontRoom();
  void CheckIndex(Integer Index) const;
  void AssignOp(const TQevList& Source, TListAssignOp Op);
  void AddAll(const TQevList& Items);
  // The items of Source that this list lacks, in source order or backwards.
  void CollectMissing(const TQevList& Source, bool Backwards, TQevList& Missing) const;
  void DeleteWhere(const TQevList& Source, bool InSource);

  std::vector<void*> Block_;  // front room, then Capacity slots
  Integer Front_ = 0;
  Integer Count_ = 0;
};
