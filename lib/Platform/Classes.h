// The class library's base objects, pointer and string lists, streams, the
// component model and form streaming.
#pragma once

#include <atomic>
#include <exception>
#include <vector>

#include "Events.h"
#include "FormStream.h"
#include "Scoped.h"
#include "SysUtils.h"
#include "System.h"
#include "TypInfo.h"

// Root of the class library's objects; they live on the heap and are never copied.
class TObject {
 public:
  TObject() = default;
  TObject(const TObject&) = delete;
  TObject& operator=(const TObject&) = delete;
  virtual ~TObject() = default;
  virtual const char* ClassName() const { return "TObject"; }
  // The descriptor of the nearest class that declares itself with QEV_CLASS.
  virtual const TClass* ClassType() const { return StaticClass(); }
  static const TClass* StaticClass();
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
QEV_DECLARE_EXCEPTION(EClassNotFound, EFilerError);
QEV_DECLARE_EXCEPTION(EComponentError, Exception);
QEV_DECLARE_EXCEPTION(EParserError, Exception);

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
extern const TResStringRec SInvalidImage;
extern const TResStringRec SInvalidPropertyValue;
extern const TResStringRec SUnknownProperty;
extern const TResStringRec SPropertyException;
extern const TResStringRec SReadOnlyProperty;
extern const TResStringRec SInvalidPropertyType;
extern const TResStringRec SClassNotFound;
extern const TResStringRec SDuplicateClass;
extern const TResStringRec SDuplicateName;
extern const TResStringRec SInvalidName;
extern const TResStringRec SAncestorNotFound;
extern const TResStringRec SParseError;
extern const TResStringRec SIdentifierExpected;
extern const TResStringRec SStringExpected;
extern const TResStringRec SNumberExpected;
extern const TResStringRec SCharExpected;
extern const TResStringRec SSymbolExpected;
extern const TResStringRec SInvalidBinary;
extern const TResStringRec SInvalidString;

// ---------------------------------------------------------------- TPersistent

class TFiler;
class TReader;
class TWriter;

class TPersistent : public TObject {
  QEV_CLASS(TPersistent, TObject)
 public:
  // Copies Source into this object; the base asks Source to do it.
  virtual void Assign(TPersistent* Source);

 protected:
  // Copies this object into Dest; the base raises EConvertError.
  virtual void AssignTo(TPersistent* Dest);
  // Declares stream entries beyond the published properties with
  // Filer->DefineProperty / DefineBinaryProperty; the base declares none.
  virtual void DefineProperties(TFiler* Filer);

  [[noreturn]] void AssignError(const TPersistent* Source) const;

  friend class TReader;
  friend class TWriter;
};

// ---------------------------------------------------------------------- TList

enum TListNotification { lnAdded, lnExtracted, lnDeleted };
using TListSortCompare = Integer (*)(void* Item1, void* Item2);
// The runtime's quicksort of items[l..r]; the pivot is a copy of the middle item.
void QuickSortPointers(void** items, Integer l, Integer r, TListSortCompare compare);
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
  QEV_CLASS(TStrings, TPersistent)
 public:
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
  // The lines are the defined property "Strings", a list of strings.
  void DefineProperties(TFiler* Filer) override;

 private:
  void ReadData(TReader* Reader);
  void WriteData(TWriter* Writer);
  Integer UpdateCount_ = 0;
};

// Runs body inside the list's BeginUpdate/EndUpdate bracket (any list with
// those two operations); the bracket is closed on an exception too.
template <typename List, typename Body>
void WithUpdate(List* list, Body body) {
  list->BeginUpdate();
  TScopeExit end([list] { list->EndUpdate(); });
  body();
}

// ---------------------------------------------------------------- TStringList

// Builds on TStrings and the list messages above.
#include "StringListOf.h"

class TStringList;
using TStringListSortCompare = Integer (*)(TStringList* List, Integer Index1, Integer Index2);

