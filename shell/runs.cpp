#include "shell/runs.h"

#include "base/exit_codes.h"
#include "base/names.h"
#include "base/state.h"
#include "base/texts.h"
#include "install/extract.h"
#include "install/shortcuts.h"
#include "shell/log.h"
#include "shell/prompts.h"
#include "shell/pump.h"
#include "system/bounded_text.h"
#include "system/destination.h"
#include "system/folder_guard.h"
#include "system/folder_path.h"
#include "system/records.h"
#include "system/recovery.h"
#include "system/removal.h"
#include "system/run_note.h"
#include "system/staging.h"
#include "ui/layout.h"
#include "ui/painter.h"

namespace {

// What the window shows of an extraction, and what it tells it.
void CancelGoesLive()
{
    Setup.Busy = 0;
    Setup.StatusPanelShown = 0;
    PaintScreen();
}

void ShowStep(int step)
{
    Setup.ProgressStep = step;
    if (step >= 0) PaintProgressStep();   // -1 shows with the next screen's paint
}

bool RunStopping() { return Setup.CancelRequested || Setup.QuitRequested || Setup.SessionEnding; }

// The screen dims under the status panel with the given text; the mouse is ignored.
void StatusPhase(const char* text)
{
    Setup.StatusText = text;
    Setup.Busy = 1;
    Setup.StatusPanelShown = 1;
    PaintScreen();
}

void NextStatus(const char* text)
{
    Setup.StatusText = text;
    PaintScreen();
}

void EndStatus()
{
    Setup.Busy = 0;
    Setup.StatusPanelShown = 0;
}

// This run's package as measured; what its extraction did; its note, once begun (the run has then
// possibly written something, and its clean-up is the putting back of that note).
PackageListing Package;
Extraction Extracted;
RunNote ThisRun;
bool NoteBegun;

// A run stopped: by the player, or by Windows ending the session or the program closing.
Outcome Stopped() { return FailedWith(Setup.CancelRequested ? Happened::Cancelled : Happened::Aborted, ERROR_SUCCESS); }

NextMove KeepWindowAliveBetweenMoves()
{
    static DWORD last;
    if (GetTickCount() - last >= 15) {   // as often as a frame, as during the extraction
        PumpMessages();
        last = GetTickCount();
    }
    // A Cancel or close confirmed while the files move in still leaves the folder as it was.
    return RunStopping() ? NextMove::RollBack : NextMove::CarryOn;
}

void LogExtraction(const Extraction& extraction)
{
    Log("Package %s: %u entries extracted, %llu bytes", Setup.PackagePath, extraction.entries,
        static_cast<unsigned long long>(extraction.bytes));
    const Happened what = extraction.outcome.what;
    if (what == Happened::Cancelled || what == Happened::Aborted) Log("Installation aborted");
    else LogOutcome("the package is damaged, incomplete or could not be written in full", extraction.outcome);
}

// The files into place once extracted: into a work area, and then its commit.
Outcome CommitStaged(BetweenMoves betweenMoves)
{
    const Outcome committed = CommitWorkArea(Setup.Target, ThisRun.own, betweenMoves);
    switch (committed.what) {
    case Happened::Done: Log("Moved the new files into place; files the package does not hold stay as they were"); break;
    case Happened::Cancelled:
        Log("Installation aborted while the files moved into place: every file moved back as it was");
        return Stopped();
    case Happened::InUse:
        LogOutcome("a file of the game is in use or cannot be replaced", committed);
        Log("Every file moved back as it was");
        break;
    case Happened::NotRestored: LogOutcome("the files moved aside could not all be put back; they stay", committed); break;
    default: LogOutcome("the new files could not be moved into place", committed); break;
    }
    return committed;
}

}  // namespace

const ExtractionHooks WindowHooks = {CancelGoesLive, ShowStep, PumpMessages, RunStopping};

