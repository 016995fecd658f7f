// Basic types of the runtime and its open argument arrays ("array of const").
#pragma once

#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <string>
#include <vector>

using AnsiChar = char;
using WideChar = wchar_t;
static_assert(sizeof(WideChar) == 2, "WideChar must be a UTF-16 code unit");

using AnsiString = std::string;   // 8-bit text in the ANSI code page
using WideString = std::wstring;  // UTF-16 text

using Integer = std::int32_t;
using Cardinal = std::uint32_t;
using Int64 = std::int64_t;
using Byte = std::uint8_t;
using Word = std::uint16_t;
using LongWord = std::uint32_t;
using Extended = long double;

using THandle = void*;  // a Win32 HANDLE or module handle

// Days since 30 December 1899; the fraction is the time of day.
using TDateTime = double;

// Fixed point with four decimals, held as value * 10000.
struct Currency {
  Int64 Scaled = 0;
  static Currency FromScaled(Int64 v) { return Currency{v}; }
  Extended ToExtended() const { return static_cast<Extended>(Scaled) / 10000.0L; }
};

// One element of an open argument array.
enum TVarType : Byte {
  vtInteger, vtBoolean, vtChar, vtExtended, vtPointer, vtPChar,
  vtWideChar, vtPWideChar, vtAnsiString, vtCurrency, vtWideString, vtInt64
};

struct TVarRec {
  TVarType VType;
  union {
    Integer VInteger;
    bool VBoolean;
    AnsiChar VChar;
    Extended VExtended;
    const void* VPointer;
    const AnsiChar* VPChar;
    WideChar VWideChar;
    const WideChar* VPWideChar;
    const AnsiString* VAnsiString;
    Int64 VCurrency;  // scaled by 10000
    const WideString* VWideString;
    Int64 VInt64;
  };

  TVarRec(int v) : VType(vtInteger), VInteger(v) {}
  TVarRec(long v) : VType(vtInteger), VInteger(static_cast<Integer>(v)) {}
  TVarRec(unsigned v) : VType(vtInt64), VInt64(v) {}
  TVarRec(unsigned long v) : VType(vtInt64), VInt64(v) {}
  TVarRec(long long v) : VType(vtInt64), VInt64(v) {}
  TVarRec(unsigned long long v) : VType(vtInt64), VInt64(static_cast<Int64>(v)) {}
  TVarRec(bool v) : VType(vtBoolean), VBoolean(v) {}
  TVarRec(char v) : VType(vtChar), VChar(v) {}
  TVarRec(wchar_t v) : VType(vtWideChar), VWideChar(v) {}
  TVarRec(float v) : VType(vtExtended), VExtended(v) {}
  TVarRec(double v) : VType(vtExtended), VExtended(v) {}
  TVarRec(long double v) : VType(vtExtended), VExtended(v) {}
  TVarRec(Currency v) : VType(vtCurrency), VCurrency(v.Scaled) {}
  TVarRec(const void* v) : VType(vtPointer), VPointer(v) {}
  TVarRec(std::nullptr_t) : VType(vtPointer), VPointer(nullptr) {}
  TVarRec(const char* v) : VType(vtPChar), VPChar(v) {}
  TVarRec(const wchar_t* v) : VType(vtPWideChar), VPWideChar(v) {}
  TVarRec(const AnsiString& v) : VType(vtAnsiString), VAnsiString(&v) {}
  TVarRec(const WideString& v) : VType(vtWideString), VWideString(&v) {}
};

// A read-only view of arguments; built from a braced list at the call, which
// keeps the elements alive until the end of the calling expression.
class TConstArray {
 public:
  TConstArray() = default;
  // The array behind a braced list given as an argument lives until the end of
  // the full expression of the call, which is as long as a TConstArray is used.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Winit-list-lifetime"
  TConstArray(std::initializer_list<TVarRec> list) : Data_(list.begin()), Count_(list.size()) {}
#pragma GCC diagnostic pop
  TConstArray(const TVarRec* data, std::size_t count) : Data_(data), Count_(count) {}
  TConstArray(const std::vector<TVarRec>& v) : Data_(v.data()), Count_(v.size()) {}
  const TVarRec* begin() const { return Data_; }
  const TVarRec* end() const { return Data_ + Count_; }
  const TVarRec& operator[](std::size_t i) const { return Data_[i]; }
  std::size_t size() const { return Count_; }
  bool empty() const { return Count_ == 0; }

