// HTTP requests against a small server inside this program (127.0.0.1, a free
// port, its own thread), and the worker's error handling against stand-ins
// for WinInet's entry points.
#include "WinApi.h"
// after <windows.h>
#include <winsock2.h>

#include <gtest/gtest.h>
#include <malloc.h>

#include <atomic>
#include <cstring>
#include <functional>
#include <map>
#include <mutex>
#include <new>
#include <string>
#include <thread>
#include <vector>

#include "Forms.h"
#include "QevLXUtils.h"
#include "QevLXWinInetRequestor.h"
#include "TestHttpServer.h"
#include "TestSupport.h"

namespace {

using TTexts = std::vector<WideString>;

// While set, every freed block is zeroed first: a read of a freed object then
// finds nulls instead of the values it had.
std::atomic<bool> ZeroFreedBlocks = false;

// Until Done() holds or a guard time passed (which only keeps a broken build
// from hanging); with Serve the main thread's calls and messages are served.
template <typename F>
bool WaitUntil(F Done, bool Serve = true) {
  for (const DWORD start = GetTickCount(); !Done();) {
    if (GetTickCount() - start >= 20000) return false;
    if (!Serve) {
      Sleep(1);
      continue;
    }
    CheckSynchronize(10);
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
  }
  return true;
}

bool WorkersGone(bool Serve = true) {
  return WaitUntil([] { return TQevWinInetRequestThread::RunningCount() == 0; }, Serve);
}

std::string Pattern(size_t Size) {
  std::string body(Size, ' ');
  for (size_t i = 0; i < Size; ++i) body[i] = static_cast<char>('A' + i % 23);
  return body;
}

// Everything a requestor reports, and whether it all came on the main thread.
class TRequestLog : public TObject {
 public:
  explicit TRequestLog(TQevMultiPostRequestor& R) {
    R.OnMessage = TStringEvent::Bind<&TRequestLog::Message>(this);
    R.OnProgress = TProgressNotifyEvent::Bind<&TRequestLog::Progress>(this);
    R.OnException = TRequestExceptionEvent::Bind<&TRequestLog::Error>(this);
    R.OnRequestDone = TRequestDoneEvent::Bind<&TRequestLog::Done>(this);
  }
  void Message(const WideString& Value) { Seen(), Messages.push_back(Value); }
  void Error(Exception* E) {
    Seen(), Errors.push_back(E->Message);
    ErrorClasses.push_back(E->ClassName());
    ErrorRaisedAt.push_back(E->RaiseAddress);
  }
  void Progress(Int64 Bytes, Int64 Total) {
    Seen(), Steps.emplace_back(Bytes, Total);
    if (OnFirstBytes && Bytes > 0) std::exchange(OnFirstBytes, nullptr)();
  }
  void Done(TStream* Stream, bool ErrorsOccurred) {
    Seen(), ++DoneCount;
    DoneWithErrors = ErrorsOccurred;
    Body = Stream ? "" : "<nil>";
    if (!Stream) return;
    Body.resize(static_cast<size_t>(Stream->Size()));
    Stream->SetPosition(0);
    Stream->ReadBuffer(Body.data(), static_cast<Int64>(Body.size()));
  }
  bool Finished() { return WaitUntil([this] { return DoneCount > 0; }); }
  Integer EventCount() const {
    return static_cast<Integer>(Messages.size() + Steps.size() + Errors.size()) + DoneCount;
  }

  TTexts Messages, Errors;
  std::vector<AnsiString> ErrorClasses;
  std::vector<void*> ErrorRaisedAt;  // the address of each error's throw
  std::vector<std::pair<Int64, Int64>> Steps;
  Integer DoneCount = 0;
  bool DoneWithErrors = false;
  std::string Body;
  bool OffMainThread = false;
  std::function<void()> OnFirstBytes;

