// The one installation and the one uninstallation. The window, /silent and /passive run the same
// steps in the same order; a face supplies only how a run shows itself and what keeps it alive.
// Every step returns its outcome and notes it in the log; the run's outcome is the last step's.
#ifndef MARVOLEN_SHELL_RUN_H
#define MARVOLEN_SHELL_RUN_H

#include <windows.h>

#include <string>

#include "base/outcome.h"
#include "base/types.h"
#include "install/extract.h"
#include "system/staging.h"

// What differs between the faces of a run.
struct RunFace {
    const ExtractionHooks* hooks;   // the progress steps, the window kept alive, a stop asked for
    NextMove (*betweenMoves)();     // asked between two moves of a commit
    // The run begins, once its folder is chosen; and it has ended (before an installation that
    // stopped or failed is cleaned up): the face shows how.
    void (*begins)(RunKinds run);
    void (*ends)(RunKinds run, const Outcome& outcome);
    // A status text for a moment (a step follows it); 0: the status phase is over.
    void (*status)(UINT text);
    // Whether the player wants this older version over the newer one on record (its version
    // given), when the run is to ask.
    bool (*replaceNewer)(const std::wstring& installed);
};

// Installs into the folder as written (the folder on show, /dir, the record or the default):
// never an older version over a newer one unless the player wants it (NewerInstalled); chosen
// and resolved once, checked for room and for someone else's files, the package
// extracted and moved into place, the links and records written; or, when it stops or fails,
// what it wrote removed again.
Outcome Install(const RunFace& face, const std::wstring& written);

// Uninstalls the installation on record: its folder, all or nothing, then its links and records.
Outcome Uninstall(const RunFace& face);

// A reinstall's old copies are removed on a thread of their own once its files stand: waits until
// they are gone (calling `keepAlive`, when given, every 15 ms), and ends the run's note if they
// are. Every run begins with it, and the program ends with it.
void WaitForOldCopies(void (*keepAlive)());

// Puts back a run that did not end, wherever it was, before anything else happens; logged.
Outcome RecoverInterruptedRun();

#endif
