#include "ui/overlays.h"

#include "resources/resource_ids.h"
#include "ui/draw.h"
#include "ui/layout.h"

using namespace Layout;

namespace {

// Draws an irregular panel: where the mask is black the image shows, where it is white the
// screen stays. A mono mask copied into a colour context takes the text colour for 0 bits
// and the background colour (white by default) for 1 bits.
void DrawMaskedPanel(HDC dc, int imageId, int maskId, const Placement& at)
{
    SetTextColor(dc, TextBlack);
    DrawPicture(dc, imageId, at, SRCINVERT);
    DrawPicture(dc, maskId, at, SRCAND);
    DrawPicture(dc, imageId, at, SRCINVERT);
}

}  // namespace

// Blackens every pixel whose x + y is even, so a busy screen reads as a fine black checkerboard:
// one pass of a two-by-two pattern ANDed into the frame, black (all bits zero, palette index 0)
// where the pattern's bit is 0 and every bit kept where it is 1, at any colour depth.
void Dim(Frame& frame)
{
    // The pattern and its brush are made once and kept for the run.
    static const WORD checkerboard[8] = {0x55, 0xAA, 0x55, 0xAA, 0x55, 0xAA, 0x55, 0xAA};
    static HBITMAP pattern = CreateBitmap(8, 8, 1, 1, checkerboard);
    static HBRUSH brush = pattern ? CreatePatternBrush(pattern) : nullptr;
    if (!brush) return;
    const COLORREF text = SetTextColor(frame.dc, TextBlack);
    const COLORREF back = SetBkColor(frame.dc, RGB(255, 255, 255));
    SetBrushOrgEx(frame.dc, 0, 0, nullptr);
    HGDIOBJ previous = SelectObject(frame.dc, brush);
    constexpr DWORD DestinationAndPattern = 0x00A000C9;
    PatBlt(frame.dc, 0, 0, FrameWidth, FrameHeight, DestinationAndPattern);
    SelectObject(frame.dc, previous);
    SetBkColor(frame.dc, back);
    SetTextColor(frame.dc, text);
}

void DrawStatusPanel(HDC dc) { DrawMaskedPanel(dc, IDB_STATUS_PANEL, IDB_STATUS_MASK, StatusPanel); }

void DrawPromptPanel(HDC dc) { DrawMaskedPanel(dc, IDB_PROMPT_PANEL, IDB_PROMPT_MASK, PromptPanel); }
