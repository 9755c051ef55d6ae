// A stand-in for the programs the setup starts (the game, the DirectX setup) on the demo CD:
// it notes that it ran, where, as what and with what command line in C:\standin-ran.txt,
// shows a small window for a moment when there is a desktop to show it on, and ends.
#include <windows.h>

#include <cstdio>

namespace {

LRESULT CALLBACK StandInProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_TIMER || message == WM_LBUTTONDOWN) DestroyWindow(window);
    if (message == WM_DESTROY) PostQuitMessage(0);
    return DefWindowProcA(window, message, wParam, lParam);
}

void NoteRun(const char* program, const char* folder)
{
    if (FILE* log = std::fopen("C:\\standin-ran.txt", "a")) {
        std::fprintf(log, "%s|%s|%s\n", program, folder, GetCommandLineA());
        std::fclose(log);
    }
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int)
{
    char program[MAX_PATH] = "", folder[MAX_PATH] = "";
    GetModuleFileNameA(nullptr, program, MAX_PATH);
    GetCurrentDirectoryA(MAX_PATH, folder);
    NoteRun(program, folder);

    WNDCLASSA windowClass = {};
    windowClass.lpfnWndProc = StandInProcedure;
    windowClass.hInstance = instance;
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    windowClass.lpszClassName = "MarvolenStandIn";
    RegisterClassA(&windowClass);
    char title[MAX_PATH + 32];
    std::snprintf(title, sizeof title, "Stand-in: %s", program);
    HWND window = CreateWindowA("MarvolenStandIn", title, WS_OVERLAPPEDWINDOW | WS_VISIBLE, CW_USEDEFAULT,
                                CW_USEDEFAULT, 420, 120, nullptr, nullptr, instance, nullptr);
    if (!window) return 0;
    SetTimer(window, 1, 3000, nullptr);
    MSG message;
    while (GetMessageA(&message, nullptr, 0, 0) > 0) DispatchMessageA(&message);
    return 0;
}