 private:
  void Seen() { OffMainThread |= GetCurrentThreadId() != MainThreadID; }
};

// What the application would have shown.
class TShownLog : public TObject {
 public:
  void Show(TObject*, Exception* E) { Messages.push_back(E->Message); }
  TTexts Messages;
};

class WinInetRequest : public testing::Test {
 protected:
  void SetUp() override {
    WSADATA data;
    ASSERT_EQ(0, WSAStartup(MAKEWORD(2, 2), &data));
    ASSERT_TRUE(LoadSafeWinInet(HKEY_CURRENT_USER, L"", L"AllowInternet"));
    SavedTable_ = SafeWinInet;
    SavedShow_ = Application->OnException;
    Application->OnException = TExceptionEvent::Bind<&TShownLog::Show>(&Shown_);
  }
  void TearDown() override {
    EXPECT_TRUE(WorkersGone());
    Application->OnException = SavedShow_;
    SafeWinInet = SavedTable_;
    SafeWinInetWide = true;
    WSACleanup();
  }
  // One item: a GET, or a POST with PostData.
  static void Start(TQevMultiPostRequestor& R, Integer Port, const WideString& Host,
                    const WideString& Path, const WideString& PostData = L"") {
    R.PostItems()->Add(PostData);
    R.WaitMessages()->Add(L"Please wait...");
    R.OpenConnection(Port, Host, Path, L"", L"");
  }

  TShownLog Shown_;

 private:
  TSafeWinInetTable SavedTable_;
  TExceptionEvent SavedShow_;
};

class WinInetRoads : public WinInetRequest, public testing::WithParamInterface<bool> {};

}  // namespace

void operator delete(void* P) noexcept {
  if (P && ZeroFreedBlocks) std::memset(P, 0, _msize(P));
  std::free(P);
}
void operator delete(void* P, std::size_t) noexcept { ::operator delete(P); }

// ------------------------------------------------------ against the server

INSTANTIATE_TEST_SUITE_P(Roads, WinInetRoads, testing::Bool(),
                         [](const testing::TestParamInfo<bool>& info) {
                           return std::string(info.param ? "Wide" : "Ansi");
                         });

TEST_P(WinInetRoads, PostAnswerArrivesWholeWithProgressOnTheMainThread) {
  SafeWinInetWide = GetParam();
  const std::string body = Pattern(5000);
  TTestHttpServer server(Answer("200 OK", body));
  TQevMultiPostRequestor requestor(nullptr);
  TRequestLog log(requestor);
  Start(requestor, server.Port(), L"127.0.0.1", L"/data.txt", L"name=J\u00e9r\u00f4me");
  ASSERT_TRUE(log.Finished());

  EXPECT_FALSE(log.OffMainThread);
  EXPECT_EQ(TTexts{}, log.Errors);
  EXPECT_FALSE(log.DoneWithErrors);
  EXPECT_EQ(body, log.Body);
  ASSERT_GE(log.Steps.size(), 2u);
  EXPECT_EQ(std::make_pair(Int64(0), Int64(5000)), log.Steps.front());
  EXPECT_EQ(std::make_pair(Int64(5000), Int64(5000)), log.Steps.back());
  for (size_t i = 1; i < log.Steps.size(); ++i)
    EXPECT_LE(log.Steps[i].first - log.Steps[i - 1].first, 1024);
  ASSERT_EQ(log.Steps.size() + 1, log.Messages.size());
  EXPECT_EQ(L"Please wait...", log.Messages[0]);
  EXPECT_EQ(L"Received 0 KB", log.Messages[1]);
  EXPECT_EQ(L"Received 4 KB", log.Messages.back());
  EXPECT_FALSE(requestor.Busy());

  const std::string request = server.Requests();
  EXPECT_EQ(0u, request.find("POST /data.txt HTTP/1.1\r\n")) << request;
  EXPECT_NE(std::string::npos, request.find("\r\nAccept: */*\r\n")) << request;
  EXPECT_NE(std::string::npos,
            request.find("\r\nContent-Type: application/x-www-form-urlencoded\r\n"));
  const std::string data = "\r\n\r\nname=J\xe9r\xf4me";  // ANSI bytes
  EXPECT_EQ(data, request.substr(request.size() - std::min(request.size(), data.size())));
}

TEST_F(WinInetRequest, AnswerWithoutLengthIsReadToTheEnd) {
  const std::string body = Pattern(3000);
  TTestHttpServer server(Answer("200 OK", body, false));
  TQevMultiPostRequestor requestor(nullptr);
  TRequestLog log(requestor);
  Start(requestor, server.Port(), L"127.0.0.1", L"/");
  ASSERT_TRUE(log.Finished());
  EXPECT_EQ(body, log.Body);
  for (const auto& step : log.Steps) EXPECT_EQ(0, step.second);
  EXPECT_EQ(0u, server.Requests().find("GET / HTTP/1.1\r\n"));
}

