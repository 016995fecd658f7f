#include <memory>
#include <vector>

#include "Menus.h"
#include "QevForms.h"
#include "QevMenus.h"
#include "QevStdActns.h"
#include "QevStdCtrls.h"
#include "QevSystem.h"
#include "QevTestSupport.h"
#include "StdActns.h"

// Read from its form resource.
class TQevFormsTestForm : public TQevForm {
  QEV_CLASS(TQevFormsTestForm, TQevForm)
 public:
  using TQevForm::TQevForm;
};
QEV_DEFINE_CLASS(TQevFormsTestForm)

// A form class whose resource is missing.
class TNoResourceForm : public TQevForm {
  QEV_CLASS(TNoResourceForm, TQevForm)
 public:
  using TQevForm::TQevForm;
};
QEV_DEFINE_CLASS(TNoResourceForm)

namespace {

WideString WindowTextW(HWND Wnd) {
  WideChar text[256] = {};
  GetWindowTextW(Wnd, text, 256);
  return text;
}

// A window control of the system class SubClass ("" for none), Unicode or
// 8-bit; a hidden top-level window unless it has a parent.
class TTestWindow : public TWinControl {
 public:
  TTestWindow(bool Wide, const char* SubClass, TWinControl* AParent = nullptr)
      : TWinControl(nullptr), Wide_(Wide), SubClass_(SubClass) {
    Visible_ = AParent != nullptr;
    SetBounds(0, 0, 200, 30);  // an edit takes no more text than it can show
    if (AParent) SetParent(AParent);
  }

 protected:
  void CreateParams(TCreateParams& Params) override {
    TWinControl::CreateParams(Params);
    if (*SubClass_) CreateSubClass(Params, SubClass_);
    if (!Parent()) Params.Style &= ~static_cast<DWORD>(WS_CHILD | WS_VISIBLE);
    Params.WinClassName = AnsiString("QevFormsTest") + (Wide_ ? "Wide" : "Ansi") + SubClass_;
  }
  void CreateWindowHandle(const TCreateParams& Params) override {
    if (Wide_) CreateUnicodeHandle(this, Params, AnsiToWide(SubClass_));
    else TWinControl::CreateWindowHandle(Params);
  }

 private:
  bool Wide_;
  const char* SubClass_;
};

// The application's message event for the life of the object: notes the
// WM_CHAR codes it sees and swallows them on request.
class TMessageWatch {
 public:
  TMessageWatch() : Saved_(Application->OnMessage) {
    Application->OnMessage = TMessageEvent::Bind<&TMessageWatch::OnMessage>(this);
  }
  ~TMessageWatch() { Application->OnMessage = Saved_; }
  std::vector<WPARAM> Chars;
  bool Swallow = false;

 private:
  void OnMessage(MSG& Msg, bool& Handled) {
    if (Msg.message != WM_CHAR) return;
    Chars.push_back(Msg.wParam);
    Handled = Swallow;
  }
  TMessageEvent Saved_;
};

// Posts a character the way the keyboard does and runs the platform's loop.
void Type(TWinControl& Control, WPARAM Char) {
  PostMessageW(Control.Handle(), WM_CHAR, Char, 1);
  Application->ProcessMessages();
}

}  // namespace

// ---------------------------------------------------------- the message hook

TEST(QevFormsTest, WideCharacterReachesAUnicodeWindowOnceAndTheMessageEventFirst) {
  TTestWindow edit(true, "EDIT");
  TMessageWatch watch;
  Type(edit, 0x4E2D);
  EXPECT_EQ(L"\x4E2D", WindowTextW(edit.Handle()));
  EXPECT_EQ(std::vector<WPARAM>{0x4E2D}, watch.Chars);  // seen wide, once

  watch.Swallow = true;
  Type(edit, 0x0416);
  EXPECT_EQ(L"\x4E2D", WindowTextW(edit.Handle()));
  EXPECT_EQ((std::vector<WPARAM>{0x4E2D, 0x0416}), watch.Chars);
}

