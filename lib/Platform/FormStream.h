// The binary form-file stream and its text form: value reading and writing,
// the form-text tokenizer and the two converters.
//
// Portable C++ only: the build's host tool compiles this module natively with
// the system compiler, so it uses no Win32 call and none of the runtime's
// types. Whoever links it supplies RaiseFormFault (the runtime raises its
// filer exceptions, the host tool a std::runtime_error).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

enum TValueType : unsigned char {
  vaNull, vaList, vaInt8, vaInt16, vaInt32, vaExtended, vaString, vaIdent, vaFalse, vaTrue,
  vaBinary, vaSet, vaLString, vaNil, vaCollection, vaSingle, vaCurrency, vaDate, vaWString,
  vaInt64, vaUTF8String
};

// Flags of an object's prefix byte (0xF0 | flags).
using TFilerFlags = unsigned char;
constexpr TFilerFlags ffInherited = 1;
constexpr TFilerFlags ffChildPos = 2;
constexpr TFilerFlags ffInline = 4;

// Tokens of the form text besides single characters.
constexpr char toEOF = 0;
constexpr char toSymbol = 1;
constexpr char toString = 2;
constexpr char toInteger = 3;
constexpr char toFloat = 4;
constexpr char toWString = 5;

enum class TFormFault {
  // Binary stream (read errors):
  ReadError,        // the data ends early
  InvalidImage,     // no signature, an unknown value tag, a bad length, nesting too deep
  InvalidProperty,  // a value of the wrong kind
  // Writing:
  WriteError,       // a name longer than a short string holds
  // Form text (parser errors, with the line):
  IdentifierExpected,
  StringExpected,
  NumberExpected,
  CharExpected,     // Arg: the character
  SymbolExpected,   // Arg: the word
  InvalidBinary,
  InvalidString,
  InvalidValue,     // a token that starts no value, or values nested too deeply
};

// Supplied by the program that links this module; Line is 0 outside the text.
[[noreturn]] void RaiseFormFault(TFormFault Fault, const std::string& Arg = std::string(),
                                 int Line = 0);

// -------------------------------------------------------------- binary values

// Where a value reader takes its bytes from.
class TFormSource {
 public:
  virtual ~TFormSource() = default;
  // Up to Count bytes; fewer only at the end of the data, 0 there.
  virtual std::size_t ReadSome(void* Buffer, std::size_t Count) = 0;
};

// A string value of any of the four string kinds.
struct TFormString {
  bool Wide = false;
  std::string Narrow;        // vaString, vaLString
  std::u16string WideText;   // vaWString, vaUTF8String (decoded)
};

// Reads values of the binary stream. Every read is checked against the end of
// the data, and lengths are read in bounded pieces, so a damaged stream raises
// ReadError or InvalidImage and never makes it read past its data.
class TFormValueReader {
 public:
  explicit TFormValueReader(TFormSource& Source) : Source_(Source) {}

  void Read(void* Buffer, std::size_t Count);  // all Count bytes or ReadError
  // A byte was looked at ahead and not taken yet (the source is one byte on).
  bool HasPeeked() const { return Peeked_ >= 0; }

  TValueType ReadValue();
  TValueType NextValue();  // without taking it
  void CheckValue(TValueType Value);  // takes the tag; InvalidProperty if it is another
  bool EndOfList();                   // the next byte is 0
  void ReadListBegin() { CheckValue(vaList); }
  void ReadListEnd() { CheckValue(vaNull); }
  void ReadSignature();
  void ReadPrefix(TFilerFlags& Flags, std::int32_t& ChildPos);  // ChildPos -1 without

  std::int32_t ReadInteger();  // vaInt8/16/32
  std::int64_t ReadInt64();    // also the smaller integers
  bool ReadBoolean();
  // Any number: integers, extended, single, currency (its value), date.
  long double ReadFloat();
  float ReadSingle();
  std::int64_t ReadCurrency();  // scaled by 10000
  double ReadDate();
  std::string ReadStr();        // a short string without a tag
  std::string ReadIdent();      // vaIdent, or False/True/nil/Null
  TFormString ReadString();     // any string kind
  std::string ReadBinary();     // vaBinary

  void SkipValue();
  void SkipProperty() { ReadStr(), SkipValue(); }

 private:
  int PeekByte();
  std::string ReadBytes(std::uint64_t Count);
  void SkipBytes(std::uint64_t Count);
  std::uint64_t ReadLength(unsigned Size);
  std::int64_t ReadIntegerBody(TValueType Type);  // the tag already taken
  long double ReadNumber(TValueType Type);         // likewise
  void SkipCollection();

