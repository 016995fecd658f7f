#include "ScreenSaver.h"

#include <algorithm>
#include <cmath>
#include <memory>

#include "CustomMMScrsv.h"
#include "DigitPanel.h"
#include "ExtCtrls.h"
#include "Maincontrol.h"
#include "QevExtCtrls.h"
#include "QevLXFetchUrl.h"
#include "QevLXForms.h"
#include "QevStdCtrls.h"
#include "defaults.h"

QEV_DEFINE_CLASS(TMainForm, QEV_METHOD(FormCreate), QEV_METHOD(MMScreenSaver1SetupDlg),
                 QEV_METHOD(MMScreenSaver1SaverStart), QEV_METHOD(MoveTimerTimer),
                 QEV_METHOD(SceneTimerTimer), QEV_METHOD(CountTimerTimer),
                 QEV_METHOD(FirstWebUpdateTimerTimer), QEV_METHOD(WebUpdateTimer10MinTimer))

TDateTime (*SaverClock)() = &Now;
DWORD(WINAPI* SaverTimeZoneFunc)(LPTIME_ZONE_INFORMATION Zone) = &GetTimeZoneInformation;

namespace {

// A counter that is no number shows the overflow mark, never "INF" or "NAN".
void ShowCounter(TDigitPanel* Panel, double Value) {
  if (std::isnan(Value))
    Panel->ShowOverflow();
  else
    Panel->SetCaption(AnsiToWide(FloatToStr(Value)));
}

}  // namespace

double UtcOffsetOf(DWORD ZoneId, const TIME_ZONE_INFORMATION& Zone) {
  const LONG bias =
      Zone.Bias + (ZoneId == TIME_ZONE_ID_DAYLIGHT ? Zone.DaylightBias : Zone.StandardBias);
  return bias / 60.0 / 24.0;
}

void TMainForm::CreateParams(TCreateParams& Params) {
  TQevTrxForm::CreateParams(Params);
  if (TCustomMMScreenSaver* saver = MMScreenSaver1()) saver->AdjustCreateParams(Params);
}

void TMainForm::FormCreate(TObject*) {
  for (Integer i = 1; i <= static_cast<Integer>(Scenes.size()); ++i)
    Scenes[static_cast<size_t>(i - 1)] = Part<TQevImage>(("Scene" + IntToStr(i)).c_str());
}

// Settings mode: the dialog runs while this form is still being read; the
// program ends after it.
void TMainForm::MMScreenSaver1SetupDlg(TObject*) {
  std::unique_ptr<TControlForm>(NewForm<TControlForm>(Application))->ShowModal();
}

// ------------------------------------------------------------- statistics

// Each counter takes new parameters only when all of its statistics read,
// so that one bad figure neither stops the other counter nor mixes old and
// new parameters.
void TMainForm::RefreshStatistics(TStream* Stream) {
  RenewUtcOffset();
  try {
    if (Stream) ApplyWebStats(Stream);
    FormatSettings.DateSeparator = '/';
    FormatSettings.DecimalSeparator = '.';
    FormatSettings.ShortDateFormat = "mm/dd/yyyy";
    MsgLbl()->SetCaption(StatValues[siScreenSaverMsg]);
  } catch (...) {
    TraceDroppedException(L"RefreshStatistics");
    return;  // an incomplete or unreadable download changes nothing
  }
  try {
    ComputeWorldCounter();
  } catch (...) {
    TraceDroppedException(L"ComputeWorldCounter");
  }
  try {
    ComputeViewingsCounter();
  } catch (...) {
    TraceDroppedException(L"ComputeViewingsCounter");
  }
}

// Summer time comes and goes while a saver runs for days.
void TMainForm::RenewUtcOffset() {
  TIME_ZONE_INFORMATION zone{};
  const DWORD id = SaverTimeZoneFunc(&zone);
  if (id != TIME_ZONE_ID_INVALID) UtcOffset = UtcOffsetOf(id, zone);
}

// All figures of a counter read before any is taken.
void TMainForm::ComputeWorldCounter() {
  const TWorldFigures world = ReadWorldFigures(StatValues, SaverClock());
  WorldPeople = world.People;
  WorldDate = world.Date;
  WorldRate = world.Rate;
}

void TMainForm::ComputeViewingsCounter() {
  const TViewingsFigures viewings = ReadViewingsFigures(StatValues);
  ViewingsPerDay = viewings.PerDay;
  ViewingsBase = viewings.Base;
}

