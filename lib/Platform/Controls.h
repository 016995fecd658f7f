// Controls and window controls: bounds, texts, visibility, the message chain
// WindowProc -> WndProc -> Dispatch -> DefaultHandler, window creation through
// the ...A functions, focus and tab order, and the hint window.
//
// A descendant handles messages by overriding Dispatch:
//   void Dispatch(TMessage& M) override {
//     switch (M.Msg) {
//       case WM_SIZE: WMSize(M); return;  // the handler may call inherited::Dispatch(M)
//     }
//     inherited::Dispatch(M);
//   }
// A message no class handles reaches DefaultHandler.
#pragma once

#include <vector>

#include "ActnList.h"
#include "Classes.h"
#include "Graphics.h"
#include "WinApi.h"

// -------------------------------------------------------------------- messages

struct TMessage {
  UINT Msg = 0;
  WPARAM WParam = 0;
  LPARAM LParam = 0;
  LRESULT Result = 0;
};
using TWndMethod = TEvent<void(TMessage& Message)>;

// The class library's own notifications between controls.
constexpr UINT CM_BASE = 0xB000;
constexpr UINT CM_ACTIVATE = CM_BASE + 0;
constexpr UINT CM_DEACTIVATE = CM_BASE + 1;
constexpr UINT CM_GOTFOCUS = CM_BASE + 2;
constexpr UINT CM_LOSTFOCUS = CM_BASE + 3;
constexpr UINT CM_CANCELMODE = CM_BASE + 4;
constexpr UINT CM_DIALOGKEY = CM_BASE + 5;
constexpr UINT CM_DIALOGCHAR = CM_BASE + 6;
constexpr UINT CM_FOCUSCHANGED = CM_BASE + 7;
constexpr UINT CM_PARENTFONTCHANGED = CM_BASE + 8;
constexpr UINT CM_PARENTCOLORCHANGED = CM_BASE + 9;
constexpr UINT CM_HITTEST = CM_BASE + 10;
constexpr UINT CM_VISIBLECHANGED = CM_BASE + 11;
constexpr UINT CM_ENABLEDCHANGED = CM_BASE + 12;
constexpr UINT CM_COLORCHANGED = CM_BASE + 13;
constexpr UINT CM_FONTCHANGED = CM_BASE + 14;
constexpr UINT CM_CURSORCHANGED = CM_BASE + 15;
constexpr UINT CM_TEXTCHANGED = CM_BASE + 18;
constexpr UINT CM_MOUSEENTER = CM_BASE + 19;
constexpr UINT CM_MOUSELEAVE = CM_BASE + 20;
constexpr UINT CM_MENUCHANGED = CM_BASE + 21;
constexpr UINT CM_SHOWINGCHANGED = CM_BASE + 25;
constexpr UINT CM_ENTER = CM_BASE + 26;
constexpr UINT CM_EXIT = CM_BASE + 27;
constexpr UINT CM_ICONCHANGED = CM_BASE + 29;
constexpr UINT CM_WANTSPECIALKEY = CM_BASE + 30;
constexpr UINT CM_RELEASE = CM_BASE + 33;
constexpr UINT CM_SHOWHINTCHANGED = CM_BASE + 34;
constexpr UINT CM_PARENTSHOWHINTCHANGED = CM_BASE + 35;
constexpr UINT CM_SYSCOLORCHANGE = CM_BASE + 36;
constexpr UINT CM_WININICHANGE = CM_BASE + 37;
constexpr UINT CM_TABSTOPCHANGED = CM_BASE + 40;
constexpr UINT CM_CONTROLLISTCHANGE = CM_BASE + 44;
constexpr UINT CM_CHILDKEY = CM_BASE + 46;
constexpr UINT CM_HINTSHOW = CM_BASE + 48;
constexpr UINT CM_RECREATEWND = CM_BASE + 51;
constexpr UINT CM_INVALIDATE = CM_BASE + 52;
constexpr UINT CM_BORDERCHANGED = CM_BASE + 59;
constexpr UINT CM_BIDIMODECHANGED = CM_BASE + 60;
constexpr UINT CM_PARENTBIDIMODECHANGED = CM_BASE + 61;
constexpr UINT CM_ACTIONUPDATE = CM_BASE + 63;
constexpr UINT CM_ACTIONEXECUTE = CM_BASE + 64;
constexpr UINT CM_HINTSHOWPAUSE = CM_BASE + 65;
constexpr UINT CM_DOCKNOTIFICATION = CM_BASE + 66;  // WParam: TControl*, LParam: TDockNotifyRec*
constexpr UINT CM_DOCKCLIENT = CM_BASE + 80;        // WParam: TDragDockObject*

