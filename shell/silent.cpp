#include "shell/silent.h"

#include <cwchar>
#include <string>

#include "base/exit_codes.h"
#include "base/state.h"
#include "install/extract.h"
#include "shell/log.h"
#include "shell/runs.h"
#include "system/bounded_text.h"
#include "system/folder_guard.h"
#include "system/records.h"
#include "system/removal.h"

namespace {

void Nothing() {}
void NoStep(int) {}
bool SessionEnding() { return Setup.SessionEnding != 0; }

// Nothing to show and no window to keep alive.
constexpr ExtractionHooks SilentHooks = {Nothing, NoStep, Nothing, SessionEnding};

bool SameFolder(const char* one, const char* other)
{
    std::wstring first, second;
    return ResolveFolder(WideFromAnsi(one), first) && ResolveFolder(WideFromAnsi(other), second) &&
           CompareStringOrdinal(first.c_str(), -1, second.c_str(), -1, TRUE) == CSTR_EQUAL;
}

bool HoldsEntries(const char* folder)
{
    std::wstring resolved;
    if (!ResolveFolder(WideFromAnsi(folder), resolved)) return false;
    WIN32_FIND_DATAW entry;
    HANDLE listing = FindFirstFileW((VerbatimForm(resolved) + L"\\*").c_str(), &entry);
    if (listing == INVALID_HANDLE_VALUE) return false;
    bool any = false;
    do any = std::wcscmp(entry.cFileName, L".") != 0 && std::wcscmp(entry.cFileName, L"..") != 0 &&
             !IsKeptFile(resolved + L"\\" + entry.cFileName);   // the log may be written there first
    while (!any && FindNextFileW(listing, &entry));
    FindClose(listing);
    return any;
}

// The game's folder goes whole at an uninstall. A folder given with /dir that already holds
// something, and is not the installation on record, is someone else's.
bool OthersFolder(const char* folder, const char* recorded)
{
    return HoldsEntries(folder) && !(recorded[0] && SameFolder(folder, recorded));
}

}  // namespace

int TakeUnattendedDestination(const Options& options)
{
    char recorded[PathSize] = "";
    if (Setup.Installed && !CopyText(recorded, Setup.InstallPath)) return ExitFailed;
    if (options.dir[0] && !CopyText(Setup.InstallPath, options.dir)) return ExitBadSwitch;
    if (options.dir[0] && OthersFolder(Setup.InstallPath, recorded)) {
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
    BytesTotal = MeasurePackage(Setup.PackagePath, SilentHooks);
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
