#pragma once
#include <cstdint>

#include "shapes.h"

// Painted pieces: the valley with the castle, the heraldic shield and the
// hanging banners.

enum class TimeOfDay { Dusk, Dawn };

// The castle on its crag above a misty valley, mountains behind.
Canvas landscape(int width, int height, TimeOfDay time, uint32_t seed);
// Copies `src` (placed at `origin`) into `dst` wherever `window` covers.
void placeThrough(Canvas& dst, const Canvas& src, Vec origin, const Shape& window);

Shape shieldShape(Vec topLeft, double width, double height);
// Bronze-rimmed shield, red field, gilt M.
void drawShield(Canvas& c, Vec topLeft, double width, double height);
// A cloth banner hanging from a bronze rod, with the shield's M on it.
void drawBanner(Canvas& c, Box box, uint32_t seed);

// An eight-pointed compass star; `ink` draws it as the map's pen work,
// otherwise gilt.
void drawCompassStar(Canvas& c, Vec centre, double radius, bool ink);
// A sword from pommel to tip: steel blade, gilt guard and pommel.
void drawSword(Canvas& c, Vec pommel, Vec tip);
