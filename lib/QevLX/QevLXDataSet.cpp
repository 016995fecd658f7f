#include "QevLXDataSet.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <new>

#include "Forms.h"
#include "QevDB.h"
#include "QevLXUtils.h"
#include "QevSysUtils.h"
#include "WinApi.h"

QEV_DEFINE_CLASS(TQevDataSet, QEV_PROPERTY(Sort, Sort, SetSort))

namespace {

constexpr const WideChar* QevUnitSource = L"lib\\QevLX\\QevLXDataSet";  // named by assertions

// Sorting goes through one comparison context, so one data set sorts at a time.
CRITICAL_SECTION SortLock;
TQevDataSet* SortingDataSet = nullptr;
const std::vector<TField*>* SortingFields = nullptr;

// A record buffer: this header, then one Variant per field in field order.
struct TRecordHeader {
  TQevRecordHandle Record;
  Integer ValueCount;  // kept, so freeing never depends on the fields
  Byte BookmarkFlag;
};
constexpr std::size_t ValuesOffset =
    (sizeof(TRecordHeader) + alignof(Variant) - 1) / alignof(Variant) * alignof(Variant);

TRecordHeader* HeaderOf(TRecordBuffer Buffer) { return reinterpret_cast<TRecordHeader*>(Buffer); }

Variant* ValuesOf(TRecordBuffer Buffer) {
  return std::launder(reinterpret_cast<Variant*>(Buffer + ValuesOffset));
}

Variant& ValueOf(TRecordBuffer Buffer, Integer FieldIndex) {
  QEV_ASSERT(FieldIndex >= 0 && FieldIndex < HeaderOf(Buffer)->ValueCount, L"Assertion failure");
  return ValuesOf(Buffer)[FieldIndex];
}

// The value-matching test; Options also apply to each key of several fields,
// as they do in the binary search.
bool KeysMatch(const Variant& Keys, const Variant& Wanted, TLocateOptions Options) {
  if (!Options || !VarIsArray(Keys)) return VariantsEqual(Keys, Wanted, Options);
  return VarArrayDimCount(Wanted) == 1 && CompareVariants(Keys, Wanted, Options) == 0;
}

template <typename F>
Variant KeyOf(const std::vector<TField*>& Fields, F ValueOfField) {
  if (Fields.size() == 1) return ValueOfField(Fields[0]);
  std::vector<Variant> values;
  for (TField* field : Fields) values.push_back(ValueOfField(field));
  return VarArrayOf(values);
}

}  // namespace

TQevDataSet::TQevDataSet(TComponent* AOwner)
    : TDataSet(AOwner), RecordOrder_(std::make_unique<TQevList>()) {}

TQevDataSet::~TQevDataSet() { Close(); }

// ------------------------------------------------------------ record buffers

const TClass* TQevDataSet::GetFieldClass(TFieldType FieldType) const {
  return GetUnicodeFieldClass(TDataSet::GetFieldClass(FieldType));
}

Integer TQevDataSet::GetRecordSize() {
  return static_cast<Integer>(ValuesOffset + FieldCount() * sizeof(Variant));
}

TRecordBuffer TQevDataSet::AllocRecordBuffer() {
  auto* buffer = new Byte[GetRecordSize()]();
  new (buffer) TRecordHeader{nullptr, FieldCount(), 0};
  for (Integer i = 0; i < FieldCount(); ++i) new (buffer + ValuesOffset + i * sizeof(Variant)) Variant();
  return buffer;
}

void TQevDataSet::FreeRecordBuffer(TRecordBuffer& Buffer) {
  if (!Buffer) return;
  std::destroy_n(ValuesOf(Buffer), HeaderOf(Buffer)->ValueCount);
  delete[] Buffer;
  Buffer = nullptr;
}

void TQevDataSet::InternalInitRecord(TRecordBuffer Buffer) {
  TRecordHeader* header = HeaderOf(Buffer);
  header->Record = nullptr;
  header->BookmarkFlag = 0;
  for (Integer i = 0; i < header->ValueCount; ++i) ValuesOf(Buffer)[i] = Null();
}

