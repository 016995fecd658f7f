// The framework's in-memory data set: records that a descendant keeps and
// names by pointer-sized handles, shown in an order that the data set filters
// with OnFilterRecord and sorts by its Sort fields, with binary search when a
// search is on the sort fields.
#pragma once

#include <memory>
#include <vector>

#include "DB.h"
#include "QevLXClasses.h"

// A record of the descendant; it doubles as the bookmark.
using TQevRecordHandle = void*;

class TQevDataSet : public TDataSet {
  QEV_CLASS(TQevDataSet, TDataSet)
 public:
  explicit TQevDataSet(TComponent* AOwner);
  ~TQevDataSet() override;

  // Field names separated by ";"; a change re-sorts an open data set.
  const AnsiString& Sort() const { return Sort_; }
  void SetSort(const AnsiString& Value);

  // Strings of the sort fields order case-insensitively; a search on them
  // follows that order whatever Options say, and Options decide the match.
  bool Locate(const AnsiString& KeyFields, const Variant& KeyValues,
              TLocateOptions Options) override;
  Variant Lookup(const AnsiString& KeyFields, const Variant& KeyValues,
                 const AnsiString& ResultFields) override;
  Integer CompareBookmarks(TBookmark Bookmark1, TBookmark Bookmark2) override;
  void SetRecNo(Integer Value) override;

  void SetFiltered(bool Value) override;
  void SetFilterText(const AnsiString& Value) override;
  void SetFilterOptions(TFilterOptions Value) override;
  void SetOnFilterRecord(TFilterRecordEvent Value) override;

  bool GetFieldData(TField* Field, Variant* Value) override;
  void SetFieldData(TField* Field, const Variant* Value) override;

 protected:
  // The Unicode counterparts of the platform's text and date fields.
  const TClass* GetFieldClass(TFieldType FieldType) const override;
  TRecordBuffer AllocRecordBuffer() override;
  void FreeRecordBuffer(TRecordBuffer& Buffer) override;
  TGetResult GetRecord(TRecordBuffer Buffer, TGetMode GetMode, bool DoCheck) override;
  Integer GetRecordSize() override;
  void InternalInitRecord(TRecordBuffer Buffer) override;
  TBookmarkFlag GetBookmarkFlag(TRecordBuffer Buffer) override;
  void SetBookmarkFlag(TRecordBuffer Buffer, TBookmarkFlag Value) override;
  void GetBookmarkData(TRecordBuffer Buffer, void* Data) override;
  void SetBookmarkData(TRecordBuffer Buffer, const void* Data) override;
  void InternalGotoBookmark(TBookmark Bookmark) override;
  void InternalSetToRecord(TRecordBuffer Buffer) override;
  void InternalFirst() override;
  void InternalLast() override;
  void InternalOpen() override;
  void InternalClose() override;
  bool IsCursorOpen() const override;
  void InternalHandleException() override;
  void InternalAddRecord(TRecordBuffer Buffer, bool Append) override;
  void InternalDelete() override;
  void InternalPost() override;
  void InternalRefresh() override;
  Integer GetRecordCount() override;
  Integer GetRecNo() override;

  // ------------------------------------------------- the descendant's records
  // List becomes the handles of all records.
  virtual void LoadRecordList(TQevList* List, TQevRecordHandle CurrentRecord) = 0;
  virtual Variant GetRecordValue(TQevRecordHandle Record, Integer FieldIndex) = 0;
  virtual void SetRecordValue(TQevRecordHandle Record, Integer FieldIndex,
                              const Variant& Value) = 0;
  virtual void FreeRecord(TQevRecordHandle Record) = 0;
  virtual TQevRecordHandle NewRecord() = 0;

  // The position in the record order, or -1; any failure counts as not found.
  virtual Integer LocateIndex(const AnsiString& KeyFields, const Variant& KeyValues,
                              TLocateOptions Options);
  virtual void FilterRecordList(TQevList* List);
  virtual void SortRecordList(TQevList* List);
  // Runs while opening, after the fields exist and before they are bound.
  virtual void AfterCreateFields() {}

  // Binary search of the sort order. Index: the first match with FirstMatch,
  // else the place KeyValues would go when nothing matches.
  bool QuickFind(const Variant& KeyValues, Integer& Index, bool FirstMatch,
                 TLocateOptions Options);
  // The key values of a stored record: one value, or an array for several fields.
  Variant RecordKey(TQevRecordHandle Record, const std::vector<TField*>& Fields);
  std::vector<TField*> FieldsOf(const AnsiString& FieldNames) const;
  bool FilteringOn() const;
  TQevList* RecordOrder() const { return RecordOrder_.get(); }

 private:
  static Integer CompareSortKeys(void* Record1, void* Record2);

  TRecordBuffer CurrentBuffer() const;
  Variant BufferKey(TRecordBuffer Buffer, const std::vector<TField*>& Fields) const;
  Integer FindSorted(const Variant& KeyValues, TLocateOptions Options);
  void SnapRecordPosition(bool RequireRecords);
  void ReloadRecords();
  void ReadRecord(TQevRecordHandle Record, TRecordBuffer Buffer);
  void RefreshFilter(bool WasOn, bool Changed);

  std::unique_ptr<TQevList> RecordOrder_;
  Integer Current_ = -1;  // -1 before the first record, RecordCount after the last
  AnsiString Sort_;
  TRecordBuffer FilterBuffer_ = nullptr;  // the record OnFilterRecord sees
};

void Initialization_QevLXDataSet();  // makes SortLock
void Finalization_QevLXDataSet();
