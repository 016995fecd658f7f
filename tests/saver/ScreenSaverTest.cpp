// The saver's main form read from its description: the counters at a fixed
// clock, the statistics refresh, the panel's bounce, the scene cycle, fitting
// to a low form, the saver-start rules of the options and the preview as it
// shows on the screen.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <memory>
#include <string>

#include "Classes.h"
#include "QevLXForms.h"
#include "QevLXFetchUrl.h"
#include "QevGraphics.h"
#include "QevStdCtrls.h"
#include "Registry.h"
#include "ScreenSaver.h"
#include "ScreenShot.h"
#include "defaults.h"

namespace {

// 2024-07-01 12:00 as a TDateTime; the reference dates of the built-in
// statistics are 2001-01-01 (36892) and 2002-07-01 (37438).
constexpr double FixedNow = 45474.5;
TDateTime Clock = FixedNow;
TDateTime FixedClock() { return Clock; }

// UTC with summer time; which of the two is in force is the test's choice.
DWORD ZoneInForce = TIME_ZONE_ID_STANDARD;
DWORD WINAPI FixedZone(LPTIME_ZONE_INFORMATION Zone) {
  *Zone = TIME_ZONE_INFORMATION{};
  Zone->DaylightBias = -60;
  return ZoneInForce;
}

class ScreenSaverTest : public testing::Test {
 protected:
  // The program's own units around the form.
  static void SetUpTestSuite() {
    Initialization_DigitPanel();
    Initialization_CustomMMScrsv();
    Initialization_ScreenSaver();
  }
  static void TearDownTestSuite() {
    Finalization_ScreenSaver();
    Finalization_CustomMMScrsv();
    Finalization_DigitPanel();
    KeepApplicationWindowHidden = false;
  }
  void SetUp() override {
    SettingsKey = "Software\\QevTests\\MainForm" + std::to_string(GetCurrentProcessId());
    Initialization_defaults();
    Clock = FixedNow;
    SaverClock = &FixedClock;
    ZoneInForce = TIME_ZONE_ID_STANDARD;
    SaverTimeZoneFunc = &FixedZone;
    ScreenSaverMode = smTest;
  }
  void TearDown() override {
    Form_.reset();
    if (Host_) DestroyWindow(Host_);
    Finalization_defaults();
    TRegistry().DeleteKey("\\" + SettingsKey);
    SettingsKey = SavedKey_;
    FormatSettings = SavedFormat_;
    AutoWebUpdate = DisplayImages = AnimateDisplay = AllowMsgUpdate = true;
    SaverClock = &Now;
    SaverTimeZoneFunc = &GetTimeZoneInformation;
    ScreenSaverMode = smConfigure;
    SaverParentWindow = nullptr;
    Application->OnMessage = nullptr;
  }

  TMainForm* MakeForm() {
    Form_.reset(NewForm<TMainForm>(nullptr));
    return Form_.get();
  }
  // The preview host of the display settings: a 152 x 112 window.
  TMainForm* MakePreviewForm() {
    Host_ = CreateWindowExA(0, "STATIC", "", WS_POPUP, 10, 10, 152, 112, nullptr, nullptr,
                            GetModuleHandleA(nullptr), nullptr);
    ScreenSaverMode = smPreview;
    SaverParentWindow = Host_;
    return MakeForm();
  }
  static std::unique_ptr<TMemoryStream> Text(const std::string& Lines) {
    auto stream = std::make_unique<TMemoryStream>();
    stream->Write(Lines.data(), static_cast<Integer>(Lines.size()));
    return stream;
  }

  std::unique_ptr<TMainForm> Form_;
  HWND Host_ = nullptr;

