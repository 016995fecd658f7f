// The runtime's Format engine: specifiers, argument types, settings, errors,
// wide text and buffer limits.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "SysUtils.h"
#include "TestSupport.h"

namespace {
// Fixed settings so that no case depends on the machine's locale.
TFormatSettings UsSettings() { return TFormatSettings(); }

TFormatSettings GermanStyle() {
  TFormatSettings fs;
  fs.DecimalSeparator = ',';
  fs.ThousandSeparator = '.';
  return fs;
}


struct FormatCase {
  const char* Fmt;
  std::vector<TVarRec> Args;
  const char* Expected;
};

void ExpectAll(const std::vector<FormatCase>& cases, const TFormatSettings& fs) {
  for (const FormatCase& c : cases) {
    EXPECT_EQ(Format(c.Fmt, c.Args, fs), c.Expected) << "format " << c.Fmt;
    // The wide engine follows the same rules.
    EXPECT_EQ(WideFormat(AnsiToWide(c.Fmt), c.Args, fs), AnsiToWide(c.Expected))
        << "wide format " << c.Fmt;
  }
}

constexpr Int64 Int64Min = std::numeric_limits<Int64>::min();
constexpr Int64 Int64Max = std::numeric_limits<Int64>::max();
constexpr Integer IntMin = std::numeric_limits<Integer>::min();

}  // namespace

TEST(Format, Integers) {
  ExpectAll({{"%d", {0}, "0"},
             {"%d", {-5}, "-5"},
             {"%.3d", {-5}, "-005"},
             {"%.3d", {12345}, "12345"},
             {"%5d|", {42}, "   42|"},
             {"%-5d|", {42}, "42   |"},
             {"%6.3d|", {-7}, "  -007|"},
             {"%D", {3}, "3"},
             {"%d", {IntMin}, "-2147483648"},
             {"%d", {Int64Min}, "-9223372036854775808"},
             {"%d", {Int64Max}, "9223372036854775807"},
             {"%.20d", {Int64Min}, "-09223372036854775808"},
             {"%u", {-1}, "4294967295"},
             {"%u", {Int64(-1)}, "18446744073709551615"},
             {"%.4u", {12}, "0012"},
             {"%x", {255}, "FF"},
             {"%x", {-1}, "FFFFFFFF"},
             {"%x", {Int64(-1)}, "FFFFFFFFFFFFFFFF"},
             {"%x", {Int64Min}, "8000000000000000"},
             {"%.4x", {255}, "00FF"},
             {"%X", {0xabc}, "ABC"}},
            UsSettings());
}

TEST(Format, IndexWidthPrecisionAndStar) {
  ExpectAll({{"%1:s %0:s", {"a", "b"}, "b a"},
             // after an explicit index the next plain specifier takes index + 1
             {"%1:s %s %0:s %s", {"a", "b", "c"}, "b c a b"},
             {"%0:s%0:s", {"x"}, "xx"},
             {"%*d|", {5, 42}, "   42|"},
             {"%-*d|", {5, 42}, "42   |"},
             {"%.*f", {3, 1.0}, "1.000"},
             {"%*.*f|", {8, 3, 3.14159}, "   3.142|"},
             {"%*:s", {1, "x"}, "x"},
             {"%-8.3s|", {"abcdef"}, "abc     |"},
             {"%%", {}, "%"},
             {"100%% %d%%", {5}, "100% 5%"},
             {"%%d", {1}, "%d"},
             {"no specifiers", {1}, "no specifiers"},
             {"", {}, ""}},
            UsSettings());
}

TEST(Format, Strings) {
  AnsiString ansi = "ansi";
  WideString wide = L"wide";
  const char* nullText = nullptr;
  ExpectAll({{"%s", {'c'}, "c"},
             {"%s", {L'w'}, "w"},
             {"%s", {"pchar"}, "pchar"},
             {"%s", {L"pwchar"}, "pwchar"},
             {"%s", {nullText}, ""},
             {"%s|%s", {ansi, wide}, "ansi|wide"},
             {"%.2s|", {"abcdef"}, "ab|"},
             {"%.0s|", {"abc"}, "|"},
             {"%.9s|", {"abc"}, "abc|"},
             {"%5.2s|", {"abcdef"}, "   ab|"},
             {"%-5s|", {"ab"}, "ab   |"},
             {"%1s|", {"abc"}, "abc|"}},
            UsSettings());
}

