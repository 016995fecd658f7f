#include "QevClasses.h"

#include <algorithm>
#include <climits>

#include "QevSysUtils.h"
#include "QevSystem.h"
#include "WinApi.h"

namespace {

constexpr WideChar CR = L'\r';
constexpr WideChar LF = L'\n';
constexpr WideChar LineSeparator = 0x2028;

// Texts are loaded whole; beyond this many bytes the lengths of the runtime's
// strings and of the system conversions no longer hold them.
constexpr Int64 MaxTextBytes = INT_MAX;

// Bytes from the stream's position to its end, in 64 bits; too many to load
// as one text is a read error.
Int64 BytesToLoad(TStream* stream) {
  Int64 left = std::max<Int64>(stream->Size() - stream->Position(), 0);
  if (left > MaxTextBytes) throw EReadError(SReadError);
  return left;
}

AnsiString ReadBytes(TStream* stream) {
  AnsiString bytes(static_cast<std::size_t>(BytesToLoad(stream)), '\0');
  stream->ReadBuffer(bytes.data(), static_cast<Int64>(bytes.size()));
  return bytes;
}

// Whole UTF-16 code units; an odd last byte stays unread.
WideString ReadWideChars(TStream* stream, bool swapped) {
  WideString text(static_cast<std::size_t>(BytesToLoad(stream) / 2), L'\0');
  stream->ReadBuffer(text.data(), static_cast<Int64>(text.size() * sizeof(WideChar)));
  // Swapping stops at a zero character, where the list's text ends anyway.
  if (swapped) SwapWideByteOrder(text.data());
  return text;
}

// A damaged UTF-8 sequence shows as U+FFFD: an empty text never stands for
// a damaged file.
WideString TextOfBytes(const AnsiString& bytes, Integer codePage) {
  if (codePage == CP_UTF8) return UTF8TextToWideString(bytes);
  return StringToWideStringEx(bytes, codePage);
}

WideString ReadText(TStream* stream, TQevStreamCharSet charSet) {
  switch (charSet) {
    case csUnicode: return ReadWideChars(stream, false);
    case csUnicodeSwapped: return ReadWideChars(stream, true);
    case csUtf8: return TextOfBytes(ReadBytes(stream), CP_UTF8);
    case csAnsi: break;
  }
  return TextOfBytes(ReadBytes(stream), ConversionCodePage);
}

}  // namespace

// ---------------------------------------------------------------- TQevStrings

QEV_DEFINE_CLASS(TQevStrings, QEV_PROPERTY(AnsiStrings, AnsiStrings, SetAnsiStrings)
                                  .Type(TypeInfoOf<TAnsiStrings*>())
                                  .NotStored())

TQevStrings::TQevStrings()
    : AnsiStrings_(std::make_unique<TAnsiStringsForWideStringsAdapter>(this)) {}

TQevStrings::~TQevStrings() { SetStringsAdapter(nullptr); }

void TQevStrings::Error(const TResStringRec& Msg, Integer Data) {
  throw EStringListError(Msg, {Data});
}

void TQevStrings::Assign(TPersistent* Source) {
  // Clearing first would lose the very items to be copied.
  if (Source == this || Source == AnsiStrings_.get()) return;
  if (auto* source = dynamic_cast<TQevStrings*>(Source)) {
    WithUpdate(this, [&] {
      Clear();
      Defined_ = source->Defined_;
      NameValueSeparator_ = source->NameValueSeparator_;
      QuoteChar_ = source->QuoteChar_;
      Delimiter_ = source->Delimiter_;
      AddStrings(source);
    });
  } else if (auto* strings = dynamic_cast<TStrings*>(Source)) {
    AnsiStrings_->Assign(strings);
  } else {
    TPersistent::Assign(Source);
  }
}

void TQevStrings::AssignTo(TPersistent* Dest) {
  if (auto* strings = dynamic_cast<TStrings*>(Dest))
    strings->Assign(AnsiStrings_.get());
  else
    TPersistent::AssignTo(Dest);
}

Integer TQevStrings::GetCapacity() const { return GetCount(); }

TObject* TQevStrings::GetObject(Integer) const { return nullptr; }

