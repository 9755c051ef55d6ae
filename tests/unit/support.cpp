#include "support.h"

#include "shell/flow.h"
#include "shell/window.h"
#include "ui/layout.h"
#include "ui/painter.h"

#include <fstream>
#include <sstream>

namespace {

Pixels ReadBitmap(HBITMAP bitmap)
{
    BITMAP info;
    GetObjectA(bitmap, sizeof info, &info);
    Pixels pixels;
    pixels.width = info.bmWidth;
    pixels.height = info.bmHeight;
    pixels.rgb.resize(static_cast<size_t>(info.bmWidth) * info.bmHeight);
    BITMAPINFO request = {};
    request.bmiHeader.biSize = sizeof request.bmiHeader;
    request.bmiHeader.biWidth = info.bmWidth;
    request.bmiHeader.biHeight = -info.bmHeight;   // top row first
    request.bmiHeader.biPlanes = 1;
    request.bmiHeader.biBitCount = 32;
    request.bmiHeader.biCompression = BI_RGB;
    HDC screen = GetDC(nullptr);
    GetDIBits(screen, bitmap, 0, info.bmHeight, pixels.rgb.data(), &request, DIB_RGB_COLORS);
    ReleaseDC(nullptr, screen);
    for (DWORD& v : pixels.rgb) v &= 0x00FFFFFF;
    return pixels;
}

}  // namespace

int Pixels::count(const RECT& area, COLORREF colour) const
{
    int n = 0;
    for (int y = area.top; y < area.bottom; ++y)
        for (int x = area.left; x < area.right; ++x) n += at(x, y) == colour;
    return n;
}

Pixels ComposeCurrent()
{
    HDC screen = GetDC(nullptr);
    Frame frame;
    BeginFrame(screen, frame);
    ComposeFrame(frame);
    SelectObject(frame.dc, frame.previous);   // a bitmap is read back while selected nowhere
    frame.previous = nullptr;
    Pixels pixels = ReadBitmap(frame.bitmap);
    EndFrame(frame);
    ReleaseDC(nullptr, screen);
    return pixels;
}

Pixels BackgroundWith(const std::function<void(HDC dc)>& draw)
{
    HDC screen = GetDC(nullptr);
    Frame frame;
    BeginFrame(screen, frame);
    draw(frame.dc);
    SelectObject(frame.dc, frame.previous);
    frame.previous = nullptr;
    Pixels pixels = ReadBitmap(frame.bitmap);
    EndFrame(frame);
    ReleaseDC(nullptr, screen);
    return pixels;
}

Pixels LoadPicture(int id)
{
    HBITMAP bitmap = LoadBitmapA(Setup.Instance, MAKEINTRESOURCEA(id));
    Pixels pixels = ReadBitmap(bitmap);
    DeleteObject(bitmap);
    return pixels;
}

void EnsureWindow()
{
    if (Setup.Window && IsWindow(Setup.Window)) return;
    RegisterWindowClass();
    CreateMainWindow();
}

void QueuePress(POINT at, bool move)
{
    if (move) PostMessageA(Setup.Window, WM_MOUSEMOVE, 0, MAKELPARAM(at.x, at.y));
    PostMessageA(Setup.Window, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(at.x, at.y));
}

POINT Centre(const RECT& r) { return {(r.left + r.right) / 2, (r.top + r.bottom) / 2}; }

void ResetState()
{
    const HINSTANCE instance = Setup.Instance;
    const HWND window = Setup.Window;
    Setup = SetupState{};
    Setup.Instance = instance;
    Setup.Window = window;
    Setup.Busy = 0;
    Setup.StatusPanelShown = 0;
    ResetButtons();
    RefreshAvailability();
}

std::string ScratchFolder(const char* name)
{
    char temp[MAX_PATH];
    GetTempPathA(MAX_PATH, temp);
    std::string folder = std::string(temp) + "marvolen-" + name;
    CreateDirectoryA(folder.c_str(), nullptr);
    return folder;
}

std::string ReadFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

void WriteFile(const std::string& path, const std::string& bytes)
{
    std::ofstream(path, std::ios::binary) << bytes;
}
