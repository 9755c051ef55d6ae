#include <doctest.h>

#include <cstring>
#include <string>

#include "shell/flow.h"
#include "shell/log.h"
#include "shell/prompts.h"
#include "shell/window_face.h"
#include "shell/copies.h"
#include "shell/startup.h"
#include "base/texts.h"
#include "shell/pump.h"
#include "shell/window.h"
#include "support.h"
#include "system/folder_path.h"
#include "system/folder_guard.h"
#include "system/records.h"
#include "ui/layout.h"
#include "ui/painter.h"
#include "ui/scale.h"

namespace {

void Fresh()
{
    ResetState();
    EnsureWindow();
}

}  // namespace

TEST_SUITE("window") {

TEST_CASE("a question is answered by lighting and pressing one of its own buttons")
{
    Fresh();
    const POINT yes = Centre(Layout::QuestionRects[0]), no = Centre(Layout::QuestionRects[1]);
    QueuePress(yes);
    CHECK(AskYesNo(Text(IDS_ASK_UNINSTALL)) == 1);
    CHECK(Setup.Shown.Busy == 0);
    CHECK(Setup.Shown.PromptKind == NoPrompt);

    QueuePress(no);
    CHECK(AskYesNo(Text(IDS_ASK_UNINSTALL)) == 0);
    CHECK(Setup.Shown.Busy == 0);
}

TEST_CASE("while a prompt is up, the screen's buttons and unlit prompt buttons do nothing")
{
    Fresh();
    // A question up, as AskYesNo puts it, and each press taken alone by one pump.
    Setup.Shown.Busy = 1;
    Setup.Shown.PromptKind = QuestionPrompt;
    Setup.Shown.PromptPending = 1;
    Setup.Shown.PromptAnswer = false;
    QueuePress(Centre(Layout::MainMenuRects[5]));         // Exit lies outside the panel: not in the live group
    PumpMessages();
    CHECK(Setup.Shown.PromptPending == 1);
    CHECK(Setup.Process.QuitRequested == 0);
    CHECK(MainMenuButtons[5].colour == NormalColour);
    QueuePress(Centre(Layout::QuestionRects[0]), false);   // Yes pressed without being lit first
    PumpMessages();
    CHECK(Setup.Shown.PromptPending == 1);
    CHECK_FALSE(Setup.Shown.PromptAnswer);
    QueuePress(Centre(Layout::QuestionRects[0]));          // lit, then pressed: answered
    PumpMessages();
    CHECK(Setup.Shown.PromptPending == 0);
    CHECK(Setup.Shown.PromptAnswer == 1);
}

TEST_CASE("a message waits for its OK")
{
    Fresh();
    const POINT ok = Centre(Layout::MessageRects[0]);
    QueuePress(ok);
    Setup.Shown.PromptAnswer = 0;
    ShowMessage(Text(IDS_NO_SPACE));
    CHECK(Setup.Shown.PromptAnswer == 1);
    CHECK(Setup.Shown.PromptKind == NoPrompt);
}

TEST_CASE("while busy without a prompt the mouse is ignored; when idle a press on a lit Exit quits")
{
    Fresh();
    const POINT exit = Centre(Layout::MainMenuRects[5]);
    Setup.Shown.Busy = 1;
    const FrameCounter frames;
    SendMessageA(Setup.Process.Window, WM_MOUSEMOVE, 0, MAKELPARAM(exit.x, exit.y));
    SendMessageA(Setup.Process.Window, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(exit.x, exit.y));
    PumpMessages();
    CHECK(MainMenuButtons[5].colour == NormalColour);
    CHECK(Setup.Process.QuitRequested == 0);
    CHECK(frames.Frames() == 0);
    SendMessageA(Setup.Process.Window, WM_LBUTTONUP, 0, MAKELPARAM(exit.x, exit.y));
    CHECK(frames.Frames() == 1);   // a release repaints, busy or not

    Setup.Shown.Busy = 0;
    SendMessageA(Setup.Process.Window, WM_MOUSEMOVE, 0, MAKELPARAM(exit.x, exit.y));
    CHECK(MainMenuButtons[5].colour == HighlightColour);
    SendMessageA(Setup.Process.Window, WM_MOUSEMOVE, 0, MAKELPARAM(5, 5));
    CHECK(MainMenuButtons[5].colour == NormalColour);
    SendMessageA(Setup.Process.Window, WM_MOUSEMOVE, 0, MAKELPARAM(exit.x, exit.y));
    SendMessageA(Setup.Process.Window, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(exit.x, exit.y));
    PumpMessages();
    CHECK(Setup.Process.QuitRequested == 1);
    CHECK(Setup.Process.ExitCode == 0);
    CHECK(IsWindow(Setup.Process.Window));   // Exit ends the loop; the window goes with the process
}

TEST_CASE("moved to a monitor of another scale, the window takes the frame's size there, shows and hits the "
          "layout at it, and shrinks to fit a work area too small")
{
    Fresh();
    const HWND window = Setup.Process.Window;
    const auto rescale = [window](int dpi, RECT suggested) {
        SendMessageA(window, WM_DPICHANGED, MAKEWPARAM(dpi, dpi), reinterpret_cast<LPARAM>(&suggested));
        RECT placed = {};
        GetWindowRect(window, &placed);
        return placed;
    };
    const auto same = [](const RECT& a, const RECT& b) {
        return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
    };
    const auto move = [window](POINT at) { SendMessageA(window, WM_MOUSEMOVE, 0, MAKELPARAM(at.x, at.y)); };

    RECT opened;
    GetWindowRect(window, &opened);
    // At 150 %: where Windows suggests, the frame's size at the scale, inside the 1-pixel border.
    CHECK(same(rescale(144, {40, 30, 1000, 750}), {40, 30, 1000, 750}));
    CHECK(Setup.Shown.Dpi == 144);
    RECT client;
    GetClientRect(window, &client);
    CHECK((client.right == 958 && client.bottom == 718));
    // Each available button lights at its centre at the scale; where the layout's own centre of a
    // button now lies is another place.
    for (int i : {0, 1, 4, 5}) {
        CAPTURE(i);
        move(Centre(Scaled(Layout::MainMenuRects[i])));
        CHECK(MainMenuButtons[i].colour == HighlightColour);
    }
    move(Centre(Layout::MainMenuRects[5]));   // at 150 %, the layout's (308, 228): no button
    for (const ScreenButton& button : MainMenuButtons) CHECK(button.colour != HighlightColour);
    // What the window shows is the frame composed at the scale.
    PaintScreen();
    const Pixels composed = ComposeCurrent();
    HDC shown = GetDC(window);
    int differing = 0;
    for (int y = 5; y < 718; y += 23)
        for (int x = 7; x < 958; x += 19) differing += GetPixel(shown, x, y) != composed.at(x, y);
    ReleaseDC(window, shown);
    CHECK(differing == 0);
    // A press on a lit button acts: Install.
    const POINT install = Centre(Scaled(Layout::MainMenuRects[0]));
    QueuePress(install);
    PumpMessages();
    CHECK(Setup.Shown.Screen == DestinationScreen);

    // At 300 % the frame would not fit this screen: the largest scale that does, inside the work area.
    RECT work;
    SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0);
    const RECT fitted = rescale(288, {0, 0, 1920, 1440});
    CHECK(Setup.Shown.Dpi == FittingDpi(288, work.right - work.left, work.bottom - work.top));
    CHECK(Setup.Shown.Dpi < 288);
    CHECK(fitted.right - fitted.left == ScaledCoordinate(FrameWidth, Setup.Shown.Dpi));
    CHECK(fitted.bottom - fitted.top == ScaledCoordinate(FrameHeight, Setup.Shown.Dpi));
    CHECK((fitted.left >= work.left && fitted.top >= work.top && fitted.right <= work.right && fitted.bottom <= work.bottom));

    // And back at the layout's own scale, where it opened.
    CHECK(same(rescale(96, opened), opened));
    CHECK(Setup.Shown.Dpi == LayoutDpi);
}

