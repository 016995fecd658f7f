// The screen-saver component on a form read from its description: command
// line, single instance, the modes' set-up, input that ends the saver, the
// preview window, and what it undoes when freed.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "CustomMMScrsv.h"
#include "ExtCtrls.h"
#include "QevSystem.h"
#include "TestSupport.h"

// A form carrying the component the way the saver's main form does.
class TSaverTestForm : public TForm {
  QEV_CLASS(TSaverTestForm, TForm)
 public:
  using TForm::TForm;
  void SaverSetupDlg(TObject* Sender) { Events.push_back(Named("Setup", Sender)); }
  void SaverStart(TObject* Sender) { Events.push_back(Named("Start", Sender)); }
  void SaverEnd(TObject* Sender) { Events.push_back(Named("End", Sender)); }
  TCustomMMScreenSaver* Saver() const {
    return static_cast<TCustomMMScreenSaver*>(FindComponent("MMScreenSaver1"));
  }
  TControl* Panel() const { return static_cast<TControl*>(FindComponent("Panel1")); }
  std::vector<std::string> Events;  // with "?" when the sender is not Application

 protected:
  void CreateParams(TCreateParams& Params) override {
    TForm::CreateParams(Params);
    if (TCustomMMScreenSaver* saver = Saver()) saver->AdjustCreateParams(Params);
  }

 private:
  static std::string Named(const char* Name, TObject* Sender) {
    return Sender == Application ? Name : std::string(Name) + "?";
  }
};
QEV_DEFINE_CLASS(TSaverTestForm, QEV_METHOD(SaverSetupDlg), QEV_METHOD(SaverStart),
                 QEV_METHOD(SaverEnd))

namespace {

// The cursor's display count, unchanged.
int CursorCount() {
  const int count = ShowCursor(TRUE);
  ShowCursor(FALSE);
  return count - 1;
}

bool SystemSaverRunning() {
  BOOL running = FALSE;
  SystemParametersInfoA(SPI_GETSCREENSAVERRUNNING, 0, &running, 0);
  return running != FALSE;
}

// Takes the WM_QUIT that TerminateSaver posts, before a message loop sees it.
bool TakeQuit() {
  MSG msg;
  return PeekMessageA(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE) != FALSE;
}

TSaverCommand CommandOf(const std::wstring& Line) {
  const WideChar* line = Line.c_str();
  return ReadSaverCommand(WideParamStrOf(line, 1), WideParamStrOf(line, 2),
                          WideParamCountOf(line));
}

std::wstring HandleText(HWND Wnd) {
  return std::to_wstring(static_cast<LONG>(reinterpret_cast<LONG_PTR>(Wnd)));
}

class CustomMMScrsvTest : public testing::Test {
 protected:
  void SetUp() override {
    Initialization_CustomMMScrsv();  // a test program's command line: configure
    SaverMutexTimeout = 0;
  }
  void TearDown() override {
    Form_.reset();
    if (Host_) DestroyWindow(Host_);
    Finalization_CustomMMScrsv();
    ScreenSaverMode = smConfigure;
    SaverParentWindow = nullptr;
    SaverTerminated = false;
    SaverMutexTimeout = 10000;
    Application->ShowMainForm = true;
    Application->OnMessage = nullptr;
    TakeQuit();
  }

  TSaverTestForm* MakeForm(TSaverMode Mode, HWND Parent = nullptr) {
    ScreenSaverMode = Mode;
    SaverParentWindow = Parent;
    Form_.reset(NewForm<TSaverTestForm>(nullptr));
    return Form_.get();
  }
  // A stand-in for the settings' little monitor: a 152 x 112 client area, hidden
  // so that no test waits for a window to appear.
  HWND MakeHost() {
    Host_ = CreateWindowExA(0, "STATIC", "", WS_POPUP, 10, 10, 152, 112, nullptr,
                            nullptr, GetModuleHandleA(nullptr), nullptr);
    return Host_;
  }
  // Hands Application->OnMessage a message for the form; whether it took it.
  bool Feed(UINT Message, WPARAM WParam, LPARAM LParam) {
    MSG msg{Form_->Handle(), Message, WParam, LParam, 0, {}};
    bool handled = false;
    if (Application->OnMessage) Application->OnMessage(msg, handled);
    if (handled) {
      EXPECT_EQ(0u, msg.message | msg.wParam | msg.lParam);
    }
    return handled;
  }
  bool Ended() const {
    return std::count(Form_->Events.begin(), Form_->Events.end(), "End") == 1;
  }