WideString TQevStrings::GetTextStr() const {
  std::size_t length = 0;
  for (Integer i = 0; i < GetCount(); ++i) length += Get(i).size() + 2;
  WideString result;
  result.reserve(length);
  for (Integer i = 0; i < GetCount(); ++i) result.append(Get(i)).append(L"\r\n");
  return result;
}

void TQevStrings::Put(Integer Index, const WideString& S) {
  TObject* object = GetObject(Index);
  Delete(Index);
  InsertObject(Index, S, object);
}

void TQevStrings::PutObject(Integer, TObject*) {}

void TQevStrings::SetCapacity(Integer) {}

void TQevStrings::SetTextStr(const WideString& Value) {
  WithUpdate(this, [&] {
    Clear();
    const WideChar* p = Value.c_str();
    while (*p) {
      const WideChar* start = p;
      while (*p && *p != CR && *p != LF && *p != LineSeparator) ++p;
      Add(WideString(start, p));
      if (*p == CR) ++p;
      if (*p == LF) ++p;
      if (*p == LineSeparator) ++p;
    }
  });
}

Integer TQevStrings::CompareStrings(const WideString& S1, const WideString& S2) const {
  return WideCompareText(S1, S2);
}

Integer TQevStrings::Add(const WideString& S) {
  Integer result = GetCount();
  Insert(result, S);
  return result;
}

Integer TQevStrings::AddObject(const WideString& S, TObject* AObject) {
  Integer result = Add(S);
  PutObject(result, AObject);
  return result;
}

void TQevStrings::AddStrings(TQevStrings* Strings) {
  if (Strings == this) {
    // Adding to a list may move its items: add a copy of the original ones.
    TQevStringList items;
    items.AddStrings(this);
    AddStrings(&items);
    return;
  }
  WithUpdate(this, [&] {
    for (Integer i = 0; i < Strings->GetCount(); ++i)
      AddObject(Strings->Get(i), Strings->GetObject(i));
  });
}

void TQevStrings::Exchange(Integer Index1, Integer Index2) {
  WithUpdate(this, [&] {
    WideString s = Get(Index1);
    TObject* object = GetObject(Index1);
    Put(Index1, Get(Index2));
    PutObject(Index1, GetObject(Index2));
    Put(Index2, s);
    PutObject(Index2, object);
  });
}

WideChar* TQevStrings::GetText() const {
  WideString text = GetTextStr();
  return text.empty() ? nullptr : WStrNew(text.c_str());
}

Integer TQevStrings::IndexOf(const WideString& S) const {
  for (Integer i = 0; i < GetCount(); ++i)
    if (CompareStrings(Get(i), S) == 0) return i;
  return -1;
}

Integer TQevStrings::IndexOfName(const WideString& Name) const {
  const WideChar separator = NameValueSeparator();
  for (Integer i = 0; i < GetCount(); ++i) {
    WideString s = Get(i);
    std::size_t p = s.find(separator);
    if (p != WideString::npos && CompareStrings(s.substr(0, p), Name) == 0) return i;
  }
  return -1;
}

Integer TQevStrings::IndexOfObject(TObject* AObject) const {
  for (Integer i = 0; i < GetCount(); ++i)
    if (GetObject(i) == AObject) return i;
  return -1;
}

void TQevStrings::InsertObject(Integer Index, const WideString& S, TObject* AObject) {
  Insert(Index, S);
  PutObject(Index, AObject);
}

void TQevStrings::LoadFromFile(const WideString& FileName) {
  TQevFileStream stream(FileName, fmOpenRead | fmShareDenyWrite);
  LastFileCharSet_ = AutoDetectCharacterSet(&stream);
  stream.SetPosition(0);
  LoadFromStream(&stream, true);
}

void TQevStrings::LoadFromStream(TStream* Stream, bool WithBOM) {
  WithUpdate(this, [&] {
    TQevStreamCharSet charSet = WithBOM ? AutoDetectCharacterSet(Stream) : csUnicode;
    SetTextStr(ReadText(Stream, charSet));
  });
}

