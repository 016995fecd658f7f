#include "QevForms.h"

#include <algorithm>
#include <memory>

#include "Menus.h"
#include "QevActnList.h"
#include "QevClasses.h"
#include "QevMenus.h"
#include "QevStdActns.h"
#include "QevSystem.h"
#include "QevSysUtils.h"
#include "Scoped.h"
#include "StdActns.h"
#include "SysUtils.h"
#include "WinApi.h"

QEV_RESOURCESTRING(QevForms, SCouldNotCreateFontSubstitutes,
                   L"Couldn't create font substitutes.\r\n");

QEV_DEFINE_CLASS(TQevForm,
                 QEV_WIDE_CAPTION_PROPERTY(IsCaptionStored),
                 QEV_PROPERTY(Hint, Hint, SetHint).Stored<&Self::IsHintStored>())
QEV_DEFINE_CLASS(TQevAppIdleEventControl)
QEV_DEFINE_CLASS(TQevApplication)

TQevApplication* QevApplication = nullptr;

namespace {

constexpr const WideChar* QevUnitSource = L"lib\\QevUnicodeVCL\\QevForms";  // named by assertions
HHOOK MessageHook = nullptr;

bool ApplicationWindowExists() { return Application && Application->Handle(); }

// Flat scroll bars come from comctl32 (bound by name: not every import library
// of the toolchain lists the function); without it loaded no window has them.
void UninitializeFlatScrollBars(HWND Wnd) {
  using TUninitializeFlatSB = HRESULT(WINAPI*)(HWND);
  if (auto uninitialize = ProcAddress<TUninitializeFlatSB>(GetModuleHandleW(L"comctl32.dll"),
                                                           "UninitializeFlatSB"))
    uninitialize(Wnd);
}

void SetPlatformHint(TObject*, const AnsiString& Value) { Application->SetHint(Value); }
void SetPlatformTitle(TObject*, const AnsiString& Value) { Application->SetTitle(Value); }

}  // namespace

// ------------------------------------------------------------------ TQevForm

void TQevForm::InitializeForm() { CreateWithRootAncestor(TQevForm::StaticClass()); }

void TQevForm::DefineProperties(TFiler* Filer) {
  TForm::DefineProperties(Filer);
  DefineWideProperties(Filer, this);
}

void TQevForm::CreateWindowHandle(const TCreateParams& Params) {
  if (!UnicodeApiAvailable) {
    TForm::CreateWindowHandle(Params);
    return;
  }
  if (FormStyle() == fsMDIChild && !ComponentState().Contains(csDesigning)) {
    CreateMDIChildHandle(Params);
    return;
  }
  TCreateParams params = Params;
  // A layered window shows nothing until its attributes are set.
  params.ExStyle &= ~static_cast<DWORD>(WS_EX_LAYERED);
  CreateUnicodeHandle(this, params, WideString());
  FormState_.Exclude(fsCreatedMDIChild);
}

// A Unicode MDI child: made by the main form's client, with the trap on it.
void TQevForm::CreateMDIChildHandle(const TCreateParams& Params) {
  TCustomForm* main = Application ? Application->MainForm() : nullptr;
  if (!main || !main->ClientHandle()) throw EInvalidOperation(SNoMDIForm);
  const WideString className = RegisterUnicodeClass(Params);
  SetDefWndProc(&DefMDIChildProcW);
  SetLastError(ERROR_SUCCESS);  // a refused creation sets none; the class lookup's must not show
  HWND wnd = CreateMDIWindowW(className.c_str(), nullptr, Params.Style, Params.X, Params.Y,
                              Params.Width, Params.Height, main->ClientHandle(),
                              GetModuleHandleW(nullptr), reinterpret_cast<LPARAM>(Params.Param));
  if (!wnd) RaiseLastOSError();
  if (!HandleAllocated()) SetHandle(wnd);
  SubClassUnicodeControl(this, Params.Caption);
  FormState_.Include(fsCreatedMDIChild);
}

