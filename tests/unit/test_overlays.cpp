#include <doctest.h>

#include <cstdlib>
#include <vector>

#include "resources/resource_ids.h"
#include "base/texts.h"
#include "support.h"
#include "ui/layout.h"
#include "ui/scale.h"

using namespace Layout;

namespace {

int DisplayDepth()
{
    HDC screen = GetDC(nullptr);
    const int depth = GetDeviceCaps(screen, BITSPIXEL);
    ReleaseDC(nullptr, screen);
    return depth;
}

// The pixel of the layout a pixel of the frame shows at `dpi`.
int LayoutPixel(int at, int dpi)
{
    int pixel = 0;
    while (ScaledCoordinate(pixel + 1, dpi) <= at) ++pixel;
    return pixel;
}

}  // namespace

TEST_SUITE("overlays") {

TEST_CASE("dimming blackens exactly the pixels of the layout whose x + y is even, at every scale, afresh on every paint")
{
    // The 16-bit run of this suite says which depth it expects, so a server that ignored
    // the requested depth cannot pass it unnoticed.
    if (const char* expected = std::getenv("MARVOLEN_EXPECT_BPP")) REQUIRE(DisplayDepth() == std::atoi(expected));

    // One cell of the checkerboard for each pixel of the layout: at 200 % two pixels square, at
    // 150 % one or two, at 125 % one or two in a run of five.
    for (int dpi : {LayoutDpi, 120, 144, 192}) {
        CAPTURE(dpi);
        ResetState();
        Setup.Shown.Dpi = dpi;
        const Pixels plain = ComposeCurrent();
        Setup.Shown.Busy = 1;
        const Pixels dimmed = ComposeCurrent();
        CHECK(dimmed.at(0, 0) == TextBlack);
        CHECK(dimmed.at(dimmed.width - 1, dimmed.height - 1) == TextBlack);
        CHECK(dimmed.at(Scaled(1), 0) == plain.at(Scaled(1), 0));
        std::vector<int> column(dimmed.width), row(dimmed.height);
        for (int x = 0; x < dimmed.width; ++x) column[x] = LayoutPixel(x, dpi);
        for (int y = 0; y < dimmed.height; ++y) row[y] = LayoutPixel(y, dpi);
        int wrong = 0;
        for (int y = 0; y < dimmed.height; ++y)
            for (int x = 0; x < dimmed.width; ++x)
                wrong += ((column[x] + row[y]) % 2 == 0) ? dimmed.at(x, y) != TextBlack : dimmed.at(x, y) != plain.at(x, y);
        CHECK(wrong == 0);
        CHECK(ComposeCurrent().rgb == dimmed.rgb);   // no accumulation
    }
}

TEST_CASE("a panel shows its image under black mask bits and leaves the screen under white ones, at 100 and 200 %")
{
    for (const int set : {0, IDB_DOUBLE}) {
        CAPTURE(set);
        ResetState();
        Setup.Shown.Dpi = set ? 192 : LayoutDpi;
        const Pixels plain = ComposeCurrent();
        Setup.Shown.StatusPanelShown = 1;
        Setup.Shown.StatusText = nullptr;
        const Pixels panel = ComposeCurrent();
        const Pixels image = LoadPicture(IDB_STATUS_PANEL + set);
        const Pixels mask = LoadPicture(IDB_STATUS_MASK + set);
        const Placement at = Scaled(StatusPanel);
        REQUIRE(image.width == at.width);
        int shown = 0, kept = 0, wrong = 0;
        for (int y = 0; y < at.height; ++y)
            for (int x = 0; x < at.width; ++x) {
                const COLORREF got = panel.at(at.x + x, at.y + y);
                if (mask.at(x, y) == TextBlack) {
                    ++shown;
                    wrong += got != image.at(x, y);
                } else {
                    ++kept;
                    wrong += got != plain.at(at.x + x, at.y + y);
                }
            }
        CHECK(shown > 0);
        CHECK(kept > 0);   // the outline is irregular
        CHECK(wrong == 0);
    }
}

TEST_CASE("the status panel is never dimmed and carries its text in its own colour")
{
    if (DisplayDepth() < 24) return;   // exact colours need a true-colour display
    ResetState();
    Setup.Shown.Busy = 1;
    Setup.Shown.StatusPanelShown = 1;
    Setup.Shown.StatusText = Text(IDS_INITIALIZING);
    const Pixels frame = ComposeCurrent();
    const RECT panel = StatusPanelText;
    CHECK(frame.count(panel, StatusTextColour) > 50);
    CHECK(frame.count(WholeFrame, StatusTextColour) == frame.count(panel, StatusTextColour));
    const Pixels image = LoadPicture(IDB_STATUS_PANEL);
    const Pixels mask = LoadPicture(IDB_STATUS_MASK);
    // A pixel of the panel at an even x + y keeps the image's colour.
    int checked = 0;
    for (int y = 0; y < StatusPanel.height && checked < 50; ++y)
        for (int x = 0; x < StatusPanel.width && checked < 50; ++x)
            if ((x + StatusPanel.x + y + StatusPanel.y) % 2 == 0 && mask.at(x, y) == TextBlack &&
                image.at(x, y) != TextBlack && frame.at(StatusPanel.x + x, StatusPanel.y + y) != StatusTextColour) {
                CHECK(frame.at(StatusPanel.x + x, StatusPanel.y + y) == image.at(x, y));
                ++checked;
            }
    CHECK(checked == 50);
}

TEST_CASE("a prompt draws its own buttons in their colours over the dimmed screen")
{
    if (DisplayDepth() < 24) return;
    ResetState();
    Setup.Shown.Busy = 1;
    Setup.Shown.PromptText = Text(IDS_ASK_ABORT);
    Setup.Shown.PromptKind = QuestionPrompt;
    QuestionButtons[0].colour = HighlightColour;
    const Pixels question = ComposeCurrent();
    CHECK(question.count(QuestionRects[0], HighlightColour) > 10);
    CHECK(question.count(QuestionRects[1], NormalColour) > 10);
    CHECK(question.count(PromptText, TextBlack) > 50);

    Setup.Shown.PromptKind = MessagePrompt;
    const Pixels message = ComposeCurrent();
    CHECK(message.count(MessageRects[0], NormalColour) > 10);
    CHECK(message.count(WholeFrame, HighlightColour) == 0);   // Yes is not drawn for a message
    QuestionButtons[0].colour = NormalColour;
}

}