Outcome CheckDestination(const std::wstring& written)
{
    Log("Destination folder: %s", Printable(written).c_str());
    Destination chosen;
    const Outcome usable = ChooseDestination(written, chosen);
    // A folder that could never be removed again, or that the files could not land in as named,
    // is refused before anything is written.
    if (usable.what == Happened::Unspellable) {
        Log("FAILED: the folder cannot be spelt in the system's code page: %s", Printable(written).c_str());
        return usable;
    }
    if (!usable.Done()) {
        Log("FAILED: the folder cannot be used for the installation");
        return usable;
    }
    Setup.Target = chosen;
    AnsiSpelling(chosen.resolved, Setup.InstallPath);   // checked by ChooseDestination: it fits
    const std::uint64_t free = FreeBytes(Setup.InstallPath);
    Log("Free space on its drive: %llu bytes, %llu needed", static_cast<unsigned long long>(free),
        static_cast<unsigned long long>(RequiredFreeBytes));
    if (!EnoughFreeSpace(free)) {
        Log("FAILED: not enough free space");
        return FailedWith(Happened::NoSpace, ERROR_DISK_FULL, chosen.resolved);
    }
    return Succeeded();
}

Outcome PrepareFiles(const ExtractionHooks& hooks)
{
    Package = ListPackage(Setup.PackagePath, hooks);
    if (!Package.outcome.Done()) {
        LogOutcome("the package", Package.outcome);
        return Package.outcome;
    }
    // The fixed figure is checked first; once the package is measured, its own size counts. Over
    // an earlier installation the new files stand beside the old ones until they are moved in.
    const std::uint64_t free = FreeBytesQuery(Setup.InstallPath);
    if (free < Package.size) {
        Log("FAILED: not enough free space: the package unpacks to %llu bytes, %llu are free",
            static_cast<unsigned long long>(Package.size), static_cast<unsigned long long>(free));
        return FailedWith(Happened::NoSpace, ERROR_DISK_FULL, Setup.Target.resolved);
    }
    // An uninstall takes the game's folder whole: nobody else's files may be in it.
    if (!Setup.Target.existed || IsRecordedFolder(Setup.Target)) return Succeeded();
    const Outcome own = CheckOnlyOwnEntries(VerbatimForm(Setup.Target.resolved), Package.names);
    if (!own.Done()) {
        LogOutcome("the folder already holds files, and no installation of the game is recorded there", own);
        return own;
    }
    return Succeeded();
}

Outcome RecoverInterruptedRun()
{
    const Outcome recovered = RecoverUnfinishedRun();
    if (!recovered.Done())
        LogOutcome("an unfinished run's files could not all be put back; they stay for the next start", recovered);
    return recovered;
}

Outcome InstallFiles(const ExtractionHooks& hooks, BetweenMoves betweenMoves)
{
    Extracted = Extraction{};
    Outcome outcome = RecoverInterruptedRun();
    ThisRun = RunNote{};
    ThisRun.folder = VerbatimForm(Setup.Target.resolved);
    ThisRun.existed = Setup.Target.existed;
    if (outcome.Done()) outcome = BeginRunNote(ThisRun);
    NoteBegun = outcome.Done();
    // A folder that exists holds something of the player's (an earlier installation, saves,
    // anything): the package goes into a work area first and moves in only when complete. A new
    // folder is extracted into directly, since a failure removes it whole.
    std::wstring into = Setup.Target.resolved;
    if (outcome.Done() && Setup.Target.existed) outcome = OpenWorkArea(Setup.Target, ThisRun, ThisRun.own, into);
    if (!outcome.Done()) {
        LogOutcome("the run could not begin", outcome);
        hooks.extracting();
        return outcome;
    }
    Extracted = ExtractPackage(Setup.PackagePath, into, Package.size, hooks);
    LogExtraction(Extracted);
    if (Extracted.outcome.what == Happened::Cancelled) return Stopped();
    if (!Extracted.outcome.Done()) return Extracted.outcome;
    if (Setup.Target.existed) outcome = CommitStaged(betweenMoves);
    // The files stand: the run is over for the note, unless its work area could not be tidied,
    // which the next start then does.
    if (outcome.Done() && (ThisRun.own.empty() || GetFileAttributesW(ThisRun.own.c_str()) == INVALID_FILE_ATTRIBUTES)) {
        LogOutcome("the run's note could not be cleared", EndRunNote());
        NoteBegun = false;
    }
    return outcome;
}