TEST_CASE("Cancel asks from inside the pump, and Yes requests the cancel")
{
    Fresh();
    Setup.Shown.Screen = ProgressScreen;
    const POINT cancel = Centre(Layout::ProgressRects[0]), yes = Centre(Layout::QuestionRects[0]);
    QueuePress(cancel);
    QueuePress(yes);
    for (int i = 0; i < 50 && !Setup.Run.CancelRequested; ++i) {
        PumpMessages();
        Sleep(20);
    }
    CHECK(Setup.Run.CancelRequested == 1);
    CHECK(Setup.Shown.PromptKind == NoPrompt);
    CHECK(Setup.Shown.Busy == 0);
}

TEST_CASE("command 105 closes the window; other commands do nothing")
{
    Fresh();
    SendMessageA(Setup.Process.Window, WM_COMMAND, 104, 0);
    CHECK(IsWindow(Setup.Process.Window));
    SendMessageA(Setup.Process.Window, WM_COMMAND, MAKEWPARAM(105, 1), 0);   // only the low word counts
    CHECK(Setup.Process.Window == nullptr);
    PumpMessages();
    CHECK(Setup.Process.QuitRequested == 1);
    Setup.Process.QuitRequested = 0;
}

TEST_CASE("with a prompt up, a screen button lit before stays lit")
{
    Fresh();
    const POINT exit = Centre(Layout::MainMenuRects[5]), no = Centre(Layout::QuestionRects[1]);
    SendMessageA(Setup.Process.Window, WM_MOUSEMOVE, 0, MAKELPARAM(exit.x, exit.y));
    REQUIRE(MainMenuButtons[5].colour == HighlightColour);
    QueuePress(no);
    AskYesNo(Text(IDS_ASK_ABORT));
    CHECK(MainMenuButtons[5].colour == HighlightColour);
}

