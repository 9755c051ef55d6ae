#include <doctest.h>

#include <cstring>

#include "resources/resource_ids.h"
#include "support.h"
#include "ui/layout.h"

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

TEST_CASE("the finish screen's heading and body follow the run's result")
{
    ResetState();
    Setup.Screen = FinishScreen;
    Pixels byResult[3];
    for (int result = 0; result < 3; ++result) {
        Setup.RunResult = result;
        byResult[result] = ComposeCurrent();
        CHECK(byResult[result].count(FinishHeading, TextBlack) > 50);
        CHECK(byResult[result].count(FinishBody, NormalColour) > 50);
    }
    auto same = [](const Pixels& a, const Pixels& b, const RECT& r) {
        return SameArea(a, r.left, r.top, b, r.left, r.top, r.right - r.left, r.bottom - r.top);
    };
    CHECK_FALSE(same(byResult[0], byResult[1], FinishHeading));
    CHECK_FALSE(same(byResult[1], byResult[2], FinishHeading));
    CHECK_FALSE(same(byResult[0], byResult[1], FinishBody));
    CHECK(same(byResult[1], byResult[2], FinishBody));
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
