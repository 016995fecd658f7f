// Actions with wide captions and hints, and the links that hand those texts
// to Unicode controls whole while the platform's action machinery keeps
// working with 8-bit texts underneath.
#pragma once

#include "ActnList.h"
#include "Buttons.h"
#include "ComCtrls.h"
#include "QevControls.h"
#include "StdCtrls.h"
#include "WinApi.h"

// {59D0AE37-8161-4AD6-9102-14B28E5761EB}
inline constexpr GUID IID_IQevWideAction = {
    0x59D0AE37, 0x8161, 0x4AD6, {0x91, 0x02, 0x14, 0xB2, 0x8E, 0x57, 0x61, 0xEB}};

// Marks an action whose caption and hint are wide: an action is wide when
// dynamic_cast finds this in it.
class IQevWideAction {
 protected:
  virtual ~IQevWideAction() = 0;
};
inline IQevWideAction::~IQevWideAction() = default;

bool IsWideAction(TBasicAction* Action);

// The wide caption and hint of one wide action, owned by the action.
//
// While a new text is being set, the platform tells the linked clients before
// it stores the 8-bit form; until it has stored it, reading gives the text
// from before the change, so that each link still sees whether its client
// follows the action, and a link hands over the held new text whole.
class TCustomActionHelper : public TComponent {
  QEV_CLASS(TCustomActionHelper, TComponent)
 public:
  explicit TCustomActionHelper(TCustomAction* AAction);
  TCustomAction* Action() const { return Action_; }

  WideString WideCaption() { return Read(Caption_, Action_->Caption()); }
  void SetWideCaption(const WideString& Value);
  WideString WideHint() { return Read(Hint_, Action_->Hint()); }
  void SetWideHint(const WideString& Value);
  // What a link passes to its client for a platform value (given widened).
  WideString LinkCaption(const WideString& Value) const { return LinkText(Caption_, Value); }
  WideString LinkHint(const WideString& Value) const { return LinkText(Hint_, Value); }

 private:
  // One wide text beside the action's 8-bit one, and the change in progress.
  struct TWideText {
    WideString Held;
    bool Setting = false;
    WideString Previous;  // the text before the change
    AnsiString NewAnsi;   // the 8-bit form being set
  };
  using TAnsiGetter = const AnsiString& (TCustomAction::*)() const;
  using TAnsiSetter = void (TCustomAction::*)(const AnsiString&);

  static WideString Read(TWideText& Text, const AnsiString& AnsiValue);
  static WideString LinkText(const TWideText& Text, const WideString& Value);
  void Write(TWideText& Text, const WideString& Value, TAnsiGetter Get, TAnsiTextSetter Step);
  void AnsiStep(TWideText& Text, TAnsiSetter Set, const AnsiString& Value);
  static void CaptionStep(TObject* Helper, const AnsiString& Value);
  static void HintStep(TObject* Helper, const AnsiString& Value);

  TCustomAction* Action_;
  TWideText Caption_;
  TWideText Hint_;
};

// The action's helper; nullptr when the action is not wide.
TCustomActionHelper* FindActionHelper(TCustomAction* Action);

// The wide texts of any action: a wide one's held texts, else its 8-bit ones.
WideString GetActionWideCaption(TCustomAction* Action);
void SetActionWideCaption(TCustomAction* Action, const WideString& Value);
WideString GetActionWideHint(TCustomAction* Action);
void SetActionWideHint(TCustomAction* Action, const WideString& Value);
// The text a link hands its client for the platform's Value.
WideString ActionLinkWideCaption(TCustomAction* Action, const WideString& Value);
WideString ActionLinkWideHint(TCustomAction* Action, const WideString& Value);
// Target's 8-bit caption and hint from the wide ones of an action or control.
void AssignActionWideTexts(TCustomAction* Target, TPersistent* Source);

// An action whose published Caption and Hint are wide.
class TQevAction : public TAction, public IQevWideAction {
  QEV_CLASS(TQevAction, TAction)
 public:
  using TAction::TAction;
  // The 8-bit forms of the source's texts.
  void Assign(TPersistent* Source) override;

  WideString Caption() { return GetActionWideCaption(this); }
  void SetCaption(const WideString& Value) { SetActionWideCaption(this, Value); }
  WideString Hint() { return GetActionWideHint(this); }
  void SetHint(const WideString& Value) { SetActionWideHint(this, Value); }

 protected:
  void DefineProperties(TFiler* Filer) override;
};

// A link of a Unicode control: the platform link Base, with the caption and
// hint compared and handed over wide. Another kind of client is one more
// alias below and one more test in WideActionLinkClassFor.
template <class Base>
class TQevActionLinkOf : public Base {
 public:
  using Base::Base;
  static TControlActionLink* Make(TControl* Client) { return new TQevActionLinkOf(Client); }
  // The link class a control of this kind has on the platform.
  static constexpr TControlActionLinkClass PlatformClass = &Base::Make;

  const char* ClassName() const override {
    static const AnsiString name = AnsiString("TQev") + (Base::ClassName() + 1);
    return name.c_str();
  }
  bool IsCaptionLinked() override {
    return Base::IsCaptionLinked() &&
           GetActionWideCaption(CustomAction()) == WideGetControlText(this->Client_);
  }
  bool IsHintLinked() override {
    return Base::IsHintLinked() &&
           GetActionWideHint(CustomAction()) == WideGetControlHint(this->Client_);
  }

 protected:
  void SetCaption(const AnsiString& Value) override {
    if (IsCaptionLinked())
      WideSetControlText(this->Client_, ActionLinkWideCaption(CustomAction(), AnsiToWide(Value)));
  }
  void SetHint(const AnsiString& Value) override {
    if (IsHintLinked())
      WideSetControlHint(this->Client_, ActionLinkWideHint(CustomAction(), AnsiToWide(Value)));
  }

 private:
  // A TCustomAction whenever the inherited tests hold.
  TCustomAction* CustomAction() const { return static_cast<TCustomAction*>(this->Action_); }
};

using TQevControlActionLink = TQevActionLinkOf<TControlActionLink>;
using TQevWinControlActionLink = TQevActionLinkOf<TWinControlActionLink>;
using TQevButtonActionLink = TQevActionLinkOf<TButtonActionLink>;
using TQevSpeedButtonActionLink = TQevActionLinkOf<TSpeedButtonActionLink>;
using TQevListViewActionLink = TQevActionLinkOf<TListViewActionLink>;
using TQevComboBoxExActionLink = TQevActionLinkOf<TComboBoxExActionLink>;
using TQevToolButtonActionLink = TQevActionLinkOf<TToolButtonActionLink>;

// For a Unicode control's GetActionLinkClass: the wide link of its kind.
// PlatformClass, what the inherited GetActionLinkClass returns, must be the
// platform link that the wide one extends.
TControlActionLinkClass WideActionLinkClassFor(TControl* Control,
                                               TControlActionLinkClass PlatformClass);
// For a Unicode control's ActionChange, before the inherited one: the wide
// caption and hint of a wide action (with CheckDefaults only onto defaults).
void WideControlActionChange(TControl* Control, TObject* Action, bool CheckDefaults);

void Initialization_QevActnList();
void Finalization_QevActnList();