TEST_F(WinInetRequest, FailuresEndInOnRequestDoneAndLeaveTheRequestorIdle) {
  TTestHttpServer missing(Answer("404 Not Found", "<html>missing</html>"));
  TQevMultiPostRequestor requestor(nullptr);
  TRequestLog log(requestor);
  Start(requestor, missing.Port(), L"127.0.0.1", L"/missing.txt");
  ASSERT_TRUE(log.Finished());
  const WideString notFound = L"The server answered 404 Not Found.";
  EXPECT_EQ(TTexts{notFound}, log.Errors);
  EXPECT_EQ(TTexts{notFound}, Shown_.Messages) << "not quiet: shown";
  EXPECT_TRUE(log.DoneWithErrors);
  EXPECT_EQ("<nil>", log.Body);
  EXPECT_FALSE(requestor.Busy());

  Integer refused = 0;
  closesocket(TTestHttpServer::BindLoopback(refused));
  requestor.Quiet = true;
  requestor.OpenConnection(refused, L"127.0.0.1", L"/", L"", L"");
  ASSERT_TRUE(WaitUntil([&] { return log.DoneCount == 2; }));
  EXPECT_EQ(WinInetErrorText(ERROR_INTERNET_CANNOT_CONNECT), log.Errors.back());
  EXPECT_EQ(1u, Shown_.Messages.size()) << "quiet";
  EXPECT_TRUE(log.DoneWithErrors);

  ExpectRaises<EQevGeneralError>(
      [&] { requestor.OpenConnection(65536, L"127.0.0.1", L"/", L"", L""); },
      L"Port 65536 is out of range.");
  ExpectRaises<EQevGeneralError>(
      [&] { requestor.OpenConnection(-1, L"127.0.0.1", L"/", L"", L""); },
      L"Port -1 is out of range.");
  EXPECT_FALSE(requestor.Busy());
}

// WinInet alone follows a server that redirects to itself without end.
TEST_F(WinInetRequest, RedirectsAreFollowedWithGetFiveTimesAtMost) {
  auto redirect = [](const std::string& Location) {
    return "HTTP/1.1 302 Found\r\nLocation: " + Location +
           "\r\nConnection: close\r\nContent-Length: 0\r\n\r\n";
  };
  const std::string body = Pattern(3000);
  TTestHttpServer target(Answer("200 OK", body));
  TTestHttpServer mover(redirect("http://127.0.0.1:" + std::to_string(target.Port()) + "/b/c"));
  TQevMultiPostRequestor requestor(nullptr);
  requestor.MaxResponseBytes = 1500;  // the rest is left unread
  TRequestLog log(requestor);
  Start(requestor, mover.Port(), L"127.0.0.1", L"/a", L"x=1");
  ASSERT_TRUE(log.Finished());
  EXPECT_EQ(body.substr(0, 1500), log.Body);
  EXPECT_EQ(0u, mover.Requests().find("POST /a HTTP/1.1\r\n"));
  EXPECT_EQ(0u, target.Requests().find("GET /b/c HTTP/1.1\r\n")) << target.Requests();

  TTestHttpServer loop(redirect("again"));
  TQevMultiPostRequestor looping(nullptr);
  TRequestLog loopLog(looping);
  Start(looping, loop.Port(), L"127.0.0.1", L"/dir/first");
  ASSERT_TRUE(loopLog.Finished());
  EXPECT_EQ(TTexts{L"The server answered 302 Found."}, loopLog.Errors);
  EXPECT_EQ(1 + MaxRedirects, loop.Connections());
  EXPECT_NE(std::string::npos, loop.Requests().find("GET /dir/again HTTP")) << "relative";
}

TEST_F(WinInetRequest, CancelWhileTheServerIsSilentEndsWithoutEvents) {
  TTestHttpServer server("", true);
  TQevMultiPostRequestor requestor(nullptr);
  TRequestLog log(requestor);
  Start(requestor, server.Port(), L"127.0.0.1", L"/");
  ASSERT_TRUE(WaitUntil([&] { return server.Connections() > 0; }));
  ExpectRaises<EQevInternalError>(
      [&] { requestor.OpenConnection(server.Port(), L"127.0.0.1", L"/", L"", L""); },
      L"Internal Error: Previous request is already in progress.");
  requestor.Cancel();
  EXPECT_FALSE(requestor.Busy());
  server.Hangup();
  EXPECT_TRUE(WorkersGone());
  EXPECT_EQ(TTexts{L"Please wait..."}, log.Messages);
  EXPECT_EQ(1, log.EventCount());
}

