#include "QevLXWinInetRequestor.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <utility>

#include "Forms.h"
#include "QevLXUtils.h"
#include "QevSysUtils.h"

QEV_RESOURCESTRING(QevLXWinInetRequestor, SKBytesReceivedMsg, L"Received %d KB");
QEV_RESOURCESTRING(QevLXWinInetRequestor, SDefaultWaitMsg, L"Please wait...");
QEV_RESOURCESTRING(QevLXWinInetRequestor, SRequestCancelled, L"Request cancelled.");
QEV_RESOURCESTRING(QevLXWinInetRequestor, SPortOutOfRange, L"Port %d is out of range.");
QEV_RESOURCESTRING(QevLXWinInetRequestor, SHttpStatusError, L"The server answered %d %s.");

TQevStringList* CertDateIgnoreHosts = nullptr;
TQevStringList* CertNameIgnoreHosts = nullptr;
void (*RequestBlockReadProbe)() = nullptr;

namespace {

constexpr const WideChar* QevUnitSource = L"lib\\QevLX\\QevLXWinInetRequestor";  // named by assertions

// The workers of every requestor read and add to the host lists.
std::mutex CertHostsLock;

constexpr DWORD ErrorDialogFlags = FLAGS_ERROR_UI_FILTER_FOR_ERRORS |
                                   FLAGS_ERROR_UI_FLAGS_CHANGE_OPTIONS |
                                   FLAGS_ERROR_UI_FLAGS_GENERATE_DATA;

// The send results that WinInet's own dialog can resolve; 0 lets it react to
// the HTTP status (a request for credentials).
bool DialogResolves(DWORD Code) {
  switch (Code) {
    case ERROR_SUCCESS:
    case ERROR_INTERNET_INCORRECT_PASSWORD:
    case ERROR_INTERNET_SEC_CERT_DATE_INVALID:
    case ERROR_INTERNET_SEC_CERT_CN_INVALID:
    case ERROR_INTERNET_HTTP_TO_HTTPS_ON_REDIR:
    case ERROR_INTERNET_POST_IS_NON_SECURE:
    case ERROR_INTERNET_INVALID_CA:
      return true;
    default:
      return false;
  }
}

Int64 ContentLength(const WideString& Text) {
  try {
    return std::max<Int64>(0, StrToInt64(WideToAnsi(Text)));
  } catch (const EConvertError&) {
    return 0;
  }
}

WideString AppTitle() { return Application ? AnsiToWide(Application->Title()) : WideString(); }

// The exception being handled, one of another class made an EForeignException
// here, on its own thread, while the record of its throw is fresh: it keeps its
// class and stack as on the main thread.
std::exception_ptr CurrentAsException() {
  try {
    throw;
  } catch (const Exception&) {
    return std::current_exception();
  } catch (...) {
    return std::make_exception_ptr(CurrentForeignException());
  }
}

bool IsRedirect(Integer Status) {
  switch (Status) {
    case HTTP_STATUS_MOVED:
    case HTTP_STATUS_REDIRECT:
    case HTTP_STATUS_REDIRECT_METHOD:
    case HTTP_STATUS_REDIRECT_KEEP_VERB:
    case HTTP_STATUS_PERMANENT_REDIRECT:
      return true;
    default:
      return false;
  }
}

}  // namespace

bool CertHostAccepted(TQevStringList* const& List, const WideString& Host) {
  std::lock_guard<std::mutex> lock(CertHostsLock);
  return List && List->IndexOf(Host) >= 0;
}

void AcceptCertHost(TQevStringList* const& List, const WideString& Host) {
  std::lock_guard<std::mutex> lock(CertHostsLock);
  if (List) List->Add(Host);
}

void SplitHostAndPath(const WideString& Rest, WideString& Host, Integer& Port,
                      WideString& ObjectPath) {
  const size_t slash = Rest.find(L'/');
  Host = Rest.substr(0, slash);
  ObjectPath = slash == WideString::npos ? WideString() : Rest.substr(slash + 1);
  const size_t colon = Host.find(L':');
  if (colon == WideString::npos) return;
  Port = StrToInt(WideToAnsi(Host.substr(colon + 1)));
  Host.resize(colon);
}

