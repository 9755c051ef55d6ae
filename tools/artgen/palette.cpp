#include "palette.h"

#include <algorithm>
#include <cmath>
#include <initializer_list>
#include <stdexcept>
#include <string>

#include "layout.h"

Colour wash(Colour paper, Colour pigment, double strength)
{
    auto channel = [&](double p, double t) { return p * (1 - strength + strength * t / 255.0); };
    return {channel(paper.r, pigment.r), channel(paper.g, pigment.g), channel(paper.b, pigment.b)};
}

const std::array<Colour, 16>& provincePigments()
{
    static const std::array<Colour, 16> pigments{
        rgb(200, 80, 90),   rgb(220, 160, 50), rgb(110, 160, 90), rgb(80, 110, 170),
        rgb(200, 110, 50),  rgb(150, 110, 180), rgb(150, 150, 50), rgb(60, 150, 150),
        rgb(170, 60, 40),   rgb(90, 130, 60),  rgb(110, 150, 210), rgb(140, 70, 120),
        rgb(230, 190, 60),  rgb(70, 160, 110), rgb(190, 90, 80),   rgb(180, 120, 170),
    };
    return pigments;
}

namespace {

constexpr Colour kPaperLight = rgb(244, 232, 202);
constexpr Colour kPaper = rgb(230, 212, 170);
constexpr Colour kPaperDark = rgb(204, 176, 128);

class Builder {
public:
    // A ramp spreads `count` entries evenly along the polyline through `keys`.
    void ramp(int count, std::initializer_list<Colour> keys)
    {
        const std::vector<Colour> k(keys);
        for (int i = 0; i < count; ++i) {
            const double t = static_cast<double>(i) / (count - 1) * (k.size() - 1);
            const size_t seg = std::min(static_cast<size_t>(t), k.size() - 2);
            add(mix(k[seg], k[seg + 1], t - seg));
        }
    }
    void add(Colour c)
    {
        auto to8 = [](double v) { return static_cast<uint8_t>(std::clamp(std::lround(v), 0L, 255L)); };
        Rgb8 e{to8(c.r), to8(c.g), to8(c.b)};
        // The setup program finds its text by these exact colours on screen.
        for (const Rgb8& t : kTextColours)
            if (e == t)
                e.b = static_cast<uint8_t>(e.b == 255 ? 254 : e.b + 1);
        entries_.push_back(e);
    }
    Palette finish() const
    {
        if (entries_.size() != 256)
            throw std::logic_error("palette ramps add up to " + std::to_string(entries_.size()) + " entries");
        Palette p{};
        std::copy(entries_.begin(), entries_.end(), p.begin());
        return p;
    }

private:
    std::vector<Rgb8> entries_;
};

Palette buildPalette()
{
    Builder b;
    b.add(rgb(0, 0, 0));  // index 0: the program's dimming colour
    // Dark wood and the brown-black ink.
    b.ramp(30, {rgb(16, 11, 8), rgb(34, 22, 14), rgb(52, 33, 20), rgb(72, 46, 27), rgb(96, 62, 36),
                rgb(124, 82, 48), rgb(150, 104, 62)});
    // Parchment, from burnt edges through the tan of the button plates to the light sheets.
    b.ramp(40, {rgb(120, 86, 50), rgb(160, 122, 78), rgb(190, 156, 108), rgb(214, 190, 146),
                rgb(232, 214, 174), rgb(244, 232, 202), rgb(252, 246, 228)});
    // Bronze and gold, shadow to glint.
    b.ramp(34, {rgb(40, 24, 8), rgb(82, 52, 18), rgb(128, 86, 34), rgb(172, 124, 54), rgb(212, 166, 86),
                rgb(240, 208, 136), rgb(255, 242, 200)});
    // Evening sky, zenith to horizon glow.
    b.ramp(36, {rgb(16, 22, 52), rgb(30, 40, 84), rgb(58, 62, 112), rgb(96, 80, 128), rgb(150, 98, 124),
                rgb(206, 124, 104), rgb(236, 162, 96), rgb(250, 204, 136), rgb(255, 232, 184)});
    // Violet slate: castle stone, mountains, mist and snow in the evening light.
    b.ramp(23, {rgb(22, 22, 36), rgb(44, 42, 66), rgb(74, 68, 100), rgb(110, 98, 136), rgb(150, 132, 164),
                rgb(196, 182, 206), rgb(236, 232, 244)});
    // Forest and meadow.
    b.ramp(20, {rgb(16, 26, 20), rgb(30, 48, 32), rgb(50, 72, 40), rgb(80, 100, 52), rgb(122, 134, 74),
                rgb(170, 170, 110)});
    // Banner and shield reds.
    b.ramp(12, {rgb(48, 10, 10), rgb(96, 20, 18), rgb(146, 34, 26), rgb(190, 60, 40), rgb(226, 110, 76)});
    // Heraldic blues.
    b.ramp(12, {rgb(14, 24, 48), rgb(28, 52, 100), rgb(54, 88, 150), rgb(100, 140, 196), rgb(170, 200, 230)});
    // The province washes, each on light, middle and dark paper.
    for (const Colour& pig : provincePigments()) {
        b.add(wash(kPaperLight, pig, 0.45));
        b.add(wash(kPaper, pig, 0.55));
        b.add(wash(kPaperDark, pig, 0.65));
    }
    return b.finish();
}

}  // namespace

const Palette& sharedPalette()
{
    static const Palette palette = buildPalette();
    return palette;
}

Quantizer::Quantizer(const Palette& palette) : palette_(palette), cache_(1u << 24), known_(1u << 24) {}

uint8_t Quantizer::nearest(int r, int g, int b)
{
    const uint32_t key = (static_cast<uint32_t>(r) << 16) | (g << 8) | b;
    if (known_[key])
        return cache_[key];
    long best = -1;
    uint8_t bestIndex = 1;
    for (int i = 1; i < 256; ++i) {
        const long dr = r - palette_[i].r, dg = g - palette_[i].g, db = b - palette_[i].b;
        const long d = 3 * dr * dr + 4 * dg * dg + 2 * db * db;
        if (best < 0 || d < best) {
            best = d;
            bestIndex = static_cast<uint8_t>(i);
        }
    }
    known_[key] = 1;
    cache_[key] = bestIndex;
    return bestIndex;
}

Indexed Quantizer::reduce(const Canvas& canvas, double dither, int originX, int originY)
{
    static constexpr int kBayer[4][4] = {{0, 8, 2, 10}, {12, 4, 14, 6}, {3, 11, 1, 9}, {15, 7, 13, 5}};
    const int width = canvas.pixelWidth(), height = canvas.pixelHeight();
    const int ox = canvas.pixel(originX), oy = canvas.pixel(originY);
    Indexed out{width, height, std::vector<uint8_t>(static_cast<size_t>(width) * height)};
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const double d = (kBayer[(y + oy) & 3][(x + ox) & 3] - 7.5) / 16.0 * dither;
            const Colour& c = canvas.at(x, y);
            auto ch = [d](double v) { return static_cast<int>(std::clamp(std::lround(v + d), 0L, 255L)); };
            out.pixels[y * out.width + x] = nearest(ch(c.r), ch(c.g), ch(c.b));
        }
    return out;
}
