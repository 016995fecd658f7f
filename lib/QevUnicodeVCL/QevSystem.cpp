#include "QevSystem.h"

#include <algorithm>
#include <climits>
#include <cstring>

#include "QevFormatStrUtils.h"
#include "QevSysUtils.h"
#include "QevWindows.h"
#include "SysUtils.h"
#include "WinApi.h"

QEV_RESOURCESTRING(QevSystem, SBufferOverflow, L"Buffer overflow");
QEV_RESOURCESTRING(QevSystem, SInvalidUTF7, L"Invalid UTF7");

Integer ConversionCodePage = CP_ACP;
bool DebuggerPresentAtStart = false;

namespace {

// ConversionCodePage as this unit chose it; restored when the runtime's own
// conversions come back.
Integer StartConversionCodePage = CP_ACP;

bool IsHighSurrogate(Cardinal c) { return c >= 0xD800 && c <= 0xDBFF; }
bool IsLowSurrogate(Cardinal c) { return c >= 0xDC00 && c <= 0xDFFF; }

// Lengths for the system conversions; texts beyond 2 GB are not converted.
int ApiLength(std::size_t n) { return n > INT_MAX ? 0 : static_cast<int>(n); }

// The system's conversions, sized by the system's own answer; a failure
// gives an empty text.
WideString SystemToWide(const AnsiChar* p, int length, UINT codePage) {
  const int n = p && length > 0 ? MultiByteToWideChar(codePage, 0, p, length, nullptr, 0) : 0;
  if (n <= 0) return {};
  WideString result(static_cast<std::size_t>(n), L'\0');
  result.resize(static_cast<std::size_t>(
      std::max(0, MultiByteToWideChar(codePage, 0, p, length, result.data(), n))));
  return result;
}

AnsiString SystemToAnsi(const WideChar* p, int length, UINT codePage) {
  const int n = p && length > 0
                    ? WideCharToMultiByte(codePage, 0, p, length, nullptr, 0, nullptr, nullptr)
                    : 0;
  if (n <= 0) return {};
  AnsiString result(static_cast<std::size_t>(n), '\0');
  result.resize(static_cast<std::size_t>(std::max(
      0, WideCharToMultiByte(codePage, 0, p, length, result.data(), n, nullptr, nullptr))));
  return result;
}

}  // namespace

// ================================================================== UTF-8

namespace {

void AppendUTF8(AnsiString& out, Cardinal c) {
  if (c < 0x80) {
    out += static_cast<AnsiChar>(c);
  } else if (c < 0x800) {
    out += static_cast<AnsiChar>(0xC0 | (c >> 6));
    out += static_cast<AnsiChar>(0x80 | (c & 0x3F));
  } else if (c < 0x10000) {
    out += static_cast<AnsiChar>(0xE0 | (c >> 12));
    out += static_cast<AnsiChar>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<AnsiChar>(0x80 | (c & 0x3F));
  } else {
    out += static_cast<AnsiChar>(0xF0 | (c >> 18));
    out += static_cast<AnsiChar>(0x80 | ((c >> 12) & 0x3F));
    out += static_cast<AnsiChar>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<AnsiChar>(0x80 | (c & 0x3F));
  }
}

// Stands for a sequence that is not well-formed.
constexpr Cardinal NoCharacter = 0xFFFFFFFF;

// Decodes the sequence at s[i] into c and returns the bytes it takes. One that
// is not well-formed (stray continuation byte, overlong form, beyond U+10FFFF,
// truncated) gives NoCharacter and the length of its maximal ill-formed part,
// at least 1. The range of the second byte is what rules out overlong forms.
std::size_t DecodeUTF8Sequence(const AnsiString& s, std::size_t i, Cardinal& c) {
  const Byte lead = static_cast<Byte>(s[i]);
  std::size_t length;
  Byte low = 0x80, high = 0xBF;
  if (lead < 0x80) {
    c = lead;
    return 1;
  } else if (lead >= 0xC2 && lead <= 0xDF) {
    length = 2;
    c = lead & 0x1F;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    length = 3;
    c = lead & 0x0F;
    if (lead == 0xE0) low = 0xA0;
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    length = 4;
    c = lead & 0x07;
    if (lead == 0xF0) low = 0x90;
    if (lead == 0xF4) high = 0x8F;
  } else {
    c = NoCharacter;
    return 1;
  }
  for (std::size_t k = 1; k < length; ++k) {
    const Byte b = i + k < s.size() ? static_cast<Byte>(s[i + k]) : 0;
    if (b < low || b > high) {
      c = NoCharacter;
      return k;
    }
    c = (c << 6) | (b & 0x3F);
    low = 0x80;
    high = 0xBF;
  }
  return length;
}

// Empty for malformed input unless Replace, which puts U+FFFD in its place.
WideString DecodeUTF8(const AnsiString& s, bool Replace) {
  WideString result;
  result.reserve(s.size());
  for (std::size_t i = 0; i < s.size();) {
    Cardinal c = 0;
    i += DecodeUTF8Sequence(s, i, c);
    if (c == NoCharacter) {
      if (!Replace) return {};
      c = 0xFFFD;
    }
    if (c >= 0x10000) {
      c -= 0x10000;
      result += static_cast<WideChar>(0xD800 + (c >> 10));
      result += static_cast<WideChar>(0xDC00 + (c & 0x3FF));
    } else {
      result += static_cast<WideChar>(c);
    }
  }
  return result;
}

}  // namespace

