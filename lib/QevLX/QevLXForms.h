// The framework's form base: forms with a task-bar button of their own, forms
// owned by a control of another form, modal showing without a message loop of
// its own, and a click on a disabled form that finds its modal dialog.
#pragma once

#include "QevForms.h"
#include "WinApi.h"

class TMainMenu;

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

 protected:
  void CreateParams(TCreateParams& Params) override;
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

void Initialization_QevLXForms();
void Finalization_QevLXForms();
