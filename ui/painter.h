// Composes the whole frame off screen from the program state and shows it in one copy.
#ifndef MARVOLEN_PAINTER_H
#define MARVOLEN_PAINTER_H

#include <windows.h>

#include "base/types.h"

// A frame being composed: the current screen's background, freshly loaded, selected into a
// memory context compatible with the display.
struct Frame {
    HDC dc = nullptr;
    HBITMAP bitmap = nullptr;
    HGDIOBJ previous = nullptr;
    HFONT font = nullptr;
    HGDIOBJ previousFont = nullptr;
};

// The font every text is drawn in: the layout's own, not whatever a display context holds, so
// the texts fit their rectangles on Windows and under Wine alike. The caller deletes it.
HFONT CreateLabelFont();

bool BeginFrame(HDC display, Frame& frame);
void ComposeFrame(Frame& frame);   // screen content, then the overlay layers
void EndFrame(Frame& frame);

void PaintScreen();

// Called after each frame shown, when set: the accessible view tells readers what changed.
extern void (*FrameShown)();

// The shown texts that are composed from the state, for the painter and the accessible view.
void FreeSpaceLineText(char (&line)[PathSize]);   // "Available Space : ..." for the destination
const char* FinishHeadingText();                   // for the run's outcome
const char* FinishBodyText();

// How many times a frame was asked for, for checking how often the hot paths repaint.
extern unsigned PaintCount;

#endif