AnsiString WideStringToUTF8(const WideString& ws) {
  AnsiString result;
  result.reserve(ws.size() * 3);
  for (std::size_t i = 0; i < ws.size(); ++i) {
    Cardinal c = ws[i];
    if (IsHighSurrogate(c) && i + 1 < ws.size() && IsLowSurrogate(ws[i + 1]))
      c = 0x10000 + ((c - 0xD800) << 10) + (ws[++i] - 0xDC00u);
    AppendUTF8(result, c);
  }
  return result;
}

WideString UTF8ToWideString(const AnsiString& s) { return DecodeUTF8(s, false); }

WideString UTF8TextToWideString(const AnsiString& s) { return DecodeUTF8(s, true); }

// ================================================================== UTF-7

namespace {

const char Base64Letters[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

struct TUTF7Tables {
  bool MustEncode[2][128];  // [optional characters direct]
  signed char Base64Value[256];
};

TUTF7Tables BuildUTF7Tables() {
  static const char Direct[] =
      "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789'(),-./:?\t\r\n ";
  static const char Optional[] = "!\"#$%&*;<=>@[]^_`{|}";
  TUTF7Tables t{};
  for (int c = 0; c < 128; ++c) t.MustEncode[0][c] = t.MustEncode[1][c] = true;
  for (const char* p = Direct; *p; ++p)
    t.MustEncode[0][Byte(*p)] = t.MustEncode[1][Byte(*p)] = false;
  for (const char* p = Optional; *p; ++p) t.MustEncode[1][Byte(*p)] = false;
  for (int c = 0; c < 256; ++c) t.Base64Value[c] = -1;
  for (int v = 0; v < 64; ++v) t.Base64Value[Byte(Base64Letters[v])] = static_cast<signed char>(v);
  return t;
}

const TUTF7Tables& UTF7Tables() {
  static const TUTF7Tables tables = BuildUTF7Tables();  // built once, thread-safe
  return tables;
}

bool IsBase64Letter(Cardinal c) { return c < 128 && UTF7Tables().Base64Value[c] >= 0; }

// The bit buffer of a base64 run while encoding.
class TUTF7Writer {
 public:
  TUTF7Writer(AnsiChar*& dst, AnsiChar* dstEnd) : Dst_(dst), End_(dstEnd) {}

  bool Put(AnsiChar c) {
    if (Dst_ == End_) return false;
    *Dst_++ = c;
    return true;
  }
  bool AddBits(WideChar c) {
    Bits_ = (Bits_ << 16) | c;
    for (Count_ += 16; Count_ >= 6;)
      if (!PutLetter(Bits_ >> (Count_ -= 6))) return false;
    return true;
  }
  // Writes the held bits padded with zeros to six.
  bool Flush() {
    if (Count_ == 0) return true;
    const Cardinal bits = Bits_ << (6 - Count_);
    Count_ = 0;
    return PutLetter(bits);
  }

 private:
  bool PutLetter(Cardinal bits) { return Put(Base64Letters[bits & 0x3F]); }

  AnsiChar*& Dst_;
  AnsiChar* End_;
  Cardinal Bits_ = 0;  // only the low Count_ bits matter
  int Count_ = 0;
};

}  // namespace

Integer UTF7EncodeCore(const WideChar*& src, const WideChar* srcEnd, AnsiChar*& dst,
                       AnsiChar* dstEnd, bool optionalDirect, bool explicitEnd) {
  const bool* mustEncode = UTF7Tables().MustEncode[optionalDirect ? 1 : 0];
  TUTF7Writer out(dst, dstEnd);
  bool inBase64 = false;
  for (; src < srcEnd; ++src) {
    const WideChar c = *src;
    const bool direct = c < 128 && !mustEncode[c];
    if (inBase64 && direct) {
      // A "-" keeps the next character from being read as part of the run.
      if (!out.Flush() || ((explicitEnd || IsBase64Letter(c) || c == L'-') && !out.Put('-')))
        return utf7TargetFull;
      inBase64 = false;
    }
    if (inBase64) {
      if (!out.AddBits(c)) return utf7TargetFull;
    } else if (direct) {
      if (!out.Put(static_cast<AnsiChar>(c))) return utf7TargetFull;
    } else if (c == L'+') {
      if (!out.Put('+') || !out.Put('-')) return utf7TargetFull;
    } else {
      if (!out.Put('+') || !out.AddBits(c)) return utf7TargetFull;
      inBase64 = true;
    }
  }
  if (inBase64 && (!out.Flush() || (explicitEnd && !out.Put('-')))) return utf7TargetFull;
  return utf7Ok;
}

namespace {

// Decodes one base64 run; src stands after its "+". A run is malformed when
// it decodes nothing or leaves non-zero bits over.
Integer DecodeUTF7Run(const AnsiChar*& src, const AnsiChar* srcEnd, WideChar*& dst,
                      WideChar* dstEnd) {
  const signed char* value = UTF7Tables().Base64Value;
  if (src < srcEnd && *src == '-') {  // "+-"
    if (dst == dstEnd) return utf7TargetFull;
    ++src;
    *dst++ = L'+';
    return utf7Ok;
  }
  Cardinal bits = 0;
  int count = 0;
  bool wrote = false;
  for (; src < srcEnd && value[Byte(*src)] >= 0; ++src) {
    bits = (bits << 6) | static_cast<Cardinal>(value[Byte(*src)]);
    if ((count += 6) < 16) continue;
    if (dst == dstEnd) return utf7TargetFull;
    count -= 16;
    *dst++ = static_cast<WideChar>(bits >> count);
    bits &= (1u << count) - 1;
    wrote = true;
  }
  if (src < srcEnd && *src == '-') ++src;
  return wrote && bits == 0 ? utf7Ok : utf7Malformed;
}

}  // namespace

Integer UTF7DecodeCore(const AnsiChar*& src, const AnsiChar* srcEnd, WideChar*& dst,
                       WideChar* dstEnd) {
  bool malformed = false;
  while (src < srcEnd) {
    const Byte b = static_cast<Byte>(*src);
    if (b == '+') {
      ++src;
      const Integer run = DecodeUTF7Run(src, srcEnd, dst, dstEnd);
      if (run == utf7TargetFull) return run;
      malformed = malformed || run == utf7Malformed;
      continue;
    }
    if (dst == dstEnd) return utf7TargetFull;
    malformed = malformed || b > 127;
    *dst++ = b;
    ++src;
  }
  return malformed ? utf7Malformed : utf7Ok;
}

AnsiString WideStringToUTF7(const WideString& ws) {
  if (ws.empty()) return {};
  AnsiString result(ws.size() * 7, '\0');
  const WideChar* src = ws.data();
  AnsiChar* dst = result.data();
  if (UTF7EncodeCore(src, src + ws.size(), dst, dst + result.size(), true, false) != utf7Ok)
    throw EQevInternalError(SBufferOverflow);
  result.resize(static_cast<std::size_t>(dst - result.data()));
  return result;
}

WideString UTF7ToWideString(const AnsiString& s) {
  if (s.empty()) return {};
  WideString result(s.size(), L'\0');
  const AnsiChar* src = s.data();
  WideChar* dst = result.data();
  switch (UTF7DecodeCore(src, src + s.size(), dst, dst + result.size())) {
    case utf7Malformed: throw EQevGeneralError(SInvalidUTF7);
    case utf7TargetFull: throw EQevInternalError(SBufferOverflow);
  }
  result.resize(static_cast<std::size_t>(dst - result.data()));
  return result;
}

// ============================================================= code pages

WideString StringToWideStringEx(const AnsiString& s, Integer codePage) {
  if (codePage == CP_UTF7) return UTF7ToWideString(s);
  if (codePage == CP_UTF8) return UTF8ToWideString(s);
  return SystemToWide(s.data(), ApiLength(s.size()), static_cast<UINT>(codePage));
}

AnsiString WideStringToStringEx(const WideString& ws, Integer codePage) {
  if (codePage == CP_UTF7) return WideStringToUTF7(ws);
  if (codePage == CP_UTF8) return WideStringToUTF8(ws);
  return SystemToAnsi(ws.data(), ApiLength(ws.size()), static_cast<UINT>(codePage));
}

Integer CodePageFromLocale(Cardinal lcid) {
  char buffer[6] = {};
  GetLocaleInfoA(lcid, LOCALE_IDEFAULTANSICODEPAGE, buffer, sizeof(buffer));
  return StrToIntDef(AnsiString(buffer, strnlen(buffer, sizeof(buffer))),
                     static_cast<Integer>(GetACP()));
}

Integer KeyboardCodePage() {
  const auto layout = reinterpret_cast<std::uintptr_t>(GetKeyboardLayout(0));
  return CodePageFromLocale(static_cast<Cardinal>(layout & 0xFFFF));
}

WideChar KeyboardCharToWide(Word ch) {
  if (ch >= 256) return static_cast<WideChar>(ch);
  const char byte = static_cast<char>(ch);
  WideChar result = static_cast<WideChar>(ch);
  MultiByteToWideChar(static_cast<UINT>(KeyboardCodePage()), MB_USEGLYPHCHARS, &byte, 1,
                      &result, 1);
  return result;
}

void SwapWideByteOrder(WideChar* p) {
  for (; p && *p; ++p) *p = static_cast<WideChar>((*p << 8) | (*p >> 8));
}

// =========================================================== command line

namespace {

const WideChar* SkipParamSeparators(const WideChar* p) {
  for (;;) {
    if (*p >= 1 && *p <= L' ')
      ++p;
    else if (p[0] == L'"' && p[1] == L'"')
      p += 2;
    else
      return p;
  }
}

}  // namespace

const WideChar* ExtractWideParam(const WideChar* p, WideString& param) {
  param.clear();
  if (!p) return p;
  p = SkipParamSeparators(p);
  while (*p > L' ' && param.size() < MaxWideParamLength) {
    if (*p != L'"') {
      param += *p++;
      continue;
    }
    for (++p; *p && *p != L'"'; ++p)
      if (param.size() < MaxWideParamLength) param += *p;
    if (*p) ++p;  // the closing quote
  }
  return p;
}

Integer WideParamCountOf(const WideChar* commandLine) {
  WideString param;
  const WideChar* p = ExtractWideParam(commandLine, param);  // the program name
  for (Integer count = 0;; ++count) {
    p = ExtractWideParam(p, param);
    if (param.empty()) return count;
  }
}

WideString WideParamStrOf(const WideChar* commandLine, Integer index) {
  if (index < 0) return {};
  WideString param;
  const WideChar* p = ExtractWideParam(commandLine, param);
  for (Integer i = 1; i <= index; ++i) {
    p = ExtractWideParam(p, param);
    if (param.empty()) break;
  }
  return param;
}

Integer WideParamCount() { return WideParamCountOf(GetCommandLineW()); }

WideString WideParamStr(Integer index) {
  if (index == 0) return WideGetModuleFileName(nullptr);
  return WideParamStrOf(GetCommandLineW(), index);
}

// ================================================= runtime replacements

namespace {

UINT ConversionCP() { return static_cast<UINT>(ConversionCodePage); }

WideString QevAnsiToWide(const AnsiChar* p, Integer len) {
  return SystemToWide(p, len, ConversionCP());
}

AnsiString QevWideToAnsi(const WideChar* p, Integer len) {
  return SystemToAnsi(p, len, ConversionCP());
}

// One of the runtime's replaceable routines and what stood there before the
// layer replaced it.
template <class Proc>
class TRtlRedirection {
 public:
  constexpr explicit TRtlRedirection(Proc* slot) : Slot_(slot) {}
  void Install(Proc replacement) {
    if (Active_) return;
    Saved_ = *Slot_;
    *Slot_ = replacement;
    Active_ = true;
  }
  void Remove() {
    if (!Active_) return;
    *Slot_ = Saved_;
    Active_ = false;
  }

