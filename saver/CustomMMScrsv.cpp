#include "CustomMMScrsv.h"

#include <cstdint>
#include <cstdlib>
#include <vector>

#include "CustomMMUtils.h"
#include "QevSysUtils.h"
#include "QevSystem.h"
#include "Scoped.h"

QEV_DEFINE_CLASS(TCustomMMScreenSaver,
                 QEV_PROPERTY(Color, Color, SetColor).Type(TypeInfoTColor()).Default(clBlack),
                 QEV_PROPERTY(SaveBackground, SaveBackground, SetSaveBackground).Default(false),
                 QEV_PROPERTY(PreviewScale, PreviewScale, SetPreviewScale).Default(true),
                 QEV_PROPERTY(OnSetupDlg, OnSetupDlg, OnSetupDlg),
                 QEV_PROPERTY(OnSaverStart, OnSaverStart, OnSaverStart),
                 QEV_PROPERTY(OnSaverEnd, OnSaverEnd, OnSaverEnd),
                 QEV_PROPERTY(OnPasswordSuspend, OnPasswordSuspend, OnPasswordSuspend),
                 QEV_PROPERTY(OnPasswordResume, OnPasswordResume, OnPasswordResume))

TSaverMode ScreenSaverMode = smConfigure;
HWND SaverParentWindow = nullptr;
HANDLE SaverMutex = nullptr;
bool SaverTerminated = false;

DWORD SaverMutexTimeout = 10000;
AnsiString PasswordLibraryName = "PASSWORD.CPL";
AnsiString PasswordChangeLibraryName = "MPR.DLL";