void TQevStrings::Move(Integer CurIndex, Integer NewIndex) {
  if (CurIndex == NewIndex) return;
  // Checked before the item is taken out, which would otherwise be lost.
  if (NewIndex < 0 || NewIndex >= GetCount()) Error(SListIndexError, NewIndex);
  WithUpdate(this, [&] {
    WideString s = Get(CurIndex);
    TObject* object = GetObject(CurIndex);
    Delete(CurIndex);
    InsertObject(NewIndex, s, object);
  });
}

void TQevStrings::SaveToFile(const WideString& FileName) const {
  TQevFileStream stream(FileName, fmCreate);
  SaveToStream(&stream, true);
}

void TQevStrings::SaveToStream(TStream* Stream, bool WithBOM) const {
  if (WithBOM) {
    const Byte mark[] = {0xFF, 0xFE};
    Stream->WriteBuffer(mark, sizeof(mark));
  }
  WideString text = GetTextStr();
  Stream->WriteBuffer(text.data(), static_cast<Int64>(text.size() * sizeof(WideChar)));
}

void TQevStrings::SetText(const WideChar* Text) { SetTextStr(Text ? Text : L""); }

void TQevStrings::BeginUpdate() {
  if (UpdateCount_ == 0) SetUpdateState(true);
  ++UpdateCount_;
}

void TQevStrings::EndUpdate() {
  if (--UpdateCount_ == 0) SetUpdateState(false);
}

void TQevStrings::SetUpdateState(bool) {}

bool TQevStrings::Equals(const TQevStrings* Strings) const {
  Integer count = GetCount();
  if (count != Strings->GetCount()) return false;
  for (Integer i = 0; i < count; ++i)
    if (Get(i) != Strings->Get(i)) return false;
  return true;
}

WideString TQevStrings::Names(Integer Index) const {
  WideString s = Get(Index);
  std::size_t p = s.find(NameValueSeparator());
  return p == WideString::npos ? WideString() : s.substr(0, p);
}

WideString TQevStrings::Values(const WideString& Name) const {
  // The value follows the item's own separator: a name that compares equal
  // to Name need not be as long.
  Integer i = IndexOfName(Name);
  return i < 0 ? WideString() : ValueFromIndex(i);
}

WideString TQevStrings::ValueFromIndex(Integer Index) const {
  if (Index < 0) return WideString();
  WideString s = Get(Index);
  std::size_t p = s.find(NameValueSeparator());
  return p == WideString::npos ? WideString() : s.substr(p + 1);
}

WideChar TQevStrings::DefinedOr(TDefined Flag, WideChar Value, WideChar Default) const {
  return (Defined_ & Flag) ? Value : Default;
}

void TQevStrings::Define(TDefined Flag, WideChar& Field, WideChar Value) {
  Field = Value;
  Defined_ |= Flag;
}

WideChar TQevStrings::Delimiter() const { return DefinedOr(sdDelimiter, Delimiter_, L','); }

void TQevStrings::SetDelimiter(WideChar Value) { Define(sdDelimiter, Delimiter_, Value); }

WideChar TQevStrings::QuoteChar() const { return DefinedOr(sdQuoteChar, QuoteChar_, L'"'); }

void TQevStrings::SetQuoteChar(WideChar Value) { Define(sdQuoteChar, QuoteChar_, Value); }

WideChar TQevStrings::NameValueSeparator() const {
  return DefinedOr(sdNameValueSeparator, NameValueSeparator_, L'=');
}

void TQevStrings::SetNameValueSeparator(WideChar Value) {
  Define(sdNameValueSeparator, NameValueSeparator_, Value);
}

void TQevStrings::SetAnsiStrings(TStrings* Value) { AnsiStrings_->Assign(Value); }

void TQevStrings::SetStringsAdapter(IWideStringsAdapter* Value) {
  if (StringsAdapter_) StringsAdapter_->ReleaseStrings();
  StringsAdapter_ = Value;
  if (StringsAdapter_) StringsAdapter_->ReferenceStrings(this);
}

// ------------------------------------------------------------- TQevStringList

QEV_DEFINE_CLASS(TQevStringList)

Integer TQevStringList::CompareStrings(const WideString& S1, const WideString& S2) const {
  return CaseSensitive() ? WideCompareStr(S1, S2) : WideCompareText(S1, S2);
}

