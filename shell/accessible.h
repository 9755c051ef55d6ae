// What assistive technology finds in the window: the window draws its buttons and texts itself,
// so it describes them itself, through an IAccessible for its client area, and says when they
// change.
#ifndef MARVOLEN_ACCESSIBLE_H
#define MARVOLEN_ACCESSIBLE_H

#include <windows.h>

// Posted by a reader's default action: wParam the ButtonId, lParam the group it was read from
// (screen id in the low word, prompt kind in the high word).
constexpr UINT WM_READER_PRESS = WM_APP + 21;

// The answer to WM_GETOBJECT: the client's accessible object for OBJID_CLIENT, 0 otherwise (for
// DefWindowProc to answer).
LRESULT AnswerGetObject(WPARAM wParam, LPARAM lParam);

// A default action arriving: presses the button as Enter does on a lit one, if it is still in
// the live group, available, and the window takes input.
void PressForReader(WPARAM buttonId, LPARAM group);

// Says what changed since the last frame shown: focus, state, value, name, dialogs, reordering.
// Does nothing until a reader has asked for the window's object.
void AnnounceChanges();

// The window is going: clients still holding the object are cut off.
void DisconnectReaders();

#endif
