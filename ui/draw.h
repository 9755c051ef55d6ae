// Small drawing steps shared by the painter and the overlays.
#ifndef MARVOLEN_DRAW_H
#define MARVOLEN_DRAW_H

#include <windows.h>

#include "ui/layout.h"

// A frame being composed: a fresh bitmap compatible with the display, holding a copy of the
// current screen's background, selected into a memory context.
struct Frame {
    HDC dc = nullptr;
    HBITMAP bitmap = nullptr;
    HGDIOBJ previous = nullptr;
    HFONT font = nullptr;   // the label face at the layout's size (ui/fonts.h), not the frame's to delete
    HGDIOBJ previousFont = nullptr;
};

// One text in its colour, clipped to its rectangle.
void DrawLine(HDC dc, const char* text, const RECT& area, COLORREF colour, UINT format);

// A bitmap resource, loaded at its first use and kept for the run: never to be deleted or drawn
// into by the caller.
HBITMAP Picture(int bitmapId);

// A bitmap resource copied from its origin with the given raster operation.
void DrawPicture(HDC dc, int bitmapId, const Placement& at, DWORD rop);

#endif
