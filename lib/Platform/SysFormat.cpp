// The runtime's Format engine (8-bit and wide) and the float-to-text
// conversion behind Format and FloatToStrF.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <cwchar>
#include <string>
#include <type_traits>

#include "SysConst.h"
#include "SysUtils.h"

namespace {

// ------------------------------------------------------------ float digits

constexpr int MaxFloatPrecision = 18;
constexpr int CurrencyPrecision = 19;  // every digit of a Currency

// A value as decimal digits: value = 0.Digits * 10^Exponent.
struct TDecimal {
  enum TKind { Finite, Infinite, NotANumber } Kind = Finite;
  bool Negative = false;
  std::string Digits;  // no leading or trailing zeros; empty for zero
  int Exponent = 0;
  int MaxPrecision = MaxFloatPrecision;  // significant digits the source holds
};

void Normalize(TDecimal& d) {
  std::size_t first = d.Digits.find_first_not_of('0');
  if (first == std::string::npos) {
    d.Digits.clear();
    d.Exponent = 0;
    d.Negative = false;  // no "-0.00"
    return;
  }
  d.Digits.erase(0, first);
  d.Exponent -= static_cast<int>(first);
  d.Digits.erase(d.Digits.find_last_not_of('0') + 1);
}

// Keeps `keep` leading digits, rounding half away from zero.
void RoundDigits(TDecimal& d, int keep) {
  if (keep >= static_cast<int>(d.Digits.size())) return;
  if (keep < 0) {
    d.Digits.clear();
    Normalize(d);
    return;
  }
  bool up = d.Digits[keep] >= '5';
  d.Digits.resize(keep);
  if (up) {
    int i = keep - 1;
    while (i >= 0 && d.Digits[i] == '9') d.Digits[i--] = '0';
    if (i >= 0) {
      ++d.Digits[i];
    } else {
      d.Digits.insert(d.Digits.begin(), '1');
      ++d.Exponent;
    }
  }
  Normalize(d);
}

TDecimal DecimalFromExtended(Extended value) {
  TDecimal d;
  if (std::isnan(value)) {
    d.Kind = TDecimal::NotANumber;
    return d;
  }
  d.Negative = std::signbit(value);
  if (std::isinf(value)) {
    d.Kind = TDecimal::Infinite;
    return d;
  }
  if (value == 0) {
    d.Negative = false;
    return d;
  }
  // The classic 18 significant digits; decimal rounding is done on them.
  char buf[64];
  __mingw_snprintf(buf, sizeof buf, "%.*Le", MaxFloatPrecision - 1, std::fabs(value));
  const char* e = std::strchr(buf, 'e');
  for (const char* p = buf; p != e; ++p)
    if (*p >= '0' && *p <= '9') d.Digits += *p;
  d.Exponent = std::atoi(e + 1) + 1;
  Normalize(d);
  return d;
}

TDecimal DecimalFromCurrency(Int64 scaled) {
  TDecimal d;
  d.Negative = scaled < 0;
  unsigned long long magnitude = d.Negative ? 0ULL - static_cast<unsigned long long>(scaled)
                                            : static_cast<unsigned long long>(scaled);
  d.Digits = std::to_string(magnitude);
  d.Exponent = static_cast<int>(d.Digits.size()) - 4;
  d.MaxPrecision = CurrencyPrecision;
  Normalize(d);
  return d;
}

char DigitAt(const TDecimal& d, int i) {
  return i >= 0 && i < static_cast<int>(d.Digits.size()) ? d.Digits[i] : '0';
}

// The unsigned fixed-point text with `decimals` places; thousandSep 0 for none.
AnsiString FixedText(const TDecimal& d, int decimals, char thousandSep, char decimalSep) {
  AnsiString s;
  if (d.Exponent <= 0) s += '0';
  for (int i = 0; i < d.Exponent; ++i) {
    if (thousandSep && i > 0 && (d.Exponent - i) % 3 == 0) s += thousandSep;
    s += DigitAt(d, i);
  }
  if (decimals > 0) {
    s += decimalSep;
    for (int k = 0; k < decimals; ++k) s += DigitAt(d, d.Exponent + k);
  }
  return s;
}

// "d.dddE+ddd": `mantissaDigits` digits in all (0: as many as there are),
// the exponent with at least `expDigits` digits and '+' only when plusSign.
AnsiString ScientificText(const TDecimal& d, int mantissaDigits, int expDigits, bool plusSign,
                          char decimalSep) {
  int count = mantissaDigits > 0 ? mantissaDigits : std::max<int>(1, d.Digits.size());
  AnsiString s(1, DigitAt(d, 0));
  if (count > 1) s += decimalSep;
  for (int i = 1; i < count; ++i) s += DigitAt(d, i);
  int exponent = d.Digits.empty() ? 0 : d.Exponent - 1;
  s += 'E';
  if (exponent < 0)
    s += '-';
  else if (plusSign)
    s += '+';
  AnsiString e = std::to_string(std::abs(exponent));
  if (static_cast<int>(e.size()) < expDigits) e.insert(0, expDigits - e.size(), '0');
  return s + e;
}

// Shortest of fixed and scientific, as FloatToStr writes it.
AnsiString GeneralText(TDecimal d, int precision, int expDigits, char decimalSep) {
  RoundDigits(d, precision);
  int exponent = d.Exponent - 1;
  if (!d.Digits.empty() && (exponent >= precision || exponent < -5))
    return ScientificText(d, 0, expDigits, false, decimalSep);
  int decimals = std::max(0, static_cast<int>(d.Digits.size()) - d.Exponent);
  return FixedText(d, decimals, 0, decimalSep);
}

AnsiString CurrencyText(const AnsiString& number, bool negative, const TFormatSettings& fs) {
  const AnsiString& c = fs.CurrencyString;
  const AnsiString& n = number;
  if (!negative) {
    switch (fs.CurrencyFormat) {
      case 1: return n + c;
      case 2: return c + " " + n;
      case 3: return n + " " + c;
      default: return c + n;
    }
  }
  switch (fs.NegCurrFormat) {
    case 1: return "-" + c + n;
    case 2: return c + "-" + n;
    case 3: return c + n + "-";
    case 4: return "(" + n + c + ")";
    case 5: return "-" + n + c;
    case 6: return n + "-" + c;
    case 7: return n + c + "-";
    case 8: return "-" + n + " " + c;
    case 9: return "-" + c + " " + n;
    case 10: return n + " " + c + "-";
    case 11: return c + " " + n + "-";
    case 12: return c + " -" + n;
    case 13: return n + "- " + c;
    case 14: return "(" + c + " " + n + ")";
    case 15: return "(" + n + " " + c + ")";
    default: return "(" + c + n + ")";
  }
}

AnsiString FloatText(TDecimal d, TFloatFormat format, int precision, int digits,
                     const TFormatSettings& fs) {
  if (d.Kind == TDecimal::NotANumber) return "NAN";
  if (d.Kind == TDecimal::Infinite) return d.Negative ? "-INF" : "INF";
  precision = std::clamp(precision, 1, d.MaxPrecision);
  const char sep = fs.DecimalSeparator;
  AnsiString s;
  if (format == ffExponent) {
    RoundDigits(d, precision);
    s = ScientificText(d, precision, std::clamp(digits, 0, 4), true, sep);
  } else if (format == ffGeneral) {
    s = GeneralText(d, precision, std::clamp(digits, 0, 4), sep);
  } else if (d.Exponent > precision) {  // too big for fixed point
    s = GeneralText(d, precision, 0, sep);
  } else {
    digits = std::clamp(digits, 0, MaxFloatPrecision);
    RoundDigits(d, std::min(precision, d.Exponent + digits));
    s = FixedText(d, digits, format == ffFixed ? 0 : fs.ThousandSeparator, sep);
    if (format == ffCurrency) return CurrencyText(s, d.Negative, fs);
  }
  return d.Negative ? "-" + s : s;
}

// ------------------------------------------------------------- the engine

template <class C>
using TStr = std::basic_string<C>;

// Numbers are ASCII unless separators or the currency string are not.
template <class C>
TStr<C> FromAnsi(const AnsiString& s) {
  if constexpr (std::is_same_v<C, AnsiChar>) {
    return s;
  } else {
    for (unsigned char ch : s)
      if (ch >= 0x80) return AnsiToWide(s);
    return WideString(s.begin(), s.end());
  }
}

template <class C>
TStr<C> FromAnsi(const AnsiChar* p, std::size_t len) {
  if constexpr (std::is_same_v<C, AnsiChar>)
    return AnsiString(p, len);
  else
    return AnsiToWide(p, static_cast<Integer>(len));
}

template <class C>
TStr<C> FromWide(const WideChar* p, std::size_t len) {
  if constexpr (std::is_same_v<C, WideChar>)
    return WideString(p, len);
  else
    return WideToAnsi(p, static_cast<Integer>(len));
}

AnsiString UnsignedText(unsigned long long v, unsigned base) {
  char buf[32];
  char* p = buf + sizeof buf;
  do {
    *--p = "0123456789ABCDEF"[v % base];
    v /= base;
  } while (v);
  return AnsiString(p, buf + sizeof buf);
}

void PadLeft(AnsiString& s, int count, char ch) {
  if (static_cast<int>(s.size()) < count) s.insert(0, count - s.size(), ch);
}

template <class C>
class TFormatter {
 public:
  TFormatter(const C* fmt, std::size_t len, TConstArray args, const TFormatSettings& fs)
      : Fmt_(fmt), P_(fmt), End_(fmt + len), Args_(args), Fs_(fs) {}

