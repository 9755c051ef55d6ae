// The two long actions: installing from "Continue" and uninstalling from "Uninstall". Both
// run inside the click that started them and keep the window alive by pumping.
#ifndef MARVOLEN_RUNS_H
#define MARVOLEN_RUNS_H

#include <windows.h>

#include <cstdint>

#include "install/extract.h"
#include "system/staging.h"

void RunInstallation();
// The installation after CheckDestination has passed: the progress, the finish screen and, after
// an abort or a failure, the clean-up.
void RunCheckedInstallation();
void RunUninstall();
// The uninstall after its question: the removals under their status texts, up to the message.
// Its exit code: ExitInUse or ExitFailed when something of the game's folder stayed, and with it
// every link and record.
int RunConfirmedUninstall();

// After an aborted or failed installation: removes what the run wrote (see
// RemoveWhatThisRunWrote), under the status panel.
void CleanUpAfterFailedRun();

// The two passes over the setup's own package into InstallPath, reporting to the window: the
// steps show on the progress screen, the window stays alive, a confirmed Cancel or close stops.
extern const ExtractionHooks WindowHooks;

// The steps both the windowed and the unattended runs take, each noted in the log.
// The destination and its free space: ExitDone, ExitFailed (a folder that cannot be used) or
// ExitNoSpace.
int CheckDestination();
void LogExtraction(const Extraction& extraction);
// The links and the records, each written as far as it goes; a failure is logged with the
// system's text and makes the unattended exit code ExitFailed (see WithStepFailures).
void MakeShortcuts();
void MakeRecords();
// An unattended run's exit code: ExitFailed in place of ExitDone when a link or record of this
// run could not be written or removed; any other code as it is.
int WithStepFailures(int code);
// After measuring: false (logged) when the destination's drive has less free space than the
// package unpacks to.
bool RoomForPackage();
// The package into InstallPath. Into a folder that exists it is extracted into a work area and
// moved into place only when complete; a failed move undoes every move (and the
// unattended exit code says a file is in use). RunInstalled, RunAborted or RunFailed; logged.
int InstallFiles(const ExtractionHooks& hooks, BetweenMoves betweenMoves);
// The unattended exit code for an install run's result: done, failed, or a file in use; an
// installation whose links or records failed is failed too.
int InstallOutcomeCode(int result);
// Puts back what a run that died in InstallPath left unfinished, before anything else happens.
void RecoverInterruptedRun();
// After an aborted or failed run: the work area, or the new folder if this run wrote into it.
void RemoveWhatThisRunWrote();
// The uninstall's three removals; `between` runs before the second and the third with the text
// of what comes. ExitDone when the game's folder went (the links and records then go as far as
// they will: see WithStepFailures); ExitInUse or ExitFailed when it (or part of it) stayed, and
// then the links and records stay too.
int UninstallSteps(void (*between)(unsigned nextText));
// The setup's package: its size, kept for the progress steps and the space check; then its
// extraction into InstallPath (showing on the window).
std::uint64_t MeasureSetupPackage(const ExtractionHooks& hooks = WindowHooks);
Extraction ExtractSetupPackage();

#endif
