#include "QevLXUtils.h"

#include "QevSysUtils.h"

void CheckCondition(bool Condition, const WideString& Msg) {
  // The message stays wide, so a file name keeps every character.
  if (!Condition) throw Exception(Msg);
}

void CheckFileExists(const WideString& FileName) {
  CheckCondition(WideFileExists(FileName), L"Internal Error: File does not exist: " + FileName);
}
