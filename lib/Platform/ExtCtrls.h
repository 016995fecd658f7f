// Timers (the unit's controls come with the control classes).
#pragma once

#include "Classes.h"

// Calls OnTimer every Interval ms on the thread that created it, through a
// hidden window's WM_TIMER, while Enabled, Interval > 0 and OnTimer is set.
// An exception in OnTimer goes to ApplicationHandleException.
class TTimer : public TComponent {
  QEV_CLASS(TTimer, TComponent)
 public:
  explicit TTimer(TComponent* AOwner);
  ~TTimer() override;

  bool Enabled() const { return Enabled_; }
  void SetEnabled(bool Value);
  Cardinal Interval() const { return Interval_; }
  void SetInterval(Cardinal Value);
  const TNotifyEvent& OnTimer() const { return OnTimer_; }
  void SetOnTimer(TNotifyEvent Value);

 protected:
  virtual void Timer();  // runs OnTimer

 private:
  friend struct TTimerWindow;
  // Raises EOutOfResources "Not enough timers available" when Windows has none.
  void UpdateTimer();

  void* Window_ = nullptr;  // HWND
  bool Enabled_ = true;
  Cardinal Interval_ = 1000;
  TNotifyEvent OnTimer_;
};

void Initialization_ExtCtrls();  // registers TTimer
void Finalization_ExtCtrls();
