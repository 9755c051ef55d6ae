#include <doctest.h>

#include <cstring>
#include <string>
#include <vector>

#include "resources/resource_ids.h"
#include "base/texts.h"
#include "support.h"
#include "system/destination.h"
#include "ui/layout.h"
#include "ui/painter.h"

using namespace Layout;

namespace {

bool SameArea(const Pixels& a, int ax, int ay, const Pixels& b, int bx, int by, int width, int height)
{
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            if (a.at(ax + x, ay + y) != b.at(bx + x, by + y)) return false;
    return true;
}

}  // namespace

TEST_SUITE("painter") {

TEST_CASE("the main menu shows each label in its button's colour, on a background free of label colours")
{
    ResetState();
    const Pixels frame = ComposeCurrent();
    for (int i = 0; i < 6; ++i) {
        CAPTURE(i);
        const COLORREF expected = (i == 2 || i == 3) ? DisabledColour : NormalColour;
        const COLORREF other = expected == NormalColour ? DisabledColour : NormalColour;
        CHECK(frame.count(MainMenuRects[i], expected) > 20);
        CHECK(frame.count(MainMenuRects[i], other) == 0);
    }
    CHECK(frame.count(WholeFrame, HighlightColour) == 0);
    int labelPixels = 0;
    for (int i = 0; i < 6; ++i)
        labelPixels += frame.count(MainMenuRects[i], NormalColour) + frame.count(MainMenuRects[i], DisabledColour);
    CHECK(labelPixels == frame.count(WholeFrame, NormalColour) + frame.count(WholeFrame, DisabledColour));

    MainMenuButtons[1].colour = HighlightColour;
    CHECK(ComposeCurrent().count(MainMenuRects[1], HighlightColour) > 20);
}

TEST_CASE("the menu's first label follows the install state")
{
    ResetState();
    const Pixels install = ComposeCurrent();
    Setup.Installed = 1;
    MainMenuButtons[0].label = "Play";
    const Pixels play = ComposeCurrent();
    CHECK_FALSE(SameArea(install, 367, 77, play, 367, 77, 190, 41));
    CHECK(SameArea(install, 367, 126, play, 367, 126, 190, 41 * 5));
}

TEST_CASE("the destination screen shows the path, the free space and the tick only when wanted")
{
    ResetState();
    Setup.Screen = DestinationScreen;
    strcpy(Setup.InstallPath, "C:\\Program Files\\Marvolen");
    const Pixels unticked = ComposeCurrent();
    CHECK(unticked.count(InstallPathLine, NormalColour) > 50);
    CHECK(unticked.count(DesktopIconLabel, NormalColour) > 50);
    CHECK(unticked.count(FreeSpaceLine, TextBlack) > 50);
    CHECK(unticked.count(DestinationRects[3], NormalColour) == 0);   // the check box has no label
    CHECK(SameArea(unticked, Tick.x, Tick.y, LoadPicture(IDB_DESTINATION), Tick.x, Tick.y, Tick.width, Tick.height));

    Setup.DesktopIconWanted = 1;
    const Pixels ticked = ComposeCurrent();
    CHECK(SameArea(ticked, Tick.x, Tick.y, LoadPicture(IDB_TICK), 0, 0, Tick.width, Tick.height));

    strcpy(Setup.InstallPath, "D:\\Elsewhere\\Marvolen");
    CHECK_FALSE(SameArea(ticked, 52, 87, ComposeCurrent(), 52, 87, 584, 23));
}

TEST_CASE("every text the painter draws fits its rectangle in the painter's font, at its largest value")
{
    HDC dc = CreateCompatibleDC(nullptr);
    HFONT font = CreateLabelFont();
    REQUIRE(font);
    HGDIOBJ previous = SelectObject(dc, font);
    char freeSpace[PathSize], freeSpaceLine[PathSize];
    MebibyteText(99999999ull << 20, freeSpace);   // 99,999,999 MB: a drive of some 95 TiB
    REQUIRE(std::string(freeSpace) == "99999999MB");
    strcpy(freeSpaceLine, Text(IDS_AVAILABLE_SPACE));
    strcat(freeSpaceLine, freeSpace);
    struct Case { const char* text; RECT area; UINT format; };
    std::vector<Case> cases = {
        {freeSpaceLine, FreeSpaceLine, LeftLine},
        {Text(IDS_SPACE_REQUIRED), SpaceRequiredLine, LeftLine},
        {Text(IDS_DESKTOP_ICON), DesktopIconLabel, CentredLine},
        {Text(IDS_INSTALL_FOLDER), InstallFolderHeading, CentredLine},
        {"C:\\Program Files (x86)\\Marvolen", InstallPathLine, CentredLine},
    };
    for (UINT id : {IDS_INSTALLED_HEADING, IDS_ABORTED_HEADING, IDS_FAILED_HEADING})
        cases.push_back({Text(id), FinishHeading, CentredLine});
    for (UINT id : {IDS_INSTALLED_BODY, IDS_RETRY_BODY}) cases.push_back({Text(id), FinishBody, Wrapped});
    for (UINT id : {IDS_INITIALIZING, IDS_PREPARING, IDS_CREATING_ICONS, IDS_UPDATING_REGISTRY, IDS_REMOVING_FILES,
                    IDS_REMOVING_ICONS, IDS_REMOVING_REGISTRY})
        cases.push_back({Text(id), StatusPanelText, CentredLine});
    for (UINT id : {IDS_ASK_ABORT, IDS_NO_SPACE, IDS_ASK_UNINSTALL, IDS_UNINSTALLED, IDS_BAD_FOLDER, IDS_IN_USE})
        cases.push_back({Text(id), PromptText, Wrapped});
    ResetButtons();
    for (const ButtonGroup& group : {ScreenGroup(MainMenu), ScreenGroup(DestinationScreen), ScreenGroup(ProgressScreen),
                                     ScreenGroup(FinishScreen), PromptGroup(MessagePrompt), PromptGroup(QuestionPrompt)})
        for (int i = 0; i < group.count; ++i)
            cases.push_back({group.buttons[i].label, *group.buttons[i].rect, CentredLine});
    cases.push_back({Text(IDS_PLAY), MainMenuRects[0], CentredLine});
    for (const Case& c : cases) {
        CAPTURE(c.text);
        RECT measured = {c.area.left, c.area.top, c.area.right, c.area.top};
        DrawTextA(dc, c.text, -1, &measured, (c.format & ~DT_VCENTER) | DT_CALCRECT);
        CHECK(measured.right - measured.left <= c.area.right - c.area.left);
        CHECK(measured.bottom - measured.top <= c.area.bottom - c.area.top);
    }

    // A path too long for its line keeps its drive and the game's folder.
    char longPath[PathSize] = "C:\\";
    while (strlen(longPath) < 230) strcat(longPath, "A Folder With A Long Name\\");
    strcat(longPath, "Marvolen");
    RECT line = InstallPathLine;
    DrawTextA(dc, longPath, -1, &line, CentredLine | DT_PATH_ELLIPSIS | DT_MODIFYSTRING);
    const std::string shown = longPath;
    CHECK(shown.compare(0, 3, "C:\\") == 0);
    CHECK(shown.size() > 12);
    CHECK(shown.compare(shown.size() - 9, 9, "\\Marvolen") == 0);
    CHECK(shown.find("...") != std::string::npos);
    SelectObject(dc, previous);
    DeleteObject(font);
    DeleteDC(dc);
}

TEST_CASE("the progress screen shows the frame pair of the step, the last pair past the end")
{
    ResetState();
    Setup.Screen = ProgressScreen;
    const Pixels background = LoadPicture(IDB_PROGRESS);
    const Pixels idle = ComposeCurrent();
    CHECK(SameArea(idle, MapPicture.x, MapPicture.y, background, MapPicture.x, MapPicture.y, MapPicture.width,
                   MapPicture.height));
    CHECK(SameArea(idle, Strip.x, Strip.y, background, Strip.x, Strip.y, Strip.width, Strip.height));
    CHECK(idle.count(ProgressRects[0], NormalColour) > 20);

    for (int step : {0, 8, 16, 40}) {
        CAPTURE(step);
        Setup.ProgressStep = step;
        const int shown = step > 16 ? 16 : step;
        const Pixels frame = ComposeCurrent();
        CHECK(SameArea(frame, MapPicture.x, MapPicture.y, LoadPicture(IDB_MAP_FIRST + shown), 0, 0, MapPicture.width,
                       MapPicture.height));
        CHECK(SameArea(frame, Strip.x, Strip.y, LoadPicture(IDB_STRIP_FIRST + shown), 0, 0, Strip.width, Strip.height));
        // Only the top-left 330 x 269 of the map picture: the column beside it is the background's.
        CHECK(SameArea(frame, MapPicture.x + MapPicture.width, MapPicture.y, background, MapPicture.x + MapPicture.width,
                       MapPicture.y, 1, MapPicture.height));
    }
}

TEST_CASE("the finish screen shows each outcome's own heading and body")
{
    ResetState();
    Setup.Screen = FinishScreen;
    const char* retry = "Click the Installation Menu to Reinstall the game or Exit Setup";
    struct Case { int result; const char* heading; const char* body; };
    const Case cases[] = {
        {RunInstalled, "Marvolen have been successfully installed!",
         "Click View Readme for further information. Click Online registration to get your registration."},
        {RunAborted, "Installation has been aborted!", retry},
        {RunFailed, "Installation failed!", retry},
    };
    for (const Case& c : cases) {
        CAPTURE(c.heading);
        Setup.RunResult = c.result;
        const Pixels shown = ComposeCurrent();
        // The finish texts as this test expects them, drawn by the test itself on the background.
        const Pixels expected = BackgroundWith([&c](HDC dc) {
            RECT heading = FinishHeading, body = FinishBody;
            SetTextColor(dc, NormalColour);
            DrawTextA(dc, c.body, -1, &body, DT_CENTER | DT_VCENTER | DT_WORDBREAK);
            SetTextColor(dc, TextBlack);
            DrawTextA(dc, c.heading, -1, &heading, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
        });
        for (const RECT& r : {FinishHeading, FinishBody}) {
            CHECK(shown.count(r, r.top == FinishHeading.top ? TextBlack : NormalColour) > 50);
            CHECK(SameArea(shown, r.left, r.top, expected, r.left, r.top, r.right - r.left, r.bottom - r.top));
        }
    }
}

TEST_CASE("composing keeps nothing between frames")
{
    ResetState();
    const Pixels first = ComposeCurrent();
    Setup.Busy = 1;
    ComposeCurrent();
    Setup.Busy = 0;
    CHECK(first.rgb == ComposeCurrent().rgb);
}

}
