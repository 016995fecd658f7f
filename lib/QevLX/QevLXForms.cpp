#include "QevLXForms.h"

#include <commctrl.h>

#include <algorithm>
#include <utility>
#include <vector>

#include "ComCtrls.h"
#include "Menus.h"
#include "QevComCtrls.h"
#include "QevExtCtrls.h"
#include "QevMenus.h"
#include "QevSysUtils.h"
#include "QevWindows.h"
#include "Scoped.h"
#include "Themes.h"

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
QEV_RESOURCESTRING(
    QevLXForms, SUpdateMdiDockStateNotChild,
    L"Internal Error: MDIChild_UpdateMdiDockState can only be called from MDI child forms.");

QEV_DEFINE_CLASS(TQevFormLX,
                 QEV_PROPERTY(TaskBarButton, TaskBarButton, SetTaskBarButton).Default(false),
                 QEV_PROPERTY(Menu, Menu, SetMenu),
                 QEV_PROPERTY(MDIControlBar, MDIControlBar, SetMDIControlBar),
                 QEV_PROPERTY(MDIToolBar, MDIToolBar, SetMDIToolBar),
                 QEV_PROPERTY(MDIStatusBar, MDIStatusBar, SetMDIStatusBar))

bool KeepApplicationWindowHidden = false;
TFlashWindowExProc FlashWindowExProc = nullptr;

namespace {

Integer UnitStarts = 0;
std::vector<TQevFormLX*> TaskBarForms;
std::vector<TQevFormLX*> BringToFrontForms;
bool MainFormCloseDeferred = false;
UINT BringToFrontMessage = 0;
Integer MdiUpdateCount = 0;
bool MdiWindowLocked = false;  // LockWindowUpdate of the first level succeeded
bool HideMdiMainFormAtExit = false;
constexpr const char* ClientFormProperty = "QevLXForms.MdiFrame";

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

// Releases the MDI update lock also when docking fails half-way.
class TMdiUpdateScope {
 public:
  TMdiUpdateScope() { BeginMdiUpdate(); }
  ~TMdiUpdateScope() { EndMdiUpdate(); }
  TMdiUpdateScope(const TMdiUpdateScope&) = delete;
  TMdiUpdateScope& operator=(const TMdiUpdateScope&) = delete;
};

Integer FirstPanelWidth(TCustomStatusBar* Bar) {
  if (Bar->SimplePanel() || Bar->Panels()->Count() == 0) return 100;
  return Bar->Panels()->Items(0)->Width();
}

Integer TotalPanelWidth(TCustomStatusBar* Bar) {
  if (Bar->SimplePanel() || Bar->Panels()->Count() == 0) return 100;
  Integer total = 0;
  for (Integer i = 0; i < Bar->Panels()->Count(); ++i) total += Bar->Panels()->Items(i)->Width();
  return total;
}

void DrawVerticalLine(HDC DC, TColor Color, Integer X, Integer Top, Integer Bottom) {
  TGdiObjectOwner pen(CreatePen(PS_SOLID, 1, static_cast<COLORREF>(ColorToRGB(Color))));
  TSelectObject select(DC, pen.get());
  MoveToEx(DC, X, Top, nullptr);
  LineTo(DC, X, Bottom);
}

}  // namespace

// ---------------------------------------------------------------- TQevFormLX

TQevFormLX::TQevFormLX(TComponent* AOwner) : TQevForm(AOwner) {}

