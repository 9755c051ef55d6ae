#pragma once
#include <string>
#include <vector>

#include "fileio.h"
#include "layout.h"
#include "palette.h"

// Self-checks run on every generation; any failure makes artgen exit non-zero.
class Checks {
public:
    void expect(bool ok, const std::string& what);
    bool passed() const { return failures_.empty(); }
    const std::vector<std::string>& failures() const { return failures_; }

private:
    std::vector<std::string> failures_;
};

void checkPalette(Checks& checks, const Palette& palette);
void checkBmpFile(Checks& checks, const std::string& path, int width, int height, int bits);
void checkWavFile(Checks& checks, const std::string& path, uint32_t dataBytes, int sampleRate);
// type 1 icon (planes 1, 4 bits per pixel in the entry), type 2 cursor (hot spot there).
void checkIconFile(Checks& checks, const std::string& path, int type, int entryWord4, int entryWord6);

// The artwork under the program's text: button bands mid-toned and even,
// text plates light, no large black areas.
void checkPlates(Checks& checks, int picture, const Indexed& image, const Palette& palette);
void checkNotBlack(Checks& checks, const std::string& name, const Indexed& image, const Palette& palette);
void checkMask(Checks& checks, const std::string& name, const Mask& mask);
// Areas the program draws into on a panel must be inside its mask.
void checkMaskCovers(Checks& checks, const std::string& name, const Mask& mask, const Rect& area);
// Mean luminance of an area, for the ad-hoc contrast checks.
double meanLuminance(const Indexed& image, const Palette& palette, const Rect& area);
int differingPixels(const Indexed& a, const Indexed& b);
