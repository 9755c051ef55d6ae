#include "shell/window.h"

#include <iterator>

#include "base/state.h"
#include "base/texts.h"
#include "resources/resource_ids.h"
#include "shell/accessible.h"
#include "shell/flow.h"
#include "shell/input.h"
#include "shell/keys.h"
#include "ui/layout.h"
#include "ui/painter.h"
#include "ui/scale.h"

namespace {

// The scale Windows gives the monitor a window is on: GetDpiForWindow where Windows has it (10,
// from version 1607), else the system's, which is the primary monitor's, where the window opens.
int MonitorDpi(HWND window)
{
    using DpiForWindow = UINT(WINAPI*)(HWND);
    const auto dpiForWindow = reinterpret_cast<DpiForWindow>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("user32.dll"), "GetDpiForWindow")));
    if (window && dpiForWindow)
        if (const UINT dpi = dpiForWindow(window)) return static_cast<int>(dpi);
    HDC screen = GetDC(nullptr);
    const int dpi = GetDeviceCaps(screen, LOGPIXELSX);
    ReleaseDC(nullptr, screen);
    return dpi > 0 ? dpi : LayoutDpi;
}

// The monitor that holds most of `area`: its whole rectangle and its work area (the screen less
// the taskbar).
MONITORINFO MonitorOf(const RECT& area)
{
    MONITORINFO monitor = {};
    monitor.cbSize = sizeof monitor;
    if (!GetMonitorInfoA(MonitorFromRect(&area, MONITOR_DEFAULTTONEAREST), &monitor)) {
        monitor.rcMonitor = {0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
        monitor.rcWork = monitor.rcMonitor;
    }
    return monitor;
}

// The scale the window is drawn at on that monitor: the monitor's, or the largest at which the
// window fits its work area.
int ScaleOn(const MONITORINFO& monitor, int monitorDpi)
{
    return FittingDpi(monitorDpi, monitor.rcWork.right - monitor.rcWork.left, monitor.rcWork.bottom - monitor.rcWork.top);
}

// A corner of the window as near `wanted` as keeps a window of `length` inside the work area
// from `low` to `high`, where it fits.
int Inside(int wanted, int length, LONG low, LONG high)
{
    if (length > high - low) return wanted;
    return wanted < low ? low : wanted + length > high ? high - length : wanted;
}

// The pointer at the monitor's scale: the size Windows gives cursors there, picked from the
// carried sizes. One for each scale, kept for the run (a machine shows a few).
HCURSOR CursorAt(int dpi)
{
    static struct { int dpi; HCURSOR cursor; } loaded[16];
    static int count;
    for (int i = 0; i < count; ++i)
        if (loaded[i].dpi == dpi) return loaded[i].cursor;
    const int size = ScaledCoordinate(32, dpi);
    const auto cursor = static_cast<HCURSOR>(
        LoadImageA(Setup.Process.Instance, MAKEINTRESOURCEA(IDC_SETUP), IMAGE_CURSOR, size, size, LR_DEFAULTCOLOR));
    if (cursor && count < static_cast<int>(std::size(loaded))) loaded[count++] = {dpi, cursor};
    return cursor;
}

// The window moved to a monitor of another scale (WM_DPICHANGED): it takes the size of the frame
// at that scale, or at the largest that fits the monitor's work area, where Windows suggests
// (`suggested`, the old rectangle scaled), inside the work area; its pictures, faces and pointer
// follow the scale.
void Rescale(HWND window, int monitorDpi, const RECT& suggested)
{
    const MONITORINFO monitor = MonitorOf(suggested);
    Setup.Shown.Dpi = ScaleOn(monitor, monitorDpi);
    const RECT frame = ScaledFrame();
    const int x = Inside(suggested.left, frame.right, monitor.rcWork.left, monitor.rcWork.right);
    const int y = Inside(suggested.top, frame.bottom, monitor.rcWork.top, monitor.rcWork.bottom);
    if (const HCURSOR cursor = CursorAt(monitorDpi)) {
        SetClassLongPtrA(window, GCLP_HCURSOR, reinterpret_cast<LONG_PTR>(cursor));
        SetCursor(cursor);   // the one on show now, where the pointer is over the window
    }
    SetWindowPos(window, nullptr, x, y, frame.right, frame.bottom, SWP_NOZORDER | SWP_NOACTIVATE);
    InvalidateRect(window, nullptr, FALSE);
}

}  // namespace

void RegisterWindowClass()
{
    WNDCLASSEXA windowClass = {};
    windowClass.cbSize = sizeof windowClass;
    windowClass.style = CS_HREDRAW | CS_VREDRAW;
    windowClass.lpfnWndProc = WindowProcedure;
    windowClass.hInstance = Setup.Process.Instance;
    windowClass.hIcon = LoadIconA(Setup.Process.Instance, MAKEINTRESOURCEA(IDI_SETUP));
    windowClass.hIconSm = windowClass.hIcon;
    windowClass.hCursor = LoadCursorA(Setup.Process.Instance, MAKEINTRESOURCEA(IDC_SETUP));
    windowClass.lpszClassName = Text(IDS_WINDOW_CLASS);
    RegisterClassExA(&windowClass);   // a failure shows as a failed window creation
}

