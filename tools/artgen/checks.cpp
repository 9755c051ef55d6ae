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

void checkIconFile(Checks& checks, const std::string& path, int type, const std::vector<IconImage>& images)
{
    std::ifstream in(path, std::ios::binary);
    const std::vector<uint8_t> d((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    const std::string name = path.substr(path.find_last_of('/') + 1);
    auto u16 = [&](size_t at) { return at + 1 < d.size() ? d[at] | (d[at + 1] << 8) : -1; };
    auto u32 = [&](size_t at) { return at + 3 < d.size() ? static_cast<long>(u16(at)) | (static_cast<long>(u16(at + 2)) << 16) : -1L; };
    checks.expect(u16(0) == 0 && u16(2) == type && u16(4) == static_cast<int>(images.size()), name + ": bad directory");
    long end = 6 + 16 * static_cast<long>(images.size());
    for (size_t i = 0; i < images.size(); ++i) {
        const size_t entry = 6 + 16 * i;
        const int n = images[i].size;
        const std::string what = name + " entry " + std::to_string(i);
        checks.expect(d.size() > entry + 16 && d[entry] == n && d[entry + 1] == n && d[entry + 2] == 16,
                      what + ": not a " + std::to_string(n) + "-pixel 16-colour entry");
        checks.expect(u16(entry + 4) == (type == 1 ? 1 : images[i].hotX) && u16(entry + 6) == (type == 1 ? 4 : images[i].hotY),
                      what + ": wrong planes/bit count or hot spot");
        const long image = u32(entry + 12);
        checks.expect(image == end, what + ": image not where the one before ends");
        checks.expect(u32(image) == 40 && u32(image + 4) == n && u32(image + 8) == 2 * n && u16(image + 14) == 4,
                      what + ": bad image header");
        end += u32(entry + 8);
    }
    checks.expect(end == static_cast<long>(d.size()), name + ": image sizes do not add up to the file");
}

void checkPlates(Checks& checks, int picture, const Indexed& image, const Palette& palette, double scale)
{
    for (const Area& a : kAreas) {
        if (a.picture != picture)
            continue;
        const Rect& r = a.rect;
        if (a.part == Part::Button) {
            // The System font's letters occupy the middle rows; a label may be most of the width.
            const int cx = (r.left + r.right) / 2, cy = (r.top + r.bottom) / 2;
            const int half = std::min(60, r.width() / 2 - 12);
            const Stats s = luminanceStats(image, palette, scaledRect({cx - half, cy - 8, cx + half, cy + 8}, scale));
            checks.expect(s.mean > 125 && s.mean < 165, areaName(picture, r) + ": button band not mid-toned");
            checks.expect(s.deviation < 9, areaName(picture, r) + ": button band not even enough for crisp text");
        } else if (a.part == Part::TextPlate || a.part == Part::PanelText) {
            const Stats s = luminanceStats(image, palette, scaledRect(r, scale));
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
