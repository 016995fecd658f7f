// Action lists and the actions controls show.
#include "ActnList.h"

#include <algorithm>

QEV_DEFINE_CLASS(TContainedAction, QEV_PROPERTY(Category, Category, Category))
QEV_DEFINE_CLASS(TCustomAction)
QEV_DEFINE_CLASS(TAction,
                 QEV_PROPERTY(Caption, Caption, SetCaption),
                 QEV_PROPERTY(Checked, Checked, SetChecked).Default(false),
                 QEV_PROPERTY(Enabled, Enabled, SetEnabled).Default(true),
                 QEV_PROPERTY(HelpContext, HelpContext, SetHelpContext).Default(0),
                 QEV_PROPERTY(Hint, Hint, SetHint),
                 QEV_PROPERTY(ImageIndex, ImageIndex, SetImageIndex).Default(-1),
                 QEV_PROPERTY(ShortCut, ShortCut, SetShortCut).Default(0),
                 QEV_PROPERTY(Visible, Visible, SetVisible).Default(true),
                 QEV_PROPERTY(OnExecute, OnExecute, SetOnExecute),
                 QEV_PROPERTY(OnHint, OnHint, OnHint),
                 QEV_PROPERTY(OnUpdate, OnUpdate, SetOnUpdate))
QEV_DEFINE_CLASS(TCustomActionList)
QEV_DEFINE_CLASS(TActionList,
                 QEV_PROPERTY(State, State, SetState).Default(asNormal),
                 QEV_PROPERTY(OnChange, OnChange, OnChange),
                 QEV_PROPERTY(OnExecute, OnExecute, OnExecute),
                 QEV_PROPERTY(OnUpdate, OnUpdate, OnUpdate))

TActionDispatchProc ApplicationExecuteAction = nullptr;
TActionDispatchProc ApplicationUpdateAction = nullptr;
TActionDispatchProc ApplicationActionExecuteMessage = nullptr;
TActionDispatchProc ApplicationActionUpdateMessage = nullptr;

namespace {
bool Dispatch(TActionDispatchProc Proc, TBasicAction* Action) { return Proc && Proc(Action); }
}  // namespace

// ----------------------------------------------------------- TContainedAction

TContainedAction::TContainedAction(TComponent* AOwner) : TBasicAction(AOwner) {}

TContainedAction::~TContainedAction() { SetActionList(nullptr); }

bool TContainedAction::Execute() {
  return (ActionList_ && ActionList_->ExecuteAction(this)) ||
         Dispatch(ApplicationExecuteAction, this) || TBasicAction::Execute() ||
         Dispatch(ApplicationActionExecuteMessage, this);
}

bool TContainedAction::Update() {
  return (ActionList_ && ActionList_->UpdateAction(this)) ||
         Dispatch(ApplicationUpdateAction, this) || TBasicAction::Update() ||
         Dispatch(ApplicationActionUpdateMessage, this);
}

void TContainedAction::SetActionList(TCustomActionList* Value) {
  if (Value == ActionList_) return;
  if (ActionList_) ActionList_->RemoveAction(this);
  if (Value) Value->AddAction(this);
}

Integer TContainedAction::Index() const {
  if (!ActionList_) return -1;
  const auto& list = ActionList_->Actions_;
  return static_cast<Integer>(std::find(list.begin(), list.end(), this) - list.begin());
}

void TContainedAction::SetIndex(Integer Value) {
  if (!ActionList_) return;
  auto& list = ActionList_->Actions_;
  const Integer count = static_cast<Integer>(list.size());
  Value = std::clamp(Value, 0, count - 1);
  list.erase(list.begin() + Index());
  list.insert(list.begin() + Value, this);
}

TComponent* TContainedAction::GetParentComponent() const {
  return ActionList_ ? ActionList_ : TBasicAction::GetParentComponent();
}

bool TContainedAction::HasParent() const { return ActionList_ || TBasicAction::HasParent(); }

