#include "TickCount64.h"

#include <atomic>

#include "Scoped.h"

DWORD(WINAPI* WidenedTickSource)() = &GetTickCount;

namespace {

using TTickCount64 = ULONGLONG(WINAPI*)();

std::atomic<ULONGLONG> LastWidenedTicks{0};

ULONGLONG WINAPI BindTickCount64();

}  // namespace

// What the import of GetTickCount64 names: every call of it, from any object
// of the program, goes through this pointer instead of the import table, so
// kernel32 is never asked for the function at load time.
extern "C" {
#if defined(__i386__)
TTickCount64 ImportedTickCount64 asm("__imp__GetTickCount64@0") = &BindTickCount64;
#else
TTickCount64 ImportedTickCount64 asm("__imp_GetTickCount64") = &BindTickCount64;
#endif
}

namespace {

// The first call binds the pointer; threads that race here bind the same.
ULONGLONG WINAPI BindTickCount64() {
  TTickCount64 bound = ProcAddress<TTickCount64>(GetModuleHandleW(L"kernel32.dll"), "GetTickCount64");
  if (!bound) bound = &WidenedTickCount;
  std::atomic_ref<TTickCount64>(ImportedTickCount64).store(bound);
  return bound();
}

}  // namespace

ULONGLONG WINAPI TickCount64() { return std::atomic_ref<TTickCount64>(ImportedTickCount64).load()(); }

ULONGLONG WINAPI WidenedTickCount() {
  constexpr ULONGLONG Wrap = 0x100000000ull;
  ULONGLONG last = LastWidenedTicks.load();
  for (;;) {
    // Read after the last value was seen, so it is never older than that.
    const DWORD low = WidenedTickSource();
    ULONGLONG now = (last & ~(Wrap - 1)) | low;
    if (now < last) now += Wrap;
    if (LastWidenedTicks.compare_exchange_weak(last, now)) return now;
  }
}
