#include "QevLXFetchUrl.h"

#include <algorithm>
#include <chrono>
#include <utility>
#include <vector>

#include "Forms.h"
#include "QevLXSafeWinInet.h"
#include "QevSysUtils.h"
#include "TickCount64.h"

QEV_RESOURCESTRING(QevLXFetchUrl, SConnecting, L"Connecting...");
QEV_RESOURCESTRING(QevLXFetchUrl, SRequestTimedOut, L"Request timed out.");

ULONGLONG(WINAPI* FetchUrlTickCount)() = &TickCount64;
Integer WebStatTimeoutSeconds = 120;
Int64 FetchUrlMaxBytes = 0;
TWebDownloadProgressFactory CreateWebDownloadProgress = nullptr;

namespace {

// How long the end of the program waits for background fetches to notice
// that they must stop; a fetch stuck in a file read should not hang it forever.
constexpr ULONGLONG StopWaitMs = 10000;

bool OnMainThread() { return GetCurrentThreadId() == MainThreadID; }

class TFetchDeadline {
 public:
  explicit TFetchDeadline(Integer Seconds) : Seconds_(Seconds), Start_(FetchUrlTickCount()) {}
  // Counted in whole seconds, so a limit of 10 passes only after 11 began.
  bool Passed() const {
    return Seconds_ > 0 &&
           (FetchUrlTickCount() - Start_) / 1000 > static_cast<ULONGLONG>(Seconds_);
  }

 private:
  Integer Seconds_;
  ULONGLONG Start_;
};

enum class TWaitEnd { Done, TimedOut, Stopped };

// The main thread keeps serving its messages and the request worker's calls
// (which end the fetch); other threads just wait.
TWaitEnd WaitForFetch(const TFetchUrlIntoString& Fetch, const TFetchDeadline& Deadline,
                      const TThread* StopWith) {
  for (;;) {
    if (Fetch.Done()) return TWaitEnd::Done;
    if (Deadline.Passed()) return TWaitEnd::TimedOut;
    if (StopWith && StopWith->Terminated()) return TWaitEnd::Stopped;
    if (OnMainThread()) {
      if (Application) Application->ProcessMessages();
      CheckSynchronize(50);
    } else {
      Fetch.WaitDone(250);
    }
  }
}

void CopyFileIntoStream(TStream* Stream, const WideString& FileName) {
  TQevFileStream file(FileName, fmOpenRead | fmShareDenyWrite);
  const Int64 size = file.Size();
  Stream->CopyFrom(&file, FetchUrlMaxBytes > 0 ? std::min(size, FetchUrlMaxBytes) : size);
}

// A quiet fetch made, started and freed on the main thread, where the
// requestor's events arrive, so that the calling thread never frees what the
// main thread may still be inside; the calling thread only waits.
class TQuietFetch : public TObject {
 public:
  TQuietFetch(TStream* Stream, const WideString& Url, const WideString& UserName,
              const WideString& Password, const WideString& PostData)
      : Stream_(Stream), Url_(Url), UserName_(UserName), Password_(Password), PostData_(PostData) {}
  ~TQuietFetch() override {
    if (!Fetch_) return;
    try {
      TThread::Synchronize(nullptr, TThreadMethod::Bind<&TQuietFetch::Free>(this));
    } catch (...) {
      TraceDroppedException(L"TQuietFetch: freeing the fetch");
    }
  }

  bool Run(Integer TimeoutSeconds, const TThread* StopWith) {
    TThread::Synchronize(nullptr, TThreadMethod::Bind<&TQuietFetch::Start>(this));
    const TFetchDeadline deadline(TimeoutSeconds);
    return WaitForFetch(*Fetch_, deadline, StopWith) == TWaitEnd::Done &&
           !Fetch_->ErrorsOccurred();
  }

 private:
  void Start() {
    Fetch_ = std::make_unique<TFetchUrlIntoString>(nullptr, Stream_);
    Fetch_->Requestor()->Quiet = true;
    Fetch_->Requestor()->RequestUrl(Url_, UserName_, Password_, PostData_);
  }
  void Free() { Fetch_.reset(); }

