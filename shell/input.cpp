#include "shell/input.h"

#include <mmsystem.h>

#include "base/state.h"
#include "resources/resource_ids.h"
#include "shell/flow.h"
#include "system/system_library.h"
#include "ui/layout.h"
#include "ui/painter.h"
#include "ui/scale.h"

void PlayButtonSound(int soundId)
{
    // Asynchronous: a new sound cuts off the one still playing.
    SystemPlaySound(MAKEINTRESOURCEA(soundId), Setup.Process.Instance, SND_RESOURCE | SND_ASYNC);
}

void StopButtonSounds() { SystemPlaySound(nullptr, nullptr, 0); }

bool MouseLive() { return Setup.Shown.PromptKind != NoPrompt || !Setup.Shown.Busy; }

namespace {

// Whether the pointer, in the window's pixels, is over the button as it is drawn at the scale.
bool Under(const ScreenButton& button, POINT pointer)
{
    const RECT shown = Scaled(*button.rect);
    return PtInRect(&shown, pointer);
}

}  // namespace

void Light(const ButtonGroup& group, int index)
{
    // Light first, then darken: moving straight onto a neighbour lights it before the old one goes.
    if (index >= 0 && group.buttons[index].colour == NormalColour) {
        PlayButtonSound(IDW_HOVER);
        group.buttons[index].colour = HighlightColour;
        PaintArea(*group.buttons[index].rect);
    }
    for (int i = 0; i < group.count; ++i)
        if (i != index && group.buttons[i].colour == HighlightColour) {
            PlayButtonSound(IDW_HOVER);
            group.buttons[i].colour = NormalColour;
            PaintArea(*group.buttons[i].rect);
        }
}

void Hover(POINT pointer)
{
    const ButtonGroup group = LiveGroup();
    int under = -1;
    for (int i = 0; i < group.count; ++i)
        if (Under(group.buttons[i], pointer) && group.buttons[i].colour != DisabledColour) under = i;
    Light(group, under);
}

void Click(POINT pointer)
{
    const ButtonGroup group = LiveGroup();
    for (int i = 0; i < group.count; ++i) {
        const ScreenButton& button = group.buttons[i];
        if (Under(button, pointer) && button.colour == HighlightColour) Press(group, i);
    }
}

void Press(const ButtonGroup& group, int index)
{
    PlayButtonSound(IDW_CLICK);
    ButtonAction(group, index);
}
