#pragma once
#include <vector>

#include "shapes.h"

// The upper progress picture: a hand-drawn map whose sixteen provinces take
// their colour one after another. Frame k has the first k provinces coloured.
class ProvinceMap {
public:
    ProvinceMap();
    Canvas frame(int colouredProvinces) const;
    // Pixels of each province inside the shown part of the frame, so the
    // self-checks can confirm every step of the animation is visible.
    int visibleArea(int province) const;

private:
    struct Cell {
        int province = -1;     // -1: sea
        double border = 99;    // distance to the nearest province border
        double coast = 0;      // signed distance to the coast, positive on land
        Colour paper;          // the bare parchment
    };
    Cell& cell(int x, int y) { return cells_[y * width_ + x]; }
    const Cell& cell(int x, int y) const { return cells_[y * width_ + x]; }
    void placeSymbols();
    void drawInk(Canvas& c) const;

    int width_, height_;
    std::vector<Cell> cells_;
    std::vector<Vec> capitals_;  // in colouring order
    std::vector<Vec> mountains_, trees_;
    Vec compass_{0, 0};
};
