// The window's face of the runs: the progress screen and its status texts, the finish screen,
// the messages. /passive shows the same, without the messages.
#ifndef MARVOLEN_WINDOW_FACE_H
#define MARVOLEN_WINDOW_FACE_H

#include <string>

#include "base/outcome.h"
#include "install/extract.h"

// "Continue": installs into the folder on show; what went wrong is said with a message.
void RunInstallation();
// "Uninstall": asks, uninstalls, and says how it went.
void RunUninstall();

// The runs as the window shows them, without a message: for "Continue", "Uninstall" and /passive.
Outcome InstallWithWindow(const std::wstring& written);
Outcome UninstallWithWindow();

// The passes over the package reporting to the window: the steps show on the progress screen,
// the window stays alive, a confirmed Cancel or close stops.
extern const ExtractionHooks WindowHooks;

#endif
