// The few operating-system services the host interface needs besides threads and locks:
// implemented with Win32 in pfPlatformWin32.cpp and with the standard library elsewhere
// (pfPlatformStd.cpp), where there is no dialog and no message queue.
#pragma once

#include <cstdint>

// Milliseconds since an arbitrary start, wrapping at 2^32 (GetTickCount on Windows). Preview
// render start ticks are taken from the same clock, and differences are taken unsigned.
uint32_t pfTickCount();

// A modal error message for the user: a message box with the error icon and no owner window on
// Windows, one line on standard error elsewhere.
void pfShowErrorMessage(const char* caption, const char* text);

// Dispatches every message waiting in the calling thread's queue. Returns false when a quit
// message arrived; it has been posted again, and the caller ends what it is doing.
bool pfPumpMessages();
