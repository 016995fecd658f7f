// The content of a URL three ways: modal with a progress window, waiting
// without a window, and on an idle background thread that calls back on the
// main thread. "file://" URLs are read from disk without WinInet.
#pragma once

#include <condition_variable>
#include <memory>
#include <mutex>

#include "Classes.h"
#include "QevClasses.h"
#include "QevLXWinInetRequestor.h"

extern const TResStringRec SConnecting;
extern const TResStringRec SRequestTimedOut;

// The clock of the time limits, in milliseconds; tests may replace it.
extern ULONGLONG(WINAPI* FetchUrlTickCount)();
// The time limit of a background fetch, in seconds; 0 means none.
extern Integer WebStatTimeoutSeconds;
// The most bytes of a response or "file://" file that the three roads read;
// 0 means all. A longer content arrives cut, without an error: a caller that
// sets this tells a cut one by its size.
extern Int64 FetchUrlMaxBytes;

// Scheme keeps its "://"; a URL without one is "http://". Port is the
// scheme's (0 for "file://", whose Host is the drive and ObjectPath the whole
// rest) unless the host names one; a port that is no number raises
// EConvertError. Other schemes raise EQevInternalError.
void SplitUrl(const WideString& Url, WideString& Scheme, WideString& Host, Integer& Port,
              WideString& ObjectPath);
// The local path of a "file://" URL, else empty.
WideString UrlToLocalFileName(const WideString& Url);
// Stream from its start becomes the file's bytes (the first FetchUrlMaxBytes).
void LoadLocalFileIntoStream(TStream* Stream, const WideString& FileName);

class TQevFetchUrl : public TQevMultiPostRequestor {
  QEV_CLASS(TQevFetchUrl, TQevMultiPostRequestor)
 public:
  using TQevMultiPostRequestor::TQevMultiPostRequestor;
  // One GET, or a POST when PostData is not empty.
  void RequestUrl(const WideString& Url, const WideString& UserName, const WideString& Password,
                  const WideString& PostData);
};

// The end of one fetch: fills Strings and Stream (either may be nil) on the
// main thread, then marks itself done, so that whoever sees Done may use them.
class TFetchUrlIntoString : public TObject {
 public:
  TFetchUrlIntoString(TQevStrings* Strings, TStream* Stream);
  ~TFetchUrlIntoString() override;  // cancels a running request

  TQevFetchUrl* Requestor() const { return Requestor_.get(); }
  bool Done() const;
  bool ErrorsOccurred() const;
  // Done within Milliseconds; for threads other than the main one.
  bool WaitDone(DWORD Milliseconds) const;
  // The requestor's OnRequestDone.
  void RequestDone(TStream* Response, bool Errors);
  // Stops the request: done, with errors.
  void Cancel(TObject* Sender = nullptr);

 private:
  void CopyResponse(TStream* Response);
  void MarkDone(bool Errors);

  std::unique_ptr<TQevFetchUrl> Requestor_;
  mutable std::mutex Lock_;
  mutable std::condition_variable Changed_;
  bool Done_ = false;
  bool ErrorsOccurred_ = false;
  TQevStrings* Strings_;
  TStream* Stream_;
};

// The progress window of FetchUrlModal. TQevWebDownloadProgressForm
// implements it and its unit installs CreateWebDownloadProgress.
class IQevWebDownloadProgress {
 public:
  virtual ~IQevWebDownloadProgress() = default;
  virtual void SetCaption(const WideString& Caption) = 0;
  virtual void ShowStatus(const WideString& Value) = 0;
  virtual void ShowProgress(Int64 BytesDownloaded, Int64 TotalAvailable) = 0;
  // The Cancel button's OnClick.
  virtual void SetOnCancel(TNotifyEvent Handler) = 0;
  // Shown without a message loop of its own: the owner control (or every
  // other window) is disabled until EndModal.
  virtual void BeginModal() = 0;
  virtual void EndModal() = 0;
};
// A new progress window owned by OwnerForm (may be nil). Without a factory a
// modal fetch runs without a window.
using TWebDownloadProgressFactory = IQevWebDownloadProgress* (*)(TComponent* OwnerForm);
extern TWebDownloadProgressFactory CreateWebDownloadProgress;

// Fills Strings and Stream (either may be nil) while a progress window shows
// the download. Errors inside the request are shown by the application and
// end, like Cancel, in the silent EAbort; TimeoutSeconds (0: none) raises
// "Request timed out.".
void FetchUrlModal(TQevStrings* Strings, const WideString& Url, const WideString& UserName,
                   const WideString& Password, const WideString& PostData,
                   const WideString& Caption, TComponent* OwnerForm, TStream* Stream,
                   Integer TimeoutSeconds);
// Appends the content to Stream without any window or message; false on any
// failure, including the time limit (0: none) and StopWith terminated. Without
// an Internet connection nothing is fetched and the result is true. On other
// threads than the main one the main thread must serve Synchronize.
bool FetchUrlIntoStream(TStream* Stream, const WideString& Url, const WideString& UserName,
                        const WideString& Password, const WideString& PostData,
                        Integer TimeoutSeconds = 0, const TThread* StopWith = nullptr);

// Stream is nil after a failure; it is valid only during the call.
using TWebStatCallback = TEvent<void(TStream* Stream)>;

// Fetches on an idle thread and calls back on the main thread; frees itself.
class TWebStatThread : public TThread {
 public:
  TWebStatThread();  // suspended
  ~TWebStatThread() override;
  const char* ClassName() const override { return "TWebStatThread"; }

  // Threads not yet freed, in the whole process.
  static Integer RunningCount();

  WideString Url;
  WideString UserName;
  WideString Password;
  WideString PostData;
  Integer TimeoutSeconds = 0;
  TWebStatCallback Callback;  // read on the main thread only

 protected:
  void Execute() override;
  // Instead of the base's: OnTerminate may be cleared by the main thread at any time.
  void DoTerminate() override;

 private:
  void SyncCallback();
  void SyncTerminated();

  std::unique_ptr<TQevMemoryStream> Stream_;
  bool Ok_ = false;
};

// Lives as long as its thread unless its owner frees it first; then the
// thread runs on without calling back.
class TWebStatThreadOwner : public TComponent {
  QEV_CLASS(TWebStatThreadOwner, TComponent)
 public:
  using TComponent::TComponent;
  ~TWebStatThreadOwner() override;

  TWebStatThread* Thread() const { return Thread_; }

 private:
  friend TWebStatThreadOwner* StartWebStatThread(const WideString&, const WideString&,
                                                 const WideString&, TWebStatCallback,
                                                 TComponent*, const WideString&);
  void ThreadTerminated(TObject* Sender);

  TWebStatThread* Thread_ = nullptr;
};

// Callback runs on the main thread with the content, an empty stream when
// there is no connection, or nil after a failure; never a message. The owner
// (owned by Owner) frees itself after the callback.
TWebStatThreadOwner* StartWebStatThread(const WideString& Url, const WideString& UserName,
                                        const WideString& Password, TWebStatCallback Callback,
                                        TComponent* Owner, const WideString& PostData);
// Stops every background fetch (no callback follows) and waits for its thread
// to end; on the main thread.
void StopWebStatThreads();

// Start: lets WinInet's unloading stop the background fetches first.
void Initialization_QevLXFetchUrl();
void Finalization_QevLXFetchUrl();
