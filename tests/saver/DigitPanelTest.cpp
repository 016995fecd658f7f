// The digit display: right-aligned cells, thousands separators, and only the
// cells whose character changes are touched.
#include <gtest/gtest.h>

#include "DigitPanel.h"
#include "Forms.h"
#include "QevStdCtrls.h"
#include "TestSupport.h"

namespace {

class DigitPanelTest : public ::testing::Test {
 protected:
  void SetUp() override {
    panel->SetParent(&form);
    panel->Font()->SetName("Times New Roman");
    panel->Font()->SetHeight(-40);
    panel->HandleNeeded();
  }
  // Digit cells 1..Count from the units digit, "_" for a blank cell.
  std::string Digits(Integer Count) {
    std::string shown;
    for (Integer i = Count; i >= 1; --i) {
      WideString text = panel->DigitLabel(i)->Caption();
      shown += text == L" " ? "_" : WideToAnsi(text);
    }
    return shown;
  }
  std::string Separators() {
    std::string shown;
    for (Integer k = 1; k <= SeparatorCells; ++k)
      shown += panel->SeparatorLabel(k)->Caption().empty() ? "." : ",";
    return shown;
  }

  TForm form{nullptr};
  TDigitPanel* panel = new TDigitPanel(&form);
};

TEST_F(DigitPanelTest, NumbersStandRightAlignedWithSeparators) {
  panel->SetCaption(L"1234");
  EXPECT_EQ("______1234", Digits(10));
  EXPECT_EQ(",.....", Separators());

  panel->SetCaption(L"123");
  EXPECT_EQ("_______123", Digits(10));
  EXPECT_EQ("......", Separators());

  panel->SetCaption(L"1000000000");
  EXPECT_EQ("1000000000", Digits(10));
  EXPECT_EQ(",,,...", Separators());

  panel->SetCaption(L"");
  EXPECT_EQ("__________", Digits(10));
  EXPECT_EQ("......", Separators());
}

TEST_F(DigitPanelTest, TooLongNumbersShowHashesAndKeepTheSeparators) {
  panel->SetCaption(L"1234567");
  panel->SetCaption(L"12345678901");
  EXPECT_EQ("##########", Digits(10));
  EXPECT_EQ(",,....", Separators());
  EXPECT_EQ(L"12345678901", panel->Caption());
}

TEST_F(DigitPanelTest, CellsSitLeftToRightInOnePanelWidth) {
  panel->SetCaption(L"9999999999");  // every cell sized by its widest text
  const Integer digit = panel->DigitLabel(1)->Width();
  const Integer separator = panel->SeparatorLabel(1)->Width();
  ASSERT_GT(digit, separator);
  EXPECT_EQ(separator * 4 + digit * 10, panel->Width());
  EXPECT_EQ(0, panel->DigitLabel(10)->Left());
  EXPECT_EQ(digit, panel->SeparatorLabel(3)->Left());  // left of digit 9
  EXPECT_EQ(panel->Width() - separator - digit, panel->DigitLabel(1)->Left());

  // Cells out of use would cover the leftmost digit.
  for (Integer i = 11; i <= MaxDigitCells; ++i) EXPECT_FALSE(panel->DigitLabel(i)->Visible());
  for (Integer k = 4; k <= SeparatorCells; ++k) EXPECT_FALSE(panel->SeparatorLabel(k)->Visible());
  EXPECT_TRUE(panel->DigitLabel(10)->Visible());
  EXPECT_TRUE(panel->SeparatorLabel(3)->Visible());

  panel->SetMaxLength(1);
  EXPECT_FALSE(panel->SeparatorLabel(1)->Visible());
  EXPECT_EQ(separator + digit, panel->Width());
  EXPECT_EQ("#", Digits(1));
  for (Integer i = 2; i <= MaxDigitCells; ++i) EXPECT_TRUE(panel->DigitLabel(i)->Caption().empty());
}

TEST_F(DigitPanelTest, LengthOutsideItsRangeIsRefused) {
  ExpectRaises<ERangeError>([&] { panel->SetMaxLength(0); }, L"Range check error");
  ExpectRaises<ERangeError>([&] { panel->SetMaxLength(MaxDigitCells + 1); }, L"Range check error");
  EXPECT_EQ(10, panel->MaxLength());
}

// Counts the text changes one cell sees.
struct TTextChanges {
  TControl* Cell;
  int Count = 0;
  void Message(TMessage& Message) {
    if (Message.Msg == CM_TEXTCHANGED) ++Count;
    Cell->WndProc(Message);
  }
};

TEST_F(DigitPanelTest, OnlyChangedCellsAreTouched) {
  panel->SetCaption(L"1234");
  TTextChanges units{panel->DigitLabel(1)}, tens{panel->DigitLabel(2)},
      separator{panel->SeparatorLabel(1)};
  for (TTextChanges* watch : {&units, &tens, &separator})
    watch->Cell->WindowProc = TWndMethod::Bind<&TTextChanges::Message>(watch);
  panel->SetCaption(L"1235");
  panel->SetCaption(L"1235");
  EXPECT_EQ(1, units.Count);
  EXPECT_EQ(0, tens.Count);
  EXPECT_EQ(0, separator.Count);
}

}  // namespace