  TStr<C> Run() {
    while (P_ < End_) {
      const C* percent = std::char_traits<C>::find(P_, End_ - P_, C('%'));
      if (!percent) percent = End_;
      Out_.append(P_, percent);
      P_ = percent;
      if (P_ < End_) Specifier();
    }
    return std::move(Out_);
  }

 private:
  static constexpr int NoValue = -1;

  struct TSpec {
    bool Left = false;
    int Width = 0;
    int Precision = NoValue;
    C Type = 0;
  };

  [[noreturn]] void Error(const TResStringRec& msg) const {
    TStr<C> text(Fmt_, End_);
    throw EConvertError(msg, {text});
  }

  bool IsDigit() const { return P_ < End_ && *P_ >= C('0') && *P_ <= C('9'); }

  const TVarRec& NextArg() {
    if (ArgIndex_ >= Args_.size()) Error(SArgumentMissing);
    return Args_[ArgIndex_++];
  }

  // Digits or '*'; NoValue when there is neither.
  int Number() {
    if (P_ < End_ && *P_ == C('*')) {
      ++P_;
      const TVarRec& a = NextArg();
      if (a.VType != vtInteger) Error(SInvalidFormat);
      return a.VInteger;
    }
    if (!IsDigit()) return NoValue;
    long long n = 0;
    while (IsDigit()) {
      n = n * 10 + (*P_++ - C('0'));
      if (n > 0x7FFFFFFF) Error(SInvalidFormat);
    }
    return static_cast<int>(n);
  }

