// Unicode forms and application, the wide-character message hook and the
// start-up environment.
#pragma once

#include "Forms.h"
#include "QevControls.h"

// The form base of every form: a Unicode window with a wide Caption and Hint.
// Derived forms read the form resources of every class below TQevForm; a
// form base of its own overrides InitializeForm with its class as the root.
class TQevForm : public TForm {
  QEV_CLASS(TQevForm, TForm)
 public:
  using TForm::TForm;

  void InitializeForm() override;
  void UpdateActions() override;
  void Dispatch(TMessage& Message) override;
  void DefaultHandler(TMessage& Message) override;

  TWideCaption Caption() { return WideGetControlText(this); }
  void SetCaption(const TWideCaption& Value) { WideSetControlText(this, Value); }
  WideString Hint() { return WideGetControlHint(this); }
  void SetHint(const WideString& Value) { WideSetControlHint(this, Value); }
  bool IsCaptionStored() { return ControlCaptionStored(this); }
  bool IsHintStored() { return ControlHintStored(this); }

 protected:
  void DefineProperties(TFiler* Filer) override;
  void CreateWindowHandle(const TCreateParams& Params) override;
  void DestroyWindowHandle() override;
  void ActionChange(TObject* Sender, bool CheckDefaults) override;
  TControlActionLinkClass GetActionLinkClass() override;

 private:
  void CreateMDIChildHandle(const TCreateParams& Params);
  void WMMenuSelect(TMessage& Message);
};

// Refreshes the wide application hint at idle time on a main form that is
// not a TQevForm: the form's idle action update reaches this control's action.
class TQevAppIdleEventControl : public TControl {
  QEV_CLASS(TQevAppIdleEventControl, TControl)
 public:
  explicit TQevAppIdleEventControl(TComponent* AOwner);
  ~TQevAppIdleEventControl() override;

 private:
  void IdleUpdate(TObject* Sender);
};

// The wide side of the platform's Application: title, hint, program name.
class TQevApplication : public TComponent {
  QEV_CLASS(TQevApplication, TComponent)
 public:
  // Hooks the application window.
  explicit TQevApplication(TComponent* AOwner);
  ~TQevApplication() override;

  // The held wide hint while its 8-bit form is still the platform's hint.
  WideString GetHint();
  // A display that takes the platform's hint action gets a TQevHintAction
  // carrying the wide text instead.
  void SetHint(const WideString& Value);
  // On NT the application window's own wide text; else, and before the window
  // exists, the held wide title reconciled with the platform's.
  WideString GetTitle();
  void SetTitle(const WideString& Value);
  WideString GetExeName();
  void UpdateHintFromMouseControl();
  // Hands Msg to the platform's current dialog, if any; true when the dialog
  // took it (and processed it).
  bool IsAppDialogMessage(MSG& Msg);
  // The message hook's work on one message retrieved for removal; true when
  // it was dispatched (or swallowed) here, so the message loop must skip it.
  bool ProcessWideChar(MSG& Msg);

 private:
  friend class TQevAppIdleEventControl;
  bool AppWindowHook(TMessage& Message);
  void CheckMainForm();

  bool MainFormChecked_ = false;
  WideString HeldHint_;
  TQevAppIdleEventControl* IdleEventControl_ = nullptr;
  WideString HeldTitle_;
};

extern TQevApplication* QevApplication;

// The installed WH_GETMESSAGE hook of the main thread; nullptr when none.
HHOOK GetMessageHookHandle();

// True when Key (a character code; codes below 256 come from the code page of
// the keyboard layout) is the hot key of Caption, ignoring case.
bool IsWideHotKey(Word Key, const WideString& Caption);

// Once at start-up, before anything is translated: the runtime's conversions
// go through this layer, the dialog-font substitutes exist, the default font
// face is the dialog font and hints show in wide windows.
void InitUnicodeEnvironment();
// Writes the "MS Shell Dlg" and "MS Shell Dlg 2" substitutes of win.ini that
// are missing; returns the "MS Shell Dlg 2" value. A failed write is shown
// and start-up goes on.
WideString EnsureFontSubstitutes();

// Creates QevApplication and, on NT, installs the message hook.
void Initialization_QevForms();
void Finalization_QevForms();
