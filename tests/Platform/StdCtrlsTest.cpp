#include <gtest/gtest.h>

#include <memory>

#include "ComCtrls.h"
#include "ExtCtrls.h"
#include "Forms.h"
#include "PaintTarget.h"

#include <commctrl.h>
#include "StdCtrls.h"

// For readable rectangle comparisons (found by argument lookup: RECT is global).
static bool operator==(const RECT& A, const RECT& B) { return EqualRect(&A, &B) != FALSE; }
static std::ostream& operator<<(std::ostream& Out, const RECT& R) {
  return Out << '(' << R.left << ',' << R.top << ',' << R.right << ',' << R.bottom << ')';
}

namespace {

class TStdCtrlsForm : public TForm {
  QEV_CLASS(TStdCtrlsForm, TForm)
 public:
  using TForm::TForm;
  void ButtonClick(TObject*) { ++ButtonClicks; }
  void CheckClick(TObject*) { ++CheckClicks; }
  void EditChange(TObject*) { ++Changes; }
  void PagesChange(TObject*) { ++PageChanges; }
  void PagesChanging(TObject*, bool& Allow) { Allow = AllowPageChange; }
  template <class T>
  T* Find(const char* Name) {
    auto* found = dynamic_cast<T*>(FindComponent(Name));
    EXPECT_NE(found, nullptr) << Name;
    return found;
  }
  int ButtonClicks = 0, CheckClicks = 0, Changes = 0, PageChanges = 0;
  bool AllowPageChange = true;
};

}  // namespace

QEV_DEFINE_CLASS(TStdCtrlsForm, QEV_METHOD(ButtonClick), QEV_METHOD(CheckClick),
                 QEV_METHOD(PagesChange))

