#pragma once
#include <array>
#include <cstdint>
#include <vector>

#include "canvas.h"

struct Rgb8 {
    uint8_t r, g, b;
    bool operator==(const Rgb8& o) const { return r == o.r && g == o.g && b == o.b; }
};

using Palette = std::array<Rgb8, 256>;

// The one palette every 8-bit picture of the set shares.
const Palette& sharedPalette();

// Watercolour wash of a pigment over paper. The map paints its provinces
// with it and the palette carries its results on light, middle and dark paper.
Colour wash(Colour paper, Colour pigment, double strength);
// The sixteen pigments of the map's provinces, in colouring order.
const std::array<Colour, 16>& provincePigments();

struct Indexed {
    int width = 0, height = 0;
    std::vector<uint8_t> pixels;  // top-down rows
    uint8_t at(int x, int y) const { return pixels[y * width + x]; }
};

// Maps painted colours to palette indices. Index 0 (black) is never picked:
// the setup program paints it to dim the screen, so the artwork keeps it free.
class Quantizer {
public:
    explicit Quantizer(const Palette& palette);
    uint8_t nearest(int r, int g, int b);
    // Light ordered dithering keeps the long sky and wash gradients from banding.
    // A picture cut from a larger one passes its position there (in layout
    // pixels), so the dither pattern lines up and the pixels come out the same.
    Indexed reduce(const Canvas& canvas, double dither, int originX = 0, int originY = 0);

private:
    const Palette& palette_;
    std::vector<uint8_t> cache_, known_;
};
