// The binary form stream rendered as form text.
#include <utility>

#include "FormStream.h"
#include "FormStreamImpl.h"

using namespace FormStreamImpl;

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

  void String() {
    TFormString value = R_.ReadString();
    std::u16string w = value.WideText;
    if (!value.Wide)
      for (char c : value.Narrow) w += static_cast<char16_t>(static_cast<unsigned char>(c));
    Out_ += FormStringText(w, 2 * (Level_ + 1));
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
      // An item's line is "item" alone, as the form-description parser
      // requires; readers ignore the index, so it is dropped.
      Out_ += "item\r\n";
      TValueType type = R_.NextValue();
      if (type == vaInt8 || type == vaInt16 || type == vaInt32) R_.ReadInteger();
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

}  // namespace

// Runs of printable 7-bit text in quotes, every other code as #nnn; a text
// longer than a line starts on a new one, and lines break after 64 codes.
std::string FormStringText(const std::u16string& Value, std::size_t Indent) {
  constexpr std::size_t LineLength = 64;
  auto quotable = [](char16_t c) { return c >= ' ' && c != '\'' && c <= 127; };
  if (Value.empty()) return "''";
  const std::string newLine = "\r\n" + std::string(Indent, ' ');
  std::string out;
  std::size_t length = Value.size(), i = 0, lineStart = 0;
  if (length > LineLength) out += newLine;
  do {
    if (quotable(Value[i])) {
      out += '\'';
      do out += static_cast<char>(Value[i++]);
      while (i < length && quotable(Value[i]) && i - lineStart < LineLength);
      out += '\'';
    } else {
      out.append(1, '#').append(std::to_string(Value[i++]));
    }
    if (i - lineStart >= LineLength && i < length) {
      out += " +" + newLine;
      lineStart = i;
    }
  } while (i < length);
  return out;
}

std::string FormBinaryToText(TFormValueReader& Reader) { return TBinaryToText(Reader).Run(); }
