// The framework's form base: forms with a task-bar button of their own, forms
// owned by a control of another form, modal showing without a message loop of
// its own, and a click on a disabled form that finds its modal dialog.
#pragma once

#include "QevForms.h"
#include "WinApi.h"

class TMainMenu;
class TQevControlBar;
class TQevStatusBar;
class TToolBar;

// Set by a program whose application window must never show (the saver).
extern bool KeepApplicationWindowHidden;

class TQevFormLX : public TQevForm {
  QEV_CLASS(TQevFormLX, TQevForm)
 public:
  explicit TQevFormLX(TComponent* AOwner);
  // Leaves the task-bar forms (which may close a main form waiting for it).
  ~TQevFormLX() override;

  // Reads the form resources of every class below TQevFormLX.
  void InitializeForm() override;
  void WndProc(TMessage& Message) override;
  void Dispatch(TMessage& Message) override;

  // The control (as a rule another form) whose window owns this form's
  // window; BeginModal then disables only that control.
  TWinControl* OwnerControl() const { return OwnerControl_; }
  void SetOwnerControl(TWinControl* Value);
  // EQevInternalError unless the form may be owned or shown modally by
  // BeginModal: not the main form, no MDI style, no task-bar button.
  void CheckOwnable();
  // Shows the form modally and returns at once; the caller serves messages
  // until it calls EndModal. EndModal undoes exactly what BeginModal did.
  void BeginModal();
  void EndModal();
  // Shows the application window unless HasTaskBarButton or
  // KeepApplicationWindowHidden says it must stay hidden.
  void UpdateApplicationWindow(bool HasTaskBarButton);

  // A task-bar button of the form's own (WS_EX_APPWINDOW, no owner window).
  bool TaskBarButton() const { return TaskBarButton_; }
  void SetTaskBarButton(bool Value);
  void SetFormStyle(TFormStyle Value) override;
  // The menu bar, with owner drawing only where an entry needs it.
  TMainMenu* Menu() const { return TQevForm::Menu(); }
  void SetMenu(TMainMenu* Value);

  // MDI: a child's tool bar (inside its MDIControlBar) and status bar dock
  // into the main form's bars while the child is maximised and active.
  TQevControlBar* MDIControlBar() const { return MDIControlBar_; }
  void SetMDIControlBar(TQevControlBar* Value);
  TToolBar* MDIToolBar() const { return MDIToolBar_; }
  void SetMDIToolBar(TToolBar* Value);
  TQevStatusBar* MDIStatusBar() const { return MDIStatusBar_; }
  void SetMDIStatusBar(TQevStatusBar* Value);
  // Docks (or undocks) this MDI child's bars; EQevInternalError on other forms.
  void MDIChild_UpdateMdiDockState(bool Docked);
  bool MdiDocked() const { return Docked_; }
  // On the main form: the child status bar docked into MDIStatusBar, if any.
  TQevStatusBar* DockedChildStatusBar() const { return DockedChildStatusBar_; }

 protected:
  void Loaded() override;
  void CreateParams(TCreateParams& Params) override;
  void CreateWnd() override;
  void Resizing(TWindowState State) override;
  void DoClose(TCloseAction& Action) override;
  void Notification(TComponent* AComponent, TOperation Operation) override;

 private:
  bool Designing() const { return ComponentState().Contains(csDesigning); }
  bool IsMainForm() const;
  void RestoreModalState();
  void WMActivate(TMessage& Message);
  void WMSetCursor(TMessage& Message);
  void WMActivateApp(TMessage& Message);
  void WMSysCommand(TMessage& Message);
  void CMVisibleChanged(TMessage& Message);
  void WMMDIActivate(TMessage& Message);
  void WMInitMenuPopup(TMessage& Message);
  // The dock state for the child's window state, when it is the active child.
  void UpdateMdiDockState(bool Locking);
  void UpdateMDIControlBarColor();
  void DockToolBar(TQevFormLX* Main, bool Docked);
  void DockStatusBar(TQevFormLX* Main, bool Docked);
  void HookStatusBar(TQevStatusBar* Bar);
  void UnhookStatusBar();
  void StatusBarWndProc(TMessage& Message);
  void PaintDockSeparators();
  static LRESULT CALLBACK ClientWndProc(HWND Wnd, UINT Msg, WPARAM WParam, LPARAM LParam);
  LRESULT ClientMessage(HWND Wnd, UINT Msg, WPARAM WParam, LPARAM LParam);

  TWinControl* OwnerControl_ = nullptr;
  // What BeginModal changed, so that EndModal restores only that.
  struct TModalState {
    bool Begun = false;
    TWinControl* DisabledControl = nullptr;  // the owner control it disabled
    bool SavedEnabled = false;
    void* TaskWindows = nullptr;             // from DisableTaskWindows
    HWND PreviousActive = nullptr;
  } Modal_;
  bool TaskBarButton_ = false;
  bool MdiMenuSwitching_ = false;  // the client switches menus for a maximised child
  WNDPROC PrevClientProc_ = nullptr;
  TQevControlBar* MDIControlBar_ = nullptr;
  TToolBar* MDIToolBar_ = nullptr;
  TQevStatusBar* MDIStatusBar_ = nullptr;
  TQevStatusBar* DockedChildStatusBar_ = nullptr;
  TQevStatusBar* HookedStatusBar_ = nullptr;
  TWndMethod PrevStatusBarProc_;
  // The child status bar's own layout while it is docked.
  struct TStatusBarLayout {
    TAlign Align = alBottom;
    bool SizeGrip = true;
    TRect Bounds{};
  } SavedStatusBar_;
  bool Docked_ = false;
};

// "FlashWindowEx" of user32.dll, bound at unit start; nullptr where the
// system lacks it. A test may put a recorder in its place.
using TFlashWindowExProc = BOOL(WINAPI*)(PFLASHWINFO Info);
extern TFlashWindowExProc FlashWindowExProc;

// Flashes the caption of Wnd three times (FlashWindowEx where the system has
// it, else one FlashWindow).
void FlashModalWindow(HWND Wnd);
// The enabled modal dialog (a modal form of this program, or a modal-frame
// dialog) owned by OwnerWnd that was active last; nullptr when none.
HWND GetModalPopup(HWND OwnerWnd);
HWND GetApplicationModalPopup();

// Nested: the first level freezes the drawing of the main MDI form, the last
// one redraws it. An unbalanced EndMdiUpdate does nothing.
void BeginMdiUpdate();
void EndMdiUpdate();
Integer MdiUpdateLevel();

void Initialization_QevLXForms();
void Finalization_QevLXForms();
