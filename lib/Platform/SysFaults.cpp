// Processor exceptions (access violations, division by zero, ...) as the
// runtime's exception classes. On the main thread, a fault in the program's
// own code is raised as a C++ exception where it happened: the vectored
// handler sends the thread to QevFaultEntry (SysFaultEntry.S) as if the
// faulting instruction had called it, and that throws. The code is compiled
// with -fnon-call-exceptions, so that a faulting instruction may throw and
// the cleanups and handlers around it run. Every other fault ends the
// program: it is reported on a thread of its own (the faulting thread's stack
// may be exhausted), then the process ends with the fault's code.
#include "SysConst.h"
#include "SysUtils.h"
#include "WinApi.h"

TFatalExceptionHandler FatalExceptionHandler = nullptr;

extern "C" {
void* QevFaultReturn = nullptr;  // pushed by QevFaultEntry as its return address
void QevFaultEntry();
[[noreturn]] void QevThrowPendingFault();
}

namespace {

// What a handler learnt of a fault, in storage that needs no stack.
struct TFault {
  DWORD Code = 0;
  void* Address = nullptr;
  ULONG_PTR Access = 0;    // access violations: 0 read, 1 write, 8 execution
  void* Target = nullptr;  // access violations: the address accessed
  void* Frames[Exception::MaxStackDepth] = {};
  int Depth = 0;
};

DWORD MainThread = 0;
HMODULE ProgramImage = nullptr;
PVOID VectoredHandler = nullptr;
LPTOP_LEVEL_EXCEPTION_FILTER PreviousFilter = nullptr;
int FaultsEndProgramDepth = 0;
TFault Pending;  // main thread: from the handler to the throw
bool PendingBusy = false;
CONTEXT PendingScratch;
TFault Fatal;  // the fault that ends the program
CONTEXT FatalScratch;
DWORD FatalReporter = 0;

bool IsFault(DWORD Code) {
  switch (Code) {
    case EXCEPTION_ACCESS_VIOLATION: case EXCEPTION_INT_DIVIDE_BY_ZERO:
    case EXCEPTION_INT_OVERFLOW: case EXCEPTION_FLT_DIVIDE_BY_ZERO:
    case EXCEPTION_FLT_INVALID_OPERATION: case EXCEPTION_FLT_OVERFLOW:
    case EXCEPTION_FLT_UNDERFLOW: case EXCEPTION_FLT_INEXACT_RESULT:
    case EXCEPTION_FLT_DENORMAL_OPERAND: case EXCEPTION_FLT_STACK_CHECK:
    case EXCEPTION_PRIV_INSTRUCTION: case EXCEPTION_ILLEGAL_INSTRUCTION:
      return true;
    default:
      return false;
  }
}

// The calling thread's information block (its stack bounds).
const NT_TIB* ThreadInfo() {
  // NtCurrentTeb's inline segment read trips -Warray-bounds when optimised.
  const NT_TIB* tib;
#ifdef _WIN64
  asm("movq %%gs:0x30, %0" : "=r"(tib));
#else
  asm("movl %%fs:0x18, %0" : "=r"(tib));
#endif
  return tib;
}

bool InStack(ULONG_PTR Address, size_t Size) {
  const NT_TIB* tib = ThreadInfo();
  return Address >= reinterpret_cast<ULONG_PTR>(tib->StackLimit) &&
         Address + Size <= reinterpret_cast<ULONG_PTR>(tib->StackBase) && Address % sizeof(void*) == 0;
}

// The faulting instruction, one byte on as the report reads return
// addresses, then the return addresses above it. Runs on the faulting thread.
int StackOf(const CONTEXT& Context, CONTEXT& Scratch, void** Frames) {
  int n = 0;
#ifdef _WIN64
  Scratch = Context;
  while (n < Exception::MaxStackDepth && Scratch.Rip) {
    const int after = n == 0 ? 1 : 0;
    Frames[n++] = reinterpret_cast<BYTE*>(Scratch.Rip) + after;
    DWORD64 base = 0;
    if (PRUNTIME_FUNCTION function = RtlLookupFunctionEntry(Scratch.Rip, &base, nullptr)) {
      PVOID data = nullptr;
      DWORD64 frame = 0;
      RtlVirtualUnwind(UNW_FLAG_NHANDLER, base, Scratch.Rip, function, &Scratch, &data, &frame,
                       nullptr);
    } else if (InStack(Scratch.Rsp, 8)) {  // a leaf routine: the return address on top
      Scratch.Rip = *reinterpret_cast<DWORD64*>(Scratch.Rsp);
      Scratch.Rsp += 8;
    } else {
      break;
    }
    if (!InStack(Scratch.Rsp, 0)) break;
  }
#else
  (void)Scratch;
  Frames[n++] = reinterpret_cast<BYTE*>(Context.Eip) + 1;
  for (ULONG_PTR frame = Context.Ebp; n < Exception::MaxStackDepth && InStack(frame, 8);) {
    const auto* link = reinterpret_cast<const ULONG_PTR*>(frame);
    if (!link[1]) break;
    Frames[n++] = reinterpret_cast<void*>(link[1]);
    if (link[0] <= frame) break;
    frame = link[0];
  }
#endif
  return n;
}

void Record(TFault& Fault, CONTEXT& Scratch, const EXCEPTION_POINTERS& Info) {
  const EXCEPTION_RECORD& r = *Info.ExceptionRecord;
  Fault.Code = r.ExceptionCode;
  Fault.Address = r.ExceptionAddress;
  const bool access = r.ExceptionCode == EXCEPTION_ACCESS_VIOLATION && r.NumberParameters >= 2;
  Fault.Access = access ? r.ExceptionInformation[0] : 0;
  Fault.Target = access ? reinterpret_cast<void*>(r.ExceptionInformation[1]) : nullptr;
  Fault.Depth = StackOf(*Info.ContextRecord, Scratch, Fault.Frames);
}

WideString AccessViolationMessage(const TFault& F) {
  const WideString access = LoadResString(F.Access == 1 ? SWriteAccess
                                          : F.Access == 8 ? SExecuteAccess
                                                          : SReadAccess);
  MEMORY_BASIC_INFORMATION info{};
  WideChar path[MAX_PATH] = {};
  if (VirtualQuery(F.Address, &info, sizeof(info)) && info.Type == MEM_IMAGE &&
      GetModuleFileNameW(static_cast<HMODULE>(info.AllocationBase), path, MAX_PATH)) {
    const WideString name = path;
    return WideFormat(LoadResString(SAccessViolationArg3),
                      {F.Address, name.substr(name.find_last_of(L"\\/") + 1), access, F.Target});
  }
  return WideFormat(LoadResString(SAccessViolationArg2), {F.Address, access, F.Target});
}

template <class E>
[[noreturn]] void Raise(const TFault& F, E Error) {
  Error.ExceptionCode = F.Code;
  Error.RecordRaise(F.Frames, F.Depth, F.Address);
  throw Error;
}

[[noreturn]] void RaiseFault(const TFault& F) {
  switch (F.Code) {
    case EXCEPTION_ACCESS_VIOLATION: Raise(F, EAccessViolation(AccessViolationMessage(F)));
    case EXCEPTION_INT_DIVIDE_BY_ZERO: Raise(F, EDivByZero(SDivByZero));
    case EXCEPTION_INT_OVERFLOW: Raise(F, EIntOverflow(SIntOverflow));
    case EXCEPTION_FLT_DIVIDE_BY_ZERO: Raise(F, EZeroDivide(SZeroDivide));
    case EXCEPTION_FLT_OVERFLOW: Raise(F, EOverflow(SOverflow));
    case EXCEPTION_FLT_UNDERFLOW: Raise(F, EUnderflow(SUnderflow));
    case EXCEPTION_FLT_INVALID_OPERATION: case EXCEPTION_FLT_INEXACT_RESULT:
    case EXCEPTION_FLT_DENORMAL_OPERAND: case EXCEPTION_FLT_STACK_CHECK:
      Raise(F, EInvalidOp(SInvalidOp));
    case EXCEPTION_PRIV_INSTRUCTION: case EXCEPTION_ILLEGAL_INSTRUCTION:
      Raise(F, EPrivilege(SPrivilege));
    case EXCEPTION_STACK_OVERFLOW: Raise(F, EStackOverflow(SStackOverflow));
    default: Raise(F, EExternalException(SExternalException, {static_cast<Integer>(F.Code)}));
  }
}

void TellPlainly(const WideChar* Text) {
  MessageBoxW(nullptr, Text, nullptr, MB_OK | MB_ICONERROR | MB_SETFOREGROUND | MB_TOPMOST);
}

// The reporter's own fault: the least that can still be said.
[[noreturn]] void EndAfterFailedReport() {
  WideChar text[160];
  wsprintfW(text, L"The program ends after an error it cannot recover from (%08lX at %p).",
            static_cast<unsigned long>(Fatal.Code), Fatal.Address);
  TellPlainly(text);
  TerminateProcess(GetCurrentProcess(), Fatal.Code);
  for (;;) Sleep(INFINITE);
}

DWORD WINAPI ReportFatal(void*) {
  FatalReporter = GetCurrentThreadId();
  try {
    RaiseFault(Fatal);
  } catch (const Exception& E) {
    try {
      if (FatalExceptionHandler) {
        FatalExceptionHandler(E);
        return 0;
      }
    } catch (...) {
      TraceDroppedException(L"the report of a fault that ends the program");
    }
    TellPlainly(E.Message.c_str());
  }
  return 0;
}

// Reports the fault and ends the process; a second fault meanwhile waits
// for the end, unless it is the report's own.
[[noreturn]] void EndProgram(const EXCEPTION_POINTERS& Info) {
  static LONG ending = 0;
  if (InterlockedExchange(&ending, 1) != 0) {
    if (GetCurrentThreadId() == FatalReporter) EndAfterFailedReport();
    for (;;) Sleep(INFINITE);
  }
  Record(Fatal, FatalScratch, Info);
  if (HANDLE reporter = CreateThread(nullptr, 0, &ReportFatal, nullptr, 0, nullptr))
    WaitForSingleObject(reporter, INFINITE);
  else
    ReportFatal(nullptr);
  TerminateProcess(GetCurrentProcess(), Fatal.Code);
  for (;;) Sleep(INFINITE);
}

bool InProgram(const void* Address) {
  MEMORY_BASIC_INFORMATION info{};
  return VirtualQuery(Address, &info, sizeof(info)) && info.AllocationBase == ProgramImage;
}

LONG CALLBACK OnFault(EXCEPTION_POINTERS* Info) {
  const EXCEPTION_RECORD& r = *Info->ExceptionRecord;
  if (r.ExceptionCode == EXCEPTION_STACK_OVERFLOW) EndProgram(*Info);
  if (!IsFault(r.ExceptionCode) || GetCurrentThreadId() != MainThread ||
      !InProgram(r.ExceptionAddress))
    return EXCEPTION_CONTINUE_SEARCH;  // another thread's or module's: handlers there come first
  if (FaultsEndProgramDepth > 0 || PendingBusy) EndProgram(*Info);
  PendingBusy = true;
  Record(Pending, PendingScratch, *Info);
  QevFaultReturn = Pending.Frames[0];
#ifdef _WIN64
  Info->ContextRecord->Rip = reinterpret_cast<DWORD64>(&QevFaultEntry);
#else
  Info->ContextRecord->Eip = reinterpret_cast<DWORD>(&QevFaultEntry);
#endif
  return EXCEPTION_CONTINUE_EXECUTION;
}

LONG WINAPI OnUnhandled(EXCEPTION_POINTERS* Info) {
  // GCC's own exceptions ("GCC" in the low bytes) go on to std::terminate
  // through the runtime's filter.
  if ((Info->ExceptionRecord->ExceptionCode & 0xFFFFFF) == 0x474343)
    return PreviousFilter ? PreviousFilter(Info) : EXCEPTION_CONTINUE_SEARCH;
  EndProgram(*Info);
}

}  // namespace

extern "C" void QevThrowPendingFault() {
  const TFault fault = Pending;
  PendingBusy = false;
  RaiseFault(fault);
}

TFaultsEndProgram::TFaultsEndProgram() { ++FaultsEndProgramDepth; }
TFaultsEndProgram::~TFaultsEndProgram() { --FaultsEndProgramDepth; }

void InstallFaultHandlers() {
  if (VectoredHandler) return;
  MainThread = GetCurrentThreadId();
  ProgramImage = GetModuleHandleW(nullptr);
  VectoredHandler = AddVectoredExceptionHandler(1, &OnFault);
  PreviousFilter = SetUnhandledExceptionFilter(&OnUnhandled);
}

void RemoveFaultHandlers() {
  if (!VectoredHandler) return;
  RemoveVectoredExceptionHandler(VectoredHandler);
  VectoredHandler = nullptr;
  SetUnhandledExceptionFilter(PreviousFilter);
}
