// The setup wizard of a screen saver whose file ships beside the setup: a
// welcome page that installs the file and a done page that can open the
// display settings on it. A product form names the files.
#pragma once

#include "QevComCtrls.h"
#include "QevExtCtrls.h"
#include "QevStdCtrls.h"
#include "QevTrxForms.h"

extern const TResStringRec SInstallWecomeMsg;
extern const TResStringRec SInstallInfo;
extern const TResStringRec SInstallCompleteMsg;
extern const TResStringRec SLaunchApp;
extern const TResStringRec SCloseBtn;
extern const TResStringRec SInstallBtn;

class TQevScrSetupForm : public TQevTrxForm {
  QEV_CLASS(TQevScrSetupForm, TQevTrxForm)
 public:
  using TQevTrxForm::TQevTrxForm;

  // Product name shown in the texts.
  virtual WideString AppName() = 0;
  // The screen saver's file beside the setup.
  virtual WideString ScrFileName() = 0;
  // The name the file takes in the Windows folder on Windows 95/98/Me.
  virtual WideString InstalledScrFileName() = 0;

  void FormCreate(TObject* Sender);
  virtual void NextBtnClick(TObject* Sender);
  void CancelBtnClick(TObject* Sender);

  // Full path of the file to install.
  WideString SetupFile;
  // The name it is installed under; empty: its own name. The shipped file
  // may lie on a read-only medium, so it is never renamed in place.
  WideString TargetName;

  TQevImage* Image1() { return Part<TQevImage>("Image1"); }
  TQevLabel* AppLbl() { return Part<TQevLabel>("AppLbl"); }
  TQevPageControl* PageControl1() { return Part<TQevPageControl>("PageControl1"); }
  TQevTabSheet* WelcomePage() { return Part<TQevTabSheet>("WelcomePage"); }
  TQevTabSheet* DonePage() { return Part<TQevTabSheet>("DonePage"); }
  TQevLabel* WelcomeMsg() { return Part<TQevLabel>("WelcomeMsg"); }
  TQevLabel* FinalMsg() { return Part<TQevLabel>("FinalMsg"); }
  TQevCheckBox* LaunchApp() { return Part<TQevCheckBox>("LaunchApp"); }
  TQevButton* NextBtn() { return Part<TQevButton>("NextBtn"); }
  TQevButton* CancelBtn() { return Part<TQevButton>("CancelBtn"); }

 private:
  template <class T>
  T* Part(const char* Name) {
    return dynamic_cast<T*>(FindComponent(Name));
  }
  // Shows Msg and ends the program without showing the wizard.
  void Fail(const WideString& Msg);
  void ShowTexts();
};

// The folder the setup looks in for the saver file (WideGetApplicationDir).
extern WideString (*SetupFolderFunc)();

void Initialization_QevScrSetupFrm();
void Finalization_QevScrSetupFrm();