TEST(Format, WideTextPassesThroughWideFormatUnchanged) {
  const WideString zhe = L"\x0436";
  const WideString smiley = L"\xD83D\xDE00";  // a surrogate pair
  EXPECT_EQ(WideFormat(L"[%s|%s]\x0436", {zhe, smiley}), L"[\x0436|\xD83D\xDE00]\x0436");
  EXPECT_EQ(WideFormat(L"%s", {L"\x4E2D\xD83D\xDE00"}), L"\x4E2D\xD83D\xDE00");
  EXPECT_EQ(WideFormat(L"%s", {L'\x0436'}), zhe);
  // 8-bit arguments are widened from the ANSI code page (1252 in the tests).
  EXPECT_EQ(WideFormat(L"%s%s", {AnsiString("\xE9"), '\xE9'}), L"\x00E9\x00E9");
  // A precision never cuts a surrogate pair in half.
  EXPECT_EQ(WideFormat(L"%.2s|", {L"a\xD83D\xDE00"}), L"a|");
  EXPECT_EQ(WideFormat(L"%.3s|", {L"a\xD83D\xDE00"}), L"a\xD83D\xDE00|");
  // Format converts wide arguments to 8-bit text.
  EXPECT_EQ(Format("%s", {WideString(L"\x00E9")}), "\xE9");
}

TEST(Format, FloatTypes) {
  ExpectAll({{"%e", {1.5}, "1.50000000000000E+000"},
             {"%e", {0.0}, "0.00000000000000E+000"},
             {"%.3e", {12345.0}, "1.23E+004"},
             {"%.3e", {-0.00012345}, "-1.23E-004"},
             {"%.1e", {1.5}, "2E+000"},
             {"%.2e", {9.99e99}, "1.0E+100"},
             {"%E", {1e-300}, "1.00000000000000E-300"},
             {"%f", {1.0}, "1.00"},
             {"%.0f", {2.5}, "3"},
             {"%.0f", {-2.5}, "-3"},
             {"%.0f", {0.5}, "1"},
             {"%.2f", {0.125}, "0.13"},
             {"%.2f", {-0.125}, "-0.13"},
             {"%.2f", {999.999}, "1000.00"},
             {"%.2f", {-0.001}, "0.00"},
             {"%.3f", {1e-10}, "0.000"},
             {"%.2f", {1e17}, "100000000000000000.00"},
             {"%f", {123456789.0}, "123456789.00"},
             {"%.25f", {1.5}, "1.500000000000000000"},  // precision above 18 is 18
             {"%g", {0.0}, "0"},
             {"%g", {100.0}, "100"},
             {"%g", {-2.5}, "-2.5"},
             {"%g", {0.1}, "0.1"},
             {"%g", {123.456}, "123.456"},
             {"%g", {1.0 / 3}, "0.333333333333333"},
             {"%g", {1e14}, "100000000000000"},
             {"%g", {1e15}, "1E15"},
             {"%g", {1e20}, "1E20"},
             {"%g", {-1.5e-7}, "-1.5E-7"},
             {"%g", {0.00001}, "0.00001"},
             {"%g", {0.000001}, "1E-6"},
             {"%.3g", {1234.0}, "1.23E3"},
             {"%.3g", {123.0}, "123"},
             {"%.3g", {0.99951}, "1"},
             {"%n", {1234567.891}, "1,234,567.89"},
             {"%n", {-1234.5}, "-1,234.50"},
             {"%.0n", {999.5}, "1,000"},
             {"%n", {123.0}, "123.00"},
             {"%.1n", {0.04}, "0.0"},
             {"%m", {1234.5}, "$1,234.50"},
             {"%.0m", {0.4}, "$0"},
             {"%12.1f|", {-3.25}, "        -3.3|"},
             {"%-8g|", {2.5}, "2.5     |"}},
            UsSettings());
}

TEST(Format, CurrencyArguments) {
  const Currency c = Currency::FromScaled(12345);  // 1.2345
  const Currency max = Currency::FromScaled(Int64Max);
  const Currency min = Currency::FromScaled(Int64Min);
  ExpectAll({{"%m", {c}, "$1.23"},
             {"%.4f", {c}, "1.2345"},
             {"%.3f", {c}, "1.235"},  // exact decimal digits, rounded half up
             {"%g", {c}, "1.2345"},
             {"%.4f", {max}, "922337203685477.5807"},
             {"%f", {min}, "-922337203685477.58"},
             {"%n", {max}, "922,337,203,685,477.58"}},
            UsSettings());
}

