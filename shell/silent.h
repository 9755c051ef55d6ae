// Unattended runs from the command line: no window, no prompt, no pause; the outcome is the
// exit code, and the steps go to the log when one was asked for.
#ifndef MARVOLEN_SILENT_H
#define MARVOLEN_SILENT_H

#include "base/run.h"
#include "shell/command_line.h"

// The destination and the desktop link from the switches, for every run that asks nothing:
// options.dir (taken as given), else the recorded folder, else the default one, chosen and
// checked (see CheckDestination).
Outcome TakeUnattendedDestination(const Options& options);

// Installs there; the exit code.
int RunSilentInstall(const Options& options);

// Uninstalls the recorded installation; the exit code (ExitNothingToUninstall without a record).
int RunSilentUninstall();

#endif
