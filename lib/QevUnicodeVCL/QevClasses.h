// Wide string lists and their 8-bit view, string builders, streams opened by
// wide names, the layer's one text-file format and the form-file entries of
// wide values.
#pragma once

#include <memory>
#include <vector>

#include "Classes.h"

// Character set of a text file, told by its byte-order mark.
enum TQevStreamCharSet {
  csAnsi = 0,            // no mark: 8-bit text in ConversionCodePage
  csUnicode = 1,         // FF FE, UTF-16LE
  csUnicodeSwapped = 2,  // FE FF, UTF-16BE
  csUtf8 = 3             // EF BB BF
};

class TQevStrings;
class TAnsiStringsForWideStringsAdapter;

// Something that serves a wide list's storage from elsewhere. The list only
// references it; whoever sets it keeps it alive until ReleaseStrings.
class IWideStringsAdapter {
 public:
  virtual void ReferenceStrings(TQevStrings* S) = 0;
  virtual void ReleaseStrings() = 0;

 protected:
  ~IWideStringsAdapter() = default;
};

// ---------------------------------------------------------------- TQevStrings

// An abstract list of wide strings, each with an object (never owned).
class TQevStrings : public TPersistent {
  QEV_CLASS(TQevStrings, TPersistent)
 public:
  TQevStrings();
  ~TQevStrings() override;
  // From a wide list, or from a platform TStrings through AnsiStrings.
  void Assign(TPersistent* Source) override;

  virtual WideString Get(Integer Index) const = 0;
  virtual Integer GetCapacity() const;
  virtual Integer GetCount() const = 0;
  virtual TObject* GetObject(Integer Index) const;
  // Every item followed by CR LF.
  virtual WideString GetTextStr() const;
  virtual void Put(Integer Index, const WideString& S);
  virtual void PutObject(Integer Index, TObject* AObject);
  virtual void SetCapacity(Integer NewCapacity);
  // Lines end at CR LF, CR, LF or U+2028 (CR LF U+2028 is one break); a
  // final break adds no empty item and a zero character ends the text.
  virtual void SetTextStr(const WideString& Value);
  // Negative, 0 or positive; the base ignores case.
  virtual Integer CompareStrings(const WideString& S1, const WideString& S2) const;
  virtual Integer Add(const WideString& S);
  virtual Integer AddObject(const WideString& S, TObject* AObject);
  virtual void AddStrings(TQevStrings* Strings);
  virtual void Clear() = 0;
  virtual void Delete(Integer Index) = 0;
  virtual void Exchange(Integer Index1, Integer Index2);
  // A copy of the text for the caller to free with WStrDispose; nullptr when empty.
  virtual WideChar* GetText() const;
  virtual Integer IndexOf(const WideString& S) const;
  virtual Integer IndexOfName(const WideString& Name) const;
  virtual Integer IndexOfObject(TObject* AObject) const;
  virtual void Insert(Integer Index, const WideString& S) = 0;
  virtual void InsertObject(Integer Index, const WideString& S, TObject* AObject);
  // Detects the character set by its mark and keeps it in LastFileCharSet.
  virtual void LoadFromFile(const WideString& FileName);
  // Reads from the position to the end; without WithBOM the bytes are UTF-16LE.
  virtual void LoadFromStream(TStream* Stream, bool WithBOM = true);
  virtual void Move(Integer CurIndex, Integer NewIndex);
  // Always FF FE and UTF-16LE.
  virtual void SaveToFile(const WideString& FileName) const;
  virtual void SaveToStream(TStream* Stream, bool WithBOM = true) const;
  virtual void SetText(const WideChar* Text);

  void BeginUpdate();
  void EndUpdate();
  // Same count and exactly the same characters in every item.
  bool Equals(const TQevStrings* Strings) const;

  Integer Count() const { return GetCount(); }
  WideString Text() const { return GetTextStr(); }

  // Items of the form name=value (with NameValueSeparator).
  WideString Names(Integer Index) const;
  WideString Values(const WideString& Name) const;
  // The text after the item's first separator; empty when it has none.
  WideString ValueFromIndex(Integer Index) const;

  // Undefined characters read as their defaults ",", "\"" and "=".
  WideChar Delimiter() const;
  void SetDelimiter(WideChar Value);
  WideChar QuoteChar() const;
  void SetQuoteChar(WideChar Value);
  WideChar NameValueSeparator() const;
  void SetNameValueSeparator(WideChar Value);