Outcome RemoveWhatThisRunWrote()
{
    if (!NoteBegun) return Succeeded();   // nothing was written
    // The note says where the run wrote: putting it back is what the next start would do.
    const Outcome removed = RecoverInterruptedRun();
    NoteBegun = false;
    if (!removed.Done()) return removed;
    if (!ThisRun.own.empty()) Log("Removed the files of this run; the folder is as it was: %s", Setup.InstallPath);
    else if (Extracted.began) Log("Removed the files of this run: %s", Setup.InstallPath);
    return removed;
}

Outcome MakeLinksAndRecords(void (*between)(UINT nextText))
{
    Outcome first = CreateShortcuts(Setup.InstallPath, Setup.DesktopIconWanted, Setup.UninstallerPath,
                                    Text(IDS_GAME_SITE), Text(IDS_MAKER_SITE), Text(IDS_PUBLISHER_SITE));
    if (first.Done()) Log("Links written in the program group%s", Setup.DesktopIconWanted ? " and on the desktop" : "");
    else
        LogOutcome(Setup.DesktopIconWanted ? "a link in the program group or on the desktop could not be written"
                                           : "a link in the program group could not be written",
                   first);
    // The records whatever became of the links, so that the installation can be taken off again.
    between(IDS_UPDATING_REGISTRY);
    const EntryDetails details = {Text(IDS_GAME_SITE), Text(IDS_PUBLISHER_SITE), Extracted.bytes};
    const Outcome records = WriteInstallRecords(Setup.InstallPath, Setup.UninstallerPath, Setup.SetupDir,
                                                Text(IDS_LANGUAGE), Text(IDS_VERSION), details);
    if (records.Done()) Log("Records written: install record, Add/Remove Programs entry, lobby registration");
    else LogOutcome("a record (install record, Add/Remove Programs entry or lobby registration) could not be written", records);
    KeepFirst(first, records);
    if (!first.Done()) first.what = Happened::Incomplete;
    return first;
}

Outcome UninstallSteps(void (*between)(UINT nextText))
{
    Outcome removed = RecoverInterruptedRun();
    if (removed.Done()) removed = RemoveInstalledFiles();
    switch (removed.what) {
    case Happened::Done: Log("Removed the game's folder, as the install record names it"); break;
    case Happened::NothingToUninstall: Log("FAILED: nothing to uninstall: no install record"); return removed;
    // What stays keeps its records and links, so that a later uninstall can still take it.
    case Happened::InUse:
        LogOutcome("a file of the game is in use", removed);
        Log("Nothing was removed; the links and records stay");
        return removed;
    case Happened::Unreachable:
        LogOutcome("the game's folder cannot be reached; nothing was removed, the links and records stay", removed);
        return removed;
    default: LogOutcome("the game's folder could not be removed in full; the links and records stay", removed); return removed;
    }
    // The game is gone: the links and the records go as far as they will, each whatever became of
    // the other.
    between(IDS_REMOVING_ICONS);
    Outcome first = RemoveShortcuts();
    if (first.Done()) Log("Removed the program group and the desktop link");
    else LogOutcome("the program group or the desktop link could not be removed", first);
    between(IDS_REMOVING_REGISTRY);
    const Outcome records = DeleteInstallRecords();
    if (records.Done()) Log("Removed the records");
    else LogOutcome("a record (install record, Add/Remove Programs entry or lobby registration) could not be removed", records);
    KeepFirst(first, records);
    if (!first.Done()) first.what = Happened::Incomplete;
    return first;
}

std::uint64_t MeasureSetupPackage(const ExtractionHooks& hooks)
{
    Package = ListPackage(Setup.PackagePath, hooks);
    return Package.size;
}

Extraction ExtractSetupPackage() { return ExtractPackage(Setup.PackagePath, Setup.Target.resolved, Package.size, WindowHooks); }

// ---- The window's runs ---------------------------------------------------------------------

