// Dates and times: encoding, decoding, FormatDateTime and parsing by the
// settings' order.
#include <gtest/gtest.h>

#include <cmath>

#include "SysUtils.h"
#include "TestSupport.h"
#include "WinApi.h"

namespace {

// Fixed English settings: the defaults plus names.
TFormatSettings English() {
  TFormatSettings fs;
  const char* months[] = {"January", "February", "March",     "April",   "May",      "June",
                          "July",    "August",   "September", "October", "November", "December"};
  const char* days[] = {"Sunday",   "Monday", "Tuesday", "Wednesday",
                        "Thursday", "Friday", "Saturday"};
  for (int i = 0; i < 12; ++i) {
    fs.LongMonthNames[i] = months[i];
    fs.ShortMonthNames[i] = AnsiString(months[i], 3);
  }
  for (int i = 0; i < 7; ++i) {
    fs.LongDayNames[i] = days[i];
    fs.ShortDayNames[i] = AnsiString(days[i], 3);
  }
  return fs;
}

Word CurrentYear() {
  Word y, m, d;
  DecodeDate(Date(), y, m, d);
  return y;
}

struct Ymd {
  Word Y, M, D;
  bool operator==(const Ymd&) const = default;
};
std::ostream& operator<<(std::ostream& os, const Ymd& d) {
  return os << d.Y << '-' << d.M << '-' << d.D;
}
Ymd YmdOf(TDateTime dt) {
  Ymd r;
  DecodeDate(dt, r.Y, r.M, r.D);
  return r;
}

}  // namespace

TEST(Dates, EncodeAndDecode) {
  const struct {
    Ymd Date;
    double Serial;
  } cases[] = {{{1899, 12, 30}, 0},    {{1900, 1, 1}, 2},    {{2002, 7, 1}, 37438},
               {{2000, 2, 29}, 36585}, {{1, 1, 1}, -693593}, {{9999, 12, 31}, 2958465},
               {{1899, 12, 29}, -1},   {{2100, 3, 1}, 73110}};
  for (const auto& c : cases) {
    EXPECT_EQ(EncodeDate(c.Date.Y, c.Date.M, c.Date.D), c.Serial) << c.Date;
    EXPECT_EQ(YmdOf(c.Serial), c.Date);
  }
  // Every day of several 400-year cycles decodes to the date that encodes to it.
  for (int day = -693593; day <= 2958465; day += 97) {
    Ymd d = YmdOf(day);
    TDateTime back;
    ASSERT_TRUE(TryEncodeDate(d.Y, d.M, d.D, back)) << day;
    ASSERT_EQ(back, day) << d;
  }
  EXPECT_EQ(YmdOf(-693594), (Ymd{0, 0, 0}));  // before year 1
}

TEST(Dates, InvalidDatesAndTimes) {
  const Ymd badDates[] = {{2001, 2, 29}, {1900, 2, 29}, {2000, 13, 1}, {0, 1, 1},
                          {2000, 0, 1},  {2000, 1, 0},  {2000, 4, 31}, {10000, 1, 1}};
  for (const Ymd& d : badDates) {
    TDateTime v = 5;
    EXPECT_FALSE(TryEncodeDate(d.Y, d.M, d.D, v)) << d;
    EXPECT_EQ(v, 5);
    EXPECT_EQ(MessageOf<EConvertError>([&] { EncodeDate(d.Y, d.M, d.D); }),
              L"Invalid argument to date encode");
  }
  const Word badTimes[][4] = {{24, 0, 0, 0}, {0, 60, 0, 0}, {0, 0, 60, 0}, {0, 0, 0, 1000}};
  for (const auto& t : badTimes) {
    TDateTime v;
    EXPECT_FALSE(TryEncodeTime(t[0], t[1], t[2], t[3], v));
    EXPECT_EQ(MessageOf<EConvertError>([&] { EncodeTime(t[0], t[1], t[2], t[3]); }),
              L"Invalid argument to time encode");
  }
}

TEST(Dates, Times) {
  EXPECT_EQ(EncodeTime(12, 0, 0, 0), 0.5);
  EXPECT_EQ(EncodeTime(0, 0, 0, 0), 0.0);
  Word h, m, s, ms;
  DecodeTime(EncodeTime(23, 59, 59, 999), h, m, s, ms);
  EXPECT_EQ((std::vector<Word>{h, m, s, ms}), (std::vector<Word>{23, 59, 59, 999}));
  DecodeTime(37438.75, h, m, s, ms);
  EXPECT_EQ((std::vector<Word>{h, m, s, ms}), (std::vector<Word>{18, 0, 0, 0}));
  // The day's sign stands apart from the time: -1.25 is 29 Dec 1899, 06:00.
  DecodeTime(-1.25, h, m, s, ms);
  EXPECT_EQ(h, 6);
  EXPECT_EQ(YmdOf(-1.25), (Ymd{1899, 12, 29}));
  // A time that rounds up to midnight belongs to the next day, never hour 24.
  TDateTime almost = EncodeDate(2002, 7, 1) + 0.9999999999;
  DecodeTime(almost, h, m, s, ms);
  EXPECT_EQ((std::vector<Word>{h, m, s, ms}), (std::vector<Word>{0, 0, 0, 0}));
  EXPECT_EQ(YmdOf(almost), (Ymd{2002, 7, 2}));
}

