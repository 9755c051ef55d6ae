// The one window, its procedure and the main message loop (the pumps: shell/pump.h).
#ifndef MARVOLEN_WINDOW_H
#define MARVOLEN_WINDOW_H

#include <windows.h>

void RegisterWindowClass();
bool CreateMainWindow();
LRESULT CALLBACK WindowProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// Runs until the quit message; returns its code.
int RunMessageLoop();

#endif
