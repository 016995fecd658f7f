// Starts and ends the application framework's units in link order, after the
// Unicode layer's.
#pragma once

void Initialization_QevLXUnits();
void Finalization_QevLXUnits();
