#include "UpdateMsgFrm.h"

#include <memory>

#include "QevLXSafeWinInet.h"
#include "defaults.h"

QEV_DEFINE_CLASS(TUpdateMsgForm)

TUpdateMsgForm* CreateUpdateMessage() {
  std::unique_ptr<TUpdateMsgForm> form(NewForm<TUpdateMsgForm>(nullptr));
  form->StatusLbl()->SetCaption(L"Your configuration has been updated successfully!");
  form->UpdateMsgLbl()->SetCaption(StatDefaults[siUpdateMsg]);
  const WideString& url = StatDefaults[siUpdateUrl];
  form->UrlLabel()->SetCaption(url);
  // A stored default may hold any text; a click must not run it.
  form->UrlLabel()->SetWebLink(IsWebAddress(url) ? url : WideString());
  return form.release();
}

void ShowUpdateMessage() {
  std::unique_ptr<TUpdateMsgForm> form(CreateUpdateMessage());
  form->ShowModal();
}

void Initialization_UpdateMsgFrm() { RegisterClass(TUpdateMsgForm::StaticClass()); }
void Finalization_UpdateMsgFrm() {}
