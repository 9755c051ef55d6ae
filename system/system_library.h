// Where the program's libraries come from. Windows loads a few system libraries (its "known
// DLLs") from the system folder whatever a program asks; any other name is looked for in the
// program's own folder first, so a winmm.dll or oleacc.dll left beside setup.exe in a download
// folder would run inside the (elevated) setup. So those two are not imported at load time: they
// are loaded from the system folder alone when first needed, and what cannot be found there
// answers as absent (no sound, no accessible object) instead of stopping the program.
#ifndef MARVOLEN_SYSTEM_LIBRARY_H
#define MARVOLEN_SYSTEM_LIBRARY_H

#include <windows.h>

// Makes the system folder the only place this process looks for a library named without its
// folder, whoever asks (the system's own libraries load others by name). The entry's first call.
void SearchSystemFolderOnly();

// PlaySoundA of the system's winmm; false, and silence, where it cannot be found.
bool SystemPlaySound(LPCSTR sound, HMODULE module, DWORD flags);

// LresultFromObject of the system's oleacc; E_NOTIMPL (a failure, as its own are) where it cannot
// be found.
LRESULT SystemLresultFromObject(REFIID riid, WPARAM wParam, IUnknown* object);

// AccessibleObjectFromWindow of the system's oleacc; E_NOTIMPL where it cannot be found.
HRESULT SystemAccessibleObjectFromWindow(HWND window, DWORD objectId, REFIID riid, void** object);

// CreateStdAccessibleObject of the system's oleacc; E_NOTIMPL where it cannot be found.
HRESULT SystemCreateStdAccessibleObject(HWND window, LONG objectId, REFIID riid, void** object);

#endif
