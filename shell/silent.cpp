#include "shell/silent.h"

#include <string>

#include "base/exit_codes.h"
#include "base/state.h"
#include "install/extract.h"
#include "shell/log.h"
#include "shell/runs.h"
#include "system/bounded_text.h"
#include "system/folder_guard.h"
#include "system/records.h"

namespace {

void Nothing() {}
void NoStep(int) {}
bool SessionEnding() { return Setup.SessionEnding != 0; }

// Nothing to show and no window to keep alive.
constexpr ExtractionHooks SilentHooks = {Nothing, NoStep, Nothing, SessionEnding};

}  // namespace

int TakeUnattendedDestination(const Options& options)
{
    char recorded[PathSize] = "";
    if (Setup.Installed && !CopyText(recorded, Setup.InstallPath)) return ExitFailed;
    if (options.dir[0] && !CopyText(Setup.InstallPath, options.dir)) return ExitBadSwitch;
    if (options.dir[0] && IsOthersFolder(Setup.InstallPath, recorded)) {
        Log("Destination folder: %s", Setup.InstallPath);
        Log("FAILED: the folder already holds files, and no installation of the game is recorded there");
        return ExitFailed;
    }
    Setup.DesktopIconWanted = options.desktopIcon;
    return ExitDone;
}

int RunSilentInstall(const Options& options)
{
    const int taken = TakeUnattendedDestination(options);
    if (taken != ExitDone) return taken;
    const int checked = CheckDestination();
    if (checked != ExitDone) return checked;
    Log("Package: %s", Setup.PackagePath);
    MeasureSetupPackage(SilentHooks);
    if (!RoomForPackage()) return ExitNoSpace;
    const int result = InstallFiles(SilentHooks, [] { return SessionEnding() ? NextMove::RollBack : NextMove::CarryOn; });
    if (result != RunInstalled) {
        RemoveWhatThisRunWrote();
        return InstallOutcomeCode(result);
    }
    // The files are in place: the records are written whatever became of the links, so that the
    // installation can be taken off again.
    MakeShortcuts();
    MakeRecords();
    const int code = InstallOutcomeCode(RunInstalled);
    if (code == ExitDone) Log("Installed");
    return code;
}

int RunSilentUninstall()
{
    std::wstring folder;
    if (!ReadInstallDirW(folder)) {
        Log("FAILED: nothing to uninstall: no install record");
        return ExitNothingToUninstall;
    }
    // A game's folder still there (a file in use), or a link or record left, is no success to report.
    const int code = WithStepFailures(UninstallSteps([](unsigned) {}));
    if (code == ExitDone) Log("Uninstalled");
    return code;
}
