// URL fetching against the in-process HTTP server and local files: modal with
// a stand-in progress window, without a window, and in the background.
#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <utility>
#include <vector>

#include "../Platform/MessagePump.h"
#include "Forms.h"
#include "QevLXFetchUrl.h"
#include "QevSysUtils.h"
#include "TestHttpServer.h"
#include "TestSupport.h"

namespace {

using TTexts = std::vector<WideString>;

std::string Contents(TStream* Stream) {
  std::string text(static_cast<size_t>(Stream->Size()), '\0');
  Stream->SetPosition(0);
  Stream->ReadBuffer(text.data(), static_cast<Int64>(text.size()));
  return text;
}

void Write(TStream& Stream, const std::string& Text) {
  Stream.WriteBuffer(Text.data(), static_cast<Int64>(Text.size()));
}

// Every call is a second later: time limits pass after a few rounds, whatever the real time.
std::atomic<ULONGLONG> FakeNow = 0;
ULONGLONG WINAPI FakeTicks() { return FakeNow += 1000; }

// What the application would have shown.
class TShownLog : public TObject {
 public:
  void Show(TObject*, Exception* E) { Messages.push_back(E->Message); }
  TTexts Messages;
};

// A stand-in for the progress form; logs what the fetch does with it.
TTexts* ProgressLog = nullptr;
bool CancelOnFirstBytes = false;
class TFakeProgress : public IQevWebDownloadProgress {
 public:
  ~TFakeProgress() override { ProgressLog->push_back(L"freed"); }
  void SetCaption(const WideString& Caption) override { ProgressLog->push_back(L"@" + Caption); }
  void ShowStatus(const WideString& Value) override { ProgressLog->push_back(Value); }
  void ShowProgress(Int64 Bytes, Int64) override {
    if (CancelOnFirstBytes && Bytes > 0) CancelOnFirstBytes = false, OnCancel(nullptr);
  }
  void SetOnCancel(TNotifyEvent Handler) override { OnCancel = Handler; }
  void BeginModal() override { ProgressLog->push_back(L"begin"); }
  void EndModal() override { ProgressLog->push_back(L"end"); }
  TNotifyEvent OnCancel;
};
IQevWebDownloadProgress* NewFakeProgress(TComponent*) { return new TFakeProgress; }

class TCallbackLog : public TObject {
 public:
  void Call(TStream* Stream) {
    ++Calls;
    OnMainThread = GetCurrentThreadId() == MainThreadID;
    Body = Stream ? Contents(Stream) : "<nil>";
  }
  TWebStatCallback Event() { return TWebStatCallback::Bind<&TCallbackLog::Call>(this); }
  Integer Calls = 0;
  bool OnMainThread = false;
  std::string Body;
};

class FetchUrl : public testing::Test {
 protected:
  void SetUp() override {
    WSADATA data;
    ASSERT_EQ(0, WSAStartup(MAKEWORD(2, 2), &data));
    ASSERT_TRUE(LoadSafeWinInet(HKEY_CURRENT_USER, L"", L"AllowInternet"));
    SavedShow_ = Application->OnException;
    Application->OnException = TExceptionEvent::Bind<&TShownLog::Show>(&Shown_);
    ProgressLog = &Progress_;
    SavedFactory_ = std::exchange(CreateWebDownloadProgress, &NewFakeProgress);
  }
  void TearDown() override {
    EXPECT_TRUE(ServeUntil([] {
      return TWebStatThread::RunningCount() == 0 && TQevWinInetRequestThread::RunningCount() == 0;
    }));
    CreateWebDownloadProgress = SavedFactory_;
    ProgressLog = nullptr;
    FetchUrlTickCount = &GetTickCount64;
    WebStatTimeoutSeconds = 120;
    FetchUrlMaxBytes = 0;
    Application->OnException = SavedShow_;
    WSACleanup();
  }
  static WideString Local(const TTestHttpServer& Server, const WideString& Path) {
    return L"http://127.0.0.1:" + std::to_wstring(Server.Port()) + Path;
  }
  static WideString Refused() {
    Integer port = 0;
    closesocket(TTestHttpServer::BindLoopback(port));
    return L"127.0.0.1:" + std::to_wstring(port) + L"/";
  }
  TShownLog Shown_;
  TTexts Progress_;
  TTempFolder Temp_;

