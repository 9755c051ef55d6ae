// Small drawing steps shared by the painter and the overlays.
#ifndef MARVOLEN_DRAW_H
#define MARVOLEN_DRAW_H

#include <windows.h>

#include "ui/layout.h"

// A frame being composed: a fresh bitmap compatible with the display, the whole window at the
// scale it is shown at, holding a copy of the current screen's background, selected into a
// memory context.
struct Frame {
    HDC dc = nullptr;
    HBITMAP bitmap = nullptr;
    HGDIOBJ previous = nullptr;
    HFONT font = nullptr;   // the label face at the layout's size (ui/fonts.h), not the frame's to delete
    HGDIOBJ previousFont = nullptr;
    int dpi = 0;            // the scale it was made for
};

// One text in its colour, clipped to its rectangle (in the layout's pixels, drawn at the scale).
void DrawLine(HDC dc, const char* text, const RECT& area, COLORREF colour, UINT format);

// A bitmap resource at the scale the window is shown at, loaded at its first use and kept until
// the scale changes: never to be deleted or drawn into by the caller. At 96 dots per inch the
// picture as it is, at 192 the one drawn at twice its size, between and past them that one
// averaged to the scale.
HBITMAP Picture(int bitmapId);

// A bitmap resource copied from its origin with the given raster operation, to its place in the
// layout at the scale.
void DrawPicture(HDC dc, int bitmapId, const Placement& at, DWORD rop);

#endif
