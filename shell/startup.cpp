#include "shell/startup.h"

#include <cstring>
#include <objbase.h>
#include <shlobj.h>
#include <string>
#include <vector>

#include "base/names.h"
#include "base/state.h"
#include "base/texts.h"
#include "install/extract.h"
#include "resources/resource_ids.h"
#include "shell/copies.h"
#include "shell/pump.h"
#include "shell/run.h"
#include "shell/window.h"
#include "system/bounded_text.h"
#include "system/destination.h"
#include "system/folder_guard.h"
#include "system/folder_path.h"
#include "system/file_copy.h"
#include "system/records.h"
#include "ui/layout.h"
#include "ui/painter.h"

namespace {

constexpr DWORD PathReadLimit = PathSize - 1;

// A path read that fails or does not fit leaves an empty text rather than a cut one.
void KeepIfFits(char (&buffer)[PathSize], DWORD length, DWORD limit)
{
    if (length == 0 || length >= limit) buffer[0] = '\0';
}

// The program's own file and the Windows directory, each read whole or not at all.
void ReadProgramPlaces(char (&exePath)[PathSize], char (&windowsDir)[PathSize])
{
    KeepIfFits(exePath, GetModuleFileNameA(nullptr, exePath, PathReadLimit), PathReadLimit);
    KeepIfFits(windowsDir, GetWindowsDirectoryA(windowsDir, PathReadLimit), PathReadLimit);
}

bool IsUninstallerFolder(const char* folder, const char* windowsDir) { return SameFolder(folder, windowsDir); }

bool LocateProgram()
{
    ReadProgramPlaces(Setup.Paths.ExePath, Setup.Paths.WindowsDir);
    const bool derived = DeriveProgramPaths(Setup.Paths.ExePath, Setup.Paths.WindowsDir);
    ProtectFolder(Setup.Paths.SetupDir);   // never removed, whatever a record says
    // Without both paths there is nothing sound to copy, nor anywhere sound to copy it to; and an
    // older setup started over a newer installation leaves that installation's uninstaller alone.
    std::wstring installed;
    if (derived && !Setup.Run.UninstallerMode && Setup.Paths.ExePath[0] && Setup.Paths.WindowsDir[0] &&
        !NewerVersionInstalled(installed))
        RefreshUninstallerCopy();
    SetCurrentDirectoryA(Setup.Paths.SetupDir);
    return true;
}

bool LoadProgramTexts()
{
    LoadTexts();
    ShowStatus(Text(IDS_INITIALIZING));
    return true;
}

bool OpenWindow()
{
    RegisterWindowClass();
    return CreateMainWindow();
}

bool StartCom()
{
    CoInitialize(nullptr);   // for the shell links; a failure shows as links not written
    return true;
}

bool InitialPause()
{
    PauseDroppingInput(1000);   // the menu shows dimmed under "Setup Initializing..." for a moment
    return true;
}

Outcome Recovered = Succeeded();

bool LearnInstallState()
{
    // A run that died, wherever it was, is put back before the records are read: an uninstall cut
    // short brings the game's folder back under its name.
    Recovered = RecoverInterruptedRun();
    DefaultDestination(Setup.Paths.InstallPath, Setup.Paths.WindowsDir);
    char recorded[PathSize];
    Setup.Run.Installed = ReadInstallDir(recorded) && CopyText(Setup.Paths.InstallPath, recorded);
    RefreshAvailability();
    return true;
}

bool WriteUnrarLibrary()
{
    char systemDir[PathSize];
    const DWORD limit = PathSize - 2;
    const DWORD length = GetSystemDirectoryA(systemDir, limit);
    char systemCopy[PathSize];
    if (length == 0 || length >= limit || !JoinText(systemCopy, systemDir, LibrarySuffix) ||
        !ChooseLibrary(systemCopy, Setup.Paths.LibraryPath))
        Setup.Paths.LibraryPath[0] = '\0';
    UseLibraryFile(Setup.Paths.LibraryPath);   // none: no library is loaded, and an installation fails
    return true;
}

bool GoLive()
{
    ShowStatus(nullptr);
    PaintScreen();
    return true;
}

}  // namespace

const StartUpStep StartUpSteps[] = {
    {"program paths and uninstaller copy", LocateProgram, false, false},
    {"texts", LoadProgramTexts, false, false},
    {"window", OpenWindow, false, true},
    {"COM", StartCom, false, false},
    {"pause", InitialPause, true, true},
    {"install state", LearnInstallState, false, false},
    {"library copy", WriteUnrarLibrary, false, false},
    {"live menu paint", GoLive, false, true},
};
const int StartUpStepCount = sizeof StartUpSteps / sizeof StartUpSteps[0];

bool DeriveProgramPaths(const char* exePath, const char* windowsDir)
{
    char folder[PathSize];
    if (!CopyText(folder, FolderOf(exePath).c_str())) return false;

    Setup.Run.UninstallerMode = IsUninstallerFolder(folder, windowsDir);
    // The uninstaller copy lives in the Windows directory.
    return JoinText(Setup.Paths.UninstallerPath, windowsDir, UninstallerSuffix) &&
           JoinText(Setup.Paths.SetupDir, folder, "\\") && JoinText(Setup.Paths.PackagePath, Setup.Paths.SetupDir, PackageName);
}

bool StartedAsUninstaller()
{
    char exePath[PathSize] = "", windowsDir[PathSize] = "";
    ReadProgramPlaces(exePath, windowsDir);
    return exePath[0] && windowsDir[0] && IsUninstallerFolder(FolderOf(exePath).c_str(), windowsDir);
}

const Outcome& RecoveryAtStart() { return Recovered; }

bool StartUp(HINSTANCE instance)
{
    Setup.Process.Instance = instance;
    for (const StartUpStep& step : StartUpSteps)
        if (!step.run()) return false;   // only the window can fail, and nothing after it happens
    return true;
}

void StartUpWithoutWindow(HINSTANCE instance)
{
    Setup.Process.Instance = instance;
    for (const StartUpStep& step : StartUpSteps)
        if (!step.window) step.run();
}
