// Format settings from the locale, number conversions and string helpers.
#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "SysConst.h"
#include "SysUtils.h"
#include "WinApi.h"

// ---------------------------------------------------------- format settings

TFormatSettings FormatSettings;

namespace {

AnsiString LocaleStr(LCID lcid, LCTYPE type, const AnsiString& def) {
  char buf[256];
  int n = GetLocaleInfoA(lcid, type, buf, sizeof buf);
  return n > 1 ? AnsiString(buf, n - 1) : def;
}

AnsiChar LocaleChar(LCID lcid, LCTYPE type, AnsiChar def) {
  AnsiString s = LocaleStr(lcid, type, AnsiString(1, def));
  return s[0];
}

Byte LocaleByte(LCID lcid, LCTYPE type, Byte def) {
  AnsiString s = LocaleStr(lcid, type, "");
  return s.empty() ? def : static_cast<Byte>(std::atoi(s.c_str()));
}

// The runtime's time patterns keep the locale's hour style and AM/PM place
// and use ':' (the TimeSeparator) between the parts.
void SetTimeFormats(LCID lcid, TFormatSettings& fs) {
  AnsiString t = LocaleStr(lcid, LOCALE_STIMEFORMAT, "h:mm:ss tt");
  std::size_t hour = t.find_first_of("hH");
  std::size_t mark = t.find('t');
  AnsiString hourFmt =
      hour != AnsiString::npos && hour + 1 < t.size() && (t[hour + 1] == 'h' || t[hour + 1] == 'H')
          ? "hh"
          : "h";
  bool twelveHour = hour != AnsiString::npos && t[hour] == 'h' && mark != AnsiString::npos;
  AnsiString prefix, postfix;
  if (twelveHour && mark < hour)
    prefix = "AMPM ";
  else if (twelveHour)
    postfix = " AMPM";
  fs.ShortTimeFormat = prefix + hourFmt + ":mm" + postfix;
  fs.LongTimeFormat = prefix + hourFmt + ":mm:ss" + postfix;
}

}  // namespace

void GetLocaleFormatSettings(unsigned long lcid, TFormatSettings& fs) {
  const TFormatSettings def;
  fs.CurrencyString = LocaleStr(lcid, LOCALE_SCURRENCY, def.CurrencyString);
  fs.CurrencyFormat = LocaleByte(lcid, LOCALE_ICURRENCY, def.CurrencyFormat);
  fs.NegCurrFormat = LocaleByte(lcid, LOCALE_INEGCURR, def.NegCurrFormat);
  fs.CurrencyDecimals = LocaleByte(lcid, LOCALE_ICURRDIGITS, def.CurrencyDecimals);
  fs.ThousandSeparator = LocaleChar(lcid, LOCALE_STHOUSAND, def.ThousandSeparator);
  fs.DecimalSeparator = LocaleChar(lcid, LOCALE_SDECIMAL, def.DecimalSeparator);
  fs.DateSeparator = LocaleChar(lcid, LOCALE_SDATE, def.DateSeparator);
  fs.TimeSeparator = LocaleChar(lcid, LOCALE_STIME, def.TimeSeparator);
  fs.ListSeparator = LocaleChar(lcid, LOCALE_SLIST, def.ListSeparator);
  fs.ShortDateFormat = LocaleStr(lcid, LOCALE_SSHORTDATE, def.ShortDateFormat);
  fs.LongDateFormat = LocaleStr(lcid, LOCALE_SLONGDATE, def.LongDateFormat);
  fs.TimeAMString = LocaleStr(lcid, LOCALE_S1159, def.TimeAMString);
  fs.TimePMString = LocaleStr(lcid, LOCALE_S2359, def.TimePMString);
  SetTimeFormats(lcid, fs);
  for (int i = 0; i < 12; ++i) {
    fs.ShortMonthNames[i] = LocaleStr(lcid, LOCALE_SABBREVMONTHNAME1 + i, def.ShortMonthNames[i]);
    fs.LongMonthNames[i] = LocaleStr(lcid, LOCALE_SMONTHNAME1 + i, def.LongMonthNames[i]);
  }
  // The locale's week starts on Monday (DAYNAME1); ours on Sunday.
  for (int i = 0; i < 7; ++i) {
    LCTYPE day = (i + 6) % 7;
    fs.ShortDayNames[i] = LocaleStr(lcid, LOCALE_SABBREVDAYNAME1 + day, def.ShortDayNames[i]);
    fs.LongDayNames[i] = LocaleStr(lcid, LOCALE_SDAYNAME1 + day, def.LongDayNames[i]);
  }
  fs.TwoDigitYearCenturyWindow = def.TwoDigitYearCenturyWindow;
}

