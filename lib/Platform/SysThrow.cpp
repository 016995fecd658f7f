// Where each exception was thrown: every throw passes here (the programs link
// with --wrap=__cxa_throw), so an Exception takes the stack of its throw
// rather than of its constructor, and an exception of any other class leaves
// its stack in a small record until a handler asks for it.
#include <cxxabi.h>

#include <algorithm>
#include <atomic>
#include <memory>
#include <typeinfo>

#include "SysUtils.h"
#include "WinApi.h"

namespace {

struct TThrowRecord {
  const void* Object = nullptr;
  const std::type_info* Type = nullptr;
  void* Frames[Exception::MaxStackDepth] = {};
  int Depth = 0;
  TDateTime TimeStamp = 0;
};

// The latest throws of other classes; fixed storage, as a throw of
// std::bad_alloc must not allocate.
constexpr int RecordCount = 8;
TThrowRecord Records[RecordCount];
int NextRecord = 0;
std::atomic_flag RecordsLock = ATOMIC_FLAG_INIT;

class TRecordsGuard {
 public:
  TRecordsGuard() {
    while (RecordsLock.test_and_set(std::memory_order_acquire)) Sleep(0);
  }
  ~TRecordsGuard() { RecordsLock.clear(std::memory_order_release); }
};

void Remember(const void* Object, const std::type_info* Type, void* const* Frames, int Depth) {
  TRecordsGuard guard;
  TThrowRecord& r = Records[NextRecord];
  NextRecord = (NextRecord + 1) % RecordCount;
  r.Object = Object;
  r.Type = Type;
  r.Depth = Depth;
  std::copy(Frames, Frames + Depth, r.Frames);
  r.TimeStamp = Now();
}

// The newest record of Object, or else of the newest throw of Type.
bool Recall(const void* Object, const std::type_info* Type, TThrowRecord& Found) {
  TRecordsGuard guard;
  const TThrowRecord* byType = nullptr;
  for (int i = 1; i <= RecordCount; ++i) {
    const TThrowRecord& r = Records[(NextRecord - i + RecordCount) % RecordCount];
    if (!r.Type) break;
    if (Object && r.Object == Object) {
      Found = r;
      return true;
    }
    if (!byType && Type && *r.Type == *Type) byType = &r;
  }
  if (byType) Found = *byType;
  return byType != nullptr;
}

AnsiString Demangled(const std::type_info* Type) {
  if (!Type) return "unknown";
  int status = 0;
  std::unique_ptr<char, decltype(&std::free)> name(
      abi::__cxa_demangle(Type->name(), nullptr, nullptr, &status), &std::free);
  return status == 0 && name ? AnsiString(name.get()) : AnsiString(Type->name());
}

}  // namespace

extern "C" [[noreturn]] void __real___cxa_throw(void* Object, std::type_info* Type,
                                                 void (*Destroy)(void*));

extern "C" [[noreturn]] void __wrap___cxa_throw(void* Object, std::type_info* Type,
                                                 void (*Destroy)(void*)) {
  void* frames[Exception::MaxStackDepth];
  // Frame 0: the return address of the throw's call, in the routine that threw.
  const int depth = RtlCaptureStackBackTrace(1, Exception::MaxStackDepth, frames, nullptr);
  void* adjusted = Object;
  if (typeid(Exception).__do_catch(Type, &adjusted, 1)) {
    auto* e = static_cast<Exception*>(adjusted);
    if (!e->RaiseAddress) e->RecordRaise(frames, depth, depth > 0 ? frames[0] : nullptr);
  } else {
    Remember(Object, Type, frames, depth);
  }
  __real___cxa_throw(Object, Type, Destroy);
}

EForeignException::EForeignException(const AnsiString& TypeName, const WideString& Message)
    : Exception(Message), TypeName_(TypeName) {}

EForeignException CurrentForeignException() {
  const std::type_info* type = abi::__cxa_current_exception_type();
  const void* object = nullptr;
  WideString message = L"Unknown exception";
  try {
    throw;
  } catch (const std::exception& E) {
    object = dynamic_cast<const void*>(&E);
    message = AnsiToWide(E.what());
  } catch (...) {
  }
  EForeignException result(Demangled(type), message);
  TThrowRecord thrown;
  if (Recall(object, type, thrown))
    result.RecordRaise(thrown.Frames, thrown.Depth, thrown.Depth > 0 ? thrown.Frames[0] : nullptr);
  else
    result.RecordRaise(nullptr, 0, nullptr);  // the handler's stack would mislead
  if (thrown.Depth > 0) result.StackTimeStamp = thrown.TimeStamp;
  return result;
}
