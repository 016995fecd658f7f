#include "QevLXForms.h"

#include <algorithm>
#include <utility>
#include <vector>

#include "Menus.h"
#include "QevMenus.h"
#include "QevSysUtils.h"
#include "QevWindows.h"

QEV_RESOURCESTRING(QevLXForms, SNotValidForMainOrMDIForm,
                   L"Internal Error: This operation is not valid for a main or MDI form.");
QEV_RESOURCESTRING(QevLXForms, SNotValidForTaskBarForm,
                   L"Internal Error: This operation is not valid for a form with a TaskBar button.");
QEV_RESOURCESTRING(QevLXForms, SNoOwnTaskBarButton,
                   L"A MDI child or a contained form can not have its own task bar button.");
QEV_RESOURCESTRING(QevLXForms, SOwnedFormStyle,
                   L"Internal Error: An owned form can not be a main or MDI form.");
QEV_RESOURCESTRING(QevLXForms, SMDIChildTaskBar,
                   L"Internal Error: An MDI child form can not have a taskbar button.");

QEV_DEFINE_CLASS(TQevFormLX,
                 QEV_PROPERTY(TaskBarButton, TaskBarButton, SetTaskBarButton).Default(false),
                 QEV_PROPERTY(Menu, Menu, SetMenu))

bool KeepApplicationWindowHidden = false;
TFlashWindowExProc FlashWindowExProc = nullptr;

namespace {

Integer UnitStarts = 0;
std::vector<TQevFormLX*> TaskBarForms;
std::vector<TQevFormLX*> BringToFrontForms;
bool MainFormCloseDeferred = false;
UINT BringToFrontMessage = 0;

void Forget(std::vector<TQevFormLX*>& List, TQevFormLX* Form) {
  List.erase(std::remove(List.begin(), List.end(), Form), List.end());
}

TQevFormLX* MainFormLX() {
  return Application ? dynamic_cast<TQevFormLX*>(Application->MainForm()) : nullptr;
}

// Task-bar forms besides the main form that still show; Going is on its way out.
bool OtherTaskBarFormsOpen(const TQevFormLX* Going) {
  const TQevFormLX* main = MainFormLX();
  return std::any_of(TaskBarForms.begin(), TaskBarForms.end(), [&](TQevFormLX* form) {
    return form != main && form != Going && form->Visible();
  });
}

// The main form waited for the other task-bar forms: when none is left, it
// closes, through the message loop, once the going form is out of the way.
void CloseDeferredMainForm(const TQevFormLX* Going) {
  TQevFormLX* main = MainFormLX();
  if (!MainFormCloseDeferred || !main || OtherTaskBarFormsOpen(Going)) return;
  MainFormCloseDeferred = false;
  if (main->HandleAllocated()) PostMessageA(main->WindowHandle(), WM_CLOSE, 0, 0);
  else main->Close();
}

}  // namespace

// ---------------------------------------------------------------- TQevFormLX

TQevFormLX::TQevFormLX(TComponent* AOwner) : TQevForm(AOwner) {}

TQevFormLX::~TQevFormLX() {
  Forget(BringToFrontForms, this);
  // Freed while modal: the windows it disabled must not stay disabled.
  try {
    RestoreModalState();
  } catch (...) {
    HandleCurrentException(this);
  }
  if (TaskBarButton_) {
    TaskBarButton_ = false;
    Forget(TaskBarForms, this);
    CloseDeferredMainForm(this);
  }
}

void TQevFormLX::InitializeForm() { CreateWithRootAncestor(TQevFormLX::StaticClass()); }

bool TQevFormLX::IsMainForm() const { return Application && Application->MainForm() == this; }

void TQevFormLX::CreateParams(TCreateParams& Params) {
  TQevForm::CreateParams(Params);
  if (OwnerControl_) Params.WndParent = OwnerControl_->Handle();
  if (TaskBarButton_ && !Designing()) {
    Params.ExStyle |= WS_EX_APPWINDOW;
    Params.WndParent = nullptr;
  }
}

void TQevFormLX::Notification(TComponent* AComponent, TOperation Operation) {
  TQevForm::Notification(AComponent, Operation);
  if (Operation != opRemove) return;
  if (AComponent == Modal_.DisabledControl) Modal_.DisabledControl = nullptr;
  if (AComponent == OwnerControl_) {
    OwnerControl_ = nullptr;
    if (!ComponentState().Contains(csDestroying)) RecreateWnd();
  }
}

// ------------------------------------------------------------ owner, modal

void TQevFormLX::CheckOwnable() {
  const TFormStyle style = FormStyle();
  if (IsMainForm() || style == fsMDIChild || style == fsMDIForm)
    throw EQevInternalError(SNotValidForMainOrMDIForm);
  if (TaskBarButton_) throw EQevInternalError(SNotValidForTaskBarForm);
}

void TQevFormLX::SetOwnerControl(TWinControl* Value) {
  if (OwnerControl_ == Value) return;
  CheckOwnable();
  OwnerControl_ = Value;
  if (Value) Value->FreeNotification(this);
  RecreateWnd();
}

