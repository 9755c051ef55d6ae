// Taking an installation off the machine: its folder, its shortcuts.
#ifndef MARVOLEN_REMOVAL_H
#define MARVOLEN_REMOVAL_H

#include <windows.h>

#include <string>

// Removes the folder and everything below it, at any depth, as far as the system allows:
// read-only and busy files stay, with the folders above them. The folder is first resolved as
// Windows would use it; one that cannot be, or that is plainly not a game's (see
// IsRemovableFolder), is left alone. The walk goes by handle: each entry is removed as what it
// is when opened, a link as a link, never entered, and a folder stays pinned (it cannot be
// renamed or swapped) while it is emptied. A folder that is itself a link is left as it is.
// Returns 1 when nothing of a folder it may take is left but the kept file (or there was
// none), 0 when something stayed or the folder is a link, and GetLastError then gives the first
// reason met.
int RemoveTree(const char* folder);
int RemoveTreeW(const std::wstring& folder);

// True when a resolved folder holds a link, or another name for a folder elsewhere, anywhere
// below it: files written there could land outside it.
bool HoldsLinks(const std::wstring& resolved);

// For tests: called between listing an entry and opening it to remove it.
extern void (*BeforeRemovingEntry)(const std::wstring& path);

// The folder the install record names, read afresh, all or nothing: 1 removed (read-only files
// too), 3 nothing removed because `held` is in use (a file another program holds open, or the
// folder itself), 2 something of it stayed even so, under the folder's name; 0 (and nothing
// removed) without a record.
int RemoveInstalledFiles(std::wstring& held);

// Clears the read-only attribute of everything below a folder (verbatim form); links are not entered.
void ClearReadOnlyBelow(const std::wstring& folder);


#endif