namespace {

class StdCtrlsTest : public testing::Test {
 protected:
  void SetUp() override {
    Form.reset(NewForm<TStdCtrlsForm>(nullptr));
    Label = Form->Find<TLabel>("NameLabel");
    Name = Form->Find<TEdit>("NameEdit");
    Password = Form->Find<TEdit>("PasswordEdit");
    Box = Form->Find<TGroupBox>("OptionsBox");
    Remember = Form->Find<TCheckBox>("RememberCheck");
    Mixed = Form->Find<TCheckBox>("MixedCheck");
    Ok = Form->Find<TButton>("OkButton");
    Cancel = Form->Find<TButton>("CancelButton");
  }
  static LRESULT Send(TWinControl* Control, UINT Msg, WPARAM WParam = 0, LPARAM LParam = 0) {
    return SendMessageA(Control->Handle(), Msg, WParam, LParam);
  }
  static LONG_PTR StyleOf(TWinControl* Control) {
    return GetWindowLongPtrA(Control->Handle(), GWL_STYLE);
  }
  std::unique_ptr<TStdCtrlsForm> Form;
  TLabel* Label = nullptr;
  TEdit *Name = nullptr, *Password = nullptr;
  TGroupBox* Box = nullptr;
  TCheckBox *Remember = nullptr, *Mixed = nullptr;
  TButton *Ok = nullptr, *Cancel = nullptr;
};

TEST_F(StdCtrlsTest, FormStreamMakesEachControlWithItsProperties) {
  EXPECT_EQ(Label->Caption(), "&Name:");
  EXPECT_EQ(Label->FocusControl(), Name);
  EXPECT_GT(Label->Width(), 0);
  EXPECT_NE(Label->Width(), 65);  // sized to its text
  EXPECT_EQ(Name->Text(), "guest");
  EXPECT_EQ(Name->MaxLength(), 20);
  EXPECT_EQ(Password->PasswordChar(), '#');
  EXPECT_EQ(Remember->Parent(), Box);
  EXPECT_TRUE(Remember->Checked());
  EXPECT_EQ(Mixed->State(), cbGrayed);
  EXPECT_TRUE(Mixed->AllowGrayed());
  EXPECT_EQ(Form->CheckClicks, 0);  // reading the state is no click
  EXPECT_TRUE(Ok->Default());
  EXPECT_TRUE(Cancel->Cancel());
  EXPECT_EQ(Ok->ModalResult(), mrOk);
  EXPECT_EQ(Cancel->ModalResult(), mrCancel);

  // The windows take the same values.
  EXPECT_EQ(GetWindowTextOf(Name->Handle()), "guest");
  EXPECT_EQ(Send(Name, EM_GETLIMITTEXT), 20);
  EXPECT_EQ(Send(Password, EM_GETPASSWORDCHAR), '#');
  EXPECT_EQ(GetWindowTextOf(Password->Handle()), "secret");
  EXPECT_EQ(Send(Remember, BM_GETCHECK), BST_CHECKED);
  EXPECT_EQ(Send(Mixed, BM_GETCHECK), BST_INDETERMINATE);
  EXPECT_EQ(StyleOf(Ok) & BS_TYPEMASK, BS_DEFPUSHBUTTON);
  EXPECT_EQ(StyleOf(Cancel) & BS_TYPEMASK, BS_PUSHBUTTON);
  EXPECT_EQ(GetWindowTextOf(Cancel->Handle()), "Cancel");
  EXPECT_EQ(GetParent(Remember->Handle()), Box->Handle());
  EXPECT_EQ(GetWindowTextOf(Box->Handle()), "&Options");
}

TEST_F(StdCtrlsTest, ButtonClickFiresOnClickAndSetsModalResult) {
  Send(Ok, BM_CLICK);
  EXPECT_EQ(Form->ButtonClicks, 1);  // once: BN_CLICKED, not the mouse-up as well
  EXPECT_EQ(Form->ModalResult(), mrOk);

  Form->SetModalResult(mrNone);
  Send(Cancel, BM_CLICK);
  EXPECT_EQ(Form->ModalResult(), mrCancel);
  EXPECT_EQ(Form->ButtonClicks, 1);

  // Enter clicks the default button, Escape the cancel button; other keys pass.
  Form->SetModalResult(mrNone);
  EXPECT_EQ(Form->Perform(CM_DIALOGKEY, VK_RETURN, 0), 0);  // not while the form is hidden
  Form->Show();
  EXPECT_EQ(Form->Perform(CM_DIALOGKEY, VK_RETURN, 0), 1);
  EXPECT_EQ(Form->ModalResult(), mrOk);
  EXPECT_EQ(Form->ButtonClicks, 2);
  EXPECT_EQ(Form->Perform(CM_DIALOGKEY, VK_ESCAPE, 0), 1);
  EXPECT_EQ(Form->ModalResult(), mrCancel);
  EXPECT_EQ(Form->Perform(CM_DIALOGKEY, VK_F5, 0), 0);

  // A disabled default button does not answer.
  Ok->SetEnabled(false);
  EXPECT_EQ(Form->Perform(CM_DIALOGKEY, VK_RETURN, 0), 0);
  EXPECT_EQ(Form->ButtonClicks, 2);

  Ok->SetDefault(false);
  EXPECT_EQ(StyleOf(Ok) & BS_TYPEMASK, BS_PUSHBUTTON);
  Form->Hide();
}

TEST_F(StdCtrlsTest, CheckBoxTogglesThroughItsStates) {
  Send(Remember, BM_CLICK);
  EXPECT_EQ(Remember->State(), cbUnchecked);
  EXPECT_EQ(Send(Remember, BM_GETCHECK), BST_UNCHECKED);
  EXPECT_EQ(Form->CheckClicks, 1);
  Send(Remember, BM_CLICK);
  EXPECT_TRUE(Remember->Checked());
  EXPECT_EQ(Form->CheckClicks, 2);
  Remember->SetChecked(true);  // no change, no click
  EXPECT_EQ(Form->CheckClicks, 2);

  // With AllowGrayed: grayed -> checked -> unchecked -> grayed.
  Mixed->Toggle();
  EXPECT_EQ(Mixed->State(), cbChecked);
  Mixed->Toggle();
  EXPECT_EQ(Mixed->State(), cbUnchecked);
  Send(Mixed, BM_CLICK);
  EXPECT_EQ(Mixed->State(), cbGrayed);
  EXPECT_EQ(Send(Mixed, BM_GETCHECK), BST_INDETERMINATE);

  // The state survives a new window.
  Mixed->SetAlignment(taLeftJustify);
  EXPECT_TRUE(StyleOf(Mixed) & BS_LEFTTEXT);
  EXPECT_EQ(Send(Mixed, BM_GETCHECK), BST_INDETERMINATE);
}

TEST_F(StdCtrlsTest, EditTextAndPasswordCharacter) {
  Name->OnChange = TNotifyEvent::Bind<&TStdCtrlsForm::EditChange>(Form.get());
  Name->SetText("someone else");
  EXPECT_EQ(Name->Text(), "someone else");
  EXPECT_EQ(Form->Changes, 1);
  Name->SetSelStart(4);
  Name->SetSelLength(3);
  EXPECT_EQ(Name->SelStart(), 4);
  EXPECT_EQ(Name->SelLength(), 3);
  EXPECT_EQ(Name->SelText(), "one");
  Name->SelectAll();
  EXPECT_EQ(Name->SelLength(), 12);

  // Text and modified flag outlive the window.
  Name->SetModified(true);
  Name->DestroyHandle();
  EXPECT_EQ(Name->Text(), "someone else");
  EXPECT_TRUE(Name->Modified());
  Name->HandleNeeded();
  EXPECT_EQ(GetWindowTextOf(Name->Handle()), "someone else");
  EXPECT_TRUE(Name->Modified());

  EXPECT_TRUE(StyleOf(Password) & ES_PASSWORD);
  Password->SetPasswordChar('*');
  EXPECT_EQ(Send(Password, EM_GETPASSWORDCHAR), '*');
  EXPECT_EQ(Password->Text(), "secret");
  Password->SetPasswordChar('\0');
  EXPECT_EQ(Send(Password, EM_GETPASSWORDCHAR), 0);
  EXPECT_EQ(Password->Text(), "secret");

  // Before the window exists the character waits for it.
  TEdit edit(nullptr);
  edit.SetParent(Form.get());
  edit.SetPasswordChar('x');
  EXPECT_EQ(Send(&edit, EM_GETPASSWORDCHAR), 'x');
  EXPECT_TRUE(StyleOf(&edit) & ES_PASSWORD);
  edit.SetParent(nullptr);
}

TEST_F(StdCtrlsTest, AcceleratorsFocusAndClick) {
  EXPECT_TRUE(IsAccel('n', "&Name:"));
  EXPECT_TRUE(IsAccel('A', "Save &as"));
  EXPECT_FALSE(IsAccel('a', "Fish && &chips"));
  EXPECT_TRUE(IsAccel('c', "Fish && &chips"));
  EXPECT_FALSE(IsAccel('n', "Name&"));

  Form->Show();
  EXPECT_EQ(Form->Perform(CM_DIALOGCHAR, 'n', 0), 1);  // the label focuses its edit
  EXPECT_TRUE(Name->Focused());
  EXPECT_EQ(Form->Perform(CM_DIALOGCHAR, 'r', 0), 1);  // the check box, inside the group
  EXPECT_TRUE(Remember->Focused());
  EXPECT_FALSE(Remember->Checked());
  EXPECT_EQ(Form->Perform(CM_DIALOGCHAR, 'o', 0), 1);  // the group box: its first control
  EXPECT_TRUE(Remember->Focused());
  EXPECT_EQ(Form->Perform(CM_DIALOGCHAR, 'z', 0), 0);

  Label->SetShowAccelChar(false);
  EXPECT_EQ(Form->Perform(CM_DIALOGCHAR, 'n', 0), 0);
  Label->SetShowAccelChar(true);
  delete Name;  // the label lets go of a freed control
  EXPECT_EQ(Label->FocusControl(), nullptr);
  EXPECT_EQ(Form->Perform(CM_DIALOGCHAR, 'n', 0), 0);
  Form->Hide();
}

TEST_F(StdCtrlsTest, AutoSizedLabelKeepsOneLineWhenEmpty) {
  Integer height = Label->Height();
  EXPECT_GT(height, 0);
  Label->SetCaption("");
  EXPECT_EQ(Label->Height(), height);
  EXPECT_GT(Label->Width(), 0);
  Label->SetCaption("A much longer caption than before");
  EXPECT_EQ(Label->Height(), height);
  EXPECT_GT(Label->Width(), 100);
}

TEST_F(StdCtrlsTest, DisabledLabelIsDrawnRaised) {
  Label->SetCaption("WWWW");
  RECT all{0, 0, Label->Width(), Label->Height()};
  COLORREF highlight = ColorToRGB(clBtnHighlight), shadow = ColorToRGB(clBtnShadow);
  TPaintTarget enabled(Label->Width(), Label->Height());
  Label->Perform(WM_PAINT, enabled.WParam(), 0);
  EXPECT_TRUE(enabled.Contains(all, ColorToRGB(Label->Font()->Color())));
  EXPECT_FALSE(enabled.Contains(all, highlight));

  Label->SetEnabled(false);
  TPaintTarget disabled(Label->Width(), Label->Height());
  Label->Perform(WM_PAINT, disabled.WParam(), 0);
  EXPECT_TRUE(disabled.Contains(all, highlight));
  EXPECT_TRUE(disabled.Contains(all, shadow));
  EXPECT_FALSE(disabled.Contains(all, ColorToRGB(Label->Font()->Color())));
}

// ---------------------------------------------------------------- ExtCtrls

TEST_F(StdCtrlsTest, PanelKeepsAlignedChildrenInsideBevelAndBorder) {
  auto* panel = Form->Find<TPanel>("StatusPanel");
  auto* logo = Form->Find<TImage>("Logo");
  EXPECT_EQ(panel->Caption(), "Ready");
  EXPECT_EQ(panel->BevelOuter(), bvLowered);
  EXPECT_EQ(panel->BevelInner(), bvNone);
  EXPECT_EQ(panel->Alignment(), taCenter);
  EXPECT_EQ(logo->Parent(), panel);
  EXPECT_TRUE(logo->Center());
  // Border 2 and one bevel of width 1.
  EXPECT_EQ(logo->BoundsRect(), Rect(3, 3, 217, 37));
  panel->SetBevelInner(bvRaised);
  EXPECT_EQ(logo->BoundsRect(), Rect(4, 4, 216, 36));
  panel->SetBevelOuter(bvNone);
  panel->SetBevelInner(bvNone);
  panel->SetBorderWidth(0);
  EXPECT_EQ(logo->BoundsRect(), Rect(0, 0, 220, 40));
}

TEST_F(StdCtrlsTest, PanelPaintsItsBevelAndCaption) {
  auto* panel = Form->Find<TPanel>("StatusPanel");
  delete Form->FindComponent("Logo");  // nothing over the caption
  TPaintTarget target(220, 40);
  panel->Perform(WM_PAINT, target.WParam(), 0);
  // Lowered: shadow on the top and left, highlight on the bottom and right.
  EXPECT_EQ(target.Pixel(0, 0), ColorToRGB(clBtnShadow));
  EXPECT_EQ(target.Pixel(0, 20), ColorToRGB(clBtnShadow));
  EXPECT_EQ(target.Pixel(219, 39), ColorToRGB(clBtnHighlight));
  EXPECT_EQ(target.Pixel(219, 1), ColorToRGB(clBtnHighlight));
  EXPECT_EQ(target.Pixel(5, 5), ColorToRGB(clBtnFace));
  COLORREF text = ColorToRGB(panel->Font()->Color());
  EXPECT_TRUE(target.Contains(RECT{80, 8, 140, 32}, text));  // centred
  EXPECT_FALSE(target.Contains(RECT{3, 3, 60, 37}, text));
}

TEST_F(StdCtrlsTest, ImageDrawsItsPictureCentredOrStretched) {
  auto* logo = Form->Find<TImage>("Logo");
  TBitmap* bitmap = logo->Picture()->Bitmap();
  bitmap->SetSize(20, 10);
  bitmap->Canvas();  // new pixels are white
  EXPECT_EQ(logo->DestRect(), Rect(97, 12, 117, 22));  // in 214 x 34
  TPaintTarget target(logo->Width(), logo->Height());
  logo->Perform(WM_PAINT, target.WParam(), 0);
  EXPECT_EQ(target.Pixel(100, 15), RGB(255, 255, 255));
  EXPECT_EQ(target.Pixel(5, 5), RGB(0, 0, 0));

  logo->SetStretch(true);
  EXPECT_EQ(logo->DestRect(), Rect(0, 0, 214, 34));
  logo->SetCenter(false);
  logo->SetStretch(false);
  EXPECT_EQ(logo->DestRect(), Rect(0, 0, 20, 10));

  TImage sized(nullptr);
  sized.SetAutoSize(true);
  sized.Picture()->Assign(logo->Picture());
  EXPECT_EQ(sized.Width(), 20);
  EXPECT_EQ(sized.Height(), 10);
}

// ---------------------------------------------------------------- ComCtrls

AnsiString TabText(TPageControl* Pages, int Index) {
  char text[64] = {};
  TCITEMA item{};
  item.mask = TCIF_TEXT | TCIF_PARAM;
  item.pszText = text;
  item.cchTextMax = sizeof text;
  SendMessageA(Pages->Handle(), TCM_GETITEMA, static_cast<WPARAM>(Index),
               reinterpret_cast<LPARAM>(&item));
  EXPECT_EQ(item.lParam, reinterpret_cast<LPARAM>(Pages->Tabs()->GetObject(Index)));
  return text;
}

// Clicks tab Index with the mouse, as the user would.
void ClickTab(TPageControl* Pages, int Index) {
  RECT rect{};
  SendMessageA(Pages->Handle(), TCM_GETITEMRECT, static_cast<WPARAM>(Index),
               reinterpret_cast<LPARAM>(&rect));
  LPARAM at = MAKELPARAM((rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2);
  SendMessageA(Pages->Handle(), WM_LBUTTONDOWN, MK_LBUTTON, at);
  SendMessageA(Pages->Handle(), WM_LBUTTONUP, 0, at);
}

TEST_F(StdCtrlsTest, PageControlReadsSheetsAndShowsTheActivePage) {
  auto* pages = Form->Find<TPageControl>("Pages");
  auto* general = Form->Find<TTabSheet>("GeneralSheet");
  auto* advanced = Form->Find<TTabSheet>("AdvancedSheet");
  auto* hidden = Form->Find<TTabSheet>("HiddenSheet");
  ASSERT_EQ(pages->PageCount(), 3);
  EXPECT_EQ(pages->Pages(1), advanced);
  EXPECT_EQ(hidden->PageControl(), pages);
  EXPECT_EQ(Form->Find<TEdit>("GeneralEdit")->Parent(), general);
  EXPECT_EQ(pages->ActivePage(), advanced);
  EXPECT_TRUE(advanced->Visible());
  EXPECT_FALSE(general->Visible());
  ASSERT_EQ(pages->Tabs()->Count(), 2);  // the hidden sheet has no tab
  EXPECT_EQ(hidden->TabIndex(), -1);
  EXPECT_EQ(advanced->TabIndex(), 1);

  EXPECT_EQ(SendMessageA(pages->Handle(), TCM_GETITEMCOUNT, 0, 0), 2);
  EXPECT_EQ(SendMessageA(pages->Handle(), TCM_GETCURSEL, 0, 0), 1);
  EXPECT_EQ(TabText(pages, 0), "&General");
  EXPECT_EQ(TabText(pages, 1), "&Advanced");
  // The sheets fill the area under the tabs.
  EXPECT_GT(advanced->Top(), 10);
  EXPECT_GT(advanced->Left(), 0);
  EXPECT_LT(advanced->Left() + advanced->Width(), pages->Width());

  general->SetCaption("&Basics");
  EXPECT_EQ(TabText(pages, 0), "&Basics");
  hidden->SetTabVisible(true);
  EXPECT_EQ(SendMessageA(pages->Handle(), TCM_GETITEMCOUNT, 0, 0), 3);
  EXPECT_EQ(TabText(pages, 2), "Hidden");
  EXPECT_EQ(SendMessageA(pages->Handle(), TCM_GETCURSEL, 0, 0), 1);
}

// Flat buttons of 1 x 1 pixels in place of tabs: the pages fill nearly all of
// the control, and the tabs and the active page outlive the new window.
TEST_F(StdCtrlsTest, PageControlTakesButtonStylesAndAFixedTabSize) {
  auto* pages = Form->Find<TPageControl>("Pages");
  auto* advanced = Form->Find<TTabSheet>("AdvancedSheet");
  pages->HandleNeeded();
  const Integer tabbedTop = advanced->Top();
  pages->SetStyle(tsFlatButtons);
  pages->SetTabWidth(1);
  pages->SetTabHeight(1);
  const LONG_PTR style = GetWindowLongPtrW(pages->Handle(), GWL_STYLE);
  EXPECT_EQ(TCS_BUTTONS | TCS_FLATBUTTONS | TCS_FIXEDWIDTH,
            style & (TCS_BUTTONS | TCS_FLATBUTTONS | TCS_FIXEDWIDTH));
  RECT tab{};
  SendMessageA(pages->Handle(), TCM_GETITEMRECT, 0, reinterpret_cast<LPARAM>(&tab));
  EXPECT_EQ(1, tab.right - tab.left);
  EXPECT_EQ(1, tab.bottom - tab.top);
  EXPECT_LT(advanced->Top(), tabbedTop);
  EXPECT_EQ(SendMessageA(pages->Handle(), TCM_GETITEMCOUNT, 0, 0), 2);
  EXPECT_EQ(SendMessageA(pages->Handle(), TCM_GETCURSEL, 0, 0), 1);
  EXPECT_EQ(pages->ActivePage(), advanced);

  pages->SetStyle(tsTabs);
  pages->SetTabWidth(0);
  EXPECT_EQ(0, GetWindowLongPtrW(pages->Handle(), GWL_STYLE) &
                   (TCS_BUTTONS | TCS_FLATBUTTONS | TCS_FIXEDWIDTH));
}

TEST_F(StdCtrlsTest, PageControlSwitchesPages) {
  auto* pages = Form->Find<TPageControl>("Pages");
  auto* general = Form->Find<TTabSheet>("GeneralSheet");
  auto* advanced = Form->Find<TTabSheet>("AdvancedSheet");
  pages->SetActivePage(general);
  EXPECT_EQ(SendMessageA(pages->Handle(), TCM_GETCURSEL, 0, 0), 0);
  EXPECT_TRUE(general->Visible());
  EXPECT_FALSE(advanced->Visible());
  EXPECT_EQ(Form->PageChanges, 0);  // the program's own change is no event

  // TCM_SETCURSEL alone moves the tab; the selection notification the page.
  SendMessageA(pages->Handle(), TCM_SETCURSEL, 1, 0);
  EXPECT_EQ(pages->TabIndex(), 1);
  EXPECT_EQ(pages->ActivePage(), general);
  SendMessageA(pages->Handle(), TCM_SETCURSEL, 0, 0);
  ClickTab(pages, 1);
  EXPECT_EQ(pages->ActivePage(), advanced);
  EXPECT_EQ(Form->PageChanges, 1);

  pages->OnChanging =
      TPageControl::TTabChangingEvent::Bind<&TStdCtrlsForm::PagesChanging>(Form.get());
  Form->AllowPageChange = false;
  ClickTab(pages, 0);
  EXPECT_EQ(pages->ActivePage(), advanced);
  EXPECT_EQ(pages->TabIndex(), 1);
  EXPECT_EQ(Form->PageChanges, 1);
  Form->AllowPageChange = true;

  Form->Show();
  EXPECT_EQ(Form->Perform(CM_DIALOGCHAR, 'g', 0), 1);  // the tab's accelerator
  EXPECT_EQ(pages->ActivePage(), general);
  EXPECT_EQ(Form->PageChanges, 2);
  Form->Hide();

  delete general;  // the next page takes over
  EXPECT_EQ(pages->ActivePage(), advanced);
  EXPECT_TRUE(advanced->Visible());
  EXPECT_EQ(pages->PageCount(), 2);
  EXPECT_EQ(SendMessageA(pages->Handle(), TCM_GETITEMCOUNT, 0, 0), 1);
  EXPECT_EQ(SendMessageA(pages->Handle(), TCM_GETCURSEL, 0, 0), 0);
}

TEST_F(StdCtrlsTest, ProgressBarPositionIsTheWindows) {
  auto* progress = Form->Find<TProgressBar>("Progress");
  EXPECT_EQ(progress->Max(), 200);
  EXPECT_EQ(progress->Position(), 40);
  EXPECT_EQ(SendMessageA(progress->Handle(), PBM_GETPOS, 0, 0), 40);
  EXPECT_EQ(SendMessageA(progress->Handle(), PBM_GETRANGE, FALSE, 0), 200);
  progress->StepIt();
  EXPECT_EQ(progress->Position(), 50);
  progress->StepBy(-20);
  EXPECT_EQ(progress->Position(), 30);
  progress->SetPosition(250);  // the window keeps it in range
  EXPECT_EQ(progress->Position(), 200);
  progress->SetMin(10);
  progress->SetPosition(0);
  EXPECT_EQ(progress->Position(), 10);

  progress->SetPosition(77);
  progress->DestroyHandle();
  EXPECT_EQ(progress->Position(), 77);
  EXPECT_EQ(SendMessageA(progress->Handle(), PBM_GETPOS, 0, 0), 77);
}

AnsiString PartText(TStatusBar* Bar, int Part) {
  char text[64] = {};
  SendMessageA(Bar->Handle(), SB_GETTEXTA, static_cast<WPARAM>(Part),
               reinterpret_cast<LPARAM>(text));
  return text;
}

TEST_F(StdCtrlsTest, StatusBarShowsPanelsOrSimpleText) {
  auto* bar = Form->Find<TStatusBar>("Status");
  ASSERT_EQ(bar->Panels()->Count(), 2);
  EXPECT_EQ(bar->Panels()->Items(1)->Alignment(), taCenter);
  EXPECT_EQ(bar->SimpleText(), "Simple");
  EXPECT_EQ(bar->Align(), alBottom);

  int edges[4] = {};
  ASSERT_EQ(SendMessageA(bar->Handle(), SB_GETPARTS, 4, reinterpret_cast<LPARAM>(edges)), 2);
  EXPECT_EQ(edges[0], 100);
  EXPECT_EQ(edges[1], -1);
  EXPECT_EQ(PartText(bar, 0), "Left");
  EXPECT_EQ(PartText(bar, 1), "\tMiddle");  // centred
  EXPECT_EQ(bar->Top() + bar->Height(), Form->ClientHeight());

  bar->Panels()->Items(0)->SetText("Changed");
  EXPECT_EQ(PartText(bar, 0), "Changed");
  bar->Panels()->Items(0)->SetAlignment(taRightJustify);
  EXPECT_EQ(PartText(bar, 0), "\t\tChanged");
  bar->Panels()->Add()->SetText("Third");
  EXPECT_EQ(SendMessageA(bar->Handle(), SB_GETPARTS, 4, reinterpret_cast<LPARAM>(edges)), 3);
  EXPECT_EQ(edges[1], 180);
  EXPECT_EQ(PartText(bar, 2), "Third");

  bar->SetSimplePanel(true);
  EXPECT_TRUE(SendMessageA(bar->Handle(), SB_ISSIMPLE, 0, 0));
  bar->SetSimpleText("Working");
  EXPECT_EQ(bar->SimpleText(), "Working");
  bar->SetSimplePanel(false);
  EXPECT_FALSE(SendMessageA(bar->Handle(), SB_ISSIMPLE, 0, 0));
  EXPECT_EQ(PartText(bar, 2), "Third");
}

}  // namespace
