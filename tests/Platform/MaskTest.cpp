#include <gtest/gtest.h>

#include <cstring>
#include <memory>

#include "Forms.h"
#include "Mask.h"

namespace {

constexpr const char* PeopleMask = "!0,000,000,000;1;_";
constexpr const char* DateMask = "!00/00/0000;1;_";
constexpr const char* RateMask = "!00.00;1;_";

class MaskTest : public testing::Test {
 public:
  void FormKeyPress(TObject*, AnsiChar& Key) { Previewed += Key; }

 protected:
  void SetUp() override {
    Form->SetBorderStyle(bsNone);  // Wine waits for a window manager when hiding framed windows
    Edit->SetParent(Form.get());
  }
  // Sends each character as the window receives it.
  void Type(const char* Chars) {
    for (; *Chars; ++Chars) SendMessageA(Edit->Handle(), WM_CHAR, static_cast<Byte>(*Chars), 1);
  }
  void Key(WPARAM VirtualKey) { SendMessageA(Edit->Handle(), WM_KEYDOWN, VirtualKey, 1); }
  Integer Caret() { return Edit->SelStart(); }

  std::unique_ptr<TForm> Form = std::make_unique<TForm>(nullptr);
  TMaskEdit* Edit = new TMaskEdit(Form.get());
  AnsiString Previewed;
};

TEST_F(MaskTest, TypedDigitsFillTheInputPlacesOfEachMask) {
  const struct {
    const char* Mask;
    const char* Typed;
    const char* Shown;
  } cases[] = {{PeopleMask, "6119036535", "6,119,036,535"},
               {DateMask, "07012002", "07/01/2002"},
               {RateMask, "0568", "05.68"}};
  for (const auto& c : cases) {
    Edit->SetEditMask(c.Mask);
    Edit->SetText("");
    Edit->SetSelStart(0);
    Type(c.Typed);
    EXPECT_EQ(c.Shown, Edit->EditText()) << c.Mask;
    EXPECT_EQ(c.Shown, Edit->Text()) << c.Mask;
    EXPECT_EQ(static_cast<Integer>(strlen(c.Shown)), Caret()) << c.Mask;
  }
}

TEST_F(MaskTest, LiteralsAreSkippedAndBackspaceAndDeleteBlankPlaces) {
  Form->SetKeyPreview(true);
  Form->OnKeyPress = TKeyPressEvent::Bind<&MaskTest::FormKeyPress>(this);
  Edit->SetEditMask(DateMask);
  Edit->SetSelStart(0);
  Type("1/x5");  // "/" moves to the next field; "x" takes no place
  EXPECT_EQ("1_/5_/____", Edit->EditText());
  EXPECT_EQ("1/x5", Previewed);  // the form still sees every key
  Edit->SetText("07/01/2002");
  Edit->SetSelStart(3);
  Type("\b");
  EXPECT_EQ(1, Caret());
  Key(VK_RIGHT);  // onto the "/": on to the next input place
  EXPECT_EQ(3, Caret());
  Key(VK_LEFT);
  EXPECT_EQ(1, Caret());
  Key(VK_RIGHT);
  Key(VK_DELETE);
  EXPECT_EQ("0_/_1/2002", Edit->EditText());
  SendMessageA(Edit->Handle(), EM_SETSEL, 4, 7);  // "1/2" typed over
  Type("9");
  EXPECT_EQ("0_/_9/_002", Edit->EditText());
}

TEST_F(MaskTest, SettingTextFormatsItIntoTheMaskFieldByField) {
  Edit->SetEditMask(DateMask);
  Edit->SetText("7/1/2004");  // still without a window
  EXPECT_EQ("_7/_1/2004", Edit->EditText());  // "!": short fields padded at the start
  EXPECT_EQ("7/_1/2004", Edit->Text());       // and the leading blank left out
  Edit->SetText(Edit->Text());
  EXPECT_EQ("_7/_1/2004", GetWindowTextOf(Edit->Handle()));
  Edit->SetText("07/01");
  EXPECT_EQ("07/01/____", Edit->Text());
  SetWindowTextA(Edit->Handle(), "1a/05/2004");  // every WM_SETTEXT is formatted
  EXPECT_EQ("1_/05/2004", Edit->Text());
  Edit->SetText("");
  EXPECT_EQ("//", Edit->Text());
  Edit->SetEditMask(RateMask);
  Edit->SetText("5.68");
  EXPECT_EQ("_5.68", Edit->EditText());
  EXPECT_EQ("5.68", Edit->Text());
  Edit->SetEditMask("99-99;0;*");  // Text without the literals
  Edit->SetText("5");
  EXPECT_EQ("5*-**", Edit->EditText());
  EXPECT_EQ("5***", Edit->Text());
}

}  // namespace
