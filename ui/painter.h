// Composes the whole frame off screen from the program state and shows it in one copy.
#ifndef MARVOLEN_PAINTER_H
#define MARVOLEN_PAINTER_H

#include <windows.h>

#include "base/types.h"
#include "ui/draw.h"

// A frame is composed only inside `area` (drawing elsewhere is clipped away): a lit button
// needs its own rectangle, not the whole window. Every area here is in the layout's pixels; the
// frame is the window at the scale it is shown at (Setup.Shown.Dpi), and so is all drawn into it.
bool BeginFrame(HDC display, Frame& frame, const RECT& area = Layout::WholeFrame);
void ComposeFrame(Frame& frame);   // screen content, then the overlay layers
void EndFrame(Frame& frame);

void PaintScreen();
// The same frame, of which only the area that changed (a lit or darkened button) is composed
// and shown anew.
void PaintArea(const RECT& area);
// A new progress step: only the map and the strip change.
void PaintProgressStep();

// Called after each frame shown, when set: the accessible view tells readers what changed (and a
// test may count frames).
extern void (*FrameShown)();

#endif
