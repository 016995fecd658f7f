#include "XPMan.h"

QEV_DEFINE_CLASS(TXPManifest)

void Initialization_XPMan() { RegisterClass(TXPManifest::StaticClass()); }
