#include "base/state.h"

SetupState Setup;

void ShowStatus(const char* text)
{
    if (text) Setup.Shown.StatusText = text;
    Setup.Shown.StatusPanelShown = text != nullptr;
    Setup.Shown.Busy = text != nullptr;
}
