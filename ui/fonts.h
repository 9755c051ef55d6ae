// The faces the program draws its texts in. The labels use a typeface the program carries in
// its resources and loads for itself alone, so every text has the same widths on every machine,
// whatever fonts it has installed.
#ifndef MARVOLEN_FONTS_H
#define MARVOLEN_FONTS_H

#include <windows.h>

// The layout's text height in pixels, and the smallest a text may shrink to before it is elided;
// both at the layout's scale, and scaled with the window (ui/scale.h).
constexpr int LabelHeight = 12;
constexpr int SmallestLabelHeight = 10;

// Bold, unsmoothed: every text pixel is in its colour exactly, as the labels' states are told
// apart by colour. `height` in pixels. The caller deletes the font.
HFONT CreateLabelFont(int height = LabelHeight);
// The label face at the layout's size at the scale the window is shown at, made once for each
// scale and kept for the run: never to be deleted by the caller.
HFONT SharedLabelFont();
// The system's dialog face at the same height and weight, which Windows links to fallback fonts:
// for a text holding a character the carried face lacks (a folder typed in another script).
HFONT CreateFallbackFont(int height = LabelHeight);

#endif
