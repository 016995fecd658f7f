// Worker threads and the calls they hand to the main thread.
#include <gtest/gtest.h>

#include <atomic>
#include <functional>

#include "Classes.h"
#include "MessagePump.h"
#include "Scoped.h"
#include "TestSupport.h"

namespace {

// A thread whose body is given by the test.
class TTestThread : public TThread {
 public:
  explicit TTestThread(std::function<void(TTestThread*)> Body,
                       std::atomic<bool>* Destroyed = nullptr)
      : TThread(true), Body_(std::move(Body)), Destroyed_(Destroyed) {}
  ~TTestThread() override {
    if (Destroyed_) *Destroyed_ = true;
  }
  using TThread::ReturnValue;
  using TThread::Synchronize;

 protected:
  void Execute() override { Body_(this); }

 private:
  std::function<void(TTestThread*)> Body_;
  std::atomic<bool>* Destroyed_;
};

// Methods to hand to Synchronize and OnTerminate.
struct TMainSide {
  std::function<void()> Call;
  DWORD ThreadId = 0;
  void Run() {
    ThreadId = GetCurrentThreadId();
    if (Call) Call();
  }
  void Terminated(TObject* Sender) {
    ThreadId = GetCurrentThreadId();
    LastSender = Sender;
    if (Call) Call();
  }
  TObject* LastSender = nullptr;
};

}  // namespace

TEST(Thread, SynchronizeRunsOnTheMainThreadWhileTheWorkerWaits) {
  TMainSide main;
  bool mainDone = false;
  main.Call = [&] { mainDone = true; };
  DWORD workerId = 0;
  bool workerSawMainDone = false;
  std::atomic<bool> finished = false;
  TTestThread thread([&](TTestThread* self) {
    workerId = GetCurrentThreadId();
    self->Synchronize(TThreadMethod::Bind<&TMainSide::Run>(&main));
    workerSawMainDone = mainDone;
    finished = true;
  });
  thread.Resume();
  // Served by an ordinary message loop, woken through the hidden window.
  ASSERT_TRUE(PumpUntil([&] { return finished.load(); }, thread.Handle()));
  thread.WaitFor();
  EXPECT_EQ(GetCurrentThreadId(), main.ThreadId);
  EXPECT_NE(workerId, main.ThreadId);
  EXPECT_EQ(thread.ThreadID(), workerId);
  EXPECT_TRUE(workerSawMainDone);
}

TEST(Thread, WaitForServesSynchronizeAndReturnsTheReturnValue) {
  TMainSide main;
  TTestThread thread([&](TTestThread* self) {
    self->Synchronize(TThreadMethod::Bind<&TMainSide::Run>(&main));
    self->ReturnValue = 42;
  });
  thread.Resume();
  EXPECT_EQ(42u, thread.WaitFor());
  EXPECT_EQ(GetCurrentThreadId(), main.ThreadId);
  EXPECT_TRUE(thread.Finished());
  EXPECT_FALSE(thread.FatalException());
}

TEST(Thread, AnExceptionInASynchronizedMethodIsRaisedInTheWorker) {
  TMainSide main;
  main.Call = [] { throw EConvertError(WideString(L"bad \x0436")); };
  WideString caught;
  TTestThread thread([&](TTestThread* self) {
    caught = MessageOf<EConvertError>(
        [&] { self->Synchronize(TThreadMethod::Bind<&TMainSide::Run>(&main)); });
  });
  thread.Resume();
  thread.WaitFor();
  EXPECT_EQ(L"bad \x0436", caught);
  // The main thread goes on: the queue is empty again.
  EXPECT_FALSE(CheckSynchronize());
}

TEST(Thread, CheckSynchronizeRunsOnlyOnTheMainThread) {
  EXPECT_FALSE(CheckSynchronize());
  EXPECT_FALSE(CheckSynchronize(0));
  WideString fromWorker;
  TTestThread thread([&](TTestThread*) {
    fromWorker = MessageOf<EThread>([] { CheckSynchronize(); });
  });
  thread.Resume();
  thread.WaitFor();
  EXPECT_EQ(0u, fromWorker.find(L"CheckSynchronize called from thread $"));
}

TEST(Thread, TerminateIsSeenByTheWorker) {
  HANDLE started = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  HANDLE go = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  TTestThread thread([&](TTestThread* self) {
    SetEvent(started);
    WaitForSingleObject(go, 20000);
    self->ReturnValue = self->Terminated() ? 7 : 1;
  });
  EXPECT_TRUE(thread.Suspended());
  thread.Resume();
  EXPECT_FALSE(thread.Suspended());
  EXPECT_FALSE(thread.Terminated());
  WaitForSingleObject(started, 20000);  // a thread terminated before it runs skips Execute
  thread.Terminate();
  EXPECT_TRUE(thread.Terminated());
  SetEvent(go);
  EXPECT_EQ(7u, thread.WaitFor());
  CloseHandle(go);
  CloseHandle(started);
}

