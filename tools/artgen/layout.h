#pragma once
#include "palette.h"

// Where the setup program draws on each picture. The artwork is built around
// these areas: plates under buttons and text, holes for the animations.

struct Rect {
    int left, top, right, bottom;  // right and bottom exclusive
    constexpr int width() const { return right - left; }
    constexpr int height() const { return bottom - top; }
};

enum class Part {
    Button,       // label in System font, centred, in any of the three button colours
    TextPlate,    // black or dark-brown text on light parchment
    CheckBox,     // empty box here; picture 208 is the ticked one
    MapWindow,    // map frames 700-716 are copied here
    StripWindow,  // strip frames 800-816 are copied here
    PanelText,    // wrapped black text on a panel
};

// Areas with the same non-zero group on one picture share a single plate.
struct Area {
    int picture;
    Part part;
    Rect rect;
    int group;
};

constexpr Area kAreas[] = {
    {130, Part::Button, {367, 77, 557, 118}, 0},
    {130, Part::Button, {367, 126, 557, 167}, 0},
    {130, Part::Button, {367, 175, 557, 216}, 0},
    {130, Part::Button, {367, 224, 557, 265}, 0},
    {130, Part::Button, {367, 273, 557, 314}, 0},
    {130, Part::Button, {367, 322, 557, 363}, 0},

    {141, Part::TextPlate, {52, 62, 636, 87}, 1},  // prompt line
    {141, Part::TextPlate, {52, 87, 636, 110}, 1},  // install folder
    {141, Part::Button, {94, 204, 284, 245}, 0},    // Browse
    {141, Part::Button, {96, 398, 286, 439}, 0},    // Back
    {141, Part::Button, {352, 398, 542, 439}, 0},   // Continue
    {141, Part::TextPlate, {348, 209, 544, 234}, 2},  // space needed
    {141, Part::TextPlate, {348, 236, 544, 261}, 2},  // space free
    {141, Part::TextPlate, {348, 310, 544, 335}, 3},  // check box label
    {141, Part::CheckBox, {255, 298, 293, 338}, 0},

    {143, Part::TextPlate, {113, 68, 521, 95}, 1},  // heading
    {143, Part::TextPlate, {113, 97, 521, 180}, 1},  // body
    {143, Part::Button, {95, 325, 285, 366}, 0},
    {143, Part::Button, {95, 396, 285, 437}, 0},
    {143, Part::Button, {352, 325, 542, 366}, 0},
    {143, Part::Button, {352, 396, 542, 437}, 0},

    {145, Part::MapWindow, {154, 42, 484, 311}, 0},
    {145, Part::StripWindow, {44, 328, 603, 405}, 0},
    {145, Part::Button, {218, 408, 408, 449}, 0},  // Cancel

    // Prompt panel, panel coordinates. OK shows alone, Yes and No together,
    // over one shared plate.
    {211, Part::PanelText, {46, 29, 472, 89}, 0},
    {211, Part::Button, {176, 111, 342, 151}, 1},  // OK
    {211, Part::Button, {76, 111, 229, 151}, 1},   // Yes
    {211, Part::Button, {289, 111, 442, 151}, 1},  // No
};

// The union of all areas of one plate group.
constexpr Rect groupBounds(int picture, int group)
{
    Rect r{0, 0, 0, 0};
    bool first = true;
    for (const Area& a : kAreas)
        if (a.picture == picture && a.group == group) {
            r = first ? a.rect
                      : Rect{a.rect.left < r.left ? a.rect.left : r.left, a.rect.top < r.top ? a.rect.top : r.top,
                             a.rect.right > r.right ? a.rect.right : r.right,
                             a.rect.bottom > r.bottom ? a.rect.bottom : r.bottom};
            first = false;
        }
    return r;
}

constexpr int kScreenWidth = 640, kScreenHeight = 480;
constexpr int kMapWidth = 332, kMapHeight = 271;      // only the top-left 330x269 is shown
constexpr int kStripWidth = 559, kStripHeight = 77;
constexpr int kStatusWidth = 338, kStatusHeight = 73;
constexpr int kPromptWidth = 527, kPromptHeight = 183;
constexpr int kPromptShownWidth = 522;
constexpr int kAnimationSteps = 16;  // frames 700..716 and 800..816

// Colours the setup program writes text in. The palette must not contain
// them: the program's own tests find labels on screen by these exact values.
constexpr Rgb8 kNormalText{80, 32, 23};
constexpr Rgb8 kHighlightText{242, 225, 205};
constexpr Rgb8 kDisabledText{93, 93, 93};
constexpr Rgb8 kStatusText{206, 162, 114};
constexpr Rgb8 kTextColours[] = {kNormalText, kHighlightText, kDisabledText, kStatusText};