  // The 8-bit view of this list, in the adapter's code page. Published but
  // never written to forms: the list's own entries hold the items.
  TAnsiStringsForWideStringsAdapter* AnsiStrings() const { return AnsiStrings_.get(); }
  void SetAnsiStrings(TStrings* Value);

  TQevStreamCharSet LastFileCharSet() const { return LastFileCharSet_; }
  IWideStringsAdapter* StringsAdapter() const { return StringsAdapter_; }
  void SetStringsAdapter(IWideStringsAdapter* Value);

 protected:
  void AssignTo(TPersistent* Dest) override;
  // The lines in form files: written as "WideStrings" (wide string values)
  // and, when a line is not plain 7-bit, "WideStrings_UTF7"; read also from
  // the 8-bit list's "Strings" and from "WideStringsW" (UTF-8).
  void DefineProperties(TFiler* Filer) override;
  virtual void SetUpdateState(bool Updating);
  Integer UpdateCount() const { return UpdateCount_; }
  // Raises EStringListError with Msg formatted with Data.
  [[noreturn]] static void Error(const TResStringRec& Msg, Integer Data);

 private:
  void ReadStrings(TReader* Reader);
  void ReadStringsUTF8(TReader* Reader);
  void ReadStringsUTF7(TReader* Reader);
  void WriteWideStrings(TWriter* Writer);
  void WriteStringsUTF7(TWriter* Writer);
  // Clear, then add each string of a list value decoded by Decode; with
  // Apply false the strings are only consumed.
  void ReadEncodedList(TReader* Reader, bool Apply, WideString (*Decode)(const AnsiString&));
  bool WideStringsStored(TFiler* Filer) const;

  enum TDefined : Byte { sdDelimiter = 1, sdQuoteChar = 2, sdNameValueSeparator = 4 };
  WideChar DefinedOr(TDefined Flag, WideChar Value, WideChar Default) const;
  void Define(TDefined Flag, WideChar& Field, WideChar Value);

  std::unique_ptr<TAnsiStringsForWideStringsAdapter> AnsiStrings_;
  TQevStreamCharSet LastFileCharSet_ = csUnicode;
  Byte Defined_ = 0;
  WideChar Delimiter_ = 0;
  WideChar QuoteChar_ = 0;
  WideChar NameValueSeparator_ = 0;
  Integer UpdateCount_ = 0;
  IWideStringsAdapter* StringsAdapter_ = nullptr;
};

// ------------------------------------------------------------- TQevStringList

class TQevStringList;
using TQevStringListSortCompare = Integer (*)(TQevStringList* List, Integer Index1,
                                              Integer Index2);

class TQevStringList : public TStringListOf<TQevStringList, TQevStrings, WideString> {
  QEV_CLASS(TQevStringList, TQevStrings)
 public:
  // By the user's locale; case-insensitive unless CaseSensitive.
  Integer CompareStrings(const WideString& S1, const WideString& S2) const override;
  Integer IndexOfName(const WideString& Name) const override;
};

// ------------------------------------------------------- 8-bit view of a list

// A platform TStrings that can read and write its text in a given code page.
class TAnsiStrings : public TStrings {
  QEV_CLASS(TAnsiStrings, TStrings)
 public:
  // All bytes from the position to the end, as text in CodePage.
  virtual void LoadFromStreamEx(TStream* Stream, Integer CodePage) = 0;
  // The text in CodePage, without a mark.
  virtual void SaveToStreamEx(TStream* Stream, Integer CodePage) const = 0;
};

// The 8-bit view of a wide list, which it serves but does not own.
class TAnsiStringsForWideStringsAdapter : public TAnsiStrings {
  QEV_CLASS(TAnsiStringsForWideStringsAdapter, TAnsiStrings)
 public:
  // CodePage 0 follows ConversionCodePage.
  TAnsiStringsForWideStringsAdapter(TQevStrings* WideStrings, Word CodePage = 0);

  AnsiString Get(Integer Index) const override;
  Integer GetCount() const override;
  TObject* GetObject(Integer Index) const override;
  void Put(Integer Index, const AnsiString& S) override;
  void PutObject(Integer Index, TObject* AObject) override;
  // Through the wide list's Add, so that a sorted list takes the item too.
  Integer Add(const AnsiString& S) override;
  void Clear() override;
  void Delete(Integer Index) override;
  void Insert(Integer Index, const AnsiString& S) override;
  void LoadFromStreamEx(TStream* Stream, Integer CodePage) override;
  void SaveToStreamEx(TStream* Stream, Integer CodePage) const override;

