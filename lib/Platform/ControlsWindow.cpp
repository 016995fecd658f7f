// Window controls: creation of their windows, the window procedures, the
// message chain, focus and tab order.
#include <algorithm>
#include <cstdint>
#include <iterator>

#include "Controls.h"
#include "Forms.h"
#include "OwnMessages.h"

QEV_DEFINE_CLASS(TWinControl,
                 QEV_PROPERTY(TabOrder, TabOrder, SetTabOrder).Default(-1),
                 QEV_PROPERTY(TabStop, TabStop, SetTabStop).Default(false),
                 QEV_PROPERTY(Ctl3D, Ctl3D, SetCtl3D).Default(true),
                 QEV_PROPERTY(DoubleBuffered, DoubleBuffered, SetDoubleBuffered).Default(false),
                 QEV_PROPERTY(OnEnter, OnEnter, OnEnter),
                 QEV_PROPERTY(OnExit, OnExit, OnExit),
                 QEV_PROPERTY(OnKeyDown, OnKeyDown, OnKeyDown),
                 QEV_PROPERTY(OnKeyPress, OnKeyPress, OnKeyPress),
                 QEV_PROPERTY(OnKeyUp, OnKeyUp, OnKeyUp))

thread_local TWinControl* CreationControl = nullptr;

namespace {

struct TAtoms {
  AnsiString WindowName, ControlName;
  ATOM Window = 0, Control = 0;
};
TAtoms Atoms;

unsigned Low32(const void* p) {
  return static_cast<unsigned>(reinterpret_cast<std::uintptr_t>(p));
}

bool IsMouseMessage(UINT Msg) { return Msg >= WM_MOUSEFIRST && Msg <= WM_MOUSELAST; }

const TIdentMapEntry Cursors[] = {{crDefault, "crDefault"}, {crArrow, "crArrow"},
                                  {crHourGlass, "crHourGlass"}, {crHandPoint, "crHandPoint"}};

bool CursorToIdent(Integer Cursor, AnsiString& Ident) {
  return IntToIdent(Cursor, Ident, Cursors, static_cast<Integer>(std::size(Cursors)));
}

bool IdentToCursor(const AnsiString& Ident, Integer& Cursor) {
  return IdentToInt(Ident, Cursor, Cursors, static_cast<Integer>(std::size(Cursors)));
}

// The message StdWndProc is dispatching on this thread, and to whom.
struct TWindowDispatch {
  const TWinControl* Control = nullptr;
  const TMessage* Message = nullptr;
};
thread_local TWindowDispatch CurrentDispatch;

}  // namespace

const AnsiString& WindowAtomString() { return Atoms.WindowName; }
const AnsiString& ControlAtomString() { return Atoms.ControlName; }
ATOM WindowAtom() { return Atoms.Window; }
ATOM ControlAtom() { return Atoms.Control; }

PTypeInfo TypeInfoTCursor() {
  static const TTypeInfo Info{tkInteger, "TCursor"};
  return &Info;
}

void Initialization_Controls() {
  Atoms.WindowName = Format("PlatformWnd%.8X", {GetCurrentProcessId()});
  Atoms.ControlName =
      Format("ControlOfs%.8X%.8X", {Low32(GetModuleHandleA(nullptr)), GetCurrentThreadId()});
  Atoms.Window = GlobalAddAtomA(Atoms.WindowName.c_str());
  if (!Atoms.Window) RaiseLastOSError();
  Atoms.Control = GlobalAddAtomA(Atoms.ControlName.c_str());
  if (!Atoms.Control) RaiseLastOSError();
  RegisterIntegerConsts(TypeInfoTCursor(), IdentToCursor, CursorToIdent);
}

void Finalization_Controls() {
  GlobalDeleteAtom(Atoms.Control);
  GlobalDeleteAtom(Atoms.Window);
  Atoms = TAtoms();
}

TWinControl* FindControl(HWND Wnd) {
  if (!Wnd || !Atoms.Control) return nullptr;
  DWORD process = 0;
  GetWindowThreadProcessId(Wnd, &process);
  if (process != GetCurrentProcessId()) return nullptr;
  return static_cast<TWinControl*>(GetPropA(Wnd, MAKEINTATOM(Atoms.Control)));
}

