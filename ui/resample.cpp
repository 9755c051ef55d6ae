#include "ui/resample.h"

#include <vector>

namespace {

// For one axis: the source pixels each result pixel covers, with their weights.
struct Tap {
    int first, count;
    std::vector<double> weights;
};

std::vector<Tap> Taps(int sourceLength, double scale, int length)
{
    std::vector<Tap> taps(length);
    for (int i = 0; i < length; ++i) {
        const double from = i * scale, to = (i + 1) * scale;
        Tap& tap = taps[i];
        tap.first = static_cast<int>(from);
        double total = 0;
        for (int s = tap.first; s < to && s < sourceLength; ++s) {
            const double left = s < from ? from : s, right = s + 1 > to ? to : s + 1;
            tap.weights.push_back(right - left);
            total += right - left;
        }
        if (tap.weights.empty()) {   // past the source's end: its last pixel
            tap.first = sourceLength - 1;
            tap.weights.push_back(1);
        }
        tap.count = static_cast<int>(tap.weights.size());
        for (double& w : tap.weights) w /= total > 0 ? total : 1;
    }
    return taps;
}

}  // namespace

void AverageArea(const DWORD* source, int sourceWidth, int sourceHeight, double scale, DWORD* result, int width,
                 int height, bool threshold)
{
    if (width <= 0 || height <= 0 || sourceWidth <= 0 || sourceHeight <= 0 || scale <= 0) return;
    const std::vector<Tap> across = Taps(sourceWidth, scale, width), down = Taps(sourceHeight, scale, height);
    // Across first, into rows of the result's width and the source's height, three channels each.
    std::vector<double> rows(static_cast<size_t>(width) * sourceHeight * 3);
    for (int y = 0; y < sourceHeight; ++y)
        for (int x = 0; x < width; ++x) {
            double r = 0, g = 0, b = 0;
            const Tap& tap = across[x];
            for (int k = 0; k < tap.count; ++k) {
                const DWORD pixel = source[static_cast<size_t>(y) * sourceWidth + tap.first + k];
                r += tap.weights[k] * ((pixel >> 16) & 0xFF);
                g += tap.weights[k] * ((pixel >> 8) & 0xFF);
                b += tap.weights[k] * (pixel & 0xFF);
            }
            double* out = &rows[(static_cast<size_t>(y) * width + x) * 3];
            out[0] = r, out[1] = g, out[2] = b;
        }
    // Then down.
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            double channel[3] = {0, 0, 0};
            const Tap& tap = down[y];
            for (int k = 0; k < tap.count; ++k)
                for (int c = 0; c < 3; ++c)
                    channel[c] += tap.weights[k] * rows[(static_cast<size_t>(tap.first + k) * width + x) * 3 + c];
            DWORD pixel = 0;
            if (threshold) {
                pixel = channel[0] + channel[1] + channel[2] > 3 * 127.5 ? 0x00FFFFFF : 0;
            } else {
                for (int c = 0; c < 3; ++c) pixel = (pixel << 8) | static_cast<DWORD>(channel[c] + 0.5);
            }
            result[static_cast<size_t>(y) * width + x] = pixel;
        }
}
