// The program's exit codes, each with one meaning, for those who start it unattended.
#ifndef MARVOLEN_EXIT_CODES_H
#define MARVOLEN_EXIT_CODES_H

#include "resources/resource_ids.h"

enum ExitCode : int {
    ExitDone = 0,
    ExitFailed = 2,
    ExitNoSpace = 3,
    ExitBadSwitch = 4,
    ExitNothingToUninstall = 5,
    ExitAlreadyRunning = 6,
    ExitInUse = 7,
    ExitCancelled = 8,
    ExitNewerInstalled = 9,
};
// No code means "restart needed": the setup never needs one.

// What each code means: in a few words for the usage text (the text `briefText`, in the language
// the program speaks), and in full as README.md's table says it (a test holds the two together).
struct ExitCodeMeaning {
    ExitCode code;
    unsigned briefText;
    const char* meaning;
};
inline constexpr ExitCodeMeaning ExitCodeMeanings[] = {
    {ExitDone, IDS_EXIT_DONE, "done (or, with the window, the program was closed)"},
    {ExitFailed, IDS_EXIT_FAILED, "failed: the package or a step failed, the folder cannot be used or holds someone else's files, the game's "
     "folder cannot be reached, an unfinished run could not be put back, or the window could not be opened"},
    {ExitNoSpace, IDS_EXIT_NO_SPACE, "not enough free space"},
    {ExitBadSwitch, IDS_EXIT_BAD_SWITCH, "an unknown or malformed switch, or a folder the system's code page cannot spell"},
    {ExitNothingToUninstall, IDS_EXIT_NOTHING, "nothing to uninstall"},
    {ExitAlreadyRunning, IDS_EXIT_RUNNING, "another Marvolen Setup is running"},
    {ExitInUse, IDS_EXIT_IN_USE, "a file of the game is in use (the game is running): nothing was changed"},
    {ExitCancelled, IDS_EXIT_CANCELLED, "cancelled by the player: with the window, the last installation was stopped with Cancel (or a close) "
     "answered Yes, and none completed after it"},
    {ExitNewerInstalled, IDS_EXIT_NEWER, "a newer version of the game is installed: nothing was changed (/allowdowngrade installs this one over it)"},
};

#endif