// ================================================================ the worker

std::atomic<Integer> TQevWinInetRequestThread::Running_ = 0;

TQevWinInetRequestThread::TQevWinInetRequestThread()
    : TThread(true), Link_(std::make_shared<TRequestLink>()), WinInet_(Link_->WinInet) {
  ++Running_;
}

TQevWinInetRequestThread::~TQevWinInetRequestThread() {
  --Running_;
}

void TQevWinInetRequestThread::Detach() {
  // Once the lock is let go the worker may end and free itself at any moment:
  // from there on only the link is used, which this keeps alive.
  std::shared_ptr<TRequestLink> link = Link_;
  HINTERNET request = nullptr, connection = nullptr;
  {
    std::lock_guard<std::mutex> lock(link->Lock);
    link->Detached = true;
    OnTerminate = nullptr;
    OnProgress = nullptr;
    OnException = nullptr;
    if (!link->Ending) {
      Terminate();
      request = std::exchange(link->Request, nullptr);
      connection = std::exchange(link->Redirected, nullptr);
    }
  }
  link->WinInet.Close(request);
  link->WinInet.Close(connection);
}

HINTERNET TQevWinInetRequestThread::RequestHandle() {
  std::lock_guard<std::mutex> lock(Link_->Lock);
  return Link_->Request;
}

void TQevWinInetRequestThread::KeepRequest(HINTERNET Handle) {
  {
    std::lock_guard<std::mutex> lock(Link_->Lock);
    if (!Link_->Detached) {
      Link_->Request = Handle;
      return;
    }
  }
  WinInet_.Close(Handle);
}

void TQevWinInetRequestThread::KeepConnection(HINTERNET Handle) {
  HINTERNET previous = Handle;  // closed at once when the sender let the worker go
  {
    std::lock_guard<std::mutex> lock(Link_->Lock);
    if (!Link_->Detached) previous = std::exchange(Link_->Redirected, Handle);
  }
  WinInet_.Close(previous);
}

void TQevWinInetRequestThread::CloseRequest() {
  HINTERNET request;
  {
    std::lock_guard<std::mutex> lock(Link_->Lock);
    request = std::exchange(Link_->Request, nullptr);
  }
  WinInet_.Close(request);
}

void TQevWinInetRequestThread::RaiseWinInetError(DWORD Code) {
  throw EQevGeneralError(WinInetErrorText(Code));
}

void TQevWinInetRequestThread::Execute() {
  try {
    do {
      SendUntilAnswered();
      if (Terminated()) return;
    } while (FollowRedirect());
    CheckStatus();
    if (DownloadOption == doStream || DownloadOption == doSizeOnly) QueryContentLength();
    if (DownloadOption == doStream) ReadResponse();
  } catch (...) {
    if (Terminated()) return;
    ExceptionObject_ = CurrentAsException();
    Synchronize(TThreadMethod::Bind<&TQevWinInetRequestThread::SyncException>(this));
  }
}

void TQevWinInetRequestThread::DoTerminate() {
  bool detached;
  HINTERNET request, connection;
  {
    std::lock_guard<std::mutex> lock(Link_->Lock);
    Link_->Ending = true;
    detached = Link_->Detached;
    request = std::exchange(Link_->Request, nullptr);
    connection = std::exchange(Link_->Redirected, nullptr);
  }
  WinInet_.Close(request);
  WinInet_.Close(connection);
  // Detached: nobody waits for the end, and the sender no longer knows this object.
  if (!detached) Synchronize(TThreadMethod::Bind<&TQevWinInetRequestThread::SyncTerminated>(this));
}

// Until the request counts as sent; a certificate error the user accepts
// opens or sends it again.
void TQevWinInetRequestThread::SendUntilAnswered() {
  do {
    Reopen_ = false;
    ReopenAfterResend_ = false;
    OpenRequest();
    do {
      Resend_ = false;
      const DWORD code = SendRequest();
      if (Terminated()) return;
      HandleSendError(code);
    } while (Resend_ && !Terminated());
    if (ReopenAfterResend_) Reopen_ = true;
  } while (Reopen_ && !Terminated());
}

