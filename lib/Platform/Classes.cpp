#include "Classes.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <limits>

#include "WinApi.h"

QEV_RESOURCESTRING(Classes, SAssignError, L"Cannot assign a %s to a %s");
QEV_RESOURCESTRING(Classes, SListIndexError, L"List index out of bounds (%d)");
QEV_RESOURCESTRING(Classes, SListCapacityError, L"List capacity out of bounds (%d)");
QEV_RESOURCESTRING(Classes, SListCountError, L"List count out of bounds (%d)");
QEV_RESOURCESTRING(Classes, SDuplicateString, L"String list does not allow duplicates");
QEV_RESOURCESTRING(Classes, SSortedListError, L"Operation not allowed on sorted list");
QEV_RESOURCESTRING(Classes, SReadError, L"Stream read error");
QEV_RESOURCESTRING(Classes, SWriteError, L"Stream write error");
QEV_RESOURCESTRING(Classes, SFCreateError, L"Cannot create file %s");
QEV_RESOURCESTRING(Classes, SFOpenError, L"Cannot open file %s");
QEV_RESOURCESTRING(Classes, SMemoryStreamError, L"Out of memory while expanding memory stream");
QEV_RESOURCESTRING(Classes, SCantWriteResourceStreamError,
                   L"Can't write to a read-only resource stream");
QEV_RESOURCESTRING(Classes, SResNotFound, L"Resource %s not found");
QEV_RESOURCESTRING(Classes, SInvalidImage, L"Invalid stream format");
QEV_RESOURCESTRING(Classes, SInvalidPropertyValue, L"Invalid property value");
QEV_RESOURCESTRING(Classes, SUnknownProperty, L"Property %s does not exist");
QEV_RESOURCESTRING(Classes, SPropertyException, L"Error reading %s%s%s: %s");
QEV_RESOURCESTRING(Classes, SReadOnlyProperty, L"Property is read-only");
QEV_RESOURCESTRING(Classes, SInvalidPropertyType, L"Invalid property type: %s");
QEV_RESOURCESTRING(Classes, SClassNotFound, L"Class %s not found");
QEV_RESOURCESTRING(Classes, SDuplicateClass, L"A class named %s already exists");
QEV_RESOURCESTRING(Classes, SDuplicateName, L"A component named %s already exists");
QEV_RESOURCESTRING(Classes, SInvalidName, L"'%s' is not a valid component name");
QEV_RESOURCESTRING(Classes, SAncestorNotFound, L"Ancestor for '%s' not found");
QEV_RESOURCESTRING(Classes, SParseError, L"%s on line %d");
QEV_RESOURCESTRING(Classes, SIdentifierExpected, L"Identifier expected");
QEV_RESOURCESTRING(Classes, SStringExpected, L"String expected");
QEV_RESOURCESTRING(Classes, SNumberExpected, L"Number expected");
QEV_RESOURCESTRING(Classes, SCharExpected, L"'%s' expected");
QEV_RESOURCESTRING(Classes, SSymbolExpected, L"%s expected");
QEV_RESOURCESTRING(Classes, SInvalidBinary, L"Invalid binary value");
QEV_RESOURCESTRING(Classes, SInvalidString, L"Invalid string constant");

