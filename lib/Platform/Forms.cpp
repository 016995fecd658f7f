#include "Forms.h"

#include <algorithm>

#include "Menus.h"
#include "OwnMessages.h"

QEV_RESOURCESTRING(Forms, SCannotShowModal, L"Cannot make a visible window modal");
QEV_RESOURCESTRING(Forms, SCannotShowModalDisabled, L"Cannot make a disabled window modal");
QEV_RESOURCESTRING(Forms, SNoMDIForm, L"Cannot create form. No MDI forms are currently active");

QEV_DEFINE_CLASS(TCustomForm,
                 QEV_PROPERTY(ActiveControl, ActiveControl, SetActiveControl),
                 QEV_PROPERTY(BorderIcons, BorderIcons, SetBorderIcons)
                     .Default(TBorderIcons{biSystemMenu, biMinimize, biMaximize}),
                 QEV_PROPERTY(BorderStyle, BorderStyle, SetBorderStyle).Default(bsSizeable),
                 QEV_PROPERTY(ClientHeight, ClientHeight, SetClientHeight),
                 QEV_PROPERTY(ClientWidth, ClientWidth, SetClientWidth),
                 QEV_PROPERTY(Color, Color, SetColor).Type(TypeInfoTColor()).Default(clBtnFace),
                 QEV_PROPERTY(FormStyle, FormStyle, SetFormStyle).Default(fsNormal),
                 QEV_PROPERTY(KeyPreview, KeyPreview, SetKeyPreview).Default(false),
                 QEV_PROPERTY(Menu, Menu, SetMenu),
                 QEV_PROPERTY(OldCreateOrder, OldCreateOrder, SetOldCreateOrder),
                 QEV_PROPERTY(PixelsPerInch, PixelsPerInch, SetPixelsPerInch),
                 QEV_PROPERTY(Position, Position, SetPosition).Default(poDesigned),
                 QEV_PROPERTY(TextHeight, TextHeight, SetTextHeight),
                 QEV_PROPERTY(Visible, Visible, SetVisible).Default(false),
                 QEV_PROPERTY(WindowState, WindowState, SetWindowState).Default(wsNormal),
                 QEV_PROPERTY(OnActivate, OnActivate, OnActivate),
                 QEV_PROPERTY(OnClose, OnClose, OnClose),
                 QEV_PROPERTY(OnCloseQuery, OnCloseQuery, OnCloseQuery),
                 QEV_PROPERTY(OnCreate, OnCreate, OnCreate),
                 QEV_PROPERTY(OnDeactivate, OnDeactivate, OnDeactivate),
                 QEV_PROPERTY(OnDestroy, OnDestroy, OnDestroy),
                 QEV_PROPERTY(OnHide, OnHide, OnHide),
                 QEV_PROPERTY(OnPaint, OnPaint, OnPaint),
                 QEV_PROPERTY(OnShow, OnShow, OnShow))
QEV_DEFINE_CLASS(TForm)

// --------------------------------------------------------------- TCustomForm

TCustomForm::TCustomForm(TComponent* AOwner) : TWinControl(AOwner), Canvas_(new TControlCanvas) {
  Canvas_->SetControl(this);
  Visible_ = false;
  Color_ = clBtnFace;
  ControlStyle_ = {csAcceptsControls, csCaptureMouse, csClickEvents, csSetCaption, csDoubleClicks};
  SetBounds(0, 0, 320, 240);
  if (Screen) Screen->AddForm(this);
}

TCustomForm::~TCustomForm() {
  if (Screen) Screen->RemoveForm(this);
  if (HandleAllocated()) DestroyHandle();
  delete Canvas_;
}

TCustomForm* InitNewForm(TCustomForm* Form) {
  std::unique_ptr<TCustomForm> owner(Form);  // a form that fails to start is freed
  Form->InitializeForm();
  Form->AfterConstruction();
  return owner.release();
}