// Notifications a parent reflects back to the child window they concern.
constexpr UINT CN_BASE = 0xBC00;
constexpr UINT CN_COMMAND = CN_BASE + WM_COMMAND;
constexpr UINT CN_NOTIFY = CN_BASE + WM_NOTIFY;
constexpr UINT CN_KEYDOWN = CN_BASE + WM_KEYDOWN;
constexpr UINT CN_CHAR = CN_BASE + WM_CHAR;
constexpr UINT CN_SYSKEYDOWN = CN_BASE + WM_SYSKEYDOWN;
constexpr UINT CN_CTLCOLOREDIT = CN_BASE + WM_CTLCOLOREDIT;
constexpr UINT CN_CTLCOLORSTATIC = CN_BASE + WM_CTLCOLORSTATIC;
constexpr UINT CN_CTLCOLORBTN = CN_BASE + WM_CTLCOLORBTN;
constexpr UINT CN_CTLCOLORLISTBOX = CN_BASE + WM_CTLCOLORLISTBOX;
constexpr UINT CN_DRAWITEM = CN_BASE + WM_DRAWITEM;

// ---------------------------------------------------------------- basic types

QEV_DECLARE_EXCEPTION(EInvalidOperation, Exception);

extern const TResStringRec SParentRequired;
extern const TResStringRec SCannotFocus;

enum TAlign { alNone, alTop, alBottom, alLeft, alRight, alClient };
QEV_ENUM_TYPEINFO(TAlign, "alNone", "alTop", "alBottom", "alLeft", "alRight", "alClient");

enum TControlStateItem { csLButtonDown, csClicked, csFocusing, csCreating, csDestroyingHandle };
using TControlState = TSet<TControlStateItem>;
enum TControlStyleItem {
  csAcceptsControls, csCaptureMouse, csClickEvents, csSetCaption, csOpaque, csDoubleClicks
};
using TControlStyle = TSet<TControlStyleItem>;

enum TShiftStateItem { ssShift, ssAlt, ssCtrl, ssLeft, ssRight, ssMiddle, ssDouble };
using TShiftState = TSet<TShiftStateItem>;
enum TMouseButton { mbLeft, mbRight, mbMiddle };

using TModalResult = Integer;
constexpr TModalResult mrNone = 0, mrOk = IDOK, mrCancel = IDCANCEL, mrAbort = IDABORT,
                       mrRetry = IDRETRY, mrIgnore = IDIGNORE, mrYes = IDYES, mrNo = IDNO,
                       mrAll = mrNo + 1, mrNoToAll = mrAll + 1, mrYesToAll = mrNoToAll + 1;

using TCursor = std::int16_t;
constexpr TCursor crDefault = 0, crArrow = -2, crHourGlass = -11, crHandPoint = -21;
// The type of cursor properties: form streams name the cursors above.
PTypeInfo TypeInfoTCursor();

using TKeyEvent = TEvent<void(TObject* Sender, Word& Key, TShiftState Shift)>;
using TKeyPressEvent = TEvent<void(TObject* Sender, AnsiChar& Key)>;

// The point a mouse message carries in its LParam (signed coordinates).
TPoint PointOfLParam(LPARAM LParam);
// The shift keys held with a key message (KeyData: its LParam).
TShiftState KeyDataToShiftState(LPARAM KeyData);

// The frame of a form; bsNone and bsSingle also serve the controls that may
// have a border (TBorderStyle).
enum TFormBorderStyle { bsNone, bsSingle, bsSizeable, bsDialog, bsToolWindow, bsSizeToolWin };
QEV_ENUM_TYPEINFO(TFormBorderStyle, "bsNone", "bsSingle", "bsSizeable", "bsDialog", "bsToolWindow",
                  "bsSizeToolWin");
