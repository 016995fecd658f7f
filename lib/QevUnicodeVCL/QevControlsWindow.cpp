// Unicode windows for the controls of this layer, the trap that carries wide
// text and characters through the platform's 8-bit message handling, and the
// hint window that shows wide hints.
//
// A message sent to a trapped window travels: TrapWindowProc -> StdWndProc ->
// the control's WindowProc = TrapControlWndProc -> the platform's dispatch ->
// DefWndProc = TrapDefWindowProc -> the system class's wide procedure (or
// DefWindowProcW).
#include <algorithm>
#include <vector>

#include "Forms.h"
#include "Menus.h"
#include "QevControls.h"
#include "QevGraphics.h"
#include "QevMenus.h"
#include "QevSysUtils.h"
#include "QevWindows.h"
#include "Scoped.h"

namespace {

// The window property through which the trap's window procedures find it.
constexpr const WideChar* TrapProperty = L"QevControlsTrap";

}  // namespace

// One per Unicode window control: attached to its window, or waiting in
// PendingTraps while the window is re-created; freed with the control.
class TWinControlTrap : public TComponent {
  QEV_CLASS(TWinControlTrap, TComponent)
 public:
  explicit TWinControlTrap(TWinControl* AControl);
  ~TWinControlTrap() override;
  TWinControl* Control() const { return Control_; }
  void AttachToWindow(const AnsiString& Caption);
  static LRESULT CALLBACK TrapWindowProc(HWND Wnd, UINT Msg, WPARAM WParam, LPARAM LParam);
  static LRESULT CALLBACK TrapDefWindowProc(HWND Wnd, UINT Msg, WPARAM WParam, LPARAM LParam);

 protected:
  void Notification(TComponent* AComponent, TOperation Operation) override;

 private:
  LRESULT Win32Proc(HWND Wnd, UINT Msg, WPARAM WParam, LPARAM LParam);
  LRESULT DefWin32Proc(HWND Wnd, UINT Msg, WPARAM WParam, LPARAM LParam);
  void TrapControlWndProc(TMessage& Message);
  TWndMethod TrapMethod() { return TWndMethod::Bind<&TWinControlTrap::TrapControlWndProc>(this); }
  void HookControlWindowProc();
  bool IsWindowProcHooked();
  void DetachFromWindow(HWND Wnd);
  void KeepCaption(const WideString& Caption);

  TWinControl* Control_;
  HWND Handle_ = nullptr;
  WNDPROC PrevWin32Proc_ = nullptr;
  WNDPROC PrevDefWin32Proc_ = nullptr;
  TWndMethod PrevWindowProc_;
  Integer Win32ProcLevel_ = 0;
  bool FreePending_ = false;
  bool Probing_ = false;
  bool ProbeSeen_ = false;
};

// The hint data PrepareWideHintInfo hands out: known by its address, so that
// foreign hint data is never read. It forgets a hint control that is freed.
class TWideHintMark : public TComponent {
 public:
  TWideHintMark() : TComponent(nullptr) {}
  TControl* HintControl() const { return HintControl_; }
  void SetHintControl(TControl* Value) {
    if (HintControl_) HintControl_->RemoveFreeNotification(this);
    HintControl_ = Value;
    if (Value) Value->FreeNotification(this);
  }

 protected:
  void Notification(TComponent* AComponent, TOperation Operation) override {
    TComponent::Notification(AComponent, Operation);
    if (Operation == opRemove && AComponent == HintControl_) HintControl_ = nullptr;
  }

 private:
  TControl* HintControl_ = nullptr;
};

QEV_DEFINE_CLASS(TWinControlTrap)
QEV_DEFINE_CLASS(TQevCustomHintWindow)
QEV_DEFINE_CLASS(TQevHintWindow)

