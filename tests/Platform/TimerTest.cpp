// Timers: ticks through the message loop, stopping, failing handlers.
#include <gtest/gtest.h>

#include "ExtCtrls.h"
#include "MessagePump.h"
#include "Scoped.h"
#include "TestSupport.h"

namespace {

struct TTicks {
  int Count = 0;
  TObject* Sender = nullptr;
  bool StopAtFirst = false;
  void Tick(TObject* S) {
    ++Count;
    Sender = S;
    if (StopAtFirst) static_cast<TTimer*>(S)->SetEnabled(false);
  }
  void Fail(TObject*) {
    ++Count;
    throw EConvertError(WideString(L"tick failed"));
  }
};

struct TCatcher {
  int Count = 0;
  WideString Message;
  TObject* Sender = nullptr;
  void Handle(TObject* S) {
    ++Count;
    Sender = S;
    Message = MessageOf<Exception>([] { throw; });
  }
};

}  // namespace

TEST(Timer, StartsEnabledWithASecondAndTicksThroughTheMessageLoop) {
  TTimer timer(nullptr);
  EXPECT_TRUE(timer.Enabled());
  EXPECT_EQ(1000u, timer.Interval());
  TTicks ticks;
  timer.SetInterval(1);
  timer.SetOnTimer(TNotifyEvent::Bind<&TTicks::Tick>(&ticks));
  ASSERT_TRUE(PumpUntil([&] { return ticks.Count >= 3; }));
  EXPECT_EQ(&timer, ticks.Sender);
}

TEST(Timer, DisabledOrZeroIntervalTimersDoNotTick) {
  TTimer stopped(nullptr), zero(nullptr), reference(nullptr);
  TTicks stoppedTicks, zeroTicks, referenceTicks;
  stoppedTicks.StopAtFirst = true;  // a handler may stop its own timer
  stopped.SetInterval(1);
  stopped.SetOnTimer(TNotifyEvent::Bind<&TTicks::Tick>(&stoppedTicks));
  zero.SetInterval(0);
  zero.SetOnTimer(TNotifyEvent::Bind<&TTicks::Tick>(&zeroTicks));
  ASSERT_TRUE(PumpUntil([&] { return stoppedTicks.Count >= 1; }));
  // A timer of the same interval ticks many times meanwhile.
  reference.SetInterval(1);
  reference.SetOnTimer(TNotifyEvent::Bind<&TTicks::Tick>(&referenceTicks));
  ASSERT_TRUE(PumpUntil([&] { return referenceTicks.Count >= 5; }));
  EXPECT_EQ(1, stoppedTicks.Count);
  EXPECT_FALSE(stopped.Enabled());
  EXPECT_EQ(0, zeroTicks.Count);
  // Enabled again, it ticks again.
  stopped.SetEnabled(true);
  ASSERT_TRUE(PumpUntil([&] { return stoppedTicks.Count >= 2; }));
}

TEST(Timer, AnExceptionInOnTimerGoesToTheApplicationHandler) {
  TCatcher catcher;
  TRestore<TExceptionHandler> restore(ApplicationHandleException);
  ApplicationHandleException = TExceptionHandler::Bind<&TCatcher::Handle>(&catcher);
  TTimer timer(nullptr);
  TTicks ticks;
  timer.SetInterval(1);
  timer.SetOnTimer(TNotifyEvent::Bind<&TTicks::Fail>(&ticks));
  // The loop goes on after a failed tick: the timer keeps ticking.
  ASSERT_TRUE(PumpUntil([&] { return catcher.Count >= 2; }));
  EXPECT_EQ(L"tick failed", catcher.Message);
  EXPECT_EQ(&timer, catcher.Sender);
  EXPECT_EQ(ticks.Count, catcher.Count);
}

TEST(Timer, IsACreatableClassWithPublishedProperties) {
  Initialization_ExtCtrls();
  const TClass* cls = GetClass("TTimer");
  ASSERT_EQ(TTimer::StaticClass(), cls);
  std::unique_ptr<TPersistent> made(cls->Factory()(nullptr));
  auto* timer = dynamic_cast<TTimer*>(made.get());
  ASSERT_NE(nullptr, timer);
  SetOrdProp(timer, GetPropInfo(timer, "Interval"), 20);
  SetOrdProp(timer, GetPropInfo(timer, "Enabled"), 0);
  EXPECT_EQ(20u, timer->Interval());
  EXPECT_FALSE(timer->Enabled());
  EXPECT_NE(nullptr, GetPropInfo(timer, "OnTimer", TTypeKinds{tkMethod}));
}
