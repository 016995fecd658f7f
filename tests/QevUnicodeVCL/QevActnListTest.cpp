// Wide actions and the links that hand their texts to Unicode controls.
#include <memory>
#include <vector>

#include "Forms.h"
#include "QevActnList.h"
#include "QevStdActns.h"
#include "QevTestSupport.h"

#include <commctrl.h>

namespace {

const WideString Mixed = L"Caption \x0436\x4E2D";  // "Caption ??" in code page 1252
const WideString Chinese = L"\x4E2D\x6587";         // "??"
const WideString OtherChinese = L"\x6587\x4E2D";    // another text, also "??"

// The wide texts that the clients' text changes found; a change fails while
// RefuseTexts is set.
std::vector<WideString> TextsSeen;
bool RefuseTexts = false;

// A Unicode control as the layer makes them: wide texts through the held
// values and the action bridge in its overrides.
template <class Base>
class TWideClient : public Base {
 public:
  TWideClient() : Base(nullptr) {}
  void CheckDefaults() { this->ActionChange(this->Action(), true); }
  void Dispatch(TMessage& Message) override {
    if (Message.Msg == CM_TEXTCHANGED) {
      TextsSeen.push_back(WideGetControlText(this));
      if (RefuseTexts) throw Exception(L"refused");
    }
    Base::Dispatch(Message);
  }

 protected:
  TControlActionLinkClass GetActionLinkClass() override {
    return WideActionLinkClassFor(this, Base::GetActionLinkClass());
  }
  void ActionChange(TObject* Sender, bool CheckDefaults) override {
    WideControlActionChange(this, Sender, CheckDefaults);
    Base::ActionChange(Sender, CheckDefaults);
  }
};

// Root of a form stream: writes the components it owns.
class TActionForm : public TComponent {
  QEV_CLASS(TActionForm, TComponent)
 public:
  using TComponent::TComponent;
  void GetChildren(TGetChildProc Proc, TComponent*) override {
    for (Integer i = 0; i < ComponentCount(); ++i) Proc(Components(i));
  }
};

struct TExecuteLog {
  int Count = 0;
  void Executed(TObject*) { ++Count; }
};

}  // namespace

QEV_DEFINE_CLASS(TActionForm)

namespace {

std::vector<WideString> Three(const WideString& Text) { return {Text, Text, Text}; }

class QevActnListTest : public ::testing::Test {
 protected:
  void SetUp() override {
    TextsSeen.clear();
    RefuseTexts = false;
    for (TControl* client : Clients()) client->SetAction(action.get());
  }
  std::vector<TControl*> Clients() { return {&label, &panel, &checkBox}; }
  std::vector<WideString> Texts(WideString (*Get)(TControl*)) {
    std::vector<WideString> texts;
    for (TControl* client : Clients()) texts.push_back(Get(client));
    return texts;
  }