AnsiString GetWindowTextOf(HWND Wnd) {
  auto length = SendMessageA(Wnd, WM_GETTEXTLENGTH, 0, 0);
  if (length <= 0) return AnsiString();
  AnsiString text(static_cast<size_t>(length) + 1, '\0');
  auto copied = SendMessageA(Wnd, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()));
  text.resize(static_cast<size_t>(std::clamp<LRESULT>(copied, 0, length)));
  return text;
}

// -------------------------------------------------------- window procedures

LRESULT CALLBACK InitWndProc(HWND Wnd, UINT Msg, WPARAM WParam, LPARAM LParam) {
  TWinControl* control = CreationControl;
  if (!control) return DefWindowProcA(Wnd, Msg, WParam, LParam);
  CreationControl = nullptr;
  control->Handle_ = Wnd;
  SetWindowLongPtrA(Wnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&StdWndProc));
  if ((GetWindowLongPtrA(Wnd, GWL_STYLE) & WS_CHILD) && GetWindowLongPtrA(Wnd, GWLP_ID) == 0)
    SetWindowLongPtrA(Wnd, GWLP_ID, reinterpret_cast<LONG_PTR>(Wnd));
  SetPropA(Wnd, MAKEINTATOM(Atoms.Control), control);
  SetPropA(Wnd, MAKEINTATOM(Atoms.Window), control);
  return StdWndProc(Wnd, Msg, WParam, LParam);
}

LRESULT CALLBACK StdWndProc(HWND Wnd, UINT Msg, WPARAM WParam, LPARAM LParam) {
  auto* control = static_cast<TWinControl*>(GetPropA(Wnd, MAKEINTATOM(Atoms.Control)));
  if (!control) return DefWindowProcA(Wnd, Msg, WParam, LParam);
  if (IsForeignMessage(Wnd, Msg, WParam, LParam)) return 0;
  TMessage message{Msg, WParam, LParam, 0};
  const TWindowDispatch outer = CurrentDispatch;
  CurrentDispatch = {control, &message};
  try {
    control->MainWndProc(message);
    // The control outlives its window; after this message it has none.
    if (Msg == WM_NCDESTROY) {
      ForgetOwnPosts(Wnd);
      RemovePropA(Wnd, MAKEINTATOM(Atoms.Control));
      RemovePropA(Wnd, MAKEINTATOM(Atoms.Window));
      if (control->Handle_ == Wnd) control->Handle_ = nullptr;
    }
  } catch (...) {
    // The application's exception handler failed itself: nothing may cross
    // into the system's frames.
    TraceDroppedException(L"a window's exception handler");
  }
  CurrentDispatch = outer;
  return message.Result;
}

bool CameThroughWindowProc(const TWinControl* Control, const TMessage& Message) {
  return CurrentDispatch.Control == Control && CurrentDispatch.Message == &Message;
}

// --------------------------------------------------------------- TWinControl

TWinControl::TWinControl(TComponent* AOwner) : TControl(AOwner) {}

TWinControl::~TWinControl() {
  Destroying();
  if (Handle_) DestroyWindowHandle();
  while (!Controls_.empty()) {
    TControl* child = Controls_.back();
    RemoveControl(child);
    delete child;
  }
}

void TWinControl::MainWndProc(TMessage& Message) {
  try {
    WindowProc(Message);
  } catch (...) {
    HandleCurrentException(this);
  }
}

HWND TWinControl::Handle() {
  HandleNeeded();
  return Handle_;
}

void TWinControl::HandleNeeded() {
  if (Handle_) return;
  if (Parent_) Parent_->HandleNeeded();
  CreateHandle();
}

void TWinControl::CreateHandle() {
  if (Handle_) return;
  CreateWnd();
  // Children that show get their windows with their parent's.
  for (TControl* child : Controls_)
    if (auto* win = dynamic_cast<TWinControl*>(child); win && win->Visible()) win->HandleNeeded();
}

