#include "checks.h"

#include <algorithm>
#include <cmath>
#include <fstream>
#include <iterator>

void Checks::expect(bool ok, const std::string& what)
{
    if (!ok)
        failures_.push_back(what);
}

namespace {

double lum(const Rgb8& c) { return 0.299 * c.r + 0.587 * c.g + 0.114 * c.b; }

struct Stats {
    double mean = 0, deviation = 0;
};

Stats luminanceStats(const Indexed& image, const Palette& palette, const Rect& r)
{
    double sum = 0, sq = 0;
    const double n = static_cast<double>(r.width()) * r.height();
    for (int y = r.top; y < r.bottom; ++y)
        for (int x = r.left; x < r.right; ++x) {
            const double l = lum(palette[image.at(x, y)]);
            sum += l;
            sq += l * l;
        }
    const double mean = sum / n;
    return {mean, std::sqrt(std::max(0.0, sq / n - mean * mean))};
}

std::string areaName(int picture, const Rect& r)
{
    return std::to_string(picture) + ".bmp area (" + std::to_string(r.left) + "," + std::to_string(r.top) + "," +
           std::to_string(r.right) + "," + std::to_string(r.bottom) + ")";
}

}  // namespace

void checkPalette(Checks& checks, const Palette& palette)
{
    checks.expect(palette[0] == Rgb8{0, 0, 0}, "palette index 0 is not black");
    for (size_t i = 0; i < palette.size(); ++i)
        for (const Rgb8& t : kTextColours)
            checks.expect(!(palette[i] == t), "palette entry " + std::to_string(i) + " equals a text colour");
}

void checkBmpFile(Checks& checks, const std::string& path, int width, int height, int bits)
{
    const BmpFacts f = inspectBmp(path);
    const std::string name = path.substr(path.find_last_of('/') + 1);
    checks.expect(f.consistent, name + ": headers disagree with the file");
    checks.expect(f.width == width && f.height == height, name + ": wrong size");
    checks.expect(f.bits == bits, name + ": wrong bit depth");
    checks.expect(f.paletteEntries == (1 << bits), name + ": palette not full");
    checks.expect(f.firstColour == Rgb8{0, 0, 0}, name + ": colour 0 is not black");
    if (bits == 1)
        checks.expect(f.secondColour == Rgb8{255, 255, 255}, name + ": colour 1 is not white");
}

void checkWavFile(Checks& checks, const std::string& path, uint32_t dataBytes, int sampleRate)
{
    const WavFacts f = inspectWav(path);
    const std::string name = path.substr(path.find_last_of('/') + 1);
    checks.expect(f.consistent, name + ": RIFF sizes disagree with the file");
    checks.expect(f.format == 1 && f.channels == 1 && f.bits == 8 && f.rate == sampleRate, name + ": wrong format");
    checks.expect(f.dataBytes == dataBytes, name + ": data chunk is " + std::to_string(f.dataBytes) + " bytes");
}

void checkIconFile(Checks& checks, const std::string& path, int type, int entryWord4, int entryWord6)
{
    std::ifstream in(path, std::ios::binary);
    const std::vector<uint8_t> d((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    const std::string name = path.substr(path.find_last_of('/') + 1);
    auto u16 = [&](size_t at) { return at + 1 < d.size() ? d[at] | (d[at + 1] << 8) : -1; };
    auto u32 = [&](size_t at) { return at + 3 < d.size() ? static_cast<long>(u16(at)) | (static_cast<long>(u16(at + 2)) << 16) : -1L; };
    const long size = static_cast<long>(d.size());
    checks.expect(u16(0) == 0 && u16(2) == type && u16(4) == 1, name + ": bad directory");
    checks.expect(d.size() > 22 && d[6] == 32 && d[7] == 32 && d[8] == 16, name + ": not a 32x32 16-colour entry");
    checks.expect(u16(10) == entryWord4 && u16(12) == entryWord6, name + ": wrong planes/bit count or hot spot");
    checks.expect(u32(18) == 22 && u32(14) + 22 == size, name + ": image size or offset wrong");
    checks.expect(u32(22) == 40 && u32(26) == 32 && u32(30) == 64 && u16(36) == 4, name + ": bad image header");
}

void checkPlates(Checks& checks, int picture, const Indexed& image, const Palette& palette)
{
    for (const Area& a : kAreas) {
        if (a.picture != picture)
            continue;
        const Rect& r = a.rect;
        if (a.part == Part::Button) {
            // The System font's letters occupy the middle rows; a label may be most of the width.
            const int cx = (r.left + r.right) / 2, cy = (r.top + r.bottom) / 2;
            const int half = std::min(60, r.width() / 2 - 12);
            const Stats s = luminanceStats(image, palette, {cx - half, cy - 8, cx + half, cy + 8});
            checks.expect(s.mean > 125 && s.mean < 165, areaName(picture, r) + ": button band not mid-toned");
            checks.expect(s.deviation < 9, areaName(picture, r) + ": button band not even enough for crisp text");
        } else if (a.part == Part::TextPlate || a.part == Part::PanelText) {
            const Stats s = luminanceStats(image, palette, r);
            checks.expect(s.mean > 195 && s.deviation < 14, areaName(picture, r) + ": text plate not light and even");
        }
    }
}

void checkNotBlack(Checks& checks, const std::string& name, const Indexed& image, const Palette& palette)
{
    long dark = 0;
    for (uint8_t i : image.pixels)
        dark += lum(palette[i]) < 12;
    checks.expect(dark * 100 < static_cast<long>(image.pixels.size()), name + ": large areas are near black");
}

void checkMask(Checks& checks, const std::string& name, const Mask& mask)
{
    long white = 0;
    for (uint8_t w : mask.white)
        white += w != 0;
    checks.expect(white > 0 && white < static_cast<long>(mask.white.size()), name + ": mask is not both black and white");
}

void checkMaskCovers(Checks& checks, const std::string& name, const Mask& mask, const Rect& r)
{
    bool covered = true;
    for (int y = r.top; y < r.bottom; ++y)
        for (int x = r.left; x < r.right; ++x)
            covered = covered && !mask.white[y * mask.width + x];
    checks.expect(covered, name + ": mask cuts into the area (" + std::to_string(r.left) + "," + std::to_string(r.top) + ")");
}

double meanLuminance(const Indexed& image, const Palette& palette, const Rect& area)
{
    return luminanceStats(image, palette, area).mean;
}

int differingPixels(const Indexed& a, const Indexed& b)
{
    int n = 0;
    for (size_t i = 0; i < a.pixels.size() && i < b.pixels.size(); ++i)
        n += a.pixels[i] != b.pixels[i];
    return n;
}