TEST(Thread, AnExceptionEndingExecuteBecomesTheFatalException) {
  TTestThread thread([](TTestThread*) { throw EConvertError(WideString(L"broken")); });
  thread.Resume();
  thread.WaitFor();
  ASSERT_TRUE(thread.FatalException());
  EXPECT_EQ(L"broken", MessageOf<EConvertError>([&] { std::rethrow_exception(thread.FatalException()); }));
}

TEST(Thread, FreeOnTerminateDeletesAfterOnTerminateRanOnTheMainThread) {
  TMainSide main;
  std::atomic<bool> destroyed = false;
  bool destroyedBeforeOnTerminate = true;
  main.Call = [&] { destroyedBeforeOnTerminate = destroyed; };
  auto* thread = new TTestThread([](TTestThread*) {}, &destroyed);
  thread->FreeOnTerminate = true;
  thread->OnTerminate = TNotifyEvent::Bind<&TMainSide::Terminated>(&main);
  TObject* expectedSender = thread;
  HANDLE ended = nullptr;  // the thread's handle goes with the object
  DuplicateHandle(GetCurrentProcess(), thread->Handle(), GetCurrentProcess(), &ended, SYNCHRONIZE,
                  FALSE, 0);
  thread->Resume();
  ASSERT_TRUE(PumpUntil([&] { return destroyed.load(); }, ended));
  CloseHandle(ended);
  EXPECT_EQ(GetCurrentThreadId(), main.ThreadId);
  EXPECT_EQ(expectedSender, main.LastSender);
  EXPECT_FALSE(destroyedBeforeOnTerminate);
}

TEST(Thread, AnOnTerminateClearedBeforeTheEndIsNotCalled) {
  TMainSide main;
  HANDLE go = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  TTestThread thread([&](TTestThread*) { WaitForSingleObject(go, 20000); });
  thread.OnTerminate = TNotifyEvent::Bind<&TMainSide::Terminated>(&main);
  thread.Resume();
  thread.OnTerminate = nullptr;
  SetEvent(go);
  thread.WaitFor();
  EXPECT_EQ(0u, main.ThreadId);
  CloseHandle(go);
}

TEST(Thread, AnExceptionInOnTerminateGoesToTheApplicationHandler) {
  struct TCatcher {
    WideString Message;
    TObject* Sender = nullptr;
    void Handle(TObject* S) {
      Sender = S;
      Message = MessageOf<Exception>([] { throw; });
    }
  } catcher;
  TRestore<TExceptionHandler> restore(ApplicationHandleException);
  ApplicationHandleException = TExceptionHandler::Bind<&TCatcher::Handle>(&catcher);
  TMainSide main;
  main.Call = [] { throw EConvertError(WideString(L"in OnTerminate")); };
  TTestThread thread([](TTestThread*) {});
  thread.OnTerminate = TNotifyEvent::Bind<&TMainSide::Terminated>(&main);
  thread.Resume();
  thread.WaitFor();
  EXPECT_EQ(L"in OnTerminate", catcher.Message);
  EXPECT_EQ(&thread, catcher.Sender);
  EXPECT_FALSE(thread.FatalException());
}

TEST(Thread, PrioritiesMapToTheSystemsThreadPriorities) {
  const struct {
    TThreadPriority Priority;
    int System;
  } cases[] = {{tpIdle, THREAD_PRIORITY_IDLE},
               {tpLowest, THREAD_PRIORITY_LOWEST},
               {tpLower, THREAD_PRIORITY_BELOW_NORMAL},
               {tpNormal, THREAD_PRIORITY_NORMAL},
               {tpHigher, THREAD_PRIORITY_ABOVE_NORMAL},
               {tpHighest, THREAD_PRIORITY_HIGHEST},
               {tpTimeCritical, THREAD_PRIORITY_TIME_CRITICAL}};
  TTestThread thread([](TTestThread*) {});
  EXPECT_EQ(tpNormal, thread.Priority());
  for (const auto& c : cases) {
    thread.SetPriority(c.Priority);
    EXPECT_EQ(c.System, GetThreadPriority(thread.Handle())) << c.Priority;
    EXPECT_EQ(c.Priority, thread.Priority());
  }
}

TEST(Thread, DestroyingAThreadNeverStartedSkipsExecute) {
  bool ran = false;
  std::atomic<bool> destroyed = false;
  {
    TTestThread thread([&](TTestThread*) { ran = true; }, &destroyed);
    thread.FreeOnTerminate = true;  // the delete wins
    thread.Suspend();               // suspended twice over
  }
  EXPECT_TRUE(destroyed);
  EXPECT_FALSE(ran);
}
