// The saver's settings dialog: the eleven statistics and four options, the
// built-in or downloaded defaults, a web update on demand, the statistics
// saved as a web text, and a page of web-update settings that shows only
// once a keyword is typed.
#pragma once

#include <array>

#include "Mask.h"
#include "QevButtons.h"
#include "QevComCtrls.h"
#include "QevDialogs.h"
#include "QevExtCtrls.h"
#include "QevLXHotLabel.h"
#include "QevStdCtrls.h"
#include "QevTrxForms.h"
#include "defaults.h"

extern const TResStringRec SNoWinInet;

// Every character typed in the dialog since the program started (only the
// last few are kept: the keyword is all that is looked for).
extern WideString TypedKeys;

class TControlForm : public TQevTrxForm {
  QEV_CLASS(TControlForm, TQevTrxForm)
 public:
  using TQevTrxForm::TQevTrxForm;

  // Handlers named in the form description.
  void FormCreate(TObject* Sender);
  void FormShow(TObject* Sender);
  void FormKeyPress(TObject* Sender, AnsiChar& Key);
  // Options and statistics from the controls; nothing reaches the registry
  // before the program ends.
  void Apply(TObject* Sender);
  void OK(TObject* Sender);
  void Cancel(TObject* Sender);
  // The edits of one group show the defaults again (applied by Apply or OK).
  void WorldDefault(TObject* Sender);
  void UrmDefault(TObject* Sender);
  void BitBtn3Click(TObject* Sender);
  void BitBtn6Click(TObject* Sender);
  // A rate the counters cannot read keeps the focus in its edit.
  void RateAExit(TObject* Sender);
  void About(TObject* Sender);
  void SpeedButton1Click(TObject* Sender);
  void SpeedButton2Click(TObject* Sender);
  // Applies, downloads the statistics text, applies it and announces it.
  void WebUpdateBtnClick(TObject* Sender);
  // Saves the edits' texts as a statistics text.
  void BitBtn2Click(TObject* Sender);

  // The edit of statistic Index (0..10) as text, whatever its kind: a
  // masked edit's figure as MaskedFigures.h stores it.
  WideString StatText(TStatIndex Index);
  void SetStatText(TStatIndex Index, const WideString& Value);

  TQevPageControl* PageControl1() { return Part<TQevPageControl>("PageControl1"); }
  TQevTabSheet* WorldPage() { return Part<TQevTabSheet>("WorldPage"); }
  TQevTabSheet* VintraPage() { return Part<TQevTabSheet>("VintraPage"); }
  TQevTabSheet* MessagePage() { return Part<TQevTabSheet>("MessagePage"); }
  TQevTabSheet* WebUpdateSheet() { return Part<TQevTabSheet>("WebUpdateSheet"); }
  TMaskEdit* WorldPresentPeople() { return Part<TMaskEdit>("WorldPresentPeople"); }
  TMaskEdit* WorldPresentDate() { return Part<TMaskEdit>("WorldPresentDate"); }
  TQevEdit* RateA() { return Part<TQevEdit>("RateA"); }
  TQevEdit* RateDecay() { return Part<TQevEdit>("RateDecay"); }
  TMaskEdit* VintraPresentPeople() { return Part<TMaskEdit>("VintraPresentPeople"); }
  TMaskEdit* VintraPresentDate() { return Part<TMaskEdit>("VintraPresentDate"); }
  TMaskEdit* VintraGrowthEdit() { return Part<TMaskEdit>("VintraGrowthEdit"); }
  TQevEdit* ScreenSaverMsg() { return Part<TQevEdit>("ScreenSaverMsg"); }
  TQevEdit* UpdateMsg() { return Part<TQevEdit>("UpdateMsg"); }
  TQevEdit* UpdateWeb() { return Part<TQevEdit>("UpdateWeb"); }
  TQevEdit* WebUpdateSrcEdit() { return Part<TQevEdit>("WebUpdateSrcEdit"); }
  TQevButton* OKButton() { return Part<TQevButton>("OKButton"); }
  TQevButton* CancelButton() { return Part<TQevButton>("CancelButton"); }
  TQevButton* ApplyButton() { return Part<TQevButton>("ApplyButton"); }
  TQevButton* Button1() { return Part<TQevButton>("Button1"); }
  TQevButton* WebUpdateBtn() { return Part<TQevButton>("WebUpdateBtn"); }
  TQevBitBtn* BitBtn1() { return Part<TQevBitBtn>("BitBtn1"); }
  TQevBitBtn* BitBtn2() { return Part<TQevBitBtn>("BitBtn2"); }
  TQevBitBtn* BitBtn3() { return Part<TQevBitBtn>("BitBtn3"); }
  TQevBitBtn* BitBtn4() { return Part<TQevBitBtn>("BitBtn4"); }
  TQevBitBtn* BitBtn6() { return Part<TQevBitBtn>("BitBtn6"); }
  TQevSpeedButton* SpeedButton1() { return Part<TQevSpeedButton>("SpeedButton1"); }
  TQevSpeedButton* SpeedButton2() { return Part<TQevSpeedButton>("SpeedButton2"); }
  TQevCheckBox* AutoCheckBox() { return Part<TQevCheckBox>("AutoCheckBox"); }
  TQevCheckBox* DisplayImageBox() { return Part<TQevCheckBox>("DisplayImageBox"); }
  TQevCheckBox* AnimateDisplayBox() { return Part<TQevCheckBox>("AnimateDisplayBox"); }
  TQevCheckBox* AllowMsgCheck() { return Part<TQevCheckBox>("AllowMsgCheck"); }
  TQevImage* WorldImage() { return Part<TQevImage>("WorldImage"); }
  TQevImage* VintraImage() { return Part<TQevImage>("VintraImage"); }
  TQevHotLabel* WebSiteLabel() { return Part<TQevHotLabel>("WebSiteLabel"); }
  TQevSaveDialog* SaveDialog1() { return Part<TQevSaveDialog>("SaveDialog1"); }

 private:
  template <class T>
  T* Part(const char* Name) {
    return dynamic_cast<T*>(FindComponent(Name));
  }
  void ShowStatistics(TStatIndex First, TStatIndex Last, const TStatArray& Source);
  void DisableWebFeatures();
  // Starts the browser on Url; any other text raises CheckWebAddress's error.
  void OpenTypedAddress(const WideString& Url);

  // The edits in statistic order.
  std::array<TWinControl*, StatCount> StatEdits{};
  // The form description's mask of each masked edit, also while its edit
  // shows a figure without it.
  std::array<AnsiString, StatCount> FigureMasks_{};
};

// Registers the form class; the end forgets the typed keys.
void Initialization_Maincontrol();
void Finalization_Maincontrol();