void TWinControl::CreateParams(TCreateParams& Params) {
  Params = TCreateParams();
  Params.Caption = Text_;
  Params.Style = WS_CHILD | WS_CLIPSIBLINGS;
  if (ControlStyle_.Contains(csAcceptsControls)) Params.Style |= WS_CLIPCHILDREN;
  if (Visible_) Params.Style |= WS_VISIBLE;
  if (!Enabled_) Params.Style |= WS_DISABLED;
  if (TabStop_) Params.Style |= WS_TABSTOP;
  Params.X = Left_;
  Params.Y = Top_;
  Params.Width = Width_;
  Params.Height = Height_;
  Params.WndParent = Parent_ ? Parent_->Handle() : ParentWindow_;
  Params.WindowClass.style = CS_VREDRAW | CS_HREDRAW | CS_DBLCLKS;
  Params.WindowClass.lpfnWndProc = &DefWindowProcA;
  Params.WindowClass.hCursor = LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW));
  Params.WindowClass.hInstance = GetModuleHandleA(nullptr);
  Params.WinClassName = ClassName();
}

void TWinControl::CreateSubClass(TCreateParams& Params, const char* ControlClassName) {
  WNDCLASSA system{};
  if (!GetClassInfoA(Params.WindowClass.hInstance, ControlClassName, &system))
    Win32Check(GetClassInfoA(nullptr, ControlClassName, &system));
  Params.WindowClass = system;
  Params.WindowClass.hInstance = GetModuleHandleA(nullptr);
  Params.WindowClass.style &=
      ~static_cast<UINT>(CS_OWNDC | CS_CLASSDC | CS_PARENTDC | CS_GLOBALCLASS);
}

void TWinControl::CreateWnd() {
  TCreateParams params;
  CreateParams(params);
  if (!params.WndParent && (params.Style & WS_CHILD))
    throw EInvalidOperation(SParentRequired, {Name()});
  DefWndProc_ = params.WindowClass.lpfnWndProc;
  ClassErasesBackground_ = DefWndProc_ != &DefWindowProcA;
  params.WinClassName.resize(std::min<size_t>(params.WinClassName.size(), 63));
  WNDCLASSA registered{};
  bool known =
      GetClassInfoA(params.WindowClass.hInstance, params.WinClassName.c_str(), &registered);
  if (!known || registered.lpfnWndProc != &InitWndProc) {
    if (known) UnregisterClassA(params.WinClassName.c_str(), params.WindowClass.hInstance);
    params.WindowClass.lpfnWndProc = &InitWndProc;
    params.WindowClass.lpszClassName = params.WinClassName.c_str();
    if (!RegisterClassA(&params.WindowClass)) RaiseLastOSError();
  }
  CreationControl = this;
  {
    TScopeExit handedOver([] { CreationControl = nullptr; });
    SetLastError(ERROR_SUCCESS);  // a refused creation may set none
    CreateWindowHandle(params);
  }
  if (!Handle_) RaiseLastOSError();
  Text_.clear();  // the window holds it now
  Perform(WM_SETFONT, reinterpret_cast<WPARAM>(Font()->Handle()), FALSE);
}

void TWinControl::CreateWindowHandle(const TCreateParams& Params) {
  HWND wnd = CreateWindowExA(Params.ExStyle, Params.WinClassName.c_str(), Params.Caption.c_str(),
                             Params.Style, Params.X, Params.Y, Params.Width, Params.Height,
                             Params.WndParent, nullptr, Params.WindowClass.hInstance, Params.Param);
  if (!Handle_) Handle_ = wnd;
}

void TWinControl::DestroyHandle() {
  if (!Handle_) return;
  for (TControl* child : Controls_)
    if (auto* win = dynamic_cast<TWinControl*>(child)) win->DestroyHandle();
  DestroyWnd();
}

void TWinControl::DestroyWnd() {
  Text_ = GetText();
  DestroyWindowHandle();
}

void TWinControl::DestroyWindowHandle() {
  ControlState_.Include(csDestroyingHandle);
  BOOL destroyed = DestroyWindow(Handle_);
  ControlState_.Exclude(csDestroyingHandle);
  if (!destroyed) RaiseLastOSError();
  Handle_ = nullptr;
}

void TWinControl::RecreateWnd() {
  if (Handle_) Perform(CM_RECREATEWND, 0, 0);
}

void TWinControl::CMRecreateWnd(TMessage&) {
  bool focused = Focused();
  DestroyHandle();
  if (!Parent_ && !Visible_) return;  // a hidden form waits for its next showing
  HandleNeeded();
  UpdateShowing();
  if (focused && CanFocus()) SetFocus();
}

void TWinControl::SetParentWindow(HWND Value) {
  if (ParentWindow_ == Value || Parent_) return;
  ParentWindow_ = Value;
  if (Handle_) RecreateWnd();
}

