#include "QevLXWebDownloadProgress.h"

#include <cmath>

#include "Dialogs.h"

QEV_DEFINE_CLASS(TQevWebDownloadProgressForm, QEV_METHOD(FormCreate))

namespace {

IQevWebDownloadProgress* NewWebDownloadProgress(TComponent* OwnerForm) {
  std::unique_ptr<TQevWebDownloadProgressForm> form(NewForm<TQevWebDownloadProgressForm>(nullptr));
  form->SetOwnerControl(dynamic_cast<TWinControl*>(OwnerForm));
  return form.release();
}

}  // namespace

void TQevWebDownloadProgressForm::FormCreate(TObject*) {
  CancelBtn()->SetCaption(LoadResString(SMsgDlgCancel));
}

void TQevWebDownloadProgressForm::SetCaption(const WideString& Caption) {
  TQevFormLX::SetCaption(Caption);
}

void TQevWebDownloadProgressForm::ShowStatus(const WideString& Value) {
  Label1()->SetCaption(Value);
}

void TQevWebDownloadProgressForm::ShowProgress(Int64 BytesDownloaded, Int64 TotalAvailable) {
  TotalAvailable_ = TotalAvailable;
  if (TotalAvailable <= 0) return;
  TQevProgressBar* bar = ProgressBar1();
  bar->SetMax(1000);
  // Rounded half to even, as the runtime's Round does.
  bar->SetPosition(static_cast<Integer>(
      std::nearbyint(static_cast<double>(BytesDownloaded) / static_cast<double>(TotalAvailable) *
                     1000.0)));
  bar->SetVisible(true);
}

// The button's modal result only marks the form: in the modal state begun by
// BeginModal nothing closes it, the fetch ends that state itself.
void TQevWebDownloadProgressForm::SetOnCancel(TNotifyEvent Handler) {
  CancelBtn()->OnClick = Handler;
}

void Initialization_QevLXWebDownloadProgress() {
  RegisterClass(TQevWebDownloadProgressForm::StaticClass());
  CreateWebDownloadProgress = &NewWebDownloadProgress;
}

void Finalization_QevLXWebDownloadProgress() {
  if (CreateWebDownloadProgress == &NewWebDownloadProgress) CreateWebDownloadProgress = nullptr;
}