  TStream* Stream_;
  WideString Url_, UserName_, Password_, PostData_;
  std::unique_ptr<TFetchUrlIntoString> Fetch_;
};

// The progress window of one modal fetch, in its modal state for as long as
// this object lives.
class TModalProgress {
 public:
  TModalProgress(TComponent* OwnerForm, const WideString& Caption)
      : Window_(CreateWebDownloadProgress ? CreateWebDownloadProgress(OwnerForm) : nullptr) {
    if (!Window_) return;
    Window_->ShowStatus(LoadResString(SConnecting));
    if (!Caption.empty()) Window_->SetCaption(Caption);
    Window_->BeginModal();
    Modal_ = true;
  }
  ~TModalProgress() {
    if (!Modal_) return;
    try {
      Window_->EndModal();
    } catch (...) {
      HandleCurrentException(nullptr);
    }
  }
  TModalProgress(const TModalProgress&) = delete;
  TModalProgress& operator=(const TModalProgress&) = delete;

  void Connect(TFetchUrlIntoString& Fetch) {
    if (!Window_) return;
    Window_->SetOnCancel(TNotifyEvent::Bind<&TFetchUrlIntoString::Cancel>(&Fetch));
    TQevFetchUrl* requestor = Fetch.Requestor();
    requestor->OnMessage = TStringEvent::Bind<&IQevWebDownloadProgress::ShowStatus>(Window_.get());
    requestor->OnProgress =
        TProgressNotifyEvent::Bind<&IQevWebDownloadProgress::ShowProgress>(Window_.get());
  }

 private:
  std::unique_ptr<IQevWebDownloadProgress> Window_;
  bool Modal_ = false;
};

std::mutex RunningLock;
std::vector<TWebStatThread*> RunningThreads;

}  // namespace

// ======================================================================= URLs

void SplitUrl(const WideString& Url, WideString& Scheme, WideString& Host, Integer& Port,
              WideString& ObjectPath) {
  const size_t mark = Url.find(L"://");
  Scheme = mark == WideString::npos ? WideString() : Url.substr(0, mark + 3);
  WideString rest = Url.substr(Scheme.size());
  if (Scheme.empty()) Scheme = L"http://";
  if (WideSameText(Scheme, L"https://")) {
    Port = INTERNET_DEFAULT_HTTPS_PORT;
  } else if (WideSameText(Scheme, L"http://")) {
    Port = INTERNET_DEFAULT_HTTP_PORT;
  } else if (WideSameText(Scheme, L"file://")) {
    Port = 0;
    Host = WideExtractFileDrive(rest);
    ObjectPath = rest;
    return;
  } else {
    throw EQevInternalError(L"Internal Error: Port [%s] not supported.", {Scheme});
  }
  SplitHostAndPath(rest, Host, Port, ObjectPath);
}

WideString UrlToLocalFileName(const WideString& Url) {
  WideString scheme, host, path;
  Integer port;
  SplitUrl(Url, scheme, host, port, path);
  return WideSameText(scheme, L"file://") ? path : WideString();
}

void LoadLocalFileIntoStream(TStream* Stream, const WideString& FileName) {
  Stream->SetPosition(0);
  CopyFileIntoStream(Stream, FileName);
}

QEV_DEFINE_CLASS(TQevFetchUrl)

void TQevFetchUrl::RequestUrl(const WideString& Url, const WideString& UserName,
                              const WideString& Password, const WideString& PostData) {
  PostItems()->Clear();
  PostItems()->Add(PostData);
  WaitMessages()->Clear();
  WaitMessages()->Add(LoadResString(SDefaultWaitMsg));
  WideString scheme, host, path;
  Integer port;
  SplitUrl(Url, scheme, host, port, path);
  Secure = WideSameText(scheme, L"https://");
  OpenConnection(port, host, path, UserName, Password);
}

// ========================================================== one fetch's end

