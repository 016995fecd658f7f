// Writing values of the binary form stream.
#include <cstring>
#include <limits>

#include "FormStream.h"
#include "FormStreamImpl.h"

using namespace FormStreamImpl;

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
