// The two long actions: installing from "Continue" and uninstalling from "Uninstall". Both
// run inside the click that started them and keep the window alive by pumping.
#ifndef MARVOLEN_RUNS_H
#define MARVOLEN_RUNS_H

#include <windows.h>

#include <cstdint>

#include "install/extract.h"

void RunInstallation();
// The installation after CheckDestination has passed: the progress, the finish screen and, after
// an abort or a failure, the clean-up.
void RunCheckedInstallation();
void RunUninstall();
// The uninstall after its question: the removals under their status texts, up to the message.
// False when something of the game's folder stayed.
bool RunConfirmedUninstall();

// After an aborted or failed installation: removes the destination folder when the run's
// extraction wrote into it.
void CleanUpAfterFailedRun();

// The two passes over the setup's own package into InstallPath, reporting to the window: the
// steps show on the progress screen, the window stays alive, a confirmed Cancel or close stops.
extern const ExtractionHooks WindowHooks;

// The steps both the windowed and the unattended runs take, each noted in the log.
// The destination and its free space: ExitDone, ExitFailed (a folder that cannot be used) or
// ExitNoSpace.
int CheckDestination();
void LogExtraction(int result);
void MakeShortcuts();
void MakeRecords();
// After an aborted or failed extraction: the destination, if this run wrote into it.
void RemoveWhatThisRunWrote();
// The uninstall's three removals; `between` runs before the second and the third with the text
// of what comes. False when something of the game's folder stayed.
bool UninstallSteps(void (*between)(unsigned nextText));
std::uint64_t MeasureSetupPackage();
int ExtractSetupPackage();

#endif
