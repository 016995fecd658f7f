// Forms, the application object with its message loop, and the screen.
#pragma once

#include <vector>

#include "Controls.h"

class TMainMenu;
class TMenuItem;

extern const TResStringRec SCannotShowModal;
extern const TResStringRec SCannotShowModalDisabled;
extern const TResStringRec SNoMDIForm;

enum TBorderIcon { biSystemMenu, biMinimize, biMaximize, biHelp };
QEV_ENUM_TYPEINFO(TBorderIcon, "biSystemMenu", "biMinimize", "biMaximize", "biHelp");
using TBorderIcons = TSet<TBorderIcon>;
enum TFormStyle { fsNormal, fsMDIChild, fsMDIForm, fsStayOnTop };
QEV_ENUM_TYPEINFO(TFormStyle, "fsNormal", "fsMDIChild", "fsMDIForm", "fsStayOnTop");
enum TPosition {
  poDesigned, poDefault, poDefaultPosOnly, poDefaultSizeOnly, poScreenCenter, poDesktopCenter,
  poMainFormCenter, poOwnerFormCenter
};
QEV_ENUM_TYPEINFO(TPosition, "poDesigned", "poDefault", "poDefaultPosOnly", "poDefaultSizeOnly",
                  "poScreenCenter", "poDesktopCenter", "poMainFormCenter", "poOwnerFormCenter");
enum TWindowState { wsNormal, wsMinimized, wsMaximized };
QEV_ENUM_TYPEINFO(TWindowState, "wsNormal", "wsMinimized", "wsMaximized");
enum TFormStateItem { fsCreating, fsVisible, fsShowing, fsModal, fsCreatedMDIChild, fsActivated };
using TFormState = TSet<TFormStateItem>;
enum TCloseAction { caNone, caHide, caFree, caMinimize };

using TCloseEvent = TEvent<void(TObject* Sender, TCloseAction& Action)>;
using TCloseQueryEvent = TEvent<void(TObject* Sender, bool& CanClose)>;

// A top-level window. Construction makes the form without its resource;
// NewForm / CreateForm then read the resource (InitializeForm) and fire
// OnCreate (AfterConstruction): the most derived class is known only once
// the constructor has returned.
class TCustomForm : public TWinControl {
  QEV_CLASS(TCustomForm, TWinControl)
 public:
  explicit TCustomForm(TComponent* AOwner);
  ~TCustomForm() override;

  // Reads the form resources of the classes from TForm down to this one;
  // EResNotFound "Resource %s not found" when there are none.
  virtual void InitializeForm();
  // OnCreate, unless OldCreateOrder fired it while reading.
  virtual void AfterConstruction();
  // OnDestroy; called before the form is freed by Release, Close (caFree)
  // and the application, while the derived parts still exist.
  virtual void BeforeDestruction();

  void Show();
  void Hide() { SetVisible(false); }
  // Asks OnCloseQuery and OnClose; hides, frees or minimises the form as
  // OnClose says. A modal form only sets ModalResult; the main form ends
  // the application.
  void Close();
  virtual bool CloseQuery();
  // Runs a message loop until ModalResult is set; other windows of the
  // thread are disabled meanwhile.
  virtual Integer ShowModal();
  // Frees the form once the messages already queued are handled.
  void Release();

