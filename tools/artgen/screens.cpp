#include "screens.h"

#include <cmath>
#include <stdexcept>

#include "layout.h"
#include "lettering.h"
#include "materials.h"
#include "scenery.h"

namespace {

// A thin bronze rule with a lozenge in the middle, under headings and titles.
void drawFlourish(Canvas& c, double x0, double x1, double y)
{
    const double mid = (x0 + x1) / 2;
    const Shape line = unite(capsule({x0, y}, {mid - 10, y}, 1.3), capsule({mid + 10, y}, {x1, y}, 1.3));
    const Shape lozenge = polygon({{mid - 9, y}, {mid, y - 5.5}, {mid + 9, y}, {mid, y + 5.5}});
    const Shape s = unite(line, lozenge);
    dropShadow(c, s, {2, 2.5}, 1.5, 0.7);
    paint(c, s, [&](Vec p, double depth) { return bronzeAt(p, 0.6 + 0.4 * bevelLight(s, p, depth, 1.5)); });
    drawRivet(c, {x0 - 4, y}, 2.5);
    drawRivet(c, {x1 + 4, y}, 2.5);
}

Shape pointedArch(double x0, double y0, double x1, double y1)
{
    const double w = x1 - x0, r = w * 0.56;
    const double rise = std::sqrt(r * r - (r - w / 2) * (r - w / 2));
    const double spring = y0 + rise;
    const Shape arch = intersect(circle({x0 + r, spring}, r), circle({x1 - r, spring}, r));
    return unite(intersect(arch, roundRect(x0, y0, x1, spring + 1, 0)), roundRect(x0, spring, x1, y1, 0));
}

// The game's name, small and centred, heading the inner screens.
void drawSmallTitle(Canvas& c, double top)
{
    const double capH = 24, widthScale = 0.84, tracking = 3;
    const double w = wordWidth("MARVOLEN", capH, widthScale, tracking);
    drawGildedWord(c, "MARVOLEN", {(kScreenWidth - w) / 2, top}, capH, widthScale, tracking);
    drawFlourish(c, kScreenWidth / 2.0 - w / 2 - 70, kScreenWidth / 2.0 - w / 2 - 14, top + capH / 2);
    drawFlourish(c, kScreenWidth / 2.0 + w / 2 + 14, kScreenWidth / 2.0 + w / 2 + 70, top + capH / 2);
}

// A round bronze-rimmed parchment disc with a gilt compass star.
void drawMedallion(Canvas& c, Vec centre, double radius)
{
    const Shape disc = circle(centre, radius);
    drawBronzeFrame(c, disc, 8);
    paint(c, disc, [&](Vec p, double depth) {
        const double sunk = std::max(0.0, bevelLight(disc, p, depth, 6));
        return mix(parchmentAt(p, 77), rgb(138, 98, 56), 0.7 * sunk);
    });
    for (double r : {radius * 0.78, radius * 0.72})
        paint(c, subtract(circle(centre, r + 0.5), circle(centre, r - 0.5)), rgb(120, 84, 48), 0.8);
    drawCompassStar(c, centre, radius * 0.9, false);
}

// Rolled top and bottom edges for a tall parchment group: it reads as an open scroll.
void drawSheetRolls(Canvas& c, int picture, int group)
{
    const Box sheet = padded(toBox(groupBounds(picture, group)), kTextPlatePad);
    drawRoll(c, {sheet.x0 - 12, sheet.y0 - 9, sheet.x1 + 12, sheet.y0 + 6}, false);
    drawRoll(c, {sheet.x0 - 12, sheet.y1 - 6, sheet.x1 + 12, sheet.y1 + 9}, false);
}

}  // namespace

Canvas mainMenuScreen()
{
    Canvas c(kScreenWidth, kScreenHeight);
    drawWoodBackground(c, 130);

    // Left: the title over a window onto the valley of Marvolen.
    const double capH = 42, widthScale = 0.84, tracking = 5;
    const double titleW = wordWidth("MARVOLEN", capH, widthScale, tracking);
    drawGildedWord(c, "MARVOLEN", {(350 - titleW) / 2, 22}, capH, widthScale, tracking);
    drawFlourish(c, 44, 306, 82);
    const Shape window = pointedArch(36, 104, 314, 452);
    const Canvas view = landscape(278, 348, TimeOfDay::Dusk, 7);
    placeThrough(c, view, {36, 104}, window);
    drawBronzeFrame(c, window, 9);

    // Right: the six scrolls on a recessed board, the arms below.
    drawInsetPanel(c, {340, 58, 584, 382}, 8, 131);
    drawLayoutPlates(c, 130, 1300);
    drawSword(c, {414, 466}, {520, 386});
    drawSword(c, {510, 466}, {404, 386});
    drawShield(c, {434, 396}, 56, 68);
    drawScreenFrame(c);
    return c;
}

Canvas destinationScreen()
{
    Canvas c(kScreenWidth, kScreenHeight);
    drawWoodBackground(c, 141);
    drawSmallTitle(c, 14);
    drawInsetPanel(c, {36, 152, 604, 376}, 8, 142);
    drawMedallion(c, {160, 318}, 44);
    drawLayoutPlates(c, 141, 1410);
    drawScreenFrame(c);
    return c;
}

Canvas finishScreen()
{
    Canvas c(kScreenWidth, kScreenHeight);
    drawWoodBackground(c, 143);
    drawSmallTitle(c, 10);
    // A dawn over the valley between the scroll and the buttons.
    const Shape painting = roundRect(104, 216, 536, 304, 2);
    drawBronzeFrame(c, painting, 8);
    placeThrough(c, landscape(432, 88, TimeOfDay::Dawn, 143), {104, 216}, painting);
    drawLayoutPlates(c, 143, 1430);
    drawSheetRolls(c, 143, 1);
    drawScreenFrame(c);
    return c;
}

Canvas progressScreen(const Canvas& blankMap, const Canvas& closedStrip)
{
    Canvas c(kScreenWidth, kScreenHeight);
    drawWoodBackground(c, 145);
    drawBanner(c, {44, 46, 112, 268}, 1451);
    drawBanner(c, {528, 46, 596, 268}, 1452);
    for (const Area& a : kAreas) {
        if (a.picture != 145 || (a.part != Part::MapWindow && a.part != Part::StripWindow))
            continue;
        // The window's picture goes on after its frame, so no frame shadow lies on it:
        // the animation frames replace it exactly.
        drawBronzeFrame(c, roundRect(a.rect.left, a.rect.top, a.rect.right, a.rect.bottom, 0),
                        a.part == Part::MapWindow ? 9 : 6);
        const Canvas& src = a.part == Part::MapWindow ? blankMap : closedStrip;
        c.place(src.crop(0, 0, a.rect.width(), a.rect.height()), a.rect.left, a.rect.top);
    }
    drawLayoutPlates(c, 145, 1450);
    drawScreenFrame(c);
    return c;
}

Canvas tickedBox(const Canvas& destination)
{
    for (const Area& a : kAreas)
        if (a.picture == 141 && a.part == Part::CheckBox) {
            Canvas box = destination.crop(a.rect.left, a.rect.top, a.rect.width(), a.rect.height());
            drawTick(box, {0, 0, a.rect.width(), a.rect.height()});
            return box;
        }
    throw std::logic_error("layout has no check box");
}
