// Common controls with wide texts: tab captions, hot keys, status bar panels
// and hints, Unicode windows and the form-file round trip.
#include <memory>
#include <vector>

#include "Forms.h"
#include "QevComCtrls.h"
#include "QevForms.h"
#include "QevStdActns.h"
#include "QevTestSupport.h"

#include <commctrl.h>

namespace {

const WideString Beetle = L"\x0416\x0443\x043A";       // not in code page 1252
const WideString HotBeetle = L"&\x0416\x0443\x043A";
const WideString Home = L"\x0414\x043E\x043C";         // "???" like Beetle
const WideString House = L"\x0414\x043E\x043C \x4E2D";

// Counts the 8-bit tab texts that reach the tab control's window class.
class TRecordingPageControl : public TQevPageControl {
 public:
  using TQevPageControl::TQevPageControl;
  int AnsiTexts = 0;
  void DefaultHandler(TMessage& Message) override {
    if ((Message.Msg == TCM_INSERTITEMA || Message.Msg == TCM_SETITEMA) &&
        (reinterpret_cast<const TCITEMA*>(Message.LParam)->mask & TCIF_TEXT))
      ++AnsiTexts;
    TQevPageControl::DefaultHandler(Message);
  }
};

struct TBarEvents {
  int Hints = 0;
  std::vector<TStatusPanel*> Drawn;
  void Hinted(TObject*) { ++Hints; }
  void DrawPanel(TCustomStatusBar*, TStatusPanel* Panel, const TRect&) { Drawn.push_back(Panel); }
};

WideString TabTextW(TPageControl* Pages, int Index) {
  wchar_t text[64] = {};
  TCITEMW item{};
  item.mask = TCIF_TEXT;
  item.pszText = text;
  item.cchTextMax = 64;
  SendMessageW(Pages->Handle(), TCM_GETITEMW, static_cast<WPARAM>(Index),
               reinterpret_cast<LPARAM>(&item));
  return text;
}

WideString PartTextW(TCustomStatusBar* Bar, int Part) {
  wchar_t text[128] = {};
  SendMessageW(Bar->Handle(), SB_GETTEXTW, static_cast<WPARAM>(Part),
               reinterpret_cast<LPARAM>(text));
  return text;
}

class QevComCtrlsTest : public testing::Test {
 protected:
  void SetUp() override {
    form = std::make_unique<TForm>(nullptr);
    form->SetBounds(0, 0, 400, 300);
  }
  void TearDown() override {
    form->Hide();
    form->BeforeDestruction();
  }
  // Pages "&Alpha", HotBeetle, a hidden one and a platform sheet.
  TRecordingPageControl* MakePages() {
    auto* pages = new TRecordingPageControl(form.get());
    pages->SetParent(form.get());
    for (const WideString& caption : {WideString(L"&Alpha"), HotBeetle, L"&" + Home}) {
      sheets.push_back(new TQevTabSheet(form.get()));
      sheets.back()->SetCaption(caption);
      sheets.back()->SetPageControl(pages);
    }
    sheets[2]->SetTabVisible(false);
    plain = new TTabSheet(form.get());
    plain->SetCaption("&Plain");
    plain->SetPageControl(pages);
    pages->SetActivePage(sheets[0]);
    return pages;
  }
  TQevStatusBar* MakeBar(int PanelCount) {
    auto* bar = new TQevStatusBar(form.get());
    bar->SetParent(form.get());
    for (int i = 0; i < PanelCount; ++i) bar->Panels()->Add()->SetWidth(80);
    return bar;
  }
  std::unique_ptr<TForm> form;
  std::vector<TQevTabSheet*> sheets;
  TTabSheet* plain = nullptr;
};

// ------------------------------------------------------------ page control

TEST_F(QevComCtrlsTest, TabCaptionsReachTheWindowWideAndOnlyWide) {
  TRecordingPageControl* pages = MakePages();
  EXPECT_NE(SendMessageW(pages->Handle(), CCM_GETUNICODEFORMAT, 0, 0), 0);
  ASSERT_EQ(SendMessageW(pages->Handle(), TCM_GETITEMCOUNT, 0, 0), 3);
  EXPECT_EQ(TabTextW(pages, 0), L"&Alpha");
  EXPECT_EQ(TabTextW(pages, 1), HotBeetle);
  EXPECT_EQ(TabTextW(pages, 2), L"&Plain");  // a platform sheet: its 8-bit caption
  sheets[0]->SetCaption(House);
  EXPECT_EQ(TabTextW(pages, 0), House);
  EXPECT_EQ(sheets[0]->Caption(), House);
  sheets[2]->SetTabVisible(true);
  EXPECT_EQ(TabTextW(pages, 2), L"&" + Home);
  EXPECT_EQ(pages->AnsiTexts, 0);
}

TEST_F(QevComCtrlsTest, ForeignTabItemsAreHarmlessAndStayUntouched) {
  TRecordingPageControl* pages = MakePages();
  HWND wnd = pages->Handle();
  int notAPage = 0;
  char foreign[] = "Foreign";
  TCITEMA item{};
  item.mask = TCIF_TEXT | TCIF_PARAM;
  item.pszText = foreign;
  item.lParam = reinterpret_cast<LPARAM>(&notAPage);
  SendMessageA(wnd, TCM_SETITEMA, 0, reinterpret_cast<LPARAM>(&item));
  EXPECT_EQ(item.mask, static_cast<UINT>(TCIF_TEXT | TCIF_PARAM));
  EXPECT_EQ(item.pszText, foreign);
  EXPECT_EQ(TabTextW(pages, 0), L"&Alpha");  // no sheet, so no text

  item.mask = TCIF_TEXT;  // out of range
  EXPECT_EQ(SendMessageA(wnd, TCM_SETITEMA, 99, reinterpret_cast<LPARAM>(&item)), 0);

  // An inserted tab gets its text only from its sheet; the caller's record stays.
  item.mask = TCIF_TEXT;
  EXPECT_EQ(SendMessageA(wnd, TCM_INSERTITEMA, 3, reinterpret_cast<LPARAM>(&item)), 3);
  EXPECT_EQ(item.mask, static_cast<UINT>(TCIF_TEXT));
  EXPECT_EQ(item.pszText, foreign);
  EXPECT_EQ(TabTextW(pages, 3), L"");
}

TEST_F(QevComCtrlsTest, WideHotKeySelectsItsTab) {
  TRecordingPageControl* pages = MakePages();
  form->Show();
  EXPECT_EQ(form->Perform(CM_DIALOGCHAR, 0x0436, 0), 1);  // lower-case zhe
  EXPECT_EQ(pages->ActivePage(), sheets[1]);
  EXPECT_EQ(pages->TabIndex(), 1);
  EXPECT_EQ(form->Perform(CM_DIALOGCHAR, 'p', 0), 1);
  EXPECT_EQ(pages->ActivePage(), plain);
  // A hidden tab's hot key selects nothing.
  EXPECT_EQ(form->Perform(CM_DIALOGCHAR, 0x0434, 0), 0);
  EXPECT_EQ(pages->ActivePage(), plain);
}

TEST_F(QevComCtrlsTest, SheetCaptionWithoutWindow) {
  TQevTabSheet sheet(nullptr);
  sheet.SetCaption(Beetle);
  EXPECT_EQ(sheet.Caption(), Beetle);
  EXPECT_EQ(sheet.TTabSheet::Caption(), "???");
  sheet.SetCaption(Home);  // the same 8-bit form
  EXPECT_EQ(sheet.Caption(), Home);
  sheet.TTabSheet::SetCaption("Plain");  // the platform's 8-bit caption wins
  EXPECT_EQ(sheet.Caption(), L"Plain");
  EXPECT_EQ(sheet.TTabSheet::Caption(), "Plain");
}

// A form docked into a page control gets a sheet of its own: captioned as the
// form, shown and active when the form is visible, the form filling it; the
// form's later captions reach the tab up to their first line break, wide
// through the form's Unicode window, 8-bit without window.
TEST_F(QevComCtrlsTest, DockedFormGetsASheetThatFollowsItsCaption) {
  auto* pages = new TQevPageControl(form.get());
  pages->SetParent(form.get());
  pages->SetAlign(alClient);
  form->Show();
  struct {
    WideString Caption;
    bool Visible;
    WideString Later, Shown;
  } const cases[] = {
      {House, true, Beetle + L"\r\nsecond line", Beetle},
      {L"Hidden", false, L"Plain\nsecond line", L"Plain"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Visible);
    auto* docked = new TQevForm(form.get());
    docked->SetCaption(c.Caption);
    docked->SetVisible(c.Visible);
    ASSERT_TRUE(docked->ManualDock(pages));
    auto* sheet = dynamic_cast<TQevTabSheet*>(docked->Parent());
    ASSERT_TRUE(sheet);
    EXPECT_EQ(docked->HostDockSite(), pages);
    EXPECT_EQ(sheet->Owner(), pages);
    EXPECT_EQ(sheet->PageControl(), pages);
    EXPECT_EQ(sheet->Caption(), c.Caption);
    EXPECT_EQ(sheet->TabVisible(), c.Visible);
    EXPECT_EQ(pages->ActivePage() == sheet, c.Visible);
    EXPECT_EQ(docked->Align(), alClient);
    docked->SetCaption(c.Later);
    EXPECT_EQ(sheet->Caption(), c.Shown);
    if (!c.Visible) continue;
    EXPECT_EQ(GetParent(docked->WindowHandle()), sheet->WindowHandle());
    const TRect bounds = docked->BoundsRect(), client = sheet->ClientRect();
    EXPECT_TRUE(EqualRect(&bounds, &client));
    EXPECT_EQ(TabTextW(pages, sheet->TabIndex()), c.Shown);
  }
  // A form docked into its own page control would be its own parent.
  const Integer pageCount = pages->PageCount(), owned = pages->ComponentCount();
  EXPECT_THROW(form->ManualDock(pages), EInvalidOperation);
  EXPECT_EQ(pages->PageCount(), pageCount);
  EXPECT_EQ(pages->ComponentCount(), owned);
  EXPECT_EQ(form->HostDockSite(), nullptr);
}

// -------------------------------------------------------------- status bar

TEST(QevComCtrlsTabs, LeadingTabsFollowTheAnsiText) {
  EXPECT_EQ(CountLeadingTabs(WideString(L"\t\tx\t")), 2);
  EXPECT_EQ(CountLeadingTabs(AnsiString("\t\t")), 2);
  EXPECT_EQ(MatchLeadingTabs(L"\t\t\x0416", "\t?"), L"\t\x0416");
  EXPECT_EQ(MatchLeadingTabs(L"\x0416", "\t\t?"), L"\t\t\x0416");
  EXPECT_EQ(MatchLeadingTabs(L"\t\x0416\t", "?\t"), L"\x0416\t");
  EXPECT_EQ(MatchLeadingTabs(L"", "\t"), L"\t");
}

TEST_F(QevComCtrlsTest, PanelTextsReachTheWindowWideWithTheirAlignment) {
  TQevStatusBar* bar = MakeBar(3);
  bar->Panels()->Items(0)->SetText(Beetle);
  bar->Panels()->Items(1)->SetText(L"\t\t" + House);  // tabs of its own
  bar->Panels()->Items(1)->SetAlignment(taCenter);
  bar->Panels()->Items(2)->SetText(Beetle);
  bar->Panels()->Items(2)->SetAlignment(taRightJustify);
  EXPECT_TRUE(IsWindowUnicode(bar->Handle()));
  EXPECT_EQ(PartTextW(bar, 0), Beetle);
  EXPECT_EQ(PartTextW(bar, 1), L"\t\t\t" + House);  // one tab more for the centre
  EXPECT_EQ(PartTextW(bar, 2), L"\t\t" + Beetle);
  bar->Panels()->Items(1)->SetText(House);
  EXPECT_EQ(PartTextW(bar, 1), L"\t" + House);
  EXPECT_EQ(bar->Panels()->Items(1)->Text(), House);

  // A part without panel keeps the 8-bit text it was sent.
  int edges[] = {50, 100, 150, 200, -1};
  SendMessageA(bar->Handle(), SB_SETPARTS, 5, reinterpret_cast<LPARAM>(edges));
  SendMessageA(bar->Handle(), SB_SETTEXTA, 4, reinterpret_cast<LPARAM>("\tExtra"));
  EXPECT_EQ(PartTextW(bar, 4), L"\tExtra");

  // The platform copies panels; the wide text goes with them.
  TQevStatusBar copy(nullptr);
  copy.SetPanels(bar->Panels());
  EXPECT_EQ(copy.Panels()->Items(1)->Text(), House);
}

TEST_F(QevComCtrlsTest, SimpleTextIsWide) {
  TQevStatusBar* bar = MakeBar(0);
  bar->SetSimplePanel(true);
  bar->SetSimpleText(Beetle);
  EXPECT_EQ(bar->SimpleText(), Beetle);
  EXPECT_EQ(PartTextW(bar, 0), Beetle);  // a simple bar reads back as part 0
  bar->SetSimpleText(Home);  // the same 8-bit form
  EXPECT_EQ(PartTextW(bar, 0), Home);
  bar->TCustomStatusBar::SetSimpleText("\tPlain");
  EXPECT_EQ(bar->SimpleText(), L"\tPlain");
}

TEST_F(QevComCtrlsTest, AutoHintShowsWideHints) {
  TQevHintAction hint(nullptr);
  hint.SetHint(House);
  TQevStatusBar* bar = MakeBar(2);
  bar->SetSimpleText(L"Simple");
  EXPECT_FALSE(bar->ExecuteAction(&hint));  // AutoHint off
  bar->SetAutoHint(true);
  EXPECT_TRUE(bar->ExecuteAction(&hint));
  EXPECT_EQ(bar->Panels()->Items(0)->Text(), House);
  EXPECT_EQ(PartTextW(bar, 0), House);
  EXPECT_EQ(bar->SimpleText(), L"Simple");

  bar->SetSimplePanel(true);
  hint.SetHint(Beetle);
  EXPECT_TRUE(bar->ExecuteAction(&hint));
  EXPECT_EQ(bar->SimpleText(), Beetle);
  EXPECT_EQ(bar->Panels()->Items(0)->Text(), House);

  TQevStatusBar* empty = MakeBar(0);
  empty->SetAutoHint(true);
  EXPECT_TRUE(empty->ExecuteAction(&hint));
  EXPECT_EQ(empty->SimpleText(), Beetle);

  // OnHint takes the hint, and is asked once.
  TBarEvents events;
  empty->OnHint = TNotifyEvent::Bind<&TBarEvents::Hinted>(&events);
  hint.SetHint(L"Other");
  EXPECT_FALSE(empty->ExecuteAction(&hint));
  EXPECT_EQ(events.Hints, 1);
  EXPECT_EQ(empty->SimpleText(), Beetle);
}

TEST_F(QevComCtrlsTest, OwnerDrawnPanelIsDrawnByTheEvent) {
  TQevStatusBar* bar = MakeBar(2);
  TBarEvents events;
  bar->OnDrawPanel = TCustomStatusBar::TDrawPanelEvent::Bind<&TBarEvents::DrawPanel>(&events);
  bar->Panels()->Items(1)->SetStyle(psOwnerDraw);
  form->Show();
  RedrawWindow(bar->Handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
  ASSERT_FALSE(events.Drawn.empty());
  for (TStatusPanel* panel : events.Drawn) EXPECT_EQ(panel, bar->Panels()->Items(1));
}

// ------------------------------------------------------------ form files

AnsiString FormText(TComponent* Root) {
  TMemoryStream binary;
  binary.WriteComponent(Root);
  binary.SetPosition(0);
  TStringStream text;
  ObjectBinaryToText(&binary, &text);
  return text.DataString();
}

void ReadFormText(TComponent* Root, const AnsiString& Text) {
  TStringStream input(Text);
  TMemoryStream binary;
  ObjectTextToBinary(&input, &binary);
  binary.SetPosition(0);
  binary.ReadComponent(Root);
}

TEST_F(QevComCtrlsTest, FormFileRoundTripKeepsWideTexts) {
  TRecordingPageControl* pages = MakePages();
  pages->SetName("Pages");
  sheets[1]->SetName("BeetleSheet");
  sheets[1]->SetHint(House);
  TQevStatusBar* bar = MakeBar(2);
  bar->SetName("Status");
  bar->Panels()->Items(1)->SetText(House);
  bar->SetSimpleText(Beetle);
  auto* progress = new TQevProgressBar(form.get());
  progress->SetName("Progress");
  progress->SetParent(form.get());
  progress->SetHint(Beetle);
  progress->SetPosition(30);
  EXPECT_TRUE(IsWindowUnicode(progress->Handle()));
  EXPECT_EQ(SendMessageW(progress->Handle(), PBM_GETPOS, 0, 0), 30);

  AnsiString text = FormText(form.get());
  for (const char* entry : {"object Pages: TQevPageControl", "BeetleSheet: TQevTabSheet",
                            "Caption_UTF7", "Hint_UTF7", "SimpleText_UTF7", "Text_UTF7"})
    EXPECT_NE(text.find(entry), AnsiString::npos) << entry << "\n" << text;

  bool savedApply = ApplyWideFormPropertiesAtRunTime;
  ApplyWideFormPropertiesAtRunTime = true;
  TForm read(nullptr);
  ReadFormText(&read, text);
  ApplyWideFormPropertiesAtRunTime = savedApply;

  auto* beetle = dynamic_cast<TQevTabSheet*>(read.FindComponent("BeetleSheet"));
  auto* readPages = dynamic_cast<TQevPageControl*>(read.FindComponent("Pages"));
  auto* readBar = dynamic_cast<TQevStatusBar*>(read.FindComponent("Status"));
  auto* readProgress = dynamic_cast<TQevProgressBar*>(read.FindComponent("Progress"));
  ASSERT_TRUE(beetle && readPages && readBar && readProgress);
  EXPECT_EQ(beetle->Caption(), HotBeetle);
  EXPECT_EQ(beetle->Hint(), House);
  EXPECT_EQ(beetle->PageControl(), readPages);
  ASSERT_EQ(readBar->Panels()->Count(), 2);
  EXPECT_EQ(readBar->Panels()->Items(1)->Text(), House);
  EXPECT_EQ(readBar->SimpleText(), Beetle);
  EXPECT_EQ(readProgress->Hint(), Beetle);
  EXPECT_EQ(TabTextW(readPages, 1), HotBeetle);
  read.BeforeDestruction();
}

}  // namespace
