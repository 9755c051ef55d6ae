// The program's exit codes, each with one meaning, for those who start it unattended.
#ifndef MARVOLEN_EXIT_CODES_H
#define MARVOLEN_EXIT_CODES_H

enum ExitCode : int {
    ExitDone = 0,                 // installed, uninstalled, or the window closed
    ExitFailed = 2,               // the package or a step failed, the folder cannot be used, or no window
    ExitNoSpace = 3,              // not enough free space at the destination
    ExitBadSwitch = 4,            // an unknown or malformed switch
    ExitNothingToUninstall = 5,   // no install record
    ExitAlreadyRunning = 6,       // another instance runs
    ExitInUse = 7,                // a file of the game is in use (the game runs): nothing was changed
    ExitCancelled = 8,            // the player stopped the installation (Cancel, or a close, answered Yes)
};
// No code means "restart needed": the setup never needs one.

#endif
