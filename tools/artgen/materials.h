#pragma once
#include <cstdint>

#include "layout.h"
#include "shapes.h"

// Surfaces and furniture shared by every picture, so the screens match.

Colour woodAt(Vec p, uint32_t seed);       // dark wood panelling
Colour parchmentAt(Vec p, uint32_t seed);  // light parchment
Colour bronzeAt(Vec p, double light);      // brushed bronze, light in [0, 1]

void drawWoodBackground(Canvas& c, uint32_t seed);
void drawScreenFrame(Canvas& c);
void drawRivet(Canvas& c, Vec centre, double radius);
// A rolled-up end of parchment, upright or lying.
void drawRoll(Canvas& c, Box box, bool upright);
// A bronze moulding `width` wide around an opening, casting a shadow outside.
void drawBronzeFrame(Canvas& c, const Shape& opening, double width);
// A recessed board of darker wood inside a bronze rim.
void drawInsetPanel(Canvas& c, Box box, double radius, uint32_t seed);

// Tan scroll plate behind a button label (or a row of them): a flat band in
// the middle for the System font, rolled ends just outside the rectangle.
void drawScrollPlate(Canvas& c, Rect label, uint32_t seed);
constexpr int kTextPlatePad = 7;
// Light parchment sheet behind dark text, with burnt edges kept outside `text`.
void drawParchmentPlate(Canvas& c, Rect text, int pad, uint32_t seed);
void drawCheckBox(Canvas& c, Rect box);
void drawTick(Canvas& c, Rect box);

// Every plate of a picture, straight from the layout table.
void drawLayoutPlates(Canvas& c, int picture, uint32_t seed);

Box toBox(Rect r);
Box padded(Box b, double pad);
