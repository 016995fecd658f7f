// Temporary: replaced by the format engine.
#include "SysUtils.h"
TFormatSettings FormatSettings;
void GetLocaleFormatSettings(unsigned long, TFormatSettings&) {}
WideString WideFormat(const WideString& fmt, TConstArray) { return fmt; }
