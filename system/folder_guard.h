// Which folders an installation may use and removal may take: not the system's nor the user's
// own folders, whatever spelling or link leads there; and the one file of ours that removal
// leaves in place.
#ifndef MARVOLEN_FOLDER_GUARD_H
#define MARVOLEN_FOLDER_GUARD_H

#include <string>

#include "base/outcome.h"
#include "system/folder_path.h"

// For a resolved folder (see ResolveFolder): true unless it is, or contains, a folder of the
// system or the user (Windows, system, both Program Files and their Common Files, ProgramData,
// every profile of the machine, every known shell folder, the folder given to ProtectFolder), or
// lies inside the Windows directory or inside another user's profile.
// Compares both the resolved texts and the identities of the folders on disk, so a link or an
// alias of a protected folder is refused too. The protected folders and their identities are
// gathered at the first call and kept for the run.
bool IsRemovableResolved(const std::wstring& resolved);

// Adds a folder of the program's own to the protected ones: the folder the setup runs from.
void ProtectFolder(const char* folder);

// Whether a folder (verbatim) holds nothing but what `own` names, each entry as the kind it is
// there (the package's entries, with the folders above them), and the kept file: Done, or
// OthersFiles with the first other entry, which an uninstall of the game would take with it. A
// link is never the package's.
Outcome CheckOnlyOwnEntries(const std::wstring& folder, const NameKinds& own);

// A file removal leaves in place, with the folders above it, without counting it as something
// that stayed: the log, which a user may write into the game's folder. Empty: none.
void KeepFile(const std::wstring& resolvedFile);
bool IsKeptFile(const std::wstring& verbatimPath);
// The kept file lies somewhere below a folder (verbatim form).
bool HoldsKeptFile(const std::wstring& verbatimFolder);

#endif
