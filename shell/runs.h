// The two long actions: installing from "Continue" and uninstalling from "Uninstall". Both
// run inside the click that started them and keep the window alive by pumping. Their steps are
// shared with the unattended runs; every step returns its outcome and notes it in the log.
#ifndef MARVOLEN_RUNS_H
#define MARVOLEN_RUNS_H

#include <windows.h>

#include <cstdint>
#include <string>

#include "base/run.h"
#include "install/extract.h"
#include "system/staging.h"

// ---- The window's runs ---------------------------------------------------------------------

// "Continue": the destination on show is chosen and checked, then installed into; what went
// wrong is said with a message.
void RunInstallation();
// The installation after CheckDestination has passed: the progress, the finish screen and, after
// an abort or a failure, the clean-up; never a message (the window's and /passive's run). A
// folder refused once the package is measured (too little room, someone else's files) brings the
// destination screen back.
Outcome RunCheckedInstallation();
void RunUninstall();
// The uninstall after its question: the removals under their status texts.
Outcome RunConfirmedUninstall();

// The two passes over the setup's own package into the run's destination, reporting to the
// window: the steps show on the progress screen, the window stays alive, a confirmed Cancel or
// close stops.
extern const ExtractionHooks WindowHooks;

// ---- The steps every run takes --------------------------------------------------------------

// Chooses the destination from how it was written (the folder on show, /dir, the record, the
// default): resolved once (Setup.Target, and Setup.InstallPath as it resolved), then the fixed
// free-space test. Done, FolderUnusable, Unspellable or NoSpace.
Outcome CheckDestination(const std::wstring& written);
// The package measured, then what only its measure tells: room on the drive for what it unpacks
// to (NoSpace), and a folder that holds nothing but an earlier installation of the game (its
// record names it, or all it holds is the package's own) or nothing at all (OthersFiles).
Outcome PrepareFiles(const ExtractionHooks& hooks);
// The package into the destination, after any unfinished run has been put back (NotRestored when
// it cannot be), noted first (see RunNote). Into a folder that exists it is extracted into a work
// area and moved into place only when complete. Done, Cancelled (or Aborted when Windows is ending
// the session), InUse, Failed or NotRestored.
Outcome InstallFiles(const ExtractionHooks& hooks, BetweenMoves betweenMoves);
// After an installation that stopped or failed: what the run wrote goes, and what it moved aside
// comes back. Done, or NotRestored (its note stays, and the next start tries again).
Outcome RemoveWhatThisRunWrote();
// The links and the records, each written as far as it goes: Done, or Incomplete (logged with the
// system's text) when one could not be. `between` runs between the two with the text of the second.
Outcome MakeLinksAndRecords(void (*between)(UINT nextText));
// The uninstall's three removals, after any unfinished run has been put back; `between` runs
// before the second and the third with the text of what comes. Done or Incomplete when the game's
// folder went (the links and records then go as far as they will); otherwise the folder's outcome,
// and the links and records stay.
Outcome UninstallSteps(void (*between)(UINT nextText));
// Puts back a run that did not end, wherever it was, before anything else happens; logged.
Outcome RecoverInterruptedRun();

// The setup's package: its measure, kept for the progress steps and the space check; then its
// extraction into the destination (showing on the window).
std::uint64_t MeasureSetupPackage(const ExtractionHooks& hooks = WindowHooks);
Extraction ExtractSetupPackage();

#endif