// The layer's own edit on a form: the key handling sees #255 once, the edit
// the real character once.
struct TKeyPresses {
  std::vector<AnsiChar> Keys;
  void KeyPress(TObject*, AnsiChar& Key) { Keys.push_back(Key); }
};

TEST(QevFormsTest, WideCharacterReachesAQevEditOnce) {
  TForm form(nullptr);
  auto* edit = new TQevEdit(&form);
  edit->SetParent(&form);
  TKeyPresses presses;
  edit->OnKeyPress = TKeyPressEvent::Bind<&TKeyPresses::KeyPress>(&presses);
  form.HandleNeeded();
  Type(*edit, 0x4E2D);
  EXPECT_EQ(L"\x4E2D", edit->Text());
  EXPECT_EQ(std::vector<AnsiChar>{'\xFF'}, presses.Keys);
}

TEST(QevFormsTest, HookLeavesSmallCharactersAndAnsiWindowsToTheMessageLoop) {
  TTestWindow edit(true, "EDIT"), ansiEdit(false, "EDIT");
  TMessageWatch watch;
  Type(edit, 0xE9);
  EXPECT_EQ(L"\xE9", WindowTextW(edit.Handle()));
  // The loop's 8-bit retrieval converts what the hook let pass.
  Type(ansiEdit, 0x4E2D);
  EXPECT_EQ(L"?", WindowTextW(ansiEdit.Handle()));
  EXPECT_EQ((std::vector<WPARAM>{0xE9, '?'}), watch.Chars);
}

// An 8-bit dialog takes its messages from the platform's loop alone.
TEST(QevFormsTest, DialogProcessesAWideCharacterOnce) {
  for (bool wide : {true, false}) {
    TTestWindow dialog(wide, "");
    TTestWindow edit(true, "EDIT", &dialog);
    Application->DialogHandle = dialog.Handle();
    Type(edit, 0x4E2D);
    Application->DialogHandle = nullptr;
    EXPECT_EQ(wide ? L"\x4E2D" : L"?", WindowTextW(edit.Handle()));
  }
}

// -------------------------------------------------------------------- title

TEST(QevFormsTest, WideTitleRoundTripsThroughTheApplicationWindow) {
  const WideString saved = QevApplication->GetTitle();
  QevApplication->SetTitle(L"\x0416\x0443\x043A \x4E2D");
  EXPECT_EQ(L"\x0416\x0443\x043A \x4E2D", QevApplication->GetTitle());  // no trailing NUL
  WideChar text[16] = {};  // the window's own text, not its 8-bit procedure's answer
  InternalGetWindowText(Application->Handle(), text, 16);
  EXPECT_EQ(L"\x0416\x0443\x043A \x4E2D", WideString(text));
  EXPECT_EQ("??? ?", Application->Title());
  QevApplication->SetTitle(L"");
  EXPECT_EQ(L"", QevApplication->GetTitle());
  QevApplication->SetTitle(saved);
}

TEST(QevFormsTest, HeldTitleWithoutWideWindowIsGivenToTheWindowAtCreation) {
  const WideString saved = QevApplication->GetTitle();
  {
    TRoadSwitch ansi(false);
    QevApplication->SetTitle(L"\x0416 A");
    EXPECT_EQ("? A", Application->Title());
    EXPECT_EQ(L"\x0416 A", QevApplication->GetTitle());
    Application->SetTitle("Other");  // changed behind the layer's back
    EXPECT_EQ(L"Other", QevApplication->GetTitle());
    QevApplication->SetTitle(L"\x0416 B");
  }
  EXPECT_EQ(L"? B", QevApplication->GetTitle());  // the window's own text
  CREATESTRUCTA create{};
  SendMessageA(Application->Handle(), WM_CREATE, 0, reinterpret_cast<LPARAM>(&create));
  EXPECT_EQ(L"\x0416 B", QevApplication->GetTitle());
  {
    TRoadSwitch ansi(false);
    EXPECT_EQ(L"? B", QevApplication->GetTitle());  // nothing held any more
  }
  QevApplication->SetTitle(saved);
}

