#include "ui/layout.h"

#include "base/texts.h"

using namespace Layout;

ScreenButton MainMenuButtons[6];
ScreenButton DestinationButtons[4];
ScreenButton ProgressButtons[1];
ScreenButton FinishButtons[4];
ScreenButton MessageButtons[1];
ScreenButton QuestionButtons[2];

namespace {

struct ButtonStart {
    ScreenButton* button;
    UINT label;             // 0: the check box, whose label is never drawn
    COLORREF colour;
    const RECT* rect;
};

// Labels and starting colours. Reinstall and Uninstall start unavailable; start-up then
// settles every availability from the install record.
constexpr ButtonStart Buttons[] = {
    {&MainMenuButtons[0], IDS_INSTALL, NormalColour, &MainMenuRects[0]},
    {&MainMenuButtons[1], IDS_WWW, NormalColour, &MainMenuRects[1]},
    {&MainMenuButtons[2], IDS_REINSTALL, DisabledColour, &MainMenuRects[2]},
    {&MainMenuButtons[3], IDS_UNINSTALL, DisabledColour, &MainMenuRects[3]},
    {&MainMenuButtons[4], IDS_DIRECTX, NormalColour, &MainMenuRects[4]},
    {&MainMenuButtons[5], IDS_EXIT, NormalColour, &MainMenuRects[5]},
    {&DestinationButtons[0], IDS_BROWSE, NormalColour, &DestinationRects[0]},
    {&DestinationButtons[1], IDS_BACK, NormalColour, &DestinationRects[1]},
    {&DestinationButtons[2], IDS_CONTINUE, NormalColour, &DestinationRects[2]},
    {&DestinationButtons[3], 0, NormalColour, &DestinationRects[3]},
    {&ProgressButtons[0], IDS_CANCEL, NormalColour, &ProgressRects[0]},
    {&FinishButtons[0], IDS_PLAY_NOW, NormalColour, &FinishRects[0]},
    {&FinishButtons[1], IDS_REGISTRATION, NormalColour, &FinishRects[1]},
    {&FinishButtons[2], IDS_VIEW_README, NormalColour, &FinishRects[2]},
    {&FinishButtons[3], IDS_SETUP_MENU, NormalColour, &FinishRects[3]},
    {&MessageButtons[0], IDS_OK, NormalColour, &MessageRects[0]},
    {&QuestionButtons[0], IDS_YES, NormalColour, &QuestionRects[0]},
    {&QuestionButtons[1], IDS_NO, NormalColour, &QuestionRects[1]},
};

struct ResetAtLoad {
    ResetAtLoad() { ResetButtons(); }
} resetAtLoad;

}  // namespace

void ResetButtons()
{
    static const char Unlabelled[] = "";
    for (const ButtonStart& start : Buttons)
        *start.button = {start.label ? Text(start.label) : Unlabelled, start.colour, start.rect};
}

ButtonGroup ScreenGroup(ScreenId screen)
{
    switch (screen) {
    case DestinationScreen: return {DestinationButtons, 4};
    case FinishScreen: return {FinishButtons, 4};
    case ProgressScreen: return {ProgressButtons, 1};
    case MainMenu: break;
    }
    return {MainMenuButtons, 6};
}

ButtonGroup LiveGroup()
{
    if (Setup.PromptKind == QuestionPrompt) return {QuestionButtons, 2};
    if (Setup.PromptKind == MessagePrompt) return {MessageButtons, 1};
    return ScreenGroup(Setup.Screen);
}
