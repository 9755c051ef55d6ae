// The fixed picture of the program: the layout table, text formats, the button records and groups.
#ifndef MARVOLEN_LAYOUT_H
#define MARVOLEN_LAYOUT_H

#include <windows.h>

#include <iterator>

#include "base/types.h"
#include "ui/layout_table.h"

// DrawTextA formats.
constexpr UINT CentredLine = DT_CENTER | DT_VCENTER | DT_SINGLELINE;
constexpr UINT LeftLine = DT_VCENTER | DT_SINGLELINE;
constexpr UINT Wrapped = DT_CENTER | DT_VCENTER | DT_WORDBREAK;

// Every button by name; actions and availability rules name buttons, never places.
enum ButtonId : int {
    InstallOrPlayButton, WebSiteButton, ReinstallButton, UninstallButton, DirectXButton, ExitButton,
    BrowseButton, BackButton, ContinueButton, DesktopIconBox,
    CancelButton,
    PlayNowButton, RegistrationButton, ReadMeButton, SetupMenuButton,
    OkButton, YesButton, NoButton,
};

// The colour is the button's state: NormalColour available, HighlightColour lit (the only state
// in which a press acts), DisabledColour unavailable.
struct ScreenButton {
    const char* label;
    COLORREF colour;
    const RECT* rect;
    ButtonId id;
};

// The buttons of one screen or one prompt, in their order, with what they belong to.
struct ButtonGroup {
    ScreenButton* buttons;
    int count;
    ScreenId screen;   // the screen whose group this is, for a prompt's group the screen below
    PromptKinds prompt;   // the prompt kind whose group this is, NoPrompt for a screen's group
};

// One record per button; a group's size is that of its rectangles in the layout table.
extern ScreenButton MainMenuButtons[std::size(Layout::MainMenuRects)];
extern ScreenButton DestinationButtons[std::size(Layout::DestinationRects)];
extern ScreenButton ProgressButtons[std::size(Layout::ProgressRects)];
extern ScreenButton FinishButtons[std::size(Layout::FinishRects)];
extern ScreenButton MessageButtons[std::size(Layout::MessageRects)];
extern ScreenButton QuestionButtons[std::size(Layout::QuestionRects)];

// The buttons that hover and click test: the open prompt's, else the current screen's.
ButtonGroup LiveGroup();
ButtonGroup ScreenGroup(ScreenId screen);
ButtonGroup PromptGroup(PromptKinds kind);

// The record of a button.
ScreenButton& Button(ButtonId id);

// Re-derives the menu's first label and the buttons' availability from Installed and
// UninstallerMode.
void RefreshAvailability();

// Restores every button's label and colour to those it has when the program starts.
void ResetButtons();

#endif
