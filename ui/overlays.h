// The layers over a screen's content: dimming while busy, the status panel, the prompt panel.
#ifndef MARVOLEN_OVERLAYS_H
#define MARVOLEN_OVERLAYS_H

#include "ui/draw.h"

// A busy screen reads as a fine black checkerboard over what it shows.
void Dim(Frame& frame);
// The panels' pictures, cut by their masks; their texts and buttons are items on show.
void DrawStatusPanel(HDC dc);
void DrawPromptPanel(HDC dc);

#endif