// --------------------------------------------------------------------- hint

namespace {

// Displays of the application hint: notes the hint actions that reach the
// application window and takes the wide ones.
class THintDisplay {
 public:
  THintDisplay() { Application->HookMainWindow(Hook()); }
  ~THintDisplay() { Application->UnhookMainWindow(Hook()); }
  std::vector<WideString> WideHints;

 private:
  TWindowHook Hook() { return TWindowHook::Bind<&THintDisplay::WindowHook>(this); }
  bool WindowHook(TMessage& Message) {
    if (Message.Msg != CM_ACTIONEXECUTE) return false;
    auto* wide = dynamic_cast<TQevHintAction*>(reinterpret_cast<TBasicAction*>(Message.LParam));
    if (!wide) return false;
    WideHints.push_back(wide->Hint());
    Message.Result = 1;
    return true;
  }
};

}  // namespace

TEST(QevFormsTest, WideApplicationHintReachesHintDisplaysWide) {
  {
    THintDisplay display;
    QevApplication->SetHint(L"\x0416x");
    EXPECT_EQ("?x", Application->Hint());
    EXPECT_EQ(L"\x0416x", QevApplication->GetHint());
    // The same 8-bit form: the platform's hint goes empty first.
    QevApplication->SetHint(L"\x0436x");
    EXPECT_EQ((std::vector<WideString>{L"\x0416x", L"", L"\x0436x"}), display.WideHints);

    Application->SetHint("plain");
    EXPECT_EQ(L"plain", QevApplication->GetHint());
    EXPECT_EQ(L"plain", display.WideHints.back());

    THintAction foreign(nullptr);  // not the application's hint
    foreign.SetHint("other");
    foreign.Execute();
    EXPECT_EQ(4u, display.WideHints.size());
  }
  QevApplication->SetHint(L"");
}

// The message's number is the same in every program built on the platform:
// another program may post or send it with anything in its lParam.
TEST(QevFormsTest, ActionMessagesNotSentByTheProgramsOwnActionsAreIgnored) {
  THintDisplay display;
  QevApplication->SetHint(L"\x0416x");
  THintAction matching(nullptr);  // would show the application's hint
  matching.SetHint(Application->Hint());
  static const Byte Zeros[64] = {};
  const LPARAM hostile[] = {reinterpret_cast<LPARAM>(&matching), reinterpret_cast<LPARAM>(Zeros),
                            0x10};
  HWND app = Application->Handle();
  const size_t shown = display.WideHints.size();
  for (LPARAM lParam : hostile) {
    for (UINT msg : {CM_ACTIONEXECUTE, CM_ACTIONUPDATE}) {
      EXPECT_EQ(0, SendMessageA(app, msg, 0, lParam)) << lParam;
      PostMessageA(app, msg, 0, lParam);
    }
    MSG posted;
    while (PeekMessageA(&posted, app, 0, 0, PM_REMOVE)) DispatchMessageA(&posted);
  }
  EXPECT_EQ(shown, display.WideHints.size());
  matching.Execute();  // the program's own
  EXPECT_EQ(shown + 1, display.WideHints.size());
  QevApplication->SetHint(L"");
}

TEST(QevFormsTest, MenuSelectionSetsTheApplicationHintFromTheItemsWideLongHint) {
  std::unique_ptr<TQevForm> form(NewForm<TQevForm>(nullptr));
  auto* menu = new TMainMenu(form.get());
  auto* file = new TQevMenuItem(menu);
  file->SetCaption(L"File");
  file->SetHint(L"|\x4E2D file menu");
  menu->Items()->Add(file);
  auto* open = new TQevMenuItem(menu);
  open->SetCaption(L"Open");
  open->SetHint(L"Open|\x0416 opens");
  file->Add(open);
  form->SetMenu(menu);
  HMENU bar = menu->Handle();

  form->Perform(WM_MENUSELECT, MAKEWPARAM(open->Command(), MF_HILITE),
                reinterpret_cast<LPARAM>(GetSubMenu(bar, 0)));
  EXPECT_EQ(L"\x0416 opens", QevApplication->GetHint());
  form->Perform(WM_MENUSELECT, MAKEWPARAM(0, MF_POPUP | MF_HILITE), reinterpret_cast<LPARAM>(bar));
  EXPECT_EQ(L"\x4E2D file menu", QevApplication->GetHint());
  form->Perform(WM_MENUSELECT, MAKEWPARAM(0xFFFE, MF_HILITE), reinterpret_cast<LPARAM>(bar));
  EXPECT_EQ(L"", QevApplication->GetHint());  // not the menu's

  QevApplication->SetHint(L"x");
  form->Perform(WM_MENUSELECT, MAKEWPARAM(0, 0xFFFF), 0);  // menu closed
  EXPECT_EQ(L"", QevApplication->GetHint());
}