void TQevWinInetRequestThread::OpenRequest() {
  CloseRequest();  // the one of the previous round
  // WinInet's own following never ends with a server that redirects to
  // itself: FollowRedirect counts them instead.
  DWORD flags = Flags | INTERNET_FLAG_KEEP_CONNECTION | INTERNET_FLAG_NO_AUTO_REDIRECT;
  // The consent of the current host only, never kept in Flags: a redirect
  // to another server must not take it along.
  if (CertHostAccepted(CertDateIgnoreHosts, Host)) flags |= INTERNET_FLAG_IGNORE_CERT_DATE_INVALID;
  if (CertHostAccepted(CertNameIgnoreHosts, Host)) flags |= INTERNET_FLAG_IGNORE_CERT_CN_INVALID;
  HINTERNET request;
  if (WinInet_.Wide) {
    LPCWSTR accept[] = {L"*/*", nullptr};
    request = WinInet_.Entries.HttpOpenRequestW(Connection, Verb.c_str(), ObjectPath.c_str(),
                                                nullptr, nullptr, accept, flags, 0);
  } else {
    const AnsiString verb = WideToAnsi(Verb), path = WideToAnsi(ObjectPath);
    LPCSTR accept[] = {"*/*", nullptr};
    request = WinInet_.Entries.HttpOpenRequestA(Connection, verb.c_str(), path.c_str(), nullptr,
                                                nullptr, accept, flags, 0);
  }
  if (!request) RaiseWinInetError(GetLastError());
  KeepRequest(request);
}

DWORD TQevWinInetRequestThread::SendRequest() {
  static const WideChar HeaderW[] = L"Content-Type: application/x-www-form-urlencoded";
  static const AnsiChar HeaderA[] = "Content-Type: application/x-www-form-urlencoded";
  AnsiString data = WideToAnsi(PostData);
  void* optional = data.empty() ? nullptr : data.data();
  const auto size = static_cast<DWORD>(data.size());
  const BOOL ok =
      WinInet_.Wide
          ? WinInet_.Entries.HttpSendRequestW(RequestHandle(), HeaderW,
                                              static_cast<DWORD>(std::wcslen(HeaderW)), optional,
                                              size)
          : WinInet_.Entries.HttpSendRequestA(RequestHandle(), HeaderA,
                                              static_cast<DWORD>(std::strlen(HeaderA)), optional,
                                              size);
  return ok ? ERROR_SUCCESS : GetLastError();
}

void TQevWinInetRequestThread::HandleSendError(DWORD Code) {
  if (Quiet || !DialogResolves(Code)) {
    if (Code != ERROR_SUCCESS) RaiseWinInetError(Code);
    return;
  }
  const DWORD result = WinInet_.Entries.InternetErrorDlg(ParentWindow, RequestHandle(), Code,
                                                        ErrorDialogFlags, nullptr);
  if (result == ERROR_CANCELLED) throw EQevGeneralError(SRequestCancelled);
  // Only the user's consent resolves an error; a dialog that failed does not.
  if (result != ERROR_SUCCESS && result != ERROR_INTERNET_FORCE_RETRY) {
    if (Code != ERROR_SUCCESS) RaiseWinInetError(Code);
    return;
  }
  switch (Code) {
    case ERROR_INTERNET_SEC_CERT_DATE_INVALID:
      AcceptCertHost(CertDateIgnoreHosts, Host);
      Reopen_ = true;
      return;
    case ERROR_INTERNET_SEC_CERT_CN_INVALID:
      AcceptCertHost(CertNameIgnoreHosts, Host);
      Reopen_ = true;
      return;
    case ERROR_INTERNET_INVALID_CA:
      // The dialog's consent lives on this handle only; a new handle would
      // ask again, so reopen once at most.
      Resend_ = true;
      if (!CaReopened_) ReopenAfterResend_ = CaReopened_ = true;
      return;
  }
  if (result == ERROR_INTERNET_FORCE_RETRY) Resend_ = true;
}

Integer TQevWinInetRequestThread::StatusCode() {
  Integer status = 0;
  const WideString text = WinInet_.QueryInfo(RequestHandle(), HTTP_QUERY_STATUS_CODE);
  return TryStrToInt(WideToAnsi(text), status) ? status : 0;
}

