#pragma once
#include <string>

#include "shapes.h"

// A small set of Roman capitals (only the letters the artwork spells), built
// from strokes so they scale cleanly. Glyphs are designed on a cap height of
// 100 units; `origin` is the top-left of the cap band in pixels.

Shape letterShape(char letter, Vec origin, double sx, double sy);
double letterAdvance(char letter);  // in design units
Shape wordShape(const std::string& word, Vec origin, double capHeight, double widthScale, double tracking);
double wordWidth(const std::string& word, double capHeight, double widthScale, double tracking);

// Gilded, bevelled lettering with a dark outline and a drop shadow.
void drawGildedWord(Canvas& c, const std::string& word, Vec origin, double capHeight, double widthScale,
                    double tracking);
// The gold fill of gilded lettering, for other gilt shapes of the set.
Colour giltAt(double v);