namespace {

// Detached traps (window gone, control alive) and traps between the first
// message of a new window and their attachment. Not owned.
std::vector<TWinControlTrap*> PendingTraps;
// The control whose window CreateUnicodeHandle is creating.
TWinControl* WindowBeingCreated = nullptr;
bool UnitFinalized = false;
// The window whose WM_CHAR travels with its wide character hidden in the high
// word, while it does; nested messages save and restore it.
HWND HiddenCharWindow = nullptr;
TWideHintMark* WideHintMark = nullptr;

TWinControlTrap* TakeTrapFor(TWinControl* Control) {
  auto it = std::find_if(PendingTraps.begin(), PendingTraps.end(),
                         [Control](TWinControlTrap* t) { return t->Control() == Control; });
  if (it == PendingTraps.end()) return new TWinControlTrap(Control);
  TWinControlTrap* trap = *it;
  PendingTraps.erase(it);
  return trap;
}

// The platform's key handling sees a character above 255 as 255; the
// character rides in the high word.
WPARAM HideWideCharCode(WPARAM WParam) {
  WORD ch = LOWORD(WParam);
  return ch >= 256 ? MAKEWPARAM(255, ch) : WParam;
}

// A key handler that replaced the 255 keeps its replacement.
WPARAM RestoreWideCharCode(WPARAM WParam) {
  WORD high = HIWORD(WParam), low = LOWORD(WParam);
  if (high == 0) return WParam;
  return low == 255 ? high : low;
}

bool IsTextMessage(UINT Msg) {
  return Msg == WM_SETTEXT || Msg == WM_GETTEXT || Msg == WM_GETTEXTLENGTH;
}

class TWindowBeingCreatedScope {
 public:
  explicit TWindowBeingCreatedScope(TWinControl* Control) { WindowBeingCreated = Control; }
  ~TWindowBeingCreatedScope() { WindowBeingCreated = nullptr; }
  TWindowBeingCreatedScope(const TWindowBeingCreatedScope&) = delete;
  TWindowBeingCreatedScope& operator=(const TWindowBeingCreatedScope&) = delete;
};

class THiddenCharScope {
 public:
  explicit THiddenCharScope(HWND Wnd) : Saved_(HiddenCharWindow) { HiddenCharWindow = Wnd; }
  ~THiddenCharScope() { HiddenCharWindow = Saved_; }
  THiddenCharScope(const THiddenCharScope&) = delete;
  THiddenCharScope& operator=(const THiddenCharScope&) = delete;

 private:
  HWND Saved_;
};

// The first message of a new Unicode window binds it to the platform's
// creation control, as the platform's own InitWndProc does.
LRESULT CALLBACK UnicodeInitWndProc(HWND Wnd, UINT Msg, WPARAM WParam, LPARAM LParam) {
  TWinControl* control = CreationControl;
  if (!control) return DefWindowProcW(Wnd, Msg, WParam, LParam);
  control->SetHandle(Wnd);
  try {
    PendingTraps.push_back(TakeTrapFor(control));
  } catch (...) {
    HandleCurrentException(control);
  }
  SetWindowLongPtrW(Wnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&StdWndProc));
  if ((GetWindowLongPtrW(Wnd, GWL_STYLE) & WS_CHILD) && GetWindowLongPtrW(Wnd, GWLP_ID) == 0)
    SetWindowLongPtrW(Wnd, GWLP_ID, reinterpret_cast<LONG_PTR>(Wnd));
  SetPropA(Wnd, MAKEINTATOM(ControlAtom()), control);
  SetPropA(Wnd, MAKEINTATOM(WindowAtom()), control);
  CreationControl = nullptr;
  return CallWindowProcW(&StdWndProc, Wnd, Msg, WParam, LParam);
}

// The wide procedure of the system class whose behaviour the control has.
WNDPROC SubClassWindowProc(const TCreateParams& Params, const WideString& SubClass) {
  WNDCLASSW cls{};
  if (!SubClass.empty() && GetClassInfoW(Params.WindowClass.hInstance, SubClass.c_str(), &cls))
    return cls.lpfnWndProc;
  return &DefWindowProcW;
}

}  // namespace