TEST_F(WinInetRequest, CancelMidTransferStopsTheEvents) {
  TTestHttpServer server(Answer("200 OK", Pattern(100000)).substr(0, 3000), true);
  TQevMultiPostRequestor requestor(nullptr);
  TRequestLog log(requestor);
  Integer atCancel = -1;
  log.OnFirstBytes = [&] { requestor.Cancel(), atCancel = log.EventCount(); };
  Start(requestor, server.Port(), L"127.0.0.1", L"/big");
  ASSERT_TRUE(WorkersGone()) << "the cancelled worker ends by itself";
  EXPECT_EQ(atCancel, log.EventCount());
  EXPECT_EQ(0, log.DoneCount);
}

// As the progress window's Cancel and the background time limit do: the
// requestor and its response stream go while the worker is reading.
TEST_F(WinInetRequest, RequestorsFreedDuringASlowDownloadLeaveTheirWorkersHarmless) {
  TTestHttpServer server(Answer("200 OK", "", false), false, true);
  for (Integer i = 0; i < 20; ++i) {
    auto requestor = std::make_unique<TQevMultiPostRequestor>(nullptr);
    TRequestLog log(*requestor);
    Start(*requestor, server.Port(), L"127.0.0.1", L"/slow");
    ASSERT_TRUE(WaitUntil([&] { return !log.Steps.empty() && log.Steps.back().first > 0; }));
    requestor.reset();
    EXPECT_EQ(0, log.DoneCount);
  }
  EXPECT_TRUE(WorkersGone());
}

TEST(WinInetRequestorClasses, EventsAndOptionsArePublished) {
  const TTypeKinds events{tkMethod};
  for (const char* name : {"OnProgress", "OnRequestDone", "OnException"})
    EXPECT_NE(nullptr, GetPropInfo(TQevWinInetRequestSender::StaticClass(), name, events)) << name;
  for (const char* name : {"OnMessage", "OnRequestDone", "OnProgress", "OnException"})
    EXPECT_NE(nullptr, GetPropInfo(TQevMultiPostRequestor::StaticClass(), name, events)) << name;
  TQevMultiPostRequestor requestor(nullptr);
  for (const char* name : {"Secure", "Quiet", "DownloadOption"})
    ASSERT_NE(nullptr, GetPropInfo(&requestor, name, TTypeKinds{tkEnumeration})) << name;
  SetOrdProp(&requestor, GetPropInfo(&requestor, "DownloadOption"), doSizeOnly);
  SetOrdProp(&requestor, GetPropInfo(&requestor, "Secure"), 1);
  SetOrdProp(&requestor, GetPropInfo(&requestor, "Quiet"), 1);
  EXPECT_EQ(doSizeOnly, requestor.DownloadOption);
  EXPECT_TRUE(requestor.Secure && requestor.Quiet);
  EXPECT_EQ("doNone", GetEnumName(GetPropInfo(&requestor, "DownloadOption")->PropType, doNone));
}

// ------------------------------------------------------ against stand-ins

namespace {

// Scripted answers of WinInet's entry points. Every handle given out must be
// closed exactly once.
struct TFakeWinInet {
  std::mutex Lock;
  std::vector<DWORD> SendResults;    // then success
  std::vector<DWORD> DialogResults;  // then ERROR_SUCCESS
  std::vector<DWORD> DialogCodes, OpenFlags;
  std::vector<WideString> Redirects;  // where the first requests opened are sent on
  WideString Location;                // of the request opened last
  Integer Sends = 0;
  std::map<HINTERNET, bool> Open;
  DWORD Available = 0;  // announced; reads give what is left of the body
  DWORD BodyLeft = 0;
  bool QueryFails = false;
  bool QueryThrows = false;  // as a failed allocation in the worker would
  // The table is cleared while the query blocks, as WinInet's unit end does,
  // and put back at the next call for the main thread's clean-up.
  bool QueryClearsTable = false;
  TSafeWinInetTable Cleared = {};
  bool ConnectFails = false;
  HANDLE SendGate = nullptr;  // sends wait for it when set; closing the request sets it
  Integer UngatedSends = 0;   // the first sends, which do not wait
  std::atomic<HINTERNET> Blocked = nullptr;
  THandleOwner BlockedThread;  // the worker that waits at the gate
  // Closing the blocked request returns only once its worker has ended and
  // is freed: a closer that reads the worker afterwards reads freed memory.
  bool CloseAwaitsWorkerEnd = false;

