// Unicode standard and extra controls: wide texts from form files, hot keys,
// password characters, selections and wide drawing.
#include <cstdint>
#include <cstdio>
#include <memory>
#include <vector>

#include "Forms.h"
#include "../Platform/PaintTarget.h"
#include "QevComCtrls.h"
#include "QevExtCtrls.h"
#include "QevStdCtrls.h"
#include "QevSystem.h"
#include "QevTestSupport.h"
#include "ScreenShot.h"

namespace {

class TQevStdCtrlsForm : public TForm {
  QEV_CLASS(TQevStdCtrlsForm, TForm)
 public:
  using TForm::TForm;
  void ButtonClick(TObject*) { ++ButtonClicks; }
  template <class T>
  T* Find(const char* Name) {
    auto* found = dynamic_cast<T*>(FindComponent(Name));
    EXPECT_NE(found, nullptr) << Name;
    return found;
  }
  int ButtonClicks = 0;
};

}  // namespace

QEV_DEFINE_CLASS(TQevStdCtrlsForm, QEV_METHOD(ButtonClick))

namespace {

const WideString NameCaption = L"&\x0418\x043C\x044F:";          // "&Имя:"
const WideString NameText = L"\x0416\x0443\x043A \x4E2D\x6587";  // "Жук 中文"
const WideString BoxCaption = L"&\x041E\x043F\x0446\x0438\x0438";
const WideString BeetleCaption = L"&\x0416\x0443\x043A";
const WideString YesCaption = L"&\x0414\x0430";
const WideString PanelCaption = L"\x0413\x043E\x0442\x043E\x0432\x043E \x4E2D";
const WideChar Han = L'\x4E2D';
const WideChar Euro = L'\x20AC';  // 0x80 in code page 1252

WideString WindowText(TWinControl* Control) {
  std::vector<WCHAR> text(static_cast<size_t>(GetWindowTextLengthW(Control->Handle())) + 1);
  GetWindowTextW(Control->Handle(), text.data(), static_cast<int>(text.size()));
  return text.data();
}

// Alt with Key, as the focused window receives it.
void AltKey(TWinControl* Focused, WideChar Key) {
  SendMessageW(Focused->Handle(), WM_SYSCHAR, Key, 1 << 29);
}

class QevStdCtrlsTest : public testing::Test {
 protected:
  void SetUp() override {
    Form.reset(NewForm<TQevStdCtrlsForm>(nullptr));
    Label = Form->Find<TQevLabel>("NameLabel");
    Name = Form->Find<TQevEdit>("NameEdit");
    Password = Form->Find<TQevEdit>("PasswordEdit");
    Box = Form->Find<TQevGroupBox>("OptionsBox");
    Beetle = Form->Find<TQevCheckBox>("BeetleCheck");
    Yes = Form->Find<TQevButton>("YesButton");
    Panel = Form->Find<TQevPanel>("StatusPanel");
  }
  std::unique_ptr<TQevStdCtrlsForm> Form;
  TQevLabel* Label = nullptr;
  TQevEdit *Name = nullptr, *Password = nullptr;
  TQevGroupBox* Box = nullptr;
  TQevCheckBox* Beetle = nullptr;
  TQevButton* Yes = nullptr;
  TQevPanel* Panel = nullptr;
};

// ------------------------------------------------------------- form files

TEST_F(QevStdCtrlsTest, FormFileMakesEachControlWithItsWideTexts) {
  EXPECT_EQ(Label->Caption(), NameCaption);
  EXPECT_EQ(Label->FocusControl(), Name);
  EXPECT_EQ(Name->Text(), NameText);
  EXPECT_EQ(Box->Caption(), BoxCaption);
  EXPECT_EQ(Beetle->Parent(), Box);
  EXPECT_EQ(Yes->Caption(), YesCaption);
  EXPECT_EQ(Panel->Caption(), PanelCaption);
  EXPECT_EQ(Form->Find<TQevImage>("Logo")->Hint(), L"\x041B\x043E\x0433\x043E");
  EXPECT_NE(dynamic_cast<TQevPicture*>(Form->Find<TQevImage>("Logo")->Picture()), nullptr);
  EXPECT_NE(Form->Find<TQevControlBar>("Bar"), nullptr);
  // The windows are Unicode windows with the whole texts.
  for (TWinControl* control : std::vector<TWinControl*>{Name, Box, Beetle, Yes, Panel})
    EXPECT_TRUE(IsWindowUnicode(control->Handle())) << control->Name();
  EXPECT_EQ(WindowText(Name), NameText);
  EXPECT_EQ(WindowText(Beetle), BeetleCaption);
  EXPECT_EQ(WindowText(Yes), YesCaption);
}

TEST_F(QevStdCtrlsTest, WideTextsRoundTripThroughTheFormText) {
  TMemoryStream binary;
  binary.WriteComponent(Form.get());
  binary.SetPosition(0);
  TStringStream text;
  ObjectBinaryToText(&binary, &text);
  const AnsiString formText = text.DataString();
  EXPECT_NE(formText.find("Caption_UTF7 = '" + WideStringToUTF7(BeetleCaption) + "'"),
            AnsiString::npos)
      << formText;

  TStringStream input(formText);
  TMemoryStream again;
  ObjectTextToBinary(&input, &again);
  again.SetPosition(0);
  auto copy = std::make_unique<TQevStdCtrlsForm>(nullptr);
  again.ReadComponent(copy.get());
  EXPECT_EQ(copy->Find<TQevLabel>("NameLabel")->Caption(), NameCaption);
  EXPECT_EQ(copy->Find<TQevEdit>("NameEdit")->Text(), NameText);
  EXPECT_EQ(copy->Find<TQevCheckBox>("BeetleCheck")->Caption(), BeetleCaption);
  EXPECT_EQ(copy->Find<TQevPanel>("StatusPanel")->Caption(), PanelCaption);
  EXPECT_EQ(copy->Find<TQevEdit>("PasswordEdit")->PasswordChar(), L'#');
}

// ---------------------------------------------------------------- hot keys

TEST_F(QevStdCtrlsTest, AltWithTheWideHotKeyReachesEachKindOfControl) {
  Form->Show();
  Password->SetFocus();
  AltKey(Password, L'\x0434');  // lower-case "д": the button
  EXPECT_EQ(Form->ButtonClicks, 1);

  AltKey(Password, L'\x0416');  // "Ж": the check box takes the focus and toggles
  EXPECT_TRUE(Beetle->Focused());
  EXPECT_TRUE(Beetle->Checked());

  Password->SetFocus();
  AltKey(Password, L'\x043E');  // "о": the group box focuses its first control
  EXPECT_TRUE(Beetle->Focused());
  EXPECT_TRUE(Beetle->Checked());

  AltKey(Beetle, L'\x0418');  // "И": the label focuses its edit
  EXPECT_TRUE(Name->Focused());

  // The 8-bit captions read "&??" and so on: "?" is nobody's hot key.
  AltKey(Name, L'?');
  EXPECT_EQ(Form->ButtonClicks, 1);
  EXPECT_TRUE(Name->Focused());
  EXPECT_EQ(Form->Perform(CM_DIALOGCHAR, '?', 0), 0);

  // A label that shows no accelerators, or is disabled, takes none.
  Beetle->SetFocus();
  Label->SetShowAccelChar(false);
  AltKey(Beetle, L'\x0418');
  EXPECT_TRUE(Beetle->Focused());
  Label->SetShowAccelChar(true);
  Label->SetEnabled(false);
  AltKey(Beetle, L'\x0418');
  EXPECT_TRUE(Beetle->Focused());
  Form->Hide();
}

// ------------------------------------------------------ password character

TEST_F(QevStdCtrlsTest, PasswordCharacterFromTheFormAndAboveTheCodePage) {
  EXPECT_EQ(Password->PasswordChar(), L'#');
  EXPECT_EQ(SendMessageW(Password->Handle(), EM_GETPASSWORDCHAR, 0, 0), L'#');

  Password->SetPasswordChar(Han);
  EXPECT_EQ(SendMessageW(Password->Handle(), EM_GETPASSWORDCHAR, 0, 0), Han);
  EXPECT_EQ(Password->TCustomEdit::PasswordChar(), '*');
  EXPECT_EQ(Password->PasswordChar(), Han);
  EXPECT_EQ(Password->Text(), L"secret");  // not set again

  // The 8-bit character changed behind the layer's back, through the code page.
  Password->TCustomEdit::SetPasswordChar('\x80');
  EXPECT_EQ(Password->PasswordChar(), Euro);
  Password->SetPasswordChar(L'#');
  Password->SetPasswordChar(Euro);
  EXPECT_EQ(Password->TCustomEdit::PasswordChar(), '\x80');
  EXPECT_EQ(SendMessageW(Password->Handle(), EM_GETPASSWORDCHAR, 0, 0), Euro);

  // A new window takes the wide character.
  Password->SetPasswordChar(Han);
  Password->RecreateWnd();
  EXPECT_EQ(SendMessageW(Password->Handle(), EM_GETPASSWORDCHAR, 0, 0), Han);

  EXPECT_EQ(AnsiPasswordChar(L'\x0101'), '*');  // best-fit "a" would be another character
  EXPECT_EQ(AnsiPasswordChar(0), '\0');
}

TEST_F(QevStdCtrlsTest, PasswordCharacterOnTheAnsiRoadIsTheAsterisk) {
  TRoadSwitch road(false);
  TQevEdit edit(nullptr);
  edit.SetParent(Form.get());
  edit.SetPasswordChar(Han);
  EXPECT_FALSE(IsWindowUnicode(edit.Handle()));
  EXPECT_EQ(SendMessageA(edit.Handle(), EM_GETPASSWORDCHAR, 0, 0), '*');
  EXPECT_EQ(edit.PasswordChar(), Han);
  edit.SetParent(nullptr);
}

// --------------------------------------------------------------- selection

TEST_F(QevStdCtrlsTest, SelectionCountsUtf16CharactersOnTheWideRoad) {
  Name->SetSelStart(4);
  Name->SetSelLength(1);
  EXPECT_EQ(Name->SelStart(), 4);
  EXPECT_EQ(Name->SelLength(), 1);
  EXPECT_EQ(Name->SelText(), L"\x4E2D");
  Name->SetSelStart(2);
  Name->SetSelLength(3);
  EXPECT_EQ(Name->SelText(), L"\x043A \x4E2D");
  Name->SelectAll();
  EXPECT_EQ(Name->SelLength(), 6);
}

TEST_F(QevStdCtrlsTest, SelectionCountsCharactersOfADoubleByteAnsiWindow) {
  InstallRtlPatches(rtlConversionsAndResStrings);
  const Integer savedCodePage = ConversionCodePage;
  ConversionCodePage = 936;  // two bytes for each Han character
  {
    TRoadSwitch road(false);
    TQevEdit edit(nullptr);
    edit.SetParent(Form.get());
    edit.SetText(L"\x4E2D\x6587" L"ab");
    edit.SelectAll();
    EXPECT_EQ(edit.SelStart(), 0);
    EXPECT_EQ(edit.SelLength(), 4);
    EXPECT_EQ(edit.TCustomEdit::SelLength(), 6);  // bytes
    edit.SetSelStart(1);
    edit.SetSelLength(2);
    EXPECT_EQ(edit.TCustomEdit::SelStart(), 2);
    EXPECT_EQ(edit.TCustomEdit::SelLength(), 3);
    EXPECT_EQ(edit.SelText(), L"\x6587" L"a");
    edit.SetParent(nullptr);
  }
  ConversionCodePage = savedCodePage;
  RemoveAllRtlPatches();
}

// ----------------------------------------------------------------- drawing

// The pixels of Control painted through WM_PAINT into a bitmap.
std::unique_ptr<TPaintTarget> Painted(TControl* Control) {
  auto target = std::make_unique<TPaintTarget>(Control->Width(), Control->Height());
  Control->Perform(WM_PAINT, target->WParam(), 0);
  return target;
}

TEST_F(QevStdCtrlsTest, DisabledLabelIsItsTextInShadowOverItInHighlightOneDown) {
  Label->SetCaption(L"\x0416\x4E2D");
  const COLORREF ink = ColorToRGB(Label->Font()->Color());
  const COLORREF face = ColorToRGB(Label->Color());
  const COLORREF highlight = ColorToRGB(clBtnHighlight), shadow = ColorToRGB(clBtnShadow);
  auto enabled = Painted(Label);
  Label->SetEnabled(false);
  auto disabled = Painted(Label);
  int inked = 0, raised = 0;
  for (int y = 0; y + 1 < Label->Height(); ++y)
    for (int x = 0; x + 1 < Label->Width(); ++x) {
      if (enabled->Pixel(x, y) != ink) continue;
      ++inked;
      EXPECT_EQ(disabled->Pixel(x, y), shadow) << x << "," << y;
      if (enabled->Pixel(x + 1, y + 1) == face) {
        ++raised;
        EXPECT_EQ(disabled->Pixel(x + 1, y + 1), highlight) << x + 1 << "," << y + 1;
      }
    }
  EXPECT_GT(inked, 10);
  EXPECT_GT(raised, 0);
}

TEST_F(QevStdCtrlsTest, EmptyLabelMeasuresOneLine) {
  const Integer height = Label->Height();
  EXPECT_GT(height, 0);
  for (const WideString& caption : {WideString(), WideString(L"&")}) {
    Label->SetCaption(caption);
    EXPECT_EQ(Label->Height(), height);
    EXPECT_GT(Label->Width(), 0);
  }
}

// Box's face with the theme's group-box frame from Top down, as the theme
// draws it.
std::unique_ptr<TPaintTarget> ThemeFrame(TQevGroupBox* Box, LONG Top) {
  auto target = std::make_unique<TPaintTarget>(Box->Width(), Box->Height());
  TGdiObjectOwner face(CreateSolidBrush(ColorToRGB(Box->Color())));
  RECT all{0, 0, Box->Width(), Box->Height()};
  FillRect(target->DC(), &all, static_cast<HBRUSH>(face.get()));
  TThemeData theme(Box->Handle(), L"BUTTON");
  theme.DrawBackground(target->DC(), BP_GROUPBOX, GBS_NORMAL, RECT{0, Top, all.right, all.bottom});
  return target;
}

TSize CaptionExtent(TQevGroupBox* Box) {
  TBitmap measure;
  measure.Canvas()->SetFont(Box->Font());
  return WideCanvasTextExtent(measure.Canvas(), Box->Caption());
}

// Wine's default prefix has a theme in force: the themed road is the one a
// user sees there.
TEST_F(QevStdCtrlsTest, GroupBoxDrawsTheThemesFrameWhereThemeServicesAreOn) {
  ASSERT_TRUE(ThemesEnabled()) << "a prefix with Wine's default theme";
  for (const WideString& caption : {BoxCaption, WideString()}) {
    Box->SetCaption(caption);
    const TSize extent = CaptionExtent(Box);
    const auto painted = Painted(Box);
    const auto reference = ThemeFrame(Box, extent.cy / 2);
    int differing = 0;
    for (int y = 0; y < Box->Height(); ++y)
      for (int x = 0; x < Box->Width(); ++x) {
        const bool inCaption = x >= 8 && x < 8 + extent.cx && y < extent.cy;
        if (!inCaption && painted->Pixel(x, y) != reference->Pixel(x, y)) ++differing;
      }
    EXPECT_EQ(0, differing) << (caption.empty() ? "no caption" : "caption");
    const COLORREF frame = reference->Pixel(0, Box->Height() / 2);
    EXPECT_NE(frame, ColorToRGB(Box->Color())) << "the theme draws a frame";
    if (!caption.empty()) {
      EXPECT_TRUE(painted->Contains(RECT{8, 0, 8 + extent.cx, extent.cy}, ColorToRGB(clBlack)))
          << "the caption in the theme's text colour";
    }
  }
  TRestore<bool> classic(ThemesAllowed, false);
  const auto painted = Painted(Box);
  TBitmap measure;
  measure.Canvas()->SetFont(Box->Font());
  const int frameTop = WideCanvasTextHeight(measure.Canvas(), L"0") / 2 - 1;
  EXPECT_EQ(painted->Pixel(4, frameTop), ColorToRGB(clBtnShadow));
  EXPECT_EQ(painted->Pixel(4, frameTop + 1), ColorToRGB(clBtnHighlight));
}

// The caption's rows and columns in Panel painted with Alignment.
RECT InkOf(TQevPanel* Panel, TAlignment Alignment) {
  Panel->SetAlignment(Alignment);
  auto target = Painted(Panel);
  const COLORREF ink = ColorToRGB(Panel->Font()->Color());
  RECT ink_rect{Panel->Width(), Panel->Height(), -1, -1};
  for (int y = 0; y < Panel->Height(); ++y)
    for (int x = 0; x < Panel->Width(); ++x)
      if (target->Pixel(x, y) == ink) {
        ink_rect.left = std::min<LONG>(ink_rect.left, x);
        ink_rect.top = std::min<LONG>(ink_rect.top, y);
        ink_rect.right = std::max<LONG>(ink_rect.right, x + 1);
        ink_rect.bottom = std::max<LONG>(ink_rect.bottom, y + 1);
      }
  return ink_rect;
}

TEST_F(QevStdCtrlsTest, PanelCaptionIsCentredOnTheHeightOfW) {
  Panel->SetBevelOuter(bvNone);
  const RECT left = InkOf(Panel, taLeftJustify);
  // The same text drawn where the panel must put it.
  TBitmap bitmap;
  bitmap.SetSize(Panel->Width(), Panel->Height());
  TCanvas* canvas = bitmap.Canvas();
  canvas->SetFont(Panel->Font());
  const Integer height = WideCanvasTextHeight(canvas, L"W");
  canvas->Brush()->SetColor(Panel->Color());
  canvas->FillRect(Rect(0, 0, Panel->Width(), Panel->Height()));
  canvas->Brush()->SetStyle(bsClear);
  TRect rect = Rect(0, (Panel->Height() - height) / 2, Panel->Width(),
                    (Panel->Height() - height) / 2 + height);
  canvas->RequiredState({csHandleValid, csFontValid, csBrushValid});
  DrawTextW(canvas->Handle(), PanelCaption.c_str(), -1, &rect, DT_LEFT | DT_EXPANDTABS);
  const COLORREF ink = ColorToRGB(Panel->Font()->Color());
  LONG top = -1;
  for (int y = 0; y < Panel->Height() && top < 0; ++y)
    for (int x = 0; x < Panel->Width(); ++x)
      if (GetPixel(canvas->Handle(), x, y) == ink) {
        top = y;
        break;
      }
  EXPECT_EQ(left.top, top);
  for (TAlignment alignment : {taCenter, taRightJustify}) {
    const RECT other = InkOf(Panel, alignment);
    EXPECT_EQ(other.top, left.top);
    EXPECT_EQ(other.bottom, left.bottom);
    EXPECT_GT(other.left, left.left);
  }
}

// Only under a theme does a panel that asks for it show its parent's
// background, in its border too; its bevel stays.
TEST_F(QevStdCtrlsTest, PanelShowsItsParentsBackgroundOnlyUnderAThemeAndWhenAsked) {
  ASSERT_TRUE(ThemesEnabled()) << "a prefix with Wine's default theme";
  Form->SetColor(clTeal);
  Panel->SetColor(clYellow);
  Panel->SetBorderWidth(3);
  Form->Show();
  struct {
    bool Themed, ParentBackground;
    TColor Face;
  } const cases[] = {
      {true, true, clTeal}, {true, false, clYellow}, {false, true, clYellow}, {false, false, clYellow}};
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << "themed " << c.Themed << ", parent background "
                                    << c.ParentBackground);
    TRestore<bool> themes(ThemesAllowed, c.Themed);
    Panel->SetParentBackground(c.ParentBackground);
    RedrawWindow(Panel->Handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
    const TScreenShot shot = TScreenShot::OfWindow(Form->Handle());
    auto pixel = [&](int X, int Y) {
      TPoint at = Form->ScreenToClient(Panel->ClientToScreen(TPoint{X, Y}));
      POINT corner{0, 0};
      ClientToScreen(Form->Handle(), &corner);
      RECT frame{};
      GetWindowRect(Form->Handle(), &frame);
      return shot.At(at.x + corner.x - frame.left, at.y + corner.y - frame.top);
    };
    EXPECT_EQ(pixel(0, 0), ColorToRGB(clBtnHighlight)) << "bevel";
    EXPECT_EQ(pixel(2, Panel->Height() / 2), ColorToRGB(c.Face)) << "border";
    EXPECT_EQ(pixel(Panel->Width() / 2, 5), ColorToRGB(c.Face)) << "face";
  }
  Form->Hide();
}