void TCustomForm::InitializeForm() { CreateWithRootAncestor(TForm::StaticClass()); }

void TCustomForm::CreateWithRootAncestor(const TClass* RootAncestor) {
  if (ClassType() != RootAncestor && !ComponentState().Contains(csDesigning)) {
    FormState_.Include(fsCreating);
    TScopeExit created([this] { FormState_.Exclude(fsCreating); });
    if (!InitInheritedComponent(this, RootAncestor))
      throw EResNotFound(SResNotFound, {ClassName()});
  }
  if (OldCreateOrder_) DoCreate();
}

void TCustomForm::AfterConstruction() {
  if (!OldCreateOrder_) DoCreate();
  if (Visible_) Perform(CM_VISIBLECHANGED, TRUE, 0);  // Visible read from the resource
}

void TCustomForm::BeforeDestruction() {
  if (Destroyed_) return;
  Destroyed_ = true;
  DoDestroy();
}

// Handlers' exceptions go to the application: the form exists either way.
void TCustomForm::DoCreate() {
  if (!OnCreate) return;
  try {
    OnCreate(this);
  } catch (...) {
    HandleCurrentException(this);
  }
}

void TCustomForm::DoDestroy() {
  if (!OnDestroy) return;
  try {
    OnDestroy(this);
  } catch (...) {
    HandleCurrentException(this);
  }
}

void TCustomForm::Loaded() {
  TWinControl::Loaded();
  Realign();
}

void TCustomForm::Notification(TComponent* AComponent, TOperation Operation) {
  TWinControl::Notification(AComponent, Operation);
  if (Operation == opRemove && AComponent == ActiveControl_) ActiveControl_ = nullptr;
  if (Operation == opRemove && AComponent == WindowMenu_) WindowMenu_ = nullptr;
  if (Operation == opRemove && AComponent == Menu_) {
    // A menu being freed has left the window already.
    if (!AComponent->ComponentState().Contains(csDestroying)) Menu_->SetWindowHandle(nullptr);
    Menu_ = nullptr;
  }
}

// ------------------------------------------------------------------- window

void TCustomForm::CreateParams(TCreateParams& Params) {
  TWinControl::CreateParams(Params);
  Params.Style &= ~static_cast<DWORD>(WS_CHILD | WS_VISIBLE | WS_TABSTOP);
  Params.Style |= WS_CLIPCHILDREN;
  Params.WndParent = Application ? Application->Handle() : nullptr;
  switch (BorderStyle_) {
    case bsNone: Params.Style |= WS_POPUP; break;
    case bsSingle: case bsToolWindow: Params.Style |= WS_CAPTION | WS_BORDER; break;
    case bsSizeable: case bsSizeToolWin: Params.Style |= WS_CAPTION | WS_THICKFRAME; break;
    case bsDialog:
      Params.Style |= WS_POPUP | WS_CAPTION;
      Params.ExStyle |= WS_EX_DLGMODALFRAME | WS_EX_WINDOWEDGE;
      break;
  }
  if (BorderStyle_ == bsToolWindow || BorderStyle_ == bsSizeToolWin)
    Params.ExStyle |= WS_EX_TOOLWINDOW;
  if (BorderStyle_ != bsNone && BorderIcons_.Contains(biSystemMenu)) {
    Params.Style |= WS_SYSMENU;
    bool framed = BorderStyle_ == bsSingle || BorderStyle_ == bsSizeable;
    if (framed && BorderIcons_.Contains(biMinimize)) Params.Style |= WS_MINIMIZEBOX;
    if (framed && BorderIcons_.Contains(biMaximize)) Params.Style |= WS_MAXIMIZEBOX;
    if (BorderStyle_ == bsDialog && BorderIcons_.Contains(biHelp))
      Params.ExStyle |= WS_EX_CONTEXTHELP;
  }
  if (FormStyle_ == fsStayOnTop) Params.ExStyle |= WS_EX_TOPMOST;
  if (Parent()) {  // docked: a child window of its host, shown with it
    Params.Style &= ~static_cast<DWORD>(WS_POPUP);
    Params.Style |= WS_CHILD | (Visible_ ? WS_VISIBLE : 0);
    Params.WndParent = Parent()->Handle();
    return;
  }
  if (Position_ == poDefault || Position_ == poDefaultPosOnly) Params.X = Params.Y = CW_USEDEFAULT;
  if (Position_ == poDefault || Position_ == poDefaultSizeOnly)
    Params.Width = Params.Height = CW_USEDEFAULT;
}

