#include "stripart.h"

#include <algorithm>
#include <cmath>

#include "layout.h"
#include "materials.h"
#include "noise.h"

namespace {

constexpr uint32_t kSeed = 800;
constexpr double kRodRight = 13;                     // the fixed rod at the left end
constexpr double kSheetTop = 9, kSheetBottom = 68;   // the paper, inside the rolls' height
constexpr double kRollTop = 3, kRollBottom = 74;
constexpr double kFullRoll = 30, kEmptyRoll = 15;    // roll thickness, full and nearly spent

Colour skyAt(double y)
{
    const double t = y / kStripHeight;
    if (t < 0.55)
        return mix(rgb(34, 42, 88), rgb(112, 86, 130), t / 0.55);
    return mix(rgb(112, 86, 130), rgb(238, 160, 98), (t - 0.55) / 0.45);
}

struct Building {
    double x0, x1, top;
    int roof;  // 0 gable, 1 cone tower, 2 spire, 3 flat with crenels
};

void paintBuilding(Canvas& c, const Building& b, Colour wall, uint32_t seed)
{
    const double cx = (b.x0 + b.x1) / 2, w = b.x1 - b.x0;
    Shape body = roundRect(b.x0, b.top, b.x1, kStripHeight + 2, 0);
    switch (b.roof) {
    case 0: body = unite(body, polygon({{b.x0 - 1.5, b.top + 0.5}, {cx, b.top - w * 0.55}, {b.x1 + 1.5, b.top + 0.5}})); break;
    case 1: body = unite(body, polygon({{b.x0 - 2, b.top + 0.5}, {cx, b.top - w * 1.3}, {b.x1 + 2, b.top + 0.5}})); break;
    case 2: body = unite(body, polygon({{b.x0, b.top + 0.5}, {cx, b.top - w * 2.6}, {b.x1, b.top + 0.5}})); break;
    default:
        for (double x = b.x0; x < b.x1 - 1; x += 4)
            body = unite(body, roundRect(x, b.top - 3, x + 2, b.top + 0.5, 0));
    }
    // Silhouettes against the evening sky, a warm rim on their west edges.
    paint(c, body, [&](Vec p, double depth) { return lit(wall, depth < 1.2 && p.x < cx ? 0.25 : 0.0); });
    Lcg rng(seed);
    for (double y = b.top + 4; y < kStripHeight - 6; y += 8)
        for (double x = b.x0 + 3; x < b.x1 - 3; x += 6)
            if (rng.unit() < 0.35)
                paint(c, roundRect(x, y, x + 2, y + 3, 0), rgb(255, 204, 110));
}

Canvas paintTown()
{
    Canvas c(kStripWidth, kStripHeight);
    const double s = c.scale();
    for (int y = 0; y < c.pixelHeight(); ++y)
        for (int x = 0; x < c.pixelWidth(); ++x)
            c.at(x, y) = skyAt((y + 0.5) / s);
    // Far hills, then two rows of houses, the far row paler in the haze.
    for (int x = 0; x < c.pixelWidth(); ++x) {
        const double crest = 50 - 14 * fbm(c.layoutAt(x) / 70.0, 1.5, 3, kSeed);
        for (int y = std::max(0, static_cast<int>(crest * s)); y < c.pixelHeight(); ++y)
            c.blend(x, y, rgb(92, 78, 118), clamp01(y + 1 - crest * s));
    }
    Lcg rng(kSeed + 1);
    for (int row = 0; row < 2; ++row) {
        const Colour wall = row == 0 ? rgb(70, 60, 92) : rgb(40, 36, 58);
        for (double x = rng.range(-10, 0); x < kStripWidth;) {
            const double w = rng.range(10, 22);
            const double r = rng.unit();
            const int roof = r < 0.55 ? 0 : (r < 0.75 ? 1 : (r < 0.88 ? 3 : 2));
            const double top = (row == 0 ? 44 : 54) + rng.range(-5, 5) - (roof == 1 || roof == 3 ? 9 : 0);
            paintBuilding(c, {x, x + w, top, roof}, wall, kSeed + 10 + static_cast<uint32_t>(x));
            x += w + rng.range(row == 0 ? 8 : 3, row == 0 ? 30 : 14);
        }
    }
    return c;
}

// Where the roll is at a step: it travels right and thins as paper leaves it,
// ending against the strip's right edge.
struct Roll {
    double left, thickness;
};

Roll rollAt(int step)
{
    const double t = static_cast<double>(step) / kAnimationSteps;
    const double thickness = kFullRoll + (kEmptyRoll - kFullRoll) * t;
    return {kRodRight + (kStripWidth - 3 - thickness - kRodRight) * t, thickness};
}

}  // namespace

TownScroll::TownScroll() : town_(paintTown()) {}

Canvas TownScroll::frame(int step) const
{
    Canvas c = town_;
    const Roll roll = rollAt(step);
    const double sheetRight = roll.left, thickness = roll.thickness;
    if (sheetRight > kRodRight + 1) {
        const Shape sheet = roundRect(kRodRight - 2, kSheetTop, sheetRight + 4, kSheetBottom, 0);
        dropShadow(c, sheet, {3, 4}, 3, 0.6);
        paint(c, sheet, [&](Vec p, double depth) {
            Colour col = parchmentAt(p, kSeed + 2);
            // Ruled borders along both long edges, with lozenges between them.
            const double fromTop = p.y - kSheetTop, fromBottom = kSheetBottom - p.y;
            for (double d : {fromTop, fromBottom})
                if (std::fabs(d - 4) < 0.6 || std::fabs(d - 6.5) < 0.4)
                    col = mix(col, rgb(110, 70, 40), 0.7);
            const double u = std::fmod(p.x - kRodRight, 24) - 12, v = std::min(fromTop, fromBottom) - 5.2;
            if (std::fabs(u) + std::fabs(v) * 2.2 < 3.2 && p.x > kRodRight + 6)
                col = mix(col, rgb(150, 40, 28), 0.75);
            return lit(col, -0.35 * clamp01(1 - depth / 3));
        });
    }
    drawRoll(c, {sheetRight, kRollTop + (kFullRoll - thickness) / 2, sheetRight + thickness,
                 kRollBottom - (kFullRoll - thickness) / 2}, true);
    // The fixed rod the scroll is fastened to, with its knobs.
    const Shape rod = roundRect(kRodRight - 8, 1, kRodRight - 1, kStripHeight - 1, 3.5);
    dropShadow(c, rod, {2, 3}, 2, 0.6);
    paint(c, rod, [&](Vec p, double) { return bronzeAt(p, 0.8 - 0.7 * (p.x - (kRodRight - 8)) / 7); });
    drawRivet(c, {kRodRight - 4.5, 4.5}, 4);
    drawRivet(c, {kRodRight - 4.5, kStripHeight - 4.5}, 4);
    return c;
}