void TQevDataSet::ReadRecord(TQevRecordHandle Record, TRecordBuffer Buffer) {
  HeaderOf(Buffer)->Record = Record;
  HeaderOf(Buffer)->BookmarkFlag = bfCurrent;
  for (Integer i = 0; i < HeaderOf(Buffer)->ValueCount; ++i)
    ValuesOf(Buffer)[i] = GetRecordValue(Record, i);
}

TGetResult TQevDataSet::GetRecord(TRecordBuffer Buffer, TGetMode GetMode, bool DoCheck) {
  TGetResult result = grOK;
  const Integer count = RecordOrder_->Count();
  if (count == 0) {
    Current_ = -1;
    result = grEOF;
  } else if (GetMode == gmCurrent) {
    if (Current_ < 0 || Current_ >= count) result = grError;
  } else if (GetMode == gmNext) {
    if (Current_ < count - 1) {
      ++Current_;
    } else {
      Current_ = count;
      result = grEOF;
    }
  } else if (Current_ < 1) {
    Current_ = -1;
    result = grBOF;
  } else {
    --Current_;
  }
  if (result == grOK) {
    ReadRecord(RecordOrder_->Get(Current_), Buffer);
    return result;
  }
  InternalInitRecord(Buffer);
  if (result == grError && DoCheck)
    DatabaseError(L"Internal Error: TQevDataSet.InternalGetRecord has no current record.");
  return result;
}

TRecordBuffer TQevDataSet::CurrentBuffer() const {
  return State() == dsFilter ? FilterBuffer_ : ActiveBuffer();
}

bool TQevDataSet::GetFieldData(TField* Field, Variant* Value) {
  TRecordBuffer buffer = CurrentBuffer();
  CheckAssigned(buffer, L"ActiveBuffer");
  const Variant& value = ValueOf(buffer, Field->Index());
  if (IsNullOrEmpty(value)) return false;
  if (Value) *Value = value;
  return true;
}

void TQevDataSet::SetFieldData(TField* Field, const Variant* Value) {
  TRecordBuffer buffer = CurrentBuffer();
  CheckAssigned(buffer, L"ActiveBuffer");
  ValueOf(buffer, Field->Index()) = Value ? *Value : Null();
  DataEvent(deFieldChange, reinterpret_cast<std::intptr_t>(Field));
}

// ----------------------------------------------------------------- bookmarks

TBookmarkFlag TQevDataSet::GetBookmarkFlag(TRecordBuffer Buffer) {
  return static_cast<TBookmarkFlag>(HeaderOf(Buffer)->BookmarkFlag);
}

void TQevDataSet::SetBookmarkFlag(TRecordBuffer Buffer, TBookmarkFlag Value) {
  HeaderOf(Buffer)->BookmarkFlag = static_cast<Byte>(Value);
}

void TQevDataSet::GetBookmarkData(TRecordBuffer Buffer, void* Data) {
  std::memcpy(Data, &HeaderOf(Buffer)->Record, sizeof(TQevRecordHandle));
}

void TQevDataSet::SetBookmarkData(TRecordBuffer Buffer, const void* Data) {
  std::memcpy(&HeaderOf(Buffer)->Record, Data, sizeof(TQevRecordHandle));
}

void TQevDataSet::InternalGotoBookmark(TBookmark Bookmark) {
  TQevRecordHandle record;
  std::memcpy(&record, Bookmark, sizeof(record));
  Integer index = RecordOrder_->IndexOf(record);
  if (index < 0) DatabaseError(L"Bookmark not found.");
  Current_ = index;
}

void TQevDataSet::InternalSetToRecord(TRecordBuffer Buffer) {
  InternalGotoBookmark(&HeaderOf(Buffer)->Record);
}

