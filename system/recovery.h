// A run that did not end, wherever it was: found by its note at the next start (of the setup or
// the uninstaller) and at the start of every run, and finished or undone before anything else.
#ifndef MARVOLEN_RECOVERY_H
#define MARVOLEN_RECOVERY_H

#include "base/outcome.h"

// Done when no run was left unfinished, or its work has been put back and its note is gone: an
// installation over a folder that stood before is undone from its work area (or, once its commit
// was complete, only tidied), one into a new folder removes that folder, an uninstall puts the
// game's folder back under its name. NotRestored (the note and the run's own folder kept, for the
// next start) when that cannot be done in full; the path says where.
Outcome RecoverUnfinishedRun();

#endif