TEST(Dates, WeekDaysLeapYearsAndSystemTime) {
  EXPECT_EQ(DayOfWeek(0), 7);  // 30 Dec 1899 was a Saturday
  EXPECT_EQ(DayOfWeek(EncodeDate(2002, 7, 1)), 2);
  EXPECT_EQ(DayOfWeek(EncodeDate(2002, 7, 7) + 0.9), 1);
  EXPECT_EQ(DayOfWeek(-1), 6);
  EXPECT_TRUE(IsLeapYear(2000));
  EXPECT_TRUE(IsLeapYear(2004));
  EXPECT_FALSE(IsLeapYear(1900));
  EXPECT_FALSE(IsLeapYear(2001));

  SYSTEMTIME st{};
  st.wYear = 2002, st.wMonth = 7, st.wDay = 1, st.wHour = 14, st.wMinute = 5, st.wSecond = 9;
  st.wMilliseconds = 7;
  TDateTime dt = SystemTimeToDateTime(st);
  EXPECT_EQ(dt, EncodeDate(2002, 7, 1) + EncodeTime(14, 5, 9, 7));
  SYSTEMTIME back{};
  DateTimeToSystemTime(dt, back);
  EXPECT_EQ(back.wYear, 2002);
  EXPECT_EQ(back.wDay, 1);
  EXPECT_EQ(back.wMinute, 5);
  EXPECT_EQ(back.wMilliseconds, 7);
  EXPECT_EQ(back.wDayOfWeek, 1);  // Monday, counted from Sunday = 0

  EXPECT_EQ(Date(), std::floor(Date()));
  EXPECT_GT(Date(), EncodeDate(2020, 1, 1));
  EXPECT_GE(Time(), 0.0);
  EXPECT_LT(Time(), 1.0);
}

TEST(FormatDateTime, Patterns) {
  const TFormatSettings fs = English();
  const TDateTime dt = EncodeDate(2002, 7, 1) + EncodeTime(14, 5, 9, 7);  // a Monday
  const struct {
    const char* Pattern;
    const char* Text;
  } cases[] = {
      {"d", "1"},
      {"dd", "01"},
      {"ddd", "Mon"},
      {"dddd", "Monday"},
      {"ddddd", "7/1/2002"},
      {"dddddd", "Monday, July 01, 2002"},
      {"m", "7"},
      {"mm", "07"},
      {"mmm", "Jul"},
      {"MMMM", "July"},
      {"y", "02"},
      {"yy", "02"},
      {"yyyy", "2002"},
      {"h", "14"},
      {"hh", "14"},
      {"n", "5"},
      {"nn", "05"},
      {"s", "9"},
      {"ss", "09"},
      {"z", "7"},
      {"zzz", "007"},
      {"h:m", "14:5"},  // m right after h is the minute
      {"hh:mm:ss.zzz", "14:05:09.007"},
      {"h:mm am/pm", "2:05 pm"},
      {"h:mm AM/PM", "2:05 PM"},
      {"h:mm a/p", "2:05 p"},
      {"h ampm", "2 PM"},
      {"t", "2:05 PM"},
      {"tt", "2:05:09 PM"},
      {"c", "7/1/2002 2:05:09 PM"},
      {"yyyy/mm/dd", "2002/07/01"},
      {"'hour' h, \"d\"d", "hour 14, d1"},
      {"'unterminated", "unterminated"},
      {"dd-mm-yyyy", "01-07-2002"},
      {"Aug", "Aug"},
      {"", ""},
  };
  for (const auto& c : cases) EXPECT_EQ(FormatDateTime(c.Pattern, dt, fs), c.Text) << c.Pattern;
}

