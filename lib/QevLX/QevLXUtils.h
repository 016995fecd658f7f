// The framework's toolbox: checks of internal assumptions.
#pragma once

#include "SysUtils.h"

// Raises Exception with Msg when Condition is false.
void CheckCondition(bool Condition, const WideString& Msg);
// Raises Exception "Internal Error: File does not exist: " + FileName.
void CheckFileExists(const WideString& FileName);
