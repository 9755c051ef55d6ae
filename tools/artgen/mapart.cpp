#include "mapart.h"

#include <algorithm>
#include <cmath>

#include "layout.h"
#include "materials.h"
#include "noise.h"
#include "palette.h"
#include "scenery.h"

namespace {

constexpr uint32_t kSeed = 700;
constexpr int kShownWidth = kMapWidth - 2, kShownHeight = kMapHeight - 2;
constexpr Colour kInk = rgb(62, 38, 22);

// Positive on land. A continent in the middle of the sheet, broken up by
// noise into bays, capes and a few islands; the sheet's rim stays sea.
double landField(double x, double y)
{
    const double nx = (x - kShownWidth / 2.0) / (kShownWidth / 2.0);
    const double ny = (y - kShownHeight / 2.0) / (kShownHeight / 2.0);
    const double falloff = 0.36 - 0.7 * (nx * nx * nx * nx + ny * ny * ny * ny) - 0.2 * (nx * nx + ny * ny);
    return falloff + 1.25 * (fbm(x / 58, y / 58, 5, kSeed) - 0.5) + 0.35 * (fbm(x / 19, y / 19, 3, kSeed + 9) - 0.5);
}

Vec warp(Vec p)
{
    return {p.x + 18 * (fbm(p.x / 34, p.y / 34, 3, kSeed + 1) - 0.5),
            p.y + 18 * (fbm(p.x / 34 + 40, p.y / 34, 3, kSeed + 2) - 0.5)};
}

double dist(Vec a, Vec b) { return std::hypot(a.x - b.x, a.y - b.y); }

// A pen line's coverage ramp, drawn for the layout's pixels, at a scale: the line keeps its width
// in layout pixels and its edge falls across one pixel, as at the layout's own scale.
double penEdge(double coverage, double scale) { return scale == 1 ? coverage : 0.5 + (coverage - 0.5) * scale; }

// Sixteen well-spread capitals on land.
std::vector<Vec> chooseCapitals()
{
    std::vector<Vec> chosen;
    Lcg rng(kSeed + 3);
    double spacing = 58;
    for (int attempt = 1; chosen.size() < static_cast<size_t>(kAnimationSteps); ++attempt) {
        const Vec p{rng.range(24, kShownWidth - 24), rng.range(24, kShownHeight - 24)};
        const bool spaced = std::all_of(chosen.begin(), chosen.end(), [&](Vec q) { return dist(p, q) >= spacing; });
        if (landField(p.x, p.y) > 0.08 && spaced)
            chosen.push_back(p);
        if (attempt % 500 == 0)
            spacing -= 2;  // the coastline did not leave room: crowd them a little
    }
    return chosen;
}

// The colouring order walks from the west from each province to the
// nearest one not yet coloured, so the colour spreads like a conquest.
std::vector<Vec> conquestOrder(std::vector<Vec> left)
{
    std::vector<Vec> order;
    auto next = std::min_element(left.begin(), left.end(), [](Vec a, Vec b) { return a.x < b.x; });
    while (!left.empty()) {
        const Vec at = *next;
        order.push_back(at);
        left.erase(next);
        next = std::min_element(left.begin(), left.end(), [&](Vec a, Vec b) { return dist(a, at) < dist(b, at); });
    }
    return order;
}

Colour agedPaper(Vec p)
{
    const double edge = std::min({p.x, p.y, kShownWidth - p.x, kShownHeight - p.y});
    return lit(parchmentAt(p, kSeed), -0.22 * std::pow(clamp01(1 - edge / 28), 2));
}

void drawMountain(Canvas& c, Vec base, double size)
{
    const Vec peak{base.x + size * 0.05, base.y - size};
    const Vec left{base.x - size * 0.75, base.y}, right{base.x + size * 0.75, base.y};
    // Shaded east face, then the outline.
    paint(c, polygon({peak, right, {base.x + size * 0.1, base.y}}), kInk, 0.3);
    paint(c, capsule(left, peak, 0.55), kInk);
    paint(c, capsule(peak, right, 0.55), kInk);
}

void drawTree(Canvas& c, Vec at)
{
    paint(c, bar({at.x, at.y}, {at.x, at.y + 2.5}, 0.4), kInk);
    paint(c, subtract(circle({at.x, at.y - 1}, 2.5), circle({at.x - 0.5, at.y - 1.5}, 1.6)), kInk, 0.9);
    paint(c, circle({at.x + 0.7, at.y - 0.6}, 1.5), kInk, 0.25);
}

void drawCapital(Canvas& c, Vec at)
{
    const double x = at.x, y = at.y;
    Shape keep = roundRect(x - 3, y - 4, x + 3, y + 2, 0);
    for (double cx : {x - 3.0, x - 0.5, x + 2.0})
        keep = unite(keep, roundRect(cx, y - 5.8, cx + 1, y - 3.5, 0));
    paint(c, grown(keep, 1), rgb(236, 222, 186), 0.8);  // a clear margin so it reads over any wash
    paint(c, keep, kInk);
    paint(c, bar({x, y - 5.5}, {x, y - 9}, 0.35), kInk);
    paint(c, polygon({{x, y - 9}, {x + 3.5, y - 8.2}, {x, y - 7.4}}), rgb(150, 30, 24));
}

void drawBorderRules(Canvas& c)
{
    const double w = kShownWidth, h = kShownHeight;
    const Shape outer = subtract(roundRect(2, 2, w - 2, h - 2, 0), roundRect(3.4, 3.4, w - 3.4, h - 3.4, 0));
    const Shape inner = subtract(roundRect(5.5, 5.5, w - 5.5, h - 5.5, 0), roundRect(6.3, 6.3, w - 6.3, h - 6.3, 0));
    paint(c, outer, kInk);
    paint(c, inner, kInk, 0.8);
}

}  // namespace