TFetchUrlIntoString::TFetchUrlIntoString(TQevStrings* Strings, TStream* Stream)
    : Requestor_(std::make_unique<TQevFetchUrl>(nullptr)), Strings_(Strings), Stream_(Stream) {
  Requestor_->MaxResponseBytes = FetchUrlMaxBytes;
  Requestor_->OnRequestDone = TRequestDoneEvent::Bind<&TFetchUrlIntoString::RequestDone>(this);
}

TFetchUrlIntoString::~TFetchUrlIntoString() = default;

bool TFetchUrlIntoString::Done() const {
  std::lock_guard<std::mutex> lock(Lock_);
  return Done_;
}

bool TFetchUrlIntoString::ErrorsOccurred() const {
  std::lock_guard<std::mutex> lock(Lock_);
  return ErrorsOccurred_;
}

bool TFetchUrlIntoString::WaitDone(DWORD Milliseconds) const {
  std::unique_lock<std::mutex> lock(Lock_);
  return Changed_.wait_for(lock, std::chrono::milliseconds(Milliseconds), [this] { return Done_; });
}

void TFetchUrlIntoString::RequestDone(TStream* Response, bool Errors) {
  if (!Errors) {
    try {
      CopyResponse(Response);
    } catch (...) {
      // Not quiet: the sender shows it and reports the request failed.
      if (!Requestor_->Quiet) throw;
      Errors = true;
    }
  }
  MarkDone(Errors);
}

void TFetchUrlIntoString::CopyResponse(TStream* Response) {
  if (Strings_) {
    Response->SetPosition(0);
    Strings_->LoadFromStream(Response);
  }
  if (Stream_) Stream_->CopyFrom(Response, 0);
}

void TFetchUrlIntoString::Cancel(TObject*) {
  Requestor_->Cancel();
  MarkDone(true);
}

void TFetchUrlIntoString::MarkDone(bool Errors) {
  {
    std::lock_guard<std::mutex> lock(Lock_);
    ErrorsOccurred_ = Errors;
    Done_ = true;
  }
  Changed_.notify_all();
}

// ============================================================ the three roads

void FetchUrlModal(TQevStrings* Strings, const WideString& Url, const WideString& UserName,
                   const WideString& Password, const WideString& PostData,
                   const WideString& Caption, TComponent* OwnerForm, TStream* Stream,
                   Integer TimeoutSeconds) {
  const WideString fileName = UrlToLocalFileName(Url);
  if (!fileName.empty()) {
    TQevMemoryStream content;  // read once, and no further than a fetch would
    CopyFileIntoStream(&content, fileName);
    if (Stream) {
      Stream->SetPosition(0);
      Stream->CopyFrom(&content, 0);
    }
    content.SetPosition(0);
    if (Strings) Strings->LoadFromStream(&content);
    return;
  }
  // Leaving, the fetch goes first (cancelling a running request), then the
  // modal state, then the window.
  TModalProgress progress(OwnerForm, Caption);
  TFetchUrlIntoString fetch(Strings, Stream);
  progress.Connect(fetch);
  fetch.Requestor()->RequestUrl(Url, UserName, Password, PostData);
  const TFetchDeadline deadline(TimeoutSeconds);
  if (WaitForFetch(fetch, deadline, nullptr) == TWaitEnd::TimedOut)
    throw EQevGeneralError(SRequestTimedOut);
  if (fetch.ErrorsOccurred()) Abort();
}

bool FetchUrlIntoStream(TStream* Stream, const WideString& Url, const WideString& UserName,
                        const WideString& Password, const WideString& PostData,
                        Integer TimeoutSeconds, const TThread* StopWith) {
  try {
    const WideString fileName = UrlToLocalFileName(Url);
    if (!fileName.empty()) {
      CopyFileIntoStream(Stream, fileName);
      return true;
    }
    if (!IsInternetConnected()) return true;
    TQuietFetch fetch(Stream, Url, UserName, Password, PostData);
    return fetch.Run(TimeoutSeconds, StopWith);
  } catch (...) {
    TraceDroppedException(L"FetchUrlIntoStream");
    return false;
  }
}