using TBorderStyle = TFormBorderStyle;  // bsNone or bsSingle

class TWinControl;
class TCustomForm;
class TControl;

// The limits of a control's width and height in pixels; 0: no limit.
// SetBounds keeps the control within them, and so does the user's sizing of
// a window.
class TSizeConstraints : public TPersistent {
  QEV_CLASS(TSizeConstraints, TPersistent)
 public:
  void Assign(TPersistent* Source) override;
  Integer MinWidth() const { return MinWidth_; }
  void SetMinWidth(Integer Value) { Set(MinWidth_, Value); }
  Integer MaxWidth() const { return MaxWidth_; }
  void SetMaxWidth(Integer Value) { Set(MaxWidth_, Value); }
  Integer MinHeight() const { return MinHeight_; }
  void SetMinHeight(Integer Value) { Set(MinHeight_, Value); }
  Integer MaxHeight() const { return MaxHeight_; }
  void SetMaxHeight(Integer Value) { Set(MaxHeight_, Value); }
  // Width and Height brought within the limits; a minimum wins over a
  // smaller maximum.
  void Apply(Integer& Width, Integer& Height) const;
  // Writes the limits into the system's sizing information.
  void Apply(MINMAXINFO& Info) const;
  TNotifyEvent OnChange;

 private:
  void Set(Integer& Field, Integer Value);
  Integer MinWidth_ = 0, MaxWidth_ = 0, MinHeight_ = 0, MaxHeight_ = 0;
};

// ------------------------------------------------------------------ hints

class THintWindow;

// What CM_HINTSHOW hands the control under the mouse (LParam: THintInfo*);
// the control may change it, or refuse the hint with a non-zero result.
struct THintInfo {
  TControl* HintControl = nullptr;
  const TClass* HintWindowClass = nullptr;  // a THintWindow class
  TPoint HintPos{};                          // screen
  Integer HintMaxWidth = 0;
  TColor HintColor = clInfoBk;
  TRect CursorRect{};                        // client coordinates of HintControl
  TPoint CursorPos{};                        // client coordinates of HintControl
  Integer ReshowTimeout = 0;
  Integer HideTimeout = 0;
  AnsiString HintStr;
  void* HintData = nullptr;
};

// The text of a hint before the first "|" and after it (the whole text when
// it has none).
AnsiString GetShortHint(const AnsiString& Hint);
AnsiString GetLongHint(const AnsiString& Hint);

// ------------------------------------------------------------------ docking

// A control on its way into a dock site, and where it goes (screen coordinates).
struct TDragDockObject {
  TControl* Control = nullptr;
  TRect DockRect{};
};

// CM_DOCKCLIENT as the dock site reads it: the dock object and the mouse
// position (screen). A site that takes the control docks it (TControl::Dock).
struct TCMDockClient {
  explicit TCMDockClient(const TMessage& Message)
      : DockSource(reinterpret_cast<TDragDockObject*>(Message.WParam)),
        MousePos(PointOfLParam(Message.LParam)) {}
  TDragDockObject* DockSource;
  TPoint MousePos;
};

// A message a docked control handled, passed on to its dock site.
struct TDockNotifyRec {
  UINT ClientMsg = 0;
  WPARAM MsgWParam = 0;
  LPARAM MsgLParam = 0;
};

// CM_DOCKNOTIFICATION as the dock site reads it.
struct TCMDockNotification {
  explicit TCMDockNotification(const TMessage& Message)
      : Client(reinterpret_cast<TControl*>(Message.WParam)),
        NotifyRec(reinterpret_cast<const TDockNotifyRec*>(Message.LParam)) {}
  TControl* Client;
  const TDockNotifyRec* NotifyRec;
};

// ------------------------------------------------------------------ TControl

class TControlActionLink;
// Makes the action link of a control: the "class" of its links.
using TControlActionLinkClass = TControlActionLink* (*)(TControl* Client);

