// Starts and ends the Unicode layer's units in link order, after the runtime's.
#pragma once

void Initialization_QevUnicodeUnits();
void Finalization_QevUnicodeUnits();
