// Number conversions, string helpers and format settings from the locale.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "SysUtils.h"
#include "TestSupport.h"

namespace {

}  // namespace

TEST(Numbers, IntToStrAndIntToHex) {
  EXPECT_EQ(IntToStr(0), "0");
  EXPECT_EQ(IntToStr(-42), "-42");
  EXPECT_EQ(IntToStr(std::numeric_limits<Int64>::min()), "-9223372036854775808");
  EXPECT_EQ(IntToHex(255, 4), "00FF");
  EXPECT_EQ(IntToHex(0x12345, 2), "12345");
  EXPECT_EQ(IntToHex(0, 0), "0");
  EXPECT_EQ(IntToHex(-1, 1), "FFFFFFFFFFFFFFFF");
}

TEST(Numbers, StrToIntAcceptsDecimalAndHex) {
  const struct {
    const char* Text;
    Integer Value;
  } good[] = {{"0", 0},
              {" 42 ", 42},
              {"\t-17", -17},
              {"+5", 5},
              {"$FF", 255},
              {"0x1f", 31},
              {"0X1F", 31},
              {"-$10", -16},
              {"007", 7},
              {"2147483647", 2147483647},
              {"-2147483648", std::numeric_limits<Integer>::min()},
              {"$FFFFFFFF", -1}};
  for (const auto& c : good) {
    Integer v = 0;
    EXPECT_TRUE(TryStrToInt(c.Text, v)) << c.Text;
    EXPECT_EQ(v, c.Value) << c.Text;
    EXPECT_EQ(StrToInt(c.Text), c.Value) << c.Text;
  }
  const char* bad[] = {
      "",  " ",   "-",   "+",          "2147483648", "-2147483649", "12a", "0x",
      "$", "1 2", "--1", "$1FFFFFFFF", "1.0",        "x12",         "$-1", "99999999999999999999"};
  for (const char* text : bad) {
    Integer v = 99;
    EXPECT_FALSE(TryStrToInt(text, v)) << text;
    EXPECT_EQ(v, 99) << "unchanged on failure: " << text;
    EXPECT_EQ(StrToIntDef(text, -3), -3) << text;
    EXPECT_EQ(MessageOf<EConvertError>([&] { StrToInt(text); }),
              L"'" + AnsiToWide(text) + L"' is not a valid integer value");
  }
}

TEST(Numbers, StrToInt64Limits) {
  EXPECT_EQ(StrToInt64("9223372036854775807"), std::numeric_limits<Int64>::max());
  EXPECT_EQ(StrToInt64(" -9223372036854775808 "), std::numeric_limits<Int64>::min());
  EXPECT_EQ(StrToInt64("$FFFFFFFFFFFFFFFF"), -1);
  EXPECT_EQ(StrToInt64("0x100000000"), 0x100000000LL);
  EXPECT_EQ(MessageOf<EConvertError>([] { StrToInt64("9223372036854775808"); }),
            L"'9223372036854775808' is not a valid integer value");
  EXPECT_EQ(MessageOf<EConvertError>([] { StrToInt64("$10000000000000000"); }),
            L"'$10000000000000000' is not a valid integer value");
}

TEST(Numbers, FloatToStrIsGeneralWithFifteenDigits) {
  const TFormatSettings fs;
  const struct {
    Extended Value;
    const char* Text;
  } cases[] = {{0.1, "0.1"},
               {1.0 / 3, "0.333333333333333"},
               {2.0 / 3, "0.666666666666667"},
               {1e100, "1E100"},
               {-1.5e-10, "-1.5E-10"},
               {123456789012345678.0, "1.23456789012346E17"},
               {-0.0, "0"},
               {1234.5, "1234.5"}};
  for (const auto& c : cases) EXPECT_EQ(FloatToStr(c.Value, fs), c.Text);
}