class TStringList : public TStringListOf<TStringList, TStrings, AnsiString> {
  QEV_CLASS(TStringList, TStrings)
 public:
  // By the user's locale; case-insensitive unless CaseSensitive.
  Integer CompareStrings(const AnsiString& S1, const AnsiString& S2) const override;
};

// -------------------------------------------------------------------- streams

enum TSeekOrigin { soBeginning, soCurrent, soEnd };
class TComponent;

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

  // A component stream at the position: read into Instance (nullptr: a new
  // component of the stream's class), or written from Instance, with only
  // what differs from Ancestor.
  TComponent* ReadComponent(TComponent* Instance);
  void WriteComponent(TComponent* Instance);
  void WriteDescendent(TComponent* Instance, TComponent* Ancestor);
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

// A memory stream over a copy of an 8-bit string.
class TStringStream : public TMemoryStream {
 public:
  explicit TStringStream(const AnsiString& AString = AnsiString());
  const char* ClassName() const override { return "TStringStream"; }
  AnsiString DataString();  // all of the stream's bytes
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

// ------------------------------------------------------------- class registry

// Classes that form streams may name. Registering a class again is harmless;
// another class of a registered name raises EFilerError.
void RegisterClass(const TClass* AClass);
void RegisterClasses(std::initializer_list<const TClass*> Classes);
void UnRegisterClass(const TClass* AClass);
const TClass* GetClass(const AnsiString& ClassName);   // nullptr when unknown
const TClass* FindClass(const AnsiString& ClassName);  // EClassNotFound when unknown

// Identifiers that stand for values of an integer property type (colours,
// cursors), found by the type's information.
using TIdentToInt = bool (*)(const AnsiString& Ident, Integer& Int);
using TIntToIdent = bool (*)(Integer Int, AnsiString& Ident);
struct TIdentMapEntry {
  Integer Value;
  const char* Name;
};
void RegisterIntegerConsts(PTypeInfo IntegerType, TIdentToInt IdentToInt, TIntToIdent IntToIdent);
TIdentToInt FindIdentToInt(PTypeInfo IntegerType);
TIntToIdent FindIntToIdent(PTypeInfo IntegerType);
// Look-ups in a map, for IdentToInt/IntToIdent functions; names ignore case.
bool IdentToInt(const AnsiString& Ident, Integer& Int, const TIdentMapEntry* Map, Integer Count);
bool IntToIdent(Integer Int, AnsiString& Ident, const TIdentMapEntry* Map, Integer Count);

// ----------------------------------------------------------------- TComponent

enum TComponentStateItem {
  csLoading, csReading, csWriting, csDestroying, csDesigning, csAncestor, csUpdating, csFixups,
  csFreeNotification, csInline, csDesignInstance
};
using TComponentState = TSet<TComponentStateItem>;
enum TOperation { opInsert, opRemove };
class TBasicAction;
using TGetChildProc = TEvent<void(TComponent* Child)>;

// A named object that owns and frees other components. The owner learns of
// each insertion and removal through Notification; while a component is
// being inserted or destroyed it is only a TComponent.
class TComponent : public TPersistent {
  QEV_CLASS(TComponent, TPersistent)
 public:
  explicit TComponent(TComponent* AOwner);
  // Tells the components that asked for free notification, frees the owned
  // components, last first, and leaves the owner.
  ~TComponent() override;

  TComponent* Owner() const { return Owner_; }
  Integer ComponentCount() const { return static_cast<Integer>(Components_.size()); }
  TComponent* Components(Integer Index) const;  // EListError out of range
  Integer ComponentIndex() const;               // in the owner's list; -1 without owner
  const AnsiString& Name() const { return Name_; }
  // EComponentError "'%s' is not a valid component name" for a non-empty name
  // that is no identifier; the owner refuses a name it has (ValidateRename).
  virtual void SetName(const AnsiString& NewName);
  Integer Tag() const { return Tag_; }
  void SetTag(Integer Value) { Tag_ = Value; }
  TComponentState ComponentState() const { return State_; }