// ------------------------------------------------------------- screenshot

TEST_F(QevStdCtrlsTest, ScreenshotOfTheFormShowsTheWideControls) {
  Form->Find<TQevImage>("Logo")->Picture()->Bitmap()->SetSize(40, 40);  // white
  // The common controls join them below.
  Form->SetClientHeight(330);
  auto* pages = new TQevPageControl(Form.get());
  pages->SetParent(Form.get());
  pages->SetBounds(8, 180, 220, 80);
  TQevTabSheet* sheets[2];
  for (int i = 0; i < 2; ++i) {
    sheets[i] = new TQevTabSheet(Form.get());
    sheets[i]->SetCaption(i == 0 ? L"&\x0421\x0442\x0440\x0430\x043D\x0438\x0446\x0430" : L"\x4E2D\x6587");
    sheets[i]->SetPageControl(pages);
  }
  pages->SetActivePage(sheets[0]);
  auto* progress = new TQevProgressBar(Form.get());
  progress->SetParent(Form.get());
  progress->SetBounds(240, 180, 170, 20);
  progress->SetPosition(60);
  auto* status = new TQevStatusBar(Form.get());
  status->SetParent(Form.get());
  status->Panels()->Add()->SetWidth(200);
  status->Panels()->Items(0)->SetText(L"\x0413\x043E\x0442\x043E\x0432\x043E");
  Form->Show();
  RedrawWindow(Form->Handle(), nullptr, nullptr,
               RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
  const TScreenShot shot = TScreenShot::OfWindow(Form->Handle());
  auto pixel = [&](TControl* Control, int X, int Y) {
    TPoint at = Form->ScreenToClient(Control->ClientToScreen(TPoint{X, Y}));
    return shot.At(at.x, at.y);
  };
  const std::wstring path = shot.Keep(L"QevStdCtrls");  // kept for a person to look at
  ASSERT_FALSE(path.empty());
  std::printf("screenshot: %ls\n", path.c_str());

  // The raised panel, the group box's themed frame and the white picture, exactly.
  EXPECT_EQ(pixel(Panel, 0, 0), ColorToRGB(clBtnHighlight));
  EXPECT_EQ(pixel(Panel, Panel->Width() - 1, Panel->Height() - 1), ColorToRGB(clBtnShadow));
  const TSize extent = CaptionExtent(Box);
  const auto frame = ThemeFrame(Box, extent.cy / 2);
  for (POINT at : {POINT{0, Box->Height() / 2}, POINT{Box->Width() - 1, extent.cy / 2}})
    EXPECT_EQ(pixel(Box, at.x, at.y), frame->Pixel(at.x, at.y));
  EXPECT_EQ(pixel(Form->Find<TQevImage>("Logo"), 20, 20), RGB(255, 255, 255));
  // Some of the caption's ink lies inside the group box's caption area.
  bool inked = false;
  for (int y = 0; y < extent.cy && !inked; ++y)
    for (int x = 8; x < 60 && !inked; ++x) inked = pixel(Box, x, y) == ColorToRGB(Box->Font()->Color());
  EXPECT_TRUE(inked);
  EXPECT_EQ(WindowText(Box), BoxCaption);
  EXPECT_EQ(WindowText(Panel), PanelCaption);
  // The common controls hold their wide texts in their windows.
  wchar_t text[64] = {};
  TCITEMW item{};
  item.mask = TCIF_TEXT;
  item.pszText = text;
  item.cchTextMax = 64;
  ASSERT_TRUE(SendMessageW(pages->Handle(), TCM_GETITEMW, 0, reinterpret_cast<LPARAM>(&item)));
  EXPECT_EQ(WideString(text), sheets[0]->Caption());
  SendMessageW(status->Handle(), SB_GETTEXTW, 0, reinterpret_cast<LPARAM>(text));
  EXPECT_EQ(WideString(text), L"\x0413\x043E\x0442\x043E\x0432\x043E");
  EXPECT_EQ(SendMessageW(progress->Handle(), PBM_GETPOS, 0, 0), 60);
  Form->Hide();
}

}  // namespace
