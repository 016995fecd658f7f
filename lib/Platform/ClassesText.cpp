// The form-text tokenizer and the converters between form text and the
// binary form stream, over the portable FormStream module.
#include <cstring>

#include "Classes.h"

// The form-stream module reports its faults through this.
void RaiseFormFault(TFormFault Fault, const std::string& Arg, int Line) {
  WideString message;
  switch (Fault) {
    case TFormFault::ReadError: throw EReadError(SReadError);
    case TFormFault::InvalidImage: throw EReadError(SInvalidImage);
    case TFormFault::InvalidProperty: throw EReadError(SInvalidPropertyValue);
    case TFormFault::WriteError: throw EWriteError(SWriteError);
    case TFormFault::IdentifierExpected: message = LoadResString(SIdentifierExpected); break;
    case TFormFault::StringExpected: message = LoadResString(SStringExpected); break;
    case TFormFault::NumberExpected: message = LoadResString(SNumberExpected); break;
    case TFormFault::CharExpected: message = WideFormat(LoadResString(SCharExpected), {Arg}); break;
    case TFormFault::SymbolExpected: message = WideFormat(LoadResString(SSymbolExpected), {Arg}); break;
    case TFormFault::InvalidBinary: message = LoadResString(SInvalidBinary); break;
    case TFormFault::InvalidString: message = LoadResString(SInvalidString); break;
    case TFormFault::InvalidValue: message = LoadResString(SInvalidPropertyValue); break;
  }
  throw EParserError(SParseError, {message, Line});
}

namespace {

AnsiString ReadRest(TStream* Stream) {
  Int64 size = Stream->Size() - Stream->Position();
  AnsiString text(static_cast<std::size_t>(size > 0 ? size : 0), '\0');
  if (!text.empty()) Stream->ReadBuffer(text.data(), static_cast<Int64>(text.size()));
  return text;
}

}  // namespace

// ------------------------------------------------------------------ TParser

TParser::TParser(TStream* Stream)
    : Stream_(Stream), Origin_(Stream->Position()), Core_(ReadRest(Stream)) {}

TParser::~TParser() {
  try {
    Stream_->SetPosition(Origin_ + static_cast<Int64>(Core_.SourcePos()));
  } catch (...) {
    TraceDroppedException(L"TParser: moving the stream to the parsed end");
  }
}

WideString TParser::TokenWideString() const {
  std::u16string s = Core_.TokenWideString();
  return WideString(s.begin(), s.end());
}

void TParser::HexToBinary(TStream* Stream) {
  std::string data;
  Core_.HexToBinary(data);
  Stream->WriteBuffer(data.data(), static_cast<Int64>(data.size()));
}

void TParser::Error(const TResStringRec& Ident) const { ErrorStr(LoadResString(Ident)); }

void TParser::ErrorStr(const WideString& Message) const {
  throw EParserError(SParseError, {Message, SourceLine()});
}

// --------------------------------------------------------------- converters

void ObjectBinaryToText(TStream* Input, TStream* Output) {
  TStreamFormSource source(Input);
  TFormValueReader reader(source);
  std::string text = FormBinaryToText(reader);
  if (reader.HasPeeked()) Input->Seek(-1, soCurrent);
  Output->WriteBuffer(text.data(), static_cast<Int64>(text.size()));
}

void ObjectTextToBinary(TStream* Input, TStream* Output) {
  Int64 origin = Input->Position();
  TFormParser parser(ReadRest(Input));
  TFormValueWriter writer;
  FormTextToBinary(parser, writer);
  Input->SetPosition(origin + static_cast<Int64>(parser.SourcePos()));
  Output->WriteBuffer(writer.Data.data(), static_cast<Int64>(writer.Data.size()));
}

// Text may begin with "object", "inherited", "inline" or blanks.
TStreamOriginalFormat TestStreamFormat(TStream* Stream) {
  Int64 position = Stream->Position();
  char start[4] = {};
  Integer count = Stream->Read(start, 4);
  Stream->SetPosition(position);
  if (count == 4 && std::memcmp(start, "TPF0", 4) == 0) return sofBinary;
  if (count > 0 && std::strchr("oOiI \t\r\n\v", start[0]) && start[0]) return sofText;
  return sofUnknown;
}
