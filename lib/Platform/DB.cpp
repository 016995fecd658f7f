// The data set: opening, navigation, bookmarks, editing and search.
#include "DB.h"

#include <cstdlib>

#include "WinApi.h"

QEV_RESOURCESTRING(DBConsts, SNotEditing, L"Dataset not in edit or insert mode");
QEV_RESOURCESTRING(DBConsts, SDataSetClosed, L"Cannot perform this operation on a closed dataset");
QEV_RESOURCESTRING(DBConsts, SDataSetOpen, L"Cannot perform this operation on an open dataset");
QEV_RESOURCESTRING(DBConsts, SDataSetEmpty, L"Cannot perform this operation on an empty dataset");
QEV_RESOURCESTRING(DBConsts, SDataSetReadOnly, L"Cannot modify a read-only dataset");
QEV_RESOURCESTRING(DBConsts, SRecordNotFound, L"Record not found");
QEV_RESOURCESTRING(DBConsts, SFieldNotFound, L"Field '%s' not found");

QEV_DEFINE_CLASS(TDataSet)

void DatabaseError(const WideString& Message, const TComponent* Component) {
  if (Component && !Component->Name().empty())
    throw EDatabaseError(AnsiToWide(Component->Name()) + L": " + Message);
  throw EDatabaseError(Message);
}

void DatabaseErrorFmt(const TResStringRec& Message, TConstArray Args, const TComponent* Component) {
  DatabaseError(WideFormat(LoadResString(Message), Args), Component);
}

namespace {

// A key value against a field's value: text under the options, anything
// else by the runtime's comparison; values that cannot be compared differ.
bool ValueMatches(const Variant& Value, const Variant& Key, TLocateOptions Options) {
  if (VarIsNull(Key) || VarIsEmpty(Key) || VarIsNull(Value) || VarIsEmpty(Value))
    return (VarIsNull(Key) || VarIsEmpty(Key)) && (VarIsNull(Value) || VarIsEmpty(Value));
  try {
    if (!VarIsStr(Key) || !Options) return Value == Key;
    WideString text = VarToWideStr(Value);
    const WideString key = VarToWideStr(Key);
    if ((Options & loPartialKey) && text.size() > key.size()) text.resize(key.size());
    return Options & loCaseInsensitive ? WideSameText(text, key) : text == key;
  } catch (EVariantError&) {
    TraceDroppedException(L"DB ValueMatches");
    return false;
  }
}

Variant KeyAt(const Variant& KeyValues, Integer Index, Integer Count) {
  if (Count == 1 && !VarIsArray(KeyValues)) return KeyValues;
  return VarArrayGet(KeyValues, {VarArrayLowBound(KeyValues, 1) + Index});
}

}  // namespace

// ------------------------------------------------------------ life and state

TDataSet::TDataSet(TComponent* AOwner)
    : TComponent(AOwner), FieldDefs_(std::make_unique<TFieldDefs>(this)) {}

TDataSet::~TDataSet() {
  // An open data set here means its descendant did not close it: its buffers
  // cannot be given back any more.
  if (Active()) OutputDebugStringW(L"TDataSet destroyed while open");
  DestroyFields();
}

void TDataSet::CheckActive() const {
  if (State_ == dsInactive) DatabaseError(LoadResString(SDataSetClosed), this);
}

void TDataSet::CheckInactive() const {
  if (State_ != dsInactive) DatabaseError(LoadResString(SDataSetOpen), this);
}

void TDataSet::SetState(TDataSetState Value) {
  if (State_ == Value) return;
  State_ = Value;
  Modified_ = false;
  DataEvent(deUpdateState, 0);
}

TDataSetState TDataSet::SetTempState(TDataSetState Value) {
  const TDataSetState old = State_;
  State_ = Value;
  return old;
}

void TDataSet::DataEvent(TDataEvent Event, std::intptr_t Info) {
  if (Event != deFieldChange) return;
  Modified_ = true;
  if (auto* field = reinterpret_cast<TField*>(Info); field && field->OnChange) field->OnChange(field);
}

void TDataSet::SetActive(bool Value) {
  if (ComponentState().Contains(csReading)) {
    StreamedActive_ = Value;
    return;
  }
  if (Value == Active()) return;
  const bool destroying = ComponentState().Contains(csDestroying);
  if (Value) {
    DoBeforeOpen();
    try {
      OpenCursor();
    } catch (...) {
      State_ = dsInactive;
      try {
        CloseCursor();
      } catch (...) {
        TraceDroppedException(L"TDataSet::SetActive");
      }
      throw;
    }
    DoAfterOpen();
    DoAfterScroll();
    return;
  }
  if (!destroying) DoBeforeClose();
  SetState(dsInactive);
  CloseCursor();
  if (!destroying) DoAfterClose();
}

