// The 64-bit tick count: the import of GetTickCount64 answered by the
// system's function where there is one, and the count widened from the
// 32-bit one where there is none.
#include <gtest/gtest.h>

#include "Scoped.h"
#include "TickCount64.h"

namespace {

DWORD FakeTicks = 0;
DWORD WINAPI FakeTickCount() { return FakeTicks; }

TEST(TickCount64Test, WidenedCountGoesOnAcrossEachWrapOfTheThirtyTwoBitCount) {
  TRestore<DWORD(WINAPI*)()> source(WidenedTickSource, &FakeTickCount);
  struct Case {
    DWORD Ticks;
    ULONGLONG Widened;
  };
  const Case cases[] = {
      {0xFFFFFF00u, 0xFFFFFF00ull},  {0xFFFFFFFFu, 0xFFFFFFFFull},
      {0x00000010u, 0x100000010ull},  // the first wrap
      {0x00000010u, 0x100000010ull},  // no time passed: no wrap
      {0x80000000u, 0x180000000ull},  {0x00000005u, 0x200000005ull},  // the second wrap
  };
  for (const Case& c : cases) {
    FakeTicks = c.Ticks;
    EXPECT_EQ(WidenedTickCount(), c.Widened) << std::hex << c.Ticks;
  }
}

TEST(TickCount64Test, ImportedGetTickCount64IsTheSystemsWhereKernel32HasIt) {
  const auto system = ProcAddress<ULONGLONG(WINAPI*)()>(GetModuleHandleW(L"kernel32.dll"),
                                                         "GetTickCount64");
  ASSERT_NE(system, nullptr) << "Wine's kernel32 has it";
  const ULONGLONG before = system();
  const ULONGLONG imported = GetTickCount64();  // through the program's own import pointer
  const ULONGLONG ours = TickCount64();
  const ULONGLONG after = system();
  EXPECT_LE(before, imported);
  EXPECT_LE(imported, ours);
  EXPECT_LE(ours, after);
}

}  // namespace
