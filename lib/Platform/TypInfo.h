// Class descriptors, type information and published property tables.
//
// A class that takes part in form streaming declares itself with
//   class TMyButton : public TComponent {
//     QEV_CLASS(TMyButton, TComponent)
//    public:
//     ...
//   };
// and lists its published properties and methods in its .cpp:
//   QEV_DEFINE_CLASS(TMyButton,
//                    QEV_PROPERTY(Caption, Caption, SetCaption),
//                    QEV_PROPERTY(Down, Down, SetDown).Default(false),
//                    QEV_PROPERTY(Hint, Hint, SetHint).Stored<&Self::IsHintStored>(),
//                    QEV_PROPERTY(OnClick, OnClick, SetOnClick),
//                    QEV_METHOD(ButtonClick))
// Getters and setters are member functions or data members; the property's
// kind follows from the value type (enumerations and sets need
// QEV_ENUM_TYPEINFO for their names). A property with the name of one of the
// base class's replaces that entry in place. Published methods are the event
// handlers that form streams name. Classes that streams create by name are
// registered (RegisterClass) by their unit's initialisation.
#pragma once

#include <initializer_list>
#include <type_traits>
#include <vector>

#include "Events.h"
#include "SysUtils.h"
#include "System.h"

class TObject;
class TPersistent;
class TComponent;
class TCollection;
class TCollectionItem;
class TClass;

// ----------------------------------------------------------------------- sets

// A set of up to 32 enumeration values, held as bits (value n is bit n).
template <typename E>
class TSet {
 public:
  constexpr TSet() = default;
  constexpr TSet(std::initializer_list<E> items) {
    for (E e : items) Include(e);
  }
  static constexpr TSet FromBits(Cardinal bits) {
    TSet s;
    s.Bits_ = bits;
    return s;
  }
  constexpr Cardinal Bits() const { return Bits_; }
  constexpr bool Contains(E e) const { return (Bits_ & Bit(e)) != 0; }
  constexpr bool Empty() const { return Bits_ == 0; }
  constexpr TSet& Include(E e) {
    Bits_ |= Bit(e);
    return *this;
  }
  constexpr TSet& Exclude(E e) {
    Bits_ &= ~Bit(e);
    return *this;
  }
  constexpr TSet operator+(TSet other) const { return FromBits(Bits_ | other.Bits_); }
  constexpr TSet operator-(TSet other) const { return FromBits(Bits_ & ~other.Bits_); }
  constexpr TSet operator*(TSet other) const { return FromBits(Bits_ & other.Bits_); }
  friend constexpr bool operator==(TSet, TSet) = default;

 private:
  static constexpr Cardinal Bit(E e) { return Cardinal(1) << static_cast<unsigned>(e); }
  Cardinal Bits_ = 0;
};

// ------------------------------------------------------------- type information

enum TTypeKind : Byte {
  tkUnknown, tkInteger, tkChar, tkEnumeration, tkFloat, tkString, tkSet, tkClass, tkMethod,
  tkWChar, tkLString, tkWString, tkVariant, tkArray, tkRecord, tkInterface, tkInt64, tkDynArray
};
using TTypeKinds = TSet<TTypeKind>;
constexpr TTypeKinds tkAny = TTypeKinds::FromBits((1u << (tkDynArray + 1)) - 1);

enum TFloatType : Byte { ftSingle, ftDouble, ftExtended, ftComp, ftCurr };

struct TTypeInfo {
  TTypeKind Kind;
  const char* Name;
  const char* const* EnumNames = nullptr;  // tkEnumeration: by value, 0 to EnumCount - 1
  Integer EnumCount = 0;
  const TTypeInfo* CompType = nullptr;     // tkSet: the element type
  TFloatType FloatType = ftExtended;       // tkFloat
  const TClass* (*ClassType)() = nullptr;  // tkClass
  const void* Signature = nullptr;         // tkMethod: the event's signature
};
using PTypeInfo = const TTypeInfo*;

template <typename T, typename = void>
struct TTypeInfoOf;  // specialised per type below and by QEV_ENUM_TYPEINFO

template <typename T>
PTypeInfo TypeInfoOf() {
  return TTypeInfoOf<T>::Get();
}

