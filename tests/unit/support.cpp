#include "support.h"

#include "shell/flow.h"
#include "shell/run.h"
#include "shell/copies.h"
#include "shell/startup.h"
#include "shell/window.h"
#include "system/disk_space.h"
#include "system/folder_path.h"
#include "system/records.h"
#include "ui/layout.h"
#include "ui/painter.h"

#include <cstdlib>
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
    HBITMAP bitmap = LoadBitmapA(Setup.Process.Instance, MAKEINTRESOURCEA(id));
    Pixels pixels = ReadBitmap(bitmap);
    DeleteObject(bitmap);
    return pixels;
}

void EnsureWindow()
{
    if (Setup.Process.Window && IsWindow(Setup.Process.Window)) return;
    RegisterWindowClass();
    CreateMainWindow();
}

void QueuePress(POINT at, bool move)
{
    if (move) PostMessageA(Setup.Process.Window, WM_MOUSEMOVE, 0, MAKELPARAM(at.x, at.y));
    PostMessageA(Setup.Process.Window, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(at.x, at.y));
}

POINT Centre(const RECT& r) { return {(r.left + r.right) / 2, (r.top + r.bottom) / 2}; }

void ResetState()
{
    const HINSTANCE instance = Setup.Process.Instance;
    const HWND window = Setup.Process.Window;
    Setup = SetupState{};
    Setup.Process.Instance = instance;
    Setup.Process.Window = window;
    Setup.Shown.Busy = 0;
    Setup.Shown.StatusPanelShown = 0;
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

namespace {
unsigned FramesCounted;
void CountFrame() { ++FramesCounted; }
}  // namespace

FrameCounter::FrameCounter()
{
    FramesCounted = 0;
    FrameShown = CountFrame;
}
FrameCounter::~FrameCounter() { FrameShown = nullptr; }
unsigned FrameCounter::Frames() const { return FramesCounted; }

std::uint64_t (*FreeSpaceFigure)(const wchar_t* root) = nullptr;

bool DiskFreeBytes(const wchar_t* root, std::uint64_t& bytes)
{
    if (FreeSpaceFigure) {
        bytes = FreeSpaceFigure(root);
        return true;
    }
    ULARGE_INTEGER available, total;
    if (!GetDiskFreeSpaceExW(root, &available, &total, nullptr)) return false;
    bytes = available.QuadPart;
    return true;
}

void RecordInstallation(const std::string& folder)
{
    HKEY key;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, InstallRecordKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr)) return;
    RegSetValueExA(key, "InstallDir", 0, REG_SZ, reinterpret_cast<const BYTE*>(folder.c_str()),
                   static_cast<DWORD>(folder.size() + 1));
    RegCloseKey(key);
}

DWORD InstallKilled(const std::string& folder, const std::string& package, const std::string& at)
{
    SetEnvironmentVariableA("MARVOLEN_KILL_AT", at.c_str());
    SetEnvironmentVariableA("MARVOLEN_KILL_FOLDER", folder.c_str());
    SetEnvironmentVariableA("MARVOLEN_KILL_PACKAGE", package.c_str());
    char self[MAX_PATH];
    GetModuleFileNameA(nullptr, self, MAX_PATH);
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process;
    DWORD code = 0;
    if (CreateProcessA(self, nullptr, nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process)) {
        WaitForSingleObject(process.hProcess, 120000);
        GetExitCodeProcess(process.hProcess, &code);
        CloseHandle(process.hThread);
        CloseHandle(process.hProcess);
    }
    SetEnvironmentVariableA("MARVOLEN_KILL_AT", nullptr);
    return code;
}

namespace {

int KillAfter;
void Killed() { TerminateProcess(GetCurrentProcess(), 9); }
NextMove CountMoves()
{
    if (KillAfter-- <= 0) Killed();
    return NextMove::CarryOn;
}
void CountSteps(int step)
{
    if (step >= KillAfter) Killed();
}

}  // namespace

int RunUntilKilled(const char* at)
{
    ResetState();
    char text[MAX_PATH], system[MAX_PATH];
    GetSystemDirectoryA(system, MAX_PATH);
    WriteLibraryCopy((std::string(system) + "\\unrar.dll").c_str());
    GetEnvironmentVariableA("MARVOLEN_KILL_PACKAGE", Setup.Paths.PackagePath, PathSize);
    GetEnvironmentVariableA("MARVOLEN_KILL_FOLDER", text, MAX_PATH);
    const bool moves = std::string(at).compare(0, 6, "moves:") == 0;
    KillAfter = std::atoi(at + (moves ? 6 : 5));
    static const ExtractionHooks hooks = {[] {}, moves ? [](int) {} : CountSteps, [] {}, [] { return false; }, nullptr};
    const RunFace face = {&hooks, moves ? CountMoves : [] { return NextMove::CarryOn; }, [](RunKinds) {},
                          [](RunKinds, const Outcome&) {}, [](UINT) {}, [](const std::wstring&) { return false; }};
    Install(face, WideFromAnsi(text));
    return 3;   // the run ended before it was killed
}
