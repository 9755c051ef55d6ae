#include "shell/silent.h"

#include "base/state.h"
#include "shell/run.h"
#include "system/folder_path.h"

namespace {

void Nothing() {}
void NoStep(int) {}
bool SessionEnding() { return Setup.Run.SessionEnding; }
NextMove UntilSessionEnds() { return SessionEnding() ? NextMove::RollBack : NextMove::CarryOn; }
void NoRun(RunKinds) {}
void NoFinish(RunKinds, const Outcome&) {}
void NoStatus(UINT) {}
bool NobodyToAsk(const std::wstring&) { return false; }

// Nothing to show, no window to keep alive; only Windows ending the session stops a run.
constexpr ExtractionHooks SilentHooks = {Nothing, NoStep, Nothing, SessionEnding, nullptr};
constexpr RunFace SilentFace = {&SilentHooks, UntilSessionEnds, NoRun, NoFinish, NoStatus, NobodyToAsk};

}  // namespace

std::wstring UnattendedFolder(const Options& options)
{
    Setup.Run.DesktopIconWanted = options.desktopIcon;
    return options.dir.empty() ? WideFromAnsi(Setup.Paths.InstallPath) : options.dir;
}

int RunSilentInstall(const Options& options) { return ExitCodeFor(Install(SilentFace, UnattendedFolder(options)).what); }

int RunSilentUninstall() { return ExitCodeFor(Uninstall(SilentFace).what); }