ProvinceMap::ProvinceMap()
{
    capitals_ = conquestOrder(chooseCapitals());
    std::vector<Vec> warpedCapitals;
    for (const Vec& v : capitals_)
        warpedCapitals.push_back(warp(v));
    plan_ = grid(1, warpedCapitals);
    painted_ = drawingScale() == 1 ? plan_ : grid(drawingScale(), warpedCapitals);
    placeSymbols();
}

ProvinceMap::Grid ProvinceMap::grid(double scale, const std::vector<Vec>& warpedCapitals) const
{
    const Canvas shape(kMapWidth, kMapHeight, {}, scale);
    Grid g{scale, shape.pixelWidth(), shape.pixelHeight(), {}};
    g.cells.resize(static_cast<size_t>(g.width) * g.height);
    for (int y = 0; y < g.height; ++y)
        for (int x = 0; x < g.width; ++x) {
            const Vec p{(x + 0.5) / scale, (y + 0.5) / scale};
            Cell& cl = g.cells[y * g.width + x];
            const double l = landField(p.x, p.y);
            const double gx = landField(p.x + 0.5, p.y) - landField(p.x - 0.5, p.y);
            const double gy = landField(p.x, p.y + 0.5) - landField(p.x, p.y - 0.5);
            cl.coast = l / std::max(1e-4, std::hypot(gx, gy));
            cl.paper = agedPaper(p);
            if (cl.coast <= 0)
                continue;
            // Provinces are the warped Voronoi cells of the capitals; the gap between
            // nearest and second-nearest capital gives the distance to the border.
            const Vec q = warp(p);
            double d1 = 1e9, d2 = 1e9;
            for (size_t i = 0; i < warpedCapitals.size(); ++i) {
                const double d = dist(q, warpedCapitals[i]);
                if (d < d1) {
                    d2 = d1;
                    d1 = d;
                    cl.province = static_cast<int>(i);
                } else if (d < d2) {
                    d2 = d;
                }
            }
            cl.border = (d2 - d1) / 2;
        }
    return g;
}