void TCustomForm::CreateWnd() {
  TWinControl::CreateWnd();
  if (Menu_) Menu_->SetWindowHandle(WindowHandle());
  UpdateBounds();
  if (FormStyle_ == fsMDIForm && !ComponentState().Contains(csDesigning)) CreateClientWindow();
}

void TCustomForm::CreateClientWindow() {
  CLIENTCREATESTRUCT client{WindowMenu_ ? WindowMenu_->Handle() : nullptr, 0xFF00};
  ClientHandle_ = CreateWindowExA(
      WS_EX_CLIENTEDGE, "MDICLIENT", nullptr,
      WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN | WS_CLIPSIBLINGS | WS_HSCROLL | WS_VSCROLL, 0, 0, 0,
      0, WindowHandle(), nullptr, GetModuleHandleA(nullptr), &client);
  if (!ClientHandle_) RaiseLastOSError();
  Realign();
}

void TCustomForm::CreateWindowHandle(const TCreateParams& Params) {
  if (FormStyle_ != fsMDIChild || ComponentState().Contains(csDesigning)) {
    FormState_.Exclude(fsCreatedMDIChild);
    TWinControl::CreateWindowHandle(Params);
    return;
  }
  TCustomForm* main = Application ? Application->MainForm() : nullptr;
  if (!main || !main->ClientHandle()) throw EInvalidOperation(SNoMDIForm);
  SetDefWndProc(&DefMDIChildProcA);
  HWND wnd = CreateMDIWindowA(Params.WinClassName.c_str(), Params.Caption.c_str(), Params.Style,
                              Params.X, Params.Y, Params.Width, Params.Height, main->ClientHandle(),
                              Params.WindowClass.hInstance,
                              reinterpret_cast<LPARAM>(Params.Param));
  if (!wnd) RaiseLastOSError();
  if (!HandleAllocated()) SetHandle(wnd);
  FormState_.Include(fsCreatedMDIChild);
}

void TCustomForm::DestroyWindowHandle() {
  Canvas_->FreeHandle();
  Active_ = false;
  if (Menu_) Menu_->SetWindowHandle(nullptr);
  ClientHandle_ = nullptr;  // goes with the frame's window
  // The client must hear of a child leaving (its window list, the maximised child).
  if (FormState_.Contains(fsCreatedMDIChild)) {
    FormState_.Exclude(fsCreatedMDIChild);
    HWND wnd = WindowHandle();
    if (HWND client = GetParent(wnd))
      SendMessageA(client, WM_MDIDESTROY, reinterpret_cast<WPARAM>(wnd), 0);
    if (!HandleAllocated() || !IsWindow(WindowHandle())) {
      SetHandle(nullptr);
      return;
    }
  }
  TWinControl::DestroyWindowHandle();
}

void TCustomForm::AlignControls(TControl* AControl, TRect& Rect) {
  TWinControl::AlignControls(AControl, Rect);
  if (ClientHandle_)
    SetWindowPos(ClientHandle_, HWND_BOTTOM, Rect.left, Rect.top, Rect.right - Rect.left,
                 Rect.bottom - Rect.top, SWP_NOACTIVATE);
}

