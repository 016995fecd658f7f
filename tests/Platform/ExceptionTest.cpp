// The runtime's exception base, OS errors and resource-string messages.
#include <gtest/gtest.h>

#include "SysConst.h"
#include "SysUtils.h"
#include "TestSupport.h"
#include "WinApi.h"

namespace {
QEV_RESOURCESTRING(ExceptionTest, STestMessage, L"Value %d of \xE9 %s");
}

TEST(Exception, CarriesWideMessageClassNameAndUtf8What) {
  EConvertError e(WideString(L"bad \x0436\x4E2D"));
  EXPECT_EQ(L"bad \x0436\x4E2D", e.Message);
  EXPECT_STREQ("EConvertError", e.ClassName());
  EXPECT_STREQ("bad \xD0\xB6\xE4\xB8\xAD", e.what());
  const Exception& base = e;
  EXPECT_STREQ("EConvertError", base.ClassName());
}

TEST(Exception, FormatsFromResourceStringAndArguments) {
  Exception e(STestMessage, {7, WideString(L"\x4E2D")});
  EXPECT_EQ(L"Value 7 of \xE9 \x4E2D", e.Message);
  EXPECT_EQ(L"Value %d of \xE9 %s", LoadResString(STestMessage));
}

TEST(Exception, CapturesTheCallStack) {
  Exception e(WideString(L"x"));
  EXPECT_GT(e.StackDepth, 0);
  EXPECT_NE(nullptr, e.StackTrace[0]);
}

TEST(Exception, AbortRaisesEAbort) {
  try {
    Abort();
    FAIL();
  } catch (const EAbort& e) {
    EXPECT_EQ(L"Operation aborted", e.Message);
  }
}

TEST(OSError, CarriesCodeAndSystemText) {
  SetLastError(ERROR_FILE_NOT_FOUND);
  try {
    RaiseLastOSError();
    FAIL();
  } catch (const EOSError& e) {
    EXPECT_EQ(static_cast<unsigned long>(ERROR_FILE_NOT_FOUND), e.ErrorCode);
    const WideString prefix = L"System Error.  Code: 2.\r\n";
    ASSERT_EQ(prefix, e.Message.substr(0, prefix.size()));
    EXPECT_EQ(SysErrorMessage(ERROR_FILE_NOT_FOUND), e.Message.substr(prefix.size()));
    EXPECT_FALSE(SysErrorMessage(ERROR_FILE_NOT_FOUND).empty());
  }
}

TEST(OSError, CodeZeroIsAnUnknownFailure) {
  try {
    RaiseLastOSError(0);
    FAIL();
  } catch (const EOSError& e) {
    EXPECT_EQ(L"A call to an OS function failed", e.Message);
  }
}

TEST(OSError, ChecksPassGoodResultsThrough) {
  EXPECT_TRUE(Win32Check(true));
  SetLastError(ERROR_ACCESS_DENIED);
  EXPECT_THROW(Win32Check(false), EOSError);
  EXPECT_EQ(S_OK, OleCheck(S_OK));
  EXPECT_EQ(S_FALSE, OleCheck(S_FALSE));
  try {
    OleCheck(E_INVALIDARG);
    FAIL();
  } catch (const EOleSysError& e) {
    EXPECT_EQ(E_INVALIDARG, e.ErrorCode);
    EXPECT_FALSE(e.Message.empty());
  }
}

TEST(PlatformFacts, AreReadFromTheSystem) {
  EXPECT_EQ(VER_PLATFORM_WIN32_NT, Win32Platform);
  EXPECT_GE(Win32MajorVersion, 5);
}

namespace {
constexpr const WideChar* QevUnitSource = L"tests\\Platform\\ExceptionTest";
}

TEST(Exception, AssertionsNameTheUnitAndLine) {
  QEV_ASSERT(1 + 1 == 2, L"never raised");
  const int line = __LINE__ + 1;
  auto check = [] { QEV_ASSERT(false, L"Assertion failure"); };
  EXPECT_EQ(L"Assertion failure (tests\\Platform\\ExceptionTest, line " + std::to_wstring(line) + L")",
            MessageOf<EAssertionFailed>(check));
}

namespace {
// What OutputDebugString told a debugger, caught on its way there.
std::string DebugOutput;
LONG CALLBACK CatchDebugOutput(EXCEPTION_POINTERS* Info) {
  const EXCEPTION_RECORD& r = *Info->ExceptionRecord;
  if (r.ExceptionCode != DBG_PRINTEXCEPTION_C || r.NumberParameters < 2)
    return EXCEPTION_CONTINUE_SEARCH;
  DebugOutput += reinterpret_cast<const char*>(r.ExceptionInformation[1]);
  return EXCEPTION_CONTINUE_EXECUTION;
}
}  // namespace

TEST(Exception, ADroppedExceptionLeavesADebugTraceOfWhereAndWhat) {
  PVOID handler = AddVectoredExceptionHandler(1, &CatchDebugOutput);
  DebugOutput.clear();
  try {
    throw EConvertError(WideString(L"not a number"));
  } catch (...) {
    TraceDroppedException(L"ReadFigure");
  }
  try {
    throw 42;
  } catch (...) {
    TraceDroppedException(L"Elsewhere");
  }
  RemoveVectoredExceptionHandler(handler);
  EXPECT_NE(std::string::npos, DebugOutput.find("ReadFigure dropped EConvertError: not a number"));
  EXPECT_NE(std::string::npos, DebugOutput.find("Elsewhere dropped unknown exception"));
}
