// The one place that includes <windows.h>: every module gets the same target
// version and the same switches. Code calls the explicit ...A or ...W functions.
#pragma once

#ifndef WINVER
#define WINVER 0x0501
#endif
#ifndef _WIN32_WINNT
#define _WIN32_WINNT 0x0501
#endif
#ifndef _WIN32_IE
#define _WIN32_IE 0x0600
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#ifndef STRICT
#define STRICT
#endif
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif

#include <windows.h>

// Code calls the explicit ...A/...W functions; the generic names would rename
// class members and functions of the same name (TStrings::GetObject, the
// class registry's RegisterClass).
#undef GetObject
#undef RegisterClass
