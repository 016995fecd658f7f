#include "FormStream.h"

#include <cerrno>
#include <charconv>
#include <clocale>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <limits>

static_assert(std::numeric_limits<long double>::digits == 64,
              "the stream's extended values are the 10-byte x87 format");

namespace {

// Objects, lists and collections inside each other; forms nest a few levels,
// so this only stops a damaged stream from exhausting the stack.
constexpr int MaxNesting = 256;
constexpr std::size_t ReadPiece = 65536;

class TNesting {
 public:
  explicit TNesting(int& Depth) : Depth_(Depth) { ++Depth_; }
  ~TNesting() { --Depth_; }
  TNesting(const TNesting&) = delete;
  TNesting& operator=(const TNesting&) = delete;
  bool TooDeep() const { return Depth_ > MaxNesting; }

 private:
  int& Depth_;
};

bool IsDigit(char c) { return c >= '0' && c <= '9'; }
bool IsLetter(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_'; }
bool IsIdentChar(char c) { return IsLetter(c) || IsDigit(c); }
bool IsHexDigit(char c) {
  return IsDigit(c) || (c >= 'A' && c <= 'F') || (c >= 'a' && c <= 'f');
}
int HexValue(char c) { return IsDigit(c) ? c - '0' : (c | 0x20) - 'a' + 10; }

char LowerAscii(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c; }

bool SameAscii(const std::string& a, const std::string& b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i)
    if (LowerAscii(a[i]) != LowerAscii(b[i])) return false;
  return true;
}

std::uint64_t DecodeLE(const unsigned char* p, unsigned size) {
  std::uint64_t v = 0;
  for (unsigned i = size; i-- > 0;) v = (v << 8) | p[i];
  return v;
}

void AppendCodePoint(std::u16string& out, std::uint32_t cp) {
  if (cp >= 0x10000) {
    cp -= 0x10000;
    out += static_cast<char16_t>(0xD800 + (cp >> 10));
    out += static_cast<char16_t>(0xDC00 + (cp & 0x3FF));
  } else {
    out += static_cast<char16_t>(cp);
  }
}

// Malformed sequences become U+FFFD.
std::u16string Utf8ToUtf16(const std::string& s) {
  static const std::uint32_t minimum[] = {0, 0x80, 0x800, 0x10000};
  std::u16string out;
  std::size_t i = 0;
  while (i < s.size()) {
    auto c = static_cast<unsigned char>(s[i]);
    std::uint32_t cp = c;
    int extra = c < 0x80 ? 0 : (c & 0xE0) == 0xC0 ? 1 : (c & 0xF0) == 0xE0 ? 2 : (c & 0xF8) == 0xF0 ? 3 : -1;
    std::size_t j = i + 1;
    bool ok = extra >= 0;
    if (extra > 0) cp &= 0x3F >> extra;
    for (int k = 0; ok && k < extra; ++k, ++j) {
      ok = j < s.size() && (static_cast<unsigned char>(s[j]) & 0xC0) == 0x80;
      if (ok) cp = (cp << 6) | (static_cast<unsigned char>(s[j]) & 0x3F);
    }
    ok = ok && cp >= minimum[extra] && cp <= 0x10FFFF && (cp < 0xD800 || cp > 0xDFFF);
    AppendCodePoint(out, ok ? cp : 0xFFFD);
    i = j;
  }
  return out;
}

template <typename F>
std::string FloatTextOf(F value) {
  if (!std::isfinite(value)) RaiseFormFault(TFormFault::InvalidProperty);
  char buffer[64];
  auto result = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::scientific);
  std::string s(buffer, result.ptr);  // "-d.ddde+XX", the shortest digits
  bool negative = s[0] == '-';
  if (negative) s.erase(0, 1);
  std::size_t e = s.find('e');
  int exponent = std::atoi(s.c_str() + e + 1);
  std::string digits;
  for (std::size_t i = 0; i < e; ++i)
    if (s[i] != '.') digits += s[i];
  while (digits.size() > 1 && digits.back() == '0') digits.pop_back();
  if (digits == "0") return "0";
  std::string text = negative ? "-" : "";
  if (exponent >= 15 || exponent < -5) {
    text += digits[0];
    if (digits.size() > 1) text.append(1, '.').append(digits, 1);
    text.append(1, 'E').append(std::to_string(exponent));
  } else if (exponent < 0) {
    text.append("0.").append(-exponent - 1, '0').append(digits);
  } else {
    std::size_t whole = exponent + 1;
    if (digits.size() <= whole)
      text.append(digits).append(whole - digits.size(), '0');
    else
      text.append(digits, 0, whole).append(1, '.').append(digits, whole);
  }
  return text;
}

