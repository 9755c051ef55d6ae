#include "ui/overlays.h"

#include <cstdlib>

#include "base/state.h"
#include "resources/resource_ids.h"
#include "ui/draw.h"
#include "ui/layout.h"

using namespace Layout;

namespace {

constexpr int FramePixels = FrameWidth * FrameHeight;

// Zeroes every pixel whose x + y is even, in the bitmap's own device-dependent bits, so a
// busy screen reads as a fine black checkerboard. Any doubt about the bits' layout leaves
// the frame undimmed rather than writing past a row or the buffer.
void Dim(Frame& frame)
{
    const int bytesPerPixel = GetDeviceCaps(frame.dc, BITSPIXEL) / 8;
    if (bytesPerPixel <= 0) return;
    BITMAP info;
    if (GetObjectA(frame.bitmap, sizeof info, &info) != sizeof info) return;
    const LONG rowBytes = static_cast<LONG>(FrameWidth) * bytesPerPixel;
    if (info.bmWidth != FrameWidth || info.bmHeight != FrameHeight || info.bmWidthBytes != rowBytes ||
        info.bmBitsPixel != bytesPerPixel * 8)
        return;

    const LONG size = rowBytes * FrameHeight;
    auto* bits = static_cast<BYTE*>(std::malloc(size));
    if (!bits) return;
    if (GetBitmapBits(frame.bitmap, size, bits) == size) {
        for (int y = 0; y < FrameHeight; ++y) {
            BYTE* row = bits + static_cast<LONG>(y) * rowBytes;
            for (int x = y & 1; x < FrameWidth; x += 2)
                for (int b = 0; b < bytesPerPixel; ++b) row[x * bytesPerPixel + b] = 0;
        }
        SetBitmapBits(frame.bitmap, size, bits);
    }
    std::free(bits);
}

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

void DrawStatusPanel(HDC dc)
{
    DrawMaskedPanel(dc, IDB_STATUS_PANEL, IDB_STATUS_MASK, StatusPanel);
    if (Setup.StatusText) DrawLine(dc, Setup.StatusText, StatusPanelText, StatusTextColour, CentredLine);
}

void DrawPromptPanel(HDC dc)
{
    DrawMaskedPanel(dc, IDB_PROMPT_PANEL, IDB_PROMPT_MASK, PromptPanel);
    if (Setup.StatusText) DrawLine(dc, Setup.StatusText, PromptText, TextBlack, Wrapped);
    DrawButtons(dc, LiveGroup());
}

}  // namespace

void DrawOverlays(Frame& frame)
{
    if (Setup.Busy) Dim(frame);
    if (Setup.StatusPanelShown) DrawStatusPanel(frame.dc);
    if (Setup.PromptKind == MessagePrompt || Setup.PromptKind == QuestionPrompt) DrawPromptPanel(frame.dc);
}
