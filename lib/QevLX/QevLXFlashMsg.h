// The busy-message window: a caption bar alone that says which long step runs,
// with the hourglass cursor for as long as it exists.
#pragma once

#include "Classes.h"
#include "QevForms.h"

class TQevFlashForm : public TQevForm {
  QEV_CLASS(TQevFlashForm, TQevForm)
 public:
  // Joins FlashForms and pushes the hourglass cursor.
  explicit TQevFlashForm(TComponent* AOwner);
  // Pops the cursor and leaves FlashForms.
  ~TQevFlashForm() override;
  // Sets the caption and widens the window to fit it; it never gets narrower.
  void SetMessage(const WideString& Text);
};

// The open busy windows in creation order, from this unit's start to its end.
extern TList* FlashForms;

// A new busy window owned by the application, shown and painted at once; the
// caller frees it when the step ends.
TQevFlashForm* ShowFlashMessage(const WideString& Text);

void Initialization_QevLXFlashMsg();
void Finalization_QevLXFlashMsg();