  TComponent* FindComponent(const AnsiString& AName) const;  // ignoring case; nullptr
  void InsertComponent(TComponent* AComponent);
  void RemoveComponent(TComponent* AComponent);
  void DestroyComponents();
  void Destroying();  // sets csDestroying here and in the owned components
  // Each of the two gets Notification(other, opRemove) when the other goes.
  void FreeNotification(TComponent* AComponent);
  void RemoveFreeNotification(TComponent* AComponent);

  // Streaming: children are written in the order GetChildren yields them
  // (the base yields none); children read into this component get
  // GetChildOwner (nullptr: the root) as owner and the reader's Parent
  // GetChildParent.
  virtual void GetChildren(TGetChildProc Proc, TComponent* Root);
  virtual TComponent* GetChildOwner();
  virtual TComponent* GetChildParent();
  virtual TComponent* GetParentComponent() const;
  virtual bool HasParent() const;
  virtual void SetParentComponent(TComponent* Value);
  virtual void SetChildOrder(TComponent* Child, Integer Order);
  virtual void ReadState(TReader* Reader);
  virtual void WriteState(TWriter* Writer);
  // Called on every component of a stream, in reading order, once the whole
  // stream is read; the base clears csLoading.
  virtual void Loaded();
  // Passes the news on to every owned component.
  virtual void Notification(TComponent* AComponent, TOperation Operation);
  // Offered an action that reached no handler (Forms sends it around): runs
  // Action->ExecuteTarget / UpdateTarget on this component when the action
  // HandlesTarget it; whether it did.
  virtual bool ExecuteAction(TBasicAction* Action);
  virtual bool UpdateAction(TBasicAction* Action);

 protected:
  // Refuses NewName for AComponent, an owned component, when another owned
  // component has it: EComponentError "A component named %s already exists".
  virtual void ValidateRename(TComponent* AComponent, const AnsiString& CurName,
                              const AnsiString& NewName);
  void SetDesigning(bool Value, bool SetChildren = true);

 private:
  void RemoveNotification(TComponent* AComponent);
  friend class TReader;
  friend class TWriter;

  TComponent* Owner_ = nullptr;
  AnsiString Name_;
  Integer Tag_ = 0;
  TComponentState State_;
  std::vector<TComponent*> Components_;
  std::vector<TComponent*> FreeNotifies_;
};

// ---------------------------------------------------------------- collections

class TCollection;

class TCollectionItem : public TPersistent {
  QEV_CLASS(TCollectionItem, TPersistent)
 public:
  explicit TCollectionItem(TCollection* Collection);
  ~TCollectionItem() override;  // leaves the collection
  TCollection* Collection() const { return Collection_; }
  void SetCollection(TCollection* Value);
  Integer ID() const { return ID_; }
  Integer Index() const;  // -1 outside a collection
  virtual void SetIndex(Integer Value);

 protected:
  // Tells the collection (Update) that this item, or with AllItems every item, changed.
  void Changed(bool AllItems);

 private:
  friend class TCollection;
  TCollection* Collection_ = nullptr;
  Integer ID_ = 0;
};

enum TCollectionNotification { cnAdded, cnExtracting, cnDeleting };

// Items of one class, which it owns; forms stream them as "< item ... end >".
class TCollection : public TPersistent {
  QEV_CLASS(TCollection, TPersistent)
 public:
  // ItemClass: a TCollectionItem class with a factory.
  explicit TCollection(const TClass* ItemClass);
  ~TCollection() override;
  // From another collection: as many new items, each assigned from its peer.
  void Assign(TPersistent* Source) override;

  TCollectionItem* Add();
  TCollectionItem* Insert(Integer Index);
  void Clear();
  void Delete(Integer Index);  // EListError out of range
  Integer Count() const { return static_cast<Integer>(Items_.size()); }
  TCollectionItem* Items(Integer Index) const;  // EListError out of range
  TCollectionItem* FindItemID(Integer ID) const;
  const TClass* ItemClass() const { return ItemClass_; }
  void BeginUpdate() { ++UpdateCount_; }
  void EndUpdate();
  TPersistent* Owner() const { return GetOwner(); }

