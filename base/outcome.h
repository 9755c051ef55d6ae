// What a run works on and what each of its steps returns: the destination, chosen and resolved
// once, and one outcome, which the window, /silent and /passive each turn into what they show.
#ifndef MARVOLEN_OUTCOME_H
#define MARVOLEN_OUTCOME_H

#include <windows.h>

#include <string>

#include "base/exit_codes.h"
#include "resources/resource_ids.h"

// The game's folder, resolved when it is chosen (Continue, /dir, the record, the default); every
// step takes it as it is and none resolves it again.
struct Destination {
    std::wstring written;    // as the player, the record or the default spelt it
    std::wstring resolved;   // as the file system names it (see ResolveFolder): what files, links and records use
    bool existed = false;    // a folder stood there before the run
};

// What a step, or a whole run, came to.
enum class Happened : int {
    NothingDone,          // no run has ended yet
    Done,
    Incomplete,           // the game's files are in place (or gone), but a link or record is not
    Cancelled,            // the player confirmed Cancel or a close
    Aborted,              // Windows is ending the session, or the program is closing
    Failed,               // the package, a write, a move or a removal failed
    InUse,                // a file or folder of the game is held by another program: nothing changed
    NoSpace,
    FolderUnusable,       // a system or user folder, a link, a drive root, too long, not a folder name
    Unspellable,          // a folder the ANSI code page cannot spell exactly
    OthersFiles,          // the folder holds files that are neither the package's nor a recorded game's
    Unreachable,          // the recorded folder's drive or share is not there
    NotRestored,          // an unfinished run could not be put back: its work stays for the next start
    NothingToUninstall,
    NewerInstalled,       // the installation on record is of a newer version, and was to stay
};

// One step's result: what happened, the first Win32 error met, and the path it concerns.
struct Outcome {
    Happened what = Happened::NothingDone;
    DWORD error = ERROR_SUCCESS;
    std::wstring path;

    bool Done() const { return what == Happened::Done; }
};

inline Outcome Succeeded() { return {Happened::Done, ERROR_SUCCESS, std::wstring()}; }
inline Outcome FailedWith(Happened what, DWORD error, const std::wstring& path = std::wstring())
{
    return {what, error, path};
}
// The first failure of several steps is the one told; later steps are still tried.
inline void KeepFirst(Outcome& first, const Outcome& next)
{
    if (first.Done() && !next.Done()) first = next;
}

// How each face tells an outcome: the exit code of /silent and /passive, and the window's message
// (0: none; the finish screen says it). Every outcome has its row.
struct OutcomeFace {
    Happened what;
    ExitCode code;
    UINT message;
};
inline constexpr OutcomeFace OutcomeFaces[] = {
    // A run that never got to an end has done nothing: that is no success.
    {Happened::NothingDone, ExitFailed, 0},
    {Happened::Done, ExitDone, 0},
    {Happened::Incomplete, ExitFailed, 0},
    {Happened::Cancelled, ExitCancelled, 0},
    {Happened::Aborted, ExitFailed, 0},
    {Happened::Failed, ExitFailed, 0},
    {Happened::InUse, ExitInUse, IDS_IN_USE},
    {Happened::NoSpace, ExitNoSpace, IDS_NO_SPACE},
    {Happened::FolderUnusable, ExitFailed, IDS_BAD_FOLDER},
    {Happened::Unspellable, ExitBadSwitch, IDS_BAD_FOLDER},
    {Happened::OthersFiles, ExitFailed, IDS_OTHERS_FILES},
    {Happened::Unreachable, ExitFailed, IDS_UNREACHABLE},
    {Happened::NotRestored, ExitFailed, IDS_NOT_RESTORED},
    {Happened::NothingToUninstall, ExitNothingToUninstall, 0},
    // The window asked first: its question was the message.
    {Happened::NewerInstalled, ExitNewerInstalled, 0},
};

constexpr const OutcomeFace& FaceOf(Happened what)
{
    for (const OutcomeFace& face : OutcomeFaces)
        if (face.what == what) return face;
    return OutcomeFaces[0];
}

constexpr ExitCode ExitCodeFor(Happened what) { return FaceOf(what).code; }

#endif
