// The layers over a screen's content: dimming while busy, the status panel, the prompt panel.
#ifndef MARVOLEN_OVERLAYS_H
#define MARVOLEN_OVERLAYS_H

#include "ui/draw.h"

void DrawOverlays(Frame& frame);

#endif