void TDataSet::Loaded() {
  TComponent::Loaded();
  if (!StreamedActive_) return;
  try {
    SetActive(true);
  } catch (...) {
    if (!ComponentState().Contains(csDesigning)) throw;
    InternalHandleException();
  }
}

void TDataSet::OpenCursor() {
  DefaultFields_ = FieldCount() == 0;
  InternalOpen();
  Buf_ = AllocRecordBuffer();
  Scratch_ = AllocRecordBuffer();
  SetState(dsBrowse);
  ClearBuffers();
  InternalFirst();
  FetchRecord(gmNext);
  Eof_ = !HasRecord_;
}

void TDataSet::CloseCursor() {
  if (Scratch_) FreeRecordBuffer(Scratch_);
  if (Buf_) FreeRecordBuffer(Buf_);
  Buf_ = Scratch_ = nullptr;
  HasRecord_ = CursorAtActive_ = false;
  Bof_ = Eof_ = true;
  InternalClose();
}

// ---------------------------------------------------------------- buffers

void TDataSet::ClearBuffers() {
  HasRecord_ = CursorAtActive_ = false;
  Bof_ = Eof_ = true;
  if (Buf_) InternalInitRecord(Buf_);  // fields of an empty data set read Null
}

void TDataSet::TakeScratch() {
  std::swap(Buf_, Scratch_);
  HasRecord_ = CursorAtActive_ = true;
}

// A failed read leaves the active record as it was; the cursor has moved off it.
bool TDataSet::FetchRecord(TGetMode Mode) {
  if (GetRecord(Scratch_, Mode, true) != grOK) {
    CursorAtActive_ = false;
    return false;
  }
  TakeScratch();
  return true;
}

void TDataSet::InitRecord(TRecordBuffer Buffer) {
  InternalInitRecord(Buffer);
  ClearCalcFields(Buffer);
  SetBookmarkFlag(Buffer, bfInserted);
}

void TDataSet::UpdateCursorPos() {
  if (!HasRecord_ || CursorAtActive_) return;
  InternalSetToRecord(Buf_);
  CursorAtActive_ = true;
}

void TDataSet::Resync(TResyncMode Mode) {
  if (!Scratch_) return;  // not open yet: nothing is shown
  if (Mode.Contains(rmExact)) {
    CursorPosChanged();
    if (GetRecord(Scratch_, gmCurrent, true) != grOK) DatabaseError(LoadResString(SRecordNotFound), this);
  } else if (GetRecord(Scratch_, gmCurrent, false) != grOK &&
             GetRecord(Scratch_, gmNext, false) != grOK &&
             GetRecord(Scratch_, gmPrior, false) != grOK) {
    ClearBuffers();
    DataEvent(deDataSetChange, 0);
    return;
  }
  TakeScratch();
  Bof_ = Eof_ = false;
  DataEvent(deDataSetChange, 0);
}

void TDataSet::Refresh() {
  CheckBrowseMode();
  UpdateCursorPos();
  InternalRefresh();
  Resync({});
}

// ------------------------------------------------------------- navigation

void TDataSet::First() { MoveToEnd(false); }
void TDataSet::Last() { MoveToEnd(true); }

void TDataSet::MoveToEnd(bool ToLast) {
  CheckBrowseMode();
  DoBeforeScroll();
  ClearBuffers();
  if (ToLast) InternalLast();
  else InternalFirst();
  FetchRecord(ToLast ? gmPrior : gmNext);
  (ToLast ? Bof_ : Eof_) = !HasRecord_;
  DataEvent(deDataSetChange, 0);
  DoAfterScroll();
}

Integer TDataSet::MoveBy(Integer Distance) {
  CheckBrowseMode();
  Integer moved = 0;
  if ((Distance > 0 && !Eof_) || (Distance < 0 && !Bof_)) {
    Bof_ = Eof_ = false;
    DoBeforeScroll();
    UpdateCursorPos();
    const Integer step = Distance > 0 ? 1 : -1;
    while (moved != Distance) {
      if (!FetchRecord(step > 0 ? gmNext : gmPrior)) {
        (step > 0 ? Eof_ : Bof_) = true;
        break;
      }
      moved += step;
    }
    DataEvent(deDataSetScroll, moved);
    DoAfterScroll();
  }
  return moved;
}

void TDataSet::SetRecNo(Integer) {}

// -------------------------------------------------------------- bookmarks

bool TDataSet::BookmarkAvailable() const {
  return Active() && State_ != dsInsert && HasRecord_ &&
         const_cast<TDataSet*>(this)->GetBookmarkFlag(Buf_) == bfCurrent;
}

TBookmark TDataSet::GetBookmark() {
  if (!BookmarkAvailable()) return nullptr;
  auto* bookmark = new Byte[BookmarkSize_];
  GetBookmarkData(Buf_, bookmark);
  return bookmark;
}