#define QEV_TYPEINFO(Type, ...)                   \
  template <>                                     \
  struct TTypeInfoOf<Type> {                      \
    static PTypeInfo Get() {                      \
      static const TTypeInfo Info{__VA_ARGS__};   \
      return &Info;                               \
    }                                             \
  }

QEV_TYPEINFO(Integer, tkInteger, "Integer");
QEV_TYPEINFO(Cardinal, tkInteger, "Cardinal");
QEV_TYPEINFO(std::int16_t, tkInteger, "SmallInt");
QEV_TYPEINFO(Word, tkInteger, "Word");
QEV_TYPEINFO(std::int8_t, tkInteger, "ShortInt");
QEV_TYPEINFO(Byte, tkInteger, "Byte");
QEV_TYPEINFO(Int64, tkInt64, "Int64");
QEV_TYPEINFO(AnsiChar, tkChar, "Char");
QEV_TYPEINFO(WideChar, tkWChar, "WideChar");
QEV_TYPEINFO(float, tkFloat, "Single", nullptr, 0, nullptr, ftSingle);
QEV_TYPEINFO(double, tkFloat, "Double", nullptr, 0, nullptr, ftDouble);
QEV_TYPEINFO(long double, tkFloat, "Extended", nullptr, 0, nullptr, ftExtended);
QEV_TYPEINFO(Currency, tkFloat, "Currency", nullptr, 0, nullptr, ftCurr);
QEV_TYPEINFO(AnsiString, tkLString, "AnsiString");
QEV_TYPEINFO(WideString, tkWString, "WideString");

// TDateTime is a double in C++; its properties name this type explicitly
// (.Type(TypeInfoTDateTime())) so that they stream as dates.
PTypeInfo TypeInfoTDateTime();

// Names of an enumeration's values in order: QEV_ENUM_TYPEINFO(TAlign,
// "alNone", "alTop", ...), at global scope after the enumeration.
#define QEV_ENUM_TYPEINFO(Type, ...)                                                  \
  template <>                                                                         \
  struct TTypeInfoOf<Type> {                                                          \
    static PTypeInfo Get() {                                                          \
      static const char* const Names[] = {__VA_ARGS__};                               \
      static const TTypeInfo Info{tkEnumeration, #Type, Names,                        \
                                  static_cast<Integer>(sizeof Names / sizeof *Names)}; \
      return &Info;                                                                   \
    }                                                                                 \
  }

QEV_ENUM_TYPEINFO(bool, "False", "True");

template <typename E>
struct TTypeInfoOf<TSet<E>> {
  static PTypeInfo Get() {
    static const TTypeInfo Info{tkSet, "set", nullptr, 0, TypeInfoOf<E>()};
    return &Info;
  }
};

template <typename T>
struct TTypeInfoOf<T*, std::void_t<decltype(&T::StaticClass)>> {
  static PTypeInfo Get() {
    static const TTypeInfo Info{tkClass, "class", nullptr, 0, nullptr, ftExtended, &T::StaticClass};
    return &Info;
  }
};

// One object per event signature identifies it.
template <typename Signature>
inline const char EventSignatureTag = 0;

template <typename Signature>
struct TTypeInfoOf<TEvent<Signature>> {
  static PTypeInfo Get() {
    static const TTypeInfo Info{tkMethod,   "event", nullptr, 0, nullptr, ftExtended, nullptr,
                                &EventSignatureTag<Signature>};
    return &Info;
  }
};

// Name of an enumeration value; empty when out of range.
AnsiString GetEnumName(PTypeInfo TypeInfo, Integer Value);
// The value of a name (case-insensitive), -1 when it names none.
Integer GetEnumValue(PTypeInfo TypeInfo, const AnsiString& Name);

// ------------------------------------------------------------ property tables

constexpr Integer NoDefault = static_cast<Integer>(0x80000000);

