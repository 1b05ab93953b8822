#include "params/pfRandom.h"

#include <chrono>
#include <cstdlib>

int32_t pfRandomDraw() {
  // RAND_MAX is 32767 with the Windows runtime; glibc's wider range is reduced to the same
  // 15 bits so that both builds draw from 0..32767.
  return static_cast<int32_t>(std::rand() % 32768);
}

double pfRandomUnit() { return pfRandomDraw() / 32767.0; }

void pfRandomSeedFromTick() {
  const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(
      std::chrono::steady_clock::now().time_since_epoch());
  std::srand(static_cast<unsigned>(ms.count()));
}