  TFormSource& Source_;
  int Peeked_ = -1;
  int Depth_ = 0;
};

// Writes values of the binary stream into Data.
class TFormValueWriter {
 public:
  std::string Data;

  void Write(const void* Buffer, std::size_t Count);
  void WriteValue(TValueType Value) { Data += static_cast<char>(Value); }
  void WriteListBegin() { WriteValue(vaList); }
  void WriteListEnd() { WriteValue(vaNull); }
  void WriteSignature() { Data += "TPF0"; }
  void WritePrefix(TFilerFlags Flags, std::int32_t ChildPos);

  void WriteInteger(std::int64_t Value);  // the smallest integer kind that holds it
  void WriteBoolean(bool Value) { WriteValue(Value ? vaTrue : vaFalse); }
  void WriteFloat(long double Value);
  void WriteSingle(float Value);
  void WriteCurrency(std::int64_t Scaled);
  void WriteDate(double Value);
  void WriteStr(const std::string& Value);    // WriteError beyond 255 bytes
  void WriteIdent(const std::string& Value);  // False, True, nil and Null get their tags
  void WriteString(const std::string& Value); // vaString, or vaLString beyond 255 bytes
  void WriteWideString(const std::u16string& Value);
  void WriteBinary(const std::string& Value);

 private:
  void WriteLE(std::uint64_t Value, unsigned Size);
};

// ---------------------------------------------------------------- form text

// The form-text tokenizer: symbols, numbers ("$" hex, an optional fraction and
// exponent, a type suffix s c d), strings of quoted pieces and #nnn codes, and
// single characters.
class TFormParser {
 public:
  explicit TFormParser(std::string Text);

  char Token() const { return Token_; }
  char NextToken();
  void CheckToken(char T) const;
  void CheckTokenSymbol(const std::string& S) const;
  bool TokenSymbolIs(const std::string& S) const;  // ignoring case
  // A string token's text (codes above 255 as '?'), otherwise the token itself.
  std::string TokenString() const;
  std::u16string TokenWideString() const;  // a string token's codes
  std::int64_t TokenInt() const;
  long double TokenFloat() const;
  char FloatType() const { return FloatType_; }  // the suffix, 0 without
  // A symbol with its ".symbol" continuations, which it takes.
  std::string TokenComponentIdent();
  // Hex digit pairs up to "}" (blanks between them are skipped), which becomes
  // the current token.
  void HexToBinary(std::string& Out);

  int SourceLine() const { return Line_; }
  std::size_t SourcePos() const { return TokenStart_; }  // where the current token begins
  [[noreturn]] void Error(TFormFault Fault, const std::string& Arg = std::string()) const;

 private:
  void SkipBlanks();
  std::string TokenText() const { return Text_.substr(TokenStart_, Pos_ - TokenStart_); }
  void ScanString();
  void ScanNumber();

  std::string Text_;
  std::size_t Pos_ = 0;
  std::size_t TokenStart_ = 0;
  char Token_ = toEOF;
  char FloatType_ = 0;
  std::u16string String_;
  int Line_ = 1;
};

// The text form of one object stream (signature and root object) from Reader,
// lines ending in CR LF, every string code outside 32..127 and the apostrophe
// as #nnn (the byte of an 8-bit string, the UTF-16 unit of a wide one).
std::string FormBinaryToText(TFormValueReader& Reader);
// A string value as the text form writes it: quoted runs of codes 32..127
// (the apostrophe excepted) and #nnn for every other code, joined by " +" at
// line breaks after 64 codes; a text longer than that begins on a new line.
// Lines after a break begin with Indent blanks.
std::string FormStringText(const std::u16string& Value, std::size_t Indent);
// The binary stream of the object text at Parser's current token (from a new
// parser). A string whose codes all fit in a byte becomes an 8-bit string,
// any other a wide string.
void FormTextToBinary(TFormParser& Parser, TFormValueWriter& Writer);

// Float text as the converters write it: the shortest digits that read back
// to the same value, in fixed notation unless the exponent is 15 or more or
// below -5 ("1.5", "1E20", "2.5E-7"). Non-finite values are InvalidProperty.
std::string FormFloatText(long double Value);
std::string FormFloatText(double Value);
std::string FormFloatText(float Value);
// Parses such text ('.' as decimal point, no suffix); false when it is none.
bool FormTextToFloat(const std::string& Text, long double& Value);
bool FormTextToFloat(const std::string& Text, double& Value);
bool FormTextToFloat(const std::string& Text, float& Value);