// Something on a form: a position in its parent, a text, visibility and
// enabling; it takes messages through Perform even without a window.
class TControl : public TComponent {
  QEV_CLASS(TControl, TComponent)
 public:
  explicit TControl(TComponent* AOwner);
  ~TControl() override;

  // Sends a message through WindowProc; returns its result.
  LRESULT Perform(UINT Msg, WPARAM WParam, LPARAM LParam);
  // Starts every message: WndProc unless somebody chained another method.
  TWndMethod WindowProc;
  virtual void WndProc(TMessage& Message);
  // Runs the handler of this class (or its bases) for Message, else DefaultHandler.
  virtual void Dispatch(TMessage& Message);
  // Windowless controls keep their text here.
  virtual void DefaultHandler(TMessage& Message);

  TWinControl* Parent() const { return Parent_; }
  virtual void SetParent(TWinControl* AParent);
  // Forms stream the parent as the parent component.
  bool HasParent() const override { return true; }
  TComponent* GetParentComponent() const override;
  void SetParentComponent(TComponent* Value) override;

  Integer Left() const { return Left_; }
  Integer Top() const { return Top_; }
  Integer Width() const { return Width_; }
  Integer Height() const { return Height_; }
  void SetLeft(Integer Value) { SetBounds(Value, Top_, Width_, Height_); }
  void SetTop(Integer Value) { SetBounds(Left_, Value, Width_, Height_); }
  void SetWidth(Integer Value) { SetBounds(Left_, Top_, Value, Height_); }
  void SetHeight(Integer Value) { SetBounds(Left_, Top_, Width_, Value); }
  virtual void SetBounds(Integer ALeft, Integer ATop, Integer AWidth, Integer AHeight);
  TRect BoundsRect() const { return Rect(Left_, Top_, Left_ + Width_, Top_ + Height_); }
  // Client area in client coordinates; windowless controls: their size.
  virtual TRect ClientRect();
  Integer ClientWidth() { return ClientRect().right; }
  Integer ClientHeight() { return ClientRect().bottom; }
  virtual void SetClientSize(Integer AWidth, Integer AHeight);
  void SetClientWidth(Integer Value) { SetClientSize(Value, ClientHeight()); }
  void SetClientHeight(Integer Value) { SetClientSize(ClientWidth(), Value); }
  TPoint ClientOrigin();  // screen position of the client area
  TPoint ClientToScreen(const TPoint& Point);
  TPoint ScreenToClient(const TPoint& Point);
  TAlign Align() const { return Align_; }
  void SetAlign(TAlign Value);

  bool Visible() const { return Visible_; }
  void SetVisible(bool Value);
  void Show();
  void Hide() { SetVisible(false); }
  // Visible, and every parent is showing.
  virtual bool IsShowing();
  bool Enabled() const { return Enabled_; }
  virtual void SetEnabled(bool Value);

  // The text, through WM_GETTEXTLENGTH / WM_GETTEXT, with the length that
  // WM_GETTEXT reports.
  AnsiString GetText();
  // WM_SETTEXT then CM_TEXTCHANGED, when the text differs.
  void SetText(const AnsiString& Value);
  AnsiString Caption() { return GetText(); }
  void SetCaption(const AnsiString& Value) { SetText(Value); }
  Integer GetTextLen();
  // Copies at most BufSize - 1 characters and a NUL; returns those copied.
  Integer GetTextBuf(char* Buffer, Integer BufSize);
  void SetTextBuf(const char* Buffer);

  const AnsiString& Hint() const { return Hint_; }
  void SetHint(const AnsiString& Value) { Hint_ = Value; }
  bool ShowHint() const { return ShowHint_; }
  void SetShowHint(bool Value);
  bool ParentShowHint() const { return ParentShowHint_; }
  void SetParentShowHint(bool Value);
  TColor Color() const { return Color_; }
  void SetColor(TColor Value);
  // The control takes its parent's colour (and keeps following it).
  bool ParentColor() const { return ParentColor_; }
  void SetParentColor(bool Value);
  bool IsColorStored() const { return !ParentColor_; }
  TSizeConstraints* Constraints() const { return Constraints_; }
  void SetConstraints(TSizeConstraints* Value) { Constraints_->Assign(Value); }
  // The control's font; it follows the parent's while ParentFont is set.
  TFont* Font() const { return Font_; }
  void SetFont(TFont* Value) { Font_->Assign(Value); }
  bool ParentFont() const { return ParentFont_; }
  bool IsFontStored() const { return !ParentFont_; }
  void SetParentFont(bool Value);
  TCursor Cursor() const { return Cursor_; }
  void SetCursor(TCursor Value) { Cursor_ = Value; }

