// The data-access core: a data set that reads records through record buffers
// a descendant supplies, with navigation, bookmarks, editing and events, and
// the fields that present the active record's values.
//
// A descendant keeps its own cursor and reads records into buffers with
// GetRecord. The data set buffers one record, the active one (there are no
// data-aware controls to show more); ActiveBuffer() is it, in every state.
// Field values pass between fields and data set as Variants: GetFieldData
// and SetFieldData read and write the value of a field in the active record.
// Descendants call Close in their destructor: the record buffers and the
// cursor are theirs, and their overrides are gone once ~TDataSet runs.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "Classes.h"
#include "Variants.h"

class TDataSet;
class TField;

// ------------------------------------------------------------------- errors

QEV_DECLARE_EXCEPTION(EDatabaseError, Exception);

extern const TResStringRec SNotEditing;         // "Dataset not in edit or insert mode"
extern const TResStringRec SDataSetClosed;      // "Cannot perform this operation on a closed dataset"
extern const TResStringRec SDataSetOpen;        // "... on an open dataset"
extern const TResStringRec SDataSetEmpty;       // "... on an empty dataset"
extern const TResStringRec SDataSetReadOnly;    // "Cannot modify a read-only dataset"
extern const TResStringRec SRecordNotFound;     // "Record not found"
extern const TResStringRec SFieldNotFound;      // "Field '%s' not found"
extern const TResStringRec SDuplicateFieldName; // "Duplicate field name '%s'"
extern const TResStringRec SFieldReadOnly;      // "Field '%s' cannot be modified"
extern const TResStringRec SFieldRequired;      // "Field '%s' must have a value"
extern const TResStringRec SDataSetMissing;     // "Field '%s' has no dataset"
extern const TResStringRec SUnknownFieldType;   // "Field '%s' is of an unknown type"
extern const TResStringRec SFieldTypeMismatch;  // "Type mismatch for field '%s', expecting: %s actual: %s"
extern const TResStringRec SFieldRangeError;    // "%d is not a valid value for field '%s'. ..."
extern const TResStringRec SInvalidBoolValue;   // "'%s' is not a valid boolean value for field '%s'"
extern const TResStringRec SFieldValueTooLong;  // "Value of field '%s' is too long: ..."

// Raises EDatabaseError; a named Component prefixes the message with "Name: ".
[[noreturn]] void DatabaseError(const WideString& Message, const TComponent* Component = nullptr);
[[noreturn]] void DatabaseErrorFmt(const TResStringRec& Message, TConstArray Args,
                                   const TComponent* Component = nullptr);

// -------------------------------------------------------------------- types

enum TDataSetState {
  dsInactive, dsBrowse, dsEdit, dsInsert, dsSetKey, dsCalcFields, dsFilter, dsNewValue,
  dsOldValue, dsCurValue, dsBlockRead, dsInternalCalc, dsOpening
};

enum TDataEvent {
  deFieldChange, deRecordChange, deDataSetChange, deDataSetScroll, deLayoutChange,
  deUpdateRecord, deUpdateState, deCheckBrowseMode, dePropertyChange, deFieldListChange
};

enum TFieldType {
  ftUnknown, ftString, ftSmallint, ftInteger, ftWord, ftBoolean, ftFloat, ftCurrency, ftBCD,
  ftDate, ftTime, ftDateTime, ftBytes, ftVarBytes, ftAutoInc, ftBlob, ftMemo, ftGraphic,
  ftFmtMemo, ftParadoxOle, ftDBaseOle, ftTypedBinary, ftCursor, ftFixedChar, ftWideString,
  ftLargeint, ftADT, ftArray, ftReference, ftDataSet, ftOraBlob, ftOraClob, ftVariant,
  ftInterface, ftIDispatch, ftGuid
};
constexpr Integer FieldTypeCount = ftGuid + 1;