namespace {

bool IsBlank(AnsiChar c) { return static_cast<unsigned char>(c) <= ' '; }

AnsiString QuotedStr(const AnsiString& s, AnsiChar quote) {
  AnsiString result(1, quote);
  for (AnsiChar c : s) {
    result += c;
    if (c == quote) result += quote;
  }
  return result + quote;
}

// Reads a quoted text at p (which points at the opening quote): doubled quotes
// stand for one; an unclosed text runs to the end. p ends after the closing quote.
AnsiString ExtractQuoted(const AnsiChar*& p, AnsiChar quote) {
  AnsiString result;
  for (++p; *p; ++p) {
    if (*p == quote) {
      if (p[1] != quote) {
        ++p;
        break;
      }
      ++p;
    }
    result += *p;
  }
  return result;
}

AnsiString DelimitedTextOf(const TStrings& strings, AnsiChar delimiter, AnsiChar quote) {
  Integer count = strings.GetCount();
  if (count == 1 && strings.Get(0).empty()) return AnsiString(2, quote);
  AnsiString result;
  for (Integer i = 0; i < count; ++i) {
    AnsiString s = strings.Get(i);
    if (std::any_of(s.begin(), s.end(),
                    [&](AnsiChar c) { return IsBlank(c) || c == quote || c == delimiter; }))
      s = QuotedStr(s, quote);
    if (i > 0) result += delimiter;
    result += s;
  }
  return result;
}

// Items are separated by the delimiter or by blanks; quoted items keep both.
void SetDelimitedTextOf(TStrings& strings, const AnsiString& value, AnsiChar delimiter,
                        AnsiChar quote) {
  auto skipBlanks = [](const AnsiChar*& p) {
    while (*p && IsBlank(*p)) ++p;
  };
  WithUpdate(&strings, [&] {
    strings.Clear();
    const AnsiChar* p = value.c_str();
    skipBlanks(p);
    while (*p) {
      if (*p == quote) {
        strings.Add(ExtractQuoted(p, quote));
      } else {
        const AnsiChar* start = p;
        while (!IsBlank(*p) && *p != delimiter) ++p;
        strings.Add(AnsiString(start, p));
      }
      skipBlanks(p);
      if (*p == delimiter) {
        if (p[1] == '\0') strings.Add(AnsiString());
        ++p;
        skipBlanks(p);
      }
    }
  });
}

}  // namespace

void QuickSortPointers(void** items, Integer l, Integer r, TListSortCompare compare) {
  Integer i;
  do {
    i = l;
    Integer j = r;
    void* pivot = items[(l + r) / 2];
    do {
      while (compare(items[i], pivot) < 0) ++i;
      while (compare(items[j], pivot) > 0) --j;
      if (i <= j) std::swap(items[i++], items[j--]);
    } while (i <= j);
    if (l < j) QuickSortPointers(items, l, j, compare);
    l = i;
  } while (i < r);
}

// ---------------------------------------------------------------- TPersistent

void TPersistent::Assign(TPersistent* Source) {
  if (!Source) AssignError(nullptr);
  Source->AssignTo(this);
}

void TPersistent::AssignTo(TPersistent* Dest) { Dest->AssignError(this); }

void TPersistent::AssignError(const TPersistent* Source) const {
  throw EConvertError(SAssignError, {Source ? Source->ClassName() : "nil", ClassName()});
}

// ---------------------------------------------------------------------- TList

TList::~TList() { Clear(); }

void TList::Error(const WideString& Msg, Integer Data) { throw EListError(Msg, {Data}); }

void TList::Error(const TResStringRec& Msg, Integer Data) { throw EListError(Msg, {Data}); }

void TList::CheckIndex(Integer Index) const {
  if (Index < 0 || Index >= Count_) Error(SListIndexError, Index);
}

Integer TList::Add(void* Item) {
  Integer result = Count_;
  if (result == Capacity()) Grow();
  Items_[result] = Item;
  ++Count_;
  if (Item) Notify(Item, lnAdded);
  return result;
}

void TList::Clear() {
  SetCount(0);
  SetCapacity(0);
}

void TList::Delete(Integer Index) {
  CheckIndex(Index);
  void* item = Items_[Index];
  std::copy(Items_.begin() + Index + 1, Items_.begin() + Count_, Items_.begin() + Index);
  --Count_;
  if (item) Notify(item, lnDeleted);
}

void TList::Exchange(Integer Index1, Integer Index2) {
  CheckIndex(Index1);
  CheckIndex(Index2);
  std::swap(Items_[Index1], Items_[Index2]);
}

void* TList::Extract(void* Item) {
  Integer i = IndexOf(Item);
  if (i < 0) return nullptr;
  Items_[i] = nullptr;
  Delete(i);
  Notify(Item, lnExtracted);
  return Item;
}

void* TList::Get(Integer Index) const {
  CheckIndex(Index);
  return Items_[Index];
}

