// Canonical format strings and the comparison of their arguments.
#include <gtest/gtest.h>

#include <vector>

#include "QevFormatStrUtils.h"
#include "QevSysUtils.h"
#include "TestSupport.h"

namespace {

void ExpectInvalidSpecifier(const WideString& format, const WideString& shown) {
  ExpectRaises<EQevGeneralError>([&] { ConvertFormatToExplicitIndexes(format); },
                                 L"Invalid Format Specifier: " + shown);
}

void ExpectTypeMismatch(const WideString& a, const WideString& b, const WideString& detail) {
  ExpectRaises<EQevGeneralError>([&] { CompareFormatStrings(a, b); },
                                 L"Argument types for index " + detail);
}

}  // namespace

TEST(ConvertFormatToExplicitIndexes, WritesAnIndexOnEverySpecifier) {
  EXPECT_EQ(L"%0:s and %1:s", ConvertFormatToExplicitIndexes(L"%s and %s"));
  EXPECT_EQ(L"%s only", ConvertFormatToExplicitIndexes(L"%s only"));
  EXPECT_EQ(L"%1:s %0:s", ConvertFormatToExplicitIndexes(L"%1:s %0:s"));
  EXPECT_EQ(L"%d%%", ConvertFormatToExplicitIndexes(L"%d%%"));
  EXPECT_EQ(L"%1:s %2:s", ConvertFormatToExplicitIndexes(L"%1:s %2:s"));
  EXPECT_EQ(L"%1:s %2:s", ConvertFormatToExplicitIndexes(L"%1:s %s"));
  EXPECT_EQ(L"a % b %0:S %1:-5D 100%", ConvertFormatToExplicitIndexes(L"a % b %S %-5D 100%"));
  EXPECT_EQ(L"%0:s %1:s %", ConvertFormatToExplicitIndexes(L"%s %s %"));
  EXPECT_EQ(L"", ConvertFormatToExplicitIndexes(L""));
}

TEST(ConvertFormatToExplicitIndexes, CountsArgumentsAsTheRuntimeTakesThem) {
  // An explicit index sets the position of the next implicit argument.
  EXPECT_EQ(L"%3:s %0:s %1:s", ConvertFormatToExplicitIndexes(L"%3:s %0:s %s"));
  // Every "*" takes an argument, the precision's too.
  EXPECT_EQ(L"%0:*d %2:s", ConvertFormatToExplicitIndexes(L"%*d %s"));
  EXPECT_EQ(L"%0:s %1:-*.*f|%4:s", ConvertFormatToExplicitIndexes(L"%s %-*.*f|%s"));
  EXPECT_EQ(L"%2:*d %4:s", ConvertFormatToExplicitIndexes(L"%2:*d %s"));

  // The rewritten text formats exactly as the original does.
  const struct {
    WideString Format;
    std::vector<TVarRec> Args;
  } cases[] = {{L"%3:d %0:d %d %d", {7, 6, 5, 4}},
               {L"%*d|%d|%d", {5, 6, 7, 8}},
               {L"%d|%-*.*f|%d", {1, 8, 2, 1.25, 9}},
               {L"%2:*d|%d", {0, 0, 4, 42, 7}}};
  for (const auto& c : cases) {
    EXPECT_EQ(WideFormat(c.Format, c.Args, FormatSettings),
              WideFormat(ConvertFormatToExplicitIndexes(c.Format), c.Args, FormatSettings))
        << c.Format;
  }
  const WideString a = L"A", b = L"B";
  EXPECT_EQ(L"B A B", WideFormat(ConvertFormatToExplicitIndexes(L"%1:s %0:s %s"), {a, b},
                                 FormatSettings));
}

TEST(ConvertFormatToExplicitIndexes, RefusesMalformedSpecifiers) {
  ExpectInvalidSpecifier(L"%1234567d", L"1234567d");  // seen by the look-ahead
  ExpectInvalidSpecifier(L"%3:1234567d", L"%3:1234567d");
  ExpectInvalidSpecifier(L"%5", L"%0:5");
  ExpectInvalidSpecifier(L"x %s %q y", L"x %0:s %1:q y");
  ExpectInvalidSpecifier(L"%.d", L"%0:.d");
  ExpectInvalidSpecifier(L"%1:", L"%1:");
  EXPECT_EQ(L"%0:123456d %1:s", ConvertFormatToExplicitIndexes(L"%123456d %s"));
}

