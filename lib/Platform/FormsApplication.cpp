// The application object, its message loop and hints, and the screen.
#include <algorithm>

#include "Forms.h"
#include "OwnMessages.h"
#include "StdActns.h"

QEV_DEFINE_CLASS(TApplication)
QEV_DEFINE_CLASS(TScreen)

TApplication* Application = nullptr;
TScreen* Screen = nullptr;

namespace {

constexpr UINT_PTR HintTimerID = 1;

AnsiString GetHintOf(TControl* Control) {
  for (; Control; Control = Control->Parent())
    if (!Control->Hint().empty()) return Control->Hint();
  return AnsiString();
}

// The control under a screen point: the window's control, or a windowless
// child of it at the point.
TControl* ControlAtScreenPos(const TPoint& Pos) {
  TWinControl* win = FindControl(WindowFromPoint(Pos));
  if (!win) return nullptr;
  TPoint client = win->ScreenToClient(Pos);
  for (Integer i = win->ControlCount() - 1; i >= 0; --i) {
    TControl* child = win->Controls(i);
    TRect bounds = child->BoundsRect();
    if (!dynamic_cast<TWinControl*>(child) && child->Visible() && PtInRect(&bounds, client))
      return child;
  }
  return win;
}

BOOL CALLBACK DisableWindow(HWND Wnd, LPARAM Data) {
  auto* list = reinterpret_cast<std::vector<HWND>*>(Data);
  if (Wnd != list->front() && IsWindowVisible(Wnd) && IsWindowEnabled(Wnd)) {
    list->push_back(Wnd);
    EnableWindow(Wnd, FALSE);
  }
  return TRUE;
}

}  // namespace

TTaskWindowList DisableTaskWindows(HWND ActiveWindow) {
  auto* list = new std::vector<HWND>{ActiveWindow};  // the first: the one spared
  EnumThreadWindows(GetCurrentThreadId(), &DisableWindow, reinterpret_cast<LPARAM>(list));
  return list;
}

void EnableTaskWindows(TTaskWindowList WindowList) {
  auto* list = static_cast<std::vector<HWND>*>(WindowList);
  if (!list) return;
  for (size_t i = 1; i < list->size(); ++i)
    if (IsWindow((*list)[i])) EnableWindow((*list)[i], TRUE);
  delete list;
}

// ---------------------------------------------------------------- TApplication

LRESULT CALLBACK ApplicationWndProc(HWND Wnd, UINT Msg, WPARAM WParam, LPARAM LParam) {
  if (!Application || Application->Handle_ != Wnd) return DefWindowProcA(Wnd, Msg, WParam, LParam);
  if (IsForeignMessage(Wnd, Msg, WParam, LParam)) return 0;
  TMessage message{Msg, WParam, LParam, 0};
  try {
    try {
      Application->WndProc(message);
    } catch (...) {
      Application->HandleException(Application);
    }
  } catch (...) {
    TraceDroppedException(L"the application window's exception handler");
  }
  return message.Result;
}

TApplication::TApplication(TComponent* AOwner) : TComponent(AOwner) {
  char path[MAX_PATH] = {};
  GetModuleFileNameA(nullptr, path, MAX_PATH);
  AnsiString name = path;
  name = name.substr(name.find_last_of("\\/") + 1);
  Title_ = name.substr(0, name.rfind('.'));
  CreateHandle();
}

TApplication::~TApplication() {
  DestroyForms();
  HintWindow_ = nullptr;
  if (Handle_) DestroyWindow(Handle_);
  Handle_ = nullptr;
}

void TApplication::DestroyForms() {
  for (Integer i = 0; i < ComponentCount(); ++i)
    if (auto* form = dynamic_cast<TCustomForm*>(Components(i))) form->BeforeDestruction();
  DestroyComponents();
}

