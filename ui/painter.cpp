#include "ui/painter.h"

#include "base/state.h"
#include "base/texts.h"
#include "resources/resource_ids.h"
#include "system/bounded_text.h"
#include "system/destination.h"
#include "ui/draw.h"
#include "ui/layout.h"
#include "ui/overlays.h"

using namespace Layout;

namespace {

void DrawDestination(HDC dc)
{
    DrawButtons(dc, ScreenGroup(DestinationScreen));
    DrawLine(dc, Text(IDS_DESKTOP_ICON), DesktopIconLabel, NormalColour, CentredLine);
    // A path too long for its line keeps its drive and the game's folder, with "..." between.
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

void FreeSpaceLineText(char (&line)[PathSize])
{
    char freeSpace[PathSize];
    FreeSpaceText(Setup.InstallPath, freeSpace);
    if (!JoinText(line, Text(IDS_AVAILABLE_SPACE), freeSpace)) line[0] = '\0';
}

const char* FinishHeadingText() { return Text(FinishFor().heading); }

const char* FinishBodyText() { return Text(FinishFor().body); }

HFONT CreateLabelFont()
{
    // Bold, 12 pixels high: the weight and size the plates were drawn for. Tahoma is on every
    // Windows since 2000 and comes with Wine; where it is missing, the font mapper takes the
    // nearest sans-serif face of this height and weight. No smoothing: every text pixel is in its
    // colour exactly, as the labels' states are told apart by colour.
    return CreateFontA(-12, 0, 0, 0, FW_BOLD, FALSE, FALSE, FALSE, ANSI_CHARSET, OUT_DEFAULT_PRECIS,
                       CLIP_DEFAULT_PRECIS, NONANTIALIASED_QUALITY, VARIABLE_PITCH | FF_SWISS, "Tahoma");
}

bool BeginFrame(HDC display, Frame& frame)
{
    frame.dc = CreateCompatibleDC(display);
    frame.bitmap = LoadBitmapA(Setup.Instance, MAKEINTRESOURCEA(Setup.Screen));
    if (!frame.dc || !frame.bitmap) {
        EndFrame(frame);
        return false;
    }
    SetBkMode(frame.dc, TRANSPARENT);
    frame.previous = SelectObject(frame.dc, frame.bitmap);
    frame.font = CreateLabelFont();
    if (frame.font) frame.previousFont = SelectObject(frame.dc, frame.font);   // else the default font
    return true;
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
    if (frame.previousFont) SelectObject(frame.dc, frame.previousFont);
    if (frame.font) DeleteObject(frame.font);
    if (frame.previous) SelectObject(frame.dc, frame.previous);
    if (frame.dc) DeleteDC(frame.dc);
    if (frame.bitmap) DeleteObject(frame.bitmap);
    frame = Frame{};
}

unsigned PaintCount;
void (*FrameShown)() = nullptr;

void PaintScreen()
{
    ++PaintCount;
    // Nothing to draw into once the window is gone (a close during a run).
    if (!Setup.Window || !IsWindow(Setup.Window)) return;
    HDC window = GetDC(Setup.Window);
    Frame frame;
    if (BeginFrame(window, frame)) {
        ComposeFrame(frame);
        BitBlt(window, 0, 0, FrameWidth, FrameHeight, frame.dc, 0, 0, SRCCOPY);
        EndFrame(frame);
    }
    ReleaseDC(Setup.Window, window);
    ValidateRect(Setup.Window, &WholeFrame);
    if (FrameShown) FrameShown();
}