// [-]digits[.digits][(e|E)[+|-]digits]
bool IsFloatText(const std::string& t) {
  std::size_t i = 0, n = t.size();
  if (i < n && t[i] == '-') ++i;
  std::size_t digits = 0;
  for (; i < n && IsDigit(t[i]); ++i) ++digits;
  if (i < n && t[i] == '.')
    for (++i; i < n && IsDigit(t[i]); ++i) ++digits;
  if (digits == 0) return false;
  if (i < n && (t[i] == 'e' || t[i] == 'E')) {
    ++i;
    if (i < n && (t[i] == '+' || t[i] == '-')) ++i;
    if (i == n || !IsDigit(t[i])) return false;
    while (i < n && IsDigit(t[i])) ++i;
  }
  return i == n;
}

long double StrToF(const char* s, char** end, long double) { return std::strtold(s, end); }
double StrToF(const char* s, char** end, double) { return std::strtod(s, end); }
float StrToF(const char* s, char** end, float) { return std::strtof(s, end); }

template <typename F>
bool TextToFloatOf(const std::string& text, F& value) {
  if (!IsFloatText(text)) return false;
  // strto* read the C library's decimal point.
  std::string s = text;
  const char* point = std::localeconv()->decimal_point;
  std::size_t dot = s.find('.');
  if (dot != std::string::npos && point && *point) s.replace(dot, 1, point);
  char* end = nullptr;
  F v = StrToF(s.c_str(), &end, F());
  if (*end || !std::isfinite(v)) return false;
  value = v;
  return true;
}

}  // namespace

// ------------------------------------------------------------- TFormValueReader

int TFormValueReader::PeekByte() {
  if (Peeked_ < 0) {
    unsigned char b;
    if (Source_.ReadSome(&b, 1) != 1) RaiseFormFault(TFormFault::ReadError);
    Peeked_ = b;
  }
  return Peeked_;
}

void TFormValueReader::Read(void* Buffer, std::size_t Count) {
  auto* p = static_cast<unsigned char*>(Buffer);
  if (Count > 0 && Peeked_ >= 0) {
    *p++ = static_cast<unsigned char>(Peeked_);
    Peeked_ = -1;
    --Count;
  }
  while (Count > 0) {
    std::size_t n = Source_.ReadSome(p, Count);
    if (n == 0) RaiseFormFault(TFormFault::ReadError);
    p += n;
    Count -= n;
  }
}

std::string TFormValueReader::ReadBytes(std::uint64_t Count) {
  std::string result;
  while (Count > 0) {
    std::size_t piece = Count < ReadPiece ? static_cast<std::size_t>(Count) : ReadPiece;
    std::size_t old = result.size();
    result.resize(old + piece);
    Read(&result[old], piece);
    Count -= piece;
  }
  return result;
}

void TFormValueReader::SkipBytes(std::uint64_t Count) {
  char buffer[4096];
  while (Count > 0) {
    std::size_t piece = Count < sizeof buffer ? static_cast<std::size_t>(Count) : sizeof buffer;
    Read(buffer, piece);
    Count -= piece;
  }
}

std::uint64_t TFormValueReader::ReadLength(unsigned Size) {
  unsigned char b[4];
  Read(b, 4);
  auto length = static_cast<std::int32_t>(DecodeLE(b, 4));
  if (length < 0) RaiseFormFault(TFormFault::InvalidImage);
  return static_cast<std::uint64_t>(length) * Size;
}

TValueType TFormValueReader::ReadValue() {
  unsigned char b;
  Read(&b, 1);
  if (b > vaUTF8String) RaiseFormFault(TFormFault::InvalidImage);
  return static_cast<TValueType>(b);
}

TValueType TFormValueReader::NextValue() {
  int b = PeekByte();
  if (b > vaUTF8String) RaiseFormFault(TFormFault::InvalidImage);
  return static_cast<TValueType>(b);
}

void TFormValueReader::CheckValue(TValueType Value) {
  if (ReadValue() != Value) RaiseFormFault(TFormFault::InvalidProperty);
}

bool TFormValueReader::EndOfList() { return PeekByte() == 0; }

void TFormValueReader::ReadSignature() {
  char signature[4];
  Read(signature, 4);
  if (std::memcmp(signature, "TPF0", 4) != 0) RaiseFormFault(TFormFault::InvalidImage);
}

void TFormValueReader::ReadPrefix(TFilerFlags& Flags, std::int32_t& ChildPos) {
  Flags = 0;
  ChildPos = -1;
  int b = PeekByte();
  if ((b & 0xF0) != 0xF0) return;
  Peeked_ = -1;
  Flags = static_cast<TFilerFlags>(b & 0x0F);
  if (Flags & ffChildPos) ChildPos = ReadInteger();
}

std::int64_t TFormValueReader::ReadIntegerBody(TValueType Type) {
  unsigned size = Type == vaInt8 ? 1 : Type == vaInt16 ? 2 : Type == vaInt32 ? 4 : Type == vaInt64 ? 8 : 0;
  if (size == 0) RaiseFormFault(TFormFault::InvalidProperty);
  unsigned char b[8];
  Read(b, size);
  std::uint64_t v = DecodeLE(b, size);
  switch (size) {
    case 1: return static_cast<std::int8_t>(v);
    case 2: return static_cast<std::int16_t>(v);
    case 4: return static_cast<std::int32_t>(v);
    default: return static_cast<std::int64_t>(v);
  }
}