  void Specifier() {
    ++P_;  // '%'
    if (P_ < End_ && *P_ == C('%')) {
      Out_ += C('%');
      ++P_;
      return;
    }
    TSpec spec;
    int n = Number();
    if (n != NoValue && P_ < End_ && *P_ == C(':')) {
      ++P_;
      if (n < 0) Error(SInvalidFormat);
      ArgIndex_ = static_cast<std::size_t>(n);
      n = NoValue;
    }
    if (n == NoValue) {
      if (P_ < End_ && *P_ == C('-')) {
        spec.Left = true;
        ++P_;
      }
      n = Number();
    }
    spec.Width = std::max(n, 0);
    if (P_ < End_ && *P_ == C('.')) {
      ++P_;
      spec.Precision = Number();
      if (spec.Precision < 0) spec.Precision = NoValue;
    }
    if (P_ >= End_) Error(SInvalidFormat);
    spec.Type = *P_++;
    if (spec.Type >= C('A') && spec.Type <= C('Z')) spec.Type += C('a' - 'A');
    TStr<C> text = Convert(spec, NextArgFor(spec));
    Pad(text, spec);
  }

  // The argument is taken after the type is known to be valid, so that an
  // unknown letter reports the format error rather than a missing argument.
  const TVarRec& NextArgFor(const TSpec& spec) {
    static constexpr const char Types[] = "duefgnmpsx";
    if (spec.Type > 0x7F || !std::strchr(Types, static_cast<char>(spec.Type)))
      Error(SInvalidFormat);
    return NextArg();
  }

