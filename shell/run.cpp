#include "shell/run.h"

#include "base/names.h"
#include "base/state.h"
#include "base/texts.h"
#include "install/extract.h"
#include "install/shortcuts.h"
#include "shell/copies.h"
#include "shell/log.h"
#include "system/destination.h"
#include "system/folder_guard.h"
#include "system/folder_path.h"
#include "system/records.h"
#include "system/recovery.h"
#include "system/removal.h"
#include "system/run_note.h"
#include "system/staging.h"

namespace {

// This run's package as measured; what its extraction did; its note, once begun (the run has then
// possibly written something, and its clean-up is the putting back of that note).
PackageListing Package;
Extraction Extracted;
RunNote ThisRun;
bool NoteBegun;

// A run stopped: by the player, or by Windows ending the session or the program closing.
Outcome Stopped() { return FailedWith(Setup.Run.CancelRequested ? Happened::Cancelled : Happened::Aborted, ERROR_SUCCESS); }

// Refused once the package was measured: nothing was written, and another folder may be chosen.
bool Refused(const Outcome& outcome) { return outcome.what == Happened::NoSpace || outcome.what == Happened::OthersFiles; }

void LogExtraction(const Extraction& extraction)
{
    Log("Package %s: %u entries extracted, %llu bytes", Setup.Paths.PackagePath, extraction.entries,
        static_cast<unsigned long long>(extraction.bytes));
    const Happened what = extraction.outcome.what;
    if (what == Happened::Cancelled || what == Happened::Aborted) Log("Installation aborted");
    else LogOutcome("the package is damaged, incomplete or could not be written in full", extraction.outcome);
}

// The same or a newer version replaces what is on record; an older one only as the player wants.
Outcome CheckVersion(const RunFace& face)
{
    std::wstring installed;
    if (!NewerVersionInstalled(installed)) return Succeeded();
    const OlderOverNewer rule = Setup.Run.Downgrade;
    if (rule == OlderOverNewer::Allowed || (rule == OlderOverNewer::Asked && face.replaceNewer(installed))) {
        Log("Version %s is installed, newer than this setup's %s: replaced, as the player asked", Printable(installed).c_str(),
            Text(IDS_VERSION));
        return Succeeded();
    }
    Log("FAILED: version %s is installed, newer than this setup's %s; nothing was changed (/allowdowngrade replaces it)",
        Printable(installed).c_str(), Text(IDS_VERSION));
    return FailedWith(Happened::NewerInstalled, ERROR_SUCCESS);
}

// The destination as written, resolved once (Setup.Paths.Target, and Setup.Paths.InstallPath as it
// resolved), then the fixed free-space test.
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
    Setup.Paths.Target = chosen;
    AnsiSpelling(chosen.resolved, Setup.Paths.InstallPath);   // on show from now on; checked, it fits
    const std::uint64_t free = FreeBytes(chosen.resolved);
    Log("Free space on its drive: %llu bytes, %llu needed", static_cast<unsigned long long>(free),
        static_cast<unsigned long long>(RequiredFreeBytes));
    if (!EnoughFreeSpace(free)) {
        Log("FAILED: not enough free space");
        return FailedWith(Happened::NoSpace, ERROR_DISK_FULL, chosen.resolved);
    }
    return Succeeded();
}

// The package measured, then what only its measure tells: room on the drive for what it unpacks
// to, and a folder that holds nothing but an earlier installation of the game (its record names
// it, or all it holds is the package's own) or nothing at all.
Outcome PrepareFiles(const ExtractionHooks& hooks)
{
    Log("Package: %s", Setup.Paths.PackagePath);
    Package = ListPackage(Setup.Paths.PackagePath, hooks);
    if (!Package.outcome.Done()) {
        LogOutcome("the package", Package.outcome);
        return Package.outcome;
    }
    // The fixed figure is checked first; once the package is measured, its own size counts. Over
    // an earlier installation the new files stand beside the old ones until they are moved in.
    const std::uint64_t free = FreeBytes(Setup.Paths.Target.resolved);
    if (free < Package.size) {
        Log("FAILED: not enough free space: the package unpacks to %llu bytes, %llu are free",
            static_cast<unsigned long long>(Package.size), static_cast<unsigned long long>(free));
        return FailedWith(Happened::NoSpace, ERROR_DISK_FULL, Setup.Paths.Target.resolved);
    }
    // An uninstall takes the game's folder whole: nobody else's files may be in it.
    if (!Setup.Paths.Target.existed || IsRecordedFolder(Setup.Paths.Target)) return Succeeded();
    const Outcome own = CheckOnlyOwnEntries(VerbatimForm(Setup.Paths.Target.resolved), Package.names);
    if (!own.Done()) LogOutcome("the folder already holds files, and no installation of the game is recorded there", own);
    return own;
}

