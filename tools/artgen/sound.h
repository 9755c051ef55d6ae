#pragma once
#include <cstdint>
#include <vector>

// The two interface sounds, 8-bit unsigned mono samples at kSampleRate.
constexpr int kSampleRate = 22050;
constexpr int kHoverSamples = 12701;
constexpr int kClickSamples = 9622;

std::vector<uint8_t> hoverChime();  // a soft, fading two-note shimmer
std::vector<uint8_t> clickTock();   // a woody knock with a small bell in it
