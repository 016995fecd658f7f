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
// Stores Value as the held value and its 8-bit form through Setter. A new
// value whose 8-bit form equals AnsiValue first sets an empty text, so that
// the platform sees a change.
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

// The type of the wide captions: wide text that the property tables name
// apart from other wide strings.
using TWideCaption = WideString;
PTypeInfo TypeInfoTWideCaption();
// The published Caption entry of a Unicode control's class table.
#define QEV_WIDE_CAPTION_PROPERTY(StoredTest)                              \
  QEV_PROPERTY(Caption, Caption, SetCaption).Type(TypeInfoTWideCaption()) \
      .Stored<&Self::StoredTest>()

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

// ------------------------------------------------------------ Unicode windows

// Creates Control's window. With the wide API: a Unicode window of a class made
// from Params' class (name + ".UnicodeClass"), whose default procedure is the
// wide one of the system class SubClass ("EDIT", ...; DefWindowProcW when
// empty), with the platform's window properties, a trap and the held wide
// caption. Without it: the 8-bit window the platform would make.
void CreateUnicodeHandle(TWinControl* Control, const TCreateParams& Params,
                         const WideString& SubClass);
// Registers (once) the wide class "<Params' class name>.UnicodeClass" whose
// windows bind to the platform's creation control; returns its name.
WideString RegisterUnicodeClass(const TCreateParams& Params);
// Attaches the trap to Control's existing Unicode window and gives it the held
// wide caption, reconciled with Caption (the 8-bit caption of its params).
void SubClassUnicodeControl(TWinControl* Control, const AnsiString& Caption);
// The trap of Control, attached or waiting for its next window; nullptr when
// it has none. It is freed with the control.
TComponent* FindWinControlTrap(TWinControl* Control);

// ---------------------------------------------------------------- wide hints

// Before the platform handles CM_HINTSHOW: a hint shown by the platform's or
// this layer's hint window gets the wide hint's 8-bit short text and hint data
// that the layer's hint window recognises.
void PrepareWideHintInfo(TMessage& Message);
// True only for hint data made by PrepareWideHintInfo; other data is not read.
bool IsWideHintData(const void* HintData);
// The wide text for the hint's HintStr: the control's wide short hint (with its
// wide short-cut text appended) while HintStr is still its 8-bit form, else
// HintStr as an application handler left it.
WideString WideHintFromHintInfo(const THintInfo& Info);

// Shows wide hints in a Unicode window.
class TQevCustomHintWindow : public THintWindow {
  QEV_CLASS(TQevCustomHintWindow, THintWindow)
 public:
  using THintWindow::THintWindow;
  WideString Caption() { return WideGetControlText(this); }
  void SetCaption(const WideString& Value) { WideSetControlText(this, Value); }
  void ActivateHint(TRect Rect, const AnsiString& AHint) override;
  void ActivateHintData(TRect Rect, const AnsiString& AHint, void* AData) override;
  TRect CalcHintRect(Integer MaxWidth, const AnsiString& AHint, void* AData) override;
  void Dispatch(TMessage& Message) override;

 protected:
  void CreateWindowHandle(const TCreateParams& Params) override;
  void Paint() override;

 private:
  bool ActivatingHint_ = false;
  bool BlockPaint_ = false;
};

// The application's hint window class of this layer.
class TQevHintWindow : public TQevCustomHintWindow {
  QEV_CLASS(TQevHintWindow, TQevCustomHintWindow)
 public:
  using TQevCustomHintWindow::TQevCustomHintWindow;
};

void Initialization_QevControls();
void Finalization_QevControls();
// The window part of the unit, started and ended by the two above.
void Initialization_QevControlsWindow();
void Finalization_QevControlsWindow();