// The wide class "<8-bit class name>.UnicodeClass" with UnicodeInitWndProc.
WideString RegisterUnicodeClass(const TCreateParams& Params) {
  WideString name = AnsiToWide(Params.WinClassName.substr(0, 64)) + L".UnicodeClass";
  HINSTANCE instance = GetModuleHandleW(nullptr);
  WNDCLASSW cls{};
  if (GetClassInfoW(instance, name.c_str(), &cls)) {
    if (cls.lpfnWndProc == &UnicodeInitWndProc) return name;
    Win32Check(UnregisterClassW(name.c_str(), instance));
  }
  const WNDCLASSA& from = Params.WindowClass;
  bool menuId = IsIntResource(from.lpszMenuName);
  WideString menu = menuId ? WideString() : AnsiToWide(from.lpszMenuName);
  cls = WNDCLASSW{from.style,
                  &UnicodeInitWndProc,
                  from.cbClsExtra,
                  from.cbWndExtra,
                  instance,
                  from.hIcon,
                  from.hCursor,
                  from.hbrBackground,
                  menuId ? reinterpret_cast<LPCWSTR>(from.lpszMenuName) : menu.c_str(),
                  name.c_str()};
  if (!RegisterClassW(&cls)) RaiseLastOSError();
  return name;
}

// ------------------------------------------------------------ window creation

void CreateUnicodeHandle(TWinControl* Control, const TCreateParams& Params,
                         const WideString& SubClass) {
  // A refused creation sets no error code of its own: neither road may leave
  // the class lookups' "class does not exist" for the check after it.
  if (!UnicodeApiAvailable) {
    SetLastError(ERROR_SUCCESS);
    Control->SetHandle(CreateWindowExA(Params.ExStyle, Params.WinClassName.c_str(),
                                       Params.Caption.c_str(), Params.Style, Params.X, Params.Y,
                                       Params.Width, Params.Height, Params.WndParent, nullptr,
                                       Params.WindowClass.hInstance, Params.Param));
    return;
  }
  Control->SetDefWndProc(SubClassWindowProc(Params, SubClass));
  WideString className = RegisterUnicodeClass(Params);
  HWND wnd = nullptr;
  {
    TWindowBeingCreatedScope creating(Control);
    SetLastError(ERROR_SUCCESS);
    wnd = CreateWindowExW(Params.ExStyle, className.c_str(), nullptr, Params.Style, Params.X,
                          Params.Y, Params.Width, Params.Height, Params.WndParent, nullptr,
                          GetModuleHandleW(nullptr), Params.Param);
  }
  if (!wnd) RaiseLastOSError();
  Control->SetHandle(wnd);
  SubClassUnicodeControl(Control, Params.Caption);
}

void SubClassUnicodeControl(TWinControl* Control, const AnsiString& Caption) {
  if (!IsWindowUnicode(Control->WindowHandle()))
    throw EQevInternalError(L"Internal Error: SubClassUnicodeControl.Control is not Unicode.");
  TakeTrapFor(Control)->AttachToWindow(Caption);
}

TComponent* FindWinControlTrap(TWinControl* Control) {
  if (Control->HandleAllocated())
    if (void* trap = GetPropW(Control->WindowHandle(), TrapProperty))
      return static_cast<TWinControlTrap*>(trap);
  for (TWinControlTrap* trap : PendingTraps)
    if (trap->Control() == Control) return trap;
  return nullptr;
}

// ------------------------------------------------------------------ the trap

TWinControlTrap::TWinControlTrap(TWinControl* AControl) : TComponent(nullptr), Control_(AControl) {
  Control_->FreeNotification(this);
}

TWinControlTrap::~TWinControlTrap() {
  PendingTraps.erase(std::remove(PendingTraps.begin(), PendingTraps.end(), this),
                     PendingTraps.end());
  if (Handle_ && GetPropW(Handle_, TrapProperty) == this) RemovePropW(Handle_, TrapProperty);
}

void TWinControlTrap::Notification(TComponent* AComponent, TOperation Operation) {
  TComponent::Notification(AComponent, Operation);
  if (Operation != opRemove || AComponent != Control_) return;
  Control_ = nullptr;
  // Inside the window's procedure the trap is still on the stack.
  if (Win32ProcLevel_ > 0)
    FreePending_ = true;
  else
    delete this;
}

