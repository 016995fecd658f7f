// The progress window of a modal fetch: the form its resource makes, the bar,
// the modal state its Cancel button must not end, and a real fetch from the
// in-process server driven by posted messages.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "../Platform/MessagePump.h"
#include "Dialogs.h"
#include "Forms.h"
#include "QevLXWebDownloadProgress.h"
#include "QevSysUtils.h"
#include "TestHttpServer.h"
#include "TestSupport.h"
// after <windows.h>
#include <commctrl.h>

namespace {

TQevWebDownloadProgressForm* ShownProgressForm() {
  for (Integer i = 0; i < Screen->FormCount(); ++i)
    if (auto* form = dynamic_cast<TQevWebDownloadProgressForm*>(Screen->Forms(i))) return form;
  return nullptr;
}

class TCancelCount : public TObject {
 public:
  void Cancel(TObject*) { ++Calls; }
  Integer Calls = 0;
};

// What the probe saw of the window while the fetch ran.
struct TSeen {
  bool Found = false;
  WideString Caption, Status;
  bool Visible = false, OwnerEnabled = true, BarVisibleAtFirst = true;
  bool BarShown = false;
  Integer BarMax = 0, BarPosition = -1;
  Int64 Total = 0;
};

// Looks at the progress window as it is being shown, before the request
// starts; then a timer of its message-only window waits for the bar and
// clicks Cancel.
class TProbe {
 public:
  explicit TProbe(TWinControl* Owner) : Owner_(Owner) {
    Current = this;
    Hook_ = SetWindowsHookExW(WH_CALLWNDPROC, &TProbe::CallWndProc, nullptr, GetCurrentThreadId());
    WNDCLASSW wc = {};
    wc.lpfnWndProc = &TProbe::WndProc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = L"QevProgressProbe";
    RegisterClassW(&wc);
    Wnd_ = CreateWindowExW(0, wc.lpszClassName, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                           wc.hInstance, nullptr);
    SetWindowLongPtrW(Wnd_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
  }
  ~TProbe() {
    UnhookWindowsHookEx(Hook_);
    DestroyWindow(Wnd_);
    Current = nullptr;
  }
  TSeen Seen;

 private:
  static LRESULT CALLBACK CallWndProc(int Code, WPARAM WParam, LPARAM LParam) {
    const auto* call = reinterpret_cast<const CWPSTRUCT*>(LParam);
    if (Code == HC_ACTION && call->message == WM_SHOWWINDOW && call->wParam && Current)
      Current->FirstLook(call->hwnd);
    return CallNextHookEx(nullptr, Code, WParam, LParam);
  }
  static LRESULT CALLBACK WndProc(HWND Wnd, UINT Msg, WPARAM WParam, LPARAM LParam) {
    auto* self = reinterpret_cast<TProbe*>(GetWindowLongPtrW(Wnd, GWLP_USERDATA));
    if (!self || Msg != WM_TIMER) return DefWindowProcW(Wnd, Msg, WParam, LParam);
    self->WaitForBar();
    return 0;
  }
  void FirstLook(HWND Shown) {
    TQevWebDownloadProgressForm* form = ShownProgressForm();
    if (Seen.Found || !form || !form->HandleAllocated() || form->WindowHandle() != Shown) return;
    Seen.Found = true;
    Seen.Caption = form->Caption();
    Seen.Status = form->Label1()->Caption();
    Seen.Visible = form->Visible();
    Seen.OwnerEnabled = Owner_->Enabled();
    Seen.BarVisibleAtFirst = form->ProgressBar1()->Visible();
    SetTimer(Wnd_, 1, 10, nullptr);
  }
  void WaitForBar() {
    TQevWebDownloadProgressForm* form = ShownProgressForm();
    if (!form || !form->ProgressBar1()->Visible()) return;
    KillTimer(Wnd_, 1);
    TQevProgressBar* bar = form->ProgressBar1();
    Seen.BarShown = IsWindowVisible(bar->Handle()) != 0;
    Seen.BarMax = bar->Max();
    Seen.BarPosition = bar->Position();
    Seen.Total = form->TotalAvailable();
    PostMessageA(form->CancelBtn()->Handle(), BM_CLICK, 0, 0);
  }
  static inline TProbe* Current = nullptr;
  TWinControl* Owner_;
  HHOOK Hook_ = nullptr;
  HWND Wnd_ = nullptr;
};

class TShownLog : public TObject {
 public:
  void Show(TObject*, Exception* E) { Messages.push_back(E->Message); }
  std::vector<WideString> Messages;
};

class WebDownloadProgress : public testing::Test {
 protected:
  void SetUp() override {
    WSADATA data;
    ASSERT_EQ(0, WSAStartup(MAKEWORD(2, 2), &data));
    ASSERT_TRUE(LoadSafeWinInet(HKEY_CURRENT_USER, L"", L"AllowInternet"));
    SavedShow_ = Application->OnException;
    Application->OnException = TExceptionEvent::Bind<&TShownLog::Show>(&Shown_);
    Owner_.reset(NewForm<TForm>(nullptr));
  }
  void TearDown() override {
    EXPECT_TRUE(ServeUntil([] { return TQevWinInetRequestThread::RunningCount() == 0; }));
    Owner_.reset();
    Application->OnException = SavedShow_;
    WSACleanup();
  }
  std::unique_ptr<TForm> Owner_;
  TShownLog Shown_;

