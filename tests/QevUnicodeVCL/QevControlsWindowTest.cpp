#include <vector>

#include "Forms.h"
#include "QevControls.h"
#include "QevMenus.h"
#include "QevTestSupport.h"

namespace {

const WideString Zhe = L"\x0416";                     // not in code page 1252
const WideString Caption = L"\x0416\x0443\x043A \x4E2D";
const AnsiString CaptionAnsi = "??? ?";

// Every WM_CHAR WParam that reached the recording class's procedure.
std::vector<WPARAM> CharsAtClass;

LRESULT CALLBACK RecordingClassProc(HWND Wnd, UINT Msg, WPARAM WParam, LPARAM LParam) {
  if (Msg == WM_CHAR) CharsAtClass.push_back(WParam);
  return DefWindowProcW(Wnd, Msg, WParam, LParam);
}

using FreedList = std::vector<TComponent*>;

// Notes which watched components were freed.
class TFreeWatcher : public TComponent {
 public:
  TFreeWatcher() : TComponent(nullptr) {}
  void Watch(TComponent* Component) { Component->FreeNotification(this); }
  FreedList Freed;

 protected:
  void Notification(TComponent* AComponent, TOperation Operation) override {
    TComponent::Notification(AComponent, Operation);
    if (Operation == opRemove) Freed.push_back(AComponent);
  }
};

// What the watcher had seen freed when a control freed itself in its window
// procedure.
TFreeWatcher* WatcherOfFreeing = nullptr;
FreedList FreedInsideWindowProc;

// A control with a Unicode window, of a system class when SubClass is given;
// a hidden top-level window without parent (a shown one costs the window
// manager's time).
class TUnicodeControl : public TWinControl {
 public:
  explicit TUnicodeControl(const char* SubClass = nullptr, TWinControl* AParent = nullptr)
      : TWinControl(nullptr), SubClass_(SubClass) {
    Visible_ = AParent != nullptr;
    if (AParent) SetParent(AParent);
  }
  std::vector<WPARAM> CharsSeen;     // WM_CHAR WParam the platform's dispatch saw
  std::vector<Byte> KeysPressed;
  AnsiChar Replacement = 0;          // given back by KeyPress when set
  LRESULT NotifyFormatAtCreate = -1;  // the parent's answer during WM_CREATE
  bool FreeOnApp = false;            // frees itself at WM_APP
  LRESULT FontAtCaption = -1;        // the window's font when its caption arrived

 protected:
  void CreateParams(TCreateParams& Params) override {
    TWinControl::CreateParams(Params);
    if (SubClass_) CreateSubClass(Params, SubClass_);
    if (!Parent()) Params.Style &= ~static_cast<DWORD>(WS_CHILD | WS_VISIBLE);
    Params.WinClassName = AnsiString("QevTrapTest") + (SubClass_ ? SubClass_ : "");
  }
  void CreateWindowHandle(const TCreateParams& Params) override {
    CreateUnicodeHandle(this, Params, SubClass_ ? AnsiToWide(SubClass_) : WideString());
  }
  void KeyPress(AnsiChar& Key) override {
    KeysPressed.push_back(static_cast<Byte>(Key));
    if (Replacement) Key = Replacement;
  }
  void Dispatch(TMessage& Message) override {
    if (Message.Msg == WM_CHAR) CharsSeen.push_back(Message.WParam);
    if (Message.Msg == WM_SETTEXT) FontAtCaption = SendMessageW(WindowHandle(), WM_GETFONT, 0, 0);
    if (Message.Msg == WM_CREATE && Parent())
      NotifyFormatAtCreate = SendMessageW(Parent()->WindowHandle(), WM_NOTIFYFORMAT,
                                          reinterpret_cast<WPARAM>(WindowHandle()), NF_QUERY);
    if (Message.Msg == WM_APP && FreeOnApp) {
      delete this;
      FreedInsideWindowProc = WatcherOfFreeing ? WatcherOfFreeing->Freed : FreedList();
      return;
    }
    TWinControl::Dispatch(Message);
  }

 private:
  const char* SubClass_;
};

// Its own window class, which no other test registers.
class TNineXControl : public TUnicodeControl {
 protected:
  void CreateParams(TCreateParams& Params) override {
    TUnicodeControl::CreateParams(Params);
    Params.WinClassName = "QevTrapTestNineX";
  }
};

// A plain 8-bit child that asks its parent the notify format while created.
class TAnsiChild : public TWinControl {
 public:
  explicit TAnsiChild(TWinControl* AParent) : TWinControl(nullptr) { SetParent(AParent); }
  LRESULT NotifyFormatAtCreate = -1;

