#include "ui/painter.h"

#include <algorithm>
#include <cstring>

#include "base/state.h"
#include "base/texts.h"
#include "resources/resource_ids.h"
#include "ui/draw.h"
#include "ui/fonts.h"
#include "ui/layout.h"
#include "ui/overlays.h"
#include "ui/scale.h"
#include "ui/screen_items.h"

using namespace Layout;

namespace {

void DrawItem(HDC dc, const ShownItem& item)
{
    switch (item.kind) {
    case ItemKind::Button:   // the check box shows its state by the tick only
        if (item.button->label[0]) DrawLine(dc, item.button->label, item.rect, item.button->colour, CentredLine);
        break;
    case ItemKind::Text:
        if (item.text) DrawLine(dc, item.text, item.rect, item.colour, item.format);
        break;
    case ItemKind::Progress:
        DrawPicture(dc, IDB_MAP_FIRST + item.picture, MapPicture, SRCCOPY);
        DrawPicture(dc, IDB_STRIP_FIRST + item.picture, Strip, SRCCOPY);
        break;
    case ItemKind::Picture:
        DrawPicture(dc, item.picture, {item.rect.left, item.rect.top, item.rect.right - item.rect.left, item.rect.bottom - item.rect.top},
                    SRCCOPY);
        break;
    }
}

void DrawLayer(HDC dc, const ShownItems& shown, Layer layer)
{
    for (int i = 0; i < shown.count; ++i)
        if (shown.items[i].layer == layer) DrawItem(dc, shown.items[i]);
}

}  // namespace

namespace {

bool OpenFrame(HDC display, Frame& frame)
{
    const RECT whole = ScaledFrame();
    frame.dpi = Setup.Shown.Dpi;
    frame.dc = CreateCompatibleDC(display);
    frame.bitmap = CreateCompatibleBitmap(display, whole.right, whole.bottom);
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
// `area` in the layout's pixels.
bool StartFrame(Frame& frame, const RECT& area)
{
    if (!Picture(Setup.Shown.Screen)) return false;
    const RECT shown = Scaled(area);
    SelectClipRgn(frame.dc, nullptr);
    IntersectClipRect(frame.dc, shown.left, shown.top, shown.right, shown.bottom);
    DrawPicture(frame.dc, Setup.Shown.Screen, {0, 0, FrameWidth, FrameHeight}, SRCCOPY);
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
    // The screen's items, then the layers over it: dimming while busy, the status panel, a prompt.
    const ShownItems shown = ItemsOnShow();
    DrawLayer(frame.dc, shown, Layer::Screen);
    if (Setup.Shown.Busy) Dim(frame);
    if (Setup.Shown.StatusPanelShown) {
        DrawStatusPanel(frame.dc);
        DrawLayer(frame.dc, shown, Layer::Status);
    }
    if (Setup.Shown.PromptKind != NoPrompt) {
        DrawPromptPanel(frame.dc);
        DrawLayer(frame.dc, shown, Layer::Prompt);
    }
}

void EndFrame(Frame& frame)
{
    if (frame.previousFont) SelectObject(frame.dc, frame.previousFont);   // the font is kept for the run
    if (frame.previous) SelectObject(frame.dc, frame.previous);
    if (frame.dc) DeleteDC(frame.dc);
    if (frame.bitmap) DeleteObject(frame.bitmap);
    frame = Frame{};
}

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
    // Nothing to draw into once the window is gone (a close during a run).
    if (!Setup.Process.Window || !IsWindow(Setup.Process.Window)) return;
    HDC window = GetDC(Setup.Process.Window);
    if (WindowFrame.dc && WindowFrame.dpi != Setup.Shown.Dpi) EndFrame(WindowFrame);   // made for another scale
    const RECT shown = Scaled(area);
    if ((WindowFrame.dc || OpenFrame(window, WindowFrame)) && StartFrame(WindowFrame, area)) {
        ComposeFrame(WindowFrame);
        BitBlt(window, shown.left, shown.top, shown.right - shown.left, shown.bottom - shown.top, WindowFrame.dc,
               shown.left, shown.top, SRCCOPY);
    }
    ReleaseDC(Setup.Process.Window, window);
    ValidateRect(Setup.Process.Window, &shown);
    if (FrameShown) FrameShown();
}
