// Threads, and the queue through which they run calls on the main thread.
#include <memory>
#include <mutex>
#include <vector>

#include "Classes.h"
#include "Scoped.h"
#include "WinApi.h"

QEV_RESOURCESTRING(Classes, SThreadCreateError, L"Thread creation error: %s");
QEV_RESOURCESTRING(Classes, SCheckSynchronizeError,
                   L"CheckSynchronize called from thread $%x, which is NOT the main thread");

TExceptionHandler ApplicationHandleException;
TNotifyEvent WakeMainThread;
LongWord MainThreadID = 0;

namespace {

THandleOwner NewEvent(bool ManualReset) {
  HANDLE h = CreateEventW(nullptr, ManualReset, FALSE, nullptr);
  if (!h) RaiseLastOSError();
  return THandleOwner(h);
}

// One call waiting for the main thread.
struct TSyncCall {
  TThreadMethod Method;
  std::exception_ptr Error;
  THandleOwner Done = NewEvent(true);
};

std::mutex QueueLock;
std::vector<TSyncCall*> Queue;
HANDLE SyncEvent = nullptr;  // set while Queue holds calls
HWND SyncWindow = nullptr;
constexpr UINT WM_QEV_SYNCHRONIZE = WM_USER + 1;
constexpr wchar_t SyncWindowClass[] = L"QevSyncWindow";

// The default WakeMainThread handler.
class TSyncWaker : public TObject {
 public:
  void Wake(TObject*) {
    if (SyncWindow) PostMessageW(SyncWindow, WM_QEV_SYNCHRONIZE, 0, 0);
  }
};
TSyncWaker Waker;

LRESULT CALLBACK SyncWindowProc(HWND Wnd, UINT Msg, WPARAM WParam, LPARAM LParam) {
  if (Msg != WM_QEV_SYNCHRONIZE) return DefWindowProcW(Wnd, Msg, WParam, LParam);
  try {
    CheckSynchronize();
  } catch (...) {
    HandleCurrentException(nullptr);
  }
  return 0;
}

void ShowFallback(const std::exception_ptr& Error) {
  try {
    std::rethrow_exception(Error);
  } catch (const EAbort&) {
  } catch (const Exception& E) {
    MessageBoxW(nullptr, E.Message.c_str(), L"Error", MB_OK | MB_ICONERROR | MB_TASKMODAL);
  } catch (const std::exception& E) {
    MessageBoxW(nullptr, AnsiToWide(E.what()).c_str(), L"Error",
                MB_OK | MB_ICONERROR | MB_TASKMODAL);
  } catch (...) {
    TraceDroppedException(L"the fallback exception handler");
  }
}

constexpr int PriorityValues[] = {THREAD_PRIORITY_IDLE,         THREAD_PRIORITY_LOWEST,
                                  THREAD_PRIORITY_BELOW_NORMAL, THREAD_PRIORITY_NORMAL,
                                  THREAD_PRIORITY_ABOVE_NORMAL, THREAD_PRIORITY_HIGHEST,
                                  THREAD_PRIORITY_TIME_CRITICAL};

}  // namespace

void HandleCurrentException(TObject* Sender) noexcept {
  // Called where nothing may escape (window procedures, timers, threads): a
  // handler that fails itself must not carry its error out.
  try {
    if (ApplicationHandleException)
      ApplicationHandleException(Sender);
    else
      ShowFallback(std::current_exception());
  } catch (...) {
    TraceDroppedException(L"HandleCurrentException");
  }
}

bool CheckSynchronize(Integer Timeout) {
  if (GetCurrentThreadId() != MainThreadID)
    throw EThread(SCheckSynchronizeError, {static_cast<Integer>(GetCurrentThreadId())});
  if (!SyncEvent || WaitForSingleObject(SyncEvent, static_cast<DWORD>(Timeout)) != WAIT_OBJECT_0)
    return false;
  std::vector<TSyncCall*> calls;
  {
    std::lock_guard<std::mutex> lock(QueueLock);
    calls.swap(Queue);
    ResetEvent(SyncEvent);
  }
  for (TSyncCall* call : calls) {
    try {
      call->Method();
    } catch (...) {
      call->Error = std::current_exception();
    }
    SetEvent(call->Done.get());  // the worker owns call from here
  }
  return !calls.empty();
}

// -------------------------------------------------------------------- TThread

TThread::TThread(bool CreateSuspended) : Suspended_(CreateSuspended) {
  DWORD id = 0;
  Handle_ = CreateThread(nullptr, 0, &ThreadProc, this, CREATE_SUSPENDED, &id);
  if (!Handle_) throw EThread(SThreadCreateError, {SysErrorMessage(GetLastError())});
  ThreadID_ = id;
  if (!CreateSuspended) ResumeThread(Handle_);
}

