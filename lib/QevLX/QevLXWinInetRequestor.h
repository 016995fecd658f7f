// One HTTP or HTTPS request at a time on a worker thread, through the WinInet
// table of QevLXSafeWinInet. The worker reports to the main thread only by
// synchronous calls; forms use TQevMultiPostRequestor and its events.
#pragma once

#include <atomic>
#include <exception>
#include <memory>
#include <mutex>

#include "Classes.h"
#include "QevClasses.h"
#include "QevLXSafeWinInet.h"

extern const TResStringRec SKBytesReceivedMsg;
extern const TResStringRec SDefaultWaitMsg;
extern const TResStringRec SRequestCancelled;
extern const TResStringRec SPortOutOfRange;
extern const TResStringRec SHttpStatusError;

using TStringEvent = TEvent<void(const WideString& Value)>;
using TProgressNotifyEvent = TEvent<void(Int64 BytesDownloaded, Int64 TotalAvailable)>;
// Not TExceptionEvent: the platform's (Forms) is another shape, with a
// sender before the exception, and both are needed in one program.
using TRequestExceptionEvent = TEvent<void(Exception* E)>;
using TRequestDoneEvent = TEvent<void(TStream* Stream, bool ErrorsOccurred)>;

// Read the body into the stream / only ask for the content length / neither.
enum TDownloadOption { doStream, doSizeOnly, doNone };
QEV_ENUM_TYPEINFO(TDownloadOption, "doStream", "doSizeOnly", "doNone");

// Hosts whose certificate date or name errors the user accepted, shared by
// the workers of every requestor for the life of the program. Use them only
// through the two functions below, which lock them.
extern TQevStringList* CertDateIgnoreHosts;
extern TQevStringList* CertNameIgnoreHosts;
bool CertHostAccepted(TQevStringList* const& List, const WideString& Host);
void AcceptCertHost(TQevStringList* const& List, const WideString& Host);

// Host and ObjectPath (without its leading "/") of "host[:port][/path]", the
// part of an http address after its scheme. Port is kept unless the host
// names one; a port that is no number raises EConvertError.
void SplitHostAndPath(const WideString& Rest, WideString& Host, Integer& Port,
                      WideString& ObjectPath);

// Redirects a request follows; one more fails it as an HTTP error does.
constexpr Integer MaxRedirects = 5;

// Test seam: runs on a worker that has read a block of the body and found
// itself not stopped, before it hands the block over; none in the programs.
extern void (*RequestBlockReadProbe)();

// ------------------------------------------------------------ the worker

// Created suspended and filled in by the sender; frees itself when done.
class TQevWinInetRequestThread : public TThread {
 public:
  TQevWinInetRequestThread();
  ~TQevWinInetRequestThread() override;
  const char* ClassName() const override { return "TQevWinInetRequestThread"; }

  // On the main thread, by the sender: no event reaches the sender any more,
  // Terminated is set and the request handle is closed, which ends a blocked
  // WinInet call. The worker must not be touched afterwards.
  void Detach();

  // Workers not yet freed, in the whole process.
  static Integer RunningCount() { return Running_; }

  Int64 BytesDownloaded = 0;  // read so far
  Int64 TotalAvailable = 0;  // 0 when the response gives no length
  HINTERNET Connection = nullptr;  // the requestor's
  HINTERNET Session = nullptr;     // the requestor's; a redirect to another server connects here
  WideString Host;
  WideString ObjectPath;
  WideString Verb;
  DWORD Flags = 0;
  WideString PostData;  // sent as ANSI bytes
  // Not owned; written on the main thread only, block by block, while the
  // sender has not let the worker go.
  TStream* Stream = nullptr;
  Int64 MaxBytes = 0;  // the body is read up to this many bytes; 0: all of it
  TDownloadOption DownloadOption = doStream;
  bool Quiet = false;  // no dialogs; every failure raises
  TProgressNotifyEvent OnProgress;
  TRequestExceptionEvent OnException;
  HWND ParentWindow = nullptr;

 protected:
  void Execute() override;
  // Instead of the base's: the sender may detach at any moment before this.
  void DoTerminate() override;

 private:
  void OpenRequest();
  DWORD SendRequest();
  void SendUntilAnswered();
  void HandleSendError(DWORD Code);
  Integer StatusCode();
  bool FollowRedirect();
  bool Retarget(const WideString& Location);
  void ConnectElsewhere(const WideString& Rest, bool Secure);
  void CheckStatus();
  void QueryContentLength();
  void ReadResponse();
  [[noreturn]] static void RaiseWinInetError(DWORD Code);

  HINTERNET RequestHandle();
  void KeepRequest(HINTERNET Handle);
  void KeepConnection(HINTERNET Handle);
  void CloseRequest();
  void SyncProgress();
  void SyncBlock();
  void SyncException();
  void SyncTerminated();

