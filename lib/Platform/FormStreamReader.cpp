// Reading values of the binary form stream.
#include <cmath>
#include <cstring>

#include "FormStream.h"
#include "FormStreamImpl.h"

using namespace FormStreamImpl;

namespace {

constexpr std::size_t ReadPiece = 65536;

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

}  // namespace

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
