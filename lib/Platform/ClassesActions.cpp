// Actions and the links that tie clients to them.
#include <algorithm>

#include "Classes.h"

QEV_DEFINE_CLASS(TBasicAction)

// ------------------------------------------------------------------ TComponent

bool TComponent::ExecuteAction(TBasicAction* Action) {
  if (!Action->HandlesTarget(this)) return false;
  Action->ExecuteTarget(this);
  return true;
}

bool TComponent::UpdateAction(TBasicAction* Action) {
  if (!Action->HandlesTarget(this)) return false;
  Action->UpdateTarget(this);
  return true;
}

// --------------------------------------------------------------- TBasicAction

TBasicAction::TBasicAction(TComponent* AOwner) : TComponent(AOwner) {}

TBasicAction::~TBasicAction() {
  while (!Clients_.empty()) Clients_.back()->SetAction(nullptr);
  SetActionComponent(nullptr);
}

bool TBasicAction::HandlesTarget(TObject*) { return false; }
void TBasicAction::UpdateTarget(TObject*) {}
void TBasicAction::ExecuteTarget(TObject*) {}

bool TBasicAction::Execute() {
  if (!OnExecute_) return false;
  OnExecute_(this);
  return true;
}

bool TBasicAction::Update() {
  if (!OnUpdate_) return false;
  OnUpdate_(this);
  return true;
}

void TBasicAction::SetActionComponent(TComponent* Value) {
  if (ActionComponent_ == Value) return;
  if (ActionComponent_) ActionComponent_->RemoveFreeNotification(this);
  ActionComponent_ = Value;
  if (ActionComponent_) ActionComponent_->FreeNotification(this);
}

void TBasicAction::SetOnExecute(TNotifyEvent Value) {
  if (Value == OnExecute_) return;
  for (TBasicActionLink* link : Clients_) link->SetOnExecute(Value);
  OnExecute_ = Value;
  Change();
}

void TBasicAction::Notification(TComponent* AComponent, TOperation Operation) {
  TComponent::Notification(AComponent, Operation);
  if (Operation == opRemove && AComponent == ActionComponent_) ActionComponent_ = nullptr;
}

void TBasicAction::Change() {
  if (OnChange) OnChange(this);
  for (TBasicActionLink* link : Clients_) link->Change();
}

void TBasicAction::RegisterChanges(TBasicActionLink* Value) {
  Value->Action_ = this;
  Clients_.push_back(Value);
}

void TBasicAction::UnRegisterChanges(TBasicActionLink* Value) {
  auto it = std::find(Clients_.begin(), Clients_.end(), Value);
  if (it == Clients_.end()) return;
  Clients_.erase(it);
  Value->Action_ = nullptr;
}

// ----------------------------------------------------------- TBasicActionLink

TBasicActionLink::TBasicActionLink(TObject* AClient) { AssignClient(AClient); }

TBasicActionLink::~TBasicActionLink() {
  if (Action_) Action_->UnRegisterChanges(this);
}

bool TBasicActionLink::Execute(TComponent* AComponent) {
  if (!Action_) return false;
  Action_->SetActionComponent(AComponent);
  TScopeExit clear([this] {
    if (Action_) Action_->SetActionComponent(nullptr);
  });
  return Action_->Execute();
}

bool TBasicActionLink::Update() { return Action_ && Action_->Update(); }

void TBasicActionLink::SetAction(TBasicAction* Value) {
  if (Value == Action_) return;
  if (Action_) Action_->UnRegisterChanges(this);
  if (Value) Value->RegisterChanges(this);
}

void TBasicActionLink::AssignClient(TObject*) {}

void TBasicActionLink::Change() {
  if (OnChange) OnChange(Action_);
}

bool TBasicActionLink::IsOnExecuteLinked() { return true; }
void TBasicActionLink::SetOnExecute(TNotifyEvent) {}