 protected:
  virtual TPersistent* GetOwner() const { return nullptr; }
  // Item changed, or (nullptr) the collection; the base does nothing.
  virtual void Update(TCollectionItem* Item);
  virtual void Notify(TCollectionItem* Item, TCollectionNotification Action);
  void Changed();  // Update(nullptr) unless updating
  Integer UpdateCount() const { return UpdateCount_; }

 private:
  friend class TCollectionItem;
  void InsertItem(TCollectionItem* Item);
  void RemoveItem(TCollectionItem* Item);

  const TClass* ItemClass_;
  std::vector<TCollectionItem*> Items_;
  Integer NextID_ = 0;
  Integer UpdateCount_ = 0;
};

class TOwnedCollection : public TCollection {
  QEV_CLASS(TOwnedCollection, TCollection)
 public:
  TOwnedCollection(TPersistent* AOwner, const TClass* ItemClass)
      : TCollection(ItemClass), Owner_(AOwner) {}

 protected:
  TPersistent* GetOwner() const override { return Owner_; }

 private:
  TPersistent* Owner_;
};

// ------------------------------------------------------------------- filers

using TReaderProc = TEvent<void(TReader* Reader)>;
using TWriterProc = TEvent<void(TWriter* Writer)>;
using TStreamProc = TEvent<void(TStream* Stream)>;

class TFiler : public TObject {
 public:
  explicit TFiler(TStream* Stream) : Stream_(Stream) {}
  const char* ClassName() const override { return "TFiler"; }

  // Declares an entry besides the published properties: the reader calls
  // ReadData when the stream holds the entry, the writer writes the entry
  // with WriteData when HasData.
  virtual void DefineProperty(const AnsiString& Name, TReaderProc ReadData, TWriterProc WriteData,
                              bool HasData) = 0;
  // The same for a binary value, handed over as a stream.
  virtual void DefineBinaryProperty(const AnsiString& Name, TStreamProc ReadData,
                                    TStreamProc WriteData, bool HasData) = 0;

  TStream* Stream() const { return Stream_; }
  TComponent* Root() const { return Root_; }
  virtual void SetRoot(TComponent* Value) { Root_ = Value; }
  // The component whose owned components references and events are named in.
  TComponent* LookupRoot() const { return LookupRoot_; }
  // While writing, the object whose values count as defaults; nullptr: none.
  TPersistent* Ancestor() const { return Ancestor_; }
  void SetAncestor(TPersistent* Value) { Ancestor_ = Value; }
  bool IgnoreChildren = false;

 protected:
  TStream* Stream_;
  TComponent* Root_ = nullptr;
  TComponent* LookupRoot_ = nullptr;
  TPersistent* Ancestor_ = nullptr;
};

// The bytes of a stream for the value reader.
class TStreamFormSource : public TFormSource {
 public:
  explicit TStreamFormSource(TStream* Stream) : Stream_(Stream) {}
  std::size_t ReadSome(void* Buffer, std::size_t Count) override;

 private:
  TStream* Stream_;
};

// Reads components and values from a form stream. A damaged stream raises
// EReadError ("Stream read error" where the data ends, "Invalid stream
// format", "Invalid property value"; inside a property "Error reading
// %s.%s: %s"); unknown classes raise EClassNotFound.
class TReader : public TFiler {
 public:
  explicit TReader(TStream* Stream);
  // Leaves the stream just after the last byte taken.
  ~TReader() override;
  const char* ClassName() const override { return "TReader"; }

  void DefineProperty(const AnsiString& Name, TReaderProc ReadData, TWriterProc WriteData,
                      bool HasData) override;
  void DefineBinaryProperty(const AnsiString& Name, TStreamProc ReadData, TStreamProc WriteData,
                            bool HasData) override;

