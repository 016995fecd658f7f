// The runtime's exception classes, OS-error checks, platform facts, format
// settings, Format/WideFormat, number and date conversions.
#pragma once

#include <exception>
#include <string>

#include "System.h"

// ---------------------------------------------------------------- exceptions

class Exception : public std::exception {
 public:
  explicit Exception(const WideString& msg);
  Exception(const WideString& fmt, TConstArray args);
  explicit Exception(const TResStringRec& res);
  Exception(const TResStringRec& res, TConstArray args);
  ~Exception() override;

  virtual const char* ClassName() const { return "Exception"; }
  const char* what() const noexcept override;  // the message as UTF-8

  WideString Message;

  // Return addresses for the exception report: where the exception object
  // was made, replaced by those of the throw when it is thrown.
  static constexpr int MaxStackDepth = 62;
  void* StackTrace[MaxStackDepth] = {};
  int StackDepth = 0;
  TDateTime StackTimeStamp = 0;  // local time of the capture
  // Where it was raised: the return address of its throw, or the faulting
  // instruction of a processor exception; null until then. A thrown object
  // that has one keeps it and its stack when it is thrown again.
  void* RaiseAddress = nullptr;
  void RecordRaise(void* const* Frames, int Depth, void* Address);

 private:
  void CaptureStack();
  mutable std::string What_;
};