TEST(FormatDateTime, SeparatorsClockAndSettings) {
  TFormatSettings fs = English();
  fs.DateSeparator = '-';
  fs.TimeSeparator = '.';
  const TDateTime date = EncodeDate(2002, 7, 1);
  EXPECT_EQ(FormatDateTime("yyyy/mm/dd hh:nn", date + EncodeTime(9, 3, 0, 0), fs),
            "2002-07-01 09.03");
  EXPECT_EQ(FormatDateTime("c", date, fs), "7-1-2002");  // no time part at midnight
  EXPECT_EQ(FormatDateTime("h AM/PM", date, fs), "12 AM");
  EXPECT_EQ(FormatDateTime("h AM/PM", date + 0.5, fs), "12 PM");
  EXPECT_EQ(FormatDateTime("h 'AM/PM'", date + 0.75, fs), "18 AM/PM");  // quoted, no 12-hour clock
  EXPECT_EQ(FormatDateTime("yyyy", EncodeDate(5, 1, 1), fs), "0005");
  fs.ShortDateFormat = "ddddd";  // names itself: no endless recursion
  EXPECT_EQ(FormatDateTime("ddddd", date, fs), "");
  const TFormatSettings en = English();
  EXPECT_EQ(DateToStr(date, en), "7/1/2002");
  EXPECT_EQ(TimeToStr(date + EncodeTime(14, 5, 9, 0), en), "2:05:09 PM");
  EXPECT_EQ(DateTimeToStr(date + EncodeTime(14, 5, 9, 0), en), "7/1/2002 2:05:09 PM");
  // Locale settings put to work: German date and 24-hour clock.
  TFormatSettings de;
  GetLocaleFormatSettings(0x0407, de);
  EXPECT_EQ(FormatDateTime("dd/mm/yyyy tt", date + EncodeTime(14, 5, 9, 0), de),
            "01.07.2002 14:05:09");
  EXPECT_EQ(FormatDateTime("dddd, d. mmmm", date, de), "Montag, 1. Juli");
}

TEST(StrToDate, FollowsTheSettingsOrderAndSeparator) {
  const TFormatSettings us = English();  // M/d/yyyy
  EXPECT_EQ(YmdOf(StrToDate("7/1/2002", us)), (Ymd{2002, 7, 1}));
  EXPECT_EQ(YmdOf(StrToDate("  07 / 01 / 2002  ", us)), (Ymd{2002, 7, 1}));
  EXPECT_EQ(YmdOf(StrToDate("7/1", us)), (Ymd{CurrentYear(), 7, 1}));
  TFormatSettings ymd = us;
  ymd.ShortDateFormat = "yyyy-MM-dd";
  ymd.DateSeparator = '-';
  EXPECT_EQ(YmdOf(StrToDate("2002-07-01", ymd)), (Ymd{2002, 7, 1}));
  EXPECT_EQ(YmdOf(StrToDate("07-01", ymd)), (Ymd{CurrentYear(), 7, 1}));
  TFormatSettings de;
  GetLocaleFormatSettings(0x0407, de);
  EXPECT_EQ(YmdOf(StrToDate("01.07.2002", de)), (Ymd{2002, 7, 1}));
  EXPECT_EQ(YmdOf(StrToDate("1.7.2002.", de)), (Ymd{2002, 7, 1}));
}

// The saver keeps its dates as mm/dd/yyyy and says so in its settings at start;
// a day-first machine must not turn 1 July into 7 January.
TEST(StrToDate, MonthFirstSettingsWinOverADayFirstLocale) {
  for (unsigned long lcid : {0x0809ul, 0x0407ul}) {
    TFormatSettings fs;
    GetLocaleFormatSettings(lcid, fs);
    fs.ShortDateFormat = "mm/dd/yyyy";
    fs.DateSeparator = '/';
    EXPECT_EQ(YmdOf(StrToDate("07/01/2002", fs)), (Ymd{2002, 7, 1})) << std::hex << lcid;
    EXPECT_EQ(YmdOf(StrToDateTime("07/01/2002 13:30", fs)), (Ymd{2002, 7, 1}));
    EXPECT_THROW(StrToDate("13/01/2002", fs), EConvertError);
    fs.ShortDateFormat = "dd/mm/yyyy";
    EXPECT_EQ(YmdOf(StrToDate("07/01/2002", fs)), (Ymd{2002, 1, 7})) << std::hex << lcid;
  }
}

TEST(StrToDate, TwoDigitYearsUseTheCenturyWindow) {
  TFormatSettings fs = English();
  const int now = CurrentYear();
  auto yearOf = [&](int twoDigits) {
    return YmdOf(StrToDate(Format("1/1/%.2d", {twoDigits}), fs)).Y;
  };
  EXPECT_EQ(yearOf((now + 10) % 100), now + 10);
  EXPECT_EQ(yearOf((now + 49) % 100), now + 49);
  EXPECT_EQ(yearOf((now - 50) % 100), now - 50);  // the window's first year
  fs.TwoDigitYearCenturyWindow = 0;               // the current century
  EXPECT_EQ(yearOf((now + 60) % 100), now / 100 * 100 + (now + 60) % 100);
  EXPECT_EQ(YmdOf(StrToDate("1/1/002", fs)).Y, 2);  // three digits are a full year
}

