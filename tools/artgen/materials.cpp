#include "materials.h"

#include <algorithm>
#include <cmath>

#include "noise.h"

Box toBox(Rect r) { return {double(r.left), double(r.top), double(r.right), double(r.bottom)}; }
Box padded(Box b, double pad) { return {b.x0 - pad, b.y0 - pad, b.x1 + pad, b.y1 + pad}; }

namespace {

Shape boxShape(Box b, double radius) { return roundRect(b.x0, b.y0, b.x1, b.y1, radius); }

// The mid-tone face of every button: dark brown, cream and grey labels all
// read on it.
constexpr Colour kPlateTan = rgb(172, 136, 91);
constexpr Colour kBurnt = rgb(138, 98, 56);

// Grain of the paper and the wood, one grain to a pixel at any scale.
double grainAt(Vec p, uint32_t seed)
{
    return grain(static_cast<int>(p.x * drawingScale()), static_cast<int>(p.y * drawingScale()), seed);
}

Colour tanPaperAt(Vec p, uint32_t seed)
{
    const double mottle = fbm(p.x / 23, p.y / 17, 3, seed) - 0.5;
    return lit(kPlateTan, 0.07 * mottle + 0.012 * grainAt(p, seed));
}

// Shading across a paper roll, u from -1 to 1 across it; `towardsLight` is
// how much the light comes from the u = -1 side.
Colour rollShade(double u, double towardsLight)
{
    const double n = std::sqrt(std::max(0.0, 1 - u * u));
    const double diffuse = 0.25 + 0.75 * std::max(0.0, -towardsLight * u + 0.8 * n);
    const double specular = std::pow(std::max(0.0, 1 - std::fabs(u + 0.35) * 3.2), 3) * 0.5;
    return lit(mix(rgb(92, 64, 36), rgb(226, 202, 156), diffuse), specular);
}

}  // namespace

Colour woodAt(Vec p, uint32_t seed)
{
    constexpr double kPlank = 60;
    const int plank = static_cast<int>(std::floor(p.y / kPlank));
    const double v = p.y - plank * kPlank;
    const double shift = (hash2(plank, 0, seed) & 1023) * 1.0;
    const double tone = (hash2(plank, 1, seed) & 255) / 255.0;
    const double x = p.x + shift;
    const double warp = fbm(x / 150, p.y / 45, 3, seed + 3) * 14;
    const double streaks = fbm(x / 260, (p.y + warp) / 2.6, 3, seed + 5);
    const double rings = 0.5 + 0.5 * std::sin((p.y + warp * 2.5 + fbm(x / 80, p.y / 25, 2, seed + 7) * 30) * 0.5);
    const double t = 0.55 * streaks + 0.22 * rings + 0.23 * tone;
    Colour col = mix(rgb(42, 26, 15), rgb(104, 66, 37), t);
    col = lit(col, 0.03 * grainAt(p, seed));
    if (v < 2)
        col = scaled(col, 0.45 + 0.2 * v);  // seam between planks
    else if (v < 4)
        col = lit(col, 0.06);
    return col;
}

Colour parchmentAt(Vec p, uint32_t seed)
{
    const double stain = smoothstep(0.52, 0.8, fbm(p.x / 110, p.y / 80, 4, seed));
    const double mottle = fbm(p.x / 19, p.y / 15, 3, seed + 11) - 0.5;
    Colour c = mix(rgb(240, 226, 192), rgb(214, 188, 140), stain * 0.5);
    return lit(c, 0.045 * mottle + 0.012 * grainAt(p, seed + 13));
}

Colour bronzeAt(Vec p, double light)
{
    const double brushed = fbm(p.x / 40, p.y / 1.5, 2, 71) - 0.5;
    const double l = clamp01(light + 0.1 * brushed);
    if (l < 0.5)
        return mix(rgb(56, 34, 12), rgb(170, 120, 52), l / 0.5);
    return mix(rgb(170, 120, 52), rgb(246, 220, 158), (l - 0.5) / 0.5);
}

void drawRoll(Canvas& c, Box b, bool upright)
{
    const double cx = (b.x0 + b.x1) / 2, cy = (b.y0 + b.y1) / 2;
    const double half = upright ? (b.x1 - b.x0) / 2 : (b.y1 - b.y0) / 2;
    paint(c, roundRect(b.x0, b.y0, b.x1, b.y1, half * 0.55), [&](Vec p, double) {
        return upright ? rollShade((p.x - cx) / half, 0.55) : rollShade((p.y - cy) / half, 0.83);
    });
    // The rolled-up ends show their spiral.
    const double inset = 2.2;
    for (double at : {upright ? b.y0 + inset : b.x0 + inset, upright ? b.y1 - inset : b.x1 - inset}) {
        const Vec e = upright ? Vec{cx, at} : Vec{at, cy};
        const Vec s{e.x + (upright ? 0.8 : 0), e.y + (upright ? 0 : 0.8)};
        const double along = half - 0.6, spiral = half * 0.55, core = half * 0.3;
        paint(c, upright ? ellipse(e, along, inset) : ellipse(e, inset, along), rgb(214, 188, 140));
        paint(c, upright ? subtract(ellipse(s, spiral, 1.3), ellipse(s, core, 0.6))
                         : subtract(ellipse(s, 1.3, spiral), ellipse(s, 0.6, core)),
              rgb(120, 86, 48), 0.8);
    }
}

