// Registry reading for the screen-saver component.
#pragma once

#include "Variants.h"
#include "WinApi.h"

// Default, or the value ValueName under Root\KeyPath read as Default's type:
// small integer, integer, byte and null read an integer; single and double a
// float; currency, date and Boolean as such; texts a wide text. Other types,
// a missing key or value give Default. A Root that is not one of the
// predefined keys (HKEY_CLASSES_ROOT .. HKEY_DYN_DATA) means the current user.
// A value stored with another type raises ERegistryException.
Variant ReadRegistryVariant(HKEY Root, const AnsiString& KeyPath, const AnsiString& ValueName,
                            const Variant& Default);

void Initialization_CustomMMUtils();
void Finalization_CustomMMUtils();
