#include "ui/screen_items.h"

#include <cstring>

#include "base/state.h"
#include "base/texts.h"
#include "resources/resource_ids.h"
#include "system/bounded_text.h"
#include "system/destination.h"
#include "system/folder_path.h"

using namespace Layout;

namespace {

// The free-space line of the folder last measured: the disk is asked when the folder changes or
// the destination screen is entered, not at every frame.
struct {
    char folder[PathSize];
    char line[PathSize];
    bool fresh;
} FreeSpaceShown;

struct FinishTexts { UINT heading, body; };
constexpr FinishTexts FinishByResult[] = {
    {IDS_INSTALLED_HEADING, IDS_INSTALLED_BODY},
    {IDS_ABORTED_HEADING, IDS_RETRY_BODY},
    {IDS_FAILED_HEADING, IDS_RETRY_BODY},
};

const FinishTexts& FinishFor()
{
    const int result = Setup.Shown.RunResult >= RunInstalled && Setup.Shown.RunResult <= RunFailed ? Setup.Shown.RunResult : RunFailed;
    return FinishByResult[result];
}

constexpr RECT Area(const Placement& at) { return {at.x, at.y, at.x + at.width, at.y + at.height}; }

ShownItem Line(Layer layer, const char* words, const RECT& rect, COLORREF colour, UINT format)
{
    ShownItem item{ItemKind::Text, layer, rect};
    item.text = words;
    item.colour = colour;
    item.format = format;
    return item;
}

ShownItem Heading(const char* words, const RECT& rect, UINT format)
{
    ShownItem item = Line(Layer::Screen, words, rect, TextBlack, format);
    item.heading = true;
    return item;
}

void AddButtons(ShownItems& shown, Layer layer, const ButtonGroup& group)
{
    for (int i = 0; i < group.count; ++i) {
        ShownItem item{ItemKind::Button, layer, *group.buttons[i].rect};
        item.button = &group.buttons[i];
        shown.Add(item);
    }
}

// One procedure per screen: what it shows over its background, in reading order.
void DestinationItems(ShownItems& shown)
{
    shown.Add(Heading(Text(IDS_INSTALL_FOLDER), InstallFolderHeading, CentredLine));
    // A path too long for its line, even at the smallest size, keeps its drive and the game's
    // folder, with "..." between.
    shown.Add(Line(Layer::Screen, InstallPathText(), InstallPathLine, NormalColour, CentredLine | DT_PATH_ELLIPSIS));
    shown.Add(Line(Layer::Screen, FreeSpaceLineText(), FreeSpaceLine, TextBlack, LeftLine));
    shown.Add(Line(Layer::Screen, Text(IDS_SPACE_REQUIRED), SpaceRequiredLine, TextBlack, LeftLine));
    ShownItem label = Line(Layer::Screen, Text(IDS_DESKTOP_ICON), DesktopIconLabel, NormalColour, CentredLine);
    label.read = false;
    shown.Add(label);
    if (!Setup.Run.DesktopIconWanted) return;
    ShownItem tick{ItemKind::Picture, Layer::Screen, Area(Tick)};
    tick.picture = IDB_TICK;
    tick.read = false;
    shown.Add(tick);
}

void ProgressItems(ShownItems& shown)
{
    // Shown, as its pictures are, from the first step to the last.
    if (ShownProgressStep() < 0) return;
    ShownItem progress{ItemKind::Progress, Layer::Screen, Area(Strip)};
    progress.picture = ShownProgressStep();
    shown.Add(progress);
}

void FinishItems(ShownItems& shown)
{
    shown.Add(Heading(FinishHeadingText(), FinishHeading, CentredLine));
    shown.Add(Line(Layer::Screen, FinishBodyText(), FinishBody, NormalColour, Wrapped));
}

}  // namespace

const char* InstallPathText()
{
    // Kept in the system's code page, shown as every text is, in UTF-8; three bytes at most for
    // each of its letters.
    static char shown[PathSize * 3];
    lstrcpynA(shown, Utf8FromWide(WideFromAnsi(Setup.Paths.InstallPath)).c_str(), sizeof shown);
    return shown;
}

ShownItems ItemsOnShow()
{
    ShownItems shown;
    AddButtons(shown, Layer::Screen, ScreenGroup(Setup.Shown.Screen));
    switch (Setup.Shown.Screen) {
    case DestinationScreen: DestinationItems(shown); break;
    case ProgressScreen: ProgressItems(shown); break;
    case FinishScreen: FinishItems(shown); break;
    case MainMenu: break;
    }
    if (Setup.Shown.StatusPanelShown && Setup.Shown.StatusText)
        shown.Add(Line(Layer::Status, Setup.Shown.StatusText, StatusPanelText, StatusTextColour, CentredLine));
    if (Setup.Shown.PromptKind != NoPrompt) {
        AddButtons(shown, Layer::Prompt, PromptGroup(Setup.Shown.PromptKind));
        if (Setup.Shown.PromptText) {
            ShownItem question = Line(Layer::Prompt, Setup.Shown.PromptText, PromptText, TextBlack, Wrapped);
            question.heading = true;
            shown.Add(question);
        }
    }
    return shown;
}

void MeasureFreeSpaceAgain() { FreeSpaceShown.fresh = false; }

const char* FreeSpaceLineText()
{
    if (!FreeSpaceShown.fresh || std::strcmp(FreeSpaceShown.folder, Setup.Paths.InstallPath) != 0) {
        char freeSpace[PathSize];
        FreeSpaceText(WideFromAnsi(Setup.Paths.InstallPath), freeSpace, Text(IDS_MEGABYTES));
        if (!JoinText(FreeSpaceShown.line, Text(IDS_AVAILABLE_SPACE), freeSpace)) FreeSpaceShown.line[0] = '\0';
        std::memcpy(FreeSpaceShown.folder, Setup.Paths.InstallPath, PathSize);
        FreeSpaceShown.fresh = true;
    }
    return FreeSpaceShown.line;
}

const char* FinishHeadingText() { return Text(FinishFor().heading); }

const char* FinishBodyText() { return Text(FinishFor().body); }

int ShownProgressStep()
{
    // More data than was measured can push the step past the last frame: the last frame holds.
    return Setup.Shown.ProgressStep < PROGRESS_FRAMES ? Setup.Shown.ProgressStep : PROGRESS_FRAMES - 1;
}