TThread::~TThread() {
  if (!Finished_) {
    FreeOnTerminate = false;  // this is the delete
    Terminate();
    if (Suspended_) {
      DWORD previous;  // the suspend count before; (DWORD)-1 on failure
      do previous = ResumeThread(Handle_);
      while (previous > 1 && previous != static_cast<DWORD>(-1));
      Suspended_ = false;
    }
    WaitFor();
  }
  CloseHandle(Handle_);
}

unsigned long __stdcall TThread::ThreadProc(void* Parameter) {
  auto* thread = static_cast<TThread*>(Parameter);
  try {
    if (!thread->Terminated_) thread->Execute();
  } catch (...) {
    thread->FatalException_ = std::current_exception();
  }
  const bool freeThread = thread->FreeOnTerminate;
  const LongWord result = thread->ReturnValue;
  try {
    thread->DoTerminate();
  } catch (...) {
    if (!thread->FatalException_) thread->FatalException_ = std::current_exception();
  }
  thread->Finished_ = true;
  if (freeThread) delete thread;
  return result;
}

void TThread::DoTerminate() {
  if (OnTerminate) Synchronize(TThreadMethod::Bind<&TThread::CallOnTerminate>(this));
}

// On the main thread; the owner may have cleared OnTerminate meanwhile.
void TThread::CallOnTerminate() {
  if (!OnTerminate) return;
  try {
    OnTerminate(this);
  } catch (...) {
    HandleCurrentException(this);
  }
}

void TThread::Resume() {
  if (ResumeThread(Handle_) == 1) Suspended_ = false;
}

void TThread::Suspend() {
  Suspended_ = true;
  SuspendThread(Handle_);
}

LongWord TThread::WaitFor() {
  if (GetCurrentThreadId() != MainThreadID) {
    WaitForSingleObject(Handle_, INFINITE);
  } else {
    // Serves the thread's Synchronize calls (OnTerminate among them) and
    // messages sent to this thread's windows while waiting.
    HANDLE handles[2] = {Handle_, SyncEvent};
    const DWORD count = SyncEvent ? 2 : 1;
    for (;;) {
      DWORD r = MsgWaitForMultipleObjects(count, handles, FALSE, INFINITE, QS_SENDMESSAGE);
      if (r == WAIT_OBJECT_0 || r == WAIT_FAILED) break;
      if (r == WAIT_OBJECT_0 + 1 && count == 2) {
        CheckSynchronize();
      } else {
        MSG msg;
        PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE);
      }
    }
  }
  DWORD code = 0;
  GetExitCodeThread(Handle_, &code);
  return code;
}

TThreadPriority TThread::Priority() const {
  const int value = GetThreadPriority(Handle_);
  for (int i = tpIdle; i <= tpTimeCritical; ++i)
    if (PriorityValues[i] == value) return static_cast<TThreadPriority>(i);
  return tpNormal;
}

void TThread::SetPriority(TThreadPriority Value) {
  Win32Check(SetThreadPriority(Handle_, PriorityValues[Value]) != FALSE);
}

void TThread::Synchronize(TThreadMethod Method) { Synchronize(this, Method); }

void TThread::Synchronize(TThread* Thread, TThreadMethod Method) {
  if (GetCurrentThreadId() == MainThreadID) {
    Method();
    return;
  }
  TSyncCall call;
  call.Method = Method;
  {
    std::lock_guard<std::mutex> lock(QueueLock);
    Queue.push_back(&call);
    SetEvent(SyncEvent);
  }
  if (WakeMainThread) WakeMainThread(Thread);
  WaitForSingleObject(call.Done.get(), INFINITE);
  if (call.Error) std::rethrow_exception(call.Error);
}

// ----------------------------------------------------------- initialisation

void Initialization_Classes() {
  MainThreadID = GetCurrentThreadId();
  if (!SyncEvent) SyncEvent = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  if (SyncWindow) return;
  WNDCLASSEXW wc = {};
  wc.cbSize = sizeof(wc);
  wc.lpfnWndProc = &SyncWindowProc;
  wc.hInstance = GetModuleHandleW(nullptr);
  wc.lpszClassName = SyncWindowClass;
  RegisterClassExW(&wc);
  SyncWindow = CreateWindowExW(0, SyncWindowClass, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                               wc.hInstance, nullptr);
  WakeMainThread = TNotifyEvent::Bind<&TSyncWaker::Wake>(&Waker);
}

void Finalization_Classes() {
  WakeMainThread = nullptr;
  if (SyncWindow) DestroyWindow(SyncWindow);
  SyncWindow = nullptr;
  UnregisterClassW(SyncWindowClass, GetModuleHandleW(nullptr));
  if (SyncEvent) CloseHandle(SyncEvent);
  SyncEvent = nullptr;
}