TEST(FormatSpecifiers, IndexesAndTypes) {
  TQevStringList list;
  GetFormatSpecifiers(L"%s %% %*d", &list);
  ASSERT_EQ(2, list.Count());
  EXPECT_EQ(L"%0:s", list.Get(0));
  EXPECT_EQ(L"%1:*d", list.Get(1));

  EXPECT_EQ(12, GetSpecifierIndex(L"%12:s"));
  EXPECT_EQ(-1, GetSpecifierIndex(L"%s"));
  EXPECT_THROW(GetSpecifierIndex(L"%x:s"), EConvertError);

  EXPECT_EQ(fatInteger, GetFormatArgType(L"%0:U"));
  EXPECT_EQ(fatFloat, GetFormatArgType(L"%m"));
  EXPECT_EQ(fatPointer, GetFormatArgType(L"%P"));
  EXPECT_EQ(fatString, GetFormatArgType(L"%s"));
  ExpectRaises<EQevInternalError>([] { GetFormatArgType(L"%q"); },
                                  L"Internal Error: Unexpected format type (q)");
}

TEST(FormatSpecifiers, ArgumentTable) {
  TQevStringList specifiers, table;
  specifiers.Add(L"%3:s");
  specifiers.Add(L"%0:s");
  specifiers.Add(L"%s");  // index 1
  EXPECT_EQ(3, GetHighestArgumentIndex(&specifiers));
  specifiers.Add(L"%*.*f");  // 2 and 3 are the integers, 4 the value
  EXPECT_EQ(4, GetHighestArgumentIndex(&specifiers));
  ExpectRaises<EQevGeneralError>(
      [&] { BuildArgumentTable(&specifiers, &table); },
      L"Argument types for index 3 do not match. (%3:s <> %*.*f)");

  GetFormatSpecifiers(L"%s %2:d %*x", &specifiers);
  BuildArgumentTable(&specifiers, &table);
  ASSERT_EQ(5, table.Count());
  const WideString lines[] = {L"%0:s", L"", L"%2:d", L"%3:*x", L"%3:*x"};
  const Integer types[] = {fatString, fatInteger, fatInteger, fatInteger, fatInteger};
  for (Integer i = 0; i < 5; ++i) {
    EXPECT_EQ(lines[i], table.Get(i)) << i;
    EXPECT_EQ(types[i], ArgumentTableType(&table, i)) << i;
  }
  GetFormatSpecifiers(L"", &specifiers);
  EXPECT_EQ(-1, GetHighestArgumentIndex(&specifiers));
}

TEST(CompareFormatStrings, AcceptsTheSameArgumentsInAnyOrder) {
  EXPECT_NO_THROW(CompareFormatStrings(L"%s has %d", L"%1:d: %0:s"));
  EXPECT_NO_THROW(CompareFormatStrings(L"%1:s", L"%0:d %1:s"));  // unused index: integer
  EXPECT_NO_THROW(CompareFormatStrings(L"%3:s %0:s %s", L"%s %s %d %s"));
  EXPECT_NO_THROW(CompareFormatStrings(L"%*d %s", L"%d %d %s"));
  EXPECT_NO_THROW(CompareFormatStrings(L"%.*e", L"%1:g (%0:d)"));
  EXPECT_NO_THROW(CompareFormatStrings(L"100%%", L"100 %% %% % "));
}

TEST(CompareFormatStrings, RefusesOtherArguments) {
  ExpectTypeMismatch(L"%s", L"%d", L"0 do not match. (%0:s <> %0:d)");
  ExpectTypeMismatch(L"%*s", L"%s %s", L"0 do not match. (%0:*s <> %0:s)");
  ExpectTypeMismatch(L"%0:s %0:d", L"%s", L"0 do not match. (%0:s <> %0:d)");
  ExpectRaises<EQevGeneralError>([] { CompareFormatStrings(L"%s", L"%s %s"); },
                                 L"Number of format specifiers do not match.");
  ExpectRaises<EQevGeneralError>([] { CompareFormatStrings(L"%3:s %0:s %s", L"%s %s %s %s %s"); },
                                 L"Number of format specifiers do not match.");
}
