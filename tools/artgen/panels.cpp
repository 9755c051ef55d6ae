#include "panels.h"

#include <cmath>

#include "layout.h"
#include "materials.h"
#include "noise.h"

namespace {

constexpr Colour kOutline = rgb(26, 15, 8);

// Everything the outline covers by at least half is panel; the rest keeps
// the screen. Half-covered edge pixels were blended towards the outline
// colour, which the canvas starts out as, so the cut edge stays dark.
// The mask has the panel canvas's pixels; `shownWidth` is in layout pixels.
Mask cutOut(const Shape& outline, const Canvas& panel, int shownWidth)
{
    const int width = panel.pixelWidth(), height = panel.pixelHeight();
    const double s = panel.scale();
    Mask m{width, height, std::vector<uint8_t>(static_cast<size_t>(width) * height)};
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            m.white[y * width + x] = x >= panel.pixel(shownWidth) || outline({(x + 0.5) / s, (y + 0.5) / s}) > 0;
    return m;
}

Shape statusShape()
{
    const double w = kStatusWidth, h = kStatusHeight, mid = h / 2;
    Shape body = roundRect(18, 4, w - 18, h - 4, 2);
    for (const Vec corner : {Vec{18, 4}, Vec{w - 18, 4}, Vec{18, h - 4}, Vec{w - 18, h - 4}})
        body = subtract(body, circle(corner, 8));  // notched corners
    Shape ends = unite(ellipse({19, mid}, 17, 25), ellipse({w - 19, mid}, 17, 25));
    ends = subtract(ends, unite(circle({-1, mid}, 7), circle({w + 1, mid}, 7)));  // scalloped tips
    return unite(body, ends);
}

}  // namespace

MaskedPanel statusPanel()
{
    Canvas c(kStatusWidth, kStatusHeight, kOutline);
    const Shape shape = statusShape();
    constexpr double kRim = 6;
    paint(c, shape, [&](Vec p, double depth) {
        if (depth < kRim)
            return bronzeAt(p, 0.5 + 0.45 * bevelLight(shape, p, depth, kRim * 0.6) -
                                   (std::fabs(depth - kRim * 0.55) < 0.6 ? 0.25 : 0.0));
        // The dark field sits below the rim; it stays flat where the text goes.
        const Colour field = lit(rgb(44, 28, 18), 0.18 * (fbm(p.x / 30, p.y / 12, 3, 207) - 0.5));
        const double shade = std::max(0.0, bevelLight(grown(shape, -kRim), p, depth - kRim, 6));
        return lit(field, -0.55 * shade);
    });
    for (const double x : {15.0, kStatusWidth - 15.0})
        drawRivet(c, {x, kStatusHeight / 2.0}, 3.5);
    return {c, cutOut(grown(shape, 1), c, kStatusWidth)};
}

MaskedPanel promptPanel()
{
    Canvas c(kPromptWidth, kPromptHeight, kOutline);
    const double h = kPromptHeight;
    const Box rollL{3, 1, 33, h - 1}, rollR{485, 1, 515, h - 1};
    const Shape sheet = roughened(roundRect(24, 9, 494, h - 9, 2), 1.6, 6, 211);
    const Shape rolls = unite(roundRect(rollL.x0, rollL.y0, rollL.x1, rollL.y1, 9),
                              roundRect(rollR.x0, rollR.y0, rollR.x1, rollR.y1, 9));
    const Shape outline = grown(unite(sheet, rolls), 1);
    paint(c, sheet, [&](Vec p, double depth) {
        Colour col = parchmentAt(p, 211);
        const double fromRoll = std::min(p.x - rollL.x1, rollR.x0 - p.x);
        col = scaled(col, 1 - 0.35 * std::pow(clamp01(1 - fromRoll / 18), 2));  // paper curving into the rolls
        col = mix(col, rgb(150, 110, 62), 0.7 * std::pow(clamp01(1 - depth / 5), 1.6));
        if (std::fabs(depth - 9) < 0.6 && fromRoll > 10)
            col = mix(col, rgb(120, 80, 44), 0.6);  // ruled border
        return col;
    });
    drawLayoutPlates(c, 211, 2110);
    drawRoll(c, rollL, true);
    drawRoll(c, rollR, true);
    return {c, cutOut(outline, c, kPromptShownWidth)};
}
