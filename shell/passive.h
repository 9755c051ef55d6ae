// The progress-only run (/passive): the window shows the installation's progress and its
// finish, asks nothing, needs no click and closes by itself.
#ifndef MARVOLEN_PASSIVE_H
#define MARVOLEN_PASSIVE_H

#include "shell/command_line.h"

// After start-up with the window: installs where the unattended run would, and returns the exit
// code as the unattended run does (or ExitCancelled). Only a Cancel the player presses asks.
int RunPassiveInstall(const Options& options);

// The same for an uninstall: the removals under their status texts, then the menu for a moment.
int RunPassiveUninstall();

#endif