  TControlState ControlState() const { return ControlState_; }
  TControlStyle ControlStyle() const { return ControlStyle_; }
  void SetControlStyle(TControlStyle Value) { ControlStyle_ = Value; }

  // Controls of this library read left to right: the flags stay as they are.
  UINT DrawTextBiDiModeFlags(UINT Flags) const { return Flags; }
  bool UseRightToLeftAlignment() const { return false; }

  virtual void Invalidate();
  virtual void Update();
  void Repaint();
  void Refresh() { Repaint(); }
  virtual void BringToFront();
  virtual void SendToBack();

  virtual void Click();
  virtual void DblClick();  // a left double-click of a control with csClickEvents
  TNotifyEvent OnClick;
  TNotifyEvent OnDblClick;
  // The size changed (windows: WM_SIZE; not while the control is being read).
  TNotifyEvent OnResize;

  // The action this control follows; the link keeps caption, hint, enabling
  // and visibility in step with it.
  TBasicAction* Action() const;
  void SetAction(TBasicAction* Value);
  TControlActionLink* ActionLink() const { return ActionLink_; }
  // Idle-time update of the control's action.
  virtual void InitiateAction();
  // Position, size and (unless it follows the parent's) font times M / D.
  virtual void ChangeScale(Integer M, Integer D);

  void Loaded() override;
  void Notification(TComponent* AComponent, TOperation Operation) override;
  // A control read from a form stream takes the reader's parent.
  void ReadState(TReader* Reader) override;

  // The windowed control this one is docked into, nullptr when none.
  TWinControl* HostDockSite() const { return HostDockSite_; }
  // Docks this control into NewDockSite through CM_DOCKCLIENT; whether it is
  // docked there now. The site's errors pass on.
  bool ManualDock(TWinControl* NewDockSite);
  // The site's side of a dock: ARect becomes the bounds, the site takes the
  // control in (DoAddDockClient) and becomes its host. EInvalidOperation
  // for a site inside this control.
  void Dock(TWinControl* NewDockSite, const TRect& ARect);

 protected:
  // Copies the action's properties (with CheckDefaults only onto defaults).
  virtual void ActionChange(TObject* Sender, bool CheckDefaults);
  virtual TControlActionLinkClass GetActionLinkClass();
  void DoActionChange(TObject* Sender);
  virtual void Resize();
  // Tells the host dock site of a message this control handled.
  void SendDockNotification(UINT Msg, WPARAM WParam, LPARAM LParam);
  TControlState ControlState_;
  TControlStyle ControlStyle_;
  // The text of a windowless control, and of a window control without window.
  AnsiString Text_;
  bool Visible_ = true;
  bool Enabled_ = true;
  TColor Color_ = clWindow;

 private:
  friend class TWinControl;
  void UpdateParentShowHint();
  void FontChanged(TObject* Sender);
  void WMLButtonDown(TMessage& Message);
  void WMLButtonUp(TMessage& Message);
  void CMVisibleChanged(TMessage& Message);
  void CMEnabledChanged(TMessage& Message);
  void CMParentFontChanged(TMessage& Message);
  void CMParentColorChanged(TMessage& Message);
  void ConstraintsChanged(TObject* Sender);

  TWinControl* Parent_ = nullptr;
  Integer Left_ = 0, Top_ = 0, Width_ = 0, Height_ = 0;
  TAlign Align_ = alNone;
  AnsiString Hint_;
  bool ShowHint_ = false;
  bool ParentShowHint_ = true;
  TFont* Font_;
  bool ParentFont_ = true;
  bool ParentColor_ = false;
  TSizeConstraints* Constraints_;
  TCursor Cursor_ = crDefault;
  TControlActionLink* ActionLink_ = nullptr;
  TWinControl* HostDockSite_ = nullptr;
};

