// The class library's base objects, pointer and string lists and streams.
#pragma once

#include <vector>

#include "Events.h"
#include "SysUtils.h"
#include "System.h"


// Root of the class library's objects; they live on the heap and are never copied.
class TObject {
 public:
  TObject() = default;
  TObject(const TObject&) = delete;
  TObject& operator=(const TObject&) = delete;
  virtual ~TObject() = default;
  virtual const char* ClassName() const { return "TObject"; }
};

using TNotifyEvent = TEvent<void(TObject* Sender)>;

// ---------------------------------------------------------------- exceptions

QEV_DECLARE_EXCEPTION(EStreamError, Exception);
QEV_DECLARE_EXCEPTION(EFCreateError, EStreamError);
QEV_DECLARE_EXCEPTION(EFOpenError, EStreamError);
QEV_DECLARE_EXCEPTION(EFilerError, EStreamError);
QEV_DECLARE_EXCEPTION(EReadError, EFilerError);
QEV_DECLARE_EXCEPTION(EWriteError, EFilerError);
QEV_DECLARE_EXCEPTION(EListError, Exception);
QEV_DECLARE_EXCEPTION(EStringListError, Exception);
QEV_DECLARE_EXCEPTION(EResNotFound, Exception);

extern const TResStringRec SAssignError;
extern const TResStringRec SListIndexError;
extern const TResStringRec SListCapacityError;
extern const TResStringRec SListCountError;
extern const TResStringRec SDuplicateString;
extern const TResStringRec SSortedListError;
extern const TResStringRec SReadError;
extern const TResStringRec SWriteError;
extern const TResStringRec SFCreateError;
extern const TResStringRec SFOpenError;
extern const TResStringRec SMemoryStreamError;
extern const TResStringRec SCantWriteResourceStreamError;
extern const TResStringRec SResNotFound;

// ---------------------------------------------------------------- TPersistent

class TPersistent : public TObject {
 public:
  const char* ClassName() const override { return "TPersistent"; }
  // Copies Source into this object; the base asks Source to do it.
  virtual void Assign(TPersistent* Source);

 protected:
  // Copies this object into Dest; the base raises EConvertError.
  virtual void AssignTo(TPersistent* Dest);
  // The component model's filer adds DefineProperties(TFiler* Filer) here.

  [[noreturn]] void AssignError(const TPersistent* Source) const;
};

// ---------------------------------------------------------------------- TList

enum TListNotification { lnAdded, lnExtracted, lnDeleted };
using TListSortCompare = Integer (*)(void* Item1, void* Item2);
constexpr Integer MaxListSize = 0x7FFFFFFF / 16;

// A list of untyped pointers. A descendant that needs Notify for the items
// left at destruction clears the list in its own destructor.
class TList : public TObject {
 public:
  ~TList() override;
  const char* ClassName() const override { return "TList"; }

  Integer Add(void* Item);
  virtual void Clear();
  void Delete(Integer Index);
  void Exchange(Integer Index1, Integer Index2);
  void* Extract(void* Item);
  void* First() const { return Get(0); }
  void* Last() const { return Get(Count_ - 1); }
  void* Get(Integer Index) const;
  Integer IndexOf(void* Item) const;
  void Insert(Integer Index, void* Item);
  void Move(Integer CurIndex, Integer NewIndex);
  void Pack();
  void Put(Integer Index, void* Item);
  Integer Remove(void* Item);
  void Sort(TListSortCompare Compare);

  Integer Count() const { return Count_; }
  void SetCount(Integer NewCount);
  Integer Capacity() const { return static_cast<Integer>(Items_.size()); }
  void SetCapacity(Integer NewCapacity);
  void** List() { return Items_.data(); }

  // Raises EListError with Msg formatted with Data.
  [[noreturn]] static void Error(const WideString& Msg, Integer Data);
  [[noreturn]] static void Error(const TResStringRec& Msg, Integer Data);

 protected:
  virtual void Grow();
  virtual void Notify(void* Ptr, TListNotification Action);

 private:
  void CheckIndex(Integer Index) const;
  std::vector<void*> Items_;  // Capacity slots
  Integer Count_ = 0;
};

// ------------------------------------------------------------------- TStrings

class TStream;

// An abstract list of 8-bit strings, each with an object.
class TStrings : public TPersistent {
 public:
  const char* ClassName() const override { return "TStrings"; }
  void Assign(TPersistent* Source) override;

  virtual AnsiString Get(Integer Index) const = 0;
  virtual Integer GetCount() const = 0;
  virtual TObject* GetObject(Integer Index) const;
  virtual void Put(Integer Index, const AnsiString& S);
  virtual void PutObject(Integer Index, TObject* AObject);
  virtual Integer GetCapacity() const;
  virtual void SetCapacity(Integer NewCapacity);
  // Every item followed by CR LF.
  virtual AnsiString GetTextStr() const;
  // Lines end at CR LF, CR or LF; a final break adds no empty item.
  virtual void SetTextStr(const AnsiString& Value);
  virtual Integer CompareStrings(const AnsiString& S1, const AnsiString& S2) const;

