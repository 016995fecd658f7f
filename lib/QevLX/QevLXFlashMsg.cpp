#include "QevLXFlashMsg.h"

#include "QevLXUtils.h"
#include "Scoped.h"

QEV_DEFINE_CLASS(TQevFlashForm)

TList* FlashForms = nullptr;

TQevFlashForm::TQevFlashForm(TComponent* AOwner) : TQevForm(AOwner) {
  if (FlashForms) FlashForms->Add(this);
  PushCursor(crHourGlass);
}

TQevFlashForm::~TQevFlashForm() {
  PopCursor();
  if (FlashForms) FlashForms->Remove(this);
}

void TQevFlashForm::SetMessage(const WideString& Text) {
  SIZE extent{};
  {
    TWindowDC dc(Handle(), true);
    GetTextExtentPoint32W(dc, Text.c_str(), static_cast<int>(Text.size()), &extent);
  }
  if (extent.cx > Width()) SetWidth(extent.cx);
  SetCaption(Text);
}

TQevFlashForm* ShowFlashMessage(const WideString& Text) {
  std::unique_ptr<TQevFlashForm> form(NewForm<TQevFlashForm>(Application));
  form->SetClientHeight(0);
  form->SetMessage(Text);
  form->Show();
  form->Refresh();
  return form.release();
}

void Initialization_QevLXFlashMsg() {
  RegisterClass(TQevFlashForm::StaticClass());
  FlashForms = new TList;
}

void Finalization_QevLXFlashMsg() {
  delete FlashForms;
  FlashForms = nullptr;
}