void TWinControl::UpdateShowing() {
  if (!Handle_) {
    if (Visible_ && (!Parent_ || Parent_->HandleAllocated())) HandleNeeded();
    else return;
  }
  bool shown = (GetWindowLongPtrA(Handle_, GWL_STYLE) & WS_VISIBLE) != 0;
  if (shown == Visible_) return;
  ShowWindow(Handle_, Visible_ ? (Parent_ ? SW_SHOWNA : SW_SHOW) : SW_HIDE);
  Perform(CM_SHOWINGCHANGED, 0, 0);
}

void TWinControl::Loaded() {
  TControl::Loaded();
  Realign();
}

bool TWinControl::IsShowing() { return Handle_ && IsWindowVisible(Handle_); }

// ---------------------------------------------------------- message chain

void TWinControl::WndProc(TMessage& Message) {
  if (IsMouseMessage(Message.Msg) && ForwardMouseMessage(Message)) return;
  TControl::WndProc(Message);
}

TControl* TWinControl::WindowlessChildAt(const TPoint& Pos) {
  for (auto it = Controls_.rbegin(); it != Controls_.rend(); ++it) {
    TControl* child = *it;
    if (dynamic_cast<TWinControl*>(child) || !child->Visible() || !child->Enabled()) continue;
    TRect bounds = child->BoundsRect();
    if (PtInRect(&bounds, Pos)) return child;
  }
  return nullptr;
}

// Mouse messages over a windowless child go to that child, in its coordinates.
bool TWinControl::ForwardMouseMessage(TMessage& Message) {
  if (Message.Msg == WM_MOUSEWHEEL || GetCapture() == Handle_) return false;
  TPoint point = PointOfLParam(Message.LParam);
  TControl* child = WindowlessChildAt(point);
  if (!child) return false;
  Message.Result = child->Perform(Message.Msg, Message.WParam,
                                  MAKELPARAM(point.x - child->Left(), point.y - child->Top()));
  return true;
}

// A busy cursor of the screen wins; over the client area of this very window
// (not a child window's), the cursor of the windowless child under the mouse,
// else the control's own.
void TWinControl::WMSetCursor(TMessage& Message) {
  if (LOWORD(Message.LParam) == HTCLIENT && Screen) {
    TCursor cursor = Screen->Cursor();
    if (cursor == crDefault && reinterpret_cast<HWND>(Message.WParam) == Handle_) {
      POINT pos{};
      TControl* child = nullptr;
      if (GetCursorPos(&pos) && ::ScreenToClient(Handle_, &pos)) child = WindowlessChildAt(pos);
      if (child) cursor = child->Cursor();
    }
    if (cursor == crDefault) cursor = Cursor();
    if (cursor != crDefault) {
      ::SetCursor(TScreen::Cursors(cursor));
      Message.Result = TRUE;
      return;
    }
  }
  DefaultHandler(Message);
}

