#pragma once
#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "palette.h"

// 1-bit panel mask: white (true) keeps the screen underneath, black shows the panel.
struct Mask {
    int width = 0, height = 0;
    std::vector<uint8_t> white;  // top-down rows, one byte per pixel
};

// A square, 16-colour icon or cursor image: 32 pixels at the layout's scale, 48 and 64 for 1.5
// and 2. A cursor's hot spot is where its tip lies.
struct IconImage {
    explicit IconImage(int size = 32) : size(size), pixels(size * size), transparent(size * size) {}
    int size;
    int hotX = 0, hotY = 0;
    std::array<Rgb8, 16> palette{};
    std::vector<uint8_t> pixels;       // top-down
    std::vector<uint8_t> transparent;  // 1 = see-through
};

void writeBmp8(const std::string& path, const Indexed& image, const Palette& palette);
void writeBmp1(const std::string& path, const Mask& mask);
// One file holding every size, as Windows picks the one for the screen's scale from it.
void writeIcon(const std::string& path, const std::vector<IconImage>& images);
void writeCursor(const std::string& path, const std::vector<IconImage>& images);
void writeWav(const std::string& path, const std::vector<uint8_t>& samples, int sampleRate);

// What a written file says about itself, read back from disk for the self-checks.
struct BmpFacts {
    bool consistent = false;  // headers agree with each other and with the file length
    int width = 0, height = 0, bits = 0, paletteEntries = 0;
    Rgb8 firstColour{}, secondColour{};
};
BmpFacts inspectBmp(const std::string& path);

struct WavFacts {
    bool consistent = false;  // RIFF size, chunk sizes, pad byte and file length agree
    int format = 0, channels = 0, rate = 0, bits = 0;
    uint32_t dataBytes = 0;
};
WavFacts inspectWav(const std::string& path);