  TValueType ReadValue();
  TValueType NextValue();  // without taking it
  void CheckValue(TValueType Value);
  bool EndOfList();
  void ReadListBegin();
  void ReadListEnd();
  void ReadSignature();
  void ReadPrefix(TFilerFlags& Flags, Integer& AChildPos);
  Integer ReadInteger();
  Int64 ReadInt64();
  bool ReadBoolean();
  AnsiChar ReadChar();     // a string of one character
  WideChar ReadWideChar();
  Extended ReadFloat();    // any number
  float ReadSingle();
  Currency ReadCurrency();
  TDateTime ReadDate();
  AnsiString ReadStr();
  AnsiString ReadIdent();
  // Any string kind, converted with the runtime's 8-bit/wide conversion.
  AnsiString ReadString();
  WideString ReadWideString();
  void Read(void* Buffer, Integer Count);
  void SkipValue();
  void ReadCollection(TCollection* Collection);

  // Reads the stream's root into ARoot (nullptr: a new component of the
  // stream's class, freed again on failure), then calls Loaded on everything
  // read unless a global loading is in progress.
  TComponent* ReadRootComponent(TComponent* ARoot);
  // One child object; Component nullptr: a new one, owned by Owner.
  TComponent* ReadComponent(TComponent* Component);
  // The properties and children of Instance; the outermost call resolves the
  // component references read meanwhile.
  void ReadData(TComponent* Instance);
  void ReadProperty(TPersistent* AInstance);

  TComponent* Owner() const { return Owner_; }
  void SetOwner(TComponent* Value) { Owner_ = Value; }
  TComponent* Parent() const { return Parent_; }
  void SetParent(TComponent* Value) { Parent_ = Value; }
  // The name of the defined property being read.
  const AnsiString& PropName() const { return PropName_; }

 private:
  // A component reference read, resolved when the outermost ReadData ends.
  struct TFixup {
    TPersistent* Instance;
    const TPropInfo* PropInfo;
    AnsiString Reference;
    AnsiString Name, Path;  // of the component and property, for the message
  };

  void ReadDataInner(TComponent* Instance);
  void ReadPropValue(TPersistent* Instance, const TPropInfo* PropInfo);
  Int64 ReadSet(PTypeInfo SetType);
  void ReadMethod(TPersistent* Instance, const TPropInfo* PropInfo);
  void Resolve(const TFixup& Fixup);
  TComponent* FindReference(const AnsiString& Reference) const;
  TComponent* CreateChild(const AnsiString& ClassName, TFilerFlags Flags);
  AnsiString FindUniqueName(const AnsiString& Base) const;
  void AddLoaded(TComponent* Component);
  [[noreturn]] void PropertyError(const AnsiString& Name);
  [[noreturn]] static void PropValueError();

  TStreamFormSource Source_;
  TFormValueReader Values_;
  TComponent* Owner_ = nullptr;
  TComponent* Parent_ = nullptr;
  AnsiString PropName_;
  TFixup Current_{};  // the property being read, as a fixup would hold it
  std::vector<TComponent*>* Loaded_ = nullptr;
  std::vector<TFixup>* Fixups_ = nullptr;
};

// Writes components and values of a form stream. The bytes collect in the
// writer until FlushBuffer hands them to the stream; the component-writing
// calls flush when they are done.
class TWriter : public TFiler {
 public:
  explicit TWriter(TStream* Stream);
  // Flushes what is left; a failure here cannot be reported, so a caller
  // that writes values itself calls FlushBuffer.
  ~TWriter() override;
  const char* ClassName() const override { return "TWriter"; }
  void FlushBuffer();

  void DefineProperty(const AnsiString& Name, TReaderProc ReadData, TWriterProc WriteData,
                      bool HasData) override;
  void DefineBinaryProperty(const AnsiString& Name, TStreamProc ReadData, TStreamProc WriteData,
                            bool HasData) override;
  void SetRoot(TComponent* Value) override;  // also the lookup root
  // The root's ancestor while writing a descendant.
  TComponent* RootAncestor() const { return RootAncestor_; }
  void SetRootAncestor(TComponent* Value) { RootAncestor_ = Value; }

