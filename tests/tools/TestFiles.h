// Images for the host's tests: random samples in every layout the command line reads.
#pragma once

#include <cstdint>
#include <random>
#include <string>

#include "tests/support/TempDir.h"
#include "tools/PngImage.h"

// An image of random samples; the seed makes each test's image its own and repeatable.
inline PngImage RandomPng(uint32_t w, uint32_t h, int channels, int depth, uint32_t seed) {
  std::mt19937 rng(seed);
  PngImage img;
  img.width = w;
  img.height = h;
  img.channels = channels;
  img.bitDepth = depth;
  img.samples.resize(size_t(w) * h * size_t(channels));
  for (uint16_t& s : img.samples) s = uint16_t(rng() % (depth == 8 ? 256u : 65536u));
  return img;
}

// Every layout the command line reads: grey, grey and alpha, RGB, RGBA at 8 and 16 bits.
struct PngLayout {
  int channels;
  int depth;
};
inline constexpr PngLayout kPngLayouts[] = {{1, 8},  {2, 8},  {3, 8},  {4, 8},
                                            {1, 16}, {2, 16}, {3, 16}, {4, 16}};