TEST_CASE("closing the window ends a waiting question as No, and nothing paints into it after")
{
    Fresh();
    PostMessageA(Setup.Process.Window, WM_CLOSE, 0, 0);
    const DWORD started = GetTickCount();
    CHECK(AskYesNo(Text(IDS_ASK_UNINSTALL)) == 0);
    CHECK(GetTickCount() - started < 5000);   // promptly: no wait for an answer that cannot come
    CHECK(Setup.Process.QuitRequested == 1);
    CHECK(Setup.Process.Window == nullptr);
    CHECK(Setup.Shown.PromptKind == NoPrompt);
    PaintScreen();   // must be harmless now
    CHECK(RunMessageLoop() == 0);   // the quit already seen ends the main loop at once
}

TEST_CASE("a close request during a run: the abort question while installing, later while uninstalling")
{
    Fresh();
    Setup.Run.RunUnderWay = InstallRun;
    Setup.Shown.Screen = ProgressScreen;
    QueuePress(Centre(Layout::QuestionRects[1]));
    RequestClose();   // asked at once: No, and the run and the window go on
    CHECK(Setup.Run.CancelRequested == 0);
    CHECK(IsWindow(Setup.Process.Window));
    QueuePress(Centre(Layout::QuestionRects[0]));
    RequestClose();   // Yes: stopped exactly as a confirmed Cancel
    CHECK(Setup.Run.CancelRequested == 1);
    CHECK(IsWindow(Setup.Process.Window));

    // A close while a question of the run is up answers that question as No, nothing more.
    Setup.Run.CancelRequested = 0;
    PostMessageA(Setup.Process.Window, WM_CLOSE, 0, 0);
    CHECK(AskYesNo(Text(IDS_ASK_ABORT)) == 0);
    CHECK(IsWindow(Setup.Process.Window));
    CHECK(Setup.Process.QuitRequested == 0);

    Setup.Run.RunUnderWay = UninstallRun;
    SendMessageA(Setup.Process.Window, WM_CLOSE, 0, 0);
    CHECK(Setup.Run.CloseAfterRun == 1);
    CHECK(IsWindow(Setup.Process.Window));

    Setup.Run.RunUnderWay = NoRun;   // outside runs the window closes
    SendMessageA(Setup.Process.Window, WM_CLOSE, 0, 0);
    CHECK(Setup.Process.Window == nullptr);
    PumpMessages();
    CHECK(Setup.Process.QuitRequested == 1);
}