  void Write(const void* Buffer, Integer Count);
  void WriteValue(TValueType Value);
  void WriteListBegin();
  void WriteListEnd();
  void WriteSignature();
  void WritePrefix(TFilerFlags Flags, Integer AChildPos);
  void WriteInteger(Int64 Value);  // the smallest integer kind
  void WriteBoolean(bool Value);
  void WriteChar(AnsiChar Value);
  void WriteWideChar(WideChar Value);
  void WriteFloat(Extended Value);
  void WriteSingle(float Value);
  void WriteCurrency(Currency Value);
  void WriteDate(TDateTime Value);
  void WriteStr(const AnsiString& Value);  // EWriteError beyond 255 bytes
  void WriteIdent(const AnsiString& Value);
  void WriteString(const AnsiString& Value);
  void WriteWideString(const WideString& Value);
  void WriteCollection(TCollection* Value);

  void WriteRootComponent(TComponent* ARoot);
  // The root and its children; with an ancestor only what differs from it.
  void WriteDescendent(TComponent* ARoot, TComponent* AAncestor);
  void WriteComponent(TComponent* Component);
  void WriteData(TComponent* Instance);
  // Stored properties that differ from their default (or the ancestor's
  // value), then the defined ones.
  void WriteProperties(TPersistent* Instance);
  void WriteProperty(TPersistent* Instance, const TPropInfo* PropInfo);

 private:
  bool AncestorValid(TPersistent* Instance, const TPropInfo* PropInfo) const;
  void WritePropPath(const AnsiString& Name);
  void WriteOrdinal(const TPropInfo* PropInfo, Int64 Value);
  void WriteFloatValue(const TPropInfo* PropInfo, Extended Value);
  void WriteObjectProp(TPersistent* Instance, const TPropInfo* PropInfo);
  void WriteMethodProp(TPersistent* Instance, const TPropInfo* PropInfo);
  AnsiString ReferenceName(TComponent* Component) const;
  void AddAncestor(TComponent* Component);
  TComponent* FindAncestor(const AnsiString& Name) const;

  TFormValueWriter Values_;
  TComponent* RootAncestor_ = nullptr;
  AnsiString PropPath_;
  std::vector<TComponent*>* AncestorList_ = nullptr;
  Integer AncestorPos_ = 0;
  Integer ChildPos_ = 0;
};

// The form-text tokenizer over the rest of a stream.
class TParser : public TObject {
 public:
  explicit TParser(TStream* Stream);  // positioned at the first token
  // Leaves the stream at the start of the current token.
  ~TParser() override;
  const char* ClassName() const override { return "TParser"; }

  AnsiChar Token() const { return Core_.Token(); }
  AnsiChar NextToken() { return Core_.NextToken(); }
  // EParserError "Identifier expected", "String expected", "Number expected",
  // "'%s' expected" on line n.
  void CheckToken(AnsiChar T) const { Core_.CheckToken(T); }
  void CheckTokenSymbol(const AnsiString& S) const { Core_.CheckTokenSymbol(S); }
  bool TokenSymbolIs(const AnsiString& S) const { return Core_.TokenSymbolIs(S); }
  AnsiString TokenString() const { return Core_.TokenString(); }
  WideString TokenWideString() const;
  Int64 TokenInt() const { return Core_.TokenInt(); }
  Extended TokenFloat() const { return Core_.TokenFloat(); }
  AnsiChar FloatType() const { return Core_.FloatType(); }
  AnsiString TokenComponentIdent() { return Core_.TokenComponentIdent(); }
  void HexToBinary(TStream* Stream);
  Integer SourceLine() const { return Core_.SourceLine(); }
  // EParserError "<message> on line <n>".
  [[noreturn]] void Error(const TResStringRec& Ident) const;
  [[noreturn]] void ErrorStr(const WideString& Message) const;

