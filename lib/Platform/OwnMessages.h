// Messages that carry a pointer into this program in wParam or lParam, or
// free an object (CM_RELEASE). Any program may send or post any message to
// our windows: one of these that comes through a window procedure is taken
// only when the program itself sent it through SendOwnMessage or posted it
// through PostOwnMessage. Messages delivered with Perform never pass a window
// procedure (reflected CN_ messages among them) and need no record; standard
// messages whose pointers the system copies between processes are not listed.
#pragma once

#include "WinApi.h"

// Sends a message through the window as this program's own; the record is
// per thread, so the window must belong to the calling thread.
LRESULT SendOwnMessage(HWND Wnd, UINT Msg, WPARAM WParam, LPARAM LParam);

// Posts a message to the window as this program's own; it is taken once.
BOOL PostOwnMessage(HWND Wnd, UINT Msg, WPARAM WParam, LPARAM LParam);

// The window is gone: its own posts still queued die with it.
void ForgetOwnPosts(HWND Wnd);

// A listed message that the program did not send or post itself: the window
// procedure drops it.
bool IsForeignMessage(HWND Wnd, UINT Msg, WPARAM WParam, LPARAM LParam);