void TWinControlTrap::AttachToWindow(const AnsiString& Caption) {
  Handle_ = Control_->WindowHandle();
  PrevWin32Proc_ = reinterpret_cast<WNDPROC>(GetWindowLongPtrW(Handle_, GWLP_WNDPROC));
  PrevDefWin32Proc_ = Control_->DefWndProc();
  SetPropW(Handle_, TrapProperty, this);
  SetWindowLongPtrW(Handle_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&TrapWindowProc));
  Control_->SetDefWndProc(&TrapDefWindowProc);
  HookControlWindowProc();
  // A themed button paints its new caption at once and is left valid; the
  // platform's font would come after it and repaint nothing.
  Control_->Perform(WM_SETFONT, reinterpret_cast<WPARAM>(Control_->Font()->Handle()), FALSE);
  // The window was made without caption. A caption changed on the 8-bit side
  // while there was no window wins over the held one.
  TWideCaptionHolder* holder = FindWideCaptionHolder(Control_, false);
  WideSetControlText(Control_, holder ? ReconcileWideText(holder->WideCaption, Caption)
                                      : AnsiToWide(Caption));
}

void TWinControlTrap::DetachFromWindow(HWND Wnd) {
  bool freeing = Control_->ComponentState().Contains(csDestroying);
  if (!freeing) KeepCaption(WideGetControlText(Control_));
  // A WindowProc chained later by somebody else stays in place.
  if (Control_->WindowProc == TrapMethod()) Control_->WindowProc = PrevWindowProc_;
  Control_->SetDefWndProc(PrevDefWin32Proc_);
  SetWindowLongPtrW(Wnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(PrevWin32Proc_));
  RemovePropW(Wnd, TrapProperty);
  Handle_ = nullptr;
  if (!freeing) PendingTraps.push_back(this);
}

// Both forms: the platform keeps the 8-bit one only when it destroys the
// window itself, and without it the held one would not count.
void TWinControlTrap::KeepCaption(const WideString& Caption) {
  FindWideCaptionHolder(Control_, true)->WideCaption = Caption;
  const AnsiString ansi = WideToAnsi(Caption);
  // The text of a control without window; its window is on its way out.
  TMessage setText{WM_SETTEXT, 0, reinterpret_cast<LPARAM>(ansi.c_str()), 0};
  Control_->TControl::DefaultHandler(setText);
}

void TWinControlTrap::HookControlWindowProc() {
  if (IsWindowProcHooked()) return;
  PrevWindowProc_ = Control_->WindowProc;
  Control_->WindowProc = TrapMethod();
}

// Somebody may have chained a WindowProc in front of ours: a message 0 sent
// through the chain tells whether ours is still in it.
bool TWinControlTrap::IsWindowProcHooked() {
  if (Control_->WindowProc == TWndMethod::Bind<&TControl::WndProc>(Control_)) return false;
  if (Control_->WindowProc == TrapMethod()) return true;
  Probing_ = true;
  ProbeSeen_ = false;
  TMessage probe;
  Control_->WindowProc(probe);
  return ProbeSeen_;
}

LRESULT CALLBACK TWinControlTrap::TrapWindowProc(HWND Wnd, UINT Msg, WPARAM WParam,
                                                 LPARAM LParam) {
  auto* trap = static_cast<TWinControlTrap*>(GetPropW(Wnd, TrapProperty));
  if (!trap) return DefWindowProcW(Wnd, Msg, WParam, LParam);
  return trap->Win32Proc(Wnd, Msg, WParam, LParam);
}

LRESULT TWinControlTrap::Win32Proc(HWND Wnd, UINT Msg, WPARAM WParam, LPARAM LParam) {
  if (UnitFinalized) {
    if (Msg == WM_DESTROY && Control_) Control_->SetHandle(nullptr);
    return 0;
  }
  // StdWndProc lets no exception out; a procedure put in front of it before
  // the trap came may. The level comes down, and nothing reaches the system.
  LRESULT result = 0;
  ++Win32ProcLevel_;
  try {
    result = CallWindowProcW(PrevWin32Proc_, Wnd, Msg, WParam, LParam);
  } catch (...) {
    HandleCurrentException(Control_);
  }
  --Win32ProcLevel_;
  if (Win32ProcLevel_ == 0 && FreePending_) delete this;
  return result;
}