TEST(StrToDate, BadTextIsRejected) {
  const TFormatSettings us = English();
  const char* bad[] = {"",          "7",          "7-1-2002",  "13/1/2002", "2/30/2002",
                       "7/1/2002x", "a/b/c",      "7/1/12345", "7//2002",   "7/1/",
                       "/7/1",      "7/1/2002 1", "-7/1/2002"};
  for (const char* text : bad) {
    TDateTime v = 3;
    EXPECT_FALSE(TryStrToDate(text, v, us)) << text;
    EXPECT_EQ(v, 3) << text;
    EXPECT_EQ(MessageOf<EConvertError>([&] { StrToDate(text, us); }),
              L"'" + AnsiToWide(text) + L"' is not a valid date");
  }
}

TEST(StrToTime, ClockFormsAndErrors) {
  const TFormatSettings fs = English();
  const struct {
    const char* Text;
    Word H, M, S, Ms;
  } good[] = {
      {"14:05:09", 14, 5, 9, 0},     {" 2:05 PM ", 14, 5, 0, 0},      {"2:05 pm", 14, 5, 0, 0},
      {"12:00 AM", 0, 0, 0, 0},      {"12:00 PM", 12, 0, 0, 0},       {"PM 2:05", 14, 5, 0, 0},
      {"14:05:09.5", 14, 5, 9, 500}, {"14:05:09.123", 14, 5, 9, 123}, {"7", 7, 0, 0, 0},
      {"0:00", 0, 0, 0, 0}};
  for (const auto& c : good)
    EXPECT_EQ(StrToTime(c.Text, fs), EncodeTime(c.H, c.M, c.S, c.Ms)) << c.Text;
  TFormatSettings dotted = fs;
  dotted.TimeSeparator = '.';
  dotted.DecimalSeparator = ',';
  EXPECT_EQ(StrToTime("14.05.09,25", dotted), EncodeTime(14, 5, 9, 250));
  const char* bad[] = {"",       "x",        "25:00", "13:00 PM",      "0:00 AM", "14:60",
                       "14:05:", "14:05:61", "14-05", "14:05:09.1234", "14:05 XM"};
  for (const char* text : bad)
    EXPECT_EQ(MessageOf<EConvertError>([&] { StrToTime(text, fs); }),
              L"'" + AnsiToWide(text) + L"' is not a valid time")
        << text;
}

TEST(StrToDateTime, DateTimeOrEither) {
  const TFormatSettings fs = English();
  EXPECT_EQ(StrToDateTime("7/1/2002 14:05:09", fs),
            EncodeDate(2002, 7, 1) + EncodeTime(14, 5, 9, 0));
  EXPECT_EQ(StrToDateTime("7/1/2002", fs), EncodeDate(2002, 7, 1));
  EXPECT_EQ(StrToDateTime("14:05", fs), EncodeTime(14, 5, 0, 0));
  // Before 1899 the time still counts forward from midnight.
  EXPECT_EQ(StrToDateTime("12/29/1899 06:00", fs), -1.25);
  EXPECT_EQ(MessageOf<EConvertError>([&] { StrToDateTime("7/1/2002 x", fs); }),
            L"'7/1/2002 x' is not a valid date and time");
  // Round trip through the formatter.
  const TDateTime dt = EncodeDate(1999, 12, 31) + EncodeTime(23, 59, 58, 0);
  EXPECT_EQ(StrToDateTime(DateTimeToStr(dt, fs), fs), dt);
}

TEST(StrToDate, GlobalSettingsAreUsedWhenNoneAreGiven) {
  struct Restore {
    TFormatSettings Saved = FormatSettings;
    ~Restore() { FormatSettings = Saved; }
  } restore;
  GetLocaleFormatSettings(0x0809, FormatSettings);
  FormatSettings.ShortDateFormat = "mm/dd/yyyy";
  FormatSettings.DateSeparator = '/';
  EXPECT_EQ(YmdOf(StrToDate("07/01/2002")), (Ymd{2002, 7, 1}));
  EXPECT_EQ(DateToStr(EncodeDate(2002, 7, 1)), "07/01/2002");
  EXPECT_EQ(YmdOf(StrToDateTime("07/01/2002 10:00")), (Ymd{2002, 7, 1}));
  EXPECT_EQ(StrToTime("10:30"), EncodeTime(10, 30, 0, 0));
}
