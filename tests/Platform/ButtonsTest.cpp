// Picture buttons: glyph and caption placement, the glyph pictures per
// state, grouped speed buttons and the owner-drawn bit button.
#include <gtest/gtest.h>

#include <memory>

#include "Buttons.h"
#include "Forms.h"
#include "PaintTarget.h"

namespace {

const TRect Client = Rect(0, 0, 100, 40);
const TSize Glyph16{16, 16};
const TSize Text30{30, 12};

TButtonPlacement Place(TButtonLayout Layout, Integer Margin, Integer Spacing, TSize Glyph = Glyph16,
                       TSize Text = Text30, bool RightToLeft = false) {
  return PlaceGlyphAndText(Client, TPoint{0, 0}, Glyph, Text, Layout, Margin, Spacing, RightToLeft);
}

TEST(ButtonLayoutTest, GlyphBesideTheTextOnEachSide) {
  TButtonPlacement left = Place(blGlyphLeft, 5, 3);
  EXPECT_EQ(left.GlyphPos.x, 5);
  EXPECT_EQ(left.GlyphPos.y, 12);  // (40 - 16 + 1) div 2
  EXPECT_EQ(left.TextBounds.left, 5 + 16 + 3);
  EXPECT_EQ(left.TextBounds.top, 14);  // (40 - 12 + 1) div 2
  EXPECT_EQ(left.TextBounds.right - left.TextBounds.left, 30);

  TButtonPlacement right = Place(blGlyphRight, 5, 3);
  EXPECT_EQ(right.GlyphPos.x, 100 - 5 - 16);
  EXPECT_EQ(right.TextBounds.left, 100 - 5 - 16 - 3 - 30);

  TButtonPlacement top = Place(blGlyphTop, 2, 1, Glyph16, TSize{30, 10});
  EXPECT_EQ(top.GlyphPos.x, 42);  // (100 - 16 + 1) div 2
  EXPECT_EQ(top.GlyphPos.y, 2);
  EXPECT_EQ(top.TextBounds.top, 2 + 16 + 1);
  EXPECT_EQ(top.TextBounds.left, 35);

  TButtonPlacement bottom = Place(blGlyphBottom, 2, 1, Glyph16, TSize{30, 10});
  EXPECT_EQ(bottom.GlyphPos.y, 40 - 2 - 16);
  EXPECT_EQ(bottom.TextBounds.bottom, 40 - 2 - 16 - 1);
}

TEST(ButtonLayoutTest, MarginAndSpacingMinusOneCentre) {
  TButtonPlacement both = Place(blGlyphLeft, -1, -1);
  const Integer gap = (100 - 46) / 3;
  EXPECT_EQ(both.GlyphPos.x, gap);
  EXPECT_EQ(both.TextBounds.left - (both.GlyphPos.x + 16), gap);

  TButtonPlacement centred = Place(blGlyphLeft, -1, 4);
  EXPECT_EQ(centred.GlyphPos.x, (100 - 50 + 1) / 2);
  EXPECT_EQ(centred.TextBounds.left, centred.GlyphPos.x + 20);

  // Glyph 4 from the edge, the text centred in what is left.
  TButtonPlacement rest = Place(blGlyphLeft, 4, -1);
  EXPECT_EQ(rest.GlyphPos.x, 4);
  EXPECT_EQ(rest.TextBounds.left, 20 + (100 - 20 - 30) / 2);
  EXPECT_EQ(100 - rest.TextBounds.right, rest.TextBounds.left - 20 + ((100 - 20 - 30) % 2));
}

TEST(ButtonLayoutTest, MissingGlyphOrTextTakesNoSpacing) {
  TButtonPlacement glyphOnly = Place(blGlyphLeft, -1, 10, Glyph16, TSize{0, 0});
  EXPECT_EQ(glyphOnly.GlyphPos.x, (100 - 16 + 1) / 2);
  TButtonPlacement textOnly = Place(blGlyphLeft, -1, 10, TSize{0, 0}, Text30);
  EXPECT_EQ(textOnly.TextBounds.left, (100 - 30 + 1) / 2);
}

TEST(ButtonLayoutTest, RightToLeftSwapsSidesAndOffsetMovesBoth) {
  TButtonPlacement rtl = Place(blGlyphLeft, 5, 3, Glyph16, Text30, true);
  EXPECT_EQ(rtl.GlyphPos.x, 100 - 5 - 16);
  TButtonPlacement moved =
      PlaceGlyphAndText(Rect(2, 3, 102, 43), TPoint{1, 1}, Glyph16, Text30, blGlyphLeft, 5, 3, false);
  EXPECT_EQ(moved.GlyphPos.x, 5 + 3);
  EXPECT_EQ(moved.GlyphPos.y, 12 + 4);
  EXPECT_EQ(moved.TextBounds.left, 24 + 3);
}

// ------------------------------------------------------------- glyph object

const TColor Backdrop = clOlive;  // the bottom-left pixel: transparent

// Count pictures side by side, picture i a square of Inks[i] on Backdrop.
void FillGlyph(TBitmap* Bitmap, std::initializer_list<TColor> Inks) {
  Bitmap->SetSize(16 * static_cast<Integer>(Inks.size()), 16);
  TCanvas* canvas = Bitmap->Canvas();
  canvas->Brush()->SetColor(Backdrop);
  canvas->FillRect(Rect(0, 0, Bitmap->Width(), 16));
  Integer left = 0;
  for (TColor ink : Inks) {
    canvas->Brush()->SetColor(ink);
    canvas->FillRect(Rect(left + 4, 4, left + 12, 12));
    left += 16;
  }
}

COLORREF GlyphPixel(TButtonGlyph& Glyph, TButtonState State, int X, int Y) {
  TPaintTarget target(16, 16);
  auto canvas = std::make_unique<TCanvas>();
  canvas->SetHandle(target.DC());
  Glyph.DrawGlyph(canvas.get(), TPoint{0, 0}, State, true);
  canvas->SetHandle(nullptr);
  return target.Pixel(X, Y);
}

TEST(ButtonGlyphTest, PicturesAreMadeFromTheBitmapWithoutPainting) {
  TButtonGlyph glyph;
  FillGlyph(glyph.Glyph(), {clRed, clGray, clBlue});
  glyph.SetNumGlyphs(3);
  EXPECT_EQ(glyph.ImageIndex(bsUp), -1);
  glyph.BuildGlyphList();
  for (TButtonState state : {bsUp, bsDisabled, bsDown, bsExclusive})
    EXPECT_GE(glyph.ImageIndex(state), 0) << state;
  EXPECT_EQ(glyph.GlyphList()->Width(), 16);
  EXPECT_EQ(GlyphPixel(glyph, bsUp, 8, 8), ColorToRGB(clRed));
  EXPECT_EQ(GlyphPixel(glyph, bsDisabled, 8, 8), ColorToRGB(clGray));
  EXPECT_EQ(GlyphPixel(glyph, bsDown, 8, 8), ColorToRGB(clBlue));
  EXPECT_EQ(GlyphPixel(glyph, bsExclusive, 8, 8), ColorToRGB(clRed));  // no fourth picture
  EXPECT_EQ(GlyphPixel(glyph, bsUp, 1, 1), RGB(0, 0, 0));               // the backdrop is clear

  glyph.SetNumGlyphs(1);  // a new picture count drops the pictures
  EXPECT_EQ(glyph.ImageIndex(bsUp), -1);
  EXPECT_EQ(glyph.CreateButtonGlyph(bsDown), glyph.CreateButtonGlyph(bsUp));
}

TEST(ButtonGlyphTest, SinglePictureIsEmbossedWhenDisabled) {
  TButtonGlyph glyph;
  FillGlyph(glyph.Glyph(), {clRed});
  EXPECT_EQ(GlyphPixel(glyph, bsDisabled, 4, 4), ColorToRGB(clBtnShadow));
  EXPECT_EQ(GlyphPixel(glyph, bsDisabled, 12, 12), ColorToRGB(clBtnHighlight));
  EXPECT_EQ(GlyphPixel(glyph, bsDisabled, 2, 2), RGB(0, 0, 0));
}

// ------------------------------------------------------------ speed buttons

class SpeedButtonTest : public testing::Test {
 protected:
  void SetUp() override {
    Form = std::make_unique<TForm>(nullptr);
    for (auto*& button : Buttons) {
      button = new TSpeedButton(Form.get());
      button->SetParent(Form.get());
      button->SetGroupIndex(1);
      button->OnClick = TNotifyEvent::Bind<&SpeedButtonTest::Clicked>(this);
    }
  }
  void Clicked(TObject*) { ++Clicks; }
  static void Press(TSpeedButton* Button, LPARAM Where = MAKELPARAM(5, 5)) {
    Button->Perform(WM_LBUTTONDOWN, MK_LBUTTON, Where);
    Button->Perform(WM_LBUTTONUP, 0, Where);
  }
  std::unique_ptr<TForm> Form;
  TSpeedButton* Buttons[3] = {};
  int Clicks = 0;
};

TEST_F(SpeedButtonTest, OneButtonOfAGroupIsDownAtATime) {
  Press(Buttons[0]);
  EXPECT_TRUE(Buttons[0]->Down());
  EXPECT_EQ(Buttons[0]->State(), bsExclusive);
  Press(Buttons[1]);
  EXPECT_FALSE(Buttons[0]->Down());
  EXPECT_EQ(Buttons[0]->State(), bsUp);
  EXPECT_TRUE(Buttons[1]->Down());
  Press(Buttons[1]);  // stays down: the group does not allow all up
  EXPECT_TRUE(Buttons[1]->Down());
  Buttons[1]->SetAllowAllUp(true);
  Press(Buttons[1]);
  EXPECT_FALSE(Buttons[1]->Down());
  EXPECT_EQ(Clicks, 4);
}

TEST_F(SpeedButtonTest, ReleaseOutsideNeitherClicksNorPresses) {
  Buttons[2]->SetGroupIndex(0);
  Buttons[2]->Perform(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
  EXPECT_EQ(Buttons[2]->State(), bsDown);
  Buttons[2]->Perform(WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(200, 5));
  EXPECT_EQ(Buttons[2]->State(), bsUp);
  Buttons[2]->Perform(WM_LBUTTONUP, 0, MAKELPARAM(200, 5));
  EXPECT_EQ(Clicks, 0);
  Buttons[2]->SetDown(true);  // no group: never down
  EXPECT_FALSE(Buttons[2]->Down());
}

// -------------------------------------------------------------- bit button

TEST(BitBtnTest, OwnerDrawnButtonDrawsGlyphAndCaption) {
  auto form = std::make_unique<TForm>(nullptr);
  auto* button = new TBitBtn(form.get());
  button->SetParent(form.get());
  button->SetCaption("OK");
  FillGlyph(button->Glyph(), {clRed});
  EXPECT_EQ(GetWindowLongPtrA(button->Handle(), GWL_STYLE) & BS_TYPEMASK, BS_OWNERDRAW);

  TPaintTarget target(button->Width(), button->Height());
  DRAWITEMSTRUCT item{};
  item.CtlType = ODT_BUTTON;
  item.itemState = ODS_SELECTED;
  item.hDC = target.DC();
  item.rcItem = button->ClientRect();
  EXPECT_EQ(button->Perform(CN_DRAWITEM, 0, reinterpret_cast<LPARAM>(&item)), 1);
  EXPECT_TRUE(target.Contains(RECT{0, 0, 37, 25}, ColorToRGB(clRed)));
  EXPECT_TRUE(target.Contains(RECT{20, 0, 75, 25}, ColorToRGB(button->Font()->Color())));
}

TEST(BitBtnTest, GlyphAndLayoutRoundTripThroughAForm) {
  auto form = std::make_unique<TForm>(nullptr);
  form->SetName("F");
  auto* button = new TBitBtn(form.get());
  button->SetName("Bit");
  button->SetParent(form.get());
  FillGlyph(button->Glyph(), {clRed, clGray});
  button->SetNumGlyphs(2);
  button->SetLayout(blGlyphTop);
  button->SetMargin(3);
  TMemoryStream stream;
  stream.WriteComponent(form.get());
  stream.SetPosition(0);
  auto copy = std::make_unique<TForm>(nullptr);
  stream.ReadComponent(copy.get());
  auto* back = dynamic_cast<TBitBtn*>(copy->FindComponent("Bit"));
  ASSERT_NE(back, nullptr);
  EXPECT_EQ(back->NumGlyphs(), 2);
  EXPECT_EQ(back->Layout(), blGlyphTop);
  EXPECT_EQ(back->Margin(), 3);
  EXPECT_EQ(back->Glyph()->Width(), 32);
  EXPECT_EQ(back->Glyph()->Canvas()->Pixels(8, 8), clRed);
}

}  // namespace
