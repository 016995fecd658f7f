// Unicode picture buttons: wide captions drawn in each state, wide hot keys,
// form files, the glyph routines and the speed button's wide action link.
#include <memory>
#include <vector>

#include "../Platform/PaintTarget.h"
#include "Forms.h"
#include "QevActnList.h"
#include "QevButtons.h"
#include "QevClasses.h"
#include "QevSysUtils.h"
#include "Scoped.h"
#include "TestSupport.h"

namespace {

const WideString SpeedCaption = L"&\x0416\x0443\x043A";     // "&Жук"
const WideString BitCaption = L"&\x0414\x0430 \x4E2D\x6587";  // "&Да 中文"

// The pixels of one colour in a rectangle, cut to their bounding box.
struct TInk {
  RECT Box{0, 0, 0, 0};
  std::vector<bool> Cells;
  bool Empty() const { return Cells.empty(); }
};

TInk InkOf(HDC DC, const RECT& Area, COLORREF Color) {
  TInk ink;
  RECT box{Area.right, Area.bottom, Area.left, Area.top};
  for (int y = Area.top; y < Area.bottom; ++y)
    for (int x = Area.left; x < Area.right; ++x)
      if (GetPixel(DC, x, y) == Color) {
        box = RECT{std::min<LONG>(box.left, x), std::min<LONG>(box.top, y),
                   std::max<LONG>(box.right, x + 1), std::max<LONG>(box.bottom, y + 1)};
      }
  if (box.left >= box.right) return ink;
  ink.Box = box;
  for (int y = box.top; y < box.bottom; ++y)
    for (int x = box.left; x < box.right; ++x) ink.Cells.push_back(GetPixel(DC, x, y) == Color);
  return ink;
}

// Caption as the wide DrawText draws it in Font on the button face.
TInk ReferenceInk(const WideString& Caption, TFont* Font) {
  TPaintTarget target(200, 40);
  RECT all{0, 0, 200, 40};
  HBRUSH face = CreateSolidBrush(ColorToRGB(clBtnFace));
  FillRect(target.DC(), &all, face);
  DeleteObject(face);
  HGDIOBJ old = SelectObject(target.DC(), Font->Handle());
  SetBkMode(target.DC(), TRANSPARENT);
  SetTextColor(target.DC(), ColorToRGB(clBlack));
  // Measured first: the drawing is clipped to the measured bounds.
  RECT at{4, 4, 200, 4};
  DrawTextW(target.DC(), Caption.c_str(), static_cast<int>(Caption.size()), &at, DT_CALCRECT);
  DrawTextW(target.DC(), Caption.c_str(), static_cast<int>(Caption.size()), &at,
            DT_CENTER | DT_VCENTER);
  SelectObject(target.DC(), old);
  return InkOf(target.DC(), all, ColorToRGB(clBlack));
}

void ExpectSameShape(const TInk& Drawn, const TInk& Reference, const char* What) {
  ASSERT_FALSE(Drawn.Empty()) << What;
  EXPECT_EQ(Drawn.Box.right - Drawn.Box.left, Reference.Box.right - Reference.Box.left) << What;
  EXPECT_EQ(Drawn.Box.bottom - Drawn.Box.top, Reference.Box.bottom - Reference.Box.top) << What;
  EXPECT_TRUE(Drawn.Cells == Reference.Cells) << What;
}

// A 16 x 16 red square on olive (transparent).
void RedSquare(TBitmap* Bitmap) {
  Bitmap->SetSize(16, 16);
  Bitmap->Canvas()->Brush()->SetColor(clOlive);
  Bitmap->Canvas()->FillRect(Rect(0, 0, 16, 16));
  Bitmap->Canvas()->Brush()->SetColor(clRed);
  Bitmap->Canvas()->FillRect(Rect(4, 4, 12, 12));
}

class QevButtonsTest : public testing::Test {
 protected:
  void SetUp() override {
    Form = std::make_unique<TForm>(nullptr);
    Form->SetName("ButtonsForm");
    Form->SetBounds(10, 10, 300, 200);
    Speed = new TQevSpeedButton(Form.get());
    Speed->SetName("Speed");
    Speed->SetParent(Form.get());
    Speed->SetBounds(10, 10, 120, 30);
    Speed->SetCaption(SpeedCaption);
    Speed->SetGroupIndex(1);
    Speed->SetAllowAllUp(true);
    Speed->SetMargin(4);
    Speed->SetSpacing(20);
    RedSquare(Speed->Glyph());
    Speed->OnClick = TNotifyEvent::Bind<&QevButtonsTest::SpeedClick>(this);
    Bit = new TQevBitBtn(Form.get());
    Bit->SetName("Bit");
    Bit->SetParent(Form.get());
    Bit->SetBounds(10, 50, 120, 30);
    Bit->SetCaption(BitCaption);
    Bit->SetHint(L"\x4E2D\x6587");
    Bit->SetMargin(4);
    Bit->SetSpacing(20);
    RedSquare(Bit->Glyph());
    Bit->OnClick = TNotifyEvent::Bind<&QevButtonsTest::BitClick>(this);
  }
  void SpeedClick(TObject*) { ++SpeedClicks; }
  void BitClick(TObject*) { ++BitClicks; }

