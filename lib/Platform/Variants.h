// The runtime's Variant: a value of one of the runtime's simple types, Null,
// Empty (unassigned) or an array of them, with the runtime's conversions and
// comparisons. Text conversions use FormatSettings.
#pragma once

#include <variant>
#include <vector>

#include "SysUtils.h"
#include "System.h"

// Variant type codes, as VarType reports them.
constexpr Word varEmpty = 0x0000;
constexpr Word varNull = 0x0001;
constexpr Word varSmallint = 0x0002;
constexpr Word varInteger = 0x0003;
constexpr Word varSingle = 0x0004;
constexpr Word varDouble = 0x0005;
constexpr Word varCurrency = 0x0006;
constexpr Word varDate = 0x0007;
constexpr Word varOleStr = 0x0008;  // wide text
constexpr Word varBoolean = 0x000B;
constexpr Word varVariant = 0x000C;  // element type of arrays of mixed values
constexpr Word varShortInt = 0x0010;
constexpr Word varByte = 0x0011;
constexpr Word varWord = 0x0012;
constexpr Word varLongWord = 0x0013;
constexpr Word varInt64 = 0x0014;
constexpr Word varString = 0x0100;  // 8-bit text
constexpr Word varTypeMask = 0x0FFF;
constexpr Word varArray = 0x2000;

QEV_DECLARE_EXCEPTION(EVariantError, Exception);
QEV_DECLARE_EXCEPTION(EVariantTypeCastError, EVariantError);
QEV_DECLARE_EXCEPTION(EVariantOverflowError, EVariantError);
QEV_DECLARE_EXCEPTION(EVariantInvalidOpError, EVariantError);
QEV_DECLARE_EXCEPTION(EVariantInvalidArgError, EVariantError);
QEV_DECLARE_EXCEPTION(EVariantBadVarTypeError, EVariantError);
QEV_DECLARE_EXCEPTION(EVariantBadIndexError, EVariantError);
QEV_DECLARE_EXCEPTION(EVariantNotAnArrayError, EVariantError);
QEV_DECLARE_EXCEPTION(EVariantArrayCreateError, EVariantError);

extern const TResStringRec SVarTypeCouldNotConvert;
extern const TResStringRec SVarTypeConvertOverflow;
extern const TResStringRec SInvalidVarOp;
extern const TResStringRec SVarInvalid;
extern const TResStringRec SVarBadType;
extern const TResStringRec SVarArrayBounds;
extern const TResStringRec SVarNotArray;
extern const TResStringRec SVarArrayCreate;

struct TVarArray;

// A value type: copies are independent, arrays included. The constructor
// taken decides the type (int: varInteger, double: varDouble, WideString:
// varOleStr, AnsiString: varString, ...); dates come from VarFromDateTime.
class Variant {
 public:
  Variant() = default;
  Variant(signed char v);
  Variant(Byte v);
  Variant(short v);
  Variant(Word v);
  Variant(int v);
  Variant(long v);  // 32 bits on Windows
  Variant(unsigned v);
  Variant(unsigned long v);
  Variant(long long v);
  Variant(float v);
  Variant(double v);
  Variant(long double v);
  Variant(Currency v);
  Variant(bool v);
  Variant(WideString v);
  Variant(const WideChar* v);
  Variant(AnsiString v);
  Variant(const AnsiChar* v);
  // A character or pointer would silently become a number or a Boolean.
  Variant(char) = delete;
  Variant(wchar_t) = delete;
  Variant(const void*) = delete;

  // Conversions of the runtime: Empty gives 0, False or empty text; Null,
  // arrays and unconvertible text raise EVariantTypeCastError; values out of
  // the target's range raise EVariantOverflowError. Floats round to the
  // nearest integer, halves to even.
  Integer AsInteger() const;
  Int64 AsInt64() const;
  double AsDouble() const;
  Currency AsCurrency() const;
  TDateTime AsDateTime() const;
  bool AsBoolean() const;  // numbers: non-zero; text: "True"/"False" or a number
  AnsiString AsAnsiString() const;
  WideString AsWideString() const;

 private:
  friend struct TVariantAccess;

  // Owns one array; copies are deep.
  class TArrayRef {
   public:
    explicit TArrayRef(TVarArray* array);
    TArrayRef(const TArrayRef& other);
    TArrayRef(TArrayRef&& other) noexcept;
    TArrayRef& operator=(TArrayRef other) noexcept;
    ~TArrayRef();
    TVarArray* Get() const { return Array_; }

   private:
    TVarArray* Array_;
  };

  // Integral types, Boolean (0/1) and Currency (scaled) keep an Int64;
  // Single, Double and Date a double.
  using TData = std::variant<std::monostate, Int64, double, WideString, AnsiString, TArrayRef>;

  Variant(Word type, TData data) : VType_(type), Data_(std::move(data)) {}

  Word VType_ = varEmpty;
  TData Data_;
};

Variant Null();
Variant Unassigned();
Variant VarFromDateTime(TDateTime value);
TDateTime VarToDateTime(const Variant& v);

Word VarType(const Variant& v);
bool VarIsEmpty(const Variant& v);
bool VarIsNull(const Variant& v);
bool VarIsStr(const Variant& v);  // varOleStr or varString
bool VarIsArray(const Variant& v);
// The name of a type code as conversion errors show it ("Integer", "Array Variant").
WideString VarTypeAsText(Word type);

// v converted to type (a scalar type, varEmpty or varNull).
Variant VarAsType(const Variant& v, Word type);
// The text of v; Null and Empty give empty text.
AnsiString VarToStr(const Variant& v);
WideString VarToWideStr(const Variant& v);

// ------------------------------------------------------------------ arrays

// bounds holds a low and a high bound per dimension; high = low - 1 makes an
// empty dimension. The elements start as the element type's Empty value.
Variant VarArrayCreate(const std::vector<Integer>& bounds, Word elementType);
// One dimension 0..count - 1 of varVariant elements.
Variant VarArrayOf(const std::vector<Variant>& values);
Integer VarArrayDimCount(const Variant& v);  // 0 for a value that is no array
Integer VarArrayLowBound(const Variant& v, Integer dim);  // dim counts from 1
Integer VarArrayHighBound(const Variant& v, Integer dim);
// One index per dimension. Put converts the value to the element type.
Variant VarArrayGet(const Variant& v, const std::vector<Integer>& indices);
void VarArrayPut(Variant& v, const Variant& value, const std::vector<Integer>& indices);

// ------------------------------------------------------------- comparison

// Values of different types compare as the runtime does: Empty as the other
// side's zero, False or empty text; text against a number, date or Boolean
// as that type; numbers by value; texts case-sensitively by the user's
// locale; False before True. Arrays raise EVariantInvalidOpError.
// Null equals only Null and orders before every other value.
bool operator==(const Variant& a, const Variant& b);
bool operator<(const Variant& a, const Variant& b);
inline bool operator>(const Variant& a, const Variant& b) { return b < a; }
inline bool operator<=(const Variant& a, const Variant& b) { return !(b < a); }
inline bool operator>=(const Variant& a, const Variant& b) { return !(a < b); }

enum TVariantRelationship { vrEqual, vrLessThan, vrGreaterThan, vrNotEqual };
// Empty and Null are equal only to themselves and not-comparable to anything else.
TVariantRelationship VarCompareValue(const Variant& a, const Variant& b);
