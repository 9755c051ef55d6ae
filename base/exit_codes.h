// The program's exit codes, each with one meaning, for those who start it unattended.
#ifndef MARVOLEN_EXIT_CODES_H
#define MARVOLEN_EXIT_CODES_H

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

// What each code means: in a word for the usage text, and in full as README.md's table says it
// (a test holds the two together).
struct ExitCodeMeaning {
    ExitCode code;
    const char* brief;
    const char* meaning;
};
inline constexpr ExitCodeMeaning ExitCodeMeanings[] = {
    {ExitDone, "done", "done (or, with the window, the program was closed)"},
    {ExitFailed, "failed",
     "failed: the package or a step failed, the folder cannot be used or holds someone else's files, the game's "
     "folder cannot be reached, an unfinished run could not be put back, or the window could not be opened"},
    {ExitNoSpace, "not enough free space", "not enough free space"},
    {ExitBadSwitch, "unknown switch", "an unknown or malformed switch, or a folder the system's code page cannot spell"},
    {ExitNothingToUninstall, "nothing to uninstall", "nothing to uninstall"},
    {ExitAlreadyRunning, "already running", "another Marvolen Setup is running"},
    {ExitInUse, "a file of the game in use",
     "a file of the game is in use (the game is running): nothing was changed"},
    {ExitCancelled, "cancelled by the player",
     "cancelled by the player: with the window, the last installation was stopped with Cancel (or a close) "
     "answered Yes, and none completed after it"},
    {ExitNewerInstalled, "a newer version installed",
     "a newer version of the game is installed: nothing was changed (/allowdowngrade installs this one over it)"},
};

#endif
