#pragma once
#include "canvas.h"

// The lower progress picture: a parchment scroll unrolling from left to
// right over the roofs of a town at dusk. Step 0 is rolled up at the left,
// step 16 spread across the whole strip.
class TownScroll {
public:
    TownScroll();
    Canvas frame(int step) const;

private:
    Canvas town_;
};
