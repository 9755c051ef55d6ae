// Unattended runs from the command line: no window, no prompt, no pause; the outcome is the
// exit code, and the steps go to the log when one was asked for.
#ifndef MARVOLEN_SILENT_H
#define MARVOLEN_SILENT_H

#include <string>

#include "shell/command_line.h"

// The folder of a run that asks nothing, as written: options.dir (taken as given), else the
// recorded folder, else the default one; and the desktop link as the switches ask.
std::wstring UnattendedFolder(const Options& options);

// Installs there, or uninstalls the recorded installation; the exit code.
int RunSilentInstall(const Options& options);
int RunSilentUninstall();

#endif