std::int32_t TFormValueReader::ReadInteger() {
  TValueType type = ReadValue();
  if (type == vaInt64) RaiseFormFault(TFormFault::InvalidProperty);
  return static_cast<std::int32_t>(ReadIntegerBody(type));
}

std::int64_t TFormValueReader::ReadInt64() { return ReadIntegerBody(ReadValue()); }

bool TFormValueReader::ReadBoolean() {
  TValueType type = ReadValue();
  if (type != vaTrue && type != vaFalse) RaiseFormFault(TFormFault::InvalidProperty);
  return type == vaTrue;
}

long double TFormValueReader::ReadNumber(TValueType Type) {
  unsigned char b[10];
  switch (Type) {
    case vaInt8:
    case vaInt16:
    case vaInt32:
    case vaInt64:
      return static_cast<long double>(ReadIntegerBody(Type));
    case vaExtended: {
      Read(b, 10);
      long double v = 0;
      std::memcpy(&v, b, 10);
      return v;
    }
    case vaSingle: {
      Read(b, 4);
      float v;
      std::memcpy(&v, b, 4);
      return v;
    }
    case vaDate: {
      Read(b, 8);
      double v;
      std::memcpy(&v, b, 8);
      return v;
    }
    case vaCurrency:
      Read(b, 8);
      return static_cast<long double>(static_cast<std::int64_t>(DecodeLE(b, 8))) / 10000;
    default:
      RaiseFormFault(TFormFault::InvalidProperty);
  }
}

long double TFormValueReader::ReadFloat() { return ReadNumber(ReadValue()); }

float TFormValueReader::ReadSingle() {
  TValueType type = ReadValue();
  if (type != vaSingle) return static_cast<float>(ReadNumber(type));
  float v;
  Read(&v, 4);
  return v;
}

double TFormValueReader::ReadDate() {
  TValueType type = ReadValue();
  if (type != vaDate) return static_cast<double>(ReadNumber(type));
  double v;
  Read(&v, 8);
  return v;
}

std::int64_t TFormValueReader::ReadCurrency() {
  TValueType type = ReadValue();
  if (type != vaCurrency) {
    long double scaled = ReadNumber(type) * 10000;
    if (!(scaled > -9223372036854775808.0L && scaled < 9223372036854775808.0L))
      RaiseFormFault(TFormFault::InvalidProperty);
    return std::llroundl(scaled);
  }
  unsigned char b[8];
  Read(b, 8);
  return static_cast<std::int64_t>(DecodeLE(b, 8));
}

std::string TFormValueReader::ReadStr() {
  unsigned char length;
  Read(&length, 1);
  return ReadBytes(length);
}

std::string TFormValueReader::ReadIdent() {
  switch (ReadValue()) {
    case vaIdent: return ReadStr();
    case vaFalse: return "False";
    case vaTrue: return "True";
    case vaNil: return "nil";
    case vaNull: return "Null";
    default: RaiseFormFault(TFormFault::InvalidProperty);
  }
}

TFormString TFormValueReader::ReadString() {
  TFormString result;
  switch (ReadValue()) {
    case vaString:
      result.Narrow = ReadStr();
      break;
    case vaLString:
      result.Narrow = ReadBytes(ReadLength(1));
      break;
    case vaWString: {
      std::string bytes = ReadBytes(ReadLength(2));
      result.Wide = true;
      result.WideText.resize(bytes.size() / 2);
      for (std::size_t i = 0; i < result.WideText.size(); ++i)
        result.WideText[i] = static_cast<char16_t>(
            DecodeLE(reinterpret_cast<const unsigned char*>(bytes.data()) + 2 * i, 2));
      break;
    }
    case vaUTF8String:
      result.Wide = true;
      result.WideText = Utf8ToUtf16(ReadBytes(ReadLength(1)));
      break;
    default:
      RaiseFormFault(TFormFault::InvalidProperty);
  }
  return result;
}

std::string TFormValueReader::ReadBinary() {
  CheckValue(vaBinary);
  return ReadBytes(ReadLength(1));
}

