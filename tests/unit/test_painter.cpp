#include <doctest.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "resources/resource_ids.h"
#include "base/texts.h"
#include "support.h"
#include "system/destination.h"
#include "ui/draw.h"
#include "ui/fonts.h"
#include "ui/layout.h"
#include "ui/painter.h"
#include "ui/scale.h"
#include "ui/screen_items.h"

using namespace Layout;

namespace {

bool SameArea(const Pixels& a, int ax, int ay, const Pixels& b, int bx, int by, int width, int height)
{
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            if (a.at(ax + x, ay + y) != b.at(bx + x, by + y)) return false;
    return true;
}

// What DrawLine puts on the destination background at the scale shown: the pixels that differ
// from it, and where they lie against the rectangle at that scale.
struct Drawn {
    Pixels pixels;
    int count = 0;
    bool outside = false, onEdge = false;
};

Drawn DrawnBy(const std::function<void(HDC dc)>& draw, const RECT& layoutArea, UINT format)
{
    const Pixels background = BackgroundWith([](HDC) {});
    Drawn drawn{BackgroundWith(draw)};
    const RECT area = Scaled(layoutArea);
    for (int y = 0; y < drawn.pixels.height; ++y)
        for (int x = 0; x < drawn.pixels.width; ++x) {
            if (drawn.pixels.at(x, y) == background.at(x, y)) continue;
            ++drawn.count;
            const bool inside = x >= area.left && x < area.right && y >= area.top && y < area.bottom;
            drawn.outside |= !inside;
            // A cut text runs into the rectangle's far edge (both edges when centred, the bottom
            // row when wrapped); a whole one keeps clear of it.
            drawn.onEdge |= inside && (x == area.right - 1 || ((format & DT_CENTER) && x == area.left) ||
                                       ((format & DT_WORDBREAK) && y == area.bottom - 1));
        }
    return drawn;
}

Drawn DrawnText(const std::string& text, const RECT& layoutArea, UINT format)
{
    return DrawnBy([&](HDC dc) { DrawLine(dc, text.c_str(), layoutArea, RGB(255, 0, 255), format); }, layoutArea, format);
}

// The text as one DrawText in the frame's face draws it at the scale, fitting or not.
Drawn DrawnWhole(const std::string& text, const RECT& layoutArea, UINT format)
{
    return DrawnBy([&](HDC dc) {
        RECT box = Scaled(layoutArea);
        SetTextColor(dc, RGB(255, 0, 255));
        DrawTextW(dc, WideFromUtf8(text.c_str()).c_str(), -1, &box, format);
    }, layoutArea, format);
}

struct TextCase { std::string text; RECT area; UINT format; };

// Every fixed text of the program in its place, in the language loaded; the free space and the
// older version's question with the longest figures they can show.
std::vector<TextCase> TextCases()
{
    char freeSpace[PathSize];
    MebibyteText(99999999ull << 20, freeSpace, Text(IDS_MEGABYTES));   // 99,999,999 MB: a drive of some 95 TiB
    std::vector<TextCase> cases = {
        {std::string(Text(IDS_AVAILABLE_SPACE)) + freeSpace, FreeSpaceLine, LeftLine},
        {Text(IDS_SPACE_REQUIRED), SpaceRequiredLine, LeftLine},
        {Text(IDS_DESKTOP_ICON), DesktopIconLabel, CentredLine},
        {Text(IDS_INSTALL_FOLDER), InstallFolderHeading, CentredLine},
    };
    for (UINT id : {IDS_INSTALLED_HEADING, IDS_ABORTED_HEADING, IDS_FAILED_HEADING})
        cases.push_back({Text(id), FinishHeading, CentredLine});
    for (UINT id : {IDS_INSTALLED_BODY, IDS_RETRY_BODY}) cases.push_back({Text(id), FinishBody, Wrapped});
    for (UINT id : {IDS_INITIALIZING, IDS_PREPARING, IDS_CREATING_ICONS, IDS_UPDATING_REGISTRY, IDS_REMOVING_FILES,
                    IDS_REMOVING_ICONS, IDS_REMOVING_REGISTRY})
        cases.push_back({Text(id), StatusPanelText, CentredLine});
    for (UINT id : {IDS_ASK_ABORT, IDS_NO_SPACE, IDS_ASK_UNINSTALL, IDS_UNINSTALLED, IDS_BAD_FOLDER, IDS_IN_USE,
                    IDS_OTHERS_FILES, IDS_UNREACHABLE, IDS_NOT_RESTORED, IDS_NOT_REMOVED})
        cases.push_back({Text(id), PromptText, Wrapped});
    char question[TextLimit + 2 * PathSize];   // with the longest version a record can hold
    wsprintfA(question, Text(IDS_ASK_OLDER_OVER_NEWER), "99999.99999", Text(IDS_VERSION));
    cases.push_back({question, PromptText, Wrapped});
    for (const ButtonGroup& group : {ScreenGroup(MainMenu), ScreenGroup(DestinationScreen), ScreenGroup(ProgressScreen),
                                     ScreenGroup(FinishScreen), PromptGroup(MessagePrompt), PromptGroup(QuestionPrompt)})
        for (int i = 0; i < group.count; ++i)
            if (group.buttons[i].label[0]) cases.push_back({group.buttons[i].label, *group.buttons[i].rect, CentredLine});
    cases.push_back({Text(IDS_PLAY), MainMenuRects[0], CentredLine});
    return cases;
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
    Setup.Run.Installed = 1;
    MainMenuButtons[0].label = "Play";
    const Pixels play = ComposeCurrent();
    CHECK_FALSE(SameArea(install, 367, 77, play, 367, 77, 190, 41));
    CHECK(SameArea(install, 367, 126, play, 367, 126, 190, 41 * 5));
}

TEST_CASE("the destination screen shows the path, the free space and the tick only when wanted")
{
    ResetState();
    Setup.Shown.Screen = DestinationScreen;
    strcpy(Setup.Paths.InstallPath, "C:\\Program Files\\Marvolen");
    const Pixels unticked = ComposeCurrent();
    CHECK(unticked.count(InstallPathLine, NormalColour) > 50);
    CHECK(unticked.count(DesktopIconLabel, NormalColour) > 50);
    CHECK(unticked.count(FreeSpaceLine, TextBlack) > 50);
    CHECK(unticked.count(DestinationRects[3], NormalColour) == 0);   // the check box has no label
    CHECK(SameArea(unticked, Tick.x, Tick.y, LoadPicture(IDB_DESTINATION), Tick.x, Tick.y, Tick.width, Tick.height));

    Setup.Run.DesktopIconWanted = 1;
    const Pixels ticked = ComposeCurrent();
    CHECK(SameArea(ticked, Tick.x, Tick.y, LoadPicture(IDB_TICK), 0, 0, Tick.width, Tick.height));

    // The disk is asked once per folder, not at every frame, and again when the screen is entered.
    static int asked;
    asked = 0;
    FreeSpaceFigure = [](const wchar_t*) -> std::uint64_t { return ++asked << 20; };
    strcpy(Setup.Paths.InstallPath, "D:\\Elsewhere\\Marvolen");
    CHECK_FALSE(SameArea(ticked, 52, 87, ComposeCurrent(), 52, 87, 584, 23));
    ComposeCurrent();
    CHECK(asked == 1);
    MeasureFreeSpaceAgain();
    ComposeCurrent();
    CHECK(asked == 2);
    CHECK(std::string(FreeSpaceLineText()) == std::string(Text(IDS_AVAILABLE_SPACE)) + "2MB");
    FreeSpaceFigure = nullptr;
}

TEST_CASE("every text is drawn whole inside its rectangle, at the layout's size in the carried face, "
          "smaller in a wider one, elided only past the smallest size")
{
    ResetState();
    Setup.Shown.Screen = DestinationScreen;
    std::vector<TextCase> cases = TextCases();
    cases.push_back({"C:\\Program Files (x86)\\Marvolen", InstallPathLine, CentredLine | DT_PATH_ELLIPSIS});
    // The labels' face is the one the program carries, whatever the machine has installed.
    HDC probe = CreateCompatibleDC(nullptr);
    HFONT label = CreateLabelFont();
    HGDIOBJ previous = SelectObject(probe, label);
    wchar_t face[LF_FACESIZE] = L"";
    GetTextFaceW(probe, LF_FACESIZE, face);
    CHECK(std::wstring(face) == L"Marvolen Label");
    SelectObject(probe, previous);
    DeleteObject(label);
    DeleteDC(probe);

    // In the carried face every text fits at the layout's size: exactly what one DrawText of it
    // at that size gives, and clear of its rectangle's edges. At 150 and 200 % every text is drawn
    // whole, clear of the edges of its rectangle at the scale, as the same DrawText at the scaled
    // size draws it where that is itself whole; where the rasteriser draws that one wider than the
    // face measures it (Wine at 18 pixels), a size smaller.
    for (int dpi : {LayoutDpi, 144, 192}) {
        CAPTURE(dpi);
        Setup.Shown.Dpi = dpi;
        for (const TextCase& c : cases) {
            CAPTURE(c.text);
            const Drawn drawn = DrawnText(c.text, c.area, c.format);
            const Drawn whole = DrawnWhole(c.text, c.area, c.format);
            CHECK(drawn.count > 20 * dpi / LayoutDpi);
            CHECK_FALSE(drawn.outside);
            CHECK_FALSE(drawn.onEdge);
            if (dpi == LayoutDpi) CHECK_FALSE(whole.onEdge);
            CHECK((drawn.pixels.rgb == whole.pixels.rgb) == !whole.onEdge);
        }
    }
    Setup.Shown.Dpi = LayoutDpi;

    // In places a little narrower than each line needs at the layout's size, every line is drawn
    // smaller, or elided, inside its place: never drawn at the layout's size and cut; at 200 % as
    // at the layout's scale.
    for (int dpi : {LayoutDpi, 192}) {
        CAPTURE(dpi);
        Setup.Shown.Dpi = dpi;
        HDC measure = CreateCompatibleDC(nullptr);
        HFONT font = CreateLabelFont(Scaled(LabelHeight));
        HGDIOBJ before = SelectObject(measure, font);
        for (const TextCase& c : cases) {
            if (c.format & DT_WORDBREAK) continue;
            CAPTURE(c.text);
            RECT needed = Scaled(c.area);
            const std::wstring wide = WideFromUtf8(c.text.c_str());
            DrawTextW(measure, wide.c_str(), -1, &needed, (c.format & ~DT_VCENTER) | DT_CALCRECT);
            const LONG width = c.area.right - c.area.left, wanted = (needed.right - needed.left) * 85 / 100 * LayoutDpi / dpi;
            const RECT area = {c.area.left + (width - wanted) / 2, c.area.top, c.area.left + (width + wanted) / 2, c.area.bottom};
            const Drawn drawn = DrawnText(c.text, area, c.format);
            const Pixels cut = BackgroundWith([&](HDC dc) {
                RECT box = Scaled(area);
                SetTextColor(dc, RGB(255, 0, 255));
                DrawTextW(dc, wide.c_str(), -1, &box, c.format);
            });
            CHECK(drawn.count > 0);
            CHECK_FALSE(drawn.outside);
            CHECK(drawn.pixels.rgb != cut.rgb);
        }
        SelectObject(measure, before);
        DeleteObject(font);
        DeleteDC(measure);
    }
    Setup.Shown.Dpi = LayoutDpi;

    // A path too long even at the smallest size is elided, not cut (the end-to-end runs read which
    // parts stay); one holding characters the carried face lacks is drawn in a face that has
    // them: two different such characters do not come out as the same box. The folder is kept in
    // the system's code page: its bytes are the same two signs in both code pages the suite runs
    // under (U+201E and U+2122 at 0x84 and 0x99 of 1252 and of 1251), and letters of each (Š in
    // 1252, Љ in 1251) that the carried face has.
    std::string longPath = "C:\\";
    while (longPath.size() < 231) longPath += "A Folder With A Long Name\\";
    longPath += "Marvolen";
    CAPTURE(longPath);
    const Drawn elided = DrawnText(longPath, InstallPathLine, CentredLine | DT_PATH_ELLIPSIS);
    CHECK(elided.count > 100);
    CHECK_FALSE(elided.outside);
    CHECK_FALSE(elided.onEdge);
    const auto drawnPath = [](const char* folder) {
        lstrcpyA(Setup.Paths.InstallPath, folder);
        return DrawnText(InstallPathText(), InstallPathLine, CentredLine | DT_PATH_ELLIPSIS);
    };
    CAPTURE(GetACP());
    const Drawn first = drawnPath("C:\\Hry\\\x84\x84\x84\\Marvolen");
    const Drawn second = drawnPath("C:\\Hry\\\x99\x99\x99\\Marvolen");
    const Drawn letters = drawnPath("C:\\Hry\\\x8A\x8A\x8A\\Marvolen");
    CHECK(first.count > 50);
    CHECK_FALSE(first.onEdge);
    CHECK(first.pixels.rgb != second.pixels.rgb);
    CHECK(letters.pixels.rgb != first.pixels.rgb);
    CHECK(WideFromUtf8(InstallPathText()).find(GetACP() == 1251 ? L'\u0409' : L'\u0160') != std::wstring::npos);
}

TEST_CASE("every text of every language is drawn whole in its place, at most one size below the layout's")
{
    ResetState();
    Setup.Shown.Screen = DestinationScreen;
    for (int language = 0; language < LanguageCount; ++language) {
        CAPTURE(language);
        LoadTexts(language);
        RefreshAvailability();   // the first label in this language
        HDC measure = CreateCompatibleDC(nullptr);
        HFONT font = CreateLabelFont(LabelHeight - 1);
        HGDIOBJ before = SelectObject(measure, font);
        for (const TextCase& c : TextCases()) {
            CAPTURE(c.text);
            const std::wstring wide = WideFromUtf8(c.text.c_str());
            // Every letter in the carried face, and the whole text inside its place one size down.
            std::vector<WORD> glyphs(wide.size());
            GetGlyphIndicesW(measure, wide.c_str(), static_cast<int>(wide.size()), glyphs.data(), GGI_MARK_NONEXISTING_GLYPHS);
            for (size_t i = 0; i < wide.size(); ++i)
                if (wide[i] != L'\n') CHECK(glyphs[i] != 0xFFFF);
            RECT needed = c.area;
            needed.bottom = needed.top;
            DrawTextW(measure, wide.c_str(), -1, &needed, (c.format & ~(DT_VCENTER | DT_PATH_ELLIPSIS)) | DT_CALCRECT);
            CHECK(needed.right - needed.left <= c.area.right - c.area.left);
            CHECK(needed.bottom - needed.top <= c.area.bottom - c.area.top);
            const Drawn drawn = DrawnText(c.text, c.area, c.format);
            CHECK(drawn.count > 20);
            CHECK_FALSE(drawn.outside);
            CHECK_FALSE(drawn.onEdge);
        }
        SelectObject(measure, before);
        DeleteObject(font);
        DeleteDC(measure);
    }
    LoadTexts(English);
    RefreshAvailability();
}

TEST_CASE("the progress screen shows the frame pair of the step, the last pair past the end")
{
    ResetState();
    Setup.Shown.Screen = ProgressScreen;
    const Pixels background = LoadPicture(IDB_PROGRESS);
    const Pixels idle = ComposeCurrent();
    CHECK(SameArea(idle, MapPicture.x, MapPicture.y, background, MapPicture.x, MapPicture.y, MapPicture.width,
                   MapPicture.height));
    CHECK(SameArea(idle, Strip.x, Strip.y, background, Strip.x, Strip.y, Strip.width, Strip.height));
    CHECK(idle.count(ProgressRects[0], NormalColour) > 20);

    for (int step : {0, 8, 16, 40}) {
        CAPTURE(step);
        Setup.Shown.ProgressStep = step;
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

TEST_CASE("at 200 % the frame shows the pictures drawn at twice the size; at 150 % the same, averaged down")
{
    ResetState();
    Setup.Shown.Screen = ProgressScreen;
    Setup.Shown.ProgressStep = 8;
    Setup.Shown.Dpi = 192;
    const Pixels doubled = ComposeCurrent();
    REQUIRE(doubled.width == 1280);
    REQUIRE(doubled.height == 960);
    const Placement map = Scaled(MapPicture), strip = Scaled(Strip);
    CHECK(SameArea(doubled, 0, 0, LoadPicture(IDB_PROGRESS + IDB_DOUBLE), 0, 0, 1280, map.y));   // above the map
    CHECK(SameArea(doubled, map.x, map.y, LoadPicture(IDB_MAP_FIRST + 8 + IDB_DOUBLE), 0, 0, map.width, map.height));
    CHECK(SameArea(doubled, strip.x, strip.y, LoadPicture(IDB_STRIP_FIRST + 8 + IDB_DOUBLE), 0, 0, strip.width, strip.height));
    CHECK(doubled.count(Scaled(ProgressRects[0]), NormalColour) > 4 * 20);

    Setup.Shown.Dpi = 144;
    const Pixels reduced = ComposeCurrent();
    REQUIRE(reduced.width == 960);
    REQUIRE(reduced.height == 720);
    // Averaged, not picked: most of the map's pixels are mixtures that the picture's own colours
    // do not hold, and every square of it has the colour the same square has at 200 %.
    const Pixels larger = LoadPicture(IDB_MAP_FIRST + 8 + IDB_DOUBLE);
    std::vector<COLORREF> own(larger.rgb.size());
    for (int y = 0; y < larger.height; ++y)
        for (int x = 0; x < larger.width; ++x) own[static_cast<size_t>(y) * larger.width + x] = larger.at(x, y);
    std::sort(own.begin(), own.end());
    const RECT onMap = Scaled(RECT{MapPicture.x, MapPicture.y, MapPicture.x + MapPicture.width, MapPicture.y + MapPicture.height});
    int mixed = 0;
    for (int y = onMap.top; y < onMap.bottom; ++y)
        for (int x = onMap.left; x < onMap.right; ++x) mixed += !std::binary_search(own.begin(), own.end(), reduced.at(x, y));
    CHECK(mixed > (onMap.right - onMap.left) * (onMap.bottom - onMap.top) / 2);
    const auto mean = [](const Pixels& p, const RECT& r, int shift) {
        long sum = 0;
        for (int y = r.top; y < r.bottom; ++y)
            for (int x = r.left; x < r.right; ++x) sum += (p.at(x, y) >> shift) & 0xFF;
        return sum / ((r.right - r.left) * (r.bottom - r.top));
    };
    int apart = 0;
    for (int y = MapPicture.y; y + 20 <= MapPicture.y + MapPicture.height; y += 20)
        for (int x = MapPicture.x; x + 20 <= MapPicture.x + MapPicture.width; x += 20) {
            const RECT at150 = {ScaledCoordinate(x, 144), ScaledCoordinate(y, 144), ScaledCoordinate(x + 20, 144), ScaledCoordinate(y + 20, 144)};
            const RECT at200 = {2 * x, 2 * y, 2 * x + 40, 2 * y + 40};
            for (int shift : {0, 8, 16}) apart += std::abs(mean(reduced, at150, shift) - mean(doubled, at200, shift)) > 3;
        }
    CHECK(apart == 0);
    Setup.Shown.Dpi = LayoutDpi;
}

TEST_CASE("the finish screen shows each outcome's own heading and body")
{
    ResetState();
    Setup.Shown.Screen = FinishScreen;
    const char* retry = "Click the Installation Menu to Reinstall the game or Exit Setup";
    struct Case { RunOutcome result; const char* heading; const char* body; };
    const Case cases[] = {
        {RunInstalled, "Marvolen have been successfully installed!",
         "Click View Readme for further information. Click Online registration to get your registration."},
        {RunAborted, "Installation has been aborted!", retry},
        {RunFailed, "Installation failed!", retry},
    };
    for (const Case& c : cases) {
        CAPTURE(c.heading);
        Setup.Shown.RunResult = c.result;
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
    Setup.Shown.Busy = 1;
    ComposeCurrent();
    Setup.Shown.Busy = 0;
    CHECK(first.rgb == ComposeCurrent().rgb);
}

}