void TWinControl::Dispatch(TMessage& Message) {
  switch (Message.Msg) {
    case WM_COMMAND: WMCommand(Message); return;
    case WM_NOTIFY: WMNotify(Message); return;
    case WM_CTLCOLORMSGBOX: case WM_CTLCOLOREDIT: case WM_CTLCOLORLISTBOX: case WM_CTLCOLORBTN:
    case WM_CTLCOLORDLG: case WM_CTLCOLORSCROLLBAR: case WM_CTLCOLORSTATIC:
      WMCtlColor(Message);
      return;
    case WM_PAINT: WMPaint(Message); return;
    case WM_ERASEBKGND: WMEraseBkgnd(Message); return;
    case WM_DRAWITEM: {  // an owner-drawn child draws itself
      const auto* item = reinterpret_cast<const DRAWITEMSTRUCT*>(Message.LParam);
      TWinControl* child = item->CtlType == ODT_MENU ? nullptr : FindControl(item->hwndItem);
      if (child && child != this)
        Message.Result = child->Perform(CN_DRAWITEM, Message.WParam, Message.LParam);
      else
        DefaultHandler(Message);
      return;
    }
    case CM_FONTCHANGED:
      if (Handle_) Perform(WM_SETFONT, reinterpret_cast<WPARAM>(Font()->Handle()), TRUE);
      for (TControl* child : Controls_) child->Perform(CM_PARENTFONTCHANGED, 0, 0);
      return;
    case CM_COLORCHANGED:
      for (TControl* child : Controls_) child->Perform(CM_PARENTCOLORCHANGED, 0, 0);
      return;
    case WM_SETFOCUS: WMSetFocus(Message); return;
    case WM_KILLFOCUS: WMKillFocus(Message); return;
    case WM_SIZE: WMSize(Message); return;
    case WM_GETMINMAXINFO: WMGetMinMaxInfo(Message); return;
    case WM_MOVE: WMMove(Message); return;
    case WM_KEYDOWN: case WM_SYSKEYDOWN: case WM_KEYUP: case WM_SYSKEYUP: case WM_CHAR:
      WMKey(Message);
      return;
    case CN_KEYDOWN: case CN_SYSKEYDOWN: CNKeyDown(Message); return;
    case CM_DIALOGKEY: case CM_DIALOGCHAR: CMDialogKey(Message); return;
    case WM_SYSCHAR: WMSysChar(Message); return;
    case CM_RECREATEWND: CMRecreateWnd(Message); return;
    case WM_SETCURSOR: WMSetCursor(Message); return;
    case CM_VISIBLECHANGED:
      UpdateShowing();
      TControl::Dispatch(Message);
      return;
    case CM_ENABLEDCHANGED:
      if (Handle_) EnableWindow(Handle_, Enabled_);
      TControl::Dispatch(Message);
      return;
    case CM_SHOWHINTCHANGED:
      for (TControl* child : Controls_) child->Perform(CM_PARENTSHOWHINTCHANGED, 0, 0);
      return;
    default: TControl::Dispatch(Message);
  }
}

void TWinControl::DefaultHandler(TMessage& Message) {
  if (!Handle_) {
    TControl::DefaultHandler(Message);
    return;
  }
  Message.Result = CallWindowProcA(DefWndProc_ ? DefWndProc_ : &DefWindowProcA, Handle_,
                                   Message.Msg, Message.WParam, Message.LParam);
  if (Message.Msg == WM_SETTEXT) SendDockNotification(Message.Msg, Message.WParam, Message.LParam);
}

// Notifications of child windows go back to the child as CN_ messages.
void TWinControl::WMCommand(TMessage& Message) {
  TWinControl* child = FindControl(reinterpret_cast<HWND>(Message.LParam));
  if (child && child != this)
    Message.Result = child->Perform(CN_COMMAND, Message.WParam, Message.LParam);
  else
    DefaultHandler(Message);
}

void TWinControl::WMNotify(TMessage& Message) {
  const auto* header = reinterpret_cast<const NMHDR*>(Message.LParam);
  if (TWinControl* child = header ? FindControl(header->hwndFrom) : nullptr; child && child != this)
    Message.Result = child->Perform(CN_NOTIFY, Message.WParam, Message.LParam);
  else
    DefaultHandler(Message);
}

void TWinControl::WMCtlColor(TMessage& Message) {
  TWinControl* child = FindControl(reinterpret_cast<HWND>(Message.LParam));
  if (child && child != this)
    Message.Result = child->Perform(CN_BASE + Message.Msg, Message.WParam, Message.LParam);
  else
    DefaultHandler(Message);
}

void TWinControl::WMSetFocus(TMessage& Message) {
  DefaultHandler(Message);
  if (TCustomForm* form = GetParentForm(this); form && form != this) form->SetFocusedControl(this);
}

void TWinControl::WMKillFocus(TMessage& Message) { DefaultHandler(Message); }

void TWinControl::UpdateBounds() {
  RECT rect{};
  GetWindowRect(Handle_, &rect);
  HWND parent = GetParent(Handle_);
  if (parent && (GetWindowLongPtrA(Handle_, GWL_STYLE) & WS_CHILD))
    MapWindowPoints(HWND_DESKTOP, parent, reinterpret_cast<POINT*>(&rect), 2);
  Left_ = rect.left;
  Top_ = rect.top;
  Width_ = rect.right - rect.left;
  Height_ = rect.bottom - rect.top;
}

void TWinControl::WMSize(TMessage& Message) {
  UpdateBounds();
  DefaultHandler(Message);
  Realign();
  if (!ComponentState().Contains(csLoading)) Resize();
}

