// Standard actions: the hint action, which carries the application's hint
// to whatever displays it.
#pragma once

#include "ActnList.h"

// Stays enabled without a handler: displays take it through the action
// dispatch (their ExecuteAction), not through OnExecute.
class TCustomHintAction : public TCustomAction {
  QEV_CLASS(TCustomHintAction, TCustomAction)
 public:
  explicit TCustomHintAction(TComponent* AOwner);
};

class THintAction : public TCustomHintAction {
  QEV_CLASS(THintAction, TCustomHintAction)
 public:
  using TCustomHintAction::TCustomHintAction;
};

void Initialization_StdActns();  // registers THintAction
void Finalization_StdActns();