using TRecordBuffer = Byte*;  // one record as the descendant lays it out
using TBookmark = void*;      // BookmarkSize bytes; from GetBookmark, freed by FreeBookmark
using TBookmarkStr = AnsiString;  // the same bytes as a string

enum TGetMode { gmCurrent, gmNext, gmPrior };
enum TGetResult { grOK, grBOF, grEOF, grError };
enum TBookmarkFlag { bfCurrent, bfBOF, bfEOF, bfInserted };
enum TResyncModeItem { rmExact, rmCenter };
using TResyncMode = TSet<TResyncModeItem>;
enum TDataAction { daFail, daAbort, daRetry };
enum TFilterOption { foCaseInsensitive, foNoPartialCompare };
using TFilterOptions = TSet<TFilterOption>;

// The locate options, a set of these flags.
enum TLocateOption : Byte { loCaseInsensitive = 1, loPartialKey = 2 };
using TLocateOptions = Byte;

using TDataSetNotifyEvent = TEvent<void(TDataSet* DataSet)>;
using TDataSetErrorEvent = TEvent<void(TDataSet* DataSet, EDatabaseError& E, TDataAction& Action)>;
using TFilterRecordEvent = TEvent<void(TDataSet* DataSet, bool& Accept)>;
using TFieldNotifyEvent = TEvent<void(TField* Sender)>;
using TFieldGetTextEvent = TEvent<void(TField* Sender, AnsiString& Text, bool DisplayText)>;
using TFieldSetTextEvent = TEvent<void(TField* Sender, const AnsiString& Text)>;

// --------------------------------------------------------------- field defs

// The description of one field the cursor offers.
class TFieldDef : public TCollectionItem {
  QEV_CLASS(TFieldDef, TCollectionItem)
 public:
  using TCollectionItem::TCollectionItem;

  const AnsiString& Name() const { return Name_; }
  void SetName(const AnsiString& Value) { Name_ = Value; }
  TFieldType DataType() const { return DataType_; }
  void SetDataType(TFieldType Value) { DataType_ = Value; }
  Integer Size() const { return Size_; }
  void SetSize(Integer Value) { Size_ = Value; }
  bool Required() const { return Required_; }
  void SetRequired(bool Value) { Required_ = Value; }
  Integer FieldNo() const { return Index() + 1; }
  // A field of the class the data set maps DataType to, owned by Owner,
  // named and sized after this and added to the data set.
  TField* CreateField(TComponent* Owner) const;

 private:
  AnsiString Name_;
  TFieldType DataType_ = ftUnknown;
  Integer Size_ = 0;
  bool Required_ = false;
};

class TFieldDefs : public TOwnedCollection {
  QEV_CLASS(TFieldDefs, TOwnedCollection)
 public:
  explicit TFieldDefs(TDataSet* DataSet);
  TDataSet* DataSet() const;
  TFieldDef* Add(const AnsiString& Name, TFieldType DataType, Integer Size = 0,
                 bool Required = false);
  TFieldDef* Items(Integer Index) const { return static_cast<TFieldDef*>(TCollection::Items(Index)); }
  Integer IndexOf(const AnsiString& Name) const;  // ignoring case; -1 when none
  TFieldDef* Find(const AnsiString& Name) const;  // EDatabaseError "Field '%s' not found"
};

// ------------------------------------------------------------------- fields

// A field of a data set: its value in the active record, by type. Values pass
// as Variants; Null (and Empty) is "no value". Writing needs the data set in
// edit or insert mode and a field that is not read-only.
class TField : public TComponent {
  QEV_CLASS(TField, TComponent)
 public:
  explicit TField(TComponent* AOwner);
  ~TField() override;  // leaves its data set

