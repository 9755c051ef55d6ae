#include "ui/draw.h"

#include <iterator>
#include <string>
#include <vector>

#include "base/state.h"
#include "base/texts.h"
#include "resources/resource_ids.h"
#include "ui/fonts.h"
#include "ui/resample.h"
#include "ui/scale.h"

namespace {

// The longest line in letters: a text's buffer (base/texts.h) as letters, more than any path.
constexpr int LineLimit = TextLimit + 1;

constexpr UINT Ellipses = DT_PATH_ELLIPSIS | DT_END_ELLIPSIS | DT_WORD_ELLIPSIS;

// Whether the face selected into the context has a glyph for every character of the text that is
// drawn (line breaks are not).
bool Covered(HDC dc, const wchar_t* text, int count)
{
    WORD glyphs[LineLimit];
    if (GetGlyphIndicesW(dc, text, count, glyphs, GGI_MARK_NONEXISTING_GLYPHS) == GDI_ERROR) return false;
    for (int i = 0; i < count; ++i)
        if (glyphs[i] == 0xFFFF && text[i] >= L' ') return false;
    return true;
}

// Whether the text as the face selected into the context draws it leaves its ink inside the
// rectangle, a pixel clear of the far end (and of both ends when centred) and of the bottom when
// wrapped. A rasteriser may draw a line wider or narrower than the face measures it: Wine's, at
// some sizes, by some pixels a line (at 18 pixels a long line 9 wider, at 11 17), so the face's
// measure alone would let a line through that is drawn cut.
bool InkInside(HDC dc, const wchar_t* text, int count, const RECT& area, UINT format)
{
    const int width = area.right - area.left, height = area.bottom - area.top;
    const int margin = width / 8 + 8;   // room for a line drawn some percent wider than measured
    const int scratchWidth = (width + 2 * margin + 15) / 16 * 16, scratchHeight = height + 2 * margin;
    HDC scratch = CreateCompatibleDC(dc);
    HBITMAP ink = CreateBitmap(scratchWidth, scratchHeight, 1, 1, nullptr);
    if (!scratch || !ink) {
        if (scratch) DeleteDC(scratch);
        if (ink) DeleteObject(ink);
        return true;   // nothing to draw on: the face's measure decides alone
    }
    HGDIOBJ previous = SelectObject(scratch, ink);
    HGDIOBJ previousFont = SelectObject(scratch, GetCurrentObject(dc, OBJ_FONT));
    PatBlt(scratch, 0, 0, scratchWidth, scratchHeight, WHITENESS);
    SetBkMode(scratch, TRANSPARENT);
    SetTextColor(scratch, RGB(0, 0, 0));
    RECT box = {margin, margin, margin + width, margin + height};
    DrawTextW(scratch, text, count, &box, (format & ~Ellipses) | DT_NOCLIP);
    SelectObject(scratch, previousFont);
    SelectObject(scratch, previous);
    std::vector<BYTE> bits(static_cast<size_t>(scratchWidth / 8) * scratchHeight);
    const bool read = GetBitmapBits(ink, static_cast<LONG>(bits.size()), bits.data()) == static_cast<LONG>(bits.size());
    DeleteObject(ink);
    DeleteDC(scratch);
    if (!read) return true;
    const int left = margin + (format & DT_CENTER ? 1 : 0), right = margin + width - 1;
    const int top = margin, bottom = margin + height - (format & DT_WORDBREAK ? 1 : 0);
    for (int y = 0; y < scratchHeight; ++y)
        for (int x = 0; x < scratchWidth; ++x) {
            const bool drawn = !(bits[static_cast<size_t>(y) * (scratchWidth / 8) + x / 8] & (0x80 >> (x % 8)));
            if (drawn && (x < left || x >= right || y < top || y >= bottom)) return false;
        }
    return true;
}

// Whether the text, in the face selected into the context, fits the rectangle whole as the face
// measures it.
bool Measured(HDC dc, const wchar_t* text, int count, const RECT& area, UINT format)
{
    RECT needed = {area.left, area.top, area.right, area.top};
    DrawTextW(dc, text, count, &needed, (format & ~(DT_VCENTER | Ellipses)) | DT_CALCRECT);
    return needed.right - needed.left <= area.right - area.left && needed.bottom - needed.top <= area.bottom - area.top;
}

// Whether it fits as measured and as drawn.
bool Fits(HDC dc, const wchar_t* text, int count, const RECT& area, UINT format)
{
    return Measured(dc, text, count, area, format) && InkInside(dc, text, count, area, format);
}

// A text that does not fit even at the smallest size is elided rather than cut: a path keeps its
// drive and its last folder, any other line ends in "...". The system's elision fills the line to
// the last pixel, where a bold letter's edge may be cut, so what it gives is measured again and
// elided from a narrower rectangle until it fits with a pixel to spare at either end. Returns the
// length of the elided text, 0 if nothing fits.
int ElideLine(HDC dc, const wchar_t* text, int count, const RECT& area, UINT format, wchar_t (&shown)[LineLimit + 4])
{
    const UINT ellipsis = format & DT_PATH_ELLIPSIS ? DT_PATH_ELLIPSIS : DT_END_ELLIPSIS;
    const UINT measure = (format & ~(DT_VCENTER | Ellipses)) | ellipsis | DT_MODIFYSTRING | DT_CALCRECT;
    const RECT inner = {area.left + Scaled(1), area.top, area.right - Scaled(1), area.bottom};
    for (LONG inset = 0; inset < (area.right - area.left) / 2; ++inset) {
        lstrcpynW(shown, text, count + 1);
        RECT narrower = {area.left, area.top, area.right - inset, area.top};
        DrawTextW(dc, shown, -1, &narrower, measure);
        const int length = lstrlenW(shown);
        if (Measured(dc, shown, length, inner, format)) return length;
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
    wchar_t shown[LineLimit + 4];   // room for the ellipsis that elision may add
    const int length = ElideLine(dc, text, count, box, format, shown);
    if (length > 0) DrawTextW(dc, shown, length, &box, format & ~Ellipses);
}

}  // namespace

void DrawLine(HDC dc, const char* text, const RECT& layoutArea, COLORREF colour, UINT format)
{
    const RECT area = Scaled(layoutArea);
    RECT clip, shown;   // a frame composed for one button skips the texts outside it
    if (GetClipBox(dc, &clip) != ERROR && !IntersectRect(&shown, &clip, &area)) return;
    // Every shown text is UTF-8 (base/texts.h), drawn from UTF-16: the letters of every language
    // whatever the system's code page.
    wchar_t wide[LineLimit];
    const int length = MultiByteToWideChar(CP_UTF8, 0, text, -1, wide, LineLimit);
    if (length <= 1) return;   // empty, or longer than any text of the program
    const int count = length - 1;
    RECT box = area;   // DrawTextW wants a writable rectangle
    SetTextColor(dc, colour);

    // Which size fits is measured once for a text in its place and face, and remembered: the
    // screens draw the same few dozen texts again and again, and a lit button redraws its label.
    struct Size {
        std::wstring text;
        RECT area;
        UINT format;
        HGDIOBJ face;
        int height;      // 0: the face selected into the context, else this height
        bool covered;    // the carried face has every character (else the system's dialog face)
        bool elided;
    };
    static Size sizes[64];
    static int next;
    const HGDIOBJ face = GetCurrentObject(dc, OBJ_FONT);
    const auto same = [&](const Size& size) {
        return size.face == face && size.format == format && EqualRect(&size.area, &area) &&
               size.text.compare(0, std::wstring::npos, wide, count) == 0;
    };
    const Size* known = nullptr;
    for (const Size& size : sizes)
        if (same(size)) known = &size;
    if (!known) {
        Size measured{std::wstring(wide, count), area, format, face, 0, Covered(dc, wide, count), false};
        // The usual case: the frame's label face has every character and the text fits. Otherwise
        // the largest size that fits, in a face that has every character, down to a legible floor,
        // where the text is elided instead.
        if (!measured.covered || !Fits(dc, wide, count, area, format)) {
            const int largest = Scaled(LabelHeight), smallest = Scaled(SmallestLabelHeight);
            for (measured.height = measured.covered ? largest - 1 : largest; measured.height > smallest; --measured.height) {
                HFONT font = measured.covered ? CreateLabelFont(measured.height) : CreateFallbackFont(measured.height);
                HGDIOBJ previous = font ? SelectObject(dc, font) : nullptr;
                const bool fits = Fits(dc, wide, count, area, format);
                if (previous) SelectObject(dc, previous);
                if (font) DeleteObject(font);
                if (fits) break;
            }
            if (measured.height <= smallest) {
                measured.height = smallest;
                HFONT font = measured.covered ? CreateLabelFont(smallest) : CreateFallbackFont(smallest);
                HGDIOBJ previous = font ? SelectObject(dc, font) : nullptr;
                measured.elided = !Fits(dc, wide, count, area, format);
                if (previous) SelectObject(dc, previous);
                if (font) DeleteObject(font);
            }
        }
        sizes[next] = measured;
        known = &sizes[next];
        next = (next + 1) % static_cast<int>(std::size(sizes));
    }
    if (!known->height) {
        DrawTextW(dc, wide, count, &box, format);
        return;
    }
    HFONT font = known->covered ? CreateLabelFont(known->height) : CreateFallbackFont(known->height);
    HGDIOBJ previous = font ? SelectObject(dc, font) : nullptr;
    if (known->elided)
        DrawElided(dc, wide, count, box, format);
    else
        DrawTextW(dc, wide, count, &box, format);
    if (previous) SelectObject(dc, previous);
    if (font) DeleteObject(font);
}

namespace {

// A monochrome bitmap of pixels that are black or white (a panel's mask): 1 bits white, as a mask
// loaded from its resource has them.
HBITMAP MonochromeFrom(const std::vector<DWORD>& pixels, int width, int height)
{
    const int rowBytes = (width + 15) / 16 * 2;   // rows of whole words
    std::vector<BYTE> bits(static_cast<size_t>(rowBytes) * height);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            if (pixels[static_cast<size_t>(y) * width + x]) bits[static_cast<size_t>(y) * rowBytes + x / 8] |= 0x80 >> (x % 8);
    return CreateBitmap(width, height, 1, 1, bits.data());
}

// A picture at a scale the program carries no set for: the set of twice the layout's size,
// averaged to the scale. Its size is the layout's, scaled and rounded up, so that it covers its
// place wherever the place's edges round to.
HBITMAP AveragedPicture(int bitmapId, int dpi)
{
    HBITMAP larger = static_cast<HBITMAP>(
        LoadImageA(Setup.Process.Instance, MAKEINTRESOURCEA(bitmapId + IDB_DOUBLE), IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION));
    BITMAP info;
    if (!larger || !GetObjectA(larger, sizeof info, &info)) {
        if (larger) DeleteObject(larger);
        return nullptr;
    }
    const int sourceWidth = info.bmWidth, sourceHeight = info.bmHeight;
    const int width = (sourceWidth * dpi + LargestArtDpi - 1) / LargestArtDpi;
    const int height = (sourceHeight * dpi + LargestArtDpi - 1) / LargestArtDpi;
    BITMAPINFO request = {};
    request.bmiHeader.biSize = sizeof request.bmiHeader;
    request.bmiHeader.biWidth = sourceWidth;
    request.bmiHeader.biHeight = -sourceHeight;   // top row first
    request.bmiHeader.biPlanes = 1;
    request.bmiHeader.biBitCount = 32;
    request.bmiHeader.biCompression = BI_RGB;
    std::vector<DWORD> source(static_cast<size_t>(sourceWidth) * sourceHeight), averaged(static_cast<size_t>(width) * height);
    HDC screen = GetDC(nullptr);
    // The bits as drawn, through the picture's own palette: the same on a display of any depth.
    const bool read = GetDIBits(screen, larger, 0, sourceHeight, source.data(), &request, DIB_RGB_COLORS) == sourceHeight;
    const bool mask = info.bmBitsPixel == 1;
    DeleteObject(larger);
    HBITMAP result = nullptr;
    if (read) {
        AverageArea(source.data(), sourceWidth, sourceHeight, static_cast<double>(LargestArtDpi) / dpi, averaged.data(),
                    width, height, mask);
        if (mask) {
            result = MonochromeFrom(averaged, width, height);
        } else {
            request.bmiHeader.biWidth = width;
            request.bmiHeader.biHeight = -height;
            result = CreateDIBitmap(screen, &request.bmiHeader, CBM_INIT, averaged.data(), &request, DIB_RGB_COLORS);
        }
    }
    ReleaseDC(nullptr, screen);
    return result;
}

HBITMAP LoadAtScale(int bitmapId, int dpi)
{
    if (dpi == LayoutDpi) return LoadBitmapA(Setup.Process.Instance, MAKEINTRESOURCEA(bitmapId));
    if (dpi == LargestArtDpi) return LoadBitmapA(Setup.Process.Instance, MAKEINTRESOURCEA(bitmapId + IDB_DOUBLE));
    return AveragedPicture(bitmapId, dpi);
}

}  // namespace

HBITMAP Picture(int bitmapId)
{
    // Loading converts the resource's bits for the display every time, and the screens ask for
    // the same few dozen pictures again and again: each is loaded once and kept for the run, or
    // until the window goes to another scale, where none of them is drawn again.
    static struct { int id; HBITMAP bitmap; } loaded[64];
    static int count, dpi;
    if (dpi != Setup.Shown.Dpi) {
        for (int i = 0; i < count; ++i) DeleteObject(loaded[i].bitmap);   // selected nowhere between draws
        count = 0;
        dpi = Setup.Shown.Dpi;
    }
    for (int i = 0; i < count; ++i)
        if (loaded[i].id == bitmapId) return loaded[i].bitmap;
    HBITMAP bitmap = LoadAtScale(bitmapId, dpi);
    if (bitmap && count < static_cast<int>(std::size(loaded))) loaded[count++] = {bitmapId, bitmap};
    return bitmap;   // past the table's size (never with the program's pictures) a leak, not a failure
}

void DrawPicture(HDC dc, int bitmapId, const Placement& at, DWORD rop)
{
    const Placement shown = Scaled(at);
    HDC source = CreateCompatibleDC(dc);
    HGDIOBJ previous = SelectObject(source, Picture(bitmapId));
    BitBlt(dc, shown.x, shown.y, shown.width, shown.height, source, 0, 0, rop);
    SelectObject(source, previous);
    DeleteDC(source);
}
