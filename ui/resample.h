// Pictures at a scale between the sets the program carries: the larger set reduced by averaging,
// never by picking pixels, which would drop lines and leave stairs.
#ifndef MARVOLEN_RESAMPLE_H
#define MARVOLEN_RESAMPLE_H

#include <windows.h>

// Pixels of 32 bits, 0x00RRGGBB, row after row from the top.
//
// Draws `source` at `scale` (its pixels per pixel of the result, more than 1 to reduce) into
// `result`: each pixel of the result is the average of the part of the source it covers, each
// source pixel weighted by how much of it is covered. A result wider than the source at the scale
// averages its last column over what there is. A mask (`threshold`) comes out black or white:
// black where at least half of what a pixel covers is black, as the artwork cuts its panels.
void AverageArea(const DWORD* source, int sourceWidth, int sourceHeight, double scale, DWORD* result, int width,
                 int height, bool threshold = false);

#endif