  TDataSet* DataSet() const { return DataSet_; }
  // Leaves the old data set's field list and joins the new one's; the new
  // one must be closed and may not have a field of the same name.
  void SetDataSet(TDataSet* Value);
  const AnsiString& FieldName() const { return FieldName_; }
  void SetFieldName(const AnsiString& Value) { FieldName_ = Value; }
  const AnsiString& DisplayLabel() const { return DisplayLabel_; }
  void SetDisplayLabel(const AnsiString& Value) { DisplayLabel_ = Value; }
  AnsiString DisplayName() const { return DisplayLabel_.empty() ? FieldName_ : DisplayLabel_; }
  Integer FieldNo() const { return FieldNo_; }  // 1-based in the field defs; 0 unbound
  Integer Index() const;                         // in the data set's fields; -1 without
  TFieldType DataType() const { return DataType_; }
  Integer Size() const { return Size_; }
  virtual void SetSize(Integer Value) { Size_ = Value; }
  bool ReadOnly() const { return ReadOnly_; }
  void SetReadOnly(bool Value) { ReadOnly_ = Value; }
  bool Required() const { return Required_; }
  void SetRequired(bool Value) { Required_ = Value; }
  bool Visible() const { return Visible_; }
  void SetVisible(bool Value) { Visible_ = Value; }
  Integer DisplayWidth() const;
  void SetDisplayWidth(Integer Value) { DisplayWidth_ = Value; }
  const AnsiString& EditMask() const { return EditMask_; }
  void SetEditMask(const AnsiString& Value) { EditMask_ = Value; }

  // The value; Null without one.
  Variant Value() const { return GetAsVariant(); }
  void SetValue(const Variant& Value) { SetAsVariant(Value); }
  Variant AsVariant() const { return GetAsVariant(); }
  // Null or Empty clears the field; anything else goes to SetVarValue.
  void SetAsVariant(const Variant& Value);
  AnsiString AsString() const { return GetAsString(); }
  WideString AsWideString() const { return GetAsWideString(); }
  Integer AsInteger() const { return GetAsInteger(); }
  double AsFloat() const { return GetAsFloat(); }
  TDateTime AsDateTime() const { return GetAsDateTime(); }
  bool AsBoolean() const { return GetAsBoolean(); }
  bool IsNull() const { return !GetData(nullptr); }
  void Clear() { SetData(nullptr); }

  // The readings without a value are empty text, 0 and False.
  virtual Variant GetAsVariant() const;
  virtual AnsiString GetAsString() const;
  virtual WideString GetAsWideString() const;
  virtual Integer GetAsInteger() const;
  virtual double GetAsFloat() const;
  virtual TDateTime GetAsDateTime() const;
  virtual bool GetAsBoolean() const;
  virtual void SetAsString(const AnsiString& Value);
  virtual void SetAsWideString(const WideString& Value);
  virtual void SetAsInteger(Integer Value);
  virtual void SetAsFloat(double Value);
  virtual void SetAsDateTime(TDateTime Value);
  virtual void SetAsBoolean(bool Value);

  // The text shown (DisplayText) and edited (Text): OnGetText when assigned,
  // else GetText. SetEditText: OnSetText when assigned, else SetText.
  AnsiString DisplayText() const { return TextOf(true); }
  AnsiString Text() const { return TextOf(false); }
  void SetEditText(const AnsiString& Value);
  const TFieldGetTextEvent& OnGetText() const { return OnGetText_; }
  void SetOnGetText(TFieldGetTextEvent Value) { OnGetText_ = Value; }
  const TFieldSetTextEvent& OnSetText() const { return OnSetText_; }
  void SetOnSetText(TFieldSetTextEvent Value) { OnSetText_ = Value; }
  TFieldNotifyEvent OnChange;    // after the value changed
  TFieldNotifyEvent OnValidate;  // before it changes; the getters read the new value

  // The data set's value of this field: whether there is one; copied to
  // *Value when given. SetData writes *Value (nullptr: Null) after the checks
  // and Validate.
  bool GetData(Variant* Value) const;
  void SetData(const Variant* Value);
  // Runs OnValidate with Value as the field's value.
  virtual void Validate(const Variant* Value);