void TFormValueReader::SkipValue() {
  TNesting nesting(Depth_);
  if (nesting.TooDeep()) RaiseFormFault(TFormFault::InvalidImage);
  switch (ReadValue()) {
    case vaNull:
    case vaFalse:
    case vaTrue:
    case vaNil:
      break;
    case vaList:
      while (!EndOfList()) SkipValue();
      ReadListEnd();
      break;
    case vaInt8: SkipBytes(1); break;
    case vaInt16: SkipBytes(2); break;
    case vaInt32:
    case vaSingle: SkipBytes(4); break;
    case vaExtended: SkipBytes(10); break;
    case vaInt64:
    case vaCurrency:
    case vaDate: SkipBytes(8); break;
    case vaString:
    case vaIdent: ReadStr(); break;
    case vaBinary:
    case vaLString:
    case vaUTF8String: SkipBytes(ReadLength(1)); break;
    case vaWString: SkipBytes(ReadLength(2)); break;
    case vaSet:
      while (!ReadStr().empty()) {
      }
      break;
    case vaCollection: SkipCollection(); break;
  }
}

void TFormValueReader::SkipCollection() {
  while (!EndOfList()) {
    TValueType type = NextValue();
    if (type == vaInt8 || type == vaInt16 || type == vaInt32) SkipValue();
    ReadListBegin();
    while (!EndOfList()) SkipProperty();
    ReadListEnd();
  }
  ReadListEnd();
}

// ------------------------------------------------------------- TFormValueWriter

void TFormValueWriter::Write(const void* Buffer, std::size_t Count) {
  Data.append(static_cast<const char*>(Buffer), Count);
}

void TFormValueWriter::WriteLE(std::uint64_t Value, unsigned Size) {
  for (unsigned i = 0; i < Size; ++i) Data += static_cast<char>((Value >> (8 * i)) & 0xFF);
}

void TFormValueWriter::WritePrefix(TFilerFlags Flags, std::int32_t ChildPos) {
  if (Flags == 0) return;
  Data += static_cast<char>(0xF0 | Flags);
  if (Flags & ffChildPos) WriteInteger(ChildPos);
}

void TFormValueWriter::WriteInteger(std::int64_t Value) {
  auto v = static_cast<std::uint64_t>(Value);
  if (Value >= -128 && Value <= 127) {
    WriteValue(vaInt8);
    WriteLE(v, 1);
  } else if (Value >= -32768 && Value <= 32767) {
    WriteValue(vaInt16);
    WriteLE(v, 2);
  } else if (Value >= std::numeric_limits<std::int32_t>::min() &&
             Value <= std::numeric_limits<std::int32_t>::max()) {
    WriteValue(vaInt32);
    WriteLE(v, 4);
  } else {
    WriteValue(vaInt64);
    WriteLE(v, 8);
  }
}

void TFormValueWriter::WriteFloat(long double Value) {
  WriteValue(vaExtended);
  unsigned char b[sizeof(long double)];
  std::memcpy(b, &Value, sizeof b);
  Write(b, 10);
}

void TFormValueWriter::WriteSingle(float Value) {
  WriteValue(vaSingle);
  Write(&Value, 4);
}

void TFormValueWriter::WriteCurrency(std::int64_t Scaled) {
  WriteValue(vaCurrency);
  WriteLE(static_cast<std::uint64_t>(Scaled), 8);
}

void TFormValueWriter::WriteDate(double Value) {
  WriteValue(vaDate);
  Write(&Value, 8);
}

void TFormValueWriter::WriteStr(const std::string& Value) {
  if (Value.size() > 255) RaiseFormFault(TFormFault::WriteError);
  Data += static_cast<char>(Value.size());
  Data += Value;
}

void TFormValueWriter::WriteIdent(const std::string& Value) {
  if (SameAscii(Value, "False"))
    WriteValue(vaFalse);
  else if (SameAscii(Value, "True"))
    WriteValue(vaTrue);
  else if (SameAscii(Value, "nil"))
    WriteValue(vaNil);
  else if (SameAscii(Value, "Null"))
    WriteValue(vaNull);
  else {
    WriteValue(vaIdent);
    WriteStr(Value);
  }
}

void TFormValueWriter::WriteString(const std::string& Value) {
  if (Value.size() <= 255) {
    WriteValue(vaString);
    WriteStr(Value);
    return;
  }
  if (Value.size() > static_cast<std::size_t>(std::numeric_limits<std::int32_t>::max()))
    RaiseFormFault(TFormFault::WriteError);
  WriteValue(vaLString);
  WriteLE(Value.size(), 4);
  Data += Value;
}

void TFormValueWriter::WriteWideString(const std::u16string& Value) {
  if (Value.size() > static_cast<std::size_t>(std::numeric_limits<std::int32_t>::max()))
    RaiseFormFault(TFormFault::WriteError);
  WriteValue(vaWString);
  WriteLE(Value.size(), 4);
  for (char16_t c : Value) WriteLE(c, 2);
}

void TFormValueWriter::WriteBinary(const std::string& Value) {
  if (Value.size() > static_cast<std::size_t>(std::numeric_limits<std::int32_t>::max()))
    RaiseFormFault(TFormFault::WriteError);
  WriteValue(vaBinary);
  WriteLE(Value.size(), 4);
  Data += Value;
}

// ------------------------------------------------------------------ TFormParser