void drawWoodBackground(Canvas& c, uint32_t seed)
{
    const double cx = c.width() / 2.0, cy = c.height() / 2.0;
    for (int y = 0; y < c.pixelHeight(); ++y)
        for (int x = 0; x < c.pixelWidth(); ++x) {
            const Vec p{(x + 0.5) / c.scale(), (y + 0.5) / c.scale()};
            const double r = std::hypot((p.x - cx) / cx, (p.y - cy) / cy);
            c.at(x, y) = scaled(woodAt(p, seed), 1.08 - 0.3 * smoothstep(0.5, 1.45, r));
        }
}

void drawRivet(Canvas& c, Vec centre, double radius)
{
    const Shape s = circle(centre, radius);
    dropShadow(c, s, {1, 1.5}, 1, 0.6);
    paint(c, s, [&](Vec p, double) {
        // A dome: darker towards the lower right, a glint up and to the left.
        const double dx = (p.x - centre.x) / radius, dy = (p.y - centre.y) / radius;
        const double glint = std::exp(-(std::pow(dx + 0.35, 2) + std::pow(dy + 0.4, 2)) * 6);
        return bronzeAt(p, 0.5 - 0.32 * (dx + dy) + 0.5 * glint);
    });
}

void drawScreenFrame(Canvas& c)
{
    const double w = c.width(), h = c.height();
    const Shape outer = roundRect(0, 0, w, h, 0);
    const Shape ring = subtract(outer, roundRect(4, 4, w - 4, h - 4, 3));
    paint(c, ring, [&](Vec p, double) {
        // A raised rim: its outer slope faces the screen edge, its inner slope the middle.
        const double left = p.x, top = p.y, right = w - p.x, bottom = h - p.y;
        const double edge = std::min({left, top, right, bottom});
        const double towardsLight = (edge == left || edge == top) ? 1 : -1;
        const double slope = edge < 2 ? towardsLight : -towardsLight;
        return bronzeAt(p, 0.5 + 0.3 * slope);
    });
    // Corner bosses: a bronze quarter-disc with a rivet, lit from the upper left.
    for (int corner = 0; corner < 4; ++corner) {
        const Vec o{corner & 1 ? w : 0.0, corner & 2 ? h : 0.0};
        const Shape boss = intersect(circle(o, 26), outer);
        dropShadow(c, boss, {2, 3}, 3, 0.6);
        paint(c, boss, [&](Vec p, double depth) {
            const double groove = std::fabs(std::hypot(p.x - o.x, p.y - o.y) - 18);
            return bronzeAt(p, 0.52 + 0.45 * bevelLight(boss, p, depth, 4) - (groove < 1.2 ? 0.25 : 0.0));
        });
        drawRivet(c, {o.x + (corner & 1 ? -9.5 : 9.5), o.y + (corner & 2 ? -9.5 : 9.5)}, 3.5);
    }
}

void drawBronzeFrame(Canvas& c, const Shape& opening, double width)
{
    const Shape ring = subtract(grown(opening, width), opening);
    dropShadow(c, ring, {3, 4}, 4, 0.6);
    paint(c, ring, [&](Vec p, double) {
        // A raised moulding: the outer slope is lit where it faces the light,
        // the inner slope where it faces away; a groove runs along the crest.
        const double across = clamp01(opening(p) / width);  // 0 at the opening, 1 outside
        const Vec g = gradient(opening, p);
        const double facing = g.x * -0.55 + g.y * -0.83;
        const double slope = across > 0.45 ? facing : -facing;
        const double groove = std::fabs(across - 0.45) < 0.07 ? -0.22 : 0.0;
        return bronzeAt(p, 0.5 + 0.36 * slope + groove);
    });
}

void drawInsetPanel(Canvas& c, Box box, double radius, uint32_t seed)
{
    constexpr double kRim = 5;
    const Shape outer = boxShape(box, radius);
    const Shape inner = boxShape(padded(box, -kRim), std::max(0.0, radius - kRim));
    dropShadow(c, outer, {3, 4}, 5, 0.55);
    paint(c, outer, [&](Vec p, double depth) { return bronzeAt(p, 0.5 + 0.45 * bevelLight(outer, p, depth, kRim)); });
    paint(c, inner, [&](Vec p, double depth) {
        const Colour w = scaled(woodAt({p.y * 1.1 + 311, p.x * 0.8}, seed), 0.68);  // grain runs across
        // The board sits below the rim: shadow along the top and left.
        return lit(w, -0.6 * std::max(0.0, bevelLight(inner, p, depth, 10)) +
                          0.15 * std::max(0.0, -bevelLight(inner, p, depth, 3)));
    });
}