Integer TQevDataSet::CompareBookmarks(TBookmark Bookmark1, TBookmark Bookmark2) {
  if (!Bookmark1 || !Bookmark2) return TDataSet::CompareBookmarks(Bookmark1, Bookmark2);
  TQevRecordHandle record1, record2;
  std::memcpy(&record1, Bookmark1, sizeof(record1));
  std::memcpy(&record2, Bookmark2, sizeof(record2));
  Integer index1 = RecordOrder_->IndexOf(record1), index2 = RecordOrder_->IndexOf(record2);
  return (index1 > index2) - (index1 < index2);
}

// -------------------------------------------------------------------- cursor

void TQevDataSet::InternalFirst() { Current_ = -1; }

void TQevDataSet::InternalLast() { Current_ = RecordOrder_->Count(); }

bool TQevDataSet::IsCursorOpen() const { return FieldCount() > 0; }

void TQevDataSet::InternalHandleException() { Application->HandleException(this); }

Integer TQevDataSet::GetRecordCount() { return RecordOrder_->Count(); }

Integer TQevDataSet::GetRecNo() {
  UpdateCursorPos();
  return Current_ + 1;
}

void TQevDataSet::SetRecNo(Integer Value) {
  UpdateCursorPos();
  Current_ = Value - 1;
  SnapRecordPosition(false);
  Resync({});
}

void TQevDataSet::SnapRecordPosition(bool RequireRecords) {
  Current_ = std::max(std::min(Current_, RecordOrder_->Count() - 1), 0);
  if (RequireRecords && RecordOrder_->Count() == 0)
    DatabaseError(L"Internal Error: SnapRecordPosition() required a record count.");
}

void TQevDataSet::InternalOpen() {
  SetBookmarkSize(sizeof(TQevRecordHandle));
  Current_ = -1;
  InternalInitFieldDefs();
  if (DefaultFields()) CreateFields();
  AfterCreateFields();
  BindFields(true);
  QEV_ASSERT(FieldCount() <= 4095, L"TQevDataSet.InternalOpen: FieldCount exceeds limits.");
  QEV_ASSERT(FieldCount() >= 1, L"TQevDataSet.InternalOpen: FieldCount must be greater than zero.");
  ReloadRecords();
}

void TQevDataSet::InternalClose() {
  if (DefaultFields()) DestroyFields();
  Current_ = -1;
  RecordOrder_->Clear();
}

void TQevDataSet::InternalRefresh() {
  UpdateCursorPos();
  ReloadRecords();
}

void TQevDataSet::ReloadRecords() {
  const Integer old = Current_;
  TQevRecordHandle record =
      old >= 0 && old < RecordOrder_->Count() ? RecordOrder_->Get(old) : nullptr;
  LoadRecordList(RecordOrder_.get(), record);
  FilterRecordList(RecordOrder_.get());
  SortRecordList(RecordOrder_.get());
  if (!record) return;
  Integer index = RecordOrder_->IndexOf(record);
  if (index >= 0)
    Current_ = index;
  else if (old >= RecordOrder_->Count())
    Current_ = -1;  // the caller resyncs
}

// ------------------------------------------------------------------- editing

void TQevDataSet::InternalAddRecord(TRecordBuffer Buffer, bool Append) {
  if (Append) SetBookmarkFlag(Buffer, bfEOF);
  InternalPost();
}

void TQevDataSet::InternalDelete() {
  SnapRecordPosition(true);
  FreeRecord(RecordOrder_->Get(Current_));
  RecordOrder_->Delete(Current_);
  if (RecordOrder_->Count() > 0) {
    SnapRecordPosition(false);
  } else {
    Current_ = -1;
    CursorPosChanged();  // the caller resyncs
  }
}