void TWinControl::WMGetMinMaxInfo(TMessage& Message) {
  DefaultHandler(Message);
  if (Message.LParam) Constraints()->Apply(*reinterpret_cast<MINMAXINFO*>(Message.LParam));
}

void TWinControl::WMMove(TMessage& Message) {
  UpdateBounds();
  DefaultHandler(Message);
}

// ------------------------------------------------------------- key handling

void TWinControl::KeyDown(Word& Key, TShiftState Shift) {
  if (OnKeyDown) OnKeyDown(this, Key, Shift);
}

void TWinControl::KeyUp(Word& Key, TShiftState Shift) {
  if (OnKeyUp) OnKeyUp(this, Key, Shift);
}

void TWinControl::KeyPress(AnsiChar& Key) {
  if (OnKeyPress) OnKeyPress(this, Key);
}

// A form with KeyPreview sees its controls' keys first.
bool TWinControl::DoKeyDown(TMessage& Message) {
  Word key = static_cast<Word>(Message.WParam);
  TShiftState shift = KeyDataToShiftState(Message.LParam);
  TCustomForm* form = GetParentForm(this);
  if (form && form != this && form->KeyPreview() && form->DoKeyDown(Message)) return true;
  KeyDown(key, shift);
  Message.WParam = key;
  return key == 0;
}

bool TWinControl::DoKeyUp(TMessage& Message) {
  Word key = static_cast<Word>(Message.WParam);
  TShiftState shift = KeyDataToShiftState(Message.LParam);
  TCustomForm* form = GetParentForm(this);
  if (form && form != this && form->KeyPreview() && form->DoKeyUp(Message)) return true;
  KeyUp(key, shift);
  Message.WParam = key;
  return key == 0;
}

bool TWinControl::DoKeyPress(TMessage& Message) {
  TCustomForm* form = GetParentForm(this);
  if (form && form != this && form->KeyPreview() && form->DoKeyPress(Message)) return true;
  auto key = static_cast<AnsiChar>(Message.WParam & 0xFF);
  KeyPress(key);
  Message.WParam = (Message.WParam & ~WPARAM(0xFF)) | static_cast<Byte>(key);
  return key == 0;
}

void TWinControl::WMKey(TMessage& Message) {
  bool taken = false;
  switch (Message.Msg) {
    case WM_KEYDOWN: case WM_SYSKEYDOWN: taken = DoKeyDown(Message); break;
    case WM_KEYUP: case WM_SYSKEYUP: taken = DoKeyUp(Message); break;
    default: taken = DoKeyPress(Message); break;
  }
  if (!taken) DefaultHandler(Message);
}

// Before the key is dispatched: navigation keys the control does not want
// go to its form as CM_DIALOGKEY. Result 1: the key was used.
void TWinControl::CNKeyDown(TMessage& Message) {
  Message.Result = 1;
  UINT mask = 0;
  switch (Message.WParam) {
    case VK_TAB: mask = DLGC_WANTTAB; break;
    case VK_LEFT: case VK_RIGHT: case VK_UP: case VK_DOWN: mask = DLGC_WANTARROWS; break;
    case VK_RETURN: case VK_EXECUTE: case VK_ESCAPE: case VK_CANCEL: mask = DLGC_WANTALLKEYS; break;
    default: break;
  }
  TCustomForm* form = GetParentForm(this);
  if (mask && form && Perform(CM_WANTSPECIALKEY, Message.WParam, 0) == 0 &&
      (Perform(WM_GETDLGCODE, 0, 0) & mask) == 0 &&
      form->Perform(CM_DIALOGKEY, Message.WParam, Message.LParam) != 0)
    return;
  Message.Result = 0;
}

// Offered to every child until one takes it.
void TWinControl::CMDialogKey(TMessage& Message) {
  for (size_t i = 0; i < Controls_.size() && Message.Result == 0; ++i)
    Message.Result = Controls_[i]->Perform(Message.Msg, Message.WParam, Message.LParam);
}

// Alt with a character: a control of the form whose hot key it is takes it;
// otherwise the system's menu key handling.
void TWinControl::WMSysChar(TMessage& Message) {
  TWinControl* top = this;
  while (top->Parent()) top = top->Parent();
  if (top->Perform(CM_DIALOGCHAR, Message.WParam, Message.LParam) != 0) {
    Message.Result = 0;
    return;
  }
  DefaultHandler(Message);
}

