// Standard actions.
#include "StdActns.h"

QEV_DEFINE_CLASS(TCustomHintAction)
QEV_DEFINE_CLASS(THintAction, QEV_PROPERTY(Hint, Hint, SetHint))

TCustomHintAction::TCustomHintAction(TComponent* AOwner) : TCustomAction(AOwner) {
  DisableIfNoHandler = false;
}

void Initialization_StdActns() { RegisterClass(THintAction::StaticClass()); }

void Finalization_StdActns() {}
