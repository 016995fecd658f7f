// Code pages, UTF-8 and UTF-7, and the wide command line.
#pragma once

#include "SysUtils.h"
#include "System.h"

extern const TResStringRec SBufferOverflow;  // "Buffer overflow"
extern const TResStringRec SInvalidUTF7;     // "Invalid UTF7"

// Code page of the layer's default conversions between 8-bit and wide text.
extern Integer ConversionCodePage;
// True when a debugger was attached as this unit started.
extern bool DebuggerPresentAtStart;

// ------------------------------------------------------------------ UTF-8

// Characters outside the BMP become 4-byte sequences; a lone surrogate keeps
// its own 3-byte sequence so that any UTF-16 text survives the round trip.
AnsiString WideStringToUTF8(const WideString& ws);
// Any malformed, truncated or overlong sequence makes the whole result empty.
// Surrogates written as two 3-byte sequences are accepted as well.
WideString UTF8ToWideString(const AnsiString& s);
// For texts read from files and downloads, where a damaged byte must not cost
// the rest: each malformed part becomes U+FFFD, one per maximal ill-formed
// part as Unicode recommends.
WideString UTF8TextToWideString(const AnsiString& s);

// ------------------------------------------------------------------ UTF-7

// Results of the UTF-7 cores.
enum : Integer { utf7Ok = 0, utf7Malformed = 1, utf7TargetFull = 2 };

// RFC 2152 encoding of [src, srcEnd) into [dst, dstEnd); both cursors are
// advanced past what was done. optionalDirect writes the optional characters
// (! " # $ % & * ; < = > @ [ ] ^ _ ` { | }) as they are; explicitEnd closes
// every base64 run with "-" even where the next character does not need it.
Integer UTF7EncodeCore(const WideChar*& src, const WideChar* srcEnd, AnsiChar*& dst,
                       AnsiChar* dstEnd, bool optionalDirect, bool explicitEnd);
// Decodes [src, srcEnd) into [dst, dstEnd). Malformed input is noted and
// decoding goes on; a full target stops it.
Integer UTF7DecodeCore(const AnsiChar*& src, const AnsiChar* srcEnd, WideChar*& dst,
                       WideChar* dstEnd);

// The form files' encoding: optional characters direct, no needless "-".
AnsiString WideStringToUTF7(const WideString& ws);
// Raises EQevGeneralError "Invalid UTF7" for malformed input.
WideString UTF7ToWideString(const AnsiString& s);

// -------------------------------------------------------------- code pages

// CP_UTF7 and CP_UTF8 go through the converters above; any other code page
// through the system. A failing system conversion gives an empty result.
WideString StringToWideStringEx(const AnsiString& s, Integer codePage);
AnsiString WideStringToStringEx(const WideString& ws, Integer codePage);

// The locale's ANSI code page, or the system's when the locale has none.
Integer CodePageFromLocale(Cardinal lcid);
Integer KeyboardCodePage();
// A character code from the keyboard: codes below 256 are bytes in the
// keyboard layout's code page; larger ones are already UTF-16.
WideChar KeyboardCharToWide(Word ch);

// Turns null-terminated UTF-16BE text into UTF-16LE in place (and back).
void SwapWideByteOrder(WideChar* p);

// ----------------------------------------------------------- command line

// Longest parameter that ExtractWideParam gives, quoted parts included.
constexpr std::size_t MaxWideParamLength = 8192;

// Splits the next parameter off a command line and returns the position after
// it. Blanks, control characters and "" pairs before it are skipped; a quoted
// part keeps its blanks and loses its quotes (a"b c"d gives 'ab cd'). Once
// the parameter holds MaxWideParamLength characters, the rest of a quoted part
// is skipped up to its closing quote and collecting stops, so whatever follows
// starts the next parameter.
const WideChar* ExtractWideParam(const WideChar* p, WideString& param);

// Number of parameters after the program name.
Integer WideParamCount();
// 0: the program's full file name, however the command line names it;
// otherwise the index-th parameter, empty when there are fewer.
WideString WideParamStr(Integer index);

// The same on a given command line; index 0 is the program name as written.
Integer WideParamCountOf(const WideChar* commandLine);
WideString WideParamStrOf(const WideChar* commandLine, Integer index);

// ------------------------------------------------- runtime replacements

// Groups of the runtime's routines that InstallRtlPatches replaces.
enum : Integer {
  // 8-bit/wide conversions with ConversionCodePage and the wide resource-string loader.
  rtlConversionsAndResStrings = 1,
  // The conversions, with ConversionCodePage := CP_ACP.
  rtlConversionsInAnsiCodePage = 2,
  // Wide concatenation: nothing to replace, std::wstring concatenation is exact.
  rtlConcatenation = 4,
  // WideFormat without settings: QevWideFmtStr.
  rtlWideFormat = 8,
};

// Applies the bits in the order 1, 2, 4, 8; a routine already replaced stays
// as it is, so installing twice is the same as installing once.
void InstallRtlPatches(Integer flags);
// Puts the runtime's routines back (the conversions, then ConversionCodePage
// := its start value, then the loader and the formatter); routines never
// replaced are left alone.
void RemoveAllRtlPatches();

// The text of a resource string from the string table of the program's
// resource module (FindResourceHInstance), exact in every character; empty
// when that module lacks the string; the built-in text for a record that the
// program's table does not know.
WideString WideLoadResString(const TResStringRec& rec);

// A short string: a length byte and at most min(maxLen, 255) bytes of ws in
// ConversionCodePage. Only whole characters are kept.
AnsiString WideToShortString(const WideString& ws, Integer maxLen);

// WideFormat whose float specifiers (e f g m n) are formatted by the 8-bit
// Format; a malformed specifier raises EQevGeneralError "Invalid Format
// Specifier: %s". Without settings, FormatSettings.
WideString QevWideFmtStr(const WideString& format, TConstArray args,
                         const TFormatSettings* settings = nullptr);
// The same into a caller buffer; returns the characters written (at most
// bufferLength).
Cardinal QevWideFormatBuf(WideChar* buffer, Cardinal bufferLength, const WideChar* format,
                          Cardinal formatLength, TConstArray args,
                          const TFormatSettings* settings = nullptr);
// The format with an explicit index on every specifier and each float
// specifier replaced by its text from the 8-bit Format ("%" doubled).
WideString PreformatFloatSpecifiers(const WideString& format, TConstArray args,
                                    const TFormatSettings* settings = nullptr);

void Initialization_QevSystem();
void Finalization_QevSystem();