TEST_CASE("a run that stops before anything was extracted leaves the destination as it was")
{
    // While files are being written, Windows is asked to wait; otherwise it may end the session.
    Fresh();
    Setup.Run.RunUnderWay = InstallRun;
    CHECK(SendMessageA(Setup.Process.Window, WM_QUERYENDSESSION, 0, 0) == FALSE);
    Setup.Run.RunUnderWay = NoRun;
    CHECK(SendMessageA(Setup.Process.Window, WM_QUERYENDSESSION, 0, 0) == TRUE);
    // The session ending while the package is measured: the run ends aborted, and an earlier
    // installation in the destination is untouched.
    const std::string folder = ScratchFolder("earlier-installation");
    WriteFile(folder + "\\saved-game.sav", "the player's own file");
    char system[MAX_PATH];
    GetSystemDirectoryA(system, MAX_PATH);
    WriteLibraryCopy((std::string(system) + "\\unrar.dll").c_str());
    strcpy(Setup.Paths.PackagePath, "T:\\packages\\nested.rar");
    strcpy(Setup.Paths.InstallPath, folder.c_str());
    Setup.Shown.Screen = DestinationScreen;
    PostMessageA(Setup.Process.Window, WM_ENDSESSION, TRUE, 0);
    RunInstallation();
    CHECK(Setup.Shown.RunResult == RunAborted);
    CHECK(Setup.Run.RunUnderWay == NoRun);
    CHECK(ReadFile(folder + "\\saved-game.sav") == "the player's own file");
    CHECK(GetFileAttributesA((folder + "\\big.dat").c_str()) == INVALID_FILE_ATTRIBUTES);
}

