// Installing over a folder that already exists without losing it: the package is extracted into
// a work area inside the folder (always the same volume, always the game's), and only a complete
// package is moved into place, each file it replaces first moved aside into the work area (a
// folder that holds nothing but the package's names goes aside whole, for the staged one). A
// journal in the work area, written and flushed before the moves, lets a failed commit, or the
// next start after a run that died, put everything back. What is found there is checked before it
// is obeyed: the work area by its marker, every journal line by its kind and name, every folder on
// the way by handle.
#ifndef MARVOLEN_STAGING_H
#define MARVOLEN_STAGING_H

#include <string>

#include "base/outcome.h"
#include "system/run_note.h"

// Makes the run's work area inside the destination (which exists), noted and marked as the run's
// own (see MakeOwnFolder); `area` is its verbatim path, `into` the folder to extract into, in
// the form handed to the library.
Outcome OpenWorkArea(const Destination& destination, RunNote& note, std::wstring& area, std::wstring& into);

// What a commit asks of its caller between two moves, after keeping the window alive: go on, or
// stop and undo every move (a confirmed Cancel or close).
enum class NextMove { CarryOn, RollBack };
using BetweenMoves = NextMove (*)();

// Moves every staged entry into place. Before anything moves, every entry is checked against what
// stands in its place: a file of the package never replaces a folder, nor a folder a file, and
// nothing in the way may be a link (Failed, with its path). Done when all are in place and the
// commit is marked complete; the old copies then stay in the work area for RemoveOldCopies (until
// they are gone, the run's note keeps them known to the next start). When a move fails (InUse:
// another program holds the file; Failed: another reason), or `between` asks to roll back
// (Cancelled), every move made is undone and the work area removed; NotRestored when the undo
// itself could not put everything back, and then the work area and its journal stay for the next
// start.
Outcome CommitWorkArea(const Destination& destination, const std::wstring& area, BetweenMoves between);

// The work area of a complete commit removed, with the old copies in it: Done when it is gone.
Outcome RemoveOldCopies(const std::wstring& area);

// The work area of a run that did not end (its note's): the moves its journal records are undone
// (unless the commit was complete), and it goes. NotRestored, with the work area and journal
// kept, when the area is not the run's own, the journal cannot be read or holds a line that is not
// the program's, or a file cannot be put back.
Outcome RecoverWorkArea(const std::wstring& folder, const std::wstring& area, const std::wstring& token);

#endif