 private:
  TStream* Stream_;
  Int64 Origin_;
  TFormParser Core_;
};

// The text form of the binary form stream at Input's position, and back; the
// output is written only when the whole object converted.
void ObjectBinaryToText(TStream* Input, TStream* Output);
void ObjectTextToBinary(TStream* Input, TStream* Output);

enum TStreamOriginalFormat { sofUnknown, sofBinary, sofText };
// By the first bytes at the position, which stays.
TStreamOriginalFormat TestStreamFormat(TStream* Stream);

// ------------------------------------------------------------ form resources

// Reads the RCDATA resource ResName of HInst into Instance (nullptr: a new
// component); false when the module has no such resource.
bool InternalReadComponentRes(const AnsiString& ResName, THandle HInst, TComponent*& Instance);
// The same from the program's resource module; EResNotFound "Resource %s not found".
TComponent* ReadComponentRes(const AnsiString& ResName, TComponent* Instance);
// Reads the form resources of Instance's class and of its ancestors below
// RootAncestor (each named after its class in upper case), the oldest first,
// then calls Loaded once on everything read. False when none was found.
bool InitInheritedComponent(TComponent* Instance, const TClass* RootAncestor);

// While a global loading is open, ReadRootComponent leaves Loaded to
// NotifyGlobalLoading, so that several streams read into one root are
// finished together. They nest.
void BeginGlobalLoading();
void NotifyGlobalLoading();
void EndGlobalLoading();

// Components outside the root that references may name (forms, data
// modules); a root being read gets a name no such component has.
using TFindGlobalComponent = TComponent* (*)(const AnsiString& Name);
void RegisterFindGlobalComponentProc(TFindGlobalComponent Proc);
void UnregisterFindGlobalComponentProc(TFindGlobalComponent Proc);
TComponent* FindGlobalComponent(const AnsiString& Name);

// -------------------------------------------------------------------- actions

using TShortCut = Word;
using THelpContext = Integer;
class TBasicActionLink;

// Something the user can do from several places at once: each client holds a
// link that executes the action and follows its changes.
class TBasicAction : public TComponent {
  QEV_CLASS(TBasicAction, TComponent)
 public:
  explicit TBasicAction(TComponent* AOwner);
  // Detaches every link still attached.
  ~TBasicAction() override;

  virtual bool HandlesTarget(TObject* Target);  // the base handles none
  virtual void UpdateTarget(TObject* Target);
  virtual void ExecuteTarget(TObject* Target);
  // OnExecute / OnUpdate when assigned; whether one ran.
  virtual bool Execute();
  virtual bool Update();

  // The client that executes the action at the moment, set by its link.
  TComponent* ActionComponent() const { return ActionComponent_; }
  void SetActionComponent(TComponent* Value);

  const TNotifyEvent& OnExecute() const { return OnExecute_; }
  // Hands the handler to the links too, then Change.
  virtual void SetOnExecute(TNotifyEvent Value);
  const TNotifyEvent& OnUpdate() const { return OnUpdate_; }
  void SetOnUpdate(TNotifyEvent Value) { OnUpdate_ = Value; }

  void Notification(TComponent* AComponent, TOperation Operation) override;

 protected:
  // Runs OnChange; a descendant calls it when something its clients show changed.
  virtual void Change();
  TNotifyEvent OnChange;
  const std::vector<TBasicActionLink*>& Clients() const { return Clients_; }

 private:
  friend class TBasicActionLink;
  void RegisterChanges(TBasicActionLink* Value);
  void UnRegisterChanges(TBasicActionLink* Value);

  TComponent* ActionComponent_ = nullptr;
  TNotifyEvent OnExecute_;
  TNotifyEvent OnUpdate_;
  std::vector<TBasicActionLink*> Clients_;
};

// The client's end of the tie to an action. The action calls the virtual
// setters of its links when a property changes; a client's link class
// overrides them (and the IsXxxLinked tests) to copy the value to the client.
class TBasicActionLink : public TObject {
 public:
  explicit TBasicActionLink(TObject* AClient);
  ~TBasicActionLink() override;  // leaves the action
  const char* ClassName() const override { return "TBasicActionLink"; }

  // Executes the action with AComponent as its ActionComponent.
  virtual bool Execute(TComponent* AComponent = nullptr);
  virtual bool Update();
  TBasicAction* Action() const { return Action_; }
  virtual void SetAction(TBasicAction* Value);
  TNotifyEvent OnChange;  // after the action changed

