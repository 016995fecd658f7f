#include "Variants.h"

#include <cfloat>
#include <cmath>
#include <new>

QEV_RESOURCESTRING(Variants, SVarTypeCouldNotConvert,
                   L"Could not convert variant of type (%s) into type (%s)");
QEV_RESOURCESTRING(Variants, SVarTypeConvertOverflow,
                   L"Overflow while converting variant of type (%s) into type (%s)");
QEV_RESOURCESTRING(Variants, SInvalidVarOp, L"Invalid variant operation");
QEV_RESOURCESTRING(Variants, SVarInvalid, L"Invalid argument");
QEV_RESOURCESTRING(Variants, SVarBadType, L"Invalid variant type");
QEV_RESOURCESTRING(Variants, SVarArrayBounds, L"Variant or safe array index out of bounds");
QEV_RESOURCESTRING(Variants, SVarNotArray, L"Variant is not an array");
QEV_RESOURCESTRING(Variants, SVarArrayCreate, L"Error creating variant or safe array");

struct TVarArray {
  Word ElementType = varVariant;
  std::vector<Integer> Low;    // per dimension
  std::vector<Integer> Count;  // elements per dimension
  std::vector<Variant> Items;  // the last dimension varies fastest
};

// ------------------------------------------------------------- array owner

Variant::TArrayRef::TArrayRef(TVarArray* array) : Array_(array) {}
Variant::TArrayRef::TArrayRef(const TArrayRef& other) : Array_(new TVarArray(*other.Array_)) {}
Variant::TArrayRef::TArrayRef(TArrayRef&& other) noexcept : Array_(other.Array_) {
  other.Array_ = nullptr;
}
Variant::TArrayRef& Variant::TArrayRef::operator=(TArrayRef other) noexcept {
  std::swap(Array_, other.Array_);
  return *this;
}
Variant::TArrayRef::~TArrayRef() { delete Array_; }

// ---------------------------------------------------------------- internals

struct TVariantAccess {
  static Word Type(const Variant& v) { return v.VType_; }
  static Int64 Ordinal(const Variant& v) { return std::get<Int64>(v.Data_); }
  static double Real(const Variant& v) { return std::get<double>(v.Data_); }
  static const WideString& Wide(const Variant& v) { return std::get<WideString>(v.Data_); }
  static const AnsiString& Ansi(const Variant& v) { return std::get<AnsiString>(v.Data_); }
  static TVarArray& Array(const Variant& v) {
    if (!(v.VType_ & varArray)) throw EVariantNotAnArrayError(SVarNotArray);
    return *std::get<Variant::TArrayRef>(v.Data_).Get();
  }
  static Variant Make(Word type, Variant::TData data) { return Variant(type, std::move(data)); }
  static Variant MakeArray(Word elementType) {
    return Variant(varArray | elementType, Variant::TArrayRef(new TVarArray{elementType, {}, {}, {}}));
  }
};