// Always with GET, as browsers do after a POST. A redirect not followed is
// left to CheckStatus.
bool TQevWinInetRequestThread::FollowRedirect() {
  if (Redirects_ == MaxRedirects || !IsRedirect(StatusCode())) return false;
  const WideString location = WinInet_.QueryInfo(RequestHandle(), HTTP_QUERY_LOCATION);
  if (location.empty() || !Retarget(location)) return false;
  ++Redirects_;
  Verb = L"GET";
  PostData.clear();
  return true;
}

// Location is a whole http or https address, one without its scheme
// ("//server/path"), a path from the server's root or one relative to the
// current path. Another scheme is not followed.
bool TQevWinInetRequestThread::Retarget(const WideString& Location) {
  const size_t colon = Location.find(L':');
  if (colon != WideString::npos && colon < Location.find_first_of(L"/?#")) {
    for (const bool secure : {false, true}) {
      const WideString scheme = secure ? L"https://" : L"http://";
      if (!WideSameText(Location.substr(0, scheme.size()), scheme)) continue;
      ConnectElsewhere(Location.substr(scheme.size()), secure);
      return true;
    }
    return false;
  }
  if (Location.starts_with(L"//")) {
    ConnectElsewhere(Location.substr(2), (Flags & INTERNET_FLAG_SECURE) != 0);
    return true;
  }
  const WideString path = ObjectPath.substr(0, ObjectPath.find(L'?'));
  if (Location.front() == L'/')
    ObjectPath = Location;
  else if (Location.front() == L'?')
    ObjectPath = path + Location;
  else
    ObjectPath = path.substr(0, path.rfind(L'/') + 1) + Location;  // npos + 1: none
  return true;
}

// The redirect may name another server, port or scheme: a connection of the
// worker's own, made in the requestor's session.
void TQevWinInetRequestThread::ConnectElsewhere(const WideString& Rest, bool Secure) {
  WideString host, path;
  Integer port = Secure ? INTERNET_DEFAULT_HTTPS_PORT : INTERNET_DEFAULT_HTTP_PORT;
  SplitHostAndPath(Rest, host, port, path);
  if (port < 0 || port > 65535) throw EQevGeneralError(SPortOutOfRange, {port});
  CloseRequest();  // it belongs to the connection that is replaced
  const auto p = static_cast<INTERNET_PORT>(port);
  HINTERNET connection =
      WinInet_.Wide
          ? WinInet_.Entries.InternetConnectW(Session, host.c_str(), p, nullptr, nullptr,
                                              INTERNET_SERVICE_HTTP, 0, 0)
          : WinInet_.Entries.InternetConnectA(Session, WideToAnsi(host).c_str(), p, nullptr,
                                              nullptr, INTERNET_SERVICE_HTTP, 0, 0);
  if (!connection) RaiseWinInetError(GetLastError());
  KeepConnection(connection);
  Connection = connection;
  Host = host;
  ObjectPath = path;
  Flags = Secure ? Flags | INTERNET_FLAG_SECURE : Flags & ~DWORD(INTERNET_FLAG_SECURE);
}

void TQevWinInetRequestThread::CheckStatus() {
  const Integer status = StatusCode();
  if (status < HTTP_STATUS_BAD_REQUEST && !IsRedirect(status)) return;
  throw EQevGeneralError(SHttpStatusError,
                         {status, WinInet_.QueryInfo(RequestHandle(), HTTP_QUERY_STATUS_TEXT)});
}

void TQevWinInetRequestThread::QueryContentLength() {
  if (Terminated()) return;
  TotalAvailable = ContentLength(WinInet_.QueryInfo(RequestHandle(), HTTP_QUERY_CONTENT_LENGTH));
  if (Terminated()) return;
  BytesDownloaded = 0;
  Synchronize(TThreadMethod::Bind<&TQevWinInetRequestThread::SyncProgress>(this));
}