// An MDI frame on NT: the wide frame procedure with the client window. WM_SIZE
// stays with the form, which lays the client out itself; WM_DESTROY also
// passes the trap, which must let go of the window.
void TQevForm::DefaultHandler(TMessage& Message) {
  HWND client = ClientHandle();
  if (!UnicodeApiAvailable || !client || !HandleAllocated() || Message.Msg == WM_DESTROY) {
    TForm::DefaultHandler(Message);
    return;
  }
  HWND wnd = WindowHandle();
  Message.Result =
      Message.Msg == WM_SIZE
          ? DefWindowProcW(wnd, Message.Msg, Message.WParam, Message.LParam)
          : DefFrameProcW(wnd, client, Message.Msg, Message.WParam, Message.LParam);
}

void TQevForm::DestroyWindowHandle() {
  if (UnicodeApiAvailable) UninitializeFlatScrollBars(WindowHandle());
  TForm::DestroyWindowHandle();
}

void TQevForm::ActionChange(TObject* Sender, bool CheckDefaults) {
  WideControlActionChange(this, Sender, CheckDefaults);
  TForm::ActionChange(Sender, CheckDefaults);
}

TControlActionLinkClass TQevForm::GetActionLinkClass() {
  return WideActionLinkClassFor(this, TForm::GetActionLinkClass());
}

void TQevForm::UpdateActions() {
  TForm::UpdateActions();
  if (QevApplication) QevApplication->UpdateHintFromMouseControl();
}

void TQevForm::Dispatch(TMessage& Message) {
  switch (Message.Msg) {
    case WM_MENUSELECT:
      if (!Menu()) break;
      WMMenuSelect(Message);
      return;
    case CM_BIDIMODECHANGED:
      TForm::Dispatch(Message);
      for (Integer i = 0; i < ComponentCount(); ++i)
        if (auto* menu = dynamic_cast<TMenu*>(Components(i))) UpdateMiddleEastMenu(menu);
      return;
    case WM_WINDOWPOSCHANGING:
      TForm::Dispatch(Message);
      UpdateMiddleEastMenu(Menu());
      return;
    default: break;
  }
  TForm::Dispatch(Message);
}

// The status display shows the wide long hint of the item under the cursor.
void TQevForm::WMMenuSelect(TMessage& Message) {
  const UINT item = LOWORD(Message.WParam), flags = HIWORD(Message.WParam);
  const auto menu = reinterpret_cast<HMENU>(Message.LParam);
  TMenuItem* found = nullptr;
  if (flags != 0xFFFF || item != 0) {
    if (flags & MF_POPUP)
      found = Menu()->FindItem(reinterpret_cast<UINT_PTR>(GetSubMenu(menu, static_cast<int>(item))),
                               fkHandle);
    else
      found = Menu()->FindItem(item, fkCommand);
  }
  if (QevApplication)
    QevApplication->SetHint(found ? WideLongHint(GetMenuItemWideHint(found)) : WideString());
}

// --------------------------------------------------- TQevAppIdleEventControl

TQevAppIdleEventControl::TQevAppIdleEventControl(TComponent* AOwner) : TControl(AOwner) {
  SetParentFont(false);
  SetParent(Application->MainForm());
  SetVisible(true);
  auto* action = new TQevAction(this);
  action->SetOnExecute(TNotifyEvent::Bind<&TQevAppIdleEventControl::IdleUpdate>(this));
  action->SetOnUpdate(TNotifyEvent::Bind<&TQevAppIdleEventControl::IdleUpdate>(this));
  SetAction(action);
  if (QevApplication) QevApplication->IdleEventControl_ = this;
}

TQevAppIdleEventControl::~TQevAppIdleEventControl() {
  if (QevApplication && QevApplication->IdleEventControl_ == this)
    QevApplication->IdleEventControl_ = nullptr;
}

void TQevAppIdleEventControl::IdleUpdate(TObject*) {
  if (QevApplication) QevApplication->UpdateHintFromMouseControl();
}

// ----------------------------------------------------------- TQevApplication

TQevApplication::TQevApplication(TComponent* AOwner) : TComponent(AOwner) {
  Application->HookMainWindow(TWindowHook::Bind<&TQevApplication::AppWindowHook>(this));
}

TQevApplication::~TQevApplication() {
  delete IdleEventControl_;
  if (Application)
    Application->UnhookMainWindow(TWindowHook::Bind<&TQevApplication::AppWindowHook>(this));
}

WideString TQevApplication::GetHint() { return ReconcileWideText(HeldHint_, Application->Hint()); }