namespace {

// Each status text shows for a moment once its step is done.
void StatusAfterAMoment(UINT nextText)
{
    PauseDroppingInput(500);
    NextStatus(Text(nextText));
}

void FinishInstallation(Outcome& outcome)
{
    StatusPhase(Text(IDS_CREATING_ICONS));
    outcome = MakeLinksAndRecords(StatusAfterAMoment);
    PauseDroppingInput(500);
    EndStatus();
    Setup.RunResult = RunInstalled;
    Setup.Screen = FinishScreen;
    Setup.Installed = 1;
    RefreshAvailability();
    PaintScreen();
}

void CleanUpAfterFailedRun(Outcome& outcome)
{
    StatusPhase(Text(IDS_REMOVING_FILES));
    PauseDroppingInput(500);
    // Only what this run may have written goes: when no entry was extracted, the folder holds
    // nothing of this run's, and on a Reinstall it holds the earlier installation.
    const Outcome removed = RemoveWhatThisRunWrote();
    if (!removed.Done()) outcome = removed;
    EndStatus();
    Setup.Installed = 0;
    RefreshAvailability();
    PaintScreen();
    PauseDroppingInput(500);
}

// A folder refused once the package was measured: nothing was written, and the player chooses
// another folder, as after the fixed check.
void BackToDestination()
{
    EndStatus();
    Setup.Screen = DestinationScreen;
    MeasureFreeSpaceAgain();
    PaintScreen();
}

int FinishKind(Happened what)
{
    if (what == Happened::Done || what == Happened::Incomplete) return RunInstalled;
    return what == Happened::Cancelled || what == Happened::Aborted ? RunAborted : RunFailed;
}

}  // namespace

void RunInstallation()
{
    const Outcome checked = CheckDestination(WideFromAnsi(Setup.InstallPath));
    const Outcome outcome = checked.Done() ? RunCheckedInstallation() : checked;
    if (const UINT message = FaceOf(outcome.what).message) ShowMessage(Text(message));
}

Outcome RunCheckedInstallation()
{
    Setup.RunUnderWay = InstallRun;
    Setup.Screen = ProgressScreen;
    Setup.CancelRequested = 0;
    Extracted = Extraction{};
    StatusPhase(Text(IDS_PREPARING));
    PauseDroppingInput(700);
    Outcome outcome = PrepareFiles(WindowHooks);
    if (!RunStopping() && (outcome.what == Happened::NoSpace || outcome.what == Happened::OthersFiles)) {
        BackToDestination();
        Setup.RunUnderWay = NoRun;
        return outcome;
    }
    // A close confirmed while the package was measured stops the run before anything is written.
    if (RunStopping()) {
        outcome = Stopped();
        Log("Installation aborted");
    } else if (outcome.Done()) {
        outcome = InstallFiles(WindowHooks, KeepWindowAliveBetweenMoves);
    }
    // The Cancel asked during the last moves, answered only once they were done, comes too late.
    if (outcome.Done()) {
        Setup.CancelRequested = 0;
        FinishInstallation(outcome);
    } else {
        Setup.Screen = FinishScreen;
        Setup.Installed = 0;
        RefreshAvailability();
        Setup.RunResult = FinishKind(outcome.what);
        PaintScreen();
        CleanUpAfterFailedRun(outcome);
    }
    Setup.LastInstall = outcome.what;
    Setup.RunUnderWay = NoRun;
    return outcome;
}

void RunUninstall()
{
    if (!AskYesNo(Text(IDS_ASK_UNINSTALL))) return;
    const Outcome outcome = RunConfirmedUninstall();
    if (!Setup.Window) return;
    // Anything short of the whole left every record and link in place, and says why.
    switch (outcome.what) {
    case Happened::Done:
    case Happened::Incomplete: ShowMessage(Text(IDS_UNINSTALLED)); break;
    case Happened::Failed: ShowMessage(Text(IDS_NOT_REMOVED)); break;
    default:
        if (const UINT message = FaceOf(outcome.what).message) ShowMessage(Text(message));
        break;
    }
}

Outcome RunConfirmedUninstall()
{
    Setup.RunUnderWay = UninstallRun;
    StatusPhase(Text(IDS_REMOVING_FILES));
    PauseDroppingInput(500);
    const Outcome outcome = UninstallSteps([](UINT nextText) {
        NextStatus(Text(nextText));
        PauseDroppingInput(500);
    });
    EndStatus();
    Setup.Installed = !(outcome.Done() || outcome.what == Happened::Incomplete);
    RefreshAvailability();
    Setup.RunUnderWay = NoRun;
    // A close asked for while the confirmed removal ran is carried out now that it is done.
    if (Setup.CloseAfterRun) {
        Setup.CloseAfterRun = 0;
        if (Setup.Window) DestroyWindow(Setup.Window);
        return outcome;
    }
    PaintScreen();
    PauseDroppingInput(500);
    return outcome;
}