void ProvinceMap::placeSymbols()
{
    auto clearOfCapitals = [&](Vec p, double r) {
        return std::all_of(capitals_.begin(), capitals_.end(), [&](Vec c) { return dist(p, c) > r; });
    };
    auto inside = [&](Vec p) { return p.x > 10 && p.y > 12 && p.x < kShownWidth - 10 && p.y < kShownHeight - 10; };
    Lcg rng(kSeed + 4);
    for (double y = 8; y < kShownHeight; y += 10)
        for (double x = 8; x < kShownWidth; x += 13) {
            const Vec p{x + rng.range(-3, 3), y + rng.range(-2, 2)};
            if (!inside(p))
                continue;
            const Cell& cl = cell(static_cast<int>(p.x), static_cast<int>(p.y));
            const bool onLand = cl.province >= 0 && cl.coast > 7 && cl.border > 4;
            if (onLand && fbm(p.x / 45, p.y / 45, 3, kSeed + 5) > 0.62 && clearOfCapitals(p, 12))
                mountains_.push_back(p);
        }
    for (double y = 6; y < kShownHeight; y += 7)
        for (double x = 6; x < kShownWidth; x += 7) {
            const Vec p{x + rng.range(-2, 2), y + rng.range(-2, 2)};
            if (!inside(p))
                continue;
            const Cell& cl = cell(static_cast<int>(p.x), static_cast<int>(p.y));
            const bool onLand = cl.province >= 0 && cl.coast > 5 && cl.border > 3;
            const bool nearMountain =
                std::any_of(mountains_.begin(), mountains_.end(), [&](Vec m) { return dist(p, m) < 10; });
            if (onLand && !nearMountain && fbm(p.x / 30, p.y / 30, 3, kSeed + 6) > 0.64 && clearOfCapitals(p, 9))
                trees_.push_back(p);
        }
    // The compass goes in whichever corner has the most open sea.
    int bestLand = 1 << 30;
    for (const Vec corner : {Vec{48, 48}, Vec{kShownWidth - 48.0, 48}, Vec{48, kShownHeight - 48.0},
                             Vec{kShownWidth - 48.0, kShownHeight - 48.0}}) {
        int land = 0;
        for (int y = -30; y <= 30; ++y)
            for (int x = -30; x <= 30; ++x)
                land += cell(static_cast<int>(corner.x) + x, static_cast<int>(corner.y) + y).province >= 0;
        if (land < bestLand) {
            bestLand = land;
            compass_ = corner;
        }
    }
}

int ProvinceMap::visibleArea(int province) const
{
    int n = 0;   // in layout pixels
    for (int y = 0; y < kShownHeight; ++y)
        for (int x = 0; x < kShownWidth; ++x)
            n += cell(x, y).province == province;
    return n;
}

void ProvinceMap::drawInk(Canvas& c) const
{
    for (const Vec& m : mountains_)
        drawMountain(c, m, 8);
    for (const Vec& t : trees_)
        drawTree(c, t);
    for (const Vec& cap : capitals_)
        drawCapital(c, cap);
    drawCompassStar(c, compass_, 24, true);
    drawBorderRules(c);
}

Canvas ProvinceMap::frame(int coloured) const
{
    Canvas c(kMapWidth, kMapHeight, {}, painted_.scale);
    const double s = c.scale();
    const auto& pigments = provincePigments();
    for (int y = 0; y < painted_.height; ++y)
        for (int x = 0; x < painted_.width; ++x) {
            const Cell& cl = painted_.at(x, y);
            Colour col = cl.paper;
            if (cl.province >= 0 && cl.province < coloured) {
                // Watercolour pools darker along the edges of the wash.
                const double pool = std::max(clamp01(1 - cl.border / 5), clamp01(1 - cl.coast / 5));
                col = wash(col, pigments[cl.province], 0.5 + 0.18 * pool);
            }
            if (cl.province < 0) {
                // Ripple lines following the coast out to sea.
                for (int k = 1; k <= 3; ++k)
                    col = mix(col, kInk, (0.45 - 0.12 * k) * clamp01(penEdge(1 - std::fabs(cl.coast + 4.5 * k) / 0.7, s)));
            } else {
                col = mix(col, kInk, 0.7 * clamp01(penEdge(1 - cl.border / 0.8, s)));
            }
            col = mix(col, kInk, clamp01(penEdge(1.2 - std::fabs(cl.coast), s)));
            c.at(x, y) = col;
        }
    drawInk(c);
    return c;
}
