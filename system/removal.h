// Taking an installation off the machine: its folder, its shortcuts.
#ifndef MARVOLEN_REMOVAL_H
#define MARVOLEN_REMOVAL_H

// Removes the folder and everything below it, as far as the system allows: read-only and
// busy files stay, with the folders above them. A folder that is plainly not a game's
// (see IsRemovableFolder) is left alone. Returns 1 in every case.
int RemoveTree(const char* folder);

// True for an absolute folder that is none of the system's or the user's own folders, the
// folder the setup runs from, a drive or share root, nor a parent of any of these.
bool IsRemovableFolder(const char* folder);

// The folder the install record names, read afresh; 0 (and nothing removed) without one.
int RemoveInstalledFiles();

// The program group with every file in it, and the desktop link.
int RemoveShortcuts();

#endif