 private:
  TExceptionEvent SavedShow_;
  TWebDownloadProgressFactory SavedFactory_ = nullptr;
};

}  // namespace

TEST_F(FetchUrl, SplitUrlFindsSchemeHostPortAndPath) {
  WideString scheme, host, path;
  Integer port = -1;
  SplitUrl(L"stats.example/webstats.txt", scheme, host, port, path);
  EXPECT_EQ((TTexts{L"http://", L"stats.example", L"webstats.txt"}), (TTexts{scheme, host, path}));
  EXPECT_EQ(80, port);
  SplitUrl(L"HTTPS://stats.example:8443/a/b.txt", scheme, host, port, path);
  EXPECT_EQ((TTexts{L"stats.example", L"a/b.txt"}), (TTexts{host, path}));
  EXPECT_EQ(8443, port);
  SplitUrl(L"File://C:\\data\\webstats.txt", scheme, host, port, path);
  EXPECT_EQ((TTexts{L"C:", L"C:\\data\\webstats.txt"}), (TTexts{host, path}));
  EXPECT_EQ(0, port);
  EXPECT_EQ(L"C:\\data\\webstats.txt", UrlToLocalFileName(L"file://C:\\data\\webstats.txt"));
  EXPECT_EQ(L"", UrlToLocalFileName(L"https://stats.example/x"));

  ExpectRaises<EQevInternalError>([&] { UrlToLocalFileName(L"ftp://stats.example/"); },
                                  L"Internal Error: Port [ftp://] not supported.");
  EXPECT_NE(L"<no exception>", MessageOf<EConvertError>([&] {
              SplitUrl(L"http://h:8o/", scheme, host, port, path);
            }));
  // A port beyond 16 bits is refused, not wrapped round to another port.
  TQevFetchUrl requestor(nullptr);
  ExpectRaises<EQevGeneralError>(
      [&] { requestor.RequestUrl(L"https://127.0.0.1:65617/", L"", L"", L""); },
      L"Port 65617 is out of range.");
  EXPECT_TRUE(requestor.Secure);
  EXPECT_FALSE(requestor.Busy());
}

namespace {

// Records whether its fetch was already marked done when it was filled.
class TWatchedStrings : public TQevStringList {
 public:
  void LoadFromStream(TStream* Stream, bool WithBOM) override {
    DoneWhenLoaded = Fetch->Done();
    if (Fail) throw EQevGeneralError(L"unreadable");
    TQevStringList::LoadFromStream(Stream, WithBOM);
  }
  TFetchUrlIntoString* Fetch = nullptr;
  bool DoneWhenLoaded = true;
  bool Fail = false;
};

}  // namespace

TEST_F(FetchUrl, AFetchIsMarkedDoneOnlyOnceItsTargetsAreFilled) {
  TQevMemoryStream response, target;
  Write(response, "\xEF\xBB\xBFline \xE4\xB8\xAD");
  TWatchedStrings strings;
  TFetchUrlIntoString fetch(&strings, &target);
  strings.Fetch = &fetch;
  fetch.RequestDone(&response, false);
  EXPECT_FALSE(strings.DoneWhenLoaded);
  EXPECT_EQ(L"line \u4E2D", strings.Get(0));
  EXPECT_EQ(Contents(&response), Contents(&target));
  EXPECT_TRUE(fetch.Done());
  EXPECT_FALSE(fetch.ErrorsOccurred());

  // A target that cannot be filled: not quiet, the sender shows it and reports
  // the failure; quiet, it is a failure at once.
  TFetchUrlIntoString loud(&strings, nullptr), quiet(&strings, nullptr);
  strings.Fail = true;
  strings.Fetch = &loud;
  EXPECT_THROW(loud.RequestDone(&response, false), EQevGeneralError);
  EXPECT_FALSE(loud.Done());
  quiet.Requestor()->Quiet = true;
  strings.Fetch = &quiet;
  quiet.RequestDone(&response, false);
  EXPECT_TRUE(quiet.Done());
  EXPECT_TRUE(quiet.ErrorsOccurred());
}