// Each block goes to the stream on the main thread, where a cancel cannot come
// between the look at whether the sender still wants it and the write: once
// the sender let go, the stream may be gone.
void TQevWinInetRequestThread::ReadResponse() {
  if (Terminated()) return;
  QEV_ASSERT(DownloadOption == doStream, L"Assertion failure");  // Send checked the stream
  while (!Terminated()) {
    if (MaxBytes > 0 && BytesDownloaded >= MaxBytes) return;  // the rest stays unread
    DWORD available = 0;
    if (!WinInet_.Entries.InternetQueryDataAvailable(RequestHandle(), &available, 0, 0))
      RaiseWinInetError(GetLastError());
    if (available == 0) return;  // the server sent everything
    DWORD wanted = std::min<DWORD>(available, sizeof Block_);
    if (MaxBytes > 0)
      wanted = static_cast<DWORD>(std::min<Int64>(wanted, MaxBytes - BytesDownloaded));
    BlockSize_ = 0;
    if (!WinInet_.Entries.InternetReadFile(RequestHandle(), Block_, wanted, &BlockSize_))
      RaiseWinInetError(GetLastError());
    if (Terminated() || BlockSize_ == 0) return;
    if (RequestBlockReadProbe) RequestBlockReadProbe();
    BytesDownloaded += BlockSize_;
    Synchronize(TThreadMethod::Bind<&TQevWinInetRequestThread::SyncBlock>(this));
  }
}

// The Sync... methods run on the main thread, where Detach clears the events.

void TQevWinInetRequestThread::SyncProgress() {
  if (OnProgress) OnProgress(BytesDownloaded, TotalAvailable);
}

void TQevWinInetRequestThread::SyncBlock() {
  {
    std::lock_guard<std::mutex> lock(Link_->Lock);
    if (Link_->Detached) return;
  }
  Stream->WriteBuffer(Block_, BlockSize_);
  SyncProgress();
}

void TQevWinInetRequestThread::SyncException() {
  if (!OnException) return;
  try {
    try {
      std::rethrow_exception(ExceptionObject_);
    } catch (Exception& E) {  // a foreign one came as EForeignException
      OnException(&E);
    }
  } catch (...) {
    HandleCurrentException(this);
  }
}

void TQevWinInetRequestThread::SyncTerminated() {
  const TNotifyEvent handler = OnTerminate;  // the handler detaches, which clears it
  if (!handler) return;
  try {
    handler(this);
  } catch (...) {
    HandleCurrentException(this);
  }
}

// ================================================================ the sender

QEV_DEFINE_CLASS(TQevWinInetRequestSender,
                 QEV_PROPERTY(OnProgress, OnProgress, OnProgress),
                 QEV_PROPERTY(OnRequestDone, OnRequestDone, OnRequestDone),
                 QEV_PROPERTY(OnException, OnException, OnException))

TQevWinInetRequestSender::~TQevWinInetRequestSender() { Cancel(); }

void TQevWinInetRequestSender::Send(HINTERNET Connection, const WideString& Host, bool Quiet,
                                    TDownloadOption DownloadOption, TStream* Stream,
                                    const WideString& PostData, DWORD Flags, const WideString& Verb,
                                    const WideString& ObjectPath, HINTERNET Session,
                                    Int64 MaxBytes) {
  CheckCondition(!Worker_, L"Internal Error: Can only process one request at a time.");
  QEV_ASSERT(DownloadOption != doStream || Stream, L"Assertion failure");
  auto worker = std::make_unique<TQevWinInetRequestThread>();
  worker->Connection = Connection;
  worker->Session = Session;
  worker->MaxBytes = MaxBytes;
  worker->Host = Host;
  worker->ObjectPath = ObjectPath;
  worker->Verb = Verb;
  worker->Flags = Flags;
  worker->PostData = PostData;
  worker->Stream = Stream;
  worker->DownloadOption = DownloadOption;
  worker->Quiet = Quiet;
  worker->OnProgress = OnProgress;
  worker->OnException =
      TRequestExceptionEvent::Bind<&TQevWinInetRequestSender::WorkerException>(this);
  worker->ParentWindow = ParentWindow();
  worker->OnTerminate = TNotifyEvent::Bind<&TQevWinInetRequestSender::ThreadTerminated>(this);
  worker->FreeOnTerminate = true;
  ErrorsOccurred = false;
  Worker_ = worker.release();
  Worker_->Resume();
}

