#include "shell/runs.h"

#include "base/exit_codes.h"
#include "base/names.h"
#include "base/state.h"
#include "base/texts.h"
#include "install/extract.h"
#include "install/shortcuts.h"
#include "shell/flow.h"
#include "shell/log.h"
#include "shell/prompts.h"
#include "shell/startup.h"
#include "shell/window.h"
#include "system/bounded_text.h"
#include "system/destination.h"
#include "system/records.h"
#include "system/removal.h"
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
    if (step >= 0) PaintScreen();   // -1 shows with the next screen's paint
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

void LogExtraction(int result)
{
    Log("Package %s: %u entries extracted, %llu bytes", Setup.PackagePath, EntriesExtracted,
        static_cast<unsigned long long>(BytesDone));
    if (result == RunAborted) Log("Installation aborted");
    if (result != RunFailed) return;
    // The system's word for the package, where it has one; the library's otherwise.
    if (GetFileAttributesA(Setup.PackagePath) == INVALID_FILE_ATTRIBUTES) LogFailure("the package", GetLastError());
    else Log("FAILED: the package is damaged, incomplete or could not be written in full");
}

void MakeShortcuts()
{
    BuildUninstallerPath(Setup.WindowsDir);
    CreateShortcuts(Setup.InstallPath, Setup.DesktopIconWanted, Setup.UninstallerPath, Text(IDS_GAME_SITE),
                    Text(IDS_MAKER_SITE), Text(IDS_PUBLISHER_SITE));
    Log("Links written in the program group%s", Setup.DesktopIconWanted ? " and on the desktop" : "");
}

void MakeRecords()
{
    const EntryDetails details = {Text(IDS_GAME_SITE), Text(IDS_PUBLISHER_SITE), BytesDone};
    WriteInstallRecords(Setup.InstallPath, Setup.UninstallerPath, Setup.SetupDir, Text(IDS_LANGUAGE),
                        Text(IDS_VERSION), details);
    Log("Records written: install record, Add/Remove Programs entry, lobby registration");
}

void RemoveWhatThisRunWrote()
{
    if (!ExtractionBegan) return;
    RemoveTree(Setup.InstallPath);
    Log("Removed the files of this run: %s", Setup.InstallPath);
}

bool UninstallSteps(void (*between)(UINT nextText))
{
    const int removed = RemoveInstalledFiles();
    if (removed == 0) Log("No install record: no files to remove");
    else if (removed == 1) Log("Removed the game's folder, as the install record names it");
    else Log("FAILED: the game's folder could not be removed in full");
    between(IDS_REMOVING_ICONS);
    RemoveShortcuts();
    Log("Removed the program group and the desktop link");
    between(IDS_REMOVING_REGISTRY);
    DeleteInstallRecords();
    Log("Removed the records");
    return removed != 2;
}

std::uint64_t MeasureSetupPackage() { return MeasurePackage(Setup.PackagePath, WindowHooks); }

int ExtractSetupPackage() { return ExtractPackage(Setup.PackagePath, Setup.InstallPath, WindowHooks); }

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
    ExtractionBegan = false;
    StatusPhase(Text(IDS_PREPARING));
    PauseDroppingInput(700);
    BytesTotal = MeasureSetupPackage();
    // A close confirmed while the package was measured stops the run before anything is written.
    const int result = RunStopping() ? RunAborted : ExtractSetupPackage();
    LogExtraction(result);
    if (result == RunInstalled) {
        FinishInstallation();
    } else {
        Setup.Screen = FinishScreen;
        Setup.Installed = 0;
        RefreshAvailability();
        Setup.RunResult = result;
        PaintScreen();
        CleanUpAfterFailedRun();
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
    RunConfirmedUninstall();
    if (Setup.Window) ShowMessage(Text(IDS_UNINSTALLED));
}

bool RunConfirmedUninstall()
{
    Setup.RunUnderWay = UninstallRun;
    StatusPhase(Text(IDS_REMOVING_FILES));
    PauseDroppingInput(500);
    const bool whole = UninstallSteps([](UINT nextText) {
        NextStatus(Text(nextText));
        PauseDroppingInput(500);
    });
    EndStatus();
    Setup.Installed = 0;
    RefreshAvailability();
    Setup.RunUnderWay = NoRun;
    // A close asked for while the confirmed removal ran is carried out now that it is done.
    if (Setup.CloseAfterRun) {
        Setup.CloseAfterRun = 0;
        if (Setup.Window) DestroyWindow(Setup.Window);
        return whole;
    }
    PaintScreen();
    PauseDroppingInput(500);
    return whole;
}
