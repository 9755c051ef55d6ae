// Start-up: the program's paths, the uninstaller copy, the library file, the window, the live menu.
#ifndef MARVOLEN_STARTUP_H
#define MARVOLEN_STARTUP_H

#include <windows.h>

#include "base/outcome.h"
#include "base/types.h"

// From the program's full file name and the Windows directory: SetupDir, PackagePath,
// UninstallerPath and UninstallerMode. False when a path does not fit its buffer.
bool DeriveProgramPaths(const char* exePath, const char* windowsDir);

// This process is the uninstaller copy: started from the Windows directory, by any of its names.
// Asked before start-up too (the language comes first), with the answer start-up then gives.
bool StartedAsUninstaller();


// Everything up to the live main menu, in these steps and this order; a step that fails (only
// the window can) ends start-up. The bench times the steps one by one.
struct StartUpStep {
    const char* name;
    bool (*run)();
    bool pause;    // the fixed pause, which the bench reports apart
    bool window;   // needs the window: an unattended run leaves it out
};
extern const StartUpStep StartUpSteps[];
extern const int StartUpStepCount;

// What start-up found of a run that did not end: Done, or NotRestored when its work could not be
// put back (see RecoverInterruptedRun).
const Outcome& RecoveryAtStart();

// Runs the steps with the program's instance; false when the window cannot be created.
bool StartUp(HINSTANCE instance);
// The steps that need no window, for an unattended run.
void StartUpWithoutWindow(HINSTANCE instance);

#endif