namespace {

using A = TVariantAccess;

bool IsIntegralType(Word t) {
  switch (t) {
    case varSmallint: case varInteger: case varShortInt: case varByte: case varWord:
    case varLongWord: case varInt64:
      return true;
    default:
      return false;
  }
}

bool IsRealType(Word t) { return t == varSingle || t == varDouble || t == varDate; }
bool IsStrType(Word t) { return t == varOleStr || t == varString; }

bool IsElementType(Word t) {
  return IsIntegralType(t) || IsRealType(t) || t == varCurrency || t == varOleStr ||
         t == varBoolean || t == varVariant;
}

[[noreturn]] void CastError(Word from, Word to) {
  throw EVariantTypeCastError(SVarTypeCouldNotConvert, {VarTypeAsText(from), VarTypeAsText(to)});
}

[[noreturn]] void OverflowError(Word from, Word to) {
  throw EVariantOverflowError(SVarTypeConvertOverflow, {VarTypeAsText(from), VarTypeAsText(to)});
}

void IntegralRange(Word t, Int64& low, Int64& high) {
  switch (t) {
    case varShortInt: low = -128, high = 127; break;
    case varByte: low = 0, high = 255; break;
    case varSmallint: low = -32768, high = 32767; break;
    case varWord: low = 0, high = 65535; break;
    case varInteger: low = INT32_MIN, high = INT32_MAX; break;
    case varLongWord: low = 0, high = UINT32_MAX; break;
    default: low = INT64_MIN, high = INT64_MAX; break;
  }
}

constexpr long double CurrencyScale = 10000.0L;
constexpr long double Two63 = 9223372036854775808.0L;

// Rounds to the nearest integer (halves to even, the default rounding mode);
// false when the result lies outside Int64.
bool RoundToInt64(long double v, Int64& result) {
  long double r = std::nearbyintl(v);
  if (!(r >= -Two63 && r < Two63)) return false;
  result = static_cast<Int64>(r);
  return true;
}

AnsiString TextOf(const Variant& v) {
  return A::Type(v) == varString ? A::Ansi(v) : WideToAnsi(A::Wide(v));
}

// The number in a text: a decimal number in FormatSettings' notation, or
// "True"/"False" (-1/0).
bool ParseNumber(const Variant& v, long double& value) {
  AnsiString s = Trim(TextOf(v));
  Extended e;
  if (TryStrToFloat(s, e, FormatSettings)) {
    value = e;
    return true;
  }
  if (SameText(s, "True") || SameText(s, "False")) {
    value = SameText(s, "True") ? -1 : 0;
    return true;
  }
  return false;
}

// Every scalar but Null as a number; Booleans are -1 and 0, dates their days.
long double RealOf(const Variant& v, Word target) {
  Word t = A::Type(v);
  if (t == varEmpty) return 0;
  if (IsIntegralType(t)) return static_cast<long double>(A::Ordinal(v));
  if (IsRealType(t)) return A::Real(v);
  if (t == varCurrency) return A::Ordinal(v) / CurrencyScale;
  if (t == varBoolean) return A::Ordinal(v) ? -1 : 0;
  long double value;
  if (IsStrType(t) && ParseNumber(v, value)) return value;
  CastError(t, target);
}

Int64 IntegralOf(const Variant& v, Word target) {
  Word t = A::Type(v);
  Int64 value;
  if (IsIntegralType(t))
    value = A::Ordinal(v);
  else if (!RoundToInt64(RealOf(v, target), value))
    OverflowError(t, target);
  Int64 low, high;
  IntegralRange(target, low, high);
  if (value < low || value > high) OverflowError(t, target);
  return value;
}

Int64 CurrencyOf(const Variant& v) {
  Word t = A::Type(v);
  if (t == varCurrency) return A::Ordinal(v);
  Int64 scaled;
  if (!RoundToInt64(RealOf(v, varCurrency) * CurrencyScale, scaled)) OverflowError(t, varCurrency);
  return scaled;
}

double DateOf(const Variant& v) {
  if (!IsStrType(A::Type(v))) return static_cast<double>(RealOf(v, varDate));
  try {
    return StrToDateTime(Trim(TextOf(v)));
  } catch (const EConvertError&) {
    CastError(A::Type(v), varDate);
  }
}

bool BooleanOf(const Variant& v) {
  Word t = A::Type(v);
  if (t == varBoolean || IsIntegralType(t) || t == varCurrency) return A::Ordinal(v) != 0;
  return RealOf(v, varBoolean) != 0;
}

// Four decimals at most, without trailing zeros, as the runtime writes currency.
AnsiString CurrencyText(Int64 scaled) {
  unsigned long long magnitude = scaled < 0 ? 0ULL - scaled : scaled;
  AnsiString text = std::to_string(magnitude / 10000);
  AnsiString decimals = std::to_string(10000 + magnitude % 10000).substr(1);
  decimals.erase(decimals.find_last_not_of('0') + 1);
  if (!decimals.empty()) text += FormatSettings.DecimalSeparator + decimals;
  return scaled < 0 ? "-" + text : text;
}

// The text of a scalar that is not itself a text.
AnsiString NumberText(const Variant& v) {
  Word t = A::Type(v);
  if (IsIntegralType(t)) return IntToStr(A::Ordinal(v));
  switch (t) {
    case varEmpty: return AnsiString();
    case varSingle: return FloatToStrF(A::Real(v), ffGeneral, 7, 0);
    case varDouble: return FloatToStr(A::Real(v));
    case varDate: return DateTimeToStr(A::Real(v));
    case varCurrency: return CurrencyText(A::Ordinal(v));
    case varBoolean: return A::Ordinal(v) ? "True" : "False";
    default: CastError(t, varString);
  }
}

float SingleOf(const Variant& v) {
  long double value = RealOf(v, varSingle);
  if (std::fabs(value) > FLT_MAX) OverflowError(A::Type(v), varSingle);
  return static_cast<float>(value);
}

[[noreturn]] void BadIndex() { throw EVariantBadIndexError(SVarArrayBounds); }

TVarArray& CheckedDim(const Variant& v, Integer dim) {
  TVarArray& array = A::Array(v);
  if (dim < 1 || dim > static_cast<Integer>(array.Low.size())) BadIndex();
  return array;
}

std::size_t ElementIndex(const TVarArray& array, const std::vector<Integer>& indices) {
  if (indices.size() != array.Low.size()) BadIndex();
  std::size_t index = 0;
  for (std::size_t d = 0; d < indices.size(); ++d) {
    Int64 offset = static_cast<Int64>(indices[d]) - array.Low[d];
    if (offset < 0 || offset >= array.Count[d]) BadIndex();
    index = index * array.Count[d] + static_cast<std::size_t>(offset);
  }
  return index;
}

int Sign(long double x, long double y) { return x < y ? -1 : (y < x ? 1 : 0); }

// Both sides are scalars other than Null.
int CompareScalars(const Variant& a, const Variant& b) {
  Word ta = A::Type(a), tb = A::Type(b);
  if ((ta | tb) & varArray) throw EVariantInvalidOpError(SInvalidVarOp);
  if (ta == varEmpty && tb == varEmpty) return 0;
  if (ta == varEmpty) return CompareScalars(VarAsType(a, tb), b);
  if (tb == varEmpty) return CompareScalars(a, VarAsType(b, ta));
  if (IsStrType(ta) && IsStrType(tb)) return WideCompareStr(a.AsWideString(), b.AsWideString());
  if (IsStrType(ta) && (tb == varDate || tb == varBoolean))
    return CompareScalars(VarAsType(a, tb), b);
  if (IsStrType(tb) && (ta == varDate || ta == varBoolean))
    return CompareScalars(a, VarAsType(b, ta));
  if (ta == varBoolean && tb == varBoolean) return Sign(A::Ordinal(a), A::Ordinal(b));
  if (ta == varCurrency && tb == varCurrency)
    return Sign(static_cast<long double>(A::Ordinal(a)), static_cast<long double>(A::Ordinal(b)));
  return Sign(RealOf(a, varDouble), RealOf(b, varDouble));
}

}  // namespace

