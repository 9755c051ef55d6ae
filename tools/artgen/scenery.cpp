#include "scenery.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "lettering.h"
#include "materials.h"
#include "noise.h"

namespace {

struct SkyKey {
    double at;
    Colour colour;
};

const std::vector<SkyKey>& skyKeys(TimeOfDay time)
{
    static const std::vector<SkyKey> dusk{{0.0, rgb(18, 24, 56)},    {0.35, rgb(48, 54, 104)},
                                          {0.62, rgb(116, 86, 128)}, {0.82, rgb(208, 126, 104)},
                                          {0.93, rgb(240, 168, 98)}, {1.0, rgb(252, 212, 142)}};
    static const std::vector<SkyKey> dawn{{0.0, rgb(54, 76, 136)},   {0.4, rgb(110, 126, 172)},
                                          {0.68, rgb(196, 156, 160)}, {0.86, rgb(246, 190, 130)},
                                          {1.0, rgb(255, 232, 180)}};
    return time == TimeOfDay::Dusk ? dusk : dawn;
}

Colour skyAt(double t, TimeOfDay time)
{
    const std::vector<SkyKey>& k = skyKeys(time);
    t = clamp01(t);
    for (size_t i = 1; i < k.size(); ++i)
        if (t <= k[i].at)
            return mix(k[i - 1].colour, k[i].colour, (t - k[i - 1].at) / (k[i].at - k[i - 1].at));
    return k.back().colour;
}

// Height profile of a mountain range, sharp-crested.
double ridge(double x, double scale, uint32_t seed)
{
    double h = 0, amp = 1, norm = 0;
    for (int i = 0; i < 4; ++i) {
        const double n = valueNoise(x / scale * (1 << i), 0.5 + i * 7.3, seed + i);
        h += amp * (1 - std::fabs(2 * n - 1));
        norm += amp;
        amp *= 0.45;
    }
    return h / norm;
}

void paintSky(Canvas& c, double horizon, TimeOfDay time, uint32_t seed)
{
    for (int py = 0; py < c.pixelHeight(); ++py)
        for (int px = 0; px < c.pixelWidth(); ++px) {
            const double x = c.layoutAt(px), y = c.layoutAt(py);
            const double t = (y + 0.5) / horizon;
            Colour col = skyAt(t, time);
            // Long thin clouds, lit from below by the low sun.
            const double n = fbm(x / 110.0, y / 11.0, 4, seed);
            const double cloud = smoothstep(0.55, 0.75, n) * smoothstep(0.05, 0.3, t) * (1 - smoothstep(0.8, 0.98, t));
            const Colour lit = time == TimeOfDay::Dusk ? rgb(226, 140, 120) : rgb(255, 214, 180);
            const Colour shade = time == TimeOfDay::Dusk ? rgb(66, 56, 96) : rgb(140, 130, 170);
            const double underside = clamp01((fbm(x / 110.0, (y - 3) / 11.0, 4, seed) - n) * 18 + 0.5);
            col = mix(col, mix(shade, lit, underside), cloud * 0.8);
            // Stars, one to a layout pixel at any scale.
            const int starX = static_cast<int>(std::floor(px / c.scale())), starY = static_cast<int>(std::floor(py / c.scale()));
            if (time == TimeOfDay::Dusk && t < 0.55 && (hash2(starX, starY, seed + 9) % 997) < 3)
                col = mix(col, rgb(255, 250, 230), 0.9 * (1 - t / 0.55));
            c.at(px, py) = col;
        }
}

void paintHeavenlyBody(Canvas& c, Vec centre, double radius, TimeOfDay time)
{
    const Colour face = time == TimeOfDay::Dusk ? rgb(248, 240, 206) : rgb(255, 246, 210);
    for (int y = 0; y < c.pixelHeight(); ++y)
        for (int x = 0; x < c.pixelWidth(); ++x) {
            const double d = std::hypot((x + 0.5) / c.scale() - centre.x, (y + 0.5) / c.scale() - centre.y);
            const double glow = std::exp(-std::max(0.0, d - radius) / radius) * 0.2;
            c.blend(x, y, face, glow);
        }
    paint(c, circle(centre, radius), [&](Vec p, double) {
        const double n = fbm(p.x / 5, p.y / 5, 2, 41);
        return time == TimeOfDay::Dusk ? lit(face, -0.12 * n) : face;
    });
}

// A range filling everything below its crest line, snow-capped above `snowY`.
void paintRange(Canvas& c, double base, double height, double scale, Colour rock, Colour lightRock, Colour haze,
                double hazeAmount, double snowY, uint32_t seed)
{
    const double s = c.scale();
    for (int px = 0; px < c.pixelWidth(); ++px) {
        const double x = c.layoutAt(px);
        const double crest = base - height * ridge(x, scale, seed);
        // Faces turned to the left catch the light; measured over a few pixels so columns do not streak.
        const double slope = (ridge(x + 3, scale, seed) - ridge(x - 3, scale, seed)) / 6 * height;
        for (int py = std::max(0, static_cast<int>(crest * s) - 1); py < c.pixelHeight(); ++py) {
            const double y = c.layoutAt(py);
            const double cover = clamp01(py + 1 - crest * s);
            const double below = (y - crest) / height;
            // Ridged noise stretched downhill draws spurs and gullies; they are
            // lit on their left faces like the crest itself.
            auto spur = [&](double sx) {
                return 1 - std::fabs(2 * fbm(sx / 40 + y / 80.0, y / 90.0, 3, seed + 3) - 1);
            };
            const double facet = (spur(x - 2) - spur(x + 2)) * 2;
            const double gully = spur(x) - 0.5;
            const double light =
                clamp01(0.45 - slope * 0.8 * std::exp(-below * 6) + facet + 0.25 * gully - 0.5 * below);
            Colour col = mix(rock, lightRock, light);
            if (y < snowY + 10 * (fbm(x / 6.0, y / 5.0, 2, seed + 5) - 0.5) + 14 * gully)
                col = mix(rgb(140, 138, 176), rgb(232, 228, 242), light);
            col = mix(col, haze, hazeAmount * (0.5 + 0.5 * clamp01(below * 1.5)));
            c.blend(px, py, col, cover);
        }
    }
}

void paintMist(Canvas& c, double y0, double y1, Colour mistColour, uint32_t seed)
{
    const double s = c.scale();
    for (int py = std::max(0, static_cast<int>(y0 * s)); py < std::min(c.pixelHeight(), static_cast<int>(y1 * s)); ++py)
        for (int px = 0; px < c.pixelWidth(); ++px) {
            const double x = c.layoutAt(px), y = c.layoutAt(py);
            const double band = std::sin(3.14159 * (y - y0) / (y1 - y0));
            const double n = fbm(x / 70.0, y / 8.0, 3, seed);
            c.blend(px, py, mistColour, 0.55 * band * smoothstep(0.35, 0.7, n));
        }
}

Colour castleStone(Vec p, Box b, TimeOfDay time)
{
    // Seen against the low sun: a dark face with warm light along the left edges.
    const Colour dark = time == TimeOfDay::Dusk ? rgb(44, 40, 62) : rgb(86, 80, 104);
    const double courses = std::fmod(p.y, 5) < 1 ? -0.15 : 0.0;
    const double rim = p.x - b.x0 < 1.6 ? 0.35 : 0.0;
    return lit(lit(dark, courses), rim);
}

void paintTower(Canvas& c, double x, double top, double bottom, double w, TimeOfDay time, uint32_t seed)
{
    const Box b{x - w / 2, top, x + w / 2, bottom};
    Shape tower = roundRect(b.x0, b.y0, b.x1, b.y1, 0);
    paint(c, tower, [&](Vec p, double) { return castleStone(p, b, time); });
    // Conical roof with a pennant.
    const double roofH = w * 1.5;
    const Shape roof = polygon({{x - w / 2 - 2, top}, {x + w / 2 + 2, top}, {x, top - roofH}});
    paint(c, roof, [&](Vec p, double) { return lit(rgb(96, 34, 40), p.x < x ? 0.18 : -0.35); });
    paint(c, bar({x, top - roofH}, {x, top - roofH - 7}, 0.45), rgb(40, 30, 30));
    paint(c, polygon({{x, top - roofH - 7}, {x + 8, top - roofH - 5.5}, {x, top - roofH - 4}}), rgb(200, 50, 36));
    // Lit windows.
    Lcg rng(seed);
    for (double wy = top + 6; wy < bottom - 8; wy += 11)
        if (rng.unit() < 0.7)
            paint(c, roundRect(x - 1, wy, x + 1.2, wy + 3.5, 0.4), rgb(255, 206, 112));
}

void paintCastle(Canvas& c, double cx, double base, double scale, TimeOfDay time, uint32_t seed)
{
    // The crag the castle stands on.
    const double s = scale;
    const Shape crag = polygon({{cx - 70 * s, base + 60 * s}, {cx - 48 * s, base + 8 * s}, {cx - 30 * s, base},
                                {cx + 34 * s, base}, {cx + 50 * s, base + 14 * s}, {cx + 78 * s, base + 60 * s}});
    paint(c, crag, [&](Vec p, double depth) {
        const double n = fbm(p.x / 6, p.y / 9, 3, seed);
        const double edgeLight = 0.3 * std::max(0.0, bevelLight(crag, p, depth, 3));
        return lit(rgb(64, 56, 78), 0.25 * (n - 0.5) - 0.3 * clamp01(depth / 30) + edgeLight);
    });
    // Curtain wall with crenellations.
    const double wallTop = base - 18 * s;
    const Box wall{cx - 34 * s, wallTop, cx + 36 * s, base + 1};
    paint(c, roundRect(wall.x0, wall.y0, wall.x1, wall.y1, 0), [&](Vec p, double) { return castleStone(p, wall, time); });
    for (double x = wall.x0; x < wall.x1 - 2; x += 5 * s)
        paint(c, roundRect(x, wallTop - 3 * s, x + 2.6 * s, wallTop + 0.5, 0), [&](Vec p, double) { return castleStone(p, wall, time); });
    // Keep and towers.
    const Box keep{cx - 12 * s, base - 44 * s, cx + 10 * s, base};
    paint(c, roundRect(keep.x0, keep.y0, keep.x1, keep.y1, 0), [&](Vec p, double) { return castleStone(p, keep, time); });
    for (double x = keep.x0; x < keep.x1 - 2; x += 5 * s)
        paint(c, roundRect(x, keep.y0 - 3.5 * s, x + 2.6 * s, keep.y0 + 0.5, 0), [&](Vec p, double) { return castleStone(p, keep, time); });
    paintTower(c, cx - 34 * s, base - 34 * s, base, 9 * s, time, seed + 1);
    paintTower(c, cx + 36 * s, base - 30 * s, base, 9 * s, time, seed + 2);
    paintTower(c, cx + 14 * s, base - 58 * s, base - 30 * s, 7 * s, time, seed + 3);
    paintTower(c, cx - 16 * s, base - 52 * s, base - 30 * s, 6 * s, time, seed + 4);
    for (double wy : {base - 36 * s, base - 24 * s})
        for (double wx : {cx - 6 * s, cx + 3 * s})
            paint(c, roundRect(wx, wy, wx + 2 * s, wy + 4 * s, 0.5), rgb(255, 210, 120));
    paint(c, roundRect(cx - 3 * s, base - 8 * s, cx + 4 * s, base, 3 * s), rgb(30, 22, 30));  // gate
}

void paintForeground(Canvas& c, double base, double scale, Colour ground, uint32_t seed)
{
    const double s = c.scale();
    std::vector<double> crest(c.pixelWidth());   // in layout pixels, one for each column of pixels
    for (int px = 0; px < c.pixelWidth(); ++px)
        crest[px] = base - 26 * scale * fbm(c.layoutAt(px) / 90.0, 3.3, 3, seed);
    for (int px = 0; px < c.pixelWidth(); ++px)
        for (int py = std::max(0, static_cast<int>(crest[px] * s) - 1); py < c.pixelHeight(); ++py)
            c.blend(px, py, lit(ground, 0.1 * (fbm(c.layoutAt(px) / 12.0, c.layoutAt(py) / 6.0, 2, seed + 1) - 0.5)),
                    clamp01(py + 1 - crest[px] * s));
    // Pines along the crest.
    Lcg rng(seed + 5);
    for (double x = rng.range(0, 10); x < c.width(); x += rng.range(5, 16) * scale) {
        const double h = rng.range(14, 34) * scale, y = crest[std::clamp(static_cast<int>(x * s), 0, c.pixelWidth() - 1)] + 3;
        std::vector<Vec> pts;
        for (int tier = 0; tier < 4; ++tier) {
            const double ty = y - h * tier / 4.0, half = h * 0.23 * (1 - tier / 5.0);
            pts.push_back({x - half, ty});
            pts.push_back({x - half * 0.35, ty - h * 0.2});
        }
        pts.push_back({x, y - h});
        for (int i = static_cast<int>(pts.size()) - 2; i >= 0; --i)
            pts.push_back({2 * x - pts[i].x, pts[i].y});
        paint(c, polygon(pts), lit(ground, -0.25));
    }
}

}  // namespace

