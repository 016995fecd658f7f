#include "QevSysUtils.h"

bool UnicodeApiAvailable = true;
bool Win51OrLater = true;
void Initialization_QevSysUtils() {}
void Finalization_QevSysUtils() {}
