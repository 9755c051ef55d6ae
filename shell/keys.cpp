#include "shell/keys.h"

#include "base/state.h"
#include "shell/input.h"
#include "ui/layout.h"

namespace {

// The lit button of the group, or -1. The mouse and the keys share it: it is the colour.
int LitIndex(const ButtonGroup& group)
{
    for (int i = 0; i < group.count; ++i)
        if (group.buttons[i].colour == HighlightColour) return i;
    return -1;
}

// Lights the next (step 1) or previous (step -1) available button after the lit one, wrapping;
// the old one goes dark, as under the mouse.
void MoveLight(const ButtonGroup& group, int step)
{
    const int lit = LitIndex(group);
    int next = lit;
    for (int tried = 0; tried < group.count; ++tried) {
        next = next < 0 ? (step > 0 ? 0 : group.count - 1) : (next + step + group.count) % group.count;
        if (group.buttons[next].colour != DisabledColour) break;
    }
    if (next < 0 || next == lit || group.buttons[next].colour == DisabledColour) return;
    Light(group, next);
}

// The button that takes the way out of each screen and prompt.
ButtonId WayOut(const ButtonGroup& group)
{
    if (group.prompt == QuestionPrompt) return NoButton;
    if (group.prompt == MessagePrompt) return OkButton;
    switch (group.screen) {
    case DestinationScreen: return BackButton;
    case ProgressScreen: return CancelButton;
    case FinishScreen: return SetupMenuButton;
    case MainMenu: break;
    }
    return ExitButton;
}

}  // namespace

bool KeyPressed(WPARAM key, bool repeat)
{
    const ButtonGroup group = LiveGroup();
    const bool shift = GetKeyState(VK_SHIFT) < 0;
    switch (key) {
    case VK_TAB: MoveLight(group, shift ? -1 : 1); return true;
    case VK_DOWN:
    case VK_RIGHT: MoveLight(group, 1); return true;
    case VK_UP:
    case VK_LEFT: MoveLight(group, -1); return true;
    case VK_RETURN:
    case VK_SPACE: {
        // Held on "Play Now", a repeating Enter would start a game per repeat.
        const int lit = LitIndex(group);
        if (lit >= 0 && !repeat) Press(group, lit);
        return true;
    }
    case VK_ESCAPE: {
        if (repeat) return true;
        const ButtonId out = WayOut(group);
        for (int i = 0; i < group.count; ++i)
            if (group.buttons[i].id == out && group.buttons[i].colour != DisabledColour) {
                Press(group, i);
                break;
            }
        return true;
    }
    }
    return false;
}