Integer TList::IndexOf(void* Item) const {
  auto end = Items_.begin() + Count_;
  auto it = std::find(Items_.begin(), end, Item);
  return it == end ? -1 : static_cast<Integer>(it - Items_.begin());
}

void TList::Insert(Integer Index, void* Item) {
  if (Index < 0 || Index > Count_) Error(SListIndexError, Index);
  if (Count_ == Capacity()) Grow();
  std::copy_backward(Items_.begin() + Index, Items_.begin() + Count_,
                     Items_.begin() + Count_ + 1);
  Items_[Index] = Item;
  ++Count_;
  if (Item) Notify(Item, lnAdded);
}

void TList::Move(Integer CurIndex, Integer NewIndex) {
  if (CurIndex == NewIndex) return;
  if (NewIndex < 0 || NewIndex >= Count_) Error(SListIndexError, NewIndex);
  void* item = Get(CurIndex);
  Items_[CurIndex] = nullptr;
  Delete(CurIndex);
  Insert(NewIndex, nullptr);
  Items_[NewIndex] = item;
}

void TList::Pack() {
  for (Integer i = Count_ - 1; i >= 0; --i)
    if (!Items_[i]) Delete(i);
}

void TList::Put(Integer Index, void* Item) {
  CheckIndex(Index);
  void* old = Items_[Index];
  if (old == Item) return;
  Items_[Index] = Item;
  if (old) Notify(old, lnDeleted);
  if (Item) Notify(Item, lnAdded);
}

Integer TList::Remove(void* Item) {
  Integer i = IndexOf(Item);
  if (i >= 0) Delete(i);
  return i;
}

void TList::Sort(TListSortCompare Compare) {
  if (Count_ > 1) QuickSortPointers(Items_.data(), 0, Count_ - 1, Compare);
}

void TList::SetCount(Integer NewCount) {
  if (NewCount < 0 || NewCount > MaxListSize) Error(SListCountError, NewCount);
  if (NewCount > Capacity()) SetCapacity(NewCount);
  if (NewCount > Count_) {
    std::fill(Items_.begin() + Count_, Items_.begin() + NewCount, nullptr);
    Count_ = NewCount;
  }
  for (Integer i = Count_ - 1; i >= NewCount; --i) Delete(i);
}

void TList::SetCapacity(Integer NewCapacity) {
  if (NewCapacity < Count_ || NewCapacity > MaxListSize) Error(SListCapacityError, NewCapacity);
  if (NewCapacity == Capacity()) return;
  Items_.resize(NewCapacity);
  Items_.shrink_to_fit();
}

void TList::Grow() { SetCapacity(Capacity() + ListGrowDelta(Capacity())); }

void TList::Notify(void*, TListNotification) {}

// ------------------------------------------------------------------- TStrings

void TStrings::Error(const TResStringRec& Msg, Integer Data) {
  throw EStringListError(Msg, {Data});
}

void TStrings::Assign(TPersistent* Source) {
  if (Source == this) return;  // clearing first would lose the items to copy
  auto* source = dynamic_cast<TStrings*>(Source);
  if (!source) return TPersistent::Assign(Source);
  WithUpdate(this, [&] {
    Clear();
    Delimiter = source->Delimiter;
    QuoteChar = source->QuoteChar;
    NameValueSeparator = source->NameValueSeparator;
    AddStrings(source);
  });
}

TObject* TStrings::GetObject(Integer) const { return nullptr; }

void TStrings::Put(Integer Index, const AnsiString& S) {
  TObject* object = GetObject(Index);
  Delete(Index);
  InsertObject(Index, S, object);
}

void TStrings::PutObject(Integer, TObject*) {}

Integer TStrings::GetCapacity() const { return GetCount(); }

void TStrings::SetCapacity(Integer) {}

AnsiString TStrings::GetTextStr() const {
  AnsiString result;
  for (Integer i = 0; i < GetCount(); ++i) result.append(Get(i)).append("\r\n");
  return result;
}

