// Messages that carry a pointer into this program in wParam or lParam. Any
// program may send or post any message to our windows: one of these that
// comes through a window procedure is taken only when this thread is sending
// it itself, through SendOwnMessage. Messages delivered with Perform never
// pass a window procedure (reflected CN_ messages among them) and need no
// record; standard messages whose pointers the system copies between
// processes are not listed.
#pragma once

#include "WinApi.h"

class TObject;

// Sends a message through the window as this program's own.
LRESULT SendOwnMessage(HWND Wnd, UINT Msg, WPARAM WParam, LPARAM LParam);

// A listed message for Receiver (the object behind Wnd, nullptr for none)
// that this thread is not sending itself: the window procedure drops it.
bool IsForeignMessage(HWND Wnd, const TObject* Receiver, UINT Msg, WPARAM WParam, LPARAM LParam);