void TCustomForm::DefaultHandler(TMessage& Message) {
  // WM_SIZE: the frame lays the client out itself (AlignControls). WM_DESTROY
  // (which the frame procedure only passes on) keeps to the window's own chain,
  // where a subclass may need to see the window go.
  if (!ClientHandle_ || !HandleAllocated() || Message.Msg == WM_SIZE ||
      Message.Msg == WM_DESTROY) {
    TWinControl::DefaultHandler(Message);
    return;
  }
  Message.Result =
      DefFrameProcA(WindowHandle(), ClientHandle_, Message.Msg, Message.WParam, Message.LParam);
}

TCustomForm* TCustomForm::ActiveMDIChild() {
  if (!ClientHandle_) return nullptr;
  auto wnd = reinterpret_cast<HWND>(SendMessageA(ClientHandle_, WM_MDIGETACTIVE, 0, 0));
  return dynamic_cast<TCustomForm*>(FindControl(wnd));
}

Integer TCustomForm::MDIChildCount() {
  Integer count = 0;
  for (Integer i = 0; ClientHandle_ && Screen && i < Screen->FormCount(); ++i) {
    TCustomForm* form = Screen->Forms(i);
    if (form->FormState_.Contains(fsCreatedMDIChild) && form->HandleAllocated() &&
        GetParent(form->WindowHandle()) == ClientHandle_)
      ++count;
  }
  return count;
}

TCustomForm* TCustomForm::MDIChildren(Integer Index) {
  for (Integer i = 0; ClientHandle_ && Screen && i < Screen->FormCount(); ++i) {
    TCustomForm* form = Screen->Forms(i);
    if (form->FormState_.Contains(fsCreatedMDIChild) && form->HandleAllocated() &&
        GetParent(form->WindowHandle()) == ClientHandle_ && Index-- == 0)
      return form;
  }
  return nullptr;
}

void TCustomForm::SetWindowMenu(TMenuItem* Value) {
  if (WindowMenu_ == Value) return;
  WindowMenu_ = Value;
  if (Value) Value->FreeNotification(this);
  if (ClientHandle_ && Menu_)
    SendMessageA(ClientHandle_, WM_MDISETMENU, 0,
                 reinterpret_cast<LPARAM>(Value ? Value->Handle() : nullptr));
}

void TCustomForm::SetMenu(TMainMenu* Value) {
  if (Menu_ == Value) return;
  if (Menu_) Menu_->SetWindowHandle(nullptr);
  Menu_ = Value;
  if (!Menu_) return;
  Menu_->FreeNotification(this);
  if (HandleAllocated()) Menu_->SetWindowHandle(WindowHandle());
}

// The frame follows from the window parameters, so sizes are right even
// before the window exists (form resources give the client size).
namespace {
RECT FrameOf(const TCreateParams& Params, bool HasMenu) {
  RECT frame{0, 0, 0, 0};
  AdjustWindowRectEx(&frame, Params.Style, HasMenu, Params.ExStyle);
  return frame;  // left and top negative
}
}  // namespace

// A docked form measures no frame without window: that would make its
// host's window (CreateParams), also while the host is being freed.
void TCustomForm::SetClientSize(Integer AWidth, Integer AHeight) {
  if (HandleAllocated() || Parent()) {
    TWinControl::SetClientSize(AWidth, AHeight);
    return;
  }
  TCreateParams params;
  CreateParams(params);
  RECT frame = FrameOf(params, Menu_ != nullptr);
  SetBounds(Left(), Top(), AWidth + frame.right - frame.left, AHeight + frame.bottom - frame.top);
}

TRect TCustomForm::ClientRect() {
  if (HandleAllocated() || Parent()) return TWinControl::ClientRect();
  TCreateParams params;
  CreateParams(params);
  RECT frame = FrameOf(params, Menu_ != nullptr);
  return TRect{0, 0, std::max<Integer>(0, Width() - (frame.right - frame.left)),
               std::max<Integer>(0, Height() - (frame.bottom - frame.top))};
}