void TQevFormLX::BeginModal() {
  CheckOwnable();
  if (Visible() || Modal_.Begun) throw EInvalidOperation(SCannotShowModal);
  if (!Enabled()) throw EQevGeneralError(SCannotShowModalDisabled);
  TModalState state;
  state.Begun = true;
  if (OwnerControl_) {
    state.DisabledControl = OwnerControl_;
    state.SavedEnabled = OwnerControl_->Enabled();
    OwnerControl_->SetEnabled(false);
  } else {
    state.PreviousActive = GetActiveWindow();
    state.TaskWindows = DisableTaskWindows(nullptr);
  }
  Modal_ = state;
  FormState_.Include(fsModal);
  try {
    Show();
  } catch (...) {
    RestoreModalState();
    throw;
  }
}

void TQevFormLX::EndModal() {
  try {
    CheckOwnable();
    if (!HandleAllocated() || GetActiveWindow() != WindowHandle()) Modal_.PreviousActive = nullptr;
    Hide();
  } catch (...) {
    RestoreModalState();
    throw;
  }
  RestoreModalState();
}

// Undoes what BeginModal did, and nothing it did not do.
void TQevFormLX::RestoreModalState() {
  const TModalState state = std::exchange(Modal_, TModalState());
  FormState_.Exclude(fsModal);
  if (!state.Begun) return;
  if (TWinControl* control = state.DisabledControl) {
    control->SetEnabled(state.SavedEnabled);
    if (control->CanFocus()) control->SetFocus();
    return;
  }
  EnableTaskWindows(state.TaskWindows);
  if (state.PreviousActive) SetActiveWindow(state.PreviousActive);
}

// ------------------------------------------------ task-bar button, style, menu

void TQevFormLX::UpdateApplicationWindow(bool HasTaskBarButton) {
  if (!Application || !Application->Handle()) return;
  HWND wnd = Application->Handle();
  const bool show = Designing() || (!HasTaskBarButton && !KeepApplicationWindowHidden);
  // The application window is only the task-bar entry: it never takes the
  // activation from the form that made it show.
  if (show != (IsWindowVisible(wnd) != FALSE)) ShowWindow(wnd, show ? SW_SHOWNA : SW_HIDE);
}

void TQevFormLX::SetTaskBarButton(bool Value) {
  if (TaskBarButton_ == Value) return;
  if (Value && (FormStyle() == fsMDIChild || OwnerControl_))
    throw EQevGeneralError(SNoOwnTaskBarButton);
  TaskBarButton_ = Value;
  if (Value) {
    TaskBarForms.push_back(this);
  } else {
    Forget(TaskBarForms, this);
    CloseDeferredMainForm(this);
  }
  if (ComponentState().Contains(csDestroying) || Designing()) return;
  RecreateWnd();
  if (IsMainForm()) UpdateApplicationWindow(Value);
}

void TQevFormLX::SetFormStyle(TFormStyle Value) {
  if (FormStyle() == Value) return;
  const bool mdi = Value == fsMDIChild || Value == fsMDIForm;
  if (OwnerControl_ && (mdi || IsMainForm())) throw EQevInternalError(SOwnedFormStyle);
  if (Value == fsMDIChild && TaskBarButton_) throw EQevInternalError(SMDIChildTaskBar);
  TQevForm::SetFormStyle(Value);
}

void TQevFormLX::SetMenu(TMainMenu* Value) {
  FixMainMenuOwnerDraw(Value);
  TQevForm::SetMenu(Value);
}

// ---------------------------------------------------------------- closing

void TQevFormLX::DoClose(TCloseAction& Action) {
  TQevForm::DoClose(Action);
  if (!TaskBarButton_ || Designing()) return;
  if (!IsMainForm()) {
    // A task-bar form closed by hiding counts as gone for a waiting main form.
    if (Action == caHide) CloseDeferredMainForm(this);
    return;
  }
  if (Action == caNone || !OtherTaskBarFormsOpen(nullptr)) return;
  Action = caNone;
  MainFormCloseDeferred = true;
  Hide();
}

// --------------------------------------------------------------- messages

void TQevFormLX::WndProc(TMessage& Message) {
  if (BringToFrontMessage && Message.Msg == BringToFrontMessage && !BringToFrontForms.empty()) {
    const std::vector<TQevFormLX*> forms = std::exchange(BringToFrontForms, {});
    for (auto it = forms.rbegin(); it != forms.rend(); ++it) (*it)->BringToFront();
    SetActiveWindow(reinterpret_cast<HWND>(Message.WParam));
    return;
  }
  TQevForm::WndProc(Message);
  if (Message.Msg == CM_SHOWINGCHANGED && Application &&
      (!Application->MainForm() || IsMainForm()))
    UpdateApplicationWindow(TaskBarButton_);
}

void TQevFormLX::Dispatch(TMessage& Message) {
  switch (Message.Msg) {
    case WM_ACTIVATE: WMActivate(Message); return;
    case WM_SETCURSOR: WMSetCursor(Message); return;
    case WM_ACTIVATEAPP: WMActivateApp(Message); return;
    case WM_SYSCOMMAND: WMSysCommand(Message); return;
    case CM_VISIBLECHANGED: CMVisibleChanged(Message); return;
    case CM_MENUCHANGED: FixMainMenuOwnerDraw(Menu()); break;
    default: break;
  }
  TQevForm::Dispatch(Message);
}