TEST(QevFormsTest, PlainMainFormGetsTheWideHintRefreshedAtIdleTime) {
  ASSERT_EQ(nullptr, Application->MainForm());
  TForm* mainForm = nullptr;
  Application->CreateForm(mainForm);
  PostMessageW(Application->Handle(), WM_NULL, 0, 0);  // the first message past the hook
  Application->ProcessMessages();
  ASSERT_EQ(1, mainForm->ControlCount());
  EXPECT_EQ(TQevAppIdleEventControl::StaticClass(), mainForm->Controls(0)->ClassType());

  QevApplication->SetHint(L"\x0416 stale");
  mainForm->UpdateActions();
  EXPECT_EQ(L"", QevApplication->GetHint());  // nothing under the mouse has a hint
  delete mainForm;  // takes the control along
  EXPECT_EQ(nullptr, Application->MainForm());
}

// -------------------------------------------------------------------- forms

TEST(QevFormsTest, FormsReadTheirResourcesBelowTheRootClass) {
  RegisterClass(TQevFormsTestForm::StaticClass());
  std::unique_ptr<TQevFormsTestForm> form(NewForm<TQevFormsTestForm>(nullptr));
  EXPECT_EQ(L"Loaded form", form->Caption());
  EXPECT_EQ(L"Form hint", form->Hint());
  EXPECT_EQ(200, form->ClientWidth());

  std::unique_ptr<TQevForm> plain(NewForm<TQevForm>(nullptr));  // the root has none
  ExpectRaises<EResNotFound>([] { delete NewForm<TNoResourceForm>(nullptr); },
                             L"Resource TNoResourceForm not found");
}

TEST(QevFormsTest, WideCaptionShowsOnTheFormsUnicodeWindow) {
  std::unique_ptr<TQevForm> form(NewForm<TQevForm>(nullptr));
  form->SetCaption(L"\x0416\x4E2D form");
  HWND wnd = form->Handle();
  EXPECT_TRUE(IsWindowUnicode(wnd));
  EXPECT_EQ(L"\x0416\x4E2D form", WindowTextW(wnd));
  form->SetCaption(L"\x4E2D");
  EXPECT_EQ(L"\x4E2D", WindowTextW(wnd));
  EXPECT_EQ(L"\x4E2D", form->Caption());
}

TEST(QevFormsTest, MdiChildFindsNoMdiFrame) {
  std::unique_ptr<TQevForm> form(NewForm<TQevForm>(nullptr));
  form->SetFormStyle(fsMDIChild);
  ExpectRaises<EInvalidOperation>([&] { form->Handle(); },
                                  L"Cannot create form. No MDI forms are currently active");
  form->SetFormStyle(fsNormal);
  EXPECT_NE(nullptr, form->Handle());
}

// ------------------------------------------------------ start-up environment