  std::unique_ptr<TQevAction> action = std::make_unique<TQevAction>(nullptr);
  TWideClient<TGraphicControl> label;
  TWideClient<TWinControl> panel;  // its window is never made
  TWideClient<TCheckBox> checkBox;
};

// ------------------------------------------------------------ wide clients

TEST_F(QevActnListTest, WideTextsReachEveryLinkedClientWholeAndOnce) {
  EXPECT_STREQ("TQevControlActionLink", label.ActionLink()->ClassName());
  EXPECT_STREQ("TQevWinControlActionLink", panel.ActionLink()->ClassName());
  EXPECT_STREQ("TQevButtonActionLink", checkBox.ActionLink()->ClassName());

  action->SetCaption(Mixed);
  action->SetHint(Chinese + L"|" + Mixed);
  EXPECT_EQ(Three(Mixed), Texts(WideGetControlText));
  EXPECT_EQ(Three(Mixed), TextsSeen);  // never the 8-bit form on the way
  EXPECT_EQ(Three(Chinese + L"|" + Mixed), Texts(WideGetControlHint));
  EXPECT_EQ("Caption ??", action->TCustomAction::Caption());
  for (TControl* client : Clients()) {
    EXPECT_TRUE(client->ActionLink()->IsCaptionLinked()) << client->ClassName();
    EXPECT_TRUE(client->ActionLink()->IsHintLinked()) << client->ClassName();
  }

  action->SetCaption(Mixed);  // the same again: no client hears of it
  EXPECT_EQ(3u, TextsSeen.size());

  // A client with a text of its own no longer follows, even with the same 8-bit form.
  WideSetControlText(&label, L"Caption \x4E2D\x0436");
  WideSetControlHint(&label, Mixed);
  EXPECT_FALSE(label.ActionLink()->IsCaptionLinked());
  EXPECT_FALSE(label.ActionLink()->IsHintLinked());
}

TEST_F(QevActnListTest, NewTextWithTheSameEightBitFormStillReachesAllClients) {
  action->SetCaption(Chinese);
  action->SetHint(Chinese);
  action->SetCaption(OtherChinese);
  action->SetHint(OtherChinese);
  EXPECT_EQ(Three(OtherChinese), Texts(WideGetControlText));
  EXPECT_EQ(Three(OtherChinese), Texts(WideGetControlHint));
  for (TControl* client : Clients())
    EXPECT_TRUE(client->ActionLink()->IsCaptionLinked()) << client->ClassName();

  // Literal question marks: the same 8-bit form, and a text that survives it.
  action->SetCaption(L"??");
  EXPECT_EQ(Three(L"??"), Texts(WideGetControlText));
}

TEST_F(QevActnListTest, CheckDefaultsReplacesOnlyNameOrEmptyTexts) {
  action->SetCaption(Mixed);
  action->SetHint(Chinese);
  label.SetName("Label1");
  label.SetText("Label1");
  label.SetHint("");
  WideSetControlText(&panel, L"Own " + OtherChinese);
  WideSetControlHint(&panel, L"Own hint");
  label.CheckDefaults();
  panel.CheckDefaults();
  EXPECT_EQ(Mixed, WideGetControlText(&label));
  EXPECT_EQ(Chinese, WideGetControlHint(&label));
  EXPECT_EQ(L"Own " + OtherChinese, WideGetControlText(&panel));
  EXPECT_EQ(L"Own hint", WideGetControlHint(&panel));
}

TEST_F(QevActnListTest, ButtonFollowsCheckedWithoutClicking) {
  TExecuteLog log;
  action->SetOnExecute(TNotifyEvent::Bind<&TExecuteLog::Executed>(&log));
  action->SetChecked(true);
  EXPECT_TRUE(checkBox.Checked());
  EXPECT_EQ(0, log.Count);
  checkBox.SetChecked(false);  // the user's click runs the action
  EXPECT_EQ(1, log.Count);
  EXPECT_FALSE(dynamic_cast<TButtonActionLink*>(checkBox.ActionLink())->IsCheckedLinked());
}

// Each further kind of client has a wide link of its own kind, which hands the
// texts over whole; the windowed kinds make their common-control windows.
TEST(QevActionLinkKinds, WideTextsReachListViewComboBoxExAndToolButton) {
  TextsSeen.clear();
  RefuseTexts = false;
  TQevAction action(nullptr);
  TForm form(nullptr);
  TWideClient<TCustomListView> listView;
  TWideClient<TCustomComboBoxEx> comboBoxEx;
  TWideClient<TToolButton> toolButton;
  const struct {
    TControl* Client;
    const char* Link;
    UINT Probe;  // answered (non-zero) only by the common control's window; 0: windowless
  } kinds[] = {
      {&listView, "TQevListViewActionLink", LVM_GETBKCOLOR},
      {&comboBoxEx, "TQevComboBoxExActionLink", CBEM_GETCOMBOCONTROL},
      {&toolButton, "TQevToolButtonActionLink", 0},
  };
  for (const auto& kind : kinds) kind.Client->SetAction(&action);
  action.SetCaption(Mixed);
  action.SetHint(Chinese + L"|" + Mixed);
  EXPECT_EQ(Three(Mixed), TextsSeen);  // never the 8-bit form on the way
  for (const auto& kind : kinds) {
    TControl* client = kind.Client;
    EXPECT_STREQ(kind.Link, client->ActionLink()->ClassName());
    EXPECT_EQ(Mixed, WideGetControlText(client)) << kind.Link;
    EXPECT_EQ(Chinese + L"|" + Mixed, WideGetControlHint(client)) << kind.Link;
    EXPECT_TRUE(client->ActionLink()->IsCaptionLinked()) << kind.Link;
    EXPECT_TRUE(client->ActionLink()->IsHintLinked()) << kind.Link;
    client->SetParent(&form);
    if (auto* win = dynamic_cast<TWinControl*>(client); win && kind.Probe) {
      EXPECT_NE(0, SendMessageA(win->Handle(), kind.Probe, 0, 0)) << kind.Link;
      EXPECT_EQ("Caption ??", client->GetText()) << kind.Link;
    }
  }
  for (const auto& kind : kinds) kind.Client->SetParent(nullptr);
  form.BeforeDestruction();
}

// ------------------------------------------------- plain actions, Assign

TEST_F(QevActnListTest, PlainActionWorksThroughItsEightBitTexts) {
  TAction plain(nullptr);
  for (TControl* client : Clients()) client->SetAction(&plain);
  SetActionWideCaption(&plain, Mixed);
  SetActionWideHint(&plain, Chinese);
  EXPECT_EQ(nullptr, FindActionHelper(&plain));
  EXPECT_EQ("Caption ??", plain.Caption());
  EXPECT_EQ(L"??", GetActionWideHint(&plain));
  EXPECT_EQ(Three(L"Caption ??"), Texts(WideGetControlText));
  EXPECT_EQ(Three(L"??"), Texts(WideGetControlHint));
}

TEST_F(QevActnListTest, AssignCopiesEightBitForms) {
  action->SetCaption(Mixed);
  action->SetHint(Chinese);
  TQevAction target(nullptr);
  target.Assign(action.get());
  EXPECT_EQ(L"Caption ??", target.Caption());
  EXPECT_EQ(L"??", target.Hint());

  WideSetControlHint(&label, L"Tip \x0436");
  AssignActionWideTexts(&target, &label);
  EXPECT_EQ("Tip ?", target.TCustomAction::Hint());
}

// -------------------------------------------------------------- failures

TEST_F(QevActnListTest, RefusedChangeKeepsTheOldTextAndEndsTheChange) {
  action->SetCaption(Chinese);
  RefuseTexts = true;
  EXPECT_EQ(L"refused", MessageOf<Exception>([&] { action->SetCaption(L"Plain"); }));
  // The platform kept its text, so the old wide text stays too.
  EXPECT_EQ(Chinese, GetActionWideCaption(action.get()));

  // No change is in progress any more: the platform's own text counts.
  RefuseTexts = false;
  action->TCustomAction::SetCaption("Other");
  EXPECT_EQ(L"Other", GetActionWideCaption(action.get()));
}

TEST_F(QevActnListTest, InternalErrorsAreAssertions) {
  const WideString prefix = L"Assertion failure (lib\\QevUnicodeVCL\\QevActnList, line ";
  auto messageOf = [](auto check) { return MessageOf<EAssertionFailed>(check); };
  EXPECT_EQ(0u, messageOf([] { FindActionHelper(nullptr); }).find(prefix));
  // The wide link must extend the link that the platform gives the control.
  TControlActionLinkClass winLink = &TWinControlActionLink::Make;
  EXPECT_EQ(0u, messageOf([&] { WideActionLinkClassFor(&label, winLink); }).find(prefix));
  EXPECT_EQ(0u, messageOf([&] { WideActionLinkClassFor(&checkBox, winLink); }).find(prefix));
  EXPECT_EQ(&TQevWinControlActionLink::Make, WideActionLinkClassFor(&panel, winLink));
}

// ----------------------------------------------------------- form streams

TEST_F(QevActnListTest, WideActionSurvivesTheFormStream) {
  RegisterClass(TActionForm::StaticClass());
  TActionForm form(nullptr);
  form.SetName("Form1");
  auto* written = new TQevAction(&form);
  written->SetName("Action1");
  written->SetCaption(Mixed);
  written->SetHint(L"Plain hint");
  TMemoryStream stream;
  stream.WriteComponent(&form);
  AnsiString bytes(static_cast<const char*>(stream.Memory()), static_cast<size_t>(stream.Size()));
  EXPECT_NE(AnsiString::npos, bytes.find("Caption_UTF7"));
  EXPECT_EQ(AnsiString::npos, bytes.find("Hint_UTF7"));  // plain 7-bit text
  EXPECT_EQ(AnsiString::npos, bytes.find("TCustomActionHelper"));

  TActionForm copy(nullptr);
  stream.SetPosition(0);
  stream.ReadComponent(&copy);
  auto* read = dynamic_cast<TQevAction*>(copy.FindComponent("Action1"));
  ASSERT_NE(nullptr, read);
  EXPECT_EQ(Mixed, read->Caption());
  EXPECT_EQ(L"Plain hint", read->Hint());
}

}  // namespace

// The hint action carries the wide application hint; copies take 8-bit forms.
TEST(QevHintAction, IsWideAndCopiesEightBitForms) {
  TQevHintAction hint(nullptr);
  EXPECT_TRUE(IsWideAction(&hint));
  hint.SetHint(Chinese);
  EXPECT_EQ(Chinese, hint.Hint());
  EXPECT_EQ("??", hint.THintAction::Hint());
  TQevHintAction copy(nullptr);
  copy.Assign(&hint);
  EXPECT_EQ(L"??", copy.Hint());
}
