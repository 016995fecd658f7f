// A data set over rows held in memory, for the tests of the data-access
// layer. A row is a vector of variants; its address is the record's bookmark
// (pointer-sized). Records that OnFilterRecord refuses are skipped while
// Filtered is set.
#pragma once

#include <algorithm>
#include <cstring>
#include <memory>
#include <vector>

#include "DB.h"

class TTestDataSet : public TDataSet {
 public:
  using TRow = std::vector<Variant>;
  using TDataSet::TDataSet;
  ~TTestDataSet() override { Close(); }

  std::vector<std::unique_ptr<TRow>> Rows;
  // Maps the default field class of each def (the Unicode layer's mapping).
  const TClass* (*FieldClassMap)(const TClass*) = nullptr;
  bool CanModifyRecords = true;

  Integer CompareBookmarks(TBookmark A, TBookmark B) override {
    TRow *a = nullptr, *b = nullptr;
    std::memcpy(&a, A, sizeof a);
    std::memcpy(&b, B, sizeof b);
    return (RowIndex(a) > RowIndex(b)) - (RowIndex(a) < RowIndex(b));
  }

 protected:
  struct TRecord {
    TRow* Row = nullptr;
    TBookmarkFlag Flag = bfCurrent;
    TRow Values;
  };
  static TRecord* Rec(TRecordBuffer Buffer) { return reinterpret_cast<TRecord*>(Buffer); }
  // The record the fields read: the one being filtered, else the active one.
  TRecord* Current() const { return Rec(State() == dsFilter ? FilterBuffer_ : ActiveBuffer()); }
  Integer RowIndex(const TRow* Row) const {
    for (size_t i = 0; i < Rows.size(); ++i)
      if (Rows[i].get() == Row) return static_cast<Integer>(i);
    return -1;
  }
  void Fill(TRecordBuffer Buffer, Integer Index) {
    Rec(Buffer)->Row = Rows[Index].get();
    Rec(Buffer)->Flag = bfCurrent;
    Rec(Buffer)->Values = *Rows[Index];
  }
  bool Accepts(Integer Index) {
    if (!Filtered() || !OnFilterRecord()) return true;
    Fill(FilterBuffer_, Index);
    const TDataSetState old = SetTempState(dsFilter);
    bool accept = true;
    OnFilterRecord()(this, accept);
    RestoreState(old);
    return accept;
  }

  TRecordBuffer AllocRecordBuffer() override { return reinterpret_cast<TRecordBuffer>(new TRecord); }
  void FreeRecordBuffer(TRecordBuffer& Buffer) override {
    delete Rec(Buffer);
    Buffer = nullptr;
  }
  TGetResult GetRecord(TRecordBuffer Buffer, TGetMode Mode, bool) override {
    const auto count = static_cast<Integer>(Rows.size());
    if (Mode == gmCurrent) {
      if (Index_ < 0 || Index_ >= count || !Accepts(Index_)) return grError;
    } else {
      const Integer step = Mode == gmNext ? 1 : -1;
      Integer i = Index_ + step;
      while (i >= 0 && i < count && !Accepts(i)) i += step;
      Index_ = std::clamp(i, -1, count);
      if (i < 0 || i >= count) return i < 0 ? grBOF : grEOF;
    }
    Fill(Buffer, Index_);
    return grOK;
  }
  void InternalInitRecord(TRecordBuffer Buffer) override {
    Rec(Buffer)->Row = nullptr;
    Rec(Buffer)->Values.assign(FieldCount(), Null());
  }
  TBookmarkFlag GetBookmarkFlag(TRecordBuffer Buffer) override { return Rec(Buffer)->Flag; }
  void SetBookmarkFlag(TRecordBuffer Buffer, TBookmarkFlag Value) override { Rec(Buffer)->Flag = Value; }
  void GetBookmarkData(TRecordBuffer Buffer, void* Data) override {
    std::memcpy(Data, &Rec(Buffer)->Row, sizeof(TRow*));
  }
  void SetBookmarkData(TRecordBuffer Buffer, const void* Data) override {
    std::memcpy(&Rec(Buffer)->Row, Data, sizeof(TRow*));
  }
  void InternalGotoBookmark(TBookmark Bookmark) override {
    TRow* row = nullptr;
    std::memcpy(&row, Bookmark, sizeof row);
    if (RowIndex(row) < 0) DatabaseError(L"Bookmark not found");
    Index_ = RowIndex(row);
  }
  void InternalSetToRecord(TRecordBuffer Buffer) override { InternalGotoBookmark(&Rec(Buffer)->Row); }
  void InternalFirst() override { Index_ = -1; }
  void InternalLast() override { Index_ = static_cast<Integer>(Rows.size()); }
  void InternalOpen() override {
    SetBookmarkSize(sizeof(TRow*));
    if (DefaultFields()) CreateFields();
    BindFields(true);
    FilterBuffer_ = AllocRecordBuffer();
    Index_ = -1;
  }
  void InternalClose() override {
    if (FilterBuffer_) FreeRecordBuffer(FilterBuffer_);
    BindFields(false);
    if (DefaultFields()) DestroyFields();
  }
  void InternalInitFieldDefs() override {}
  bool IsCursorOpen() const override { return FieldCount() > 0; }
  void InternalHandleException() override {}
  void InternalAddRecord(TRecordBuffer Buffer, bool Append) override {
    InsertRow(Append ? static_cast<Integer>(Rows.size()) : std::max(Index_, 0), Rec(Buffer)->Values);
  }
  void InternalDelete() override { Rows.erase(Rows.begin() + Index_); }
  void InternalPost() override {
    TDataSet::InternalPost();
    TRecord* rec = Rec(ActiveBuffer());
    if (State() == dsEdit) *Rows[Index_] = rec->Values;
    else InsertRow(rec->Flag == bfEOF ? static_cast<Integer>(Rows.size()) : std::max(Index_, 0), rec->Values);
  }
  bool GetCanModify() override { return CanModifyRecords; }
  Integer GetRecordCount() override { return static_cast<Integer>(Rows.size()); }
  Integer GetRecNo() override {
    UpdateCursorPos();
    return Index_ + 1;
  }
  bool GetFieldData(TField* Field, Variant* Value) override {
    TRecord* rec = Current();
    if (!rec) return false;
    const Variant& v = rec->Values[Field->Index()];
    if (Value) *Value = v;
    return !VarIsNull(v) && !VarIsEmpty(v);
  }
  void SetFieldData(TField* Field, const Variant* Value) override {
    Current()->Values[Field->Index()] = Value ? *Value : Null();
    DataEvent(deFieldChange, reinterpret_cast<std::intptr_t>(Field));
  }
  const TClass* GetFieldClass(TFieldType FieldType) const override {
    const TClass* base = TDataSet::GetFieldClass(FieldType);
    return FieldClassMap ? FieldClassMap(base) : base;
  }

 private:
  void InsertRow(Integer At, const TRow& Values) {
    Rows.insert(Rows.begin() + At, std::make_unique<TRow>(Values));
    Index_ = At;
  }

  Integer Index_ = -1;
  TRecordBuffer FilterBuffer_ = nullptr;
};
