// Actions, their lists and the links of their clients.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "ActnList.h"
#include "StdActns.h"
#include "TestSupport.h"

namespace {

// Records the handlers' calls in order.
struct TLog {
  std::string Calls;
  bool ListHandles = false;
  void ActionExecute(TObject*) { Calls += "action;"; }
  void ActionUpdate(TObject*) { Calls += "update;"; }
  void ListExecute(TBasicAction*, bool& Handled) {
    Calls += "list;";
    Handled = ListHandles;
  }
  void ListUpdate(TBasicAction*, bool& Handled) {
    Calls += "listupdate;";
    Handled = ListHandles;
  }
  void Change(TObject*) { Calls += "change;"; }
};

// A client link that records what the action hands it, and the action's own
// value at that moment.
class TRecordingLink : public TActionLink {
 public:
  using TActionLink::TActionLink;
  std::string Log;
  bool CaptionLinked = true;

 protected:
  TCustomAction* Custom() { return static_cast<TCustomAction*>(Action()); }
  bool IsCaptionLinked() override { return TActionLink::IsCaptionLinked() && CaptionLinked; }
  void SetCaption(const AnsiString& Value) override {
    if (IsCaptionLinked()) Log += "caption " + Value + " was " + Custom()->Caption() + ";";
  }
  void SetChecked(bool Value) override { Log += std::string("checked ") + (Value ? "1;" : "0;"); }
  void SetEnabled(bool Value) override { Log += std::string("enabled ") + (Value ? "1;" : "0;"); }
  void SetHint(const AnsiString& Value) override { Log += "hint " + Value + ";"; }
  void SetHelpContext(THelpContext Value) override { Log += "help " + std::to_string(Value) + ";"; }
  void SetImageIndex(Integer Value) override { Log += "image " + std::to_string(Value) + ";"; }
  void SetShortCut(TShortCut Value) override { Log += "shortcut " + std::to_string(Value) + ";"; }
  void SetVisible(bool Value) override { Log += std::string("visible ") + (Value ? "1;" : "0;"); }
  void SetOnExecute(TNotifyEvent) override { Log += "onexecute;"; }
};

struct TComponentSeen {
  TComponent* Seen = nullptr;
  TBasicAction* Action = nullptr;
  void Execute(TObject*) { Seen = Action->ActionComponent(); }
};

}  // namespace

TEST(Action, ExecuteRunsOnExecuteAndTellsWhetherSomethingHandledIt) {
  TLog log;
  TBasicAction basic(nullptr);
  EXPECT_FALSE(basic.Execute());
  EXPECT_FALSE(basic.Update());
  basic.SetOnExecute(TNotifyEvent::Bind<&TLog::ActionExecute>(&log));
  basic.SetOnUpdate(TNotifyEvent::Bind<&TLog::ActionUpdate>(&log));
  EXPECT_TRUE(basic.Execute());
  EXPECT_TRUE(basic.Update());
  EXPECT_EQ("action;update;", log.Calls);

  TAction action(nullptr);
  action.SetOnExecute(TNotifyEvent::Bind<&TLog::ActionExecute>(&log));
  log.Calls.clear();
  EXPECT_TRUE(action.Execute());
  EXPECT_EQ("action;", log.Calls);
}

TEST(Action, TheListHandlesExecuteAndUpdateFirst) {
  TLog log;
  TActionList list(nullptr);
  list.OnExecute = TActionEvent::Bind<&TLog::ListExecute>(&log);
  list.OnUpdate = TActionEvent::Bind<&TLog::ListUpdate>(&log);
  TAction action(nullptr);
  action.SetActionList(&list);
  action.SetOnExecute(TNotifyEvent::Bind<&TLog::ActionExecute>(&log));
  action.SetOnUpdate(TNotifyEvent::Bind<&TLog::ActionUpdate>(&log));

  EXPECT_TRUE(action.Execute());  // updates first, then executes
  EXPECT_EQ("listupdate;update;list;action;", log.Calls);

  log.Calls.clear();
  log.ListHandles = true;
  EXPECT_TRUE(action.Execute());
  EXPECT_EQ("listupdate;list;", log.Calls);

  log.Calls.clear();
  list.SetState(asSuspended);
  EXPECT_FALSE(action.Execute());
  EXPECT_FALSE(action.Update());
  EXPECT_EQ("", log.Calls);
}