 protected:
  // Stores Value converted to the field's type; the base stores it as it is.
  virtual void SetVarValue(const Variant& Value);
  virtual void GetText(AnsiString& Text, bool DisplayText) const;
  virtual void SetText(const AnsiString& Value);
  virtual Integer DefaultDisplayWidth() const { return 10; }
  void SetDataType(TFieldType Value) { DataType_ = Value; }
  void StoreValue(const Variant& Value) { SetData(&Value); }
  // A text variant goes to SetAsString, which parses it; false for others.
  bool SetVarText(const Variant& Value);

 private:
  friend class TDataSet;
  AnsiString TextOf(bool Display) const;

  TDataSet* DataSet_ = nullptr;
  AnsiString FieldName_;
  AnsiString DisplayLabel_;
  AnsiString EditMask_;
  Integer FieldNo_ = 0;
  TFieldType DataType_ = ftUnknown;
  Integer Size_ = 0;
  Integer DisplayWidth_ = 0;
  bool ReadOnly_ = false;
  bool Required_ = false;
  bool Visible_ = true;
  TFieldGetTextEvent OnGetText_;
  TFieldSetTextEvent OnSetText_;
  const Variant* Validating_ = nullptr;  // the value under validation
  bool InValidate_ = false;
};

// 8-bit text of at most Size bytes (Size 0: no limit); a longer value is
// refused, never cut. With DisplayText and an EditMask, the text is formatted
// into the mask.
class TStringField : public TField {
  QEV_CLASS(TStringField, TField)
 public:
  explicit TStringField(TComponent* AOwner);
  void SetAsString(const AnsiString& Value) override;

 protected:
  void SetVarValue(const Variant& Value) override;
  void GetText(AnsiString& Text, bool DisplayText) const override;
  Integer DefaultDisplayWidth() const override { return Size(); }
};

// Wide text, held whole.
class TWideStringField : public TField {
  QEV_CLASS(TWideStringField, TField)
 public:
  explicit TWideStringField(TComponent* AOwner);
  AnsiString GetAsString() const override;
  void SetAsString(const AnsiString& Value) override;
  void SetAsWideString(const WideString& Value) override;

 protected:
  void SetVarValue(const Variant& Value) override;
  Integer DefaultDisplayWidth() const override { return Size(); }
};

// Integers within the field type's range; text is parsed as an integer and
// empty text clears the field.
class TIntegerField : public TField {
  QEV_CLASS(TIntegerField, TField)
 public:
  explicit TIntegerField(TComponent* AOwner);
  AnsiString GetAsString() const override;
  void SetAsString(const AnsiString& Value) override;
  void SetAsInteger(Integer Value) override;

 protected:
  void SetVarValue(const Variant& Value) override;
  void SetRange(Integer Min, Integer Max);

 private:
  Integer Min_;
  Integer Max_;
};

class TSmallintField : public TIntegerField {
  QEV_CLASS(TSmallintField, TIntegerField)
 public:
  explicit TSmallintField(TComponent* AOwner);
};

class TWordField : public TIntegerField {
  QEV_CLASS(TWordField, TIntegerField)
 public:
  explicit TWordField(TComponent* AOwner);
};

// Text "True" / "False" (either case); empty text clears the field.
class TBooleanField : public TField {
  QEV_CLASS(TBooleanField, TField)
 public:
  explicit TBooleanField(TComponent* AOwner);
  AnsiString GetAsString() const override;
  void SetAsString(const AnsiString& Value) override;
  void SetAsBoolean(bool Value) override;

 protected:
  void SetVarValue(const Variant& Value) override;
};

class TFloatField : public TField {
  QEV_CLASS(TFloatField, TField)
 public:
  explicit TFloatField(TComponent* AOwner);
  AnsiString GetAsString() const override;
  void SetAsString(const AnsiString& Value) override;
  void SetAsFloat(double Value) override;

 protected:
  void SetVarValue(const Variant& Value) override;
};

