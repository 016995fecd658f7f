// Exceptions, OS errors and the platform facts of the runtime.
#include "SysUtils.h"

#include <algorithm>
#include <iterator>

#include "SysConst.h"
#include "WinApi.h"

// ---------------------------------------------------------------- exceptions

Exception::Exception(const WideString& msg) : Message(msg) { CaptureStack(); }
Exception::Exception(const WideString& fmt, TConstArray args) : Message(WideFormat(fmt, args)) {
  CaptureStack();
}
Exception::Exception(const TResStringRec& res) : Message(LoadResString(res)) { CaptureStack(); }
Exception::Exception(const TResStringRec& res, TConstArray args)
    : Message(WideFormat(LoadResString(res), args)) {
  CaptureStack();
}
Exception::~Exception() = default;

void Exception::CaptureStack() {
  // Skip this frame and the constructor's.
  StackDepth = RtlCaptureStackBackTrace(2, MaxStackDepth, StackTrace, nullptr);
  StackTimeStamp = Now();
}

void Exception::RecordRaise(void* const* Frames, int Depth, void* Address) {
  StackDepth = std::clamp(Depth, 0, MaxStackDepth);
  std::copy(Frames, Frames + StackDepth, StackTrace);
  StackTimeStamp = Now();
  RaiseAddress = Address;
}

const char* Exception::what() const noexcept {
  int n = WideCharToMultiByte(CP_UTF8, 0, Message.data(), static_cast<int>(Message.size()),
                              nullptr, 0, nullptr, nullptr);
  What_.assign(n > 0 ? n : 0, '\0');
  if (n > 0)
    WideCharToMultiByte(CP_UTF8, 0, Message.data(), static_cast<int>(Message.size()),
                        What_.data(), n, nullptr, nullptr);
  return What_.c_str();
}

EOleSysError::EOleSysError(const WideString& msg, long errorCode)
    : EOleError(msg), ErrorCode(errorCode) {}

void AssertionFailed(const WideString& msg, const WideChar* unitSource, Integer line) {
  throw EAssertionFailed(L"%s (%s, line %d)", {msg, unitSource, line});
}

void Abort() { throw EAbort(SOperationAborted); }

void TraceDroppedException(const WideChar* Where) noexcept {
  try {
    WideString what;
    try {
      throw;
    } catch (const Exception& E) {
      what = AnsiToWide(E.ClassName()) + L": " + E.Message;
    } catch (const std::exception& E) {
      what = AnsiToWide(E.what());
    } catch (...) {
      what = L"unknown exception";
    }
    OutputDebugStringW((WideString(Where) + L" dropped " + what + L"\n").c_str());
  } catch (...) {
    OutputDebugStringW(L"an exception was dropped\n");
  }
}

WideString SysErrorMessage(unsigned long errorCode) {
  WideChar* text = nullptr;
  DWORD n = FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM |
                               FORMAT_MESSAGE_IGNORE_INSERTS | FORMAT_MESSAGE_ARGUMENT_ARRAY,
                           nullptr, errorCode, 0, reinterpret_cast<LPWSTR>(&text), 0, nullptr);
  WideString result(text ? text : L"", n);
  if (text) LocalFree(text);
  while (!result.empty() && (result.back() == L'\n' || result.back() == L'\r' ||
                             result.back() == L' ' || result.back() == L'.'))
    result.pop_back();
  return result;
}

void RaiseLastOSError() { RaiseLastOSError(GetLastError()); }

void RaiseLastOSError(unsigned long errorCode) {
  if (errorCode == 0) throw EOSError(SUnkOSError);
  EOSError e(SOSError, {static_cast<Integer>(errorCode), SysErrorMessage(errorCode)});
  e.ErrorCode = errorCode;
  throw e;
}

bool Win32Check(bool ok) {
  if (!ok) RaiseLastOSError();
  return ok;
}

long OleCheck(long result) {
  if (result < 0) {
    WideString msg = SysErrorMessage(static_cast<unsigned long>(result));
    if (msg.empty()) msg = WideFormat(LoadResString(SOleError), {static_cast<Integer>(result)});
    throw EOleSysError(msg, result);
  }
  return result;
}

// ------------------------------------------------------------------- files

bool FileModeToWin32(Cardinal mode, unsigned long& access, unsigned long& share) {
  static constexpr DWORD Access[] = {GENERIC_READ, GENERIC_WRITE, GENERIC_READ | GENERIC_WRITE};
  static constexpr DWORD Share[] = {0, 0, FILE_SHARE_READ, FILE_SHARE_WRITE,
                                    FILE_SHARE_READ | FILE_SHARE_WRITE};
  Cardinal a = mode & 3, s = (mode >> 4) & 15;
  if (a >= std::size(Access) || s >= std::size(Share)) return false;
  access = Access[a];
  share = Share[s];
  return true;
}

THandle FileCreate(const AnsiString& fileName) {
  return CreateFileA(fileName.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                     FILE_ATTRIBUTE_NORMAL, nullptr);
}

THandle FileOpen(const AnsiString& fileName, Cardinal mode) {
  unsigned long access, share;
  if (!FileModeToWin32(mode, access, share)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return INVALID_HANDLE_VALUE;
  }
  return CreateFileA(fileName.c_str(), access, share, nullptr, OPEN_EXISTING,
                     FILE_ATTRIBUTE_NORMAL, nullptr);
}

// ----------------------------------------------------------- platform facts

Integer Win32Platform = 0;
Integer Win32MajorVersion = 0;
Integer Win32MinorVersion = 0;
Integer Win32BuildNumber = 0;
WideString Win32CSDVersion;
bool SysLocaleFarEast = false;
bool SysLocaleMiddleEast = false;

namespace {

void InitPlatformId() {
  OSVERSIONINFOW info{};
  info.dwOSVersionInfoSize = sizeof(info);
  if (!GetVersionExW(&info)) return;
  Win32Platform = static_cast<Integer>(info.dwPlatformId);
  Win32MajorVersion = static_cast<Integer>(info.dwMajorVersion);
  Win32MinorVersion = static_cast<Integer>(info.dwMinorVersion);
  Win32BuildNumber = static_cast<Integer>(info.dwBuildNumber & 0xFFFF);
  Win32CSDVersion = info.szCSDVersion;
}

}  // namespace

// SysFaults.cpp
void InstallFaultHandlers();
void RemoveFaultHandlers();

void Initialization_SysUtils() {
  InstallFaultHandlers();
  // Before anything loads a form or a resource string.
  InitResourceModule();
  InitPlatformId();
  SysLocaleFarEast = GetSystemMetrics(SM_DBCSENABLED) != 0;
  SysLocaleMiddleEast = GetSystemMetrics(SM_MIDEASTENABLED) != 0;
  GetLocaleFormatSettings(GetThreadLocale(), FormatSettings);
}

void Finalization_SysUtils() { RemoveFaultHandlers(); }
