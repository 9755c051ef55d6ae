#include "shell/prompts.h"

#include "shell/state.h"
#include "shell/window.h"
#include "ui/painter.h"

namespace {

int Prompt(int kind, const char* text)
{
    Setup.Busy = 1;
    Setup.PromptKind = kind;
    Setup.StatusText = text;
    Setup.PromptPending = 1;
    PaintScreen();
    while (Setup.PromptPending && !Setup.QuitRequested) {
        Sleep(100);
        PumpMessages();
    }
    if (Setup.PromptPending) {   // ended by a close, not by an answer
        Setup.PromptPending = 0;
        Setup.PromptAnswer = 0;
    }
    Setup.Busy = 0;
    Setup.PromptKind = NoPrompt;
    PaintScreen();
    return Setup.PromptAnswer;
}

}  // namespace

void ShowMessage(const char* text) { Prompt(MessagePrompt, text); }

int AskYesNo(const char* text) { return Prompt(QuestionPrompt, text); }

void PromptButtonAction(int kind, int index)
{
    PaintScreen();
    Setup.PromptAnswer = kind == MessagePrompt || index == 0;
    Setup.PromptPending = 0;
}