// ------------------------------------------------------------------ numbers

AnsiString IntToStr(Int64 value) { return std::to_string(value); }

AnsiString IntToHex(Int64 value, Integer digits) { return Format("%.*x", {digits, value}); }

namespace {

bool IsBlank(AnsiChar c) { return static_cast<unsigned char>(c) <= ' '; }

// Decimal within the signed range of `bits` bits, or hexadecimal ("$", "0x")
// within the unsigned range, taken as a bit pattern ("$FFFFFFFF" is -1).
bool ParseInteger(const AnsiString& text, int bits, Int64& value) {
  AnsiString s = Trim(text);
  std::size_t i = 0;
  bool negative = false;
  if (i < s.size() && (s[i] == '-' || s[i] == '+')) negative = s[i++] == '-';
  unsigned base = 10;
  if (i < s.size() && s[i] == '$') {
    base = 16;
    ++i;
  } else if (i + 1 < s.size() && s[i] == '0' && (s[i + 1] == 'x' || s[i + 1] == 'X')) {
    base = 16;
    i += 2;
  }
  if (i == s.size()) return false;
  const unsigned long long limit = base == 16 ? (bits == 64 ? ~0ULL : (1ULL << bits) - 1)
                                              : (1ULL << (bits - 1)) - 1 + (negative ? 1 : 0);
  unsigned long long v = 0;
  for (; i < s.size(); ++i) {
    char c = s[i];
    unsigned d;
    if (c >= '0' && c <= '9')
      d = c - '0';
    else if (base == 16 && (c | 0x20) >= 'a' && (c | 0x20) <= 'f')
      d = (c | 0x20) - 'a' + 10;
    else
      return false;
    if (v > (limit - d) / base) return false;
    v = v * base + d;
  }
  value = negative ? static_cast<Int64>(0ULL - v) : static_cast<Int64>(v);
  return true;
}

[[noreturn]] void InvalidInteger(const AnsiString& s) { throw EConvertError(SInvalidInteger, {s}); }

}  // namespace

bool TryStrToInt(const AnsiString& s, Integer& value) {
  Int64 v;
  if (!ParseInteger(s, 32, v)) return false;
  value = static_cast<Integer>(v);
  return true;
}

Integer StrToInt(const AnsiString& s) {
  Integer v;
  if (!TryStrToInt(s, v)) InvalidInteger(s);
  return v;
}

Int64 StrToInt64(const AnsiString& s) {
  Int64 v;
  if (!ParseInteger(s, 64, v)) InvalidInteger(s);
  return v;
}

Integer StrToIntDef(const AnsiString& s, Integer def) {
  Integer v;
  return TryStrToInt(s, v) ? v : def;
}

