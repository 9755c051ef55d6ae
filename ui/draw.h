// Small drawing steps shared by the painter and the overlays.
#ifndef MARVOLEN_DRAW_H
#define MARVOLEN_DRAW_H

#include <windows.h>

#include "ui/layout.h"

// One text in its colour, clipped to its rectangle.
void DrawLine(HDC dc, const char* text, const RECT& area, COLORREF colour, UINT format);

// Every labelled button of the group in its colour; the check box shows its state by the tick only.
void DrawButtons(HDC dc, const ButtonGroup& group);

// A bitmap resource, loaded at its first use and kept for the run: never to be deleted or drawn
// into by the caller.
HBITMAP Picture(int bitmapId);

// A bitmap resource copied from its origin with the given raster operation.
void DrawPicture(HDC dc, int bitmapId, const Placement& at, DWORD rop);

#endif