  TModalResult ModalResult() const { return ModalResult_; }
  void SetModalResult(TModalResult Value) { ModalResult_ = Value; }
  TFormState FormState() const { return FormState_; }
  TFormBorderStyle BorderStyle() const { return BorderStyle_; }
  void SetBorderStyle(TFormBorderStyle Value);
  TBorderIcons BorderIcons() const { return BorderIcons_; }
  void SetBorderIcons(TBorderIcons Value);
  TFormStyle FormStyle() const { return FormStyle_; }
  virtual void SetFormStyle(TFormStyle Value);
  TPosition Position() const { return Position_; }
  void SetPosition(TPosition Value);
  TWindowState WindowState() const { return WindowState_; }
  void SetWindowState(TWindowState Value);
  bool KeyPreview() const { return KeyPreview_; }
  void SetKeyPreview(bool Value) { KeyPreview_ = Value; }
  bool OldCreateOrder() const { return OldCreateOrder_; }
  void SetOldCreateOrder(bool Value) { OldCreateOrder_ = Value; }
  bool Active() const { return Active_; }
  TWinControl* ActiveControl() const { return ActiveControl_; }
  void SetActiveControl(TWinControl* Control);
  // Called when Control got the focus; runs OnExit / OnEnter.
  bool SetFocusedControl(TWinControl* Control);
  void FocusControl(TWinControl* Control);
  Integer PixelsPerInch() const { return PixelsPerInch_; }
  void SetPixelsPerInch(Integer Value) { PixelsPerInch_ = Value; }
  Integer TextHeight() const { return TextHeight_; }
  void SetTextHeight(Integer Value) { TextHeight_ = Value; }
  void SetClientSize(Integer AWidth, Integer AHeight) override;
  // Without a window: the bounds less the frame the window will have.
  TRect ClientRect() override;
  // Idle-time update of the actions of the form's controls.
  virtual void UpdateActions();
  // The menu bar of the window; its commands and owner-drawn entries are
  // served by the form.
  TMainMenu* Menu() const { return Menu_; }
  void SetMenu(TMainMenu* Value);

  // MDI frame (fsMDIForm): the "MDICLIENT" window that holds the children
  // (0 without one), the active child, the children in creation order.
  HWND ClientHandle() const { return ClientHandle_; }
  TCustomForm* ActiveMDIChild();
  Integer MDIChildCount();
  TCustomForm* MDIChildren(Integer Index);
  // The menu entry under which the client lists its children.
  TMenuItem* WindowMenu() const { return WindowMenu_; }
  void SetWindowMenu(TMenuItem* Value);
  // Children's menus are not merged into the frame's menu bar here.
  void MergeMenu(bool) {}

  void Dispatch(TMessage& Message) override;
  // An MDI frame leaves what it does not handle to DefFrameProcA.
  void DefaultHandler(TMessage& Message) override;
  bool IsShowing() override;
  // Draws on the window: during OnPaint on the paint DC, otherwise on a DC
  // of the window that it fetches (creating the window).
  TCanvas* Canvas() const { return Canvas_; }

  TNotifyEvent OnCreate;
  TNotifyEvent OnDestroy;
  TNotifyEvent OnShow;
  TNotifyEvent OnHide;
  TNotifyEvent OnActivate;
  TNotifyEvent OnDeactivate;
  TCloseEvent OnClose;
  TCloseQueryEvent OnCloseQuery;
  // After the background, before the windowless controls.
  TNotifyEvent OnPaint;

 protected:
  friend class TWinControl;
  // Reads the form resources of every class between RootAncestor and this
  // form's own (the root excluded).
  void CreateWithRootAncestor(const TClass* RootAncestor);
  void CreateParams(TCreateParams& Params) override;
  void CreateWnd() override;
  // An MDI child's window is made by the main form's client (CreateMDIWindowA).
  void CreateWindowHandle(const TCreateParams& Params) override;
  void DestroyWindowHandle() override;
  // The MDI client takes the room the aligned controls leave.
  void AlignControls(TControl* AControl, TRect& Rect) override;
  // The window was maximised, minimised or restored (WindowState follows).
  virtual void Resizing(TWindowState) {}
  virtual void DoCreate();
  virtual void DoDestroy();
  virtual void DoShow() { if (OnShow) OnShow(this); }
  virtual void DoHide() { if (OnHide) OnHide(this); }
  virtual void DoClose(TCloseAction& Action);
  virtual void Activate() { if (OnActivate) OnActivate(this); }
  virtual void Deactivate() { if (OnDeactivate) OnDeactivate(this); }
  virtual void Paint() { if (OnPaint) OnPaint(this); }
  // Paint with Canvas on DC.
  void PaintWindow(HDC DC) override;
  void Loaded() override;
  void Notification(TComponent* AComponent, TOperation Operation) override;
  TFormState FormState_;

 private:
  void CloseModal();
  void PlaceWindow();
  void WMClose(TMessage& Message);
  void WMActivate(TMessage& Message);
  void CMVisibleChanged(TMessage& Message);
  void CMDialogKey(TMessage& Message);
  void WMSize(TMessage& Message);
  void CreateClientWindow();
  // Menu commands, owner-drawn entries and popups opening; false: not the menu's.
  bool MenuMessage(TMessage& Message);
  // Runs OnShow or OnHide. Within ShowModal their exceptions go to the
  // application, and the form shows (or hides) either way; elsewhere they
  // reach the caller of Show or Hide.
  void ShowingEvent(void (TCustomForm::*Event)());