void TMainForm::CountTimerTimer(TObject*) {
  try {
    const TDateTime t = SaverClock() + UtcOffset;
    ShowCounter(WorldCount(), TWorldFigures{WorldPeople, WorldDate, WorldRate}.At(t));
    ShowCounter(VintraCount(), TViewingsFigures{ViewingsPerDay, ViewingsBase}.At(t));
  } catch (...) {
    TraceDroppedException(L"CountTimerTimer");  // the last figures stay
  }
}

// ---------------------------------------------------------------- display

void TMainForm::MoveTimerTimer(TObject*) {
  TQevPanel* panel = MoveablePanel();
  const Integer left = panel->Left() + MoveDX, top = panel->Top() + MoveDY;
  panel->SetBounds(left, top, panel->Width(), panel->Height());
  if (left < 0) MoveDX = 1;
  else if (left + panel->Width() > ClientWidth()) MoveDX = -1;
  if (top < 0) MoveDY = 1;
  else if (top + panel->Height() > ClientHeight()) MoveDY = -1;
}

void TMainForm::SceneTimerTimer(TObject*) {
  Scene(SceneIndex)->SetVisible(false);
  SceneIndex = SceneIndex % static_cast<Integer>(Scenes.size()) + 1;
  Scene(SceneIndex)->SetVisible(true);
}

void TMainForm::FitToHeight(Integer ReferenceHeight) {
  ShowWindow(Application->Handle(), SW_HIDE);
  const Integer h = std::min(ReferenceHeight, Screen->Height());
  const Integer height = Height();
  if (height >= h) return;
  auto scaled = [&](Integer Value) { return Value * height / h; };
  for (Integer i = 0; i < ComponentCount(); ++i) {
    auto* control = dynamic_cast<TControl*>(Components(i));
    if (!control) continue;
    control->Font()->SetSize(scaled(control->Font()->Size()));
    control->SetBounds(scaled(control->Left()), scaled(control->Top()), scaled(control->Width()),
                       scaled(control->Height()));
    // Its cells are not components of the form: they follow the new font.
    if (auto* digits = dynamic_cast<TDigitPanel*>(control)) digits->ArrangeLabels();
  }
}

void TMainForm::ShiftTexts(Integer DX) {
  TControl* texts[] = {Label1(), Label2(), VintraCount(), WorldCount()};
  for (TControl* text : texts) text->SetLeft(text->Left() + DX);
}

void TMainForm::MMScreenSaver1SaverStart(TObject*) {
  FitToHeight(600);
  RefreshStatistics(nullptr);
  if (IsPreview()) {
    MoveTimer()->SetInterval(80);
    // Shown maximised, a window gets no WM_SHOWWINDOW, on which the saver
    // component scales the form down to the preview host.
    SetWindowState(wsNormal);
  }
  MoveTimer()->SetEnabled(AnimateDisplay);
  TQevPanel* panel = MoveablePanel();
  if (!AnimateDisplay)
    panel->SetBounds((ClientWidth() - panel->Width()) / 2, (ClientHeight() - panel->Height()) / 2,
                     panel->Width(), panel->Height());
  CountTimer()->SetEnabled(true);
  SceneTimer()->SetEnabled(DisplayImages);
  EarthImage()->SetVisible(DisplayImages);
  if (!DisplayImages && !IsPreview()) ShiftTexts(-20);
  if (MsgLbl()->Caption().empty()) {
    MsgLbl()->SetVisible(false);
    panel->SetHeight(panel->Height() - 40);
  }
  FirstWebUpdateTimer()->SetEnabled(true);
  WebUpdateTimer10Min()->SetEnabled(true);
}

// -------------------------------------------------------------- web update

void TMainForm::WebUpdateTimer10MinTimer(TObject*) {
  RenewUtcOffset();  // also when no fetch runs or its answer never comes
  if (!AutoWebUpdate) return;
  StartWebStatThread(StatValues[siWebUpdateUrl], WideString(), WideString(),
                     TWebStatCallback::Bind<&TMainForm::RefreshStatistics>(this), this,
                     WideString());
}

void TMainForm::FirstWebUpdateTimerTimer(TObject* Sender) {
  FirstWebUpdateTimer()->SetEnabled(false);
  WebUpdateTimer10MinTimer(Sender);
}

// ------------------------------------------------------- unit start and end

void Initialization_ScreenSaver() {
  KeepApplicationWindowHidden = true;
  RegisterClass(TMainForm::StaticClass());
}

void Finalization_ScreenSaver() {}