void TQevDataSet::InternalPost() {
  TDataSet::InternalPost();
  const bool inserting = State() == dsInsert;
  SnapRecordPosition(!inserting);
  TQevRecordHandle record = inserting ? NewRecord() : RecordOrder_->Get(Current_);
  TRecordBuffer buffer = ActiveBuffer();
  for (Integer i = 0; i < FieldCount(); ++i) SetRecordValue(record, i, ValueOf(buffer, i));
  if (!inserting) RecordOrder_->Delete(Current_);
  Integer position = Current_;
  try {
    if (!Sort_.empty())
      QuickFind(BufferKey(buffer, FieldsOf(Sort_)), position, true, loCaseInsensitive);
    else if (inserting && GetBookmarkFlag(buffer) == bfEOF)
      position = RecordOrder_->Count();
  } catch (...) {
    // The record stays in the order where it was, so no handle is lost.
    RecordOrder_->Insert(Current_, record);
    throw;
  }
  RecordOrder_->Insert(position, record);
  Current_ = position;
}

// -------------------------------------------------------------------- search

std::vector<TField*> TQevDataSet::FieldsOf(const AnsiString& FieldNames) const {
  TList list;
  GetFieldList(&list, FieldNames);
  std::vector<TField*> fields;
  for (Integer i = 0; i < list.Count(); ++i) fields.push_back(static_cast<TField*>(list.Get(i)));
  return fields;
}

Variant TQevDataSet::RecordKey(TQevRecordHandle Record, const std::vector<TField*>& Fields) {
  return KeyOf(Fields, [&](TField* field) { return GetRecordValue(Record, field->Index()); });
}

Variant TQevDataSet::BufferKey(TRecordBuffer Buffer, const std::vector<TField*>& Fields) const {
  return KeyOf(Fields, [&](TField* field) { return ValueOf(Buffer, field->Index()); });
}

bool TQevDataSet::QuickFind(const Variant& KeyValues, Integer& Index, bool FirstMatch,
                            TLocateOptions Options) {
  QEV_ASSERT(!Sort_.empty(), L"QuickFind requires Sort fields.");
  const std::vector<TField*> fields = FieldsOf(Sort_);
  Integer lo = 0, hi = RecordOrder_->Count() - 1;
  bool found = false;
  while (hi >= lo) {
    Integer mid = (lo + hi) / 2;
    Integer c = CompareVariants(RecordKey(RecordOrder_->Get(mid), fields), KeyValues, Options);
    if (c < 0) {
      lo = mid + 1;
    } else {
      hi = mid - 1;
      if (c == 0) {
        found = true;
        if (!FirstMatch) lo = mid;
      }
    }
  }
  Index = lo;
  return found;
}

// The order is case-insensitive, so the search must be too; among the rows
// it finds equal, Options pick the first that matches.
Integer TQevDataSet::FindSorted(const Variant& KeyValues, TLocateOptions Options) {
  const TLocateOptions order = Options | loCaseInsensitive;
  Integer index;
  if (!QuickFind(KeyValues, index, true, order)) return -1;
  const std::vector<TField*> fields = FieldsOf(Sort_);
  for (; index < RecordOrder_->Count(); ++index) {
    Variant keys = RecordKey(RecordOrder_->Get(index), fields);
    if (CompareVariants(keys, KeyValues, order) != 0) break;
    if (KeysMatch(keys, KeyValues, Options)) return index;
  }
  return -1;
}

Integer TQevDataSet::LocateIndex(const AnsiString& KeyFields, const Variant& KeyValues,
                                 TLocateOptions Options) {
  CheckBrowseMode();
  try {
    const std::vector<TField*> fields = FieldsOf(KeyFields);
    if (!Sort_.empty() && fields == FieldsOf(Sort_)) return FindSorted(KeyValues, Options);
    for (Integer i = 0; i < RecordOrder_->Count(); ++i)
      if (KeysMatch(RecordKey(RecordOrder_->Get(i), fields), KeyValues, Options)) return i;
  } catch (...) {
    TraceDroppedException(L"TQevDataSet.LocateIndex");
  }
  return -1;
}

bool TQevDataSet::Locate(const AnsiString& KeyFields, const Variant& KeyValues,
                         TLocateOptions Options) {
  Integer index = LocateIndex(KeyFields, KeyValues, Options);
  if (index < 0) return false;
  DoBeforeScroll();
  Current_ = index;
  Resync({rmExact, rmCenter});
  DoAfterScroll();
  return true;
}

