// Composes each screen the way the window shows it and saves it as a 24-bit BMP, so the
// artwork and layout can be looked at without driving the program. Usage:
// render_screens DIR [DPI [LANGUAGE]] (at a scale other than the layout's own, 96, the files'
// names end in the percentage: -200; in a language other than English, in its code: -de).
#include <windows.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "shell/flow.h"
#include "base/state.h"
#include "base/texts.h"
#include "ui/layout.h"
#include "system/destination.h"
#include "system/disk_space.h"
#include "ui/painter.h"
#include "ui/scale.h"

// The free space the pictures show, the same on every machine: linked in place of the program's
// own question to the disk.
std::uint64_t ShownFreeSpace = 48213ull << 20;
bool DiskFreeBytes(const wchar_t*, std::uint64_t& bytes)
{
    bytes = ShownFreeSpace;
    return true;
}

namespace {

// The files' names: "-200" at 192 dots per inch.
std::string Suffix;

bool SaveFrame(std::string path)
{
    path.insert(path.size() - 4, Suffix);
    HDC screen = GetDC(nullptr);
    Frame frame;
    if (!BeginFrame(screen, frame)) return false;
    ComposeFrame(frame);
    SelectObject(frame.dc, frame.previous);
    frame.previous = nullptr;

    const RECT whole = ScaledFrame();
    BITMAPINFOHEADER header = {};
    header.biSize = sizeof header;
    header.biWidth = whole.right;
    header.biHeight = whole.bottom;   // bottom-up, as a BMP file stores it
    header.biPlanes = 1;
    header.biBitCount = 24;
    header.biCompression = BI_RGB;
    const DWORD rowBytes = (whole.right * 3 + 3) & ~3u;
    header.biSizeImage = rowBytes * whole.bottom;
    std::vector<BYTE> bits(header.biSizeImage);
    GetDIBits(screen, frame.bitmap, 0, whole.bottom, bits.data(), reinterpret_cast<BITMAPINFO*>(&header),
              DIB_RGB_COLORS);
    EndFrame(frame);
    ReleaseDC(nullptr, screen);

    BITMAPFILEHEADER file = {};
    file.bfType = 0x4D42;
    file.bfOffBits = sizeof file + sizeof header;
    file.bfSize = file.bfOffBits + header.biSizeImage;
    FILE* out = std::fopen(path.c_str(), "wb");
    if (!out) return false;
    std::fwrite(&file, sizeof file, 1, out);
    std::fwrite(&header, sizeof header, 1, out);
    std::fwrite(bits.data(), 1, bits.size(), out);
    std::fclose(out);
    return true;
}

void Live(ScreenId screen)
{
    Setup.Shown.Screen = screen;
    Setup.Shown.Busy = 0;
    Setup.Shown.StatusPanelShown = 0;
    Setup.Shown.PromptKind = NoPrompt;
    Setup.Shown.ProgressStep = -1;
}

}  // namespace

int main(int argc, char** argv)
{
    const std::wstring code = argc == 4 ? std::wstring(argv[3], argv[3] + std::strlen(argv[3])) : L"en";
    if (argc < 2 || argc > 4 || (argc >= 3 && std::atoi(argv[2]) < LayoutDpi) || LanguageOfCode(code) < 0) {
        std::fprintf(stderr, "usage: render_screens DIR [DPI [LANGUAGE]]\n");
        return 2;
    }
    const std::string dir = std::string(argv[1]) + "\\";
    if (argc == 3 && std::atoi(argv[2]) != LayoutDpi) {
        Setup.Shown.Dpi = std::atoi(argv[2]);
        Suffix = "-" + std::to_string(Setup.Shown.Dpi * 100 / LayoutDpi);
    }
    if (LanguageOfCode(code) != English) Suffix += "-" + std::string(argv[3]);
    Setup.Process.Instance = GetModuleHandleA(nullptr);
    LoadTexts(LanguageOfCode(code));
    GetWindowsDirectoryA(Setup.Paths.WindowsDir, sizeof Setup.Paths.WindowsDir);
    lstrcpyA(Setup.Paths.InstallPath, "C:\\Program Files\\Marvolen");
    RefreshAvailability();
    bool ok = true;

    Setup.Shown.StatusText = Text(IDS_INITIALIZING);
    ok &= SaveFrame(dir + "starting.bmp");   // the state every run starts in

    Live(MainMenu);
    MainMenuButtons[1].colour = HighlightColour;
    ok &= SaveFrame(dir + "main-menu.bmp");
    MainMenuButtons[1].colour = NormalColour;

    Live(DestinationScreen);
    Setup.Run.DesktopIconWanted = 1;
    DestinationButtons[2].colour = HighlightColour;
    ok &= SaveFrame(dir + "destination.bmp");
    DestinationButtons[2].colour = NormalColour;
    // The largest figures: eight digits of free space, a path of 240 characters.
    ShownFreeSpace = 99999999ull << 20;
    std::string deep = "C:\\Games";
    while (deep.size() < 230) deep += "\\A Folder With A Long Name";
    deep = deep.substr(0, 231) + "\\Marvolen";
    lstrcpyA(Setup.Paths.InstallPath, deep.c_str());
    ok &= SaveFrame(dir + "destination-long.bmp");
    ShownFreeSpace = 48213ull << 20;
    lstrcpyA(Setup.Paths.InstallPath, "C:\\Program Files\\Marvolen");

    Live(ProgressScreen);
    Setup.Shown.ProgressStep = 9;
    ok &= SaveFrame(dir + "progress.bmp");
    Setup.Shown.Busy = 1;
    Setup.Shown.PromptKind = QuestionPrompt;
    Setup.Shown.PromptText = Text(IDS_ASK_ABORT);
    QuestionButtons[0].colour = HighlightColour;
    ok &= SaveFrame(dir + "abort-question.bmp");
    QuestionButtons[0].colour = NormalColour;

    Live(FinishScreen);
    Setup.Run.Installed = 1;
    RefreshAvailability();
    Setup.Shown.RunResult = RunInstalled;
    ok &= SaveFrame(dir + "finish.bmp");

    // After an uninstall the menu offers "Install" again behind the closing message.
    Setup.Run.Installed = 0;
    RefreshAvailability();
    Live(MainMenu);
    Setup.Shown.Busy = 1;
    Setup.Shown.PromptKind = MessagePrompt;
    Setup.Shown.PromptText = Text(IDS_UNINSTALLED);
    ok &= SaveFrame(dir + "uninstalled-message.bmp");
    return ok ? 0 : 1;
}