  std::unique_ptr<TSaverTestForm> Form_;
  HWND Host_ = nullptr;
};

constexpr LPARAM AltDown = 0x20000000;

// ------------------------------------------------------------- command line

TEST_F(CustomMMScrsvTest, CommandLineGivesModeAndParentWindow) {
  const HWND wnd = Application->Handle();
  const std::wstring handle = HandleText(wnd);
  struct TCase {
    std::wstring Line;
    TSaverMode Mode;
    HWND Parent;
    bool Usable;
  } cases[] = {
      {L"s.scr /s", smRun, nullptr, true},          {L"s.scr /S", smRun, nullptr, true},
      {L"s.scr /Saver 99", smRun, nullptr, true},   {L"s.scr /w", smTest, nullptr, true},
      {L"s.scr /c", smConfigure, nullptr, true},    {L"s.scr /c:5678", smConfigure, nullptr, true},
      {L"s.scr", smConfigure, nullptr, true},       {L"s.scr -S", smConfigure, nullptr, true},
      {L"s.scr /x", smConfigure, nullptr, true},    {L"s.scr /", smConfigure, nullptr, true},
      {L"s.scr junk", smConfigure, nullptr, true},
      {L"s.scr /p " + handle, smPreview, wnd, true},
      {L"s.scr /P " + handle + L" more", smPreview, wnd, true},
      {L"s.scr /a " + handle, smChangePassword, wnd, true},
      // No usable window: the saver must end.
      {L"s.scr /p", smPreview, nullptr, false},     {L"s.scr /p:1234", smPreview, nullptr, false},
      {L"s.scr /p abc", smPreview, nullptr, false}, {L"s.scr /p 0", smPreview, nullptr, false},
      {L"s.scr /p 1234", smPreview, reinterpret_cast<HWND>(LONG_PTR{1234}), false},
      {L"s.scr /a", smChangePassword, nullptr, false},
  };
  for (const TCase& c : cases) {
    const TSaverCommand command = CommandOf(c.Line);
    EXPECT_EQ(c.Mode, command.Mode) << WideToAnsi(c.Line);
    EXPECT_EQ(c.Parent, command.ParentWindow) << WideToAnsi(c.Line);
    EXPECT_EQ(c.Usable, command.Usable) << WideToAnsi(c.Line);
  }
}

// --------------------------------------------------------- single instance

// Holds the saver's mutex on another thread, as a running saver would.
class TOtherSaver {
 public:
  TOtherSaver() : Thread_([this] {
    HANDLE mutex = CreateMutexA(nullptr, FALSE, SaverMutexName().c_str());
    WaitForSingleObject(mutex, INFINITE);
    SetEvent(Held_);
    WaitForSingleObject(Release_, INFINITE);
    ReleaseMutex(mutex);
    CloseHandle(mutex);
  }) {
    WaitForSingleObject(Held_, INFINITE);
  }
  ~TOtherSaver() {
    SetEvent(Release_);
    Thread_.join();
    CloseHandle(Held_);
    CloseHandle(Release_);
  }

