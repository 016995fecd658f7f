// What the exception report learns of the process and the machine: the stack of
// an exception with routine names from this program's own routine table, the
// loaded modules, Windows and the processor.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>

#include "DebugInfo.h"
#include "QevClasses.h"
#include "QevSysUtils.h"

// Outside any namespace so that its table name is just this.
[[gnu::noinline]] void RaiseFromDebugInfoTest() { throw EQevGeneralError(L"raised on purpose"); }

namespace {

const int DataNotCode = 1;

TEST(DebugInfo, StackOfAnExceptionNamesTheRoutineThatRaisedIt) {
  TDateTime before = Now();
  try {
    RaiseFromDebugInfoTest();
    FAIL();
  } catch (const Exception& E) {
    TStackInfoList stack = StackListOf(E);
    ASSERT_FALSE(stack.Frames.empty());
    EXPECT_EQ(stack.Frames[0], ExceptionAddressOf(E));
    EXPECT_GE(stack.TimeStamp, before);
    EXPECT_LE(stack.TimeStamp, Now());
    auto lines = std::make_unique<TQevStringList>();
    stack.AddToStrings(lines.get());
    ASSERT_EQ(static_cast<int>(stack.Frames.size()), lines->Count());
    // Where it was thrown, never inside the exception class's constructors.
    EXPECT_NE(WideString::npos, lines->Get(0).find(L"DebugInfoTests.exe  RaiseFromDebugInfoTest + 0x"))
        << lines->Text();
  }
}

TEST(DebugInfo, CodeLocationSaysLessWhereLessIsKnown) {
  int* data = const_cast<int*>(&DataNotCode) + 1;
  EXPECT_EQ(WideFormat(L"[%p] DebugInfoTests.exe", {data}), FormatCodeLocation(data));
  auto heap = std::make_unique<int>(0);
  EXPECT_EQ(WideFormat(L"[%p]", {heap.get() + 1}), FormatCodeLocation(heap.get() + 1));
}

TEST(DebugInfo, ModulesAreSortedByBaseAndHoldTheProgramAndKernel32) {
  std::vector<TLoadedModule> modules;
  ASSERT_TRUE(GetLoadedModules(modules));
  EXPECT_TRUE(std::is_sorted(modules.begin(), modules.end(),
                             [](const TLoadedModule& a, const TLoadedModule& b) { return a.Base < b.Base; }));
  auto find = [&](HMODULE module) {
    return std::find_if(modules.begin(), modules.end(), [&](const TLoadedModule& m) {
      return m.Base == reinterpret_cast<ULONG_PTR>(module);
    });
  };
  auto self = find(GetModuleHandleW(nullptr));
  ASSERT_NE(modules.end(), self);
  EXPECT_EQ(WideGetModuleFileName(nullptr), self->FileName);
  auto kernel = find(GetModuleHandleW(L"kernel32.dll"));
  ASSERT_NE(modules.end(), kernel);
  EXPECT_TRUE(WideSameText(L"kernel32.dll", WideExtractFileName(kernel->FileName)));
}

TEST(DebugInfo, WindowsAndProcessorHaveNames) {
  TWindowsVersion windows = GetWindowsVersion();
  EXPECT_EQ(L"Windows", windows.Name.substr(0, 7)) << windows.Name;
  EXPECT_GT(windows.Major, 0u);
  EXPECT_FALSE(windows.ProductType.empty());
  TProcessorInfo processor = GetProcessorInfo();
  EXPECT_EQ(12u, processor.Vendor.size()) << processor.Vendor;
  EXPECT_FALSE(processor.Name.empty());
  EXPECT_FALSE(processor.HasFdivBug);
  EXPECT_GT(processor.MHz, 0u);
}

}  // namespace