#define QEV_DECLARE_EXCEPTION(Name, Base)                      \
  class Name : public Base {                                   \
   public:                                                     \
    using Base::Base;                                          \
    const char* ClassName() const override { return #Name; }   \
  }

QEV_DECLARE_EXCEPTION(EAbort, Exception);
QEV_DECLARE_EXCEPTION(EConvertError, Exception);
QEV_DECLARE_EXCEPTION(ERangeError, Exception);
QEV_DECLARE_EXCEPTION(EAssertionFailed, Exception);
QEV_DECLARE_EXCEPTION(EOleError, Exception);

class EOSError : public Exception {
 public:
  using Exception::Exception;
  const char* ClassName() const override { return "EOSError"; }
  unsigned long ErrorCode = 0;
};

class EOleSysError : public EOleError {
 public:
  EOleSysError(const WideString& msg, long errorCode);
  const char* ClassName() const override { return "EOleSysError"; }
  long ErrorCode = 0;
};

// Processor exceptions, as the runtime names them. ExceptionCode is the
// system's code (EXCEPTION_ACCESS_VIOLATION, ...).
class EExternal : public Exception {
 public:
  using Exception::Exception;
  const char* ClassName() const override { return "EExternal"; }
  unsigned long ExceptionCode = 0;
};
QEV_DECLARE_EXCEPTION(EAccessViolation, EExternal);
QEV_DECLARE_EXCEPTION(EIntError, EExternal);
QEV_DECLARE_EXCEPTION(EDivByZero, EIntError);
QEV_DECLARE_EXCEPTION(EIntOverflow, EIntError);
QEV_DECLARE_EXCEPTION(EMathError, EExternal);
QEV_DECLARE_EXCEPTION(EInvalidOp, EMathError);
QEV_DECLARE_EXCEPTION(EZeroDivide, EMathError);
QEV_DECLARE_EXCEPTION(EOverflow, EMathError);
QEV_DECLARE_EXCEPTION(EUnderflow, EMathError);
QEV_DECLARE_EXCEPTION(EPrivilege, EExternal);
QEV_DECLARE_EXCEPTION(EStackOverflow, EExternal);
QEV_DECLARE_EXCEPTION(EExternalException, EExternal);

// An exception of another class than Exception (the standard library's, or
// any thrown type) as a handler sees it: the thrown type's name as its class
// name, what() (when it has one) as its message, and the stack of its throw.
class EForeignException : public Exception {
 public:
  EForeignException(const AnsiString& TypeName, const WideString& Message);
  const char* ClassName() const override { return TypeName_.c_str(); }

 private:
  AnsiString TypeName_;
};
// Inside a catch block whose exception is no Exception: that exception as an
// EForeignException.
EForeignException CurrentForeignException();

// Ends the program after a processor exception it cannot go on from: one in a
// thread other than the main thread or in another module, a stack overflow,
// or one while a TFaultsEndProgram lives. Called with the fault as an
// exception, on a thread of its own; the process ends with the fault's code
// when it returns. Without one, or when it fails, a message box tells the fault.
using TFatalExceptionHandler = void (*)(const Exception& E);
extern TFatalExceptionHandler FatalExceptionHandler;

// While one lives on the main thread, a processor exception there ends the
// program: for the code that shows exceptions, which cannot show its own.
class TFaultsEndProgram {
 public:
  TFaultsEndProgram();
  ~TFaultsEndProgram();
  TFaultsEndProgram(const TFaultsEndProgram&) = delete;
  TFaultsEndProgram& operator=(const TFaultsEndProgram&) = delete;
};

// Raises EAssertionFailed "<msg> (<unit source>, line <n>)".
[[noreturn]] void AssertionFailed(const WideString& msg, const WideChar* unitSource, Integer line);
// A consistency check of the calling file, which names its unit's source path
// in a constant QevUnitSource (for example L"lib\\QevLX\\QevLXUtils").
#define QEV_ASSERT(Condition, Msg) \
  do {                             \
    if (!(Condition)) AssertionFailed(Msg, QevUnitSource, __LINE__); \
  } while (false)

// For an error dropped on purpose: tells a debugger (OutputDebugStringW, seen
// under WINEDEBUG=+debugstr) that Where dropped the exception in flight. Call
// it inside the catch block; it never raises.
void TraceDroppedException(const WideChar* Where) noexcept;

// Raises EAbort, the silent exception that ends an operation the user cancelled.
[[noreturn]] void Abort();

// The system's message text for an error code, without a trailing line break.
WideString SysErrorMessage(unsigned long errorCode);
// Raises EOSError for the calling thread's last error.
[[noreturn]] void RaiseLastOSError();
[[noreturn]] void RaiseLastOSError(unsigned long errorCode);
// Returns ok; raises the last OS error when it is false.
bool Win32Check(bool ok);
// Raises EOleSysError for a failed HRESULT; returns it otherwise.
long OleCheck(long result);

// ----------------------------------------------------------- platform facts

// Read from the system when this unit starts; plain variables so that tests
// can stand in for another platform.
extern Integer Win32Platform;      // VER_PLATFORM_WIN32_NT (2) on the NT family
extern Integer Win32MajorVersion;
extern Integer Win32MinorVersion;
extern Integer Win32BuildNumber;
extern WideString Win32CSDVersion;
extern bool SysLocaleFarEast;      // a double-byte (far-east) system
extern bool SysLocaleMiddleEast;   // a right-to-left (middle-east) system

// ---------------------------------------------------------- format settings

struct TFormatSettings {
  Byte CurrencyFormat = 0;
  Byte NegCurrFormat = 0;
  AnsiChar ThousandSeparator = ',';
  AnsiChar DecimalSeparator = '.';
  Byte CurrencyDecimals = 2;
  AnsiChar DateSeparator = '/';
  AnsiChar TimeSeparator = ':';
  AnsiChar ListSeparator = ',';
  AnsiString CurrencyString = "$";
  AnsiString ShortDateFormat = "M/d/yyyy";
  AnsiString LongDateFormat = "dddd, MMMM dd, yyyy";
  AnsiString TimeAMString = "AM";
  AnsiString TimePMString = "PM";
  AnsiString ShortTimeFormat = "h:mm AMPM";
  AnsiString LongTimeFormat = "h:mm:ss AMPM";
  AnsiString ShortMonthNames[12];
  AnsiString LongMonthNames[12];
  AnsiString ShortDayNames[7];  // Sunday first
  AnsiString LongDayNames[7];
  Word TwoDigitYearCenturyWindow = 50;
};

// The process's settings, read from the user's locale when this unit starts.
extern TFormatSettings FormatSettings;
void GetLocaleFormatSettings(unsigned long lcid, TFormatSettings& settings);

// ------------------------------------------------------------------- files

// File open modes: one access mode combined with one share mode.
constexpr Word fmCreate = 0xFFFF;
constexpr Word fmOpenRead = 0x0000;
constexpr Word fmOpenWrite = 0x0001;
constexpr Word fmOpenReadWrite = 0x0002;
constexpr Word fmShareCompat = 0x0000;
constexpr Word fmShareExclusive = 0x0010;
constexpr Word fmShareDenyWrite = 0x0020;
constexpr Word fmShareDenyRead = 0x0030;
constexpr Word fmShareDenyNone = 0x0040;

// The CreateFile access and share flags of an open mode; false for a mode
// outside the defined access (0-2) and share (0-4) values.
bool FileModeToWin32(Cardinal mode, unsigned long& access, unsigned long& share);
// 8-bit file routines; INVALID_HANDLE_VALUE on failure.
THandle FileCreate(const AnsiString& fileName);
THandle FileOpen(const AnsiString& fileName, Cardinal mode);

// ------------------------------------------------------------------ Format

// The runtime's Format: %[index:][-][width][.precision]type with the types
// d u e f g n m p s x (either case); width and precision may be "*".
// Bad specifiers and mismatched arguments raise EConvertError.
AnsiString Format(const AnsiString& fmt, TConstArray args);
AnsiString Format(const AnsiString& fmt, TConstArray args, const TFormatSettings& settings);
WideString WideFormat(const WideString& fmt, TConstArray args);
WideString WideFormat(const WideString& fmt, TConstArray args, const TFormatSettings& settings);
// Formats into a caller buffer with the runtime's own engine (never through
// WideFmtStrProc, which may call it); returns the characters written, at most
// bufLen, and writes nothing beyond them. Without settings, FormatSettings.
Cardinal WideFormatBuf(WideChar* buf, Cardinal bufLen, const WideChar* fmt, Cardinal fmtLen,
                       TConstArray args, const TFormatSettings* settings = nullptr);

// WideFormat without settings goes through this hook, which the Unicode layer
// may replace with its own wide formatter.
using TWideFmtStrProc = WideString (*)(const WideString& fmt, TConstArray args,
                                       const TFormatSettings* settings);
extern TWideFmtStrProc WideFmtStrProc;

// ------------------------------------------------------ numbers and strings

AnsiString IntToStr(Int64 value);
AnsiString IntToHex(Int64 value, Integer digits);
Integer StrToInt(const AnsiString& s);             // EConvertError when not an integer
Int64 StrToInt64(const AnsiString& s);
Integer StrToIntDef(const AnsiString& s, Integer def);
bool TryStrToInt(const AnsiString& s, Integer& value);

enum TFloatFormat { ffGeneral, ffExponent, ffFixed, ffNumber, ffCurrency };
AnsiString FloatToStr(Extended value);
AnsiString FloatToStr(Extended value, const TFormatSettings& settings);
AnsiString FloatToStrF(Extended value, TFloatFormat format, Integer precision, Integer digits);
AnsiString FloatToStrF(Extended value, TFloatFormat format, Integer precision, Integer digits,
                       const TFormatSettings& settings);
Extended StrToFloat(const AnsiString& s);          // EConvertError when not a number
Extended StrToFloat(const AnsiString& s, const TFormatSettings& settings);
bool TryStrToFloat(const AnsiString& s, Extended& value, const TFormatSettings& settings);

AnsiString Trim(const AnsiString& s);
WideString Trim(const WideString& s);
AnsiString UpperCase(const AnsiString& s);         // ASCII letters only
AnsiString LowerCase(const AnsiString& s);
Integer CompareText(const AnsiString& a, const AnsiString& b);  // ASCII, case-insensitive
bool SameText(const AnsiString& a, const AnsiString& b);
AnsiString AnsiUpperCase(const AnsiString& s);     // the user's locale
AnsiString AnsiLowerCase(const AnsiString& s);
Integer AnsiCompareText(const AnsiString& a, const AnsiString& b);
Integer AnsiCompareStr(const AnsiString& a, const AnsiString& b);

// Wide text by the user's locale. The comparisons return -1, 0 or 1; where the
// system has no wide comparison they compare the 8-bit forms.
Integer WideCompareStr(const WideString& a, const WideString& b);
Integer WideCompareText(const WideString& a, const WideString& b);  // case-insensitive
bool WideSameText(const WideString& a, const WideString& b);
WideString WideUpperCase(const WideString& s);
WideString WideLowerCase(const WideString& s);

// -------------------------------------------------------------- date, time

TDateTime EncodeDate(Word year, Word month, Word day);   // EConvertError when invalid
TDateTime EncodeTime(Word hour, Word min, Word sec, Word msec);
bool TryEncodeDate(Word year, Word month, Word day, TDateTime& date);
bool TryEncodeTime(Word hour, Word min, Word sec, Word msec, TDateTime& time);
void DecodeDate(TDateTime date, Word& year, Word& month, Word& day);
void DecodeTime(TDateTime time, Word& hour, Word& min, Word& sec, Word& msec);
Word DayOfWeek(TDateTime date);  // 1 = Sunday
bool IsLeapYear(Word year);
TDateTime SystemTimeToDateTime(const struct _SYSTEMTIME& st);
void DateTimeToSystemTime(TDateTime dt, struct _SYSTEMTIME& st);
TDateTime Now();
TDateTime Date();
TDateTime Time();

// Formatting with the runtime's date-time patterns (d dd ddd dddd ddddd dddddd
// m mm mmm mmmm yy yyyy h hh n nn s ss z zzz t tt c am/pm a/p ampm / : 'x' "x").
AnsiString FormatDateTime(const AnsiString& fmt, TDateTime dt);
AnsiString FormatDateTime(const AnsiString& fmt, TDateTime dt, const TFormatSettings& settings);
AnsiString DateToStr(TDateTime dt);
AnsiString TimeToStr(TDateTime dt);
AnsiString DateTimeToStr(TDateTime dt);
AnsiString DateToStr(TDateTime dt, const TFormatSettings& settings);
AnsiString TimeToStr(TDateTime dt, const TFormatSettings& settings);
AnsiString DateTimeToStr(TDateTime dt, const TFormatSettings& settings);

// Parsing follows the order of day, month and year in ShortDateFormat and the
// DateSeparator of the settings, never the locale of the machine; bad text
// raises EConvertError "'%s' is not a valid date".
TDateTime StrToDate(const AnsiString& s);
TDateTime StrToDate(const AnsiString& s, const TFormatSettings& settings);
TDateTime StrToTime(const AnsiString& s);
TDateTime StrToTime(const AnsiString& s, const TFormatSettings& settings);
TDateTime StrToDateTime(const AnsiString& s);
TDateTime StrToDateTime(const AnsiString& s, const TFormatSettings& settings);
bool TryStrToDate(const AnsiString& s, TDateTime& value, const TFormatSettings& settings);

// ------------------------------------------------------- unit start and end

void Initialization_SysUtils();
void Finalization_SysUtils();