// The link between a control and its action: the control follows each
// property of the action for as long as the two agree.
class TControlActionLink : public TActionLink {
 public:
  explicit TControlActionLink(TControl* AClient) : TActionLink(AClient), Client_(AClient) {}
  static TControlActionLink* Make(TControl* Client);  // the link class of plain controls
  const char* ClassName() const override { return "TControlActionLink"; }
  bool IsCaptionLinked() override;
  bool IsEnabledLinked() override;
  bool IsHintLinked() override;
  bool IsVisibleLinked() override;

 protected:
  bool IsOnExecuteLinked() override;
  void SetCaption(const AnsiString& Value) override;
  void SetEnabled(bool Value) override;
  void SetHint(const AnsiString& Value) override;
  void SetVisible(bool Value) override;
  void SetOnExecute(TNotifyEvent Value) override;
  TControl* Client_;
};

// The link of windowed controls.
class TWinControlActionLink : public TControlActionLink {
 public:
  using TControlActionLink::TControlActionLink;
  static TControlActionLink* Make(TControl* Client);
  const char* ClassName() const override { return "TWinControlActionLink"; }
};

// ---------------------------------------------------------------- TWinControl

// The parameters CreateWnd hands to CreateWindowHandle.
struct TCreateParams {
  AnsiString Caption;
  DWORD Style = 0;
  DWORD ExStyle = 0;
  Integer X = 0, Y = 0, Width = 0, Height = 0;
  HWND WndParent = nullptr;
  void* Param = nullptr;
  WNDCLASSA WindowClass{};
  AnsiString WinClassName;  // at most 63 characters
};

// The control whose window CreateWnd is creating; the first message of the
// new window hands it its handle (the window class procedure InitWndProc).
// Per thread: that first message comes on the creating thread.
extern thread_local TWinControl* CreationControl;
// The window procedure of every window class this library registers: binds
// the window to CreationControl, then becomes StdWndProc.
LRESULT CALLBACK InitWndProc(HWND Wnd, UINT Msg, WPARAM WParam, LPARAM LParam);
// Finds the control through the window property and hands it the message.
LRESULT CALLBACK StdWndProc(HWND Wnd, UINT Msg, WPARAM WParam, LPARAM LParam);
// True while Message is the one StdWndProc is handing Control for a message
// its window received; false for one made by Perform, also while nested.
bool CameThroughWindowProc(const TWinControl* Control, const TMessage& Message);
// The names of the two window properties that mark this library's windows
// (the window itself, and the control), made once per process and thread.
const AnsiString& WindowAtomString();
const AnsiString& ControlAtomString();
ATOM WindowAtom();
ATOM ControlAtom();
// The control of a window of this process, nullptr for other windows.
TWinControl* FindControl(HWND Wnd);
// The text of any window, by the length that WM_GETTEXT reports.
AnsiString GetWindowTextOf(HWND Wnd);

// A control with a window, which it creates when first asked for its handle.
class TWinControl : public TControl {
  QEV_CLASS(TWinControl, TControl)
 public:
  explicit TWinControl(TComponent* AOwner);
  // Destroys the window, then frees the child controls.
  ~TWinControl() override;

  // Creates the window (and those of its parents) when it does not exist yet.
  HWND Handle();
  HWND WindowHandle() const { return Handle_; }
  // For window procedures that bind a new window to CreationControl.
  void SetHandle(HWND Value) { Handle_ = Value; }
  bool HandleAllocated() const { return Handle_ != nullptr; }
  void HandleNeeded();
  // Destroys the window and those of the child controls; the text is kept.
  void DestroyHandle();
  // A window again, with new parameters, when there is one.
  void RecreateWnd();
  // The window that owns or parents a window without Parent (0: none).
  HWND ParentWindow() const { return ParentWindow_; }
  void SetParentWindow(HWND Value);

  // Where DefaultHandler sends what no handler took.
  WNDPROC DefWndProc() const { return DefWndProc_; }
  void SetDefWndProc(WNDPROC Value) { DefWndProc_ = Value; }
  void MainWndProc(TMessage& Message);  // WindowProc, exceptions to the application

