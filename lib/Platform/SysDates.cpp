// Dates and times: encoding, formatting and parsing.
#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>

#include "SysConst.h"
#include "SysUtils.h"
#include "WinApi.h"

namespace {

constexpr long long MSecsPerDay = 24LL * 60 * 60 * 1000;
constexpr long long DateDelta = 693594;  // days from 0001-01-01 (day 1) to 1899-12-30

Word DaysInMonth(Word year, Word month) {
  static constexpr Word Days[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  return month == 2 && IsLeapYear(year) ? 29 : Days[month - 1];
}

// The classic representation: the sign belongs to the day, the fraction is
// always the time after midnight. Rounding to the millisecond may carry into
// the next day.
void SplitDateTime(TDateTime dt, long long& days, long long& msecs) {
  if (!(std::fabs(dt) < 1e7)) {  // far beyond 9999, or not a number
    days = -DateDelta;
    msecs = 0;
    return;
  }
  long long total = std::llround(dt * MSecsPerDay);
  days = total / MSecsPerDay;
  msecs = std::llabs(total % MSecsPerDay);
}

}  // namespace

bool IsLeapYear(Word year) { return year % 4 == 0 && (year % 100 != 0 || year % 400 == 0); }

bool TryEncodeDate(Word year, Word month, Word day, TDateTime& date) {
  if (year < 1 || year > 9999 || month < 1 || month > 12 || day < 1 ||
      day > DaysInMonth(year, month))
    return false;
  long long dayOfYear = day;
  for (Word m = 1; m < month; ++m) dayOfYear += DaysInMonth(year, m);
  long long y = year - 1;
  date = static_cast<TDateTime>(y * 365 + y / 4 - y / 100 + y / 400 + dayOfYear - DateDelta);
  return true;
}

bool TryEncodeTime(Word hour, Word min, Word sec, Word msec, TDateTime& time) {
  if (hour >= 24 || min >= 60 || sec >= 60 || msec >= 1000) return false;
  time = static_cast<TDateTime>(((hour * 60LL + min) * 60 + sec) * 1000 + msec) / MSecsPerDay;
  return true;
}

TDateTime EncodeDate(Word year, Word month, Word day) {
  TDateTime d;
  if (!TryEncodeDate(year, month, day, d)) throw EConvertError(SDateEncodeError);
  return d;
}

TDateTime EncodeTime(Word hour, Word min, Word sec, Word msec) {
  TDateTime t;
  if (!TryEncodeTime(hour, min, sec, msec, t)) throw EConvertError(STimeEncodeError);
  return t;
}

void DecodeDate(TDateTime date, Word& year, Word& month, Word& day) {
  constexpr long long D1 = 365, D4 = D1 * 4 + 1, D100 = D4 * 25 - 1, D400 = D100 * 4 + 1;
  long long days, msecs;
  SplitDateTime(date, days, msecs);
  long long t = days + DateDelta;
  if (t <= 0) {
    year = month = day = 0;
    return;
  }
  --t;
  long long y = 1 + t / D400 * 400;
  t %= D400;
  long long i = std::min(t / D100, 3LL);
  t -= i * D100;
  y += i * 100 + t / D4 * 4;
  t %= D4;
  i = std::min(t / D1, 3LL);
  t -= i * D1;
  y += i;
  year = static_cast<Word>(y);
  Word m = 1;
  while (t >= DaysInMonth(year, m)) t -= DaysInMonth(year, m++);
  month = m;
  day = static_cast<Word>(t + 1);
}

void DecodeTime(TDateTime time, Word& hour, Word& min, Word& sec, Word& msec) {
  long long days, t;
  SplitDateTime(time, days, t);
  msec = static_cast<Word>(t % 1000);
  t /= 1000;
  sec = static_cast<Word>(t % 60);
  t /= 60;
  min = static_cast<Word>(t % 60);
  hour = static_cast<Word>(t / 60);
}

Word DayOfWeek(TDateTime date) {
  long long days, msecs;
  SplitDateTime(date, days, msecs);
  return static_cast<Word>(((days + DateDelta) % 7 + 7) % 7 + 1);
}

TDateTime SystemTimeToDateTime(const SYSTEMTIME& st) {
  TDateTime d = EncodeDate(st.wYear, st.wMonth, st.wDay);
  TDateTime t = EncodeTime(st.wHour, st.wMinute, st.wSecond, st.wMilliseconds);
  return d >= 0 ? d + t : d - t;
}

void DateTimeToSystemTime(TDateTime dt, SYSTEMTIME& st) {
  DecodeDate(dt, st.wYear, st.wMonth, st.wDay);
  DecodeTime(dt, st.wHour, st.wMinute, st.wSecond, st.wMilliseconds);
  st.wDayOfWeek = DayOfWeek(dt) - 1;
}

TDateTime Now() {
  SYSTEMTIME st;
  GetLocalTime(&st);
  return SystemTimeToDateTime(st);
}

TDateTime Date() {
  SYSTEMTIME st;
  GetLocalTime(&st);
  return EncodeDate(st.wYear, st.wMonth, st.wDay);
}

TDateTime Time() {
  SYSTEMTIME st;
  GetLocalTime(&st);
  return EncodeTime(st.wHour, st.wMinute, st.wSecond, st.wMilliseconds);
}

// --------------------------------------------------------------- formatting

namespace {

AnsiChar Upper(AnsiChar c) { return c >= 'a' && c <= 'z' ? c - ('a' - 'A') : c; }

bool StartsWithText(const AnsiChar* p, const AnsiChar* end, const char* word) {
  for (; *word; ++word, ++p)
    if (p == end || Upper(*p) != *word) return false;
  return true;
}

class TDateFormatter {
 public:
  TDateFormatter(TDateTime dt, const TFormatSettings& fs) : Fs_(fs) {
    DecodeDate(dt, Year_, Month_, Day_);
    DecodeTime(dt, Hour_, Min_, Sec_, MSec_);
    DayOfWeek_ = DayOfWeek(dt);
  }