Canvas landscape(int width, int height, TimeOfDay time, uint32_t seed)
{
    Canvas c(width, height);
    const double w = width, h = height, horizon = h * 0.6;
    const bool dusk = time == TimeOfDay::Dusk;
    paintSky(c, horizon, time, seed);
    paintHeavenlyBody(c, dusk ? Vec{w * 0.76, h * 0.13} : Vec{w * 0.26, horizon - h * 0.06}, dusk ? 9 : 15, time);
    const Colour haze = skyAt(0.8, time);
    paintRange(c, horizon, h * 0.17, 60, rgb(96, 86, 126), rgb(150, 130, 164), haze, 0.35, horizon - h * 0.12,
               seed + 100);
    paintRange(c, horizon + h * 0.07, h * 0.2, 90, rgb(34, 34, 56), rgb(96, 90, 126), haze, 0.1,
               horizon - h * 0.09, seed + 200);
    paintMist(c, horizon + h * 0.04, horizon + h * 0.16, dusk ? rgb(176, 150, 176) : rgb(250, 226, 210), seed + 300);
    // Castle and trees keep their size in a tall window and shrink in a wide, low one.
    const double detail = std::min(1.0, h / 348 * 1.4);
    paintCastle(c, w * 0.58, h * 0.72, std::min(w / 280, h / 150) * 1.25, time, seed + 400);
    paintForeground(c, h * 0.93, detail, dusk ? rgb(22, 28, 34) : rgb(40, 58, 44), seed + 500);
    return c;
}