  void WndProc(TMessage& Message) override;
  void Dispatch(TMessage& Message) override;
  void DefaultHandler(TMessage& Message) override;

  Integer ControlCount() const { return static_cast<Integer>(Controls_.size()); }
  TControl* Controls(Integer Index) const { return Controls_.at(static_cast<size_t>(Index)); }
  void InsertControl(TControl* AControl);
  void RemoveControl(TControl* AControl);
  bool ContainsControl(TControl* Control);
  void GetChildren(TGetChildProc Proc, TComponent* Root) override;
  void SetChildOrder(TComponent* Child, Integer Order) override;
  void SetBounds(Integer ALeft, Integer ATop, Integer AWidth, Integer AHeight) override;
  TRect ClientRect() override;
  void Realign();
  // The children's positions, sizes and fonts and this control's size and
  // font times M / D; its own position stays.
  void ScaleBy(Integer M, Integer D);
  void ChangeScale(Integer M, Integer D) override;
  bool IsShowing() override;
  void Loaded() override;
  bool Showing() { return IsShowing(); }
  // The windowless child that takes the mouse at Pos (client coordinates):
  // the topmost visible and enabled one there, nullptr when none.
  TControl* WindowlessChildAt(const TPoint& Pos);

  // Focus and tab order.
  virtual bool CanFocus();
  bool Focused();
  virtual void SetFocus();
  bool TabStop() const { return TabStop_; }
  void SetTabStop(bool Value);
  Integer TabOrder() const;
  void SetTabOrder(Integer Value);
  // The child windows in tab order, depth first.
  void GetTabOrderList(std::vector<TWinControl*>& List);
  TWinControl* FindNextControl(TWinControl* CurControl, bool GoForward, bool CheckTabStop,
                               bool CheckParent);
  void SelectNext(TWinControl* CurControl, bool GoForward, bool CheckTabStop);
  // Focuses the first child in tab order that takes the focus: a tab stop
  // when there is one, else any.
  void SelectFirst();
  // The sunken three-dimensional look (the flat one when off).
  bool Ctl3D() const { return Ctl3D_; }
  void SetCtl3D(bool Value);
  // Paints through an off-screen bitmap, so that the window does not flicker.
  bool DoubleBuffered() const { return DoubleBuffered_; }
  void SetDoubleBuffered(bool Value) { DoubleBuffered_ = Value; }

  void Invalidate() override;
  void Update() override;
  void BringToFront() override;
  void SendToBack() override;

  TKeyEvent OnKeyDown;
  TKeyEvent OnKeyUp;
  TKeyPressEvent OnKeyPress;
  TNotifyEvent OnEnter;
  TNotifyEvent OnExit;

 protected:
  TControlActionLinkClass GetActionLinkClass() override { return &TWinControlActionLink::Make; }
  virtual void CreateParams(TCreateParams& Params);
  // The window of a subclassed system class: its class record, procedure
  // and all (DefWndProc: that class's procedure).
  void CreateSubClass(TCreateParams& Params, const char* ControlClassName);
  virtual void CreateWnd();
  virtual void CreateWindowHandle(const TCreateParams& Params);
  virtual void CreateHandle();
  virtual void DestroyWnd();
  virtual void DestroyWindowHandle();
  virtual void AlignControls(TControl* AControl, TRect& Rect);
  // Painting: the window itself (the default procedure with the DC in
  // WParam), then the windowless children over it.
  virtual void PaintWindow(HDC DC);
  void PaintControls(HDC DC);
  // Key handling; DoKeyXxx answer true when the key was taken (set to 0)
  // by the form (KeyPreview) or the control's handler.
  virtual void KeyDown(Word& Key, TShiftState Shift);
  virtual void KeyUp(Word& Key, TShiftState Shift);
  virtual void KeyPress(AnsiChar& Key);
  bool DoKeyDown(TMessage& Message);
  bool DoKeyUp(TMessage& Message);
  bool DoKeyPress(TMessage& Message);
  void UpdateBounds();  // from the window
  // A control docked into this one (Dock) comes in: it becomes a child.
  virtual void DoAddDockClient(TControl* Client, const TRect& ARect);