// The trap may be freed with its control while the platform handles the
// message, so nothing of it is touched after PrevWindowProc_.
void TWinControlTrap::TrapControlWndProc(TMessage& Message) {
  if (Probing_ && Message.Msg == 0) ProbeSeen_ = true;
  if (!Control_->HandleAllocated()) {
    Control_->WndProc(Message);
    return;
  }
  bool fromWindow = CameThroughWindowProc(Control_, Message);
  if (Message.Msg == CM_HINTSHOW) PrepareWideHintInfo(Message);
  if (!fromWindow && IsTextMessage(Message.Msg)) {
    // The platform's own 8-bit text: the system converts for the Unicode window.
    Message.Result = SendMessageA(Control_->WindowHandle(), Message.Msg, Message.WParam,
                                  Message.LParam);
    return;
  }
  TWndMethod next = PrevWindowProc_;
  if (Message.Msg != WM_CHAR) {
    next(Message);
    return;
  }
  // A high word set by somebody else is left alone, also on the way back.
  bool hide = HIWORD(Message.WParam) == 0;
  THiddenCharScope hidden(hide ? Control_->WindowHandle() : nullptr);
  if (hide) Message.WParam = HideWideCharCode(Message.WParam);
  next(Message);
}

LRESULT CALLBACK TWinControlTrap::TrapDefWindowProc(HWND Wnd, UINT Msg, WPARAM WParam,
                                                    LPARAM LParam) {
  auto* trap = static_cast<TWinControlTrap*>(GetPropW(Wnd, TrapProperty));
  if (!trap) return DefWindowProcW(Wnd, Msg, WParam, LParam);
  try {
    return trap->DefWin32Proc(Wnd, Msg, WParam, LParam);
  } catch (...) {
    HandleCurrentException(trap->Control());
    return 0;
  }
}

LRESULT TWinControlTrap::DefWin32Proc(HWND Wnd, UINT Msg, WPARAM WParam, LPARAM LParam) {
  switch (Msg) {
    case WM_NOTIFYFORMAT: {
      auto asking = reinterpret_cast<HWND>(WParam);
      bool wide = asking && (IsWindowUnicode(asking) ||
                             (WindowBeingCreated && WindowBeingCreated->WindowHandle() == asking));
      return UnicodeApiAvailable && wide ? NFR_UNICODE : NFR_ANSI;
    }
    case WM_CHAR:
      if (HiddenCharWindow == Wnd) WParam = RestoreWideCharCode(WParam);
      break;
    case WM_IME_CHAR:
      if (!Win51OrLater) return SendMessageW(Wnd, WM_CHAR, WParam, LParam);
      break;
    case WM_DESTROY:
      if (!UnitFinalized) DetachFromWindow(Wnd);
      break;
    default: break;
  }
  return CallWindowProcW(PrevDefWin32Proc_, Wnd, Msg, WParam, LParam);
}

// ----------------------------------------------------------------- wide hints

void PrepareWideHintInfo(TMessage& Message) {
  auto* info = reinterpret_cast<THintInfo*>(Message.LParam);
  if (!UnicodeApiAvailable || !info || !info->HintWindowClass) return;
  if (info->HintWindowClass == THintWindow::StaticClass())
    info->HintWindowClass = TQevCustomHintWindow::StaticClass();
  else if (!info->HintWindowClass->InheritsFrom(TQevCustomHintWindow::StaticClass()))
    return;
  WideHintMark->SetHintControl(info->HintControl);
  info->HintData = WideHintMark;
  info->HintStr = WideToAnsi(WideShortHint(WideGetHintOfControlOrParent(info->HintControl)));
}

bool IsWideHintData(const void* HintData) { return HintData && HintData == WideHintMark; }

WideString WideHintFromHintInfo(const THintInfo& Info) {
  WideString result = AnsiToWide(Info.HintStr);
  if (result.empty()) return result;
  WideString shortHint = WideShortHint(WideGetHintOfControlOrParent(Info.HintControl));
  AnsiString ansiShort = WideToAnsi(shortHint);
  if (ansiShort == Info.HintStr) return shortHint;
  auto* action = Info.HintControl ? dynamic_cast<TCustomAction*>(Info.HintControl->Action())
                                  : nullptr;
  if (Application && Application->HintShortCuts && action && action->ShortCut() != 0 &&
      Info.HintStr == ansiShort + " (" + ShortCutToText(action->ShortCut()) + ")")
    return shortHint + L" (" + WideShortCutToText(action->ShortCut()) + L")";
  return result;
}