TEST_F(FetchUrl, FetchIntoStreamAppendsTheBodyOrLeavesTheStreamAlone) {
  TTestHttpServer server(Answer("200 OK", "12,345\r\n"));
  TQevMemoryStream stream;
  Write(stream, "old;");
  EXPECT_TRUE(FetchUrlIntoStream(&stream, Local(server, L"/dir/stats.txt"), L"", L"", L""));
  EXPECT_EQ("old;12,345\r\n", Contents(&stream));
  EXPECT_EQ(0u, server.Requests().find("GET /dir/stats.txt HTTP/1.1\r\n"));

  const std::wstring file = Temp_.Path() + L"st\u0436ats.txt";
  TTempFolder::CreateFileWithText(file, "from disk");
  stream.Clear();
  EXPECT_TRUE(FetchUrlIntoStream(&stream, L"file://" + file, L"", L"", L""));
  EXPECT_EQ("from disk", Contents(&stream));

  TTestHttpServer missing(Answer("404 Not Found", "<html>gone</html>"));
  for (const WideString& url : {Local(missing, L"/"), Refused(),
                                L"file://" + Temp_.Path() + L"none.txt", WideString(L"ftp://x/")})
    EXPECT_FALSE(FetchUrlIntoStream(&stream, url, L"", L"", L"")) << WideToAnsi(url);
  TTestHttpServer silent("", true);
  FetchUrlTickCount = &FakeTicks;
  EXPECT_FALSE(FetchUrlIntoStream(&stream, Local(silent, L"/"), L"", L"", L"", 10));
  EXPECT_EQ("from disk", Contents(&stream));
  EXPECT_EQ(TTexts{}, Shown_.Messages);

  SafeWinInetOn = false;  // no connection: nothing fetched, and that is no failure
  EXPECT_TRUE(FetchUrlIntoStream(&stream, Local(server, L"/"), L"", L"", L""));
  EXPECT_EQ("from disk", Contents(&stream));
}

TEST_F(FetchUrl, NothingIsReadPastTheLimit) {
  TTestHttpServer server(Answer("200 OK", std::string(5000, 'w')));
  const std::wstring file = Temp_.Path() + L"big.txt";
  TTempFolder::CreateFileWithText(file, std::string(5000, 'f'));
  FetchUrlMaxBytes = 1025;
  for (const WideString& url : {Local(server, L"/"), L"file://" + file}) {
    TQevMemoryStream stream;
    EXPECT_TRUE(FetchUrlIntoStream(&stream, url, L"", L"", L"")) << WideToAnsi(url);
    EXPECT_EQ(1025, stream.Size());
  }
}

TEST_F(FetchUrl, ModalFetchFillsStringsAndStreamFromOneDownload) {
  TTestHttpServer server(Answer("200 OK", "\xEF\xBB\xBF\xE4\xB8\xAD\r\nsecond"));
  TQevStringList strings;
  TQevMemoryStream stream;
  FetchUrlModal(&strings, Local(server, L"/s.txt"), L"", L"", L"a=1", L"Update", nullptr, &stream,
                0);
  EXPECT_EQ(1, server.Connections());
  EXPECT_EQ((TTexts{L"\u4E2D", L"second"}), (TTexts{strings.Get(0), strings.Get(1)}));
  EXPECT_EQ(14, stream.Size());
  ASSERT_GE(Progress_.size(), 7u);
  EXPECT_EQ((TTexts{L"Connecting...", L"@Update", L"begin", L"Please wait...", L"Received 0 KB"}),
            TTexts(Progress_.begin(), Progress_.begin() + 5));
  EXPECT_EQ((TTexts{L"end", L"freed"}), TTexts(Progress_.end() - 2, Progress_.end()));
}

