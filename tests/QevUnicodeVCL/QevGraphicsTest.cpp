#include <memory>

#include "QevGraphics.h"
#include "QevTestSupport.h"

namespace {

const WideString NonAnsiText = L"\u0436\u4E2D\u0436";

TEST(WideCanvasTextExtent, MeasuresWideTextOnBothRoads) {
  auto bitmap = std::make_unique<TBitmap>();
  bitmap->SetWidth(16);
  bitmap->SetHeight(16);
  TCanvas* canvas = bitmap->Canvas();
  canvas->Font()->SetSize(20);

  TSize wide{}, ansi{};
  {
    TRoadSwitch road(true);
    wide = WideCanvasTextExtent(canvas, NonAnsiText);
  }
  {
    TRoadSwitch road(false);
    ansi = WideCanvasTextExtent(canvas, NonAnsiText);
  }
  TSize expected{};
  ASSERT_TRUE(GetTextExtentPoint32W(canvas->Handle(), NonAnsiText.c_str(), 3, &expected));
  EXPECT_GT(expected.cx, 0);
  EXPECT_EQ(wide.cx, expected.cx);
  EXPECT_EQ(wide.cy, expected.cy);
  EXPECT_EQ(ansi.cx, expected.cx);
  EXPECT_EQ(ansi.cy, expected.cy);
  EXPECT_EQ(WideCanvasTextWidth(canvas, NonAnsiText), expected.cx);
  EXPECT_EQ(WideCanvasTextHeight(canvas, NonAnsiText), expected.cy);
  // Twice the text is twice as wide: each character counts, none is lost.
  EXPECT_EQ(WideCanvasTextWidth(canvas, L"\u4E2D\u4E2D"),
            2 * WideCanvasTextWidth(canvas, L"\u4E2D"));
}

TEST(WideDCTextExtent, IsZeroWhenTheSystemFails) {
  TSize size = WideDCTextExtent(nullptr, L"abc");
  EXPECT_EQ(size.cx, 0);
  EXPECT_EQ(size.cy, 0);
}

TEST(TQevPicture, IsAPicture) {
  TQevPicture picture;
  EXPECT_TRUE(picture.ClassType()->InheritsFrom(TPicture::StaticClass()));
  EXPECT_STREQ(picture.ClassName(), "TQevPicture");
}

}  // namespace
