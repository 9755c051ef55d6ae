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

// The sets of pictures: the layout's own size, and twice it under ids IDB_DOUBLE higher, which the
// program shows at 200 % and reduces for the scales between.
struct Set {
    double scale;
    int idOffset;
};
constexpr Set kSets[] = {{1, 0}, {2, IDB_DOUBLE}};

class Writer {
public:
    Writer(std::string dir, Checks& checks, const Set& set)
        : dir_(std::move(dir)), checks_(checks), set_(set), quantizer_(sharedPalette())
    {
    }

    double scale() const { return set_.scale; }
    Rect pixels(const Rect& layout) const { return scaledRect(layout, set_.scale); }

    // `width` and `height` in layout pixels; the origin, of a picture cut from a larger one, too.
    Indexed picture(int id, const Canvas& art, int width, int height, int originX = 0, int originY = 0)
    {
        const Indexed image = quantizer_.reduce(art, kDither, originX, originY);
        writeBmp8(path(id), image, sharedPalette());
        checkBmpFile(checks_, path(id), art.pixel(width), art.pixel(height), 8);
        return image;
    }
    void mask(int id, const Mask& m, int width, int height)
    {
        writeBmp1(path(id), m);
        checkBmpFile(checks_, path(id), pixels({0, 0, width, 0}).right, pixels({0, 0, 0, height}).bottom, 1);
        checkMask(checks_, name(id), m);
    }
    std::string name(int id) const { return std::to_string(id + set_.idOffset) + ".bmp"; }
    std::string file(const std::string& name) const { return dir_ + "/" + name; }

private:
    std::string path(int id) const { return file(name(id)); }
    std::string dir_;
    Checks& checks_;
    Set set_;
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
        checkPlates(checks, ids[i], screens[i], pal, w.scale());
        checkNotBlack(checks, w.name(ids[i]), screens[i], pal);
    }
    // The ticked box replaces the empty one exactly: its outer ring must match.
    const Indexed& dest = screens[1];
    for (const Area& a : kAreas)
        if (a.picture == IDB_DESTINATION && a.part == Part::CheckBox) {
            const Indexed tick =
                w.picture(IDB_TICK, tickedBox(destination), a.rect.width(), a.rect.height(), a.rect.left, a.rect.top);
            const Rect at = w.pixels(a.rect);
            bool ringMatches = true;
            for (int y = 0; y < tick.height; ++y)
                for (int x = 0; x < tick.width; ++x)
                    if (x == 0 || y == 0 || x == tick.width - 1 || y == tick.height - 1)
                        ringMatches = ringMatches && tick.at(x, y) == dest.at(at.left + x, at.top + y);
            checks.expect(ringMatches, w.name(IDB_TICK) + ": edge differs from the empty box in " + w.name(IDB_DESTINATION));
        }
}

// Writes the frames of one animation and checks that each visibly moves on from the last
// (`minimumChange` pixels at the layout's scale).
template <typename Animation>
void writeAnimation(Writer& w, Checks& checks, const Animation& animation, int firstId, int width, int height,
                    int minimumChange)
{
    Indexed previous;
    for (int k = 0; k <= kAnimationSteps; ++k) {
        const Indexed frame = w.picture(firstId + k, animation.frame(k), width, height);
        if (k > 0)
            checks.expect(differingPixels(frame, previous) > minimumChange * w.scale() * w.scale(),
                          w.name(firstId + k) + ": barely changes");
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
    const Rect statusBand = w.pixels({40, kStatusHeight / 2 - 8, kStatusWidth - 40, kStatusHeight / 2 + 8});
    checkMaskCovers(checks, w.name(IDB_STATUS_MASK), status.mask, statusBand);
    checks.expect(meanLuminance(statusImage, pal, statusBand) < 60,
                  w.name(IDB_STATUS_PANEL) + ": field too light for the status text");

    const MaskedPanel prompt = promptPanel();
    const Indexed promptImage = w.picture(IDB_PROMPT_PANEL, prompt.image, kPromptWidth, kPromptHeight);
    w.mask(IDB_PROMPT_MASK, prompt.mask, kPromptWidth, kPromptHeight);
    checkPlates(checks, IDB_PROMPT_PANEL, promptImage, pal, w.scale());
    for (const Area& a : kAreas)
        if (a.picture == IDB_PROMPT_PANEL)
            checkMaskCovers(checks, w.name(IDB_PROMPT_MASK), prompt.mask, w.pixels(a.rect));
}

// Every picture of one set, at its scale.
void writePictures(const std::string& dir, Checks& checks, const Set& set)
{
    const DrawingScale scale(set.scale);
    Writer w(dir, checks, set);
    const ProvinceMap map;
    const TownScroll strip;
    writeMap(w, checks, map);
    writeStrip(w, checks, strip);
    writeScreens(w, checks, map.frame(0), strip.frame(0));
    writePanels(w, checks);
}

void writeSounds(const std::string& dir, Checks& checks)
{
    const std::string hover = dir + "/hover.wav", click = dir + "/click.wav";
    writeWav(hover, hoverChime(), kSampleRate);
    writeWav(click, clickTock(), kSampleRate);
    checkWavFile(checks, hover, kHoverSamples, kSampleRate);
    checkWavFile(checks, click, kClickSamples, kSampleRate);
}

void writeIcons(const std::string& dir, Checks& checks)
{
    std::vector<IconImage> icons, cursors;
    for (int size : kIconSizes) {
        icons.push_back(shieldIcon(size));
        cursors.push_back(arrowCursor(size));
    }
    writeIcon(dir + "/setup.ico", icons);
    checkIconFile(checks, dir + "/setup.ico", 1, icons);
    writeCursor(dir + "/setup.cur", cursors);
    checkIconFile(checks, dir + "/setup.cur", 2, cursors);
    // The tip is the hot spot: opaque there, nothing above it or to its left.
    for (const IconImage& cursor : cursors) {
        const int n = cursor.size;
        bool clearAround = true;
        for (int y = 0; y < n; ++y)
            for (int x = 0; x < n; ++x)
                if ((x < cursor.hotX || y < cursor.hotY) && !cursor.transparent[y * n + x])
                    clearAround = false;
        checks.expect(clearAround && !cursor.transparent[cursor.hotY * n + cursor.hotX],
                      "setup.cur: the " + std::to_string(n) + "-pixel arrow's tip is not on its hot spot");
    }
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
        for (const Set& set : kSets)
            writePictures(argv[1], checks, set);
        writeSounds(argv[1], checks);
        writeIcons(argv[1], checks);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "artgen: %s\n", e.what());
        return 1;
    }
    for (const std::string& f : checks.failures())
        std::fprintf(stderr, "artgen: check failed: %s\n", f.c_str());
    return checks.passed() ? 0 : 1;
}
