// The program's basic types, shared by every floor: screens, outcomes, prompts, path buffers.
// Plain C++ with no Windows header, so the host-side artwork generator can read it too.
#ifndef MARVOLEN_TYPES_H
#define MARVOLEN_TYPES_H

#include "resources/resource_ids.h"

// A screen is named by the resource id of its background bitmap.
enum ScreenId : int {
    MainMenu = IDB_MAIN_MENU,
    DestinationScreen = IDB_DESTINATION,
    FinishScreen = IDB_FINISH,
    ProgressScreen = IDB_PROGRESS,
};

enum RunOutcome : int { RunInstalled = 0, RunAborted = 1, RunFailed = 2 };

enum PromptKinds : int { NoPrompt = 0, MessagePrompt = 1, QuestionPrompt = 2 };

// The long action under way, which decides what a request to close the window does.
enum RunKinds : int { NoRun = 0, InstallRun = 1, UninstallRun = 2 };

// An older setup over a newer installation on record: what the player asked for. The window asks;
// unattended runs refuse unless started with /allowdowngrade.
enum class OlderOverNewer : int { Refused, Allowed, Asked };

constexpr int PathSize = 256;   // every path and text buffer: 255 characters and the NUL

#endif