// ======================================================= the background fetch

TWebStatThread::TWebStatThread() : TThread(true) {
  std::lock_guard<std::mutex> lock(RunningLock);
  RunningThreads.push_back(this);
}

TWebStatThread::~TWebStatThread() {
  std::lock_guard<std::mutex> lock(RunningLock);
  RunningThreads.erase(std::find(RunningThreads.begin(), RunningThreads.end(), this));
}

Integer TWebStatThread::RunningCount() {
  std::lock_guard<std::mutex> lock(RunningLock);
  return static_cast<Integer>(RunningThreads.size());
}

void TWebStatThread::Execute() {
  try {
    Stream_ = std::make_unique<TQevMemoryStream>();
    Ok_ = FetchUrlIntoStream(Stream_.get(), Url, UserName, Password, PostData, TimeoutSeconds,
                             this);
    if (!Terminated()) Synchronize(TThreadMethod::Bind<&TWebStatThread::SyncCallback>(this));
  } catch (...) {
    // never a message from the background
    TraceDroppedException(L"TWebStatThread");
  }
  Stream_.reset();
}

// The Sync... methods run on the main thread, where the owner detaches.

void TWebStatThread::SyncCallback() {
  if (Terminated() || !Callback) return;
  Callback(Ok_ ? Stream_.get() : nullptr);
}

void TWebStatThread::DoTerminate() {
  try {
    Synchronize(TThreadMethod::Bind<&TWebStatThread::SyncTerminated>(this));
  } catch (...) {
    TraceDroppedException(L"TWebStatThread: its end");
  }
}

void TWebStatThread::SyncTerminated() {
  if (OnTerminate) OnTerminate(this);
}

QEV_DEFINE_CLASS(TWebStatThreadOwner)

TWebStatThreadOwner::~TWebStatThreadOwner() {
  // Set until the thread's last call into the main thread, so it still exists.
  if (TWebStatThread* thread = std::exchange(Thread_, nullptr)) {
    thread->Callback = nullptr;
    thread->OnTerminate = nullptr;
    thread->Terminate();
  }
}

void TWebStatThreadOwner::ThreadTerminated(TObject*) {
  Thread_ = nullptr;
  delete this;
}

TWebStatThreadOwner* StartWebStatThread(const WideString& Url, const WideString& UserName,
                                        const WideString& Password, TWebStatCallback Callback,
                                        TComponent* Owner, const WideString& PostData) {
  auto owner = std::make_unique<TWebStatThreadOwner>(Owner);
  auto thread = std::make_unique<TWebStatThread>();
  thread->SetPriority(tpIdle);
  thread->Url = Url;
  thread->UserName = UserName;
  thread->Password = Password;
  thread->PostData = PostData;
  thread->TimeoutSeconds = WebStatTimeoutSeconds;
  thread->Callback = Callback;
  thread->OnTerminate = TNotifyEvent::Bind<&TWebStatThreadOwner::ThreadTerminated>(owner.get());
  thread->FreeOnTerminate = true;
  owner->Thread_ = thread.release();
  owner->Thread_->Resume();
  return owner.release();
}

void StopWebStatThreads() {
  {
    std::lock_guard<std::mutex> lock(RunningLock);
    for (TWebStatThread* thread : RunningThreads) thread->Terminate();
  }
  // They hand their last steps to this thread. Their request workers are let
  // go: a worker keeps WinInet loaded and leaves it as soon as its blocked call returns.
  const ULONGLONG start = TickCount64();
  while (TWebStatThread::RunningCount() > 0 && TickCount64() - start < StopWaitMs)
    CheckSynchronize(50);
}

// ================================================================ unit start

void Initialization_QevLXFetchUrl() { StopWinInetThreads = &StopWebStatThreads; }

void Finalization_QevLXFetchUrl() {
  StopWebStatThreads();
  if (StopWinInetThreads == &StopWebStatThreads) StopWinInetThreads = nullptr;
}
