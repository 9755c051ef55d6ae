#pragma once
#include <cstdint>

// Every output file must come out byte-identical on every run, so all
// randomness comes from these integer generators with fixed seeds.

class Lcg {
public:
    explicit Lcg(uint32_t seed) : state_(seed) {}
    uint32_t next()
    {
        state_ = state_ * 1664525u + 1013904223u;
        return state_ >> 8;  // the low bits of an LCG are weak
    }
    double unit() { return next() / 16777216.0; }  // [0, 1)
    double range(double lo, double hi) { return lo + (hi - lo) * unit(); }

private:
    uint32_t state_;
};

uint32_t hash2(int x, int y, uint32_t seed);
// Smooth lattice noise in [0, 1].
double valueNoise(double x, double y, uint32_t seed);
// Sum of octaves of valueNoise, normalised back to [0, 1].
double fbm(double x, double y, int octaves, uint32_t seed);
// Per-pixel grain in [-1, 1].
double grain(int x, int y, uint32_t seed);