// ------------------------------------------------------------ construction

Variant::Variant(signed char v) : VType_(varShortInt), Data_(Int64{v}) {}
Variant::Variant(Byte v) : VType_(varByte), Data_(Int64{v}) {}
Variant::Variant(short v) : VType_(varSmallint), Data_(Int64{v}) {}
Variant::Variant(Word v) : VType_(varWord), Data_(Int64{v}) {}
Variant::Variant(int v) : VType_(varInteger), Data_(Int64{v}) {}
Variant::Variant(long v) : VType_(varInteger), Data_(Int64{static_cast<Integer>(v)}) {}
Variant::Variant(unsigned v) : VType_(varLongWord), Data_(Int64{v}) {}
Variant::Variant(unsigned long v) : VType_(varLongWord), Data_(Int64{static_cast<LongWord>(v)}) {}
Variant::Variant(long long v) : VType_(varInt64), Data_(Int64{v}) {}
Variant::Variant(float v) : VType_(varSingle), Data_(double{v}) {}
Variant::Variant(double v) : VType_(varDouble), Data_(v) {}
Variant::Variant(long double v) : VType_(varDouble), Data_(static_cast<double>(v)) {}
Variant::Variant(Currency v) : VType_(varCurrency), Data_(v.Scaled) {}
Variant::Variant(bool v) : VType_(varBoolean), Data_(Int64{v ? 1 : 0}) {}
Variant::Variant(WideString v) : VType_(varOleStr), Data_(std::move(v)) {}
Variant::Variant(const WideChar* v) : Variant(WideString(v ? v : L"")) {}
Variant::Variant(AnsiString v) : VType_(varString), Data_(std::move(v)) {}
Variant::Variant(const AnsiChar* v) : Variant(AnsiString(v ? v : "")) {}

