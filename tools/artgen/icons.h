#pragma once
#include "fileio.h"

// setup.ico: the bronze shield with the gilt M.
IconImage shieldIcon();
// setup.cur: a bronze arrow with a dark outline, its tip on the hot spot.
IconImage arrowCursor();
constexpr int kCursorHotX = 5, kCursorHotY = 5;