// A published property. Get writes the value to *Out and Set reads it from
// *In, as Int64 (ordinal kinds, Int64; sets as their bits), Extended (floats),
// AnsiString, WideString, TObject* or TMethod.
struct TPropInfo {
  const char* Name = nullptr;
  PTypeInfo PropType = nullptr;
  void (*Get)(const TObject* Instance, void* Out) = nullptr;
  void (*Set)(TObject* Instance, const void* In) = nullptr;  // nullptr: read-only
  bool (*Stored)(const TObject* Instance) = nullptr;         // nullptr: always stored
  Integer Default = NoDefault;  // ordinal kinds only
  const TClass* Declarer = nullptr;  // the class whose table lists it
};

// A published method, which form streams name as event handlers.
struct TMethodEntry {
  const char* Name = nullptr;
  void* Code = nullptr;              // the same code pointer TEvent::Bind makes
  const void* Signature = nullptr;   // as TTypeInfo::Signature
};

// One entry of QEV_DEFINE_CLASS: a property (with modifiers) or a method.
class TClassMember {
 public:
  template <typename V>
  TClassMember& Default(V Value);
  template <auto F>
  TClassMember& Stored();
  TClassMember& NotStored() {
    Prop.Stored = [](const TObject*) { return false; };
    return *this;
  }
  // Another type of the same kind: an integer type with its own identifiers,
  // TypeInfoTDateTime().
  TClassMember& Type(PTypeInfo Info) {
    Prop.PropType = Info;
    return *this;
  }

  bool IsMethod = false;
  TPropInfo Prop;
  TMethodEntry Method;
};

using TClassFactory = TPersistent* (*)(TPersistent* Owner);

// A class descriptor: name, parent, factory, published properties and methods.
class TClass {
 public:
  TClass(const char* Name, const TClass* Parent, TClassFactory Factory,
         std::initializer_list<TClassMember> Members);
  TClass(const TClass&) = delete;
  TClass& operator=(const TClass&) = delete;

  const char* ClassName() const { return Name_; }
  bool ClassNameIs(const AnsiString& Name) const;
  const TClass* ClassParent() const { return Parent_; }
  bool InheritsFrom(const TClass* AClass) const;
  // Makes an instance: a component with Owner (a TComponent), a collection
  // item in Owner (a TCollection), other persistent objects without one.
  // nullptr for classes that cannot be made so (abstract ones).
  TClassFactory Factory() const { return Factory_; }

  // Base class's properties first, then each class's in declaration order.
  const std::vector<const TPropInfo*>& Properties() const { return Props_; }
  // Searches this class and its ancestors; case-insensitive.
  const TMethodEntry* MethodAddress(const AnsiString& Name) const;
  AnsiString MethodName(const void* Code) const;  // empty when none

 private:
  const char* Name_;
  const TClass* Parent_;
  TClassFactory Factory_;
  std::vector<TPropInfo> OwnProps_;
  std::vector<TMethodEntry> Methods_;
  std::vector<const TPropInfo*> Props_;
};

