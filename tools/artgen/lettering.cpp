#include "lettering.h"

#include <cmath>
#include <stdexcept>
#include <vector>

namespace {

constexpr double kThick = 17, kThin = 7;

// Strokes run past the cap band and are cut by it, which gives the flat
// apexes and square feet of inscriptional capitals.
Shape stem(double x, double w) { return bar({x, -20}, {x, 120}, w / 2); }

Shape slab(double x0, double y0, double x1, double y1) { return roundRect(x0, y0, x1, y1, 0); }

Shape diagonal(Vec a, Vec b, double w)
{
    const double dx = b.x - a.x, dy = b.y - a.y, l = std::hypot(dx, dy), e = 20 / l;
    return bar({a.x - dx * e, a.y - dy * e}, {b.x + dx * e, b.y + dy * e}, w / 2);
}

Shape baseSerif(double x) { return slab(x - 12, 94, x + 12, 100); }
Shape topSerif(double x0, double x1) { return slab(x0, 0, x1, 6); }

Shape join(const std::vector<Shape>& parts)
{
    Shape s = parts[0];
    for (size_t i = 1; i < parts.size(); ++i)
        s = smoothUnite(s, parts[i], 3);  // the smooth joins bracket the serifs
    return s;
}

Shape clipToCaps(const Shape& s) { return intersect(s, slab(-50, 0, 200, 100)); }

Shape designGlyph(char letter)
{
    switch (letter) {
    case 'M':
        return clipToCaps(join({stem(12, kThin), stem(97, kThick), diagonal({12, 0}, {55, 100}, kThick),
                                diagonal({55, 100}, {97, 0}, kThin), baseSerif(12), baseSerif(97),
                                topSerif(1, 14), topSerif(95, 109)}));
    case 'A':
        return clipToCaps(join({diagonal({50, 0}, {12, 100}, kThin), diagonal({50, 0}, {88, 100}, kThick),
                                slab(27, 62, 72, 69), baseSerif(12), baseSerif(88)}));
    case 'R': {
        const Shape bowl = intersect(subtract(ellipse({54, 27.5}, 28, 27.5), ellipse({51, 27.5}, 14, 20.5)),
                                     slab(40, -10, 100, 60));
        return clipToCaps(join({stem(17, kThick), slab(17, 0, 54, 7), slab(17, 48, 54, 55), bowl,
                                diagonal({48, 52}, {88, 100}, 15), baseSerif(17), slab(80, 94, 98, 100),
                                topSerif(3, 17)}));
    }
    case 'V':
        return clipToCaps(join({diagonal({12, 0}, {50, 100}, kThick), diagonal({88, 0}, {50, 100}, kThin),
                                topSerif(0, 25), topSerif(76, 99)}));
    case 'O':
        return subtract(ellipse({52, 50}, 47, 51.5), ellipse({52, 50}, 29.5, 43));
    case 'L':
        return clipToCaps(join({stem(17, kThick), slab(17, 93, 80, 100), polygon({{71, 100}, {81, 100}, {81, 76}}),
                                baseSerif(17), topSerif(3, 32)}));
    case 'E':
        return clipToCaps(join({stem(17, kThick), slab(17, 0, 76, 7), polygon({{69, 0}, {77, 0}, {77, 21}}),
                                slab(17, 47, 64, 54), slab(61, 40, 66, 61), slab(17, 93, 80, 100),
                                polygon({{71, 100}, {81, 100}, {81, 76}}), baseSerif(17), topSerif(3, 17)}));
    case 'N':
        return clipToCaps(join({stem(14, kThin), stem(90, kThin), diagonal({14, 0}, {90, 100}, kThick),
                                slab(2, 94, 26, 100), topSerif(2, 14), topSerif(78, 102)}));
    default:
        throw std::logic_error(std::string("no glyph for ") + letter);
    }
}

}  // namespace

double letterAdvance(char letter)
{
    switch (letter) {
    case 'M': return 110;
    case 'A': return 100;
    case 'R': return 96;
    case 'V': return 100;
    case 'O': return 104;
    case 'L': return 84;
    case 'E': return 86;
    case 'N': return 104;
    default: throw std::logic_error(std::string("no glyph for ") + letter);
    }
}

Shape letterShape(char letter, Vec origin, double sx, double sy)
{
    const Shape g = designGlyph(letter);
    const double k = std::min(sx, sy);
    return {[g, origin, sx, sy, k](Vec p) { return g({(p.x - origin.x) / sx, (p.y - origin.y) / sy}) * k; },
            {origin.x + g.box.x0 * sx, origin.y + g.box.y0 * sy, origin.x + g.box.x1 * sx, origin.y + g.box.y1 * sy}};
}

double wordWidth(const std::string& word, double capHeight, double widthScale, double tracking)
{
    double units = 0;
    for (char ch : word)
        units += letterAdvance(ch);
    return units * capHeight / 100 * widthScale + tracking * (word.size() - 1);
}

Shape wordShape(const std::string& word, Vec origin, double capHeight, double widthScale, double tracking)
{
    const double sy = capHeight / 100, sx = sy * widthScale;
    Shape s = letterShape(word[0], origin, sx, sy);
    double x = origin.x + letterAdvance(word[0]) * sx + tracking;
    for (size_t i = 1; i < word.size(); ++i) {
        s = unite(s, letterShape(word[i], {x, origin.y}, sx, sy));
        x += letterAdvance(word[i]) * sx + tracking;
    }
    return s;
}

Colour giltAt(double v)
{
    // Polished metal reflects a bright sky above a dark horizon line.
    if (v < 0.48)
        return mix(rgb(255, 244, 196), rgb(226, 172, 74), v / 0.48);
    if (v < 0.56)
        return mix(rgb(226, 172, 74), rgb(140, 84, 28), (v - 0.48) / 0.08);
    return mix(rgb(140, 84, 28), rgb(236, 190, 100), clamp01((v - 0.56) / 0.44));
}

void drawGildedWord(Canvas& c, const std::string& word, Vec origin, double capHeight, double widthScale,
                    double tracking)
{
    const Shape s = wordShape(word, origin, capHeight, widthScale, tracking);
    dropShadow(c, s, {3, 4}, 3, 0.8);
    paint(c, grown(s, 2), rgb(34, 18, 8));
    paint(c, s, [&](Vec p, double depth) {
        const Colour g = giltAt((p.y - origin.y) / capHeight);
        return lit(g, 0.6 * bevelLight(s, p, depth, 1.8));
    });
}
