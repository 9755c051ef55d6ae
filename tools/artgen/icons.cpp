#include "icons.h"

#include <algorithm>

#include "lettering.h"
#include "materials.h"
#include "scenery.h"

namespace {

// Sixteen colours for both small pictures: outline, bronze, gilt, red.
constexpr std::array<Rgb8, 16> kIconPalette{{
    {0, 0, 0},       {34, 18, 8},     {96, 62, 22},   {160, 112, 46}, {214, 170, 92},  {250, 228, 160},
    {96, 20, 18},    {150, 32, 26},   {196, 62, 44},  {226, 172, 74}, {150, 92, 30},   {255, 246, 214},
    {60, 14, 12},    {120, 80, 40},   {255, 236, 170}, {255, 255, 255},
}};

uint8_t nearestIconColour(Colour c)
{
    int best = 1;
    double bestD = 1e18;
    for (int i = 1; i < 16; ++i) {  // 0 is kept for the transparent pixels
        const double dr = c.r - kIconPalette[i].r, dg = c.g - kIconPalette[i].g, db = c.b - kIconPalette[i].b;
        const double d = 3 * dr * dr + 4 * dg * dg + 2 * db * db;
        if (d < bestD) {
            bestD = d;
            best = i;
        }
    }
    return static_cast<uint8_t>(best);
}

}  // namespace

IconImage shieldIcon(int size)
{
    // Painted four times larger, then each pixel averages its covered samples.
    // At this size the shield needs its own drawing: a one-pixel outline, a
    // plain field and a heavier M than the full-size arms. Designed at 32
    // pixels; u is one of those pixels in the samples of this size.
    constexpr int k = 4;
    const int n = size, big = n * k;
    const double u = k * size / 32.0;
    const Shape outer = shieldShape({1.5 * u, 0.5 * u}, 29 * u, 31 * u);
    const Shape rim = grown(outer, -1 * u), field = grown(outer, -3.2 * u);
    const double capH = 11 * u, top = 8 * u;
    const double sx = capH / 100, mx = n * k / 2.0 - letterAdvance('M') * sx / 2;
    const Shape m = grown(letterShape('M', {mx, top}, sx, capH / 100), 0.35 * u);
    Canvas art(big, big, {}, 1), cover(big, big, {}, 1);
    paint(art, outer, rgb(34, 18, 8));
    paint(art, rim, [&](Vec p, double depth) { return bronzeAt(p, 0.55 + 0.5 * bevelLight(rim, p, depth, 1.5 * u)); });
    paint(art, field, [&](Vec p, double) { return mix(rgb(196, 62, 44), rgb(96, 20, 18), (p.y - 2 * u) / (28 * u)); });
    paint(art, grown(m, 1 * u), rgb(34, 18, 8));
    paint(art, m, [&](Vec p, double) { return giltAt((p.y - top) / capH); });
    paint(cover, outer, rgb(1, 1, 1));
    IconImage icon(n);
    icon.palette = kIconPalette;
    for (int y = 0; y < n; ++y)
        for (int x = 0; x < n; ++x) {
            Colour sum;
            double covered = 0;
            for (int j = 0; j < k; ++j)
                for (int i = 0; i < k; ++i) {
                    const int sx2 = x * k + i, sy2 = y * k + j;
                    const double a = cover.at(sx2, sy2).r;
                    const Colour& c = art.at(sx2, sy2);
                    sum = {sum.r + c.r * a, sum.g + c.g * a, sum.b + c.b * a};
                    covered += a;
                }
            const bool opaque = covered >= k * k / 2;
            icon.transparent[y * n + x] = !opaque;
            icon.pixels[y * n + x] = opaque ? nearestIconColour(scaled(sum, 1 / covered)) : 0;
        }
    return icon;
}

IconImage arrowCursor(int size)
{
    const int n = size;
    const double f = size / 32.0;   // designed at 32 pixels
    IconImage cur(n);
    cur.palette = kIconPalette;
    cur.hotX = static_cast<int>((kCursorHotX + 0.5) * f);
    cur.hotY = static_cast<int>((kCursorHotY + 0.5) * f);
    // Drawn on pixel centres: the tip lies on the centre of the hot spot pixel.
    const double tx = cur.hotX + 0.5, ty = cur.hotY + 0.5;
    const Shape arrow = polygon({{tx, ty}, {tx, ty + 19 * f}, {tx + 4.5 * f, ty + 14.8 * f}, {tx + 8.2 * f, ty + 22.6 * f},
                                 {tx + 11.2 * f, ty + 21.2 * f}, {tx + 7.6 * f, ty + 13.6 * f}, {tx + 13.6 * f, ty + 13.6 * f}});
    for (int y = 0; y < n; ++y)
        for (int x = 0; x < n; ++x) {
            const Vec p{x + 0.5, y + 0.5};
            const double d = arrow(p);
            // The outline grows inwards with the size; outwards it stays within a pixel of the
            // edge, so that nothing lies above or to the left of the tip.
            const bool body = d < -0.45 * f;
            const bool rim = !body && d < 0.8;
            cur.transparent[y * n + x] = !(body || rim);
            if (body) {
                // Polished bronze, bright towards the tip and along the left edge.
                const double along = ((p.x - tx) + (p.y - ty)) / (30 * f);
                const double edge = gradient(arrow, p).x < -0.5 && d > -1.6 * f ? 0.3 : 0.0;
                cur.pixels[y * n + x] = nearestIconColour(bronzeAt({p.x / f, p.y / f}, 0.85 - 0.6 * along + edge));
            } else if (rim) {
                cur.pixels[y * n + x] = 1;
            }
        }
    return cur;
}