Integer TQevStringList::IndexOfName(const WideString& Name) const {
  if (!Sorted()) return TQevStrings::IndexOfName(Name);
  const WideChar separator = NameValueSeparator();
  Integer index;
  Find(Name + separator, index);
  if (index >= GetCount()) return -1;
  // The item's own name decides, whatever its length.
  const WideString s = Get(index);
  std::size_t p = s.find(separator);
  return p != WideString::npos && CompareStrings(s.substr(0, p), Name) == 0 ? index : -1;
}

// -------------------------------------------------------------- 8-bit view

QEV_DEFINE_CLASS(TAnsiStrings)
QEV_DEFINE_CLASS(TAnsiStringsForWideStringsAdapter)

TAnsiStringsForWideStringsAdapter::TAnsiStringsForWideStringsAdapter(TQevStrings* WideStrings,
                                                                     Word CodePage)
    : WideStrings_(WideStrings), CodePage_(CodePage) {}

AnsiString TAnsiStringsForWideStringsAdapter::Get(Integer Index) const {
  return WideStringToStringEx(WideStrings_->Get(Index), AdapterCodePage());
}

Integer TAnsiStringsForWideStringsAdapter::GetCount() const { return WideStrings_->GetCount(); }

TObject* TAnsiStringsForWideStringsAdapter::GetObject(Integer Index) const {
  return WideStrings_->GetObject(Index);
}

void TAnsiStringsForWideStringsAdapter::Put(Integer Index, const AnsiString& S) {
  WideStrings_->Put(Index, StringToWideStringEx(S, AdapterCodePage()));
}

void TAnsiStringsForWideStringsAdapter::PutObject(Integer Index, TObject* AObject) {
  WideStrings_->PutObject(Index, AObject);
}

Integer TAnsiStringsForWideStringsAdapter::Add(const AnsiString& S) {
  return WideStrings_->Add(StringToWideStringEx(S, AdapterCodePage()));
}

void TAnsiStringsForWideStringsAdapter::Clear() { WideStrings_->Clear(); }

void TAnsiStringsForWideStringsAdapter::Delete(Integer Index) { WideStrings_->Delete(Index); }

void TAnsiStringsForWideStringsAdapter::Insert(Integer Index, const AnsiString& S) {
  WideStrings_->Insert(Index, StringToWideStringEx(S, AdapterCodePage()));
}

void TAnsiStringsForWideStringsAdapter::LoadFromStreamEx(TStream* Stream, Integer CodePage) {
  WithUpdate(this, [&] {
    WideStrings_->SetTextStr(TextOfBytes(ReadBytes(Stream), CodePage));
  });
}

void TAnsiStringsForWideStringsAdapter::SaveToStreamEx(TStream* Stream, Integer CodePage) const {
  AnsiString text = WideStringToStringEx(WideStrings_->GetTextStr(), CodePage);
  Stream->WriteBuffer(text.data(), static_cast<Int64>(text.size()));
}

Integer TAnsiStringsForWideStringsAdapter::AdapterCodePage() const {
  return CodePage_ ? CodePage_ : ConversionCodePage;
}

void TAnsiStringsForWideStringsAdapter::SetUpdateState(bool Updating) {
  if (Updating)
    WideStrings_->BeginUpdate();
  else
    WideStrings_->EndUpdate();
}

// ------------------------------------------------------------------ builders

namespace {

// Grows a buffer that is too short for index (1-based) by a step between 32
// and 256 characters.
template <typename String>
void GrowForChar(String& buffer, Integer index) {
  if (static_cast<Integer>(buffer.size()) >= index) return;
  std::size_t step = std::min<std::size_t>(std::max<std::size_t>(32, buffer.size()), 256);
  buffer.resize(buffer.size() + step);
}

}  // namespace

void TBufferedAnsiString::Clear() {
  LastWritten_ = 0;
  std::fill(Buffer_.begin(), Buffer_.end(), '\0');
}

void TBufferedAnsiString::AddChar(AnsiChar Ch) {
  ++LastWritten_;
  GrowForChar(Buffer_, LastWritten_);
  Buffer_[LastWritten_ - 1] = Ch;
}