 private:
  const TVarRec* Data_ = nullptr;
  std::size_t Count_ = 0;
};

// The runtime's implicit conversions between 8-bit and wide text. They use the
// ANSI code page until the Unicode layer routes them through its own code page.
WideString AnsiToWide(const AnsiString& s);
WideString AnsiToWide(const AnsiChar* p, Integer len);
AnsiString WideToAnsi(const WideString& s);
AnsiString WideToAnsi(const WideChar* p, Integer len);

using TAnsiToWideProc = WideString (*)(const AnsiChar* p, Integer len);
using TWideToAnsiProc = AnsiString (*)(const WideChar* p, Integer len);
extern TAnsiToWideProc AnsiToWideProc;
extern TWideToAnsiProc WideToAnsiProc;

// Resource strings: known by unit and name ("QevSystem_SInvalidUTF7") and
// loaded at each use so that a translation can replace them.
struct TResStringRec {
  const char* Ident;
  const WideChar* Text;  // the text built into the program
};
#define QEV_RESOURCESTRING(Unit, Name, Text) \
  extern const TResStringRec Name;           \
  const TResStringRec Name = {#Unit "_" #Name, Text}

WideString LoadResString(const TResStringRec& rec);
// The string-table identifier of a resource string in the program, 0 when the
// program carries no such entry (its built-in text is used then).
Integer ResStringId(const TResStringRec& rec);
using TLoadResStringProc = WideString (*)(const TResStringRec& rec);
extern TLoadResStringProc LoadResStringProc;

// The module whose resources stand for module's: the translation module when
// one is set for the program, module itself otherwise (nullptr: the program).
THandle FindResourceHInstance(THandle module);
// Sets the program's translation module; nullptr returns to its own resources.
// The previous module is not freed: whoever set it decides.
void SetResourceHInstance(THandle resourceModule);

// The registry keys through which a user or machine picks the translation
// module of a program, searched in this order: the first that opens is used.
struct TLocaleOverrideKey {
  void* Root;  // an HKEY
  const WideChar* Path;
};
extern const TLocaleOverrideKey LocaleOverrideKeys[3];
// Which Win32 functions a lookup of the runtime calls: the wide ones, or the
// 8-bit ones with its texts in the ANSI code page (the Windows 95/98/Me family).
enum class TApiRoad { Wide, Ansi };
// The module extension the first override key that opens gives for the program
// file (its value named by the full file name, else its default value); empty
// without one.
WideString LocaleOverride(const WideString& programFile, TApiRoad road);
// The translation module the runtime chooses for a program file (full, long
// name): the first existing file that loads as a data file among the program
// file with its extension replaced by "." + the override, by "." + the thread
// locale's three-letter language abbreviation and by "." + its first two
// letters; empty when none qualifies. The start-up and every later question
// after the module's name use this one rule.
WideString FindResourceModuleFile(const WideString& programFile, TApiRoad road);
// The program's own file name, full and in long form.
WideString ProgramLongFileName(TApiRoad road);
// Run first at process start: loads the module FindResourceModuleFile chooses
// for the program as a data file and makes it the resource module, unless
// resources it lists lie outside its file (cut short, or damaged): reading
// them would fault, so the program keeps its own.
void InitResourceModule();
// The module InitResourceModule chose and left unused for that; empty when none.
WideString RejectedResourceModuleFile();

// A locale the system supports, with its three-letter language abbreviation.
struct TSystemLocale {
  Cardinal LocaleID;
  WideString Abbreviation;  // LOCALE_SABBREVLANGNAME
};
// The system's supported locales, in the order the system gives them.
std::vector<TSystemLocale> SystemLocales(TApiRoad road);
