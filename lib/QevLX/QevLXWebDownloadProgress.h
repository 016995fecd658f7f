// The progress window of a modal URL fetch: the status line, a bar once the
// size of the download is known, and a Cancel button. Its unit installs the
// fetch's factory of progress windows.
#pragma once

#include "ComCtrls.h"
#include "QevComCtrls.h"
#include "QevLXFetchUrl.h"
#include "QevLXForms.h"
#include "QevStdCtrls.h"

class TQevWebDownloadProgressForm : public TQevFormLX, public IQevWebDownloadProgress {
  QEV_CLASS(TQevWebDownloadProgressForm, TQevFormLX)
 public:
  using TQevFormLX::TQevFormLX;

  void FormCreate(TObject* Sender);

  void SetCaption(const WideString& Caption) override;
  void ShowStatus(const WideString& Value) override;
  void ShowProgress(Int64 BytesDownloaded, Int64 TotalAvailable) override;
  void SetOnCancel(TNotifyEvent Handler) override;
  void BeginModal() override { TQevFormLX::BeginModal(); }
  void EndModal() override { TQevFormLX::EndModal(); }

  TQevLabel* Label1() { return Part<TQevLabel>("Label1"); }
  TQevButton* CancelBtn() { return Part<TQevButton>("CancelBtn"); }
  TAnimate* Animate1() { return Part<TAnimate>("Animate1"); }
  TQevProgressBar* ProgressBar1() { return Part<TQevProgressBar>("ProgressBar1"); }
  Int64 TotalAvailable() const { return TotalAvailable_; }

 private:
  template <class T>
  T* Part(const char* Name) {
    return dynamic_cast<T*>(FindComponent(Name));
  }
  Int64 TotalAvailable_ = 0;
};

// Registers the form class and installs CreateWebDownloadProgress.
void Initialization_QevLXWebDownloadProgress();
void Finalization_QevLXWebDownloadProgress();