  AnsiString Run(const AnsiString& fmt) {
    Append(fmt);
    return std::move(Out_);
  }

 private:
  void Number(unsigned value, int digits) {
    AnsiString s = std::to_string(value);
    if (static_cast<int>(s.size()) < digits) s.insert(0, digits - s.size(), '0');
    Out_ += s;
  }

  // A date pattern may name another (ddddd, c, t); two levels at most so that
  // a pattern naming itself cannot recurse for ever.
  void Append(const AnsiString& fmt) {
    if (Level_ >= 2) return;
    ++Level_;
    const AnsiChar* p = fmt.data();
    const AnsiChar* end = p + fmt.size();
    AnsiChar lastToken = ' ';
    while (p < end) {
      AnsiChar starter = *p;
      if (IsDBCSLeadByte(static_cast<BYTE>(starter)) && p + 1 < end) {
        Out_.append(p, 2);  // the second byte may look like a pattern letter
        p += 2;
        continue;
      }
      AnsiChar token = Upper(starter);
      const AnsiChar* start = p++;
      int count = 1;
      while (p < end && *p == starter) ++p, ++count;
      if (token >= 'A' && token <= 'Z') {
        if (token == 'M' && lastToken == 'H') token = 'N';
        lastToken = token;
      }
      if (!Token(token, start, count, p, end)) {
        Out_.append(start, 1);
        p = start + 1;
      }
    }
    --Level_;
  }