  void Pad(const TStr<C>& text, const TSpec& spec) {
    std::size_t fill = spec.Width > static_cast<int>(text.size()) ? spec.Width - text.size() : 0;
    if (!spec.Left) Out_.append(fill, C(' '));
    Out_ += text;
    if (spec.Left) Out_.append(fill, C(' '));
  }

  TStr<C> Convert(const TSpec& spec, const TVarRec& a) {
    switch (static_cast<char>(spec.Type)) {
      case 'd': return Decimal(spec, a);
      case 'u': return FromAnsi<C>(Unsigned(spec, a, 10));
      case 'x': return FromAnsi<C>(Unsigned(spec, a, 16));
      case 'p': return Pointer(a);
      case 's': return String(spec, a);
      default: return Float(spec, a);
    }
  }

  TStr<C> Decimal(const TSpec& spec, const TVarRec& a) {
    Int64 v;
    if (a.VType == vtInteger)
      v = a.VInteger;
    else if (a.VType == vtInt64)
      v = a.VInt64;
    else
      Error(SInvalidFormat);
    unsigned long long magnitude =
        v < 0 ? 0ULL - static_cast<unsigned long long>(v) : static_cast<unsigned long long>(v);
    AnsiString s = UnsignedText(magnitude, 10);
    PadLeft(s, spec.Precision, '0');
    return FromAnsi<C>(v < 0 ? "-" + s : s);
  }

  AnsiString Unsigned(const TSpec& spec, const TVarRec& a, unsigned base) {
    unsigned long long v;
    if (a.VType == vtInteger)
      v = static_cast<Cardinal>(a.VInteger);
    else if (a.VType == vtInt64)
      v = static_cast<unsigned long long>(a.VInt64);
    else
      Error(SInvalidFormat);
    AnsiString s = UnsignedText(v, base);
    PadLeft(s, spec.Precision, '0');
    return s;
  }

  TStr<C> Pointer(const TVarRec& a) {
    if (a.VType != vtPointer && a.VType != vtPChar && a.VType != vtPWideChar) Error(SInvalidFormat);
    AnsiString s = UnsignedText(reinterpret_cast<std::uintptr_t>(a.VPointer), 16);
    PadLeft(s, sizeof(void*) * 2, '0');
    return FromAnsi<C>(s);
  }

  TStr<C> String(const TSpec& spec, const TVarRec& a) {
    TStr<C> s;
    switch (a.VType) {
      case vtChar: s = FromAnsi<C>(&a.VChar, 1); break;
      case vtWideChar: s = FromWide<C>(&a.VWideChar, 1); break;
      case vtPChar:
        if (a.VPChar) s = FromAnsi<C>(a.VPChar, std::strlen(a.VPChar));
        break;
      case vtPWideChar:
        if (a.VPWideChar) s = FromWide<C>(a.VPWideChar, std::wcslen(a.VPWideChar));
        break;
      case vtAnsiString: s = FromAnsi<C>(a.VAnsiString->data(), a.VAnsiString->size()); break;
      case vtWideString: s = FromWide<C>(a.VWideString->data(), a.VWideString->size()); break;
      default: Error(SInvalidFormat);
    }
    if (spec.Precision != NoValue && static_cast<std::size_t>(spec.Precision) < s.size()) {
      std::size_t cut = spec.Precision;
      // Never leave half of a surrogate pair behind.
      if constexpr (std::is_same_v<C, WideChar>)
        if (cut > 0 && s[cut - 1] >= 0xD800 && s[cut - 1] <= 0xDBFF) --cut;
      s.resize(cut);
    }
    return s;
  }