Variant Null() { return A::Make(varNull, {}); }
Variant Unassigned() { return Variant(); }
Variant VarFromDateTime(TDateTime value) { return A::Make(varDate, value); }

// ------------------------------------------------------------- conversions

namespace {

void CheckScalar(const Variant& v, Word target) {
  Word t = A::Type(v);
  if (t == varNull || (t & varArray)) CastError(t, target);
}

}  // namespace

Integer Variant::AsInteger() const {
  CheckScalar(*this, varInteger);
  return static_cast<Integer>(IntegralOf(*this, varInteger));
}

Int64 Variant::AsInt64() const {
  CheckScalar(*this, varInt64);
  return IntegralOf(*this, varInt64);
}

double Variant::AsDouble() const {
  CheckScalar(*this, varDouble);
  return static_cast<double>(RealOf(*this, varDouble));
}

Currency Variant::AsCurrency() const {
  CheckScalar(*this, varCurrency);
  return Currency::FromScaled(CurrencyOf(*this));
}

TDateTime Variant::AsDateTime() const {
  CheckScalar(*this, varDate);
  return DateOf(*this);
}

bool Variant::AsBoolean() const {
  CheckScalar(*this, varBoolean);
  return BooleanOf(*this);
}

AnsiString Variant::AsAnsiString() const {
  CheckScalar(*this, varString);
  return IsStrType(VType_) ? TextOf(*this) : NumberText(*this);
}

WideString Variant::AsWideString() const {
  CheckScalar(*this, varOleStr);
  return VType_ == varOleStr ? A::Wide(*this) : AnsiToWide(AsAnsiString());
}

TDateTime VarToDateTime(const Variant& v) { return v.AsDateTime(); }

Word VarType(const Variant& v) { return A::Type(v); }
bool VarIsEmpty(const Variant& v) { return A::Type(v) == varEmpty; }
bool VarIsNull(const Variant& v) { return A::Type(v) == varNull; }
bool VarIsStr(const Variant& v) { return IsStrType(A::Type(v)); }
bool VarIsArray(const Variant& v) { return (A::Type(v) & varArray) != 0; }

WideString VarTypeAsText(Word type) {
  static const struct {
    Word Type;
    const WideChar* Name;
  } Names[] = {{varEmpty, L"Empty"},       {varNull, L"Null"},         {varSmallint, L"Smallint"},
               {varInteger, L"Integer"},   {varSingle, L"Single"},     {varDouble, L"Double"},
               {varCurrency, L"Currency"}, {varDate, L"Date"},         {varOleStr, L"OleStr"},
               {varBoolean, L"Boolean"},   {varVariant, L"Variant"},   {varShortInt, L"ShortInt"},
               {varByte, L"Byte"},         {varWord, L"Word"},         {varLongWord, L"LongWord"},
               {varInt64, L"Int64"},       {varString, L"String"}};
  WideString name;
  for (const auto& n : Names)
    if (n.Type == (type & varTypeMask)) name = n.Name;
  if (name.empty()) name = L"$" + AnsiToWide(IntToHex(type & varTypeMask, 4));
  return type & varArray ? L"Array " + name : name;
}