TEST(Numbers, FloatToStrF) {
  const TFormatSettings fs;
  EXPECT_EQ(FloatToStrF(1234.5, ffNumber, 15, 1, fs), "1,234.5");
  EXPECT_EQ(FloatToStrF(1234.5, ffExponent, 4, 2, fs), "1.235E+03");
  EXPECT_EQ(FloatToStrF(1234.5, ffExponent, 4, 0, fs), "1.235E+3");
  EXPECT_EQ(FloatToStrF(-1234.5, ffCurrency, 15, 2, fs), "($1,234.50)");
  EXPECT_EQ(FloatToStrF(2.5, ffFixed, 15, 0, fs), "3");
  EXPECT_EQ(FloatToStrF(1.23456, ffFixed, 3, 4, fs), "1.2300");  // precision limits the digits
  EXPECT_EQ(FloatToStrF(1e16, ffFixed, 15, 2, fs), "1E16");      // too wide for fixed point
  EXPECT_EQ(FloatToStrF(1e20, ffGeneral, 15, 3, fs), "1E020");
}

TEST(Numbers, StrToFloat) {
  const TFormatSettings us;
  TFormatSettings comma;
  comma.DecimalSeparator = ',';
  const struct {
    const char* Text;
    const TFormatSettings& Fs;
    Extended Value;
  } good[] = {{"1.5", us, 1.5},    {" -2.5e3 ", us, -2500},  {".5", us, 0.5},
              {"5.", us, 5},       {"+1E+2", us, 100},       {"1e-2", us, 0.01L},
              {"1,5", comma, 1.5}, {"-0,25E1", comma, -2.5}, {"42", comma, 42}};
  for (const auto& c : good) {
    Extended v = 0;
    EXPECT_TRUE(TryStrToFloat(c.Text, v, c.Fs)) << c.Text;
    EXPECT_EQ(v, c.Value) << c.Text;
    EXPECT_EQ(StrToFloat(c.Text, c.Fs), c.Value) << c.Text;
  }
  const struct {
    const char* Text;
    const TFormatSettings& Fs;
  } bad[] = {{"", us},    {"abc", us},   {"1.2.3", us},  {"1e", us},      {"e5", us},
             {".", us},   {"1,000", us}, {"1.5", comma}, {"1e99999", us}, {"INF", us},
             {"1 2", us}, {"0x10", us},  {"-", us}};
  for (const auto& c : bad) {
    Extended v = 7;
    EXPECT_FALSE(TryStrToFloat(c.Text, v, c.Fs)) << c.Text;
    EXPECT_EQ(v, 7) << c.Text;
    EXPECT_EQ(MessageOf<EConvertError>([&] { StrToFloat(c.Text, c.Fs); }),
              L"'" + AnsiToWide(c.Text) + L"' is not a valid floating point value");
  }
}

TEST(Numbers, FloatTextRoundTrips) {
  const TFormatSettings fs;
  for (Extended v : {0.1L, 1.0L / 7, 123456.789L, 1e-300L, 6.02214076e23L})
    EXPECT_NEAR(static_cast<double>(StrToFloat(FloatToStr(v, fs), fs) / v), 1.0, 1e-14);
}

TEST(Strings, TrimAndAsciiCase) {
  EXPECT_EQ(Trim(AnsiString("  a b \t\r\n")), "a b");
  EXPECT_EQ(Trim(AnsiString(" \t ")), "");
  EXPECT_EQ(Trim(WideString(L" \x0436 \r\n")), L"\x0436");
  EXPECT_EQ(UpperCase("abc\xE9xyz"), "ABC\xE9XYZ");  // ASCII letters only
  EXPECT_EQ(LowerCase("ABC\xC9XYZ"), "abc\xC9xyz");
  EXPECT_EQ(CompareText("abc", "ABC"), 0);
  EXPECT_LT(CompareText("abc", "ABD"), 0);
  EXPECT_GT(CompareText("b", "A"), 0);
  EXPECT_LT(CompareText("ab", "ABC"), 0);
  EXPECT_NE(CompareText("\xE9", "\xC9"), 0);
  EXPECT_TRUE(SameText("Hello", "hELLO"));
  EXPECT_FALSE(SameText("Hello", "Hell"));
}

