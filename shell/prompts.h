// Messages and questions drawn in the window, answered by clicking their own buttons.
#ifndef MARVOLEN_PROMPTS_H
#define MARVOLEN_PROMPTS_H

#include "ui/layout.h"

// Both wait, keeping the window alive, until a prompt button is clicked. When the window is
// closed meanwhile they return at once: a question as if answered No.
void ShowMessage(const char* text);
bool AskYesNo(const char* text);

// The prompt buttons' actions: OK and Yes answer 1, No answers 0.
void PromptButtonAction(ButtonId button);

#endif
