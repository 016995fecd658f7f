#include "QevActnList.h"

#include "QevClasses.h"
#include "Scoped.h"

QEV_DEFINE_CLASS(TCustomActionHelper)
QEV_DEFINE_CLASS(TQevAction,
                 QEV_PROPERTY(Caption, Caption, SetCaption),
                 QEV_PROPERTY(Hint, Hint, SetHint))

namespace {

constexpr const WideChar* QevUnitSource = L"lib\\QevUnicodeVCL\\QevActnList";  // named by assertions

// The wide link of a control kind, checked against the platform's link for it.
template <class Link>
TControlActionLinkClass CheckedLinkClass(TControlActionLinkClass PlatformClass) {
  QEV_ASSERT(Link::PlatformClass == PlatformClass, L"Assertion failure");
  return &Link::Make;
}

}  // namespace

bool IsWideAction(TBasicAction* Action) { return dynamic_cast<IQevWideAction*>(Action); }

// ------------------------------------------------------------------ helper

TCustomActionHelper::TCustomActionHelper(TCustomAction* AAction)
    : TComponent(AAction), Action_(AAction) {}

void TCustomActionHelper::SetWideCaption(const WideString& Value) {
  Write(Caption_, Value, &TCustomAction::Caption, &CaptionStep);
}

void TCustomActionHelper::SetWideHint(const WideString& Value) {
  Write(Hint_, Value, &TCustomAction::Hint, &HintStep);
}

WideString TCustomActionHelper::Read(TWideText& Text, const AnsiString& AnsiValue) {
  if (Text.Setting && AnsiValue != Text.NewAnsi) return Text.Previous;
  return ReconcileWideText(Text.Held, AnsiValue);
}

WideString TCustomActionHelper::LinkText(const TWideText& Text, const WideString& Value) {
  return Text.Setting ? Text.Held : Value;
}

void TCustomActionHelper::Write(TWideText& Text, const WideString& Value, TAnsiGetter Get,
                                TAnsiTextSetter Step) {
  Text.Previous = Read(Text, (Action_->*Get)());
  Text.NewAnsi = WideToAnsi(Value);
  TRestore<bool> endOfChange(Text.Setting, true);
  try {
    SetHeldWideText(Value, Text.Held, (Action_->*Get)(), Step, this);
  } catch (...) {
    // The platform kept its old text: the held text goes back with it.
    if ((Action_->*Get)() != Text.NewAnsi) Text.Held = Text.Previous;
    throw;
  }
}

// The clients follow the platform through an empty text (a new text with the
// same 8-bit form): from then on they follow the empty one.
void TCustomActionHelper::AnsiStep(TWideText& Text, TAnsiSetter Set, const AnsiString& Value) {
  (Action_->*Set)(Value);
  if (Value.empty() && !Text.NewAnsi.empty()) Text.Previous.clear();
}

void TCustomActionHelper::CaptionStep(TObject* Helper, const AnsiString& Value) {
  auto* helper = static_cast<TCustomActionHelper*>(Helper);
  helper->AnsiStep(helper->Caption_, &TCustomAction::SetCaption, Value);
}

void TCustomActionHelper::HintStep(TObject* Helper, const AnsiString& Value) {
  auto* helper = static_cast<TCustomActionHelper*>(Helper);
  helper->AnsiStep(helper->Hint_, &TCustomAction::SetHint, Value);
}

// ----------------------------------------------------------------- routines

TCustomActionHelper* FindActionHelper(TCustomAction* Action) {
  QEV_ASSERT(Action, L"Assertion failure");
  if (!IsWideAction(Action)) return nullptr;
  for (Integer i = 0; i < Action->ComponentCount(); ++i)
    if (auto* helper = dynamic_cast<TCustomActionHelper*>(Action->Components(i))) return helper;
  return new TCustomActionHelper(Action);
}

WideString GetActionWideCaption(TCustomAction* Action) {
  TCustomActionHelper* helper = FindActionHelper(Action);
  return helper ? helper->WideCaption() : AnsiToWide(Action->Caption());
}

