// Variants: types, conversions, arrays and the runtime's comparison rules.
#include <gtest/gtest.h>

#include "TestSupport.h"
#include "Variants.h"

namespace {

// Takes other number and date settings for the life of the object.
class TSettingsSwitch {
 public:
  explicit TSettingsSwitch(AnsiChar decimalSeparator) {
    FormatSettings.DecimalSeparator = decimalSeparator;
    FormatSettings.DateSeparator = '/';
    FormatSettings.ShortDateFormat = "M/d/yyyy";
    FormatSettings.LongTimeFormat = "hh:nn:ss";
  }
  ~TSettingsSwitch() { FormatSettings = Saved_; }
  TSettingsSwitch(const TSettingsSwitch&) = delete;
  TSettingsSwitch& operator=(const TSettingsSwitch&) = delete;

 private:
  TFormatSettings Saved_ = FormatSettings;
};

template <typename F>
WideString CastMessage(F action) {
  return MessageOf<EVariantTypeCastError>(action);
}

}  // namespace

TEST(Variant, ConstructorsChooseTheRuntimeTypes) {
  EXPECT_EQ(varEmpty, VarType(Variant()));
  EXPECT_EQ(varNull, VarType(Null()));
  EXPECT_EQ(varShortInt, VarType(Variant(static_cast<signed char>(-1))));
  EXPECT_EQ(varByte, VarType(Variant(Byte{1})));
  EXPECT_EQ(varSmallint, VarType(Variant(short{1})));
  EXPECT_EQ(varWord, VarType(Variant(Word{1})));
  EXPECT_EQ(varInteger, VarType(Variant(1)));
  EXPECT_EQ(varLongWord, VarType(Variant(4000000000u)));
  EXPECT_EQ(varInt64, VarType(Variant(Int64{1})));
  EXPECT_EQ(varSingle, VarType(Variant(1.0f)));
  EXPECT_EQ(varDouble, VarType(Variant(1.0)));
  EXPECT_EQ(varCurrency, VarType(Variant(Currency::FromScaled(1))));
  EXPECT_EQ(varDate, VarType(VarFromDateTime(1.0)));
  EXPECT_EQ(varBoolean, VarType(Variant(true)));
  EXPECT_EQ(varOleStr, VarType(Variant(L"w")));
  EXPECT_EQ(varString, VarType(Variant("a")));
  EXPECT_TRUE(VarIsStr(Variant(WideString(L"w"))) && VarIsStr(Variant(AnsiString("a"))));
  EXPECT_EQ(4000000000LL, Variant(4000000000u).AsInt64());
}

TEST(Variant, IntegersRoundHalvesToEvenAndCheckTheirRange) {
  EXPECT_EQ(2, Variant(2.5).AsInteger());
  EXPECT_EQ(4, Variant(3.5).AsInteger());
  EXPECT_EQ(-2, Variant(-2.5).AsInteger());
  EXPECT_EQ(2, Variant(Currency::FromScaled(25000)).AsInteger());
  EXPECT_EQ(-1, Variant(true).AsInteger());
  EXPECT_EQ(0, Variant().AsInteger());
  EXPECT_EQ(9007199254740993LL, Variant(L"9007199254740993").AsInt64());  // beyond a double
  EXPECT_EQ(varSmallint, VarType(VarAsType(Variant(L"-32768"), varSmallint)));

  ExpectRaises<EVariantOverflowError>([] { VarAsType(Variant(40000), varSmallint); },
                                      L"Overflow while converting variant of type (Integer) "
                                      L"into type (Smallint)");
  ExpectRaises<EVariantOverflowError>([] { VarAsType(Variant(-1), varByte); },
                                      L"Overflow while converting variant of type (Integer) "
                                      L"into type (Byte)");
  ExpectRaises<EVariantOverflowError>([] { Variant(1e20).AsInt64(); },
                                      L"Overflow while converting variant of type (Double) "
                                      L"into type (Int64)");
  ExpectRaises<EVariantOverflowError>([] { Variant(Int64{1} << 40).AsInteger(); },
                                      L"Overflow while converting variant of type (Int64) "
                                      L"into type (Integer)");
}