  virtual Integer AdapterCodePage() const;

 protected:
  void SetUpdateState(bool Updating) override;

 private:
  TQevStrings* WideStrings_;
  Word CodePage_;
};

// ------------------------------------------------------------------ builders

// Append-only 8-bit text; the buffer grows in steps and is zero past the end.
class TBufferedAnsiString : public TObject {
 public:
  const char* ClassName() const override { return "TBufferedAnsiString"; }
  // Empties the text and keeps the capacity.
  void Clear();
  void AddChar(AnsiChar Ch);
  void AddString(const AnsiString& S);
  // The text up to its first zero character.
  AnsiString Value() const;

 private:
  AnsiString Buffer_;
  Integer LastWritten_ = 0;  // 1-based; 0 = empty
};

// Append-only wide text; the buffer grows in steps and is zero past the end.
class TBufferedWideString : public TObject {
 public:
  const char* ClassName() const override { return "TBufferedWideString"; }
  // Empties the text and keeps the capacity.
  void Clear();
  void AddChar(WideChar Ch);
  void AddString(const WideString& S);
  // Count characters of P, up to its first zero character.
  void AddBuffer(const WideChar* P, Integer Count);
  // The text up to its first zero character.
  WideString Value() const;
  // Zero-terminated while the text is not empty.
  const WideChar* BufferPtr() const { return Buffer_.c_str(); }

 private:
  WideString Buffer_;
  Integer LastWritten_ = 0;  // 1-based; 0 = empty
};

// Binary search of a sorted pointer list: true and the index of the first equal
// item met, or false and the index where Target would go.
using TListTargetCompare = Integer (*)(void* Item, void* Target);
bool FindSortedListIndex(const TList* List, TListTargetCompare Compare, void* Target,
                         Integer& Index);

// ------------------------------------------------------------------- streams

// A file stream opened or (with fmCreate) created by a wide name; owns the handle.
class TQevFileStream : public THandleStream {
 public:
  TQevFileStream(const WideString& FileName, Word Mode);
  ~TQevFileStream() override;
  const char* ClassName() const override { return "TQevFileStream"; }
};

class TQevMemoryStream : public TMemoryStream {
 public:
  const char* ClassName() const override { return "TQevMemoryStream"; }
  // Replaces the contents with the whole file.
  void LoadFromFile(const WideString& FileName);
};

// A read-only stream over a module's resource, found by wide name and type.
class TQevResourceStream : public TCustomMemoryStream {
 public:
  TQevResourceStream(THandle Instance, const WideString& ResName, const WideChar* ResType);
  ~TQevResourceStream() override;
  const char* ClassName() const override { return "TQevResourceStream"; }
  // Always raises EStreamError.
  Integer Write(const void* Buffer, Integer Count) override;

 private:
  THandle ResInfo_;
  THandle Handle_;  // the loaded resource
};

// ------------------------------------------------------ form-file wide values

// Form files carry the wide published properties of the layer's components
// in entries beside the property itself, for a property P:
//   wide string:    "P_UTF7" (UTF-7) written when the value is stored, differs
//                   from the ancestor's, and holds a character above U+007F
//                   (never for a read-only property);
//                   "PW" (UTF-8) is only read;
//   wide character: "PW" (a one-character wide string) written when stored
//                   and not the default; "P_UTF7" is only read.
// Decoded UTF-8 and UTF-7 values are applied only while the reader's owner is
// designing (or with ApplyWideFormPropertiesAtRunTime), so at run time a form
// keeps the values read for its 8-bit properties; "PW" of a wide character
// is always applied. Called by each component's DefineProperties after the
// inherited one.
void DefineWideProperties(TFiler* Filer, TPersistent* Instance);

// Applies decoded values at run time too; nothing in the programs sets it.
extern bool ApplyWideFormPropertiesAtRunTime;

// Reads a byte-order mark at the stream's position and leaves the position
// after it; when there is none, the position is unchanged and the result csAnsi.
TQevStreamCharSet AutoDetectCharacterSet(TStream* Stream);
