#include "shell/window.h"

#include "base/state.h"
#include "base/texts.h"
#include "resources/resource_ids.h"
#include "shell/accessible.h"
#include "shell/flow.h"
#include "shell/input.h"
#include "shell/keys.h"
#include "ui/layout.h"
#include "ui/painter.h"

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
    // Centred; on a screen smaller than the frame the window's edges lie off screen.
    const int x = (GetSystemMetrics(SM_CXSCREEN) - FrameWidth) >> 1;
    const int y = (GetSystemMetrics(SM_CYSCREEN) - FrameHeight) >> 1;
    Setup.Process.Window = CreateWindowExA(0, Text(IDS_WINDOW_CLASS), Text(IDS_WINDOW_TITLE),
                                   WS_POPUP | WS_VISIBLE | WS_BORDER, x, y, FrameWidth, FrameHeight, nullptr,
                                   nullptr, Setup.Process.Instance, nullptr);
    if (!Setup.Process.Window) return false;
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