TEST(Action, DisabledActionsDoNotExecuteAndUnhandledOnesFollowTheirHandler) {
  TLog log;
  TAction action(nullptr);
  EXPECT_FALSE(action.Execute());  // no handler: disabled by its update
  EXPECT_FALSE(action.Enabled());
  action.SetOnExecute(TNotifyEvent::Bind<&TLog::ActionExecute>(&log));
  EXPECT_FALSE(action.Update());
  EXPECT_TRUE(action.Enabled());

  // An update handler decides alone.
  action.SetOnUpdate(TNotifyEvent::Bind<&TLog::ActionUpdate>(&log));
  action.SetEnabled(false);
  EXPECT_FALSE(action.Execute());
  EXPECT_EQ("update;", log.Calls);

  THintAction hint(nullptr);
  EXPECT_FALSE(hint.DisableIfNoHandler);
  hint.Update();
  EXPECT_TRUE(hint.Enabled());
}

TEST(Action, ApplicationHooksComeBeforeAndAfterTheActionsOwnHandler) {
  static std::string calls;
  calls.clear();
  struct THooks {
    static bool Before(TBasicAction*) {
      calls += "app;";
      return false;
    }
    static bool Message(TBasicAction*) {
      calls += "message;";
      return true;
    }
  };
  ApplicationExecuteAction = &THooks::Before;
  ApplicationActionExecuteMessage = &THooks::Message;
  TBasicAction plain(nullptr);
  TAction action(nullptr);
  action.DisableIfNoHandler = false;
  EXPECT_FALSE(plain.Execute());  // not a contained action: no application
  EXPECT_TRUE(action.Execute());
  ApplicationExecuteAction = nullptr;
  ApplicationActionExecuteMessage = nullptr;
  EXPECT_EQ("app;message;", calls);
}

TEST(Action, ChangesReachLinkedClientsBeforeTheActionStoresThem) {
  TLog log;
  TAction action(nullptr);
  action.SetCaption("Old");
  TRecordingLink link(nullptr);
  link.SetAction(&action);
  link.OnChange = TNotifyEvent::Bind<&TLog::Change>(&log);
  EXPECT_EQ(&action, link.Action());

  action.SetCaption("New");
  action.SetCaption("New");  // unchanged: nobody is told
  action.SetChecked(true);
  action.SetEnabled(false);
  action.SetHint("Tip");
  action.SetHelpContext(12);
  action.SetImageIndex(3);
  action.SetShortCut(0x4041);
  action.SetVisible(false);
  action.SetOnExecute(TNotifyEvent::Bind<&TLog::ActionExecute>(&log));
  EXPECT_EQ("caption New was Old;checked 1;enabled 0;hint Tip;help 12;image 3;shortcut 16449;"
            "visible 0;onexecute;",
            link.Log);
  EXPECT_EQ(9u, log.Calls.size() / std::string("change;").size());

  link.Log.clear();
  link.CaptionLinked = false;
  action.SetCaption("Other");
  EXPECT_EQ("", link.Log);
  EXPECT_EQ("Other", action.Caption());
}

TEST(Action, LinksAndActionsLetGoOfEachOther) {
  auto action = std::make_unique<TAction>(nullptr);
  auto link = std::make_unique<TRecordingLink>(nullptr);
  auto other = std::make_unique<TRecordingLink>(nullptr);
  link->SetAction(action.get());
  other->SetAction(action.get());
  other.reset();  // leaves the action
  action->SetHint("after");
  EXPECT_EQ("hint after;", link->Log);
  action.reset();
  EXPECT_EQ(nullptr, link->Action());
  EXPECT_FALSE(link->Execute());
  EXPECT_FALSE(link->Update());
}

TEST(Action, ALinkExecutesWithItsClientAsActionComponent) {
  TComponent client(nullptr);
  TAction action(nullptr);
  TComponentSeen seen;
  seen.Action = &action;
  action.SetOnExecute(TNotifyEvent::Bind<&TComponentSeen::Execute>(&seen));
  TRecordingLink link(&client);
  link.SetAction(&action);
  EXPECT_TRUE(link.Execute(&client));
  EXPECT_EQ(&client, seen.Seen);
  EXPECT_EQ(nullptr, action.ActionComponent());
}

TEST(Action, AssignCopiesShownPropertiesAndANamedCaptionFollowsTheName) {
  TLog log;
  TAction source(nullptr), target(nullptr);
  source.SetCaption("Open");
  source.SetHint("Opens");
  source.SetChecked(true);
  source.SetShortCut(0x4F);
  source.SetOnExecute(TNotifyEvent::Bind<&TLog::ActionExecute>(&log));
  target.Assign(&source);
  EXPECT_EQ("Open", target.Caption());
  EXPECT_EQ("Opens", target.Hint());
  EXPECT_TRUE(target.Checked());
  EXPECT_EQ(0x4F, target.ShortCut());
  EXPECT_EQ(source.OnExecute(), target.OnExecute());

  TAction named(nullptr);
  named.SetName("Action1");
  EXPECT_EQ("Action1", named.Caption());
  named.SetName("Action2");
  EXPECT_EQ("Action2", named.Caption());
  named.SetCaption("Own");
  named.SetName("Action3");
  EXPECT_EQ("Own", named.Caption());
}