void TQevWinInetRequestSender::Cancel() {
  if (TQevWinInetRequestThread* worker = std::exchange(Worker_, nullptr)) worker->Detach();
}

HWND TQevWinInetRequestSender::ParentWindow() const {
  for (TComponent* c = Owner(); c; c = c->Owner())
    if (auto* form = dynamic_cast<TForm*>(c)) return form->Handle();
  return Application ? Application->Handle() : nullptr;
}

void TQevWinInetRequestSender::WorkerException(Exception* E) {
  ErrorsOccurred = true;
  if (OnException) OnException(E);
}

void TQevWinInetRequestSender::ThreadTerminated(TObject*) {
  TStream* stream = Worker_ ? Worker_->Stream : nullptr;
  Cancel();
  try {
    if (OnRequestDone) OnRequestDone(stream, ErrorsOccurred);
  } catch (...) {
    HandleCurrentException(this);
    try {
      if (OnRequestDone) OnRequestDone(nullptr, true);
    } catch (...) {
      HandleCurrentException(this);
    }
  }
}

// ============================================================= the requestor

QEV_DEFINE_CLASS(TQevMultiPostRequestor,
                 QEV_PROPERTY(OnMessage, OnMessage, OnMessage),
                 QEV_PROPERTY(OnRequestDone, OnRequestDone, OnRequestDone),
                 QEV_PROPERTY(OnProgress, OnProgress, OnProgress),
                 QEV_PROPERTY(Secure, Secure, Secure).Default(false),
                 QEV_PROPERTY(Quiet, Quiet, Quiet).Default(false),
                 QEV_PROPERTY(DownloadOption, DownloadOption, DownloadOption).Default(doStream),
                 QEV_PROPERTY(OnException, OnException, OnException))

TQevMultiPostRequestor::TQevMultiPostRequestor(TComponent* AOwner)
    : TComponent(AOwner),
      TempFileName_(GetGcTempFileName(L".tmp")),
      ResponseStream_(std::make_unique<TQevFileStream>(TempFileName_, fmCreate)),
      PostItems_(std::make_unique<TQevStringList>()),
      WaitMessages_(std::make_unique<TQevStringList>()) {
  Sender_ = new TQevWinInetRequestSender(this);
  Sender_->OnRequestDone =
      TRequestDoneEvent::Bind<&TQevMultiPostRequestor::SenderRequestDone>(this);
  Sender_->OnProgress = TProgressNotifyEvent::Bind<&TQevMultiPostRequestor::SenderProgress>(this);
  Sender_->OnException =
      TRequestExceptionEvent::Bind<&TQevMultiPostRequestor::SenderException>(this);
}

TQevMultiPostRequestor::~TQevMultiPostRequestor() {
  Sender_->Cancel();
  ResponseStream_.reset();
  WideDeleteFile(TempFileName_);
  CloseHandles();
}

void TQevMultiPostRequestor::OpenConnection(Integer Port, const WideString& Host,
                                            const WideString& ObjectPath,
                                            const WideString& UserName,
                                            const WideString& Password) {
  if (Busy()) throw EQevInternalError(L"Internal Error: Previous request is already in progress.");
  if (Port < 0 || Port > 65535) throw EQevGeneralError(SPortOutOfRange, {Port});
  CheckSafeWinInetOn();
  TScopeExit idleOnFailure([this] { CloseHandles(); });  // a failed start leaves it idle
  const auto port = static_cast<INTERNET_PORT>(Port);
  if (SafeWinInetWide) {
    InternetHandle_.reset(SafeWinInet.InternetOpenW(AppTitle().c_str(),
                                                    INTERNET_OPEN_TYPE_PRECONFIG, nullptr, nullptr, 0));
    if (!InternetHandle_) RaiseLastOSError();
    ConnectionHandle_.reset(SafeWinInet.InternetConnectW(InternetHandle_.get(), Host.c_str(), port,
                                                         UserName.c_str(), Password.c_str(),
                                                         INTERNET_SERVICE_HTTP, 0, 0));
  } else {
    InternetHandle_.reset(SafeWinInet.InternetOpenA(WideToAnsi(AppTitle()).c_str(),
                                                    INTERNET_OPEN_TYPE_PRECONFIG, nullptr, nullptr, 0));
    if (!InternetHandle_) RaiseLastOSError();
    ConnectionHandle_.reset(SafeWinInet.InternetConnectA(
        InternetHandle_.get(), WideToAnsi(Host).c_str(), port, WideToAnsi(UserName).c_str(),
        WideToAnsi(Password).c_str(), INTERNET_SERVICE_HTTP, 0, 0));
  }
  if (!ConnectionHandle_) RaiseLastOSError();
  Host_ = Host;
  ObjectPath_ = ObjectPath;
  ItemIndex_ = -1;
  SenderRequestDone(nullptr, false);
  idleOnFailure.Dismiss();
}