void TApplication::CreateHandle() {
  WNDCLASSA cls{};
  cls.lpfnWndProc = &ApplicationWndProc;
  cls.hInstance = GetModuleHandleA(nullptr);
  cls.hIcon = LoadIconA(cls.hInstance, "MAINICON");
  cls.hCursor = LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW));
  cls.lpszClassName = "TApplication";
  WNDCLASSA known{};
  if (!GetClassInfoA(cls.hInstance, cls.lpszClassName, &known) && !RegisterClassA(&cls))
    RaiseLastOSError();
  // A refused creation may set no error: the class lookup's 1411 must not stand for it.
  SetLastError(ERROR_SUCCESS);
  Handle_ = CreateWindowExA(0, cls.lpszClassName, Title_.c_str(),
                            WS_POPUP | WS_CAPTION | WS_CLIPSIBLINGS | WS_SYSMENU | WS_MINIMIZEBOX,
                            GetSystemMetrics(SM_CXSCREEN) / 2, GetSystemMetrics(SM_CYSCREEN) / 2,
                            0, 0, nullptr, nullptr, cls.hInstance, nullptr);
  if (!Handle_) RaiseLastOSError();
}

void TApplication::CreateForm(const TClass* FormClass, void* Reference) {
  TClassFactory factory = FormClass->Factory();
  if (!factory) throw EInvalidOperation(L"Cannot create form");
  auto* form = dynamic_cast<TCustomForm*>(factory(this));
  if (!form) throw EInvalidOperation(L"Cannot create form");
  // The reference is set before the resource is read, as OnCreate may use it.
  auto& reference = *static_cast<TCustomForm**>(Reference);
  reference = form;
  TScopeExit forget([&reference] { reference = nullptr; });  // the form is freed on failure
  InitNewForm(form);
  forget.Dismiss();
  if (!MainForm_) {
    MainForm_ = form;
    form->HandleNeeded();
  }
}

void TApplication::Notification(TComponent* AComponent, TOperation Operation) {
  TComponent::Notification(AComponent, Operation);
  if (Operation != opRemove) return;
  if (AComponent == MainForm_) MainForm_ = nullptr;
  if (AComponent == HintWindow_) HintWindow_ = nullptr;
  if (AComponent == HintControl_) HintControl_ = nullptr;
  if (AComponent == MouseControl_) MouseControl_ = nullptr;
}

void TApplication::ControlDestroyed(TControl* Control) {
  if (Control == MainForm_) MainForm_ = nullptr;
  if (Control == HintControl_) CancelHint();
  if (Control == MouseControl_) MouseControl_ = nullptr;
  if (Control == HintWindow_) HintWindow_ = nullptr;
}

// ----------------------------------------------------------- message loop

void TApplication::Run() {
  if (MainForm_ && ShowMainForm) MainForm_->Show();
  while (!Terminated_) {
    try {
      HandleMessage();
    } catch (...) {
      HandleException(this);
    }
  }
}

bool TApplication::ProcessMessage(MSG& Msg) {
  if (!PeekMessageA(&Msg, nullptr, 0, 0, PM_REMOVE)) return false;
  if (Msg.message == WM_QUIT) {
    Terminated_ = true;
    return true;
  }
  // A child window only ever sends its notifications; the system passes a
  // posted one's lParam from any process as it stands.
  if (Msg.message == WM_NOTIFY) return true;
  bool handled = false;
  if (OnMessage) OnMessage(Msg, handled);
  if (HintActive_ && ((Msg.message >= WM_KEYFIRST && Msg.message <= WM_KEYLAST) ||
                      Msg.message == WM_LBUTTONDOWN || Msg.message == WM_RBUTTONDOWN ||
                      Msg.message == WM_MBUTTONDOWN || Msg.message == WM_NCLBUTTONDOWN))
    CancelHint();
  if (!handled && !IsKeyMsg(Msg) && !IsDlgMsg(Msg)) {
    TranslateMessage(&Msg);
    DispatchMessageA(&Msg);
  }
  return true;
}

// Keys go first to the control as CN_ messages (dialog keys, tabbing).
bool TApplication::IsKeyMsg(MSG& Msg) {
  if (Msg.message < WM_KEYFIRST || Msg.message > WM_KEYLAST) return false;
  HWND wnd = Msg.hwnd;
  TWinControl* control = FindControl(wnd);
  while (!control && wnd) {
    wnd = GetParent(wnd);
    control = FindControl(wnd);
  }
  return control && control->Perform(CN_BASE + Msg.message, Msg.wParam, Msg.lParam) != 0;
}

bool TApplication::IsDlgMsg(MSG& Msg) {
  return DialogHandle && IsDialogMessageA(DialogHandle, &Msg);
}