bool CreateMainWindow()
{
    // The frame at the primary monitor's scale, or the largest that fits its work area, centred
    // on the screen; on a screen smaller than the frame at the layout's own scale the window's
    // edges lie off screen.
    const RECT screen = {0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
    const MONITORINFO primary = MonitorOf(screen);
    Setup.Shown.Dpi = ScaleOn(primary, MonitorDpi(nullptr));
    const RECT frame = ScaledFrame();
    const int x = Inside((screen.right - frame.right) >> 1, frame.right, primary.rcWork.left, primary.rcWork.right);
    const int y = Inside((screen.bottom - frame.bottom) >> 1, frame.bottom, primary.rcWork.top, primary.rcWork.bottom);
    // What the monitor's questions left behind (no display: no screen to ask) is not the window's
    // failure: only CreateWindowExA's own error is reported.
    SetLastError(ERROR_SUCCESS);
    Setup.Process.Window = CreateWindowExA(0, Text(IDS_WINDOW_CLASS), Text(IDS_WINDOW_TITLE),
                                   WS_POPUP | WS_VISIBLE | WS_BORDER, x, y, frame.right, frame.bottom, nullptr,
                                   nullptr, Setup.Process.Instance, nullptr);
    if (!Setup.Process.Window) return false;
    RECT placed;
    const int dpi = MonitorDpi(Setup.Process.Window);   // the monitor it opened on, where Windows can tell
    if (GetWindowRect(Setup.Process.Window, &placed) && ScaleOn(MonitorOf(placed), dpi) != Setup.Shown.Dpi)
        Rescale(Setup.Process.Window, dpi, placed);
    ShowWindow(Setup.Process.Window, SW_SHOWNORMAL);
    UpdateWindow(Setup.Process.Window);
    SetFocus(Setup.Process.Window);   // the keys work from the start
    return true;
}

LRESULT CALLBACK WindowProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    const auto pointer = [lParam] { return POINT{LOWORD(lParam), HIWORD(lParam)}; };
    switch (message) {
    case WM_DESTROY:
        DisconnectReaders();
        Setup.Process.Window = nullptr;   // nothing may paint into it from here on
        PostQuitMessage(0);
        return 0;
    case WM_PAINT:
        PaintScreen();
        return 0;
    case WM_DPICHANGED:
        Rescale(window, LOWORD(wParam), *reinterpret_cast<const RECT*>(lParam));
        return 0;
    case WM_CLOSE:
        RequestClose();
        return 0;
    case WM_COMMAND:
        if (LOWORD(wParam) != IDM_CLOSE) break;
        RequestClose();
        return 0;
    case WM_QUERYENDSESSION:
        // Files are being written: Windows is asked to wait, and told why, as installers do.
        if (Setup.Run.RunUnderWay != NoRun) {
            ShutdownBlockReasonCreate(window, L"Marvolen is being installed or uninstalled.");
            return FALSE;
        }
        ShutdownBlockReasonDestroy(window);
        return TRUE;
    case WM_ENDSESSION:
        // Windows ends the program soon after this returns: a run stops at its next point, and
        // an earlier installation that nothing was extracted over is left as it is.
        if (wParam) Setup.Run.SessionEnding = true;
        return 0;
    case WM_MOUSEMOVE:
        if (MouseLive()) Hover(pointer());
        return 0;
    case WM_LBUTTONDOWN:
        if (MouseLive()) Click(pointer());
        return 0;
    case WM_LBUTTONUP:
        PaintScreen();
        return 0;
    case WM_KEYDOWN:
        if (MouseLive() && KeyPressed(wParam, (lParam & 0x40000000) != 0)) return 0;
        break;
    case WM_GETOBJECT:
        if (const LRESULT object = AnswerGetObject(wParam, lParam)) return object;
        break;
    case WM_READER_PRESS:
        PressForReader(wParam, lParam);
        return 0;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

int RunMessageLoop()
{
    MSG message;
    while (!Setup.Process.QuitRequested) {
        const BOOL got = GetMessageA(&message, nullptr, 0, 0);
        if (got == 0) {
            Setup.Process.QuitRequested = true;
            Setup.Process.ExitCode = static_cast<int>(message.wParam);
        } else if (got == -1) {
            break;   // only for an invalid window filter, which this loop never passes
        } else {
            TranslateMessage(&message);
            DispatchMessageA(&message);
        }
    }
    return Setup.Process.ExitCode;
}