namespace {

// The hint info of prepared hint data, with the hint text the platform passes.
THintInfo WideHintInfoOf(const void* HintData, const AnsiString& AHint) {
  THintInfo info;
  info.HintControl = static_cast<const TWideHintMark*>(HintData)->HintControl();
  info.HintWindowClass = TQevCustomHintWindow::StaticClass();
  info.HintStr = AHint;
  info.HintData = const_cast<void*>(HintData);
  return info;
}

constexpr UINT HintTextFormat = DT_LEFT | DT_WORDBREAK | DT_NOPREFIX;

}  // namespace

void TQevCustomHintWindow::CreateWindowHandle(const TCreateParams& Params) {
  CreateUnicodeHandle(this, Params, WideString());
}

void TQevCustomHintWindow::ActivateHint(TRect Rect, const AnsiString& AHint) {
  TRestore<bool> activating(ActivatingHint_, true);
  THintWindow::ActivateHint(Rect, AHint);
}

void TQevCustomHintWindow::ActivateHintData(TRect Rect, const AnsiString& AHint, void* AData) {
  if (!UnicodeApiAvailable || !IsWideHintData(AData)) {
    THintWindow::ActivateHintData(Rect, AHint, AData);
    return;
  }
  {
    TRestore<bool> blocking(BlockPaint_, true), activating(ActivatingHint_, true);
    SetCaption(WideHintFromHintInfo(WideHintInfoOf(AData, AHint)));
    THintWindow::ActivateHintData(Rect, AHint, AData);
  }
  Invalidate();
}

TRect TQevCustomHintWindow::CalcHintRect(Integer MaxWidth, const AnsiString& AHint, void* AData) {
  if (!UnicodeApiAvailable || !IsWideHintData(AData))
    return THintWindow::CalcHintRect(MaxWidth, AHint, AData);
  WideString text = WideHintFromHintInfo(WideHintInfoOf(AData, AHint));
  RECT rect{0, 0, MaxWidth, 0};
  TScreenDC dc;
  TSelectObject font(dc, Font()->Handle());
  Qev_DrawTextW(dc, text.c_str(), -1, &rect, DT_CALCRECT | HintTextFormat);
  rect.right += 6;
  rect.bottom += 2;
  return rect;
}

void TQevCustomHintWindow::Paint() {
  if (BlockPaint_) return;
  if (!UnicodeApiAvailable) {
    THintWindow::Paint();
    return;
  }
  RECT rect = ClientRect();
  rect.left += 2;
  rect.top += 2;
  TColor color = Screen ? Screen->HintFont()->Color() : clInfoText;
  Canvas()->Font()->Assign(Font());
  Canvas()->Font()->SetColor(color);
  HDC dc = Canvas()->Handle();
  Canvas()->RequiredState({csHandleValid, csFontValid});
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, ColorToRGB(color));
  WideString text = Caption();
  Qev_DrawTextW(dc, text.c_str(), -1, &rect, HintTextFormat);
}

void TQevCustomHintWindow::Dispatch(TMessage& Message) {
  if (Message.Msg != CM_TEXTCHANGED) {
    THintWindow::Dispatch(Message);
    return;
  }
  if (ActivatingHint_) return;
  WideString text = Caption();
  SetWidth(WideCanvasTextWidth(Canvas(), text) + 6);
  SetHeight(WideCanvasTextHeight(Canvas(), text) + 6);
}

// ----------------------------------------------------------------------- unit

void Initialization_QevControlsWindow() {
  UnitFinalized = false;
  WideHintMark = new TWideHintMark;
}

// Traps still attached or parked live on until their controls are freed;
// windows that outlive the unit get only the inert TrapWindowProc.
void Finalization_QevControlsWindow() {
  PendingTraps.clear();
  delete WideHintMark;
  WideHintMark = nullptr;
  UnitFinalized = true;
}