TEST_CASE("the keys light and press the live group's buttons as the mouse does, and only when it would")
{
    Fresh();   // main menu, nothing installed: Reinstall and Uninstall are unavailable
    const auto key = [](WPARAM k) { SendMessageA(Setup.Process.Window, WM_KEYDOWN, k, 0); };
    const auto lit = [] {
        const ButtonGroup group = LiveGroup();
        for (int i = 0; i < group.count; ++i)
            if (group.buttons[i].colour == HighlightColour) return group.buttons[i].id;
        return static_cast<ButtonId>(-1);
    };
    struct Step { WPARAM key; ButtonId lit; };
    const Step menu[] = {
        {VK_TAB, InstallOrPlayButton}, {VK_DOWN, WebSiteButton}, {VK_TAB, DirectXButton},   // skips two
        {VK_RIGHT, ExitButton},        {VK_TAB, InstallOrPlayButton},                        // wraps
        {VK_UP, ExitButton},           {VK_LEFT, DirectXButton},
    };
    for (const Step& step : menu) {
        key(step.key);
        CHECK(lit() == step.lit);
    }
    BYTE keys[256];
    GetKeyboardState(keys);
    keys[VK_SHIFT] = 0x80;
    SetKeyboardState(keys);
    key(VK_TAB);   // Shift+Tab: back, past the unavailable ones
    CHECK(lit() == WebSiteButton);
    keys[VK_SHIFT] = 0;
    SetKeyboardState(keys);
    CHECK(MainMenuButtons[4].colour == NormalColour);   // the old one went dark

    // A press of Enter on the lit Install leads on; the check box is reached and toggled like a button.
    key(VK_UP);
    key(VK_RETURN);
    REQUIRE(Setup.Shown.Screen == DestinationScreen);
    for (int i = 0; i < 4; ++i) key(VK_TAB);
    CHECK(lit() == DesktopIconBox);
    key(VK_SPACE);
    CHECK(Setup.Run.DesktopIconWanted == 1);
    key(VK_ESCAPE);   // the destination's way out is Back
    CHECK(Setup.Shown.Screen == MainMenu);

    // While busy without a prompt, keys do nothing: Install, lit when the menu was left, stays lit.
    CHECK(lit() == InstallOrPlayButton);
    Setup.Shown.Busy = 1;
    key(VK_TAB);
    key(VK_ESCAPE);
    CHECK(lit() == InstallOrPlayButton);
    PumpMessages();
    CHECK(Setup.Process.QuitRequested == 0);
    Setup.Shown.Busy = 0;

    // A held key: its repeats move the light, but press nothing; keys that come during a pause
    // are dropped, not kept for the screen after it.
    SendMessageA(Setup.Process.Window, WM_KEYDOWN, VK_TAB, 0x40000001);
    CHECK(lit() == WebSiteButton);
    key(VK_UP);
    REQUIRE(lit() == InstallOrPlayButton);
    SendMessageA(Setup.Process.Window, WM_KEYDOWN, VK_RETURN, 0x40000001);
    CHECK(Setup.Shown.Screen == MainMenu);
    SendMessageA(Setup.Process.Window, WM_KEYDOWN, VK_ESCAPE, 0x40000001);
    PostMessageA(Setup.Process.Window, WM_KEYDOWN, VK_ESCAPE, 0);
    PauseDroppingInput(50);
    PumpMessages();
    CHECK(Setup.Process.QuitRequested == 0);

    // In a prompt only its buttons count: Escape answers No, Tab and Enter choose Yes.
    PostMessageA(Setup.Process.Window, WM_KEYDOWN, VK_ESCAPE, 0);
    CHECK(AskYesNo(Text(IDS_ASK_UNINSTALL)) == 0);
    CHECK(Setup.Shown.Screen == MainMenu);
    PostMessageA(Setup.Process.Window, WM_KEYDOWN, VK_TAB, 0);
    PostMessageA(Setup.Process.Window, WM_KEYDOWN, VK_RETURN, 0);
    CHECK(AskYesNo(Text(IDS_ASK_UNINSTALL)) == 1);

    key(VK_ESCAPE);   // the main menu's way out is Exit
    PumpMessages();
    CHECK(Setup.Process.QuitRequested == 1);
}


TEST_CASE("a file or game that does not open leaves the setup as it was, and the log says why")
{
    Fresh();
    const std::string folder = ScratchFolder("opens");
    OpenLog(WideFromAnsi((folder + "\\opens.log").c_str()));
    std::strcpy(Setup.Paths.SetupDir, (folder + "\\").c_str());   // holds no ReadMe
    HKEY record;   // the game on record in a folder without it
    RegCreateKeyExA(HKEY_CURRENT_USER, InstallRecordKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &record, nullptr);
    RegSetValueExA(record, "InstallDir", 0, REG_SZ, reinterpret_cast<const BYTE*>(folder.c_str()),
                   static_cast<DWORD>(folder.size() + 1));
    RegCloseKey(record);
    Setup.Shown.Screen = FinishScreen;
    const ButtonGroup finish = LiveGroup();
    for (int i = 0; i < finish.count; ++i)
        if (finish.buttons[i].id == ReadMeButton || finish.buttons[i].id == PlayNowButton) ButtonAction(finish, i);
    const std::string log = ReadFile(folder + "\\opens.log");
    CHECK(log.find("FAILED: could not open " + folder + "\\ReadMe.txt: ") != std::string::npos);
    CHECK(log.find("FAILED: the game could not be started: " + folder + "\\tarn.exe: ") != std::string::npos);
    CHECK(Setup.Shown.Screen == FinishScreen);
    OpenLog(L"");
    KeepFile(L"");
    DeleteInstallRecords();
}

}
