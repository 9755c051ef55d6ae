// Keyboard handling: the keys light and press the live group's buttons as the mouse does.
#ifndef MARVOLEN_KEYS_H
#define MARVOLEN_KEYS_H

#include <windows.h>

// A key pressed in the window. Counts exactly when the mouse would (see MouseLive):
// Tab, Down, Right light the next available button of the live group in the order of its
// records, wrapping; Shift+Tab, Up, Left the one before; Enter and Space press the lit button;
// Escape takes the way out of the screen or prompt. A key held down repeats the moves of the
// light but presses once (repeat: the key was down already). True when the key was one of these.
bool KeyPressed(WPARAM key, bool repeat = false);

#endif