TFormParser::TFormParser(std::string Text) : Text_(std::move(Text)) { NextToken(); }

void TFormParser::Error(TFormFault Fault, const std::string& Arg) const {
  RaiseFormFault(Fault, Arg, Line_);
}

// A NUL byte ends the text, as it did for the platform's tokenizer.
void TFormParser::SkipBlanks() {
  for (; Pos_ < Text_.size(); ++Pos_) {
    auto c = static_cast<unsigned char>(Text_[Pos_]);
    if (c == '\n')
      ++Line_;
    else if (c > ' ' || c == 0)
      break;
  }
}

char TFormParser::NextToken() {
  SkipBlanks();
  TokenStart_ = Pos_;
  FloatType_ = 0;
  char c = Pos_ < Text_.size() ? Text_[Pos_] : 0;
  if (c == 0) {
    Token_ = toEOF;
  } else if (IsLetter(c)) {
    while (++Pos_ < Text_.size() && IsIdentChar(Text_[Pos_])) {
    }
    Token_ = toSymbol;
  } else if (c == '#' || c == '\'') {
    ScanString();
  } else if (c == '$') {
    while (++Pos_ < Text_.size() && IsHexDigit(Text_[Pos_])) {
    }
    Token_ = toInteger;
  } else if (c == '-' || IsDigit(c)) {
    ScanNumber();
  } else {
    ++Pos_;
    Token_ = c;
  }
  return Token_;
}

void TFormParser::ScanString() {
  String_.clear();
  bool wide = false;
  auto at = [this](std::size_t i) { return i < Text_.size() ? Text_[i] : '\0'; };
  for (;;) {
    if (at(Pos_) == '#') {
      std::size_t start = ++Pos_;
      std::uint32_t code = 0;
      for (; IsDigit(at(Pos_)); ++Pos_) {
        code = code * 10 + (Text_[Pos_] - '0');
        if (code > 0xFFFF) Error(TFormFault::InvalidString);
      }
      if (Pos_ == start) Error(TFormFault::InvalidString);
      String_ += static_cast<char16_t>(code);
      wide = wide || code > 255;
    } else if (at(Pos_) == '\'') {
      for (++Pos_;; ++Pos_) {
        char c = at(Pos_);
        if (c == '\0' || c == '\r' || c == '\n') Error(TFormFault::InvalidString);
        if (c == '\'') {
          if (at(Pos_ + 1) != '\'') break;
          ++Pos_;
        }
        String_ += static_cast<char16_t>(static_cast<unsigned char>(c));
      }
      ++Pos_;
    } else {
      break;
    }
  }
  Token_ = wide ? toWString : toString;
}

void TFormParser::ScanNumber() {
  auto at = [this](std::size_t i) { return i < Text_.size() ? Text_[i] : '\0'; };
  ++Pos_;
  while (IsDigit(at(Pos_))) ++Pos_;
  Token_ = toInteger;
  for (char c = at(Pos_); IsDigit(c) || c == '.' || c == 'e' || c == 'E' || c == '+' || c == '-';
       c = at(Pos_)) {
    ++Pos_;
    Token_ = toFloat;
  }
  char c = at(Pos_);
  if (c != '\0' && std::strchr("cCdDsS", c)) {
    Token_ = toFloat;
    FloatType_ = c;
    ++Pos_;
  }
}

void TFormParser::CheckToken(char T) const {
  if (Token_ == T || (T == toString && Token_ == toWString)) return;
  switch (T) {
    case toSymbol: Error(TFormFault::IdentifierExpected);
    case toString:
    case toWString: Error(TFormFault::StringExpected);
    case toInteger:
    case toFloat: Error(TFormFault::NumberExpected);
    default: Error(TFormFault::CharExpected, std::string(1, T));
  }
}

void TFormParser::CheckTokenSymbol(const std::string& S) const {
  if (!TokenSymbolIs(S)) Error(TFormFault::SymbolExpected, S);
}

bool TFormParser::TokenSymbolIs(const std::string& S) const {
  return Token_ == toSymbol && SameAscii(TokenText(), S);
}

std::string TFormParser::TokenString() const {
  if (Token_ != toString && Token_ != toWString) return TokenText();
  std::string s;
  for (char16_t c : String_) s += c > 255 ? '?' : static_cast<char>(c);
  return s;
}

std::u16string TFormParser::TokenWideString() const {
  if (Token_ == toString || Token_ == toWString) return String_;
  std::string text = TokenText();
  std::u16string s;
  for (char c : text) s += static_cast<char16_t>(static_cast<unsigned char>(c));
  return s;
}