  // The ink of the speed button's caption (right of the glyph), painted in
  // its current state; the frame's dark edges are left out.
  TInk PaintedSpeed(COLORREF Color) {
    TPaintTarget target(Speed->Width(), Speed->Height());
    Speed->Perform(WM_PAINT, target.WParam(), 0);
    if (Speed->Enabled()) {
      EXPECT_TRUE(target.Contains(GlyphArea, ColorToRGB(clRed))) << "glyph";
    }
    return InkOf(target.DC(), RECT{30, 3, Speed->Width() - 3, Speed->Height() - 3}, Color);
  }
  TInk DrawnBit(UINT ItemState, COLORREF Color) {
    TPaintTarget target(Bit->Width(), Bit->Height());
    DrawBit(target, ItemState);
    if (Bit->Enabled()) {
      EXPECT_TRUE(target.Contains(GlyphArea, ColorToRGB(clRed))) << "glyph";
    }
    return InkOf(target.DC(), RECT{30, 3, Bit->Width() - 3, Bit->Height() - 3}, Color);
  }
  void DrawBit(const TPaintTarget& Target, UINT ItemState) {
    DRAWITEMSTRUCT item{};
    item.CtlType = ODT_BUTTON;
    item.itemState = ItemState;
    item.hDC = Target.DC();
    item.rcItem = Bit->ClientRect();
    Bit->Perform(CN_DRAWITEM, 0, reinterpret_cast<LPARAM>(&item));
  }