void TContainedAction::SetParentComponent(TComponent* AParent) {
  if (!ComponentState().Contains(csLoading)) SetActionList(dynamic_cast<TCustomActionList*>(AParent));
}

void TContainedAction::ReadState(TReader* Reader) {
  TBasicAction::ReadState(Reader);
  if (auto* list = dynamic_cast<TCustomActionList*>(Reader->Parent())) SetActionList(list);
}

// -------------------------------------------------------------- TCustomAction

TCustomAction::TCustomAction(TComponent* AOwner) : TContainedAction(AOwner) {}

void TCustomAction::Assign(TPersistent* Source) {
  auto* source = dynamic_cast<TCustomAction*>(Source);
  if (!source) {
    TContainedAction::Assign(Source);
    return;
  }
  SetCaption(source->Caption_);
  SetChecked(source->Checked_);
  SetEnabled(source->Enabled_);
  SetHelpContext(source->HelpContext_);
  SetHint(source->Hint_);
  SetImageIndex(source->ImageIndex_);
  SetShortCut(source->ShortCut_);
  SetVisible(source->Visible_);
  Category = source->Category;
  DisableIfNoHandler = source->DisableIfNoHandler;
  SetOnExecute(source->OnExecute());
  SetOnUpdate(source->OnUpdate());
  OnHint = source->OnHint;
}

bool TCustomAction::Execute() {
  if (ActionList() && ActionList()->State() != asNormal) return false;
  Update();
  return Enabled_ && TContainedAction::Execute();
}

bool TCustomAction::Update() {
  if (ActionList() && ActionList()->State() != asNormal) return false;
  const bool handled = TContainedAction::Update();
  if (!handled && DisableIfNoHandler) SetEnabled(OnExecute().Assigned());
  return handled;
}

bool TCustomAction::DoHint(AnsiString& HintStr) {
  bool canShow = true;
  if (OnHint) OnHint(HintStr, canShow);
  return canShow;
}

void TCustomAction::SetName(const AnsiString& NewName) {
  const bool followName = !ComponentState().Contains(csLoading) &&
                          !(Owner() && Owner()->ComponentState().Contains(csLoading)) &&
                          Name() == Caption_;
  TContainedAction::SetName(NewName);
  if (followName) SetCaption(NewName);
}

// Clients learn of the value first, while the action still holds the old one.
template <typename V, typename LinkSetter>
void TCustomAction::SetShown(V& Field, const V& Value, LinkSetter Setter) {
  if (Field == Value) return;
  for (TBasicActionLink* link : Clients())
    if (auto* actionLink = dynamic_cast<TActionLink*>(link)) (actionLink->*Setter)(Value);
  Field = Value;
  Change();
}

void TCustomAction::SetCaption(const AnsiString& Value) {
  SetShown(Caption_, Value, &TActionLink::SetCaption);
}
void TCustomAction::SetChecked(bool Value) { SetShown(Checked_, Value, &TActionLink::SetChecked); }
void TCustomAction::SetEnabled(bool Value) {
  if (ActionList() && ActionList()->State() == asSuspendedEnabled) Value = true;
  SetShown(Enabled_, Value, &TActionLink::SetEnabled);
}
void TCustomAction::SetHelpContext(THelpContext Value) {
  SetShown(HelpContext_, Value, &TActionLink::SetHelpContext);
}
void TCustomAction::SetHint(const AnsiString& Value) { SetShown(Hint_, Value, &TActionLink::SetHint); }
void TCustomAction::SetImageIndex(Integer Value) {
  SetShown(ImageIndex_, Value, &TActionLink::SetImageIndex);
}
void TCustomAction::SetShortCut(TShortCut Value) {
  SetShown(ShortCut_, Value, &TActionLink::SetShortCut);
}
void TCustomAction::SetVisible(bool Value) { SetShown(Visible_, Value, &TActionLink::SetVisible); }

// ---------------------------------------------------------------- TActionLink

