// The one window, its procedure and the message pumps.
#ifndef MARVOLEN_WINDOW_H
#define MARVOLEN_WINDOW_H

#include <windows.h>

void RegisterWindowClass();
bool CreateMainWindow();
LRESULT CALLBACK WindowProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// Drains the queue without waiting. A quit message found here is remembered in
// Setup.QuitRequested, so the wait or run that pumped can end and the main loop exits.
void PumpMessages();

// Waits for the given time while the program is busy, dropping every key and mouse message
// that arrives meanwhile: meant for the screen that showed, it must not act on the next one.
// Everything else waits in the queue, as it would through Sleep, and so does the close that
// Alt+F4 asks for.
void PauseDroppingInput(DWORD milliseconds);

// Runs until the quit message; returns its code.
int RunMessageLoop();

#endif
