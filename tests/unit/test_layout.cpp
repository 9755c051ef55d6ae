#include <doctest.h>

#include <cstring>
#include <string>

#include "shell/flow.h"
#include "base/texts.h"
#include "support.h"
#include "ui/layout.h"
#include "ui/resample.h"
#include "ui/scale.h"

#include <vector>

TEST_SUITE("layout") {

TEST_CASE("button rectangles contain their left and top edges, not their right and bottom")
{
    const RECT& install = *MainMenuButtons[0].rect;
    CHECK(PtInRect(&install, POINT{367, 77}));
    CHECK(PtInRect(&install, POINT{556, 117}));
    CHECK_FALSE(PtInRect(&install, POINT{557, 100}));
    CHECK_FALSE(PtInRect(&install, POINT{400, 118}));
    CHECK_FALSE(PtInRect(&install, POINT{366, 90}));
}

TEST_CASE("the buttons of one group never overlap, so one press acts at most once")
{
    ResetState();
    const ButtonGroup groups[] = {ScreenGroup(MainMenu), ScreenGroup(DestinationScreen), ScreenGroup(FinishScreen),
                                  PromptGroup(QuestionPrompt)};
    for (const ButtonGroup& group : groups)
        for (int i = 0; i < group.count; ++i)
            for (int j = i + 1; j < group.count; ++j) {
                RECT overlap;
                CHECK_FALSE(IntersectRect(&overlap, group.buttons[i].rect, group.buttons[j].rect));
            }
}

TEST_CASE("the live group is the prompt's while one is up, else the screen's")
{
    ResetState();
    struct Case { PromptKinds prompt; ScreenId screen; ScreenButton* group; int count; };
    const Case cases[] = {
        {NoPrompt, MainMenu, MainMenuButtons, 6},       {NoPrompt, DestinationScreen, DestinationButtons, 4},
        {NoPrompt, FinishScreen, FinishButtons, 4},     {NoPrompt, ProgressScreen, ProgressButtons, 1},
        {MessagePrompt, ProgressScreen, MessageButtons, 1}, {QuestionPrompt, MainMenu, QuestionButtons, 2},
    };
    for (const Case& c : cases) {
        Setup.Shown.PromptKind = c.prompt;
        Setup.Shown.Screen = c.screen;
        CHECK(LiveGroup().buttons == c.group);
        CHECK(LiveGroup().count == c.count);
        CHECK(LiveGroup().prompt == c.prompt);
    }
}

TEST_CASE("every button is known by its own name, and a name leads to its record")
{
    ResetButtons();
    struct Case { ButtonId id; ScreenButton* record; const char* label; };
    const Case cases[] = {
        {InstallOrPlayButton, &MainMenuButtons[0], "Install"}, {ExitButton, &MainMenuButtons[5], "Exit"},
        {ContinueButton, &DestinationButtons[2], "Continue"},  {DesktopIconBox, &DestinationButtons[3], ""},
        {CancelButton, &ProgressButtons[0], "Cancel"},          {SetupMenuButton, &FinishButtons[3], "Setup Menu"},
        {OkButton, &MessageButtons[0], "OK"},                   {NoButton, &QuestionButtons[1], "No"},
    };
    for (const Case& c : cases) {
        CAPTURE(c.label);
        CHECK(&Button(c.id) == c.record);
        CHECK(c.record->id == c.id);
        CHECK(std::strcmp(c.record->label, c.label) == 0);
    }
}

TEST_CASE("labels point at the loaded texts, in the order the groups dispatch by")
{
    ResetButtons();
    const char* mainMenu[] = {"Install", "Marvolen in WWW", "Reinstall", "Uninstall", "Install DirectX 7.0", "Exit"};
    for (int i = 0; i < 6; ++i) CHECK(std::strcmp(MainMenuButtons[i].label, mainMenu[i]) == 0);
    const char* finish[] = {"Play Now", "OnLine registration", "View ReadMe", "Setup Menu"};
    for (int i = 0; i < 4; ++i) CHECK(std::strcmp(FinishButtons[i].label, finish[i]) == 0);
    CHECK(std::strcmp(DestinationButtons[2].label, "Continue") == 0);
    CHECK(DestinationButtons[3].label[0] == '\0');   // the check box draws no label
    CHECK(std::strcmp(ProgressButtons[0].label, "Cancel") == 0);
    CHECK(std::strcmp(QuestionButtons[1].label, "No") == 0);
}

TEST_CASE("every button starts available except Reinstall and Uninstall")
{
    ResetButtons();
    CHECK(MainMenuButtons[2].colour == DisabledColour);
    CHECK(MainMenuButtons[3].colour == DisabledColour);
    for (int i : {0, 1, 4, 5}) CHECK(MainMenuButtons[i].colour == NormalColour);
    for (const ScreenButton& b : DestinationButtons) CHECK(b.colour == NormalColour);
    for (const ScreenButton& b : FinishButtons) CHECK(b.colour == NormalColour);
    CHECK(ProgressButtons[0].colour == NormalColour);
    CHECK(MessageButtons[0].colour == NormalColour);
    for (const ScreenButton& b : QuestionButtons) CHECK(b.colour == NormalColour);
}

TEST_CASE("availability follows the install record and the uninstaller copy")
{
    constexpr COLORREF A = NormalColour, D = DisabledColour;
    struct Case { int installed, uninstaller; const char* first; COLORREF menu[6]; COLORREF finish[4]; };
    const Case cases[] = {
        {0, 0, "Install", {A, A, D, D, A, A}, {D, D, D, A}},
        {1, 0, "Play", {A, A, A, A, A, A}, {A, A, A, A}},
        {0, 1, "Install", {D, A, D, D, A, A}, {D, D, D, A}},
        {1, 1, "Play", {D, A, D, A, A, A}, {A, A, A, A}},
    };
    for (const Case& c : cases) {
        CAPTURE(c.installed);
        CAPTURE(c.uninstaller);
        ResetButtons();
        Setup.Run.Installed = c.installed;
        Setup.Run.UninstallerMode = c.uninstaller;
        RefreshAvailability();
        CHECK(std::strcmp(MainMenuButtons[0].label, c.first) == 0);
        for (int i = 0; i < 6; ++i) CHECK(MainMenuButtons[i].colour == c.menu[i]);
        for (int i = 0; i < 4; ++i) CHECK(FinishButtons[i].colour == c.finish[i]);
    }
    Setup.Run.UninstallerMode = 0;
}

TEST_CASE("at a scale the layout's edges are scaled, rounded half up, and the window fits its work area")
{
    ResetState();
    struct Edge { int value, dpi, scaled; };
    const Edge edges[] = {{367, 96, 367}, {367, 192, 734}, {367, 144, 551}, {366, 144, 549}, {1, 120, 1},
                          {2, 120, 3},    {640, 144, 960}, {480, 192, 960}, {557, 168, 975}};
    for (const Edge& e : edges) {
        CAPTURE(e.value);
        CAPTURE(e.dpi);
        CHECK(ScaledCoordinate(e.value, e.dpi) == e.scaled);
    }
    // Rectangles that touch in the layout touch at every scale: none overlaps or leaves a gap.
    for (int dpi : {96, 120, 144, 168, 192, 240}) {
        Setup.Shown.Dpi = dpi;
        CHECK(Scaled(Layout::InstallFolderHeading).bottom == Scaled(Layout::InstallPathLine).top);
        const Placement map = Scaled(Layout::MapPicture);
        CHECK(map.x + map.width == Scaled(Layout::MapPicture.x + Layout::MapPicture.width));
        CHECK(Scaled(Layout::WholeFrame).right == ScaledCoordinate(FrameWidth, dpi));
    }
    Setup.Shown.Dpi = LayoutDpi;

    // The monitor's scale, or the largest at which the window fits the work area, never below the layout's.
    struct Fit { int dpi, width, height, fitted; };
    const Fit fits[] = {{96, 800, 600, 96},    {144, 1024, 768, 144}, {192, 1280, 960, 192}, {192, 1279, 960, 191},
                        {192, 1024, 768, 153}, {192, 1600, 768, 153}, {192, 500, 400, 96},  {120, 1920, 1040, 120}};
    for (const Fit& f : fits) {
        CAPTURE(f.dpi);
        CAPTURE(f.width);
        CHECK(FittingDpi(f.dpi, f.width, f.height) == f.fitted);
    }
}

TEST_CASE("a picture is averaged to a scale by the area each pixel covers, a mask to black or white")
{
    struct Case {
        const char* what;
        std::vector<DWORD> source;
        int width, height;
        double scale;
        bool mask;
        std::vector<DWORD> expected;
        int resultWidth, resultHeight;
    };
    constexpr DWORD B = 0, W = 0x00FFFFFF, R = 0x00FF0000, G = 0x0000FF00;
    const Case cases[] = {
        {"a checkerboard halved is grey", {B, W, W, B}, 2, 2, 2, false, {0x00808080}, 1, 1},
        {"one colour stays that colour", {R, R, R, R, R, R, R, R, R}, 3, 3, 1.5, false, {R, R, R, R}, 2, 2},
        {"a thin line is kept as a lighter one, not dropped", {B, W, B, B}, 4, 1, 4.0 / 3, false, {0x00404040, 0x00808080, B}, 3, 1},
        {"each channel apart", {R, G}, 2, 1, 2, false, {0x00808000}, 1, 1},
        {"a last column past the source's end averages what there is", {B, B, W}, 3, 1, 2, false, {B, W}, 2, 1},
        {"enlarged, a pixel takes its neighbours' shares", {B, W}, 2, 1, 0.75, false, {B, 0x00AAAAAA, W}, 3, 1},
        {"a mask: black where half or more is black", {B, W, W, B, B, W, W, W}, 4, 2, 2, true, {B, W}, 2, 1},
    };
    for (const Case& c : cases) {
        const std::string what = c.what;
        CAPTURE(what);
        std::vector<DWORD> result(static_cast<size_t>(c.resultWidth) * c.resultHeight, 0x12345678);
        AverageArea(c.source.data(), c.width, c.height, c.scale, result.data(), c.resultWidth, c.resultHeight, c.mask);
        for (size_t i = 0; i < result.size(); ++i) {
            CAPTURE(i);
            CHECK(result[i] == c.expected[i]);
        }
    }
}

TEST_CASE("an available button that is lit becomes plain when availability is refreshed")
{
    ResetState();
    MainMenuButtons[3].colour = HighlightColour;
    Setup.Run.Installed = 1;
    RefreshAvailability();
    CHECK(MainMenuButtons[3].colour == NormalColour);
}

}