void placeThrough(Canvas& dst, const Canvas& src, Vec origin, const Shape& window)
{
    paint(dst, window, [&](Vec p, double) {
        const int x = std::clamp(static_cast<int>((p.x - origin.x) * src.scale()), 0, src.pixelWidth() - 1);
        const int y = std::clamp(static_cast<int>((p.y - origin.y) * src.scale()), 0, src.pixelHeight() - 1);
        return src.at(x, y);
    });
}

Shape shieldShape(Vec tl, double w, double h)
{
    const double yA = tl.y + h - 0.866 * w;
    const Shape point = intersect(circle({tl.x + w, yA}, w), circle({tl.x, yA}, w));
    const Shape upper = roundRect(tl.x, tl.y, tl.x + w, yA, 0);
    return intersect(roundRect(tl.x, tl.y, tl.x + w, tl.y + h, 0), unite(upper, point));
}

void drawShield(Canvas& c, Vec tl, double w, double h)
{
    const Shape outer = shieldShape(tl, w, h);
    const double rim = std::max(2.5, w * 0.08);
    const Shape field = shieldShape({tl.x + rim, tl.y + rim}, w - 2 * rim, h - 2 * rim * 1.3);
    dropShadow(c, outer, {3, 4}, 4, 0.7);
    paint(c, outer, [&](Vec p, double depth) { return bronzeAt(p, 0.5 + 0.45 * bevelLight(outer, p, depth, rim * 0.8)); });
    paint(c, field, [&](Vec p, double depth) {
        // Diapered red field: a faint lattice of lozenges.
        const double u = (p.x - tl.x) / (w / 6), v = (p.y - tl.y) / (w / 6);
        auto onLine = [](double t) { return std::fabs(std::fmod(t + 100, 1.0) - 0.5) < 0.06; };
        const bool lattice = onLine(u + v) || onLine(u - v);
        const double light = 0.25 * (1 - (p.y - tl.y) / h) - 0.2 * clamp01(1 - depth / 3);  // rim shades the edge
        return lit(mix(rgb(150, 30, 24), rgb(104, 20, 18), lattice ? 0.6 : 0.0), light);
    });
    const double capH = h * 0.42, sy = capH / 100, sx = sy * 0.95;
    const Vec o{tl.x + w / 2 - letterAdvance('M') * sx / 2, tl.y + h * 0.2};
    const Shape m = letterShape('M', o, sx, sy);
    dropShadow(c, m, {1.5, 2}, 1.5, 0.7);
    paint(c, grown(m, 1), rgb(40, 18, 8));
    paint(c, m, [&](Vec p, double depth) { return lit(giltAt((p.y - o.y) / capH), 0.6 * bevelLight(m, p, depth, 1.5)); });
}