void TDataSet::FreeBookmark(TBookmark Bookmark) { delete[] static_cast<Byte*>(Bookmark); }

TBookmarkStr TDataSet::Bookmark() const {
  if (!BookmarkAvailable()) return {};
  TBookmarkStr data(BookmarkSize_, '\0');
  const_cast<TDataSet*>(this)->GetBookmarkData(Buf_, data.data());
  return data;
}

void TDataSet::SetBookmark(const TBookmarkStr& Value) {
  TBookmarkStr data = Value;
  GotoBookmark(data.empty() ? nullptr : data.data());
}

void TDataSet::GotoBookmark(TBookmark Bookmark) {
  if (!Bookmark) return;
  CheckBrowseMode();
  DoBeforeScroll();
  InternalGotoBookmark(Bookmark);
  Resync({rmExact, rmCenter});
  DoAfterScroll();
}

bool TDataSet::BookmarkValid(TBookmark Bookmark) {
  if (!Bookmark || !Active() || State_ == dsInsert) return false;
  bool valid = false;
  try {
    InternalGotoBookmark(Bookmark);
    valid = GetRecord(Scratch_, gmCurrent, false) == grOK;
  } catch (EDatabaseError&) {
    TraceDroppedException(L"TDataSet::BookmarkValid");
  }
  CursorPosChanged();
  return valid;
}

Integer TDataSet::CompareBookmarks(TBookmark Bookmark1, TBookmark Bookmark2) {
  if (!Bookmark1 || !Bookmark2) return Bookmark1 ? 1 : Bookmark2 ? -1 : 0;
  return 0;
}

// ---------------------------------------------------------------- editing

void TDataSet::CheckCanModify() {
  if (!GetCanModify()) DatabaseError(LoadResString(SDataSetReadOnly), this);
}

// The platform's retry loop: the error event decides what an EDatabaseError
// of the operation leads to.
void TDataSet::CheckOperation(TOperation Operation, const TDataSetErrorEvent& ErrorEvent) {
  for (;;) {
    try {
      UpdateCursorPos();
      (this->*Operation)();
      return;
    } catch (EDatabaseError& E) {
      TDataAction action = daFail;
      if (ErrorEvent) ErrorEvent(this, E, action);
      if (action == daFail) throw;
      if (action == daAbort) Abort();
    }
  }
}

void TDataSet::UpdateRecord() {
  if (State_ != dsEdit && State_ != dsInsert) DatabaseError(LoadResString(SNotEditing), this);
  DataEvent(deUpdateRecord, 0);
}

void TDataSet::CheckBrowseMode() {
  CheckActive();
  DataEvent(deCheckBrowseMode, 0);
  if (State_ != dsEdit && State_ != dsInsert) return;
  UpdateRecord();
  if (Modified_) Post();
  else Cancel();
}

void TDataSet::BeginInsertAppend() {
  CheckBrowseMode();
  CheckCanModify();
  DoBeforeInsert();
  DoBeforeScroll();
}

void TDataSet::EndInsertAppend() {
  SetState(dsInsert);
  try {
    DoOnNewRecord();
  } catch (...) {
    SetState(dsBrowse);
    Resync({});
    throw;
  }
  Modified_ = false;
  DataEvent(deDataSetChange, 0);
  DoAfterInsert();
  DoAfterScroll();
}

// The new buffer carries the bookmark of the record it goes before, so that
// putting the cursor on it puts the cursor there.
void TDataSet::Insert() {
  BeginInsertAppend();
  UpdateCursorPos();
  std::vector<Byte> before;
  if (HasRecord_) {
    before.resize(BookmarkSize_);
    GetBookmarkData(Buf_, before.data());
  }
  const bool hadRecord = HasRecord_;
  InitRecord(Buf_);
  if (hadRecord) SetBookmarkData(Buf_, before.data());
  else SetBookmarkFlag(Buf_, bfBOF);
  HasRecord_ = CursorAtActive_ = true;
  InternalInsert();
  EndInsertAppend();
}

// The cursor waits after the last record, where the new one goes.
void TDataSet::Append() {
  BeginInsertAppend();
  ClearBuffers();
  InitRecord(Buf_);
  SetBookmarkFlag(Buf_, bfEOF);
  InternalLast();
  HasRecord_ = CursorAtActive_ = true;
  Bof_ = false;
  InternalInsert();
  EndInsertAppend();
}

void TDataSet::Edit() {
  if (State_ == dsEdit || State_ == dsInsert) return;
  CheckActive();
  if (!HasRecord_) {
    Insert();
    return;
  }
  CheckBrowseMode();
  CheckCanModify();
  DoBeforeEdit();
  CheckOperation(&TDataSet::InternalEdit, OnEditError);
  SetState(dsEdit);
  DataEvent(deRecordChange, 0);
  DoAfterEdit();
}

