// Held wide texts of controls and the accessors behind the wide Caption,
// Text and Hint of every Unicode control.
//
// The platform keeps 8-bit captions and hints; beside each, this unit holds a
// wide value that counts only while its 8-bit form still equals the
// platform's value. When they differ, somebody changed the 8-bit value behind
// the layer's back (form loading, the class library, an action), and the
// 8-bit value wins.
#pragma once

#include "Controls.h"

// An 8-bit property's setter: the object and the new value.
using TAnsiTextSetter = void (*)(TObject* Object, const AnsiString& Value);

// The held value, replaced by AnsiValue widened when its 8-bit form differs.
WideString ReconcileWideText(WideString& Held, const AnsiString& AnsiValue);
// Stores Value as the held value and its 8-bit form through Setter. A value
// whose 8-bit form equals AnsiValue but which does not survive the 8-bit trip
// first sets an empty text, so that the platform sees a change.
void SetHeldWideText(const WideString& Value, WideString& Held, AnsiString AnsiValue,
                     TAnsiTextSetter Setter, TObject* Object);

// The wide caption and hint of one control; freed with the control.
class TWideCaptionHolder : public TComponent {
  QEV_CLASS(TWideCaptionHolder, TComponent)
 public:
  // Registers for the control's free notification and joins the holder list.
  explicit TWideCaptionHolder(TControl* AControl);
  ~TWideCaptionHolder() override;
  TControl* Control() const { return Control_; }
  WideString WideCaption;
  WideString WideHint;

 protected:
  void Notification(TComponent* AComponent, TOperation Operation) override;

 private:
  TControl* Control_;
};

// The control's holder; made when missing and Create is set, else nullptr.
TWideCaptionHolder* FindWideCaptionHolder(TControl* Control, bool Create);

// The wide Caption or Text of any control: a Unicode window's own text, else
// the held value reconciled with the platform's 8-bit text.
WideString WideGetControlText(TControl* Control);
void WideSetControlText(TControl* Control, const WideString& Value);
WideString WideGetControlHint(TControl* Control);
void WideSetControlHint(TControl* Control, const WideString& Value);

// A caption or hint that the control's action supplies is not written to forms.
bool ControlCaptionStored(TControl* Control);
bool ControlHintStored(TControl* Control);

// The first non-empty wide hint of the control and its parents.
WideString WideGetHintOfControlOrParent(TControl* Control);
// The text before the first "|" and after it (the whole text when it has none).
WideString WideShortHint(const WideString& Hint);
WideString WideLongHint(const WideString& Hint);

void Initialization_QevControls();
void Finalization_QevControls();
