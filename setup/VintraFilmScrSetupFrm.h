// The product's setup wizard: its names, and the older saver file removed
// once the new one is installed.
#pragma once

#include "QevScrSetupFrm.h"

class TVintraFilmScrSetupForm : public TQevScrSetupForm {
  QEV_CLASS(TVintraFilmScrSetupForm, TQevScrSetupForm)
 public:
  using TQevScrSetupForm::TQevScrSetupForm;

  WideString AppName() override { return L"VINTRA Film Screen Saver"; }
  WideString ScrFileName() override { return L"vintraflm.scr"; }
  WideString InstalledScrFileName() override { return L"Vintra Film Screen Saver.scr"; }

  void NextBtnClick(TObject* Sender) override;
};

void Initialization_VintraFilmScrSetupFrm();
void Finalization_VintraFilmScrSetupFrm();