TQevFormLX::~TQevFormLX() {
  Forget(BringToFrontForms, this);
  // A child going while docked takes its bars back first: the main form
  // must not keep painting a bar that is about to be freed. Its window goes
  // here too, so that the frame redraws once for all of it.
  if (FormStyle() == fsMDIChild) {
    TMdiUpdateScope lock;
    try {
      if (Docked_) MDIChild_UpdateMdiDockState(false);
      if (HandleAllocated()) DestroyHandle();
    } catch (...) {
      HandleCurrentException(this);
    }
  }
  UnhookStatusBar();
  if (HWND client = ClientHandle()) {
    if (PrevClientProc_)
      SetWindowLongPtrA(client, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(PrevClientProc_));
    RemovePropA(client, ClientFormProperty);
    PrevClientProc_ = nullptr;
  }
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
  if (AComponent == DockedChildStatusBar_) {
    DockedChildStatusBar_ = nullptr;
    if (MDIStatusBar_ && !ComponentState().Contains(csDestroying)) MDIStatusBar_->UpdatePanels();
  }
  if (AComponent == MDIStatusBar_) {
    UnhookStatusBar();
    MDIStatusBar_ = nullptr;
  }
  if (AComponent == MDIControlBar_) MDIControlBar_ = nullptr;
  if (AComponent == MDIToolBar_) MDIToolBar_ = nullptr;
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
  TScopeExit undoOnFailure([this] { RestoreModalState(); });
  Show();
  undoOnFailure.Dismiss();
}

void TQevFormLX::EndModal() {
  TScopeExit restore([this] { RestoreModalState(); });
  CheckOwnable();
  if (!HandleAllocated() || GetActiveWindow() != WindowHandle()) Modal_.PreviousActive = nullptr;
  Hide();
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
  UpdateMdiDockState(true);
}

void TQevFormLX::SetMenu(TMainMenu* Value) {
  FixMainMenuOwnerDraw(Value);
  TQevForm::SetMenu(Value);
}

// ---------------------------------------------------------------- closing

void TQevFormLX::DoClose(TCloseAction& Action) {
  // A closed MDI child goes away instead of lying minimised in the frame; its
  // OnClose may still keep it.
  if (FormStyle() == fsMDIChild) Action = caFree;
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
  if (Message.Msg == WM_THEMECHANGED) UpdateMDIControlBarColor();
  TQevForm::WndProc(Message);
  if (Message.Msg == CM_SHOWINGCHANGED && Application &&
      (!Application->MainForm() || IsMainForm()))
    UpdateApplicationWindow(TaskBarButton_);
}