  // Writes one pattern element; false when `start` is a plain character.
  // `p` is left after the element.
  bool Token(AnsiChar token, const AnsiChar* start, int count, const AnsiChar*& p,
             const AnsiChar* end) {
    switch (token) {
      case 'Y': count <= 2 ? Number(Year_ % 100, 2) : Number(Year_, 4); return true;
      case 'M':
        if (count <= 2)
          Number(Month_, count);
        else if (Month_ >= 1)  // 0 for a date out of range
          Out_ += (count == 3 ? Fs_.ShortMonthNames : Fs_.LongMonthNames)[Month_ - 1];
        return true;
      case 'D':
        if (count <= 2)
          Number(Day_, count);
        else if (count <= 4)
          Out_ += (count == 3 ? Fs_.ShortDayNames : Fs_.LongDayNames)[DayOfWeek_ - 1];
        else
          Append(count == 5 ? Fs_.ShortDateFormat : Fs_.LongDateFormat);
        return true;
      case 'H':
        Number(TwelveHourFollows(p, end) ? TwelveHour() : Hour_, std::min(count, 2));
        return true;
      case 'N': Number(Min_, std::min(count, 2)); return true;
      case 'S': Number(Sec_, std::min(count, 2)); return true;
      case 'Z': Number(MSec_, std::min(count, 3)); return true;
      case 'T': Append(count == 1 ? Fs_.ShortTimeFormat : Fs_.LongTimeFormat); return true;
      case 'C':
        Append(Fs_.ShortDateFormat);
        if (Hour_ || Min_ || Sec_) {
          Out_ += ' ';
          Append(Fs_.LongTimeFormat);
        }
        return true;
      case 'A': return AmPm(start, p, end);
      case '/':
        if (Fs_.DateSeparator) Out_.append(count, Fs_.DateSeparator);
        return true;
      case ':':
        if (Fs_.TimeSeparator) Out_.append(count, Fs_.TimeSeparator);
        return true;
      case '\'':
      case '"': Quoted(start, p, end); return true;
      default: Out_.append(start, p); return true;
    }
  }

  unsigned TwelveHour() const { return Hour_ == 0 ? 12 : Hour_ > 12 ? Hour_ - 12 : Hour_; }

  // An AM/PM element later in the pattern (outside quotes) makes h a 12-hour clock.
  static bool TwelveHourFollows(const AnsiChar* p, const AnsiChar* end) {
    AnsiChar quote = 0;
    for (; p < end; ++p) {
      if (quote) {
        if (*p == quote) quote = 0;
      } else if (*p == '\'' || *p == '"') {
        quote = *p;
      } else if (StartsWithText(p, end, "AM/PM") || StartsWithText(p, end, "A/P") ||
                 StartsWithText(p, end, "AMPM")) {
        return true;
      }
    }
    return false;
  }

  // am/pm and a/p keep the letter case of the pattern; ampm writes the settings' text.
  bool AmPm(const AnsiChar* start, const AnsiChar*& p, const AnsiChar* end) {
    bool pm = Hour_ >= 12;
    if (StartsWithText(start, end, "AM/PM")) {
      Out_.append(start + (pm ? 3 : 0), 2);
      p = start + 5;
    } else if (StartsWithText(start, end, "A/P")) {
      Out_.append(start + (pm ? 2 : 0), 1);
      p = start + 3;
    } else if (StartsWithText(start, end, "AMPM")) {
      Out_ += pm ? Fs_.TimePMString : Fs_.TimeAMString;
      p = start + 4;
    } else {
      return false;
    }
    return true;
  }

  void Quoted(const AnsiChar* start, const AnsiChar*& p, const AnsiChar* end) {
    const AnsiChar* text = start + 1;
    p = text;
    while (p < end && *p != *start) ++p;
    Out_.append(text, p);
    if (p < end) ++p;
  }

