#include "shell/silent.h"

#include <string>

#include "base/exit_codes.h"
#include "base/state.h"
#include "install/extract.h"
#include "shell/log.h"
#include "shell/runs.h"
#include "system/folder_path.h"

namespace {

void Nothing() {}
void NoStep(int) {}
void NoPause(UINT) {}
bool SessionEnding() { return Setup.SessionEnding != 0; }

// Nothing to show and no window to keep alive.
constexpr ExtractionHooks SilentHooks = {Nothing, NoStep, Nothing, SessionEnding};

}  // namespace

Outcome TakeUnattendedDestination(const Options& options)
{
    Setup.DesktopIconWanted = options.desktopIcon;
    return CheckDestination(options.dir.empty() ? WideFromAnsi(Setup.InstallPath) : options.dir);
}

int RunSilentInstall(const Options& options)
{
    Outcome outcome = TakeUnattendedDestination(options);
    if (outcome.Done()) {
        Log("Package: %s", Setup.PackagePath);
        outcome = PrepareFiles(SilentHooks);
    }
    if (outcome.Done())
        outcome = InstallFiles(SilentHooks, [] { return SessionEnding() ? NextMove::RollBack : NextMove::CarryOn; });
    if (outcome.Done()) {
        outcome = MakeLinksAndRecords(NoPause);
    } else {
        const Outcome removed = RemoveWhatThisRunWrote();
        if (!removed.Done()) outcome = removed;
    }
    if (outcome.Done()) Log("Installed");
    return ExitCodeFor(outcome.what);
}

int RunSilentUninstall()
{
    // A game's folder still there (a file in use), or a link or record left, is no success to report.
    const Outcome outcome = UninstallSteps(NoPause);
    if (outcome.Done()) Log("Uninstalled");
    return ExitCodeFor(outcome.what);
}