void TQevFormLX::Dispatch(TMessage& Message) {
  switch (Message.Msg) {
    case WM_MDIACTIVATE: WMMDIActivate(Message); return;
    case WM_INITMENUPOPUP: WMInitMenuPopup(Message); return;
    case WM_NCPAINT:
      if (MdiMenuSwitching_) return;  // the frame is redrawn once the menu is in
      break;
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
  if (!IsMainForm()) return;
  UpdateApplicationWindow(TaskBarButton_);
  if (Visible()) HideMdiMainFormAtExit = true;
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

// ---------------------------------------------------------------------- MDI

void TQevFormLX::Loaded() {
  TQevForm::Loaded();
  HookStatusBar(MDIStatusBar_);
  UpdateMDIControlBarColor();
  UpdateMdiDockState(true);
}

void TQevFormLX::SetMDIControlBar(TQevControlBar* Value) {
  if (MDIControlBar_ == Value) return;
  MDIControlBar_ = Value;
  if (Value) Value->FreeNotification(this);
  UpdateMDIControlBarColor();
  UpdateMdiDockState(true);
}

void TQevFormLX::SetMDIToolBar(TToolBar* Value) {
  if (MDIToolBar_ == Value) return;
  MDIToolBar_ = Value;
  if (Value) Value->FreeNotification(this);
  UpdateMdiDockState(true);
}

void TQevFormLX::SetMDIStatusBar(TQevStatusBar* Value) {
  if (MDIStatusBar_ == Value) return;
  MDIStatusBar_ = Value;
  if (Value) Value->FreeNotification(this);
  HookStatusBar(Value);
  UpdateMdiDockState(true);
}

void TQevFormLX::UpdateMDIControlBarColor() {
  if (!MDIControlBar_ || Designing()) return;
  MDIControlBar_->SetColor(ThemesEnabled() ? clMenuBar : clMenu);
}

void TQevFormLX::UpdateMdiDockState(bool Locking) {
  if (FormStyle() != fsMDIChild || ComponentState().Contains(csLoading)) return;
  TQevFormLX* main = MainFormLX();
  if (!main || main->ActiveMDIChild() != this) return;
  const bool maximised = WindowState() == wsMaximized;
  if (!Locking) {
    MDIChild_UpdateMdiDockState(maximised);
    return;
  }
  // Undocked and docked again: the bars take the current layout.
  TMdiUpdateScope lock;
  MDIChild_UpdateMdiDockState(!maximised);
  MDIChild_UpdateMdiDockState(maximised);
}

void TQevFormLX::MDIChild_UpdateMdiDockState(bool Docked) {
  if (ComponentState().Contains(csLoading)) return;
  if (FormStyle() != fsMDIChild) throw EQevInternalError(SUpdateMdiDockStateNotChild);
  TQevFormLX* main = MainFormLX();
  if (Docked == Docked_ || !main) return;
  TMdiUpdateScope lock;
  DockToolBar(main, Docked);
  DockStatusBar(main, Docked);
  Docked_ = Docked;
}

void TQevFormLX::DockToolBar(TQevFormLX* Main, bool Docked) {
  if (!MDIToolBar_ || !MDIControlBar_ || !Main->MDIToolBar_ || !Main->MDIControlBar_) return;
  MDIToolBar_->Hide();
  if (Docked) {
    MDIToolBar_->SetParent(Main->MDIControlBar_);
    MDIToolBar_->SetLeft(Main->MDIToolBar_->Left() + 1);
  } else {
    MDIToolBar_->SetParent(MDIControlBar_);
    MDIToolBar_->SetLeft(0);
  }
  MDIControlBar_->SetTop(0);
  MDIToolBar_->Show();
}

void TQevFormLX::DockStatusBar(TQevFormLX* Main, bool Docked) {
  TQevStatusBar* bar = MDIStatusBar_;
  TQevStatusBar* mainBar = Main->MDIStatusBar_;
  if (!bar || !mainBar) return;
  if (Docked) {
    SavedStatusBar_ = TStatusBarLayout{bar->Align(), bar->SizeGrip(), bar->BoundsRect()};
    bar->SetSizeGrip(false);
    bar->SetAlign(alNone);
    bar->SetBounds(FirstPanelWidth(mainBar) + 2, 0, TotalPanelWidth(bar) - 2, mainBar->Height());
    bar->SetParent(mainBar);
    Main->DockedChildStatusBar_ = bar;
    bar->FreeNotification(Main);
  } else {
    bar->SetParent(this);
    bar->SetAlign(SavedStatusBar_.Align);
    const TRect& r = SavedStatusBar_.Bounds;
    bar->SetBounds(r.left, r.top, r.right - r.left, r.bottom - r.top);
    bar->SetSizeGrip(SavedStatusBar_.SizeGrip);
    if (Main->DockedChildStatusBar_ == bar) Main->DockedChildStatusBar_ = nullptr;
  }
  mainBar->UpdatePanels();
}

void TQevFormLX::Resizing(TWindowState State) {
  TQevForm::Resizing(State);
  TQevFormLX* main = MainFormLX();
  if (main && main->MdiMenuSwitching_) return;
  UpdateMdiDockState(false);
}

void TQevFormLX::WMMDIActivate(TMessage& Message) {
  TQevForm::Dispatch(Message);
  if (FormStyle() != fsMDIChild || !HandleAllocated()) return;
  if (reinterpret_cast<HWND>(Message.LParam) == WindowHandle()) {
    MergeMenu(true);
    MDIChild_UpdateMdiDockState(WindowState() == wsMaximized);
  } else if (reinterpret_cast<HWND>(Message.WParam) == WindowHandle()) {
    MDIChild_UpdateMdiDockState(false);
  }
}

// The client lists the children in the window menu only when told to.
void TQevFormLX::WMInitMenuPopup(TMessage& Message) {
  if (ClientHandle() && WindowMenu() &&
      reinterpret_cast<HMENU>(Message.WParam) == WindowMenu()->Handle())
    SendMessageA(ClientHandle(), WM_MDIREFRESHMENU, 0, 0);
  TQevForm::Dispatch(Message);
}

// ------------------------------------------------------------ MDI client

void TQevFormLX::CreateWnd() {
  TQevForm::CreateWnd();
  HWND client = ClientHandle();
  if (!client) return;
  SetPropA(client, ClientFormProperty, this);
  PrevClientProc_ = reinterpret_cast<WNDPROC>(
      SetWindowLongPtrA(client, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&ClientWndProc)));
}

LRESULT CALLBACK TQevFormLX::ClientWndProc(HWND Wnd, UINT Msg, WPARAM WParam, LPARAM LParam) {
  auto* form = static_cast<TQevFormLX*>(GetPropA(Wnd, ClientFormProperty));
  if (!form || !form->PrevClientProc_) return DefWindowProcA(Wnd, Msg, WParam, LParam);
  return form->ClientMessage(Wnd, Msg, WParam, LParam);
}

// Switching menus with a maximised child: the child looks restored meanwhile,
// so the client takes the menu bar as it is and puts the child's system
// buttons back afterwards.
LRESULT TQevFormLX::ClientMessage(HWND Wnd, UINT Msg, WPARAM WParam, LPARAM LParam) {
  WNDPROC previous = PrevClientProc_;
  if (Msg == WM_NCDESTROY) {
    SetWindowLongPtrA(Wnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(previous));
    RemovePropA(Wnd, ClientFormProperty);
    PrevClientProc_ = nullptr;
    return CallWindowProcA(previous, Wnd, Msg, WParam, LParam);
  }
  TCustomForm* child = Msg == WM_MDISETMENU ? ActiveMDIChild() : nullptr;
  if (!child || child->WindowState() != wsMaximized)
    return CallWindowProcA(previous, Wnd, Msg, WParam, LParam);
  HWND childWnd = child->WindowHandle();
  RECT area{};
  GetClientRect(childWnd, &area);
  const LPARAM size = MAKELPARAM(area.right, area.bottom);
  MdiMenuSwitching_ = true;
  SendMessageA(childWnd, WM_SIZE, SIZE_RESTORED, size);
  LRESULT result = CallWindowProcA(previous, Wnd, Msg, WParam, LParam);
  SendMessageA(childWnd, WM_SIZE, SIZE_MAXIMIZED, size);
  MdiMenuSwitching_ = false;
  RECT frame{0, -1, Width(), 0};
  RedrawWindow(WindowHandle(), &frame, nullptr, RDW_FRAME | RDW_INVALIDATE);
  return result;
}

// ------------------------------------------------------- MDI status bar

void TQevFormLX::HookStatusBar(TQevStatusBar* Bar) {
  if (HookedStatusBar_ == Bar) return;
  UnhookStatusBar();
  if (!Bar) return;
  HookedStatusBar_ = Bar;
  PrevStatusBarProc_ = Bar->WindowProc;
  Bar->WindowProc = TWndMethod::Bind<&TQevFormLX::StatusBarWndProc>(this);
}

// Another hook put in front of ours later keeps ours in its chain: ours then
// only passes messages on.
void TQevFormLX::UnhookStatusBar() {
  TQevStatusBar* bar = std::exchange(HookedStatusBar_, nullptr);
  if (bar && bar->WindowProc == TWndMethod::Bind<&TQevFormLX::StatusBarWndProc>(this))
    bar->WindowProc = PrevStatusBarProc_;
}

void TQevFormLX::StatusBarWndProc(TMessage& Message) {
  TQevStatusBar* docked = HookedStatusBar_ ? DockedChildStatusBar_ : nullptr;
  if (Message.Msg == SB_SETPARTS && docked && Message.LParam) {
    // The own parts move right past the docked bar; the caller's edges stay.
    const auto* edges = reinterpret_cast<const int*>(Message.LParam);
    std::vector<int> shifted(edges, edges + Message.WParam);
    const int shift = TotalPanelWidth(docked);
    for (int& edge : shifted)
      if (edge != -1) edge += shift;
    TMessage moved{Message.Msg, Message.WParam, reinterpret_cast<LPARAM>(shifted.data()), 0};
    PrevStatusBarProc_(moved);
    Message.Result = moved.Result;
    return;
  }
  PrevStatusBarProc_(Message);
  if (Message.Msg == WM_PAINT && docked && HookedStatusBar_ && HookedStatusBar_->HandleAllocated())
    PaintDockSeparators();
}

void TQevFormLX::PaintDockSeparators() {
  TQevStatusBar* bar = HookedStatusBar_;
  HWND wnd = bar->WindowHandle();
  RECT area{};
  GetClientRect(wnd, &area);
  TWindowDC dc(wnd);
  if (!dc) return;
  const Integer h = area.bottom;
  const Integer b = FirstPanelWidth(bar);
  const Integer a = TotalPanelWidth(DockedChildStatusBar_) + b;
  const TColor own = bar->Color(), docked = DockedChildStatusBar_->Color();
  DrawVerticalLine(dc, own, b - 1, 0, h);
  DrawVerticalLine(dc, own, b, 0, h);
  DrawVerticalLine(dc, docked, b + 1, 0, h);
  DrawVerticalLine(dc, docked, a, 0, h);
  DrawVerticalLine(dc, own, a + 1, 0, h);
  DrawVerticalLine(dc, own, a + 2, 0, h - 1);
  DrawVerticalLine(dc, clWhite, b - 1, 2, h);
  DrawVerticalLine(dc, static_cast<TColor>(0x808080), a + 2, 2, h - 1);
}

// ------------------------------------------------------------ MDI update lock

void BeginMdiUpdate() {
  TCustomForm* main = Application ? Application->MainForm() : nullptr;
  if (MdiUpdateCount == 0) {
    MdiWindowLocked = false;
    if (main && main->ClientHandle()) {
      MdiWindowLocked = LockWindowUpdate(main->Handle()) != FALSE;
      SendMessageA(main->ClientHandle(), WM_SETREDRAW, FALSE, 0);
    }
  }
  ++MdiUpdateCount;
}

void EndMdiUpdate() {
  if (MdiUpdateCount == 0 || --MdiUpdateCount > 0) return;
  TCustomForm* main = Application ? Application->MainForm() : nullptr;
  if (main && main->ClientHandle()) {
    SendMessageA(main->ClientHandle(), WM_SETREDRAW, TRUE, 0);
    RedrawWindow(main->ClientHandle(), nullptr, nullptr,
                 RDW_FRAME | RDW_ALLCHILDREN | RDW_NOINTERNALPAINT | RDW_INVALIDATE);
    main->Refresh();
  }
  if (MdiWindowLocked) LockWindowUpdate(nullptr);
  MdiWindowLocked = false;
}

Integer MdiUpdateLevel() { return MdiUpdateCount; }

void Initialization_QevLXForms() {
  if (UnitStarts++ > 0) return;
  // user32 stays loaded in any program with windows, so the entry outlives this owner.
  TModuleOwner user32(Qev_LoadLibraryW(L"user32.dll"));
  if (auto entry = ProcAddress<TFlashWindowExProc>(user32.get(), "FlashWindowEx"))
    FlashWindowExProc = entry;
  TaskBarForms.clear();
  BringToFrontForms.clear();
  MainFormCloseDeferred = false;
  BringToFrontMessage = RegisterWindowMessageA("Qev.BringToFront");
  RegisterClass(TQevFormLX::StaticClass());
}

void Finalization_QevLXForms() {
  if (UnitStarts == 0 || --UnitStarts > 0) return;
  // At program end an MDI main form leaves the screen before its children go.
  TCustomForm* main = Application ? Application->MainForm() : nullptr;
  if (HideMdiMainFormAtExit && main && main->FormStyle() == fsMDIForm) main->Hide();
  HideMdiMainFormAtExit = false;
  TaskBarForms.clear();
  BringToFrontForms.clear();
}