void drawBanner(Canvas& c, Box b, uint32_t seed)
{
    const double w = b.x1 - b.x0, notch = w * 0.35;
    const Shape cloth = polygon({{b.x0, b.y0}, {b.x1, b.y0}, {b.x1, b.y1}, {b.x0 + w / 2, b.y1 - notch}, {b.x0, b.y1}});
    dropShadow(c, cloth, {4, 5}, 5, 0.65);
    paint(c, cloth, [&](Vec p, double depth) {
        // Hanging folds run down the cloth.
        const double u = (p.x - b.x0) / w;
        const double fold = std::sin(u * 3.14159 * 3 + 0.6) * 0.5 + 0.2 * fbm(p.x / 6, p.y / 40, 2, seed);
        Colour col = lit(rgb(138, 28, 24), 0.22 * fold - 0.25 * (p.y - b.y0) / (b.y1 - b.y0));
        if (depth > 3 && depth < 6.5)
            col = lit(bronzeAt(p, 0.55 + 0.2 * fold), 0.1);  // gold braid
        return col;
    });
    const double sw = w * 0.56;
    drawShield(c, {b.x0 + (w - sw) / 2, b.y0 + (b.y1 - b.y0) * 0.22}, sw, sw * 1.2);
    // The rod and its finials.
    const double ry = b.y0 - 1;
    const Shape rod = roundRect(b.x0 - 10, ry - 3.5, b.x1 + 10, ry + 3.5, 3.5);
    dropShadow(c, rod, {3, 4}, 3, 0.6);
    paint(c, rod, [&](Vec p, double) { return bronzeAt(p, 0.85 - 0.8 * (p.y - (ry - 3.5)) / 7); });
    drawRivet(c, {b.x0 - 11, ry}, 5);
    drawRivet(c, {b.x1 + 11, ry}, 5);
}

