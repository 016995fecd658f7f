// Float values as the form text writes and reads them.
#include <charconv>
#include <clocale>
#include <cmath>
#include <cstdlib>

#include "FormStream.h"
#include "FormStreamImpl.h"

using namespace FormStreamImpl;

namespace {

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

std::string FormFloatText(long double Value) { return FloatTextOf(Value); }
std::string FormFloatText(double Value) { return FloatTextOf(Value); }
std::string FormFloatText(float Value) { return FloatTextOf(Value); }
bool FormTextToFloat(const std::string& Text, long double& Value) { return TextToFloatOf(Text, Value); }
bool FormTextToFloat(const std::string& Text, double& Value) { return TextToFloatOf(Text, Value); }
bool FormTextToFloat(const std::string& Text, float& Value) { return TextToFloatOf(Text, Value); }