TEST(Variant, NullAndUnconvertibleTextRaiseTheCastError) {
  EXPECT_EQ(L"Could not convert variant of type (Null) into type (String)",
            CastMessage([] { Null().AsAnsiString(); }));
  EXPECT_EQ(L"Could not convert variant of type (Null) into type (Integer)",
            CastMessage([] { Null().AsInteger(); }));
  EXPECT_EQ(L"Could not convert variant of type (String) into type (Integer)",
            CastMessage([] { Variant("12abc").AsInteger(); }));
  EXPECT_EQ(L"Could not convert variant of type (OleStr) into type (Boolean)",
            CastMessage([] { Variant(L"yes").AsBoolean(); }));
  EXPECT_EQ(L"Could not convert variant of type (OleStr) into type (Date)",
            CastMessage([] { Variant(L"31/31/2003").AsDateTime(); }));
  ExpectRaises<EVariantBadVarTypeError>([] { VarAsType(Variant(1), 0x99); },
                                        L"Invalid variant type");
}

TEST(Variant, TextUsesTheFormatSettings) {
  TSettingsSwitch settings(',');
  EXPECT_EQ("", VarToStr(Null()));
  EXPECT_EQ(L"", VarToWideStr(Null()));
  EXPECT_EQ(L"", VarToWideStr(Variant()));
  EXPECT_EQ("1,5", VarToStr(Variant(1.5)));
  EXPECT_EQ("0,1", VarToStr(Variant(0.1f)));  // the float's own digits, not its double's
  EXPECT_EQ("12,34", VarToStr(Variant(Currency::FromScaled(123400))));
  EXPECT_EQ("-0,0001", VarToStr(Variant(Currency::FromScaled(-1))));
  EXPECT_EQ("-922337203685477,5808", VarToStr(Variant(Currency::FromScaled(INT64_MIN))));
  EXPECT_EQ("100", VarToStr(Variant(Currency::FromScaled(1000000))));
  EXPECT_EQ("True", VarToStr(Variant(true)));
  EXPECT_EQ(L"-7", VarToWideStr(Variant(short{-7})));
  EXPECT_EQ(L"\x0436\x4E2D", VarToWideStr(Variant(L"\x0436\x4E2D")));

  EXPECT_EQ(12.5, Variant(L" 12,5 ").AsDouble());
  EXPECT_EQ(Currency::FromScaled(12345).Scaled, Variant("1,2345").AsCurrency().Scaled);
  EXPECT_TRUE(Variant("tRUE").AsBoolean());
  EXPECT_FALSE(Variant(L"0").AsBoolean());

  TDateTime moment = EncodeDate(2003, 2, 1) + EncodeTime(13, 4, 5, 0);
  EXPECT_EQ("2/1/2003 13:04:05", VarToStr(VarFromDateTime(moment)));
  EXPECT_EQ("2/1/2003", VarToStr(VarFromDateTime(EncodeDate(2003, 2, 1))));
  EXPECT_EQ(moment, Variant(L"2/1/2003 13:04:05").AsDateTime());
}

TEST(VariantArray, TypedElementsBoundsAndIndexErrors) {
  Variant a = VarArrayCreate({1, 3, -1, 0}, varInteger);
  EXPECT_EQ(varArray | varInteger, VarType(a));
  EXPECT_TRUE(VarIsArray(a));
  EXPECT_EQ(2, VarArrayDimCount(a));
  EXPECT_EQ(1, VarArrayLowBound(a, 1));
  EXPECT_EQ(3, VarArrayHighBound(a, 1));
  EXPECT_EQ(-1, VarArrayLowBound(a, 2));
  EXPECT_EQ(0, VarArrayHighBound(a, 2));
  EXPECT_EQ(varInteger, VarType(VarArrayGet(a, {3, 0})));
  VarArrayPut(a, Variant(L"7"), {3, 0});
  VarArrayPut(a, Variant(8), {3, -1});
  EXPECT_EQ(varInteger, VarType(VarArrayGet(a, {3, 0})));
  EXPECT_EQ(7, VarArrayGet(a, {3, 0}).AsInteger());
  EXPECT_EQ(8, VarArrayGet(a, {3, -1}).AsInteger());
  EXPECT_EQ(0, VarArrayGet(a, {2, 0}).AsInteger());

  const WideString bounds = L"Variant or safe array index out of bounds";
  ExpectRaises<EVariantBadIndexError>([&] { VarArrayGet(a, {4, 0}); }, bounds);
  ExpectRaises<EVariantBadIndexError>([&] { VarArrayGet(a, {1}); }, bounds);
  ExpectRaises<EVariantBadIndexError>([&] { VarArrayHighBound(a, 3); }, bounds);
  ExpectRaises<EVariantNotAnArrayError>([] { VarArrayLowBound(Variant(5), 1); },
                                        L"Variant is not an array");
  EXPECT_EQ(0, VarArrayDimCount(Variant(5)));
  ExpectRaises<EVariantInvalidArgError>([] { VarArrayCreate({0}, varVariant); },
                                        L"Invalid argument");
  ExpectRaises<EVariantArrayCreateError>([] { VarArrayCreate({0, 1}, varString); },
                                         L"Error creating variant or safe array");
  ExpectRaises<EVariantArrayCreateError>([] { VarArrayCreate({0, -2}, varVariant); },
                                         L"Error creating variant or safe array");
  EXPECT_EQ(L"Could not convert variant of type (Array Integer) into type (Integer)",
            CastMessage([&] { a.AsInteger(); }));
}