void drawCompassStar(Canvas& c, Vec centre, double radius, bool ink)
{
    const Colour inkDark = rgb(58, 36, 22), inkWash = rgb(196, 168, 120);
    // Short diagonal points first, the long cardinal points over them.
    for (int pass = 0; pass < 2; ++pass)
        for (int k = 0; k < 4; ++k) {
            const double a = (k * 90 + (pass == 0 ? 45 : 0)) * 3.14159265 / 180;
            const double len = radius * (pass == 0 ? 0.62 : 1.0), waist = radius * (pass == 0 ? 0.13 : 0.17);
            const Vec tip{centre.x + std::sin(a) * len, centre.y - std::cos(a) * len};
            const Vec side1{centre.x + std::sin(a + 1.5708) * waist, centre.y - std::cos(a + 1.5708) * waist};
            const Vec side2{centre.x + std::sin(a - 1.5708) * waist, centre.y - std::cos(a - 1.5708) * waist};
            // Each point is split along its spine into a lit and a shaded half.
            const Shape lit1 = polygon({centre, tip, side1}), dark = polygon({centre, side2, tip});
            if (ink) {
                paint(c, grown(unite(lit1, dark), 0.7), inkDark);
                paint(c, lit1, inkWash);
                paint(c, dark, inkDark);
            } else {
                paint(c, grown(unite(lit1, dark), 1), rgb(40, 22, 8));
                paint(c, lit1, [&](Vec p, double) { return pass ? giltAt(0.2) : bronzeAt(p, 0.7); });
                paint(c, dark, [&](Vec p, double) { return pass ? giltAt(0.62) : bronzeAt(p, 0.3); });
            }
        }
    const Shape hub = circle(centre, radius * 0.07);
    paint(c, grown(hub, 0.8), ink ? inkDark : rgb(40, 22, 8));
    paint(c, hub, ink ? inkWash : giltAt(0.3));
}

