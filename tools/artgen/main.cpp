// artgen: paints every picture, sound and icon of the setup program and
// writes them to OUTDIR. The output is byte-identical on every run.

#include <cstdio>
#include <exception>
#include <string>

#include "checks.h"
#include "fileio.h"
#include "icons.h"
#include "layout.h"
#include "mapart.h"
#include "palette.h"
#include "panels.h"
#include "screens.h"
#include "sound.h"
#include "stripart.h"

namespace {

// Ordered dither amplitude used when reducing paintings to the palette.
constexpr double kDither = 4;

class Writer {
public:
    Writer(std::string dir, Checks& checks) : dir_(std::move(dir)), checks_(checks), quantizer_(sharedPalette()) {}

    Indexed picture(int id, const Canvas& art, int width, int height, int originX = 0, int originY = 0)
    {
        const Indexed image = quantizer_.reduce(art, kDither, originX, originY);
        writeBmp8(path(id), image, sharedPalette());
        checkBmpFile(checks_, path(id), width, height, 8);
        return image;
    }
    void mask(int id, const Mask& m, int width, int height)
    {
        writeBmp1(path(id), m);
        checkBmpFile(checks_, path(id), width, height, 1);
        checkMask(checks_, std::to_string(id) + ".bmp", m);
    }
    std::string file(const std::string& name) const { return dir_ + "/" + name; }

private:
    std::string path(int id) const { return file(std::to_string(id) + ".bmp"); }
    std::string dir_;
    Checks& checks_;
    Quantizer quantizer_;
};

void writeScreens(Writer& w, Checks& checks, const Canvas& blankMap, const Canvas& closedStrip)
{
    const Palette& pal = sharedPalette();
    const Canvas destination = destinationScreen();
    const Indexed screens[] = {
        w.picture(IDB_MAIN_MENU, mainMenuScreen(), kScreenWidth, kScreenHeight),
        w.picture(IDB_DESTINATION, destination, kScreenWidth, kScreenHeight),
        w.picture(IDB_FINISH, finishScreen(), kScreenWidth, kScreenHeight),
        w.picture(IDB_PROGRESS, progressScreen(blankMap, closedStrip), kScreenWidth, kScreenHeight),
    };
    const int ids[] = {IDB_MAIN_MENU, IDB_DESTINATION, IDB_FINISH, IDB_PROGRESS};
    for (int i = 0; i < 4; ++i) {
        checkPlates(checks, ids[i], screens[i], pal);
        checkNotBlack(checks, std::to_string(ids[i]) + ".bmp", screens[i], pal);
    }
    // The ticked box replaces the empty one exactly: its outer ring must match.
    const Indexed& dest = screens[1];
    for (const Area& a : kAreas)
        if (a.picture == IDB_DESTINATION && a.part == Part::CheckBox) {
            const Indexed tick =
                w.picture(IDB_TICK, tickedBox(destination), a.rect.width(), a.rect.height(), a.rect.left, a.rect.top);
            bool ringMatches = true;
            for (int y = 0; y < tick.height; ++y)
                for (int x = 0; x < tick.width; ++x)
                    if (x == 0 || y == 0 || x == tick.width - 1 || y == tick.height - 1)
                        ringMatches = ringMatches && tick.at(x, y) == dest.at(a.rect.left + x, a.rect.top + y);
            checks.expect(ringMatches, "208.bmp: edge differs from the empty box in 141.bmp");
        }
}

// Writes the frames of one animation and checks that each visibly moves on from the last.
template <typename Animation>
void writeAnimation(Writer& w, Checks& checks, const Animation& animation, int firstId, int width, int height,
                    int minimumChange)
{
    Indexed previous;
    for (int k = 0; k <= kAnimationSteps; ++k) {
        const Indexed frame = w.picture(firstId + k, animation.frame(k), width, height);
        if (k > 0)
            checks.expect(differingPixels(frame, previous) > minimumChange,
                          std::to_string(firstId + k) + ".bmp: barely changes");
        previous = frame;
    }
}

void writeMap(Writer& w, Checks& checks, const ProvinceMap& map)
{
    writeAnimation(w, checks, map, IDB_MAP_FIRST, kMapWidth, kMapHeight, 150);
    for (int p = 0; p < kAnimationSteps; ++p)
        checks.expect(map.visibleArea(p) > 400, "province " + std::to_string(p) + " is too small to see");
}

void writeStrip(Writer& w, Checks& checks, const TownScroll& strip)
{
    writeAnimation(w, checks, strip, IDB_STRIP_FIRST, kStripWidth, kStripHeight, 500);
}

void writePanels(Writer& w, Checks& checks)
{
    const Palette& pal = sharedPalette();
    const MaskedPanel status = statusPanel();
    const Indexed statusImage = w.picture(IDB_STATUS_PANEL, status.image, kStatusWidth, kStatusHeight);
    w.mask(IDB_STATUS_MASK, status.mask, kStatusWidth, kStatusHeight);
    // The status line is centred; the field behind it must stay dark for (206,162,114) text.
    const Rect statusBand{40, kStatusHeight / 2 - 8, kStatusWidth - 40, kStatusHeight / 2 + 8};
    checkMaskCovers(checks, "206.bmp", status.mask, statusBand);
    checks.expect(meanLuminance(statusImage, pal, statusBand) < 60, "207.bmp: field too light for the status text");

    const MaskedPanel prompt = promptPanel();
    const Indexed promptImage = w.picture(IDB_PROMPT_PANEL, prompt.image, kPromptWidth, kPromptHeight);
    w.mask(IDB_PROMPT_MASK, prompt.mask, kPromptWidth, kPromptHeight);
    checkPlates(checks, IDB_PROMPT_PANEL, promptImage, pal);
    for (const Area& a : kAreas)
        if (a.picture == IDB_PROMPT_PANEL)
            checkMaskCovers(checks, "209.bmp", prompt.mask, a.rect);
}

void writeSounds(Writer& w, Checks& checks)
{
    writeWav(w.file("hover.wav"), hoverChime(), kSampleRate);
    writeWav(w.file("click.wav"), clickTock(), kSampleRate);
    checkWavFile(checks, w.file("hover.wav"), kHoverSamples, kSampleRate);
    checkWavFile(checks, w.file("click.wav"), kClickSamples, kSampleRate);
}

void writeIcons(Writer& w, Checks& checks)
{
    writeIcon(w.file("setup.ico"), shieldIcon());
    checkIconFile(checks, w.file("setup.ico"), 1, 1, 4);
    const IconImage cursor = arrowCursor();
    writeCursor(w.file("setup.cur"), cursor, kCursorHotX, kCursorHotY);
    checkIconFile(checks, w.file("setup.cur"), 2, kCursorHotX, kCursorHotY);
    // The tip is the hot spot: opaque there, nothing above it or to its left.
    bool clearAround = true;
    for (int y = 0; y < IconImage::kSize; ++y)
        for (int x = 0; x < IconImage::kSize; ++x)
            if ((x < kCursorHotX || y < kCursorHotY) && !cursor.transparent[y * IconImage::kSize + x])
                clearAround = false;
    checks.expect(clearAround && !cursor.transparent[kCursorHotY * IconImage::kSize + kCursorHotX],
                  "setup.cur: arrow tip is not on the hot spot");
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: artgen OUTDIR\n");
        return 2;
    }
    Checks checks;
    try {
        checkPalette(checks, sharedPalette());
        Writer w(argv[1], checks);
        const ProvinceMap map;
        const TownScroll strip;
        writeMap(w, checks, map);
        writeStrip(w, checks, strip);
        writeScreens(w, checks, map.frame(0), strip.frame(0));
        writePanels(w, checks);
        writeSounds(w, checks);
        writeIcons(w, checks);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "artgen: %s\n", e.what());
        return 1;
    }
    for (const std::string& f : checks.failures())
        std::fprintf(stderr, "artgen: check failed: %s\n", f.c_str());
    return checks.passed() ? 0 : 1;
}