 protected:
  void Dispatch(TMessage& Message) override {
    if (Message.Msg == WM_CREATE)
      NotifyFormatAtCreate = SendMessageW(Parent()->WindowHandle(), WM_NOTIFYFORMAT,
                                          reinterpret_cast<WPARAM>(WindowHandle()), NF_QUERY);
    TWinControl::Dispatch(Message);
  }
};

// Chained in front of a control's WindowProc: reads the 8-bit text before
// every WM_SETTEXT passes.
class TTextPeekingHook {
 public:
  explicit TTextPeekingHook(TControl* Control) : Control_(Control), Next_(Control->WindowProc) {
    Control->WindowProc = TWndMethod::Bind<&TTextPeekingHook::WndProc>(this);
  }
  ~TTextPeekingHook() { Control_->WindowProc = Next_; }
  std::vector<AnsiString> TextsBeforeSetText;

 private:
  void WndProc(TMessage& Message) {
    if (Message.Msg == WM_SETTEXT) TextsBeforeSetText.push_back(Control_->GetText());
    Next_(Message);
  }
  TControl* Control_;
  TWndMethod Next_;
};

WideString WindowTextW(HWND Wnd) {
  wchar_t buffer[256] = {};
  GetWindowTextW(Wnd, buffer, 256);
  return buffer;
}

// Dispatches the posted messages of one window with the wide functions.
void DispatchPostedW(HWND Wnd) {
  MSG msg;
  while (PeekMessageW(&msg, Wnd, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
}

BOOL CALLBACK FindHintWindow(HWND Wnd, LPARAM Found) {
  if (auto* window = dynamic_cast<TQevCustomHintWindow*>(FindControl(Wnd)))
    *reinterpret_cast<TQevCustomHintWindow**>(Found) = window;
  return TRUE;
}

constexpr TShortCut CtrlS = 0x4000 | 'S';

}  // namespace

// ------------------------------------------------------------ window creation

TEST(QevControlsWindowTest, CaptionHeldBeforeTheWindowAppearsOnItAndSurvivesRecreation) {
  TUnicodeControl control;
  WideSetControlText(&control, Caption);
  HWND first = control.Handle();
  EXPECT_TRUE(IsWindowUnicode(first));
  EXPECT_EQ(Caption, WindowTextW(first));
  EXPECT_EQ(&control, FindControl(first));

  control.RecreateWnd();
  HWND second = control.Handle();
  EXPECT_NE(first, second);
  EXPECT_TRUE(IsWindowUnicode(second));
  EXPECT_EQ(Caption, WindowTextW(second));
  EXPECT_EQ(Caption, WideGetControlText(&control));
  EXPECT_EQ(&control, FindControl(second));
}

// Destroyed by the system, not by the platform, which would keep the text.
TEST(QevControlsWindowTest, WindowDestroyedBehindTheControlsBackLeavesItsCaption) {
  TUnicodeControl control;
  WideSetControlText(&control, Caption);
  DestroyWindow(control.Handle());
  ASSERT_FALSE(control.HandleAllocated());
  EXPECT_EQ(CaptionAnsi, control.GetText());
  EXPECT_EQ(Caption, WideGetControlText(&control));
  EXPECT_EQ(Caption, WindowTextW(control.Handle()));
}

TEST(QevControlsWindowTest, CaptionChangedOnThe8BitSideWithoutWindowWins) {
  TUnicodeControl control;
  WideSetControlText(&control, Caption);
  control.HandleNeeded();
  control.DestroyHandle();
  control.SetText("Plain");  // no window: only the 8-bit side changes
  EXPECT_EQ(L"Plain", WindowTextW(control.Handle()));
}

// A themed button paints a new caption at once and is left valid: the font
// that comes afterwards would never show.
TEST(QevControlsWindowTest, ButtonHasItsFontBeforeItsCaption) {
  TUnicodeControl button("BUTTON");
  WideSetControlText(&button, Caption);
  button.HandleNeeded();
  EXPECT_EQ(reinterpret_cast<LRESULT>(button.Font()->Handle()), button.FontAtCaption);
}

TEST(QevControlsWindowTest, Platform8BitTextMessagesAreConverted) {
  TUnicodeControl control;
  WideSetControlText(&control, L"Ab\x00E9" + Zhe);
  HWND wnd = control.Handle();
  EXPECT_EQ("Ab\xE9?", control.GetText());
  EXPECT_EQ(4, control.GetTextLen());

  control.SetText("Caf\xE9");
  EXPECT_EQ(L"Caf\x00E9", WindowTextW(wnd));
  wchar_t wide[16] = {};
  EXPECT_EQ(4, SendMessageW(wnd, WM_GETTEXT, 16, reinterpret_cast<LPARAM>(wide)));
  EXPECT_EQ(WideString(L"Caf\x00E9"), wide);
}

// A hook in front of the trap reads the 8-bit text while a wide WM_SETTEXT
// from the window is on its way: each must keep its own character width.
TEST(QevControlsWindowTest, Nested8BitTextMessageInsideAWindowMessage) {
  TUnicodeControl control;
  WideSetControlText(&control, L"old");
  HWND wnd = control.Handle();
  TTextPeekingHook hook(&control);
  SetWindowTextW(wnd, Caption.c_str());
  EXPECT_EQ(Caption, WindowTextW(wnd));
  ASSERT_EQ(1u, hook.TextsBeforeSetText.size());
  EXPECT_EQ("old", hook.TextsBeforeSetText[0]);

  // With the hook still in front the new window is trapped once, not twice.
  control.RecreateWnd();
  wnd = control.Handle();
  EXPECT_EQ(Caption, WindowTextW(wnd));
  SetWindowTextW(wnd, Zhe.c_str());
  EXPECT_EQ(Zhe, WindowTextW(wnd));
  EXPECT_EQ("?", control.GetText());
}

TEST(QevControlsWindowTest, NotifyFormatFollowsTheAskingWindowDuringItsCreation) {
  TUnicodeControl parent;
  parent.HandleNeeded();
  auto* wideChild = new TUnicodeControl(nullptr, &parent);
  auto* ansiChild = new TAnsiChild(&parent);
  wideChild->HandleNeeded();
  ansiChild->HandleNeeded();
  EXPECT_EQ(NFR_UNICODE, wideChild->NotifyFormatAtCreate);
  EXPECT_EQ(NFR_ANSI, ansiChild->NotifyFormatAtCreate);
  // A child window without identifier takes its handle as one.
  EXPECT_EQ(reinterpret_cast<LONG_PTR>(wideChild->WindowHandle()),
            GetWindowLongPtrW(wideChild->WindowHandle(), GWLP_ID));
}

TEST(QevControlsWindowTest, No8BitRoadClassAndNoTrap) {
  TRoadSwitch road(false);
  TNineXControl control;
  control.SetText("Caf\xE9");
  HWND wnd = control.Handle();
  EXPECT_FALSE(IsWindowUnicode(wnd));
  EXPECT_EQ(&control, FindControl(wnd));
  EXPECT_EQ(nullptr, FindWinControlTrap(&control));
  EXPECT_EQ("Caf\xE9", control.GetText());
  WNDCLASSW cls{};
  EXPECT_FALSE(GetClassInfoW(GetModuleHandleW(nullptr), L"QevTrapTestNineX.UnicodeClass", &cls));
}

// ---------------------------------------------------------- wide characters

TEST(QevControlsWindowTest, UnicodeEditTypedIntoWithACharacterAbove255) {
  TUnicodeControl edit("EDIT");
  HWND wnd = edit.Handle();
  SendMessageW(wnd, WM_CHAR, 0x0416, 1);
  PostMessageW(wnd, WM_CHAR, 0x4E2D, 1);
  DispatchPostedW(wnd);
  EXPECT_EQ((std::vector<Byte>{255, 255}), edit.KeysPressed);
  EXPECT_EQ(L"\x0416\x4E2D", WindowTextW(wnd));

  edit.Replacement = 'A';  // a key handler's replacement wins
  SendMessageW(wnd, WM_CHAR, 0x0416, 1);
  EXPECT_EQ(L"\x0416\x4E2D" L"A", WindowTextW(wnd));
}

TEST(QevControlsWindowTest, CharacterCodesOnTheirWayThroughTheTrap) {
  WNDCLASSW cls{};
  cls.lpfnWndProc = &RecordingClassProc;
  cls.hInstance = GetModuleHandleW(nullptr);
  cls.lpszClassName = L"QevRecordingClass";
  RegisterClassW(&cls);
  TUnicodeControl control("QevRecordingClass");
  HWND wnd = control.Handle();
  CharsAtClass.clear();

  SendMessageW(wnd, WM_CHAR, 0x0416, 1);
  SendMessageW(wnd, WM_CHAR, 'a', 1);
  SendMessageW(wnd, WM_CHAR, 0x000500FF, 1);  // high word set by somebody else
  EXPECT_EQ((std::vector<WPARAM>{0x041600FF, 'a', 0x000500FF}), control.CharsSeen);
  EXPECT_EQ((std::vector<WPARAM>{0x0416, 'a', 0x000500FF}), CharsAtClass);
}

TEST(QevControlsWindowTest, ImeCharBeforeXpArrivesAsChar) {
  TUnicodeControl edit("EDIT");
  HWND wnd = edit.Handle();
  bool saved = Win51OrLater;
  Win51OrLater = false;
  SendMessageW(wnd, WM_IME_CHAR, 0x0416, 1);
  Win51OrLater = saved;
  EXPECT_EQ(Zhe, WindowTextW(wnd));
  EXPECT_EQ(std::vector<Byte>{255}, edit.KeysPressed);
}

// ----------------------------------------------------------------- the trap

TEST(QevControlsWindowTest, TrapWaitsWhileTheWindowIsGoneAndIsFreedWithItsControl) {
  TFreeWatcher watcher;
  auto* control = new TUnicodeControl;
  control->HandleNeeded();
  TComponent* trap = FindWinControlTrap(control);
  ASSERT_NE(nullptr, trap);
  watcher.Watch(trap);
  control->DestroyHandle();
  EXPECT_EQ(trap, FindWinControlTrap(control));
  control->HandleNeeded();
  EXPECT_EQ(trap, FindWinControlTrap(control));
  delete control;
  EXPECT_EQ(FreedList{trap}, watcher.Freed);
}

TEST(QevControlsWindowTest, ControlFreedInsideItsOwnWindowProcedureFreesItsTrapAfterwards) {
  TFreeWatcher watcher;
  auto* control = new TUnicodeControl;
  control->FreeOnApp = true;
  HWND wnd = control->Handle();
  TComponent* trap = FindWinControlTrap(control);
  watcher.Watch(trap);
  watcher.Watch(control);
  WatcherOfFreeing = &watcher;
  SendMessageW(wnd, WM_APP, 0, 0);
  WatcherOfFreeing = nullptr;
  EXPECT_FALSE(IsWindow(wnd));
  EXPECT_EQ(FreedList{control}, FreedInsideWindowProc);  // the trap was still in use
  EXPECT_EQ((FreedList{control, trap}), watcher.Freed);
}

namespace {

// A window procedure put in front of the platform's while the window is
// made, so the trap calls it; it fails at WM_APP.
WNDPROC PlatformProc = nullptr;

LRESULT CALLBACK FailingAtApp(HWND Wnd, UINT Msg, WPARAM WParam, LPARAM LParam) {
  if (Msg == WM_APP) throw Exception(L"window procedure failed");
  return CallWindowProcW(PlatformProc, Wnd, Msg, WParam, LParam);
}

class TSubclassedAtCreate : public TUnicodeControl {
 protected:
  void Dispatch(TMessage& Message) override {
    if (Message.Msg == WM_CREATE)
      PlatformProc = reinterpret_cast<WNDPROC>(SetWindowLongPtrW(
          WindowHandle(), GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&FailingAtApp)));
    TUnicodeControl::Dispatch(Message);
  }
};

struct TExceptionCatcher {
  int Count = 0;
  void Handle(TObject*) { ++Count; }
};

}  // namespace

TEST(QevControlsWindowTest, ExceptionInTheWindowProcedureStopsAtTheTrapWhichIsFreedLater) {
  TExceptionCatcher catcher;
  TRestore<TExceptionHandler> restore(ApplicationHandleException);
  ApplicationHandleException = TExceptionHandler::Bind<&TExceptionCatcher::Handle>(&catcher);
  TFreeWatcher watcher;
  auto* control = new TSubclassedAtCreate;
  HWND wnd = control->Handle();
  TComponent* trap = FindWinControlTrap(control);
  watcher.Watch(trap);
  bool escaped = false;
  try {
    SendMessageW(wnd, WM_APP, 0, 0);
  } catch (...) {
    escaped = true;
  }
  EXPECT_FALSE(escaped);
  EXPECT_EQ(1, catcher.Count);
  delete control;
  EXPECT_EQ(FreedList{trap}, watcher.Freed);
}

TEST(QevControlsWindowTest, WindowThatIsNotUnicodeGetsNoTrap) {
  TUnicodeControl control;
  TRoadSwitch road(false);
  control.HandleNeeded();
  ExpectRaises<EQevInternalError>(
      [&] { SubClassUnicodeControl(&control, ""); },
      L"Internal Error: SubClassUnicodeControl.Control is not Unicode.");
  EXPECT_EQ(nullptr, FindWinControlTrap(&control));
}

// ---------------------------------------------------------------- wide hints

TEST(QevControlsWindowTest, HintWindowShowsTheWideShortHint) {
  TUnicodeControl control;
  WideSetControlHint(&control, Caption + L"|long " + Zhe);
  control.HandleNeeded();
  THintInfo info;
  info.HintControl = &control;
  info.HintWindowClass = THintWindow::StaticClass();
  info.HintStr = GetShortHint(control.Hint());
  EXPECT_EQ(0, control.Perform(CM_HINTSHOW, 0, reinterpret_cast<LPARAM>(&info)));
  EXPECT_EQ(TQevCustomHintWindow::StaticClass(), info.HintWindowClass);
  EXPECT_EQ(CaptionAnsi, info.HintStr);
  EXPECT_TRUE(IsWideHintData(info.HintData));

  TQevHintWindow window(nullptr);
  TRect rect = window.CalcHintRect(400, info.HintStr, info.HintData);
  EXPECT_GT(rect.right, 6);
  EXPECT_GT(rect.bottom, 2);
  window.ActivateHintData(rect, info.HintStr, info.HintData);
  EXPECT_TRUE(IsWindowUnicode(window.WindowHandle()));
  EXPECT_EQ(Caption, WindowTextW(window.WindowHandle()));
  EXPECT_EQ(Caption, window.Caption());
  window.ReleaseHandle();
}

TEST(QevControlsWindowTest, ApplicationShowsWideHintsThroughTheLayersWindow) {
  TUnicodeControl control;
  WideSetControlHint(&control, Zhe + L"|long");
  control.SetShowHint(true);
  control.HandleNeeded();
  TMessage move{WM_MOUSEMOVE, 0, MAKELPARAM(1, 1), 0};
  Application->HintMouseMessage(&control, move);
  Application->ActivateHint(control.ClientToScreen(TPoint{1, 1}));
  TQevCustomHintWindow* shown = nullptr;
  EnumThreadWindows(GetCurrentThreadId(), &FindHintWindow, reinterpret_cast<LPARAM>(&shown));
  ASSERT_NE(nullptr, shown);
  EXPECT_EQ(Zhe, WindowTextW(shown->WindowHandle()));
  Application->CancelHint();
}

TEST(QevControlsWindowTest, ForeignHintDataIsNotWide) {
  THintInfo info;
  info.HintData = &info;  // looks like the info itself
  info.HintWindowClass = TQevCustomHintWindow::StaticClass();
  EXPECT_FALSE(IsWideHintData(nullptr));
  EXPECT_FALSE(IsWideHintData(&info));
  int foreign = 7;
  EXPECT_FALSE(IsWideHintData(&foreign));

  // An 8-bit hint window class of somebody else is left as it is.
  info.HintWindowClass = TCustomControl::StaticClass();
  info.HintData = &foreign;
  TMessage message{CM_HINTSHOW, 0, reinterpret_cast<LPARAM>(&info), 0};
  PrepareWideHintInfo(message);
  EXPECT_EQ(&foreign, info.HintData);
}

TEST(QevControlsWindowTest, WideHintFromHintInfo) {
  TControl control(nullptr);
  WideSetControlHint(&control, Caption + L"|long");
  THintInfo info;
  info.HintControl = &control;
  EXPECT_EQ(L"", WideHintFromHintInfo(info));
  info.HintStr = CaptionAnsi;
  EXPECT_EQ(Caption, WideHintFromHintInfo(info));
  info.HintStr = "Changed \xE9";  // an application handler's text
  EXPECT_EQ(L"Changed \x00E9", WideHintFromHintInfo(info));

  TAction action(nullptr);
  action.SetShortCut(CtrlS);
  control.SetAction(&action);
  WideSetControlHint(&control, Caption + L"|long");
  info.HintStr = CaptionAnsi + " (" + ShortCutToText(CtrlS) + ")";
  EXPECT_EQ(Caption + L" (" + WideShortCutToText(CtrlS) + L")", WideHintFromHintInfo(info));
  Application->HintShortCuts = false;
  EXPECT_EQ(AnsiToWide(info.HintStr), WideHintFromHintInfo(info));
  Application->HintShortCuts = true;
  control.SetAction(nullptr);
}
