// The program-wide state. One instance lives for the whole run; every subsystem reads it.
#ifndef MARVOLEN_STATE_H
#define MARVOLEN_STATE_H

#include <windows.h>

#include "base/outcome.h"
#include "base/types.h"

struct SetupState {
    ScreenId Screen = MainMenu;
    int Busy = 1;                   // dimmed, mouse ignored unless a prompt is up
    int StatusPanelShown = 1;
    const char* StatusText = nullptr;
    int ProgressStep = -1;          // -1: no progress frames
    int PromptKind = NoPrompt;
    int Installed = 0;
    int UninstallerMode = 0;
    int DesktopIconWanted = 0;
    int CancelRequested = 0;
    int RunResult = RunFailed;      // which finish the finish screen shows
    // How the last installation ended: a window closed after a confirmed Cancel, with none
    // completed since, exits as cancelled. None yet: nothing was installed.
    Happened LastInstall = Happened::NothingDone;
    int PromptPending = 0;
    int PromptAnswer = 0;

    int RunUnderWay = NoRun;
    int CloseAfterRun = 0;          // a close asked for during an uninstall run, carried out at its end
    int SessionEnding = 0;          // Windows is shutting down or logging off: every run stops

    // A quit taken off the queue by a nested pump: every wait ends and the main loop exits.
    int QuitRequested = 0;
    int ExitCode = 0;

    char ExePath[PathSize] = "";
    char WindowsDir[PathSize] = "";
    char SetupDir[PathSize] = "";
    char PackagePath[PathSize] = "";
    char InstallPath[PathSize] = "";   // the folder on show, as the player may still change it
    Destination Target;                // the folder of the run, once chosen (see ChooseDestination)
    char UninstallerPath[PathSize] = "";
    char LibraryPath[PathSize] = "";

    HINSTANCE Instance = nullptr;
    HWND Window = nullptr;
};

extern SetupState Setup;

#endif
