// The two long actions: installing from "Continue" and uninstalling from "Uninstall". Both
// run inside the click that started them and keep the window alive by pumping.
#ifndef MARVOLEN_RUNS_H
#define MARVOLEN_RUNS_H

void RunInstallation();
void RunUninstall();

// After an aborted or failed installation: removes the destination folder.
void CleanUpAfterFailedRun();

#endif