// --------------------------------------------------------------- children

void TWinControl::InsertControl(TControl* AControl) {
  AControl->Parent_ = this;
  Controls_.push_back(AControl);
  if (auto* win = dynamic_cast<TWinControl*>(AControl)) {
    TabList_.push_back(win);
    if (Handle_ && win->Visible()) win->HandleNeeded();
  }
  AControl->Perform(CM_PARENTFONTCHANGED, 0, 0);
  AControl->Perform(CM_PARENTCOLORCHANGED, 0, 0);
  AControl->Invalidate();
  if (AControl->Align() != alNone) Realign();
  Perform(CM_CONTROLLISTCHANGE, reinterpret_cast<WPARAM>(AControl), TRUE);
}

void TWinControl::RemoveControl(TControl* AControl) {
  Perform(CM_CONTROLLISTCHANGE, reinterpret_cast<WPARAM>(AControl), FALSE);
  if (auto* win = dynamic_cast<TWinControl*>(AControl)) {
    win->DestroyHandle();
    TabList_.erase(std::remove(TabList_.begin(), TabList_.end(), win), TabList_.end());
  }
  AControl->Invalidate();
  Controls_.erase(std::remove(Controls_.begin(), Controls_.end(), AControl), Controls_.end());
  AControl->Parent_ = nullptr;
  Realign();
}

bool TWinControl::ContainsControl(TControl* Control) {
  while (Control && Control != this) Control = Control->Parent();
  return Control == this;
}

void TWinControl::GetChildren(TGetChildProc Proc, TComponent* Root) {
  for (TControl* child : Controls_)
    if (child->Owner() == Root) Proc(child);
}

void TWinControl::SetChildOrder(TComponent* Child, Integer Order) {
  if (auto* win = dynamic_cast<TWinControl*>(Child)) win->SetTabOrder(Order);
}

void TWinControl::SetBounds(Integer ALeft, Integer ATop, Integer AWidth, Integer AHeight) {
  Constraints()->Apply(AWidth, AHeight);
  if (ALeft == Left_ && ATop == Top_ && AWidth == Width_ && AHeight == Height_) return;
  if (Handle_ && !IsIconic(Handle_)) {
    SetWindowPos(Handle_, nullptr, ALeft, ATop, AWidth, AHeight, SWP_NOZORDER | SWP_NOACTIVATE);
    UpdateBounds();  // what the system allowed
  } else {
    Left_ = ALeft;
    Top_ = ATop;
    Width_ = AWidth;
    Height_ = AHeight;
  }
  Realign();
  if (Parent_ && Align_ != alNone) Parent_->Realign();
}

TRect TWinControl::ClientRect() {
  if (!Handle_) return TControl::ClientRect();
  RECT rect{};
  GetClientRect(Handle_, &rect);
  return rect;
}

void TWinControl::ChangeScale(Integer M, Integer D) {
  for (TControl* child : Controls_) child->ChangeScale(M, D);
  TControl::ChangeScale(M, D);
}

void TWinControl::ScaleBy(Integer M, Integer D) {
  if (M == D || D == 0) return;
  for (TControl* child : Controls_) child->ChangeScale(M, D);
  SetBounds(Left(), Top(), MulDiv(Width(), M, D), MulDiv(Height(), M, D));
  if (!ParentFont()) Font()->SetHeight(MulDiv(Font()->Height(), M, D));
}

// Aligned children fill the client area from its edges inwards, in list order.
void TWinControl::Realign() {
  if (Aligning_ || ComponentState().Contains(csLoading)) return;
  TRect rect = ClientRect();
  TRestore<bool> aligning(Aligning_, true);
  AlignControls(nullptr, rect);
}

void TWinControl::AlignControls(TControl*, TRect& Rect) {
  for (TAlign align : {alTop, alBottom, alLeft, alRight, alClient}) {
    for (TControl* c : Controls_) {
      if (c->Align() != align || !c->Visible()) continue;
      Integer w = c->Width(), h = c->Height();
      Integer width = Rect.right - Rect.left, height = Rect.bottom - Rect.top;
      switch (align) {
        case alTop:
          c->SetBounds(Rect.left, Rect.top, width, h);
          Rect.top += h;
          break;
        case alBottom:
          Rect.bottom -= h;
          c->SetBounds(Rect.left, Rect.bottom, width, h);
          break;
        case alLeft:
          c->SetBounds(Rect.left, Rect.top, w, height);
          Rect.left += w;
          break;
        case alRight:
          Rect.right -= w;
          c->SetBounds(Rect.right, Rect.top, w, height);
          break;
        default: c->SetBounds(Rect.left, Rect.top, width, height); break;
      }
    }
  }
}

