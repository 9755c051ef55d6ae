#include "ui/overlays.h"

#include <iterator>
#include <vector>

#include "base/state.h"
#include "resources/resource_ids.h"
#include "ui/draw.h"
#include "ui/layout.h"
#include "ui/scale.h"

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

int CommonDivisor(int a, int b) { return b ? CommonDivisor(b, a % b) : a; }

// The dimming pattern at a scale: a checkerboard with one cell for each pixel of the layout, its
// cells' edges where the scale puts the layout's pixel edges (ui/scale.h). Those repeat every
// 96 / gcd(dpi, 96) pixels of the layout; the pattern spans an even number of them, so that the
// checkerboard repeats with it: 2 pixels square at 96 dots per inch, 3 at 144, 4 at 192, laid
// side by side up to the 8 pixels of the classic pattern brush.
HBITMAP DimmingPattern(int dpi)
{
    int cells = LayoutDpi / CommonDivisor(dpi, LayoutDpi);
    if (cells % 2) cells *= 2;
    const int repeat = ScaledCoordinate(cells, dpi);
    const int size = (8 + repeat - 1) / repeat * repeat;
    const int rowBytes = (size + 15) / 16 * 2;   // rows of whole words
    std::vector<BYTE> bits(static_cast<size_t>(rowBytes) * size);
    for (int y = 0, cellY = 0; y < size; ++y) {
        while (ScaledCoordinate(cellY + 1, dpi) <= y) ++cellY;
        for (int x = 0, cellX = 0; x < size; ++x) {
            while (ScaledCoordinate(cellX + 1, dpi) <= x) ++cellX;
            if ((cellX + cellY) % 2) bits[static_cast<size_t>(y) * rowBytes + x / 8] |= 0x80 >> (x % 8);   // kept
        }
    }
    return CreateBitmap(size, size, 1, 1, bits.data());
}

// The brush of that pattern, made once for each scale and kept for the run.
HBRUSH DimmingBrush(int dpi)
{
    static struct { int dpi; HBRUSH brush; } made[16];
    static int count;
    for (int i = 0; i < count; ++i)
        if (made[i].dpi == dpi) return made[i].brush;
    HBITMAP pattern = DimmingPattern(dpi);
    HBRUSH brush = pattern ? CreatePatternBrush(pattern) : nullptr;
    if (pattern) DeleteObject(pattern);   // the brush keeps a copy of its own
    if (brush && count < static_cast<int>(std::size(made))) made[count++] = {dpi, brush};
    return brush;   // past the table's size (a machine shows a few scales) a leak, not a failure
}

}  // namespace

// Blackens every pixel of the layout whose x + y is even, so a busy screen reads as a fine black
// checkerboard: one pass of the pattern ANDed into the frame, black (all bits zero, palette
// index 0) where the pattern's bit is 0 and every bit kept where it is 1, at any colour depth.
void Dim(Frame& frame)
{
    HBRUSH brush = DimmingBrush(Setup.Shown.Dpi);
    if (!brush) return;
    const COLORREF text = SetTextColor(frame.dc, TextBlack);
    const COLORREF back = SetBkColor(frame.dc, RGB(255, 255, 255));
    SetBrushOrgEx(frame.dc, 0, 0, nullptr);
    HGDIOBJ previous = SelectObject(frame.dc, brush);
    constexpr DWORD DestinationAndPattern = 0x00A000C9;
    const RECT whole = ScaledFrame();
    PatBlt(frame.dc, 0, 0, whole.right, whole.bottom, DestinationAndPattern);
    SelectObject(frame.dc, previous);
    SetBkColor(frame.dc, back);
    SetTextColor(frame.dc, text);
}

void DrawStatusPanel(HDC dc) { DrawMaskedPanel(dc, IDB_STATUS_PANEL, IDB_STATUS_MASK, StatusPanel); }

void DrawPromptPanel(HDC dc) { DrawMaskedPanel(dc, IDB_PROMPT_PANEL, IDB_PROMPT_MASK, PromptPanel); }