TEST(Format, InfinityAndNan) {
  const double inf = std::numeric_limits<double>::infinity();
  ExpectAll({{"%f", {inf}, "INF"},
             {"%e", {-inf}, "-INF"},
             {"%g", {std::nan("")}, "NAN"},
             {"%m", {inf}, "INF"},
             {"%6n|", {inf}, "   INF|"}},
            UsSettings());
  EXPECT_EQ(FloatToStr(-inf), "-INF");
}

TEST(Format, SeparatorsComeFromTheSettings) {
  ExpectAll({{"%n", {1234.5}, "1.234,50"},
             {"%f", {1234.5}, "1234,50"},
             {"%e", {1.5}, "1,50000000000000E+000"},
             {"%g", {0.5}, "0,5"},
             {"%m", {-1234567.0}, "($1.234.567,00)"}},
            GermanStyle());
}

TEST(Format, WithoutSettingsUsesTheGlobalSettings) {
  struct Restore {
    TFormatSettings Saved = FormatSettings;
    ~Restore() { FormatSettings = Saved; }
  } restore;
  FormatSettings = GermanStyle();
  FormatSettings.CurrencyString = "EUR";
  FormatSettings.CurrencyFormat = 3;
  FormatSettings.CurrencyDecimals = 1;
  EXPECT_EQ(Format("%n %m", {1234.5, 2.25}), "1.234,50 2,3 EUR");
  EXPECT_EQ(WideFormat(L"%n %m", {1234.5, 2.25}), L"1.234,50 2,3 EUR");
  EXPECT_EQ(FloatToStr(0.5), "0,5");
}

TEST(Format, MoneyFormats) {
  TFormatSettings fs;
  fs.CurrencyString = "$";
  const char* positive[] = {"$1", "1$", "$ 1", "1 $"};
  for (Byte f = 0; f < 4; ++f) {
    fs.CurrencyFormat = f;
    EXPECT_EQ(Format("%.0m", {1.0}, fs), positive[f]) << "CurrencyFormat " << int(f);
  }
  const char* negative[] = {"($1)", "-$1",  "$-1",  "$1-",  "(1$)", "-1$",  "1-$",   "1$-",
                            "-1 $", "-$ 1", "1 $-", "$ 1-", "$ -1", "1- $", "($ 1)", "(1 $)"};
  for (Byte f = 0; f < 16; ++f) {
    fs.NegCurrFormat = f;
    EXPECT_EQ(Format("%.0m", {-1.0}, fs), negative[f]) << "NegCurrFormat " << int(f);
  }
  fs.CurrencyString = "\x80";  // the euro sign in code page 1252
  fs.CurrencyFormat = 3;
  EXPECT_EQ(WideFormat(L"%m", {2.5}, fs), L"2.50 \x20AC");
}

TEST(Format, Pointers) {
  const void* p = reinterpret_cast<const void*>(std::uintptr_t{0xBEEF});
  const char* expected = sizeof(void*) == 8 ? "000000000000BEEF" : "0000BEEF";
  EXPECT_EQ(Format("%p", {p}), expected);
  EXPECT_EQ(Format("%p", {nullptr}), sizeof(void*) == 8 ? "0000000000000000" : "00000000");
  EXPECT_EQ(Format("%20p|", {p}).size(), 21u);
}