  // What Detach and the worker's end decide together, under its lock. Detach
  // keeps it alive: the worker may be freed while Detach still closes handles.
  struct TRequestLink {
    const TSafeWinInetHold WinInet;  // every WinInet call of the worker
    std::mutex Lock;
    HINTERNET Request = nullptr;  // closed by whichever side comes first
    HINTERNET Redirected = nullptr;  // the worker's own connection, closed after Request
    bool Detached = false;        // the sender let the worker go
    bool Ending = false;          // the worker is past its last use of the request
  };
  std::shared_ptr<TRequestLink> Link_;
  const TSafeWinInetHold& WinInet_;  // the link's
  char Block_[1024];  // the last block read, the worker's until the main thread wrote it
  DWORD BlockSize_ = 0;
  std::exception_ptr ExceptionObject_;
  bool Resend_ = false;
  bool Reopen_ = false;
  bool ReopenAfterResend_ = false;
  bool CaReopened_ = false;  // reopened once for an unknown certificate authority
  Integer Redirects_ = 0;
  static std::atomic<Integer> Running_;
};

// ------------------------------------------------------------ the sender

// Starts one worker at a time, relays its events, detaches or cancels it.
class TQevWinInetRequestSender : public TComponent {
  QEV_CLASS(TQevWinInetRequestSender, TComponent)
 public:
  using TComponent::TComponent;
  ~TQevWinInetRequestSender() override;

  // Session lets redirects reach other servers; MaxBytes (0: none) limits
  // the body read, leaving the rest unread.
  void Send(HINTERNET Connection, const WideString& Host, bool Quiet,
            TDownloadOption DownloadOption, TStream* Stream, const WideString& PostData,
            DWORD Flags, const WideString& Verb, const WideString& ObjectPath,
            HINTERNET Session = nullptr, Int64 MaxBytes = 0);
  // Lets a running worker go; no event of it follows.
  void Cancel();
  // The first form up the owner chain, else the application window.
  HWND ParentWindow() const;

  bool ErrorsOccurred = false;
  // Published, as are the requestor's events and options below.
  TProgressNotifyEvent OnProgress;
  TRequestDoneEvent OnRequestDone;
  TRequestExceptionEvent OnException;

 private:
  void WorkerException(Exception* E);
  void ThreadTerminated(TObject* Sender);

  TQevWinInetRequestThread* Worker_ = nullptr;
};

// ---------------------------------------------------------- the requestor

// Owns a WinInet session and connection to one host, the request items (post
// data and a wait message each) and a temporary file that receives the last
// item's response.
class TQevMultiPostRequestor : public TComponent {
  QEV_CLASS(TQevMultiPostRequestor, TComponent)
 public:
  explicit TQevMultiPostRequestor(TComponent* AOwner);
  ~TQevMultiPostRequestor() override;

  // Sends the items in turn. Fill PostItems and WaitMessages first. Port 0
  // is the service's default; a port beyond 65535 raises.
  void OpenConnection(Integer Port, const WideString& Host, const WideString& ObjectPath,
                      const WideString& UserName, const WideString& Password);
  // Stops the request; no OnRequestDone follows.
  void Cancel();
  bool Busy() const { return InternetHandle_ || ConnectionHandle_; }

  TStringEvent OnMessage;
  TRequestDoneEvent OnRequestDone;
  TProgressNotifyEvent OnProgress;
  bool Secure = false;
  bool Quiet = false;
  TDownloadOption DownloadOption = doStream;
  TRequestExceptionEvent OnException;
  // The response is read up to this many bytes; 0: all of it. A cut
  // response still ends the request without errors.
  Int64 MaxResponseBytes = 0;

  TQevStringList* PostItems() const { return PostItems_.get(); }
  TQevStringList* WaitMessages() const { return WaitMessages_.get(); }
  TStream* ResponseStream() const { return ResponseStream_.get(); }
  const WideString& TempFileName() const { return TempFileName_; }

 protected:
  TQevWinInetRequestSender* Sender() const { return Sender_; }

 private:
  void SenderRequestDone(TStream* Stream, bool ErrorsOccurred);
  void SenderProgress(Int64 BytesDownloaded, Int64 TotalAvailable);
  void SenderException(Exception* E);
  void ShowApplicationException(Exception* E);
  void Finish(bool Errors);
  void CloseHandles();

  TQevWinInetRequestSender* Sender_ = nullptr;  // owned as a component
  TInternetHandle InternetHandle_;
  TInternetHandle ConnectionHandle_;
  WideString TempFileName_;
  std::unique_ptr<TQevFileStream> ResponseStream_;
  Integer ItemIndex_ = -1;
  WideString Host_;
  WideString ObjectPath_;
  std::unique_ptr<TQevStringList> PostItems_;
  std::unique_ptr<TQevStringList> WaitMessages_;
};

// Start: the two host lists. End: frees them.
void Initialization_QevLXWinInetRequestor();
void Finalization_QevLXWinInetRequestor();