  HINTERNET NewHandle() {
    std::lock_guard<std::mutex> lock(Lock);
    auto handle = reinterpret_cast<HINTERNET>(Open.size() + 0x100);
    Open[handle] = true;
    return handle;
  }
  Integer Opened() {
    std::lock_guard<std::mutex> lock(Lock);
    return static_cast<Integer>(Open.size());
  }
  Integer OpenCount() {
    std::lock_guard<std::mutex> lock(Lock);
    Integer n = 0;
    for (const auto& h : Open) n += h.second;
    return n;
  }
  template <typename T>
  static T Next(std::vector<T>& Script, T Otherwise) {
    if (Script.empty()) return Otherwise;
    T result = Script.front();
    Script.erase(Script.begin());
    return result;
  }
};
TFakeWinInet* Fake = nullptr;

HINTERNET WINAPI FakeOpen(LPCWSTR, DWORD, LPCWSTR, LPCWSTR, DWORD) { return Fake->NewHandle(); }
HINTERNET WINAPI FakeConnect(HINTERNET, LPCWSTR, INTERNET_PORT, LPCWSTR, LPCWSTR, DWORD, DWORD,
                             DWORD_PTR) {
  if (Fake->ConnectFails) return SetLastError(ERROR_INTERNET_NAME_NOT_RESOLVED), nullptr;
  return Fake->NewHandle();
}
HINTERNET WINAPI FakeOpenRequest(HINTERNET, LPCWSTR, LPCWSTR, LPCWSTR, LPCWSTR, LPCWSTR*,
                                 DWORD Flags, DWORD_PTR) {
  HINTERNET handle = Fake->NewHandle();
  std::lock_guard<std::mutex> lock(Fake->Lock);
  Fake->OpenFlags.push_back(Flags);
  Fake->Location = TFakeWinInet::Next(Fake->Redirects, WideString());
  return handle;
}
BOOL WINAPI FakeSend(HINTERNET Request, LPCWSTR, DWORD, LPVOID, DWORD) {
  if (Fake->SendGate && Fake->Sends >= Fake->UngatedSends) {
    Fake->BlockedThread.reset(OpenThread(SYNCHRONIZE, FALSE, GetCurrentThreadId()));
    Fake->Blocked = Request;
    WaitForSingleObject(Fake->SendGate, INFINITE);
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  std::lock_guard<std::mutex> lock(Fake->Lock);
  ++Fake->Sends;
  const DWORD code = TFakeWinInet::Next(Fake->SendResults, DWORD(ERROR_SUCCESS));
  SetLastError(code);
  return code == ERROR_SUCCESS;
}
BOOL WINAPI FakeQueryInfo(HINTERNET, DWORD InfoLevel, LPVOID Buffer, LPDWORD Size, LPDWORD) {
  WideString value;
  {
    std::lock_guard<std::mutex> lock(Fake->Lock);
    if (InfoLevel == HTTP_QUERY_STATUS_CODE) value = Fake->Location.empty() ? L"200" : L"302";
    if (InfoLevel == HTTP_QUERY_LOCATION) value = Fake->Location;
  }
  if (value.empty()) return SetLastError(ERROR_HTTP_HEADER_NOT_FOUND), FALSE;
  const auto bytes = static_cast<DWORD>((value.size() + 1) * sizeof(WideChar));
  if (!Buffer || *Size < bytes)
    return *Size = bytes, SetLastError(ERROR_INSUFFICIENT_BUFFER), FALSE;
  std::memcpy(Buffer, value.c_str(), bytes);
  *Size = bytes - sizeof(WideChar);
  return TRUE;
}
BOOL WINAPI FakeQueryDataAvailable(HINTERNET, LPDWORD Available, DWORD, DWORD_PTR) {
  if (Fake->QueryThrows) throw std::bad_alloc();
  *Available = Fake->Available;
  if (Fake->QueryClearsTable) Fake->Cleared = std::exchange(SafeWinInet, {});
  SetLastError(ERROR_INTERNET_CONNECTION_ABORTED);
  return !Fake->QueryFails;
}
BOOL WINAPI FakeReadFile(HINTERNET, LPVOID Buffer, DWORD Wanted, LPDWORD Read) {
  if (Fake->Cleared.InternetReadFile) SafeWinInet = std::exchange(Fake->Cleared, {});
  *Read = std::min(Wanted, Fake->BodyLeft);
  Fake->BodyLeft -= *Read;
  std::memset(Buffer, 'b', *Read);
  return TRUE;
}
BOOL WINAPI FakeClose(HINTERNET Handle) {
  {
    std::lock_guard<std::mutex> lock(Fake->Lock);
    EXPECT_TRUE(Fake->Open[Handle]) << "closed twice or never opened";
    Fake->Open[Handle] = false;
  }
  if (Handle != Fake->Blocked) return TRUE;
  SetEvent(Fake->SendGate);
  if (Fake->CloseAwaitsWorkerEnd) {
    EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(Fake->BlockedThread.get(), 20000));
  }
  return TRUE;
}
DWORD WINAPI FakeErrorDlg(HWND, HINTERNET, DWORD Code, DWORD, LPVOID*) {
  std::lock_guard<std::mutex> lock(Fake->Lock);
  Fake->DialogCodes.push_back(Code);
  return TFakeWinInet::Next(Fake->DialogResults, DWORD(ERROR_SUCCESS));
}

class FakeWinInetRequest : public WinInetRequest {
 protected:
  void SetUp() override {
    WinInetRequest::SetUp();
    Fake = &Fake_;
    SafeWinInet.InternetOpenW = &FakeOpen;
    SafeWinInet.InternetConnectW = &FakeConnect;
    SafeWinInet.HttpOpenRequestW = &FakeOpenRequest;
    SafeWinInet.HttpSendRequestW = &FakeSend;
    SafeWinInet.HttpQueryInfoW = &FakeQueryInfo;
    SafeWinInet.InternetQueryDataAvailable = &FakeQueryDataAvailable;
    SafeWinInet.InternetReadFile = &FakeReadFile;
    SafeWinInet.InternetCloseHandle = &FakeClose;
    SafeWinInet.InternetErrorDlg = &FakeErrorDlg;
  }
  void TearDown() override {
    WinInetRequest::TearDown();
    EXPECT_EQ(0, Fake_.OpenCount()) << "handles left open";
    if (Fake_.SendGate) CloseHandle(Fake_.SendGate);
    Fake = nullptr;
  }
  // A finished request to Host with the requestor's log.
  struct TRun {
    TQevMultiPostRequestor Requestor{nullptr};
    TRequestLog Log{Requestor};
  };
  std::unique_ptr<TRun> Run(const WideString& Host, bool Quiet = false) {
    auto run = std::make_unique<TRun>();
    run->Requestor.Quiet = Quiet;
    Start(run->Requestor, 443, Host, L"/");
    EXPECT_TRUE(run->Log.Finished());
    return run;
  }

