#include "shell/passive.h"

#include <string>

#include "base/exit_codes.h"
#include "base/state.h"
#include "shell/log.h"
#include "shell/runs.h"
#include "shell/silent.h"
#include "shell/pump.h"
#include "system/records.h"

namespace {

// Long enough to read the finish heading; the pump keeps the window answering meanwhile.
void ShowFinishForAMoment()
{
    constexpr DWORD Moment = 3000;
    const DWORD start = GetTickCount();
    for (DWORD elapsed = 0; elapsed < Moment && !Setup.QuitRequested && Setup.Window; elapsed = GetTickCount() - start) {
        WaitForMessage(Moment - elapsed);
        PumpMessages();
    }
}

}  // namespace

int RunPassiveUninstall()
{
    std::wstring folder;
    if (!ReadInstallDirW(folder)) {
        Log("FAILED: nothing to uninstall: no install record");
        if (Setup.Window) DestroyWindow(Setup.Window);
        return ExitNothingToUninstall;
    }
    const int code = WithStepFailures(RunConfirmedUninstall());
    if (code == ExitDone) Log("Uninstalled");
    ShowFinishForAMoment();
    if (Setup.Window) DestroyWindow(Setup.Window);
    return code;
}

int RunPassiveInstall(const Options& options)
{
    int code = TakeUnattendedDestination(options);
    if (code == ExitDone) code = CheckDestination();
    if (code == ExitDone) {
        RunCheckedInstallation();
        // As unattended, and the player's Cancel answered Yes besides.
        code = Setup.RunResult == RunAborted && Setup.CancelRequested ? ExitCancelled
                                                                       : InstallOutcomeCode(Setup.RunResult);
        if (code == ExitDone) Log("Installed");
        ShowFinishForAMoment();
    }
    if (Setup.Window) DestroyWindow(Setup.Window);
    return code;
}
