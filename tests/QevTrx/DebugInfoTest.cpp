// What the exception report learns of the process and the machine: the stack of
// an exception with routine names, units and lines from this program's own
// routine table, the table's format, the loaded modules, Windows and the
// processor.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>

#include "DebugInfo.h"
#include "DebugInfoTable.h"
#include "QevClasses.h"
#include "QevSysUtils.h"

// Outside any namespace so that its table name is just this; on one line, so
// that each of its addresses has that line.
[[gnu::noinline]] void RaiseFromDebugInfoTest() { throw EQevGeneralError(L"raised on purpose"); }
const unsigned RaiseLine = __LINE__ - 1;

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
    const WideString expected = WideFormat(
        L"[%p] DebugInfoTests.exe  DebugInfoTest.cpp  RaiseFromDebugInfoTest + 0x", {stack.Frames[0]});
    const WideString lineText = WideFormat(L" (line %u)", {RaiseLine});
    const WideString& line = lines->Get(0);
    EXPECT_EQ(expected, line.substr(0, expected.size())) << lines->Text();
    EXPECT_TRUE(line.size() > lineText.size() &&
                line.substr(line.size() - lineText.size()) == lineText)
        << lines->Text();
  }
}

TEST(DebugInfo, CodeLocationSaysLessWhereLessIsKnown) {
  int* data = const_cast<int*>(&DataNotCode) + 1;
  EXPECT_EQ(WideFormat(L"[%p] DebugInfoTests.exe", {data}), FormatCodeLocation(data));
  auto heap = std::make_unique<int>(0);
  EXPECT_EQ(WideFormat(L"[%p]", {heap.get() + 1}), FormatCodeLocation(heap.get() + 1));
}

TEST(DebugInfo, TableKeepsRoutinesUnitsAndLinesAndRejectsDamage) {
  TDebugInfoTable table;
  table.Starts = {0x1000, 0x1100, 0x1200};
  table.Names = {"First", "TSecond::Run", "Third"};
  table.Units = {"One.cpp", "Two.h"};
  // Lines go up and down, the unit changes; Third has no rows of its own.
  table.Lines = {{0x1000, 0, 10}, {0x1010, 0, 12}, {0x1020, 0, 9}, {0x1100, 1, 300}, {0x1108, 1, 7}};
  std::string bytes = EncodeDebugInfoTable(table);
  auto decode = [](const std::string& b) {
    return DecodeDebugInfoTable(reinterpret_cast<const unsigned char*>(b.data()), b.size());
  };
  TDebugInfoTable read = decode(bytes);
  EXPECT_EQ(table.Starts, read.Starts);
  EXPECT_EQ(table.Names, read.Names);
  EXPECT_EQ(table.Units, read.Units);
  ASSERT_EQ(table.Lines.size(), read.Lines.size());
  for (size_t i = 0; i < table.Lines.size(); ++i) {
    EXPECT_EQ(table.Lines[i].Rva, read.Lines[i].Rva);
    EXPECT_EQ(table.Lines[i].Unit, read.Lines[i].Unit);
    EXPECT_EQ(table.Lines[i].Line, read.Lines[i].Line);
  }

  struct TCase {
    uint32_t Rva;
    const char *Routine, *Unit;
    uint32_t Line;
  };
  for (const TCase& c : {TCase{0xFFF, nullptr, nullptr, 0}, TCase{0x1000, "First", "One.cpp", 10},
                         TCase{0x101F, "First", "One.cpp", 12}, TCase{0x10FF, "First", "One.cpp", 9},
                         TCase{0x1104, "TSecond::Run", "Two.h", 300}, TCase{0x1250, "Third", nullptr, 0}}) {
    TDebugInfoTable::TLocation at = read.Find(c.Rva);
    SCOPED_TRACE(c.Rva);
    EXPECT_EQ(c.Routine ? std::string(c.Routine) : "-", at.Routine ? *at.Routine : "-");
    EXPECT_EQ(c.Unit ? std::string(c.Unit) : "-", at.Unit ? *at.Unit : "-");
    EXPECT_EQ(c.Line, at.Line);
  }

  // Every cut of the table, a foreign signature and a unit that is not there read as no table.
  std::vector<std::string> damaged = {"QSYX" + bytes.substr(4)};
  for (size_t size = 0; size < bytes.size(); ++size) damaged.push_back(bytes.substr(0, size));
  TDebugInfoTable strayUnit = table;
  strayUnit.Lines.back().Unit = 2;
  damaged.push_back(EncodeDebugInfoTable(strayUnit));
  for (const std::string& d : damaged) {
    TDebugInfoTable empty = decode(d);
    EXPECT_TRUE(empty.Starts.empty() && empty.Names.empty() && empty.Lines.empty()) << d.size();
  }
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
