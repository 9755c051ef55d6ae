#include "ui/draw.h"

#include <iterator>

#include "base/state.h"
#include "ui/fonts.h"

namespace {

constexpr UINT Ellipses = DT_PATH_ELLIPSIS | DT_END_ELLIPSIS | DT_WORD_ELLIPSIS;

// Whether the face selected into the context has a glyph for every character of the text that is
// drawn (line breaks are not).
bool Covered(HDC dc, const wchar_t* text, int count)
{
    WORD glyphs[PathSize];
    if (GetGlyphIndicesW(dc, text, count, glyphs, GGI_MARK_NONEXISTING_GLYPHS) == GDI_ERROR) return false;
    for (int i = 0; i < count; ++i)
        if (glyphs[i] == 0xFFFF && text[i] >= L' ') return false;
    return true;
}

// Whether the text, in the face selected into the context, fits the rectangle whole.
bool Fits(HDC dc, const wchar_t* text, int count, const RECT& area, UINT format)
{
    RECT needed = {area.left, area.top, area.right, area.top};
    DrawTextW(dc, text, count, &needed, (format & ~(DT_VCENTER | Ellipses)) | DT_CALCRECT);
    return needed.right - needed.left <= area.right - area.left && needed.bottom - needed.top <= area.bottom - area.top;
}

// A text that does not fit even at the smallest size is elided rather than cut: a path keeps its
// drive and its last folder, any other line ends in "...". The system's elision fills the line to
// the last pixel, where a bold letter's edge may be cut, so what it gives is measured again and
// elided from a narrower rectangle until it fits with a pixel to spare at either end. Returns the
// length of the elided text, 0 if nothing fits.
int ElideLine(HDC dc, const wchar_t* text, int count, const RECT& area, UINT format, wchar_t (&shown)[PathSize + 4])
{
    const UINT ellipsis = format & DT_PATH_ELLIPSIS ? DT_PATH_ELLIPSIS : DT_END_ELLIPSIS;
    const UINT measure = (format & ~(DT_VCENTER | Ellipses)) | ellipsis | DT_MODIFYSTRING | DT_CALCRECT;
    const RECT inner = {area.left + 1, area.top, area.right - 1, area.bottom};
    for (LONG inset = 0; inset < (area.right - area.left) / 2; ++inset) {
        lstrcpynW(shown, text, count + 1);
        RECT narrower = {area.left, area.top, area.right - inset, area.top};
        DrawTextW(dc, shown, -1, &narrower, measure);
        const int length = lstrlenW(shown);
        if (Fits(dc, shown, length, inner, format)) return length;
    }
    return 0;
}

// At the smallest size: a line elided to what fits; a wrapped text (none of the program's comes
// near this) with its last line elided.
void DrawElided(HDC dc, const wchar_t* text, int count, RECT& box, UINT format)
{
    if (format & DT_WORDBREAK) {
        DrawTextW(dc, text, count, &box, format | DT_END_ELLIPSIS | DT_EDITCONTROL);
        return;
    }
    wchar_t shown[PathSize + 4];   // room for the ellipsis that elision may add
    const int length = ElideLine(dc, text, count, box, format, shown);
    if (length > 0) DrawTextW(dc, shown, length, &box, format & ~Ellipses);
}

}  // namespace

void DrawLine(HDC dc, const char* text, const RECT& area, COLORREF colour, UINT format)
{
    RECT clip, shown;   // a frame composed for one button skips the texts outside it
    if (GetClipBox(dc, &clip) != ERROR && !IntersectRect(&shown, &clip, &area)) return;
    // Drawn from UTF-16, so that a text in the system's code page shows the same characters
    // whichever code page the face that draws it belongs to.
    wchar_t wide[PathSize];
    const int length = MultiByteToWideChar(CP_ACP, 0, text, -1, wide, PathSize);
    if (length <= 1) return;   // empty, or longer than any text of the program
    const int count = length - 1;
    RECT box = area;   // DrawTextW wants a writable rectangle
    SetTextColor(dc, colour);

    // The usual case: the frame's label face has every character and the text fits.
    const bool covered = Covered(dc, wide, count);
    if (covered && Fits(dc, wide, count, area, format)) {
        DrawTextW(dc, wide, count, &box, format);
        return;
    }
    // Otherwise the largest size that fits, in a face that has every character, down to a
    // legible floor, where the text is elided instead.
    for (int height = covered ? LabelHeight - 1 : LabelHeight; height >= SmallestLabelHeight; --height) {
        HFONT font = covered ? CreateLabelFont(height) : CreateFallbackFont(height);
        HGDIOBJ previous = font ? SelectObject(dc, font) : nullptr;
        const bool fits = Fits(dc, wide, count, area, format);
        if (fits)
            DrawTextW(dc, wide, count, &box, format);
        else if (height == SmallestLabelHeight)
            DrawElided(dc, wide, count, box, format);
        if (previous) SelectObject(dc, previous);
        if (font) DeleteObject(font);
        if (fits) return;
    }
}

HBITMAP Picture(int bitmapId)
{
    // Loading converts the resource's bits for the display every time, and the screens ask for
    // the same few dozen pictures again and again: each is loaded once and kept for the run.
    static struct { int id; HBITMAP bitmap; } loaded[64];
    static int count;
    for (int i = 0; i < count; ++i)
        if (loaded[i].id == bitmapId) return loaded[i].bitmap;
    HBITMAP bitmap = LoadBitmapA(Setup.Process.Instance, MAKEINTRESOURCEA(bitmapId));
    if (bitmap && count < static_cast<int>(std::size(loaded))) loaded[count++] = {bitmapId, bitmap};
    return bitmap;   // past the table's size (never with the program's pictures) a leak, not a failure
}

void DrawPicture(HDC dc, int bitmapId, const Placement& at, DWORD rop)
{
    HDC source = CreateCompatibleDC(dc);
    HGDIOBJ previous = SelectObject(source, Picture(bitmapId));
    BitBlt(dc, at.x, at.y, at.width, at.height, source, 0, 0, rop);
    SelectObject(source, previous);
    DeleteDC(source);
}