// The run's note goes once nothing of it is left to tidy: its work area, if it had one, is gone.
// A work area left after a complete commit holds only the old copies, and the note keeps it known
// to the next start, which removes it.
void EndNoteIfTidy()
{
    if (!ThisRun.own.empty() && GetFileAttributesW(ThisRun.own.c_str()) != INVALID_FILE_ATTRIBUTES) {
        Log("The old copies could not all be removed yet; the next start removes them");
        return;
    }
    LogOutcome("the run's note could not be cleared", EndRunNote());
    NoteBegun = false;
}

// The old copies a reinstall replaced go on a thread of their own once the new files stand, while
// the links and records are written and the run shows its end: nobody waits for them but the
// next run and the end of the program (WaitForOldCopies), and the note stays until they are gone.
// What the removal reads beside its folder (the guard's protected folders, gathered when the
// destination was chosen) nothing changes meanwhile.
HANDLE OldCopiesGoing;

DWORD WINAPI RemoveOldCopiesOn(void* area)
{
    RemoveOldCopies(*static_cast<const std::wstring*>(area));
    delete static_cast<const std::wstring*>(area);
    return 0;
}

void StartRemovingOldCopies()
{
    auto* area = new std::wstring(ThisRun.own);
    OldCopiesGoing = CreateThread(nullptr, 0, RemoveOldCopiesOn, area, 0, nullptr);
    if (OldCopiesGoing) return;
    delete area;
    RemoveOldCopies(ThisRun.own);   // without a thread, here and now
    EndNoteIfTidy();
}

// The files into place once extracted: into a work area, and then its commit.
Outcome CommitStaged(BetweenMoves betweenMoves)
{
    const Outcome committed = CommitWorkArea(Setup.Paths.Target, ThisRun.own, betweenMoves);
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

// The package into the destination, after any unfinished run has been put back, noted first (see
// RunNote). Into a folder that exists it is extracted into a work area and moved into place only
// when complete.
Outcome InstallFiles(const ExtractionHooks& hooks, BetweenMoves betweenMoves)
{
    Extracted = Extraction{};
    Outcome outcome = RecoverInterruptedRun();
    ThisRun = RunNote{};
    ThisRun.folder = VerbatimForm(Setup.Paths.Target.resolved);
    ThisRun.existed = Setup.Paths.Target.existed;
    if (outcome.Done()) outcome = BeginRunNote(ThisRun);
    NoteBegun = outcome.Done();
    // A folder that exists holds something of the player's (an earlier installation, saves,
    // anything): the package goes into a work area first and moves in only when complete. A new
    // folder is extracted into directly, since a failure removes it whole.
    std::wstring into = Setup.Paths.Target.resolved;
    if (outcome.Done() && Setup.Paths.Target.existed) outcome = OpenWorkArea(Setup.Paths.Target, ThisRun, ThisRun.own, into);
    if (!outcome.Done()) {
        LogOutcome("the run could not begin", outcome);
        hooks.extracting();
        return outcome;
    }
    Extracted = ExtractPackage(Setup.Paths.PackagePath, into, Package, hooks);
    LogExtraction(Extracted);
    if (Extracted.outcome.what == Happened::Cancelled) return Stopped();
    if (!Extracted.outcome.Done()) return Extracted.outcome;
    if (Setup.Paths.Target.existed) outcome = CommitStaged(betweenMoves);
    if (!outcome.Done()) return outcome;
    // The files stand: the run is over for the note, once the old copies, if any, are gone.
    if (Setup.Paths.Target.existed) StartRemovingOldCopies();
    else EndNoteIfTidy();
    return outcome;
}

// After an installation that stopped or failed: what the run wrote goes, and what it moved aside
// comes back, as its note says. NotRestored keeps the note for the next start.
Outcome RemoveWhatThisRunWrote()
{
    if (!NoteBegun) return Succeeded();   // nothing was written
    const Outcome removed = RecoverInterruptedRun();
    NoteBegun = false;
    if (!removed.Done()) return removed;
    const std::string folder = Printable(Setup.Paths.Target.resolved);
    if (!ThisRun.own.empty()) Log("Removed the files of this run; the folder is as it was: %s", folder.c_str());
    else if (Extracted.began) Log("Removed the files of this run: %s", folder.c_str());
    return removed;
}

// Two removals or writes that each go as far as they can, whatever became of the other: Done, or
// Incomplete with the first that failed.
Outcome BothSteps(Outcome first, const Outcome& second)
{
    KeepFirst(first, second);
    if (!first.Done()) first.what = Happened::Incomplete;
    return first;
}

// The links, then the records whatever became of the links, so that the installation can be taken
// off again.
Outcome MakeLinksAndRecords(void (*status)(UINT text))
{
    const Outcome links = CreateShortcuts(Setup.Paths.Target.resolved, Setup.Run.DesktopIconWanted, Setup.Paths.UninstallerPath,
                                          Text(IDS_GAME_SITE), Text(IDS_MAKER_SITE), Text(IDS_PUBLISHER_SITE));
    if (links.Done()) Log("Links written in the program group%s", Setup.Run.DesktopIconWanted ? " and on the desktop" : "");
    else
        LogOutcome(Setup.Run.DesktopIconWanted ? "a link in the program group or on the desktop could not be written"
                                           : "a link in the program group could not be written",
                   links);
    status(IDS_UPDATING_REGISTRY);
    const EntryDetails details = {Text(IDS_GAME_SITE), Text(IDS_PUBLISHER_SITE), Extracted.bytes};
    const Outcome records = WriteInstallRecords(Setup.Paths.Target.resolved, Setup.Paths.UninstallerPath, Setup.Paths.SetupDir,
                                                Text(IDS_LANGUAGE), Text(IDS_VERSION), details);
    if (records.Done()) Log("Records written: install record, Add/Remove Programs entry, lobby registration");
    else LogOutcome("a record (install record, Add/Remove Programs entry or lobby registration) could not be written", records);
    return BothSteps(links, records);
}

// The face's way of keeping alive while a large folder is removed.
void (*KeepAlive)();
void KeepAliveBetweenEntries(const std::wstring&) { KeepAlive(); }

// The game's folder, all or nothing; once it is gone, the links and records as far as they go.
// What stays keeps its records and links, so that a later uninstall can still take it.
Outcome UninstallSteps(const RunFace& face)
{
    Outcome removed = RecoverInterruptedRun();
    KeepAlive = face.hooks->keepAlive;
    if (removed.Done()) removed = RemoveInstalledFiles(KeepAliveBetweenEntries);
    const auto status = face.status;
    switch (removed.what) {
    case Happened::Done: Log("Removed the game's folder, as the install record names it"); break;
    case Happened::NothingToUninstall: Log("FAILED: nothing to uninstall: no install record"); return removed;
    case Happened::InUse:
        LogOutcome("a file of the game is in use", removed);
        Log("Nothing was removed; the links and records stay");
        return removed;
    case Happened::Unreachable:
        LogOutcome("the game's folder cannot be reached; nothing was removed, the links and records stay", removed);
        return removed;
    default: LogOutcome("the game's folder could not be removed in full; the links and records stay", removed); return removed;
    }
    status(IDS_REMOVING_ICONS);
    const Outcome links = RemoveShortcuts();
    if (links.Done()) Log("Removed the program group and the desktop link");
    else LogOutcome("the program group or the desktop link could not be removed", links);
    status(IDS_REMOVING_REGISTRY);
    const Outcome records = DeleteInstallRecords();
    if (records.Done()) Log("Removed the records");
    else LogOutcome("a record (install record, Add/Remove Programs entry or lobby registration) could not be removed", records);
    return BothSteps(links, records);
}

}  // namespace

