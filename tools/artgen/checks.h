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
// type 1 icon (planes 1, 4 bits per pixel in each entry), type 2 cursor (each image's hot spot
// there), holding the images in their order.
void checkIconFile(Checks& checks, const std::string& path, int type, const std::vector<IconImage>& images);

// The artwork under the program's text: button bands mid-toned and even,
// text plates light, no large black areas. `scale`: the picture's set.
void checkPlates(Checks& checks, int picture, const Indexed& image, const Palette& palette, double scale);
void checkNotBlack(Checks& checks, const std::string& name, const Indexed& image, const Palette& palette);
void checkMask(Checks& checks, const std::string& name, const Mask& mask);
// Areas the program draws into on a panel must be inside its mask (in the mask's pixels).
void checkMaskCovers(Checks& checks, const std::string& name, const Mask& mask, const Rect& area);
// Mean luminance of an area (in the image's pixels), for the ad-hoc contrast checks.
double meanLuminance(const Indexed& image, const Palette& palette, const Rect& area);
int differingPixels(const Indexed& a, const Indexed& b);
