#include <gtest/gtest.h>

#include <memory>

#include "QevLXHotLabel.h"
#include "QevLXSafeWinInet.h"
#include "QevSysUtils.h"
#include "Scoped.h"
#include "TestSupport.h"

namespace {

class HotLabelTest : public testing::Test {
 public:
  void Entered(TObject*) { ++Enters; }
  void Left(TObject*) { ++Leaves; }
  void Clicked(TObject*) { ++Clicks; }

 protected:
  void SetUp() override {
    Label->Font()->SetColor(clGreen);
    Label->SetCursor(crArrow);
    Label->OnMouseEnter = TNotifyEvent::Bind<&HotLabelTest::Entered>(this);
    Label->OnMouseLeave = TNotifyEvent::Bind<&HotLabelTest::Left>(this);
    Label->OnClick = TNotifyEvent::Bind<&HotLabelTest::Clicked>(this);
  }
  void ClickWithMouse() {
    Label->Perform(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(2, 2));
    Label->Perform(WM_LBUTTONUP, 0, MAKELPARAM(2, 2));
  }

  std::unique_ptr<TQevHotLabel> Label = std::make_unique<TQevHotLabel>(nullptr);
  int Enters = 0, Leaves = 0, Clicks = 0;
};

// A second enter used to save the hot colour as the label's own, which kept
// the label hot for good.
TEST_F(HotLabelTest, MouseEnterMakesItHotAndLeaveRestoresTheLookSavedAtTheFirstEnter) {
  Label->Perform(CM_MOUSEENTER, 0, 0);
  EXPECT_EQ(clBlue, Label->Font()->Color());  // the defaults
  EXPECT_EQ(crHandPoint, Label->Cursor());
  Label->Perform(CM_MOUSEENTER, 0, 0);
  Label->Perform(CM_MOUSELEAVE, 0, 0);
  Label->Perform(CM_MOUSELEAVE, 0, 0);  // a leave of a label that is not hot changes nothing
  EXPECT_EQ(clGreen, Label->Font()->Color());
  EXPECT_EQ(crArrow, Label->Cursor());
  EXPECT_FALSE(Label->Hot());
  EXPECT_EQ(2, Enters);
  EXPECT_EQ(2, Leaves);
}

// With WinInet off the link cannot open: the disabled message shows whether
// the click tried.
TEST_F(HotLabelTest, ClickFiresOnClickAndOpensOnlyALinkThatIsSet) {
  TRestore<bool> off(SafeWinInetOn, false);
  EXPECT_NO_THROW(ClickWithMouse());
  EXPECT_EQ(1, Clicks);
  Label->SetWebLink(L"http://www.example.com/\u0436");
  ExpectRaises<EQevGeneralError>([&] { ClickWithMouse(); }, InternetConnectionDisabledMsg);
  EXPECT_EQ(2, Clicks);
}

TEST_F(HotLabelTest, FormStreamReadsCursorNamesColoursAndTheWideLink) {
  TStringStream text(
      "object UrlLabel: TQevHotLabel\n"
      "  Cursor = crHandPoint\n"
      "  HotColor = clRed\n"
      "  HotCursor = crArrow\n"
      "  WebLink = 'http://x.example/'#1078\n"
      "end\n");
  TMemoryStream binary;
  ObjectTextToBinary(&text, &binary);
  binary.SetPosition(0);
  std::unique_ptr<TComponent> root(binary.ReadComponent(nullptr));
  auto* label = dynamic_cast<TQevHotLabel*>(root.get());
  ASSERT_NE(nullptr, label);
  EXPECT_EQ(crHandPoint, label->Cursor());
  EXPECT_EQ(clRed, label->HotColor());
  EXPECT_EQ(crArrow, label->HotCursor());
  EXPECT_EQ(L"http://x.example/\u0436", label->WebLink());
}

}  // namespace
