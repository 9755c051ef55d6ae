// What the window shows over a screen's background at this moment: every button, text and
// picture with its rectangle, in reading order. The painter draws these and nothing else; the
// screen reader reads these and nothing else.
#ifndef MARVOLEN_SCREEN_ITEMS_H
#define MARVOLEN_SCREEN_ITEMS_H

#include <windows.h>

#include "base/types.h"
#include "ui/layout.h"

enum class ItemKind { Button, Text, Progress, Picture };
// What an item lies on: the screen itself, the status panel over it, or the prompt panel over all.
enum class Layer { Screen, Status, Prompt };

struct ShownItem {
    ItemKind kind;
    Layer layer;
    RECT rect;
    const ScreenButton* button = nullptr;   // a button
    const char* text = nullptr;             // a text's words
    COLORREF colour = TextBlack;            // a text's colour
    UINT format = CentredLine;              // a text's format
    int picture = 0;                        // a picture's bitmap id; the progress: its step, 0 to 16
    bool read = true;                       // a reader hears it (the line beside the check box names the box instead)
    bool heading = false;                   // the heading of what is on show, which describes the window
};

struct ShownItems {
    ShownItem items[16];
    int count = 0;

    void Add(const ShownItem& item)
    {
        if (count < 16) items[count++] = item;
    }
};

// Everything on show, layer by layer: the current screen's items, the status text while the status
// panel is shown, and an open prompt's text and buttons.
ShownItems ItemsOnShow();

// The shown texts composed from the state, in UTF-8 as every shown text.
const char* InstallPathText();     // the folder on show
const char* FreeSpaceLineText();   // "Available Space : ..." for the destination
// The free space is measured for a folder once, when first shown, and kept until the folder
// changes or this is called: when the destination screen is entered again.
void MeasureFreeSpaceAgain();
const char* FinishHeadingText();   // for the run's outcome
const char* FinishBodyText();
// The progress picture pair to show: -1 before the first step, the last one past it.
int ShownProgressStep();

#endif