void TDataSet::Post() {
  UpdateRecord();
  DataEvent(deCheckBrowseMode, 0);
  DoBeforePost();
  CheckOperation(&TDataSet::InternalPost, OnPostError);
  SetState(dsBrowse);
  Resync({});
  DoAfterPost();
}

void TDataSet::Cancel() {
  if (State_ != dsEdit && State_ != dsInsert) return;
  DataEvent(deCheckBrowseMode, 0);
  DoBeforeCancel();
  UpdateCursorPos();
  InternalCancel();
  SetState(dsBrowse);
  Resync({});
  DoAfterCancel();
}

void TDataSet::Delete() {
  CheckActive();
  if (State_ == dsInsert) {
    Cancel();
    return;
  }
  if (!HasRecord_) DatabaseError(LoadResString(SDataSetEmpty), this);
  CheckCanModify();
  DataEvent(deCheckBrowseMode, 0);
  DoBeforeDelete();
  DoBeforeScroll();
  CheckOperation(&TDataSet::InternalDelete, OnDeleteError);
  SetState(dsBrowse);
  Resync({});
  DoAfterDelete();
  DoAfterScroll();
}

void TDataSet::InternalPost() {
  for (TField* field : Fields_)
    if (field->Required() && !field->ReadOnly() && field->IsNull())
      DatabaseErrorFmt(SFieldRequired, {field->DisplayName()});
}

void TDataSet::AddRecord(const std::vector<Variant>& Values, bool Append) {
  BeginInsertAppend();
  if (Append) ClearBuffers();
  else UpdateCursorPos();
  InitRecord(Buf_);
  if (Append) SetBookmarkFlag(Buf_, bfEOF);
  HasRecord_ = CursorAtActive_ = true;
  SetState(dsInsert);
  try {
    for (size_t i = 0; i < Values.size() && i < Fields_.size(); ++i)
      Fields_[i]->SetAsVariant(Values[i]);
    DoBeforePost();
    InternalAddRecord(Buf_, Append);
  } catch (...) {
    SetState(dsBrowse);
    Resync({});
    throw;
  }
  SetState(dsBrowse);
  Resync({});
  DoAfterPost();
  DoAfterScroll();
}

// ----------------------------------------------------------------- search

// Reads the records into the scratch buffer, shown as the active one while
// the fields are compared, and leaves the cursor off the active record.
bool TDataSet::FindRecord(const TList& Fields, const Variant& KeyValues, TLocateOptions Options,
                          std::vector<Byte>& Bookmark) {
  std::swap(Buf_, Scratch_);
  TScopeExit back([this] { std::swap(Buf_, Scratch_); });
  CursorPosChanged();
  InternalFirst();
  while (GetRecord(Buf_, gmNext, true) == grOK) {
    bool match = true;
    for (Integer i = 0; match && i < Fields.Count(); ++i)
      match = ValueMatches(static_cast<TField*>(Fields.Get(i))->GetAsVariant(),
                           KeyAt(KeyValues, i, Fields.Count()), Options);
    if (!match) continue;
    Bookmark.resize(BookmarkSize_);
    GetBookmarkData(Buf_, Bookmark.data());
    return true;
  }
  return false;
}

bool TDataSet::Locate(const AnsiString& KeyFields, const Variant& KeyValues,
                      TLocateOptions Options) {
  CheckBrowseMode();
  TList fields;
  GetFieldList(&fields, KeyFields);
  std::vector<Byte> bookmark;
  DisableControls();
  TScopeExit enable([this] { EnableControls(); });
  if (!FindRecord(fields, KeyValues, Options, bookmark)) return false;
  DoBeforeScroll();
  InternalGotoBookmark(bookmark.data());
  Resync({rmExact, rmCenter});
  DoAfterScroll();
  return true;
}

Variant TDataSet::Lookup(const AnsiString&, const Variant&, const AnsiString&) { return Null(); }

// ----------------------------------------------------------------- filter

void TDataSet::BeforeFilterChange() {
  if (!Active()) return;
  CheckBrowseMode();
  UpdateCursorPos();
}

void TDataSet::SetFiltered(bool Value) {
  BeforeFilterChange();
  Filtered_ = Value;
}

void TDataSet::SetFilterText(const AnsiString& Value) {
  BeforeFilterChange();
  Filter_ = Value;
}

void TDataSet::SetFilterOptions(TFilterOptions Value) {
  BeforeFilterChange();
  FilterOptions_ = Value;
}

void TDataSet::SetOnFilterRecord(TFilterRecordEvent Value) {
  BeforeFilterChange();
  OnFilterRecord_ = Value;
}
