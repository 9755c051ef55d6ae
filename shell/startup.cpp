#include "shell/startup.h"

#include <cstring>
#include <objbase.h>

#include "base/exit_codes.h"
#include "base/names.h"
#include "base/state.h"
#include "base/texts.h"
#include "resources/resource_ids.h"
#include "shell/command_line.h"
#include "shell/flow.h"
#include "shell/input.h"
#include "shell/log.h"
#include "shell/runs.h"
#include "shell/silent.h"
#include "shell/window.h"
#include "system/bounded_text.h"
#include "system/destination.h"
#include "system/folder_guard.h"
#include "system/records.h"
#include "ui/painter.h"

namespace {

constexpr DWORD PathReadLimit = PathSize - 1;

// A path read that fails or does not fit leaves an empty text rather than a cut one.
void KeepIfFits(char (&buffer)[PathSize], DWORD length, DWORD limit)
{
    if (length == 0 || length >= limit) buffer[0] = '\0';
}

bool LocateProgram()
{
    KeepIfFits(Setup.ExePath, GetModuleFileNameA(nullptr, Setup.ExePath, PathReadLimit), PathReadLimit);
    KeepIfFits(Setup.WindowsDir, GetWindowsDirectoryA(Setup.WindowsDir, PathReadLimit), PathReadLimit);
    DeriveProgramPaths(Setup.ExePath, Setup.WindowsDir);
    ProtectFolder(Setup.SetupDir);   // never removed, whatever a record says
    // Without both paths there is nothing sound to copy, nor anywhere sound to copy it to.
    if (!Setup.UninstallerMode && Setup.ExePath[0] && Setup.WindowsDir[0]) RefreshUninstallerCopy();
    SetCurrentDirectoryA(Setup.SetupDir);
    return true;
}

bool LoadProgramTexts()
{
    LoadTexts();
    Setup.StatusText = Text(IDS_INITIALIZING);
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
    Sleep(1000);   // the menu shows dimmed under "Setup Initializing..." for a moment
    return true;
}

bool LearnInstallState()
{
    DefaultDestination(Setup.InstallPath, Setup.WindowsDir);
    char recorded[PathSize];
    RecoverInterruptedRun();   // a run over the default folder that died
    Setup.Installed = ReadInstallDir(recorded) && CopyText(Setup.InstallPath, recorded);
    if (Setup.Installed) RecoverInterruptedRun();
    RefreshAvailability();
    return true;
}

bool WriteUnrarLibrary()
{
    char systemDir[PathSize];
    const DWORD limit = PathSize - 2;
    const DWORD length = GetSystemDirectoryA(systemDir, limit);
    if (length > 0 && length < limit && JoinText(Setup.LibraryPath, systemDir, LibrarySuffix))
        WriteLibraryCopy(Setup.LibraryPath);
    return true;
}

bool GoLive()
{
    Setup.StatusPanelShown = 0;
    Setup.Busy = 0;
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
    if (!CopyText(folder, exePath)) return false;
    if (char* lastBackslash = std::strrchr(folder, '\\')) *lastBackslash = '\0';

    Setup.UninstallerMode = lstrcmpiA(folder, windowsDir) == 0;
    return BuildUninstallerPath(windowsDir) &&
           JoinText(Setup.SetupDir, folder, "\\") && JoinText(Setup.PackagePath, Setup.SetupDir, PackageName);
}

bool BuildUninstallerPath(const char* windowsDir)
{
    return JoinText(Setup.UninstallerPath, windowsDir, UninstallerSuffix);
}

void RefreshUninstallerCopy()
{
    // None of these results matter: whatever stands there afterwards is what the system gives.
    SetFileAttributesA(Setup.UninstallerPath, FILE_ATTRIBUTE_NORMAL);
    DeleteFileA(Setup.UninstallerPath);
    CopyFileA(Setup.ExePath, Setup.UninstallerPath, FALSE);
}

void WriteLibraryCopy(const char* path)
{
    HRSRC resource = FindResourceA(Setup.Instance, MAKEINTRESOURCEA(IDW_UNRAR_LIBRARY), "WAVE");
    HGLOBAL loaded = resource ? LoadResource(Setup.Instance, resource) : nullptr;
    const void* bytes = loaded ? LockResource(loaded) : nullptr;
    if (!bytes) return;
    const DWORD size = SizeofResource(Setup.Instance, resource);
    // A library already installed, whatever its version, is never replaced.
    if (GetFileAttributesA(path) != INVALID_FILE_ATTRIBUTES) return;

    // Written whole under a passing name beside it, then moved into place: a short write leaves
    // no truncated library that every later start would keep and every installation trip over.
    char folder[PathSize], temporary[MAX_PATH];
    if (!CopyText(folder, path)) return;
    if (char* lastBackslash = std::strrchr(folder, '\\')) *lastBackslash = '\0';
    if (!GetTempFileNameA(folder, "unr", 0, temporary)) return;
    HANDLE file = CreateFileA(temporary, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    DWORD written = 0;
    bool whole = file != INVALID_HANDLE_VALUE && WriteFile(file, bytes, size, &written, nullptr) && written == size;
    if (file != INVALID_HANDLE_VALUE) whole = CloseHandle(file) && whole;
    // MoveFileA never replaces: a library that appeared meanwhile stays as it is.
    if (!whole || !MoveFileA(temporary, path)) DeleteFileA(temporary);
}

bool StartUp(HINSTANCE instance)
{
    Setup.Instance = instance;
    for (const StartUpStep& step : StartUpSteps)
        if (!step.run()) return false;   // only the window can fail, and nothing after it happens
    return true;
}

namespace {

constexpr char Usage[] =
    "Marvolen Setup\n\n"
    "setup.exe  [/silent [/dir=<folder>] [/desktopicon]]  [/log=<file>]\n"
    "setup.exe  /uninstall /silent  [/log=<file>]\n"
    "untsetup.exe  /silent  [/log=<file>]\n\n"
    "/silent\tinstall (or uninstall) without a window or a question\n"
    "/dir\tthe game's folder, taken as given\n"
    "/desktopicon\ta link on the desktop too\n"
    "/log\ta plain-text log of every step\n\n"
    "Exit codes: 0 done, 2 failed, 3 not enough free space, 4 unknown switch,\n"
    "5 nothing to uninstall, 6 already running, 7 a file of the game in use.";

// Start-up's steps that need no window, for an unattended run.
void StartUpWithoutWindow(HINSTANCE instance)
{
    Setup.Instance = instance;
    for (const StartUpStep& step : StartUpSteps)
        if (!step.window) step.run();
}

int RunUnattended(HINSTANCE instance, const Options& options)
{
    StartUpWithoutWindow(instance);
    const int code = options.uninstall || Setup.UninstallerMode ? RunSilentUninstall() : RunSilentInstall(options);
    Log("Exit code %d", code);
    CoUninitialize();
    return code;
}

}  // namespace

int RunSetup(HINSTANCE instance, const char* arguments)
{
    Options options;
    if (!ParseCommandLine(arguments, options)) return ExitBadSwitch;
    if (options.help) {
        MessageBoxA(nullptr, Usage, "Marvolen Setup", MB_OK | MB_ICONINFORMATION);
        return ExitDone;
    }
    OpenLog(options.log);
    Log("Started with \"%s\"", arguments);
    // One setup at a time: two would extract into, and remove, the same folders. The handle is
    // left for Windows to close when the program ends.
    CreateMutexA(nullptr, FALSE, "Marvolen Setup is running");
    if (GetLastError() == ERROR_ALREADY_EXISTS) {
        Log("FAILED: another Marvolen Setup is running");
        if (!options.silent) MessageBoxA(nullptr, "Marvolen Setup is already running.", "Marvolen Setup", MB_OK | MB_ICONINFORMATION);
        return ExitAlreadyRunning;
    }
    if (options.silent) return RunUnattended(instance, options);
    if (!StartUp(instance)) {
        // Only the window can fail, and without it nothing was done: that is no success.
        LogFailure("the window could not be opened", GetLastError());
        MessageBoxA(nullptr, "Marvolen Setup could not open its window.", "Marvolen Setup", MB_OK | MB_ICONERROR);
        return ExitFailed;
    }
    const int exitCode = RunMessageLoop();
    // Exit's own click sound is still starting on a thread of its own, opening the audio device;
    // a process that ends under it can fail on the way out with a code other than the loop's.
    StopButtonSounds();
    CoUninitialize();
    return exitCode;
}