 private:
  const AnsiString SavedKey_ = SettingsKey;
  const TFormatSettings SavedFormat_ = FormatSettings;
};

std::wstring Whole(double Value) { return std::to_wstring(static_cast<long long>(Value)); }

// ------------------------------------------------------------- counters

TEST_F(ScreenSaverTest, CountersShowTheBuiltInStatisticsAtTheClock) {
  TMainForm* form = MakeForm();
  form->CountTimerTimer(form);

  const double t = FixedNow + form->UtcOffset;
  const double rate = 1.28674165457186 + (FixedNow - 36892) / 365.25 * -0.00782195489561269;
  const double world = 6119036535.0 * std::exp((t - 36892) * rate / 100 / 365.25);
  EXPECT_EQ(Whole(world), form->WorldCount()->Caption());
  const double viewings = 5164836643.0 + (t - 37438) * 86400 * 5.68;
  EXPECT_EQ(Whole(viewings), form->VintraCount()->Caption());

  // A second later the viewings have grown by 5.68, a year later the world by about 1.1 %.
  Clock = FixedNow + 1.0 / 86400;
  form->CountTimerTimer(form);
  const double perSecond = std::stod(form->VintraCount()->Caption()) - std::floor(viewings);
  EXPECT_GE(perSecond, 5);
  EXPECT_LE(perSecond, 6);
  Clock = FixedNow + 365.25;
  form->CountTimerTimer(form);
  EXPECT_NEAR(1.011, std::stod(form->WorldCount()->Caption()) / world, 0.002);
}

TEST_F(ScreenSaverTest, UtcOffsetAddsTheBiasInForceOnly) {
  TIME_ZONE_INFORMATION zone{};
  zone.Bias = 300;
  zone.StandardBias = 10;
  zone.DaylightBias = -60;
  EXPECT_DOUBLE_EQ(310.0 / 1440, UtcOffsetOf(TIME_ZONE_ID_STANDARD, zone));
  EXPECT_DOUBLE_EQ(310.0 / 1440, UtcOffsetOf(TIME_ZONE_ID_UNKNOWN, zone));
  EXPECT_DOUBLE_EQ(240.0 / 1440, UtcOffsetOf(TIME_ZONE_ID_DAYLIGHT, zone));
}

// Summer time begins or ends between two refreshes, whatever they fetched.
TEST_F(ScreenSaverTest, EveryRefreshRenewsTheUtcOffset) {
  constexpr double Summer = -60.0 / 1440;
  TMainForm* form = MakeForm();
  EXPECT_EQ(0, form->UtcOffset);
  ZoneInForce = TIME_ZONE_ID_DAYLIGHT;
  form->RefreshStatistics(nullptr);  // a failed fetch
  EXPECT_DOUBLE_EQ(Summer, form->UtcOffset);
  ZoneInForce = TIME_ZONE_ID_STANDARD;
  form->RefreshStatistics(Text("VintraGrowthPerSecond=1\r\n").get());  // incomplete
  EXPECT_EQ(0, form->UtcOffset);

  AutoWebUpdate = false;  // no fetch, so no refresh: the update timer renews it
  ZoneInForce = TIME_ZONE_ID_DAYLIGHT;
  form->WebUpdateTimer10MinTimer(form);
  EXPECT_DOUBLE_EQ(Summer, form->UtcOffset);
  form->CountTimerTimer(form);
  const double viewings = 5164836643.0 + (FixedNow + Summer - 37438) * 86400 * 5.68;
  EXPECT_EQ(Whole(viewings), form->VintraCount()->Caption());
}

TEST_F(ScreenSaverTest, UnreadableStatisticsLeaveOnlyTheirOwnCounterAlone) {
  TMainForm* form = MakeForm();
  const double people = form->WorldPeople, date = form->WorldDate, rate = form->WorldRate;
  StatValues[siWorldPresentPeople] = L"7,000,000,000";
  StatValues[siWorldPresentDate] = L"not a date";
  StatValues[siVintraGrowthPerSecond] = L"2";
  form->RefreshStatistics(nullptr);
  // Neither half-new nor stopping the other counter.
  EXPECT_EQ(people, form->WorldPeople);
  EXPECT_EQ(date, form->WorldDate);
  EXPECT_EQ(rate, form->WorldRate);
  EXPECT_DOUBLE_EQ(2.0 * 86400, form->ViewingsPerDay);
}

// As the settings dialog may set them.
TEST_F(ScreenSaverTest, CountersBeyondNumbersShowTheOverflowMark) {
  TMainForm* form = MakeForm();
  StatValues[siWorldPresentRate] = L"1e5";
  StatValues[siVintraGrowthPerSecond] = L"1e300";
  form->RefreshStatistics(nullptr);
  form->CountTimerTimer(form);
  for (TDigitPanel* counter : {form->WorldCount(), form->VintraCount()})
    for (Integer i = 1; i <= counter->MaxLength(); ++i)
      EXPECT_EQ(L"#", counter->DigitLabel(i)->Caption()) << i;
}

TEST_F(ScreenSaverTest, ADownloadTakesEffectAtOnceAndABadOneChangesNothing) {
  TMainForm* form = MakeForm();
  form->RefreshStatistics(Text("ScreenSaverMsg=Hello\r\nVintraGrowthPerSecond=1\r\n").get());
  form->RefreshStatistics(nullptr);  // a failed fetch
  EXPECT_NE(L"Hello", form->MsgLbl()->Caption());
  EXPECT_DOUBLE_EQ(5.68 * 86400, form->ViewingsPerDay);

  form->RefreshStatistics(
      Text("WebUpdateUrl=http://127.0.0.1/w.txt\r\nScreenSaverMsg=Hello\r\n"
           "VintraGrowthPerSecond=1\r\n")
          .get());
  EXPECT_EQ(L"Hello", form->MsgLbl()->Caption());
  EXPECT_DOUBLE_EQ(86400, form->ViewingsPerDay);
}

// -------------------------------------------------------------- display

TEST_F(ScreenSaverTest, PanelBouncesOffTheFormEdges) {
  TMainForm* form = MakeForm();
  TControl* panel = form->MoveablePanel();
  const Integer right = form->ClientWidth() - panel->Width();
  const Integer bottom = form->ClientHeight() - panel->Height();
  panel->SetBounds(right, bottom, panel->Width(), panel->Height());
  form->MoveTimerTimer(form);  // one past each edge: both steps turn
  EXPECT_EQ(right + 1, panel->Left());
  EXPECT_EQ(-1, form->MoveDX);
  EXPECT_EQ(-1, form->MoveDY);
  form->MoveTimerTimer(form);
  EXPECT_EQ(right, panel->Left());
  EXPECT_EQ(bottom, panel->Top());

  panel->SetBounds(0, 5, panel->Width(), panel->Height());
  form->MoveTimerTimer(form);  // left of the form: back to the right only
  EXPECT_EQ(1, form->MoveDX);
  EXPECT_EQ(-1, form->MoveDY);
  EXPECT_EQ(4, panel->Top());
}

TEST_F(ScreenSaverTest, ScenesTakeTurnsAndAHiddenSceneIsPaintedOver) {
  TMainForm* form = MakeForm();
  form->Show();  // a hidden window collects no region to paint
  HWND panel = form->MoveablePanel()->Handle();
  auto shown = [form] {
    std::string list;
    for (Integer i = 1; i <= 7; ++i)
      if (form->Scene(i)->Visible()) list += std::to_string(i);
    return list;
  };
  EXPECT_EQ("", shown());
  std::string order;
  for (int tick = 0; tick < 8; ++tick) {
    ValidateRect(panel, nullptr);
    form->SceneTimerTimer(form);
    order += shown();
  }
  EXPECT_EQ("12345671", order);
  // Scene7 just went; its left part is covered by no other scene.
  HRGN update = CreateRectRgn(0, 0, 0, 0);
  GetUpdateRgn(panel, update, FALSE);
  TControl* gone = form->Scene(7);
  EXPECT_TRUE(PtInRegion(update, gone->Left() + gone->Width() - 2, gone->Top() + 2));
  DeleteObject(update);
}

TEST_F(ScreenSaverTest, FitToHeightScalesControlsOfALowFormOnly) {
  TMainForm* form = MakeForm();
  TControl* label = form->Label1();
  const TRect before = label->BoundsRect();
  const Integer size = label->Font()->Size();
  form->SetBounds(0, 0, 600, 200);
  form->FitToHeight(150);  // high enough: nothing changes
  EXPECT_EQ(before.left, label->Left());
  form->FitToHeight(400);
  EXPECT_EQ(before.left / 2, label->Left());
  EXPECT_EQ(before.top / 2, label->Top());
  EXPECT_EQ(size / 2, label->Font()->Size());
  EXPECT_FALSE(IsWindowVisible(Application->Handle()));
}

TEST_F(ScreenSaverTest, CounterCellsAllShowThePanelsColour) {
  TMainForm* form = MakeForm();
  TDigitPanel* counter = form->WorldCount();
  counter->HandleNeeded();
  for (Integer i = 1; i <= MaxDigitCells; ++i)  // the unused ones too: they lie at the left
    EXPECT_EQ(clBlack, counter->DigitLabel(i)->Color()) << i;
  for (Integer k = 1; k <= SeparatorCells; ++k)
    EXPECT_EQ(clBlack, counter->SeparatorLabel(k)->Color()) << k;
}

// ------------------------------------------------------------ saver start

TEST_F(ScreenSaverTest, SaverStartWithEveryOption) {
  TMainForm* form = MakeForm();
  EXPECT_TRUE(form->MoveTimer()->Enabled());
  EXPECT_EQ(20u, form->MoveTimer()->Interval());
  EXPECT_TRUE(form->CountTimer()->Enabled());
  EXPECT_TRUE(form->SceneTimer()->Enabled());
  EXPECT_TRUE(form->FirstWebUpdateTimer()->Enabled());
  EXPECT_TRUE(form->WebUpdateTimer10Min()->Enabled());
  EXPECT_TRUE(form->EarthImage()->Visible());
  EXPECT_EQ(106, form->Label1()->Left());
  EXPECT_EQ(L"Viewings of \u201CVINTRA\u201D", form->Label2()->Caption());
  EXPECT_TRUE(form->MsgLbl()->Visible());
  EXPECT_EQ(483, form->MoveablePanel()->Height());
  EXPECT_EQ(clBlack, form->Color());

  StatValues[siWebUpdateUrl] = L"http://127.0.0.1:1/webstats.txt";
  const Integer fetches = TWebStatThread::RunningCount();
  form->FirstWebUpdateTimerTimer(form);
  EXPECT_FALSE(form->FirstWebUpdateTimer()->Enabled());
  EXPECT_EQ(fetches + 1, TWebStatThread::RunningCount());
  Form_.reset();  // stops the fetch
}

TEST_F(ScreenSaverTest, SaverStartWithoutOptions) {
  AnimateDisplay = DisplayImages = AutoWebUpdate = false;
  StatValues[siScreenSaverMsg].clear();
  TMainForm* form = MakeForm();
  TControl* panel = form->MoveablePanel();
  EXPECT_FALSE(form->MoveTimer()->Enabled());
  EXPECT_EQ((form->ClientWidth() - panel->Width()) / 2, panel->Left());
  EXPECT_EQ((form->ClientHeight() - 483) / 2, panel->Top());
  EXPECT_FALSE(form->SceneTimer()->Enabled());
  EXPECT_FALSE(form->EarthImage()->Visible());
  EXPECT_EQ(86, form->Label1()->Left());
  EXPECT_EQ(147, form->WorldCount()->Left());
  EXPECT_FALSE(form->MsgLbl()->Visible());
  EXPECT_EQ(443, panel->Height());

  const Integer fetches = TWebStatThread::RunningCount();
  form->FirstWebUpdateTimerTimer(form);
  form->WebUpdateTimer10MinTimer(form);
  EXPECT_EQ(fetches, TWebStatThread::RunningCount());
}

TEST_F(ScreenSaverTest, PreviewIsAChildOfTheHostMovingSlowerWithTextsInPlace) {
  DisplayImages = false;
  TMainForm* form = MakePreviewForm();
  EXPECT_EQ(Host_, GetParent(form->Handle()));
  EXPECT_EQ(80u, form->MoveTimer()->Interval());
  // Fitted to the description's height, not shifted.
  EXPECT_EQ(106 * 324 / 600, form->Label1()->Left());
}

// The part of Control that its parents show, in Host's client coordinates.
RECT VisiblePart(TControl* Control, HWND Host) {
  RECT r = Control->BoundsRect();
  MapWindowPoints(Control->Parent()->Handle(), Host, reinterpret_cast<POINT*>(&r), 2);
  for (TWinControl* parent = Control->Parent(); parent; parent = parent->Parent()) {
    RECT client{};
    GetClientRect(parent->Handle(), &client);
    MapWindowPoints(parent->Handle(), Host, reinterpret_cast<POINT*>(&client), 2);
    IntersectRect(&r, &r, &client);
  }
  return r;
}

// Whether Shot shows the counters' and the message's colour in Area.
bool AquaIn(const TScreenShot& Shot, const RECT& Area) {
  for (LONG y = Area.top; y < Area.bottom; ++y)
    for (LONG x = Area.left; x < Area.right; ++x) {
      const COLORREF c = Shot.At(x, y);
      if (GetRValue(c) < 90 && GetGValue(c) > 120 && GetBValue(c) > 120) return true;
    }
  return false;
}

// Another process's child window is never painted under Wine: the host is ours.
TEST_F(ScreenSaverTest, PreviewShowsCountersAndMessageWhole) {
  TMainForm* form = MakePreviewForm();
  SetWindowPos(Host_, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_SHOWWINDOW);
  form->CountTimerTimer(form);
  form->Show();
  RedrawWindow(Host_, nullptr, nullptr,
               RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
  RECT host{};
  GetWindowRect(Host_, &host);
  const TScreenShot shot = TScreenShot::Of(host);
  std::printf("screenshot: %ls\n", shot.Keep(L"SaverPreview").c_str());
  // Ink in a part, and none on the given edges of what shows of it, where it was cut.
  enum TEdge { Left = 1, Right = 2, Bottom = 4 };
  auto whole = [&](TControl* Part, int Edges) {
    const RECT r = VisiblePart(Part, Host_);
    return AquaIn(shot, r) &&
           !(Edges & Left && AquaIn(shot, {r.left, r.top, r.left + 1, r.bottom})) &&
           !(Edges & Right && AquaIn(shot, {r.right - 1, r.top, r.right, r.bottom})) &&
           !(Edges & Bottom && AquaIn(shot, {r.left, r.bottom - 1, r.right, r.bottom}));
  };

  for (TDigitPanel* counter : {form->WorldCount(), form->VintraCount()}) {
    SCOPED_TRACE(counter->Name());
    ASSERT_EQ(10u, counter->Caption().size());
    EXPECT_TRUE(whole(counter->DigitLabel(1), Right | Bottom));
    EXPECT_TRUE(whole(counter->DigitLabel(10), Bottom));
  }
  EXPECT_EQ(StatDefaults[siScreenSaverMsg], form->MsgLbl()->Caption());
  EXPECT_TRUE(whole(form->MsgLbl(), Left | Right));
}

}  // namespace
