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
#include "system/folder_path.h"
#include "system/records.h"
#include "system/removal.h"
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

void FinishInstallation()
{
    StatusPhase(Text(IDS_CREATING_ICONS));
    MakeShortcuts();
    PauseDroppingInput(500);
    NextStatus(Text(IDS_UPDATING_REGISTRY));
    MakeRecords();
    PauseDroppingInput(500);
    EndStatus();
    Setup.RunResult = RunInstalled;
    Setup.Screen = FinishScreen;
    Setup.Installed = 1;
    RefreshAvailability();
    PaintScreen();
}

// This run's package: its measured size, and what its extraction did. Where its files went: a
// work area inside a folder that existed before (staged), or the new folder itself. And the file
// a commit or an uninstall found in use, when one did.
std::uint64_t PackageSize;
Extraction Extracted;
bool Staged;
std::wstring InUse;
// A link or record this run could not write or remove: the files are in place (or gone) all
// the same, and an unattended run says it failed.
bool StepFailed;

// A path for the log, as the player would write it.
std::string Printable(const std::wstring& verbatim)
{
    const std::wstring path = PlainForm(verbatim);
    std::string text(path.size() * 2 + 1, '\0');
    const int length = WideCharToMultiByte(CP_ACP, 0, path.c_str(), -1, &text[0], static_cast<int>(text.size()), nullptr, nullptr);
    text.resize(length > 0 ? length - 1 : 0);
    return text;
}

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

}  // namespace

const ExtractionHooks WindowHooks = {CancelGoesLive, ShowStep, PumpMessages, RunStopping};

int CheckDestination()
{
    Log("Destination folder: %s", Setup.InstallPath);
    // A folder that could never be removed again, or that the files could not land in as named,
    // is refused before anything is written.
    if (!UsableDestination(Setup.InstallPath)) {
        Log("FAILED: the folder cannot be used for the installation");
        return ExitFailed;
    }
    const std::uint64_t free = FreeBytes(Setup.InstallPath);
    Log("Free space on its drive: %llu bytes, %llu needed", static_cast<unsigned long long>(free),
        static_cast<unsigned long long>(RequiredFreeBytes));
    if (!EnoughFreeSpace(free)) {
        Log("FAILED: not enough free space");
        return ExitNoSpace;
    }
    return ExitDone;
}

void LogExtraction(const Extraction& extraction)
{
    Log("Package %s: %u entries extracted, %llu bytes", Setup.PackagePath, extraction.entries,
        static_cast<unsigned long long>(extraction.bytes));
    if (extraction.result == RunAborted) Log("Installation aborted");
    if (extraction.result != RunFailed) return;
    // The system's word for the package, where it has one; the library's otherwise.
    if (GetFileAttributesA(Setup.PackagePath) == INVALID_FILE_ATTRIBUTES) LogFailure("the package", GetLastError());
    else Log("FAILED: the package is damaged, incomplete or could not be written in full");
}

void MakeShortcuts()
{
    const DWORD error = CreateShortcuts(Setup.InstallPath, Setup.DesktopIconWanted, Setup.UninstallerPath,
                                        Text(IDS_GAME_SITE), Text(IDS_MAKER_SITE), Text(IDS_PUBLISHER_SITE));
    if (error == ERROR_SUCCESS)
        return Log("Links written in the program group%s", Setup.DesktopIconWanted ? " and on the desktop" : "");
    StepFailed = true;
    LogFailure(Setup.DesktopIconWanted ? "a link in the program group or on the desktop could not be written"
                                       : "a link in the program group could not be written",
               error);
}

void MakeRecords()
{
    const EntryDetails details = {Text(IDS_GAME_SITE), Text(IDS_PUBLISHER_SITE), Extracted.bytes};
    const DWORD error = WriteInstallRecords(Setup.InstallPath, Setup.UninstallerPath, Setup.SetupDir,
                                            Text(IDS_LANGUAGE), Text(IDS_VERSION), details);
    if (error == ERROR_SUCCESS)
        return Log("Records written: install record, Add/Remove Programs entry, lobby registration");
    StepFailed = true;
    LogFailure("a record (install record, Add/Remove Programs entry or lobby registration) could not be written",
               error);
}