TEST(ActionList, HoldsItsActionsInOrderAndForgetsFreedOnes) {
  TLog log;
  auto list = std::make_unique<TActionList>(nullptr);
  list->OnChange = TNotifyEvent::Bind<&TLog::Change>(&log);
  auto a = std::make_unique<TAction>(nullptr);
  auto b = std::make_unique<TAction>(nullptr);
  a->SetActionList(list.get());
  b->SetActionList(list.get());
  EXPECT_EQ(2, list->ActionCount());
  EXPECT_EQ(1, b->Index());
  b->SetIndex(0);
  EXPECT_EQ(b.get(), list->Actions(0));
  EXPECT_EQ(list.get(), a->GetParentComponent());
  EXPECT_TRUE(a->HasParent());
  ExpectRaises<EListError>([&] { list->Actions(2); }, L"List index out of bounds (2)");
  b.reset();
  EXPECT_EQ(1, list->ActionCount());
  EXPECT_EQ(a.get(), list->Actions(0));
  EXPECT_EQ("change;change;change;", log.Calls);
  list.reset();
  EXPECT_EQ(nullptr, a->ActionList());
  EXPECT_EQ(-1, a->Index());
}

TEST(ActionList, SuspendedEnabledEnablesEveryAction) {
  TActionList list(nullptr);
  TAction action(nullptr);
  action.SetActionList(&list);
  action.SetEnabled(false);
  list.SetState(asSuspendedEnabled);
  EXPECT_TRUE(action.Enabled());
}

TEST(ActionList, ReadsAndWritesItsActionsAsChildren) {
  Initialization_ActnList();
  Initialization_StdActns();
  TStringStream input(
      "object List: TActionList\n"
      "  object OpenAction: TAction\n"
      "    Caption = 'Open'\n"
      "    Enabled = False\n"
      "    ShortCut = 16463\n"
      "  end\n"
      "  object HintAction1: THintAction\n"
      "    Hint = 'Tip'\n"
      "  end\n"
      "end\n");
  TMemoryStream binary;
  ObjectTextToBinary(&input, &binary);
  binary.SetPosition(0);
  std::unique_ptr<TComponent> root(binary.ReadComponent(nullptr));
  auto* list = dynamic_cast<TActionList*>(root.get());
  ASSERT_NE(nullptr, list);
  ASSERT_EQ(2, list->ActionCount());
  auto* open = dynamic_cast<TAction*>(list->Actions(0));
  ASSERT_NE(nullptr, open);
  EXPECT_EQ("OpenAction", open->Name());
  EXPECT_EQ("Open", open->Caption());
  EXPECT_FALSE(open->Enabled());
  EXPECT_EQ(16463, open->ShortCut());
  auto* hint = dynamic_cast<THintAction*>(list->Actions(1));
  ASSERT_NE(nullptr, hint);
  EXPECT_EQ("Tip", hint->Hint());
  EXPECT_EQ("", hint->Caption());  // names read from a form are no captions

  TMemoryStream written;
  written.WriteComponent(list);
  written.SetPosition(0);
  TStringStream text;
  ObjectBinaryToText(&written, &text);
  EXPECT_NE(AnsiString::npos, text.DataString().find("object OpenAction: TAction"));
  EXPECT_NE(AnsiString::npos, text.DataString().find("Hint = 'Tip'"));
}

namespace {
// Handles the components named "target".
class TTargetAction : public TBasicAction {
 public:
  using TBasicAction::TBasicAction;
  std::string Log;
  bool HandlesTarget(TObject* Target) override {
    return static_cast<TComponent*>(Target)->Name() == "target";
  }
  void ExecuteTarget(TObject*) override { Log += "execute;"; }
  void UpdateTarget(TObject*) override { Log += "update;"; }
};
}  // namespace

TEST(Action, ComponentsRunActionsThatHandleThem) {
  TTargetAction action(nullptr);
  TComponent target(nullptr), other(nullptr);
  target.SetName("target");
  EXPECT_TRUE(target.ExecuteAction(&action));
  EXPECT_TRUE(target.UpdateAction(&action));
  EXPECT_FALSE(other.ExecuteAction(&action));
  EXPECT_FALSE(other.UpdateAction(&action));
  EXPECT_EQ("execute;update;", action.Log);
}
