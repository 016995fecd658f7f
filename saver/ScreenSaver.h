// The saver's main window: a black panel drifting over the screen with the two
// running counters, the banner, the earth, the scenes and the message line.
// Its timers move the panel, recompute the counters, cycle the scenes and
// fetch new statistics from the web.
#pragma once

#include <array>

#include "CustomMMScrsv.h"
#include "DigitPanel.h"
#include "ExtCtrls.h"
#include "QevExtCtrls.h"
#include "QevTrxForms.h"
#include "QevStdCtrls.h"
#include "SysUtils.h"
#include "defaults.h"

// The clock of the counters and the time zone they count in; tests fix them.
extern TDateTime (*SaverClock)();
extern DWORD(WINAPI* SaverTimeZoneFunc)(LPTIME_ZONE_INFORMATION Zone);

// Days to add to local time for UTC: the bias in force, which for ZoneId
// (GetTimeZoneInformation's result) is the standard or the daylight one.
double UtcOffsetOf(DWORD ZoneId, const TIME_ZONE_INFORMATION& Zone);

class TMainForm : public TQevTrxForm {
  QEV_CLASS(TMainForm, TQevTrxForm)
 public:
  using TQevTrxForm::TQevTrxForm;

  // The completion of a web fetch (Stream nil after a failure) and, with
  // nil, the start-up computation of the counter parameters. Never raises:
  // a download or statistics that cannot be read leave the parameters of the
  // counter they belong to as they were. The UTC offset is renewed whatever
  // the download did.
  void RefreshStatistics(TStream* Stream);
  // Scales every control down when the form is lower than ReferenceHeight
  // (at most the screen's height).
  void FitToHeight(Integer ReferenceHeight);

  // Handlers named in the form description.
  void FormCreate(TObject* Sender);
  void MMScreenSaver1SetupDlg(TObject* Sender);
  void MMScreenSaver1SaverStart(TObject* Sender);
  void MoveTimerTimer(TObject* Sender);
  void SceneTimerTimer(TObject* Sender);
  void CountTimerTimer(TObject* Sender);
  void FirstWebUpdateTimerTimer(TObject* Sender);
  void WebUpdateTimer10MinTimer(TObject* Sender);

  TQevPanel* MoveablePanel() { return Part<TQevPanel>("MoveablePanel"); }
  TQevImage* EarthImage() { return Part<TQevImage>("EarthImage"); }
  TQevImage* Scene(Integer Index) { return Scenes.at(static_cast<size_t>(Index - 1)); }
  TQevLabel* Label1() { return Part<TQevLabel>("Label1"); }
  TQevLabel* Label2() { return Part<TQevLabel>("Label2"); }
  TDigitPanel* WorldCount() { return Part<TDigitPanel>("WorldCount"); }
  TDigitPanel* VintraCount() { return Part<TDigitPanel>("VintraCount"); }
  TQevLabel* MsgLbl() { return Part<TQevLabel>("MsgLbl"); }
  TTimer* MoveTimer() { return Part<TTimer>("MoveTimer"); }
  TTimer* SceneTimer() { return Part<TTimer>("SceneTimer"); }
  TTimer* CountTimer() { return Part<TTimer>("CountTimer"); }
  TTimer* FirstWebUpdateTimer() { return Part<TTimer>("FirstWebUpdateTimer"); }
  TTimer* WebUpdateTimer10Min() { return Part<TTimer>("WebUpdateTimer10Min"); }
  TCustomMMScreenSaver* MMScreenSaver1() { return Part<TCustomMMScreenSaver>("MMScreenSaver1"); }

  // Counter parameters: the world counter's people at WorldDate, growing by
  // WorldRate percent a year; the viewings counter's ViewingsPerDay from
  // ViewingsBase at day 0.
  double WorldPeople = 0;
  TDateTime WorldDate = 0;
  double WorldRate = 0;
  double ViewingsPerDay = 0;
  double ViewingsBase = 0;
  double UtcOffset = 0;  // days

  // The panel's step per move, each +1 or -1.
  Integer MoveDX = 1;
  Integer MoveDY = 1;
  // The scene shown, 1..7; 7 before the first shows Scene1.
  Integer SceneIndex = 7;
  std::array<TQevImage*, 7> Scenes{};

 protected:
  void CreateParams(TCreateParams& Params) override;

 private:
  template <class T>
  T* Part(const char* Name) {
    return dynamic_cast<T*>(FindComponent(Name));
  }
  void ComputeWorldCounter();
  void ComputeViewingsCounter();
  void RenewUtcOffset();
  void ShiftTexts(Integer DX);
};

// Keeps the application window hidden; registers the form class.
void Initialization_ScreenSaver();
void Finalization_ScreenSaver();
