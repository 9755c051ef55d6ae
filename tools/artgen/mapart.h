#pragma once
#include <vector>

#include "shapes.h"

// The upper progress picture: a hand-drawn map whose sixteen provinces take
// their colour one after another. Frame k has the first k provinces coloured.
class ProvinceMap {
public:
    // Planned on the layout's pixels, so that every scale shows the same map; its frames are
    // painted at the drawing scale in force when it is made.
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
    struct Grid {
        double scale;
        int width, height;
        std::vector<Cell> cells;
        const Cell& at(int x, int y) const { return cells[y * width + x]; }
    };
    Grid grid(double scale, const std::vector<Vec>& warpedCapitals) const;
    const Cell& cell(int x, int y) const { return plan_.at(x, y); }
    void placeSymbols();
    void drawInk(Canvas& c) const;

    Grid plan_, painted_;   // at the layout's pixels, and at the drawing scale
    std::vector<Vec> capitals_;  // in colouring order
    std::vector<Vec> mountains_, trees_;
    Vec compass_{0, 0};
};