TEST(VariantArray, ArraysOfVariantsAreCopiedByValue) {
  Variant a = VarArrayOf({1, L"two", Null()});
  EXPECT_EQ(varArray | varVariant, VarType(a));
  EXPECT_EQ(0, VarArrayLowBound(a, 1));
  EXPECT_EQ(2, VarArrayHighBound(a, 1));
  EXPECT_EQ(varOleStr, VarType(VarArrayGet(a, {1})));
  EXPECT_TRUE(VarIsNull(VarArrayGet(a, {2})));

  Variant copy = a;
  VarArrayPut(copy, Variant("changed"), {1});
  EXPECT_EQ(L"two", VarArrayGet(a, {1}).AsWideString());
  EXPECT_EQ(varString, VarType(VarArrayGet(copy, {1})));

  Variant empty = VarArrayOf({});
  EXPECT_EQ(1, VarArrayDimCount(empty));
  EXPECT_EQ(-1, VarArrayHighBound(empty, 1));
}

TEST(VariantCompare, RelationsOfNullEmptyAndValues) {
  EXPECT_EQ(vrNotEqual, VarCompareValue(Null(), Variant(5)));
  EXPECT_EQ(vrNotEqual, VarCompareValue(Variant(5), Null()));
  EXPECT_EQ(vrNotEqual, VarCompareValue(Variant(), Null()));
  EXPECT_EQ(vrNotEqual, VarCompareValue(Variant(0), Variant()));
  EXPECT_EQ(vrEqual, VarCompareValue(Null(), Null()));
  EXPECT_EQ(vrEqual, VarCompareValue(Variant(), Variant()));
  EXPECT_EQ(vrLessThan, VarCompareValue(Variant(1), Variant(2.5)));
  EXPECT_EQ(vrGreaterThan, VarCompareValue(Variant(L"b"), Variant("a")));
  EXPECT_EQ(vrEqual, VarCompareValue(Variant(L"abc"), Variant("abc")));

  EXPECT_TRUE(Null() == Null());
  EXPECT_FALSE(Null() == Variant());
  EXPECT_TRUE(Null() < Variant(-1));
  EXPECT_FALSE(Variant(-1) < Null());
  EXPECT_TRUE(Variant() == Variant(0));
  EXPECT_TRUE(Variant() == Variant(L""));
  EXPECT_TRUE(Variant() < Variant(L"a"));
}

TEST(VariantCompare, MixedTypesCompareByValue) {
  const Int64 big = Int64{1} << 62;
  EXPECT_TRUE(Variant(big) < Variant(big + 1));  // equal as doubles
  EXPECT_TRUE(Variant(L"10") > Variant(9));         // text against a number: numbers
  EXPECT_TRUE(Variant(L"10") < Variant(L"9"));      // two texts: text
  EXPECT_TRUE(Variant(L"a") < Variant(L"B"));       // by the locale, not by code
  EXPECT_TRUE(Variant(Currency::FromScaled(15000)) == Variant(1.5));
  EXPECT_TRUE(Variant(Currency::FromScaled(1)) < Variant(Currency::FromScaled(2)));
  EXPECT_TRUE(Variant(false) < Variant(true));
  EXPECT_TRUE(Variant(L"True") == Variant(true));
  EXPECT_TRUE(Variant(Byte{200}) > Variant(static_cast<signed char>(-1)));
  {
    TSettingsSwitch settings('.');
    EXPECT_TRUE(Variant(L"2/1/2003") == VarFromDateTime(EncodeDate(2003, 2, 1)));
  }
  EXPECT_EQ(L"Could not convert variant of type (OleStr) into type (Double)",
            CastMessage([] { return Variant(L"x") < Variant(1); }));
  ExpectRaises<EVariantInvalidOpError>([] { return VarArrayOf({1}) == VarArrayOf({1}); },
                                       L"Invalid variant operation");
}
