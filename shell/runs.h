// The two long actions: installing from "Continue" and uninstalling from "Uninstall". Both
// run inside the click that started them and keep the window alive by pumping.
#ifndef MARVOLEN_RUNS_H
#define MARVOLEN_RUNS_H

#include <cstdint>

#include "install/extract.h"

void RunInstallation();
void RunUninstall();

// After an aborted or failed installation: removes the destination folder when the run's
// extraction wrote into it.
void CleanUpAfterFailedRun();

// The two passes over the setup's own package into InstallPath, reporting to the window: the
// steps show on the progress screen, the window stays alive, a confirmed Cancel or close stops.
extern const ExtractionHooks WindowHooks;
std::uint64_t MeasureSetupPackage();
int ExtractSetupPackage();

#endif