  TControlCanvas* Canvas_;
  TMainMenu* Menu_ = nullptr;
  HWND ClientHandle_ = nullptr;
  TMenuItem* WindowMenu_ = nullptr;
  TModalResult ModalResult_ = mrNone;
  TFormBorderStyle BorderStyle_ = bsSizeable;
  TBorderIcons BorderIcons_ = {biSystemMenu, biMinimize, biMaximize};
  TFormStyle FormStyle_ = fsNormal;
  TPosition Position_ = poDesigned;
  TWindowState WindowState_ = wsNormal;
  bool KeyPreview_ = false;
  bool OldCreateOrder_ = false;
  bool Active_ = false;
  bool Destroyed_ = false;  // OnDestroy ran
  bool ReportShowingExceptions_ = false;
  TWinControl* ActiveControl_ = nullptr;
  Integer PixelsPerInch_ = 96;
  Integer TextHeight_ = 13;
};

class TForm : public TCustomForm {
  QEV_CLASS(TForm, TCustomForm)
 public:
  using TCustomForm::TCustomForm;
};

// Phase two of making a form (see TCustomForm): frees Form when it fails.
TCustomForm* InitNewForm(TCustomForm* Form);

// A form of class T, read from its resource, OnCreate fired.
template <class T>
T* NewForm(TComponent* AOwner) {
  return static_cast<T*>(InitNewForm(new T(AOwner)));
}

// -------------------------------------------------------------- TApplication

using TMessageEvent = TEvent<void(MSG& Msg, bool& Handled)>;
using TIdleEvent = TEvent<void(TObject* Sender, bool& Done)>;
using TExceptionEvent = TEvent<void(TObject* Sender, Exception* E)>;
using TShowHintEvent = TEvent<void(AnsiString& HintStr, bool& CanShow, THintInfo& HintInfo)>;
// A hook on the application window; true: the message is handled.
using TWindowHook = TEvent<bool(TMessage& Message)>;

// The program: a hidden application window, the forms, the message loop.
class TApplication : public TComponent {
  QEV_CLASS(TApplication, TComponent)
 public:
  explicit TApplication(TComponent* AOwner);
  // Frees the forms it owns, then its window.
  ~TApplication() override;
  // Frees the forms (and all else) the application owns, each form with its
  // OnDestroy; programs call it before the units under their forms end.
  void DestroyForms();

  HWND Handle() const { return Handle_; }
  // A form of the class, owned by the application; the first becomes MainForm.
  void CreateForm(const TClass* FormClass, void* Reference);
  template <class T>
  void CreateForm(T*& Reference) {
    CreateForm(T::StaticClass(), &Reference);
  }
  TCustomForm* MainForm() const { return MainForm_; }
  bool ShowMainForm = true;

  // Shows the main form and serves messages until Terminate.
  void Run();
  // Serves the messages waiting, then returns.
  void ProcessMessages();
  // Serves one message, or is idle (waits) when none is waiting.
  void HandleMessage();
  // Posts WM_QUIT; the loop ends when it arrives.
  void Terminate();
  bool Terminated() const { return Terminated_; }

  // Inside a catch block: OnException, or ShowException; EAbort is silent.
  void HandleException(TObject* Sender);
  void ShowException(const Exception* E);

  AnsiString Title() const;
  void SetTitle(const AnsiString& Value);
  AnsiString ExeName() const;
  const AnsiString& Hint() const { return Hint_; }
  // OnHint, or a THintAction carrying the hint when nobody listens.
  void SetHint(const AnsiString& Value);
  bool ShowHint() const { return ShowHint_; }
  void SetShowHint(bool Value);
  Integer HintPause = 500;
  Integer HintShortPause = 50;
  Integer HintHidePause = 2500;
  TColor HintColor = clInfoBk;
  bool HintShortCuts = true;
  void CancelHint();
  void HideHint();
  // Seen by every control for WM_MOUSEMOVE: starts or moves the hint.
  void HintMouseMessage(TControl* Control, TMessage& Message);
  // Shows the hint of the control under CursorPos now.
  void ActivateHint(const TPoint& CursorPos);
  // Forgets a control that is going (hint, mouse control, main form).
  void ControlDestroyed(TControl* Control);
  // The control under the mouse since the last idle time.
  TControl* MouseControl() const { return MouseControl_; }

