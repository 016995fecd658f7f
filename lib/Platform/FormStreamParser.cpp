// The form-text tokenizer.
#include <cstring>
#include <utility>

#include "FormStream.h"
#include "FormStreamImpl.h"

using namespace FormStreamImpl;

namespace {

bool IsLetter(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_'; }
bool IsIdentChar(char c) { return IsLetter(c) || IsDigit(c); }
bool IsHexDigit(char c) {
  return IsDigit(c) || (c >= 'A' && c <= 'F') || (c >= 'a' && c <= 'f');
}
int HexValue(char c) { return IsDigit(c) ? c - '0' : (c | 0x20) - 'a' + 10; }

}  // namespace

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
