// Build tool: compiles a form description (.dfm text) into the binary
// form-file stream with the runtime's own converter, and writes a resource
// script that embeds the stream as RCDATA named after the form's class in
// upper case.
// Usage: DfmCompiler <form.dfm> <out.bin> [<out.rc>]
//        DfmCompiler --text <form.bin> <out.dfm>     (the reverse, to look at a stream)
#include <fstream>
#include <iostream>
#include <sstream>
#include <stdexcept>
#include <string>

#include "FormStream.h"

void RaiseFormFault(TFormFault Fault, const std::string& Arg, int Line) {
  std::string text;
  switch (Fault) {
    case TFormFault::ReadError: text = "Stream read error"; break;
    case TFormFault::InvalidImage: text = "Invalid stream format"; break;
    case TFormFault::InvalidProperty: text = "Invalid property value"; break;
    case TFormFault::WriteError: text = "Stream write error"; break;
    case TFormFault::IdentifierExpected: text = "Identifier expected"; break;
    case TFormFault::StringExpected: text = "String expected"; break;
    case TFormFault::NumberExpected: text = "Number expected"; break;
    case TFormFault::CharExpected: text = "'" + Arg + "' expected"; break;
    case TFormFault::SymbolExpected: text = Arg + " expected"; break;
    case TFormFault::InvalidBinary: text = "Invalid binary value"; break;
    case TFormFault::InvalidString: text = "Invalid string constant"; break;
    case TFormFault::InvalidValue: text = "Invalid property value"; break;
  }
  if (Line > 0) text += " on line " + std::to_string(Line);
  throw std::runtime_error(text);
}

namespace {

class TStringSource : public TFormSource {
 public:
  explicit TStringSource(const std::string& data) : Data_(data) {}
  std::size_t ReadSome(void* buffer, std::size_t count) override {
    std::size_t n = std::min(count, Data_.size() - Pos_);
    Data_.copy(static_cast<char*>(buffer), n, Pos_);
    Pos_ += n;
    return n;
  }

 private:
  const std::string& Data_;
  std::size_t Pos_ = 0;
};

std::string ReadFile(const std::string& name) {
  std::ifstream in(name, std::ios::binary);
  if (!in) throw std::runtime_error("cannot open " + name);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

void WriteFile(const std::string& name, const std::string& data) {
  std::ofstream out(name, std::ios::binary | std::ios::trunc);
  out << data;
  if (!out.flush()) throw std::runtime_error("cannot write " + name);
}

std::string RootClassName(const std::string& binary) {
  TStringSource source(binary);
  TFormValueReader reader(source);
  reader.ReadSignature();
  TFilerFlags flags;
  std::int32_t position;
  reader.ReadPrefix(flags, position);
  std::string name = reader.ReadStr();
  for (char& c : name)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 32);
  return name;
}

// A resource-script string: quotes doubled, backslashes escaped.
std::string RcQuoted(const std::string& text) {
  std::string result = "\"";
  for (char c : text) {
    if (c == '"') result += '"';
    if (c == '\\') result += '\\';
    result += c;
  }
  return result + "\"";
}

void Compile(const std::string& dfm, const std::string& bin, const std::string& rc) {
  TFormParser parser(ReadFile(dfm));
  TFormValueWriter writer;
  FormTextToBinary(parser, writer);
  if (parser.Token() != toEOF)
    throw std::runtime_error("text after the form's end on line " +
                             std::to_string(parser.SourceLine()));
  WriteFile(bin, writer.Data);
  if (!rc.empty())
    WriteFile(rc, "LANGUAGE 0, 0\n" + RootClassName(writer.Data) + " RCDATA " + RcQuoted(bin) + "\n");
}

void Decompile(const std::string& bin, const std::string& dfm) {
  std::string data = ReadFile(bin);
  TStringSource source(data);
  TFormValueReader reader(source);
  WriteFile(dfm, FormBinaryToText(reader));
}

}  // namespace

int main(int argc, char** argv) {
  std::string first = argc > 1 ? argv[1] : "";
  bool reverse = first == "--text";
  if (reverse ? argc != 4 : argc != 3 && argc != 4) {
    std::cerr << "usage: DfmCompiler <form.dfm> <out.bin> [<out.rc>]\n"
                 "       DfmCompiler --text <form.bin> <out.dfm>\n";
    return 2;
  }
  std::string input = argv[reverse ? 2 : 1];
  try {
    if (reverse)
      Decompile(input, argv[3]);
    else
      Compile(input, argv[2], argc == 4 ? argv[3] : "");
  } catch (const std::exception& e) {
    std::cerr << input << ": " << e.what() << "\n";
    return 1;
  }
  return 0;
}