TEST(Format, ErrorsNameTheFormat) {
  const WideString missing = L"No argument for format '%s'";
  const WideString invalid = L"Format '%s' invalid or incompatible with argument";
  struct ErrorCase {
    const char* Fmt;
    std::vector<TVarRec> Args;
    const WideString& Message;
  };
  const ErrorCase cases[] = {
      {"%d", {}, missing},        {"x %d %d", {1}, missing},
      {"%2:d", {1, 2}, missing},  {"%*d", {5}, missing},
      {"%.*f", {}, missing},      {"%d", {"x"}, invalid},
      {"%d", {1.5}, invalid},     {"%d", {true}, invalid},
      {"%u", {'c'}, invalid},     {"%x", {1.0}, invalid},
      {"%s", {1}, invalid},       {"%s", {2.5}, invalid},
      {"%f", {1}, invalid},       {"%m", {Int64(1)}, invalid},
      {"%p", {1}, invalid},       {"%y", {1}, invalid},
      {"%", {1}, invalid},        {"%5", {1}, invalid},
      {"%-", {1}, invalid},       {"%5-d", {1}, invalid},
      {"%*d", {"x", 1}, invalid}, {"%99999999999d", {1}, invalid},
  };
  for (const ErrorCase& c : cases) {
    const WideString fmt = AnsiToWide(c.Fmt);
    const WideString expected = WideFormat(c.Message, {fmt});
    EXPECT_EQ(MessageOf<EConvertError>([&] { Format(c.Fmt, c.Args); }), expected) << c.Fmt;
    EXPECT_EQ(MessageOf<EConvertError>([&] { WideFormat(fmt, c.Args); }), expected) << c.Fmt;
  }
  // The unknown letter is reported even when arguments have run out.
  EXPECT_EQ(MessageOf<EConvertError>([] { Format("%y", {}); }), WideFormat(invalid, {L"%y"}));
}

TEST(Format, LongFormatsAndResults) {
  const AnsiString text(100000, 'a');
  EXPECT_EQ(Format("%s", {text}), text);
  EXPECT_EQ(Format("%100000d", {7}), AnsiString(99999, ' ') + "7");
  AnsiString longFmt;
  AnsiString expected;
  for (int i = 0; i < 2000; ++i) {
    longFmt += "<%d>";
    expected += "<" + std::to_string(i) + ">";
  }
  std::vector<TVarRec> args;
  for (int i = 0; i < 2000; ++i) args.emplace_back(i);
  EXPECT_EQ(Format(longFmt, args), expected);
  EXPECT_EQ(WideFormat(AnsiToWide(longFmt), args), AnsiToWide(expected));
  EXPECT_EQ(WideFormat(L"%s", {WideString(150000, L'\x0436')}).size(), 150000u);
}

TEST(Format, WideFormatBufNeverWritesPastItsLimit) {
  const WideString fmt = L"hello %s";
  WideChar buf[16];
  auto run = [&](Cardinal limit) {
    std::fill(std::begin(buf), std::end(buf), L'#');
    return WideFormatBuf(buf, limit, fmt.data(), static_cast<Cardinal>(fmt.size()), {L"world"});
  };
  EXPECT_EQ(run(15), 11u);
  EXPECT_EQ(WideString(buf, 12), L"hello world#");
  EXPECT_EQ(run(11), 11u);
  EXPECT_EQ(WideString(buf, 12), L"hello world#");
  EXPECT_EQ(run(5), 5u);
  EXPECT_EQ(WideString(buf, 6), L"hello#");
  EXPECT_EQ(run(0), 0u);
  EXPECT_EQ(buf[0], L'#');
  // Only fmtLen characters of the format count.
  EXPECT_EQ(WideFormatBuf(buf, 16, L"%d and more", 2, {5}), 1u);
  EXPECT_EQ(buf[0], L'5');
  TFormatSettings fs = GermanStyle();
  EXPECT_EQ(WideFormatBuf(buf, 16, L"%.1f", 4, {0.5}, &fs), 3u);
  EXPECT_EQ(WideString(buf, 3), L"0,5");
}

TEST(Format, WideFormatWithoutSettingsGoesThroughTheHook) {
  struct Restore {
    TWideFmtStrProc Saved = WideFmtStrProc;
    ~Restore() { WideFmtStrProc = Saved; }
  } restore;
  static const TFormatSettings* seen;
  WideFmtStrProc = [](const WideString& fmt, TConstArray, const TFormatSettings* settings) {
    seen = settings;
    return L"hooked " + fmt;
  };
  seen = &FormatSettings;
  EXPECT_EQ(WideFormat(L"%d", {1}), L"hooked %d");
  EXPECT_EQ(seen, nullptr);
  // With settings, and into a buffer, the runtime's own engine runs: the hook
  // itself may call them.
  EXPECT_EQ(WideFormat(L"%d", {1}, UsSettings()), L"1");
  WideChar buf[4];
  EXPECT_EQ(WideFormatBuf(buf, 4, L"%d", 2, {7}), 1u);
  EXPECT_EQ(buf[0], L'7');
}
