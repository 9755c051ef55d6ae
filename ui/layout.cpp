#include "ui/layout.h"

#include "base/state.h"
#include "base/texts.h"
#include "resources/resource_ids.h"

using namespace Layout;

ScreenButton MainMenuButtons[std::size(MainMenuRects)];
ScreenButton DestinationButtons[std::size(DestinationRects)];
ScreenButton ProgressButtons[std::size(ProgressRects)];
ScreenButton FinishButtons[std::size(FinishRects)];
ScreenButton MessageButtons[std::size(MessageRects)];
ScreenButton QuestionButtons[std::size(QuestionRects)];

namespace {

struct ButtonStart {
    ScreenButton* button;
    ButtonId id;
    UINT label;             // 0: the check box, whose label is never drawn
    COLORREF colour;
    const RECT* rect;
};

// Names, labels and starting colours, in each group's order. Reinstall and Uninstall start
// unavailable; start-up then settles every availability from the install record.
constexpr ButtonStart Buttons[] = {
    {&MainMenuButtons[0], InstallOrPlayButton, IDS_INSTALL, NormalColour, &MainMenuRects[0]},
    {&MainMenuButtons[1], WebSiteButton, IDS_WWW, NormalColour, &MainMenuRects[1]},
    {&MainMenuButtons[2], ReinstallButton, IDS_REINSTALL, DisabledColour, &MainMenuRects[2]},
    {&MainMenuButtons[3], UninstallButton, IDS_UNINSTALL, DisabledColour, &MainMenuRects[3]},
    {&MainMenuButtons[4], DirectXButton, IDS_DIRECTX, NormalColour, &MainMenuRects[4]},
    {&MainMenuButtons[5], ExitButton, IDS_EXIT, NormalColour, &MainMenuRects[5]},
    {&DestinationButtons[0], BrowseButton, IDS_BROWSE, NormalColour, &DestinationRects[0]},
    {&DestinationButtons[1], BackButton, IDS_BACK, NormalColour, &DestinationRects[1]},
    {&DestinationButtons[2], ContinueButton, IDS_CONTINUE, NormalColour, &DestinationRects[2]},
    {&DestinationButtons[3], DesktopIconBox, 0, NormalColour, &DestinationRects[3]},
    {&ProgressButtons[0], CancelButton, IDS_CANCEL, NormalColour, &ProgressRects[0]},
    {&FinishButtons[0], PlayNowButton, IDS_PLAY_NOW, NormalColour, &FinishRects[0]},
    {&FinishButtons[1], RegistrationButton, IDS_REGISTRATION, NormalColour, &FinishRects[1]},
    {&FinishButtons[2], ReadMeButton, IDS_VIEW_README, NormalColour, &FinishRects[2]},
    {&FinishButtons[3], SetupMenuButton, IDS_SETUP_MENU, NormalColour, &FinishRects[3]},
    {&MessageButtons[0], OkButton, IDS_OK, NormalColour, &MessageRects[0]},
    {&QuestionButtons[0], YesButton, IDS_YES, NormalColour, &QuestionRects[0]},
    {&QuestionButtons[1], NoButton, IDS_NO, NormalColour, &QuestionRects[1]},
};

template <std::size_t N>
constexpr ButtonGroup Group(ScreenButton (&buttons)[N], ScreenId screen, PromptKinds prompt)
{
    return {buttons, static_cast<int>(N), screen, prompt};
}

const ButtonGroup ScreenGroups[] = {
    Group(MainMenuButtons, MainMenu, NoPrompt),
    Group(DestinationButtons, DestinationScreen, NoPrompt),
    Group(ProgressButtons, ProgressScreen, NoPrompt),
    Group(FinishButtons, FinishScreen, NoPrompt),
};

struct ResetAtLoad {
    ResetAtLoad() { ResetButtons(); }
} resetAtLoad;

}  // namespace

void ResetButtons()
{
    static const char Unlabelled[] = "";
    for (const ButtonStart& start : Buttons)
        *start.button = {start.label ? Text(start.label) : Unlabelled, start.colour, start.rect, start.id};
}

ScreenButton& Button(ButtonId id)
{
    for (const ButtonStart& start : Buttons)
        if (start.id == id) return *start.button;
    return *Buttons[0].button;   // every id has a record above
}

ButtonGroup ScreenGroup(ScreenId screen)
{
    for (const ButtonGroup& group : ScreenGroups)
        if (group.screen == screen) return group;
    return ScreenGroups[0];
}

ButtonGroup PromptGroup(PromptKinds kind)
{
    return kind == QuestionPrompt ? Group(QuestionButtons, Setup.Shown.Screen, QuestionPrompt)
                                  : Group(MessageButtons, Setup.Shown.Screen, MessagePrompt);
}

ButtonGroup LiveGroup()
{
    return Setup.Shown.PromptKind != NoPrompt ? PromptGroup(Setup.Shown.PromptKind) : ScreenGroup(Setup.Shown.Screen);
}

void RefreshAvailability()
{
    // The buttons that only make sense with the game on disk.
    constexpr ButtonId NeedInstall[] = {ReinstallButton, UninstallButton, PlayNowButton, RegistrationButton,
                                        ReadMeButton};
    Button(InstallOrPlayButton).label = Setup.Run.Installed ? Text(IDS_PLAY) : Text(IDS_INSTALL);
    for (ButtonId id : NeedInstall) Button(id).colour = Setup.Run.Installed ? NormalColour : DisabledColour;
    // The copy in the Windows directory only uninstalls.
    if (Setup.Run.UninstallerMode) {
        Button(InstallOrPlayButton).colour = DisabledColour;
        Button(ReinstallButton).colour = DisabledColour;
    }
}