void TQevApplication::SetHint(const WideString& Value) {
  SetHeldWideText(Value, HeldHint_, Application->Hint(), &SetPlatformHint, this);
}

// The length WM_GETTEXT reports counts: WM_GETTEXTLENGTH may give more.
WideString TQevApplication::GetTitle() {
  if (!UnicodeApiAvailable || !ApplicationWindowExists())
    return ReconcileWideText(HeldTitle_, Application->Title());
  HWND wnd = Application->Handle();
  const LRESULT length = DefWindowProcW(wnd, WM_GETTEXTLENGTH, 0, 0);
  WideString buffer(static_cast<size_t>(length) + 1, L'\0');
  const LRESULT copied = DefWindowProcW(wnd, WM_GETTEXT, static_cast<WPARAM>(buffer.size()),
                                        reinterpret_cast<LPARAM>(buffer.data()));
  buffer.resize(static_cast<size_t>(std::clamp<LRESULT>(copied, 0, length)));
  return buffer;
}

void TQevApplication::SetTitle(const WideString& Value) {
  if (!UnicodeApiAvailable || !ApplicationWindowExists()) {
    SetHeldWideText(Value, HeldTitle_, Application->Title(), &SetPlatformTitle, this);
    return;
  }
  if (GetTitle() == Value && HeldTitle_.empty()) return;
  DefWindowProcW(Application->Handle(), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(Value.c_str()));
  HeldTitle_.clear();
}

WideString TQevApplication::GetExeName() { return WideParamStr(0); }

void TQevApplication::UpdateHintFromMouseControl() {
  SetHint(WideLongHint(WideGetHintOfControlOrParent(Application->MouseControl())));
}

// A Unicode dialog gets the wide message: the 8-bit call would squeeze a
// character above U+00FF through the code page.
bool TQevApplication::IsAppDialogMessage(MSG& Msg) {
  HWND dialog = Application->DialogHandle;
  if (!dialog) return false;
  return (IsWindowUnicode(dialog) ? IsDialogMessageW(dialog, &Msg)
                                  : IsDialogMessageA(dialog, &Msg)) != FALSE;
}

bool TQevApplication::AppWindowHook(TMessage& Message) {
  if (Message.Msg == WM_CREATE && !HeldTitle_.empty()) {
    const WideString title = HeldTitle_;  // SetTitle may reconcile the held value
    SetTitle(title);
    HeldTitle_.clear();
    return false;
  }
  if (Message.Msg != CM_ACTIONEXECUTE) return false;
  auto* action = reinterpret_cast<TBasicAction*>(Message.LParam);
  if (!action || action->ClassType() != THintAction::StaticClass()) return false;
  const WideString hint = GetHint();
  if (static_cast<THintAction*>(action)->Hint() != WideToAnsi(hint)) return false;
  Message.Result = 1;
  std::unique_ptr<TQevHintAction> wide(new TQevHintAction(this));
  wide->SetHint(hint);
  wide->Execute();
  return true;
}

void TQevApplication::CheckMainForm() {
  if (MainFormChecked_ || !Application->MainForm()) return;
  MainFormChecked_ = true;
  if (!dynamic_cast<TQevForm*>(Application->MainForm()))
    new TQevAppIdleEventControl(Application->MainForm());
}

// A message for the platform's dialog that the dialog cannot take wide stays
// with the message loop, which hands it to the dialog itself. Asking the
// dialog here as well would process the message twice, as IsDialogMessage
// acts on every message it accepts.
bool TQevApplication::ProcessWideChar(MSG& Msg) {
  CheckMainForm();
  if (Msg.message != WM_CHAR || Msg.wParam < 256 || !IsWindowUnicode(Msg.hwnd)) return false;
  HWND dialog = Application->DialogHandle;
  if (dialog && !IsWindowUnicode(dialog) && (Msg.hwnd == dialog || IsChild(dialog, Msg.hwnd)))
    return false;
  bool handled = false;
  if (Application->OnMessage) Application->OnMessage(Msg, handled);
  Application->CancelHint();
  if (!handled && !IsAppDialogMessage(Msg)) DispatchMessageW(&Msg);
  return true;
}

// ---------------------------------------------------------- the message hook