void SetActionWideCaption(TCustomAction* Action, const WideString& Value) {
  if (TCustomActionHelper* helper = FindActionHelper(Action))
    helper->SetWideCaption(Value);
  else
    Action->SetCaption(WideToAnsi(Value));
}

WideString GetActionWideHint(TCustomAction* Action) {
  TCustomActionHelper* helper = FindActionHelper(Action);
  return helper ? helper->WideHint() : AnsiToWide(Action->Hint());
}

void SetActionWideHint(TCustomAction* Action, const WideString& Value) {
  if (TCustomActionHelper* helper = FindActionHelper(Action))
    helper->SetWideHint(Value);
  else
    Action->SetHint(WideToAnsi(Value));
}

WideString ActionLinkWideCaption(TCustomAction* Action, const WideString& Value) {
  TCustomActionHelper* helper = FindActionHelper(Action);
  return helper ? helper->LinkCaption(Value) : Value;
}

WideString ActionLinkWideHint(TCustomAction* Action, const WideString& Value) {
  TCustomActionHelper* helper = FindActionHelper(Action);
  return helper ? helper->LinkHint(Value) : Value;
}

void AssignActionWideTexts(TCustomAction* Target, TPersistent* Source) {
  WideString caption, hint;
  if (auto* action = dynamic_cast<TCustomAction*>(Source)) {
    caption = GetActionWideCaption(action);
    hint = GetActionWideHint(action);
  } else if (auto* control = dynamic_cast<TControl*>(Source)) {
    caption = WideGetControlText(control);
    hint = WideGetControlHint(control);
  } else {
    return;
  }
  Target->SetCaption(WideToAnsi(caption));
  Target->SetHint(WideToAnsi(hint));
}

// --------------------------------------------------------------- TQevAction

void TQevAction::Assign(TPersistent* Source) {
  TAction::Assign(Source);
  AssignActionWideTexts(this, Source);
}

void TQevAction::DefineProperties(TFiler* Filer) {
  TAction::DefineProperties(Filer);
  DefineWideProperties(Filer, this);
}

// ---------------------------------------------------- Unicode controls' side

TControlActionLinkClass WideActionLinkClassFor(TControl* Control,
                                               TControlActionLinkClass PlatformClass) {
  if (dynamic_cast<TCustomListView*>(Control))
    return CheckedLinkClass<TQevListViewActionLink>(PlatformClass);
  if (dynamic_cast<TCustomComboBoxEx*>(Control))
    return CheckedLinkClass<TQevComboBoxExActionLink>(PlatformClass);
  if (dynamic_cast<TSpeedButton*>(Control))
    return CheckedLinkClass<TQevSpeedButtonActionLink>(PlatformClass);
  if (dynamic_cast<TToolButton*>(Control))
    return CheckedLinkClass<TQevToolButtonActionLink>(PlatformClass);
  if (dynamic_cast<TButtonControl*>(Control))
    return CheckedLinkClass<TQevButtonActionLink>(PlatformClass);
  if (dynamic_cast<TWinControl*>(Control))
    return CheckedLinkClass<TQevWinControlActionLink>(PlatformClass);
  return CheckedLinkClass<TQevControlActionLink>(PlatformClass);
}

void WideControlActionChange(TControl* Control, TObject* Action, bool CheckDefaults) {
  auto* action = dynamic_cast<TCustomAction*>(Action);
  if (!action || !IsWideAction(action)) return;
  WideString caption = WideGetControlText(Control);
  if (!CheckDefaults || caption.empty() || caption == AnsiToWide(Control->Name()))
    WideSetControlText(Control, GetActionWideCaption(action));
  if (!CheckDefaults || WideGetControlHint(Control).empty())
    WideSetControlHint(Control, GetActionWideHint(action));
}

// -------------------------------------------------------------------- unit

void Initialization_QevActnList() { RegisterClass(TQevAction::StaticClass()); }

void Finalization_QevActnList() {}