void TQevFormLX::WMActivate(TMessage& Message) {
  TQevForm::Dispatch(Message);
  if (LOWORD(Message.WParam) != WA_ACTIVE || !TaskBarButton_ || Designing()) return;
  if (HandleAllocated() && !IsWindowEnabled(WindowHandle()))
    if (HWND popup = GetApplicationModalPopup()) SetActiveWindow(popup);
  UpdateApplicationWindow(true);
}

// A click on a form disabled by its modal dialog brings up the dialog.
void TQevFormLX::WMSetCursor(TMessage& Message) {
  const bool wasActive = Application && Application->Active();
  TQevForm::Dispatch(Message);
  HWND wnd = WindowHandle();
  if (!wnd || reinterpret_cast<HWND>(Message.WParam) != wnd ||
      HIWORD(Message.LParam) != WM_LBUTTONDOWN || IsWindowEnabled(wnd))
    return;
  if (HWND popup = GetModalPopup(wnd)) {
    SetActiveWindow(popup);
    if (!wasActive) return;
    MessageBeep(0);
    FlashModalWindow(popup);
  } else if (HWND appPopup = GetApplicationModalPopup()) {
    SetActiveWindow(appPopup);
    if (wasActive) FlashModalWindow(appPopup);
  }
}

// Switching to the program through a disabled task-bar form brings its
// modal dialog up in front of it.
void TQevFormLX::WMActivateApp(TMessage& Message) {
  TQevForm::Dispatch(Message);
  if (!Message.WParam || !Visible() || !TaskBarButton_ || Designing() || !HandleAllocated() ||
      IsWindowEnabled(WindowHandle()) || !BringToFrontMessage)
    return;
  HWND popup = GetApplicationModalPopup();
  if (!popup) return;
  if (std::find(BringToFrontForms.begin(), BringToFrontForms.end(), this) == BringToFrontForms.end())
    BringToFrontForms.push_back(this);
  PostMessageA(WindowHandle(), BringToFrontMessage, reinterpret_cast<WPARAM>(popup), 0);
}

// A main form with its own task-bar button minimises itself, not the application.
void TQevFormLX::WMSysCommand(TMessage& Message) {
  if ((Message.WParam & 0xFFF0) == SC_MINIMIZE && IsMainForm() && TaskBarButton_ && !Designing()) {
    DefaultHandler(Message);
    return;
  }
  TQevForm::Dispatch(Message);
}

void TQevFormLX::CMVisibleChanged(TMessage& Message) {
  TQevForm::Dispatch(Message);
  if (IsMainForm()) UpdateApplicationWindow(TaskBarButton_);
}

// ------------------------------------------------------------ unit routines

void FlashModalWindow(HWND Wnd) {
  if (!FlashWindowExProc) {
    FlashWindow(Wnd, TRUE);
    return;
  }
  FLASHWINFO info{};
  info.cbSize = sizeof(info);
  info.hwnd = Wnd;
  info.dwFlags = FLASHW_CAPTION;
  info.uCount = 3;
  info.dwTimeout = 70;
  FlashWindowExProc(&info);
}

HWND GetModalPopup(HWND OwnerWnd) {
  HWND popup = GetLastActivePopup(OwnerWnd);
  if (!popup || !IsWindow(popup) || popup == OwnerWnd || GetWindow(popup, GW_OWNER) != OwnerWnd ||
      !IsWindowEnabled(popup))
    return nullptr;
  if (auto* form = dynamic_cast<TCustomForm*>(FindControl(popup)))
    if (form->FormState().Contains(fsModal)) return popup;
  const auto style = GetWindowLongPtrW(popup, GWL_STYLE);
  const auto exStyle = GetWindowLongPtrW(popup, GWL_EXSTYLE);
  return (style & DS_MODALFRAME) && (exStyle & WS_EX_DLGMODALFRAME) ? popup : nullptr;
}

HWND GetApplicationModalPopup() {
  return Application && Application->Handle() ? GetModalPopup(Application->Handle()) : nullptr;
}

void Initialization_QevLXForms() {
  if (UnitStarts++ > 0) return;
  if (HMODULE user32 = Qev_LoadLibraryW(L"user32.dll")) {
    if (FARPROC entry = GetProcAddress(user32, "FlashWindowEx"))
      FlashWindowExProc =
          reinterpret_cast<TFlashWindowExProc>(reinterpret_cast<void (*)()>(entry));
    FreeLibrary(user32);
  }
  TaskBarForms.clear();
  BringToFrontForms.clear();
  MainFormCloseDeferred = false;
  BringToFrontMessage = RegisterWindowMessageA("Qev.BringToFront");
  RegisterClass(TQevFormLX::StaticClass());
}

void Finalization_QevLXForms() {
  if (UnitStarts == 0 || --UnitStarts > 0) return;
  TaskBarForms.clear();
  BringToFrontForms.clear();
}