void TStrings::SetTextStr(const AnsiString& Value) {
  WithUpdate(this, [&] {
    Clear();
    // Like the runtime's text, a zero character ends it.
    const AnsiChar* p = Value.c_str();
    while (*p) {
      const AnsiChar* start = p;
      while (*p && *p != '\r' && *p != '\n') ++p;
      Add(AnsiString(start, p));
      if (*p == '\r') ++p;
      if (*p == '\n') ++p;
    }
  });
}

Integer TStrings::CompareStrings(const AnsiString& S1, const AnsiString& S2) const {
  return AnsiCompareText(S1, S2);
}

Integer TStrings::Add(const AnsiString& S) {
  Integer result = GetCount();
  Insert(result, S);
  return result;
}

Integer TStrings::AddObject(const AnsiString& S, TObject* AObject) {
  Integer result = Add(S);
  PutObject(result, AObject);
  return result;
}

void TStrings::AddStrings(TStrings* Strings) {
  if (Strings == this) {
    // Adding to a list may move its items: copy the original ones first.
    TStringList items;
    items.AddStrings(this);
    AddStrings(&items);
    return;
  }
  WithUpdate(this, [&] {
    for (Integer i = 0; i < Strings->GetCount(); ++i)
      AddObject(Strings->Get(i), Strings->GetObject(i));
  });
}

void TStrings::Exchange(Integer Index1, Integer Index2) {
  WithUpdate(this, [&] {
    AnsiString s = Get(Index1);
    TObject* object = GetObject(Index1);
    Put(Index1, Get(Index2));
    PutObject(Index1, GetObject(Index2));
    Put(Index2, s);
    PutObject(Index2, object);
  });
}

Integer TStrings::IndexOf(const AnsiString& S) const {
  for (Integer i = 0; i < GetCount(); ++i)
    if (CompareStrings(Get(i), S) == 0) return i;
  return -1;
}

Integer TStrings::IndexOfName(const AnsiString& Name) const {
  for (Integer i = 0; i < GetCount(); ++i) {
    AnsiString s = Get(i);
    size_t p = s.find(NameValueSeparator);
    if (p != AnsiString::npos && CompareStrings(s.substr(0, p), Name) == 0) return i;
  }
  return -1;
}

Integer TStrings::IndexOfObject(TObject* AObject) const {
  for (Integer i = 0; i < GetCount(); ++i)
    if (GetObject(i) == AObject) return i;
  return -1;
}

void TStrings::InsertObject(Integer Index, const AnsiString& S, TObject* AObject) {
  Insert(Index, S);
  PutObject(Index, AObject);
}

void TStrings::Move(Integer CurIndex, Integer NewIndex) {
  if (CurIndex == NewIndex) return;
  // Checked before the item is taken out, which would otherwise be lost.
  if (NewIndex < 0 || NewIndex >= GetCount()) Error(SListIndexError, NewIndex);
  WithUpdate(this, [&] {
    AnsiString s = Get(CurIndex);
    TObject* object = GetObject(CurIndex);
    Delete(CurIndex);
    InsertObject(NewIndex, s, object);
  });
}

void TStrings::LoadFromFile(const AnsiString& FileName) {
  TFileStream stream(FileName, fmOpenRead | fmShareDenyWrite);
  LoadFromStream(&stream);
}

void TStrings::LoadFromStream(TStream* Stream) {
  WithUpdate(this, [&] {
    Int64 size = std::max<Int64>(Stream->Size() - Stream->Position(), 0);
    if (static_cast<std::uint64_t>(size) > AnsiString().max_size()) throw EReadError(SReadError);
    AnsiString text(static_cast<size_t>(size), '\0');
    Stream->ReadBuffer(text.data(), size);
    SetTextStr(text);
  });
}

void TStrings::SaveToFile(const AnsiString& FileName) const {
  TFileStream stream(FileName, fmCreate);
  SaveToStream(&stream);
}

void TStrings::SaveToStream(TStream* Stream) const {
  AnsiString text = GetTextStr();
  Stream->WriteBuffer(text.data(), static_cast<Int64>(text.size()));
}

void TStrings::BeginUpdate() {
  if (UpdateCount_ == 0) SetUpdateState(true);
  ++UpdateCount_;
}

void TStrings::EndUpdate() {
  if (--UpdateCount_ == 0) SetUpdateState(false);
}