TEST(Strings, AnsiFunctionsUseTheUserLocale) {
  // Code page 1252 in the tests: e-acute and E-acute are one letter in two cases.
  EXPECT_EQ(AnsiUpperCase("abc\xE9"), "ABC\xC9");
  EXPECT_EQ(AnsiLowerCase("ABC\xC9"), "abc\xE9");
  EXPECT_EQ(AnsiCompareText("\xE9t\xE9", "\xC9T\xC9"), 0);
  EXPECT_NE(AnsiCompareStr("\xE9", "\xC9"), 0);
  // Linguistic order, not the order of the codes ('a' = 97 > 'B' = 66).
  EXPECT_LT(AnsiCompareStr("a", "B"), 0);
  EXPECT_LT(AnsiCompareText("apple", "Banana"), 0);
  EXPECT_GT(AnsiCompareStr("b", "a"), 0);
  EXPECT_EQ(AnsiCompareStr("same", "same"), 0);
}

TEST(FormatSettings, ReadFromTheLocale) {
  TFormatSettings us;
  GetLocaleFormatSettings(0x0409, us);
  EXPECT_EQ(us.DecimalSeparator, '.');
  EXPECT_EQ(us.ThousandSeparator, ',');
  EXPECT_EQ(us.CurrencyString, "$");
  EXPECT_EQ(us.CurrencyFormat, 0);
  EXPECT_EQ(us.NegCurrFormat, 0);
  EXPECT_EQ(us.CurrencyDecimals, 2);
  EXPECT_EQ(us.DateSeparator, '/');
  EXPECT_EQ(us.TimeSeparator, ':');
  EXPECT_EQ(us.ListSeparator, ',');
  EXPECT_EQ(us.ShortDateFormat, "M/d/yyyy");
  EXPECT_EQ(us.ShortTimeFormat, "h:mm AMPM");
  EXPECT_EQ(us.LongTimeFormat, "h:mm:ss AMPM");
  EXPECT_EQ(us.TimeAMString, "AM");
  EXPECT_EQ(us.TimePMString, "PM");
  EXPECT_EQ(us.ShortMonthNames[0], "Jan");
  EXPECT_EQ(us.LongMonthNames[11], "December");
  EXPECT_EQ(us.ShortDayNames[0], "Sun");
  EXPECT_EQ(us.LongDayNames[1], "Monday");
  EXPECT_EQ(us.LongDayNames[6], "Saturday");

  TFormatSettings de;
  GetLocaleFormatSettings(0x0407, de);
  EXPECT_EQ(de.DecimalSeparator, ',');
  EXPECT_EQ(de.ThousandSeparator, '.');
  EXPECT_EQ(de.DateSeparator, '.');
  EXPECT_EQ(de.ShortDateFormat.substr(0, 1), "d");  // day first
  EXPECT_NE(de.ShortDateFormat.find("yyyy"), AnsiString::npos);
  EXPECT_EQ(de.LongTimeFormat, "hh:mm:ss");  // 24-hour clock, no AM/PM
  EXPECT_EQ(de.ShortTimeFormat, "hh:mm");
  EXPECT_EQ(de.CurrencyString, "\x80");  // the euro sign in code page 1252
  EXPECT_EQ(de.LongMonthNames[2], "M\xE4rz");
  EXPECT_EQ(de.LongDayNames[0], "Sonntag");
  EXPECT_EQ(Format("%m", {-1234.5}, de), "-1.234,50 \x80");

  TFormatSettings uk;
  GetLocaleFormatSettings(0x0809, uk);
  EXPECT_EQ(uk.ShortDateFormat.substr(0, 1), "d");
  EXPECT_EQ(uk.CurrencyString, "\xA3");
}
