#include "shell/silent.h"

#include <string>

#include "base/exit_codes.h"
#include "base/state.h"
#include "install/extract.h"
#include "shell/log.h"
#include "shell/runs.h"
#include "system/bounded_text.h"
#include "system/records.h"

namespace {

void Nothing() {}
void NoStep(int) {}
bool SessionEnding() { return Setup.SessionEnding != 0; }

// Nothing to show and no window to keep alive.
constexpr ExtractionHooks SilentHooks = {Nothing, NoStep, Nothing, SessionEnding};

}  // namespace

int RunSilentInstall(const Options& options)
{
    if (options.dir[0] && !CopyText(Setup.InstallPath, options.dir)) return ExitBadSwitch;
    Setup.DesktopIconWanted = options.desktopIcon;
    const int checked = CheckDestination();
    if (checked != ExitDone) return checked;
    Log("Package: %s", Setup.PackagePath);
    BytesTotal = MeasurePackage(Setup.PackagePath, SilentHooks);
    const int result = ExtractPackage(Setup.PackagePath, Setup.InstallPath, SilentHooks);
    LogExtraction(result);
    if (result != RunInstalled) {
        RemoveWhatThisRunWrote();
        return ExitFailed;
    }
    MakeShortcuts();
    MakeRecords();
    Log("Installed");
    return ExitDone;
}

int RunSilentUninstall()
{
    std::wstring folder;
    if (!ReadInstallDirW(folder)) {
        Log("FAILED: nothing to uninstall: no install record");
        return ExitNothingToUninstall;
    }
    UninstallSteps([](unsigned) {});
    Log("Uninstalled");
    return ExitDone;
}