void TBufferedAnsiString::AddString(const AnsiString& S) {
  if (S.empty()) return;
  std::size_t start = static_cast<std::size_t>(LastWritten_);  // 0-based
  if (Buffer_.size() < start + S.size()) {
    std::size_t step = std::max<std::size_t>(Buffer_.size() / 2, 8);
    Buffer_.resize(Buffer_.size() + step * (S.size() / step + 1));
  }
  std::copy(S.begin(), S.end(), Buffer_.begin() + static_cast<std::ptrdiff_t>(start));
  LastWritten_ = static_cast<Integer>(start + S.size());
}

AnsiString TBufferedAnsiString::Value() const { return AnsiString(Buffer_.c_str()); }

void TBufferedWideString::Clear() {
  LastWritten_ = 0;
  std::fill(Buffer_.begin(), Buffer_.end(), L'\0');
}

void TBufferedWideString::AddChar(WideChar Ch) {
  ++LastWritten_;
  GrowForChar(Buffer_, LastWritten_);
  Buffer_[LastWritten_ - 1] = Ch;
}

void TBufferedWideString::AddString(const WideString& S) {
  for (WideChar c : S) AddChar(c);
}

void TBufferedWideString::AddBuffer(const WideChar* P, Integer Count) {
  for (Integer i = 0; i < Count && P[i]; ++i) AddChar(P[i]);
}

WideString TBufferedWideString::Value() const { return WideString(Buffer_.c_str()); }

bool FindSortedListIndex(const TList* List, TListTargetCompare Compare, void* Target,
                         Integer& Index) {
  Integer l = 0;
  Integer h = List->Count() - 1;
  while (l <= h) {
    Integer i = ListMiddle(l, h);
    Integer c = Compare(List->Get(i), Target);
    if (c < 0) {
      l = i + 1;
    } else if (c > 0) {
      h = i - 1;
    } else {
      Index = i;
      return true;
    }
  }
  Index = l;
  return false;
}

// ------------------------------------------------------------------- streams

TQevFileStream::TQevFileStream(const WideString& FileName, Word Mode)
    : THandleStream(Mode == fmCreate ? WideFileCreate(FileName) : WideFileOpen(FileName, Mode)) {
  if (Handle_ != INVALID_HANDLE_VALUE) return;
  if (Mode == fmCreate) throw EFCreateError(SFCreateError, {FileName});
  throw EFOpenError(SFOpenError, {FileName});
}

TQevFileStream::~TQevFileStream() {
  if (Handle_ != INVALID_HANDLE_VALUE) CloseHandle(Handle_);
}

void TQevMemoryStream::LoadFromFile(const WideString& FileName) {
  TQevFileStream stream(FileName, fmOpenRead | fmShareDenyWrite);
  LoadFromStream(&stream);
}

TQevResourceStream::TQevResourceStream(THandle Instance, const WideString& ResName,
                                       const WideChar* ResType) {
  auto module = static_cast<HMODULE>(Instance);
  HRSRC info = FindResourceW(module, ResName.c_str(), ResType);
  HGLOBAL global = info ? LoadResource(module, info) : nullptr;
  if (!global) throw EResNotFound(SResNotFound, {ResName});
  ResInfo_ = info;
  Handle_ = global;
  SetPointer(LockResource(global), SizeofResource(module, info));
}

TQevResourceStream::~TQevResourceStream() { FreeResource(Handle_); }

Integer TQevResourceStream::Write(const void*, Integer) {
  throw EStreamError(SCantWriteResourceStreamError);
}

TQevStreamCharSet AutoDetectCharacterSet(TStream* Stream) {
  auto bytesLeft = [Stream] { return Stream->Size() - Stream->Position(); };
  Byte mark[3];
  if (bytesLeft() >= 2) {
    Integer n = Stream->Read(mark, 2);
    if (n == 2 && mark[0] == 0xFF && mark[1] == 0xFE) return csUnicode;
    if (n == 2 && mark[0] == 0xFE && mark[1] == 0xFF) return csUnicodeSwapped;
    Stream->Seek(-n, soCurrent);
  }
  if (bytesLeft() >= 3) {
    Integer n = Stream->Read(mark, 3);
    if (n == 3 && mark[0] == 0xEF && mark[1] == 0xBB && mark[2] == 0xBF) return csUtf8;
    Stream->Seek(-n, soCurrent);
  }
  return csAnsi;
}