  const RECT GlyphArea{4, 3, 26, 27};
  std::unique_ptr<TForm> Form;
  TQevSpeedButton* Speed = nullptr;
  TQevBitBtn* Bit = nullptr;
  int SpeedClicks = 0, BitClicks = 0;
};

// ----------------------------------------------------------------- drawing

// The very first paint needs the glyph pictures: it draws the caption too.
TEST_F(QevButtonsTest, SpeedButtonDrawsTheWideCaptionUpDownAndDisabled) {
  TRestore<bool> classic(ThemesAllowed, false);
  const TInk reference = ReferenceInk(SpeedCaption, Speed->Font());
  const COLORREF ink = ColorToRGB(Speed->Font()->Color());
  const TInk up = PaintedSpeed(ink);
  ExpectSameShape(up, reference, "up");

  Speed->SetDown(true);
  const TInk down = PaintedSpeed(ink);
  ExpectSameShape(down, reference, "down");
  EXPECT_EQ(down.Box.left, up.Box.left + 1);
  EXPECT_EQ(down.Box.top, up.Box.top + 1);

  Speed->SetDown(false);
  Speed->SetEnabled(false);
  const TInk shadow = PaintedSpeed(ColorToRGB(clBtnShadow));
  ExpectSameShape(shadow, reference, "disabled");
  EXPECT_EQ(shadow.Box.left, up.Box.left);
  const TInk highlight = PaintedSpeed(ColorToRGB(clBtnHighlight));
  ASSERT_FALSE(highlight.Empty());
  EXPECT_EQ(highlight.Box.right, shadow.Box.right + 1);
  EXPECT_EQ(highlight.Box.bottom, shadow.Box.bottom + 1);
}

TEST_F(QevButtonsTest, BitButtonDrawsTheWideCaptionUpDownAndDisabled) {
  TRestore<bool> classic(ThemesAllowed, false);
  const TInk reference = ReferenceInk(BitCaption, Bit->Font());
  const COLORREF ink = ColorToRGB(Bit->Font()->Color());
  const TInk up = DrawnBit(0, ink);
  ExpectSameShape(up, reference, "up");
  const TInk down = DrawnBit(ODS_SELECTED, ink);
  ExpectSameShape(down, reference, "down");
  Bit->SetEnabled(false);
  ExpectSameShape(DrawnBit(ODS_DISABLED, ColorToRGB(clBtnShadow)), reference, "disabled");
  EXPECT_FALSE(DrawnBit(ODS_DISABLED, ColorToRGB(clBtnHighlight)).Empty());
}

// One state of a button under a theme and the element the theme draws for it
// (of the tool bar's button for a flat one, else of the push button).
struct TThemedCase {
  const char* Name;
  bool IsBit, Flat, Down, Hot, Disabled, Default;
  UINT ItemState;  // of the bit button's draw request
  int Element;
};

// Wine's default prefix has a theme in force. Outside the caption, each
// button is pixel for pixel the theme's element over the parent's colour with
// the theme's drawing of the glyph; the caption keeps its place when pressed.
TEST_F(QevButtonsTest, ButtonsDrawTheThemesElementOfEachState) {
  ASSERT_TRUE(ThemesEnabled()) << "a prefix with Wine's default theme";
  Form->SetColor(clTeal);  // where the theme leaves the parent's background
  Bit->Handle();
  const TThemedCase cases[] = {
      {"speed", false, false, false, false, false, false, 0, PBS_NORMAL},
      {"speed hot", false, false, false, true, false, false, 0, PBS_HOT},
      {"speed down", false, false, true, false, false, false, 0, PBS_PRESSED},
      {"speed disabled", false, false, false, false, true, false, 0, PBS_DISABLED},
      {"flat speed", false, true, false, false, false, false, 0, TS_NORMAL},
      {"flat speed hot", false, true, false, true, false, false, 0, TS_HOT},
      {"flat speed down", false, true, true, false, false, false, 0, TS_PRESSED},
      {"bit", true, false, false, false, false, false, 0, PBS_NORMAL},
      {"bit hot", true, false, false, true, false, false, 0, PBS_HOT},
      {"bit down", true, false, false, false, false, false, ODS_SELECTED, PBS_PRESSED},
      {"bit default focused", true, false, false, false, false, true, ODS_FOCUS, PBS_DEFAULTED},
      {"bit disabled", true, false, false, false, true, false, ODS_DISABLED, PBS_DISABLED},
  };
  LONG captionAt[2] = {-1, -1};  // the caption's left edge from the content's, per kind
  for (const TThemedCase& c : cases) {
    SCOPED_TRACE(c.Name);
    TControl* button = c.IsBit ? static_cast<TControl*>(Bit) : Speed;
    const bool pressed = c.Down || (c.ItemState & ODS_SELECTED);
    const TButtonState state = c.Disabled ? bsDisabled : c.Down ? bsExclusive : pressed ? bsDown : bsUp;
    button->SetEnabled(!c.Disabled);
    button->Perform(c.Hot ? CM_MOUSEENTER : CM_MOUSELEAVE, 0, 0);
    Speed->SetFlat(c.Flat);
    Speed->SetDown(c.Down);
    Bit->SetDefault(c.Default);
    const int width = button->Width(), height = button->Height();
    TPaintTarget painted(width, height);
    if (c.IsBit) DrawBit(painted, c.ItemState);
    else button->Perform(WM_PAINT, painted.WParam(), 0);

    TPaintTarget reference(width, height);
    const RECT all{0, 0, width, height};
    TGdiObjectOwner teal(CreateSolidBrush(ColorToRGB(clTeal)));
    FillRect(reference.DC(), &all, static_cast<HBRUSH>(teal.get()));
    TThemeData theme(Form->Handle(), c.Flat ? L"TOOLBAR" : L"BUTTON");
    const int part = c.Flat ? int(TP_BUTTON) : int(BP_PUSHBUTTON);
    theme.DrawBackground(reference.DC(), part, c.Element, all);
    const RECT content = theme.ContentRect(reference.DC(), part, c.Element, all);
    const LONG glyphX = content.left + 4 + (pressed && !c.Disabled ? 1 : 0);
    const LONG glyphY = content.top + (content.bottom - content.top - 16 + 1) / 2;
    TThemeData(Form->Handle(), L"BUTTON")
        .DrawIcon(reference.DC(), BP_PUSHBUTTON,
                  c.Disabled ? PBS_DISABLED : pressed ? PBS_PRESSED : PBS_NORMAL,
                  RECT{glyphX, glyphY, glyphX + 16, glyphY + 16},
                  GlyphOfButton(button)->GlyphList()->Handle(), GlyphImageIndex(button, state));

    // The caption starts 20 pixels right of the 16-pixel glyph (4 from the edge).
    const LONG captionLeft = content.left + 4 + 16 + 16;
    int differing = 0, focusDots = 0;
    for (int y = 0; y < height; ++y)
      for (int x = 0; x < width; ++x) {
        const bool inside = x >= content.left && x < content.right && y >= content.top &&
                            y < content.bottom;
        const bool edge = inside && (x == content.left || x == content.right - 1 ||
                                     y == content.top || y == content.bottom - 1);
        const bool same = painted.Pixel(x, y) == reference.Pixel(x, y);
        if (edge && c.Default) focusDots += !same;
        else if (!inside || edge || x < captionLeft) differing += !same;
      }
    EXPECT_EQ(0, differing);
    if (c.Default) {
      EXPECT_GT(focusDots, 0) << "the focus rectangle on the content's edge";
    }
    // A pressed flat button's caption takes the highlight-text colour, which
    // Wine's theme also gives that face.
    if (c.Flat && c.Down) continue;
    const TInk ink = InkOf(painted.DC(), RECT{captionLeft, content.top + 1, content.right - 1,
                                              content.bottom - 1},
                           ColorToRGB(c.Disabled ? clBtnShadow : clBtnText));
    ExpectSameShape(ink, ReferenceInk(c.IsBit ? BitCaption : SpeedCaption, button->Font()), c.Name);
    LONG& at = captionAt[c.IsBit];
    if (at == -1) at = ink.Box.left - content.left;
    EXPECT_EQ(at, ink.Box.left - content.left) << "a themed caption never moves";
  }
}

// ---------------------------------------------------------------- hot keys

TEST_F(QevButtonsTest, AltWithTheWideHotKeyClicksEachButton) {
  Form->Show();
  Bit->SetFocus();
  SendMessageW(Bit->Handle(), WM_SYSCHAR, L'\x0436', 1 << 29);  // "ж"
  EXPECT_EQ(SpeedClicks, 1);
  SendMessageW(Bit->Handle(), WM_SYSCHAR, L'\x0434', 1 << 29);  // "д"
  EXPECT_EQ(BitClicks, 1);
  SendMessageW(Bit->Handle(), WM_SYSCHAR, L'\x0443', 1 << 29);  // not a hot key
  Speed->SetEnabled(false);
  SendMessageW(Bit->Handle(), WM_SYSCHAR, L'\x0436', 1 << 29);
  EXPECT_EQ(SpeedClicks, 1);
  EXPECT_EQ(BitClicks, 1);
  Form->Hide();
}

// -------------------------------------------------------------- form files

TEST_F(QevButtonsTest, WideCaptionsAndGlyphsRoundTripThroughTheFormText) {
  TMemoryStream binary;
  binary.WriteComponent(Form.get());
  binary.SetPosition(0);
  TStringStream text;
  ObjectBinaryToText(&binary, &text);
  const AnsiString formText = text.DataString();
  EXPECT_NE(formText.find("object Speed: TQevSpeedButton"), AnsiString::npos) << formText;
  EXPECT_NE(formText.find("object Bit: TQevBitBtn"), AnsiString::npos) << formText;

  TStringStream input(formText);
  TMemoryStream again;
  ObjectTextToBinary(&input, &again);
  again.SetPosition(0);
  auto copy = std::make_unique<TForm>(nullptr);
  again.ReadComponent(copy.get());
  auto* speed = dynamic_cast<TQevSpeedButton*>(copy->FindComponent("Speed"));
  auto* bit = dynamic_cast<TQevBitBtn*>(copy->FindComponent("Bit"));
  ASSERT_NE(speed, nullptr);
  ASSERT_NE(bit, nullptr);
  EXPECT_EQ(speed->Caption(), SpeedCaption);
  EXPECT_EQ(speed->GroupIndex(), 1);
  EXPECT_EQ(bit->Caption(), BitCaption);
  EXPECT_EQ(bit->Hint(), WideString(L"\x4E2D\x6587"));
  EXPECT_EQ(bit->Glyph()->Canvas()->Pixels(8, 8), clRed);
}

// ---------------------------------------------------------- glyph routines

TEST_F(QevButtonsTest, GlyphRoutinesNeedAGlyphButton) {
  TButton plain(nullptr);
  const WideString message = L"Internal Error: Control does not support IQevGlyphButton.";
  ExpectRaises<EQevInternalError>([&] { GlyphOfButton(&plain); }, message);
  ExpectRaises<EQevInternalError>([&] { ForceGlyphList(&plain); }, message);
  EXPECT_EQ(GlyphOfButton(Bit), Bit->GlyphObject());
}

// A button that cannot paint (no parent) still gets its pictures.
TEST_F(QevButtonsTest, GlyphListIsBuiltWithoutARepaint) {
  TQevSpeedButton lone(nullptr);
  RedSquare(lone.Glyph());
  EXPECT_EQ(lone.GlyphObject()->ImageIndex(bsUp), -1);
  EXPECT_GE(GlyphImageIndex(&lone, bsDisabled), 0);
  EXPECT_GE(lone.GlyphObject()->ImageIndex(bsUp), 0);
  EXPECT_EQ(GlyphImageIndex(&lone, bsDown), GlyphImageIndex(&lone, bsUp));
}

// A button that counts the repaints it asks for.
template <class Button>
class TCounting : public Button {
 public:
  using Button::Button;
  void Invalidate() override {
    ++Invalidations;
    Button::Invalidate();
  }
  int Invalidations = 0;
};

// A bitmap narrower than its number of pictures gives no picture at all: a
// paint that asked for them again by a repaint would never end.
TEST_F(QevButtonsTest, GlyphTooNarrowForItsPicturesAsksForNoRepaint) {
  TCounting<TQevSpeedButton> speed(nullptr);
  TCounting<TQevBitBtn> bit(nullptr);
  speed.SetParent(Form.get());
  bit.SetParent(Form.get());
  for (TButtonGlyph* glyph : {speed.GlyphObject(), bit.GlyphObject()}) {
    glyph->Glyph()->SetSize(3, 16);
    glyph->SetNumGlyphs(4);
  }
  speed.Invalidations = bit.Invalidations = 0;
  TPaintTarget target(100, 40);
  speed.Perform(WM_PAINT, target.WParam(), 0);
  DRAWITEMSTRUCT item{};
  item.hDC = target.DC();
  item.rcItem = bit.ClientRect();
  bit.Perform(CN_DRAWITEM, 0, reinterpret_cast<LPARAM>(&item));
  EXPECT_EQ(0, speed.Invalidations);
  EXPECT_EQ(0, bit.Invalidations);
}

// ------------------------------------------------------------ action links

TEST_F(QevButtonsTest, SpeedButtonFollowsAWideAction) {
  auto action = std::make_unique<TQevAction>(nullptr);
  Speed->SetAction(action.get());
  EXPECT_STREQ(Speed->ActionLink()->ClassName(), "TQevSpeedButtonActionLink");
  action->SetCaption(BitCaption);
  EXPECT_EQ(Speed->Caption(), BitCaption);
  action->SetChecked(true);
  EXPECT_TRUE(Speed->Down());
  Speed->SetAction(nullptr);
}

}  // namespace
