// The Unicode data-set fields, in the in-memory test data set.
#include <gtest/gtest.h>

#include <string>

#include "QevDB.h"
#include "QevSystem.h"
#include "TestDataSet.h"

namespace {

const WideString Cyrillic = L"\x0416\x0443\x043A";  // three two-byte UTF-8 characters
const WideString Chinese = L"\x4E2D\x6587";           // three bytes each in UTF-8

class QevDBTest : public testing::Test {
 public:
  void Label(TField*, WideString& Text, bool DoDisplayText) {
    Text = DoDisplayText ? Chinese : Cyrillic;
  }

 protected:
  void SetUp() override {
    Data.FieldClassMap = &GetUnicodeFieldClass;
    Data.FieldDefs()->Add("Title", ftString, 10);
    Data.FieldDefs()->Add("Wide", ftWideString);
    Data.Open();
    Data.Append();
  }
  TQevStringField* Title() { return dynamic_cast<TQevStringField*>(Data.Fields(0)); }
  // The bytes the data set holds.
  AnsiString Stored() {
    Title()->SetRawVariantAccess(true);
    const AnsiString bytes = VarToStr(Title()->AsVariant());
    Title()->SetRawVariantAccess(false);
    return bytes;
  }
  std::string ErrorOf(const WideString& Value) {
    try {
      Title()->SetAsWideString(Value);
    } catch (EDatabaseError& e) {
      return e.what();
    }
    return "no error";
  }

  TTestDataSet Data{nullptr};
};

TEST_F(QevDBTest, FieldsAreTheUnicodeClassesWithTheirDefaults) {
  EXPECT_EQ(TQevStringField::StaticClass(), GetUnicodeFieldClass(TStringField::StaticClass()));
  EXPECT_EQ(TQevDateField::StaticClass(), GetUnicodeFieldClass(TDateField::StaticClass()));
  EXPECT_EQ(TQevStringField::StaticClass(), GetUnicodeFieldClass(TQevStringField::StaticClass()));
  EXPECT_EQ(TIntegerField::StaticClass(), GetUnicodeFieldClass(TIntegerField::StaticClass()));
  ASSERT_NE(nullptr, Title());
  EXPECT_NE(nullptr, dynamic_cast<IQevWideStringField*>(Data.Fields(1)));
  EXPECT_EQ(emUTF8, Title()->EncodingMode());
  EXPECT_EQ(fcpLatinWestern, Title()->FixedCodePageEnum());
  Title()->SetFixedCodePage(437);
  EXPECT_EQ(fcpOther, Title()->FixedCodePageEnum());
  Title()->SetFixedCodePageEnum(fcpOther);
  EXPECT_EQ(437, Title()->FixedCodePage());
  Title()->SetFixedCodePageEnum(fcpCyrillic);
  EXPECT_EQ(1251, Title()->FixedCodePage());
}

TEST_F(QevDBTest, CyrillicAndChineseSurviveEveryEncoding) {
  const struct {
    TQevStringFieldEncodingMode Mode;
    Word CodePage;
    WideString Text;
  } cases[] = {{emUTF8, 0, Cyrillic},          {emUTF8, 0, Chinese},
               {emUTF7, 0, Chinese},           {emFixedCodePage, 1251, Cyrillic},
               {emFixedCodePage_Safe, 1251, Cyrillic}, {emFixedCodePage, 936, Chinese}};
  for (const auto& c : cases) {
    Title()->SetEncodingMode(c.Mode);
    if (c.CodePage) Title()->SetFixedCodePage(c.CodePage);
    Title()->SetAsWideString(c.Text);
    EXPECT_EQ(c.Text, Title()->GetAsWideString()) << int(c.Mode);
    EXPECT_EQ(c.Text, VarToWideStr(Title()->AsVariant())) << int(c.Mode);
  }
  Title()->SetEncodingMode(emFixedCodePage_Safe);
  Title()->SetFixedCodePage(1252);
  Title()->SetAsWideString(L"\x00E9\x20AC");  // E9 and 80 in code page 1252
  EXPECT_EQ("\x80\x69\x80\x80", Stored());
  EXPECT_EQ(L"\x00E9\x20AC", Title()->GetAsWideString());
  Data.Fields(1)->SetAsWideString(Chinese + Cyrillic);
  Data.Post();
  EXPECT_EQ(Chinese + Cyrillic, dynamic_cast<IQevWideStringField*>(Data.Fields(1))->GetAsWideString());
}

// An encoded form longer than the field once lost its tail, and with it half
// a character: now the value is refused whole and the old one stays.
TEST_F(QevDBTest, EncodedValueLongerThanTheFieldIsRefusedNotCut) {
  const WideString fits = Cyrillic + L"\x0436\x0443";  // 10 bytes
  Title()->SetAsWideString(fits);
  EXPECT_EQ(fits, Title()->GetAsWideString());
  EXPECT_EQ("Value of field 'Title' is too long: 12 bytes, the field holds 10",
            ErrorOf(Cyrillic + Cyrillic));
  EXPECT_EQ(fits, Title()->GetAsWideString());
  Title()->SetEncodingMode(emUTF7);
  EXPECT_EQ("Value of field 'Title' is too long: 12 bytes, the field holds 10",
            ErrorOf(Chinese + Chinese));
  EXPECT_EQ(WideStringToUTF8(fits), Stored());  // untouched
}

TEST_F(QevDBTest, TextsComeFromTheWideEventsOrTheStoredValue) {
  Title()->SetEncodingMode(emUTF7);
  Title()->SetRawVariantAccess(true);
  Title()->SetAsVariant(AnsiString("caf\xE9"));  // not UTF-7: read as 8-bit text
  Title()->SetRawVariantAccess(false);
  EXPECT_EQ(L"caf\x00E9", Title()->GetAsWideString());
  Title()->SetEncodingMode(emUTF8);
  Title()->SetAsWideString(L"1231");
  Title()->SetEditMask("00/00;0;_");
  EXPECT_EQ(L"12/31", Title()->GetWideDisplayText());
  Title()->SetOnGetText(TFieldGetWideTextEvent::Bind<&QevDBTest::Label>(this));
  EXPECT_EQ(Cyrillic, Title()->GetWideEditText());
  EXPECT_EQ("??", Title()->DisplayText());  // through the bridge, narrowed to code page 1252
  Title()->SetOnGetText(nullptr);
  EXPECT_FALSE(static_cast<TField*>(Title())->OnGetText());
  Title()->SetWideEditText(Chinese);
  EXPECT_EQ(Chinese, Title()->GetAsWideString());
}

}  // namespace