TEST_F(FetchUrl, ModalFailuresEndTheModalStateAndFreeTheWindow) {
  TQevMemoryStream stream;
  auto modal = [&](const WideString& Url, Integer TimeoutSeconds = 0) {
    FetchUrlModal(nullptr, Url, L"", L"", L"", L"", nullptr, &stream, TimeoutSeconds);
  };
  const TTexts ended = {L"end", L"freed"};
  auto endOfLog = [&] { return TTexts(Progress_.end() - 2, Progress_.end()); };
  TTestHttpServer missing(Answer("404 Not Found", "<html>gone</html>"));
  EXPECT_THROW(modal(Local(missing, L"/")), EAbort);
  EXPECT_EQ(TTexts{L"The server answered 404 Not Found."}, Shown_.Messages) << "shown once";
  EXPECT_EQ(ended, endOfLog());

  TTestHttpServer trickle(Answer("200 OK", std::string(100000, 'x')).substr(0, 3000), true);
  CancelOnFirstBytes = true;
  EXPECT_THROW(modal(Local(trickle, L"/")), EAbort);
  EXPECT_EQ(ended, endOfLog());

  TTestHttpServer silent("", true);
  FetchUrlTickCount = &FakeTicks;
  ExpectRaises<EQevGeneralError>([&] { modal(Local(silent, L"/"), 10); }, L"Request timed out.");
  EXPECT_EQ(ended, endOfLog());
  EXPECT_EQ(0, stream.Size());
  EXPECT_EQ(1u, Shown_.Messages.size());
}

TEST_F(FetchUrl, BackgroundFetchCallsBackOnTheMainThreadThenFreesItsOwner) {
  TTestHttpServer server(Answer("200 OK", "stats"));
  TComponent form(nullptr);
  TCallbackLog log;
  TWebStatThreadOwner* owner =
      StartWebStatThread(Local(server, L"/w.txt"), L"", L"", log.Event(), &form, L"");
  EXPECT_EQ(&form, owner->Owner());
  ASSERT_TRUE(ServeUntil([&] { return form.ComponentCount() == 0; }));
  EXPECT_EQ(1, log.Calls);
  EXPECT_TRUE(log.OnMainThread);
  EXPECT_EQ("stats", log.Body);
}

TEST_F(FetchUrl, BackgroundFailuresCallBackWithNilAndShowNothing) {
  TTestHttpServer missing(Answer("404 Not Found", "<html>gone</html>"));
  TTestHttpServer silent("", true);
  TCallbackLog log;
  for (const WideString& url : {Local(missing, L"/"), Refused(), Local(silent, L"/")}) {
    if (url == Local(silent, L"/")) FetchUrlTickCount = &FakeTicks, WebStatTimeoutSeconds = 2;
    const Integer calls = log.Calls;
    StartWebStatThread(url, L"", L"", log.Event(), nullptr, L"");
    ASSERT_TRUE(ServeUntil([&] { return log.Calls > calls; })) << WideToAnsi(url);
    EXPECT_EQ("<nil>", log.Body) << WideToAnsi(url);
  }
  SafeWinInetOn = false;
  StartWebStatThread(Local(missing, L"/"), L"", L"", log.Event(), nullptr, L"");
  ASSERT_TRUE(ServeUntil([&] { return log.Calls == 4; }));
  EXPECT_EQ("", log.Body) << "no connection: an empty stream";
  EXPECT_EQ(TTexts{}, Shown_.Messages);
}

TEST_F(FetchUrl, OwnerGoingMidFetchStopsItWithoutCallback) {
  TTestHttpServer silent("", true);
  TCallbackLog log;
  auto* form = new TComponent(nullptr);
  StartWebStatThread(Local(silent, L"/"), L"", L"", log.Event(), form, L"");
  ASSERT_TRUE(ServeUntil([&] { return silent.Connections() > 0; }));
  delete form;
  EXPECT_TRUE(ServeUntil([] { return TWebStatThread::RunningCount() == 0; }))
      << "ends though the server never answers";
  EXPECT_EQ(0, log.Calls);
}

TEST_F(FetchUrl, UnloadingWinInetStopsTheBackgroundFetchesFirst) {
  TTestHttpServer silent("", true);
  TCallbackLog log;
  TComponent form(nullptr);
  StartWebStatThread(Local(silent, L"/"), L"", L"", log.Event(), &form, L"");
  StartWebStatThread(Local(silent, L"/"), L"", L"", log.Event(), &form, L"");
  ASSERT_TRUE(ServeUntil([&] { return silent.Connections() > 0; }));
  Finalization_QevLXSafeWinInet();
  EXPECT_EQ(0, TWebStatThread::RunningCount());
  EXPECT_EQ(0, form.ComponentCount());
  EXPECT_EQ(0, log.Calls);
  Initialization_QevLXSafeWinInet();
}