void TApplication::ProcessMessages() {
  MSG msg;
  while (ProcessMessage(msg)) {
  }
}

void TApplication::HandleMessage() {
  MSG msg;
  if (!ProcessMessage(msg)) Idle(msg);
}

void TApplication::Idle(const MSG&) {
  UpdateMouseControl();
  bool done = true;
  try {
    if (OnIdle) OnIdle(this, done);
    if (done && Screen)
      for (Integer i = 0; i < Screen->FormCount(); ++i) {
        TCustomForm* form = Screen->Forms(i);
        if (form->HandleAllocated() && IsWindowVisible(form->WindowHandle()) &&
            IsWindowEnabled(form->WindowHandle()))
          form->UpdateActions();
      }
  } catch (...) {
    HandleException(this);
  }
  if (GetCurrentThreadId() == MainThreadID && CheckSynchronize()) done = false;
  if (done) WaitMessage();
}

void TApplication::UpdateMouseControl() {
  POINT pos{};
  TControl* control = GetCursorPos(&pos) ? ControlAtScreenPos(pos) : nullptr;
  if (control != MouseControl_) {
    if (MouseControl_) MouseControl_->Perform(CM_MOUSELEAVE, 0, 0);
    MouseControl_ = control;
    if (MouseControl_) MouseControl_->Perform(CM_MOUSEENTER, 0, 0);
  }
  if (ShowHint_ && !MouseControl_) CancelHint();
  SetHint(GetLongHint(GetHintOf(MouseControl_)));
}

void TApplication::Terminate() { PostQuitMessage(0); }

// -------------------------------------------------------------- exceptions

void TApplication::HandleException(TObject* Sender) {
  std::exception_ptr current = std::current_exception();
  if (!current) return;
  if (HWND capture = GetCapture()) SendMessageA(capture, WM_CANCELMODE, 0, 0);
  auto report = [&](Exception* E) {
    if (OnException) OnException(Sender, E);
    else ShowException(E);
  };
  try {
    std::rethrow_exception(current);
  } catch (EAbort&) {
  } catch (Exception& E) {
    report(&E);
  } catch (...) {
    EForeignException foreign = CurrentForeignException();
    report(&foreign);
  }
}

void TApplication::ShowException(const Exception* E) {
  AnsiString text = WideToAnsi(E->Message);
  if (!text.empty() && static_cast<unsigned char>(text.back()) > '.') text += '.';
  MessageBoxA(MainForm_ && MainForm_->HandleAllocated() ? MainForm_->WindowHandle() : Handle_,
              text.c_str(), Title().c_str(), MB_OK | MB_ICONSTOP);
}

// ------------------------------------------------------------ window, title

void TApplication::WndProc(TMessage& Message) {
  for (size_t i = WindowHooks_.size(); i-- > 0;)
    if (i < WindowHooks_.size() && WindowHooks_[i](Message)) return;
  switch (Message.Msg) {
    case WM_CLOSE:
      if (MainForm_) MainForm_->Close();
      return;
    case WM_ACTIVATEAPP:
      Active_ = Message.WParam != 0;
      if (Active_ && OnActivate) OnActivate(this);
      if (!Active_ && OnDeactivate) OnDeactivate(this);
      break;
    case WM_TIMER:
      if (Message.WParam == HintTimerID) {
        POINT pos{};
        GetCursorPos(&pos);
        ActivateHint(pos);
        return;
      }
      break;
    case CM_ACTIONEXECUTE: case CM_ACTIONUPDATE: {
      TCustomForm* form = Screen && Screen->ActiveForm() ? Screen->ActiveForm() : MainForm_;
      Message.Result = form ? form->Perform(Message.Msg, 0, Message.LParam) : 0;
      return;
    }
    default: break;
  }
  Message.Result = DefWindowProcA(Handle_, Message.Msg, Message.WParam, Message.LParam);
}

void TApplication::HookMainWindow(TWindowHook Hook) { WindowHooks_.push_back(Hook); }

void TApplication::UnhookMainWindow(TWindowHook Hook) {
  auto it = std::find(WindowHooks_.begin(), WindowHooks_.end(), Hook);
  if (it != WindowHooks_.end()) WindowHooks_.erase(it);
}