 private:
  TExceptionEvent SavedShow_;
};

}  // namespace

TEST_F(WebDownloadProgress, TheBarShowsOnlyOnceTheSizeIsKnownInThousandths) {
  ASSERT_TRUE(CreateWebDownloadProgress);
  std::unique_ptr<IQevWebDownloadProgress> window(CreateWebDownloadProgress(Owner_.get()));
  auto* form = dynamic_cast<TQevWebDownloadProgressForm*>(window.get());
  ASSERT_TRUE(form);
  EXPECT_EQ(Owner_.get(), form->OwnerControl());
  EXPECT_EQ(LoadResString(SMsgDlgCancel), form->CancelBtn()->Caption()) << "the platform's text";
  EXPECT_TRUE(form->Animate1()->Active());
  EXPECT_EQ(aviFindComputer, form->Animate1()->CommonAVI());
  EXPECT_EQ(8, form->Animate1()->StopFrame());
  TQevProgressBar* bar = form->ProgressBar1();
  EXPECT_TRUE(bar->Smooth());
  EXPECT_FALSE(bar->Visible());
  window->ShowProgress(500, 0);
  EXPECT_FALSE(bar->Visible());
  window->ShowProgress(500, -1);
  EXPECT_FALSE(bar->Visible());
  EXPECT_EQ(-1, form->TotalAvailable());

  struct TCase {
    Int64 Bytes, Total;
    Integer Position;
  };
  for (const TCase& c : {TCase{1, 3, 333}, TCase{2, 3, 667}, TCase{1, 2000, 0}, TCase{3, 2000, 2},
                         TCase{Int64(3) << 33, Int64(4) << 33, 750}}) {
    window->ShowProgress(c.Bytes, c.Total);
    EXPECT_TRUE(bar->Visible());
    EXPECT_EQ(1000, bar->Max());
    EXPECT_EQ(c.Position, bar->Position()) << c.Bytes << "/" << c.Total;
    EXPECT_EQ(c.Total, form->TotalAvailable());
  }
}

TEST_F(WebDownloadProgress, CancelInTheModalStateLeavesTheFormShownUntilEndModal) {
  std::unique_ptr<IQevWebDownloadProgress> window(CreateWebDownloadProgress(Owner_.get()));
  auto* form = dynamic_cast<TQevWebDownloadProgressForm*>(window.get());
  TCancelCount cancel;
  window->SetOnCancel(TNotifyEvent::Bind<&TCancelCount::Cancel>(&cancel));
  window->BeginModal();
  EXPECT_FALSE(Owner_->Enabled());
  EXPECT_TRUE(IsWindowVisible(form->Handle()));
  // Where the system has no such animation the control is simply empty.
  EXPECT_TRUE(IsWindowVisible(form->Animate1()->Handle()));
  EXPECT_TRUE(GetWindowLongW(form->ProgressBar1()->Handle(), GWL_STYLE) & PBS_SMOOTH);

  PostMessageA(form->CancelBtn()->Handle(), BM_CLICK, 0, 0);
  ASSERT_TRUE(ServeUntil([&] { return cancel.Calls > 0; }));
  ServeUntil([] {
    MSG msg;
    return !PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE);
  });
  EXPECT_EQ(1, cancel.Calls);
  EXPECT_EQ(3, form->ModalResult());
  EXPECT_TRUE(IsWindowVisible(form->Handle()));
  EXPECT_FALSE(Owner_->Enabled());

  window->EndModal();
  EXPECT_FALSE(IsWindowVisible(form->Handle()));
  EXPECT_TRUE(Owner_->Enabled());
}

TEST_F(WebDownloadProgress, ModalFetchShowsTheWindowAndCancelEndsIt) {
  TTestHttpServer trickle(
      "HTTP/1.0 200 OK\r\nContent-Length: 100000\r\n\r\n" + std::string(2000, 'x'), true);
  TProbe probe(Owner_.get());
  TQevMemoryStream stream;
  const WideString url = L"http://127.0.0.1:" + std::to_wstring(trickle.Port()) + L"/big.txt";
  // The limit only keeps a broken window from hanging the test.
  EXPECT_THROW(FetchUrlModal(nullptr, url, L"", L"", L"", L"Update", Owner_.get(), &stream, 60),
               EAbort);

  const TSeen& seen = probe.Seen;
  ASSERT_TRUE(seen.Found);
  EXPECT_EQ(L"Update", seen.Caption);
  EXPECT_EQ(L"Connecting...", seen.Status);
  EXPECT_TRUE(seen.Visible);
  EXPECT_FALSE(seen.OwnerEnabled);
  EXPECT_FALSE(seen.BarVisibleAtFirst);
  EXPECT_TRUE(seen.BarShown);
  EXPECT_EQ(1000, seen.BarMax);
  EXPECT_EQ(100000, seen.Total);
  EXPECT_GE(seen.BarPosition, 0);
  EXPECT_LE(seen.BarPosition, 20);

  EXPECT_EQ(nullptr, ShownProgressForm()) << "the window went away";
  EXPECT_TRUE(Owner_->Enabled());
  EXPECT_TRUE(Shown_.Messages.empty()) << "Cancel is silent";
}
