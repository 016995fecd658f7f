// The settings dialog read from its description: what it opens with, the
// keyword that reveals the web-update page, the default buttons, Apply with
// wide texts, the rate check under another locale, the saved statistics text
// and the figures of the masked edits. (The web update: SaverSettingsE2ETest.)
#include <gtest/gtest.h>

#include <cwchar>
#include <functional>
#include <memory>

#include "AboutBx.h"
#include "CheckWinInetAndAdo.h"
#include "ForeignMessages.h"
#include "Maincontrol.h"
#include "QevClasses.h"
#include "QevSysUtils.h"
#include "Registry.h"
#include "Scoped.h"
#include "TestSupport.h"
#include "UpdateMsgFrm.h"
#include "defaults.h"

namespace {

const WideString Cyrillic = L"\u041F\u0440\u0438\u0432\u0435\u0442, \u043C\u0438\u0440 \u4E2D";

// Closes every modal form the dialog opens, once it waits for input, after
// handing it to Look.
class TModalCloser {
 public:
  explicit TModalCloser(std::function<void(TCustomForm*)> Look) : Look_(std::move(Look)) {
    Application->OnIdle = TIdleEvent::Bind<&TModalCloser::Idle>(this);
  }
  ~TModalCloser() { Application->OnIdle = nullptr; }
  int Closed = 0;

 private:
  void Idle(TObject*, bool&) {
    for (Integer i = 0; i < Screen->FormCount(); ++i) {
      TCustomForm* form = Screen->Forms(i);
      if (!form->FormState().Contains(fsModal) || !form->IsShowing()) continue;
      Look_(form);
      ++Closed;
      form->SetModalResult(mrOk);
      PostMessageW(form->Handle(), WM_NULL, 0, 0);  // the modal loop looks again
      return;
    }
  }
  std::function<void(TCustomForm*)> Look_;
};

class MaincontrolTest : public testing::Test {
 protected:
  static void SetUpTestSuite() {
    Initialization_AboutBx();
    Initialization_UpdateMsgFrm();
    Initialization_Maincontrol();
  }
  static void TearDownTestSuite() {
    Finalization_Maincontrol();
    Finalization_UpdateMsgFrm();
    Finalization_AboutBx();
  }
  void SetUp() override {
    Initialization_defaults();  // from the scratch key: the built-in values
    TypedKeys.clear();
  }
  void TearDown() override {
    Form_.reset();
    Finalization_defaults();
    TRegistry().DeleteKey("\\" + SettingsKey);
    AutoWebUpdate = DisplayImages = AnimateDisplay = AllowMsgUpdate = true;
  }

  TControlForm* MakeForm() {
    Form_.reset(NewForm<TControlForm>(Application));
    Form_->Show();
    return Form_.get();
  }
  // Characters as the keyboard hands them to the control with the focus.
  static void Type(TWinControl* Control, const char* Text) {
    for (const char* c = Text; *c; ++c) PostMessageW(Control->Handle(), WM_CHAR, WPARAM(*c), 1);
    for (MSG msg; PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE);) DispatchMessageW(&msg);
  }

  TRestore<AnsiString> Key_{
      SettingsKey, "Software\\QevTests\\Settings" + IntToStr(Integer(GetCurrentProcessId()))};
  TRestore<TFormatSettings> Format_{FormatSettings};
  TRestore<TNeededComp> WinInet_{NeededComps[0]};
  TRestore<TOpenFileNameFuncW> SaveProc_{GetSaveFileNameProcW};
  std::unique_ptr<TControlForm> Form_;
};

TEST_F(MaincontrolTest, OpensOnTheViewersPageWithTheStoredStateAndWithoutWinInetOffersNoWeb) {
  StatValues[siScreenSaverMsg] = Cyrillic;
  AnimateDisplay = false;
  const WideString title = QevApplication->GetTitle();
  QevApplication->SetTitle(L"Saver \u0436");
  TControlForm* form = MakeForm();
  QevApplication->SetTitle(title);
  EXPECT_EQ(L"Saver \u0436 Properties", form->Caption());
  EXPECT_EQ(form->VintraPage(), form->PageControl1()->ActivePage());
  for (TStatIndex i = 0; i < StatCount; ++i) EXPECT_EQ(StatValues[i], form->StatText(i)) << i;
  EXPECT_FALSE(form->AnimateDisplayBox()->Checked());
  EXPECT_TRUE(form->WebUpdateBtn()->Enabled());

  NeededComps[0].InstalledVersion = 0;
  form->FormCreate(form);
  EXPECT_FALSE(form->AutoCheckBox()->Enabled());
  EXPECT_FALSE(form->WebUpdateBtn()->Enabled());
  EXPECT_TRUE(form->WebUpdateBtn()->ShowHint());
  EXPECT_EQ(LoadResString(SNoWinInet), form->AutoCheckBox()->Hint());
}

