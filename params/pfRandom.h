// The randomizer's draws: the standard library generator reduced to 0..32767 (its range on
// Windows; glibc's is wider), as a fraction 0..1.
#pragma once

#include <cstdint>

// One draw as an integer 0..32767.
int32_t pfRandomDraw();
// One draw divided by 32767.0.
double pfRandomUnit();
// Seeds the generator with a millisecond tick.
void pfRandomSeedFromTick();
