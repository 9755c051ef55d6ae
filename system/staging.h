// Installing over a folder that already exists without losing it: the package is extracted into
// a work area inside the folder (always the same volume, always the game's), and only a complete
// package is moved into place, each file it replaces first moved aside into the work area. A
// journal in the work area, written before each move, lets a failed commit, or the next start
// after a run that died, put everything back.
#ifndef MARVOLEN_STAGING_H
#define MARVOLEN_STAGING_H

#include <string>

// The folder as the file calls take it (verbatim, resolved), and whether it exists as a folder;
// empty when it cannot be resolved.
std::wstring FolderOnDisk(const char* folder);
bool FolderExists(const char* folder);

// Makes a fresh work area in `folder` (finishing first what an earlier run left there) and gives
// the folder to extract into, in the form handed to the library. False when it cannot be made.
bool OpenWorkArea(const char* folder, std::wstring& staging);

// What a commit asks of its caller between two moves, after keeping the window alive: go on,
// stop and undo every move (a confirmed Cancel or close), or stop dead where it is, as a process
// killed there would (tests only).
enum class NextMove { CarryOn, RollBack, StopDead };
using BetweenMoves = NextMove (*)();

// Moves every staged entry into place. True when all are in place; the backups and the work area
// are then gone. When a move fails, or `between` asks to roll back, every move made is undone,
// the work area removed and false returned; `stuck` names the file (the game's, as it stands in
// `folder`) that could not move, and stays empty after a roll-back asked for.
bool CommitWorkArea(const char* folder, BetweenMoves between, std::wstring& stuck);

// Removes the work area of `folder`: before a commit, that is all a run wrote.
void DiscardWorkArea(const char* folder);

// A work area left by a run that did not end: undoes the moves its journal records (unless the
// commit was complete) and removes it. True when there was one.
bool RecoverWorkArea(const char* folder);

#endif