// Date and time; text by the runtime's conversions. A date field keeps only
// the date, a time field only the time of day.
class TDateTimeField : public TField {
  QEV_CLASS(TDateTimeField, TField)
 public:
  explicit TDateTimeField(TComponent* AOwner);
  AnsiString GetAsString() const override;
  void SetAsString(const AnsiString& Value) override;
  void SetAsDateTime(TDateTime Value) override;

 protected:
  void SetVarValue(const Variant& Value) override;
};

class TDateField : public TDateTimeField {
  QEV_CLASS(TDateField, TDateTimeField)
 public:
  explicit TDateField(TComponent* AOwner);
};

class TTimeField : public TDateTimeField {
  QEV_CLASS(TTimeField, TDateTimeField)
 public:
  explicit TTimeField(TComponent* AOwner);
};

// Any value, held as it is given.
class TVariantField : public TField {
  QEV_CLASS(TVariantField, TField)
 public:
  explicit TVariantField(TComponent* AOwner);
};

// The field class of each field type; nullptr for types without one.
struct TFieldClassTable {
  const TClass* operator[](TFieldType FieldType) const;
};
inline constexpr TFieldClassTable DefaultFieldClasses{};

// ----------------------------------------------------------------- data set

class TDataSet : public TComponent {
  QEV_CLASS(TDataSet, TComponent)
 public:
  explicit TDataSet(TComponent* AOwner);
  // Frees the fields it owns and detaches the others.
  ~TDataSet() override;

  // ------------------------------------------------------- open and close
  bool Active() const { return State_ != dsInactive; }
  // While the data set is being read from a form stream, the value is kept
  // for Loaded.
  void SetActive(bool Value);
  void Open() { SetActive(true); }
  // Discards a pending edit or insert.
  void Close() { SetActive(false); }
  TDataSetState State() const { return State_; }
  void CheckActive() const;    // EDatabaseError SDataSetClosed
  void CheckInactive() const;  // EDatabaseError SDataSetOpen
  bool DefaultFields() const { return DefaultFields_; }  // made by the last open

  // ----------------------------------------------------------- navigation
  // Each posts a pending change first (CheckBrowseMode) and runs the scroll
  // events around the move.
  void First();
  void Last();
  void Next() { MoveBy(1); }
  void Prior() { MoveBy(-1); }
  // The records actually moved, negative backwards.
  Integer MoveBy(Integer Distance);
  bool Bof() const { return Bof_; }
  bool Eof() const { return Eof_; }
  bool IsEmpty() const { return !HasRecord_ && State_ != dsInsert; }
  Integer RecNo() { return GetRecNo(); }
  virtual void SetRecNo(Integer Value);  // the base ignores it
  Integer RecordCount() { return GetRecordCount(); }

  // ------------------------------------------------------------ bookmarks
  // nullptr when the active record has none (empty, inserting).
  virtual TBookmark GetBookmark();
  void GotoBookmark(TBookmark Bookmark);  // nullptr is ignored
  virtual void FreeBookmark(TBookmark Bookmark);
  // Whether the bookmark names a record; the base tries to read it (outside
  // insert mode), which moves only the descendant's cursor.
  virtual bool BookmarkValid(TBookmark Bookmark);
  // The base orders only nullptr (first) against a bookmark; else 0.
  virtual Integer CompareBookmarks(TBookmark Bookmark1, TBookmark Bookmark2);
  bool BookmarkAvailable() const;
  TBookmarkStr Bookmark() const;  // empty without one
  void SetBookmark(const TBookmarkStr& Value);
  Integer BookmarkSize() const { return BookmarkSize_; }