namespace {

constexpr const WideChar* Section = L"FontSubstitutes";
constexpr const WideChar* ShellDlg = L"MS Shell Dlg";
constexpr const WideChar* ShellDlg2 = L"MS Shell Dlg 2";

WideString ReadSubstitute(const WideChar* Key) {
  WideChar value[256] = {};
  GetProfileStringW(Section, Key, L"", value, 256);
  return value;
}

// Empty deletes the entry.
void WriteSubstitute(const WideChar* Key, const WideString& Value) {
  WriteProfileStringW(Section, Key, Value.empty() ? nullptr : Value.c_str());
}

// Puts the prefix's substitutes back; counts the win.ini change broadcasts
// meanwhile (their section text arrives mangled under Wine).
class TSubstitutesScope {
 public:
  TSubstitutesScope() : Dlg_(ReadSubstitute(ShellDlg)), Dlg2_(ReadSubstitute(ShellDlg2)) {
    WNDCLASSA cls{};
    cls.lpfnWndProc = &ListenerProc;
    cls.hInstance = GetModuleHandleA(nullptr);
    cls.lpszClassName = "QevFormsTestIniListener";
    RegisterClassA(&cls);
    Listener_ = CreateWindowExA(0, cls.lpszClassName, "", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr,
                                cls.hInstance, nullptr);
    Broadcasts() = 0;
  }
  ~TSubstitutesScope() {
    DestroyWindow(Listener_);
    WriteSubstitute(ShellDlg, Dlg_);
    WriteSubstitute(ShellDlg2, Dlg2_);
  }
  static Integer& Broadcasts() {
    static Integer count = 0;
    return count;
  }

 private:
  static LRESULT CALLBACK ListenerProc(HWND Wnd, UINT Msg, WPARAM WParam, LPARAM LParam) {
    if (Msg == WM_WININICHANGE) ++Broadcasts();
    return DefWindowProcA(Wnd, Msg, WParam, LParam);
  }
  WideString Dlg_, Dlg2_;
  HWND Listener_;
};

WideString ExpectedShellDlg2(const WideString& ShellDlgValue) {
  return Screen->Fonts()->IndexOf("Tahoma") >= 0 ? WideString(L"Tahoma") : ShellDlgValue;
}

}  // namespace

TEST(QevFormsTest, FontSubstitutesAreWrittenOnlyWhenMissing) {
  TSubstitutesScope scope;
  WriteSubstitute(ShellDlg, L"Arial");
  WriteSubstitute(ShellDlg2, L"Verdana");
  EXPECT_EQ(L"Verdana", EnsureFontSubstitutes());
  EXPECT_EQ(0, TSubstitutesScope::Broadcasts());

  WriteSubstitute(ShellDlg2, L"");
  EXPECT_EQ(ExpectedShellDlg2(L"Arial"), EnsureFontSubstitutes());
  EXPECT_EQ(L"Arial", ReadSubstitute(ShellDlg));
  EXPECT_EQ(ExpectedShellDlg2(L"Arial"), ReadSubstitute(ShellDlg2));
  EXPECT_EQ(1, TSubstitutesScope::Broadcasts());

  WriteSubstitute(ShellDlg, L"");
  WriteSubstitute(ShellDlg2, L"");
  EXPECT_EQ(ExpectedShellDlg2(L"MS Sans Serif"), EnsureFontSubstitutes());
  EXPECT_EQ(L"MS Sans Serif", ReadSubstitute(ShellDlg));
  EXPECT_EQ(3, TSubstitutesScope::Broadcasts());
}

TEST(QevFormsTest, StartUpEnvironmentSetsTheDialogFontAndTheWideHintWindow) {
  TSubstitutesScope scope;
  const AnsiString savedFace = DefFontData.Name;
  const TClass* savedHintWindow = HintWindowClass;
  WriteSubstitute(ShellDlg, L"Arial");
  // The profile read gives at most 32 characters, the font record keeps 31.
  WriteSubstitute(ShellDlg2, L"Abcdefghijklmnopqrstuvwxyz 0123456789");
  InitUnicodeEnvironment();
  EXPECT_EQ("Abcdefghijklmnopqrstuvwxyz 0123", DefFontData.Name);
  EXPECT_EQ(TQevHintWindow::StaticClass(), HintWindowClass);
  EXPECT_EQ(static_cast<Integer>(CP_ACP), ConversionCodePage);
  RemoveAllRtlPatches();
  DefFontData.Name = savedFace;
  HintWindowClass = savedHintWindow;
}
