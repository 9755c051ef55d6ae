#pragma once
#include <array>
#include <cstddef>
#include <iterator>

#include "palette.h"
#include "base/types.h"
#include "resources/resource_ids.h"
#include "ui/layout_table.h"
#include "ui/scale.h"

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

// A layout rectangle in the pixels of a set drawn at `scale`, its edges rounded as the program
// rounds them.
inline Rect scaledRect(const Rect& r, double scale)
{
    const int dpi = static_cast<int>(scale * LayoutDpi + 0.5);
    return {ScaledCoordinate(r.left, dpi), ScaledCoordinate(r.top, dpi), ScaledCoordinate(r.right, dpi),
            ScaledCoordinate(r.bottom, dpi)};
}

constexpr Rect R(const RECT& r)
{
    return {static_cast<int>(r.left), static_cast<int>(r.top), static_cast<int>(r.right), static_cast<int>(r.bottom)};
}
constexpr Rect R(const Placement& p) { return {p.x, p.y, p.x + p.width, p.y + p.height}; }
// A rectangle of the frame in the coordinates of the prompt panel's picture.
constexpr Rect OnPromptPanel(const RECT& r)
{
    using Layout::PromptPanel;
    return {static_cast<int>(r.left) - PromptPanel.x, static_cast<int>(r.top) - PromptPanel.y,
            static_cast<int>(r.right) - PromptPanel.x, static_cast<int>(r.bottom) - PromptPanel.y};
}

constexpr bool IsCheckBox(const Rect& r)
{
    const Rect tick = R(Layout::Tick);
    return r.left == tick.left && r.top == tick.top && r.right == tick.right && r.bottom == tick.bottom;
}

// Every area from the program's own layout table, so a rectangle moved or a button added there
// moves or gets its plate here.
using namespace Layout;
constexpr std::size_t kAreaCount = std::size(MainMenuRects) + std::size(DestinationRects) + 5 +
                                   std::size(FinishRects) + 2 + std::size(ProgressRects) + 2 +
                                   1 + std::size(MessageRects) + std::size(QuestionRects);
constexpr std::array<Area, kAreaCount> kAreas = [] {
    std::array<Area, kAreaCount> areas{};
    std::size_t n = 0;
    for (const RECT& r : MainMenuRects) areas[n++] = {MainMenu, Part::Button, R(r), 0};

    areas[n++] = {DestinationScreen, Part::TextPlate, R(InstallFolderHeading), 1};
    areas[n++] = {DestinationScreen, Part::TextPlate, R(InstallPathLine), 1};
    // The check box is the button the tick covers, wherever it stands among the others: it is
    // drawn empty, after the plates of the rest.
    for (const RECT& r : DestinationRects)
        if (!IsCheckBox(R(r))) areas[n++] = {DestinationScreen, Part::Button, R(r), 0};
    areas[n++] = {DestinationScreen, Part::TextPlate, R(FreeSpaceLine), 2};
    areas[n++] = {DestinationScreen, Part::TextPlate, R(SpaceRequiredLine), 2};
    areas[n++] = {DestinationScreen, Part::TextPlate, R(DesktopIconLabel), 3};
    std::size_t boxes = 0;
    for (const RECT& r : DestinationRects) {
        if (!IsCheckBox(R(r))) continue;
        areas[n++] = {DestinationScreen, Part::CheckBox, R(r), 0};
        ++boxes;
    }
    if (boxes != 1) throw "exactly one destination button must lie under the tick";   // stops the build

    areas[n++] = {FinishScreen, Part::TextPlate, R(FinishHeading), 1};
    areas[n++] = {FinishScreen, Part::TextPlate, R(FinishBody), 1};
    for (const RECT& r : FinishRects) areas[n++] = {FinishScreen, Part::Button, R(r), 0};

    areas[n++] = {ProgressScreen, Part::MapWindow, R(MapPicture), 0};
    areas[n++] = {ProgressScreen, Part::StripWindow, R(Strip), 0};
    for (const RECT& r : ProgressRects) areas[n++] = {ProgressScreen, Part::Button, R(r), 0};   // Cancel

    // Prompt panel, panel coordinates. OK shows alone, Yes and No together, over one shared plate.
    areas[n++] = {IDB_PROMPT_PANEL, Part::PanelText, OnPromptPanel(PromptText), 0};
    for (const RECT& r : MessageRects) areas[n++] = {IDB_PROMPT_PANEL, Part::Button, OnPromptPanel(r), 1};
    for (const RECT& r : QuestionRects) areas[n++] = {IDB_PROMPT_PANEL, Part::Button, OnPromptPanel(r), 1};
    if (n != kAreaCount) throw "kAreaCount does not count every area";   // stops the build
    return areas;
}();

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

constexpr int kScreenWidth = FrameWidth, kScreenHeight = FrameHeight;
constexpr int kMapWidth = MapBitmapWidth, kMapHeight = MapBitmapHeight;   // only MapPicture's part is shown
constexpr int kStripWidth = Strip.width, kStripHeight = Strip.height;
constexpr int kStatusWidth = StatusPanel.width, kStatusHeight = StatusPanel.height;
constexpr int kPromptWidth = PromptBitmapWidth, kPromptHeight = PromptPanel.height;
constexpr int kPromptShownWidth = PromptPanel.width;
constexpr int kAnimationSteps = PROGRESS_FRAMES - 1;  // frames 700..716 and 800..816

// Colours the setup program writes text in (COLORREF is 0x00BBGGRR). The palette must not
// contain them: the program's own tests find labels on screen by these exact values.
constexpr Rgb8 FromColourRef(COLORREF c)
{
    return {static_cast<uint8_t>(c & 0xFF), static_cast<uint8_t>((c >> 8) & 0xFF), static_cast<uint8_t>((c >> 16) & 0xFF)};
}
constexpr Rgb8 kNormalText = FromColourRef(NormalColour);
constexpr Rgb8 kHighlightText = FromColourRef(HighlightColour);
constexpr Rgb8 kDisabledText = FromColourRef(DisabledColour);
constexpr Rgb8 kStatusText = FromColourRef(StatusTextColour);
constexpr Rgb8 kTextColours[] = {kNormalText, kHighlightText, kDisabledText, kStatusText};