  TStr<C> Float(const TSpec& spec, const TVarRec& a) {
    TDecimal d;
    if (a.VType == vtExtended)
      d = DecimalFromExtended(a.VExtended);
    else if (a.VType == vtCurrency)
      d = DecimalFromCurrency(a.VCurrency);
    else
      Error(SInvalidFormat);
    int prec = std::min(spec.Precision, MaxFloatPrecision);
    const int all = d.MaxPrecision;  // fixed point shows every digit it holds
    AnsiString s;
    switch (static_cast<char>(spec.Type)) {
      case 'e': s = FloatText(d, ffExponent, prec == NoValue ? 15 : prec, 3, Fs_); break;
      case 'f': s = FloatText(d, ffFixed, all, prec == NoValue ? 2 : prec, Fs_); break;
      case 'g': s = FloatText(d, ffGeneral, prec == NoValue ? 15 : prec, 0, Fs_); break;
      case 'n': s = FloatText(d, ffNumber, all, prec == NoValue ? 2 : prec, Fs_); break;
      default:
        s = FloatText(d, ffCurrency, all, prec == NoValue ? Fs_.CurrencyDecimals : prec, Fs_);
    }
    return FromAnsi<C>(s);
  }

  const C* Fmt_;
  const C* P_;
  const C* End_;
  TConstArray Args_;
  const TFormatSettings& Fs_;
  std::size_t ArgIndex_ = 0;
  TStr<C> Out_;
};

WideString DefaultWideFmtStr(const WideString& fmt, TConstArray args,
                             const TFormatSettings* settings) {
  return TFormatter<WideChar>(fmt.data(), fmt.size(), args, settings ? *settings : FormatSettings)
      .Run();
}

}  // namespace

TWideFmtStrProc WideFmtStrProc = DefaultWideFmtStr;

AnsiString Format(const AnsiString& fmt, TConstArray args) {
  return Format(fmt, args, FormatSettings);
}

AnsiString Format(const AnsiString& fmt, TConstArray args, const TFormatSettings& settings) {
  return TFormatter<AnsiChar>(fmt.data(), fmt.size(), args, settings).Run();
}

WideString WideFormat(const WideString& fmt, TConstArray args) {
  return WideFmtStrProc(fmt, args, nullptr);
}

WideString WideFormat(const WideString& fmt, TConstArray args, const TFormatSettings& settings) {
  return DefaultWideFmtStr(fmt, args, &settings);
}

Cardinal WideFormatBuf(WideChar* buf, Cardinal bufLen, const WideChar* fmt, Cardinal fmtLen,
                       TConstArray args, const TFormatSettings* settings) {
  // The runtime's own engine: the Unicode layer's hook calls this, so it must
  // not go back through WideFmtStrProc.
  WideString s = DefaultWideFmtStr(WideString(fmt, fmtLen), args, settings);
  Cardinal n = static_cast<Cardinal>(std::min<std::size_t>(s.size(), bufLen));
  if (n) std::wmemcpy(buf, s.data(), n);
  return n;
}

AnsiString FloatToStr(Extended value) { return FloatToStr(value, FormatSettings); }

AnsiString FloatToStr(Extended value, const TFormatSettings& settings) {
  return FloatToStrF(value, ffGeneral, 15, 0, settings);
}

AnsiString FloatToStrF(Extended value, TFloatFormat format, Integer precision, Integer digits) {
  return FloatToStrF(value, format, precision, digits, FormatSettings);
}

AnsiString FloatToStrF(Extended value, TFloatFormat format, Integer precision, Integer digits,
                       const TFormatSettings& settings) {
  return FloatText(DecimalFromExtended(value), format, precision, digits, settings);
}