int WithStepFailures(int code) { return code == ExitDone && StepFailed ? ExitFailed : code; }

bool RoomForPackage()
{
    // The fixed figure is checked first; once the package is measured, its own size counts. Over
    // an earlier installation the new files stand beside the old ones until they are moved in.
    const std::uint64_t free = FreeBytesQuery(Setup.InstallPath);
    if (free >= PackageSize) return true;
    Log("FAILED: not enough free space: the package unpacks to %llu bytes, %llu are free",
        static_cast<unsigned long long>(PackageSize), static_cast<unsigned long long>(free));
    return false;
}

int InstallFiles(const ExtractionHooks& hooks, BetweenMoves betweenMoves)
{
    InUse.clear();
    Extracted = Extraction{};
    // A folder that exists holds something of the player's (an earlier installation, saves,
    // anything): the package goes into a work area first and moves in only when complete. A new
    // folder is extracted into directly, since a failure removes it whole.
    Staged = FolderExists(Setup.InstallPath);
    std::wstring into = WideFromAnsi(Setup.InstallPath);
    if (Staged && !OpenWorkArea(Setup.InstallPath, into)) {
        LogFailure("the work area in the destination folder could not be made", GetLastError());
        hooks.extracting();
        return RunFailed;
    }
    Extracted = ExtractPackageW(Setup.PackagePath, into, PackageSize, hooks);
    LogExtraction(Extracted);
    if (Extracted.result != RunInstalled || !Staged) return Extracted.result;
    std::wstring stuck;
    if (CommitWorkArea(Setup.InstallPath, betweenMoves, stuck)) {
        Log("Moved the new files into place; files the package does not hold stay as they were");
        return RunInstalled;
    }
    if (stuck.empty()) {
        Log("Installation aborted while the files moved into place: every file moved back as it was");
        return RunAborted;
    }
    InUse = stuck;
    Log("FAILED: a file of the game is in use or cannot be replaced: %s", Printable(InUse).c_str());
    Log("Every file moved back as it was");
    return RunFailed;
}

int InstallOutcomeCode(int result)
{
    if (result == RunInstalled) return WithStepFailures(ExitDone);
    return InUse.empty() ? ExitFailed : ExitInUse;
}

void RecoverInterruptedRun()
{
    if (RecoverWorkArea(Setup.InstallPath))
        Log("An interrupted run's work found in %s: everything put back as it was", Setup.InstallPath);
}

void RemoveWhatThisRunWrote()
{
    if (Staged) {
        // All the run wrote is in the work area: the folder keeps exactly what it held.
        DiscardWorkArea(Setup.InstallPath);
        Staged = false;
        Log("Removed the files of this run; the folder is as it was: %s", Setup.InstallPath);
        return;
    }
    if (!Extracted.began) return;
    RemoveTree(Setup.InstallPath);
    Log("Removed the files of this run: %s", Setup.InstallPath);
}

int UninstallSteps(void (*between)(UINT nextText))
{
    StepFailed = false;
    std::wstring held;
    const int removed = RemoveInstalledFiles(held);
    if (removed == 0) Log("No install record: no files to remove");
    else if (removed == 1) Log("Removed the game's folder, as the install record names it");
    // What stays keeps its records and links, so that a later uninstall can still take it.
    if (removed == 3) {
        InUse = held;
        Log("FAILED: a file of the game is in use: %s; nothing was removed", Printable(held).c_str());
        return ExitInUse;
    }
    if (removed == 2) {
        Log("FAILED: the game's folder could not be removed in full; the links and records stay");
        return ExitFailed;
    }
    // The game is gone: the links and the records go as far as they will, each whatever became of
    // the other.
    between(IDS_REMOVING_ICONS);
    const DWORD links = RemoveShortcuts();
    if (links == ERROR_SUCCESS) Log("Removed the program group and the desktop link");
    else LogFailure("the program group or the desktop link could not be removed", links);
    between(IDS_REMOVING_REGISTRY);
    const DWORD records = DeleteInstallRecords();
    if (records == ERROR_SUCCESS) Log("Removed the records");
    else LogFailure("a record (install record, Add/Remove Programs entry or lobby registration) could not be removed",
                    records);
    StepFailed = links != ERROR_SUCCESS || records != ERROR_SUCCESS;
    return ExitDone;
}

