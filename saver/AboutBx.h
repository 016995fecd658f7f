// The about box of the settings dialog: the program, its version and its
// site; a click on the credit line or a typed keyword slides the credits in.
#pragma once

#include "ExtCtrls.h"
#include "QevExtCtrls.h"
#include "QevLXHotLabel.h"
#include "QevStdCtrls.h"
#include "QevTrxForms.h"

class TAboutBox : public TQevTrxForm {
  QEV_CLASS(TAboutBox, TQevTrxForm)
 public:
  using TQevTrxForm::TQevTrxForm;

  // Handlers named in the form description.
  void FormCreate(TObject* Sender);
  void FormKeyPress(TObject* Sender, AnsiChar& Key);
  void Label1Click(TObject* Sender);
  void SpecialPanelClick(TObject* Sender);
  void Timer1Timer(TObject* Sender);

  // Puts the credits panel over the box and starts the slide: the credit
  // lines come in from the left and the right, their links from above and
  // below, all standing at their places after 40 ticks.
  void ShowCredits();

  TQevPanel* Panel1() { return Part<TQevPanel>("Panel1"); }
  TQevImage* ProgramIcon() { return Part<TQevImage>("ProgramIcon"); }
  TQevHotLabel* ProductName() { return Part<TQevHotLabel>("ProductName"); }
  TQevLabel* Version() { return Part<TQevLabel>("Version"); }
  TQevHotLabel* Label1() { return Part<TQevHotLabel>("Label1"); }
  TQevHotLabel* Label3() { return Part<TQevHotLabel>("Label3"); }
  TQevPanel* SpecialPanel() { return Part<TQevPanel>("SpecialPanel"); }
  TQevLabel* MerekLbl() { return Part<TQevLabel>("MerekLbl"); }
  TQevLabel* DovanLbl() { return Part<TQevLabel>("DovanLbl"); }
  TQevHotLabel* MerekWebLink() { return Part<TQevHotLabel>("MerekWebLink"); }
  TQevHotLabel* DovanWebLink() { return Part<TQevHotLabel>("DovanWebLink"); }
  TQevButton* OKButton() { return Part<TQevButton>("OKButton"); }
  TTimer* Timer1() { return Part<TTimer>("Timer1"); }

 private:
  template <class T>
  T* Part(const char* Name) {
    return dynamic_cast<T*>(FindComponent(Name));
  }

  WideString TypedKeys_;  // upper case, since the last keyword
  Integer SlideCount_ = 0;
  // Where the credits stand once the slide has ended.
  Integer MerekLblLeft_ = 0;
  Integer DovanLblLeft_ = 0;
  Integer MerekWebLinkTop_ = 0;
  Integer DovanWebLinkTop_ = 0;
};

// Registers the form class.
void Initialization_AboutBx();
void Finalization_AboutBx();
