// The C runtime's pseudo-random generator as the production's numbers depend on it: a 15-bit
// linear congruential generator (state * 214013 + 2531011, result bits 16 to 30), one
// process-wide state. The system's rand() has another range and sequence and must not be used.
#pragma once

namespace crt {
constexpr int kRandMax = 32767;
// Reseeds the process-wide generator; srand(1) restores the start state.
void srand(unsigned int seed);
// Next value in [0, 32767].
int rand();
}
