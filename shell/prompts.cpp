#include "shell/prompts.h"

#include "base/state.h"
#include "shell/pump.h"
#include "ui/painter.h"

namespace {

int Prompt(int kind, const char* text)
{
    // A prompt may come up over a status phase (a close request while a run prepares): that
    // phase's dimming and text come back once it is answered.
    const int busyBefore = Setup.Busy;
    const char* const statusBefore = Setup.StatusText;
    Setup.Busy = 1;
    Setup.PromptKind = kind;
    Setup.StatusText = text;
    Setup.PromptPending = 1;
    PaintScreen();
    while (Setup.PromptPending && !Setup.QuitRequested && !Setup.SessionEnding) {
        WaitForMessage(100);
        PumpMessages();
    }
    if (Setup.PromptPending) {   // ended by the window or the session going, not by an answer
        Setup.PromptPending = 0;
        Setup.PromptAnswer = 0;
    }
    Setup.Busy = busyBefore && Setup.StatusPanelShown;
    if (Setup.StatusPanelShown) Setup.StatusText = statusBefore;
    Setup.PromptKind = NoPrompt;
    PaintScreen();
    return Setup.PromptAnswer;
}

}  // namespace

void ShowMessage(const char* text) { Prompt(MessagePrompt, text); }

int AskYesNo(const char* text) { return Prompt(QuestionPrompt, text); }

void PromptButtonAction(ButtonId button)
{
    PaintScreen();
    Setup.PromptAnswer = button != NoButton;
    Setup.PromptPending = 0;
}