  bool Active() const { return Active_; }
  HWND DialogHandle = nullptr;
  void HookMainWindow(TWindowHook Hook);
  void UnhookMainWindow(TWindowHook Hook);
  void Notification(TComponent* AComponent, TOperation Operation) override;

  TMessageEvent OnMessage;
  TIdleEvent OnIdle;
  TExceptionEvent OnException;
  TNotifyEvent OnHint;
  TShowHintEvent OnShowHint;
  TNotifyEvent OnActivate;
  TNotifyEvent OnDeactivate;

 private:
  friend LRESULT CALLBACK ApplicationWndProc(HWND, UINT, WPARAM, LPARAM);
  void CreateHandle();
  void WndProc(TMessage& Message);
  bool ProcessMessage(MSG& Msg);
  bool IsKeyMsg(MSG& Msg);
  bool IsDlgMsg(MSG& Msg);
  void Idle(const MSG& Msg);
  void UpdateMouseControl();
  void StartHintTimer(Integer Pause);

  HWND Handle_ = nullptr;
  TCustomForm* MainForm_ = nullptr;
  bool Terminated_ = false;
  bool Active_ = true;
  AnsiString Title_;
  AnsiString Hint_;
  bool ShowHint_ = true;
  bool HintActive_ = false;
  TControl* HintControl_ = nullptr;
  TControl* MouseControl_ = nullptr;
  THintWindow* HintWindow_ = nullptr;
  TRect HintCursorRect_{};
  std::vector<TWindowHook> WindowHooks_;
};

extern TApplication* Application;

// ------------------------------------------------------------------ TScreen

// The display: its size, the forms, the active form and control, the cursor.
class TScreen : public TComponent {
  QEV_CLASS(TScreen, TComponent)
 public:
  explicit TScreen(TComponent* AOwner);

  Integer Width() const { return GetSystemMetrics(SM_CXSCREEN); }
  Integer Height() const { return GetSystemMetrics(SM_CYSCREEN); }
  TRect WorkAreaRect() const;
  Integer PixelsPerInch() const { return ScreenLogPixels; }
  Integer FormCount() const { return static_cast<Integer>(Forms_.size()); }
  TCustomForm* Forms(Integer Index) const { return Forms_.at(static_cast<size_t>(Index)); }
  Integer CustomFormCount() const { return FormCount(); }
  TCustomForm* CustomForms(Integer Index) const { return Forms(Index); }
  TCustomForm* ActiveForm() const { return ActiveForm_; }
  TWinControl* ActiveControl() const {
    return ActiveForm_ ? ActiveForm_->ActiveControl() : nullptr;
  }
  // The installed font families, sorted, read on first use.
  TStrings* Fonts();
  TCursor Cursor() const { return Cursor_; }
  void SetCursor(TCursor Value);
  // The system cursor of a class-library cursor value; none for crNone.
  static HCURSOR Cursors(TCursor Cursor);
  TFont* HintFont() const { return HintFont_; }
  ~TScreen() override;

 private:
  friend class TCustomForm;
  void AddForm(TCustomForm* Form) { Forms_.push_back(Form); }
  void RemoveForm(TCustomForm* Form);
  void SetActiveForm(TCustomForm* Form) { ActiveForm_ = Form; }

  std::vector<TCustomForm*> Forms_;
  TCustomForm* ActiveForm_ = nullptr;
  TStringList* Fonts_ = nullptr;
  TCursor Cursor_ = crDefault;
  TFont* HintFont_ = nullptr;
};

extern TScreen* Screen;

// Disables the enabled visible top-level windows of the thread except
// ActiveWindow; the list restores them.
using TTaskWindowList = void*;
TTaskWindowList DisableTaskWindows(HWND ActiveWindow);
void EnableTaskWindows(TTaskWindowList WindowList);

// Creates Application and Screen; Finalization frees them with the forms.
void Initialization_Forms();
void Finalization_Forms();
