// Milliseconds since the system started, 64 bits wide, on every Windows the
// programs run on. kernel32's GetTickCount64 came with Vista, so this module
// also gives the import of that name a definition of its own: calls of it,
// ours and the threads runtime's, go to the system's function where there is
// one and to a count widened from GetTickCount elsewhere (Windows XP).
#pragma once

#include "WinApi.h"

// The system's GetTickCount64 where kernel32 has it, else WidenedTickCount.
ULONGLONG WINAPI TickCount64();

// GetTickCount widened to 64 bits by counting its wraps (every 49.7 days);
// right as long as it is called at least once per wrap, which a program that
// asks for the time while waiting for something does.
ULONGLONG WINAPI WidenedTickCount();

// The 32-bit count WidenedTickCount widens; tests put their own in.
extern DWORD(WINAPI* WidenedTickSource)();
