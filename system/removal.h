// Taking an installation off the machine: its folder, its shortcuts.
#ifndef MARVOLEN_REMOVAL_H
#define MARVOLEN_REMOVAL_H

#include <windows.h>

#include <string>

#include "base/outcome.h"
#include "system/run_note.h"

// Removes the folder and everything below it, at any depth, as far as the system allows:
// read-only files stay unless `readOnlyToo` (the setup's own folders), and so do busy files, with
// the folders above them. The folder is first resolved as Windows would use it; one that cannot
// be, or that is plainly not a game's (see IsRemovableResolved), is left alone. The walk goes by
// handle: each entry is removed as what it is when opened, a link as a link, never entered, and a
// folder stays pinned (it cannot be renamed or swapped) while it is emptied. A folder that is
// itself a link is left as it is. Done when nothing of a folder it may take is left but the kept
// file (or there was none); Failed otherwise, with the first reason met and where.
// `beforeEntry`, when given, is called with each entry's path before it is opened: a window is
// kept alive there while a large folder goes.
using BeforeEntry = void (*)(const std::wstring& path);
Outcome RemoveTreeW(const std::wstring& folder, bool readOnlyToo = false, BeforeEntry beforeEntry = nullptr);
Outcome RemoveTree(const char* folder);
// The same for a folder resolved already (see ResolveFolder): it is not resolved again.
Outcome RemoveResolvedTree(const std::wstring& resolved, bool readOnlyToo, BeforeEntry beforeEntry = nullptr);

// True when a resolved folder holds a link, or another name for a folder elsewhere, anywhere
// below it: files written there could land outside it.
bool HoldsLinks(const std::wstring& resolved);

// The folder the install record names, read afresh, all or nothing. First every file and folder
// of it is opened for deletion: one that another program holds (the game running, a working
// folder) is InUse, one that refuses otherwise Failed, and nothing is removed. Then the folder
// moves, with one rename, into a fresh folder of the run's own beside it (noted first, see
// RunNote), and goes. Done when it is gone (or was never there, or is no game's to take);
// Unreachable when its drive or share is not there; Failed when something stayed (the folder is
// then moved back under its name); NothingToUninstall without a record. `beforeEntry` as above.
Outcome RemoveInstalledFiles(BeforeEntry beforeEntry = nullptr);

// An uninstall that did not end (its note): the game's folder is put back from the aside folder
// under its own name, as it was before the uninstall, and the aside folder goes.
Outcome RecoverAsideFolder(const RunNote& note);

#endif