TEST_F(MaincontrolTest, KeywordRevealsTheWebUpdatePageAlsoTypedInsideAnEditAndKeepsIt) {
  TControlForm* form = MakeForm();
  form->PageControl1()->SetActivePage(form->MessagePage());
  TQevEdit* edit = form->ScreenSaverMsg();
  edit->SetText(WideString());
  edit->SetFocus();
  Type(edit, "PLINKAVOR");  // the keyword is case-sensitive
  EXPECT_FALSE(form->WebUpdateSheet()->TabVisible());
  Type(edit, "xplinkavor");
  EXPECT_TRUE(form->WebUpdateSheet()->TabVisible());
  EXPECT_EQ(form->WebUpdateSheet(), form->PageControl1()->ActivePage());
  EXPECT_EQ(4, form->PageControl1()->Tabs()->Count());
  EXPECT_EQ(L"PLINKAVORxplinkavor", edit->Text());  // the keys still reach the edit

  form->PageControl1()->SetActivePage(form->MessagePage());
  edit->SetFocus();
  Type(edit, "plinkavor");
  EXPECT_TRUE(form->WebUpdateSheet()->TabVisible());
  EXPECT_EQ(form->WebUpdateSheet(), form->PageControl1()->ActivePage());
}

// The shell would run a program or open a file named there.
TEST_F(MaincontrolTest, BrowserButtonsRefuseTextsThatAreNoWebAddress) {
  TControlForm* form = MakeForm();
  form->UpdateWeb()->SetText(L"C:\\no such \u0436.exe");
  form->WebUpdateSrcEdit()->SetText(L"\"C:\\no such.exe\" http://host.example/");
  ExpectRaises<EQevGeneralError>([&] { form->SpeedButton1Click(nullptr); },
                                 L"\"C:\\no such \u0436.exe\" is not a web address.");
  ExpectRaises<EQevGeneralError>(
      [&] { form->SpeedButton2Click(nullptr); },
      L"\"\"C:\\no such.exe\" http://host.example/\" is not a web address.");
}

TEST_F(MaincontrolTest, DefaultButtonsShowTheDefaultsOfTheirGroupOnlyUntilApplied) {
  const TStatArray values = StatValues;
  StatDefaults = {L"7,000,000,001", L"02/03/2004", L"1.5",   L"-0.01", L"4,000,000,002",
                  L"05/06/2007",    L"12.34",      Cyrillic, L"U",     L"http://u/",
                  L"http://u/w.txt"};
  TControlForm* form = MakeForm();
  struct TCase {
    void (TControlForm::*Click)(TObject*);
    TStatIndex First, Last;
  } cases[] = {{&TControlForm::WorldDefault, 0, 3},
               {&TControlForm::UrmDefault, 4, 6},
               {&TControlForm::BitBtn3Click, 7, 7},
               {&TControlForm::BitBtn6Click, 8, 10}};
  for (const TCase& c : cases) {
    form->FormCreate(form);
    (form->*c.Click)(form);
    for (TStatIndex i = 0; i < StatCount; ++i) {
      const bool restored = i >= c.First && i <= c.Last;
      EXPECT_EQ(restored ? StatDefaults[i] : values[i], form->StatText(i)) << c.First << ":" << i;
    }
  }
  EXPECT_EQ(values, StatValues);
}

TEST_F(MaincontrolTest, ApplyKeepsWideTextsAndOkAppliesWhileCancelDoesNot) {
  TControlForm* form = MakeForm();
  form->ScreenSaverMsg()->SetText(Cyrillic);
  form->DisplayImageBox()->SetChecked(false);
  form->Cancel(form);
  EXPECT_NE(Cyrillic, StatValues[siScreenSaverMsg]);
  EXPECT_TRUE(DisplayImages);

  form->Show();
  form->OK(form);
  EXPECT_EQ(Cyrillic, StatValues[siScreenSaverMsg]);
  EXPECT_FALSE(DisplayImages);
  EXPECT_TRUE(AutoWebUpdate);
  EXPECT_EQ(L"5.68", StatValues[siVintraGrowthPerSecond]);  // as the masked edit shows it
  EXPECT_FALSE(form->Visible());
}

TEST_F(MaincontrolTest, RateExitAcceptsExactlyWhatTheCountersReadUnderAnyLocale) {
  FormatSettings.DecimalSeparator = ',';
  TControlForm* form = MakeForm();
  WideString shown;
  TModalCloser closer(
      [&](TCustomForm* box) { shown = dynamic_cast<TQevMessageForm&>(*box).Message->Caption(); });
  for (const WideChar* good : {L"1.14", L"-0.0078", L"5"}) {
    form->RateA()->SetText(good);
    EXPECT_NO_THROW(form->RateAExit(form->RateA())) << good;
  }
  EXPECT_EQ(0, closer.Closed);
  form->RateDecay()->SetText(L"1,14");  // what the locale would take
  EXPECT_THROW(form->RateAExit(form->RateDecay()), EAbort);
  EXPECT_EQ(1, closer.Closed);
  EXPECT_EQ(L"Please type in a valid number.", shown);
  EXPECT_EQ(form->WorldPage(), form->PageControl1()->ActivePage());
  EXPECT_EQ(form->RateDecay(), form->ActiveControl());
}

