#include "ui/painter.h"

#include <algorithm>
#include <cstring>

#include "base/state.h"
#include "base/texts.h"
#include "resources/resource_ids.h"
#include "system/bounded_text.h"
#include "system/destination.h"
#include "ui/draw.h"
#include "ui/fonts.h"
#include "ui/layout.h"
#include "ui/overlays.h"

using namespace Layout;

namespace {

// The free-space line of the folder last measured: the disk is asked when the folder changes or
// the destination screen is entered, not at every frame.
struct {
    char folder[PathSize];
    char line[PathSize];
    bool fresh;
} FreeSpaceShown;

void DrawDestination(HDC dc)
{
    DrawButtons(dc, ScreenGroup(DestinationScreen));
    DrawLine(dc, Text(IDS_DESKTOP_ICON), DesktopIconLabel, NormalColour, CentredLine);
    // A path too long for its line, even at the smallest size, keeps its drive and the game's
    // folder, with "..." between.
    DrawLine(dc, Setup.InstallPath, InstallPathLine, NormalColour, CentredLine | DT_PATH_ELLIPSIS);

    char freeSpaceLine[PathSize];
    FreeSpaceLineText(freeSpaceLine);
    DrawLine(dc, freeSpaceLine, FreeSpaceLine, TextBlack, LeftLine);
    DrawLine(dc, Text(IDS_INSTALL_FOLDER), InstallFolderHeading, TextBlack, CentredLine);
    DrawLine(dc, Text(IDS_SPACE_REQUIRED), SpaceRequiredLine, TextBlack, LeftLine);
    if (Setup.DesktopIconWanted) DrawPicture(dc, IDB_TICK, Tick, SRCCOPY);
}

void DrawProgress(HDC dc)
{
    DrawButtons(dc, ScreenGroup(ProgressScreen));
    if (Setup.ProgressStep < 0) return;
    // More data than was measured can push the step past the last frame: hold the last frame.
    const int step = Setup.ProgressStep < PROGRESS_FRAMES ? Setup.ProgressStep : PROGRESS_FRAMES - 1;
    DrawPicture(dc, IDB_MAP_FIRST + step, MapPicture, SRCCOPY);
    DrawPicture(dc, IDB_STRIP_FIRST + step, Strip, SRCCOPY);
}

struct FinishTexts { UINT heading, body; };
constexpr FinishTexts FinishByResult[] = {
    {IDS_INSTALLED_HEADING, IDS_INSTALLED_BODY},
    {IDS_ABORTED_HEADING, IDS_RETRY_BODY},
    {IDS_FAILED_HEADING, IDS_RETRY_BODY},
};

const FinishTexts& FinishFor()
{
    const int result = Setup.RunResult >= RunInstalled && Setup.RunResult <= RunFailed ? Setup.RunResult
                                                                                      : RunFailed;
    return FinishByResult[result];
}

void DrawFinish(HDC dc)
{
    DrawButtons(dc, ScreenGroup(FinishScreen));
    DrawLine(dc, FinishBodyText(), FinishBody, NormalColour, Wrapped);
    DrawLine(dc, FinishHeadingText(), FinishHeading, TextBlack, CentredLine);
}

}  // namespace

void MeasureFreeSpaceAgain() { FreeSpaceShown.fresh = false; }

void FreeSpaceLineText(char (&line)[PathSize])
{
    if (!FreeSpaceShown.fresh || std::strcmp(FreeSpaceShown.folder, Setup.InstallPath) != 0) {
        char freeSpace[PathSize];
        FreeSpaceText(Setup.InstallPath, freeSpace);
        if (!JoinText(FreeSpaceShown.line, Text(IDS_AVAILABLE_SPACE), freeSpace)) FreeSpaceShown.line[0] = '\0';
        std::memcpy(FreeSpaceShown.folder, Setup.InstallPath, PathSize);
        FreeSpaceShown.fresh = true;
    }
    std::memcpy(line, FreeSpaceShown.line, PathSize);
}

const char* FinishHeadingText() { return Text(FinishFor().heading); }

const char* FinishBodyText() { return Text(FinishFor().body); }

namespace {

bool OpenFrame(HDC display, Frame& frame)
{
    frame.dc = CreateCompatibleDC(display);
    frame.bitmap = CreateCompatibleBitmap(display, FrameWidth, FrameHeight);
    if (!frame.dc || !frame.bitmap) {
        EndFrame(frame);
        return false;
    }
    SetBkMode(frame.dc, TRANSPARENT);
    frame.previous = SelectObject(frame.dc, frame.bitmap);
    frame.font = SharedLabelFont();
    if (frame.font) frame.previousFont = SelectObject(frame.dc, frame.font);   // else the default font
    return true;
}

// Every frame starts from a copy of the kept background, so that dimming and texts never reach it.
bool StartFrame(Frame& frame, const RECT& area)
{
    if (!Picture(Setup.Screen)) return false;
    SelectClipRgn(frame.dc, nullptr);
    IntersectClipRect(frame.dc, area.left, area.top, area.right, area.bottom);
    DrawPicture(frame.dc, Setup.Screen, {0, 0, FrameWidth, FrameHeight}, SRCCOPY);
    return true;
}

// The window's frame, made at its first paint and drawn into again at every one after.
Frame WindowFrame;

}  // namespace

bool BeginFrame(HDC display, Frame& frame, const RECT& area)
{
    if (!OpenFrame(display, frame)) return false;
    if (StartFrame(frame, area)) return true;
    EndFrame(frame);
    return false;
}

void ComposeFrame(Frame& frame)
{
    switch (Setup.Screen) {
    case MainMenu: DrawButtons(frame.dc, ScreenGroup(MainMenu)); break;
    case DestinationScreen: DrawDestination(frame.dc); break;
    case ProgressScreen: DrawProgress(frame.dc); break;
    case FinishScreen: DrawFinish(frame.dc); break;
    }
    DrawOverlays(frame);
}

void EndFrame(Frame& frame)
{
    if (frame.previousFont) SelectObject(frame.dc, frame.previousFont);   // the font is kept for the run
    if (frame.previous) SelectObject(frame.dc, frame.previous);
    if (frame.dc) DeleteDC(frame.dc);
    if (frame.bitmap) DeleteObject(frame.bitmap);
    frame = Frame{};
}

unsigned PaintCount;
void (*FrameShown)() = nullptr;

void PaintScreen() { PaintArea(WholeFrame); }

void PaintProgressStep()
{
    constexpr RECT around = {std::min(MapPicture.x, Strip.x), std::min(MapPicture.y, Strip.y),
                             std::max(MapPicture.x + MapPicture.width, Strip.x + Strip.width),
                             std::max(MapPicture.y + MapPicture.height, Strip.y + Strip.height)};
    PaintArea(around);
}

void PaintArea(const RECT& area)
{
    ++PaintCount;
    // Nothing to draw into once the window is gone (a close during a run).
    if (!Setup.Window || !IsWindow(Setup.Window)) return;
    HDC window = GetDC(Setup.Window);
    if ((WindowFrame.dc || OpenFrame(window, WindowFrame)) && StartFrame(WindowFrame, area)) {
        ComposeFrame(WindowFrame);
        BitBlt(window, area.left, area.top, area.right - area.left, area.bottom - area.top, WindowFrame.dc,
               area.left, area.top, SRCCOPY);
    }
    ReleaseDC(Setup.Window, window);
    ValidateRect(Setup.Window, &area);
    if (FrameShown) FrameShown();
}