std::int64_t TFormParser::TokenInt() const {
  std::string t = TokenText();
  std::uint64_t v = 0;
  if (!t.empty() && t[0] == '$') {
    if (t.size() < 2 || t.size() > 17) Error(TFormFault::NumberExpected);
    for (std::size_t i = 1; i < t.size(); ++i) v = v * 16 + HexValue(t[i]);
    return static_cast<std::int64_t>(v);
  }
  bool negative = !t.empty() && t[0] == '-';
  std::size_t i = negative ? 1 : 0;
  if (i == t.size()) Error(TFormFault::NumberExpected);
  const std::uint64_t limit = negative ? 9223372036854775808ULL : 9223372036854775807ULL;
  for (; i < t.size(); ++i) {
    if (!IsDigit(t[i])) Error(TFormFault::NumberExpected);
    unsigned digit = t[i] - '0';
    if (v > (limit - digit) / 10) Error(TFormFault::NumberExpected);
    v = v * 10 + digit;
  }
  return negative ? static_cast<std::int64_t>(0 - v) : static_cast<std::int64_t>(v);
}

long double TFormParser::TokenFloat() const {
  std::string t = TokenText();
  if (FloatType_) t.pop_back();
  long double v;
  if (!FormTextToFloat(t, v)) Error(TFormFault::NumberExpected);
  return v;
}

std::string TFormParser::TokenComponentIdent() {
  CheckToken(toSymbol);
  while (Pos_ < Text_.size() && Text_[Pos_] == '.') {
    if (++Pos_ >= Text_.size() || !IsLetter(Text_[Pos_])) Error(TFormFault::IdentifierExpected);
    while (++Pos_ < Text_.size() && IsIdentChar(Text_[Pos_])) {
    }
  }
  return TokenText();
}

void TFormParser::HexToBinary(std::string& Out) {
  SkipBlanks();
  while (Pos_ < Text_.size() && Text_[Pos_] != '}') {
    if (Pos_ + 1 >= Text_.size() || !IsHexDigit(Text_[Pos_]) || !IsHexDigit(Text_[Pos_ + 1]))
      Error(TFormFault::InvalidBinary);
    Out += static_cast<char>(HexValue(Text_[Pos_]) * 16 + HexValue(Text_[Pos_ + 1]));
    Pos_ += 2;
    SkipBlanks();
  }
  if (Pos_ >= Text_.size()) Error(TFormFault::InvalidBinary);
  NextToken();
}

// ------------------------------------------------------------- binary to text

namespace {

class TBinaryToText {
 public:
  explicit TBinaryToText(TFormValueReader& Reader) : R_(Reader) {}

  std::string Run() {
    R_.ReadSignature();
    Object();
    return std::move(Out_);
  }

 private:
  static constexpr std::size_t LineLength = 64;
  static constexpr std::size_t BytesPerLine = 32;

  void Indent() { Out_.append(2 * Level_, ' '); }
  void NewLine() {
    Out_ += "\r\n";
    Indent();
  }

  void Object() {
    TNesting nesting(Depth_);
    if (nesting.TooDeep()) RaiseFormFault(TFormFault::InvalidImage);
    TFilerFlags flags;
    std::int32_t position;
    R_.ReadPrefix(flags, position);
    std::string className = R_.ReadStr();
    std::string objectName = R_.ReadStr();
    Indent();
    Out_ += flags & ffInherited ? "inherited " : flags & ffInline ? "inline " : "object ";
    if (!objectName.empty()) Out_.append(objectName).append(": ");
    Out_ += className;
    if (flags & ffChildPos) Out_.append(" [").append(std::to_string(position)).append("]");
    Out_ += "\r\n";
    ++Level_;
    while (!R_.EndOfList()) Property();
    R_.ReadListEnd();
    while (!R_.EndOfList()) Object();
    R_.ReadListEnd();
    --Level_;
    Indent();
    Out_ += "end\r\n";
  }

  void Property() {
    Indent();
    Out_ += R_.ReadStr();
    Out_ += " = ";
    Value();
    Out_ += "\r\n";
  }

  void Value() {
    TNesting nesting(Depth_);
    if (nesting.TooDeep()) RaiseFormFault(TFormFault::InvalidImage);
    switch (R_.NextValue()) {
      case vaList: List(); break;
      case vaInt8:
      case vaInt16:
      case vaInt32:
      case vaInt64: Out_ += std::to_string(R_.ReadInt64()); break;
      case vaExtended: Out_ += FormFloatText(R_.ReadFloat()); break;
      case vaSingle: Out_.append(FormFloatText(R_.ReadSingle())).append(1, 's'); break;
      case vaCurrency: Out_.append(std::to_string(R_.ReadCurrency())).append(1, 'c'); break;
      case vaDate: Out_.append(FormFloatText(R_.ReadDate())).append(1, 'd'); break;
      case vaString:
      case vaLString:
      case vaWString:
      case vaUTF8String: String(); break;
      case vaIdent:
      case vaFalse:
      case vaTrue:
      case vaNil:
      case vaNull: Out_ += R_.ReadIdent(); break;
      case vaBinary: Binary(); break;
      case vaSet: Set(); break;
      case vaCollection: Collection(); break;
    }
  }