 private:
  friend LRESULT CALLBACK InitWndProc(HWND, UINT, WPARAM, LPARAM);
  friend LRESULT CALLBACK StdWndProc(HWND, UINT, WPARAM, LPARAM);
  friend class TControl;
  void UpdateShowing();
  void WMCommand(TMessage& Message);
  void WMNotify(TMessage& Message);
  void WMCtlColor(TMessage& Message);
  void WMPaint(TMessage& Message);
  void PaintBuffered(HDC DC, const RECT& Area);
  void WMEraseBkgnd(TMessage& Message);
  void WMSetCursor(TMessage& Message);
  void WMSetFocus(TMessage& Message);
  void WMKillFocus(TMessage& Message);
  void WMSize(TMessage& Message);
  void WMGetMinMaxInfo(TMessage& Message);
  void WMMove(TMessage& Message);
  void WMKey(TMessage& Message);
  void CNKeyDown(TMessage& Message);
  void CMDialogKey(TMessage& Message);
  void WMSysChar(TMessage& Message);
  void CMRecreateWnd(TMessage& Message);
  bool ForwardMouseMessage(TMessage& Message);

  HWND Handle_ = nullptr;
  HWND ParentWindow_ = nullptr;
  WNDPROC DefWndProc_ = nullptr;
  // The window's class procedure erases the background (a system class): as
  // created, whatever procedure is put in front of DefWndProc later.
  bool ClassErasesBackground_ = false;
  std::vector<TControl*> Controls_;
  std::vector<TWinControl*> TabList_;
  bool TabStop_ = false;
  bool Aligning_ = false;
  bool Ctl3D_ = true;
  bool DoubleBuffered_ = false;
};

// ------------------------------------------------------- painted controls

// A canvas on the device context of a control, made while it paints.
class TControlCanvas : public TCanvas {
  QEV_CLASS(TControlCanvas, TCanvas)
 public:
  ~TControlCanvas() override;
  TControl* Control() const { return Control_; }
  void SetControl(TControl* Value);
  // Releases a DC the canvas fetched itself.
  void FreeHandle();

 protected:
  void CreateHandle() override;

 private:
  TControl* Control_ = nullptr;
  HDC DeviceContext_ = nullptr;
  HWND Window_ = nullptr;
};

// A control without window that draws on its parent's.
class TGraphicControl : public TControl {
  QEV_CLASS(TGraphicControl, TControl)
 public:
  explicit TGraphicControl(TComponent* AOwner);
  ~TGraphicControl() override;
  TCanvas* Canvas() const { return Canvas_; }
  void Dispatch(TMessage& Message) override;

 protected:
  virtual void Paint() {}

 private:
  TControlCanvas* Canvas_;
};

// A window control that draws itself on a canvas.
class TCustomControl : public TWinControl {
  QEV_CLASS(TCustomControl, TWinControl)
 public:
  explicit TCustomControl(TComponent* AOwner);
  ~TCustomControl() override;
  TCanvas* Canvas() const { return Canvas_; }

 protected:
  virtual void Paint() {}
  void PaintWindow(HDC DC) override;

 private:
  TControlCanvas* Canvas_;
};

// The little window that shows a hint.
class THintWindow : public TCustomControl {
  QEV_CLASS(THintWindow, TCustomControl)
 public:
  explicit THintWindow(TComponent* AOwner);
  // Shows Hint at Rect (screen coordinates).
  virtual void ActivateHint(TRect Rect, const AnsiString& AHint);
  virtual void ActivateHintData(TRect Rect, const AnsiString& AHint, void* AData);
  // The size Hint needs, at most MaxWidth wide, as a rectangle at (0, 0).
  virtual TRect CalcHintRect(Integer MaxWidth, const AnsiString& AHint, void* AData);
  void ReleaseHandle() { DestroyHandle(); }

 protected:
  void CreateParams(TCreateParams& Params) override;
  void Paint() override;
};

// The hint window class the application shows hints with.
extern const TClass* HintWindowClass;

// The form a control sits on, nullptr when it sits on none.
TCustomForm* GetParentForm(TControl* Control);

void Initialization_Controls();
void Finalization_Controls();
