#include <gtest/gtest.h>

#include <memory>

#include "ControlsTestClasses.h"

namespace {

// A parent form for the controls under test; freed with them.
class ControlsTest : public testing::Test {
 protected:
  void SetUp() override {
    Form = new TForm(nullptr);
    // Without a frame: Wine waits for a window manager when hiding framed windows.
    Form->SetBorderStyle(bsNone);
    Form->SetBounds(10, 10, 400, 300);
  }
  void TearDown() override { delete Form; }
  template <class T>
  T* NewControl(const char* name = "") {
    auto* control = new T(Form);
    control->SetName(name);
    control->SetParent(Form);
    control->SetBounds(5, 5, 100, 24);
    return control;
  }
  TForm* Form = nullptr;
};

AnsiString ClassOf(HWND wnd) {
  char name[128] = {};
  GetClassNameA(wnd, name, sizeof name);
  return name;
}

// Records the messages that pass before handing them on.
struct TSpy {
  TWndMethod Saved;
  std::vector<UINT> Seen;
  void Hook(TMessage& Message) {
    if (Message.Msg >= WM_APP) Seen.push_back(Message.Msg);
    Saved(Message);
  }
};

TEST_F(ControlsTest, WindowIsCreatedOnFirstHandleAndFindsItsControl) {
  auto* control = NewControl<TTestWindow>("Box");
  EXPECT_FALSE(control->HandleAllocated());
  EXPECT_FALSE(Form->HandleAllocated());
  HWND wnd = control->Handle();
  ASSERT_TRUE(IsWindow(wnd));
  EXPECT_TRUE(Form->HandleAllocated());  // parents first
  EXPECT_EQ(GetParent(wnd), Form->WindowHandle());
  EXPECT_EQ(FindControl(wnd), control);
  EXPECT_EQ(GetPropA(wnd, MAKEINTATOM(WindowAtom())), control);
  EXPECT_EQ(ClassOf(wnd), "TTestWindow");
  EXPECT_EQ(FindControl(GetDesktopWindow()), nullptr);

  control->DestroyHandle();
  EXPECT_FALSE(IsWindow(wnd));
  EXPECT_FALSE(control->HandleAllocated());
}

TEST_F(ControlsTest, CreateParamsReachTheWindow) {
  auto* control = NewControl<TTestWindow>();
  control->ExtraStyle = WS_BORDER;
  control->ExtraExStyle = WS_EX_CLIENTEDGE;
  control->ClassNameOverride = "QevParamsProbe";
  control->SetCaption("Probe");
  HWND wnd = control->Handle();
  LONG_PTR style = GetWindowLongPtrA(wnd, GWL_STYLE);
  EXPECT_TRUE(style & WS_BORDER);
  EXPECT_TRUE(style & WS_CHILD);
  EXPECT_TRUE(style & WS_VISIBLE);
  EXPECT_TRUE(GetWindowLongPtrA(wnd, GWL_EXSTYLE) & WS_EX_CLIENTEDGE);
  EXPECT_EQ(ClassOf(wnd), "QevParamsProbe");
  EXPECT_EQ(GetWindowTextOf(wnd), "Probe");
  RECT rect{};
  GetWindowRect(wnd, &rect);
  EXPECT_EQ(rect.right - rect.left, 100);
  EXPECT_EQ(rect.bottom - rect.top, 24);
}

TEST_F(ControlsTest, TextRoundTripsWithAndWithoutWindow) {
  auto* control = NewControl<TTestWindow>();
  control->SetText("Before");
  EXPECT_EQ(control->GetText(), "Before");
  HWND wnd = control->Handle();
  EXPECT_EQ(GetWindowTextOf(wnd), "Before");
  control->SetText("After the window");
  EXPECT_EQ(GetWindowTextOf(wnd), "After the window");
  EXPECT_EQ(control->GetText(), "After the window");
  control->DestroyHandle();
  EXPECT_EQ(control->GetText(), "After the window");  // kept across the window's end
  EXPECT_EQ(GetWindowTextOf(control->Handle()), "After the window");
  control->SetText("");
  EXPECT_EQ(control->GetText(), "");
}

TEST_F(ControlsTest, TextIsWhatWmGetTextCopiedNeverTrailingNuls) {
  auto* longer = NewControl<TMisreportingWindow>();  // announces three times its length
  longer->SetText("Twelve chars");
  longer->HandleNeeded();
  AnsiString text = longer->GetText();
  EXPECT_EQ(text, "Twelve chars");
  EXPECT_EQ(text.size(), 12u);

  auto* shorter = NewControl<TMisreportingWindow>();  // announces two fewer
  shorter->Factor = 0;
  shorter->SetText("Longer than asked");
  shorter->HandleNeeded();
  EXPECT_EQ(shorter->GetText(), "Longer than ask");
  EXPECT_EQ(shorter->GetText().find('\0'), AnsiString::npos);

  auto* boasting = NewControl<TMisreportingWindow>();  // claims to have copied more
  boasting->Factor = 1;
  boasting->OvercountCopy = true;
  boasting->SetText("abc");
  EXPECT_EQ(boasting->GetText(), "abc");
  char buffer[2] = {'x', 'x'};
  EXPECT_EQ(boasting->GetTextBuf(buffer, 2), 1);
  EXPECT_EQ(buffer[1], '\0');
}

TEST_F(ControlsTest, WindowlessControlKeepsItsOwnText) {
  auto* label = NewControl<TGraphicControl>();
  label->SetCaption("Label text");
  EXPECT_EQ(label->GetTextLen(), 10);
  EXPECT_EQ(label->Caption(), "Label text");
  char small[5];
  EXPECT_EQ(label->GetTextBuf(small, 5), 4);
  EXPECT_STREQ(small, "Labe");
}

TEST_F(ControlsTest, WindowProcSwapsAndRestoresAsComparableMethod) {
  auto* control = NewControl<TTestWindow>();
  control->HandleNeeded();
  EXPECT_EQ(control->WindowProc, TWndMethod::Bind<&TControl::WndProc>(control));
  TSpy spy;
  spy.Saved = control->WindowProc;
  control->WindowProc = TWndMethod::Bind<&TSpy::Hook>(&spy);
  EXPECT_NE(control->WindowProc, spy.Saved);
  SendMessageA(control->Handle(), WM_TEST_HANDLED, 0, 0);  // through the window procedure
  control->Perform(WM_TEST_HANDLED, 0, 0);
  EXPECT_EQ(spy.Seen, (std::vector<UINT>{WM_TEST_HANDLED, WM_TEST_HANDLED}));
  EXPECT_EQ(control->Handled.size(), 2u);  // the chain went on behind the spy

  control->WindowProc = spy.Saved;
  EXPECT_EQ(control->WindowProc, TWndMethod::Bind<&TControl::WndProc>(control));
  control->Perform(WM_TEST_HANDLED, 0, 0);
  EXPECT_EQ(spy.Seen.size(), 2u);
  EXPECT_EQ(control->Handled.size(), 3u);
}

TEST_F(ControlsTest, MessageTravelsWndProcDispatchHandlerDefaultHandler) {
  auto* control = NewControl<TTestWindow>();
  EXPECT_EQ(SendMessageA(control->Handle(), WM_TEST_HANDLED, 0, 0), 0);
  EXPECT_EQ(control->Handled, std::vector<UINT>{WM_TEST_HANDLED});
  EXPECT_EQ(control->Defaulted, std::vector<UINT>{WM_TEST_HANDLED});  // inherited reached it
  control->Perform(WM_APP + 9, 0, 0);  // no handler: straight to DefaultHandler
  EXPECT_EQ(control->Handled.size(), 1u);
  EXPECT_EQ(control->Defaulted, (std::vector<UINT>{WM_TEST_HANDLED, WM_APP + 9}));
}

struct TExceptionLog {
  std::vector<std::pair<TObject*, WideString>> Seen;
  void Record(TObject* Sender, Exception* E) { Seen.emplace_back(Sender, E->Message); }
};

TEST_F(ControlsTest, ExceptionInHandlerGoesToApplicationNotAcrossWindowProcedure) {
  auto* control = NewControl<TTestWindow>();
  TExceptionLog log;
  Application->OnException = TExceptionEvent::Bind<&TExceptionLog::Record>(&log);
  EXPECT_NO_THROW(SendMessageA(control->Handle(), WM_TEST_THROW, 0, 0));
  EXPECT_NO_THROW(SendMessageA(control->Handle(), WM_TEST_ABORT, 0, 0));  // silent
  PostMessageA(control->Handle(), WM_TEST_THROW, 0, 0);
  EXPECT_NO_THROW(Application->ProcessMessages());
  Application->OnException = nullptr;
  ASSERT_EQ(log.Seen.size(), 2u);
  EXPECT_EQ(log.Seen[0].first, control);
  EXPECT_EQ(log.Seen[0].second, L"Bad value");
  // Without a window procedure in between, Perform lets it through to the caller.
  EXPECT_THROW(control->Perform(WM_TEST_THROW, 0, 0), EConvertError);
}

TEST_F(ControlsTest, VisibleAndEnabledFollowToTheWindow) {
  auto* control = NewControl<TTestWindow>();
  HWND wnd = control->Handle();
  control->SetEnabled(false);
  EXPECT_FALSE(IsWindowEnabled(wnd));
  control->SetVisible(false);
  EXPECT_FALSE(GetWindowLongPtrA(wnd, GWL_STYLE) & WS_VISIBLE);
  control->SetVisible(true);
  EXPECT_TRUE(GetWindowLongPtrA(wnd, GWL_STYLE) & WS_VISIBLE);

  auto* hidden = NewControl<TTestWindow>();
  hidden->SetVisible(false);
  hidden->SetEnabled(false);
  HWND created = hidden->Handle();
  EXPECT_FALSE(GetWindowLongPtrA(created, GWL_STYLE) & WS_VISIBLE);
  EXPECT_FALSE(IsWindowEnabled(created));
}

TEST_F(ControlsTest, RecreateWndKeepsTextAndBindsTheNewWindow) {
  auto* control = NewControl<TTestWindow>();
  control->SetText("Kept");
  HWND old = control->Handle();
  control->ExtraStyle = WS_BORDER;
  control->RecreateWnd();
  HWND fresh = control->WindowHandle();
  ASSERT_TRUE(IsWindow(fresh));
  EXPECT_FALSE(IsWindow(old));
  EXPECT_EQ(FindControl(fresh), control);
  EXPECT_TRUE(GetWindowLongPtrA(fresh, GWL_STYLE) & WS_BORDER);
  EXPECT_EQ(control->GetText(), "Kept");
}

TEST_F(ControlsTest, ChildWithoutParentWindowCannotBeCreated) {
  std::unique_ptr<TTestWindow> orphan(new TTestWindow(nullptr));
  orphan->SetName("Orphan");
  try {
    orphan->HandleNeeded();
    FAIL() << "no exception";
  } catch (const EInvalidOperation& e) {
    EXPECT_EQ(e.Message, L"Control 'Orphan' has no parent window");
  }
}

TEST_F(ControlsTest, TabOrderAndFindNextControl) {
  auto* a = NewControl<TTestWindow>("A");
  auto* b = NewControl<TTestWindow>("B");
  auto* c = NewControl<TTestWindow>("C");
  for (TTestWindow* w : {a, b, c}) w->SetTabStop(true);
  Form->SetVisible(true);  // only controls on a showing form take the focus
  c->SetTabOrder(0);
  EXPECT_EQ(c->TabOrder(), 0);
  EXPECT_EQ(a->TabOrder(), 1);
  EXPECT_EQ(Form->FindNextControl(c, true, true, false), a);
  EXPECT_EQ(Form->FindNextControl(b, true, true, false), c);  // wraps
  EXPECT_EQ(Form->FindNextControl(c, false, true, false), b);
  a->SetEnabled(false);
  EXPECT_EQ(Form->FindNextControl(c, true, true, false), b);  // cannot take the focus
  b->SetTabStop(false);
  EXPECT_EQ(Form->FindNextControl(c, true, true, false), nullptr);
}

struct TFocusLog {
  std::vector<AnsiString> Seen;
  void Enter(TObject* Sender) { Seen.push_back("enter " + NameOf(Sender)); }
  void Exit(TObject* Sender) { Seen.push_back("exit " + NameOf(Sender)); }
  static AnsiString NameOf(TObject* Sender) { return static_cast<TComponent*>(Sender)->Name(); }
};

TEST_F(ControlsTest, TabKeyMovesTheFocusThroughTheMessageLoop) {
  TFocusLog log;
  auto* a = NewControl<TTestWindow>("A");
  auto* b = NewControl<TTestWindow>("B");
  for (TTestWindow* w : {a, b}) {
    w->SetTabStop(true);
    w->OnEnter = TNotifyEvent::Bind<&TFocusLog::Enter>(&log);
    w->OnExit = TNotifyEvent::Bind<&TFocusLog::Exit>(&log);
  }
  Form->Show();
  SetForegroundWindow(Form->Handle());
  a->SetFocus();
  ASSERT_EQ(GetFocus(), a->Handle());
  EXPECT_EQ(Form->ActiveControl(), a);
  PostMessageA(a->Handle(), WM_KEYDOWN, VK_TAB, 0);
  Application->ProcessMessages();
  EXPECT_EQ(GetFocus(), b->Handle());
  EXPECT_EQ(Form->ActiveControl(), b);
  EXPECT_EQ(log.Seen, (std::vector<AnsiString>{"enter A", "exit A", "enter B"}));
}

TEST_F(ControlsTest, AlignedChildrenFillTheClientArea) {
  Form->SetClientSize(200, 100);
  auto* top = NewControl<TTestWindow>();
  top->SetHeight(20);
  top->SetAlign(alTop);
  auto* rest = NewControl<TTestWindow>();
  rest->SetAlign(alClient);
  EXPECT_EQ(top->BoundsRect().right, Form->ClientWidth());
  EXPECT_EQ(rest->Top(), 20);
  EXPECT_EQ(rest->Height(), Form->ClientHeight() - 20);
  Form->HandleNeeded();
  EXPECT_EQ(rest->Height(), Form->ClientHeight() - 20);
}

TEST_F(ControlsTest, NotificationsReflectToTheChildWindow) {
  struct TCommandWindow : TTestWindow {
    using TTestWindow::TTestWindow;
    void Dispatch(TMessage& M) override {
      if (M.Msg == CN_COMMAND) M.Result = 42;
      else TTestWindow::Dispatch(M);
    }
  };
  auto* child = NewControl<TCommandWindow>();
  HWND wnd = child->Handle();
  EXPECT_EQ(SendMessageA(Form->Handle(), WM_COMMAND, MAKEWPARAM(1, BN_CLICKED),
                         reinterpret_cast<LPARAM>(wnd)), 42);
}

TEST_F(ControlsTest, HintShowsShortPartAfterCmHintShow) {
  EXPECT_EQ(GetShortHint("Short|Long|More"), "Short");
  EXPECT_EQ(GetLongHint("Short|Long|More"), "Long|More");
  EXPECT_EQ(GetShortHint("Whole"), "Whole");
  EXPECT_EQ(GetLongHint("Whole"), "Whole");

  auto* control = NewControl<TTestWindow>();
  control->SetHint("Press|Presses the thing");
  control->SetShowHint(true);
  Form->Show();
  control->Perform(WM_MOUSEMOVE, 0, MAKELPARAM(3, 3));
  Application->ActivateHint(control->ClientToScreen(TPoint{3, 3}));
  EXPECT_EQ(control->LastHint.HintControl, control);
  EXPECT_EQ(control->LastHint.HintStr, "Press");
  EXPECT_EQ(control->LastHint.HintWindowClass, HintWindowClass);
  HWND hint = FindWindowA("THintWindow", nullptr);
  ASSERT_TRUE(hint);
  EXPECT_TRUE(IsWindowVisible(hint));
  EXPECT_EQ(GetWindowTextOf(hint), "Press!");  // the control's change to the hint info counts
  Application->CancelHint();
  EXPECT_FALSE(IsWindow(hint) && IsWindowVisible(hint));
}

struct TActionLog {
  int Executed = 0;
  int Clicked = 0;
  void Execute(TObject*) { ++Executed; }
  void Click(TObject*) { ++Clicked; }
};

TEST_F(ControlsTest, ActionLinkCarriesCaptionEnablingAndClick) {
  auto* control = NewControl<TTestWindow>();
  TActionLog log;
  auto* action = new TAction(Form);
  action->SetCaption("Run");
  action->SetHint("Runs it");
  action->SetOnExecute(TNotifyEvent::Bind<&TActionLog::Execute>(&log));
  control->SetAction(action);
  EXPECT_EQ(control->Caption(), "Run");
  EXPECT_EQ(control->Hint(), "Runs it");
  EXPECT_TRUE(control->ActionLink()->IsCaptionLinked());
  control->Click();
  EXPECT_EQ(log.Executed, 1);

  action->SetCaption("Go");
  action->SetEnabled(false);
  EXPECT_EQ(control->Caption(), "Go");
  EXPECT_FALSE(control->Enabled());
  control->SetCaption("Own");  // no longer the action's: a form file stores it
  EXPECT_FALSE(control->ActionLink()->IsCaptionLinked());

  control->OnClick = TNotifyEvent::Bind<&TActionLog::Click>(&log);  // its own wins
  control->Click();
  EXPECT_EQ(log.Clicked, 1);
  EXPECT_EQ(log.Executed, 1);
  delete action;
  EXPECT_EQ(control->Action(), nullptr);
}

}  // namespace
