#include "shell/flow.h"

#include <shellapi.h>

#include "base/names.h"
#include "base/state.h"
#include "base/texts.h"
#include "shell/prompts.h"
#include "shell/runs.h"
#include "system/bounded_text.h"
#include "system/destination.h"
#include "ui/painter.h"

namespace {

void ShowScreen(ScreenId screen)
{
    Setup.Screen = screen;
    PaintScreen();
}

void OpenWithShell(const char* target)
{
    ShellExecuteA(Setup.Window, "open", target, nullptr, nullptr, SW_SHOWNORMAL);   // failures go unreported
}

void OpenBesideSetup(const char* name)
{
    char path[PathSize];
    if (JoinText(path, Setup.SetupDir, name)) OpenWithShell(path);
}

void RunGame()
{
    char game[PathSize];
    char commandLine[PathSize + 2];
    if (!JoinText(game, Setup.InstallPath, GameExecutableSuffix) || !JoinText(commandLine, "\"", game) ||
        !AppendText(commandLine, "\""))
        return;
    // By its explicit path and a quoted command line, so that no "C:\Program.exe" is started in
    // its place, in the game's own folder. The setup keeps its working directory: a process
    // working in the game's folder would keep an uninstall from removing it.
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = SW_SHOWNORMAL;
    PROCESS_INFORMATION process;
    if (!CreateProcessA(game, commandLine, nullptr, nullptr, FALSE, 0, nullptr, Setup.InstallPath, &startup, &process))
        return;   // the setup stays; a game that does not start goes unreported
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
}

void MainMenuAction(int index)
{
    switch (index) {
    case 0:
        if (Setup.Installed) RunGame();
        else ShowScreen(DestinationScreen);
        break;
    case 1: OpenWithShell(Text(IDS_GAME_SITE)); break;
    case 2: ShowScreen(DestinationScreen); break;
    case 3: RunUninstall(); break;
    case 4: OpenBesideSetup(DirectXSetupName); break;
    case 5: PostQuitMessage(0); break;
    }
}

void DestinationAction(int index)
{
    switch (index) {
    case 0:
        // The new folder shows at the next paint, which the pointer's next move brings.
        BrowseDestination(Setup.InstallPath, Text(IDS_BROWSE_TITLE), Setup.Window);
        break;
    case 1: ShowScreen(MainMenu); break;
    case 2: RunInstallation(); break;
    case 3:
        Setup.DesktopIconWanted = !Setup.DesktopIconWanted;
        PaintScreen();
        break;
    }
}

void FinishAction(int index)
{
    switch (index) {
    case 0: RunGame(); break;
    case 1: OpenWithShell(Text(IDS_REGISTRATION_PAGE)); break;
    case 2: OpenBesideSetup(ReadMeName); break;
    case 3: ShowScreen(MainMenu); break;
    }
}

void ProgressAction()
{
    // Cancel: the run stops before its next entry once the user confirms.
    if (AskYesNo(Text(IDS_ASK_ABORT))) Setup.CancelRequested = 1;
}

}  // namespace

void RequestClose()
{
    if (Setup.PromptKind != NoPrompt) {
        // A close answers the open prompt as No, a message as OK; during an installation that
        // is all it does, and the run goes on.
        PromptButtonAction(Setup.PromptKind, Setup.PromptKind == QuestionPrompt ? 1 : 0);
        if (Setup.RunUnderWay != InstallRun && Setup.Window) DestroyWindow(Setup.Window);
        return;
    }
    switch (Setup.RunUnderWay) {
    case InstallRun:
        // As Cancel does: only a confirmed Yes stops the run, and only what it wrote is removed.
        if (!Setup.CancelRequested) ProgressAction();
        return;
    case UninstallRun:
        Setup.CloseAfterRun = 1;   // already confirmed, and over in seconds
        return;
    }
    if (Setup.Window) DestroyWindow(Setup.Window);
}

void RefreshAvailability()
{
    // The buttons that only make sense with the game on disk.
    ScreenButton* const needInstall[] = {&MainMenuButtons[2], &MainMenuButtons[3], &FinishButtons[0],
                                         &FinishButtons[1], &FinishButtons[2]};
    MainMenuButtons[0].label = Setup.Installed ? Text(IDS_PLAY) : Text(IDS_INSTALL);
    for (ScreenButton* button : needInstall) button->colour = Setup.Installed ? NormalColour : DisabledColour;
    // The copy in the Windows directory only uninstalls.
    if (Setup.UninstallerMode) {
        MainMenuButtons[0].colour = DisabledColour;
        MainMenuButtons[2].colour = DisabledColour;
    }
}

void ButtonAction(const ButtonGroup& group, int index)
{
    if (group.buttons == MessageButtons) PromptButtonAction(MessagePrompt, index);
    else if (group.buttons == QuestionButtons) PromptButtonAction(QuestionPrompt, index);
    else if (group.buttons == ProgressButtons) ProgressAction();
    else if (group.buttons == MainMenuButtons) MainMenuAction(index);
    else if (group.buttons == DestinationButtons) DestinationAction(index);
    else if (group.buttons == FinishButtons) FinishAction(index);
}