void drawSword(Canvas& c, Vec pommel, Vec tip)
{
    const double len = std::hypot(tip.x - pommel.x, tip.y - pommel.y);
    const Vec u{(tip.x - pommel.x) / len, (tip.y - pommel.y) / len}, n{-u.y, u.x};
    auto at = [&](double along, double across) {
        return Vec{pommel.x + u.x * along + n.x * across, pommel.y + u.y * along + n.y * across};
    };
    const double guard = len * 0.2, blade = 3.2;
    const Shape lit1 = polygon({at(guard, 0), at(guard, blade), at(len - 14, blade), tip});
    const Shape dark = polygon({at(guard, 0), tip, at(len - 14, -blade), at(guard, -blade)});
    const Shape sword = unite(unite(lit1, dark), capsule(at(4, 0), at(guard, 0), 3));
    dropShadow(c, sword, {3, 4}, 3, 0.6);
    paint(c, grown(unite(lit1, dark), 0.8), rgb(30, 26, 40));
    paint(c, lit1, [&](Vec p, double) { return mix(rgb(236, 232, 244), rgb(166, 158, 186), clamp01((p.y - tip.y) / len)); });
    paint(c, dark, [&](Vec p, double) { return mix(rgb(130, 120, 150), rgb(70, 64, 92), clamp01((p.y - tip.y) / len)); });
    const Shape grip = capsule(at(5, 0), at(guard, 0), 2.2);
    paint(c, grown(grip, 0.8), rgb(40, 22, 8));
    paint(c, grip, [&](Vec p, double depth) { return lit(rgb(132, 84, 48), 0.5 * bevelLight(grip, p, depth, 1.5)); });
    const Shape crossguard = capsule(at(guard, -9), at(guard, 9), 2.2);
    paint(c, grown(crossguard, 0.8), rgb(40, 22, 8));
    paint(c, crossguard, [&](Vec p, double depth) { return lit(giltAt(0.3), 0.5 * bevelLight(crossguard, p, depth, 1.5)); });
    drawRivet(c, pommel, 4);
}
