// The translation start-up: before any form exists, the Unicode start-up
// environment is installed, then the translation module the runtime chose is
// checked and kept, or the program goes back to its own resources.
#pragma once

void Initialization_QevTrxSysInit();
void Finalization_QevTrxSysInit();
