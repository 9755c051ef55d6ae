// The message pumps that keep the window alive inside long work: the one every wait and run
// uses, and the pause that lets the window breathe while dropping input meant for no screen.
#ifndef MARVOLEN_PUMP_H
#define MARVOLEN_PUMP_H

#include <windows.h>

// Drains the queue without waiting. A quit message found here is remembered in
// Setup.Process.QuitRequested, so the wait or run that pumped can end and the main loop exits.
void PumpMessages();

// The same at most once a frame: draining the queue costs a round trip to the window system even
// when it is empty (about 0.1 ms under Wine), which per entry and per block of a large package, or
// per move of a commit, adds up to seconds. Once a frame keeps the window just as responsive;
// at once after a wait that woke for a message.
void PumpNowAndThen();

// Sleeps until a message arrives for the window, the event is set (when given), or the time
// passes, whichever comes first: for the loops that wait on an answer, a moment or other work,
// pumping after each wake.
void WaitForMessage(DWORD milliseconds, HANDLE orEvent = nullptr);

// Waits for the given time while the program is busy, dropping every key and mouse message
// that arrives meanwhile: meant for the screen that showed, it must not act on the next one.
// Everything else waits in the queue, as it would through Sleep, and so does the close that
// Alt+F4 asks for.
void PauseDroppingInput(DWORD milliseconds);

#endif
