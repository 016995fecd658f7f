#include "QevSystem.h"

Integer ConversionCodePage = 0;
void Initialization_QevSystem() {}
void Finalization_QevSystem() {}
