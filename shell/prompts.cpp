#include "shell/prompts.h"

#include "base/state.h"
#include "shell/pump.h"
#include "ui/painter.h"

namespace {

bool Prompt(PromptKinds kind, const char* text)
{
    // A prompt may come up over a status phase (a close request while a run prepares): that
    // phase's dimming comes back once it is answered.
    Setup.Shown.Busy = true;
    Setup.Shown.PromptKind = kind;
    Setup.Shown.PromptText = text;
    Setup.Shown.PromptPending = true;
    PaintScreen();
    while (Setup.Shown.PromptPending && !Setup.Process.QuitRequested && !Setup.Run.SessionEnding) {
        WaitForMessage(100);
        PumpMessages();
    }
    if (Setup.Shown.PromptPending) {   // ended by the window or the session going, not by an answer
        Setup.Shown.PromptPending = false;
        Setup.Shown.PromptAnswer = false;
    }
    Setup.Shown.Busy = Setup.Shown.StatusPanelShown;
    Setup.Shown.PromptKind = NoPrompt;
    Setup.Shown.PromptText = nullptr;
    PaintScreen();
    return Setup.Shown.PromptAnswer;
}

}  // namespace

void ShowMessage(const char* text) { Prompt(MessagePrompt, text); }

bool AskYesNo(const char* text) { return Prompt(QuestionPrompt, text); }

void PromptButtonAction(ButtonId button)
{
    PaintScreen();
    Setup.Shown.PromptAnswer = button != NoButton;
    Setup.Shown.PromptPending = false;
}