 private:
  Proc* Slot_;
  Proc Saved_ = nullptr;
  bool Active_ = false;
};

TRtlRedirection<TAnsiToWideProc> AnsiToWideRedirection(&AnsiToWideProc);
TRtlRedirection<TWideToAnsiProc> WideToAnsiRedirection(&WideToAnsiProc);
TRtlRedirection<TLoadResStringProc> LoadResStringRedirection(&LoadResStringProc);
TRtlRedirection<TWideFmtStrProc> WideFmtStrRedirection(&WideFmtStrProc);

void InstallConversions() {
  AnsiToWideRedirection.Install(QevAnsiToWide);
  WideToAnsiRedirection.Install(QevWideToAnsi);
}

// The runtime's engine reads a "%" in a preformatted text as a specifier.
WideString DoublePercent(const WideString& s) {
  WideString result;
  for (WideChar c : s) {
    if (c == L'%') result += L'%';
    result += c;
  }
  return result;
}

// Formats a text that PreformatFloatSpecifiers wrote.
Cardinal FormatPreformatted(WideChar* buffer, Cardinal bufferLength, const WideString& format,
                            TConstArray args, const TFormatSettings* settings) {
  return WideFormatBuf(buffer, bufferLength, format.data(), static_cast<Cardinal>(format.size()),
                       args, settings);
}

}  // namespace

void InstallRtlPatches(Integer flags) {
  if (flags & rtlConversionsAndResStrings) {
    InstallConversions();
    LoadResStringRedirection.Install(WideLoadResString);
  }
  if (flags & rtlConversionsInAnsiCodePage) {
    InstallConversions();
    ConversionCodePage = CP_ACP;
  }
  if (flags & rtlWideFormat) WideFmtStrRedirection.Install(QevWideFmtStr);
}

void RemoveAllRtlPatches() {
  AnsiToWideRedirection.Remove();
  WideToAnsiRedirection.Remove();
  ConversionCodePage = StartConversionCodePage;
  LoadResStringRedirection.Remove();
  WideFmtStrRedirection.Remove();
}

WideString WideLoadResString(const TResStringRec& rec) {
  const Integer id = ResStringId(rec);
  if (id == 0) return rec.Text ? rec.Text : L"";
  WideChar buffer[4097];
  const auto module = static_cast<HINSTANCE>(FindResourceHInstance(nullptr));
  const int n = Qev_LoadStringW(module, static_cast<UINT>(id), buffer, 4097);
  return WideString(buffer, static_cast<std::size_t>(std::max(n, 0)));
}

AnsiString WideToShortString(const WideString& ws, Integer maxLen) {
  const std::size_t limit = static_cast<std::size_t>(std::clamp<Integer>(maxLen, 0, 255));
  // Whole characters only: never half of a surrogate pair or of a double-byte
  // character.
  for (std::size_t count = std::min(ws.size(), limit);; --count) {
    if (count > 0 && count < ws.size() && IsHighSurrogate(ws[count - 1])) --count;
    const AnsiString bytes = SystemToAnsi(ws.data(), static_cast<int>(count), ConversionCP());
    if (bytes.size() <= limit) return static_cast<AnsiChar>(bytes.size()) + bytes;
  }
}

WideString PreformatFloatSpecifiers(const WideString& format, TConstArray args,
                                    const TFormatSettings* settings) {
  WideString result;
  TFormatStrParser parser(format);
  for (result += parser.TakeTextBeforeSpecifier(); !parser.AtEnd();
       result += parser.TakeTextBeforeSpecifier()) {
    parser.Parsed().Clear();
    const bool isSpecifier = parser.ParseFormatSpecifier();
    const WideString specifier = parser.Parsed().Value();
    if (!isSpecifier || GetFormatArgType(specifier) != fatFloat) {
      result += specifier;
      continue;
    }
    const AnsiString text = settings ? Format(WideToAnsi(specifier), args, *settings)
                                     : Format(WideToAnsi(specifier), args);
    result += DoublePercent(AnsiToWide(text));
  }
  return result;
}

Cardinal QevWideFormatBuf(WideChar* buffer, Cardinal bufferLength, const WideChar* format,
                          Cardinal formatLength, TConstArray args,
                          const TFormatSettings* settings) {
  const WideString preformatted =
      PreformatFloatSpecifiers(WideString(format, formatLength), args, settings);
  return FormatPreformatted(buffer, bufferLength, preformatted, args, settings);
}

WideString QevWideFmtStr(const WideString& format, TConstArray args,
                         const TFormatSettings* settings) {
  const WideString preformatted = PreformatFloatSpecifiers(format, args, settings);
  // The buffer doubles until the text leaves room to spare.
  WideString result;
  for (std::size_t size = std::max<std::size_t>(format.size(), 4096);; size *= 2) {
    result.resize(size);
    const Cardinal limit = static_cast<Cardinal>(size - 1);
    const Cardinal n = FormatPreformatted(result.data(), limit, preformatted, args, settings);
    if (n < limit) {
      result.resize(n);
      return result;
    }
  }
}

// ======================================================= unit start, end

void Initialization_QevSystem() {
  StartConversionCodePage = Win32Platform == VER_PLATFORM_WIN32_NT && Win32MajorVersion >= 5
                                ? CP_THREAD_ACP
                                : CodePageFromLocale(GetThreadLocale());
  ConversionCodePage = StartConversionCodePage;
  DebuggerPresentAtStart = IsDebuggerPresent() != FALSE;
}

void Finalization_QevSystem() { RemoveAllRtlPatches(); }