  // -------------------------------------------------------------- editing
  void Insert();  // before the active record
  void Append();  // after the last record
  void Edit();    // an empty data set inserts
  // EDatabaseError SNotEditing outside edit and insert mode.
  void Post();
  void Cancel();  // outside edit and insert mode nothing happens
  void Delete();  // in insert mode: Cancel
  // A whole record at once: Values in field order (Null clears), then
  // InternalAddRecord; the record is posted.
  void InsertRecord(const std::vector<Variant>& Values) { AddRecord(Values, false); }
  void AppendRecord(const std::vector<Variant>& Values) { AddRecord(Values, true); }
  bool Modified() const { return Modified_; }
  bool CanModify() { return GetCanModify(); }
  void UpdateRecord();  // SNotEditing outside edit and insert mode
  // Posts a modified record, cancels an unmodified one.
  void CheckBrowseMode();
  // Re-reads the active record at the cursor: rmExact raises SRecordNotFound
  // when the cursor has none; otherwise the nearest record is taken, or none.
  // Before the buffers exist (inside InternalOpen) it does nothing.
  void Resync(TResyncMode Mode);
  void Refresh();  // InternalRefresh, then Resync

  // --------------------------------------------------------------- search
  // Keys: field names separated by ";"; one value, or a variant array of
  // one per field. Found: the record becomes active (scroll events run).
  // The base walks the records; text compares under the options.
  virtual bool Locate(const AnsiString& KeyFields, const Variant& KeyValues,
                      TLocateOptions Options);
  // The values of ResultFields in the record with the keys, without moving;
  // the base finds nothing (Null).
  virtual Variant Lookup(const AnsiString& KeyFields, const Variant& KeyValues,
                         const AnsiString& ResultFields);

  // -------------------------------------------------------------- filter
  // The base stores them; a descendant applies them when it reads records.
  bool Filtered() const { return Filtered_; }
  virtual void SetFiltered(bool Value);
  const AnsiString& Filter() const { return Filter_; }
  virtual void SetFilterText(const AnsiString& Value);
  TFilterOptions FilterOptions() const { return FilterOptions_; }
  virtual void SetFilterOptions(TFilterOptions Value);
  const TFilterRecordEvent& OnFilterRecord() const { return OnFilterRecord_; }
  virtual void SetOnFilterRecord(TFilterRecordEvent Value);

  // --------------------------------------------------------------- fields
  Integer FieldCount() const { return static_cast<Integer>(Fields_.size()); }
  TField* Fields(Integer Index) const;  // EListError out of range
  TField* FindField(const AnsiString& FieldName) const;  // ignoring case; nullptr
  TField* FieldByName(const AnsiString& FieldName) const;  // SFieldNotFound
  // The fields named in FieldNames (separated by ";", blanks trimmed) added
  // to List in order; SFieldNotFound for a name without a field.
  void GetFieldList(TList* List, const AnsiString& FieldNames) const;
  TFieldDefs* FieldDefs() const { return FieldDefs_.get(); }
  // The value of Field in the active record (see TField::GetData); the
  // descendant reads ActiveBuffer, or its own buffer in a temporary state.
  virtual bool GetFieldData(TField* Field, Variant* Value) = 0;
  // Stores the value (nullptr: Null) and tells DataEvent(deFieldChange).
  virtual void SetFieldData(TField* Field, const Variant* Value) = 0;

  // ------------------------------------------------------------- controls
  void DisableControls() { ++DisableCount_; }
  void EnableControls() { if (DisableCount_ > 0) --DisableCount_; }
  bool ControlsDisabled() const { return DisableCount_ > 0; }
  // Records data-aware controls would buffer; this data set buffers one.
  Integer BufferCount() const { return BufferCount_; }
  void SetBufferCount(Integer Value) { BufferCount_ = Value; }

  // --------------------------------------------------------------- cursor
  // The active record's buffer (nullptr while closed).
  TRecordBuffer ActiveBuffer() const { return Buf_; }
  // The descendant's cursor may have left the active record.
  void CursorPosChanged() { CursorAtActive_ = false; }
  // Puts the descendant's cursor on the active record (InternalSetToRecord).
  void UpdateCursorPos();