  TFakeWinInet Fake_;
};

constexpr DWORD IgnoreDate = INTERNET_FLAG_IGNORE_CERT_DATE_INVALID;
constexpr DWORD IgnoreName = INTERNET_FLAG_IGNORE_CERT_CN_INVALID;

// A target that counts what reaches it after its owner let it go.
class TLetGoStream : public TMemoryStream {
 public:
  Integer Write(const void* Buffer, Integer Count) override {
    LateWrites += LetGo;
    return TMemoryStream::Write(Buffer, Count);
  }
  bool LetGo = false;
  Integer LateWrites = 0;
};

// Holds the worker that read a block until the test releases it.
std::atomic<bool> BlockReadHeld = false;
HANDLE BlockReadGate = nullptr;
void HoldBlockRead() {
  BlockReadHeld = true;
  WaitForSingleObject(BlockReadGate, 20000);
}

}  // namespace

TEST_F(FakeWinInetRequest, AcceptedCertificateDateReopensAndIsRemembered) {
  Fake_.SendResults = {ERROR_INTERNET_SEC_CERT_DATE_INVALID};
  EXPECT_FALSE(Run(L"date.test")->Log.DoneWithErrors);
  ASSERT_EQ(2u, Fake_.OpenFlags.size());
  EXPECT_FALSE(Fake_.OpenFlags[0] & IgnoreDate);
  EXPECT_TRUE(Fake_.OpenFlags[1] & IgnoreDate);
  EXPECT_EQ((std::vector<DWORD>{ERROR_INTERNET_SEC_CERT_DATE_INVALID, 0}), Fake_.DialogCodes);

  Run(L"DATE.test");
  EXPECT_TRUE(Fake_.OpenFlags[2] & IgnoreDate) << "later requests, host names ignore case";
  Run(L"other.test");
  EXPECT_FALSE(Fake_.OpenFlags[3] & IgnoreDate);
}