namespace {
bool IsCustomAction(TBasicAction* Action) { return dynamic_cast<TCustomAction*>(Action); }
}  // namespace

bool TActionLink::IsCaptionLinked() { return IsCustomAction(Action_); }
bool TActionLink::IsCheckedLinked() { return IsCustomAction(Action_); }
bool TActionLink::IsEnabledLinked() { return IsCustomAction(Action_); }
bool TActionLink::IsHelpContextLinked() { return IsCustomAction(Action_); }
bool TActionLink::IsHintLinked() { return IsCustomAction(Action_); }
bool TActionLink::IsImageIndexLinked() { return IsCustomAction(Action_); }
bool TActionLink::IsShortCutLinked() { return IsCustomAction(Action_); }
bool TActionLink::IsVisibleLinked() { return IsCustomAction(Action_); }
void TActionLink::SetCaption(const AnsiString&) {}
void TActionLink::SetChecked(bool) {}
void TActionLink::SetEnabled(bool) {}
void TActionLink::SetHelpContext(THelpContext) {}
void TActionLink::SetHint(const AnsiString&) {}
void TActionLink::SetImageIndex(Integer) {}
void TActionLink::SetShortCut(TShortCut) {}
void TActionLink::SetVisible(bool) {}

// ---------------------------------------------------------- TCustomActionList

TCustomActionList::TCustomActionList(TComponent* AOwner) : TComponent(AOwner) {}

TCustomActionList::~TCustomActionList() {
  while (!Actions_.empty()) Actions_.back()->SetActionList(nullptr);
}

bool TCustomActionList::ExecuteAction(TBasicAction* Action) {
  bool handled = false;
  if (State_ == asNormal && OnExecute) OnExecute(Action, handled);
  return handled;
}

bool TCustomActionList::UpdateAction(TBasicAction* Action) {
  bool handled = false;
  if (State_ == asNormal && OnUpdate) OnUpdate(Action, handled);
  return handled;
}

TContainedAction* TCustomActionList::Actions(Integer Index) const {
  if (Index < 0 || Index >= ActionCount()) TList::Error(SListIndexError, Index);
  return Actions_[static_cast<std::size_t>(Index)];
}

void TCustomActionList::SetState(TActionListState Value) {
  if (State_ == Value) return;
  State_ = Value;
  if (State_ == asSuspendedEnabled)
    for (TContainedAction* action : Actions_)
      if (auto* custom = dynamic_cast<TCustomAction*>(action)) custom->SetEnabled(true);
  Change();
}

void TCustomActionList::GetChildren(TGetChildProc Proc, TComponent* Root) {
  for (TContainedAction* action : Actions_)
    if (action->Owner() == Root) Proc(action);
}

void TCustomActionList::SetChildOrder(TComponent* Child, Integer Order) {
  if (auto* action = dynamic_cast<TContainedAction*>(Child); action && action->ActionList_ == this)
    action->SetIndex(Order);
}

void TCustomActionList::Change() {
  if (OnChange) OnChange(this);
}

void TCustomActionList::Notification(TComponent* AComponent, TOperation Operation) {
  TComponent::Notification(AComponent, Operation);
  if (Operation == opRemove)
    if (auto* action = dynamic_cast<TContainedAction*>(AComponent); action && action->ActionList_ == this)
      RemoveAction(action);
}

void TCustomActionList::AddAction(TContainedAction* Action) {
  Actions_.push_back(Action);
  Action->ActionList_ = this;
  Action->FreeNotification(this);
  Change();
}

void TCustomActionList::RemoveAction(TContainedAction* Action) {
  auto it = std::find(Actions_.begin(), Actions_.end(), Action);
  if (it == Actions_.end()) return;
  Actions_.erase(it);
  Action->ActionList_ = nullptr;
  Action->RemoveFreeNotification(this);
  Change();
}

// ------------------------------------------------------------- initialisation

void Initialization_ActnList() {
  RegisterClasses({TAction::StaticClass(), TActionList::StaticClass()});
}

void Finalization_ActnList() {}
