// Action lists and the actions with the properties controls show: caption,
// hint, checked, enabled, visible, image and shortcut.
#pragma once

#include "Classes.h"

class TCustomActionList;

// How Forms takes part in running actions; each answers whether it handled
// the action. Before: Application->ExecuteAction / UpdateAction, asked when
// the action's list has not handled it. Message: CM_ACTIONEXECUTE /
// CM_ACTIONUPDATE to the application, sent when nothing else handled it.
using TActionDispatchProc = bool (*)(TBasicAction* Action);
extern TActionDispatchProc ApplicationExecuteAction;
extern TActionDispatchProc ApplicationUpdateAction;
extern TActionDispatchProc ApplicationActionExecuteMessage;
extern TActionDispatchProc ApplicationActionUpdateMessage;

// An action that lives in an action list, which it asks first.
class TContainedAction : public TBasicAction {
  QEV_CLASS(TContainedAction, TBasicAction)
 public:
  explicit TContainedAction(TComponent* AOwner);
  ~TContainedAction() override;  // leaves its list

  // Its list's OnExecute, then Application, then OnExecute, then the
  // application's message.
  bool Execute() override;
  bool Update() override;

  TCustomActionList* ActionList() const { return ActionList_; }
  void SetActionList(TCustomActionList* Value);
  Integer Index() const;  // in the list; -1 outside one
  void SetIndex(Integer Value);
  AnsiString Category;

  // In forms the list is the action's parent.
  TComponent* GetParentComponent() const override;
  bool HasParent() const override;
  void SetParentComponent(TComponent* AParent) override;
  // A form's action joins the list it is written in.
  void ReadState(TReader* Reader) override;

 private:
  friend class TCustomActionList;
  TCustomActionList* ActionList_ = nullptr;
};

// Asked before a hint shows: may change the text or refuse.
using THintEvent = TEvent<void(AnsiString& HintStr, bool& CanShow)>;

// An action with what controls show. A change reaches every linked client's
// TActionLink (through its SetXxx) before the action stores the new value,
// so a link can still compare the client with the old one.
class TCustomAction : public TContainedAction {
  QEV_CLASS(TCustomAction, TContainedAction)
 public:
  explicit TCustomAction(TComponent* AOwner);
  // Copies the shown properties and handlers of another TCustomAction.
  void Assign(TPersistent* Source) override;
  // Update, then OnExecute (by the route of TContainedAction) only when enabled.
  bool Execute() override;
  // No handler updated it and DisableIfNoHandler: enabled when it has OnExecute.
  bool Update() override;
  virtual bool DoHint(AnsiString& HintStr);  // OnHint; whether to show
  // A caption that was the name (an empty one too) follows a new name,
  // except while reading a form.
  void SetName(const AnsiString& NewName) override;

  const AnsiString& Caption() const { return Caption_; }
  void SetCaption(const AnsiString& Value);
  bool Checked() const { return Checked_; }
  void SetChecked(bool Value);
  bool Enabled() const { return Enabled_; }
  void SetEnabled(bool Value);
  THelpContext HelpContext() const { return HelpContext_; }
  void SetHelpContext(THelpContext Value);
  const AnsiString& Hint() const { return Hint_; }
  void SetHint(const AnsiString& Value);
  Integer ImageIndex() const { return ImageIndex_; }
  void SetImageIndex(Integer Value);
  TShortCut ShortCut() const { return ShortCut_; }
  void SetShortCut(TShortCut Value);
  bool Visible() const { return Visible_; }
  void SetVisible(bool Value);
  bool DisableIfNoHandler = true;
  THintEvent OnHint;

 private:
  template <typename V, typename LinkSetter>
  void SetShown(V& Field, const V& Value, LinkSetter Setter);

  AnsiString Caption_;
  bool Checked_ = false;
  bool Enabled_ = true;
  THelpContext HelpContext_ = 0;
  AnsiString Hint_;
  Integer ImageIndex_ = -1;
  TShortCut ShortCut_ = 0;
  bool Visible_ = true;
};

// The action forms place; publishes the properties.
class TAction : public TCustomAction {
  QEV_CLASS(TAction, TCustomAction)
 public:
  using TCustomAction::TCustomAction;
};

// The link a client with caption, hint, ... holds. Each IsXxxLinked tells
// whether the client follows the action's Xxx (the base: when the action is
// a TCustomAction); each SetXxx hands a new value to the client (the base
// does nothing). Client link classes override both.
class TActionLink : public TBasicActionLink {
 public:
  using TBasicActionLink::TBasicActionLink;
  const char* ClassName() const override { return "TActionLink"; }

 protected:
  friend class TCustomAction;
  virtual bool IsCaptionLinked();
  virtual bool IsCheckedLinked();
  virtual bool IsEnabledLinked();
  virtual bool IsHelpContextLinked();
  virtual bool IsHintLinked();
  virtual bool IsImageIndexLinked();
  virtual bool IsShortCutLinked();
  virtual bool IsVisibleLinked();
  virtual void SetCaption(const AnsiString& Value);
  virtual void SetChecked(bool Value);
  virtual void SetEnabled(bool Value);
  virtual void SetHelpContext(THelpContext Value);
  virtual void SetHint(const AnsiString& Value);
  virtual void SetImageIndex(Integer Value);
  virtual void SetShortCut(TShortCut Value);
  virtual void SetVisible(bool Value);
};

// Handled: set true to stop the action's own handling.
using TActionEvent = TEvent<void(TBasicAction* Action, bool& Handled)>;
// asSuspended: actions neither execute nor update; asSuspendedEnabled: also
// every action is enabled (for customising).
enum TActionListState { asNormal, asSuspended, asSuspendedEnabled };
QEV_ENUM_TYPEINFO(TActionListState, "asNormal", "asSuspended", "asSuspendedEnabled");

// The actions of a form, written as its children.
class TCustomActionList : public TComponent {
  QEV_CLASS(TCustomActionList, TComponent)
 public:
  explicit TCustomActionList(TComponent* AOwner);
  ~TCustomActionList() override;  // the actions leave the list

  // OnExecute / OnUpdate; whether the handler handled it. False while suspended.
  virtual bool ExecuteAction(TBasicAction* Action);
  virtual bool UpdateAction(TBasicAction* Action);

  Integer ActionCount() const { return static_cast<Integer>(Actions_.size()); }
  TContainedAction* Actions(Integer Index) const;  // EListError out of range
  TActionListState State() const { return State_; }
  void SetState(TActionListState Value);
  TActionEvent OnExecute;
  TActionEvent OnUpdate;
  TNotifyEvent OnChange;

  void GetChildren(TGetChildProc Proc, TComponent* Root) override;
  void SetChildOrder(TComponent* Child, Integer Order) override;

 protected:
  virtual void Change();  // OnChange; also after an action changed
  void Notification(TComponent* AComponent, TOperation Operation) override;

 private:
  friend class TContainedAction;
  void AddAction(TContainedAction* Action);
  void RemoveAction(TContainedAction* Action);

  std::vector<TContainedAction*> Actions_;
  TActionListState State_ = asNormal;
};

class TActionList : public TCustomActionList {
  QEV_CLASS(TActionList, TCustomActionList)
 public:
  using TCustomActionList::TCustomActionList;
};

void Initialization_ActnList();  // registers the classes forms create
void Finalization_ActnList();
