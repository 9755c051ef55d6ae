#include "shell/passive.h"

#include <string>

#include "base/exit_codes.h"
#include "base/state.h"
#include "shell/log.h"
#include "shell/runs.h"
#include "shell/silent.h"
#include "shell/pump.h"

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

// What the windowed run would say in a message is a line of the log here, and its exit code:
// nobody is asked to click anything.
int Closing(const Outcome& outcome, const char* done)
{
    if (outcome.Done()) Log("%s", done);
    if (Setup.Window) DestroyWindow(Setup.Window);
    return ExitCodeFor(outcome.what);
}

}  // namespace

int RunPassiveUninstall()
{
    const Outcome outcome = RunConfirmedUninstall();
    if (outcome.what != Happened::NothingToUninstall) ShowFinishForAMoment();
    return Closing(outcome, "Uninstalled");
}

int RunPassiveInstall(const Options& options)
{
    Outcome outcome = TakeUnattendedDestination(options);
    if (outcome.Done()) {
        outcome = RunCheckedInstallation();
        ShowFinishForAMoment();
    }
    return Closing(outcome, "Installed");
}
