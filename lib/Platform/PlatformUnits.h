// Starts and ends the runtime's units in link order, as a program's main does
// before and after everything else.
#pragma once

void Initialization_PlatformUnits();
void Finalization_PlatformUnits();