void TCustomForm::SetBorderStyle(TFormBorderStyle Value) {
  if (BorderStyle_ == Value) return;
  BorderStyle_ = Value;
  RecreateWnd();
}

void TCustomForm::SetBorderIcons(TBorderIcons Value) {
  if (BorderIcons_ == Value) return;
  BorderIcons_ = Value;
  RecreateWnd();
}

void TCustomForm::SetFormStyle(TFormStyle Value) {
  if (FormStyle_ == Value) return;
  const bool mdi = Value == fsMDIChild || Value == fsMDIForm || FormStyle_ == fsMDIChild ||
                   FormStyle_ == fsMDIForm;
  FormStyle_ = Value;
  if (mdi) {
    RecreateWnd();
    return;
  }
  if (HandleAllocated())
    SetWindowPos(WindowHandle(), Value == fsStayOnTop ? HWND_TOPMOST : HWND_NOTOPMOST, 0, 0, 0, 0,
                 SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
}

void TCustomForm::SetPosition(TPosition Value) { Position_ = Value; }

void TCustomForm::SetWindowState(TWindowState Value) {
  if (WindowState_ == Value) return;
  WindowState_ = Value;
  if (HandleAllocated() && IsWindowVisible(WindowHandle()))
    ShowWindow(WindowHandle(), Value == wsMaximized ? SW_SHOWMAXIMIZED
                               : Value == wsMinimized ? SW_MINIMIZE : SW_RESTORE);
}

void TCustomForm::PlaceWindow() {
  TRect area{0, 0, Screen->Width(), Screen->Height()};
  switch (Position_) {
    case poScreenCenter: case poDesktopCenter: break;
    case poMainFormCenter:
      if (!Application->MainForm() || Application->MainForm() == this) return;
      area = Application->MainForm()->BoundsRect();
      break;
    case poOwnerFormCenter:
      if (auto* owner = dynamic_cast<TCustomForm*>(Owner())) area = owner->BoundsRect();
      else return;
      break;
    default: return;
  }
  SetBounds(area.left + (area.right - area.left - Width()) / 2,
            area.top + (area.bottom - area.top - Height()) / 2, Width(), Height());
}

// --------------------------------------------------------- showing, closing

void TCustomForm::Show() {
  SetVisible(true);
  BringToFront();
}

bool TCustomForm::IsShowing() { return HandleAllocated() && IsWindowVisible(WindowHandle()); }

// While the resource is read, Visible is only recorded (AfterConstruction shows).
void TCustomForm::CMVisibleChanged(TMessage&) {
  if (FormState_.Contains(fsCreating) || ComponentState().Contains(csLoading)) return;
  if (Visible_) {
    HandleNeeded();
    if (!FormState_.Contains(fsShowing)) PlaceWindow();
    FormState_.Include(fsShowing);
    ShowingEvent(&TCustomForm::DoShow);
    ShowWindow(WindowHandle(), WindowState_ == wsMaximized ? SW_SHOWMAXIMIZED
                               : WindowState_ == wsMinimized ? SW_SHOWMINIMIZED : SW_SHOWNORMAL);
  } else if (HandleAllocated() && IsWindowVisible(WindowHandle())) {
    ShowingEvent(&TCustomForm::DoHide);
    ShowWindow(WindowHandle(), SW_HIDE);
  }
  Perform(CM_SHOWINGCHANGED, 0, 0);
}

void TCustomForm::ShowingEvent(void (TCustomForm::*Event)()) {
  if (!ReportShowingExceptions_) return (this->*Event)();
  try {
    (this->*Event)();
  } catch (...) {
    HandleCurrentException(this);
  }
}

void TCustomForm::PaintWindow(HDC DC) {
  TCanvasLease lease(Canvas_, DC);
  Paint();
}

bool TCustomForm::CloseQuery() {
  bool canClose = true;
  if (OnCloseQuery) OnCloseQuery(this, canClose);
  return canClose;
}

void TCustomForm::DoClose(TCloseAction& Action) {
  if (OnClose) OnClose(this, Action);
}

void TCustomForm::Close() {
  if (FormState_.Contains(fsModal)) {
    ModalResult_ = mrCancel;
    return;
  }
  if (!CloseQuery()) return;
  TCloseAction action = FormStyle_ == fsMDIChild ? caMinimize : caHide;
  DoClose(action);
  if (action == caNone) return;
  if (Application && Application->MainForm() == this) Application->Terminate();
  else if (action == caHide) Hide();
  else if (action == caMinimize) SetWindowState(wsMinimized);
  else Release();
}

void TCustomForm::Release() { PostOwnMessage(Handle(), CM_RELEASE, 0, 0); }

void TCustomForm::CloseModal() {
  TCloseAction action = caNone;
  if (CloseQuery()) {
    action = caHide;
    DoClose(action);
  }
  if (action == caNone) ModalResult_ = mrNone;
  else if (action == caFree) Release();
}

Integer TCustomForm::ShowModal() {
  if (Visible_ || FormState_.Contains(fsModal) || FormStyle_ == fsMDIChild)
    throw EInvalidOperation(SCannotShowModal);
  if (!Enabled_) throw EInvalidOperation(SCannotShowModalDisabled);
  if (HWND capture = GetCapture()) SendMessageA(capture, WM_CANCELMODE, 0, 0);
  ReleaseCapture();
  // Also for the Hide below, which runs while leaving: nothing may escape it.
  TRestore<bool> reporting(ReportShowingExceptions_, true);
  FormState_.Include(fsModal);
  HWND activeWindow = GetActiveWindow();
  TTaskWindowList windows = DisableTaskWindows(nullptr);
  TScopeExit restore([&] {
    Hide();
    EnableTaskWindows(windows);
    if (activeWindow) SetActiveWindow(activeWindow);
    FormState_.Exclude(fsModal);
  });
  Show();
  SendMessageA(Handle(), CM_ACTIVATE, 0, 0);
  ModalResult_ = mrNone;
  do {
    Application->HandleMessage();
    if (Application->Terminated()) ModalResult_ = mrCancel;
    else if (ModalResult_ != mrNone) CloseModal();
  } while (ModalResult_ == mrNone);
  SendMessageA(Handle(), CM_DEACTIVATE, 0, 0);
  if (GetActiveWindow() != WindowHandle()) activeWindow = nullptr;
  return ModalResult_;
}

// ---------------------------------------------------------- focus, activation

void TCustomForm::SetActiveControl(TWinControl* Control) {
  if (ActiveControl_ == Control) return;
  if (Control && (Control == this || GetParentForm(Control) != this))
    throw EInvalidOperation(SCannotFocus);
  ActiveControl_ = Control;
  if (Control) Control->FreeNotification(this);
  if (Control && Active_ && !ComponentState().Contains(csLoading)) ::SetFocus(Control->Handle());
}

bool TCustomForm::SetFocusedControl(TWinControl* Control) {
  if (ActiveControl_ == Control) return true;
  TWinControl* previous = ActiveControl_;
  ActiveControl_ = Control;
  if (Control) Control->FreeNotification(this);
  if (previous && previous->OnExit) previous->OnExit(previous);
  if (Control && Control->OnEnter) Control->OnEnter(Control);
  return true;
}

void TCustomForm::FocusControl(TWinControl* Control) {
  if (!Control->CanFocus()) throw EInvalidOperation(SCannotFocus);
  if (IsShowing()) ::SetFocus(Control->Handle());
  else SetActiveControl(Control);
}

void TCustomForm::WMActivate(TMessage& Message) {
  DefaultHandler(Message);
  bool active = LOWORD(Message.WParam) != WA_INACTIVE;
  if (active == Active_) return;
  Active_ = active;
  if (active) {
    if (Screen) Screen->SetActiveForm(this);
    if (ActiveControl_ && ActiveControl_->CanFocus()) ::SetFocus(ActiveControl_->Handle());
    Activate();
  } else {
    Deactivate();
  }
}

void TCustomForm::WMClose(TMessage&) { Close(); }

// A restore counts only for a window on the screen: a hidden window's first
// size says nothing about the state it is to show in.
void TCustomForm::WMSize(TMessage& Message) {
  TWinControl::Dispatch(Message);
  TWindowState state;
  switch (Message.WParam) {
    case SIZE_MAXIMIZED: state = wsMaximized; break;
    case SIZE_MINIMIZED: state = wsMinimized; break;
    case SIZE_RESTORED:
      if (!IsWindowVisible(WindowHandle())) return;
      state = wsNormal;
      break;
    default: return;
  }
  WindowState_ = state;
  Resizing(state);
}

// Tab moves the focus through the controls in tab order.
void TCustomForm::CMDialogKey(TMessage& Message) {
  if (Message.WParam == VK_TAB && GetKeyState(VK_CONTROL) >= 0) {
    SelectNext(ActiveControl_, GetKeyState(VK_SHIFT) >= 0, true);
    Message.Result = 1;
    return;
  }
  TWinControl::Dispatch(Message);
}

bool TCustomForm::MenuMessage(TMessage& Message) {
  if (!Menu_) return false;
  switch (Message.Msg) {
    case WM_COMMAND:  // from a menu: no control window, notification code 0
      return Message.LParam == 0 && HIWORD(Message.WParam) == 0 &&
             Menu_->DispatchCommand(LOWORD(Message.WParam));
    case WM_MEASUREITEM:
      if (Message.WParam != 0) return false;
      Message.Result = Menu_->DispatchMeasureItem(
          *reinterpret_cast<MEASUREITEMSTRUCT*>(Message.LParam));
      return Message.Result != 0;
    case WM_DRAWITEM:
      if (Message.WParam != 0) return false;
      Message.Result =
          Menu_->DispatchDrawItem(*reinterpret_cast<const DRAWITEMSTRUCT*>(Message.LParam));
      return Message.Result != 0;
    case WM_INITMENUPOPUP:
      Menu_->DispatchPopup(reinterpret_cast<HMENU>(Message.WParam));
      return false;  // the window's own handling follows
    default: return false;
  }
}

void TCustomForm::Dispatch(TMessage& Message) {
  if (MenuMessage(Message)) return;
  switch (Message.Msg) {
    case CM_MENUCHANGED:
      if (HandleAllocated()) DrawMenuBar(WindowHandle());
      return;
    case WM_CLOSE: WMClose(Message); return;
    case WM_ACTIVATE: WMActivate(Message); return;
    case WM_SIZE: WMSize(Message); return;
    case WM_NCDESTROY:  // also when the window goes without DestroyWindowHandle
      TWinControl::Dispatch(Message);
      ClientHandle_ = nullptr;
      return;
    case CM_VISIBLECHANGED: CMVisibleChanged(Message); return;
    case CM_DIALOGKEY: CMDialogKey(Message); return;
    case CM_RELEASE:
      BeforeDestruction();
      delete this;
      return;
    default: TWinControl::Dispatch(Message);
  }
}

namespace {
void InitiateActions(TControl* Control) {
  if (!Control->Visible()) return;
  Control->InitiateAction();
  if (auto* win = dynamic_cast<TWinControl*>(Control))
    for (Integer i = 0; i < win->ControlCount(); ++i) InitiateActions(win->Controls(i));
}
}  // namespace

void TCustomForm::UpdateActions() {
  if (ComponentState().Contains(csDesigning)) return;
  for (Integer i = 0; i < ControlCount(); ++i) InitiateActions(Controls(i));
}