  virtual Integer Add(const AnsiString& S);
  virtual Integer AddObject(const AnsiString& S, TObject* AObject);
  void Append(const AnsiString& S) { Add(S); }
  virtual void AddStrings(TStrings* Strings);
  virtual void Clear() = 0;
  virtual void Delete(Integer Index) = 0;
  virtual void Exchange(Integer Index1, Integer Index2);
  virtual Integer IndexOf(const AnsiString& S) const;
  virtual Integer IndexOfName(const AnsiString& Name) const;
  virtual Integer IndexOfObject(TObject* AObject) const;
  virtual void Insert(Integer Index, const AnsiString& S) = 0;
  virtual void InsertObject(Integer Index, const AnsiString& S, TObject* AObject);
  virtual void Move(Integer CurIndex, Integer NewIndex);
  virtual void LoadFromFile(const AnsiString& FileName);
  virtual void LoadFromStream(TStream* Stream);
  virtual void SaveToFile(const AnsiString& FileName) const;
  virtual void SaveToStream(TStream* Stream) const;

  void BeginUpdate();
  void EndUpdate();
  // Same count and the same characters in every item.
  bool Equals(const TStrings* Strings) const;

  Integer Count() const { return GetCount(); }
  AnsiString Text() const { return GetTextStr(); }
  void SetText(const AnsiString& Value) { SetTextStr(Value); }
  AnsiString CommaText() const;
  void SetCommaText(const AnsiString& Value);
  AnsiString DelimitedText() const;
  void SetDelimitedText(const AnsiString& Value);

  // Items of the form name=value (with NameValueSeparator).
  AnsiString Names(Integer Index) const;
  AnsiString Values(const AnsiString& Name) const;
  // Replaces or adds the item Name=Value; an empty Value deletes it.
  void SetValue(const AnsiString& Name, const AnsiString& Value);
  // Empty for an item without a separator.
  AnsiString ValueFromIndex(Integer Index) const;

  AnsiChar Delimiter = ',';
  AnsiChar QuoteChar = '"';
  AnsiChar NameValueSeparator = '=';

 protected:
  virtual void SetUpdateState(bool Updating);
  Integer UpdateCount() const { return UpdateCount_; }
  // Raises EStringListError with Msg formatted with Data.
  [[noreturn]] static void Error(const TResStringRec& Msg, Integer Data);

 private:
  Integer UpdateCount_ = 0;
};

// ---------------------------------------------------------------- TStringList

enum TDuplicates { dupIgnore, dupAccept, dupError };

class TStringList;
using TStringListSortCompare = Integer (*)(TStringList* List, Integer Index1, Integer Index2);

class TStringList : public TStrings {
 public:
  ~TStringList() override;
  const char* ClassName() const override { return "TStringList"; }

  AnsiString Get(Integer Index) const override;
  Integer GetCount() const override { return static_cast<Integer>(Items_.size()); }
  TObject* GetObject(Integer Index) const override;
  void Put(Integer Index, const AnsiString& S) override;
  void PutObject(Integer Index, TObject* AObject) override;
  Integer GetCapacity() const override { return Capacity_; }
  void SetCapacity(Integer NewCapacity) override;
  // By the user's locale; case-insensitive unless CaseSensitive.
  Integer CompareStrings(const AnsiString& S1, const AnsiString& S2) const override;

  Integer Add(const AnsiString& S) override;
  Integer AddObject(const AnsiString& S, TObject* AObject) override;
  void Clear() override;
  void Delete(Integer Index) override;
  void Exchange(Integer Index1, Integer Index2) override;
  void Move(Integer CurIndex, Integer NewIndex) override;
  Integer IndexOf(const AnsiString& S) const override;
  void Insert(Integer Index, const AnsiString& S) override;
  void InsertObject(Integer Index, const AnsiString& S, TObject* AObject) override;

  // Binary search of a sorted list: true when S is found; Index is its position
  // (the first of equal items with dupAccept) or where it would be inserted.
  virtual bool Find(const AnsiString& S, Integer& Index) const;
  virtual void Sort();
  virtual void CustomSort(TStringListSortCompare Compare);

  bool Sorted() const { return Sorted_; }
  void SetSorted(bool Value);
  bool CaseSensitive() const { return CaseSensitive_; }
  void SetCaseSensitive(bool Value);
  TDuplicates Duplicates = dupIgnore;

  TNotifyEvent OnChange;
  TNotifyEvent OnChanging;

 protected:
  virtual void Changed();
  virtual void Changing();
  virtual void InsertItem(Integer Index, const AnsiString& S, TObject* AObject);
  void SetUpdateState(bool Updating) override;

