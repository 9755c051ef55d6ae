#include "sound.h"

#include <algorithm>
#include <cmath>
#include <functional>

#include "noise.h"

namespace {

constexpr double kTwoPi = 6.283185307179586;

struct Partial {
    double start, frequency, amplitude, decay;  // seconds, Hz, linear, time constant in seconds
};

double partialsAt(const std::vector<Partial>& partials, double t)
{
    double v = 0;
    for (const Partial& p : partials) {
        const double u = t - p.start;
        if (u < 0)
            continue;
        const double attack = std::min(1.0, u / 0.004);  // a few milliseconds, so nothing clicks
        v += p.amplitude * attack * std::exp(-u / p.decay) * std::sin(kTwoPi * p.frequency * u);
    }
    return v;
}

// Renders `count` samples of `signal`, easing in over 2 ms and out over the
// last 30 ms so the sound starts and ends on the mid line: no pops.
std::vector<uint8_t> render(int count, const std::function<double(double)>& signal)
{
    std::vector<uint8_t> out(count);
    const double fadeIn = kSampleRate * 0.002, fadeOut = kSampleRate * 0.03;
    for (int i = 0; i < count; ++i) {
        const double edge = std::min({1.0, i / fadeIn, (count - 1 - i) / fadeOut});
        const double v = std::clamp(signal(static_cast<double>(i) / kSampleRate) * edge, -0.95, 0.95);
        out[i] = static_cast<uint8_t>(std::lround(128 + 127 * v));
    }
    return out;
}

}  // namespace

std::vector<uint8_t> hoverChime()
{
    // E6 then B6, each with a slightly detuned twin that makes the shimmer
    // and a quiet octave above.
    const std::vector<Partial> partials{
        {0.000, 1318.5, 0.20, 0.16}, {0.000, 1321.5, 0.12, 0.16}, {0.000, 2637.0, 0.05, 0.07},
        {0.075, 1975.5, 0.17, 0.14}, {0.075, 1979.0, 0.10, 0.14}, {0.075, 3951.0, 0.04, 0.06},
    };
    return render(kHoverSamples, [&](double t) { return partialsAt(partials, t); });
}

std::vector<uint8_t> clickTock()
{
    // Hollow wood: two low modes that die at once, a brush of filtered noise
    // for the strike, and a small bell ringing on after it.
    const std::vector<Partial> partials{
        {0.0, 430, 0.42, 0.028}, {0.0, 1090, 0.22, 0.014},  {0.0, 1760, 0.10, 0.11},
        {0.0, 4730, 0.035, 0.05}, {0.0, 2640, 0.04, 0.08},
    };
    Lcg rng(9622);
    double low = 0;
    std::vector<double> knock(kClickSamples);
    for (int i = 0; i < kClickSamples; ++i) {
        low += 0.25 * ((rng.unit() * 2 - 1) - low);
        knock[i] = low * 0.5 * std::exp(-i / (0.006 * kSampleRate));
    }
    return render(kClickSamples, [&](double t) {
        const int i = std::min(kClickSamples - 1, static_cast<int>(std::lround(t * kSampleRate)));
        return partialsAt(partials, t) + knock[i];
    });
}