AnsiString TApplication::Title() const { return Handle_ ? GetWindowTextOf(Handle_) : Title_; }

void TApplication::SetTitle(const AnsiString& Value) {
  Title_ = Value;
  if (Handle_) SetWindowTextA(Handle_, Value.c_str());
}

AnsiString TApplication::ExeName() const {
  char path[MAX_PATH] = {};
  DWORD length = GetModuleFileNameA(nullptr, path, MAX_PATH);
  return AnsiString(path, length);
}

// -------------------------------------------------------------------- hints

void TApplication::SetHint(const AnsiString& Value) {
  if (Hint_ == Value) return;
  Hint_ = Value;
  if (OnHint) {
    OnHint(this);
    return;
  }
  // Whoever shows hints (a status bar) takes them from the hint action.
  THintAction action(this);
  action.SetHint(Value);
  action.Execute();
}

void TApplication::SetShowHint(bool Value) {
  if (ShowHint_ == Value) return;
  ShowHint_ = Value;
  if (!Value) CancelHint();
}

void TApplication::StartHintTimer(Integer Pause) {
  KillTimer(Handle_, HintTimerID);
  if (!SetTimer(Handle_, HintTimerID, static_cast<UINT>(std::max(Pause, 1)), nullptr)) CancelHint();
}

void TApplication::HintMouseMessage(TControl* Control, TMessage& Message) {
  TControl* hintControl = Control;
  while (hintControl && !hintControl->ShowHint()) hintControl = hintControl->Parent();
  if (!ShowHint_ || !hintControl) {
    CancelHint();
    return;
  }
  TPoint pos = PointOfLParam(Message.LParam);
  if (hintControl != Control) pos = hintControl->ScreenToClient(Control->ClientToScreen(pos));
  if (hintControl == HintControl_ && PtInRect(&HintCursorRect_, pos)) return;
  HintControl_ = hintControl;
  HintCursorRect_ = hintControl->ClientRect();
  StartHintTimer(HintActive_ ? HintShortPause : HintPause);
}

void TApplication::ActivateHint(const TPoint& CursorPos) {
  KillTimer(Handle_, HintTimerID);
  if (!HintControl_ || !ShowHint_) return;
  THintInfo info;
  info.HintControl = HintControl_;
  info.HintWindowClass = HintWindowClass;
  info.HintPos = TPoint{CursorPos.x, CursorPos.y + GetSystemMetrics(SM_CYCURSOR) / 2};
  info.HintMaxWidth = Screen ? Screen->Width() : GetSystemMetrics(SM_CXSCREEN);
  info.HintColor = HintColor;
  info.CursorRect = HintControl_->ClientRect();
  info.CursorPos = HintControl_->ScreenToClient(CursorPos);
  info.HideTimeout = HintHidePause;
  info.HintStr = GetShortHint(GetHintOf(HintControl_));
  bool canShow = HintControl_->Perform(CM_HINTSHOW, 0, reinterpret_cast<LPARAM>(&info)) == 0;
  if (canShow && OnShowHint) OnShowHint(info.HintStr, canShow, info);
  HintActive_ = canShow && !info.HintStr.empty();
  if (!HintActive_) {
    HideHint();
    return;
  }
  HintCursorRect_ = info.CursorRect;
  if (HintWindow_ && HintWindow_->ClassType() != info.HintWindowClass) {
    delete HintWindow_;
    HintWindow_ = nullptr;
  }
  if (!HintWindow_) {
    TClassFactory factory = info.HintWindowClass->Factory();
    HintWindow_ = factory ? dynamic_cast<THintWindow*>(factory(this)) : nullptr;
    if (!HintWindow_) return;
  }
  TRect rect = HintWindow_->CalcHintRect(info.HintMaxWidth, info.HintStr, info.HintData);
  OffsetRect(&rect, info.HintPos.x, info.HintPos.y);
  HintWindow_->SetColor(info.HintColor);
  HintWindow_->ActivateHintData(rect, info.HintStr, info.HintData);
}

void TApplication::HideHint() {
  if (HintWindow_ && HintWindow_->HandleAllocated()) HintWindow_->ReleaseHandle();
}

void TApplication::CancelHint() {
  KillTimer(Handle_, HintTimerID);
  HideHint();
  HintControl_ = nullptr;
  HintActive_ = false;
}

