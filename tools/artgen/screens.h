#pragma once
#include "canvas.h"

// The four 640x480 backgrounds and the ticked check box.
Canvas mainMenuScreen();
Canvas destinationScreen();
Canvas finishScreen();
Canvas progressScreen(const Canvas& blankMap, const Canvas& closedStrip);
// The check box area of the destination screen with a tick drawn in.
Canvas tickedBox(const Canvas& destination);