Variant TQevDataSet::Lookup(const AnsiString& KeyFields, const Variant& KeyValues,
                            const AnsiString& ResultFields) {
  Integer index = LocateIndex(KeyFields, KeyValues, 0);
  if (index < 0) return Null();
  return RecordKey(RecordOrder_->Get(index), FieldsOf(ResultFields));
}

// ------------------------------------------------------ filtering and sorting

bool TQevDataSet::FilteringOn() const {
  return Filtered() && (OnFilterRecord().Assigned() || !Filter().empty());
}

void TQevDataSet::RefreshFilter(bool WasOn, bool Changed) {
  bool on = FilteringOn();
  if (Active() && (WasOn != on || (on && Changed))) Refresh();
}

void TQevDataSet::SetFiltered(bool Value) {
  bool wasOn = FilteringOn();
  TDataSet::SetFiltered(Value);
  RefreshFilter(wasOn, false);
}

void TQevDataSet::SetFilterText(const AnsiString& Value) {
  bool wasOn = FilteringOn(), changed = Value != Filter();
  TDataSet::SetFilterText(Value);
  RefreshFilter(wasOn, changed);
}

void TQevDataSet::SetFilterOptions(TFilterOptions Value) {
  bool wasOn = FilteringOn(), changed = !(Value == FilterOptions());
  TDataSet::SetFilterOptions(Value);
  RefreshFilter(wasOn, changed);
}

void TQevDataSet::SetOnFilterRecord(TFilterRecordEvent Value) {
  bool wasOn = FilteringOn(), changed = Value.Method().Code != OnFilterRecord().Method().Code;
  TDataSet::SetOnFilterRecord(Value);
  RefreshFilter(wasOn, changed);
}

void TQevDataSet::SetSort(const AnsiString& Value) {
  if (Value == Sort_) return;
  Sort_ = Value;
  if (Active()) Refresh();
}

// OnFilterRecord sees each record in a buffer of its own, so the active
// record and the cursor stay as they are.
void TQevDataSet::FilterRecordList(TQevList* List) {
  if (!FilteringOn()) return;
  TRecordBuffer buffer = AllocRecordBuffer();
  TRestore<TRecordBuffer> filterBuffer(FilterBuffer_, buffer);
  const TDataSetState state = SetTempState(dsFilter);
  TScopeExit restore([&] {
    RestoreState(state);
    FreeRecordBuffer(buffer);
  });
  TQevList accepted;
  for (Integer i = 0; i < List->Count(); ++i) {
    ReadRecord(List->Get(i), buffer);
    bool accept = false;
    if (!OnFilterRecord())
      throw EQevGeneralError(L"TQevDataSet.Filter property is not supported yet.");
    OnFilterRecord()(this, accept);
    if (accept) accepted.Add(List->Get(i));
  }
  List->Assign(&accepted);
}

Integer TQevDataSet::CompareSortKeys(void* Record1, void* Record2) {
  return CompareVariants(SortingDataSet->RecordKey(Record1, *SortingFields),
                         SortingDataSet->RecordKey(Record2, *SortingFields), loCaseInsensitive);
}

void TQevDataSet::SortRecordList(TQevList* List) {
  if (Sort_.empty()) return;
  EnterCriticalSection(&SortLock);
  TScopeExit leave([] {
    SortingDataSet = nullptr;
    SortingFields = nullptr;
    LeaveCriticalSection(&SortLock);
  });
  std::vector<TField*> fields;
  try {
    fields = FieldsOf(Sort_);
  } catch (...) {
    Sort_.clear();
    throw;
  }
  SortingDataSet = this;
  SortingFields = &fields;
  List->Sort(CompareSortKeys);
}

void Initialization_QevLXDataSet() { InitializeCriticalSection(&SortLock); }

void Finalization_QevLXDataSet() { DeleteCriticalSection(&SortLock); }
