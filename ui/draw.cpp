#include "ui/draw.h"

#include "base/state.h"

void DrawLine(HDC dc, const char* text, const RECT& area, COLORREF colour, UINT format)
{
    RECT box = area;   // DrawTextA wants a writable rectangle
    SetTextColor(dc, colour);
    DrawTextA(dc, text, -1, &box, format);
}

void DrawButtons(HDC dc, const ButtonGroup& group)
{
    for (int i = 0; i < group.count; ++i)
        if (group.buttons[i].label[0])
            DrawLine(dc, group.buttons[i].label, *group.buttons[i].rect, group.buttons[i].colour, CentredLine);
}

void DrawPicture(HDC dc, int bitmapId, const Placement& at, DWORD rop)
{
    HBITMAP picture = LoadBitmapA(Setup.Instance, MAKEINTRESOURCEA(bitmapId));
    HDC source = CreateCompatibleDC(dc);
    HGDIOBJ previous = SelectObject(source, picture);
    BitBlt(dc, at.x, at.y, at.width, at.height, source, 0, 0, rop);
    SelectObject(source, previous);
    DeleteDC(source);
    DeleteObject(picture);
}
