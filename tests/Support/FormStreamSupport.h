// The platform's two form-stream converters over strings, for tests.
#pragma once

#include "Classes.h"

inline AnsiString ToText(const AnsiString& binary) {
  TStringStream input(binary), output;
  ObjectBinaryToText(&input, &output);
  return output.DataString();
}

inline AnsiString ToBinary(const AnsiString& text) {
  TStringStream input(text), output;
  ObjectTextToBinary(&input, &output);
  return output.DataString();
}