void drawScrollPlate(Canvas& c, Rect label, uint32_t seed)
{
    const double x0 = label.left - 4, x1 = label.right + 4, y0 = label.top - 1, y1 = label.bottom + 1;
    constexpr double kRoll = 14;
    const Shape body = roundRect(x0, y0, x1, y1, 2);
    const Shape rolls = unite(roundRect(x0 - kRoll + 5, y0 - 2, x0 + 5, y1 + 2, 5),
                              roundRect(x1 - 5, y0 - 2, x1 + kRoll - 5, y1 + 2, 5));
    dropShadow(c, unite(body, rolls), {3, 4}, 3, 0.6);
    paint(c, body, [&](Vec p, double depth) {
        Colour col = tanPaperAt(p, seed);
        const double fromEnd = std::min(p.x - x0, x1 - p.x);
        col = scaled(col, 1 - 0.4 * std::pow(clamp01(1 - fromEnd / 16), 2));  // paper curving into the roll
        col = lit(col, 0.35 * bevelLight(body, p, depth, 2.5));
        if (std::fabs(depth - 4.5) < 0.6 && fromEnd > 12)
            col = mix(col, rgb(110, 74, 40), 0.55);  // ruled border
        return col;
    });
    drawRoll(c, {x0 - kRoll + 5, y0 - 2, x0 + 5, y1 + 2}, true);
    drawRoll(c, {x1 - 5, y0 - 2, x1 + kRoll - 5, y1 + 2}, true);
}

void drawParchmentPlate(Canvas& c, Rect text, int pad, uint32_t seed)
{
    const Box b = padded(toBox(text), pad);
    const Shape sheet = roughened(boxShape(b, 3), 1.3, 5, seed);
    dropShadow(c, sheet, {3, 4}, 4, 0.55);
    const double burnWidth = std::max(2.0, pad - 2.0);
    paint(c, sheet, [&](Vec p, double depth) {
        const double ragged = 0.6 + 0.8 * fbm(p.x / 7, p.y / 7, 2, seed + 1);
        const double burn = std::pow(clamp01(1 - depth / (burnWidth * ragged)), 1.6);
        return mix(parchmentAt(p, seed), kBurnt, 0.8 * burn);
    });
}

void drawCheckBox(Canvas& c, Rect box)
{
    const Shape outer = boxShape(toBox(box), 4);
    const Shape well = boxShape(padded(toBox(box), -5), 1.5);
    paint(c, outer, [&](Vec p, double depth) { return bronzeAt(p, 0.5 + 0.45 * bevelLight(outer, p, depth, 4.5)); });
    paint(c, well, [&](Vec p, double depth) {
        const double sunk = std::max(0.0, bevelLight(well, p, depth, 5));  // the rim shades the top and left
        return mix(parchmentAt(p, 5), kBurnt, 0.75 * sunk);
    });
}

void drawTick(Canvas& c, Rect box)
{
    const double x = box.left, y = box.top;
    const Shape stroke = smoothUnite(capsule({x + 9, y + 21}, {x + 16.5, y + 30}, 3.4),
                                     capsule({x + 16.5, y + 30}, {x + 31, y + 7}, 2.6), 2.5);
    dropShadow(c, stroke, {1.5, 2}, 1.5, 0.45);
    paint(c, grown(stroke, 1), rgb(40, 12, 10));
    paint(c, stroke, [&](Vec p, double depth) { return lit(rgb(150, 30, 22), 0.35 * bevelLight(stroke, p, depth, 2.5)); });
}

void drawLayoutPlates(Canvas& c, int picture, uint32_t seed)
{
    std::vector<int> drawnGroups;
    for (const Area& a : kAreas) {
        if (a.picture != picture)
            continue;
        if (a.group != 0 && std::find(drawnGroups.begin(), drawnGroups.end(), a.group) != drawnGroups.end())
            continue;  // a shared plate is drawn once, over the whole group
        drawnGroups.push_back(a.group);
        const Rect r = a.group != 0 ? groupBounds(picture, a.group) : a.rect;
        const uint32_t plateSeed = seed + 31 * r.top + r.left;
        if (a.part == Part::Button)
            drawScrollPlate(c, r, plateSeed);
        else if (a.part == Part::TextPlate)
            drawParchmentPlate(c, r, kTextPlatePad, plateSeed);
        else if (a.part == Part::CheckBox)
            drawCheckBox(c, r);
    }
}