// --------------------------------------------------------------------- TScreen

TScreen::TScreen(TComponent* AOwner) : TComponent(AOwner), HintFont_(new TFont) {}

TScreen::~TScreen() {
  delete Fonts_;
  delete HintFont_;
}

void TScreen::RemoveForm(TCustomForm* Form) {
  Forms_.erase(std::remove(Forms_.begin(), Forms_.end(), Form), Forms_.end());
  if (ActiveForm_ == Form) ActiveForm_ = nullptr;
}

TRect TScreen::WorkAreaRect() const {
  RECT rect{};
  SystemParametersInfoA(SPI_GETWORKAREA, 0, &rect, 0);
  return rect;
}

namespace {
int CALLBACK AddFontName(const LOGFONTA* Font, const TEXTMETRICA*, DWORD, LPARAM Data) {
  auto* fonts = reinterpret_cast<TStringList*>(Data);
  if (Font->lfFaceName[0] != '@') fonts->Add(Font->lfFaceName);
  return 1;
}
}  // namespace

TStrings* TScreen::Fonts() {
  if (Fonts_) return Fonts_;
  Fonts_ = new TStringList;
  Fonts_->Duplicates = dupIgnore;
  Fonts_->SetSorted(true);
  TScreenDC dc;
  LOGFONTA font{};
  font.lfCharSet = DEFAULT_CHARSET;
  EnumFontFamiliesExA(dc, &font, &AddFontName, reinterpret_cast<LPARAM>(Fonts_), 0);
  return Fonts_;
}

HCURSOR TScreen::Cursors(TCursor Cursor) {
  static const struct {
    TCursor Cursor;
    WORD Id;
  } SystemCursors[] = {{-3, 32515},  {-4, 32513},  {-6, 32643},  {-7, 32645},  {-8, 32642},
                       {-9, 32644},  {-10, 32516}, {-11, 32514}, {-18, 32648}, {-19, 32650},
                       {-20, 32651}, {-21, 32649}, {-22, 32646}};
  constexpr TCursor crNone = -1;
  if (Cursor == crNone) return nullptr;
  WORD id = 32512;  // the arrow
  for (const auto& c : SystemCursors)
    if (c.Cursor == Cursor) id = c.Id;
  return LoadCursorA(nullptr, MAKEINTRESOURCEA(id));
}

void TScreen::SetCursor(TCursor Value) {
  if (Cursor_ == Value) return;
  Cursor_ = Value;
  ::SetCursor(Cursors(Value));
}

// -------------------------------------------------------------- unit start

namespace {
bool SendActionMessage(UINT Msg, TBasicAction* Action) {
  if (!Application) return false;
  return SendOwnMessage(Application->Handle(), Msg, 0, reinterpret_cast<LPARAM>(Action)) != 0;
}
}  // namespace

namespace {

// The forms on the screen are known by name to form reading: a reference to
// another form resolves, and a second form of a name already shown takes the
// name with "_1", "_2", ... appended.
TComponent* FindScreenForm(const AnsiString& Name) {
  if (!Screen) return nullptr;
  for (Integer i = 0; i < Screen->FormCount(); ++i)
    if (SameText(Screen->Forms(i)->Name(), Name)) return Screen->Forms(i);
  return nullptr;
}

}  // namespace

void Initialization_Forms() {
  RegisterFindGlobalComponentProc(&FindScreenForm);
  Screen = new TScreen(nullptr);
  Application = new TApplication(nullptr);
  ApplicationHandleException = TExceptionHandler::Bind<&TApplication::HandleException>(Application);
  ApplicationActionExecuteMessage = [](TBasicAction* Action) {
    return SendActionMessage(CM_ACTIONEXECUTE, Action);
  };
  ApplicationActionUpdateMessage = [](TBasicAction* Action) {
    return SendActionMessage(CM_ACTIONUPDATE, Action);
  };
}

void Finalization_Forms() {
  ApplicationActionExecuteMessage = nullptr;
  ApplicationActionUpdateMessage = nullptr;
  ApplicationHandleException = TExceptionHandler();
  delete Application;
  Application = nullptr;
  delete Screen;
  Screen = nullptr;
  UnregisterFindGlobalComponentProc(&FindScreenForm);
}
