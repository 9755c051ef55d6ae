// What each screen's buttons do and which of them are available.
#ifndef MARVOLEN_FLOW_H
#define MARVOLEN_FLOW_H

#include "ui/layout.h"


// What a request to close the window does (the close box, Alt+F4, the taskbar, another program):
// outside runs it ends the program, answering an open prompt as No (a message as OK); during an
// installation it asks the abort question as Cancel does; during an uninstall it waits for the
// end of the run.
void RequestClose();

// Performs the action of button `index` of `group` (a lit button that was pressed).
void ButtonAction(const ButtonGroup& group, int index);

#endif