// Inside the class body, at its start.
#define QEV_CLASS(T, Parent)                                            \
 public:                                                                \
  using inherited = Parent;                                             \
  static const TClass* StaticClass();                                   \
  const TClass* ClassType() const override { return StaticClass(); }    \
  const char* ClassName() const override { return #T; }                 \
                                                                        \
 private:

#define QEV_DEFINE_CLASS(T, ...)                                                         \
  const TClass* T::StaticClass() {                                                       \
    using Self [[maybe_unused]] = T;                                                     \
    static const TClass Class(#T, T::inherited::StaticClass(), TypInfoDetail::FactoryOf<T>(), \
                              {__VA_ARGS__});                                            \
    return &Class;                                                                       \
  }

#define QEV_PROPERTY(Name, Getter, Setter) \
  TypInfoDetail::Property<&Self::Getter, &Self::Setter>(#Name)
#define QEV_READONLY_PROPERTY(Name, Getter) TypInfoDetail::Property<&Self::Getter, nullptr>(#Name)
#define QEV_METHOD(Name) TypInfoDetail::Method<&Self::Name>(#Name)

// ----------------------------------------------------------- property access

QEV_DECLARE_EXCEPTION(EPropertyError, Exception);

// Case-insensitive; nullptr when the class has no such property of those kinds.
const TPropInfo* GetPropInfo(const TClass* AClass, const AnsiString& PropName,
                             TTypeKinds Kinds = tkAny);
const TPropInfo* GetPropInfo(const TObject* Instance, const AnsiString& PropName,
                             TTypeKinds Kinds = tkAny);
const std::vector<const TPropInfo*>& GetPropList(const TClass* AClass);
bool IsStoredProp(const TObject* Instance, const TPropInfo* PropInfo);

// Each raises EPropertyError when the property is of another kind, belongs to
// another class than Instance's, or (setters) is read-only.
Int64 GetOrdProp(const TObject* Instance, const TPropInfo* PropInfo);  // also sets, Int64
void SetOrdProp(TObject* Instance, const TPropInfo* PropInfo, Int64 Value);
Extended GetFloatProp(const TObject* Instance, const TPropInfo* PropInfo);
void SetFloatProp(TObject* Instance, const TPropInfo* PropInfo, Extended Value);
AnsiString GetStrProp(const TObject* Instance, const TPropInfo* PropInfo);
void SetStrProp(TObject* Instance, const TPropInfo* PropInfo, const AnsiString& Value);
WideString GetWideStrProp(const TObject* Instance, const TPropInfo* PropInfo);
void SetWideStrProp(TObject* Instance, const TPropInfo* PropInfo, const WideString& Value);
TObject* GetObjectProp(const TObject* Instance, const TPropInfo* PropInfo);
// Value nullptr or of the property's class.
void SetObjectProp(TObject* Instance, const TPropInfo* PropInfo, TObject* Value);
TMethod GetMethodProp(const TObject* Instance, const TPropInfo* PropInfo);
void SetMethodProp(TObject* Instance, const TPropInfo* PropInfo, const TMethod& Value);

// ------------------------------------------------------------------ machinery

namespace TypInfoDetail {

// The stored form of a value type (see TPropInfo).
template <typename V, typename = void>
struct TErase;
template <typename V>
struct TErase<V, std::enable_if_t<std::is_integral_v<V> || std::is_enum_v<V>>> {
  using Type = Int64;
  static Int64 To(V v) { return static_cast<Int64>(v); }
  static V From(Int64 v) { return static_cast<V>(v); }
};
template <typename E>
struct TErase<TSet<E>> {
  using Type = Int64;
  static Int64 To(TSet<E> v) { return v.Bits(); }
  static TSet<E> From(Int64 v) { return TSet<E>::FromBits(static_cast<Cardinal>(v)); }
};
template <typename V>
struct TErase<V, std::enable_if_t<std::is_floating_point_v<V>>> {
  using Type = Extended;
  static Extended To(V v) { return v; }
  static V From(Extended v) { return static_cast<V>(v); }
};
template <>
struct TErase<Currency> {
  using Type = Extended;
  static Extended To(Currency v) { return v.ToExtended(); }
  static Currency From(Extended v) { return Currency::FromScaled(static_cast<Int64>(v * 10000 + (v < 0 ? -0.5L : 0.5L))); }
};
template <typename V>
struct TErase<V, std::enable_if_t<std::is_same_v<V, AnsiString> || std::is_same_v<V, WideString>>> {
  using Type = V;
  static const V& To(const V& v) { return v; }
  static const V& From(const V& v) { return v; }
};
template <typename T>
struct TErase<T*, std::void_t<decltype(&T::StaticClass)>> {
  using Type = TObject*;
  static TObject* To(T* v) { return v; }
  // SetObjectProp has checked the class.
  static T* From(TObject* v) { return static_cast<T*>(v); }
};
template <typename Signature>
struct TErase<TEvent<Signature>> {
  using Type = TMethod;
  static TMethod To(const TEvent<Signature>& v) { return v.Method(); }
  static TEvent<Signature> From(const TMethod& v) { return TEvent<Signature>(v); }
};

// Getter and setter access by member-pointer type.
template <typename M, typename = void>
struct TAccess;
template <typename C, typename R>
struct TAccess<R (C::*)() const> {
  using Class = C;
  using Value = std::remove_cvref_t<R>;
  template <auto M>
  static Value Get(const TObject* o) { return (static_cast<const C*>(o)->*M)(); }
};
template <typename C, typename R>
struct TAccess<R (C::*)()> {
  using Class = C;
  using Value = std::remove_cvref_t<R>;
  template <auto M>
  static Value Get(const TObject* o) { return (const_cast<C*>(static_cast<const C*>(o))->*M)(); }
};
template <typename C, typename P>
struct TAccess<void (C::*)(P)> {
  using Class = C;
  using Value = std::remove_cvref_t<P>;
  template <auto M>
  static void Set(TObject* o, Value v) { (static_cast<C*>(o)->*M)(v); }
};
template <typename C, typename V>
struct TAccess<V C::*, std::enable_if_t<!std::is_function_v<V>>> {
  using Class = C;
  using Value = V;
  template <auto M>
  static Value Get(const TObject* o) { return static_cast<const C*>(o)->*M; }
  template <auto M>
  static void Set(TObject* o, const Value& v) { static_cast<C*>(o)->*M = v; }
};

template <auto Getter>
void GetThunk(const TObject* o, void* out) {
  using A = TAccess<decltype(Getter)>;
  using E = TErase<typename A::Value>;
  *static_cast<typename E::Type*>(out) = E::To(A::template Get<Getter>(o));
}

template <auto Setter>
void SetThunk(TObject* o, const void* in) {
  using A = TAccess<decltype(Setter)>;
  using E = TErase<typename A::Value>;
  A::template Set<Setter>(o, E::From(*static_cast<const typename E::Type*>(in)));
}

template <auto Getter, auto Setter>
TClassMember Property(const char* name) {
  using V = typename TAccess<decltype(Getter)>::Value;
  TClassMember m;
  m.Prop.Name = name;
  m.Prop.PropType = TypeInfoOf<V>();
  m.Prop.Get = &GetThunk<Getter>;
  if constexpr (!std::is_null_pointer_v<decltype(Setter)>) {
    using S = typename TAccess<decltype(Setter)>::Value;
    static_assert(std::is_same_v<typename TErase<V>::Type, typename TErase<S>::Type>,
                  "getter and setter must have values of the same kind");
    m.Prop.Set = &SetThunk<Setter>;
  }
  return m;
}

template <typename M>
struct TMethodSignature;
template <typename C, typename R, typename... A>
struct TMethodSignature<R (C::*)(A...)> {
  using Type = R(A...);
};

template <auto Member>
TClassMember Method(const char* name) {
  using Signature = typename TMethodSignature<decltype(Member)>::Type;
  TClassMember m;
  m.IsMethod = true;
  m.Method.Name = name;
  m.Method.Code = TEvent<Signature>::template Bind<Member>(nullptr).Method().Code;
  m.Method.Signature = &EventSignatureTag<Signature>;
  return m;
}

// Names a class in a template so that it is looked up when T is known.
template <typename T, typename U>
struct TDependent {
  using Type = U;
};

template <typename T>
TPersistent* Create(TPersistent* owner) {
  if constexpr (std::is_base_of_v<TCollectionItem, T>)
    return new T(static_cast<typename TDependent<T, TCollection>::Type*>(owner));
  else if constexpr (std::is_base_of_v<TComponent, T>)
    return new T(static_cast<typename TDependent<T, TComponent>::Type*>(owner));
  else
    return new T();
}

template <typename T>
constexpr TClassFactory FactoryOf() {
  constexpr bool creatable =
      !std::is_abstract_v<T> &&
      (std::is_base_of_v<TCollectionItem, T>
           ? std::is_constructible_v<T, TCollection*>
           : std::is_base_of_v<TComponent, T> ? std::is_constructible_v<T, TComponent*>
                                              : std::is_base_of_v<TPersistent, T> &&
                                                    std::is_default_constructible_v<T>);
  if constexpr (creatable)
    return &Create<T>;
  else
    return nullptr;
}

}  // namespace TypInfoDetail

template <typename V>
TClassMember& TClassMember::Default(V Value) {
  using E = TypInfoDetail::TErase<V>;
  static_assert(std::is_same_v<typename E::Type, Int64>, "defaults are for ordinal properties");
  Prop.Default = static_cast<Integer>(E::To(Value));
  return *this;
}

template <auto F>
TClassMember& TClassMember::Stored() {
  Prop.Stored = [](const TObject* o) -> bool {
    return TypInfoDetail::TAccess<decltype(F)>::template Get<F>(o);
  };
  return *this;
}