  // --------------------------------------------------------------- events
  TDataSetNotifyEvent BeforeOpen, AfterOpen, BeforeClose, AfterClose;
  TDataSetNotifyEvent BeforeInsert, AfterInsert, BeforeEdit, AfterEdit;
  TDataSetNotifyEvent BeforePost, AfterPost, BeforeCancel, AfterCancel;
  TDataSetNotifyEvent BeforeDelete, AfterDelete, BeforeScroll, AfterScroll;
  TDataSetNotifyEvent OnNewRecord;
  // An EDatabaseError of the operation: Action daFail raises it, daAbort
  // aborts silently, daRetry runs the operation again.
  TDataSetErrorEvent OnDeleteError, OnEditError, OnPostError;

  void Loaded() override;  // opens when the stream said Active

 protected:
  // ------------------------------------------------------ record buffers
  virtual TRecordBuffer AllocRecordBuffer() = 0;
  virtual void FreeRecordBuffer(TRecordBuffer& Buffer) = 0;
  // Reads the record at (gmCurrent), after or before the cursor and moves
  // the cursor there; at an end the cursor rests on the crack. DoCheck:
  // grError raises.
  virtual TGetResult GetRecord(TRecordBuffer Buffer, TGetMode GetMode, bool DoCheck) = 0;
  virtual Integer GetRecordSize() { return 0; }
  virtual void InternalInitRecord(TRecordBuffer Buffer) = 0;
  // InternalInitRecord, ClearCalcFields, bookmark flag bfInserted.
  virtual void InitRecord(TRecordBuffer Buffer);
  virtual void ClearCalcFields(TRecordBuffer) {}
  virtual TBookmarkFlag GetBookmarkFlag(TRecordBuffer Buffer) = 0;
  virtual void SetBookmarkFlag(TRecordBuffer Buffer, TBookmarkFlag Value) = 0;
  // Copy BookmarkSize bytes.
  virtual void GetBookmarkData(TRecordBuffer Buffer, void* Data) = 0;
  virtual void SetBookmarkData(TRecordBuffer Buffer, const void* Data) = 0;
  void SetBookmarkSize(Integer Value) { BookmarkSize_ = Value; }

  // --------------------------------------------------------------- cursor
  virtual void InternalGotoBookmark(TBookmark Bookmark) = 0;
  virtual void InternalSetToRecord(TRecordBuffer Buffer) = 0;
  virtual void InternalFirst() = 0;  // before the first record
  virtual void InternalLast() = 0;   // after the last record
  // Makes the field defs, the fields (with DefaultFields: CreateFields),
  // binds them, opens the cursor. InternalClose undoes it, DestroyFields
  // included for default fields; it also runs after a failed InternalOpen.
  virtual void InternalOpen() = 0;
  virtual void InternalClose() = 0;
  virtual void InternalInitFieldDefs() = 0;
  virtual bool IsCursorOpen() const = 0;
  // An exception met while opening at design time.
  virtual void InternalHandleException() = 0;
  virtual void InternalAddRecord(TRecordBuffer Buffer, bool Append) = 0;
  virtual void InternalDelete() = 0;
  // The base checks the required fields (SFieldRequired).
  virtual void InternalPost();
  virtual void InternalCancel() {}
  virtual void InternalEdit() {}
  virtual void InternalInsert() {}
  virtual void InternalRefresh() {}
  virtual Integer GetRecordCount() { return -1; }
  virtual Integer GetRecNo() { return -1; }
  virtual bool GetCanModify() { return true; }

  // Info carries the field for deFieldChange (reinterpret_cast of TField*),
  // which marks the record modified and runs the field's OnChange.
  virtual void DataEvent(TDataEvent Event, std::intptr_t Info);
  void SetState(TDataSetState Value);  // clears Modified
  // A state for a moment (dsFilter, dsCalcFields...), without the state's
  // side effects; RestoreState puts the returned one back.
  TDataSetState SetTempState(TDataSetState Value);
  void RestoreState(TDataSetState Value) { State_ = Value; }

