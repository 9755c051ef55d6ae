// The two files start-up places outside the game's folder: the uninstaller copy of the program,
// and the UnRAR library the program carries.
#ifndef MARVOLEN_COPIES_H
#define MARVOLEN_COPIES_H

#include "base/types.h"

// Leaves a copy of the running program at UninstallerPath, replacing even a read-only one; one
// that holds the same bytes already is left as it is. A copy that fails leaves the Add/Remove
// entry's uninstaller as it was, not gone.
void RefreshUninstallerCopy();

// Writes the carried UnRAR library to path, whole or not at all, unless a file of that name
// exists already (whatever its version: another program's is never replaced).
void WriteLibraryCopy(const char* path);

// The library file to load, given the system directory's "unrar.dll": written there when none
// is; that file when it is the program's own; else the program's own, copied into a private
// folder of the user's local application data. False, and chosen empty, when there is no copy of
// the program's own to load.
bool ChooseLibrary(const char* systemCopy, char (&chosen)[PathSize]);

#endif