 protected:
  virtual void AssignClient(TObject* AClient);
  virtual void Change();  // runs OnChange
  virtual bool IsOnExecuteLinked();  // the base: true
  virtual void SetOnExecute(TNotifyEvent Value);
  TBasicAction* Action_ = nullptr;

 private:
  friend class TBasicAction;
};

// ------------------------------------------------------------------- threads

// Handed the exception in flight (call it inside a catch block) by code that
// must not let one escape: timers, thread ends, window procedures. Forms
// points it at the application's HandleException; until then the exception
// is shown in a message box (EAbort: silently dropped).
using TExceptionHandler = TEvent<void(TObject* Sender)>;
extern TExceptionHandler ApplicationHandleException;
// Calls ApplicationHandleException or the fallback; for use in catch blocks.
// Never raises.
void HandleCurrentException(TObject* Sender) noexcept;

// Threads hand calls to the main thread through a queue; WakeMainThread is
// called (on the worker) whenever a call was queued. Classes' own handler
// posts a message to its hidden main-thread window so that any message loop
// runs CheckSynchronize; Forms may replace it.
extern TNotifyEvent WakeMainThread;
extern LongWord MainThreadID;
// On the main thread: runs the queued calls, waiting up to Timeout ms for
// the first; whether any ran. Elsewhere: raises EThread.
bool CheckSynchronize(Integer Timeout = 0);

QEV_DECLARE_EXCEPTION(EThread, Exception);
QEV_DECLARE_EXCEPTION(EOutOfResources, Exception);

enum TThreadPriority { tpIdle, tpLowest, tpLower, tpNormal, tpHigher, tpHighest, tpTimeCritical };
using TThreadMethod = TEvent<void()>;

// A worker thread running Execute. Created suspended it waits for Resume;
// otherwise it starts at once (Execute may then run before a descendant's
// constructor is done, so such descendants are created suspended).
class TThread : public TObject {
 public:
  explicit TThread(bool CreateSuspended);
  // Terminates a thread that has not finished and waits for it; a suspended
  // one is resumed and ends without Execute.
  ~TThread() override;
  const char* ClassName() const override { return "TThread"; }

  void Resume();
  void Start() { Resume(); }
  void Suspend();
  void Terminate() { Terminated_ = true; }
  // Waits (serving Synchronize on the main thread) until Execute ended;
  // returns ReturnValue.
  LongWord WaitFor();

  bool Terminated() const { return Terminated_; }
  bool Suspended() const { return Suspended_; }
  bool Finished() const { return Finished_; }
  TThreadPriority Priority() const;
  void SetPriority(TThreadPriority Value);
  THandle Handle() const { return Handle_; }
  LongWord ThreadID() const { return ThreadID_; }
  // The exception that ended Execute (the thread keeps it); empty when none.
  std::exception_ptr FatalException() const { return FatalException_; }
  // Delete the object on the main thread after OnTerminate (do not
  // touch it afterwards, nor WaitFor it).
  bool FreeOnTerminate = false;
  // Runs on the main thread when Execute has ended.
  TNotifyEvent OnTerminate;
  // Synchronize for any thread, a TThread or not; Thread (may be nullptr) is
  // what WakeMainThread gets.
  static void Synchronize(TThread* Thread, TThreadMethod Method);

 protected:
  virtual void Execute() = 0;
  virtual void DoTerminate();  // OnTerminate through Synchronize
  // Runs Method on the main thread and waits for it; an exception in Method
  // is raised again here. On the main thread it runs Method directly.
  void Synchronize(TThreadMethod Method);
  LongWord ReturnValue = 0;

 private:
  static unsigned long __stdcall ThreadProc(void* Parameter);
  void CallOnTerminate();

  THandle Handle_ = nullptr;
  LongWord ThreadID_ = 0;
  std::atomic<bool> Terminated_ = false;
  std::atomic<bool> Finished_ = false;
  bool Suspended_ = false;
  std::exception_ptr FatalException_;
};

// Starts the hidden window that wakes the main thread; the calling thread
// becomes the main thread.
void Initialization_Classes();
void Finalization_Classes();
