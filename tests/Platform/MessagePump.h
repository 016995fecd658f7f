// Runs the thread's message loop until a condition holds.
#pragma once

#include <gtest/gtest.h>

#include "Classes.h"
#include "WinApi.h"

// Dispatches messages until Done() holds; false when it did not within the
// guard time, which only keeps a broken build from hanging. Done() is tested
// after each message and when Signal (a handle that another thread sets
// when it changes Done's answer) is signalled.
template <typename F>
bool PumpUntil(F Done, HANDLE Signal = nullptr, DWORD GuardMs = 20000) {
  const DWORD start = GetTickCount();
  while (!Done()) {
    const DWORD spent = GetTickCount() - start;
    if (spent >= GuardMs) return false;
    MsgWaitForMultipleObjects(Signal ? 1 : 0, &Signal, FALSE, GuardMs - spent, QS_ALLINPUT);
    MSG msg;
    while (!Done() && PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
  }
  return true;
}

// Like PumpUntil, and also runs the calls worker threads hand the main thread
// through Synchronize.
template <typename F>
bool ServeUntil(F Done) {
  for (const ULONGLONG start = GetTickCount64(); !Done();) {
    if (GetTickCount64() - start >= 20000) return false;
    CheckSynchronize(10);
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
  }
  return true;
}
