#include "shell/input.h"

#include <mmsystem.h>

#include "base/state.h"
#include "resources/resource_ids.h"
#include "shell/flow.h"
#include "system/system_library.h"
#include "ui/layout.h"
#include "ui/painter.h"

void PlayButtonSound(int soundId)
{
    // Asynchronous: a new sound cuts off the one still playing.
    SystemPlaySound(MAKEINTRESOURCEA(soundId), Setup.Instance, SND_RESOURCE | SND_ASYNC);
}

void StopButtonSounds() { SystemPlaySound(nullptr, nullptr, 0); }

bool MouseLive() { return Setup.PromptKind != NoPrompt || !Setup.Busy; }

void Hover(POINT pointer)
{
    const ButtonGroup group = LiveGroup();
    // Light first, then darken: moving straight onto a neighbour lights it before the old one goes.
    for (int i = 0; i < group.count; ++i) {
        ScreenButton& button = group.buttons[i];
        if (PtInRect(button.rect, pointer) && button.colour == NormalColour) {
            PlayButtonSound(IDW_HOVER);
            button.colour = HighlightColour;
            PaintArea(*button.rect);
        }
    }
    for (int i = 0; i < group.count; ++i) {
        ScreenButton& button = group.buttons[i];
        if (!PtInRect(button.rect, pointer) && button.colour == HighlightColour) {
            PlayButtonSound(IDW_HOVER);
            button.colour = NormalColour;
            PaintArea(*button.rect);
        }
    }
}

void Click(POINT pointer)
{
    const ButtonGroup group = LiveGroup();
    for (int i = 0; i < group.count; ++i) {
        const ScreenButton& button = group.buttons[i];
        if (PtInRect(button.rect, pointer) && button.colour == HighlightColour) Press(group, i);
    }
}

void Press(const ButtonGroup& group, int index)
{
    PlayButtonSound(IDW_CLICK);
    ButtonAction(group, index);
}