 private:
  struct TStringItem {
    AnsiString String;
    TObject* Object;
  };
  void CheckIndex(Integer Index) const;
  void Grow();
  void QuickSort(Integer L, Integer R, TStringListSortCompare Compare);
  void SortItems(TStringListSortCompare Compare);

  std::vector<TStringItem> Items_;  // Count items
  Integer Capacity_ = 0;
  bool Sorted_ = false;
  bool CaseSensitive_ = false;
};

// -------------------------------------------------------------------- streams

enum TSeekOrigin { soBeginning, soCurrent, soEnd };

class TStream : public TObject {
 public:
  const char* ClassName() const override { return "TStream"; }
  // Return the bytes transferred, which may be fewer than Count.
  virtual Integer Read(void* Buffer, Integer Count) = 0;
  virtual Integer Write(const void* Buffer, Integer Count) = 0;
  // Returns the new position.
  virtual Int64 Seek(Int64 Offset, TSeekOrigin Origin) = 0;
  virtual Int64 Size();
  // The base does nothing (read-only streams).
  virtual void SetSize(Int64 NewSize);

  Int64 Position() { return Seek(0, soCurrent); }
  void SetPosition(Int64 Pos) { Seek(Pos, soBeginning); }
  // All Count bytes or EReadError / EWriteError.
  void ReadBuffer(void* Buffer, Int64 Count);
  void WriteBuffer(const void* Buffer, Int64 Count);
  // Copies Count bytes from Source's position; Count 0 copies all of Source
  // from its start. Returns the bytes copied.
  Int64 CopyFrom(TStream* Source, Int64 Count);
};

// A stream over an open file handle, which it does not own.
class THandleStream : public TStream {
 public:
  explicit THandleStream(THandle AHandle) : Handle_(AHandle) {}
  const char* ClassName() const override { return "THandleStream"; }
  Integer Read(void* Buffer, Integer Count) override;
  Integer Write(const void* Buffer, Integer Count) override;
  Int64 Seek(Int64 Offset, TSeekOrigin Origin) override;
  // Ends the file at NewSize and leaves the position there.
  void SetSize(Int64 NewSize) override;
  THandle Handle() const { return Handle_; }

 protected:
  THandle Handle_;
};

// Opens or (with fmCreate) creates a file by its 8-bit name and owns the handle.
class TFileStream : public THandleStream {
 public:
  TFileStream(const AnsiString& FileName, Word Mode);
  ~TFileStream() override;
  const char* ClassName() const override { return "TFileStream"; }
};

// A stream over a block of memory that a descendant provides.
class TCustomMemoryStream : public TStream {
 public:
  const char* ClassName() const override { return "TCustomMemoryStream"; }
  Integer Read(void* Buffer, Integer Count) override;
  Int64 Seek(Int64 Offset, TSeekOrigin Origin) override;
  Int64 Size() override { return Size_; }
  void SaveToStream(TStream* Stream);
  void SaveToFile(const AnsiString& FileName);
  void* Memory() const { return Memory_; }

 protected:
  void SetPointer(void* Ptr, Int64 Size);
  Int64 CurrentPosition() const { return Position_; }
  void SetCurrentPosition(Int64 Pos) { Position_ = Pos; }

 private:
  void* Memory_ = nullptr;
  Int64 Size_ = 0;
  Int64 Position_ = 0;
};

// A growable memory stream that owns its memory.
class TMemoryStream : public TCustomMemoryStream {
 public:
  ~TMemoryStream() override;
  const char* ClassName() const override { return "TMemoryStream"; }
  void Clear();
  // Replaces the contents with all of Stream (read from its start).
  void LoadFromStream(TStream* Stream);
  void LoadFromFile(const AnsiString& FileName);
  // New bytes read as zero; the position stays unless it is past the new end.
  void SetSize(Int64 NewSize) override;
  Integer Write(const void* Buffer, Integer Count) override;

 protected:
  Int64 Capacity() const { return Capacity_; }
  void SetCapacity(Int64 NewCapacity);

 private:
  Int64 Capacity_ = 0;
};

// A read-only stream over a resource of a module.
class TResourceStream : public TCustomMemoryStream {
 public:
  TResourceStream(THandle Instance, const AnsiString& ResName, const AnsiChar* ResType);
  TResourceStream(THandle Instance, Integer ResID, const AnsiChar* ResType);
  ~TResourceStream() override;
  const char* ClassName() const override { return "TResourceStream"; }
  // Always raises EStreamError.
  Integer Write(const void* Buffer, Integer Count) override;

 private:
  void Initialize(THandle Instance, const AnsiChar* Name, const AnsiChar* ResType,
                  const AnsiString& ShownName);
  THandle Global_ = nullptr;  // the loaded resource
};