// Stands in for the system's save dialog: the user picks SavePath.
std::wstring SavePath;
BOOL WINAPI PickSavePath(LPOPENFILENAMEW Record) {
  wcsncpy(Record->lpstrFile, SavePath.c_str(), Record->nMaxFile - 1);
  return TRUE;
}

TEST_F(MaincontrolTest, SaveWritesTheEditsAsElevenUtf16LinesWithAByteOrderMark) {
  TTempFolder temp;
  SavePath = temp.Path() + L"webstats \u0436.txt";
  GetSaveFileNameProcW = &PickSavePath;
  TControlForm* form = MakeForm();
  form->ScreenSaverMsg()->SetText(Cyrillic + L"\r\n2");  // a line break stays inside
  form->VintraPresentDate()->SetText("07/01/____");      // blanks stay as they show
  form->BitBtn2Click(form);

  TQevStringList read;
  read.LoadFromFile(SavePath);  // the byte-order mark tells UTF-16
  WideString expected;
  for (TStatIndex i = 0; i < StatCount; ++i)
    expected += StatNames[i] + L"=" +
                (i == siScreenSaverMsg ? Cyrillic + L"  2" : form->StatText(i)) + L"\r\n";
  EXPECT_EQ(expected, read.Text());
  EXPECT_EQ(L"07/01/____", read.Values(L"VintraPresentDate"));
}

// Every legal figure comes back from its masked edit as the same figure, by
// OK and by the saved text alike; one the mask cannot hold shows and stays as
// it is.
TEST_F(MaincontrolTest, MaskedEditsShowStoredFiguresInTheMasksShapeAndGiveTheSameFiguresBack) {
  const struct {
    TStatIndex Index;
    TMaskEdit* (TControlForm::*Edit)();
    const WideChar* Stored;
    AnsiString Shown;
    const WideChar* Kept;
  } cases[] = {
      {siWorldPresentPeople, &TControlForm::WorldPresentPeople, L"8100000000", "8,100,000,000",
       L"8,100,000,000"},
      {siVintraPresentPeople, &TControlForm::VintraPresentPeople, L"1,234", "0,000,001,234",
       L"1,234"},
      {siVintraPresentDate, &TControlForm::VintraPresentDate, L"7/1/2002", "07/01/2002",
       L"07/01/2002"},
      {siWorldPresentDate, &TControlForm::WorldPresentDate, L"12/5/2001", "12/05/2001",
       L"12/05/2001"},
      {siVintraGrowthPerSecond, &TControlForm::VintraGrowthEdit, L"5.7", "05.70", L"5.7"},
      {siVintraGrowthPerSecond, &TControlForm::VintraGrowthEdit, L"5.68", "05.68", L"5.68"},
      {siWorldPresentPeople, &TControlForm::WorldPresentPeople, L"12,345,678,901",
       "12,345,678,901", L"12,345,678,901"},
      {siVintraGrowthPerSecond, &TControlForm::VintraGrowthEdit, L"5.685", "5.685", L"5.685"},
  };
  auto value = [](TStatIndex Index, const WideString& Figure) -> double {
    if (Index == siWorldPresentDate || Index == siVintraPresentDate) return StatToDate(Figure);
    return static_cast<double>(StatToFloat(Index, Figure));
  };
  TTempFolder temp;
  SavePath = temp.Path() + L"webstats.txt";
  GetSaveFileNameProcW = &PickSavePath;
  const TStatArray builtIn = StatDefaults;
  for (const auto& c : cases) {
    EXPECT_EQ(value(c.Index, c.Stored), value(c.Index, c.Kept)) << c.Stored;
    StatDefaults = StatValues = builtIn;
    StatValues[c.Index] = c.Stored;
    TControlForm* form = MakeForm();
    EXPECT_EQ(c.Shown, (form->*c.Edit)()->EditText()) << c.Stored;
    form->BitBtn2Click(form);
    form->OK(form);
    EXPECT_EQ(c.Kept, StatValues[c.Index]) << c.Stored;

    StatDefaults = StatValues = builtIn;
    TQevMemoryStream saved;
    saved.LoadFromFile(SavePath);
    EXPECT_NO_THROW(ApplyWebStats(&saved)) << c.Stored;
    EXPECT_EQ(c.Kept, StatValues[c.Index]) << c.Stored;
  }
}

// Another program's messages with bogus pointers in place of the program's
// own records: nothing reads them, nothing is reported, the dialog closes.
TEST_F(MaincontrolTest, ForeignMessagesWithPointersAreIgnoredAndTheDialogStillCloses) {
  TControlForm* form = MakeForm();
  TForeignSender sender;
  sender.Attack(form);
  EXPECT_EQ(std::vector<WideString>{}, sender.Faults);
  EXPECT_TRUE(sender.ZerosUntouched());
  form->Close();
  EXPECT_FALSE(form->Visible());
}

}  // namespace
