#pragma once
#include "canvas.h"
#include "fileio.h"

// Pop-up panels drawn over the screens through a 1-bit mask.
struct MaskedPanel {
    Canvas image;
    Mask mask;
};

// 207/206: dark bronze-framed strip for one centred line of status text.
MaskedPanel statusPanel();
// 211/209: parchment scroll for a message with OK, or a question with Yes and No.
MaskedPanel promptPanel();
