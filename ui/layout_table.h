// The layout table: the colours the program writes text in and every rectangle and placement of
// the frame. Plain C++: the artwork generator, built for the build machine, places its plates
// and checks its palette from this same table.
#ifndef MARVOLEN_LAYOUT_TABLE_H
#define MARVOLEN_LAYOUT_TABLE_H

#ifdef _WIN32
#include <windows.h>
#else
#include <cstdint>
// The two Windows types the table is written in, for the build machine.
struct RECT { long left, top, right, bottom; };
using COLORREF = std::uint32_t;
#endif

constexpr COLORREF NormalColour = 0x00172050;      // available
constexpr COLORREF HighlightColour = 0x00CDE1F2;   // under the pointer: the only clickable state
constexpr COLORREF DisabledColour = 0x005D5D5D;    // unavailable
constexpr COLORREF StatusTextColour = 0x0072A2CE;
constexpr COLORREF TextBlack = 0x00000000;

constexpr int FrameWidth = 640;
constexpr int FrameHeight = 480;

struct Placement { int x, y, width, height; };

// The layout table: every rectangle and placement of the frame, right and bottom exclusive.
namespace Layout {
inline constexpr RECT WholeFrame = {0, 0, 640, 480};

inline constexpr RECT MainMenuRects[6] = {
    {367, 77, 557, 118}, {367, 126, 557, 167}, {367, 175, 557, 216},
    {367, 224, 557, 265}, {367, 273, 557, 314}, {367, 322, 557, 363},
};
inline constexpr RECT DestinationRects[4] = {
    {94, 204, 284, 245}, {96, 398, 286, 439}, {352, 398, 542, 439}, {255, 298, 293, 338},
};
inline constexpr RECT ProgressRects[1] = {{218, 408, 408, 449}};
inline constexpr RECT FinishRects[4] = {
    {95, 325, 285, 366}, {95, 396, 285, 437}, {352, 325, 542, 366}, {352, 396, 542, 437},
};
inline constexpr RECT MessageRects[1] = {{237, 230, 403, 270}};
inline constexpr RECT QuestionRects[2] = {{137, 230, 290, 270}, {350, 230, 503, 270}};

// Destination screen texts.
inline constexpr RECT DesktopIconLabel = {348, 310, 544, 335};
inline constexpr RECT InstallPathLine = {52, 87, 636, 110};
inline constexpr RECT FreeSpaceLine = {348, 209, 544, 234};
inline constexpr RECT InstallFolderHeading = {52, 62, 636, 87};
inline constexpr RECT SpaceRequiredLine = {348, 236, 544, 261};
inline constexpr Placement Tick = {255, 298, 38, 40};

// Progress animation areas: only the top-left 330 x 269 of a map picture is shown.
inline constexpr int MapBitmapWidth = 332, MapBitmapHeight = 271;
inline constexpr Placement MapPicture = {154, 42, 330, 269};
inline constexpr Placement Strip = {44, 328, 559, 77};

// Finish screen texts.
inline constexpr RECT FinishHeading = {113, 68, 521, 95};
inline constexpr RECT FinishBody = {113, 97, 521, 180};

// Overlay panels; the prompt shows the left 522 of its 527 columns.
inline constexpr int PromptBitmapWidth = 527;
inline constexpr Placement StatusPanel = {151, 153, 338, 73};
inline constexpr RECT StatusPanelText = {151, 153, 489, 226};
inline constexpr Placement PromptPanel = {61, 119, 522, 183};
inline constexpr RECT PromptText = {107, 148, 533, 208};
}  // namespace Layout

#endif
