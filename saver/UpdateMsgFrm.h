// The announcement after a manual web update: the outcome, the message the
// download brought and the web site it suggests.
#pragma once

#include "QevLXHotLabel.h"
#include "QevStdCtrls.h"
#include "QevTrxForms.h"

class TUpdateMsgForm : public TQevTrxForm {
  QEV_CLASS(TUpdateMsgForm, TQevTrxForm)
 public:
  using TQevTrxForm::TQevTrxForm;

  TQevLabel* StatusLbl() { return Part<TQevLabel>("StatusLbl"); }
  TQevLabel* UpdateMsgLbl() { return Part<TQevLabel>("UpdateMsgLbl"); }
  TQevHotLabel* UrlLabel() { return Part<TQevHotLabel>("UrlLabel"); }
  TQevButton* Button1() { return Part<TQevButton>("Button1"); }

 private:
  template <class T>
  T* Part(const char* Name) {
    return dynamic_cast<T*>(FindComponent(Name));
  }
};

// A new announcement without owner, filled from the defaults (which a web
// update has just replaced); the caller frees it.
TUpdateMsgForm* CreateUpdateMessage();
// Shows the announcement modally.
void ShowUpdateMessage();

// Registers the form class.
void Initialization_UpdateMsgFrm();
void Finalization_UpdateMsgFrm();
