// The run under way, known wherever it is: before a run writes anything into the game's folder
// it notes that folder in the setup's own registry key, and the folder the run makes for itself
// (the work area of an installation, the aside folder of an uninstall) carries a marker with the
// note's token. The next start finds the note and finishes or undoes the run; nothing found on
// disk is acted on without it.
#ifndef MARVOLEN_RUN_NOTE_H
#define MARVOLEN_RUN_NOTE_H

#include <string>

#include "base/outcome.h"

enum class RunKind : DWORD { Install = 1, Uninstall = 2 };

struct RunNote {
    RunKind kind = RunKind::Install;
    std::wstring folder;     // the game's folder, verbatim (\\?\...)
    bool existed = true;     // an installation: the folder stood before the run
    std::wstring own;        // the run's own folder, verbatim, named here before it is made; empty: none
    std::wstring token;      // the marker that folder carries
};

// Begins a run: a fresh token, and the note written to disk. NotRestored when an earlier run's
// note still stands (its work must be put back first); Failed when the note cannot be written,
// and then the run must write nothing.
Outcome BeginRunNote(RunNote& note);
// Names the run's own folder in the note, before it is made.
Outcome NoteOwnFolder(RunNote& note, const std::wstring& own);
// The run has ended, or its work has been put back: the note goes.
Outcome EndRunNote();
// The note of a run that has not ended; false when there is none (or it is not whole).
bool ReadRunNote(RunNote& note);

// Makes the run's own folder `base` (or, when that name is taken by anything at all, `base`
// followed by 2, 3, ...) inside `parent` (verbatim), notes it, hidden, and marks it with the
// note's token. `made` is its verbatim path.
Outcome MakeOwnFolder(const std::wstring& parent, const std::wstring& base, RunNote& note, std::wstring& made);
// A folder (verbatim) is the run's own: a plain folder, no link, holding the marker with this token,
// both read through handles.
bool IsOwnFolder(const std::wstring& folder, const std::wstring& token);

#endif