TEST_F(FakeWinInetRequest, OnlyTheUsersConsentAcceptsACertificate) {
  const DWORD nameError = ERROR_INTERNET_SEC_CERT_CN_INVALID;
  Fake_.SendResults = {nameError, nameError, nameError};
  Fake_.DialogResults = {ERROR_INVALID_HANDLE, ERROR_CANCELLED};
  EXPECT_EQ(TTexts{WinInetErrorText(nameError)}, Run(L"name.test")->Log.Errors) << "dialog failed";
  EXPECT_EQ(TTexts{L"Request cancelled."}, Run(L"name.test")->Log.Errors);
  EXPECT_EQ(2u, Shown_.Messages.size());
  EXPECT_EQ(TTexts{WinInetErrorText(nameError)}, Run(L"name.test", true)->Log.Errors);
  EXPECT_EQ(2u, Fake_.DialogCodes.size()) << "quiet: no dialog";
  EXPECT_EQ(2u, Shown_.Messages.size()) << "quiet: not shown";
  EXPECT_FALSE(CertHostAccepted(CertNameIgnoreHosts, L"name.test"));
}

TEST_F(FakeWinInetRequest, UnknownAuthorityReopensOnceAtMost) {
  const DWORD ca = ERROR_INTERNET_INVALID_CA;
  Fake_.SendResults = {ca, 0, ca, 0, ca, 0};
  EXPECT_FALSE(Run(L"ca.test")->Log.DoneWithErrors);
  EXPECT_EQ(2u, Fake_.OpenFlags.size());
  EXPECT_EQ(4, Fake_.Sends);
}

TEST_F(FakeWinInetRequest, ReadingEndsWhenNothingMoreComesOrTheQueryFails) {
  Fake_.Available = 10;
  auto empty = Run(L"read.test", true);
  EXPECT_FALSE(empty->Log.DoneWithErrors);
  EXPECT_EQ("", empty->Log.Body);
  Fake_.QueryFails = true;
  EXPECT_EQ(TTexts{WinInetErrorText(ERROR_INTERNET_CONNECTION_ABORTED)},
            Run(L"read.test", true)->Log.Errors);
}

TEST_F(FakeWinInetRequest, ATableClearedWhileTheWorkerIsInsideWinInetIsNotItsTable) {
  Fake_.Available = 10;
  Fake_.BodyLeft = 10;
  Fake_.QueryClearsTable = true;
  auto run = Run(L"unload.test", true);
  EXPECT_EQ(TTexts{}, run->Log.Errors);
  EXPECT_EQ("bbbbbbbbbb", run->Log.Body);
}

TEST_F(FakeWinInetRequest, CertificateConsentGoesWithItsHostOnlyAcrossRedirects) {
  AcceptCertHost(CertDateIgnoreHosts, L"dated.test");
  AcceptCertHost(CertNameIgnoreHosts, L"misnamed.test");
  Fake_.Redirects = {L"https://misnamed.test/b", L"//plain.test/c", L"https://dated.test/d"};
  EXPECT_FALSE(Run(L"dated.test")->Log.DoneWithErrors);
  std::vector<DWORD> ignored;
  for (const DWORD flags : Fake_.OpenFlags) ignored.push_back(flags & (IgnoreDate | IgnoreName));
  EXPECT_EQ((std::vector<DWORD>{IgnoreDate, IgnoreName, 0, IgnoreDate}), ignored);
}