Variant VarAsType(const Variant& v, Word type) {
  Word t = A::Type(v);
  if (type == t || type == varVariant) return v;
  if (type == varEmpty) return Variant();
  if (type == varNull) return Null();
  if (!IsElementType(type) && type != varString) throw EVariantBadVarTypeError(SVarBadType);
  CheckScalar(v, type);
  if (IsIntegralType(type)) return A::Make(type, IntegralOf(v, type));
  switch (type) {
    case varSingle: return Variant(SingleOf(v));
    case varDouble: return Variant(v.AsDouble());
    case varDate: return VarFromDateTime(DateOf(v));
    case varCurrency: return Variant(v.AsCurrency());
    case varBoolean: return Variant(v.AsBoolean());
    case varOleStr: return Variant(v.AsWideString());
    default: return Variant(v.AsAnsiString());
  }
}

AnsiString VarToStr(const Variant& v) {
  return VarIsNull(v) ? AnsiString() : v.AsAnsiString();
}

WideString VarToWideStr(const Variant& v) {
  return VarIsNull(v) ? WideString() : v.AsWideString();
}

// ------------------------------------------------------------------ arrays

Variant VarArrayCreate(const std::vector<Integer>& bounds, Word elementType) {
  if (bounds.empty() || bounds.size() % 2 != 0) throw EVariantInvalidArgError(SVarInvalid);
  if (!IsElementType(elementType)) throw EVariantArrayCreateError(SVarArrayCreate);
  Variant result = A::MakeArray(elementType);
  TVarArray& array = A::Array(result);
  Int64 total = 1;
  for (std::size_t i = 0; i < bounds.size(); i += 2) {
    Int64 count = static_cast<Int64>(bounds[i + 1]) - bounds[i] + 1;
    if (count < 0 || (count > 0 && total > INT32_MAX / count))
      throw EVariantArrayCreateError(SVarArrayCreate);
    array.Low.push_back(bounds[i]);
    array.Count.push_back(static_cast<Integer>(count));
    total *= count;
  }
  try {
    array.Items.assign(static_cast<std::size_t>(total), VarAsType(Variant(), elementType));
  } catch (const std::bad_alloc&) {
    throw EVariantArrayCreateError(SVarArrayCreate);
  }
  return result;
}

Variant VarArrayOf(const std::vector<Variant>& values) {
  Variant result = VarArrayCreate({0, static_cast<Integer>(values.size()) - 1}, varVariant);
  A::Array(result).Items = values;
  return result;
}

Integer VarArrayDimCount(const Variant& v) {
  return VarIsArray(v) ? static_cast<Integer>(A::Array(v).Low.size()) : 0;
}

Integer VarArrayLowBound(const Variant& v, Integer dim) {
  return CheckedDim(v, dim).Low[dim - 1];
}

Integer VarArrayHighBound(const Variant& v, Integer dim) {
  const TVarArray& array = CheckedDim(v, dim);
  return array.Low[dim - 1] + array.Count[dim - 1] - 1;
}

Variant VarArrayGet(const Variant& v, const std::vector<Integer>& indices) {
  const TVarArray& array = A::Array(v);
  return array.Items[ElementIndex(array, indices)];
}

void VarArrayPut(Variant& v, const Variant& value, const std::vector<Integer>& indices) {
  TVarArray& array = A::Array(v);
  Variant& item = array.Items[ElementIndex(array, indices)];
  item = VarAsType(value, array.ElementType);
}

// -------------------------------------------------------------- comparison

bool operator==(const Variant& a, const Variant& b) {
  if (VarIsNull(a) || VarIsNull(b)) return VarIsNull(a) && VarIsNull(b);
  return CompareScalars(a, b) == 0;
}

bool operator<(const Variant& a, const Variant& b) {
  if (VarIsNull(a) || VarIsNull(b)) return VarIsNull(a) && !VarIsNull(b);
  return CompareScalars(a, b) < 0;
}

TVariantRelationship VarCompareValue(const Variant& a, const Variant& b) {
  auto truth = [](bool equal) { return equal ? vrEqual : vrNotEqual; };
  if (VarIsEmpty(a)) return truth(VarIsEmpty(b));
  if (VarIsNull(a)) return truth(VarIsNull(b));
  if (VarIsEmpty(b) || VarIsNull(b)) return vrNotEqual;
  int c = CompareScalars(a, b);
  return c == 0 ? vrEqual : (c < 0 ? vrLessThan : vrGreaterThan);
}