 private:
  HANDLE Held_ = CreateEventA(nullptr, TRUE, FALSE, nullptr);
  HANDLE Release_ = CreateEventA(nullptr, TRUE, FALSE, nullptr);
  std::thread Thread_;
};

TEST_F(CustomMMScrsvTest, SecondSaverEndsWithoutShowingAnything) {
  const int cursor = CursorCount();
  {
    TOtherSaver other;
    ScreenSaverMode = smRun;
    PrepareSaverMode();
    EXPECT_TRUE(SaverTerminated);
    EXPECT_EQ(nullptr, SaverMutex);
  }
  EXPECT_TRUE(TakeQuit());
  EXPECT_FALSE(Application->ShowMainForm);
  TSaverTestForm* form = MakeForm(smRun);
  EXPECT_TRUE(form->Events.empty());
  EXPECT_EQ(bsSizeable, form->BorderStyle());
  EXPECT_NE(Screen->Width(), form->Width());
  EXPECT_EQ(cursor, CursorCount());
  EXPECT_FALSE(SystemSaverRunning());
  EXPECT_FALSE(Application->OnMessage);
  EXPECT_FALSE(IsWindowVisible(form->Handle()));
}

TEST_F(CustomMMScrsvTest, FirstSaverHoldsTheMutexUntilItsUnitEnds) {
  EXPECT_EQ("ZURuvedScreenSaverSaverTests", SaverMutexName());
  ScreenSaverMode = smTest;
  PrepareSaverMode();
  EXPECT_FALSE(SaverTerminated);
  ASSERT_NE(nullptr, SaverMutex);
  bool othersWait = false;
  std::thread([&] {
    HANDLE mutex = CreateMutexA(nullptr, FALSE, SaverMutexName().c_str());
    othersWait = WaitForSingleObject(mutex, 0) == WAIT_TIMEOUT;
    CloseHandle(mutex);
  }).join();
  EXPECT_TRUE(othersWait);
  Finalization_CustomMMScrsv();
  EXPECT_EQ(nullptr, SaverMutex);
  PrepareSaverMode();  // free again
  EXPECT_FALSE(SaverTerminated);
}

// ------------------------------------------------------------------- modes

TEST_F(CustomMMScrsvTest, RunCoversTheScreenHidesTheCursorAndUndoesItWhenFreed) {
  const int cursor = CursorCount();
  TSaverTestForm* form = MakeForm(smRun);
  EXPECT_EQ(std::vector<std::string>{"Start"}, form->Events);
  EXPECT_EQ(clBlack, form->Color());
  EXPECT_EQ(bsNone, form->BorderStyle());
  EXPECT_EQ(fsStayOnTop, form->FormStyle());
  EXPECT_EQ("", form->Caption());
  EXPECT_LT(CursorCount(), 0);
  // Wine reads back the flag the saver sets; Windows may report only savers it started.
  EXPECT_TRUE(SystemSaverRunning());
  EXPECT_TRUE(Application->OnMessage);

  form->Show();
  RECT rect{};
  GetWindowRect(form->Handle(), &rect);
  EXPECT_EQ(0, rect.left);
  EXPECT_EQ(0, rect.top);
  EXPECT_EQ(Screen->Width(), rect.right);
  EXPECT_EQ(Screen->Height(), rect.bottom);
  EXPECT_TRUE(GetWindowLongPtrA(form->Handle(), GWL_EXSTYLE) & WS_EX_TOPMOST);
  EXPECT_TRUE(IsWindowVisible(form->Handle()));

  Form_.reset();
  EXPECT_EQ(cursor, CursorCount());
  EXPECT_FALSE(SystemSaverRunning());
  EXPECT_FALSE(Application->OnMessage);  // no call into a freed component
}

TEST_F(CustomMMScrsvTest, ConfigureRunsTheSettingsAndEnds) {
  const int cursor = CursorCount();
  TSaverTestForm* form = MakeForm(smConfigure);
  EXPECT_EQ(std::vector<std::string>{"Setup"}, form->Events);
  EXPECT_FALSE(form->Enabled());
  EXPECT_TRUE(SaverTerminated);
  EXPECT_TRUE(TakeQuit());
  EXPECT_EQ(cursor, CursorCount());
  EXPECT_FALSE(SystemSaverRunning());
}

// -------------------------------------------------------------------- input

TEST_F(CustomMMScrsvTest, RunEndsOnAMoveBeyondAPixel) {
  MakeForm(smRun);
  EXPECT_FALSE(Feed(WM_MOUSEMOVE, 0, MAKELPARAM(100, 100)));  // records only
  EXPECT_FALSE(Feed(WM_MOUSEMOVE, 0, MAKELPARAM(101, 101)));
  EXPECT_FALSE(Feed(WM_MOUSEMOVE, 0, MAKELPARAM(99, 99)));
  EXPECT_FALSE(Ended());
  EXPECT_TRUE(Feed(WM_MOUSEMOVE, 0, MAKELPARAM(102, 100)));
  EXPECT_TRUE(Ended());
  EXPECT_FALSE(Form_->Visible());  // closed
  Feed(WM_KEYDOWN, 'A', 0);
  EXPECT_TRUE(Ended());  // once only
}

TEST_F(CustomMMScrsvTest, MouseStartPointMayBeTheOriginOrLeftOfIt) {
  MakeForm(smRun);
  Feed(WM_MOUSEMOVE, 0, MAKELPARAM(-1, 5));  // a monitor left of the main one
  EXPECT_FALSE(Feed(WM_MOUSEMOVE, 0, MAKELPARAM(0, 5)));
  EXPECT_FALSE(Ended());

  MakeForm(smRun);
  Feed(WM_MOUSEMOVE, 0, MAKELPARAM(0, 0));
  EXPECT_TRUE(Feed(WM_MOUSEMOVE, 0, MAKELPARAM(5, 5)));
}

TEST_F(CustomMMScrsvTest, RunEndsOnAnyKeyOrClick) {
  for (UINT message : {WM_KEYDOWN, WM_SYSKEYDOWN, WM_LBUTTONDOWN, WM_RBUTTONDOWN,
                       WM_MBUTTONDOWN}) {
    MakeForm(smRun);
    EXPECT_TRUE(Feed(message, 'Q', 0)) << message;
    EXPECT_TRUE(Ended()) << message;
  }
  MakeForm(smRun);
  EXPECT_FALSE(Feed(WM_KEYUP, 'Q', 0));
  EXPECT_FALSE(Feed(WM_CHAR, 'Q', 0));
  // Posted input reaches it through the message loop.
  PostMessageA(Form_->Handle(), WM_KEYDOWN, VK_SPACE, 0);
  Application->ProcessMessages();
  EXPECT_TRUE(Ended());
}

TEST_F(CustomMMScrsvTest, TestModeEndsOnlyOnTheClosingKeys) {
  struct TCase {
    UINT Message;
    WPARAM Key;
    LPARAM Data;
    bool Ends;
  } cases[] = {
      {WM_KEYDOWN, 'Q', 0, false},           {WM_KEYDOWN, VK_ESCAPE, 0, true},
      {WM_SYSKEYDOWN, 'X', AltDown, true},   {WM_SYSKEYDOWN, VK_F4, AltDown, true},
      {WM_KEYDOWN, 'X', 0, false},           {WM_KEYDOWN, VK_F4, 0, false},
      {WM_SYSKEYDOWN, VK_ESCAPE, AltDown, false},
      {WM_LBUTTONDOWN, MK_LBUTTON, 0, false}, {WM_RBUTTONDOWN, VK_ESCAPE, 0, false},
  };
  for (const TCase& c : cases) {
    MakeForm(smTest);
    EXPECT_EQ(c.Ends, Feed(c.Message, c.Key, c.Data)) << c.Message << " " << c.Key;
    EXPECT_EQ(c.Ends, Ended()) << c.Message << " " << c.Key;
  }
  MakeForm(smTest);
  Feed(WM_MOUSEMOVE, 0, MAKELPARAM(10, 10));
  EXPECT_FALSE(Feed(WM_MOUSEMOVE, 0, MAKELPARAM(300, 300)));
  EXPECT_FALSE(Ended());
}

// ------------------------------------------------------------------ preview

TEST_F(CustomMMScrsvTest, PreviewFillsItsHostAndEndsWhenTheHostGoes) {
  const HWND host = MakeHost();
  const int cursor = CursorCount();
  TSaverTestForm* form = MakeForm(smPreview, host);
  const Integer designedWidth = form->Width();
  EXPECT_EQ(std::vector<std::string>{"Start"}, form->Events);
  EXPECT_EQ(host, GetParent(form->Handle()));
  EXPECT_TRUE(GetWindowLongPtrA(form->Handle(), GWL_STYLE) & WS_CHILD);
  EXPECT_EQ(bsNone, form->BorderStyle());
  EXPECT_EQ(clBlack, form->Color());

  form->Show();
  RECT client{};
  GetClientRect(form->Handle(), &client);
  EXPECT_EQ(152, client.right);
  EXPECT_EQ(112, client.bottom);
  EXPECT_EQ(MulDiv(160, 152, designedWidth), form->Panel()->Width());
  EXPECT_EQ(cursor, CursorCount());
  EXPECT_FALSE(SystemSaverRunning());
  EXPECT_FALSE(Feed(WM_KEYDOWN, VK_ESCAPE, 0));
  EXPECT_FALSE(Feed(WM_LBUTTONDOWN, 0, 0));
  Feed(WM_MOUSEMOVE, 0, MAKELPARAM(1, 1));
  EXPECT_FALSE(Feed(WM_MOUSEMOVE, 0, MAKELPARAM(50, 50)));
  EXPECT_FALSE(SaverTerminated);

  DestroyWindow(host);
  Host_ = nullptr;
  EXPECT_TRUE(SaverTerminated);
  EXPECT_TRUE(TakeQuit());
  EXPECT_FALSE(form->HandleAllocated());
}

TEST_F(CustomMMScrsvTest, FreeingThePreviewFormDoesNotEndTheSaver) {
  MakeForm(smPreview, MakeHost())->Show();
  Form_.reset();
  EXPECT_FALSE(SaverTerminated);
  EXPECT_FALSE(TakeQuit());
}

TEST_F(CustomMMScrsvTest, PreviewWithoutAHostEndsWithoutShowingAnything) {
  const HWND gone = MakeHost();
  DestroyWindow(gone);
  Host_ = nullptr;
  for (HWND parent : {HWND{}, gone}) {
    TSaverTestForm* form = MakeForm(smPreview, parent);
    EXPECT_TRUE(SaverTerminated);
    EXPECT_TRUE(TakeQuit());
    EXPECT_FALSE(Application->ShowMainForm);
    EXPECT_TRUE(form->Events.empty());
    EXPECT_EQ(bsSizeable, form->BorderStyle());
    EXPECT_EQ(nullptr, GetParent(form->Handle()));  // a window can still be made
    EXPECT_FALSE(IsWindowVisible(form->Handle()));
    SaverTerminated = false;
    Application->ShowMainForm = true;
  }
}

}  // namespace
