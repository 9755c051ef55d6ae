#pragma once
#include "fileio.h"

// setup.ico: the bronze shield with the gilt M, `size` pixels square (32 at the layout's scale).
IconImage shieldIcon(int size);
// setup.cur: a bronze arrow with a dark outline, its tip on the hot spot.
IconImage arrowCursor(int size);
// The hot spot at 32 pixels.
constexpr int kCursorHotX = 5, kCursorHotY = 5;
// The sizes of each: the layout's scale, 1.5 and 2.
constexpr int kIconSizes[] = {32, 48, 64};