// ---------------------------------------------------------- focus and tabs

bool TWinControl::CanFocus() {
  TWinControl* control = this;
  for (; control; control = control->Parent_)
    if (!control->Visible_ || !control->Enabled_) return false;
  return true;
}

bool TWinControl::Focused() { return Handle_ && GetFocus() == Handle_; }

void TWinControl::SetFocus() {
  TCustomForm* form = GetParentForm(this);
  if (form && form != this) {
    form->FocusControl(this);
    return;
  }
  if (!CanFocus()) throw EInvalidOperation(SCannotFocus);
  ::SetFocus(Handle());
}

void TWinControl::SetTabStop(bool Value) {
  if (TabStop_ == Value) return;
  TabStop_ = Value;
  if (Handle_) {
    LONG_PTR style = GetWindowLongPtrA(Handle_, GWL_STYLE);
    SetWindowLongPtrA(Handle_, GWL_STYLE,
                      Value ? style | WS_TABSTOP : style & ~LONG_PTR(WS_TABSTOP));
  }
  Perform(CM_TABSTOPCHANGED, 0, 0);
}

Integer TWinControl::TabOrder() const {
  if (!Parent_) return -1;
  auto& list = Parent_->TabList_;
  return static_cast<Integer>(std::find(list.begin(), list.end(), this) - list.begin());
}

void TWinControl::SetTabOrder(Integer Value) {
  if (!Parent_) return;
  auto& list = Parent_->TabList_;
  list.erase(std::remove(list.begin(), list.end(), this), list.end());
  size_t index =
      Value < 0 ? list.size() : std::min<size_t>(static_cast<size_t>(Value), list.size());
  list.insert(list.begin() + static_cast<std::ptrdiff_t>(index), this);
}

void TWinControl::GetTabOrderList(std::vector<TWinControl*>& List) {
  for (TWinControl* child : TabList_) {
    List.push_back(child);
    child->GetTabOrderList(List);
  }
}

TWinControl* TWinControl::FindNextControl(TWinControl* CurControl, bool GoForward,
                                          bool CheckTabStop, bool CheckParent) {
  std::vector<TWinControl*> list;
  GetTabOrderList(list);
  if (list.empty()) return nullptr;
  auto count = static_cast<std::ptrdiff_t>(list.size());
  auto start = std::find(list.begin(), list.end(), CurControl) - list.begin();
  if (start == count) start = GoForward ? count - 1 : 0;
  auto i = start;
  do {
    i = GoForward ? (i + 1) % count : (i + count - 1) % count;
    TWinControl* c = list[static_cast<size_t>(i)];
    if (c != CurControl && c->CanFocus() && (!CheckTabStop || c->TabStop()) &&
        (!CheckParent || c->Parent() == this))
      return c;
  } while (i != start);
  return nullptr;
}

void TWinControl::SelectNext(TWinControl* CurControl, bool GoForward, bool CheckTabStop) {
  if (TWinControl* next = FindNextControl(CurControl, GoForward, CheckTabStop, false))
    next->SetFocus();
}

void TWinControl::SelectFirst() {
  TWinControl* first = FindNextControl(nullptr, true, true, false);
  if (!first) first = FindNextControl(nullptr, true, false, false);
  if (first) first->SetFocus();
}

void TWinControl::SetCtl3D(bool Value) {
  if (Ctl3D_ == Value) return;
  Ctl3D_ = Value;
  Invalidate();
}

// ------------------------------------------------------------ window state

void TWinControl::Invalidate() {
  if (Handle_) InvalidateRect(Handle_, nullptr, !ControlStyle_.Contains(csOpaque));
}

void TWinControl::Update() {
  if (Handle_) UpdateWindow(Handle_);
}

void TWinControl::BringToFront() {
  TControl::BringToFront();
  if (Handle_)
    SetWindowPos(Handle_, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
}

void TWinControl::SendToBack() {
  TControl::SendToBack();
  if (Handle_)
    SetWindowPos(Handle_, HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
}