void TStrings::SetUpdateState(bool) {}

bool TStrings::Equals(const TStrings* Strings) const {
  Integer count = GetCount();
  if (count != Strings->GetCount()) return false;
  for (Integer i = 0; i < count; ++i)
    if (Get(i) != Strings->Get(i)) return false;
  return true;
}

void TStrings::DefineProperties(TFiler* Filer) {
  bool hasData = Count() > 0;
  if (TPersistent* ancestor = Filer->Ancestor()) {
    auto* lines = dynamic_cast<TStrings*>(ancestor);
    hasData = !lines || !Equals(lines);
  }
  Filer->DefineProperty("Strings", TReaderProc::Bind<&TStrings::ReadData>(this),
                        TWriterProc::Bind<&TStrings::WriteData>(this), hasData);
}

void TStrings::ReadData(TReader* Reader) {
  Reader->ReadListBegin();
  WithUpdate(this, [&] {
    Clear();
    while (!Reader->EndOfList()) Add(Reader->ReadString());
  });
  Reader->ReadListEnd();
}

void TStrings::WriteData(TWriter* Writer) {
  Writer->WriteListBegin();
  for (Integer i = 0; i < Count(); ++i) Writer->WriteString(Get(i));
  Writer->WriteListEnd();
}

AnsiString TStrings::CommaText() const { return DelimitedTextOf(*this, ',', '"'); }

void TStrings::SetCommaText(const AnsiString& Value) { SetDelimitedTextOf(*this, Value, ',', '"'); }

AnsiString TStrings::DelimitedText() const { return DelimitedTextOf(*this, Delimiter, QuoteChar); }

void TStrings::SetDelimitedText(const AnsiString& Value) {
  SetDelimitedTextOf(*this, Value, Delimiter, QuoteChar);
}

AnsiString TStrings::Names(Integer Index) const {
  AnsiString s = Get(Index);
  size_t p = s.find(NameValueSeparator);
  return p == AnsiString::npos ? AnsiString() : s.substr(0, p);
}

AnsiString TStrings::Values(const AnsiString& Name) const {
  Integer i = IndexOfName(Name);
  return i < 0 ? AnsiString() : ValueFromIndex(i);
}

void TStrings::SetValue(const AnsiString& Name, const AnsiString& Value) {
  Integer i = IndexOfName(Name);
  if (Value.empty()) {
    if (i >= 0) Delete(i);
  } else if (i >= 0) {
    Put(i, Name + NameValueSeparator + Value);
  } else {
    Add(Name + NameValueSeparator + Value);
  }
}

AnsiString TStrings::ValueFromIndex(Integer Index) const {
  if (Index < 0) return AnsiString();
  AnsiString s = Get(Index);
  size_t p = s.find(NameValueSeparator);
  return p == AnsiString::npos ? AnsiString() : s.substr(p + 1);
}

// ---------------------------------------------------------------- TStringList

Integer TStringList::CompareStrings(const AnsiString& S1, const AnsiString& S2) const {
  return CaseSensitive() ? AnsiCompareStr(S1, S2) : AnsiCompareText(S1, S2);
}

// -------------------------------------------------------------------- TStream

namespace {
// Whole-buffer transfers go in pieces that the Integer counts can carry.
constexpr Int64 MaxTransfer = 0x40000000;
}  // namespace

Int64 TStream::Size() {
  Int64 pos = Seek(0, soCurrent);
  Int64 result = Seek(0, soEnd);
  Seek(pos, soBeginning);
  return result;
}

void TStream::SetSize(Int64) {}

void TStream::ReadBuffer(void* Buffer, Int64 Count) {
  if (Count < 0) throw EReadError(SReadError);
  auto* p = static_cast<Byte*>(Buffer);
  while (Count > 0) {
    Integer n = static_cast<Integer>(std::min(Count, MaxTransfer));
    if (Read(p, n) != n) throw EReadError(SReadError);
    p += n;
    Count -= n;
  }
}