namespace {

LRESULT CALLBACK GetMessageHook(int Code, WPARAM WParam, LPARAM LParam) {
  if (Code >= 0 && WParam == PM_REMOVE && QevApplication) {
    auto* msg = reinterpret_cast<MSG*>(LParam);
    try {
      if (QevApplication->ProcessWideChar(*msg)) msg->message = WM_NULL;
    } catch (...) {
      HandleCurrentException(QevApplication);
    }
  }
  return CallNextHookEx(MessageHook, Code, WParam, LParam);
}

void InstallGetMessageHook() {
  QEV_ASSERT(UnicodeApiAvailable, L"Assertion failure");
  MessageHook = SetWindowsHookExW(WH_GETMESSAGE, &GetMessageHook, nullptr, GetCurrentThreadId());
  if (!MessageHook) RaiseLastOSError();
}

// The web server's worker and the component host may have torn the thread's
// hooks down already.
bool IsServiceHostProcess() {
  const WideString name = QevWideUpperCase(WideExtractFileName(WideParamStr(0)));
  return name.rfind(L"W3WP.", 0) == 0 || name.rfind(L"DLLHOST.", 0) == 0;
}

}  // namespace

HHOOK GetMessageHookHandle() { return MessageHook; }

// ------------------------------------------------------------------ hot keys

bool IsWideHotKey(Word Key, const WideString& Caption) {
  WideString hotKey = HotKeyOfCaption(Caption);
  return !hotKey.empty() && WideSameText(WideString(1, KeyboardCharToWide(Key)), hotKey);
}

// ------------------------------------------------------- start-up environment

namespace {

constexpr const char* FontSubstitutesSection = "FontSubstitutes";

WideString ReadFontSubstitute(const char* Key) {
  char value[33] = {};
  GetProfileStringA(FontSubstitutesSection, Key, "", value, sizeof value);
  return AnsiToWide(value);
}

// Everybody hears that win.ini changed; the 9x profile cache is flushed first.
void WriteFontSubstitute(const char* Section, const char* Key, const WideString& Value) {
  try {
    Win32Check(WriteProfileStringA(Section, Key, WideToAnsi(Value).c_str()));
    if (!UnicodeApiAvailable) WriteProfileStringA(nullptr, nullptr, nullptr);
    DWORD_PTR result = 0;
    SendMessageTimeoutA(HWND_BROADCAST, WM_WININICHANGE, 0, reinterpret_cast<LPARAM>(Section),
                        SMTO_NORMAL, 250, &result);
  } catch (Exception& E) {
    E.Message = LoadResString(SCouldNotCreateFontSubstitutes) + E.Message;
    Application->ShowException(&E);
  }
}

}  // namespace

WideString EnsureFontSubstitutes() {
  WideString dialogFont = ReadFontSubstitute("MS Shell Dlg");
  if (dialogFont.empty()) {
    dialogFont = L"MS Sans Serif";
    WriteFontSubstitute(FontSubstitutesSection, "MS Shell Dlg", dialogFont);
  }
  WideString dialogFont2 = ReadFontSubstitute("MS Shell Dlg 2");
  if (dialogFont2.empty()) {
    dialogFont2 = Screen->Fonts()->IndexOf("Tahoma") >= 0 ? WideString(L"Tahoma") : dialogFont;
    WriteFontSubstitute(FontSubstitutesSection, "MS Shell Dlg 2", dialogFont2);
  }
  return dialogFont2;
}

void InitUnicodeEnvironment() {
  InstallRtlPatches(rtlConversionsAndResStrings | rtlConversionsInAnsiCodePage |
                    rtlConcatenation | rtlWideFormat);
  // The platform's font record holds a name of at most 31 characters.
  DefFontData.Name = WideToShortString(EnsureFontSubstitutes(), 31).substr(1);
  HintWindowClass = TQevHintWindow::StaticClass();
}

// ----------------------------------------------------------------------- unit

void Initialization_QevForms() {
  QevApplication = new TQevApplication(nullptr);
  if (UnicodeApiAvailable) InstallGetMessageHook();
}

void Finalization_QevForms() {
  if (MessageHook) {
    BOOL unhooked = UnhookWindowsHookEx(MessageHook);
    DWORD error = GetLastError();  // before the process check's own calls
    MessageHook = nullptr;
    if (!unhooked && !IsServiceHostProcess()) RaiseLastOSError(error);
  }
  delete QevApplication;
  QevApplication = nullptr;
}
