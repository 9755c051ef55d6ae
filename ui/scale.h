// The window at the scale of its monitor. The layout table (ui/layout_table.h) is the window at
// 96 dots per inch; at any other scale every rectangle is the layout's with its edges scaled, here
// and nowhere else, for the painter, the hit tests and the reader alike. Plain C++ above the
// program's own part, so the artwork generator rounds its pictures' places as the program does.
#ifndef MARVOLEN_SCALE_H
#define MARVOLEN_SCALE_H

#include "ui/layout_table.h"

constexpr int LayoutDpi = 96;   // the layout table's own scale
constexpr int LargestArtDpi = 2 * LayoutDpi;   // the larger set of pictures (IDB_DOUBLE)

// A coordinate of the layout (never negative) at `dpi`, rounded half up. Edges are scaled, not
// sizes, so rectangles that touch in the layout touch at every scale, and no gap opens between.
constexpr int ScaledCoordinate(int value, int dpi) { return (value * dpi + LayoutDpi / 2) / LayoutDpi; }

#ifdef _WIN32
// At the scale the window is shown at (Setup.Shown.Dpi). A length is scaled as the coordinate
// that far from the origin.
int Scaled(int value);
RECT Scaled(const RECT& area);
Placement Scaled(const Placement& at);
// The whole frame at that scale.
inline RECT ScaledFrame() { return Scaled(Layout::WholeFrame); }

// The largest scale, at most `dpi` and never below the layout's own, at which the whole window
// fits an area of that size: the scale of a monitor whose work area is too small for the window
// at its own.
int FittingDpi(int dpi, int width, int height);
#endif

#endif
