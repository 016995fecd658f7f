// Timers.
#include "ExtCtrls.h"

#include "WinApi.h"

QEV_RESOURCESTRING(ExtCtrls, SNoTimers, L"Not enough timers available");

QEV_DEFINE_CLASS(TTimer,
                 QEV_PROPERTY(Enabled, Enabled, SetEnabled).Default(true),
                 QEV_PROPERTY(Interval, Interval, SetInterval).Default(1000),
                 QEV_PROPERTY(OnTimer, OnTimer, SetOnTimer))

namespace {
constexpr wchar_t TimerWindowClass[] = L"QevTimerWindow";
constexpr UINT_PTR TimerID = 1;
}  // namespace

// The hidden window a timer owns; it finds its timer in GWLP_USERDATA.
struct TTimerWindow {
  static LRESULT CALLBACK Proc(HWND Wnd, UINT Msg, WPARAM WParam, LPARAM LParam) {
    auto* timer = reinterpret_cast<TTimer*>(GetWindowLongPtrW(Wnd, GWLP_USERDATA));
    if (Msg != WM_TIMER || !timer) return DefWindowProcW(Wnd, Msg, WParam, LParam);
    try {
      timer->Timer();
    } catch (...) {
      HandleCurrentException(timer);
    }
    return 0;
  }

  static HWND Create(TTimer* Timer) {
    HINSTANCE instance = GetModuleHandleW(nullptr);
    WNDCLASSEXW wc = {};
    if (!GetClassInfoExW(instance, TimerWindowClass, &wc)) {
      wc = {};
      wc.cbSize = sizeof(wc);
      wc.lpfnWndProc = &Proc;
      wc.hInstance = instance;
      wc.lpszClassName = TimerWindowClass;
      if (!RegisterClassExW(&wc)) RaiseLastOSError();
    }
    HWND wnd = CreateWindowExW(0, TimerWindowClass, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                               instance, nullptr);
    if (!wnd) RaiseLastOSError();
    SetWindowLongPtrW(wnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(Timer));
    return wnd;
  }
};

TTimer::TTimer(TComponent* AOwner) : TComponent(AOwner), Window_(TTimerWindow::Create(this)) {}

TTimer::~TTimer() {
  HWND wnd = static_cast<HWND>(Window_);
  KillTimer(wnd, TimerID);
  DestroyWindow(wnd);
}

void TTimer::SetEnabled(bool Value) {
  if (Value == Enabled_) return;
  Enabled_ = Value;
  UpdateTimer();
}

void TTimer::SetInterval(Cardinal Value) {
  if (Value == Interval_) return;
  Interval_ = Value;
  UpdateTimer();
}

void TTimer::SetOnTimer(TNotifyEvent Value) {
  OnTimer_ = Value;
  UpdateTimer();
}

void TTimer::Timer() {
  if (OnTimer_) OnTimer_(this);
}

void TTimer::UpdateTimer() {
  HWND wnd = static_cast<HWND>(Window_);
  KillTimer(wnd, TimerID);
  if (Interval_ != 0 && Enabled_ && OnTimer_ && !SetTimer(wnd, TimerID, Interval_, nullptr))
    throw EOutOfResources(SNoTimers);
}

void Initialization_ExtCtrls() { RegisterClass(TTimer::StaticClass()); }

void Finalization_ExtCtrls() {}
