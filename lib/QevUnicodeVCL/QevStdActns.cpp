#include "QevStdActns.h"

#include "QevClasses.h"

QEV_DEFINE_CLASS(TQevHintAction, QEV_PROPERTY(Hint, Hint, SetHint))

void TQevHintAction::Assign(TPersistent* Source) {
  THintAction::Assign(Source);
  AssignActionWideTexts(this, Source);
}

void TQevHintAction::DefineProperties(TFiler* Filer) {
  THintAction::DefineProperties(Filer);
  DefineWideProperties(Filer, this);
}

void Initialization_QevStdActns() { RegisterClass(TQevHintAction::StaticClass()); }

void Finalization_QevStdActns() {}