TEST_F(FakeWinInetRequest, ABlockReadJustBeforeACancelNeverReachesTheLetGoStream) {
  Fake_.Available = 10;
  Fake_.BodyLeft = 100;
  THandleOwner gate(CreateEventW(nullptr, TRUE, FALSE, nullptr));
  TRestore<HANDLE> gateSet(BlockReadGate, gate.get());
  TRestore<void (*)()> probeSet(RequestBlockReadProbe, &HoldBlockRead);
  BlockReadHeld = false;
  TLetGoStream stream;
  TQevWinInetRequestSender sender(nullptr);
  sender.Send(nullptr, L"held.test", true, doStream, &stream, L"", 0, L"GET", L"/");
  ASSERT_TRUE(WaitUntil([] { return BlockReadHeld.load(); }));
  sender.Cancel();
  stream.LetGo = true;
  SetEvent(gate.get());
  EXPECT_TRUE(WorkersGone());
  EXPECT_EQ(0, stream.LateWrites);
  EXPECT_EQ(0, stream.Size());
}

TEST_F(FakeWinInetRequest, FailedConnectLeavesTheRequestorIdle) {
  Fake_.ConnectFails = true;
  TQevMultiPostRequestor requestor(nullptr);
  EXPECT_NE(L"<no exception>", MessageOf<EOSError>([&] { Start(requestor, 80, L"x.test", L"/"); }));
  EXPECT_FALSE(requestor.Busy());
}

TEST_F(FakeWinInetRequest, CancelUnblocksTheWorkerWhichEndsWithoutTheMainThread) {
  Fake_.SendGate = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  TQevMultiPostRequestor requestor(nullptr);
  TRequestLog log(requestor);
  Start(requestor, 80, L"gate.test", L"/");
  ASSERT_TRUE(WaitUntil([&] { return Fake_.Blocked != nullptr; }));
  requestor.Cancel();
  EXPECT_TRUE(WorkersGone(false));
  EXPECT_EQ(1, log.EventCount()) << "only the wait message";
}

TEST_F(FakeWinInetRequest, CancelAfterTheWorkerEndedButBeforeItsEndWasServed) {
  TQevMultiPostRequestor requestor(nullptr);
  requestor.DownloadOption = doNone;  // nothing for the main thread to serve on the way
  TRequestLog log(requestor);
  Start(requestor, 80, L"late.test", L"/");
  // The worker closes its request just before it hands its end to the main thread.
  ASSERT_TRUE(WaitUntil([&] { return Fake_.OpenCount() == 2 && Fake_.Opened() == 3; }, false));
  requestor.Cancel();
  EXPECT_TRUE(WorkersGone());
  EXPECT_EQ(0, log.DoneCount);
}

// The worker sees the cancel, ends and frees itself while the cancel is still
// closing its handles; the cancel must close them without reading the worker.
TEST_F(FakeWinInetRequest, CancelClosesEveryHandleWhenTheWorkerIsFreedMeanwhile) {
  Fake_.Redirects = {L"//elsewhere.test/x"};  // the worker connects there itself
  Fake_.SendGate = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  Fake_.UngatedSends = 1;
  Fake_.CloseAwaitsWorkerEnd = true;
  TQevMultiPostRequestor requestor(nullptr);
  TRequestLog log(requestor);
  Start(requestor, 80, L"gate.test", L"/");
  ASSERT_TRUE(WaitUntil([&] { return Fake_.Blocked != nullptr; }));
  {
    ZeroFreedBlocks = true;
    TScopeExit zeroedNoMore([] { ZeroFreedBlocks = false; });
    requestor.Cancel();
  }
  EXPECT_EQ(0, TQevWinInetRequestThread::RunningCount());
  EXPECT_EQ(0, Fake_.OpenCount()) << "the worker's own connection too";
  EXPECT_EQ(1, log.EventCount()) << "only the wait message";
}

// As on the main thread: the report gets the class and the stack of the throw.
TEST_F(FakeWinInetRequest, AForeignExceptionInTheWorkerKeepsItsClass) {
  Fake_.QueryThrows = true;
  auto run = Run(L"alloc.test", true);
  EXPECT_TRUE(run->Log.DoneWithErrors);
  EXPECT_EQ(std::vector<AnsiString>{"std::bad_alloc"}, run->Log.ErrorClasses);
  EXPECT_EQ(TTexts{L"std::bad_alloc"}, run->Log.Errors);
  ASSERT_EQ(1u, run->Log.ErrorRaisedAt.size());
  EXPECT_NE(nullptr, run->Log.ErrorRaisedAt[0]) << "where it was thrown";
}