  const TFormatSettings& Fs_;
  Word Year_, Month_, Day_, Hour_, Min_, Sec_, MSec_, DayOfWeek_;
  int Level_ = 0;
  AnsiString Out_;
};

}  // namespace

AnsiString FormatDateTime(const AnsiString& fmt, TDateTime dt) {
  return FormatDateTime(fmt, dt, FormatSettings);
}

AnsiString FormatDateTime(const AnsiString& fmt, TDateTime dt, const TFormatSettings& settings) {
  return TDateFormatter(dt, settings).Run(fmt);
}

AnsiString DateToStr(TDateTime dt) { return DateToStr(dt, FormatSettings); }
AnsiString TimeToStr(TDateTime dt) { return TimeToStr(dt, FormatSettings); }
AnsiString DateTimeToStr(TDateTime dt) { return DateTimeToStr(dt, FormatSettings); }

AnsiString DateToStr(TDateTime dt, const TFormatSettings& settings) {
  return FormatDateTime("ddddd", dt, settings);
}

AnsiString TimeToStr(TDateTime dt, const TFormatSettings& settings) {
  return FormatDateTime("tt", dt, settings);
}

AnsiString DateTimeToStr(TDateTime dt, const TFormatSettings& settings) {
  return FormatDateTime("c", dt, settings);
}

// ------------------------------------------------------------------ parsing

namespace {

class TDateScanner {
 public:
  TDateScanner(const AnsiString& s, const TFormatSettings& fs) : S_(s), Fs_(fs) {}

  bool AtEnd() {
    SkipBlanks();
    return Pos_ == S_.size();
  }
  void Restart() { Pos_ = 0; }

  bool Date(TDateTime& date) {
    int n[3], len[3];
    if (!Number(n[0], len[0]) || !Char(Fs_.DateSeparator) || !Number(n[1], len[1])) return false;
    int count = 2;
    if (Char(Fs_.DateSeparator)) {
      if (!Number(n[2], len[2])) return false;
      count = 3;
    }
    Char('.');     // a trailing period, as some locales write it
    int order[3];  // index into n of day, month and year
    DateOrder(order);
    Word year, month, day;
    if (count == 3) {
      year = ExpandYear(n[order[2]], len[order[2]]);
      month = static_cast<Word>(n[order[1]]);
      day = static_cast<Word>(n[order[0]]);
    } else {
      year = CurrentYear();
      bool dayFirst = order[0] < order[1];  // d and m keep their relative order
      day = static_cast<Word>(n[dayFirst ? 0 : 1]);
      month = static_cast<Word>(n[dayFirst ? 1 : 0]);
    }
    return TryEncodeDate(year, month, day, date);
  }

  bool Time(TDateTime& time) {
    int baseHour = AmPm();
    int hour, min = 0, sec = 0, msec = 0, len;
    if (!Number(hour, len)) return false;
    if (Char(Fs_.TimeSeparator)) {
      if (!Number(min, len)) return false;
      if (Char(Fs_.TimeSeparator)) {
        if (!Number(sec, len)) return false;
        if (Char(Fs_.DecimalSeparator)) {
          if (!Number(msec, len) || len > 3) return false;
          for (; len < 3; ++len) msec *= 10;  // a fraction of the second
        }
      }
    }
    if (baseHour < 0) baseHour = AmPm();
    if (baseHour >= 0) {
      if (hour == 0 || hour > 12) return false;
      hour = hour % 12 + baseHour;
    }
    return TryEncodeTime(static_cast<Word>(hour), static_cast<Word>(min), static_cast<Word>(sec),
                         static_cast<Word>(msec), time);
  }

 private:
  void SkipBlanks() {
    while (Pos_ < S_.size() && (S_[Pos_] == ' ' || S_[Pos_] == '\t')) ++Pos_;
  }

  bool Char(AnsiChar c) {
    SkipBlanks();
    if (c == 0 || Pos_ >= S_.size() || S_[Pos_] != c) return false;
    ++Pos_;
    return true;
  }

  // At most four digits: no date or time field needs more.
  bool Number(int& value, int& len) {
    SkipBlanks();
    std::size_t start = Pos_;
    value = 0;
    while (Pos_ < S_.size() && S_[Pos_] >= '0' && S_[Pos_] <= '9') {
      if (Pos_ - start == 4) return false;
      value = value * 10 + (S_[Pos_++] - '0');
    }
    len = static_cast<int>(Pos_ - start);
    return len > 0;
  }

