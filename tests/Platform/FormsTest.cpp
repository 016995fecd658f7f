#include <gtest/gtest.h>

#include <memory>

#include "ControlsTestClasses.h"

namespace {

class FormsTest : public testing::Test {
 protected:
  static void SetUpTestSuite() {
    RegisterClasses({TTestWindow::StaticClass(), TTestForm1::StaticClass()});
  }
  void SetUp() override { TTestWindow::Log.clear(); }
};

TEST_F(FormsTest, FormIsReadFromItsResourceLoadedBeforeOnCreate) {
  std::unique_ptr<TTestForm1> form(NewForm<TTestForm1>(nullptr));
  ASSERT_EQ(TTestWindow::Log.size(), 4u);
  EXPECT_EQ(TTestWindow::Log.back(), "Create TestForm1");  // after every Loaded
  EXPECT_EQ(form->Name(), "TestForm1");
  EXPECT_EQ(form->Caption(), "First form");
  EXPECT_EQ(form->BorderStyle(), bsDialog);
  EXPECT_TRUE(form->KeyPreview());
  EXPECT_FALSE(form->Visible());
  EXPECT_FALSE(form->HandleAllocated());  // windows come when asked for
  ASSERT_NE(form->Panel1, nullptr);
  EXPECT_EQ(form->Panel1->Parent(), form.get());
  auto* inner = dynamic_cast<TTestWindow*>(form->FindComponent("Inner"));
  ASSERT_NE(inner, nullptr);
  EXPECT_EQ(inner->Parent(), form->Panel1);
  EXPECT_EQ(inner->Owner(), form.get());
  auto* panel2 = dynamic_cast<TTestWindow*>(form->FindComponent("Panel2"));
  EXPECT_EQ(panel2->Hint(), "Short|Long");
  EXPECT_EQ(panel2->TabOrder(), 1);

  HWND wnd = form->Handle();
  EXPECT_EQ(GetWindowTextOf(wnd), "First form");
  RECT client{};
  GetClientRect(wnd, &client);
  EXPECT_EQ(client.right, 300);  // ClientWidth holds with the dialog frame
  EXPECT_EQ(client.bottom, 200);
  EXPECT_EQ(panel2->Top(), 160);  // aligned to the bottom of the client area
  EXPECT_EQ(GetWindowTextOf(inner->Handle()), "Inner");
  EXPECT_EQ(GetParent(inner->Handle()), form->Panel1->Handle());
  EXPECT_TRUE(GetWindowLongPtrA(wnd, GWL_EXSTYLE) & WS_EX_DLGMODALFRAME);
}

TEST_F(FormsTest, FormClassWithoutResourceRaisesResNotFound) {
  try {
    delete NewForm<TNoResourceForm>(nullptr);
    FAIL() << "no exception";
  } catch (const EResNotFound& e) {
    EXPECT_EQ(e.Message, L"Resource TNoResourceForm not found");
  }
  std::unique_ptr<TForm> plain(NewForm<TForm>(nullptr));  // the root class needs none
  EXPECT_EQ(plain->ControlCount(), 0);
}

TEST_F(FormsTest, ShowModalReturnsModalResultSetByPostedMessage) {
  // Frameless: Wine waits for a window manager when hiding framed windows.
  std::unique_ptr<TForm> other(new TForm(nullptr));
  other->SetBorderStyle(bsNone);
  other->Show();
  std::unique_ptr<TModalForm> form(new TModalForm(nullptr));
  form->SetBorderStyle(bsNone);
  form->Other = other->Handle();
  PostMessageA(form->Handle(), WM_TEST_MODAL, mrOk, 0);
  EXPECT_EQ(form->ShowModal(), mrOk);
  EXPECT_FALSE(form->OtherEnabledDuringModal);
  EXPECT_TRUE(IsWindowEnabled(other->Handle()));
  EXPECT_FALSE(form->Visible());
  EXPECT_FALSE(IsWindowVisible(form->Handle()));
  EXPECT_FALSE(form->FormState().Contains(fsModal));

  PostMessageA(form->Handle(), WM_CLOSE, 0, 0);  // closing a modal form cancels it
  EXPECT_EQ(form->ShowModal(), mrCancel);

  form->Show();
  EXPECT_THROW(form->ShowModal(), EInvalidOperation);
}

struct TCloseLog {
  bool Refuse = false;
  int Queries = 0;
  TCloseAction Action = caHide;
  void Query(TObject*, bool& CanClose) {
    ++Queries;
    CanClose = !Refuse;
  }
  void Close(TObject*, TCloseAction& A) { A = Action; }
};

TEST_F(FormsTest, CloseAsksAndHidesOrReleases) {
  auto* form = new TForm(nullptr);
  form->SetBorderStyle(bsNone);
  TCloseLog log;
  form->OnCloseQuery = TCloseQueryEvent::Bind<&TCloseLog::Query>(&log);
  form->OnClose = TCloseEvent::Bind<&TCloseLog::Close>(&log);
  form->Show();
  log.Refuse = true;
  form->Close();
  EXPECT_TRUE(form->Visible());
  log.Refuse = false;
  form->Close();
  EXPECT_FALSE(form->Visible());
  EXPECT_EQ(Screen->FormCount(), 1);

  log.Action = caFree;
  form->Show();
  form->Close();  // freed once the queued messages are served
  EXPECT_EQ(Screen->FormCount(), 1);
  Application->ProcessMessages();
  EXPECT_EQ(Screen->FormCount(), 0);
}

struct TMessageLog {
  std::vector<UINT> Seen;
  UINT Swallow = 0;
  void OnMessage(MSG& Msg, bool& Handled) {
    if (Msg.message < WM_APP) return;
    Seen.push_back(Msg.message);
    Handled = Msg.message == Swallow;
  }
};

TEST_F(FormsTest, ProcessMessagesServesWhatIsQueuedThroughOnMessage) {
  std::unique_ptr<TForm> form(new TForm(nullptr));
  auto* control = new TTestWindow(form.get());
  control->SetParent(form.get());
  HWND wnd = control->Handle();
  TMessageLog log;
  log.Swallow = WM_APP + 7;
  Application->OnMessage = TMessageEvent::Bind<&TMessageLog::OnMessage>(&log);
  PostMessageA(wnd, WM_TEST_HANDLED, 0, 0);
  PostMessageA(wnd, WM_APP + 7, 0, 0);
  PostMessageA(wnd, WM_TEST_HANDLED, 0, 0);
  Application->ProcessMessages();
  Application->OnMessage = nullptr;
  EXPECT_EQ(log.Seen, (std::vector<UINT>{WM_TEST_HANDLED, WM_APP + 7, WM_TEST_HANDLED}));
  EXPECT_EQ(control->Handled.size(), 2u);
  EXPECT_EQ(control->Defaulted.size(), 2u);  // the swallowed one never arrived
  MSG left;
  EXPECT_FALSE(PeekMessageA(&left, nullptr, WM_APP, 0xBFFF, PM_NOREMOVE));
}

TEST_F(FormsTest, KeyPreviewFormSeesItsControlsKeysFirst) {
  struct TKeyLog {
    std::vector<AnsiString> Seen;
    void FormKey(TObject*, Word& Key, TShiftState) {
      Seen.push_back("form");
      if (Key == 'X') Key = 0;
    }
    void ControlKey(TObject*, Word&, TShiftState) { Seen.push_back("control"); }
  } log;
  std::unique_ptr<TForm> form(new TForm(nullptr));
  auto* control = new TTestWindow(form.get());
  control->SetParent(form.get());
  form->OnKeyDown = TKeyEvent::Bind<&TKeyLog::FormKey>(&log);
  control->OnKeyDown = TKeyEvent::Bind<&TKeyLog::ControlKey>(&log);
  SendMessageA(control->Handle(), WM_KEYDOWN, 'A', 0);
  EXPECT_EQ(log.Seen, std::vector<AnsiString>{"control"});
  form->SetKeyPreview(true);
  SendMessageA(control->Handle(), WM_KEYDOWN, 'A', 0);
  SendMessageA(control->Handle(), WM_KEYDOWN, 'X', 0);  // the form takes it
  EXPECT_EQ(log.Seen, (std::vector<AnsiString>{"control", "form", "control", "form"}));
}

TEST_F(FormsTest, CreateFormMakesTheMainFormAndSetsTheReference) {
  TTestForm1* form = nullptr;
  Application->CreateForm(form);
  ASSERT_NE(form, nullptr);
  EXPECT_EQ(Application->MainForm(), form);
  EXPECT_EQ(form->Owner(), Application);
  EXPECT_EQ(TTestWindow::Log.back(), "Create TestForm1");
  EXPECT_TRUE(GetWindowLongPtrA(form->Handle(), GWLP_HWNDPARENT) ==
              reinterpret_cast<LONG_PTR>(Application->Handle()));
  delete form;
  EXPECT_EQ(Application->MainForm(), nullptr);
}

struct TQuitter {
  TApplication* App;
  int Seen = 0;
  void OnMessage(MSG& Msg, bool& Handled) {
    if (Msg.message != WM_APP + 5) return;
    ++Seen;
    Handled = true;
    App->Terminate();
  }
};

TEST_F(FormsTest, TerminateEndsRun) {
  TApplication app(nullptr);  // a run of its own: Terminated stays set
  TQuitter quitter{&app};
  app.OnMessage = TMessageEvent::Bind<&TQuitter::OnMessage>(&quitter);
  PostMessageA(nullptr, WM_APP + 5, 0, 0);
  app.Run();
  EXPECT_TRUE(app.Terminated());
  EXPECT_EQ(quitter.Seen, 1);
  EXPECT_FALSE(Application->Terminated());
}

TEST_F(FormsTest, PositionPlacesTheFormWhenFirstShown) {
  std::unique_ptr<TForm> form(new TForm(nullptr));
  form->SetBorderStyle(bsNone);
  form->SetBounds(0, 0, 200, 100);
  form->SetPosition(poScreenCenter);
  form->Show();
  EXPECT_EQ(form->Left(), (Screen->Width() - 200) / 2);
  EXPECT_EQ(form->Top(), (Screen->Height() - 100) / 2);
  RECT rect{};
  GetWindowRect(form->Handle(), &rect);
  EXPECT_EQ(rect.left, form->Left());
  EXPECT_EQ(Screen->Forms(Screen->FormCount() - 1), form.get());
}

TEST_F(FormsTest, TitleAndExeName) {
  AnsiString exe = Application->ExeName();
  EXPECT_NE(exe.find("PlatformControlTests"), AnsiString::npos);
  EXPECT_EQ(Application->Title(), "PlatformControlTests");
  Application->SetTitle("Test title");
  EXPECT_EQ(GetWindowTextOf(Application->Handle()), "Test title");
  EXPECT_EQ(Application->Title(), "Test title");
}

}  // namespace