void TQevMultiPostRequestor::Cancel() {
  Sender_->Cancel();
  CloseHandles();
}

void TQevMultiPostRequestor::CloseHandles() {
  ConnectionHandle_.reset();
  InternetHandle_.reset();
}

void TQevMultiPostRequestor::SenderRequestDone(TStream*, bool ErrorsOccurred) {
  if (ErrorsOccurred) return Finish(true);
  if (PostItems_->Count() == ItemIndex_ + 1) return Finish(false);
  ++ItemIndex_;
  if (OnMessage)
    OnMessage(ItemIndex_ < WaitMessages_->Count() ? WaitMessages_->Get(ItemIndex_)
                                                  : LoadResString(SDefaultWaitMsg));
  const bool last = ItemIndex_ + 1 == PostItems_->Count();
  TDownloadOption option = DownloadOption;
  TStream* target = nullptr;
  if (!last && option == doStream) {
    option = doNone;  // only the last item's body is kept
  } else if (option == doStream) {
    ResponseStream_->SetSize(0);
    target = ResponseStream_.get();
  }
  const WideString postData = PostItems_->Get(ItemIndex_);
  Sender_->Send(ConnectionHandle_.get(), Host_, Quiet, option, target, postData,
                Secure ? INTERNET_FLAG_SECURE : 0, postData.empty() ? L"GET" : L"POST",
                ObjectPath_, InternetHandle_.get(), MaxResponseBytes);
}

void TQevMultiPostRequestor::Finish(bool Errors) {
  CloseHandles();
  if (!OnRequestDone) return;
  if (Errors)
    OnRequestDone(nullptr, true);
  else
    OnRequestDone(ResponseStream_.get(), false);
}

void TQevMultiPostRequestor::SenderProgress(Int64 BytesDownloaded, Int64 TotalAvailable) {
  if (OnMessage) OnMessage(WideFormat(LoadResString(SKBytesReceivedMsg), {BytesDownloaded / 1024}));
  if (OnProgress) OnProgress(BytesDownloaded, TotalAvailable);
}

void TQevMultiPostRequestor::SenderException(Exception* E) {
  if (!Quiet) ShowApplicationException(E);
  if (OnException) OnException(E);
}

// The application's display of exceptions: its handler (the exception report
// when one is installed), else its message box.
void TQevMultiPostRequestor::ShowApplicationException(Exception* E) {
  if (!Application) return;
  if (Application->OnException)
    Application->OnException(this, E);
  else
    Application->ShowException(E);
}

// ================================================================ unit start

namespace {

TQevStringList* NewHostList() {
  auto* list = new TQevStringList;
  list->SetSorted(true);
  list->Duplicates = dupIgnore;
  return list;
}

void FreeHostList(TQevStringList*& List) {
  std::lock_guard<std::mutex> lock(CertHostsLock);
  delete std::exchange(List, nullptr);
}

}  // namespace

void Initialization_QevLXWinInetRequestor() {
  std::lock_guard<std::mutex> lock(CertHostsLock);
  if (!CertDateIgnoreHosts) CertDateIgnoreHosts = NewHostList();
  if (!CertNameIgnoreHosts) CertNameIgnoreHosts = NewHostList();
}

void Finalization_QevLXWinInetRequestor() {
  FreeHostList(CertNameIgnoreHosts);
  FreeHostList(CertDateIgnoreHosts);
}