  bool Text(const AnsiString& word) {
    SkipBlanks();
    if (word.empty() || S_.size() - Pos_ < word.size()) return false;
    for (std::size_t i = 0; i < word.size(); ++i)
      if (Upper(S_[Pos_ + i]) != Upper(word[i])) return false;
    Pos_ += word.size();
    return true;
  }

  // 0 for AM, 12 for PM, -1 when neither is written.
  int AmPm() {
    if (Text(Fs_.TimeAMString) || Text("AM")) return 0;
    if (Text(Fs_.TimePMString) || Text("PM")) return 12;
    return -1;
  }

  // The places of day, month and year as ShortDateFormat orders them.
  void DateOrder(int order[3]) const {
    static constexpr char Fields[] = "DMY";
    std::size_t first[3] = {AnsiString::npos, AnsiString::npos, AnsiString::npos};
    AnsiChar quote = 0;
    const AnsiString& f = Fs_.ShortDateFormat;
    for (std::size_t i = 0; i < f.size(); ++i) {
      AnsiChar c = f[i];
      if (quote) {
        if (c == quote) quote = 0;
        continue;
      }
      if (c == '\'' || c == '"') quote = c;
      const char* field = c ? std::strchr(Fields, Upper(c)) : nullptr;
      if (field) first[field - Fields] = std::min(first[field - Fields], i);
    }
    for (int field = 0; field < 3; ++field) {
      if (first[field] == AnsiString::npos) {  // not a date pattern: month, day, year
        order[0] = 1, order[1] = 0, order[2] = 2;
        return;
      }
    }
    for (int field = 0; field < 3; ++field) {
      order[field] = 0;
      for (int other = 0; other < 3; ++other)
        if (first[other] < first[field]) ++order[field];
    }
  }

  static Word CurrentYear() {
    SYSTEMTIME st;
    GetLocalTime(&st);
    return st.wYear;
  }

  Word ExpandYear(int year, int len) const {
    if (len > 2) return static_cast<Word>(year);
    int current = CurrentYear();
    int base = current - Fs_.TwoDigitYearCenturyWindow;
    year += base / 100 * 100;
    if (Fs_.TwoDigitYearCenturyWindow > 0 && year < base) year += 100;
    return static_cast<Word>(year);
  }

  const AnsiString& S_;
  const TFormatSettings& Fs_;
  std::size_t Pos_ = 0;
};

}  // namespace

bool TryStrToDate(const AnsiString& s, TDateTime& value, const TFormatSettings& settings) {
  TDateScanner scan(s, settings);
  TDateTime d;
  if (!scan.Date(d) || !scan.AtEnd()) return false;
  value = d;
  return true;
}

TDateTime StrToDate(const AnsiString& s) { return StrToDate(s, FormatSettings); }

TDateTime StrToDate(const AnsiString& s, const TFormatSettings& settings) {
  TDateTime d;
  if (!TryStrToDate(s, d, settings)) throw EConvertError(SInvalidDate, {s});
  return d;
}

TDateTime StrToTime(const AnsiString& s) { return StrToTime(s, FormatSettings); }

TDateTime StrToTime(const AnsiString& s, const TFormatSettings& settings) {
  TDateScanner scan(s, settings);
  TDateTime t;
  if (!scan.Time(t) || !scan.AtEnd()) throw EConvertError(SInvalidTime, {s});
  return t;
}

TDateTime StrToDateTime(const AnsiString& s) { return StrToDateTime(s, FormatSettings); }

TDateTime StrToDateTime(const AnsiString& s, const TFormatSettings& settings) {
  TDateScanner scan(s, settings);
  TDateTime d, t = 0;
  if (scan.Date(d) && (scan.AtEnd() || (scan.Time(t) && scan.AtEnd())))
    return d >= 0 ? d + t : d - t;
  scan.Restart();
  if (scan.Time(t) && scan.AtEnd()) return t;
  throw EConvertError(SInvalidDateTime, {s});
}
