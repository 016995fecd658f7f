// The screen-saver component: makes the form that owns it a Windows screen
// saver. The unit reads the saver command line, changes the Windows 9x
// password and keeps one running saver at a time; the component sets its form
// up for the mode, hides the cursor, tells the system a saver runs, ends the
// saver on input and undoes its system changes when freed.
#pragma once

#include "Forms.h"
#include "Graphics.h"

enum TSaverMode : Byte { smRun, smPreview, smTest, smConfigure, smChangePassword };

extern TSaverMode ScreenSaverMode;  // smConfigure until the command line is read
extern HWND SaverParentWindow;      // preview host or password-change owner; 0: none
extern HANDLE SaverMutex;           // held while this saver runs; 0: none
// Set by TerminateSaver: the saver is ending, so components leave their
// forms alone and the main form is never shown.
extern bool SaverTerminated;

// How long a second saver in run or test mode waits for the first to end.
extern DWORD SaverMutexTimeout;
// The Windows 9x libraries of the password check and change, loaded by name.
extern AnsiString PasswordLibraryName;        // "PASSWORD.CPL"
extern AnsiString PasswordChangeLibraryName;  // "MPR.DLL"

// What a saver command line asks for. Usable is false when the mode needs a
// window (preview, password change) and the line gives none that exists.
struct TSaverCommand {
  TSaverMode Mode = smConfigure;
  HWND ParentWindow = nullptr;
  bool Usable = true;
};
// From the first two parameters and the parameter count: "/s" run, "/p <hwnd>"
// preview, "/w" test, "/c" configure, "/a <hwnd>" password change; only the
// first two characters of the first parameter count, ignoring case. Anything
// else configures.
TSaverCommand ReadSaverCommand(const WideString& First, const WideString& Second,
                               Integer ParamCount);

// The program ends once control is back in the message loop or main block.
void TerminateSaver();
// ReadSaverCommand of the process's command line into ScreenSaverMode and
// SaverParentWindow; TerminateSaver when it is not usable.
void ParseSaverCommandLine();
// After ParseSaverCommandLine: the password change (which ends the program),
// or in run and test mode the wait for SaverMutex (ending when another saver
// holds it past SaverMutexTimeout).
void PrepareSaverMode();
// "ZURuvedScreenSaver" and the program file's name without folder and extension.
AnsiString SaverMutexName();

TSaverMode GetMode();
HWND GetParentWindow();
bool IsPreview();

class TCustomMMScreenSaver : public TComponent {
  QEV_CLASS(TCustomMMScreenSaver, TComponent)
 public:
  explicit TCustomMMScreenSaver(TComponent* AOwner);
  ~TCustomMMScreenSaver() override;

  // For the owner form's CreateParams, after the inherited step: in preview
  // the form becomes a child window of the preview host.
  void AdjustCreateParams(TCreateParams& Params);
  // Hides the cursor entirely (not in preview); RestoreCursor balances it and
  // puts the cursor back where it was.
  void HideCursor();
  void RestoreCursor();
  // After the Windows 9x password check: OnSaverEnd and WM_CLOSE to the owner.
  void EndSaver();
  // Once, when the form is first shown: preview fills the host, otherwise the screen.
  void AdjustBounds();
  // Application->OnMessage while the saver runs: input ends the saver.
  void AppMessage(MSG& Msg, bool& Handled);
  void OwnerWndProc(TMessage& Message);
  void HookOwnerWndProc();
  void UnhookOwnerWndProc();

  TColor Color() const { return Color_; }
  void SetColor(TColor Value) { Color_ = Value; }
  bool SaveBackground() const { return SaveBackground_; }
  void SetSaveBackground(bool Value) { SaveBackground_ = Value; }
  bool PreviewScale() const { return PreviewScale_; }
  void SetPreviewScale(bool Value) { PreviewScale_ = Value; }
  // The screen as it was before the form covered it (with SaveBackground).
  TBitmap* Background() const { return Background_; }

  TNotifyEvent OnSetupDlg;         // Sender: Application
  TNotifyEvent OnSaverStart;       // Sender: Application
  TNotifyEvent OnSaverEnd;         // Sender: Application
  TNotifyEvent OnPasswordSuspend;  // Sender: the component
  TNotifyEvent OnPasswordResume;   // Sender: the component

 protected:
  void Loaded() override;

 private:
  TCustomForm* OwnerForm() const;
  void SetUpOwner(TCustomForm* Form);
  void CopyScreen();
  bool EndsSaver(const MSG& Msg);
  bool MovedAway(LPARAM LParam);
  bool PasswordAccepted();
  bool VerifyPassword();
  TMessageEvent AppMessageEvent();

  TColor Color_ = clBlack;
  bool SaveBackground_ = false;
  bool PreviewScale_ = true;
  TBitmap* Background_;
  bool MouseRecorded_ = false;
  TPoint MousePoint_{};
  POINT CursorPos_{};
  Integer HideCount_ = 0;
  bool SysParamsSet_ = false;
  bool CursorHidden_ = false;
  bool SizedOnce_ = false;
  bool InEndSaver_ = false;
  bool Ended_ = false;
  TCustomForm* HookedForm_ = nullptr;  // whose WindowProc OwnerWndProc is
  TWndMethod SavedWndProc_;
};

// Hides the application window, ParseSaverCommandLine, PrepareSaverMode.
void Initialization_CustomMMScrsv();
// Releases and closes SaverMutex.
void Finalization_CustomMMScrsv();