  // --------------------------------------------------------------- fields
  virtual const TClass* GetFieldClass(TFieldType FieldType) const;
  // One field per field def, owned by this data set.
  virtual void CreateFields();
  // Frees the fields this data set owns, detaches the others.
  void DestroyFields();
  // Binding: each field takes FieldNo from the def of its name (SFieldNotFound,
  // SFieldTypeMismatch); otherwise FieldNo 0.
  void BindFields(bool Binding);

  // ---------------------------------------------------------------- hooks
  virtual void DoBeforeOpen() { if (BeforeOpen) BeforeOpen(this); }
  virtual void DoAfterOpen() { if (AfterOpen) AfterOpen(this); }
  virtual void DoBeforeClose() { if (BeforeClose) BeforeClose(this); }
  virtual void DoAfterClose() { if (AfterClose) AfterClose(this); }
  virtual void DoBeforeInsert() { if (BeforeInsert) BeforeInsert(this); }
  virtual void DoAfterInsert() { if (AfterInsert) AfterInsert(this); }
  virtual void DoBeforeEdit() { if (BeforeEdit) BeforeEdit(this); }
  virtual void DoAfterEdit() { if (AfterEdit) AfterEdit(this); }
  virtual void DoBeforePost() { if (BeforePost) BeforePost(this); }
  virtual void DoAfterPost() { if (AfterPost) AfterPost(this); }
  virtual void DoBeforeCancel() { if (BeforeCancel) BeforeCancel(this); }
  virtual void DoAfterCancel() { if (AfterCancel) AfterCancel(this); }
  virtual void DoBeforeDelete() { if (BeforeDelete) BeforeDelete(this); }
  virtual void DoAfterDelete() { if (AfterDelete) AfterDelete(this); }
  virtual void DoBeforeScroll() { if (BeforeScroll) BeforeScroll(this); }
  virtual void DoAfterScroll() { if (AfterScroll) AfterScroll(this); }
  virtual void DoOnNewRecord() { if (OnNewRecord) OnNewRecord(this); }

 private:
  friend class TField;
  friend class TFieldDef;
  using TOperation = void (TDataSet::*)();

  void MoveToEnd(bool ToLast);
  void OpenCursor();
  void CloseCursor();
  void ClearBuffers();
  bool FetchRecord(TGetMode Mode);
  void TakeScratch();
  void CheckCanModify();
  void CheckOperation(TOperation Operation, const TDataSetErrorEvent& ErrorEvent);
  void BeginInsertAppend();
  void EndInsertAppend();
  void AddRecord(const std::vector<Variant>& Values, bool Append);
  bool FindRecord(const TList& Fields, const Variant& KeyValues, TLocateOptions Options,
                  std::vector<Byte>& Bookmark);
  void BeforeFilterChange();
  void AddField(TField* Field);
  void RemoveField(TField* Field);

  TDataSetState State_ = dsInactive;
  std::unique_ptr<TFieldDefs> FieldDefs_;
  std::vector<TField*> Fields_;
  TRecordBuffer Buf_ = nullptr;      // the active record
  TRecordBuffer Scratch_ = nullptr;  // reads land here until they succeed
  bool HasRecord_ = false;           // Buf_ holds a record
  bool CursorAtActive_ = false;      // the descendant's cursor is on it
  bool Bof_ = true;
  bool Eof_ = true;
  bool Modified_ = false;
  bool DefaultFields_ = false;
  bool StreamedActive_ = false;
  bool Filtered_ = false;
  AnsiString Filter_;
  TFilterOptions FilterOptions_;
  TFilterRecordEvent OnFilterRecord_;
  Integer BookmarkSize_ = 0;
  Integer BufferCount_ = 1;
  Integer DisableCount_ = 0;
};

void Initialization_DB();  // registers the field classes for form streams