void TStream::WriteBuffer(const void* Buffer, Int64 Count) {
  if (Count < 0) throw EWriteError(SWriteError);
  auto* p = static_cast<const Byte*>(Buffer);
  while (Count > 0) {
    Integer n = static_cast<Integer>(std::min(Count, MaxTransfer));
    if (Write(p, n) != n) throw EWriteError(SWriteError);
    p += n;
    Count -= n;
  }
}

Int64 TStream::CopyFrom(TStream* Source, Int64 Count) {
  constexpr Int64 MaxBufSize = 0xF000;
  if (Count == 0) {
    Source->SetPosition(0);
    Count = Source->Size();
  }
  if (Count < 0) throw EReadError(SReadError);
  std::vector<Byte> buffer(static_cast<size_t>(std::min(Count, MaxBufSize)));
  for (Int64 left = Count; left > 0;) {
    Integer n = static_cast<Integer>(std::min<Int64>(left, MaxBufSize));
    Source->ReadBuffer(buffer.data(), n);
    WriteBuffer(buffer.data(), n);
    left -= n;
  }
  return Count;
}

// -------------------------------------------------------------- THandleStream

Integer THandleStream::Read(void* Buffer, Integer Count) {
  DWORD done = 0;
  if (Count <= 0 || !ReadFile(Handle_, Buffer, static_cast<DWORD>(Count), &done, nullptr)) return 0;
  return static_cast<Integer>(done);
}

Integer THandleStream::Write(const void* Buffer, Integer Count) {
  DWORD done = 0;
  if (Count <= 0 || !WriteFile(Handle_, Buffer, static_cast<DWORD>(Count), &done, nullptr))
    return 0;
  return static_cast<Integer>(done);
}

Int64 THandleStream::Seek(Int64 Offset, TSeekOrigin Origin) {
  static_assert(soBeginning == FILE_BEGIN && soCurrent == FILE_CURRENT && soEnd == FILE_END);
  LARGE_INTEGER distance;
  distance.QuadPart = Offset;
  LARGE_INTEGER result;
  if (!SetFilePointerEx(Handle_, distance, &result, static_cast<DWORD>(Origin))) return -1;
  return result.QuadPart;
}

void THandleStream::SetSize(Int64 NewSize) {
  if (Seek(NewSize, soBeginning) != NewSize) RaiseLastOSError();
  Win32Check(SetEndOfFile(Handle_));
}

// ---------------------------------------------------------------- TFileStream

TFileStream::TFileStream(const AnsiString& FileName, Word Mode)
    : THandleStream(Mode == fmCreate ? FileCreate(FileName) : FileOpen(FileName, Mode)) {
  if (Handle_ != INVALID_HANDLE_VALUE) return;
  if (Mode == fmCreate) throw EFCreateError(SFCreateError, {FileName});
  throw EFOpenError(SFOpenError, {FileName});
}

TFileStream::~TFileStream() {
  if (Handle_ != INVALID_HANDLE_VALUE) CloseHandle(Handle_);
}

// -------------------------------------------------------- TCustomMemoryStream

Integer TCustomMemoryStream::Read(void* Buffer, Integer Count) {
  if (Position_ < 0 || Count <= 0) return 0;
  Int64 left = Size_ - Position_;
  if (left <= 0) return 0;
  Integer n = static_cast<Integer>(std::min<Int64>(left, Count));
  std::memcpy(Buffer, static_cast<const Byte*>(Memory_) + Position_, static_cast<size_t>(n));
  Position_ += n;
  return n;
}

Int64 TCustomMemoryStream::Seek(Int64 Offset, TSeekOrigin Origin) {
  switch (Origin) {
    case soBeginning: Position_ = Offset; break;
    case soCurrent: Position_ += Offset; break;
    case soEnd: Position_ = Size_ + Offset; break;
  }
  return Position_;
}

void TCustomMemoryStream::SaveToStream(TStream* Stream) { Stream->WriteBuffer(Memory_, Size_); }

void TCustomMemoryStream::SaveToFile(const AnsiString& FileName) {
  TFileStream stream(FileName, fmCreate);
  SaveToStream(&stream);
}