std::uint64_t MeasureSetupPackage(const ExtractionHooks& hooks)
{
    PackageSize = MeasurePackage(Setup.PackagePath, hooks);
    return PackageSize;
}

Extraction ExtractSetupPackage() { return ExtractPackage(Setup.PackagePath, Setup.InstallPath, PackageSize, WindowHooks); }

void RunInstallation()
{
    switch (CheckDestination()) {
    case ExitFailed: ShowMessage(Text(IDS_BAD_FOLDER)); return;
    case ExitNoSpace: ShowMessage(Text(IDS_NO_SPACE)); return;
    }
    RunCheckedInstallation();
}

void RunCheckedInstallation()
{
    Setup.RunUnderWay = InstallRun;
    Setup.Screen = ProgressScreen;
    Setup.CancelRequested = 0;
    Extracted = Extraction{};
    Staged = false;
    InUse.clear();
    StepFailed = false;
    StatusPhase(Text(IDS_PREPARING));
    PauseDroppingInput(700);
    MeasureSetupPackage();
    if (!RunStopping() && !RoomForPackage()) {
        // Nothing written: the player chooses another folder, as after the fixed check.
        EndStatus();
        Setup.RunUnderWay = NoRun;
        Setup.Screen = DestinationScreen;
        MeasureFreeSpaceAgain();
        PaintScreen();
        ShowMessage(Text(IDS_NO_SPACE));
        return;
    }
    // A close confirmed while the package was measured stops the run before anything is written.
    const bool stoppedEarly = RunStopping();
    const int result = stoppedEarly ? RunAborted : InstallFiles(WindowHooks, KeepWindowAliveBetweenMoves);
    // The Cancel asked during the last moves, answered only once they were done, comes too late.
    if (result == RunInstalled) Setup.CancelRequested = 0;
    if (stoppedEarly) {
        Extracted.result = RunAborted;
        LogExtraction(Extracted);
    }
    if (result == RunInstalled) {
        FinishInstallation();
    } else {
        Setup.Screen = FinishScreen;
        Setup.Installed = 0;
        RefreshAvailability();
        Setup.RunResult = result;
        PaintScreen();
        CleanUpAfterFailedRun();
        if (!InUse.empty()) ShowMessage(Text(IDS_IN_USE));
    }
    Setup.RunUnderWay = NoRun;
}

void CleanUpAfterFailedRun()
{
    StatusPhase(Text(IDS_REMOVING_FILES));
    PauseDroppingInput(500);
    // Only what this run may have written goes: when no entry was extracted, the folder holds
    // nothing of this run's, and on a Reinstall it holds the earlier installation.
    RemoveWhatThisRunWrote();
    EndStatus();
    Setup.Installed = 0;
    RefreshAvailability();
    PaintScreen();
    PauseDroppingInput(500);
}

void RunUninstall()
{
    if (!AskYesNo(Text(IDS_ASK_UNINSTALL))) return;
    const int code = RunConfirmedUninstall();
    // Anything short of the whole (a file in use, something that stayed) left every record and
    // link in place: the game is to be closed and the uninstall tried again.
    if (Setup.Window) ShowMessage(Text(code == ExitDone ? IDS_UNINSTALLED : IDS_IN_USE));
}

int RunConfirmedUninstall()
{
    Setup.RunUnderWay = UninstallRun;
    StatusPhase(Text(IDS_REMOVING_FILES));
    PauseDroppingInput(500);
    const int code = UninstallSteps([](UINT nextText) {
        NextStatus(Text(nextText));
        PauseDroppingInput(500);
    });
    EndStatus();
    Setup.Installed = code != ExitDone;
    RefreshAvailability();
    Setup.RunUnderWay = NoRun;
    // A close asked for while the confirmed removal ran is carried out now that it is done.
    if (Setup.CloseAfterRun) {
        Setup.CloseAfterRun = 0;
        if (Setup.Window) DestroyWindow(Setup.Window);
        return code;
    }
    PaintScreen();
    PauseDroppingInput(500);
    return code;
}
