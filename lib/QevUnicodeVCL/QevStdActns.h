// The hint action that carries the wide application hint to the displays.
#pragma once

#include "QevActnList.h"
#include "StdActns.h"

class TQevHintAction : public THintAction, public IQevWideAction {
  QEV_CLASS(TQevHintAction, THintAction)
 public:
  using THintAction::THintAction;
  // The 8-bit forms of the source's texts.
  void Assign(TPersistent* Source) override;

  WideString Hint() { return GetActionWideHint(this); }
  void SetHint(const WideString& Value) { SetActionWideHint(this, Value); }

 protected:
  void DefineProperties(TFiler* Filer) override;
};

void Initialization_QevStdActns();
void Finalization_QevStdActns();