  void List() {
    R_.ReadValue();
    Out_ += '(';
    ++Level_;
    while (!R_.EndOfList()) {
      NewLine();
      Value();
    }
    R_.ReadListEnd();
    --Level_;
    Out_ += ')';
  }

  static bool Quotable(char16_t c) { return c >= ' ' && c != '\'' && c <= 127; }

  // Runs of printable 7-bit text in quotes, every other code as #nnn; a text
  // longer than a line starts on a new one, and lines break after 64 codes.
  void String() {
    TFormString value = R_.ReadString();
    std::u16string w = value.WideText;
    if (!value.Wide)
      for (char c : value.Narrow) w += static_cast<char16_t>(static_cast<unsigned char>(c));
    if (w.empty()) {
      Out_ += "''";
      return;
    }
    ++Level_;
    std::size_t length = w.size(), i = 0, lineStart = 0;
    if (length > LineLength) NewLine();
    do {
      if (Quotable(w[i])) {
        Out_ += '\'';
        do Out_ += static_cast<char>(w[i++]);
        while (i < length && Quotable(w[i]) && i - lineStart < LineLength);
        Out_ += '\'';
      } else {
        Out_.append(1, '#').append(std::to_string(w[i++]));
      }
      if (i - lineStart >= LineLength && i < length) {
        Out_ += " +";
        NewLine();
        lineStart = i;
      }
    } while (i < length);
    --Level_;
  }

  void Binary() {
    static const char hex[] = "0123456789ABCDEF";
    std::string data = R_.ReadBinary();
    Out_ += '{';
    ++Level_;
    for (std::size_t i = 0; i < data.size(); ++i) {
      if (i % BytesPerLine == 0 && data.size() >= BytesPerLine) NewLine();
      auto b = static_cast<unsigned char>(data[i]);
      Out_ += hex[b >> 4];
      Out_ += hex[b & 15];
    }
    --Level_;
    Out_ += '}';
  }

  void Set() {
    R_.ReadValue();
    Out_ += '[';
    for (bool first = true;; first = false) {
      std::string name = R_.ReadStr();
      if (name.empty()) break;
      if (!first) Out_ += ", ";
      Out_ += name;
    }
    Out_ += ']';
  }

  void Collection() {
    R_.ReadValue();
    Out_ += '<';
    ++Level_;
    while (!R_.EndOfList()) {
      NewLine();
      Out_ += "item";
      TValueType type = R_.NextValue();
      if (type == vaInt8 || type == vaInt16 || type == vaInt32)
        Out_.append(" [").append(std::to_string(R_.ReadInteger())).append("]");
      Out_ += "\r\n";
      R_.ReadListBegin();
      ++Level_;
      while (!R_.EndOfList()) Property();
      R_.ReadListEnd();
      --Level_;
      Indent();
      Out_ += "end";
    }
    R_.ReadListEnd();
    --Level_;
    Out_ += '>';
  }

  TFormValueReader& R_;
  std::string Out_;
  int Level_ = 0;
  int Depth_ = 0;
};

// ------------------------------------------------------------- text to binary

class TTextToBinary {
 public:
  TTextToBinary(TFormParser& Parser, TFormValueWriter& Writer) : P_(Parser), W_(Writer) {}

  void Run() {
    W_.WriteSignature();
    Object();
  }

 private:
  bool IsObjectStart() const {
    return P_.TokenSymbolIs("OBJECT") || P_.TokenSymbolIs("INHERITED") ||
           P_.TokenSymbolIs("INLINE");
  }

  void Object() {
    TNesting nesting(Depth_);
    if (nesting.TooDeep()) P_.Error(TFormFault::InvalidValue);
    TFilerFlags flags = 0;
    if (P_.TokenSymbolIs("INHERITED"))
      flags = ffInherited;
    else if (P_.TokenSymbolIs("INLINE"))
      flags = ffInline;
    else
      P_.CheckTokenSymbol("OBJECT");
    P_.NextToken();
    Header(flags);
    while (!P_.TokenSymbolIs("END") && !IsObjectStart()) Property();
    W_.WriteListEnd();
    while (!P_.TokenSymbolIs("END")) Object();
    W_.WriteListEnd();
    P_.NextToken();
  }

  void Header(TFilerFlags flags) {
    P_.CheckToken(toSymbol);
    std::string className = P_.TokenString(), objectName;
    if (P_.NextToken() == ':') {
      P_.NextToken();
      P_.CheckToken(toSymbol);
      objectName = className;
      className = P_.TokenString();
      P_.NextToken();
    }
    std::int32_t position = -1;
    if (Bracketed(position)) flags |= ffChildPos;
    W_.WritePrefix(flags, position);
    W_.WriteStr(className);
    W_.WriteStr(objectName);
  }

