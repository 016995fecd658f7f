// Code pages, UTF-8 and UTF-7, and the wide command line.
#pragma once

#include "System.h"

// Code page of the layer's default conversions between 8-bit and wide text.
extern Integer ConversionCodePage;

void Initialization_QevSystem();
void Finalization_QevSystem();