namespace {

bool OnWindows9x() { return Win32Platform == VER_PLATFORM_WIN32_WINDOWS; }

using TPwdChangePassword = DWORD(WINAPI*)(LPCSTR RegKeyName, HWND Parent, DWORD, DWORD);
using TVerifyScreenSavePwd = BOOL(WINAPI*)(HWND Parent);

// While it lives, the thread's top-most windows are ordinary ones, so that a
// system dialog can come above them.
class TTopMostsNormalized {
 public:
  TTopMostsNormalized() {
    EnumThreadWindows(GetCurrentThreadId(), &Collect, reinterpret_cast<LPARAM>(&Windows_));
    for (HWND wnd : Windows_)
      SetWindowPos(wnd, HWND_NOTOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  }
  ~TTopMostsNormalized() {
    for (HWND wnd : Windows_)
      if (IsWindow(wnd))
        SetWindowPos(wnd, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  }
  TTopMostsNormalized(const TTopMostsNormalized&) = delete;
  TTopMostsNormalized& operator=(const TTopMostsNormalized&) = delete;

 private:
  static BOOL CALLBACK Collect(HWND Wnd, LPARAM Data) {
    if (GetWindowLongPtrA(Wnd, GWL_EXSTYLE) & WS_EX_TOPMOST)
      reinterpret_cast<std::vector<HWND>*>(Data)->push_back(Wnd);
    return TRUE;
  }
  std::vector<HWND> Windows_;
};

// A window handle as the system writes it on the command line: a decimal
// 32-bit value, signed or not; handles are sign-extended on 64-bit Windows.
bool ReadWindowHandle(const WideString& Text, HWND& Wnd) {
  Int64 value = 0;
  try {
    value = StrToInt64(WideToAnsi(Text));
  } catch (const EConvertError&) {
    return false;
  }
  if (value < INT32_MIN || value > static_cast<Int64>(UINT32_MAX)) return false;
  const auto bits = static_cast<LONG>(static_cast<DWORD>(value));
  Wnd = reinterpret_cast<HWND>(static_cast<LONG_PTR>(bits));
  return true;
}

TSaverMode ModeOfLetter(WideChar Letter) {
  switch (Letter) {
    case L'A': return smChangePassword;
    case L'P': return smPreview;
    case L'S': return smRun;
    case L'W': return smTest;
    default: return smConfigure;
  }
}

void ChangePassword9x() {
  TModuleOwner mpr(LoadLibraryA(PasswordChangeLibraryName.c_str()));
  if (auto change = ProcAddress<TPwdChangePassword>(mpr.get(), "PwdChangePasswordA"))
    change("SCRSAVE", SaverParentWindow, 0, 0);
}

// False when another saver holds the mutex past the timeout.
bool AcquireSaverMutex() {
  SaverMutex = CreateMutexA(nullptr, FALSE, SaverMutexName().c_str());
  if (!SaverMutex || WaitForSingleObject(SaverMutex, SaverMutexTimeout) != WAIT_TIMEOUT)
    return true;
  CloseHandle(SaverMutex);
  SaverMutex = nullptr;
  return false;
}

}  // namespace

// --------------------------------------------------------- the command line

TSaverCommand ReadSaverCommand(const WideString& First, const WideString& Second,
                               Integer ParamCount) {
  TSaverCommand command;
  const WideString s = QevWideUpperCase(First.substr(0, 2));
  if (s.size() == 2 && s[0] == L'/') command.Mode = ModeOfLetter(s[1]);
  if (command.Mode != smPreview && command.Mode != smChangePassword) return command;
  HWND wnd = nullptr;
  if (ParamCount >= 2 && ReadWindowHandle(Second, wnd)) command.ParentWindow = wnd;
  command.Usable = command.ParentWindow && IsWindow(command.ParentWindow);
  return command;
}

void TerminateSaver() {
  SaverTerminated = true;
  if (!Application) return;
  Application->ShowMainForm = false;
  Application->Terminate();
}

void ParseSaverCommandLine() {
  const TSaverCommand command =
      ReadSaverCommand(WideParamStr(1), WideParamStr(2), WideParamCount());
  ScreenSaverMode = command.Mode;
  SaverParentWindow = command.ParentWindow;
  if (!command.Usable) TerminateSaver();
}

void PrepareSaverMode() {
  if (SaverTerminated) return;
  switch (ScreenSaverMode) {
    case smChangePassword:
      if (OnWindows9x()) ChangePassword9x();
      TerminateSaver();
      break;
    case smRun: case smTest:
      if (!AcquireSaverMutex()) TerminateSaver();
      break;
    default: break;
  }
}

AnsiString SaverMutexName() {
  AnsiString name = Application->ExeName();
  name = name.substr(name.find_last_of("\\/:") + 1);
  const size_t dot = name.rfind('.');
  if (dot != AnsiString::npos) name.resize(dot);
  return "ZURuvedScreenSaver" + name;
}

TSaverMode GetMode() { return ScreenSaverMode; }
HWND GetParentWindow() { return SaverParentWindow; }
bool IsPreview() { return ScreenSaverMode == smPreview; }

// ----------------------------------------------------- TCustomMMScreenSaver

TCustomMMScreenSaver::TCustomMMScreenSaver(TComponent* AOwner)
    : TComponent(AOwner), Background_(new TBitmap) {}

TCustomMMScreenSaver::~TCustomMMScreenSaver() {
  if (!ComponentState().Contains(csDesigning)) {
    // A form being destroyed has lost its window and its controls already.
    if (HookedForm_ && !HookedForm_->ComponentState().Contains(csDestroying))
      UnhookOwnerWndProc();
    RestoreCursor();
    if (SysParamsSet_) {
      SystemParametersInfoA(SPI_SETSCREENSAVERRUNNING, 0, nullptr, 0);
      SystemParametersInfoA(SPI_SETFASTTASKSWITCH, 1, nullptr, 0);
    }
    if (Application && Application->OnMessage == AppMessageEvent())
      Application->OnMessage = nullptr;
  }
  delete Background_;
}

TCustomForm* TCustomMMScreenSaver::OwnerForm() const { return dynamic_cast<TCustomForm*>(Owner()); }

TMessageEvent TCustomMMScreenSaver::AppMessageEvent() {
  return TMessageEvent::Bind<&TCustomMMScreenSaver::AppMessage>(this);
}

void TCustomMMScreenSaver::Loaded() {
  TComponent::Loaded();
  if (ComponentState().Contains(csDesigning)) return;
  // A preview host may go before the form is read.
  if (IsPreview() && !IsWindow(SaverParentWindow)) TerminateSaver();
  if (SaverTerminated) return;
  if (TCustomForm* form = OwnerForm()) SetUpOwner(form);
  // Configuring ends the saver: nothing below is wanted then.
  if (SaverTerminated) return;
  if (OnSaverStart) OnSaverStart(Application);
  HideCursor();
  if (!IsPreview()) {
    SystemParametersInfoA(SPI_SETSCREENSAVERRUNNING, 1, nullptr, 0);
    SystemParametersInfoA(SPI_SETFASTTASKSWITCH, 0, nullptr, 0);
    SysParamsSet_ = true;
  }
  Application->OnMessage = AppMessageEvent();
}

void TCustomMMScreenSaver::SetUpOwner(TCustomForm* Form) {
  switch (ScreenSaverMode) {
    case smPreview:
      Form->SetColor(Color_);
      Form->SetBorderStyle(bsNone);
      Form->SetFormStyle(fsNormal);
      Form->SetCaption("");
      Form->SetBorderIcons({});
      HookOwnerWndProc();
      break;
    case smConfigure:
      Form->SetEnabled(false);
      if (OnSetupDlg) OnSetupDlg(Application);
      TerminateSaver();
      break;
    case smRun: case smTest:
      if (SaveBackground_) CopyScreen();
      Form->SetColor(Color_);
      Form->SetBorderStyle(bsNone);
      Form->SetFormStyle(fsStayOnTop);  // WS_EX_TOPMOST, also on a window made already
      Form->SetCaption("");
      Form->SetBorderIcons({});
      Form->SetBounds(0, 0, Screen->Width(), Screen->Height());
      break;
    case smChangePassword: break;
  }
}

void TCustomMMScreenSaver::CopyScreen() {
  const Integer width = Screen->Width(), height = Screen->Height();
  Background_->SetSize(width, height);
  TScreenDC screen;
  BitBlt(Background_->Canvas()->Handle(), 0, 0, width, height, screen, 0, 0, SRCCOPY);
}

void TCustomMMScreenSaver::AdjustCreateParams(TCreateParams& Params) {
  if (!IsPreview() || SaverTerminated || !IsWindow(SaverParentWindow)) return;
  Params.WndParent = SaverParentWindow;
  Params.Style = (Params.Style & ~static_cast<DWORD>(WS_POPUP)) | WS_CHILD;
}

// ----------------------------------------------------------- preview window

void TCustomMMScreenSaver::HookOwnerWndProc() {
  TCustomForm* form = OwnerForm();
  if (!form || HookedForm_) return;
  SavedWndProc_ = form->WindowProc;
  form->WindowProc = TWndMethod::Bind<&TCustomMMScreenSaver::OwnerWndProc>(this);
  HookedForm_ = form;
  form->HandleNeeded();
}

void TCustomMMScreenSaver::UnhookOwnerWndProc() {
  if (!HookedForm_) return;
  HookedForm_->WindowProc = SavedWndProc_;
  SavedWndProc_ = nullptr;
  HookedForm_ = nullptr;
}

void TCustomMMScreenSaver::OwnerWndProc(TMessage& Message) {
  TCustomForm* form = HookedForm_;
  if (Message.Msg == WM_SHOWWINDOW && Message.WParam && !SizedOnce_) AdjustBounds();
  // A preview window that goes without the form's doing: the host closed.
  if (Message.Msg == WM_DESTROY && !form->ControlState().Contains(csDestroyingHandle) &&
      !form->ComponentState().Contains(csDestroying))
    TerminateSaver();
  SavedWndProc_(Message);
}

void TCustomMMScreenSaver::AdjustBounds() {
  TCustomForm* form = OwnerForm();
  if (!form) return;
  SizedOnce_ = true;
  if (!IsPreview()) {
    form->SetBounds(0, 0, Screen->Width(), Screen->Height());
    return;
  }
  RECT host{};
  GetClientRect(SaverParentWindow, &host);
  const Integer width = host.right - host.left, height = host.bottom - host.top;
  if (PreviewScale_ && width > 0 && form->Width() > 0) form->ScaleBy(width, form->Width());
  SetWindowPos(form->Handle(), nullptr, 0, 0, width, height, SWP_NOZORDER);
}

// ------------------------------------------------------------------- cursor

void TCustomMMScreenSaver::HideCursor() {
  if (IsPreview() || CursorHidden_) return;
  GetCursorPos(&CursorPos_);
  HideCount_ = 0;
  while (ShowCursor(FALSE) >= 0) ++HideCount_;
  CursorHidden_ = true;
}

void TCustomMMScreenSaver::RestoreCursor() {
  if (IsPreview() || !CursorHidden_) return;
  for (Integer i = 0; i <= HideCount_; ++i) ShowCursor(TRUE);
  SetCursorPos(CursorPos_.x, CursorPos_.y);
  CursorHidden_ = false;
}

// -------------------------------------------------------------------- input

void TCustomMMScreenSaver::AppMessage(MSG& Msg, bool& Handled) {
  if (!Owner() || !EndsSaver(Msg)) return;
  Msg.message = 0;
  Msg.wParam = 0;
  Msg.lParam = 0;
  Handled = true;
  EndSaver();
}

bool TCustomMMScreenSaver::EndsSaver(const MSG& Msg) {
  if (IsPreview()) return false;
  const bool testing = ScreenSaverMode == smTest;
  switch (Msg.message) {
    case WM_KEYDOWN: case WM_SYSKEYDOWN:
      if (!testing) return true;
      // Testing from the settings ends only on the keys that close a window.
      if (KeyDataToShiftState(Msg.lParam).Contains(ssAlt))
        return Msg.wParam == 'X' || Msg.wParam == VK_F4;
      return Msg.wParam == VK_ESCAPE;
    case WM_LBUTTONDOWN: case WM_RBUTTONDOWN: case WM_MBUTTONDOWN: return !testing;
    case WM_MOUSEMOVE: return !testing && MovedAway(Msg.lParam);
    default: return false;
  }
}

// The first move (the system sends one when the form appears) only records
// where the mouse is; jitter of a pixel is not a move.
bool TCustomMMScreenSaver::MovedAway(LPARAM LParam) {
  const TPoint point = PointOfLParam(LParam);
  if (!MouseRecorded_) {
    MousePoint_ = point;
    MouseRecorded_ = true;
    return false;
  }
  return std::abs(point.x - MousePoint_.x) > 1 || std::abs(point.y - MousePoint_.y) > 1;
}

// ------------------------------------------------------------------- ending

void TCustomMMScreenSaver::EndSaver() {
  if (InEndSaver_ || Ended_) return;
  TRestore<bool> reentry(InEndSaver_, true);
  if (!PasswordAccepted()) {
    MouseRecorded_ = false;  // the next move records a new start point
    return;
  }
  Ended_ = true;
  if (OnSaverEnd) OnSaverEnd(Application);
  if (TCustomForm* form = OwnerForm()) form->Perform(WM_CLOSE, 0, 0);
}

bool TCustomMMScreenSaver::PasswordAccepted() {
  if (!OnWindows9x() || IsPreview()) return true;
  const Variant use = ReadRegistryVariant(HKEY_CURRENT_USER, "Control Panel\\Desktop",
                                          "ScreenSaveUsePassword", Variant(0));
  if (use.AsInteger() == 0) return true;
  if (OnPasswordSuspend) OnPasswordSuspend(this);
  auto resume = [this] {
    HideCursor();
    if (OnPasswordResume) OnPasswordResume(this);
  };
  TScopeExit resumeOnLeaving(resume);
  RestoreCursor();
  return VerifyPassword();
}

// True without the library or its entry.
bool TCustomMMScreenSaver::VerifyPassword() {
  TModuleOwner cpl(LoadLibraryA(PasswordLibraryName.c_str()));
  auto verify = ProcAddress<TVerifyScreenSavePwd>(cpl.get(), "VerifyScreenSavePwd");
  if (!verify) return true;
  const HWND focus = GetFocus();
  const HWND owner = OwnerForm() ? OwnerForm()->Handle() : nullptr;
  bool ok;
  {
    TTopMostsNormalized normalized;
    ok = verify(owner) != 0;
  }
  if (focus && IsWindow(focus)) ::SetFocus(focus);
  return ok;
}

// ------------------------------------------------------- unit start and end

void Initialization_CustomMMScrsv() {
  RegisterClass(TCustomMMScreenSaver::StaticClass());
  ShowWindow(Application->Handle(), SW_HIDE);
  ParseSaverCommandLine();
  PrepareSaverMode();
}

void Finalization_CustomMMScrsv() {
  if (!SaverMutex) return;
  ReleaseMutex(SaverMutex);
  CloseHandle(SaverMutex);
  SaverMutex = nullptr;
}