bool TryStrToFloat(const AnsiString& text, Extended& value, const TFormatSettings& settings) {
  AnsiString s = Trim(text);
  AnsiString c;  // the number in the C library's notation
  std::size_t i = 0;
  auto digits = [&] {
    std::size_t start = i;
    while (i < s.size() && s[i] >= '0' && s[i] <= '9') c += s[i++];
    return i - start;
  };
  if (i < s.size() && (s[i] == '-' || s[i] == '+')) c += s[i++];
  std::size_t mantissa = digits();
  if (i < s.size() && s[i] == settings.DecimalSeparator) {
    c += '.';
    ++i;
    mantissa += digits();
  }
  if (mantissa == 0) return false;
  if (i < s.size() && (s[i] == 'e' || s[i] == 'E')) {
    c += s[i++];
    if (i < s.size() && (s[i] == '-' || s[i] == '+')) c += s[i++];
    if (digits() == 0) return false;
  }
  if (i != s.size()) return false;
  Extended v = std::strtold(c.c_str(), nullptr);
  if (std::isinf(v)) return false;
  value = v;
  return true;
}

Extended StrToFloat(const AnsiString& s) { return StrToFloat(s, FormatSettings); }

Extended StrToFloat(const AnsiString& s, const TFormatSettings& settings) {
  Extended v;
  if (!TryStrToFloat(s, v, settings)) throw EConvertError(SInvalidFloat, {s});
  return v;
}

// ------------------------------------------------------------------ strings

AnsiString Trim(const AnsiString& s) {
  std::size_t b = 0, e = s.size();
  while (b < e && IsBlank(s[b])) ++b;
  while (e > b && IsBlank(s[e - 1])) --e;
  return s.substr(b, e - b);
}

WideString Trim(const WideString& s) {
  std::size_t b = 0, e = s.size();
  while (b < e && s[b] <= L' ') ++b;
  while (e > b && s[e - 1] <= L' ') --e;
  return s.substr(b, e - b);
}

namespace {

AnsiChar AsciiUpper(AnsiChar c) { return c >= 'a' && c <= 'z' ? c - ('a' - 'A') : c; }
AnsiChar AsciiLower(AnsiChar c) { return c >= 'A' && c <= 'Z' ? c + ('a' - 'A') : c; }

AnsiString CaseMapped(AnsiString s, DWORD(WINAPI* map)(LPSTR, DWORD)) {
  if (!s.empty()) map(s.data(), static_cast<DWORD>(s.size()));
  return s;
}

Integer LocaleCompare(const AnsiString& a, const AnsiString& b, DWORD flags) {
  return CompareStringA(LOCALE_USER_DEFAULT, flags, a.data(), static_cast<int>(a.size()), b.data(),
                        static_cast<int>(b.size())) -
         CSTR_EQUAL;
}

}  // namespace

AnsiString UpperCase(const AnsiString& s) {
  AnsiString r = s;
  for (AnsiChar& c : r) c = AsciiUpper(c);
  return r;
}

AnsiString LowerCase(const AnsiString& s) {
  AnsiString r = s;
  for (AnsiChar& c : r) c = AsciiLower(c);
  return r;
}

Integer CompareText(const AnsiString& a, const AnsiString& b) {
  std::size_t n = std::min(a.size(), b.size());
  for (std::size_t i = 0; i < n; ++i) {
    int d =
        static_cast<unsigned char>(AsciiUpper(a[i])) - static_cast<unsigned char>(AsciiUpper(b[i]));
    if (d) return d;
  }
  return static_cast<Integer>(a.size()) - static_cast<Integer>(b.size());
}

bool SameText(const AnsiString& a, const AnsiString& b) { return CompareText(a, b) == 0; }

AnsiString AnsiUpperCase(const AnsiString& s) { return CaseMapped(s, CharUpperBuffA); }
AnsiString AnsiLowerCase(const AnsiString& s) { return CaseMapped(s, CharLowerBuffA); }

Integer AnsiCompareText(const AnsiString& a, const AnsiString& b) {
  return LocaleCompare(a, b, NORM_IGNORECASE);
}

Integer AnsiCompareStr(const AnsiString& a, const AnsiString& b) { return LocaleCompare(a, b, 0); }
