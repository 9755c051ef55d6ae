#include "shell/flow.h"

#include <shellapi.h>
#include <string>

#include "base/names.h"
#include "base/state.h"
#include "base/texts.h"
#include "shell/log.h"
#include "shell/prompts.h"
#include "shell/window_face.h"
#include "system/bounded_text.h"
#include "system/destination.h"
#include "system/records.h"
#include "ui/painter.h"
#include "ui/screen_items.h"

namespace {

void ShowScreen(ScreenId screen)
{
    if (screen == DestinationScreen) MeasureFreeSpaceAgain();   // the drive may have changed meanwhile
    Setup.Shown.Screen = screen;
    PaintScreen();
}

// What ShellExecute's small failure numbers stand for among the system's errors; those up to 11
// are the system's own.
DWORD ShellError(INT_PTR result)
{
    switch (result) {
    case 0: return ERROR_OUTOFMEMORY;
    case SE_ERR_SHARE: return ERROR_SHARING_VIOLATION;
    case SE_ERR_ASSOCINCOMPLETE:
    case SE_ERR_NOASSOC: return ERROR_NO_ASSOCIATION;
    case SE_ERR_DDETIMEOUT:
    case SE_ERR_DDEFAIL:
    case SE_ERR_DDEBUSY: return ERROR_DDE_FAIL;
    case SE_ERR_DLLNOTFOUND: return ERROR_DLL_NOT_FOUND;
    default: return static_cast<DWORD>(result);
    }
}

// The setup stays as it is when a page or file does not open; the log says why.
void OpenWithShell(const char* target)
{
    const INT_PTR result =
        reinterpret_cast<INT_PTR>(ShellExecuteA(Setup.Process.Window, "open", target, nullptr, nullptr, SW_SHOWNORMAL));
    if (result > 32) return;
    const std::string what = std::string("could not open ") + target;
    LogFailure(what.c_str(), ShellError(result));
}

void OpenBesideSetup(const char* name)
{
    char path[PathSize];
    if (JoinText(path, Setup.Paths.SetupDir, name)) OpenWithShell(path);
}

void RunGame()
{
    // The installed game, as its record names it: the destination on screen may since have been
    // browsed to another folder and left with Back.
    char folder[PathSize];
    char game[PathSize];
    char commandLine[PathSize + 2];
    if (!ReadInstallDir(folder) || !JoinText(game, folder, GameExecutableSuffix) ||
        !JoinText(commandLine, "\"", game) || !AppendText(commandLine, "\""))
        return;
    // By its explicit path and a quoted command line, so that no "C:\Program.exe" is started in
    // its place, in the game's own folder. The setup keeps its working directory: a process
    // working in the game's folder would keep an uninstall from removing it.
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = SW_SHOWNORMAL;
    PROCESS_INFORMATION process;
    if (!CreateProcessA(game, commandLine, nullptr, nullptr, FALSE, 0, nullptr, folder, &startup, &process)) {
        // The setup stays; the log says why the game did not start.
        const DWORD error = GetLastError();
        const std::string what = std::string("the game could not be started: ") + game;
        return LogFailure(what.c_str(), error);
    }
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
}

void ProgressAction()
{
    // Cancel: the run stops before its next entry once the user confirms.
    if (AskYesNo(Text(IDS_ASK_ABORT))) Setup.Run.CancelRequested = true;
}

}  // namespace

void RequestClose()
{
    if (Setup.Shown.PromptKind != NoPrompt) {
        // A close answers the open prompt as No, a message as OK; during an installation that
        // is all it does, and the run goes on.
        PromptButtonAction(Setup.Shown.PromptKind == QuestionPrompt ? NoButton : OkButton);
        if (Setup.Run.RunUnderWay != InstallRun && Setup.Process.Window) DestroyWindow(Setup.Process.Window);
        return;
    }
    switch (Setup.Run.RunUnderWay) {
    case InstallRun:
        // As Cancel does: only a confirmed Yes stops the run, and only what it wrote is removed.
        if (!Setup.Run.CancelRequested) ProgressAction();
        return;
    case UninstallRun:
        Setup.Run.CloseAfterRun = true;   // already confirmed, and over in seconds
        return;
    case NoRun:
        if (Setup.Process.Window) DestroyWindow(Setup.Process.Window);
        return;
    }
}

void ButtonAction(const ButtonGroup& group, int index)
{
    switch (group.buttons[index].id) {
    case InstallOrPlayButton:
        if (Setup.Run.Installed) RunGame();
        else ShowScreen(DestinationScreen);
        break;
    case WebSiteButton: OpenWithShell(Text(IDS_GAME_SITE)); break;
    case ReinstallButton: ShowScreen(DestinationScreen); break;
    case UninstallButton: RunUninstall(); break;
    case DirectXButton: OpenBesideSetup(DirectXSetupName); break;
    case ExitButton: PostQuitMessage(0); break;

    case BrowseButton:
        // The new folder shows at the next paint, which the pointer's next move brings.
        BrowseDestination(Setup.Paths.InstallPath, WideText(IDS_BROWSE_TITLE).c_str(), Setup.Process.Window);
        break;
    case BackButton: ShowScreen(MainMenu); break;
    case ContinueButton: RunInstallation(); break;
    case DesktopIconBox:
        Setup.Run.DesktopIconWanted = !Setup.Run.DesktopIconWanted;
        PaintScreen();
        break;

    case CancelButton: ProgressAction(); break;

    case PlayNowButton: RunGame(); break;
    case RegistrationButton: OpenWithShell(Text(IDS_REGISTRATION_PAGE)); break;
    case ReadMeButton: OpenBesideSetup(ReadMeName); break;
    case SetupMenuButton:
        // A failed or aborted run leaves an earlier installation as it was: the game on record
        // is there to play again.
        if (!Setup.Run.Installed) {
            char recorded[PathSize];
            Setup.Run.Installed = ReadInstallDir(recorded) && CopyText(Setup.Paths.InstallPath, recorded);
            RefreshAvailability();
        }
        ShowScreen(MainMenu);
        break;

    case OkButton:
    case YesButton:
    case NoButton: PromptButtonAction(group.buttons[index].id); break;   // a prompt's buttons answer it
    }
}
