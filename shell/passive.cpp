#include "shell/passive.h"

#include "base/state.h"
#include "shell/pump.h"
#include "shell/silent.h"
#include "shell/window_face.h"

namespace {

// Long enough to read the finish; the window answers meanwhile. What the windowed run would say
// in a message is the exit code here (and a line of the log): nobody is asked to click anything.
int CloseAfterAMoment(const Outcome& outcome)
{
    constexpr DWORD Moment = 3000;
    const DWORD start = GetTickCount();
    for (DWORD elapsed = 0; elapsed < Moment && !Setup.Process.QuitRequested && Setup.Process.Window; elapsed = GetTickCount() - start) {
        WaitForMessage(Moment - elapsed);
        PumpMessages();
    }
    if (Setup.Process.Window) DestroyWindow(Setup.Process.Window);
    return ExitCodeFor(outcome.what);
}

}  // namespace

int RunPassiveInstall(const Options& options) { return CloseAfterAMoment(InstallWithWindow(UnattendedFolder(options))); }

int RunPassiveUninstall() { return CloseAfterAMoment(UninstallWithWindow()); }