  // "[n]": an object's child position or a collection item's index.
  bool Bracketed(std::int32_t& value) {
    if (P_.Token() != '[') return false;
    P_.NextToken();
    P_.CheckToken(toInteger);
    std::int64_t v = P_.TokenInt();
    if (v < std::numeric_limits<std::int32_t>::min() || v > std::numeric_limits<std::int32_t>::max())
      P_.Error(TFormFault::NumberExpected);
    value = static_cast<std::int32_t>(v);
    P_.NextToken();
    P_.CheckToken(']');
    P_.NextToken();
    return true;
  }

  void Property() {
    P_.CheckToken(toSymbol);
    std::string name = P_.TokenString();
    P_.NextToken();
    while (P_.Token() == '.') {
      P_.NextToken();
      P_.CheckToken(toSymbol);
      name += '.';
      name += P_.TokenString();
      P_.NextToken();
    }
    W_.WriteStr(name);
    P_.CheckToken('=');
    P_.NextToken();
    Value();
  }

  void Value() {
    TNesting nesting(Depth_);
    if (nesting.TooDeep()) P_.Error(TFormFault::InvalidValue);
    switch (P_.Token()) {
      case toString:
      case toWString: String(); return;  // ends on the token after it
      case toSymbol: W_.WriteIdent(P_.TokenComponentIdent()); break;
      case toInteger: W_.WriteInteger(P_.TokenInt()); break;
      case toFloat: Float(); break;
      case '[': Set(); break;
      case '(': List(); break;
      case '{': {
        std::string data;
        P_.HexToBinary(data);
        W_.WriteBinary(data);
        break;
      }
      case '<': Collection(); break;
      default: P_.Error(TFormFault::InvalidValue);
    }
    P_.NextToken();
  }

  void String() {
    std::u16string w = P_.TokenWideString();
    while (P_.NextToken() == '+') {
      P_.NextToken();
      P_.CheckToken(toString);
      w += P_.TokenWideString();
    }
    std::string narrow;
    for (char16_t c : w) {
      if (c > 255) return W_.WriteWideString(w);
      narrow += static_cast<char>(c);
    }
    W_.WriteString(narrow);
  }

  template <typename F>
  F FloatOf(const std::string& text) {
    F v;
    if (!FormTextToFloat(text, v)) P_.Error(TFormFault::NumberExpected);
    return v;
  }

  void Float() {
    std::string text = P_.TokenString();
    char type = P_.FloatType();
    if (type) text.pop_back();
    switch (type) {
      case 's':
      case 'S': W_.WriteSingle(FloatOf<float>(text)); break;
      case 'd':
      case 'D': W_.WriteDate(FloatOf<double>(text)); break;
      case 'c':
      case 'C': {
        long double scaled = FloatOf<long double>(text);
        if (!(scaled > -9223372036854775808.0L && scaled < 9223372036854775808.0L))
          P_.Error(TFormFault::NumberExpected);
        W_.WriteCurrency(std::llroundl(scaled));
        break;
      }
      default: W_.WriteFloat(FloatOf<long double>(text));
    }
  }

  void Set() {
    P_.NextToken();
    W_.WriteValue(vaSet);
    if (P_.Token() != ']') {
      for (;;) {
        if (P_.Token() != toInteger) P_.CheckToken(toSymbol);
        W_.WriteStr(P_.TokenString());
        if (P_.NextToken() == ']') break;
        P_.CheckToken(',');
        P_.NextToken();
      }
    }
    W_.WriteStr("");
  }

  void List() {
    P_.NextToken();
    W_.WriteListBegin();
    while (P_.Token() != ')') Value();
    W_.WriteListEnd();
  }

  void Collection() {
    P_.NextToken();
    W_.WriteValue(vaCollection);
    while (P_.Token() != '>') {
      P_.CheckTokenSymbol("item");
      P_.NextToken();
      std::int32_t index;
      if (Bracketed(index)) W_.WriteInteger(index);
      W_.WriteListBegin();
      while (!P_.TokenSymbolIs("end")) Property();
      W_.WriteListEnd();
      P_.NextToken();
    }
    W_.WriteListEnd();
  }

  TFormParser& P_;
  TFormValueWriter& W_;
  int Depth_ = 0;
};

}  // namespace

std::string FormBinaryToText(TFormValueReader& Reader) { return TBinaryToText(Reader).Run(); }

void FormTextToBinary(TFormParser& Parser, TFormValueWriter& Writer) {
  TTextToBinary(Parser, Writer).Run();
}

std::string FormFloatText(long double Value) { return FloatTextOf(Value); }
std::string FormFloatText(double Value) { return FloatTextOf(Value); }
std::string FormFloatText(float Value) { return FloatTextOf(Value); }
bool FormTextToFloat(const std::string& Text, long double& Value) { return TextToFloatOf(Text, Value); }
bool FormTextToFloat(const std::string& Text, double& Value) { return TextToFloatOf(Text, Value); }
bool FormTextToFloat(const std::string& Text, float& Value) { return TextToFloatOf(Text, Value); }