void TCustomMemoryStream::SetPointer(void* Ptr, Int64 Size) {
  Memory_ = Ptr;
  Size_ = Size;
}

// -------------------------------------------------------------- TMemoryStream

TMemoryStream::~TMemoryStream() { Clear(); }

void TMemoryStream::Clear() {
  SetCapacity(0);
  SetPointer(Memory(), 0);
  SetCurrentPosition(0);
}

void TMemoryStream::SetCapacity(Int64 NewCapacity) {
  constexpr Int64 MemoryDelta = 0x2000;
  constexpr Int64 MaxCapacity = std::numeric_limits<std::ptrdiff_t>::max() - MemoryDelta;
  if (NewCapacity < 0 || NewCapacity > MaxCapacity) throw EStreamError(SMemoryStreamError);
  if (NewCapacity > 0 && NewCapacity != Size())
    NewCapacity = (NewCapacity + (MemoryDelta - 1)) & ~(MemoryDelta - 1);
  void* memory = Memory();
  if (NewCapacity != Capacity_) {
    if (NewCapacity == 0) {
      std::free(memory);
      memory = nullptr;
    } else {
      memory = std::realloc(memory, static_cast<size_t>(NewCapacity));
      if (!memory) throw EStreamError(SMemoryStreamError);
    }
  }
  Capacity_ = NewCapacity;
  SetPointer(memory, Size());
}

void TMemoryStream::SetSize(Int64 NewSize) {
  Int64 oldSize = Size();
  SetCapacity(NewSize);
  if (NewSize > oldSize)
    std::memset(static_cast<Byte*>(Memory()) + oldSize, 0, static_cast<size_t>(NewSize - oldSize));
  SetPointer(Memory(), NewSize);
  if (CurrentPosition() > NewSize) Seek(0, soEnd);
}

Integer TMemoryStream::Write(const void* Buffer, Integer Count) {
  Int64 pos = CurrentPosition();
  if (pos < 0 || Count <= 0) return 0;
  Int64 end = pos + Count;
  Int64 oldSize = Size();
  if (end > oldSize) {
    if (end > Capacity_) SetCapacity(end);
    // A gap left by a seek past the end reads as zeros.
    if (pos > oldSize)
      std::memset(static_cast<Byte*>(Memory()) + oldSize, 0, static_cast<size_t>(pos - oldSize));
    SetPointer(Memory(), end);
  }
  std::memcpy(static_cast<Byte*>(Memory()) + pos, Buffer, static_cast<size_t>(Count));
  SetCurrentPosition(end);
  return Count;
}

void TMemoryStream::LoadFromStream(TStream* Stream) {
  Stream->SetPosition(0);
  Int64 count = Stream->Size();
  SetSize(count);
  Stream->ReadBuffer(Memory(), count);
}

void TMemoryStream::LoadFromFile(const AnsiString& FileName) {
  TFileStream stream(FileName, fmOpenRead | fmShareDenyWrite);
  LoadFromStream(&stream);
}

// ------------------------------------------------------------ TResourceStream

TResourceStream::TResourceStream(THandle Instance, const AnsiString& ResName,
                                 const AnsiChar* ResType) {
  Initialize(Instance, ResName.c_str(), ResType, ResName);
}

TResourceStream::TResourceStream(THandle Instance, Integer ResID, const AnsiChar* ResType) {
  Initialize(Instance, MAKEINTRESOURCEA(ResID), ResType, IntToStr(ResID));
}

void TResourceStream::Initialize(THandle Instance, const AnsiChar* Name, const AnsiChar* ResType,
                                 const AnsiString& ShownName) {
  auto module = static_cast<HMODULE>(Instance);
  HRSRC info = FindResourceA(module, Name, ResType);
  HGLOBAL global = info ? LoadResource(module, info) : nullptr;
  if (!global) throw EResNotFound(SResNotFound, {ShownName});
  Global_ = global;
  SetPointer(LockResource(global), SizeofResource(module, info));
}

TResourceStream::~TResourceStream() { FreeResource(Global_); }

Integer TResourceStream::Write(const void*, Integer) {
  throw EStreamError(SCantWriteResourceStreamError);
}