Outcome RecoverInterruptedRun()
{
    const Outcome recovered = RecoverUnfinishedRun();
    if (!recovered.Done())
        LogOutcome("an unfinished run's files could not all be put back; they stay for the next start", recovered);
    return recovered;
}

void WaitForOldCopies(void (*keepAlive)())
{
    if (!OldCopiesGoing) return;
    while (WaitForSingleObject(OldCopiesGoing, 15) == WAIT_TIMEOUT)
        if (keepAlive) keepAlive();
    CloseHandle(OldCopiesGoing);
    OldCopiesGoing = nullptr;
    EndNoteIfTidy();
}

Outcome Install(const RunFace& face, const std::wstring& written)
{
    Outcome outcome = CheckVersion(face);
    if (outcome.Done()) outcome = CheckDestination(written);
    if (!outcome.Done()) return outcome;   // refused before the run began
    face.begins(InstallRun);
    WaitForOldCopies(face.hooks->keepAlive);   // the last run's, if the player was quick
    Extracted = Extraction{};
    NoteBegun = false;
    face.status(IDS_PREPARING);
    outcome = PrepareFiles(*face.hooks);
    // A stop confirmed while the package was measured comes before anything is written.
    if (face.hooks->stopNow()) {
        outcome = Stopped();
        Log("Installation aborted");
    } else if (outcome.Done()) {
        outcome = InstallFiles(*face.hooks, face.betweenMoves);
    }
    if (outcome.Done()) {
        Setup.Run.CancelRequested = false;   // asked during the last moves, answered once they were done: too late
        face.status(IDS_CREATING_ICONS);
        outcome = MakeLinksAndRecords(face.status);
        face.status(0);
        // The uninstaller is the copy of the setup that installed the game, an older one included.
        if (outcome.Done()) RefreshUninstallerCopy();
        if (outcome.Done()) Log("Installed");
    }
    face.ends(InstallRun, outcome);
    if (outcome.Done() || outcome.what == Happened::Incomplete || Refused(outcome)) return outcome;
    face.status(IDS_REMOVING_FILES);
    const Outcome removed = RemoveWhatThisRunWrote();
    face.status(0);
    return removed.Done() ? outcome : removed;
}

Outcome Uninstall(const RunFace& face)
{
    face.begins(UninstallRun);
    WaitForOldCopies(face.hooks->keepAlive);
    face.status(IDS_REMOVING_FILES);
    const Outcome outcome = UninstallSteps(face);
    face.status(0);
    if (outcome.Done()) Log("Uninstalled");
    face.ends(UninstallRun, outcome);
    return outcome;
}
