// The program-wide state. One instance lives for the whole run; every subsystem reads it. It is
// kept in four parts, each with its own writers (docs/ARCHITECTURE.md names them).
#ifndef MARVOLEN_STATE_H
#define MARVOLEN_STATE_H

#include <windows.h>

#include "base/outcome.h"
#include "base/types.h"

// What the window shows: the painter and the reader read it.
struct ShownState {
    ScreenId Screen = MainMenu;
    bool Busy = true;                // dimmed, mouse ignored unless a prompt is up
    bool StatusPanelShown = true;    // a status phase (see ShowStatus)
    const char* StatusText = nullptr;
    PromptKinds PromptKind = NoPrompt;
    const char* PromptText = nullptr;   // an open prompt's words
    bool PromptPending = false;
    bool PromptAnswer = false;
    int ProgressStep = -1;           // -1: no progress frames
    RunOutcome RunResult = RunFailed;   // which finish the finish screen shows
    // The scale the window is drawn at, in dots per inch: its monitor's, or less where the window
    // would not fit there. 96 is the layout table's own (ui/scale.h).
    int Dpi = 96;
};

// What the runs know and decide.
struct RunState {
    bool Installed = false;
    bool UninstallerMode = false;
    bool DesktopIconWanted = false;
    bool CancelRequested = false;
    RunKinds RunUnderWay = NoRun;
    bool CloseAfterRun = false;      // a close asked for during an uninstall run, carried out at its end
    bool SessionEnding = false;      // Windows is shutting down or logging off: every run stops
    OlderOverNewer Downgrade = OlderOverNewer::Refused;
    // How the last installation ended: a window closed after a confirmed Cancel, with none
    // completed since, exits as cancelled. None yet: nothing was installed.
    Happened LastInstall = Happened::NothingDone;
};

// The program's paths, and the folder of the run once chosen.
struct PathState {
    char ExePath[PathSize] = "";
    char WindowsDir[PathSize] = "";
    char SetupDir[PathSize] = "";
    char PackagePath[PathSize] = "";
    char InstallPath[PathSize] = "";   // the folder on show, as the player may still change it
    Destination Target;                // the folder of the run, once chosen (see ChooseDestination)
    char UninstallerPath[PathSize] = "";
    char LibraryPath[PathSize] = "";
};

// The process and its window.
struct ProcessState {
    HINSTANCE Instance = nullptr;
    HWND Window = nullptr;
    // A quit taken off the queue by a nested pump: every wait ends and the main loop exits.
    bool QuitRequested = false;
    int ExitCode = 0;
};

struct SetupState {
    ShownState Shown;
    RunState Run;
    PathState Paths;
    ProcessState Process;
};

extern SetupState Setup;

// A status phase begins, or its text changes: the screen dims under the status panel showing the
// text, and takes no input. nullptr: the phase ends and the screen is live again.
void ShowStatus(const char* text);

#endif
