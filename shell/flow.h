// What each screen's buttons do and which of them are available.
#ifndef MARVOLEN_FLOW_H
#define MARVOLEN_FLOW_H

#include "ui/layout.h"

// Re-derives the menu's first label and the buttons' availability from Installed and
// UninstallerMode.
void RefreshAvailability();

// Performs the action of button `index` of `group` (a lit button that was pressed).
void ButtonAction(const ButtonGroup& group, int index);

#endif
