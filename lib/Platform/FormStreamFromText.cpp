// Form text compiled to the binary form stream.
#include <cmath>
#include <limits>

#include "FormStream.h"
#include "FormStreamImpl.h"

using namespace FormStreamImpl;

namespace {

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

void FormTextToBinary(TFormParser& Parser, TFormValueWriter& Writer) {
  TTextToBinary(Parser, Writer).Run();
}
